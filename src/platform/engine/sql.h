// SQL statements: a statement handle with its text, parameters and
// options; a SELECT runs through SQLite over virtual tables that read our
// tables and yields a cursor (a read-only table of ours holding the result).
//
// Thread safety: only under the engine lock.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/engine/connection.h"

struct sqlite3;
struct sqlite3_stmt;

namespace oak {

class TStatement : public THandled {
 public:
  explicit TStatement(TConnection& Conn);
  ~TStatement() override;
  THandleKind Kind() const override { return THandleKind::Statement; }
  TConnection& Connection() const { return FConn; }

  // Checks and keeps the text; parameters are ":name" or "?".
  void Prepare(const std::string& Sql);
  // Runs the prepared text; returns the cursor handle of a SELECT or
  // OAK_INVALID_HANDLE. Raises E_SQL with the SQL engine's text.
  OAKHANDLE Execute();
  // Parameter n (1-based) as text; an unset optional is null.
  void SetParam(UNSIGNED16 N, std::string Value, bool IsNull = false);
  // Rows changed by the last statement; E_NO_ROW_COUNT when none ran.
  UNSIGNED32 RowsAffected() const;
  UNSIGNED16 Options[8] = {};

  // The parameter names of a text, in order ("?" for positional ones).
  static std::vector<std::string> ParamNames(const std::string& Sql);

 private:
  // Copies the rows of a SELECT into a temporary table of ours and opens a
  // read-only cursor on it (removed with its folder when closed).
  OAKHANDLE Materialise(sqlite3_stmt* St, sqlite3* Db);
  TConnection& FConn;
  std::string FSql;
  std::map<UNSIGNED16, std::pair<std::string, bool>> FParams;
  long long FRows = -1;
};

}  // namespace oak
