// TmtCustomMemTable: copying records to and from other datasets
// (CopyRecords, LoadFromDataSet, SaveToDataSet) and the field map they
// share. The structure copy is in mtMemCopyStructure.cpp, the update by key
// in mtMemCopyUpdate.cpp.
#include "data/memtable/mtMemCopy.h"

bool mtIsCopySupportedType(TFieldType Type) {
  if (Type == ftUnknown || Type == ftCursor) return false;
  return Type <= ftArray;
}

std::vector<Integer> mtBuildCopyFieldMap(TDataSet* Destination, TDataSet* Source,
                                         bool AutoIncOnlyWhenEmpty) {
  std::vector<Integer> Map(static_cast<size_t>(Destination->FieldCount()), -1);
  bool DestinationEmpty = Destination->IsEmpty();
  for (Integer I = 0; I < Destination->FieldCount(); ++I) {
    TField* D = Destination->Fields()[I];
    if (D->FieldKind() == fkLookup || D->FieldKind() == fkAggregate) continue;
    if (!mtIsCopySupportedType(D->DataType())) continue;
    if (AutoIncOnlyWhenEmpty && D->DataType() == ftAutoInc && !DestinationEmpty) continue;
    if (TField* S = Source->FindField(D->FieldName())) Map[static_cast<size_t>(I)] = S->Index();
  }
  return Map;
}

void mtCopyFieldValue(TField* Source, TField* Dest) {
  if (Source->IsNull())
    Dest->Clear();
  else if (Source->ClassType() == Dest->ClassType())
    Dest->SetAsVariant(Source->AsVariant());
  else
    Dest->SetAsString(Source->AsString());
}

void mtWalkProgress(TmtCustomMemTable* Table, Integer Seen, Integer Total, TmtProgressCode Code) {
  if (Total > 0 && Seen % 100 == 0)
    Table->Progress(static_cast<Integer>(Int64(Seen) * 100 / Total), Code);
}

namespace {

// Runs Step; with IgnoreErrors a failure is swallowed. Returns whether it
// succeeded.
template <class Fn>
bool RunGuarded(bool IgnoreErrors, Fn Step) {
  if (!IgnoreErrors) {
    Step();
    return true;
  }
  try {
    Step();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

// ---- CopyRecords -------------------------------------------------------------

Integer TmtCustomMemTable::CopyRecords(TDataSet* Source, TDataSet* Destination, Integer Limit,
                                       bool IgnoreErrors) {
  if (!Source || !Destination || Source == Destination) return 0;
  Progress(0, mtpcCopy);
  std::vector<Integer> Map = mtBuildCopyFieldMap(Destination, Source, true);
  Integer Total = OnProgress ? Source->RecordCount() : -1;
  SetLoadedCompletely(true);
  if (Total <= 0) Progress(50, mtpcCopy);
  Integer Count = 0, Seen = 0;
  while (!Source->Eof()) {
    mtWalkProgress(this, Seen++, Total, mtpcCopy);
    bool Accept = true;
    if (Source == this && OnSaveRecord) OnSaveRecord(this, Accept);
    if (!Accept) {
      Source->Next();
      continue;
    }
    Destination->Append();
    for (Integer I = 0; I < Destination->FieldCount(); ++I) {
      Integer S = Map[static_cast<size_t>(I)];
      if (S < 0) continue;
      TField* SF = Source->Fields()[S];
      TField* DF = Destination->Fields()[I];
      RunGuarded(IgnoreErrors, [&] {
        if (Source == this && OnSaveField) OnSaveField(this, I, SF);
        mtCopyFieldValue(SF, DF);
        if (Destination == this && OnLoadField) OnLoadField(this, I, DF);
      });
    }
    Accept = true;
    if (Destination == this && OnLoadRecord) OnLoadRecord(this, Accept);
    if (Accept) {
      // A swallowed post error still counts, as the record was accepted.
      if (!RunGuarded(IgnoreErrors, [&] { Destination->Post(); })) Destination->Cancel();
      ++Count;
    } else {
      Destination->Cancel();
    }
    if (Limit > 0 && Count >= Limit) {
      SetLoadedCompletely(Source->Eof());
      break;
    }
    Source->Next();
  }
  Progress(100, mtpcCopy);
  return Count;
}

// ---- Destination bracket ---------------------------------------------------

TmtDestinationScope::TmtDestinationScope(TmtCustomMemTable* Table, TDataSet* Destination)
    : FTable(Table),
      FDestination(Destination),
      FWasActive(Destination->Active()),
      FWasDisabled(Destination->ControlsDisabled()) {
  if (!FWasDisabled) FDestination->DisableControls();
  FTable->DisableControls();
  try {
    if (!FDestination->Active()) FDestination->Open();
    FDestination->CheckBrowseMode();
    FDestination->UpdateCursorPos();
    if (!FTable->Active()) FTable->Open();
    FTable->CheckBrowseMode();
    FTable->First();
  } catch (...) {
    Restore();
    throw;
  }
}

TmtDestinationScope::~TmtDestinationScope() { Restore(); }

void TmtDestinationScope::Restore() noexcept {
  FTable->EnableControls();
  try {
    if (!FWasActive) FDestination->Close();
  } catch (const Exception&) {
  }
  if (!FWasDisabled) FDestination->EnableControls();
}

// ---- SaveToDataSet --------------------------------------------------------------

void TmtCustomMemTable::SaveToDataSet(TDataSet* Destination, TmtCopyOptions CopyOptions) {
  if (!Destination || Destination == this) return;
  SetWorkState(mtwsSaving);
  if (OnSave) OnSave(this, mtstDataSet, nullptr);
  struct TIdle {
    TmtCustomMemTable* T;
    ~TIdle() { T->SetWorkState(mtwsIdle); }
  } Idle{this};
  TmtDestinationScope Scope(this, Destination);
  SetSavedRecordCount(
      CopyRecords(this, Destination, SaveLimit(), (CopyOptions & mtcpIgnoreErrors) != 0));
  Destination->First();
}
