#include "platform/retry.h"

#include <algorithm>

#include "platform/file_lock.h"

namespace platform {

bool RetryTransient(const std::function<Attempt()>& attempt, int budget_ms, int first_pause_ms,
                    const std::function<void(int)>& sleep) {
  int waited = 0;
  int pause = std::max(first_pause_ms, 1);
  for (;;) {
    Attempt result = attempt();
    if (result == Attempt::Done) return true;
    if (result == Attempt::Failed || waited >= budget_ms) return false;
    int step = std::min(pause, budget_ms - waited);
    if (sleep) {
      sleep(step);
    } else {
      SleepMilliseconds(step);
    }
    waited += step;
    pause = std::min(pause * 2, 200);
  }
}

}  // namespace platform
