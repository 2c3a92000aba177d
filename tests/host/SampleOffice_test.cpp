// The sample office: the tables that a synchronisation copies, their index
// tags and rows, the settings rows of the office identity and the
// installation list, and the refusal to overwrite an office.
#include "host/SampleOffice.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "foundation/StringUtils.h"
#include "foundation/ZLibStreams.h"
#include "host_fixture.h"
#include "platform/os/fileapi.h"
#include "platform/rtl/guid.h"

namespace {

const char* const SettingsFiles[] = {"setup.OAT",   "setup.OAM",   "setup.OAI",
                                     "OrderVL.OAM", "OrderVL.OAT", "OrderVL.OAI",
                                     "TEXT.OAM",    "TEXT.OAT",    "TEXT.OAI"};
const char* const MainDataFiles[] = {"Adressen.OAI",  "ArtikelMain.OAI", "ArtikelSub.OAI",
                                     "Adressen.oam",  "ArtikelMain.oam", "Auftraege.OAM",
                                     "Adressen.OAT",  "ArtikelMain.OAT", "ArtikelSub.OAT",
                                     "Auftraege.OAT", "Auftraege.OAI"};

class SampleOfficeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Office = T.Root + "Mandant/";
    GUID = CreateSampleOffice(Office);
  }
  bool Has(const std::vector<std::string>& Tags, const std::string& Tag) {
    return std::any_of(Tags.begin(), Tags.end(),
                       [&](const std::string& T) { return strcasecmp(T.c_str(), Tag.c_str()) == 0; });
  }
  // The decompressed memo of setup row Ident.
  std::string SetupMemo(int Ident) {
    OfficeTable Setup(Office, "setup");
    EXPECT_TRUE(Setup.Seek("Ident", std::to_string(Ident)));
    TStringStream Packed(Setup.Get("MemoItem", true));
    TStringStream Plain;
    ZDecompressStream(&Packed, &Plain);
    return Plain.DataString();
  }
  static std::string Key(char Prefix, int ID) {
    char Buf[16];
    std::snprintf(Buf, sizeof Buf, "%c%10d", Prefix, ID);
    return Buf;
  }

  TempTree T;
  std::string Office, GUID;
};

}  // namespace

TEST_F(SampleOfficeTest, EveryFileOfTheCopyStepsIsThere) {
  for (const char* F : SettingsFiles) EXPECT_TRUE(FileExists(Office + F)) << F;
  for (const char* F : MainDataFiles) EXPECT_TRUE(FileExists(Office + F)) << F;
}

TEST_F(SampleOfficeTest, TheMaskFilesOfTheOfficeFolderAreThere) {
  EXPECT_TRUE(T.Exists("Mandant/Hinweise.TXT"));
  EXPECT_TRUE(T.Exists("Mandant/MACROS/Serienbrief.RTF"));
  EXPECT_TRUE(T.Exists("Mandant/RECHNUNG_SUPERLAYOUT.DA1"));
}

TEST_F(SampleOfficeTest, EachTableOpensWithItsTagsAndRows) {
  struct {
    const char* Table;
    std::vector<std::string> Tags;
  } Expected[] = {{"Adressen", {"ID", "NAME"}},      {"Auftraege", {"ID_ORDER", "ID", "ADRESSID"}},
                  {"ArtikelMain", {"ID", "ARTNR"}},  {"ArtikelSub", {"ID", "ARTIKELID"}},
                  {"setup", {"Ident"}},              {"OrderVL", {"ID", "NAME"}},
                  {"TEXT", {"KURZ"}}};
  for (auto& E : Expected) {
    OfficeTable Table(Office, E.Table);
    ASSERT_TRUE(Table.Opened()) << E.Table;
    EXPECT_GT(Table.Count(), 2u) << E.Table;
    std::vector<std::string> Tags = Table.Tags();
    for (const std::string& Tag : E.Tags) EXPECT_TRUE(Has(Tags, Tag)) << E.Table << " " << Tag;
  }
}

TEST_F(SampleOfficeTest, AddressesLeaveTheKeyTagToTheMerge) {
  OfficeTable Addresses(Office, "Adressen");
  EXPECT_FALSE(Has(Addresses.Tags(), "ADR_46_"));
}

TEST_F(SampleOfficeTest, OrdersAreFoundByTheirOrderNumber) {
  OfficeTable Orders(Office, "Auftraege");
  ASSERT_TRUE(Orders.Seek("ID_ORDER", "000010003"));
  EXPECT_EQ(Orders.Get("Status"), "0");
  EXPECT_EQ(Orders.Get("BETREFF"), "Wartungsvertrag 2027");
  EXPECT_FALSE(Orders.Seek("ID_ORDER", "999999999"));
}

TEST_F(SampleOfficeTest, OrdersCarryNineCharacterNumbersStatusesAndStamps) {
  OfficeTable Orders(Office, "Auftraege");
  std::set<std::string> Statuses, Prefixes;
  Orders.ForEach([&] {
    std::string Number = Orders.Get("ID_ORDER");
    EXPECT_EQ(Number.size(), 9u) << Number;
    Prefixes.insert(Number.substr(0, 1));
    Statuses.insert(Orders.Get("Status"));
    std::string Stamp = Orders.Get("ParentName");
    EXPECT_EQ(Stamp.size(), 18u);
    EXPECT_GT(StampToDateTime(Stamp), 0.0) << Stamp;
  });
  EXPECT_EQ(Statuses, (std::set<std::string>{"0", "1", "2", "3"}));
  EXPECT_EQ(Prefixes, (std::set<std::string>{"0", "3"}));
}

TEST_F(SampleOfficeTest, EveryOrderPointsToAnExistingAddress) {
  OfficeTable Orders(Office, "Auftraege");
  OfficeTable Addresses(Office, "Adressen");
  Orders.ForEach([&] { EXPECT_TRUE(Addresses.Seek("ID", Orders.Get("AdressID"))) << Orders.Get("ID_ORDER"); });
}

TEST_F(SampleOfficeTest, AddressKeysAreThePrefixAndTheRightAlignedID) {
  OfficeTable Addresses(Office, "Adressen");
  int Mobile = 0;
  Addresses.ForEach([&] {
    int ID = std::stoi(Addresses.Get("ID"));
    std::string Key = Addresses.Get("ADR_46_", true);
    ASSERT_EQ(Key.size(), 11u);
    EXPECT_TRUE(Key == SampleOfficeTest::Key('0', ID) || Key == SampleOfficeTest::Key('3', ID)) << Key;
    Mobile += Key[0] == '3';
    EXPECT_GT(StampToDateTime(Addresses.Get("ADR_47_")), 0.0);
  });
  EXPECT_GT(Mobile, 0);
}

TEST_F(SampleOfficeTest, GermanTextSurvivesTheAnsiTables) {
  OfficeTable Addresses(Office, "Adressen");
  ASSERT_TRUE(Addresses.Seek("ID", "3"));
  EXPECT_EQ(Addresses.Get("FIRMA"), "Müller & Söhne KG");
  EXPECT_EQ(Addresses.Get("NOTIZ"), "Rahmenvertrag bis 31.12.2027.");
}

TEST_F(SampleOfficeTest, SetupRowOneHoldsTheOfficeGUID) {
  OfficeTable Setup(Office, "setup");
  ASSERT_TRUE(Setup.Seek("Ident", "1"));
  EXPECT_EQ(Setup.Get("StringItem"), GUID);
  EXPECT_EQ(GUID.size(), 38u);
  EXPECT_NO_THROW(StringToGUID(GUID));
}

TEST_F(SampleOfficeTest, SetupRowTwoHoldsSevenFreeInstallations) {
  auto Owner = std::make_unique<TComponent>(nullptr);
  auto* KM = new TmtMemTable(Owner.get());
  auto* Format = new TmtCSVStreamFormat(Owner.get());
  Format->Set_sfLocalFormat({sfSaveLocalFormat, sfLoadLocalFormat});
  KM->SetDefaultFormat(Format);
  TStringStream Text(SetupMemo(2));
  KM->LoadFromStream(&Text);
  ASSERT_EQ(KM->RecordCount(), 7);
  KM->First();
  for (int ID = 1; ID <= 7; ++ID, KM->Next()) {
    EXPECT_EQ(KM->FieldByName("ID")->AsInteger(), ID);
    EXPECT_EQ(KM->FieldByName("Name")->AsString(), "");
    EXPECT_EQ(KM->FieldByName("Path")->AsString(), "");
    EXPECT_EQ(KM->FieldByName("RIGHTS")->AsInteger(), 0);
    EXPECT_NO_THROW(StringToGUID(KM->FieldByName("GUID")->AsString()));
  }
}

TEST_F(SampleOfficeTest, TheInstallationListTextHasItsDefinitionHeaderAndSevenRows) {
  std::string Text = EmptyInstallationListText();
  EXPECT_EQ(Text.rfind("\"@@FILE VERSION@@\"", 0), 0u);
  EXPECT_NE(Text.find("\"Name\",\"Path\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\",\"ID\",\"GUID\","
                      "\"RIGHTS\","),
            std::string::npos);
  for (int ID = 1; ID <= 7; ++ID)
    EXPECT_NE(Text.find(",,,,,,,,,\"" + std::to_string(ID) + "\",\"{"), std::string::npos) << ID;
}

TEST_F(SampleOfficeTest, BusinessSettingsRowsAreThere) {
  OfficeTable Setup(Office, "setup");
  ASSERT_TRUE(Setup.Seek("Ident", "1501"));
  EXPECT_NE(Setup.Get("MemoItem").find("Sehr geehrter Herr,"), std::string::npos);
  ASSERT_TRUE(Setup.Seek("Ident", "20012"));
  EXPECT_EQ(Setup.Get("StringItem"), "0");
}

TEST_F(SampleOfficeTest, TheThreeLockedTablesTakeATableLock) {
  for (const char* Name : {"Auftraege", "Adressen", "setup"}) {
    OfficeTable Table(Office, Name);
    ASSERT_TRUE(Table.Opened());
    EXPECT_EQ(0u, OakLockTable(Table.Table)) << Name;
  }
}

TEST_F(SampleOfficeTest, AnExistingOfficeIsNotOverwritten) {
  std::string Before = T.Read("Mandant/Auftraege.OAT");
  EXPECT_THROW(CreateSampleOffice(Office), EHostSetupError);
  EXPECT_EQ(T.Read("Mandant/Auftraege.OAT"), Before);
}

TEST_F(SampleOfficeTest, EachOfficeGetsItsOwnIdentity) {
  EXPECT_NE(CreateSampleOffice(T.Root + "Zweiter Mandant/"), GUID);
}

// ---- A later writer: a row added to an existing table --------------------------------

TEST_F(SampleOfficeTest, AnOpenedTableTakesANewOrderFoundByItsKey) {
  UNSIGNED32 Before = OfficeTable(Office, "Auftraege").Count();
  {
    THostConnection Connection(Office);
    THostTable Orders(Connection, Office + "Auftraege");
    EXPECT_GT(Orders.Append({{"ID_ORDER", "M-2026-0001"}, {"Status", "0"}, {"AdressID", "1"}}), 0u);
  }
  OfficeTable Orders(Office, "Auftraege");
  EXPECT_EQ(Orders.Count(), Before + 1);
  EXPECT_TRUE(Orders.Seek("ID_ORDER", "M-2026-0001"));
}

TEST_F(SampleOfficeTest, OpeningAMissingTableRaisesWithItsName) {
  THostConnection Connection(Office);
  try {
    THostTable Missing(Connection, Office + "Fehlt");
    FAIL() << "no exception";
  } catch (const EHostSetupError& E) {
    EXPECT_NE(E.Message().find("Fehlt"), String::npos) << E.Message();
  }
}
