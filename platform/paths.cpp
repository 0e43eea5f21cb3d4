#include "platform/paths.h"

#include "platform/cp932.h"

namespace paths {

namespace {
constexpr char kSeparators[] = "\\/:";
constexpr char kSeparatorsAndDot[] = "\\/:.";
}  // namespace

std::size_t LastSeparator(const std::string& path) { return cp932::LastOfChars(path, kSeparators); }

bool EndsInSeparator(const std::string& path) {
  const std::size_t separator = LastSeparator(path);
  return separator != std::string::npos && separator + 1 == path.size();
}

std::string FolderPart(const std::string& path) {
  const std::size_t separator = LastSeparator(path);
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string FileNamePart(const std::string& path) {
  const std::size_t separator = LastSeparator(path);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::size_t ExtensionStart(const std::string& path) {
  const std::size_t mark = cp932::LastOfChars(path, kSeparatorsAndDot);
  return mark != std::string::npos && path[mark] == '.' ? mark : std::string::npos;
}

std::string WithExtension(const std::string& path, const std::string& extension) {
  const std::size_t start = ExtensionStart(path);
  return (start == std::string::npos ? path : path.substr(0, start)) + extension;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  return ExtensionStart(path) == std::string::npos ? path + extension : path;
}

}  // namespace paths
