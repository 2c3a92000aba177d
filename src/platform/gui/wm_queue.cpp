// Message queues: one per thread, with posted, input and cross-thread sent
// messages; sending, posting and dispatching.
#include <algorithm>

#include "platform/gui/wm_foreign.h"
#include "platform/gui/wm_internal.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/threads.h"

using namespace wm;

namespace wm {

std::shared_ptr<TThreadQueue> QueueOf(DWORD ThreadId) {
  auto L = WmLock();
  auto& q = State().Queues[ThreadId];
  if (!q) {
    q = std::make_shared<TThreadQueue>();
    q->ThreadId = ThreadId;
    // A worker's Synchronize must wake the GUI thread's wait.
    if (ThreadId == MainThreadID && !WakeMainThread)
      WakeMainThread = [](TObject*) { WakeThread(MainThreadID); };
  }
  return q;
}

namespace {

// The calling thread's queue; it leaves the table with the thread, so a
// later thread that gets the same id starts with an empty queue.
struct TMyQueue {
  std::shared_ptr<TThreadQueue> Q;
  ~TMyQueue() {
    if (!Q) return;
    auto L = WmLock();
    auto it = State().Queues.find(Q->ThreadId);
    if (it != State().Queues.end() && it->second == Q) State().Queues.erase(it);
  }
};

}  // namespace

std::shared_ptr<TThreadQueue> MyQueue() {
  thread_local TMyQueue Mine;
  if (!Mine.Q) Mine.Q = QueueOf(GetCurrentThreadID());
  return Mine.Q;
}

void WakeQueue(TThreadQueue& Q) {
  Q.Cv.notify_all();
  if (Q.ThreadId == MainThreadID) WakeDriver();
}

void ReceiveSent(TThreadQueue& Q) {
  for (;;) {
    std::shared_ptr<TSentMessage> s;
    {
      std::lock_guard<std::mutex> l(Q.M);
      if (Q.Sent.empty()) return;
      s = Q.Sent.front();
      Q.Sent.pop_front();
    }
    try {
      if (IsWindow(s->Wnd)) s->Result = CallProc(s->Wnd, s->Msg, s->WParam, s->LParam);
    } catch (...) {
      s->Error = std::current_exception();
    }
    std::lock_guard<std::mutex> l(s->Sender->M);
    s->Done = true;
    s->Sender->Cv.notify_all();
  }
}

LRESULT CallProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWndProc proc;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return 0;
    proc = r->Proc;
  }
  if (HasHooks(WH_CALLWNDPROC)) {
    CWPSTRUCT cwp{LParam, WParam, Msg, Wnd};
    CallHooks(WH_CALLWNDPROC, HC_ACTION, 1, reinterpret_cast<LPARAM>(&cwp));
  }
  return proc ? proc(Wnd, Msg, WParam, LParam) : DefWindowProc(Wnd, Msg, WParam, LParam);
}

}  // namespace wm

namespace {

void PostTo(DWORD ThreadId, const MSG& Msg) {
  auto q = QueueOf(ThreadId);
  {
    std::lock_guard<std::mutex> l(q->M);
    q->Posted.push_back(Msg);
  }
  WakeQueue(*q);
}

MSG MakeMsg(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  return MSG{Wnd, Msg, WParam, LParam, GetTickCount(), GetCursorPos()};
}

}  // namespace

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (IsProxyHandle(Wnd)) return ProxySendMessage(Wnd, Msg, WParam, LParam);
  DWORD tid;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return 0;
    tid = r->ThreadId;
  }
  if (tid == GetCurrentThreadID()) return CallProc(Wnd, Msg, WParam, LParam);
  auto me = MyQueue();
  auto target = QueueOf(tid);
  auto s = std::make_shared<TSentMessage>();
  s->Wnd = Wnd, s->Msg = Msg, s->WParam = WParam, s->LParam = LParam, s->Sender = me.get();
  {
    std::lock_guard<std::mutex> l(target->M);
    target->Sent.push_back(s);
  }
  WakeQueue(*target);
  for (;;) {
    ReceiveSent(*me);  // answer sends to us meanwhile, so two threads never deadlock
    std::unique_lock<std::mutex> l(me->M);
    me->Cv.wait(l, [&] { return s->Done || !me->Sent.empty(); });
    if (s->Done) break;
  }
  if (s->Error) std::rethrow_exception(s->Error);
  return s->Result;
}

bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!Wnd) return PostThreadMessage(GetCurrentThreadID(), Msg, WParam, LParam);
  if (IsProxyHandle(Wnd)) return ProxyPostMessage(Wnd, Msg, WParam, LParam);
  DWORD tid;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return false;
    tid = r->ThreadId;
  }
  PostTo(tid, MakeMsg(Wnd, Msg, WParam, LParam));
  return true;
}

bool PostThreadMessage(DWORD ThreadId, UINT Msg, WPARAM WParam, LPARAM LParam) {
  PostTo(ThreadId, MakeMsg(nullptr, Msg, WParam, LParam));
  return true;
}

void PostQuitMessage(int ExitCode) {
  auto q = MyQueue();
  std::lock_guard<std::mutex> l(q->M);
  q->QuitPosted = true;
  q->QuitCode = ExitCode;
}

LRESULT DispatchMessage(const MSG& Msg) {
  if (Msg.message == WM_TIMER && Msg.lParam && RunTimerProc(Msg)) return 0;
  if (!Msg.hwnd) return 0;
  unsigned before;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Msg.hwnd);
    if (!r) return 0;
    before = r->PaintCount;
  }
  LRESULT res = CallProc(Msg.hwnd, Msg.message, Msg.wParam, Msg.lParam);
  if (Msg.message == WM_PAINT) {
    // A procedure that ignores WM_PAINT would get it for ever: validate.
    auto L = WmLock();
    TWndRec* r = Rec(Msg.hwnd);
    if (r && r->PaintCount == before) {
      r->Update = TRegion();
      r->EraseNeeded = r->InternalPaint = r->FrameDirty = false;
    }
  }
  return res;
}

bool TranslateMessage(const MSG& Msg) {
  if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return false;
  auto q = MyQueue();
  String text;
  const MSG& k = q->LastKey;
  if (k.hwnd == Msg.hwnd && k.message == Msg.message && k.wParam == Msg.wParam && k.time == Msg.time)
    text = q->LastKeyText;
  else
    text = KeyText(Word(Msg.wParam), GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
  if (text.empty()) return false;
  UINT m = Msg.message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  for (char32_t cp : CodePoints(text)) PostMessage(Msg.hwnd, m, WPARAM(cp), Msg.lParam);
  return true;
}

DWORD GetMessageTime() { return MyQueue()->LastTime; }
TPoint GetMessagePos() { return MyQueue()->LastPos; }
DWORD GetCurrentThreadId() { return GetCurrentThreadID(); }

void WakeThread(DWORD ThreadId) {
  auto q = QueueOf(ThreadId);
  {
    std::lock_guard<std::mutex> l(q->M);
    q->Woken = true;
  }
  WakeQueue(*q);
}
