#include "records/Unit5.h"

#include <algorithm>
#include <exception>
#include <map>
#include <optional>

#include "app/UnitV.h"
#include "db/Statements.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/ui/long_call.h"
#include "records/DrawingFile.h"
#include "records/ListLook.h"

namespace {

using Column = db::LaunchColumn;
constexpr int kColumnCount = db::kLaunchColumnCount;

struct SortEntry {
  const char* item;
  Column column;
  bool descending;
};

// A down arrow is ascending, an up arrow descending.
const SortEntry kSortEntries[] = {
    {"登録番号↓", Column::N, false},
    {"登録番号↑", Column::N, true},
    {"PC利用者名↓", Column::PNAME, false},
    {"PC利用者名↑", Column::PNAME, true},
    {"フォルダ名↓", Column::L_FOLDER, false},
    {"フォルダ名↑", Column::L_FOLDER, true},
    {"展開フォルダ名↓", Column::N_FOLDER, false},
    {"展開フォルダ名↑", Column::N_FOLDER, true},
    {"ファイル名↓", Column::FILE_NAME, false},
    {"ファイル名↑", Column::FILE_NAME, true},
    {"起動日時↓", Column::BOOT_DATE, false},
    {"起動日時↑", Column::BOOT_DATE, true},
    {"ファイル日時↓", Column::FILE_DATE, false},
    {"ファイル日時↑", Column::FILE_DATE, true},
    {"ファイルサイズ↓", Column::FILE_SIZE, false},
    {"ファイルサイズ↑", Column::FILE_SIZE, true},
};

struct FilterEntry {
  const char* item;
  std::optional<Column> column;  // none: no filter
};

const FilterEntry kFilterEntries[] = {
    {"（無し）", std::nullopt},
    {"PC利用者名", Column::PNAME},
    {"フォルダ名", Column::L_FOLDER},
    {"展開フォルダ名", Column::N_FOLDER},
    {"ファイル名", Column::FILE_NAME},
    {"起動日付", Column::BOOT_DATE},
    {"ファイル日付", Column::FILE_DATE},
};

// "1～100件目 / 全1000000件"; without rows on the page only the count; an unknown count left out.
std::string PagePositionText(long long first, long long last, long long matching) {
  std::string text;
  if (last >= first) text = std::to_string(first) + "～" + std::to_string(last) + "件目";
  if (matching >= 0) text += (text.empty() ? "全" : " / 全") + std::to_string(matching) + "件";
  return text;
}

const char* const kHeaders[kColumnCount] = {"登録番号",   "PC利用者名", "フォルダ名", "展開フォルダ名",
                                            "ファイル名", "起動日付",   "起動時刻",   "ファイル日付",
                                            "ファイル時刻", "ファイルサイズ"};

}  // namespace

TForm5::TForm5(db::DataModule& data)
    : ui::Form("Form5"),
      Panel1(this, "Panel1"),
      Button1(&Panel1, "Button1"),
      Button2(&Panel1, "Button2"),
      Button3(&Panel1, "Button3"),
      Button4(&Panel1, "Button4"),
      Label1(&Panel1, "Label1"),
      ComboBox1(&Panel1, "ComboBox1"),
      Label2(&Panel1, "Label2"),
      Edit1(&Panel1, "Edit1"),
      ComboBox2(&Panel1, "ComboBox2"),
      StatusBar1(this, "StatusBar1"),
      StringGrid1(this, "StringGrid1"),
      data_(data) {
  SetText("データ一覧表示");
  SetBorder(ui::Border::Sizeable);
  SetMaximizeBox(true);
  SetColor(records::kListWindowColor);
  SetBounds(192, 107, 500, 300);

  std::vector<std::string> sort_items;
  for (const SortEntry& entry : kSortEntries) sort_items.push_back(entry.item);
  std::vector<std::string> filter_items;
  for (const FilterEntry& entry : kFilterEntries) filter_items.push_back(entry.item);

  // Panel on top, status bar at the bottom, the grid in between: they follow the frame's size.
  Panel1.Create({.width = 492, .height = 57, .tab_order = 0, .color = records::kListPanelColor,
                 .align = ui::Align::Top});

  Button1.Create({.left = 8, .top = 4, .width = 75, .height = 25, .caption = "最初(&F)", .tab_order = 0});
  Button2.Create({.left = 88, .top = 4, .width = 75, .height = 25, .caption = "前頁(&P)", .tab_order = 1});
  Button3.Create({.left = 168, .top = 4, .width = 75, .height = 25, .caption = "次頁(&N)", .tab_order = 2});
  Button4.Create({.left = 248, .top = 4, .width = 75, .height = 25, .caption = "更新(&U)", .tab_order = 3});
  Label1.Create({8, 36, "並び順："});
  Label2.Create({176, 36, "絞り込み："});
  ComboBox1.Create({.left = 64, .top = 32, .width = 105, .height = 21, .tab_order = 4, .items = sort_items});
  Edit1.Create({.left = 248, .top = 32, .width = 121, .height = 21, .tab_order = 5});
  ComboBox2.Create({.left = 368, .top = 32, .width = 105, .height = 21, .tab_order = 6, .items = filter_items});

  StatusBar1.Create({.top = 254, .width = 492, .height = 19, .color = records::kListStatusColor,
                     .align = ui::Align::Bottom});

  ui::StringGrid::CreateArgs grid = records::ListGridArgs(kColumnCount, PageSize + 1, 80);
  grid.headers.assign(std::begin(kHeaders), std::end(kHeaders));
  grid.options.tab_moves = true;
  StringGrid1.Create(grid);

  // Placed for the client area of the designed 500 x 300 frame; a real frame reports its own
  // client size (and every change of it), and the aligned controls follow.
  RealignChildren(492, 273);

  OnShow = [this] { FormShow(); };
  OnClose = [this] { FormClose(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Button3.OnClick = [this] { Button3Click(); };
  Button4.OnClick = [this] { Button4Click(); };
  ComboBox1.OnSelect = [this] { ComboBox1Select(); };
  ComboBox2.OnSelect = [this] { ComboBox2Select(); };
  Edit1.OnDoubleClick = [this] { ComboBox2Select(); };
  StringGrid1.OnDoubleClick = [this] { StringGrid1DblClick(); };
  StringGrid1.OnReturnKey = [this] { StringGrid1DblClick(); };
}

void TForm5::EnablePageButtons(bool enabled) {
  Button1.SetEnabled(enabled);
  Button2.SetEnabled(enabled);
  Button3.SetEnabled(enabled);
  Button4.SetEnabled(enabled);
}

void TForm5::FormShow() {
  ui::BusyCursor busy;
  shown_ = ShownPage();
  PageSize = 100;
  StartRow = 1;
  NextStartRow = 0;
  matching_rows_ = -1;  // counted anew with the first page
  SetFilter(std::nullopt, "");
  OrderClause = db::PageOrder(Column::N, false);

  ComboBox1.SetItemIndex(0);
  ComboBox2.SetItemIndex(0);

  for (int col = 0; col < kColumnCount; ++col) StringGrid1.SetCell(col, 0, kHeaders[col]);
  StringGrid1.SetRowCount(PageSize + 1);
  ClearGrid();

  EnablePageButtons(true);
  // The first page (sort entry 0, no filter), loaded once the window is set up. Its load makes
  // the table usable: it attaches again after a server restart and creates a missing table. A
  // server still down is reported by the error box; the buttons stay enabled, so the first
  // click once it is back loads the page.
  const db::LaunchTableState table = LoadPage();
  if (table != db::LaunchTableState::Ready) EnablePageButtons(false);
  if (Button1.Enabled()) Button1.SetFocus();
}

void TForm5::FormClose() {}

void TForm5::ClearGrid() {
  StringGrid1.BeginUpdate();
  for (int row = 1; row < StringGrid1.RowCount(); ++row) {
    for (int col = 0; col < StringGrid1.ColCount(); ++col) StringGrid1.SetCell(col, row, "");
  }
  StringGrid1.EndUpdate();
}

std::vector<std::string> TForm5::PageStatementLines() const {
  return db::PageStatementLines(FilterClause, OrderClause);
}

db::LaunchTableState TForm5::LoadPage() {
  // Presses queued while the page loads must not start one load each.
  ui::InputPause pause(*this, {&Button1, &Button2, &Button3, &Button4, &ComboBox1, &Edit1, &ComboBox2});
  ui::BusyCursor busy;
  bool read = false;
  db::LaunchTableState table;
  try {
    // On the worker, while the window keeps answering. A page whose read finds the server
    // restarted or the table gone is read once more after the connection and the table were
    // made usable. A connection closed on purpose stays closed (the statement layer would attach
    // on demand with the last settings).
    int runs = 0;
    table = ui::RunLongCallFor([&] {
      return data_.RunRecovering([&] {
        if (runs++ > 0) matching_rows_ = -1;  // after a recovery the rows are counted anew
        read = ReadPage();
      });
    });
  } catch (...) {
    // Nothing shown, and no position of an earlier page over the empty grid.
    page_rows_.clear();
    shown_ = ShownPage();
    ClearGrid();
    StatusBar1.SetText("");
    NextStartRow = StartRow;
    throw;
  }
  if (table != db::LaunchTableState::Ready) page_rows_.clear();
  ShowPageRows();
  const int32_t rows_shown = static_cast<int32_t>(page_rows_.size());
  if (table == db::LaunchTableState::Ready && read) {
    ShowPagePosition(rows_shown, page_count_kept_);
  } else {
    StatusBar1.SetText("");
  }
  NextStartRow = StartRow + rows_shown;
  return table;
}

void TForm5::ShowPageRows() {
  ClearGrid();
  StringGrid1.BeginUpdate();
  for (std::size_t i = 0; i < page_rows_.size(); ++i) {
    for (int col = 0; col < kColumnCount; ++col) {
      StringGrid1.SetCell(col, static_cast<int>(i) + 1, page_rows_[i][static_cast<std::size_t>(col)]);
    }
  }
  StringGrid1.EndUpdate();
}

bool TForm5::ReadPage() {
  data_.CloseQuery();
  page_rows_.clear();  // a second run after a recovery starts on an empty page
  const std::string key = FilterClause + '\n' + OrderClause;
  const bool count_kept = matching_rows_ >= 0 && counted_key_ == key;
  page_count_kept_ = count_kept;
  bool read = true;
  try {
    // The count first, in the read transaction the page is then read in. Without a filter the
    // server counts; with one only the rows that match by character count, and their numbers
    // give the page's rows their positions.
    if (!count_kept) {
      counted_key_ = key;
      matching_rows_ = -1;
      matching_numbers_.clear();
      matching_rows_ = FilterColumn ? ReadMatchingNumbers() : CountMatchingRows();
    }
    if (FilterColumn) {
      ReadFilteredPage();
    } else {
      db::ReadRows(
          data_, UnfilteredPageLines(key),
          [&](db::RowReader& rows) {
            for (; !rows.Eof() && static_cast<int32_t>(page_rows_.size()) < PageSize; rows.Next()) {
              std::vector<std::string>& row = page_rows_.emplace_back();
              for (int col = 0; col < kColumnCount; ++col) row.push_back(rows.ValueText(col));
            }
          },
          false);  // the read transaction stays open until the next data operation
    }
  } catch (const db::DatabaseError& error) {
    // A lost connection or a missing table goes to the recovery; anything else (a filter the
    // server refuses) is not reported: the rows read so far stay on the page.
    if (db::NeedsRecovery(error)) throw;
    read = false;
  } catch (const std::exception&) {
    read = false;
  }
  shown_ = ShownPage();
  if (read && !page_rows_.empty()) {
    shown_ = {key, StartRow, static_cast<int32_t>(page_rows_.size()), StrToIntZero(page_rows_.front()[0]),
              StrToIntZero(page_rows_.back()[0])};
  }
  return read;
}

std::vector<std::string> TForm5::UnfilteredPageLines(const std::string& key) const {
  bool descending = false;
  if (db::IsNumberOrder(OrderClause, descending) && shown_.key == key && shown_.rows > 0) {
    // 次頁 and 前頁 from a page shown: the numbers next to its last or its first row.
    if (StartRow == shown_.start + shown_.rows) {
      return db::PageByKeyLines(FilterClause, shown_.last, !descending, PageSize, descending);
    }
    if (StartRow == shown_.start - PageSize) {
      return db::PageByKeyLines(FilterClause, shown_.first, descending, PageSize, descending);
    }
  }
  return db::PageRowsLines(FilterClause, OrderClause, StartRow, PageSize);
}

void TForm5::ReadFilteredPage() {
  const std::size_t from = static_cast<std::size_t>(StartRow - 1);
  if (StartRow < 1 || from >= matching_numbers_.size()) return;
  const std::size_t to = std::min(matching_numbers_.size(), from + static_cast<std::size_t>(PageSize));
  std::vector<long long> numbers(matching_numbers_.begin() + static_cast<std::ptrdiff_t>(from),
                                 matching_numbers_.begin() + static_cast<std::ptrdiff_t>(to));
  // The rows come in the server's order: each goes to its place among the page's positions. A
  // row deleted or changed since the numbers were read is left out.
  std::map<long long, std::size_t> place;
  for (std::size_t i = 0; i < numbers.size(); ++i) place[numbers[i]] = i;
  std::vector<std::vector<std::string>> placed(numbers.size());
  auto keep_placed = [&] {
    for (std::vector<std::string>& row : placed) {
      if (!row.empty() && RowShown(row)) page_rows_.push_back(std::move(row));
    }
  };
  try {
    db::ReadRows(
        data_, db::PageRowsOfNumbersLines(numbers),
        [&](db::RowReader& rows) {
          for (; !rows.Eof(); rows.Next()) {
            const auto found = place.find(StrToIntZero(rows.ValueText(0)));
            if (found == place.end()) continue;
            std::vector<std::string>& row = placed[found->second];
            row.clear();
            for (int col = 0; col < kColumnCount; ++col) row.push_back(rows.ValueText(col));
          }
        },
        false);
  } catch (...) {
    keep_placed();
    throw;
  }
  keep_placed();
}

bool TForm5::RowShown(const std::vector<std::string>& row) const {
  if (!FilterColumn) return true;
  return cp932::MatchesLike(row[static_cast<std::size_t>(*FilterColumn)], FilterPattern);
}

void TForm5::SetFilter(std::optional<Column> column, const std::string& text) {
  FilterColumn = column;
  FilterClause = column ? db::PageFilter(*column, text) : std::string();
  FilterPattern = column ? db::PageFilterPattern(text) : std::string();
}

long long TForm5::ReadMatchingNumbers() {
  db::ReadRows(
      data_, db::PageMatchLines(FilterClause, OrderClause, *FilterColumn),
      [&](db::RowReader& rows) {
        for (; !rows.Eof(); rows.Next()) {
          if (cp932::MatchesLike(rows.ValueText(1), FilterPattern)) {
            matching_numbers_.push_back(StrToIntZero(rows.ValueText(0)));
          }
        }
      },
      false);
  return static_cast<long long>(matching_numbers_.size());
}

long long TForm5::CountMatchingRows() {
  long long count = -1;
  try {
    // In one exchange; the transaction goes on for the page.
    count = db::ReadCount(data_, db::PageCountLines(FilterClause));
  } catch (const db::DatabaseError& error) {
    if (db::NeedsRecovery(error)) throw;
    count = -1;
  } catch (const std::exception&) {
    count = -1;
  }
  return count;
}

void TForm5::ShowPagePosition(int32_t rows_shown, bool count_kept) {
  const long long first = StartRow;
  const long long last = static_cast<long long>(StartRow) + rows_shown - 1;
  // Rows stored or deleted since the count was taken: what this page saw is newer. A short page
  // ends the rows, a full one reaches at least that far.
  if (count_kept && rows_shown > 0 && rows_shown < PageSize) matching_rows_ = last;
  if (count_kept && rows_shown == PageSize) matching_rows_ = std::max(matching_rows_, last);
  StatusBar1.SetText(PagePositionText(first, last, matching_rows_));
}

namespace {
const char kFileNotFoundMessage[] = "ファイルが見つかりません：";
const char kCannotOpenMessage[] = "ファイルを開けません：";
const char kNotDrawingMessage[] = "図面ファイルではないため開きません：";

// A folder as stored (normally ending in "\") joined with a file name; empty without either.
std::string DrawingPath(const std::string& folder, const std::string& file_name) {
  if (folder.empty() || file_name.empty()) return std::string();
  return paths::EndsInSeparator(folder) ? folder + file_name : folder + "\\" + file_name;
}
}  // namespace

void TForm5::StringGrid1DblClick() {
  const int row = StringGrid1.Row();
  if (row < 1 || StringGrid1.Cell(static_cast<int>(Column::N), row).empty()) return;  // an empty row
  const std::string& file_name = StringGrid1.Cell(static_cast<int>(Column::FILE_NAME), row);
  std::vector<std::string> candidates;  // the row's folder first, then its expanded folder
  for (Column folder_column : {Column::L_FOLDER, Column::N_FOLDER}) {
    const std::string& folder = StringGrid1.Cell(static_cast<int>(folder_column), row);
    const std::string path = DrawingPath(folder, file_name);
    if (path.empty()) continue;
    // Anything else the row names is refused before the system is asked about it at all.
    if (!records::IsDrawingToOpen(folder, file_name)) {
      ui::ShowMessage(kNotDrawingMessage + path);
      return;
    }
    candidates.push_back(path);
  }
  if (candidates.empty()) return;  // the row names no file

  // A folder on a host that does not answer holds the look-up for as long as the network waits:
  // the look-ups and the opening run on the worker, and the window keeps answering meanwhile.
  enum class Outcome { NotFound, Opened, NotOpened };
  std::string path = candidates.front();
  Outcome outcome = Outcome::NotFound;
  {
    ui::BusyCursor busy;
    ui::RunLongCall([&] {
      platform::Services& services = platform::CurrentServices();
      for (const std::string& candidate : candidates) {
        if (!services.FindFile(candidate).found) continue;
        path = candidate;
        outcome = services.OpenWithAssociatedProgram(candidate) ? Outcome::Opened : Outcome::NotOpened;
        return;
      }
    });
  }
  if (outcome == Outcome::NotFound) ui::ShowMessage(kFileNotFoundMessage + path);
  if (outcome == Outcome::NotOpened) ui::ShowMessage(kCannotOpenMessage + path);
}

void TForm5::Button1Click() {
  ClearGrid();
  StartRow = 1;
  matching_rows_ = -1;
  LoadPage();
}

void TForm5::Button2Click() {
  ClearGrid();
  if (StartRow > 1) {
    StartRow -= PageSize;
    if (StartRow < 1) StartRow = 1;
  }
  LoadPage();
}

void TForm5::Button3Click() {
  ClearGrid();
  StartRow = NextStartRow;
  LoadPage();
}

void TForm5::Button4Click() {
  ClearGrid();
  matching_rows_ = -1;
  LoadPage();
}

void TForm5::ComboBox1Select() {
  int index = ComboBox1.ItemIndex();
  if (index < 0) return;
  OrderClause = db::PageOrder(kSortEntries[index].column, kSortEntries[index].descending);
  Button1Click();
}

void TForm5::ComboBox2Select() {
  int index = ComboBox2.ItemIndex();
  if (index < 0) return;
  std::string text = Edit1.Text();
  if (text.empty()) index = 0;
  SetFilter(kFilterEntries[index].column, text);
  Button1Click();
}
