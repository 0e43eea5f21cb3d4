// Starting the launch check at logon: the current user's Run value "Lumadex" holds the program
// file's full path in quotes and the argument /autostart.
#pragma once

#include <string>

#include "platform/services.h"

namespace monitor {

constexpr char kLogonStartName[] = "Lumadex";
constexpr char kAutostartArgument[] = "/autostart";

// The command line the Run value holds for the program at `program_path`.
std::string LogonStartCommand(const std::string& program_path);
// The program file a Run command line starts (the quoted path, or the text before the first
// argument); empty when there is none.
std::string LogonStartProgram(const std::string& command);
// Whether the Run value exists and starts this program file (a copy in another folder does not
// count; letter case does not count either), and Windows has not turned it off (Task Manager's
// startup list, Settings' startup apps).
bool LogonStartIsSet(platform::Services& services);
// The Run value starts this program file, but Windows was told not to start it.
bool LogonStartTurnedOffInWindows(platform::Services& services);
// Writes the value for this program file and marks it turned on in Windows' startup list, or
// removes it when it starts this program file (an entry of a copy in another folder stays).
// False when the registry refused.
bool SetLogonStart(platform::Services& services, bool on);

}  // namespace monitor
