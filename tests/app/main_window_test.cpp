#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/UnitV.h"
#include "db/Query.h"
#include "monitor/Unit3.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "tests/support/db_fixture.h"
#include "tests/support/program_fixture.h"

namespace {

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

class MainWindow : public testsupport::ProgramFixture {
 protected:
  // A click as the window procedure delivers it, for a main window that was never shown.
  static void Click(ui::Button& button) { ui::Dispatch(button.OnClick); }
};

TEST_F(MainWindow, LayoutCaptionsAndTabOrder) {
  EXPECT_EQ(Form1->Text(), "Lumadex");
  EXPECT_EQ(Form1->ClientWidth(), 369);
  EXPECT_EQ(Form1->ClientHeight(), 209);
  EXPECT_EQ(Form1->GetBorder(), ui::Border::Single);
  EXPECT_FALSE(Form1->MaximizeBox());
  EXPECT_EQ(Form1->Color(), ui::kWhite);
  EXPECT_EQ(Form1->GetFont().face, "ＭＳ ゴシック");
  EXPECT_EQ(Form1->Label1.Text(), "Jw_cadの起動をチェックしDB登録します");
  EXPECT_EQ(Form1->Label1.GetFont().height, 16);
  EXPECT_EQ(Form1->Label1.GetFont().color, ui::kBlue);
  EXPECT_EQ(Form1->Label1.Color(), ui::kSilver);
  struct Expected { ui::Button* button; int left, top, tab; const char* caption; } buttons[] = {
      {&Form1->Button1, 8, 48, 0, "(&1) データベース設定　"},
      {&Form1->Button2, 8, 88, 1, "(&2) Jw_cad起動チェック"},
      {&Form1->Button3, 8, 128, 2, "(&3) データ編集　　　　"},
      {&Form1->Button4, 8, 168, 3, "(&4) データ一覧表示　　"},
      {&Form1->Button5, 192, 48, 4, "(&5) データCSV書き出し"},
      {&Form1->Button6, 192, 88, 5, "(&6) データCSV読み込み"},
      {&Form1->Button7, 192, 128, 6, "(&7) 集計　　　　　　　"},
      {&Form1->Button0, 192, 168, 7, "(&0) 　　終　了　　　　"},
  };
  for (const auto& b : buttons) {
    EXPECT_EQ(b.button->Text(), b.caption);
    EXPECT_EQ(b.button->Left(), b.left) << b.caption;
    EXPECT_EQ(b.button->Top(), b.top) << b.caption;
    EXPECT_EQ(b.button->Width(), 169);
    EXPECT_EQ(b.button->Height(), 33);
    EXPECT_EQ(b.button->TabOrder(), b.tab) << b.caption;
  }
  EXPECT_FALSE(Form1->ComboBox1.Visible());
  EXPECT_EQ(Form1->ComboBox1.TabOrder(), -1);
  EXPECT_EQ(Form1->SaveDialog1.Filter, "タブ区切りText File(*.txt)|*.txt|CSV File(*.csv)|*.csv");
  // The five windows with their captions, all hidden until shown.
  EXPECT_EQ(Form2->Text(), "データベース設定");
  EXPECT_EQ(Form3->Text(), "Jw_cad起動チェック");
  EXPECT_EQ(Form4->Text(), "データ編集");
  EXPECT_EQ(Form5->Text(), "データ一覧表示");
  for (ui::Form* form : std::vector<ui::Form*>{Form1, Form2, Form3, Form4, Form5}) {
    EXPECT_FALSE(form->Visible());
  }
}

TEST_F(MainWindow, FirstStartConnectsNothingAndWritesDefaultsOnClose) {
  ui::app::Run(*Form1);
  EXPECT_TRUE(Form1->Visible());
  EXPECT_EQ(Form1->SettingsFile, (folder.Path() + "Lumadex.dat"));
  EXPECT_FALSE(Form1->Connected());
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_EQ(Form1->Left(), 192);
  EXPECT_EQ(Form1->Top(), 107);

  Form1->Button0.Click();
  EXPECT_TRUE(backend.quit);
  EXPECT_EQ(ReadWholeFile((folder.Path() + "Lumadex.dat")),
            "localhost:\r\n\r\nJWWDB.FDB\r\nPCユーザー名\r\n10\r\n"
            "192\r\n107\r\n192\r\n107\r\n192\r\n107\r\n192\r\n107\r\n192\r\n107\r\n"
            "320\r\n240\r\n"
            "80\r\n80\r\n80\r\n80\r\n80\r\n80\r\n80\r\n80\r\n80\r\n80\r\n"
            "192\r\n107\r\n640\r\n480\r\n");
}

TEST_F(MainWindow, UnreachableDatabaseIsReportedOnceAndTheWindowStaysUsable) {
  WriteWholeFile((folder.Path() + "Lumadex.dat"),
                 "127.0.0.1/1:\r\n" + folder.Path() + "\r\nNOWHERE.FDB\r\n");
  ui::app::Run(*Form1);
  EXPECT_FALSE(Form1->Connected());
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].caption, "t482－Lumadex");
  EXPECT_EQ(backend.messages[0].text, "データベース接続が出来ません。設定を確認して下さい。");
  EXPECT_FALSE(backend.messages[0].error);

  Form1->Button3Click();
  EXPECT_TRUE(Form4->Visible());
  EXPECT_EQ(backend.messages.size(), 1u) << "no further message from the windows";
}

TEST_F(MainWindow, EndOfSessionSavesTheSettingsLikeClosing) {
  ui::app::Run(*Form1);
  CheckInterval = 42;
  Form1->OnEndSession();
  EXPECT_NE(ReadWholeFile((folder.Path() + "Lumadex.dat")).find("\r\n42\r\n"), std::string::npos);
}

// A changed setting is on disk at once: the end of a Windows session may leave no time to write
// it, and a crash none at all.
TEST_F(MainWindow, ChangedSettingsAreWrittenWhenTheyChange) {
  ui::app::Run(*Form1);
  const std::string settings = folder.Path() + "Lumadex.dat";
  Form1->Button2Click();
  Form3->Edit1.SetText("37");
  Form3->Button1.Click();
  EXPECT_NE(ReadWholeFile(settings).find("\r\n37\r\n"), std::string::npos) << "the interval of a started check";

  std::remove(settings.c_str());
  backend.answers = {ui::Answer::Yes};  // closing the window stops the check
  Form3->Close();
  Form3->Show();
  Form3->Button1.Click();  // the same interval again: nothing changed, nothing written
  EXPECT_EQ(ReadWholeFile(settings), "");

  backend.modal_hook = [](ui::Form&) { DatabaseName = "OTHER.FDB"; };
  backend.answers = {ui::Answer::Yes};  // the settings stop the check
  Form1->Button1Click();
  EXPECT_NE(ReadWholeFile(settings).find("\r\nOTHER.FDB\r\n"), std::string::npos) << "after the settings dialog";
}

TEST_F(MainWindow, DatabaseSettingsButtonClosesDisconnectsRunsTheDialogAndReconnects) {
  testsupport::TestDatabase database;
  testsupport::CreateAndConnect(*Form1, database, true);
  std::string settings = ServerName + "\r\n" + ServerFolder + "\r\n" + DatabaseName + "\r\n";
  Form1->DisconnectDatabase();
  WriteWholeFile((folder.Path() + "Lumadex.dat"), settings);
  ui::app::Run(*Form1);
  ASSERT_TRUE(Form1->Connected());
  EXPECT_TRUE(backend.messages.empty());

  Form3->Show();
  Form4->Show();
  Form5->Show();
  std::vector<std::string> events;
  for (ui::Form* form : std::vector<ui::Form*>{Form3, Form4, Form5}) {
    ui::Handler original = form->OnClose;
    form->OnClose = [form, original, &events] {
      events.push_back(form->Name() + (Form1->Connected() ? " closed while connected" : " closed"));
      if (original) original();
    };
  }
  backend.modal_hook = [&](ui::Form& dialog) {
    events.push_back(dialog.Name() + (Form1->Connected() ? " modal while connected" : " modal"));
    EXPECT_FALSE(Form3->Visible());
    EXPECT_FALSE(Form4->Visible());
    EXPECT_FALSE(Form5->Visible());
    dialog.PressEscape();
  };
  Form1->Button1Click();
  EXPECT_EQ(events, (std::vector<std::string>{"Form3 closed while connected", "Form4 closed while connected",
                                               "Form5 closed while connected", "Form2 modal"}));
  EXPECT_TRUE(Form1->Connected()) << "reconnected with the unchanged settings after Cancel";
  EXPECT_FALSE(Form3->Visible()) << "the launch check stays hidden after the dialog";
}

// The export and import buttons work at their first use after the server restarted; with the
// server still down each says so in Japanese, and the next use once it is back works.
TEST_F(MainWindow, ExchangeButtonsWorkAtTheirFirstUseAfterAServerRestart) {
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  testsupport::TestDatabase database(server.Address());
  testsupport::CreateAndConnect(*Form1, database, true);
  ASSERT_TRUE(Form1->InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"1", "'a'"}));
  const std::string exported = folder.Path() + "out.txt";

  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  backend.file_answers.push_back({true, exported});
  Click(Form1->Button5);
  EXPECT_EQ(backend.file_dialogs.size(), 1u);
  EXPECT_EQ(ReadWholeFile(exported).substr(0, 3), "N\tP");
  EXPECT_NE(ReadWholeFile(exported).find("\r\n1\ta\t"), std::string::npos);

  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  backend.answers.push_back(ui::Answer::No);  // add
  backend.file_answers.push_back({true, exported});
  Click(Form1->Button6);
  EXPECT_EQ(backend.file_dialogs.size(), 2u);
  EXPECT_EQ(Form1->CountRows("BOOTJWW", ""), 2);
  EXPECT_EQ(backend.MessageTexts(),
            (std::vector<std::string>{"1件を書き出しました。", "1件を読み込みました。"}));

  ASSERT_TRUE(server.Stop());
  for (ui::Button* button : {&Form1->Button5, &Form1->Button6}) {
    backend.ClearMessages();
    Click(*button);
    EXPECT_EQ(testsupport::OnlyErrorSentence(backend), "データベースに接続できません。") << button->Name();
  }
  EXPECT_EQ(backend.file_dialogs.size(), 2u) << "no dialog while the server is down";
  backend.ClearMessages();
  ASSERT_TRUE(server.Start());
  Click(Form1->Button5);  // cancelled
  EXPECT_EQ(backend.file_dialogs.size(), 3u);
  EXPECT_TRUE(backend.MessageTexts().empty());

  // A deliberate disconnect stays: the buttons then do nothing.
  Form1->DisconnectDatabase();
  Form1->Button5Click();
  Form1->Button6Click();
  EXPECT_FALSE(Form1->Connected());
  EXPECT_EQ(backend.file_dialogs.size(), 3u);
  EXPECT_TRUE(backend.MessageTexts().empty());
}

// What the general error box says: a Japanese sentence for what could not be done, and below it
// the operation, the Firebird code and the server's own message; never a bare code.
TEST_F(MainWindow, TheErrorBoxSaysWhatFailedInJapaneseWithTheDetailBelow) {
  testsupport::TestDatabase database;
  testsupport::CreateAndConnect(*Form1, database, true);
  // A failure that is not a lost connection: a statement the server refuses.
  ui::Dispatch([&] {
    db::Query& query = Form1->IBQuery1();
    query.SetLines({"SELECT NO_SUCH_COLUMN FROM BOOTJWW"});
    query.Open();
  });
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_TRUE(backend.messages[0].error);
  EXPECT_EQ(backend.messages[0].caption, "t482－Lumadex");
  const std::string& text = backend.messages[0].text;
  const std::size_t line_end = text.find("\r\n");
  ASSERT_NE(line_end, std::string::npos) << text;
  EXPECT_EQ(text.substr(0, line_end), "データベースの処理に失敗しました。");
  const std::string detail = text.substr(line_end + 2);
  EXPECT_EQ(detail.rfind("prepare (Firebird 335544569", 0), 0u) << detail;  // isc_dsql_error
  EXPECT_NE(detail.find("Column unknown"), std::string::npos) << detail;
  EXPECT_NE(detail.find("NO_SUCH_COLUMN"), std::string::npos) << detail;
  EXPECT_TRUE(Form1->Connected());

  // Anything else that escapes a handler gets a general sentence above its own text.
  backend.ClearMessages();
  ui::Dispatch([] { throw std::runtime_error("vector too long"); });
  EXPECT_EQ(backend.MessageTexts(),
            std::vector<std::string>{"処理を完了できませんでした。\r\nvector too long"});
}

TEST(SettingsPath, ExtensionIsReplacedByDat) {
  EXPECT_EQ(SettingsPathFor("C:\\tools\\x.exe"), "C:\\tools\\x.dat");
  EXPECT_EQ(SettingsPathFor("C:\\v1.2\\prog"), "C:\\v1.2\\prog.dat");
  EXPECT_EQ(SettingsPathFor("Z:\\表\\Lumadex.exe"), "Z:\\表\\Lumadex.dat");
}

}  // namespace
