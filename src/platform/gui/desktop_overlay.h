// The desktop overlay: where code draws "on the desktop" (rubber frames
// while a popup is moved or sized, drag outlines) with raster operations,
// as the original platform's desktop device context allowed.
//
// Drawing goes into an overlay image over the whole virtual screen that
// starts black (0). What is not black after a release shows in a
// top-most, input-transparent window shaped to exactly those pixels
// (clicks go through to the windows below). Raster operations combine
// with the overlay's own pixels, so exclusive-or drawing (PATINVERT,
// SRCINVERT, DrawFocusRect) drawn twice leaves nothing, and the window
// goes again. The overlay is an ordinary shaped top-level window, so
// every back end shows the same pixels.
//
// GetDC(nullptr) and GetWindowDC(nullptr) hand out this canvas too, and
// ReleaseDC(nullptr, DC) releases it.
//
// Thread safety: GUI thread only; one desktop canvas at a time.
#pragma once

#include "platform/gui/graphics_canvas.h"
#include "platform/gui/winapi.h"

// A canvas in desktop coordinates over the overlay (owned by the overlay;
// valid until ReleaseDesktopDC). A second call before the release gives
// the same canvas.
TCanvas* GetDesktopDC();
// Shows what was drawn: the overlay window takes the shape of the
// overlay's non-black pixels and is painted at once (destroyed when none
// are left). Ignores any other canvas.
void ReleaseDesktopDC(TCanvas* DC);
// True for the canvas GetDesktopDC handed out.
bool IsDesktopDC(TCanvas* DC);
// The overlay window, null while nothing is drawn on the desktop.
HWND DesktopOverlayWindow();
// Drops everything drawn on the desktop and the overlay window.
void ClearDesktopOverlay();
