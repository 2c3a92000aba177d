// The copy steps of a run, the table check, the backup with its retention
// rule and the all-or-nothing write-back.
#include "sync/run_fixture.h"

#include "kill_at_change.h"
#include "platform/os/files.h"

namespace {

class CopyStepTest : public RunStepTest {
 protected:
  void SetUp() override {
    RunStepTest::SetUp();
    GivenRunOnOffice();
  }
  // A backup folder dated Day.Month.2026 below the office.
  void GivenBackup(int Day, int Month, const String& Time = "08_00_00") {
    String Name = "Mobile Datensynchronisation vom " + Format("%.2d.%.2d.2026 ", {Day, Month}) + Time;
    WriteFile(Office + "Sicherheitskopie/" + Name + "/Data/setup.OAT", "old");
  }
  std::vector<String> Backups() {
    std::vector<String> Names;
    for (auto& E : std::filesystem::directory_iterator(Office + "Sicherheitskopie"))
      Names.push_back(E.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }
  Integer Prune() { return RemoveOldBackups(*Form, Office + "Sicherheitskopie/", Date()); }
  // The files below Folder.
  static int FilesIn(const String& Folder) {
    int Count = 0;
    for (auto& E : std::filesystem::recursive_directory_iterator(Folder)) Count += E.is_regular_file();
    return Count;
  }
};

// ---- Reading the office and the mobile side ---------------------------------------

TEST_F(CopyStepTest, ReadCurrentMandantFillsTheServerSideOfTheTree) {
  WriteFile(Office + "MACROS/Brief.RTF", "macro");
  WriteFile(Office + "Liste.TXT", "text");
  WriteFile(Office + "KundenLST_SLAYB.DA", "layout");
  EXPECT_TRUE(Form->ReadCurrentMandant());
  for (const String& Name : RunTableFiles())
    EXPECT_EQ(ReadTable(Office + Name), ReadTable(Tree("M_Temp/Server/Data/") + Name)) << Name;
  EXPECT_EQ("program tovar.exe", ReadFile(Tree("M_Temp/Server/tovar.exe")));
  EXPECT_TRUE(Exists(Tree("M_Temp/Server/ZUVID.INI")));
  EXPECT_EQ("macro", ReadFile(Tree("M_Temp/Server/Brief.RTF")));
  EXPECT_EQ("layout", ReadFile(Tree("M_Temp/Server/KundenLST_SLAYB.DA")));
  EXPECT_EQ(1, Form->MacroFiles->Count());
  EXPECT_EQ(1, Form->TextFiles->Count());
  EXPECT_EQ(1, Form->LayoutFiles->Count());
  EXPECT_EQ(MobileGUID, Trim(ReadFile(Tree("M_Temp/Server/KELPAMBO.FILE"))));
}

TEST_F(CopyStepTest, PostcodeTablesAndPluginsTravelWhenPresent) {
  WriteFile(Root + "common/Torvane-Installation/PLZVW/PLZ.OAT", "plz");
  WriteFile(Tool + "PLUGINS/Extra.FMC", "plugin");
  Form->ReadCurrentMandant();
  EXPECT_EQ(1, Form->PostcodeFiles->Count());
  EXPECT_EQ(1, Form->PluginFiles->Count());
  EXPECT_EQ("plz", ReadFile(Tree("M_Temp/Server/PLZVW/PLZ.OAT")));
  EXPECT_EQ("plugin", ReadFile(Tree("M_Temp/Server/PLUGINS/Extra.FMC")));
}

TEST_F(CopyStepTest, AMissingProgramFileFailsReadingTheOffice) {
  std::filesystem::remove(Tool + "kvpm2.exe");
  EXPECT_THROW(Form->ReadCurrentMandant(), ECanNotActiveMandant2TmpGrabbing);
}

TEST_F(CopyStepTest, FetchMobileDataCopiesTheTwentyMobileTables) {
  GivenMobileTables();
  EXPECT_TRUE(Form->FetchMobileData());
  for (const String& Name : RunTableFiles()) EXPECT_TRUE(Exists(Tree("M_Temp/Remote/Data/") + Name)) << Name;
}

TEST_F(CopyStepTest, AMobileFolderWithoutSetupMemoFailsFetching) {
  GivenMobileTables();
  std::filesystem::remove(Target + "KVS/DATA/REMOTE/setup.OAM");
  EXPECT_THROW(Form->FetchMobileData(), ECanNotMobileDataGrabbing);
}

// ---- The table check ----------------------------------------------------------------

TEST_F(CopyStepTest, CheckDataGivesAddressesWithoutKeyTheOfficeKey) {
  for (int I = 2; I <= 42; ++I) AddRow(Office, "Adressen", {{"Name", "Kunde"}, {"ADR_46_", I == 42 ? "" : "x"}});
  Form->ReadCurrentMandant();
  EXPECT_TRUE(Form->CheckData(ServerCheckFiles, true));
  std::vector<String> Keys = LiveRows(Tree("M_Temp/Server/Data/"), "Adressen", "ADR_46_");
  ASSERT_EQ(42u, Keys.size());
  EXPECT_EQ("0        42", Keys[41]);
  EXPECT_EQ("0         1", Keys[0]);
}

TEST_F(CopyStepTest, CheckDataKeepsKeysWhenNotAskedToFixThem) {
  AddRow(Office, "Adressen", {{"Name", "Ohne Schlüssel"}});
  Form->ReadCurrentMandant();
  EXPECT_TRUE(Form->CheckData(ServerCheckFiles, false));
  EXPECT_EQ("", LiveRows(Tree("M_Temp/Server/Data/"), "Adressen", "ADR_46_")[1]);
}

// The check rewrites every record's state: deleted records stay deleted,
// the others live, in their order.
TEST_F(CopyStepTest, CheckDataKeepsDeletedRecordsDeletedAndTheOthersLive) {
  for (int I = 1; I <= 12; ++I) AddRow(Office, "Adressen", {{"Name", "Kunde " + IntToStr(I)}});
  OAKHANDLE T = OpenEngineTable(Office + "Adressen");
  UNSIGNED32 Count = 0;
  ASSERT_EQ(0u, OakGetRecordCount(T, OAK_IGNOREFILTERS, &Count));
  for (UNSIGNED32 R = 1; R <= Count; R += 3) {
    ASSERT_EQ(0u, OakGotoRecord(T, R));
    ASSERT_EQ(0u, OakDeleteRecord(T));
  }
  OakCloseTable(T);
  const std::vector<String> Before = LiveRows(Office, "Adressen", "Name");
  Form->ReadCurrentMandant();
  EXPECT_TRUE(Form->CheckData(ServerCheckFiles, false));
  EXPECT_EQ(Before, LiveRows(Tree("M_Temp/Server/Data/"), "Adressen", "Name"));
  EXPECT_EQ(Count - (Count + 2) / 3, Before.size());
}

TEST_F(CopyStepTest, CheckDataNamesTheBrokenTable) {
  Form->ReadCurrentMandant();
  std::filesystem::remove(Tree("M_Temp/Server/Data/ArtikelSub.OAT"));
  try {
    Form->CheckData(ServerCheckFiles, false);
    FAIL() << "no exception";
  } catch (const ECanNotDataCheck& E) {
    EXPECT_EQ("ArtikelSub.OAT", E.Message());
  }
}

// ---- Backup and its retention -----------------------------------------------------------

TEST_F(CopyStepTest, BackupCopiesTheOfficeAndTheFetchedMobileTablesIntoADatedFolder) {
  GivenMobileTables();
  AddRow(Target + "KVS/DATA/REMOTE/", "Auftraege", {{"ID_ORDER", "300000001"}});
  Form->FetchMobileData();
  EXPECT_TRUE(Form->BackupMandant());
  String Folder = Office + "Sicherheitskopie/Mobile Datensynchronisation vom 07.12.2026 10_00_00/";
  EXPECT_EQ(Folder, Form->BackupFolder);
  for (const String& Name : RunTableFiles()) {
    EXPECT_EQ(ReadTable(Office + Name), ReadTable(Folder + "Data/" + Name)) << Name;
    EXPECT_EQ(ReadTable(Tree("M_Temp/Remote/Data/") + Name), ReadTable(Folder + "Mobil/" + Name)) << Name;
  }
  EXPECT_EQ(std::vector<String>({"300000001"}), LiveRows(Folder + "Mobil/", "Auftraege", "ID_ORDER"));
  EXPECT_NE(String::npos, Form->l5->Caption().find("Kopie der Orignaldatenbank"));
}

TEST_F(CopyStepTest, SevenBackupsAreAllKept) {
  for (int D = 1; D <= 7; ++D) GivenBackup(D, 11);
  EXPECT_EQ(0, Prune());
  EXPECT_EQ(7u, Backups().size());
}

TEST_F(CopyStepTest, EightToThirteenBackupsAreAllRemoved) {
  for (int D = 1; D <= 13; ++D) GivenBackup(D, 11);
  EXPECT_EQ(13, Prune());
  EXPECT_TRUE(Backups().empty());
}

TEST_F(CopyStepTest, OfALongRowOnlyTheYoungNewestSurvive) {
  for (int D = 1; D <= 12; ++D) GivenBackup(D, 11);
  GivenBackup(20, 11);  // position 12: removed however young
  GivenBackup(1, 12);   // position 13, six days old: removed
  GivenBackup(5, 12);   // positions 14 and 15, less than 3 days old: kept
  GivenBackup(6, 12);
  EXPECT_EQ(14, Prune());
  std::vector<String> Left = Backups();
  ASSERT_EQ(2u, Left.size());
  EXPECT_NE(String::npos, Left[0].find("05.12.2026"));
  EXPECT_NE(String::npos, Left[1].find("06.12.2026"));
}

// A backup killed half-way keeps the name of a backup at work; the next
// start names it as incomplete, once, under the name that says so, and
// leaves its files and the complete backup beside it.
TEST_F(CopyStepTest, ABackupKilledHalfWayIsMarkedIncompleteByTheNextStart) {
  GivenMobileTables();
  ASSERT_TRUE(Form->FetchMobileData());
  mds_test::CountChanges();
  EXPECT_TRUE(Form->BackupMandant());
  const int Changes = mds_test::StopCountingChanges();
  const String Complete = "Mobile Datensynchronisation vom 07.12.2026 10_00_00";
  EXPECT_EQ(Office + "Sicherheitskopie/" + Complete + "/", Form->BackupFolder);
  Clock->Advance(3600 * 1000);
  ASSERT_TRUE(mds_test::EndsKilled([&] {
    mds_test::DieBeforeChange(Changes / 2);
    Form->BackupMandant();
  }));
  const String Killed = "Mobile Datensynchronisation vom 07.12.2026 11_00_00";
  ASSERT_EQ(std::vector<String>({Complete, Killed + " (in Arbeit)"}), Backups());
  const int Copied = FilesIn(Office + "Sicherheitskopie/" + Killed + " (in Arbeit)");
  EXPECT_GT(Copied, 1);
  EXPECT_LT(Copied, 40);
  ExpectMessage("Eine frühere Synchronisation wurde nicht abgeschlossen.\nSie wurde beim Sichern des Mandanten "
                "abgebrochen: Die Daten im Datenverzeichnis sind unverändert. Die Sicherheitskopie im Ordner " +
                Office + "Sicherheitskopie/" + Killed + " (unvollständig) ist unvollständig");
  StartDatabase();
  ExpectAllAnswered();
  EXPECT_EQ(std::vector<String>({Complete, Killed + " (unvollständig)"}), Backups());
  EXPECT_EQ(Copied, FilesIn(Office + "Sicherheitskopie/" + Killed + " (unvollständig)"));
  EXPECT_EQ(40, FilesIn(Office + "Sicherheitskopie/" + Complete));
  Restart();
  ExpectAllAnswered();
}

// A removal of old backups killed at any of its steps leaves no folder with
// a dated name that lacks a file: the folder it works on has lost its dated
// name first. The next start removes what is left without a word, and
// names what it cannot remove, with the file that stays and why.
TEST_F(CopyStepTest, ARemovalOfOldBackupsKilledHalfWayLeavesNoDatedFolderIncomplete) {
  const auto Renames = os::FaultInjection::SetNameChangeHook;
  auto GivenEightFullBackups = [&] {
    for (int D = 1; D <= 8; ++D)
      for (const String& Name : RunTableFiles())
        WriteFile(Office + Format("Sicherheitskopie/Mobile Datensynchronisation vom %.2d.11.2026 08_00_00/Data/", {D}) +
                      Name, "old");
  };
  GivenEightFullBackups();
  mds_test::CountChanges(Renames);
  ASSERT_EQ(8, Prune());
  const int Steps = mds_test::StopCountingChanges(Renames);
  for (int Step : {1, 2, Steps / 2, Steps, 12}) {
    GivenEightFullBackups();
    ASSERT_TRUE(mds_test::EndsKilled([&] {
      mds_test::DieBeforeChange(Step, Renames);
      Prune();
    })) << Step;
    for (const String& Name : Backups())
      EXPECT_TRUE(Name.find(" (wird entfernt)") != String::npos || FilesIn(Office + "Sicherheitskopie/" + Name) == 20)
          << Step << ": " << Name;
    if (Step == 12) break;
    StartDatabase();
    ExpectAllAnswered();
    for (const String& Name : Backups()) EXPECT_EQ(String::npos, Name.find(" (wird entfernt)")) << Step;
  }
  // Another program holds a file of the folder that the last kill left.
  const String Left = Office + "Sicherheitskopie/Mobile Datensynchronisation vom 01.11.2026 08_00_00 (wird entfernt)";
  const String Held = std::filesystem::directory_iterator(Left + "/Data")->path().string();
  os::File Open;
  ASSERT_TRUE(Open.Open(Held, os::Access::Read, os::Share::DenyNone).ok());
  PictureOfMessage("Der Ordner " + Left + " ist unvollständig; stellen Sie aus ihm keine Daten wieder her. Er kann "
                   "nicht gelöscht werden: \"" + Held + "\": " + SysErrorMessage(ERROR_SHARING_VIOLATION),
                   "backup_removal_left.png");
  StartDatabase();
  ExpectAllAnswered();
  EXPECT_TRUE(Exists(Held));
}

// Only complete backups count, and only they are removed.
TEST_F(CopyStepTest, TheRemovalOfOldBackupsLeavesIncompleteOnesAlone) {
  for (int D = 1; D <= 7; ++D) GivenBackup(D, 11);
  GivenBackup(8, 11, "08_00_00 (unvollständig)");
  GivenBackup(9, 11, "08_00_00 (in Arbeit)");
  EXPECT_EQ(0, Prune());
  GivenBackup(10, 11);
  EXPECT_EQ(8, Prune());
  EXPECT_EQ(std::vector<String>({"Mobile Datensynchronisation vom 08.11.2026 08_00_00 (unvollständig)",
                                 "Mobile Datensynchronisation vom 09.11.2026 08_00_00 (in Arbeit)"}),
            Backups());
}

TEST_F(CopyStepTest, AFolderWithoutDateStopsTheRemovalButNotTheBackup) {
  for (int D = 1; D <= 9; ++D) GivenBackup(D, 11);
  WriteFile(Office + "Sicherheitskopie/Mobile Datensynchronisation vom gestern/x", "x");
  GivenMobileTables();
  Form->FetchMobileData();
  EXPECT_TRUE(Form->BackupMandant());
  EXPECT_EQ(11u, Backups().size());
}

// ---- Write-back -----------------------------------------------------------------------

TEST_F(CopyStepTest, WriteBackReplacesTheOfficeTables) {
  Form->ReadCurrentMandant();
  WriteFile(Tree("M_Temp/Server/Data/TEXT.OAM"), "merged memo");
  EXPECT_TRUE(Form->WriteBackMandant());
  EXPECT_EQ("merged memo", ReadFile(Office + "TEXT.OAM"));
  for (auto& E : std::filesystem::directory_iterator(Office))
    EXPECT_EQ(String::npos, E.path().string().find(".~mds")) << E.path();
}

TEST_F(CopyStepTest, AFailingCopyLeavesTheOfficeTablesAsTheyWere) {
  Form->ReadCurrentMandant();
  for (const String& Name : RunTableFiles()) WriteFile(Tree("M_Temp/Server/Data/") + Name, "new " + Name);
  String Before = ReadFile(Office + "setup.OAT");
  os::FaultInjection::FailNextWrites(1);
  EXPECT_THROW(Form->WriteBackMandant(), ECanNotUpdateMandant);
  os::FaultInjection::Reset();
  EXPECT_EQ(Before, ReadFile(Office + "setup.OAT"));
  for (auto& E : std::filesystem::directory_iterator(Office))
    EXPECT_EQ(String::npos, E.path().string().find(".~mds")) << E.path();
}

TEST_F(CopyStepTest, AFailureHalfWayReplacesNoTableAtAll) {
  Form->ReadCurrentMandant();
  for (const String& Name : RunTableFiles()) WriteFile(Tree("M_Temp/Server/Data/") + Name, "new " + Name);
  std::filesystem::remove(Tree("M_Temp/Server/Data/Auftraege.OAT"));  // the 19th of twenty
  std::map<String, String> Before;
  for (const String& Name : RunTableFiles()) Before[Name] = ReadTable(Office + Name);
  EXPECT_THROW(Form->WriteBackMandant(), ECanNotUpdateMandant);
  for (const String& Name : RunTableFiles()) EXPECT_EQ(Before[Name], ReadTable(Office + Name)) << Name;
  for (auto& E : std::filesystem::directory_iterator(Office))
    EXPECT_EQ(String::npos, E.path().string().find(".~mds")) << E.path();
}

}  // namespace
