// The standard controls of the visual class library in one include:
// labels (stdctrls_label.h), edits (stdctrls_edit.h), list boxes
// (stdctrls_listbox.h) and combo boxes (stdctrls_combo.h).
//
// Each class registers itself by name for the form reader when its unit
// is linked. A program that creates these controls only from form
// descriptions calls RegisterStandardControls once, which links and
// registers all of them (and those of extctrls.h, extctrls_notebook.h and
// typeonly.h). Calling it again does nothing.
//
// Thread safety: RegisterStandardControls may be called from any thread.
#pragma once

#include "platform/gui/stdctrls_combo.h"
#include "platform/gui/stdctrls_edit.h"
#include "platform/gui/stdctrls_label.h"
#include "platform/gui/stdctrls_listbox.h"

void RegisterStandardControls();
