// TPlainPanel: a flat container panel with a one-pixel two-colour frame
// (ColorHighLight top and left, ColorShadow bottom and right), an optional
// see-through background (Transparent: the parent's image) and a one-line
// caption placed by Alignment; a disabled panel shows its caption
// embossed. Painted into an off-screen bitmap that is then copied.
//
// Thread safety: none; GUI thread only.
#pragma once

#include "platform/gui/extctrls.h"

class TPlainPanel : public TCustomPanel {
  RTL_DECLARE_CLASS(TPlainPanel)
 public:
  // 185 x 41, parent colour and font, both frame colours 0x8396A0.
  explicit TPlainPanel(TComponent* AOwner);

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool V);
  TColor ColorHighLight() const { return FColorHighLight; }
  void SetColorHighLight(TColor V);
  TColor ColorShadow() const { return FColorShadow; }
  void SetColorShadow(TColor V);

  // Draws the panel into Canvas (what Paint copies to the screen). The
  // control's own PaintTo (a copy of the control and its children at X,Y)
  // stays callable beside it.
  using TCustomPanel::PaintTo;
  void PaintTo(TCanvas& Canvas);
  void SetEnabled(bool V) override;

 protected:
  void Paint() override;

 private:
  bool FTransparent = false;
  TColor FColorHighLight = ColorValue(0x8396A0);
  TColor FColorShadow = ColorValue(0x8396A0);
};
