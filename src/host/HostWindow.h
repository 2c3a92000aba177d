// The host application's main window: a top-level window of the window
// class "T_KELPO_Mainform", as the business application shows it while it
// runs. The synchronisation tool finds it by that class and sends it
// WM_CLOSE; the window then goes at once (the default handling destroys
// it within the WM_CLOSE call), so a search right after the send finds
// nothing.
//
// In the same process the tool finds the window among its own; a host
// stand-in in a process of its own (kelpohost) shown on X11 carries the
// class in its WM_CLASS, so the tool finds it through the X server and its
// WM_CLOSE arrives as the desktop's close request (WM_DELETE_WINDOW).
// SIGTERM / SIGINT close it as well.
//
// Thread safety: the window lives on the thread that created it; call
// these routines on the GUI thread.
#pragma once

#include <functional>

#include "platform/gui/winapi.h"

extern const char* const HostMainWindowClass;  // "T_KELPO_Mainform"
extern const char* const HostMainWindowTitle;  // "Torvane - Auftragsbearbeitung"

// Creates and shows the host's main window on the calling thread. WM_CLOSE
// destroys it; OnDestroyed, when given, runs from its WM_DESTROY. Returns
// the window; the window manager owns it.
HWND CreateHostMainWindow(std::function<void()> OnDestroyed = nullptr);

// Installs the X11 back end when the display of $DISPLAY opens; otherwise
// the window manager keeps its headless back end. True for X11.
bool UseDisplayWhenAvailable();

// Blocks SIGTERM and SIGINT in the calling thread and in every thread it
// starts afterwards, so that RunHostMainWindow can turn them into WM_CLOSE.
// Call it first in main, before anything starts threads.
void TakeOverCloseSignals();

// Runs the host stand-in: shows the main window and handles messages until
// the window is gone (WM_CLOSE from the tool, the desktop's close button,
// or SIGTERM / SIGINT, which are turned into WM_CLOSE). OnReady, when
// given, runs once the window is shown and the signals are taken over (a
// signal before that ends the process). Returns the exit code, 0 after a
// close.
int RunHostMainWindow(std::function<void()> OnReady = nullptr);
