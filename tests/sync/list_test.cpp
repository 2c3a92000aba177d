// The office identity (setup row 1) and the installation list (setup row 2,
// a compressed memo of CSV text): loading, repairing and saving.
#include "sync_fixture.h"

#include "platform/rtl/guid.h"

namespace {

class ListTest : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    GivenOffice();
  }
  TFsync* Start() {
    MakeForm();
    StartDatabase();
    return Form;
  }
  // Changes the list in memory as an editing page would, then saves it.
  void EditListAndSave(const std::function<void(TmtMemTable* KM)>& Edit) {
    Form->KM->SetReadOnly(false);
    Edit(Form->KM);
    Form->KM->SetReadOnly(true);
    Form->SaveInstallationList();
  }
  // Moves to slot ID (1-based row) of the list.
  void GoToSlot(Integer Row) {
    Form->KM->First();
    for (Integer I = 1; I < Row; ++I) Form->KM->Next();
  }
  static bool IsGUID(const String& S) {
    TGUID G;
    return TryStringToGUID(S, G);
  }
};

TEST_F(ListTest, AFirstStartGivesTheOfficeAnIdentityAndTheListSevenSlots) {
  Start();
  std::vector<String> Row1 = SetupRows(1);
  ASSERT_EQ(Row1.size(), 1u);
  EXPECT_TRUE(IsGUID(Row1[0]));
  EXPECT_EQ(Settings()->DatabaseID(), Row1[0]);
  EXPECT_EQ(ListColumn("ID"), (std::vector<String>{"1", "2", "3", "4", "5", "6", "7"}));
  std::vector<String> Guids = ListColumn("GUID");
  for (const String& G : Guids) EXPECT_TRUE(IsGUID(G)) << G;
  std::sort(Guids.begin(), Guids.end());
  EXPECT_EQ(std::unique(Guids.begin(), Guids.end()), Guids.end());
  EXPECT_TRUE(Form->KM->ReadOnly());
  EXPECT_EQ(Form->KM->FieldByName("ID")->AsInteger(), 1);
  EXPECT_FALSE(Form->OakTableSettings->Active());
}

TEST_F(ListTest, TheSecondStartReadsTheSameOfficeIdentity) {
  Start();
  String First = Settings()->DatabaseID();
  Restart();
  EXPECT_EQ(Settings()->DatabaseID(), First);
  EXPECT_EQ(SetupRows(1).size(), 1u);
}

TEST_F(ListTest, AMalformedOfficeIdentityIsReplacedInItsRow) {
  GivenSetupRow(1, "{kein-GUID}");
  Start();
  std::vector<String> Row1 = SetupRows(1);
  ASSERT_EQ(Row1.size(), 1u);
  EXPECT_TRUE(IsGUID(Row1[0]));
  EXPECT_EQ(Settings()->DatabaseID(), Row1[0]);
}

TEST_F(ListTest, AValidOfficeIdentityIsKept) {
  GivenSetupRow(1, "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  Start();
  EXPECT_EQ(Settings()->DatabaseID(), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
}

TEST_F(ListTest, SavingWithoutRow2InsertsItCompressedAndSavingAgainReplacesIt) {
  Start();
  EXPECT_TRUE(SetupRows(2).empty());
  Form->SaveInstallationList();
  Form->SaveInstallationList();
  EXPECT_EQ(SetupRows(2).size(), 1u);
  OAKHANDLE T = OpenEngineTable(Office + "setup");
  UNSIGNED16 Ident = 0, Memo = 0;
  OakGetFieldNum(T, "Ident", &Ident);
  OakGetFieldNum(T, "MemoItem", &Memo);
  UNSIGNED16 Eof = 0;
  String Raw;
  for (OakGotoTop(T); OakAtEOF(T, &Eof) == 0 && !Eof; OakSkip(T, 1)) {
    char Buf[16];
    UNSIGNED32 Len = sizeof Buf;
    OakGetField(T, Ident, Buf, &Len, OAK_RTRIM);
    if (Trim(String(Buf, Len)) != "2") continue;
    UNSIGNED32 MemoLen = 0;
    OakGetMemoLength(T, Memo, &MemoLen);
    Raw.resize(MemoLen);
    OakGetField(T, Memo, Raw.data(), &MemoLen, OAK_NONE);
  }
  OakCloseTable(T);
  ASSERT_GE(Raw.size(), 2u);
  EXPECT_EQ(Byte(Raw[0]), 0x78);  // a zlib stream, fastest level
  EXPECT_EQ(Byte(Raw[1]), 0x01);
}

TEST_F(ListTest, ASavedListComesBackWithItsEntriesAndGuids) {
  Start();
  GoToSlot(3);
  Form->EditInstallationEntry([&] {
    Form->KM->FieldByName("Name")->SetAsString("Außendienst Müller");
    Form->KM->FieldByName("Path")->SetAsString("/media/laptop/");
    Form->KM->FieldByName("RIGHTS")->SetAsInteger(4);
  });
  std::vector<String> Guids = ListColumn("GUID");
  Form->SaveInstallationList();
  Restart();
  EXPECT_EQ(ListColumn("GUID"), Guids);
  EXPECT_EQ(ListColumn("Name")[2], "Außendienst Müller");
  EXPECT_EQ(ListColumn("Path")[2], "/media/laptop/");
  EXPECT_EQ(ListColumn("RIGHTS")[2], "4");
}

TEST_F(ListTest, AStoredListOfSixRowsIsReplacedBySevenEmptySlots) {
  Start();
  EditListAndSave([](TmtMemTable* KM) {
    KM->First();
    KM->Edit();
    KM->FieldByName("Name")->SetAsString("weg");
    KM->Post();
    KM->Last();
    KM->Delete();
  });
  std::vector<String> Old = ListColumn("GUID");
  Restart();
  EXPECT_EQ(ListColumn("ID"), (std::vector<String>{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(ListColumn("Name"), std::vector<String>(7, ""));
  for (const String& G : ListColumn("GUID")) EXPECT_EQ(std::count(Old.begin(), Old.end(), G), 0);
}

TEST_F(ListTest, AStoredListOfEightRowsIsReplacedToo) {
  Start();
  EditListAndSave([](TmtMemTable* KM) {
    KM->Append();
    KM->FieldByName("ID")->SetAsInteger(8);
    KM->Post();
  });
  Restart();
  EXPECT_EQ(Form->KM->RecordCount(), 7);
}

TEST_F(ListTest, SlotsKeepTheirOrderAndAreRenumberedByPosition) {
  Start();
  EditListAndSave([](TmtMemTable* KM) {
    Integer Ids[7] = {3, 1, 2, 7, 6, 5, 4};
    KM->First();
    for (Integer Id : Ids) {
      KM->Edit();
      KM->FieldByName("ID")->SetAsInteger(Id);
      KM->Post();
      KM->Next();
    }
  });
  std::vector<String> Guids = ListColumn("GUID");
  Restart();
  EXPECT_EQ(ListColumn("ID"), (std::vector<String>{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(ListColumn("GUID"), Guids);
}

TEST_F(ListTest, AMalformedSlotGuidIsReplacedAndTheOthersKept) {
  Start();
  EditListAndSave([](TmtMemTable* KM) {
    KM->First();
    KM->Next();
    KM->Edit();
    KM->FieldByName("GUID")->SetAsString("{1234}");
    KM->Post();
  });
  std::vector<String> Old = ListColumn("GUID");
  Restart();
  std::vector<String> Now = ListColumn("GUID");
  EXPECT_TRUE(IsGUID(Now[1]));
  EXPECT_NE(Now[1], "{1234}");
  Now[1] = Old[1];
  EXPECT_EQ(Now, Old);
}

TEST_F(ListTest, TheSelectedEntryReadsTheCurrentRowAndTreatsHighRightsAsZero) {
  Start();
  // Read before going to the slot: walking the list moves the selection.
  String SlotGUID = ListColumn("GUID")[4];
  GoToSlot(5);
  Form->EditInstallationEntry([&] {
    Form->KM->FieldByName("Path")->SetAsString("/srv/mobil/");
    Form->KM->FieldByName("RIGHTS")->SetAsInteger(6);
  });
  Form->ReadCurrentEntry();
  EXPECT_EQ(Form->CurrentID, 5);
  EXPECT_EQ(Form->CurrentPath, "/srv/mobil/");
  EXPECT_EQ(Form->CurrentRights, 0);
  EXPECT_EQ(Form->CurrentGUID, SlotGUID);
}

TEST_F(ListTest, UpdatingTheEntryAfterARunStoresThePathAndResetsHighRights) {
  Start();
  GoToSlot(2);
  Form->EditInstallationEntry([&] { Form->KM->FieldByName("RIGHTS")->SetAsInteger(5); });
  Form->CurrentPath = "/media/stick/KelpoM/";
  Form->UpdateInstallationEntry();
  EXPECT_TRUE(Form->KM->ReadOnly());
  Restart();
  EXPECT_EQ(ListColumn("Path")[1], "/media/stick/KelpoM/");
  EXPECT_EQ(ListColumn("RIGHTS")[1], "0");
}

TEST_F(ListTest, TheListStaysReadOnlyOutsideAnEdit) {
  Start();
  EXPECT_THROW(Form->KM->Edit(), Exception);
  EXPECT_THROW(Form->EditInstallationEntry([] { throw EAbort("abgebrochen"); }), EAbort);
  EXPECT_TRUE(Form->KM->ReadOnly());
  EXPECT_EQ(Form->KM->State(), dsBrowse);
}

}  // namespace
