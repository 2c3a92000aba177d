#include "platform/rtl/persistent.h"

RTL_IMPLEMENT_CLASS(TPersistent, TObject, nullptr)

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  String SourceName = Source ? Source->ClassName() : String("nil");
  throw EConvertError(SourceName + " kann nicht zu " + ClassName() + " zugewiesen werden");
}

String TPersistent::GetNamePath() {
  String S = ClassName();
  if (TPersistent* Owner = GetOwner()) {
    String Path = Owner->GetNamePath();
    if (!Path.empty()) S = Path + "." + S;
  }
  return S;
}
