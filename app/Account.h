// The connection account's password on disk: protected for the Windows user (the services'
// ProtectForUser) in a file of its own, the settings file's path with ".key", or in the user's
// own folder when the folder beside the program cannot be written. Its plain text is never
// written anywhere; the user name is a line of the settings file.
#pragma once

#include <string>

#include "platform/services.h"

namespace account {

enum class StoredPassword {
  None,        // no file in either place
  Read,        // read back and unprotected
  Unreadable,  // a file is there, but it was protected for another user or PC, or is damaged
};

// The file for the settings file at `settings_path`.
std::string PasswordFilePath(const std::string& settings_path);

// Reads the stored password: beside the settings first, then in the user's own folder.
StoredPassword LoadPassword(const std::string& settings_path, platform::Services& services, std::string& password);
// Keeps `password` protected, replacing what was stored (the other place's file goes). False
// when it could not be protected or written anywhere; what was stored before then stays.
bool SavePassword(const std::string& settings_path, platform::Services& services, const std::string& password);
// Removes the stored password from both places.
void RemovePassword(const std::string& settings_path, platform::Services& services);

}  // namespace account
