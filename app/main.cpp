// Program start: one copy per program file, the windowing application, its title, the five
// windows, the event loop; started at logon (/autostart) without a window.
#include <string>
#include <vector>

#include "app/Forms.h"
#include "app/Unit1.h"
#include "platform/win32/win32.h"

int main(int argc, char** argv) {
  const bool at_logon = StartedAtLogon(std::vector<std::string>(argv + 1, argv + argc));
  if (!platform::win32::ProgramPathFitsCodePage()) {
    platform::win32::ShowStartupMessage(
        kApplicationTitle,
        "Lumadex のフォルダー名に、この PC の文字コードで表せない文字が含まれています。"
        "このままでは設定と記録待ちの図面を保存できません。\r\n"
        "Lumadex.exe を、日本語と英数字だけの名前のフォルダー（例: C:\\Lumadex）に移してから起動して下さい。");
    return 1;
  }
  auto services = platform::win32::MakeServices();
  platform::win32::OnlyCopy only_copy(services->ProgramPath());
  if (!only_copy.First()) {
    // This program file runs already: a start by hand shows its window; a start at logon (a
    // second logon entry, a copy started before) leaves it as it is.
    if (!at_logon) only_copy.ShowFirstCopy();
    return 0;
  }
  auto backend = platform::win32::MakeBackend();
  platform::SetCurrentServices(services.get());
  ui::SetBackend(backend.get());
  ui::app::SetTitle(kApplicationTitle);
  {
    ProgramForms forms(*services);
    only_copy.MarkMainWindow(*Form1);
    if (at_logon) {
      ui::app::RunHidden(*Form1, [] { Form1->StartAtLogon(); });
    } else {
      ui::app::Run(*Form1);
    }
  }
  ui::SetBackend(nullptr);
  platform::SetCurrentServices(nullptr);
  return 0;
}
