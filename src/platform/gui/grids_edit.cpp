// TInplaceEdit and the grid's side of the editor's life cycle.
#include "platform/gui/grids_edit.h"

RTL_IMPLEMENT_CLASS(TInplaceEdit, TCustomEdit, &ComponentFactory<TInplaceEdit>)

// ---- TInplaceEdit ----------------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
  InitEditor();
}

void TInplaceEdit::InitEditor() {
  SetBorderStyle(bsNone);
  SetTabStop(false);
  SetVisible(false);
  SetAutoSize(false);
}

void TInplaceEdit::UpdateContents() {
  if (!FGrid) return;
  FUpdating = true;
  SetMaxLength(FGrid->GetEditLimit());
  SetReadOnly(!FGrid->CanEditModify());
  SetText(FGrid->GetEditText(FGrid->Col(), FGrid->Row()));
  FOriginal = Text();
  FUpdating = false;
}

void TInplaceEdit::UpdateLoc(const TRect& Loc) {
  SetBoundsRect(Loc);
  BoundsChanged();
}

void TInplaceEdit::BoundsChanged() {
  TRect R = Rect(2, 2, Width() - 2, Height());
  Perform(EM_SETRECTNP, 0, LPARAM(&R));
}

void TInplaceEdit::Move(const TRect& Loc) {
  UpdateLoc(Loc);
  SetVisible(true);
  if (FGrid && FGrid->Focused() && CanFocus()) {
    SetFocus();
    if (AutoSelect()) SelectAll();
  }
}

void TInplaceEdit::HideEditor() {
  if (!Visible()) return;
  bool HadFocus = Focused();
  SetVisible(false);
  if (HadFocus && FGrid && FGrid->CanFocus()) FGrid->SetFocus();
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  TCustomEdit::KeyDown(Key, Shift);
  if (!FGrid || Key == 0) return;
  bool ToGrid = false;
  switch (Key) {
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: ToGrid = true; break;
    case VK_TAB: ToGrid = FGrid->Options().Contains(goTabs); break;
    case VK_ESCAPE:
      SetText(FOriginal);
      FGrid->UpdateText();
      if (!FGrid->Options().Contains(goAlwaysShowEditor)) FGrid->HideEditor();
      Key = 0;
      return;
    default: break;
  }
  if (!ToGrid) return;
  Word GridKey = Key;
  Key = 0;
  FGrid->KeyDown(GridKey, Shift);
}

void TInplaceEdit::KeyPress(char32_t& Key) {
  TCustomEdit::KeyPress(Key);
  if (!FGrid || Key == 0) return;
  if (Key == U'\r') {
    Key = 0;
    char32_t Enter = U'\r';
    FGrid->KeyPress(Enter);
    return;
  }
  if (Key >= 32 && (!FGrid->CanEditAcceptKey(Key) || !FGrid->CanEditModify())) Key = 0;
}

void TInplaceEdit::Change() {
  TCustomEdit::Change();
  if (FGrid && !FUpdating) FGrid->UpdateText();
}

void TInplaceEdit::DoExit() {
  TCustomEdit::DoExit();
  if (FGrid) FGrid->UpdateText();
}

void TInplaceEdit::WndProc(TMessage& Message) {
  TCustomEdit::WndProc(Message);
  if (Message.Msg != WM_GETDLGCODE || !FGrid) return;
  Message.Result |= DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (FGrid->Options().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
}

// ---- The grid's side --------------------------------------------------------------------------------

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::CanEditShow() {
  return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FEditorMode &&
         !ComponentState().Contains(csDesigning) && HandleAllocated();
}

void TCustomGrid::ShowEditor() {
  FEditorMode = true;
  if (!CanEditShow()) return;
  if (!FInplaceEdit) {
    FInplaceEdit = CreateEditor();
    FInplaceEdit->SetGrid(this);
    FInplaceEdit->SetParent(this);
  }
  UpdateEditor();
}

void TCustomGrid::HideEditor() {
  FEditorMode = false;
  if (!FInplaceEdit || !FInplaceEdit->Visible()) return;
  UpdateText();
  FInplaceEdit->HideEditor();
  InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::UpdateEditor() {
  if (!FInplaceEdit) return;
  FInplaceEdit->UpdateContents();
  TRect R = CellRect(FCurrent.X, FCurrent.Y);
  if (R.IsEmpty()) {
    FInplaceEdit->HideEditor();
    return;
  }
  FInplaceEdit->Move(R);
}

void TCustomGrid::InvalidateEditor() {
  if (FInplaceEdit && FInplaceEdit->Visible()) UpdateEditor();
}

void TCustomGrid::UpdateText() {
  if (!FInplaceEdit || !FInplaceEdit->Visible() || FInplaceEdit->FUpdating) return;
  SetEditText(FCurrent.X, FCurrent.Y, FInplaceEdit->Text());
}

void TCustomGrid::ShowEditorChar(char32_t Ch) {
  ShowEditor();
  if (!FInplaceEdit || !FInplaceEdit->Visible()) return;
  FInplaceEdit->Perform(WM_CHAR, WPARAM(Ch), 0);
}

void TCustomGrid::SetEditorMode(bool V) {
  if (V) ShowEditor();
  else if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
}
