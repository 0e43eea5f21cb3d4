// Opening a drawing from the record list: a double click or Enter on a row hands the row's file
// to the program the system associates with it (the fake services record the call).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/Unit1.h"
#include "db/Statements.h"
#include "platform/ui/toolkit.h"
#include "records/Unit5.h"
#include "tests/records/records_fixture.h"

using records_test::Literals;
using records_test::RecordsFixture;
using records_test::SampleRow;

namespace {

class OpenDrawingTest : public RecordsFixture {
 protected:
  void InsertDrawing(int n, const std::string& local_folder, const std::string& expanded_folder,
                     const std::string& file_name) {
    Literals row = SampleRow(n);
    row[2] = local_folder.empty() ? "NULL" : db::QuoteLiteral(local_folder);
    row[3] = expanded_folder.empty() ? "NULL" : db::QuoteLiteral(expanded_folder);
    row[4] = db::QuoteLiteral(file_name);
    Insert(row);
  }
};

TEST_F(OpenDrawingTest, DoubleClickOrEnterOpensTheFileThatExists) {
  CreateFreshDatabase();
  // "ソ" ends in the byte of "\": the folder still needs its separator.
  InsertDrawing(1, "C:\\jww\\案件\\", "\\\\srv\\案件\\", "平面図.jww");
  InsertDrawing(2, "C:\\jww\\案件\\", "\\\\srv\\案件\\", "立面図.jww");
  InsertDrawing(3, "C:\\jww\\案件\\", "\\\\srv\\案件\\", "断面'図.jww");
  InsertDrawing(4, "C:\\jww\\ソ", "", "配置図.jww");
  InsertDrawing(5, "", "\\\\srv\\案件", "詳細図.jww");
  services.AddFile("C:\\jww\\案件\\平面図.jww", {2026, 1, 1, 0, 0, 0}, 10);
  services.AddFile("\\\\srv\\案件\\平面図.jww", {2026, 1, 1, 0, 0, 0}, 10);
  services.AddFile("\\\\srv\\案件\\立面図.jww", {2026, 1, 1, 0, 0, 0}, 10);
  services.AddFile("C:\\jww\\ソ\\配置図.jww", {2026, 1, 1, 0, 0, 0}, 10);
  services.AddFile("\\\\srv\\案件\\詳細図.jww", {2026, 1, 1, 0, 0, 0}, 10);
  Form1->Button4Click();
  ASSERT_EQ(Form5->StringGrid1.Cell(0, 5), "5");

  struct Case {
    int row;
    bool by_enter;
    std::string opened;   // empty: nothing opened
    std::string message;  // empty: none shown
  } cases[] = {
      {1, false, "C:\\jww\\案件\\平面図.jww", ""},       // the local folder first
      {2, true, "\\\\srv\\案件\\立面図.jww", ""},        // else the expanded folder
      {3, false, "", "ファイルが見つかりません：C:\\jww\\案件\\断面'図.jww"},
      {4, true, "C:\\jww\\ソ\\配置図.jww", ""},
      {5, false, "\\\\srv\\案件\\詳細図.jww", ""},       // no local folder
      {6, false, "", ""},                                 // an empty grid row
  };
  for (const Case& c : cases) {
    services.opened_files.clear();
    backend.ClearMessages();
    if (c.by_enter) {
      Form5->StringGrid1.SetCurrentCell(3, c.row);
      Form5->StringGrid1.PressReturn();
    } else {
      Form5->StringGrid1.DoubleClick(7, c.row);
    }
    EXPECT_EQ(services.opened_files, c.opened.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.opened})
        << c.row;
    EXPECT_EQ(backend.MessageTexts(), c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message})
        << c.row;
  }

  // The system could not start a program for it.
  services.open_succeeds = false;
  backend.ClearMessages();
  Form5->StringGrid1.DoubleClick(0, 1);
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"ファイルを開けません：C:\\jww\\案件\\平面図.jww"});
  // Nothing else in the list changed: same page, same rows.
  EXPECT_EQ(Form5->StartRow, 1);
  EXPECT_EQ(Form5->StringGrid1.Cell(4, 1), "平面図.jww");
}

// Only drawings are opened: a row any PC, import or editor may have written can name a program,
// a shortcut or a path that climbs out of its folder; the shell would run it. Each row is either
// opened (the file exists in the fake file system) or refused with the message and the path.
TEST_F(OpenDrawingTest, OnlyDrawingsAtPlainPathsAreOpened) {
  CreateFreshDatabase();
  struct Case {
    std::string folder;
    std::string expanded;
    std::string file_name;
    bool opened;  // else refused: nothing looked up, nothing opened
    std::string refused = "";  // the path the message names, when not folder + file name
  } cases[] = {
      {"C:\\jww\\", "", "平面図.jww", true},
      {"C:\\jww\\", "", "立面図.JWC", true},
      {"C:\\jww\\", "", "図面.jww.", true},   // the trailing dot the system drops
      {"C:\\jww\\", "", "図面.Jww .", true},
      {"C:\\jww\\", "", "表.jww", true},      // its second byte is the code of "\"
      {"\\\\srv\\案件\\", "", "詳細図.jww", true},  // a server's share
      {"", "\\\\srv\\案件\\", "配置図.jwc", true},
      {"C:\\jww\\", "", "x.exe", false},
      {"C:\\jww\\", "", "run.bat", false},
      {"C:\\jww\\", "", "a.lnk", false},
      {"C:\\jww\\", "", "b.url", false},
      {"C:\\jww\\", "", "図面.jww.exe", false},
      {"C:\\jww\\", "", "..\\..\\Windows\\System32\\calc.exe", false},
      {"C:\\jww\\", "", "..\\..\\tmp\\x.jww", false},  // a separator in the file name
      {"C:\\jww\\", "", "sub/x.jww", false},
      {"C:\\jww\\", "", "a.jww:evil.exe", false},
      {"C:\\jww\\", "", "evil.exe:a.jww", false},         // an alternate stream
      {"C:\\jww\\", "", "a\tb.jww", false},               // a control character
      {"C:\\jww\\\x7F\\", "", "c.jww", false},
      {"C:\\jww\\..\\..\\", "", "d.jww", false},
      {"C:\\jww\\... \\", "", "e.jww", false},           // folded to ".." by the system
      {"..\\Windows\\", "", "f.jww", false},
      {"C:\\jww:x\\", "", "g.jww", false},
      {"\\\\?\\C:\\jww\\", "", "h.jww", false},           // device paths
      {"\\\\.\\pipe\\", "", "i.jww", false},
      {"\\\\?\\UNC\\srv\\案件\\", "", "j.jww", false},
      {"C:\\jww\\", "\\\\srv\\..\\x\\", "k.jww", false, "\\\\srv\\..\\x\\k.jww"},  // either folder refuses
  };
  int n = 0;
  for (const Case& c : cases) {
    InsertDrawing(++n, c.folder, c.expanded, c.file_name);
    if (c.opened) services.AddFile((c.folder.empty() ? c.expanded : c.folder) + c.file_name, {2026, 1, 1, 0, 0, 0}, 10);
  }
  Form1->Button4Click();
  ASSERT_EQ(Form5->StringGrid1.Cell(0, n), std::to_string(n));

  std::vector<std::string> looked_up;
  services.on_find_file = [&](const std::string& path) { looked_up.push_back(path); };
  n = 0;
  for (const Case& c : cases) {
    ++n;
    const std::string path = (c.folder.empty() ? c.expanded : c.folder) + c.file_name;
    services.opened_files.clear();
    looked_up.clear();
    backend.ClearMessages();
    Form5->StringGrid1.DoubleClick(4, n);
    if (c.opened) {
      EXPECT_EQ(services.opened_files, std::vector<std::string>{path}) << n;
      EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{}) << n;
    } else {
      EXPECT_EQ(services.opened_files, std::vector<std::string>{}) << n;
      EXPECT_EQ(looked_up, std::vector<std::string>{}) << n;
      const std::string shown = c.refused.empty() ? path : c.refused;
      EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"図面ファイルではないため開きません：" + shown}) << n;
    }
  }
}

// A folder on a host that is slow to answer: the look-up and the opening run on the worker under
// the wait cursor, and the window keeps answering meanwhile.
TEST_F(OpenDrawingTest, LookUpAndOpeningRunOffTheWindowsThread) {
  CreateFreshDatabase();
  InsertDrawing(1, "\\\\slow\\案件\\", "", "平面図.jww");
  services.AddFile("\\\\slow\\案件\\平面図.jww", {2026, 1, 1, 0, 0, 0}, 10);
  Form1->Button4Click();
  ASSERT_EQ(Form5->StringGrid1.Cell(0, 1), "1");

  const std::thread::id window_thread = std::this_thread::get_id();
  std::thread::id look_up_thread = window_thread;
  bool busy_while_looking = false;
  services.on_find_file = [&](const std::string&) {
    look_up_thread = std::this_thread::get_id();
    busy_while_looking = ui::BusyCursorShown();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  };
  const long long turns_before = backend.long_call_turns;
  Form5->StringGrid1.DoubleClick(4, 1);
  EXPECT_NE(look_up_thread, window_thread);
  EXPECT_TRUE(busy_while_looking);
  EXPECT_GT(backend.long_call_turns, turns_before);  // the events ran while the host was slow
  EXPECT_EQ(services.opened_files, std::vector<std::string>{"\\\\slow\\案件\\平面図.jww"});
  EXPECT_FALSE(ui::BusyCursorShown());
}

}  // namespace
