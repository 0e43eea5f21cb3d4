// The chart's peer: an owner-drawn static that paints the chart's marks with GDI. What to draw
// comes from the chart itself (ui::Chart::Marks), so this file only knows how to paint a mark.
#include "platform/win32/window_peer.h"

#include "platform/ui/chart.h"

namespace platform::win32 {
namespace {

class ChartPeer : public WindowPeer {
 public:
  explicit ChartPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("STATIC", SS_OWNERDRAW, WS_EX_CLIENTEDGE);
  }

  void OnDrawItem(DRAWITEMSTRUCT* item) override {
    auto& chart = static_cast<ui::Chart&>(control_);
    RECT client = item->rcItem;
    HDC dc = item->hDC;
    FillRect(dc, &client, BrushFor(EffectiveColor()));
    HGDIOBJ old_font = SelectObject(dc, FontFor(chart.GetFont()));
    SetBkMode(dc, TRANSPARENT);
    for (const ui::ChartMark& mark : chart.Marks(client.right - client.left, client.bottom - client.top)) {
      RECT box = {client.left + mark.left, client.top + mark.top, client.left + mark.right, client.top + mark.bottom};
      if (mark.kind == ui::ChartMark::Kind::Text) {
        SetTextColor(dc, mark.color);
        DrawTextA(dc, mark.text.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
      } else {
        FillRect(dc, &box, BrushFor(mark.color));
      }
    }
    SelectObject(dc, old_font);
  }

 protected:
  void Apply() override {
    ApplyCommon(false);
    // The bars or the size changed: the whole picture anew.
    if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
  }
};

}  // namespace

std::unique_ptr<WindowPeer> MakeChartPeer(ui::Control& control) {
  return std::make_unique<ChartPeer>(control);
}

}  // namespace platform::win32
