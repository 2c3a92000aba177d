// TPlainButton: keyboard handling and focus moves between buttons.
#include <vector>

#include "ui/look/TPlainButtonUnit.h"

namespace {

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

}  // namespace

void TPlainButton::SelectNextButton(bool GoForward, Word CharCode) {
  auto* OwnerControl = dynamic_cast<TWinControl*>(Owner());
  if (!OwnerControl) return;
  std::vector<TWinControl*> List;
  OwnerControl->GetTabOrderList(List);
  if (List.empty()) return;
  Integer Count = Integer(List.size()), Start = -1;
  for (Integer I = 0; I < Count; ++I)
    if (List[I] == this) Start = I;
  if (Start < 0) Start = GoForward ? Count - 1 : 0;
  TWinControl* Found = nullptr;
  for (Integer Step = 1; Step <= Count && !Found; ++Step) {
    Integer I = ((Start + (GoForward ? Step : -Step)) % Count + Count) % Count;
    if (List[I]->CanFocus() && List[I]->TabStop()) Found = List[I];
  }
  TWinControl* Current = this;
  bool Accept = true;
  if (OnSelectNext) OnSelectNext(Current, Found, CharCode, Accept);
  if (Accept && Found) Found->SetFocus();
}

void TPlainButton::WMKeyDown(TMessage& M) {
  Word Key = Word(M.WParam);
  if (Key == VK_SPACE) {
    if (FGroupIndex != 0)
      SetDown(!FDown);
    else
      FState = 2;
    Repaint();
  } else if (Key == VK_RETURN) {
    SelectNextButton(!ShiftHeld(), Key);
    M.Msg = 0;
    return;
  } else if (Key == VK_BACK) {
    SelectNextButton(false, Key);
    M.Msg = 0;
  }
  if (Key != VK_ESCAPE) {
    TWinControl* Source = nullptr;
    TWinControl* Dest = nullptr;
    bool Accept = true;
    if (OnSelectNext) OnSelectNext(Source, Dest, Key, Accept);
    if (Accept && Dest && Dest->CanFocus()) Dest->SetFocus();
  }
  if (M.Msg != 0) Inherited(TPlainButton::StaticClass(), M);
}

void TPlainButton::WMKeyUp(TMessage& M) {
  if (Word(M.WParam) == VK_SPACE) {
    if (FGroupIndex == 0) FState = 0;
    Click();
    Repaint();
  }
  Inherited(TPlainButton::StaticClass(), M);
}

void TPlainButton::CNKeyDown(TMessage& M) {
  Word Key = Word(M.WParam);
  if (Key == VK_LEFT || Key == VK_RIGHT) {
    if (OnLeftRightKeyPressed) OnLeftRightKeyPressed(this, Key == VK_RIGHT);
    M.Result = 1;
    return;
  }
  if ((Key == VK_UP && OnUp) || (Key == VK_DOWN && OnDown)) {
    bool Accept = true;
    (Key == VK_UP ? OnUp : OnDown)(this, Accept);
    if (!Accept) {
      M.Result = 1;
      return;
    }
  }
  if (Key >= 48 && Key <= 90 && OnAlpha) OnAlpha(this, Key);
  Inherited(TPlainButton::StaticClass(), M);
}

bool TPlainButton::IsAccelerator(char32_t Key) const { return IsCaptionAccelerator(Key, Caption()); }

void TPlainButton::CMDialogChar(TMessage& M) {
  bool AltHeld = GetKeyState(VK_MENU) < 0;
  if (CanFocus() && AltHeld && IsAccelerator(char32_t(M.WParam)) && Enabled() && Visible()) {
    if (FGroupIndex != 0) SetDown(true);
    Click();
    M.Result = 1;
    return;
  }
  Inherited(TPlainButton::StaticClass(), M);
}
