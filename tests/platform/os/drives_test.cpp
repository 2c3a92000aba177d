#include "platform/os/drives.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace {

TEST(DrivesTest, RootIsTheFirstDrive) {
  std::vector<String> drives = GetLogicalDriveStrings();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives[0], "/");
  for (const String& d : drives) EXPECT_EQ(d.back(), '/');
}

TEST(DrivesTest, RootIsAFixedDriveCalledSystem) {
  EXPECT_EQ(GetDriveType("/"), DRIVE_FIXED);
  String label, fs;
  ASSERT_TRUE(GetVolumeInformation("/", label, fs));
  EXPECT_EQ(label, "System");
  EXPECT_FALSE(fs.empty());
}

TEST(DrivesTest, MissingFolderIsNoDrive) {
  TempDir dir;
  EXPECT_EQ(GetDriveType(dir / "none"), DRIVE_NO_ROOT_DIR);
  String label, fs;
  EXPECT_FALSE(GetVolumeInformation(dir / "none", label, fs));
}

TEST(DrivesTest, FolderBelongsToTheDriveItLiesOn) {
  TempDir dir;
  EXPECT_NE(GetDriveType(dir.Path()), DRIVE_NO_ROOT_DIR);
}

}  // namespace
