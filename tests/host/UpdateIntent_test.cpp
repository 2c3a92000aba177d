// The update extractor all or nothing: bad archives leave the mobile
// folder as it was, and a run killed at any point leaves every target old
// or every target new (no temporary file) once the next run has begun.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>

#include "../foundation/TempTree.h"
#include "host/ArchiveReader.h"
#include "host/UpdateIntent.h"

namespace {

namespace fs = std::filesystem;

class UpdateIntentTest : public ::testing::Test {
 protected:
  // An archive entry: its raw name bytes, its folder line and its bytes.
  struct Entry {
    std::string Name, Data;
  };
  static void Put32(std::string& Out, int V) {
    for (int I = 0; I < 4; ++I) Out += char((unsigned(V) >> (8 * I)) & 255);
  }
  // Writes a package: template bytes, an archive (title Folders, Entries
  // stored raw), the archive's offset.
  std::string Package(const std::string& Folders, const std::vector<Entry>& Entries) {
    std::string P = "#!template#", A;
    Put32(A, int(Folders.size()));
    A += Folders;
    Put32(A, 0);
    Put32(A, int(Entries.size()));
    for (const Entry& E : Entries) {
      Put32(A, int(E.Name.size()));
      A += E.Name;
      Put32(A, 0x58210000);
      A += std::string("EC2\0", 4);
      for (std::size_t At = 0; At < E.Data.size(); At += 16384) {
        std::string Block = E.Data.substr(At, 16384);
        Put32(A, -int(Block.size()));
        A += Block;
      }
      Put32(A, 0);
    }
    Put32(A, 0);
    P += A;
    Put32(P, 11);
    return T.Write("pkg.exe", P);
  }
  // Every file below the mobile folder with its bytes.
  std::map<std::string, std::string> Mobile() const {
    std::map<std::string, std::string> Out;
    if (!fs::exists(Root)) return Out;
    for (auto& E : fs::recursive_directory_iterator(Root))
      Out[E.path().string().substr(Root.size())] = E.is_directory() ? "<dir>" : T.Read("m/" + E.path().string().substr(Root.size()));
    return Out;
  }
  // Extracting Pkg fails and changes nothing.
  void ExpectRefusedAndUntouched(const std::string& Pkg) {
    auto Before = Mobile();
    EXPECT_THROW(ExtractUpdatePackage(Pkg, Root), EArchiveError);
    EXPECT_EQ(Before, Mobile());
  }

  TempTree T;
  std::string Root = T.Root + "m/";
};

TEST_F(UpdateIntentTest, BadArchivesLeaveTheMobileFolderAsItWas) {
  T.Write("m/DATA/a.oat", "old a");
  T.Write("m/DATA/b.oat", "old b");
  T.Write("m/DATA/dir.oat/keep", "x");
  ExpectRefusedAndUntouched(Package("DATA\\\r\nDATA\\\r\n", {{"C:\\x\\a.oat", "new"}, {"C:\\y\\A.OAT", "new"}}));
  ExpectRefusedAndUntouched(Package("DATA\\\r\nDATA\\\r\n", {{"C:\\x\\b.oat", "new"}, {"C:\\x\\dir.oat", "new"}}));
  ExpectRefusedAndUntouched(Package("DATA\\\r\n", {{std::string("C:\\x\\a\0.oat", 12), "new"}}));
  ExpectRefusedAndUntouched(Package("DATA\\\r\n", {{"C:\\x\\a\x01.oat", "new"}}));
  ExpectRefusedAndUntouched(Package("DATA\\\r\nDATA\\..\\..\\\r\n", {{"a.oat", "new"}, {"evil", "new"}}));
  ExpectRefusedAndUntouched(Package("DATA\\\r\n/tmp/\r\n", {{"a.oat", "new"}, {"evil", "new"}}));
  ExpectRefusedAndUntouched(Package("DATA\\a.oat\\\r\n", {{"b.oat", "new"}}));  // a folder under a file
  ExpectRefusedAndUntouched(Package("DATA\\\r\nNEW\\\r\n", {{"a.oat", "new"}, {"..", "new"}}));
  EXPECT_FALSE(T.Exists("m/NEW"));
}

TEST_F(UpdateIntentTest, AGoodArchiveReplacesEveryTargetAndLeavesNoTraces) {
  T.Write("m/DATA/a.oat", "old a");
  ASSERT_EQ(2, ExtractUpdatePackage(Package("data\\\r\nNEW\\SUB\\\r\n", {{"C:\\x\\A.OAT", "new a"}, {"b", "new b"}}), Root));
  std::map<std::string, std::string> Want = {
      {"DATA", "<dir>"}, {"DATA/a.oat", "new a"}, {"NEW", "<dir>"}, {"NEW/SUB", "<dir>"}, {"NEW/SUB/b", "new b"}};
  EXPECT_EQ(Want, Mobile());
}

TEST_F(UpdateIntentTest, TheRunsOwnNamesAndLinksAreNeverWrittenThrough) {
  // An entry named like another one's temporary file keeps its own bytes,
  // whichever comes first.
  ASSERT_EQ(2, ExtractUpdatePackage(Package("DATA\\\r\nDATA\\\r\n", {{"keep.txt.part", "part"}, {"keep.txt", "keep"}}), Root));
  EXPECT_EQ((std::map<std::string, std::string>{{"DATA", "<dir>"}, {"DATA/keep.txt", "keep"}, {"DATA/keep.txt.part", "part"}}),
            Mobile());
  // The intent record and its fresh copy are no entry's target.
  ExpectRefusedAndUntouched(Package("\r\n", {{"zavozoruzizovar.INTENT", "x"}}));
  ExpectRefusedAndUntouched(Package("ZAVOZORUZIZOVAR.intent.new\\\r\n", {{"a", "x"}}));
  // A link below the destination leads nowhere: not on extracting, not on
  // finishing a record that names a path through it.
  T.Write("outside/a.oat", "outside");
  fs::create_directory_symlink(T.Root + "outside", Root + "DATA/LINK");
  ExpectRefusedAndUntouched(Package("DATA\\LINK\\\r\n", {{"a.oat", "new"}}));
  T.Write("m/ZAVOZORUZIZOVAR.intent", "UPDATEMOBILE INTENT 1\nR\nF\t0\t" + Root + "DATA/LINK/a.oat.part\t" + Root +
                                         "DATA/LINK/a.oat\nEND\n");
  T.Write("outside/a.oat.part", "new");
  EXPECT_THROW(TUpdateIntent(Root).Recover(), EArchiveError);
  EXPECT_EQ(T.Read("outside/a.oat"), "outside");
}

TEST_F(UpdateIntentTest, ARunKilledWhileWritingIsUndoneAndOneKilledWhileReplacingIsFinished) {
  T.Write("m/DATA/a.oat", "old");
  TUpdateStep Step{Root + "DATA/a.oat.part", Root + "DATA/a.oat", 0x58210000};
  TUpdateIntent Writing(Root);
  Writing.BeginWriting({Step}, {Root + "NEW/"});
  fs::create_directory(Root + "NEW");
  T.Write("m/DATA/a.oat.part", "half");
  TUpdateIntent(Root).Recover();
  EXPECT_EQ((std::map<std::string, std::string>{{"DATA", "<dir>"}, {"DATA/a.oat", "old"}}), Mobile());

  TUpdateIntent Replacing(Root);
  Replacing.BeginWriting({Step}, {});
  T.Write("m/DATA/a.oat.part", "new");
  std::string Record = T.Read("m/ZAVOZORUZIZOVAR.intent");
  Record[Record.find("\nW\n") + 1] = 'R';  // as if killed right after the record said "R"
  T.Write("m/ZAVOZORUZIZOVAR.intent", Record);
  T.Write("m/DATA/a.oat", "old");
  TUpdateIntent(Root).Recover();
  EXPECT_EQ((std::map<std::string, std::string>{{"DATA", "<dir>"}, {"DATA/a.oat", "new"}}), Mobile());
}

TEST_F(UpdateIntentTest, ExtractionsKilledAtRandomPointsEndAllOldOrAllNewAfterTheNextRun) {
  std::vector<Entry> Entries;
  std::string Folders;
  for (int I = 0; I < 12; ++I) {
    T.Write("m/DATA/f" + std::to_string(I), "old " + std::to_string(I));
    Entries.push_back({"f" + std::to_string(I), std::string(150000, char('a' + I))});
    Folders += "DATA\\\r\n";
  }
  std::string Pkg = Package(Folders, Entries);
  // Kill points spread over the time one whole run takes here.
  auto Start = std::chrono::steady_clock::now();
  ASSERT_EQ(12, ExtractUpdatePackage(Pkg, Root));
  auto Span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - Start);
  std::mt19937 Rng(7);
  for (int Round = 0; Round < 20; ++Round) {
    for (int I = 0; I < 12; ++I) T.Write("m/DATA/f" + std::to_string(I), "old " + std::to_string(I));
    pid_t Pid = fork();
    if (Pid == 0) _exit(ExtractUpdatePackage(Pkg, Root) == 12 ? 0 : 1);
    auto Until = std::chrono::steady_clock::now() + std::chrono::microseconds(Rng() % (Span.count() * 6 / 5 + 1));
    while (std::chrono::steady_clock::now() < Until) {
    }
    kill(Pid, SIGKILL);
    waitpid(Pid, nullptr, 0);
    TUpdateIntent(Root).Recover();  // what the next run does first
    auto Now = Mobile();
    ASSERT_EQ(13u, Now.size()) << "round " << Round;  // DATA and its 12 files, nothing else
    bool AllNew = true, AllOld = true;
    for (int I = 0; I < 12; ++I) {
      const std::string& V = Now["DATA/f" + std::to_string(I)];
      AllNew = AllNew && V == Entries[I].Data;
      AllOld = AllOld && V == "old " + std::to_string(I);
    }
    ASSERT_TRUE(AllNew || AllOld) << "round " << Round;
  }
}

}  // namespace
