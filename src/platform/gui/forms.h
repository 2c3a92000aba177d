// The forms unit of the visual class library in one include: TCustomForm
// and TForm, TScreen with TMonitor and the cursor table, TApplication with
// the hint window. See the three headers for the contracts.
#pragma once

#include "platform/gui/forms_application.h"
#include "platform/gui/forms_form.h"
#include "platform/gui/forms_screen.h"
