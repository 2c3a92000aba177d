#include "platform/os/folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/os/fileapi.h"
#include "temp_dir.h"
#include "scoped_env.h"

namespace {

using EnvVar = ScopedEnv;

class FoldersTest : public ::testing::Test {
 protected:
  TempDir dir;
  void TearDown() override {
    SetProgramPath("");
    SetCommandLineArgs({});
  }
};

TEST_F(FoldersTest, TempPathFollowsTmpdirAndEndsWithASlash) {
  EnvVar tmp("TMPDIR", dir.Path());
  EXPECT_EQ(GetTempPath(), dir.Path() + "/");
}

TEST_F(FoldersTest, TempPathDefaultsToSlashTmp) {
  EnvVar tmp("TMPDIR", "");
  EXPECT_EQ(GetTempPath(), "/tmp/");
}

TEST_F(FoldersTest, EachSpecialFolderHasItsOverride) {
  const std::pair<int, const char*> folders[] = {
      {CSIDL_COMMON_APPDATA, "MDS_COMMON_APPDATA"}, {CSIDL_COMMON_DOCUMENTS, "MDS_COMMON_DOCUMENTS"},
      {CSIDL_APPDATA, "MDS_APPDATA"},               {CSIDL_PERSONAL, "MDS_PERSONAL"},
      {CSIDL_WINDOWS, "MDS_WINDOWS"}};
  for (const auto& [csidl, var] : folders) {
    std::string want = dir / var;
    EnvVar over(var, want + "/");
    String path;
    EXPECT_EQ(SHGetFolderPath(csidl | CSIDL_FLAG_CREATE, path), S_OK) << var;
    EXPECT_EQ(path, want) << var;
    EXPECT_TRUE(DirectoryExists(want)) << var;
  }
}

TEST_F(FoldersTest, MissingFolderIsOnlyMadeWhenAskedTo) {
  EnvVar over("MDS_COMMON_DOCUMENTS", dir / "docs");
  String path;
  EXPECT_EQ(SHGetFolderPath(CSIDL_COMMON_DOCUMENTS, path), E_FAIL);
  EXPECT_EQ(path, dir / "docs");
  EXPECT_EQ(SHGetSpecialFolderPath(CSIDL_COMMON_DOCUMENTS, false), "");
  EXPECT_EQ(SHGetSpecialFolderPath(CSIDL_COMMON_DOCUMENTS, true), dir / "docs");
}

TEST_F(FoldersTest, UnknownFolderNumberIsRefused) {
  String path = "x";
  EXPECT_EQ(SHGetFolderPath(0x7777, path), E_INVALIDARG);
  EXPECT_EQ(path, "");
}

TEST_F(FoldersTest, WindowsFolderIsWhereOakIniIsLookedUp) {
  EnvVar over("MDS_WINDOWS", dir.Path());
  EXPECT_EQ(GetWindowsDirectory(), dir.Path());
}

TEST_F(FoldersTest, CommandLineArgumentsAreNumberedFromOne) {
  const char* argv[] = {"prog", "/data/office", "1", "12340"};
  SetCommandLine(4, argv);
  EXPECT_EQ(ParamCount(), 3);
  EXPECT_EQ(ParamStr(1), "/data/office");
  EXPECT_EQ(ParamStr(3), "12340");
  EXPECT_EQ(ParamStr(4), "");
  EXPECT_EQ(ParamStr(-1), "");
}

TEST_F(FoldersTest, ProgramPathIsTheRunningExecutableUnlessReplaced) {
  EXPECT_NE(ParamStr(0).find("test_platform_os"), std::string::npos);
  SetProgramPath(dir / "bin/Tool.exe");
  EXPECT_EQ(ParamStr(0), dir / "bin/Tool.exe");
  EXPECT_EQ(GetProgramDir(), dir / "bin/");
}

}  // namespace
