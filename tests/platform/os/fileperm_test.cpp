// The executable bit: a copied program is made startable, by any spelling
// of its name; a missing file is reported.
#include "platform/os/fileperm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/os/errors.h"
#include "temp_dir.h"

namespace {

mode_t ModeOf(const std::string& Path) {
  struct stat St{};
  ::stat(Path.c_str(), &St);
  return St.st_mode & 0777;
}

TEST(FilePermTest, ReadBitsBringTheirExecuteBits) {
  TempDir dir;
  std::string p = dir.Put("TOVAR.EXE");
  ::chmod(p.c_str(), 0640);
  EXPECT_FALSE(IsFileExecutable(p));
  EXPECT_TRUE(SetFileExecutable(dir / "tovar.exe"));  // found without regard to case
  EXPECT_EQ(ModeOf(p), mode_t(0750));
  EXPECT_TRUE(IsFileExecutable(dir / "Tovar.Exe"));
}

TEST(FilePermTest, AMissingFileIsReportedAndAFolderIsNoProgram) {
  TempDir dir;
  EXPECT_FALSE(SetFileExecutable(dir / "fehlt.exe"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(IsFileExecutable(dir / "fehlt.exe"));
  EXPECT_FALSE(IsFileExecutable(dir.Path()));
}

}  // namespace
