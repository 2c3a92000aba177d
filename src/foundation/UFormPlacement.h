// Placement of forms on one monitor (unit UMMon): a new form is moved onto
// the monitor that holds the active form (or the main form), kept inside
// that monitor, and centred there when it asks for screen-centred
// placement. The message box, the grid finder and the look engine call
// PlaceFormOnMonitor when a form is created or shown.
//
// Monitors are the screen's, in its order (monitor 0 is the primary one);
// the work area is the primary monitor's area without task bars.
//
// Thread safety: GUI thread only.
#pragma once

#include "platform/gui/forms.h"

// True when the intersection of the monitor rectangle R1 and the window
// rectangle R2 is not empty and is wider than half of R2's width and
// higher than half of its height (halves by integer division toward zero,
// sizes compared as absolute values).
bool HoldsMoreThanHalf(const TRect& R1, const TRect& R2);

// The index of the first monitor that holds more than half of Control's
// bounds rectangle; 0 when none does.
Integer MonitorIndexOf(TControl* Control);

// Positions Form on the target monitor (the one holding the active form,
// else the main form; without either, the form's own monitor as primary):
// a form with border style bsNone is left alone unless Force; a
// screen-centred form becomes poDesigned and is centred on the target's
// work area (primary) or area (other monitor), shrunk to fit; any other
// form is pulled inside the target (inside the work area on the primary
// monitor).
void PlaceFormOnMonitor(TCustomForm* Form, bool Force);
