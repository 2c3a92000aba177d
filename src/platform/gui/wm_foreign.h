// Windows of other programs as the window manager hands them out: when
// FindWindow finds no window of ours, it asks the back end for a top-level
// window of another program on the same desktop and returns a proxy handle
// for it. The host application's main window is closed this way when the
// host runs as a process of its own.
//
// A proxy handle is a handle of its own kind (never one of our windows'
// handles); the same foreign window always gets the same proxy. What works
// on a proxy:
// - IsWindow: true as long as the foreign window exists (the back end is
//   asked); once it is found gone the proxy is forgotten for good;
// - GetClassName, GetWindowText: the foreign window's class and title;
// - SendMessage / PostMessage of WM_CLOSE: the back end asks the window to
//   close as the desktop's close button would (WM_DELETE_WINDOW on X11).
//   SendMessage then waits a moment (at most ForeignCloseWaitMs on the
//   clock in force) for the window to go, since the other program answers
//   in its own time; it returns 0.
// Every other function of winapi.h fails on a proxy as on an invalid
// handle (0, false, null, nothing done): a proxy has no window record.
//
// Thread safety: any thread may call these. The back end is asked on the
// main thread only; on other threads FindWindow finds no foreign window,
// IsWindow and the names answer from what the main thread saw last, and
// messages to a proxy fail.
#pragma once

#include "platform/gui/winapi.h"

namespace wm {

// How long SendMessage(WM_CLOSE) to a proxy waits for the window to go.
constexpr Cardinal ForeignCloseWaitMs = 250;

// True when Wnd has the form of a proxy handle (cheap; it need not be a
// live one). Callers test this first and then use the functions below.
bool IsProxyHandle(HWND Wnd);

// The proxy of a foreign top-level window of class ClassName (without
// regard to case) and title Title ("" matches any), or null when the back
// end finds none. Does not look at our own windows (FindWindow does that
// first).
HWND FindForeignProxy(const String& ClassName, const String& Title);

// What IsWindow, GetClassName and GetWindowText answer for a proxy.
bool ProxyIsWindow(HWND Proxy);
String ProxyClassName(HWND Proxy);
String ProxyWindowText(HWND Proxy);

// What SendMessage and PostMessage do with a proxy: WM_CLOSE asks the
// foreign window to close; any other message is dropped. SendMessage
// returns 0; PostMessage true when the close request went out.
LRESULT ProxySendMessage(HWND Proxy, UINT Msg, WPARAM WParam, LPARAM LParam);
bool ProxyPostMessage(HWND Proxy, UINT Msg, WPARAM WParam, LPARAM LParam);

}  // namespace wm
