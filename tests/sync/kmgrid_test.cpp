// The installation list on its own: a list of seven slots over a memory
// table, driven by desktop input (clicks and keys) on a shown form.
#include "sync/UKMGrid.h"

#include <gtest/gtest.h>

#include <memory>

#include "data/memtable/mtMemTable.h"
#include "foundation/USettings.h"
#include "platform/gui/backend.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"
#include "platform/rtl/sysutils.h"

namespace {

class KMGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(new TForm(nullptr, 0));
    Form->SetBounds(10, 10, 760, 220);
    KM = new TmtMemTable(Form.get());
    KM->FieldDefs().Add("Name", ftString, 100);
    KM->FieldDefs().Add("Path", ftString, 200);
    KM->FieldDefs().Add("ID", ftSmallint, 0);
    KM->FieldDefs().Add("RIGHTS", ftInteger, 0);
    KM->Open();
    Source = new TDataSource(Form.get());
    Source->SetDataSet(KM);
    Grid = new TKMGrid(Form.get());
    Grid->SetParent(Form.get());
    Grid->SetBounds(4, 4, 700, 150);
    Grid->SetDataSource(Source);
  }

  // ---- Verbs ---------------------------------------------------------------------------
  // Slots 1..Count named "Slot n" on "/mobil/n/" with rights n mod 5.
  void GivenSlots(Integer Count) {
    for (Integer I = 1; I <= Count; ++I) GivenSlot(I, "Slot " + IntToStr(I), "/mobil/" + IntToStr(I) + "/", I % 5);
    KM->First();
  }
  void GivenSlot(Integer ID, const String& Name, const String& Path, Integer Rights) {
    KM->Append();
    KM->FieldByName("ID")->SetAsInteger(ID);
    KM->FieldByName("Name")->SetAsString(Name);
    KM->FieldByName("Path")->SetAsString(Path);
    KM->FieldByName("RIGHTS")->SetAsInteger(Rights);
    KM->Post();
  }
  void ShowList() {
    Form->Show();
    Pump();
  }
  void Pump() {
    for (int I = 0; I < 3; ++I) Application->ProcessMessages();
  }
  // Clicks into visible row Row (0-based) of the list.
  void ClickRow(Integer Row) { ClickAt(30, TKMGrid::RowHeight * (Row + 1) + TKMGrid::RowHeight / 2); }
  void ClickAt(Integer X, Integer Y) {
    TPoint P = Grid->ClientToScreen(Point(X, Y));
    HeadlessClick(P.X, P.Y);
    Pump();
  }
  void Press(Word Key, Integer Times = 1) {
    for (Integer I = 0; I < Times; ++I) HeadlessKey(Key);
    Pump();
  }
  Integer CurrentSlot() { return KM->FieldByName("ID")->AsInteger(); }
  // The colour drawn at the list's client point (X, Y).
  TColorRef PixelAt(Integer X, Integer Y) {
    Pump();
    TPoint P = Grid->ClientToScreen(Point(X, Y));
    TRect W = GetWindowRect(Form->Handle());
    return HeadlessSurface(Form->Handle()).Get(P.X - W.Left, P.Y - W.Top);
  }
  // Whether anything but the window colour is drawn in row Row between
  // the client columns X1 and X2.
  bool InkInRow(Integer Row, Integer X1, Integer X2) {
    Integer Top = TKMGrid::RowHeight * (Row + 1);
    for (Integer Y = Top + 1; Y < Top + TKMGrid::RowHeight - 1; ++Y)
      for (Integer X = X1; X < X2; ++X)
        if (PixelAt(X, Y) != ColorToRGB(clWindow)) return true;
    return false;
  }
  // A point of row Row's name cell right of its text.
  TColorRef RowBackground(Integer Row) { return PixelAt(215, TKMGrid::RowHeight * (Row + 1) + 1); }

  std::unique_ptr<TForm> Form;
  TmtMemTable* KM = nullptr;
  TDataSource* Source = nullptr;
  TKMGrid* Grid = nullptr;
};

// ---- Selecting with the mouse --------------------------------------------------------------

TEST_F(KMGridTest, ClickingARowMakesItsSlotTheCurrentRecord) {
  GivenSlots(7);
  ShowList();
  ClickRow(4);
  EXPECT_EQ(5, CurrentSlot());
  EXPECT_EQ(4, Grid->SelectedRow());
  ClickRow(1);
  EXPECT_EQ(2, CurrentSlot());
}

TEST_F(KMGridTest, ClickingTheTitlesOrBelowTheLastRowKeepsTheCurrentSlot) {
  GivenSlots(3);
  ShowList();
  ClickRow(2);
  ClickAt(30, TKMGrid::RowHeight / 2);
  EXPECT_EQ(3, CurrentSlot());
  ClickRow(5);
  EXPECT_EQ(3, CurrentSlot());
}

TEST_F(KMGridTest, ClickingGivesTheListTheFocus) {
  GivenSlots(2);
  ShowList();
  ClickRow(1);
  EXPECT_TRUE(Grid->Focused());
}

// ---- Selecting with the keyboard ------------------------------------------------------------

TEST_F(KMGridTest, DownAndUpMoveOneSlot) {
  GivenSlots(7);
  ShowList();
  ClickRow(0);
  Press(VK_DOWN, 2);
  EXPECT_EQ(3, CurrentSlot());
  Press(VK_UP);
  EXPECT_EQ(2, CurrentSlot());
}

TEST_F(KMGridTest, DownStopsAtTheSeventhSlotAndUpAtTheFirst) {
  GivenSlots(7);
  ShowList();
  ClickRow(5);
  Press(VK_DOWN, 4);
  EXPECT_EQ(7, CurrentSlot());
  Press(VK_UP, 9);
  EXPECT_EQ(1, CurrentSlot());
}

TEST_F(KMGridTest, InsertAndDeleteNeitherAddNorRemoveSlots) {
  GivenSlots(7);
  ShowList();
  ClickRow(3);
  Press(VK_INSERT);
  Press(VK_DELETE);
  EXPECT_EQ(7, KM->RecordCount());
  EXPECT_EQ(4, CurrentSlot());
  EXPECT_EQ(dsBrowse, KM->State());
}

// ---- What the cells show ------------------------------------------------------------------

TEST_F(KMGridTest, TheIDColumnShowsTheSlotsCharacter) {
  GivenSlots(7);
  for (Integer Row = 0; Row < 7; ++Row)
    EXPECT_EQ(String(1, MobileIDChars[Row + 1]), Grid->CellText(0, Row)) << Row;
}

TEST_F(KMGridTest, TheRightsColumnShowsTheLevelTextAndHighValuesAsLevelZero) {
  GivenSlot(1, "Laptop", "/mnt/a/", 3);
  GivenSlot(2, "Stick", "/mnt/b/", 6);
  EXPECT_EQ(MobileLevelTexts[3], Grid->CellText(2, 0));
  EXPECT_EQ(MobileLevelTexts[0], Grid->CellText(2, 1));
}

TEST_F(KMGridTest, TheRightsHintNamesTheDataModeOfTheLevel) {
  GivenSlot(1, "Laptop", "/mnt/a/", 2);
  GivenSlot(2, "Stick", "/mnt/b/", 77);
  EXPECT_EQ(MobileDataModeTexts[2], Grid->CellHint(2, 0));
  EXPECT_EQ(MobileDataModeTexts[0], Grid->CellHint(2, 1));
  EXPECT_EQ("Laptop", Grid->CellHint(1, 0));
}

TEST_F(KMGridTest, MovingTheMouseOverACellMakesItsHintTheLists) {
  GivenSlot(1, "Laptop", "/mnt/a/", 3);
  ShowList();
  TPoint P = Grid->ClientToScreen(Point(20 + 202 + 10, TKMGrid::RowHeight + 5));
  HeadlessMouseMove(P.X, P.Y);
  Pump();
  EXPECT_EQ(MobileDataModeTexts[3], Grid->Hint());
  EXPECT_EQ(2, Grid->ColumnAt(20 + 202 + 10));
  EXPECT_EQ(-1, Grid->ColumnAt(700));
}

TEST_F(KMGridTest, NameAndPathAreShownAsStoredWithoutPadding) {
  GivenSlot(1, "Außendienst Müller", "/media/laptop/", 0);
  EXPECT_EQ("Außendienst Müller", Grid->CellText(1, 0));
  EXPECT_EQ("/media/laptop/", Grid->CellText(3, 0));
  EXPECT_EQ("", Grid->CellText(3, 1));
  EXPECT_EQ("", Grid->CellText(4, 0));
}

TEST_F(KMGridTest, ReadingCellsLeavesTheCurrentSlotWhereItWas) {
  GivenSlots(7);
  KM->MoveBy(3);
  for (Integer Row = 0; Row < 7; ++Row) Grid->CellText(1, Row);
  EXPECT_EQ(4, CurrentSlot());
  EXPECT_EQ(3, Grid->SelectedRow());
}

// ---- Drawing ---------------------------------------------------------------------------------

TEST_F(KMGridTest, OnlyTheCurrentSlotIsDrawnHighlighted) {
  GivenSlots(7);
  ShowList();
  ClickRow(2);
  EXPECT_EQ(ColorToRGB(clHighlight), RowBackground(2));
  EXPECT_EQ(ColorToRGB(clWindow), RowBackground(1));
  Press(VK_DOWN);
  EXPECT_EQ(ColorToRGB(clHighlight), RowBackground(3));
  EXPECT_EQ(ColorToRGB(clWindow), RowBackground(2));
}

TEST_F(KMGridTest, ThePathIsDrawnAtTheRightEndOfItsColumn) {
  GivenSlots(2);
  ShowList();
  ClickRow(1);
  Integer PathLeft = 20 + 202 + 160, PathRight = PathLeft + 314;
  EXPECT_FALSE(InkInRow(0, PathLeft + 2, PathLeft + 150));
  EXPECT_TRUE(InkInRow(0, PathRight - 60, PathRight - 1));
}

TEST_F(KMGridTest, TheTitlesAreDrawnOnTheirColours) {
  GivenSlots(1);
  ShowList();
  EXPECT_EQ(ColorToRGB(clRed), PixelAt(1, 1));
  EXPECT_EQ(TColorRef(0xFF8080), PixelAt(215, 1));
}

// ---- Following the data source -------------------------------------------------------------

TEST_F(KMGridTest, TheSelectionFollowsMovesOfTheDataSet) {
  GivenSlots(7);
  KM->Last();
  EXPECT_EQ(6, Grid->SelectedRow());
  KM->First();
  EXPECT_EQ(0, Grid->SelectedRow());
}

TEST_F(KMGridTest, AClosedDataSetShowsNoRows) {
  GivenSlots(7);
  KM->Close();
  EXPECT_EQ(0, Grid->RowCount());
  EXPECT_EQ(-1, Grid->SelectedRow());
  EXPECT_EQ(-1, Grid->RowAt(TKMGrid::RowHeight + 2));
}

TEST_F(KMGridTest, FreeingTheDataSourceDetachesTheList) {
  GivenSlots(2);
  delete Source;
  EXPECT_EQ(nullptr, Grid->DataSource());
  EXPECT_EQ(0, Grid->RowCount());
  ShowList();
  ClickRow(0);  // nothing to select, nothing raised
}

}  // namespace
