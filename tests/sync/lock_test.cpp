// Connecting to and locking the office database at start-up: the host's
// window is closed, the three tables are locked with a countdown of ten
// seconds (on the fake clock) while another user or another process holds
// one of them, and every failure ends in its message and a closed form.
#include "sync_fixture.h"

#include "helper_process.h"
#include "platform/engine/errors.h"
#include "platform/engine/txn_format.h"
#include "sync/Umsync_run.h"

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace {

const char* const HolderVariable = "MDS_SYNC_LOCK_HOLDER";

// Folder mounted read-only for the calling thread (in a mount namespace of
// its own) while the object lives; Mounted() is false where the process may
// not mount.
class TReadOnlyMount {
 public:
  explicit TReadOnlyMount(const String& Folder) : FFolder(Folder), FOwn(::open("/proc/thread-self/ns/mnt", O_RDONLY)) {
    FUnshared = FOwn >= 0 && ::unshare(CLONE_NEWNS) == 0;
    FMounted = FUnshared && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount(Folder.c_str(), Folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
               ::mount(nullptr, Folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
  }
  ~TReadOnlyMount() {
    if (FMounted) ::umount2(FFolder.c_str(), MNT_DETACH);
    if (FUnshared) {
      EXPECT_EQ(0, ::setns(FOwn, CLONE_NEWNS));
    }
    if (FOwn >= 0) ::close(FOwn);
  }
  String FFolder;
  int FOwn;
  bool FUnshared = false, FMounted = false;
};

// A fake clock that runs an action once its time has moved past a mark.
class TTriggerClock : public TFakeClock {
 public:
  using TFakeClock::TFakeClock;
  void Sleep(Cardinal Ms) override {
    TFakeClock::Sleep(Ms);
    Slept += Ms;
    if (Action && Slept >= Mark) std::exchange(Action, nullptr)();
  }
  std::uint64_t Mark = 0, Slept = 0;
  std::function<void()> Action;
};

// Waits (really, briefly) until Path exists; false after five seconds.
bool WaitForFile(const String& Path) {
  for (int I = 0; I < 1000; ++I) {
    if (std::filesystem::exists(Path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

class LockTest : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    GivenOffice();
    UseClock.reset();
    Trigger = std::make_shared<TTriggerClock>(TSystemTime{2026, 12, 1, 7, 10, 0, 0, 0});
    UseClock = std::make_unique<TClockOverride>(Trigger);
  }
  void TearDown() override {
    ReleaseOtherProcess();
    if (OtherTable) OakCloseTable(OtherTable);
    if (OtherUser) OakDisconnect(OtherUser);
    SyncTest::TearDown();
  }
  TFsync* Start() {
    MakeForm();
    Form->OnInfo = [this](const String& Text) { Infos.push_back(Text); };
    StartDatabase();
    return Form;
  }
  // Another user of this process holds a table lock on Table (an engine
  // connection of its own).
  void AnotherUserLocks(const String& Table, bool Exclusive = false) {
    ASSERT_EQ(0u, OakConnect60(Office.c_str(), OAK_LOCAL_SERVER, "", "", 0, &OtherUser));
    ASSERT_EQ(0u, OakOpenTable(OtherUser, (Office + Table).c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1,
                               Exclusive ? OAK_EXCLUSIVE : 0, &OtherTable));
    if (!Exclusive) {
      ASSERT_EQ(0u, OakLockTable(OtherTable));
    }
  }
  void AnotherUserLeavesAfter(std::uint64_t Ms) {
    Trigger->Mark = Ms;
    Trigger->Action = [this] {
      OakCloseTable(OtherTable);
      OtherTable = 0;
    };
  }
  // Another process (this test program started again as the helper below)
  // holds a table lock on the orders table until the test ends.
  void AnotherProcessLocksTheOrders() {
    std::optional<ScopedEnv> HolderOffice(std::in_place, HolderVariable, Office);
    std::string Self = "/proc/self/exe";
    char* Argv[] = {Self.data(), nullptr};
    posix_spawn_file_actions_t Quiet;
    posix_spawn_file_actions_init(&Quiet);
    posix_spawn_file_actions_addopen(&Quiet, 1, "/dev/null", O_WRONLY, 0);
    int Spawned = posix_spawn(&Holder, Self.c_str(), &Quiet, nullptr, Argv, environ);
    posix_spawn_file_actions_destroy(&Quiet);
    ASSERT_EQ(0, Spawned);
    HolderOffice.reset();
    ASSERT_TRUE(WaitForFile(Office + "holder.ready"));
  }
  void ReleaseOtherProcess() {
    if (!Holder) return;
    WriteFile(Office + "holder.release", "");
    int Status = 0;
    waitpid(Holder, &Status, 0);
    Holder = 0;
  }
  std::vector<String> Countdown() const {
    std::vector<String> Values;
    for (const String& I : Infos)
      if (I.find("noch ") != String::npos) Values.push_back(I.substr(I.find("noch ") + 5, 2));
    return Values;
  }
  // A top-level window of the host's class; Stubborn ignores WM_CLOSE.
  HWND HostWindow(bool Stubborn) {
    return CreateWindowEx(0, HostMainWindowClass, "Torvane", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                          nullptr, [Stubborn](HWND W, UINT Msg, WPARAM WP, LPARAM LP) -> LRESULT {
                            if (Stubborn && Msg == WM_CLOSE) return 0;
                            return DefWindowProc(W, Msg, WP, LP);
                          });
  }
  const String DirectStartRefused = "Das Programm kann nicht direkt gestartet werden.";

  std::shared_ptr<TTriggerClock> Trigger;
  std::vector<String> Infos;
  OAKHANDLE OtherUser = 0, OtherTable = 0;
  pid_t Holder = 0;
};

TEST_F(LockTest, AFreeOfficeIsLockedAtTheFirstAttempt) {
  Start();
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  EXPECT_EQ(Countdown(), std::vector<String>{"10"});
  EXPECT_EQ(Infos.at(0), "Verbindung zur Datenbank aufbauen....");
  EXPECT_EQ(Infos.at(1),
            "Es wird versucht die Datenbank sperren.... noch 10 Sec.\r\nBitte beenden Sie einen evt. Bearbeitungsmodus.");
  EXPECT_NE(std::find(Infos.begin(), Infos.end(),
                      "Datenbank \"" + Form->OakConnection->ConnectPath() + "\" ist jetzt gesperrt."),
            Infos.end());
  EXPECT_EQ(Infos.back(), "Quelldatenbank: " + Form->OakConnection->ConnectPath());
  EXPECT_TRUE(Form->FlatButton_next->Enabled());
  EXPECT_TRUE(Form->FlatButton_cancel->Enabled());
  EXPECT_EQ(Form->Caption().substr(Form->Caption().size() - 12), " [Version 6]");
  EXPECT_EQ(CloseCount, 0);
  ExpectAllAnswered();
}

TEST_F(LockTest, AfterLoadingOnlyOrdersAndAddressesStayLocked) {
  Start();
  EXPECT_TRUE(Form->Table_ORDERS->IsTableLocked());
  EXPECT_TRUE(Form->OakTable_ADR->IsTableLocked());
  EXPECT_FALSE(Form->OakTableSettings->Active());
  OAKHANDLE Other = 0, T = 0;
  ASSERT_EQ(0u, OakConnect60(Office.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Other));
  ASSERT_EQ(0u, OakOpenTable(Other, (Office + "setup").c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T));
  EXPECT_EQ(0u, OakLockTable(T));
  ASSERT_EQ(0u, OakOpenTable(Other, (Office + "Auftraege").c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T));
  EXPECT_NE(0u, OakLockTable(T));
  OakDisconnect(Other);
}

TEST_F(LockTest, ATableHeldByAnotherProcessKeepsTheCountdownRunningThenTheToolCloses) {
  AnotherProcessLocksTheOrders();
  ExpectMessage("Datenbank konnte nicht gesperrt werden.");
  ExpectMessage("Verbindung zur Datenbank konnte nicht aufgebaut werden.");
  Start();
  EXPECT_EQ(Countdown(), (std::vector<String>{"10", "9 ", "8 ", "7 ", "6 ", "5 ", "4 ", "3 ", "2 ", "1 "}));
  EXPECT_GE(Trigger->Slept, 10000u);
  EXPECT_LT(Trigger->Slept, 10200u);
  EXPECT_FALSE(Form->OakConnection->IsConnected());
  EXPECT_EQ(CloseCount, 1);
  EXPECT_FALSE(Form->FlatButton_next->Enabled());
  ExpectAllAnswered();
}

TEST_F(LockTest, ALockReleasedDuringTheCountdownIsTaken) {
  AnotherUserLocks("Adressen");
  AnotherUserLeavesAfter(3000);
  Start();
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  EXPECT_EQ(Countdown(), (std::vector<String>{"10", "9 ", "8 ", "7 "}));
  EXPECT_TRUE(Form->OakTable_ADR->IsTableLocked());
  EXPECT_EQ(CloseCount, 0);
  ExpectAllAnswered();
}

TEST_F(LockTest, ATableHeldExclusivelyIsRefusedWithoutCountdown) {
  AnotherUserLocks("setup", true);
  ExpectMessage(DirectStartRefused);
  Start();
  EXPECT_TRUE(Countdown().empty());
  EXPECT_EQ(CloseCount, 1);
  ExpectAllAnswered();
}

TEST_F(LockTest, AMissingOfficeTableIsRefused) {
  std::filesystem::remove(Office + "Adressen.OAT");
  ExpectMessage(DirectStartRefused);
  Start();
  EXPECT_EQ(CloseCount, 1);
  ExpectAllAnswered();
}

// A folder that is no office gets a message naming it, not the lock text;
// the start is refused (exit code of the program) and nothing is opened.
TEST_F(LockTest, AFolderThatIsNoOfficeIsNamedInItsOwnMessage) {
  std::filesystem::create_directories(Root + "leer");
  WriteFile(Root + "datei", "x");
  WriteFile(Root + "ohne/Auftraege.OAT", "x");
  for (auto [Folder, Text] : std::vector<std::pair<String, String>>{
           {Root + "nirgends/", "Das Datenverzeichnis \"" + Root + "nirgends/\" gibt es nicht."},
           {Root + "datei", "\"" + Root + "datei\" ist kein Verzeichnis."},
           {Root + "leer/", "Das Datenverzeichnis \"" + Root + "leer/\" ist leer."},
           {Root + "ohne/", "Im Datenverzeichnis \"" + Root + "ohne/\" fehlt die Einstellungstabelle setup.OAT."}}) {
    SetCommandLineArgs({Folder, "1", "12340"});
    ExpectMessage(Text);
    CloseCount = 0;
    Start();
    EXPECT_EQ(CloseCount, 1) << Folder;
    EXPECT_FALSE(Form->OakConnection->IsConnected());
    EXPECT_TRUE(StartRefused());
    delete Form;
    Form = nullptr;
  }
  ExpectAllAnswered();
  EXPECT_TRUE(OfficeFolderProblem(Office).empty());
}

// The whole start on an office folder that does not exist leaves nothing
// behind: no instance lock file in the common application data folder.
TEST_F(LockTest, AStartOnAMissingOfficeFolderLeavesNoLockFile) {
  SetCommandLineArgs({Root + "nirgends/", "1", "12340"});
  ExpectMessage("Das Datenverzeichnis \"" + Root + "nirgends/\" gibt es nicht.");
  MakeForm();
  SendMessage(Form->Handle(), WM_STARTUP, 0, 0);
  EXPECT_TRUE(StartRefused());
  for (auto& E : std::filesystem::directory_iterator(Root + "common"))
    EXPECT_NE(0u, E.path().filename().string().rfind("orvsync7", 0)) << E.path();
  EXPECT_FALSE(Exists(Root + "nirgends"));
  ExpectAllAnswered();
}

// A damaged office file is named with the engine's reason, never blamed on
// other users; the start is refused (exit code 1). An unreadable record of
// a write-back is set aside and the start goes on.
TEST_F(LockTest, DamagedFilesAtTheStartAreNamedWithTheirReason) {
  auto Overwrite = [this](const char* Name, std::size_t Bytes) {
    std::fstream(os::ResolvePath(Office + Name), std::ios::in | std::ios::out | std::ios::binary) << String(Bytes, 'Z');
  };
  auto Cut = [this](const char* Name, std::uintmax_t Keep) {
    std::filesystem::resize_file(os::ResolvePath(Office + Name), Keep);
  };
  const String Record = Office + "Mobile-Zurueckschreiben.~mdj";
  std::unique_ptr<TReadOnlyMount> ReadOnly;
  std::vector<std::tuple<std::function<void()>, String, bool>> Cases = {
      {[&] { Overwrite("setup.OAT", 40); }, "Die Tabelle \"" + Office + "setup.OAT\" ist beschädigt", true},
      {[&] { Cut("setup.OAT", 0); }, "Die Tabelle \"" + Office + "setup.OAT\" ist beschädigt", true},
      {[&] { Cut("Auftraege.OAT", 100); }, "Die Tabelle \"" + Office + "Auftraege.OAT\" ist beschädigt", true},
      {[&] { Overwrite("Adressen.OAI", 64); }, "Die Indexdatei \"" + Office + "Adressen.OAI\" ist beschädigt", true},
      {[&] { Overwrite("Auftraege.OAM", 32); }, "Die Memodatei \"" + Office + "Auftraege.OAM\" ist beschädigt", true},
      {[&] { std::filesystem::remove(os::ResolvePath(Office + "setup.OAI")); },
       "Die Indexdatei \"" + Office + "setup.OAI\" fehlt.", true},
      {[&] {
         std::filesystem::copy_file(os::ResolvePath(Office + "TEXT.OAI"), os::ResolvePath(Office + "setup.OAI"),
                                    std::filesystem::copy_options::overwrite_existing);
       },
       "In der Indexdatei \"" + Office + "setup.OAI\" fehlt ein Index der Tabelle.", true},
      {[&] { WriteFile(Record, "MDS-REPLACE 7\n"); }, "Die Datei " + Record + " eines früheren Zurückschreibens ist beschädigt", false},
      {[&] { ReadOnly = std::make_unique<TReadOnlyMount>(Office); },
       "Auf die Tabelle \"" + Office + "Auftraege.OAT\" kann nicht zugegriffen werden: Zugriff verweigert", true}};
  for (auto& [Damage, Shown, Refused] : Cases) {
    SCOPED_TRACE(Shown);
    std::filesystem::remove_all(Office);
    GivenOffice();
    Damage();
    if (ReadOnly && !ReadOnly->FMounted) break;  // not allowed to mount here
    ExpectMessage(Shown);
    Start();
    ReadOnly.reset();
    ExpectAllAnswered();
    for (const String& Text : ShownTexts()) EXPECT_EQ(String::npos, Text.find("andere Benutzer")) << Text;
    EXPECT_EQ(Refused, StartRefused());
    EXPECT_EQ(!Refused, Form->OakConnection->IsConnected());
    EXPECT_FALSE(Exists(Record));
    EXPECT_EQ(Refused ? "" : "MDS-REPLACE 7\n", Exists(Record + ".unlesbar") ? ReadFile(Record + ".unlesbar") : "");
    delete std::exchange(Form, nullptr);
    ResetStartRefused();
  }
}

// A journal entry (*.OAJ) that writes Bytes back as the first page of
// File, whose size was Size when its transaction began.
String JournalEntry(const String& File, std::uint64_t Size, const String& Bytes) {
  namespace j = oak::journal;
  const String Entries = j::EncodeEntry(File, Size, j::kSizeRecord, "") + j::EncodeEntry(File, Size, 0, Bytes);
  return j::EncodeHeader(1, j::kHeaderBytes + Entries.size()) + Entries;
}

// A journal the engine refuses to apply is named whole, also in an office
// whose path is as long as the connection takes (the engine's text, which
// names the journal and the file, is read into 600 bytes), with what its
// cause calls for: a file that another program holds exclusively lets the
// next start apply it once that program closed it; a journal of the wrong
// form (here a link) needs somebody to look at it.
TEST_F(LockTest, ARefusedJournalIsNamedWholeWithWhatItsCauseCallsFor) {
  ASSERT_LT(Root.size(), 250u);
  Office = Root + String(MaxOakConnectPath - 1 - Root.size(), 'd') + "/";
  GivenOffice();
  SetCommandLineArgs({Office, "1", "12340"});
  const String Journal = Office + "Adressen.OAT.OAJ", Quoted = "\"" + Journal + "\"";
  const String Head = "Das Programm kann nicht direkt gestartet werden.\nIn der Datei " + Quoted +
                      " ist eine nicht abgeschlossene Änderung eines anderen Programms festgehalten";
  const String Unchanged = " Die Datei und die Tabellen wurden deshalb nicht verändert.\n";
  // The message box shows the message, then the captions of its buttons.
  auto LastMessage = [this] {
    const String Shown = ShownTexts().back();
    return Shown.substr(0, Shown.find("\nJa\nNein\n"));
  };

  AnotherUserLocks("Adressen", true);
  const String Table = ReadFile(Office + "Adressen.OAT");
  WriteFile(Journal, JournalEntry(Office + "Adressen.OAT", Table.size(), Table.substr(0, 4096)));
  ExpectMessage(Quoted);
  Start();
  EXPECT_EQ(LastMessage(), Head + ". Sie kann noch nicht zurückgenommen werden, weil ein anderes Programm eine der "
                                  "Dateien, die sie zurückschreiben muss, exklusiv geöffnet hält." +
                               Unchanged + "Beenden Sie alle anderen Programme, die mit diesen Daten arbeiten, und "
                               "starten Sie das Programm erneut: Dann wird die Änderung zurückgenommen.");
  EXPECT_TRUE(StartRefused());
  ASSERT_EQ(0u, OakCloseTable(std::exchange(OtherTable, 0)));
  ResetStartRefused();
  Restart();
  EXPECT_FALSE(StartRefused());
  EXPECT_FALSE(Exists(Journal));

  WriteFile(Root + "anderswo.OAJ", "x");
  std::filesystem::create_symlink(Root + "anderswo.OAJ", Journal);
  ExpectMessage(Quoted);
  Restart();
  EXPECT_EQ(LastMessage(), Head + ", die nicht sicher zurückgenommen werden kann: Die Datei oder eine Datei, die sie "
                                  "nennt, ist nicht so beschaffen, wie es das Zurücknehmen verlangt (etwa eine "
                                  "Verknüpfung oder eine Datei außerhalb des Verzeichnisses)." +
                               Unchanged + "Ein erneuter Start des Programms hilft nicht. Bitte lassen Sie die Datei " +
                               Quoted + " vom Systembetreuer prüfen, bevor sie gelöscht oder verschoben wird.");
  ExpectAllAnswered();

  // Known from the engine's text alone, without its cause, both ways are offered.
  const EOAKDatabaseError FromText(nullptr, oak::E_TRANSACTION, oak::JournalRefusal(Journal, "why"));
  EXPECT_NE(String::npos, EngineReason(FromText).find("erneut. Bleibt die Meldung, lassen Sie die Datei " + Quoted));
  // A journal set aside because a file it names was put back since: both
  // are named, and starting again goes on.
  EOAKDatabaseError PutBack(nullptr, oak::E_TRANSACTION, "");
  PutBack.RefusedJournal = {Journal + ".aside", oak::TJournalCause::Replaced, Office + "Adressen.OAT"};
  EXPECT_EQ(EngineReason(PutBack),
            "Eine nicht abgeschlossene Änderung eines anderen Programms betraf die Datei \"" + Office +
                "Adressen.OAT\", die seither ersetzt wurde (etwa aus einer Sicherheitskopie). Die ersetzte Datei "
                "wurde nicht verändert, die übrigen Dateien dieser Änderung wurden zurückgesetzt. Die Aufzeichnung "
                "der Änderung wurde als \"" + Journal + ".aside\" beiseitegelegt und wird nicht mehr angewandt.<BR>"
                "Prüfen Sie, ob die ersetzte Datei den gewünschten Stand hat, und starten Sie das Programm erneut. Die "
                "Datei \"" + Journal + ".aside\" kann danach gelöscht werden.");
}

// A second tool on an office that one already holds says so at once,
// without the countdown; once the first has ended, a start goes through.
TEST_F(LockTest, ASecondToolOnTheSameOfficeIsRefusedAtOnce) {
  SetCommandLineArgs({Office, "1", "12340"});
  os::File First;
  ASSERT_TRUE(TakeInstanceLock(Office, First));
  ExpectMessage("Die Mobile Daten-Syncronisation läuft bereits für das Datenverzeichnis " + Office +
                ".\nBenutzen Sie das schon geöffnete Fenster.");
  MakeForm();
  Form->OnInfo = [this](const String& Text) { Infos.push_back(Text); };
  SendMessage(Form->Handle(), WM_STARTUP, 0, 0);
  EXPECT_TRUE(StartRefused());
  EXPECT_EQ(CloseCount, 1);
  EXPECT_FALSE(Form->OakConnection->IsConnected());
  EXPECT_TRUE(Infos.empty());
  ExpectAllAnswered();

  First.Close();
  ResetStartRefused();
  delete std::exchange(Form, nullptr);
  MakeForm();
  SendMessage(Form->Handle(), WM_STARTUP, 0, 0);
  EXPECT_FALSE(StartRefused());
  EXPECT_TRUE(Form->OakConnection->IsConnected());
}

// An office path as long as the connection takes (here 250 characters)
// has an instance lock like any other, which keeps the path: a second start
// names the office at once. A longer one (300) is refused before anything,
// with a message that names it and says why.
TEST_F(LockTest, LongOfficePathsAreLockedUpToTheConnectionsLimitAndNamedBeyondIt) {
  os::File First;
  for (const std::size_t Length : {250u, 300u}) {
    for (Office = Root; Office.size() + 101 < Length;) Office += String(100, 'l') + "/";
    Office += String(Length - Office.size() - 1, 'o') + "/";
    GivenOffice();
    SetCommandLineArgs({Office, "1", "12340"});
    if (Length == 250) {
      ASSERT_TRUE(TakeInstanceLock(Office, First) && First.IsOpen());
      EXPECT_EQ(Office, ReadFile(First.Path()));
      ExpectMessage("Die Mobile Daten-Syncronisation läuft bereits für das Datenverzeichnis " + Office + ".");
    } else {
      PictureOfMessage("Der Pfad des Datenverzeichnisses \"" + Office + "\" ist zu lang für die Datenbankverbindung: "
                       "Er hat 300 Zeichen, die Verbindung nimmt höchstens 254 an.", "office_path_too_long.png");
    }
    delete std::exchange(Form, nullptr);
    MakeForm();
    ResetStartRefused();
    SendMessage(Form->Handle(), WM_STARTUP, 0, 0);
    EXPECT_TRUE(StartRefused());
    EXPECT_FALSE(Form->OakConnection->IsConnected());
  }
  for (auto& E : std::filesystem::directory_iterator(Root + "common")) EXPECT_EQ(First.Path(), E.path().string());
  ExpectAllAnswered();
}

TEST(StartMessageTest, TheTerminalGetsTheMessageWithoutMarkUp) {
  EXPECT_EQ(PlainMessageText("<B>Das Programm kann nicht direkt gestartet werden.<br>Eventuell ...</B>"),
            "Das Programm kann nicht direkt gestartet werden.\nEventuell ...");
}

TEST_F(LockTest, AnUnreadableInstallationListEndsInTheSourceMessage) {
  AddRow(Office, "setup", {{"Ident", "2"}, {"MemoItem", "@@FILE VERSION@@\r\nkaputt"}});
  ExpectMessage("Die Quellatenbank kann nicht gelesen werden.");
  Start();
  EXPECT_EQ(CloseCount, 1);
  EXPECT_FALSE(Form->OakConnection->IsConnected());
  ExpectAllAnswered();
}

TEST_F(LockTest, TheHostWindowIsClosedBeforeConnecting) {
  HWND Host = HostWindow(false);
  Start();
  EXPECT_FALSE(IsWindow(Host));
  EXPECT_LT(Trigger->Slept, 200u);
  EXPECT_FALSE(Form->Fpclose->Visible());
}

TEST_F(LockTest, AHostWindowIgnoringCloseDelaysTheStartByJustOverFiveSeconds) {
  HWND Host = HostWindow(true);
  Start();
  EXPECT_TRUE(IsWindow(Host));
  EXPECT_GT(Trigger->Slept, 5000u);
  EXPECT_LE(Trigger->Slept, 5200u);
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  DestroyWindow(Host);
}

TEST_F(LockTest, OnlyTheArgument1MeansALocalServer) {
  MakeForm();
  for (auto [Arg, Local] : std::vector<std::pair<String, bool>>{{"1", true}, {"01", false}, {"0", false}}) {
    SetCommandLineArgs({Office, Arg, "12340"});
    Form->LockDatabase(Form, true);
    TOakServerTypes Types = Form->OakConnection->OakServerTypes();
    EXPECT_EQ(Types.Contains(stOAK_LOCAL), Local) << Arg;
    EXPECT_EQ(Types.Contains(stOAK_REMOTE), !Local) << Arg;
  }
}

TEST_F(LockTest, LockingOffDisconnectsAndReleasesTheLocks) {
  Start();
  Form->LockDatabase(Form, false);
  EXPECT_FALSE(Form->OakConnection->IsConnected());
  AnotherUserLocks("Auftraege");
  Form->LockDatabase(Form, true);
  EXPECT_FALSE(Form->OakConnection->IsConnected());  // now the other user holds it
}

TEST_F(LockTest, TheDeferredStartMessageRunsTheWholeStart) {
  MakeForm();
  Form->Show();
  Application->ProcessMessages();
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  EXPECT_EQ(Form->KM->RecordCount(), 7);
}

// The helper process of the lock tests (not a test): holds a table lock on
// the orders of the office Dir until told to let go. Exit code 1 when it
// cannot take the lock.
int HoldTheOrdersTableLocked(const char* Dir) {
  String Office = Dir;
  OAKHANDLE C = 0, T = 0;
  if (OakConnect60(Office.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C) != 0) return 1;
  if (OakOpenTable(C, (Office + "Auftraege").c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T) != 0 ||
      OakLockTable(T) != 0)
    return 1;
  std::ofstream(Office + "holder.ready") << "";
  for (int I = 0; I < 6000 && !std::filesystem::exists(Office + "holder.release"); ++I)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  OakDisconnect(C);
  return 0;
}

MDS_HELPER_PROCESS(LockHolder, HolderVariable, HoldTheOrdersTableLocked);

}  // namespace
