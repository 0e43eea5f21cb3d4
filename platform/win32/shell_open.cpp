// Opening a file with the program the system associates with its kind.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/win32.h"

namespace platform::win32 {

bool OpenWithShell(const std::string& path) {
  // The record list calls this on its worker thread. The shell may hand the file to a handler
  // that is a COM object, so the thread gets its apartment first, as the shell asks. Every call
  // that succeeded (S_FALSE: the thread had one) is balanced; a thread of another model keeps it.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // The associated program runs on its own; its window belongs to it, not to ours. Values above
  // 32 mean it was started (the documented convention of this call).
  HINSTANCE started = ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (com == S_OK || com == S_FALSE) CoUninitialize();
  return reinterpret_cast<INT_PTR>(started) > 32;
}

}  // namespace platform::win32
