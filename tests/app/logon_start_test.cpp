// Recording from logon: the check box that writes the Run value, the start with /autostart, the
// icon in the notification area, and the question before the program ends the check.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Unit1.h"
#include "app/UnitV.h"
#include "monitor/CheckIcon.h"
#include "monitor/JournalPlaces.h"
#include "monitor/LogonStart.h"
#include "monitor/Unit3.h"
#include "platform/files.h"
#include "platform/ui/long_call.h"
#include "platform/ui/progress.h"
#include "records/Unit5.h"
#include "tests/support/db_fixture.h"
#include "tests/support/program_fixture.h"

namespace {

using Status = TForm3::CheckStatus;
using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

const char kQuestion[] = "起動チェック中です。終了すると図面の記録が止まります。終了しますか？";

class LogonStart : public testsupport::ProgramFixture {
 protected:
  std::string Program() const { return folder.Path() + "Lumadex.exe"; }
  std::string Command() const { return "\"" + Program() + "\" /autostart"; }
  ui::NotifyIcon& Icon() { return forms->Icon().Icon; }
  std::vector<std::string> Questions() const {
    std::vector<std::string> texts;
    for (const auto& message : backend.messages) {
      if (message.question) texts.push_back(message.text);
    }
    return texts;
  }
  // Settings that point at a database, an unreachable one unless one is given.
  void WriteSettings(const std::string& server, const std::string& folder_on_server,
                     const std::string& file_name, int interval) {
    WriteWholeFile(folder.Path() + "Lumadex.dat", server + "\r\n" + folder_on_server + "\r\n" + file_name +
                                                      "\r\nPC1\r\n" + std::to_string(interval) + "\r\n");
  }
  void WriteUnreachableSettings(int interval = 7) {
    WriteSettings("127.0.0.1/1:", folder.Path(), "NOWHERE.FDB", interval);
  }
  // A Jw_cad drawing window on the desktop, with its file.
  void OpenDrawing(const std::string& name) {
    services.registry_value.status = platform::RegistryValue::Status::Text;
    services.registry_value.text = "C:\\jww";
    services.AddFile("C:\\jww\\" + name, {2026, 1, 5, 9, 0, 1}, 2048);
    services.AddWindow(name + " - jw_win");
  }
};

TEST_F(LogonStart, TheBoxSitsInTheFreePartOfTheTopRowAfterTheOtherControls) {
  ui::CheckBox& box = Form3->CheckBox1;
  EXPECT_EQ(box.Text(), "ログオン時に自動で開始(&L)");
  EXPECT_EQ(box.Parent(), &Form3->Panel1);
  EXPECT_GT(box.Left(), Form3->Label5.Left() + 13) << "right of 秒";
  EXPECT_LE(box.Left() + box.Width(), Form3->Panel1.Width());
  EXPECT_LT(box.Top() + box.Height(), Form3->ListBox1.Top()) << "above the list";
  for (ui::Control* other : Form3->Panel1.Children()) {
    if (other != &box && other->TabOrder() >= 0) {
      EXPECT_LT(other->TabOrder(), box.TabOrder()) << other->Name();
    }
  }
}

// The box shows the Run value as the registry holds it, and ticking or clearing it writes it.
TEST_F(LogonStart, TheBoxWritesAndRemovesTheRunValueAndShowsWhatTheRegistryHolds) {
  struct Case {
    const char* what;
    std::optional<std::string> value_before;  // none: no value
    bool unwritable;
    bool shown_before;
    std::optional<std::string> value_after_click;
    bool shown_after_click;
    bool message;
    bool turned_off_in_windows;  // StartupApproved\Run says "off" before the click
  };
  const std::string other = "\"C:\\other\\Lumadex.exe\" /autostart";
  std::string upper = "\"" + Program() + "\" /AUTOSTART";
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const Case cases[] = {
      {"no value: ticking writes it", std::nullopt, false, false, Command(), true, false, false},
      {"this program: clearing removes it", Command(), false, true, std::nullopt, false, false, false},
      {"this program in other letter case", upper, false, true, std::nullopt, false, false, false},
      {"a copy in another folder: ticking names this one", other, false, false, Command(), true, false, false},
      {"unwritable registry: a message, the box as before", std::nullopt, true, false, std::nullopt, false, true, false},
      {"unwritable registry while set: stays set", Command(), true, true, Command(), true, true, false},
      // Task Manager turned it off and left the Run value: Windows will not start it.
      {"turned off in Windows: unticked; ticking turns it on", Command(), false, false, Command(), true, false, true},
      {"turned off, registry unwritable: stays unticked", Command(), true, false, Command(), false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    services.logon_start.clear();
    if (c.value_before) services.logon_start["Lumadex"] = *c.value_before;
    services.logon_start_unwritable = c.unwritable;
    services.logon_start_disabled.clear();
    if (c.turned_off_in_windows) services.logon_start_disabled.insert("Lumadex");
    backend.ClearMessages();
    Form3->Close();
    Form3->Show();
    EXPECT_EQ(Form3->CheckBox1.Checked(), c.shown_before);
    const std::string turned_off_hint =
        "タスク マネージャー（または設定のスタートアップ）で無効にされています。チェックすると有効に戻します。";
    EXPECT_EQ(Form3->CheckBox1.Hint(), c.turned_off_in_windows ? turned_off_hint : "");

    Form3->CheckBox1.Click();
    auto found = services.logon_start.find("Lumadex");
    if (c.value_after_click) {
      ASSERT_NE(found, services.logon_start.end());
      EXPECT_EQ(found->second, *c.value_after_click);
    } else {
      EXPECT_EQ(found, services.logon_start.end());
    }
    EXPECT_EQ(Form3->CheckBox1.Checked(), c.shown_after_click);
    EXPECT_EQ(services.logon_start_disabled.empty(), c.shown_after_click || !c.turned_off_in_windows);
    EXPECT_EQ(Form3->CheckBox1.Hint().empty(), c.shown_after_click || !c.turned_off_in_windows);
    EXPECT_EQ(backend.MessageTexts(), c.message ? std::vector<std::string>{"ログオン時の自動開始を設定できませんでした。"}
                                                : std::vector<std::string>{});
  }
  EXPECT_EQ(services.logon_start.size(), 1u) << "no other value is written";
}

TEST(LogonStartCommand, TheProgramACommandLineStarts) {
  struct Case { const char* command; const char* program; } cases[] = {
      {"\"C:\\My Tools\\Lumadex.exe\" /autostart", "C:\\My Tools\\Lumadex.exe"},
      {"C:\\My Tools\\Lumadex.exe /autostart", "C:\\My Tools\\Lumadex.exe"},
      {"C:\\tools\\Lumadex.exe", "C:\\tools\\Lumadex.exe"},
      {"  \"C:\\図面ソフト\\Lumadex.exe\"", "C:\\図面ソフト\\Lumadex.exe"},
      {"\"C:\\unterminated", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(monitor::LogonStartProgram(c.command), c.program) << c.command;
  EXPECT_EQ(monitor::LogonStartCommand("C:\\a b\\x.exe"), "\"C:\\a b\\x.exe\" /autostart");
}

TEST(StartArguments, AutostartInAnyLetterCaseAmongTheArguments) {
  EXPECT_TRUE(StartedAtLogon({"/autostart"}));
  EXPECT_TRUE(StartedAtLogon({"/AutoStart"}));
  EXPECT_TRUE(StartedAtLogon({"x", "/autostart"}));
  EXPECT_FALSE(StartedAtLogon({}));
  EXPECT_FALSE(StartedAtLogon({"autostart"}));
  EXPECT_FALSE(StartedAtLogon({"/autostart2"}));
}

// Started at logon against a working database: no window, the check runs with the saved
// interval, and a drawing opened afterwards is stored without a click.
TEST_F(LogonStart, AtLogonTheCheckRunsWithoutAWindowAndStoresADrawing) {
  testsupport::TestDatabase database;
  testsupport::CreateAndConnect(*Form1, database, false);  // a new database: no table yet
  Form1->DisconnectDatabase();
  WriteSettings(database.Server(), database.Folder(), database.FileName(), 7);

  ui::app::RunHidden(*Form1, [] { Form1->StartAtLogon(); });
  for (ui::Form* form : std::vector<ui::Form*>{Form1, Form3, Form5}) EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(Form1->Connected());
  EXPECT_TRUE(Form3->Checking());
  EXPECT_TRUE(Form3->Timer1.Enabled());
  EXPECT_EQ(Form3->Timer1.Interval(), 7000);
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_EQ(Icon().Text(), "Lumadex：チェック中（本日の登録 0件）");
  EXPECT_EQ(Icon().Image(), ui::IconImage::Checking);

  OpenDrawing("図面1.jww");
  Form3->Timer1.Fire();
  auto rows = testsupport::ReadLaunchRows(*Form1);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(Icon().Text(), "Lumadex：チェック中（本日の登録 1件）");

  // Double-clicking the icon shows the running check as it is: the check goes on and the drawing
  // stays known (it is not stored again).
  Icon().DoubleClick();
  EXPECT_TRUE(Form3->Visible());
  EXPECT_TRUE(Form3->Checking());
  EXPECT_EQ(Form3->ListBox1.Count(), 1);
  EXPECT_FALSE(Form3->Edit1.Enabled());
  EXPECT_EQ(Form3->Edit1.Text(), "7");
  Form3->Timer1.Fire();
  EXPECT_EQ(testsupport::ReadLaunchRows(*Form1).size(), 1u);

  // A second start shows the main window: the settings are not read again, nothing reconnects.
  CheckInterval = 9;
  Form1->Show();
  EXPECT_TRUE(Form1->Visible());
  EXPECT_EQ(CheckInterval, 9);
  EXPECT_TRUE(Form3->Checking());
}

TEST_F(LogonStart, AtLogonAnUnreachableServerShowsNoBoxTheIconSaysIt) {
  WriteUnreachableSettings();
  ui::app::RunHidden(*Form1, [] { Form1->StartAtLogon(); });
  EXPECT_TRUE(backend.messages.empty()) << "no box at logon";
  EXPECT_TRUE(Form3->Checking());
  OpenDrawing("図面1.jww");
  Form3->Timer1.Fire();
  EXPECT_EQ(Form3->Status(), Status::Unreachable);
  EXPECT_EQ(Icon().Text(), "Lumadex：サーバーに接続できません（1件待機中）");
  EXPECT_EQ(Icon().Image(), ui::IconImage::Unreachable);
  ASSERT_EQ(Icon().Balloons().size(), 1u);
  EXPECT_TRUE(Icon().Balloons()[0].warning);
}

TEST_F(LogonStart, ByHandTheCheckWaitsForItsButtonAndTheIconSaysStopped) {
  WriteUnreachableSettings();
  ui::app::Run(*Form1);
  EXPECT_FALSE(Form3->Checking());
  EXPECT_EQ(Icon().Text(), "Lumadex：停止中");
  EXPECT_EQ(Icon().Image(), ui::IconImage::Stopped);
  EXPECT_EQ(Icon().Menu(), (std::vector<std::string>{"起動チェックを表示", "データ一覧表示", "終了"}));
}

// The tooltip and the balloons along a day's states.
TEST_F(LogonStart, TooltipsAndBalloonsFollowTheStatesOfTheCheck) {
  using monitor::CheckState;
  struct Step {
    CheckState state;
    const char* tip;
    const char* balloon;  // null: none at this step
  };
  const char* lost = "サーバーに接続できません。図面の記録はこのPCで待機し、接続が戻ったときに登録されます。";
  const char* stored = "待機していた図面の記録をサーバーに登録しました。";
  const Step steps[] = {
      {{Status::Stopped, 0, 0}, "Lumadex：停止中", nullptr},
      {{Status::Checking, 0, 0}, "Lumadex：チェック中（本日の登録 0件）", nullptr},
      {{Status::Checking, 12, 0}, "Lumadex：チェック中（本日の登録 12件）", nullptr},
      {{Status::Unreachable, 12, 1}, "Lumadex：サーバーに接続できません（1件待機中）", lost},
      {{Status::Unreachable, 12, 3}, "Lumadex：サーバーに接続できません（3件待機中）", nullptr},
      {{Status::Checking, 15, 0}, "Lumadex：チェック中（本日の登録 15件）", stored},
      {{Status::Checking, 16, 0}, "Lumadex：チェック中（本日の登録 16件）", nullptr},
      {{Status::Unreachable, 16, 0}, "Lumadex：サーバーに接続できません（0件待機中）", lost},
      {{Status::Unreachable, 16, 2}, "Lumadex：サーバーに接続できません（2件待機中）", nullptr},
      // The two that waited were refused, not stored: nothing says they were.
      {{Status::Checking, 16, 0}, "Lumadex：チェック中（本日の登録 16件）", nullptr},
      {{Status::Stopped, 16, 0}, "Lumadex：停止中", nullptr},
  };
  monitor::CheckIcon& icon = forms->Icon();
  for (const Step& step : steps) {
    SCOPED_TRACE(step.tip);
    std::size_t before = icon.Icon.Balloons().size();
    icon.Show(step.state);
    EXPECT_EQ(icon.Icon.Text(), step.tip);
    EXPECT_EQ(monitor::CheckIconTip(step.state), step.tip);
    if (step.balloon) {
      ASSERT_EQ(icon.Icon.Balloons().size(), before + 1);
      EXPECT_EQ(icon.Icon.Balloons().back().text, step.balloon);
    } else {
      EXPECT_EQ(icon.Icon.Balloons().size(), before);
    }
  }
}

TEST_F(LogonStart, TheIconsMenuShowsTheWindowsAndEndsTheProgram) {
  ui::app::Run(*Form1);
  Icon().ChooseMenuItem(monitor::CheckIcon::kShowCheck);
  EXPECT_TRUE(Form3->Visible());
  Icon().ChooseMenuItem(monitor::CheckIcon::kShowList);
  EXPECT_TRUE(Form5->Visible());
  Icon().ChooseMenuItem(monitor::CheckIcon::kQuit);
  EXPECT_TRUE(backend.quit);
  EXPECT_TRUE(Questions().empty()) << "nothing asked while the check is stopped";
}

TEST_F(LogonStart, TheIconTakesNoInputWhileLongWorkHoldsTheConnection) {
  ui::app::Run(*Form1);
  {
    ui::ProgressWindow progress("読み込み中", "C:\\long.txt");
    Icon().ChooseMenuItem(monitor::CheckIcon::kShowList);  // would load a page mid-import
    Icon().ChooseMenuItem(monitor::CheckIcon::kQuit);
    Icon().DoubleClick();
  }
  bool tried_in_call = false;
  backend.long_call_turn_ms = 1;
  backend.on_events = [&] {
    if (!ui::LongCallRunning() || tried_in_call) return;
    tried_in_call = true;
    Icon().ChooseMenuItem(monitor::CheckIcon::kShowList);
    Icon().DoubleClick();
  };
  ui::RunLongCall([] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); });
  backend.on_events = nullptr;
  EXPECT_TRUE(tried_in_call);
  EXPECT_FALSE(Form5->Visible());
  EXPECT_FALSE(Form3->Visible());
  EXPECT_FALSE(backend.quit);

  // Once the work is over the icon answers again.
  Icon().ChooseMenuItem(monitor::CheckIcon::kShowList);
  EXPECT_TRUE(Form5->Visible());
}

// Closing the main window while the check runs asks first; the end of the session never asks.
TEST_F(LogonStart, ClosingWhileCheckingAsksAndNoKeepsTheCheckRunning) {
  struct Case {
    const char* what;
    bool checking;
    std::optional<ui::Answer> answer;  // none: nothing is asked
    bool ends;
  };
  const Case cases[] = {
      {"stopped: ends without a question", false, std::nullopt, true},
      {"checking, No: keeps running", true, ui::Answer::No, false},
      {"checking, closed box: keeps running", true, ui::Answer::Closed, false},
      {"checking, Yes: ends", true, ui::Answer::Yes, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteUnreachableSettings();
    forms.reset();
    backend.quit = false;
    backend.ClearMessages();
    forms = std::make_unique<ProgramForms>(services);
    ui::app::Run(*Form1);
    backend.ClearMessages();
    if (c.checking) Form3->StartCheck();
    if (c.answer) backend.answers.push_back(*c.answer);
    std::remove((folder.Path() + "Lumadex.dat").c_str());

    Form1->Button0.Click();
    EXPECT_EQ(Questions(), c.answer ? std::vector<std::string>{kQuestion} : std::vector<std::string>{});
    if (c.answer) {
      EXPECT_EQ(backend.messages[0].caption, "確認");
    }
    EXPECT_EQ(backend.quit, c.ends);
    EXPECT_EQ(Form1->Visible(), !c.ends);
    if (!c.ends) {
      EXPECT_TRUE(Form3->Checking()) << "the check goes on";
    }
    EXPECT_EQ(!ReadWholeFile(folder.Path() + "Lumadex.dat").empty(), c.ends) << "settings written only on ending";
  }
}

// Closing the check window while the check runs asks first, whichever way it is closed: いいえ
// (or a box closed) keeps the window and the check, and a drawing opened afterwards is stored;
// はい stops the check and hides the window; the end of the session asks nothing.
TEST_F(LogonStart, ClosingTheCheckWindowWhileCheckingAsksFirst) {
  testsupport::TestDatabase database;
  testsupport::CreateAndConnect(*Form1, database, true);
  Form1->DisconnectDatabase();
  WriteSettings(database.Server(), database.Folder(), database.FileName(), 7);
  ui::app::RunHidden(*Form1, [] { Form1->StartAtLogon(); });
  ASSERT_TRUE(Form3->Checking());

  struct Case {
    const char* what;
    std::function<void()> close;
    std::optional<ui::Answer> answer;  // none: the session ends, nothing is asked
    bool keeps;
  };
  const Case cases[] = {
      {"閉じる, いいえ", [] { Form3->Button3.Click(); }, ui::Answer::No, true},
      {"Esc, box closed", [] { Form3->PressEscape(); }, ui::Answer::Closed, true},
      {"title bar, いいえ", [] { Form3->Close(); }, ui::Answer::No, true},
      {"閉じる, はい", [] { Form3->Button3.Click(); }, ui::Answer::Yes, false},
      {"end of the session", [] { Form3->Close(); }, std::nullopt, false},
  };
  int drawings = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!Form3->Checking()) {
      ASSERT_TRUE(Form3->StartCheck());
    }
    Icon().DoubleClick();
    ASSERT_TRUE(Form3->Visible());
    backend.ClearMessages();
    if (c.answer) backend.answers.push_back(*c.answer);
    if (!c.answer) ui::app::NoteSessionEnding();
    c.close();
    ui::app::NoteSessionGoesOn();
    EXPECT_EQ(Questions(), c.answer ? std::vector<std::string>{"起動チェック中です。閉じると図面の記録が止まります。閉じますか？"}
                                    : std::vector<std::string>{});
    EXPECT_EQ(Form3->Visible(), c.keeps);
    EXPECT_EQ(Form3->Checking(), c.keeps);
    OpenDrawing("図面" + std::to_string(++drawings) + ".jww");
    const std::size_t before = testsupport::ReadLaunchRows(*Form1).size();
    EXPECT_EQ(Form3->Timer1.Enabled(), c.keeps);
    if (Form3->Timer1.Enabled()) Form3->Timer1.Fire();
    EXPECT_EQ(testsupport::ReadLaunchRows(*Form1).size(), before + (c.keeps ? 1 : 0));
  }
  // The check stopped by はい: closing the program asks nothing more.
  backend.ClearMessages();
  Form1->Close();
  EXPECT_TRUE(Questions().empty());
}

// Started at logon without a database in the settings (no settings file, or one without a server
// folder): the tooltip and one balloon say so, no box; the drawings wait in the journal and are
// stored once a database is set.
TEST_F(LogonStart, AtLogonWithoutADatabaseTheIconSaysSoAndLaunchesWait) {
  for (bool file : {false, true}) {
    SCOPED_TRACE(file ? "settings without a server folder" : "no settings file");
    forms.reset();
    ResetSettingsToDefaults();
    std::remove((folder.Path() + "Lumadex.dat").c_str());
    if (file) WriteSettings("127.0.0.1:", "", "LUMADEX.FDB", 5);
    backend.ClearMessages();
    forms = std::make_unique<ProgramForms>(services);
    ui::app::RunHidden(*Form1, [] { Form1->StartAtLogon(); });
    EXPECT_TRUE(backend.messages.empty()) << "no box at logon";
    ASSERT_TRUE(Form3->Checking());
    EXPECT_EQ(Form3->Status(), Status::NotSet);
    for (int tick = 1; tick <= 3; ++tick) {
      OpenDrawing("未設定" + std::to_string(tick) + ".jww");
      Form3->Timer1.Fire();
    }
    EXPECT_EQ(Icon().Text(), "Lumadex：データベースが設定されていません");
    ASSERT_EQ(Icon().Balloons().size(), 1u);
    EXPECT_EQ(Icon().Balloons()[0].text, "Lumadex：データベースが設定されていません");
    EXPECT_EQ(Form3->WaitingLaunches(), 3u);
    EXPECT_EQ(Form3->UnsavedLaunches(), 0u) << "kept in the journal";
    EXPECT_NE(ReadWholeFile(folder.Path() + "Lumadex.jnl").find("未設定3.jww"), std::string::npos);

    // The first database set takes them.
    testsupport::TestDatabase database;
    testsupport::CreateAndConnect(*Form1, database, true);
    Form3->Timer1.Fire();
    EXPECT_EQ(Form3->Status(), Status::Checking);
    EXPECT_EQ(testsupport::ReadLaunchRows(*Form1).size(), 3u);
    EXPECT_EQ(Form3->WaitingLaunches(), 0u);
    Form1->DisconnectDatabase();
    services.windows.clear();
  }
}

TEST_F(LogonStart, TheEndOfTheSessionAsksNothingAndKeepsTheSettings) {
  WriteUnreachableSettings();
  ui::app::RunHidden(*Form1, [] { Form1->StartAtLogon(); });
  ASSERT_TRUE(Form3->Checking());
  CheckInterval = 42;
  backend.answers.push_back(ui::Answer::No);  // would keep the program if anything asked
  Form1->OnEndSession();
  EXPECT_TRUE(Questions().empty());
  EXPECT_NE(ReadWholeFile(folder.Path() + "Lumadex.dat").find("\r\n42\r\n"), std::string::npos);
}

}  // namespace

namespace {

// Started at logon without a database: the launches wait in the journal beside the program. The
// first database set in the settings dialog takes them; one set after it finds none of them.
TEST_F(LogonStart, TheFirstDatabaseSetInTheDialogTakesTheLaunchesThatWaited) {
  testsupport::TestDatabase first, second;
  {
    db::DataModule setup_first, setup_second;
    testsupport::CreateAndConnect(setup_first, first, true);
    testsupport::CreateAndConnect(setup_second, second, true);
  }
  forms.reset();
  ResetSettingsToDefaults();
  std::remove((folder.Path() + "Lumadex.dat").c_str());
  forms = std::make_unique<ProgramForms>(services);
  ui::app::RunHidden(*Form1, [] { Form1->StartAtLogon(); });
  ASSERT_EQ(Form3->Status(), Status::NotSet);
  for (int tick = 1; tick <= 2; ++tick) {
    OpenDrawing("待機" + std::to_string(tick) + ".jww");
    Form3->Timer1.Fire();
  }
  ASSERT_NE(ReadWholeFile(folder.Path() + "Lumadex.jnl").find("待機2.jww"), std::string::npos);
  Form3->Button2Click();  // the check stopped, as the user does before changing the settings
  services.windows.clear();

  auto rows_of = [](const testsupport::TestDatabase& database) {
    db::DataModule reader;
    reader.ConnectDatabase(database.Settings());
    return testsupport::ReadLaunchRows(reader).size();
  };
  for (const testsupport::TestDatabase* database : {&first, &second}) {
    backend.modal_hook = [database](ui::Form&) { database->UseSettings(); };
    Form1->Button1Click();
    ASSERT_TRUE(Form1->Connected());
    if (database == &first) {
      // Taken over as the dialog closed: the journal is the first database's from now on.
      EXPECT_FALSE(platform::FileExists(folder.Path() + "Lumadex.jnl"));
      EXPECT_NE(ReadWholeFile(monitor::DatabaseFilePath(folder.Path() + "Lumadex.jnl", first.ConnectionPath()))
                    .find("待機2.jww"),
                std::string::npos);
    }
    Form3->StorePendingLaunches();
  }
  backend.modal_hook = nullptr;
  EXPECT_EQ(rows_of(first), 2u);
  EXPECT_EQ(rows_of(second), 0u);
  EXPECT_FALSE(platform::FileExists(folder.Path() + "Lumadex.jnl"));
  EXPECT_FALSE(platform::FileExists(monitor::DatabaseFilePath(folder.Path() + "Lumadex.jnl", first.ConnectionPath())));
  EXPECT_TRUE(Questions().empty());
}

}  // namespace
