#include "monitor/Unit3.h"

#include <algorithm>
#include <chrono>

#include "app/UnitV.h"
#include "db/LaunchTable.h"
#include "platform/paths.h"
#include "platform/ui/long_call.h"
#include "monitor/LaunchRecord.h"
#include "monitor/LogonStart.h"

using namespace monitor;

namespace {
const char kIntervalMessage[] = "チェック割込時間は 1～999の整数で入力して下さい";
const char kLogonStartFailedMessage[] = "ログオン時の自動開始を設定できませんでした。";
const char kLogonStartTurnedOffHint[] =
    "タスク マネージャー（または設定のスタートアップ）で無効にされています。チェックすると有効に戻します。";
const char kCloseQuestion[] = "起動チェック中です。閉じると図面の記録が止まります。閉じますか？";
const char kCloseCaption[] = "確認";
constexpr uint32_t kPanelColor = 15461355;  // red, green and blue 235
// How long to wait for another copy of the program to let go of the journal: briefly in a tick
// (the next tick tries again), longer when the launches waiting are to be stored or kept now.
constexpr int kTickJournalWaitMs = 200;
constexpr int kJournalWaitMs = 3000;

// Each line fits the 449 pixels of the label in the window's font (34 full-width characters).
std::string UnreachableLine(int waiting) {
  return "サーバーに接続できません。接続後に登録します（" + std::to_string(waiting) + "件待機中）";
}
std::string NotSetLine(int waiting) {
  return "データベースが設定されていません（" + std::to_string(waiting) + "件待機中）";
}
std::string UnchangeableLine(const std::string& path) { return "記録待ちのファイルを変更できません：" + path; }
std::string HeldLine(int waiting) {
  return "他のPCの処理で番号が使用中のため、登録を待っています（" + std::to_string(waiting) + "件待機中）";
}
std::string OtherDatabaseLine(long long launches) {
  return "別のデータベース向けの記録が" + std::to_string(launches) + "件あります";
}
std::string UnsavedLine(int unsaved) {
  return "記録待ちの図面を保存できません（" + std::to_string(unsaved) + "件）";
}
std::string UnreadableNotice(int lines, const std::string& rejected) {
  return "読み取れない行を" + rejected + "に移しました（" + std::to_string(lines) + "行）";
}
std::string NumberLimitNotice(int launches, const std::string& rejected) {
  return "登録番号が上限に達しました。" + std::to_string(launches) + "件を" + rejected + "に移しました";
}

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Ends the registrar's tick however the tick ends.
class TickScope {
 public:
  explicit TickScope(LaunchRegistrar& registrar) : registrar_(registrar) {
    registrar_.BeginTick(kTickJournalWaitMs);
  }
  ~TickScope() { registrar_.EndTick(kTickJournalWaitMs); }
  TickScope(const TickScope&) = delete;
  TickScope& operator=(const TickScope&) = delete;

 private:
  LaunchRegistrar& registrar_;
};
}  // namespace

TForm3::TForm3(db::DataModule& data, platform::Services& services)
    : ui::Form("Form3"),
      Panel1(this, "Panel1"),
      Label4(&Panel1, "Label4"),
      Edit1(&Panel1, "Edit1"),
      Label5(&Panel1, "Label5"),
      LabelA(&Panel1, "LabelA"),
      LabelB(&Panel1, "LabelB"),
      LabelC(&Panel1, "LabelC"),
      ListBox1(&Panel1, "ListBox1"),
      ListBox2(&Panel1, "ListBox2"),
      CheckBox1(&Panel1, "CheckBox1"),
      Button1(this, "Button1"),
      Button2(this, "Button2"),
      Button3(this, "Button3"),
      LabelState(this, "LabelState"),
      Timer1(this),
      data_(data),
      services_(services),
      registrar_(data) {
  SetText("Jw_cad起動チェック");
  SetBorder(ui::Border::Single);
  SetMaximizeBox(false);
  SetColor(ui::kWhite);
  SetBounds(192, 107, 0, 0);
  SetClientSize(465, 260);  // the described 241, and a line under the buttons

  // Tab order counts within each parent: the three buttons first, then the panel's controls.
  Panel1.Create({.left = 8, .top = 8, .width = 449, .height = 193, .tab_order = 3, .color = kPanelColor});

  Label4.Create({8, 4, "チェック割込時間："});
  Label5.Create({200, 4, "秒"});
  LabelA.Create({.left = 240, .top = 4, .visibility = ui::Visibility::Hidden});
  LabelB.Create({.left = 304, .top = 4, .visibility = ui::Visibility::Hidden});
  LabelC.Create({.left = 376, .top = 4, .visibility = ui::Visibility::Hidden});
  Edit1.Create({.left = 136, .width = 57, .height = 21, .tab_order = 0, .max_length = 3,
                .input_method = ui::InputMethod::Off});
  ListBox1.Create({.left = 8, .top = 24, .width = 433, .height = 161, .tab_order = 1});
  ListBox2.Create({.left = 352, .top = 120, .width = 81, .height = 57, .tab_order = 2,
                   .visibility = ui::Visibility::Hidden});
  CheckBox1.Create({.left = 240, .top = 2, .width = 201, .height = 17, .caption = "ログオン時に自動で開始(&L)",
                    .tab_order = 3});

  Button1.Create({.left = 8, .top = 208, .width = 185, .height = 25, .caption = "起動チェック開始(&C)", .tab_order = 0,
                  .role = ui::ButtonRole::Default});
  Button2.Create({.left = 208, .top = 208, .width = 121, .height = 25, .caption = "中断(&S)", .tab_order = 1});
  Button3.Create({.left = 336, .top = 208, .width = 121, .height = 25, .caption = "閉じる(&X)", .tab_order = 2,
                  .role = ui::ButtonRole::Cancel});
  LabelState.Create({.left = 8, .top = 240, .width = 449, .height = 14});

  Timer1.SetEnabled(false);

  OnShow = [this] { FormShow(); };
  OnCloseQuery = [this] { return FormCloseQuery(); };
  OnClose = [this] { FormClose(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Button3.OnClick = [this] { Button3Click(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  CheckBox1.OnClick = [this] { CheckBox1Click(); };

  // A catch-up of thousands of launches takes seconds: each batch goes to the worker, and the
  // windows answer in between. The end of the session ends it after the batch in flight.
  registrar_.SetServerWorkRunner([this](const std::function<void()>& work) {
    ui::RunLongCall(work);
    if (ui::app::SessionEnding()) registrar_.RequestStop();
  });
}

TForm3::~TForm3() = default;

TForm3::WorkScope::WorkScope(TForm3& form) : form_(form) { ++form_.work_depth_; }

TForm3::WorkScope::~WorkScope() {
  if (--form_.work_depth_ > 0) return;
  std::vector<std::function<void()>> then;
  then.swap(form_.after_work_);
  for (const auto& action : then) ui::Dispatch(action);
}

void TForm3::AfterWork(std::function<void()> then) {
  if (!Working()) {
    then();
    return;
  }
  StopWork();
  after_work_.push_back(std::move(then));
}

void TForm3::StampTick() {
  LabelA.SetText(GetJwFolder(services_));
  platform::LocalDateTime now = services_.Now();
  LabelB.SetText(platform::FormatDate(now.year, now.month, now.day));
  LabelC.SetText(platform::FormatTime(now.hour, now.minute, now.second));
}

void TForm3::FormShow() {
  ShowLogonStart();
  CountOtherDatabases();
  // A check started without the window (at logon) goes on: showing the window only shows it.
  if (checking_) {
    Edit1.SetText(std::to_string(CheckInterval));
    StatusChanged();
    return;
  }
  ui::BusyCursor busy;
  Timer1.SetInterval(0);
  Timer1.SetEnabled(false);
  checking_ = false;
  Edit1.SetText(std::to_string(CheckInterval));
  StampTick();
  ListBox1.Clear();
  known_.clear();
  ListBox2.Clear();
  Button1.SetEnabled(true);
  notice_.clear();
  // The check starts whatever the server's state: while it cannot be reached the launches wait
  // in the journal, and the line under the buttons says so instead of an error box. Shown while
  // a catch-up runs, the window leaves the server to it.
  if (!Working()) {
    table_ready_ = false;
    ReachServer();
    StorePendingLaunches();
  }
  if (Edit1.Enabled()) Edit1.SetFocus();
  StatusChanged();
}

bool TForm3::FormCloseQuery() {
  if (!checking_ || ui::app::SessionEnding()) return true;
  return ui::AskYesNo(kCloseCaption, kCloseQuestion) == ui::Answer::Yes;
}

void TForm3::FormClose() {
  Timer1.SetEnabled(false);
  checking_ = false;
  StatusChanged();
}

void TForm3::Button1Click() {
  ui::BusyCursor busy;
  int32_t seconds = StrToIntZero(Edit1.Text());
  if (seconds < 1 || seconds > 999) {
    ui::ShowMessage(kIntervalMessage);
    Edit1.SetFocus();
    return;
  }
  const bool changed = seconds != CheckInterval;
  CheckInterval = seconds;
  if (changed && OnSettingsChanged) OnSettingsChanged();
  StartCheck();
}

bool TForm3::StartCheck() {
  if (CheckInterval < 1 || CheckInterval > 999) return false;
  Edit1.SetEnabled(false);
  if (!Working()) {  // else the catch-up that runs has the server
    table_ready_ = false;  // made usable again now: it may have been dropped meanwhile
    ReachServer();
    StorePendingLaunches();  // launches kept from earlier go before any the check finds
  }
  Timer1.SetInterval(CheckInterval * 1000);
  Timer1.SetEnabled(true);
  checking_ = true;
  ShowState();
  StatusChanged();
  return true;
}

bool TForm3::Checking() const { return checking_; }

TForm3::CheckStatus TForm3::Status() const {
  if (!checking_) return CheckStatus::Stopped;
  if (!DatabaseSet()) return CheckStatus::NotSet;
  return unreachable_ ? CheckStatus::Unreachable : CheckStatus::Checking;
}

bool TForm3::DatabaseSet() { return !ServerFolder.empty(); }

bool TForm3::ReachServer() {
  // Without a database named there is nothing to attach to: the launches wait.
  if (!DatabaseSet()) {
    unreachable_ = true;
    return false;
  }
  if (data_.Connected() && table_ready_) return true;
  const double now = SteadySeconds();
  if (!data_.Connected() && !pacing_.Due(now)) {
    unreachable_ = true;
    return false;
  }
  const bool ready = data_.AttachLaunchTable({DatabasePath(), AccountUser, AccountPassword});
  pacing_.Attempted(now, SteadySeconds(), ready);
  table_ready_ = ready;
  unreachable_ = !ready;
  return ready;
}

void TForm3::ShowState() {
  const RegistrarNotices notices = registrar_.TakeNotices();
  const std::string rejected =
      journals_.First() ? paths::FileNamePart(journals_.First()->RejectedPath()) : std::string("Lumadex.rej");
  if (notices.unreadable_lines > 0) notice_ = UnreadableNotice(notices.unreadable_lines, rejected);
  if (notices.number_limit > 0) notice_ = NumberLimitNotice(notices.number_limit, rejected);
  const int waiting = static_cast<int>(registrar_.Pending().size());
  const int unsaved = static_cast<int>(registrar_.Unsaved());
  std::string line;
  if (unsaved > 0) {
    line = UnsavedLine(unsaved);
  } else if (!registrar_.UnchangeableJournal().empty()) {
    line = UnchangeableLine(registrar_.UnchangeableJournal());
  } else if (!DatabaseSet() && (checking_ || waiting > 0)) {
    line = NotSetLine(waiting);
  } else if (unreachable_ && (checking_ || waiting > 0 || Visible())) {
    line = UnreachableLine(waiting);
  } else if (waiting > 0) {
    line = HeldLine(waiting);
  } else if (!notice_.empty()) {
    line = notice_;
  } else if (other_database_launches_ > 0) {
    line = OtherDatabaseLine(other_database_launches_);
  }
  if (LabelState.Text() != line) LabelState.SetText(line);
}

std::size_t TForm3::WaitingLaunches() const { return registrar_.Pending().size(); }

void TForm3::StatusChanged() {
  if (OnStatusChanged) OnStatusChanged();
}

void TForm3::Button2Click() {
  Timer1.SetInterval(0);
  Timer1.SetEnabled(false);
  Edit1.SetEnabled(true);
  checking_ = false;
  StatusChanged();
}

void TForm3::Button3Click() { Close(); }

void TForm3::CheckBox1Click() {
  if (!monitor::SetLogonStart(services_, CheckBox1.Checked())) ui::ShowMessage(kLogonStartFailedMessage);
  // The box shows what the registry holds now, whatever was asked.
  ShowLogonStart();
}

// Ticked only when Windows will start the program at logon; an entry turned off in Task Manager
// shows unticked, and the box's tooltip says why.
void TForm3::ShowLogonStart() {
  CheckBox1.SetChecked(monitor::LogonStartIsSet(services_));
  CheckBox1.SetHint(monitor::LogonStartTurnedOffInWindows(services_) ? kLogonStartTurnedOffHint : "");
}

void TForm3::Timer1Timer() {
  WorkScope work(*this);
  Tick();
}

void TForm3::Tick() {
  Timer1.SetEnabled(false);
  StampTick();

  FileDialogOpen = false;
  EnumerateWindows(services_, [](const platform::WindowRecord& window) {
    return FileDialogScanProc(window, 0);
  });

  // While a file selection window is open Jw_cad is between drawings and its folder value may
  // not match them yet, so the tick changes nothing; the first tick after it closes catches up.
  if (!FileDialogOpen) {
    JwScanList scan;
    scan.folder = LabelA.Text();
    EnumerateWindows(services_, [&scan](const platform::WindowRecord& window) {
      return JwWindowScanProc(window, scan);
    });
    ListBox2.Clear();
    for (const auto& entry : scan.entries) ListBox2.Add(EntryText(entry));

    // Drop what is gone or shows another drawing now; from the last entry so indexes hold.
    for (int index = static_cast<int>(known_.size()) - 1; index >= 0; --index) {
      const WindowEntry& known = known_[index];
      auto match = std::find_if(scan.entries.begin(), scan.entries.end(),
                                [&known](const WindowEntry& entry) {
                                  return entry.handle == known.handle;
                                });
      if (match == scan.entries.end() || match->name_key != known.name_key) {
        ListBox1.Delete(index);
        known_.erase(known_.begin() + index);
      }
    }

    // Launches kept from earlier ticks go first, so they keep their place before the new ones.
    TickScope tick(registrar_);
    const long stored_before = registrar_.StoredCount();
    if (!ReachServer()) registrar_.MarkUnreachable();
    registrar_.StorePending();

    for (const WindowEntry& entry : scan.entries) {
      bool known = std::any_of(known_.begin(), known_.end(), [&entry](const WindowEntry& other) {
        return other.handle == entry.handle;
      });
      if (known) continue;
      ListBox1.Add(EntryText(entry));
      known_.push_back(entry);
      RegisterLaunch(entry.path);
    }
    NoteStored(static_cast<int>(registrar_.StoredCount() - stored_before));
    if (registrar_.ServerUnreachable()) unreachable_ = true;
  }

  ShowState();
  // A check stopped meanwhile (closed or 中断 while a registration ran) stays stopped.
  if (checking_) {
    Timer1.SetInterval(CheckInterval * 1000);
    Timer1.SetEnabled(true);
  }
  StatusChanged();
}

void TForm3::NoteStored(int count) {
  if (LabelB.Text() != stored_today_date_) {
    stored_today_date_ = LabelB.Text();
    stored_today_ = 0;
  }
  stored_today_ += count;
}

std::string TForm3::ExpandDriveToUnc(const std::string& drive) {
  return monitor::ExpandDriveToUnc(services_, drive);
}

void TForm3::StorePendingLaunches() { StoreOrKeepPending(true); }

void TForm3::KeepPendingLaunches() { StoreOrKeepPending(false); }

void TForm3::StoreOrKeepPending(bool store) {
  if (Working()) return;  // the work that runs stores them
  WorkScope work(*this);
  registrar_.BeginTick(kJournalWaitMs);
  // Without a usable table nothing is tried: the launches wait, none counted as refused.
  if (store && !registrar_.Pending().empty() && ReachServer()) registrar_.StorePending();
  registrar_.EndTick(kJournalWaitMs);
  if (registrar_.ServerUnreachable()) unreachable_ = true;
  ShowState();
}

void TForm3::UseJournal(const std::string& journal_path, const std::string& rejected_path,
                        const std::string& fallback_folder) {
  std::vector<JournalPlace> places{{journal_path, rejected_path}};
  if (!fallback_folder.empty()) {
    places.push_back({fallback_folder + paths::FileNamePart(journal_path),
                      fallback_folder + paths::FileNamePart(rejected_path)});
  }
  const std::string database = DatabaseSet() ? DatabasePath() : std::string();
  if (!journals_.MadeFor(places, database) && Working()) {
    // The work that runs holds the journals used until now: they are changed once it has ended.
    AfterWork([this, journal_path, rejected_path, fallback_folder] {
      UseJournal(journal_path, rejected_path, fallback_folder);
    });
    return;
  }
  if (!journals_.MadeFor(places, database)) {
    const bool other_database = journals_.Made() && journals_.Database() != database;
    registrar_.UseJournals({});  // the launches waiting are written to the journals used until now
    // Launches seen for one database are never stored in another: they wait in its journals.
    if (other_database) registrar_.ForgetPending();
    journals_.Make(places, database, kJournalWaitMs);
    registrar_.UseJournals(journals_.Journals());
  }
  CountOtherDatabases();
}

void TForm3::CountOtherDatabases() {
  other_database_launches_ = journals_.Made() ? journals_.OtherDatabaseLaunches() : 0;
  ShowState();
}

void TForm3::RegisterLaunch(const std::string& path) {
  registrar_.Register(ComposeLaunch(services_, path, PcUserName, LabelB.Text(), LabelC.Text()));
}
