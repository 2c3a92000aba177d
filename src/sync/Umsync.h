// Umsync: TFsync, the wizard main form of "Mobile Daten-Syncronisation".
//
// The form holds the whole state of the program: the office connection and
// its three locked tables, the installation list KM (seven slots, kept as
// compressed CSV text in row Ident 2 of setup.OAT), the selected slot, the
// run mode found by the target check, the merge counters and the file-name
// lists a run gathers. Its work is split over several files by topic:
//   Umsync.cpp        construction of the components, FormCreate, FormShow,
//                     the message helpers, InstallerDir, MarkStep
//   Umsync_start.cpp  the deferred start (WM_USER+104) and CheckStartParams
//   Umsync_lock.cpp   closing the host, connecting and locking the office
//   Umsync_list.cpp   the office identity and the installation list
//   Umsync_probe.cpp  the target check and the probe of a mobile installation
// and the copy, merge and install steps in files of their own.
//
// Start: FormShow posts WM_USER+104 to the form; its handler StartUp runs
// CheckStartParams and, when that lets it go on, the database start-up:
// close the host's window, connect to ParamStr(1), lock "Auftraege.OAT",
// "Adressen.OAT" and "setup.OAT" (retrying for 10 s), load the settings
// object, the office identity and the installation list.
//
// Every message and question goes through ShowMsg / AskMsg,
// which show the program's message box (tests answer it with the scripted
// responder). Waits poll the tick count of the injectable clock.
//
// The form is read from its description (resource TFSYNC, resources/
// Fsync.form); every component lands in the member of its name.
//   Umsync_page0.cpp  the handlers of page "0": description, folder, rights,
//                     "Übernehmen", "Installation entfernen" and "Hilfe"
//
// Thread safety: GUI thread only; the form, its components and the
// process-wide HostProductName belong to the main thread.
#pragma once

#include <chrono>
#include <map>
#include <memory>

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/memtable/mtMemTable.h"
#include "data/oak/oaktable.h"
#include "platform/db/datasource.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/extctrls_notebook.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls_edit.h"
#include "platform/gui/stdctrls_label.h"
#include "platform/os/process.h"
#include "platform/os/replace.h"
#include "platform/rtl/strings.h"
#include "sync/Umsync_keep.h"
#include "sync/Umsync_remind.h"
#include "sync/backup.h"
#include "ui/look/MarkupLabel.h"
#include "ui/look/StyledCtrls.h"
#include "ui/look/TPlainButtonUnit.h"
#include "ui/look/TPlainEditUnit.h"
#include "ui/look/TPlainPanelUnit.h"
#include "ui/look/TPlainProgressBarUnit.h"
#include "ui/look/WizardNotebook.h"
#include "ui/controls/IDBGrids.h"

// ---- Exceptions of a run and of the probe ----------------------------------
// Each is a direct descendant of Exception; the message text is what the
// step adds to the step's own message (empty unless the step says so).
RTL_DECLARE_EXCEPTION(ECanNotActiveMandant2TmpGrabbing, Exception)
RTL_DECLARE_EXCEPTION(ECanNotMobileDataGrabbing, Exception)
RTL_DECLARE_EXCEPTION(ECanNotDataCheck, Exception)
RTL_DECLARE_EXCEPTION(ECanNotDataCopy2Server, Exception)
RTL_DECLARE_EXCEPTION(ECanNotActiveMandantBak, Exception)
RTL_DECLARE_EXCEPTION(ECanNotUpdateMandant, Exception)
RTL_DECLARE_EXCEPTION(ECanNotInstall2Mobile, Exception)
RTL_DECLARE_EXCEPTION(ECanNotTmpdelete, Exception)
RTL_DECLARE_EXCEPTION(ENotMobilefound, Exception)
RTL_DECLARE_EXCEPTION(EBadMobilefound, Exception)
RTL_DECLARE_EXCEPTION(EOtherMobilefound, Exception)
RTL_DECLARE_EXCEPTION(ENotEqualMobileIDorGUIDfound, Exception)
RTL_DECLARE_EXCEPTION(EMobileDatetoNew, Exception)

// The product name of the host put into the caption and several messages.
// Nothing assigns it: it stays empty.
extern String HostProductName;

// The deferred start message the form posts to itself when shown.
constexpr UINT WM_STARTUP = WM_USER + 104;  // 1128

// The window class of the host's main window.
extern const char* const HostMainWindowClass;  // "T_KELPO_Mainform"
// The temporary tree of a run below the temporary folder.
extern const char* const InstallerFolderName;  // "Kelpo-Laptop-Installer/"
// The lock that one tool on one office folder holds while it runs: a file
// of the common application data folder named "orvsync7-" + a checksum of
// the folder's resolved path + ".lock" (short for every path), locked
// through Lock (byte 0, exclusively). One made here holds the office folder
// (absolute, as given) as its text. True when Lock holds it now, or when
// no lock file can be opened there (the table locks still keep a second
// run out); false when another process (or form) holds it: HeldFor, when
// given, receives the office folder the lock names ("" when none can be
// read). GUI thread; never raises.
bool TakeInstanceLock(const String& OfficeFolder, os::File& Lock, String* HeldFor = nullptr);
// What the user reads (and stderr shows) when the tool already runs on
// OfficeFolder.
String AlreadyRunningText(const String& OfficeFolder);
extern const char* const PrivateTempPrefix;    // "mds-": the session's private temporary folder
// The folder a mobile installation lives in below its target.
extern const char* const MobileFolderName;  // "KelpoM/"
// The mobile data folder below the mobile installation.
extern const char* const MobileDataFolder;  // "KVS/DATA/REMOTE/"
// The marker file of an installation (one line: its GUID).
extern const char* const MarkerFileName;  // "KELPAMBO.FILE"

// The table files of a run: the nine settings files and the eleven main
// data files.
extern const char* const SettingsFiles[9];
extern const char* const MainDataFiles[11];

// Splits Line at its first Separator into Name (the part before) and Value
// (the part after, trimmed, at most 200 characters). A line without the
// separator leaves Name and Value unchanged.
void SplitNameValue(const String& Line, char Separator, String& Name, String& Value);

// The command-line and host check of the start. Returns True when the
// program must stop (Form, when given, has been asked to close): after a
// registration of "INSTALL" in "ZS.MNU" (Title and SubFolder name the line
// and the folder), for a missing argument and for a host older than
// MinVersion. Returns False when the start may go on. Never raises.
bool CheckStartParams(const String& Title, const String& SubFolder, Integer MinVersion,
                      TForm* Form);

// A start that does not go on: writes Html as plain text (line breaks for
// the BR tags, other tags dropped) to stderr, notes the refusal for the
// program's exit code and shows Html in the message box. GUI thread.
void RefuseStart(const String& Html);
// Whether a start was refused in this process (the program then ends with
// exit code 1).
bool StartRefused();
// Forgets an earlier refusal (for tests that refuse starts on purpose).
void ResetStartRefused();
// What keeps the folder Folder (ParamStr(1)) from being an office data
// folder, as the message naming it: missing, a file, empty, or without
// the settings table setup.OAT. Empty when none of these holds.
String OfficeFolderProblem(const String& Folder);
// Html as plain text: each BR tag a line break, other tags dropped.
String PlainMessageText(const String& Html);

// ---- The main form -------------------------------------------------------------

class TFsync : public TForm {
  RTL_DECLARE_CLASS(TFsync)
  RTL_MESSAGE_HANDLERS(TFsync)
 public:
  // Registers the description's classes (RegisterFsyncClasses); the
  // description is read and OnCreate (FormCreate) fired in
  // AfterConstruction (NewForm, CreateForm, or at the latest when shown),
  // which fills every member below. Owner: usually the application.
  explicit TFsync(TComponent* AOwner);
  ~TFsync() override;

  // ---- Database components (owned by the form) -------------------------------
  TOakSettings* OakSettingsmain;      // engine settings, date format "DD.MM.YYYY"
  TOakConnection* OakConnection;      // the office data folder of ParamStr(1)
  TOakConnection* OakConnectionRemote;  // spare connection for a mobile folder
  TOakTable* Table_ORDERS;            // "Auftraege.OAT"
  TOakTable* OakTable_ADR;            // "Adressen.OAT"
  TOakTable* OakTableSettings;        // "setup.OAT", index IDENT
  TOakTable* OakTableRemoteSettings;  // spare tables on OakConnectionRemote
  TOakTable* OakTableRemoteOrders;
  TOakTable* OakTableRemoteADR;
  TOakTable* OakTableTemp;
  TmtMemTable* KM;                    // the installation list
  TmtCSVStreamFormat* mtCSVStreamFormat1;
  TDataSource* KMD;
  TBackupFile* BackupFile1;

  // ---- Controls (owned by the form) ------------------------------------------
  TWizardNotebook* WizardNotebook1;  // pages "0", "2", "3"
  TLabel* LabelHeader;  // the wizard's header text
  TLabel* LabelInfo;    // the wizard's info text
  TPlainButton* FlatButton_next;
  TPlainButton* FlatButton_back;
  TPlainButton* FlatButton_cancel;
  TPlainButton* FlatButton332423;  // "Hilfe"
  TPlainPanel* Panel298909;        // bottom panel
  TMarkupLabel* lbinfo;            // status line of the bottom panel (mark-up)
  TPlainPanel* Fpclose;            // "Torvane wird beendet.."
  // Page "0".
  TI_DBGrid* I_DBKMSYS;  // the installation list over KMD
  TPlainButton* flbname;
  TPlainButton* flbpath;
  TPlainButton* flbr23423;
  TPlainButton* FlatButton3423423;
  TPlainButton* FlatButton2;
  // Page "2".
  TLabel* Label62342;
  TLabel* Label1;
  TPlainEdit* FlatInstalls2;  // read-only flat edit with the target path
  TMarkupLabel* BaseDir;  // mark-up of the probe
  TStyledCheckBox* snnoneKelpo;
  TStyledCheckBox* scignoreadr;
  // Page "3".
  TLabel* l1;
  TLabel* l2;
  TLabel* l3;
  TLabel* l4;
  TLabel* l5;
  TLabel* l6;
  TLabel* l7;
  TLabel* l8;
  TPlainButton* fbstepshow;
  TPlainProgressBar* pgmain;
  TLabel* Label3copy;

  // ---- State of the program ----------------------------------------------------
  // File names a run gathers (ReadCurrentMandant); created by FormCreate.
  std::unique_ptr<TStringList> MacroFiles, LayoutFiles, TextFiles, PluginFiles, PostcodeFiles;
  TDateTime LastSyncDate = 0;  // last synchronisation of the mobile side
  Integer OrdersUpdated = 0, OrdersAdded = 0, AddressesUpdated = 0, AddressesAdded = 0;
  // The mobile orders (ID_ORDER) the last merge could not take over (their
  // address has no key); the closing message names them.
  std::vector<String> OrdersNotTakenOver;
  // Their rows and those of their addresses (filled by the merge, written
  // beside the office by BackupMandant), and the folder the last backup
  // wrote them to ("" when it had none). Owned by the form.
  std::unique_ptr<TKeptOrders> KeptOrders;
  String KeptOrdersFolder;
  // The dated folder of the last run's backup ("" before BackupMandant):
  // the office tables in "Data/", the mobile tables of the run in "Mobil/".
  String BackupFolder;
  bool ConfigChanged = false;  // the installation list must be saved
  Byte RunMode = 0;            // 0 nothing tested, 1 install, 2 synchronise
  Integer CurrentRights = 0;   // of the selected slot, 0..4
  String CurrentPath;          // target of the selected slot
  String CurrentGUID;
  Byte CurrentID = 0;          // slot 1..7
  bool RestartHost = false;    // start TOVAR.EXE again on close
  // A run is under way (page "3", up to its closing message): a close
  // request then waits for its end (CloseAfterRun), since a run stopped
  // midway could leave the office half written.
  bool RunActive = false;
  bool CloseAfterRun = false;
  // The private folder of this session that holds the temporary tree
  // (CreatePrivateTempDir; empty until the first InstallerDir).
  String PrivateTempRoot;
  // Held while this form runs on the office of the command line
  // (TakeInstanceLock): a second start on it, on this workstation, is
  // refused at once.
  os::File InstanceLock;
  // The run's laptop reminder, held from right before its write-back
  // commits until its laptop step is done or its failure was read.
  TReminder LaptopReminder;
  // What each office table file was when ReadCurrentMandant copied it (by
  // its name in RunTableFiles); the write-back refuses a table changed since.
  std::map<String, os::FileIdentity> CopiedOfficeTables;

  // ---- Start-up (Umsync.cpp, Umsync_start.cpp) ---------------------------------
  // Creates the string lists, clears the state, resets the wizard to page
  // "0" and, unless one is installed, makes the program's message box the
  // settings loader's SettingsMessageHook.
  void FormCreate(TObject* Sender);
  // Posts WM_STARTUP to the form's own window and sets the caption.
  void FormShow(TObject* Sender);
  // Handler for KM's AfterScroll: refreshes the selected-entry state
  // (ReadCurrentEntry) and clears RunMode. Never raises.
  void KMAfterScroll(TDataSet* DataSet);
  // The installation list's cell texts: the ID column shows the slot's ID
  // character, the RIGHTS column the level text (values read as integers,
  // masked to 0..127, anything outside the tables as 0).
  void I_DBKMSYSDrawTextFormat(TField* Field, String& Text);
  // Its hints: the ID character, and the data-mode text for RIGHTS.
  void I_DBKMSYSBeforeHint(TField* Field, String& Text);
  // Draws a path cell (Draw := True): a path wider than the cell shows its
  // end behind "..." (Umsync_page0.cpp). Other columns are left to the
  // grid. Never raises.
  void I_DBKMSYSDrawRichText(TCanvas* Canvas, TField* Field, TRect Rect, String& Text, bool& Draw,
                             TGridDrawState State);
  // The list has fixed slots: Insert and Delete are swallowed, and Down
  // on the last row too.
  void I_DBKMSYSKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  // ---- Page "0" (Umsync_page0.cpp) -------------------------------------------------
  // Each edits the current slot of KM (EditInstallationEntry) and sets
  // ConfigChanged first, also when its dialog is then cancelled; a RIGHTS
  // value of 5 or more becomes 0 with every edit. Database failures while
  // saving are shown in the message box, never raised; the stored list
  // keeps what it held then.
  // "Beschreibung": asks for the description (input box, the current Name
  // as default); a non-empty answer becomes Name. An answer longer than
  // the field is refused with a message and Name stays.
  void flbnameClick(TObject* Sender);
  // "Verzeichnis wählen": the folder dialog (ExecuteSelDir); a non-empty
  // choice becomes Path. A choice that is no folder (a file) or longer
  // than the field is refused with a message and Path stays.
  void flbpathClick(TObject* Sender);
  // "Rechte vergeben": the rights dialog (ExecuteSelID) preset with RIGHTS;
  // on OK the chosen level becomes RIGHTS.
  void flbr23423Click(TObject* Sender);
  // "Übernehmen": saves the list and stays on the slot just edited;
  // clears ConfigChanged when the save succeeded.
  void FlatButton3423423Click(TObject* Sender);
  // "Installation entfernen": after "Eintrag entfernen?" is answered yes,
  // clears Name, Path and the spare fields 2..6 of the slot and saves the
  // list; ID, GUID, RIGHTS, 7 and 8 stay.
  void FlatButton2Click(TObject* Sender);
  // "Hilfe": opens "synchlp.htm" of the tool's folder through the shell.
  // The opener (xdg-open) is watched from then on by HelpOpenerWatch: when
  // it ends with an exit code other than 0 within HelpOpenerPatienceMs, a
  // message says that the page could not be opened and names it. A later
  // end is the end of the program that showed the page, not a failure.
  void FlatButton332423Click(TObject* Sender);
  // The last help opener and its watch, which runs while the opener is
  // watched (GUI thread). The handle is closed when the watch ends.
  TProcessHandle HelpOpener;
  TTimer* HelpOpenerWatch = nullptr;
  static constexpr std::uint64_t HelpOpenerPatienceMs = 30000;
  // Handler of WM_STARTUP: CheckStartParams; a folder that is no office is
  // refused (RefuseNoOffice) before the instance lock is taken, so that
  // such a start leaves no lock file; then TakeInstanceLock, the removal
  // of killed runs' temporary folders and DatabaseStartUp.
  void StartUp(TMessage& Message);
  // When ParamStr(1) is no office data folder (OfficeFolderProblem): shows
  // the problem in lbinfo, refuses the start (RefuseStart), asks the form
  // to close and returns True. Otherwise False, with nothing changed.
  bool RefuseNoOffice();

  // ---- Connecting and locking (Umsync_lock.cpp) ----------------------------------
  // The start after a passed check: connect and lock, then
  // LoadSourceDatabase; Next and Close are disabled meanwhile and enabled
  // again on success. Each failure is a refused start (RefuseStart: its
  // message, also on stderr), leaves the office disconnected and closes
  // the form: a folder that is no office (OfficeFolderProblem, checked
  // before anything is touched), no connection, a lock not obtained,
  // any exception on the way ("Das Programm kann nicht direkt gestartet
  // werden." and the reason: other users only for a table locked by one,
  // else the failure in German naming the damaged file; a journal that the
  // engine set aside, which it names only once, is kept by a reminder until
  // that message was closed, for the next start to say again), a settings
  // table that cannot be read ("Die Quellatenbank kann nicht gelesen
  // werden.").
  // Never raises.
  void DatabaseStartUp();
  // On: closes the host, settles a write-back a killed run left in the
  // office (SettleKilledWriteBack; a message says whether that run was
  // undone or completed), shows each reminder nobody holds (a run killed
  // after its write-back is to be repeated for the laptop; a journal an
  // earlier start set aside) and removes it once its box was closed,
  // connects to ParamStr(1) (local server when ParamStr(2) is "1") and
  // locks the three office tables, retrying for 10000 ms; on failure the
  // connection ends up disconnected. Once locked, marks the backup folders
  // of runs killed in their backup step as incomplete, a message naming
  // each (MarkIncompleteBackups), and deletes what killed removals of old
  // backups left, a message naming each folder that stays
  // (FinishBackupRemovals). Off: disconnects. Raises what settling,
  // connecting, opening and the messages raise.
  void LockDatabase(TForm* Form, bool On);
  // Before a run: when the office orders and addresses are not locked (after
  // a failed run), connects and locks again (LockDatabase). True when they
  // are locked afterwards. Raises what LockDatabase raises.
  bool RelockDatabase();
  // Sends WM_CLOSE to the host's main window until it is gone or 5000 ms
  // have passed.
  void CloseHostMainWindow(TForm* Form);
  // Under the busy cursor: loads the settings object, the office identity
  // and the list from setup.OAT, then closes it (ending its table lock).
  // True on success; False when any of it raised. Never raises.
  bool LoadSourceDatabase();

  // ---- Installation list (Umsync_list.cpp) ---------------------------------------
  // Loads the office identity (row 1, repaired silently when missing or
  // malformed) into Settings()->DatabaseID and the list (row 2) from Table
  // (setup.OAT, open, index IDENT); KM is left open, read-only, on its
  // first row with seven slots of IDs 1..7 and valid GUIDs. Raises what
  // reading the list's text raises.
  void LoadSettings(TOakTable* Table);
  // Writes KM into row 2 of setup.OAT (opened when closed; left open).
  // Raises what the database raises.
  void SaveInstallationList();
  // After a completed run: Path := CurrentPath, RIGHTS 5 or more := 0,
  // post and save the list.
  void UpdateInstallationEntry();
  // Refreshes CurrentRights, CurrentPath, CurrentGUID and CurrentID from
  // the current row of KM.
  void ReadCurrentEntry();
  // Runs Edit on the current KM row with ReadOnly cleared, then posts and
  // makes KM read-only again (also when Edit raises).
  void EditInstallationEntry(const std::function<void()>& Edit);

  // ---- Target check and probe (Umsync_probe.cpp) ----------------------------------
  // Under the busy cursor: tests CurrentPath (given a trailing '/'; an
  // empty, missing, unusable or unwritable folder is refused with its
  // message), makes it end in "KelpoM/" and probes the installation there;
  // after a probe FlatInstalls2, BaseDir and Label62342 show the finding.
  // Sets RunMode; returns True when a mode was set.
  bool CheckTarget();
  // Creates the target folder and a test file in it; False (with a
  // message) when the file cannot be made.
  bool CheckTargetWritable();
  // Inspects the mobile installation below CurrentPath; sets RunMode,
  // LastSyncDate, Info (HTML for BaseDir) and DateText. Never raises.
  void ProbeMobileInstallation(String& Info, String& DateText);

  // ---- Run (other units of the program) --------------------------------------------
  // The steps of a run. Each returns True or raises the exception class
  // of its step (above); InstallToMobile returns False when only the
  // temporary files could not be removed.
  bool ReadCurrentMandant();
  bool FetchMobileData();
  bool CheckData(const String Files[4], bool FixAddressKeys);
  void MergeMobileData();
  bool BackupMandant();
  bool WriteBackMandant();
  bool InstallToMobile();
  bool SetMobileRights(const String& Dest);
  void BuildSelfExtractingInstaller(TStrings* List, const String& Folders);
  void AddFilesByMask(const String& Mask, TStrings* List);
  // Step marker of page "3": -1 grey (InactiveStepColor), 0 black, 1..8
  // marks that step; then paints what is pending (DispatchPaintMessages).
  void MarkStep(Integer Step);
  // Enables or disables Back and Close together.
  void EnableWizardButtons(bool Enabled);
  // Path := the session's private folder (made on first use below the
  // temporary folder, mode 0700) + "Kelpo-Laptop-Installer/" + Sub + "/";
  // Delete False creates it, True deletes it with everything below (an
  // empty Sub: the private folder itself; Path is then "" when none was
  // made). Raises EInOutError when the private folder cannot be made.
  void InstallerDir(const String& Sub, bool Delete, String& Path);

  // ---- Messages ----------------------------------------------------------------------
  // The program's message box: Text and HelpText are HTML; the caption is
  // the application's title.
  void ShowMsg(const String& Text, const String& HelpText = String());
  // The yes/no question of the message box; True for "Ja".
  bool AskMsg(const String& Text, const String& HelpText = String());
  // Shows Text in the status line lbinfo and hands it to OnInfo.
  void ShowInfo(const String& Text);
  // Told every status text as it is shown (a log or a test follows the
  // countdown through it). Null: nobody.
  std::function<void(const String& Text)> OnInfo;

 private:
  void HelpOpenerTick(TObject* Sender);
  String FHelpPage;
  std::chrono::steady_clock::time_point FHelpOpenerStart;

  bool AllTablesLocked();
  void LockTablesWithCountdown();
  void SetConnectionServerType(TOakConnection* Connection);
  void LoadOfficeIdentity(TOakTable* Table);
  void LoadInstallationList(TOakTable* Table);
  void RepairInstallationList();
  void ProbeMobileTables(const String& DataFolder, String& DateText);
  void ProbeMarkerFile();
  void ShowProbeFailure(const String& Message);
  bool ApplyTargetPath();
  void ShowProbeResult(const String& Info, const String& DateText);
};

// The stringItem of the current row of a setup table without the blanks
// that pad the character column to its length.
String SetupText(TDataSet* Table);

// Helpers of the probe on an open mobile setup.oat (index Ident); each
// seeks its row by the decimal text of its Ident.
// Row 6 read as a time stamp; 0 when missing or unreadable. Never raises.
TDateTime ReadMobileDate(TOakTable* Table);
// Row 4 as a number; 0 when missing or outside 1..7. Raises EConvertError
// for a text that is no number.
Integer ReadMobileID(TOakTable* Table);
// Row 5 (the office GUID) / row 1 (the installation GUID) equals GUID
// exactly.
bool IsOfficeGUID(TOakTable* Table, const String& GUID);
bool IsMobileGUID(TOakTable* Table, const String& GUID);

// The ID character of an installation ID (MobileIDChars; 0 for IDs
// outside 1..7).
char MobileIDChar(Integer ID);

// The colour of the step labels 2..8 that a run does not use: a dark grey
// that stays readable on the form's silver face (silver itself would
// vanish on it).
constexpr TColor InactiveStepColor = TColor(0x606060);

// The program's paint pump (SetPaintMessagePump, DispatchPaintMessages):
// takes the back end's device events and dispatches every pending
// WM_PAINT and the desktop's close requests (WM_SYSCOMMAND), nothing else,
// so that the lock countdown and the steps of a run show on screen and a
// close is answered while input waits for the message loop. The main
// block installs it. GUI thread.
void PaintPendingWindows();

// While one lives, PaintPendingWindows paints at most every
// RunPaintIntervalMs milliseconds: a run asks after every file, table and
// packed block, far more often than a screen can show a change. What waits
// is painted by the first call after the interval, or at once by PaintNow;
// the close requests are answered at every call. A run holds one for its
// duration. GUI thread.
class TRunPaintThrottle {
 public:
  static constexpr int RunPaintIntervalMs = 20;
  TRunPaintThrottle();
  ~TRunPaintThrottle();
  TRunPaintThrottle(const TRunPaintThrottle&) = delete;
  TRunPaintThrottle& operator=(const TRunPaintThrottle&) = delete;
};
// Runs the paint pump (DispatchPaintMessages) so that it paints what is
// pending now, throttle or not: for a new step or a new text that announces
// work. GUI thread.
void PaintNow();

// Registers every class the main form's description names (idempotent);
// TFsync's constructor calls it.
void RegisterFsyncClasses();

// Binds the run driver (the wizard's Next, Back and page-change events, the
// close button, the close query and the archive's progress) to Form; the
// main block calls it right after creating the form.
void AttachRunDriver(TFsync* Form);
