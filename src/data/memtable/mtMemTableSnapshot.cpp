// TmtTableSnapshot: putting a table back after a failed load.
#include "data/memtable/mtMemTableSnapshot.h"

TmtTableSnapshot::TmtTableSnapshot(TmtCustomMemTable* Table, bool WithValues)
    : FTable(Table),
      FWasActive(Table->Active()),
      FWithValues(WithValues),
      FDefaultFields(Table->DefaultFields()),
      FGeneration(Table->Common().Generation()),
      FWatermark(Table->Common().NextUniqueRecordID()),
      FFieldPtrs(Table->Fields().Items()) {
  if (!WithValues) return;
  FFieldDefs = std::make_unique<TFieldDefs>(Table);
  FFieldDefs->Assign(&Table->FieldDefs());
  FIndexDefs = std::make_unique<TIndexDefs>(Table);
  FIndexDefs->Assign(&Table->IndexDefs());
  for (TField* F : FFieldPtrs)
    FSpecs.push_back({F->ClassType(), F->Owner(), F->Name(), F->FieldName(),
                      F->HasDisplayLabel() ? F->DisplayLabel() : String(), F->EditMask(),
                      F->DefaultExpression(), F->FieldKind(), F->Size(),
                      F->IsDisplayWidthStored() ? F->DisplayWidth() : 0, F->Visible(),
                      F->ReadOnly(), F->Required()});
  if (!FWasActive) return;
  TmtCommon& C = Table->Common();
  TmtCommonLock Lock(C);
  for (Integer I = 0; I < Table->IndexRecordCount(); ++I) {
    Table->SetOverrideRecord(Table->IndexRecord(I));
    std::vector<Variant> Row;
    for (TField* F : FFieldPtrs)
      Row.push_back(F->FieldKind() == fkData ? F->AsVariant() : Variant());
    FRows.push_back(std::move(Row));
  }
  Table->SetOverrideRecord(nullptr);
}

TmtTableSnapshot::~TmtTableSnapshot() = default;

bool TmtTableSnapshot::SameStructure() const {
  return FTable->Active() == FWasActive && FTable->Fields().Items() == FFieldPtrs &&
         FTable->Common().Generation() == FGeneration;
}

void TmtTableSnapshot::Restore() {
  FTable->SetOverrideRecord(nullptr);
  FTable->SetLoading(false);
  FTable->SetWorkState(mtwsIdle);
  if (SameStructure()) {
    if (FWasActive) RemoveNewRecords();
    return;
  }
  if (!FWithValues) return;
  RestoreStructure();
  if (FWasActive) RestoreRecords();
}

void TmtTableSnapshot::RemoveNewRecords() {
  TmtCommon& C = FTable->Common();
  {
    TmtCommonLock Lock(C);
    std::vector<TmtRecord*> New;
    C.Records().ForEach([&](void* Item) {
      auto* R = static_cast<TmtRecord*>(Item);
      if (R && R->UniqueRecordID >= FWatermark) New.push_back(R);
    });
    // Out of the indexes newest first: the row order has the new records at
    // its end, where each is found at once.
    for (auto R = New.rbegin(); R != New.rend(); ++R) C.IndexesDelete(*R);
    for (TmtRecord* R : New) C.DeleteRecord(R);
  }
  FTable->ResetCursor();
}

void TmtTableSnapshot::RestoreStructure() {
  FTable->ClearFieldsAndDefs();
  FTable->FieldDefs().Assign(FFieldDefs.get());
  FTable->IndexDefs().Assign(FIndexDefs.get());
  if (FDefaultFields) return;
  for (const TFieldSpec& S : FSpecs) {
    auto* F = dynamic_cast<TField*>(S.Class->Create(S.Owner));
    if (!F) continue;
    F->SetFieldName(S.FieldName);
    if (F->DataType() != ftUnknown && S.Size != F->Size()) F->SetSize(S.Size);
    F->SetFieldKind(S.Kind);
    if (!S.DisplayLabel.empty()) F->SetDisplayLabel(S.DisplayLabel);
    F->SetEditMask(S.EditMask);
    F->SetDefaultExpression(S.DefaultExpression);
    if (S.DisplayWidth > 0) F->SetDisplayWidth(S.DisplayWidth);
    F->SetVisible(S.Visible);
    F->SetReadOnly(S.ReadOnly);
    F->SetRequired(S.Required);
    F->SetDataSet(FTable);
    if (!S.Name.empty() && S.Owner && !S.Owner->FindComponent(S.Name)) F->SetName(S.Name);
  }
}

void TmtTableSnapshot::RestoreRecords() {
  FTable->Open();
  FTable->SetLoading(true);
  FTable->DisableControls();
  try {
    for (const std::vector<Variant>& Row : FRows) {
      FTable->Append();
      for (size_t I = 0; I < Row.size() && I < FTable->Fields().Items().size(); ++I) {
        TField* F = FTable->Fields().Items()[I];
        if (F->FieldKind() == fkData && !Row[I].IsEmpty()) F->SetAsVariant(Row[I]);
      }
      FTable->Post();
    }
  } catch (...) {
    FTable->SetLoading(false);
    FTable->EnableControls();
    throw;
  }
  FTable->SetLoading(false);
  FTable->EnableControls();
  FTable->First();
}
