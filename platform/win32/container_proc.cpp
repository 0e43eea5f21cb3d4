// The routing forms and panels share: a child's notification reaches the child's own peer.
#include "platform/win32/container_proc.h"

#include <commctrl.h>

#include <exception>

namespace platform::win32 {
namespace {

// WM_COMMAND from a child, or IDOK/IDCANCEL from the dialog manager (Enter and Esc).
LRESULT RouteCommand(WindowPeer& container, WPARAM wparam, LPARAM lparam) {
  HWND child = reinterpret_cast<HWND>(lparam);
  if (WindowPeer* child_peer = WindowPeer::Of(child)) {
    child_peer->OnCommand(HIWORD(wparam));
    return 0;
  }
  ui::Form* form = container.GetControl().OwnerForm();
  if (form != nullptr && child == nullptr) {
    if (LOWORD(wparam) == IDOK) form->PressEnter();
    if (LOWORD(wparam) == IDCANCEL) form->PressEscape();
  }
  return 0;
}

// The container's colour, else the nearest parent's, else the system's face colour.
void EraseBackground(WindowPeer& container, HWND hwnd, HDC dc) {
  RECT rect;
  GetClientRect(hwnd, &rect);
  uint32_t color = container.GetControl().Color();
  for (ui::Control* c = container.GetControl().Parent(); c != nullptr && color == ui::kDefaultColor;
       c = c->Parent()) {
    color = c->Color();
  }
  FillRect(dc, &rect, BrushFor(SystemOr(color, COLOR_BTNFACE)));
}

// True when the message is one forms and panels handle alike; result is then its answer.
bool HandleSharedMessage(WindowPeer& container, HWND hwnd, UINT message, WPARAM wparam,
                         LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      result = RouteCommand(container, wparam, lparam);
      return true;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      // A list view's header reports for the list view.
      WindowPeer* child_peer = WindowPeer::Of(header->hwndFrom);
      if (child_peer == nullptr) child_peer = WindowPeer::Of(GetParent(header->hwndFrom));
      result = 0;
      return child_peer != nullptr && child_peer->OnNotify(header, result);
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      WindowPeer* child_peer = WindowPeer::Of(item->hwndItem);
      if (child_peer == nullptr) return false;
      child_peer->OnDrawItem(item);
      result = TRUE;
      return true;
    }
    case WM_NOTIFYFORMAT:
      result = NFR_ANSI;
      return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
      WindowPeer* child_peer = WindowPeer::Of(reinterpret_cast<HWND>(lparam));
      HBRUSH brush = child_peer ? child_peer->OnControlColor(reinterpret_cast<HDC>(wparam)) : nullptr;
      if (brush == nullptr) return false;
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    case WM_ERASEBKGND:
      EraseBackground(container, hwnd, reinterpret_cast<HDC>(wparam));
      result = 1;
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT RunContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, ContainerMessages own) {
  try {
    // Messages of the window's creation come before the peer is attached.
    WindowPeer* peer = WindowPeer::Of(hwnd);
    if (peer == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
    LRESULT result = 0;
    if (HandleSharedMessage(*peer, hwnd, message, wparam, lparam, result)) return result;
    return own(*peer, hwnd, message, wparam, lparam);
  } catch (const std::exception& error) {
    try {
      ui::ShowErrorBox(ui::ErrorBoxText(error));
    } catch (...) {
    }
  } catch (...) {
  }
  return 0;
}

}  // namespace platform::win32
