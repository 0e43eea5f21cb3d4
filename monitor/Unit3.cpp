#include "monitor/Unit3.h"

#include <algorithm>

#include "app/UnitV.h"
#include "monitor/JwScan.h"
#include "monitor/LaunchRecord.h"

using namespace monitor;

namespace {
const char kIntervalMessage[] = "チェック割込時間は 1～999の整数で入力して下さい";
constexpr uint32_t kPanelColor = 15461355;  // red, green and blue 235
// How long to wait for another copy of the program to let go of the journal: briefly in a tick
// (the next tick tries again), longer when the launches waiting are to be stored or kept now.
constexpr int kTickJournalWaitMs = 200;
constexpr int kJournalWaitMs = 3000;

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
      Button1(this, "Button1"),
      Button2(this, "Button2"),
      Button3(this, "Button3"),
      Timer1(this),
      data_(data),
      services_(services),
      registrar_(data) {
  SetText("Jw_cad起動チェック");
  SetBorder(ui::Border::Single);
  SetMaximizeBox(false);
  SetColor(ui::kWhite);
  SetBounds(192, 107, 0, 0);
  SetClientSize(465, 241);

  Panel1.SetBounds(8, 8, 449, 193);
  Panel1.SetColor(kPanelColor);
  Panel1.SetTabOrder(3);

  Label4.SetPosition(8, 4);
  Label4.SetText("チェック割込時間：");
  Edit1.SetBounds(136, 0, 57, 21);
  Edit1.SetMaxLength(3);
  Edit1.SetImeOff(true);
  Edit1.SetTabOrder(0);
  Label5.SetPosition(200, 4);
  Label5.SetText("秒");
  LabelA.SetPosition(240, 4);
  LabelA.SetVisible(false);
  LabelB.SetPosition(304, 4);
  LabelB.SetVisible(false);
  LabelC.SetPosition(376, 4);
  LabelC.SetVisible(false);
  ListBox1.SetBounds(8, 24, 433, 161);
  ListBox1.SetItemHeight(13);
  ListBox1.SetTabOrder(1);
  ListBox2.SetBounds(352, 120, 81, 57);
  ListBox2.SetVisible(false);
  ListBox2.SetTabOrder(2);

  Button1.SetBounds(8, 208, 185, 25);
  Button1.SetText("起動チェック開始(&C)");
  Button1.SetTabOrder(0);
  Button2.SetBounds(208, 208, 121, 25);
  Button2.SetText("中断(&S)");
  Button2.SetTabOrder(1);
  Button3.SetBounds(336, 208, 121, 25);
  Button3.SetText("閉じる(&X)");
  Button3.SetTabOrder(2);
  SetDefaultButton(&Button1);
  SetCancelButton(&Button3);

  Timer1.SetEnabled(false);

  OnShow = [this] { FormShow(); };
  OnClose = [this] { FormClose(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Button3.OnClick = [this] { Button3Click(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
}

TForm3::~TForm3() = default;

void TForm3::StampTick() {
  LabelA.SetText(GetJwFolder(services_));
  platform::LocalDateTime now = services_.Now();
  LabelB.SetText(platform::FormatDate(now.year, now.month, now.day));
  LabelC.SetText(platform::FormatTime(now.hour, now.minute, now.second));
}

void TForm3::FormShow() {
  Timer1.SetInterval(0);
  Timer1.SetEnabled(false);
  Edit1.SetText(std::to_string(CheckInterval));
  StampTick();
  ListBox1.Clear();
  ListBox2.Clear();
  Button1.SetEnabled(true);
  // Asking for the table also reattaches a connection that broke while the check ran (the
  // server restarted); a connection closed on purpose stays closed and the answer is false.
  bool table_ready;
  try {
    table_ready = data_.TableExists(kLaunchTableName);
  } catch (...) {
    // The connection failed while the tables were listed: the table is not known to exist,
    // so the check cannot start; the error itself is shown by the general error box.
    Button1.SetEnabled(false);
    throw;
  }
  if (data_.Connected()) {
    if (!table_ready && !data_.CreateLaunchTable()) {
      Button1.SetEnabled(false);
    } else {
      StorePendingLaunches();
    }
    if (Edit1.Enabled()) Edit1.SetFocus();
  } else {
    Button1.SetEnabled(false);
  }
}

void TForm3::FormClose() { Timer1.SetEnabled(false); }

void TForm3::Button1Click() {
  int32_t seconds = StrToIntZero(Edit1.Text());
  if (seconds < 1 || seconds > 999) {
    ui::ShowMessage(kIntervalMessage);
    Edit1.SetFocus();
    return;
  }
  CheckInterval = seconds;
  Edit1.SetEnabled(false);
  StorePendingLaunches();  // launches kept from earlier go before any the check finds
  Timer1.SetInterval(seconds * 1000);
  Timer1.SetEnabled(true);
}

void TForm3::Button2Click() {
  Timer1.SetInterval(0);
  Timer1.SetEnabled(false);
  Edit1.SetEnabled(true);
}

void TForm3::Button3Click() { Close(); }

void TForm3::Timer1Timer() {
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
    for (const auto& entry : scan.entries) ListBox2.Add(entry);
    std::vector<std::string> scanned_handles;
    for (const auto& entry : scan.entries) scanned_handles.push_back(EntryHandleText(entry));

    // Drop what is gone or shows another drawing now; from the last entry so indexes hold.
    std::vector<std::string> known_handles;
    for (const auto& entry : ListBox1.Items()) known_handles.push_back(EntryHandleText(entry));
    for (int index = ListBox1.Count() - 1; index >= 0; --index) {
      auto match = std::find(scanned_handles.begin(), scanned_handles.end(), known_handles[index]);
      if (match == scanned_handles.end() ||
          EntryNameKey(scan.entries[match - scanned_handles.begin()]) !=
              EntryNameKey(ListBox1.Item(index))) {
        ListBox1.Delete(index);
        known_handles.erase(known_handles.begin() + index);
      }
    }

    // Launches kept from earlier ticks go first, so they keep their place before the new ones.
    TickScope tick(registrar_);
    registrar_.StorePending();

    for (std::size_t scanned = 0; scanned < scan.entries.size(); ++scanned) {
      const std::string& handle = scanned_handles[scanned];
      if (std::find(known_handles.begin(), known_handles.end(), handle) != known_handles.end()) {
        continue;
      }
      ListBox1.Add(scan.entries[scanned]);
      known_handles.push_back(handle);
      RegisterLaunch(EntryPath(scan.entries[scanned]));
    }
  }

  Timer1.SetInterval(CheckInterval * 1000);
  Timer1.SetEnabled(true);
}

std::string TForm3::ExpandDriveToUnc(const std::string& drive) {
  return monitor::ExpandDriveToUnc(services_, drive);
}

void TForm3::StorePendingLaunches() {
  registrar_.BeginTick(kJournalWaitMs);
  if (!registrar_.Pending().empty()) {
    // At the start of the program the launch check window may not have made the table yet.
    try {
      if (data_.Connected() && !data_.TableExists(kLaunchTableName)) data_.CreateLaunchTable();
    } catch (const std::exception&) {
      // The connection broke while the tables were listed: the stores below find it lost.
    }
    registrar_.StorePending();
  }
  registrar_.EndTick(kJournalWaitMs);
}

void TForm3::UseJournal(const std::string& journal_path, const std::string& rejected_path) {
  if (journal_ && journal_->Path() == journal_path && journal_->RejectedPath() == rejected_path) return;
  auto journal = std::make_unique<LaunchJournal>(journal_path, rejected_path);
  registrar_.UseJournal(journal.get());
  journal_ = std::move(journal);
}

void TForm3::RegisterLaunch(const std::string& path) {
  registrar_.Register(ComposeLaunch(services_, path, PcUserName, LabelB.Text(), LabelC.Text()));
}
