// The lock file for the program builds: opened without sharing, so a second opener is refused
// until the holder closes it; the file goes away with the last close.
#ifdef _WIN32

#include <windows.h>

#include "platform/file_lock.h"

namespace platform {

bool FileLock::TryOnce(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<long long>(file);
  return true;
}

void FileLock::Close() {
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

void SleepMilliseconds(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace platform

#endif
