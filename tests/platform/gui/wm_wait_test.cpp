// Waiting for a process while paint and sent messages are answered.
#include <thread>

#include "platform/os/errors.h"
#include "platform/os/process.h"
#include "platform/rtl/syncobjs.h"
#include "wm_fixture.h"

class WmWaitTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    F = Form("F", Bounds(0, 0, 20, 20));
    ProcessMessages();
  }
  // A process that is still running for a while.
  TProcessHandle Sleeper(const char* Seconds) {
    TProcessInformation info;
    EXPECT_TRUE(CreateProcess("", String("sleep ") + Seconds, "", info));
    return info.hProcess;
  }
  HWND F = nullptr;
};

TEST_F(WmWaitTest, EndedProcessEndsTheWait) {
  TProcessHandle p = TProcessHandle::Finished(0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &p, false, INFINITE, QS_PAINT), WAIT_OBJECT_0);
}

TEST_F(WmWaitTest, PendingPaintEndsTheWaitWithCount) {
  TProcessHandle p = Sleeper("5");
  InvalidateRect(F, nullptr, false);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &p, false, INFINITE, QS_PAINT | QS_SENDMESSAGE), WAIT_OBJECT_0 + 1);
  TerminateProcess(p, 1);
}

TEST_F(WmWaitTest, MessagesOutsideTheMaskDoNotEndTheWait) {
  TProcessHandle p = Sleeper("5");
  PostMessage(F, WM_USER);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &p, false, 30, QS_PAINT), WAIT_TIMEOUT);
  TerminateProcess(p, 1);
}

TEST_F(WmWaitTest, SendFromAnotherThreadEndsTheWait) {
  TProcessHandle p = Sleeper("5");
  std::thread worker([&] { SendMessage(F, WM_USER); });
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &p, false, INFINITE, QS_SENDMESSAGE), WAIT_OBJECT_0 + 1);
  MSG m;
  PeekMessage(m, nullptr, 0, 0, PM_NOREMOVE);  // answers the send
  worker.join();
  TerminateProcess(p, 1);
}
