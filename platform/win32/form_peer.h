// The Win32 peer of a form: a top-level window of our own class. Internal to platform/win32.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/window_peer.h"

namespace platform::win32 {

class FormPeer : public WindowPeer {
 public:
  explicit FormPeer(ui::Form& form);
  ~FormPeer() override;
  ui::Form& GetForm() { return form_; }
  void Focus() override;
  // The control to focus when the form becomes active again.
  void RememberFocus(HWND hwnd) { last_focus_ = hwnd; }
  HWND LastFocus() const { return last_focus_; }
  HWND Tooltip();
  void ChildSetHint(HWND child, const std::string& hint, bool had_hint);
  LRESULT DefaultButtonId();
  void ClientSizeChanged(int width, int height);
  // The window that was active when this form was last shown (where a modal run returns to).
  HWND ShownFrom() const { return shown_from_; }
  // Called once, right before the form is next hidden (a modal run enables the other forms).
  void SetBeforeHide(std::function<void()> hook) { before_hide_ = std::move(hook); }
  // The messages only a form handles (size, close, activation, default button, session end).
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);

  static const std::vector<FormPeer*>& All();

 protected:
  void Apply() override;
  void ReadBackState() override;

 private:
  DWORD Style() const;
  bool ApplyFrame();
  void ApplyPlacement(bool frame_changed);
  void ApplyShowing();
  void OwnByMainForm();
  void EndWithoutAsking();
  ui::Form& form_;
  HWND last_focus_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND shown_from_ = nullptr;
  int shown_client_width_ = -1, shown_client_height_ = -1;
  ui::Border shown_border_ = ui::Border::Single;
  bool shown_maximize_box_ = false;
  bool shown_minimize_box_ = true;
  bool shown_once_ = false;
  bool ending_ = false;  // asked to end without asking, and closing
  uint32_t shown_color_ = ui::kDefaultColor;
  ui::Button* shown_default_button_ = nullptr;
  // The frame in screen coordinates as it was last neither minimised nor maximised: where a
  // minimised window stands (the placement's normal position is in workspace coordinates on
  // Windows but in screen coordinates under Wine, so it is not read as a position).
  RECT normal_frame_ = {0, 0, 0, 0};
  std::function<void()> before_hide_;
};

// Focus the first control of a form window that takes the focus (or the remembered one).
void FocusInside(HWND form_window);

}  // namespace platform::win32
