// One piece of work on a thread of its own, for a client call that may take seconds while the
// user-interface thread keeps answering. The build compiles one implementation
// (LUMADEX_THREADS): platform/worker_thread_posix.cpp natively, platform/win32/worker_thread_win32.cpp
// for the program builds (mingw's win32 thread model has no std::thread).
#pragma once

#include <functional>
#include <memory>

namespace platform {

class WorkerThread {
 public:
  // Starts `work` on a new thread; `work` must not throw. Where no thread can be started the work
  // runs here, before the constructor returns.
  explicit WorkerThread(std::function<void()> work);
  // Waits for the work.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // True once the work has returned; waits up to `milliseconds` for it (negative: without bound).
  bool WaitFor(int milliseconds);
  // What a Win32 wait can take beside the messages (the thread's HANDLE), null elsewhere or when
  // the work ran in the constructor.
  void* WaitHandle() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
