// Timers: WM_TIMER messages (or timer procedures) each Elapse milliseconds
// of the injectable clock, handed out by the queue when nothing else waits.
#include <algorithm>

#include "platform/gui/wm_internal.h"
#include "platform/rtl/clock.h"

using namespace wm;

namespace {

struct TTimer {
  HWND Wnd = nullptr;
  std::uintptr_t Id = 0;
  DWORD ThreadId = 0;
  UINT Elapse = 0;
  std::uint64_t Due = 0;
  TTimerProc Proc;
  std::function<void()> Internal;
};

// Guarded by the window lock.
std::vector<TTimer>& Timers() {
  static auto* T = new std::vector<TTimer>;
  return *T;
}

std::uintptr_t& NextTimerId() {
  static std::uintptr_t Id = 0x7000;
  return Id;
}

std::vector<TTimer>::iterator FindTimer(HWND Wnd, std::uintptr_t Id, bool Internal = false) {
  return std::find_if(Timers().begin(), Timers().end(), [&](const TTimer& t) {
    return t.Wnd == Wnd && t.Id == Id && bool(t.Internal) == Internal;
  });
}

// The earliest due timer of the thread that matches the filter.
std::vector<TTimer>::iterator EarliestDue(DWORD ThreadId, HWND Filter, std::uint64_t Now) {
  auto best = Timers().end();
  for (auto it = Timers().begin(); it != Timers().end(); ++it) {
    if (it->ThreadId != ThreadId || it->Due > Now || (Filter && it->Wnd != Filter && !it->Internal)) continue;
    if (best == Timers().end() || it->Due < best->Due) best = it;
  }
  return best;
}

}  // namespace

std::uintptr_t SetTimer(HWND Wnd, std::uintptr_t Id, UINT ElapseMs, TTimerProc Proc) {
  auto L = WmLock();
  DWORD tid = GetCurrentThreadID();
  if (Wnd) {
    TWndRec* r = Rec(Wnd);
    if (!r) return 0;
    tid = r->ThreadId;
  } else if (FindTimer(nullptr, Id) == Timers().end()) {
    Id = ++NextTimerId();
  }
  UINT elapse = std::max<UINT>(ElapseMs, 10);
  auto it = FindTimer(Wnd, Id);
  if (it == Timers().end()) it = Timers().insert(Timers().end(), TTimer{Wnd, Id, tid, 0, 0, nullptr, nullptr});
  it->Elapse = elapse;
  it->Due = GetTickCount64() + elapse;
  it->Proc = std::move(Proc);
  WakeQueue(*QueueOf(tid));
  return Wnd ? (Id ? Id : 1) : Id;
}

bool KillTimer(HWND Wnd, std::uintptr_t Id) {
  auto L = WmLock();
  auto it = FindTimer(Wnd, Id);
  if (it == Timers().end()) return false;
  Timers().erase(it);
  return true;
}

void wm::KillTimersOf(HWND Wnd) {
  auto& t = Timers();
  t.erase(std::remove_if(t.begin(), t.end(), [&](const TTimer& x) { return Wnd && x.Wnd == Wnd; }), t.end());
}

std::uintptr_t wm::SetInternalTimer(DWORD ThreadId, UINT ElapseMs, std::function<void()> Proc) {
  auto L = WmLock();
  std::uintptr_t id = ++NextTimerId();
  Timers().push_back(TTimer{nullptr, id, ThreadId, ElapseMs, GetTickCount64() + ElapseMs, nullptr, std::move(Proc)});
  return id;
}

void wm::KillInternalTimer(std::uintptr_t Id) {
  auto L = WmLock();
  auto it = FindTimer(nullptr, Id, true);
  if (it != Timers().end()) Timers().erase(it);
}

bool wm::TakeDueTimer(DWORD ThreadId, HWND Filter, bool Remove, MSG& Msg) {
  for (;;) {
    std::function<void()> internal;
    {
      auto L = WmLock();
      std::uint64_t now = GetTickCount64();
      auto it = EarliestDue(ThreadId, Filter, now);
      if (it == Timers().end()) return false;
      // Whatever number of periods passed, one WM_TIMER; the next is a period away.
      if (Remove || it->Internal) it->Due = now + it->Elapse;
      if (!it->Internal) {
        Msg = MSG{it->Wnd, WM_TIMER, it->Id, it->Proc ? LPARAM(1) : 0, Cardinal(now), GetCursorPos()};
        return true;
      }
      internal = it->Internal;
    }
    internal();
  }
}

long long wm::NextTimerDelay(DWORD ThreadId) {
  auto L = WmLock();
  std::uint64_t now = GetTickCount64();
  long long best = -1;
  for (const TTimer& t : Timers()) {
    if (t.ThreadId != ThreadId) continue;
    long long d = t.Due <= now ? 0 : (long long)(t.Due - now);
    if (best < 0 || d < best) best = d;
  }
  return best;
}

bool wm::RunTimerProc(const MSG& Msg) {
  TTimerProc proc;
  {
    auto L = WmLock();
    auto it = FindTimer(Msg.hwnd, Msg.wParam);
    if (it == Timers().end() || !it->Proc) return false;
    proc = it->Proc;
  }
  proc(Msg.hwnd, WM_TIMER, Msg.wParam, Msg.time);
  return true;
}
