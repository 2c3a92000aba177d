// TmtCustomStreamFormat: the format-independent parts of saving and
// loading an in-memory table.
#include "data/memtable/mtMemTableStreamFormat.h"

#include "data/memtable/mtMemTable.h"
#include "platform/rtl/charset.h"

RTL_IMPLEMENT_CLASS(TmtCustomStreamFormat, TComponent, nullptr)

bool mtIsBlobType(TFieldType T) {
  switch (T) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary:
      return true;
    default:
      return false;
  }
}

TmtCustomStreamFormat::TmtCustomStreamFormat(TComponent* AOwner) : TComponent(AOwner) {}

TmtCustomStreamFormat::~TmtCustomStreamFormat() = default;

void TmtCustomStreamFormat::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TmtCustomStreamFormat*>(Source);
  if (!S) {
    TComponent::Assign(Source);
    return;
  }
  F_sfData = S->F_sfData;
  F_sfCalculated = S->F_sfCalculated;
  F_sfLookup = S->F_sfLookup;
  F_sfNonVisible = S->F_sfNonVisible;
  F_sfBlobs = S->F_sfBlobs;
  F_sfDef = S->F_sfDef;
  F_sfIndexDef = S->F_sfIndexDef;
  F_sfFiltered = S->F_sfFiltered;
  F_sfIgnoreRange = S->F_sfIgnoreRange;
  F_sfIgnoreMasterDetail = S->F_sfIgnoreMasterDetail;
  F_sfDeltas = S->F_sfDeltas;
  F_sfDontFilterDeltas = S->F_sfDontFilterDeltas;
  F_sfAppend = S->F_sfAppend;
  F_sfFieldKind = S->F_sfFieldKind;
  F_sfFromStart = S->F_sfFromStart;
}

// ---- Field maps ---------------------------------------------------------------

namespace {

// Whether a field passes the kind, blob and visibility flags of one side.
bool FieldPasses(TField* F, bool Data, bool Calculated, bool Lookup, bool Blobs, bool NonVisible) {
  bool Kind;
  switch (F->FieldKind()) {
    case fkData: case fkInternalCalc: Kind = Data; break;
    case fkCalculated: Kind = Calculated; break;
    case fkLookup: Kind = Lookup; break;
    default: Kind = false; break;
  }
  if (!Kind) return false;
  if (mtIsBlobType(F->DataType()) && !Blobs) return false;
  return F->Visible() || NonVisible;
}

}  // namespace

bool TmtCustomStreamFormat::SaveFieldTakesPart(TField* F) const {
  return FieldPasses(F, F_sfData.Contains(sfSaveData), F_sfCalculated.Contains(sfSaveCalculated),
                     F_sfLookup.Contains(sfSaveLookup), F_sfBlobs.Contains(sfSaveBlobs),
                     F_sfNonVisible.Contains(sfSaveNonVisible));
}

bool TmtCustomStreamFormat::LoadFieldTakesPart(TField* F) const {
  return FieldPasses(F, F_sfData.Contains(sfLoadData), F_sfCalculated.Contains(sfLoadCalculated),
                     F_sfLookup.Contains(sfLoadLookup), F_sfBlobs.Contains(sfLoadBlobs),
                     F_sfNonVisible.Contains(sfLoadNonVisible));
}

void TmtCustomStreamFormat::MapSaveFields(TmtCustomMemTable* Table) {
  FSaveFields.clear();
  const std::vector<TField*>& Fields = Table->Fields().Items();
  for (size_t I = 0; I < Fields.size(); ++I)
    FSaveFields.push_back(SaveFieldTakesPart(Fields[I]) ? static_cast<Integer>(I) : -1);
}

std::vector<String> TmtCustomStreamFormat::GetColumnNames(TmtCustomMemTable* Table) {
  std::vector<String> Names;
  for (TField* F : Table->Fields().Items()) Names.push_back(F->DisplayName());
  return Names;
}

Integer TmtCustomStreamFormat::FindColumnField(TmtCustomMemTable* Table, const String& Name) {
  (void)Table;
  (void)Name;
  return -1;
}

void TmtCustomStreamFormat::MapLoadFields(TmtCustomMemTable* Table) {
  FLoadFields.clear();
  for (const String& Name : GetColumnNames(Table)) {
    Integer I = FindColumnField(Table, Name);
    if (I >= 0 && !LoadFieldTakesPart(Table->Fields().Items()[static_cast<size_t>(I)])) I = -1;
    FLoadFields.push_back(I);
  }
}

// ---- Saving ---------------------------------------------------------------------

void TmtCustomStreamFormat::BeforeSave(TmtCustomMemTable* Table) {
  Table->DisableControls();
  Table->Common().Lock();
  Table->SetWorkState(mtwsSaving);
  Table->Progress(0, mtpcSave);
  FWasFiltered = Table->Filtered();
  FWasRangeActive = Table->RangeActive();
  FWasMasterDetail = Table->MasterDetailRestriction();
  if (FWasFiltered && F_sfFiltered.Contains(sfSaveFiltered)) Table->SetFiltered(false);
  if (F_sfIgnoreRange.Contains(sfSaveIgnoreRange)) Table->SetRangeActive(false);
  if (F_sfIgnoreMasterDetail.Contains(sfSaveIgnoreMasterDetail))
    Table->SetMasterDetailRestriction(false);
  if (OnCompress) {
    FOwnWorkStream = std::make_unique<TMemoryStream>();
    FWorkStream = FOwnWorkStream.get();
  } else {
    FWorkStream = FStream;
  }
  if (F_sfAppend.Contains(sfSaveAppend)) {
    FWorkStream->Seek(0, soEnd);
  } else if (!F_sfAppend.Contains(sfSaveInsert)) {
    FWorkStream->SetSize(0);
    FWorkStream->Seek(0, soBeginning);
  }
  MapSaveFields(Table);
}

void TmtCustomStreamFormat::Save(TmtCustomMemTable* Table) {
  if (OnBeforeSave) OnBeforeSave(this);
  WriteDefinition(Table);
  WriteRecords(Table);
  if (OnAfterSave) OnAfterSave(this);
}

void TmtCustomStreamFormat::RestoreSaveStates(TmtCustomMemTable* Table) {
  Table->SetOverrideRecord(nullptr);
  Table->SetMasterDetailRestriction(FWasMasterDetail);
  Table->SetRangeActive(FWasRangeActive);
  if (Table->Filtered() != FWasFiltered) Table->SetFiltered(FWasFiltered);
  Table->SetWorkState(mtwsIdle);
}

void TmtCustomStreamFormat::ReleaseWorkStream() {
  FOwnWorkStream.reset();
  FWorkStream = nullptr;
}

void TmtCustomStreamFormat::AfterSave(TmtCustomMemTable* Table) {
  if (OnCompress && FOwnWorkStream) {
    FWorkStream->Seek(0, soBeginning);
    OnCompress(this, Table, FWorkStream, FStream);
  }
  RestoreSaveStates(Table);
  Table->Progress(100, mtpcSave);
  Table->Common().Unlock();
  Table->EnableControls();
  ReleaseWorkStream();
}

void TmtCustomStreamFormat::AbortSave(TmtCustomMemTable* Table) {
  RestoreSaveStates(Table);
  Table->Common().Unlock();
  Table->EnableControls();
  ReleaseWorkStream();
}

// ---- Loading ------------------------------------------------------------------------

void TmtCustomStreamFormat::BeforeLoad(TmtCustomMemTable* Table) {
  Table->DisableControls();
  Table->Common().Lock();
  Table->SetWorkState(mtwsLoading);
  FWasPersistent = Table->Persistent();
  FWasEnableIndexes = Table->EnableIndexes();
  Table->SetPersistent(false);
  Table->SetEnableIndexes(false);
  Table->SetLoading(true);
  FBookmark.clear();
  if (Table->Active() && Table->IndexRecordCount() > 0 && Table->AutoReposition())
    FBookmark = Table->GetBookmark();
  Table->Progress(0, mtpcLoad);
  if (OnDeCompress) {
    if (F_sfFromStart.Contains(sfLoadFromStart)) FStream->Seek(0, soBeginning);
    FOwnWorkStream = std::make_unique<TMemoryStream>();
    FWorkStream = FOwnWorkStream.get();
    OnDeCompress(this, Table, FStream, FWorkStream);
    FWorkStream->Seek(0, soBeginning);
  } else {
    FWorkStream = FStream;
    if (F_sfFromStart.Contains(sfLoadFromStart)) FWorkStream->Seek(0, soBeginning);
  }
  FDefinitionRead = false;
  MapLoadFields(Table);
}

void TmtCustomStreamFormat::Load(TmtCustomMemTable* Table) {
  if (OnBeforeLoad) OnBeforeLoad(this);
  ReadDefinition(Table);
  FDefinitionRead = true;
  MapLoadFields(Table);
  bool Any = false;
  for (Integer I : FLoadFields) Any = Any || I >= 0;
  if (!Any) throw EMemTableError(mtSCouldntDetermineFieldCount);
  ReadRecords(Table);
  if (OnAfterLoad) OnAfterLoad(this);
}

void TmtCustomStreamFormat::EndLoadStates(TmtCustomMemTable* Table) {
  Table->SetPersistent(FWasPersistent);
  Table->SetEnableIndexes(FWasEnableIndexes);
  Table->SetLoading(false);
  Table->SetWorkState(mtwsIdle);
  Table->SetOverrideRecord(nullptr);
}

void TmtCustomStreamFormat::AfterLoad(TmtCustomMemTable* Table) {
  EndLoadStates(Table);
  try {
    if (Table->Active()) Table->RebuildIndexes();
  } catch (...) {
    Table->Common().Unlock();
    Table->EnableControls();
    ReleaseWorkStream();
    throw;
  }
  Table->Common().Unlock();
  if (Table->Active()) {
    if (!FBookmark.empty() && Table->BookmarkValid(FBookmark))
      Table->GotoBookmark(FBookmark);
    else
      Table->ResetCursor();
  }
  FBookmark.clear();
  Table->EnableControls();
  Table->Progress(100, mtpcLoad);
  ReleaseWorkStream();
}

void TmtCustomStreamFormat::AbortLoad(TmtCustomMemTable* Table) {
  EndLoadStates(Table);
  if (Table->Active()) {
    try {
      if (Table->State() == dsInsert || Table->State() == dsEdit) Table->Cancel();
    } catch (...) {
      // The table is put back by the caller.
    }
  }
  Table->Common().Unlock();
  Table->EnableControls();
  FBookmark.clear();
  ReleaseWorkStream();
}
