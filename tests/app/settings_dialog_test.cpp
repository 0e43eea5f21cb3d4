// The database settings dialog, driven through the main window's button as the user does it,
// against the private Firebird server.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/UnitV.h"
#include "records/Unit4.h"
#include "tests/support/db_fixture.h"
#include "tests/support/program_fixture.h"

namespace {

const char kFolderMessage[] = "サーバーのデータのフォルダを入力して下さい";
const char kNameMessage[] = "データベース名を入力して下さい";
const char kQuoteMessage[] = "引用符「'」「\"」を入力しないで下さい";
const char kCannotConnect[] = "データベースが作成・接続出来ません。設定を確認して下さい。";
// Nothing listens on port 1: creation and connection fail at once.
const char kUnreachableServer[] = "localhost/1:";

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

class SettingsDialogTest : public testsupport::ProgramFixture {
 protected:
  // Opens the dialog from the main window and runs `steps` while it is shown.
  void RunDialog(const std::function<void(TForm2&)>& steps) {
    backend.modal_hook = [&steps](ui::Form& form) {
      ASSERT_EQ(&form, static_cast<ui::Form*>(Form2));
      ASSERT_TRUE(form.Modal());
      steps(*Form2);
    };
    Form1->Button1Click();
    backend.modal_hook = nullptr;
  }
  static void Enter(TForm2& dialog, const std::string& server, const std::string& folder,
                    const std::string& name, const std::string& user) {
    dialog.Edit1.SetText(server);
    dialog.Edit2.SetText(folder);
    dialog.Edit3.SetText(name);
    dialog.Edit4.SetText(user);
  }
};

TEST_F(SettingsDialogTest, FirstOpeningShowsTheDefaultsAndOkAsksForTheFolder) {
  RunDialog([this](TForm2& dialog) {
    EXPECT_EQ(dialog.Edit1.Text(), "localhost:");
    EXPECT_EQ(dialog.Edit2.Text(), "");
    EXPECT_EQ(dialog.Edit3.Text(), "JWWDB.FDB");
    EXPECT_EQ(dialog.Edit4.Text(), "PCユーザー名");
    EXPECT_TRUE(dialog.Edit1.Focused());
    dialog.Edit3.SetFocus();
    dialog.PressEnter();  // Enter in any field is OK
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kFolderMessage});
    EXPECT_TRUE(dialog.Edit2.Focused());
    EXPECT_TRUE(dialog.Visible());

    dialog.Edit2.SetText(kUnreachableServer);
    dialog.Edit3.SetText(" \t ");
    backend.ClearMessages();
    dialog.Button1.Click();
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kNameMessage});
    EXPECT_TRUE(dialog.Edit3.Focused());
    EXPECT_TRUE(dialog.Visible());
    // The user name field stops at 16 bytes, never splitting a character.
    dialog.Edit4.SetText("");
    dialog.Edit4.Type("利用者名ABCDEFGHIJKL");
    EXPECT_EQ(dialog.Edit4.Text(), "利用者名ABCDEFGH");
    dialog.Edit4.SetText("");
    dialog.Edit4.Type("ABCDEFGHIJKLMNO利用");
    EXPECT_EQ(dialog.Edit4.Text(), "ABCDEFGHIJKLMNO");
    dialog.PressEscape();
    EXPECT_FALSE(dialog.Visible());
  });
  EXPECT_EQ(ServerFolder, "");  // nothing stored
  EXPECT_EQ(DatabaseName, "JWWDB.FDB");
  EXPECT_EQ(PcUserName, "PCユーザー名");
}

TEST_F(SettingsDialogTest, FolderOfSpacesIsRefusedButFullWidthSpacesAreAccepted) {
  RunDialog([this](TForm2& dialog) {
    Enter(dialog, kUnreachableServer, "   ", "JWWDB.FDB", "taro");
    dialog.Button1.Click();
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kFolderMessage});
    EXPECT_EQ(ServerName, "localhost:");

    backend.ClearMessages();
    Enter(dialog, kUnreachableServer, "　　", "JWWDB.FDB", "taro");
    dialog.Button1.Click();
    // Accepted and stored; the unreachable server then fails the connection.
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kCannotConnect});
    EXPECT_TRUE(dialog.Edit1.Focused());
  });
  EXPECT_EQ(ServerFolder, "　　");
  EXPECT_EQ(PcUserName, "taro");
}

TEST_F(SettingsDialogTest, DatabaseNameIsUpperCasedAndGetsFdbWhenItHasNoExtension) {
  struct Case {
    std::string typed;
    std::string stored;
  };
  const Case cases[] = {
      {"jwwdb", "JWWDB.FDB"},
      {"data.gdb", "DATA.GDB"},
      {" mixed Name ", " MIXED NAME .FDB"},  // kept as typed apart from the case
      {"name.", "NAME."},                    // a final dot counts as an extension
      {"sub.d\\db", "SUB.D\\DB.FDB"},        // the dot belongs to a folder
      {"図面db", "図面DB.FDB"},
  };
  for (const Case& c : cases) {
    backend.ClearMessages();
    RunDialog([&](TForm2& dialog) {
      Enter(dialog, kUnreachableServer, "/data/", c.typed, "taro");
      dialog.Button1.Click();
      EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kCannotConnect});
    });
    EXPECT_EQ(DatabaseName, c.stored) << c.typed;
  }
}

TEST_F(SettingsDialogTest, QuotesInTheUserNameAreRefusedAndNothingIsStored) {
  for (const char* user : {"ta'ro", "\"", "利用者'"}) {
    backend.ClearMessages();
    RunDialog([&](TForm2& dialog) {
      Enter(dialog, kUnreachableServer, "/elsewhere/", "other", user);
      dialog.PressEnter();
      EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kQuoteMessage});
      EXPECT_TRUE(dialog.Edit4.Focused());
      EXPECT_TRUE(dialog.Visible());
    });
    EXPECT_EQ(ServerName, "localhost:") << user;
    EXPECT_EQ(ServerFolder, "") << user;
    EXPECT_EQ(DatabaseName, "JWWDB.FDB") << user;
    EXPECT_EQ(PcUserName, "PCユーザー名") << user;
  }
}

TEST_F(SettingsDialogTest, FailingOkThenCancelKeepsTheNewValues) {
  RunDialog([this](TForm2& dialog) {
    Enter(dialog, kUnreachableServer, "C:\\data", "jwwdb", "ユーザー16バイト");
    dialog.Button1.Click();
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kCannotConnect});
    EXPECT_TRUE(dialog.Visible());
    dialog.Button2.Click();
    EXPECT_FALSE(dialog.Visible());
  });
  EXPECT_EQ(ServerName, kUnreachableServer);
  EXPECT_EQ(ServerFolder, "C:\\data");
  EXPECT_EQ(DatabaseName, "JWWDB.FDB");
  EXPECT_EQ(PcUserName, "ユーザー16バイト");
  EXPECT_FALSE(Form1->Connected());  // the main window's reconnection failed silently
  EXPECT_EQ(backend.MessageTexts().size(), 1u);

  // Opened again, the dialog shows what is now in force.
  RunDialog([](TForm2& dialog) {
    EXPECT_EQ(dialog.Edit1.Text(), kUnreachableServer);
    EXPECT_EQ(dialog.Edit2.Text(), "C:\\data");
    EXPECT_EQ(dialog.Edit3.Text(), "JWWDB.FDB");
  });
}

TEST_F(SettingsDialogTest, NewDatabaseIsCreatedAndTheMainWindowReconnects) {
  const std::string server = testsupport::ServerAddress();
  Form4->Show();
  ASSERT_TRUE(Form4->Visible());
  RunDialog([&](TForm2& dialog) {
    EXPECT_FALSE(Form4->Visible());     // the other windows were closed first
    EXPECT_FALSE(Form1->Connected());  // and the connection
    Enter(dialog, server, folder.Path(), "newdb", "設計課");
    dialog.PressEnter();
    EXPECT_TRUE(backend.MessageTexts().empty());
    EXPECT_FALSE(dialog.Visible());
    EXPECT_FALSE(Form1->Connected());  // the dialog disconnects after its test
  });
  EXPECT_TRUE(FileExists((folder.Path() + "NEWDB.FDB")));
  EXPECT_EQ(DatabasePath(), server + folder.Path() + "NEWDB.FDB");
  EXPECT_TRUE(Form1->Connected());
  EXPECT_EQ(Form1->CountRows("RDB$DATABASE", ""), 1);
  EXPECT_TRUE(backend.MessageTexts().empty());

  // The same file again: creation fails silently, the connection succeeds, no message.
  RunDialog([&](TForm2& dialog) {
    EXPECT_EQ(dialog.Edit3.Text(), "NEWDB.FDB");
    dialog.Button1.Click();
    EXPECT_FALSE(dialog.Visible());
  });
  EXPECT_TRUE(backend.MessageTexts().empty());
  EXPECT_TRUE(Form1->Connected());
}

TEST_F(SettingsDialogTest, TypingIntoAFullUserNameIsRefusedAndOkStoresTheTextAsItWas) {
  const std::string server = testsupport::ServerAddress();
  RunDialog([&](TForm2& dialog) {
    Enter(dialog, server, folder.Path(), "limits", "あいうえおかきZ");
    // 15 of 16 bytes: a double-byte character does not fit, the text stays.
    dialog.Edit4.Type("ク");
    EXPECT_EQ(dialog.Edit4.Text(), "あいうえおかきZ");
    // Full, the caret at the start: the typed character is refused, nothing drops off the end.
    dialog.Edit4.SetText("あいうえおかきく");
    dialog.Edit4.SetSelection(0, 0);
    dialog.Edit4.Type("Z");
    EXPECT_EQ(dialog.Edit4.Text(), "あいうえおかきく");
    dialog.Button1.Click();
    EXPECT_FALSE(dialog.Visible());
  });
  EXPECT_EQ(PcUserName, "あいうえおかきく");
}

}  // namespace
