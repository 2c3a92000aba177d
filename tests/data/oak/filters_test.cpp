// Restricting and searching rows in the engine: Filter texts (prefix
// literals, CONTAINS, optimised or plain filters), record search, key
// scopes, ranges, key entry, Locate and Lookup (by index and by filter),
// the key-values expression, and the master-detail link.
#include "data/oak/oakdata_filter.h"
#include <map>

#include "oak_fixture.h"

namespace {

class FiltersTest : public OakTest {
 protected:
  // Five addresses; tag NNAME on the name, none on the town.
  void GivenAddresses() {
    CreateTable("ADRESSEN", "ID,Integer;NNAME,Character,20;ORT,Character,20;AKTIV,Logical");
    const char* Rows[][3] = {{"1", "Smith", "Berlin"}, {"2", "Miller", "Bonn"},
                             {"3", "Milton", "Berlin"}, {"4", "Adams", "Aachen"},
                             {"5", "Mayer", "Koeln"}};
    for (auto& R : Rows)
      AddRow("ADRESSEN", {{"ID", R[0]}, {"NNAME", R[1]}, {"ORT", R[2]}, {"AKTIV", "T"}});
    CreateIndex("ADRESSEN", "NNAME", "NNAME");
    CreateIndex("ADRESSEN", "ID", "ID");
  }
  TOakTable* Addresses(const std::string& Index = "") { return OpenTable("ADRESSEN", Index); }
  static void FilterBy(TOakTable* T, const std::string& Text) {
    T->SetFilter(Text);
    T->SetFiltered(true);
  }
  static std::vector<std::string> Names(TOakTable* T) { return Column(T, "NNAME"); }
  static std::string Message(const EOAKDatabaseError& E) { return E.Message(); }
};

using Strings = std::vector<std::string>;

// ---- Filter texts -------------------------------------------------------------------

TEST_F(FiltersTest, LiteralEndingInAsteriskMatchesAsPrefix) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  FilterBy(T, "NNAME = 'Mil*'");
  EXPECT_EQ((Strings{"Miller", "Milton"}), Names(T));
}

TEST_F(FiltersTest, PrefixLiteralIsSentWithoutAsteriskAndInexact) {
  GivenAddresses();
  TOakTable* T = Addresses();
  bool Exact = true;
  EXPECT_EQ("NNAME = 'Mil'", T->ConvertFilterText("NNAME = 'Mil*'", Exact));
  EXPECT_FALSE(Exact);
  EXPECT_EQ("NNAME = \"Mil\"", T->ConvertFilterText("NNAME = \"Mil*\"", Exact));
}

TEST_F(FiltersTest, AsteriskInsideContainsOrAloneIsLeftAlone) {
  GivenAddresses();
  TOakTable* T = Addresses();
  bool Exact = false;
  EXPECT_EQ("contains (NNAME, 'a*') AND ORT = '*'",
            T->ConvertFilterText("contains (NNAME, 'a*') AND ORT = '*'", Exact));
  EXPECT_TRUE(Exact);
  EXPECT_EQ("NNAME = 'x*y'", T->ConvertFilterText("NNAME = 'x*y'", Exact));
  EXPECT_TRUE(Exact);
}

TEST_F(FiltersTest, PlainEngineFilterWorksLikeOptimisedOne) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  T->OakTableOptions()->SetOakOptimizedFilters(false);
  T->SetIndexName("NNAME");
  T->Open();
  FilterBy(T, "ORT = 'Berlin'");
  EXPECT_EQ((Strings{"Milton", "Smith"}), Names(T));
}

TEST_F(FiltersTest, SwitchingFilteredOffShowsEveryRowAgain) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  FilterBy(T, "ORT = 'Berlin'");
  T->SetFiltered(false);
  EXPECT_EQ(5u, Names(T).size());
}

TEST_F(FiltersTest, ChangingFilterTextWhileFilteredReappliesIt) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  FilterBy(T, "ORT = 'Berlin'");
  T->SetFilter("ORT = 'Bonn'");
  EXPECT_EQ((Strings{"Miller"}), Names(T));
}

TEST_F(FiltersTest, FilterSetBeforeOpenAppliesAtOpen) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  FilterBy(T, "ID > 3");
  T->Open();
  EXPECT_EQ((Strings{"Adams", "Mayer"}), Names(T));
}

TEST_F(FiltersTest, BadFilterRaisesEngineError) {
  GivenAddresses();
  TOakTable* T = Addresses();
  T->SetFilter("NNAME = = (");
  EOAKDatabaseError E = CatchOak([&] { T->SetFiltered(true); });
  EXPECT_NE(0, E.ErrorCode);
}

// ---- Record search ------------------------------------------------------------------

TEST_F(FiltersTest, FindFirstAndNextUseFilterWithoutKeepingIt) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->SetFilter("ORT = 'Berlin'");
  ASSERT_TRUE(T->FindFirst());
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
  ASSERT_TRUE(T->FindNext());
  EXPECT_EQ("Smith", Trimmed(T, "NNAME"));
  EXPECT_FALSE(T->FindNext());
  EXPECT_EQ("Smith", Trimmed(T, "NNAME"));
  EXPECT_EQ(5u, Names(T).size());
}

TEST_F(FiltersTest, FindLastAndPriorSearchBackwards) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->SetFilter("ORT = 'Berlin'");
  ASSERT_TRUE(T->FindLast());
  EXPECT_EQ("Smith", Trimmed(T, "NNAME"));
  ASSERT_TRUE(T->FindPrior());
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
  EXPECT_TRUE(T->Found());
}

// ---- Scopes -------------------------------------------------------------------------

TEST_F(FiltersTest, ScopeLimitsRowsToKeyRange) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetIndexName("NNAME");
  T->SetScopeBegin("M");
  T->SetScopeEnd("M");
  T->SetScoped(true);
  T->Open();
  EXPECT_EQ((Strings{"Mayer", "Miller", "Milton"}), Names(T));
}

TEST_F(FiltersTest, ScopeOnOpenTableAndOffAgainKeepsTheRow) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->SetScopeBegin("Mi");
  T->SetScopeEnd("Mi");
  ASSERT_TRUE(T->Locate("NNAME", Variant("Milton"), {}));
  T->SetScoped(true);
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
  EXPECT_EQ((Strings{"Miller", "Milton"}), Names(T));
  T->Last();
  T->SetScoped(false);
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
  EXPECT_EQ(5u, Names(T).size());
}

TEST_F(FiltersTest, ScopeThatExcludesTheRowGoesToTheFirstInScope) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->Last();
  T->SetScopeBegin("A");
  T->SetScopeEnd("Mayer");
  T->SetScoped(true);
  EXPECT_EQ("Adams", Trimmed(T, "NNAME"));
  T->SetScopeEnd("Miller");
  EXPECT_EQ((Strings{"Adams", "Mayer", "Miller"}), Names(T));
}

TEST_F(FiltersTest, SettingsTableOfTheMainFormOpensUnrestricted) {
  CreateTable("SETUP", "IDENT,Integer;STRINGITEM,Character,100");
  for (int I = 1; I <= 3; ++I) AddRow("SETUP", {{"IDENT", std::to_string(I)}});
  CreateIndex("SETUP", "IDENT", "IDENT");
  TOakTable* T = MakeTable("SETUP");
  T->SetIndexName("IDENT");
  T->SetFiltered(true);
  T->SetScopeBegin("C");
  T->SetScopeEnd("C");
  T->Open();
  EXPECT_EQ((Strings{"1", "2", "3"}), Column(T, "IDENT"));
}

TEST_F(FiltersTest, ScopeWithoutActiveIndexIsRefused) {
  GivenAddresses();
  TOakTable* T = Addresses();
  T->SetScopeBegin("M");
  EOAKDatabaseError E = CatchOak([&] { T->SetScoped(true); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(std::string::npos,
            Message(E).find("Cannot activate scope when there is no active index."));
}

TEST_F(FiltersTest, ScopeTextLongerThan4082IsRefusedAndOldTextKept) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetScopeBegin("A");
  EOAKDatabaseError E = CatchOak([&] { T->SetScopeBegin(std::string(4083, 'x')); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(std::string::npos, Message(E).find("Scope text length exceeded 4082"));
  EXPECT_EQ("A", T->ScopeBegin());
  T->SetScopeEnd(std::string(4082, 'x'));
  EXPECT_EQ(4082u, T->ScopeEnd().size());
}

TEST_F(FiltersTest, ScopeOverActiveRangeIsRefused) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->SetRange({Variant("B")}, {Variant("N")});
  T->SetScopeBegin("M");
  EOAKDatabaseError E = CatchOak([&] { T->SetScoped(true); });
  EXPECT_NE(std::string::npos,
            Message(E).find("Cannot activate scope when there is an active range."));
}

// ---- Ranges and key entry --------------------------------------------------------------

TEST_F(FiltersTest, RangeLimitsRowsAndCancelRangeLiftsIt) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->SetRange({Variant("B")}, {Variant("Miller")});
  EXPECT_EQ((Strings{"Mayer", "Miller"}), Names(T));
  T->CancelRange();
  EXPECT_EQ(5u, Names(T).size());
}

TEST_F(FiltersTest, RangeByKeyEntryWithExclusiveStart) {
  GivenAddresses();
  TOakTable* T = Addresses("ID");
  T->SetRangeStart();
  T->FieldByName("ID")->SetAsInteger(2);
  T->SetKeyExclusive(true);
  T->SetRangeEnd();
  T->FieldByName("ID")->SetAsInteger(4);
  T->ApplyRange();
  EXPECT_EQ((Strings{"3", "4"}), Column(T, "ID"));
}

TEST_F(FiltersTest, RangeWhileScopedIsRefused) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->SetScopeBegin("M");
  T->SetScoped(true);
  EOAKDatabaseError E = CatchOak([&] { T->SetRange({Variant("A")}, {Variant("Z")}); });
  EXPECT_NE(std::string::npos,
            Message(E).find("Cannot set range on table when there is an active scope."));
}

TEST_F(FiltersTest, GotoKeyFindsExactKeyAndGotoNearestTheNextOne) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->SetKey();
  T->FieldByName("NNAME")->SetAsString("Milton");
  EXPECT_TRUE(T->GotoKey());
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
  T->SetKey();
  T->FieldByName("NNAME")->SetAsString("Mo");
  EXPECT_FALSE(T->GotoKey());
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
  T->SetKey();
  T->FieldByName("NNAME")->SetAsString("Mn");
  T->GotoNearest();
  EXPECT_EQ("Smith", Trimmed(T, "NNAME"));
}

TEST_F(FiltersTest, CancelledKeyEntryRestoresTheKey) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->SetKey();
  T->FieldByName("NNAME")->SetAsString("Adams");
  T->Post();
  T->EditKey();
  T->FieldByName("NNAME")->SetAsString("Smith");
  T->Cancel();
  EXPECT_EQ(dsBrowse, T->State());
  EXPECT_TRUE(T->GotoKey());
  EXPECT_EQ("Adams", Trimmed(T, "NNAME"));
}

// ---- Locate and Lookup --------------------------------------------------------------------

TEST_F(FiltersTest, LocatePartialKeySeeksOnIndex) {
  GivenAddresses();
  TOakTable* T = Addresses("ID");
  EXPECT_TRUE(T->Locate("NNAME", Variant("Mil"), TLocateOptions{loPartialKey}));
  EXPECT_EQ("Miller", Trimmed(T, "NNAME"));
}

TEST_F(FiltersTest, LocateCaseInsensitiveFilters) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  EXPECT_TRUE(T->Locate("NNAME", Variant("milt"), TLocateOptions{loCaseInsensitive, loPartialKey}));
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
  EXPECT_TRUE(T->Locate("NNAME", Variant("SMITH"), TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ("Smith", Trimmed(T, "NNAME"));
}

TEST_F(FiltersTest, LocateOnFieldWithoutIndexUsesTemporaryFilter) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  FilterBy(T, "ID < 5");
  EXPECT_TRUE(T->Locate("ORT;ID", VarArrayOf({Variant("Berlin"), Variant(3)}), {}));
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
  EXPECT_EQ((Strings{"Adams", "Miller", "Milton", "Smith"}), Names(T));
}

TEST_F(FiltersTest, LocateBesideOwnOptimisedFilterAddsTemporaryPlainFilter) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  FilterBy(T, "ID <> 3");
  EXPECT_TRUE(T->Locate("ORT", Variant("Berlin"), {}));
  EXPECT_EQ("Smith", Trimmed(T, "NNAME"));
  UNSIGNED16 Len = 0;
  EXPECT_EQ(OAK_NO_FILTER, OakGetFilter(T->TableHandle(), nullptr, &Len));
  EXPECT_NE(OAK_NO_FILTER, OakGetAOF(T->TableHandle(), nullptr, &Len));
}

TEST_F(FiltersTest, LocateWithFilterAndOptimisedFilterSetScansRecords) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  FilterBy(T, "ID <> 3");
  ASSERT_EQ(0u, OakSetFilter(T->TableHandle(), "ORT <> 'Koeln'"));
  EXPECT_FALSE(T->Locate("NNAME", Variant("Mayer"), TLocateOptions{loCaseInsensitive}));
  EXPECT_TRUE(T->Locate("ORT", Variant("Berlin"), {}));
  EXPECT_EQ("Smith", Trimmed(T, "NNAME"));
  char Buf[64] = {};
  UNSIGNED16 Len = sizeof(Buf);
  ASSERT_EQ(0u, OakGetFilter(T->TableHandle(), Buf, &Len));
  EXPECT_EQ("ORT <> 'Koeln'", std::string(Buf, Len));
}

TEST_F(FiltersTest, LocateKeepsTheExactFlag) {
  GivenAddresses();
  TOakTable* T = Addresses();
  ASSERT_EQ(0u, OakSetExact22(T->TableHandle(), 1));
  EXPECT_TRUE(T->Locate("ORT", Variant("Aa"), TLocateOptions{loPartialKey}));
  UNSIGNED16 Exact = 0;
  ASSERT_EQ(0u, OakGetExact22(T->TableHandle(), &Exact));
  EXPECT_EQ(1, Exact);
}

TEST_F(FiltersTest, FailedLocateStaysOnItsRow) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  T->Next();
  T->Next();
  EXPECT_FALSE(T->Locate("NNAME", Variant("Nobody"), {}));
  EXPECT_EQ("Miller", Trimmed(T, "NNAME"));
  EXPECT_FALSE(T->Locate("ORT", Variant("Paris"), {}));
  EXPECT_EQ("Miller", Trimmed(T, "NNAME"));
  T->Next();
  EXPECT_EQ("Milton", Trimmed(T, "NNAME"));
}

TEST_F(FiltersTest, LookupAnswersWithoutMoving) {
  GivenAddresses();
  TOakTable* T = Addresses("NNAME");
  EXPECT_EQ("Aachen", TrimRight(T->Lookup("ID", Variant(4), "ORT").AsString()));
  EXPECT_EQ("Koeln", TrimRight(T->Lookup("NNAME", Variant("Mayer"), "ORT").AsString()));
  EXPECT_TRUE(T->Lookup("ID", Variant(99), "ORT").IsNull());
  EXPECT_EQ("Adams", Trimmed(T, "NNAME"));
  T->Next();
  EXPECT_EQ("Mayer", Trimmed(T, "NNAME"));
}

// ---- The key-values expression ------------------------------------------------------------

TEST_F(FiltersTest, KeyExpressionOutsideFilterStateIsRefused) {
  GivenAddresses();
  TOakTable* T = Addresses();
  EOAKDatabaseError E = CatchOak([&] { T->BuildFilterString({T->FieldByName("ID")}, false, true); });
  EXPECT_NE(std::string::npos, Message(E).find("Internal Error, << BuildFilterString >>"));
}

TEST_F(FiltersTest, KeyExpressionTermsByFieldType) {
  GivenAddresses();
  AddRow("ADRESSEN", {{"ID", "6"}, {"NNAME", "O\"Neil"}});
  TOakTable* T = Addresses();
  std::map<int, std::vector<std::string>> ById;
  T->SetOnFilterRecord([&](TDataSet*, bool& Accept) {
    std::vector<TField*> F = {T->FieldByName("NNAME"), T->FieldByName("ID"),
                              T->FieldByName("AKTIV"), T->FieldByName("ORT")};
    ById[T->FieldByName("ID")->AsInteger()] = {T->BuildFilterString(F, false, false),
                                               T->BuildFilterString({F[0]}, true, true)};
    Accept = true;
  });
  T->SetFiltered(true);
  Names(T);
  std::vector<std::string> Seen = ById[1];
  Seen.insert(Seen.end(), ById[6].begin(), ById[6].end());
  ASSERT_EQ(4u, Seen.size());
  EXPECT_EQ("(NNAME=\"Smith\") AND (ID=1) AND (AKTIV=.TRUE.) AND (ORT=\"Berlin\")", Seen[0]);
  EXPECT_EQ("(UPPER(NNAME)==UPPER(\"Smith               \"))", Seen[1]);
  EXPECT_EQ("(NNAME=\"O\" + Chr(34) + \"Neil\") AND (ID=6) AND (empty(AKTIV)) AND (empty(ORT))",
            Seen[2]);
}

TEST_F(FiltersTest, DateAndTimestampKeysAreWrittenAsTheEngineReadsThem) {
  CreateTable("TERMINE", "NR,Integer;D,Date;T,Time;TS,TimeStamp");
  AddRow("TERMINE", {{"NR", "1"}});
  TOakTable* T = OpenTable("TERMINE");
  T->Edit();
  T->FieldByName("D")->SetAsDateTime(EncodeDate(2024, 12, 31));
  T->FieldByName("T")->SetAsDateTime(EncodeTime(8, 5, 9, 0));
  T->FieldByName("TS")->SetAsDateTime(EncodeDate(2024, 2, 1) + EncodeTime(23, 59, 0, 0));
  T->Post();
  AddRow("TERMINE", {{"NR", "2"}});
  T->Refresh();
  T->Last();
  EXPECT_TRUE(T->Locate("D", Variant::FromDateTime(EncodeDate(2024, 12, 31)), {}));
  EXPECT_EQ(1, T->FieldByName("NR")->AsInteger());
  T->Last();
  EXPECT_TRUE(T->Locate(
      "TS", Variant::FromDateTime(EncodeDate(2024, 2, 1) + EncodeTime(23, 59, 0, 0)), {}));
  EXPECT_EQ(1, T->FieldByName("NR")->AsInteger());
  EXPECT_FALSE(T->Locate("D", Variant::FromDateTime(EncodeDate(2024, 12, 30)), {}));
}

TEST_F(FiltersTest, LocateAndLookupOnEmptyTableFindNothing) {
  CreateTable("LEER", "ID,Integer;NNAME,Character,10");
  TOakTable* T = OpenTable("LEER");
  EXPECT_FALSE(T->Locate("NNAME", Variant("x"), {}));
  EXPECT_TRUE(T->Lookup("ID", Variant(1), "NNAME").IsNull());
  EXPECT_TRUE(T->Eof());
}

// ---- Master and detail ----------------------------------------------------------------------

TEST_F(FiltersTest, DetailFollowsMasterRow) {
  GivenAddresses();
  CreateTable("AUFTRAEGE", "NR,Integer;ADR_ID,Integer");
  for (auto [Nr, Adr] : {std::pair{10, 2}, {11, 3}, {12, 2}, {13, 5}})
    AddRow("AUFTRAEGE", {{"NR", std::to_string(Nr)}, {"ADR_ID", std::to_string(Adr)}});
  CreateIndex("AUFTRAEGE", "ADR_ID", "ADR_ID");
  TOakTable* Master = Addresses("ID");
  auto* Source = new TDataSource(Form);
  Source->SetDataSet(Master);
  TOakTable* Detail = OpenTable("AUFTRAEGE", "ADR_ID");
  Detail->SetMasterSource(Source);
  Detail->SetMasterFields("ID");
  EXPECT_TRUE(Detail->Eof() && Detail->Bof());
  ASSERT_TRUE(Master->Locate("ID", Variant(2), {}));
  EXPECT_EQ((Strings{"10", "12"}), Column(Detail, "NR"));
  Master->Next();
  EXPECT_EQ((Strings{"11"}), Column(Detail, "NR"));
  Detail->SetMasterSource(nullptr);
  EXPECT_EQ(4u, Column(Detail, "NR").size());
}

TEST_F(FiltersTest, MasterSourceLeadingBackIsRefused) {
  GivenAddresses();
  TOakTable* T = Addresses("ID");
  auto* Source = new TDataSource(Form);
  Source->SetDataSet(T);
  EXPECT_THROW(T->SetMasterSource(Source), EDatabaseError);
}

}  // namespace
