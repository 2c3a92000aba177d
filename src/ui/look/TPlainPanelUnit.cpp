// TPlainPanel: painting and properties.
#include "ui/look/TPlainPanelUnit.h"

#include "platform/rtl/classreg.h"
#include "ui/look/PlainUtils.h"

RTL_IMPLEMENT_CLASS(TPlainPanel, TCustomPanel, &ComponentFactory<TPlainPanel>)

TPlainPanel::TPlainPanel(TComponent* AOwner) : TCustomPanel(AOwner) {
  SetParentFont(true);
  SetParentColor(true);
  SetBevelOuter(bvNone);
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls, csOpaque});
  SetBounds(0, 0, 185, 41);
}

void TPlainPanel::SetTransparent(bool V) {
  if (V == FTransparent) return;
  FTransparent = V;
  Invalidate();
}

void TPlainPanel::SetColorHighLight(TColor V) {
  if (V == FColorHighLight) return;
  FColorHighLight = V;
  Invalidate();
}

void TPlainPanel::SetColorShadow(TColor V) {
  if (V == FColorShadow) return;
  FColorShadow = V;
  Invalidate();
}

void TPlainPanel::SetEnabled(bool V) {
  TCustomPanel::SetEnabled(V);
  Invalidate();
}

void TPlainPanel::PaintTo(TCanvas& C) {
  TRect R = Rect(0, 0, Width(), Height());
  if (FTransparent) {
    DrawParentImage(this, C);
  } else {
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Color());
    C.FillRect(R);
  }
  DrawFrame3D(C, R, FColorHighLight, FColorShadow, 1);
  if (Caption().empty()) return;
  C.Font()->Assign(Font());
  C.Brush()->SetStyle(bsClear);
  Cardinal Flags = DT_VCENTER | DT_SINGLELINE;
  if (Alignment() == taRightJustify) Flags |= DT_RIGHT;
  else if (Alignment() == taCenter) Flags |= DT_CENTER;
  TRect T = R;
  if (!Enabled()) {
    TRect Moved = T;
    OffsetRect(Moved, 1, 1);
    C.Font()->SetColor(clBtnHighlight);
    DrawText(C, Caption(), Moved, Flags);
    C.Font()->SetColor(clBtnShadow);
  }
  DrawText(C, Caption(), T, Flags);
}

void TPlainPanel::Paint() {
  TBitmap Buffer;
  Buffer.SetSize(std::max<Integer>(1, Width()), std::max<Integer>(1, Height()));
  PaintTo(*Buffer.Canvas());
  Canvas()->Draw(0, 0, &Buffer);
}

RTL_PUBLISHED(TPlainPanel) {
  using T = TPlainPanel;
  P.Prop("Transparent", &T::Transparent, &T::SetTransparent).Default(false);
  P.Prop("ColorHighLight", &T::ColorHighLight, &T::SetColorHighLight).TypeName("TColor").Default(ColorValue(0x8396A0));
  P.Prop("ColorShadow", &T::ColorShadow, &T::SetColorShadow).TypeName("TColor").Default(ColorValue(0x8396A0));
}

[[maybe_unused]] static const bool PlainPanelRegistered = (RegisterClass(TPlainPanel::StaticClass()), true);
