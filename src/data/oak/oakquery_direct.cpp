// Direct SQL on a connection (TOakConnection::Execute): a statement from
// the connection's cache of prepared statements or a new one, bound and
// executed without a dataset.
#include "data/oak/oakquery.h"

namespace {

// The cached statement prepared for SQL, or null.
TOakSQLCacheEntry* FindCached(TOakConnection* C, const String& SQL) {
  Cardinal Hash = OakSQLHash(SQL);
  for (auto& E : C->StatementCache())
    if (E.Hash == Hash && E.SQL == SQL && E.Statement != OAK_INVALID_HANDLE) return &E;
  return nullptr;
}

void ApplyTableOptions(OAKHANDLE S, const TOakStmtTableOptions& O) {
  RaiseOakError(nullptr, OakStmtSetTableLockType(S, O.LockType));
  RaiseOakError(nullptr, OakStmtSetTableCharType(S, O.CharType));
  RaiseOakError(nullptr, OakStmtSetTableRights(S, O.Rights));
  RaiseOakError(nullptr, OakStmtSetTableReadOnly(S, O.ReadOnly));
  RaiseOakError(nullptr, OakStmtSetTableType(S, O.TableType));
}

// Runs SQL on connection C; Options (may be null) are set on a new
// statement.
Integer ExecuteDirect(TOakConnection* C, const String& SQL, const TOakStmtTableOptions* Options,
                      TParams* Params, OAKHANDLE* Cursor, bool KeepStatement) {
  if (!C->IsConnected()) C->Connect();
  TOakSQLCacheEntry* Cached = C->StatementCacheEnabled() ? FindCached(C, SQL) : nullptr;
  OAKHANDLE S = Cached ? Cached->Statement : OAK_INVALID_HANDLE;
  if (!Cached) {
    RaiseOakError(nullptr, OakCreateSQLStatement(C->ConnectionHandle(), &S));
    try {
      if (Options) ApplyTableOptions(S, *Options);
      if (C->ReadOnly()) RaiseOakError(nullptr, OakStmtSetTableReadOnly(S, OAK_STMT_READONLY));
      RaiseOakError(nullptr, OakPrepareSQL(S, SQL.c_str()));
    } catch (...) {
      OakCloseSQLStatement(S);
      throw;
    }
    if (C->StatementCacheEnabled() && KeepStatement)
      C->StatementCache().push_back({OakSQLHash(SQL), S, SQL});
  }
  bool Keep = KeepStatement || Cached;
  Integer Result = 0;
  try {
    OAKHANDLE Out = OAK_INVALID_HANDLE;
    if (Params && Params->Count() > 0) {
      OakBindParams(nullptr, S, Params);
      RaiseOakError(nullptr, OakExecuteSQL(S, &Out));
    } else {
      RaiseOakError(nullptr, OakExecuteSQLDirect(S, SQL.c_str(), &Out));
    }
    if (Cursor)
      *Cursor = Out == 0 ? OAK_INVALID_HANDLE : Out;
    else
      Result = OakStatementRowCount(nullptr, S, 0);
  } catch (...) {
    if (!Keep) OakCloseSQLStatement(S);
    throw;
  }
  if (!Keep) OakCloseStatement(nullptr, S);
  return Result;
}

}  // namespace

Integer TOakConnection::Execute(const String& SQL, TParams* Params, OAKHANDLE* Cursor,
                                bool KeepStatement) {
  return ExecuteDirect(this, SQL, nullptr, Params, Cursor, KeepStatement);
}

Integer TOakConnection::Execute(const String& SQL, const TOakStmtTableOptions& Options,
                                TParams* Params, OAKHANDLE* Cursor, bool KeepStatement) {
  return ExecuteDirect(this, SQL, &Options, Params, Cursor, KeepStatement);
}
