// The button's peer: a push button that shows whether Enter presses it.
#include "platform/win32/window_peer.h"

namespace platform::win32 {
namespace {

class ButtonPeer : public WindowPeer {
 public:
  explicit ButtonPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("BUTTON", BS_PUSHBUTTON, 0);
    // Keys reach the button as they are (the access keys 1-6 and 0 with the input method on).
    if (hwnd_ != nullptr) SetInputMethodOff(hwnd_, true);
  }
  void OnCommand(int code) override {
    if (code == BN_CLICKED) static_cast<ui::Button&>(control_).Click();
  }
  HBRUSH OnControlColor(HDC) override { return nullptr; }

 protected:
  void Apply() override {
    ui::Form* form = control_.OwnerForm();
    bool is_default = form != nullptr && form->DefaultButton() == &control_;
    if (is_default != shown_default_) {
      SendMessageA(hwnd_, BM_SETSTYLE, is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      shown_default_ = is_default;
    }
    ApplyCommon(true);
  }

 private:
  bool shown_default_ = false;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeButtonPeer(ui::Control& control) {
  return std::make_unique<ButtonPeer>(control);
}

}  // namespace platform::win32
