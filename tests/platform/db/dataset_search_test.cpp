// Bookmarks, filters, Locate/Lookup, calculated and lookup fields.
#include "db_fixture.h"

using DataSetBookmarks = DbTest;

TEST_F(DataSetBookmarks, GotoBookmarkReturnsToTheMarkedRecord) {
  OpenWithRows(10);
  DS->MoveBy(6);
  TBookmark B = DS->GetBookmark();
  EXPECT_EQ(B.size(), 4u);
  DS->First();
  DS->GotoBookmark(B);
  EXPECT_EQ(CurrentId(), 7);
  DS->FreeBookmark(B);
  EXPECT_TRUE(B.empty());
}

TEST_F(DataSetBookmarks, BookmarkSurvivesInsertsAndDeletesOfOtherRecords) {
  OpenWithRows(5);
  DS->MoveBy(3);
  TBookmark B = DS->GetBookmark();
  DS->First();
  DS->InsertRecord({Variant(100)});
  DS->Last();
  DS->Delete();
  DS->First();
  DS->Delete();
  EXPECT_TRUE(DS->BookmarkValid(B));
  DS->GotoBookmark(B);
  EXPECT_EQ(CurrentId(), 4);
}

TEST_F(DataSetBookmarks, BookmarkOfADeletedRecordIsInvalidAndGotoRaises) {
  OpenWithRows(3);
  DS->Next();
  TBookmark B = DS->GetBookmark();
  DS->Delete();
  EXPECT_FALSE(DS->BookmarkValid(B));
  EXPECT_THROW(DS->GotoBookmark(B), EDatabaseError);
}

TEST_F(DataSetBookmarks, CompareBookmarksOrdersByPosition) {
  OpenWithRows(4);
  TBookmark A = DS->GetBookmark();
  DS->Last();
  TBookmark Z = DS->GetBookmark();
  EXPECT_EQ(DS->CompareBookmarks(A, Z), -1);
  EXPECT_EQ(DS->CompareBookmarks(Z, A), 1);
  EXPECT_EQ(DS->CompareBookmarks(A, A), 0);
  EXPECT_EQ(DS->CompareBookmarks(TBookmark(), A), -1);
}

TEST_F(DataSetBookmarks, NoBookmarkWhileInsertingOrEmpty) {
  OpenWithRows(0);
  EXPECT_TRUE(DS->GetBookmark().empty());
  DS->Append();
  EXPECT_TRUE(DS->GetBookmark().empty());
}

using DataSetFilters = DbTest;

TEST_F(DataSetFilters, OnFilterRecordHidesRecordsWhileFiltered) {
  OpenWithRows(6);
  DS->SetOnFilterRecord([this](TDataSet*, bool& Accept) { Accept = CurrentId() % 2 == 0; });
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  DS->SetFiltered(true);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(AllIds(), (std::vector<int>{2, 4, 6}));
  DS->SetFiltered(false);
  EXPECT_EQ(AllIds().size(), 6u);
}

TEST_F(DataSetFilters, FilterThatRefusesEverythingLeavesAnEmptyView) {
  OpenWithRows(3);
  DS->SetOnFilterRecord([](TDataSet*, bool& Accept) { Accept = false; });
  DS->SetFiltered(true);
  EXPECT_TRUE(DS->Eof());
  EXPECT_TRUE(DS->IsEmpty());
}

TEST_F(DataSetFilters, HandlerRunsInFilterState) {
  OpenWithRows(2);
  std::vector<TDataSetState> States;
  DS->SetOnFilterRecord([&](TDataSet* D, bool&) { States.push_back(D->State()); });
  DS->SetFiltered(true);
  ASSERT_FALSE(States.empty());
  EXPECT_EQ(States[0], dsFilter);
  EXPECT_EQ(DS->State(), dsBrowse);
}

using DataSetLocate = DbTest;

TEST_F(DataSetLocate, LocateFindsByOneField) {
  OpenWithRows(8);
  EXPECT_TRUE(DS->Locate("ID", Variant(6), {}));
  EXPECT_EQ(F("Name")->AsString(), "Name6");
  EXPECT_FALSE(DS->Locate("ID", Variant(60), {}));
  EXPECT_EQ(CurrentId(), 6);
}

TEST_F(DataSetLocate, LocateWithOptionsMatchesCaseAndPrefix) {
  OpenWithRows(3);
  AppendRow(4, "Müller", 1);
  DS->First();
  EXPECT_FALSE(DS->Locate("Name", Variant("müller"), {}));
  EXPECT_TRUE(DS->Locate("Name", Variant("MÜLLER"), TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(CurrentId(), 4);
  DS->First();
  EXPECT_TRUE(DS->Locate("Name", Variant("mü"), TLocateOptions{loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(CurrentId(), 4);
  EXPECT_FALSE(DS->Locate("Name", Variant("Mü"), {}));
}

TEST_F(DataSetLocate, LocateOnSeveralFieldsTakesAnArray) {
  OpenWithRows(5);
  AppendRow(3, "Dritter", 0);
  EXPECT_TRUE(DS->Locate("ID;Name", VarArrayOf({Variant(3), Variant("Dritter")}), {}));
  EXPECT_EQ(DS->RecNo(), 6);
}

TEST_F(DataSetLocate, LocateForNullFindsTheNullRecord) {
  OpenWithRows(3);
  DS->AppendRecord({Variant(4), Null(), Variant(1.0)});
  DS->First();
  EXPECT_TRUE(DS->Locate("Name", Null(), {}));
  EXPECT_EQ(CurrentId(), 4);
}

TEST_F(DataSetLocate, LookupReturnsValuesWithoutMoving) {
  OpenWithRows(5);
  DS->Next();
  Variant V = DS->Lookup("ID", Variant(4), "Name;Amount");
  ASSERT_TRUE(V.IsArray());
  EXPECT_EQ(V[0].AsString(), "Name4");
  EXPECT_DOUBLE_EQ(V[1].AsDouble(), 6.0);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_TRUE(VarIsNull(DS->Lookup("ID", Variant(40), "Name")));
  DS->Next();
  EXPECT_EQ(CurrentId(), 3);
}

TEST_F(DataSetLocate, LocateWithUnknownFieldNamesTheField) {
  OpenWithRows(1);
  EXPECT_EQ(ErrorText([&] { DS->Locate("Kundennummer", Variant(1), {}); }),
            "Kunden: Feld 'Kundennummer' nicht gefunden");
}

class DataSetCalculated : public DbTest {
 protected:
  // Persistent fields: the three data fields, a calculated "Double" and a
  // lookup "Land" into a second table of countries by ID.
  void MakeFields() {
    auto* Id = new TIntegerField(Owner.get());
    Id->SetFieldName("ID");
    Id->SetDataSet(DS);
    auto* Name = new TStringField(Owner.get());
    Name->SetFieldName("Name");
    Name->SetDataSet(DS);
    auto* Amount = new TFloatField(Owner.get());
    Amount->SetFieldName("Amount");
    Amount->SetDataSet(DS);
    auto* Dbl = new TFloatField(Owner.get());
    Dbl->SetFieldName("Double");
    Dbl->SetFieldKind(fkCalculated);
    Dbl->SetDataSet(DS);
    DS->OnCalcFields = [this](TDataSet*) {
      ++CalcCount;
      if (!F("Amount")->IsNull()) F("Double")->SetAsFloat(F("Amount")->AsFloat() * 2);
    };
  }
  void MakeLookup() {
    Countries = new TVectorDataSet(Owner.get());
    Countries->FieldDefs().Add("ID", ftInteger);
    Countries->FieldDefs().Add("Land", ftString, 30);
    Countries->Open();
    Countries->AppendRecord({Variant(1), Variant("Deutschland")});
    Countries->AppendRecord({Variant(2), Variant("Österreich")});
    auto* L = new TStringField(Owner.get());
    L->SetFieldName("Land");
    L->SetSize(30);
    L->SetFieldKind(fkLookup);
    L->SetLookupDataSet(Countries);
    L->SetKeyFields("ID");
    L->SetLookupKeyFields("ID");
    L->SetLookupResultField("Land");
    L->SetDataSet(DS);
  }
  TVectorDataSet* Countries = nullptr;
  int CalcCount = 0;
};

TEST_F(DataSetCalculated, CalculatedFieldFollowsEachRecord) {
  MakeFields();
  OpenWithRows(3);
  EXPECT_DOUBLE_EQ(F("Double")->AsFloat(), 3.0);
  DS->Next();
  EXPECT_DOUBLE_EQ(F("Double")->AsFloat(), 6.0);
  EXPECT_EQ(F("Double")->FieldNo(), -1);
}

TEST_F(DataSetCalculated, EditingADataFieldRecalculates) {
  MakeFields();
  OpenWithRows(1);
  DS->Edit();
  F("Amount")->SetAsFloat(10);
  EXPECT_DOUBLE_EQ(F("Double")->AsFloat(), 20.0);
  DS->Cancel();
  EXPECT_DOUBLE_EQ(F("Double")->AsFloat(), 3.0);
}

TEST_F(DataSetCalculated, CalculatedFieldCannotBeWrittenOutsideCalculation) {
  MakeFields();
  OpenWithRows(1);
  DS->Edit();
  EXPECT_THROW(F("Double")->SetAsFloat(1), EDatabaseError);
}

TEST_F(DataSetCalculated, LookupFieldShowsTheOtherTablesValue) {
  MakeFields();
  MakeLookup();
  OpenWithRows(3);
  EXPECT_EQ(F("Land")->AsString(), "Deutschland");
  DS->Next();
  EXPECT_EQ(F("Land")->AsString(), "Österreich");
  DS->Next();
  EXPECT_TRUE(F("Land")->IsNull());
}

TEST_F(DataSetCalculated, PersistentFieldOfAMissingColumnRefusesTheOpen) {
  auto* X = new TStringField(Owner.get());
  X->SetFieldName("Gibtsnicht");
  X->SetDataSet(DS);
  EXPECT_THROW(DS->Open(), EDatabaseError);
  EXPECT_FALSE(DS->Active());
}

TEST_F(DataSetCalculated, LookupFieldForgetsADestroyedLookupTable) {
  MakeFields();
  MakeLookup();
  TField* L = DS->FindField("Land");
  Countries->Free();
  EXPECT_EQ(L->LookupDataSet(), nullptr);
  OpenWithRows(1);
  EXPECT_TRUE(L->IsNull());
}
