// Window scroll bars: state per window, geometry, painting and the mouse.
#include "platform/gui/scrollbars.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/gui/graphics_frames.h"

namespace {

struct TBarState {
  SCROLLINFO Info;
  bool Tracking = false;   // the thumb is being dragged
  Integer GrabOffset = 0;  // mouse distance from the thumb's start
};

struct TWindowBars {
  TBarState Bars[2];
  int Captured = -1;  // the bar that took the mouse press
};

std::mutex BarLock;
std::map<HWND, TWindowBars> AllBars;

TWindowBars& BarsOf(HWND Wnd) { return AllBars[Wnd]; }

// A * B / C rounded down, 0 for C = 0.
Integer MulDivFloor(Integer A, Integer B, Integer C) { return C ? Integer(std::int64_t(A) * B / C) : 0; }

DWORD StyleBit(int Bar) { return Bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL; }

bool Shown(HWND Wnd, int Bar) { return (DWORD(GetWindowLong(Wnd, GWL_STYLE)) & StyleBit(Bar)) != 0; }

// The highest position the thumb may take.
int MaxPos(const SCROLLINFO& I) { return I.nMax - std::max<int>(int(I.nPage) - 1, 0); }

void Clamp(SCROLLINFO& I) { I.nPos = std::max(I.nMin, std::min(I.nPos, MaxPos(I))); }

SCROLLINFO InfoOf(HWND Wnd, int Bar) {
  std::lock_guard<std::mutex> L(BarLock);
  return BarsOf(Wnd).Bars[Bar].Info;
}

Integer BarSize() { return GetSystemMetrics(SM_CXVSCROLL); }

// Geometry of one bar along its length: arrows at both ends, the track
// between, the thumb in the track.
struct TBarGeometry {
  TRect Whole;
  bool Vertical = false;
  Integer Start = 0, Length = 0;  // along the bar, from the bar's start
  Integer Arrow = 0;
  Integer ThumbStart = 0, ThumbLength = 0;  // 0 length: no thumb

  TRect Part(Integer From, Integer To) const {
    return Vertical ? Rect(Whole.Left, Whole.Top + From, Whole.Right, Whole.Top + To)
                    : Rect(Whole.Left + From, Whole.Top, Whole.Left + To, Whole.Bottom);
  }
  Integer Along(TPoint P) const { return Vertical ? P.Y - Whole.Top : P.X - Whole.Left; }
};

TBarGeometry Geometry(HWND Wnd, int Bar, const SCROLLINFO& I) {
  TBarGeometry G;
  G.Whole = ScrollBarRect(Wnd, Bar);
  G.Vertical = Bar == SB_VERT;
  G.Length = G.Vertical ? G.Whole.Height() : G.Whole.Width();
  G.Arrow = std::min(BarSize(), G.Length / 2);
  Integer Track = G.Length - 2 * G.Arrow;
  Integer Range = I.nMax - I.nMin + 1;
  if (Track < 8 || MaxPos(I) <= I.nMin || Range <= 0) return G;
  G.ThumbLength = I.nPage ? std::max<Integer>(8, MulDivFloor(Track, Integer(I.nPage), Range)) : BarSize();
  G.ThumbLength = std::min(G.ThumbLength, Track);
  Integer Free = Track - G.ThumbLength;
  G.ThumbStart = G.Arrow + MulDivFloor(Free, I.nPos - I.nMin, MaxPos(I) - I.nMin);
  return G;
}

void Send(HWND Wnd, int Bar, int Code, int Pos = 0) {
  SendMessage(Wnd, Bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(Code, Pos), 0);
}

void PaintArrow(TCanvas& C, const TRect& R, bool Vertical, bool Up, bool Disabled) {
  Cardinal Kind = Vertical ? (Up ? DFCS_SCROLLUP : DFCS_SCROLLDOWN) : (Up ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT);
  DrawFrameControl(C, R, DFC_SCROLL, Kind | (Disabled ? DFCS_INACTIVE : 0));
}

void PaintBar(HWND Wnd, int Bar, TCanvas& C) {
  SCROLLINFO I = InfoOf(Wnd, Bar);
  TBarGeometry G = Geometry(Wnd, Bar, I);
  if (G.Whole.IsEmpty()) return;
  C.Brush()->SetColor(clScrollBar);
  C.FillRect(G.Whole);
  bool Disabled = G.ThumbLength == 0;
  PaintArrow(C, G.Part(0, G.Arrow), G.Vertical, true, Disabled);
  PaintArrow(C, G.Part(G.Length - G.Arrow, G.Length), G.Vertical, false, Disabled);
  if (Disabled) return;
  TRect Thumb = G.Part(G.ThumbStart, G.ThumbStart + G.ThumbLength);
  C.Brush()->SetColor(clBtnFace);
  C.FillRect(Thumb);
  DrawEdge(C, Thumb, EDGE_RAISED, BF_RECT);
}

// A press on a bar: arrow, track or thumb.
void Press(HWND Wnd, int Bar, TPoint P) {
  SCROLLINFO I = InfoOf(Wnd, Bar);
  TBarGeometry G = Geometry(Wnd, Bar, I);
  Integer A = G.Along(P);
  {
    std::lock_guard<std::mutex> L(BarLock);
    BarsOf(Wnd).Captured = Bar;
  }
  SetCapture(Wnd);
  if (G.ThumbLength == 0) return;
  if (A < G.Arrow) Send(Wnd, Bar, SB_LINEUP);
  else if (A >= G.Length - G.Arrow) Send(Wnd, Bar, SB_LINEDOWN);
  else if (A < G.ThumbStart) Send(Wnd, Bar, SB_PAGEUP);
  else if (A >= G.ThumbStart + G.ThumbLength) Send(Wnd, Bar, SB_PAGEDOWN);
  else {
    std::lock_guard<std::mutex> L(BarLock);
    TBarState& S = BarsOf(Wnd).Bars[Bar];
    S.Tracking = true;
    S.GrabOffset = A - G.ThumbStart;
    S.Info.nTrackPos = S.Info.nPos;
  }
}

// The position the dragged thumb stands for at mouse point P.
int TrackPosition(HWND Wnd, int Bar, TPoint P, Integer Grab) {
  SCROLLINFO I = InfoOf(Wnd, Bar);
  TBarGeometry G = Geometry(Wnd, Bar, I);
  Integer Free = G.Length - 2 * G.Arrow - G.ThumbLength;
  if (Free <= 0) return I.nPos;
  Integer Offset = std::max<Integer>(0, std::min(Free, G.Along(P) - Grab - G.Arrow));
  return I.nMin + MulDivFloor(2 * Offset * (MaxPos(I) - I.nMin) + Free, 1, 2 * Free);
}

void Drag(HWND Wnd, int Bar, TPoint P) {
  Integer Grab;
  {
    std::lock_guard<std::mutex> L(BarLock);
    TBarState& S = BarsOf(Wnd).Bars[Bar];
    if (!S.Tracking) return;
    Grab = S.GrabOffset;
  }
  int Pos = TrackPosition(Wnd, Bar, P, Grab);
  {
    std::lock_guard<std::mutex> L(BarLock);
    TBarState& S = BarsOf(Wnd).Bars[Bar];
    if (S.Info.nTrackPos == Pos) return;
    S.Info.nTrackPos = Pos;
  }
  Send(Wnd, Bar, SB_THUMBTRACK, Pos);
}

void Release(HWND Wnd, int Bar) {
  bool Tracked;
  int Pos;
  {
    std::lock_guard<std::mutex> L(BarLock);
    TWindowBars& W = BarsOf(Wnd);
    TBarState& S = W.Bars[Bar];
    Tracked = S.Tracking;
    Pos = S.Info.nTrackPos;
    S.Tracking = false;
    W.Captured = -1;
  }
  if (GetCapture() == Wnd) ReleaseCapture();
  if (Tracked) Send(Wnd, Bar, SB_THUMBPOSITION, Pos);
  Send(Wnd, Bar, SB_ENDSCROLL);
}

int BarAt(HWND Wnd, TPoint P) {
  for (int Bar : {SB_HORZ, SB_VERT})
    if (PtInRect(ScrollBarRect(Wnd, Bar), P)) return Bar;
  return -1;
}

}  // namespace

int SetScrollInfo(HWND Wnd, int Bar, const SCROLLINFO& Info, bool Redraw) {
  if (!IsWindow(Wnd) || (Bar != SB_HORZ && Bar != SB_VERT)) return 0;
  int Pos;
  {
    std::lock_guard<std::mutex> L(BarLock);
    SCROLLINFO& I = BarsOf(Wnd).Bars[Bar].Info;
    if (Info.fMask & SIF_RANGE) { I.nMin = Info.nMin; I.nMax = std::max(Info.nMin, Info.nMax); }
    if (Info.fMask & SIF_PAGE) I.nPage = Info.nPage;
    if (Info.fMask & SIF_POS) I.nPos = Info.nPos;
    Clamp(I);
    Pos = I.nPos;
  }
  if (Redraw && Shown(Wnd, Bar)) RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  return Pos;
}

bool GetScrollInfo(HWND Wnd, int Bar, SCROLLINFO& Info) {
  if (!IsWindow(Wnd) || (Bar != SB_HORZ && Bar != SB_VERT)) return false;
  SCROLLINFO I = InfoOf(Wnd, Bar);
  if (Info.fMask & SIF_RANGE) { Info.nMin = I.nMin; Info.nMax = I.nMax; }
  if (Info.fMask & SIF_PAGE) Info.nPage = I.nPage;
  if (Info.fMask & SIF_POS) Info.nPos = I.nPos;
  if (Info.fMask & SIF_TRACKPOS) Info.nTrackPos = I.nTrackPos;
  return true;
}

int SetScrollPos(HWND Wnd, int Bar, int Pos, bool Redraw) {
  int Old = GetScrollPos(Wnd, Bar);
  SCROLLINFO I;
  I.fMask = SIF_POS;
  I.nPos = Pos;
  SetScrollInfo(Wnd, Bar, I, Redraw);
  return Old;
}

int GetScrollPos(HWND Wnd, int Bar) {
  SCROLLINFO I;
  I.fMask = SIF_POS;
  return GetScrollInfo(Wnd, Bar, I) ? I.nPos : 0;
}

bool SetScrollRange(HWND Wnd, int Bar, int Min, int Max, bool Redraw) {
  SCROLLINFO I;
  I.fMask = SIF_RANGE;
  I.nMin = Min;
  I.nMax = Max;
  SetScrollInfo(Wnd, Bar, I, Redraw);
  return IsWindow(Wnd);
}

bool GetScrollRange(HWND Wnd, int Bar, int& Min, int& Max) {
  SCROLLINFO I;
  I.fMask = SIF_RANGE;
  if (!GetScrollInfo(Wnd, Bar, I)) return false;
  Min = I.nMin;
  Max = I.nMax;
  return true;
}

bool ShowScrollBar(HWND Wnd, int Bar, bool Show) {
  if (!IsWindow(Wnd)) return false;
  DWORD Bits = Bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : StyleBit(Bar);
  DWORD Style = DWORD(GetWindowLong(Wnd, GWL_STYLE));
  DWORD NewStyle = Show ? (Style | Bits) : (Style & ~Bits);
  if (NewStyle == Style) return true;
  // The style change gives the strip to the frame; the window lays out
  // its smaller (or larger) client area on WM_SIZE.
  SetWindowLong(Wnd, GWL_STYLE, std::intptr_t(NewStyle));
  SetWindowPos(Wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(Wnd, nullptr, true);
  return true;
}

TRect ScrollBarClientRect(HWND Wnd) { return GetClientRect(Wnd); }

TRect ScrollBarRect(HWND Wnd, int Bar) {
  if (!IsWindow(Wnd) || !Shown(Wnd, Bar)) return TRect{};
  TRect C = GetClientRect(Wnd);
  if (Bar == SB_VERT) return Rect(C.Right, C.Top, C.Right + BarSize(), C.Bottom);
  return Rect(C.Left, C.Bottom, C.Right, C.Bottom + BarSize());
}

void PaintScrollBars(HWND Wnd, TCanvas& Canvas) {
  PaintBar(Wnd, SB_HORZ, Canvas);
  PaintBar(Wnd, SB_VERT, Canvas);
  if (Shown(Wnd, SB_HORZ) && Shown(Wnd, SB_VERT)) {
    TRect C = GetClientRect(Wnd);
    Canvas.Brush()->SetColor(clBtnFace);
    Canvas.FillRect(Bounds(C.Right, C.Bottom, BarSize(), BarSize()));
  }
}

int ScrollBarHitTest(HWND Wnd, TPoint ScreenPos) {
  int Bar = BarAt(Wnd, ScreenToClient(Wnd, ScreenPos));
  return Bar == SB_VERT ? HTVSCROLL : Bar == SB_HORZ ? HTHSCROLL : HTNOWHERE;
}

bool ScrollBarMouse(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if ((Msg == WM_NCLBUTTONDOWN || Msg == WM_NCLBUTTONDBLCLK) && (WParam == HTVSCROLL || WParam == HTHSCROLL)) {
    TPoint P = ScreenToClient(Wnd, Point(GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)));
    Press(Wnd, WParam == HTVSCROLL ? SB_VERT : SB_HORZ, P);
    return true;
  }
  if (Msg >= WM_NCMOUSEMOVE && Msg <= WM_NCMBUTTONDBLCLK) return WParam == HTVSCROLL || WParam == HTHSCROLL;
  if (Msg < WM_MOUSEFIRST || Msg > WM_MOUSELAST || Msg == WM_MOUSEWHEEL) return false;
  TPoint P = Point(GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam));
  int Captured;
  {
    std::lock_guard<std::mutex> L(BarLock);
    auto It = AllBars.find(Wnd);
    Captured = It == AllBars.end() ? -1 : It->second.Captured;
  }
  if (Captured >= 0) {
    if (Msg == WM_MOUSEMOVE) Drag(Wnd, Captured, P);
    else if (Msg == WM_LBUTTONUP) Release(Wnd, Captured);
    return true;
  }
  int Bar = BarAt(Wnd, P);
  if (Bar < 0) return false;
  if (Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONDBLCLK) Press(Wnd, Bar, P);
  return true;
}

void ForgetScrollBars(HWND Wnd) {
  std::lock_guard<std::mutex> L(BarLock);
  AllBars.erase(Wnd);
}
