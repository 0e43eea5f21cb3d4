#include "platform/ui/file_filter.h"

#include "platform/cp932.h"

namespace ui {

std::string FilterList(const std::string& filter) {
  std::string list;
  list.reserve(filter.size() + 2);
  for (std::size_t at = 0; at < filter.size(); ++at) {
    char c = filter[at];
    if (cp932::IsLeadByte(static_cast<unsigned char>(c)) && at + 1 < filter.size()) {
      list.push_back(c);
      list.push_back(filter[++at]);
    } else {
      list.push_back(c == '|' ? '\0' : c);
    }
  }
  list.push_back('\0');
  list.push_back('\0');
  return list;
}

}  // namespace ui
