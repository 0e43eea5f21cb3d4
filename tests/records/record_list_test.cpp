// The record list against a real database: paging, sort and filter entries, the statement it
// sends, and what a new showing resets.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Unit1.h"
#include "app/UnitV.h"
#include "db/Statements.h"
#include "records/Unit5.h"
#include "tests/records/records_fixture.h"
#include "tests/support/db_fixture.h"

using records_test::Literals;
using records_test::RecordsFixture;
using records_test::SampleRow;
using records_test::Texts;

namespace {

class RecordListTest : public RecordsFixture {
 protected:
  // The registration numbers on the grid's rows 1 to 100, "" for an empty row.
  std::vector<std::string> NumbersShown() {
    std::vector<std::string> numbers;
    for (int row = 1; row <= 100; ++row) numbers.push_back(Form5->StringGrid1.Cell(0, row));
    return numbers;
  }
  static std::vector<std::string> Numbers(int first, int last, int rows = 100) {
    std::vector<std::string> numbers;
    for (int n = first; n <= last; ++n) numbers.push_back(std::to_string(n));
    numbers.resize(rows);
    return numbers;
  }
  static std::vector<std::string> NumbersDown(int first, int last, int rows = 100) {
    std::vector<std::string> numbers;
    for (int n = first; n >= last; --n) numbers.push_back(std::to_string(n));
    numbers.resize(rows);
    return numbers;
  }
  void Filter(int entry, const std::string& text) {
    Form5->Edit1.SetText(text);
    Form5->ComboBox2.Choose(entry);
  }
  // Rows numbered from `first` with the given file name and user name, the rest as SampleRow.
  void InsertNamed(int first, const std::vector<std::pair<std::string, std::string>>& rows) {
    int n = first;
    for (const auto& [file_name, user_name] : rows) {
      Literals row = SampleRow(n++);
      row[4] = db::QuoteLiteral(file_name);
      row[1] = db::QuoteLiteral(user_name);
      Insert(row);
    }
  }
  // The file names shown, in grid order.
  std::vector<std::string> FileNamesShown() {
    std::vector<std::string> names;
    for (int row = 1; row <= 100 && !Form5->StringGrid1.Cell(0, row).empty(); ++row) {
      names.push_back(Form5->StringGrid1.Cell(4, row));
    }
    return names;
  }
};

TEST_F(RecordListTest, PagesThroughOneHundredAndFiftyRows) {
  CreateFreshDatabase();
  InsertSampleRows(1, 150);
  Form1->Button4Click();
  ASSERT_TRUE(Form5->Visible());
  EXPECT_TRUE(Form5->Button1.Focused());
  EXPECT_EQ(NumbersShown(), Numbers(1, 100));
  EXPECT_EQ(Form5->StartRow, 1);
  EXPECT_EQ(Form5->NextStartRow, 101);
  EXPECT_EQ(GridRow(7)[4], "図面7.jww");
  EXPECT_EQ(GridRow(7)[9], "70");

  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), Numbers(101, 150));
  EXPECT_EQ(GridRow(50)[4], "図面150.jww");
  EXPECT_EQ(GridRow(51), Texts(10, ""));
  EXPECT_EQ(Form5->StartRow, 101);
  EXPECT_EQ(Form5->NextStartRow, 151);

  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), Numbers(1, 0));
  EXPECT_EQ(Form5->StartRow, 151);
  EXPECT_EQ(Form5->NextStartRow, 151);

  Form5->Button2.Click();
  EXPECT_EQ(NumbersShown(), Numbers(51, 150));
  EXPECT_EQ(Form5->StartRow, 51);
  EXPECT_EQ(Form5->NextStartRow, 151);

  Form5->Button2.Click();  // 51 - 100 is below 1: back to the first page
  EXPECT_EQ(Form5->StartRow, 1);
  EXPECT_EQ(NumbersShown(), Numbers(1, 100));
  Form5->Button2.Click();  // on the first page it reloads the first page
  EXPECT_EQ(Form5->StartRow, 1);
  EXPECT_EQ(NumbersShown(), Numbers(1, 100));

  // The header row stays through all of it.
  EXPECT_EQ(Form5->StringGrid1.Cell(0, 0), "登録番号");
  EXPECT_EQ(Form5->StringGrid1.Cell(9, 0), "ファイルサイズ");
  EXPECT_TRUE(backend.MessageTexts().empty());
}

TEST_F(RecordListTest, ExactlyOneHundredRowsAndAnEmptyTable) {
  CreateFreshDatabase();
  Form5->Show();
  EXPECT_EQ(NumbersShown(), Numbers(1, 0));
  EXPECT_EQ(Form5->NextStartRow, 1);
  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), Numbers(1, 0));
  EXPECT_EQ(Form5->StartRow, 1);
  EXPECT_EQ(Form5->NextStartRow, 1);

  InsertSampleRows(1, 100);
  Form5->Button1.Click();
  EXPECT_EQ(NumbersShown(), Numbers(1, 100));
  EXPECT_EQ(Form5->NextStartRow, 101);
  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), Numbers(1, 0));
  EXPECT_EQ(Form5->NextStartRow, 101);
}

TEST_F(RecordListTest, SortAndFilterGoBackToTheFirstPageAndReloadKeepsThePage) {
  CreateFreshDatabase();
  InsertSampleRows(1, 250);
  Form5->Show();
  Form5->Button3.Click();
  Form5->Button3.Click();
  ASSERT_EQ(Form5->StartRow, 201);

  Form5->ComboBox1.Choose(1);  // 登録番号↑
  EXPECT_EQ(Form5->OrderClause, "N DESC");
  EXPECT_EQ(Form5->StartRow, 1);
  EXPECT_EQ(NumbersShown(), NumbersDown(250, 151));

  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), NumbersDown(150, 51));
  Form5->Button4.Click();  // 更新 keeps the page
  EXPECT_EQ(Form5->StartRow, 101);
  EXPECT_EQ(NumbersShown(), NumbersDown(150, 51));

  // Sizes are n * 10: descending size is descending number.
  Form5->ComboBox1.Choose(15);
  EXPECT_EQ(Form5->OrderClause, "FILE_SIZE DESC");
  EXPECT_EQ(NumbersShown(), NumbersDown(250, 151));
  Form5->Button3.Click();

  // PNAME is 利用者0/1/2 by n mod 3: the filter keeps every third row, from the first page on.
  Filter(1, "利用者1");
  EXPECT_EQ(Form5->FilterClause, "PNAME LIKE '%利用者1%'");
  EXPECT_EQ(Form5->StartRow, 1);
  std::vector<std::string> expected;
  for (int n = 250; n >= 1 && expected.size() < 100; --n) {
    if (n % 3 == 1) expected.push_back(std::to_string(n));
  }
  ASSERT_EQ(expected.size(), 84u);  // 84 rows of 250 match
  expected.resize(100);
  EXPECT_EQ(NumbersShown(), expected);
  EXPECT_EQ(Form5->NextStartRow, 85);

  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), Numbers(1, 0));
  Form5->Edit1.DoubleClick();  // the filter again, from the first page
  EXPECT_EQ(Form5->StartRow, 1);
  EXPECT_EQ(NumbersShown(), expected);

  // Every sort entry goes back to the first page and keeps the filter.
  ASSERT_EQ(Form5->ComboBox1.Count(), 16);
  for (int entry = 0; entry < 16; ++entry) {
    Form5->Button3.Click();
    Form5->ComboBox1.Choose(entry);
    EXPECT_EQ(Form5->StartRow, 1) << entry;
    EXPECT_EQ(Form5->NextStartRow, 85) << entry;  // the filter stays while the order changes
  }
  // 起動日時↓ sorts date then time as texts: the first row has the smallest date.
  Form5->ComboBox2.Choose(0);
  Form5->ComboBox1.Choose(10);
  EXPECT_EQ(GridRow(1)[5], "2024/01/01");
  EXPECT_LE(GridRow(1)[6], GridRow(2)[6]);
}

TEST_F(RecordListTest, FilterTextIsMatchedAsTypedWithPatternCharacters) {
  CreateFreshDatabase();
  const char* names[] = {"a%b.jww", "axb.jww", "a_b.jww", "it's.jww", "its.jww", "C:\\x.jww", "図面.jww"};
  int n = 1;
  for (const char* name : names) {
    Literals row = SampleRow(n++);
    std::string literal = "'";
    for (const char* c = name; *c; ++c) literal += (*c == '\'') ? std::string("''") : std::string(1, *c);
    row[4] = literal + "'";
    Insert(row);
  }
  Form5->Show();

  struct Case {
    int entry;
    std::string text;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {4, "a%b", {"a%b.jww", "axb.jww", "a_b.jww"}},     // % is any run
      {4, "a_b", {"a%b.jww", "axb.jww", "a_b.jww"}},     // _ is any one character
      {4, "it's", {"it's.jww"}},                         // the apostrophe matches itself
      {4, "'", {"it's.jww"}},
      {4, "':x", {}},                                    // a colon after a quote is no marker
      {4, "C:\\", {"C:\\x.jww"}},
      {4, "図面", {"図面.jww"}},
      {4, "", {"a%b.jww", "axb.jww", "a_b.jww", "it's.jww", "its.jww", "C:\\x.jww", "図面.jww"}},
      {0, "a%b", {"a%b.jww", "axb.jww", "a_b.jww", "it's.jww", "its.jww", "C:\\x.jww", "図面.jww"}},
      {1, "利用者", {"a%b.jww", "axb.jww", "a_b.jww", "it's.jww", "its.jww", "C:\\x.jww", "図面.jww"}},
      {2, "案件2024", {"a%b.jww", "axb.jww", "a_b.jww", "it's.jww", "its.jww", "C:\\x.jww", "図面.jww"}},
      {3, "案件2024", {"a%b.jww", "axb.jww", "a_b.jww", "it's.jww", "its.jww", "C:\\x.jww", "図面.jww"}},
      {3, "C:\\jww", {}},
      {5, "2024/03/03", {"axb.jww"}},  // n = 2: month 3, day 3
      {6, "2023/12", {"a%b.jww", "axb.jww", "a_b.jww", "it's.jww", "its.jww", "C:\\x.jww", "図面.jww"}},
  };
  for (const Case& c : cases) {
    Filter(c.entry, c.text);
    SCOPED_TRACE("entry " + std::to_string(c.entry) + " text '" + c.text + "'");
    EXPECT_EQ(FileNamesShown(), c.names);
  }
  EXPECT_TRUE(backend.MessageTexts().empty());

  // The statement: the text between apostrophes with the apostrophe doubled.
  Filter(4, "it's");
  EXPECT_EQ(Form5->FilterClause, "FILE_NAME LIKE '%it''s%'");
  EXPECT_EQ(Form5->PageStatementLines(),
            (std::vector<std::string>{"SELECT * FROM BOOTJWW", "  WHERE FILE_NAME LIKE '%it''s%'",
                                      "  ORDER BY N;"}));
  EXPECT_EQ(FileNamesShown(), (std::vector<std::string>{"it's.jww"}));
  // An empty text removes the filter although the column stays chosen.
  Filter(4, "");
  EXPECT_EQ(Form5->FilterClause, "");
  EXPECT_EQ(Form5->ComboBox2.ItemIndex(), 4);
  EXPECT_EQ(Form1->IBQuery1().Lines(),
            (std::vector<std::string>{"SELECT * FROM BOOTJWW", "  ORDER BY N", "  ROWS 1 TO 100;"}));
}

TEST_F(RecordListTest, FilterMatchesCharactersNeverFromASecondByte) {
  CreateFreshDatabase();
  // Each second row is a near miss: the server's byte-wise LIKE alone would show it.
  // ダ 83 5F, タ 83 5E, ア 83 41, サ 83 54, 神 90 5F, 真 90 5E, 論点 98 5F 93 5F, 録顛 98 5E 93 5E,
  // ソ 83 5C, ャ 83 83, ヰ 83 90, 図 90 7D.
  Insert(SampleRow(1));
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"ダクト図.jww", "神田"},   {"タクト図.jww", "真田"},   {"アクト図.jww", "神田!"},
      {"A棟.jww", "A"},           {"サイト.jww", "T"},        {"論点整理.jww", "論点"},
      {"録顛整理.jww", "録顛"},   {"ャ_クト.jww", "ソ"},      {"図.jww", "\\"},
      {"ヰ}.jww", "ソフト"},      {"x面.jww", "面"},          {"xyz.jww", "ab"},
      {"ダ!.jww", "神!"},
  };
  InsertNamed(2, rows);
  Form5->Show();

  struct Case {
    int entry;
    std::string text;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {4, "ダクト", {"ダクト図.jww"}},
      {4, "クト", {"ダクト図.jww", "タクト図.jww", "アクト図.jww", "ャ_クト.jww"}},
      {4, "論点", {"論点整理.jww"}},
      {4, "ダ", {"ダクト図.jww", "ダ!.jww"}},  // ャ_ holds 83 5F across two characters
      {4, "A", {"A棟.jww"}},
      {4, "T", {}},  // only as the second byte of サ
      {4, "図", {"図面1.jww", "ダクト図.jww", "タクト図.jww", "アクト図.jww", "図.jww"}},  // not ヰ}
      {1, "神田", {"ダクト図.jww", "アクト図.jww"}},
      {1, "真", {"タクト図.jww"}},
      {1, "\\", {"図.jww"}},  // ソ's second byte is no backslash
      {1, "A", {"A棟.jww"}},
      {1, "T", {"サイト.jww"}},
      // The escape character typed as a character of its own, with and without escaping.
      {4, "ダ!", {"ダ!.jww"}},
      {1, "!", {"アクト図.jww", "ダ!.jww"}},
      {1, "神!", {"ダ!.jww"}},
      // The typed % and _ still act as patterns, by character.
      {4, "ダ%図", {"ダクト図.jww"}},
      {4, "_クト図", {"ダクト図.jww", "タクト図.jww", "アクト図.jww"}},
      {4, "x__.jww", {"xyz.jww"}},  // 面 is one character, not two
      {4, "x_.jww", {"x面.jww"}},
      {1, "__", {"図面1.jww", "ダクト図.jww", "タクト図.jww", "アクト図.jww", "論点整理.jww", "録顛整理.jww",
                 "ヰ}.jww", "xyz.jww", "ダ!.jww"}},
      {4, "論__整", {}},  // 点 is one character, not two
      {4, "論_整", {"論点整理.jww"}},
      {4, "論%整", {"論点整理.jww"}},
      {4, "_", {"図面1.jww", "ダクト図.jww", "タクト図.jww", "アクト図.jww", "A棟.jww", "サイト.jww",
                "論点整理.jww", "録顛整理.jww", "ャ_クト.jww", "図.jww", "ヰ}.jww", "x面.jww",
                "xyz.jww", "ダ!.jww"}},
  };
  for (const Case& c : cases) {
    Filter(c.entry, c.text);
    SCOPED_TRACE("entry " + std::to_string(c.entry) + " text '" + c.text + "'");
    EXPECT_EQ(FileNamesShown(), c.names);
    EXPECT_EQ(Form5->NextStartRow, 1 + static_cast<int>(c.names.size()));  // only shown rows count
  }
  EXPECT_TRUE(backend.MessageTexts().empty());
}

TEST_F(RecordListTest, PagingThroughAFilteredTableCountsOnlyTheShownRows) {
  CreateFreshDatabase();
  // Of every three rows one holds ダ; one holds ャ_ (83 83 5F), which the server's byte-wise
  // LIKE returns and the list must drop; one holds タ, the near miss of an unescaped pattern.
  std::vector<std::pair<std::string, std::string>> rows;
  std::vector<std::string> matching;
  for (int n = 1; n <= 650; ++n) {
    const char* const heads[] = {"ダ図", "ャ_図", "タ図"};
    rows.push_back({heads[n % 3] + std::to_string(n) + ".jww", "利用者"});
    if (n % 3 == 0) matching.push_back(std::to_string(n));
  }
  InsertNamed(1, rows);
  ASSERT_EQ(matching.size(), 216u);
  auto slice = [&](std::size_t first, std::size_t count) {
    std::vector<std::string> page;
    for (std::size_t i = first; i < first + count && i < matching.size(); ++i) page.push_back(matching[i]);
    page.resize(100);
    return page;
  };
  Form5->Show();
  Filter(4, "ダ");

  EXPECT_EQ(NumbersShown(), slice(0, 100));
  EXPECT_EQ(Form5->NextStartRow, 101);
  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), slice(100, 100));
  EXPECT_EQ(Form5->StartRow, 101);
  EXPECT_EQ(Form5->NextStartRow, 201);
  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), slice(200, 16));
  EXPECT_EQ(Form5->NextStartRow, 217);
  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), slice(216, 0));
  EXPECT_EQ(Form5->StartRow, 217);
  EXPECT_EQ(Form5->NextStartRow, 217);
  Form5->Button2.Click();  // back by one page of shown rows
  EXPECT_EQ(Form5->StartRow, 117);
  EXPECT_EQ(NumbersShown(), slice(116, 100));
  Form5->Button4.Click();
  EXPECT_EQ(NumbersShown(), slice(116, 100));
  EXPECT_EQ(Form5->NextStartRow, 217);

  // Descending, the same rows come the other way round.
  Form5->ComboBox1.Choose(1);
  std::reverse(matching.begin(), matching.end());
  EXPECT_EQ(NumbersShown(), slice(0, 100));
  Form5->Button3.Click();
  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), slice(200, 16));

  // Without the filter every row counts again.
  Filter(0, "ダ");
  Form5->Button3.Click();
  EXPECT_EQ(NumbersShown(), NumbersDown(550, 451));
  EXPECT_EQ(Form5->NextStartRow, 201);
}

TEST_F(RecordListTest, NullsShowAsEmptyCells) {
  CreateFreshDatabase();
  Insert({"1", "NULL", "NULL", "NULL", "'only.jww'", "NULL", "NULL", "NULL", "NULL", "NULL"});
  Insert({"2", "'x'", "'C:\\'", "'C:\\'", "NULL", "'2024/01/01'", "'00:00:00'", "NULL", "NULL", "-5"});
  Form5->Show();
  EXPECT_EQ(GridRow(1), (Texts{"1", "", "", "", "only.jww", "", "", "", "", ""}));
  EXPECT_EQ(GridRow(2), (Texts{"2", "x", "C:\\", "C:\\", "", "2024/01/01", "00:00:00", "", "", "-5"}));
  EXPECT_EQ(Form5->NextStartRow, 3);
}

TEST_F(RecordListTest, ShowingAgainResetsSortFilterAndPageButKeepsTheFilterText) {
  CreateFreshDatabase();
  InsertSampleRows(1, 150);
  Form5->Show();
  Form5->ComboBox1.Choose(1);
  Filter(4, "図面1");
  Form5->Button3.Click();
  ASSERT_NE(Form5->StartRow, 1);
  Form5->Close();
  EXPECT_FALSE(Form5->Visible());

  Form1->Button4Click();
  EXPECT_EQ(Form5->ComboBox1.ItemIndex(), 0);
  EXPECT_EQ(Form5->ComboBox2.ItemIndex(), 0);
  EXPECT_EQ(Form5->Edit1.Text(), "図面1");
  EXPECT_EQ(Form5->OrderClause, "N");
  EXPECT_EQ(Form5->FilterClause, "");
  EXPECT_EQ(Form5->StartRow, 1);
  EXPECT_EQ(NumbersShown(), Numbers(1, 100));
  EXPECT_EQ(Form5->NextStartRow, 101);

  // Shown while visible: nothing resets.
  Form5->Button3.Click();
  Form1->Button4Click();
  EXPECT_EQ(Form5->StartRow, 101);
}

TEST_F(RecordListTest, AClosedConnectionLeavesThePageEmptyAndTheButtonsDisabled) {
  CreateFreshDatabase();
  InsertSampleRows(1, 5);
  // Connected as at start-up, so the statement layer holds the parameters it could attach with.
  Form1->DisconnectDatabase();
  Form1->ConnectDatabase({DatabasePath()});
  Form5->Show();
  ASSERT_EQ(FilledGridRows(), 5);
  Form5->Close();
  Form1->DisconnectDatabase();

  Form5->Show();
  EXPECT_EQ(FilledGridRows(), 0);
  EXPECT_FALSE(Form1->Connected());  // no reconnection behind the user's back
  for (ui::Button* button : {&Form5->Button1, &Form5->Button2, &Form5->Button3, &Form5->Button4}) {
    EXPECT_FALSE(button->Enabled()) << button->Name();
  }
  EXPECT_TRUE(Form5->ComboBox1.Enabled());
  EXPECT_TRUE(Form5->ComboBox2.Enabled());
  EXPECT_TRUE(Form5->Edit1.Enabled());
  Form5->ComboBox1.Choose(1);
  EXPECT_EQ(FilledGridRows(), 0);
  EXPECT_EQ(Form5->NextStartRow, 1);
  EXPECT_FALSE(Form1->Connected());
  EXPECT_TRUE(backend.MessageTexts().empty());
}

// Opening, the four page buttons and the sort entry each work at their first use after the
// server restarted; with the server still down the error box says so in Japanese, the buttons
// stay enabled, and the next click once it is back loads the page.
TEST_F(RecordListTest, EveryLoadWorksAtItsFirstUseAfterAServerRestart) {
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  CreateDatabaseOn(server, 1, 250);
  auto restart = [&] {
    ASSERT_TRUE(server.Stop());
    ASSERT_TRUE(server.Start());
  };

  restart();
  Form5->Show();
  EXPECT_EQ(NumbersShown(), Numbers(1, 100));
  EXPECT_TRUE(Form5->Button1.Focused());
  restart();
  Form5->Button3.Click();  // 次頁
  EXPECT_EQ(NumbersShown(), Numbers(101, 200));
  restart();
  Form5->Button4.Click();  // 更新
  EXPECT_EQ(NumbersShown(), Numbers(101, 200));
  restart();
  Form5->Button2.Click();  // 前頁
  EXPECT_EQ(NumbersShown(), Numbers(1, 100));
  restart();
  Form5->ComboBox1.Choose(1);  // 登録番号↑
  EXPECT_EQ(NumbersShown(), NumbersDown(250, 151));
  restart();
  Form5->Button1.Click();  // 最初
  EXPECT_EQ(NumbersShown(), NumbersDown(250, 151));
  EXPECT_TRUE(backend.MessageTexts().empty());

  ASSERT_TRUE(server.Stop());
  Form5->Button4.Click();
  EXPECT_EQ(testsupport::OnlyErrorSentence(backend), "データベースに接続できません。");
  EXPECT_EQ(FilledGridRows(), 0);
  EXPECT_EQ(Form5->NextStartRow, 1);
  backend.ClearMessages();
  Form5->Close();
  Form5->Show();  // still down: the message again, the buttons stay for a later click
  EXPECT_EQ(testsupport::OnlyErrorSentence(backend), "データベースに接続できません。");
  for (ui::Button* button : {&Form5->Button1, &Form5->Button2, &Form5->Button3, &Form5->Button4}) {
    EXPECT_TRUE(button->Enabled()) << button->Name();
  }
  backend.ClearMessages();
  ASSERT_TRUE(server.Start());
  Form5->Button4.Click();
  EXPECT_EQ(NumbersShown(), Numbers(1, 100));
  EXPECT_TRUE(Form1->Connected());
  EXPECT_TRUE(backend.MessageTexts().empty());
}

// A zero byte in the filter text is part of the statement like any other byte: it no longer
// ends the statement there (which made every such filter fail without a word).
// A zero byte in the filter reaches the server whole (the statement is not cut there), and a
// row is shown only when the text the list shows holds the filter: a stored zero byte ends the
// text as read, so "a<NUL>b.jww" is shown as "a" and matches neither "a<NUL>b" nor "<NUL>".
TEST_F(RecordListTest, AZeroByteInTheFilterIsMatchedAgainstTheShownText) {
  CreateFreshDatabase();
  for (int n = 1; n <= 3; ++n) {
    Literals row = SampleRow(n);
    if (n == 2) row[4] = std::string("'a") + '\0' + "b.jww'";
    if (n == 3) row[4] = "'ab.jww'";
    Insert(row);
  }
  Form5->Show();
  Filter(4, std::string("a") + '\0' + "b");
  EXPECT_EQ(FilledGridRows(), 0);
  Filter(4, std::string(1, '\0'));
  EXPECT_EQ(FilledGridRows(), 0);
  Filter(4, "ab");
  EXPECT_EQ(NumbersShown(), Numbers(3, 3));
  Filter(4, "a");
  EXPECT_EQ(NumbersShown(), Numbers(2, 3));
  EXPECT_TRUE(backend.MessageTexts().empty());
}

TEST_F(RecordListTest, ShowingTheListCreatesAMissingTable) {
  CreateFreshDatabase("NOTABLE.FDB", false);
  Form5->Show();
  EXPECT_TRUE(Form1->TableExists("BOOTJWW"));
  EXPECT_TRUE(Form5->Button1.Enabled());
  EXPECT_EQ(FilledGridRows(), 0);
}

TEST_F(RecordListTest, AnInvalidFilterLeavesTheGridEmptyWithoutAMessage) {
  CreateFreshDatabase();
  InsertSampleRows(1, 5);
  Form5->Show();
  // A marker outside quotes cannot occur through the filter; a bad order list can only come
  // from a broken statement, which must not leave stale rows either.
  Form5->OrderClause = "NO_SUCH_COLUMN";
  Form5->Button4.Click();
  EXPECT_EQ(FilledGridRows(), 0);
  EXPECT_EQ(Form5->NextStartRow, 1);
  EXPECT_TRUE(backend.MessageTexts().empty());
  Form5->ComboBox1.Choose(0);
  EXPECT_EQ(FilledGridRows(), 5);
}

}  // namespace

namespace {

// Bounds as left, top, width, height.
std::vector<int> BoundsOf(ui::Control& control) {
  return {control.Left(), control.Top(), control.Width(), control.Height()};
}

TEST_F(RecordListTest, PanelStatusBarAndGridFollowTheWindowSize) {
  // What a real frame reports when the user drags it larger, then smaller than the panel.
  Form5->PeerSetClientSize(700, 500);
  EXPECT_EQ(BoundsOf(Form5->Panel1), (std::vector<int>{0, 0, 700, 57}));
  EXPECT_EQ(BoundsOf(Form5->StatusBar1), (std::vector<int>{0, 481, 700, 19}));
  EXPECT_EQ(BoundsOf(Form5->StringGrid1), (std::vector<int>{0, 57, 700, 424}));
  Form5->PeerSetClientSize(300, 60);
  EXPECT_EQ(BoundsOf(Form5->StatusBar1), (std::vector<int>{0, 41, 300, 19}));
  EXPECT_EQ(BoundsOf(Form5->StringGrid1), (std::vector<int>{0, 57, 300, 0}));
  // The controls inside the panel keep their places.
  EXPECT_EQ(BoundsOf(Form5->ComboBox2), (std::vector<int>{368, 32, 105, 21}));
}

}  // namespace
