// Program start: the windowing application, its title, the five windows, the event loop.
#include "app/Forms.h"
#include "app/Unit1.h"
#include "platform/win32/win32.h"

int main() {
  auto services = platform::win32::MakeServices();
  auto backend = platform::win32::MakeBackend();
  platform::SetCurrentServices(services.get());
  ui::SetBackend(backend.get());
  ui::app::SetTitle(kApplicationTitle);
  {
    ProgramForms forms(*services);
    ui::app::Run(*Form1);
  }
  ui::SetBackend(nullptr);
  platform::SetCurrentServices(nullptr);
  return 0;
}
