// Placement of forms on the monitor where the user works.
#include "foundation/UFormPlacement.h"

#include <cstdlib>

namespace {
// A monitor's rectangle: (Left, Top, Left + Width, Top + Height).
TRect MonitorRect(TMonitor* M) { return Bounds(M->Left(), M->Top(), M->Width(), M->Height()); }

// The monitor to place on, and whether it counts as the primary one.
struct TTarget {
  TMonitor* Monitor;
  bool Primary;
};

TTarget FindTarget(TCustomForm* Form) {
  TCustomForm* Ref = Screen->ActiveCustomForm();
  if (!Ref) Ref = Application->MainForm();
  if (Ref) {
    TRect R = Ref->BoundsRect();
    for (Integer I = 0; I < Screen->MonitorCount(); ++I)
      if (HoldsMoreThanHalf(MonitorRect(Screen->Monitors(I)), R)) return {Screen->Monitors(I), I == 0};
  }
  return {Form->Monitor(), true};
}

// Step 3: pulls the form's position into the monitor.
TPoint PullInside(TCustomForm* Form, const TRect& M) {
  Integer X = Form->Left(), Y = Form->Top();
  if (M.Right < Form->Left() + Form->Width()) X = Form->Left() + M.Left;
  if (M.Left > Form->Left()) X = M.Left + Form->Left();
  if (X < M.Left) X = M.Left;
  if (M.Bottom < Form->Top() + Form->Height()) Y = M.Bottom - Form->Height();
  if (M.Top > Form->Top()) Y = M.Top;
  return {X, Y};
}

// Centres the form in Area, shrinking it to the area's right and bottom.
void Centre(TCustomForm* Form, const TRect& Area) {
  Integer X = Area.Left + (Area.Width() - Form->Width()) / 2;
  Integer Y = Area.Top + (Area.Height() - Form->Height()) / 2;
  Integer W = Form->Width(), H = Form->Height();
  if (Y + H > Area.Bottom) H = Area.Bottom - Y;
  if (X + W > Area.Right) W = Area.Right - X;
  Form->SetBounds(X, Y, W, H);
}

// Step 5: keeps the form inside the work area of the primary monitor.
void KeepInWorkArea(TCustomForm* Form, TPoint P, const TRect& W) {
  Integer Width = Form->Width(), Height = Form->Height();
  if (P.X < W.Left) P.X = W.Left;
  if (P.Y < 0) P.Y = 0;
  if (P.X + Width > W.Right) P.X = std::max(0, W.Right - Width);
  if (P.Y + Height > W.Bottom) P.Y = std::max(0, W.Bottom - Height);
  Form->SetBounds(P.X, P.Y, Width, Height);
}
}  // namespace

bool HoldsMoreThanHalf(const TRect& R1, const TRect& R2) {
  TRect I;
  if (!IntersectRect(I, R1, R2)) return false;
  return std::abs(I.Width()) > std::abs(R2.Width() / 2) && std::abs(I.Height()) > std::abs(R2.Height() / 2);
}

Integer MonitorIndexOf(TControl* Control) {
  TRect R = Control->BoundsRect();
  for (Integer I = 0; I < Screen->MonitorCount(); ++I)
    if (HoldsMoreThanHalf(MonitorRect(Screen->Monitors(I)), R)) return I;
  return 0;
}

void PlaceFormOnMonitor(TCustomForm* Form, bool Force) {
  if (!Force && Form->BorderStyle() == bsNone) return;
  bool Centred = Form->Position() == poScreenCenter;
  TTarget T = FindTarget(Form);
  TRect M = MonitorRect(T.Monitor);
  TPoint P = PullInside(Form, M);
  if (Centred) {
    Form->SetPosition(poDesigned);
    Centre(Form, T.Primary ? Screen->WorkAreaRect() : M);
  } else if (T.Primary) {
    KeepInWorkArea(Form, P, Screen->WorkAreaRect());
  } else {
    Form->SetBounds(P.X, P.Y, Form->Width(), Form->Height());
  }
}
