// USeldir: TFSelDir, the modal dialog that picks the target folder or drive
// of an installation. Read from its description (resource TFSELDIR,
// resources/FSelDir.form); made for one call by ExecuteSelDir and freed.
//
// The folder tree: the dialog asks its tree only for the selected
// file-system path, through TreeSelectedPath. The shell folder tree is
// not part of the program yet; until it is, the place `trv` stays an
// empty flat panel and TreeSelectedPath answers "" (so "Weiter" asks for
// a folder), unless a caller sets it.
//
// Thread safety: GUI thread only.
#pragma once

#include <functional>

#include "sync/USelDialog.h"
#include "ui/look/TPlainButtonUnit.h"
#include "ui/look/TPlainPanelUnit.h"

class TFSelDir : public TSelDialog {
  RTL_DECLARE_CLASS(TFSelDir)
 public:
  explicit TFSelDir(TComponent* AOwner);

  TPlainPanel* trv = nullptr;  // the folder tree's place, upper area
  TPlainButton* FlatButton_next = nullptr;    // "&Weiter"
  TPlainButton* FlatButton_cancel = nullptr;  // "&Abbrechen" (mrCancel)

  // The tree's selected file-system path; "" when nothing or a node
  // without a path (a virtual folder) is selected. Null answers "".
  std::function<String()> TreeSelectedPath;
  String SelectedPath() const { return TreeSelectedPath ? TreeSelectedPath() : String(); }

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
