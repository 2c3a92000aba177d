// EcChoice: the combo box: items, completion, first-letter search, the
// drop-down list and the csDropDownList face.
#include <algorithm>

#include "platform/gui/forms.h"
#include "platform/gui/graphics_drawtext.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/EcChoice.h"

RTL_IMPLEMENT_CLASS(TEcCustomComboBox, TEcCustomChoiceEdit, &ComponentFactory<TEcCustomComboBox>)
RTL_IMPLEMENT_CLASS(TEcComboBox, TEcCustomComboBox, &ComponentFactory<TEcComboBox>)

RTL_PUBLISHED(TEcComboBox) {
  using T = TEcComboBox;
  P.Prop("EmptyText", &T::EmptyText, &T::SetEmptyText);
  P.Prop("DrawStyle", &T::DrawStyle, &T::SetDrawStyle).Default(fcsNormal);
  P.Prop("Style", &T::Style, &T::SetStyle).Default(csDropDown);
  P.Prop("ItemHeight", &T::ItemHeight, &T::SetItemHeight).Default(0);
  P.Prop("DropDownWidth", &T::DropDownWidth, &T::SetDropDownWidth).Default(0);
  P.Prop("DropDownCount", &T::DropDownCount, &T::SetDropDownCount).Default(8);
  P.Prop("ShowCheckBox", &T::ShowCheckBox, &T::SetShowCheckBox).Default(true);
  P.Prop("ChoiceButtonWidth", &T::ChoiceButtonWidth, &T::SetChoiceButtonWidth).Default(16);
  P.Field("DataDraggingEnabled", &T::DataDraggingEnabled).Default(true);
  P.Field("CheckTag", &T::CheckTag).Default(0);
  P.Field("OnCheckClick", &T::OnCheckClick);
  P.Field("OnSelectNext", &T::OnSelectNext);
  P.Field("OnDrawItem", &T::OnDrawItem);
  P.Field("OnMeasureItem", &T::OnMeasureItem);
  P.Field("OnDrawText", &T::OnDrawText);
  P.Field("OnDrawBitmap", &T::OnDrawBitmap);
  P.Field("OnIndexChange", &T::OnIndexChange);
  P.Field("OnDropDown", &T::OnDropDown);
}

namespace {
char32_t FirstChar(const String& S) {
  std::size_t I = 0;
  return S.empty() ? 0 : Utf8Decode(S, I);
}
}  // namespace

RTL_MESSAGE_MAP(TEcCustomComboBox) {
  M.On(ECM_DROPDOWN, &TEcCustomComboBox::ECMDropDown);
  M.On(WM_CHAR, &TEcCustomComboBox::WMChar);
  M.On(WM_KILLFOCUS, &TEcCustomComboBox::WMKillFocus);
  M.On(WM_SETFOCUS, &TEcCustomComboBox::WMSetFocus);
}

TEcCustomComboBox::TEcCustomComboBox(TComponent* AOwner)
    : TEcCustomChoiceEdit(AOwner), FItems(std::make_unique<TStringList>()) {
  SetButtonKind(1);
}

TEcCustomComboBox::~TEcCustomComboBox() {
  delete FList;
  FList = nullptr;
}

void TEcCustomComboBox::Clear() {
  FItems->Clear();
  FItemIndex = -1;
}

void TEcCustomComboBox::SetStyle(TComboBoxStyle V) {
  if (V == FStyle) return;
  FStyle = V;
  SetShowButton(V != csSimple);
  if (V == csDropDownList) TCustomEdit::SetText("");
  if (HandleAllocated()) {
    bool HadFocus = Focused();
    RecreateWnd();
    if (HadFocus && CanFocus()) ::SetFocus(Handle());
  }
  Invalidate();
}

void TEcCustomComboBox::UpdateButton(Byte) { TEcCustomChoiceEdit::UpdateButton(1); }

bool TEcCustomComboBox::IsOwnPopup(TControl* Sender) {
  for (TControl* C = Sender; C && FList; C = C->Parent())
    if (C == FList) return true;
  return false;
}

void TEcCustomComboBox::WndProc(TMessage& Message) {
  TEcCustomChoiceEdit::WndProc(Message);
  if (FStyle == csDropDownList && HandleAllocated() && SelLength() > 0) SetSelStart(0);
}

void TEcCustomComboBox::InitButton() {
  // A toggle button that stays down while the list is open.
  if (Button()) Button()->ButtonKind = 1;
}

void TEcCustomComboBox::SetDroppedDown(bool V) {
  if (V == FDroppedDown) return;
  if (V) Perform(ECM_DROPDOWN, 1, 0);
  else CloseUp(false, true);
}

Integer TEcCustomComboBox::MinWidth() {
  return TEcCustomChoiceEdit::MinWidth() + (FStyle == csDropDownList ? 2 : 0);
}

// ---- Choice ----------------------------------------------------------------------------------

void TEcCustomComboBox::SetItemIndex(Integer Index) {
  String New = Index >= 0 && Index < FItems->Count() ? FItems->Strings(Index) : String();
  if (Index == FItemIndex && Text() == New) return;
  FItemIndex = Index;
  TCustomEdit::SetText(New);
  if (OnIndexChange) OnIndexChange(this);
  Invalidate();
}

Integer TEcCustomComboBox::FindItem(bool Prefix) const {
  if (!AutoComplete) return -1;
  String T = Text();
  Integer Len = Utf8CharCount(T);
  for (Integer I = 0; I < FItems->Count(); ++I) {
    const String& S = FItems->Strings(I);
    if (Prefix ? Utf8CharCount(S) >= Len && SameText(S.substr(0, Utf8ByteOffset(S, Len)), T) : SameText(S, T))
      return I;
  }
  return -1;
}

void TEcCustomComboBox::SelectItem(const String& NewText, Integer Index, Integer Start, Integer Length) {
  if (OnBeforeSelect) OnBeforeSelect(this, NewText, Index);
  if (NewText == Text() && Index == FItemIndex) return;
  SetItemIndex(Index);
  if (Text() != NewText) TCustomEdit::SetText(NewText);
  if (Start < 0) {
    SetSelStart(Utf8CharCount(NewText));
  } else {
    SetSelStart(Start);
    SetSelLength(Length);
  }
}

void TEcCustomComboBox::CloseUp(bool Accept, bool Immediately) {
  if (Accept && FList && FList->ItemIndex() >= 0) {
    Integer I = FList->ItemIndex();
    SelectItem(FItems->Strings(I), I, -1, 0);
    FSavedText = Text();
    FSavedIndex = FItemIndex;
  } else if (!Accept) {
    SetSelLength(0);
  }
  TEcCustomChoiceEdit::CloseUp(Accept, Immediately);
}

void TEcCustomComboBox::ButtonClick(TObject* Sender) {
  TEcCustomChoiceEdit::ButtonClick(Sender);
  if (FDroppedDown) CloseUp(false, true);
  else if (HandleAllocated()) Perform(ECM_DROPDOWN, 1, 0);
}

// ---- The list --------------------------------------------------------------------------------

void TEcCustomComboBox::ECMDropDown(TMessage& M) {
  if (M.WParam) OpenList();
  else CloseList();
}

void TEcCustomComboBox::OpenList() {
  if (FDroppedDown || !HandleAllocated()) return;
  Invalidate();
  FSavedShowHint = ShowHint();
  SetShowHint(false);
  if (OnDropDown) OnDropDown(this);
  FList = new TEcPopupListBox(this);
  FList->SetPlacement(1);
  FList->SetDropDownCount(FDropDownCount);
  FList->SetFrameStyle(DrawStyle() == fcsNormal || DrawStyle() == fsNone ? 1 : 2);
  if (FItemHeight > 0) FList->SetItemHeight(FItemHeight);
  FList->OnDrawItem = OnDrawItem;
  FList->OnMeasureItem = OnMeasureItem;
  FList->Items()->Assign(FItems.get());
  // A left-button release on a row takes it.
  FList->OnClick = [this](TObject*) { CloseUp(true, false); };
  if (FItemIndex >= 0 && FItemIndex < FItems->Count() && !SameText(FItems->Strings(FItemIndex), Text()))
    FItemIndex = FindItem(false);
  FList->SetItemIndex(FItemIndex);
  SelectAll();
  FList->SetPlacementRect(Bounds(0, 0, FDropDownWidth > 0 ? FDropDownWidth : Width(), 0));
  FList->Popup();
  FDroppedDown = true;
  if (Button()) Button()->SetDown(true);
}

void TEcCustomComboBox::UpdatePopupPosition() {
  if (FList && FDroppedDown) FList->Popup();
}

void TEcCustomComboBox::CloseList() {
  if (!FDroppedDown) return;
  FDroppedDown = false;
  TEcPopupListBox* L = FList;
  FList = nullptr;
  if (L) L->HidePopup();
  delete L;
  SetShowHint(FSavedShowHint);
  if (Button()) Button()->SetDown(false);
  Invalidate();
}

void TEcCustomComboBox::ListMove(Word Key) {
  Integer I = FList->ItemIndex(), N = FList->Count();
  if (N == 0) return;
  Integer Page = std::max(1, FDropDownCount - 1);
  if (I < 0) I = 0;
  else if (Key == VK_UP) I -= 1;
  else if (Key == VK_DOWN) I += 1;
  else if (Key == VK_PRIOR) I -= Page;
  else I += Page;
  I = std::clamp(I, 0, N - 1);
  FList->SetItemIndex(I);
  SelectItem(FItems->Strings(I), I, 0, Utf8CharCount(FItems->Strings(I)));
}

void TEcCustomComboBox::ClosedMove(Word Key) {
  Integer I = FItemIndex < 0 ? FindItem(false) : FItemIndex;
  I = std::max(0, I + (Key == VK_UP ? -1 : 1));
  if (I < FItems->Count()) SelectItem(FItems->Strings(I), I, 0, Utf8CharCount(FItems->Strings(I)));
}

// ---- Keys and mouse --------------------------------------------------------------------------

void TEcCustomComboBox::KeyDown(Word& Key, TShiftState Shift) {
  auto Fire = [&] {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
    return Key != 0;
  };
  bool Alt = Shift.Contains(ssAlt);
  if (Alt && Key == VK_DOWN && FStyle != csSimple) {
    if (Fire()) ButtonClick(nullptr);
    Key = 0;
    return;
  }
  if (!Alt && !FDroppedDown) {
    if (Key == VK_UP || Key == VK_DOWN) {
      if (Fire() && !ReadOnly()) ClosedMove(Key);
      Key = 0;
      return;
    }
    if (Key == VK_DELETE || Key == VK_BACK) {
      if (!Fire()) return;
      if (!ReadOnly()) FItemIndex = -1;
      if (FStyle == csDropDownList) {
        // The face shows items only.
        Key = 0;
        return;
      }
    }
  }
  if (!Alt && FDroppedDown && FList && (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN)) {
    if (Fire()) ListMove(Key);
    Key = 0;
    return;
  }
  TEcCustomChoiceEdit::KeyDown(Key, Shift);
  // The face of a drop-down list is no text: caret keys, cutting and
  // pasting do nothing there (Return and Escape answer in KeyPress).
  if (FStyle == csDropDownList && Key != VK_RETURN && Key != VK_ESCAPE && Key != VK_TAB) Key = 0;
}

void TEcCustomComboBox::KeyPress(char32_t& Key) {
  if (Key == 27 && !FDroppedDown) {
    SetItemIndex(FSavedIndex);
    if (Text() != FSavedText) TCustomEdit::SetText(FSavedText);
    SelectAll();
    Key = 0;
    return;
  }
  if (FDroppedDown && (Key == U'\r' || Key == 27)) {
    bool Accept = Key == U'\r';
    CloseUp(Accept, true);
    if (!(Accept && KeepReturn)) Key = 0;
    if (Key == 0) return;
  }
  TEcCustomChoiceEdit::KeyPress(Key);
}

void TEcCustomComboBox::WMChar(TMessage& M) {
  char32_t Key = char32_t(M.WParam);
  if (FStyle == csDropDownList) {
    // Only the keys that leave or answer reach the edit; letters search.
    if (Key == U'\r' || Key == 27 || Key == U'\t') return Inherited(TEcCustomComboBox::StaticClass(), M);
    if (Key >= 32) FirstLetter(Key);
    return;
  }
  if (Key != 0 && Key != U'\r' && Key != 27) FItemIndex = -1;
  Inherited(TEcCustomComboBox::StaticClass(), M);
  if (Key != 0 && Key != 8 && Key != U'\r' && Key != 27) Complete();
}

void TEcCustomComboBox::Complete() {
  if (ReadOnly() || Utf8CharCount(Text()) < 3) return;
  Integer I = FindItem(true);
  if (I < 0) return;
  Integer Typed = Utf8CharCount(Text());
  const String& Item = FItems->Strings(I);
  FItemIndex = I;
  if (Text() != Item) TCustomEdit::SetText(Item);
  SetSelStart(Typed);
  SetSelLength(Utf8CharCount(Item) - Typed);
  if (FList) FList->SetItemIndex(I);
}

void TEcCustomComboBox::FirstLetter(char32_t Ch) {
  Integer N = FItems->Count();
  for (Integer Step = 1; Step <= N; ++Step) {
    Integer I = (FItemIndex + Step) % N;
    if (I < 0) I += N;
    if (FirstChar(FItems->Strings(I)) != Ch) continue;
    SelectItem(FItems->Strings(I), I, 0, 0);
    if (FList) FList->SetItemIndex(I);
    return;
  }
}

bool TEcCustomComboBox::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  if (FDroppedDown && FList) {
    FList->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, WheelDelta), 0);
    return true;
  }
  if (TEcCustomChoiceEdit::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  Integer I = FItemIndex - WheelDelta / WHEEL_DELTA;
  if (I >= 0 && I < FItems->Count() && !ReadOnly()) SelectItem(FItems->Strings(I), I, 0, 0);
  return true;
}

// ---- Focus and validation --------------------------------------------------------------------

void TEcCustomComboBox::DoEnter() {
  TEcCustomChoiceEdit::DoEnter();
  FSavedText = Text();
  FSavedIndex = FItemIndex;
}

void TEcCustomComboBox::WMSetFocus(TMessage& M) {
  Inherited(TEcCustomComboBox::StaticClass(), M);
  if (FStyle == csDropDownList && HandleAllocated()) HideCaret(Handle());
}

void TEcCustomComboBox::WMKillFocus(TMessage& M) {
  Inherited(TEcCustomComboBox::StaticClass(), M);
  // The face of a drop-down list always shows its item; elsewhere the
  // text decides.
  if (FStyle != csDropDownList) FItemIndex = FindItem(false);
}

// An empty text first (when it may not be empty), then a drop-down list
// whose text names no item of the list.
void TEcCustomComboBox::Validate(bool& Error) {
  bool Empty = Trim(Text()).empty();
  if (CanValidate() && !Error && !CanEmpty && Empty) {
    ErrorCode = ecEmptyText;
    Error = true;
  }
  if (CanValidate() && !Error && FStyle == csDropDownList && FItemIndex == -1 && !Empty) {
    ErrorCode = ecNoListItem;
    Error = true;
  }
  TEcCustomChoiceEdit::Validate(Error);
}

// The text starts anew for each code: a code without a text of its own
// must not show the text of an earlier one.
void TEcCustomComboBox::UpdateErrorText() {
  ErrorText = ErrorCode == ecNoListItem ? EcLoadString(SEcNoListItem) : String();
  TEcCustomChoiceEdit::UpdateErrorText();
}

// ---- Painting --------------------------------------------------------------------------------

void TEcCustomComboBox::DrawCheckBitmap(Integer Index) {
  if (!OnDrawBitmap) return;
  TSize Before{CheckGlyph()->Width(), CheckGlyph()->Height()};
  OnDrawBitmap(this, Bounds(0, 0, Before.cx, Before.cy), CheckGlyph(), Index);
  if (CheckGlyph()->Width() != Before.cx || CheckGlyph()->Height() != Before.cy) {
    UpdateEditRect();
    Invalidate();
  }
}

void TEcCustomComboBox::PaintWindow(TCanvas& DC) {
  DrawCheckBitmap(FItemIndex);
  if (FStyle != csDropDownList) return TEcCustomChoiceEdit::PaintWindow(DC);
  DC.Brush()->SetStyle(bsSolid);
  DC.Brush()->SetColor(Color());
  DC.FillRect(ClientRect());
  Integer F = FrameWidth();
  Integer GlyphW = HasCheckGlyph() ? CheckGlyph()->Width() + 2 : 0;
  TRect R = Rect(F + GlyphW, F, Width() - F - (Button() ? ButtonWidth() + 2 : 0), Height() - F);
  switch (DrawStyle()) {
    case fsNone: InflateRect(R, -1, -1), R.Left += 1; break;
    case fsSingle: InflateRect(R, -2, -2), R.Right += 1; break;
    default: InflateRect(R, -1, -1); break;
  }
  String Face = FItemIndex >= 0 && FItemIndex < FItems->Count() ? FItems->Strings(FItemIndex) : String();
  TOwnerDrawState State;
  DC.Font()->Assign(Font());
  if (Focused() && !FDroppedDown) {
    State.Include(odSelected).Include(odFocused);
    DC.Brush()->SetColor(clHighlight);
    DC.Font()->SetColor(clHighlightText);
  }
  DC.FillRect(R);
  if (State.Contains(odFocused)) DC.DrawFocusRect(R);
  if (OnDrawText) {
    OnDrawText(this, &DC, R, FItemIndex, State);
  } else {
    TRect T = R;
    T.Left += 1;
    DC.Brush()->SetStyle(bsClear);
    Cardinal Align = Alignment() == taRightJustify ? DT_RIGHT : Alignment() == taCenter ? DT_CENTER : DT_LEFT;
    DrawText(DC, Face, T, Align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  PaintFrame(DC, true);
  AfterPaintFrame();
}
