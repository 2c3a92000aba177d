// The temporary tree of a run: a folder of its session alone, which no
// planted link can redirect and which two sessions never share.
#include <sys/stat.h>

#include "sync/run_fixture.h"

namespace {

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

TEST_F(TempTreeTest, TwoSessionsAtOnceKeepTheirOwnTrees) {
  ASSERT_TRUE(Form->ReadCurrentMandant());
  const String Mine = RunFolder(*Form, ""), MyRoot = Form->PrivateTempRoot;
  Form->PrivateTempRoot.clear();  // a second session in the same temporary folder
  const String Theirs = RunFolder(*Form, "");
  EXPECT_NE(Mine, Theirs);
  WriteFile(Theirs + "M_Temp/Server/Data/TEXT.OAM", "theirs");
  CloseTree(Form);  // the second session ends
  EXPECT_FALSE(Exists(Theirs));
  for (const String& Name : RunTableFiles()) EXPECT_TRUE(Exists(Mine + "M_Temp/Server/Data/" + Name)) << Name;
  Form->PrivateTempRoot = MyRoot;
}

}  // namespace
