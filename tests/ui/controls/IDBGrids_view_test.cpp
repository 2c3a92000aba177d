// The data grid's frozen columns and its menus, on a shown headless form
// over the fixture's in-memory table: frozen columns stay at the left while
// the others scroll (pixels), and the right button and the menu key open
// the title menu, a column's menu or the grid's menu where each belongs.
#include "ui/controls/IDBGrids.h"

#include "dbgrid_fixture.h"

#include "platform/gui/backend.h"
#include "platform/gui/menus.h"
#include "platform/rtl/sysutils.h"

namespace {

class DBGridViewTest : public DBGridFixture {
 protected:
  void GivenRows(Integer Count) {
    for (Integer I = 1; I <= Count; ++I) {
      Table->Append();
      Table->FieldByName("Name")->SetAsString("Kunde " + IntToStr(I));
      Table->FieldByName("Ort")->SetAsString("Ort " + IntToStr(I));
      Table->FieldByName("Nr")->SetAsInteger(I);
      Table->Post();
    }
    Table->First();
  }
  TColumn* AddColumn(const String& Field, Integer Width) {
    TColumn* C = Grid->Columns()->Add();
    C->SetFieldName(Field);
    C->SetWidth(Width);
    return C;
  }
  void Show() {
    Form->Show();
    Pump();
  }
  // The grid's client pixels of the client rectangle R, row by row.
  std::vector<TColorRef> Pixels(TRect R) {
    Pump();
    std::vector<TColorRef> Out;
    TRect W = GetWindowRect(Form->Handle());
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X) {
        TPoint P = Grid->ClientToScreen(Point(X, Y));
        Out.push_back(HeadlessSurface(Form->Handle()).Get(P.X - W.Left, P.Y - W.Top));
      }
    return Out;
  }
  static bool HasInk(const std::vector<TColorRef>& Px, TColorRef Ground) {
    for (TColorRef C : Px)
      if (C != Ground) return true;
    return false;
  }
  void SavePicture(const char* Name) {
    if (const char* Dir = getenv("EDIT_PNG_DIR")) HeadlessSavePng(Form->Handle(), String(Dir) + "/" + Name);
  }
  // A popup menu with one item whose popping up is written into Shown.
  TPopupMenu* Menu(const String& Name) {
    auto* M = new TPopupMenu(Form);
    auto* Item = new TMenuItem(M);
    Item->SetCaption(Name);
    M->Items()->Add(Item);
    M->OnPopup = [this, Name](TObject*) { Shown.push_back(Name); };
    return M;
  }
  // A right click at the grid's client point P; Escape closes the menu.
  void RightClickAt(TPoint P) {
    TPoint S = Grid->ClientToScreen(P);
    HeadlessClick(S.X, S.Y, 1);
    HeadlessKey(VK_ESCAPE);
    Pump();
  }
  TPoint CentreOf(Integer ACol, Integer ARow) {
    TRect R = Grid->CellRect(ACol, ARow);
    return Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  }
  // The menu that popped up last ("" when none did) and forgets the list.
  String TakeShown() {
    String Last = Shown.empty() ? String() : Shown.back();
    Shown.clear();
    return Last;
  }

  std::vector<String> Shown;
};

// ---- Frozen columns --------------------------------------------------------------------------------

TEST_F(DBGridViewTest, FrozenColumnsStayAtTheLeftWhileTheOthersScroll) {
  GivenRows(3);
  AddColumn("Name", 90);
  AddColumn("Ort", 160);
  AddColumn("Nr", 160);
  AddColumn("Name", 160);
  Grid->SetDataSource(Source);
  Grid->SetFrozenCols(1);
  Show();
  Grid->SetFocus();
  Pump();
  ASSERT_EQ(2, Grid->FixedCols()) << "indicator and one frozen data column";
  TRect Frozen = Grid->CellRect(1, 1);
  TRect Second = Grid->CellRect(2, 1);
  ASSERT_FALSE(Frozen.IsEmpty());
  ASSERT_FALSE(Second.IsEmpty());
  std::vector<TColorRef> FrozenBefore = Pixels(Frozen), SecondBefore = Pixels(Second);
  TColorRef Ground = ColorToRGB(clWindow);
  EXPECT_TRUE(HasInk(FrozenBefore, Ground)) << "the frozen column shows its text";
  EXPECT_EQ(2, Grid->Col()) << "the first scrolling column is current";

  Grid->Perform(WM_HSCROLL, SB_LINEDOWN, 0);
  Pump();
  SavePicture("grid_frozen_scrolled.png");
  EXPECT_EQ(3, Grid->LeftCol());
  EXPECT_EQ(Frozen, Grid->CellRect(1, 1)) << "the frozen cell keeps its place";
  EXPECT_EQ(FrozenBefore, Pixels(Frozen)) << "and shows the same pixels";
  EXPECT_TRUE(Grid->CellRect(2, 1).IsEmpty()) << "the first scrolling column went out of view";
  EXPECT_EQ(Second.Left, Grid->CellRect(3, 1).Left) << "the next one took its place";
  EXPECT_NE(SecondBefore, Pixels(Second)) << "beside it another column's text";

  // The frozen column draws like data: a white cell without a raised
  // frame, the data cells' silver lines below and right of it.
  std::vector<TColorRef> Edge = Pixels(Rect(Frozen.Left, Frozen.Top + 1, Frozen.Left + 1, Frozen.Bottom - 1));
  for (TColorRef C : Edge) EXPECT_EQ(Ground, C);
  TColorRef Silver = ColorToRGB(clSilver);
  EXPECT_EQ(Silver, Pixels(Rect(Frozen.Left + 5, Frozen.Bottom, Frozen.Left + 6, Frozen.Bottom + 1))[0]);
  EXPECT_EQ(Silver, Pixels(Rect(Frozen.Right, Frozen.Top + 5, Frozen.Right + 1, Frozen.Top + 6))[0]);

  // A press on a frozen cell moves to its row but leaves the column.
  Integer Col = Grid->Col();
  TPoint P = Grid->ClientToScreen(CentreOf(1, 3));
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(3, Grid->Row());
  EXPECT_EQ(Col, Grid->Col());
  EXPECT_EQ("Kunde 3", Table->FieldByName("Name")->AsString());

  // Tab and Shift+Tab never land in the frozen column.
  Grid->SetCol(2);
  PressKey(VK_TAB);
  EXPECT_EQ(3, Grid->Col());
  HeadlessKey(VK_TAB, 1);
  Pump();
  EXPECT_EQ(2, Grid->Col());
  HeadlessKey(VK_TAB, 1);
  Pump();
  EXPECT_EQ(4, Grid->Col()) << "back past the frozen column to the previous row's last column";
  EXPECT_EQ(2, Grid->Row());

  // A new layout applies the count again; more than the columns leaves
  // one column to scroll.
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMarker});
  EXPECT_EQ(3, Grid->FixedCols());
  Grid->SetFrozenCols(10);
  EXPECT_EQ(Grid->ColCount() - 1, Grid->FixedCols());
  Grid->SetFrozenCols(0);
  EXPECT_EQ(Grid->IndicatorOffset(), Grid->FixedCols());
}

// ---- Menus --------------------------------------------------------------------------------------------

TEST_F(DBGridViewTest, EachMenuOpensWhereItBelongsAndAFreedMenuIsForgotten) {
  GivenRows(3);
  AddColumn("Name", 100);
  TColumn* Ort = AddColumn("Ort", 100);
  AddColumn("Nr", 80);
  Grid->SetDataSource(Source);
  Grid->SetPopupTitle(Menu("Titel"));
  Grid->SetPopupMenu(Menu("Gitter"));
  TPopupMenu* OrtMenu = Menu("Ort");
  Ort->SetPopupMenu(OrtMenu);
  Show();
  Grid->SetFocus();
  Pump();

  RightClickAt(CentreOf(1, 0));
  EXPECT_EQ("Titel", TakeShown()) << "the title row";
  RightClickAt(CentreOf(2, 0));
  EXPECT_EQ("Titel", TakeShown()) << "also over a column with its own menu";
  RightClickAt(CentreOf(2, 2));
  EXPECT_EQ("Ort", TakeShown()) << "the column's cells";
  EXPECT_EQ(2, Grid->Row()) << "the right press moved to the row";
  RightClickAt(CentreOf(1, 1));
  EXPECT_EQ("Gitter", TakeShown()) << "a column without a menu";
  RightClickAt(CentreOf(0, 1));
  EXPECT_EQ("Gitter", TakeShown()) << "the indicator";

  // The menu key opens the menu of the current cell.
  Grid->SetCol(2);
  HeadlessKey(VK_APPS);
  HeadlessKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ("Ort", TakeShown());
  Grid->SetCol(3);
  HeadlessKey(VK_APPS);
  HeadlessKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ("Gitter", TakeShown());

  // A removed menu is forgotten: the grid's own menu takes its place.
  OrtMenu->Free();
  EXPECT_EQ(nullptr, Ort->PopupMenu());
  RightClickAt(CentreOf(2, 1));
  EXPECT_EQ("Gitter", TakeShown());
  Grid->PopupTitle()->Free();
  EXPECT_EQ(nullptr, Grid->PopupTitle());
  RightClickAt(CentreOf(1, 0));
  EXPECT_EQ("Gitter", TakeShown());

  // With the column selector on, a right click on a title opens only the
  // selector (here its message that no selector class is registered).
  Grid->SetPopupTitle(Menu("Titel"));
  Grid->SetUseCustomizeDialog(true);
  Answers().AnswerWith(Application->Title(), mrOk, "Missing Class");
  RightClickAt(CentreOf(1, 0));
  EXPECT_EQ(1u, Responder->Shown().size());
  EXPECT_EQ("", TakeShown());
  RightClickAt(CentreOf(2, 1));
  EXPECT_EQ("Gitter", TakeShown()) << "the cells keep their menus";

  // Over the empty message only the grid's own menu opens.
  Grid->SetUseCustomizeDialog(false);
  Grid->SetDataSource(nullptr);
  Pump();
  RightClickAt(Point(40, 5));
  EXPECT_EQ("Gitter", TakeShown());
}

}  // namespace
