// The Win32 peers of the toolkit's controls: one small class per control kind around an HWND.
// Internal to platform/win32.
#pragma once

#include <windows.h>
#undef MessageBox  // the toolkit's Backend::MessageBox keeps its name

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/toolkit.h"

namespace platform::win32 {

// Common part of every peer: the window, the state last mirrored to it, the shared calls.
class WindowPeer : public ui::Peer {
 public:
  explicit WindowPeer(ui::Control& control) : control_(control) {}
  ~WindowPeer() override;

  HWND Handle() const { return hwnd_; }
  ui::Control& GetControl() { return control_; }

  // Mirrors the control's state; reads raw state only (ReadBack is idle meanwhile).
  void StateChanged() final;
  void Focus() override;
  bool HasFocus() override;
  void ReadBack() final;

  // Notifications from the window (sent to its parent, routed here by the parent).
  virtual void OnCommand(int /*code*/) {}
  virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  // WM_CTLCOLOR*: null lets the system paint.
  virtual HBRUSH OnControlColor(HDC dc);
  // WM_DRAWITEM for owner-drawn controls.
  virtual void OnDrawItem(DRAWITEMSTRUCT* /*item*/) {}

  // The peer of a window of ours, or null.
  static WindowPeer* Of(HWND hwnd);

 protected:
  // Creates the window as a child of the parent's window (forms override).
  void CreateChild(const char* window_class, DWORD style, DWORD ex_style);
  void Attach(HWND hwnd);
  virtual void Apply();          // mirror the state (common part + the kind's own)
  virtual void ReadBackState() {}
  void ApplyCommon(bool text_too);
  // The background colour this control shows: its own or the nearest parent's.
  uint32_t EffectiveColor();
  class FormPeer* OwnerFormPeer();

  ui::Control& control_;
  HWND hwnd_ = nullptr;
  bool applying_ = false;
  bool first_apply_ = true;
  // The state as last mirrored to the window.
  std::string shown_text_;
  int shown_left_ = 0, shown_top_ = 0, shown_width_ = -1, shown_height_ = -1;
  bool shown_visible_ = false, shown_enabled_ = true;
  std::string shown_hint_;
  int shown_tab_order_ = -2;
  std::string shown_font_face_;
  int shown_font_height_ = 0;
};

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

  static const std::vector<FormPeer*>& All();

 protected:
  void Apply() override;
  void ReadBackState() override;

 private:
  DWORD Style() const;
  void OwnByMainForm();
  ui::Form& form_;
  HWND last_focus_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND shown_from_ = nullptr;
  int shown_client_width_ = -1, shown_client_height_ = -1;
  ui::Border shown_border_ = ui::Border::Single;
  bool shown_maximize_box_ = false;
  bool shown_once_ = false;
  uint32_t shown_color_ = ui::kDefaultColor;
  ui::Button* shown_default_button_ = nullptr;
};

// The peer for a control of any kind (its window is created at once).
std::unique_ptr<ui::Peer> CreatePeerFor(ui::Control& control);

// Focus the first control of a form window that takes the focus (or the remembered one).
void FocusInside(HWND form_window);

// Window procedure of forms and panels; defined in peers_win32.cpp.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

extern const char kFormClass[];
extern const char kPanelClass[];

// Fonts and brushes live for the whole run (a handful of them).
HFONT FontFor(const ui::Font& font);
HBRUSH BrushFor(uint32_t color);
COLORREF SystemOr(uint32_t color, int system_color);

}  // namespace platform::win32
