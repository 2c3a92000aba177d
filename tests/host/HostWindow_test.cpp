// The host's main window: found by its class, gone within the WM_CLOSE
// that the tool sends; and the host stand-in program, which ends on a
// close request.
#include "host/HostWindow.h"

#include <signal.h>

#include "host_fixture.h"
#include "platform/gui/backend.h"

namespace {

class HostWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { SetGuiDriver(NewHeadlessDriver()); }
  void TearDown() override {
    while (HWND W = FindWindow(HostMainWindowClass, "")) DestroyWindow(W);
  }
  HWND StartHost() {
    return CreateHostMainWindow([this] { ++Destroyed; });
  }
  // What the tool does: send WM_CLOSE while the window is found, at most
  // Limit times; returns the number of sends.
  int CloseLikeTheTool(int Limit = 10) {
    int Sends = 0;
    while (HWND W = FindWindow(HostMainWindowClass, "")) {
      if (Sends == Limit) break;
      SendMessage(W, WM_CLOSE);
      ++Sends;
    }
    return Sends;
  }

  int Destroyed = 0;
};

}  // namespace

TEST_F(HostWindowTest, TheWindowIsAVisibleTopLevelWindowOfTheHostClass) {
  HWND W = StartHost();
  EXPECT_EQ(FindWindow(HostMainWindowClass, ""), W);
  EXPECT_EQ(GetClassName(W), "T_KELPO_Mainform");
  EXPECT_TRUE(IsWindowVisible(W));
  EXPECT_EQ(GetParent(W), nullptr);
}

TEST_F(HostWindowTest, TheClassIsFoundWhateverItsCase) {
  HWND W = StartHost();
  EXPECT_EQ(FindWindow("t_kelpo_mainform", ""), W);
}

TEST_F(HostWindowTest, OneCloseRemovesTheWindowAtOnce) {
  HWND W = StartHost();
  EXPECT_EQ(CloseLikeTheTool(), 1);
  EXPECT_FALSE(IsWindow(W));
  EXPECT_EQ(FindWindow(HostMainWindowClass, ""), nullptr);
  EXPECT_EQ(Destroyed, 1);
}

TEST_F(HostWindowTest, WithoutAHostThereIsNothingToClose) {
  EXPECT_EQ(CloseLikeTheTool(), 0);
}

TEST_F(HostWindowTest, OtherWindowsOfTheProcessStayOpen) {
  HWND Other = CreateWindowEx(0, "TFsync", "Laptopabgleich", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, DefWindowProc);
  StartHost();
  CloseLikeTheTool();
  EXPECT_TRUE(IsWindow(Other));
  DestroyWindow(Other);
}

TEST_F(HostWindowTest, TheHostProgramEndsWhenAskedToClose) {
  REQUIRE_HOST_PROGRAM("kelpohost");
  std::string Line;
  pid_t Pid = StartProgram(HostProgram("kelpohost"), {}, {"DISPLAY="}, &Line);
  ASSERT_NE(Pid, 0);
  // The first line tells that the window is up (headless without display).
  EXPECT_NE(Line.find("ohne Bildschirm, 0 Tabellen gesperrt"), std::string::npos) << Line;
  kill(Pid, SIGTERM);
  EXPECT_EQ(WaitProgram(Pid), 0);
}
