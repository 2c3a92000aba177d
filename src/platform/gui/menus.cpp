// Menu items, menus, short cuts and the published properties.
#include "platform/gui/menus.h"

#include <algorithm>

#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TMenuItem, TComponent, &ComponentFactory<TMenuItem>)
RTL_IMPLEMENT_CLASS(TMenu, TComponent, nullptr)
RTL_IMPLEMENT_CLASS(TMainMenu, TMenu, &ComponentFactory<TMainMenu>)
RTL_IMPLEMENT_CLASS(TPopupMenu, TMenu, &ComponentFactory<TPopupMenu>)
RTL_IMPLEMENT_CLASS(EMenuError, Exception, nullptr)

namespace {
const char* const SMenuIndexError = "Menüindex außerhalb des zulässigen Bereichs";
const char* const SMenuReinserted = "Menü wurde doppelt eingefügt";

// The caption without its "&" marks ("&&" stays one "&").
String StripHotkey(const String& S) {
  String R;
  for (size_t I = 0; I < S.size(); ++I) {
    if (S[I] == '&' && I + 1 < S.size()) ++I;
    else if (S[I] == '&') continue;
    R += S[I];
  }
  return R;
}
}  // namespace

// ---- Short cuts ---------------------------------------------------------------------------------

TShortCut ShortCut(Word Key, TShiftState Shift) {
  TShortCut S = TShortCut(Key & 0xFF);
  if (Shift.Contains(ssShift)) S |= scShift;
  if (Shift.Contains(ssCtrl)) S |= scCtrl;
  if (Shift.Contains(ssAlt)) S |= scAlt;
  return S;
}

namespace {
String KeyName(Word Key) {
  if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9')) return String(1, char(Key));
  if (Key >= VK_F1 && Key <= VK_F12) return "F" + std::to_string(Key - VK_F1 + 1);
  switch (Key) {
    case VK_BACK: return "Rück";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Eingabe";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Leer";
    case VK_PRIOR: return "Bild auf";
    case VK_NEXT: return "Bild ab";
    case VK_END: return "Ende";
    case VK_HOME: return "Pos1";
    case VK_LEFT: return "Links";
    case VK_UP: return "Auf";
    case VK_RIGHT: return "Rechts";
    case VK_DOWN: return "Ab";
    case VK_INSERT: return "Einfg";
    case VK_DELETE: return "Entf";
    default: return String();
  }
}
}  // namespace

String ShortCutToText(TShortCut S) {
  String Name = KeyName(Word(S & 0xFF));
  if (Name.empty()) return String();
  String Prefix;
  if (S & scShift) Prefix += "Umsch+";
  if (S & scCtrl) Prefix += "Strg+";
  if (S & scAlt) Prefix += "Alt+";
  return Prefix + Name;
}

// ---- TMenuItem ----------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  while (!FItems.empty()) delete FItems.back();  // each child leaves this list
  if (FParent) FParent->Remove(this);
}

TMenuItem* TMenuItem::Items(Integer Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError(SMenuIndexError);
  return FItems[Index];
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* I = this;
  while (I->FParent) I = I->FParent;
  return I->FMenu;
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(Integer Index, TMenuItem* Item) {
  if (Item->FParent) throw EMenuError(SMenuReinserted);
  if (Index < 0 || Index > Count()) throw EMenuError(SMenuIndexError);
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  if (It == FItems.end()) return;
  FItems.erase(It);
  Item->FParent = nullptr;
}

void TMenuItem::Delete(Integer Index) { delete Items(Index); }

void TMenuItem::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

Integer TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : Integer(It - FItems.begin());
}

TMenuItem* TMenuItem::Find(const String& ACaption) const {
  String Want = StripHotkey(ACaption);
  for (TMenuItem* I : FItems)
    if (StripHotkey(I->FCaption) == Want) return I;
  return nullptr;
}

void TMenuItem::SetChecked(bool V) {
  FChecked = V;
  if (!V || !FRadioItem || !FParent) return;
  for (TMenuItem* I : FParent->FItems)
    if (I != this && I->FRadioItem && I->FGroupIndex == FGroupIndex) I->FChecked = false;
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (FAutoCheck) SetChecked(!FChecked);
  if (OnClick) OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (!FParent) return nullptr;
  if (FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (FParent) FParent->Remove(this);
  if (auto* M = dynamic_cast<TMenu*>(Value)) M->Items()->Add(this);
  else if (auto* I = dynamic_cast<TMenuItem*>(Value)) I->Add(this);
}

void TMenuItem::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent*) {
  for (TMenuItem* I : FItems) Proc(I);
}

// ---- TMenu ---------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
  FItems->FMenu = this;
}

TMenu::~TMenu() = default;

namespace {
TMenuItem* FindShortCut(TMenuItem* Item, TShortCut S) {
  for (Integer I = 0; I < Item->Count(); ++I) {
    TMenuItem* C = Item->Items(I);
    if (C->ShortCut() == S && C->Enabled() && C->Visible()) return C;
    if (TMenuItem* Found = FindShortCut(C, S)) return Found;
  }
  return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindItemByShortCut(TShortCut AShortCut) const {
  return AShortCut == scNone ? nullptr : FindShortCut(FItems.get(), AShortCut);
}

bool TMenu::IsShortCut(Word Key, TShiftState Shift) {
  TMenuItem* I = FindItemByShortCut(::ShortCut(Key, Shift));
  if (!I) return false;
  I->Click();
  return true;
}

void TMenu::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent*) {
  for (Integer I = 0; I < FItems->Count(); ++I) Proc(FItems->Items(I));
}

// ---- Published -----------------------------------------------------------------------------------

RTL_PUBLISHED(TMenuItem) {
  P.Prop("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  P.Prop("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
  P.Prop("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
  P.Prop("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
  P.Prop("Default", &TMenuItem::Default, &TMenuItem::SetDefault).Default(false);
  P.Prop("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false);
  P.Prop("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck).Default(false);
  P.Prop("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  P.Prop("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Default(0);
  P.Prop("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
  P.Prop("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex).Default(-1);
  P.Field("OnClick", &TMenuItem::OnClick);
  P.Field("OnDrawItem", &TMenuItem::OnDrawItem);
  P.Field("OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem);
  P.Field("OnMeasureItem", &TMenuItem::OnMeasureItem);
}

RTL_PUBLISHED(TMenu) {
  P.Prop("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw).Default(false);
}

RTL_PUBLISHED(TPopupMenu) {
  P.Prop("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
  P.Prop("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment).Default(paLeft);
  P.Field("OnPopup", &TPopupMenu::OnPopup);
}

namespace {
const bool MenuClassesRegistered = (RegisterClasses({TMenuItem::StaticClass(), TMainMenu::StaticClass(),
                                                     TPopupMenu::StaticClass()}),
                                    true);
}  // namespace
