// TCustomComboBox: items, choice, text, keys and its edit.
// The list, the drop-down and the painting are in stdctrls_combo_list.cpp.
#include "platform/gui/stdctrls_combo.h"

#include <algorithm>

#include "platform/rtl/charset.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/events.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TComboEdit, TCustomEdit, nullptr)
RTL_IMPLEMENT_CLASS(TCustomComboBox, TWinControl, &ComponentFactory<TCustomComboBox>)
RTL_IMPLEMENT_CLASS(TComboBox, TCustomComboBox, &ComponentFactory<TComboBox>)

// ---- TComboEdit ------------------------------------------------------------------------

TComboEdit::TComboEdit(TCustomComboBox* Combo) : TCustomEdit(Combo), FCombo(Combo) {
  SetBorderStyle(bsNone);
  SetTabStop(false);
  SetAutoSelect(false);
  SetParentColor(true);
}

void TComboEdit::KeyDown(Word& Key, TShiftState Shift) { FCombo->KeyDown(Key, Shift); }

void TComboEdit::KeyPress(char32_t& Key) { FCombo->KeyPress(Key); }

void TComboEdit::Change() { FCombo->EditChanged(); }

void TComboEdit::DefaultHandler(TMessage& M) {
  // The list never takes the focus: losing it means the user went elsewhere.
  if (M.Msg == WM_KILLFOCUS) FCombo->CloseList(false);
  TCustomEdit::DefaultHandler(M);
  // Return and Escape belong to the open list.
  if (M.Msg == WM_GETDLGCODE && FCombo->DroppedDown()) M.Result |= DLGC_WANTALLKEYS;
}

// ---- Construction -------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TStringList>()) {
  SetControlStyle(TControlStyle{csCaptureMouse, csSetCaption, csDoubleClicks, csClickEvents, csFixedHeight});
  FControlState.Include(csCustomPaint);
  FParentColor = false;
  SetColor(clWindow);
  FTabStop = true;
  FItems->OnChange = [this](TObject*) { SyncList(); };
  RebuildParts();
  SetBounds(0, 0, 145, BoxHeight());
}

TCustomComboBox::~TCustomComboBox() {
  // The parts call back into the box: they go while it is whole.
  FItems->OnChange = nullptr;
  FDropped = false;
  if (FList != FPopupList) delete FList;
  delete FPopupList;
  delete FEdit;
  FList = FPopupList = nullptr;
  FEdit = nullptr;
}

// The edit (editable styles) and the child list (csSimple) for the style.
void TCustomComboBox::RebuildParts() {
  if (FDropped) CloseList(false);
  String Text = GetText();
  delete FEdit;
  FEdit = nullptr;
  delete FList;
  FList = nullptr;
  if (HasEdit()) {
    FEdit = new TComboEdit(this);
    FEdit->SetMaxLength(FMaxLength);
    FEdit->SetCharCase(FCharCase);
    FEdit->SetParent(this);
    FSettingText = true;
    FEdit->SetText(Text);
    FSettingText = false;
  }
  if (FStyle == csSimple) {
    FList = new TComboListBox(this, false);
    FList->SetParent(this);
    SyncList();
  }
  LayoutParts();
}

// ---- Items and choice ----------------------------------------------------------------------

void TCustomComboBox::SetItems(TStrings* V) { FItems->Assign(V); }

void TCustomComboBox::Clear() {
  FItems->Clear();
  SetText("");
}

void TCustomComboBox::SetSorted(bool V) {
  FSorted = V;
  FItems->SetSorted(V);
}

void TCustomComboBox::ShowItemText() {
  String S = FItemIndex >= 0 && FItemIndex < FItems->Count() ? FItems->Get(FItemIndex) : String();
  FSettingText = true;
  if (FEdit) {
    FEdit->SetText(S);
    FEdit->SelectAll();
  } else {
    FText = S;
  }
  FSettingText = false;
  if (FList) FList->SetItemIndex(FItemIndex);
  Invalidate();
}

void TCustomComboBox::SetItemIndex(Integer V) {
  // While loading, the items may come after the index.
  if (ComponentState().Contains(csLoading)) {
    FItemIndex = V;
    return;
  }
  if (V < -1 || V >= FItems->Count()) V = -1;
  FItemIndex = V;
  ShowItemText();
}

void TCustomComboBox::Loaded() {
  TWinControl::Loaded();
  if (FItemIndex >= 0) SetItemIndex(FItemIndex);
}

String TCustomComboBox::GetText() const { return FEdit ? FEdit->Text() : FText; }

Integer TCustomComboBox::IndexOfText(const String& S) const {
  for (Integer I = 0; I < FItems->Count(); ++I)
    if (AnsiSameText(FItems->Get(I), S)) return I;
  return -1;
}

void TCustomComboBox::SetText(const String& V) {
  Integer Index = IndexOfText(V);
  FItemIndex = Index;
  if (FEdit) {
    FSettingText = true;
    FEdit->SetText(V);
    FSettingText = false;
    if (FList) FList->SetItemIndex(Index);
    return;
  }
  ShowItemText();
}

void TCustomComboBox::UserPick(Integer Index) {
  if (Index < 0 || Index >= FItems->Count()) return;
  FItemIndex = Index;
  ShowItemText();
  Click();
  Select();
}

void TCustomComboBox::Change() { FireEvent(OnChange, this); }

void TCustomComboBox::Select() {
  if (OnSelect) OnSelect(this);
  else Change();
}

void TCustomComboBox::EditChanged() {
  if (FSettingText) return;
  FItemIndex = IndexOfText(FEdit->Text());
  if (FList) FList->SetItemIndex(FItemIndex);
  Change();
}

// ---- Look ----------------------------------------------------------------------------------

void TCustomComboBox::SetStyle(TComboBoxStyle V) {
  if (V == FStyle) return;
  FStyle = V;
  RebuildParts();
  SetBounds(Left(), Top(), Width(), FAskedHeight);
  Invalidate();
}

void TCustomComboBox::SetItemHeight(Integer V) {
  if (V <= 0) return;
  FItemHeight = V;
  SetBounds(Left(), Top(), Width(), Height());
  SyncList();
}

void TCustomComboBox::SetMaxLength(Integer V) {
  FMaxLength = V;
  if (FEdit) FEdit->SetMaxLength(V);
}

void TCustomComboBox::SetCharCase(TEditCharCase V) {
  FCharCase = V;
  if (FEdit) FEdit->SetCharCase(V);
}

bool TCustomComboBox::Focused() { return TWinControl::Focused() || (FEdit && FEdit->Focused()); }

// ---- Keys --------------------------------------------------------------------------------

// The row a movement key leads to from Index; false for other keys.
bool TCustomComboBox::MoveKey(Word Key, Integer& Index) {
  Integer Last = FItems->Count() - 1, Page = std::max<Integer>(FDropDownCount - 1, 1);
  switch (Key) {
    case VK_UP: Index = Index < 0 ? 0 : Index - 1; break;
    case VK_DOWN: Index = Index + 1; break;
    case VK_PRIOR: Index -= Page; break;
    case VK_NEXT: Index = Index < 0 ? Page : Index + Page; break;
    case VK_HOME: Index = 0; break;
    case VK_END: Index = Last; break;
    default: return false;
  }
  Index = std::clamp<Integer>(Index, 0, std::max<Integer>(Last, 0));
  return true;
}

void TCustomComboBox::KeyDown(Word& Key, TShiftState Shift) {
  TWinControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  bool Alt = Shift.Contains(ssAlt);
  if ((Alt && (Key == VK_DOWN || Key == VK_UP)) || (Key == VK_F4 && !Alt)) {
    if (FStyle != csSimple) SetDroppedDown(!FDropped);
    Key = 0;
    return;
  }
  if (FDropped && (Key == VK_RETURN || Key == VK_ESCAPE)) {
    CloseList(Key == VK_RETURN);
    Key = 0;
    return;
  }
  if (Alt || FItems->Count() == 0) return;
  // Home and End move the caret of an edit.
  if (HasEdit() && (Key == VK_HOME || Key == VK_END)) return;
  Integer Index = FDropped ? FList->ItemIndex() : FItemIndex;
  if (!MoveKey(Key, Index)) return;
  Key = 0;
  if (Index != FItemIndex) UserPick(Index);
}

void TCustomComboBox::KeyPress(char32_t& Key) {
  TWinControl::KeyPress(Key);
  if (Key == 0) return;
  if (FDropped && (Key == U'\r' || Key == 27)) {
    Key = 0;
    return;
  }
  if (!HasEdit()) {
    FirstLetter(Key);
    Key = 0;
    return;
  }
  if (Key >= 32 && FAutoComplete && FStyle == csDropDown) {
    // Typed first, completed afterwards.
    String S;
    Utf8Append(S, Key);
    FSettingText = true;
    FEdit->SetSelText(S);
    FSettingText = false;
    Key = 0;
    AutoCompleteEdit();
  }
}

// Completes the edit's text from the first item that starts with it and
// selects the completed tail.
void TCustomComboBox::AutoCompleteEdit() {
  String Typed = FEdit->Text();
  if (Typed.empty() || FEdit->SelStart() != Length(Typed)) return EditChanged();
  for (Integer I = 0; I < FItems->Count(); ++I) {
    String Item = FItems->Get(I);
    if (Length(Item) < Length(Typed) || !AnsiSameText(Copy(Item, 1, Length(Typed)), Typed)) continue;
    Integer Start = Length(Typed);
    FSettingText = true;
    FEdit->SetText(Item);
    FSettingText = false;
    FEdit->SetSelStart(Start);
    FEdit->SetSelLength(Length(Item) - Start);
    FItemIndex = I;
    if (FList) FList->SetItemIndex(I);
    Change();
    return;
  }
  EditChanged();
}

// The next item after the current one whose first letter is Key
// (ignoring case), wrapping around.
void TCustomComboBox::FirstLetter(char32_t Key) {
  String K;
  Utf8Append(K, Key);
  Integer N = FItems->Count();
  for (Integer Step = 1; Step <= N; ++Step) {
    Integer I = ((FItemIndex < 0 ? -1 : FItemIndex) + Step) % N;
    if (AnsiSameText(Copy(FItems->Get(I), 1, 1), K)) {
      if (FDropped) FList->SetItemIndex(I);
      UserPick(I);
      return;
    }
  }
}

// ---- Published properties ------------------------------------------------------------------

RTL_PUBLISHED(TCustomComboBox) {
  P.Prop("AutoComplete", &TCustomComboBox::AutoComplete, &TCustomComboBox::SetAutoComplete).Default(true);
  P.Prop("CharCase", &TCustomComboBox::CharCase, &TCustomComboBox::SetCharCase).Default(ecNormal);
  P.Prop("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount).Default(8);
  P.Prop("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight);
  P.Prop("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
  P.Prop("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex).Default(-1);
  P.Prop("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength).Default(0);
  P.Prop("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted).Default(false);
  P.Prop("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle).Default(csDropDown);
  P.Prop("Text", &TCustomComboBox::Text, &TCustomComboBox::SetText);
  P.Prop("Ctl3D", [](TCustomComboBox*) { return true; }, [](TCustomComboBox*, bool) {}).Stored(false);
  P.Field("OnChange", &TCustomComboBox::OnChange);
  P.Field("OnSelect", &TCustomComboBox::OnSelect);
  P.Field("OnDropDown", &TCustomComboBox::OnDropDown);
  P.Field("OnCloseUp", &TCustomComboBox::OnCloseUp);
  P.Field("OnDrawItem", &TCustomComboBox::OnDrawItem);
  P.Field("OnMeasureItem", &TCustomComboBox::OnMeasureItem);
}

[[maybe_unused]] static const bool ComboClassesRegistered =
    (RegisterClasses({TCustomComboBox::StaticClass(), TComboBox::StaticClass()}), true);
