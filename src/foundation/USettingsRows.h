// USettingsRows: reading single settings from the rows of the settings
// table setup.OAT.
//
// A settings row has the fields Ident (integer), StringItem (text, 100
// characters) and MemoItem (memo). A setting is addressed by its Ident; a
// missing row is never an error: each reader leaves its target (or gives
// the default it is handed) when the row is not there, and a text that is
// no number gives the stated fallback.
//
// TSetupRows finds a row with Locate on Ident, which works on any dataset
// of the class library (the in-memory table included); TOakSetupRows seeks
// the decimal text of the Ident on the table's "Ident" index instead.
//
// Thread safety: as the dataset (main thread).
#pragma once

#include "platform/rtl/strings.h"

class TDataSet;
class TMemoryStream;
class TOakExtendedTable;

class TSetupRows {
 public:
  // Table stays the caller's; it must be open.
  explicit TSetupRows(TDataSet* Table) : FTable(Table) {}
  virtual ~TSetupRows() = default;
  TSetupRows(const TSetupRows&) = delete;
  TSetupRows& operator=(const TSetupRows&) = delete;

  TDataSet* Table() const { return FTable; }
  // Positions the table on the row of Ident; returns whether it exists.
  virtual bool Seek(Integer Ident);

  // Fields of the current row ("" when the field is null); StringItem
  // without the blank padding of its fixed-length field.
  String StringItem() const;
  String MemoItem() const;

  // Seeks Ident; found: Value := StringItem, True; else Value unchanged.
  bool ReadText(Integer Ident, String& Value);
  // StringItem of Ident, or Default when the row is missing.
  String ReadText(Integer Ident, const String& Default);
  // Seeks Ident; found: the MemoItem lines replace List (True); not found:
  // List is cleared when ClearIfMissing (False).
  bool ReadList(Integer Ident, TStrings& List, bool ClearIfMissing);
  // Seeks Ident; found: Value := StringItem as an integer, Fallback when
  // it is no number (True); else Value unchanged.
  bool ReadInteger(Integer Ident, Integer& Value, Integer Fallback = 0);
  // The integer of Ident; Default for a missing row or a text that is no
  // number.
  Integer ReadInteger(Integer Ident, Integer Default);
  // Seeks Ident; found: Value := the amount of StringItem (ParseAmount).
  bool ReadAmount(Integer Ident, double& Value);
  // Seeks Ident; found: Value := StringItem equals "1".
  bool ReadFlag(Integer Ident, bool& Value);
  // Seeks Ident; found: Stream := the decompressed MemoItem (stored bytes
  // as they stand when they are no compressed data), at position 0; not
  // found: Stream cleared. Returns whether the row exists.
  bool ReadCompressedMemo(Integer Ident, TMemoryStream& Stream);

 private:
  TDataSet* FTable;
};

// Rows of an Oak settings table, sought on its "Ident" index (the caller
// selects the index).
class TOakSetupRows : public TSetupRows {
 public:
  explicit TOakSetupRows(TOakExtendedTable* Table);
  bool Seek(Integer Ident) override;

 private:
  TOakExtendedTable* FOakTable;
};

// An amount text: trimmed, '.' and ',' read as the process decimal
// separator, converted with StrToFloatOrZero (0 for no number).
double ParseAmount(const String& Text);
// StringItem-style integer: the trimmed text as an integer, else Fallback.
Integer ParseInteger(const String& Text, Integer Fallback);
