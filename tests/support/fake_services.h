// Services for tests: the desktop, the registry value, network drives, files and the clock are
// whatever the test lays out.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/services.h"

namespace testsupport {

class FakeServices : public platform::Services {
 public:
  std::vector<platform::WindowRecord> windows;
  platform::RegistryValue registry_value;       // Missing unless a test sets it
  bool registry_key_created = false;             // set by ReadJwFolderValue
  std::map<std::string, std::string> network_drives;  // "Z:" -> "\\server\share"
  std::map<std::string, platform::FileEntry> files;   // path -> entry (found = true)
  platform::LocalDateTime now{2026, 12, 7, 10, 15, 33};
  std::string program_path = "C:\\tools\\Lumadex.exe";
  std::string user_data_folder;  // none unless a test sets it
  int enumerations = 0;
  // The files handed to the associated program, in order; the answer it gives.
  std::vector<std::string> opened_files;
  bool open_succeeds = true;
  // Called at every file look-up with its path (a slow host, the thread it runs on), when set.
  std::function<void(const std::string&)> on_find_file;
  // Protection for the Windows user: a stand-in that turns the bytes with a key of `protection_owner`
  // (the user and PC), so another owner cannot turn them back; `protection_works` false: the
  // system refuses to protect anything.
  std::string protection_owner = "tanaka@PC01";
  bool protection_works = true;
  // HKCU\...\Run: value name -> command line; a test may make it unreadable or unwritable.
  std::map<std::string, std::string> logon_start;
  bool logon_start_unreadable = false;
  bool logon_start_unwritable = false;
  // StartupApproved\Run: the names Task Manager turned off.
  std::set<std::string> logon_start_disabled;

  // A visible, unowned window with the given title; returns its handle.
  uint32_t AddWindow(const std::string& title, bool visible = true, bool owned = false);
  void RemoveWindow(uint32_t handle);
  void Retitle(uint32_t handle, const std::string& title);
  // A file modified at the given local time (two-second FAT steps), with the given size.
  void AddFile(const std::string& path, platform::LocalDateTime modified, uint64_t size);

  std::vector<platform::WindowRecord> EnumerateTopLevelWindows() override;
  platform::RegistryValue ReadJwFolderValue() override;
  bool GetDriveNetworkName(const std::string& drive, std::string& network_name) override;
  platform::FileEntry FindFile(const std::string& path) override;
  platform::LocalDateTime Now() override { return now; }
  std::string ProgramPath() override { return program_path; }
  bool OpenWithAssociatedProgram(const std::string& path) override {
    opened_files.push_back(path);
    return open_succeeds;
  }
  std::string UserDataFolder() override { return user_data_folder; }
  bool ProtectForUser(const std::string& plain, std::string& sealed) override;
  bool UnprotectForUser(const std::string& sealed, std::string& plain) override;
  platform::RegistryValue ReadLogonStart(const std::string& name) override;
  bool WriteLogonStart(const std::string& name, const std::string& command) override;
  bool DeleteLogonStart(const std::string& name) override;
  bool LogonStartApproved(const std::string& name) override { return logon_start_disabled.count(name) == 0; }
  bool ApproveLogonStart(const std::string& name) override;

 private:
  uint32_t next_handle_ = 0x10010;
};

}  // namespace testsupport
