// A long client call on the worker: the events keep turning while it runs, the progress window's
// 中止 can be pressed meanwhile (it takes effect once the call has returned), no timer tick comes,
// what the call throws is thrown on this thread, and a second call waits for the first.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/headless/headless.h"
#include "platform/ui/long_call.h"
#include "platform/ui/progress.h"
#include "platform/ui/controls.h"
#include "platform/worker_thread.h"

namespace {

// A call that holds its worker until this thread said so, as a commit holds it until the server
// answers: the test decides when it returns, whatever the speed of the machine.
class HeldCall {
 public:
  void operator()() {
    worker_thread = std::this_thread::get_id();
    // Given up after a while, so that a call run where nothing turns the events fails the test
    // instead of holding it.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!released.load() && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    returned.store(true);
  }
  std::atomic<bool> released{false};
  std::atomic<bool> returned{false};
  std::thread::id worker_thread;
};

class LongCall : public ::testing::Test {
 protected:
  LongCall() {
    ui::app::SetTitle("t482－Test");
    main.SetVisible(true);
    backend.long_call_turn_ms = 1;
  }
  ~LongCall() override { ui::app::NoteSessionGoesOn(); }

  headless::HeadlessBackend backend;
  ui::Form main{"Main"};
};

TEST_F(LongCall, EventsTurnWhileTheCallRunsAndCancelAndTicksWaitForIt) {
  ui::app::Run(main);
  ui::Timer timer(&main);
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetEnabled(true);

  HeldCall call;
  int turns_in_call = 0;
  bool cancelled_in_call = false;
  {
    ui::ProgressWindow progress("読み込み中", "C:\\データ\\long.txt");
    backend.on_events = [&] {
      if (!ui::LongCallRunning()) return;
      if (!call.released.load()) {
        EXPECT_FALSE(call.returned.load());
      }
      ++turns_in_call;
      if (turns_in_call == 3) {
        progress.Button1.Click();  // 中止, pressed while the call runs
        cancelled_in_call = progress.Cancelled();
        EXPECT_FALSE(progress.Button1.Enabled());
      }
      if (turns_in_call == 4) {
        timer.Fire();  // the tick would use the connection the call holds
        call.released.store(true);
      }
    };
    ui::RunLongCall([&] { call(); });
    backend.on_events = nullptr;
    EXPECT_TRUE(call.returned.load());
    EXPECT_FALSE(ui::LongCallRunning());
    EXPECT_TRUE(progress.Cancelled());  // seen by the work once the call has returned
    EXPECT_FALSE(progress.Report(1));
  }
  EXPECT_NE(call.worker_thread, std::this_thread::get_id());
  EXPECT_GE(turns_in_call, 4);
  EXPECT_TRUE(cancelled_in_call);
  EXPECT_EQ(ticks, 0);
  timer.Fire();  // once the call and the work are over the ticks come again
  EXPECT_EQ(ticks, 1);
}

TEST_F(LongCall, ResultsAndExceptionsComeBackToThisThread) {
  EXPECT_EQ(ui::RunLongCallFor([] { return std::string("登録しました"); }), "登録しました");
  EXPECT_TRUE(ui::RunLongCallFor([] { return true; }));

  // The exception keeps its type and its text; the call is over when it arrives.
  try {
    ui::RunLongCall([] { throw std::out_of_range("接続が切れました"); });
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), "接続が切れました");
  }
  EXPECT_FALSE(ui::LongCallRunning());
  // And the next call runs as usual.
  int runs = 0;
  ui::RunLongCall([&] { ++runs; });
  EXPECT_EQ(runs, 1);
}

TEST_F(LongCall, ACallAskedForWhileOneRunsWaitsForItAndRunsOnThisThread) {
  HeldCall first;
  bool second_ran_after_first = false;
  std::thread::id second_thread;
  backend.on_events = [&] {
    if (!ui::LongCallRunning() || second_thread != std::thread::id()) return;
    first.released.store(true);
    ui::RunLongCall([&] {
      second_thread = std::this_thread::get_id();
      second_ran_after_first = first.returned.load();
    });
  };
  ui::RunLongCall([&] { first(); });
  backend.on_events = nullptr;
  EXPECT_TRUE(second_ran_after_first);
  EXPECT_EQ(second_thread, std::this_thread::get_id());
  EXPECT_NE(first.worker_thread, std::this_thread::get_id());
}

TEST(WorkerThread, RunsTheWorkElsewhereAndIsWaitedFor) {
  std::atomic<bool> release{false};
  std::thread::id where;
  platform::WorkerThread worker([&] {
    where = std::this_thread::get_id();
    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  EXPECT_FALSE(worker.WaitFor(0));  // held until released
  release.store(true);
  EXPECT_TRUE(worker.WaitFor(-1));
  EXPECT_TRUE(worker.WaitFor(0));  // and stays finished
  EXPECT_NE(where, std::this_thread::get_id());
}

TEST(LongCallWithoutBackend, RunsOnThisThread) {
  // A benchmark's bare loop installs no toolkit: nothing to keep answering.
  std::thread::id where;
  ui::RunLongCall([&] { where = std::this_thread::get_id(); });
  EXPECT_EQ(where, std::this_thread::get_id());
}

}  // namespace
