// Invalid regions: invalidation, validation, the choice of the next window
// to paint, and scrolling the pixels of a client area.
#include <algorithm>
#include <cstring>

#include "platform/gui/wm_internal.h"

using namespace wm;

namespace {

enum { kChildDefault = 0, kChildAll = 1 };

bool WaitsForPaint(const TWndRec& R) {
  TRect in = NcInsets(R);
  bool frame = R.FrameDirty && (in.Left || in.Top || in.Right || in.Bottom);
  return !R.Update.IsEmpty() || R.InternalPaint || frame;
}

TRegion WholeClient(const TWndRec& R) {
  TRect c = ClientInWindow(R);
  return TRegion(Rect(0, 0, c.Width(), c.Height()));
}

void ValidateTree(HWND Wnd, const TRegion& Rgn, bool All) {
  TWndRec* r = Rec(Wnd);
  if (!r) return;
  r->Update = r->Update.Subtract(Rgn);
  if (r->Update.IsEmpty()) r->EraseNeeded = false;
  if (!All) return;
  for (HWND ch : r->Children) {
    TWndRec* cr = Rec(ch);
    TRegion in = Rgn;
    TRect cin = ClientInWindow(*cr);
    in.Offset(-cr->Bounds.Left - cin.Left, -cr->Bounds.Top - cin.Top);
    ValidateTree(ch, in, true);
  }
}

// Copies the pixels of the client-coordinate region Area by (DX, DY)
// inside the top-level surface; rows are buffered so overlaps are safe.
void MovePixels(const TPixelSurface& S, const TRegion& Dest, TPoint Origin, int DX, int DY) {
  for (const TRect& d : Dest.Rects()) {
    TRect t = d;
    OffsetRect(t, Origin.X, Origin.Y);
    int w = t.Width() * S.BytesPerPixel;
    std::vector<Byte> rows(size_t(w) * t.Height());
    for (int y = t.Top; y < t.Bottom; ++y)
      std::memcpy(&rows[size_t(y - t.Top) * w], S.Pixel(t.Left - DX, y - DY), size_t(w));
    for (int y = t.Top; y < t.Bottom; ++y)
      std::memcpy(S.Pixel(t.Left, y), &rows[size_t(y - t.Top) * w], size_t(w));
  }
}

// Adds Rgn (client coordinates) to the update region; with children
// included (kChildAll, or by default when the window lacks WS_CLIPCHILDREN)
// the covered parts of the children too.
void InvalidateTree(HWND Wnd, const TRegion& Rgn, bool Erase, int ChildMode, bool Frame) {
  TWndRec* r = Rec(Wnd);
  if (!r || !VisibleChain(Wnd)) return;
  TRegion add = Rgn.Intersect(WholeClient(*r));
  if (!add.IsEmpty()) {
    r->Update = r->Update.Union(add);
    if (Erase) r->EraseNeeded = true;
  }
  if (Frame) r->FrameDirty = true;
  if (ChildMode != kChildAll && (r->Style & WS_CLIPCHILDREN)) return;
  for (HWND ch : r->Children) {
    TWndRec* cr = Rec(ch);
    if (!(cr->Style & WS_VISIBLE)) continue;
    TRegion in = Rgn;
    in.Offset(-cr->Bounds.Left, -cr->Bounds.Top);
    if (!in.Overlaps(Rect(0, 0, cr->Bounds.Width(), cr->Bounds.Height()))) continue;
    TRect cin = ClientInWindow(*cr);
    in.Offset(-cin.Left, -cin.Top);
    InvalidateTree(ch, in, Erase, ChildMode, true);
  }
}

}  // namespace

namespace {
// Whether Wnd is the window LockWindowUpdate holds or lies on it.
bool PaintHeld(HWND Wnd) {
  HWND Held = State().PaintLocked;
  for (TWndRec* r = Held ? Rec(Wnd) : nullptr; r; Wnd = r->Parent, r = Rec(Wnd))
    if (Wnd == Held) return true;
  return false;
}
}  // namespace

HWND wm::FindPaintWindow(DWORD ThreadId, HWND Filter) {
  for (HWND h : ThreadWindowsInPaintOrder(ThreadId)) {
    if (Filter && h != Filter) continue;
    TWndRec* r = Rec(h);
    if (WaitsForPaint(*r) && VisibleChain(h) && !PaintHeld(h)) return h;
  }
  return nullptr;
}

bool LockWindowUpdate(HWND Wnd) {
  HWND Released = nullptr;
  {
    auto L = WmLock();
    if (Wnd && State().PaintLocked && State().PaintLocked != Wnd) return false;
    if (!Wnd) Released = State().PaintLocked;
    State().PaintLocked = Wnd && Rec(Wnd) ? Wnd : nullptr;
  }
  if (Released && IsWindow(Released))
    RedrawWindow(Released, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  return true;
}

void wm::InvalidateUncovered(HWND Parent, const TRegion& Area) {
  if (Parent) InvalidateTree(Parent, Area, true, kChildAll, false);
}

void wm::PaintNow(HWND Wnd) {
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r || !WaitsForPaint(*r) || !VisibleChain(Wnd) || PaintHeld(Wnd)) return;
  }
  DispatchMessage(MSG{Wnd, WM_PAINT, 0, 0, 0, {}});
}

bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase) {
  return RedrawWindow(Wnd, Rect, nullptr, RDW_INVALIDATE | (Erase ? UINT(RDW_ERASE) : 0u));
}

bool InvalidateRgn(HWND Wnd, const TRegion* Rgn, bool Erase) {
  return RedrawWindow(Wnd, nullptr, Rgn, RDW_INVALIDATE | (Erase ? UINT(RDW_ERASE) : 0u));
}

bool ValidateRect(HWND Wnd, const TRect* Rect) {
  return RedrawWindow(Wnd, Rect, nullptr, RDW_VALIDATE);
}

bool GetUpdateRect(HWND Wnd, TRect* Rect, bool /*Erase*/) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return false;
  if (Rect) *Rect = r->Update.Bounds();
  return !r->Update.IsEmpty();
}

bool UpdateWindow(HWND Wnd) {
  if (!IsWindow(Wnd)) return false;
  PaintNow(Wnd);
  FlushPresents(GetWindowThreadProcessId(Wnd));
  return true;
}

bool RedrawWindow(HWND Wnd, const TRect* Update, const TRegion* UpdateRgn, UINT Flags) {
  std::vector<HWND> tree;
  {
    auto L = WmLock();
    if (!Wnd) {
      for (HWND t : ThreadWindowsInPaintOrder(GetCurrentThreadID()))
        if (!Rec(t)->Parent) RedrawWindow(t, Update, UpdateRgn, Flags);
      return true;
    }
    TWndRec* r = Rec(Wnd);
    if (!r) return false;
    TRegion area = UpdateRgn ? *UpdateRgn : Update ? TRegion(*Update) : WholeClient(*r);
    if (Flags & RDW_INVALIDATE)
      InvalidateTree(Wnd, area, Flags & RDW_ERASE, (Flags & RDW_ALLCHILDREN) ? kChildAll : kChildDefault,
                     Flags & RDW_FRAME);
    if (Flags & RDW_INTERNALPAINT) r->InternalPaint = true;
    if (Flags & RDW_VALIDATE) {
      ValidateTree(Wnd, area, Flags & RDW_ALLCHILDREN);
      if (!Update && !UpdateRgn) r->InternalPaint = false;
    }
    if (Flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
      if (Flags & RDW_ALLCHILDREN)
        CollectTree(Wnd, tree);
      else
        tree.push_back(Wnd);
    }
  }
  for (HWND h : tree) PaintNow(h);
  DWORD tid = GetWindowThreadProcessId(Wnd);
  if (!tree.empty()) FlushPresents(tid);
  // A thread waiting for messages must notice the new WM_PAINT.
  if (tid != GetCurrentThreadID()) WakeThread(tid);
  return true;
}

namespace {

// Scrolls the pixels of Src (client coordinates) that can be seen, kept to
// Clip; returns the client region that now shows moved pixels.
TRegion ScrollPixels(HWND Wnd, const TRegion& Src, const TRegion& Clip, int DX, int DY) {
  HWND top = TopOf(Wnd);
  TPoint co = ClientOriginInTop(Wnd);
  TRegion vis = ClientVisibleInTop(Wnd);
  vis.Offset(-co.X, -co.Y);
  TRegion moved = Src.Intersect(vis);
  moved.Offset(DX, DY);
  moved = moved.Intersect(Clip).Intersect(vis);
  TWndRec* t = Rec(top);
  if (!t->Native || moved.IsEmpty()) return moved;
  CaretSuspend(top);
  MovePixels(t->Native->Surface(), moved, co, DX, DY);
  CaretResume(top);
  TRegion d = moved;
  d.Offset(co.X, co.Y);
  MarkDirty(top, d);
  return moved;
}

void MoveChildren(const std::vector<HWND>& Children, int DX, int DY) {
  for (HWND ch : Children) {
    TRect b;
    {
      auto L = WmLock();
      b = Rec(ch)->Bounds;
    }
    SetWindowPos(ch, nullptr, b.Left + DX, b.Top + DY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace

bool ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Scroll, const TRect* Clip) {
  std::vector<HWND> children;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return false;
    TRegion client = WholeClient(*r);
    TRegion src = Scroll ? client.Intersect(TRegion(*Scroll)) : client;
    TRegion clip = Clip ? client.Intersect(TRegion(*Clip)) : client;
    TRegion moved = ScrollPixels(Wnd, src, clip, DX, DY);
    // What was waiting for paint moves with the pixels.
    TRegion inside = r->Update.Intersect(src);
    inside.Offset(DX, DY);
    r->Update = r->Update.Subtract(src).Union(inside.Intersect(clip));
    InvalidateTree(Wnd, src.Intersect(clip).Subtract(moved), true, kChildDefault, false);
    if (!Scroll) children = r->Children;
  }
  MoveChildren(children, DX, DY);
  return true;
}
