// What the program start needs of the Win32 side; deliberately free of <windows.h>.
#pragma once

#include <memory>
#include <string>

#include "platform/services.h"
#include "platform/ui/toolkit.h"

namespace platform::win32 {

// Real services: window enumeration, registry, network drives, files, clock, program path.
std::unique_ptr<platform::Services> MakeServices();
// The file opened by the program associated with its kind (shell_open.cpp).
bool OpenWithShell(const std::string& path);
// Real windows; also initialises the common controls.
std::unique_ptr<ui::Backend> MakeBackend();

// Whether the program file's full path can be written in the system's ANSI code page: the
// program names its settings and journal files in it, and a character it cannot hold (a folder
// named in another script) would make them files nobody finds again.
bool ProgramPathFitsCodePage();
// A message box before any window exists, its Shift-JIS texts shown right whatever the system's
// code page.
void ShowStartupMessage(const std::string& caption, const std::string& text);

// One copy of the program per program file and user session (a named mutex of the session,
// named after the program file's full path; copies in other folders run side by side).
class OnlyCopy {
 public:
  explicit OnlyCopy(const std::string& program_path);
  ~OnlyCopy();
  OnlyCopy(const OnlyCopy&) = delete;
  OnlyCopy& operator=(const OnlyCopy&) = delete;
  // No other copy of this program file runs in this session.
  bool First() const { return first_; }
  // Marks the main window, so that a later copy finds it (once the backend made its window).
  void MarkMainWindow(ui::Form& main);
  // Asks the running copy to show its main window and bring it to the front; waits up to five
  // seconds for that window to exist. False when it was not found.
  bool ShowFirstCopy();

 private:
  std::string name_;
  void* mutex_ = nullptr;
  bool first_ = true;
};

}  // namespace platform::win32
