// Grid scrolling: the window scroll bars (arrows, track, thumb), the
// limits of LeftCol / TopRow and what the cells show afterwards.
#include "grids_fixture.h"

namespace {

class GridScrollTest : public GridFixture {
 protected:
  // Client area without the bars: 283 x 183.
  static constexpr int ClientW = GridW - Bar, ClientH = GridH - Bar;
  void ClickVerticalBar(int Y) { ClickCell(ClientW + Bar / 2, Y); }
  void ClickHorizontalBar(int X) { ClickCell(X, ClientH + Bar / 2); }
};

TEST_F(GridScrollTest, BothBarsShowWhenTheCellsDoNotFit) {
  EXPECT_EQ(Grid->ClientWidth(), ClientW);
  EXPECT_EQ(Grid->ClientHeight(), ClientH);
  EXPECT_EQ(Grid->VisibleColCount(), 5);
  EXPECT_EQ(Grid->VisibleRowCount(), 7);
}

TEST_F(GridScrollTest, BarsHideWhenEverythingFits) {
  Grid->SetColCount(3);
  Grid->SetRowCount(3);
  Pump();
  EXPECT_TRUE(ScrollBarRect(Grid->Handle(), SB_VERT).IsEmpty());
  EXPECT_TRUE(ScrollBarRect(Grid->Handle(), SB_HORZ).IsEmpty());
  EXPECT_EQ(Grid->ClientWidth(), GridW);
}

TEST_F(GridScrollTest, DownArrowScrollsOneRow) {
  ClickVerticalBar(ClientH - 5);
  EXPECT_EQ(Grid->TopRow(), 2);
  EXPECT_EQ(Grid->Row(), 1) << "scrolling leaves the current cell alone";
  EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), 2);
}

TEST_F(GridScrollTest, TrackBelowTheThumbPagesDown) {
  ClickVerticalBar(100);
  EXPECT_EQ(Grid->TopRow(), 1 + Grid->VisibleRowCount());
}

TEST_F(GridScrollTest, RightArrowScrollsOneColumn) {
  ClickHorizontalBar(ClientW - 5);
  EXPECT_EQ(Grid->LeftCol(), 2);
  EXPECT_GE(Grid->TopLeftChanges, 1);
}

TEST_F(GridScrollTest, DraggingTheThumbToTheEndShowsTheLastRows) {
  Drag(ClientW + 8, Bar + 8, ClientW + 8, ClientH + 40);
  EXPECT_EQ(Grid->TopRow(), 43);
  EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), 43);
}

TEST_F(GridScrollTest, TopLeftStopsWhereTheLastCellsFillTheView) {
  Grid->SetTopRow(1000);
  Grid->SetLeftCol(1000);
  EXPECT_EQ(Grid->TopRow(), 43);
  EXPECT_EQ(Grid->LeftCol(), 45);
  Grid->SetTopRow(-5);
  EXPECT_EQ(Grid->TopRow(), 1) << "never above the first scrollable row";
}

TEST_F(GridScrollTest, ScrolledColumnAppearsAtItsNewPlace) {
  TColorRef Red = ColorToRGB(clRed);
  EXPECT_NE(GridPixel(143, 30), Red);
  Grid->SetLeftCol(5);
  // Column 7 is now the third scrollable column: x 123..163.
  EXPECT_EQ(GridPixel(143, 30), Red);
  EXPECT_EQ(GridPixel(100, 30), ColorToRGB(clWindow));
}

TEST_F(GridScrollTest, FixedCellsStayWhileScrolling) {
  Grid->SetTopRow(20);
  EXPECT_EQ(GridPixel(20, 30), ColorToRGB(clBtnFace)) << "fixed column";
  EXPECT_EQ(GridPixel(100, 10), ColorToRGB(clBtnFace)) << "fixed row";
  EXPECT_EQ(Grid->CellRect(5, 20).Top, 21);
  EXPECT_TRUE(Grid->CellRect(5, 3).IsEmpty()) << "scrolled out";
}

TEST_F(GridScrollTest, MouseCoordFollowsTheScrolledView) {
  Grid->SetTopRow(10);
  Grid->SetLeftCol(3);
  TGridCoord C = Grid->MouseCoord(50, 30);
  EXPECT_EQ(C.X, 3);
  EXPECT_EQ(C.Y, 10);
  EXPECT_EQ(Grid->MouseCoord(ClientW + 5, 30).X, -1);
}

}  // namespace
