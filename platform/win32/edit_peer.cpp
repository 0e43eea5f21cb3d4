// The one-line edit's peer: the byte limit holds for whatever reaches the box; the input method
// can be switched off; double-clicks reach the edit.
#include "platform/win32/window_peer.h"

#include <map>

#include "platform/cp932.h"

namespace platform::win32 {
namespace {

// The input method: imm32 is loaded when first needed, so the program does not depend on it.
void SetInputMethodOff(HWND hwnd, bool off) {
  using AssociateContext = HANDLE(WINAPI*)(HWND, HANDLE);
  static AssociateContext associate = [] {
    HMODULE imm = LoadLibraryA("imm32.dll");
    return imm ? reinterpret_cast<AssociateContext>(
                     reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")))
               : nullptr;
  }();
  static std::map<HWND, HANDLE> saved;
  if (associate == nullptr) return;
  if (off) {
    if (saved.count(hwnd) == 0) saved[hwnd] = associate(hwnd, nullptr);
  } else {
    auto found = saved.find(hwnd);
    if (found != saved.end()) {
      associate(hwnd, found->second);
      saved.erase(found);
    }
  }
}

class EditPeer : public WindowPeer {
 public:
  explicit EditPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("EDIT", ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE);
    if (hwnd_ != nullptr) {
      // Subclassed as the Unicode window the control is: an ANSI procedure in between would
      // pass typed double-byte characters on byte by byte and break them.
      original_proc_ = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditProc)));
    }
  }
  ~EditPeer() override {
    if (hwnd_ != nullptr) {
      SetInputMethodOff(hwnd_, false);
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
    }
  }

  void OnCommand(int code) override {
    // The byte limit holds for whatever reached the box: typing, pasting, WM_SETTEXT.
    if (code != EN_CHANGE || setting_text_) return;
    int limit = static_cast<ui::Edit&>(control_).MaxLength();
    if (limit <= 0) return;
    std::string text = WindowText(hwnd_);
    if (text.size() <= static_cast<std::size_t>(limit)) return;
    DWORD start = 0, end = 0;
    SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::string cut = cp932::CutBytes(text, static_cast<std::size_t>(limit));
    setting_text_ = true;
    SetWindowTextA(hwnd_, cut.c_str());
    setting_text_ = false;
    DWORD caret = std::min<DWORD>(end, static_cast<DWORD>(cut.size()));
    SendMessageA(hwnd_, EM_SETSEL, caret, caret);
  }

  HBRUSH OnControlColor(HDC dc) override {
    if (control_.Color() == ui::kDefaultColor && control_.GetFont().color == ui::kDefaultColor) {
      return nullptr;
    }
    uint32_t background = SystemOr(control_.Color(), COLOR_WINDOW);
    SetTextColor(dc, SystemOr(control_.GetFont().color, COLOR_WINDOWTEXT));
    SetBkColor(dc, background);
    return BrushFor(background);
  }

 protected:
  void Apply() override {
    auto& edit = static_cast<ui::Edit&>(control_);
    if (edit.MaxLength() != shown_limit_) {
      // The box's own limit may count characters; OnCommand keeps the byte limit exact.
      SendMessageA(hwnd_, EM_LIMITTEXT, edit.MaxLength() > 0 ? edit.MaxLength() : 0, 0);
      shown_limit_ = edit.MaxLength();
    }
    if (edit.ImeOff() != shown_ime_off_) {
      SetInputMethodOff(hwnd_, edit.ImeOff());
      shown_ime_off_ = edit.ImeOff();
    }
    // The text: compare with what the box holds now, since the user may have typed.
    std::string text = edit.Text();
    if (first_apply_ || text != WindowText(hwnd_)) {
      setting_text_ = true;
      SetWindowTextA(hwnd_, text.c_str());
      setting_text_ = false;
    }
    shown_text_ = text;
    ApplyCommon(false);
  }

  void ReadBackState() override { control_.PeerSetText(WindowText(hwnd_)); }

 private:
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* peer = static_cast<EditPeer*>(WindowPeer::Of(hwnd));
    if (peer == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    LRESULT result = CallWindowProcW(peer->original_proc_, hwnd, message, wparam, lparam);
    if (message == WM_LBUTTONDBLCLK) {
      try {
        static_cast<ui::Edit&>(peer->control_).DoubleClick();
      } catch (...) {
      }
    }
    return result;
  }

  WNDPROC original_proc_ = nullptr;
  int shown_limit_ = 0;
  bool shown_ime_off_ = false;
  bool setting_text_ = false;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeEditPeer(ui::Control& control) {
  return std::make_unique<EditPeer>(control);
}

}  // namespace platform::win32
