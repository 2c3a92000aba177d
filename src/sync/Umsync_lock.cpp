// Connecting to and locking the office database: the host's main window is
// closed, the office data folder of the command line is connected, and the
// orders, addresses and settings tables are opened and table-locked, with
// a countdown of 10 seconds while another user still holds one of them.
// Then the settings object and the installation list are loaded.
#include <filesystem>
#include <optional>

#include "foundation/BusyCursor.h"
#include "foundation/FileUtils.h"
#include "foundation/USettings.h"
#include "platform/engine/errors.h"
#include "platform/os/fileapi.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync.h"
#include "sync/Umsync_run.h"

namespace {

// How long the lock and the host waits pause between two attempts.
constexpr Cardinal RetryPauseMs = 100;
constexpr Cardinal LockWaitMs = 10000;
constexpr Cardinal HostCloseWaitMs = 5000;

String CountdownText(Integer Remaining) {
  return "Es wird versucht die Datenbank sperren.... noch " + IntToStr(Remaining) +
         " Sec.\r\nBitte beenden Sie einen evt. Bearbeitungsmodus.";
}

// Lets the windows repaint, then waits a little on the process clock.
// (Declared below.)
void PauseBetweenAttempts();

}  // namespace

String OfficeFolderProblem(const String& Folder) {
  String Shown = "\"" + Folder + "\"";
  bool IsFolder = !Folder.empty() && DirectoryExists(Folder);
  if (!IsFolder && (Folder.empty() || !FileExists(ExcludeTrailingPathDelimiter(Folder))))
    return "Das Datenverzeichnis " + Shown + " gibt es nicht.";
  if (!IsFolder) return Shown + " ist kein Verzeichnis. Erwartet wird das Datenverzeichnis des Mandanten.";
  // The connection would pass only the path's first characters: a folder
  // above the office, or none.
  if (Length(Folder) > MaxOakConnectPath)
    return "Der Pfad des Datenverzeichnisses " + Shown + " ist zu lang für die Datenbankverbindung: Er hat " +
           IntToStr(Length(Folder)) + " Zeichen, die Verbindung nimmt höchstens " + IntToStr(MaxOakConnectPath) +
           " an. Bitte verwenden Sie einen kürzeren Pfad zum Datenverzeichnis.";
  std::error_code Error;
  std::filesystem::directory_iterator Entries(std::filesystem::path(Folder), Error);
  if (!Error && Entries == std::filesystem::directory_iterator())
    return "Das Datenverzeichnis " + Shown + " ist leer.";
  if (!FileExists(IncludeTrailingBackslash(Folder) + "setup.OAT"))
    return "Im Datenverzeichnis " + Shown + " fehlt die Einstellungstabelle setup.OAT.";
  return String();
}

namespace {

// Why a table does not open while the journal Journal lies beside it, and
// what to do. The engine applies nothing of such a journal: it leaves the
// journal and the tables as they are, so the office stays readable by hand.
// A journal held up by another program is applied by the first open after
// that program let go of the file; one of the wrong form stays until
// somebody has looked at it. Without a known cause both ways are offered.
// StartAgain: the start that says it stops (else it goes on).
String RefusedJournalText(const String& Journal, std::optional<oak::TJournalCause> Cause,
                          const String& File = String(), bool StartAgain = true) {
  const String Quoted = "\"" + Journal + "\"";
  // The journal's transaction had begun on a file that was put back since
  // (from a backup, say): that file stays as it is, the rest was taken
  // back, and the journal, set aside, is applied no more.
  if (Cause == oak::TJournalCause::Replaced)
    return "Eine nicht abgeschlossene Änderung eines anderen Programms betraf die Datei \"" + File +
           "\", die seither ersetzt wurde (etwa aus einer Sicherheitskopie). Die ersetzte Datei wurde nicht "
           "verändert, die übrigen Dateien dieser Änderung wurden zurückgesetzt. Die Aufzeichnung der Änderung "
           "wurde als " + Quoted + " beiseitegelegt und wird nicht mehr angewandt.<BR>Prüfen Sie, ob die "
           "ersetzte Datei den gewünschten Stand hat" + (StartAgain ? ", und starten Sie das Programm erneut" : "") +
           ". Die Datei " + Quoted + " kann danach gelöscht werden.";
  const String Head =
      "In der Datei " + Quoted + " ist eine nicht abgeschlossene Änderung eines anderen Programms festgehalten";
  const String Unchanged = " Die Datei und die Tabellen wurden deshalb nicht verändert.<BR>";
  const String CloseOthers =
      "Beenden Sie alle anderen Programme, die mit diesen Daten arbeiten, und starten Sie das Programm erneut";
  const String Check =
      "lassen Sie die Datei " + Quoted + " vom Systembetreuer prüfen, bevor sie gelöscht oder verschoben wird.";
  if (Cause == oak::TJournalCause::Held)
    return Head + ". Sie kann noch nicht zurückgenommen werden, weil ein anderes Programm eine der Dateien, die sie "
                  "zurückschreiben muss, exklusiv geöffnet hält." + Unchanged + CloseOthers +
           ": Dann wird die Änderung zurückgenommen.";
  if (Cause == oak::TJournalCause::Form)
    return Head + ", die nicht sicher zurückgenommen werden kann: Die Datei oder eine Datei, die sie nennt, ist nicht "
                  "so beschaffen, wie es das Zurücknehmen verlangt (etwa eine Verknüpfung oder eine Datei außerhalb "
                  "des Verzeichnisses)." + Unchanged + "Ein erneuter Start des Programms hilft nicht. Bitte " + Check;
  return Head + ", die nicht sicher zurückgenommen werden kann." + Unchanged + CloseOthers + ". Bleibt die Meldung, " +
         Check;
}

}  // namespace

String EngineReason(const EOAKDatabaseError& E) {
  String Table = E.TableName;
  if (ExtractFileExt(Table).empty()) Table += ".OAT";
  if (!E.DataPath.empty()) Table = IncludeTrailingBackslash(E.DataPath) + Table;
  const String Quoted = "\"" + Table + "\"";
  const auto Code = static_cast<UNSIGNED32>(E.ErrorCode);
  if (Code >= oak::kIndexCorrupt && Code <= oak::kIndexReadOnly)
    return "Die Indexdatei \"" + ChangeFileExt(Table, ".OAI") + "\" ist beschädigt.";
  switch (Code) {
    case oak::E_CORRUPT_TABLE:
      return "Die Tabelle " + Quoted + " ist beschädigt oder unvollständig.";
    case oak::E_CORRUPT_MEMO:
      return "Die Memodatei \"" + ChangeFileExt(Table, ".OAM") + "\" ist beschädigt.";
    case oak::E_FILE_NOT_FOUND:
      return "Die Datei " + Quoted + " oder ihre Memo- oder Indexdatei fehlt.";
    case oak::E_LOCKED:
      return "Die Tabelle " + Quoted + " wird von einem anderen Benutzer verwendet.";
    case oak::E_INDEX_NOT_FOUND: {
      // Without its index file a table opens, but none of its indexes.
      const String Index = "\"" + ChangeFileExt(Table, ".OAI") + "\"";
      if (!FileExists(ChangeFileExt(Table, ".OAI"))) return "Die Indexdatei " + Index + " fehlt.";
      return "In der Indexdatei " + Index + " fehlt ein Index der Tabelle.";
    }
    case oak::E_IO:
    case oak::E_READ_ONLY: {
      // The engine's text ends with the system's German reason.
      String Reason = SysErrorMessage(ERROR_ACCESS_DENIED);
      auto At = E.Message().rfind(": ");
      if (Code == oak::E_IO && At != String::npos) Reason = E.Message().substr(At + 2);
      return "Auf die Tabelle " + Quoted + " kann nicht zugegriffen werden: " + Reason + "." +
             (Reason == SysErrorMessage(ERROR_ACCESS_DENIED) ? " Ist das Datenverzeichnis schreibgeschützt?" : "");
    }
    case oak::E_REPLACEMENT:
      return "Ein früheres Zurückschreiben in das Datenverzeichnis kann nicht abgeschlossen werden (" + Quoted + ").";
    case oak::E_TRANSACTION:
      // The journal as the engine knew it when the call failed. Without it
      // only the message is left: it names the journal when the engine's
      // text was cut after the path (a path cut short is not found), and
      // never says why.
      if (!E.RefusedJournal.Path.empty())
        return RefusedJournalText(E.RefusedJournal.Path, E.RefusedJournal.Cause, E.RefusedJournal.File);
      if (const String Journal = oak::RefusedJournalPath(E.Message()); !Journal.empty())
        return RefusedJournalText(Journal, std::nullopt);
      break;
    default:
      break;
  }
  return "Die Tabelle " + Quoted + " kann nicht geöffnet werden (Fehler " + IntToStr(E.ErrorCode) + ").";
}

String CauseText(const std::exception& E) {
  if (auto* Db = dynamic_cast<const EOAKDatabaseError*>(&E)) return EngineReason(*Db);
  if (auto* Own = dynamic_cast<const Exception*>(&E)) return Own->Message();
  return E.what();
}

namespace {

const char* const StartRefusedHead = "<B>Das Programm kann nicht direkt gestartet werden.<BR>";
const char* const OtherUsersText = "Eventuell greifen andere Benutzer auf diese Datenbank exclusiv zu.";

// The message of a start that failed with E: the other users are named only
// when a table is locked.
String StartFailureText(const std::exception& E) {
  auto* Db = dynamic_cast<const EOAKDatabaseError*>(&E);
  const bool Locked = Db && static_cast<UNSIGNED32>(Db->ErrorCode) == OAK_LOCKED;
  return StartRefusedHead + (Locked ? String(OtherUsersText) : CauseText(E)) + "</B>";
}

// The reminders of journals set aside: the journal and the file put back,
// one line each.
const TReminderKind JournalReminders = {"Mobile-Journal-beiseitegelegt", ".~mdh"};

// The message of a start that failed with E. A journal set aside is said
// only once by the engine: until the user has closed that message, Note
// keeps it in the office for the next start (a failure to make the note
// is added to the message).
String NoteSetAsideJournal(const std::exception& E, TReminder& Note) {
  String Html = StartFailureText(E);
  auto* Db = dynamic_cast<const EOAKDatabaseError*>(&E);
  if (!Db || Db->RefusedJournal.Cause != oak::TJournalCause::Replaced || Db->RefusedJournal.Path.empty()) return Html;
  try {
    Note.Make(IncludeTrailingBackslash(ParamStr(1)), JournalReminders,
              Db->RefusedJournal.Path + "\n" + Db->RefusedJournal.File);
  } catch (const Exception& Failed) {
    Html += "<BR>" + Failed.Message();
  }
  return Html;
}

// What a journal reminder (Text) says at a later start; "" for a text that
// names no journal.
String SetAsideJournalText(const String& Text) {
  const std::size_t Break = Text.find('\n');
  const String Journal = Text.substr(0, Break), File = Break == String::npos ? String() : Text.substr(Break + 1);
  for (const String& Path : {Journal, File})
    if (Path.empty() || Path.find_first_of(String("\r\n\0", 3)) != String::npos) return String();
  return "<B>Ein früherer Start dieses Programms hat gemeldet:</B><BR>" +
         RefusedJournalText(Journal, oak::TJournalCause::Replaced, File, false);
}

// Lets the windows repaint, then waits a little on the process clock.
void PauseBetweenAttempts() {
  DispatchPaintMessages();
  ClockSleep(RetryPauseMs);
}

// The start's messages on what a killed synchronisation left in the office
// Office, each headed by KilledRunHead unless it completed the run's
// write-back itself.
const char* const KilledRunHead = "<B>Eine frühere Synchronisation wurde nicht abgeschlossen.</B><BR>";
const char* const RunAgainText = "Die Synchronisation muss wiederholt werden.";
const char* const LaptopLacksRunText =
    "Der mobile Computer hat die Daten dieser Synchronisation noch nicht erhalten: Führen Sie die "
    "Synchronisation mit ihm erneut aus.";

// A synchronisation killed during its write-back, which the start settled;
// "" when it settled nothing.
String SettledWriteBackText(TWriteBackSettled Settled, const String& Office) {
  switch (Settled) {
    case TWriteBackSettled::Undone:
      return KilledRunHead + String("Sie wurde beim Zurückschreiben in das Datenverzeichnis ") + Office +
             " abgebrochen, bevor sich dort etwas änderte: Die Daten im Datenverzeichnis sind unverändert. " +
             RunAgainText;
    case TWriteBackSettled::Completed:
      return "<B>Das Zurückschreiben einer früheren Synchronisation wurde jetzt abgeschlossen.</B><BR>Die "
             "Synchronisation war beim Zurückschreiben in das Datenverzeichnis " + Office +
             " abgebrochen worden; beim Start dieses Programms wurden die synchronisierten Daten vollständig "
             "übernommen. " + LaptopLacksRunText;
    case TWriteBackSettled::Nothing:
      break;
  }
  return String();
}

// A synchronisation killed after its write-back, while it wrote the laptop's
// folder Target (its reminder's text; "" or more than a line: none named).
String LaptopPendingText(const String& Office, String Target) {
  // Only a folder name of one line is shown.
  if (Target.find_first_of(String("\r\n\0", 3)) != String::npos) Target.clear();
  return KilledRunHead + String("Sie wurde beim Zurückschreiben der mobilen Daten") +
         (Target.empty() ? String() : " nach " + Target) +
         " abgebrochen. Die synchronisierten Daten sind im Datenverzeichnis " + Office + " vollständig übernommen. " +
         LaptopLacksRunText;
}

// A synchronisation killed in its backup step, whose backup folder the start
// marked as incomplete.
String IncompleteBackupText(const TIncompleteBackup& Backup) {
  const String Folder = Backup.Marked.empty() ? Backup.Found : Backup.Marked;
  return KilledRunHead + String("Sie wurde beim Sichern des Mandanten abgebrochen: Die Daten im Datenverzeichnis "
                                "sind unverändert. Die Sicherheitskopie im Ordner ") +
         Folder + " ist unvollständig; stellen Sie aus ihr keine Daten wieder her. Der Ordner wird nicht "
                  "automatisch gelöscht. " + RunAgainText;
}

}  // namespace

void TFsync::DatabaseStartUp() {
  ShowInfo("Verbindung zur Datenbank aufbauen....");
  FlatButton_next->SetEnabled(false);
  FlatButton_cancel->SetEnabled(false);
  Update();
  SetCaption(Caption() + " [Version 6]");
  // A folder that is no office would only end in the lock text below,
  // which sends the user looking for other users.
  if (RefuseNoOffice()) return;
  // Every failure from here on leaves the office disconnected.
  auto RefuseDisconnected = [this](const String& Html) {
    try {
      OakConnection->Disconnect();
    } catch (...) {
      // The refusal is what the user needs to read.
    }
    RefuseStart(Html);
    Close();
  };
  try {
    LockDatabase(this, true);
    if (!OakConnection->IsConnected()) {
      RefuseDisconnected("Verbindung zur Datenbank konnte nicht aufgebaut werden.");
      return;
    }
  } catch (const std::exception& E) {
    TReminder Note;
    RefuseDisconnected(NoteSetAsideJournal(E, Note));
    Note.Done();
    return;
  } catch (...) {
    RefuseDisconnected(String(StartRefusedHead) + "Unbekannter Fehler.</B>");
    return;
  }
  if (!LoadSourceDatabase()) {
    RefuseDisconnected("Die Quellatenbank kann nicht gelesen werden.");
    return;
  }
  FlatButton_next->SetEnabled(true);
  FlatButton_cancel->SetEnabled(true);
}

bool TFsync::RefuseNoOffice() {
  const String Problem = OfficeFolderProblem(ParamStr(1));
  if (Problem.empty()) return false;
  ShowInfo(Problem);
  RefuseStart(Problem);
  Close();
  return true;
}

bool TFsync::LoadSourceDatabase() {
  StartWait();
  try {
    ShowInfo("Quelldatenbank: " + OakConnection->ConnectPath());
    OakTableSettings->Open();
    Settings()->LoadFromDatabase(OakTableSettings);
    LoadSettings(OakTableSettings);
    OakTableSettings->Close();
  } catch (...) {
    // A settings table that cannot be read: reported by the caller.
    StopWait();
    return false;
  }
  StopWait();
  return true;
}

void TFsync::SetConnectionServerType(TOakConnection* Connection) {
  if (ParamStr(2) == "1")
    Connection->SetOakServerTypes({stOAK_LOCAL});
  else
    Connection->SetOakServerTypes({stOAK_REMOTE});
}

void TFsync::LockDatabase(TForm* Form, bool On) {
  if (!On) {
    OakConnection->Disconnect();
    return;
  }
  CloseHostMainWindow(Form);
  OakConnection->Disconnect();
  // A write-back killed half-way is settled before anyone reads the office,
  // and the user learns which way: a run to repeat, or one now complete; a
  // run killed after it had written back is to be repeated for the laptop.
  const String Office = IncludeTrailingBackslash(ParamStr(1));
  if (String Settled = SettledWriteBackText(SettleKilledWriteBack(Office), Office); !Settled.empty())
    ShowMsg(Settled);
  // Each reminder goes once its box was closed; a run at work on its laptop,
  // here or on another workstation, holds its own.
  ShowReminders(Office, LaptopReminders, [&](const String& Laptop) { ShowMsg(LaptopPendingText(Office, Laptop)); });
  ShowReminders(Office, JournalReminders, [&](const String& Text) {
    if (const String Note = SetAsideJournalText(Text); !Note.empty()) ShowMsg(Note);
  });
  SetConnectionServerType(OakConnection);
  OakConnection->SetConnectPath(ParamStr(1));
  OakConnection->Connect();
  if (!OakConnection->IsConnected()) return;
  Table_ORDERS->Open();
  OakTable_ADR->Open();
  OakTableSettings->Open();
  LockTablesWithCountdown();
  // With the office locked no run is in its backup step: a backup at work,
  // or one being removed, is what a killed run left.
  if (!OakConnection->IsConnected()) return;
  for (const TIncompleteBackup& Backup : MarkIncompleteBackups(Office)) ShowMsg(IncompleteBackupText(Backup));
  for (const TUnremovedBackup& Left : FinishBackupRemovals(Office))
    ShowMsg("<B>Eine alte Sicherheitskopie konnte nicht vollständig entfernt werden.</B><BR>Der Ordner " + Left.Folder +
            " ist unvollständig; stellen Sie aus ihm keine Daten wieder her. Er kann nicht gelöscht werden: " +
            Left.Reason + ". Bitte löschen Sie ihn von Hand.");
}

bool TFsync::AllTablesLocked() {
  return Table_ORDERS->IsTableLocked() && OakTable_ADR->IsTableLocked() &&
         OakTableSettings->IsTableLocked();
}

void TFsync::LockTablesWithCountdown() {
  const std::uint64_t Start = GetTickCount64();
  Integer Last = -1;
  for (std::uint64_t Elapsed = 0; Elapsed < LockWaitMs; Elapsed = GetTickCount64() - Start) {
    Integer Remaining = 10 - Integer(Elapsed / 1000);
    if (Remaining != Last) {
      ShowInfo(CountdownText(Remaining));
      Panel298909->Repaint();
      Last = Remaining;
    }
    Table_ORDERS->LockTable();
    OakTable_ADR->LockTable();
    OakTableSettings->LockTable();
    if (AllTablesLocked()) break;
    PauseBetweenAttempts();
  }
  if (AllTablesLocked()) {
    ShowInfo("Datenbank \"" + OakConnection->ConnectPath() + "\" ist jetzt gesperrt.");
    return;
  }
  ShowInfo("Datenbank konnte nicht gesperrt werden.");
  ShowMsg("Datenbank konnte nicht gesperrt werden.<BR>Evt. greifen andere Nutzer auf die Daten zu.");
  OakConnection->Disconnect();
}

bool TFsync::RelockDatabase() {
  // The settings table is closed after loading; the orders and addresses
  // stay locked for the whole session.
  auto Locked = [this] {
    return OakConnection->IsConnected() && Table_ORDERS->Active() && OakTable_ADR->Active() &&
           Table_ORDERS->IsTableLocked() && OakTable_ADR->IsTableLocked();
  };
  if (Locked()) return true;
  LockDatabase(this, true);
  return Locked();
}

void TFsync::CloseHostMainWindow(TForm* Form) {
  // Only repainted: showing the panel would turn the wizard to its page.
  Fpclose->Repaint();
  const std::uint64_t Start = GetTickCount64();
  for (HWND Host = FindWindow(HostMainWindowClass, ""); Host;
       Host = FindWindow(HostMainWindowClass, "")) {
    SendMessage(Host, WM_CLOSE, 0, 0);
    if (GetTickCount64() - Start > HostCloseWaitMs) break;
    if (Form) Form->Repaint();
    PauseBetweenAttempts();
  }
  Fpclose->Repaint();
  Fpclose->Hide();
}
