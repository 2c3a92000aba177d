// Retrieving messages: GetMessage, PeekMessage and WaitMessage. The order
// is the original platform's: sent messages are answered first, then
// posted messages, WM_QUIT, device input, WM_PAINT and WM_TIMER.
#include <algorithm>
#include <climits>

#include "platform/gui/wm_internal.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/threads.h"

using namespace wm;

namespace {

bool InRange(UINT Msg, UINT Min, UINT Max) { return (Min == 0 && Max == 0) || (Msg >= Min && Msg <= Max); }

bool Matches(const MSG& M, HWND Wnd, UINT Min, UINT Max) {
  return (!Wnd || M.hwnd == Wnd) && InRange(M.message, Min, Max);
}

bool IsNcMouseMessage(UINT M) { return M >= WM_NCMOUSEMOVE && M <= WM_NCMBUTTONDBLCLK; }

bool IsMouseMessage(UINT M) { return (M >= WM_MOUSEFIRST && M <= WM_MOUSELAST) || IsNcMouseMessage(M); }

bool IsKeyMessage(UINT M) {
  return M == WM_KEYDOWN || M == WM_KEYUP || M == WM_SYSKEYDOWN || M == WM_SYSKEYUP;
}

// Asks the mouse and keyboard hooks; true when one swallows the message.
bool HookSwallows(const MSG& M, bool Remove) {
  int code = Remove ? HC_ACTION : HC_NOREMOVE;
  if (IsMouseMessage(M.message) && HasHooks(WH_MOUSE)) {
    UINT hit = IsNcMouseMessage(M.message) ? UINT(M.wParam) : UINT(HTCLIENT);
    MOUSEHOOKSTRUCT mh{M.pt, M.hwnd, hit};
    return CallHooks(WH_MOUSE, code, M.message, reinterpret_cast<LPARAM>(&mh)) != 0;
  }
  if (IsKeyMessage(M.message) && HasHooks(WH_KEYBOARD))
    return CallHooks(WH_KEYBOARD, code, M.wParam, M.lParam) != 0;
  return false;
}

}  // namespace

// Lets the back end deliver device events and runs work handed over by
// other threads (main thread only, never nested).
void wm::PumpDevice(TThreadQueue& Q, int TimeoutMs) {
  if (Q.ThreadId != MainThreadID || Q.InPump) return;
  Q.InPump = true;
  try {
    CheckSynchronize(0);
    GuiDriver().PumpEvents(TimeoutMs);
  } catch (...) {
    Q.InPump = false;
    throw;
  }
  Q.InPump = false;
}

namespace {

// Takes a posted message, WM_QUIT or an input message; Index tells where
// an input message stood (-1 for the others).
bool TakeQueued(TThreadQueue& Q, MSG& Msg, TInputMsg& In, long& Index, HWND Wnd, UINT Min, UINT Max,
                bool Remove) {
  std::lock_guard<std::mutex> l(Q.M);
  Index = -1;
  auto p = std::find_if(Q.Posted.begin(), Q.Posted.end(), [&](const MSG& m) { return Matches(m, Wnd, Min, Max); });
  if (p != Q.Posted.end()) {
    Msg = *p;
    if (Remove) Q.Posted.erase(p);
    return true;
  }
  if (Q.QuitPosted && InRange(WM_QUIT, Min, Max)) {
    Msg = MSG{nullptr, WM_QUIT, WPARAM(Q.QuitCode), 0, GetTickCount(), Q.LastPos};
    if (Remove) Q.QuitPosted = false;
    return true;
  }
  auto i = std::find_if(Q.Input.begin(), Q.Input.end(),
                        [&](const TInputMsg& m) { return Matches(m.Msg, Wnd, Min, Max); });
  if (i == Q.Input.end()) return false;
  In = *i, Msg = i->Msg, Index = long(i - Q.Input.begin());
  if (Remove) Q.Input.erase(i);
  return true;
}

void DropInput(TThreadQueue& Q, long Index, const MSG& Msg) {
  std::lock_guard<std::mutex> l(Q.M);
  if (Index < long(Q.Input.size()) && Q.Input[Index].Msg.message == Msg.message &&
      Q.Input[Index].Msg.time == Msg.time)
    Q.Input.erase(Q.Input.begin() + Index);
}

// A posted message, WM_QUIT or an input message that no hook swallows.
bool TakeQueuedPastHooks(TThreadQueue& Q, MSG& Msg, HWND Wnd, UINT Min, UINT Max, bool Remove) {
  for (;;) {
    TInputMsg in;
    long index;
    if (!TakeQueued(Q, Msg, in, index, Wnd, Min, Max, Remove)) return false;
    if (index < 0) return true;
    if (Remove) Q.KeyState = in.Keys, Q.HaveKeyState = true;
    if (!HookSwallows(Msg, Remove)) {
      if (IsKeyMessage(Msg.message)) Q.LastKey = Msg, Q.LastKeyText = in.Text;
      return true;
    }
    if (!Remove) DropInput(Q, index, Msg);
  }
}

bool TakePaint(TThreadQueue& Q, MSG& Msg, HWND Wnd) {
  auto L = WmLock();
  HWND w = FindPaintWindow(Q.ThreadId, Wnd);
  if (w) Msg = MSG{w, WM_PAINT, 0, 0, GetTickCount(), Q.LastPos};
  return w != nullptr;
}

bool PeekCore(TThreadQueue& Q, MSG& Msg, HWND Wnd, UINT Min, UINT Max, bool Remove) {
  ReceiveSent(Q);
  PumpDevice(Q, 0);
  bool got = TakeQueuedPastHooks(Q, Msg, Wnd, Min, Max, Remove);
  if (!got && InRange(WM_PAINT, Min, Max)) got = TakePaint(Q, Msg, Wnd);
  if (!got) FlushPresents(Q.ThreadId);
  if (!got && InRange(WM_TIMER, Min, Max)) got = TakeDueTimer(Q.ThreadId, Wnd, Remove, Msg);
  if (!got) return false;
  Q.LastTime = Msg.time, Q.LastPos = Msg.pt;
  if (HasHooks(WH_GETMESSAGE))
    CallHooks(WH_GETMESSAGE, HC_ACTION, Remove ? PM_REMOVE : PM_NOREMOVE, reinterpret_cast<LPARAM>(&Msg));
  return true;
}

// True when the process clock is the system clock (waits are real).
bool RealClock() { return dynamic_cast<TSystemClock*>(GetClockSource().get()) != nullptr; }

bool QueueHasWork(TThreadQueue& Q) {
  return Q.Woken || Q.QuitPosted || !Q.Posted.empty() || !Q.Sent.empty() || !Q.Input.empty();
}

// Waits for something to do, up to TimeoutMs (-1: no limit). A timer that
// comes due first ends the wait; under a clock other than the system clock
// the clock is asked to sleep until then, so tests never really wait.
void WaitForWork(TThreadQueue& Q, long long TimeoutMs) {
  long long t = NextTimerDelay(Q.ThreadId);
  if (t == 0) return;
  if (t > 0 && !RealClock()) {
    ClockSleep(Cardinal(TimeoutMs >= 0 ? std::min(t, TimeoutMs) : t));
    return;
  }
  long long wait = t < 0 ? TimeoutMs : (TimeoutMs < 0 ? t : std::min(t, TimeoutMs));
  if (Q.ThreadId == MainThreadID && !Q.InPump) {
    PumpDevice(Q, int(std::min<long long>(wait, INT_MAX)));
    std::lock_guard<std::mutex> l(Q.M);
    Q.Woken = false;
    return;
  }
  std::unique_lock<std::mutex> l(Q.M);
  if (Q.ThreadId == MainThreadID) wait = wait < 0 ? 10 : std::min<long long>(wait, 10);  // nested: poll the device
  if (wait < 0)
    Q.Cv.wait(l, [&] { return QueueHasWork(Q); });
  else
    Q.Cv.wait_for(l, std::chrono::milliseconds(wait), [&] { return QueueHasWork(Q); });
  Q.Woken = false;
}

}  // namespace

bool GetMessage(MSG& Msg, HWND Wnd, UINT FilterMin, UINT FilterMax) {
  auto q = MyQueue();
  while (!PeekCore(*q, Msg, Wnd, FilterMin, FilterMax, true)) WaitForWork(*q, -1);
  return Msg.message != WM_QUIT;
}

bool PeekMessage(MSG& Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveFlags) {
  return PeekCore(*MyQueue(), Msg, Wnd, FilterMin, FilterMax, (RemoveFlags & PM_REMOVE) != 0);
}

bool WaitMessage(int TimeoutMs) {
  auto q = MyQueue();
  MSG m;
  if (PeekCore(*q, m, nullptr, 0, 0, false)) return true;
  WaitForWork(*q, TimeoutMs);
  return PeekCore(*q, m, nullptr, 0, 0, false);
}
