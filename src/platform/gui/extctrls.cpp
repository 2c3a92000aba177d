// TCustomPanel, TPanel and the bevel drawing they share with TBevel.
#include "platform/gui/extctrls.h"

#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TCustomPanel, TCustomControl, &ComponentFactory<TCustomPanel>)
RTL_IMPLEMENT_CLASS(TPanel, TCustomPanel, &ComponentFactory<TPanel>)

namespace {

// One frame line per side: TopLeft on the top and left, BottomRight on
// the bottom and right; the rectangle shrinks by one.
void FrameLines(TCanvas& C, TRect& R, TColor TopLeft, TColor BottomRight) {
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(TopLeft);
  C.FillRect(Rect(R.Left, R.Top, R.Right, R.Top + 1));
  C.FillRect(Rect(R.Left, R.Top, R.Left + 1, R.Bottom));
  C.Brush()->SetColor(BottomRight);
  C.FillRect(Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom));
  C.FillRect(Rect(R.Right - 1, R.Top, R.Right, R.Bottom));
  InflateRect(R, -1, -1);
}

}  // namespace

void DrawBevel(TCanvas& Canvas, TRect& Rect, TBevelCut Cut, Integer Width) {
  if (Cut == bvNone) return;
  for (Integer I = 0; I < Width; ++I) {
    if (Cut == bvRaised) FrameLines(Canvas, Rect, clBtnHighlight, clBtnShadow);
    else if (Cut == bvLowered) FrameLines(Canvas, Rect, clBtnShadow, clBtnHighlight);
    else InflateRect(Rect, -1, -1);
  }
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks, csReplicatable});
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::Changed() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment V) {
  FAlignment = V;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut V) {
  FBevelInner = V;
  Changed();
}

void TCustomPanel::SetBevelOuter(TBevelCut V) {
  FBevelOuter = V;
  Changed();
}

void TCustomPanel::SetBevelWidth(Integer V) {
  FBevelWidth = V < 1 ? 1 : V;
  Changed();
}

void TCustomPanel::SetBorderStyle(TBorderStyle V) {
  if (V == FBorderStyle) return;
  FBorderStyle = V;
  RecreateWnd();
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  ApplyBorderStyle(Params, FBorderStyle);
}

Integer TCustomPanel::BevelSize() const {
  Integer N = 0;
  if (FBevelOuter != bvNone) N += FBevelWidth;
  if (FBevelInner != bvNone) N += FBevelWidth;
  return N;
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  InflateRect(Rect, -BevelSize(), -BevelSize());
}

TRect TCustomPanel::PaintBevels() {
  TCanvas& C = *Canvas();
  TRect R = ClientRect();
  DrawBevel(C, R, FBevelOuter, FBevelWidth);
  // The border space between the bevels shows the panel's colour.
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(Color());
  for (Integer I = 0; I < BorderWidth(); ++I) FrameLines(C, R, Color(), Color());
  DrawBevel(C, R, FBevelInner, FBevelWidth);
  return R;
}

void TCustomPanel::Paint() {
  TRect R = PaintBevels();
  TCanvas& C = *Canvas();
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(Color());
  C.FillRect(R);
  static const Cardinal Align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  C.Font()->Assign(Font());
  C.Brush()->SetStyle(bsClear);
  DrawText(C, Caption(), R, DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | Align[FAlignment]);
}

void TCustomPanel::CMTextChanged(TMessage&) { Invalidate(); }

RTL_MESSAGE_MAP(TCustomPanel) { M.On(CM_TEXTCHANGED, &TCustomPanel::CMTextChanged); }

RTL_PUBLISHED(TCustomPanel) {
  P.Prop("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment).Default(taCenter);
  P.Prop("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
  P.Prop("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter).Default(bvRaised);
  P.Prop("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
  P.Prop("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle).Default(bsNone);
  P.Prop("FullRepaint", &TCustomPanel::FullRepaint, &TCustomPanel::SetFullRepaint).Default(true);
  P.Prop("Locked", &TCustomPanel::Locked, &TCustomPanel::SetLocked).Default(false);
  P.Prop("Ctl3D", [](TCustomPanel*) { return true; }, [](TCustomPanel*, bool) {}).Stored(false);
  P.Prop("ParentCtl3D", [](TCustomPanel*) { return true; }, [](TCustomPanel*, bool) {}).Stored(false);
}

[[maybe_unused]] static const bool PanelClassesRegistered =
    (RegisterClasses({TCustomPanel::StaticClass(), TPanel::StaticClass()}), true);
