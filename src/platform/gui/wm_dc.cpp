// Canvases onto windows (BeginPaint, GetDC, GetWindowDC) and showing what
// was painted (dirty areas presented through the native windows).
#include <unordered_map>

#include "platform/gui/desktop_overlay.h"
#include "platform/gui/wm_internal.h"

using namespace wm;

namespace {

struct TDcEntry {
  std::unique_ptr<TCanvas> Canvas;
  HWND Top = nullptr;
  TRegion Clip;  // top-level coordinates
};

// Canvases handed out and not yet released (guarded by the window lock).
std::unordered_map<TCanvas*, TDcEntry>& Dcs() {
  static auto* M = new std::unordered_map<TCanvas*, TDcEntry>;
  return *M;
}

TCanvas* HandOut(HWND Top, TPoint Origin, const TRegion& Clip) {
  auto c = SurfaceCanvas(Top, Origin, Clip);
  TCanvas* p = c.get();
  Dcs()[p] = TDcEntry{std::move(c), Top, Clip};
  return p;
}

// Frees a canvas and notes what it may have drawn.
void TakeBack(TCanvas* DC) {
  std::unique_ptr<TCanvas> gone;
  auto L = WmLock();
  auto it = Dcs().find(DC);
  if (it == Dcs().end()) return;
  MarkDirty(it->second.Top, it->second.Clip);
  gone = std::move(it->second.Canvas);
  Dcs().erase(it);
}

}  // namespace

std::unique_ptr<TCanvas> wm::SurfaceCanvas(HWND Top, TPoint Origin, const TRegion& Clip) {
  auto c = std::make_unique<TCanvas>();
  TWndRec* t = Rec(Top);
  if (!t || !t->Native) return c;
  TPixelSurface s = t->Native->Surface();
  c->SetSurface(s);
  c->SetViewportOrgEx(Origin.X, Origin.Y);
  TRegion clip = Clip.Intersect(TRegion(Rect(0, 0, s.Width, s.Height)));
  c->SelectClipRgn(&clip);
  return c;
}

void wm::MarkDirty(HWND Top, const TRegion& Area) {
  if (TWndRec* t = Rec(Top)) t->Dirty = t->Dirty.Union(Area);
}

void wm::FlushPresents(DWORD ThreadId) {
  std::vector<std::pair<TNativeWindow*, TRect>> todo;
  {
    auto L = WmLock();
    for (HWND h : State().TopLevels) {
      TWndRec* t = Rec(h);
      if (t->ThreadId != ThreadId || t->Dirty.IsEmpty() || !t->Native) continue;
      todo.emplace_back(t->Native.get(), t->Dirty.Bounds());
      t->Dirty = TRegion();
    }
  }
  for (auto& [n, r] : todo) n->Present(r);
}

namespace {

// What a paint cycle takes over from the window: its update region (then
// emptied), whether to erase and draw the frame, and where it paints.
struct TPaintJob {
  TRegion Update, Clip;
  bool Erase = false, Frame = false;
  HWND Top = nullptr;
  TPoint Origin{};
};

bool TakePaintJob(HWND Wnd, TPaintJob& Job) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return false;
  ++r->PaintCount;
  TRect in = NcInsets(*r);
  Job.Update = r->Update, Job.Erase = r->EraseNeeded, Job.Frame = r->FrameDirty && (in.Left || in.Top || in.Right || in.Bottom);
  r->Update = TRegion();
  r->EraseNeeded = r->InternalPaint = r->FrameDirty = false;
  Job.Top = TopOf(Wnd);
  Job.Origin = ClientOriginInTop(Wnd);
  TRegion u = Job.Update;
  u.Offset(Job.Origin.X, Job.Origin.Y);
  Job.Clip = ClientVisibleInTop(Wnd).Intersect(u);
  return true;
}

}  // namespace

TCanvas* BeginPaint(HWND Wnd, PAINTSTRUCT& Ps) {
  TPaintJob job;
  if (!TakePaintJob(Wnd, job)) return nullptr;
  CaretSuspend(job.Top);
  if (job.Frame) CallProc(Wnd, WM_NCPAINT, 1, 0);
  TCanvas* c;
  {
    auto L = WmLock();
    c = HandOut(job.Top, job.Origin, job.Clip);
  }
  Ps.Canvas = c;
  Ps.rcPaint = job.Update.Bounds();
  Ps.fErase = job.Erase;
  if (job.Erase) Ps.fErase = CallProc(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(c), 0) == 0;
  return c;
}

void EndPaint(HWND Wnd, const PAINTSTRUCT& Ps) {
  HWND top;
  {
    auto L = WmLock();
    top = TopOf(Wnd);
  }
  TakeBack(Ps.Canvas);
  CaretResume(top);
}

TCanvas* GetDC(HWND Wnd) {
  if (!Wnd) return GetDesktopDC();
  auto L = WmLock();
  if (!Rec(Wnd)) return nullptr;
  return HandOut(TopOf(Wnd), ClientOriginInTop(Wnd), ClientVisibleInTop(Wnd));
}

TCanvas* GetWindowDC(HWND Wnd) {
  if (!Wnd) return GetDesktopDC();
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return nullptr;
  TRegion vis = VisibleInTop(Wnd);
  TPoint o = WindowOriginInTop(Wnd);
  if (r->Style & WS_CLIPCHILDREN) {
    TPoint co = ClientOriginInTop(Wnd);
    for (HWND ch : r->Children) {
      TWndRec* cr = Rec(ch);
      if (!(cr->Style & WS_VISIBLE)) continue;
      TRegion a = AreaInParent(*cr);
      a.Offset(co.X, co.Y);
      vis = vis.Subtract(a);
    }
  }
  return HandOut(TopOf(Wnd), o, vis);
}

void ReleaseDC(HWND /*Wnd*/, TCanvas* DC) {
  if (IsDesktopDC(DC)) return ReleaseDesktopDC(DC);
  TakeBack(DC);
}
