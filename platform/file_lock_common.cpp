#include "platform/file_lock.h"

namespace platform {

bool FileLock::Acquire(const std::string& path, int wait_ms) {
  if (held_) return true;
  constexpr int kStepMs = 20;
  for (int waited = 0;; waited += kStepMs) {
    if (TryOnce(path)) {
      held_ = true;
      return true;
    }
    if (waited >= wait_ms) return false;
    SleepMilliseconds(kStepMs);
  }
}

void FileLock::Release() {
  if (!held_) return;
  Close();
  held_ = false;
}

}  // namespace platform
