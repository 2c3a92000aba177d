// TCanvas: block transfers with raster operations, transparent and alpha
// blits, pattern fills, and drawing graphics.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gui/graphics_bitmap.h"
#include "platform/gui/graphics_canvas.h"

namespace {

// Whether a ternary raster operation reads the pattern or the source.
bool RopUsesPattern(Cardinal Rop) {
  Cardinal t = (Rop >> 16) & 0xFF;
  return ((t >> 4) & 0x0F) != (t & 0x0F);
}
bool RopUsesSource(Cardinal Rop) {
  Cardinal t = (Rop >> 16) & 0xFF;
  return ((t >> 2) & 0x33) != (t & 0x33);
}

// A private copy of a surface, for blits whose source is their target.
struct TSurfaceCopy {
  std::vector<Byte> Data;
  TPixelSurface Surface;
  explicit TSurfaceCopy(const TPixelSurface& S)
      : Data(S.Bits, S.Bits + size_t(S.Stride) * S.Height), Surface(S) {
    Surface.Bits = Data.data();
  }
};

}  // namespace

// Walks the visible device pixels of the logical rectangle Dest and
// hands each one its nearest source pixel (or none when Source is not
// valid): Fn(X, Y, SourcePixelPointer or null).
template <class F>
static void ForEachBlitPixel(TCanvas& Canvas, const TRect& Dest, const TPixelSurface& Source,
                             const TRect& SourceRect, F&& Fn) {
  TRect d = Canvas.LogicalToSurface(Dest);
  if (d.IsEmpty()) return;
  Integer sw = SourceRect.Width(), sh = SourceRect.Height();
  bool withSource = Source.Valid() && sw > 0 && sh > 0;
  for (Integer y = d.Top; y < d.Bottom; ++y) {
    Integer sy = withSource ? SourceRect.Top + Integer(Int64(y - d.Top) * sh / d.Height()) : 0;
    if (withSource && (sy < 0 || sy >= Source.Height)) continue;
    Canvas.ForEachVisibleSpan(y, d.Left, d.Right, [&](Integer yy, Integer a, Integer e) {
      for (Integer x = a; x < e; ++x) {
        if (!withSource) { Fn(x, yy, nullptr); continue; }
        Integer sx = SourceRect.Left + Integer(Int64(x - d.Left) * sw / d.Width());
        if (sx >= 0 && sx < Source.Width) Fn(x, yy, Source.Pixel(sx, sy));
      }
    });
  }
}

bool TCanvas::CopyRows(const TRect& Dest, const TPixelSurface& Source, const TRect& SourceRect) {
  // Only the plain case: four-byte pixels on both sides, one source pixel
  // for each device pixel. Each pixel is what the walk below would set.
  const TRect d = LogicalToSurface(Dest);
  if (FSurface.BytesPerPixel != 4 || Source.BytesPerPixel != 4 || d.Width() != SourceRect.Width() ||
      d.Height() != SourceRect.Height())
    return false;
  if (d.IsEmpty()) return true;
  const Integer Dx = SourceRect.Left - d.Left, Dy = SourceRect.Top - d.Top;
  for (Integer y = d.Top; y < d.Bottom; ++y) {
    const Integer sy = y + Dy;
    if (sy < 0 || sy >= Source.Height) continue;
    ForEachVisibleSpan(y, d.Left, d.Right, [&](Integer yy, Integer a, Integer e) {
      a = std::max(a, -Dx);
      e = std::min(e, Source.Width - Dx);
      const Byte* From = Source.Pixel(a + Dx, sy);
      Byte* To = FSurface.Pixel(a, yy);
      for (Integer x = a; x < e; ++x, From += 4, To += 4) {
        std::uint32_t P;
        std::memcpy(&P, From, 4);
        P |= 0xFF000000u;  // the alpha byte of a written pixel
        std::memcpy(To, &P, 4);
      }
    });
  }
  return true;
}

void TCanvas::StretchBltSurface(const TRect& Dest, const TPixelSurface& Source,
                                const TRect& SourceRect, Cardinal Rop) {
  bool usesSource = RopUsesSource(Rop), usesPattern = RopUsesPattern(Rop);
  if (usesSource && !Source.Valid()) return;
  Changing();
  RealizeTools();
  std::optional<TSurfaceCopy> copy;
  if (usesSource && Source.Bits == FSurface.Bits) copy.emplace(Source);
  const TPixelSurface& src = copy ? copy->Surface : Source;
  if (Rop == SRCCOPY && CopyRows(Dest, src, SourceRect)) {
    Changed();
    return;
  }
  ForEachBlitPixel(*this, Dest, usesSource ? src : TPixelSurface{}, SourceRect,
                   [&](Integer x, Integer y, const Byte* s) {
                     TColorRef p = 0;
                     if (usesPattern) {
                       auto b = BrushPixel(x, y);
                       if (!b) return;
                       p = *b;
                     }
                     TColorRef sc = s ? (s[2] | (s[1] << 8) | (s[0] << 16)) : 0;
                     FSurface.Set(x, y, ApplyRop3(Rop, p, sc, FSurface.Get(x, y)));
                   });
  Changed();
}

void TCanvas::TransparentBltSurface(const TRect& Dest, const TPixelSurface& Source,
                                    const TRect& SourceRect, TColorRef Key) {
  if (!Source.Valid()) return;
  Changing();
  ForEachBlitPixel(*this, Dest, Source, SourceRect, [&](Integer x, Integer y, const Byte* s) {
    TColorRef sc = s[2] | (s[1] << 8) | (s[0] << 16);
    if (sc != Key) FSurface.Set(x, y, sc);
  });
  Changed();
}

void TCanvas::AlphaBlendSurface(const TRect& Dest, const TPixelSurface& Source,
                                const TRect& SourceRect, Byte ConstantAlpha) {
  if (!Source.Valid()) return;
  Changing();
  ForEachBlitPixel(*this, Dest, Source, SourceRect, [&](Integer x, Integer y, const Byte* s) {
    unsigned a = Source.BytesPerPixel == 4 ? s[3] : 255;
    a = (a * ConstantAlpha + 127) / 255;
    if (a == 0) return;
    TColorRef sc = s[2] | (s[1] << 8) | (s[0] << 16);
    if (a == 255) return FSurface.Set(x, y, sc);
    TColorRef d = FSurface.Get(x, y), r = 0;
    for (int sh = 0; sh < 24; sh += 8) {
      unsigned c = ((sc >> sh) & 0xFF) * a + ((d >> sh) & 0xFF) * (255 - a);
      r |= ((c + 127) / 255) << sh;
    }
    FSurface.Set(x, y, r);
  });
  Changed();
}

void TCanvas::PatBlt(const TRect& R, Cardinal Rop) {
  StretchBltSurface(R, TPixelSurface{}, TRect{}, Rop);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SourceRect) {
  StretchBltSurface(Dest, Source.FSurface, Source.LogicalToSurface(SourceRect), FCopyMode);
}

void TCanvas::Draw(Integer X, Integer Y, TGraphic* Graphic) {
  if (Graphic && !Graphic->Empty())
    Graphic->Draw(*this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (Graphic && !Graphic->Empty()) Graphic->Draw(*this, R);
}

void BitBlt(TCanvas& Dest, Integer X, Integer Y, Integer W, Integer H, TCanvas& Source,
            Integer XSrc, Integer YSrc, Cardinal Rop) {
  Dest.StretchBltSurface(Bounds(X, Y, W, H), Source.Surface(),
                         Source.LogicalToSurface(Bounds(XSrc, YSrc, W, H)), Rop);
}

void StretchBlt(TCanvas& Dest, Integer X, Integer Y, Integer W, Integer H, TCanvas& Source,
                Integer XSrc, Integer YSrc, Integer WSrc, Integer HSrc, Cardinal Rop) {
  Dest.StretchBltSurface(Bounds(X, Y, W, H), Source.Surface(),
                         Source.LogicalToSurface(Bounds(XSrc, YSrc, WSrc, HSrc)), Rop);
}
