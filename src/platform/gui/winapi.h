// The window manager: our own in-process model of the original platform's
// windows, message queues, painting, focus, capture, timers and hooks.
//
// Every window (top-level or child) is a record here with its parent,
// bounds (relative to the parent's client area), style, text, z-order and
// window procedure. Only top-level windows (forms, popups, hints) get a
// native window from the back end (backend.h); child windows are painted
// into their top-level window's surface with the offset and clip of their
// place in the tree, so the same painting code serves every back end.
//
// Messages: each GUI thread has its own queue. SendMessage to a window of
// the calling thread calls its procedure directly; from another thread it
// is queued and the caller waits for the result. GetMessage/PeekMessage
// answer sends from other threads, then hand out posted messages, WM_QUIT,
// input, WM_PAINT for invalid windows (parents before children) and last
// WM_TIMER for due timers (read from the injectable clock of
// platform/rtl/clock.h), as the original platform did. On the main thread
// they also let the back end deliver device events (PumpEvents) and run
// the work of TThread.Synchronize (CheckSynchronize; the window manager
// installs WakeMainThread so that a waiting GetMessage wakes for it).
// When nothing is left to paint, what was painted is presented. When
// GetMessage would block and a timer comes next, a clock other than the
// system clock is asked to sleep until it is due, so tests with a
// TFakeClock never really wait. Hooks (WH_GETMESSAGE, WH_MOUSE,
// WH_KEYBOARD, WH_CALLWNDPROC) are per-thread filter chains.
//
// Input arrives from the back end as device events (desktop coordinates);
// the window manager finds the target (capture, else a hit test top-down
// in z-order through visible windows with WM_NCHITTEST, where
// HTTRANSPARENT lets the point through; a disabled child leaves the input
// to its parent, a disabled top-level window drops it), activates an
// inactive top-level window on a click (WM_MOUSEACTIVATE), converts to
// client coordinates, synthesises double clicks (same button and window
// within the double-click time and distance; every window gets them),
// WM_MOUSELEAVE for tracked windows and WM_SETCURSOR, and queues the
// messages. Mouse messages carry MK_* flags in wParam and client
// coordinates in lParam; outside the client area (hit-test code other
// than HTCLIENT) they become WM_NC* messages with the code in wParam and
// desktop coordinates in lParam; WM_MOUSEWHEEL goes to the focus window with the
// delta in the high word of wParam and desktop coordinates in lParam. Key
// messages go to the focus window (else the active one); WM_CHAR and
// WM_SYSCHAR carry one Unicode code point in wParam.
//
// Focus, activation and capture are one each for the process. Top-level
// windows that are tool-window popups without a caption, or have
// WS_EX_NOACTIVATE, never become active (menus, lists, hints).
//
// Thread safety: any function may be called from any thread; the window
// records are guarded by one lock that is never held while a procedure,
// hook or the back end runs. A window's procedure runs on the thread that
// created the window (SendMessage from elsewhere waits for that thread).
#pragma once

#include <functional>
#include <memory>

#include "platform/gui/messages.h"
#include "platform/gui/region.h"
#include "platform/os/process.h"

class TCanvas;

// A window procedure.
using TWndProc = std::function<LRESULT(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)>;

// ---- Styles ----------------------------------------------------------------------
enum : DWORD {
  WS_OVERLAPPED = 0x00000000, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_MINIMIZE = 0x20000000,
  WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000, WS_CLIPSIBLINGS = 0x04000000,
  WS_CLIPCHILDREN = 0x02000000, WS_MAXIMIZE = 0x01000000, WS_CAPTION = 0x00C00000,
  WS_BORDER = 0x00800000, WS_DLGFRAME = 0x00400000, WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000,
  WS_SYSMENU = 0x00080000, WS_THICKFRAME = 0x00040000, WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000,
  WS_MINIMIZEBOX = 0x00020000, WS_MAXIMIZEBOX = 0x00010000,
  WS_OVERLAPPEDWINDOW = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
};
enum : DWORD {
  WS_EX_DLGMODALFRAME = 0x00000001, WS_EX_NOPARENTNOTIFY = 0x00000004, WS_EX_TOPMOST = 0x00000008,
  WS_EX_TRANSPARENT = 0x00000020, WS_EX_TOOLWINDOW = 0x00000080, WS_EX_WINDOWEDGE = 0x00000100,
  WS_EX_CLIENTEDGE = 0x00000200, WS_EX_CONTROLPARENT = 0x00010000, WS_EX_STATICEDGE = 0x00020000,
  WS_EX_APPWINDOW = 0x00040000, WS_EX_LAYERED = 0x00080000, WS_EX_NOACTIVATE = 0x08000000,
};
// ShowWindow commands; SW_HIDE, SW_SHOWNORMAL and SW_SHOW come with the
// process services (platform/os/process.h), which use them too.
constexpr int SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3, SW_SHOWNOACTIVATE = 4, SW_MINIMIZE = 6,
              SW_SHOWNA = 8, SW_RESTORE = 9;
// SetWindowPos flags and z-order places.
enum : UINT { SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004, SWP_NOREDRAW = 0x0008,
              SWP_NOACTIVATE = 0x0010, SWP_FRAMECHANGED = 0x0020, SWP_SHOWWINDOW = 0x0040,
              SWP_HIDEWINDOW = 0x0080, SWP_NOOWNERZORDER = 0x0200 };
inline HWND const HWND_TOP = reinterpret_cast<HWND>(0);
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
// GetWindow relations; GetWindowLong indexes.
enum : UINT { GW_HWNDFIRST = 0, GW_HWNDLAST = 1, GW_HWNDNEXT = 2, GW_HWNDPREV = 3, GW_OWNER = 4, GW_CHILD = 5 };
enum : int { GWL_WNDPROC = -4, GWL_ID = -12, GWL_STYLE = -16, GWL_EXSTYLE = -20, GWL_USERDATA = -21 };
// PeekMessage flags; RedrawWindow flags; hit-test codes.
enum : UINT { PM_NOREMOVE = 0x0000, PM_REMOVE = 0x0001, PM_NOYIELD = 0x0002 };
enum : UINT { RDW_INVALIDATE = 0x0001, RDW_INTERNALPAINT = 0x0002, RDW_ERASE = 0x0004, RDW_VALIDATE = 0x0008,
              RDW_ALLCHILDREN = 0x0080, RDW_UPDATENOW = 0x0100, RDW_ERASENOW = 0x0200, RDW_FRAME = 0x0400 };
enum : int { HTERROR = -2, HTTRANSPARENT = -1, HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2, HTSYSMENU = 3,
             HTSIZE = 4, HTGROWBOX = 4, HTMENU = 5, HTHSCROLL = 6, HTVSCROLL = 7, HTLEFT = 10, HTRIGHT = 11,
             HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14, HTBOTTOM = 15, HTBOTTOMLEFT = 16,
             HTBOTTOMRIGHT = 17, HTBORDER = 18, HTCLOSE = 20 };
// Window activation states of WM_ACTIVATE.
enum : int { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };
// WM_MOUSEACTIVATE results.
enum : int { MA_ACTIVATE = 1, MA_ACTIVATEANDEAT = 2, MA_NOACTIVATE = 3, MA_NOACTIVATEANDEAT = 4 };

// WM_SYSCOMMAND commands (wParam).
enum : WPARAM { SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030, SC_CLOSE = 0xF060, SC_KEYMENU = 0xF100,
                SC_RESTORE = 0xF120 };
// WM_SIZE kinds (wParam); WM_ACTIVATE uses WA_*.
enum : WPARAM { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };

// The record that WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED point to
// (lParam). A procedure may change x, y, cx, cy and flags in
// WM_WINDOWPOSCHANGING; the window manager then applies the changed values.
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0, y = 0, cx = 0, cy = 0;
  UINT flags = 0;
};

// What WM_NCCALCSIZE points to (lParam; wParam is 1): rgrc[0] holds the
// window's rectangle in its parent's client area (desktop for top-level
// windows) and the procedure shrinks it to the client rectangle; rgrc[1]
// is the rectangle before the change, lppos the position being applied.
struct NCCALCSIZE_PARAMS {
  TRect rgrc[3]{};
  WINDOWPOS* lppos = nullptr;
};

// ---- Windows ---------------------------------------------------------------------

// The default handling of a message, for procedures that pass on what they
// do not handle:
// - WM_NCHITTEST: HTCLIENT in the client area, HTVSCROLL / HTHSCROLL on
//   a window scroll bar, HTBORDER elsewhere on the frame, HTNOWHERE
//   outside; the mouse messages of a window scroll bar run the bar
//   (scrollbars.h); WM_MOUSEACTIVATE: the parent's answer, else
//   MA_ACTIVATE; WM_SETCURSOR: asks the parent, then shows the arrow in the
//   client area; WM_CANCELMODE ends the window's capture.
// - WM_ACTIVATE focuses the window when it becomes active; WM_PAINT
//   validates; WM_NCPAINT draws the border of a child window (WS_BORDER,
//   WS_EX_STATICEDGE, WS_EX_CLIENTEDGE); WM_NCCALCSIZE leaves that border
//   out of the client rectangle (a top-level window has none).
// - WM_MOUSEWHEEL and WM_CONTEXTMENU go on to the parent; WM_RBUTTONUP,
//   the key VK_APPS and Shift+F10 send WM_CONTEXTMENU (wParam: the window,
//   lParam: the desktop point, -1 from the keyboard).
// - Alt+F4 posts WM_SYSCOMMAND SC_CLOSE to the top-level window;
//   WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE (SC_MINIMIZE, SC_MAXIMIZE and
//   SC_RESTORE show the window so); WM_CLOSE destroys the window.
// - WM_SETTEXT (lParam: const String*) sets and WM_GETTEXT (lParam:
//   String*) reads the text; WM_GETTEXTLENGTH gives its length in
//   characters.
// Everything else gives 0.
LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// Creates a window. Parent null makes a top-level window (Owner, when
// given, stays above it and is destroyed with it); WS_CHILD requires a
// Parent.
// The procedure gets WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE and
// WM_MOVE before this returns; a WM_CREATE result of -1 destroys the window
// again and gives null. Bounds are relative to the parent's client area
// (desktop for top-level windows). The non-client area is what the
// procedure's answer to WM_NCCALCSIZE leaves around the client rectangle,
// asked again after each size change, SWP_FRAMECHANGED, SetParent and
// change of a border or scroll-bar style: by default a top-level window's
// whole area is its client area (the desktop's own frame lies outside),
// and a child window's border styles (WS_BORDER 1, WS_EX_STATICEDGE 1,
// WS_EX_CLIENTEDGE 2 pixels, added up) form its non-client area. The
// non-client area is painted on WM_NCPAINT (GetWindowDC), and input over
// it comes as WM_NC* messages with the WM_NCHITTEST code. The window
// belongs to the calling thread.
// Raises EInvalidOperation for WS_CHILD without a valid Parent.
HWND CreateWindowEx(DWORD ExStyle, const String& ClassName, const String& Text, DWORD Style, int X, int Y,
                    int Width, int Height, HWND Parent, HWND Owner, TWndProc Proc);
// Destroys the windows it owns, then sends WM_DESTROY (the window before its
// children) and WM_NCDESTROY (children first) and frees the handle; focus,
// capture, timers and the caret of the window go with it. False for an
// invalid handle.
bool DestroyWindow(HWND Wnd);
// True while Wnd names a window that was not destroyed.
bool IsWindow(HWND Wnd);
// True when Wnd lies anywhere below Parent in the tree.
bool IsChild(HWND Parent, HWND Wnd);
// The parent; for a top-level window its owner.
HWND GetParent(HWND Wnd);
// Moves Wnd under NewParent (on top of its children; null makes it a
// top-level window with a native window of its own). Bounds keep their
// numbers, now in the new parent's client area. Returns the old parent,
// null on failure.
HWND SetParent(HWND Wnd, HWND NewParent);
// Siblings in z-order (GW_HWNDFIRST is the top one), the owner or the top
// child; null when there is none.
HWND GetWindow(HWND Wnd, UINT Cmd);
// The top-level window that Wnd belongs to (Wnd itself for one).
HWND GetAncestorTopLevel(HWND Wnd);
// The first top-level window of class ClassName (and caption Title, when
// not empty), or null. When no window of this process matches, the back
// end is asked for another program's window (X11: by WM_CLASS); such a
// window comes back as a proxy handle that answers IsWindow,
// GetClassName, GetWindowText and WM_CLOSE (sent or posted) only.
HWND FindWindow(const String& ClassName, const String& Title);
String GetClassName(HWND Wnd);
// The id of the thread that created the window (0 for an invalid one).
DWORD GetWindowThreadProcessId(HWND Wnd);

// Shows or hides the window (WM_SHOWWINDOW first); showing a top-level
// window activates it unless Cmd is SW_SHOWNA / SW_SHOWNOACTIVATE or the
// window takes no activation. SW_SHOWMAXIMIZED sets WS_MAXIMIZE and fills
// the work area of the window's monitor, SW_RESTORE / SW_SHOWNORMAL put
// the earlier bounds back; SW_MINIMIZE only sets WS_MINIMIZE. Returns
// whether it was visible before.
bool ShowWindow(HWND Wnd, int Cmd);
bool IsWindowVisible(HWND Wnd);  // visible itself and every ancestor
// Enables or disables the window (WM_ENABLE after the change); disabling
// takes focus and capture from it and its children. Returns whether it
// was disabled before.
bool EnableWindow(HWND Wnd, bool Enable);
// The window's own WS_DISABLED, not its ancestors'.
bool IsWindowEnabled(HWND Wnd);
// Moves, sizes and reorders the window: WM_WINDOWPOSCHANGING, the change,
// WM_WINDOWPOSCHANGED, then WM_MOVE (lParam: client origin in the parent's
// client area) and WM_SIZE (lParam: client size) when they changed; the
// uncovered and the new area are invalidated.
bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Width, int Height, UINT Flags);
// SetWindowPos without reordering or activating.
bool MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, bool Repaint);
// Desktop coordinates of the whole window / the client area from (0, 0).
TRect GetWindowRect(HWND Wnd);
TRect GetClientRect(HWND Wnd);
TPoint ClientToScreen(HWND Wnd, TPoint P);
TPoint ScreenToClient(HWND Wnd, TPoint P);
// The deepest visible, enabled-or-not child window under a desktop point.
HWND WindowFromPoint(TPoint P);
// The direct child under a point of Parent's client area, hidden and
// disabled ones included; Parent itself when no child is there, null
// outside the client area.
HWND ChildWindowFromPoint(HWND Parent, TPoint ClientPoint);
// The window's text; setting it stores the text (no WM_SETTEXT is sent)
// and retitles a top-level window's native window.
String GetWindowText(HWND Wnd);
void SetWindowText(HWND Wnd, const String& Text);
// GWL_STYLE, GWL_EXSTYLE, GWL_ID and GWL_USERDATA (others give 0).
// Setting a style only stores it (use ShowWindow, EnableWindow and
// SetWindowPos with SWP_FRAMECHANGED for their effects), except that a
// changed border or scroll-bar style asks WM_NCCALCSIZE again; returns the
// previous value.
std::intptr_t GetWindowLong(HWND Wnd, int Index);
std::intptr_t SetWindowLong(HWND Wnd, int Index, std::intptr_t Value);
// Replaces the window procedure; returns the previous one.
TWndProc SetWindowProc(HWND Wnd, TWndProc Proc);
TWndProc GetWindowProc(HWND Wnd);
// Calls Fn for each top-level window of the thread (top one first) / for
// each window under Parent (pre-order, each parent before its children)
// until Fn answers false. Windows created or destroyed by Fn are not
// visited.
void EnumThreadWindows(DWORD ThreadId, const std::function<bool(HWND)>& Fn);
void EnumChildWindows(HWND Parent, const std::function<bool(HWND)>& Fn);
// WS_MINIMIZE / WS_MAXIMIZE of the window.
bool IsIconic(HWND Wnd);
bool IsZoomed(HWND Wnd);
// Converts points from From's client coordinates to To's (null: the
// desktop for either).
void MapWindowPoints(HWND From, HWND To, TPoint* Points, int Count);
// Puts the window on top of its siblings (a top-level one activated).
bool BringWindowToTop(HWND Wnd);
// Shapes the window (null: rectangular). The region is in window
// coordinates; the window manager owns the copy.
void SetWindowRgn(HWND Wnd, const TRegion* Rgn, bool Redraw);

// ---- Messages --------------------------------------------------------------------

// Calls the window's procedure and returns its result (0 for an invalid
// window). From another thread than the window's, waits until that thread
// took the message from its queue and answered; sends to the waiting
// thread are answered meanwhile. An exception of the procedure comes back
// to the sender.
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
// Queues the message for the window's thread and returns; null Wnd posts
// to the calling thread. False for an invalid window.
bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
bool PostThreadMessage(DWORD ThreadId, UINT Msg, WPARAM WParam, LPARAM LParam);
// Makes the thread's queue hand out WM_QUIT (wParam ExitCode) once the
// posted messages are gone.
void PostQuitMessage(int ExitCode);
// Waits for a message; false when it is WM_QUIT. Wnd null takes messages
// of every window of the thread and thread messages, else only Wnd's;
// FilterMin = FilterMax = 0 takes every number, else the range. WM_PAINT
// stays until the window is validated.
bool GetMessage(MSG& Msg, HWND Wnd = nullptr, UINT FilterMin = 0, UINT FilterMax = 0);
// Like GetMessage without waiting: false when nothing matches. With
// PM_NOREMOVE the message stays queued.
bool PeekMessage(MSG& Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveFlags);
// Calls the procedure of Msg.hwnd (or a timer's procedure for WM_TIMER).
// A WM_PAINT that the procedure leaves without BeginPaint validates the
// window, so it does not come again for ever.
LRESULT DispatchMessage(const MSG& Msg);
// Queues WM_CHAR (or WM_SYSCHAR) for a key-down message that has one: the
// text the device reported for the key (one message per code point), or
// for a posted key the plain text of the key (letters, digits, Enter ...).
// False for other messages and keys without text.
bool TranslateMessage(const MSG& Msg);
// Waits until a message is queued (or Timeout milliseconds passed, -1 for
// ever); true when one is there. Also wakes for cross-thread sends.
bool WaitMessage(int TimeoutMs = -1);
// What MsgWaitForMultipleObjects waits for (queue-state bits).
enum : DWORD { QS_KEY = 0x01, QS_MOUSEMOVE = 0x02, QS_MOUSEBUTTON = 0x04, QS_POSTMESSAGE = 0x08,
               QS_TIMER = 0x10, QS_PAINT = 0x20, QS_SENDMESSAGE = 0x40, QS_INPUT = 0x07,
               QS_ALLINPUT = 0x7F };
// Waits until the processes end (all of them with WaitAll, else any one:
// WAIT_OBJECT_0 + its index), until the calling thread's queue holds
// something of WakeMask (WAIT_OBJECT_0 + Count; answer it with
// PeekMessage), or Milliseconds passed (WAIT_TIMEOUT; INFINITE waits for
// ever). WAIT_FAILED for an invalid handle. Device events are taken in
// meanwhile; the wait itself looks again every few milliseconds.
DWORD MsgWaitForMultipleObjects(DWORD Count, const TProcessHandle* Handles, bool WaitAll, DWORD Milliseconds,
                                DWORD WakeMask);
DWORD GetMessageTime();
TPoint GetMessagePos();
DWORD GetCurrentThreadId();
// Wakes the GUI thread's wait (used by TThread.Synchronize and back ends).
void WakeThread(DWORD ThreadId);

// ---- Painting --------------------------------------------------------------------

struct PAINTSTRUCT {
  TCanvas* Canvas = nullptr;  // valid until EndPaint
  TRect rcPaint{};            // client coordinates
  bool fErase = false;
};
// Adds the rectangle (client coordinates; null: all of the client area) to
// the update region; the children under it too unless the window has
// WS_CLIPCHILDREN. Null Wnd invalidates every window of the thread.
// WM_PAINT comes when the queue holds nothing else, parents first.
bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase);
bool InvalidateRgn(HWND Wnd, const TRegion* Rgn, bool Erase);
// Takes the rectangle (null: everything) out of the window's update region.
bool ValidateRect(HWND Wnd, const TRect* Rect);
// The bounds of the update region (client coordinates) into Rect when
// given; true when the window waits for painting.
bool GetUpdateRect(HWND Wnd, TRect* Rect, bool Erase);
// Paints the window now (not its children) when it is invalid, and shows it.
bool UpdateWindow(HWND Wnd);
// Holds the painting of Wnd and its children (one window at a time; null
// releases it and repaints what was held). False when another window is
// held already.
bool LockWindowUpdate(HWND Wnd);
// Invalidates (RDW_INVALIDATE, RDW_ERASE, RDW_FRAME, RDW_INTERNALPAINT) or
// validates (RDW_VALIDATE) the region, rectangle or whole client area;
// RDW_ALLCHILDREN includes the children whatever WS_CLIPCHILDREN says;
// RDW_UPDATENOW / RDW_ERASENOW paint at once (the children too with
// RDW_ALLCHILDREN). From another thread, wakes the window's thread.
bool RedrawWindow(HWND Wnd, const TRect* Update, const TRegion* UpdateRgn, UINT Flags);
// A canvas onto the window's client area, clipped to the update region
// (and to visible parts), valid until EndPaint. Child windows paint into
// their top-level window's surface: the canvas's viewport origin is the
// client origin there; the clip leaves out clipping children
// (WS_CLIPCHILDREN) and siblings above (WS_CLIPSIBLINGS).
// Sends WM_NCPAINT when the frame needs it and WM_ERASEBKGND (wParam: the
// canvas, as a TCanvas*) when the update asked for erasing; fErase tells
// that the procedure did not erase (it returned 0). The caret of the
// top-level window is hidden until EndPaint. The window is valid afterwards.
TCanvas* BeginPaint(HWND Wnd, PAINTSTRUCT& Ps);
void EndPaint(HWND Wnd, const PAINTSTRUCT& Ps);
// A canvas onto the client area outside a paint cycle (clipped to the
// visible part); the window manager owns it, ReleaseDC frees it and shows
// what was drawn. Null Wnd gives the desktop overlay's canvas
// (desktop_overlay.h); null for an invalid window.
TCanvas* GetDC(HWND Wnd);
// Like GetDC, over the whole window (non-client border included), with
// (0, 0) at the window's top-left.
TCanvas* GetWindowDC(HWND Wnd);
void ReleaseDC(HWND Wnd, TCanvas* DC);
// Moves the visible pixels of the client area (or of Scroll) by DX, DY,
// keeping to Clip, and invalidates (with erase) what was uncovered; the
// pending update region moves along. Without Scroll the child windows
// move too.
bool ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Scroll, const TRect* Clip);

// ---- Focus, activation, capture, keyboard ------------------------------------------

// Gives the keyboard focus to Wnd (WM_KILLFOCUS to the old focus window
// with wParam the new one, then WM_SETFOCUS with wParam the old one),
// activating its top-level window first. Only visible windows of the
// calling thread that are enabled with all their ancestors take it; null
// otherwise. Null Wnd takes the focus away. Returns the previous focus.
// Hiding, disabling or destroying the focus window takes the focus away.
HWND SetFocus(HWND Wnd);
HWND GetFocus();
// Activates Wnd's top-level window: WM_NCACTIVATE(0) and
// WM_ACTIVATE(WA_INACTIVE) to the old one, WM_ACTIVATEAPP(1) to every
// top-level window of the thread when none was active, the window is raised (with the
// windows it owns above it), WM_NCACTIVATE(1) and WM_ACTIVATE(WA_ACTIVE)
// to it; the focus left in the old one is killed. Returns the previous
// active window, or null when Wnd cannot be activated.
HWND SetActiveWindow(HWND Wnd);
HWND GetActiveWindow();
// SetActiveWindow for the whole desktop; true when Wnd's top-level window
// is active afterwards.
bool SetForegroundWindow(HWND Wnd);
HWND GetForegroundWindow();
// Sends all mouse input to Wnd; the previous holder gets
// WM_CAPTURECHANGED (lParam: Wnd). Returns the previous holder.
HWND SetCapture(HWND Wnd);
// Ends the capture; its holder gets WM_CAPTURECHANGED (lParam 0).
bool ReleaseCapture();
HWND GetCapture();
// The mouse position on the desktop, as the last device event told it.
TPoint GetCursorPos();
// Moves the mouse: handled like a mouse move of the device.
bool SetCursorPos(int X, int Y);
// Requests one WM_MOUSELEAVE (posted) when the mouse is no longer over Wnd
// itself (moving onto a child counts as leaving); posted at once when it
// is not over Wnd now.
bool TrackMouseLeave(HWND Wnd);
// Key state as the original reports it: bit 15 down, bit 0 toggled.
// GetKeyState answers as of the input message the thread took last (so a
// handler of WM_KEYDOWN sees the Shift of that key press); GetAsyncKeyState
// answers as of the device events handled so far.
std::int16_t GetKeyState(int VirtualKey);
std::int16_t GetAsyncKeyState(int VirtualKey);
// 500 ms; the double-click box is SM_CXDOUBLECLK x SM_CYDOUBLECLK.
UINT GetDoubleClickTime();

// ---- Carets and cursors -------------------------------------------------------------

// One caret for the process: created hidden (ShowCaret shows it), drawn by
// inverting its rectangle (client coordinates of its window), blinking
// every 530 ms of the clock; it is taken off while its top-level window
// paints. Creating a caret destroys the previous one; destroying its
// window destroys it. Show and Hide nest; they act only for the owner
// window (or null).
bool CreateCaret(HWND Wnd, int Width, int Height);
bool DestroyCaret();
bool ShowCaret(HWND Wnd);
bool HideCaret(HWND Wnd);
// Moves the caret (client coordinates of its window).
bool SetCaretPos(int X, int Y);
TPoint GetCaretPos();
// Cursor handles: the standard ones by IDC_* number; others are made by
// the screen's cursor table from files and resources.
using HCURSOR = std::intptr_t;
enum : HCURSOR { IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514, IDC_CROSS = 32515,
                 IDC_UPARROW = 32516, IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643, IDC_SIZEWE = 32644,
                 IDC_SIZENS = 32645, IDC_SIZEALL = 32646, IDC_NO = 32648, IDC_HAND = 32649,
                 IDC_APPSTARTING = 32650, IDC_HELP = 32651 };
// Sets the cursor shown over the top-level window under the mouse (the
// back end's SetCursor); returns the previous one.
HCURSOR SetCursor(HCURSOR Cursor);
HCURSOR GetCursor();

// ---- Timers and hooks -----------------------------------------------------------------

// A timer posts WM_TIMER (wParam = Id) to Wnd each Elapse milliseconds of
// the injectable clock (at least 10); with a procedure, the procedure runs
// instead when the message is dispatched. Periods missed meanwhile give a
// single WM_TIMER. Setting a timer of the same Wnd and Id again restarts
// it. With null Wnd the timer belongs to the calling thread and gets a new
// id, which is returned; else returns Id (0 for an invalid window).
using TTimerProc = std::function<void(HWND Wnd, UINT Msg, std::uintptr_t Id, DWORD Time)>;
std::uintptr_t SetTimer(HWND Wnd, std::uintptr_t Id, UINT ElapseMs, TTimerProc Proc = nullptr);
// Stops the timer; false when there is none of that window and id.
bool KillTimer(HWND Wnd, std::uintptr_t Id);

// Hooks of the calling thread. A hook procedure gets the code, wParam and
// lParam of its kind (for WH_GETMESSAGE lParam points to the MSG, which it
// may change; for WH_MOUSE lParam points to a MOUSEHOOKSTRUCT); it calls
// CallNextHookEx to pass the call on, and a non-zero result from a mouse
// or keyboard hook swallows the message.
enum : int { WH_KEYBOARD = 2, WH_GETMESSAGE = 3, WH_CALLWNDPROC = 4, WH_MOUSE = 7 };
enum : int { HC_ACTION = 0, HC_NOREMOVE = 3 };
struct MOUSEHOOKSTRUCT {
  TPoint pt{};
  HWND hwnd = nullptr;
  UINT wHitTestCode = 0;
};
struct CWPSTRUCT {
  LPARAM lParam = 0;
  WPARAM wParam = 0;
  UINT message = 0;
  HWND hwnd = nullptr;
};
using HHOOK = std::intptr_t;
using THookProc = std::function<LRESULT(int Code, WPARAM WParam, LPARAM LParam)>;
// The newest hook of a kind is called first. WH_MOUSE gets the message
// number in wParam; WH_KEYBOARD the virtual key in wParam and the key
// flags in lParam; WH_GETMESSAGE PM_REMOVE or PM_NOREMOVE in wParam;
// WH_CALLWNDPROC a CWPSTRUCT before each procedure call.
HHOOK SetWindowsHookEx(int Kind, THookProc Proc);
// Removes the hook; false for an unknown one.
bool UnhookWindowsHookEx(HHOOK Hook);
// Calls the hook after Hook in its chain; 0 when Hook is the last.
LRESULT CallNextHookEx(HHOOK Hook, int Code, WPARAM WParam, LPARAM LParam);

// ---- Screen ------------------------------------------------------------------------------

enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
             SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8, SM_CXICON = 11,
             SM_CYICON = 12, SM_CXCURSOR = 13, SM_CYCURSOR = 14, SM_CYMENU = 15, SM_CXFULLSCREEN = 16,
             SM_CYFULLSCREEN = 17, SM_CXMIN = 28, SM_CYMIN = 29, SM_CXSIZE = 30, SM_CYSIZE = 31,
             SM_CXFRAME = 32, SM_CYFRAME = 33, SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37,
             SM_CXEDGE = 45, SM_CYEDGE = 46, SM_CXSMICON = 49, SM_CYSMICON = 50, SM_CMONITORS = 80 };
// The screen's size from the primary monitor of the back end (the
// "full screen" sizes from its work area); the other sizes are the
// classic desktop's (scroll bars 17, caption 19, edges 2 ...); 0 for an
// unknown index.
int GetSystemMetrics(int Index);
// A monitor: its whole area and its work area (without task bars).
struct TMonitorInfo {
  TRect rcMonitor{};
  TRect rcWork{};
  bool Primary = false;
};
using HMONITOR = std::intptr_t;
enum : DWORD { MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1, MONITOR_DEFAULTTONEAREST = 2 };
// Monitors come from the back end; handles are 1 .. GetMonitorCount().
int GetMonitorCount();
// The monitor that holds the largest part of the window / the point / the
// rectangle; when none does, as Flags say: 0, the primary one or the
// nearest one.
HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags);
HMONITOR MonitorFromPoint(TPoint P, DWORD Flags);
HMONITOR MonitorFromRect(const TRect& R, DWORD Flags);
// False for an unknown handle (Info untouched).
bool GetMonitorInfo(HMONITOR Monitor, TMonitorInfo& Info);
// Pixels per inch of the screen (96 unless the back end says otherwise).
int GetScreenPixelsPerInch();

// ---- Clipboard ---------------------------------------------------------------------------

// Text of the clipboard ("" when it holds none).
String GetClipboardText();
void SetClipboardText(const String& Text);
// The number of the clipboard format Name (0xC000 and up; the same number
// for the same name, compared without regard to case, for the life of the
// process); 0 for an empty name. Thread-safe.
UINT RegisterClipboardFormat(const String& Name);
// The number of the window message Name, from the same table of names as
// the clipboard formats (so a name gives the same number in both): 0xC000
// and up, 0 for an empty name. Thread-safe.
UINT RegisterWindowMessage(const String& Name);
