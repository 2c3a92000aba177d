// The desktop overlay: an image over the virtual screen and the shaped,
// top-most window that shows its non-black pixels.
#include <memory>

#include "platform/gui/desktop_overlay.h"
#include "platform/gui/graphics_bitmap.h"

namespace {

struct TOverlay {
  std::unique_ptr<TBitmap> Image;  // the virtual screen, black where nothing is drawn
  TRect Area;                      // desktop rectangle of the image
  HWND Wnd = nullptr;
  bool Handed = false;
};

TOverlay& Overlay() {
  static TOverlay O;
  return O;
}

TRect VirtualScreen() {
  TRect R;
  for (int i = 1; i <= GetMonitorCount(); ++i) {
    TMonitorInfo M;
    if (GetMonitorInfo(i, M)) UnionRect(R, R, M.rcMonitor);
  }
  return R;
}

// The non-black pixels of the image as a region (image coordinates).
TRegion DrawnRegion(const TPixelSurface& S) {
  TRegion R;
  for (Integer Y = 0; Y < S.Height; ++Y) {
    Integer X = 0;
    while (X < S.Width) {
      while (X < S.Width && S.Get(X, Y) == 0) ++X;
      Integer Start = X;
      while (X < S.Width && S.Get(X, Y) != 0) ++X;
      if (X > Start) R = R.Union(TRegion(Rect(Start, Y, X, Y + 1)));
    }
  }
  return R;
}

LRESULT OverlayProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT Ps;
      TCanvas* C = BeginPaint(Wnd, Ps);
      TOverlay& O = Overlay();
      if (C && O.Image) {
        const TPixelSurface& S = O.Image->PixelSurface();
        C->StretchBltSurface(Rect(0, 0, S.Width, S.Height), S, Rect(0, 0, S.Width, S.Height), SRCCOPY);
      }
      EndPaint(Wnd, Ps);
      return 0;
    }
  }
  return DefWindowProc(Wnd, Msg, WParam, LParam);
}

}  // namespace

TCanvas* GetDesktopDC() {
  TOverlay& O = Overlay();
  if (!O.Image) {
    O.Area = VirtualScreen();
    O.Image = std::make_unique<TBitmap>();
    O.Image->SetPixelFormat(pf32bit);
    O.Image->SetSize(std::max(O.Area.Width(), 1), std::max(O.Area.Height(), 1));
    TCanvas* C = O.Image->Canvas();
    C->Brush()->SetColor(0);
    C->FillRect(Rect(0, 0, O.Image->Width(), O.Image->Height()));
  }
  TCanvas* C = O.Image->Canvas();
  if (!O.Handed) {
    C->SelectClipRgn(nullptr);
    C->SetWindowOrgEx(O.Area.Left, O.Area.Top);  // desktop coordinates
    O.Handed = true;
  }
  return C;
}

bool IsDesktopDC(TCanvas* DC) {
  TOverlay& O = Overlay();
  return DC && O.Image && DC == O.Image->Canvas();
}

void ReleaseDesktopDC(TCanvas* DC) {
  if (!IsDesktopDC(DC)) return;
  TOverlay& O = Overlay();
  O.Handed = false;
  TRegion Drawn = DrawnRegion(O.Image->PixelSurface());
  if (Drawn.IsEmpty()) {
    ClearDesktopOverlay();
    return;
  }
  if (!O.Wnd || !IsWindow(O.Wnd))
    O.Wnd = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT,
                           "TDesktopOverlay", "", WS_POPUP, O.Area.Left, O.Area.Top, O.Area.Width(),
                           O.Area.Height(), nullptr, nullptr, OverlayProc);
  SetWindowRgn(O.Wnd, &Drawn, false);
  InvalidateRect(O.Wnd, nullptr, false);
  if (!IsWindowVisible(O.Wnd)) ShowWindow(O.Wnd, SW_SHOWNA);
  SetWindowPos(O.Wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  UpdateWindow(O.Wnd);
}

HWND DesktopOverlayWindow() {
  TOverlay& O = Overlay();
  return O.Wnd && IsWindow(O.Wnd) ? O.Wnd : nullptr;
}

void ClearDesktopOverlay() {
  TOverlay& O = Overlay();
  if (O.Wnd && IsWindow(O.Wnd)) DestroyWindow(O.Wnd);
  O.Wnd = nullptr;
  O.Image.reset();
  O.Handed = false;
}
