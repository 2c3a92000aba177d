// Message queues: posted against sent order, cross-thread sends, filters,
// WM_QUIT, waking a waiting thread, keyboard translation and the hand-over
// of worker threads' work.
#include <atomic>
#include <thread>

#include "platform/rtl/threads.h"
#include "wm_fixture.h"

using Strings = std::vector<std::string>;

class WmQueueTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    F = Form("F", Bounds(0, 0, 50, 50));
    ProcessMessages();
    LogOnly({WM_USER, WM_USER + 1, WM_USER + 2, WM_CHAR, WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSCHAR,
             WM_SYSKEYUP});
  }
  HWND F = nullptr;
};

TEST_F(WmQueueTest, SentMessagesRunAtOncePostedOnesInOrderLater) {
  PostMessage(F, WM_USER);
  PostMessage(F, WM_USER + 1);
  SendMessage(F, WM_USER + 2);
  EXPECT_EQ(TakeLog(), Strings{"F:WM_USER+2"});
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_USER", "F:WM_USER+1"}));
}

TEST_F(WmQueueTest, SendMessageReturnsTheProceduresResult) {
  On(F, [](UINT M, WPARAM W, LPARAM L, LRESULT& R) {
    if (M != WM_USER) return false;
    R = LRESULT(W + L);
    return true;
  });
  EXPECT_EQ(SendMessage(F, WM_USER, 40, 2), 42);
  EXPECT_EQ(SendMessage(reinterpret_cast<HWND>(std::uintptr_t(12345)), WM_USER), 0);
  EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(std::uintptr_t(12345)), WM_USER));
}

TEST_F(WmQueueTest, CrossThreadSendRunsOnTheWindowsThreadAndWaits) {
  DWORD ranOn = 0;
  On(F, [&](UINT M, WPARAM, LPARAM, LRESULT& R) {
    if (M != WM_USER) return false;
    ranOn = GetCurrentThreadId();
    R = 7;
    return true;
  });
  std::atomic<LRESULT> answer{-1};
  std::thread worker([&] { answer = SendMessage(F, WM_USER); });
  MSG m;
  while (answer == -1) WaitMessage(10), PeekMessage(m, nullptr, 0, 0, PM_NOREMOVE);
  worker.join();
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(ranOn, GetCurrentThreadId());
}

TEST_F(WmQueueTest, WindowOfAWorkerThreadAnswersSendsInItsOwnLoop) {
  std::atomic<HWND> workerWnd{nullptr};
  std::atomic<DWORD> workerId{0}, ranOn{0};
  std::thread worker([&] {
    workerId = GetCurrentThreadId();
    HWND w = CreateWindowEx(0, "TWorker", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            [&](HWND W, UINT M, WPARAM P, LPARAM L) -> LRESULT {
                              if (M != WM_USER) return DefWindowProc(W, M, P, L);
                              ranOn = GetCurrentThreadId();
                              return 5;
                            });
    workerWnd = w;
    MSG m;
    while (GetMessage(m)) DispatchMessage(m);
    DestroyWindow(w);
  });
  while (!workerWnd) std::this_thread::yield();
  EXPECT_EQ(GetWindowThreadProcessId(workerWnd), workerId.load());
  EXPECT_EQ(SendMessage(workerWnd, WM_USER), 5);
  EXPECT_EQ(ranOn.load(), workerId.load());
  PostThreadMessage(workerId, WM_QUIT, 0, 0);
  worker.join();
  EXPECT_FALSE(IsWindow(workerWnd));
}

TEST_F(WmQueueTest, PeekMessageFiltersByRangeAndWindow) {
  HWND g = Form("G", Bounds(0, 0, 10, 10));
  ProcessMessages();
  PostMessage(F, WM_USER);
  PostMessage(g, WM_USER + 1);
  PostMessage(F, WM_USER + 2);
  MSG m;
  ASSERT_TRUE(PeekMessage(m, nullptr, WM_USER + 1, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 1u);
  ASSERT_TRUE(PeekMessage(m, F, WM_USER + 1, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 2u);
  EXPECT_FALSE(PeekMessage(m, g, WM_USER, WM_USER + 2, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
}

TEST_F(WmQueueTest, NoRemoveLeavesTheMessageQueued) {
  PostMessage(F, WM_USER, 5);
  MSG m;
  ASSERT_TRUE(PeekMessage(m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 5u);
  EXPECT_FALSE(PeekMessage(m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WmQueueTest, QuitEndsGetMessageAfterThePostedMessages) {
  PostMessage(F, WM_USER);
  PostQuitMessage(3);
  MSG m;
  ASSERT_TRUE(GetMessage(m));
  EXPECT_EQ(m.message, UINT(WM_USER));
  EXPECT_FALSE(GetMessage(m));
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WmQueueTest, ThreadMessagesHaveNoWindow) {
  PostThreadMessage(GetCurrentThreadId(), WM_USER, 1, 2);
  MSG m;
  ASSERT_TRUE(GetMessage(m));
  EXPECT_EQ(m.hwnd, nullptr);
  EXPECT_EQ(m.lParam, 2);
}

TEST_F(WmQueueTest, GetMessageWaitsUntilAnotherThreadPosts) {
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(F, WM_USER + 1);
  });
  MSG m;
  ASSERT_TRUE(GetMessage(m));
  worker.join();
  EXPECT_EQ(m.message, WM_USER + 1u);
}

TEST_F(WmQueueTest, InvalidationFromAWorkerWakesTheWaitingGuiThread) {
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    InvalidateRect(F, nullptr, false);
  });
  MSG m;
  ASSERT_TRUE(GetMessage(m));
  worker.join();
  EXPECT_EQ(m.message, UINT(WM_PAINT));
  DispatchMessage(m);
}

TEST_F(WmQueueTest, WakeThreadEndsAWait) {
  std::thread worker([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WakeThread(MainThreadID);
  });
  EXPECT_FALSE(WaitMessage(-1));
  worker.join();
}

TEST_F(WmQueueTest, SynchronizeOfAWorkerRunsWhileTheGuiThreadWaits) {
  std::atomic<bool> ran{false};
  std::thread worker([&] {
    TThread::Synchronize(nullptr, [&] { ran = true; });
    PostMessage(F, WM_USER);
  });
  MSG m;
  ASSERT_TRUE(GetMessage(m));
  worker.join();
  EXPECT_TRUE(ran);
  EXPECT_EQ(m.message, UINT(WM_USER));
}

TEST_F(WmQueueTest, TypedTextBecomesCharacterMessages) {
  SetFocus(F);
  HeadlessType("aÄ");
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_KEYDOWN", "F:WM_CHAR", "F:WM_KEYUP", "F:WM_KEYDOWN", "F:WM_CHAR",
                                "F:WM_KEYUP"}));
}

TEST_F(WmQueueTest, CharacterMessagesCarryTheCodePoint) {
  SetFocus(F);
  std::vector<WPARAM> chars;
  On(F, [&](UINT M, WPARAM W, LPARAM, LRESULT&) {
    if (M == WM_CHAR) chars.push_back(W);
    return false;
  });
  HeadlessType("zÄ");
  HeadlessKey('Q', 1);
  HeadlessKey(VK_RETURN);
  ProcessMessages();
  EXPECT_EQ(chars, (std::vector<WPARAM>{'z', 0xC4, 'Q', '\r'}));
  On(F, nullptr);
}

TEST_F(WmQueueTest, AltKeysBecomeSystemKeysAndCharacters) {
  SetFocus(F);
  HeadlessKey('F', 2);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_SYSKEYDOWN", "F:WM_SYSKEYDOWN", "F:WM_SYSCHAR", "F:WM_SYSKEYUP",
                                "F:WM_KEYUP"}));
}

TEST_F(WmQueueTest, KeyStateFollowsTheDeviceEvents) {
  SetFocus(F);
  bool shiftSeen = false;
  On(F, [&](UINT M, WPARAM W, LPARAM, LRESULT&) {
    if (M == WM_KEYDOWN && W == 'A') shiftSeen = GetKeyState(VK_SHIFT) < 0;
    return false;
  });
  HeadlessKey('A', 1);
  ProcessMessages();
  EXPECT_TRUE(shiftSeen);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  On(F, nullptr);
}

TEST_F(WmQueueTest, TranslateMessageOfAPostedKeyDerivesTheCharacter) {
  MSG key{F, WM_KEYDOWN, 'B', 0, 0, {}};
  EXPECT_TRUE(TranslateMessage(key));
  MSG m;
  ASSERT_TRUE(PeekMessage(m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_CHAR));
  EXPECT_EQ(m.wParam, WPARAM('b'));
  MSG up{F, WM_KEYUP, 'B', 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(up));
}

TEST_F(WmQueueTest, MessagesRememberTheirTimeAndTheMousePosition) {
  HeadlessMouseMove(30, 40);
  ProcessMessages();
  Clock->Advance(250);
  PostMessage(F, WM_USER);
  Clock->Advance(100);
  MSG m;
  ASSERT_TRUE(GetMessage(m));
  EXPECT_EQ(m.time, GetTickCount() - 100);
  EXPECT_EQ(GetMessageTime(), m.time);
  EXPECT_EQ(GetMessagePos(), Point(30, 40));
}

TEST_F(WmQueueTest, NoRemovePeekShowsHooksTheNoRemoveCode) {
  std::vector<int> codes;
  Hooks.push_back(SetWindowsHookEx(WH_MOUSE, [&codes](int C, WPARAM, LPARAM) -> LRESULT {
    codes.push_back(C);
    return 0;
  }));
  HeadlessClick(10, 10);
  MSG m;
  ASSERT_TRUE(PeekMessage(m, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(m, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
  EXPECT_EQ(codes, (std::vector<int>{HC_NOREMOVE, HC_ACTION}));
  UnhookWindowsHookEx(Hooks.back());
  Hooks.pop_back();
  ProcessMessages();
}
