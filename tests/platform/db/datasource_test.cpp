// Data sources and data links: the window a grid sees, and the hooks.
#include "db_fixture.h"

class DataLinks : public DbTest {
 protected:
  void Attach(int Rows) {
    Src = new TDataSource(Owner.get());
    Src->SetDataSet(DS);
    Link.SetBufferCount(Rows);
    Link.SetDataSource(Src);
  }
  // The IDs of the link's records, as a grid draws them row by row.
  std::vector<int> VisibleIds() {
    std::vector<int> R;
    Integer Old = Link.ActiveRecord();
    for (Integer I = 0; I < Link.RecordCount(); ++I) {
      Link.SetActiveRecord(I);
      R.push_back(CurrentId());
    }
    Link.SetActiveRecord(Old);
    return R;
  }
  TDataSource* Src = nullptr;
  TRecordingLink Link;
};

TEST_F(DataLinks, LinkBecomesActiveWithTheDataSet) {
  Attach(5);
  EXPECT_FALSE(Link.Active());
  OpenWithRows(3);
  EXPECT_TRUE(Link.Active());
  EXPECT_EQ(Link.Calls.front(), "ActiveChanged");
  DS->Close();
  EXPECT_FALSE(Link.Active());
  EXPECT_EQ(Link.Calls.back(), "ActiveChanged");
}

TEST_F(DataLinks, BufferCountFiveShowsFiveRecordsAndMovesTheActiveRow) {
  Attach(5);
  OpenWithRows(12);
  EXPECT_EQ(DS->BufferCount(), 5);
  EXPECT_EQ(Link.RecordCount(), 5);
  EXPECT_EQ(VisibleIds(), (std::vector<int>{1, 2, 3, 4, 5}));
  for (int I = 0; I < 4; ++I) {
    EXPECT_EQ(Link.ActiveRecord(), I);
    DS->Next();
  }
  EXPECT_EQ(Link.ActiveRecord(), 4);
  EXPECT_EQ(Link.LastScroll, 0);
}

TEST_F(DataLinks, MovingPastTheWindowScrollsTheLink) {
  Attach(5);
  OpenWithRows(12);
  DS->MoveBy(4);
  Link.Calls.clear();
  DS->Next();
  EXPECT_EQ(Link.Calls, (std::vector<std::string>{"DataSetScrolled(1)"}));
  EXPECT_EQ(Link.ActiveRecord(), 4);
  EXPECT_EQ(VisibleIds(), (std::vector<int>{2, 3, 4, 5, 6}));
  DS->MoveBy(-4);
  EXPECT_EQ(Link.ActiveRecord(), 0);
  DS->Prior();
  EXPECT_EQ(Link.LastScroll, -1);
  EXPECT_EQ(VisibleIds(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(DataLinks, LastShowsTheLastWindowFull) {
  Attach(5);
  OpenWithRows(12);
  DS->Last();
  EXPECT_EQ(Link.ActiveRecord(), 4);
  EXPECT_EQ(VisibleIds(), (std::vector<int>{8, 9, 10, 11, 12}));
  EXPECT_EQ(Link.Calls.back(), "DataSetChanged");
}

TEST_F(DataLinks, FewerRecordsThanRowsFillsPartOfTheWindow) {
  Attach(5);
  OpenWithRows(3);
  EXPECT_EQ(Link.RecordCount(), 3);
  DS->Append();
  EXPECT_EQ(Link.RecordCount(), 4);
  EXPECT_EQ(Link.ActiveRecord(), 3);
  DS->Cancel();
  EXPECT_EQ(Link.RecordCount(), 3);
}

TEST_F(DataLinks, EditingChangesAreReportedAndFieldChangesTooWithTheField) {
  Attach(5);
  OpenWithRows(2);
  Link.Calls.clear();
  EXPECT_TRUE(Link.Edit());
  EXPECT_TRUE(Link.Editing());
  F("Name")->SetAsString("x");
  DS->Post();
  EXPECT_FALSE(Link.Editing());
  EXPECT_EQ(Link.Calls, (std::vector<std::string>{"EditingChanged", "RecordChanged",
                                                  "RecordChanged(Name)", "UpdateData",
                                                  "EditingChanged", "DataSetChanged"}));
}

TEST_F(DataLinks, ReadOnlyLinkDoesNotEdit) {
  Attach(1);
  OpenWithRows(1);
  Link.SetReadOnly(true);
  EXPECT_FALSE(Link.Edit());
  EXPECT_EQ(DS->State(), dsBrowse);
}

TEST_F(DataLinks, DisabledSourceDeactivatesLinksAndState) {
  Attach(1);
  OpenWithRows(1);
  Src->SetEnabled(false);
  EXPECT_FALSE(Link.Active());
  EXPECT_EQ(Src->State(), dsInactive);
  Src->SetEnabled(true);
  EXPECT_TRUE(Link.Active());
  EXPECT_EQ(Src->State(), dsBrowse);
}

TEST_F(DataLinks, SourceReportsStateChangesAndDataChanges) {
  Attach(1);
  std::vector<TDataSetState> States;
  int DataChanges = 0;
  Src->OnStateChange = [&](TObject*) { States.push_back(Src->State()); };
  Src->OnDataChange = [&](TObject*, TField*) { ++DataChanges; };
  OpenWithRows(2);
  EXPECT_EQ(States.front(), dsBrowse);
  States.clear();
  DS->Edit();
  DS->Cancel();
  EXPECT_EQ(States, (std::vector<TDataSetState>{dsEdit, dsBrowse}));
  DataChanges = 0;
  DS->Next();
  EXPECT_EQ(DataChanges, 1);
}

TEST_F(DataLinks, AutoEditOffKeepsTheSourceFromEditing) {
  Attach(1);
  OpenWithRows(1);
  Src->SetAutoEdit(false);
  Src->Edit();
  EXPECT_EQ(DS->State(), dsBrowse);
  Src->SetAutoEdit(true);
  Src->Edit();
  EXPECT_EQ(DS->State(), dsEdit);
}

TEST_F(DataLinks, DestroyingTheDataSetDeactivatesTheLink) {
  Attach(3);
  OpenWithRows(3);
  DS->Free();
  DS = nullptr;
  EXPECT_FALSE(Link.Active());
  EXPECT_EQ(Src->DataSet(), nullptr);
}

TEST_F(DataLinks, FieldDataLinkFollowsItsField) {
  Attach(1);
  TFieldDataLink FL;
  int Changes = 0;
  FL.OnDataChange = [&](TObject*) { ++Changes; };
  FL.SetFieldName("Name");
  FL.SetDataSource(Src);
  OpenWithRows(2);
  ASSERT_EQ(FL.Field(), F("Name"));
  Changes = 0;
  DS->Next();
  EXPECT_EQ(Changes, 1);
  EXPECT_TRUE(FL.CanModify());
  FL.SetDataSource(nullptr);
}

TEST_F(DataLinks, MasterLinkReportsMasterRecordChanges) {
  Attach(1);
  auto* Detail = new TVectorDataSet(Owner.get());
  Detail->FieldDefs().Add("ID", ftInteger);
  Detail->Open();
  TMasterDataLink M(Detail);
  std::vector<int> Seen;
  M.OnMasterChange = [&](TObject*) { Seen.push_back(M.Fields()[0]->AsInteger()); };
  M.SetFieldNames("ID");
  M.SetDataSource(Src);
  OpenWithRows(3);
  EXPECT_EQ(Seen.back(), 1);
  Seen.clear();
  DS->Next();
  DS->Next();
  EXPECT_EQ(Seen, (std::vector<int>{2, 3}));
  EXPECT_TRUE(M.IsLinkedTo(Detail));
  M.SetDataSource(nullptr);
}

TEST_F(DataLinks, LinkAttachedLaterSeesTheActiveRecordInItsWindow) {
  OpenWithRows(12);
  DS->MoveBy(7);
  Attach(5);
  EXPECT_EQ(DS->BufferCount(), 5);
  EXPECT_EQ(CurrentId(), 8);
  std::vector<int> Ids = VisibleIds();
  ASSERT_EQ(Ids.size(), 5u);
  EXPECT_EQ(Ids[static_cast<size_t>(Link.ActiveRecord())], 8);
}

TEST_F(DataLinks, SmallerBufferCountKeepsTheActiveRecord) {
  Attach(5);
  OpenWithRows(12);
  DS->MoveBy(4);
  Link.SetBufferCount(2);
  EXPECT_EQ(DS->BufferCount(), 2);
  EXPECT_EQ(CurrentId(), 5);
  EXPECT_EQ(Link.RecordCount(), 2);
  std::vector<int> Ids = VisibleIds();
  EXPECT_EQ(Ids[static_cast<size_t>(Link.ActiveRecord())], 5);
  DS->Next();
  EXPECT_EQ(CurrentId(), 6);
}

TEST_F(DataLinks, TwoLinksShareTheLargestWindow) {
  Attach(3);
  TRecordingLink Big;
  Big.SetBufferCount(6);
  Big.SetDataSource(Src);
  OpenWithRows(10);
  EXPECT_EQ(DS->BufferCount(), 6);
  EXPECT_EQ(Link.RecordCount(), 3);
  EXPECT_EQ(Big.RecordCount(), 6);
  DS->MoveBy(5);
  EXPECT_EQ(Big.ActiveRecord(), 5);
  EXPECT_EQ(Link.ActiveRecord(), 2);
  Big.SetDataSource(nullptr);
  EXPECT_EQ(DS->BufferCount(), 3);
  EXPECT_EQ(CurrentId(), 6);
}

class TDetailDataSet : public TVectorDataSet {
 public:
  using TVectorDataSet::TVectorDataSet;
  TDataSource* Master = nullptr;
  TDataSource* GetDataSource() const override { return Master; }
};

TEST_F(DataLinks, SourceRefusesADataSetWhoseMasterIsTheSourceItself) {
  Attach(1);
  auto* Detail = new TDetailDataSet(Owner.get());
  Detail->Master = Src;
  EXPECT_EQ(ErrorText([&] { Src->SetDataSet(Detail); }),
            "Zirkuläre Datenverknüpfungen sind nicht erlaubt");
  EXPECT_EQ(Src->DataSet(), DS);
  auto* Src2 = new TDataSource(Owner.get());
  Src2->SetDataSet(Detail);
  EXPECT_TRUE(Src2->IsLinkedTo(DS));
  EXPECT_FALSE(Src->IsLinkedTo(Detail));
}

TEST_F(DataLinks, InsertInAFullWindowPushesTheLastRowOutUntilPostOrCancel) {
  Attach(3);
  OpenWithRows(10);
  DS->Next();
  DS->Insert();
  EXPECT_EQ(Link.RecordCount(), 3);
  EXPECT_EQ(Link.ActiveRecord(), 1);
  EXPECT_EQ(VisibleIds(), (std::vector<int>{1, 0, 2}));
  F("ID")->SetAsInteger(50);
  DS->Post();
  EXPECT_EQ(VisibleIds(), (std::vector<int>{1, 50, 2}));
  DS->Insert();
  DS->Cancel();
  EXPECT_EQ(VisibleIds(), (std::vector<int>{1, 50, 2}));
  EXPECT_EQ(CurrentId(), 50);
}
