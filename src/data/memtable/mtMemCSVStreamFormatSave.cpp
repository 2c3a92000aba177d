// TmtCustomCSVStreamFormat: writing the definition block, the header line
// and the record lines.
#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/memtable/mtMemCSVStreamFormatText.h"

#include <typeinfo>

#include "platform/db/fieldkinds.h"

void TmtCustomCSVStreamFormat::WriteLine(const String& Line) {
  FLineOut.assign(Line);
  FLineOut += mtCSVLineEnd;
  WorkStream()->WriteBuffer(FLineOut.data(), static_cast<Int64>(FLineOut.size()));
}

// ---- Definition block --------------------------------------------------------

void TmtCustomCSVStreamFormat::WriteDefinition(TmtCustomMemTable* Table) {
  if (!sfDef().Contains(sfSaveDef)) return;
  const char Q = FCSVQuote;
  WriteLine(mtCSVQuote(mtCSVFileVersionMarker, Q) + FCSVFieldDelimiter +
            mtCSVQuote(mtCSVFileVersionNumber, Q));
  WriteLine(mtCSVQuote(mtCSVTableDefStart, Q));
  bool All = FPlaceHolders.Contains(sfSavePlaceholders);
  bool WithKind = sfFieldKind().Contains(sfSaveFieldKind);
  const std::vector<Integer>& Map = SaveFields();
  for (Integer I = 0; I < Table->FieldCount(); ++I) {
    if (!All && (static_cast<size_t>(I) >= Map.size() || Map[I] < 0)) continue;
    WriteLine(mtCSVQuote(mtCSVFieldDefText(Table->Fields()[I], WithKind), Q));
  }
  if (sfIndexDef().Contains(sfSaveIndexDef)) {
    WriteLine(mtCSVQuote(mtCSVIndexDefStart, Q));
    TIndexDefs& Defs = Table->IndexDefs();
    for (Integer I = 0; I < Defs.Count(); ++I)
      WriteLine(mtCSVQuote(mtCSVIndexDefText(Defs[I], Q), Q));
    WriteLine(mtCSVQuote(mtCSVIndexDefEnd, Q));
  }
  WriteLine(mtCSVQuote(mtCSVTableDefEnd, Q));
}

// ---- Header and records -------------------------------------------------------

void TmtCustomCSVStreamFormat::WriteHeader(TmtCustomMemTable* Table) {
  bool All = FPlaceHolders.Contains(sfSavePlaceholders);
  const std::vector<Integer>& Map = SaveFields();
  String Line;
  bool First = true;
  for (Integer I = 0; I < Table->FieldCount(); ++I) {
    if (!All && (static_cast<size_t>(I) >= Map.size() || Map[I] < 0)) continue;
    if (!First) Line += FCSVFieldDelimiter;
    First = false;
    Line += mtCSVQuote(Table->Fields()[I]->DisplayName(), FCSVQuote);
  }
  if (FCSVRecordDelimiter != '\0') Line += FCSVRecordDelimiter;
  WriteLine(Line);
}

String TmtCustomCSVStreamFormat::SaveValueText(TField* Field, bool& IsNull) {
  IsNull = Field->IsNull();
  if (IsNull) return String();
  TFieldType T = Field->DataType();
  if (mtCSVIsStringType(T)) {
    String Text = Field->AsString();
    if (mtCSVNeedsEscape(Text, FEscapeChar)) return mtCSVEscape(Text, FEscapeChar);
    return Text;
  }
  if (mtCSVIsBinaryType(T)) return mtCSVArmour(Field->AsString());
  if (T == ftBoolean) return Field->AsBoolean() ? FCSVTrueString : FCSVFalseString;
  return Field->AsString();
}

void TmtCustomCSVStreamFormat::SaveValueInto(TField* Field, String& Text, bool& IsNull) {
  // A plain string field reads its value into Text's memory: no new string
  // for each value.
  if (typeid(*Field) == typeid(TStringField) && mtCSVIsStringType(Field->DataType())) {
    IsNull = !static_cast<TStringField*>(Field)->GetValue(Text);
    if (IsNull)
      Text.clear();
    else if (mtCSVNeedsEscape(Text, FEscapeChar))
      Text = mtCSVEscape(Text, FEscapeChar);
    return;
  }
  Text = SaveValueText(Field, IsNull);
}

bool TmtCustomCSVStreamFormat::SaveRecord(TmtCustomMemTable* Table, TmtRecord* Record) {
  Table->SetOverrideRecord(Record);
  if (!Table->FilterRecord(Record)) return false;
  bool Accept = true;
  if (Table->OnSaveRecord) Table->OnSaveRecord(Table, Accept);
  if (!Accept) return false;
  const std::vector<Integer>& Map = SaveFields();
  bool Placeholders = FPlaceHolders.Contains(sfSavePlaceholders);
  bool QuoteOnlyStrings = FQuoteOnlyStrings.Contains(sfSaveQuoteOnlyStrings);
  String& Line = FRecordLine;
  Line.clear();
  bool First = true;
  for (Integer I = 0; I < Table->FieldCount(); ++I) {
    bool TakesPart = static_cast<size_t>(I) < Map.size() && Map[I] >= 0;
    if (!TakesPart && !Placeholders) continue;
    if (!First) Line += FCSVFieldDelimiter;
    First = false;
    if (!TakesPart) continue;
    TField* Field = Table->Fields()[I];
    if (Table->OnSaveField) Table->OnSaveField(Table, I, Field);
    bool IsNull = false;
    String& Text = FValueText;
    SaveValueInto(Field, Text, IsNull);
    if (OnFormatSaveField) OnFormatSaveField(this, Field, Text, IsNull);
    if (IsNull) continue;
    TFieldType T = Field->DataType();
    if (QuoteOnlyStrings && !mtCSVIsStringType(T) && !mtCSVIsBinaryType(T))
      Line += Text;
    else
      mtCSVAppendQuoted(Line, Text, FCSVQuote);
  }
  if (FCSVRecordDelimiter != '\0') Line += FCSVRecordDelimiter;
  WriteLine(Line);
  return true;
}

void TmtCustomCSVStreamFormat::WriteRecords(TmtCustomMemTable* Table) {
  if (!FNoHeader.Contains(sfSaveNoHeader)) WriteHeader(Table);
  if (!sfData().Contains(sfSaveData)) return;
  Table->SetSavedCompletely(true);
  Table->SetSavedRecordCount(0);
  struct TOverrideReset {  // the walk leaves no override behind, even on failure
    TmtCustomMemTable* T;
    ~TOverrideReset() { T->SetOverrideRecord(nullptr); }
  } Reset{Table};
  Integer Count = Table->IndexRecordCount();
  for (Integer Pos = 0; Pos < Count; ++Pos) {
    if (Table->SaveLimit() > 0 && Table->SavedRecordCount() >= Table->SaveLimit()) {
      Table->SetSavedCompletely(false);
      break;
    }
    if (Pos % 100 == 0) Table->Progress(static_cast<Integer>(Int64(Pos) * 100 / Count), mtpcSave);
    if (SaveRecord(Table, Table->IndexRecord(Pos)))
      Table->SetSavedRecordCount(Table->SavedRecordCount() + 1);
  }
}
