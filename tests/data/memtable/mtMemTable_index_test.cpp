// Indexes of the in-memory table: order and compare options, uniqueness,
// upkeep on changes, the locale and searching with Locate and Lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "data/memtable/mtMemTable.h"
#include "platform/rtl/charset.h"

namespace {

class MemTableIndex : public ::testing::Test {
 protected:
  void SetUp() override {
    Table = std::make_unique<TmtMemTable>(nullptr);
    Table->FieldDefs().Add("Name", ftString, 30);
    Table->FieldDefs().Add("City", ftString, 30);
    Table->FieldDefs().Add("ID", ftInteger);
    Table->FieldDefs().Add("Amount", ftFloat);
  }

  void Open() { Table->Open(); }
  // Appends a row; an Id of -1 leaves the id null.
  void AddRow(const String& Name, Integer Id, const String& City = "Bonn", double Amount = 0) {
    Table->Append();
    Table->FieldByName("Name")->SetAsString(Name);
    Table->FieldByName("City")->SetAsString(City);
    if (Id != -1) Table->FieldByName("ID")->SetAsInteger(Id);
    Table->FieldByName("Amount")->SetAsFloat(Amount);
    Table->Post();
  }
  String Name() const { return Table->FieldByName("Name")->AsString(); }
  std::vector<String> Names() {
    std::vector<String> R;
    for (Table->First(); !Table->Eof(); Table->Next()) R.push_back(Name());
    return R;
  }
  std::vector<Integer> Ids() {
    std::vector<Integer> R;
    for (Table->First(); !Table->Eof(); Table->Next())
      R.push_back(Table->FieldByName("ID")->IsNull() ? -1 : Table->FieldByName("ID")->AsInteger());
    return R;
  }
  // Adds an index and makes it current.
  void OrderBy(const String& Fields, TIndexOptions Options = {}) {
    Table->AddIndex("ix" + std::to_string(++IndexCount), Fields, Options);
    Table->SetIndexName("ix" + std::to_string(IndexCount));
  }

  std::unique_ptr<TmtMemTable> Table;
  int IndexCount = 0;
};

// ---- Order -------------------------------------------------------------------

TEST_F(MemTableIndex, RowOrderIndexAlwaysExistsAndComesFirst) {
  Open();
  EXPECT_EQ(String("__MT__ROWORDER"), Table->Indexes().Items(0)->Name());
  EXPECT_TRUE(Table->CurrentIndex()->IsRowOrder());
}

TEST_F(MemTableIndex, IntegerIndexOrdersAscendingWithNullsFirst) {
  Open();
  AddRow("c", 30);
  AddRow("a", 10);
  AddRow("n", -1);
  AddRow("b", 20);
  OrderBy("ID");
  EXPECT_EQ((std::vector<Integer>{-1, 10, 20, 30}), Ids());
}

TEST_F(MemTableIndex, DescendingLetterInvertsTheOrderAndTheNulls) {
  Open();
  AddRow("c", 30);
  AddRow("n", -1);
  AddRow("a", 10);
  OrderBy("ID:D");
  EXPECT_EQ((std::vector<Integer>{30, 10, -1}), Ids());
}

TEST_F(MemTableIndex, StringsSortWithTheGermanCollation) {
  Open();
  AddRow("Zander", 1);
  AddRow("Äpfel", 2);
  AddRow("apfel", 3);
  AddRow("Birne", 4);
  OrderBy("Name");
  EXPECT_EQ((std::vector<String>{"apfel", "Äpfel", "Birne", "Zander"}), Names());
}

TEST_F(MemTableIndex, IgnoreLocaleComparesBytes) {
  Open();
  AddRow("b", 1);
  AddRow("Z", 2);
  AddRow("a", 3);
  OrderBy("Name:L");
  EXPECT_EQ((std::vector<String>{"Z", "a", "b"}), Names());
}

TEST_F(MemTableIndex, SecondKeyFieldBreaksTiesOfTheFirst) {
  Open();
  AddRow("x", 2, "Köln");
  AddRow("y", 1, "Bonn");
  AddRow("z", 1, "Aachen");
  OrderBy("ID;City");
  EXPECT_EQ((std::vector<String>{"z", "y", "x"}), Names());
}

TEST_F(MemTableIndex, EqualKeysKeepInsertionOrder) {
  Open();
  AddRow("first", 5);
  AddRow("second", 5);
  AddRow("third", 5);
  AddRow("early", 1);
  OrderBy("ID");
  EXPECT_EQ((std::vector<String>{"early", "first", "second", "third"}), Names());
}

TEST_F(MemTableIndex, IndexFieldNamesMakeACurrentIndex) {
  Open();
  AddRow("b", 2);
  AddRow("a", 1);
  Table->SetIndexFieldNames("Name");
  EXPECT_EQ((std::vector<String>{"a", "b"}), Names());
  EXPECT_TRUE(Table->FieldByName("Name")->IsIndexField());
  Table->SetIndexFieldNames("");
  EXPECT_EQ((std::vector<String>{"b", "a"}), Names());
}

TEST_F(MemTableIndex, SortOnOrdersByTheGivenFields) {
  Open();
  AddRow("a", 2);
  AddRow("b", 1);
  Table->SortOn("ID", {});
  EXPECT_EQ((std::vector<String>{"b", "a"}), Names());
}

TEST_F(MemTableIndex, LargeTablesSortAcrossListBlocks) {
  Open();
  Table->DisableControls();
  for (Integer I = 0; I < 2500; ++I) AddRow("n", (I * 7919) % 2500);
  Table->EnableControls();
  OrderBy("ID");
  std::vector<Integer> Got = Ids();
  ASSERT_EQ(2500u, Got.size());
  for (Integer I = 0; I < 2500; ++I) ASSERT_EQ(I, Got[static_cast<size_t>(I)]);
}

// The sort compares collation sort keys made once per record; the order
// must be the one the pairwise comparison gives: German collation, case
// ignored, ties by the second field descending.
TEST_F(MemTableIndex, SortByKeysGivesTheCollationOrder) {
  Open();
  const std::vector<String> Pieces = {"a", "A", "ä", "Ö", "o", "ß", "ss", "-", "z", "1", " "};
  std::vector<std::pair<String, Integer>> Rows;
  unsigned Seed = 5;
  auto Next = [&Seed] { return (Seed = Seed * 1103515245u + 12345u) >> 16; };
  Table->DisableControls();
  for (Integer I = 0; I < 600; ++I) {
    String Name = "x";
    for (unsigned N = Next() % 4; N > 0; --N) Name += Pieces[Next() % Pieces.size()];
    AddRow(Name, I);
    Rows.emplace_back(Name, I);
  }
  Table->EnableControls();
  std::sort(Rows.begin(), Rows.end(), [](const auto& A, const auto& B) {
    const Integer R = LocaleCompare(NORM_IGNORECASE, A.first, B.first);
    return R != CSTR_EQUAL ? R == CSTR_LESS_THAN : A.second > B.second;
  });
  Table->SortOn("Name:C;ID:D", {});
  std::vector<Integer> Expected;
  for (const auto& R : Rows) Expected.push_back(R.second);
  EXPECT_EQ(Expected, Ids());
}

// ---- Upkeep --------------------------------------------------------------------

TEST_F(MemTableIndex, PostedRowsGoToTheirKeyPosition) {
  Open();
  OrderBy("ID");
  AddRow("c", 3);
  AddRow("a", 1);
  AddRow("b", 2);
  EXPECT_EQ((std::vector<String>{"a", "b", "c"}), Names());
  EXPECT_EQ(3, Table->RecordCount());
}

TEST_F(MemTableIndex, EditedKeyMovesTheRow) {
  Open();
  OrderBy("ID");
  AddRow("a", 1);
  AddRow("b", 2);
  Table->First();
  Table->Edit();
  Table->FieldByName("ID")->SetAsInteger(9);
  Table->Post();
  EXPECT_EQ("a", Name());
  EXPECT_EQ((std::vector<String>{"b", "a"}), Names());
}

TEST_F(MemTableIndex, DeletedRowLeavesEveryIndex) {
  Open();
  Table->AddIndex("byId", "ID", {});
  AddRow("a", 1);
  AddRow("b", 2);
  Table->First();
  Table->Delete();
  EXPECT_EQ(1, Table->Indexes().Find("byId")->Count());
  EXPECT_EQ(1, Table->Indexes().RowOrder()->Count());
}

// ---- Uniqueness ----------------------------------------------------------------

TEST_F(MemTableIndex, UniqueIndexRefusesADuplicatePost) {
  Open();
  Table->AddIndex("uq", "ID", TIndexOptions{ixUnique});
  AddRow("a", 1);
  Table->Append();
  Table->FieldByName("ID")->SetAsInteger(1);
  try {
    Table->Post();
    FAIL() << "duplicate posted";
  } catch (const EMemTableDupKey& E) {
    EXPECT_EQ(String("Duplicate index value. Operation aborted."), E.Message());
  }
  Table->Cancel();
  EXPECT_EQ(1, Table->RecordCount());
}

TEST_F(MemTableIndex, EditingARowKeepsItsOwnUniqueKey) {
  Open();
  Table->AddIndex("uq", "ID", TIndexOptions{ixUnique});
  AddRow("a", 1);
  Table->Edit();
  Table->FieldByName("Name")->SetAsString("b");
  EXPECT_NO_THROW(Table->Post());
}

TEST_F(MemTableIndex, UniqueIndexOverDuplicatesRefusesTheRebuild) {
  Open();
  AddRow("a", 1);
  AddRow("b", 1);
  EXPECT_THROW(Table->AddIndex("uq", "ID", TIndexOptions{ixUnique}), EMemTableDupKey);
  EXPECT_EQ(-1, Table->IndexDefs().IndexOf("uq"));
  EXPECT_EQ(nullptr, Table->Indexes().Find("uq"));
}

TEST_F(MemTableIndex, IndexDefinitionNeedsNameAndFields) {
  Open();
  try {
    Table->AddIndex("", "ID", {});
    FAIL();
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Missing Name or FieldNames in IndexDef!"), E.Message());
  }
}

TEST_F(MemTableIndex, UnknownAndBinaryFieldsCannotBeIndexed) {
  Table->FieldDefs().Add("Note", ftMemo);
  Open();
  EXPECT_THROW(Table->AddIndex("x", "Nope", {}), EDatabaseError);
  try {
    Table->AddIndex("y", "Note", {});
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(String("Can't index on field Note"), E.Message());
  }
}

TEST_F(MemTableIndex, IndexDefsBuildIndexesWhenTheTableOpens) {
  Table->IndexDefs().Add("byName", "Name", {});
  Table->SetIndexName("byName");
  Open();
  AddRow("b", 1);
  AddRow("a", 2);
  EXPECT_EQ((std::vector<String>{"a", "b"}), Names());
}

TEST_F(MemTableIndex, UpdateIndexesDropsIndexesWithoutDefinition) {
  Open();
  OrderBy("ID");
  Table->IndexDefs().Clear();
  Table->UpdateIndexes();
  EXPECT_EQ(1, Table->Indexes().Count());
  EXPECT_TRUE(Table->CurrentIndex()->IsRowOrder());
}

// ---- Locale ------------------------------------------------------------------------

TEST_F(MemTableIndex, LocaleIdIsComposedFromItsParts) {
  EXPECT_EQ(1024, Table->LocaleID());
  Table->SetLanguageID(7);
  EXPECT_EQ(1024 + 7, Table->LocaleID());
  Table->SetSortID(1);
  EXPECT_EQ(65536 + 1024 + 7, Table->LocaleID());
  Table->SetLocaleID(0x0407);
  EXPECT_EQ(7, Table->LanguageID());
  EXPECT_EQ(1, Table->SubLanguageID());
  EXPECT_EQ(0, Table->SortID());
}

TEST_F(MemTableIndex, InvalidLocaleFailsAtTheFirstStringComparison) {
  Table->SetLocaleID(0xFFFFF);
  Open();
  AddRow("a", 1);
  AddRow("b", 2);
  try {
    OrderBy("Name");
    FAIL() << "sorted with an invalid locale";
  } catch (const EMemTableInvalidLocale& E) {
    EXPECT_EQ(String("Invalid locale."), E.Message());
  }
  EXPECT_NO_THROW(OrderBy("ID"));
}

// ---- Locate and Lookup -------------------------------------------------------------

TEST_F(MemTableIndex, LocateFindsARowRecordByRecord) {
  Open();
  AddRow("Meier", 1);
  AddRow("Müller", 2);
  EXPECT_TRUE(Table->Locate("Name", Variant("Müller"), {}));
  EXPECT_EQ(2, Table->FieldByName("ID")->AsInteger());
  EXPECT_FALSE(Table->Locate("Name", Variant("Schulz"), {}));
  EXPECT_EQ("Müller", Name());
}

TEST_F(MemTableIndex, PartialKeyFindsAValueThatBeginsWithTheKey) {
  Open();
  AddRow("Bonn", 1);
  AddRow("Mannheim", 2);
  EXPECT_TRUE(Table->Locate("Name", Variant("Ma"), TLocateOptions{loPartialKey}));
  EXPECT_EQ("Mannheim", Name());
  EXPECT_FALSE(Table->Locate("Name", Variant("Ma"), {}));
}

TEST_F(MemTableIndex, PartialKeyLetterInTheFieldListWorksLikeTheOption) {
  Open();
  AddRow("Bonn", 1);
  AddRow("Mannheim", 2);
  EXPECT_TRUE(Table->Locate("Name:P", Variant("Ma"), {}));
  EXPECT_EQ("Mannheim", Name());
}

TEST_F(MemTableIndex, IndexedSearchFollowsADescendingIndex) {
  Open();
  Table->DisableControls();
  for (Integer I = 0; I < 50; ++I) AddRow("n" + std::to_string(I), I % 25);
  Table->EnableControls();
  OrderBy("ID:D");
  // Equal keys of a descending index stand newest first.
  EXPECT_TRUE(Table->Locate("ID", Variant(Integer(3)), {}));
  EXPECT_EQ("n28", Name());
  Table->Next();
  EXPECT_EQ("n3", Name());
  EXPECT_FALSE(Table->Locate("ID", Variant(Integer(99)), {}));
}

TEST_F(MemTableIndex, CaseInsensitiveLocateIgnoresCase) {
  Open();
  AddRow("Köln", 1);
  EXPECT_FALSE(Table->Locate("Name", Variant("KÖLN"), {}));
  EXPECT_TRUE(Table->Locate("Name", Variant("KÖLN"), TLocateOptions{loCaseInsensitive}));
}

TEST_F(MemTableIndex, LocateOverSeveralFieldsTakesAnArray) {
  Open();
  AddRow("a", 1, "Bonn");
  AddRow("a", 2, "Köln");
  EXPECT_TRUE(Table->Locate("Name;City", VarArrayOf({Variant("a"), Variant("Köln")}), {}));
  EXPECT_EQ(2, Table->FieldByName("ID")->AsInteger());
  try {
    Table->Locate("Name;City", Variant("a"), {});
    FAIL();
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("More fields than values"), E.Message());
  }
}

TEST_F(MemTableIndex, LocateUsesAServingIndexOnLargeTables) {
  Open();
  Table->DisableControls();
  for (Integer I = 0; I < 100; ++I) AddRow("n" + std::to_string(I), 100 - I);
  Table->EnableControls();
  OrderBy("ID");
  EXPECT_TRUE(Table->Locate("ID", Variant(Integer(37)), {}));
  EXPECT_EQ("n63", Name());
  EXPECT_EQ(37, Table->RecNo());
}

TEST_F(MemTableIndex, AutoAddIndexesAddsAnIndexForTheSearch) {
  Open();
  Table->SetAutoAddIndexes(true);
  for (Integer I = 0; I < 30; ++I) AddRow("n" + std::to_string(I), I);
  EXPECT_TRUE(Table->Locate("Name", Variant("n17"), {}));
  EXPECT_EQ(17, Table->FieldByName("ID")->AsInteger());
  EXPECT_NE(nullptr, Table->Indexes().Find("__MT__AUTO_Name"));
  EXPECT_TRUE(Table->CurrentIndex()->IsRowOrder());
}

TEST_F(MemTableIndex, LookupReturnsValuesWithoutMoving) {
  Open();
  AddRow("a", 1, "Bonn");
  AddRow("b", 2, "Köln");
  Table->First();
  EXPECT_EQ("Köln", Table->Lookup("ID", Variant(Integer(2)), "City").AsString());
  EXPECT_EQ("a", Name());
  EXPECT_TRUE(VarIsNull(Table->Lookup("ID", Variant(Integer(9)), "City")));
}

// ---- Ranges -----------------------------------------------------------------------

TEST_F(MemTableIndex, RangeShowsTheRowsBetweenItsBounds) {
  Open();
  for (Integer I = 1; I <= 6; ++I) AddRow("n" + std::to_string(I), I);
  OrderBy("ID");
  Table->SetRange({Variant(Integer(2))}, {Variant(Integer(4))});
  EXPECT_EQ((std::vector<Integer>{2, 3, 4}), Ids());
  EXPECT_EQ(3, Table->RecordCount());
  Table->CancelRange();
  EXPECT_EQ(6, Table->RecordCount());
}

TEST_F(MemTableIndex, NullBoundMatchesAnythingWhileIgnored) {
  Open();
  for (Integer I = 1; I <= 4; ++I) AddRow("n", I);
  OrderBy("ID");
  Table->SetRange({Null()}, {Variant(Integer(2))});
  EXPECT_EQ((std::vector<Integer>{1, 2}), Ids());
  Table->SetRangeIgnoreNullKeyValues(false);
  Table->SetRange({Null()}, {Variant(Integer(2))});
  EXPECT_EQ((std::vector<Integer>{1, 2}), Ids());
  Table->SetRange({Variant(Integer(3))}, {Null()});
  EXPECT_EQ((std::vector<Integer>{}), Ids());
}

TEST_F(MemTableIndex, ChangingTheIndexEndsTheRange) {
  Open();
  AddRow("a", 1);
  AddRow("b", 2);
  OrderBy("ID");
  Table->SetRange({Variant(Integer(2))}, {Variant(Integer(2))});
  Table->SetIndexName("");
  EXPECT_FALSE(Table->RangeActive());
  EXPECT_EQ(2, Table->RecordCount());
}

// ---- Filtering ---------------------------------------------------------------------

TEST_F(MemTableIndex, FilterEventHidesRowsOnlyWhileFiltered) {
  Open();
  AddRow("a", 1);
  AddRow("b", 2);
  AddRow("c", 3);
  Table->SetOnFilterRecord([](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("ID")->AsInteger() != 2;
  });
  EXPECT_EQ(3, Table->RecordCount());
  Table->SetFiltered(true);
  EXPECT_EQ((std::vector<String>{"a", "c"}), Names());
  EXPECT_EQ(2, Table->RecordCount());
  EXPECT_FALSE(Table->IsSequenced());
  EXPECT_FALSE(Table->Locate("ID", Variant(Integer(2)), {}));
  Table->Last();
  EXPECT_EQ(2, Table->RecNo());
  Table->SetRecNo(1);
  EXPECT_EQ("a", Name());
  Table->SetFiltered(false);
  EXPECT_EQ(3, Table->RecordCount());
}

TEST_F(MemTableIndex, FilteredWithoutAHandlerHidesNothing) {
  Open();
  AddRow("a", 1);
  Table->SetFilter("ID = 2");
  Table->SetFiltered(true);
  EXPECT_EQ(1, Table->RecordCount());
}

}  // namespace
