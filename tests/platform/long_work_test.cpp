// Long work inside a handler: the wait cursor, the progress window that keeps the program
// answering and takes cancel, and controls that take no input while a load runs.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/ui/progress.h"
#include "platform/ui/controls.h"

namespace {

class LongWork : public ::testing::Test {
 protected:
  LongWork() {
    ui::app::SetTitle("t482－Test");
    ui::ProgressWindow::SetRefreshInterval(std::chrono::milliseconds(0));
    main.SetVisible(true);
    other.SetVisible(true);
    button.Create({.left = 8, .top = 8, .width = 80, .height = 25, .caption = "押す(&P)", .tab_order = 0});
    button.OnClick = [this] { ++clicks; };
  }
  ~LongWork() override {
    ui::ProgressWindow::SetRefreshInterval(std::chrono::milliseconds(50));
    ui::app::NoteSessionGoesOn();
  }

  headless::HeadlessBackend backend;
  ui::Form main{"Main"};
  ui::Form other{"Other"};
  ui::Button button{&other, "Button1"};
  int clicks = 0;
};

TEST_F(LongWork, WaitCursorNestsPausesForBoxesAndIsRestoredWhenTheWorkFails) {
  {
    ui::BusyCursor outer;
    EXPECT_TRUE(ui::BusyCursorShown());
    {
      ui::BusyCursor inner;
    }
    EXPECT_TRUE(ui::BusyCursorShown());
    ui::ShowMessage("途中の案内");  // the box shows the normal cursor
    EXPECT_TRUE(ui::BusyCursorShown());
  }
  EXPECT_FALSE(ui::BusyCursorShown());
  EXPECT_EQ(backend.busy_changes, (std::vector<bool>{true, false, true, false}));

  // An exception out of the guarded work: the cursor is back before the error box shows (a box
  // shown while it was on would have switched it off and on once more).
  backend.busy_changes.clear();
  backend.ClearMessages();
  button.OnClick = [&] {
    ui::BusyCursor busy;
    throw std::runtime_error("サーバーに届きません");
  };
  button.Click();
  EXPECT_FALSE(ui::BusyCursorShown());
  EXPECT_EQ(backend.busy_changes, (std::vector<bool>{true, false}));
  ASSERT_EQ(backend.MessageTexts().size(), 1u);
  EXPECT_NE(backend.MessageTexts()[0].find("サーバーに届きません"), std::string::npos);
}

TEST_F(LongWork, ProgressWindowShowsTheFiguresAndHoldsTheOtherWindows) {
  other.SetEnabled(true);
  main.SetEnabled(false);  // already taking no input (a modal dialog's owner): stays so after
  ui::app::Run(main);
  ui::Timer timer(&other);
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetEnabled(true);
  bool checked = false;
  {
    ui::BusyCursor busy;
    ui::ProgressWindow progress("読み込み中", "C:\\データ\\表示.txt");
    EXPECT_EQ(ui::ProgressWindow::Active(), &progress);
    EXPECT_TRUE(ui::WorkRunning());
    backend.on_events = [&] {
      if (checked) return;
      checked = true;
      EXPECT_FALSE(other.Enabled());
      EXPECT_FALSE(main.Enabled());
      button.Click();  // the other windows take no input
      timer.Fire();    // and no tick comes while the work holds the connection
      EXPECT_TRUE(ui::BusyCursorOver(other));
      EXPECT_FALSE(ui::BusyCursorOver(progress));  // its cancel button is meant to be pressed
    };
    for (long long line = 1; line <= 200; ++line) {
      ASSERT_TRUE(progress.Report(line, line / 256.0));
    }
  }
  EXPECT_TRUE(checked);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(ui::ProgressWindow::Active(), nullptr);
  EXPECT_TRUE(other.Enabled());
  EXPECT_FALSE(main.Enabled());
  timer.Fire();
  EXPECT_EQ(ticks, 1);

  ASSERT_GE(backend.progress.size(), 10u);
  const headless::ShownProgress& first = backend.progress.front();
  EXPECT_EQ(first.caption, "読み込み中");
  EXPECT_EQ(first.activity, "読み込み中：表示.txt");  // 示 carries a 0x5C trail byte
  EXPECT_EQ(first.rows, "0件");
  EXPECT_EQ(first.bar, -1);  // before the first step nothing is known
  long long previous = -1;
  for (const headless::ShownProgress& shown : backend.progress) {
    const long long rows = std::stoll(shown.rows);
    EXPECT_GE(rows, previous);
    previous = rows;
  }
  // Shown every 16 steps here (no wait between refreshes): the last time at step 192.
  EXPECT_EQ(backend.progress.back().rows, "192件（75%）");
  EXPECT_EQ(backend.progress.back().bar, 750);
}

TEST_F(LongWork, CancelButtonEscapeClosingAndTheSessionsEndStopTheWork) {
  auto run_until_stopped = [this](const std::function<void(ui::ProgressWindow&)>& stop) {
    ui::ProgressWindow progress("書き出し中", "/tmp/out.txt");
    long long steps = 0;
    while (progress.Report(++steps)) {
      if (steps == 100) stop(progress);
      if (steps > 10000) break;
    }
    EXPECT_TRUE(progress.Cancelled());
    return steps;
  };
  // Stopped at the next step after the press, whatever the refresh interval.
  EXPECT_EQ(run_until_stopped([](ui::ProgressWindow& p) { p.Button1.Click(); }), 101);
  EXPECT_EQ(run_until_stopped([](ui::ProgressWindow& p) { p.PressEscape(); }), 101);
  EXPECT_EQ(run_until_stopped([](ui::ProgressWindow& p) { p.Close(); }), 101);
  EXPECT_EQ(run_until_stopped([](ui::ProgressWindow&) { ui::app::NoteSessionEnding(); }), 101);
  EXPECT_TRUE(ui::app::SessionEnding());
  // Work the user starts afterwards: the session went on after all.
  ui::ProgressWindow next("書き出し中", "/tmp/out.txt");
  EXPECT_FALSE(ui::app::SessionEnding());
  EXPECT_TRUE(next.Report(1));
  EXPECT_FALSE(other.Enabled());
}

TEST_F(LongWork, InputPauseRefusesInputDropsWhatQueuedAndGivesTheFocusBack) {
  ui::Edit edit(&other, "Edit1");
  ui::Button disabled(&other, "Button2");
  disabled.SetEnabled(false);
  edit.SetFocus();
  int main_inputs = 0;
  {
    ui::InputPause pause(other, {&button, &edit, &disabled});
    EXPECT_FALSE(button.Enabled());
    EXPECT_FALSE(edit.Enabled());
    button.Click();
    edit.Type("x");
    // Presses that reached the windows meanwhile: the paused form's are dropped.
    for (int i = 0; i < 100; ++i) backend.queued_input.push_back({&other, [this] { button.Click(); }});
    backend.queued_input.push_back({&main, [&] { ++main_inputs; }});
  }
  EXPECT_TRUE(button.Enabled());
  EXPECT_TRUE(edit.Enabled());
  EXPECT_FALSE(disabled.Enabled());
  EXPECT_TRUE(edit.Focused());
  EXPECT_EQ(backend.discarded_inputs, 100);
  backend.DeliverQueuedInput();
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(edit.Text(), "");
  EXPECT_EQ(main_inputs, 1);
}

}  // namespace
