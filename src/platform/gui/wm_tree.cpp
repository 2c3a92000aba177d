// The window tree: the shared state, record lookup, coordinates and the
// visible regions that painting clips to.
#include <algorithm>

#include "platform/gui/wm_internal.h"
#include "platform/rtl/charset.h"

namespace wm {

TWmState& State() {
  static TWmState* S = new TWmState;  // lives to the end, past static destructors
  return *S;
}

TWndRec* Rec(HWND Wnd) {
  auto& W = State().Windows;
  auto it = W.find(reinterpret_cast<std::uintptr_t>(Wnd));
  return it == W.end() ? nullptr : it->second.get();
}

HWND TopOf(HWND Wnd) {
  TWndRec* r = Rec(Wnd);
  while (r && r->Parent) r = Rec(r->Parent);
  return r ? r->Handle : nullptr;
}

bool VisibleChain(HWND Wnd) {
  for (TWndRec* r = Rec(Wnd); r; r = Rec(r->Parent)) {
    if (!(r->Style & WS_VISIBLE)) return false;
    if (!r->Parent) return true;
  }
  return false;
}

bool EnabledChain(HWND Wnd) {
  for (TWndRec* r = Rec(Wnd); r; r = Rec(r->Parent)) {
    if (r->Style & WS_DISABLED) return false;
    if (!r->Parent) return true;
  }
  return false;
}

TRect ClientInWindow(const TWndRec& R) {
  TRect in = NcInsets(R);
  TRect c{in.Left, in.Top, R.Bounds.Width() - in.Right, R.Bounds.Height() - in.Bottom};
  if (c.Right < c.Left) c.Right = c.Left;
  if (c.Bottom < c.Top) c.Bottom = c.Top;
  return c;
}

TPoint WindowOriginInTop(HWND Wnd) {
  TWndRec* r = Rec(Wnd);
  if (!r || !r->Parent) return {};
  TPoint p = ClientOriginInTop(r->Parent);
  return {p.X + r->Bounds.Left, p.Y + r->Bounds.Top};
}

TPoint ClientOriginInTop(HWND Wnd) {
  TWndRec* r = Rec(Wnd);
  if (!r) return {};
  TPoint p = WindowOriginInTop(Wnd);
  TRect in = NcInsets(*r);
  return {p.X + in.Left, p.Y + in.Top};
}

TPoint WindowOriginOnDesktop(HWND Wnd) {
  TWndRec* top = Rec(TopOf(Wnd));
  if (!top) return {};
  TPoint p = WindowOriginInTop(Wnd);
  return {p.X + top->Bounds.Left, p.Y + top->Bounds.Top};
}

TRegion AreaInParent(const TWndRec& R) {
  TRegion a(R.Bounds);
  if (R.Shape) {
    TRegion s = *R.Shape;
    s.Offset(R.Bounds.Left, R.Bounds.Top);
    a = a.Intersect(s);
  }
  return a;
}

namespace {

// The window's area offset into top-level coordinates.
TRegion AreaInTop(HWND Wnd) {
  TWndRec* r = Rec(Wnd);
  TRegion a = AreaInParent(*r);
  if (r->Parent) {
    TPoint o = ClientOriginInTop(r->Parent);
    a.Offset(o.X, o.Y);
  } else {
    a.Offset(-r->Bounds.Left, -r->Bounds.Top);
  }
  return a;
}

// Removes the visible siblings above Wnd from Vis.
void SubtractSiblingsAbove(const TWndRec& R, TRegion& Vis) {
  TWndRec* p = Rec(R.Parent);
  for (HWND s : p->Children) {
    if (s == R.Handle) return;
    TWndRec* sr = Rec(s);
    if (sr && (sr->Style & WS_VISIBLE)) Vis = Vis.Subtract(AreaInTop(s));
  }
}

}  // namespace

TRegion VisibleInTop(HWND Wnd) {
  if (!VisibleChain(Wnd)) return {};
  TRegion vis = AreaInTop(Wnd);
  for (TWndRec* r = Rec(Wnd); r && r->Parent; r = Rec(r->Parent)) {
    TWndRec* p = Rec(r->Parent);
    TRect pc = ClientInWindow(*p);
    TPoint po = WindowOriginInTop(p->Handle);
    OffsetRect(pc, po.X, po.Y);
    vis = vis.Intersect(TRegion(pc));
    if (p->Shape) {
      TRegion s = *p->Shape;
      s.Offset(po.X, po.Y);
      vis = vis.Intersect(s);
    }
    if (r->Style & WS_CLIPSIBLINGS) SubtractSiblingsAbove(*r, vis);
  }
  return vis;
}

TRegion ClientVisibleInTop(HWND Wnd) {
  TWndRec* r = Rec(Wnd);
  if (!r) return {};
  TRect c = ClientInWindow(*r);
  TPoint o = WindowOriginInTop(Wnd);
  OffsetRect(c, o.X, o.Y);
  TRegion vis = VisibleInTop(Wnd).Intersect(TRegion(c));
  if (r->Style & WS_CLIPCHILDREN)
    for (HWND ch : r->Children) {
      TWndRec* cr = Rec(ch);
      if (cr && (cr->Style & WS_VISIBLE)) vis = vis.Subtract(AreaInTop(ch));
    }
  return vis;
}

bool Activatable(HWND Top) {
  TWndRec* r = Rec(Top);
  if (!r || r->Parent) return false;
  if (r->Kind == TNativeKind::Popup || (r->ExStyle & WS_EX_NOACTIVATE)) return false;
  return !(r->Style & WS_DISABLED);
}

void CollectTree(HWND Wnd, std::vector<HWND>& Out) {
  TWndRec* r = Rec(Wnd);
  if (!r) return;
  Out.push_back(Wnd);
  for (HWND c : r->Children) CollectTree(c, Out);
}

std::vector<HWND> ThreadWindowsInPaintOrder(DWORD ThreadId) {
  std::vector<HWND> out;
  const auto& tops = State().TopLevels;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    TWndRec* r = Rec(*it);
    if (r && r->ThreadId == ThreadId) CollectTree(*it, out);
  }
  return out;
}

std::vector<char32_t> CodePoints(const String& Text) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < Text.size();) out.push_back(Utf8Decode(Text, i));
  return out;
}

}  // namespace wm
