#include "platform/headless/headless.h"

#include <algorithm>

#include "platform/headless/chart_recorder.h"
#include "platform/ui/progress.h"

namespace headless {

std::unique_ptr<ui::Peer> HeadlessBackend::CreatePeer(ui::Control& control) {
  if (control.Kind() == ui::ControlKind::Chart) return std::make_unique<ChartRecorder>(control);
  return nullptr;
}

HeadlessBackend::HeadlessBackend() {
  previous_ = nullptr;
  ui::SetBackend(this);
}

HeadlessBackend::~HeadlessBackend() { ui::SetBackend(previous_); }

std::vector<std::string> HeadlessBackend::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& message : messages) {
    if (!message.question) texts.push_back(message.text);
  }
  return texts;
}

void HeadlessBackend::RunModal(ui::Form& form) {
  if (modal_hook) {
    auto hook = modal_hook;
    hook(form);
  }
  if (form.Visible()) form.Close();
}

void HeadlessBackend::MessageBox(const std::string& caption, const std::string& text, bool error) {
  messages.push_back({caption, text, error, false});
}

ui::Answer HeadlessBackend::Question(const std::string& caption, const std::string& text) {
  messages.push_back({caption, text, false, true});
  if (answers.empty()) return ui::Answer::Closed;
  ui::Answer answer = answers.front();
  answers.pop_front();
  return answer;
}

bool HeadlessBackend::RunFileDialog(ui::FileDialog& dialog) {
  file_dialogs.push_back(dialog);
  if (file_answers.empty()) return false;
  FileDialogAnswer answer = file_answers.front();
  file_answers.pop_front();
  if (answer.accept) dialog.FileName = answer.file_name;
  return answer.accept;
}

void HeadlessBackend::ProcessEvents(const std::function<bool()>& go_on) {
  (void)go_on;
  if (ui::ProgressWindow* window = ui::ProgressWindow::Active()) {
    progress.push_back({window->Text(), window->Label1.Text(), window->Label2.Text(),
                        window->ProgressBar1.Done()});
  }
  if (on_events) {
    auto hook = on_events;
    hook();
  }
}

void HeadlessBackend::BusyChanged() {
  const bool shown = ui::BusyCursorShown();
  busy_changes.push_back(shown);
  if (shown && on_busy) {
    auto hook = on_busy;
    hook();
  }
}

void HeadlessBackend::DiscardInput(ui::Form& form) {
  auto for_form = [&form](const auto& input) { return input.first == &form; };
  discarded_inputs += static_cast<int>(std::count_if(queued_input.begin(), queued_input.end(), for_form));
  queued_input.erase(std::remove_if(queued_input.begin(), queued_input.end(), for_form), queued_input.end());
}

void HeadlessBackend::DeliverQueuedInput() {
  auto inputs = std::move(queued_input);
  queued_input.clear();
  for (auto& input : inputs) input.second();
}

}  // namespace headless
