// UVSObj: the tax-text table of the settings object (TVSOBJ), the
// process-wide string stack (TZSStack), and AttachCSVFormat, which gives an
// in-memory table a CSV stream format without a definition block.
//
// The tax-text table is an in-memory table with the fields Text, Text2,
// Text1Netto, Text2Netto (strings of 50), Steuer (integer) and Value
// (float); it is loaded from the MemoItem of a settings row holding the
// CSV text (header line plus records, columns matched by name).
//
// Thread safety: main thread only; the stack is process-wide and unguarded.
#pragma once

#include <memory>

#include "foundation/CtContainers.h"

class TDataSet;
class TDataSource;
class TmtMemTable;
class TmtCSVStreamFormat;

// Makes a TmtCSVStreamFormat (owned by the caller) with the format's
// defaults but no definition block and the process's own date and number
// settings, and makes it Table's DefaultFormat.
TmtCSVStreamFormat* AttachCSVFormat(TmtMemTable* Table);

class TVSOBJ : public TObject {
 public:
  // Makes the format, the table (opened) and the data source.
  TVSOBJ();
  // Closes the table, unlinks and frees the source, frees table and format.
  ~TVSOBJ() override;

  // When the table is open: empties it and loads it from the MemoItem of
  // SettingsTable's current row. An empty memo leaves it empty. Raises
  // what the dataset and the CSV format raise.
  void LoadFromSettingsRow(TDataSet* SettingsTable);
  // Empties the table.
  void Clear();

  TmtMemTable* Table() const { return FTable.get(); }
  TDataSource* DataSource() const { return FSource.get(); }
  TmtCSVStreamFormat* Format() const { return FFormat.get(); }

 private:
  std::unique_ptr<TmtCSVStreamFormat> FFormat;
  std::unique_ptr<TmtMemTable> FTable;
  std::unique_ptr<TDataSource> FSource;
};

// An entry of the string stack. Its owner puts new'ed entries into the
// vector's pointer; ClearEntries deletes them.
struct TZSEntry {
  String Text;
  Integer Value = 0;
};

class TZSStack : public TObject {
 public:
  TZSStack();
  ~TZSStack() override;
  // Deletes the entry behind each item's pointer, then clears the vector.
  void ClearEntries();
  TCtAnsiStringPointerVector* Items() const { return FItems.get(); }

 private:
  std::unique_ptr<TCtAnsiStringPointerVector> FItems;
};

// The process-wide stack (made at start-up, freed at exit).
TZSStack* ZSStack();
// The 40-byte process-wide record cleared at start-up.
extern Byte ZSStackRecord[40];
