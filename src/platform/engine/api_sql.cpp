// Entry points: SQL statements.
#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/sql.h"

using namespace oak;

namespace {

TStatement& StatementOf(OAKHANDLE H) {
  THandled* O = FindHandle(H);
  if (!O || O->Kind() != THandleKind::Statement) Fail(E_STATEMENT_NOT_OPEN);
  return *static_cast<TStatement*>(O);
}

UNSIGNED32 SetOption(OAKHANDLE hStatement, int Slot, UNSIGNED16 Value) {
  return Call([&] { StatementOf(hStatement).Options[Slot] = Value; });
}

}  // namespace

extern "C" {

UNSIGNED32 OakCreateSQLStatement(OAKHANDLE hConnect, OAKHANDLE* phStatement) {
  return Call([&] {
    auto* S = new TStatement(ConnectionOf(hConnect));
    Out(phStatement) = S->Handle;
  });
}

UNSIGNED32 OakPrepareSQL(OAKHANDLE hStatement, const char* pucSQL) {
  return Call([&] { StatementOf(hStatement).Prepare(pucSQL ? pucSQL : ""); });
}

UNSIGNED32 OakExecuteSQL(OAKHANDLE hStatement, OAKHANDLE* phCursor) {
  return Call([&] {
    OAKHANDLE C = StatementOf(hStatement).Execute();
    if (phCursor) *phCursor = C;
  });
}

UNSIGNED32 OakExecuteSQLDirect(OAKHANDLE hStatement, const char* pucSQL, OAKHANDLE* phCursor) {
  return Call([&] {
    TStatement& S = StatementOf(hStatement);
    S.Prepare(pucSQL ? pucSQL : "");
    OAKHANDLE C = S.Execute();
    if (phCursor) *phCursor = C;
  });
}

UNSIGNED32 OakCloseSQLStatement(OAKHANDLE hStatement) {
  return Call([&] { delete &StatementOf(hStatement); });
}

UNSIGNED32 OakSqlPeekStatement(OAKHANDLE hCursor, UNSIGNED16* pusKind) {
  return Call([&] {
    TCursor& C = CursorOf(hCursor);
    Out(pusKind) = C.IsSqlResult ? C.SqlKind : OAK_SQL_LIVE;
  });
}

UNSIGNED32 OakGetSQLStmtParams(const char* pucSQL, char* pucNames, UNSIGNED32* pulLen) {
  return Call([&] {
    std::string Joined;
    for (auto& N : TStatement::ParamNames(pucSQL ? pucSQL : ""))
      Joined += (Joined.empty() ? "" : ";") + N;
    if (pulLen) PutText32(Joined, pucNames, pulLen);
  });
}

UNSIGNED32 OakStmtSetTableLockType(OAKHANDLE h, UNSIGNED16 v) { return SetOption(h, 0, v); }
UNSIGNED32 OakStmtSetTableCharType(OAKHANDLE h, UNSIGNED16 v) { return SetOption(h, 1, v); }
UNSIGNED32 OakStmtSetTableRights(OAKHANDLE h, UNSIGNED16 v) { return SetOption(h, 2, v); }
UNSIGNED32 OakStmtSetTableReadOnly(OAKHANDLE h, UNSIGNED16 v) { return SetOption(h, 3, v); }
UNSIGNED32 OakStmtSetTableType(OAKHANDLE h, UNSIGNED16 v) { return SetOption(h, 4, v); }
UNSIGNED32 OakStmtConstrainUpdates(OAKHANDLE h, UNSIGNED16 v) { return SetOption(h, 5, v); }
UNSIGNED32 OakStmtReadAllColumns(OAKHANDLE h, UNSIGNED16 v) { return SetOption(h, 6, v); }

}  // extern "C"
