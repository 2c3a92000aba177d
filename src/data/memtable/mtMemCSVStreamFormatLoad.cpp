// TmtCustomCSVStreamFormat: reading the definition block (or making the
// layout from the first line) and the record lines.
#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/memtable/mtMemCSVStreamFormatText.h"
#include "platform/rtl/format.h"

// ---- Definition block ---------------------------------------------------------

std::vector<TmtCSVDefLine> TmtCustomCSVStreamFormat::ReadDefinitionLines() {
  std::vector<TmtCSVDefLine> Lines;
  bool InTable = false, InIndex = false;
  Integer FieldLines = 0;
  const char Q = FCSVQuote, FD = FCSVFieldDelimiter, RD = FCSVRecordDelimiter;
  for (;;) {
    bool More = FReader->ReadLine();
    const String& L = FReader->Line();
    bool Stop = L.empty();
    if (!Stop) {
      String First = FReader->FirstValue(Q, FD, RD);
      TmtCSVDefLine D;
      if (First == mtCSVFileVersionMarker) {
        D.Kind = TmtCSVDefLine::dlFileVersion;
        String Text;
        bool IsNull = false;
        FReader->RewindLine();
        FReader->ReadField(Q, FD, RD, Text, IsNull);
        FReader->ReadField(Q, FD, RD, D.Version, IsNull);
      } else if (First == mtCSVTableDefStart) {
        D.Kind = TmtCSVDefLine::dlTableStart;
        InTable = true;
      } else if (First == mtCSVTableDefEnd) {
        D.Kind = TmtCSVDefLine::dlTableEnd;
        InTable = false;
      } else if (First == mtCSVIndexDefStart) {
        D.Kind = TmtCSVDefLine::dlIndexStart;
        InIndex = true;
      } else if (First == mtCSVIndexDefEnd) {
        D.Kind = TmtCSVDefLine::dlIndexEnd;
        InIndex = false;
      } else if (!InTable) {
        // The header or the first record: it waits for the records.
        FLinesLeft = More;
        return Lines;
      } else if (InIndex) {
        D.Kind = TmtCSVDefLine::dlIndex;
        if (LoadIndexDef()) D.Index = mtCSVParseIndexLine(mtCSVUnquoteLine(L, Q));
      } else {
        D.Kind = TmtCSVDefLine::dlField;
        if (LoadDef()) {
          if (++FieldLines > MT_MAX_FIELDS) throw EMemTableError(mtSTooManyFieldDefs);
          D.Field = mtCSVParseFieldLine(mtCSVUnquoteLine(L, Q));
        }
      }
      Lines.push_back(std::move(D));
      Stop = !More;
    }
    if (Stop) {
      if (InTable) throw EMemTableError(mtSCSVDefinitionNotClosed);
      FReader->ClearLine();  // no header or record line waits
      FLinesLeft = false;
      return Lines;
    }
  }
}

void TmtCustomCSVStreamFormat::ApplyFieldLine(TmtCustomMemTable* Table,
                                              const TmtCSVDefLine& Line) {
  const TmtCSVFieldLine& F = Line.Field;
  TFieldDef* Def = Table->FieldDefs().Add(F.Name, F.DataType, F.Size, F.Required);
  TField* Field = Table->CreateFieldForDef(Def);
  Field->SetFieldKind(F.Kind);
  Field->SetDisplayLabel(F.DisplayLabel);
  Field->SetEditMask(F.EditMask);
  Field->SetReadOnly(F.ReadOnly);
  Field->SetDisplayWidth(F.DisplayWidth);
  Field->SetDefaultExpression(F.DefaultExpression);
  Field->SetVisible(!F.Invisible);
}

void TmtCustomCSVStreamFormat::ApplyIndexLine(TmtCustomMemTable* Table,
                                              const TmtCSVDefLine& Line) {
  const TmtCSVIndexLine& I = Line.Index;
  TIndexDef* Def = Table->IndexDefs().Add(I.Name, I.Fields, I.Options);
  if (!I.DisplayName.empty()) Def->SetDisplayName(I.DisplayName);
}

void TmtCustomCSVStreamFormat::ApplyDefinition(TmtCustomMemTable* Table,
                                               const std::vector<TmtCSVDefLine>& Lines) {
  for (const TmtCSVDefLine& D : Lines) {
    switch (D.Kind) {
      case TmtCSVDefLine::dlFileVersion:
        break;  // the version is not checked
      case TmtCSVDefLine::dlTableStart:
        if (LoadDef()) Table->ClearFieldsAndDefs();
        break;
      case TmtCSVDefLine::dlTableEnd:
        Table->Open();
        break;
      case TmtCSVDefLine::dlIndexStart:
        if (LoadIndexDef()) {
          Table->IndexDefs().Clear();
          Table->UpdateIndexes();
        }
        break;
      case TmtCSVDefLine::dlIndexEnd:
        if (LoadIndexDef()) Table->UpdateIndexes();
        break;
      case TmtCSVDefLine::dlField:
        if (LoadDef()) ApplyFieldLine(Table, D);
        break;
      case TmtCSVDefLine::dlIndex:
        if (LoadIndexDef()) ApplyIndexLine(Table, D);
        break;
    }
  }
}

void TmtCustomCSVStreamFormat::ReadAutoLayout(TmtCustomMemTable* Table) {
  Table->ClearFieldsAndDefs();
  FLinesLeft = FReader->ReadLine();
  bool NoHeader = FNoHeader.Contains(sfLoadNoHeader);
  String Text;
  bool IsNull = false;
  while (FReader->ValuesLeft()) {
    ReadField(Text, IsNull);
    String Name = NoHeader || Text.empty()
                      ? "Field_" + IntToStr(Table->FieldDefs().Count() + 1)
                      : Text;
    TFieldDef* Def = Table->FieldDefs().Add(Name, ftString, FDefaultStringFieldSize);
    Table->CreateFieldForDef(Def);
  }
  Table->Open();
  if (NoHeader) FReader->RewindLine();
}

void TmtCustomCSVStreamFormat::ReadDefinition(TmtCustomMemTable* Table) {
  if (FReader->StreamEmpty()) {
    SetDefinitionRead(true);
    return;
  }
  if (sfDef().Contains(sfAutoLayoutDef)) {
    ReadAutoLayout(Table);
  } else {
    // Read and check the whole block before the table changes.
    std::vector<TmtCSVDefLine> Lines = ReadDefinitionLines();
    ApplyDefinition(Table, Lines);
  }
  FLineWaiting = true;
  SetDefinitionRead(true);
}

// ---- Records ----------------------------------------------------------------------

void TmtCustomCSVStreamFormat::LoadValueText(TField* Field, const String& Text, bool IsNull) {
  TFieldType T = Field->DataType();
  if (IsNull)
    Field->Clear();
  else if (mtCSVIsStringType(T) && Text.find(FEscapeChar) == String::npos)
    Field->SetAsString(Text);  // the usual value: nothing to unescape, no copy
  else if (mtCSVIsStringType(T))
    Field->SetAsString(mtCSVUnescape(Text, FEscapeChar));
  else if (mtCSVIsBinaryType(T))
    Field->SetAsString(mtCSVUnarmour(Text));
  else if (T == ftBoolean)
    Field->SetAsBoolean(Text == FCSVTrueString);
  else
    Field->SetAsString(Text);
}

void TmtCustomCSVStreamFormat::LoadRecord(TmtCustomMemTable* Table, bool Bulk) {
  if (Bulk)
    Table->BulkNewRow();
  else
    Table->Append();
  try {
    const std::vector<Integer>& Map = LoadFields();
    bool AllKinds = sfFieldKind().Contains(sfLoadFieldKind);
    size_t Column = 0;
    bool IsNull = false;
    while (FReader->ValuesLeft() && Column < Map.size()) {
      std::string_view Text =
          FReader->ReadValue(FCSVQuote, FCSVFieldDelimiter, FCSVRecordDelimiter, FValueScratch, IsNull);
      Integer FieldIndex = Map[Column++];
      if (FieldIndex < 0) continue;
      TField* Field = Table->Fields()[FieldIndex];
      if (Field->FieldKind() != fkData && !AllKinds) continue;
      if (OnFormatLoadField) {
        FValueText.assign(Text);
        OnFormatLoadField(this, Field, FValueText, IsNull);
        Text = FValueText;
      }
      // Plain text straight into the row where nothing else would see it.
      const TFieldType Type = Field->DataType();
      bool Stored = Bulk && ((mtCSVIsStringType(Type) && (IsNull || Text.find(FEscapeChar) == String::npos) &&
                              Table->BulkStoreString(Field, Text, IsNull)) ||
                             (Type == ftInteger && !IsNull && Table->BulkStoreInteger(Field, Text)));
      if (!Stored) LoadValueText(Field, String(Text), IsNull);
      if (Table->OnLoadField) Table->OnLoadField(Table, FieldIndex, Field);
    }
    bool Accept = true;
    if (Table->OnLoadRecord) Table->OnLoadRecord(Table, Accept);
    if (!Accept) {
      if (!Bulk) Table->Cancel();
      return;
    }
    if (Bulk)
      Table->BulkPostRow();
    else
      Table->Post();
  } catch (...) {
    if (!Bulk && Table->State() == dsInsert) Table->Cancel();
    throw;
  }
  Table->SetLoadedRecordCount(Table->LoadedRecordCount() + 1);
}

void TmtCustomCSVStreamFormat::ReadRecords(TmtCustomMemTable* Table) {
  if (!sfData().Contains(sfLoadData) || FReader->StreamEmpty()) return;
  bool More = FLinesLeft;
  if (FNoHeader.Contains(sfLoadNoHeader)) {
    FReader->RewindLine();
  } else if (More) {
    More = FReader->ReadLine();  // the waiting line is the header
  } else {
    FReader->ClearLine();
  }
  Table->Common().ResetAutoInc();
  Table->SetLoadedCompletely(true);
  Table->SetLoadedRecordCount(0);
  // Rows go straight into the storage where that leaves the same table.
  const bool Bulk = Table->CanBulkLoad();
  if (Bulk) Table->BeginBulkLoad(!OnFormatLoadField && !OnGetLine);
  try {
    for (;;) {
      if (Table->LoadLimit() > 0 && Table->LoadedRecordCount() >= Table->LoadLimit()) {
        Table->SetLoadedCompletely(false);
        break;
      }
      if (!FReader->Line().empty()) LoadRecord(Table, Bulk);
      if (!More) break;
      More = FReader->ReadLine();
    }
  } catch (...) {
    if (Bulk) Table->EndBulkLoad();
    throw;
  }
  if (Bulk) Table->EndBulkLoad();
}
