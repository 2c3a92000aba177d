// TPlainEdit: frame, colours and height of the flat edit box.
#include "ui/look/TPlainEditUnit.h"

#include "platform/gui/forms.h"
#include "platform/gui/winapi.h"
#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TCustomPlainEdit, TCustomEdit, &ComponentFactory<TCustomPlainEdit>)
RTL_IMPLEMENT_CLASS(TPlainEdit, TCustomPlainEdit, &ComponentFactory<TPlainEdit>)

TCustomPlainEdit::TCustomPlainEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
  SetParentFont(true);
  SetCtl3D(false);
  SetBorderStyle(bsNone);
  SetControlStyle(ControlStyle() - TControlStyle{csFramed});
  SetBounds(Left(), Top(), 121, 19);
}

// One frame line and two inner lines: the border and the client edge give
// the window its three pixels around the client area.
void TCustomPlainEdit::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= WS_BORDER;
  Params.ExStyle |= WS_EX_CLIENTEDGE;
}

TColor TCustomPlainEdit::InnerColor() {
  auto* Active = Screen->ActiveControl();
  bool OtherPlainActive = Active && Active != this && dynamic_cast<TCustomPlainEdit*>(Active);
  if (Focused() || (FMouseInControl && !OtherPlainActive)) return FColorFocused;
  return FColorPlain;
}

void TCustomPlainEdit::RedrawBorder() {
  if (ComponentState().Contains(csDesigning) || !HandleAllocated()) return;
  TColor Inner = InnerColor();
  if (Color() != Inner) SetColor(Inner);
  TCanvas* C = GetWindowDC(Handle());
  if (!C) return;
  TRect R = Rect(0, 0, Width(), Height());
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(FColorBorder);
  C->FrameRect(R);
  C->Brush()->SetColor(Inner);
  for (int I = 1; I <= 2; ++I) C->FrameRect(Rect(I, I, R.Right - I, R.Bottom - I));
  ReleaseDC(Handle(), C);
}

void TCustomPlainEdit::WMNCPaint(TMessage&) { RedrawBorder(); }

void TCustomPlainEdit::FitHeight() {
  if (ComponentState().Contains(csDesigning) || ComponentState().Contains(csLoading)) return;
  SetHeight(TextLineHeight(Font()) + 6);
}

void TCustomPlainEdit::Loaded() {
  TCustomEdit::Loaded();
  if (FParentColor && Parent()) FColorPlain = Parent()->Color();
  FitHeight();
}

void TCustomPlainEdit::DoEnter() {
  TCustomEdit::DoEnter();
  RedrawBorder();
}

void TCustomPlainEdit::DoExit() {
  TCustomEdit::DoExit();
  RedrawBorder();
}

void TCustomPlainEdit::CMMouseEnter(TMessage& M) {
  Inherited(TCustomPlainEdit::StaticClass(), M);
  if (Screen->ActiveForm()) FMouseInControl = true;  // only while the program is active
  RedrawBorder();
}

void TCustomPlainEdit::CMMouseLeave(TMessage& M) {
  Inherited(TCustomPlainEdit::StaticClass(), M);
  FMouseInControl = false;
  RedrawBorder();
}

void TCustomPlainEdit::CMEnabledChanged(TMessage& M) {
  Inherited(TCustomPlainEdit::StaticClass(), M);
  SetColor(Enabled() ? clWindow : clBtnFace);
  RedrawBorder();
}

void TCustomPlainEdit::CMFontChanged(TMessage& M) {
  Inherited(TCustomPlainEdit::StaticClass(), M);
  FitHeight();
}

void TCustomPlainEdit::CMParentColorChanged(TMessage& M) {
  Inherited(TCustomPlainEdit::StaticClass(), M);
  if ((FUseDerived || FParentColor) && Parent()) FColorPlain = Parent()->Color();
  if (FUseDerived) Derive();
  RedrawBorder();
}

void TCustomPlainEdit::Derive() {
  FColorFocused = ShadeColor(FColorPlain, FColorFocused, FDerivedFocused, false);
  FColorBorder = ShadeColor(FColorPlain, FColorBorder, FDerivedBorder, true);
}

void TCustomPlainEdit::SetColorFocused(TColor V) {
  FColorFocused = V;
  RedrawBorder();
}

void TCustomPlainEdit::SetColorBorder(TColor V) {
  FColorBorder = V;
  RedrawBorder();
}

void TCustomPlainEdit::SetColorPlain(TColor V) {
  FColorPlain = V;
  FParentColor = false;
  RedrawBorder();
}

void TCustomPlainEdit::SetPlainParentColor(bool V) {
  FParentColor = V;
  if (V && Parent()) FColorPlain = Parent()->Color();
  RedrawBorder();
}

void TCustomPlainEdit::SetDerivedColorFocused(TDerivedColors V) {
  FDerivedFocused = V;
  if (FUseDerived) Derive();
  RedrawBorder();
}

void TCustomPlainEdit::SetDerivedColorBorder(TDerivedColors V) {
  FDerivedBorder = V;
  if (FUseDerived) Derive();
  RedrawBorder();
}

void TCustomPlainEdit::SetUseDerivedColors(bool V) {
  FUseDerived = V;
  SetPlainParentColor(V);
  if (V) Derive();
  RedrawBorder();
}

RTL_MESSAGE_MAP(TCustomPlainEdit) {
  M.On(CM_MOUSEENTER, &TCustomPlainEdit::CMMouseEnter);
  M.On(CM_MOUSELEAVE, &TCustomPlainEdit::CMMouseLeave);
  M.On(CM_ENABLEDCHANGED, &TCustomPlainEdit::CMEnabledChanged);
  M.On(CM_FONTCHANGED, &TCustomPlainEdit::CMFontChanged);
  M.On(CM_PARENTCOLORCHANGED, &TCustomPlainEdit::CMParentColorChanged);
  M.On(WM_NCPAINT, &TCustomPlainEdit::WMNCPaint);
}

RTL_PUBLISHED(TPlainEdit) {
  using T = TPlainEdit;
  P.Prop("ColorFocused", &T::ColorFocused, &T::SetColorFocused).TypeName("TColor").Default(clWhite);
  P.Prop("ColorBorder", &T::ColorBorder, &T::SetColorBorder).TypeName("TColor").Default(ColorValue(0x8396A0));
  P.Prop("ColorPlain", &T::ColorPlain, &T::SetColorPlain).TypeName("TColor").Default(ColorValue(0xE1EAEB));
  P.Prop("ParentColor", &T::PlainParentColor, &T::SetPlainParentColor).Default(true);
  P.Prop("DerivedColorFocused", &T::DerivedColorFocused, &T::SetDerivedColorFocused).Default(10);
  P.Prop("DerivedColorBorder", &T::DerivedColorBorder, &T::SetDerivedColorBorder).Default(50);
  P.Prop("UseDerivedColors", &T::UseDerivedColors, &T::SetUseDerivedColors).Default(false);
}

[[maybe_unused]] static const bool PlainEditRegistered = (RegisterClass(TPlainEdit::StaticClass()), true);
