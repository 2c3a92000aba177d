// Writing a mobile installation: identity rows, rights trimming, the
// update package and the files delivered to the target.
#include <zlib.h>

#include <cstring>

#include "platform/os/fileperm.h"
#include "sync/run_fixture.h"

#include "foundation/FileUtils.h"

namespace {

String LoadBytes(const String& Path) {
  std::ifstream In(Path, std::ios::binary);
  return String(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void SaveBytes(const String& Path, const String& Bytes) {
  std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
  std::ofstream(Path, std::ios::binary) << Bytes;
}

// Unpacks an update package as the template program does: the archive
// starts at the offset in the last four bytes; entry n goes to DestRoot +
// title line n + its bare name. Returns the names written; fails the test
// on a malformed archive.
std::vector<String> Unpack(const String& Package, const String& DestRoot) {
  std::vector<String> Written;
  const String Bytes = LoadBytes(Package);
  std::size_t Pos = 0;
  auto Int = [&] {
    int32_t V = 0;
    std::memcpy(&V, Bytes.data() + Pos, 4);
    Pos += 4;
    return V;
  };
  auto Text = [&](int32_t Len) {
    String S = Bytes.substr(Pos, static_cast<std::size_t>(Len));
    Pos += static_cast<std::size_t>(Len);
    return S;
  };
  Pos = Bytes.size() - 4;
  Pos = static_cast<std::size_t>(Int());
  TStringList Folders;
  Folders.SetText(Text(Int()));
  Int();  // total size
  const int32_t Count = Int();
  for (int32_t Entry = -1; Entry < Count; ++Entry) {
    String Name = Text(Int());
    Int();  // date
    EXPECT_EQ(String("EC2", 4), Text(4));
    String Data;
    for (int32_t Len = Int(); Len != 0; Len = Int()) {
      if (Len < 0) {
        Data += Text(-Len);
        continue;
      }
      String Block = Text(Len);
      std::vector<Bytef> Out(16384);
      uLongf OutLen = Out.size();
      EXPECT_EQ(Z_OK, uncompress(Out.data(), &OutLen, reinterpret_cast<const Bytef*>(Block.data()), Block.size()));
      Data.append(reinterpret_cast<const char*>(Out.data()), OutLen);
    }
    if (Name == "FILE:LIST") continue;
    String Path = DestRoot + Folders[Entry] + ExtractFileName(Name);
    SaveBytes(Path, Data);
    Written.push_back(Folders[Entry] + ExtractFileName(Name));
  }
  EXPECT_EQ(0, Int());
  EXPECT_EQ(Bytes.size() - 4, Pos);
  return Written;
}

class MobileTest : public RunStepTest {
 protected:
  void SetUp() override {
    RunStepTest::SetUp();
    GivenOfficeWithData();
    AddRow(Office, "Auftraege", {{"ID_ORDER", "400000001"}, {"Status", "0"}});
    AddRow(Office, "Auftraege", {{"ID_ORDER", "30000001"}, {"Status", "0"}});
    GivenToolFolder();
    MakeRunForm();
  }
  // Reads the office side and checks it, as a run of mode 1 does first.
  void PrepareTree() {
    Form->ReadCurrentMandant();
    Form->CheckData(ServerCheckFiles, true);
  }
  // Keeps a copy of the packed data files as the archive writer starts.
  void SnapshotPackedFiles() {
    Form->BackupFile1->OnProgress = [this](TObject*, const String&, TPercentage, bool&) {
      if (Exists(Root + "packed")) return;
      std::filesystem::copy(Tree("M_Temp/Server/Data"), Root + "packed");
    };
  }
  bool Install() { return Form->InstallToMobile(); }
  String Package() { return Target + "ZAVOZORUZIZOVAR.EXE"; }
  std::vector<String> MobileOrders(const String& Folder) { return LiveRows(Folder, "Auftraege", "ID_ORDER"); }
};

// ---- The update package -----------------------------------------------------------------

TEST_F(MobileTest, ThePackageUnpacksToTheTrimmedDataFiles) {
  PrepareTree();
  SnapshotPackedFiles();
  EXPECT_TRUE(Install());
  std::vector<String> Names = Unpack(Package(), Root + "unpacked/");
  ASSERT_EQ(20u, Names.size());
  for (const String& Name : RunTableFiles()) {
    EXPECT_FALSE(ReadTable(Root + "packed/" + Name).empty()) << Name;
    EXPECT_EQ(ReadTable(Root + "packed/" + Name), ReadTable(Root + "unpacked/KVS/DATA/REMOTE/" + Name)) << Name;
  }
}

TEST_F(MobileTest, ThePackageEndsWithTheOffsetOfItsArchive) {
  PrepareTree();
  Install();
  String Bytes = ReadFile(Package());
  ASSERT_GT(Bytes.size(), TemplateBytes.size() + 4);
  EXPECT_EQ(TemplateBytes, Bytes.substr(0, TemplateBytes.size()));
  uint32_t Offset = 0;
  std::memcpy(&Offset, Bytes.data() + Bytes.size() - 4, 4);
  EXPECT_EQ(TemplateBytes.size(), Offset);
}

TEST_F(MobileTest, PriceTablesTravelOnlyWhenComplete) {
  WriteFile(Office + "Sprice.oat", "p");
  WriteFile(Office + "Sprice.oai", "i");
  WriteFile(Office + "PartsIncrease.oat", "p");
  PrepareTree();
  Install();
  std::vector<String> Names = Unpack(Package(), Root + "unpacked/");
  EXPECT_EQ(22u, Names.size());
  EXPECT_EQ("p", ReadFile(Root + "unpacked/KVS/DATA/REMOTE/Sprice.oat"));
  EXPECT_FALSE(Exists(Root + "unpacked/KVS/DATA/REMOTE/PartsIncrease.oat"));
}

TEST_F(MobileTest, AMissingTemplateIsReportedAndFailsTheStep) {
  std::filesystem::remove(Tool + "UPDATEMOBILE.EXE");
  Responder->AnswerWith("*", mrOk, "Cannot find the template");
  PrepareTree();
  EXPECT_THROW(Install(), ECanNotInstall2Mobile);
  ExpectAllAnswered();
}

TEST_F(MobileTest, APackageWhoseTrailerCannotBeWrittenIsDeletedAndFailsTheStep) {
  PrepareTree();
  // The archive's last progress report comes right before the trailer.
  // The archive's final report (its temporary file list already gone) comes
  // right before the trailer.
  Form->BackupFile1->OnProgress = [this](TObject*, const String&, TPercentage Percent, bool&) {
    bool ListGone = true;
    for (auto& E : std::filesystem::recursive_directory_iterator(Root + "temp"))
      if (E.path().filename().string().rfind("FID", 0) == 0) ListGone = false;
    if (Percent == 100 && ListGone) os::FaultInjection::FailNextWrites(1);
  };
  ExpectMessage("Folgender Fehler ist aufgetreten");
  EXPECT_THROW(Install(), ECanNotInstall2Mobile);
  os::FaultInjection::Reset();
  EXPECT_FALSE(Exists(Package()));
  EXPECT_FALSE(Exists(Tree(SelfExtractingPackage)));
  ExpectAllAnswered();
}

// The archive's file list is made in the run's private folder: a run killed
// while it packs leaves it there, and the next start removes it with the
// rest of that folder.
TEST_F(MobileTest, TheArchivesFileListGoesWithTheFolderOfAKilledRun) {
  PrepareTree();
  auto FileLists = [](const String& Folder) {
    std::vector<String> Found;
    for (auto& E : std::filesystem::recursive_directory_iterator(Folder))
      if (E.path().filename().string().rfind("FID", 0) == 0) Found.push_back(E.path().string());
    return Found;
  };
  std::vector<String> Lists;
  Form->BackupFile1->OnProgress = [&](TObject*, const String&, TPercentage, bool&) {
    if (!Lists.empty() || (Lists = FileLists(Root + "temp")).empty()) return;
    // The temporary folder as a kill now leaves it: nobody holds its copy's
    // owner lock.
    std::filesystem::copy(Root + "temp", Root + "killed", std::filesystem::copy_options::recursive);
  };
  EXPECT_TRUE(Install());
  ASSERT_EQ(1u, Lists.size());
  EXPECT_EQ(0u, Lists[0].rfind(Form->PrivateTempRoot, 0)) << Lists[0];
  EXPECT_TRUE(FileLists(Root + "temp").empty());
  SetVariable("TMPDIR", Root + "killed");  // the next start
  EXPECT_EQ(1, RemoveAbandonedTempDirs(PrivateTempPrefix));
  EXPECT_TRUE(FileLists(Root + "killed").empty());
}

TEST_F(MobileTest, AnArchiveErrorShowsInTheMessageBoxWhileTheWindowKeepsPainting) {
  auto OldDialog = std::exchange(TBackupFile::ErrorDialogHook, nullptr);
  auto OldPump = std::exchange(TBackupFile::ProcessMessagesHook, nullptr);
  int Painted = 0;
  auto OldPaint = SetPaintMessagePump([&Painted] { ++Painted; });
  PrepareTree();
  int Reports = 0, AtStart = -1, AtFirstBlock = -1;
  // The first report opens the archive, the second follows its first
  // block: the next archive write fails.
  Form->BackupFile1->OnProgress = [&](TObject*, const String&, TPercentage, bool&) {
    if (++Reports == 1) AtStart = Painted;
    if (Reports != 2) return;
    AtFirstBlock = Painted;
    os::FaultInjection::FailNextWrites(1);
  };
  // A full disk says so, naming the package being written.
  ExpectMessage("Cannot write to archive:\nDer Datenträger ist voll: Die Datei " + Tree("") + SelfExtractingPackage);
  ExpectMessage("Creation of self extracting EXE failed or aborted");
  EXPECT_THROW(Install(), ECanNotInstall2Mobile);
  os::FaultInjection::Reset();
  EXPECT_GT(AtFirstBlock, AtStart);  // painted between the blocks
  EXPECT_FALSE(Exists(Package()));
  SetPaintMessagePump(OldPaint);
  TBackupFile::ErrorDialogHook = OldDialog;
  TBackupFile::ProcessMessagesHook = OldPump;
  ExpectAllAnswered();
}

// ---- Identity and rights --------------------------------------------------------------

TEST_F(MobileTest, TheCopyCarriesTheInstallationsIdentity) {
  PrepareTree();
  SnapshotPackedFiles();
  Install();
  const String Packed = Root + "packed/";
  EXPECT_EQ(std::vector<String>({MobileGUID}), SetupRows(1, Packed));
  EXPECT_EQ(std::vector<String>({"2"}), SetupRows(3, Packed));
  EXPECT_EQ(std::vector<String>({"1"}), SetupRows(4, Packed));
  EXPECT_EQ(std::vector<String>({OfficeGUID}), SetupRows(5, Packed));
  EXPECT_EQ(std::vector<String>({"20261207-100000000"}), SetupRows(6, Packed));
}

TEST_F(MobileTest, RightsFourKeepOnlyTheInstallationsOwnOrders) {
  Form->CurrentRights = 4;
  PrepareTree();
  SnapshotPackedFiles();
  Install();
  EXPECT_EQ(std::vector<String>({"300000001"}), MobileOrders(Root + "packed/"));
}

TEST_F(MobileTest, RightsZeroAndOneEmptyTheOrders) {
  for (int Rights : {0, 1}) {
    Form->CurrentRights = Rights;
    std::filesystem::remove_all(Root + "packed");
    PrepareTree();
    SnapshotPackedFiles();
    Install();
    EXPECT_TRUE(MobileOrders(Root + "packed/").empty()) << Rights;
  }
}

TEST_F(MobileTest, RightsTwoKeepEveryOrder) {
  PrepareTree();
  SnapshotPackedFiles();
  Install();
  EXPECT_EQ(3u, MobileOrders(Root + "packed/").size());
}

// ---- Files of the target ---------------------------------------------------------------

TEST_F(MobileTest, TheTargetReceivesProgramConfigurationAndMarker) {
  PrepareTree();
  Install();
  EXPECT_EQ("program tovar.exe", ReadFile(Target + "tovar.exe"));
  EXPECT_EQ(OakLocalConfigText(), ReadFile(Target + "oaklocal.cfg"));
  EXPECT_EQ(MobileGUID, Trim(ReadFile(Target + "KELPAMBO.FILE")));
  EXPECT_TRUE(Exists(Target + "ZUVID.INI"));
}

// A program file keeps the name it has in the tool's folder, so that the
// final message's "TOVAR.EXE" names the file on the mobile side too.
TEST_F(MobileTest, ProgramFilesKeepTheirNamesFromTheToolsFolder) {
  std::filesystem::rename(Tool + "tovar.exe", Tool + "TOVAR.EXE");
  PrepareTree();
  Install();
  EXPECT_TRUE(std::filesystem::exists(Target + "TOVAR.EXE"));
  EXPECT_FALSE(std::filesystem::exists(Target + "tovar.exe"));
}

// The mobile side starts the package and the host's programs: they keep
// (or get) the executable bit; data files stay plain.
TEST_F(MobileTest, ThePackageAndTheProgramsAreExecutableOnTheMobileSide) {
  ASSERT_TRUE(SetFileExecutable(Tool + "tovar.exe"));
  PrepareTree();
  Install();
  EXPECT_TRUE(IsFileExecutable(Package()));
  EXPECT_TRUE(IsFileExecutable(Target + "tovar.exe"));
  EXPECT_TRUE(Exists(Target + "extend.chr"));
  EXPECT_FALSE(IsFileExecutable(Target + "extend.chr"));
  EXPECT_FALSE(IsFileExecutable(Target + "KELPAMBO.FILE"));
}

TEST_F(MobileTest, OakLocalConfigHasExactlyItsElevenLines) {
  TStringList Lines;
  Lines.SetText(OakLocalConfigText());
  ASSERT_EQ(11, Lines.Count());
  EXPECT_EQ("[SETTINGS]", Lines[0]);
  EXPECT_EQ("ERROR_ASSERT_LOGS=C:\\", Lines[6]);
  EXPECT_EQ("LOWERCASE_ALL_PATHS=", Lines[10]);
}

TEST_F(MobileTest, MobileSettingsStayAndCurrencySettingsAreRefreshed) {
  WriteFile(Target + "ZUVID.INI", "mobile");
  WriteFile(Target + "ALTEURO.INI", "alt");
  WriteFile(Tool + "ALTEURO.INI", "office");
  PrepareTree();
  Install();
  EXPECT_EQ("mobile", ReadFile(Target + "ZUVID.INI"));
  EXPECT_EQ("office", ReadFile(Target + "ALTEURO.INI"));
}

TEST_F(MobileTest, TheMessageForMobileIsDeliveredOnce) {
  WriteFile(Tool + "MESSAGEFORMOBILE.TXT", "Hallo");
  PrepareTree();
  Install();
  EXPECT_EQ("Hallo", ReadFile(Target + "MESSAGEFORMOBILE.TXT"));
  EXPECT_FALSE(Exists(Tool + "MESSAGEFORMOBILE.TXT"));
}

TEST_F(MobileTest, DataOnlyDeliversJustThePackage) {
  Form->snnoneKelpo->SetChecked(true);
  PrepareTree();
  EXPECT_TRUE(Install());
  EXPECT_TRUE(Exists(Package()));
  EXPECT_FALSE(Exists(Target + "tovar.exe"));
  EXPECT_FALSE(Exists(Target + "oaklocal.cfg"));
}

TEST_F(MobileTest, TheTemporaryTreeIsEmptiedAfterwards) {
  PrepareTree();
  EXPECT_TRUE(Install());
  EXPECT_EQ("Fertig!", Form->Label3copy->Caption());
  for (auto& E : std::filesystem::recursive_directory_iterator(Tree("M_Temp")))
    EXPECT_TRUE(E.is_directory()) << E.path();
}

}  // namespace

namespace {

TEST_F(MobileTest, ATargetThatCannotTakeThePackageFailsTheStep) {
  std::filesystem::remove_all(Target);
  WriteFile(Root + "mobile", "a file where the folder should be");
  PrepareTree();
  EXPECT_THROW(Install(), ECanNotInstall2Mobile);
}

}  // namespace
