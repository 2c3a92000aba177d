// TCustomComboBox: the list (popup or child), dropping down and closing
// up, the layout of edit, button and list, painting and the mouse.
#include <algorithm>

#include "platform/gui/graphics_frames.h"
#include "platform/gui/stdctrls_combo.h"
#include "platform/rtl/events.h"

RTL_IMPLEMENT_CLASS(TComboListBox, TCustomListBox, nullptr)

// ---- TComboListBox ----------------------------------------------------------------------

TComboListBox::TComboListBox(TCustomComboBox* Combo, bool Popup)
    : TCustomListBox(Combo), FCombo(Combo), FPopup(Popup) {
  SetTabStop(false);
  if (Popup) {
    SetVisible(false);
    SetBorderStyle(bsNone);
  }
}

void TComboListBox::CreateParams(TCreateParams& Params) {
  TCustomListBox::CreateParams(Params);
  if (!FPopup) return;
  // A popup that is never activated: the focus stays with the box.
  Params.Style = WS_POPUP | WS_BORDER | WS_CLIPSIBLINGS;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
}

void TComboListBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  FCombo->DrawListRow(*Canvas(), Index, Rect, State);
}

void TComboListBox::MeasureItem(Integer Index, Integer& Height) { FCombo->MeasureItem(Index, Height); }

bool TComboListBox::Inside(TMessage& M) {
  return PtInRect(ClientRect(), Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)));
}

Integer TComboListBox::RowAt(TMessage& M) {
  return ItemAtPos(Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)), true);
}

void TComboListBox::WMLButtonDown(TMessage& M) {
  if (!FPopup) {
    if (FCombo->FEdit && FCombo->CanFocus()) FCombo->FEdit->SetFocus();
    if (RowAt(M) >= 0) FCombo->UserPick(RowAt(M));
    return;
  }
  if (!Inside(M)) FCombo->CloseList(false);
  else if (RowAt(M) >= 0) SetItemIndex(RowAt(M));
}

void TComboListBox::WMLButtonUp(TMessage& M) {
  // The release of the click that opened the list lands outside it.
  if (FPopup && Inside(M) && RowAt(M) >= 0) {
    SetItemIndex(RowAt(M));
    FCombo->CloseList(true);
  }
}

void TComboListBox::WMMouseMove(TMessage& M) {
  // The row under the mouse follows it.
  if (FPopup && Inside(M) && RowAt(M) >= 0 && RowAt(M) != ItemIndex()) SetItemIndex(RowAt(M));
}

void TComboListBox::WMMouseActivate(TMessage& M) { M.Result = MA_NOACTIVATE; }

void TComboListBox::WMCaptureChanged(TMessage&) {
  if (FPopup && FCombo->FDropped && !FCombo->FClosing) FCombo->CloseList(false);
}

RTL_MESSAGE_MAP(TComboListBox) {
  M.On(WM_LBUTTONDOWN, &TComboListBox::WMLButtonDown);
  M.On(WM_LBUTTONUP, &TComboListBox::WMLButtonUp);
  M.On(WM_MOUSEMOVE, &TComboListBox::WMMouseMove);
  M.On(WM_MOUSEACTIVATE, &TComboListBox::WMMouseActivate);
  M.On(WM_CAPTURECHANGED, &TComboListBox::WMCaptureChanged);
}

// ---- Rows --------------------------------------------------------------------------------

Integer TCustomComboBox::ItemHeight() {
  return IsOwnerDraw() ? FItemHeight : TextLineHeight(Font());
}

void TCustomComboBox::MeasureItem(Integer Index, Integer& Height) {
  if (FStyle == csOwnerDrawVariable && OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::PrepareCanvas(TOwnerDrawState State) {
  TCanvas& C = *Canvas();
  C.Font()->Assign(Font());
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(Color());
  if (State.Contains(odSelected)) {
    C.Brush()->SetColor(clHighlight);
    C.Font()->SetColor(clHighlightText);
  }
  if (!Enabled()) C.Font()->SetColor(clGrayText);
}

void TCustomComboBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (IsOwnerDraw() && OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  TCanvas& C = *Canvas();
  C.FillRect(Rect);
  if (Index >= 0 && Index < FItems->Count()) C.TextOut(Rect.Left + 2, Rect.Top, FItems->Get(Index));
}

void TCustomComboBox::DrawListRow(TCanvas& DC, Integer Index, const TRect& Rect, TOwnerDrawState State) {
  FCanvas.PaintOn(DC, [&] {
    PrepareCanvas(State);
    DrawItem(Index, Rect, State);
  });
}

// The list's rows, height and choice follow the box.
void TCustomComboBox::SyncList() {
  if (!FList) return;
  FList->SetStyle(FStyle == csOwnerDrawVariable ? lbOwnerDrawVariable : lbOwnerDrawFixed);
  FList->SetItemHeight(ItemHeight());
  FList->Font()->Assign(Font());
  FList->SetColor(Color());
  FList->SetItems(FItems.get());
  FList->SetItemIndex(FItemIndex);
  if (FItemIndex >= FItems->Count()) FItemIndex = -1;
}

// ---- Drop-down -----------------------------------------------------------------------------

void TCustomComboBox::SetDroppedDown(bool V) {
  if (V == FDropped || FStyle == csSimple) return;
  if (V) OpenList();
  else CloseList(false);
}

void TCustomComboBox::OpenList() {
  DropDown();
  if (!FPopupList) FPopupList = new TComboListBox(this, true);
  FList = FPopupList;
  SyncList();
  FIndexAtOpen = FItemIndex;
  PlaceList();
  FDropped = true;
  FList->SetVisible(true);
  SetCapture(FList->Handle());
  Invalidate();
}

void TCustomComboBox::PlaceList() {
  Integer Rows = std::clamp<Integer>(FItems->Count(), 1, FDropDownCount), H = 2;
  if (FStyle == csOwnerDrawVariable) {
    FList->SetTopIndex(0);
    for (Integer I = 0; I < Rows; ++I) H += FList->ItemRect(I).Height();
  } else {
    H += Rows * ItemHeight();
  }
  TPoint Below = ClientToScreen(Point(0, 0));
  Below.X -= (Width() - ClientWidth()) / 2;
  Below.Y += ClientHeight() + (Height() - ClientHeight()) / 2;
  // Above the box when the screen has no room below it.
  if (Below.Y + H > GetSystemMetrics(SM_CYSCREEN)) Below.Y -= Height() + H;
  FList->SetBounds(Below.X, Below.Y, Width(), H);
  if (FItemIndex >= 0) FList->SetItemIndex(FItemIndex);
}

void TCustomComboBox::CloseList(bool Accept) {
  if (!FDropped || FClosing) return;
  FClosing = true;
  Integer Row = FList->ItemIndex();
  if (GetCapture() == FList->Handle()) ReleaseCapture();
  FList->SetVisible(false);
  FList = nullptr;
  FDropped = false;
  FClosing = false;
  if (Accept && Row >= 0 && Row != FItemIndex) UserPick(Row);
  else if (!Accept && FItemIndex != FIndexAtOpen) UserPick(FIndexAtOpen);
  Invalidate();
  CloseUp();
}

void TCustomComboBox::DropDown() { FireEvent(OnDropDown, this); }
void TCustomComboBox::CloseUp() { FireEvent(OnCloseUp, this); }

// ---- Layout ----------------------------------------------------------------------------------

Integer TCustomComboBox::BoxHeight() {
  Integer Inner = IsOwnerDraw() ? FItemHeight : ItemHeight();
  return Inner + 6 + 4;
}

void TCustomComboBox::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  // Only the simple box has a free height: the others fit their row.
  // The window reports back the height it has; only other heights are asked for.
  if (AHeight != FHeight) FAskedHeight = AHeight;
  if (FStyle != csSimple) AHeight = BoxHeight();
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

TRect TCustomComboBox::ButtonRect() {
  TRect C = ClientRect();
  if (FStyle == csSimple) return Rect(C.Right, C.Top, C.Right, C.Top);
  return Rect(C.Right - GetSystemMetrics(SM_CXVSCROLL), C.Top, C.Right, C.Bottom);
}

TRect TCustomComboBox::TextRect() {
  TRect C = ClientRect(), B = ButtonRect();
  Integer H = FStyle == csSimple ? BoxHeight() - 4 : C.Height();
  return Rect(C.Left + 1, C.Top + 1, B.Left - 1, C.Top + H - 1);
}

void TCustomComboBox::LayoutParts() {
  TRect T = TextRect();
  if (FEdit) FEdit->SetBounds(T.Left + 1, T.Top + 1, T.Width() - 1, T.Height() - 2);
  if (FList && !FList->IsWindowRoot()) {
    TRect C = ClientRect();
    FList->SetBounds(C.Left, T.Bottom + 2, C.Width(), std::max<Integer>(C.Bottom - T.Bottom - 2, 0));
  }
}

void TCustomComboBox::Resize() {
  LayoutParts();
  TWinControl::Resize();
}

void TCustomComboBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
}

// ---- Painting --------------------------------------------------------------------------------

void TCustomComboBox::PaintWindow(TCanvas& DC) {
  FCanvas.PaintOn(DC, [this] {
    TCanvas& C = *Canvas();
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Color());
    C.FillRect(ClientRect());
    if (FStyle != csSimple) {
      Cardinal State = DFCS_SCROLLCOMBOBOX | (FDropped ? DFCS_PUSHED : 0u) | (Enabled() ? 0u : DFCS_INACTIVE);
      DrawFrameControl(C, ButtonRect(), DFC_SCROLL, State);
    }
    if (HasEdit()) return;
    // The chosen item, highlighted while the box has the focus.
    TRect R = TextRect();
    TOwnerDrawState S{odComboBoxEdit};
    bool Focus = Focused() && !FDropped;
    if (Focus) S.Include(odSelected), S.Include(odFocused);
    PrepareCanvas(S);
    DrawItem(FItemIndex, R, S);
    if (Focus) C.DrawFocusRect(R);
  });
}

// ---- Messages --------------------------------------------------------------------------------

void TCustomComboBox::DefaultHandler(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (FDropped ? LRESULT(DLGC_WANTALLKEYS) : LRESULT(0));
      return;
    case WM_SETFOCUS:
      // The edit takes the focus of an editable box.
      if (FEdit && FEdit->CanFocus()) FEdit->SetFocus();
      Invalidate();
      return;
    case WM_KILLFOCUS:
      CloseList(false);
      Invalidate();
      return;
  }
  TWinControl::DefaultHandler(M);
}

void TCustomComboBox::WMLButtonDown(TMessage& M) {
  TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
  if (CanFocus() && !Focused()) {
    if (FEdit) FEdit->SetFocus();
    else SetFocus();
  }
  if (FStyle != csSimple && (!HasEdit() || PtInRect(ButtonRect(), P))) {
    SetDroppedDown(!FDropped);
    return;
  }
  Inherited(TCustomComboBox::StaticClass(), M);
}

void TCustomComboBox::CMFontChanged(TMessage& M) {
  Inherited(TCustomComboBox::StaticClass(), M);
  SetBounds(Left(), Top(), Width(), Height());
  SyncList();
}

void TCustomComboBox::CMEnabledChanged(TMessage& M) {
  Inherited(TCustomComboBox::StaticClass(), M);
  if (FEdit) FEdit->SetEnabled(Enabled());
  Invalidate();
}

RTL_MESSAGE_MAP(TCustomComboBox) {
  M.On(WM_LBUTTONDOWN, &TCustomComboBox::WMLButtonDown);
  M.On(CM_FONTCHANGED, &TCustomComboBox::CMFontChanged);
  M.On(CM_ENABLEDCHANGED, &TCustomComboBox::CMEnabledChanged);
}
