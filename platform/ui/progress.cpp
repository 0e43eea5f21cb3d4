#include "platform/ui/progress.h"

#include "platform/paths.h"

namespace ui {

namespace {

ProgressWindow* active_window = nullptr;

// Often enough that no window waits long for its paint, seldom enough to cost nothing beside
// the work; the clock itself is read only every few reports.
std::chrono::milliseconds refresh_interval(50);
constexpr int kReportsPerClockReading = 16;

std::string RowsText(long long done, double fraction) {
  std::string text = std::to_string(done) + "件";
  if (fraction >= 0) {
    const int percent = fraction >= 1 ? 100 : static_cast<int>(fraction * 100);
    text += "（" + std::to_string(percent) + "%）";
  }
  return text;
}

}  // namespace

ProgressWindow* ProgressWindow::Active() { return active_window; }

void ProgressWindow::SetRefreshInterval(std::chrono::milliseconds interval) { refresh_interval = interval; }

ProgressWindow::ProgressWindow(const std::string& activity, const std::string& file_name)
    : Form("ProgressWindow"),
      Label1(this, "Label1"),
      Label2(this, "Label2"),
      ProgressBar1(this, "ProgressBar1"),
      Button1(this, "Button1") {
  app::NoteSessionGoesOn();  // started by the user: the session went on, whatever was heard of its end
  SetText(activity);
  SetBorder(Border::Single);
  SetMaximizeBox(false);
  SetMinimizeBox(false);  // it goes with the work; the main window is the one to minimise
  SetColor(kWhite);
  SetClientSize(320, 118);
  if (Form* main = app::MainForm()) {
    SetPosition(main->Left() + (main->Width() - Width()) / 2, main->Top() + (main->Height() - Height()) / 2);
  }

  Label1.Create({.left = 12, .top = 12, .caption = activity + "：" + paths::FileNamePart(file_name),
                 .width = 296, .height = 16});
  Label2.Create({.left = 12, .top = 36, .caption = RowsText(0, -1), .width = 296, .height = 16});
  ProgressBar1.Create({.left = 12, .top = 58, .width = 296, .height = 18});
  Button1.Create({.left = 116, .top = 84, .width = 88, .height = 25, .caption = "中止", .tab_order = 0,
                  .role = ButtonRole::Cancel});
  ProgressBar1.SetDone(-1);

  Button1.OnClick = [this] { Cancel(); };
  OnClose = [this] { Cancel(); };  // closing the window is cancelling too
  SetNormalCursorWhileBusy(true);

  for (Form* form : Form::All()) {
    if (form == this) continue;
    others_.emplace_back(form, form->Enabled());
    form->SetEnabled(false);
  }
  active_window = this;
  SetWorkRunning(true);
  Show();
  // Painted before the work's first step, which may take a while (a replacing import's delete).
  Refresh();
}

ProgressWindow::~ProgressWindow() {
  active_window = nullptr;
  SetWorkRunning(false);
  // Before this window goes, so the main form can be active again at once.
  for (auto& [form, enabled] : others_) form->SetEnabled(enabled);
}

bool ProgressWindow::Cancelled() const { return cancelled_ || app::SessionEnding(); }

void ProgressWindow::Cancel() {
  if (cancelled_) return;
  cancelled_ = true;
  Button1.SetEnabled(false);
  Label2.SetText(RowsText(done_, fraction_) + "　中止しています…");
}

bool ProgressWindow::Report(long long done, double fraction) {
  const bool new_rows = done != done_;
  done_ = done;
  fraction_ = fraction;
  // A step that brought no new row was a long one (a statement deleting a range of rows): the
  // clock is read at once.
  if (new_rows && ++reports_since_clock_ < kReportsPerClockReading) return !Cancelled();
  reports_since_clock_ = 0;
  if (Clock::now() >= next_refresh_) Refresh();
  return !Cancelled();
}

void ProgressWindow::Refresh() {
  if (!cancelled_) {
    Label2.SetText(RowsText(done_, fraction_));
    ProgressBar1.SetDone(fraction_ < 0 ? -1 : static_cast<int>(fraction_ * ProgressBar::kFull));
  }
  CurrentBackend().ProcessEvents([this] { return !Cancelled(); });
  next_refresh_ = Clock::now() + refresh_interval;
}

}  // namespace ui
