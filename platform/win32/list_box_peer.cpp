// The list box's peer.
#include "platform/win32/window_peer.h"

namespace platform::win32 {
namespace {

class ListBoxPeer : public WindowPeer {
 public:
  explicit ListBoxPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("LISTBOX", LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_VSCROLL, WS_EX_CLIENTEDGE);
    // Typing picks entries; the input method would compose instead.
    if (hwnd_ != nullptr) SetInputMethodOff(hwnd_, true);
  }
  HBRUSH OnControlColor(HDC dc) override {
    if (control_.Color() == ui::kDefaultColor) return nullptr;
    SetTextColor(dc, SystemOr(control_.GetFont().color, COLOR_WINDOWTEXT));
    SetBkColor(dc, control_.Color());
    return BrushFor(control_.Color());
  }

 protected:
  void Apply() override {
    auto& list = static_cast<ui::ListBox&>(control_);
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    MirrorItems(
        shown_items_, list.Items(),
        [this](const std::string& item) {
          SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        },
        [this] { SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0); });
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    if (list.ItemHeight() != shown_item_height_) {
      SendMessageA(hwnd_, LB_SETITEMHEIGHT, 0, MAKELPARAM(list.ItemHeight(), 0));
      shown_item_height_ = list.ItemHeight();
    }
    ApplyCommon(false);
  }

 private:
  std::vector<std::string> shown_items_;
  int shown_item_height_ = -1;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeListBoxPeer(ui::Control& control) {
  return std::make_unique<ListBoxPeer>(control);
}

}  // namespace platform::win32
