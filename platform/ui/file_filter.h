// The filter of a file dialog, "description|pattern|description|pattern", as the NUL-separated
// list the system's dialog takes. Split by character: a "|" byte that is the second byte of a
// double-byte character (ポ, －) stays part of its text.
#pragma once

#include <string>

namespace ui {

std::string FilterList(const std::string& filter);

}  // namespace ui
