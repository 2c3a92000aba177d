// Hook points of the class library that a look-and-feel unit fills at
// start-up, where the original program patched the library's code:
//
//  - the popup parent of top-level forms: FormParamsHook runs at the end
//    of TCustomForm::CreateParams and may give the window an owner
//    (Params.WndParent), so that a dialog stays above the form it belongs
//    to;
//  - the themed edge: NCPaintHook runs after the class library has
//    painted a windowed control's non-client border (WM_NCPAINT), so that
//    it can paint over that border.
//
// Two further behaviours that the program patched in are built into the
// class library and need no hook: WM_PAINT of a DoubleBuffered windowed
// control paints through an off-screen bitmap (TWinControl::WMPaint), and
// list boxes answer WM_PRINTCLIENT by painting into the given canvas.
//
// An empty hook (the default) changes nothing.
//
// Thread safety: set during start-up and shutdown on the GUI thread, read
// there while windows are made and painted; no lock.
#pragma once

#include <functional>

#include "platform/gui/controls_types.h"

class TCustomForm;
class TWinControl;

// Called with the form and the parameters its window is about to be made
// with; may change them.
using TFormParamsHook = std::function<void(TCustomForm& Form, TCreateParams& Params)>;
// Called after a windowed control's non-client area was painted.
using TNCPaintHook = std::function<void(TWinControl& Control)>;

// Installs Hook (an empty one removes it) and returns the one before, so
// that whoever installs can put it back.
TFormParamsHook SetFormParamsHook(TFormParamsHook Hook);
TNCPaintHook SetNCPaintHook(TNCPaintHook Hook);

// The hooks in force (empty when none is installed).
const TFormParamsHook& FormParamsHook();
const TNCPaintHook& NCPaintHook();
