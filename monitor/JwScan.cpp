#include "monitor/JwScan.h"

#include "platform/cp932.h"
#include "platform/paths.h"

bool FileDialogOpen = false;

namespace {
const char kHandleMarker[] = " :H";
const char kFileDialogTitle[] = "ファイル選択";
const char kJwTitleSuffix[] = " - jw_win";
const char kUntitled[] = "無題";
}  // namespace

bool FileDialogScanProc(const platform::WindowRecord& window, intptr_t) {
  if (!window.visible) return true;
  if (cp932::Contains(window.title, kFileDialogTitle)) FileDialogOpen = true;
  return true;
}

bool JwWindowScanProc(const platform::WindowRecord& window, monitor::JwScanList& list) {
  if (window.owned || !window.visible) return true;
  std::size_t suffix = cp932::Find(window.title, kJwTitleSuffix);
  if (suffix == std::string::npos) return true;
  std::string file_name = window.title.substr(0, suffix);
  if (file_name == kUntitled) return true;
  // The key is looked for in the listed texts, so a window whose key sits inside an earlier
  // entry ("a.jww :H12" in "xa.jww :H123") is left out as well.
  std::string key = file_name + kHandleMarker + std::to_string(window.handle);
  for (const auto& entry : list.entries) {
    if (cp932::Contains(monitor::EntryText(entry), key)) return true;
  }
  list.entries.push_back(monitor::MakeWindowEntry(window.handle, list.folder + file_name));
  return true;
}

namespace monitor {

void EnumerateWindows(platform::Services& services,
                      const std::function<bool(const platform::WindowRecord&)>& proc) {
  for (const auto& window : services.EnumerateTopLevelWindows()) {
    if (!proc(window)) break;
  }
}

}  // namespace monitor

std::string GetJwFolder(platform::Services& services) {
  platform::RegistryValue value = services.ReadJwFolderValue();
  switch (value.status) {
    case platform::RegistryValue::Status::Text:
      return value.text + "\\";
    case platform::RegistryValue::Status::Missing:
      return "\\";
    case platform::RegistryValue::Status::ReadError:
      break;
  }
  // A value of another type: no folder is known, and the tick goes on.
  return std::string();
}

namespace monitor {

WindowEntry MakeWindowEntry(uint32_t handle, const std::string& path) {
  WindowEntry entry;
  entry.handle = handle;
  entry.path = path;
  entry.name_key = cp932::UpperAscii(paths::FileNamePart(path));
  return entry;
}

std::string EntryText(const WindowEntry& entry) {
  return entry.path + kHandleMarker + std::to_string(entry.handle);
}

}  // namespace monitor
