// Line reading, cutting at tabs, number writing and the file name rules of the exchange files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/UnitV.h"
#include "exchange/TabText.h"

namespace {

struct TempFile {
  std::string path;
  explicit TempFile(const std::string& bytes) {
    char name[] = "/tmp/lumadex-tabtext-XXXXXX";
    int fd = mkstemp(name);
    close(fd);
    path = name;
    std::ofstream(path, std::ios::binary) << bytes;
  }
  ~TempFile() { unlink(path.c_str()); }
};

// Every line of `bytes` as the import reads them, then "<error>" on a read failure or
// "<not text>" when the reader found a NUL byte.
std::vector<std::string> ReadAll(const std::string& bytes, long long* line_number = nullptr) {
  using Status = exchange::TabFileReader::Status;
  TempFile file(bytes);
  platform::InputFile input;
  EXPECT_TRUE(input.Open(file.path));
  exchange::TabFileReader reader(input);
  std::vector<std::string> lines;
  std::string line;
  Status status;
  while ((status = reader.ReadLine(line)) == Status::Line) lines.push_back(line);
  if (status == Status::Error) lines.push_back("<error>");
  if (status == Status::NotText) lines.push_back("<not text>");
  // Reading on after the end keeps answering the same with an empty line.
  EXPECT_EQ(reader.ReadLine(line), status);
  EXPECT_TRUE(line.empty());
  if (line_number != nullptr) *line_number = reader.LineNumber();
  return lines;
}

using Lines = std::vector<std::string>;

TEST(TabFileReader, LineEndsAndEndOfFile) {
  struct Case {
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},                  // last line without a line end
      {"a\rb\r\n", {"ab"}},                    // a lone CR is dropped
      {"a\r\r\nb", {"a", "b"}},
      {"x\r", {"x"}},
      {"\r\n\r\n", {"", ""}},                  // empty lines are lines
      {"\n", {""}},
      {"a\r\n\x1A", {"a"}},                    // 0x1A at a line start ends the file
      {"a\r\n\x1A" "b\r\nc\r\n", {"a"}},
      {"\x1A" "a\r\n", {}},
      {"a\x1A\r\nb", {"a\x1A", "b"}},          // elsewhere it is an ordinary byte
      {"N\tPNAME\t\r\n1\tユーザー\t\r\n", {"N\tPNAME\t", "1\tユーザー\t"}},
      // A last line that held nothing but dropped CRs is no line.
      {"a\r\n\r", {"a"}},
      {"a\r\n\r\r\r", {"a"}},
      {"\r", {}},
      {"a\r\n\r\n", {"a", ""}},               // ended by LF: an empty line all the same
      {"a\r\n\r\r\n", {"a", ""}},
      // 0x1A after dropped CRs is still at the start of its line.
      {"a\r\n\r\x1A" "after", {"a"}},
      {"a\r\n\r\r\x1A" "after\r\nmore\r\n", {"a"}},
      {"\r\x1A" "after", {}},
      {"a\r\x1A" "b", {"a\x1A" "b"}},            // after "a" it is an ordinary byte
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadAll(c.bytes), c.lines) << "bytes: " << c.bytes;
  }
}

TEST(TabFileReader, LongLinesAcrossReadBuffers) {
  // A CR LF split between two reads of 64 KiB, and lines much longer than one read.
  const std::string first(65535, 'x');
  const std::string second(200000, 'y');
  long long line_number = 0;
  Lines lines = ReadAll(first + "\r\n" + second + "\r\n" + "z", &line_number);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], first);
  EXPECT_EQ(lines[1], second);
  EXPECT_EQ(lines[2], "z");
  EXPECT_EQ(line_number, 3);

  const std::string lone_cr_at_boundary = std::string(65535, 'a') + "\r" + "b\n";
  EXPECT_EQ(ReadAll(lone_cr_at_boundary), Lines{std::string(65535, 'a') + "b"});

  // Dropped CRs at the end of one read, the end of the file or 0x1A at the start of the next.
  const std::string full_read = std::string(65533, 'c') + "\r\n\r";
  EXPECT_EQ(ReadAll(full_read + "\r"), Lines{std::string(65533, 'c')});
  EXPECT_EQ(ReadAll(full_read + "\x1A" "after\r\n"), Lines{std::string(65533, 'c')});
}

TEST(TabFileReader, NulByteAnywhereMeansNoText) {
  EXPECT_EQ(ReadAll(std::string("\0", 1)), Lines{"<not text>"});
  // UTF-16LE: "N<TAB>" with its CR LF.
  EXPECT_EQ(ReadAll(std::string("\xFF\xFEN\0\t\0\r\0\n\0", 10)), Lines{"<not text>"});
  EXPECT_EQ(ReadAll(std::string("a\r\nb\0c\r\nd\r\n", 11)), Lines{"<not text>"});
  // After the end-of-file mark, in a later read.
  const std::string marked = "a\r\n\x1A" + std::string(200000, 'z');
  EXPECT_EQ(ReadAll(marked + std::string(1, '\0')), (Lines{"a", "<not text>"}));
  EXPECT_EQ(ReadAll(marked), Lines{"a"});
  // Lines of earlier reads were already handed out; the NUL ends the reading where it is met.
  const std::string early = "h\r\n" + std::string(60000, 'x') + "\r\n" + std::string(10000, 'y');
  EXPECT_EQ(ReadAll(early + std::string(1, '\0') + "\r\n"),
            (Lines{"h", std::string(60000, 'x'), "<not text>"}));
}

TEST(TabFileReader, ReadErrorIsReported) {
  // A folder opens for reading nowhere, and an unopened file fails its first read.
  platform::InputFile input;
  EXPECT_FALSE(input.Open("/tmp"));
  exchange::TabFileReader reader(input);
  std::string line;
  EXPECT_EQ(reader.ReadLine(line), exchange::TabFileReader::Status::Error);
  EXPECT_EQ(reader.ReadLine(line), exchange::TabFileReader::Status::Error);
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string_view> pieces;
  exchange::SplitTabs(line, pieces);
  return std::vector<std::string>(pieces.begin(), pieces.end());
}

TEST(SplitTabs, PiecesBetweenTabs) {
  EXPECT_EQ(Split(""), Lines{""});
  EXPECT_EQ(Split("abc"), Lines{"abc"});
  EXPECT_EQ(Split("a\tb"), (Lines{"a", "b"}));
  EXPECT_EQ(Split("a\t"), (Lines{"a", ""}));
  EXPECT_EQ(Split("\t\t"), (Lines{"", "", ""}));
  EXPECT_EQ(Split("1\t\tx y\t"), (Lines{"1", "", "x y", ""}));
}

TEST(SplitTabs, AtMostThreeHundredPieces) {
  std::string line;
  for (int i = 0; i < 299; ++i) line += std::to_string(i) + "\t";
  Lines pieces = Split(line + "last");
  ASSERT_EQ(pieces.size(), 300u);
  EXPECT_EQ(pieces[298], "298");
  EXPECT_EQ(pieces[299], "last");

  // The 300th tab cuts off the 300th piece; whatever follows is ignored.
  pieces = Split(line + "300th\tignored\tignored too");
  ASSERT_EQ(pieces.size(), 300u);
  EXPECT_EQ(pieces[299], "300th");
}

TEST(FormatGeneral, GeneralFormat) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {1234, "1234"},
      {-1234, "-1234"},
      {100, "100"},
      {1.5, "1.5"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {12345.678, "12345.678"},
      {1e14, "100000000000000"},
      {999999999999999, "999999999999999"},
      {123456789012345, "123456789012345"},
      {1e15, "1E15"},
      {999999999999999.9, "1E15"},   // rounds up to 16 digits: exponent form
      {1234567890123456, "1.23456789012346E15"},
      {-2.5e20, "-2.5E20"},
      {1.7976931348623157e308, "1.79769313486232E308"},
      {0.00001, "0.00001"},
      {0.000012345, "0.000012345"},
      {0.0000099, "9.9E-6"},
      {-0.0000099, "-9.9E-6"},
      {1e-300, "1E-300"},
      {2147483647, "2147483647"},
      {-2147483648.0, "-2147483648"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(exchange::FormatGeneral(c.value), c.text) << c.text;
  }
  EXPECT_EQ(exchange::FormatGeneral(1.0 / 0.0), "");
}

TEST(FormatGeneral, SizePiecesAsTheImportWritesThem) {
  // The import reads a numeric piece with StrToFloatZero and writes it back in general format.
  struct Case {
    const char* piece;
    const char* text;
  } cases[] = {
      {"", "0"}, {"abc", "0"}, {"12345", "12345"}, {"3.0", "3"},
      {"-7", "-7"}, {"1e3", "1000"}, {"0.5", "0.5"}, {"00042", "42"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(exchange::FormatGeneral(StrToFloatZero(c.piece)), c.text) << c.piece;
  }
}

TEST(FileNames, DefaultExtensionForExport) {
  EXPECT_EQ(exchange::WithTextExtension("C:\\data\\log"), "C:\\data\\log.txt");
  EXPECT_EQ(exchange::WithTextExtension("C:\\data\\log.csv"), "C:\\data\\log.csv");
  EXPECT_EQ(exchange::WithTextExtension("C:\\data\\log.txt"), "C:\\data\\log.txt");
  EXPECT_EQ(exchange::WithTextExtension("C:\\a.dir\\log"), "C:\\a.dir\\log.txt");
  EXPECT_EQ(exchange::WithTextExtension("/tmp/x.d/log"), "/tmp/x.d/log.txt");
  EXPECT_EQ(exchange::WithTextExtension("D:log"), "D:log.txt");
  EXPECT_EQ(exchange::WithTextExtension("log."), "log.");
  // 表 is 0x95 0x5C: its trail byte is no folder separator.
  EXPECT_EQ(exchange::WithTextExtension("C:\\x.y\\表"), "C:\\x.y\\表.txt");
  EXPECT_EQ(exchange::WithTextExtension("C:\\dir\\表.csv"), "C:\\dir\\表.csv");
}

TEST(FileNames, OnlyTextFilesAreImported) {
  EXPECT_TRUE(exchange::HasTextExtension("C:\\data\\log.txt"));
  EXPECT_TRUE(exchange::HasTextExtension("C:\\data\\log.TXT"));
  EXPECT_TRUE(exchange::HasTextExtension("C:\\data\\log.Txt"));
  EXPECT_TRUE(exchange::HasTextExtension("C:\\data\\表.txt"));
  EXPECT_FALSE(exchange::HasTextExtension("C:\\data\\log.csv"));
  EXPECT_FALSE(exchange::HasTextExtension("C:\\data\\log.txt.csv"));
  EXPECT_FALSE(exchange::HasTextExtension("C:\\data\\log"));
  EXPECT_FALSE(exchange::HasTextExtension("C:\\x.txt\\log"));
  EXPECT_FALSE(exchange::HasTextExtension("C:\\data\\log.txtx"));
}

}  // namespace
