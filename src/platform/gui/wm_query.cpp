// Enumerating windows, window states and coordinate mapping.
#include "platform/gui/wm_internal.h"

using namespace wm;

void EnumThreadWindows(DWORD ThreadId, const std::function<bool(HWND)>& Fn) {
  std::vector<HWND> tops;
  {
    auto L = WmLock();
    for (HWND t : State().TopLevels)
      if (Rec(t)->ThreadId == ThreadId) tops.push_back(t);
  }
  for (HWND t : tops)
    if (IsWindow(t) && !Fn(t)) return;
}

void EnumChildWindows(HWND Parent, const std::function<bool(HWND)>& Fn) {
  std::vector<HWND> tree;
  {
    auto L = WmLock();
    CollectTree(Parent, tree);
  }
  for (size_t i = 1; i < tree.size(); ++i)
    if (IsWindow(tree[i]) && !Fn(tree[i])) return;
}

bool IsIconic(HWND Wnd) { return (GetWindowLong(Wnd, GWL_STYLE) & WS_MINIMIZE) != 0; }

bool IsZoomed(HWND Wnd) { return (GetWindowLong(Wnd, GWL_STYLE) & WS_MAXIMIZE) != 0; }

void MapWindowPoints(HWND From, HWND To, TPoint* Points, int Count) {
  TPoint a = From ? ClientToScreen(From, Point(0, 0)) : Point(0, 0);
  TPoint b = To ? ClientToScreen(To, Point(0, 0)) : Point(0, 0);
  for (int i = 0; i < Count; ++i) Points[i] = {Points[i].X + a.X - b.X, Points[i].Y + a.Y - b.Y};
}

bool BringWindowToTop(HWND Wnd) {
  return SetWindowPos(Wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
