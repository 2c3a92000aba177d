// The write-back of the merged tables: stopped at any of its file steps it
// leaves the office all old or all new once the tool starts again, and to
// any other program as soon as that opens an office table; a table
// another user holds or changed since the copy refuses it before anything
// changed, and a table changed after the commit is never replaced. (Another
// process holding a table meets the same share modes:
// tests/platform/os/replace_test.cpp.)
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <map>

#include "helper_process.h"
#include "platform/engine/replacement.h"
#include "platform/os/replace.h"
#include "sync/run_fixture.h"

namespace {

const char* const ReaderVariable = "MDS_SYNC_OFFICE_READER";

class WriteBackTest : public RunStepTest {
 protected:
  using TSnapshot = std::map<String, String>;

  void SetUp() override {
    RunStepTest::SetUp();
    GivenRunOnOffice();
  }
  void TearDown() override {
    os::SetReplaceStepHook(nullptr);
    RunStepTest::TearDown();
  }

  // The run has copied the office and merged: the copies hold a new order,
  // a new address with a memo and a new article.
  void GivenMergedCopies() {
    ASSERT_TRUE(Form->ReadCurrentMandant());
    const String Copies = Tree("M_Temp/Server/Data/");
    AddRow(Copies, "Auftraege", {{"ID_ORDER", "300000002"}, {"Status", "0"}, {"AdressID", "2"}, {"Notiz", "neu"}});
    AddRow(Copies, "Adressen", {{"ADR_46_", "3         2"}, {"Name", "Neukunde"}, {"Bemerkung", "Memo"}});
    AddRow(Copies, "ArtikelMain", {{"ArtNr", "A-1"}, {"Text", "Artikeltext"}});
  }
  TSnapshot Snapshot(const String& Folder) {
    TSnapshot Files;
    for (const String& Name : RunTableFiles()) Files[Name] = ReadTable(Folder + Name);
    return Files;
  }
  // The write-back stops before file step Step, as a killed tool would.
  void StopAtStep(int Step) {
    os::SetReplaceStepHook([Step](int At) { return At != Step; });
  }
  // The file step that puts the table file Name in place: two steps write
  // the record, then one per file.
  static int StepBefore(const String& Name) {
    std::vector<String> Names = RunTableFiles();
    return 2 + static_cast<int>(std::find(Names.begin(), Names.end(), Name) - Names.begin());
  }
  // The write-back is killed past its commit point: the addresses are new,
  // the articles and orders still old. Meanwhile runs just before the kill,
  // while the write-back still holds every file.
  void KilledAfterTheCommit(std::function<void()> Meanwhile = [] {}) {
    os::SetReplaceStepHook([&, Step = StepBefore("ArtikelMain.OAT")](int At) {
      if (At == Step) Meanwhile();
      return At != Step;
    });
    EXPECT_THROW(Form->WriteBackMandant(), ECanNotUpdateMandant);
    os::SetReplaceStepHook(nullptr);
  }
  // Opens a table of Folder (the office by default) as another program
  // would; the engine's code and text.
  std::pair<UNSIGNED32, String> OpenAsAnotherProgram(const String& Table, const String& Folder = String()) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    UNSIGNED32 Code = OakOpenTable(EngineConnection(), ((Folder.empty() ? Office : Folder) + Table).c_str(), nullptr,
                                   OAK_OAT, OAK_ANSI, 1, 1, 0, &T);
    if (Code == 0) OakCloseTable(T);
    return {Code, Code ? OakLastErrorText() : String()};
  }
  void ExpectNoLeftovers() {
    for (auto& E : std::filesystem::directory_iterator(Office)) {
      EXPECT_EQ(String::npos, E.path().string().find(".~md")) << E.path();
    }
  }
  void ExpectEveryTableOpens() {
    for (const char* Table : {"setup", "Auftraege", "Adressen", "ArtikelMain", "ArtikelSub", "OrderVL", "TEXT"}) {
      OAKHANDLE T = OpenEngineTable(Office + Table);
      if (T != OAK_INVALID_HANDLE) OakCloseTable(T);
    }
  }
  std::vector<String> ArticleNumbers() { return LiveRows(Office, "ArtikelMain", "ArtNr"); }
  // Copies the folder From to the new folder To with "cp -a" (times,
  // rights and all kept; every file gets another inode).
  static void CopyWithCpA(const String& From, const String& To) {
    const char* Argv[] = {"cp", "-a", From.c_str(), To.c_str(), nullptr};
    pid_t Pid = 0;
    int Status = 0;
    ASSERT_EQ(0, ::posix_spawnp(&Pid, "cp", nullptr, nullptr, const_cast<char**>(Argv), environ));
    ASSERT_EQ(Pid, ::waitpid(Pid, &Status, 0));
    ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  }

  // The tool starts again on the office; true when the start got the office
  // (every message expected was shown), which it then lets go again.
  bool StartedAgain() {
    delete std::exchange(Form, nullptr);
    MakeRunForm();
    StartDatabase();
    ExpectAllAnswered();
    const bool Connected = Form->OakConnection->IsConnected();
    Form->LockDatabase(Form, false);
    return Connected;
  }

  // The start's messages on a write-back it settled.
  String RunUndone() const {
    return "Eine frühere Synchronisation wurde nicht abgeschlossen.\nSie wurde beim Zurückschreiben in das "
           "Datenverzeichnis " + Office + " abgebrochen, bevor sich dort etwas änderte: Die Daten im "
           "Datenverzeichnis sind unverändert. Die Synchronisation muss wiederholt werden.";
  }
  String RunCompleted() const {
    return "Das Zurückschreiben einer früheren Synchronisation wurde jetzt abgeschlossen.\nDie Synchronisation "
           "war beim Zurückschreiben in das Datenverzeichnis " + Office +
           " abgebrochen worden; beim Start dieses Programms wurden die synchronisierten Daten vollständig "
           "übernommen. Der mobile Computer hat die Daten dieser Synchronisation noch nicht erhalten";
  }

  // The text of the write-back's failure ("" when it went through).
  String WriteBackFailure() {
    try {
      Form->WriteBackMandant();
    } catch (const ECanNotUpdateMandant& E) {
      return E.Message().empty() ? String("(leer)") : E.Message();
    }
    return String();
  }
};

// ---- Killed half-way --------------------------------------------------------------------

TEST_F(WriteBackTest, AWriteBackStoppedAtAnyFileStepIsAllOldOrAllNewAfterTheNextStart) {
  // Steps: two while writing the intent record, one per table file, one
  // before removing the record.
  const int Steps = 2 + static_cast<int>(RunTableFiles().size()) + 1;
  for (int Step = 0; Step < Steps; ++Step) {
    SCOPED_TRACE(Step);
    GivenMergedCopies();
    const TSnapshot Old = Snapshot(Office), New = Snapshot(Tree("M_Temp/Server/Data/"));
    ASSERT_NE(Old, New);
    StopAtStep(Step);
    EXPECT_THROW(Form->WriteBackMandant(), ECanNotUpdateMandant);
    os::SetReplaceStepHook(nullptr);
    // The tool starts again and says which way it settled the write-back.
    ExpectMessage(Step < 2 ? RunUndone() : RunCompleted());
    ASSERT_TRUE(StartedAgain());
    EXPECT_TRUE(Snapshot(Office) == (Step < 2 ? Old : New));
    ExpectNoLeftovers();
    ExpectEveryTableOpens();
  }
}

TEST_F(WriteBackTest, CopiesLeftByAToolKilledWhileCopyingAreRemovedAtTheNextStart) {
  const TSnapshot Old = Snapshot(Office);
  WriteFile(Office + "Adressen.OAT.~mds", "half a copy");
  ExpectMessage(RunUndone());
  StartDatabase();
  ExpectAllAnswered();
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  EXPECT_EQ(Old, Snapshot(Office));
  ExpectNoLeftovers();
}

TEST_F(WriteBackTest, AnInterruptedWriteBackIsCompletedBeforeTheNextRunReadsTheOffice) {
  GivenMergedCopies();
  const TSnapshot New = Snapshot(Tree("M_Temp/Server/Data/"));
  StopAtStep(5);
  EXPECT_THROW(Form->WriteBackMandant(), ECanNotUpdateMandant);
  os::SetReplaceStepHook(nullptr);
  Form->LaptopReminder.Release();  // as the kill lets it go
  ASSERT_NE(New, Snapshot(Office));
  EXPECT_TRUE(Form->ReadCurrentMandant());
  EXPECT_EQ(New, Snapshot(Office));
  ExpectNoLeftovers();
  EXPECT_TRUE(Form->WriteBackMandant());
  EXPECT_EQ(std::vector<String>({"A-1"}), ArticleNumbers());
}

TEST_F(WriteBackTest, AnotherProgramWaitsForAWriteBackAtWorkAndSeesTheOfficeAllNewAfterItsKill) {
  GivenMergedCopies();
  const TSnapshot Old = Snapshot(Office), New = Snapshot(Tree("M_Temp/Server/Data/"));
  std::pair<UNSIGNED32, String> Opened;
  std::uint64_t Waited = 0;
  KilledAfterTheCommit([&] {
    const std::uint64_t Before = GetTickCount64();
    Opened = OpenAsAnotherProgram("Auftraege");
    Waited = GetTickCount64() - Before;
  });
  // The record was left to the write-back at work, after a bounded wait.
  EXPECT_EQ(5035u, Opened.first) << Opened.second;
  EXPECT_GE(Waited, oak::kReplacementWaitMs);
  EXPECT_LT(Waited, oak::kReplacementWaitMs + 200);
  const TSnapshot Half = Snapshot(Office);
  ASSERT_NE(Old, Half);
  ASSERT_NE(New, Half);
  ASSERT_EQ(0, mds_test::RunHelperProcess(ReaderVariable, Office));
  EXPECT_EQ("2 1 2 ", ReadFile(Root + "reader.out"));
  EXPECT_FALSE(Exists(Office + oak::kReplacementRecord));
  // The other program settled it: the tool's start has only the laptop to
  // report, which never received the run's data.
  ExpectMessage(LaptopLacksRunMessage(Target));
  EXPECT_TRUE(StartedAgain());
  EXPECT_FALSE(Exists(Office + LaptopPendingName));
}

TEST_F(WriteBackTest, ATableChangedAfterTheCommitIsNeverReplacedAndIsNamed) {
  GivenMergedCopies();
  KilledAfterTheCommit();
  // A program that knows nothing of the record writes to the old articles.
  std::ofstream(os::ResolvePath(Office + "ArtikelMain.OAT"), std::ios::app | std::ios::binary) << "fremd";
  const String Changed = ReadTable(Office + "ArtikelMain.OAT"), Prepared = ReadTable(Office + "ArtikelMain.OAT.~mds");
  auto [Code, Text] = OpenAsAnotherProgram("Auftraege");
  EXPECT_EQ(5190u, Code);
  EXPECT_NE(String::npos, Text.find(Office + "ArtikelMain.OAT: changed after")) << Text;
  EXPECT_NE(String::npos, Text.find("kept: ArtikelMain.OAT and its replacement ArtikelMain.OAT.~mds")) << Text;
  EXPECT_NE(String::npos, Text.find("To finish by hand")) << Text;
  EXPECT_EQ(String::npos, Text.find("Auftraege.OAT")) << Text;
  // The tool's next start says the same, in German, and how to finish by
  // hand.
  ExpectMessage("Die Tabelle ArtikelMain.OAT wurde danach von einem anderen Programm geändert. Erhalten bleiben die "
                "geänderte Tabelle und ihr Ersatz: ArtikelMain.OAT und ArtikelMain.OAT.~mds.\nZum Abschluss von "
                "Hand sichern Sie die geänderte Tabelle, benennen jede Datei mit der Endung .~mds im "
                "Datenverzeichnis in den Namen ohne diese Endung um und löschen danach die Datei "
                "Mobile-Zurueckschreiben.~mdj.");
  delete std::exchange(Form, nullptr);
  MakeRunForm();
  StartDatabase();
  EXPECT_TRUE(StartRefused());
  ExpectAllAnswered();
  EXPECT_EQ(Changed, ReadTable(Office + "ArtikelMain.OAT"));
  EXPECT_EQ(Prepared, ReadTable(Office + "ArtikelMain.OAT.~mds"));
  EXPECT_TRUE(Exists(Office + oak::kReplacementRecord));
}

// A copy of the office that keeps the times (cp -a, every file another
// inode) and a change of the office files' rights change no table: the
// open in the copy and the tool's start in the office complete the
// write-back.
TEST_F(WriteBackTest, AWriteBackKilledAfterTheCommitIsCompletedAfterCpAOrAChangeOfRights) {
  GivenMergedCopies();
  const TSnapshot New = Snapshot(Tree("M_Temp/Server/Data/"));
  KilledAfterTheCommit();
  ASSERT_TRUE(Exists(Office + oak::kReplacementRecord));
  const String Copy = Root + "kopie/";
  ASSERT_NO_FATAL_FAILURE(CopyWithCpA(Office, Copy));
  auto [Code, Text] = OpenAsAnotherProgram("ArtikelMain", Copy);
  EXPECT_EQ(0u, Code) << Text;
  EXPECT_EQ(New, Snapshot(Copy));
  EXPECT_FALSE(Exists(Copy + oak::kReplacementRecord));

  for (auto& E : std::filesystem::directory_iterator(Office))
    if (E.is_regular_file()) {
      ASSERT_EQ(0, ::chmod(E.path().c_str(), E.path().filename() == oak::kReplacementRecord ? 0400 : 0600));
    }
  ExpectMessage(RunCompleted());
  EXPECT_TRUE(StartedAgain());
  EXPECT_EQ(New, Snapshot(Office));
  ExpectNoLeftovers();
}

// A crafted record (one table named twice, a folder under the record's
// name or as a table) is never taken for a table in use or a failing disk:
// an open refuses it as unreadable, and the start sets it aside with the
// message of an unreadable record and goes on.
TEST_F(WriteBackTest, ACraftedRecordIsSetAsideLikeAnUnreadableOne) {
  const String Record = Office + oak::kReplacementRecord;
  auto Named = [](const std::vector<std::pair<String, String>>& Lines) {
    String Text = "MDS-REPLACE 3\n" + std::to_string(Lines.size()) + "\n";
    for (auto& [Prepared, Target] : Lines) Text += Prepared + "\t" + Target + "\t-\n";
    return Text + "END\n";
  };
  std::vector<std::pair<String, std::function<void()>>> Cases = {
      {"one table twice",
       [&] {
         WriteFile(Record, Named({{"Adressen.OAT.~mds", "Adressen.OAT"}, {"Auftraege.OAT.~mds", "Adressen.OAT"}}));
       }},
      {"a folder", [&] { std::filesystem::create_directories(Record); }},
      {"a folder as a table", [&] {
         std::filesystem::create_directories(Office + "Ordner.OAT");
         WriteFile(Record, Named({{"Adressen.OAT.~mds", "Ordner.OAT"}}));
       }}};
  for (auto& [What, Craft] : Cases) {
    SCOPED_TRACE(What);
    const TSnapshot Old = Snapshot(Office);
    std::filesystem::copy_file(Office + "Adressen.OAT", Office + "Adressen.OAT.~mds");
    std::filesystem::copy_file(Office + "Auftraege.OAT", Office + "Auftraege.OAT.~mds");
    Craft();
    auto [Code, Text] = OpenAsAnotherProgram("Auftraege");
    EXPECT_EQ(5190u, Code) << Text;
    EXPECT_NE(String::npos, Text.find(Record + ": the replacement record cannot be read")) << Text;
    ExpectMessage("Die Datei " + Record + " eines früheren Zurückschreibens ist beschädigt.\nSie wurde als " +
                  Record + ".unlesbar beiseitegelegt.");
    EXPECT_TRUE(StartedAgain());
    EXPECT_EQ(Old, Snapshot(Office));
    EXPECT_FALSE(Exists(Record));
    EXPECT_TRUE(Exists(Record + ".unlesbar"));
    EXPECT_TRUE(Exists(Office + "Adressen.OAT.~mds.unlesbar"));
    std::filesystem::remove_all(Record + ".unlesbar");
    for (const char* Aside : {"Adressen.OAT.~mds.unlesbar", "Auftraege.OAT.~mds.unlesbar"})
      std::filesystem::remove(Office + Aside);
    ExpectNoLeftovers();
  }
}

// ---- Tables in use ------------------------------------------------------------------------

TEST_F(WriteBackTest, ATableAnotherUserHoldsOpenRefusesTheWholeWriteBack) {
  GivenMergedCopies();
  const TSnapshot Old = Snapshot(Office);
  OAKHANDLE Other = OpenEngineTable(Office + "ArtikelMain");
  const String Failure = WriteBackFailure();
  EXPECT_NE(String::npos, Failure.find("Die Datei ArtikelMain.OA")) << Failure;
  EXPECT_NE(String::npos, Failure.find("anderen Benutzer")) << Failure;
  EXPECT_EQ(Old, Snapshot(Office));
  ExpectNoLeftovers();
  // The other user's later write is kept.
  ASSERT_EQ(0u, OakAppendRecord(Other));
  UNSIGNED16 No = 0;
  ASSERT_EQ(0u, OakGetFieldNum(Other, "ArtNr", &No));
  ASSERT_EQ(0u, OakSetField(Other, No, "B-2", 3));
  ASSERT_EQ(0u, OakWriteRecord(Other));
  OakCloseTable(Other);
  EXPECT_EQ(std::vector<String>({"B-2"}), ArticleNumbers());
}

TEST_F(WriteBackTest, AnOfficeTableChangedSinceTheCopyRefusesTheWriteBackByName) {
  GivenMergedCopies();
  AddRow(Office, "ArtikelMain", {{"ArtNr", "im Büro erfasst"}});
  const TSnapshot Changed = Snapshot(Office);
  const String Failure = WriteBackFailure();
  EXPECT_NE(String::npos, Failure.find("ArtikelMain.OAT")) << Failure;
  EXPECT_NE(String::npos, Failure.find("geändert")) << Failure;
  EXPECT_EQ(String::npos, Failure.find("Adressen")) << Failure;
  EXPECT_EQ(Changed, Snapshot(Office));
  EXPECT_EQ(std::vector<String>({"im Büro erfasst"}), ArticleNumbers());
  ExpectNoLeftovers();
}

// The helper process of the write-back tests (not a test): another program
// on the office Dir. Writes the record counts of the orders, articles and
// addresses to "reader.out" beside the office; exit code 1 when a table does
// not open.
int ReadTheOffice(const char* Dir) {
  const String Office = Dir;
  OAKHANDLE C = 0, T = 0;
  UNSIGNED32 Count = 0;
  String Out;
  if (OakConnect60(Office.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C) != 0) return 1;
  for (const char* Table : {"Auftraege", "ArtikelMain", "Adressen"}) {
    if (OakOpenTable(C, (Office + Table).c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T) != 0 ||
        OakGetRecordCount(T, OAK_IGNOREFILTERS, &Count) != 0)
      return 1;
    Out += std::to_string(Count) + " ";
  }
  std::ofstream(Office + "../reader.out") << Out;
  return 0;
}

MDS_HELPER_PROCESS(OfficeReader, ReaderVariable, ReadTheOffice);

}  // namespace
