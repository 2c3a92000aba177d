#include "foundation/UCommonFolders.h"

#include <gtest/gtest.h>

#include "TempTree.h"

TEST(CommonFolders, ForceDirsCreatesTheWholeChainOnce) {
  TempTree T;
  EXPECT_TRUE(ForceDirs(T.Root + "x/y/"));
  EXPECT_TRUE(T.Exists("x/y"));
  EXPECT_TRUE(ForceDirs(T.Root + "x/y/"));
}

TEST(CommonFolders, ForceDirsBelowAFileFails) {
  TempTree T;
  T.Write("file", "data");
  EXPECT_FALSE(ForceDirs(T.Root + "file/sub/"));
  EXPECT_THROW(ForceDirs(""), EInOutError);
}

TEST(CommonFolders, SpecialFoldersAreCreatedUnderTheirRoots) {
  TempTree T;
  T.SetFolderVariable("MDS_COMMON_APPDATA", "appdata");
  T.SetFolderVariable("MDS_COMMON_DOCUMENTS", "docs");
  EXPECT_EQ(GetCommonAppDataFolder(), T.Root + "appdata/Torvane-Installation/");
  EXPECT_TRUE(T.Exists("appdata/Torvane-Installation"));
  EXPECT_EQ(GetCommonDocumentsPdfFolder(), T.Root + "docs/PDF-Dateien/");
  String Root = ClientRootDir();
  EXPECT_EQ(Root, T.Root + "docs/QX-ClientRoot/default/");
  EXPECT_TRUE(T.Exists("docs/QX-ClientRoot/default"));
}

TEST(CommonFolders, WithoutTheShellTheProgramFolderIsUsed) {
  TempTree T;
  T.SetProgramFolder("prog/");
  CommonFoldersShellAvailable = false;
  String Folder = GetCommonAppDataFolder();
  CommonFoldersShellAvailable = true;
  EXPECT_EQ(Folder, T.Root + "prog/");
}
