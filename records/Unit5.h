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
  // One read of the page into the grid; false when the server refused the statement (the rows
  // read so far stay). Throws a lost connection or a missing table on to the recovery.
  bool ReadPage(int32_t& rows_shown);
  // Whether the current row of the page statement's result is shown (always without a filter).
  bool RowShown(const db::RowReader& rows) const;
  // How many rows there are without a filter, counted by the server in the read transaction the
  // page is read in next; -1 when that failed.
  long long CountMatchingRows();
  // The status bar: the rows the page holds, of how many match (a count kept from an earlier
  // load is brought in line with what this page saw).
  void ShowPagePosition(int32_t rows_shown, bool count_kept);

  // The count of matching rows, kept while only the page changes (次頁, 前頁): it is taken anew
  // by 最初 (also on showing, sorting and filtering) and 更新, and whenever the filter changed.
  long long matching_rows_ = -1;
  bool page_count_kept_ = false;  // the last ReadPage kept the count of an earlier load
  std::string counted_filter_;

  db::DataModule& data_;
};
