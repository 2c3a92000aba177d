// The back buffer of an X11 native window: B, G, R, A rows that the window
// manager paints. When the server's pixels are B, G, R, X bytes the buffer
// lies in memory shared with the server if it can (x11_shm.cpp), else an
// XImage wraps it and XPutImage sends the shown rectangle; for other
// pixel formats the rectangle is converted into an XImage of the
// server's format first.
#include "platform/gui/x11_internal.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace x11 {

namespace {

// Where a colour mask's lowest bit sits and how many bits it has.
struct TChannel {
  int Shift = 0, Bits = 0;
  explicit TChannel(unsigned long Mask) {
    while (Mask && !(Mask & 1)) Mask >>= 1, ++Shift;
    while (Mask & 1) Mask >>= 1, ++Bits;
  }
  unsigned long Put(unsigned Value8) const {
    return Bits >= 8 ? (unsigned long)Value8 << (Shift + Bits - 8) : (unsigned long)(Value8 >> (8 - Bits)) << Shift;
  }
};

}  // namespace

TPixelSurface TX11Window::Surface() {
  TPixelSurface s;
  s.Bits = FBits;
  s.Width = FWidth, s.Height = FHeight;
  s.Stride = FWidth * 4, s.BytesPerPixel = 4;
  return s;
}

// Keeps the pixels that stay inside; new ones start white, as the window's
// background.
void TX11Window::ResizeBuffer(int W, int H) {
  const unsigned char* old = FBits;
  int ow = FWidth, oh = FHeight;
  // The old pixels stay alive until they are copied.
  std::unique_ptr<TShmBuffer> oldShm = std::move(FShm);
  std::vector<unsigned char> oldPixels;
  oldPixels.swap(FPixels);
  FreeImage();
  NewBuffer(W, H);
  if (!FBits) return;
  std::memset(FBits, 0xFF, size_t(W) * H * 4);
  for (int y = 0; y < std::min(H, oh); ++y)
    std::memcpy(FBits + size_t(y) * W * 4, old + size_t(y) * ow * 4, size_t(std::min(W, ow)) * 4);
}

void TX11Window::NewBuffer(int W, int H) {
  FWidth = std::max(W, 0), FHeight = std::max(H, 0);
  FBits = nullptr;
  if (W <= 0 || H <= 0) return;
  const TPixelFormat& f = FDriver.Format();
  if (FDriver.HasShm()) FShm = TShmBuffer::Create(FDpy, f.Depth, W, H);
  if (FShm) {
    FBits = FShm->Bits();
    std::memset(FBits, 0xFF, size_t(W) * H * 4);
    return;
  }
  FPixels.assign(size_t(W) * H * 4, 0xFF);
  FBits = FPixels.data();
  Visual* v = DefaultVisual(FDpy, DefaultScreen(FDpy));
  if (f.Direct) {
    FImage = XCreateImage(FDpy, v, unsigned(f.Depth), ZPixmap, 0, reinterpret_cast<char*>(FBits), unsigned(W),
                          unsigned(H), 32, W * 4);
    if (FImage) FImage->byte_order = LSBFirst, XInitImage(FImage);
    return;
  }
  FImage = XCreateImage(FDpy, v, unsigned(f.Depth), ZPixmap, 0, nullptr, unsigned(W), unsigned(H), 32, 0);
  if (FImage) FImage->data = static_cast<char*>(std::calloc(size_t(FImage->bytes_per_line), size_t(H)));
}

void TX11Window::FreeImage() {
  if (!FImage) return;
  if (FDriver.Format().Direct) FImage->data = nullptr;  // the buffer is ours
  XDestroyImage(FImage);
  FImage = nullptr;
}

void TX11Window::ConvertRect(const TRect& R) {
  const TPixelFormat& f = FDriver.Format();
  TChannel r(f.RedMask), g(f.GreenMask), b(f.BlueMask);
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x) {
      const unsigned char* p = FBits + (size_t(y) * FWidth + x) * 4;
      XPutPixel(FImage, x, y, r.Put(p[2]) | g.Put(p[1]) | b.Put(p[0]));
    }
}

void TX11Window::Put(const TRect& Rect) {
  TRect r;
  if (!FBits || !IntersectRect(r, Rect, Bounds(0, 0, FWidth, FHeight))) return;
  if (FShm) return FShm->Put(FId, FGc, r);
  if (!FImage) return;
  if (!FDriver.Format().Direct) ConvertRect(r);
  XPutImage(FDpy, FId, FGc, FImage, r.Left, r.Top, r.Left, r.Top, unsigned(r.Width()), unsigned(r.Height()));
}

// A shared buffer is read by the server when it handles the request; the
// wait makes sure that it shows the pixels of this moment, not those that
// the window manager paints next.
void TX11Window::Present(const TRect& Dirty) {
  Put(Dirty);
  if (FShm)
    XSync(FDpy, False);
  else
    XFlush(FDpy);
}

}  // namespace x11
