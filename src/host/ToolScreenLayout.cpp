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

TPoint TFsyncLayout::ControlCentre(const String& Name) {
  auto* C = dynamic_cast<TControl*>(FForm->FindComponent(Name));
  if (!C) throw EComponentError("Das Hauptfenster hat kein Steuerelement " + Name + ".");
  TPoint P = C->ClientToScreen(TPoint{C->Width() / 2, C->Height() / 2});
  TPoint O = FForm->ClientToScreen(TPoint{0, 0});
  return TPoint{P.X - O.X, P.Y - O.Y};
}
