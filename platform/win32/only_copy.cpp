// One copy of the program per program file and user session: a mutex named after the program
// file's full path, and a window property that marks the running copy's main window.
#include <windows.h>
#undef MessageBox

#include <cstdio>
#include <string>

#include "platform/cp932.h"
#include "platform/win32/form_peer.h"
#include "platform/win32/peers_win32.h"
#include "platform/win32/win32.h"

namespace platform::win32 {
namespace {

// "Lumadex-" and a hash of the upper-cased path: copies in different folders are separate
// programs (tests run them as separate PCs); letter case of the path does not count, as on
// Windows' file systems.
std::string CopyName(const std::string& program_path) {
  std::string upper = cp932::UpperAscii(program_path);
  uint64_t hash = 1469598103934665603ull;  // FNV-1a, 64 bits
  for (unsigned char byte : upper) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return std::string("Lumadex-") + digits;
}

struct Search {
  const char* property;
  HWND found = nullptr;
};

BOOL CALLBACK FindMarkedWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != GetCurrentProcessId() && GetPropA(hwnd, search->property) != nullptr) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool ProgramPathFitsCodePage() {
  WCHAR path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return true;  // the ANSI path will tell its own failure
  BOOL lost = FALSE;
  char narrow[4 * MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, static_cast<int>(length), narrow, sizeof narrow, nullptr,
                      &lost);
  return !lost;
}

void ShowStartupMessage(const std::string& caption, const std::string& text) {
  WCHAR wide_caption[256] = {};
  WCHAR wide_text[2048] = {};
  MultiByteToWideChar(932, 0, caption.c_str(), -1, wide_caption, 255);
  MultiByteToWideChar(932, 0, text.c_str(), -1, wide_text, 2047);
  MessageBoxW(nullptr, wide_text, wide_caption, MB_OK | MB_ICONERROR);
}

UINT ShowMainWindowMessage() {
  static UINT message = RegisterWindowMessageA("Lumadex.ShowMainWindow");
  return message;
}

namespace {
UINT end_program_message = 0;
}  // namespace

UINT EndProgramMessage() { return end_program_message; }

OnlyCopy::OnlyCopy(const std::string& program_path) : name_(CopyName(program_path)) {
  // The installer asks this program file's copy to end with a message whose name holds the
  // file's path, upper-cased by the system as the installer does it: a copy in another folder
  // does not answer.
  WCHAR path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    CharUpperW(path);
    WCHAR name[300] = L"Lumadex.EndProgram:";
    if (lstrlenW(name) + lstrlenW(path) < 256) {
      lstrcatW(name, path);
      end_program_message = RegisterWindowMessageW(name);
    }
  }
  // The session's own namespace: another user's copy on the same PC records under its own name.
  HANDLE mutex = CreateMutexA(nullptr, FALSE, ("Local\\" + name_).c_str());
  const DWORD error = GetLastError();
  // A copy started elevated ("run as administrator") made the mutex with rights ours cannot
  // open: the name exists, so that copy runs and records already. Any other failure leaves the
  // question open; recording twice is then better than not at all.
  first_ = mutex == nullptr ? error != ERROR_ACCESS_DENIED : error != ERROR_ALREADY_EXISTS;
  mutex_ = mutex;
}

OnlyCopy::~OnlyCopy() {
  if (mutex_ != nullptr) CloseHandle(static_cast<HANDLE>(mutex_));
}

void OnlyCopy::MarkMainWindow(ui::Form& main) {
  auto* peer = dynamic_cast<FormPeer*>(main.GetPeer());
  if (peer != nullptr && peer->Handle() != nullptr) {
    SetPropA(peer->Handle(), name_.c_str(), reinterpret_cast<HANDLE>(1));
    // An elevated copy still hears a later start by hand (the system filters messages from a
    // process of lower integrity otherwise).
    ChangeWindowMessageFilterEx(peer->Handle(), ShowMainWindowMessage(), MSGFLT_ALLOW, nullptr);
    if (EndProgramMessage() != 0) {
      ChangeWindowMessageFilterEx(peer->Handle(), EndProgramMessage(), MSGFLT_ALLOW, nullptr);
    }
  }
}

bool OnlyCopy::ShowFirstCopy() {
  // The running copy may have just started and not made its window yet.
  for (int attempt = 0; attempt < 50; ++attempt) {
    Search search{name_.c_str()};
    EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      DWORD process = 0;
      GetWindowThreadProcessId(search.found, &process);
      // This copy was started by the user and may hand the foreground on.
      AllowSetForegroundWindow(process);
      return PostMessageA(search.found, ShowMainWindowMessage(), 0, 0) != FALSE;
    }
    Sleep(100);
  }
  return false;
}

}  // namespace platform::win32
