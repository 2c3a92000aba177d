#include "platform/os/fileapi.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/os/files.h"
#include "temp_dir.h"
#include "platform/rtl/exceptions.h"

namespace {

class FileApiTest : public ::testing::Test {
 protected:
  TempDir dir;
  void MakeReadOnly(const std::string& name) { ::chmod((dir / name).c_str(), 0444); }
  bool IsWritable(const std::string& name) {
    struct stat st;
    return ::stat((dir / name).c_str(), &st) == 0 && (st.st_mode & S_IWUSR);
  }
};

// ---- attributes ---------------------------------------------------------------

TEST_F(FileApiTest, PlainFileCarriesTheArchiveBit) {
  dir.Put("a.txt");
  EXPECT_EQ(GetFileAttributes(dir / "A.TXT"), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FileApiTest, FolderReadOnlyAndHiddenBitsAreReported) {
  dir.MakeDir("sub");
  dir.Put(".hidden");
  dir.Put("ro.txt");
  MakeReadOnly("ro.txt");
  EXPECT_EQ(GetFileAttributes(dir / "sub") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(GetFileAttributes(dir / ".hidden") & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(GetFileAttributes(dir / "ro.txt") & FILE_ATTRIBUTE_READONLY);
}

TEST_F(FileApiTest, MissingNamesGiveInvalidAttributesAndTheReason) {
  EXPECT_EQ(GetFileAttributes(dir / "none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributes(dir / "nodir/none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(GetFileAttributes(""), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST_F(FileApiTest, SettingReadOnlyTakesTheWriteBitsAndClearingGivesThemBack) {
  dir.Put("a.txt");
  ASSERT_TRUE(SetFileAttributes(dir / "a.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_FALSE(IsWritable("a.txt"));
  ASSERT_TRUE(SetFileAttributes(dir / "a.txt", FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(IsWritable("a.txt"));
  EXPECT_EQ(FileGetAttr(dir / "a.txt"), faArchive);
}

TEST_F(FileApiTest, ClearedArchiveBitStaysClearedWhereTheFileSystemCanStoreIt) {
  dir.Put("a.txt");
  ASSERT_TRUE(SetFileAttributes(dir / "a.txt", FILE_ATTRIBUTE_NORMAL));
  DWORD a = GetFileAttributes(dir / "a.txt");
  EXPECT_TRUE(a == FILE_ATTRIBUTE_NORMAL || a == FILE_ATTRIBUTE_ARCHIVE);
}

// ---- folders and files ------------------------------------------------------

TEST_F(FileApiTest, CreateDirectoryReportsExistingAndMissingParent) {
  EXPECT_TRUE(CreateDirectory(dir / "a"));
  EXPECT_FALSE(CreateDirectory(dir / "A"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectory(dir / "x/y"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileApiTest, ForceDirectoriesMakesEveryParent) {
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c/"));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c"));
  EXPECT_THROW(ForceDirectories(""), EInOutError);
}

TEST_F(FileApiTest, ForceDirectoriesBelowAFileFails) {
  dir.Put("f");
  EXPECT_FALSE(ForceDirectories(dir / "f/sub"));
}

TEST_F(FileApiTest, RemoveDirectoryRefusesAFullFolder) {
  dir.Put("a/x.txt");
  EXPECT_FALSE(RemoveDirectory(dir / "a"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  ASSERT_TRUE(DeleteFile(dir / "a/X.TXT"));
  EXPECT_TRUE(RemoveDirectory(dir / "A"));
}

TEST_F(FileApiTest, DeleteFileRefusesReadOnlyFilesAndFolders) {
  dir.Put("ro.txt");
  MakeReadOnly("ro.txt");
  EXPECT_FALSE(DeleteFile(dir / "ro.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  dir.MakeDir("sub");
  EXPECT_FALSE(DeleteFile(dir / "sub"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFile(dir / "none"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileApiTest, DeleteFileRefusesAFileHeldOpen) {
  dir.Put("t.oat");
  os::File f;
  ASSERT_TRUE(f.Open(dir / "t.oat", os::Access::ReadWrite, os::Share::DenyNone).ok());
  EXPECT_FALSE(DeleteFile(dir / "t.oat"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  f.Close();
  EXPECT_TRUE(DeleteFile(dir / "t.oat"));
}

TEST_F(FileApiTest, MoveFileRenamesButNeverOverwrites) {
  dir.Put("a.txt", "A");
  dir.Put("b.txt", "B");
  EXPECT_FALSE(MoveFile(dir / "a.txt", dir / "B.TXT"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFile(dir / "A.TXT", dir / "c.txt"));
  EXPECT_EQ(dir.Read("c.txt"), "A");
  EXPECT_TRUE(RenameFile(dir / "c.txt", dir / "C.txt"));  // a change of case only
  EXPECT_TRUE(dir.Has("C.txt"));
}

TEST_F(FileApiTest, CopyFileKeepsContentAndDate) {
  dir.Put("a.txt", "content");
  ASSERT_EQ(FileSetDate(dir / "a.txt", DateTimeToFileDate(40000.5)), 0);
  ASSERT_TRUE(CopyFile(dir / "a.txt", dir / "b.txt", true));
  EXPECT_EQ(dir.Read("b.txt"), "content");
  EXPECT_EQ(FileAge(dir / "b.txt"), FileAge(dir / "a.txt"));
  EXPECT_FALSE(CopyFile(dir / "a.txt", dir / "b.txt", true));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_TRUE(CopyFile(dir / "a.txt", dir / "b.txt", false));
}

TEST_F(FileApiTest, CopyFileOfAMissingSourceFails) {
  EXPECT_FALSE(CopyFile(dir / "none", dir / "b.txt", false));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(dir.Has("b.txt"));
}

TEST_F(FileApiTest, FileAndDirectoryExistTellFilesFromFolders) {
  dir.Put("Setup.OAT");
  dir.MakeDir("Data");
  EXPECT_TRUE(FileExists(dir / "setup.oat"));
  EXPECT_FALSE(FileExists(dir / "data"));
  EXPECT_TRUE(DirectoryExists(dir / "DATA"));
  EXPECT_FALSE(DirectoryExists(dir / "setup.oat"));
  EXPECT_FALSE(FileExists(dir / "none"));
}

// ---- paths and current folder ---------------------------------------------------

TEST_F(FileApiTest, FullPathNameFoldsDotsAndKeepsATrailingSlash) {
  EXPECT_EQ(GetFullPathName("/a/./b/../c"), "/a/c");
  EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
  EXPECT_EQ(ExpandFileName("/.."), "/");
}

TEST_F(FileApiTest, CurrentFolderCanBeChangedAndRelativeNamesFollowIt) {
  String before = GetCurrentDir();
  dir.MakeDir("Work");
  ASSERT_TRUE(SetCurrentDir(dir / "work"));
  EXPECT_EQ(ExpandFileName("x.txt"), std::filesystem::canonical(dir / "Work").string() + "/x.txt");
  EXPECT_FALSE(SetCurrentDir(dir / "none"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(SetCurrentDir(before));
}

// ---- dates and disk ---------------------------------------------------------------

TEST_F(FileApiTest, DosDatesRoundTripInTwoSecondSteps) {
  TDateTime t = 45000.0 + (13 * 3600 + 45 * 60 + 31) / 86400.0;  // 13:45:31
  int dos = DateTimeToFileDate(t);
  TDateTime back = FileDateToDateTime(dos);
  EXPECT_NEAR(back, 45000.0 + (13 * 3600 + 45 * 60 + 30) / 86400.0, 1e-9);
}

TEST_F(FileApiTest, FileSetDateIsReadBackByFileAge) {
  dir.Put("a.txt");
  int age = DateTimeToFileDate(44000.25);
  ASSERT_EQ(FileSetDate(dir / "a.txt", age), 0);
  EXPECT_EQ(FileAge(dir / "A.txt"), age);
  EXPECT_EQ(FileAge(dir / "none"), -1);
  os::File f;
  ASSERT_TRUE(f.Open(dir / "a.txt", os::Access::Read, os::Share::DenyNone).ok());
  EXPECT_EQ(FileGetDate(f), age);
}

TEST_F(FileApiTest, DiskFreeIsPositiveForAnExistingFolder) {
  EXPECT_GT(DiskFree(dir.Path()), 0);
  EXPECT_GE(DiskSize(dir.Path()), DiskFree(dir.Path()));
  EXPECT_EQ(DiskFree(dir / "none/x"), -1);
}

}  // namespace
