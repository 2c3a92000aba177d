// TControl core: construction, parent, colour and font with their parent
// cascade, text, visibility, enabling, hints, cursor, and the published
// properties of TControl (and of TFont, which controls publish).
#include "platform/gui/controls.h"

RTL_IMPLEMENT_CLASS(TControl, TComponent, nullptr)

std::function<void(TObject* Sender)> ControlsHandleException;

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FConstraints(std::make_unique<TSizeConstraints>(this)), FFont(std::make_unique<TFont>()) {
  WindowProc = [this](TMessage& M) { WndProc(M); };
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
  FConstraints->OnChange = [this](TObject*) {
    if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FWidth, FHeight);
  };
}

TControl::~TControl() {
  ForgetGlobals(this);
  if (TWinControl* P = FParent) {
    // A control without window leaves a hole in its parent's picture.
    bool ParentAlive = !P->ComponentState().Contains(csDestroying);
    if (ParentAlive) InvalidateControl(FVisible, false);
    P->Remove(this);
    if (ParentAlive && FAlign != alNone) P->Realign();
  }
}

// ---- Parent ----------------------------------------------------------------------

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (AParent == this || (AParent && FIsWinControl && static_cast<TWinControl*>(this)->ContainsControl(AParent)))
    throw EInvalidOperation("Ein Steuerelement kann nicht sein eigener Vorfahr sein");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  auto* W = dynamic_cast<TWinControl*>(Value);
  if (Value && !W) throw EInvalidOperation("Das übergeordnete Element muss ein Fensterelement sein");
  SetParent(W);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (FParent) {
    if (FParentColor) Perform(CM_PARENTCOLORCHANGED, 0, 0);
    if (FParentFont) Perform(CM_PARENTFONTCHANGED, 0, 0);
    if (FParentShowHint) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  }
  UpdateAnchorRules();
  RequestAlign();
}

// ---- Colour and font -----------------------------------------------------------

void TControl::SetColor(TColor V) {
  if (V == FColor) {
    FParentColor = false;
    return;
  }
  FColor = V;
  FParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool V) {
  if (V == FParentColor) return;
  FParentColor = V;
  if (V && FParent && !ComponentState().Contains(csReading)) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::FontChanged(TObject*) {
  FParentFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool V) {
  if (V == FParentFont) return;
  FParentFont = V;
  if (V && FParent && !ComponentState().Contains(csReading)) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::CMColorChanged(TMessage&) { Invalidate(); }
void TControl::CMFontChanged(TMessage&) { Invalidate(); }

// wParam non-zero: lParam carries the colour; else it is the parent's.
void TControl::CMParentColorChanged(TMessage& M) {
  if (!FParentColor) return;
  TColor C = M.WParam ? TColor(M.LParam) : (FParent ? FParent->Color() : FColor);
  SetColor(C);
  FParentColor = true;
}

// wParam non-zero: lParam points to the font; else it is the parent's.
void TControl::CMParentFontChanged(TMessage& M) {
  if (!FParentFont) return;
  TFont* F = M.WParam ? reinterpret_cast<TFont*>(M.LParam) : (FParent ? FParent->Font() : nullptr);
  if (F) SetFont(F);
  FParentFont = true;
}

// ---- Text, hint, cursor, popup ---------------------------------------------------

void TControl::SetText(const String& V) {
  if (V == FText) return;
  FText = V;
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::CMTextChanged(TMessage&) { Invalidate(); }

void TControl::SetShowHint(bool V) {
  if (V == FShowHint) {
    FParentShowHint = false;
    return;
  }
  FShowHint = V;
  FParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool V) {
  if (V == FParentShowHint) return;
  FParentShowHint = V;
  if (V && FParent && !ComponentState().Contains(csReading)) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!FParentShowHint || !FParent) return;
  SetShowHint(FParent->ShowHint());
  FParentShowHint = true;
}

void TControl::SetBiDiMode(TBiDiMode V) {
  if (V == FBiDiMode) {
    FParentBiDiMode = false;
    return;
  }
  FBiDiMode = V;
  FParentBiDiMode = false;
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::SetParentBiDiMode(bool V) {
  if (V == FParentBiDiMode) return;
  FParentBiDiMode = V;
  if (V && FParent && !ComponentState().Contains(csReading)) Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

void TControl::CMParentBiDiModeChanged(TMessage&) {
  if (!FParentBiDiMode || !FParent) return;
  SetBiDiMode(FParent->BiDiMode());
  FParentBiDiMode = true;
}

void TControl::SetPopupMenu(TComponent* V) {
  if (V == FPopupMenu) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = V;
  if (V) V->FreeNotification(this);
}

void TControl::SetCursor(TCursor V) {
  if (V == FCursor) return;
  FCursor = V;
  Perform(CM_CURSORCHANGED, 0, 0);
}

// ---- Visible and enabled ------------------------------------------------------------

void TControl::SetVisible(bool V) {
  if (V == FVisible) return;
  VisibleChanging();
  FVisible = V;
  Perform(CM_VISIBLECHANGED, WPARAM(V), 0);
  RequestAlign();
}

void TControl::Show() {
  if (FParent) FParent->ShowControl(this);
  SetVisible(true);
}

// A page container brings the page holding AControl forward here.
void TWinControl::ShowControl(TControl*) {
  if (FParent) FParent->ShowControl(this);
}

void TControl::Hide() { SetVisible(false); }

void TControl::CMVisibleChanged(TMessage& M) { InvalidateControl(M.WParam != 0, true); }

void TControl::SetEnabled(bool V) {
  if (V == FEnabled) return;
  FEnabled = V;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

// ---- Published properties ---------------------------------------------------------

RTL_PUBLISHED(TControl) {
  P.Prop("Left", &TControl::Left, &TControl::SetLeft);
  P.Prop("Top", &TControl::Top, &TControl::SetTop);
  P.Prop("Width", &TControl::Width, &TControl::SetWidth);
  P.Prop("Height", &TControl::Height, &TControl::SetHeight);
  P.Prop("ClientWidth", [](TControl* C) { return C->ClientWidth(); }, &TControl::SetClientWidth).Stored(false);
  P.Prop("ClientHeight", [](TControl* C) { return C->ClientHeight(); }, &TControl::SetClientHeight).Stored(false);
  P.Prop("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Prop("Anchors", &TControl::Anchors, &TControl::SetAnchors).Default(TAnchors{akLeft, akTop});
  P.Prop("Constraints", &TControl::Constraints, &TControl::SetConstraints);
  P.Prop("AutoSize", &TControl::AutoSize, &TControl::SetAutoSize).Default(false);
  P.Prop("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Prop("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Prop("Color", &TControl::Color, &TControl::SetColor).TypeName("TColor").Stored(
      [](TControl* C) { return !C->ParentColor(); });
  P.Prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
  P.Prop("Font", &TControl::Font, &TControl::SetFont).Stored([](TControl* C) { return !C->ParentFont(); });
  P.Prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  P.Prop("Caption", &TControl::Caption, &TControl::SetCaption);
  P.Prop("Text", &TControl::Text, &TControl::SetText).Stored(false);
  P.Prop("Hint", &TControl::Hint, &TControl::SetHint);
  P.Prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Stored(
      [](TControl* C) { return !C->ParentShowHint(); });
  P.Prop("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  P.Prop("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  P.Prop("Cursor", &TControl::Cursor, &TControl::SetCursor).TypeName("TCursor").Default(crDefault);
  P.Prop("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode).Stored(
      [](TControl* C) { return !C->ParentBiDiMode(); });
  P.Prop("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode).Default(true);
  P.Prop("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext).Default(0);
  P.Prop("DragMode", &TControl::DragMode, &TControl::SetDragMode).Default(dmManual);
  P.Prop("DragKind", &TControl::DragKind, &TControl::SetDragKind).Default(dkDrag);
  P.Prop("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor).TypeName("TCursor").Default(crDrag);
  P.Field("OnClick", &TControl::OnClick);
  P.Field("OnDblClick", &TControl::OnDblClick);
  P.Field("OnResize", &TControl::OnResize);
  P.Field("OnCanResize", &TControl::OnCanResize);
  P.Field("OnMouseDown", &TControl::OnMouseDown);
  P.Field("OnMouseMove", &TControl::OnMouseMove);
  P.Field("OnMouseUp", &TControl::OnMouseUp);
  P.Field("OnMouseEnter", &TControl::OnMouseEnter);
  P.Field("OnMouseLeave", &TControl::OnMouseLeave);
  P.Field("OnEndDrag", &TControl::OnEndDrag);
}

// The font's own properties, so that form descriptions and look files set
// "Font.Name", "Font.Style" and friends by name.
RTL_ENUM_INFO(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
RTL_ENUM_INFO(TFontPitch, fpDefault, fpVariable, fpFixed)

template <>
struct TPropTraits<TFontStyles> {
  static PTypeInfo Info() { return TPropTraits<TSet<TFontStyle>>::Info(); }
  static TPropValue ToRep(TFontStyles V) { return Int64(V.ToInt()); }
  static TFontStyles FromRep(const TPropValue& R) { return TFontStyles::FromInt(Byte(std::get<Int64>(R))); }
};

RTL_PUBLISHED(TFont) {
  P.Prop("Charset", &TFont::Charset, &TFont::SetCharset).Default(DEFAULT_CHARSET);
  P.Prop("Color", &TFont::Color, &TFont::SetColor).TypeName("TColor");
  P.Prop("Height", &TFont::Height, &TFont::SetHeight);
  P.Prop("Name", &TFont::Name, &TFont::SetName);
  P.Prop("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  P.Prop("Size", &TFont::Size, &TFont::SetSize).Stored(false);
  P.Prop("Style", &TFont::Style, &TFont::SetStyle);
}
