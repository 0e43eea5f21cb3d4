#include "app/Account.h"

#include "platform/files.h"
#include "platform/paths.h"

namespace account {

namespace {

// The file's place in the user's own folder; empty when there is none.
std::string UserFolderPath(const std::string& settings_path, platform::Services& services) {
  const std::string folder = services.UserDataFolder();
  if (folder.empty()) return std::string();
  return folder + paths::FileNamePart(PasswordFilePath(settings_path));
}

bool ReadBytes(const std::string& path, std::string& bytes) {
  platform::InputFile file;
  if (!file.Open(path)) return false;
  bytes.clear();
  char buffer[4096];
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(buffer, sizeof buffer, got)) return false;
    if (got == 0) return true;
    bytes.append(buffer, got);
  }
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  platform::ReplacingFile file(path);
  return file.Open() && file.Write(bytes) && file.Commit(true);
}

}  // namespace

std::string PasswordFilePath(const std::string& settings_path) {
  return paths::WithExtension(settings_path, ".key");
}

StoredPassword LoadPassword(const std::string& settings_path, platform::Services& services, std::string& password) {
  password.clear();
  for (const std::string& path : {PasswordFilePath(settings_path), UserFolderPath(settings_path, services)}) {
    if (path.empty() || !platform::FileExists(path)) continue;
    std::string sealed;
    if (!ReadBytes(path, sealed) || !services.UnprotectForUser(sealed, password) || password.empty()) {
      password.clear();
      return StoredPassword::Unreadable;
    }
    return StoredPassword::Read;
  }
  return StoredPassword::None;
}

bool SavePassword(const std::string& settings_path, platform::Services& services, const std::string& password) {
  std::string sealed;
  if (password.empty() || !services.ProtectForUser(password, sealed)) return false;
  const std::string beside = PasswordFilePath(settings_path);
  const std::string own = UserFolderPath(settings_path, services);
  if (WriteBytes(beside, sealed)) {
    if (!own.empty()) platform::RemoveFile(own);
    return true;
  }
  if (own.empty() || !WriteBytes(own, sealed)) return false;
  // The file beside the program could not be replaced: an older one there must not be read first.
  platform::RemoveFile(beside);
  return !platform::FileExists(beside);
}

void RemovePassword(const std::string& settings_path, platform::Services& services) {
  platform::RemoveFile(PasswordFilePath(settings_path));
  const std::string own = UserFolderPath(settings_path, services);
  if (!own.empty()) platform::RemoveFile(own);
}

}  // namespace account
