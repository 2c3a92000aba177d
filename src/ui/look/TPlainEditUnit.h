// TPlainEdit: a flat single-line edit box. Its three-pixel non-client
// frame is one line in ColorBorder and two in the inner colour, which is
// also the box's Color: ColorFocused while the box has the focus, or while
// the mouse is over it and no other plain edit is the active control;
// ColorPlain otherwise (the parent's colour while ParentColor is set).
// With UseDerivedColors the focused and border colours are derived from
// ColorPlain (ShadeColor). The height follows the font (its line height + 6).
// TCustomPlainEdit does the work; TPlainEdit publishes it.
//
// Thread safety: none; GUI thread only.
#pragma once

#include "platform/gui/stdctrls_edit.h"
#include "ui/look/PlainUtils.h"

class TCustomPlainEdit : public TCustomEdit {
  RTL_DECLARE_CLASS(TCustomPlainEdit)
  RTL_MESSAGE_HANDLERS(TCustomPlainEdit)
 public:
  // 121 x 19, parent font and colour, white when focused, 0xE1EAEB plain.
  explicit TCustomPlainEdit(TComponent* AOwner);

  TColor ColorFocused() const { return FColorFocused; }
  TColor ColorBorder() const { return FColorBorder; }
  TColor ColorPlain() const { return FColorPlain; }
  void SetColorFocused(TColor V);
  void SetColorBorder(TColor V);
  // Clears ParentColor.
  void SetColorPlain(TColor V);
  bool PlainParentColor() const { return FParentColor; }
  void SetPlainParentColor(bool V);
  TDerivedColors DerivedColorFocused() const { return FDerivedFocused; }
  void SetDerivedColorFocused(TDerivedColors V);
  TDerivedColors DerivedColorBorder() const { return FDerivedBorder; }
  void SetDerivedColorBorder(TDerivedColors V);
  bool UseDerivedColors() const { return FUseDerived; }
  // Also sets ParentColor to the same value.
  void SetUseDerivedColors(bool V);
  bool MouseInControl() const { return FMouseInControl; }
  // The colour of the inner frame and the background now.
  TColor InnerColor();
  // Draws the frame into the window's non-client area.
  void RedrawBorder();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Loaded() override;
  void DoEnter() override;
  void DoExit() override;
  void CMMouseEnter(TMessage& M);
  void CMMouseLeave(TMessage& M);
  void CMEnabledChanged(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMParentColorChanged(TMessage& M);
  void WMNCPaint(TMessage& M);

 private:
  void FitHeight();
  void Derive();
  TColor FColorFocused = clWhite;
  TColor FColorBorder = ColorValue(0x8396A0);
  TColor FColorPlain = ColorValue(0xE1EAEB);
  bool FParentColor = true;
  TDerivedColors FDerivedFocused = 10, FDerivedBorder = 50;
  bool FUseDerived = false;
  bool FMouseInControl = false;
};

class TPlainEdit : public TCustomPlainEdit {
  RTL_DECLARE_CLASS(TPlainEdit)
 public:
  explicit TPlainEdit(TComponent* AOwner) : TCustomPlainEdit(AOwner) {}
};
