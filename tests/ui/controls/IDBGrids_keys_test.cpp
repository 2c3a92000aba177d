// The data grid's marked rows and their popup, its incremental search
// through the balloon and the finder form, and title clicks, driven by
// headless input on the window manager's queue and the fake clock.
#include "dbgrid_fixture.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/wm_headless.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/UCustomGridFinderClass.h"

namespace {

class GridKeysTest : public DBGridFixture {
 protected:
  void SetUp() override {
    DBGridFixture::SetUp();
    for (const char* Name : {"Name", "Nr"}) {
      TColumn* C = Grid->Columns()->Add();
      C->SetFieldName(Name);
      C->SetWidth(120);
    }
  }
  // ---- Verbs --------------------------------------------------------------------------------
  void ShowRows(Integer Count, TDBGridOptions Extra = TDBGridOptions()) {
    GivenCustomers(Count);
    Grid->SetOptions(Grid->Options() + Extra);
    Grid->SetDataSource(Source);
    Form->Show();
    Pump();
    Grid->SetFocus();
    Pump();
  }
  void ClickCell(Integer ACol, Integer ARow) {
    TRect R = Grid->CellRect(ACol, ARow);
    TPoint P = Grid->ClientToScreen(Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
    HeadlessClick(P.X, P.Y);
    Pump();
  }
  Integer MarkerCol() { return Grid->IndicatorOffset() - 1; }
  // Marks data rows 0 .. Count - 1 by clicks into the marker column.
  void MarkRows(Integer Count) {
    for (Integer I = 0; I < Count; ++I) ClickCell(MarkerCol(), Grid->TitleOffset() + I);
  }
  void Type(const String& Text) {
    HeadlessType(Text);
    Pump();
  }
  Integer CurrentNr() { return Table->FieldByName("Nr")->AsInteger(); }

};

// ---- Marked rows ------------------------------------------------------------------------------

TEST_F(GridKeysTest, FiveMarksGiveAPopupOfSixButtonsUnderTheTopLeftCell) {
  ShowRows(6, {dgMarker});
  MarkRows(5);
  MarkRows(1);  // the first row again: unmarked
  ClickCell(MarkerCol(), Grid->TitleOffset());
  ASSERT_EQ(5, Grid->SelectedRows()->Count());
  EXPECT_EQ("Merker", Grid->SelectedRows()->Texts(4));
  ClickCell(0, 0);
  ASSERT_TRUE(Grid->MarkedRowsShown());
  EXPECT_EQ(6, Grid->ClipPopup()->Buttons()->Count());
  EXPECT_EQ(6 * 26 + 6, Grid->ClipPopup()->Width());
  TPoint Under = Grid->ClientToScreen(Point(Grid->CellRect(0, 0).Left, Grid->CellRect(0, 0).Bottom));
  EXPECT_EQ(Under, Point(Grid->ClipPopup()->Left(), Grid->ClipPopup()->Top()));
  int KeyEvents = 0;
  Grid->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++KeyEvents; };
  PressKey(VK_DOWN);
  EXPECT_EQ(1, CurrentNr()) << "the popup takes the keys";
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(Grid->MarkedRowsShown());
  EXPECT_EQ(0, KeyEvents);
}

TEST_F(GridKeysTest, TheCommandLineClearsTheMarksAndKeepsThePosition) {
  ShowRows(5, {dgMarker});
  MarkRows(3);
  ClickCell(1, Grid->TitleOffset() + 4);
  Integer Calls = 0, Seen = -1;
  Grid->OnMarksChanged = [&](TBookmarkList* List) {
    ++Calls;
    Seen = List->Count();
    Table->First();  // the handler wanders off
  };
  TObject* Clicked = nullptr;
  Grid->OnClipButtonClick = [&](TObject* Sender) { Clicked = Sender; };
  Grid->ShowMarkedRows();
  Grid->ClipPopup()->Buttons()->Items(0)->OnClick(Grid->ClipPopup()->Buttons()->Items(0));
  Pump();
  EXPECT_EQ(0, Grid->SelectedRows()->Count());
  EXPECT_EQ(1, Calls);
  EXPECT_EQ(0, Seen);
  EXPECT_EQ(5, CurrentNr());
  EXPECT_FALSE(Grid->MarkedRowsShown());
  EXPECT_EQ(Clicked, Grid->ClipPopup());
}

TEST_F(GridKeysTest, AMarkOfADeletedRecordIsSkippedWhenJumpedToAndDeleted) {
  ShowRows(4, {dgMarker, dgConfirmDelete});
  MarkRows(3);
  Table->First();
  Table->Next();
  Table->Delete();  // record 2, marked, goes behind the grid's back
  Pump();
  Grid->ClipItemClick(2);
  EXPECT_EQ(3, Table->RecordCount());
  Answers().AnswerWith(MsgDlgCaption(mtConfirmation), mrOk, "Alle markierten Datensätze löschen?");
  HeadlessKey(VK_DELETE, 4);
  Pump();
  EXPECT_EQ(1, Table->RecordCount());
  EXPECT_EQ(4, CurrentNr());
  EXPECT_EQ(0, Grid->SelectedRows()->Count());
}

// ---- Incremental search ---------------------------------------------------------------------------

TEST_F(GridKeysTest, TypingSearchesTheColumnInABalloonThatTheTimerCloses) {
  ShowRows(5);
  Grid->SetAutoSearch(true);
  Type("kunde 4");
  EXPECT_EQ(4, CurrentNr());
  ASSERT_TRUE(Grid->SearchRunning());
  EXPECT_EQ("kunde 4", Grid->SearchBalloon()->Caption());
  EXPECT_TRUE(IsWindowVisible(Grid->SearchBalloon()->Handle()));
  PressKey(VK_BACK);
  Type("2");
  EXPECT_EQ(2, CurrentNr());
  ClickCell(2, Grid->TitleOffset() + 2);  // another column starts anew
  Type("x");
  EXPECT_EQ("x", Grid->SearchText());
  EXPECT_EQ(3, CurrentNr()) << "not a number: nothing looked up";
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(Grid->SearchRunning());
  Type("4");
  EXPECT_EQ(4, CurrentNr());
  Clock->Advance(TI_CustomDBGrid::SearchTime - 1);
  Pump();
  EXPECT_TRUE(Grid->SearchRunning());
  Clock->Advance(1);
  Pump();
  EXPECT_FALSE(Grid->SearchRunning());
  EXPECT_TRUE(Grid->SearchText().empty());
}

// Ctrl+V adds the clipboard's text (trimmed) to a running search; the
// balloon shows the grid's first image as its icon.
TEST_F(GridKeysTest, CtrlVAddsTheClipboardToTheSearchAndTheBalloonShowsTheFirstImage) {
  ShowRows(5);
  TImageList Images(nullptr);
  Images.SetSize(8, 8);
  TBitmap Glyph;
  Glyph.SetSize(8, 8);
  Images.Add(&Glyph, nullptr);
  Grid->SetImages(&Images);
  Grid->SetAutoSearch(true);
  String Saved = GetClipboardText();
  SetClipboardText("  3  ");
  Type("kunde ");
  HeadlessKey('V', 4);
  Pump();
  SetClipboardText(Saved);
  EXPECT_EQ(3, CurrentNr()) << Grid->SearchText();
  EXPECT_TRUE(Grid->SearchBalloon()->ShowIcon());
  Grid->SetImages(nullptr);
}

TEST_F(GridKeysTest, TypingIntoAnEmptyOrClosedDataSetShowsNothing) {
  ShowRows(0);
  Grid->SetAutoSearch(true);
  Type("abc");
  EXPECT_EQ(0, Table->RecordCount());
  Table->Close();
  Pump();
  Type("abc");
  EXPECT_FALSE(Grid->SearchRunning());
  EXPECT_THROW(Grid->SelectedRows()->CurrentRow(), EInvalidGridOperation);
}

TEST_F(GridKeysTest, TheFinderNamedByTheApplicationFindsTheKey) {
  ShowRows(5);
  Grid->SetAutoSearch(true);
  Grid->OnEditorGetConvert = [](TDataSet*, String& Shows, String& Keys, TField*) {
    Shows = "TFCustomGridFinder\nKunde 1\nKunde 2";
    Keys = "Nr\n1\n2";
  };
  String Given, Typed, KeyField;
  Grid->OnLocate = [&](TDataSet*, const String& Fields, const Variant&, TLocateOptions, bool& Locate, String&) {
    if (KeyField.empty()) KeyField = Fields;
    Locate = false;  // the grid looks the found text up itself
  };
  Answers().Do(TFCustomGridFinder::FinderCaption, [&](TCustomForm* F) {
    auto* Finder = static_cast<TFCustomGridFinder*>(F);
    Given = Finder->FinderText + "|" + Finder->KeyText;
    Typed = Finder->TypedChar;
    Finder->LastKey = 13;
    Finder->FoundValue = "Kunde 4";
    Finder->SetModalResult(mrOk);
  });
  Type("k");
  EXPECT_EQ(4, CurrentNr());
  EXPECT_EQ("k", Typed);
  EXPECT_EQ("Nr", KeyField);
  EXPECT_NE(String::npos, Given.find("Kunde 2")) << Given;
  EXPECT_NE(String::npos, Given.find("2")) << Given;
  EXPECT_EQ(String::npos, Given.find("TFCustomGridFinder"));
}

TEST(GridSearchValue, TheTextBecomesAValueOfTheFieldsType) {
  TmtMemTable Table(nullptr);
  Table.FieldDefs().Add("S", ftString, 80);
  Table.FieldDefs().Add("I", ftInteger, 0);
  Table.FieldDefs().Add("B", ftBoolean, 0);
  Table.FieldDefs().Add("F", ftFloat, 0);
  Table.Open();
  auto Value = [&](const char* Field, const String& Text, bool Upper = false) {
    return TI_CustomDBGrid::SearchValue(Table.FieldByName(Field), Text, Upper);
  };
  EXPECT_EQ("Über", VarToStr(Value("S", "über", true)));
  EXPECT_EQ(51u, VarToStr(Value("S", String(60, 'a'), true)).size());
  EXPECT_EQ(12, Value("I", "12").AsInteger());
  EXPECT_TRUE(Value("I", "12a").IsNull());
  EXPECT_FALSE(Value("B", "nein").AsBoolean());
  EXPECT_TRUE(Value("B", "1").AsBoolean());
  EXPECT_TRUE(Value("B", "2").IsNull());
  EXPECT_TRUE(Value("F", "x").IsNull());
  EXPECT_TRUE(TI_CustomDBGrid::SearchValue(nullptr, "1", false).IsNull());
}

// ---- Mouse and keys --------------------------------------------------------------------------------

TEST_F(GridKeysTest, AClickedTitleIsClickedNotDragged) {
  ShowRows(3, {dgTitleClicked});
  TColumn* Clicked = nullptr;
  Grid->OnTitleClick = [&](TColumn* C) { Clicked = C; };
  TRect R = Grid->CellRect(Grid->IndicatorOffset(), 0);
  TPoint From = Grid->ClientToScreen(Point(R.Left + 10, R.Top + 5));
  TPoint To = Grid->ClientToScreen(Point(Grid->CellRect(Grid->IndicatorOffset() + 1, 0).Left + 20, R.Top + 5));
  Headless().Queue([=] { TDesktopInput::MouseButton(0, true, From); });
  Pump();
  for (Integer X = From.X; X <= To.X; X += 10) HeadlessMouseMove(X, From.Y);
  Pump();
  EXPECT_EQ(0, Grid->DragMode2());
  Headless().Queue([=] { TDesktopInput::MouseButton(0, false, From); });
  Pump();
  EXPECT_EQ("Name", Grid->Columns()->Items(0)->FieldName());
  EXPECT_EQ(Grid->Columns()->Items(0), Clicked);
}

}  // namespace
