// The target check of a list slot and the probe of the mobile installation
// found there: the refusals of a bad path, a new installation (mode 1), a
// broken one (mode 1 on request), a synchronisation (mode 2) and the
// identity checks that refuse one.
#include "sync_fixture.h"

namespace {

class ProbeTest : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    GivenOffice();
    MakeForm();
    StartDatabase();
    SelectSlot(3, Target);
  }
  // Makes list slot Row the selected entry with target Path.
  void SelectSlot(Integer Row, const String& Path) {
    Form->KM->First();
    for (Integer I = 1; I < Row; ++I) Form->KM->Next();
    Form->ReadCurrentEntry();
    Form->CurrentPath = Path;
  }
  String Installation() const { return Target + "KelpoM/"; }
  String MobileData() const { return Installation() + "KVS/DATA/REMOTE/"; }
  String OfficeGUID() const { return Settings()->DatabaseID(); }
  String Stamp(TDateTime When) const { return DateTimeToStamp(When); }
  // A complete mobile installation of the selected slot, last synchronised
  // a day ago; each identity text can be overridden.
  void GivenMobileInstallation(String SlotGUID = "", String ID = "3", String Office = "", String LastSync = "") {
    CreateTables(MobileData());
    GivenSetupRow(1, SlotGUID.empty() ? Form->CurrentGUID : SlotGUID, MobileData());
    GivenSetupRow(4, ID, MobileData());
    GivenSetupRow(5, Office.empty() ? OfficeGUID() : Office, MobileData());
    GivenSetupRow(6, LastSync.empty() ? Stamp(Now() - 1) : LastSync, MobileData());
    WriteFile(Installation() + "KELPAMBO.FILE", Form->CurrentGUID + "\r\n");
  }
  bool Check() { return Form->CheckTarget(); }
  String Info() const { return Form->BaseDir->Caption(); }
};

TEST_F(ProbeTest, AnEmptyPathIsRefused) {
  Form->CurrentPath = "";
  ExpectMessage("Sie müssen ein Laufwerk auf Ihrem Remotecomputer angeben.");
  EXPECT_FALSE(Check());
  EXPECT_EQ(Form->RunMode, 0);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AMissingFolderIsRefused) {
  Form->CurrentPath = Root + "fehlt";
  ExpectMessage("Auf dieses Verzeichnis kann nicht zugegriffen werden.");
  EXPECT_FALSE(Check());
  EXPECT_FALSE(Exists(Root + "fehlt"));
  ExpectAllAnswered();
}

TEST_F(ProbeTest, APathWithKelpoMInItsMiddleIsRefused) {
  std::filesystem::create_directories(Target + "KelpoM/alt/");
  Form->CurrentPath = Target + "KelpoM/alt";
  ExpectMessage("Dieses Verzeichnis kann nicht benutzt werden.");
  EXPECT_FALSE(Check());
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AnEmptyTargetIsANewInstallationInKelpoM) {
  Form->CurrentPath = Root + "mobile";  // without trailing delimiter
  EXPECT_TRUE(Check());
  EXPECT_EQ(Form->RunMode, 1);
  EXPECT_EQ(Form->CurrentPath, Installation());
  EXPECT_TRUE(std::filesystem::is_directory(Installation()));
  EXPECT_FALSE(Exists(Installation() + "000.tmp"));
  EXPECT_EQ(Info(), "<B>Keine  Mobile Installation in<BR>" + Installation() + " gefunden.<BR>" +
                        "Drücken Sie [Ausführen] um  Mobile mit Daten zu installieren.<BR>" +
                        "Die Installation kann erfolgen in<BR>" + Installation());
  EXPECT_EQ(Form->FlatInstalls2->Text(), Installation());
  EXPECT_EQ(Form->Label62342->Caption(), "Das Verzeichnis für \"Kelpa Mobile\" ist: " + Installation() +
                                             "  / Die ID ist: 5 / letzter Abgleich: ");
  ExpectAllAnswered();
}

TEST_F(ProbeTest, APathEndingInKelpoMIsUsedAsItIs) {
  std::filesystem::create_directories(Installation());
  Form->CurrentPath = Installation();
  EXPECT_TRUE(Check());
  EXPECT_EQ(Form->CurrentPath, Installation());
  EXPECT_FALSE(Exists(Installation() + "KelpoM"));
}

TEST_F(ProbeTest, AnEmptyMobileDataFolderIsANewInstallationWithoutQuestion) {
  std::filesystem::create_directories(MobileData());
  EXPECT_TRUE(Check());
  EXPECT_EQ(Form->RunMode, 1);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, ATargetThatCannotTakeAFileIsRefusedNamingTheTarget) {
  std::filesystem::create_directories(Installation() + "000.tmp/");  // a folder in its place
  ExpectMessage("Das Ziel ist nicht erreichbar oder Sie haben kein Recht dieses Ziel zu benutzen:\n" +
                Installation());
  EXPECT_FALSE(Check());
  EXPECT_EQ(Form->RunMode, 0);
  EXPECT_EQ(Info(), "<B>Überprüfen...</B>");
  ExpectAllAnswered();
}

TEST_F(ProbeTest, SomeFilesMissingAsksToOverwrite) {
  GivenMobileInstallation();
  std::filesystem::remove(MobileData() + "setup.OAM");
  AnswerQuestion("Möchten Sie diese Installation überschreiben?", true);
  EXPECT_TRUE(Check());
  EXPECT_EQ(Form->RunMode, 1);
  EXPECT_NE(Info().find("Unvollständige  Mobile Installation in"), String::npos);
  EXPECT_NE(Info().find(Installation() + "KelpoM/"), String::npos);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, RefusingToOverwriteABrokenInstallationLeavesNothingToDo) {
  CreateTables(MobileData());
  std::filesystem::remove(MobileData() + "Auftraege.OAI");
  AnswerQuestion("Es wurden Teile einer  Mobile Installation", false);
  EXPECT_FALSE(Check());
  EXPECT_EQ(Form->RunMode, 0);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AMatchingInstallationIsSynchronised) {
  TDateTime LastSync = EncodeDate(2026, 12, 6) + EncodeTime(17, 30, 5, 250);
  GivenMobileInstallation("", "3", "", Stamp(LastSync));
  EXPECT_TRUE(Check());
  EXPECT_EQ(Form->RunMode, 2);
  EXPECT_NEAR(Form->LastSyncDate, LastSync, 1e-8);
  EXPECT_EQ(Info(), "<B> Mobile gefunden in:<BR>" + Installation() +
                        "<BR>Drücken Sie [Ausführen], um Ihre Daten zu synchronisieren.</B>");
  EXPECT_NE(Form->Label62342->Caption().find("/ letzter Abgleich: " + DateTimeToStr(LastSync)), String::npos);
  EXPECT_EQ(Form->Label3copy->Caption(), "Rechte checken...");
  EXPECT_TRUE(Exists(Tool + "tmp/KELPAMBO.FILE"));
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AMissingMarkerFileEndsInTheGenericMessage) {
  GivenMobileInstallation();
  std::filesystem::remove(Installation() + "KELPAMBO.FILE");
  ExpectMessage("Die Installation scheint defekt zu sein.");
  EXPECT_FALSE(Check());
  EXPECT_EQ(Form->RunMode, 0);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AMarkerOfAnotherSlotIsAWrongMandant) {
  GivenMobileInstallation();
  WriteFile(Installation() + "KELPAMBO.FILE", "{00000000-0000-0000-0000-000000000001}\r\n");
  ExpectMessage("Die gefundene Datenbank entspricht nicht der gewählten ID");
  EXPECT_FALSE(Check());
  EXPECT_EQ(Form->RunMode, 0);
  EXPECT_NE(Info().find("Falscher  Mobile Mandant in<BR>" + Installation() + " gefunden."), String::npos);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AnInstallationOfAnotherOfficeIsAWrongMandant) {
  GivenMobileInstallation("", "3", "{11111111-2222-3333-4444-555555555555}");
  ExpectMessage("gehört nicht zum aktuellen Mandanten");
  EXPECT_FALSE(Check());
  EXPECT_EQ(Form->RunMode, 0);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AnotherSlotGuidInTheDatabaseNamesTheFoundID) {
  GivenMobileInstallation("{11111111-2222-3333-4444-555555555555}", "2");
  ExpectMessage("Die gefundene ID ist aber falsch: 4");
  EXPECT_FALSE(Check());
  EXPECT_EQ(Form->RunMode, 0);
  EXPECT_NE(Info().find("Die gefundene Datenbank gehört zur Quelldatenbank.<BR>"), String::npos);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AnotherIDInTheDatabaseIsRefused) {
  GivenMobileInstallation("", "2");
  ExpectMessage("Die gefundene ID ist aber falsch: 4");
  EXPECT_FALSE(Check());
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AnIDOutsideOneToSevenReportsTheCharacterOfZero) {
  GivenMobileInstallation("", "9");
  ExpectMessage("Die gefundene ID ist aber falsch: 0");
  EXPECT_FALSE(Check());
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AnIDThatIsNoNumberEndsInTheGenericMessage) {
  GivenMobileInstallation("", "drei");
  ExpectMessage("Die Installation scheint defekt zu sein.");
  EXPECT_FALSE(Check());
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AStampOneMinuteInTheFutureBlocksTheRun) {
  GivenMobileInstallation("", "3", "", Stamp(Now() + 1.0 / 1440));
  ExpectMessage("Der Zeitstempel dieser Datenbank liegt in der Zukunft:");
  EXPECT_FALSE(Check());
  EXPECT_EQ(Form->RunMode, 0);
  ExpectAllAnswered();
}

TEST_F(ProbeTest, AnUnreadableStampCountsAsNeverSynchronised) {
  GivenMobileInstallation("", "3", "", "gestern");
  EXPECT_TRUE(Check());
  EXPECT_EQ(Form->RunMode, 2);
  EXPECT_EQ(Form->LastSyncDate, 0);
}

TEST_F(ProbeTest, TheProbeReleasesTheMobileTables) {
  GivenMobileInstallation();
  EXPECT_TRUE(Check());
  OAKHANDLE T = OAK_INVALID_HANDLE;
  EXPECT_EQ(0u, OakOpenTable(EngineConnection(), (MobileData() + "setup").c_str(), nullptr, OAK_OAT, OAK_ANSI,
                             1, 1, OAK_EXCLUSIVE, &T));
  OakCloseTable(T);
}

}  // namespace
