// Keyboard focus and activation of top-level windows, and the back end's
// events about its native windows (close, expose, configure, activate).
#include "platform/gui/wm_internal.h"

using namespace wm;

namespace {

// Tells the top-level windows of the thread that owns Wnd that the
// application became active or inactive.
void SendActivateApp(HWND Wnd, bool Active) {
  std::vector<HWND> tops;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return;
    for (HWND t : State().TopLevels)
      if (Rec(t)->ThreadId == r->ThreadId) tops.push_back(t);
  }
  for (HWND t : tops) SendMessage(t, WM_ACTIVATEAPP, Active, LPARAM(GetCurrentThreadID()));
}

// Brings Top to the front and asks the back end for the keyboard.
void RaiseAndFocusNative(HWND Top) {
  std::vector<TNativeWindow*> raised;
  TNativeWindow* n = nullptr;
  {
    auto L = WmLock();
    BringToFront(Top, raised);
    if (TWndRec* r = Rec(Top)) n = r->Native.get();
  }
  for (TNativeWindow* w : raised) w->Raise();
  if (n) n->Activate();
}

bool Usable(HWND Top, HWND Leaving) {
  TWndRec* r = Rec(Top);
  return Top != Leaving && r && !r->Destroying && (r->Style & WS_VISIBLE) && Activatable(Top);
}

}  // namespace

void wm::ActivateTop(HWND Top, int How) {
  HWND old;
  {
    auto L = WmLock();
    old = State().Active;
    if (old == Top || (Top && !Rec(Top))) return;
    State().Active = Top;
  }
  if (old && IsWindow(old)) {
    SendMessage(old, WM_NCACTIVATE, 0, 0);
    SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(Top));
  }
  if (!old) SendActivateApp(Top, true);
  if (!Top) SendActivateApp(old, false);
  if (Top) {
    RaiseAndFocusNative(Top);
    SendMessage(Top, WM_NCACTIVATE, 1, 0);
    SendMessage(Top, WM_ACTIVATE, WPARAM(How), reinterpret_cast<LPARAM>(old));
  }
  HWND stale = nullptr;
  {
    auto L = WmLock();
    HWND f = State().Focus;
    if (f && TopOf(f) != State().Active) stale = f, State().Focus = nullptr;
  }
  if (stale) SendMessage(stale, WM_KILLFOCUS, 0, 0);
}

namespace {

// Picks another window to activate when the active one goes away.
void ActivateNext(HWND Leaving) {
  HWND next = nullptr;
  {
    auto L = WmLock();
    if (State().Active != Leaving) return;
    TWndRec* r = Rec(Leaving);
    if (r && Usable(r->Owner, Leaving)) {
      next = r->Owner;
    } else {
      for (HWND t : State().TopLevels)
        if (Usable(t, Leaving)) {
          next = t;
          break;
        }
    }
  }
  ActivateTop(next, WA_ACTIVE);
}

}  // namespace

void wm::ForgetWindowFocus(HWND Wnd, bool Activation) {
  bool focus, capture, active;
  {
    auto L = WmLock();
    focus = State().Focus == Wnd;
    capture = State().Capture == Wnd;
    active = Activation && State().Active == Wnd;
    if (focus) State().Focus = nullptr;
  }
  if (focus) SendMessage(Wnd, WM_KILLFOCUS, 0, 0);
  if (capture) ReleaseCapture();
  if (active) ActivateNext(Wnd);
}

HWND SetFocus(HWND Wnd) {
  if (!Wnd) {
    HWND old;
    {
      auto L = WmLock();
      old = State().Focus;
      State().Focus = nullptr;
    }
    if (old) SendMessage(old, WM_KILLFOCUS, 0, 0);
    return old;
  }
  HWND top;
  bool activate;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r || r->ThreadId != GetCurrentThreadID() || !VisibleChain(Wnd) || !EnabledChain(Wnd)) return nullptr;
    top = TopOf(Wnd);
    activate = State().Active != top && Activatable(top);
  }
  if (activate) ActivateTop(top, WA_ACTIVE);
  HWND old;
  {
    auto L = WmLock();
    old = State().Focus;
    if (old == Wnd || !Rec(Wnd)) return old;
    State().Focus = Wnd;
  }
  if (old) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(Wnd), 0);
  if (GetFocus() == Wnd) SendMessage(Wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  auto L = WmLock();
  return State().Focus;
}

HWND SetActiveWindow(HWND Wnd) {
  HWND top, old;
  {
    auto L = WmLock();
    top = TopOf(Wnd);
    if (!Activatable(top)) return nullptr;
    old = State().Active;
  }
  ActivateTop(top, WA_ACTIVE);
  return old;
}

HWND GetActiveWindow() {
  auto L = WmLock();
  return State().Active;
}

bool SetForegroundWindow(HWND Wnd) {
  SetActiveWindow(Wnd);
  return Wnd && GetActiveWindow() == GetAncestorTopLevel(Wnd);
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

void TDesktopInput::CloseRequest(HWND TopLevel) { PostMessage(TopLevel, WM_SYSCOMMAND, SC_CLOSE, 0); }

// The back buffer still holds the pixels: showing them again is enough.
void TDesktopInput::Expose(HWND TopLevel, const TRect& R) {
  auto L = WmLock();
  TWndRec* r = Rec(TopLevel);
  if (r && !r->Parent) MarkDirty(TopLevel, TRegion(R));
}

void TDesktopInput::Configured(HWND TopLevel, const TRect& B) {
  TRect old;
  {
    auto L = WmLock();
    TWndRec* r = Rec(TopLevel);
    if (!r || r->Parent) return;
    old = r->Bounds;
    r->Bounds = B;
  }
  WINDOWPOS wp{TopLevel, nullptr, B.Left, B.Top, B.Width(), B.Height(), SWP_NOZORDER | SWP_NOACTIVATE};
  CallProc(TopLevel, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  bool sized = old.Width() != B.Width() || old.Height() != B.Height();
  SendMoveSize(TopLevel, old.TopLeft() != B.TopLeft(), sized, false);
  if (sized) RedrawWindow(TopLevel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TDesktopInput::Activated(HWND TopLevel, bool Active) {
  bool mine;
  {
    auto L = WmLock();
    mine = State().Active == TopLevel;
    if (Active && !Activatable(TopLevel)) return;
  }
  if (Active) ActivateTop(TopLevel, WA_ACTIVE);
  else if (mine) ActivateTop(nullptr, WA_INACTIVE);
}
