// The status bar's peer: a simple bar placed by the toolkit (its own alignment is off).
#include "platform/win32/window_peer.h"

#include <commctrl.h>

namespace platform::win32 {
namespace {

class StatusBarPeer : public WindowPeer {
 public:
  explicit StatusBarPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild(STATUSCLASSNAMEA, CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0);
    if (hwnd_ != nullptr) SendMessageA(hwnd_, SB_SIMPLE, TRUE, 0);
  }

 protected:
  void Apply() override {
    std::string text = control_.Text();
    if (first_apply_ || text != shown_text_) {
      SendMessageA(hwnd_, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
      shown_text_ = text;
    }
    if (control_.Color() != shown_color_) {
      // A themed status bar ignores its background colour.
      if (!theme_off_) SwitchThemeOff(hwnd_);
      theme_off_ = true;
      SendMessageA(hwnd_, SB_SETBKCOLOR, 0, control_.Color() != ui::kDefaultColor ? control_.Color() : CLR_DEFAULT);
      shown_color_ = control_.Color();
    }
    ApplyCommon(false);
  }

 private:
  uint32_t shown_color_ = ui::kDefaultColor;
  bool theme_off_ = false;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeStatusBarPeer(ui::Control& control) {
  return std::make_unique<StatusBarPeer>(control);
}

}  // namespace platform::win32
