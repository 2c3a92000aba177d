// TFsyncLayout: kept apart from the screen driver so that a program that
// only looks at the screen does not link the tool's main form.
// Umsync.h first: it includes the archive unit under its own terms.
#include "sync/Umsync.h"

#include "host/ToolScreen.h"

#include "platform/rtl/classes.h"

TFsyncLayout::TFsyncLayout() {
  FForm.reset(NewForm<TFsync>(nullptr));
  FForm->HandleNeeded();
}

TFsyncLayout::~TFsyncLayout() = default;

TRect ControlRectOf(TCustomForm& Form, const String& Name) {
  auto* C = dynamic_cast<TControl*>(Form.FindComponent(Name));
  if (!C) throw EComponentError("Das Fenster " + Form.Name() + " hat kein Steuerelement " + Name + ".");
  TPoint P = C->ClientToScreen(TPoint{0, 0});
  TPoint O = Form.ClientToScreen(TPoint{0, 0});
  return TRect{P.X - O.X, P.Y - O.Y, P.X - O.X + C->Width(), P.Y - O.Y + C->Height()};
}

TRect TFsyncLayout::ControlRect(const String& Name) { return ControlRectOf(*FForm, Name); }

TPoint TFsyncLayout::ControlCentre(const String& Name) {
  TRect R = ControlRect(Name);
  return TPoint{(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
}
