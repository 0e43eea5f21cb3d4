// The Win32 backend of the UI toolkit: window classes, the event loops, timers, message boxes
// and the common file dialogs.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#undef MessageBox  // the toolkit's Backend::MessageBox keeps its name

#include <cstring>
#include <functional>
#include <map>

#include "platform/win32/form_peer.h"
#include "platform/win32/peers_win32.h"
#include "platform/win32/resource_ids.h"
#include "platform/ui/controls.h"
#include "platform/ui/file_filter.h"
#include "platform/win32/win32.h"
#include "platform/worker_thread.h"

namespace platform::win32 {
namespace {

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);

  WNDCLASSEXA window_class;
  std::memset(&window_class, 0, sizeof window_class);
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = FormProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  // The program's icon, at the sizes the system asks for (title bar and taskbar).
  HINSTANCE module = GetModuleHandleA(nullptr);
  window_class.hIcon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_LUMADEX), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  window_class.hIconSm = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_LUMADEX), IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (window_class.hIcon == nullptr) window_class.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  window_class.lpszClassName = kFormClass;
  RegisterClassExA(&window_class);

  window_class.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = PanelProc;
  window_class.hIcon = nullptr;
  window_class.hIconSm = nullptr;
  window_class.lpszClassName = kPanelClass;
  RegisterClassExA(&window_class);
}

std::map<UINT_PTR, ui::Timer*>& TimerMap() {
  static std::map<UINT_PTR, ui::Timer*> timers;
  return timers;
}

VOID CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  try {
    auto& timers = TimerMap();
    auto found = timers.find(id);
    if (found != timers.end() && found->second->Enabled()) found->second->Fire();
  } catch (...) {
  }
}

bool IsOurForm(HWND hwnd) {
  for (FormPeer* form : FormPeer::All()) {
    if (form->Handle() == hwnd) return true;
  }
  return false;
}

// One message of an event loop: Tab, Enter, Esc and Alt+key act as in a dialog box. Every loop
// takes and hands on its messages as Unicode: a typed character (from the keyboard or an input
// method) reaches the Unicode edit boxes as the UTF-16 unit it is. Taken through code page 932
// instead, a double-byte character comes apart into two messages of one byte each, which the
// box would show as two wrong characters.
void Process(MSG& message) {
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root != nullptr && IsOurForm(root) && IsDialogMessageW(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

// Brings a window back to the front after a box or dialog took the activation.
void Reactivate(HWND window) {
  if (window != nullptr && IsWindow(window) && IsWindowVisible(window) && IsWindowEnabled(window)) {
    SetForegroundWindow(window);
    SetActiveWindow(window);
  }
}

// Escape answers No in a Yes/No box. Windows ignores Escape there (the box has no Cancel) and
// Wine closes the box as if cancelled; either way the user meant No. The hook sees the box's
// messages before its dialog manager does and is installed on this thread only, around the box.
LRESULT CALLBACK QuestionFilter(int code, WPARAM wparam, LPARAM lparam) {
  auto* message = reinterpret_cast<MSG*>(lparam);
  bool in_box = code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX;
  if (in_box && message != nullptr && message->message == WM_KEYDOWN &&
      message->wParam == VK_ESCAPE && message->hwnd != nullptr) {
    HWND box = GetAncestor(message->hwnd, GA_ROOT);
    HWND no = box != nullptr ? GetDlgItem(box, IDNO) : nullptr;
    if (no != nullptr && !IsOurForm(box)) {
      SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(no));
      return TRUE;  // consumed: no Escape reaches the box
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// The form a message box or file dialog belongs to: the program's active form, else its
// uppermost form that is shown and takes input (a box raised by the launch check while another
// program is in front). Null when no form is shown.
HWND OwnerForm() {
  HWND active = GetActiveWindow();
  if (active != nullptr && IsOurForm(active) && IsWindowVisible(active) && IsWindowEnabled(active)) {
    return active;
  }
  for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
    if (IsOurForm(window) && IsWindowVisible(window) && IsWindowEnabled(window)) return window;
  }
  return nullptr;
}

// While a box or dialog owned by one form is open, the program's other forms wait too, as they
// do for a modal form: the box's own dialog loop disables only its owner.
class OtherFormsDisabled {
 public:
  explicit OtherFormsDisabled(HWND owner) {
    for (FormPeer* form : FormPeer::All()) {
      HWND window = form->Handle();
      if (window != owner && window != nullptr && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        disabled_.push_back(window);
      }
    }
  }
  ~OtherFormsDisabled() {
    for (HWND window : disabled_) {
      if (IsWindow(window)) EnableWindow(window, TRUE);
    }
  }
  OtherFormsDisabled(const OtherFormsDisabled&) = delete;
  OtherFormsDisabled& operator=(const OtherFormsDisabled&) = delete;

 private:
  std::vector<HWND> disabled_;
};

// A message box owned by the active form and brought to the front; without any form shown, a
// box of its own that holds the whole thread.
int OwnedMessageBox(const std::string& caption, const std::string& text, UINT style) {
  HWND owner = OwnerForm();
  style |= MB_SETFOREGROUND | (owner != nullptr ? MB_APPLMODAL : MB_TASKMODAL);
  OtherFormsDisabled others(owner);
  return ::MessageBoxA(owner, text.c_str(), caption.c_str(), style);
}

class Win32Backend : public ui::Backend {
 public:
  Win32Backend() { RegisterClasses(); }

  std::unique_ptr<ui::Peer> CreatePeer(ui::Control& control) override {
    return CreatePeerFor(control);
  }

  void TimerChanged(ui::Timer& timer) override {
    Stop(timer);
    if (timer.Enabled() && timer.Interval() > 0) {
      UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(timer.Interval()), TimerProc);
      if (id != 0) TimerMap()[id] = &timer;
    }
  }

  void TimerDestroyed(ui::Timer& timer) override { Stop(timer); }

  void FormShown(ui::Form& form) override {
    auto* peer = dynamic_cast<FormPeer*>(form.GetPeer());
    if (peer == nullptr || !IsWindowVisible(peer->Handle())) return;
    if (IsIconic(peer->Handle())) ShowWindow(peer->Handle(), SW_RESTORE);
    BringWindowToTop(peer->Handle());
    SetForegroundWindow(peer->Handle());
  }

  void RunModal(ui::Form& form) override {
    auto* peer = dynamic_cast<FormPeer*>(form.GetPeer());
    if (peer == nullptr) return;
    // The form is shown already: return to the window that was active before it.
    HWND previous = peer->ShownFrom();
    if (previous == nullptr || previous == peer->Handle()) {
      if (ui::Form* main = ui::app::MainForm()) {
        if (auto* main_peer = dynamic_cast<FormPeer*>(main->GetPeer())) previous = main_peer->Handle();
      }
    }
    // The other windows of the program wait while the modal form is open. They take input again
    // before the form is hidden, so that Windows hands the activation to one of them and not to
    // another program's window (the form's peer calls this just before it hides the form).
    std::vector<HWND> disabled;
    for (FormPeer* other : FormPeer::All()) {
      if (other != peer && IsWindowEnabled(other->Handle())) {
        EnableWindow(other->Handle(), FALSE);
        disabled.push_back(other->Handle());
      }
    }
    auto enable_others = [disabled] {
      for (HWND window : disabled) {
        if (IsWindow(window)) EnableWindow(window, TRUE);
      }
    };
    // An active form that is hidden leaves the choice of the next active window to the system:
    // Windows takes the owner when it takes input, Wine the next window in the z-order that
    // does, which may be another program's. The form hands the activation back itself while it
    // is still shown, so its hiding changes nothing.
    HWND form_window = peer->Handle();
    peer->SetBeforeHide([enable_others, form_window, previous] {
      enable_others();
      if (GetActiveWindow() == form_window) Reactivate(previous);
    });
    FormShown(form);
    MSG message;
    while (form.Visible()) {
      BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got <= 0) {
        PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);  // for the outer loop
        break;
      }
      Process(message);
    }
    peer->SetBeforeHide(nullptr);
    enable_others();  // also when the loop ended without a hide (the end of the session)
    Reactivate(previous);
  }

  void RunMainLoop(ui::Form& main) override {
    (void)main;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) Process(message);
  }

  void Quit() override { PostQuitMessage(0); }

  void SessionEndHeld(const std::string& reason) override {
    ui::Form* main = ui::app::MainForm();
    auto* peer = main != nullptr ? dynamic_cast<FormPeer*>(main->GetPeer()) : nullptr;
    if (peer == nullptr || peer->Handle() == nullptr) return;
    if (reason.empty()) {
      ShutdownBlockReasonDestroy(peer->Handle());
      return;
    }
    // Shown by Windows beside the program's name while the end of the session waits for it.
    WCHAR text[256] = {};
    MultiByteToWideChar(932, 0, reason.c_str(), -1, text, 255);
    ShutdownBlockReasonCreate(peer->Handle(), text);
  }

  void MessageBox(const std::string& caption, const std::string& text, bool error) override {
    HWND previous = GetActiveWindow();
    OwnedMessageBox(caption, text, MB_OK | (error ? MB_ICONERROR : 0));
    Reactivate(previous);
  }

  ui::Answer Question(const std::string& caption, const std::string& text) override {
    HWND previous = GetActiveWindow();
    HHOOK filter = SetWindowsHookExA(WH_MSGFILTER, QuestionFilter, nullptr, GetCurrentThreadId());
    int answer = OwnedMessageBox(caption, text, MB_YESNO | MB_DEFBUTTON1 | MB_ICONQUESTION);
    if (filter != nullptr) UnhookWindowsHookEx(filter);
    Reactivate(previous);
    if (answer == IDYES) return ui::Answer::Yes;
    if (answer == IDNO) return ui::Answer::No;
    return ui::Answer::Closed;
  }

  bool RunFileDialog(ui::FileDialog& dialog) override {
    HWND previous = GetActiveWindow();
    HWND owner = OwnerForm();
    std::string filter = ui::FilterList(dialog.Filter);
    std::string file(4096, '\0');
    std::memcpy(&file[0], dialog.FileName.c_str(), std::min<std::size_t>(dialog.FileName.size(), 4095));
    OPENFILENAMEA options;
    std::memset(&options, 0, sizeof options);
    options.lStructSize = sizeof options;
    options.hwndOwner = owner;
    options.lpstrFilter = dialog.Filter.empty() ? nullptr : filter.c_str();
    options.nFilterIndex = 1;
    options.lpstrFile = &file[0];
    options.nMaxFile = static_cast<DWORD>(file.size());
    options.lpstrInitialDir = dialog.InitialDir.empty() ? nullptr : dialog.InitialDir.c_str();
    options.lpstrDefExt = dialog.DefaultExt.empty() ? nullptr : dialog.DefaultExt.c_str();
    // The folder must exist for a save too: the dialog says so instead of the write failing later.
    options.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING | OFN_PATHMUSTEXIST;
    if (dialog.OverwritePrompt) options.Flags |= OFN_OVERWRITEPROMPT;
    if (dialog.FileMustExist) options.Flags |= OFN_FILEMUSTEXIST;
    BOOL accepted = FALSE;
    {
      OtherFormsDisabled others(owner);
      accepted = dialog.IsSave() ? GetSaveFileNameA(&options) : GetOpenFileNameA(&options);
    }
    Reactivate(previous);
    if (!accepted) return false;
    dialog.FileName = std::string(file.c_str());
    return true;
  }

  void ProcessEvents(const std::function<bool()>& go_on) override {
    // What is waiting now, within a short turn: the work goes on afterwards. Once the work is to
    // stop nothing more is taken, so the end of the session is met by the loop after it.
    const DWORD started = GetTickCount();
    MSG message;
    while (go_on() && GetTickCount() - started < 30 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that waits for it
        break;
      }
      Process(message);
    }
  }

  void AnswerUntilDone(platform::WorkerThread& worker) override {
    HANDLE thread = static_cast<HANDLE>(worker.WaitHandle());
    if (thread == nullptr) return;  // the work already ran on this thread
    for (;;) {
      // Wakes for the end of the call or for a message; MWMO_INPUTAVAILABLE also for one that
      // an earlier peek saw and left in the queue.
      const DWORD woken = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      if (woken == WAIT_OBJECT_0) return;
      if (woken != WAIT_OBJECT_0 + 1) break;  // the wait failed: wait for the call alone
      MSG message;
      bool quit = false;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that waits for it
          quit = true;
          break;
        }
        Process(message);
        if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) return;
      }
      if (quit) break;
    }
    WaitForSingleObject(thread, INFINITE);
  }

  void BusyChanged() override {
    // The cursor changes at once, not at the next move of the mouse.
    POINT point;
    if (!GetCursorPos(&point)) return;
    HWND window = WindowFromPoint(point);
    if (window == nullptr || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return;
    LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
  }

  void DiscardInput(ui::Form& form) override {
    auto* peer = dynamic_cast<FormPeer*>(form.GetPeer());
    if (peer == nullptr) return;
    // Messages of the form's window and its controls only.
    MSG message;
    while (PeekMessageW(&message, peer->Handle(), WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&message, peer->Handle(), WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
  }

 private:
  static void Stop(ui::Timer& timer) {
    auto& timers = TimerMap();
    for (auto it = timers.begin(); it != timers.end();) {
      if (it->second == &timer) {
        KillTimer(nullptr, it->first);
        it = timers.erase(it);
      } else {
        ++it;
      }
    }
  }
};

}  // namespace

std::unique_ptr<ui::Backend> MakeBackend() { return std::make_unique<Win32Backend>(); }

}  // namespace platform::win32
