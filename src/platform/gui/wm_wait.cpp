// MsgWaitForMultipleObjects: waiting for processes while the queue may
// bring messages that the caller wants to answer (paint, sends ...).
#include <chrono>

#include "platform/gui/wm_internal.h"
#include "platform/os/process.h"
#include "platform/rtl/syncobjs.h"

using namespace wm;

namespace {

constexpr int kSliceMs = 10;

bool IsKey(UINT M) { return M >= WM_KEYDOWN && M <= WM_SYSCHAR; }
bool IsButton(UINT M) { return M > WM_MOUSEMOVE && M <= WM_MOUSELAST; }

bool InputHas(const TThreadQueue& Q, DWORD Mask) {
  for (const TInputMsg& in : Q.Input) {
    UINT m = in.Msg.message;
    if ((Mask & QS_KEY) && IsKey(m)) return true;
    if ((Mask & QS_MOUSEMOVE) && (m == WM_MOUSEMOVE || m == WM_NCMOUSEMOVE)) return true;
    if ((Mask & QS_MOUSEBUTTON) && (IsButton(m) || m == WM_NCLBUTTONDOWN)) return true;
  }
  return false;
}

// True when the queue holds something of Mask.
bool QueueHas(TThreadQueue& Q, DWORD Mask) {
  {
    std::lock_guard<std::mutex> l(Q.M);
    if ((Mask & QS_SENDMESSAGE) && !Q.Sent.empty()) return true;
    if ((Mask & QS_POSTMESSAGE) && (!Q.Posted.empty() || Q.QuitPosted)) return true;
    if (InputHas(Q, Mask)) return true;
  }
  if (Mask & QS_PAINT) {
    auto L = WmLock();
    if (FindPaintWindow(Q.ThreadId, nullptr)) return true;
  }
  return (Mask & QS_TIMER) && NextTimerDelay(Q.ThreadId) == 0;
}

// WAIT_OBJECT_0 + index of the process that ended (WAIT_OBJECT_0 when all
// ended with WaitAll), WAIT_TIMEOUT while the wait goes on, WAIT_FAILED.
DWORD ProcessesDone(DWORD Count, const TProcessHandle* Handles, bool WaitAll) {
  DWORD ended = 0;
  for (DWORD i = 0; i < Count; ++i) {
    DWORD r = WaitForSingleObject(Handles[i], 0);
    if (r == WAIT_FAILED) return WAIT_FAILED;
    if (r != WAIT_OBJECT_0) continue;
    if (!WaitAll) return WAIT_OBJECT_0 + i;
    ++ended;
  }
  return Count > 0 && WaitAll && ended == Count ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

void WaitSlice(TThreadQueue& Q, int Ms) {
  if (Q.ThreadId == MainThreadID && !Q.InPump) return PumpDevice(Q, Ms);
  std::unique_lock<std::mutex> l(Q.M);
  Q.Cv.wait_for(l, std::chrono::milliseconds(Ms));
}

}  // namespace

DWORD MsgWaitForMultipleObjects(DWORD Count, const TProcessHandle* Handles, bool WaitAll, DWORD Milliseconds,
                                DWORD WakeMask) {
  auto q = MyQueue();
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    DWORD p = ProcessesDone(Count, Handles, WaitAll);
    if (p != WAIT_TIMEOUT) return p;
    if (QueueHas(*q, WakeMask)) return WAIT_OBJECT_0 + Count;
    auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (Milliseconds != INFINITE && passed.count() >= Milliseconds) return WAIT_TIMEOUT;
    long long left = Milliseconds == INFINITE ? kSliceMs : (long long)Milliseconds - passed.count();
    WaitSlice(*q, int(std::min<long long>(left, kSliceMs)));
  }
}
