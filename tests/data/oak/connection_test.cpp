// The connection component: paths, dictionaries and aliases, connecting
// and disconnecting, transactions, lists and its datasets.
#include <fstream>

#include "oak_fixture.h"

namespace {

class ConnectionTest : public OakTest {
 protected:
  void GivenAddresses() {
    CreateTable("ADRESSEN", "ID,Integer;NNAME,Character,20");
    AddRow("ADRESSEN", {{"ID", "1"}, {"NNAME", "Abel"}});
  }
  // Records the connection's events in order.
  void Record(TOakConnection* C) {
    C->BeforeConnect = [this](TObject*) { Events.push_back("BeforeConnect"); };
    C->AfterConnect = [this](TObject*) { Events.push_back("AfterConnect"); };
    C->OnConnect = [this](TObject*) { Events.push_back("OnConnect"); };
    C->BeforeDisconnect = [this](TObject*) { Events.push_back("BeforeDisconnect"); };
    C->AfterDisconnect = [this](TObject*) { Events.push_back("AfterDisconnect"); };
    C->OnDisconnect = [this](TObject*) { Events.push_back("OnDisconnect"); };
  }
  // Rows of ADRESSEN as another user sees them.
  UNSIGNED32 RowsSeenByOthers() {
    OAKHANDLE T = EngineOpen("ADRESSEN", OtherUser());
    UNSIGNED32 N = 0;
    OakGetRecordCount(T, OAK_IGNOREFILTERS, &N);
    return N;
  }
  std::vector<std::string> Events;
};

// ---- Paths, dictionaries, aliases ----------------------------------------------------

TEST_F(ConnectionTest, DictionaryPathGivesItsFolderAsDataPath) {
  TOakConnection* C = Connection();
  C->SetConnectPath("/data/kelpo/X.OAD");
  EXPECT_TRUE(C->IsDictionary());
  EXPECT_EQ("/data/kelpo", C->DataPath());
  C->SetConnectPath("X.OAD");
  EXPECT_EQ("./", C->DataPath());
  C->SetConnectPath("C:\\DATA\\X.oad");
  EXPECT_EQ("C:\\DATA", C->DataPath());
  C->SetConnectPath(Dir);
  EXPECT_FALSE(C->IsDictionary());
  EXPECT_EQ(Dir, C->DataPath());
}

TEST_F(ConnectionTest, AliasWithSuffixNGivesNtxAndAliasType2) {
  WriteOakIni({{"DB", "C:\\DATA;N"}, {"PLAIN", "C:\\DATA"}, {"CDX", "/x;c"}, {"OAT", "/y;A"}});
  TOakAlias A = ResolveOakAlias("DB");
  EXPECT_EQ("C:\\DATA", A.Path);
  EXPECT_EQ(ttOakNTX, A.TableType);
  EXPECT_EQ(2, A.AliasType);
  TOakAlias P = ResolveOakAlias("plain");
  EXPECT_EQ("C:\\DATA", P.Path);
  EXPECT_EQ(ttOakOAT, P.TableType);
  EXPECT_EQ(0, P.AliasType);
  EXPECT_EQ(1, ResolveOakAlias("CDX").AliasType);
  EXPECT_EQ(ttOakCDX, ResolveOakAlias("CDX").TableType);
  EXPECT_EQ(3, ResolveOakAlias("OAT").AliasType);
  EXPECT_FALSE(ResolveOakAlias("MISSING").Valid());
}

TEST_F(ConnectionTest, ConnectsThroughAnAlias) {
  GivenAddresses();
  WriteOakIni({{"OFFICE", Dir}});
  TOakConnection* C = Connection();
  C->SetAliasName("OFFICE");
  EXPECT_EQ("", C->ConnectPath());
  EXPECT_EQ(Dir, C->GetConnectPath());
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_TRUE(C->IsConnected());
  EXPECT_EQ(1, T->RecordCount());
}

TEST_F(ConnectionTest, ConnectPathAndAliasNameClearEachOther) {
  WriteOakIni({{"OFFICE", Dir}});
  TOakConnection* C = Connection();
  C->SetAliasName("OFFICE");
  C->SetConnectPath(Dir);
  EXPECT_EQ("", C->AliasName());
  C->SetAliasName("OFFICE");
  EXPECT_EQ("", C->ConnectPath());
}

TEST_F(ConnectionTest, UnknownAliasRefusesToConnect) {
  WriteOakIni({});
  TOakConnection* C = Connection();
  C->SetAliasName("NOWHERE");
  EXPECT_FALSE(C->AliasValid());
  try {
    C->Connect();
    FAIL();
  } catch (OakConnectionError& E) {
    EXPECT_EQ("TOakConnection.AliasName is not valid", E.Message());
  }
  EXPECT_FALSE(C->IsConnected());
}

TEST_F(ConnectionTest, AliasTypeFixesTheTableTypeOfItsDatasets) {
  WriteOakIni({{"NTXDB", Dir + ";N"}});
  TOakTable* T = MakeTable("ADRESSEN");
  Connection()->SetAliasName("NTXDB");
  EXPECT_EQ(ttOakNTX, T->TableType());
  EXPECT_EQ(OAK_NTX, T->TableTypeCode());
  auto E = CatchOak([&] { T->SetTableType(ttOakCDX); });
  EXPECT_NE(String::npos, E.Message().find("must remain identical to the table type"));
}

// ---- Connecting ------------------------------------------------------------------

TEST_F(ConnectionTest, EmptyPathIsRefusedAndStaysDisconnected) {
  auto* C = new TOakConnection(Form);
  try {
    C->Connect();
    FAIL();
  } catch (OakConnectionError& E) {
    EXPECT_EQ("Must specify connection string before getting a server connection.", E.Message());
  }
  EXPECT_FALSE(C->IsConnected());
  EXPECT_EQ(0u, C->ConnectionHandle());
}

TEST_F(ConnectionTest, ConnectingToAMissingFolderFailsInTheEngine) {
  TOakConnection* C = Connection();
  C->SetConnectPath(Dir + "/missing");
  auto E = CatchOak([&] { C->Connect(); });
  EXPECT_EQ(5002, E.ErrorCode);
  EXPECT_EQ("", E.DataSetName);
  EXPECT_FALSE(C->IsConnected());
}

TEST_F(ConnectionTest, ConnectingFiresTheEventsAndGivesAHandle) {
  TOakConnection* C = Connection();
  Record(C);
  C->Connect();
  EXPECT_NE(0u, C->ConnectionHandle());
  EXPECT_EQ("Local", C->GetConnectionType());
  EXPECT_FALSE(C->ServerName().empty());
  C->Disconnect();
  EXPECT_EQ(0u, C->ConnectionHandle());
  EXPECT_EQ((std::vector<std::string>{"BeforeConnect", "AfterConnect", "OnConnect",
                                      "BeforeDisconnect", "AfterDisconnect", "OnDisconnect"}),
            Events);
}

TEST_F(ConnectionTest, PathAndAliasAreRefusedWhileConnected) {
  TOakConnection* C = Connection();
  C->Connect();
  EXPECT_THROW(C->SetConnectPath("/elsewhere"), OakConnectionError);
  EXPECT_EQ(Dir, C->ConnectPath());
  try {
    C->SetAliasName("X");
    FAIL();
  } catch (OakConnectionError& E) {
    EXPECT_EQ("The TOakConnection.AliasName may not be changed when IsConnected is TRUE",
              E.Message());
  }
}

TEST_F(ConnectionTest, ServerNameNeedsAConnection) {
  try {
    (void)Connection()->ServerName();
    FAIL();
  } catch (OakConnectionError& E) {
    EXPECT_EQ("Must be connected to get Oak server name.", E.Message());
  }
  EXPECT_EQ("", Connection()->GetConnectionType());
}

TEST_F(ConnectionTest, ConnectingWhileLoadingWaitsForTheEndOfLoading) {
  TOakConnection* C = Connection();
  C->BeginReading();
  C->SetIsConnected(true);
  EXPECT_FALSE(C->IsConnected());
  C->EndReading();
  C->Loaded();
  EXPECT_TRUE(C->IsConnected());
}

TEST_F(ConnectionTest, DictionaryLoginAsksOnLogin) {
  { std::ofstream(Dir + "/office.oad") << "[USER Anna]\r\n1102=admin\r\n"; }
  TOakConnection* C = Connection();
  C->SetConnectPath(Dir + "/office.oad");
  C->SetLoginPrompt(true);
  C->OnLogin = [](TObject*, String& User, String& Pass) {
    User = "Anna";
    Pass = "secret";
  };
  C->Connect();
  EXPECT_EQ("Anna", C->Username());
  EXPECT_EQ("secret", C->Password());
  EXPECT_EQ("admin", C->UserProperty());
}

TEST_F(ConnectionTest, CancelledLoginDialogRefusesToConnect) {
  { std::ofstream(Dir + "/office.oad") << "[TABLE X]\r\n"; }
  TOakConnection* C = Connection();
  C->SetConnectPath(Dir + "/office.oad");
  C->SetLoginPrompt(true);
  TOakConnection::LoginDialog = [](const String&, String&, String&) { return false; };
  try {
    C->Connect();
    FAIL();
  } catch (EDatabaseError& E) {
    EXPECT_EQ("Cannot connect to database 'OakConnection'", E.Message());
  }
  TOakConnection::LoginDialog = nullptr;
  EXPECT_FALSE(C->IsConnected());
}

// ---- Datasets -------------------------------------------------------------------

TEST_F(ConnectionTest, DisconnectingClosesTheAttachedTables) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_EQ(1, Connection()->DataSetCount());
  Connection()->Disconnect();
  EXPECT_FALSE(T->Active());
  EXPECT_EQ(Connection(), T->OakConnection());
}

TEST_F(ConnectionTest, DestroyingTheConnectionClosesAndDetachesItsTables) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  Connection()->Free();
  Conn = nullptr;
  EXPECT_FALSE(T->Active());
  EXPECT_EQ(nullptr, T->OakConnection());
}

TEST_F(ConnectionTest, RenamingTheConnectionRenamesTheDatabaseNameOfItsTables) {
  TOakConnection* C = Connection();
  TOakTable* T = MakeTable("ADRESSEN", "OakConnection");
  auto* Other = new TOakTable(Form);
  Other->SetDatabaseName("Form1.OakConnection");
  C->SetName("OfficeConnection");
  EXPECT_EQ("OfficeConnection", T->DatabaseName());
  EXPECT_EQ("OfficeConnection", Other->DatabaseName());
}

TEST_F(ConnectionTest, ListsTheTablesOfTheFolder) {
  GivenAddresses();
  CreateTable("AUFTRAEGE", "NR,Integer");
  TStringList Names;
  EXPECT_THROW(Connection()->GetTableNames(&Names, "*.oat"), OakConnectionError);
  Connection()->Connect();
  Connection()->GetTableNames(&Names, "*.oat");
  Names.Sort();
  ASSERT_EQ(2, Names.Count());
  EXPECT_TRUE(SameText("ADRESSEN.OAT", Names.Strings(0)));
  EXPECT_TRUE(SameText("AUFTRAEGE.OAT", Names.Strings(1)));
}

// ---- Transactions -----------------------------------------------------------------

TEST_F(ConnectionTest, TransactionStateNeedsAConnection) {
  try {
    (void)Connection()->TransactionActive();
    FAIL();
  } catch (OakConnectionError& E) {
    EXPECT_EQ("No connection to Oak server.", E.Message());
  }
  EXPECT_THROW(Connection()->BeginTransaction(), OakConnectionError);
}

TEST_F(ConnectionTest, RollbackDropsWhatTheTransactionWrote) {
  GivenAddresses();
  TOakConnection* C = Connection();
  C->Connect();
  C->BeginTransaction();
  EXPECT_TRUE(C->TransactionActive());
  OAKHANDLE T = EngineOpen("ADRESSEN", C->ConnectionHandle());
  ASSERT_EQ(0u, OakAppendRecord(T));
  ASSERT_EQ(0u, OakWriteRecord(T));
  C->Rollback();
  EXPECT_FALSE(C->TransactionActive());
  EXPECT_EQ(1u, RowsSeenByOthers());
}

TEST_F(ConnectionTest, CommitKeepsWhatTheTransactionWrote) {
  GivenAddresses();
  TOakConnection* C = Connection();
  C->Connect();
  int Fired = 0;
  C->BeforeCommit = [&](TObject*) { ++Fired; };
  C->AfterCommit = [&](TObject*) { ++Fired; };
  C->BeginTransaction();
  OAKHANDLE T = EngineOpen("ADRESSEN", C->ConnectionHandle());
  ASSERT_EQ(0u, OakAppendRecord(T));
  ASSERT_EQ(0u, OakWriteRecord(T));
  C->Commit();
  EXPECT_EQ(2, Fired);
  EXPECT_EQ(2u, RowsSeenByOthers());
}

// ---- Process-wide helpers ---------------------------------------------------------

TEST_F(ConnectionTest, ConnectionsByPathAreFoundIgnoringCase) {
  OAKHANDLE H = DynamicConnList().FindOrConnect(Dir);
  EXPECT_NE(0u, H);
  String Upper = UpperCase(Dir);
  EXPECT_EQ(H, DynamicConnList().Find(Upper));
  EXPECT_EQ(0u, DynamicConnList().Find(Dir + "/other"));
}

TEST_F(ConnectionTest, StatementHashFollowsItsTwoRules) {
  EXPECT_EQ(Cardinal('a') * 37 + 'b', OakSQLHash("ab"));
  String Long = "SELECT * FROM ADRESSEN";  // 22 characters: every 2nd one
  Cardinal H = 0;
  for (std::size_t I = 0; I < Long.size(); I += 2) H = H * 39 + static_cast<unsigned char>(Long[I]);
  EXPECT_EQ(H, OakSQLHash(Long));
}

}  // namespace

namespace {

TEST_F(ConnectionTest, RollbackCancelsThePendingEditsOfItsTables) {
  GivenAddresses();
  TOakTable* T = OpenTable("ADRESSEN");
  Connection()->BeginTransaction();
  T->Edit();
  T->FieldByName("NNAME")->SetAsString("Changed");
  Connection()->Rollback();
  EXPECT_EQ(dsBrowse, T->State());
  EXPECT_EQ("Abel", Trimmed(T, "NNAME"));
}

TEST_F(ConnectionTest, ServerTimeIsTodaysDateAndTime) {
  Connection()->Connect();
  TDateTime T = Connection()->GetServerTime();
  EXPECT_NEAR(Now(), T, 1.0 / 24);
  Connection()->Disconnect();
  EXPECT_THROW(Connection()->GetServerTime(), OakConnectionError);
}

TEST_F(ConnectionTest, ExternalHandleIsUsedAndNeverDisconnected) {
  GivenAddresses();
  OAKHANDLE Mine = OtherUser();
  TOakConnection* C = Connection();
  C->SetExternalHandle(Mine);
  C->Connect();
  EXPECT_EQ(Mine, C->ConnectionHandle());
  C->Disconnect();
  OAKHANDLE T = OAK_INVALID_HANDLE;
  EXPECT_EQ(
      0u, OakOpenTable(Mine, (Dir + "/ADRESSEN").c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T));
  OakCloseTable(T);
}

}  // namespace

namespace {

TEST_F(ConnectionTest, LocalConnectionHasNoActiveLinks) {
  Connection()->Connect();
  EXPECT_EQ(0, Connection()->GetNumActiveLinks());
  TStringList Names;
  Connection()->GetActiveLinkNames(&Names);
  EXPECT_EQ(0, Names.Count());
  EXPECT_NO_THROW(Connection()->CloseCachedTables());
}

}  // namespace
