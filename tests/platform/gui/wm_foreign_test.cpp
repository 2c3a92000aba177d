// Windows of other programs seen through the window manager: FindWindow
// falls back to the back end, hands out proxy handles, and WM_CLOSE to a
// proxy becomes the back end's close request. The desktop of other
// programs is a scripted back end here (a headless one that also "sees"
// foreign windows); the X11 side is in x11_foreign_test.cpp.
#include <strings.h>

#include <algorithm>
#include <thread>

#include "platform/gui/wm_foreign.h"
#include "platform/gui/wm_headless.h"
#include "wm_fixture.h"

namespace {

// The other programs' windows on the scripted desktop.
struct TOtherDesktop {
  struct TWindow {
    std::uintptr_t Id;
    String ClassName, Title;
  };
  std::vector<TWindow> Windows;  // the top one first
  std::vector<std::uintptr_t> CloseRequests;
  bool ClosesOnRequest = true;   // the program answers a close by going away
  bool TakesCloseRequests = true;
  std::uintptr_t NextId = 0x600001;

  TWindow* Find(std::uintptr_t Id) {
    auto it = std::find_if(Windows.begin(), Windows.end(), [Id](const TWindow& W) { return W.Id == Id; });
    return it == Windows.end() ? nullptr : &*it;
  }
  void Remove(std::uintptr_t Id) {
    Windows.erase(std::remove_if(Windows.begin(), Windows.end(), [Id](const TWindow& W) { return W.Id == Id; }),
                  Windows.end());
  }
};

// A headless back end that also sees the scripted desktop's windows.
class TDesktopDriver : public THeadlessDriver {
 public:
  explicit TDesktopDriver(std::shared_ptr<TOtherDesktop> Desk) : THeadlessDriver(1280, 1024), FDesk(Desk) {}

  std::uintptr_t FindForeignWindow(const String& ClassName, const String& Title) override {
    for (const auto& w : FDesk->Windows)
      if ((ClassName.empty() || strcasecmp(w.ClassName.c_str(), ClassName.c_str()) == 0) &&
          (Title.empty() || w.Title == Title))
        return w.Id;
    return 0;
  }
  bool IsForeignWindow(std::uintptr_t Id) override { return FDesk->Find(Id) != nullptr; }
  String ForeignClassName(std::uintptr_t Id) override { return FDesk->Find(Id) ? FDesk->Find(Id)->ClassName : ""; }
  String ForeignWindowText(std::uintptr_t Id) override { return FDesk->Find(Id) ? FDesk->Find(Id)->Title : ""; }
  bool PostForeignClose(std::uintptr_t Id) override {
    if (!FDesk->Find(Id) || !FDesk->TakesCloseRequests) return false;
    FDesk->CloseRequests.push_back(Id);
    if (FDesk->ClosesOnRequest) FDesk->Remove(Id);
    return true;
  }

 private:
  std::shared_ptr<TOtherDesktop> FDesk;
};

class WmForeignTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetGuiDriver(std::make_unique<TDesktopDriver>(Desk));
  }

  // ---- The other programs ------------------------------------------------------
  std::uintptr_t OtherProgramShows(const String& ClassName, const String& Title) {
    std::uintptr_t id = Desk->NextId++;
    Desk->Windows.push_back({id, ClassName, Title});
    return id;
  }
  void OtherProgramCloses(std::uintptr_t Id) { Desk->Remove(Id); }
  void HostIgnoresClose() { Desk->ClosesOnRequest = false; }
  size_t CloseRequests() const { return Desk->CloseRequests.size(); }

  HWND FindHost() { return FindWindow("T_KELPO_Mainform", ""); }
  // The tool's way of closing the host: WM_CLOSE until it is gone or 5000
  // ms have passed since the first search.
  void CloseHostAsTheToolDoes() {
    Cardinal start = GetTickCount();
    for (HWND h = FindHost(); h; h = FindHost()) {
      SendMessage(h, WM_CLOSE);
      if (GetTickCount() - start > 5000) break;
    }
  }

  std::shared_ptr<TOtherDesktop> Desk = std::make_shared<TOtherDesktop>();
};

// ---- Finding --------------------------------------------------------------------

TEST_F(WmForeignTest, FindWindowFindsAnotherProgramsWindowWhenNoneOfOursMatches) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane - Auftragsbearbeitung");
  HWND h = FindHost();
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(IsWindow(h));
  EXPECT_EQ(GetClassName(h), "T_KELPO_Mainform");
  EXPECT_EQ(GetWindowText(h), "Torvane - Auftragsbearbeitung");
}

TEST_F(WmForeignTest, OurOwnWindowOfTheClassComesFirst) {
  OtherProgramShows("TTest", "fremd");
  HWND own = Form("eigen", Bounds(10, 10, 50, 50));
  EXPECT_EQ(FindWindow("TTest", ""), own);
  EXPECT_FALSE(wm::IsProxyHandle(own));
}

TEST_F(WmForeignTest, TitleAndClassMustBothMatch) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  EXPECT_EQ(FindWindow("T_KELPO_Mainform", "Anderes Programm"), nullptr);
  EXPECT_EQ(FindWindow("TAnderes", "Torvane"), nullptr);
  HWND byTitle = FindWindow("", "Torvane");
  ASSERT_NE(byTitle, nullptr);
  EXPECT_EQ(GetClassName(byTitle), "T_KELPO_Mainform");
}

TEST_F(WmForeignTest, TheSameForeignWindowAlwaysGetsTheSameProxy) {
  OtherProgramShows("T_KELPO_Mainform", "eins");
  OtherProgramShows("TOther", "zwei");
  HWND first = FindHost();
  EXPECT_EQ(FindHost(), first);
  HWND other = FindWindow("TOther", "");
  EXPECT_NE(other, first);
  EXPECT_TRUE(wm::IsProxyHandle(first));
  EXPECT_TRUE(wm::IsProxyHandle(other));
}

TEST_F(WmForeignTest, ProxiesNeverCollideWithOurHandles) {
  OtherProgramShows("T_KELPO_Mainform", "");
  HWND proxy = FindHost();
  for (int i = 0; i < 20; ++i) {
    HWND own = Form("f" + std::to_string(i), Bounds(0, 0, 10, 10));
    EXPECT_NE(own, proxy);
    EXPECT_FALSE(wm::IsProxyHandle(own));
  }
}

TEST_F(WmForeignTest, TheHeadlessBackEndSeesNoOtherPrograms) {
  SetGuiDriver(NewHeadlessDriver());
  EXPECT_EQ(FindHost(), nullptr);
  EXPECT_EQ(FindWindow("", ""), nullptr);
}

// ---- Lifetime -----------------------------------------------------------------

TEST_F(WmForeignTest, IsWindowTurnsFalseOnceTheForeignWindowIsGone) {
  std::uintptr_t id = OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND h = FindHost();
  OtherProgramCloses(id);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(GetClassName(h), "");
  EXPECT_EQ(GetWindowText(h), "");
  EXPECT_EQ(FindHost(), nullptr);
}

TEST_F(WmForeignTest, AGoneProxyStaysInvalidWhenTheProgramShowsANewWindow) {
  std::uintptr_t id = OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND old = FindHost();
  OtherProgramCloses(id);
  EXPECT_FALSE(IsWindow(old));
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND fresh = FindHost();
  EXPECT_NE(fresh, old);
  EXPECT_FALSE(IsWindow(old));
  EXPECT_TRUE(IsWindow(fresh));
}

TEST_F(WmForeignTest, AProxyDiesWithTheBackEndThatFoundIt) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND h = FindHost();
  SetGuiDriver(std::make_unique<TDesktopDriver>(Desk));
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(SendMessage(h, WM_CLOSE), 0);
  EXPECT_EQ(CloseRequests(), 0u);
}

TEST_F(WmForeignTest, WindowTextFollowsTheForeignTitle) {
  std::uintptr_t id = OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND h = FindHost();
  Desk->Find(id)->Title = "Torvane - Mandant 2";
  EXPECT_EQ(GetWindowText(h), "Torvane - Mandant 2");
}

// ---- Closing --------------------------------------------------------------------

TEST_F(WmForeignTest, SendCloseAsksTheWindowToCloseAndReturnsOnceItIsGone) {
  std::uintptr_t id = OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND h = FindHost();
  EXPECT_EQ(SendMessage(h, WM_CLOSE), 0);
  ASSERT_EQ(CloseRequests(), 1u);
  EXPECT_EQ(Desk->CloseRequests[0], id);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(Clock->SleptMilliseconds(), 0u);
}

TEST_F(WmForeignTest, SendCloseToAWindowThatStaysWaitsOnlyTheCloseWait) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HostIgnoresClose();
  HWND h = FindHost();
  EXPECT_EQ(SendMessage(h, WM_CLOSE), 0);
  EXPECT_EQ(CloseRequests(), 1u);
  EXPECT_EQ(Clock->SleptMilliseconds(), wm::ForeignCloseWaitMs);
  EXPECT_TRUE(IsWindow(h));
}

TEST_F(WmForeignTest, PostCloseSendsTheRequestWithoutWaiting) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HostIgnoresClose();
  HWND h = FindHost();
  EXPECT_TRUE(PostMessage(h, WM_CLOSE));
  EXPECT_EQ(CloseRequests(), 1u);
  EXPECT_EQ(Clock->SleptMilliseconds(), 0u);
}

TEST_F(WmForeignTest, TheToolClosesAHostThatAnswersWithOneRequest) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  CloseHostAsTheToolDoes();
  EXPECT_EQ(CloseRequests(), 1u);
  EXPECT_EQ(FindHost(), nullptr);
}

TEST_F(WmForeignTest, AHostThatIgnoresCloseIsLeftAfterFiveSeconds) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HostIgnoresClose();
  std::uint64_t start = GetTickCount64();
  CloseHostAsTheToolDoes();
  EXPECT_GT(GetTickCount64() - start, 5000u);
  EXPECT_LE(GetTickCount64() - start, 5000u + wm::ForeignCloseWaitMs);
  EXPECT_EQ(CloseRequests(), size_t(5000 / wm::ForeignCloseWaitMs + 1));
  EXPECT_NE(FindHost(), nullptr);
}

TEST_F(WmForeignTest, AWindowThatTakesNoCloseRequestIsNotWaitedFor) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  Desk->TakesCloseRequests = false;
  HWND h = FindHost();
  EXPECT_FALSE(PostMessage(h, WM_CLOSE));
  EXPECT_EQ(SendMessage(h, WM_CLOSE), 0);
  EXPECT_EQ(Clock->SleptMilliseconds(), 0u);
  EXPECT_TRUE(IsWindow(h));
}

TEST_F(WmForeignTest, OtherMessagesToAProxyAreDropped) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND h = FindHost();
  EXPECT_EQ(SendMessage(h, WM_USER + 104), 0);
  EXPECT_FALSE(PostMessage(h, WM_USER + 104));
  EXPECT_EQ(SendMessage(h, WM_SYSCOMMAND, SC_CLOSE), 0);
  EXPECT_EQ(CloseRequests(), 0u);
  EXPECT_TRUE(IsWindow(h));
}

TEST_F(WmForeignTest, MessagesToAGoneProxyFail) {
  std::uintptr_t id = OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND h = FindHost();
  OtherProgramCloses(id);
  EXPECT_EQ(SendMessage(h, WM_CLOSE), 0);
  EXPECT_FALSE(PostMessage(h, WM_CLOSE));
  EXPECT_EQ(CloseRequests(), 0u);
}

// ---- Everything else fails gracefully ------------------------------------------

TEST_F(WmForeignTest, WindowFunctionsOtherThanTheNamesDoNothingOnAProxy) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND h = FindHost();
  EXPECT_FALSE(ShowWindow(h, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_FALSE(MoveWindow(h, 0, 0, 10, 10, true));
  EXPECT_EQ(GetWindowLong(h, GWL_STYLE), 0);
  EXPECT_EQ(SetWindowLong(h, GWL_USERDATA, 7), 0);
  EXPECT_EQ(GetParent(h), nullptr);
  EXPECT_EQ(GetWindowThreadProcessId(h), 0u);
  SetWindowText(h, "umbenannt");
  EXPECT_FALSE(DestroyWindow(h));
  EXPECT_TRUE(IsWindow(h));
  EXPECT_EQ(GetWindowText(h), "Torvane");
  EXPECT_EQ(CloseRequests(), 0u);
}

TEST_F(WmForeignTest, OtherThreadsSeeWhatTheMainThreadSawButCannotClose) {
  OtherProgramShows("T_KELPO_Mainform", "Torvane");
  HWND h = FindHost();
  HWND found = h;
  bool alive = false;
  LRESULT sent = 1;
  String cls;
  std::thread([&] {
    found = FindHost();
    alive = IsWindow(h);
    cls = GetClassName(h);
    sent = SendMessage(h, WM_CLOSE);
  }).join();
  EXPECT_EQ(found, nullptr);
  EXPECT_TRUE(alive);
  EXPECT_EQ(cls, "T_KELPO_Mainform");
  EXPECT_EQ(sent, 0);
  EXPECT_EQ(CloseRequests(), 0u);
}

}  // namespace
