// USeldir: TFSelDir, the modal dialog that picks the target folder or drive
// of an installation. Read from its description (resource TFSELDIR,
// resources/FSelDir.form); made for one call by ExecuteSelDir and freed.
// The folder tree `trv` shows the shell's namespace without hidden
// folders; its virtual nodes (desktop, computer) have no path.
//
// Thread safety: GUI thread only.
#pragma once

#include "sync/USelDialog.h"
#include "ui/look/TPlainButtonUnit.h"
#include "ui/controls/SystemTreeView.h"

class TFSelDir : public TSelDialog {
  RTL_DECLARE_CLASS(TFSelDir)
 public:
  explicit TFSelDir(TComponent* AOwner);

  TshSystemTreeView* trv = nullptr;  // the folder tree, upper area
  TPlainButton* FlatButton_next = nullptr;    // "&Weiter"
  TPlainButton* FlatButton_cancel = nullptr;  // "&Abbrechen" (mrCancel)

  // The tree's selected file-system path; "" when nothing or a node
  // without a path (a virtual folder) is selected.
  String SelectedPath() const { return trv->GetSelection(); }

  // Ends with mrOk when the selection is an existing folder; otherwise
  // tells why in the message box and stays open: nothing selected ("Sie
  // müssen ein Laufwerk und/oder ein Verzeichnis angeben."), a file, or a
  // folder that no longer exists.
  void FlatButton_nextClick(TObject* Sender);
};

// Shows the folder dialog. On OK Path is the selected folder; on anything
// else Path is "".
void ExecuteSelDir(String& Path);

// Registers the dialog's classes (idempotent).
void RegisterSelDirClasses();
