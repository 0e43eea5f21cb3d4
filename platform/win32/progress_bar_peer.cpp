// The progress bar's peer: the common control, filled in thousandths, or moving on its own
// (marquee) while the work cannot say how far it is.
#include "platform/win32/window_peer.h"

#include <commctrl.h>

#ifndef PBS_MARQUEE
#define PBS_MARQUEE 0x08
#endif
#ifndef PBM_SETMARQUEE
#define PBM_SETMARQUEE (WM_USER + 10)
#endif

namespace platform::win32 {
namespace {

class ProgressBarPeer : public WindowPeer {
 public:
  explicit ProgressBarPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild(PROGRESS_CLASSA, PBS_SMOOTH, 0);
    if (hwnd_ != nullptr) SendMessageA(hwnd_, PBM_SETRANGE32, 0, ui::ProgressBar::kFull);
  }

 protected:
  void Apply() override {
    const int done = static_cast<ui::ProgressBar&>(control_).Done();
    const bool marquee = done < 0;
    if (first_apply_ || marquee != shown_marquee_) {
      LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
      style = marquee ? (style | PBS_MARQUEE) : (style & ~LONG_PTR(PBS_MARQUEE));
      SetWindowLongPtrA(hwnd_, GWL_STYLE, style);
      SendMessageA(hwnd_, PBM_SETMARQUEE, marquee ? TRUE : FALSE, 40);
      shown_marquee_ = marquee;
      shown_done_ = -2;
    }
    if (!marquee && done != shown_done_) {
      SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(done), 0);
      shown_done_ = done;
    }
    ApplyCommon(false);
  }

 private:
  bool shown_marquee_ = false;
  int shown_done_ = -2;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeProgressBarPeer(ui::Control& control) {
  return std::make_unique<ProgressBarPeer>(control);
}

}  // namespace platform::win32
