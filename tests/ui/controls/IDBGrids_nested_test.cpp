// Nested columns of the data grid over a small dataset with object fields
// (ObjectView): the object field's column expands into its children's
// columns, one title row per nesting level, the expand arrow in the title
// and a press on it, and the values the child columns show.
#include "ui/controls/IDBGrids.h"

#include "dbgrid_fixture.h"

#include "platform/db/vector_dataset.h"
#include "platform/gui/backend.h"

namespace {

class DBGridNestedTest : public DBGridFixture {
 protected:
  void SetUp() override {
    DBGridFixture::SetUp();
    // ID, Adresse (Strasse, Ort, Lage (Etage)), Name.
    Nested = new TVectorDataSet(Form);
    Nested->SetObjectView(true);
    Nested->FieldDefs().Add("ID", ftInteger);
    TFieldDef* Adresse = Nested->FieldDefs().Add("Adresse", ftOAT);
    Adresse->ChildDefs()->Add("Strasse", ftString, 30);
    Adresse->ChildDefs()->Add("Ort", ftString, 30);
    Adresse->ChildDefs()->Add("Lage", ftOAT)->ChildDefs()->Add("Etage", ftInteger);
    Nested->FieldDefs().Add("Name", ftString, 20);
    Nested->Open();
    Nested->FieldByName("Adresse.Strasse")->SetDisplayWidth(12);
    Nested->FieldByName("Adresse.Ort")->SetDisplayWidth(8);
    Nested->FieldByName("Adresse")->SetDisplayWidth(14);
    AddRow(1, "Hauptstr. 1", "Köln", 3, "Meier");
    AddRow(2, "Ringweg 7", "Bonn", 0, "Schulz");
    Nested->First();
    Source->SetDataSet(Nested);
  }
  void AddRow(Integer Id, const String& Strasse, const String& Ort, Integer Etage, const String& Name) {
    Nested->Append();
    Nested->FieldByName("ID")->SetAsInteger(Id);
    Nested->FieldByName("Adresse.Strasse")->SetAsString(Strasse);
    Nested->FieldByName("Adresse.Ort")->SetAsString(Ort);
    Nested->FieldByName("Adresse.Lage.Etage")->SetAsInteger(Etage);
    Nested->FieldByName("Name")->SetAsString(Name);
    Nested->Post();
  }
  void Show() {
    Form->Show();
    Pump();
  }
  TColumn* Column(const String& FieldName) {
    for (Integer I = 0; I < Grid->Columns()->Count(); ++I)
      if (Grid->Columns()->Items(I)->FieldName() == FieldName) return Grid->Columns()->Items(I);
    ADD_FAILURE() << "no column " << FieldName;
    return Grid->Columns()->Items(0);
  }
  // The grid column of the column showing FieldName.
  Integer GridCol(const String& FieldName) { return Column(FieldName)->Index() + Grid->IndicatorOffset(); }
  TColorRef PixelAt(Integer X, Integer Y) {
    TPoint P = Grid->ClientToScreen(Point(X, Y));
    TRect W = GetWindowRect(Form->Handle());
    return HeadlessSurface(Form->Handle()).Get(P.X - W.Left, P.Y - W.Top);
  }
  // How many pixels of the client rectangle R are dark (text, arrows).
  Integer DarkIn(TRect R) {
    Pump();
    Integer N = 0;
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X) {
        TColorRef C = PixelAt(X, Y);
        if (GetRValue(C) + GetGValue(C) + GetBValue(C) < 200) ++N;
      }
    return N;
  }
  // The expand arrow of the title over grid cell (ACol, ARow).
  TRect Arrow(Integer ACol, Integer ARow) { return TI_CustomDBGrid::ExpandButtonRect(Grid->TitleSpan(ACol, ARow)); }
  void PressArrow(Integer ACol, Integer ARow) {
    TRect A = Arrow(ACol, ARow);
    ASSERT_FALSE(A.IsEmpty());
    TPoint P = Grid->ClientToScreen(Point((A.Left + A.Right) / 2, (A.Top + A.Bottom) / 2));
    HeadlessClick(P.X, P.Y);
    Pump();
  }
  void SavePicture(const char* Name) {
    if (const char* Dir = getenv("EDIT_PNG_DIR")) HeadlessSavePng(Form->Handle(), String(Dir) + "/" + Name);
  }

  TVectorDataSet* Nested = nullptr;
};

TEST_F(DBGridNestedTest, AnObjectColumnExpandsIntoItsChildrenUnderOneTitleRowPerLevel) {
  Grid->SetDataSource(Source);
  Show();
  // Default columns: the object field's column, its children after it.
  std::vector<String> Names;
  for (Integer I = 0; I < Grid->Columns()->Count(); ++I) Names.push_back(Grid->Columns()->Items(I)->FieldName());
  EXPECT_EQ((std::vector<String>{"ID", "Adresse", "Adresse.Strasse", "Adresse.Ort", "Adresse.Lage",
                                 "Adresse.Lage.Etage", "Name"}),
            Names);
  // Default columns are made anew with each layout: asked for by name.
  auto Adresse = [&] { return Column("Adresse"); };
  auto Lage = [&] { return Column("Adresse.Lage"); };
  EXPECT_TRUE(Adresse()->Expandable());
  EXPECT_FALSE(Column("Name")->Expandable());
  EXPECT_EQ(Adresse(), Column("Adresse.Ort")->ParentColumn());
  EXPECT_EQ(Lage(), Column("Adresse.Lage.Etage")->ParentColumn());
  EXPECT_EQ(2, Column("Adresse.Lage.Etage")->Depth());
  EXPECT_EQ("Ort", Column("Adresse.Ort")->Title()->Caption());

  // Collapsed: one title row, the object's text, the children hidden.
  EXPECT_EQ(1, Grid->TitleOffset());
  EXPECT_EQ(1, Grid->FixedRows());
  EXPECT_GE(Grid->RowHeights(0), GetSystemMetrics(SM_CYHSCROLL)) << "room for the arrow";
  EXPECT_EQ("(Hauptstr. 1, Köln, (3))", Grid->CellText(Adresse()->Index(), 0));
  EXPECT_EQ(-1, Grid->ColWidths(GridCol("Adresse.Ort")));
  EXPECT_EQ(Grid->CellRect(GridCol("Adresse"), 1).Right + 1, Grid->CellRect(GridCol("Name"), 1).Left)
      << "Name follows the object column directly";
  TRect ArrowShut = Arrow(GridCol("Adresse"), 0);
  ASSERT_FALSE(ArrowShut.IsEmpty());
  EXPECT_EQ(Grid->CellRect(GridCol("Adresse"), 0).Right, ArrowShut.Right) << "at the title's right edge";
  EXPECT_GT(DarkIn(ArrowShut), 3) << "the arrow is drawn";
  EXPECT_TRUE(Arrow(GridCol("Name"), 0).IsEmpty() || !Column("Name")->Expandable());
  SavePicture("grid_nested_collapsed.png");

  // Right moves over the shown columns only.
  Grid->SetFocus();
  Grid->SetCol(GridCol("ID"));
  PressKey(VK_RIGHT);
  EXPECT_EQ(GridCol("Adresse"), Grid->Col());
  PressKey(VK_RIGHT);
  EXPECT_EQ(GridCol("Name"), Grid->Col());

  // A press on the arrow expands: a second title row for the children,
  // the object's title spans them, ID's and Name's reach down both rows.
  PressArrow(GridCol("Adresse"), 0);
  EXPECT_TRUE(Adresse()->Expanded());
  EXPECT_EQ(2, Grid->TitleOffset());
  EXPECT_EQ(2, Grid->FixedRows());
  EXPECT_EQ(-1, Grid->ColWidths(GridCol("Adresse"))) << "the children show in its place";
  EXPECT_EQ(-1, Grid->ColWidths(GridCol("Adresse.Lage.Etage"))) << "Lage is still shut";
  EXPECT_EQ(Column("Adresse.Ort")->Width(), Grid->ColWidths(GridCol("Adresse.Ort")));
  TRect Over = Grid->TitleSpan(GridCol("Adresse.Strasse"), 0);
  EXPECT_EQ(Over, Grid->TitleSpan(GridCol("Adresse.Lage"), 0));
  EXPECT_EQ(Grid->CellRect(GridCol("Adresse.Strasse"), 0).Left, Over.Left);
  EXPECT_EQ(Grid->CellRect(GridCol("Adresse.Lage"), 0).Right, Over.Right);
  EXPECT_EQ(Grid->CellRect(GridCol("Adresse.Strasse"), 0).Bottom, Over.Bottom);
  TRect Id = Grid->TitleSpan(GridCol("ID"), 1);
  EXPECT_EQ(0, Id.Top);
  EXPECT_EQ(Grid->CellRect(GridCol("ID"), 1).Bottom, Id.Bottom);
  EXPECT_GE(Grid->RowHeights(1), GetSystemMetrics(SM_CYHSCROLL)) << "Lage's arrow in the second row";
  EXPECT_EQ(Grid->TitleColumn(Column("Adresse.Ort")->Index(), 0), Adresse());
  EXPECT_EQ(Grid->TitleColumn(Column("Adresse.Ort")->Index(), 1), Column("Adresse.Ort"));
  // The children's values, one record per row.
  EXPECT_EQ("Hauptstr. 1", Grid->CellText(Column("Adresse.Strasse")->Index(), 0));
  EXPECT_EQ("Bonn", Grid->CellText(Column("Adresse.Ort")->Index(), 1));
  TRect OrtCell = Grid->CellRect(GridCol("Adresse.Ort"), 2);
  EXPECT_GT(DarkIn(OrtCell), 10) << "the child cell shows its text";
  EXPECT_GT(DarkIn(TI_CustomDBGrid::ExpandButtonRect(Over)), 3) << "the expanded title keeps its arrow";

  // The nested object opens a third title row.
  PressArrow(GridCol("Adresse.Lage"), 1);
  EXPECT_TRUE(Lage()->Expanded());
  EXPECT_EQ(3, Grid->TitleOffset());
  EXPECT_EQ("3", Grid->CellText(Column("Adresse.Lage.Etage")->Index(), 0));
  EXPECT_GT(DarkIn(Grid->CellRect(GridCol("Adresse.Lage.Etage"), 3)), 3);
  SavePicture("grid_nested_expanded.png");

  // Frozen under nested titles: ID stays while the rest scrolls, and a
  // step of the scroll bar passes over the hidden object column.
  Grid->SetFrozenCols(1);
  TRect IdCell = Grid->CellRect(GridCol("ID"), 3);
  EXPECT_EQ(GridCol("Adresse"), Grid->LeftCol());
  Grid->Perform(WM_HSCROLL, SB_LINEDOWN, 0);
  Pump();
  EXPECT_EQ(GridCol("Adresse.Ort"), Grid->LeftCol());
  EXPECT_EQ(IdCell, Grid->CellRect(GridCol("ID"), 3));
  EXPECT_TRUE(Grid->CellRect(GridCol("Adresse.Strasse"), 3).IsEmpty());
  EXPECT_EQ(Grid->CellRect(GridCol("Adresse.Ort"), 0).Left - Grid->ColWidths(GridCol("Adresse.Strasse")) - 1,
            Grid->TitleSpan(GridCol("Adresse.Ort"), 0).Left)
      << "the object's title starts out of view, left of Ort";
  SavePicture("grid_nested_frozen_scrolled.png");
  Grid->Perform(WM_HSCROLL, SB_LINEUP, 0);
  Pump();
  EXPECT_EQ(GridCol("Adresse.Strasse"), Grid->LeftCol()) << "back one shown column";
  Grid->SetFrozenCols(0);

  // Pressing the top arrow again shuts the whole object; Lage keeps its state.
  PressArrow(GridCol("Adresse.Strasse"), 0);
  EXPECT_FALSE(Adresse()->Expanded());
  EXPECT_TRUE(Lage()->Expanded());
  EXPECT_EQ(1, Grid->TitleOffset());
  EXPECT_EQ(-1, Grid->ColWidths(GridCol("Adresse.Lage.Etage")));
  EXPECT_EQ(Nested->RecordCount(), Grid->RowCount() - Grid->TitleOffset());
}

TEST_F(DBGridNestedTest, OwnColumnsGetTheirChildrenAndADatasetWithoutObjectViewShowsEveryFieldFlat) {
  Nested->FieldByName("Adresse.Strasse")->SetVisible(false);
  TColumn* Own = Grid->Columns()->Add();
  Own->SetFieldName("Adresse");
  Own->SetExpanded(true);
  Grid->SetDataSource(Source);
  Show();
  ASSERT_EQ(4, Grid->Columns()->Count()) << "the object's visible children join the own column";
  EXPECT_EQ(csCustomized, Grid->Columns()->State());
  EXPECT_EQ("Adresse.Ort", Grid->Columns()->Items(1)->FieldName());
  EXPECT_EQ("Adresse.Lage.Etage", Grid->Columns()->Items(3)->FieldName());
  EXPECT_EQ(2, Grid->TitleOffset());
  EXPECT_EQ("Köln", Grid->CellText(1, 0));
  Nested->FieldByName("Adresse.Strasse")->SetVisible(true);

  // Without ObjectView the fields stand side by side, none expands.
  Grid->SetDataSource(nullptr);
  Nested->Close();
  Nested->SetObjectView(false);
  Nested->Open();
  auto* Flat = new TI_DBGrid(Form);
  Flat->SetParent(Form);
  Flat->SetBounds(10, 10, 400, 200);
  Flat->SetDataSource(Source);
  Pump();
  ASSERT_EQ(7, Flat->Columns()->Count());
  EXPECT_EQ(1, Flat->TitleOffset());
  for (Integer I = 0; I < Flat->Columns()->Count(); ++I) {
    EXPECT_FALSE(Flat->Columns()->Items(I)->Expandable());
    EXPECT_EQ(nullptr, Flat->Columns()->Items(I)->ParentColumn());
  }
  EXPECT_EQ("Köln", Flat->CellText(3, 0));
}

}  // namespace
