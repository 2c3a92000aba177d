// TCustomLabel and TLabel: a caption drawn on the parent (no window).
//
// The label draws its text with DrawText in its font: aligned left,
// centred or right (Alignment), at the top, centre or bottom (Layout),
// on one line or word-wrapped (WordWrap), "&" marking the accelerator
// unless ShowAccelChar is off. Without Transparent the background is
// filled with Color (which follows the parent while ParentColor is set).
// AutoSize (default on) fits the bounds to the text; the left, right or
// centre stays put by Alignment. A disabled label draws its text embossed.
// FocusControl is the control that its accelerator focuses.
//
// Descendants change what is drawn through GetLabelText and DoDrawText.
//
// Thread safety: none; GUI thread only.
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/graphics_drawtext.h"

RTL_ENUM(TTextLayout, tlTop, tlCenter, tlBottom);

class TCustomLabel : public TGraphicControl {
  RTL_DECLARE_CLASS(TCustomLabel)
  RTL_MESSAGE_HANDLERS(TCustomLabel)
 public:
  // 65 x 17, AutoSize and ShowAccelChar on, opaque.
  explicit TCustomLabel(TComponent* AOwner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment V);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout V);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool V);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool V);
  bool Transparent() const { return !FControlStyle.Contains(csOpaque); }
  void SetTransparent(bool V);
  // Not owned; cleared when it is freed.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* V);
  void SetAutoSize(bool V) override;

 protected:
  // The text to draw (the caption here).
  virtual String GetLabelText();
  // Draws (or with DT_CALCRECT measures into Rect) the label text.
  virtual void DoDrawText(TRect& Rect, Cardinal Flags);
  // The DrawText flags of the label's alignment and wrapping.
  Cardinal TextFlags() const;
  void Paint() override;
  // Fits the bounds to the text when AutoSize is on (not while loading).
  virtual void AdjustBounds();
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  void CMTextChanged(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMDialogChar(TMessage& M);

 private:
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
  RTL_DECLARE_CLASS(TLabel)
 public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};
