// Grid mouse: choosing cells, dragging a range, sizing columns and rows
// and moving columns by their titles.
#include "grids_fixture.h"

namespace {

class GridMouseTest : public GridFixture {
 protected:
  void Allow(TGridOption O) { Grid->SetOptions(Grid->Options() + TGridOptions{O}); }
};

TEST_F(GridMouseTest, ClickMakesTheCellCurrent) {
  TPoint P = CentreOf(3, 4);
  ClickCell(P.X, P.Y);
  EXPECT_EQ(Grid->Col(), 3);
  EXPECT_EQ(Grid->Row(), 4);
}

TEST_F(GridMouseTest, ClickOnAFixedCellChoosesNothing) {
  ClickCell(20, 52);
  EXPECT_EQ(Grid->Col(), 1);
  EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridMouseTest, DraggingAcrossCellsSelectsTheBlock) {
  TPoint A = CentreOf(2, 2), B = CentreOf(4, 5);
  Drag(A.X, A.Y, B.X, B.Y);
  EXPECT_EQ(Grid->Selection(), Rect(2, 2, 4, 5));
  EXPECT_EQ(Grid->GridState(), gsNormal);
}

TEST_F(GridMouseTest, DraggingATitleLineSizesTheColumn) {
  Allow(goColSizing);
  Drag(81, 10, 101, 10);  // column 1 ends at x 81
  EXPECT_EQ(Grid->ColWidths(1), 60);
  EXPECT_EQ(Grid->CellRect(2, 1).Left, 102);
  EXPECT_EQ(GridPixel(101, 30), ColorToRGB(clSilver)) << "the line after the wider column";
}

TEST_F(GridMouseTest, WithoutColumnSizingTheLineDoesNotMove) {
  Drag(81, 10, 101, 10);
  EXPECT_EQ(Grid->ColWidths(1), 40);
}

TEST_F(GridMouseTest, DraggingAFixedColumnLineSizesTheRow) {
  Allow(goRowSizing);
  Drag(20, 41, 20, 61);  // row 1 ends at y 41
  EXPECT_EQ(Grid->RowHeights(1), 40);
  EXPECT_EQ(Grid->CellRect(1, 2).Top, 62);
}

TEST_F(GridMouseTest, DraggingATitleMovesTheColumn) {
  Allow(goColMoving);
  Grid->RedColumn = 2;
  Grid->SetColWidths(2, 30);
  TPoint From = CentreOf(2, 0), To = CentreOf(5, 0);
  Drag(From.X, From.Y, To.X, To.Y);
  ASSERT_EQ(Grid->Moves.size(), 1u);
  EXPECT_EQ(Grid->Moves[0], std::make_pair(Integer(2), Integer(5)));
  EXPECT_EQ(Grid->ColWidths(5), 30) << "the width moves with the column";
  TPoint Red = CentreOf(5, 1);
  EXPECT_EQ(GridPixel(Red.X, Red.Y), ColorToRGB(clRed));
}

TEST_F(GridMouseTest, AClickOnATitleMovesNothing) {
  Allow(goColMoving);
  TPoint P = CentreOf(2, 0);
  ClickCell(P.X, P.Y);
  EXPECT_TRUE(Grid->Moves.empty());
}

TEST_F(GridMouseTest, ARefusedColumnDragMovesNothing) {
  Allow(goColMoving);
  Grid->RefuseColumnDrag = true;
  TPoint From = CentreOf(2, 0), To = CentreOf(5, 0);
  Drag(From.X, From.Y, To.X, To.Y);
  EXPECT_TRUE(Grid->Moves.empty());
}

TEST_F(GridMouseTest, MoveColumnKeepsTheCurrentCellOnItsColumn) {
  Grid->SetCol(3);
  Grid->MoveColumn(3, 1);
  EXPECT_EQ(Grid->Col(), 1);
  Grid->MoveColumn(1, 4);
  EXPECT_EQ(Grid->Col(), 4);
}

TEST_F(GridMouseTest, WheelMovesTheCurrentRow) {
  Queue([] { TDesktopInput::MouseWheel(-WHEEL_DELTA, {GridX + 50, GridY + 50}); });
  EXPECT_EQ(Grid->Row(), 2);
}

}  // namespace
