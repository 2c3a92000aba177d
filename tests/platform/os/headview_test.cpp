#include "platform/os/headview.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "temp_dir.h"

namespace {

// The view shows what another handle and another process wrote once their
// writes returned; it is refused for what it cannot show.
TEST(HeadViewTest, ShowsWritesOfOtherHandlesAndProcessesOnceTheyReturned) {
  TempDir Dir;
  const std::string Path = Dir.Put("head.bin", std::string(64, 'a'));
  os::File Reader, Writer;
  ASSERT_TRUE(Reader.Open(Path, os::Access::Read, os::Share::DenyNone).ok());
  ASSERT_TRUE(Writer.Open(Path, os::Access::ReadWrite, os::Share::DenyNone).ok());
  os::HeadView View;
  EXPECT_FALSE(View.Map(os::File(), 16));                             // no file
  EXPECT_FALSE(View.Map(Reader, std::size_t(::sysconf(_SC_PAGESIZE)) + 1));  // more than a page
  if (!View.Map(Reader, 36)) GTEST_SKIP() << "no view on this file system";
  auto Seen = [&View] {
    char Buf[8];
    View.Read(20, Buf, sizeof Buf);
    return std::string(Buf, sizeof Buf);
  };
  EXPECT_EQ("aaaaaaaa", Seen());
  ASSERT_TRUE(Writer.Write(20, "12345678", 8).ok());
  EXPECT_EQ("12345678", Seen());
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    os::File Other;
    const bool Ok = Other.Open(Path, os::Access::ReadWrite, os::Share::DenyNone).ok() &&
                    Other.Write(24, "wxyz", 4).ok();
    ::_exit(Ok ? 0 : 1);
  }
  int Status = -1;
  ASSERT_EQ(Pid, ::waitpid(Pid, &Status, 0));
  ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  EXPECT_EQ("1234wxyz", Seen());
  EXPECT_TRUE(View.IsMapped());
  EXPECT_FALSE(View.Map(os::File(), 16));  // a failed map gives up the view held
  EXPECT_FALSE(View.IsMapped());
}

}  // namespace
