#include "platform/ui/long_call.h"

#include <exception>

#include "platform/worker_thread.h"

namespace ui {

namespace {
platform::WorkerThread* call_in_flight = nullptr;

void SetCallInFlight(platform::WorkerThread* worker) {
  call_in_flight = worker;
  SetLongCallRunning(worker != nullptr);
}
int session_end_holds = 0;
}  // namespace

SessionEndHold::SessionEndHold(const std::string& reason) {
  if (session_end_holds++ == 0 && BackendInstalled()) CurrentBackend().SessionEndHeld(reason);
}

SessionEndHold::~SessionEndHold() {
  if (--session_end_holds == 0 && BackendInstalled()) CurrentBackend().SessionEndHeld(std::string());
}

bool SessionEndHeld() { return session_end_holds > 0; }

void AwaitLongCall() {
  if (call_in_flight != nullptr) call_in_flight->WaitFor(-1);
}

void RunLongCall(const std::function<void()>& call) {
  if (!BackendInstalled()) {
    call();
    return;
  }
  if (call_in_flight != nullptr) {
    // Asked for by a handler that ran while another call is in flight: one call at a time on
    // the connection, so this one runs after it.
    AwaitLongCall();
    call();
    return;
  }
  std::exception_ptr failure;
  {
    platform::WorkerThread worker([&call, &failure] {
      try {
        call();
      } catch (...) {
        failure = std::current_exception();
      }
    });
    SetCallInFlight(&worker);
    try {
      CurrentBackend().AnswerUntilDone(worker);
    } catch (...) {
      // The backend never lets a handler's exception out; whatever came, the call is waited for.
      worker.WaitFor(-1);
      SetCallInFlight(nullptr);
      throw;
    }
    worker.WaitFor(-1);
    SetCallInFlight(nullptr);
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace ui
