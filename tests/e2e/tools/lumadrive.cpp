// lumadrive: drives the windows of another program for the end-to-end tests.
//
// Texts cross the command line and standard output as hex of their Shift-JIS bytes, so no code
// page conversion stands between a test and the windows. Every command waits up to a timeout
// (milliseconds, option -t, default 10000) for what it needs and exits 1 when it is not there.
//
//   windows                          every top-level window
//   find TITLE                       the visible top-level window titled TITLE
//   gone TITLE                       waits until no visible window has that title
//   controls TITLE                   its child windows, in z-order (tab order)
//   gettext TITLE CONTROL            the text of a control
//   items TITLE CONTROL              the entries of a list box or drop-down list
//   click TITLE CONTROL              a button click (BN_CLICKED to its parent)
//   press TITLE CONTROL              a sent BM_CLICK, as automation and accessibility tools
//                                    press a button (returns once the press was handled)
//   settext TITLE CONTROL HEXTEXT    WM_SETTEXT, as if the user had typed it (type and paste
//                                    also take "u:" and the hex of UTF-16LE units)
//   type TITLE CONTROL HEXTEXT       one WM_CHAR per character (UTF-16, as an input method
//                                    delivers Japanese text), typed at the caret
//   select TITLE CONTROL START END   EM_SETSEL in characters: the caret (or selection) of an edit
//   paste TITLE CONTROL HEXTEXT      the text on the clipboard, then WM_PASTE to the edit
//   choose TITLE CONTROL INDEX       selects an entry of a drop-down list (CBN_SELCHANGE)
//   colwidth TITLE CONTROL COL WIDTH resizes a list view column
//   colwidths TITLE CONTROL          the widths a list view holds: "widths W,W,..."
//   cell TITLE CONTROL ROW COL       the text of a list view cell (row 0: the first below the
//                                    header)
//   current TITLE CONTROL            where a list view shows its current cell: "current item=N
//                                    focused=0|1 box=X,Y,W,H" (the focused row, whether the list
//                                    view has the input focus, and the bounds of the pixels
//                                    on screen in the highlight colour, client coordinates) and
//                                    "columns left=X widths=W,W,..." (column 0's left edge)
//   minimize TITLE                   SC_MINIMIZE, as the title bar's button
//   move TITLE LEFT TOP              moves the window's frame, as a drag of its title bar does
//   tooltips                         every tool of every tooltip window, also another process's
//                                    (the notification-area icons'): "tooltip hwnd=.. tool=N text=HEX"
//   displaychange                    asks for the display settings anew (Wine then reads the
//                                    X root window's work area again); prints "workarea L,T,R,B"
//   msgbox TITLE                     a message box: its text and its buttons
//   close TITLE                      WM_CLOSE, as the title-bar close does
//   endsession TITLE                 WM_QUERYENDSESSION then WM_ENDSESSION, as at log-off
//   queryendsession TITLE            WM_QUERYENDSESSION then WM_ENDSESSION(FALSE): the log-off
//                                    another program refused
//   ping TITLE                       how long the window takes to answer a sent WM_NULL (ms)
//   repaint TITLE                    invalidates the window and its controls and waits until
//                                    it has painted them (ms)
//   post CLASS MSG WPARAM LPARAM     posts a message (decimal numbers) to the first top-level
//                                    window of that class, visible or not (the notification-area
//                                    icon's window; an open menu, class #32768); MSG may also be
//                                    the name of a registered message ("TaskbarCreated")
//   holdmutex NAME MS                makes the mutex NAME with a security descriptor that lets
//                                    nobody open it and holds it MS milliseconds; prints "held E"
//                                    (E: the error of opening it again from here, 0 if it opened)
//   hold PATH WATCH MS               opens PATH (a Windows path) for reading without delete
//                                    sharing, as a scanner or Excel holds a file, and prints
//                                    "held"; waits for WATCH to appear (the writer's temporary
//                                    file beside it: the writer is replacing PATH now), then
//                                    lets go MS milliseconds later, or with MS -1 only once WATCH
//                                    is gone again (the writer gave up). Prints "watch seen" or
//                                    "watch none" (not within the timeout), then "released"
//   keys TITLE KEY...                brings the window to the front (fails when it does not
//                                    come) and types keys with SendInput
//                                    (KEY: hex virtual-key code, "alt+XX", "shift+XX")
//   input TITLE CONTROL HEXTEXT      brings the window to the front, gives the control the
//                                    focus and types the text with SendInput as Unicode
//                                    characters (KEYEVENTF_UNICODE, one key press per UTF-16
//                                    unit, as an input method hands its result to the system);
//                                    the selection of the control is left as it is
//
// TITLE is hex, or "@HWND" (decimal, as `windows` prints it) for one particular window; CONTROL is "#N" (the N-th line of `controls`), "=HEX" (exact text, for buttons
// the caption), or "CLASS:N" (the N-th control of that class, from 0).
//
// Output lines: "window hwnd=.. visible=.. enabled=.. foreground=.. owned=.. owner=HWND iconic=.. class=.. frame=L,T,W,H client=W,H title=HEX",
// "control index=.. hwnd=.. id=.. class=.. rect=X,Y,W,H visible=.. enabled=.. text=HEX"
// (rect in the form's client coordinates), "text HEX", "item N HEX", "button HEX".
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int timeout_ms = 10000;

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return out;
}

// Texts of other processes are read as UTF-16 and turned into Shift-JIS here: what an ANSI
// message brings back across processes depends on the other window (a list box of an ANSI
// program answered LB_GETTEXT with its UTF-16 text under Wine), the wide one does not.
std::size_t WideLength(const WCHAR* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  return length;
}

std::string Narrow(const WCHAR* text, std::size_t length) {
  if (length == 0) return std::string();
  int size = WideCharToMultiByte(932, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(932, 0, text, static_cast<int>(length), &out[0], size, nullptr, nullptr);
  return out;
}

std::string Text(HWND hwnd) {
  WCHAR buffer[4096] = {};
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  return Narrow(buffer, WideLength(buffer, 4096));
}

std::string TitleOf(HWND hwnd) {
  WCHAR buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return Narrow(buffer, WideLength(buffer, 512));
}

// Entry `index` of a list box or a drop-down list.
std::string ItemText(HWND control, bool combo, WPARAM index) {
  LRESULT length = SendMessageW(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
  if (length <= 0) return std::string();
  // Room to spare: the answer of another process is not trusted to the character.
  std::vector<WCHAR> buffer(std::max<std::size_t>(static_cast<std::size_t>(length) + 1, 4096), 0);
  LRESULT got = SendMessageW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, index,
                             reinterpret_cast<LPARAM>(buffer.data()));
  if (got <= 0) return std::string();
  return Narrow(buffer.data(), WideLength(buffer.data(), buffer.size()));
}

std::string ClassOf(HWND hwnd) {
  char buffer[256] = {};
  GetClassNameA(hwnd, buffer, sizeof buffer);
  return buffer;
}

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> TopLevel() {
  std::vector<HWND> windows;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// The texts of every tool of every tooltip window: the notification-area icons' tooltips live
// in the shell's process, so the tool structure and its text are passed through memory there.
void PrintTooltips() {
  for (HWND tip : TopLevel()) {
    if (lstrcmpiA(ClassOf(tip).c_str(), "tooltips_class32") != 0) continue;
    DWORD process_id = 0;
    GetWindowThreadProcessId(tip, &process_id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
    if (process == nullptr) continue;
    const SIZE_T text_units = 1024;
    auto* remote = static_cast<BYTE*>(VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOW) + text_units * sizeof(WCHAR),
                                                     MEM_COMMIT, PAGE_READWRITE));
    int count = remote ? static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
      TTTOOLINFOW info = {};
      info.cbSize = sizeof info;
      info.lpszText = reinterpret_cast<LPWSTR>(remote + sizeof info);
      WCHAR text[1024] = {};
      SIZE_T moved = 0;
      WriteProcessMemory(process, remote, &info, sizeof info, &moved);
      WriteProcessMemory(process, remote + sizeof info, text, sizeof text, &moved);
      if (!SendMessageW(tip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote))) continue;
      ReadProcessMemory(process, remote, &info, sizeof info, &moved);
      info.lpszText = reinterpret_cast<LPWSTR>(remote + sizeof info);
      WriteProcessMemory(process, remote, &info, sizeof info, &moved);
      SendMessageW(tip, TTM_GETTEXTW, static_cast<WPARAM>(text_units), reinterpret_cast<LPARAM>(remote));
      ReadProcessMemory(process, remote + sizeof info, text, sizeof text, &moved);
      std::printf("tooltip hwnd=%lu tool=%d text=%s\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(tip)), i,
                  Hex(Narrow(text, WideLength(text, 1024))).c_str());
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
  }
}

HWND FindVisible(const std::string& title) {
  for (HWND hwnd : TopLevel()) {
    if (IsWindowVisible(hwnd) && TitleOf(hwnd) == title) return hwnd;
  }
  return nullptr;
}

HWND WaitWindow(const std::string& title) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND hwnd = FindVisible(title)) return hwnd;
    if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return nullptr;
    Sleep(100);
  }
}

// Descendants in z-order, depth first (the order Tab walks them).
void CollectChildren(HWND parent, std::vector<HWND>& out) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    out.push_back(child);
    CollectChildren(child, out);
  }
}

std::vector<HWND> Controls(HWND form) {
  std::vector<HWND> out;
  CollectChildren(form, out);
  return out;
}

// The UTF-16 units of a HEXTEXT argument: Shift-JIS hex, or "u:" and the hex of UTF-16LE units
// (for characters Shift-JIS cannot hold).
std::vector<WCHAR> WideOf(const std::string& arg) {
  std::vector<WCHAR> wide;
  if (arg.rfind("u:", 0) == 0) {
    std::string bytes = Unhex(arg.substr(2));
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return wide;
  }
  std::string text = Unhex(arg);
  int count = MultiByteToWideChar(932, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  wide.resize(static_cast<std::size_t>(std::max(count, 0)));
  if (count > 0) MultiByteToWideChar(932, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), count);
  return wide;
}

void PrintWindow(HWND hwnd) {
  RECT frame = {}, client = {};
  GetWindowRect(hwnd, &frame);
  GetClientRect(hwnd, &client);
  std::printf("window hwnd=%lu visible=%d enabled=%d foreground=%d owned=%d owner=%lu appwindow=%d iconic=%d class=%s frame=%d,%d,%d,%d client=%d,%d title=%s\n",
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd)), IsWindowVisible(hwnd) ? 1 : 0,
              IsWindowEnabled(hwnd) ? 1 : 0, GetForegroundWindow() == hwnd ? 1 : 0, GetWindow(hwnd, GW_OWNER) != nullptr ? 1 : 0,
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(GetWindow(hwnd, GW_OWNER))),
              (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW) ? 1 : 0,
              IsIconic(hwnd) ? 1 : 0, ClassOf(hwnd).c_str(), int(frame.left),
              int(frame.top), int(frame.right - frame.left), int(frame.bottom - frame.top), int(client.right),
              int(client.bottom),
              Hex(TitleOf(hwnd)).c_str());
}

void PrintControl(HWND form, HWND control, int index) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
  LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
  const bool button = lstrcmpiA(ClassOf(control).c_str(), "Button") == 0;
  const LRESULT checked = button ? SendMessageA(control, BM_GETCHECK, 0, 0) : 0;
  std::printf("control index=%d hwnd=%lu id=%d class=%s rect=%d,%d,%d,%d visible=%d enabled=%d checked=%d style=%lx text=%s\n",
              index, static_cast<unsigned long>(reinterpret_cast<uintptr_t>(control)), GetDlgCtrlID(control),
              ClassOf(control).c_str(), int(rect.left), int(rect.top), int(rect.right - rect.left),
              int(rect.bottom - rect.top),
              (style & WS_VISIBLE) ? 1 : 0, IsWindowEnabled(control) ? 1 : 0, static_cast<int>(checked),
              static_cast<unsigned long>(style), Hex(Text(control)).c_str());
}

HWND FindControl(HWND form, const std::string& spec) {
  std::vector<HWND> controls = Controls(form);
  if (spec.size() > 1 && spec[0] == '#') {
    std::size_t index = std::strtoul(spec.c_str() + 1, nullptr, 10);
    return index < controls.size() ? controls[index] : nullptr;
  }
  if (!spec.empty() && spec[0] == '=') {
    std::string text = Unhex(spec.substr(1));
    for (HWND control : controls) {
      if (Text(control) == text) return control;
    }
    return nullptr;
  }
  std::size_t colon = spec.rfind(':');
  if (colon != std::string::npos) {
    std::string wanted = spec.substr(0, colon);
    int n = std::atoi(spec.c_str() + colon + 1);
    for (HWND control : controls) {
      if (lstrcmpiA(ClassOf(control).c_str(), wanted.c_str()) == 0 && n-- == 0) return control;
    }
  }
  return nullptr;
}

int Fail(const char* what) {
  std::printf("error %s\n", what);
  return 1;
}

void SendKey(WORD key, bool up) {
  INPUT input;
  std::memset(&input, 0, sizeof input);
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
  Sleep(30);
}

void SendUnit(WCHAR unit) {
  INPUT input[2];
  std::memset(input, 0, sizeof input);
  for (INPUT& key : input) {
    key.type = INPUT_KEYBOARD;
    key.ki.wScan = unit;
    key.ki.dwFlags = KEYEVENTF_UNICODE;
  }
  input[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof input[0]);
  Sleep(30);
}

// Typed keys go to whichever window is in front: not a key before this one is.
bool BringToFront(HWND form) {
  DWORD start = GetTickCount();
  for (;;) {
    SetForegroundWindow(form);
    if (GetForegroundWindow() == form) break;
    if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return false;
    Sleep(100);
  }
  Sleep(200);
  return true;
}

// The focus of another program's thread, set as its own SetFocus would (the two threads share
// their input state meanwhile).
bool FocusControl(HWND control) {
  DWORD thread = GetWindowThreadProcessId(control, nullptr);
  GUITHREADINFO gui;
  DWORD start = GetTickCount();
  for (;;) {
    std::memset(&gui, 0, sizeof gui);
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == control) return true;
    if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return false;
    if (AttachThreadInput(GetCurrentThreadId(), thread, TRUE)) {
      SetFocus(control);
      AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    }
    Sleep(100);
  }
}

void PrintWorkArea() {
  POINT origin = {0, 0};
  MONITORINFO info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  GetMonitorInfoA(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info);
  std::printf("workarea %d,%d,%d,%d\n", int(info.rcWork.left), int(info.rcWork.top), int(info.rcWork.right),
              int(info.rcWork.bottom));
}

std::vector<int> ColumnWidths(HWND list) {
  std::vector<int> widths;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  LRESULT count = header ? SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) : 0;
  for (LRESULT col = 0; col < count; ++col) {
    widths.push_back(static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0)));
  }
  return widths;
}

std::string Joined(const std::vector<int>& values) {
  std::string out;
  for (int value : values) out += (out.empty() ? "" : ",") + std::to_string(value);
  return out;
}

// The bounds of the pixels in `color` that the screen shows inside the window's client area.
RECT ColorBox(HWND window, COLORREF color) {
  RECT client = {};
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  int width = client.right, height = client.bottom;
  RECT box = {width, height, -1, -1};
  if (width <= 0 || height <= 0) return box;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  uint32_t wanted = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
  for (int y = 0; pixels != nullptr && y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if ((pixels[y * width + x] & 0xFFFFFF) != wanted) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return box;
}

int Run(std::vector<std::string> args) {
  if (args.size() >= 2 && args[0] == "-t") {
    timeout_ms = std::atoi(args[1].c_str());
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return Fail("usage");
  const std::string& command = args[0];
  if (command == "windows") {
    for (HWND hwnd : TopLevel()) PrintWindow(hwnd);
    return 0;
  }
  if (command == "tooltips") {
    PrintTooltips();
    return 0;
  }
  if (command == "displaychange") {
    ChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr);
    PrintWorkArea();
    return 0;
  }
  if (command == "post" && args.size() >= 5) {
    DWORD start = GetTickCount();
    HWND target = nullptr;
    while ((target = FindWindowA(args[1].c_str(), nullptr)) == nullptr) {
      if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return Fail("no-window");
      Sleep(50);
    }
    // A message given by name is the session's registered message of that name.
    const bool named_message = !args[2].empty() && (args[2][0] < '0' || args[2][0] > '9');
    PostMessageA(target,
                 named_message ? RegisterWindowMessageA(args[2].c_str())
                               : static_cast<UINT>(std::strtoul(args[2].c_str(), nullptr, 10)),
                 static_cast<WPARAM>(std::strtoull(args[3].c_str(), nullptr, 10)),
                 static_cast<LPARAM>(std::strtoll(args[4].c_str(), nullptr, 10)));
    std::printf("ok\n");
    return 0;
  }
  if (command == "holdmutex" && args.size() >= 3) {
    // A mutex no other program may open, as one made by a program started as administrator is
    // to a program of the user's ordinary rights: a security descriptor with an empty DACL.
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL acl;
    InitializeAcl(&acl, sizeof acl, ACL_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, &acl, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    HANDLE mutex = CreateMutexA(&attributes, FALSE, args[1].c_str());
    if (mutex == nullptr) return Fail("no-mutex");
    HANDLE again = CreateMutexA(nullptr, FALSE, args[1].c_str());
    std::printf("held %lu\n", again == nullptr ? static_cast<unsigned long>(GetLastError()) : 0ul);
    std::fflush(stdout);
    if (again != nullptr) CloseHandle(again);
    Sleep(static_cast<DWORD>(std::atoi(args[2].c_str())));
    CloseHandle(mutex);
    return 0;
  }
  if (command == "hold" && args.size() >= 4) {
    HANDLE file = CreateFileA(args[1].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail("no-file");
    std::printf("held\n");
    std::fflush(stdout);
    const std::string& watch = args[2];
    int release_ms = std::atoi(args[3].c_str());
    DWORD start = GetTickCount();
    bool seen = false;
    while (!(seen = GetFileAttributesA(watch.c_str()) != INVALID_FILE_ATTRIBUTES)) {
      if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) break;
      Sleep(5);
    }
    std::printf("watch %s\n", seen ? "seen" : "none");
    if (seen && release_ms >= 0) Sleep(static_cast<DWORD>(release_ms));
    start = GetTickCount();
    while (seen && release_ms < 0 && GetFileAttributesA(watch.c_str()) != INVALID_FILE_ATTRIBUTES) {
      if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) break;
      Sleep(5);
    }
    CloseHandle(file);
    std::printf("released\n");
    return 0;
  }
  if (args.size() < 2) return Fail("usage");
  // "@HWND" names one window: two dialogs may carry the same title.
  HWND named = nullptr;
  if (!args[1].empty() && args[1][0] == '@') {
    named = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(args[1].c_str() + 1, nullptr, 10)));
  }
  std::string title = named ? TitleOf(named) : Unhex(args[1]);
  if (command == "gone") {
    DWORD start = GetTickCount();
    while (named ? IsWindow(named) && IsWindowVisible(named) : FindVisible(title) != nullptr) {
      if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return Fail("still-there");
      Sleep(100);
    }
    std::printf("gone\n");
    return 0;
  }
  HWND form = named ? (IsWindow(named) && IsWindowVisible(named) ? named : nullptr) : WaitWindow(title);
  if (form == nullptr) return Fail("no-window");
  if (command == "find") {
    PrintWindow(form);
    return 0;
  }
  if (command == "controls") {
    PrintWindow(form);
    std::vector<HWND> controls = Controls(form);
    for (std::size_t i = 0; i < controls.size(); ++i) PrintControl(form, controls[i], static_cast<int>(i));
    return 0;
  }
  if (command == "msgbox") {
    PrintWindow(form);
    for (HWND control : Controls(form)) {
      std::string cls = ClassOf(control);
      if (lstrcmpiA(cls.c_str(), "Static") == 0 && !Text(control).empty()) {
        std::printf("text %s\n", Hex(Text(control)).c_str());
      } else if (lstrcmpiA(cls.c_str(), "Button") == 0) {
        std::printf("button %s\n", Hex(Text(control)).c_str());
      }
    }
    return 0;
  }
  if (command == "endsession" || command == "queryendsession") {
    // queryendsession: asked, then called off (another program refused): the session goes on.
    const BOOL ending = command == "endsession";
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(form, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
    SendMessageTimeoutA(form, WM_ENDSESSION, ending, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, nullptr);
    std::printf("ok %lu\n", static_cast<unsigned long>(answer));
    return 0;
  }
  if (command == "ping") {
    DWORD start = GetTickCount();
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout_ms), &answer)) {
      return Fail("no-answer");
    }
    std::printf("ok %lu\n", static_cast<unsigned long>(GetTickCount() - start));
    return 0;
  }
  if (command == "repaint") {
    DWORD start = GetTickCount();
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    while (GetUpdateRect(form, nullptr, FALSE)) {
      if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return Fail("not-painted");
      Sleep(10);
    }
    std::printf("ok %lu\n", static_cast<unsigned long>(GetTickCount() - start));
    return 0;
  }
  if (command == "close") {
    PostMessageA(form, WM_CLOSE, 0, 0);
    std::printf("ok\n");
    return 0;
  }
  if (command == "minimize") {
    PostMessageA(form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    std::printf("ok\n");
    return 0;
  }
  if (command == "move" && args.size() >= 4) {
    SetWindowPos(form, nullptr, std::atoi(args[2].c_str()), std::atoi(args[3].c_str()), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    std::printf("ok\n");
    return 0;
  }
  if (command == "keys") {
    if (!BringToFront(form)) return Fail("not-foreground");
    for (std::size_t i = 2; i < args.size(); ++i) {
      std::string key = args[i];
      WORD modifier = 0;
      if (key.rfind("alt+", 0) == 0) modifier = VK_MENU;
      if (key.rfind("shift+", 0) == 0) modifier = VK_SHIFT;
      if (modifier != 0) key = key.substr(key.find('+') + 1);
      WORD code = static_cast<WORD>(std::strtol(key.c_str(), nullptr, 16));
      if (modifier) SendKey(modifier, false);
      SendKey(code, false);
      SendKey(code, true);
      if (modifier) SendKey(modifier, true);
    }
    std::printf("ok\n");
    return 0;
  }
  if (args.size() < 3) return Fail("usage");
  HWND control = nullptr;
  DWORD start = GetTickCount();
  while ((control = FindControl(form, args[2])) == nullptr) {
    if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return Fail("no-control");
    Sleep(100);
  }
  if (command == "gettext") {
    std::printf("text %s\n", Hex(Text(control)).c_str());
    return 0;
  }
  if (command == "items") {
    bool combo = lstrcmpiA(ClassOf(control).c_str(), "ComboBox") == 0;
    LRESULT count = SendMessageA(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::string text = ItemText(control, combo, static_cast<WPARAM>(i));
      std::printf("item %ld %s\n", static_cast<long>(i), Hex(text).c_str());
    }
    if (combo) std::printf("selected %ld\n", static_cast<long>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
    return 0;
  }
  if (command == "click") {
    PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
    std::printf("ok\n");
    return 0;
  }
  if (command == "press") {
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout_ms), &answer);
    if (sent == 0) return Fail("press-timeout");
    std::printf("ok\n");
    return 0;
  }
  if (command == "select" && args.size() >= 5) {
    SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(std::atoi(args[3].c_str())),
                 static_cast<LPARAM>(std::atoi(args[4].c_str())));
    std::printf("ok\n");
    return 0;
  }
  if (command == "paste" && args.size() >= 4) {
    std::vector<WCHAR> text = WideOf(args[3]);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
    auto* wide = static_cast<WCHAR*>(GlobalLock(memory));
    std::copy(text.begin(), text.end(), wide);
    wide[text.size()] = 0;
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) return Fail("clipboard");
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    SendMessageW(control, WM_PASTE, 0, 0);
    std::printf("ok\n");
    return 0;
  }
  if (command == "colwidths") {
    std::printf("widths %s\n", Joined(ColumnWidths(control)).c_str());
    return 0;
  }
  if (command == "current") {
    RECT box = ColorBox(control, GetSysColor(COLOR_HIGHLIGHT));
    LRESULT item = SendMessageA(control, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    GUITHREADINFO gui;
    std::memset(&gui, 0, sizeof gui);
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &gui);
    std::printf("current item=%ld focused=%d box=%d,%d,%d,%d\n", static_cast<long>(item), gui.hwndFocus == control ? 1 : 0,
                int(box.left), int(box.top), int(box.right - box.left), int(box.bottom - box.top));
    // Column 0 starts where the header's first item does (left of 0 when scrolled).
    HWND header = reinterpret_cast<HWND>(SendMessageA(control, LVM_GETHEADER, 0, 0));
    RECT header_frame = {};
    GetWindowRect(header, &header_frame);
    POINT origin = {0, 0};
    ClientToScreen(control, &origin);
    int left = int(header_frame.left - origin.x) - GetScrollPos(control, SB_HORZ);
    std::printf("columns left=%d widths=%s\n", left, Joined(ColumnWidths(control)).c_str());
    return 0;
  }
  if (command == "settext" && args.size() >= 4) {
    std::string text = Unhex(args[3]);
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    std::printf("ok\n");
    return 0;
  }
  if (command == "type" && args.size() >= 4) {
    for (WCHAR unit : WideOf(args[3])) SendMessageW(control, WM_CHAR, unit, 1);
    std::printf("ok\n");
    return 0;
  }
  if (command == "input" && args.size() >= 4) {
    if (!BringToFront(form)) return Fail("not-foreground");
    if (!FocusControl(control)) return Fail("not-focused");
    for (WCHAR unit : WideOf(args[3])) SendUnit(unit);
    std::printf("ok\n");
    return 0;
  }
  if (command == "choose" && args.size() >= 4) {
    SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(args[3].c_str())), 0);
    PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
    std::printf("ok\n");
    return 0;
  }
  if (command == "cell" && args.size() >= 5) {
    // The item and its text buffer must lie in the list view's own process.
    DWORD pid = 0;
    GetWindowThreadProcessId(control, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr) return Fail("no-process");
    const int chars = 1024;
    const SIZE_T size = sizeof(LVITEMW) + chars * sizeof(WCHAR);
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (remote == nullptr) {
      CloseHandle(process);
      return Fail("no-memory");
    }
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iSubItem = std::atoi(args[4].c_str());
    item.pszText = reinterpret_cast<WCHAR*>(remote + sizeof(LVITEMW));
    item.cchTextMax = chars;
    std::vector<WCHAR> text(chars + 1, 0);
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    WriteProcessMemory(process, remote + sizeof(LVITEMW), text.data(), chars * sizeof(WCHAR), nullptr);
    DWORD_PTR got = 0;
    SendMessageTimeoutW(control, LVM_GETITEMTEXTW, static_cast<WPARAM>(std::atoi(args[3].c_str())),
                        reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &got);
    ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), chars * sizeof(WCHAR), nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    std::printf("text %s\n", Hex(Narrow(text.data(), WideLength(text.data(), chars))).c_str());
    return 0;
  }
  if (command == "colwidth" && args.size() >= 5) {
    SendMessageA(control, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(std::atoi(args[3].c_str())),
                 MAKELPARAM(std::atoi(args[4].c_str()), 0));
    std::printf("ok\n");
    return 0;
  }
  return Fail("usage");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int status = Run(args);
  std::fflush(stdout);
  return status;
}
