// jwstand: stands in for the CAD program in the end-to-end tests. It opens visible, unowned
// top-level windows with the titles it is told, sets the program's registry value, and creates
// drawing files with a given modification time. Commands come one per line on standard input
// (texts as hex of their Shift-JIS bytes); each is answered with "ok ..." or "error ..." on
// standard output once done.
//
//   open NAME HEXTITLE        a new window, known to later commands as NAME
//   retitle NAME HEXTITLE     new title for that window
//   close NAME                destroys that window
//   folder HEXTEXT            HKCU\SOFTWARE\Jw_cad\jw_win\Folder, value "File" (REG_SZ)
//   nofolder                  deletes that value
//   file HEXPATH Y M D h m s SIZE   creates the file (SIZE bytes), last write at that local time
//   quit
//
// Windows given as arguments ("jwstand HEXTITLE...") are opened at start.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

const UINT kCommandMessage = WM_APP + 1;
const char kWindowClass[] = "JwStandDrawing";
std::map<std::string, HWND> windows;

std::string Unhex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return out;
}

void Answer(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

HWND OpenWindow(const std::string& title) {
  static int offset = 0;
  offset = (offset + 24) % 240;
  HWND hwnd = CreateWindowExA(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              600 + offset, 100 + offset, 320, 200, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  return hwnd;
}

bool SetFolder(const std::string& text, bool remove) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Jw_cad\\jw_win\\Folder", 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG status;
  if (remove) {
    status = RegDeleteValueA(key, "File");
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  } else {
    status = RegSetValueExA(key, "File", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool MakeFile(const std::string& path, int year, int month, int day, int hour, int minute,
              int second, unsigned long size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string block(4096, 'j');
  bool ok = true;
  unsigned long left = size;
  while (ok && left > 0) {
    DWORD chunk = static_cast<DWORD>(left < block.size() ? left : block.size());
    DWORD written = 0;
    ok = WriteFile(file, block.data(), chunk, &written, nullptr) && written == chunk;
    left -= chunk;
  }
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  FILETIME local_time, utc_time;
  ok = ok && SystemTimeToFileTime(&local, &local_time) && LocalFileTimeToFileTime(&local_time, &utc_time) &&
       SetFileTime(file, nullptr, nullptr, &utc_time);
  CloseHandle(file);
  return ok;
}

// Runs one command on the window thread; false ends the program.
bool Execute(const std::string& line) {
  std::istringstream in(line);
  std::string command, name, text;
  in >> command;
  if (command == "open" && in >> name >> text) {
    HWND hwnd = OpenWindow(Unhex(text));
    if (hwnd == nullptr) {
      Answer("error open");
    } else {
      windows[name] = hwnd;
      Answer("ok open " + name + " " + std::to_string(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd))));
    }
  } else if (command == "retitle" && in >> name >> text && windows.count(name)) {
    SetWindowTextA(windows[name], Unhex(text).c_str());
    Answer("ok retitle " + name);
  } else if (command == "close" && in >> name && windows.count(name)) {
    DestroyWindow(windows[name]);
    windows.erase(name);
    Answer("ok close " + name);
  } else if (command == "folder" && in >> text) {
    Answer(SetFolder(Unhex(text), false) ? "ok folder" : "error folder");
  } else if (command == "nofolder") {
    Answer(SetFolder("", true) ? "ok nofolder" : "error nofolder");
  } else if (command == "file") {
    int y, mo, d, h, mi, s;
    unsigned long size;
    if (in >> text >> y >> mo >> d >> h >> mi >> s >> size) {
      Answer(MakeFile(Unhex(text), y, mo, d, h, mi, s, size) ? "ok file" : "error file");
    } else {
      Answer("error usage");
    }
  } else if (command == "quit") {
    Answer("ok quit");
    return false;
  } else {
    Answer("error usage " + command);
  }
  return true;
}

DWORD WINAPI ReadCommands(LPVOID param) {
  DWORD window_thread = static_cast<DWORD>(reinterpret_cast<uintptr_t>(param));
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    PostThreadMessageA(window_thread, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string(line)));
  }
  PostThreadMessageA(window_thread, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
  return 0;
}

LRESULT CALLBACK DrawingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

int main(int argc, char** argv) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = DrawingProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassA(&window_class);

  for (int i = 1; i < argc; ++i) {
    windows["arg" + std::to_string(i)] = OpenWindow(Unhex(argv[i]));
  }
  Answer("ready");

  // Standard input is read on its own thread; the window thread keeps its messages flowing.
  DWORD window_thread = GetCurrentThreadId();
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here
  // A Win32 thread (not std::thread): under Winelib only threads Wine created may call Win32.
  HANDLE reader = CreateThread(nullptr, 0, ReadCommands, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(window_thread)), 0, nullptr);
  if (reader != nullptr) CloseHandle(reader);

  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == kCommandMessage) {
      std::string* line = reinterpret_cast<std::string*>(message.lParam);
      bool go_on = Execute(*line);
      delete line;
      if (!go_on) break;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  for (auto& entry : windows) DestroyWindow(entry.second);
  std::fflush(stdout);
  ExitProcess(0);  // the reader thread may still wait on standard input
}
