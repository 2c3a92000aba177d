// TPlainButton: construction, properties, colours, groups and the
// published block. Hover and mouse live in TPlainButtonMouse.cpp, keys in
// TPlainButtonKeys.cpp, painting in TPlainButtonPaint.cpp.
#include "ui/look/TPlainButtonUnit.h"

#include "platform/rtl/classreg.h"
#include "platform/rtl/events.h"

RTL_IMPLEMENT_CLASS(TPlainButton, TCustomControl, &ComponentFactory<TPlainButton>)

RTL_MESSAGE_MAP(TPlainButton) {
  M.On(WM_LBUTTONDBLCLK, &TPlainButton::WMLButtonDblClk);
  M.On(WM_KEYDOWN, &TPlainButton::WMKeyDown);
  M.On(WM_KEYUP, &TPlainButton::WMKeyUp);
  M.On(CN_KEYDOWN, &TPlainButton::CNKeyDown);
  M.On(CM_DIALOGCHAR, &TPlainButton::CMDialogChar);
  M.On(CM_BUTTONPRESSED, &TPlainButton::CMButtonPressed);
  M.On(WM_SETFOCUS, &TPlainButton::WMSetFocus);
  M.On(WM_KILLFOCUS, &TPlainButton::WMKillFocus);
  M.On(CM_ENABLEDCHANGED, &TPlainButton::CMEnabledChanged);
  M.On(CM_FONTCHANGED, &TPlainButton::CMFontChanged);
  M.On(CM_TEXTCHANGED, &TPlainButton::CMTextChanged);
  M.On(CM_SYSCOLORCHANGE, &TPlainButton::CMSysColorChange);
  M.On(CM_PARENTCOLORCHANGED, &TPlainButton::CMParentColorChanged);
}


TPlainButton::TPlainButton(TComponent* AOwner) : TCustomControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  CountInstance(this, true);
  SetBounds(0, 0, 25, 25);
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks});
  SetColor(TColor(0xE1EAEB));
  SetParentFont(true);
  SetParentColor(true);
}

TPlainButton::~TPlainButton() { CountInstance(this, false); }

void TPlainButton::Loaded() {
  TCustomControl::Loaded();
  Invalidate();
}

// ---- Colours --------------------------------------------------------------------------

void TPlainButton::SetColors(Integer Index, TColor Value) {
  FColors[Index] = Value;
  Invalidate();
}

void TPlainButton::SetDerived(Integer Index, TDerivedColors Value) {
  FDerived[Index] = Value;
  CalcAdvancedColors();
  Invalidate();
}

void TPlainButton::SetUseDerivedColors(bool Value) {
  FUseDerivedColors = Value;
  CalcAdvancedColors();
  Invalidate();
}

void TPlainButton::CalcAdvancedColors() {
  if (!FUseDerivedColors) return;
  FColors[0] = ShadeColor(Color(), FColors[0], FDerived[0], false);
  FColors[1] = ShadeColor(Color(), FColors[1], FDerived[1], true);
  FColors[2] = ShadeColor(Color(), FColors[2], FDerived[2], true);
}

void TPlainButton::DerivedColorsChanged() {
  FollowColorChange(*this, FUseDerivedColors, [this] { CalcAdvancedColors(); });
}

void TPlainButton::CMSysColorChange(TMessage&) { DerivedColorsChanged(); }

void TPlainButton::CMParentColorChanged(TMessage& M) {
  Inherited(TPlainButton::StaticClass(), M);
  DerivedColorsChanged();
}

// ---- Simple properties --------------------------------------------------------------------

void TPlainButton::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Integer W = FGlyph->Width(), H = FGlyph->Height();
  if (!FGlyph->Empty() && H > 0 && W % H == 0) {
    Integer N = W / H;
    FNumGlyphs = N > 4 ? 1 : N;
  }
  Invalidate();
}

void TPlainButton::SetNumGlyphs(TNumGlyphs Value) {
  FNumGlyphs = ClampInt(Value, 1, 4);
  Invalidate();
}

void TPlainButton::SetLayout(TButtonLayout Value) {
  FLayout = Value;
  Invalidate();
}

void TPlainButton::SetMargin(Integer Value) {
  if (Value < -1) return;
  FMargin = Value;
  Invalidate();
}

void TPlainButton::SetSpacing(Integer Value) {
  FSpacing = Value;
  Invalidate();
}

void TPlainButton::SetTransparentMode(TPlainTransparentMode Value) {
  FTransparentMode = Value;
  Invalidate();
}

void TPlainButton::SetRound(Integer Value) {
  FRound = ClampInt(Value, 0, 100);
  if (FRound == 0 && HandleAllocated()) SetWindowRgn(Handle(), nullptr, false);
  Invalidate();
}

void TPlainButton::SetVKKey(const String& Value) {
  FVKKey = Value;
  Invalidate();
}

void TPlainButton::SetDefault(bool Value) {
  FDefault = Value;
  if (TCustomForm* Form = GetParentForm(this))
    Form->Perform(CM_FOCUSCHANGED, 0, LPARAM(static_cast<TObject*>(Form->ActiveControl())));
  Invalidate();
}

void TPlainButton::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FTransparentMode != tmNone) Invalidate();
}

void TPlainButton::CMFontChanged(TMessage& M) {
  Inherited(TPlainButton::StaticClass(), M);
  Invalidate();
}

void TPlainButton::CMTextChanged(TMessage& M) {
  Inherited(TPlainButton::StaticClass(), M);
  Invalidate();
}

// ---- Groups -------------------------------------------------------------------------------

void TPlainButton::UpdateExclusive() {
  if (FGroupIndex == 0 || !Parent()) return;
  TMessage M;
  M.Msg = CM_BUTTONPRESSED;
  M.WParam = WPARAM(FGroupIndex);
  M.LParam = LPARAM(static_cast<TObject*>(this));
  Parent()->Broadcast(M);
}

void TPlainButton::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (Value == FDown) return;
  if (FDown && !FAllowAllUp) return;
  FDown = Value;
  if (Value) {
    FState = 3;
    Invalidate();
    UpdateExclusive();
  } else {
    FState = 0;
    Repaint();
  }
}

void TPlainButton::SetGroupIndex(Integer Value) {
  FGroupIndex = Value;
  UpdateExclusive();
}

void TPlainButton::SetAllowAllUp(bool Value) {
  FAllowAllUp = Value;
  UpdateExclusive();
}

void TPlainButton::CMButtonPressed(TMessage& M) {
  if (Integer(M.WParam) != FGroupIndex || FGroupIndex == 0) return;
  auto* Sender = dynamic_cast<TPlainButton*>(reinterpret_cast<TObject*>(M.LParam));
  if (!Sender || Sender == this) return;
  if (Sender->Down() && FDown) {
    FDown = false;
    FState = 0;
    Repaint();
  }
  FAllowAllUp = Sender->AllowAllUp();
}

// ---- Published properties -------------------------------------------------------------

namespace {
template <Integer I>
void PublishColor(TPublisher<TPlainButton>& P, const char* Name, TColor Default) {
  P.Prop(Name, [](TPlainButton* B) { return B->GetColor(I); }, [](TPlainButton* B, TColor V) { B->SetColors(I, V); })
      .TypeName("TColor")
      .Default(Default);
}
template <Integer I>
void PublishDerived(TPublisher<TPlainButton>& P, const char* Name, TDerivedColors Default) {
  P.Prop(Name, [](TPlainButton* B) { return B->GetDerived(I); },
         [](TPlainButton* B, TDerivedColors V) { B->SetDerived(I, V); })
      .Default(Default);
}
}  // namespace

RTL_PUBLISHED(TPlainButton) {
  using T = TPlainButton;
  P.Prop("Color", &T::Color, &T::SetColor)
      .TypeName("TColor")
      .Default(TColor(0xE1EAEB))
      .Stored([](T* B) { return !B->ParentColor(); });
  PublishColor<0>(P, "ColorFocused", TColor(0xE1EAEB));
  PublishColor<1>(P, "ColorDown", TColor(0xC5D6D9));
  PublishColor<2>(P, "ColorBorder", TColor(0x8396A0));
  PublishColor<3>(P, "ColorHighLight", clWhite);
  PublishColor<4>(P, "ColorShadow", clBlack);
  PublishDerived<0>(P, "DerivedColorFocused", 10);
  PublishDerived<1>(P, "DerivedColorDown", 10);
  PublishDerived<2>(P, "DerivedColorBorder", 50);
  P.Prop("UseDerivedColors", &T::UseDerivedColors, &T::SetUseDerivedColors).Default(false);
  P.Prop("GroupIndex", &T::GroupIndex, &T::SetGroupIndex).Default(0);
  P.Prop("Down", &T::Down, &T::SetDown).Default(false);
  P.Prop("AllowAllUp", &T::AllowAllUp, &T::SetAllowAllUp).Default(false);
  P.Prop("Default", &T::Default, &T::SetDefault).Default(false);
  P.Prop("Glyph", &T::Glyph, &T::SetGlyph);
  P.Prop("NumGlyphs", &T::NumGlyphs, &T::SetNumGlyphs).Default(1);
  P.Prop("Layout", &T::Layout, &T::SetLayout).Default(blGlyphTop);
  P.Prop("Margin", &T::Margin, &T::SetMargin).Default(-1);
  P.Prop("Spacing", &T::Spacing, &T::SetSpacing).Default(4);
  P.Prop("ModalResult", &T::ModalResult, &T::SetModalResult).Default(0);
  P.Prop("TransparentMode", &T::TransparentMode, &T::SetTransparentMode).Default(tmNone);
  P.Prop("Round", &T::Round, &T::SetRound).Default(0);
  P.Prop("VKKey", &T::VKKey, &T::SetVKKey);
  P.Field("OnBeforeClick", &T::OnBeforeClick);
  P.Field("OnSelectNext", &T::OnSelectNext);
  P.Field("OnUp", &T::OnUp);
  P.Field("OnDown", &T::OnDown);
  P.Field("OnAlpha", &T::OnAlpha);
  P.Field("OnLeftRightKeyPressed", &T::OnLeftRightKeyPressed);
  P.Field("OnMouseEnter", &T::OnMouseEnter);
  P.Field("OnMouseLeave", &T::OnMouseLeave);
}

[[maybe_unused]] static const bool PlainButtonRegistered = (RegisterClass(TPlainButton::StaticClass()), true);
