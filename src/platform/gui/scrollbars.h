// Window scroll bars: the horizontal and vertical bars that a window with
// WS_HSCROLL / WS_VSCROLL shows along its bottom and right edges, with the
// original platform's calls (SetScrollInfo, GetScrollInfo, ShowScrollBar
// ...) and the WM_HSCROLL / WM_VSCROLL messages they send.
//
// The bars lie in the window's non-client area: the window manager's
// default WM_NCCALCSIZE leaves their strips (inside the border) out of the
// client area, DefWindowProc paints them on WM_NCPAINT, answers
// HTVSCROLL / HTHSCROLL over them and runs their mouse handling. A
// control that handles its mouse messages itself hands them (the WM_NC*
// ones included) to ScrollBarMouse first. A press on an arrow sends
// SB_LINEUP / SB_LINEDOWN (repeated on further presses), on the track
// SB_PAGEUP / SB_PAGEDOWN, a drag of the thumb SB_THUMBTRACK with the
// tracked position and at the release SB_THUMBPOSITION, and SB_ENDSCROLL
// after each release.
//
// Thread safety: the bar state is kept per window under one lock, so the
// calls may come from any thread; painting and mouse handling belong to
// the window's GUI thread.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/winapi.h"
#include "platform/rtl/typinfo.h"

// Which scroll bars a control shows.
RTL_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth);

// Bars of a window.
enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
// Scroll codes of WM_HSCROLL / WM_VSCROLL (low word of wParam; the high
// word carries the position for SB_THUMBTRACK and SB_THUMBPOSITION).
enum : int { SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2,
             SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4,
             SB_THUMBTRACK = 5, SB_TOP = 6, SB_LEFT = 6, SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8 };
// Which members of SCROLLINFO count.
enum : UINT { SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8,
              SIF_TRACKPOS = 0x10, SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS };

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

inline WPARAM MAKEWPARAM(int Lo, int Hi) {
  return WPARAM(std::uint32_t(std::uint16_t(Lo)) | (std::uint32_t(std::uint16_t(Hi)) << 16));
}

// Sets the members of Info named by its mask for bar Bar (SB_HORZ or
// SB_VERT) of Wnd; the position is kept within nMin .. nMax - max(nPage -
// 1, 0). Repaints the bar when Redraw is set. Returns the new position (0
// for an invalid window or bar).
int SetScrollInfo(HWND Wnd, int Bar, const SCROLLINFO& Info, bool Redraw);
// Fills the members named by Info.fMask; false for an invalid window or bar.
bool GetScrollInfo(HWND Wnd, int Bar, SCROLLINFO& Info);
// Position and range shortcuts; SetScrollPos returns the old position.
int SetScrollPos(HWND Wnd, int Bar, int Pos, bool Redraw);
int GetScrollPos(HWND Wnd, int Bar);
bool SetScrollRange(HWND Wnd, int Bar, int Min, int Max, bool Redraw);
bool GetScrollRange(HWND Wnd, int Bar, int& Min, int& Max);
// Shows or hides the bar(s) (SB_HORZ, SB_VERT or SB_BOTH) by setting or
// clearing WS_HSCROLL / WS_VSCROLL; the frame changes (WM_NCCALCSIZE, then
// WM_SIZE with the new client size) and the window repaints. False for an
// invalid window.
bool ShowScrollBar(HWND Wnd, int Bar, bool Show);

// ---- For controls that carry window scroll bars ------------------------------------------

// The client area of Wnd (the bars' strips lie outside it; kept for the
// controls that ask for it by this name).
TRect ScrollBarClientRect(HWND Wnd);
// The rectangle of a shown bar in Wnd's client coordinates (it lies just
// outside the client area: right of it, each GetSystemMetrics(SM_CXVSCROLL)
// wide, or below it, SM_CYHSCROLL high); empty when the bar is hidden.
TRect ScrollBarRect(HWND Wnd, int Bar);
// Paints the shown bars (arrows, track, thumb, and the size box between
// two bars) onto Canvas, whose origin is Wnd's client origin (the window
// DC moved there, or a picture of the whole window).
void PaintScrollBars(HWND Wnd, TCanvas& Canvas);
// HTVSCROLL or HTHSCROLL when the desktop point lies on a shown bar, else
// HTNOWHERE.
int ScrollBarHitTest(HWND Wnd, TPoint ScreenPos);
// Handles a mouse message of Wnd that falls on a bar (WM_NC* with
// HTVSCROLL / HTHSCROLL) or belongs to a drag of a thumb (client mouse
// messages while the bar holds the capture): sends the WM_HSCROLL /
// WM_VSCROLL messages described above and returns true (the window must
// not handle the message itself). False for every other message.
bool ScrollBarMouse(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Forgets the state of a destroyed window.
void ForgetScrollBars(HWND Wnd);
