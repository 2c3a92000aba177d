// The data-aware grid over an in-memory table on a shown headless form:
// layout (indicator, marker, titles, auto-fit), drawing (empty message,
// selection colours), hints, the look's font and zoom, a broken column and
// a closing dataset, and the grid base's drags.
#include "ui/controls/IDBGrids.h"

#include "dbgrid_fixture.h"

#include "data/memtable/mtMemTable.h"
#include "platform/gui/forms_fixture.h"
#include "platform/gui/wm_headless.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/stdctrls_edit.h"
#include "platform/rtl/sysutils.h"

#include <cmath>

namespace {

class DBGridTest : public DBGridFixture {
 protected:
  // ---- Verbs --------------------------------------------------------------------------------
  void GivenRows(Integer Count, const String& Name = "Kunde") {
    for (Integer I = 1; I <= Count; ++I) {
      Table->Append();
      Table->FieldByName("Name")->SetAsString(Name + " " + IntToStr(I));
      Table->FieldByName("Ort")->SetAsString("Ort " + IntToStr(I));
      Table->FieldByName("Nr")->SetAsInteger(I);
      Table->Post();
    }
    Table->First();
  }
  TColumn* AddColumn(const String& Field, Integer Width, const String& Caption = String()) {
    TColumn* C = Grid->Columns()->Add();
    C->SetFieldName(Field);
    C->SetWidth(Width);
    if (!Caption.empty()) C->Title()->SetCaption(Caption);
    return C;
  }
  void Show() {
    Form->Show();
    Pump();
  }
  TColorRef PixelAt(Integer X, Integer Y) {
    Pump();
    TPoint P = Grid->ClientToScreen(Point(X, Y));
    TRect W = GetWindowRect(Form->Handle());
    return HeadlessSurface(Form->Handle()).Get(P.X - W.Left, P.Y - W.Top);
  }
  // Whether anything but Ground is drawn in the client rectangle R.
  bool InkIn(TRect R, TColorRef Ground) {
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X)
        if (PixelAt(X, Y) != Ground) return true;
    return false;
  }
  TPoint CentreOf(Integer ACol, Integer ARow) {
    TRect R = Grid->CellRect(ACol, ARow);
    return Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  }
  void ClickCell(Integer ACol, Integer ARow) {
    TPoint P = Grid->ClientToScreen(CentreOf(ACol, ARow));
    HeadlessClick(P.X, P.Y);
    Pump();
  }
  // Presses or releases the left button at desktop point P.
  void Button(TPoint P, bool Down) {
    Headless().Queue([=] { TDesktopInput::MouseButton(0, Down, P); });
    Pump();
  }
  // Asks the grid for the hint at client point P as the application does;
  // Shown tells whether the grid lets it show.
  THintInfo AskHint(TPoint P, bool& Shown) {
    THintInfo Info;
    Info.HintControl = Grid;
    Info.CursorPos = P;
    Info.CursorRect = Grid->ClientRect();
    Shown = Grid->Perform(CM_HINTSHOW, 0, LPARAM(&Info)) == 0;
    return Info;
  }

};

// ---- Layout ----------------------------------------------------------------------------------------

TEST_F(DBGridTest, IndicatorAndMarkerColumnsComeBeforeTheDataColumns) {
  GivenRows(3);
  AddColumn("Name", 80);
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMarker});
  Grid->SetDataSource(Source);
  EXPECT_EQ(2, Grid->IndicatorOffset());
  EXPECT_EQ(2, Grid->FixedCols());
  EXPECT_EQ(12, Grid->ColWidths(0));
  EXPECT_EQ(14, Grid->ColWidths(1));
  EXPECT_EQ(80, Grid->ColWidths(2)) << "data column 0 is grid column 2";
}

TEST_F(DBGridTest, DefaultColumnsFollowTheVisibleFieldsAndRowsTheRecords) {
  GivenRows(4);
  Grid->SetDataSource(Source);
  ASSERT_EQ(3, Grid->Columns()->Count());
  EXPECT_EQ(csDefault, Grid->Columns()->State());
  EXPECT_EQ("Ort", Grid->Columns()->Items(1)->FieldName());
  EXPECT_EQ(1 + 4, Grid->RowCount());
  Table->Last();
  EXPECT_EQ(4, Grid->Row()) << "the current row follows the dataset";
  EXPECT_EQ("Ort 2", Grid->CellText(1, 1));
}

TEST_F(DBGridTest, AutoFitScalesThreeColumnsIntoTheClientWidth) {
  Grid->SetBorderStyle(bsNone);
  Grid->SetBounds(10, 10, 200 + 3 + 17, 200);  // 200 pixels for the cells, 3 lines, the bar
  AddColumn("Name", 100);
  AddColumn("Ort", 100);
  AddColumn("Nr", 100);
  GivenRows(2);
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgIndicator} + TDBGridOptions{dgAutoSize});
  Grid->SetDataSource(Source);
  Show();
  Integer Sum = 0;
  for (Integer C = 0; C < 3; ++C) {
    EXPECT_NEAR(Grid->ColWidths(C), 67, 1) << C;
    EXPECT_GE(Grid->ColWidths(C), TI_CustomGrid::MinAutoFitWidth);
    Sum += Grid->ColWidths(C);
  }
  EXPECT_NEAR(Sum, 200, 1);
  EXPECT_EQ(Grid->ColWidths(0), Grid->Columns()->Items(0)->Width()) << "the columns take the fitted widths";
}

TEST_F(DBGridTest, AutoFitNeverGoesBelowFifteenPixels) {
  Grid->SetBorderStyle(bsNone);
  Grid->SetBounds(10, 10, 120, 200);
  AddColumn("Name", 10);
  AddColumn("Ort", 400);
  GivenRows(1);
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgIndicator} + TDBGridOptions{dgAutoSize});
  Grid->SetDataSource(Source);
  Show();
  EXPECT_EQ(15, Grid->ColWidths(0));
  EXPECT_GE(Grid->ColWidths(1), 15);
  // With the indicator, the grid keeps at least its 12 pixels less one
  // pixel per sized column however small it is made.
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgIndicator});
  Grid->SetBounds(10, 10, 1, 200);
  EXPECT_EQ(Grid->Width(), 12 - 2);
}

TEST_F(DBGridTest, TitlesSplitAtTheSeparatorAndLineBreaks) {
  EXPECT_EQ(SplitTitleLines("Pfad#/Ziel"), (std::vector<String>{"Pfad", "Ziel"}));
  EXPECT_EQ(SplitTitleLines("Pfad\r\nZiel"), (std::vector<String>{"Pfad", "Ziel"}));
  EXPECT_EQ(SplitTitleLines("A\n\rB\nC"), (std::vector<String>{"A", "B", "C"}));
  AddColumn("Name", 80, "Beschreibung");
  GivenRows(1);
  Grid->SetDataSource(Source);
  Integer OneLine = Grid->RowHeights(0);
  Grid->Columns()->Items(0)->Title()->SetCaption("Kurz#/Beschreibung");
  EXPECT_GT(Grid->RowHeights(0), OneLine + OneLine / 2) << "two lines make the title row taller";
}

// ---- Drawing ------------------------------------------------------------------------------------------

TEST_F(DBGridTest, WithoutADataSourceTheGridSaysKeineDatenInGrey) {
  AddColumn("Name", 80);
  Show();
  TColorRef Ground = ColorToRGB(clWindow);
  EXPECT_EQ(Ground, PixelAt(2, 2));
  EXPECT_FALSE(InkIn(Rect(0, 0, Grid->ClientWidth(), 5), Ground)) << "5 pixels of margin";
  TRect Client = Grid->ClientRect();
  bool Grey = false;
  for (Integer Y = 5; Y < 30 && !Grey; ++Y)
    for (Integer X = Client.Width() / 2 - 40; X < Client.Width() / 2 + 40; ++X)
      if (PixelAt(X, Y) == ColorToRGB(clGray)) Grey = true;
  EXPECT_TRUE(Grey) << "the grey text sits centred at the top";
  EXPECT_FALSE(InkIn(Rect(0, 0, 40, 30), Ground)) << "centred, not at the left";
}

TEST_F(DBGridTest, OnPaintEmptyMessageDrawsEverythingItself) {
  AddColumn("Name", 80);
  String Seen;
  TRect Given{};
  Grid->OnPaintEmptyMessage = [&](TObject*, TCanvas* C, TRect R, String Text) {
    Seen = Text;
    Given = R;
    C->Brush()->SetColor(clLime);
    C->FillRect(R);
  };
  Show();
  EXPECT_EQ("Keine Daten", Seen);
  EXPECT_EQ(Given, Rect(0, 0, Grid->Width(), Grid->Height())) << "the whole window at the origin";
  EXPECT_EQ(ColorToRGB(clLime), PixelAt(Grid->ClientWidth() / 2, 12));
}

TEST_F(DBGridTest, AnEmptyDataSetShowsTheEmptyGridNotTheMessage) {
  AddColumn("Name", 80, "Beschreibung");
  Grid->SetDataSource(Source);
  bool Painted = false;
  Grid->OnPaintEmptyMessage = [&](TObject*, TCanvas*, TRect, String) { Painted = true; };
  Show();
  EXPECT_FALSE(Painted);
  // The title cell is mostly its fixed colour around the caption's letters.
  TRect Title = Grid->CellRect(1, 0);
  int Fixed = 0;
  for (Integer X = Title.Left + 2; X < Title.Right - 2; ++X)
    Fixed += PixelAt(X, Title.Top + 2) == ColorToRGB(Grid->FixedColor());
  EXPECT_GT(Fixed, (Title.Width() - 4) / 2) << "the title is drawn";
}

TEST_F(DBGridTest, TheCurrentRowIsSelectedWhenFocusedAndLightWhenNot) {
  AddColumn("Name", 100);
  AddColumn("Ort", 100);
  GivenRows(5);
  Grid->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColLines, dgRowLines, dgRowSelect,
                                  dgAlwaysShowSelection, dgFlatButtons, dgAutoSize});
  Grid->SetReadOnly(true);
  Grid->SetDataSource(Source);
  Show();
  ClickCell(2, 3);
  ASSERT_TRUE(Grid->Focused());
  EXPECT_EQ(3, Table->FieldByName("Nr")->AsInteger());
  TRect Row = Grid->CellRect(1, 3);
  EXPECT_EQ(ColorToRGB(clHighlight), PixelAt(Row.Right - 3, Row.Top + 2));
  TRect Other = Grid->CellRect(1, 2);
  EXPECT_EQ(ColorToRGB(clWindow), PixelAt(Other.Right - 3, Other.Top + 2));
  TEdit* Other2 = new TEdit(Form);
  Other2->SetParent(Form);
  Other2->SetBounds(10, 220, 100, 22);
  Pump();
  Other2->SetFocus();
  Pump();
  ASSERT_FALSE(Grid->Focused());
  EXPECT_EQ(TColorRef(0x79E1FF), PixelAt(Row.Right - 3, Row.Top + 2)) << "red 255, green 225, blue 121";
}

TEST_F(DBGridTest, ACutCellTextKeepsToOneLineInLowRows) {
  Grid->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColLines, dgRowLines, dgUserRowHeight});
  Grid->SetDefaultRowHeight(18);
  AddColumn("Name", 60);
  GivenRows(2, "Lesen und Schreiben aller Daten");
  Grid->SetDataSource(Source);
  Show();
  for (Integer Height : {18, 22}) {
    Grid->SetDefaultRowHeight(Height);
    Grid->Invalidate();
    TRect Cell = Grid->CellRect(1, 2);
    TColorRef Ground = ColorToRGB(Grid->Color());
    EXPECT_TRUE(InkIn(Rect(Cell.Left, Cell.Top, Cell.Right, Cell.Top + 14), Ground)) << "the first line shows";
    EXPECT_FALSE(InkIn(Rect(Cell.Left, Cell.Bottom - 3, Cell.Right, Cell.Bottom), Ground))
        << "no second line peeks out under row height " << Height;
  }
}

TEST_F(DBGridTest, WhiteTextOfTheUnfocusedRowTurnsDarkOnTheLightBrush) {
  TColumn* Id = AddColumn("Nr", 40);
  Id->SetColor(clRed);
  Id->Font()->SetColor(clWhite);
  AddColumn("Name", 100);
  GivenRows(3);
  Grid->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColLines, dgRowSelect, dgAlwaysShowSelection});
  Grid->SetDataSource(Source);
  TEdit* Elsewhere = new TEdit(Form);
  Elsewhere->SetParent(Form);
  Elsewhere->SetBounds(10, 220, 100, 22);
  Show();
  Elsewhere->SetFocus();
  Pump();
  ASSERT_FALSE(Grid->Focused());
  TRect Cell = Grid->CellRect(1, 1);
  bool Dark = false;
  for (Integer Y = Cell.Top; Y < Cell.Bottom && !Dark; ++Y)
    for (Integer X = Cell.Left; X < Cell.Right && !Dark; ++X) {
      TColorRef P = PixelAt(X, Y);
      Dark = GetRValue(P) + GetGValue(P) + GetBValue(P) < 300;
    }
  EXPECT_TRUE(Dark) << "the number must be readable on red 255, green 225, blue 121";
  TRect Other = Grid->CellRect(1, 2);
  EXPECT_EQ(ColorToRGB(clRed), PixelAt(Other.Left + 1, Other.Top + 1)) << "other rows keep the column colour";
}

TEST_F(DBGridTest, TheIndicatorMarksTheCurrentRow) {
  AddColumn("Name", 100);
  GivenRows(3);
  Grid->SetDataSource(Source);
  Table->MoveBy(1);
  Show();
  TRect Current = Grid->CellRect(0, 2), Other = Grid->CellRect(0, 1);
  TColorRef Fixed = ColorToRGB(Grid->FixedColor());
  EXPECT_TRUE(InkIn(Rect(Current.Left + 2, Current.Top + 2, Current.Right - 2, Current.Bottom - 2), Fixed));
  EXPECT_FALSE(InkIn(Rect(Other.Left + 2, Other.Top + 2, Other.Right - 2, Other.Bottom - 2), Fixed));
}

TEST_F(DBGridTest, DrawTextFormatChangesTheDrawnText) {
  AddColumn("Nr", 80);
  GivenRows(2);
  Grid->OnDrawTextFormat = [](TField* F, String& Text) { Text = "#" + F->AsString(); };
  Grid->SetDataSource(Source);
  EXPECT_EQ("#2", Grid->CellText(0, 1));
}

// ---- Hints --------------------------------------------------------------------------------------------

TEST_F(DBGridTest, ACellThatFitsHasNoHintAndACutOneShowsItsFullText) {
  AddColumn("Name", 200);
  AddColumn("Ort", 30);
  GivenRows(2);
  Grid->OnBeforeHint = [](TField* F, String& Text) {
    if (F->FieldName() == "Ort") Text += " (Lager)";
  };
  Grid->SetDataSource(Source);
  Show();
  bool Shown = true;
  AskHint(CentreOf(1, 1), Shown);
  EXPECT_FALSE(Shown) << "\"Kunde 1\" fits into 200 pixels";
  THintInfo Info = AskHint(CentreOf(2, 2), Shown);
  ASSERT_TRUE(Shown);
  EXPECT_EQ("Ort 2 (Lager)", Info.HintStr);
  EXPECT_EQ(Grid->ClientToScreen(Grid->CellRect(2, 2).TopLeft()), Info.HintPos);
  EXPECT_EQ(Grid->CellRect(2, 2), Info.CursorRect) << "the hint holds for its cell";
  EXPECT_EQ("Kunde 1", Table->FieldByName("Name")->AsString()) << "the current record stays";
}

// ---- The look's font and zoom ------------------------------------------------------------------------------

TEST_F(DBGridTest, AdjustGridZoomsTheFontNeverBelowTheGivenSize) {
  EXPECT_EQ(11, TI_CustomDBGrid::AdjustedFontSize(9, 1.25, 96));
  EXPECT_EQ(11, TI_CustomDBGrid::AdjustedFontSize(9, 1.25, 120)) << "9 * 96 / 120 rounds below 9: stays 9";
  EXPECT_EQ(9, TI_CustomDBGrid::AdjustedFontSize(9, 0.5, 96));
  AddColumn("Name", 100);
  AddColumn("Ort", 100);
  GivenRows(1);
  Grid->SetDataSource(Source);
  Grid->SetAdjustGrid("9 1,25");
  EXPECT_EQ(11, Grid->TitleFont()->Size());
  EXPECT_EQ(11, Grid->Columns()->Items(1)->Font()->Size());
  EXPECT_EQ(11, Grid->Columns()->Items(1)->Title()->Font()->Size());
  EXPECT_TRUE(Grid->Options().Contains(dgUserRowHeight));
  TFont At9;
  At9.Assign(Grid->Font());
  At9.SetSize(9);
  EXPECT_EQ(Integer(std::lround(1.6 * TextHeight("Wg", &At9))), Grid->DefaultRowHeight());
}

TEST_F(DBGridTest, AnUnreadableAdjustGridValueChangesNothing) {
  Integer N = -1;
  double F = -1;
  for (const char* Bad : {"", "   ", "abc 1.2", "0 1.5", "-3 1", "500 1"})
    EXPECT_FALSE(TI_CustomDBGrid::ParseAdjustGrid(Bad, N, F)) << Bad;
  EXPECT_EQ(-1, N);
  ASSERT_TRUE(TI_CustomDBGrid::ParseAdjustGrid("  10   x ", N, F));
  EXPECT_EQ(10, N);
  EXPECT_EQ(1.0, F) << "an unreadable zoom reads as 1";
  ASSERT_TRUE(TI_CustomDBGrid::ParseAdjustGrid("8 1.5", N, F));
  EXPECT_EQ(1.5, F);
  AddColumn("Name", 100);
  Integer Before = Grid->TitleFont()->Size();
  Grid->SetAdjustGrid("groß");
  EXPECT_EQ(Before, Grid->TitleFont()->Size());
  EXPECT_FALSE(Grid->Options().Contains(dgUserRowHeight));
}

TEST_F(DBGridTest, GlobalFontNameReachesTitlesAndColumns) {
  AddColumn("Name", 100);
  Grid->SetDataSource(Source);
  Grid->SetGlobalFontName("Verdana");
  EXPECT_EQ("Verdana", Grid->TitleFont()->Name());
  EXPECT_EQ("Verdana", Grid->Columns()->Items(0)->Font()->Name());
  EXPECT_EQ("Verdana", Grid->Columns()->Items(0)->Title()->Font()->Name());
}

// ---- Bad input -------------------------------------------------------------------------------------------

TEST_F(DBGridTest, AColumnOfAMissingFieldShowsAnEmptyCell) {
  AddColumn("Gibtsnicht", 80);
  AddColumn("Name", 80);
  GivenRows(2);
  Grid->SetDataSource(Source);
  Show();
  EXPECT_EQ("", Grid->CellText(0, 0));
  EXPECT_EQ("Kunde 1", Grid->CellText(1, 0));
  TRect R = Grid->CellRect(1, 1);
  EXPECT_FALSE(InkIn(Rect(R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1), ColorToRGB(clWindow)));
}

TEST_F(DBGridTest, ClosingOrFreeingTheDataSetLeavesNoStaleFields) {
  AddColumn("Name", 80);
  GivenRows(3);
  Grid->SetDataSource(Source);
  Show();
  Table->Close();
  Pump();
  EXPECT_EQ(nullptr, Grid->Columns()->Items(0)->Field());
  EXPECT_EQ("", Grid->CellText(0, 0));
  EXPECT_EQ(2, Grid->RowCount()) << "one empty row below the title";
  delete Table;
  Table = nullptr;
  Pump();
  EXPECT_FALSE(Grid->DataLink()->Active());
  delete Source;
  Source = nullptr;
  EXPECT_EQ(nullptr, Grid->DataSource());
  Pump();  // paints "Keine Daten"
}

// ---- Drags of the grid base --------------------------------------------------------------------------------

TEST_F(DBGridTest, DataDragStartsAtFourPixelsNotThree) {
  AddColumn("Name", 120);
  GivenRows(3);
  Grid->SetDataSource(Source);
  Grid->SetDataDraggingEnabled(true);
  Integer Asked = 0;
  Grid->OnDragOverData = [&](bool& Accept, TControl*&, String&, TPoint) {
    ++Asked;
    Accept = true;
  };
  Show();
  TPoint P = Grid->ClientToScreen(CentreOf(1, 2));
  HeadlessMouseMove(P.X, P.Y);
  Button(Point(P.X, P.Y), true);
  Pump();
  HeadlessMouseMove(P.X + 3, P.Y);
  Pump();
  EXPECT_EQ(0, Grid->DragMode2());
  HeadlessMouseMove(P.X + 4, P.Y);
  Pump();
  EXPECT_EQ(3, Grid->DragMode2());
  EXPECT_GT(Asked, 0);
  ASSERT_NE(nullptr, Grid->DragImages());
  EXPECT_GE(Grid->DragImages()->Height(), 22);
  ASSERT_NE(nullptr, Grid->DragImageWindow());
  EXPECT_TRUE(Grid->DragImageWindow()->Visible()) << "the image follows the mouse";
  EXPECT_EQ(Point(P.X + 4 - 2, P.Y - 8), Grid->DragImageWindow()->BoundsRect().TopLeft()) << "hot spot (2, 8)";
  Button(Point(P.X + 4, P.Y), false);
  Pump();
  EXPECT_EQ(0, Grid->DragMode2());
  EXPECT_FALSE(Grid->DragImageWindow()->Visible());
}

TEST_F(DBGridTest, EscapeEndsAColumnDragWithoutMovingAndNeverReachesTheKeyEvent) {
  AddColumn("Name", 100);
  AddColumn("Ort", 100);
  GivenRows(2);
  Grid->SetDataSource(Source);
  Integer Keys = 0;
  Grid->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++Keys; };
  Show();
  TPoint P = Grid->ClientToScreen(CentreOf(1, 0));
  HeadlessMouseMove(P.X, P.Y);
  Button(Point(P.X, P.Y), true);
  HeadlessMouseMove(P.X + 60, P.Y);
  HeadlessMouseMove(P.X + 120, P.Y);
  Pump();
  ASSERT_EQ(2, Grid->DragMode2());
  EXPECT_EQ(1, Grid->DragColumn());
  HeadlessKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ(0, Grid->DragMode2());
  EXPECT_EQ(0, Keys);
  Button(Point(P.X + 120, P.Y), false);
  Pump();
  EXPECT_EQ("Name", Grid->Columns()->Items(0)->FieldName()) << "nothing moved";
}

TEST_F(DBGridTest, DroppingATitleOnAnotherColumnMovesTheColumn) {
  AddColumn("Name", 100);
  AddColumn("Ort", 100);
  GivenRows(2);
  Grid->SetDataSource(Source);
  Show();
  TPoint P = Grid->ClientToScreen(CentreOf(1, 0)), Q = Grid->ClientToScreen(CentreOf(2, 0));
  HeadlessMouseMove(P.X, P.Y);
  Button(Point(P.X, P.Y), true);
  HeadlessMouseMove(P.X + 10, P.Y);
  HeadlessMouseMove(Q.X, Q.Y);
  Pump();
  EXPECT_EQ(2, Grid->DropColumn());
  ASSERT_NE(nullptr, Grid->DragImages());
  EXPECT_EQ(100, Grid->DragImages()->Width()) << "the title's drag image is as wide as the column";
  ASSERT_NE(nullptr, Grid->DragImageWindow());
  EXPECT_TRUE(Grid->DragImageWindow()->Visible());
  EXPECT_EQ(100, Grid->DragImageWindow()->Width());
  Button(Point(Q.X, Q.Y), false);
  Pump();
  EXPECT_EQ("Ort", Grid->Columns()->Items(0)->FieldName());
  EXPECT_EQ("Name", Grid->Columns()->Items(1)->FieldName());
}

TEST_F(DBGridTest, TheIndicatorImagesAreTheElevenGlyphs) {
  TBitmap B;
  for (const char* Name : {"I_DBGARROW", "I_DBEDIT", "I_DBINSERT", "I_DBMULTIDOT", "I_DBMULTIARROW", "I_DBCHECK",
                           "I_DBMAIN", "I_DBINDEXASC", "I_DBINDEXDESC", "I_DBINDEXNONE", "I_HDCHECK"}) {
    ASSERT_TRUE(LoadBitmapResource(&B, Name)) << Name;
    EXPECT_EQ(10, B.Width()) << Name;
    EXPECT_LE(B.Width(), TI_CustomDBGrid::IndicatorWidth) << Name;
  }
}

// ---- Keys -------------------------------------------------------------------------------------------

TEST_F(DBGridTest, TabOnTheLastColumnGoesToTheFirstOfTheNextRowAndShiftTabBack) {
  AddColumn("Name", 80);
  AddColumn("Ort", 80);
  GivenRows(3);
  Grid->SetDataSource(Source);
  Show();
  ClickCell(2, 1);
  Grid->SetFocus();
  HeadlessKey(VK_TAB);
  Pump();
  EXPECT_EQ(0, Grid->SelectedIndex()) << "the first data column of the next row";
  EXPECT_EQ(2, Table->FieldByName("Nr")->AsInteger());
  HeadlessKey(VK_TAB, 1);
  Pump();
  EXPECT_EQ(1, Grid->SelectedIndex());
  EXPECT_EQ(1, Table->FieldByName("Nr")->AsInteger()) << "back to the last column of the previous row";
}

TEST_F(DBGridTest, CtrlDeleteAsksFirstAndCancelKeepsTheRecord) {
  AddColumn("Name", 80);
  GivenRows(3);
  Grid->SetDataSource(Source);
  Show();
  ClickCell(1, 2);
  Answers().AnswerWith(MsgDlgCaption(mtConfirmation), mrCancel, "Datensatz löschen?");
  HeadlessKey(VK_DELETE, 4);
  Pump();
  EXPECT_EQ(3, Table->RecordCount());
  Answers().AnswerWith(MsgDlgCaption(mtConfirmation), mrOk, "Datensatz löschen?");
  HeadlessKey(VK_DELETE, 4);
  Pump();
  EXPECT_EQ(2, Table->RecordCount());
  EXPECT_EQ(2u, Responder->Shown().size());
}

TEST_F(DBGridTest, AReadOnlyGridNeitherInsertsNorDeletes) {
  AddColumn("Name", 80);
  GivenRows(2);
  Grid->SetReadOnly(true);
  Grid->SetDataSource(Source);
  Show();
  ClickCell(1, 1);
  HeadlessKey(VK_INSERT);
  HeadlessKey(VK_DELETE, 4);
  HeadlessKey(VK_DOWN);
  HeadlessKey(VK_DOWN);
  Pump();
  EXPECT_EQ(2, Table->RecordCount());
  EXPECT_EQ(dsBrowse, Table->State());
}

// ---- Complete lines -----------------------------------------------------------------------------------

class CompleteLinesTest : public DBGridTest {
 protected:
  // A grid of one 80-pixel column with complete lines and row lines.
  void ShowCompleteLines(TColor GridColor) {
    AddColumn("Name", 80, "Name")->Title()->SetColor(clTeal);
    GivenRows(3);
    Grid->SetColor(GridColor);
    Grid->SetOptions(Grid->Options() + TDBGridOptions{dgCompleteLines});
    Grid->SetDataSource(Source);
    Show();
  }
  // The colour of the row line under data row DataRow, right of the cells.
  TColorRef RowLineRightOfCells(Integer DataRow) {
    TRect R = Grid->CellRect(1, Grid->TitleOffset() + DataRow);
    return PixelAt(Grid->GridWidth() + 30, R.Bottom);
  }
};

TEST_F(CompleteLinesTest, RowLinesGoOnInSilverAndTheTitleBandTakesTheLastTitleColour) {
  ShowCompleteLines(clWindow);
  EXPECT_EQ(TColorRef(0xC0C0C0), RowLineRightOfCells(0));
  TRect Title = Grid->CellRect(1, 0);
  EXPECT_EQ(ColorToRGB(clTeal), PixelAt(Grid->GridWidth() + 30, (Title.Top + Title.Bottom) / 2));
}

TEST_F(CompleteLinesTest, OnASilverGridTheLinesAreGrey) {
  ShowCompleteLines(clSilver);
  EXPECT_EQ(TColorRef(0x808080), RowLineRightOfCells(0));
}

TEST_F(CompleteLinesTest, TheEventMayDrawABandItself) {
  std::vector<Integer> Rows;
  Grid->OnDrawCompleteLine = [&](TObject*, TCanvas* C, TRect R, bool, Integer ARow, bool& Default) {
    Rows.push_back(ARow);
    if (ARow != 1) return;
    C->Brush()->SetColor(clLime);
    C->FillRect(R);
    Default = false;
  };
  ShowCompleteLines(clWindow);
  ASSERT_FALSE(Rows.empty());
  TRect R = Grid->CellRect(1, Grid->TitleOffset() + 1);
  EXPECT_EQ(ColorToRGB(clLime), PixelAt(Grid->GridWidth() + 30, (R.Top + R.Bottom) / 2));
  TRect Other = Grid->CellRect(1, Grid->TitleOffset() + 2);
  EXPECT_EQ(ColorToRGB(clWindow), PixelAt(Grid->GridWidth() + 30, (Other.Top + Other.Bottom) / 2));
}

}  // namespace
