// Non-client areas: the window procedure decides the client rectangle
// (WM_NCCALCSIZE); the window manager keeps the resulting insets and asks
// again whenever the size, the frame or the border styles change.
#include "platform/gui/wm_internal.h"

using namespace wm;

TRect wm::DefaultNcInsets(const TWndRec& R) {
  int n = 0;
  if (R.Parent) {
    if (R.Style & WS_BORDER) n += 1;
    if (R.ExStyle & WS_EX_STATICEDGE) n += 1;
    if (R.ExStyle & WS_EX_CLIENTEDGE) n += 2;
  }
  TRect in{n, n, n, n};
  // Window scroll bars take their strips inside the border.
  if (R.Style & WS_VSCROLL) in.Right += GetSystemMetrics(SM_CXVSCROLL);
  if (R.Style & WS_HSCROLL) in.Bottom += GetSystemMetrics(SM_CYHSCROLL);
  return in;
}

TRect wm::NcInsets(const TWndRec& R) { return R.NcKnown ? R.NcArea : DefaultNcInsets(R); }

LRESULT wm::DefNcCalcSize(HWND Wnd, LPARAM LParam) {
  auto* P = reinterpret_cast<NCCALCSIZE_PARAMS*>(LParam);
  if (!P) return 0;
  TRect in;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return 0;
    in = DefaultNcInsets(*r);
  }
  TRect& c = P->rgrc[0];
  c.Left += in.Left, c.Top += in.Top, c.Right -= in.Right, c.Bottom -= in.Bottom;
  return 0;
}

bool wm::RecalcNonClient(HWND Wnd) {
  NCCALCSIZE_PARAMS p;
  WINDOWPOS pos;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return false;
    p.rgrc[0] = p.rgrc[1] = r->Bounds;
    pos.hwnd = Wnd, pos.x = r->Bounds.Left, pos.y = r->Bounds.Top;
    pos.cx = r->Bounds.Width(), pos.cy = r->Bounds.Height();
    p.lppos = &pos;
  }
  CallProc(Wnd, WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&p));
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return false;
  const TRect& w = r->Bounds;
  const TRect& c = p.rgrc[0];
  // The client rectangle stays inside the window; an inverted one is empty.
  TRect in{std::max(0, c.Left - w.Left), std::max(0, c.Top - w.Top), std::max(0, w.Right - c.Right),
           std::max(0, w.Bottom - c.Bottom)};
  in.Right = std::max(0, std::min(in.Right, w.Width() - in.Left));
  in.Bottom = std::max(0, std::min(in.Bottom, w.Height() - in.Top));
  bool changed = !r->NcKnown || in != r->NcArea;
  r->NcArea = in;
  r->NcKnown = true;
  if (changed) r->FrameDirty = true;
  return changed;
}

bool wm::FrameStyleChange(DWORD OldStyle, DWORD NewStyle, DWORD OldEx, DWORD NewEx) {
  const DWORD StyleBits = WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_HSCROLL | WS_VSCROLL;
  const DWORD ExBits = WS_EX_STATICEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  return ((OldStyle ^ NewStyle) & StyleBits) || ((OldEx ^ NewEx) & ExBits);
}
