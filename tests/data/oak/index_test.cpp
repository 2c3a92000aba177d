// Index selection: by tag name, by field names, the dictionary's default
// index; the index definitions, segment helpers and extra index files.
#include <fstream>

#include "oak_fixture.h"

namespace {

class IndexTest : public OakTest {
 protected:
  void SetUp() override {
    OakTest::SetUp();
    CreateTable("ADRESSEN", "ID,Integer;NNAME,Character,20;ORT,Character,20");
    AddRow("ADRESSEN", {{"ID", "3"}, {"NNAME", "Miller"}, {"ORT", "Bonn"}});
    AddRow("ADRESSEN", {{"ID", "1"}, {"NNAME", "Abel"}, {"ORT", "Köln"}});
    AddRow("ADRESSEN", {{"ID", "2"}, {"NNAME", "Zeller"}, {"ORT", "Aachen"}});
    CreateIndex("ADRESSEN", "ID", "ID", OAK_UNIQUE);
    CreateIndex("ADRESSEN", "NNAME", "NNAME");
  }
  // A dictionary beside the tables whose default index of ADRESSEN is Tag.
  std::string GivenDictionary(const std::string& Tag) {
    std::ofstream Out(Dir + "/office.oad");
    Out << "[TABLE ADRESSEN]\r\n";
    if (!Tag.empty()) Out << "213=" << Tag << "\r\n";
    Out << "[OBJECTS 1]\r\n1=ADRESSEN\r\n";
    return Dir + "/office.oad";
  }
};

TEST_F(IndexTest, IndexNameSetsTheOrderOfNavigation) {
  TOakTable* T = OpenTable("ADRESSEN", "NNAME");
  EXPECT_TRUE(T->HasActiveIndex());
  EXPECT_EQ(1, T->IndexMode());
  EXPECT_EQ((std::vector<std::string>{"Abel", "Miller", "Zeller"}), Column(T, "NNAME"));
}

TEST_F(IndexTest, ChangingIndexNameOnAnOpenTableKeepsTheRecord) {
  TOakTable* T = OpenTable("ADRESSEN");
  T->Next();  // Abel
  T->SetIndexName("ID");
  EXPECT_EQ("Abel", Trimmed(T, "NNAME"));
  T->Next();
  EXPECT_EQ("Zeller", Trimmed(T, "NNAME"));
  T->SetIndexName("");
  EXPECT_FALSE(T->HasActiveIndex());
  EXPECT_EQ((std::vector<std::string>{"Miller", "Abel", "Zeller"}), Column(T, "NNAME"));
}

TEST_F(IndexTest, IndexFieldNamesWithBlanksSelectsTheIndexOnThatField) {
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetIndexFieldNames("  NNAME  ");
  EXPECT_EQ("NNAME", T->IndexFieldNames());
  T->Open();
  EXPECT_EQ(2, T->IndexMode());
  EXPECT_EQ((std::vector<std::string>{"Abel", "Miller", "Zeller"}), Column(T, "NNAME"));
}

TEST_F(IndexTest, IndexNameAndIndexFieldNamesExcludeEachOther) {
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetIndexName("ID");
  T->SetIndexFieldNames("NNAME");
  EXPECT_EQ("", T->IndexName());
  T->SetIndexName("ID");
  EXPECT_EQ("", T->IndexFieldNames());
}

TEST_F(IndexTest, FieldNamesThatNoIndexCoversAreRefused) {
  TOakTable* T = OpenTable("ADRESSEN");
  auto E = CatchOak([&] { T->SetIndexFieldNames("ORT"); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(String::npos, E.Message().find("Not a valid index field name:ORT"));
}

TEST_F(IndexTest, UnknownTagFailsWithTheEngineCode) {
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetIndexName("NOSUCHTAG");
  auto E = CatchOak([&] { T->Open(); });
  EXPECT_EQ(5044, E.ErrorCode);
  EXPECT_FALSE(T->Active());
}

TEST_F(IndexTest, IndexDefsListEveryTagWithItsFieldsAndOptions) {
  TOakTable* T = MakeTable("ADRESSEN");
  T->UpdateIndexDefs();
  ASSERT_EQ(2, T->IndexDefs().Count());
  TIndexDef* Id = T->IndexDefs().Find("ID");
  EXPECT_EQ("ID", Id->Fields());
  EXPECT_TRUE(Id->Options().Contains(ixUnique));
  EXPECT_FALSE(T->IndexDefs().Find("NNAME")->Options().Contains(ixUnique));
  EXPECT_FALSE(T->Active());
}

TEST_F(IndexTest, NewTagsShowAfterAPropertyChange) {
  TOakTable* T = OpenTable("ADRESSEN");
  T->UpdateIndexDefs();
  OAKHANDLE I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateIndex61(T->TableHandle(), "", "ORT", "ORT", "", "", 0, 0, &I));
  T->DataEvent(dePropertyChange, 0);
  T->UpdateIndexDefs();
  EXPECT_EQ(3, T->IndexDefs().Count());
  T->SetIndexFieldNames("ORT");
  EXPECT_EQ((std::vector<std::string>{"Aachen", "Bonn", "Köln"}), Column(T, "ORT"));
}

TEST_F(IndexTest, SegmentHelpersDescribeTheActiveIndex) {
  TOakTable* T = OpenTable("ADRESSEN", "NNAME");
  EXPECT_EQ(1, T->GetNumSegments());
  EXPECT_EQ(T->FieldByName("NNAME"), T->GetSegmentField(1));
  EXPECT_EQ(2, T->GetSegmentFieldNum(1));
  EXPECT_TRUE(T->GetIsIndexField(T->FieldByName("NNAME")));
  EXPECT_FALSE(T->GetIsIndexField(T->FieldByName("ORT")));
}

TEST_F(IndexTest, SegmentFieldNumberWithoutAnIndexIsRefused) {
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_EQ(0, T->GetNumSegments());
  auto E = CatchOak([&] { T->GetSegmentFieldNum(1); });
  EXPECT_NE(String::npos, E.Message().find("GetSegmentFieldNum : No Active Index"));
}

TEST_F(IndexTest, OakDefaultSelectsTheDictionaryDefaultIndex) {
  std::string Oad = GivenDictionary("NNAME");
  Connection()->SetConnectPath(Oad);
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetIndexName("oak_default");
  EXPECT_EQ(3, T->IndexMode());
  T->Open();
  EXPECT_EQ("NNAME", T->DefaultIndexName());
  EXPECT_EQ((std::vector<std::string>{"Abel", "Miller", "Zeller"}), Column(T, "NNAME"));
}

TEST_F(IndexTest, DictionaryConnectionGivesItsTablesTheDefaultIndex) {
  Connection()->SetConnectPath(GivenDictionary("ID"));
  TOakTable* T = MakeTable("ADRESSEN");
  Connection()->Connect();
  EXPECT_EQ("OAK_DEFAULT", T->IndexName());
  T->Open();
  EXPECT_EQ((std::vector<std::string>{"Abel", "Zeller", "Miller"}), Column(T, "NNAME"));
}

TEST_F(IndexTest, DictionaryWithoutDefaultIndexClearsOakDefault) {
  Connection()->SetConnectPath(GivenDictionary(""));
  TOakTable* T = MakeTable("ADRESSEN");
  T->SetIndexName("OAK_DEFAULT");
  Connection()->Connect();
  EXPECT_EQ("", T->IndexName());
}

TEST_F(IndexTest, ExtraIndexFileOpensWithTheTable) {
  OAKHANDLE H = EngineOpen("ADRESSEN");
  OAKHANDLE I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateIndex61(H, (Dir + "/extra").c_str(), "BYORT", "ORT", "", "", 0, 0, &I));
  OakCloseTable(H);
  OpenHandles.clear();
  TOakTable* T = MakeTable("ADRESSEN");
  T->IndexFiles()->Add("extra");
  T->SetIndexName("BYORT");
  T->Open();
  EXPECT_EQ((std::vector<std::string>{"Aachen", "Bonn", "Köln"}), Column(T, "ORT"));
}

TEST_F(IndexTest, IndexFilesNeedAnOwner) {
  auto E = CatchOak([] { TOakIndexFiles Files(nullptr); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_EQ("TOakIndexFiles instances require a non-nil owner", E.Message());
}

TEST_F(IndexTest, OpeningAnIndexFileNeedsAnActiveTable) {
  TOakTable* T = MakeTable("ADRESSEN");
  auto E = CatchOak([&] { T->OpenIndexFile("extra"); });
  EXPECT_NE(String::npos, E.Message().find("Table must be Active."));
}

TEST_F(IndexTest, ChangingTheTableNameClearsIndexFiles) {
  TOakTable* T = MakeTable("ADRESSEN");
  T->IndexFiles()->Add("extra");
  T->SetTableName("AUFTRAEGE");
  EXPECT_EQ(0, T->IndexFiles()->Count());
}

}  // namespace

namespace {

TEST_F(IndexTest, DetailKeepsFollowingItsMasterAfterTheIndexChanges) {
  CreateTable("AUFTRAEGE", "NR,Integer;ADR,Integer");
  for (auto [Nr, Adr] : {std::pair{10, 1}, {11, 2}, {12, 1}, {13, 3}})
    AddRow("AUFTRAEGE", {{"NR", std::to_string(Nr)}, {"ADR", std::to_string(Adr)}});
  CreateIndex("AUFTRAEGE", "ADR", "ADR");
  CreateIndex("AUFTRAEGE", "ADRDESC", "ADR", OAK_DESCENDING);
  TOakTable* Master = OpenTable("ADRESSEN", "ID");  // Abel (ID 1) first
  auto* Source = new TDataSource(Form);
  Source->SetDataSet(Master);
  TOakTable* Detail = MakeTable("AUFTRAEGE");
  Detail->SetIndexName("ADR");
  Detail->SetMasterSource(Source);
  Detail->SetMasterFields("ID");
  Detail->Open();
  EXPECT_EQ((std::vector<std::string>{"10", "12"}), Column(Detail, "NR"));
  Detail->SetIndexName("ADRDESC");
  std::vector<std::string> Nrs = Column(Detail, "NR");
  std::sort(Nrs.begin(), Nrs.end());
  EXPECT_EQ((std::vector<std::string>{"10", "12"}), Nrs);
}

}  // namespace
