// InstallToMobile and SetMobileRights: step 7 of a run. The office copy
// of the temporary tree is stamped with the installation's identity and
// rights, its orders trimmed by the rights level, its tables packed into
// the update package, and the package with the program files, the INI
// files, macros, texts, layouts, the message file and the marker file
// written to the target folder. The temporary tree is emptied at the end.
#include "foundation/FileUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/USettings.h"
#include "platform/os/errors.h"
#include "platform/os/fileapi.h"
#include "platform/os/fileperm.h"
#include "platform/os/files.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync_run.h"

String OakLocalConfigText() {
  return "[SETTINGS]\r\nCONNECTIONS=200\r\nTABLES=500\r\nINDEXES=500\r\nLOCKS=500\r\n"
         "ERROR_LOG_MAX=1000\r\nERROR_ASSERT_LOGS=C:\\\r\nANSI_CHAR_SET=German\r\n"
         "OEM_CHAR_SET=GERMAN\r\nFLUSH_FREQUENCY=20000\r\nLOWERCASE_ALL_PATHS=\r\n";
}

void WriteOakLocalConfig(const String& Target) {
  TStringList Config;
  if (FileExistsEx(Target + "oaklocal.cfg")) Config.LoadFromFile(Target + "oaklocal.cfg");
  Config.SetText(OakLocalConfigText());
  Config.SaveToFile(Target + "oaklocal.cfg");
}

namespace {

// Writes Value into the row Ident of the open settings table (edited when
// found, inserted otherwise).
void WriteSetupRow(TOakTable& Table, Integer Ident, const String& Value) {
  if (Table.Seek(IntToStr(Ident), true))
    Table.Edit();
  else
    Table.Insert();
  Table.FieldByName("stringItem")->SetAsString(Value);
  Table.FieldByName("Ident")->SetAsInteger(Ident);
  Table.Post();
}

// The installation's own orders: ID_ORDER, trimmed, 9 characters long and
// beginning with the installation's ID character.
bool IsOwnOrder(TDataSet& Orders, char IDChar) {
  String Key = Trim(Orders.FieldByName("ID_ORDER")->AsString());
  return Key.size() == 9 && Key[0] == IDChar;
}

}  // namespace

void TrimMobileOrders(TFsync& Form, const String& DataFolder, Integer Rights, char IDChar) {
  if (Rights != 0 && Rights != 1 && Rights != 4) return;
  auto Connection = OpenLocalConnection(DataFolder);
  auto Orders = MakeRunTable(Connection.get(), "Auftraege.OAT");
  Orders->SetExclusive(true);
  if (Rights == 4) {
    ShowCopyText(Form, "Mobile Aufträge, nicht dazugehörige Aufträge entfernen...");
    Orders->Open();
    Orders->First();
    while (!Orders->Eof()) {
      if (!IsOwnOrder(*Orders, IDChar)) Orders->DeleteRecord();
      Orders->Next();
    }
  } else {
    ShowCopyText(Form, "Mobile Aufträge leeren...");
    Orders->Open();
    Orders->ZapTable();
  }
  Orders->PackTable();
  Orders->Close();
}

bool TFsync::SetMobileRights(const String& Dest) {
  TBusyScope Busy;
  try {
    auto Connection = OpenLocalConnection(Dest + "Data/");
    auto Setup = MakeRunTable(Connection.get(), "setup.oat", "Ident");
    ShowCopyText(*this, "Rechte checken...");
    Setup->Open();
    WriteSetupRow(*Setup, 3, IntToStr(CurrentRights));
    WriteSetupRow(*Setup, 6, DateTimeToStamp(0));
    WriteSetupRow(*Setup, 1, CurrentGUID);
    WriteSetupRow(*Setup, 5, Settings()->DatabaseID());
    WriteSetupRow(*Setup, 4, IntToStr(CurrentID));
    Setup->Close();
    Setup.reset();
    Connection.reset();
    TrimMobileOrders(*this, Dest + "Data/", static_cast<Byte>(CurrentRights), MobileIDChar(CurrentID));
  } catch (const Exception&) {
    throw ECanNotInstall2Mobile("Rechte können nicht vergeben werden. (Step2)");
  }
  return true;
}

namespace {

// Copies Source to Dest when Source exists, advancing the bar.
void CopyIfPresent(TFsync& Form, const String& Source, const String& Dest) {
  if (!FileExistsEx(Source)) return;
  AdvanceProgress(Form);
  TStepBytes Bytes(Form);
  CopyFileByStreams(Source, Dest, Bytes.Progress());
}

// Calls Step and ignores its errors (the optional parts of an installation).
template <class F>
void Optional(F Step) {
  try {
    Step();
  } catch (const Exception&) {
  }
}

// Everything but the data: program files, configuration, INI files,
// macros, texts, layouts, the message file and the marker file.
void CopyProgramSide(TFsync& Form, const String& Dest, const String& Target) {
  const String Tool = ToolFolder();
  Optional([&] {
    TStringList Skins;
    Form.AddFilesByMask(Tool + "*.SKM", &Skins);
    for (Integer I = 0; I < Skins.Count(); ++I) CopyIfPresent(Form, Tool + Skins[I], Target + Skins[I]);
  });
  for (const char* Name : ProgramFiles) {
    AdvanceProgress(Form);
    // The mobile side gets each file under the name it has in the tool's
    // folder ("TOVAR.EXE", as the final message names it), and a program
    // stays a program there.
    const String Stored = ExtractFileName(os::ResolvePath(Tool + Name));
    CopyFileByStreams(Tool + Stored, Target + Stored);
    if (IsFileExecutable(Tool + Stored)) SetFileExecutable(Target + Stored);
  }
  WriteOakLocalConfig(Target);
  if (!FileExistsEx(Target + "ZUVID.INI")) CopyFileByStreams(Dest + "ZUVID.INI", Target + "ZUVID.INI");
  for (const char* Name : {"ALTEURO.INI", "ALTCUR.INI", "D5006.TXT"})
    CopyIfPresent(Form, Dest + Name, Target + Name);
  const String Remote = Target + MobileDataFolder;
  Optional([&] {
    ForceDirectoryTree(Remote + "MACROS/");
    for (Integer I = 0; I < Form.MacroFiles->Count(); ++I)
      CopyIfPresent(Form, Dest + (*Form.MacroFiles)[I], Remote + "MACROS/" + (*Form.MacroFiles)[I]);
  });
  Optional([&] {
    for (Integer I = 0; I < Form.TextFiles->Count(); ++I)
      CopyIfPresent(Form, Dest + (*Form.TextFiles)[I], Target + (*Form.TextFiles)[I]);
    for (Integer I = 0; I < Form.LayoutFiles->Count(); ++I)
      CopyIfPresent(Form, Dest + (*Form.LayoutFiles)[I], Remote + (*Form.LayoutFiles)[I]);
  });
  Optional([&] {
    if (!FileExistsEx(Tool + "MESSAGEFORMOBILE.TXT")) return;
    CopyFileByStreams(Tool + "MESSAGEFORMOBILE.TXT", Target + "MESSAGEFORMOBILE.TXT");
    DeleteFile(Tool + "MESSAGEFORMOBILE.TXT");
  });
  CopyFileByStreams(Dest + MarkerFileName, Target + MarkerFileName);
}

// Empties the folders of the temporary tree (the folders stay); raises
// ECanNotTmpdelete naming the first folder that could not be emptied.
void EmptyTemporaryTree(TFsync& Form, const String& Dest) {
  const String Remote = RunFolder(Form, "M_Temp/Remote");
  const String Folders[6] = {Dest, Dest + "PLUGINS/", Dest + "Data/", Remote + "Data/", Remote,
                             Dest + "PLZVW/"};
  for (Integer I = 0; I < 6; ++I) {
    if (!IsDirectory(Folders[I])) continue;
    if (!DeleteDirectoryTree(Folders[I], false))
      throw ECanNotTmpdelete("temporäre Dateien können nicht entfernt werden [" + IntToStr(I) + "]");
  }
}

}  // namespace

bool TFsync::InstallToMobile() {
  const String Dest = RunFolder(*this, "M_Temp/Server");
  const String Target = IncludeTrailingBackslash(CurrentPath);
  if (!SetMobileRights(Dest)) throw ECanNotInstall2Mobile("Rechte können nicht vergeben werden.");
  try {
    TStringList Sources;
    String Folders;
    BuildPackList(*this, Dest, &Sources, Folders);
    BuildSelfExtractingInstaller(&Sources, Folders);
    AdvanceProgress(*this);
    StartProgress(*this, 1, 8);
    const String Package = RunFolder(*this, "") + SelfExtractingPackage;
    {
      TStepBytes Bytes(*this);
      CopyFileByStreams(Package, Target + SelfExtractingPackage, Bytes.Progress());
    }
    // The package is a program: the mobile side starts it to unpack.
    if (!SetFileExecutable(Target + SelfExtractingPackage)) RaiseLastOSError();
    DeleteFile(Package);
    if (!snnoneKelpo->Checked())
      CopyProgramSide(*this, Dest, Target);
    else
      pgmain->SetPosition(pgmain->Max());
    AdvanceProgress(*this);
    ShowCopyText(*this, "temporäre Dateien entfernen.. ");
    EmptyTemporaryTree(*this, Dest);
  } catch (const ECanNotTmpdelete&) {
    ShowCopyText(*this, "---------");
    return false;
  } catch (...) {
    RaiseStepError<ECanNotInstall2Mobile>();
  }
  ShowCopyText(*this, "Fertig!");
  Update();
  return true;
}
