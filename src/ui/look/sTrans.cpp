// TStyledTransControl: the see-through background of the styled controls,
// a snapshot of the parent's picture under the control.
#include "ui/look/PlainUtils.h"
#include "ui/look/StyledCtrls.h"

RTL_IMPLEMENT_CLASS(TStyledTransControl, TCustomControl, nullptr)

RTL_MESSAGE_MAP(TStyledTransControl) {
  M.On(WM_ERASEBKGND, &TStyledTransControl::WMEraseBkgnd);
  M.On(WM_MOVE, &TStyledTransControl::WMMoveOrSize);
  M.On(WM_SIZE, &TStyledTransControl::WMMoveOrSize);
}

TStyledTransControl::TStyledTransControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
}

TStyledTransControl::~TStyledTransControl() = default;

void TStyledTransControl::Paint() {
  if (!FBackgroundDirty) return;
  FSnapshot.reset();
  if (FTransparent) {
    FSnapshot = std::make_unique<TBitmap>();
    FSnapshot->SetSize(Width(), Height());
    DrawParentImage(this, *FSnapshot->Canvas());
  }
  FBackgroundDirty = false;
}

void TStyledTransControl::PaintBackground(TCanvas& Canvas, const TRect& R) {
  if (FTransparent && FSnapshot) {
    Canvas.CopyRect(R, *FSnapshot->Canvas(), R);
    return;
  }
  Canvas.Brush()->SetStyle(bsSolid);
  Canvas.Brush()->SetColor(Color());
  Canvas.FillRect(R);
}

void TStyledTransControl::WMEraseBkgnd(TMessage& M) { M.Result = 1; }

void TStyledTransControl::WMMoveOrSize(TMessage& M) {
  Inherited(TStyledTransControl::StaticClass(), M);
  FBackgroundDirty = true;
  Invalidate();
}
