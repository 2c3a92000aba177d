// Window scroll bars: the horizontal and vertical bars that a window with
// WS_HSCROLL / WS_VSCROLL shows along its bottom and right edges, with the
// original platform's calls (SetScrollInfo, GetScrollInfo, ShowScrollBar
// ...) and the WM_HSCROLL / WM_VSCROLL messages they send.
//
// The window manager's client area of a window only leaves out its
// border, so a control that carries window scroll bars gives up the strip
// along its right and bottom edges itself: it answers GetClientRect with
// ScrollBarClientRect, paints the bars with PaintScrollBars after its own
// content and hands its mouse messages to ScrollBarMouse first. For the
// window's code the bars then behave as if they lay outside the client
// area: a press on an arrow sends SB_LINEUP / SB_LINEDOWN (repeated on
// further presses), on the track SB_PAGEUP / SB_PAGEDOWN, a drag of the
// thumb SB_THUMBTRACK with the tracked position and at the release
// SB_THUMBPOSITION, and SB_ENDSCROLL after each release.
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
// clearing WS_HSCROLL / WS_VSCROLL and repainting the window; the window's
// control lays out its client area anew on its next GetClientRect. False
// for an invalid window.
bool ShowScrollBar(HWND Wnd, int Bar, bool Show);

// ---- For controls that carry window scroll bars ------------------------------------------

// The window manager's client area of Wnd less the strips of its shown
// bars (each GetSystemMetrics(SM_CXVSCROLL) wide / SM_CYHSCROLL high).
TRect ScrollBarClientRect(HWND Wnd);
// The rectangle of a shown bar in the window manager's client
// coordinates; empty when the bar is hidden.
TRect ScrollBarRect(HWND Wnd, int Bar);
// Paints the shown bars (arrows, track, thumb, and the size box between
// two bars) onto the window's paint canvas.
void PaintScrollBars(HWND Wnd, TCanvas& Canvas);
// Handles a mouse message of Wnd that falls on a bar or belongs to a drag
// of a thumb: sends the WM_HSCROLL / WM_VSCROLL messages described above
// and returns true (the window must not handle the message itself).
// False for every other message.
bool ScrollBarMouse(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Forgets the state of a destroyed window.
void ForgetScrollBars(HWND Wnd);
