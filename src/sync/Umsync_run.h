// Umsync_run: the helpers that the run steps of TFsync share (copy, check,
// backup, write-back, merge, mobile installation, update package): the
// folders of a run, the progress shown on page "3" and the copy of one
// file with its progress line.
//
// Folders of a run (all with a trailing '/'):
//   temporary tree    a private folder of the session below GetTempDir()
//                     + "Kelpo-Laptop-Installer/" (InstallerDir)
//   office side       tree + "M_Temp/Server/"      (program files, INI files,
//                     macros, layouts, plug-ins, postcode tables, marker)
//   office tables     tree + "M_Temp/Server/Data/"
//   mobile tables     tree + "M_Temp/Remote/Data/"
//   office data       OakConnection's connect path
//   mobile data       CurrentPath + "KVS/DATA/REMOTE/"
//
// Thread safety: GUI thread only, like the form.
#pragma once

#include <functional>
#include <memory>

#include "data/oak/oakerrors.h"
#include "foundation/BusyCursor.h"
#include "foundation/FileUtils.h"
#include "platform/rtl/clock.h"
#include "sync/Umsync.h"

// The four table files CheckData looks at, relative to the temporary tree.
extern const String ServerCheckFiles[4];
extern const String RemoteCheckFiles[4];
// The nine files of the tool's folder that a mobile installation receives.
extern const char* const ProgramFiles[9];
// The update package written into the temporary tree and the target.
extern const char* const SelfExtractingPackage;  // "ZAVOZORUZIZOVAR.EXE"
// The template that heads the package, in the tool's folder.
extern const char* const UpdateTemplateName;  // "UPDATEMOBILE.EXE"

// Shows the busy cursor for its lifetime (StartWait ... StopWait).
struct TBusyScope {
  TBusyScope() { StartWait(); }
  ~TBusyScope() { StopWait(); }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;
};

// The temporary tree + Sub with a trailing '/', created with its parents.
String RunFolder(TFsync& Form, const String& Sub);
// The office data folder: the connect path of OakConnection with '/'.
String OfficeDataFolder(TFsync& Form);
// The mobile data folder: CurrentPath + "KVS/DATA/REMOTE/".
String MobileDataPath(TFsync& Form);
// The tool's folder with a trailing '/'.
String ToolFolder();

// pgmain: sets Max first, then Position.
void StartProgress(TFsync& Form, Integer Position, Integer Max);
// pgmain: one step on.
void AdvanceProgress(TFsync& Form);
// Label3copy := Text, painted at once.
void ShowCopyText(TFsync& Form, const String& Text);

// The bytes of one long copy on pgmain: while the copy runs, the bar moves
// from the position before the step's advance to its position now, in
// hundredths of a step; the object's end leaves the bar as it found it.
class TStepBytes {
 public:
  explicit TStepBytes(TFsync& Form);
  ~TStepBytes();
  TStepBytes(const TStepBytes&) = delete;
  TStepBytes& operator=(const TStepBytes&) = delete;
  // The progress to hand to CopyFileByStreams.
  TCopyProgress Progress();

 private:
  TFsync& FForm;
  Integer FMax, FEnd;
};

// The running number of a table walk on Label3copy: What + "  " + N +
// " von " + Count. Painting the label for every record would cost more
// than the walk itself, so the text changes at most once every
// CountTextInterval milliseconds of the clock in force; the first number
// and, through Finish, the last one are always shown.
class TCountProgress {
 public:
  static constexpr std::uint64_t CountTextInterval = 200;

  TCountProgress(TFsync& Form, const String& What, Integer Count);
  // One record further; shows the number when the interval has passed.
  void Step();
  // Shows the number reached (when not already shown).
  void Finish();
  Integer Number() const { return FNumber; }

 private:
  void Show();
  TFsync& FForm;
  String FWhat;
  Integer FCount, FNumber = 0, FShown = -1;
  std::uint64_t FNextTick = 0;
  // The clock of the process when the count began, asked at every step
  // without looking it up again.
  std::shared_ptr<TClockSource> FClock;
};

// The German reason for an engine failure, naming the file: the table file
// the dataset stands for, or its memo or index file ("Die Tabelle ... wird
// von einem anderen Benutzer verwendet.", "Die Indexdatei ... fehlt."), or
// the journal (*.OAJ) of another program's unfinished change that the
// engine refused to apply, whole (E.RefusedJournal), with what its cause
// calls for: close the other programs and start again when one of them
// holds a file the journal restores, have it checked when its form is
// wrong. Text with <BR> mark-up.
String EngineReason(const EOAKDatabaseError& E);
// What the user reads as the cause of E: EngineReason for an engine
// failure, else the exception's message (what() of a standard one).
String CauseText(const std::exception& E);

// Inside a catch block: raises the step's class TStepError with the text
// of the exception being handled (what() of a standard exception, "" for
// anything else), so that the run's message keeps the cause: a full disk
// names its file and the space, a refusal its reason.
// After, when given, follows the cause (what the failed step left behind).
template <class TStepError>
[[noreturn]] void RaiseStepError(const String& After = String()) {
  try {
    throw;
  } catch (const std::exception& E) {
    throw TStepError(CauseText(E) + After);
  } catch (...) {
    throw TStepError(After);
  }
}

// Shows Verb + " " + Name + "..", advances pgmain and copies Source to
// Dest with CopyFileByStreams. Raises what the copy raises.
void CopyWithProgress(TFsync& Form, const String& Verb, const String& Name, const String& Source,
                      const String& Dest);

// A connection of a step's own to Folder, local server, connected.
// Raises what connecting raises. Owner: the caller.
std::unique_ptr<TOakConnection> OpenLocalConnection(const String& Folder);
// A table on Connection named TableName (index IndexName when given), not
// yet open. Owner: the caller; free it before the connection.
std::unique_ptr<TOakTable> MakeRunTable(TOakConnection* Connection, const String& TableName,
                                        const String& IndexName = String());

// The name of the backup folder for Now: "Mobile Datensynchronisation vom "
// + short date + " " + long time of the process, ':' replaced by '_'.
String BackupFolderName(TDateTime Now);
// Deletes old backups below Root ("Sicherheitskopie/") by the retention
// rule: with more than 7 backups, all go except those at sorted positions
// 13 and later (oldest first) that are less than 3 days older than Today.
// Only complete backups count and go: a folder named as at work
// (" (in Arbeit)"), incomplete (" (unvollständig)") or being removed
// (" (wird entfernt)") is left alone. Each goes by first taking the name
// " (wird entfernt)" and then being deleted, so that no folder with a dated
// name ever lacks files; one that cannot be renamed stops the removal, as
// does a folder whose date part is no date (nothing more is deleted); that
// is not reported here (FinishBackupRemovals at the next start names what
// stays). Returns the number of folders removed.
Integer RemoveOldBackups(TFsync& Form, const String& Root, TDateTime Today);

// A backup folder that a run killed in its backup step left unfinished.
struct TIncompleteBackup {
  String Found;   // its path as the run left it ("... (in Arbeit)")
  String Marked;  // its path now ("... (unvollständig)"); "" when it could
                  // not be renamed and still has the name it was found by
};
// Gives every backup folder in the office data folder Office (below
// "Sicherheitskopie/") that is named as at work the name of an incomplete
// backup (" (unvollständig)" in place of " (in Arbeit)"); nothing is
// removed. Returns them, in folder order.
// REQUIRES: no run on this office is in its backup step (the caller holds
// the office tables locked, as a run does up to its write-back). Never
// raises.
std::vector<TIncompleteBackup> MarkIncompleteBackups(const String& Office);

// A folder that a removal of an old backup left and that cannot be deleted.
struct TUnremovedBackup {
  String Folder;  // "... (wird entfernt)"
  String Reason;  // the first entry that stays, quoted, and why
};
// Deletes every folder that a removal of old backups, killed or failed,
// left below "Sicherheitskopie/" of the office data folder Office (named
// " (wird entfernt)"); returns those that stay, in folder order.
// REQUIRES: no run on this office is in its backup step (as for
// MarkIncompleteBackups). Never raises.
std::vector<TUnremovedBackup> FinishBackupRemovals(const String& Office);

// The closing message's paragraph on the orders the merge could not take
// over (Form.OrdersNotTakenOver) and the folder where the backup step put
// them and their addresses (Form.KeptOrdersFolder); "" when it took over
// every order.
String OrdersNotTakenOverText(TFsync& Form);

// Copies each of Names from SourceFolder to the same name in DestFolder,
// all or nothing: a write-back interrupted before is completed first
// (RecoverWriteBack); every file is copied beside its target under a
// temporary name; then every target is taken exclusively and, when
// Expected is given, compared with the identity recorded for its name; only
// then are the targets replaced through an intent record
// (os::FileReplacement). A target held by another handle or changed since
// it was copied refuses the whole write-back (the exception's text names the
// file); on any refusal or failure before the commit the temporary copies
// are removed, the targets stay as they were and the exception passes on.
// BeforeCommit, when given, runs once every target is held and checked,
// right before the commit; what it raises ends the write-back as a failure
// before the commit. Progress as CopyWithProgress.
void ReplaceFilesAtomically(TFsync& Form, const std::vector<String>& Names,
                            const String& SourceFolder, const String& DestFolder,
                            const std::map<String, os::FileIdentity>* Expected = nullptr,
                            const std::function<void()>& BeforeCommit = nullptr);

// What RecoverWriteBack settled itself of an interrupted write-back.
enum class TWriteBackSettled {
  Nothing,    // nothing was left, or an engine open had settled it before
  Undone,     // stopped before its commit: its copies went, the office
              // tables are as they were before that synchronisation
  Completed,  // stopped after its commit: the write-back was finished
};

// Completes a write-back into DestFolder that was interrupted (a process
// killed half-way): a committed replacement record is carried out, a
// half-written one thrown away, and the temporary copies of Names left
// beside their targets are removed; returns which of these it did (a
// record that another program's open of an office table settles
// meanwhile counts as Nothing). A record that cannot be read or
// carried out as written (a folder, one file named twice) is set aside
// with the copies (renamed, see oak::SetAsidePendingReplacement) and a
// message says so. Raises EInOutError when a file of the record is still
// held by another handle after a short wait, or when a table was changed
// after the record was written (the text names it and the files kept and
// says how to finish by hand; nothing is replaced). A copy of the office
// that keeps the times, or a change of rights, is no change.
TWriteBackSettled RecoverWriteBack(const String& DestFolder, const std::vector<String>& Names);

// RecoverWriteBack on the office folder Office and its twenty tables; when
// it undid or completed a write-back, the laptop reminders that nobody holds
// go too (what the caller says of the settlement says that the laptop lacks
// the run's data). Raises what RecoverWriteBack raises.
TWriteBackSettled SettleKilledWriteBack(const String& Office);

// The laptop reminders (Umsync_remind.h) in the office data folder: the
// write-back makes one right before it commits, holding the laptop's
// folder (CurrentPath), and the run holds it (TFsync::LaptopReminder) until
// its laptop step is done or the user has closed the box of its failure.
// Left behind by a killed run, it tells the next start that the office holds
// data of a run the laptop never received.
extern const TReminderKind LaptopReminders;  // "Mobile-Laptop-ausstehend", ".~mdl"
// The first name of a laptop reminder: "Mobile-Laptop-ausstehend.~mdl".
extern const String LaptopPendingName;
// After a synchronisation whose laptop step is done: the run's reminder
// goes, and with it every reminder nobody holds that names the same laptop
// (the laptop has the data of those runs now). Never raises.
void LaptopReceivedRun(TFsync& Form);

// Records in Form.CopiedOfficeTables what the office table file Path is now
// (under Name), before it is copied. Raises EInOutError when it cannot be
// read.
void RememberOfficeTable(TFsync& Form, const String& Name, const String& Path);

// The twenty table files of a run: the nine settings files, then the
// eleven main data files.
std::vector<String> RunTableFiles();

// The rights trimming of the copied orders (Auftraege.OAT in DataFolder):
// rights 0 and 1 empty the table, 4 keeps only the orders whose trimmed
// ID_ORDER is 9 characters long and starts with IDChar; other rights keep
// everything. Raises what the database raises.
void TrimMobileOrders(TFsync& Form, const String& DataFolder, Integer Rights, char IDChar);

// Installs the archive writer's hooks unless installed before: its errors
// show in the program's message box, and the paint pump runs between
// blocks (only painting: no input reaches the form in the middle of a
// run). BuildSelfExtractingInstaller calls it.
void InstallArchiveWriterHooks();

// The lines of "oaklocal.cfg" of a mobile installation.
String OakLocalConfigText();
// Reads the "oaklocal.cfg" in the folder Target (when there is one) and
// writes OakLocalConfigText in its place. Raises what the file layer
// raises.
void WriteOakLocalConfig(const String& Target);

// The pack list of the update package: Sources receives the source path of
// every data file (plug-ins and postcode tables of Dest, the twenty tables
// of Dest + "Data/", and the price and price-increase tables of the office
// when all of their files exist); Folders the target sub-folder of each,
// one line each, each ended by CR LF.
void BuildPackList(TFsync& Form, const String& Dest, TStrings* Sources, String& Folders);
