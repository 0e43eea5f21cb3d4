// The notification-area icon's peer: Shell_NotifyIconA on a hidden top-level window of its own,
// which gets the icon's mouse messages and the shell's TaskbarCreated broadcast (a message-only
// window would miss the broadcast, and the icon would not come back after the shell restarts).
#include <windows.h>
#include <shellapi.h>
#undef MessageBox
#undef min
#undef max

#include <cstring>
#include <memory>
#include <string>

#include "platform/cp932.h"
#include "platform/ui/notify_icon.h"
#include "platform/win32/peers_win32.h"

#if __has_include("platform/win32/resource_ids.h")
#include "platform/win32/resource_ids.h"
#endif
// The program's icon resources; without them (a build without the resource script) the
// system's own icons stand in.
#ifndef IDI_LUMADEX
#define IDI_LUMADEX 1
#define IDI_STATE_CHECKING 2
#define IDI_STATE_UNREACHABLE 3
#define IDI_STATE_STOPPED 4
#endif

namespace platform::win32 {
namespace {

const char kIconWindowClass[] = "LumadexNotifyIcon";
constexpr UINT kIconMessage = WM_APP + 1;
constexpr UINT kIconId = 1;

HICON IconFor(ui::IconImage image) {
  int resource = IDI_LUMADEX;
  LPCSTR fallback = IDI_APPLICATION;
  switch (image) {
    case ui::IconImage::Application: break;
    case ui::IconImage::Checking: resource = IDI_STATE_CHECKING; fallback = IDI_INFORMATION; break;
    case ui::IconImage::Unreachable: resource = IDI_STATE_UNREACHABLE; fallback = IDI_WARNING; break;
    case ui::IconImage::Stopped: resource = IDI_STATE_STOPPED; fallback = IDI_APPLICATION; break;
  }
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR | LR_SHARED));
  return icon != nullptr ? icon : LoadIconA(nullptr, fallback);
}

// Copies a text into a fixed field, cut at a whole character.
template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  std::string cut = cp932::CutToCharacters(text, N - 1);
  std::memcpy(field, cut.c_str(), cut.size() + 1);
}

LRESULT CALLBACK IconWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

class NotifyIconPeer : public ui::Peer {
 public:
  explicit NotifyIconPeer(ui::NotifyIcon& icon) : icon_(icon) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXA window_class;
      std::memset(&window_class, 0, sizeof window_class);
      window_class.cbSize = sizeof window_class;
      window_class.lpfnWndProc = IconWindowProc;
      window_class.hInstance = GetModuleHandleA(nullptr);
      window_class.lpszClassName = kIconWindowClass;
      registered = RegisterClassExA(&window_class) != 0;
    }
    taskbar_created_ = RegisterWindowMessageA("TaskbarCreated");
    hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, kIconWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ != nullptr) SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  ~NotifyIconPeer() override {
    Remove();
    if (hwnd_ != nullptr) {
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      DestroyWindow(hwnd_);
    }
  }

  void StateChanged() override {
    if (hwnd_ == nullptr) return;
    if (!icon_.Visible()) {
      Remove();
      return;
    }
    NOTIFYICONDATAA data = Data();
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kIconMessage;
    data.hIcon = IconFor(icon_.Image());
    CopyField(data.szTip, icon_.Text());
    if (!added_) {
      Add(data);
      shown_balloons_ = icon_.Balloons().size();  // balloons from before are old news
    } else if (!Shell_NotifyIconA(NIM_MODIFY, &data)) {
      // The shell lost the icon without telling us (it restarted before its broadcast came).
      added_ = false;
      Add(data);
    }
    if (added_ && icon_.Balloons().size() > shown_balloons_) {
      const ui::Balloon& balloon = icon_.Balloons().back();
      NOTIFYICONDATAA info = Data();
      info.uFlags = NIF_INFO;
      CopyField(info.szInfoTitle, balloon.title);
      CopyField(info.szInfo, balloon.text);
      info.dwInfoFlags = balloon.warning ? NIIF_WARNING : NIIF_INFO;
      Shell_NotifyIconA(NIM_MODIFY, &info);
      shown_balloons_ = icon_.Balloons().size();
    }
  }
  void Focus() override {}
  bool HasFocus() override { return false; }
  void ReadBack() override {}

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == taskbar_created_ && taskbar_created_ != 0) {
      // The shell started anew and knows no icon, or (after a change of the display's scale) it
      // kept them all: either way the icon is put up afresh, in its current state.
      if (icon_.Visible()) {
        NOTIFYICONDATAA data = Data();
        Shell_NotifyIconA(NIM_DELETE, &data);
        added_ = false;
        StateChanged();
      }
      return 0;
    }
    if (message == kIconMessage) {
      switch (LOWORD(lparam)) {
        case WM_LBUTTONDBLCLK:
          icon_.DoubleClick();
          break;
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
          ShowMenu();
          break;
        default:
          break;
      }
      return 0;
    }
    return DefWindowProcA(hwnd_, message, wparam, lparam);
  }

 private:
  NOTIFYICONDATAA Data() const {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = sizeof data;
    data.hWnd = hwnd_;
    data.uID = kIconId;
    return data;
  }

  // Adds the icon; when the shell still holds one of ours (an add refused as a duplicate), it
  // takes the current state instead. "Added" is what the shell answered.
  void Add(NOTIFYICONDATAA& data) {
    added_ = Shell_NotifyIconA(NIM_ADD, &data) != FALSE || Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
    tried_ = true;
  }

  void Remove() {
    // Also when the shell refused the last add: an icon it still shows must not outlive us.
    if (!added_ && !tried_) return;
    NOTIFYICONDATAA data = Data();
    Shell_NotifyIconA(NIM_DELETE, &data);
    added_ = false;
    tried_ = false;
  }

  void ShowMenu() {
    // The menu's own loop would hold up long work for as long as it stays open, and none of its
    // items could run meanwhile.
    if (!icon_.TakesInput()) return;
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    const auto& items = icon_.Menu();
    for (std::size_t i = 0; i < items.size(); ++i) {
      AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(i + 1), items[i].c_str());
    }
    POINT point;
    GetCursorPos(&point);
    // The menu closes when the user clicks elsewhere only while our window is in the
    // foreground; the posted message lets the menu close properly the next time.
    SetForegroundWindow(hwnd_);
    int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x,
                                point.y, 0, hwnd_, nullptr);
    PostMessageA(hwnd_, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen > 0) icon_.ChooseMenuItem(chosen - 1);
  }

  ui::NotifyIcon& icon_;
  HWND hwnd_ = nullptr;
  UINT taskbar_created_ = 0;
  bool added_ = false;
  bool tried_ = false;  // an add was sent since the last delete
  std::size_t shown_balloons_ = 0;
};

LRESULT CALLBACK IconWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* peer = reinterpret_cast<NotifyIconPeer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (peer == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  try {
    return peer->OnMessage(message, wparam, lparam);
  } catch (...) {
    return 0;  // never across a Win32 frame
  }
}

}  // namespace

std::unique_ptr<ui::Peer> MakeNotifyIconPeer(ui::Control& control) {
  return std::make_unique<NotifyIconPeer>(static_cast<ui::NotifyIcon&>(control));
}

}  // namespace platform::win32
