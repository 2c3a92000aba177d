// TPlainProgressBar: setters, colour derivation and painting.
#include "ui/look/TPlainProgressBarUnit.h"

#include <cmath>

#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TPlainProgressBar, TGraphicControl, &ComponentFactory<TPlainProgressBar>)

RTL_MESSAGE_MAP(TPlainProgressBar) {
  M.On(CM_SYSCOLORCHANGE, &TPlainProgressBar::CMSysColorChange);
  M.On(CM_PARENTCOLORCHANGED, &TPlainProgressBar::CMParentColorChanged);
}

TPlainProgressBar::TPlainProgressBar(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 147, 16);
  SetColor(RGB(235, 234, 225));
  SetParentColor(true);
}

// ---- Range and position -----------------------------------------------------------

void TPlainProgressBar::CheckRange() {
  if (FMax - FMin < 1) {
    FMax = FMin + 1;
    Invalidate();
  }
}

void TPlainProgressBar::SetMin(Integer Value) {
  if (Value != FMin) {
    FMin = Value;
    Invalidate();
  }
  CheckRange();
}

void TPlainProgressBar::SetMax(Integer Value) {
  if (Value != FMax) {
    if (Value < FPosition) FPosition = Value;
    FMax = Value;
    Invalidate();
  }
  CheckRange();
}

void TPlainProgressBar::SetPosition(Integer Value) {
  Integer V = ClampInt(Value, FMin, FMax);
  if (V > FPosition) {
    FPosition = V;
    DrawGrowth();
  } else if (V < FPosition) {
    FPosition = V;
    Invalidate();
  }
}

// Draws the filled part straight onto the parent's window, without
// erasing, so that a growing bar does not flicker.
void TPlainProgressBar::DrawGrowth() {
  if (!Visible() || !Parent() || !Parent()->HandleAllocated() || !Parent()->Showing()) return;
  HWND Wnd = nullptr;
  TCanvas* DC = GetDeviceContext(Wnd);
  try {
    PaintElements(*DC);
  } catch (...) {
    ReleaseDC(Wnd, DC);
    throw;
  }
  ReleaseDC(Wnd, DC);
}

void TPlainProgressBar::SetStep(Integer Value) {
  if (Value == FStep) return;
  FStep = Value;
  Invalidate();
}

void TPlainProgressBar::SetSmooth(bool Value) {
  if (Value == FSmooth) return;
  FSmooth = Value;
  Invalidate();
}

void TPlainProgressBar::SetTransparent(bool Value) {
  FTransparent = Value;
  Invalidate();
}

void TPlainProgressBar::SetOrientation(TProgressBarOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  if (ComponentState().Contains(csLoading)) {
    Invalidate();
    return;
  }
  SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TPlainProgressBar::SetBiDiMode(TBiDiMode Value) {
  TGraphicControl::SetBiDiMode(Value);
  Invalidate();
}

// ---- Colours ----------------------------------------------------------------------

void TPlainProgressBar::SetColors(Integer Index, TColor Value) {
  (Index == 0 ? FColorElement : FColorBorder) = Value;
  Invalidate();
}

void TPlainProgressBar::CalcAdvancedColors() {
  if (!FUseDerivedColors) return;
  FColorBorder = ShadeColor(Color(), FColorBorder, FDerivedColorBorder, true);
}

void TPlainProgressBar::SetDerivedColorBorder(TDerivedColors Value) {
  FDerivedColorBorder = Value;
  CalcAdvancedColors();
  Invalidate();
}

void TPlainProgressBar::SetUseDerivedColors(bool Value) {
  if (Value == FUseDerivedColors) return;
  FUseDerivedColors = Value;
  SetParentColor(Value);
  CalcAdvancedColors();
  Invalidate();
}

void TPlainProgressBar::DerivedColorsChanged() {
  FollowColorChange(*this, FUseDerivedColors, [this] { CalcAdvancedColors(); });
}

void TPlainProgressBar::CMSysColorChange(TMessage&) { DerivedColorsChanged(); }

void TPlainProgressBar::CMParentColorChanged(TMessage& M) {
  Inherited(TPlainProgressBar::StaticClass(), M);
  DerivedColorsChanged();
}

// ---- Painting ---------------------------------------------------------------------

Integer TPlainProgressBar::BlockCapacity() {
  Integer Length = FOrientation == pbHorizontal ? ClientWidth() : ClientHeight();
  return (Length - 3) / (FElementSize + 1);
}

Integer TPlainProgressBar::FilledBlocks() {
  Integer N = BlockCapacity();
  if (N <= 0) return 0;
  double PerBlock = double(FMax - FMin) / N;
  Integer Count = Integer(std::trunc((FPosition - FMin) / PerBlock + 1e-8));
  return std::min(Count, N);
}

void TPlainProgressBar::SnapToBlocks() {
  Integer Pitch = FElementSize + 1;
  auto Snap = [Pitch](Integer V) { return V < 12 ? 12 : ((V - 3) / Pitch) * Pitch + 3; };
  if (FOrientation == pbHorizontal) {
    if (Snap(Width()) != Width()) SetWidth(Snap(Width()));
  } else if (Snap(Height()) != Height()) {
    SetHeight(Snap(Height()));
  }
}

void TPlainProgressBar::Paint() {
  if (!FSmooth) SnapToBlocks();
  TCanvas& C = *Canvas();
  TRect R = ClientRect();
  C.Brush()->SetStyle(bsSolid);
  if (!FTransparent) {
    C.Brush()->SetColor(Color());
    C.FillRect(R);
  }
  C.Brush()->SetColor(FColorBorder);
  C.FrameRect(R);
  PaintElements(C);
}

void TPlainProgressBar::PaintElements(TCanvas& C) {
  if (FSmooth)
    PaintBar(C);
  else
    PaintBlocks(C);
}

void TPlainProgressBar::PaintBlocks(TCanvas& C) {
  Integer Count = FilledBlocks();
  if (Count <= 0) return;
  TRect R = ClientRect();
  Integer E = FElementSize, Pitch = E + 1;
  TRect Block;
  TPoint Shift;
  if (FOrientation == pbVertical) {
    Block = Rect(R.Left + 2, R.Bottom - 2 - E, R.Right - 2, R.Bottom - 2);
    Shift = {0, -Pitch};
  } else if (BiDiMode() == bdRightToLeft) {
    Block = Rect(R.Right - 2 - E, R.Top + 2, R.Right - 2, R.Bottom - 2);
    Shift = {-Pitch, 0};
  } else {
    Block = Rect(R.Left + 2, R.Top + 2, R.Left + 2 + E, R.Bottom - 2);
    Shift = {Pitch, 0};
  }
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(FColorElement);
  for (Integer I = 0; I < Count; ++I) {
    C.FillRect(Block);
    OffsetRect(Block, Shift.X, Shift.Y);
  }
}

void TPlainProgressBar::PaintBar(TCanvas& C) {
  TRect R = ClientRect();
  Integer Range = FMax - FMin, Done = FPosition - FMin;
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(FColorElement);
  if (FOrientation == pbHorizontal) {
    if (FPosition > FMin) C.FillRect(Rect(2, 2, 2 + Integer(Int64(R.Width() - 4) * Done / Range), R.Bottom - 2));
  } else {
    C.FillRect(Rect(2, R.Bottom - 2 - Integer(Int64(R.Height() - 4) * Done / Range), R.Right - 2, R.Bottom - 2));
  }
}

// ---- Published properties -----------------------------------------------------------

RTL_PUBLISHED(TPlainProgressBar) {
  using T = TPlainProgressBar;
  P.Prop("Min", &T::Min, &T::SetMin).Default(0);
  P.Prop("Max", &T::Max, &T::SetMax).Default(100);
  P.Prop("Position", &T::Position, &T::SetPosition).Default(0);
  P.Prop("Step", &T::Step, &T::SetStep).Default(10);
  P.Prop("Smooth", &T::Smooth, &T::SetSmooth).Default(false);
  P.Prop("Orientation", &T::Orientation, &T::SetOrientation).Default(pbHorizontal);
  P.Prop("ColorElement", [](T* B) { return B->GetColor(0); }, [](T* B, TColor V) { B->SetColors(0, V); })
      .TypeName("TColor")
      .Default(RGB(51, 102, 153));
  P.Prop("ColorBorder", [](T* B) { return B->GetColor(1); }, [](T* B, TColor V) { B->SetColors(1, V); })
      .TypeName("TColor")
      .Default(RGB(160, 150, 131));
  P.Prop("Color", &T::Color, &T::SetColor)
      .TypeName("TColor")
      .Default(RGB(235, 234, 225))
      .Stored([](T* B) { return !B->ParentColor(); });
  P.Prop("DerivedColorBorder", &T::DerivedColorBorder, &T::SetDerivedColorBorder).Default(50);
  P.Prop("UseDerivedColors", &T::UseDerivedColors, &T::SetUseDerivedColors).Default(false);
  P.Prop("Transparent", &T::Transparent, &T::SetTransparent).Default(false);
}

[[maybe_unused]] static const bool PlainProgressBarRegistered =
    (RegisterClass(TPlainProgressBar::StaticClass()), true);
