#include "monitor/JwScan.h"

#include "platform/cp932.h"

bool FileDialogOpen = false;

namespace monitor {
const char kHandleMarker[] = " :H";
}  // namespace monitor

namespace {
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
  std::string key = file_name + monitor::kHandleMarker + std::to_string(window.handle);
  for (const auto& entry : list.entries) {
    if (cp932::Contains(entry, key)) return true;
  }
  list.entries.push_back(list.folder + key);
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

std::string EntryPath(const std::string& entry) {
  std::size_t marker = cp932::Find(entry, kHandleMarker);
  return marker == std::string::npos ? entry : entry.substr(0, marker);
}

std::string EntryHandleText(const std::string& entry) {
  std::size_t marker = cp932::Find(entry, kHandleMarker);
  return marker == std::string::npos ? std::string() : entry.substr(marker + 3);
}

std::string EntryNameKey(const std::string& entry) {
  return cp932::UpperAscii(cp932::FileNamePart(EntryPath(entry)));
}

}  // namespace monitor
