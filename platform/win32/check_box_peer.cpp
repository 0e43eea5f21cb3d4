// The check box's peer: a button of the check-box style whose tick the toolkit decides (not the
// automatic style), so that a click changes the state once, in the control, then the window.
#include "platform/ui/check_box.h"
#include "platform/win32/window_peer.h"

namespace platform::win32 {
namespace {

class CheckBoxPeer : public WindowPeer {
 public:
  explicit CheckBoxPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("BUTTON", BS_CHECKBOX, 0);
  }
  void OnCommand(int code) override {
    if (code == BN_CLICKED) static_cast<ui::CheckBox&>(control_).Click();
  }

 protected:
  void Apply() override {
    bool checked = static_cast<ui::CheckBox&>(control_).Checked();
    if (first_apply_ || checked != shown_checked_) {
      SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
      shown_checked_ = checked;
    }
    ApplyCommon(true);
  }

 private:
  bool shown_checked_ = false;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeCheckBoxPeer(ui::Control& control) {
  return std::make_unique<CheckBoxPeer>(control);
}

}  // namespace platform::win32
