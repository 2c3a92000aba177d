// TSelDialog: the common part of the selection dialogs.
#include "sync/USelDialog.h"

#include "foundation/UFormHook.h"
#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TSelDialog, TForm, nullptr)

RTL_PUBLISHED(TSelDialog) {
  P.Method("FormCreate", &TSelDialog::FormCreate);
  P.Method("FormKeyPress", &TSelDialog::FormKeyPress);
}

void TSelDialog::FormCreate(TObject*) { CallFormHook(this, true); }

void TSelDialog::FormKeyPress(TObject*, char32_t& Key) {
  if (Key == 3) SetModalResult(mrCancel);
}
