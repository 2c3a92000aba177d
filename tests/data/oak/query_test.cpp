// Queries over the engine's SQL: parameters parsed from the text and bound
// by type, a SELECT browsed like a table, statements without a cursor,
// the refusals of the query's properties, the master link, and direct SQL
// on the connection with its statement cache.
#include "data/oak/oakquery.h"
#include "oak_fixture.h"
#include "platform/rtl/typinfo_access.h"

namespace {

class QueryTest : public OakTest {
 protected:
  // Addresses and their orders, joined by ADR_ID.
  void GivenAddressesAndOrders() {
    CreateTable("ADRESSEN", "ID,Integer;NNAME,Character,20;ORT,Character,20");
    AddRow("ADRESSEN", {{"ID", "1"}, {"NNAME", "Smith"}, {"ORT", "Berlin"}});
    AddRow("ADRESSEN", {{"ID", "2"}, {"NNAME", "Miller"}, {"ORT", "Bonn"}});
    AddRow("ADRESSEN", {{"ID", "3"}, {"NNAME", "Milton"}, {"ORT", "Berlin"}});
    CreateTable("AUFTRAEGE", "NR,Integer;ADR_ID,Integer;BETRAG,Double;STATUS,Integer");
    for (auto [Nr, Adr] : {std::pair{10, 1}, {11, 2}, {12, 3}, {13, 3}})
      AddRow("AUFTRAEGE", {{"NR", std::to_string(Nr)}, {"ADR_ID", std::to_string(Adr)},
                           {"BETRAG", std::to_string(Nr * 2)}, {"STATUS", "0"}});
  }
  TOakQuery* Query(const std::string& Sql) {
    auto* Q = new TOakQuery(Form);
    Q->SetOakConnection(Connection());
    Q->SQL()->SetText(Sql);
    return Q;
  }
  static std::string Text(const EOAKDatabaseError& E) { return E.Message(); }
  // Orders with STATUS as the engine stores them, in NR order.
  std::vector<std::string> Statuses() {
    TOakTable* T = OpenTable("AUFTRAEGE");
    std::vector<std::string> S = Column(T, "STATUS");
    T->Close();
    return S;
  }
};

using Strings = std::vector<std::string>;

TEST_F(QueryTest, ParametersComeFromTheText) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT * FROM ADRESSEN WHERE ORT = :ORT AND ID > :MINID");
  ASSERT_EQ(2, Q->Params()->Count());
  EXPECT_EQ("ORT", Q->Params()->Items(0)->Name());
  EXPECT_EQ("MINID", Q->Params()->Items(1)->Name());
}

TEST_F(QueryTest, ParameterValuesSurviveANewTextByName) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT * FROM ADRESSEN WHERE ORT = :ORT");
  Q->ParamByName("ORT")->SetAsString("Bonn");
  Q->SQL()->SetText("SELECT NNAME FROM ADRESSEN WHERE ID > :MINID AND ORT = :ORT");
  EXPECT_EQ("Bonn", Q->ParamByName("ORT")->AsString());
  EXPECT_TRUE(Q->ParamByName("MINID")->IsNull());
}

TEST_F(QueryTest, JoinWithParametersOverTwoTables) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query(
      "SELECT a.NNAME, o.NR, o.BETRAG FROM ADRESSEN a JOIN AUFTRAEGE o ON o.ADR_ID = a.ID "
      "WHERE a.ORT = :ORT AND o.BETRAG >= :MIN ORDER BY o.NR");
  Q->ParamByName("ORT")->SetAsString("Berlin");
  Q->ParamByName("MIN")->SetAsFloat(21.5);
  Q->Open();
  EXPECT_EQ((Strings{"12", "13"}), Column(Q, "NR"));
  Q->First();
  EXPECT_EQ("Milton", Trimmed(Q, "NNAME"));
  EXPECT_TRUE(Q->ReadOnly());
}

TEST_F(QueryTest, RecordNumbersFollowTheCursor) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT NR FROM AUFTRAEGE ORDER BY NR DESC");
  Q->Open();
  EXPECT_EQ(1, Q->RecNo());
  Q->Next();
  Q->Next();
  EXPECT_EQ(3, Q->RecNo());
  EXPECT_EQ("11", Trimmed(Q, "NR"));
  EXPECT_EQ(4, Q->RecordCount());
}

TEST_F(QueryTest, ReopeningWithNewValuesRunsAgain) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT NNAME FROM ADRESSEN WHERE ID = :ID");
  Q->ParamByName("ID")->SetAsInteger(1);
  Q->Open();
  EXPECT_EQ("Smith", Trimmed(Q, "NNAME"));
  Q->Close();
  Q->ParamByName("ID")->SetAsInteger(2);
  Q->Open();
  EXPECT_EQ("Miller", Trimmed(Q, "NNAME"));
}

TEST_F(QueryTest, NullParameterIsBoundEmpty) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT COUNT(*) AS N FROM ADRESSEN WHERE :X IS NULL");
  Q->ParamByName("X")->SetDataType(ftString);
  Q->Open();
  EXPECT_EQ("3", Trimmed(Q, "N"));
}

TEST_F(QueryTest, UnknownParameterTypeIsRefused) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT * FROM ADRESSEN WHERE ID = :ID");
  EOAKDatabaseError E = CatchOak([&] { Q->Open(); });
  EXPECT_EQ(7209, E.ErrorCode);
  EXPECT_NE(std::string::npos,
            Text(E).find("The field named: 'ID' has the DataType of ftUnknown, which is invalid."));
}

TEST_F(QueryTest, UnsupportedParameterTypeIsRefused) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT * FROM ADRESSEN WHERE ID = :ID");
  Q->ParamByName("ID")->SetDataType(ftCursor);
  Q->ParamByName("ID")->SetValue(Variant(1));
  EOAKDatabaseError E = CatchOak([&] { Q->Open(); });
  EXPECT_NE(std::string::npos, Text(E).find("' has a DataType that is not supported."));
}

TEST_F(QueryTest, OpeningAStatementWithoutCursorIsRefused) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("UPDATE AUFTRAEGE SET STATUS = 3 WHERE ADR_ID = 3");
  EOAKDatabaseError E = CatchOak([&] { Q->Open(); });
  EXPECT_NE(std::string::npos,
            Text(E).find("The SQL statement did not generate a cursor handle.  Use "
                         "TOakQuery.ExecSQL to execute SQL statements that are not SELECT "
                         "statements"));
}

TEST_F(QueryTest, ExecSQLChangesRowsAndCountsThem) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("UPDATE AUFTRAEGE SET STATUS = :S WHERE ADR_ID = :A");
  Q->ParamByName("S")->SetAsInteger(3);
  Q->ParamByName("A")->SetAsInteger(3);
  Q->ExecSQL();
  EXPECT_EQ(2, Q->RowsAffected());
  EXPECT_EQ((Strings{"0", "0", "3", "3"}), Statuses());
}

TEST_F(QueryTest, SameTextDoesNotCloseTheQuery) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT * FROM ADRESSEN");
  Q->Open();
  TStringList Same;
  Same.SetText("SELECT * FROM ADRESSEN");
  Q->SetSQL(&Same);
  EXPECT_TRUE(Q->Active());
  Same.SetText("SELECT * FROM AUFTRAEGE");
  Q->SetSQL(&Same);
  EXPECT_FALSE(Q->Active());
}

TEST_F(QueryTest, NtxSourceTypeIsRefused) {
  TOakQuery* Q = Query("SELECT 1");
  EOAKDatabaseError E = CatchOak([&] { Q->SetSourceTableType(ttOakNTX); });
  EXPECT_NE(std::string::npos, Text(E).find("does not support the NTX table type"));
  Q->SetSourceTableType(ttOakCDX);
  EXPECT_EQ(ttOakCDX, Q->SourceTableType());
}

TEST_F(QueryTest, WaitCursorOfOlderFormsIsReadAndIgnored) {
  TOakQuery* Q = Query("SELECT 1");
  EXPECT_NO_THROW(SetOrdProp(Q, "WaitCursor", 1));
  EXPECT_EQ(0, GetOrdProp(Q, "WaitCursor"));
}

TEST_F(QueryTest, PrepareOnOpenQueryIsRefused) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT * FROM ADRESSEN");
  Q->Prepare();
  EXPECT_TRUE(Q->Prepared());
  Q->Open();
  EOAKDatabaseError E = CatchOak([&] { Q->Unprepare(); });
  EXPECT_NE(std::string::npos, Text(E).find("Cannot perform this operation on an open dataset"));
}

TEST_F(QueryTest, QueryWithoutDatabaseIsRefused) {
  auto* Q = new TOakQuery(Form);
  Q->SQL()->SetText("SELECT 1");
  EOAKDatabaseError E = CatchOak([&] { Q->Open(); });
  EXPECT_NE(std::string::npos,
            Text(E).find("The DatabaseName property has not been assigned a value."));
}

TEST_F(QueryTest, QueryByFolderNameOpens) {
  GivenAddressesAndOrders();
  auto* Q = new TOakQuery(Form);
  Q->SetDatabaseName(Dir);
  Q->SQL()->SetText("SELECT NNAME FROM ADRESSEN ORDER BY NNAME");
  Q->Open();
  EXPECT_EQ((Strings{"Miller", "Milton", "Smith"}), Column(Q, "NNAME"));
}

TEST_F(QueryTest, MasterRowFeedsUnboundParameters) {
  GivenAddressesAndOrders();
  TOakTable* Master = OpenTable("ADRESSEN");
  auto* Source = new TDataSource(Form);
  Source->SetDataSet(Master);
  TOakQuery* Q = Query("SELECT NR FROM AUFTRAEGE WHERE ADR_ID = :ID ORDER BY NR");
  Q->SetDataSource(Source);
  Q->Open();
  EXPECT_EQ((Strings{"10"}), Column(Q, "NR"));
  Master->Last();
  EXPECT_EQ((Strings{"12", "13"}), Column(Q, "NR"));
  std::vector<TField*> MasterFields, DetailFields;
  Q->GetDetailLinkFields(MasterFields, DetailFields);
  ASSERT_EQ(1u, MasterFields.size());
  EXPECT_EQ(Master->FieldByName("ID"), MasterFields[0]);
  EXPECT_TRUE(DetailFields.empty());
}

TEST_F(QueryTest, DataSourceOfItsOwnIsRefused) {
  TOakQuery* Q = Query("SELECT 1");
  auto* Source = new TDataSource(Form);
  Source->SetDataSet(Q);
  EOAKDatabaseError E = CatchOak([&] { Q->SetDataSource(Source); });
  EXPECT_NE(std::string::npos, Text(E).find("Circular Data Link"));
}

TEST_F(QueryTest, FailedExecutionRaisesEngineError) {
  GivenAddressesAndOrders();
  TOakQuery* Q = Query("SELECT nope FROM ADRESSEN");
  EOAKDatabaseError E = CatchOak([&] { Q->Open(); });
  EXPECT_EQ(7200, E.ErrorCode);
  Q->SQL()->SetText("SELECT NNAME FROM ADRESSEN WHERE ID = 2");
  Q->Open();
  EXPECT_EQ("Miller", Trimmed(Q, "NNAME"));
}

// ---- Direct SQL on the connection ---------------------------------------------------------

TEST_F(QueryTest, DirectSqlReturnsChangedRows) {
  GivenAddressesAndOrders();
  EXPECT_EQ(4, Connection()->Execute("UPDATE AUFTRAEGE SET STATUS = 1"));
  EXPECT_EQ(0, Connection()->Execute("UPDATE AUFTRAEGE SET STATUS = 2 WHERE NR = 99"));
  EXPECT_EQ((Strings{"1", "1", "1", "1"}), Statuses());
}

TEST_F(QueryTest, DirectSqlWithParamsAndKeptStatement) {
  GivenAddressesAndOrders();
  TParams Params;
  Params.CreateParam(ftInteger, "S", ptInput)->SetAsInteger(7);
  Params.CreateParam(ftInteger, "N", ptInput)->SetAsInteger(11);
  const String Sql = "UPDATE AUFTRAEGE SET STATUS = :S WHERE NR = :N";
  EXPECT_EQ(1, Connection()->Execute(Sql, &Params, nullptr, true));
  ASSERT_EQ(1u, Connection()->StatementCache().size());
  Params.ParamByName("N")->SetAsInteger(12);
  EXPECT_EQ(1, Connection()->Execute(Sql, &Params, nullptr, true));
  EXPECT_EQ(1u, Connection()->StatementCache().size());
  EXPECT_EQ((Strings{"0", "7", "7", "0"}), Statuses());
}

TEST_F(QueryTest, DirectSqlCursorBrowsesTheResult) {
  GivenAddressesAndOrders();
  OAKHANDLE Cursor = OAK_INVALID_HANDLE;
  Connection()->Execute("SELECT NR FROM AUFTRAEGE WHERE ADR_ID = 3", nullptr, &Cursor);
  ASSERT_NE(OAK_INVALID_HANDLE, Cursor);
  UNSIGNED32 Count = 0;
  EXPECT_EQ(0u, OakGetRecordCount(Cursor, OAK_IGNOREFILTERS, &Count));
  EXPECT_EQ(2u, Count);
  OakCloseTable(Cursor);
}

}  // namespace
