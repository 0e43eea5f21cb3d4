// The worker of platform/worker_thread.h with std::thread (the native build).
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/worker_thread.h"

namespace platform {

struct WorkerThread::State {
  std::mutex mutex;
  std::condition_variable finished_changed;
  bool finished = false;
  std::thread thread;
};

WorkerThread::WorkerThread(std::function<void()> work) : state_(std::make_unique<State>()) {
  State* state = state_.get();
  auto run = [state, work = std::move(work)] {
    work();
    std::lock_guard<std::mutex> lock(state->mutex);
    state->finished = true;
    state->finished_changed.notify_all();
  };
  try {
    state->thread = std::thread(run);
  } catch (const std::system_error&) {
    run();  // no thread to be had: the work runs here
  }
}

WorkerThread::~WorkerThread() {
  if (state_->thread.joinable()) state_->thread.join();
}

bool WorkerThread::WaitFor(int milliseconds) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  if (milliseconds < 0) {
    state_->finished_changed.wait(lock, [this] { return state_->finished; });
    return true;
  }
  return state_->finished_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                           [this] { return state_->finished; });
}

void* WorkerThread::WaitHandle() const { return nullptr; }

}  // namespace platform
