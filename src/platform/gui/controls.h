// The controls of the visual class library in one include: TControl,
// TWinControl, TCustomControl, TGraphicControl and their types. See
// controls_types.h, controls_control.h and controls_winctrl.h for the
// contracts.
#pragma once

#include "platform/gui/controls_control.h"
#include "platform/gui/controls_types.h"
#include "platform/gui/controls_winctrl.h"
