#include "platform/cp932.h"

namespace cp932 {

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::size_t CharWidth(std::string_view text, std::size_t pos) {
  if (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) return 2;
  return 1;
}

std::size_t Find(const std::string& text, const std::string& needle, std::size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string::npos;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (pos >= from && text.compare(pos, needle.size(), needle) == 0) return pos;
    pos += CharWidth(text, pos);
  }
  return std::string::npos;
}

bool Contains(const std::string& text, const std::string& needle) {
  return Find(text, needle) != std::string::npos;
}

std::size_t FindChar(const std::string& text, char ch) {
  return Find(text, std::string(1, ch));
}

std::size_t LastOfChars(const std::string& text, const std::string& chars) {
  std::size_t found = std::string::npos;
  for (std::size_t pos = 0; pos < text.size(); pos += CharWidth(text, pos)) {
    if (CharWidth(text, pos) == 1 && chars.find(text[pos]) != std::string::npos) found = pos;
  }
  return found;
}

std::string UpperAscii(const std::string& text) {
  std::string result = text;
  for (std::size_t pos = 0; pos < result.size();) {
    std::size_t width = CharWidth(result, pos);
    if (width == 1 && result[pos] >= 'a' && result[pos] <= 'z') result[pos] = char(result[pos] - 'a' + 'A');
    pos += width;
  }
  return result;
}

bool MatchesLike(std::string_view text, std::string_view pattern) {
  // Left to right, remembering the last "%": on a mismatch that "%" takes one more character of
  // the text and matching resumes after it. Linear in practice, never worse than text x pattern.
  std::size_t t = 0, p = 0;
  std::size_t star = std::string_view::npos;  // pattern position just after the last "%"
  std::size_t star_text = 0;                  // where the text resumes for that "%"
  while (t < text.size()) {
    if (p < pattern.size()) {
      const std::size_t width = CharWidth(pattern, p);
      if (width == 1 && pattern[p] == '%') {
        star = ++p;
        star_text = t;
        continue;
      }
      const std::size_t text_width = CharWidth(text, t);
      if (width == 1 && pattern[p] == '_') {
        t += text_width;
        ++p;
        continue;
      }
      if (width == text_width && text.compare(t, width, pattern.substr(p, width)) == 0) {
        t += width;
        p += width;
        continue;
      }
    }
    if (star == std::string_view::npos) return false;
    star_text += CharWidth(text, star_text);
    t = star_text;
    p = star;
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

std::string CutBytes(const std::string& text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  std::size_t end = 0;
  while (end < max_bytes) {
    std::size_t width = IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + width > max_bytes) break;
    end += width;
  }
  return text.substr(0, end);
}

std::string WithoutDanglingLeadByte(const std::string& text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t width = CharWidth(text, pos);
    if (width == 1 && IsLeadByte(static_cast<unsigned char>(text[pos]))) return text.substr(0, pos);
    pos += width;
  }
  return text;
}

std::string CutToCharacters(const std::string& text, std::size_t max_bytes) {
  return WithoutDanglingLeadByte(CutBytes(text, max_bytes));
}

}  // namespace cp932
