// TForm5: the record list. Shows BOOTJWW a page of PageSize rows at a time, in one of 16 sort
// orders and with an optional substring filter on one of six text columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "db/RowReader.h"
#include "db/Statements.h"
#include "platform/ui/controls.h"
#include "platform/ui/string_grid.h"

class TForm5 : public ui::Form {
 public:
  explicit TForm5(db::DataModule& data);

  ui::Panel Panel1;
  ui::Button Button1;
  ui::Button Button2;
  ui::Button Button3;
  ui::Button Button4;
  ui::Label Label1;
  ui::ComboBox ComboBox1;  // sort order
  ui::Label Label2;
  ui::Edit Edit1;          // filter text
  ui::ComboBox ComboBox2;  // filter column
  ui::StatusBar StatusBar1;
  ui::StringGrid StringGrid1;

  int32_t PageSize = 100;
  int32_t StartRow = 1;
  int32_t NextStartRow = 0;
  std::string FilterClause;
  std::string OrderClause = db::PageOrder(db::LaunchColumn::N, false);
  // The server matches FilterClause byte by byte; a row it returns is shown only when the
  // filter column's value matches FilterPattern by character. StartRow and NextStartRow count
  // shown rows. No column: no filter.
  std::optional<db::LaunchColumn> FilterColumn;
  std::string FilterPattern;

  void FormShow();
  void FormClose();
  void Button1Click();  // first page
  void Button2Click();  // previous page
  void Button3Click();  // next page
  void Button4Click();  // reload
  void ComboBox1Select();
  void ComboBox2Select();
  // Double click or Enter on a row: its drawing opened with the program the system associates
  // with it, found in the row's folder, else in its expanded folder; a row that names anything
  // but a drawing (records/DrawingFile.h) is refused with a message.
  void StringGrid1DblClick();

  void ClearGrid();
  // Reads the page from StartRow into the grid, recovering once from a lost connection or a
  // missing table; returns what the recovery found (the page stays empty unless Ready) and
  // passes on what it throws (the grid and the status bar then empty).
  db::LaunchTableState LoadPage();
  // FilterClause, FilterColumn and FilterPattern for `text` in `column`; none: no filter.
  void SetFilter(std::optional<db::LaunchColumn> column, const std::string& text);
  // The statement LoadPage sends for the current filter and order.
  std::vector<std::string> PageStatementLines() const;

 private:
  void EnablePageButtons(bool enabled);
  // One read of the page into page_rows_ (on the long-call worker: no window is touched); false
  // when the server refused a statement (the rows read so far stay). Throws a lost connection or
  // a missing table on to the recovery.
  bool ReadPage();
  // The statement of the page's rows when no filter is decided by character: in number order a
  // page next to the one shown is found by key, any other page by its positions (ROWS).
  std::vector<std::string> UnfilteredPageLines(const std::string& key) const;
  // With a filter: the rows of the page's positions among the matching numbers, read by number.
  void ReadFilteredPage();
  // Whether a row (value texts) is shown (always without a filter).
  bool RowShown(const std::vector<std::string>& row) const;
  // How many rows there are without a filter, counted by the server in the read transaction the
  // page is read in next; -1 when that failed.
  long long CountMatchingRows();
  // With a filter: the numbers of the rows that match by character, in the list's order, read
  // with only the number and the filtered column of the rows the server narrowed to; their count.
  long long ReadMatchingNumbers();
  // The grid from page_rows_.
  void ShowPageRows();
  // The status bar: the rows the page holds, of how many match (a count kept from an earlier
  // load is brought in line with what this page saw).
  void ShowPagePosition(int32_t rows_shown, bool count_kept);

  // The page read last, as value texts of its rows.
  std::vector<std::vector<std::string>> page_rows_;
  // With a filter: the numbers of the matching rows in the list's order, read with the count.
  std::vector<int32_t> matching_numbers_;
  // The page shown last (filter and order, first position, rows, numbers of its first and last
  // row): the page next to it in number order is found by key.
  struct ShownPage {
    std::string key;
    int32_t start = 0;
    int32_t rows = 0;
    long long first = 0;
    long long last = 0;
  };
  ShownPage shown_;

  // The count of matching rows, kept while only the page changes (次頁, 前頁): it is taken anew
  // by 最初 (also on showing, sorting and filtering) and 更新, and whenever the filter changed.
  long long matching_rows_ = -1;
  bool page_count_kept_ = false;  // the last ReadPage kept the count of an earlier load
  std::string counted_key_;        // the filter and the order the count (and the numbers) belong to

  db::DataModule& data_;
};
