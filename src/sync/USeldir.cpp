// TFSelDir: the folder dialog.
#include "sync/USeldir.h"

#include <memory>

#include "platform/rtl/classreg.h"
#include "platform/os/fileapi.h"
#include "ui/look/sb.h"

RTL_IMPLEMENT_CLASS(TFSelDir, TSelDialog, &FormFactory<TFSelDir>)

RTL_PUBLISHED(TFSelDir) {
  P.Field("trv", &TFSelDir::trv);
  P.Field("FlatButton_next", &TFSelDir::FlatButton_next);
  P.Field("FlatButton_cancel", &TFSelDir::FlatButton_cancel);
  P.Method("FlatButton_nextClick", &TFSelDir::FlatButton_nextClick);
}

void RegisterSelDirClasses() {
  RegisterClasses({TFSelDir::StaticClass(), TshSystemTreeView::StaticClass(), TPlainButton::StaticClass()});
}

TFSelDir::TFSelDir(TComponent* AOwner) : TSelDialog(AOwner) { RegisterSelDirClasses(); }

void TFSelDir::FlatButton_nextClick(TObject*) {
  String Path = SelectedPath();
  if (Path.empty()) {
    ShowMsgBox("Sie müssen ein Laufwerk und/oder ein Verzeichnis angeben.");
  } else if (FileExists(Path)) {
    ShowMsgBox("<B>" + Path + "</B><BR>ist eine Datei, kein Verzeichnis. Wählen Sie ein Verzeichnis.");
  } else if (!DirectoryExists(Path)) {
    ShowMsgBox("Das Verzeichnis <B>" + Path + "</B> existiert nicht mehr. Wählen Sie ein anderes Verzeichnis.");
  } else {
    SetModalResult(mrOk);
  }
}

void ExecuteSelDir(String& Path) {
  std::unique_ptr<TFSelDir> Dlg(NewForm<TFSelDir>(nullptr));
  Path = Dlg->ShowModal() == mrOk ? Dlg->SelectedPath() : String();
}
