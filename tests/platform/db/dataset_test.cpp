// The dataset state machine and the buffer window.
#include "db_fixture.h"

using DataSetNavigation = DbTest;

TEST_F(DataSetNavigation, OpenShowsFirstRecordAndClosedDataSetRefusesWork) {
  OpenWithRows(3);
  EXPECT_EQ(DS->State(), dsBrowse);
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_TRUE(DS->Bof());
  DS->Close();
  EXPECT_EQ(DS->State(), dsInactive);
  EXPECT_EQ(ErrorText([&] { DS->First(); }),
            "Kunden: Operation in geschlossener Datenmenge nicht ausführbar");
}

TEST_F(DataSetNavigation, NextWalksToEofAndPriorBackToBof) {
  OpenWithRows(4);
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(DS->Eof());
  DS->Last();
  std::vector<int> Back;
  for (; !DS->Bof(); DS->Prior()) Back.push_back(CurrentId());
  EXPECT_EQ(Back, (std::vector<int>{4, 3, 2, 1}));
}

TEST_F(DataSetNavigation, MoveByReportsTheDistanceItCouldGo) {
  OpenWithRows(5);
  EXPECT_EQ(DS->MoveBy(3), 3);
  EXPECT_EQ(CurrentId(), 4);
  EXPECT_EQ(DS->MoveBy(10), 1);
  EXPECT_TRUE(DS->Eof());
  EXPECT_EQ(DS->MoveBy(-10), -4);
  EXPECT_TRUE(DS->Bof());
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(DataSetNavigation, EmptyDataSetIsBofAndEof) {
  OpenWithRows(0);
  EXPECT_TRUE(DS->IsEmpty());
  EXPECT_TRUE(DS->Bof());
  EXPECT_TRUE(DS->Eof());
  EXPECT_TRUE(F("Name")->IsNull());
  EXPECT_EQ(DS->RecNo(), -1);
}

TEST_F(DataSetNavigation, RecNoFollowsTheCursorAndMovesIt) {
  OpenWithRows(6);
  DS->MoveBy(2);
  EXPECT_EQ(DS->RecNo(), 3);
  EXPECT_EQ(DS->RecordCount(), 6);
  DS->SetRecNo(5);
  EXPECT_EQ(CurrentId(), 5);
}

TEST_F(DataSetNavigation, ScrollEventsSurroundEveryMove) {
  OpenWithRows(3);
  RecordEvents();
  DS->Next();
  DS->Last();
  EXPECT_EQ(Log, (std::vector<std::string>{"BeforeScroll", "AfterScroll", "BeforeScroll",
                                           "AfterScroll"}));
}

TEST_F(DataSetNavigation, DisabledControlsHearOneChangeAtTheEnd) {
  OpenWithRows(5);
  TDataSource Src(nullptr);
  Src.SetDataSet(DS);
  int Changes = 0;
  Src.OnDataChange = [&](TObject*, TField*) { ++Changes; };
  DS->DisableControls();
  EXPECT_TRUE(DS->ControlsDisabled());
  DS->Next();
  DS->Next();
  DS->Last();
  EXPECT_EQ(Changes, 0);
  DS->EnableControls();
  EXPECT_EQ(Changes, 1);
  EXPECT_FALSE(DS->ControlsDisabled());
}

using DataSetEditing = DbTest;

TEST_F(DataSetEditing, EditPostChangesTheStoredRowWithEventsInOrder) {
  OpenWithRows(2);
  RecordEvents();
  DS->Edit();
  EXPECT_EQ(DS->State(), dsEdit);
  F("Name")->SetAsString("Meier");
  EXPECT_TRUE(DS->Modified());
  DS->Post();
  EXPECT_EQ(DS->State(), dsBrowse);
  EXPECT_EQ(F("Name")->AsString(), "Meier");
  EXPECT_EQ(Log, (std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforePost",
                                           "AfterPost"}));
  DS->Close();
  DS->Open();
  EXPECT_EQ(F("Name")->AsString(), "Meier");
}

TEST_F(DataSetEditing, CancelRestoresTheOldValues) {
  OpenWithRows(2);
  RecordEvents();
  DS->Edit();
  F("Name")->SetAsString("Weg");
  DS->Cancel();
  EXPECT_EQ(F("Name")->AsString(), "Name1");
  EXPECT_EQ(Log, (std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforeCancel",
                                           "AfterCancel"}));
}

TEST_F(DataSetEditing, InsertPutsTheNewRecordBeforeTheCurrentOne) {
  OpenWithRows(3);
  DS->Next();
  RecordEvents();
  DS->Insert();
  EXPECT_EQ(DS->State(), dsInsert);
  F("ID")->SetAsInteger(99);
  DS->Post();
  EXPECT_EQ(Log, (std::vector<std::string>{"BeforeInsert", "BeforeScroll", "OnNewRecord",
                                           "AfterInsert", "AfterScroll", "BeforePost",
                                           "AfterPost"}));
  EXPECT_EQ(CurrentId(), 99);
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 99, 2, 3}));
}

TEST_F(DataSetEditing, AppendAddsAtTheEndAndCancelOfAnInsertScrolls) {
  OpenWithRows(2);
  DS->Append();
  F("ID")->SetAsInteger(7);
  DS->Post();
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 7}));
  DS->First();
  RecordEvents();
  DS->Insert();
  DS->Cancel();
  EXPECT_EQ(Log, (std::vector<std::string>{"BeforeInsert", "BeforeScroll", "OnNewRecord",
                                           "AfterInsert", "AfterScroll", "BeforeCancel",
                                           "BeforeScroll", "AfterCancel", "AfterScroll"}));
  EXPECT_EQ(DS->RecordCount(), 3);
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(DataSetEditing, DeleteMovesToTheNextRecordOrTheLastOne) {
  OpenWithRows(3);
  DS->Next();
  RecordEvents();
  DS->Delete();
  EXPECT_EQ(CurrentId(), 3);
  EXPECT_EQ(Log, (std::vector<std::string>{"BeforeDelete", "BeforeScroll", "AfterDelete",
                                           "AfterScroll"}));
  DS->Delete();
  EXPECT_EQ(CurrentId(), 1);
  DS->Delete();
  EXPECT_TRUE(DS->IsEmpty());
  EXPECT_EQ(ErrorText([&] { DS->Delete(); }),
            "Kunden: Operation in leerer Datenmenge nicht ausführbar");
}

TEST_F(DataSetEditing, EditOfAnEmptyDataSetInserts) {
  OpenWithRows(0);
  DS->Edit();
  EXPECT_EQ(DS->State(), dsInsert);
}

TEST_F(DataSetEditing, WritingOutsideEditModeIsRefused) {
  OpenWithRows(1);
  EXPECT_EQ(ErrorText([&] { F("Name")->SetAsString("x"); }),
            "Kunden: Datenmenge nicht im Bearbeitungs- oder Einfügemodus");
}

TEST_F(DataSetEditing, ReadOnlyStorageRefusesEditAndInsert) {
  OpenWithRows(1);
  DS->ReadOnlyStorage = true;
  EXPECT_THROW(DS->Edit(), EDatabaseError);
  EXPECT_THROW(DS->Append(), EDatabaseError);
  EXPECT_EQ(DS->State(), dsBrowse);
}

TEST_F(DataSetEditing, MovingAwayPostsAModifiedRecordAndCancelsAnUntouchedOne) {
  OpenWithRows(3);
  DS->Edit();
  F("Name")->SetAsString("Neu");
  DS->Next();
  DS->Prior();
  EXPECT_EQ(F("Name")->AsString(), "Neu");
  int Posts = DS->PostCount;
  DS->Edit();
  DS->Next();
  EXPECT_EQ(DS->PostCount, Posts);
  EXPECT_EQ(DS->State(), dsBrowse);
}

TEST_F(DataSetEditing, RequiredFieldWithoutValueStopsThePost) {
  OpenWithRows(1);
  F("Name")->SetRequired(true);
  DS->Append();
  F("ID")->SetAsInteger(5);
  EXPECT_EQ(ErrorText([&] { DS->Post(); }),
            "Feld 'Name' muss einen Wert haben");
  EXPECT_EQ(DS->State(), dsInsert);
  F("Name")->SetAsString("jetzt");
  DS->Post();
  EXPECT_EQ(DS->RecordCount(), 2);
}

TEST_F(DataSetEditing, PostErrorHandlerMayAbortOrRetry) {
  OpenWithRows(1);
  F("Name")->SetRequired(true);
  int Calls = 0;
  DS->OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& Action) {
    ++Calls;
    if (Calls == 1) {
      F("Name")->SetAsString("repariert");
      Action = daRetry;
    }
  };
  DS->Append();
  DS->Post();
  EXPECT_EQ(Calls, 1);
  EXPECT_EQ(F("Name")->AsString(), "repariert");
  DS->OnPostError = [](TDataSet*, EDatabaseError&, TDataAction& Action) { Action = daAbort; };
  DS->Append();
  EXPECT_THROW(DS->Post(), EAbort);
}

TEST_F(DataSetEditing, InsertRecordAndAppendRecordStoreInOneStep) {
  OpenWithRows(2);
  DS->Last();
  DS->InsertRecord({Variant(50), Variant("Mitte"), Null()});
  EXPECT_EQ(DS->State(), dsBrowse);
  EXPECT_EQ(CurrentId(), 50);
  EXPECT_TRUE(F("Amount")->IsNull());
  DS->AppendRecord({Variant(60)});
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 50, 2, 60}));
}

TEST_F(DataSetEditing, OnNewRecordFillsDefaultsThatCountAsUnmodified) {
  DS->OnNewRecord = [this](TDataSet*) { F("Amount")->SetAsFloat(9.5); };
  OpenWithRows(1);
  DS->Append();
  EXPECT_DOUBLE_EQ(F("Amount")->AsFloat(), 9.5);
  EXPECT_FALSE(DS->Modified());
}

using DataSetLifecycle = DbTest;

TEST_F(DataSetLifecycle, RefreshShowsChangesMadeBehindTheWindow) {
  OpenWithRows(3);
  DS->Next();
  DS->Rows[1].Data[1 + 4 + 1] = 'X';  // first byte of the stored Name of row 2
  EXPECT_EQ(F("Name")->AsString(), "Name2");
  DS->Refresh();
  EXPECT_EQ(F("Name")->AsString(), "Xame2");
}

TEST_F(DataSetLifecycle, ExactResyncOfAVanishedRecordRaisesRecordNotFound) {
  OpenWithRows(3);
  DS->Next();
  DS->Rows.erase(DS->Rows.begin() + 1);
  EXPECT_EQ(ErrorText([&] { DS->GotoBookmark(DS->GetBookmark()); }),
            "Kunden: Datensatz nicht gefunden");
}

TEST_F(DataSetLifecycle, ActiveReadFromAFormOpensInLoaded) {
  OpenWithRows(2);
  DS->Close();
  DS->BeginReading();
  DS->SetActive(true);
  EXPECT_FALSE(DS->Active());
  DS->EndReading();
  DS->Loaded();
  EXPECT_TRUE(DS->Active());
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(DataSetLifecycle, OpenAndCloseEventsAndScrollOnOpen) {
  std::vector<std::string> L;
  DS->BeforeOpen = [&](TDataSet*) { L.push_back("BeforeOpen"); };
  DS->AfterOpen = [&](TDataSet*) { L.push_back("AfterOpen"); };
  DS->AfterScroll = [&](TDataSet*) { L.push_back("AfterScroll"); };
  DS->BeforeClose = [&](TDataSet* D) { L.push_back(D->Active() ? "BeforeClose" : "?"); };
  DS->AfterClose = [&](TDataSet* D) { L.push_back(D->Active() ? "?" : "AfterClose"); };
  DS->Open();
  DS->Close();
  EXPECT_EQ(L, (std::vector<std::string>{"BeforeOpen", "AfterOpen", "BeforeClose", "AfterClose"}));
}

TEST_F(DataSetLifecycle, DefaultFieldsComeAndGoWithTheOpenDataSet) {
  OpenWithRows(1);
  EXPECT_TRUE(DS->DefaultFields());
  EXPECT_EQ(DS->FieldCount(), 3);
  DS->Close();
  EXPECT_EQ(DS->FieldCount(), 0);
}

TEST_F(DataSetLifecycle, FieldValuesReadAndWriteSeveralFields) {
  OpenWithRows(2);
  Variant V = DS->FieldValues("ID;Name");
  EXPECT_EQ(V[0].AsInteger(), 1);
  EXPECT_EQ(V[1].AsString(), "Name1");
  DS->Edit();
  DS->SetFieldValues("Name;Amount", VarArrayOf({Variant("Neu"), Variant(2.0)}));
  DS->Post();
  EXPECT_EQ(F("Name")->AsString(), "Neu");
  EXPECT_DOUBLE_EQ(F("Amount")->AsFloat(), 2.0);
}

TEST_F(DataSetLifecycle, LinksAreAskedForPendingValuesBeforePost) {
  OpenWithRows(1);
  TDataSource Src(nullptr);
  Src.SetDataSet(DS);
  TRecordingLink Link;
  Link.SetDataSource(&Src);
  DS->Edit();
  Link.Calls.clear();
  DS->Post();
  EXPECT_EQ(Link.Calls.front(), "UpdateData");
  Link.SetDataSource(nullptr);
}

TEST_F(DataSetLifecycle, FindRecordOfTheBaseFindsNothing) {
  OpenWithRows(2);
  EXPECT_FALSE(DS->FindFirst());
  EXPECT_FALSE(DS->Found());
  EXPECT_EQ(DS->UpdateStatus(), usUnmodified);
}

class CountingCloseDataSet : public TVectorDataSet {
 public:
  using TVectorDataSet::TVectorDataSet;
  int Closes = 0;

 protected:
  void DoBeforeClose() override {
    ++Closes;
    TVectorDataSet::DoBeforeClose();
  }
};

TEST(DataSetSteps, DescendantsActAroundTheEventSteps) {
  TComponent Owner(nullptr);
  auto* D = new CountingCloseDataSet(&Owner);
  D->FieldDefs().Add("ID", ftInteger);
  int Events = 0;
  D->BeforeClose = [&](TDataSet*) { ++Events; };
  D->Open();
  D->Close();
  EXPECT_EQ(D->Closes, 1);
  EXPECT_EQ(Events, 1);
}

TEST_F(DataSetLifecycle, FieldNamesComeFromFieldsOrDefinitions) {
  TStringList Names;
  DS->GetFieldNames(&Names);
  EXPECT_EQ(Names.CommaText(), "ID,Name,Amount");
  OpenWithRows(1);
  DS->Edit();
  DS->ClearFields();
  EXPECT_TRUE(F("Name")->IsNull());
  EXPECT_TRUE(F("ID")->IsNull());
  DS->Cancel();
  EXPECT_THROW(DS->ClearFields(), EDatabaseError);
}
