// Opening a file with the program the system associates with its kind.
#include <windows.h>
#include <shellapi.h>

#include "platform/win32/win32.h"

namespace platform::win32 {

bool OpenWithShell(const std::string& path) {
  // The associated program runs on its own; its window belongs to it, not to ours. Values above
  // 32 mean it was started (the documented convention of this call).
  HINSTANCE started = ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(started) > 32;
}

}  // namespace platform::win32
