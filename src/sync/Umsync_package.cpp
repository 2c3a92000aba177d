// The self-extracting update package "ZAVOZORUZIZOVAR.EXE": the template
// "UPDATEMOBILE.EXE" of the tool's folder, followed by the archive of the
// data files (TBackupFile; the archive's title names, line by line, the
// target sub-folder of each file), followed by the template's size as a
// 32-bit little-endian integer, so the extractor finds the archive by the
// package's last four bytes.
#include <cstdint>

#include "foundation/FileUtils.h"
#include "platform/gui/dialogs.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync_run.h"
#include "ui/look/sb.h"

namespace {

const char* const MobileTablesFolder = "KVS/DATA/REMOTE/";

void AddPackEntry(TStrings* Sources, String& Folders, const String& Source, const String& Folder) {
  Sources->Add(Source);
  Folders += Folder + "\r\n";
}

// Adds the office's optional tables Base + each extension when every one
// of them exists.
void AddOptionalTables(TFsync& Form, TStrings* Sources, String& Folders, const String& Base,
                       std::initializer_list<const char*> Extensions) {
  const String Office = OfficeDataFolder(Form);
  for (const char* Ext : Extensions)
    if (!FileExistsEx(Office + Base + Ext)) return;
  for (const char* Ext : Extensions) AddPackEntry(Sources, Folders, Office + Base + Ext, MobileTablesFolder);
}

// The package's end: the offset of the archive, little-endian.
void WriteTemplateSize(TStream& Package, Int64 TemplateSize) {
  Package.WriteCardinal(static_cast<Cardinal>(TemplateSize));
}

}  // namespace

void BuildPackList(TFsync& Form, const String& Dest, TStrings* Sources, String& Folders) {
  Sources->Clear();
  Folders.clear();
  for (Integer I = 0; I < Form.PluginFiles->Count(); ++I)
    AddPackEntry(Sources, Folders, Dest + (*Form.PluginFiles)[I], "PLUGINS/");
  for (Integer I = 0; I < Form.PostcodeFiles->Count(); ++I)
    AddPackEntry(Sources, Folders, Dest + (*Form.PostcodeFiles)[I], "PLZVW/");
  for (const String& Name : RunTableFiles())
    AddPackEntry(Sources, Folders, Dest + "Data/" + Name, MobileTablesFolder);
  AddOptionalTables(Form, Sources, Folders, "Sprice", {".oat", ".oai"});
  AddOptionalTables(Form, Sources, Folders, "PartsIncrease", {".oat", ".oai", ".oam"});
}

void TFsync::BuildSelfExtractingInstaller(TStrings* List, const String& Folders) {
  const String Template = ToolFolder() + UpdateTemplateName;
  if (!FileExistsEx(Template)) {
    ShowMessage(String("Cannot find the template \"") + UpdateTemplateName + "\"");
    return;
  }
  TBusyScope Busy;
  InstallArchiveWriterHooks();
  const String Package = RunFolder(*this, "") + SelfExtractingPackage;
  try {
    BackupFile1->BackupTitle = Folders;
    StartProgress(*this, 0, 100);
    ShowCopyText(*this, "Installer wird erzeugt.. ");
    CopyFileByStreams(Template, Package);
    bool Done = false;
    {
      TFileStream Stream(Package, fmOpenReadWrite | fmShareExclusive);
      const Int64 TemplateSize = Stream.Size();
      Stream.Seek(0, soEnd);
      BackupFile1->SetBackupMode(bmAll);
      BackupFile1->CompressionLevel = clFastest;
      // The archive's file list belongs to the run: the next start removes
      // it with the rest of a killed run's folder.
      BackupFile1->FileListFolder = RunFolder(*this, "");
      if (!BackupFile1->OnProgress)
        BackupFile1->OnProgress = [this](TObject*, const String&, TPercentage Percent, bool&) {
          pgmain->SetPosition(Percent);
        };
      Done = BackupFile1->Backup(List, &Stream);
      if (Done) WriteTemplateSize(Stream, TemplateSize);
    }
    if (!Done) {
      DeleteFile(Package);
      ShowMsgBox("Creation of self extracting EXE failed or aborted");
    }
  } catch (const Exception& E) {
    // A package without its trailer must not reach the target as if it
    // were complete: without it, the copy to the target fails the step.
    if (FileExists(Package)) DeleteFile(Package);
    ShowMsgBox("Folgender Fehler ist aufgetreten:<BR>" + E.Message());
  }
}

void InstallArchiveWriterHooks() {
  if (!TBackupFile::ErrorDialogHook) TBackupFile::ErrorDialogHook = [](const String& Text) { ShowMsgBox(Text); };
  if (!TBackupFile::ProcessMessagesHook) TBackupFile::ProcessMessagesHook = [] { DispatchPaintMessages(); };
}
