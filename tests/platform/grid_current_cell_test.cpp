// The string grid's current cell: what the keys do to it, in the toolkit that both backends share.
#include <gtest/gtest.h>

#include <utility>

#include "platform/headless/headless.h"
#include "platform/ui/string_grid.h"

namespace {

using ui::GridKey;

class GridCurrentCell : public ::testing::Test {
 protected:
  GridCurrentCell() {
    ui::StringGrid::CreateArgs args;
    args.col_count = 3;
    args.row_count = 4;  // the header row and three rows of cells
    args.options.tab_moves = true;
    grid.Create(args);
    form.Show();
  }
  std::pair<int, int> Cell() const { return {grid.Col(), grid.Row()}; }

  headless::HeadlessBackend backend;
  ui::Form form{"Form"};
  ui::StringGrid grid{&form, "Grid"};
};

TEST_F(GridCurrentCell, TabWalksTheCellsRowByRowAndShiftTabWalksBack) {
  EXPECT_EQ(Cell(), std::make_pair(0, 1)) << "the first cell below the header";
  std::pair<int, int> walk[] = {{1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}, {0, 3}, {1, 3}, {2, 3}};
  for (auto expected : walk) {
    EXPECT_TRUE(grid.PressKey(GridKey::Tab));
    EXPECT_EQ(Cell(), expected);
  }
  // The last cell hands the focus on: Tab is not the grid's there.
  EXPECT_FALSE(grid.WantsKey(GridKey::Tab));
  EXPECT_FALSE(grid.PressKey(GridKey::Tab));
  EXPECT_EQ(Cell(), std::make_pair(2, 3));
  for (int i = 7; i >= 0; --i) {
    EXPECT_TRUE(grid.PressKey(GridKey::ShiftTab));
    EXPECT_EQ(Cell(), i > 0 ? walk[i - 1] : std::make_pair(0, 1));
  }
  EXPECT_FALSE(grid.WantsKey(GridKey::ShiftTab));
  // Without the option Tab always leaves the grid.
  ui::GridOptions options = grid.Options();
  options.tab_moves = false;
  grid.SetOptions(options);
  EXPECT_FALSE(grid.PressKey(GridKey::Tab));
  EXPECT_EQ(Cell(), std::make_pair(0, 1));
}

TEST_F(GridCurrentCell, ArrowsHomeEndAndPagesStayInsideTheCells) {
  EXPECT_TRUE(grid.PressKey(GridKey::Up));
  EXPECT_EQ(Cell(), std::make_pair(0, 1)) << "never onto the header row";
  grid.PressKey(GridKey::Left);
  EXPECT_EQ(Cell(), std::make_pair(0, 1));
  grid.PressKey(GridKey::Right);
  grid.PressKey(GridKey::Down);
  EXPECT_EQ(Cell(), std::make_pair(1, 2));
  grid.PressKey(GridKey::End);
  EXPECT_EQ(Cell(), std::make_pair(2, 2));
  grid.PressKey(GridKey::Right);
  EXPECT_EQ(Cell(), std::make_pair(2, 2));
  grid.PressKey(GridKey::Home);
  EXPECT_EQ(Cell(), std::make_pair(0, 2));
  grid.PressKey(GridKey::PageDown, 10);
  EXPECT_EQ(Cell(), std::make_pair(0, 3));
  grid.PressKey(GridKey::PageUp, 1);
  EXPECT_EQ(Cell(), std::make_pair(0, 2));
  grid.PressKey(GridKey::CtrlEnd);
  EXPECT_EQ(Cell(), std::make_pair(2, 3));
  grid.PressKey(GridKey::CtrlHome);
  EXPECT_EQ(Cell(), std::make_pair(0, 1));
  // A disabled grid takes no keys.
  grid.SetEnabled(false);
  EXPECT_FALSE(grid.PressKey(GridKey::Down));
  EXPECT_EQ(Cell(), std::make_pair(0, 1));
}

TEST_F(GridCurrentCell, TheCurrentCellStaysInsideWhenTheGridShrinks) {
  grid.SetCurrentCell(2, 3);
  grid.SetRowCount(3);
  grid.SetColCount(2);
  EXPECT_EQ(Cell(), std::make_pair(1, 2));
  grid.SetCurrentCell(-4, 0);
  EXPECT_EQ(Cell(), std::make_pair(0, 1));
  // With no row of cells there is nowhere to go.
  grid.SetRowCount(1);
  EXPECT_FALSE(grid.WantsKey(GridKey::Down));
  EXPECT_FALSE(grid.PressKey(GridKey::Tab));
}

}  // namespace
