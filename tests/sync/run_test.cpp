// The run driver: the wizard's pages drive an installation (RunMode 1) and
// a synchronisation (RunMode 2) through the steps, each marked on page
// "3"; a failed step ends in its message; closing cleans up and, after
// "&Schließen", starts the host again.
#include "sync/run_fixture.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

#include "foundation/FileUtils.h"
#include "kill_at_change.h"
#include "platform/gui/backend.h"
#include "platform/gui/graphics_colors.h"
#include "platform/os/files.h"
#include "platform/os/process.h"
#include "platform/rtl/clock.h"
#include "sync/UStartStop.h"
#include "sync/Umsync_run.h"


namespace {

class RunTest : public RunStepTest {
 protected:
  void SetUp() override {
    RunStepTest::SetUp();
    ServicesStopped = false;
    PreviousLauncher = SetProcessLauncher([this](const TLaunchRequest& R, TProcessHandle& Process) -> DWORD {
      Launched.push_back(R);
      Process = TProcessHandle::Finished(0);
      return 0;
    });
  }
  void TearDown() override {
    SetProcessLauncher(PreviousLauncher);
    ServicesStopped = false;
    RunStepTest::TearDown();
  }

  // An office with its tables, the tool's folder with the program files
  // and the update template, and slot 1 of the list aimed at the target.
  TFsync* GivenToolAimedAtTarget() {
    GivenOffice();
    GivenToolFolder();
    MakeForm();
    AttachRunDriver(Form);
    StartDatabase();
    Form->EditInstallationEntry([this] { Form->KM->FieldByName("Path")->SetAsString(Target); });
    WatchStepMarks();
    return Form;
  }
  // The tool's folder: the host's program files (TOVAR.EXE a script
  // that starts), the update template (the built extractor when there is
  // one) and the settings file.
  void GivenToolFolder() {
    for (const char* Name : ProgramFiles) WriteFile(Tool + StoredName(Name), String("program ") + Name);
    WriteProgram(Tool + "tovar.exe");
    String Extractor = BuiltProgram("updatemobile");
    if (Extractor.empty()) WriteFile(Tool + UpdateTemplateName, "template");
    else std::filesystem::copy_file(Extractor, Tool + UpdateTemplateName);
    WriteFile(Tool + "ZUVID.INI", "[Allgemein]\r\n");
  }
  static void WriteProgram(const String& Path) {
    WriteFile(Path, "#!/bin/sh\n");
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all);
  }
  // A program built beside the tests, or "" when there is none.
  static String BuiltProgram(const String& Name) {
    std::error_code Error;
    auto Self = std::filesystem::read_symlink("/proc/self/exe", Error);
    auto Program = Self.parent_path().parent_path() / "src" / Name;
    return !Error && std::filesystem::exists(Program) ? Program.string() : String();
  }
  // The mobile side starts once: its update package unpacks the data.
  void MobileSideUnpacksItsPackage() {
    String Package = Form->CurrentPath + SelfExtractingPackage;
    ASSERT_TRUE(Exists(Package)) << Package;
    std::filesystem::permissions(Package, std::filesystem::perms::owner_all);
    ASSERT_EQ(0, std::system(("'" + Package + "' >/dev/null").c_str()));
  }
  // A first installation whose package the mobile side has unpacked;
  // skips the test when the extractor is not built.
  bool GivenInstalledMobile() {
    if (BuiltProgram("updatemobile").empty()) return false;
    InstallOnce();
    MobileSideUnpacksItsPackage();
    Marks.clear();
    return true;
  }
  // A file name as the file system keeps it: without a trailing dot.
  static String StoredName(String Name) {
    while (!Name.empty() && Name.back() == '.') Name.pop_back();
    return Name;
  }
  // Records every step label that turns bold, in order.
  void WatchStepMarks() {
    TLabel* Labels[8] = {Form->l1, Form->l2, Form->l3, Form->l4, Form->l5, Form->l6, Form->l7, Form->l8};
    for (int Step = 1; Step <= 8; ++Step) {
      TLabel* L = Labels[Step - 1];
      TWndMethod Old = L->WindowProc;
      L->WindowProc = [this, Old, L, Step](TMessage& M) {
        Old(M);
        if (M.Msg == CM_FONTCHANGED && L->Font()->Style().Contains(fsBold) &&
            (Marks.empty() || Marks.back() != Step))
          Marks.push_back(Step);
      };
    }
  }

  // Act runs once, when Label's step is marked.
  static void WhenStepMarked(TLabel* Label, std::function<void()> Act) {
    TWndMethod Old = Label->WindowProc;
    Label->WindowProc = [Old, Label, Act, Done = false](TMessage& M) mutable {
      Old(M);
      if (Done || M.Msg != CM_FONTCHANGED || !Label->Font()->Style().Contains(fsBold)) return;
      Done = true;
      Act();
    };
  }

  // ---- Wizard verbs ----------------------------------------------------------------
  void ClickNext() { Form->WizardNotebook1->Next(Form->FlatButton_next); }
  void ClickBack() { Form->WizardNotebook1->Back(Form->FlatButton_back); }
  String Page() const {
    TWizardNotebook* W = Form->WizardNotebook1;
    return (*W->Pages())[W->PageIndex()];
  }
  // From page "0" through the target check to the run.
  void RunWizard() {
    ClickNext();
    ASSERT_EQ("2", Page());
    ClickNext();
  }
  // A first installation into the target, its message answered.
  void InstallOnce() {
    ExpectMessage("Mobile wurde neu installiert");
    RunWizard();
  }
  bool AnyShown(const String& Part) const {
    for (const String& T : ShownTexts())
      if (T.find(Part) != String::npos) return true;
    return false;
  }
  bool Grey(TLabel* L) const { return L->Font()->Color() == InactiveStepColor; }
  void ExpectBackOnListPage() {
    EXPECT_EQ("0", Page());
    EXPECT_EQ(0, Form->RunMode);
    EXPECT_TRUE(Form->FlatButton_next->Visible());
    EXPECT_EQ("&Weiter", Form->FlatButton_next->Caption());
    EXPECT_FALSE(Form->FlatButton_back->Visible());
    EXPECT_TRUE(Form->FlatButton_cancel->Enabled());
  }

  std::vector<int> Marks;
  std::vector<TLaunchRequest> Launched;
  TProcessLauncher PreviousLauncher;
};

// ---- Target page ---------------------------------------------------------------------------

TEST_F(RunTest, TargetThatFailsItsCheckSendsTheWizardBackToTheList) {
  GivenToolAimedAtTarget();
  Form->EditInstallationEntry([this] { Form->KM->FieldByName("Path")->SetAsString(""); });
  ExpectMessage("Sie müssen ein Laufwerk auf Ihrem Remotecomputer angeben.");
  ClickNext();
  ExpectBackOnListPage();
  ExpectAllAnswered();
}

TEST_F(RunTest, ChangedListIsSavedWhenTheUserAgrees) {
  GivenToolAimedAtTarget();
  Form->ConfigChanged = true;
  AnswerQuestion("Die Konfiguration wurde geändert. Jetzt speichern?", true);
  ClickNext();
  EXPECT_FALSE(Form->ConfigChanged);
  EXPECT_EQ(Target, Form->KM->FieldByName("Path")->AsString());
  ExpectAllAnswered();
}

TEST_F(RunTest, ChangedListStaysUnsavedWhenTheUserDeclines) {
  GivenToolAimedAtTarget();
  Form->ConfigChanged = true;
  AnswerQuestion("Die Konfiguration wurde geändert. Jetzt speichern?", false);
  ClickNext();
  EXPECT_TRUE(Form->ConfigChanged);
  EXPECT_EQ(1, Form->RunMode);
  ExpectAllAnswered();
}

// ---- Installation (RunMode 1) ------------------------------------------------------

TEST_F(RunTest, TargetPageFindsNoInstallationAndOffersToInstall) {
  GivenToolAimedAtTarget();
  ClickNext();
  EXPECT_EQ("2", Page());
  EXPECT_EQ(1, Form->RunMode);
  EXPECT_EQ("&Ausführen", Form->FlatButton_next->Caption());
  ExpectAllAnswered();
}

TEST_F(RunTest, InstallationMarksStepsOneThreeSevenEightOnly) {
  GivenToolAimedAtTarget();
  InstallOnce();
  EXPECT_EQ((std::vector<int>{1, 3, 7, 8}), Marks);
  for (TLabel* L : {Form->l2, Form->l4, Form->l5, Form->l6}) EXPECT_TRUE(Grey(L)) << L->Name();
  EXPECT_EQ("Zustand Mandant vor Synchronisation sichern", Form->l5->Caption());
  ExpectAllAnswered();
}

TEST_F(RunTest, InstallationReportsTheNewInstallationAndReturnsToTheList) {
  GivenToolAimedAtTarget();
  InstallOnce();
  EXPECT_TRUE(AnyShown("TOVAR.EXE starten"));
  ExpectBackOnListPage();
  EXPECT_TRUE(Exists(Target + "KelpoM/"));
  // The package's extractor carries none of the tool's resources.
  if (!BuiltProgram("updatemobile").empty()) {
    EXPECT_EQ(String::npos, ReadFile(Target + "KelpoM/" + SelfExtractingPackage).find("object Fsync: TFsync"));
  }
  EXPECT_TRUE(ServicesStopped);
  ExpectAllAnswered();
}

// After a failed run the wizard is back on the list: "Weiter" tests the
// target afresh instead of repeating the run that failed.
TEST_F(RunTest, InstallationThatCannotReadTheOfficeSaysSoAndGoesBackToTheList) {
  GivenToolAimedAtTarget();
  std::filesystem::remove(Tool + ProgramFiles[0]);
  ExpectMessage("Die Daten des aktuellen Mandanten können nicht geholt werden.");
  RunWizard();
  EXPECT_EQ((std::vector<int>{1}), Marks);
  ExpectBackOnListPage();
  ExpectAllAnswered();
}

// A full disk names the file, the space it needed and the space free;
// the wizard is back on the list rather than offering the same run again.
TEST_F(RunTest, AFullDiskIsNamedWithTheFileAndTheSpace) {
  GivenToolAimedAtTarget();
  os::FaultInjection::SetDiskFull(true);
  ExpectMessage("Der Datenträger ist voll: Die Datei " + Tree("M_Temp/Server/"));
  RunWizard();
  os::FaultInjection::Reset();
  EXPECT_TRUE(AnyShown(" kann nicht geschrieben werden. Benötigt: "));
  EXPECT_TRUE(AnyShown(", frei: "));
  EXPECT_FALSE(AnyShown("Stream-Schreibfehler"));
  ExpectBackOnListPage();
  ExpectAllAnswered();
}

TEST_F(RunTest, InstallationShowsABrokenTableOnlyByItsName) {
  GivenToolAimedAtTarget();
  WriteFile(Office + "ArtikelSub.OAT", "kein Tabellenkopf");
  ExpectMessage("Folgender Fehler ist aufgetreten:\nArtikelSub.OAT");
  RunWizard();
  EXPECT_EQ((std::vector<int>{1, 3}), Marks);
  EXPECT_FALSE(AnyShown("anscheinend defekt"));
  EXPECT_EQ("0", Page());
  ExpectAllAnswered();
}

// ---- Synchronisation (RunMode 2) -----------------------------------------------------

// An installation whose package the mobile side has unpacked, ready for
// a synchronisation.
class SynchronisationTest : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    GivenToolAimedAtTarget();
    if (!GivenInstalledMobile()) GTEST_SKIP() << "updatemobile is not built beside the tests";
  }
  void TearDown() override {
    if (PumpSet) SetPaintMessagePump(PreviousPump);
    os::FaultInjection::Reset();
    RunTest::TearDown();
  }
  // Act runs once, when step Step shows its first file: the copy line
  // begins with Verb ("sichern von", "übertragen von").
  void WhenStepCopies(int Step, const String& Verb, std::function<void()> Act) {
    if (PumpSet) SetPaintMessagePump(PreviousPump);
    PumpSet = true;
    PreviousPump = SetPaintMessagePump([this, Step, Verb, Act, Done = false]() mutable {
      if (Done || Marks.empty() || Marks.back() != Step) return;
      if (Form->Label3copy->Caption().rfind(Verb, 0) != 0) return;
      Done = true;
      Act();
    });
  }
  // A message shown that holds every one of Parts.
  bool ShownWithAll(std::initializer_list<String> Parts) const {
    for (const String& T : ShownTexts()) {
      bool All = true;
      for (const String& P : Parts) All = All && T.find(P) != String::npos;
      if (All) return true;
    }
    return false;
  }

  std::function<void()> PreviousPump;
  bool PumpSet = false;
};

TEST_F(SynchronisationTest, SecondVisitOfTheTargetFindsTheInstallationToSynchronise) {
  ClickNext();
  EXPECT_EQ(2, Form->RunMode);
  ExpectAllAnswered();
}

TEST_F(SynchronisationTest, SynchronisationMarksEveryStepAndRelocksTheOffice) {
  ExpectMessage("Mobile wurde synchronisiert.");
  RunWizard();
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}), Marks);
  for (TLabel* L : {Form->l2, Form->l4, Form->l6}) EXPECT_FALSE(Grey(L)) << L->Name();
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  EXPECT_TRUE(Form->Table_ORDERS->IsTableLocked());
  ExpectBackOnListPage();
  ExpectAllAnswered();
}

TEST_F(SynchronisationTest, SynchronisationWithoutChangesReportsFourZeroCounters) {
  ExpectMessage("Mobile wurde synchronisiert.");
  RunWizard();
  for (const char* Line : {"Aufträge aktualisiert:0\n", "Aufträge hinzugefügt:0\n", "Adressen aktualisiert:0\n",
                           "Adressen hinzugefügt:0\n"})
    EXPECT_TRUE(AnyShown(Line)) << Line;
  EXPECT_EQ(0, Form->OrdersUpdated + Form->OrdersAdded + Form->AddressesUpdated + Form->AddressesAdded);
  ExpectAllAnswered();
}

TEST_F(SynchronisationTest, MobileFileGoneAfterTheCheckFailsFetchingTheMobileData) {
  ClickNext();
  ASSERT_EQ(2, Form->RunMode);
  std::filesystem::remove(Form->CurrentPath + MobileDataFolder + "setup.OAM");
  ExpectMessage("Die Daten des mobilen Computers können nicht geholt werden.");
  ClickNext();
  EXPECT_EQ((std::vector<int>{1, 2}), Marks);
  EXPECT_EQ("0", Page());
  EXPECT_TRUE(Form->FlatButton_next->Visible());
  ExpectAllAnswered();
}

TEST_F(SynchronisationTest, SynchronisationCountsWhatTheMobileSideAdded) {
  String MobileData = Form->CurrentPath + MobileDataFolder;
  AddRow(MobileData, "Adressen", {{"ADR_46_", "3000000099"}, {"ADR_47_", "20261207-110000000"}, {"Name", "Neu"}});
  AddRow(MobileData, "Auftraege", {{"ID_ORDER", "300000099"}, {"Status", "0"}, {"ParentName", "20261207-110000000"}});
  ExpectMessage("Mobile wurde synchronisiert.");
  RunWizard();
  EXPECT_TRUE(AnyShown("Aufträge hinzugefügt:1\n"));
  EXPECT_TRUE(AnyShown("Adressen hinzugefügt:1\n"));
  EXPECT_TRUE(AnyShown("Aufträge aktualisiert:0\n"));
  ExpectAllAnswered();
}

// An order whose address has no key is named in the closing message with
// the folder that keeps it and its address. The refresh removes it from
// the laptop and a day of runs removes the run's backup; the kept data stay
// in the office folder.
TEST_F(SynchronisationTest, AnOrderTheRunCannotTakeOverIsNamedAndKeptBeyondTheBackupsCleanUp) {
  String MobileData = Form->CurrentPath + MobileDataFolder;
  AddRow(MobileData, "Adressen", {{"ADR_46_", ""}, {"ADR_47_", "20261207-110000000"}, {"Name", "Ohne Schlüssel"}});
  AddRow(MobileData, "Auftraege",
         {{"ID_ORDER", "300000077"}, {"Status", "0"}, {"ParentName", "20261207-110000000"}, {"AdressID", "1"}});
  // The message as the user sees it.
  const String Picture = PictureOfMessage("Mobile wurde synchronisiert.", "kept_orders_message.png");
  RunWizard();
  EXPECT_TRUE(Exists(Picture));
  const String Kept = Form->KeptOrdersFolder, FirstBackup = Form->BackupFolder;
  EXPECT_EQ(Office + "Nicht übernommene Aufträge/" + ExtractFileName(ExcludeTrailingPathDelimiter(FirstBackup)) + "/",
            Kept);
  EXPECT_TRUE(ShownWithAll({"Nicht übernommene Aufträge (Adresse ohne Schlüssel): 300000077",
                            "Die Aufträge und ihre Adressen liegen zur Erfassung von Hand in " + Kept}));
  MobileSideUnpacksItsPackage();
  const std::vector<String> OnLaptop = LiveRows(MobileData, "Auftraege", "ID_ORDER");
  EXPECT_EQ(OnLaptop.end(), std::find(OnLaptop.begin(), OnLaptop.end(), "300000077"));

  // Seven more backups of the day: the next run's clean-up removes them all.
  // That run is the day's last second, so that its backup is a folder of
  // its own.
  for (int I = 1; I <= 7; ++I)
    std::filesystem::create_directories(Office + "Sicherheitskopie/" + BackupFolderName(Date() + I / 86400.0) + "/Data");
  Word Year, Month, Day;
  DecodeDate(Date(), Year, Month, Day);
  TClockOverride LastSecond(TFakeClock::At(Year, Month, Day, 23, 59, 59));
  ExpectMessage("Mobile wurde synchronisiert.");
  RunWizard();
  EXPECT_FALSE(Exists(FirstBackup));
  EXPECT_TRUE(Form->KeptOrdersFolder.empty());
  EXPECT_NE(String::npos, ReadFile(Kept + "Auftraege.csv").find("300000077"));
  EXPECT_NE(String::npos, ReadFile(Kept + "Adressen.csv").find("Ohne Schlüssel"));
  ExpectAllAnswered();
}

// The desktop asks to close the window in the middle of a synchronisation:
// the form says that the run goes on, the run ends, its counters show, and
// only then does the window go; the order entered on the laptop is in the
// office.
TEST_F(SynchronisationTest, ACloseRequestDuringTheRunWaitsForItsEndAndItsMessage) {
  String MobileData = Form->CurrentPath + MobileDataFolder;
  AddRow(MobileData, "Auftraege", {{"ID_ORDER", "300000099"}, {"Status", "0"}, {"ParentName", "20261207-110000000"}});
  auto Previous = SetPaintMessagePump(PaintPendingWindows);
  std::vector<String> Infos;
  Form->OnInfo = [&](const String& Text) { Infos.push_back(Text); };
  TWndMethod Old = Form->l2->WindowProc;
  Form->l2->WindowProc = [&](TMessage& M) {
    Old(M);
    if (M.Msg == CM_FONTCHANGED && Form->l2->Font()->Style().Contains(fsBold))
      PostMessage(Form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  };
  int ClosesAtMessage = -1;
  Responder->Do("*", [&](TCustomForm* Box) {
    ClosesAtMessage = CloseCount;
    Box->SetModalResult(mrCancel);
  }, "Mobile wurde synchronisiert.");
  RunWizard();
  SetPaintMessagePump(Previous);
  EXPECT_EQ(0, ClosesAtMessage);
  EXPECT_EQ(1, CloseCount);
  EXPECT_NE(std::find(Infos.begin(), Infos.end(), "Bitte warten, die Synchronisation läuft noch"), Infos.end());
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}), Marks);
  std::vector<String> Orders = LiveRows(Office, "Auftraege", "ID_ORDER");
  EXPECT_NE(std::find(Orders.begin(), Orders.end(), "300000099"), Orders.end());
  ExpectAllAnswered();
}

TEST_F(SynchronisationTest, BrokenMobileTableIsNamedAsDefective) {
  WriteFile(Form->CurrentPath + MobileDataFolder + "ArtikelSub.OAT", "kein Tabellenkopf");
  ExpectMessage("Tabelle ArtikelSub.OAT anscheinend defekt.");
  RunWizard();
  EXPECT_TRUE(AnyShown("Das Überprüfen der Daten ist fehlgeschlagen."));
  EXPECT_EQ((std::vector<int>{1, 2, 3}), Marks);
  ExpectAllAnswered();
}

TEST_F(SynchronisationTest, AFailedWriteBackLocksTheOfficeAgainAndARetryGoesThrough) {
  os::File Other;  // another user holds a table the write-back must replace
  ASSERT_TRUE(Other.Open(Office + "TEXT.OAT", os::Access::ReadWrite, os::Share::DenyNone).ok());
  ExpectMessage("Die syncronisierten Daten können nicht in die Hauptdatenbank geschrieben werden");
  RunWizard();
  EXPECT_TRUE(AnyShown("TEXT.OAT wird von einem anderen Benutzer verwendet."));
  EXPECT_EQ("0", Page());
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  EXPECT_TRUE(Form->Table_ORDERS->IsTableLocked());
  EXPECT_TRUE(Form->OakTable_ADR->IsTableLocked());
  Other.Close();
  ExpectMessage("Mobile wurde synchronisiert.");
  RunWizard();
  ExpectBackOnListPage();
  ExpectAllAnswered();
}

// The office disk fills up while the backup or the write-back copies: the
// message of the step names the file in the office folder, the space it
// needed and the space free; the office tables stay as they were, and a
// second run, with space again, goes through.
TEST_F(SynchronisationTest, AFullOfficeDiskAtTheBackupOrTheWriteBackNamesTheFileAndTheSpace) {
  struct TCase {
    int Step;
    String Verb, Head, File;
  };
  for (const TCase& C : {TCase{5, "sichern von", "Es kann keine Sicherheitskopie der Originaldaten erstellt werden.",
                               Office + "Sicherheitskopie/Mobile Datensynchronisation vom "},
                         TCase{6, "übertragen von",
                               "Die syncronisierten Daten können nicht in die Hauptdatenbank geschrieben werden",
                               Office + "setup.OAT"}}) {
    SCOPED_TRACE(C.Verb);
    const String Before = ReadTable(Office + "Auftraege.OAT");
    Marks.clear();
    WhenStepCopies(C.Step, C.Verb, [] { os::FaultInjection::FailNextWrites(1); });
    ExpectMessage(C.Head);
    RunWizard();
    EXPECT_TRUE(ShownWithAll({C.Head, "Der Datenträger ist voll: Die Datei " + C.File,
                              " kann nicht geschrieben werden. Benötigt: ", ", frei: "}));
    EXPECT_FALSE(AnyShown("unbekannter Fehler"));
    EXPECT_EQ(C.Step, Marks.back());
    EXPECT_EQ(Before, ReadTable(Office + "Auftraege.OAT"));
    ExpectBackOnListPage();
    EXPECT_TRUE(Form->OakTable_ADR->IsTableLocked());
  }
  ExpectMessage("Mobile wurde synchronisiert.");
  RunWizard();
  ExpectAllAnswered();
}

// Another user takes the address table for himself while the write-back
// copies: the write-back is refused, and the office cannot be locked again
// at once. Both say so in German, naming the table; the engine's own text
// never shows.
TEST_F(SynchronisationTest, AnAddressTableTakenDuringTheWriteBackIsNamedInGerman) {
  OAKHANDLE OtherUser = 0, Addresses = 0;
  WhenStepCopies(6, "übertragen von", [&] {
    ASSERT_EQ(0u, OakConnect60(Office.c_str(), OAK_LOCAL_SERVER, "", "", 0, &OtherUser));
    ASSERT_EQ(0u, OakOpenTable(OtherUser, (Office + "Adressen").c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1,
                               OAK_EXCLUSIVE, &Addresses));
  });
  ExpectMessage("Die syncronisierten Daten können nicht in die Hauptdatenbank geschrieben werden");
  Responder->PressButton("*", "Schließen", "Folgender Fehler ist aufgetreten:");
  RunWizard();
  ASSERT_NE(0u, Addresses);
  OakCloseTable(Addresses);
  OakDisconnect(OtherUser);
  EXPECT_TRUE(ShownWithAll({"Die Datei Adressen.OA", " wird von einem anderen Benutzer verwendet."}));
  EXPECT_TRUE(AnyShown("Die Tabelle \"" + Office + "Adressen.OAT\" wird von einem anderen Benutzer verwendet."));
  EXPECT_FALSE(AnyShown("locked"));
  EXPECT_FALSE(AnyShown("OakTable_ADR"));
  EXPECT_EQ("0", Page());
  ExpectAllAnswered();
}

// A run killed while it writes the laptop has written the office back: the
// next start says, once, that the laptop lacks that run's data and that the
// synchronisation is to be run again. After a run that ended normally the
// start says nothing.
TEST_F(SynchronisationTest, ARunKilledWhileItWritesTheLaptopIsToBeRepeatedSaysTheNextStart) {
  int Changes = 0;  // of the laptop step
  WhenStepMarked(Form->l7, [] { mds_test::CountChanges(); });
  WhenStepMarked(Form->l8, [&] { Changes = mds_test::StopCountingChanges(); });
  ExpectMessage("Mobile wurde synchronisiert.");
  RunWizard();
  ASSERT_GT(Changes, 2);
  auto StartAgain = [this] {
    Restart();
    ExpectAllAnswered();
    AttachRunDriver(Form);
  };
  StartAgain();
  for (int Step : {1, Changes / 2}) {
    SCOPED_TRACE(Step);
    ClickNext();
    ASSERT_EQ(2, Form->RunMode);
    Form->LockDatabase(Form, false);  // the office is the run's alone
    const String Laptop = Form->CurrentPath;
    ASSERT_TRUE(mds_test::EndsKilled([&] {
      WhenStepMarked(Form->l7, [Step] { mds_test::DieBeforeChange(Step); });
      ClickNext();
    }));
    ExpectMessage(LaptopLacksRunMessage(Laptop));
    StartAgain();
    EXPECT_FALSE(Exists(Office + LaptopPendingName));
  }
}

// A run held in its laptop step keeps its reminder from a start on another
// workstation (a common folder of its own), which says nothing of it and
// leaves it; once that run is killed there, the next start says that the
// laptop lacks its data, and only once.
TEST_F(SynchronisationTest, ARunAtWorkOnItsLaptopKeepsItsReminderFromAStartElsewhere) {
  ClickNext();
  ASSERT_EQ(2, Form->RunMode);
  Form->LockDatabase(Form, false);  // the office is the run's alone
  const String Laptop = Form->CurrentPath;
  const pid_t Run = mds_test::RunInChild([&] {
    WhenStepMarked(Form->l7, [&] {
      WriteFile(Root + "im Laptopschritt", "");
      for (;;) ::pause();
    });
    ClickNext();
  });
  const bool Held = mds_test::WaitWhileRunning(Run, [&] { return Exists(Root + "im Laptopschritt"); });
  if (!Held) mds_test::EndedKilled(Run, true);
  ASSERT_TRUE(Held);
  SetVariable("MDS_COMMON_APPDATA", Root + "arbeitsplatz2");
  auto StartThere = [this] {
    delete std::exchange(Form, nullptr);
    MakeForm();
    SendMessage(Form->Handle(), WM_STARTUP, 0, 0);
    ExpectAllAnswered();
    EXPECT_TRUE(Form->OakConnection->IsConnected());
    Form->LockDatabase(Form, false);
  };
  StartThere();
  EXPECT_TRUE(Exists(Office + LaptopPendingName));
  ASSERT_TRUE(mds_test::EndedKilled(Run, true));
  ExpectMessage(LaptopLacksRunMessage(Laptop));
  StartThere();
  EXPECT_FALSE(Exists(Office + LaptopPendingName));
  StartThere();
}

// A failed backup step leaves its folder marked as incomplete, and its
// message names that folder.
TEST_F(SynchronisationTest, AFailedBackupNamesTheIncompleteFolderItLeaves) {
  WhenStepCopies(5, "sichern von", [] { os::FaultInjection::FailNextWrites(1); });
  PictureOfMessage("Es kann keine Sicherheitskopie", "backup_failed_message.png");
  RunWizard();
  String Left;
  for (auto& E : std::filesystem::directory_iterator(Office + "Sicherheitskopie"))
    if (E.path().string().find(" (unvollständig)") != String::npos) Left = E.path().string();
  ASSERT_FALSE(Left.empty());
  EXPECT_TRUE(AnyShown("\nDie unvollständige Sicherheitskopie liegt im Ordner " + Left +
                       "; stellen Sie aus ihr keine Daten wieder her."));
  ExpectAllAnswered();
}

TEST_F(SynchronisationTest, AnUnlockedOfficeIsLockedBeforeARunReadsAnything) {
  ClickNext();
  ASSERT_EQ(2, Form->RunMode);
  Form->LockDatabase(Form, false);
  bool LockedAtFirstStep = false;
  TWndMethod Old = Form->l1->WindowProc;
  Form->l1->WindowProc = [this, Old, &LockedAtFirstStep](TMessage& M) {
    Old(M);
    if (M.Msg == CM_FONTCHANGED && Form->l1->Font()->Style().Contains(fsBold))
      LockedAtFirstStep = Form->OakConnection->IsConnected() && Form->Table_ORDERS->Active() &&
                          Form->Table_ORDERS->IsTableLocked();
  };
  ExpectMessage("Mobile wurde synchronisiert.");
  ClickNext();
  EXPECT_TRUE(LockedAtFirstStep);
  ExpectAllAnswered();
}

// ---- Back navigation -----------------------------------------------------------------------

TEST_F(RunTest, BackToTheListForgetsTheTestedTarget) {
  GivenToolAimedAtTarget();
  ClickNext();
  Form->scignoreadr->SetChecked(true);
  ClickBack();
  ExpectBackOnListPage();
  EXPECT_FALSE(Form->scignoreadr->Checked());
}

// The run paints between its steps (the program's paint pump runs at those
// moments): every marked step reaches the screen while the run works, and
// so does the progress bar while the package is built.
TEST_F(RunTest, EachStepAndThePackagesProgressArePaintedWhileTheRunWorks) {
  GivenToolAimedAtTarget();
  Form->Show();
  std::vector<int> PaintedSteps;
  std::vector<Integer> PackageProgress;
  TLabel* Labels[8] = {Form->l1, Form->l2, Form->l3, Form->l4, Form->l5, Form->l6, Form->l7, Form->l8};
  auto Previous = SetPaintMessagePump([&] {
    PaintPendingWindows();
    for (int Step = 1; Step <= 8; ++Step)
      if (Labels[Step - 1]->Font()->Style().Contains(fsBold) && (PaintedSteps.empty() || PaintedSteps.back() != Step))
        PaintedSteps.push_back(Step);
    if (Trim(Form->Label3copy->Caption()) == "Installer wird erzeugt..") PackageProgress.push_back(Form->pgmain->Position());
  });
  auto PreviousHook = std::exchange(TBackupFile::ProcessMessagesHook, DispatchPaintMessages);
  InstallOnce();
  SetPaintMessagePump(Previous);
  TBackupFile::ProcessMessagesHook = PreviousHook;
  EXPECT_EQ((std::vector<int>{1, 3, 7, 8}), PaintedSteps);
  EXPECT_TRUE(std::any_of(PackageProgress.begin(), PackageProgress.end(), [](Integer P) { return P > 0 && P < 100; }))
      << PackageProgress.size() << " paints while the package was built";
  ExpectAllAnswered();
}

// The labels of steps a run skips stay readable on the page: clearly
// darker than its face.
TEST_F(RunTest, SkippedStepsStayReadableOnThePage) {
  GivenToolAimedAtTarget();
  InstallOnce();
  auto Lightness = [](TColor C) {
    TColorRef R = ColorToRGB(C);
    return (299 * int(R & 0xFF) + 587 * int((R >> 8) & 0xFF) + 114 * int((R >> 16) & 0xFF)) / 1000;
  };
  TColor Face = Form->l2->Parent()->Color();
  EXPECT_TRUE(Grey(Form->l2));
  EXPECT_GE(Lightness(Face) - Lightness(Form->l2->Font()->Color()), 80);
}

// A long copy moves the bar with its bytes within its step, and leaves
// the bar at the step's end.
TEST_F(RunTest, ALongCopyMovesTheProgressBarWithItsBytes) {
  GivenToolAimedAtTarget();
  WriteFile(Root + "gross.bin", String(200000, 'x'));
  StartProgress(*Form, 0, 4);
  std::vector<std::pair<Integer, Integer>> Seen;
  auto Previous = SetPaintMessagePump([&] { Seen.push_back({Form->pgmain->Position(), Form->pgmain->Max()}); });
  CopyWithProgress(*Form, "kopieren", "gross.bin", Root + "gross.bin", Root + "kopie.bin");
  SetPaintMessagePump(Previous);
  EXPECT_TRUE(std::any_of(Seen.begin(), Seen.end(), [](auto P) { return P.second == 400 && P.first > 0 && P.first < 100; }));
  EXPECT_EQ(1, Form->pgmain->Position());
  EXPECT_EQ(4, Form->pgmain->Max());
}

TEST_F(RunTest, ArchiveProgressMovesTheProgressBar) {
  GivenToolAimedAtTarget();
  bool Continue = true;
  Form->BackupFile1->OnProgress(Form->BackupFile1, "Adressen.OAT", 42, Continue);
  EXPECT_EQ(42, Form->pgmain->Position());
}

// ---- Closing ------------------------------------------------------------------------------------

TEST_F(RunTest, ClosingDeletesTheTemporaryTreeAndDisconnects) {
  GivenToolAimedAtTarget();
  WriteFile(RunFolder(*Form, "M_Temp") + "left.txt", "x");
  String Private = Form->PrivateTempRoot;
  Form->Close();
  EXPECT_FALSE(Exists(Private));
  EXPECT_TRUE(Form->PrivateTempRoot.empty());
  EXPECT_FALSE(Form->OakConnection->IsConnected());
  EXPECT_TRUE(Launched.empty());
}

TEST_F(RunTest, CloseButtonStartsTheHostAgain) {
  GivenToolAimedAtTarget();
  Form->FlatButton_cancel->OnClick(Form->FlatButton_cancel);
  EXPECT_EQ(1, CloseCount);
  ASSERT_EQ(1u, Launched.size());
  EXPECT_TRUE(SameText(Launched[0].Program, Tool + "TOVAR.EXE")) << Launched[0].Program;
}

TEST_F(RunTest, ServicesStoppedForARunStartAgainOnClose) {
  String Service = Tool + "kelposervice";
  WriteProgram(Service);
  WriteFile(Root + "common/Torvane-Installation/srv.txt", Service + "\r\n");
  GivenToolAimedAtTarget();
  InstallOnce();
  Form->Close();
  std::vector<String> Arguments;
  for (const TLaunchRequest& R : Launched)
    if (R.Program == Service && R.Argv.size() > 1) Arguments.push_back(R.Argv[1]);
  EXPECT_EQ((std::vector<String>{"STOP", "START"}), Arguments);
  EXPECT_FALSE(ServicesStopped);
}

}  // namespace

