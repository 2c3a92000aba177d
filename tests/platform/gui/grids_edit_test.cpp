// The grid's in-place editor: shown by typing, F2 or Enter, placed on
// the current cell, writing back as it changes, closed by Enter, Escape
// and moves.
#include "grids_fixture.h"

namespace {

class GridEditTest : public GridFixture {
 protected:
  void SetUp() override {
    GridFixture::SetUp();
    Grid->SetOptions(Grid->Options() + TGridOptions{goEditing});
  }
  bool EditorShown() { return Grid->InplaceEditor() && Grid->InplaceEditor()->Visible(); }
  void Type(const String& Text) {
    HeadlessType(Text);
    Pump();
  }
};

TEST_F(GridEditTest, TypingOpensTheEditorAndWritesTheCell) {
  Type("abc");
  EXPECT_TRUE(Grid->EditorMode());
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Grid->InplaceEditor()->Text(), "abc");
  EXPECT_EQ(Grid->Cell(1, 1), "abc");
}

TEST_F(GridEditTest, TheEditorLiesOnTheCurrentCell) {
  Grid->SetCol(3);
  Grid->SetRow(4);
  PressKey(VK_F2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Grid->InplaceEditor()->BoundsRect(), Grid->CellRect(3, 4));
  EXPECT_TRUE(Grid->InplaceEditor()->Focused());
}

TEST_F(GridEditTest, EnterClosesTheEditorAndKeepsTheText) {
  Type("x");
  PressKey(VK_RETURN);
  EXPECT_FALSE(Grid->EditorMode());
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Grid->Cell(1, 1), "x");
  EXPECT_TRUE(Grid->Focused());
}

TEST_F(GridEditTest, EscapeRevertsTheText) {
  Grid->Texts[{1, 1}] = "old";
  PressKey(VK_F2);
  Type("new");
  EXPECT_EQ(Grid->Cell(1, 1), "new");
  PressKey(VK_ESCAPE);
  EXPECT_EQ(Grid->Cell(1, 1), "old");
  EXPECT_FALSE(EditorShown());
}

TEST_F(GridEditTest, DownInTheEditorMovesOnAndClosesIt) {
  Type("7");
  PressKey(VK_DOWN);
  EXPECT_EQ(Grid->Row(), 2);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Grid->Cell(1, 1), "7");
}

TEST_F(GridEditTest, AlwaysShowEditorFollowsTheCurrentCell) {
  Grid->SetOptions(Grid->Options() + TGridOptions{goAlwaysShowEditor});
  Pump();
  ASSERT_TRUE(EditorShown());
  Grid->SetRow(5);
  Pump();
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Grid->InplaceEditor()->BoundsRect(), Grid->CellRect(1, 5));
}

TEST_F(GridEditTest, WithoutEditingTypingChangesNothing) {
  Grid->SetOptions(Grid->Options() - TGridOptions{goEditing});
  Type("abc");
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Grid->Cell(1, 1), "");
}

TEST_F(GridEditTest, ClickOnTheCurrentCellOpensTheEditor) {
  TPoint P = CentreOf(1, 1);
  ClickCell(P.X, P.Y);
  EXPECT_TRUE(EditorShown());
}

}  // namespace
