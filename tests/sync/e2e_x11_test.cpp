// The tool on a real display, end to end: a sample office made by
// makeoffice, slot 1 of its installation list pointed at a fresh mobile
// folder, then orvsync7 started with the host's command line and driven by
// pointer clicks through the X server, as a user would: choose the slot,
// "Weiter", "Ja" when the target holds remains of an installation,
// "Ausführen", close the final message and the tool. The mobile folder must
// then hold the update package and the marker file. Skipped without a
// display, without XTest or without the built programs.
//
// Buttons are found by name: their place comes from the form's own
// description, read here into a form of the same class, added to the
// window's place on the screen. Message boxes are answered with the key
// Enter on the button that has the focus. Every step waits on a condition
// (a window appears, goes, or changes what it shows), never for a fixed
// time. With MDS_E2E_SHOTS naming a folder, the test leaves pictures of
// the windows (PPM) there at each stage.
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

constexpr unsigned long XK_Return = 0xff0d;

// Starts Program with Args, its output to /dev/null (its error output to
// ErrorFile when given); 0 when it fails.
pid_t Spawn(const String& Program, const std::vector<String>& Args, const String& ErrorFile = String()) {
  std::vector<char*> Argv{const_cast<char*>(Program.c_str())};
  for (auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 2, ErrorFile.empty() ? "/dev/null" : ErrorFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t Pid = 0;
  int Rc = posix_spawn(&Pid, Program.c_str(), &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  return Rc == 0 ? Pid : 0;
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
    Layout.reset();
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
  // Whether some program holds the table lock of the office's orders.
  bool OfficeLocked() {
    OAKHANDLE T = OpenEngineTable(Office + "Auftraege");
    bool Locked = OakLockTable(T) != 0;
    OakCloseTable(T);
    return Locked;
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
  // A viewable window below Parent whose title starts with Prefix, other
  // than Except (0: none).
  Window Search(Window Parent, const String& Prefix, Window Except = 0) {
    Window Root, Up, *Children = nullptr;
    unsigned Count = 0;
    if (!xlib::XQueryTree(Dpy, Parent, &Root, &Up, &Children, &Count)) return 0;
    Window Found = 0;
    for (unsigned I = 0; I < Count && !Found; ++I) {
      if (Children[I] != Except && Title(Children[I]).rfind(Prefix, 0) == 0 && Probe->Viewable(Children[I]))
        Found = Children[I];
      if (!Found) Found = Search(Children[I], Prefix, Except);
    }
    if (Children) xlib::XFree(Children);
    return Found;
  }
  Window FindWindow(const String& Prefix, int Seconds, Window Except = 0) {
    Window Found = 0;
    WaitUntil([&] { return (Found = Search(xlib::XDefaultRootWindow(Dpy), Prefix, Except)) != 0; }, Seconds);
    return Found;
  }
  std::vector<TColorRef> Pixels(Window W) {
    int Width = 0, Height = 0;
    return Probe->Grab(W, Width, Height);
  }
  // Waits until W shows the same picture twice in a row (painted and idle).
  bool WaitUntilSettled(Window W, int Seconds = 10) {
    std::vector<TColorRef> Last;
    return WaitUntil(
        [&] {
          std::vector<TColorRef> Now = Pixels(W);
          bool Same = !Now.empty() && Now == Last;
          Last = std::move(Now);
          return Same;
        },
        Seconds);
  }
  // Clicks at P of W's client area; true once W shows something else.
  bool ClickAndWaitForChange(Window W, TPoint P, int Seconds = 10) {
    std::vector<TColorRef> Before = Pixels(W);
    TRect R = Probe->Geometry(W);
    Probe->Click(R.Left + P.X, R.Top + P.Y);
    Probe->Sync();
    return WaitUntil([&] { return Pixels(W) != Before; }, Seconds);
  }

  // ---- The main form's controls, found by name ------------------------------------
  // The centre of the control Name in the form's client area, as the
  // form's description places it.
  TPoint ControlCentre(const String& Name) {
    if (!Layout) {
      Layout.reset(NewForm<TFsync>(nullptr));
      Layout->HandleNeeded();
    }
    auto* C = dynamic_cast<TControl*>(Layout->FindComponent(Name));
    if (!C) {
      ADD_FAILURE() << "no control " << Name;
      return TPoint{0, 0};
    }
    TPoint P = C->ClientToScreen(TPoint{C->Width() / 2, C->Height() / 2});
    TPoint O = Layout->ClientToScreen(TPoint{0, 0});
    return TPoint{P.X - O.X, P.Y - O.Y};
  }
  // The wizard's next button ("Weiter", later "Ausführen").
  bool PressNext() { return ClickAndWaitForChange(MainWindow, ControlCentre("FlatButton_next")); }
  void PressClose() {
    TRect R = Probe->Geometry(MainWindow);
    TPoint P = ControlCentre("FlatButton_cancel");
    Probe->Click(R.Left + P.X, R.Top + P.Y);
    Probe->Sync();
  }

  // ---- The message box ------------------------------------------------------------
  // A box has the focus on "Ja" (question) or "Schließen" (message):
  // Enter presses it. True once the box has gone.
  Window WaitForBox(int Seconds, Window Except = 0) { return FindWindow(BoxTitle, Seconds, Except); }
  bool PressFocusedButton(Window Box) {
    WaitUntil([&] { return Probe->FocusWindow() == Box; }, 5);
    Probe->TapKey(XK_Return);
    Probe->Sync();
    return WaitUntil([&] { return !Probe->Viewable(Box); }, 5);
  }
  bool AnswerYes(Window Box) { return PressFocusedButton(Box); }
  bool CloseBox(Window Box) { return PressFocusedButton(Box); }

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
  std::unique_ptr<TFsync> Layout;  // the form's layout, never shown
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
  // Started: the office is locked and the window shows the list (slot 1,
  // the first row, is the selected one).
  ASSERT_TRUE(WaitUntil([&] { return OfficeLocked(); }, 20)) << "the tool did not lock the office";
  ASSERT_TRUE(WaitUntilSettled(MainWindow));
  Shot(MainWindow, "1-start");
  ASSERT_TRUE(PressNext()) << "Weiter changed nothing";
  Window Question = 0;
  if (ExpectQuestion)
    Question = WaitForBox(20);
  else if (WaitUntilSettled(MainWindow))
    Question = Search(xlib::XDefaultRootWindow(Dpy), BoxTitle);
  ASSERT_EQ(Question != 0, ExpectQuestion) << "question about a new installation";
  if (Question) {
    Shot(Question, "2-question");
    ASSERT_TRUE(AnswerYes(Question)) << "the question was not answered";
  }
  ASSERT_TRUE(WaitUntilSettled(MainWindow));
  Shot(MainWindow, "3-target");
  ASSERT_TRUE(PressNext()) << "Ausführen changed nothing";

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
  ASSERT_TRUE(CloseBox(Final)) << "the final message did not close";
  // The run ends its page changes, then "Schließen" takes the click.
  ASSERT_TRUE(WaitUntilSettled(MainWindow));
  PressClose();
  EXPECT_EQ(ChildExit(20), 0);
}

// A second start on an office that the first tool holds: its window is
// painted, and it says at once that the tool already runs there (no
// countdown, no blame on other users of the database); it ends with the
// exit code of a refused start and the same text on its error output. The
// first one keeps running.
TEST_F(X11EndToEndTest, ASecondStartSaysAtOnceThatTheToolAlreadyRuns) {
  GivenSampleOffice();
  StartTool();
  MainWindow = FindWindow(MainTitlePrefix, 20);
  ASSERT_NE(MainWindow, 0u);
  ASSERT_TRUE(WaitUntil([&] { return OfficeLocked(); }, 20));
  ASSERT_TRUE(WaitUntilSettled(MainWindow));
  pid_t First = std::exchange(Pid, 0);

  Pid = Spawn(Tool + "orvsync7", {Office, "1", "12340"}, Root + "second.err");
  ASSERT_NE(Pid, 0);
  Window Box = WaitForBox(20);
  ASSERT_NE(Box, 0u) << "no message for the second start";
  Shot(Box, "second-already-running");
  ASSERT_TRUE(CloseBox(Box));
  EXPECT_EQ(ChildExit(20), 1);
  String Err = ReadFile(Root + "second.err");
  EXPECT_NE(Err.find("Die Mobile Daten-Syncronisation läuft bereits für das Datenverzeichnis " + Office), String::npos)
      << Err;
  EXPECT_EQ(Err.find("Datenbank sperren"), String::npos) << Err;

  Pid = First;
  Probe->RequestClose(MainWindow);
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
