// TmtCustomMemTable::LoadFromDataSet: loads all records of another dataset,
// optionally with its structure, and restores every state it changed, also
// after a failure.
#include "data/memtable/mtMemCopy.h"

namespace {

// Runs Step and ignores its failure (clean-up after a load).
template <class Fn>
void Quietly(Fn Step) {
  try {
    Step();
  } catch (const Exception&) {
  }
}

// What LoadFromDataSet changes and puts back afterwards.
class TLoadStates {
 public:
  // Remembers the states, switches the indexes off (unless KeepIndexes),
  // sets the loading flag and disables the controls of both sides.
  TLoadStates(TmtCustomMemTable* Table, TDataSet* Source, bool KeepIndexes)
      : FTable(Table),
        FSource(Source),
        FSourceWasActive(Source->Active()),
        FSourceWasDisabled(Source->ControlsDisabled()),
        FWasFiltered(Table->Filtered()),
        FMasterSource(Table->MasterSource()),
        FEnableIndexes(Table->EnableIndexes()) {
    if (!KeepIndexes) FTable->SetEnableIndexes(false);
    FTable->SetLoading(true);
    if (!FSourceWasDisabled) FSource->DisableControls();
    FTable->DisableControls();
  }
  // The source's record to return to afterwards (a failure gives none).
  void MarkSource() {
    Quietly([this] { FBookmark = FSource->GetBookmark(); });
  }
  // Puts everything back: indexes of every open table on the storage
  // rebuilt, the source on its record and in its open state, filter and
  // master source, controls, cursor, work state.
  void Restore() {
    FTable->SetEnableIndexes(FEnableIndexes);
    for (TmtCustomMemTable* T : FTable->Common().AttachedTables())
      if (T && T->Active()) Quietly([T] {
          T->RebuildIndexes();
          T->UpdateIndexes();
        });
    if (!FBookmark.empty()) Quietly([this] { FSource->GotoBookmark(FBookmark); });
    FBookmark.clear();
    FTable->SetLoading(false);
    if (!FSourceWasActive) Quietly([this] { FSource->Close(); });
    if (!FSourceWasDisabled) FSource->EnableControls();
    Quietly([this] { FTable->SetFiltered(FWasFiltered); });
    Quietly([this] { FTable->SetMasterSource(FMasterSource); });
    FTable->EnableControls();
    if (FTable->Active()) Quietly([this] {
        FTable->UpdateCursorPos();
        FTable->CursorPosChanged();
      });
    FTable->SetWorkState(mtwsIdle);
  }

 private:
  TmtCustomMemTable* FTable;
  TDataSet* FSource;
  bool FSourceWasActive, FSourceWasDisabled, FWasFiltered;
  TDataSource* FMasterSource;
  bool FEnableIndexes;
  TBookmark FBookmark;
};

}  // namespace

void TmtCustomMemTable::LoadFromDataSet(TDataSet* Source, TmtCopyOptions CopyOptions) {
  if (!Source || Source == this) return;
  if ((CopyOptions & mtcpAppend) && (CopyOptions & (mtcpStructure | mtcpProperties)))
    throw EMemTableError(mtSAppendAndStructure);
  SetWorkState(mtwsLoading);
  if (OnLoad) OnLoad(this, mtstDataSet, nullptr);
  if (CopyOptions & mtcpStructure)
    Close();
  else if (!(CopyOptions & mtcpAppend) && Active())
    EmptyTable();

  TLoadStates States(this, Source, (CopyOptions & mtcpKeepIndexes) != 0);
  try {
    if (!Source->Active()) Source->Open();
    States.MarkSource();
    SetFiltered(false);
    SetMasterSource(nullptr);
    Source->CheckBrowseMode();
    Quietly([Source] { Source->UpdateCursorPos(); });
    if (CopyOptions & mtcpStructure) CopyStructure(Source, CopyOptions);
    if (!Active()) Open();
    if (!(CopyOptions & mtcpAppend) && (CopyOptions & mtcpProperties))
      CopyFieldsProperties(Source);
    CheckBrowseMode();
    if (!Source->Bof()) Source->First();
    SetLoadedRecordCount(
        CopyRecords(Source, this, LoadLimit(), (CopyOptions & mtcpIgnoreErrors) != 0));
    First();
  } catch (...) {
    States.Restore();
    throw;
  }
  States.Restore();
}
