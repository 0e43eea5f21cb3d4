#include "tests/support/program_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/UnitV.h"
#include "platform/ui/toolkit.h"

namespace testsupport {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string OnlyErrorSentence(const headless::HeadlessBackend& backend) {
  std::string shown;
  for (const headless::ShownMessage& message : backend.messages) {
    shown += (message.error ? " [error box] " : " [message] ") + message.text;
  }
  if (backend.messages.size() != 1 || !backend.messages[0].error) return "shown:" + shown;
  const std::string& text = backend.messages[0].text;
  return text.substr(0, text.find("\r\n"));
}

ProgramFixture::ProgramFixture() {
  ResetSettingsToDefaults();
  platform::SetCurrentServices(&services);
  ui::app::SetTitle(kApplicationTitle);
  services.program_path = folder.Path() + "Lumadex.exe";
  forms = std::make_unique<ProgramForms>(services);
}

ProgramFixture::~ProgramFixture() {
  forms.reset();
  platform::SetCurrentServices(nullptr);
}

}  // namespace testsupport
