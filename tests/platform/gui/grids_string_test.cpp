// TStringGrid and TDrawGrid: texts kept per cell through size changes and
// moves, edited in place, drawn, and the events of the draw grid.
#include "grids_fixture.h"

namespace {

using StringGridTest = GridFixtureOf<TStringGrid>;

TEST_F(StringGridTest, CellsSurviveGrowingAndMoving) {
  Grid->SetColCount(5);
  Grid->SetCells(2, 3, "x");
  Grid->SetColCount(20);
  EXPECT_EQ(Grid->Cells(2, 3), "x");
  Grid->SetOptions(Grid->Options() + TGridOptions{goColMoving});
  bool Moved = false;
  Grid->OnColumnMoved = [&](TObject*, Integer From, Integer To) { Moved = From == 2 && To == 4; };
  TPoint From = CentreOf(2, 0), To = CentreOf(4, 0);
  Drag(From.X, From.Y, To.X, To.Y);
  EXPECT_TRUE(Moved);
  EXPECT_EQ(Grid->Cells(4, 3), "x");
  EXPECT_EQ(Grid->Cells(2, 3), "");
}

TEST_F(StringGridTest, WritingOutsideTheGridRaises) {
  EXPECT_THROW(Grid->SetCells(50, 9, "x"), EInvalidGridOperation);
  EXPECT_EQ(Grid->Cells(9, 50), "");
}

TEST_F(StringGridTest, TypingEditsTheCell) {
  Grid->SetOptions(Grid->Options() + TGridOptions{goEditing});
  HeadlessType("Hallo");
  Pump();
  PressKey(VK_RETURN);
  EXPECT_EQ(Grid->Cells(1, 1), "Hallo");
}

TEST_F(StringGridTest, SelectCellEventCanRefuse) {
  Grid->OnSelectCell = [](TObject*, Integer C, Integer, bool& Can) { Can = C != 2; };
  PressKey(VK_RIGHT);
  EXPECT_EQ(Grid->Col(), 1);
  PressKey(VK_DOWN);
  EXPECT_EQ(Grid->Row(), 2);
}

TEST_F(StringGridTest, DrawCellEventPaintsTheCell) {
  Grid->OnDrawCell = [this](TObject*, Integer C, Integer R, TRect Rc, TGridDrawState) {
    if (C == 3 && R == 2) {
      Grid->Canvas()->Brush()->SetColor(clLime);
      Grid->Canvas()->FillRect(Rc);
    }
  };
  Grid->Invalidate();
  TPoint P = CentreOf(3, 2);
  EXPECT_EQ(GridPixel(P.X, P.Y), ColorToRGB(clLime));
}

}  // namespace
