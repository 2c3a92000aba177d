// TCustomListBox: rows, selection, keys, mouse and the LB_* messages.
// Geometry and painting are in stdctrls_listbox_paint.cpp.
#include "platform/gui/stdctrls_listbox.h"
#include "platform/rtl/lists.h"

#include <algorithm>

#include "platform/rtl/charset.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/format.h"

RTL_IMPLEMENT_CLASS(TCustomListBox, TWinControl, &ComponentFactory<TCustomListBox>)
RTL_IMPLEMENT_CLASS(TListBox, TCustomListBox, &ComponentFactory<TListBox>)

TCustomListBox::TCustomListBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TStringList>()) {
  // OnClick comes from selection changes, not from every click.
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  FControlState.Include(csCustomPaint);
  SetBounds(0, 0, 121, 97);
  FParentColor = false;
  SetColor(clWindow);
  FTabStop = true;
  FItems->OnChange = [this](TObject* Sender) { ItemsChanged(Sender); };
}

TCustomListBox::~TCustomListBox() { FItems->OnChange = nullptr; }

// ---- Rows ------------------------------------------------------------------------------

void TCustomListBox::SetItems(TStrings* V) { FItems->Assign(V); }

void TCustomListBox::Clear() { FItems->Clear(); }

void TCustomListBox::SetSorted(bool V) {
  FSorted = V;
  FItems->SetSorted(V);
}

void TCustomListBox::SetStyle(TListBoxStyle V) {
  FStyle = V;
  ItemsChanged(nullptr);
}

void TCustomListBox::SetItemHeight(Integer V) {
  if (V <= 0) return;
  FItemHeight = V;
  ItemsChanged(nullptr);
}

void TCustomListBox::ItemsChanged(TObject*) {
  FHeights.clear();
  if (FStyle == lbOwnerDrawVariable)
    for (Integer I = 0; I < Count(); ++I) {
      Integer H = FItemHeight;
      MeasureItem(I, H);
      FHeights.push_back(H);
    }
  FSelected.resize(Count(), false);
  if (FItemIndex >= Count()) FItemIndex = Count() - 1;
  if (FAnchorIndex >= Count()) FAnchorIndex = -1;
  UpdateScrollBar();
  SetTopIndex(FTopIndex);
  Invalidate();
}

void TCustomListBox::MeasureItem(Integer Index, Integer& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

// ---- Selection ---------------------------------------------------------------------------

void TCustomListBox::SetItemIndex(Integer V) {
  if (V < -1 || V >= Count()) V = -1;
  if (FMultiSelect) {
    std::fill(FSelected.begin(), FSelected.end(), false);
    if (V >= 0) FSelected[V] = true;
  }
  FItemIndex = V;
  FAnchorIndex = V;
  if (V >= 0) MakeVisible(V);
  Invalidate();
}

void TCustomListBox::SetMultiSelect(bool V) {
  FMultiSelect = V;
  FSelected.assign(Count(), false);
  if (V && FItemIndex >= 0) FSelected[FItemIndex] = true;
  Invalidate();
}

bool TCustomListBox::Selected(Integer Index) const {
  if (Index < 0 || Index >= Count()) ListError(SListIndexError, Index);
  return FMultiSelect ? bool(FSelected[Index]) : Index == FItemIndex;
}

void TCustomListBox::SetSelected(Integer Index, bool V) {
  Selected(Index);
  if (!FMultiSelect) {
    if (V) SetItemIndex(Index);
    else if (Index == FItemIndex) SetItemIndex(-1);
    return;
  }
  FSelected[Index] = V;
  Invalidate();
}

Integer TCustomListBox::SelCount() const {
  if (!FMultiSelect) return FItemIndex >= 0 ? 1 : 0;
  return Integer(std::count(FSelected.begin(), FSelected.end(), true));
}

void TCustomListBox::SelectAll() {
  if (!FMultiSelect) return;
  std::fill(FSelected.begin(), FSelected.end(), true);
  Invalidate();
}

void TCustomListBox::ClearSelection() {
  if (FMultiSelect) std::fill(FSelected.begin(), FSelected.end(), false);
  else FItemIndex = -1;
  Invalidate();
}

void TCustomListBox::SelectRange(Integer From, Integer To) {
  std::fill(FSelected.begin(), FSelected.end(), false);
  for (Integer I = std::min(From, To); I <= std::max(From, To); ++I) FSelected[I] = true;
}

void TCustomListBox::UserSelect(Integer Index, TShiftState Shift) {
  if (Index < 0 || Index >= Count()) return;
  Integer Old = FItemIndex;
  if (!FMultiSelect) {
    FItemIndex = Index;
  } else if (FExtendedSelect && Shift.Contains(ssShift) && FAnchorIndex >= 0) {
    SelectRange(FAnchorIndex, Index);
    FItemIndex = Index;
  } else if (Shift.Contains(ssCtrl) || !FExtendedSelect) {
    FSelected[Index] = !FSelected[Index];
    FItemIndex = FAnchorIndex = Index;
  } else {
    SelectRange(Index, Index);
    FItemIndex = FAnchorIndex = Index;
  }
  if (!FMultiSelect) FAnchorIndex = Index;
  MakeVisible(Index);
  Invalidate();
  if (Old != FItemIndex || FMultiSelect) Click();
}

// ---- Keys and mouse ------------------------------------------------------------------------

void TCustomListBox::KeyDown(Word& Key, TShiftState Shift) {
  TWinControl::KeyDown(Key, Shift);
  Integer Page = std::max<Integer>(VisibleRowCount() - 1, 1), Target;
  Integer Cur = FItemIndex < 0 ? -1 : FItemIndex;
  switch (Key) {
    case VK_UP: Target = Cur - 1; break;
    case VK_DOWN: Target = Cur + 1; break;
    case VK_PRIOR: Target = Cur - Page; break;
    case VK_NEXT: Target = Cur + Page; break;
    case VK_HOME: Target = 0; break;
    case VK_END: Target = Count() - 1; break;
    default: return;
  }
  if (Count() == 0) return;
  UserSelect(std::clamp<Integer>(Target, 0, Count() - 1), Shift - TShiftState{ssCtrl});
}

bool TCustomListBox::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  if (TWinControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  SetTopIndex(FTopIndex - 3 * (WheelDelta / WHEEL_DELTA));
  return true;
}

void TCustomListBox::WMLButtonDown(TMessage& M) {
  if (!Focused() && CanFocus()) SetFocus();
  Integer Index = ItemAtPos(Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)), true);
  TShiftState Shift = MouseKeysToShiftState(M.WParam);
  if (Index >= 0) UserSelect(Index, Shift);
  Inherited(TCustomListBox::StaticClass(), M);
}

void TCustomListBox::WMLButtonDblClk(TMessage& M) {
  Inherited(TCustomListBox::StaticClass(), M);
  DblClick();
}

void TCustomListBox::WMMouseMove(TMessage& M) {
  // Dragging with the button down follows the mouse (single selection).
  if ((M.WParam & MK_LBUTTON) && !FMultiSelect && GetCapture() == FHandle) {
    Integer Index = ItemAtPos(Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)), true);
    if (Index >= 0 && Index != FItemIndex) UserSelect(Index, {});
  }
  Inherited(TCustomListBox::StaticClass(), M);
}

void TCustomListBox::CMFontChanged(TMessage& M) {
  Inherited(TCustomListBox::StaticClass(), M);
  ItemsChanged(nullptr);
}

// ---- Messages --------------------------------------------------------------------------------

void TCustomListBox::DefaultHandler(TMessage& M) {
  if (M.Msg == WM_GETDLGCODE) {
    M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    return;
  }
  if (M.Msg == WM_PRINTCLIENT) {
    PrintClient(M);
    return;
  }
  if (ListMessage(M) || ListMessageMore(M)) return;
  TWinControl::DefaultHandler(M);
}

void TCustomListBox::PrintClient(TMessage& M) {
  auto* DC = reinterpret_cast<TCanvas*>(M.WParam);
  // Result 1 on arrival: the sender wants the default handling.
  if (!DC || M.Result == 1 || ((M.LParam & PRF_CHECKVISIBLE) && !Showing())) {
    TWinControl::DefaultHandler(M);
    return;
  }
  Integer Saved = DC->SaveDC();
  if (M.LParam & PRF_ERASEBKGND) Perform(WM_ERASEBKGND, M.WParam, M.WParam);
  PaintRows(*DC);
  DC->RestoreDC(Saved);
  M.Result = 0;
}

bool TCustomListBox::ListMessage(TMessage& M) {
  Integer I = Integer(std::intptr_t(M.WParam));
  switch (M.Msg) {
    case LB_ADDSTRING: M.Result = FItems->Add(*reinterpret_cast<const String*>(M.LParam)); return true;
    case LB_INSERTSTRING:
      if (I < 0) I = Count();
      FItems->Insert(I, *reinterpret_cast<const String*>(M.LParam));
      M.Result = I;
      return true;
    case LB_DELETESTRING:
      if (I < 0 || I >= Count()) return M.Result = LB_ERR, true;
      FItems->Delete(I);
      M.Result = Count();
      return true;
    case LB_RESETCONTENT: Clear(); return true;
    case LB_SETCURSEL: SetItemIndex(I); M.Result = I < Count() ? I : LB_ERR; return true;
    case LB_GETCURSEL: M.Result = FItemIndex; return true;
    case LB_GETCOUNT: M.Result = Count(); return true;
    case LB_GETTOPINDEX: M.Result = FTopIndex; return true;
    case LB_SETTOPINDEX: SetTopIndex(I); return true;
  }
  return false;
}

bool TCustomListBox::ListMessageMore(TMessage& M) {
  Integer I = Integer(std::intptr_t(M.WParam));
  bool InRange = I >= 0 && I < Count();
  switch (M.Msg) {
    case LB_GETTEXT:
      if (!InRange) return M.Result = LB_ERR, true;
      *reinterpret_cast<String*>(M.LParam) = FItems->Get(I);
      M.Result = Length(FItems->Get(I));
      return true;
    case LB_GETTEXTLEN: M.Result = InRange ? Length(FItems->Get(I)) : LB_ERR; return true;
    case LB_GETSEL: M.Result = InRange ? Selected(I) : LB_ERR; return true;
    case LB_SETSEL: {
      Integer Index = Integer(M.LParam);
      if (Index == -1) for (Integer K = 0; K < Count(); ++K) SetSelected(K, M.WParam != 0);
      else if (Index < Count()) SetSelected(Index, M.WParam != 0);
      return true;
    }
    case LB_GETSELCOUNT: M.Result = FMultiSelect ? SelCount() : LB_ERR; return true;
    case LB_GETITEMRECT:
      if (!InRange) return M.Result = LB_ERR, true;
      *reinterpret_cast<TRect*>(M.LParam) = ItemRect(I);
      M.Result = 1;
      return true;
    case LB_GETITEMHEIGHT: M.Result = FStyle == lbOwnerDrawVariable && InRange ? RowHeight(I) : ItemHeight(); return true;
    case LB_SETITEMHEIGHT: SetItemHeight(Integer(M.LParam)); return true;
    case LB_ITEMFROMPOINT: {
      Integer Index = ItemAtPos(Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)), false);
      M.Result = Index < Count() ? Index : MAKELPARAM(std::max<Integer>(Count() - 1, 0), 1);
      return true;
    }
  }
  return false;
}

RTL_MESSAGE_MAP(TCustomListBox) {
  M.On(WM_LBUTTONDOWN, &TCustomListBox::WMLButtonDown);
  M.On(WM_LBUTTONDBLCLK, &TCustomListBox::WMLButtonDblClk);
  M.On(WM_MOUSEMOVE, &TCustomListBox::WMMouseMove);
  M.On(WM_VSCROLL, &TCustomListBox::WMVScroll);
  M.On(CM_FONTCHANGED, &TCustomListBox::CMFontChanged);
}

RTL_PUBLISHED(TCustomListBox) {
  P.Prop("BorderStyle", &TCustomListBox::BorderStyle, &TCustomListBox::SetBorderStyle).Default(bsSingle);
  P.Prop("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect).Default(true);
  P.Prop("IntegralHeight", &TCustomListBox::IntegralHeight, &TCustomListBox::SetIntegralHeight).Default(false);
  P.Prop("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight);
  P.Prop("ItemIndex", &TCustomListBox::ItemIndex, &TCustomListBox::SetItemIndex).Stored(false);
  P.Prop("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
  P.Prop("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect).Default(false);
  P.Prop("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted).Default(false);
  P.Prop("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle).Default(lbStandard);
  P.Prop("Ctl3D", [](TCustomListBox*) { return true; }, [](TCustomListBox*, bool) {}).Stored(false);
  P.Field("OnDrawItem", &TCustomListBox::OnDrawItem);
  P.Field("OnMeasureItem", &TCustomListBox::OnMeasureItem);
}

[[maybe_unused]] static const bool ListBoxClassesRegistered =
    (RegisterClasses({TCustomListBox::StaticClass(), TListBox::StaticClass()}), true);
