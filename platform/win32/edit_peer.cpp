// The one-line edit's peer: the byte limit, and Shift-JIS, hold for whatever reaches the box (one
// rule with the headless edit, see text_limit.h); the input method can be switched off; double-clicks reach
// the edit.
#include "platform/win32/window_peer.h"

#include <map>
#include <optional>
#include <vector>

#include "platform/ui/text_limit.h"

namespace platform::win32 {
namespace {

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
    if (edit.Password() != shown_password_) {
      // A password character other than none gives the box the password style: every character
      // shows as "●", and the text can be neither copied nor read by another program.
      SendMessageW(hwnd_, EM_SETPASSWORDCHAR, edit.Password() ? 0x25CF : 0, 0);
      InvalidateRect(hwnd_, nullptr, TRUE);
      shown_password_ = edit.Password();
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

  // The box's text as Shift-JIS bytes, converted one character at a time so that a character
  // code page 932 cannot hold is found (it becomes one "?" here), with the byte position of
  // every UTF-16 unit for converting the caret.
  struct BoxText {
    std::string bytes;
    std::size_t first_unheld = std::string::npos;
    std::vector<std::size_t> byte_at_unit;  // one more entry than units: the end
  };

  BoxText ReadBox() {
    BoxText box;
    std::vector<WCHAR> wide = WideText();
    for (std::size_t unit = 0; unit < wide.size();) {
      bool pair = IS_HIGH_SURROGATE(wide[unit]) && unit + 1 < wide.size() && IS_LOW_SURROGATE(wide[unit + 1]);
      int units = pair ? 2 : 1;
      char bytes[8];
      BOOL used_default = FALSE;
      int got = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide[unit], units, bytes, sizeof bytes,
                                    nullptr, &used_default);
      for (int i = 0; i < units; ++i) box.byte_at_unit.push_back(box.bytes.size());
      if (got <= 0 || used_default) {
        if (box.first_unheld == std::string::npos) box.first_unheld = box.bytes.size();
        box.bytes.push_back('?');
      } else {
        box.bytes.append(bytes, static_cast<std::size_t>(got));
      }
      unit += static_cast<std::size_t>(units);
    }
    box.byte_at_unit.push_back(box.bytes.size());
    return box;
  }

  // The caret (the end of the selection) as a byte position of the box's text.
  std::size_t CaretBytes(const BoxText& box) {
    DWORD start = 0, end = 0;
    SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return box.byte_at_unit[std::min<std::size_t>(end, box.byte_at_unit.size() - 1)];
  }

  void SelectBytes(const std::string& text, std::size_t start, std::size_t end) {
    auto units = [&text](std::size_t bytes) {
      bytes = std::min(bytes, text.size());
      return bytes == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(bytes), nullptr, 0);
    };
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(units(start)), static_cast<LPARAM>(units(end)));
  }

  // After a change: a text within the limit that Shift-JIS holds whole is taken as it is;
  // otherwise the change is found (from the text before it and the caret after it) and applied
  // again under the byte limit, which refuses a typed character that does not fit or cannot be
  // held and cuts a longer insertion before either, with a beep.
  void KeepWithinLimit() {
    changed_ = false;
    bool replacing_all = replacing_all_;
    replacing_all_ = false;
    BoxText after = ReadBox();
    std::size_t limit = Limit();
    if ((limit == 0 || after.bytes.size() <= limit) && after.first_unheld == std::string::npos) {
      accepted_text_ = after.bytes;
      return;
    }
    std::optional<ui::TextChange> change;
    if (!replacing_all) change = ui::DeduceChange(accepted_text_, after.bytes, CaretBytes(after));
    // A character not held outside what the change inserted: the change is not what it seemed.
    if (change && after.first_unheld != std::string::npos &&
        (after.first_unheld < change->start || after.first_unheld >= change->start + change->inserted.size())) {
      change.reset();
    }
    // A text set from outside, or a change not explained by one insertion: a whole new text.
    if (!change) change = ui::TextChange{0, accepted_text_.size(), after.bytes};
    if (after.first_unheld != std::string::npos) change->held = after.first_unheld - change->start;
    ui::LimitedText kept = ui::ApplyWithinLimit(accepted_text_, *change, limit);
    setting_text_ = true;
    SetWindowTextA(hwnd_, kept.text.c_str());
    setting_text_ = false;
    SelectBytes(kept.text, kept.selection_start, kept.selection_end);
    accepted_text_ = kept.text;
    if (after.first_unheld != std::string::npos && kept.cut) MessageBeep(MB_OK);
  }

  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* peer = static_cast<EditPeer*>(WindowPeer::Of(hwnd));
    if (peer == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_SETTEXT && !peer->setting_text_) peer->replacing_all_ = true;
    // A typed character beyond the basic plane comes as two WM_CHARs, the halves of a surrogate
    // pair. Code page 932 holds none of them: the pair is refused as one character, with one
    // beep, before either half reaches the box.
    if (message == WM_CHAR) {
      const auto unit = static_cast<WCHAR>(wparam);
      const bool second_half = IS_LOW_SURROGATE(unit) && peer->high_surrogate_refused_;
      peer->high_surrogate_refused_ = IS_HIGH_SURROGATE(unit);
      if (IS_HIGH_SURROGATE(unit) || IS_LOW_SURROGATE(unit)) {
        if (!second_half) MessageBeep(MB_OK);
        return 0;
      }
    }
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
  bool shown_password_ = false;
  bool setting_text_ = false;
  // The last text that kept the limit, and what the change after it needs.
  std::string accepted_text_;
  int depth_ = 0;
  bool changed_ = false;
  bool replacing_all_ = false;
  bool composing_ = false;
  bool high_surrogate_refused_ = false;  // the next low surrogate is its other half
};

}  // namespace

std::unique_ptr<WindowPeer> MakeEditPeer(ui::Control& control) {
  return std::make_unique<EditPeer>(control);
}

}  // namespace platform::win32
