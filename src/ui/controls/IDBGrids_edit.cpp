// The data grid's in-place editor: its edit styles, the ellipsis and
// drop-down button, and the pick list.
#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/gui/forms.h"
#include "platform/gui/graphics_frames.h"
#include "platform/gui/grids_edit.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/IDBGrids.h"

RTL_IMPLEMENT_CLASS(TPopupListbox, TEcPopupListBox, nullptr)
RTL_IMPLEMENT_CLASS(TDBGridInplaceEdit, TInplaceEdit, nullptr)

// ---- TPopupListbox ----------------------------------------------------------------------------------

TPopupListbox::TPopupListbox(TDBGridInplaceEdit* Editor) : TEcPopupListBox(Editor), FEditor(Editor) {
  SetPlacement(1);
  OnClick = [this](TObject*) { FEditor->CloseUp(true); };
}

void TPopupListbox::TypeChar(char32_t Ch) {
  Cardinal Now = GetTickCount();
  if (Now - FSearchTick > SearchPause) FSearchText.clear();
  FSearchTick = Now;
  String Utf8;
  Utf8Append(Utf8, Ch);
  FSearchText += Utf8;
  for (Integer I = 0; I < Items()->Count(); ++I)
    if (AnsiStartsText(FSearchText, Items()->Strings(I))) {
      SetItemIndex(I);
      return;
    }
}

void TPopupListbox::KeyPress(char32_t& Key) {
  TEcPopupListBox::KeyPress(Key);
  if (Key == U'\r') FEditor->CloseUp(true);
  else if (Key == 27) FEditor->CloseUp(false);
  else if (Key >= 32) TypeChar(Key);
  Key = 0;
}

void TPopupListbox::KeyDown(Word& Key, TShiftState Shift) {
  TEcPopupListBox::KeyDown(Key, Shift);
  if (Key == VK_ESCAPE) {
    FEditor->CloseUp(false);
    Key = 0;
  } else if (Key == VK_RETURN) {
    FEditor->CloseUp(true);
    Key = 0;
  }
}

// ---- TDBGridInplaceEdit ------------------------------------------------------------------------------

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* AOwner)
    : TInplaceEdit(AOwner), FButtonWidth(GetSystemMetrics(SM_CXVSCROLL)) {}

TI_CustomDBGrid* TDBGridInplaceEdit::DBGrid() const { return dynamic_cast<TI_CustomDBGrid*>(Grid()); }

void TDBGridInplaceEdit::SetEditStyle(TEditStyle V) {
  if (V == FEditStyle) return;
  FEditStyle = V;
  BoundsChanged();
  Invalidate();
}

TRect TDBGridInplaceEdit::ButtonRect() const {
  if (FEditStyle == esSimple) return TRect{};
  return Rect(Width() - FButtonWidth, 0, Width(), Height());
}

// Data list for a lookup field whose key field may be edited; pick list for
// a column with items that may be written; ellipsis for cbsEllipsis or for
// reference and nested-dataset fields; otherwise a plain edit.
void TDBGridInplaceEdit::UpdateContents() {
  TI_CustomDBGrid* G = DBGrid();
  TColumn* C = G ? G->SelectedField() : nullptr;
  TEditStyle Style = esSimple;
  if (C) {
    TField* F = C->Field();
    TDataSet* DS = F ? F->DataSet() : nullptr;
    TField* Key = F && F->Lookup() && DS ? DS->FindField(F->KeyFields()) : nullptr;
    if (Key && Key->CanModify() && !G->ReadOnly() && G->Options().Contains(dgEditing)) Style = esDataList;
    else if (C->PickList()->Count() > 0 && !C->ReadOnly()) Style = esPickList;
    else if (C->ButtonStyle() == cbsEllipsis || (F && (F->DataType() == ftReference || F->DataType() == ftDataSet)))
      Style = esEllipsis;
    Font()->Assign(C->Font());
  }
  SetEditStyle(Style);
  TInplaceEdit::UpdateContents();
}

void TDBGridInplaceEdit::BoundsChanged() {
  TRect R = Rect(2, 2, Width() - 2 - (FEditStyle == esSimple ? 0 : FButtonWidth), Height());
  Perform(EM_SETRECTNP, 0, LPARAM(&R));
}

// A raised button (flat while pressed): three dots for the ellipsis, the
// scroll arrow for a list.
void TDBGridInplaceEdit::PaintButton() {
  if (FEditStyle == esSimple || !HandleAllocated()) return;
  TCanvas* DC = GetDC(Handle());
  if (!DC) return;
  TRect R = ButtonRect();
  if (FEditStyle == esEllipsis) {
    DC->Brush()->SetColor(clBtnFace);
    DC->FillRect(R);
    TRect E = R;
    if (!FPressed) DrawEdge(*DC, E, EDGE_RAISED, BF_RECT);
    Integer Dot = std::max<Integer>(1, FButtonWidth / 8);
    Integer Span = Dot * 3 + Dot * 2 * 2;
    Integer X = R.Left + (R.Width() - Span) / 2 + (FPressed ? 1 : 0);
    Integer Y = R.Top + (R.Height() - Dot) / 2 + (FPressed ? 1 : 0);
    DC->Brush()->SetColor(clBtnText);
    for (Integer I = 0; I < 3; ++I) DC->FillRect(Bounds(X + I * Dot * 3, Y, Dot, Dot));
  } else {
    DrawFrameControl(*DC, R, DFC_SCROLL, DFCS_SCROLLDOWN | (FPressed ? DFCS_PUSHED | DFCS_FLAT : 0));
  }
  ReleaseDC(Handle(), DC);
}

void TDBGridInplaceEdit::ButtonClicked() {
  if (FEditStyle == esPickList || FEditStyle == esDataList) {
    if (FListVisible) CloseUp(false);
    else DropDown();
  } else if (FEditStyle == esEllipsis) {
    if (TI_CustomDBGrid* G = DBGrid()) FireEvent(G->OnEditButtonClick, G);
  }
}

void TDBGridInplaceEdit::DropDown() {
  TI_CustomDBGrid* G = DBGrid();
  TColumn* C = G ? G->SelectedField() : nullptr;
  if (FListVisible || !C || (FEditStyle != esPickList && FEditStyle != esDataList)) return;
  if (!FPickList) FPickList = new TPopupListbox(this);
  if (FEditStyle == esDataList) FillLookupList(C->Field());
  else FPickList->Items()->Assign(C->PickList());
  FPickList->SetDropDownCount(Integer(std::max<Cardinal>(1, C->DropDownRows())));
  FPickList->SetItemIndex(FPickList->Items()->IndexOf(Text()));
  FPickList->SetPlacementRect(Bounds(0, 0, Width(), 0));
  FPickList->SetBounds(FPickList->Left(), FPickList->Top(), Width(), FPickList->Height());
  FPickList->Popup();
  FListVisible = true;
}

void TDBGridInplaceEdit::FillLookupList(TField* F) {
  FPickList->Items()->Clear();
  FLookupKeys.clear();
  TDataSet* L = F ? F->LookupDataSet() : nullptr;
  if (!L || !L->Active()) return;
  TField* Result = L->FindField(F->LookupResultField());
  if (!Result) return;
  L->DisableControls();
  TBookmark Here = L->GetBookmark();
  for (L->First(); !L->Eof(); L->Next()) {
    FPickList->Items()->Add(Result->DisplayText());
    FLookupKeys.push_back(L->FieldValues(F->LookupKeyFields()));
  }
  if (!Here.empty() && L->BookmarkValid(Here)) L->GotoBookmark(Here);
  L->EnableControls();
}

void TDBGridInplaceEdit::WriteLookupKey(TField* F, Integer Index) {
  TDataSet* DS = F->DataSet();
  if (!DS || Index >= Integer(FLookupKeys.size())) return;
  if (DS->State() != dsEdit && DS->State() != dsInsert) DS->Edit();
  DS->SetFieldValues(F->KeyFields(), FLookupKeys[size_t(Index)]);
}

void TDBGridInplaceEdit::CloseUp(bool Accept) {
  if (!FListVisible) return;
  FListVisible = false;
  FPickList->HidePopup();
  Integer Index = FPickList->ItemIndex();
  TI_CustomDBGrid* G = DBGrid();
  if (!Accept || Index < 0 || !G) return;
  TColumn* C = G->SelectedField();
  TField* F = C ? C->Field() : nullptr;
  if (!F) return;
  if (FEditStyle == esDataList) {
    WriteLookupKey(F, Index);
    SetText(F->Text());
  } else {
    if (!G->CanEditModify()) return;
    String Value = FPickList->Items()->Strings(Index);
    F->SetText(Value);
    SetText(Value);
  }
  SelectAll();
}

void TDBGridInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  bool ListStyle = FEditStyle == esPickList || FEditStyle == esDataList;
  if (FListVisible) {
    if (Key == VK_ESCAPE || Key == VK_RETURN) {
      CloseUp(Key == VK_RETURN);
      Key = 0;
      return;
    }
    if (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT) {
      Integer Step = Key == VK_UP ? -1 : Key == VK_DOWN ? 1 : Key == VK_PRIOR ? -8 : 8;
      Integer Last = FPickList->Items()->Count() - 1;
      FPickList->SetItemIndex(std::clamp<Integer>(FPickList->ItemIndex() + Step, 0, std::max<Integer>(0, Last)));
      Key = 0;
      return;
    }
  }
  if ((ListStyle && (Key == VK_F4 || (Key == VK_DOWN && Shift.Contains(ssAlt)))) ||
      (FEditStyle == esEllipsis && Key == VK_RETURN && Shift.Contains(ssCtrl))) {
    ButtonClicked();
    Key = 0;
    return;
  }
  TInplaceEdit::KeyDown(Key, Shift);
}

void TDBGridInplaceEdit::KeyPress(char32_t& Key) {
  if (FListVisible && Key >= 32) {
    FPickList->TypeChar(Key);
    Key = 0;
    return;
  }
  TInplaceEdit::KeyPress(Key);
}

void TDBGridInplaceEdit::DoExit() {
  CloseUp(false);
  TInplaceEdit::DoExit();
}

void TDBGridInplaceEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      TPoint P = Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
      if (FEditStyle != esSimple && PtInRect(ButtonRect(), P)) {
        if (CanFocus() && !Focused()) SetFocus();
        FPressed = true;
        PaintButton();
        ButtonClicked();
        return;
      }
      break;
    }
    case WM_LBUTTONUP:
      if (FPressed) {
        FPressed = false;
        PaintButton();
        return;
      }
      break;
    case WM_SETCURSOR: {
      TPoint P = ScreenToClient(GetCursorPos());
      if (FEditStyle != esSimple && PtInRect(ButtonRect(), P)) {
        ::SetCursor(DefaultCursorHandle(crArrow));
        Message.Result = 1;
        return;
      }
      break;
    }
    default:
      break;
  }
  TInplaceEdit::WndProc(Message);
  if (Message.Msg == WM_PAINT) PaintButton();
}

// ---- The grid's side ------------------------------------------------------------------------------------

TInplaceEdit* TI_CustomDBGrid::CreateEditor() { return new TDBGridInplaceEdit(this); }
