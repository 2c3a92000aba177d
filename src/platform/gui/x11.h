// The X11 back end of the window manager: every top-level window is a real
// X window, drawn from a back buffer that the window manager paints, and
// the X server's events become device input of the window manager.
//
// What it does on the X side:
// - normal windows take part in the desktop's window manager protocols
//   (WM_DELETE_WINDOW becomes a close request); dialogs are transient for
//   their owner; popups (menus, lists, hints) are override-redirect and
//   never take the focus; topmost windows ask for _NET_WM_STATE_ABOVE;
// - the back buffer lies in memory shared with the server (MIT-SHM) when
//   the server can reach it, else in our own memory; Present shows the
//   dirty rectangle (XShmPutImage, waiting until the server has read it,
//   or XPutImage);
// - the pointer's crossings into and out of our windows are mouse moves,
//   so that the window manager notices the pointer leaving;
// - titles are UTF-8 (_NET_WM_NAME), shapes use the XShape extension and
//   monitors XRandR when the server and the machine have them (their
//   libraries are loaded at run time; without them windows stay
//   rectangular, buffers are copied and the screen is one monitor, its
//   work area from _NET_WORKAREA);
// - the text clipboard is the CLIPBOARD selection in UTF8_STRING (STRING
//   is understood too); while we own it the driver answers other clients'
//   requests from PumpEvents.
//
// Thread safety: as every back end (backend.h): the driver and its windows
// are used on the GUI thread only, except Wake, which any thread may call.
#pragma once

#include <memory>

#include "platform/gui/backend.h"

// Where the X11 back end delivers device input. The default sink hands
// everything to TDesktopInput; tests give their own to watch the driver
// alone. Coordinates as in TDesktopInput (desktop, or window for Expose).
class TX11EventSink {
 public:
  virtual ~TX11EventSink() = default;
  virtual void MouseMove(TPoint Pos) = 0;
  virtual void MouseButton(int Button, bool Down, TPoint Pos) = 0;
  virtual void MouseWheel(int Delta, TPoint Pos) = 0;
  virtual void Key(Word VirtualKey, bool Down, const String& Char) = 0;
  virtual void CloseRequest(HWND TopLevel) = 0;
  virtual void Expose(HWND TopLevel, const TRect& Rect) = 0;
  virtual void Configured(HWND TopLevel, const TRect& Bounds) = 0;
  virtual void Activated(HWND TopLevel, bool Active) = 0;
};

// Opens a connection to the X display DisplayName ("" takes $DISPLAY) and
// returns a driver over it, or null when no display can be opened. Events
// go to Sink (null: TDesktopInput). The driver owns the connection; the
// native windows it makes must be destroyed before it.
std::unique_ptr<TGuiDriver> NewX11Driver(const String& DisplayName = String(),
                                         std::unique_ptr<TX11EventSink> Sink = nullptr);

// Waits until the X server has handled every request that Driver sent
// (nothing when Driver is no X11 driver). Tests call it before they look
// at the screen through a connection of their own.
void X11Sync(TGuiDriver& Driver);

// The X window id behind a native window of the X11 back end (0 for a
// native window of another back end). For tests and diagnostics that look
// at the window through a connection of their own.
unsigned long X11WindowId(const TNativeWindow& Window);
// The X window id of a top-level window of the window manager (0 when it
// has no native window of the X11 back end).
unsigned long X11WindowOfHandle(HWND TopLevel);
