// The merge of mobile orders and addresses into the office copy: which
// records are added, which replaced, which kept, and the four counters.
#include "sync/run_fixture.h"

#include "foundation/FileUtils.h"
#include "platform/os/files.h"

namespace {

// Change stamps around the last synchronisation (1 November 2026, 12:00).
const String Before = "20261101-100000000";
const String AtSync = "20261101-120000000";
const String After = "20261105-100000000";
const String Later = "20261106-100000000";

class MergeTest : public RunStepTest {
 protected:
  void SetUp() override {
    RunStepTest::SetUp();
    MakeRunForm();
    Server = Tree("M_Temp/Server/Data/");
    Remote = Tree("M_Temp/Remote/Data/");
    for (const String& Folder : {Server, Remote}) {
      std::filesystem::create_directories(Folder);
      CreateTables(Folder);
    }
    Form->RunMode = 2;
    Form->LastSyncDate = EncodeDateTime(2026, 11, 1, 12, 0, 0, 0);
  }
  void OfficeOrder(const String& Number, const String& Status, const String& Stamp, const String& AddressID = "1") {
    AddRow(Server, "Auftraege", {{"ID_ORDER", Number}, {"Status", Status}, {"ParentName", Stamp}, {"AdressID", AddressID}});
  }
  void MobileOrder(const String& Number, const String& Stamp, const String& AddressID = "0",
                   const String& Note = "mobil") {
    AddRow(Remote, "Auftraege",
           {{"ID_ORDER", Number}, {"Status", "0"}, {"ParentName", Stamp}, {"AdressID", AddressID}, {"Notiz", Note}});
  }
  void OfficeAddress(const String& Key, const String& Stamp, const String& Name = "Büro") {
    AddRow(Server, "Adressen", {{"ADR_46_", Key}, {"ADR_47_", Stamp}, {"Name", Name}});
  }
  void MobileAddress(const String& Key, const String& Stamp, const String& Name = "Mobil") {
    AddRow(Remote, "Adressen", {{"ADR_46_", Key}, {"ADR_47_", Stamp}, {"Name", Name}});
  }
  void Merge() { Form->MergeMobileData(); }
  std::vector<String> OfficeOrders(const char* Field) { return LiveRows(Server, "Auftraege", Field); }
  std::vector<String> OfficeAddresses(const char* Field) { return LiveRows(Server, "Adressen", Field); }
  void ExpectCounters(int OrdersUpdated, int OrdersAdded, int AddressesUpdated, int AddressesAdded) {
    EXPECT_EQ(OrdersUpdated, Form->OrdersUpdated);
    EXPECT_EQ(OrdersAdded, Form->OrdersAdded);
    EXPECT_EQ(AddressesUpdated, Form->AddressesUpdated);
    EXPECT_EQ(AddressesAdded, Form->AddressesAdded);
  }

  String Server, Remote;
};

// ---- Orders -------------------------------------------------------------------------

TEST_F(MergeTest, ANewMobileOrderAfterTheLastSyncIsAddedWithItsAddress) {
  OfficeAddress("0         1", Before);
  MobileAddress("0         1", Before);
  MobileAddress("3         2", After, "Neukunde");
  MobileOrder("300000001", After, "2", "Anruf");
  Merge();
  ExpectCounters(0, 1, 0, 1);
  EXPECT_EQ(std::vector<String>({"300000001"}), OfficeOrders("ID_ORDER"));
  EXPECT_EQ(std::vector<String>({"Anruf"}), OfficeOrders("Notiz"));
  EXPECT_EQ(std::vector<String>({"Büro", "Neukunde"}), OfficeAddresses("Name"));
  EXPECT_EQ(std::vector<String>({"2"}), OfficeOrders("AdressID"));  // the office ID of the new address
}

TEST_F(MergeTest, ANewMobileOrderStampedAtTheLastSyncIsNotCopied) {
  MobileOrder("300000001", AtSync);
  MobileOrder("300000002", "kein Stempel");
  Merge();
  ExpectCounters(0, 0, 0, 0);
  EXPECT_TRUE(OfficeOrders("ID_ORDER").empty());
}

TEST_F(MergeTest, AnOfficeOrderIsReplacedOnlyByAStrictlyNewerStamp) {
  OfficeOrder("300000001", "0", After);
  OfficeOrder("300000002", "0", After);
  MobileOrder("300000001", Later, "0", "neuer");
  MobileOrder("300000002", After, "0", "gleich alt");
  Merge();
  ExpectCounters(1, 0, 0, 0);
  EXPECT_EQ(std::vector<String>({Later, After}), OfficeOrders("ParentName"));
}

TEST_F(MergeTest, EqualOrUnreadableStampsNeverReplaceAnOfficeRecord) {
  OfficeOrder("300000001", "0", "kein Stempel");
  OfficeOrder("300000002", "0", "kein Stempel");
  OfficeOrder("300000003", "0", After);
  OfficeOrder("300000004", "3", Before);
  MobileOrder("300000001", "kein Stempel", "0", "gleicher Text");
  MobileOrder("300000002", Later, "0", "Büro unlesbar");
  MobileOrder("300000003", "unlesbar", "0", "mobil unlesbar");
  MobileOrder("300000004", After, "0", "neuer");
  OfficeAddress("0         1", After, "Büro");
  OfficeAddress("0         2", Before, "Büro älter");
  MobileAddress("0         1", After, "gleicher Stempel");
  MobileAddress("0         2", After, "Mobil neuer");
  Merge();
  ExpectCounters(1, 0, 1, 0);
  EXPECT_EQ(std::vector<String>({"kein Stempel", "kein Stempel", After, After}), OfficeOrders("ParentName"));
  EXPECT_EQ(std::vector<String>({"Büro", "Mobil neuer"}), OfficeAddresses("Name"));
}

TEST_F(MergeTest, OnlyOrdersOfStatusZeroOrThreeAreOverwritten) {
  OfficeOrder("300000001", "1", Before);
  OfficeOrder("300000002", "3", Before);
  OfficeOrder("300000003", "2", Before);
  for (const char* Number : {"300000001", "300000002", "300000003"}) MobileOrder(Number, Later);
  Merge();
  ExpectCounters(1, 0, 0, 0);
  EXPECT_EQ(std::vector<String>({Before, Later, Before}), OfficeOrders("ParentName"));
}

TEST_F(MergeTest, OrdersWhoseAddressHasNoKeyAreNotTakenOverButNamed) {
  OfficeOrder("300000001", "0", Before, "1");
  MobileAddress("", After);
  MobileOrder("300000001", Later, "1", "mobil geändert");
  MobileOrder("300000002", After, "1", "neu");
  Merge();
  ExpectCounters(0, 0, 0, 0);
  EXPECT_EQ(std::vector<String>({"300000001"}), OfficeOrders("ID_ORDER"));
  EXPECT_EQ(std::vector<String>({Before}), OfficeOrders("ParentName"));
  EXPECT_EQ(std::vector<String>({"300000001", "300000002"}), Form->OrdersNotTakenOver);
  // Both orders and their one address are kept as text for entering by hand.
  const String Folder = Form->KeptOrders->Save(Office, "Lauf");
  EXPECT_EQ(Office + "Nicht übernommene Aufträge/Lauf/", Folder);
  const String Orders = ReadFile(Folder + "Auftraege.csv"), Addresses = ReadFile(Folder + "Adressen.csv");
  for (const char* Part : {"\"ID_ORDER\";", "\"300000001\";", "mobil geändert", "\"300000002\";", "neu", Later.c_str()})
    EXPECT_NE(String::npos, Orders.find(Part)) << Part << " in " << Orders;
  EXPECT_NE(String::npos, Addresses.find("ADR_46_")) << Addresses;
  EXPECT_EQ(Addresses.find("Mobil"), Addresses.rfind("Mobil")) << "the address once: " << Addresses;
  EXPECT_NE(String::npos, Addresses.find("Mobil")) << Addresses;
  Form->KeptOrdersFolder = Folder;
  EXPECT_EQ("<B>Nicht übernommene Aufträge (Adresse ohne Schlüssel): 300000001, 300000002</B><BR>"
            "Die Aufträge und ihre Adressen liegen zur Erfassung von Hand in " + Folder +
                " (Auftraege.csv, Adressen.csv).<BR>",
            OrdersNotTakenOverText(*Form));
  // The next merge starts afresh.
  Merge();
  EXPECT_EQ(std::vector<String>({"300000001", "300000002"}), Form->OrdersNotTakenOver);
  EXPECT_TRUE(Form->KeptOrdersFolder.empty());
}

// What a run keeps never replaces what an earlier run kept, never goes
// through a link, and is written whole or not at all.
TEST_F(MergeTest, KeptOrdersGoIntoANewFolderOfTheirOwnOrNowhere) {
  MobileAddress("", After);
  MobileOrder("300000007", Later, "1", "erster Lauf");
  Merge();
  EXPECT_EQ("", TKeptOrders().Save(Office, "Lauf"));  // nothing kept, nothing written
  EXPECT_FALSE(Exists(Office + "Nicht übernommene Aufträge"));
  const String First = Form->KeptOrders->Save(Office, "Lauf");
  const String Kept = ReadFile(First + "Auftraege.csv");
  const String Second = Form->KeptOrders->Save(Office, "Lauf");
  EXPECT_EQ(Office + "Nicht übernommene Aufträge/Lauf (2)/", Second);
  EXPECT_EQ(Kept, ReadFile(First + "Auftraege.csv"));
  EXPECT_EQ(Kept, ReadFile(Second + "Auftraege.csv"));

  // A full disk names the file and the space; the run's folder goes again.
  os::FaultInjection::SetDiskFull(true);
  try {
    Form->KeptOrders->Save(Office, "Voll");
    ADD_FAILURE() << "a full disk saved";
  } catch (const Exception& E) {
    EXPECT_NE(String::npos, E.Message().find("Der Datenträger ist voll: Die Datei " + Office +
                                             "Nicht übernommene Aufträge/Voll/Auftraege.csv"))
        << E.Message();
  }
  os::FaultInjection::Reset();
  EXPECT_FALSE(Exists(Office + "Nicht übernommene Aufträge/Voll"));

  // The folder replaced by a link elsewhere: refused, nothing written there.
  const String Elsewhere = Root + "anderswo/";
  std::filesystem::create_directories(Elsewhere);
  std::filesystem::rename(Office + "Nicht übernommene Aufträge", Root + "alt");
  std::filesystem::create_directory_symlink(Elsewhere, Office + "Nicht übernommene Aufträge");
  EXPECT_THROW(Form->KeptOrders->Save(Office, "Lauf"), EInOutError);
  EXPECT_TRUE(std::filesystem::is_empty(Elsewhere));
}

// A file where the kept orders' folder or the run's folder belongs fails
// the backup step, naming the file; the file and the office stay as they
// were, and the backup folder is marked as incomplete.
TEST_F(MergeTest, AFileWhereAKeptOrdersFolderBelongsFailsTheBackupNamingIt) {
  GivenOffice();
  MobileAddress("", After);
  MobileOrder("300000007", Later, "1");
  Merge();
  const String Kept = Office + "Nicht übernommene Aufträge";
  for (const String& InTheWay : {Kept + "/" + BackupFolderName(Now()), Kept}) {
    WriteFile(InTheWay, "Notizen");
    std::map<String, String> Tables;
    for (const String& Name : RunTableFiles()) Tables[Name] = ReadTable(Office + Name);
    try {
      Form->BackupMandant();
      ADD_FAILURE() << "backed up past " << InTheWay;
    } catch (const ECanNotActiveMandantBak& E) {
      // Then the incomplete backup folder is named.
      EXPECT_EQ("Der Ordner " + InTheWay + " kann nicht angelegt werden: an seiner Stelle liegt die Datei " +
                    InTheWay + ". Benennen Sie diese Datei um oder verschieben Sie sie und wiederholen Sie die "
                    "Synchronisation.",
                E.Message().substr(0, E.Message().find("<BR>")));
    }
    EXPECT_EQ("Notizen", ReadFile(InTheWay));
    for (const String& Name : RunTableFiles()) EXPECT_EQ(Tables[Name], ReadTable(Office + Name)) << Name;
    EXPECT_FALSE(Exists(InTheWay + " (2)"));
    for (auto& E : std::filesystem::directory_iterator(Office + "Sicherheitskopie"))
      EXPECT_NE(String::npos, E.path().filename().string().find(" (unvollständig)")) << E.path();
    std::filesystem::remove(InTheWay);
    std::filesystem::remove(Kept);  // the folder the first file stood in
  }
}

TEST_F(MergeTest, EveryOrderOfANewMobileAddressGetsItsNewOfficeAddress) {
  OfficeAddress("0         1", Before, "Büro eins");
  OfficeAddress("0         2", Before, "Büro zwei");  // office ID 2: another customer
  MobileAddress("0         1", Before);
  MobileAddress("3         2", After, "Neukunde");  // mobile ID 2
  for (const char* Number : {"300000001", "300000002", "300000003"}) MobileOrder(Number, After, "2");
  Merge();
  ExpectCounters(0, 3, 0, 1);
  EXPECT_EQ(std::vector<String>({"Büro eins", "Büro zwei", "Neukunde"}), OfficeAddresses("Name"));
  EXPECT_EQ(std::vector<String>({"3", "3", "3"}), OfficeOrders("AdressID"));
}

TEST_F(MergeTest, ALockedOfficeRecordEndsTheMergeInsteadOfBeingSkipped) {
  OfficeOrder("300000001", "0", Before);
  MobileOrder("300000001", Later);
  OAKHANDLE Other = OpenEngineTable(Server + "Auftraege");
  ASSERT_EQ(0u, OakLockRecord(Other, 1));
  EXPECT_THROW(Merge(), ECanNotDataCopy2Server);
  OakCloseTable(Other);
  EXPECT_EQ(std::vector<String>({Before}), OfficeOrders("ParentName"));
}

TEST_F(MergeTest, AnOrderOfAnOfficeAddressKeepsItsAddressID) {
  OfficeAddress("0         1", After);
  MobileAddress("0         1", Before);
  MobileOrder("300000001", After, "1");
  Merge();
  ExpectCounters(0, 1, 0, 0);
  EXPECT_EQ(std::vector<String>({"1"}), OfficeOrders("AdressID"));
  EXPECT_EQ(std::vector<String>({"Büro"}), OfficeAddresses("Name"));
}

TEST_F(MergeTest, AnOrderWhoseMobileAddressIsMissingKeepsTheAddressIDItHad) {
  OfficeAddress("0         1", Before);
  MobileAddress("0         1", Before);
  OfficeOrder("300000002", "0", Before, "1");
  MobileOrder("300000001", After, "7", "ohne Adresse");
  MobileOrder("300000002", Later, "8", "auch ohne");
  Merge();
  ExpectCounters(1, 1, 0, 0);
  EXPECT_EQ(std::vector<String>({"1", "7"}), OfficeOrders("AdressID"));  // the office's, the new order's own
  EXPECT_EQ(std::vector<String>({"auch ohne", "ohne Adresse"}), OfficeOrders("Notiz"));
}

// ---- Addresses -----------------------------------------------------------------------

TEST_F(MergeTest, AnAddressCopiedWithItsOrderIsNotVisitedAgain) {
  MobileAddress("3         1", After, "Neukunde");
  MobileOrder("300000001", After, "1");
  Merge();
  ExpectCounters(0, 1, 0, 1);
  EXPECT_EQ(1u, OfficeAddresses("ID").size());
}

TEST_F(MergeTest, AddressesFollowTheirStampsByKey) {
  OfficeAddress("0         1", After, "Büro neuer");
  OfficeAddress("0         2", Before, "Büro älter");
  OfficeAddress("0         3", After, "Büro gleich");
  MobileAddress("0         1", Before);
  MobileAddress("0         2", Later, "Mobil neuer");
  MobileAddress("0         3", After);
  MobileAddress("3         4", After, "Neu mobil");
  MobileAddress("3         5", Before, "Alt mobil");
  MobileAddress("", Later, "Ohne Schlüssel");
  Merge();
  ExpectCounters(0, 0, 1, 1);
  EXPECT_EQ(std::vector<String>({"Büro neuer", "Mobil neuer", "Büro gleich", "Neu mobil"}), OfficeAddresses("Name"));
}

TEST_F(MergeTest, IgnoringMobileAddressesLetsThemInOnlyWithTheirOrders) {
  MobileAddress("3         1", After, "Mit Auftrag");
  MobileAddress("3         2", After, "Ohne Auftrag");
  MobileOrder("300000001", After, "1");
  Form->scignoreadr->SetChecked(true);
  Merge();
  ExpectCounters(0, 1, 0, 1);
  EXPECT_EQ(std::vector<String>({"Mit Auftrag"}), OfficeAddresses("Name"));
}

// ---- The run ---------------------------------------------------------------------------

TEST_F(MergeTest, AMergeWithoutChangesReportsFourZeros) {
  OfficeOrder("300000001", "0", After);
  MobileOrder("300000001", After);
  Form->OrdersAdded = 5;
  Merge();
  ExpectCounters(0, 0, 0, 0);
}

TEST_F(MergeTest, NothingIsMergedOutsideASynchronisation) {
  MobileOrder("300000001", After);
  Form->RunMode = 1;
  Merge();
  EXPECT_TRUE(OfficeOrders("ID_ORDER").empty());
}

TEST_F(MergeTest, ATemporaryKeyIndexThatCannotBeRemovedFailsTheMerge) {
  OfficeOrder("300000001", "0", After);
  MobileOrder("300000001", After);
  Form->scignoreadr->SetChecked(true);
  // The disk fills up once the last walk has begun: the merge writes
  // nothing more, but removing the tag does.
  auto Previous = SetPaintMessagePump([this] {
    if (Form->Label3copy->Caption().rfind("Aufträge syncronisieren", 0) == 0) os::FaultInjection::SetDiskFull(true);
  });
  try {
    Merge();
    ADD_FAILURE() << "no exception";
  } catch (const ECanNotDataCopy2Server& E) {
    EXPECT_NE(String::npos, E.Message().find("ADR_46_")) << E.Message();
  }
  os::FaultInjection::Reset();
  SetPaintMessagePump(Previous);
}

TEST_F(MergeTest, TheTemporaryKeyIndexIsGoneAfterTheMerge) {
  MobileAddress("3         1", After);
  Merge();
  OAKHANDLE T = OpenEngineTable(Server + "Adressen");
  OAKHANDLE Index = OAK_INVALID_HANDLE;
  EXPECT_NE(0u, OakGetIndexHandle(T, "ADR_46_", &Index));
  OakCloseTable(T);
}

}  // namespace
