// Proxy handles for top-level windows of other programs: the table of
// proxies, and what the window manager's functions do with them.
#include "platform/gui/wm_foreign.h"

#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/gui/backend.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/threads.h"

namespace {

// Our own windows' handles are multiples of four; proxies are two more
// than one, from a range of their own.
constexpr std::uintptr_t kProxyMask = 3, kProxyTag = 2;
constexpr std::uintptr_t kFirstProxy = 0x7F000000 | kProxyTag;
// How often SendMessage looks whether a closed window is gone.
constexpr Cardinal kClosePollMs = 10;

// One foreign window: the back end that found it, its id there, and its
// names as last seen.
struct TProxy {
  const TGuiDriver* Driver = nullptr;
  std::uintptr_t Id = 0;
  String ClassName, Text;
};

struct TProxyTable {
  std::mutex M;
  std::unordered_map<std::uintptr_t, TProxy> Proxies;
  std::uintptr_t Next = kFirstProxy;
};

TProxyTable& Table() {
  static TProxyTable T;
  return T;
}

std::uintptr_t Key(HWND Wnd) { return reinterpret_cast<std::uintptr_t>(Wnd); }

std::optional<TProxy> Lookup(HWND Proxy) {
  TProxyTable& t = Table();
  std::lock_guard<std::mutex> l(t.M);
  auto it = t.Proxies.find(Key(Proxy));
  if (it == t.Proxies.end()) return std::nullopt;
  return it->second;
}

void Forget(HWND Proxy) {
  TProxyTable& t = Table();
  std::lock_guard<std::mutex> l(t.M);
  t.Proxies.erase(Key(Proxy));
}

// The proxy of the foreign window Id of Driver: the one it already has,
// else a new one. Names are refreshed either way.
HWND ProxyFor(const TGuiDriver& Driver, std::uintptr_t Id, const String& ClassName, const String& Text) {
  TProxyTable& t = Table();
  std::lock_guard<std::mutex> l(t.M);
  for (auto& [h, p] : t.Proxies)
    if (p.Driver == &Driver && p.Id == Id) {
      p.ClassName = ClassName, p.Text = Text;
      return reinterpret_cast<HWND>(h);
    }
  std::uintptr_t h = t.Next;
  t.Next += kProxyMask + 1;
  t.Proxies[h] = TProxy{&Driver, Id, ClassName, Text};
  return reinterpret_cast<HWND>(h);
}

void RememberText(HWND Proxy, const String& Text) {
  TProxyTable& t = Table();
  std::lock_guard<std::mutex> l(t.M);
  auto it = t.Proxies.find(Key(Proxy));
  if (it != t.Proxies.end()) it->second.Text = Text;
}

// The back end to ask about P: the active one when it is the one that
// found the window and we are on the main thread; null otherwise.
TGuiDriver* DriverFor(const TProxy& P) {
  if (!IsMainThread()) return nullptr;
  TGuiDriver& d = GuiDriver();
  return &d == P.Driver ? &d : nullptr;
}

// The proxy's window while it exists; a proxy found gone (or whose back
// end was replaced) is forgotten.
std::optional<TProxy> Alive(HWND Proxy) {
  std::optional<TProxy> p = Lookup(Proxy);
  if (!p || !IsMainThread()) return p;
  TGuiDriver* d = DriverFor(*p);
  if (d && d->IsForeignWindow(p->Id)) return p;
  Forget(Proxy);
  return std::nullopt;
}

// Sends the close request; false when the window is gone or takes none.
bool PostClose(HWND Proxy) {
  std::optional<TProxy> p = Alive(Proxy);
  TGuiDriver* d = p ? DriverFor(*p) : nullptr;
  return d && d->PostForeignClose(p->Id);
}

}  // namespace

namespace wm {

bool IsProxyHandle(HWND Wnd) { return (Key(Wnd) & kProxyMask) == kProxyTag && Key(Wnd) >= kFirstProxy; }

HWND FindForeignProxy(const String& ClassName, const String& Title) {
  if (!IsMainThread()) return nullptr;
  TGuiDriver& d = GuiDriver();
  std::uintptr_t id = d.FindForeignWindow(ClassName, Title);
  if (!id) return nullptr;
  return ProxyFor(d, id, d.ForeignClassName(id), d.ForeignWindowText(id));
}

bool ProxyIsWindow(HWND Proxy) { return Alive(Proxy).has_value(); }

String ProxyClassName(HWND Proxy) {
  std::optional<TProxy> p = Alive(Proxy);
  return p ? p->ClassName : String();
}

String ProxyWindowText(HWND Proxy) {
  std::optional<TProxy> p = Alive(Proxy);
  if (!p) return String();
  TGuiDriver* d = DriverFor(*p);
  if (!d) return p->Text;
  String text = d->ForeignWindowText(p->Id);
  RememberText(Proxy, text);
  return text;
}

LRESULT ProxySendMessage(HWND Proxy, UINT Msg, WPARAM, LPARAM) {
  if (Msg != WM_CLOSE || !PostClose(Proxy)) return 0;
  // The other program closes in its own time; give it a moment, as a send
  // waits for the answer, so that a search right after finds it gone.
  for (Cardinal waited = 0; waited < ForeignCloseWaitMs && ProxyIsWindow(Proxy); waited += kClosePollMs)
    ClockSleep(kClosePollMs);
  return 0;
}

bool ProxyPostMessage(HWND Proxy, UINT Msg, WPARAM, LPARAM) { return Msg == WM_CLOSE && PostClose(Proxy); }

}  // namespace wm
