// The definition lines of the CSV stream format: the text of one field or
// index definition as the definition block holds it (before the line is
// quoted), and the parse of such a text back into its parts.
//
// Field line:  name=type,size,"display name","edit mask",width[,REQ][,RO][,INV],kind,"default"
// Index line:  name=Q(fields),Q(display name)[,DESC][,CASE][,NONMT][,UNIQ]
// Inside a field line the separators are always commas and the inner
// quotes always double quotes, whatever the format's delimiter and quote.
//
// Thread safety: pure functions; safe from any thread.
#pragma once

#include "platform/db/dataset.h"

// A field line, parsed.
struct TmtCSVFieldLine {
  String Name;
  TFieldType DataType = ftUnknown;
  Integer Size = 0;
  String DisplayLabel;
  String EditMask;
  Integer DisplayWidth = 0;
  bool Required = false, ReadOnly = false, Invisible = false;
  TFieldKind Kind = fkData;
  String DefaultExpression;
};

// An index line, parsed.
struct TmtCSVIndexLine {
  String Name;
  String Fields;
  String DisplayName;
  TIndexOptions Options;
};

// One line of a definition block as a load reads it: a marker, or a field
// or index line with its parts.
struct TmtCSVDefLine {
  enum TKind { dlFileVersion, dlTableStart, dlTableEnd, dlIndexStart, dlIndexEnd, dlField, dlIndex };
  TKind Kind = dlFileVersion;
  String Version;          // dlFileVersion: the second value (not checked)
  TmtCSVFieldLine Field;   // dlField (parsed only when the load takes definitions)
  TmtCSVIndexLine Index;   // dlIndex (likewise)
};

// The field line of Field; the kind written is the field's own with
// WithKind (sfSaveFieldKind), else "Data".
String mtCSVFieldDefText(TField* Field, bool WithKind);

// The index line of Def; its field list and display name are quoted with
// Quote (#0: not quoted).
String mtCSVIndexDefText(const TIndexDef* Def, char Quote);

// Parses an (unquoted) field line. Raises EMemTableError "Unknown field
// type (%s) in CSV file. (%s)" (type text, line) for a type that is not one
// of the thirty named types or is not accepted, EConvertError for a size
// or width that is not a whole number.
TmtCSVFieldLine mtCSVParseFieldLine(const String& Line);

// Parses an (unquoted) index line.
TmtCSVIndexLine mtCSVParseIndexLine(const String& Line);
