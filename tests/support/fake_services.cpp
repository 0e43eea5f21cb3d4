#include "tests/support/fake_services.h"

#include <algorithm>
#include <cstdint>

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

bool FakeServices::ApproveLogonStart(const std::string& name) {
  if (logon_start_unwritable) return false;
  logon_start_disabled.erase(name);
  return true;
}

bool FakeServices::DeleteLogonStart(const std::string& name) {
  if (logon_start_unwritable) return false;
  logon_start.erase(name);
  return true;
}


namespace {
// A key stream of the owner's (FNV-1a of the owner, then a xorshift); never the bytes themselves.
std::string KeyStream(const std::string& owner, std::size_t length) {
  uint64_t state = 1469598103934665603ULL;
  for (unsigned char ch : owner) state = (state ^ ch) * 1099511628211ULL;
  std::string stream;
  while (stream.size() < length) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    stream += static_cast<char>((state >> 24) | 1);  // never 0: every byte changes
  }
  return stream;
}
const char kSealMark[] = "SEALED1:";
}  // namespace

bool FakeServices::ProtectForUser(const std::string& plain, std::string& sealed) {
  if (!protection_works) return false;
  // The owner's mark first (its own key stream over a fixed text), so another owner is told apart.
  const std::string stream = KeyStream(protection_owner, plain.size() + 8);
  sealed = kSealMark;
  for (std::size_t i = 0; i < 8; ++i) sealed += static_cast<char>('M' ^ stream[i]);
  for (std::size_t i = 0; i < plain.size(); ++i) sealed += static_cast<char>(plain[i] ^ stream[8 + i]);
  return true;
}

bool FakeServices::UnprotectForUser(const std::string& sealed, std::string& plain) {
  const std::string mark = kSealMark;
  if (sealed.size() < mark.size() + 8 || sealed.compare(0, mark.size(), mark) != 0) return false;
  const std::string body = sealed.substr(mark.size());
  const std::string stream = KeyStream(protection_owner, body.size());
  for (std::size_t i = 0; i < 8; ++i) {
    if (static_cast<char>(body[i] ^ stream[i]) != 'M') return false;  // another user's, or damaged
  }
  plain.clear();
  for (std::size_t i = 8; i < body.size(); ++i) plain += static_cast<char>(body[i] ^ stream[i]);
  return true;
}

}  // namespace testsupport
