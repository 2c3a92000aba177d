// SQL statements over our tables: select into a browsable cursor, insert,
// update and delete with parameters, and errors with their codes.
#include "engine_fixture.h"

namespace {

class SqlTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    OakSetDateFormat("DD.MM.YYYY");
    OAKHANDLE T = Create("orders", "ID,Integer;CUST,Character,12;DUE,Date;NOTE,Memo;PAID,Logical");
    Add(T, {{"ID", "1"}, {"CUST", "Miller"}, {"DUE", "31.12.2024"}, {"PAID", "T"}});
    Add(T, {{"ID", "2"}, {"CUST", "Adams"}, {"NOTE", "call first"}, {"PAID", "F"}});
    Add(T, {{"ID", "3"}, {"CUST", "Miller"}});
    OakCloseTable(T);
    ASSERT_EQ(0u, OakCreateSQLStatement(Conn, &Stmt));
  }
  void TearDown() override {
    OakCloseSQLStatement(Stmt);
    EngineTest::TearDown();
  }
  // Runs Sql with text parameters; returns the cursor (or none).
  OAKHANDLE Run(const std::string& Sql, const std::vector<std::string>& Params = {}) {
    EXPECT_EQ(0u, OakPrepareSQL(Stmt, Sql.c_str()));
    for (size_t I = 0; I < Params.size(); ++I)
      EXPECT_EQ(0u, OakSetString(Stmt, static_cast<UNSIGNED16>(I + 1), Params[I].c_str(),
                                 static_cast<UNSIGNED32>(Params[I].size())));
    OAKHANDLE Cursor = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakExecuteSQL(Stmt, &Cursor)) << Sql << ": " << LastErrorText();
    return Cursor;
  }
  UNSIGNED32 Affected() {
    UNSIGNED32 N = 0;
    EXPECT_EQ(0u, OakGetRecordCount(Stmt, OAK_IGNOREFILTERS, &N));
    return N;
  }
  std::vector<std::string> Customers() {
    OAKHANDLE C = Run("SELECT CUST FROM orders ORDER BY ID");
    auto Names = Walk(C, "CUST");
    OakCloseTable(C);
    return Names;
  }
  OAKHANDLE Stmt = OAK_INVALID_HANDLE;
};

TEST_F(SqlTest, SelectGivesACursorBrowsedLikeATable) {
  OAKHANDLE C = Run("SELECT ID, CUST, NOTE FROM orders WHERE CUST = :c ORDER BY ID DESC", {"Miller"});
  ASSERT_NE(OAK_INVALID_HANDLE, C);
  EXPECT_EQ((std::vector<std::string>{"Miller", "Miller"}), Walk(C, "CUST"));
  ASSERT_EQ(0u, OakGotoTop(C));
  EXPECT_EQ("3", Get(C, "ID"));
  EXPECT_EQ(2u, Count(C));
  UNSIGNED16 Kind = 9, Type = 0;
  ASSERT_EQ(0u, OakSqlPeekStatement(C, &Kind));
  EXPECT_EQ(OAK_SQL_STATIC, Kind);
  ASSERT_EQ(0u, OakGetHandleType(C, &Type));
  EXPECT_EQ(OAK_CURSOR, Type);
  EXPECT_EQ(5036u, OakAppendRecord(C));
  ASSERT_EQ(0u, OakCloseTable(C));
}

TEST_F(SqlTest, DatesMemosAndLogicalsComeThrough) {
  OAKHANDLE C = Run("SELECT DUE, NOTE, PAID FROM orders WHERE ID = ?", {"2"});
  ASSERT_EQ(0u, OakGotoTop(C));
  EXPECT_EQ("call first", Get(C, "NOTE"));
  EXPECT_EQ("0", Get(C, "PAID"));
  OakCloseTable(C);
  C = Run("SELECT DUE FROM orders WHERE ID = 1");
  ASSERT_EQ(0u, OakGotoTop(C));
  EXPECT_EQ("2024-12-31", Get(C, "DUE"));
}

TEST_F(SqlTest, InsertUpdateAndDeleteChangeTheFiles) {
  EXPECT_EQ(OAK_INVALID_HANDLE, Run("INSERT INTO orders (ID, CUST, DUE) VALUES (?, ?, ?)",
                                    {"4", "Zorn", "2025-01-02"}));
  EXPECT_EQ(1u, Affected());
  Run("UPDATE orders SET CUST = :n WHERE CUST = :o", {"Mueller", "Miller"});
  EXPECT_EQ(2u, Affected());
  Run("DELETE FROM orders WHERE ID = 2");
  EXPECT_EQ(1u, Affected());
  EXPECT_EQ((std::vector<std::string>{"Mueller", "Mueller", "Zorn"}), Customers());
  OAKHANDLE T = OpenOk("orders");
  ASSERT_EQ(0u, OakGotoRecord(T, 4));
  EXPECT_EQ("02.01.2025", Get(T, "DUE"));
  ASSERT_EQ(0u, OakGotoRecord(T, 2));
  UNSIGNED16 Deleted = 0;
  ASSERT_EQ(0u, OakIsRecordDeleted(T, &Deleted));
  EXPECT_EQ(1, Deleted);
}

TEST_F(SqlTest, DirectExecutionAndParameterNames) {
  OAKHANDLE C = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakExecuteSQLDirect(Stmt, "SELECT COUNT(*) AS N FROM orders", &C));
  ASSERT_EQ(0u, OakGotoTop(C));
  EXPECT_EQ("3", Get(C, "N"));
  char Names[64];
  UNSIGNED32 Len = sizeof Names;
  ASSERT_EQ(0u, OakGetSQLStmtParams("SELECT * FROM t WHERE a = :first AND b = ? AND c = ':no'",
                                    Names, &Len));
  EXPECT_EQ("first;?", std::string(Names, Len));
}

TEST_F(SqlTest, ErrorsCarryTheSqlCodeAndText) {
  OAKHANDLE C = OAK_INVALID_HANDLE;
  EXPECT_EQ(7200u, OakExecuteSQLDirect(Stmt, "SELECT nope FROM orders", &C));
  std::string Text = LastErrorText();
  EXPECT_NE(std::string::npos, Text.find("Error 7200"));
  EXPECT_NE(std::string::npos, Text.find("NativeError = "));
  EXPECT_EQ(7200u, OakExecuteSQLDirect(Stmt, "SELECT * FROM missingtable", &C));
  EXPECT_EQ(7200u, OakGetSQLStmtParams("SELECT 'open", nullptr, nullptr));
  EXPECT_EQ(5117u, [&] {
    OAKHANDLE S = 0;
    OakCreateSQLStatement(Conn, &S);
    UNSIGNED32 N = 0;
    return OakGetRecordCount(S, OAK_IGNOREFILTERS, &N);
  }());
  EXPECT_EQ(5106u, OakCloseSQLStatement(123456));
}

}  // namespace
