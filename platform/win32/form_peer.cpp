// The form's peer: frame, caption, client size, showing and owning, focus and tooltips, and the
// messages only a form gets.
#include "platform/win32/form_peer.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "platform/screen_placement.h"
#include "platform/ui/long_call.h"
#include "platform/win32/container_proc.h"
#include "platform/win32/peers_win32.h"

namespace platform::win32 {
namespace {

std::vector<FormPeer*>& FormList() {
  static std::vector<FormPeer*> forms;
  return forms;
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info;
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(monitor, &info)) {
    const RECT& work = info.rcWork;
    reinterpret_cast<std::vector<ScreenRect>*>(data)->push_back({work.left, work.top, work.right, work.bottom});
  }
  return TRUE;
}

// The work area of every monitor connected now.
std::vector<ScreenRect> WorkAreas() {
  std::vector<ScreenRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, &AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

}  // namespace

FormPeer::FormPeer(ui::Form& form) : WindowPeer(form), form_(form) {
  HWND hwnd = CreateWindowExA(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, kFormClass, "", Style(),
                              0, 0, 100, 100, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  Attach(hwnd);
  if (hwnd_ != nullptr) GetWindowRect(hwnd_, &normal_frame_);
  shown_visible_ = false;
  FormList().push_back(this);
}

FormPeer::~FormPeer() {
  auto& forms = FormList();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  // Windows destroys owned windows with their owner: the other forms keep theirs until their own
  // peers go.
  for (FormPeer* other : forms) {
    if (other->hwnd_ != nullptr && GetWindow(other->hwnd_, GW_OWNER) == hwnd_) {
      SetWindowLongPtrA(other->hwnd_, GWLP_HWNDPARENT, 0);
    }
  }
  if (tooltip_ != nullptr) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  // A window of passing work (the progress window) that goes while active hands the activation
  // back to the window it was shown from, not to whichever window Windows would pick.
  if (hwnd_ != nullptr && GetActiveWindow() == hwnd_ && shown_from_ != nullptr && IsWindow(shown_from_) &&
      IsWindowVisible(shown_from_) && IsWindowEnabled(shown_from_)) {
    SetForegroundWindow(shown_from_);
    SetActiveWindow(shown_from_);
  }
}

const std::vector<FormPeer*>& FormPeer::All() { return FormList(); }

DWORD FormPeer::Style() const {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  if (form_.MinimizeBox()) style |= WS_MINIMIZEBOX;
  if (form_.GetBorder() == ui::Border::Sizeable) style |= WS_THICKFRAME;
  if (form_.MaximizeBox()) style |= WS_MAXIMIZEBOX;
  return style;
}

void FormPeer::Focus() {
  // Focusing a form activates it.
  if (IsWindowVisible(hwnd_)) SetForegroundWindow(hwnd_);
}

HWND FormPeer::Tooltip() {
  if (tooltip_ == nullptr) {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (tooltip_ != nullptr) {
      SendMessageA(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(ui::Font())), FALSE);
    }
  }
  return tooltip_;
}

void FormPeer::ChildSetHint(HWND child, const std::string& hint, bool had_hint) {
  HWND tip = Tooltip();
  if (tip == nullptr) return;
  TTTOOLINFOA info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(child);
  info.uId = reinterpret_cast<UINT_PTR>(child);
  std::string text = hint;
  info.lpszText = &text[0];
  if (had_hint) SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  if (!hint.empty()) SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT FormPeer::DefaultButtonId() {
  // Enter presses the focused push button, else the form's default button.
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus)) {
    WindowPeer* peer = WindowPeer::Of(focus);
    if (peer != nullptr && peer->GetControl().Kind() == ui::ControlKind::Button) {
      return MAKELONG(GetDlgCtrlID(focus), DC_HASDEFID);
    }
  }
  if (ui::Button* button = form_.DefaultButton()) {
    if (auto* peer = dynamic_cast<WindowPeer*>(button->GetPeer())) {
      return MAKELONG(GetDlgCtrlID(peer->Handle()), DC_HASDEFID);
    }
  }
  return 0;
}

void FormPeer::ClientSizeChanged(int width, int height) {
  if (applying_) return;
  if (width == shown_client_width_ && height == shown_client_height_) return;
  shown_client_width_ = width;
  shown_client_height_ = height;
  form_.PeerSetClientSize(width, height);
}

void FormPeer::Apply() {
  bool frame_changed = ApplyFrame();
  ApplyPlacement(frame_changed);
  ApplyShowing();
}

// Font, caption and frame style; true when the frame changed (its client area may have too).
bool FormPeer::ApplyFrame() {
  const ui::Font& font = form_.GetFont();
  if (font.face != shown_font_face_ || font.height != shown_font_height_) {
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), TRUE);
    shown_font_face_ = font.face;
    shown_font_height_ = font.height;
  }
  std::string text = form_.Text();
  if (first_apply_ || text != shown_text_) {
    SetWindowTextA(hwnd_, text.c_str());
    shown_text_ = text;
  }
  bool frame_changed = false;
  if (form_.GetBorder() != shown_border_ || form_.MaximizeBox() != shown_maximize_box_ ||
      form_.MinimizeBox() != shown_minimize_box_) {
    SetWindowLongPtrA(hwnd_, GWL_STYLE,
                      (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) | LONG_PTR(Style()));
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    shown_border_ = form_.GetBorder();
    shown_maximize_box_ = form_.MaximizeBox();
    shown_minimize_box_ = form_.MinimizeBox();
    frame_changed = true;
  }
  return frame_changed;
}

// Position and size: a set client size decides the frame; the children follow the client area.
void FormPeer::ApplyPlacement(bool frame_changed) {
  int left = form_.Left(), top = form_.Top(), width = form_.Width(), height = form_.Height();
  int client_width = form_.ClientWidth(), client_height = form_.ClientHeight();
  if (client_width > 0 && client_height > 0 &&
      (frame_changed || client_width != shown_client_width_ || client_height != shown_client_height_)) {
    // The client size was set: the frame follows from it.
    RECT rect = {0, 0, client_width, client_height};
    AdjustWindowRectEx(&rect, Style(), FALSE, GetWindowLongA(hwnd_, GWL_EXSTYLE));
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    form_.PeerSetBounds(left, top, width, height);
  }
  if (left != shown_left_ || top != shown_top_ || width != shown_width_ || height != shown_height_) {
    // A position saved with a monitor that is gone would leave the window where nobody can reach
    // it: only then is it moved, onto the nearest work area (a window partly in view stays).
    ScreenRect placed = PlaceOnWorkArea({left, top, left + width, top + height}, WorkAreas());
    if (placed.left != left || placed.top != top) {
      left = placed.left;
      top = placed.top;
      form_.PeerSetBounds(left, top, width, height);
    }
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    if (IsIconic(hwnd_) && GetWindowPlacement(hwnd_, &placement)) {
      // The placement's coordinates differ from the screen's by what they differed for the
      // frame known in both (the taskbar's offset on Windows, nothing under Wine).
      int dx = placement.rcNormalPosition.left - normal_frame_.left;
      int dy = placement.rcNormalPosition.top - normal_frame_.top;
      placement.rcNormalPosition = {left + dx, top + dy, left + dx + width, top + dy + height};
      SetWindowPlacement(hwnd_, &placement);
      normal_frame_ = {left, top, left + width, top + height};
    } else {
      SetWindowPos(hwnd_, nullptr, left, top, std::max(width, 0), std::max(height, 0),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    shown_left_ = left;
    shown_top_ = top;
    shown_width_ = width;
    shown_height_ = height;
    RECT client;
    if (!IsIconic(hwnd_) && GetClientRect(hwnd_, &client)) {
      shown_client_width_ = client.right;
      shown_client_height_ = client.bottom;
      if (client.right != client_width || client.bottom != client_height) {
        applying_ = false;  // the children realign through their own peers
        form_.PeerSetClientSize(client.right, client.bottom);
        applying_ = true;
      }
    }
  }
}

// Default button, colour, enabled state and visibility.
void FormPeer::ApplyShowing() {
  if (form_.DefaultButton() != shown_default_button_) {
    // The buttons show which of them Enter presses.
    ui::Button* previous = shown_default_button_;
    shown_default_button_ = form_.DefaultButton();
    for (ui::Button* button : {previous, shown_default_button_}) {
      if (button != nullptr && button->GetPeer() != nullptr) button->GetPeer()->StateChanged();
    }
  }
  if (form_.Color() != shown_color_) {
    shown_color_ = form_.Color();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  if (form_.Enabled() != shown_enabled_) {
    EnableWindow(hwnd_, form_.Enabled());
    shown_enabled_ = form_.Enabled();
  }
  if (form_.Visible() != shown_visible_) {
    shown_visible_ = form_.Visible();
    if (shown_visible_) {
      shown_from_ = GetActiveWindow();
      OwnByMainForm();
      ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
      if (&form_ == ui::app::MainForm()) {
        // Forms shown while the main window was hidden go back to it now.
        for (FormPeer* other : FormList()) {
          if (other != this && IsWindowVisible(other->hwnd_)) other->OwnByMainForm();
        }
      }
      if (!shown_once_) {
        shown_once_ = true;
        FocusInside(hwnd_);
      }
    } else {
      if (before_hide_) {
        auto hook = std::move(before_hide_);
        before_hide_ = nullptr;
        hook();
      }
      ShowWindow(hwnd_, SW_HIDE);
      // A modal form closed inside a sent message (a BM_CLICK from another program) leaves its
      // loop waiting in GetMessage: a posted message wakes it to see the form is gone.
      if (form_.Modal()) PostMessageA(hwnd_, WM_NULL, 0, 0);
    }
  }
}

// The program has one taskbar entry, its main window: the other forms are owned by it (they
// stay above it and go with it when it is minimised). Done at the show, as the main form may not
// be known yet when a form is created. While the main window is hidden (the program started at
// logon works in the notification area), a form shown from the icon stands on its own, with its
// own taskbar button and Alt+Tab entry: owned by a hidden window it would have neither, and
// behind a maximised window it could only be found through the icon again.
void FormPeer::OwnByMainForm() {
  ui::Form* main = ui::app::MainForm();
  if (main == nullptr || main == &form_) return;
  auto* main_peer = dynamic_cast<FormPeer*>(main->GetPeer());
  if (main_peer == nullptr || main_peer->Handle() == nullptr) return;
  HWND owner = IsWindowVisible(main_peer->Handle()) ? main_peer->Handle() : nullptr;
  if (GetWindow(hwnd_, GW_OWNER) == owner) return;
  LONG_PTR extended = GetWindowLongPtrA(hwnd_, GWL_EXSTYLE);
  extended = owner != nullptr ? extended & ~LONG_PTR(WS_EX_APPWINDOW) : extended | LONG_PTR(WS_EX_APPWINDOW);
  // The taskbar reads a window's kind when it is shown: a shown form is hidden for the change.
  const bool visible = IsWindowVisible(hwnd_) != FALSE;
  const UINT still = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  if (visible) SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, still | SWP_HIDEWINDOW);
  SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, extended);
  if (visible) SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, still | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
}

// The installer replaces or removes the program file: the program ends as at a close of the main
// window (it stores what it can, keeps the rest in the journal and writes the settings), but asks
// nothing. Long work that runs is stopped first; the request comes again once it has.
void FormPeer::EndWithoutAsking() {
  if (ui::WorkRunning() || ui::LongCallRunning()) {
    ui::app::NoteSessionEnding();  // the work stops at its next step, and shows no box
    Sleep(50);
    PostMessageA(hwnd_, EndProgramMessage(), 0, 0);
    return;
  }
  // The installer asks again until the file is free: the close runs once.
  if (ending_) return;
  ending_ = true;
  ui::Dispatch([this] {
    auto query = std::move(form_.OnCloseQuery);
    form_.OnCloseQuery = nullptr;
    form_.Close();
    if (form_.Visible()) {  // the close failed: as before
      form_.OnCloseQuery = std::move(query);
      ending_ = false;
    }
  });
}

void FormPeer::ReadBackState() {
  RECT frame;
  if (IsIconic(hwnd_)) {
    frame = normal_frame_;  // where it returns to, in screen coordinates
  } else if (!GetWindowRect(hwnd_, &frame)) {
    return;
  }
  form_.PeerSetBounds(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
  shown_left_ = frame.left;
  shown_top_ = frame.top;
  shown_width_ = frame.right - frame.left;
  shown_height_ = frame.bottom - frame.top;
  RECT client;
  if (!IsIconic(hwnd_) && GetClientRect(hwnd_, &client) &&
      (client.right != shown_client_width_ || client.bottom != shown_client_height_)) {
    shown_client_width_ = client.right;
    shown_client_height_ = client.bottom;
    applying_ = false;
    form_.PeerSetClientSize(client.right, client.bottom);
    applying_ = true;
  }
}

void FocusInside(HWND form_window) {
  auto* form = dynamic_cast<FormPeer*>(WindowPeer::Of(form_window));
  HWND target = form ? form->LastFocus() : nullptr;
  if (target == nullptr || !IsWindow(target) || !IsWindowVisible(target) || !IsWindowEnabled(target)) {
    target = GetNextDlgTabItem(form_window, nullptr, FALSE);
  }
  if (target != nullptr && target != form_window) SetFocus(target);
}

LRESULT FormPeer::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == ShowMainWindowMessage() && message != 0) {
    // A second start of the program file: the main window comes to the front (and out of the
    // notification area, where a start at logon left it).
    if (&form_ == ui::app::MainForm()) ui::Dispatch([this] { form_.Show(); });
    return 0;
  }
  if (message == EndProgramMessage() && message != 0) {
    if (&form_ == ui::app::MainForm()) EndWithoutAsking();
    return 0;
  }
  switch (message) {
    case WM_WINDOWPOSCHANGED:
      if (!IsIconic(hwnd_) && !IsZoomed(hwnd_)) GetWindowRect(hwnd_, &normal_frame_);
      break;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) ClientSizeChanged(LOWORD(lparam), HIWORD(lparam));
      break;
    case WM_CLOSE:
      // Title-bar close, Alt+F4 and the system menu: the form's own close (never destroyed).
      // A form that takes no input while work runs ignores it (the work holds the connection).
      if (form_.Enabled()) form_.Close();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) RememberFocus(focus);
      } else if (!HIWORD(wparam)) {
        FocusInside(hwnd_);
      }
      return 0;
    case WM_SETFOCUS:
      FocusInside(hwnd_);
      return 0;
    case DM_GETDEFID:
      return DefaultButtonId();
    case WM_SETCURSOR:
      if (ui::BusyCursorOver(form_)) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_QUERYENDSESSION:
      // Only a question: another program may still refuse, and the session then goes on. Work
      // that runs goes on too; it stops at WM_ENDSESSION.
      return TRUE;
    case WM_ENDSESSION:
      if (!wparam) ui::app::NoteSessionGoesOn();
      if (wparam && &form_ == ui::app::MainForm()) {
        // The session ends now, and Windows ends a program without a visible window a few
        // seconds after this returns: its handler writes what must be kept first and sends
        // nothing to the server, and the work that runs stops at its next step. Only a call
        // that must not be cut short (an import's commit, which told Windows why it holds the
        // shutdown) is waited for.
        ui::app::NoteSessionEnding();
        ui::Dispatch(form_.OnEndSession);
        if (ui::SessionEndHeld()) ui::AwaitLongCall();
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

namespace {

LRESULT FormMessages(WindowPeer& container, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* form = dynamic_cast<FormPeer*>(&container);
  if (form == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  return form->OnMessage(message, wparam, lparam);
}

}  // namespace

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunContainerProc(hwnd, message, wparam, lparam, &FormMessages);
}

}  // namespace platform::win32
