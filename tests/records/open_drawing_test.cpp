// Opening a drawing from the record list: a double click or Enter on a row hands the row's file
// to the program the system associates with it (the fake services record the call).
#include <gtest/gtest.h>

#include "app/Unit1.h"
#include "db/Statements.h"
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

}  // namespace
