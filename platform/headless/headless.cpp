#include "platform/headless/headless.h"

namespace headless {

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

}  // namespace headless
