// TWinControl children: the lists of controls with and without window,
// inserting and removing, hit testing, broadcasting and z-order.
#include <algorithm>

#include "platform/gui/controls.h"
#include "platform/rtl/lists.h"

namespace {
// Removes Item from List by address (Item may be half destroyed).
template <class T>
void EraseFrom(std::vector<T*>& List, const TControl* Item) {
  List.erase(std::remove_if(List.begin(), List.end(),
                            [Item](T* E) { return static_cast<const TControl*>(E) == Item; }),
             List.end());
}
}  // namespace

// ---- Children -----------------------------------------------------------------------------

TControl* TWinControl::Controls(Integer Index) const {
  Integer NC = Integer(FControls.size());
  if (Index < 0 || Index >= ControlCount()) ListError(SListIndexError, Index);
  return Index < NC ? FControls[Index] : FWinControls[Index - NC];
}

void TWinControl::Insert(TControl* AControl) {
  if (AControl->FIsWinControl) {
    auto* W = static_cast<TWinControl*>(AControl);
    FWinControls.push_back(W);
    FTabList.push_back(W);
  } else {
    FControls.push_back(AControl);
  }
  AControl->FParent = this;
}

namespace {
// True when Inner is Outer or lies on it (pointers only: Outer may be half
// destroyed).
bool Holds(const TControl* Outer, const TControl* Inner) {
  for (const TControl* C = Inner; C; C = C->Parent())
    if (C == Outer) return true;
  return false;
}
}  // namespace

void TWinControl::Remove(TControl* AControl) {
  // The roots above must not remember a control that leaves them.
  for (TWinControl* R = this; R; R = R->FParent)
    if (Holds(AControl, R->FEnteredControl)) R->FEnteredControl = nullptr;
  EraseFrom(FWinControls, AControl);
  EraseFrom(FTabList, AControl);
  EraseFrom(FControls, AControl);
  AControl->FParent = nullptr;
}

void TWinControl::InsertControl(TControl* AControl) {
  if (AControl->FParent == this) return;
  if (AControl->FParent) AControl->FParent->RemoveControl(AControl);
  Insert(AControl);
  if (!AControl->ComponentState().Contains(csReading)) {
    AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
    if (AControl->FIsWinControl)
      static_cast<TWinControl*>(AControl)->UpdateControlState();
    else
      AControl->Invalidate();
    AControl->UpdateAnchorRules();
    AlignControl(AControl);
  }
  Perform(CM_CONTROLCHANGE, WPARAM(AControl), 1);
  Perform(CM_CONTROLLISTCHANGE, WPARAM(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  if (AControl->FParent != this) return;
  bool Dying = ComponentState().Contains(csDestroying);
  if (!Dying) Perform(CM_CONTROLCHANGE, WPARAM(AControl), 0);
  if (AControl->FIsWinControl) {
    auto* W = static_cast<TWinControl*>(AControl);
    HWND F = GetFocus();
    if (W->FHandle && F && (F == W->FHandle || IsChild(W->FHandle, F))) ::SetFocus(FHandle);
    W->DestroyHandle();
  } else {
    AControl->InvalidateControl(AControl->FVisible, false);
  }
  if (GetMouseControl() == AControl) SetMouseControl(nullptr);
  Remove(AControl);
  if (Dying) return;
  Perform(CM_CONTROLLISTCHANGE, WPARAM(AControl), 0);
  Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  for (TControl* C = Control; C; C = C->FParent)
    if (C == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls,
                                    bool AllLevels) {
  auto Hits = [&](TControl* C) {
    if (!C->FVisible || (!C->FEnabled && !AllowDisabled)) return false;
    if (!PtInRect(C->BoundsRect(), Pos)) return false;
    return C->Perform(CM_HITTEST, 0, MAKELPARAM(Pos.X - C->FLeft, Pos.Y - C->FTop)) != 0;
  };
  if (AllowWinControls)
    for (auto It = FWinControls.rbegin(); It != FWinControls.rend(); ++It)
      if (Hits(*It)) {
        TWinControl* W = *It;
        if (AllLevels)
          if (TControl* Deeper = W->ControlAtPos(Point(Pos.X - W->FLeft, Pos.Y - W->FTop), AllowDisabled,
                                                 true, true))
            return Deeper;
        return W;
      }
  for (auto It = FControls.rbegin(); It != FControls.rend(); ++It)
    if (Hits(*It)) return *It;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  for (Integer I = 0; I < ControlCount(); ++I) {
    Controls(I)->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT Msg) {
  TMessage M;
  M.Msg = Msg;
  Broadcast(M);
}

// ---- Z-order ------------------------------------------------------------------------------

void TWinControl::SetZOrder(bool TopMost) {
  if (FParent) {
    auto& L = FParent->FWinControls;
    EraseFrom(L, this);
    L.insert(TopMost ? L.end() : L.begin(), this);
  }
  if (FHandle) SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                            SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::SetZOrder(bool TopMost) {
  if (!FParent) return;
  auto& L = FParent->FControls;
  EraseFrom(L, this);
  L.insert(TopMost ? L.end() : L.begin(), this);
  Invalidate();
}

