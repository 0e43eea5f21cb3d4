#include "app/Unit1.h"

#include <exception>

#include "app/Forms.h"
#include "app/UnitV.h"
#include "app/Unit2.h"
#include "db/ClientLibrary.h"
#include "monitor/LogonStart.h"
#include "monitor/Unit3.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/ui/long_call.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "records/Unit6.h"

namespace {
const char kConnectFailedMessage[] = "データベース接続が出来ません。設定を確認して下さい。";
// The table is missing and the account may not create it (one with only the rights to use it).
const char kTableNotCreatedMessage[] =
    "データベースにテーブルBOOTJWWがなく、この接続アカウントでは作成出来ません。"
    "サーバーの管理者が、docsフォルダのserver-setup.sqlをisqlで実行してテーブルを作成して下さい。";
const char kStopCheckQuestion[] = "起動チェック中です。終了すると図面の記録が止まります。終了しますか？";
const char kStopCatchUpQuestion[] =
    "記録待ちの図面を登録中です。終了すると残りは次回の起動時に登録します。終了しますか？";
const char kQuestionCaption[] = "確認";
const char kExchangeFilter[] = "タブ区切りText File(*.txt)|*.txt|CSV File(*.csv)|*.csv";
const char kUnsavedCaption[] = "確認";
const char kEndProgram[] = "終了";
const char kChangeDatabase[] = "データベース設定を変更";

// Launches wait in the journals of the database the settings name now (with none named, in the
// settings file's ".jnl", for the first database that is set).
void UseJournalsOfSettings(const std::string& settings_file) {
  Form3->UseJournal(paths::WithExtension(settings_file, ".jnl"), paths::WithExtension(settings_file, ".rej"),
                    platform::CurrentServices().UserDataFolder());
}
}  // namespace

TForm1::TForm1()
    : ui::Form("Form1"),
      Label1(this, "Label1"),
      Button1(this, "Button1"),
      Button2(this, "Button2"),
      Button3(this, "Button3"),
      Button4(this, "Button4"),
      Button5(this, "Button5"),
      Button6(this, "Button6"),
      Button7(this, "Button7"),
      Button0(this, "Button0"),
      ComboBox1(this, "ComboBox1") {
  SetText("Lumadex");
  SetBorder(ui::Border::Single);
  SetMaximizeBox(false);
  SetColor(ui::kWhite);
  SetBounds(192, 107, 0, 0);
  SetClientSize(369, 209);

  ui::Label::CreateArgs title{0, 0, "Jw_cadの起動をチェックしDB登録します"};
  title.width = 369;
  title.height = 33;
  title.alignment = ui::Alignment::Center;
  title.color = ui::kSilver;
  title.font = ui::Font();
  title.font->height = 16;
  title.font->color = ui::kBlue;
  Label1.Create(title);

  Button1.Create({.left = 8, .top = 48, .width = 169, .height = 33, .caption = "(&1) データベース設定　",
                  .tab_order = 0});
  Button2.Create({.left = 8, .top = 88, .width = 169, .height = 33, .caption = "(&2) Jw_cad起動チェック",
                  .tab_order = 1});
  Button3.Create({.left = 8, .top = 128, .width = 169, .height = 33, .caption = "(&3) データ編集　　　　",
                  .tab_order = 2});
  Button4.Create({.left = 8, .top = 168, .width = 169, .height = 33, .caption = "(&4) データ一覧表示　　",
                  .tab_order = 3});
  Button5.Create({.left = 192, .top = 48, .width = 169, .height = 33, .caption = "(&5) データCSV書き出し",
                  .tab_order = 4});
  Button6.Create({.left = 192, .top = 88, .width = 169, .height = 33, .caption = "(&6) データCSV読み込み",
                  .tab_order = 5});
  Button7.Create({.left = 192, .top = 128, .width = 169, .height = 33, .caption = "(&7) 集計　　　　　　　",
                  .tab_order = 6});
  Button0.Create({.left = 192, .top = 168, .width = 169, .height = 33, .caption = "(&0) 　　終　了　　　　",
                  .tab_order = 7});

  ComboBox1.Create({.left = 192, .top = 128, .width = 97, .height = 21, .tab_order = -1,
                    .visibility = ui::Visibility::Hidden});

  SaveDialog1.Filter = kExchangeFilter;
  OpenDialog1.Filter = kExchangeFilter;

  OnShow = [this] { FormShow(); };
  OnCloseQuery = [this] { return FormCloseQuery(); };
  OnClose = [this] { FormClose(); };
  OnEndSession = [this] { FormEndSession(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Button3.OnClick = [this] { Button3Click(); };
  Button4.OnClick = [this] { Button4Click(); };
  Button5.OnClick = [this] { Button5Click(); };
  Button6.OnClick = [this] { Button6Click(); };
  Button7.OnClick = [this] { Button7Click(); };
  Button0.OnClick = [this] { Button0Click(); };
}

TForm1::~TForm1() = default;

bool StartedAtLogon(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (cp932::UpperAscii(argument) == cp932::UpperAscii(monitor::kAutostartArgument)) return true;
  }
  return false;
}

std::string SettingsPathFor(const std::string& program_path) { return paths::WithExtension(program_path, ".dat"); }

void TForm1::FormShow() { StartUp(true); }

void TForm1::StartAtLogon() {
  StartUp(false);
  // As a show of the check window would: the table is made when missing, so that the first
  // drawing of the day is stored rather than refused.
  if (Connected()) {
    try {
      EnsureLaunchTable();
    } catch (const std::exception&) {
      // The server went away meanwhile: the check keeps the launches until it is back.
    }
  }
  Form3->StartCheck();
}

void TForm1::StartUp(bool report_failure) {
  // A program started at logon shows its main window later, on a second start: nothing is
  // loaded or connected again then.
  if (started_) return;
  started_ = true;
  ui::BusyCursor busy;
  SettingsFile = SettingsPathFor(platform::CurrentServices().ProgramPath());
  LoadSettings(SettingsFile);
  UseJournalsOfSettings(SettingsFile);
  if (!ServerFolder.empty()) {
    ConnectDatabase({DatabasePath(), AccountUser, AccountPassword});
    if (!Connected()) {
      DisconnectDatabase();
      if (report_failure) {
        // Without a usable client library no setting helps: the message says what to install.
        const std::string library_problem = db::ClientLibraryProblem();
        ui::ShowMessage(library_problem.empty() ? kConnectFailedMessage : library_problem);
      }
    } else {
      // The one table check, made with the connection (created when missing), not before each
      // action; a window whose action finds the table gone recovers by itself.
      if (EnsureLaunchTable() == db::LaunchTableState::Missing && report_failure) {
        ui::ShowMessage(kTableNotCreatedMessage);
      }
      // Launches an earlier run could not store wait in the journal; they go first.
      Form3->StorePendingLaunches();
    }
  }
}

bool TForm1::FormCloseQuery() {
  if (close_agreed_) return true;
  if (!MayStopCheck() || !ConfirmUnsavedLaunches(kEndProgram)) return false;
  if (!Form3->Working()) return true;
  // The question came at once, between two batches of a catch-up: the program ends once the
  // batch in flight is stored, with the rest in the journal.
  close_agreed_ = true;
  Form3->AfterWork([this] { Close(); });
  return false;
}

bool TForm1::MayStopCheck() {
  if (Form3->Checking()) return ui::AskYesNo(kQuestionCaption, kStopCheckQuestion) == ui::Answer::Yes;
  if (Form3->Working()) return ui::AskYesNo(kQuestionCaption, kStopCatchUpQuestion) == ui::Answer::Yes;
  return true;
}

bool TForm1::ConfirmUnsavedLaunches(const char* action) {
  if (Form3->UnsavedLaunches() == 0) return true;  // the close stores or keeps the rest
  ui::BusyCursor busy;
  Form3->StorePendingLaunches();  // the last chance to store them or to write them down
  const std::size_t unsaved = Form3->UnsavedLaunches();
  if (unsaved == 0) return true;
  const std::string question = "記録待ちの図面が" + std::to_string(unsaved) + "件あります。保存できないため、" +
                               action + "すると失われます。" + action + "しますか？";
  return ui::AskYesNo(kUnsavedCaption, question) == ui::Answer::Yes;
}

void TForm1::SettingsChanged() {
  if (started_) SaveSettings(SettingsFile);
}

void TForm1::FormClose() {
  ui::AwaitLongCall();  // a page load in flight on the worker still uses the connection
  ui::BusyCursor busy;
  // Launches the check could not store yet get a last chance while the connection is still up;
  // after a catch-up the user stopped, they are only written down.
  if (close_agreed_) {
    Form3->KeepPendingLaunches();
  } else {
    Form3->StorePendingLaunches();
  }
  DisconnectDatabase();
  SaveSettings(SettingsFile);
}

// Log off or shutdown ends the program without closing the main window, and Windows ends a
// program without a visible window a few seconds later: the settings are written first. The
// launches waiting for the server stay in the journal for the next start; nothing is sent to the
// server now (an attach alone may take seconds), and the check stops so that no tick starts to.
void TForm1::FormEndSession() {
  SaveSettings(SettingsFile);
  // Stopped first, so that closing the check window asks nothing; a catch-up at work ends after
  // the batch in flight.
  Form3->Button2Click();
  Form3->StopWork();
  Form3->Close();
}

void TForm1::Button1Click() {
  // The connection is closed for the settings: a catch-up at work stops after its batch first.
  if (Form3->Working()) {
    Form3->AfterWork([this] { Button1Click(); });
    return;
  }
  ui::AwaitLongCall();  // a page load in flight on the worker still uses the connection
  ui::BusyCursor busy;
  // The check stops for the settings to change; the user who keeps it keeps the settings too.
  Form3->Close();
  if (Form3->Checking()) return;
  Form4->Close();
  Form5->Close();
  Form6->Close();
  Form3->StorePendingLaunches();  // they belong to the database in use until now
  if (!ConfirmUnsavedLaunches(kChangeDatabase)) return;
  DisconnectDatabase();
  Form2->ShowModal();
  SettingsChanged();
  // The launches seen for the database used until now stay in its journals.
  if (started_) UseJournalsOfSettings(SettingsFile);
  ConnectDatabase({DatabasePath(), AccountUser, AccountPassword});
  // The table check of a new connection.
  if (Connected() && EnsureLaunchTable() == db::LaunchTableState::Missing) ui::ShowMessage(kTableNotCreatedMessage);
}

void TForm1::Button2Click() { Form3->Show(); }
void TForm1::Button3Click() { Form4->Show(); }
void TForm1::Button4Click() { Form5->Show(); }
void TForm1::Button7Click() { Form6->Show(); }
void TForm1::Button0Click() { Close(); }
