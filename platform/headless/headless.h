// The toolkit without windows, for tests: message boxes are recorded, questions and file
// dialogs answer from a script, and a modal form runs a hook the test installs.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/toolkit.h"

namespace headless {

struct ShownMessage {
  std::string caption;
  std::string text;
  bool error = false;
  bool question = false;
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

  // Texts of the plain and error messages, in order.
  std::vector<std::string> MessageTexts() const;
  void ClearMessages() { messages.clear(); }

  std::unique_ptr<ui::Peer> CreatePeer(ui::Control&) override { return nullptr; }
  void TimerChanged(ui::Timer&) override {}
  void TimerDestroyed(ui::Timer&) override {}
  void FormShown(ui::Form&) override {}
  void RunModal(ui::Form& form) override;
  void RunMainLoop(ui::Form&) override {}
  void Quit() override { quit = true; }
  void MessageBox(const std::string& caption, const std::string& text, bool error) override;
  ui::Answer Question(const std::string& caption, const std::string& text) override;
  bool RunFileDialog(ui::FileDialog& dialog) override;

 private:
  ui::Backend* previous_;
};

}  // namespace headless
