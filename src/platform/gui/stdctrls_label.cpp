#include "platform/gui/stdctrls_label.h"

#include "platform/rtl/classreg.h"
#include "platform/rtl/charset.h"

RTL_IMPLEMENT_CLASS(TCustomLabel, TGraphicControl, &ComponentFactory<TCustomLabel>)
RTL_IMPLEMENT_CLASS(TLabel, TCustomLabel, &ComponentFactory<TLabel>)

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable, csOpaque});
  SetBounds(0, 0, 65, 17);
  FAutoSize = true;
}

void TCustomLabel::SetAlignment(TAlignment V) {
  if (V == FAlignment) return;
  FAlignment = V;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout V) {
  if (V == FLayout) return;
  FLayout = V;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool V) {
  if (V == FWordWrap) return;
  FWordWrap = V;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool V) {
  if (V == FShowAccelChar) return;
  FShowAccelChar = V;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool V) {
  if (V == Transparent()) return;
  if (V) FControlStyle.Exclude(csOpaque);
  else FControlStyle.Include(csOpaque);
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* V) {
  FFocusControl = V;
  if (V) V->FreeNotification(this);
}

void TCustomLabel::SetAutoSize(bool V) {
  TGraphicControl::SetAutoSize(V);
  AdjustBounds();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

String TCustomLabel::GetLabelText() { return Caption(); }

Cardinal TCustomLabel::TextFlags() const {
  static const Cardinal Align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  Cardinal Flags = DT_EXPANDTABS | Align[FAlignment];
  if (FWordWrap) Flags |= DT_WORDBREAK;
  return Flags;
}

void TCustomLabel::DoDrawText(TRect& Rect, Cardinal Flags) {
  String Text = GetLabelText();
  // An empty line still has a height when measuring.
  if ((Flags & DT_CALCRECT) && (Text.empty() || (FShowAccelChar && Text == "&"))) Text += " ";
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  TCanvas& C = *Canvas();
  C.Font()->Assign(Font());
  C.Brush()->SetStyle(bsClear);
  if (Enabled() || (Flags & DT_CALCRECT)) {
    DrawText(C, Text, Rect, Flags);
    return;
  }
  TRect Moved = Rect;
  OffsetRect(Moved, 1, 1);
  C.Font()->SetColor(clBtnHighlight);
  DrawText(C, Text, Moved, Flags);
  C.Font()->SetColor(clBtnShadow);
  DrawText(C, Text, Rect, Flags);
}

void TCustomLabel::Paint() {
  TCanvas& C = *Canvas();
  TRect R = ClientRect();
  if (!Transparent()) {
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Color());
    C.FillRect(R);
  }
  Cardinal Flags = TextFlags();
  if (FLayout != tlTop) {
    TRect Calc = R;
    DoDrawText(Calc, Flags | DT_CALCRECT);
    Integer Dy = R.Height() - Calc.Height();
    OffsetRect(R, 0, FLayout == tlBottom ? Dy : Dy / 2);
  }
  DoDrawText(R, Flags);
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || ComponentState().Contains(csLoading)) return;
  TRect R = ClientRect();
  DoDrawText(R, TextFlags() | DT_CALCRECT);
  Integer X = Left();
  if (FAlignment == taRightJustify) X += Width() - R.Width();
  else if (FAlignment == taCenter) X += (Width() - R.Width()) / 2;
  SetBounds(X, Top(), R.Width(), R.Height());
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::CMTextChanged(TMessage&) {
  Invalidate();
  AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage& M) {
  Inherited(TCustomLabel::StaticClass(), M);
  AdjustBounds();
}

// Alt+accelerator (or the plain key on a form without an edit focus)
// focuses FocusControl.
void TCustomLabel::CMDialogChar(TMessage& M) {
  if (!FFocusControl || !Enabled() || !FShowAccelChar || !FFocusControl->CanFocus()) return;
  String Caption = GetLabelText();
  std::size_t P = Caption.find('&');
  while (P != String::npos && P + 1 < Caption.size() && Caption[P + 1] == '&') P = Caption.find('&', P + 2);
  if (P == String::npos || P + 1 >= Caption.size()) return;
  std::size_t I = P + 1;
  String Key, Accel;
  Utf8Append(Accel, Utf8Decode(Caption, I));
  Utf8Append(Key, char32_t(M.WParam));
  if (AnsiUpperCase(Accel) != AnsiUpperCase(Key)) return;
  FFocusControl->SetFocus();
  M.Result = 1;
}

RTL_MESSAGE_MAP(TCustomLabel) {
  M.On(CM_TEXTCHANGED, &TCustomLabel::CMTextChanged);
  M.On(CM_FONTCHANGED, &TCustomLabel::CMFontChanged);
  M.On(CM_DIALOGCHAR, &TCustomLabel::CMDialogChar);
}

RTL_PUBLISHED(TCustomLabel) {
  P.Prop("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment).Default(taLeftJustify);
  P.Prop("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize).Default(true);
  P.Prop("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
  P.Prop("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout).Default(tlTop);
  P.Prop("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar).Default(true);
  P.Prop("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent).Default(false);
  P.Prop("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap).Default(false);
}

[[maybe_unused]] static const bool LabelClassesRegistered =
    (RegisterClasses({TCustomLabel::StaticClass(), TLabel::StaticClass()}), true);
