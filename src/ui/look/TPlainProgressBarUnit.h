// TPlainProgressBar: a light-weight flat progress bar painted on its
// parent's surface (no window of its own): a one-pixel frame around
// either a row of square blocks ("elements", 8 pixels, 9 apart) or, in
// Smooth mode, one filled bar. The run page of the synchronisation
// drives one through Max and Position.
//
// Registered by class name for form descriptions; every property in the
// table below is published with its default.
//
// Thread safety: none; GUI thread only.
#pragma once

#include "ui/look/PlainUtils.h"

RTL_ENUM(TProgressBarOrientation, pbHorizontal, pbVertical);

class TPlainProgressBar : public TGraphicControl {
  RTL_DECLARE_CLASS(TPlainProgressBar)
  RTL_MESSAGE_HANDLERS(TPlainProgressBar)
 public:
  // 147 x 16, range 0..100, Position 0, Step 10, blocks, horizontal, the
  // flat colours; ParentColor is True afterwards.
  explicit TPlainProgressBar(TComponent* AOwner);

  Integer Min() const { return FMin; }
  // Stores a new lower end; Max is raised to Min + 1 when needed.
  // Position is not clamped here.
  void SetMin(Integer Value);
  Integer Max() const { return FMax; }
  // Stores a new upper end (lowering Position to it when above); Max
  // stays at least Min + 1.
  void SetMax(Integer Value);
  Integer Position() const { return FPosition; }
  // Clamps Value to [Min, Max]. Growth is drawn at once without erasing
  // the background; a decrease repaints the whole bar.
  void SetPosition(Integer Value);
  Integer Step() const { return FStep; }
  void SetStep(Integer Value);
  bool Smooth() const { return FSmooth; }
  void SetSmooth(bool Value);
  TProgressBarOrientation Orientation() const { return FOrientation; }
  // At run time swaps Width and Height; while loading only repaints.
  void SetOrientation(TProgressBarOrientation Value);
  // Index 0: ColorElement, 1: ColorBorder.
  TColor GetColor(Integer Index) const { return Index == 0 ? FColorElement : FColorBorder; }
  void SetColors(Integer Index, TColor Value);
  TColor ColorElement() const { return FColorElement; }
  TColor ColorBorder() const { return FColorBorder; }
  TDerivedColors DerivedColorBorder() const { return FDerivedColorBorder; }
  void SetDerivedColorBorder(TDerivedColors Value);
  bool UseDerivedColors() const { return FUseDerivedColors; }
  // Also sets ParentColor to Value.
  void SetUseDerivedColors(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  void SetBiDiMode(TBiDiMode Value) override;

  // Edge length of a block along the bar (8).
  Integer ElementSize() const { return FElementSize; }
  // The number of whole blocks that fit, and how many are filled now.
  Integer BlockCapacity();
  Integer FilledBlocks();

 protected:
  void Paint() override;
  void CMSysColorChange(TMessage& M);
  void CMParentColorChanged(TMessage& M);

 private:
  void CheckRange();
  void CalcAdvancedColors();
  void DerivedColorsChanged();
  void SnapToBlocks();
  void PaintElements(TCanvas& C);
  void PaintBlocks(TCanvas& C);
  void PaintBar(TCanvas& C);
  void DrawGrowth();

  Integer FMin = 0, FMax = 100, FPosition = 0, FStep = 10;
  bool FSmooth = false;
  TProgressBarOrientation FOrientation = pbHorizontal;
  TColor FColorElement = RGB(51, 102, 153);
  TColor FColorBorder = RGB(160, 150, 131);
  TDerivedColors FDerivedColorBorder = 50;
  bool FUseDerivedColors = false;
  bool FTransparent = false;
  Integer FElementSize = 8;
};
