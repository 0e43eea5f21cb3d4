// The label's peer: an owner-drawn static sized to its caption. Labels have no access keys: an
// "&" in what they show (a folder "R&D") is drawn as it is.
#include "platform/win32/window_peer.h"

namespace platform::win32 {
namespace {

class LabelPeer : public WindowPeer {
 public:
  // Drawn by us: the system's static control clips glyphs that reach below the font's descent
  // (the underscore of the substitute Japanese font). SS_NOPREFIX tells accessibility and
  // automation tools that an "&" in the text is a character, not an access key.
  explicit LabelPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("STATIC", SS_OWNERDRAW | SS_NOPREFIX, 0);
  }

  void OnDrawItem(DRAWITEMSTRUCT* item) override {
    auto& label = static_cast<ui::Label&>(control_);
    RECT rect = item->rcItem;
    FillRect(item->hDC, &rect, BrushFor(EffectiveColor()));
    std::string text = label.Text();
    HGDIOBJ old = SelectObject(item->hDC, FontFor(label.GetFont()));
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC, (item->itemState & ODS_DISABLED)
                                ? GetSysColor(COLOR_GRAYTEXT)
                                : SystemOr(label.GetFont().color, COLOR_WINDOWTEXT));
    UINT format = label.GetAlignment() == ui::Alignment::Center
                      ? DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX
                      : DT_LEFT | DT_TOP | DT_NOCLIP | DT_NOPREFIX;
    DrawTextA(item->hDC, text.c_str(), -1, &rect, format);
    SelectObject(item->hDC, old);
  }

 protected:
  void Apply() override {
    auto& label = static_cast<ui::Label&>(control_);
    if (label.AutoSize()) FitToText(label);
    ApplyCommon(true);
  }

 private:
  void FitToText(ui::Label& label) {
    std::string text = label.Text();
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, FontFor(label.GetFont()));
    RECT rect = {0, 0, 0, 0};
    DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &rect, DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    label.PeerSetBounds(label.Left(), label.Top(), rect.right, rect.bottom);
  }
};

}  // namespace

std::unique_ptr<WindowPeer> MakeLabelPeer(ui::Control& control) {
  return std::make_unique<LabelPeer>(control);
}

}  // namespace platform::win32
