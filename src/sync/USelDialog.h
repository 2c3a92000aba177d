// TSelDialog: what the two selection dialogs of page "0" (TFSelID,
// TFSelDir) share: the form hook on creation and Ctrl+C (key code 3)
// as cancel. Both descriptions bind FormCreate and FormKeyPress.
//
// Thread safety: GUI thread only.
#pragma once

#include "platform/gui/forms.h"

class TSelDialog : public TForm {
  RTL_DECLARE_CLASS(TSelDialog)
 public:
  using TForm::TForm;
  // Calls the form hook with (Self, True).
  void FormCreate(TObject* Sender);
  // Code 3 (Ctrl+C) sets the modal result to cancel.
  void FormKeyPress(TObject* Sender, char32_t& Key);
};
