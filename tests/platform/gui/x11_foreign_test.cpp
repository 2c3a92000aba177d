// The host's main window in a process of its own, found and closed through
// the X server: another program (this test program started again as "the
// other program", or the host stand-in kelpohost when it is built) shows a
// window of class "T_KELPO_Mainform"; FindWindow finds it, WM_CLOSE makes
// it go. Skipped when no display can be opened.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include "display_check.h"
#include "helper_process.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/wm_foreign.h"
#include "platform/gui/x11.h"
#include "platform/gui/x11_probe.h"
#include "platform/rtl/clock.h"

// Raw Xlib for the stand-in of a reparenting desktop window manager; its
// macros must not reach the code above.
#include <X11/Xlib.h>

namespace {

const char* const kTitleVar = "MDS_X11_FOREIGN_TITLE";
const char* const kIgnoreVar = "MDS_X11_FOREIGN_IGNORE_CLOSE";
// The other program tells on this descriptor that its window is up.
constexpr int kReadyFd = 3;
const String kHostClass = "T_KELPO_Mainform";
const String kHostTitle = "Torvane – Mandant Müller";

// A program started by a test, ended by its id when the test leaves it
// running.
struct TProgram {
  pid_t Pid = -1;
  int Ready = -1;  // read end of its ready line
};

// Starts Args[0] with the extra environment Env. The program's ReadyFd
// (1 or kReadyFd) goes to a pipe; with kReadyFd its output is dropped.
TProgram Spawn(const std::vector<std::string>& Args, const std::vector<std::string>& Env, int ReadyFd) {
  std::vector<char*> argv, envp;
  for (const auto& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  for (const auto& e : Env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  int fds[2];
  if (pipe(fds) != 0) return {};
  int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  pid_t pid = fork();
  if (pid == 0) {
    if (ReadyFd != 1) dup2(devnull, 1);
    dup2(fds[1], ReadyFd);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(fds[1]);
  close(devnull);
  return TProgram{pid, fds[0]};
}

// Waits for the program's ready line; false after TimeoutMs.
bool WaitReady(const TProgram& P, int TimeoutMs = 10000) {
  pollfd p{P.Ready, POLLIN, 0};
  char buf[256];
  return poll(&p, 1, TimeoutMs) == 1 && read(P.Ready, buf, sizeof buf) > 0;
}

// The program's exit code once it ended within TimeoutMs, else -1.
int WaitExit(TProgram& P, int TimeoutMs = 5000) {
  for (int waited = 0; P.Pid > 0 && waited <= TimeoutMs; waited += 10) {
    int status = 0;
    if (waitpid(P.Pid, &status, WNOHANG) == P.Pid) {
      P.Pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

// A driver on $DISPLAY; a busy server turns a connection away now and
// then, so a named display gets a few tries. Null without a display.
std::unique_ptr<TGuiDriver> OpenDisplay() {
  int tries = std::getenv("DISPLAY") ? 10 : 1;
  std::unique_ptr<TGuiDriver> d;
  for (int i = 0; i < tries && !d; ++i) {
    if (i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    d = NewX11Driver();
  }
  return d;
}

std::string SelfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

class X11ForeignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::unique_ptr<TGuiDriver> d = OpenDisplay();
    if (!d) MDS_SKIP_WITHOUT_DISPLAY("no X display");
    SetGuiDriver(std::move(d));
  }

  void TearDown() override {
    for (HWND h : Own)
      if (IsWindow(h)) DestroyWindow(h);
    for (TProgram& p : Programs) {
      if (p.Pid > 0) {
        kill(p.Pid, SIGKILL);
        waitpid(p.Pid, nullptr, 0);
      }
      if (p.Ready >= 0) close(p.Ready);
    }
    SetGuiDriver(NewHeadlessDriver());
  }

  // ---- The other program ------------------------------------------------------
  // This test program again, showing the host window until it is closed.
  TProgram& OtherProgramShowsTheHostWindow(bool IgnoresClose = false) {
    std::vector<std::string> env{std::string(kTitleVar) + "=" + kHostTitle};
    if (IgnoresClose) env.push_back(std::string(kIgnoreVar) + "=1");
    Programs.push_back(
        Spawn({SelfPath()}, env, kReadyFd));
    EXPECT_TRUE(WaitReady(Programs.back())) << "the other program did not show its window";
    return Programs.back();
  }

  HWND OwnWindow(const String& ClassName) {
    HWND h = CreateWindowEx(0, ClassName, "eigen", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 120, 80, nullptr,
                            nullptr, nullptr);
    Own.push_back(h);
    X11Sync(GuiDriver());
    return h;
  }

  HWND FindHost() { return FindWindow(kHostClass, ""); }
  // The tool's way: WM_CLOSE until the window is gone or 5000 ms passed.
  void CloseHostAsTheToolDoes() {
    Cardinal start = GetTickCount();
    for (HWND h = FindHost(); h; h = FindHost()) {
      SendMessage(h, WM_CLOSE);
      if (GetTickCount() - start > 5000) break;
    }
  }

  TX11DisplayLock Lock{String()};
  std::vector<TProgram> Programs;
  std::vector<HWND> Own;
};

// ---- Our windows on the desktop --------------------------------------------------

TEST_F(X11ForeignTest, OurTopLevelWindowsCarryTheirWindowClassInWmClass) {
  HWND h = OwnWindow("TFsync");
  TX11Probe probe;
  ASSERT_TRUE(probe.Valid());
  String expected = String(program_invocation_short_name) + '\0' + "TFsync" + '\0';
  EXPECT_EQ(probe.Property(X11WindowOfHandle(h), "WM_CLASS"), expected);
}

TEST_F(X11ForeignTest, OurOwnWindowsAreNeverForeign) {
  OwnWindow(kHostClass);
  EXPECT_EQ(GuiDriver().FindForeignWindow(kHostClass, ""), 0u);
}

// ---- Finding the other program's window -------------------------------------------

TEST_F(X11ForeignTest, FindWindowFindsTheHostWindowOfAnotherProgram) {
  OtherProgramShowsTheHostWindow();
  HWND h = FindHost();
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(wm::IsProxyHandle(h));
  EXPECT_TRUE(IsWindow(h));
  EXPECT_EQ(GetClassName(h), kHostClass);
  EXPECT_EQ(GetWindowText(h), kHostTitle);
  EXPECT_EQ(FindWindow("t_kelpo_mainform", ""), h);
  EXPECT_EQ(FindWindow("", kHostTitle), h);
}

TEST_F(X11ForeignTest, AnotherTitleOrClassFindsNothing) {
  OtherProgramShowsTheHostWindow();
  EXPECT_EQ(FindWindow(kHostClass, "Anderes Programm"), nullptr);
  EXPECT_EQ(FindWindow("T_KELPO_Other", ""), nullptr);
}

// ---- Closing it -----------------------------------------------------------------

TEST_F(X11ForeignTest, SendCloseMakesTheHostGoWithinFiveSeconds) {
  TProgram& host = OtherProgramShowsTheHostWindow();
  HWND h = FindHost();
  ASSERT_NE(h, nullptr);
  CloseHostAsTheToolDoes();
  EXPECT_EQ(FindHost(), nullptr);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(GetClassName(h), "");
  EXPECT_EQ(WaitExit(host), 0);
}

TEST_F(X11ForeignTest, PostCloseMakesTheHostGoToo) {
  TProgram& host = OtherProgramShowsTheHostWindow();
  HWND h = FindHost();
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(PostMessage(h, WM_CLOSE));
  EXPECT_EQ(WaitExit(host), 0);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(X11ForeignTest, AHostThatIgnoresCloseStaysAndKeepsItsProxy) {
  TProgram& host = OtherProgramShowsTheHostWindow(true);
  HWND h = FindHost();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(SendMessage(h, WM_CLOSE), 0);
  EXPECT_TRUE(IsWindow(h));
  EXPECT_EQ(FindHost(), h);
  EXPECT_EQ(WaitExit(host, 0), -1);
}

// A reparenting desktop window manager puts each client's window into a
// frame of its own; the frame carries no WM_CLASS.
TEST_F(X11ForeignTest, AWindowInAFrameOfTheDesktopIsFoundAndClosed) {
  TProgram& host = OtherProgramShowsTheHostWindow();
  HWND before = FindHost();
  ASSERT_NE(before, nullptr);
  Display* wmDpy = XOpenDisplay(nullptr);
  ASSERT_NE(wmDpy, nullptr);
  Window frame = XCreateSimpleWindow(wmDpy, DefaultRootWindow(wmDpy), 0, 0, 400, 300, 0, 0, 0);
  XMapWindow(wmDpy, frame);
  Window client = GuiDriver().FindForeignWindow(kHostClass, "");
  XReparentWindow(wmDpy, client, frame, 5, 20);
  XSync(wmDpy, False);
  EXPECT_EQ(GuiDriver().FindForeignWindow(kHostClass, ""), client);
  EXPECT_EQ(FindHost(), before);
  CloseHostAsTheToolDoes();
  EXPECT_EQ(FindHost(), nullptr);
  EXPECT_EQ(WaitExit(host), 0);
  XDestroyWindow(wmDpy, frame);
  XCloseDisplay(wmDpy);
}

// The host stand-in as the tool meets it, when it is built next to us.
TEST_F(X11ForeignTest, TheHostStandInIsClosedByTheTool) {
  std::filesystem::path kelpohost = std::filesystem::path(SelfPath()).parent_path().parent_path() / "src/kelpohost";
  if (!std::filesystem::exists(kelpohost)) GTEST_SKIP() << "kelpohost is not built";
  Programs.push_back(Spawn({kelpohost.string()}, {}, 1));
  TProgram& host = Programs.back();
  ASSERT_TRUE(WaitReady(host));
  HWND h = FindHost();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetWindowText(h), "Torvane - Auftragsbearbeitung");
  CloseHostAsTheToolDoes();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(WaitExit(host), 0);
}

// ---- The other program -----------------------------------------------------------

// The other program of the tests above, which start this test program
// again with kTitleVar set (a helper process, not a test): shows the host
// window on the display until it is closed, then ends. Exit code 1 when it
// cannot show the window.
int ShowTheHostWindowUntilItIsClosed(const char* title) {
  alarm(30);  // never outlives a test that went wrong
  bool ignoresClose = std::getenv(kIgnoreVar) != nullptr;
  std::unique_ptr<TGuiDriver> d = OpenDisplay();
  if (!d) return 1;
  SetGuiDriver(std::move(d));
  auto proc = [ignoresClose](HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) -> LRESULT {
    if (Msg == WM_CLOSE && ignoresClose) return 0;
    if (Msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProc(Wnd, Msg, WParam, LParam);
  };
  HWND w = CreateWindowEx(0, kHostClass, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 240, 160, nullptr,
                          nullptr, proc);
  if (!w) return 1;
  X11Sync(GuiDriver());
  if (write(kReadyFd, "ready\n", 6) != 6) return 1;
  close(kReadyFd);
  MSG m;
  while (GetMessage(m)) DispatchMessage(m);
  SetGuiDriver(NewHeadlessDriver());
  return 0;
}

MDS_HELPER_PROCESS(OtherProgram, kTitleVar, ShowTheHostWindowUntilItIsClosed);

}  // namespace
