// TFieldDataLink and TMasterDataLink.
#include "platform/db/datasource.h"

// ---- TFieldDataLink -------------------------------------------------------

void TFieldDataLink::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  UpdateField();
}

void TFieldDataLink::UpdateField() {
  TField* F = nullptr;
  if (Active() && !FFieldName.empty()) F = DataSet()->FindField(FFieldName);
  if (F != FField) {
    FField = F;
    FModified = false;
    if (OnDataChange) OnDataChange(this);
  }
}

bool TFieldDataLink::CanModify() const {
  return !ReadOnly() && FField && FField->CanModify();
}

void TFieldDataLink::Reset() {
  RecordChanged(nullptr);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::FocusControl(TField** Field) {
  if (Field && *Field && *Field == FField && FControl) *Field = nullptr;  // the control took it
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* Field) {
  if (!Field || Field == FField) {
    FModified = false;
    if (OnDataChange) OnDataChange(this);
  }
}

void TFieldDataLink::UpdateData() {
  if (!FModified) return;
  if (FField && OnUpdateData) OnUpdateData(this);
  FModified = false;
}

// ---- TMasterDataLink ----------------------------------------------------

void TMasterDataLink::SetFieldNames(const String& Value) {
  if (FFieldNames == Value) return;
  FFieldNames = Value;
  ActiveChanged();
}

void TMasterDataLink::ResolveFields() {
  FFields.clear();
  if (Active() && !FFieldNames.empty()) DataSet()->GetFieldList(FFields, FFieldNames);
}

bool TMasterDataLink::IsLinkedTo(TDataSet* ADataSet) const {
  return ADataSet == FDetail || TDataLink::IsLinkedTo(ADataSet);
}

void TMasterDataLink::ActiveChanged() {
  FFields.clear();
  if (Active()) {
    try {
      ResolveFields();
    } catch (const EDatabaseError&) {
      FFields.clear();
      throw;
    }
  }
  if (FDetail && FDetail->Active() && !FDetail->ComponentState().Contains(csDestroying)) {
    if (Active() && !FFields.empty()) {
      if (OnMasterChange) OnMasterChange(this);
    } else if (OnMasterDisable) {
      OnMasterDisable(this);
    }
  }
}

void TMasterDataLink::CheckBrowseMode() {
  if (FDetail && FDetail->Active()) FDetail->CheckBrowseMode();
}

void TMasterDataLink::LayoutChanged() { ActiveChanged(); }

void TMasterDataLink::RecordChanged(TField* Field) {
  if (!FDetail || !FDetail->Active() || FFields.empty() || !OnMasterChange) return;
  if (DataSource()->State() == dsSetKey) return;
  bool Relevant = !Field;
  for (TField* F : FFields) Relevant = Relevant || F == Field;
  if (Relevant) OnMasterChange(this);
}
