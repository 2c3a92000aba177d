#include "platform/db/datasource.h"

#include <algorithm>

#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TDataSource, TComponent, ComponentFactory<TDataSource>)
RTL_IMPLEMENT_CLASS(TDataLink, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TFieldDataLink, TDataLink, nullptr)
RTL_IMPLEMENT_CLASS(TMasterDataLink, TDataLink, nullptr)

RTL_PUBLISHED(TDataSource) {
  P.Prop("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(true);
  P.Prop("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  P.Prop("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(true);
  P.Field("OnStateChange", &TDataSource::OnStateChange);
  P.Field("OnDataChange", &TDataSource::OnDataChange);
  P.Field("OnUpdateData", &TDataSource::OnUpdateData);
}

namespace {
[[maybe_unused]] const bool DataSourceRegistered = [] {
  RegisterClass(TDataSource::StaticClass());
  return true;
}();
}  // namespace

// ---- TDataSource --------------------------------------------------------

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  // No events from a source that is going away.
  OnStateChange = nullptr;
  OnDataChange = nullptr;
  OnUpdateData = nullptr;
  while (!FDataLinks.empty()) FDataLinks.back()->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

bool TDataSource::IsLinkedTo(TDataSet* ADataSet) const {
  // Walks the master chain of this source's dataset (bounded).
  const TDataSource* S = this;
  for (int Depth = 0; S && S->FDataSet && Depth < 64; ++Depth) {
    if (S->FDataSet == ADataSet) return true;
    S = S->FDataSet->GetDataSource();
  }
  return false;
}

void TDataSource::SetDataSet(TDataSet* ADataSet) {
  if (ADataSet == FDataSet) return;
  // Refuse a dataset whose master chain leads back to this source (the
  // walk is bounded, so a cycle elsewhere cannot hang it).
  TDataSource* S = ADataSet ? ADataSet->GetDataSource() : nullptr;
  for (int Depth = 0; S && Depth < 64; ++Depth) {
    if (S == this) DatabaseError(SCircularDataLink, this);
    S = S->DataSet() ? S->DataSet()->GetDataSource() : nullptr;
  }
  if (FDataSet) {
    FDataSet->RemoveDataSource(this);
    FDataSet->RemoveFreeNotification(this);
  }
  FDataSet = ADataSet;
  if (FDataSet) {
    FDataSet->FreeNotification(this);
    FDataSet->AddDataSource(this);
  }
  NotifyLinkStates();
}

void TDataSource::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  NotifyLinkStates();
}

void TDataSource::NotifyLinkStates() {
  TDataSetState S = FDataSet && FEnabled ? FDataSet->State() : dsInactive;
  std::vector<TDataLink*> Links = FDataLinks;
  for (TDataLink* L : Links) L->UpdateState();
  SetStateValue(S);
}

void TDataSource::SetStateValue(TDataSetState Value) {
  if (FState == Value) return;
  FState = Value;
  if (OnStateChange) OnStateChange(this);
}

void TDataSource::Edit() {
  if (FAutoEdit && FState == dsBrowse) FDataSet->Edit();
}

void TDataSource::AddDataLink(TDataLink* Link) {
  FDataLinks.push_back(Link);
  if (FDataSet) FDataSet->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* Link) {
  FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), Link), FDataLinks.end());
  if (FDataSet) FDataSet->UpdateBufferCount();
}

void TDataSource::DataEvent(TDataEvent Event, intptr_t Info) {
  if (Event == deUpdateState) {
    NotifyLinkStates();
    return;
  }
  if (FState == dsInactive) return;
  std::vector<TDataLink*> Links = FDataLinks;
  for (TDataLink* L : Links) L->DataEvent(Event, Info);
  switch (Event) {
    case deFieldChange: case deRecordChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(Info));
      break;
    case deDataSetChange: case deDataSetScroll: case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDataSet) {
    // Free() tells us while the dataset is still whole.
    FDataSet->RemoveDataSource(this);
    FDataSet = nullptr;
    NotifyLinkStates();
  }
}

void TDataSource::DataSetDestroyed(TDataSet* ADataSet) {
  if (ADataSet != FDataSet) return;
  FDataSet->RemoveFreeNotification(this);
  FDataSet = nullptr;
  NotifyLinkStates();
}

// ---- TDataLink --------------------------------------------------------

TDataLink::~TDataLink() {
  if (FDataSource) FDataSource->RemoveDataLink(this);
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

bool TDataLink::IsLinkedTo(TDataSet* ADataSet) const {
  return FDataSource && FDataSource->IsLinkedTo(ADataSet);
}

void TDataLink::SetDataSource(TDataSource* ADataSource) {
  if (ADataSource == FDataSource) return;
  if (FDataSource) FDataSource->RemoveDataLink(this);
  FDataSource = ADataSource;
  if (FDataSource) FDataSource->AddDataLink(this);
  UpdateState();
}

TDataSetState TDataLink::State() const {
  return FDataSource ? FDataSource->State() : dsInactive;
}

void TDataLink::UpdateState() {
  SetActive(FDataSource && FDataSource->Enabled() && DataSet() && DataSet()->Active());
  SetEditing(FActive && (DataSet()->State() == dsEdit || DataSet()->State() == dsInsert));
}

void TDataLink::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  if (Value)
    UpdateRange();
  else
    FFirstRecord = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
  if (FEditing == Value) return;
  FEditing = Value;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  TDataSet* D = DataSet();
  Integer Min = std::max(D->ActiveRecord() - FBufferCount + 1, 0);
  Integer Max = std::min(std::max(D->BufferCount() - FBufferCount, 0), D->ActiveRecord());
  FFirstRecord = std::clamp(FFirstRecord, Min, std::max(Min, Max));
}

Integer TDataLink::ActiveRecord() const {
  TDataSet* D = DataSet();
  if (!D || State() == dsSetKey) return 0;
  return D->ActiveRecord() - FFirstRecord;
}

void TDataLink::SetActiveRecord(Integer Value) {
  TDataSet* D = DataSet();
  if (D && State() != dsSetKey) D->SetActiveRecord(Value + FFirstRecord);
}

void TDataLink::SetBufferCount(Integer Value) {
  if (Value < 1) Value = 1;
  if (FBufferCount == Value) return;
  FBufferCount = Value;
  if (TDataSet* D = DataSet()) {
    D->UpdateBufferCount();
    if (FActive) UpdateRange();
  }
}

Integer TDataLink::RecordCount() const {
  TDataSet* D = DataSet();
  if (!D || !FActive) return 0;
  if (State() == dsSetKey) return 1;
  return std::min(std::max(D->BufferedRecordCount() - FFirstRecord, 0), FBufferCount);
}

void TDataLink::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  UpdateState();
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  FUpdating = true;
  try {
    UpdateData();
  } catch (...) {
    FUpdating = false;
    throw;
  }
  FUpdating = false;
}

Integer TDataLink::MoveBy(Integer Distance) { return DataSet()->MoveBy(Distance); }

void TDataLink::DataEvent(TDataEvent Event, intptr_t Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (Event) {
    case deFieldChange: case deRecordChange:
      if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(Info));
      break;
    case deDataSetChange: case deDataSetScroll: case deLayoutChange: {
      Integer Count = 0;
      if (State() != dsSetKey) {
        // Keep the active record inside this link's part of the window:
        // follow the buffers' shift, then scroll as little as needed.
        Integer Active = DataSet()->ActiveRecord();
        Integer First = FFirstRecord + static_cast<Integer>(Info);
        Integer Last = First + FBufferCount - 1;
        if (Active > Last)
          Count = Active - Last;
        else if (Active < First)
          Count = Active - First;
        FFirstRecord = std::max(First + Count, 0);
      }
      if (Event == deDataSetChange)
        DataSetChanged();
      else if (Event == deDataSetScroll)
        DataSetScrolled(Count);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(Info)); break;
    default: break;
  }
}
