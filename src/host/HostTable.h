// A small writer of office tables straight through the engine's entry
// points, for the host's sample data: create a table with its fields and
// index tags, append rows given as field/value texts, close it.
//
// Values are texts as the engine's OakSetField takes them, except for date
// fields, which take "YYYYMMDD" whatever the engine's date format is, and
// memo or binary fields, which take their bytes as they stand.
//
// Every engine failure raises EHostSetupError with the table's name and
// the engine's English text.
//
// Thread safety: one writer per thread; the engine serialises the calls.
#pragma once

#include <initializer_list>
#include <utility>

#include "platform/engine/oak.h"
#include "platform/rtl/exceptions.h"

RTL_DECLARE_EXCEPTION(EHostSetupError, Exception)

// Raises EHostSetupError "<What>: <engine text>" when Code is not 0.
void CheckOak(UNSIGNED32 Code, const String& What);

// A connection to a data folder, disconnected with the object.
class THostConnection {
 public:
  // Connects to Folder (which must exist) as a local server. Raises
  // EHostSetupError when the engine refuses.
  explicit THostConnection(const String& Folder);
  ~THostConnection();
  THostConnection(const THostConnection&) = delete;
  THostConnection& operator=(const THostConnection&) = delete;

  OAKHANDLE Handle() const { return FHandle; }

 private:
  OAKHANDLE FHandle = OAK_INVALID_HANDLE;
};

using THostValues = std::initializer_list<std::pair<const char*, String>>;

// A table created (open exclusively) or opened on a connection until the
// object ends (or Close).
class THostTable {
 public:
  // Creates Name (".OAT" added by the engine) with Fields in the engine's
  // "NAME,Type[,Len[,Dec]];..." form, ANSI characters. Raises
  // EHostSetupError, e.g. when the file exists already.
  THostTable(const THostConnection& Connection, const String& Name, const String& Fields);
  // Opens the existing table Name (shared, as the engine opens by
  // default). Raises EHostSetupError when the engine refuses.
  THostTable(const THostConnection& Connection, const String& Name);
  ~THostTable();
  THostTable(const THostTable&) = delete;
  THostTable& operator=(const THostTable&) = delete;

  // Adds the tag Tag on Expr to the table's structural index (compound,
  // optionally unique).
  void AddIndex(const String& Tag, const String& Expr, bool Unique = false);
  // Appends and writes one row; fields not named stay empty. Returns the
  // row's autoincrement value (0 when the table has none).
  UNSIGNED32 Append(THostValues Values);
  // Closes the table (done by the destructor otherwise).
  void Close();

  const String& Name() const { return FName; }

 private:
  UNSIGNED16 FieldNum(const char* Field) const;
  void SetValue(const char* Field, const String& Value);
  UNSIGNED32 Write();

  String FName;
  OAKHANDLE FHandle = OAK_INVALID_HANDLE;
};
