// The one-line edit's peer: the byte limit holds for whatever reaches the box (one rule with the
// headless edit, see text_limit.h); the input method can be switched off; double-clicks reach
// the edit.
#include "platform/win32/window_peer.h"

#include <map>
#include <optional>
#include <vector>

#include "platform/ui/text_limit.h"

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
    // A Unicode box: its caret and its own limit count UTF-16 units on every system (an ANSI box
    // counts bytes on Windows but UTF-16 units under Wine), so one conversion to bytes holds.
    CreateChild("EDIT", ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, true);
    if (hwnd_ != nullptr) {
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
    // The byte limit holds for whatever reached the box: typing, pasting, an input method,
    // WM_SETTEXT from another program. The change is judged once the message that made it is
    // done with, so the box is never changed under its own feet.
    if (code != EN_CHANGE || setting_text_ || composing_) return;
    changed_ = true;
    if (depth_ == 0) KeepWithinLimit();
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
      // The box's own limit counts UTF-16 units, never fewer than the bytes: KeepWithinLimit
      // holds the byte limit.
      SendMessageW(hwnd_, EM_LIMITTEXT, edit.MaxLength() > 0 ? edit.MaxLength() : 0, 0);
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
    accepted_text_ = text;
    shown_text_ = text;
    ApplyCommon(false);
  }

  void ReadBackState() override { control_.PeerSetText(WindowText(hwnd_)); }

 private:
  std::size_t Limit() const {
    int limit = static_cast<ui::Edit&>(control_).MaxLength();
    return limit > 0 ? static_cast<std::size_t>(limit) : 0;
  }

  // The box's text as UTF-16 units, for converting its positions.
  std::vector<WCHAR> WideText() {
    int length = GetWindowTextLengthW(hwnd_);
    std::vector<WCHAR> wide(static_cast<std::size_t>(std::max(length, 0)) + 1, 0);
    int got = GetWindowTextW(hwnd_, wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(std::max(got, 0)));
    return wide;
  }

  // The caret (the end of the selection) as a byte position of the Shift-JIS text.
  std::size_t CaretBytes() {
    DWORD start = 0, end = 0;
    SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::vector<WCHAR> wide = WideText();
    int units = static_cast<int>(std::min<std::size_t>(end, wide.size()));
    if (units == 0) return 0;
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    return bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
  }

  void SelectBytes(const std::string& text, std::size_t start, std::size_t end) {
    auto units = [&text](std::size_t bytes) {
      bytes = std::min(bytes, text.size());
      return bytes == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(bytes), nullptr, 0);
    };
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(units(start)), static_cast<LPARAM>(units(end)));
  }

  // After a change: a text within the limit is taken as it is; otherwise the change is found
  // (from the text before it and the caret after it) and applied again under the byte limit,
  // which refuses a typed character that does not fit and cuts a longer insertion.
  void KeepWithinLimit() {
    changed_ = false;
    bool replacing_all = replacing_all_;
    replacing_all_ = false;
    std::string after = WindowText(hwnd_);
    std::size_t limit = Limit();
    if (limit == 0 || after.size() <= limit) {
      accepted_text_ = after;
      return;
    }
    std::optional<ui::TextChange> change;
    if (!replacing_all) change = ui::DeduceChange(accepted_text_, after, CaretBytes());
    // A text set from outside, or a change not explained by one insertion: a whole new text.
    if (!change) change = ui::TextChange{0, accepted_text_.size(), after};
    ui::LimitedText kept = ui::ApplyWithinLimit(accepted_text_, *change, limit);
    setting_text_ = true;
    SetWindowTextA(hwnd_, kept.text.c_str());
    setting_text_ = false;
    SelectBytes(kept.text, kept.selection_start, kept.selection_end);
    accepted_text_ = kept.text;
  }

  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* peer = static_cast<EditPeer*>(WindowPeer::Of(hwnd));
    if (peer == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_SETTEXT && !peer->setting_text_) peer->replacing_all_ = true;
    // An input method's text in the making is shown as it is; its result is judged at the end.
    if (message == WM_IME_STARTCOMPOSITION) peer->composing_ = true;
    ++peer->depth_;
    LRESULT result = CallWindowProcW(peer->original_proc_, hwnd, message, wparam, lparam);
    --peer->depth_;
    try {
      if (message == WM_IME_ENDCOMPOSITION && peer->composing_) {
        peer->composing_ = false;
        peer->changed_ = true;
      }
      if (peer->depth_ == 0 && peer->changed_) peer->KeepWithinLimit();
      if (peer->depth_ == 0) peer->replacing_all_ = false;
      if (message == WM_LBUTTONDBLCLK) static_cast<ui::Edit&>(peer->control_).DoubleClick();
    } catch (...) {
    }
    return result;
  }

  WNDPROC original_proc_ = nullptr;
  int shown_limit_ = 0;
  bool shown_ime_off_ = false;
  bool setting_text_ = false;
  // The last text that kept the limit, and what the change after it needs.
  std::string accepted_text_;
  int depth_ = 0;
  bool changed_ = false;
  bool replacing_all_ = false;
  bool composing_ = false;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeEditPeer(ui::Control& control) {
  return std::make_unique<EditPeer>(control);
}

}  // namespace platform::win32
