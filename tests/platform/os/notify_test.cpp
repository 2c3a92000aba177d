#include "platform/os/notify.h"

#include <gtest/gtest.h>

#include <thread>

#include "temp_dir.h"

namespace {

class NotifyTest : public ::testing::Test {
 protected:
  TempDir dir;
  TChangeHandle h;
  void TearDown() override {
    if (h.Valid()) FindCloseChangeNotification(h);
  }
  void Watch(const std::string& name, bool subtree, DWORD filter) {
    h = FindFirstChangeNotification(dir / name, subtree, filter);
    ASSERT_TRUE(h.Valid()) << GetLastError();
  }
};

TEST_F(NotifyTest, NewFileSignalsTheHandle) {
  dir.MakeDir("watched");
  Watch("watched", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);
  dir.Put("watched/new.txt");
  EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);  // stays signalled
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);
}

TEST_F(NotifyTest, FolderNameFilterIgnoresNewFiles) {
  Watch("", false, FILE_NOTIFY_CHANGE_DIR_NAME);
  dir.Put("file.txt");
  EXPECT_EQ(WaitForSingleObject(h, 50), WAIT_TIMEOUT);
  dir.MakeDir("sub");
  EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
}

TEST_F(NotifyTest, SubtreeWatchSeesChangesInNewSubFolders) {
  Watch("", true, FILE_NOTIFY_CHANGE_FILE_NAME);
  dir.MakeDir("a");
  EXPECT_EQ(WaitForSingleObject(h, 50), WAIT_TIMEOUT);  // a folder is no file name
  dir.Put("a/deep.txt");
  EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
}

TEST_F(NotifyTest, MissingFolderGivesAnInvalidHandle) {
  TChangeHandle bad = FindFirstChangeNotification(dir / "none", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  EXPECT_FALSE(bad.Valid());
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  dir.Put("file");
  bad = FindFirstChangeNotification(dir / "file", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  EXPECT_FALSE(bad.Valid());
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
}

TEST_F(NotifyTest, ClosingWakesAWaitingThread) {
  Watch("", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  TChangeHandle copy = h;
  DWORD result = 0;
  std::thread waiter([&] { result = WaitForSingleObject(copy, INFINITE); });
  FindCloseChangeNotification(h);
  waiter.join();
  EXPECT_EQ(result, WAIT_FAILED);
}

}  // namespace
