// The column-selector hook: a form class found by its registered name.
#include "ui/controls/ColSelectorBase.h"

#include <memory>

#include "platform/gui/dialogs.h"
#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TColSelectBase, TForm, nullptr)

RTL_PUBLISHED(TColSelectBase) {
  P.Method("FormCreate", &TColSelectBase::FormCreate);
  P.Method("FormClose", &TColSelectBase::FormClose);
}

namespace {
const char* const SelectorClassName = "TFColSelectFrm";
TColSelectBase* GCurrentSelector = nullptr;
}  // namespace

TColSelectBase::TColSelectBase(TComponent* AOwner) : TForm(AOwner) {}
TColSelectBase::TColSelectBase(TComponent* AOwner, int Dummy) : TForm(AOwner, Dummy) {}

TColSelectBase::~TColSelectBase() {
  if (GCurrentSelector == this) GCurrentSelector = nullptr;
}

void TColSelectBase::Prepare() {}

void TColSelectBase::FormCreate(TObject*) { GCurrentSelector = this; }

void TColSelectBase::FormClose(TObject*, TCloseAction&) {
  if (GCurrentSelector == this) GCurrentSelector = nullptr;
}

TColSelectBase* CurrentColSelector() { return GCurrentSelector; }

TModalResult ShowColSelectForm(TCustomGrid* Grid, const String& Text, bool CallPrepare) {
  TClass Class = GetClass(SelectorClassName);
  if (!Class || !Class->InheritsFrom(TColSelectBase::StaticClass()))
    return MessageDlg("Missing Class \"" + String(SelectorClassName) + "\"", mtCustom, TMsgDlgButtons{mbOK}, 0);
  std::unique_ptr<TColSelectBase> Form(static_cast<TColSelectBase*>(Class->Create(Application)));
  Form->SetGrid(Grid);
  if (CallPrepare) Form->Prepare();
  Form->SetCallerText(Text);
  Form->AfterConstruction();
  return Form->ShowModal();
}
