#include "tests/support/fake_services.h"

#include <algorithm>

namespace testsupport {

uint32_t FakeServices::AddWindow(const std::string& title, bool visible, bool owned) {
  platform::WindowRecord record;
  record.handle = next_handle_;
  next_handle_ += 0x12;
  record.title = title.substr(0, 254);
  record.visible = visible;
  record.owned = owned;
  windows.push_back(record);
  return record.handle;
}

void FakeServices::RemoveWindow(uint32_t handle) {
  windows.erase(std::remove_if(windows.begin(), windows.end(),
                               [handle](const platform::WindowRecord& w) { return w.handle == handle; }),
                windows.end());
}

void FakeServices::Retitle(uint32_t handle, const std::string& title) {
  for (auto& window : windows) {
    if (window.handle == handle) window.title = title.substr(0, 254);
  }
}

void FakeServices::AddFile(const std::string& path, platform::LocalDateTime modified, uint64_t size) {
  platform::FileEntry entry;
  entry.found = true;
  entry.time_valid = modified.year >= 1980 && modified.year <= 2107;
  entry.fat_date = uint16_t(((modified.year - 1980) << 9) | (modified.month << 5) | modified.day);
  entry.fat_time = uint16_t((modified.hour << 11) | (modified.minute << 5) | (modified.second / 2));
  entry.size_low = uint32_t(size & 0xFFFFFFFFu);
  entry.size_high = uint32_t(size >> 32);
  files[path] = entry;
}

std::vector<platform::WindowRecord> FakeServices::EnumerateTopLevelWindows() {
  ++enumerations;
  return windows;
}

platform::RegistryValue FakeServices::ReadJwFolderValue() {
  registry_key_created = true;
  return registry_value;
}

bool FakeServices::GetDriveNetworkName(const std::string& drive, std::string& network_name) {
  auto found = network_drives.find(drive);
  if (found == network_drives.end()) return false;
  network_name = found->second;
  return true;
}

platform::FileEntry FakeServices::FindFile(const std::string& path) {
  if (on_find_file) on_find_file(path);
  auto found = files.find(path);
  return found == files.end() ? platform::FileEntry{} : found->second;
}

platform::RegistryValue FakeServices::ReadLogonStart(const std::string& name) {
  platform::RegistryValue value;
  if (logon_start_unreadable) {
    value.status = platform::RegistryValue::Status::ReadError;
    return value;
  }
  auto found = logon_start.find(name);
  if (found == logon_start.end()) return value;
  value.status = platform::RegistryValue::Status::Text;
  value.text = found->second;
  return value;
}

bool FakeServices::WriteLogonStart(const std::string& name, const std::string& command) {
  if (logon_start_unwritable) return false;
  logon_start[name] = command;
  return true;
}

bool FakeServices::DeleteLogonStart(const std::string& name) {
  if (logon_start_unwritable) return false;
  logon_start.erase(name);
  return true;
}

}  // namespace testsupport
