// EcPopupWindow: placement, the balloon and the drop-down list.
#include "ui/controls/EcPopupWindow.h"

#include "platform/gui/forms.h"
#include "platform/gui/graphics_frames.h"
#include "ui/controls/IEditTools.h"

RTL_IMPLEMENT_CLASS(TEcPopupWindow, TCustomControl, &ComponentFactory<TEcPopupWindow>)
RTL_IMPLEMENT_CLASS(TEcMessageWindow, TEcPopupWindow, &ComponentFactory<TEcMessageWindow>)
RTL_IMPLEMENT_CLASS(TEcPopupListBox, TCustomListBox, &ComponentFactory<TEcPopupListBox>)

namespace {
constexpr std::uintptr_t BalloonTimerId = 1;

// Places and shows Window at P, top-most and without activation (also a
// window that was hidden while its control kept it visible).
void MovePopup(TWinControl* Window, TPoint P) {
  Window->SetBounds(P.X, P.Y, Window->Width(), Window->Height());
  if (!Window->Visible()) Window->SetVisible(true);
  if (Window->HandleAllocated())
    SetWindowPos(Window->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}
}  // namespace

TPoint PopupPlacementPoint(Byte Placement, const TRect& Area, TControl* Owner, bool KeepOnScreen, Integer W,
                           Integer H, Integer& Result) {
  TPoint P = Area.TopLeft();
  Result = -1;
  if (!Owner || Placement == 0 || Placement > 4) {
    if (Owner && Placement == 0) return P;
    if (KeepOnScreen) {
      TRect S = Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
      P.Y = std::max(P.Y, S.Top);
      if (P.Y + H > S.Bottom) P.Y = S.Bottom - H;
      P.X = std::max(P.X, S.Left);
      if (P.X + W > S.Right) P.X = S.Right - W;
    }
    return P;
  }
  Integer HB = (Owner->Width() - Owner->ClientWidth()) / 2;
  Integer VB = (Owner->Height() - Owner->ClientHeight()) / 2;
  TPoint Flip{0, 0};
  TRect V = Screen->DesktopRect();
  switch (Placement) {
    case 1:
    case 2:
      P = Owner->ClientToScreen({Placement == 1 ? -HB : Owner->ClientWidth() + HB, VB + Owner->ClientHeight()});
      if (Placement == 2) P.X -= W;
      Flip = {0, V.Bottom - P.Y + Owner->Height()};
      break;
    case 3: P = Owner->ClientToScreen(Area.TopLeft()); break;
    default:
      P = Owner->ClientToScreen({Owner->ClientWidth(), -VB});
      Flip = {V.Right - P.X + Owner->ClientWidth() + HB, 0};
      break;
  }
  Result = KeepOnScreen ? FitToScreen(P, W, H, Flip) : 0;
  return P;
}

Integer CalcPopupPlacement(TWinControl* Window, Byte Placement, const TRect& Rect, TControl* OwnerControl,
                           bool KeepOnScreen) {
  Integer Result;
  TPoint P = PopupPlacementPoint(Placement, Rect, OwnerControl, KeepOnScreen, Window->Width(), Window->Height(),
                                 Result);
  MovePopup(Window, P);
  return Result;
}

// ---- TEcPopupWindow ------------------------------------------------------------------------

RTL_MESSAGE_MAP(TEcPopupWindow) {
  M.On(WM_MOUSEACTIVATE, &TEcPopupWindow::WMMouseActivate);
  M.On(CM_SHOWINGCHANGED, &TEcPopupWindow::CMShowingChanged);
}

TEcPopupWindow::TEcPopupWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  FOwnerControl = dynamic_cast<TControl*>(AOwner);
  FVisible = false;
  FControlStyle.Include(csAcceptsControls).Include(csOpaque).Include(csNoDesignVisible).Include(csReplicatable);
  Brush()->SetStyle(bsClear);
  FParentFont = false;
  if (FOwnerControl) Font()->Assign(FOwnerControl->Font());
}

TEcPopupWindow::~TEcPopupWindow() = default;

void TEcPopupWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_CLIPCHILDREN;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WndParent = nullptr;
}

void TEcPopupWindow::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  FPlacementRect = BoundsRect();
}

void TEcPopupWindow::SetPlacementRect(const TRect& R) {
  SetBounds(R.Left, R.Top, R.Width(), R.Height());
  if (FPopupShowing) Popup();
}

void TEcPopupWindow::SetPlacement(Byte V) {
  if (V == FPlacement) return;
  FPlacement = V;
  if (Visible()) Popup();
}

void TEcPopupWindow::SetPlacementResult(Integer Value) { FPlacementResult = Value; }

void TEcPopupWindow::Popup() {
  Integer R = CalcPopupPlacement(this, FPlacement, FPlacementRect, FOwnerControl, FKeepOnScreen);
  if (R != -1) SetPlacementResult(R);
  FPopupShowing = true;
}

void TEcPopupWindow::HidePopup() {
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  FVisible = false;
  FPopupShowing = false;
}

void TEcPopupWindow::WMMouseActivate(TMessage& M) {
  M.Result = MA_NOACTIVATE;
  if (HandleAllocated())
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TEcPopupWindow::CMShowingChanged(TMessage& M) {
  Inherited(TEcPopupWindow::StaticClass(), M);
  if (Showing() && FPopupShowing && !ComponentState().Contains(csDestroying)) {
    Integer R;
    TPoint P = PopupPlacementPoint(FPlacement, FPlacementRect, FOwnerControl, FKeepOnScreen, Width(), Height(), R);
    if (P != BoundsRect().TopLeft()) TCustomControl::SetBounds(P.X, P.Y, Width(), Height());
  }
}

// ---- TEcMessageWindow ----------------------------------------------------------------------

RTL_MESSAGE_MAP(TEcMessageWindow) {
  M.On(WM_NCHITTEST, &TEcMessageWindow::WMNCHitTest);
  M.On(WM_TIMER, &TEcMessageWindow::WMTimer);
  M.On(CM_TEXTCHANGED, &TEcMessageWindow::CMTextChanged);
  M.On(CM_FONTCHANGED, &TEcMessageWindow::CMFontChanged);
  M.On(CM_MOUSELEAVE, &TEcMessageWindow::CMMouseLeave);
}

TEcMessageWindow::TEcMessageWindow(TComponent* AOwner)
    : TEcPopupWindow(AOwner), FButtons(std::make_unique<TI_EditButtons>(this)),
      FIcon(std::make_unique<TBitmap>()), FBuffer(std::make_unique<TBitmap>()) {
  FButtons->SetDefaultColor(clBtnFace);
  SetColor(BalloonColor);
  FParentColor = false;
}

TEcMessageWindow::~TEcMessageWindow() {
  StopTimer();
  FButtons.reset();
}

void TEcMessageWindow::CreateWnd() {
  TEcPopupWindow::CreateWnd();
  FButtons->Subclass();
  ApplyRegion();
}

void TEcMessageWindow::SetKind(Byte V) {
  FKind = V;
  RecalcSize();
}

void TEcMessageWindow::SetShowIcon(bool V) {
  FShowIcon = V;
  RecalcSize();
}

void TEcMessageWindow::SetIcon(TBitmap* V) {
  FIcon->Assign(V);
  RecalcSize();
}

void TEcMessageWindow::SetShape(Byte V) {
  FShape = V;
  RecalcSize();
}

void TEcMessageWindow::SetMaxWidth(Integer V) {
  FMaxWidth = V;
  RecalcSize();
}

void TEcMessageWindow::EndUpdate() {
  if (FUpdating > 0 && --FUpdating == 0) RecalcSize();
}

TSize TEcMessageWindow::MeasureText(Integer Width, bool Wrap) {
  TBitmap* B = FBuffer.get();
  if (B->Empty()) B->SetSize(1, 1);
  B->Canvas()->SetFont(Font());
  TRect R = Rect(0, 0, Width, 100000);
  TRect Used = DrawStyledText(B->Canvas(), Caption(), R, nullptr, Wrap ? Cardinal(dsWordBreak) : 0u, false);
  return {Used.Width() + 2, Used.Height()};
}

void TEcMessageWindow::RecalcSize() {
  if (FUpdating) return;
  FText = MeasureText(100000, false);
  bool HasButtons = FButtons->Count() > 0;
  TRect BR = FButtons->ButtonsRect();
  if (FMaxWidth >= 1 && FText.cx > FMaxWidth) {
    Integer Excess = FText.cx - FMaxWidth;
    for (Integer i = 0; i < FButtons->Count(); ++i) FButtons->Items(i)->Left -= Excess;
    BR = FButtons->ButtonsRect();
    FText = MeasureText(FMaxWidth, true);
  }
  switch (FKind) {
    case 0:
      SetColor(BalloonColor);
      FShowIcon = false;
      break;
    case 1:
      SetColor(BalloonColor);
      LoadBitmapResource(FIcon.get(), "EC_MV_INVALIDVALUE");
      FShowIcon = true;
      break;
    default: break;
  }
  bool Icon = FShowIcon && !FIcon->Empty();
  Integer W, H;
  if (Icon) {
    W = FIcon->Width() + FText.cx + MarginLeft + MarginRight + IconGap;
    H = std::max(FText.cy, FIcon->Height()) + MarginTop + MarginBottom;
  } else {
    W = FText.cx + MarginLeft + MarginRight;
    H = FText.cy + MarginTop + MarginBottom;
  }
  if (HasButtons) {
    // The buttons go in a row under the text.
    TPoint O = TextOrigin();
    Integer DX = O.X - BR.Left, DY = O.Y + H - MarginTop - MarginBottom + 5 - BR.Top;
    for (Integer i = 0; i < FButtons->Count(); ++i) {
      FButtons->Items(i)->Left += DX;
      FButtons->Items(i)->Top += DY;
    }
    H += BR.Height() + 5;
    W = std::max(W, BR.Width() + MarginLeft + MarginRight);
  }
  Integer Grow = FShape == 0 ? 2 : (CornerSize - 3) * 2;
  W += Grow;
  H += Grow;
  if (FShape == 2) H += ArrowSize;
  TCustomControl::SetBounds(Left(), Top(), W, H);
  FPlacementRect = BoundsRect();
  ApplyRegion();
  Invalidate();
}

TRegion TEcMessageWindow::BalloonRegion() const {
  Integer W = Width(), H = Height(), A = ArrowSize;
  switch (FShape) {
    case 0: return TRegion(Rect(-1, -1, W + 1, H + 1)).Intersect(TRegion(Rect(0, 0, W, H)));
    case 1: return CreateRoundRectRgn(0, 0, W, H, CornerSize, CornerSize);
    default: break;
  }
  if (!ArrowOnTop()) return CreateRoundRectRgn(0, 0, W, H - A, CornerSize, CornerSize);
  TRegion Body = CreateRoundRectRgn(0, A, W, H, CornerSize, CornerSize);
  std::vector<TPoint> Arrow;
  if (FPlacementResult == 2) Arrow = {{W - 8, A}, {W - 8, 0}, {W - 8 - A, A}};
  else if (FPlacementResult == 4) Arrow = {{W / 2 - 4, A}, {W / 2, 0}, {W / 2 + 4, A}};
  else Arrow = {{8, A}, {8, 0}, {8 + A, A}};
  // The triangle reaches one row into the body so that they join.
  Arrow[0].Y += 1, Arrow[2].Y += 1;
  return Body.Union(CreatePolygonRgn(Arrow, WINDING));
}

void TEcMessageWindow::ApplyRegion() {
  if (!HandleAllocated()) return;
  TRegion R = BalloonRegion();
  SetWindowRgn(Handle(), &R, true);
}

void TEcMessageWindow::SetPlacementResult(Integer Value) {
  if (Value == FPlacementResult) return;
  TEcPopupWindow::SetPlacementResult(Value);
  ApplyRegion();
  Invalidate();
}

TPoint TEcMessageWindow::TextOrigin() const {
  TPoint O{MarginLeft, MarginTop};
  if (FShape != 0) O = {CornerSize - 3 + MarginLeft / 2, CornerSize - 3 + MarginTop / 2};
  if (FShape == 0) O.X += 1, O.Y += 1;
  if (ArrowOnTop()) O.Y += ArrowSize;
  return O;
}

void TEcMessageWindow::Paint() {
  Integer W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  FBuffer->SetPixelFormat(pf24bit);
  FBuffer->SetSize(W, H);
  TCanvas* C = FBuffer->Canvas();
  C->SelectClipRgn(nullptr);
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(Color());
  C->FillRect(Rect(0, 0, W, H));
  if (FShape == 0) {
    TRect R = Rect(0, 0, W, H);
    DrawEdge(*C, R, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    DrawEdge(*C, R, BDR_RAISEDINNER, BF_RECT);
  } else {
    // The shape's outline, one pixel wide, in the button shadow colour.
    TRegion Shape = BalloonRegion();
    TRegion Inner = Shape;
    for (TPoint D : {TPoint{1, 0}, TPoint{-1, 0}, TPoint{0, 1}, TPoint{0, -1}}) {
      TRegion S = Shape;
      S.Offset(D.X, D.Y);
      Inner = Inner.Intersect(S);
    }
    C->Brush()->SetColor(clBtnShadow);
    C->FillRgn(Shape.Subtract(Inner));
  }
  C->SetFont(Font());
  C->Font()->SetColor(clInfoText);
  TPoint O = TextOrigin();
  TRect TextR = Rect(O.X, O.Y, W - MarginRight, H);
  if (FShowIcon && !FIcon->Empty()) {
    DrawTransparent(C, FIcon.get(), Bounds(O.X, O.Y, FIcon->Width(), FIcon->Height()), true, false);
    TextR.Left += FIcon->Width() + IconGap;
  }
  bool Handled = false;
  if (OnPaint) OnPaint(this, C, TextR, Handled);
  if (!Handled) {
    Cardinal Flags = 0;
    if (FMaxWidth >= 1 && FText.cx > 0) {
      Flags = dsWordBreak;
      TextR.Right = TextR.Left + FMaxWidth;
      Integer Space = (FButtons->Count() ? FButtons->ButtonsRect().Top - 5 : H - MarginBottom) - TextR.Top;
      TextR.Top += std::max(0, (Space - FText.cy) / 2);
    }
    DrawStyledText(C, Caption(), TextR, nullptr, Flags, true);
  }
  Canvas()->CopyRect(Rect(0, 0, W, H), *C, Rect(0, 0, W, H));
}

void TEcMessageWindow::WMNCHitTest(TMessage& M) {
  if (FButtons->Count() == 0) {
    M.Result = HTTRANSPARENT;
    return;
  }
  Inherited(TEcMessageWindow::StaticClass(), M);
}

void TEcMessageWindow::Popup() {
  TEcPopupWindow::Popup();
  StopTimer();
  if (AutoHide && FButtons->Count() == 0 && HandleAllocated()) {
    SetTimer(Handle(), BalloonTimerId, DisplayTime);
    FTimerRunning = true;
  }
}

void TEcMessageWindow::HidePopup() {
  StopTimer();
  TEcPopupWindow::HidePopup();
}

void TEcMessageWindow::StopTimer() {
  if (FTimerRunning && HandleAllocated()) KillTimer(Handle(), BalloonTimerId);
  FTimerRunning = false;
}

void TEcMessageWindow::WMTimer(TMessage& M) {
  if (M.WParam != BalloonTimerId) return;
  StopTimer();
  // A windowed owner frees the balloon itself; otherwise it just hides.
  auto* Owner = dynamic_cast<TWinControl*>(FOwnerControl);
  if (Owner && Owner->HandleAllocated()) PostMessage(Owner->Handle(), ECM_SHOWERROR, 0, 0);
  else HidePopup();
}

void TEcMessageWindow::CMTextChanged(TMessage& M) {
  Inherited(TEcMessageWindow::StaticClass(), M);
  RecalcSize();
}

void TEcMessageWindow::CMFontChanged(TMessage& M) {
  Inherited(TEcMessageWindow::StaticClass(), M);
  RecalcSize();
}

void TEcMessageWindow::CMMouseLeave(TMessage& M) {
  Inherited(TEcMessageWindow::StaticClass(), M);
  FButtons->ResetStates();
}

// ---- TEcPopupListBox -----------------------------------------------------------------------

RTL_MESSAGE_MAP(TEcPopupListBox) {
  M.On(WM_NCCALCSIZE, &TEcPopupListBox::WMNCCalcSize);
  M.On(WM_NCPAINT, &TEcPopupListBox::WMNCPaint);
  M.On(WM_MOUSEACTIVATE, &TEcPopupListBox::WMMouseActivate);
  M.On(WM_MOUSEMOVE, &TEcPopupListBox::WMMouseMove);
  M.On(WM_LBUTTONDOWN, &TEcPopupListBox::WMLButtonDown);
  M.On(WM_LBUTTONDBLCLK, &TEcPopupListBox::WMLButtonDown);
  M.On(WM_LBUTTONUP, &TEcPopupListBox::WMLButtonUp);
  M.On(CM_FONTCHANGED, &TEcPopupListBox::CMFontChanged);
}

TEcPopupListBox::TEcPopupListBox(TComponent* AOwner) : TCustomListBox(AOwner) {
  FOwnerControl = dynamic_cast<TControl*>(AOwner);
  FVisible = false;
  SetBorderStyle(bsNone);
  SetStyle(lbOwnerDrawVariable);
  FParentFont = false;
  if (FOwnerControl) Font()->Assign(FOwnerControl->Font());
  SetItemHeight(TextHeight("Wg", Font()) + 3);
}

void TEcPopupListBox::CreateParams(TCreateParams& Params) {
  TCustomListBox::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WndParent = nullptr;
}

void TEcPopupListBox::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  TCustomListBox::SetBounds(ALeft, ATop, AWidth, AHeight);
  FPlacementRect = BoundsRect();
}

void TEcPopupListBox::SetPlacement(Byte V) {
  FPlacement = V;
  if (FPopupShowing) Popup();
}

void TEcPopupListBox::SetFrameStyle(Byte V) {
  FFrameStyle = V;
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TEcPopupListBox::AdjustHeight() {
  Integer Rows = std::max(1, std::min(Count(), FDropDownCount));
  Integer H = ItemHeight() * Rows + 2 * FrameWidth();
  H = std::min(H, GetSystemMetrics(SM_CYSCREEN) / 2);
  TRect Place = FPlacementRect;
  SetBounds(Left(), Top(), Place.Width(), H);
  // The placement keeps its left, top and right; only the height is new.
  FPlacementRect = Rect(Place.Left, Place.Top, Place.Right, Place.Top + H);
}

void TEcPopupListBox::Popup() {
  AdjustHeight();
  Integer R = CalcPopupPlacement(this, FPlacement, FPlacementRect, FOwnerControl, FKeepOnScreen);
  FPlacementResult = R;
  FPopupShowing = true;
}

void TEcPopupListBox::HidePopup() {
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  FVisible = false;
  FPopupShowing = false;
}

void TEcPopupListBox::MeasureItem(Integer, Integer& Height) { Height = ItemHeight(); }

void TEcPopupListBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  TCanvas* C = Canvas();
  C->SetFont(Font());
  C->Brush()->SetColor(Color());
  if (State.Contains(odSelected)) {
    C->Brush()->SetColor(clHighlight);
    C->Font()->SetColor(clHighlightText);
  }
  if (Index < 0) {
    C->FillRect(Rect);
    return;
  }
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  C->FillRect(Rect);
  C->SetBkMode(TRANSPARENT);
  C->TextOut(Rect.Left + 2, Rect.Top + 1, Items()->Strings(Index));
}

bool TEcPopupListBox::DoMouseWheel(TShiftState, Integer WheelDelta, TPoint) {
  Integer NewTop = TopIndex() - WheelDelta / WHEEL_DELTA;
  // Scrolling past the first row, or so far that fewer than a list's
  // worth of rows follow, is left out.
  if (NewTop >= 0 && Count() - NewTop >= FDropDownCount) SetTopIndex(NewTop);
  return true;
}

void TEcPopupListBox::WMNCCalcSize(TMessage& M) {
  Inherited(TEcPopupListBox::StaticClass(), M);
  auto* P = reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam);
  Integer F = FrameWidth();
  if (P) InflateRect(P->rgrc[0], -F, -F);
}

void TEcPopupListBox::WMNCPaint(TMessage& M) {
  Inherited(TEcPopupListBox::StaticClass(), M);
  if (FFrameStyle == 0 || !HandleAllocated()) return;
  TCanvas* DC = GetWindowDC(Handle());
  if (!DC) return;
  TRect R = Rect(0, 0, Width(), Height());
  if (FFrameStyle == 1) {
    DC->Brush()->SetColor(clBlack);
    DC->FrameRect(R);
  } else {
    DrawEdge(*DC, R, EDGE_RAISED, BF_RECT);
  }
  ReleaseDC(Handle(), DC);
}

void TEcPopupListBox::WMMouseActivate(TMessage& M) { M.Result = MA_NOACTIVATE; }

void TEcPopupListBox::WMMouseMove(TMessage& M) {
  Inherited(TEcPopupListBox::StaticClass(), M);
  // Hot tracking: the row under the mouse is selected.
  Integer Row = ItemAtPos({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, true);
  if (Row >= 0 && Row != ItemIndex()) SetItemIndex(Row);
}

void TEcPopupListBox::WMLButtonDown(TMessage& M) {
  Integer Row = ItemAtPos({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, true);
  if (Row >= 0) SetItemIndex(Row);
}

void TEcPopupListBox::WMLButtonUp(TMessage& M) {
  Integer Row = ItemAtPos({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, true);
  if (Row >= 0 && Row == ItemIndex()) DoClick();
}

void TEcPopupListBox::CMFontChanged(TMessage& M) {
  Inherited(TEcPopupListBox::StaticClass(), M);
  SetItemHeight(TextHeight("Wg", Font()) + 3);
}
