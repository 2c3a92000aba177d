// The host's program folder: the program files a mobile installation
// receives, the update template, the INI files, help page, menu file,
// plug-in, and the service list.
#include "host/ToolFolder.h"

#include <sys/stat.h>

#include <algorithm>

#include "host_fixture.h"
#include "platform/os/fileapi.h"
#include "platform/rtl/strings.h"

namespace {

class ToolFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tool = T.Root + "Torvane/";
    Programs = {UPDATEMOBILE_PATH, T.Write("build/tovar", "#!/bin/sh\nexit 0\n")};
  }
  void Create() { CreateToolFolder(Tool, Programs); }
  std::vector<std::string> Lines(const std::string& Rel) {
    TStringList L;
    L.LoadFromFile(T.Root + Rel);
    std::vector<std::string> Out;
    for (Integer I = 0; I < L.Count(); ++I) Out.push_back(L[I]);
    return Out;
  }
  bool HasLine(const std::string& Rel, const std::string& Line) {
    auto L = Lines(Rel);
    return std::find(L.begin(), L.end(), Line) != L.end();
  }

  TempTree T;
  std::string Tool;
  TToolPrograms Programs;
};

}  // namespace

TEST_F(ToolFolderTest, TheNineProgramFilesAreThereUnderTheNamesTheToolAsksFor) {
  Create();
  for (const char* Name : {"tovar.exe", "extend.chr", "OAKLOC32.dll.", "oaklocal.cfg", "ANSI.CHR",
                           "oxcws32.dll", "Oce32.dll", "kvpp2.exe", "kvpm2.exe"})
    EXPECT_TRUE(FileExists(Tool + Name)) << Name;
}

TEST_F(ToolFolderTest, TheTemplateIsAnExecutableCopyOfTheBuiltExtractor) {
  Create();
  std::ifstream In(UPDATEMOBILE_PATH, std::ios::binary);
  std::string Built((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  EXPECT_EQ(T.Read("Torvane/UPDATEMOBILE.EXE"), Built);
  struct stat St {};
  ASSERT_EQ(0, stat((Tool + "UPDATEMOBILE.EXE").c_str(), &St));
  EXPECT_TRUE(St.st_mode & S_IXUSR);
}

TEST_F(ToolFolderTest, TovarIsTheGivenProgram) {
  Create();
  EXPECT_EQ(T.Read("Torvane/TOVAR.EXE"), "#!/bin/sh\nexit 0\n");
}

TEST_F(ToolFolderTest, SettingsHelpAndPluginFilesAreThere) {
  Create();
  for (const char* Name : {"ALTEURO.INI", "ZUVID.INI", "synchlp.htm", "ZS.MNU", "PLUGINS/Etiketten.FMC"})
    EXPECT_TRUE(FileExists(Tool + Name)) << Name;
  EXPECT_TRUE(HasLine("Torvane/ALTEURO.INI", "EURO=1"));
}

TEST_F(ToolFolderTest, TheMenuFileListsOtherToolsAsPathSemicolonTitle) {
  Create();
  auto Menu = Lines("Torvane/ZS.MNU");
  ASSERT_EQ(Menu.size(), 2u);
  EXPECT_EQ(Menu[0], Tool + "kvpp2.exe;Preispflege");
  EXPECT_EQ(Menu[1], Tool + "kvpm2.exe;Mahnwesen");
}

TEST_F(ToolFolderTest, AMissingProgramIsRefused) {
  Programs.Tovar = T.Root + "fehlt/tovar";
  EXPECT_THROW(Create(), EHostSetupError);
}

TEST_F(ToolFolderTest, ASecondCreationRefreshesTheFolder) {
  Create();
  T.Write("Torvane/ZS.MNU", "kaputt");
  Create();
  EXPECT_EQ(Lines("Torvane/ZS.MNU").size(), 2u);
}

TEST_F(ToolFolderTest, TheServiceListHoldsOneProgramALine) {
  std::string List = T.Root + "common/Torvane-Installation/srv.txt";
  WriteServiceList(List, {"/opt/a/dienst1", "/opt/b/dienst2"});
  EXPECT_EQ(Lines("common/Torvane-Installation/srv.txt"),
            (std::vector<std::string>{"/opt/a/dienst1", "/opt/b/dienst2"}));
}
