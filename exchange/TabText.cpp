#include "exchange/TabText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/cp932.h"
#include "platform/paths.h"

namespace exchange {

namespace {
constexpr std::size_t kChunk = 1 << 16;
constexpr char kEndOfFileMark = 0x1A;
}  // namespace

TabFileReader::TabFileReader(platform::InputFile& file) : file_(file), buffer_(kChunk) {}

TabFileReader::Status TabFileReader::Fill() {
  filled_before_ += static_cast<long long>(size_);
  position_ = 0;
  size_ = 0;
  if (!file_.Read(buffer_.data(), buffer_.size(), size_)) return Status::Error;
  // Shift-JIS text never holds a byte 0; UTF-16 text and binary files nearly always do.
  if (std::memchr(buffer_.data(), 0, size_) != nullptr) return Status::NotText;
  return Status::Line;
}

TabFileReader::Status TabFileReader::Stop(Status status) {
  ended_ = true;
  final_ = status;
  position_ = 0;
  size_ = 0;
  return status;
}

TabFileReader::Status TabFileReader::EndAtMark() {
  // Nothing after the mark is read as lines, but a NUL there still shows the file is no text.
  for (;;) {
    Status filled = Fill();
    if (filled != Status::Line) return Stop(filled);
    if (size_ == 0) return Stop(Status::End);
  }
}

TabFileReader::Status TabFileReader::ReadLine(std::string& line) {
  line.clear();
  if (ended_) return final_;
  for (;;) {
    if (position_ >= size_) {
      Status filled = Fill();
      if (filled != Status::Line) return Stop(filled);
      if (size_ == 0) {
        // The last line has no line end. One that held only CRs is no line: they are dropped,
        // and a file saved with a stray CR at its end gains no empty row.
        if (line.empty()) return Stop(Status::End);
        Stop(Status::End);
        ++line_number_;
        return Status::Line;
      }
    }
    const char* data = buffer_.data();
    // The line is still empty: only dropped CRs, if anything, stood before this byte.
    if (line.empty() && data[position_] == kEndOfFileMark) return EndAtMark();
    std::size_t start = position_;
    while (position_ < size_ && data[position_] != '\n' && data[position_] != '\r') ++position_;
    line.append(data + start, position_ - start);
    if (position_ < size_ && data[position_++] == '\n') {
      ++line_number_;
      return Status::Line;
    }
    // A CR never belongs to the line, whether an LF follows or not.
  }
}

void SplitTabs(std::string_view line, std::vector<std::string_view>& pieces) {
  pieces.clear();
  std::size_t start = 0;
  while (pieces.size() < kMaxPieces) {
    std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      pieces.push_back(line.substr(start));
      return;
    }
    pieces.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

std::string FormatGeneral(double value) {
  if (!std::isfinite(value)) return std::string();
  if (value == 0) return "0";
  // "%.14e" rounds to 15 significant digits: "-d.dddddddddddddde+XXX". The character after the
  // first digit is the locale's decimal point, so it is skipped rather than matched.
  char text[64];
  std::snprintf(text, sizeof text, "%.14e", value);
  const char* cursor = text;
  bool negative = *cursor == '-';
  if (negative) ++cursor;
  std::string digits(1, *cursor++);
  while (*cursor != '\0' && (*cursor < '0' || *cursor > '9')) ++cursor;
  while (*cursor >= '0' && *cursor <= '9') digits += *cursor++;
  while (*cursor != '\0' && *cursor != 'e' && *cursor != 'E') ++cursor;
  int exponent = *cursor != '\0' ? std::atoi(cursor + 1) : 0;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string result = negative ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    result += digits[0];
    if (digits.size() > 1) result += "." + digits.substr(1);
    result += "E" + std::to_string(exponent);
  } else if (exponent >= 0) {
    std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      result += digits + std::string(whole - digits.size(), '0');
    } else {
      result += digits.substr(0, whole) + "." + digits.substr(whole);
    }
  } else {
    result += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  return result;
}

std::string WithTextExtension(const std::string& file_name) {
  return paths::WithDefaultExtension(file_name, ".txt");
}

bool HasTextExtension(const std::string& file_name) {
  const std::size_t start = paths::ExtensionStart(file_name);
  return start != std::string::npos && cp932::UpperAscii(file_name.substr(start)) == ".TXT";
}

}  // namespace exchange
