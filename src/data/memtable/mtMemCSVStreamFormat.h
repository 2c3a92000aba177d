// TmtCSVStreamFormat: the CSV text form of the in-memory table. The table
// hands its stream to the format (SaveToStream / LoadFromStream through
// DefaultFormat, mtMemTable.h); the format writes an optional definition
// block (file version, field and index definitions), an optional header
// line of column names and one line per record, and reads the same back.
// The text itself is described in mtMemCSVStreamFormatText.h.
//
// Numbers and dates: unless sfLocalFormat holds the save / load member, the
// format switches eight process-wide settings for the whole save or load to
// fixed values ("/", ":", ",", ".", "dd/mm/yyyy", no currency string,
// currency formats 0 and 1) and restores them afterwards (also after a
// failure, through AbortSave / AbortLoad).
//
// Failures (EMemTableError): "Saving deltas is supported only in binary
// format." (a save with sfSaveDeltas); "Unknown field type (%s) in CSV
// file. (%s)" (a type name that is not an accepted type); "Too many
// fielddefs. Please raise MT_MAX_FIELDS value." (more than 286 field
// lines); a definition block that the text ends inside; "Couldnt determine
// field count for load." (no column maps to a field). A size or display
// width that is not a whole number raises the class library's conversion
// error. The definition block is read and checked completely before the
// table is touched; a failure later in the load is undone by the table
// (mtMemTable.h), so a failed load never leaves a half-loaded table.
//
// Thread safety: a format serves one table operation at a time; while it
// runs, nothing else in the process may format or parse numbers and dates
// (the process-wide settings are switched).
#pragma once

#include <memory>
#include <vector>

#include "data/memtable/mtMemCSVStreamFormatDef.h"
#include "data/memtable/mtMemCSVStreamFormatReader.h"
#include "data/memtable/mtMemTable.h"
#include "data/memtable/mtMemTableStreamFormat.h"

class TmtCustomCSVStreamFormat;

// (format, field, var text, var is-null): a value about to be written or
// just read.
RTL_DECLARE_EVENT(TmtFormatFieldEvent, void(TmtCustomCSVStreamFormat* Sender, TField* Field,
                                            String& Text, bool& IsNull));
// (format, var line, var stop): a line just read.
RTL_DECLARE_EVENT(TmtGetLineEvent,
                  void(TmtCustomCSVStreamFormat* Sender, String& Line, bool& Stop));

// Messages of the CSV format.
extern const char* const mtSCSVSavingDeltas;         // "Saving deltas is supported only ..."
extern const char* const mtSCSVUnknownFieldType;     // "Unknown field type (%s) in CSV file. (%s)"
extern const char* const mtSCSVDefinitionNotClosed;  // text ends inside the definition block

// The eight process-wide settings a save or load switches.
struct TmtCSVFormatSettings {
  char DateSeparator, DecimalSeparator, TimeSeparator, ThousandSeparator;
  Byte CurrencyFormat, NegCurrFormat;
  String ShortDateFormat, CurrencyString;
  // The current process-wide values.
  static TmtCSVFormatSettings Capture();
  // The fixed values of a text that does not use the local formats.
  static TmtCSVFormatSettings Fixed();
  // Makes these values the process-wide ones.
  void Apply() const;
};

// Value classes of the field types.
// String, Memo, FmtMemo, FixedChar, WideString (escaped).
bool mtCSVIsStringType(TFieldType Type);
// Bytes, VarBytes and the blob types (armoured unless a string type).
bool mtCSVIsBinaryType(TFieldType Type);
// Types a definition block may name: String .. Array except Cursor.
bool mtCSVIsAcceptedType(TFieldType Type);

class TmtCustomCSVStreamFormat : public TmtCustomStreamFormat {
  RTL_DECLARE_CLASS(TmtCustomCSVStreamFormat)
 public:
  explicit TmtCustomCSVStreamFormat(TComponent* AOwner);
  ~TmtCustomCSVStreamFormat() override;

  // ---- Properties ------------------------------------------------------
  // A line beginning with it is skipped on load; #0: no comments.
  char CommentChar() const { return FCommentChar; }
  void SetCommentChar(char V) { FCommentChar = V; }
  char EscapeChar() const { return FEscapeChar; }
  void SetEscapeChar(char V) { FEscapeChar = V; }
  // Size of the string fields sfAutoLayoutDef makes.
  Integer DefaultStringFieldSize() const { return FDefaultStringFieldSize; }
  void SetDefaultStringFieldSize(Integer V) { FDefaultStringFieldSize = V; }
  // Quote of values and definition lines; #0: no quoting.
  char CSVQuote() const { return FCSVQuote; }
  void SetCSVQuote(char V) { FCSVQuote = V; }
  char CSVFieldDelimiter() const { return FCSVFieldDelimiter; }
  // Setting #0 is ignored.
  void SetCSVFieldDelimiter(char V) { if (V != '\0') FCSVFieldDelimiter = V; }
  // Appended to every header and record line when not #0.
  char CSVRecordDelimiter() const { return FCSVRecordDelimiter; }
  void SetCSVRecordDelimiter(char V) { FCSVRecordDelimiter = V; }
  const String& CSVTrueString() const { return FCSVTrueString; }
  void SetCSVTrueString(const String& V) { FCSVTrueString = V; }
  const String& CSVFalseString() const { return FCSVFalseString; }
  void SetCSVFalseString(const String& V) { FCSVFalseString = V; }
  // sfSaveLocalFormat, sfLoadLocalFormat: keep the process's formats.
  TmtStreamFlags sfLocalFormat() const { return FLocalFormat; }
  void Set_sfLocalFormat(TmtStreamFlags V) { FLocalFormat = V; }
  // sfSaveNoHeader, sfLoadNoHeader: no column-name line.
  TmtStreamFlags sfNoHeader() const { return FNoHeader; }
  void Set_sfNoHeader(TmtStreamFlags V) { FNoHeader = V; }
  // sfSavePlaceholders: fields that do not take part get an empty column.
  TmtStreamFlags sfPlaceHolders() const { return FPlaceHolders; }
  void Set_sfPlaceHolders(TmtStreamFlags V) { FPlaceHolders = V; }
  // sfSaveQuoteOnlyStrings: other than string and binary values unquoted.
  TmtStreamFlags sfQuoteOnlyStrings() const { return FQuoteOnlyStrings; }
  void Set_sfQuoteOnlyStrings(TmtStreamFlags V) { FQuoteOnlyStrings = V; }

  TmtFormatFieldEvent OnFormatSaveField, OnFormatLoadField;
  TmtGetLineEvent OnGetLine;

  // Copies quote, delimiters, true/false texts and the four CSV flag sets,
  // then the base flag sets (from another CSV format; a plain stream
  // format gives only its flag sets).
  void Assign(TPersistent* Source) override;

  // ---- The slots (called by the table, see mtMemTableStreamFormat.h) ---
  // BeforeSave raises EMemTableError mtSCSVSavingDeltas with sfSaveDeltas
  // (before anything changes), then switches the formats. WriteDefinition
  // writes the block only with sfSaveDef (index section with
  // sfSaveIndexDef); WriteRecords writes the header (unless sfSaveNoHeader)
  // and, with sfSaveData, the records of the current index that pass the
  // record filter and OnSaveRecord, up to SaveLimit. AfterSave/AbortSave
  // restore the formats. ReadDefinition reads the whole definition block
  // (or makes the layout from the first line with sfAutoLayoutDef) and
  // raises the failures listed at the top before it changes the table;
  // ReadRecords appends, fills and posts one record per line up to
  // LoadLimit. GetColumnNames gives the header's values once the
  // definition is read (unless sfLoadNoHeader / sfAutoLayoutDef);
  // FindColumnField matches them with the fields' display names ignoring
  // case.
  String GetVersion() const override { return "3.10"; }
  void BeforeSave(TmtCustomMemTable* Table) override;
  void WriteDefinition(TmtCustomMemTable* Table) override;
  void WriteRecords(TmtCustomMemTable* Table) override;
  void AfterSave(TmtCustomMemTable* Table) override;
  void AbortSave(TmtCustomMemTable* Table) override;
  std::vector<String> GetColumnNames(TmtCustomMemTable* Table) override;
  Integer FindColumnField(TmtCustomMemTable* Table, const String& Name) override;
  void BeforeLoad(TmtCustomMemTable* Table) override;
  void ReadDefinition(TmtCustomMemTable* Table) override;
  void ReadRecords(TmtCustomMemTable* Table) override;
  void AfterLoad(TmtCustomMemTable* Table) override;
  void AbortLoad(TmtCustomMemTable* Table) override;

  // ---- Reading (valid between BeforeLoad and AfterLoad) -----------------
  // Reads the next block of the stream (what was left of the current block
  // is dropped); true when bytes came.
  bool FillBuffer();
  // Reads the next line; false only when the stream ran out (the last line
  // is still in CurrentLine()).
  bool ReadLine();
  const String& CurrentLine() const;
  // Reads the next value of the current line.
  void ReadField(String& Text, bool& IsNull);

 protected:
  // The value text of Field as the record line holds it (before quoting).
  String SaveValueText(TField* Field, bool& IsNull);
  // The same into Text, reusing its memory.
  void SaveValueInto(TField* Field, String& Text, bool& IsNull);
  // Puts Text (as read) into Field.
  void LoadValueText(TField* Field, const String& Text, bool IsNull);
  // Writes Line and CR LF to the work stream.
  void WriteLine(const String& Line);

 private:
  void ReadAutoLayout(TmtCustomMemTable* Table);
  std::vector<TmtCSVDefLine> ReadDefinitionLines();
  void ApplyDefinition(TmtCustomMemTable* Table, const std::vector<TmtCSVDefLine>& Lines);
  void ApplyFieldLine(TmtCustomMemTable* Table, const TmtCSVDefLine& Line);
  void ApplyIndexLine(TmtCustomMemTable* Table, const TmtCSVDefLine& Line);
  // One record line: appended and posted, or with Bulk stored through the
  // table's bulk load.
  void LoadRecord(TmtCustomMemTable* Table, bool Bulk);
  bool SaveRecord(TmtCustomMemTable* Table, TmtRecord* Record);
  void WriteHeader(TmtCustomMemTable* Table);
  void RestoreSettings();
  bool LoadDef() const { return sfDef().Contains(sfLoadDef); }
  bool LoadIndexDef() const { return LoadDef() && sfIndexDef().Contains(sfLoadIndexDef); }

  char FCommentChar = '\0';
  char FEscapeChar = '%';
  Integer FDefaultStringFieldSize = 255;
  char FCSVQuote = '"';
  char FCSVFieldDelimiter = ',';
  char FCSVRecordDelimiter = ',';
  String FCSVTrueString = "True", FCSVFalseString = "False";
  TmtStreamFlags FLocalFormat, FNoHeader, FPlaceHolders, FQuoteOnlyStrings;
  // State of one save or load.
  std::unique_ptr<TmtCSVLineReader> FReader;
  bool FLineWaiting = false;  // a line is read and waits (header or record)
  bool FLinesLeft = false;    // the stream holds lines after the waiting one
  bool FSettingsSaved = false;
  TmtCSVFormatSettings FSavedSettings{};
  // The line being built and written, kept to reuse their memory.
  String FRecordLine, FLineOut;
  // A value read with its doubled quotes undone, and a value handed to
  // OnFormatLoadField or written, kept to reuse their memory.
  String FValueScratch, FValueText;
};

// The published CSV format (mtCSVStreamFormat1 on the main form).
class TmtCSVStreamFormat : public TmtCustomCSVStreamFormat {
  RTL_DECLARE_CLASS(TmtCSVStreamFormat)
 public:
  explicit TmtCSVStreamFormat(TComponent* AOwner) : TmtCustomCSVStreamFormat(AOwner) {}
};
