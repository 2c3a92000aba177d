#include "platform/os/find.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "temp_dir.h"

namespace {

class FindTest : public ::testing::Test {
 protected:
  TempDir dir;

  // All names FindFirst/FindNext report for Mask (inside the folder) and Attr.
  std::vector<std::string> Found(const std::string& Mask, int Attr) {
    std::vector<std::string> names;
    TSearchRec sr;
    for (int rc = FindFirst(dir / Mask, Attr, sr); rc == 0; rc = FindNext(sr))
      names.push_back(sr.Name);
    FindClose(sr);
    return names;
  }
  using Names = std::vector<std::string>;
};

TEST_F(FindTest, ArchiveMaskFindsPlainFilesOnly) {
  dir.Put("b.txt");
  dir.Put("A.TXT");
  dir.Put(".hidden");
  dir.MakeDir("sub");
  EXPECT_EQ(Found("*.*", faArchive), (Names{"A.TXT", "b.txt"}));
}

TEST_F(FindTest, AnyFileFindsFoldersHiddenFilesAndTheDotEntries) {
  dir.Put("b.txt");
  dir.Put(".hidden");
  dir.MakeDir("sub");
  EXPECT_EQ(Found("*.*", faAnyFile), (Names{".", "..", ".hidden", "b.txt", "sub"}));
}

TEST_F(FindTest, DirectoryMaskAddsFoldersButNotHiddenFiles) {
  dir.Put("b.txt");
  dir.Put(".hidden");
  dir.MakeDir("sub");
  EXPECT_EQ(Found("*", faDirectory), (Names{".", "..", "b.txt", "sub"}));
}

TEST_F(FindTest, ReadOnlyFilesAreOrdinaryFiles) {
  dir.Put("ro.txt");
  ::chmod((dir / "ro.txt").c_str(), 0444);
  TSearchRec sr;
  ASSERT_EQ(FindFirst(dir / "*.txt", faArchive, sr), 0);
  EXPECT_EQ(sr.Name, "ro.txt");
  EXPECT_EQ(sr.Attr & (faReadOnly | faArchive), faReadOnly | faArchive);
  FindClose(sr);
}

TEST_F(FindTest, WildcardsIgnoreCase) {
  dir.Put("Report1.TXT");
  dir.Put("report22.txt");
  dir.Put("other.doc");
  EXPECT_EQ(Found("REPORT?.txt", faArchive), (Names{"Report1.TXT"}));
  EXPECT_EQ(Found("*.TXT", faArchive), (Names{"Report1.TXT", "report22.txt"}));
  EXPECT_EQ(Found("*LST_SLAYB.DA", faArchive), Names{});
}

TEST_F(FindTest, StarDotStarMatchesNamesWithoutADot) {
  dir.Put("Makefile");
  EXPECT_EQ(Found("*.*", faArchive), (Names{"Makefile"}));
  EXPECT_EQ(Found("makefile.*", faArchive), (Names{"Makefile"}));
}

TEST_F(FindTest, SearchRecordCarriesSizeTimeAndFindData) {
  dir.Put("data.bin", std::string(1234, 'z'));
  TSearchRec sr;
  ASSERT_EQ(FindFirst(dir / "DATA.BIN", faAnyFile, sr), 0);
  EXPECT_EQ(sr.Name, "data.bin");
  EXPECT_EQ(sr.Size, 1234);
  EXPECT_EQ(sr.Time, FileAge(dir / "data.bin"));
  EXPECT_EQ(sr.FindData.nFileSizeLow, 1234u);
  EXPECT_EQ(sr.FindData.cFileName, "data.bin");
  EXPECT_NE(sr.FindData.ftLastWriteTime.dwHighDateTime, 0u);
  FindClose(sr);
}

TEST_F(FindTest, NothingMatchingGivesNoMoreFiles) {
  dir.Put("a.txt");
  TSearchRec sr;
  EXPECT_EQ(FindFirst(dir / "*.doc", faArchive, sr), static_cast<int>(ERROR_NO_MORE_FILES));
  FindClose(sr);
}

TEST_F(FindTest, MissingFolderGivesPathNotFound) {
  TSearchRec sr;
  EXPECT_EQ(FindFirst(dir / "none/*.*", faAnyFile, sr), static_cast<int>(ERROR_PATH_NOT_FOUND));
  FindClose(sr);
}

TEST_F(FindTest, FolderPartIsResolvedWithoutCase) {
  dir.Put("Macros/x.RTF");
  EXPECT_EQ(Found("MACROS/*.rtf", faArchive), (Names{"x.RTF"}));
}

TEST_F(FindTest, FindNextAfterTheEndKeepsSayingNoMoreFiles) {
  dir.Put("a.txt");
  TSearchRec sr;
  ASSERT_EQ(FindFirst(dir / "*.txt", faArchive, sr), 0);
  EXPECT_EQ(FindNext(sr), static_cast<int>(ERROR_NO_MORE_FILES));
  EXPECT_EQ(FindNext(sr), static_cast<int>(ERROR_NO_MORE_FILES));
  FindClose(sr);
  EXPECT_EQ(FindNext(sr), static_cast<int>(ERROR_INVALID_HANDLE));
}

TEST(MatchesMaskTest, QuestionMarkTakesOneWholeCharacter) {
  EXPECT_TRUE(MatchesMask("Ä.txt", "?.TXT"));
  EXPECT_FALSE(MatchesMask("ab.txt", "?.txt"));
  EXPECT_TRUE(MatchesMask("a_SUPERLAYOUT.DA1", "*_superlayout.da1"));
  EXPECT_FALSE(MatchesMask("a_SUPERLAYOUT.DA12", "*_superlayout.da1"));
}

}  // namespace
