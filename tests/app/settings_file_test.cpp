#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <unistd.h>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/UnitV.h"
#include "platform/files.h"
#include "monitor/Unit3.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "records/Unit6.h"
#include "tests/support/program_fixture.h"

namespace {

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

class SettingsFile : public testsupport::ProgramFixture {
 protected:
  std::string path = (folder.Path() + "Lumadex.dat");

  std::vector<ui::Form*> Windows() { return {Form1, Form2, Form3, Form4, Form5}; }
};

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

TEST_F(SettingsFile, NoFileGivesTheDefaults) {
  ServerFolder = "changed";
  Form5->StringGrid1.SetColWidth(3, 5);
  Form1->LoadSettings(path);
  EXPECT_EQ(ServerName, "localhost:");
  EXPECT_EQ(ServerFolder, "");
  EXPECT_EQ(DatabaseName, "JWWDB.FDB");
  EXPECT_EQ(PcUserName, "PCユーザー名");
  EXPECT_EQ(CheckInterval, 10);
  EXPECT_EQ(Form5->Width(), 320);
  EXPECT_EQ(Form5->Height(), 240);
  for (int col = 0; col < 10; ++col) EXPECT_EQ(Form5->StringGrid1.ColWidth(col), 80);
  for (ui::Form* window : Windows()) {
    EXPECT_EQ(window->Left(), 192) << window->Name();
    EXPECT_EQ(window->Top(), 107) << window->Name();
  }
}

TEST_F(SettingsFile, RoundTripRestoresEveryLine) {
  ServerName = "192.168.0.5:";
  ServerFolder = "C:\\データ\\";
  DatabaseName = "DATA.GDB";
  PcUserName = "設計室ＰＣ１";
  CheckInterval = 999;
  int position = -40;
  for (ui::Form* window : Windows()) {
    window->SetPosition(position, position + 7);
    position += 100;
  }
  Form5->SetSize(640, 480);
  for (int col = 0; col < 10; ++col) Form5->StringGrid1.SetColWidth(col, 10 + col);
  Form6->SetBounds(-5, 900, 700, 520);
  Form1->SaveSettings(path);

  std::string written = ReadWholeFile(path);
  const std::string head =
      Lines({"192.168.0.5:", "C:\\データ\\", "DATA.GDB", "設計室ＰＣ１", "999", "-40", "-33", "60", "67"});
  EXPECT_EQ(written.substr(0, head.size()), head);
  std::size_t line_count = 0;
  for (std::size_t pos = 0; (pos = written.find("\r\n", pos)) != std::string::npos; pos += 2) ++line_count;
  EXPECT_EQ(line_count, 31u);  // the 27, then the summary window's place
  EXPECT_EQ(written.substr(written.size() - 19), Lines({"-5", "900", "700", "520"}));
  EXPECT_EQ(written.back(), '\n');

  ResetSettingsToDefaults();
  for (ui::Form* window : Windows()) window->SetPosition(1, 1);
  Form1->LoadSettings(path);
  EXPECT_EQ(ServerName, "192.168.0.5:");
  EXPECT_EQ(ServerFolder, "C:\\データ\\");
  EXPECT_EQ(DatabaseName, "DATA.GDB");
  EXPECT_EQ(PcUserName, "設計室ＰＣ１");
  EXPECT_EQ(CheckInterval, 999);
  position = -40;
  for (ui::Form* window : Windows()) {
    EXPECT_EQ(window->Left(), position) << window->Name();
    EXPECT_EQ(window->Top(), position + 7) << window->Name();
    position += 100;
  }
  EXPECT_EQ(Form5->Width(), 640);
  EXPECT_EQ(Form5->Height(), 480);
  for (int col = 0; col < 10; ++col) EXPECT_EQ(Form5->StringGrid1.ColWidth(col), 10 + col);
  EXPECT_EQ(Form6->Left(), -5);
  EXPECT_EQ(Form6->Top(), 900);
  EXPECT_EQ(Form6->Width(), 700);
  EXPECT_EQ(Form6->Height(), 520);
}

// A file of 27 lines (written before the summary window existed) leaves the window where it was;
// lines that are there count, one cut short after the left edge keeps the rest.
TEST_F(SettingsFile, SummaryWindowPlaceComesAfterTheTwentySevenLines) {
  std::vector<std::string> lines = {"s:", "", "X.FDB", "me", "10"};
  for (int i = 0; i < 12; ++i) lines.push_back("100");
  for (int i = 0; i < 10; ++i) lines.push_back("80");
  struct Case {
    std::vector<std::string> extra;
    bool final_line_break;
    int left, top, width, height;
  } cases[] = {
      {{}, true, 192, 107, 640, 480},
      {{"30", "40", "800", "600"}, true, 30, 40, 800, 600},
      {{"30", "40", "800", "600"}, false, 30, 40, 800, 600},
      {{"30"}, true, 30, 107, 640, 480},
      {{"30", "40", "800", "600", "later lines are ignored"}, true, 30, 40, 800, 600},
  };
  for (const Case& c : cases) {
    Form6->SetBounds(192, 107, 640, 480);
    std::string text;
    std::vector<std::string> all = lines;
    all.insert(all.end(), c.extra.begin(), c.extra.end());
    for (const auto& line : all) text += line + "\r\n";
    if (!c.final_line_break) text.resize(text.size() - 2);
    WriteWholeFile(path, text);
    Form1->LoadSettings(path);
    EXPECT_EQ(Form6->Left(), c.left) << c.extra.size();
    EXPECT_EQ(Form6->Top(), c.top) << c.extra.size();
    EXPECT_EQ(Form6->Width(), c.width) << c.extra.size();
    EXPECT_EQ(Form6->Height(), c.height) << c.extra.size();
    EXPECT_EQ(Form5->StringGrid1.ColWidth(9), 80);
  }
}

TEST_F(SettingsFile, ColumnWidthsComeBackAsReadWhateverTheGridCanShow) {
  std::vector<std::string> lines = {"s:", "", "X.FDB", "me", "10"};
  for (int i = 0; i < 12; ++i) lines.push_back("100");
  std::vector<std::string> widths = {"-1", "0", "40000", "-2", "80", "32768", "7", "80", "80", "2147483647"};
  lines.insert(lines.end(), widths.begin(), widths.end());
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  WriteWholeFile(path, text);
  Form1->LoadSettings(path);
  EXPECT_EQ(Form5->StringGrid1.ColWidth(0), -1);
  EXPECT_EQ(Form5->StringGrid1.ColWidth(2), 40000);
  Form5->StringGrid1.SetColWidth(4, 173);  // the user resizes one column
  Form1->SaveSettings(path);
  widths[4] = "173";
  std::string expected;
  for (const auto& width : widths) expected += width + "\r\n";
  expected += Lines({"192", "107", "640", "480"});  // the summary window after the 27
  std::string written = ReadWholeFile(path);
  ASSERT_GE(written.size(), expected.size());
  EXPECT_EQ(written.substr(written.size() - expected.size()), expected);
  // What the grid shows for them.
  EXPECT_EQ(ui::StringGrid::ShownColWidth(-1), 0);
  EXPECT_EQ(ui::StringGrid::ShownColWidth(40000), 32767);
  EXPECT_EQ(ui::StringGrid::ShownColWidth(80), 80);
}

TEST_F(SettingsFile, UserNameIsCutTo16BytesWithoutSplittingACharacter) {
  WriteWholeFile(path, Lines({"a", "b", "c", "123456789012345表示"}));
  Form1->LoadSettings(path);
  EXPECT_EQ(PcUserName, "123456789012345") << "the lead byte at byte 16 is dropped";
  WriteWholeFile(path, Lines({"a", "b", "c", "ＰＣユーザー名です"}));
  Form1->LoadSettings(path);
  EXPECT_EQ(PcUserName, "ＰＣユーザー名で");
  // A line already cut by byte count (16 bytes ending in half a character) loses that half too.
  WriteWholeFile(path, Lines({"a", "b", "c", std::string("123456789012345表", 16)}));
  Form1->LoadSettings(path);
  EXPECT_EQ(PcUserName, "123456789012345");
  WriteWholeFile(path, Lines({"a", "b", "c", "12表" + std::string("\x95")}));
  Form1->LoadSettings(path);
  EXPECT_EQ(PcUserName, "12表");
  // Written as it is: only reading cuts.
  PcUserName = "abcdefghijklmnopqrstu";
  Form1->SaveSettings(path);
  EXPECT_NE(ReadWholeFile(path).find("abcdefghijklmnopqrstu\r\n"), std::string::npos);
}

TEST_F(SettingsFile, FourLineFileZeroesEverythingAfter) {
  WriteWholeFile(path, Lines({"srv:", "D:\\db\\", "X.FDB", "me"}));
  Form1->LoadSettings(path);
  EXPECT_EQ(ServerName, "srv:");
  EXPECT_EQ(ServerFolder, "D:\\db\\");
  EXPECT_EQ(DatabaseName, "X.FDB");
  EXPECT_EQ(PcUserName, "me");
  EXPECT_EQ(CheckInterval, 0);
  for (ui::Form* window : Windows()) {
    EXPECT_EQ(window->Left(), 0);
    EXPECT_EQ(window->Top(), 0);
  }
  EXPECT_EQ(Form5->Width(), 0);
  EXPECT_EQ(Form5->Height(), 0);
  for (int col = 0; col < 10; ++col) EXPECT_EQ(Form5->StringGrid1.ColWidth(col), 0);
}

TEST_F(SettingsFile, NumberLinesGoThroughStrToIntZero) {
  struct Case { const char* line; int expected; } cases[] = {
      {"abc", 0}, {"12 ", 0}, {" 12", 12}, {"$1F", 31}, {"-5", -5}};
  for (const auto& c : cases) {
    WriteWholeFile(path, Lines({"", "", "", "", c.line}));
    Form1->LoadSettings(path);
    EXPECT_EQ(CheckInterval, c.expected) << c.line;
  }
  // LF alone ends a line too; a CR elsewhere stays part of the value.
  WriteWholeFile(path, "s:\nfolder\r\nname\rx\n");
  Form1->LoadSettings(path);
  EXPECT_EQ(ServerName, "s:");
  EXPECT_EQ(ServerFolder, "folder");
  EXPECT_EQ(DatabaseName, "name\rx");
}

TEST_F(SettingsFile, UnreadableFileLeavesTheDefaults) {
  if (geteuid() == 0) {
    // root reads any file: a folder in the file's place cannot be opened for reading either.
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  } else {
    WriteWholeFile(path, Lines({"x:", "y", "z", "w", "5"}));
    chmod(path.c_str(), 0);
  }
  Form1->LoadSettings(path);
  EXPECT_EQ(ServerName, "localhost:");
  EXPECT_EQ(ServerFolder, "");
  EXPECT_EQ(CheckInterval, 10);
}

TEST_F(SettingsFile, FailedSaveLeavesTheOldFileIntact) {
  const std::string old_text = Lines({"old:", "C:\\old\\", "OLD.FDB", "old", "10"});
  WriteWholeFile(path, old_text);
  // A file size limit makes the write fail half-way, for root as for anybody.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit tiny = saved;
  tiny.rlim_cur = 20;
  auto previous_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  ServerName = "new-server-name-that-is-long:";
  Form1->SaveSettings(path);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous_handler);

  EXPECT_EQ(ReadWholeFile(path), old_text);
  EXPECT_FALSE(platform::FileExists(path + ".tmp")) << "the partial temporary file is removed";
  EXPECT_TRUE(backend.messages.empty());
}

TEST_F(SettingsFile, UnwritableFolderIsNotReported) {
  std::string impossible = (folder.Path() + "missing/sub/Lumadex.dat");
  Form1->SaveSettings(impossible);
  EXPECT_FALSE(platform::FileExists(impossible));
  EXPECT_TRUE(backend.messages.empty());
}

}  // namespace
