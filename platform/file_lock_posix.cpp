// flock on the lock file for the native build; the program builds use
// platform/win32/file_lock_win32.cpp.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include "platform/file_lock.h"

namespace platform {

// Each open of the file is a holder of its own, so two holders in one process exclude each other
// just as two processes do. The file stays behind; only the lock on it counts.
bool FileLock::TryOnce(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

void FileLock::Close() {
  const int fd = static_cast<int>(handle_);
  ::flock(fd, LOCK_UN);
  ::close(fd);
  handle_ = -1;
}

void SleepMilliseconds(int milliseconds) {
  struct timespec wait = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (::nanosleep(&wait, &wait) != 0) {
  }
}

}  // namespace platform

#endif
