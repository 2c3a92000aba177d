// Showing, enabling, moving, sizing and reordering windows; coordinates
// and the windows under a point.
#include <algorithm>
#include <optional>

#include "platform/gui/wm_internal.h"

using namespace wm;

namespace {

void RaiseAll(const std::vector<TNativeWindow*>& Raised) {
  for (TNativeWindow* n : Raised) n->Raise();
}

// Moves Wnd in its sibling list as SetWindowPos's InsertAfter says.
void Reorder(HWND Wnd, HWND After, std::vector<TNativeWindow*>& Raised) {
  TWndRec* r = Rec(Wnd);
  if (!r->Parent) {
    if (After == HWND_TOPMOST) r->ExStyle |= WS_EX_TOPMOST;
    if (After == HWND_NOTOPMOST) r->ExStyle &= ~WS_EX_TOPMOST;
  }
  if (After == HWND_TOP || After == HWND_TOPMOST || After == HWND_NOTOPMOST) {
    if (!r->Parent) return BringToFront(Wnd, Raised);
  }
  auto& list = r->Parent ? Rec(r->Parent)->Children : State().TopLevels;
  list.erase(std::remove(list.begin(), list.end(), Wnd), list.end());
  if (After == HWND_TOP || After == HWND_TOPMOST || After == HWND_NOTOPMOST) {
    list.insert(list.begin(), Wnd);
  } else if (After == HWND_BOTTOM) {
    list.push_back(Wnd);
  } else {
    auto it = std::find(list.begin(), list.end(), After);
    list.insert(it == list.end() ? list.end() : it + 1, Wnd);
  }
}

bool Activates(int Cmd) { return Cmd != SW_SHOWNA && Cmd != SW_SHOWNOACTIVATE && Cmd != SW_HIDE; }

// Hides or shows the record; returns the native window to tell.
TNativeWindow* SetShown(HWND Wnd, bool Show) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return nullptr;
  if (!Show && VisibleChain(Wnd)) InvalidateUncovered(r->Parent, AreaInParent(*r));
  r->Style = Show ? (r->Style | WS_VISIBLE) : (r->Style & ~WS_VISIBLE);
  return r->Native.get();
}

void ForgetTree(HWND Wnd, bool Activation) {
  std::vector<HWND> tree;
  {
    auto L = WmLock();
    CollectTree(Wnd, tree);
  }
  for (HWND h : tree) ForgetWindowFocus(h, Activation);
}

// Maximising fills the work area of the window's monitor; restoring puts
// the bounds back. Minimising only marks the window.
void ApplyShowState(HWND Wnd, int Cmd) {
  std::optional<TRect> to;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r || r->Parent) return;
    if (Cmd == SW_SHOWMAXIMIZED && !(r->Style & WS_MAXIMIZE)) {
      r->RestoreBounds = r->Bounds;
      r->Style |= WS_MAXIMIZE;
      to = TRect{};
    } else if ((Cmd == SW_RESTORE || Cmd == SW_SHOWNORMAL) && (r->Style & WS_MAXIMIZE)) {
      r->Style &= ~WS_MAXIMIZE;
      to = r->RestoreBounds;
    }
    if (Cmd == SW_MINIMIZE || Cmd == SW_SHOWMINIMIZED) r->Style |= WS_MINIMIZE;
    if (Cmd == SW_RESTORE || Cmd == SW_SHOWNORMAL || Cmd == SW_SHOWMAXIMIZED) r->Style &= ~WS_MINIMIZE;
  }
  if (!to) return;
  if (to->IsEmpty()) {
    TMonitorInfo mi;
    GetMonitorInfo(MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), mi);
    to = mi.rcWork;
  }
  SetWindowPos(Wnd, nullptr, to->Left, to->Top, to->Width(), to->Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

bool wm::ShowWindowImpl(HWND Wnd, int Cmd, bool Notify) {
  ApplyShowState(Wnd, Cmd);
  bool show = Cmd != SW_HIDE, was, top;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return false;
    was = (r->Style & WS_VISIBLE) != 0;
    top = !r->Parent;
  }
  if (show != was) {
    if (Notify) CallProc(Wnd, WM_SHOWWINDOW, show, 0);
    TNativeWindow* n = SetShown(Wnd, show);
    if (n) n->SetVisible(show);
    if (show) RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    else ForgetTree(Wnd, true);
  }
  if (show && top) {
    std::vector<TNativeWindow*> raised;
    bool activate;
    {
      auto L = WmLock();
      // Activation raises the window itself.
      activate = Activates(Cmd) && Activatable(Wnd) && State().Active != Wnd;
      if (!activate) BringToFront(Wnd, raised);
    }
    RaiseAll(raised);
    if (activate) SetActiveWindow(Wnd);
  }
  return was;
}

bool ShowWindow(HWND Wnd, int Cmd) { return ShowWindowImpl(Wnd, Cmd, true); }

bool IsWindowVisible(HWND Wnd) {
  auto L = WmLock();
  return VisibleChain(Wnd);
}

bool EnableWindow(HWND Wnd, bool Enable) {
  bool wasDisabled;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return false;
    wasDisabled = (r->Style & WS_DISABLED) != 0;
    if (wasDisabled != Enable) return wasDisabled;
    r->Style = Enable ? (r->Style & ~WS_DISABLED) : (r->Style | WS_DISABLED);
  }
  if (!Enable) ForgetTree(Wnd, false);
  CallProc(Wnd, WM_ENABLE, Enable, 0);
  return wasDisabled;
}

bool IsWindowEnabled(HWND Wnd) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  return r && !(r->Style & WS_DISABLED);
}

void wm::SendMoveSize(HWND Wnd, bool Moved, bool Sized, bool SizeFirst) {
  TRect b, c;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return;
    b = r->Bounds, c = ClientInWindow(*r);
  }
  auto size = [&] { CallProc(Wnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.Width(), c.Height())); };
  if (Sized && SizeFirst) size();
  if (Moved) CallProc(Wnd, WM_MOVE, 0, MAKELPARAM(b.Left + c.Left, b.Top + c.Top));
  if (Sized && !SizeFirst) size();
}

namespace {

struct TPosChange {
  bool Moved = false, Sized = false, Visible = false, Top = false;
};

// Stores the new bounds and z-order; invalidates where the window was.
TPosChange ApplyPos(const WINDOWPOS& Wp, const TRect& Old, std::vector<TNativeWindow*>& Raised) {
  TPosChange ch;
  TRect nb = Bounds(Wp.x, Wp.y, std::max(Wp.cx, 0), std::max(Wp.cy, 0));
  ch.Moved = nb.TopLeft() != Old.TopLeft();
  // A changed frame (border styles) changes the client area like a resize.
  ch.Sized = nb.Width() != Old.Width() || nb.Height() != Old.Height() || (Wp.flags & SWP_FRAMECHANGED);
  TNativeWindow* native;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wp.hwnd);
    if (!r) return ch;
    ch.Visible = VisibleChain(Wp.hwnd), ch.Top = !r->Parent;
    if ((ch.Moved || ch.Sized) && ch.Visible) InvalidateUncovered(r->Parent, AreaInParent(*r));
    r->Bounds = nb;
    if (!(Wp.flags & SWP_NOZORDER)) Reorder(Wp.hwnd, Wp.hwndInsertAfter, Raised);
    native = r->Native.get();
  }
  if (native && (ch.Moved || ch.Sized)) native->SetBounds(nb);
  return ch;
}

}  // namespace

bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Width, int Height, UINT Flags) {
  WINDOWPOS wp{Wnd, InsertAfter, X, Y, Width, Height, Flags};
  TRect old;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return false;
    old = r->Bounds;
  }
  if (Flags & SWP_NOMOVE) wp.x = old.Left, wp.y = old.Top;
  if (Flags & SWP_NOSIZE) wp.cx = old.Width(), wp.cy = old.Height();
  CallProc(Wnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  std::vector<TNativeWindow*> raised;
  TPosChange ch = ApplyPos(wp, old, raised);
  if (ch.Sized) RecalcNonClient(Wnd);
  RaiseAll(raised);
  bool repaint = ch.Top ? ch.Sized : (ch.Moved || ch.Sized || !(wp.flags & SWP_NOZORDER));
  if (repaint && ch.Visible && !(wp.flags & SWP_NOREDRAW))
    RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  if (wp.flags & SWP_SHOWWINDOW) ShowWindow(Wnd, (wp.flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (wp.flags & SWP_HIDEWINDOW) ShowWindow(Wnd, SW_HIDE);
  CallProc(Wnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  SendMoveSize(Wnd, ch.Moved, ch.Sized, false);
  return true;
}

bool MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, bool Repaint) {
  return SetWindowPos(Wnd, nullptr, X, Y, Width, Height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (Repaint ? 0u : UINT(SWP_NOREDRAW)));
}

TRect GetWindowRect(HWND Wnd) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return {};
  TPoint o = WindowOriginOnDesktop(Wnd);
  return Bounds(o.X, o.Y, r->Bounds.Width(), r->Bounds.Height());
}

TRect GetClientRect(HWND Wnd) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return {};
  TRect c = ClientInWindow(*r);
  return {0, 0, c.Width(), c.Height()};
}

TPoint ClientToScreen(HWND Wnd, TPoint P) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return P;
  TPoint o = WindowOriginOnDesktop(Wnd);
  TRect in = NcInsets(*r);
  return {P.X + o.X + in.Left, P.Y + o.Y + in.Top};
}

TPoint ScreenToClient(HWND Wnd, TPoint P) {
  TPoint o = ClientToScreen(Wnd, TPoint{0, 0});
  return {P.X - o.X, P.Y - o.Y};
}

bool wm::WindowContains(HWND Wnd, TPoint Desktop) {
  TWndRec* r = Rec(Wnd);
  if (!r || !(r->Style & WS_VISIBLE)) return false;
  TPoint o = WindowOriginOnDesktop(Wnd);
  int x = Desktop.X - o.X, y = Desktop.Y - o.Y;
  if (x < 0 || y < 0 || x >= r->Bounds.Width() || y >= r->Bounds.Height()) return false;
  return !r->Shape || r->Shape->Contains(x, y);
}

namespace {

HWND DeepestAt(HWND Wnd, TPoint Desktop) {
  TWndRec* r = Rec(Wnd);
  TRect c = ClientInWindow(*r);
  TPoint o = WindowOriginOnDesktop(Wnd);
  OffsetRect(c, o.X, o.Y);
  if (PtInRect(c, Desktop))
    for (HWND ch : r->Children)
      if (WindowContains(ch, Desktop)) return DeepestAt(ch, Desktop);
  return Wnd;
}

}  // namespace

HWND WindowFromPoint(TPoint P) {
  auto L = WmLock();
  for (HWND t : State().TopLevels)
    if (WindowContains(t, P)) return DeepestAt(t, P);
  return nullptr;
}

HWND ChildWindowFromPoint(HWND Parent, TPoint ClientPoint) {
  auto L = WmLock();
  TWndRec* r = Rec(Parent);
  if (!r) return nullptr;
  TRect c = ClientInWindow(*r);
  if (!PtInRect({0, 0, c.Width(), c.Height()}, ClientPoint)) return nullptr;
  for (HWND ch : r->Children) {
    TWndRec* cr = Rec(ch);
    TPoint p{ClientPoint.X - cr->Bounds.Left, ClientPoint.Y - cr->Bounds.Top};
    if (PtInRect(cr->Bounds, ClientPoint) && (!cr->Shape || cr->Shape->Contains(p.X, p.Y))) return ch;
  }
  return Parent;
}
