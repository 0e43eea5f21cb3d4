// One client call that may take seconds (an import's block, its commit, the rollback after
// 中止), run on a worker thread while this thread, the user-interface one, keeps letting the
// events run: the windows paint and the progress window's 中止 can be pressed; a cancel takes
// effect once the call has returned.
//
// Only one call is in flight at a time, and nothing else uses the connection meanwhile: the
// other forms take no input under the progress window, no timer event is delivered while a call
// runs (Timer::Fire asks LongCallRunning, which RunLongCall sets), the end of the session waits
// for the call before its handler runs (AwaitLongCall), and a call asked for while one runs waits
// for it and then runs on this thread.
#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/ui/toolkit.h"

namespace ui {

// Runs `call` on a worker and lets the events run here until it returned. What it throws is
// thrown here. Without a UI backend (a benchmark's bare loop) the call runs here directly.
void RunLongCall(const std::function<void()>& call);

// The same for a call with a result.
template <typename Call>
auto RunLongCallFor(Call&& call) -> std::invoke_result_t<Call&> {
  using Result = std::invoke_result_t<Call&>;
  if constexpr (std::is_void_v<Result>) {
    RunLongCall(call);
  } else {
    Result result{};
    RunLongCall([&] { result = call(); });
    return result;
  }
}

// Waits, without letting the events run, until the call in flight (if any) has returned; for a
// handler that must use the connection and cannot be put off (the end of the session).
void AwaitLongCall();

// While it lives, the end of the session waits for the program, and the system shows the user
// `reason` meanwhile: for a call that must not be cut short (an import's commit, after which the
// server holds all of its rows or none). Any other work simply stops when the session ends.
class SessionEndHold {
 public:
  explicit SessionEndHold(const std::string& reason);
  ~SessionEndHold();
  SessionEndHold(const SessionEndHold&) = delete;
  SessionEndHold& operator=(const SessionEndHold&) = delete;
};
// Whether a SessionEndHold lives now.
bool SessionEndHeld();

}  // namespace ui
