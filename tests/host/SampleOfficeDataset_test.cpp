// The sample office read as the synchronisation tool reads it: through the
// dataset layer's connection and tables, the compressed installation list
// through the memo routines of the foundation, and the three tables that
// the tool locks at start-up.
#include <memory>

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/oak/oaktable.h"
#include "foundation/Ucompress.h"
#include "host_fixture.h"
#include "host/SampleOffice.h"
#include "platform/rtl/guid.h"
#include "platform/rtl/sysutils.h"

namespace {

class SampleOfficeDatasetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Office = T.Root + "Mandant";
    GUID = CreateSampleOffice(Office);
    Owner = std::make_unique<TComponent>(nullptr);
    Connection = new TOakConnection(Owner.get());
    Connection->SetConnectPath(Office);
    Connection->Connect();
  }
  void TearDown() override { Owner.reset(); }

  TOakTable* Open(const String& Name, const String& Index = String()) {
    auto* Table = new TOakTable(Owner.get());
    Table->SetOakConnection(Connection);
    Table->SetTableName(Name);
    if (!Index.empty()) Table->SetIndexName(Index);
    Table->Open();
    return Table;
  }

  TempTree T;
  std::string Office, GUID;
  std::unique_ptr<TComponent> Owner;
  TOakConnection* Connection = nullptr;
};

}  // namespace

TEST_F(SampleOfficeDatasetTest, TheOfficeIdentityIsReadByItsIdentRow) {
  TOakTable* Setup = Open("setup.OAT", "IDENT");
  ASSERT_TRUE(Setup->Seek("1", true));
  // The layer hands the character field out with its trailing blanks.
  EXPECT_EQ(TrimRight(Setup->FieldByName("stringItem")->AsString()), GUID);
}

TEST_F(SampleOfficeDatasetTest, TheInstallationListLoadsIntoTheInMemoryTable) {
  TOakTable* Setup = Open("setup.OAT", "IDENT");
  ASSERT_TRUE(Setup->Seek("2", true));
  TMemoryStream Stream;
  LoadBlobFieldToStream(Setup, "MemoItem", &Stream);
  auto* KM = new TmtMemTable(Owner.get());
  auto* Format = new TmtCSVStreamFormat(Owner.get());
  Format->Set_sfLocalFormat({sfSaveLocalFormat, sfLoadLocalFormat});
  KM->SetDefaultFormat(Format);
  KM->LoadFromStream(&Stream);
  EXPECT_EQ(KM->RecordCount(), 7);
  KM->Last();
  EXPECT_EQ(KM->FieldByName("ID")->AsInteger(), 7);
}

TEST_F(SampleOfficeDatasetTest, TheTablesTheToolLocksTakeTheirTableLocks) {
  for (const char* Name : {"Auftraege.OAT", "Adressen.OAT", "setup.OAT"}) {
    TOakTable* Table = Open(Name);
    EXPECT_TRUE(Table->LockTable()) << Name;
    EXPECT_TRUE(Table->IsTableLocked()) << Name;
  }
}

TEST_F(SampleOfficeDatasetTest, OrdersShowTheirFieldsThroughTheLayer) {
  TOakTable* Orders = Open("Auftraege.OAT", "ID_ORDER");
  ASSERT_TRUE(Orders->Seek("300000001", true));
  EXPECT_EQ(Orders->FieldByName("status")->AsInteger(), 0);
  EXPECT_EQ(Orders->FieldByName("AdressID")->AsInteger(), 11);
  EXPECT_EQ(TrimRight(Orders->FieldByName("ParentName")->AsString()), "20261103-111500000");
  EXPECT_EQ(Orders->FieldByName("DATUM")->AsDateTime(), EncodeDate(2026, 11, 3));
}
