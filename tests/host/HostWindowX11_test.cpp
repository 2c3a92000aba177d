// The host stand-in on a real display: its window appears on the X server
// and the desktop's close request ends the program. Skipped without a
// display ($DISPLAY unset or not reachable).
// The test framework comes before Xlib, whose macros (None, Bool, Status)
// would clash with its names.
#include "display_check.h"
#include "host_fixture.h"
#include "platform/gui/x11_probe.h"
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* const HostTitle = "Torvane - Auftragsbearbeitung";

// Windows of other tests on the same display may vanish while the search
// looks at them; Xlib's default handler would end the whole test program
// (and leave the started host behind). Such errors only mean "not this one".
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

class HostOnDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* Name = std::getenv("DISPLAY");
    if (!Name || !*Name || !(Dpy = XOpenDisplay(nullptr))) MDS_SKIP_WITHOUT_DISPLAY("no display");
    XSetErrorHandler(IgnoreXError);
    if (!std::filesystem::exists(HostProgram("kelpohost"))) GTEST_SKIP() << "kelpohost not built";
    // The host's window may lie over the windows that other test programs
    // click into; the display's test lock makes them take turns.
    Lock = std::make_unique<TX11DisplayLock>(String());
  }
  void TearDown() override {
    if (Pid > 0 && WaitChild(0) < 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
    if (Dpy) XCloseDisplay(Dpy);
  }

  // Starts kelpohost and reads its first line (sent once the window is up).
  std::string StartHost() {
    std::string Line;
    Pid = StartProgram(HostProgram("kelpohost"), {}, {}, &Line);
    EXPECT_NE(Pid, 0);
    return Line;
  }
  // The top-level X window titled Title (0 when none), polled for up to 5 s.
  Window FindTitled(const char* Title) {
    for (int Try = 0; Try < 100; ++Try) {
      if (Window W = SearchTitled(DefaultRootWindow(Dpy), Title)) return W;
      usleep(50000);
    }
    return 0;
  }
  Window SearchTitled(Window Parent, const char* Title) {
    Window Root, Up, *Children = nullptr;
    unsigned Count = 0;
    if (!XQueryTree(Dpy, Parent, &Root, &Up, &Children, &Count)) return 0;
    Window Found = 0;
    for (unsigned I = 0; I < Count && !Found; ++I) {
      char* Name = nullptr;
      if (XFetchName(Dpy, Children[I], &Name) && Name) {
        if (std::strcmp(Name, Title) == 0) Found = Children[I];
        XFree(Name);
      }
      if (!Found) Found = SearchTitled(Children[I], Title);
    }
    if (Children) XFree(Children);
    return Found;
  }
  // What the desktop's close button sends: WM_PROTOCOLS / WM_DELETE_WINDOW.
  void RequestClose(Window W) {
    XEvent E{};
    E.xclient.type = ClientMessage;
    E.xclient.window = W;
    E.xclient.message_type = XInternAtom(Dpy, "WM_PROTOCOLS", False);
    E.xclient.format = 32;
    E.xclient.data.l[0] = static_cast<long>(XInternAtom(Dpy, "WM_DELETE_WINDOW", False));
    E.xclient.data.l[1] = CurrentTime;
    XSendEvent(Dpy, W, False, NoEventMask, &E);
    XFlush(Dpy);
  }
  // The child's exit code once it ended within Seconds, else -1.
  int WaitChild(int Seconds) {
    for (int Try = 0; Try <= Seconds * 20; ++Try) {
      int How = 0;
      if (waitpid(Pid, &How, WNOHANG) == Pid) {
        Pid = 0;
        return WIFEXITED(How) ? WEXITSTATUS(How) : -2;
      }
      usleep(50000);
    }
    return -1;
  }

  Display* Dpy = nullptr;
  pid_t Pid = 0;
  std::unique_ptr<TX11DisplayLock> Lock;
};

}  // namespace

TEST_F(HostOnDisplayTest, TheWindowAppearsOnTheDisplay) {
  EXPECT_NE(StartHost().find("auf dem Bildschirm"), std::string::npos);
  EXPECT_NE(FindTitled(HostTitle), 0u);
  kill(Pid, SIGTERM);
  EXPECT_EQ(WaitChild(10), 0);
}

TEST_F(HostOnDisplayTest, TheDesktopsCloseRequestEndsTheHost) {
  StartHost();
  Window W = FindTitled(HostTitle);
  ASSERT_NE(W, 0u);
  RequestClose(W);
  EXPECT_EQ(WaitChild(10), 0);
}
