// Grid keyboard navigation: arrows, pages, Home/End, Tab, range
// selection, and what the selection looks like.
#include "grids_fixture.h"

namespace {

class GridKeysTest : public GridFixture {
 protected:
  void Press(Word Key, int Times = 1, Word Shift = 0) {
    for (int I = 0; I < Times; ++I) PressKey(Key, Shift);
  }
};

constexpr Word ShiftKey = 1, CtrlKey = 4;

TEST_F(GridKeysTest, ArrowsMoveTheCurrentCell) {
  Press(VK_DOWN, 2);
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->Col(), 2);
  EXPECT_EQ(Grid->Row(), 3);
  Press(VK_UP, 5);
  EXPECT_EQ(Grid->Row(), 1) << "never onto the fixed row";
}

TEST_F(GridKeysTest, MovingPastTheLastVisibleRowScrolls) {
  Press(VK_DOWN, 8);
  EXPECT_EQ(Grid->Row(), 9);
  EXPECT_EQ(Grid->TopRow(), 3);
}

TEST_F(GridKeysTest, CtrlEndAndEndReachTheLastCell) {
  Press(VK_END, 1, CtrlKey);
  EXPECT_EQ(Grid->Row(), 49);
  EXPECT_EQ(Grid->TopRow(), 43);
  Press(VK_END);
  EXPECT_EQ(Grid->Col(), 49);
  EXPECT_EQ(Grid->LeftCol(), 45);
  Press(VK_HOME);
  EXPECT_EQ(Grid->Col(), 1);
  EXPECT_EQ(Grid->LeftCol(), 1);
}

TEST_F(GridKeysTest, PageDownMovesByTheVisibleRows) {
  Press(VK_NEXT);
  EXPECT_EQ(Grid->Row(), 1 + Grid->VisibleRowCount());
  Press(VK_PRIOR);
  EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridKeysTest, ShiftArrowsExtendTheSelection) {
  Press(VK_DOWN, 2, ShiftKey);
  Press(VK_RIGHT, 1, ShiftKey);
  TGridRect S = Grid->Selection();
  EXPECT_EQ(S, Rect(1, 1, 2, 3));
  // The selected cells show in the highlight colour; (1,2) is x 41..81, y 42..62.
  EXPECT_EQ(GridPixel(60, 52), ColorToRGB(clHighlight));
  Press(VK_DOWN);
  EXPECT_EQ(Grid->Selection(), Rect(2, 4, 2, 4)) << "a plain move drops the range";
}

TEST_F(GridKeysTest, TabWrapsToTheNextRowWithTabsOn) {
  Grid->SetOptions(Grid->Options() + TGridOptions{goTabs});
  Grid->SetCol(49);
  Press(VK_TAB);
  EXPECT_EQ(Grid->Col(), 1);
  EXPECT_EQ(Grid->Row(), 2);
  Press(VK_TAB, 1, ShiftKey);
  EXPECT_EQ(Grid->Col(), 49);
  EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridKeysTest, TabSkipsColumnsWithoutTabStop) {
  Grid->SetOptions(Grid->Options() + TGridOptions{goTabs});
  Grid->SetTabStops(2, false);
  Press(VK_TAB);
  EXPECT_EQ(Grid->Col(), 3);
}

TEST_F(GridKeysTest, RefusedCellKeepsTheCurrentOne) {
  Grid->RefuseSelect = true;
  Press(VK_DOWN);
  EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridKeysTest, RowSelectHighlightsTheWholeRow) {
  Grid->SetOptions(Grid->Options() + TGridOptions{goRowSelect});
  Press(VK_DOWN);
  EXPECT_EQ(Grid->Selection(), Rect(1, 2, 49, 2));
  EXPECT_EQ(GridPixel(200, 52), ColorToRGB(clHighlight));
}

}  // namespace
