#include "platform/ui/string_grid.h"

#include <algorithm>

namespace ui {

void StringGrid::SetColCount(int count) {
  col_count_ = std::max(count, 0);
  col_widths_.resize(col_count_, default_col_width_);
  for (auto& column : cells_) column.resize(row_count_);
  cells_.resize(col_count_, std::vector<std::string>(row_count_));
  KeepCurrentCellInside();
  Changed();
}

void StringGrid::SetRowCount(int count) {
  row_count_ = std::max(count, 0);
  for (auto& column : cells_) column.resize(row_count_);
  if (row_bars_.size() > static_cast<std::size_t>(row_count_)) row_bars_.resize(row_count_);
  KeepCurrentCellInside();
  Changed();
}

void StringGrid::SetRowBar(int row, double fraction) {
  if (row < 0 || row >= row_count_) return;
  if (row_bars_.size() < static_cast<std::size_t>(row_count_)) row_bars_.resize(row_count_, 0.0);
  row_bars_[row] = std::max(0.0, std::min(fraction, 1.0));
  Changed();
}

double StringGrid::RowBar(int row) const {
  return row >= 0 && row < row_count_ && static_cast<std::size_t>(row) < row_bars_.size() ? row_bars_[row] : 0.0;
}

void StringGrid::DoubleClick(int col, int row) {
  if (!Enabled()) return;
  SetCurrentCell(col, row);
  if (OnDoubleClick) Dispatch(OnDoubleClick);
}

void StringGrid::PressReturn() {
  if (Enabled() && OnReturnKey) Dispatch(OnReturnKey);
}

void StringGrid::KeepCurrentCellInside() {
  col_ = std::max(0, std::min(col_, col_count_ - 1));
  row_ = std::max(fixed_rows_, std::min(row_, row_count_ - 1));
}

void StringGrid::SetCurrentCell(int col, int row) {
  col_ = col;
  row_ = row;
  KeepCurrentCellInside();
  Changed();
}

bool StringGrid::CellAfterKey(GridKey key, int page_rows, int& col, int& row) const {
  int last_col = col_count_ - 1, first_row = fixed_rows_, last_row = row_count_ - 1;
  if (last_col < 0 || last_row < first_row) return false;  // no cell to be in
  col = col_;
  row = row_;
  page_rows = std::max(page_rows, 1);
  switch (key) {
    case GridKey::Left: col = std::max(col - 1, 0); break;
    case GridKey::Right: col = std::min(col + 1, last_col); break;
    case GridKey::Up: row = std::max(row - 1, first_row); break;
    case GridKey::Down: row = std::min(row + 1, last_row); break;
    case GridKey::Home: col = 0; break;
    case GridKey::End: col = last_col; break;
    case GridKey::CtrlHome: col = 0; row = first_row; break;
    case GridKey::CtrlEnd: col = last_col; row = last_row; break;
    case GridKey::PageUp: row = std::max(row - page_rows, first_row); break;
    case GridKey::PageDown: row = std::min(row + page_rows, last_row); break;
    case GridKey::Tab:
      // Along the row, then on to the next row; the last cell hands the focus on.
      if (!options_.tab_moves || (col == last_col && row == last_row)) return false;
      if (++col > last_col) {
        col = 0;
        ++row;
      }
      break;
    case GridKey::ShiftTab:
      if (!options_.tab_moves || (col == 0 && row == first_row)) return false;
      if (--col < 0) {
        col = last_col;
        --row;
      }
      break;
  }
  return true;
}

bool StringGrid::WantsKey(GridKey key) const {
  int col = 0, row = 0;
  return CellAfterKey(key, 1, col, row);
}

bool StringGrid::PressKey(GridKey key, int page_rows) {
  int col = 0, row = 0;
  if (!Reachable(*this) || !CellAfterKey(key, page_rows, col, row)) return false;
  if (col != col_ || row != row_) SetCurrentCell(col, row);
  return true;
}

void StringGrid::SetDefaultColWidth(int width) {
  default_col_width_ = width;
  std::fill(col_widths_.begin(), col_widths_.end(), width);
  Changed();
}

void StringGrid::SetColWidth(int col, int width) {
  col_widths_.at(col) = width;
  Changed();
}

int StringGrid::ColWidth(int col) {
  ReadBack();
  return col_widths_.at(col);
}

void StringGrid::SetCell(int col, int row, const std::string& text) {
  cells_.at(col).at(row) = text;
  if (updating_ == 0) Changed();
}

const std::string& StringGrid::Cell(int col, int row) const { return cells_.at(col).at(row); }

void StringGrid::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) Changed();
}

// Runs the setters in the order a layout reads and mirrors the outcome once.
void StringGrid::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetAlign(args.align);
    SetBounds(args.left, args.top, args.width, args.height);
    SetTabOrder(args.tab_order);
    SetColor(args.color);
    SetFixedColor(args.fixed_color);
    SetColCount(args.col_count);
    SetRowCount(args.row_count);
    SetFixedRows(args.fixed_rows);
    SetDefaultColWidth(args.default_col_width);
    SetOptions(args.options);
    bar_column_ = args.bar_column;
    // More headers than columns is a slip in the layout: SetCell refuses it.
    for (std::size_t col = 0; col < args.headers.size(); ++col) {
      SetCell(static_cast<int>(col), 0, args.headers[col]);
    }
  });
}

}  // namespace ui
