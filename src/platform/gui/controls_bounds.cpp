// Bounds, client area, constraints, anchors, alignment and scaling of
// controls.
#include <algorithm>

#include "platform/gui/controls.h"
#include "platform/rtl/format.h"

namespace {
const TAnchors AnchorAlign[] = {
    {akLeft, akTop},                            // alNone
    {akLeft, akTop, akRight},                   // alTop
    {akLeft, akRight, akBottom},                // alBottom
    {akLeft, akTop, akBottom},                  // alLeft
    {akRight, akTop, akBottom},                 // alRight
    {akLeft, akTop, akRight, akBottom},         // alClient
    {akLeft, akTop},                            // alCustom
};
bool Vertical(TAlign A) { return A == alTop || A == alBottom; }
bool Horizontal(TAlign A) { return A == alLeft || A == alRight; }
}  // namespace

// ---- TControl bounds ----------------------------------------------------------------

void TControl::StoreBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
}

bool TControl::CanResize(Integer& NewWidth, Integer& NewHeight) {
  bool Ok = true;
  FireEvent(OnCanResize, this, NewWidth, NewHeight, Ok);
  return Ok;
}

bool TControl::CanAutoSize(Integer&, Integer&) { return true; }

bool TControl::CheckNewSize(Integer& NewWidth, Integer& NewHeight) {
  Integer W = std::max(NewWidth, 0), H = std::max(NewHeight, 0);
  if ((W != FWidth || H != FHeight) && !CanResize(W, H)) return false;
  if (FAutoSize && !ComponentState().Contains(csLoading)) {
    Integer AW = W, AH = H;
    if (CanAutoSize(AW, AH)) {
      W = AW;
      H = AH;
    }
  }
  Integer MinW = FConstraints->MinWidth(), MinH = FConstraints->MinHeight();
  Integer MaxW = FConstraints->MaxWidth(), MaxH = FConstraints->MaxHeight();
  ConstrainedResize(MinW, MinH, MaxW, MaxH);
  TSizeConstraints::Clamp(W, H, MinW, MinH, MaxW, MaxH);
  NewWidth = W;
  NewHeight = H;
  return true;
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (!CheckNewSize(AWidth, AHeight)) return;
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  bool Sized = AWidth != FWidth || AHeight != FHeight;
  InvalidateControl(FVisible, false);
  StoreBounds(ALeft, ATop, AWidth, AHeight);
  UpdateAnchorRules();
  Invalidate();
  RequestAlign();
  if (Sized && !ComponentState().Contains(csLoading)) Resize();
}

void TControl::Resize() { FireEvent(OnResize, this); }

void TControl::SetAutoSize(bool V) {
  if (V == FAutoSize) return;
  FAutoSize = V;
  if (V) AdjustSize();
}

void TControl::AdjustSize() {
  if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FWidth, FHeight);
}

TRect TControl::GetClientRect() { return Rect(0, 0, FWidth, FHeight); }

TPoint TControl::GetClientOrigin() {
  if (!FParent) return Point(FLeft, FTop);
  TPoint P = FParent->ClientOrigin();
  return Point(P.X + FLeft, P.Y + FTop);
}

void TControl::SetClientWidth(Integer V) { SetWidth(FWidth - ClientWidth() + V); }
void TControl::SetClientHeight(Integer V) { SetHeight(FHeight - ClientHeight() + V); }

void TControl::SetClientSize(const TSize& S) {
  TRect C = ClientRect();
  SetBounds(FLeft, FTop, FWidth - C.Width() + S.cx, FHeight - C.Height() + S.cy);
}

TPoint TControl::ClientToScreen(const TPoint& P) {
  TPoint O = ClientOrigin();
  return Point(P.X + O.X, P.Y + O.Y);
}

TPoint TControl::ScreenToClient(const TPoint& P) {
  TPoint O = ClientOrigin();
  return Point(P.X - O.X, P.Y - O.Y);
}

TPoint TControl::ClientToParent(const TPoint& P, TWinControl* AParent) {
  if (!AParent) AParent = FParent;
  TPoint R = P;
  for (TControl* C = this; C != AParent; C = C->FParent) {
    if (!C->FParent) throw EInvalidOperation(Format("Steuerelement '%s' hat kein übergeordnetes Fenster", {Name()}));
    R.X += C->FLeft;
    R.Y += C->FTop;
  }
  return R;
}

TPoint TControl::ParentToClient(const TPoint& P, TWinControl* AParent) {
  TPoint Zero = ClientToParent(Point(0, 0), AParent);
  return Point(P.X - Zero.X, P.Y - Zero.Y);
}

// ---- Align and anchors -----------------------------------------------------------------

void TControl::SetAlign(TAlign V) {
  if (V == FAlign) return;
  TAlign Old = FAlign;
  FAlign = V;
  FAnchors = AnchorAlign[V];
  // Turning a top/bottom bar into a left/right one keeps its thickness.
  if (!ComponentState().Contains(csLoading) &&
      ((Vertical(Old) && Horizontal(V)) || (Horizontal(Old) && Vertical(V))))
    SetBounds(FLeft, FTop, FHeight, FWidth);
  RequestAlign();
}

void TControl::SetAnchors(TAnchors V) {
  if (V == FAnchors) return;
  FAnchors = V;
  if (!ComponentState().Contains(csLoading)) UpdateAnchorRules();
}

void TControl::RequestAlign() {
  if (FParent) FParent->AlignControl(this);
}

void TControl::UpdateAnchorRules() {
  if (FAnchorMove || ComponentState().Contains(csLoading)) return;
  if (FAnchors == TAnchors{akLeft, akTop} || !FParent) {
    FOriginalParentSize = Point(0, 0);
    return;
  }
  if (FAnchors.Contains(akRight))
    FAnchorRules.X = FAnchors.Contains(akLeft) ? FWidth : FLeft;
  else
    FAnchorRules.X = FLeft + FWidth / 2;
  if (FAnchors.Contains(akBottom))
    FAnchorRules.Y = FAnchors.Contains(akTop) ? FHeight : FTop;
  else
    FAnchorRules.Y = FTop + FHeight / 2;
  TRect C = FParent->ClientRect();
  FOriginalParentSize = Point(C.Width(), C.Height());
}

void TControl::AnchorsMoved(Integer ParentWidth, Integer ParentHeight) {
  if (FOriginalParentSize.X == 0 || FOriginalParentSize.Y == 0) return;
  Integer L = FLeft, T = FTop, W = FWidth, H = FHeight;
  if (FAnchors.Contains(akRight)) {
    if (FAnchors.Contains(akLeft))
      W = ParentWidth - (FOriginalParentSize.X - FAnchorRules.X);
    else
      L = ParentWidth - (FOriginalParentSize.X - FAnchorRules.X);
  } else if (!FAnchors.Contains(akLeft)) {
    L = MulDiv(FAnchorRules.X, ParentWidth, FOriginalParentSize.X) - W / 2;
  }
  if (FAnchors.Contains(akBottom)) {
    if (FAnchors.Contains(akTop))
      H = ParentHeight - (FOriginalParentSize.Y - FAnchorRules.Y);
    else
      T = ParentHeight - (FOriginalParentSize.Y - FAnchorRules.Y);
  } else if (!FAnchors.Contains(akTop)) {
    T = MulDiv(FAnchorRules.Y, ParentHeight, FOriginalParentSize.Y) - H / 2;
  }
  FAnchorMove = true;
  try {
    SetBounds(L, T, W, H);
  } catch (...) {
    FAnchorMove = false;
    throw;
  }
  FAnchorMove = false;
}

// ---- Scaling -----------------------------------------------------------------------

void TControl::ChangeScale(Integer M, Integer D) {
  if (M == D || D == 0) return;
  Integer X = MulDiv(FLeft, M, D), Y = MulDiv(FTop, M, D);
  Integer W = FControlStyle.Contains(csFixedWidth) ? FWidth : MulDiv(FLeft + FWidth, M, D) - X;
  Integer H = FControlStyle.Contains(csFixedHeight) ? FHeight : MulDiv(FTop + FHeight, M, D) - Y;
  SetBounds(X, Y, W, H);
  if (!FParentFont) {
    FFont->SetSize(MulDiv(FFont->Size(), M, D));
    FParentFont = false;
  }
}

void TWinControl::ChangeScale(Integer M, Integer D) {
  if (M == D || D == 0) return;
  DisableAlign();
  try {
    for (Integer I = 0; I < ControlCount(); ++I) Controls(I)->ChangeScale(M, D);
    TControl::ChangeScale(M, D);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
}

void TWinControl::ScaleBy(Integer M, Integer D) {
  TRect R = BoundsRect();
  ChangeScale(M, D);
  SetBounds(R.Left, R.Top, FWidth, FHeight);
}

// ---- TWinControl bounds ------------------------------------------------------------------

void TWinControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (!CheckNewSize(AWidth, AHeight)) return;
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  bool Sized = AWidth != FWidth || AHeight != FHeight;
  StoreBounds(ALeft, ATop, AWidth, AHeight);
  if (FHandle) SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  // As after the window's WM_SIZE: own children first, then the parent.
  if (Sized) ResizeChildren();
  UpdateAnchorRules();
  RequestAlign();
}

void TWinControl::ResizeChildren() {
  Realign();
  if (!ComponentState().Contains(csLoading)) Resize();
}

void TWinControl::UpdateBounds() {
  if (!FHandle) return;
  TRect R = GetWindowRect(FHandle);
  HWND ParentWnd = GetParent(FHandle);
  if (ParentWnd && (GetWindowLong(FHandle, GWL_STYLE) & WS_CHILD)) {
    TPoint P = ::ScreenToClient(ParentWnd, R.TopLeft());
    OffsetRect(R, P.X - R.Left, P.Y - R.Top);
  }
  if (R == BoundsRect()) return;
  bool Sized = R.Width() != FWidth || R.Height() != FHeight;
  StoreBounds(R.Left, R.Top, R.Width(), R.Height());
  UpdateAnchorRules();
  if (Sized) ResizeChildren();
}

void TWinControl::WMSize(TMessage& M) {
  UpdateBounds();
  Inherited(TWinControl::StaticClass(), M);
}

void TWinControl::WMMove(TMessage& M) {
  UpdateBounds();
  Inherited(TWinControl::StaticClass(), M);
}

TRect TWinControl::GetClientRect() {
  if (FHandle) return ::GetClientRect(FHandle);
  return TControl::GetClientRect();
}

TPoint TWinControl::GetClientOrigin() {
  if (FHandle) return ::ClientToScreen(FHandle, Point(0, 0));
  return TControl::GetClientOrigin();
}

void TWinControl::SetBorderWidth(Integer V) {
  if (V < 0) V = 0;
  if (V == FBorderWidth) return;
  FBorderWidth = V;
  Realign();
  Invalidate();
}

// BorderWidth keeps a margin free inside the client area.
void TWinControl::AdjustClientRect(TRect& Rect) { InflateRect(Rect, -FBorderWidth, -FBorderWidth); }

// ---- Alignment -----------------------------------------------------------------------------

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (--FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (ComponentState().Contains(csDestroying)) return;
  if (FAlignLevel != 0 || ComponentState().Contains(csLoading)) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  DisableAlign();
  try {
    TRect R = GetClientRect();
    AlignControls(AControl, R);
  } catch (...) {
    FControlState.Exclude(csAlignmentNeeded);
    EnableAlign();
    throw;
  }
  FControlState.Exclude(csAlignmentNeeded);
  EnableAlign();
}

namespace {
// True when Control goes before Other in the stacking of alignment A.
bool InsertBefore(TControl* C1, TControl* C2, TAlign A) {
  switch (A) {
    case alTop: return C1->Top() < C2->Top();
    case alBottom: return C1->Top() + C1->Height() >= C2->Top() + C2->Height();
    case alLeft: return C1->Left() < C2->Left();
    case alRight: return C1->Left() + C1->Width() >= C2->Left() + C2->Width();
    default: return false;
  }
}

// Places Control at its edge of Rect and takes the space it uses from Rect.
void DoPosition(TControl* Control, TAlign A, TRect& Rect) {
  Integer W = Rect.Right - Rect.Left, H = Rect.Bottom - Rect.Top;
  if (W < 0 || A == alLeft || A == alRight) W = Control->Width();
  if (H < 0 || A == alTop || A == alBottom) H = Control->Height();
  Integer L = Rect.Left, T = Rect.Top;
  switch (A) {
    case alTop: Rect.Top += H; break;
    case alBottom: Rect.Bottom -= H; T = Rect.Bottom; break;
    case alLeft: Rect.Left += W; break;
    case alRight: Rect.Right -= W; L = Rect.Right; break;
    default: break;
  }
  Control->SetBounds(L, T, W, H);
  // A control that refused the size (constraints) gives back or takes
  // the difference.
  Integer DW = W - Control->Width(), DH = H - Control->Height();
  switch (A) {
    case alTop: Rect.Top -= DH; break;
    case alBottom: Rect.Bottom += DH; break;
    case alLeft: Rect.Left -= DW; break;
    case alRight: Rect.Right += DW; break;
    case alClient: Rect.Right -= DW; Rect.Bottom -= DH; break;
    default: break;
  }
}
}  // namespace

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  TRect Full = Rect;
  AdjustClientRect(Rect);
  FControlState.Include(csAligning);
  for (TAlign A : {alTop, alBottom, alLeft, alRight, alClient, alNone}) {
    std::vector<TControl*> List;
    if (AControl && AControl->FParent == this && AControl->FAlign == A && (A == alNone || AControl->FVisible))
      List.push_back(AControl);
    for (Integer I = 0; I < ControlCount(); ++I) {
      TControl* C = Controls(I);
      if (C == AControl || C->FAlign != A || (A != alNone && !C->FVisible)) continue;
      size_t J = 0;
      while (J < List.size() && !InsertBefore(C, List[J], A)) ++J;
      List.insert(List.begin() + J, C);
    }
    for (TControl* C : List) {
      if (C->FAnchors != AnchorAlign[A]) C->AnchorsMoved(Full.Width(), Full.Height());
      if (A == alNone) continue;
      C->FAnchorMove = true;
      try {
        DoPosition(C, A, Rect);
      } catch (...) {
        C->FAnchorMove = false;
        FControlState.Exclude(csAligning);
        throw;
      }
      C->FAnchorMove = false;
    }
  }
  FControlState.Exclude(csAligning);
}
