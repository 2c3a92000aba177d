// The installation list of page "0": the main form's data-aware grid
// I_DBKMSYS over KMD / KM as the form's description sets it up, driven by
// clicks and keys and read back through its texts, hints and pixels.
#include <gtest/gtest.h>

#include "sync_fixture.h"

namespace {

class InstallationListTest : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    MakeForm();
    Grid = Form->I_DBKMSYS;
    Form->KM->SetReadOnly(false);
    Form->KM->Open();
  }

  // ---- Verbs ---------------------------------------------------------------------------
  // Slots 1..Count named "Slot n" on "/mobil/n/" with rights n mod 5.
  void GivenSlots(Integer Count) {
    for (Integer I = 1; I <= Count; ++I) GivenSlot(I, "Slot " + IntToStr(I), "/mobil/" + IntToStr(I) + "/", I % 5);
    Form->KM->First();
  }
  void GivenSlot(Integer ID, const String& Name, const String& Path, Integer Rights) {
    TDataSet* KM = Form->KM;
    KM->Append();
    KM->FieldByName("ID")->SetAsInteger(ID);
    KM->FieldByName("Name")->SetAsString(Name);
    KM->FieldByName("Path")->SetAsString(Path);
    KM->FieldByName("RIGHTS")->SetAsInteger(Rights);
    KM->Post();
  }
  // Grid column of a field (indicator first).
  Integer ColumnOf(const String& Field) {
    for (Integer I = 0; I < Grid->Columns()->Count(); ++I)
      if (Grid->Columns()->Items(I)->FieldName() == Field) return I;
    return -1;
  }
  // Clicks into visible row Row (0-based) of the list.
  void ClickRow(Integer Row) {
    TRect R = Grid->CellRect(Grid->IndicatorOffset() + 1, Grid->TitleOffset() + Row);
    Integer Y = R.IsEmpty() ? Grid->ClientHeight() - 2 : (R.Top + R.Bottom) / 2;
    Grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, Y));
    Grid->Perform(WM_LBUTTONUP, 0, MAKELPARAM(30, Y));
  }
  void Press(Word Key, Integer Times = 1) {
    for (Integer I = 0; I < Times; ++I) Grid->Perform(WM_KEYDOWN, Key, 0);
  }
  Integer CurrentSlot() { return Form->KM->FieldByName("ID")->AsInteger(); }
  String Cell(const String& Field, Integer Row) { return Grid->CellText(ColumnOf(Field), Row); }
  // The hint the grid gives for the cell of Field in visible row Row ("" none).
  String HintOf(const String& Field, Integer Row) {
    return HintAt(Grid, Grid->CellRect(Grid->IndicatorOffset() + ColumnOf(Field), Grid->TitleOffset() + Row));
  }

  TI_DBGrid* Grid = nullptr;
};

// ---- The grid as described ------------------------------------------------------------------

TEST_F(InstallationListTest, TheDescriptionMakesAReadOnlyRowSelectingGridOfFourColumns) {
  EXPECT_TRUE(Grid->ReadOnly());
  // Read-only, row select, titles, column resize, its own row height, the
  // slot stays marked while a button has the focus, flat titles and
  // columns fitted to the width; no tabs: Tab goes on to the next control.
  EXPECT_EQ((TDBGridOptions{dgTitles, dgColumnResize, dgRowSelect, dgAlwaysShowSelection, dgUserRowHeight,
                            dgFlatButtons, dgAutoSize}),
            Grid->Options());
  // The described 18 pixels give way to the look's font adjustment: rows
  // 1.6 times the height of Tahoma at 9 points.
  EXPECT_EQ(22, Grid->DefaultRowHeight());
  EXPECT_EQ("9 1", Grid->AdjustGrid());
  ASSERT_EQ(4, Grid->Columns()->Count());
  EXPECT_EQ("Beschreibung", Grid->Columns()->Items(1)->Title()->Caption());
  EXPECT_EQ("Pfad/Zielcomputer", Grid->Columns()->Items(3)->Title()->Caption());
  EXPECT_EQ(taRightJustify, Grid->Columns()->Items(3)->Alignment());
  EXPECT_EQ(TColor(0xFF8080), Grid->Columns()->Items(2)->Title()->Color());
  EXPECT_EQ(clRed, Grid->Columns()->Items(0)->Title()->Color());
}

// ---- Selecting with the mouse --------------------------------------------------------------

TEST_F(InstallationListTest, ClickingARowMakesItsSlotTheCurrentRecord) {
  GivenSlots(7);
  ClickRow(4);
  EXPECT_EQ(5, CurrentSlot());
  ClickRow(1);
  EXPECT_EQ(2, CurrentSlot());
}

TEST_F(InstallationListTest, ClickingTheTitlesOrBelowTheLastRowKeepsTheCurrentSlot) {
  GivenSlots(3);
  ClickRow(2);
  Grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 3));
  Grid->Perform(WM_LBUTTONUP, 0, MAKELPARAM(30, 3));
  EXPECT_EQ(3, CurrentSlot());
  ClickRow(5);
  EXPECT_EQ(3, CurrentSlot());
}

// ---- Selecting with the keyboard ------------------------------------------------------------

TEST_F(InstallationListTest, DownAndUpMoveOneSlot) {
  GivenSlots(7);
  Press(VK_DOWN, 2);
  EXPECT_EQ(3, CurrentSlot());
  Press(VK_UP);
  EXPECT_EQ(2, CurrentSlot());
}

TEST_F(InstallationListTest, DownStopsAtTheSeventhSlotAndUpAtTheFirst) {
  GivenSlots(7);
  ClickRow(5);
  Press(VK_DOWN, 4);
  EXPECT_EQ(7, CurrentSlot());
  EXPECT_EQ(7, Form->KM->RecordCount());
  Press(VK_UP, 9);
  EXPECT_EQ(1, CurrentSlot());
}

TEST_F(InstallationListTest, InsertAndDeleteNeitherAddNorRemoveSlots) {
  GivenSlots(7);
  ClickRow(3);
  Press(VK_INSERT);
  Grid->Perform(WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(7, Form->KM->RecordCount());
  EXPECT_EQ(4, CurrentSlot());
  EXPECT_EQ(dsBrowse, Form->KM->State());
}

// ---- What the cells show ------------------------------------------------------------------

TEST_F(InstallationListTest, TheIDColumnShowsTheSlotsCharacter) {
  GivenSlots(7);
  for (Integer Row = 0; Row < 7; ++Row) EXPECT_EQ(String(1, MobileIDChars[Row + 1]), Cell("ID", Row)) << Row;
}

TEST_F(InstallationListTest, TheRightsColumnShowsTheLevelTextAndHighValuesAsLevelZero) {
  GivenSlot(1, "Laptop", "/mnt/a/", 3);
  GivenSlot(2, "Stick", "/mnt/b/", 6);
  EXPECT_EQ(MobileLevelTexts[3], Cell("RIGHTS", 0));
  EXPECT_EQ(MobileLevelTexts[0], Cell("RIGHTS", 1));
}

TEST_F(InstallationListTest, NameAndPathAreShownAsStoredWithoutPadding) {
  GivenSlot(1, "Außendienst Müller", "/media/laptop/", 0);
  EXPECT_EQ("Außendienst Müller", Cell("Name", 0));
  EXPECT_EQ("/media/laptop/", Cell("Path", 0));
  EXPECT_EQ("", Cell("Path", 1));
}

TEST_F(InstallationListTest, TheRightsHintNamesTheDataModeOfTheLevelWhenItIsCut) {
  GivenSlot(1, "Laptop", "/mnt/a/", 2);
  GivenSlot(2, "Stick", "/mnt/b/", 77);
  Grid->HandleNeeded();
  String Long = MobileDataModeTexts[2];
  String Shown = HintOf("RIGHTS", 0);
  TBitmap Measure;
  Measure.Canvas()->SetFont(Grid->Font());
  bool Cut = Measure.Canvas()->TextWidth(Long) > Grid->ColWidths(Grid->IndicatorOffset() + ColumnOf("RIGHTS")) - 4;
  EXPECT_EQ(Cut ? Long : String(), Shown);
  EXPECT_EQ("", HintOf("Name", 0)) << "\"Laptop\" fits its cell";
}

TEST_F(InstallationListTest, ReadingCellsLeavesTheCurrentSlotWhereItWas) {
  GivenSlots(7);
  Form->KM->MoveBy(3);
  for (Integer Row = 0; Row < 7; ++Row) Cell("Name", Row);
  EXPECT_EQ(4, CurrentSlot());
}

// ---- Following the data source -------------------------------------------------------------

TEST_F(InstallationListTest, TheCurrentRowFollowsMovesOfTheDataSet) {
  GivenSlots(7);
  Form->KM->Last();
  EXPECT_EQ(Grid->TitleOffset() + 6, Grid->Row());
  Form->KM->First();
  EXPECT_EQ(Grid->TitleOffset(), Grid->Row());
}

TEST_F(InstallationListTest, AClosedListShowsNoRowsAndClicksSelectNothing) {
  GivenSlots(7);
  Form->KM->Close();
  EXPECT_EQ("", Cell("Name", 0));
  ClickRow(1);  // nothing to select, nothing raised
  EXPECT_FALSE(Grid->DataLink()->Active());
}

}  // namespace
