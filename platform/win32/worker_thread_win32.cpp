// The worker of platform/worker_thread.h with CreateThread (the program builds: mingw's win32
// thread model has no std::thread; Winelib threads are the same calls).
#include <windows.h>

#include "platform/worker_thread.h"

namespace platform {

struct WorkerThread::State {
  std::function<void()> work;
  HANDLE thread = nullptr;
};

namespace {
DWORD WINAPI RunWork(LPVOID parameter) {
  static_cast<std::function<void()>*>(parameter)->operator()();
  return 0;
}
}  // namespace

WorkerThread::WorkerThread(std::function<void()> work) : state_(std::make_unique<State>()) {
  state_->work = std::move(work);
  state_->thread = CreateThread(nullptr, 0, &RunWork, &state_->work, 0, nullptr);
  if (state_->thread == nullptr) state_->work();  // no thread to be had: the work runs here
}

WorkerThread::~WorkerThread() {
  if (state_->thread == nullptr) return;
  WaitForSingleObject(state_->thread, INFINITE);
  CloseHandle(state_->thread);
}

bool WorkerThread::WaitFor(int milliseconds) {
  if (state_->thread == nullptr) return true;
  const DWORD timeout = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
  return WaitForSingleObject(state_->thread, timeout) == WAIT_OBJECT_0;
}

void* WorkerThread::WaitHandle() const { return state_->thread; }

}  // namespace platform
