// Stated rules of the data grid on a shown headless form: which cell is
// highlighted when (the bookmark list before the selected cell), the
// default options of a Korean system, and the title drag scrolling at the
// first and last column shown.
#include "ui/controls/IDBGrids.h"

#include "dbgrid_fixture.h"
#include "scoped_env.h"

#include "platform/gui/stdctrls_edit.h"
#include "platform/gui/wm_headless.h"
#include "platform/rtl/sysutils.h"

namespace {

class GridRulesTest : public DBGridFixture {
 protected:
  void GivenColumns(std::initializer_list<const char*> Fields, Integer Width) {
    for (const char* F : Fields) {
      TColumn* C = Grid->Columns()->Add();
      C->SetFieldName(F);
      C->SetWidth(Width);
    }
  }
  void Show() {
    Form->Show();
    Pump();
  }
  // The colour of the grid's client pixel near the top right of cell (ACol, ARow).
  TColorRef CellGround(Integer ACol, Integer ARow) {
    Pump();
    TRect R = Grid->CellRect(ACol, ARow);
    TPoint P = Grid->ClientToScreen(Point(R.Right - 3, R.Top + 2));
    TRect W = GetWindowRect(Form->Handle());
    return HeadlessSurface(Form->Handle()).Get(P.X - W.Left, P.Y - W.Top);
  }
  bool Highlighted(TGridDrawState State) { return Grid->HighlightCell(0, 0, String(), State); }
  // The screen point in the middle of the title of grid column ACol.
  TPoint TitleOf(Integer ACol) {
    TRect R = Grid->CellRect(ACol, 0);
    return Grid->ClientToScreen(Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
  }
  void MoveTo(TPoint P) {
    HeadlessMouseMove(P.X, P.Y);
    Pump();
  }
  void Button(TPoint P, bool Down) {
    Headless().Queue([=] { TDesktopInput::MouseButton(0, Down, P); });
    Pump();
  }
  // Presses on the title of ACol and drags it a little, so that the title drag runs.
  void StartTitleDrag(Integer ACol) {
    TPoint P = TitleOf(ACol);
    MoveTo(P);
    Button(P, true);
    MoveTo(Point(P.X + 8, P.Y));
  }
  // Escape ends the drag without moving a column.
  void CancelTitleDrag() {
    HeadlessKey(VK_ESCAPE);
    Pump();
    Button(GetCursorPos(), false);
  }
};

// ---- Highlight ---------------------------------------------------------------------------------

TEST_F(GridRulesTest, ARowOfTheBookmarkListIsHighlightedFirstThenTheSelectedCellAsEver) {
  GivenColumns({"Name", "Ort"}, 100);
  GivenCustomers(4);
  Grid->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColLines, dgRowLines, dgRowSelect, dgMultiSelect});
  Grid->SetReadOnly(true);
  Grid->SetDataSource(Source);
  Show();
  Grid->SetFocus();
  Pump();
  ASSERT_TRUE(Grid->Focused());
  Grid->SelectedRows()->SetCurrentRowSelected(true);  // the first record is listed
  Table->Next();
  Table->Next();
  ASSERT_EQ(1, Grid->SelectedRows()->Count());

  // The third record is not listed: the selected-cell rule still holds for it.
  EXPECT_TRUE(Highlighted(TGridDrawState{gdSelected}));
  EXPECT_FALSE(Highlighted(TGridDrawState{}));
  Table->First();
  EXPECT_TRUE(Highlighted(TGridDrawState{})) << "a listed record, whatever the cell";
  Table->Next();
  Table->Next();
  EXPECT_EQ(ColorToRGB(clHighlight), CellGround(Grid->Col(), Grid->Row())) << "the focused selected cell";
  EXPECT_EQ(ColorToRGB(TI_DBGrid::BookmarkHighlight), CellGround(Grid->Col(), Grid->TitleOffset()))
      << "the listed first row";
  EXPECT_EQ(ColorToRGB(clWindow), CellGround(Grid->Col(), Grid->TitleOffset() + 1));

  // Without the focus and without dgAlwaysShowSelection only the list shows.
  auto* Other = new TEdit(Form);
  Other->SetParent(Form);
  Other->SetBounds(10, 220, 100, 22);
  Other->SetFocus();
  Pump();
  ASSERT_FALSE(Grid->Focused());
  EXPECT_FALSE(Highlighted(TGridDrawState{gdSelected}));
  EXPECT_EQ(ColorToRGB(clWindow), CellGround(Grid->Col(), Grid->Row()));
  Table->First();
  EXPECT_TRUE(Highlighted(TGridDrawState{}));
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgAlwaysShowSelection});
  Table->Next();
  EXPECT_TRUE(Highlighted(TGridDrawState{gdSelected})) << "dgAlwaysShowSelection shows it unfocused";
}

// ---- Default options ---------------------------------------------------------------------------

TEST_F(GridRulesTest, OnAKoreanSystemTheEditorIsAlwaysShownByDefault) {
  const TDBGridOptions Standard{dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                                dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
  auto FreshOptions = [&] {
    auto* G = new TI_DBGrid(Form);
    TDBGridOptions O = G->Options();
    delete G;
    return O;
  };
  ScopedEnv All("LC_ALL", nullptr), Messages("LC_MESSAGES", nullptr), Lang("LANG", nullptr);
  EXPECT_EQ(Standard, FreshOptions()) << "no language named";
  {
    ScopedEnv German("LANG", "de_DE.UTF-8");
    EXPECT_EQ(Standard, FreshOptions());
    ScopedEnv Korean("LC_MESSAGES", "ko_KR.UTF-8");
    EXPECT_EQ(Standard + TDBGridOptions{dgAlwaysShowEditor}, FreshOptions()) << "LC_MESSAGES before LANG";
    ScopedEnv Overall("LC_ALL", "de_DE@euro");
    EXPECT_EQ(Standard, FreshOptions()) << "LC_ALL before LC_MESSAGES";
  }
  {
    ScopedEnv EmptyAll("LC_ALL", "");
    ScopedEnv Korean("LANG", "KO_kr.eucKR");
    EXPECT_EQ(Standard + TDBGridOptions{dgAlwaysShowEditor}, FreshOptions()) << "an empty LC_ALL names nothing";
    ScopedEnv Kongo("LANG", "kon_CD");
    EXPECT_EQ(Standard, FreshOptions()) << "only the language ko itself";
  }
}

// ---- Title drag --------------------------------------------------------------------------------

TEST_F(GridRulesTest, ATitleDraggedOntoTheFirstOrLastColumnShownScrollsOneColumn) {
  GivenColumns({"Name", "Ort", "Nr", "Name", "Ort"}, 100);
  GivenCustomers(2);
  Grid->SetDataSource(Source);
  Show();
  Integer First = Grid->LeftCol(), Last = First + Grid->VisibleColCount() - 1;
  ASSERT_EQ(Grid->FixedCols(), First);
  ASSERT_LT(Last, Grid->ColCount() - 1) << "columns lie beyond the view";
  ASSERT_GT(Last, First + 1);

  StartTitleDrag(First);
  MoveTo(TitleOf(First + 1));
  EXPECT_EQ(First + 1, Grid->DropColumn());
  EXPECT_EQ(First, Grid->LeftCol()) << "a column inside the view does not scroll";
  MoveTo(TitleOf(Last));
  EXPECT_EQ(Last, Grid->DropColumn());
  EXPECT_EQ(First + 1, Grid->LeftCol()) << "the last column shown scrolls one on";
  CancelTitleDrag();
  EXPECT_EQ("Name", Grid->Columns()->Items(0)->FieldName()) << "nothing moved";

  StartTitleDrag(Grid->LeftCol() + 1);
  MoveTo(TitleOf(Grid->LeftCol()));
  EXPECT_EQ(First, Grid->LeftCol()) << "the first column shown scrolls one back";
  MoveTo(TitleOf(Grid->LeftCol()));
  EXPECT_EQ(First, Grid->LeftCol()) << "not before the first column";
  CancelTitleDrag();
  EXPECT_EQ(0, Grid->DragMode2());
}

}  // namespace
