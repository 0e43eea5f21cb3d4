// The launch monitor's view of Jw_cad: its drawing windows (by title), its file selection
// window, and its current folder in the registry. Nothing else of Jw_cad is relied on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/services.h"

namespace monitor {

// What JwWindowScanProc reads and fills: the folder text of the tick (LabelA) and the scan list
// (ListBox2), in enumeration order.
struct JwScanList {
  std::string folder;
  std::vector<std::string> entries;
};

// Calls `proc` for every top-level window in the system's order until it returns false.
void EnumerateWindows(platform::Services& services,
                      const std::function<bool(const platform::WindowRecord&)>& proc);

// Keys of a window entry "folder + file name + ' :H' + handle".
extern const char kHandleMarker[];                       // " :H"
std::string EntryPath(const std::string& entry);        // before the marker
std::string EntryHandleText(const std::string& entry);  // after the marker
std::string EntryNameKey(const std::string& entry);     // the file name, upper-cased

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
