// An exclusive lock kept through a small file beside the data it guards. Every copy of the
// program that names the same file shares it, also across a network share; the system lets go
// of it when its holder ends, however that happens.
// Implemented with the chosen file access: flock in platform/files_stdio.cpp, a file opened
// without sharing in platform/win32/files_win32.cpp.
#pragma once

#include <string>

namespace platform {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock, trying again for up to `wait_ms` milliseconds while another holder keeps
  // it. False when it stayed taken or the file cannot be created.
  bool Acquire(const std::string& path, int wait_ms);
  void Release();
  bool Held() const { return held_; }

 private:
  bool TryOnce(const std::string& path);
  void Close();

  bool held_ = false;
  long long handle_ = -1;  // a file descriptor, or a HANDLE as a number
};

void SleepMilliseconds(int milliseconds);

}  // namespace platform
