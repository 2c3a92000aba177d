// USelID: TFSelID, the modal dialog that picks the rights level of an
// installation from the five data-mode texts of the settings
// (MobileDataModeTexts) in a flat check list; exactly one level stays
// ticked. Read from its description (resource TFSELID, resources/
// FSelID.form); made for one call by ExecuteSelID and freed.
//
// Thread safety: GUI thread only.
#pragma once

#include "sync/USelDialog.h"
#include "platform/gui/stdctrls_label.h"
#include "ui/look/TPlainButtonUnit.h"
#include "ui/look/TPlainCheckListBoxUnit.h"

class TFSelID : public TSelDialog {
  RTL_DECLARE_CLASS(TFSelID)
 public:
  explicit TFSelID(TComponent* AOwner);

  TLabel* Label1 = nullptr;
  TPlainCheckListBox* flb = nullptr;
  TPlainButton* FlatButton_next = nullptr;    // "&Weiter" (mrOk)
  TPlainButton* FlatButton_cancel = nullptr;  // "&Abbrechen" (mrCancel)

  // Ticks the current item and unticks every other one.
  void flbClickCheck(TObject* Sender);
  void FlatButton_nextClick(TObject* Sender);
  // The highest ticked index, -1 when none is ticked.
  Integer TickedLevel() const;
};

// Shows the rights dialog with Level (0..4; anything else counts as 0)
// selected and ticked. True on OK, with Level the highest ticked index;
// False otherwise, Level unchanged.
bool ExecuteSelID(Byte& Level);

// Registers the dialog's classes (idempotent).
void RegisterSelIDClasses();
