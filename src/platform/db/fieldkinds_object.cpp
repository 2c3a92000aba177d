// TObjectField: a field of child fields.
#include "platform/db/fieldkinds.h"

RTL_IMPLEMENT_CLASS(TObjectField, TField, ComponentFactory<TObjectField>)

TObjectField::TObjectField(TComponent* AOwner) : TField(AOwner), FFields(std::make_unique<TFields>(nullptr)) {
  SetDataType(ftOAT);
}

TObjectField::~TObjectField() {
  // Also while the dataset closes: no check of its state here.
  for (TField* F : FFields->Items()) F->FParentField = nullptr;
}

String TObjectField::GetTextValue(bool DisplayText) const {
  String Text = "(";
  for (Integer I = 0; I < FieldCount(); ++I) {
    if (I > 0) Text += ", ";
    TField* F = FFields->Fields(I);
    Text += DisplayText ? F->DisplayText() : F->Text();
  }
  return Text + ")";
}

String TObjectField::GetAsString() const { return GetTextValue(false); }

Variant TObjectField::GetAsVariant() const {
  std::vector<Variant> Values;
  bool AllNull = true;
  for (TField* F : FFields->Items()) {
    Values.push_back(F->AsVariant());
    if (!VarIsNullOrEmpty(Values.back())) AllNull = false;
  }
  return AllNull ? Null() : VarArrayOf(Values);
}
