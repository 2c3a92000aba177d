// Hooks: per-thread filter chains; the newest hook of a kind is called
// first and passes the call on with CallNextHookEx.
#include <algorithm>

#include "platform/gui/wm_internal.h"

using namespace wm;

namespace {

struct THook {
  HHOOK Handle = 0;
  int Kind = 0;
  DWORD ThreadId = 0;
  THookProc Proc;
};

// Newest first; guarded by the window lock.
std::vector<THook>& Hooks() {
  static auto* H = new std::vector<THook>;
  return *H;
}

// The procedure of the first hook of the calling thread's chain of Kind
// after position From.
bool NextHook(int Kind, std::vector<THook>::iterator From, THookProc& Proc) {
  DWORD me = GetCurrentThreadID();
  for (auto it = From; it != Hooks().end(); ++it)
    if (it->Kind == Kind && it->ThreadId == me) {
      Proc = it->Proc;
      return true;
    }
  return false;
}

}  // namespace

HHOOK SetWindowsHookEx(int Kind, THookProc Proc) {
  static HHOOK Next = 0x100;
  auto L = WmLock();
  HHOOK h = Next++;
  Hooks().insert(Hooks().begin(), THook{h, Kind, GetCurrentThreadID(), std::move(Proc)});
  return h;
}

bool UnhookWindowsHookEx(HHOOK Hook) {
  auto L = WmLock();
  auto it = std::find_if(Hooks().begin(), Hooks().end(), [&](const THook& h) { return h.Handle == Hook; });
  if (it == Hooks().end()) return false;
  Hooks().erase(it);
  return true;
}

LRESULT CallNextHookEx(HHOOK Hook, int Code, WPARAM WParam, LPARAM LParam) {
  THookProc proc;
  {
    auto L = WmLock();
    auto it = std::find_if(Hooks().begin(), Hooks().end(), [&](const THook& h) { return h.Handle == Hook; });
    if (it == Hooks().end() || !NextHook(it->Kind, it + 1, proc)) return 0;
  }
  return proc(Code, WParam, LParam);
}

LRESULT wm::CallHooks(int Kind, int Code, WPARAM WParam, LPARAM LParam) {
  THookProc proc;
  {
    auto L = WmLock();
    if (!NextHook(Kind, Hooks().begin(), proc)) return 0;
  }
  return proc(Code, WParam, LParam);
}

bool wm::HasHooks(int Kind) {
  THookProc unused;
  auto L = WmLock();
  return NextHook(Kind, Hooks().begin(), unused);
}
