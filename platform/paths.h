// Windows paths held as Shift-JIS text: where the folder ends, the file name, its extension.
// A path's separators are "\", "/" and the drive's ":". The second byte of a double-byte
// character is never one, although in many characters ("ソ", "表") it has the code of "\".
#pragma once

#include <cstddef>
#include <string>

namespace paths {

// Position of the last separator that is a character of its own, or std::string::npos.
std::size_t LastSeparator(const std::string& path);
// Whether the path ends in a separator ("C:\data\", "D:").
bool EndsInSeparator(const std::string& path);

// The folder part (up to and including the last separator; empty without one) and the file
// name part (the rest).
std::string FolderPart(const std::string& path);
std::string FileNamePart(const std::string& path);

// Position of the dot that starts the file name's extension, or std::string::npos when the name
// has none (no dot after the last separator). A name ending in "." has an empty extension.
std::size_t ExtensionStart(const std::string& path);
// The path with `extension` (".dat") in place of its own, or added when it has none.
std::string WithExtension(const std::string& path, const std::string& extension);
// The path with `extension` added when it has none; otherwise the path as it is.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace paths
