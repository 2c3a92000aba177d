// TDataSet: opening and closing, state, controls, bookmarks, data events
// and the published properties. The buffer window and navigation live in
// dataset_window.cpp, editing in dataset_edit.cpp, fields and searching in
// dataset_fields.cpp.
#include "platform/db/dataset.h"

#include <algorithm>

#include "platform/db/datasource.h"

RTL_IMPLEMENT_CLASS(TDataSet, TComponent, nullptr)

RTL_PUBLISHED(TDataSet) {
  P.Prop("Active", &TDataSet::Active, &TDataSet::SetActive).Default(false);
  P.Prop("AutoCalcFields", &TDataSet::AutoCalcFields, &TDataSet::SetAutoCalcFields)
      .Default(true);
  P.Prop("Filter", &TDataSet::Filter, &TDataSet::SetFilter).Default(String());
  P.Prop("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered).Default(false);
  P.Prop("FilterOptions", &TDataSet::FilterOptions, &TDataSet::SetFilterOptions)
      .Default(TFilterOptions{});
  P.Field("BeforeOpen", &TDataSet::BeforeOpen);
  P.Field("AfterOpen", &TDataSet::AfterOpen);
  P.Field("BeforeClose", &TDataSet::BeforeClose);
  P.Field("AfterClose", &TDataSet::AfterClose);
  P.Field("BeforeInsert", &TDataSet::BeforeInsert);
  P.Field("AfterInsert", &TDataSet::AfterInsert);
  P.Field("BeforeEdit", &TDataSet::BeforeEdit);
  P.Field("AfterEdit", &TDataSet::AfterEdit);
  P.Field("BeforePost", &TDataSet::BeforePost);
  P.Field("AfterPost", &TDataSet::AfterPost);
  P.Field("BeforeCancel", &TDataSet::BeforeCancel);
  P.Field("AfterCancel", &TDataSet::AfterCancel);
  P.Field("BeforeDelete", &TDataSet::BeforeDelete);
  P.Field("AfterDelete", &TDataSet::AfterDelete);
  P.Field("BeforeScroll", &TDataSet::BeforeScroll);
  P.Field("AfterScroll", &TDataSet::AfterScroll);
  P.Field("OnCalcFields", &TDataSet::OnCalcFields);
  P.Field("OnDeleteError", &TDataSet::OnDeleteError);
  P.Field("OnEditError", &TDataSet::OnEditError);
  P.Prop("OnFilterRecord", &TDataSet::OnFilterRecord, &TDataSet::SetOnFilterRecord);
  P.Field("OnNewRecord", &TDataSet::OnNewRecord);
  P.Field("OnPostError", &TDataSet::OnPostError);
}

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner),
      FFields(std::make_unique<TFields>(this)),
      FFieldDefs(std::make_unique<TFieldDefs>(this)),
      FIndexDefs(std::make_unique<TIndexDefs>(this)) {}

TDataSet::~TDataSet() {
  // Descendants close in their own destructor (their storage is gone by
  // now); only the framework's own bookkeeping remains here.
  FState = dsInactive;
  for (TRecordBuffer& B : FBuffers) B = nullptr;  // freed by the descendant's Close
  std::vector<TDataSource*> Sources;
  Sources.swap(FDataSources);
  for (TDataSource* S : Sources) S->DataSetDestroyed(this);
  DestroyFields();
  for (TField* F : FFields->Items()) F->SetDataSetDirect(nullptr);
  FFields->Clear();
}

// ---- Opening and closing ----------------------------------------------

void TDataSet::SetActive(bool Value) {
  if (ComponentState().Contains(csReading) || ComponentState().Contains(csLoading)) {
    FStreamedActive = Value;
    return;
  }
  if (Active() == Value) return;
  if (Value) {
    DoBeforeOpen();
    try {
      OpenCursor();
    } catch (...) {
      // Never half open: whatever the storage opened is closed again.
      SetState(dsInactive);
      CloseCursor();
      throw;
    }
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    if (!ComponentState().Contains(csDestroying)) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!ComponentState().Contains(csDestroying)) DoAfterClose();
  }
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (FStreamedActive) {
    FStreamedActive = false;
    try {
      SetActive(true);
    } catch (...) {
      // The designer reports and goes on; a running program sees the error.
      if (!ComponentState().Contains(csDesigning)) throw;
      InternalHandleException();
    }
  }
}

void TDataSet::OpenCursor() { DoInternalOpen(); }

void TDataSet::DoInternalOpen() {
  FDefaultFields = FieldCount() == 0;
  InternalOpen();
  FInternalOpenComplete = true;
  UpdateBufferCount();
  FBOF = true;
}

void TDataSet::CloseCursor() {
  FBlockReadSize = 0;
  FInternalOpenComplete = false;
  ClearBuffers();
  SetBufferCount(0);
  if (IsCursorOpen() || FDefaultFields) InternalClose();
  FDefaultFields = false;
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError(SDataSetClosed, const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError(SDataSetOpen, const_cast<TDataSet*>(this));
}

void TDataSet::SetState(TDataSetState Value) {
  if (FState == Value) return;
  FState = Value;
  FModified = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
  TDataSetState Old = FState;
  FState = Value;
  ++FDisableCount;
  return Old;
}

void TDataSet::RestoreState(TDataSetState Value) {
  FState = Value;
  --FDisableCount;
}

// ---- Controls -----------------------------------------------------------

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount != 0) return;
  if (FDisableState != FState) DataEvent(deUpdateState, 0);
  if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
}

// ---- Bookmarks --------------------------------------------------------

bool TDataSet::BookmarkAvailable() const {
  return (FState == dsBrowse || FState == dsEdit || FState == dsInsert) && !IsEmpty() &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
  if (!BookmarkAvailable() || FBookmarkSize <= 0) return TBookmark();
  TBookmark B(static_cast<size_t>(FBookmarkSize), '\0');
  GetBookmarkData(ActiveBuffer(), B.data());
  return B;
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
  if (Bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(Bookmark.data());
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark& Bookmark) {
  (void)Bookmark;
  return false;
}

Integer TDataSet::CompareBookmarks(const TBookmark& A, const TBookmark& B) {
  if (A.empty() || B.empty()) return A.empty() == B.empty() ? 0 : (A.empty() ? -1 : 1);
  return 0;
}

// ---- Data events --------------------------------------------------------

void TDataSet::DataEvent(TDataEvent Event, intptr_t Info) {
  switch (Event) {
    case deFieldChange: {
      auto* F = reinterpret_cast<TField*>(Info);
      if (F && (F->FieldKind() == fkData || F->FieldKind() == fkInternalCalc)) FModified = true;
      if (FState != dsSetKey && F && F->FieldKind() == fkData && FCalcFieldsSize > 0 &&
          FAutoCalcFields && (FState == dsEdit || FState == dsInsert))
        GetCalcFields(ActiveBuffer());
      if (F) F->Change();
      break;
    }
    case dePropertyChange: FFieldDefs->SetUpdated(false); FIndexDefs->SetUpdated(false); break;
    default: break;
  }
  bool Notify = !ControlsDisabled() && FState != dsBlockRead;
  if (Notify) {
    NotifyDataSources(Event, Info);
  } else if ((Event == deUpdateState && FState == dsInactive) || Event == deLayoutChange) {
    FEnableEvent = deLayoutChange;
  }
}

void TDataSet::NotifyDataSources(TDataEvent Event, intptr_t Info) {
  std::vector<TDataSource*> Sources = FDataSources;  // handlers may detach
  for (TDataSource* S : Sources) S->DataEvent(Event, Info);
}

void TDataSet::AddDataSource(TDataSource* Source) {
  FDataSources.push_back(Source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* Source) {
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), Source),
                     FDataSources.end());
  UpdateBufferCount();
}

void TDataSet::SetBlockReadSize(Integer Value) {
  FBlockReadSize = Value;
  if (Value > 0) {
    CheckActive();
    SetState(dsBlockRead);
  } else if (FState == dsBlockRead) {
    SetState(dsBrowse);
  }
}

void TDataSet::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  for (TField* F : FFields->Items())
    if (F->LookupDataSet() == AComponent) F->SetLookupDataSet(nullptr);
}

void TDataSet::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TField* F : FFields->Items())
    if (F->Owner() == Root) Proc(F);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  (void)Mode;
  DatabaseErrorFmt(SNoBlobStream, Field ? Field->DisplayName() : String(), this);
}
