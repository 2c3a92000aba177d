#include "platform/os/headview.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
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
    EXPECT_TRUE(View.Read(20, Buf, sizeof Buf));
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

// A view whose file another handle cuts to nothing reads as broken (zeros,
// and false) instead of ending the process; once the file holds bytes
// again, a new view shows them.
TEST(HeadViewTest, AFileCutToNothingBreaksTheViewAndANewViewSeesItRegrown) {
  TempDir Dir;
  const std::string Path = Dir.Put("cut.bin", std::string(64, 'a'));
  os::File Reader, Writer;
  ASSERT_TRUE(Reader.Open(Path, os::Access::Read, os::Share::DenyNone).ok());
  ASSERT_TRUE(Writer.Open(Path, os::Access::ReadWrite, os::Share::DenyNone).ok());
  os::HeadView View;
  if (!View.Map(Reader, 36)) GTEST_SKIP() << "no view on this file system";
  char Buf[8];
  ASSERT_TRUE(View.Read(20, Buf, sizeof Buf));
  EXPECT_EQ("aaaaaaaa", std::string(Buf, sizeof Buf));
  ASSERT_TRUE(Writer.Truncate(0).ok());
  EXPECT_FALSE(View.Read(20, Buf, sizeof Buf));
  EXPECT_EQ(std::string(8, '\0'), std::string(Buf, sizeof Buf));
  EXPECT_TRUE(View.IsBroken());
  ASSERT_TRUE(Writer.Write(0, std::string(64, 'b').data(), 64).ok());
  EXPECT_FALSE(View.Read(20, Buf, sizeof Buf));  // broken for good
  ASSERT_TRUE(View.Map(Reader, 36));
  EXPECT_FALSE(View.IsBroken());
  ASSERT_TRUE(View.Read(20, Buf, sizeof Buf));
  EXPECT_EQ("bbbbbbbb", std::string(Buf, sizeof Buf));
}

// Two views of one file both break; a view of another file is untouched.
TEST(HeadViewTest, OnlyTheViewsOfTheFileCutShortBreak) {
  TempDir Dir;
  const std::string Cut = Dir.Put("cut.bin", std::string(64, 'a'));
  const std::string Kept = Dir.Put("kept.bin", std::string(64, 'k'));
  os::File CutFile, KeptFile;
  ASSERT_TRUE(CutFile.Open(Cut, os::Access::ReadWrite, os::Share::DenyNone).ok());
  ASSERT_TRUE(KeptFile.Open(Kept, os::Access::Read, os::Share::DenyNone).ok());
  os::HeadView First, Second, Other;
  if (!First.Map(CutFile, 16)) GTEST_SKIP() << "no view on this file system";
  ASSERT_TRUE(Second.Map(CutFile, 16));
  ASSERT_TRUE(Other.Map(KeptFile, 16));
  ASSERT_TRUE(CutFile.Truncate(0).ok());
  char Buf[4];
  EXPECT_FALSE(Second.Read(0, Buf, sizeof Buf));
  EXPECT_FALSE(First.Read(0, Buf, sizeof Buf));
  ASSERT_TRUE(Other.Read(0, Buf, sizeof Buf));
  EXPECT_EQ("kkkk", std::string(Buf, sizeof Buf));
  EXPECT_FALSE(Other.IsBroken());
}

sigjmp_buf gBack;
volatile sig_atomic_t gTestHandlerRan = 0;

void TestHandler(int) {
  gTestHandlerRan = 1;
  siglongjmp(gBack, 1);
}

// Maps the first page of a file of Dir and cuts the file to nothing: a
// load from the mapping faults. Not a view.
const volatile char* PlainMappingOfACutFile(const TempDir& Dir) {
  const std::string Path = Dir.Put("plain.bin", std::string(64, 'p'));
  const int Fd = ::open(Path.c_str(), O_RDWR);
  if (Fd < 0) return nullptr;
  void* P = ::mmap(nullptr, 64, PROT_READ, MAP_SHARED, Fd, 0);
  const bool Cut = ::ftruncate(Fd, 0) == 0;
  ::close(Fd);
  return P != MAP_FAILED && Cut ? static_cast<const volatile char*>(P) : nullptr;
}

// Runs in a process of its own (the handler of the views is installed once
// per process, and must come after the test's handler): with a test handler
// in place, a view installs the handler of the views, and a fault outside
// every view reaches the test handler. Restores the signal action it found.
int FaultOutsideAViewWithATestHandler() {
  TempDir Dir;
  struct sigaction Test {}, Before {};
  Test.sa_handler = TestHandler;
  ::sigemptyset(&Test.sa_mask);
  if (::sigaction(SIGBUS, &Test, &Before) != 0) return 10;
  os::File Viewed;
  os::HeadView View;
  if (!Viewed.Open(Dir.Put("view.bin", std::string(64, 'v')), os::Access::Read,
                   os::Share::DenyNone).ok() || !View.Map(Viewed, 16))
    return 11;
  struct sigaction Now {};
  ::sigaction(SIGBUS, nullptr, &Now);
  if (Now.sa_handler == TestHandler) return 14;  // the view's handler must come after
  const volatile char* Plain = PlainMappingOfACutFile(Dir);
  if (!Plain) return 12;
  if (sigsetjmp(gBack, 1) == 0) (void)Plain[0];
  char Buf[4];
  const bool ViewGood = View.Read(0, Buf, sizeof Buf) && std::string(Buf, 4) == "vvvv";
  ::munmap(const_cast<char*>(Plain), 64);
  ::sigaction(SIGBUS, &Before, nullptr);
  return gTestHandlerRan && ViewGood ? 0 : 13;
}

// Runs in a process of its own with no SIGBUS handler: a fault outside
// every view ends the process as it would without views.
// The folder is removed before the fault (the open file and the mappings
// stay), as the process does not come back from it.
void FaultOutsideAViewWithTheDefaultAction() {
  os::File Viewed;
  os::HeadView View;
  const volatile char* Plain = nullptr;
  {
    TempDir Dir;
    if (!Viewed.Open(Dir.Put("view.bin", std::string(64, 'v')), os::Access::Read,
                     os::Share::DenyNone).ok() || !View.Map(Viewed, 16))
      std::_Exit(11);
    Plain = PlainMappingOfACutFile(Dir);
  }
  if (!Plain) std::_Exit(12);
  (void)Plain[0];
  std::_Exit(0);
}

// Death tests that start the test program anew, so that the process holds
// no view handler yet; the style is set back afterwards.
class HeadViewOwnProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FStyle = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!ViewsCanBeMade()) GTEST_SKIP() << "no view on this file system";
  }
  // Asks a child process, as a view made here would install the handler
  // before the test's own.
  static bool ViewsCanBeMade() {
    TempDir Probe;
    const std::string Path = Probe.Put("probe.bin", "probe");
    const pid_t Pid = ::fork();
    if (Pid == 0) {
      os::File F;
      os::HeadView View;
      ::_exit(F.Open(Path, os::Access::Read, os::Share::DenyNone).ok() && View.Map(F, 4) ? 0 : 1);
    }
    int Status = -1;
    return Pid > 0 && ::waitpid(Pid, &Status, 0) == Pid && WIFEXITED(Status) &&
           WEXITSTATUS(Status) == 0;
  }
  void TearDown() override { GTEST_FLAG_SET(death_test_style, FStyle); }

 private:
  std::string FStyle;
};

TEST_F(HeadViewOwnProcessTest, AFaultOutsideTheViewsReachesTheHandlerInstalledBefore) {
  EXPECT_EXIT(std::_Exit(FaultOutsideAViewWithATestHandler()), ::testing::ExitedWithCode(0), "");
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define HEADVIEW_TEST_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define HEADVIEW_TEST_SANITIZED 1
#endif

TEST_F(HeadViewOwnProcessTest, AFaultOutsideTheViewsStillEndsTheProcessByDefault) {
#ifdef HEADVIEW_TEST_SANITIZED
  // The sanitizer's handler was in place before: it reports the fault and
  // ends the process its own way.
  EXPECT_EXIT(FaultOutsideAViewWithTheDefaultAction(),
              [](int Status) { return !WIFEXITED(Status) || WEXITSTATUS(Status) != 0; },
              "Sanitizer: BUS");
#else
  EXPECT_EXIT(FaultOutsideAViewWithTheDefaultAction(), ::testing::KilledBySignal(SIGBUS), "");
#endif
}

}  // namespace
