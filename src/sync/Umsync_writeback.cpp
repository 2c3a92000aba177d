// WriteBackMandant: the merged tables of the temporary tree replace the
// office tables.
//
// The twenty files are replaced all or nothing, and only while nobody else
// uses them:
//  - each is first copied beside its target under a temporary name;
//  - every target is then taken exclusively: a table another user or
//    program still holds open refuses the write-back before anything
//    changed (that user's later writes would otherwise be lost);
//  - every target must still be what ReadCurrentMandant copied: a table
//    changed in the meantime (an order entered at the office during the
//    run) refuses the write-back, naming the table;
//  - the replacement itself goes through the folder's replacement record
//    (os::FileReplacement, oak::kReplacementRecord), so that a write-back
//    killed half-way is completed by the next open of any office table, in
//    whatever program, or by the tool's next start: the office is all old
//    or all new, and a table changed after the commit is never replaced.
// A refusal or failure before the record is committed removes the copies
// and leaves the office tables as they were.
//
// Right before the commit the write-back makes the run's laptop reminder
// (LaptopReminders) in the office folder: from there on the office holds
// data the laptop has not received. The run holds it until its laptop step
// is done (LaptopReceivedRun) or the user has closed the box of its failure;
// one whose run was killed is left for the next start, which says that the
// synchronisation is to be run again. A write-back that fails before its
// commit removes it at once; one that the next start or run undoes or
// completes itself takes the reminders nobody holds with it: the message of
// that settlement says so already.
#include "platform/engine/replacement.h"
#include "platform/os/errors.h"
#include "platform/os/fileapi.h"
#include "platform/os/files.h"
#include "platform/os/replace.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync_run.h"
#include "ui/look/sb.h"

const TReminderKind LaptopReminders = {"Mobile-Laptop-ausstehend", ".~mdl"};
const String LaptopPendingName = String(LaptopReminders.Base) + LaptopReminders.Ext;

namespace {

// The suffix of a file copied beside its target and not yet in place.
const char* const PendingSuffix = ".~mds";

// A write-back refused before anything changed; the text says why.
RTL_DECLARE_EXCEPTION(EWriteBackRefused, Exception)
RTL_IMPLEMENT_CLASS(EWriteBackRefused, Exception, nullptr)

// Why a write-back cannot be completed when tables were changed after its
// commit (Changed: their replacements), what is kept and how to finish it
// by hand.
String ChangedTablesText(const std::vector<os::Replacement>& Changed) {
  String Tables, Kept;
  for (const os::Replacement& R : Changed) {
    Tables += (Tables.empty() ? "" : ", ") + R.Target;
    Kept += (Kept.empty() ? "" : ", ") + R.Target + " und " + R.Prepared;
  }
  const bool One = Changed.size() == 1;
  return (One ? "Die Tabelle " + Tables + " wurde" : "Die Tabellen " + Tables + " wurden") +
         " danach von einem anderen Programm geändert. Erhalten bleiben " +
         (One ? "die geänderte Tabelle und ihr Ersatz: " : "die geänderten Tabellen und ihr Ersatz: ") + Kept +
         ".<BR>Zum Abschluss von Hand sichern Sie " + (One ? "die geänderte Tabelle" : "die geänderten Tabellen") +
         ", benennen jede Datei mit der Endung " + PendingSuffix +
         " im Datenverzeichnis in den Namen ohne diese Endung um und löschen danach die Datei " +
         oak::kReplacementRecord + ". Die Änderungen des anderen Programms müssen anschließend neu erfasst werden.";
}

void RemovePending(const std::vector<String>& Pending) {
  for (const String& Path : Pending) DeleteFile(Path);
}

// The names of the held targets that are no longer what was copied (a
// target without a recorded identity counts as changed).
String ChangedTables(const os::FileReplacement& Group, const std::vector<String>& Names,
                     const std::map<String, os::FileIdentity>& Expected) {
  String Changed;
  for (std::size_t I = 0; I < Names.size(); ++I) {
    auto It = Expected.find(Names[I]);
    const os::File& Held = Group.HeldTarget(I);
    os::Result<os::FileIdentity> Now =
        Held.IsOpen() ? os::IdentityOf(Held) : os::Result<os::FileIdentity>(os::Status::Error(ERROR_FILE_NOT_FOUND));
    if (It != Expected.end() && Now.ok() && Now.value() == It->second) continue;
    Changed += (Changed.empty() ? "" : ", ") + Names[I];
  }
  return Changed;
}

// Replaces the targets by the copies Pending, all or nothing. Raises
// EWriteBackRefused when a target is held elsewhere or changed, EInOutError
// when the replacement fails.
void CommitPending(const std::vector<String>& Names, const std::vector<String>& Pending,
                   const String& DestFolder, const std::map<String, os::FileIdentity>* Expected,
                   const std::function<void()>& BeforeCommit) {
  os::FileReplacement Group(DestFolder, oak::kReplacementRecord);
  for (const String& Name : Names) Group.Add(Name + PendingSuffix, Name);
  if (os::Status S = Group.Hold(); !S.ok()) {
    RemovePending(Pending);
    if (S.code() == ERROR_SHARING_VIOLATION)
      throw EWriteBackRefused("Die Datei " + ExtractFileName(S.context()) +
                              " wird von einem anderen Benutzer verwendet.");
    throw EInOutError(S.ToString(), static_cast<int>(S.code()));
  }
  if (Expected) {
    String Changed = ChangedTables(Group, Names, *Expected);
    if (!Changed.empty()) {
      Group.Release();
      RemovePending(Pending);
      throw EWriteBackRefused("Die Tabelle " + Changed + " wurde seit dem Kopieren geändert.");
    }
  }
  if (BeforeCommit) {
    try {
      BeforeCommit();
    } catch (...) {
      Group.Release();
      RemovePending(Pending);
      throw;
    }
  }
  os::Status S = Group.Commit();
  if (S.ok()) return;
  // Stopped by the test hook: everything stays as a killed tool leaves it.
  if (S.code() == ERROR_OPERATION_ABORTED) throw EInOutError(S.ToString(), static_cast<int>(S.code()));
  Group.Release();
  if (!FileExists(DestFolder + oak::kReplacementRecord)) {
    RemovePending(Pending);  // not committed: the office is as it was
    throw EInOutError(S.ToString(), static_cast<int>(S.code()));
  }
  // Committed: finishing it now leaves the office all new.
  RecoverWriteBack(DestFolder, Names);
}

}  // namespace

TWriteBackSettled RecoverWriteBack(const String& DestFolder, const std::vector<String>& Names) {
  if (DestFolder.empty()) return TWriteBackSettled::Nothing;  // no office named: nothing of ours to complete
  const String Failed = "Das Zurückschreiben nach " + DestFolder + " kann nicht abgeschlossen werden: ";
  std::vector<String> Pending;
  for (const String& Name : Names) Pending.push_back(Name + PendingSuffix);
  std::vector<os::Replacement> Changed;
  os::RecoveryOutcome Done = os::RecoveryOutcome::Nothing;
  os::Status S = oak::CompletePendingReplacement(DestFolder, oak::kReplacementWaitMs, &Changed, &Done);
  if (S.code() == ERROR_INVALID_DATA) {
    // Nobody can tell what an unreadable record meant: it is kept for a
    // look by hand, but no longer stops every start.
    os::Result<String> Aside = oak::SetAsidePendingReplacement(DestFolder, Pending);
    if (!Aside.ok())
      throw EInOutError(Failed + Aside.status().ToString(), static_cast<int>(Aside.status().code()));
    ShowMsgBox("Die Datei " + S.context() + " eines früheren Zurückschreibens ist beschädigt.<BR>Sie wurde als " +
               Aside.value() + " beiseitegelegt. Die Tabellen im Datenverzeichnis wurden dabei nicht verändert; bitte prüfen Sie die "
               "zuletzt zurückgeschriebenen Daten.");
    return TWriteBackSettled::Nothing;
  }
  if (S.code() == ERROR_FILE_INVALID)
    throw EInOutError(Failed + ChangedTablesText(Changed), static_cast<int>(S.code()));
  if (!S.ok()) throw EInOutError(Failed + S.ToString(), static_cast<int>(S.code()));
  // Copies without a committed record are those of a write-back stopped
  // before its commit (only this tool, which holds the office, makes them).
  bool CopiesRemoved = false;
  for (const String& Name : Pending)
    if (FileExists(DestFolder + Name)) CopiesRemoved = DeleteFile(DestFolder + Name) || CopiesRemoved;
  if (Done == os::RecoveryOutcome::CarriedOut) return TWriteBackSettled::Completed;
  if (Done == os::RecoveryOutcome::ThrownAway || CopiesRemoved) return TWriteBackSettled::Undone;
  return TWriteBackSettled::Nothing;
}

TWriteBackSettled SettleKilledWriteBack(const String& Office) {
  const TWriteBackSettled Settled = RecoverWriteBack(Office, RunTableFiles());
  if (Settled != TWriteBackSettled::Nothing) RemoveReminders(Office, LaptopReminders);
  return Settled;
}

void LaptopReceivedRun(TFsync& Form) {
  Form.LaptopReminder.Done();
  const String Laptop = IncludeTrailingBackslash(Form.CurrentPath);
  RemoveReminders(OfficeDataFolder(Form), LaptopReminders,
                  [&](const String& Text) { return IncludeTrailingBackslash(Text) == Laptop; });
}

void RememberOfficeTable(TFsync& Form, const String& Name, const String& Path) {
  os::Result<os::FileIdentity> Id = os::IdentityOf(Path);
  if (!Id.ok()) throw EInOutError(Id.status().ToString(), static_cast<int>(Id.status().code()));
  Form.CopiedOfficeTables[Name] = Id.value();
}

void ReplaceFilesAtomically(TFsync& Form, const std::vector<String>& Names, const String& SourceFolder,
                            const String& DestFolder, const std::map<String, os::FileIdentity>* Expected,
                            const std::function<void()>& BeforeCommit) {
  RecoverWriteBack(DestFolder, Names);
  std::vector<String> Pending;
  try {
    for (const String& Name : Names) {
      const String Temp = DestFolder + Name + PendingSuffix;
      Pending.push_back(Temp);
      CopyWithProgress(Form, "übertragen von", Name, SourceFolder + Name, Temp);
    }
  } catch (...) {
    RemovePending(Pending);
    throw;
  }
  CommitPending(Names, Pending, DestFolder, Expected, BeforeCommit);
}

bool TFsync::WriteBackMandant() {
  const String Office = OfficeDataFolder(*this);
  LockDatabase(this, false);
  try {
    StartProgress(*this, 1, 19);
    ReplaceFilesAtomically(*this, RunTableFiles(), RunFolder(*this, "M_Temp/Server/Data"), Office,
                           &CopiedOfficeTables, [&] { LaptopReminder.Make(Office, LaptopReminders, CurrentPath); });
  } catch (...) {
    // Not committed: the office is as it was, the laptop lacks nothing.
    if (!FileExists(Office + oak::kReplacementRecord)) LaptopReminder.Done();
    // A refusal says why; a full office disk names the file and the space.
    RaiseStepError<ECanNotUpdateMandant>();
  }
  return true;
}
