// TmtCustomMemTable::CopyStructure: replaces the table's field definitions
// (and, as asked, its calculated and lookup fields and field properties)
// by those of another dataset.
#include "data/memtable/mtMemCopy.h"
#include "platform/db/fieldkinds.h"

namespace {

// Copies one field definition into Defs (name, type, size, precision,
// attributes, internal-calculated mark).
void CopyFieldDef(const TFieldDef* Source, TFieldDefs& Defs) {
  TFieldDef* D = Defs.Add(Source->Name(), Source->DataType(), Source->Size(), Source->Required());
  D->SetPrecision(Source->Precision());
  D->SetAttributes(Source->Attributes());
  D->SetInternalCalcField(Source->InternalCalcField());
}

// Drops, from the last definition to the first, those of an unsupported
// type and (OnlySourceFields) those without a source field of that name.
void DropUnwantedDefs(TFieldDefs& Defs, TDataSet* Source, bool OnlySourceFields) {
  for (Integer I = Defs.Count() - 1; I >= 0; --I) {
    TFieldDef* D = Defs[I];
    if (!mtIsCopySupportedType(D->DataType()) ||
        (OnlySourceFields && !Source->FindField(D->Name())))
      Defs.Delete(I);
  }
}

// Whether the source field is a calculated or lookup field that the
// options ask to copy.
bool WantsField(const TField* F, TmtCopyOptions Options) {
  return (F->FieldKind() == fkLookup && (Options & mtcpLookupFields)) ||
         (F->FieldKind() == fkCalculated && (Options & mtcpCalcFields));
}

// Makes a field of Source's class for Table, owned by the table's owner.
void CopyField(TmtCustomMemTable* Table, TField* Source, bool KeepPosition) {
  if (!mtIsCopySupportedType(Source->DataType())) return;
  TComponent* Owner = Table->Owner() ? Table->Owner() : Table;
  TObject* Made = Source->ClassType()->Create(Owner);
  auto* F = dynamic_cast<TField*>(Made);
  if (!F) {
    delete Made;
    return;
  }
  F->SetSize(Source->Size());
  F->SetFieldKind(Source->FieldKind());
  F->SetFieldName(Source->FieldName());
  F->SetKeyFields(Source->KeyFields());
  F->SetLookupDataSet(Source->LookupDataSet());
  F->SetLookupResultField(Source->LookupResultField());
  F->SetLookupKeyFields(Source->LookupKeyFields());
  auto* SB = dynamic_cast<TBCDField*>(Source);
  auto* DB = dynamic_cast<TBCDField*>(F);
  if (SB && DB) DB->SetPrecision(SB->Precision());
  F->SetDataSet(Table);
  if (KeepPosition) F->SetIndex(Source->Index());
}

}  // namespace

void TmtCustomMemTable::CopyStructure(TDataSet* Source, TmtCopyOptions CopyOptions) {
  if (Common().AnyTableOpen())
    for (TmtCustomMemTable* T : Common().AttachedTables())
      if (T && T->Active()) T->Close();
  if (!Source->Active()) Source->FieldDefs().Update();
  TFieldDefs& SourceDefs = Source->FieldDefs();
  if (SourceDefs.Count() > MT_MAX_FIELDS) throw EMemTableError(mtSTooManyFieldDefs);

  ClearFieldsAndDefs();
  FieldDefs().BeginUpdate();
  try {
    for (Integer I = 0; I < SourceDefs.Count(); ++I) CopyFieldDef(SourceDefs[I], FieldDefs());
  } catch (...) {
    FieldDefs().EndUpdate();
    throw;
  }
  FieldDefs().EndUpdate();
  DropUnwantedDefs(FieldDefs(), Source, (CopyOptions & mtcpOnlySourceFields) != 0);

  // Data fields are made now when the source has persistent fields, and
  // also when calculated or lookup fields join them (a table with some
  // fields makes no default fields when it opens).
  bool AddsFields = false;
  for (Integer I = 0; I < Source->FieldCount(); ++I)
    AddsFields = AddsFields || WantsField(Source->Fields()[I], CopyOptions);
  if (!Source->DefaultFields() || AddsFields)
    for (Integer I = 0; I < FieldDefs().Count(); ++I) CreateFieldForDef(FieldDefs()[I]);
  for (Integer I = 0; I < Source->FieldCount(); ++I) {
    TField* F = Source->Fields()[I];
    if (WantsField(F, CopyOptions)) CopyField(this, F, (CopyOptions & mtcpFieldOrder) != 0);
  }
  if (CopyOptions & mtcpProperties) CopyFieldsProperties(Source);
  Common().ResetAutoInc();
}
