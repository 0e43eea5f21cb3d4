// The grid of text cells (the record list, the summary): its options, the keys that move its
// current cell, and the control itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/toolkit.h"

namespace ui {

struct GridOptions {
  bool lines = true;            // lines between all cells
  bool column_sizing = false;   // the user may drag column borders
  bool editing = false;         // false: cells are read-only
  bool tab_moves = false;       // Tab moves between cells instead of leaving the grid
  bool thumb_tracking = false;  // the view follows the scroll box while it is dragged
};

// The keys that move a grid's current cell (Home and End: first and last column of the row;
// with Ctrl: first and last cell of the grid).
enum class GridKey { Left, Right, Up, Down, Tab, ShiftTab, Home, End, CtrlHome, CtrlEnd, PageUp, PageDown };

class StringGrid : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    int tab_order = -1;
    Align align = Align::None;
    int col_count = 5, row_count = 5, fixed_rows = 1;
    int default_col_width = 64;  // every column starts this wide
    std::vector<std::string> headers{};  // the fixed row's cells, from the first column on
    uint32_t color = kDefaultColor;
    uint32_t fixed_color = kDefaultColor;
    GridOptions options{};
    int bar_column = -1;  // a column that shows each row's bar (SetRowBar) instead of text
  };

  StringGrid(Control* parent, std::string name) : Control(parent, ControlKind::StringGrid, std::move(name)) {}
  void Create(const CreateArgs& args);
  void SetColCount(int count);
  int ColCount() const { return col_count_; }
  void SetRowCount(int count);
  int RowCount() const { return row_count_; }
  void SetFixedRows(int count) { fixed_rows_ = count; KeepCurrentCellInside(); Changed(); }
  int FixedRows() const { return fixed_rows_; }
  void SetDefaultColWidth(int width);
  int DefaultColWidth() const { return default_col_width_; }
  // The width as set or read from the settings: kept as it is, whatever the grid can show.
  void SetColWidth(int col, int width);
  int ColWidth(int col);
  // What the grid shows for a width: a negative one as 0, one too wide at its largest.
  static constexpr int kWidestColumn = 32767;
  static int ShownColWidth(int width) { return width < 0 ? 0 : width > kWidestColumn ? kWidestColumn : width; }
  void SetCell(int col, int row, const std::string& text);
  const std::string& Cell(int col, int row) const;
  void SetFixedColor(uint32_t color) { fixed_color_ = color; Changed(); }
  uint32_t FixedColor() const { return fixed_color_; }
  void SetOptions(const GridOptions& options) { options_ = options; Changed(); }
  const GridOptions& Options() const { return options_; }
  // Batch of cell changes shown at once (a peer repaints at the end).
  void BeginUpdate() { ++updating_; }
  void EndUpdate();

  // A bar drawn in the bar column of `row`, `fraction` (0 to 1) of the column wide.
  int BarColumn() const { return bar_column_; }
  void SetRowBar(int row, double fraction);
  double RowBar(int row) const;

  // The user double-clicks a cell (it becomes current first), or presses Enter in the grid.
  Handler OnDoubleClick;
  Handler OnReturnKey;
  void DoubleClick(int col, int row);
  void PressReturn();

  // The current cell: where the user is in the grid (cells stay read-only). Always a cell below
  // the fixed rows while there is one; it starts at the first of them.
  int Col() const { return col_; }
  int Row() const { return row_; }
  void SetCurrentCell(int col, int row);  // kept inside the grid
  // Whether the key is the grid's (at an edge an arrow is, and moves nothing). Tab and Shift+Tab
  // move between cells only with the tab_moves option, and leave the grid at its last and first
  // cell.
  bool WantsKey(GridKey key) const;
  // The user presses a key in the grid: the current cell moves (Page keys by page_rows rows).
  // False when the key is not the grid's, as WantsKey says; nothing moves then.
  bool PressKey(GridKey key, int page_rows = 1);

 private:
  // The current cell after a key; false when the key leaves the grid.
  bool CellAfterKey(GridKey key, int page_rows, int& col, int& row) const;
  void KeepCurrentCellInside();
  int col_count_ = 5, row_count_ = 5, fixed_rows_ = 1, default_col_width_ = 64;
  int col_ = 0, row_ = 1;
  int updating_ = 0;
  int bar_column_ = -1;
  std::vector<double> row_bars_;
  uint32_t fixed_color_ = kDefaultColor;
  GridOptions options_;
  std::vector<int> col_widths_ = std::vector<int>(5, 64);
  std::vector<std::vector<std::string>> cells_ =
      std::vector<std::vector<std::string>>(5, std::vector<std::string>(5));

 public:
  void PeerSetColWidth(int col, int width) { col_widths_.at(col) = width; }
};

}  // namespace ui
