// The window of long work that runs inside a handler (an export, an import).
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/controls.h"

namespace ui {

// A small window owned by the main form: what is being done and on which file, the rows so far,
// a bar, and the cancel button "中止". While it is open the program's other forms take no input
// (they keep painting), no timer event is delivered, and the wait cursor shows over the other
// forms. The work calls Report() as it goes; about every 50 ms that shows the figures and lets
// the pending events run, so the program keeps answering. The window goes with the object.
class ProgressWindow : public Form {
 public:
  // `activity` says what is being done ("読み込み中"); it is the caption too.
  ProgressWindow(const std::string& activity, const std::string& file_name);
  ~ProgressWindow() override;

  Label Label1;  // activity and file name
  Label Label2;  // rows so far
  ProgressBar ProgressBar1;
  Button Button1;  // "中止"

  // `done` rows so far; `fraction` of the whole work done (negative: not known). False once the
  // work is to stop: 中止 was pressed (or Esc, or the window closed), or the session ends.
  bool Report(long long done, double fraction = -1);
  bool Cancelled() const;

  // The open one, if any.
  static ProgressWindow* Active();
  // How often the figures are shown and the events let run (50 ms; tests take 0 to see them
  // every few steps, whatever the speed of the machine).
  static void SetRefreshInterval(std::chrono::milliseconds interval);

 private:
  using Clock = std::chrono::steady_clock;
  void Refresh();
  void Cancel();

  long long done_ = 0;
  double fraction_ = -1;
  bool cancelled_ = false;
  int reports_since_clock_ = 0;
  Clock::time_point next_refresh_;
  std::vector<std::pair<Form*, bool>> others_;  // the other forms and whether each took input
};

}  // namespace ui
