// Which rows of the record list may be opened. Any PC, an import or the record editor can write
// any folder and file name into the table, and opening hands them to the shell, which would run
// a program as readily as it opens a drawing. So only a Jw_cad drawing at a plain path is opened.
#pragma once

#include <string>

namespace records {

// Whether `folder` (as stored, normally ending in "\") with `file_name` names a drawing the list
// may open: the file name ends in ".jww" or ".jwc" (letter case ignored, after the trailing dots
// and spaces the system drops), and neither part holds a ".." component, a ":" other than the
// drive's, or a control character, nor the file name a "\" or "/". Device paths ("\\?\",
// "\\.\") are refused as well. Double-byte characters count as one (a trail byte is never "\").
bool IsDrawingToOpen(const std::string& folder, const std::string& file_name);

}  // namespace records
