// Painting of controls: invalidation, the WM_PAINT path of windowed
// controls (PaintHandler, PaintWindow, PaintControls for the children
// without window), background erasing, double buffering, PaintTo, device
// contexts, and the painted classes TCustomControl and TGraphicControl.
#include "platform/gui/controls.h"
#include "platform/rtl/format.h"

RTL_IMPLEMENT_CLASS(TControlCanvas, TCanvas, nullptr)
RTL_IMPLEMENT_CLASS(TCustomControl, TWinControl, &ComponentFactory<TCustomControl>)
RTL_IMPLEMENT_CLASS(TGraphicControl, TControl, &ComponentFactory<TGraphicControl>)

namespace {
// Saves the DC's state and restores it on leaving the scope.
class TSavedDC {
 public:
  explicit TSavedDC(TCanvas& DC) : FDC(DC), FIndex(DC.SaveDC()) {}
  ~TSavedDC() { FDC.RestoreDC(FIndex); }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  TCanvas& FDC;
  Integer FIndex;
};

TCanvas* MessageDC(const TMessage& M) { return reinterpret_cast<TCanvas*>(M.WParam); }
}  // namespace

// ---- Invalidation ----------------------------------------------------------------------

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || !FParent || !FParent->HandleAllocated()) return;
  TRect R = BoundsRect();
  InvalidateRect(FParent->Handle(), &R, !(IsOpaque || FParent->FControlStyle.Contains(csOpaque)));
}

void TControl::Invalidate() { InvalidateControl(FVisible, FControlStyle.Contains(csOpaque)); }

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::SetParentBackground(bool V) {
  if (V == ParentBackground()) return;
  if (V)
    FControlStyle.Include(csParentBackground);
  else
    FControlStyle.Exclude(csParentBackground);
  Invalidate();
}

// ---- WM_PAINT ----------------------------------------------------------------------------

void TWinControl::WMPaint(TMessage& M) {
  if (M.WParam == 0 && FDoubleBuffered && FHandle) {
    PAINTSTRUCT PS;
    TCanvas* DC = BeginPaint(FHandle, PS);
    try {
      TRect R = PS.rcPaint;
      if (DC && !R.IsEmpty()) {
        TBitmap Buffer;
        Buffer.SetSize(R.Width(), R.Height());
        TCanvas* Mem = Buffer.Canvas();
        MoveWindowOrg(*Mem, -R.Left, -R.Top);
        Perform(WM_ERASEBKGND, WPARAM(Mem), LPARAM(Mem));
        Perform(WM_PAINT, WPARAM(Mem), 0);
        DC->StretchBltSurface(R, Buffer.PixelSurface(), Rect(0, 0, R.Width(), R.Height()), SRCCOPY);
      }
    } catch (...) {
      EndPaint(FHandle, PS);
      throw;
    }
    EndPaint(FHandle, PS);
    return;
  }
  if (M.WParam == 0 && FControls.empty() && !FControlState.Contains(csCustomPaint)) {
    Inherited(TWinControl::StaticClass(), M);
    return;
  }
  PaintHandler(M);
}

void TWinControl::PaintHandler(TMessage& M) {
  TCanvas* DC = MessageDC(M);
  PAINTSTRUCT PS;
  if (!DC) {
    if (!FHandle) return;
    DC = BeginPaint(FHandle, PS);
    if (!DC) {
      EndPaint(FHandle, PS);
      return;
    }
  }
  try {
    {
      TSavedDC Saved(*DC);
      // Opaque children cover their area: the window need not paint there.
      for (TControl* C : FControls)
        if (C->FVisible && C->FControlStyle.Contains(csOpaque))
          DC->ExcludeClipRect(C->FLeft, C->FTop, C->FLeft + C->FWidth, C->FTop + C->FHeight);
      if (!DC->ClipRect().IsEmpty()) PaintWindow(*DC);
    }
    PaintControls(*DC, nullptr);
  } catch (...) {
    if (!M.WParam) EndPaint(FHandle, PS);
    throw;
  }
  if (!M.WParam) EndPaint(FHandle, PS);
}

// A plain windowed control has nothing of its own to paint.
void TWinControl::PaintWindow(TCanvas&) {}

void TWinControl::PaintControls(TCanvas& DC, TControl* First) {
  size_t I = 0;
  if (First)
    for (size_t J = 0; J < FControls.size(); ++J)
      if (FControls[J] == First) I = J;
  for (; I < FControls.size(); ++I) {
    TControl* C = FControls[I];
    if (!C->FVisible || !DC.RectVisible(C->BoundsRect())) continue;
    if (FControlState.Contains(csPaintCopy)) C->FControlState.Include(csPaintCopy);
    {
      TSavedDC Saved(DC);
      MoveWindowOrg(DC, C->FLeft, C->FTop);
      DC.IntersectClipRect(0, 0, C->FWidth, C->FHeight);
      C->Perform(WM_PAINT, WPARAM(&DC), 0);
    }
    C->FControlState.Exclude(csPaintCopy);
  }
}

// Erases with the brush, or with the parent's background. A double
// buffered control erases only into its off-screen bitmap (the bitmap
// comes as wParam and lParam alike).
void TWinControl::WMEraseBkgnd(TMessage& M) {
  M.Result = 1;
  TCanvas* DC = MessageDC(M);
  if (!DC || (FDoubleBuffered && M.WParam != WPARAM(M.LParam))) return;
  if (ParentBackground() && FParent) {
    TSavedDC Saved(*DC);
    MoveWindowOrg(*DC, -FLeft, -FTop);
    FParent->Perform(WM_ERASEBKGND, WPARAM(DC), LPARAM(DC));
    return;
  }
  TBrush Old;
  Old.Assign(DC->Brush());
  DC->Brush()->Assign(FBrush.get());
  DC->FillRect(ClientRect());
  DC->Brush()->Assign(&Old);
}

// ---- PaintTo and device contexts ----------------------------------------------------------

void TControl::PaintTo(TCanvas& DC, Integer X, Integer Y) {
  FControlState.Include(csPaintCopy);
  {
    TSavedDC Saved(DC);
    MoveWindowOrg(DC, X, Y);
    DC.IntersectClipRect(0, 0, FWidth, FHeight);
    Perform(WM_PAINT, WPARAM(&DC), 0);
  }
  FControlState.Exclude(csPaintCopy);
}

void TWinControl::PaintTo(TCanvas& DC, Integer X, Integer Y) {
  FControlState.Include(csPaintCopy);
  try {
    TSavedDC Saved(DC);
    MoveWindowOrg(DC, X, Y);
    DC.IntersectClipRect(0, 0, FWidth, FHeight);
    if (FHandle) {
      // The client area may lie inside a border.
      TRect W = GetWindowRect(FHandle);
      TPoint C = ::ClientToScreen(FHandle, Point(0, 0));
      MoveWindowOrg(DC, C.X - W.Left, C.Y - W.Top);
      TRect Client = ClientRect();
      DC.IntersectClipRect(0, 0, Client.Width(), Client.Height());
    }
    Perform(WM_ERASEBKGND, WPARAM(&DC), LPARAM(&DC));
    Perform(WM_PAINT, WPARAM(&DC), 0);
    for (TWinControl* Child : FWinControls)
      if (Child->FVisible) Child->PaintTo(DC, Child->FLeft, Child->FTop);
  } catch (...) {
    FControlState.Exclude(csPaintCopy);
    throw;
  }
  FControlState.Exclude(csPaintCopy);
}

TCanvas* TControl::GetDeviceContext(HWND& WindowHandle) {
  if (!FParent) throw EInvalidOperation(Format("Element '%s' hat kein übergeordnetes Fenster", {Name()}));
  TCanvas* DC = FParent->GetDeviceContext(WindowHandle);
  MoveWindowOrg(*DC, FLeft, FTop);
  DC->IntersectClipRect(0, 0, FWidth, FHeight);
  return DC;
}

TCanvas* TWinControl::GetDeviceContext(HWND& WindowHandle) {
  WindowHandle = Handle();
  TCanvas* DC = GetDC(WindowHandle);
  if (!DC) throw EInvalidOperation(Format("Kein Gerätekontext für '%s'", {Name()}));
  return DC;
}

// ---- Canvases of painted controls ---------------------------------------------------------

TControlCanvas::TControlCanvas(TControl* Control)
    : FControl(Control), FDCPen(std::make_unique<TPen>()), FDCBrush(std::make_unique<TBrush>()),
      FDCFont(std::make_unique<TFont>()) {}

TControlCanvas::~TControlCanvas() = default;

void TControlCanvas::Lend(TCanvas& DC) {
  FDCPen->Assign(DC.Pen());
  FDCBrush->Assign(DC.Brush());
  FDCFont->Assign(DC.Font());
  FDCPenPos = DC.PenPos();
  FDCCopyMode = DC.CopyMode();
  DC.Pen()->Assign(Pen());
  DC.Brush()->Assign(Brush());
  DC.Font()->Assign(Font());
  DC.SetPenPos(PenPos());
  DC.SetCopyMode(CopyMode());
}

void TControlCanvas::Return(TCanvas& DC) {
  Pen()->Assign(DC.Pen());
  Brush()->Assign(DC.Brush());
  Font()->Assign(DC.Font());
  SetPenPos(DC.PenPos());
  SetCopyMode(DC.CopyMode());
  DC.Pen()->Assign(FDCPen.get());
  DC.Brush()->Assign(FDCBrush.get());
  DC.Font()->Assign(FDCFont.get());
  DC.SetPenPos(FDCPenPos);
  DC.SetCopyMode(FDCCopyMode);
}

void TPaintCanvas::PaintOn(TCanvas& DC, const std::function<void()>& Paint) {
  FOwn->Lend(DC);
  FPaintDC = &DC;
  try {
    Paint();
  } catch (...) {
    FPaintDC = nullptr;
    FOwn->Return(DC);
    throw;
  }
  FPaintDC = nullptr;
  FOwn->Return(DC);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
  // Painted by Paint even without children: PaintHandler runs always.
  FControlState.Include(csCustomPaint);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(TCanvas& DC) {
  FCanvas.PaintOn(DC, [this] { Paint(); });
}

RTL_MESSAGE_MAP(TGraphicControl) { M.On(WM_PAINT, &TGraphicControl::WMPaint); }

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WMPaint(TMessage& M) {
  TCanvas* DC = MessageDC(M);
  if (!DC || FWidth <= 0 || FHeight <= 0) return;
  FCanvas.PaintOn(*DC, [this] { Paint(); });
}
