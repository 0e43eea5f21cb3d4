// The panel's peer: a container of our own class with its own background, a raised edge and a
// centred caption.
#include "platform/win32/window_peer.h"

#include "platform/win32/container_proc.h"
#include "platform/win32/peers_win32.h"

namespace platform::win32 {
namespace {

class PanelPeer : public WindowPeer {
 public:
  explicit PanelPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild(kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
  }
};

void PaintPanel(WindowPeer& peer, HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT rect;
  GetClientRect(hwnd, &rect);
  ui::Control& control = peer.GetControl();
  DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
  std::string text = control.Text();
  if (!text.empty()) {
    HGDIOBJ old = SelectObject(dc, FontFor(control.GetFont()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SystemOr(control.GetFont().color, COLOR_BTNTEXT));
    DrawTextA(dc, text.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
  }
  EndPaint(hwnd, &paint);
}

LRESULT PanelMessages(WindowPeer& panel, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PaintPanel(panel, hwnd);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

std::unique_ptr<WindowPeer> MakePanelPeer(ui::Control& control) {
  return std::make_unique<PanelPeer>(control);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunContainerProc(hwnd, message, wparam, lparam, &PanelMessages);
}

}  // namespace platform::win32
