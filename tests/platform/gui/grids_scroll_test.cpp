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

namespace {

// A grid that scrolls something other than its rows vertically (as a data
// grid scrolls its dataset): its vertical bar always shows, range 0..4.
class TOwnBarGrid : public TTextGrid {
 public:
  using TTextGrid::TTextGrid;
  Integer Position = 2;
  Integer VScrolls = 0;

 protected:
  void GetScrollBarInfo(bool Horizontal, bool& Show, SCROLLINFO& Info) override {
    TTextGrid::GetScrollBarInfo(Horizontal, Show, Info);
    if (Horizontal) return;
    Show = true;
    Info.nMin = 0;
    Info.nMax = 4;
    Info.nPos = Position;
  }
};

class GridOwnBarTest : public GridFixtureOf<TOwnBarGrid> {};

TEST_F(GridOwnBarTest, ADescendantDecidesItsVerticalBarWhileTheCellsStillDecideTheOther) {
  Grid->SetColCount(3);
  Grid->SetRowCount(3);
  Pump();
  EXPECT_FALSE(ScrollBarRect(Grid->Handle(), SB_VERT).IsEmpty()) << "shown although every row fits";
  EXPECT_TRUE(ScrollBarRect(Grid->Handle(), SB_HORZ).IsEmpty());
  SCROLLINFO I;
  I.fMask = SIF_RANGE | SIF_POS;
  ASSERT_TRUE(GetScrollInfo(Grid->Handle(), SB_VERT, I));
  EXPECT_EQ(I.nMin, 0);
  EXPECT_EQ(I.nMax, 4);
  EXPECT_EQ(I.nPos, 2);
  Grid->Position = 4;
  Grid->SetLeftCol(1);  // any scroll position update asks the descendant again
  Grid->SetColCount(60);
  Pump();
  EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), 4);
}

TEST_F(GridOwnBarTest, MouseToCellNamesTheCellOrMinusOneOutside) {
  Integer C = 0, R = 0;
  Grid->MouseToCell(45, 25, C, R);
  EXPECT_EQ(C, 1);
  EXPECT_EQ(R, 1);
  Grid->MouseToCell(-5, 25, C, R);
  EXPECT_EQ(C, -1);
  EXPECT_EQ(R, -1);
}

}  // namespace
