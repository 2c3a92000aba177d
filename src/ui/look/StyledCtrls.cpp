// TStyledClassicControl and TCustomStyledCheckBox: painting, the tick,
// state changes, mouse, keys and auto-size.
#include "ui/look/StyledCtrls.h"

#include "platform/gui/graphics_drawtext.h"
#include "platform/gui/winapi.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/classreg.h"
#include "ui/look/PlainUtils.h"

RTL_IMPLEMENT_CLASS(TStyledClassicControl, TStyledTransControl, nullptr)
RTL_IMPLEMENT_CLASS(TCustomStyledCheckBox, TStyledClassicControl, nullptr)
RTL_IMPLEMENT_CLASS(TStyledCheckBox, TCustomStyledCheckBox, &ComponentFactory<TStyledCheckBox>)

RTL_MESSAGE_MAP(TStyledClassicControl) {
  M.On(WM_KEYDOWN, &TStyledClassicControl::WMKeyDown);
  M.On(WM_KEYUP, &TStyledClassicControl::WMKeyUp);
  M.On(CM_DIALOGCHAR, &TStyledClassicControl::CMDialogChar);
  M.On(WM_SETFOCUS, &TStyledClassicControl::WMSetFocus);
  M.On(WM_KILLFOCUS, &TStyledClassicControl::WMKillFocus);
  M.On(CM_MOUSEENTER, &TStyledClassicControl::CMMouseEnterLeave);
  M.On(CM_MOUSELEAVE, &TStyledClassicControl::CMMouseEnterLeave);
  M.On(CM_ENABLEDCHANGED, &TStyledClassicControl::CMEnabledChanged);
  M.On(CM_TEXTCHANGED, &TStyledClassicControl::CMTextChanged);
  M.On(CM_FONTCHANGED, &TStyledClassicControl::CMFontChanged);
  M.On(CM_PARENTCOLORCHANGED, &TStyledClassicControl::CMParentColorChanged);
}

namespace {

const Cardinal AlignmentFlags[3] = {DT_LEFT, DT_RIGHT, DT_CENTER};

void EdgeColours(TClassicBoxStyle Style, TColor& TopLeft, TColor& BottomRight) {
  TopLeft = Style == cbsRaised ? clBtnHighlight : clBtnShadow;
  BottomRight = Style == cbsRaised ? clBtnShadow : clBtnHighlight;
}

void Line(TCanvas& C, Integer X1, Integer Y1, Integer X2, Integer Y2) {
  C.MoveTo(X1, Y1);
  C.LineTo(X2, Y2);
}

}  // namespace

// ---- TStyledClassicControl ------------------------------------------------------------------

TStyledClassicControl::TStyledClassicControl(TComponent* AOwner) : TStyledTransControl(AOwner) {
  SetColor(clBtnFace);
  SetBounds(Left(), Top(), 98, 20);
  SetParentColor(false);
  SetTabStop(true);
  // Toggle raises OnClick; the mouse-up must not raise it a second time.
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents});
}

Integer TStyledClassicControl::BoxSide() const {
  return std::max<Integer>(12, std::abs(const_cast<TStyledClassicControl*>(this)->Font()->Height()));
}

TRect TStyledClassicControl::BoxRect() const {
  const Integer Side = BoxSide();
  Integer Top = FVerticalAlignment == vaTop      ? 1
                : FVerticalAlignment == vaBottom ? Height() - Side - 1
                                                 : Height() / 2 - Side / 2;
  Integer Left = FAlignment == taRightJustify ? Width() - Side - 1 : 1;
  return Rect(Left, Top, Left + Side, Top + Side);
}

void TStyledClassicControl::Paint() {
  if (BackgroundDirty() || ComponentState().Contains(csDesigning)) FPaintFlags &= ~(pfCaptionOnly | pfBoxOnly);
  TStyledTransControl::Paint();
  const bool BoxLeft = FAlignment != taRightJustify;
  TRect PaintRect = ClientRect();
  if (FPaintFlags & pfCaptionOnly) {
    const Integer Strip = BoxSide() + 4;
    PaintRect = Rect(0, 0, Width() - Strip, Height() - 2);
    if (BoxLeft) OffsetRect(PaintRect, Strip, 0);
  } else if (FPaintFlags & pfBoxOnly) {
    const Integer Strip = BoxSide() + 4;
    PaintRect = BoxLeft ? Rect(0, 0, Strip, Height() - 2) : Rect(Width() - Strip, 0, Width(), Height() - 2);
  }
  TBitmap Buffer;
  Buffer.SetSize(Width(), Height());
  TCanvas& B = *Buffer.Canvas();
  PaintBackground(B, ClientRect());
  B.SetFont(Font());
  if (!(FPaintFlags & pfCaptionOnly)) {
    TRect Box = BoxRect();
    DrawCheckBox(B, Box);
    Canvas()->CopyRect(Box, B, Box);
  }
  if (!(FPaintFlags & pfBoxOnly)) {
    DrawCaption(B);
    Canvas()->CopyRect(PaintRect, B, PaintRect);
  }
  FLastPaintRect = PaintRect;
  FPaintFlags &= ~(pfCaptionOnly | pfBoxOnly);
}

String TStyledClassicControl::GetText() const {
  constexpr Integer kCaptionChars = 255;
  String Text = TStyledTransControl::GetText();
  return Text.substr(0, Utf8ByteOffset(Text, kCaptionChars));
}

void TStyledClassicControl::DrawCaption(TCanvas& C) {
  Cardinal Flags = (FWordWrap ? DT_WORDBREAK : 0) | DT_EXPANDTABS | AlignmentFlags[FTextAlignment] | DT_END_ELLIPSIS;
  if (!Enabled()) C.Font()->SetColor(clGrayText);
  const Integer TextLeft = FAlignment == taRightJustify ? 1 : BoxSide() + 7;
  TRect R = Bounds(TextLeft, 1, Width() - BoxSide() - 9, Height() - 2);
  TRect Measured = R;
  DrawText(C, Caption(), Measured, Flags | DT_CALCRECT);
  Integer Free = Height() - Measured.Bottom;
  if (FVerticalAlignment == vaBottom) OffsetRect(R, 0, Free);
  if (FVerticalAlignment == vaCenter) OffsetRect(R, 0, Free / 2);
  C.Brush()->SetStyle(bsClear);
  if (FPressed && FButtonLike) OffsetRect(R, 1, 1);
  DrawText(C, Caption(), R, Flags);
  if (!(FPaintFlags & pfFocused) || !FFocusFrame) return;
  TRect Focus = R;
  DrawText(C, Caption(), Focus, Flags | DT_CALCRECT);
  Integer Spare = R.Width() - Focus.Width();
  if (FTextAlignment == taRightJustify) OffsetRect(Focus, Spare, 0);
  if (FTextAlignment == taCenter) OffsetRect(Focus, Spare / 2, 0);
  InflateRect(Focus, 1, 0);
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(clBtnFace);
  C.FrameRect(Focus);
  C.DrawFocusRect(Focus);
}

void TStyledClassicControl::RepaintBox() {
  if (!FButtonLike) FPaintFlags |= pfBoxOnly;
  Invalidate();
}

// ---- Properties ------------------------------------------------------------------------------

void TStyledClassicControl::SetAlignment(TLeftRight V) {
  if (V == FAlignment) return;
  FAlignment = V;
  Invalidate();
}

void TStyledClassicControl::SetAutoSize(bool V) {
  TStyledTransControl::SetAutoSize(V);
  AdjustBounds();
}

void TStyledClassicControl::SetButtonLike(bool V) {
  FButtonLike = V;
  AdjustBounds();
  Invalidate();
}

void TStyledClassicControl::SetCheckColor(TColor V) {
  FCheckColor = V;
  Invalidate();
}

void TStyledClassicControl::SetChecked(bool Value) {
  if (!CanChange() || Value == Checked()) return;
  FState = Value ? cbChecked : cbUnchecked;
  RepaintBox();
}

void TStyledClassicControl::SetFocusFrame(bool V) {
  FFocusFrame = V;
  if (FPaintFlags & (pfFocused | pfMouseInside)) Invalidate();
}

void TStyledClassicControl::SetState(TCheckBoxState V) {
  if (!CanChange() || V == FState) return;
  FState = V;
  RepaintBox();
}

void TStyledClassicControl::SetStyle(TClassicBoxStyle V) {
  FStyle = V;
  Invalidate();
}

void TStyledClassicControl::SetTextAlignment(TAlignment V) {
  FTextAlignment = V;
  Invalidate();
}

void TStyledClassicControl::SetTransparentMode(TStyledTransparentMode V) {
  FTransparentMode = V;
  FTransparent = V != styled::tmOpaque;
  MarkBackgroundDirty();
  Invalidate();
}

void TStyledClassicControl::SetVerticalAlignment(TVerticalAlignment V) {
  FVerticalAlignment = V;
  Invalidate();
}

void TStyledClassicControl::SetWordWrap(bool V) {
  FWordWrap = V;
  AdjustBounds();
  FPaintFlags |= pfCaptionOnly;
  Invalidate();
}

void TStyledClassicControl::AdjustBounds() {
  if (!AutoSize() || ComponentState().Contains(csLoading)) return;
  TBitmap Screen;
  Screen.SetSize(1, 1);
  Screen.Canvas()->SetFont(Font());
  TRect R = ClientRect();
  InflateRect(R, -1, -1);
  DrawText(*Screen.Canvas(), Caption(), R, DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0));
  Integer W = R.Right + 22 + (FButtonLike ? 1 : 0), H = R.Bottom + 2 + (FButtonLike ? 1 : 0);
  Integer L = FAlignment == taRightJustify ? Left() + Width() - W : Left();
  SetBounds(L, Top(), W, H);
}

// ---- Mouse and keys ------------------------------------------------------------------------------

void TStyledClassicControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button != mbLeft) return TStyledTransControl::MouseDown(Button, Shift, X, Y);
  if (CanFocus()) SetFocus();
  TStyledTransControl::MouseDown(Button, Shift, X, Y);
  SetMouseCapture(true);
  FPressed = true;
  RepaintBox();
}

void TStyledClassicControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (MouseCapture()) {
    bool Inside = X >= 0 && X <= Width() && Y >= 0 && Y <= Height();
    if (Inside != FPressed) {
      FPressed = Inside;
      RepaintBox();
    }
  }
  TStyledTransControl::MouseMove(Shift, X, Y);
}

void TStyledClassicControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == mbLeft) {
    SetMouseCapture(false);
    FPressed = false;
    if (PtInRect(ClientRect(), Point(X, Y))) Toggle();
    else RepaintBox();
  }
  TStyledTransControl::MouseUp(Button, Shift, X, Y);
}

void TStyledClassicControl::WMKeyDown(TMessage& M) {
  if (M.WParam == VK_SPACE && !FPressed) {
    FPressed = true;
    RepaintBox();
  }
  Inherited(TStyledClassicControl::StaticClass(), M);
}

void TStyledClassicControl::WMKeyUp(TMessage& M) {
  if (M.WParam == VK_SPACE && FPressed) {
    FPressed = false;
    Toggle();
  }
  Inherited(TStyledClassicControl::StaticClass(), M);
}

void TStyledClassicControl::CMDialogChar(TMessage& M) {
  if (Enabled() && IsCaptionAccelerator(char32_t(M.WParam), Caption())) {
    Toggle();
    M.Result = 1;
    return;
  }
  Inherited(TStyledClassicControl::StaticClass(), M);
}

void TStyledClassicControl::WMSetFocus(TMessage& M) {
  FPaintFlags |= pfFocused;
  Invalidate();
  Inherited(TStyledClassicControl::StaticClass(), M);
}

void TStyledClassicControl::WMKillFocus(TMessage& M) {
  FPaintFlags &= ~pfFocused;
  Invalidate();
  Inherited(TStyledClassicControl::StaticClass(), M);
}

void TStyledClassicControl::CMMouseEnterLeave(TMessage& M) {
  if (M.Msg == CM_MOUSEENTER)
    FPaintFlags |= pfMouseInside;
  else
    FPaintFlags &= ~pfMouseInside;
  Inherited(TStyledClassicControl::StaticClass(), M);
}

void TStyledClassicControl::CMEnabledChanged(TMessage& M) {
  Inherited(TStyledClassicControl::StaticClass(), M);
  Invalidate();
}

void TStyledClassicControl::CMTextChanged(TMessage& M) {
  Inherited(TStyledClassicControl::StaticClass(), M);
  Invalidate();
  AdjustBounds();
}

void TStyledClassicControl::CMFontChanged(TMessage& M) {
  Inherited(TStyledClassicControl::StaticClass(), M);
  AdjustBounds();
}

void TStyledClassicControl::CMParentColorChanged(TMessage& M) {
  Inherited(TStyledClassicControl::StaticClass(), M);
  if (!ComponentState().Empty()) return;
  if (FTransparent) {
    // A new size renews the snapshot of the parent.
    SetHeight(Height() - 1);
    SetHeight(Height() + 1);
  }
  if (FTransparentMode == styled::tmOpaque && Parent()) SetColor(Parent()->Color());
}

// ---- TCustomStyledCheckBox ---------------------------------------------------------------------

void TCustomStyledCheckBox::Toggle() {
  if (!CanChange()) {
    RepaintBox();
    return;
  }
  if (AllowGrayed() && FState == cbUnchecked)
    SetState(cbGrayed);
  else
    SetChecked(!Checked());
  Click();
}

void TCustomStyledCheckBox::DrawCheckBox(TCanvas& C, const TRect& Box) {
  TRect R = Box;
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(Color());
  if (TransparentMode() == styled::tmSemiTransparent) C.FillRect(R);
  TColor TopLeft, BottomRight;
  EdgeColours(Style(), TopLeft, BottomRight);
  C.Pen()->SetWidth(1);
  if (FPressed) {
    C.Pen()->SetColor(clBlack);
    C.Pen()->SetWidth(2);
    C.Brush()->SetStyle(bsClear);
    C.Rectangle(R.Left + 1, R.Top + 1, R.Right, R.Bottom);
    C.Pen()->SetWidth(1);
  } else {
    C.Brush()->SetColor(Color());
    C.FrameRect(R);
    C.Pen()->SetColor(TopLeft);
    C.Polyline({Point(R.Left, R.Bottom - 1), Point(R.Left, R.Top), Point(R.Right - 1, R.Top)});
    C.Pen()->SetColor(BottomRight);
    C.Polyline({Point(R.Right - 1, R.Top), Point(R.Right - 1, R.Bottom - 1), Point(R.Left - 1, R.Bottom - 1)});
  }
  if (FState == cbChecked) {
    if (Style() == cbsSunken) OffsetRect(R, 0, -1);
    C.Pen()->SetColor(CheckColor());
    C.Pen()->SetWidth(1);
    const Integer L = R.Left, T = R.Top - 1, B = R.Bottom - 1, Rt = R.Right;
    // The mark's corners as drawn in a box of 12 pixels, grown with the box.
    const Integer S = R.Width();
    auto At = [S](Integer Twelfths) { return Twelfths * S / 12; };
    Line(C, L + At(2), T + At(7), L + At(2), B - 1);
    Line(C, L + At(3), T + At(6), L + At(3), B - 2);
    Line(C, L + At(2), B - 1, Rt - At(2), T + At(3));
    Line(C, L + At(3), B - 1, Rt - 1, T + At(3));
  } else if (FState == cbGrayed) {
    TRect G = Rect(R.Left + 2, R.Top + 2, R.Right - 3, R.Bottom - 3);
    if (FPressed) {
      C.Brush()->SetColor(clBtnFace);
      C.FrameRect(G);
    }
    C.Pen()->SetColor(TopLeft);
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(CheckColor());
    C.Rectangle(G);
  }
}

// ---- Published ----------------------------------------------------------------------------------

RTL_PUBLISHED(TStyledCheckBox) {
  using T = TStyledCheckBox;
  P.Prop("Alignment", &T::Alignment, &T::SetAlignment).Default(taLeftJustify);
  P.Prop("AllowGrayed", &T::AllowGrayed, &T::SetAllowGrayed).Default(false);
  P.Prop("AutoSize", &T::AutoSize, &T::SetAutoSize).Default(false);
  P.Prop("ButtonLike", &T::ButtonLike, &T::SetButtonLike).Default(true);
  P.Prop("CheckColor", &T::CheckColor, &T::SetCheckColor).TypeName("TColor");
  P.Prop("Checked", &T::Checked, [](T* C, bool V) { C->SetChecked(V); }).Default(false);
  P.Prop("FocusFrame", &T::FocusFrame, &T::SetFocusFrame).Default(false);
  P.Prop("State", &T::State, &T::SetState).Default(cbUnchecked);
  P.Prop("Style", &T::Style, &T::SetStyle).Default(cbsRaised);
  P.Prop("TextAlignment", &T::TextAlignment, &T::SetTextAlignment).Default(taLeftJustify);
  P.Prop("TransparentMode", &T::TransparentMode, &T::SetTransparentMode).Default(styled::tmOpaque);
  P.Prop("VerticalAlignment", &T::VerticalAlignment, &T::SetVerticalAlignment).Default(vaCenter);
  P.Prop("WordWrap", &T::WordWrap, &T::SetWordWrap).Default(false);
  P.Field("OnMouseEnter", &T::OnMouseEnter);
  P.Field("OnMouseLeave", &T::OnMouseLeave);
}

[[maybe_unused]] static const bool StyledCheckBoxRegistered = (RegisterClass(TStyledCheckBox::StaticClass()), true);
