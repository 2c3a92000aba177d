// The tool on a real display, end to end: a sample office made by
// makeoffice, slot 1 of its installation list pointed at a fresh mobile
// folder, then orvsync7 started with the host's command line and driven by
// pointer clicks through the X server, as a user would: choose the slot,
// "Weiter", "Ja" when the target holds remains of an installation,
// "Ausführen", close the final message and the tool. The mobile folder must
// then hold the update package and the marker file. Skipped without a
// display, without XTest or without the built programs.
//
// Click positions come from the form's layout (client coordinates) added to
// the window's place on the screen. With MDS_E2E_SHOTS naming a folder, the
// test leaves pictures of the windows (PPM) there at each stage.
#include "display_check.h"
#include "sync_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/gui/x11_probe.h"

// Xlib comes last and in a namespace of its own: its types (Time, Screen)
// and macros (None, Bool, Status) would clash with the class library's
// names. Its functions keep their C linkage.
// clang-format off
namespace xlib {
#include <X11/Xlib.h>
}
// clang-format on
using xlib::Display;
using xlib::Window;
using xlib::XErrorEvent;

namespace {

const char* const MainTitlePrefix = "Laptopabgleich";
const char* const BoxTitle = "Mobile Daten-Syncronisation";

// Windows of other programs may vanish while the search looks at them;
// such errors only mean "not this one".
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// The folder of the built programs (build/src), "" when the test binary's
// place is unknown.
String ProgramFolder() {
  std::error_code Error;
  auto Self = std::filesystem::read_symlink("/proc/self/exe", Error);
  if (Error) return String();
  return (Self.parent_path().parent_path() / "src").string() + "/";
}

// Starts Program with Args, its output to /dev/null; 0 when it fails.
pid_t Spawn(const String& Program, const std::vector<String>& Args) {
  std::vector<char*> Argv{const_cast<char*>(Program.c_str())};
  for (auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t Pid = 0;
  int Rc = posix_spawn(&Pid, Program.c_str(), &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  return Rc == 0 ? Pid : 0;
}

// Polls Done every 50 ms for up to Seconds; true once it held.
bool WaitUntil(const std::function<bool()>& Done, int Seconds) {
  auto End = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
  while (std::chrono::steady_clock::now() < End) {
    if (Done()) return true;
    usleep(50000);
  }
  return Done();
}

class X11EndToEndTest : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    const char* Name = std::getenv("DISPLAY");
    if (!Name || !*Name) MDS_SKIP_WITHOUT_DISPLAY("no display");
    Bin = ProgramFolder();
    for (const char* P : {"orvsync7", "makeoffice", "updatemobile", "tovar"})
      if (Bin.empty() || !Exists(Bin + P)) GTEST_SKIP() << P << " is not built beside the tests";
    Lock = std::make_unique<TX11DisplayLock>(Name);
    Probe = std::make_unique<TX11Probe>();
    if (!Probe->Valid() || !(Dpy = xlib::XOpenDisplay(nullptr))) MDS_SKIP_WITHOUT_DISPLAY("display not reachable");
    if (!Probe->HasXTest()) MDS_SKIP_WITHOUT_DISPLAY("no XTest on the display");
    xlib::XSetErrorHandler(IgnoreXError);
    SetVariable("KELPO_TOVAR_LOG", Root + "tovar.log");
  }
  void TearDown() override {
    if (Pid > 0 && ChildExit(0) == -1) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
    if (Dpy) xlib::XCloseDisplay(Dpy);
    Probe.reset();
    Lock.reset();
    SyncTest::TearDown();
  }

  // ---- Preparing the office -------------------------------------------------------
  // The sample office in office/, the host's program folder tool/ with the
  // template program, TOVAR and the tool.
  void GivenSampleOffice() {
    pid_t Maker = Spawn(Bin + "makeoffice", {Office, Tool, Bin + "updatemobile", Bin + "tovar"});
    ASSERT_NE(Maker, 0);
    int ExitStatus = 0;
    ASSERT_EQ(waitpid(Maker, &ExitStatus, 0), Maker);
    ASSERT_TRUE(WIFEXITED(ExitStatus) && WEXITSTATUS(ExitStatus) == 0) << "makeoffice failed";
    std::filesystem::copy_file(Bin + "orvsync7", Tool + "orvsync7",
                               std::filesystem::copy_options::overwrite_existing);
  }
  // Stores Path as slot 1's folder in the office's installation list, the
  // way the tool itself saves it after a run.
  void GivenSlotOnePointsTo(const String& Path) {
    MakeForm();
    StartDatabase();
    Form->KM->First();
    Form->CurrentPath = Path;
    Form->UpdateInstallationEntry();
    delete Form;
    Form = nullptr;
  }

  // ---- The tool on the display ------------------------------------------------------
  void StartTool() {
    Pid = Spawn(Tool + "orvsync7", {Office, "1", "12340"});
    ASSERT_NE(Pid, 0);
  }
  // The child's exit status once it ended within Seconds; -1 when still running.
  int ChildExit(int Seconds) {
    int Result = -1;
    WaitUntil(
        [&] {
          int How = 0;
          if (waitpid(Pid, &How, WNOHANG) != Pid) return false;
          Pid = 0;
          Result = WIFEXITED(How) ? WEXITSTATUS(How) : -2;
          return true;
        },
        Seconds);
    return Result;
  }
  // The window's title (UTF-8 name first, the plain name otherwise).
  String Title(Window W) {
    String T = Probe->Property(W, "_NET_WM_NAME");
    return T.empty() ? Probe->Property(W, "WM_NAME") : T;
  }
  // A viewable window below Parent whose title starts with Prefix (0: none).
  Window Search(Window Parent, const String& Prefix) {
    Window Root, Up, *Children = nullptr;
    unsigned Count = 0;
    if (!xlib::XQueryTree(Dpy, Parent, &Root, &Up, &Children, &Count)) return 0;
    Window Found = 0;
    for (unsigned I = 0; I < Count && !Found; ++I) {
      if (Title(Children[I]).rfind(Prefix, 0) == 0 && Probe->Viewable(Children[I])) Found = Children[I];
      if (!Found) Found = Search(Children[I], Prefix);
    }
    if (Children) xlib::XFree(Children);
    return Found;
  }
  Window FindWindow(const String& Prefix, int Seconds) {
    Window Found = 0;
    WaitUntil([&] { return (Found = Search(xlib::XDefaultRootWindow(Dpy), Prefix)) != 0; }, Seconds);
    return Found;
  }
  // Clicks at (X, Y) of W's client area and lets the tool handle it.
  void ClickAt(Window W, int X, int Y) {
    TRect R = Probe->Geometry(W);
    Probe->Click(R.Left + X, R.Top + Y);
    Probe->Sync();
    usleep(300000);
  }

  // ---- The main form's controls (client coordinates of the form) ------------------------
  // Row 1 of the installation list: the grid at (8, 40 + 8), its header
  // row and the first data row 18 pixels high each.
  void ChooseSlotOne() { ClickAt(MainWindow, 108, 48 + 18 + 9 + 2); }
  // The wizard's next button ("Weiter", later "Ausführen") in the bottom panel.
  void PressNext() { ClickAt(MainWindow, 563 + 37, 310 + 12 + 12); }
  void PressClose() { ClickAt(MainWindow, 641 + 37, 310 + 12 + 12); }

  // ---- The message box ------------------------------------------------------------
  // The box is 406 wide; its button row (35 high) is at the bottom: "Ja"
  // at x 238, "Nein" and "Schließen" at x 321, each 77 wide, 5 below the
  // row's top.
  Window WaitForBox(int Seconds) { return FindWindow(BoxTitle, Seconds); }
  void PressInBox(Window Box, int Left) {
    TRect R = Probe->Geometry(Box);
    ClickAt(Box, Left + 38, (R.Bottom - R.Top) - 35 + 5 + 12);
    WaitUntil([&] { return !Probe->Viewable(Box); }, 5);
  }
  void AnswerYes(Window Box) { PressInBox(Box, 238); }
  void CloseBox(Window Box) { PressInBox(Box, 321); }

  // Diagnostics: with MDS_E2E_SHOTS set, W's picture as a PPM file there.
  void Shot(Window W, const String& Name) {
    const char* Folder = std::getenv("MDS_E2E_SHOTS");
    if (!Folder || !W) return;
    int Width = 0, Height = 0;
    std::vector<TColorRef> Pixels = Probe->Grab(W, Width, Height);
    std::ofstream Out(String(Folder) + "/" + Name + ".ppm", std::ios::binary);
    Out << "P6\n" << Width << " " << Height << "\n255\n";
    for (TColorRef C : Pixels) Out << char(C & 0xFF) << char((C >> 8) & 0xFF) << char((C >> 16) & 0xFF);
  }

  bool MobileHoldsTheInstallation(const String& Mobile) {
    return Exists(Mobile + "ZAVOZORUZIZOVAR.EXE") && Exists(Mobile + "KELPAMBO.FILE");
  }

  void InstallThroughTheWindow(const String& Mobile, bool ExpectQuestion);

  String Bin;
  std::unique_ptr<TX11DisplayLock> Lock;
  std::unique_ptr<TX11Probe> Probe;
  Display* Dpy = nullptr;
  pid_t Pid = 0;
  Window MainWindow = 0;
};

// Runs a new installation into Mobile through the window: slot 1 chosen,
// "Weiter", the question about remains answered with "Ja" when
// ExpectQuestion, "Ausführen", the final message closed, the tool closed.
void X11EndToEndTest::InstallThroughTheWindow(const String& Mobile, bool ExpectQuestion) {
  GivenSampleOffice();
  GivenSlotOnePointsTo(Mobile);
  StartTool();

  MainWindow = FindWindow(MainTitlePrefix, 20);
  ASSERT_NE(MainWindow, 0u) << "the tool's window did not appear";
  usleep(500000);
  Shot(MainWindow, "1-start");
  ChooseSlotOne();
  PressNext();
  Window Question = WaitForBox(ExpectQuestion ? 20 : 3);
  ASSERT_EQ(Question != 0, ExpectQuestion) << "question about a new installation";
  if (Question) {
    Shot(Question, "2-question");
    AnswerYes(Question);
    ASSERT_FALSE(Probe->Viewable(Question)) << "the question was not answered";
  }
  usleep(500000);
  Shot(MainWindow, "3-target");
  PressNext();  // now "Ausführen"

  // The run ends with a final message once the mobile folder is filled.
  Window Final = 0;
  bool Done = WaitUntil(
      [&] {
        Final = Search(xlib::XDefaultRootWindow(Dpy), BoxTitle);
        if (Final) Shot(Final, "4-box");
        return Final && MobileHoldsTheInstallation(Mobile);
      },
      60);
  Shot(MainWindow, "5-end");
  EXPECT_TRUE(MobileHoldsTheInstallation(Mobile));
  ASSERT_TRUE(Done) << "the run did not end with a message";
  CloseBox(Final);
  PressClose();
  EXPECT_EQ(ChildExit(20), 0);
}

TEST_F(X11EndToEndTest, ANewInstallationIntoAnEmptyFolderFillsIt) {
  const String Mobile = Target + "KelpoM/";
  std::filesystem::create_directories(Mobile);
  InstallThroughTheWindow(Mobile, false);
}

TEST_F(X11EndToEndTest, RemainsOfAnInstallationAreReplacedAfterTheQuestion) {
  const String Mobile = Target + "KelpoM/";
  WriteFile(Mobile + "KVS/DATA/REMOTE/setup.OAT", "Reste");
  InstallThroughTheWindow(Mobile, true);
}

}  // namespace
