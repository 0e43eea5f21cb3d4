// The record list's pages as the server picks them (by key next to the page shown, by position
// otherwise, a filter's rows by their numbers) beside the plain reading that walks the whole
// ordered statement on the client and skips to the page: the same rows and the same status line
// on every page, forward and back, for every order and several filters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Unit1.h"
#include "db/RowReader.h"
#include "db/Statements.h"
#include "platform/cp932.h"
#include "records/Unit5.h"
#include "tests/records/records_fixture.h"

using records_test::Literals;
using records_test::RecordsFixture;
using records_test::Texts;

namespace {

std::string Literal(const std::string& text) { return text.empty() ? "NULL" : db::QuoteLiteral(text); }

class PageReadingTest : public RecordsFixture {
 protected:
  // Few distinct values per column, so every order has long runs of equal keys, NULLs among
  // them, and names whose second bytes are "\" (ソ 83 5C, 表 95 5C), "_" (ダ 83 5F) and "|"
  // (ポ 83 7C). Numbers with gaps.
  void InsertTiedRows(int count) {
    const char* const names[] = {"ソ表", "ダ能", "ポ", "", "a\\b", "a_b", "a|b", "ソ"};
    const char* const folders[] = {"C:\\ソフト\\", "C:\\ダ\\", "", "D:\\a_b\\", "C:\\ポ|\\"};
    const char* const files[] = {"表.jww", "ダ_1.jww", "", "ポ.jww", "a%b.jww", "ソ\\.jww", "x.jww"};
    const char* const dates[] = {"2024/01/01", "2024/01/02", "", "2023/12/31"};
    const char* const times[] = {"10:00:00", "", "09:00:00"};
    const char* const sizes[] = {"100", "NULL", "7", "100"};
    for (int n = 1; n <= count; ++n) {
      Insert(Literals{std::to_string(3 * n + n % 2), Literal(names[n % 8]), Literal(folders[n % 5]),
                      Literal(folders[(n / 2) % 5]), Literal(files[n % 7]), Literal(dates[n % 4]),
                      Literal(times[n % 3]), Literal(dates[(n / 3) % 4]), Literal(times[(n / 5) % 3]),
                      sizes[(n / 7) % 4]});
    }
  }

  // The page at StartRow as the plain reading finds it: the whole statement in the list's total
  // order, every row checked by character, the rows before the page skipped on the client.
  struct Expected {
    std::vector<Texts> rows;
    std::string status;
  };
  Expected ReadBySkipping() {
    const int32_t start = Form5->StartRow;
    Expected expected;
    long long matching = 0;
    db::ReadRows(*Form1, db::PageStatementLines(Form5->FilterClause, db::TotalPageOrder(Form5->OrderClause)),
                 [&](db::RowReader& rows) {
                   for (; !rows.Eof(); rows.Next()) {
                     Texts row;
                     for (int col = 0; col < 10; ++col) row.push_back(rows.ValueText(col));
                     if (Form5->FilterColumn &&
                         !cp932::MatchesLike(row[static_cast<int>(*Form5->FilterColumn)], Form5->FilterPattern)) {
                       continue;
                     }
                     ++matching;
                     if (matching >= start && matching < start + Form5->PageSize) expected.rows.push_back(row);
                   }
                 });
    const long long shown = static_cast<long long>(expected.rows.size());
    if (shown > 0) expected.status = std::to_string(start) + "～" + std::to_string(start + shown - 1) + "件目 / ";
    expected.status += "全" + std::to_string(matching) + "件";
    return expected;
  }

  std::vector<Texts> RowsShown() {
    std::vector<Texts> rows;
    for (int row = 1; row <= Form5->PageSize && !Form5->StringGrid1.Cell(0, row).empty(); ++row) {
      rows.push_back(GridRow(row));
    }
    return rows;
  }

  // The page shown against the plain reading; how many rows it holds.
  int CheckPage(const std::string& step) {
    SCOPED_TRACE(step + " at " + std::to_string(Form5->StartRow));
    const std::vector<Texts> shown = RowsShown();
    const std::string status = Form5->StatusBar1.Text();
    const Expected expected = ReadBySkipping();
    EXPECT_EQ(shown, expected.rows);
    EXPECT_EQ(status, expected.status);
    EXPECT_EQ(Form5->NextStartRow, Form5->StartRow + static_cast<int32_t>(shown.size()));
    return static_cast<int>(shown.size());
  }
};

TEST_F(PageReadingTest, EveryOrderAndFilterForwardAndBackShowsWhatSkippingShows) {
  CreateFreshDatabase();
  InsertTiedRows(230);
  Form5->Show();
  struct Filter {
    int entry;
    const char* text;
  };
  const Filter filters[] = {
      {0, ""},   {1, "ソ"}, {1, "\\"}, {1, "|"},   {1, "_"}, {2, "ダ"},
      {4, "%"},  {4, "\\"}, {5, "/01/"}, {6, "2023"}, {3, "存在しない"},
  };
  for (const Filter& filter : filters) {
    for (int order = 0; order < Form5->ComboBox1.Count(); ++order) {
      SCOPED_TRACE("filter " + std::to_string(filter.entry) + " '" + filter.text + "', order " + std::to_string(order));
      Form5->Edit1.SetText(filter.text);
      Form5->ComboBox2.Choose(filter.entry);
      Form5->ComboBox1.Choose(order);
      int pages = 1;
      for (int rows = CheckPage("first"); rows > 0; rows = CheckPage("next"), ++pages) Form5->Button3.Click();
      while (Form5->StartRow > 1) {
        Form5->Button2.Click();
        CheckPage("previous");
      }
      Form5->Button4.Click();
      CheckPage("reload");
      if (filter.entry == 0) {
        EXPECT_EQ(pages, 4);  // 100, 100, 30 and the empty page after them
      }
    }
  }
}

}  // namespace
