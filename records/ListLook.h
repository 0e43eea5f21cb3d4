// The look the record list and the summary window share: a sky-blue window, a panel of buttons
// on top, a money-green status bar below, and a read-only grid between them.
#pragma once

#include "platform/ui/string_grid.h"

namespace records {

inline constexpr uint32_t kListWindowColor = ui::Rgb(0xA6, 0xCA, 0xF0);
inline constexpr uint32_t kListPanelColor = ui::Rgb(0x8C, 0xBA, 0xEC);
inline constexpr uint32_t kListStatusColor = ui::Rgb(0xC0, 0xDC, 0xC0);

// The grid that fills the space between panel and status bar: white cells under a header row
// of its own colour, lines between all cells, columns the user may widen, read-only cells, the
// view following the scroll box while it is dragged.
inline ui::StringGrid::CreateArgs ListGridArgs(int col_count, int row_count, int default_col_width) {
  ui::StringGrid::CreateArgs grid;
  grid.tab_order = 1;
  grid.align = ui::Align::Client;
  grid.col_count = col_count;
  grid.row_count = row_count;
  grid.fixed_rows = 1;
  grid.default_col_width = default_col_width;
  grid.color = ui::kWhite;
  grid.fixed_color = ui::Rgb(0x85, 0xB6, 0xEB);
  grid.options.lines = true;
  grid.options.column_sizing = true;
  grid.options.editing = false;
  grid.options.thumb_tracking = true;
  return grid;
}

}  // namespace records
