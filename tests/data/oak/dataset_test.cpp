// The table dataset: locating and opening a table, reading every field
// type out of the raw record, null markers, navigation, bookmarks, record
// numbers and counts.
#include <cstring>

#include "oak_fixture.h"

namespace {

const char* const AllTypes =
    "L,Logical;N,Numeric,8,2;NS,Numeric,4,0;D,Date;C,Character,10;M,Memo;B,Binary;"
    "CD,CompactDate;DB,Double;I,Integer;SI,ShortInt;T,Time;TS,TimeStamp;A,AutoInc;"
    "R,Raw,4;CU,CurDouble;CI,CICharacter,6";

class DataSetTest : public OakTest {
 protected:
  // The address table of most scenarios: three people by ID and name.
  void GivenAddresses() {
    CreateTable("ADRESSEN", "ID,Integer;NNAME,Character,20;ORT,Character,20");
    AddRow("ADRESSEN", {{"ID", "3"}, {"NNAME", "Miller"}, {"ORT", "Bonn"}});
    AddRow("ADRESSEN", {{"ID", "1"}, {"NNAME", "Abel"}, {"ORT", "Köln"}});
    AddRow("ADRESSEN", {{"ID", "2"}, {"NNAME", "Zeller"}, {"ORT", "Aachen"}});
  }
  void GivenAllTypes() {
    CreateTable("TYPES", AllTypes);
    AddRow("TYPES", {{"L", "T"},
                     {"N", "12.5"},
                     {"NS", "42"},
                     {"D", "20241231"},
                     {"C", "Straße"},
                     {"M", "a memo"},
                     {"CD", "20240229"},
                     {"DB", "2.25"},
                     {"I", "-7"},
                     {"SI", "300"},
                     {"T", "01:00:00"},
                     {"TS", "20240102 10:00:00"},
                     {"R", "abcd"},
                     {"CU", "19.99"},
                     {"CI", "Mixed"}});
    AddRow("TYPES", {});
  }
};

// ---- Opening ----------------------------------------------------------------------

TEST_F(DataSetTest, OpensTableOnConnectionAndCreatesOneFieldPerColumn) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_TRUE(T->Active());
  EXPECT_TRUE(Connection()->IsConnected());
  ASSERT_EQ(3, T->FieldCount());
  EXPECT_EQ(ftInteger, T->Fields()[0]->DataType());
  EXPECT_TRUE(T->FieldByName("NNAME")->Is<TOakStringField>());
  EXPECT_EQ(20, T->FieldByName("NNAME")->Size());
}

TEST_F(DataSetTest, EmptyTableNameIsRefusedWith5121) {
  TOakTable* T = MakeTable("");
  auto E = CatchOak([&] { T->Open(); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(String::npos, E.Message().find("Missing TableName property"));
  EXPECT_FALSE(T->Active());
}

TEST_F(DataSetTest, TableWithoutDatabaseNameOrConnectionIsRefused) {
  auto* T = new TOakTable(Form);
  T->SetTableName("ADRESSEN");
  auto E = CatchOak([&] { T->Open(); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(String::npos,
            E.Message().find("One of the DatabaseName property or the OakConnection property "
                             "must have a value."));
}

TEST_F(DataSetTest, MissingTableFailsInTheEngineWithTheDataSetName) {
  TOakTable* T = MakeTable("NOPE");
  T->SetName("Table_ORDERS");
  auto E = CatchOak([&] { T->Open(); });
  EXPECT_NE(0, E.ErrorCode);
  EXPECT_NE(5121, E.ErrorCode);
  EXPECT_EQ(0u, E.Message().find("Table_ORDERS: "));
  EXPECT_EQ("Table_ORDERS", E.DataSetName);
  EXPECT_EQ("Form1", E.OwnerName);
  EXPECT_EQ("NOPE", E.TableName);
  EXPECT_EQ(Dir, E.DataPath);
}

TEST_F(DataSetTest, DatabaseNameAsFolderOpensThroughAConnectionByPath) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN", Dir + "/");
  T->Open();
  EXPECT_EQ(Dir, T->DataPath());
  EXPECT_EQ(3, T->RecordCount());
  EXPECT_NE(0u, DynamicConnList().Find(Dir));
}

TEST_F(DataSetTest, TwoTablesOfOneFolderShareOneEngineConnection) {
  GivenAddresses();
  CreateTable("AUFTRAEGE", "NR,Integer");
  Integer Before = DynamicConnList().Count();
  MakeTable("ADRESSEN", Dir)->Open();
  MakeTable("AUFTRAEGE", Dir)->Open();
  EXPECT_LE(DynamicConnList().Count(), Before + 1);
}

TEST_F(DataSetTest, DatabaseNameNamingAConnectionAttachesTheTable) {
  GivenAddresses();
  Connection();
  TOakTable* T = MakeTable("ADRESSEN", "OakConnection");
  EXPECT_EQ(Connection(), T->OakConnection());
  T->Open();
  EXPECT_EQ(3, T->RecordCount());
}

TEST_F(DataSetTest, DatabaseNameAsAliasUsesTheAliasPath) {
  GivenAddresses();
  WriteOakIni({{"OFFICE", Dir + ";A"}});
  TOakTable* T = MakeTable("ADRESSEN", "OFFICE");
  EXPECT_EQ(Dir, T->DataPath());
  T->Open();
  EXPECT_EQ(3, T->RecordCount());
}

TEST_F(DataSetTest, ExclusiveAndReadOnlyOpenWithOptions3) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetExclusive(true);
  T->SetReadOnly(true);
  T->Open();
  EXPECT_EQ(3u, T->TableOpenOptions() & 3u);
  EXPECT_FALSE(T->CanModify());
  OAKHANDLE Other = OAK_INVALID_HANDLE;
  EXPECT_EQ(5035u, OakOpenTable(OtherUser(), (Dir + "/ADRESSEN").c_str(), nullptr, OAK_OAT,
                                OAK_ANSI, 1, 1, 0, &Other));
}

TEST_F(DataSetTest, ReadOnlyConnectionMakesItsTablesReadOnly) {
  GivenAddresses();
  Connection()->SetReadOnly(true);
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_TRUE(T->ReadOnly());
  EXPECT_EQ(OAK_READONLY, T->TableOpenOptions() & OAK_READONLY);
}

TEST_F(DataSetTest, LocationPropertiesAreRefusedWhileOpen) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_EQ(5121, CatchOak([&] { T->SetTableName("X"); }).ErrorCode);
  EXPECT_EQ(5121, CatchOak([&] { T->SetDatabaseName("X"); }).ErrorCode);
  auto E = CatchOak([&] { T->SetOakConnection(nullptr); });
  EXPECT_NE(String::npos, E.Message().find("Table must not be Active."));
  EXPECT_THROW(T->SetExclusive(true), EDatabaseError);
  EXPECT_EQ("ADRESSEN", T->TableName());
}

TEST_F(DataSetTest, ClosingReleasesTheEngineTable) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  T->Close();
  EXPECT_EQ(OAK_INVALID_HANDLE, T->TableHandle());
  OAKHANDLE X = OAK_INVALID_HANDLE;
  EXPECT_EQ(0u, OakOpenTable(OtherUser(), (Dir + "/ADRESSEN").c_str(), nullptr, OAK_OAT, OAK_ANSI,
                             1, 1, OAK_EXCLUSIVE, &X));
  OakCloseTable(X);
}

TEST_F(DataSetTest, FieldDefsOfAClosedTableComeFromABriefOpen) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  T->InitFieldDefs();
  ASSERT_EQ(3, T->FieldDefs().Count());
  EXPECT_EQ("NNAME", T->FieldDefs().Items(1)->Name());
  EXPECT_FALSE(T->Active());
  EXPECT_EQ(3u, T->OCEFieldDefs().size());
}

TEST_F(DataSetTest, VersionNamesTheEngine) {
  TOakTable* T = MakeTable("ADRESSEN");
  EXPECT_EQ(0u, T->Version().find("7.1 (OCE "));
  EXPECT_EQ(')', T->Version().back());
}

TEST_F(DataSetTest, UnsupportedMethodsRaise5121) {
  TOakTable* T = MakeTable("ADRESSEN");
  EXPECT_NE(String::npos, CatchOak([&] { T->BatchMove(); }).Message().find("BatchMove"));
  EXPECT_EQ(5121, CatchOak([&] { T->RenameTable("X"); }).ErrorCode);
  EXPECT_EQ(5121, CatchOak([&] { T->UpdateStatus(); }).ErrorCode);
}

// ---- Field values ------------------------------------------------------------------

TEST_F(DataSetTest, EveryEngineTypeMapsToItsFieldType) {
  GivenAllTypes();
  TOakTable* T = OpenTable("TYPES");
  const std::pair<const char*, TFieldType> Expected[] = {
      {"L", ftBoolean},   {"N", ftFloat},  {"NS", ftSmallint}, {"D", ftDate},    {"C", ftString},
      {"M", ftMemo},      {"B", ftBlob},   {"CD", ftDate},     {"DB", ftFloat},  {"I", ftInteger},
      {"SI", ftSmallint}, {"T", ftTime},   {"TS", ftDateTime}, {"A", ftAutoInc}, {"R", ftBytes},
      {"CU", ftCurrency}, {"CI", ftString}};
  for (auto& [Name, Type] : Expected) EXPECT_EQ(Type, T->FieldByName(Name)->DataType()) << Name;
  EXPECT_TRUE(static_cast<TOakStringField*>(T->FieldByName("CI"))->CaseInsensitive());
  EXPECT_FALSE(static_cast<TOakStringField*>(T->FieldByName("C"))->CaseInsensitive());
}

TEST_F(DataSetTest, EveryFieldTypeReadsItsValue) {
  GivenAllTypes();
  TOakTable* T = OpenTable("TYPES");
  EXPECT_TRUE(T->FieldByName("L")->AsBoolean());
  EXPECT_DOUBLE_EQ(12.5, T->FieldByName("N")->AsFloat());
  EXPECT_EQ(42, T->FieldByName("NS")->AsInteger());
  EXPECT_DOUBLE_EQ(EncodeDate(2024, 12, 31), T->FieldByName("D")->AsDateTime());
  EXPECT_EQ("Straße", Trimmed(T, "C"));
  EXPECT_DOUBLE_EQ(EncodeDate(2024, 2, 29), T->FieldByName("CD")->AsDateTime());
  EXPECT_DOUBLE_EQ(2.25, T->FieldByName("DB")->AsFloat());
  EXPECT_EQ(-7, T->FieldByName("I")->AsInteger());
  EXPECT_EQ(300, T->FieldByName("SI")->AsInteger());
  EXPECT_DOUBLE_EQ(EncodeTime(1, 0, 0, 0), T->FieldByName("T")->AsDateTime());
  EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 1, 2, 10, 0, 0, 0), T->FieldByName("TS")->AsDateTime());
  EXPECT_EQ(1, T->FieldByName("A")->AsInteger());
  EXPECT_EQ("abcd", T->FieldByName("R")->AsString());
  EXPECT_DOUBLE_EQ(19.99, T->FieldByName("CU")->AsFloat());
  EXPECT_FALSE(T->FieldByName("M")->IsNull());
  EXPECT_TRUE(T->FieldByName("B")->IsNull());
}

TEST_F(DataSetTest, AnEmptyRecordReadsNullInEveryDataField) {
  GivenAllTypes();
  TOakTable* T = OpenTable("TYPES");
  T->Last();
  for (const char* Name :
       {"L", "N", "NS", "D", "C", "M", "B", "CD", "DB", "I", "SI", "T", "TS", "R", "CU", "CI"})
    EXPECT_TRUE(T->FieldByName(Name)->IsNull()) << Name;
  EXPECT_FALSE(T->FieldByName("A")->IsNull());  // handed out when written
}

TEST_F(DataSetTest, NullMarkersInTheRawRecordReadAsNull) {
  CreateTable("MARK", "I,Integer;DB,Double;SI,ShortInt");
  AddRow("MARK", {{"I", "5"}, {"DB", "1.5"}, {"SI", "2"}});
  const std::uint32_t IntNull = 0x80000000u;
  const Byte DoubleNull[8] = {0x20, 0, 0, 0, 0, 0, 0, 0x80};
  const std::uint16_t ShortNull = 0x8000u;
  PokeRaw("MARK", 1, "I", &IntNull, 4);
  PokeRaw("MARK", 1, "DB", DoubleNull, 8);
  PokeRaw("MARK", 1, "SI", &ShortNull, 2);
  TOakTable* T = OpenTable("MARK");
  EXPECT_TRUE(T->FieldByName("I")->IsNull());
  EXPECT_TRUE(T->FieldByName("DB")->IsNull());
  EXPECT_TRUE(T->FieldByName("SI")->IsNull());
}

TEST_F(DataSetTest, CompactDateBytesDecodeToTheirDate) {
  CreateTable("CDATE", "CD,CompactDate");
  AddRow("CDATE", {{"CD", "20000101"}});
  const Byte Raw[3] = {0x0F, 0xD1, 0x9F};  // 31 December 2024
  PokeRaw("CDATE", 1, "CD", Raw, 3);
  TOakTable* T = OpenTable("CDATE");
  EXPECT_DOUBLE_EQ(EncodeDate(2024, 12, 31), T->FieldByName("CD")->AsDateTime());
}

TEST_F(DataSetTest, CompactDatePackingRoundTrips) {
  Byte Raw[3];
  PackCompactDate(2024, 12, 31, Raw);
  EXPECT_EQ(0x0F, Raw[0]);
  EXPECT_EQ(0xD1, Raw[1]);
  EXPECT_EQ(0x9F, Raw[2]);
  Word Y, M, D;
  UnpackCompactDate(Raw, Y, M, D);
  EXPECT_EQ(2024, Y);
  EXPECT_EQ(12, M);
  EXPECT_EQ(31, D);
}

TEST_F(DataSetTest, LogicalBytesOfOtherSystemsReadAsTrue) {
  CreateTable("LOG", "L,Logical");
  for (char C : std::string("1TtYyFn")) {
    AddRow("LOG", {{"L", "T"}});
    PokeRaw("LOG", static_cast<UNSIGNED32>(std::string("1TtYyFn").find(C) + 1), "L", &C, 1);
  }
  TOakTable* T = OpenTable("LOG");
  std::vector<bool> Values;
  for (T->First(); !T->Eof(); T->Next()) Values.push_back(T->FieldByName("L")->AsBoolean());
  EXPECT_EQ((std::vector<bool>{true, true, true, true, true, false, false}), Values);
}

TEST_F(DataSetTest, NullTestOfNonOatTablesTreatsBlanksAsEmpty) {
  TOCEFieldDef Def;
  Def.FieldType = OAK_STRING;
  Def.Length = 3;
  const Byte Blanks[3] = {' ', ' ', ' '};
  EXPECT_TRUE(IsRawFieldNull(Def, Blanks, OAK_CDX));
  EXPECT_FALSE(IsRawFieldNull(Def, Blanks, OAK_OAT));
  Def.FieldType = OAK_INTEGER;
  Def.Length = 4;
  const Byte Marker[4] = {0, 0, 0, 0x80};
  EXPECT_FALSE(IsRawFieldNull(Def, Marker, OAK_CDX));
  EXPECT_TRUE(IsRawFieldNull(Def, Marker, OAK_OAT));
}

// ---- Navigation --------------------------------------------------------------------

TEST_F(DataSetTest, WalksTheTableInRecordOrderBothWays) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_EQ((std::vector<std::string>{"Miller", "Abel", "Zeller"}), Column(T, "NNAME"));
  T->Last();
  EXPECT_EQ("Zeller", Trimmed(T, "NNAME"));
  T->Prior();
  EXPECT_EQ("Abel", Trimmed(T, "NNAME"));
  T->Prior();
  T->Prior();
  EXPECT_TRUE(T->Bof());
  EXPECT_EQ("Miller", Trimmed(T, "NNAME"));
}

TEST_F(DataSetTest, EmptyTableIsAtBothEnds) {
  CreateTable("LEER", "ID,Integer");
  TOakTable* T = OpenTable("LEER");
  EXPECT_TRUE(T->Eof());
  EXPECT_TRUE(T->Bof());
  EXPECT_TRUE(T->IsEmpty());
  EXPECT_EQ(0, T->RecordCount());
}

TEST_F(DataSetTest, RecNoIsThePhysicalRecordNumber) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  T->Last();
  EXPECT_EQ(3, T->RecNo());
  T->SetRecNo(2);
  EXPECT_EQ("Abel", Trimmed(T, "NNAME"));
  EXPECT_EQ(2, T->RecNo());
}

TEST_F(DataSetTest, BookmarksReturnToTheirRecord) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  T->Next();
  TBookmark Abel = T->GetBookmark();
  T->Last();
  TBookmark Zeller = T->GetBookmark();
  EXPECT_EQ(-1, T->CompareBookmarks(Abel, Zeller));
  EXPECT_TRUE(T->BookmarkValid(Abel));
  T->GotoBookmark(Abel);
  EXPECT_EQ("Abel", Trimmed(T, "NNAME"));
  TBookmark Bogus(4, '\x63');
  EXPECT_FALSE(T->BookmarkValid(Bogus));
  EXPECT_EQ("Abel", Trimmed(T, "NNAME"));
}

TEST_F(DataSetTest, FilterHandlerThatRefusesEveryRecordEndsAtEof) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetOnFilterRecord([](TDataSet*, bool& Accept) { Accept = false; });
  T->Open();
  T->SetFiltered(true);
  T->First();
  EXPECT_TRUE(T->Eof());
  EXPECT_TRUE(T->IsEmpty());
}

TEST_F(DataSetTest, FilterHandlerSkipsTheRecordsItRefuses) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetOnFilterRecord(
      [](TDataSet* D, bool& Accept) { Accept = D->FieldByName("ID")->AsInteger() != 1; });
  T->Open();
  T->SetFiltered(true);
  EXPECT_EQ((std::vector<std::string>{"Miller", "Zeller"}), Column(T, "NNAME"));
}

TEST_F(DataSetTest, RecordsOfOtherUsersAppearAfterRefresh) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  AddRow("ADRESSEN", {{"ID", "4"}, {"NNAME", "Neu"}});
  T->Refresh();
  EXPECT_EQ(4, T->RecordCount());
  T->Last();
  EXPECT_EQ("Neu", Trimmed(T, "NNAME"));
}

TEST_F(DataSetTest, OemTableCharactersAreTranslated) {
  OAKHANDLE H = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateTable(Engine, (Dir + "/OEM").c_str(), nullptr, OAK_OAT, OAK_OEM, 1, 1, 0,
                               "C,Character,10", &H));
  ASSERT_EQ(0u, OakAppendRecord(H));
  std::string V = "Grüße";
  ASSERT_EQ(0u, OakSetField(H, 1, V.data(), static_cast<UNSIGNED32>(V.size())));
  ASSERT_EQ(0u, OakWriteRecord(H));
  OakCloseTable(H);
  TOakTable* T = MakeTable("OEM");
  T->OakTableOptions()->SetOakCharType(OEM);
  T->Open();
  EXPECT_EQ("Grüße", Trimmed(T, "C"));
}

}  // namespace

namespace {

// Reaches the record fetch the way the class library's window does.
class ProbeTable : public TOakTable {
 public:
  using TOakTable::TOakTable;
  TGetResult Fetch(TGetMode Mode) { return GetRecord(TempBuffer(), Mode, false); }
  void Pretend(TDataSetState S) { SetState(S); }
};

TEST_F(DataSetTest, FetchingWhileInsertingGivesAnErrorWithoutMoving) {
  GivenAddresses();
  auto* T = new ProbeTable(Form);
  T->SetOakConnection(Connection());
  T->SetTableName("ADRESSEN");
  T->Open();
  T->Pretend(dsInsert);
  EXPECT_EQ(grError, T->Fetch(gmNext));
  T->Pretend(dsBrowse);
  EXPECT_EQ("Miller", Trimmed(T, "NNAME"));
  EXPECT_EQ(grOK, T->Fetch(gmCurrent));
}

TEST_F(DataSetTest, SequencedRecNoFollowsTheIndexOrder) {
  GivenAddresses();
  CreateIndex("ADRESSEN", "NNAME", "NNAME");
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetIndexName("NNAME");
  T->SetSequenced(true);
  T->SetSequencedLevel(slExact);
  T->Open();
  EXPECT_TRUE(T->IsSequenced());
  T->Next();
  EXPECT_EQ("Miller", Trimmed(T, "NNAME"));
  EXPECT_EQ(2, T->RecNo());
  T->SetSequenced(false);
  T->Refresh();
  EXPECT_EQ(1, T->RecNo());  // physical number of Miller
}

TEST_F(DataSetTest, SetRecNoOnAnIndexMovesByRelativePosition) {
  GivenAddresses();
  CreateIndex("ADRESSEN", "NNAME", "NNAME");
  TOakTable* T = OpenTable("ADRESSEN", "NNAME");
  T->SetRecNo(3);
  EXPECT_EQ("Zeller", Trimmed(T, "NNAME"));
}

TEST_F(DataSetTest, RecordCountRespectsFiltersOnlyWhenAsked) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  ASSERT_EQ(0u, OakSetFilter(T->TableHandle(), "ID > 1"));
  EXPECT_EQ(3, T->RecordCount());
  T->OakTableOptions()->SetOakFilterOptions(RESPECT_WHEN_COUNTING);
  EXPECT_EQ(2, T->RecordCount());
}

}  // namespace

namespace {

TEST_F(DataSetTest, CalculatedFieldsLiveBesideTheRawRecord) {
  GivenAddresses();
  TOakTable* T = MakeTable("ADRESSEN");
  auto* Id = new TIntegerField(T);
  Id->SetFieldName("ID");
  Id->SetDataSet(T);
  auto* Name = new TOakStringField(T);
  Name->SetFieldName("NNAME");
  Name->SetSize(20);
  Name->SetDataSet(T);
  auto* Label = new TStringField(T);
  Label->SetFieldName("LABEL");
  Label->SetSize(30);
  Label->SetFieldKind(fkCalculated);
  Label->SetDataSet(T);
  T->OnCalcFields = [](TDataSet* D) {
    D->FieldByName("LABEL")->SetAsString("#" + D->FieldByName("ID")->AsString() + " " +
                                         TrimRight(D->FieldByName("NNAME")->AsString()));
  };
  T->Open();
  EXPECT_FALSE(T->DefaultFields());
  EXPECT_EQ((std::vector<std::string>{"#3 Miller", "#1 Abel", "#2 Zeller"}), Column(T, "LABEL"));
  T->Close();
  EXPECT_EQ(3, T->FieldCount());  // persistent fields survive the close
}

TEST_F(DataSetTest, ClosedOnlyTableOptionsAreRefusedWhileOpen) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  auto E = CatchOak([&] { T->OakTableOptions()->SetOakLockType(Compatible); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(String::npos, E.Message().find("Table must not be Active."));
  EXPECT_EQ(5121, CatchOak([&] { T->OakTableOptions()->SetOakCharType(OEM); }).ErrorCode);
  EXPECT_EQ(5121, CatchOak([&] { T->OakTableOptions()->SetOakRightsCheck(false); }).ErrorCode);
  T->OakTableOptions()->SetOakRecordCache(rcAggressive);  // applies at once
  EXPECT_EQ(rcAggressive, T->OakTableOptions()->OakRecordCache());
  T->Close();
  T->OakTableOptions()->SetOakLockType(Compatible);
  EXPECT_EQ(0, T->OakTableOptions()->EngineLockType());
}

TEST_F(DataSetTest, AofOptionCombinesTypeAndResolveImmediate) {
  TOakTable* T = MakeTable("ADRESSEN");
  TOakTableOptions* O = T->OakTableOptions();
  EXPECT_EQ(2, O->EngineAOFOption());
  O->SetOakAOFResolveImmediate(true);
  EXPECT_EQ(1, O->EngineAOFOption());
  O->SetOakAOFType(atKeySet);
  EXPECT_EQ(5, O->EngineAOFOption());
  O->SetOakAOFType(atFixed);
  O->SetOakAOFResolveImmediate(false);
  EXPECT_EQ(10, O->EngineAOFOption());
}

TEST_F(DataSetTest, TableIsConfiguredByPropertyNamesAsAFormDoes) {
  GivenAddresses();
  Connection();
  auto* T = new TOakTable(Form);
  SetPropValue(T, "OakConnection", "OakConnection");
  SetPropValue(T, "TableName", "ADRESSEN");
  SetPropValue(T, "Exclusive", "True");
  SetPropValue(T, "TableType", "ttOakOAT");
  EXPECT_EQ(Connection(), T->OakConnection());
  EXPECT_TRUE(T->Exclusive());
  SetPropValue(T, "Active", "True");
  EXPECT_EQ(3, T->RecordCount());
}

TEST_F(DataSetTest, CurrentRecordIsCopiedWhenTheCursorStandsOnIt) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  std::vector<Byte> Copy(T->RawRecordLength());
  T->SyncCursor();
  ASSERT_TRUE(T->GetCurrentRecord(Copy.data()));
  const TOCEFieldDef* Name = T->OCEFieldDef(T->FieldByName("NNAME"));
  EXPECT_EQ("Miller", std::string(reinterpret_cast<char*>(Copy.data()) + Name->Offset, 6));
}

}  // namespace
