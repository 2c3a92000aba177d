// Master/detail link of the in-memory table: the detail shows the records
// of the master's current record, takes the master's key on new records,
// and refuses links that lead back to itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "data/memtable/mtMemCSVStreamFormat.h"

namespace {

class MemTableMasterDetail : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = std::make_unique<TComponent>(nullptr);
    Orders = Make("Auftraege");
    Orders->FieldDefs().Add("ID", ftInteger, 0);
    Orders->Open();
    for (int I = 1; I <= 3; ++I) Orders->AppendRecord({Variant(I)});
    Positions = Make("Positionen");
    Positions->FieldDefs().Add("Auftrag", ftInteger, 0);
    Positions->FieldDefs().Add("Text", ftString, 20);
    Positions->Open();
    AddPosition(1, "a1");
    AddPosition(2, "b1");
    AddPosition(1, "a2");
    AddPosition(3, "c1");
    OrderSource = new TDataSource(Root.get());
    OrderSource->SetDataSet(Orders);
  }
  TmtMemTable* Make(const String& Name) {
    auto* T = new TmtMemTable(Root.get());
    T->SetName(Name);
    return T;
  }
  void AddPosition(int Order, const String& Text) {
    Positions->AppendRecord({Variant(Order), Variant(Text)});
  }
  // Links the positions to the orders over Auftrag = ID.
  void LinkByDetailFields() {
    Positions->SetMasterSource(OrderSource);
    Positions->SetMasterFields("ID");
    Positions->SetDetailFields("Auftrag");
  }
  void GoToOrder(int ID) { ASSERT_TRUE(Orders->Locate("ID", Variant(ID), {})); }
  std::vector<String> Texts() {
    std::vector<String> V;
    for (Positions->First(); !Positions->Eof(); Positions->Next())
      V.push_back(Positions->FieldByName("Text")->AsString());
    return V;
  }

  std::unique_ptr<TComponent> Root;
  TmtMemTable* Orders = nullptr;
  TmtMemTable* Positions = nullptr;
  TDataSource* OrderSource = nullptr;
};

TEST_F(MemTableMasterDetail, DetailShowsTheRecordsOfTheCurrentMaster) {
  LinkByDetailFields();
  GoToOrder(1);
  EXPECT_EQ(Texts(), (std::vector<String>{"a1", "a2"}));
  GoToOrder(3);
  EXPECT_EQ(Texts(), (std::vector<String>{"c1"}));
  EXPECT_EQ(Positions->RecordCount(), 1);
}

TEST_F(MemTableMasterDetail, LinkAppliesAtOnceToTheCurrentMaster) {
  GoToOrder(2);
  LinkByDetailFields();
  EXPECT_EQ(Texts(), (std::vector<String>{"b1"}));
}

TEST_F(MemTableMasterDetail, ADetailOpenedAfterItsMasterIsRestrictedAtOnce) {
  auto* Format = new TmtCSVStreamFormat(Root.get());
  TMemoryStream Saved;
  Positions->SaveToStreamWithFormat(&Saved, Format);
  Positions->Close();
  LinkByDetailFields();
  GoToOrder(3);
  Positions->Open();
  Saved.SetPosition(0);
  Positions->LoadFromStreamWithFormat(&Saved, Format);
  EXPECT_EQ(Texts(), (std::vector<String>{"c1"}));
}

TEST_F(MemTableMasterDetail, NewDetailRecordTakesTheMasterKey) {
  LinkByDetailFields();
  GoToOrder(2);
  Positions->Append();
  Positions->FieldByName("Text")->SetAsString("b2");
  Positions->Post();
  EXPECT_EQ(Texts(), (std::vector<String>{"b1", "b2"}));
  Positions->Last();
  EXPECT_EQ(Positions->FieldByName("Auftrag")->AsInteger(), 2);
}

TEST_F(MemTableMasterDetail, WithoutDetailFieldsTheIndexFieldsRestrict) {
  Positions->SetIndexFieldNames("Auftrag");
  Positions->SetMasterSource(OrderSource);
  Positions->SetMasterFields("ID");
  GoToOrder(1);
  EXPECT_EQ(Texts(), (std::vector<String>{"a1", "a2"}));
}

TEST_F(MemTableMasterDetail, WithNeitherDetailNorIndexFieldsAllRecordsShow) {
  Positions->SetMasterSource(OrderSource);
  Positions->SetMasterFields("ID");
  GoToOrder(1);
  EXPECT_EQ(Texts().size(), 4u);
}

TEST_F(MemTableMasterDetail, ClosingTheMasterLiftsTheRestriction) {
  LinkByDetailFields();
  GoToOrder(3);
  ASSERT_EQ(Texts().size(), 1u);
  Orders->Close();
  EXPECT_EQ(Texts().size(), 4u);
}

TEST_F(MemTableMasterDetail, RemovingTheMasterSourceShowsAll) {
  LinkByDetailFields();
  GoToOrder(2);
  Positions->SetMasterSource(nullptr);
  EXPECT_EQ(Texts().size(), 4u);
}

TEST_F(MemTableMasterDetail, PendingDetailEditIsPostedWhenTheMasterMoves) {
  LinkByDetailFields();
  GoToOrder(1);
  Positions->First();
  Positions->Edit();
  Positions->FieldByName("Text")->SetAsString("geändert");
  GoToOrder(2);
  EXPECT_EQ(Positions->State(), dsBrowse);
  GoToOrder(1);
  EXPECT_EQ(Texts(), (std::vector<String>{"geändert", "a2"}));
}

TEST_F(MemTableMasterDetail, SelfReferenceIsRefused) {
  auto* Own = new TDataSource(Root.get());
  Own->SetDataSet(Positions);
  try {
    Positions->SetMasterSource(Own);
    FAIL() << "no error";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.Message(), "Positionen: Selfreferencing master/detail relations not allowed.");
  }
  EXPECT_EQ(Positions->MasterSource(), nullptr);
}

TEST_F(MemTableMasterDetail, ChainLeadingBackIsRefusedAndTheOldSourceStays) {
  LinkByDetailFields();
  auto* PositionSource = new TDataSource(Root.get());
  PositionSource->SetDataSet(Positions);
  EXPECT_THROW(Orders->SetMasterSource(PositionSource), EMemTableError);
  EXPECT_EQ(Orders->MasterSource(), nullptr);
  EXPECT_EQ(Positions->MasterSource(), OrderSource);
}

TEST_F(MemTableMasterDetail, SavingIgnoresTheRestrictionWhenAsked) {
  LinkByDetailFields();
  GoToOrder(3);
  auto* Format = new TmtCSVStreamFormat(Root.get());
  Format->Set_sfDef({});
  auto Lines = [&] {
    TStringStream S;
    Positions->SaveToStreamWithFormat(&S, Format);
    String T = S.DataString();
    return std::count(T.begin(), T.end(), '\n');
  };
  EXPECT_EQ(Lines(), 5);  // header and all four records
  Format->Set_sfIgnoreMasterDetail({});
  EXPECT_EQ(Lines(), 2);
  EXPECT_EQ(Texts(), (std::vector<String>{"c1"}));
}

}  // namespace
