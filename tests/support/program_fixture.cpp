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
