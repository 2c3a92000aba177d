// Mouse input: routing device events to windows (capture, hit testing,
// activation by click, double clicks, WM_SETCURSOR, WM_MOUSELEAVE), the
// cursor, and the back end's window events.
#include <algorithm>
#include <cstdlib>

#include "platform/gui/wm_internal.h"
#include "platform/rtl/clock.h"

using namespace wm;

namespace {

struct THit {
  HWND Wnd = nullptr;
  int Code = HTNOWHERE;
};

struct TMouseState {
  TPoint Pos{};
  HCURSOR Cursor = IDC_ARROW;
  HWND CursorTop = nullptr;  // top-level window under the mouse
  HWND Hover = nullptr;      // window under the mouse, capture aside
  int LastButton = -1;
  HWND LastWnd = nullptr;
  DWORD LastTime = 0;
  TPoint LastPos{};
  std::vector<HWND> Tracked;
};

TMouseState& Mouse() {
  static TMouseState M;
  return M;
}

// The window under P inside Wnd (which contains P), children first,
// asking WM_NCHITTEST; HTTRANSPARENT windows let the point through.
THit Descend(HWND Wnd, TPoint P) {
  std::vector<HWND> kids;
  bool inClient;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return {};
    TRect c = ClientInWindow(*r);
    TPoint o = WindowOriginOnDesktop(Wnd);
    OffsetRect(c, o.X, o.Y);
    inClient = PtInRect(c, P);
    if (inClient) kids = r->Children;
  }
  for (HWND ch : kids) {
    bool hit, enabled;
    {
      auto L = WmLock();
      hit = WindowContains(ch, P);
      enabled = hit && !(Rec(ch)->Style & WS_DISABLED);
    }
    if (!hit || !enabled) continue;  // a disabled child leaves the input to its parent
    THit h = Descend(ch, P);
    if (h.Wnd) return h;
  }
  int code = int(SendMessage(Wnd, WM_NCHITTEST, 0, MAKELPARAM(P.X, P.Y)));
  if (code == HTTRANSPARENT) return {};
  // A procedure that does not answer hit tests gets plain client input.
  if (code == HTNOWHERE) code = inClient ? HTCLIENT : HTBORDER;
  return {Wnd, code};
}

// The target under P; a disabled top-level window takes the input and
// drops it (HTERROR).
THit HitAt(TPoint P) {
  std::vector<HWND> tops;
  {
    auto L = WmLock();
    tops = State().TopLevels;
  }
  for (HWND t : tops) {
    bool hit, disabled;
    {
      auto L = WmLock();
      hit = WindowContains(t, P);
      disabled = hit && (Rec(t)->Style & WS_DISABLED);
    }
    if (!hit) continue;
    if (disabled) return {t, HTERROR};
    THit h = Descend(t, P);
    if (h.Wnd) return h;
  }
  return {};
}

THit Target(TPoint P) {
  if (HWND cap = GetCapture()) return {cap, HTCLIENT};
  return HitAt(P);
}

void PostMouse(const THit& H, UINT Msg, TPoint P) {
  if (H.Code == HTCLIENT) {
    TPoint c = ScreenToClient(H.Wnd, P);
    PostInput(H.Wnd, Msg, MouseKeyFlags(), MAKELPARAM(c.X, c.Y));
    return;
  }
  // Client mouse messages run from 0x200, their non-client twins from 0xA0.
  PostInput(H.Wnd, Msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE, WPARAM(H.Code), MAKELPARAM(P.X, P.Y));
}

// Posts WM_MOUSELEAVE to tracked windows that the mouse is no longer over.
void CheckLeave(HWND Hover) {
  std::vector<HWND> left;
  {
    auto L = WmLock();
    auto& tr = Mouse().Tracked;
    Mouse().Hover = Hover;
    for (HWND t : tr)
      if (t != Hover) left.push_back(t);
    tr.erase(std::remove_if(tr.begin(), tr.end(), [&](HWND t) { return t != Hover; }), tr.end());
  }
  // Queued with the input, so it follows the moves that came before it.
  for (HWND t : left) PostInput(t, WM_MOUSELEAVE, 0, 0);
}

void NoteHover(TPoint P, const THit& H) {
  HWND hover = GetCapture() ? HitAt(P).Wnd : H.Wnd;
  {
    auto L = WmLock();
    Mouse().CursorTop = TopOf(H.Wnd ? H.Wnd : hover);
  }
  CheckLeave(hover);
}

// While a window holds the capture it keeps the cursor it set.
void SendSetCursor(const THit& H, UINT Msg) {
  if (GetCapture()) return;
  SendMessage(H.Wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(H.Wnd), MAKELPARAM(H.Code, int(Msg)));
}

// Same button, same window, within the double-click time and box.
bool IsDoubleClick(int Button, HWND Wnd, TPoint P) {
  auto L = WmLock();
  TMouseState& m = Mouse();
  DWORD now = GetTickCount();
  bool dbl = m.LastButton == Button && m.LastWnd == Wnd && now - m.LastTime <= GetDoubleClickTime() &&
             std::abs(P.X - m.LastPos.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
             std::abs(P.Y - m.LastPos.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
  m.LastButton = dbl ? -1 : Button;
  m.LastWnd = Wnd, m.LastTime = now, m.LastPos = P;
  return dbl;
}

// WM_MOUSEACTIVATE for a click into an inactive top-level window; false
// when the click is eaten.
bool ActivateOnClick(const THit& H, UINT Msg) {
  HWND top;
  {
    auto L = WmLock();
    top = TopOf(H.Wnd);
    if (top == State().Active || !Activatable(top)) return true;
  }
  LRESULT ma = SendMessage(H.Wnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top), MAKELPARAM(H.Code, int(Msg)));
  if (ma == 0) ma = MA_ACTIVATE;
  if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) ActivateTop(top, WA_CLICKACTIVE);
  return ma == MA_ACTIVATE || ma == MA_NOACTIVATE;
}

}  // namespace

void TDesktopInput::MouseMove(TPoint Pos) {
  {
    auto L = WmLock();
    Mouse().Pos = Pos;
  }
  THit h = Target(Pos);
  NoteHover(Pos, h);
  if (!h.Wnd || h.Code == HTERROR) return;
  SendSetCursor(h, WM_MOUSEMOVE);
  PostMouse(h, WM_MOUSEMOVE, Pos);
}

void TDesktopInput::MouseButton(int Button, bool Down, TPoint Pos) {
  {
    auto L = WmLock();
    Mouse().Pos = Pos;
  }
  SetMouseButtonKey(Button, Down);
  THit h = Target(Pos);
  if (!h.Wnd || h.Code == HTERROR) return;
  UINT base = Button == 0 ? WM_LBUTTONDOWN : Button == 1 ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
  if (!Down) return PostMouse(h, base + 1, Pos);
  if (!GetCapture() && !ActivateOnClick(h, base)) return;
  UINT msg = IsDoubleClick(Button, h.Wnd, Pos) ? base + 2 : base;
  SendSetCursor(h, msg);
  PostMouse(h, msg, Pos);
}

void TDesktopInput::MouseWheel(int Delta, TPoint Pos) {
  HWND target;
  {
    auto L = WmLock();
    Mouse().Pos = Pos;
    target = State().Focus ? State().Focus : State().Active;
  }
  if (!target) return;
  WPARAM w = (MouseKeyFlags() & 0xFFFF) | (WPARAM(std::uint16_t(std::int16_t(Delta))) << 16);
  PostInput(target, WM_MOUSEWHEEL, w, MAKELPARAM(Pos.X, Pos.Y));
}

void wm::ForgetWindowInput(HWND Wnd) {
  TMouseState& m = Mouse();
  if (m.LastWnd == Wnd) m.LastWnd = nullptr, m.LastButton = -1;
  if (m.CursorTop == Wnd) m.CursorTop = nullptr;
  if (m.Hover == Wnd) m.Hover = nullptr;
  m.Tracked.erase(std::remove(m.Tracked.begin(), m.Tracked.end(), Wnd), m.Tracked.end());
}

HWND SetCapture(HWND Wnd) {
  HWND old;
  {
    auto L = WmLock();
    if (!Rec(Wnd)) return nullptr;
    old = State().Capture;
    State().Capture = Wnd;
  }
  if (old && old != Wnd) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Wnd));
  return old;
}

bool ReleaseCapture() {
  HWND old;
  {
    auto L = WmLock();
    old = State().Capture;
    State().Capture = nullptr;
  }
  if (old) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return true;
}

HWND GetCapture() {
  auto L = WmLock();
  return State().Capture;
}

TPoint GetCursorPos() {
  auto L = WmLock();
  return Mouse().Pos;
}

bool SetCursorPos(int X, int Y) {
  TDesktopInput::MouseMove({X, Y});
  return true;
}

bool TrackMouseLeave(HWND Wnd) {
  bool over;
  {
    auto L = WmLock();
    if (!Rec(Wnd)) return false;
    over = Mouse().Hover == Wnd;
    auto& tr = Mouse().Tracked;
    if (over && std::find(tr.begin(), tr.end(), Wnd) == tr.end()) tr.push_back(Wnd);
  }
  if (!over) PostMessage(Wnd, WM_MOUSELEAVE, 0, 0);
  return true;
}

UINT GetDoubleClickTime() { return 500; }

HCURSOR SetCursor(HCURSOR Cursor) {
  HCURSOR old;
  TNativeWindow* n = nullptr;
  {
    auto L = WmLock();
    old = Mouse().Cursor;
    Mouse().Cursor = Cursor;
    if (TWndRec* t = Rec(Mouse().CursorTop)) n = t->Native.get();
  }
  if (n) n->SetCursor(Cursor);
  return old;
}

HCURSOR GetCursor() {
  auto L = WmLock();
  return Mouse().Cursor;
}
