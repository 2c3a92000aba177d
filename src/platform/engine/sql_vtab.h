// The SQLite virtual-table module "oak" over our tables, and the value
// conversions between table fields and SQL values.
//
// "CREATE VIRTUAL TABLE temp.x USING oak('<table path>')" gives SQLite a
// table whose rows are the live (not deleted) records of the .OAT file, in
// natural order, with the record number as rowid. Columns are the fields:
// logical, integer, short integer and autoincrement as INTEGER; numeric,
// double and currency as REAL; character, memo, dates ("YYYY-MM-DD"),
// times ("hh:mm:ss") and timestamps ("YYYY-MM-DD hh:mm:ss") as TEXT; binary,
// image and raw as BLOB; null fields as NULL. INSERT, UPDATE and DELETE
// change the file through a cursor of the statement's connection.
//
// Thread safety: used under the engine lock only.
#pragma once

#include <sqlite3.h>

#include <string>

#include "platform/engine/connection.h"

namespace oak {

// Registers the module on Db for tables of Conn. Raises E_SQL on failure.
void RegisterOakModule(sqlite3* Db, TConnection& Conn);

}  // namespace oak
