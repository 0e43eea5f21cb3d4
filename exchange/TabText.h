// The tab-separated text of the export and import files: reading lines, cutting them at tabs,
// writing numbers back, and the file name rules of the two buttons.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace exchange {

// A line ends at LF; every CR is dropped (so CR LF ends a line and a lone CR vanishes); a byte
// 0x1A at the start of a line ends the file, also when dropped CRs stand before it; a last line
// without a line end is still a line, unless it held nothing but CRs. Lines may have any length.
// A NUL byte anywhere in the file, even after the 0x1A mark, makes it no text of this program
// (UTF-16 text, a spreadsheet, a binary): the reader then answers NotText and reads no further.
class TabFileReader {
 public:
  enum class Status { Line, End, Error, NotText };

  explicit TabFileReader(platform::InputFile& file);
  Status ReadLine(std::string& line);
  // How many lines were handed out so far: the file's number of the line last read.
  long long LineNumber() const { return line_number_; }

 private:
  // The next chunk of the file: Line when read, size_ == 0 afterwards at the end of the file.
  Status Fill();
  // After the 0x1A mark: the rest of the file is read only to look for a NUL.
  Status EndAtMark();
  // Ends the file: every later call answers `status` without reading.
  Status Stop(Status status);
  platform::InputFile& file_;
  std::vector<char> buffer_;
  std::size_t position_ = 0;
  std::size_t size_ = 0;
  bool ended_ = false;
  Status final_ = Status::End;  // what every call answers once the file ended
  long long line_number_ = 0;
};

// The most pieces a line is cut into; whatever follows the 300th tab is ignored.
constexpr std::size_t kMaxPieces = 300;

// Cuts `line` at each tab: the text before the first tab, between the tabs, and after the last
// tab (empty when the line ends with one). The pieces point into `line`.
void SplitTabs(std::string_view line, std::vector<std::string_view>& pieces);

// A number as a statement literal in general format: at most 15 significant digits, "." as the
// decimal point, no trailing zeros, exponent form ("1E15", "1.5E-6") only for magnitudes of 10^15
// and more or, zero excepted, below 0.00001. Empty for infinity and NaN, which have no literal.
std::string FormatGeneral(double value);

// The file name with ".txt" appended when it has no extension (no dot after the last "\", "/"
// or drive colon).
std::string WithTextExtension(const std::string& file_name);

// Whether the file name's extension, upper-cased, is exactly ".TXT".
bool HasTextExtension(const std::string& file_name);

}  // namespace exchange
