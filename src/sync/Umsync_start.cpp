// The deferred start of TFsync and the command-line check: the host starts
// the tool with the office data folder, "1" for a local server and its own
// release number; started with "INSTALL" the tool registers itself in the
// host's menu file "ZS.MNU" instead.
#include <cstdio>

#include "foundation/BusyCursor.h"
#include "foundation/FileUtils.h"
#include "platform/os/fileapi.h"
#include "platform/os/folders.h"
#include "platform/os/replace.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync.h"
#include "ui/look/sb.h"

namespace {

const char* const MenuFileName = "ZS.MNU";

// The folder of the menu file: the tool's folder, without SubFolder when
// one is given.
String MenuFolder(const String& SubFolder) {
  String Folder = GetProgramDir();
  if (SubFolder.empty()) return Folder;
  Folder = IncludeTrailingBackslash(Folder);
  Folder = StringReplace(Folder, IncludeTrailingBackslash(SubFolder), "", rfReplaceAll | rfIgnoreCase);
  return IncludeTrailingBackslash(Folder);
}

// Puts Line into List in place of the first line registered for Title, or
// appends it.
void ReplaceMenuLine(TStrings& List, const String& Title, const String& Line) {
  String Name, Value;
  for (Integer I = 0; I < List.Count(); ++I) {
    SplitNameValue(List[I], ';', Name, Value);
    if (Value == Title) {
      List.Put(I, Line);
      return;
    }
  }
  List.Add(Line);
}

// Adds or replaces the tool's line in the menu file. Raises on a file
// error.
void RegisterInMenuFile(const String& Title, const String& SubFolder) {
  String FileName = MenuFolder(SubFolder) + MenuFileName;
  String Line = GetModuleFileName() + ";" + Title;
  TStringList List;
  if (FileExists(FileName)) {
    List.LoadFromFile(FileName);
    ReplaceMenuLine(List, Title, Line);
  } else {
    List.Add(Line);
  }
  List.SaveToFile(FileName);
}

void CloseForm(TForm* Form) {
  if (Form) PostMessage(Form->Handle(), WM_CLOSE, 0, 0);
}

// The argument checks; True when the start must stop.
bool ArgumentsRefused(const String& Title, Integer MinVersion, TForm* Form) {
  if (Form) Form->Update();
  if (ParamStr(1).empty() || ParamStr(2).empty() || ParamStr(3).empty()) {
    RefuseStart("Starten Sie das Programm über zusätzlich > " + Title);
    CloseForm(Form);
    return true;
  }
  if (StrToIntDef(ParamStr(3), 0) < MinVersion) {
    RefuseStart("Das Programm benötigt mindestens " + HostProductName + " , Release " + IntToStr(MinVersion));
    CloseForm(Form);
    return true;
  }
  return false;
}

bool Refused = false;

// The most of an instance lock that is read: the office folder it names.
constexpr std::size_t InstanceLockMaxBytes = 4096;

// The name of the instance lock of an office folder: a checksum of its
// resolved path, so that the name stays within the file system's limit
// however long the path (the path itself is kept inside the file).
String InstanceLockName(const String& OfficeFolder) {
  const String Key = ExcludeTrailingPathDelimiter(os::ResolvePath(ExpandFileName(OfficeFolder)));
  return "orvsync7-" + IntToHex(os::ChecksumOf(Key.data(), Key.size()), 16) + ".lock";
}

// The office folder the instance lock Lock names ("" when it names none
// that can be shown). Reads at most InstanceLockMaxBytes.
String InstanceLockFolder(const os::File& Lock) {
  String Text(InstanceLockMaxBytes, '\0');
  std::size_t Got = 0;
  if (!Lock.Read(0, Text.data(), Text.size(), &Got).ok() || Got == Text.size()) return String();
  Text.resize(Got);
  return Text.find_first_of(String("\r\n\0", 3)) == String::npos ? Text : String();
}

}  // namespace

bool TakeInstanceLock(const String& OfficeFolder, os::File& Lock, String* HeldFor) {
  const String Path =
      IncludeTrailingBackslash(SHGetSpecialFolderPath(CSIDL_COMMON_APPDATA, true)) + InstanceLockName(OfficeFolder);
  // A lock made here holds the office folder, written only once it is
  // locked; one that is there already is locked, never written (it may be
  // reached through a link).
  os::Status Made = Lock.Open(Path, os::Access::ReadWrite, os::Share::DenyNone, os::Disposition::CreateNew);
  if (!Made.ok() && !Lock.Open(Path, os::Access::Read, os::Share::DenyNone).ok())
    return true;  // without a folder to lock in, the table locks still keep a second run out
  const os::Status Locked = Lock.Lock(0, 1, os::LockKind::Exclusive);
  if (Locked.ok() && Made.ok()) {
    const String Folder = ExpandFileName(OfficeFolder);
    Lock.Write(0, Folder.data(), Folder.size());
  }
  // Only a lock another holds refuses (one this user may not lock is no
  // instance of the tool).
  if (Locked.code() != ERROR_LOCK_VIOLATION) return true;
  if (HeldFor) *HeldFor = InstanceLockFolder(Lock);
  Lock.Close();
  return false;
}

String AlreadyRunningText(const String& OfficeFolder) {
  return "<B>Die Mobile Daten-Syncronisation läuft bereits für das Datenverzeichnis " + OfficeFolder +
         ".</B><BR>Benutzen Sie das schon geöffnete Fenster.";
}

String PlainMessageText(const String& Html) {
  String Text = Html;
  ReplaceAllNoCase(Text, "<BR>", "\n");
  String Out;
  bool InTag = false;
  for (char C : Text) {
    if (C == '<') InTag = true;
    else if (C == '>' && InTag) InTag = false;
    else if (!InTag) Out += C;
  }
  return Out;
}

void RefuseStart(const String& Html) {
  Refused = true;
  std::fprintf(stderr, "%s\n", PlainMessageText(Html).c_str());
  std::fflush(stderr);
  ShowMsgBox(Html);
}

bool StartRefused() { return Refused; }

void ResetStartRefused() { Refused = false; }

void SplitNameValue(const String& Line, char Separator, String& Name, String& Value) {
  Integer P = Pos(String(1, Separator), Line);
  if (P == 0) return;
  Name = Copy(Line, 1, P - 1);
  Value = Trim(Copy(Line, P + 1, 200));
}

bool CheckStartParams(const String& Title, const String& SubFolder, Integer MinVersion, TForm* Form) {
  if (ParamStr(1) == "INSTALL") {
    try {
      RegisterInMenuFile(Title, SubFolder);
      CloseForm(Form);
      return true;
    } catch (...) {
      // A menu file that cannot be read or written: go on as for a start.
    }
  }
  StartWait();
  try {
    bool Stop = ArgumentsRefused(Title, MinVersion, Form);
    StopWait();
    return Stop;
  } catch (...) {
    StopWait();
    throw;
  }
}

void TFsync::StartUp(TMessage&) {
  if (CheckStartParams("Laptopabgleich - mobile Datenerfassung.", String(), 12340, this)) return;
  // Before the instance lock: its file would stay behind for a folder that
  // cannot be used.
  if (RefuseNoOffice()) return;
  if (String HeldFor; !TakeInstanceLock(ParamStr(1), InstanceLock, &HeldFor)) {
    RefuseStart(AlreadyRunningText(HeldFor.empty() ? ParamStr(1) : HeldFor));
    Close();
    return;
  }
  // The temporary folders of runs that were killed hold copies of the
  // office (gigabytes with large files): nothing else would remove them.
  RemoveAbandonedTempDirs(PrivateTempPrefix);
  DatabaseStartUp();
}
