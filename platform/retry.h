// Repeating a file operation that another program holds up for a moment: on Windows an
// antivirus scanner, the indexer, a sync client or Excel opens a file just written or about to be
// replaced, and a rename fails with access denied or a sharing violation until it lets go.
#pragma once

#include <functional>

namespace platform {

enum class Attempt {
  Done,       // succeeded
  Transient,  // failed in a way another program's short hold explains: worth another try
  Failed,     // failed for good
};

// Runs `attempt` until it is done or fails for good, trying again after a transient failure
// with pauses that grow from `first_pause_ms`, for at most `budget_ms` of pauses in all. True
// when an attempt succeeded. `sleep` waits the given milliseconds (tests pass their own).
bool RetryTransient(const std::function<Attempt()>& attempt, int budget_ms = 1000, int first_pause_ms = 20,
                    const std::function<void(int)>& sleep = {});

}  // namespace platform
