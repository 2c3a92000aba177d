// BackupMandant: the dated copy of the office tables taken before the
// merged tables are written back, and the removal of old copies.
//
// Backups live in the office data folder below "Sicherheitskopie/", one
// folder per run named "Mobile Datensynchronisation vom <date> <time>"
// (':' of the time replaced by '_'), the office tables in its "Data/" and
// the mobile tables the run fetched in its "Mobil/": the refresh of the
// mobile side replaces them. The orders the merge could not take over are
// also written below "Nicht übernommene Aufträge/" (TKeptOrders), which the
// removal of old backups never touches.
//
// A backup at work is written under a name of its own, the dated name +
// " (in Arbeit)", and takes its dated name only when every file and the
// kept orders are written: a folder with the dated name is complete. A run
// that fails on the way renames its folder to the dated name +
// " (unvollständig)"; the next start does the same with the folder of a
// run killed on the way, and says so. Such a folder is never counted as a
// backup and never removed: nobody can tell what else it may hold.
//
// The removal of an old backup first takes its dated name away (the dated
// name + " (wird entfernt)"), then deletes it: a removal killed half-way
// leaves no dated folder with files missing. The next start removes what
// such a removal left, or names it when it cannot.
#include <algorithm>
#include <filesystem>

#include "foundation/FileUtils.h"
#include "platform/os/fileapi.h"
#include "platform/os/find.h"
#include "platform/os/private_folder.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync_run.h"

namespace {

const char* const BackupRoot = "Sicherheitskopie/";
const char* const BackupPrefix = "Mobile Datensynchronisation vom";
// The suffix of a backup at work, and of one that was never completed.
const char* const AtWorkSuffix = " (in Arbeit)";
const char* const IncompleteSuffix = " (unvollständig)";
// The suffix of an old backup being removed.
const char* const RemovalSuffix = " (wird entfernt)";

// Backups kept without question, and the rule for the newest of a long row.
constexpr Integer BackupsKeptAlways = 7;
constexpr Integer FirstSparedPosition = 13;
constexpr Integer SparedAgeDays = 3;

struct TBackupEntry {
  String Path;
  String DateText;  // characters 33..42 of the name, or "" when no date
};

// The names of the backup folders below Root (those named as complete and
// those named otherwise), in folder order.
std::vector<String> BackupFolderNames(const String& Root) {
  std::vector<String> Names;
  TSearchRec F;
  if (FindFirst(Root + "*", faDirectory, F) == 0) {
    do {
      if (F.Name != "." && F.Name != ".." && (F.Attr & faDirectory) && F.Name.rfind(BackupPrefix, 0) == 0)
        Names.push_back(F.Name);
    } while (FindNext(F) == 0);
  }
  FindClose(F);
  return Names;
}

bool EndsWith(const String& Name, const String& Suffix) {
  return Name.size() > Suffix.size() && Name.compare(Name.size() - Suffix.size(), Suffix.size(), Suffix) == 0;
}

std::vector<TBackupEntry> ListBackups(const String& Root) {
  std::vector<TBackupEntry> Backups;
  for (const String& Name : BackupFolderNames(Root)) {
    if (Name.find(AtWorkSuffix) != String::npos || Name.find(IncompleteSuffix) != String::npos ||
        Name.find(RemovalSuffix) != String::npos)
      continue;
    String DateText = Copy(Name, 33, 10);
    TDateTime Dummy;
    if (!TryStrToDate(DateText, Dummy)) DateText.clear();
    Backups.push_back({Root + Name, DateText});
  }
  return Backups;
}

// Deletes Folder with everything below it; "" when it is gone, else why
// not, naming the first entry that stays.
String DeleteBackupTree(const String& Folder) {
  if (DeleteDirectoryTree(Folder, true) || !DirectoryExists(Folder)) return String();
  // Once more, entry by entry, for the reason of the first that stays.
  std::error_code Error;
  std::vector<std::filesystem::path> Entries = {std::filesystem::path(ExcludeTrailingPathDelimiter(Folder))};
  for (auto It = std::filesystem::recursive_directory_iterator(std::filesystem::path(Folder), Error);
       !Error && It != std::filesystem::recursive_directory_iterator(); It.increment(Error))
    Entries.push_back(It->path());
  // Deepest first: a folder goes after what it holds.
  for (auto Entry = Entries.rbegin(); Entry != Entries.rend(); ++Entry) {
    const String Path = Entry->string();
    if (DirectoryExists(Path) && !os::IsSymbolicLink(Path) ? RemoveDirectory(Path) : DeleteFile(Path)) continue;
    const DWORD Code = GetLastError();
    if (Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND) continue;
    return "\"" + Path + "\": " + SysErrorMessage(Code);
  }
  return String();
}

// Oldest first; equal dates keep their order. Raises EConvertError for an
// empty date text.
void SortByDate(std::vector<TBackupEntry>& Backups) {
  std::vector<std::pair<TDateTime, TBackupEntry>> Dated;
  for (const TBackupEntry& B : Backups) Dated.push_back({StrToDate(B.DateText), B});
  std::stable_sort(Dated.begin(), Dated.end(),
                   [](const auto& A, const auto& B) { return A.first < B.first; });
  for (std::size_t I = 0; I < Dated.size(); ++I) Backups[I] = Dated[I].second;
}

}  // namespace

String BackupFolderName(TDateTime Now) {
  String Stamp = DateToStr(Now) + " " + TimeToStr(Now);
  return String(BackupPrefix) + " " + StringReplace(Stamp, ":", "_", rfReplaceAll);
}

Integer RemoveOldBackups(TFsync& Form, const String& Root, TDateTime Today) {
  std::vector<TBackupEntry> Backups = ListBackups(Root);
  if (static_cast<Integer>(Backups.size()) <= BackupsKeptAlways) return 0;
  Integer Removed = 0;
  try {
    SortByDate(Backups);
    for (Integer I = static_cast<Integer>(Backups.size()) - 1; I >= 0; --I) {
      bool Young = Today - StrToDate(Backups[I].DateText) < SparedAgeDays;
      if (I >= FirstSparedPosition && Young) Backups.erase(Backups.begin() + I);
    }
    StartProgress(Form, 1, static_cast<Integer>(Backups.size()));
    for (const TBackupEntry& B : Backups) {
      if (B.Path.find(BackupPrefix) == String::npos) continue;
      AdvanceProgress(Form);
      // A folder that keeps its dated name is whole; one whose name cannot
      // be taken away ends the removal here.
      const String Removing = B.Path + RemovalSuffix;
      if (!MoveFile(B.Path, Removing))
        throw EInOutError("Der Ordner " + B.Path + " kann nicht umbenannt werden. " + SysErrorMessage(GetLastError()));
      DeleteDirectoryTree(IncludeTrailingBackslash(Removing) + "DATA/", true);
      DeleteDirectoryTree(Removing, true);
      ++Removed;
    }
  } catch (const Exception&) {
    // A folder whose date part is no date ends the removal; the run goes on.
  }
  return Removed;
}

std::vector<TIncompleteBackup> MarkIncompleteBackups(const String& Office) {
  const String Root = IncludeTrailingBackslash(Office) + BackupRoot;
  std::vector<TIncompleteBackup> Found;
  const String Suffix = AtWorkSuffix;
  for (const String& Name : BackupFolderNames(Root)) {
    if (!EndsWith(Name, Suffix)) continue;
    const String Marked = Root + Name.substr(0, Name.size() - Suffix.size()) + IncompleteSuffix;
    Found.push_back({Root + Name, MoveFile(Root + Name, Marked) ? Marked : String()});
  }
  return Found;
}

std::vector<TUnremovedBackup> FinishBackupRemovals(const String& Office) {
  const String Root = IncludeTrailingBackslash(Office) + BackupRoot;
  std::vector<TUnremovedBackup> Left;
  for (const String& Name : BackupFolderNames(Root))
    if (EndsWith(Name, RemovalSuffix))
      if (String Reason = DeleteBackupTree(Root + Name); !Reason.empty()) Left.push_back({Root + Name, Reason});
  return Left;
}

bool TFsync::BackupMandant() {
  String Root, AtWork, Name;
  try {
    const String Office = OfficeDataFolder(*this);
    Root = Office + BackupRoot;
    ShowCopyText(*this, "Alte Sicherungen entfernen...");
    RemoveOldBackups(*this, Root, Date());
    ForceDirectoryTree(Root);
    Name = MakeRunFolder(Root, BackupFolderName(Now()), AtWorkSuffix, {"", IncompleteSuffix});
    AtWork = Root + Name + AtWorkSuffix + "/";
    const String Mobile = RunFolder(*this, "M_Temp/Remote/Data");
    StartProgress(*this, 1, 40);
    for (const String& File : RunTableFiles())
      CopyWithProgress(*this, "sichern von", File, Office + File, AtWork + "Data/" + File);
    for (const String& File : RunTableFiles())
      CopyWithProgress(*this, "sichern von", File, Mobile + File, AtWork + "Mobil/" + File);
    // What the merge could not take over goes where no clean-up reaches it,
    // before the refresh removes it from the laptop.
    KeptOrdersFolder = KeptOrders->Save(Office, Name);
    if (!MoveFile(ExcludeTrailingPathDelimiter(AtWork), Root + Name))
      throw EInOutError("Der Ordner " + AtWork + " kann nicht in " + Name + " umbenannt werden. " +
                        SysErrorMessage(GetLastError()));
    BackupFolder = Root + Name + "/";
    l5->SetCaption(
        "Eine Kopie der Orignaldatenbank vor Synchronisation wurde in einem Unterverzeichnis der "
        "Originaldatenbank hinterlegt.");
  } catch (...) {
    // Never taken for a backup, and never removed; the message names it.
    String Left;
    if (!AtWork.empty()) {
      const String Incomplete = Root + Name + IncompleteSuffix;
      Left = MoveFile(ExcludeTrailingPathDelimiter(AtWork), Incomplete)
                 ? "<BR>Die unvollständige Sicherheitskopie liegt im Ordner " + Incomplete +
                       "; stellen Sie aus ihr keine Daten wieder her."
                 : "<BR>Der Ordner " + AtWork + " ist unvollständig und kann nicht in " + Name + IncompleteSuffix +
                       " umbenannt werden (" + SysErrorMessage(GetLastError()) +
                       "); stellen Sie aus ihm keine Daten wieder her.";
    }
    // A full disk names the backup file and the space, as the copies do.
    RaiseStepError<ECanNotActiveMandantBak>(Left);
  }
  return true;
}
