#include "records/DrawingFile.h"

#include <cstddef>

#include "platform/cp932.h"

namespace records {

namespace {

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }
bool IsSeparator(char ch) { return ch == '\\' || ch == '/'; }

// A component the system folds to "..": dots and spaces only, two dots or more (Windows drops a
// component's trailing dots and spaces, so ". ." and "..." climb as ".." does).
bool ClimbsUp(const std::string& component) {
  std::size_t dots = 0;
  for (char ch : component) {
    if (ch == '.') {
      ++dots;
    } else if (ch != ' ') {
      return false;
    }
  }
  return dots >= 2;
}

// Walks `text` character by character: false at a control character, at a ":" other than the
// drive's (`drive_allowed`: the second byte after a letter), at a separator when `separators`
// is false, and at a component that climbs up.
bool PlainPart(const std::string& text, bool drive_allowed, bool separators) {
  std::string component;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t width = cp932::CharWidth(text, pos);
    const char ch = text[pos];
    if (width == 1) {
      const unsigned char byte = static_cast<unsigned char>(ch);
      if (IsControl(byte)) return false;
      if (ch == ':') {
        const bool drive = drive_allowed && pos == 1 &&
                           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
        if (!drive) return false;
      }
      if (IsSeparator(ch)) {
        if (!separators) return false;
        if (ClimbsUp(component)) return false;
        component.clear();
        pos += width;
        continue;
      }
    }
    component.append(text, pos, width);
    pos += width;
  }
  return !ClimbsUp(component);
}

bool DeviceNamespace(const std::string& folder) {
  return folder.size() >= 4 && IsSeparator(folder[0]) && IsSeparator(folder[1]) &&
         (folder[2] == '?' || folder[2] == '.') && IsSeparator(folder[3]);
}

bool DrawingExtension(const std::string& file_name) {
  std::size_t end = file_name.size();
  while (end > 0 && (file_name[end - 1] == '.' || file_name[end - 1] == ' ')) --end;
  if (end < 4) return false;
  // "." is never a byte of a double-byte character, so the four bytes after it are characters.
  const std::string tail = cp932::UpperAscii(file_name.substr(end - 4, 4));
  return tail == ".JWW" || tail == ".JWC";
}

}  // namespace

bool IsDrawingToOpen(const std::string& folder, const std::string& file_name) {
  if (file_name.empty() || !DrawingExtension(file_name)) return false;
  if (!PlainPart(file_name, false, false)) return false;
  if (DeviceNamespace(folder)) return false;
  return PlainPart(folder, true, true);
}

}  // namespace records
