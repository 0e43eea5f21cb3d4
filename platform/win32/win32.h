// What the program start needs of the Win32 side; deliberately free of <windows.h>.
#pragma once

#include <memory>

#include "platform/services.h"
#include "platform/ui/toolkit.h"

namespace platform::win32 {

// Real services: window enumeration, registry, network drives, files, clock, program path.
std::unique_ptr<platform::Services> MakeServices();
// The file opened by the program associated with its kind (shell_open.cpp).
bool OpenWithShell(const std::string& path);
// Real windows; also initialises the common controls.
std::unique_ptr<ui::Backend> MakeBackend();

}  // namespace platform::win32
