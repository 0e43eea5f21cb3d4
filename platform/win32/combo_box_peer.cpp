// The drop-down list's peer.
#include "platform/win32/window_peer.h"

namespace platform::win32 {
namespace {

class ComboBoxPeer : public WindowPeer {
 public:
  explicit ComboBoxPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0);
    // Typing picks entries; the input method would compose instead.
    if (hwnd_ != nullptr) SetInputMethodOff(hwnd_, true);
  }
  void OnCommand(int code) override {
    if (code != CBN_SELCHANGE) return;
    auto& combo = static_cast<ui::ComboBox&>(control_);
    int index = static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
    shown_index_ = index;
    combo.Choose(index < 0 ? -1 : index);
  }
  HBRUSH OnControlColor(HDC) override { return nullptr; }

 protected:
  void Apply() override {
    auto& combo = static_cast<ui::ComboBox&>(control_);
    MirrorItems(
        shown_items_, combo.Items(),
        [this](const std::string& item) {
          SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        },
        [this] { SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0); });
    int index = combo.ItemIndex();
    if (index != static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0))) {
      SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    shown_index_ = index;
    // The window's height includes the dropped-down list.
    int left = control_.Left(), top = control_.Top(), width = control_.Width(),
        height = control_.Height();
    if (left != shown_left_ || top != shown_top_ || width != shown_width_ || height != shown_height_) {
      SetWindowPos(hwnd_, nullptr, left, top, std::max(width, 0), std::max(height, 0) + 240,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      shown_left_ = left;
      shown_top_ = top;
      shown_width_ = width;
      shown_height_ = height;
    }
    ApplyCommon(false);
  }
  void ReadBackState() override {
    auto& combo = static_cast<ui::ComboBox&>(control_);
    int index = static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
    combo.PeerSetItemIndex(index < 0 ? -1 : index);
  }

 private:
  std::vector<std::string> shown_items_;
  int shown_index_ = -1;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeComboBoxPeer(ui::Control& control) {
  return std::make_unique<ComboBoxPeer>(control);
}

}  // namespace platform::win32
