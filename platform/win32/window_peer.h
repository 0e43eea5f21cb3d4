// The common part of every Win32 peer: one small class per control kind around an HWND, each in
// a file of its own (label_peer.cpp, button_peer.cpp, ...). Internal to platform/win32.
#pragma once

#include <windows.h>
#undef MessageBox  // the toolkit's Backend::MessageBox keeps its name
#undef min        // std::min and std::max are meant
#undef max

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls.h"

namespace platform::win32 {

class FormPeer;

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
  // Creates the window as a child of the parent's window (forms override). A Unicode window
  // counts its text in UTF-16 units on every system (see the edit's peer).
  void CreateChild(const char* window_class, DWORD style, DWORD ex_style, bool unicode = false);
  void Attach(HWND hwnd);
  virtual void Apply();          // mirror the state (common part + the kind's own)
  virtual void ReadBackState() {}
  void ApplyCommon(bool text_too);
  // The background colour this control shows: its own or the nearest parent's.
  uint32_t EffectiveColor();
  FormPeer* OwnerFormPeer();

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

// Fonts and brushes live for the whole run (a handful of them).
HFONT FontFor(const ui::Font& font);
HBRUSH BrushFor(uint32_t color);
COLORREF SystemOr(uint32_t color, int system_color);

// Detaches the input method from a window (off) or gives it back its own (on again). Keys then
// reach the window as they are: with the Japanese input method on, "1" on a button would
// otherwise compose "１". The peer's end gives a detached window its input method back.
void SetInputMethodOff(HWND hwnd, bool off);

// Draws a common control the classic way under visual styles, for the colours it is given that
// its theme would ignore (the status bar's background). uxtheme is loaded when first needed.
void SwitchThemeOff(HWND hwnd);

// A window's text as Shift-JIS bytes.
std::string WindowText(HWND hwnd);

// Mirrors an item list with as few window calls as possible (appending is the common case).
template <typename AddItem, typename ResetItems>
void MirrorItems(std::vector<std::string>& shown, const std::vector<std::string>& items,
                 AddItem add, ResetItems reset) {
  bool prefix = shown.size() <= items.size() && std::equal(shown.begin(), shown.end(), items.begin());
  if (!prefix) {
    reset();
    shown.clear();
  }
  for (std::size_t i = shown.size(); i < items.size(); ++i) add(items[i]);
  shown = items;
}

// The peer of each control kind, from the kind's own file; the window is created at once.
std::unique_ptr<WindowPeer> MakeLabelPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeButtonPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeEditPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeListBoxPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeComboBoxPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeStringGridPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakePanelPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeBevelPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeStatusBarPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeProgressBarPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeChartPeer(ui::Control& control);
std::unique_ptr<WindowPeer> MakeCheckBoxPeer(ui::Control& control);

}  // namespace platform::win32
