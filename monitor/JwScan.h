// The launch monitor's view of Jw_cad: its drawing windows (by title), its file selection
// window, and its current folder in the registry. Nothing else of Jw_cad is relied on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/services.h"

namespace monitor {

// One Jw_cad drawing window as the launch check knows it. The check compares windows by handle
// and drawings by name key; the folder takes part in neither.
struct WindowEntry {
  uint32_t handle = 0;
  std::string path;      // the tick's Jw_cad folder followed by the file name from the title
  std::string name_key;  // the file name part of `path`, upper-cased
};

WindowEntry MakeWindowEntry(uint32_t handle, const std::string& path);

// The text a list box shows for an entry: path, " :H", handle in decimal.
std::string EntryText(const WindowEntry& entry);

// What JwWindowScanProc reads and fills: the folder text of the tick (LabelA) and the entries
// found (shown in ListBox2), in enumeration order.
struct JwScanList {
  std::string folder;
  std::vector<WindowEntry> entries;
};

// Calls `proc` for every top-level window in the system's order until it returns false.
void EnumerateWindows(platform::Services& services,
                      const std::function<bool(const platform::WindowRecord&)>& proc);

}  // namespace monitor

// Set by FileDialogScanProc when a visible window has "ファイル選択" in its title; the tick clears
// it right before its enumeration and reads it right after. One flag for the whole process.
extern bool FileDialogOpen;

// Enumeration callbacks: called once per top-level window; true continues the enumeration.
bool FileDialogScanProc(const platform::WindowRecord& window, intptr_t unused);
bool JwWindowScanProc(const platform::WindowRecord& window, monitor::JwScanList& list);

// Jw_cad's current folder followed by "\": "\" alone when the key, subkey or value is missing,
// an empty text when the value is not text. Never fails.
std::string GetJwFolder(platform::Services& services);
