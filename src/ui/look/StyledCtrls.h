// StyledCtrls: TStyledCheckBox, an owner-painted check box with a flat
// 12-pixel box drawn raised or sunken, a hand-drawn tick in CheckColor,
// an optional see-through background, caption alignment on both axes,
// word wrap, auto-size and a focus frame; with its bases
// TStyledTransControl (the see-through background, unit sTrans) and
// TStyledClassicControl (painting, mouse and keys).
//
// Painting goes through a bitmap of the control's size; a change of the
// check state alone repaints only the box strip unless ButtonLike (then
// the caption moves while pressed, so everything is repainted).
//
// Thread safety: GUI thread only.
#pragma once

#include <memory>

#include "platform/gui/controls.h"
#include "platform/gui/graphics_bitmap.h"
#include "platform/rtl/typinfo.h"

// The background source of a styled control. The class library has its
// own TTransparentMode (of bitmaps), hence the namespace; the type keeps
// its name in the property registry.
namespace styled {
RTL_ENUM(TTransparentMode, tmOpaque, tmSemiTransparent, tmTransparent);
}
using TStyledTransparentMode = styled::TTransparentMode;

RTL_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed);
RTL_ENUM(TClassicBoxStyle, cbsRaised, cbsSunken);
RTL_ENUM(TVerticalAlignment, vaTop, vaBottom, vaCenter);
// The side of the box: taLeftJustify or taRightJustify.
using TLeftRight = TAlignment;

// A control that can paint its parent's picture as its background: the
// parent is painted once into a snapshot, renewed after a move or resize.
class TStyledTransControl : public TCustomControl {
  RTL_DECLARE_CLASS(TStyledTransControl)
  RTL_MESSAGE_HANDLERS(TStyledTransControl)
 public:
  explicit TStyledTransControl(TComponent* AOwner);
  ~TStyledTransControl() override;
  bool Transparent() const { return FTransparent; }
  bool BackgroundDirty() const { return FBackgroundDirty; }

 protected:
  // Takes the snapshot when it is dirty and the control is transparent.
  void Paint() override;
  // Fills R of Canvas with the snapshot (transparent) or with Color.
  void PaintBackground(TCanvas& Canvas, const TRect& R);
  void WMEraseBkgnd(TMessage& M);
  void WMMoveOrSize(TMessage& M);
  // The next paint takes a new snapshot (and repaints everything).
  void MarkBackgroundDirty() { FBackgroundDirty = true; }
  bool FTransparent = false;

 private:
  std::unique_ptr<TBitmap> FSnapshot;
  bool FBackgroundDirty = true;
};

class TStyledClassicControl : public TStyledTransControl {
  RTL_DECLARE_CLASS(TStyledClassicControl)
  RTL_MESSAGE_HANDLERS(TStyledClassicControl)
 public:
  // 98 x 20, clBtnFace, button-like, opaque, box left, caption centred
  // vertically and left-justified, no focus frame.
  explicit TStyledClassicControl(TComponent* AOwner);

  TLeftRight Alignment() const { return FAlignment; }
  void SetAlignment(TLeftRight V);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool V) { FAllowGrayed = V; }
  void SetAutoSize(bool V) override;
  bool ButtonLike() const { return FButtonLike; }
  void SetButtonLike(bool V);
  TColor CheckColor() const { return FCheckColor; }
  void SetCheckColor(TColor V);
  // State = cbChecked.
  bool Checked() const { return FState == cbChecked; }
  virtual void SetChecked(bool Value);
  bool FocusFrame() const { return FFocusFrame; }
  void SetFocusFrame(bool V);
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState V);
  TClassicBoxStyle Style() const { return FStyle; }
  void SetStyle(TClassicBoxStyle V);
  TAlignment TextAlignment() const { return FTextAlignment; }
  void SetTextAlignment(TAlignment V);
  TStyledTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TStyledTransparentMode V);
  TVerticalAlignment VerticalAlignment() const { return FVerticalAlignment; }
  void SetVerticalAlignment(TVerticalAlignment V);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool V);

  bool Pressed() const { return FPressed; }
  // The box's rectangle in the control, and what the last paint showed.
  TRect BoxRect() const;
  // The side of the box: 12 pixels, more for a font taller than 12 pixels
  // (a window scaled to 120 or 140 %).
  Integer BoxSide() const;
  TRect LastPaintRect() const { return FLastPaintRect; }
  // Resizes to the caption (when AutoSize).
  void AdjustBounds();
  // The caption as the control reads it back: at most its first 255
  // characters (also what is drawn and measured).
  String GetText() const override;

 protected:
  void Paint() override;
  virtual void DrawCheckBox(TCanvas& Canvas, const TRect& R) = 0;
  virtual void Toggle() = 0;
  virtual bool CanChange() { return true; }
  void DrawCaption(TCanvas& Canvas);
  // Marks the next paint as the box strip only (unless ButtonLike) and
  // repaints.
  void RepaintBox();
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void WMKeyDown(TMessage& M);
  void WMKeyUp(TMessage& M);
  void CMDialogChar(TMessage& M);
  void WMSetFocus(TMessage& M);
  void WMKillFocus(TMessage& M);
  void CMMouseEnterLeave(TMessage& M);
  void CMEnabledChanged(TMessage& M);
  void CMTextChanged(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMParentColorChanged(TMessage& M);

  enum : Byte { pfMouseInside = 1, pfFocused = 2, pfCaptionOnly = 4, pfBoxOnly = 8 };
  Byte FPaintFlags = 0;
  bool FPressed = false;
  TCheckBoxState FState = cbUnchecked;

 private:
  TLeftRight FAlignment = taLeftJustify;
  bool FAllowGrayed = false;
  bool FButtonLike = true;
  TColor FCheckColor = clBlack;
  bool FFocusFrame = false;
  TClassicBoxStyle FStyle = cbsRaised;
  TAlignment FTextAlignment = taLeftJustify;
  TStyledTransparentMode FTransparentMode = styled::tmOpaque;
  TVerticalAlignment FVerticalAlignment = vaCenter;
  bool FWordWrap = false;
  TRect FLastPaintRect{};
};

class TCustomStyledCheckBox : public TStyledClassicControl {
  RTL_DECLARE_CLASS(TCustomStyledCheckBox)
 public:
  using TStyledClassicControl::TStyledClassicControl;
  // Unchecked, grayed (with AllowGrayed), checked, unchecked; then OnClick.
  void Toggle() override;

 protected:
  void DrawCheckBox(TCanvas& Canvas, const TRect& R) override;
};

class TStyledCheckBox : public TCustomStyledCheckBox {
  RTL_DECLARE_CLASS(TStyledCheckBox)
 public:
  using TCustomStyledCheckBox::TCustomStyledCheckBox;
};
