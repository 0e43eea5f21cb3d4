// The toolkit without windows, for tests: message boxes are recorded, questions and file
// dialogs answer from a script, and a modal form runs a hook the test installs.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/controls.h"

namespace headless {

struct ShownMessage {
  std::string caption;
  std::string text;
  bool error = false;
  bool question = false;
};

// What a progress window showed each time the work let the events run.
struct ShownProgress {
  std::string caption;
  std::string activity;  // Label1: what is done, and the file
  std::string rows;      // Label2: rows so far
  int bar = 0;           // the bar, 0 to ui::ProgressBar::kFull; -1: moving without a measure
};

struct FileDialogAnswer {
  bool accept = false;
  std::string file_name;
};

class HeadlessBackend : public ui::Backend {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;

  // Everything shown so far, oldest first.
  std::vector<ShownMessage> messages;
  // Answers for AskYesNo, used first to last; an empty script answers Closed.
  std::deque<ui::Answer> answers;
  // Answers for file dialogs; an empty script cancels.
  std::deque<FileDialogAnswer> file_answers;
  // The dialogs as they were when executed (filter, default extension, options).
  std::vector<ui::FileDialog> file_dialogs;
  // Runs while a form is shown modally; the form is closed afterwards if the hook left it open.
  std::function<void(ui::Form&)> modal_hook;
  bool quit = false;

  // Long work: what the progress window showed at each turn of the events, oldest first, and a
  // hook that runs at each turn (a test presses 中止 there, or tries the other windows).
  std::vector<ShownProgress> progress;
  std::function<void()> on_events;
  // The wait cursor: whether it showed, at each change (true: switched on); and a hook that runs
  // each time it is switched on (the guarded work is about to talk to the server).
  std::vector<bool> busy_changes;
  std::function<void()> on_busy;
  // Input that reached a form while its handler worked (a test queues presses here); it is
  // delivered by DeliverQueuedInput unless the form dropped it meanwhile.
  std::vector<std::pair<ui::Form*, std::function<void()>>> queued_input;
  int discarded_inputs = 0;
  void DeliverQueuedInput();

  // Texts of the plain and error messages, in order.
  std::vector<std::string> MessageTexts() const;
  void ClearMessages() { messages.clear(); }

  // Only charts get a peer: one that records what it would draw (chart_recorder.h).
  std::unique_ptr<ui::Peer> CreatePeer(ui::Control& control) override;
  void TimerChanged(ui::Timer&) override {}
  void TimerDestroyed(ui::Timer&) override {}
  void FormShown(ui::Form&) override {}
  void RunModal(ui::Form& form) override;
  void RunMainLoop(ui::Form&) override {}
  void Quit() override { quit = true; }
  void MessageBox(const std::string& caption, const std::string& text, bool error) override;
  ui::Answer Question(const std::string& caption, const std::string& text) override;
  bool RunFileDialog(ui::FileDialog& dialog) override;
  void ProcessEvents(const std::function<bool()>& go_on) override;
  // Turns the events (ProcessEvents: the progress seen, the test's hook) every
  // `long_call_turn_ms` until the worker has returned; `long_call_turns` counts those turns.
  void AnswerUntilDone(platform::WorkerThread& worker) override;
  int long_call_turn_ms = 20;
  long long long_call_turns = 0;
  void BusyChanged() override;
  void DiscardInput(ui::Form& form) override;
  // What the program told the system about holding up the end of the session, oldest first
  // (an empty text: the hold ended).
  std::vector<std::string> session_end_holds;
  void SessionEndHeld(const std::string& reason) override { session_end_holds.push_back(reason); }

 private:
  ui::Backend* previous_;
};

}  // namespace headless
