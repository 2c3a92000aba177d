// The temporary tree of a run: a folder of its session alone, which no
// planted link can redirect and which two sessions never share.
#include <sys/stat.h>

#include "sync/run_fixture.h"

namespace {

const char* const SessionVariable = "MDS_SYNC_OTHER_SESSION";

class TempTreeTest : public RunStepTest {
 protected:
  void SetUp() override {
    RunStepTest::SetUp();
    GivenRunOnOffice();
  }
  static unsigned Mode(const String& Path) {
    struct stat St;
    return ::lstat(Path.c_str(), &St) == 0 ? St.st_mode & 0777 : 0;
  }
  void CloseTree(TFsync* F) {
    String Path;
    F->InstallerDir(String(), true, Path);
  }
};

TEST_F(TempTreeTest, ALinkPlantedAtTheOldFixedNameIsNeitherUsedNorFollowed) {
  WriteFile(Root + "victim/Data/Adressen.OAT", "someone else's table");
  std::filesystem::create_directory_symlink(Root + "victim", Root + "temp/Kelpo-Laptop-Installer");
  ASSERT_TRUE(Form->ReadCurrentMandant());
  const String Tree = RunFolder(*Form, "");
  EXPECT_EQ(String::npos, Tree.find(Root + "temp/Kelpo-Laptop-Installer")) << Tree;
  EXPECT_EQ(0700u, Mode(Form->PrivateTempRoot.substr(0, Form->PrivateTempRoot.size() - 1)));
  CloseTree(Form);
  EXPECT_FALSE(Exists(Tree));
  EXPECT_EQ("someone else's table", ReadFile(Root + "victim/Data/Adressen.OAT"));
  EXPECT_TRUE(std::filesystem::is_symlink(Root + "temp/Kelpo-Laptop-Installer"));
}

TEST_F(TempTreeTest, ALinkInsideTheTreeGoesAsALink) {
  WriteFile(Root + "victim/keep.txt", "keep");
  ASSERT_TRUE(Form->ReadCurrentMandant());
  std::filesystem::create_directory_symlink(Root + "victim", Tree("M_Temp/Server/Data/link"));
  CloseTree(Form);
  EXPECT_EQ("keep", ReadFile(Root + "victim/keep.txt"));
}

TEST_F(TempTreeTest, TwoSessionsAtOnceKeepTheirOwnTrees) {
  // Another session (this test program started again as the helper below)
  // reads its office into a tree in the same temporary folder.
  pid_t Other = StartHelperProcess("TempTreeTest.OtherSession", SessionVariable, Root + "temp");
  ASSERT_NE(0, Other);
  ASSERT_TRUE(Form->ReadCurrentMandant());
  const String Mine = RunFolder(*Form, "");
  ASSERT_TRUE(WaitForFile(Root + "temp/other.tree"));
  const String Theirs = ReadFile(Root + "temp/other.tree");
  EXPECT_NE(Mine, Theirs);
  EXPECT_TRUE(Exists(Theirs + "M_Temp/Server/Data/TEXT.OAM"));
  WriteFile(Root + "temp/other.release", "");
  int Status = 0;
  EXPECT_EQ(Other, waitpid(Other, &Status, 0));
  EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  EXPECT_FALSE(Exists(Theirs));
  for (const String& Name : RunTableFiles()) EXPECT_TRUE(Exists(Mine + "M_Temp/Server/Data/" + Name)) << Name;
}

// The other session of TwoSessionsAtOnceKeepTheirOwnTrees.
TEST_F(TempTreeTest, OtherSession) {
  const char* Temp = getenv(SessionVariable);
  if (!Temp) GTEST_SKIP() << "runs only as the helper process of the temporary tree tests";
  const String Shared = Temp;
  setenv("TMPDIR", Temp, 1);
  ASSERT_TRUE(Form->ReadCurrentMandant());
  const String Tree = RunFolder(*Form, "");
  WriteFile(Shared + "/other.tree.part", Tree);
  std::filesystem::rename(Shared + "/other.tree.part", Shared + "/other.tree");
  ASSERT_TRUE(WaitForFile(Shared + "/other.release"));
  CloseTree(Form);
}

TEST_F(TempTreeTest, ClosingWithoutARunMakesNoTree) {
  String Path = "unchanged";
  Form->InstallerDir(String(), true, Path);
  EXPECT_EQ("", Path);
  EXPECT_TRUE(Form->PrivateTempRoot.empty());
  EXPECT_TRUE(std::filesystem::is_empty(Root + "temp"));
}

}  // namespace
