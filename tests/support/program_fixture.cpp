#include "tests/support/program_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/UnitV.h"
#include "platform/ui/toolkit.h"

namespace testing_support {

TemporaryFolder::TemporaryFolder() {
  char pattern[] = "/tmp/lumadex-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (made == nullptr) throw std::runtime_error("cannot make a temporary folder");
  path_ = std::string(made) + "/";
  chmod(made, 0777);  // the private database server may run as another user
}

TemporaryFolder::~TemporaryFolder() {
  std::string command = "chmod -R u+w '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0) {
    // Leaving a folder in /tmp behind is harmless.
  }
}

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

ProgramFixture::ProgramFixture() {
  ResetSettingsToDefaults();
  platform::SetCurrentServices(&services);
  ui::app::SetTitle(kApplicationTitle);
  services.program_path = folder.File("Lumadex.exe");
  forms = std::make_unique<ProgramForms>(services);
}

ProgramFixture::~ProgramFixture() {
  forms.reset();
  platform::SetCurrentServices(nullptr);
}

}  // namespace testing_support
