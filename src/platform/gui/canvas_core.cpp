// TCanvas: target, device state, origins, clipping, saved states, raster
// operations and the clipped span writers every primitive goes through.
#include "platform/gui/graphics_bitmap.h"
#include "platform/gui/graphics_canvas.h"

#include <algorithm>
#include <cstring>
#include <utility>

RTL_IMPLEMENT_CLASS(TCanvas, TPersistent, nullptr)

TColorRef ApplyRop3(Cardinal Rop, TColorRef P, TColorRef S, TColorRef D) {
  Cardinal table = (Rop >> 16) & 0xFF;
  switch (table) {
    case 0xCC: return S;
    case 0xF0: return P;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    default: break;
  }
  TColorRef r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(table & (1u << i))) continue;
    r |= ((i & 4) ? P : ~P) & ((i & 2) ? S : ~S) & ((i & 1) ? D : ~D);
  }
  return r & 0xFFFFFF;
}

TColorRef ApplyRop2(Integer Rop2, TColorRef P, TColorRef D) {
  Integer n = Rop2 - 1;
  if (n == 12) return P;
  TColorRef r = ((n & 8) ? (P & D) : 0) | ((n & 4) ? (P & ~D) : 0) |
                ((n & 2) ? (~P & D) : 0) | ((n & 1) ? (~P & ~D) : 0);
  return r & 0xFFFFFF;
}

TCanvas::TCanvas()
    : FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>()),
      FFont(std::make_unique<TFont>()) {
  FPen->OnChange = [this](TObject*) { FPenDirty = true; };
  FBrush->OnChange = [this](TObject*) { FBrushDirty = true; };
  FFont->OnChange = [this](TObject*) { FFontDirty = true; };
}

TCanvas::~TCanvas() = default;

void TCanvas::SetSurface(const TPixelSurface& Surface) {
  FSurface = Surface;
  FWindowOrg = FViewportOrg = FDeviceOrigin = TPoint{};
  FSystemClip.reset();
  FClip.reset();
  FVisible.reset();
  FSaved.clear();
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}
void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::RealizeTools() {
  if (FBrushDirty) {
    FBkColor = ColorToRGB(FBrush->Color()) & 0xFFFFFF;
    FBkMode = FBrush->Style() == bsClear ? TRANSPARENT : OPAQUE;
    FBrushDirty = false;
  }
  if (FPenDirty) {
    FRop2 = PenModeToRop2(FPen->Mode());
    FPenDirty = false;
  }
  if (FFontDirty) {
    FTextColor = ColorToRGB(FFont->Color()) & 0xFFFFFF;
    FFontDirty = false;
  }
}

Integer TCanvas::SetBkMode(Integer Mode) {
  RealizeTools();
  Integer old = FBkMode;
  FBkMode = Mode == TRANSPARENT ? TRANSPARENT : OPAQUE;
  return old;
}
Integer TCanvas::GetBkMode() { RealizeTools(); return FBkMode; }
TColorRef TCanvas::SetBkColor(TColor Color) {
  RealizeTools();
  return std::exchange(FBkColor, ColorToRGB(Color) & 0xFFFFFF);
}
TColorRef TCanvas::GetBkColor() { RealizeTools(); return FBkColor; }
TColorRef TCanvas::SetTextColor(TColor Color) {
  RealizeTools();
  return std::exchange(FTextColor, ColorToRGB(Color) & 0xFFFFFF);
}
TColorRef TCanvas::GetTextColor() { RealizeTools(); return FTextColor; }
Integer TCanvas::SetROP2(Integer Rop2) {
  RealizeTools();
  Integer old = FRop2;
  if (Rop2 >= 1 && Rop2 <= 16) FRop2 = Rop2;
  return old;
}

void TCanvas::SetWindowOrgEx(Integer X, Integer Y, TPoint* Old) {
  if (Old) *Old = FWindowOrg;
  FWindowOrg = {X, Y};
}
void TCanvas::SetViewportOrgEx(Integer X, Integer Y, TPoint* Old) {
  if (Old) *Old = FViewportOrg;
  FViewportOrg = {X, Y};
}
void TCanvas::SetDeviceOrigin(TPoint P) {
  if (FClip) FClip->Offset(P.X - FDeviceOrigin.X, P.Y - FDeviceOrigin.Y);
  for (TDCState& s : FSaved)
    if (s.Clip) s.Clip->Offset(P.X - FDeviceOrigin.X, P.Y - FDeviceOrigin.Y);
  FDeviceOrigin = P;
  FVisible.reset();
}

void TCanvas::SetSystemClip(const TRegion* Rgn) {
  FSystemClip = Rgn ? std::optional<TRegion>(*Rgn) : std::nullopt;
  FVisible.reset();
}

TPoint TCanvas::LogicalToDevice(TPoint P) const {
  return {P.X - FWindowOrg.X + FViewportOrg.X, P.Y - FWindowOrg.Y + FViewportOrg.Y};
}
TPoint TCanvas::DeviceToLogical(TPoint P) const {
  return {P.X + FWindowOrg.X - FViewportOrg.X, P.Y + FWindowOrg.Y - FViewportOrg.Y};
}
TPoint TCanvas::LogicalToSurface(TPoint P) const {
  TPoint d = LogicalToDevice(P);
  return {d.X + FDeviceOrigin.X, d.Y + FDeviceOrigin.Y};
}
TPoint TCanvas::SurfaceToLogical(TPoint P) const {
  return DeviceToLogical({P.X - FDeviceOrigin.X, P.Y - FDeviceOrigin.Y});
}
TRect TCanvas::LogicalToSurface(const TRect& R) const {
  TPoint a = LogicalToSurface(R.TopLeft()), b = LogicalToSurface(R.BottomRight());
  return {a.X, a.Y, b.X, b.Y};
}

const TRegion& TCanvas::VisibleRegion() const {
  if (!FVisible) {
    TRegion all(Rect(0, 0, FSurface.Valid() ? FSurface.Width : 0,
                     FSurface.Valid() ? FSurface.Height : 0));
    if (FSystemClip) all = all.Intersect(*FSystemClip);
    FVisible = FClip ? all.Intersect(*FClip) : all;
  }
  return *FVisible;
}

void TCanvas::SetClip(std::optional<TRegion> Clip) {
  FClip = std::move(Clip);
  FVisible.reset();
}

TRect TCanvas::ClipRect() const {
  TRect r = VisibleRegion().Bounds();
  TPoint a = SurfaceToLogical(r.TopLeft()), b = SurfaceToLogical(r.BottomRight());
  return {a.X, a.Y, b.X, b.Y};
}

Integer TCanvas::IntersectClipRect(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  TRegion r(LogicalToSurface(Rect(Left, Top, Right, Bottom)));
  r.Offset(-FDeviceOrigin.X, -FDeviceOrigin.Y);
  return ExtSelectClipRgn(&r, RGN_AND);
}

Integer TCanvas::ExcludeClipRect(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  TRegion r(LogicalToSurface(Rect(Left, Top, Right, Bottom)));
  r.Offset(-FDeviceOrigin.X, -FDeviceOrigin.Y);
  return ExtSelectClipRgn(&r, RGN_DIFF);
}

Integer TCanvas::SelectClipRgn(const TRegion* Rgn) {
  if (!Rgn) {
    SetClip(std::nullopt);
    return SIMPLEREGION;
  }
  TRegion r = *Rgn;
  r.Offset(FDeviceOrigin.X, FDeviceOrigin.Y);
  SetClip(std::move(r));
  return VisibleRegion().Kind();
}

Integer TCanvas::ExtSelectClipRgn(const TRegion* Rgn, Integer Mode) {
  if (Mode == RGN_COPY) return SelectClipRgn(Rgn);
  if (!Rgn) return RGN_ERROR;
  TRegion base = FClip ? *FClip : TRegion(Rect(0, 0, FSurface.Width, FSurface.Height));
  TRegion r = *Rgn, out;
  r.Offset(FDeviceOrigin.X, FDeviceOrigin.Y);
  if (CombineRgn(out, base, r, Mode) == RGN_ERROR) return RGN_ERROR;
  SetClip(std::move(out));
  return VisibleRegion().Kind();
}

Integer TCanvas::GetClipRgn(TRegion& Rgn) const {
  if (!FClip) return 0;
  Rgn = *FClip;
  Rgn.Offset(-FDeviceOrigin.X, -FDeviceOrigin.Y);
  return 1;
}

bool TCanvas::RectVisible(const TRect& R) const {
  return VisibleRegion().Overlaps(LogicalToSurface(R));
}

Integer TCanvas::SaveDC() {
  RealizeTools();
  FSaved.push_back({FWindowOrg, FViewportOrg, FClip, FBkMode, FBkColor, FTextColor, FRop2});
  return static_cast<Integer>(FSaved.size());
}

bool TCanvas::RestoreDC(Integer Index) {
  Integer n = static_cast<Integer>(FSaved.size());
  Integer i = Index < 0 ? n + Index + 1 : Index;
  if (i < 1 || i > n) return false;
  TDCState s = std::move(FSaved[i - 1]);
  FSaved.resize(i - 1);
  FWindowOrg = s.WindowOrg;
  FViewportOrg = s.ViewportOrg;
  SetClip(std::move(s.Clip));
  FBkMode = s.BkMode;
  FBkColor = s.BkColor;
  FTextColor = s.TextColor;
  FRop2 = s.Rop2;
  return true;
}

void TCanvas::PaintSpanRop2(Integer Y, Integer X0, Integer X1, TColorRef Color, Integer Rop2) {
  Color &= 0xFFFFFF;
  if (Rop2 == 13 && FSurface.BytesPerPixel == 4) {
    // A plain fill of four-byte pixels: the whole span takes one value, the
    // pixel Set would write, stored a row at a time.
    Byte Packed[4];
    TPixelSurface{Packed, 1, 1, 4, 4}.Set(0, 0, Color);
    std::uint32_t Value;
    std::memcpy(&Value, Packed, 4);
    ForEachVisibleSpan(Y, X0, X1, [&](Integer y, Integer a, Integer e) {
      // One pixel, then the filled part copied onto the rest, doubling:
      // block copies instead of a store per pixel.
      Byte* p = FSurface.Pixel(a, y);
      const std::size_t Bytes = std::size_t(e - a) * 4;
      std::memcpy(p, &Value, 4);
      for (std::size_t Done = 4; Done < Bytes;) {
        const std::size_t N = std::min(Done, Bytes - Done);
        std::memcpy(p + Done, p, N);
        Done += N;
      }
    });
    return;
  }
  ForEachVisibleSpan(Y, X0, X1, [&](Integer y, Integer a, Integer e) {
    for (Integer x = a; x < e; ++x)
      FSurface.Set(x, y, Rop2 == 13 ? Color : ApplyRop2(Rop2, Color, FSurface.Get(x, y)));
  });
}

std::optional<TColorRef> TCanvas::BrushPixel(Integer X, Integer Y) {
  TColorRef c = ColorToRGB(FBrush->Color()) & 0xFFFFFF;
  if (TBitmap* bmp = FBrush->Bitmap(); bmp && !bmp->Empty()) {
    const TPixelSurface& s = bmp->PixelSurface();
    return s.Get(((X % s.Width) + s.Width) % s.Width, ((Y % s.Height) + s.Height) % s.Height);
  }
  bool on;
  switch (FBrush->Style()) {
    case bsSolid: return c;
    case bsClear: return std::nullopt;
    case bsHorizontal: on = (Y & 7) == 0; break;
    case bsVertical: on = (X & 7) == 0; break;
    case bsFDiagonal: on = ((X - Y) & 7) == 0; break;
    case bsBDiagonal: on = ((X + Y) & 7) == 0; break;
    case bsCross: on = (Y & 7) == 0 || (X & 7) == 0; break;
    default: on = ((X - Y) & 7) == 0 || ((X + Y) & 7) == 0; break;
  }
  if (on) return c;
  if (FBkMode == OPAQUE) return FBkColor;
  return std::nullopt;
}

void TCanvas::PaintSpanBrush(Integer Y, Integer X0, Integer X1, Integer Rop2) {
  RealizeTools();
  bool solid = FBrush->Style() == bsSolid && !FBrush->Bitmap();
  if (solid) return PaintSpanRop2(Y, X0, X1, ColorToRGB(FBrush->Color()), Rop2);
  if (FBrush->Style() == bsClear && !FBrush->Bitmap()) return;
  ForEachVisibleSpan(Y, X0, X1, [&](Integer y, Integer a, Integer e) {
    for (Integer x = a; x < e; ++x)
      if (auto c = BrushPixel(x, y)) FSurface.Set(x, y, ApplyRop2(Rop2, *c, FSurface.Get(x, y)));
  });
}

void TCanvas::FillSurfaceRegion(const TRegion& Rgn, Integer Rop2) {
  for (const TRegion::TBand& b : Rgn.Bands())
    for (Integer y = b.Top; y < b.Bottom; ++y)
      for (const TRegion::TSpan& s : b.Spans) PaintSpanBrush(y, s.Left, s.Right, Rop2);
}

void TCanvas::BlendCoverageRow(Integer Y, Integer X, const Byte* Coverage, Integer Count,
                               TColorRef Color) {
  ForEachVisibleSpan(Y, X, X + Count, [&](Integer y, Integer a, Integer e) {
    for (Integer x = a; x < e; ++x) {
      unsigned cov = Coverage[x - X];
      if (cov == 0) continue;
      if (cov == 255) { FSurface.Set(x, y, Color); continue; }
      TColorRef d = FSurface.Get(x, y), r = 0;
      for (int sh = 0; sh < 24; sh += 8) {
        unsigned sc = (Color >> sh) & 0xFF, dc = (d >> sh) & 0xFF;
        r |= ((sc * cov + dc * (255 - cov) + 127) / 255) << sh;
      }
      FSurface.Set(x, y, r);
    }
  });
}

void TCanvas::Lock() {
  FLock.lock();
  ++FLockCount;
}
void TCanvas::Unlock() {
  --FLockCount;
  FLock.unlock();
}

void MoveWindowOrg(TCanvas& Canvas, Integer DX, Integer DY) {
  TPoint org = Canvas.GetWindowOrgEx();
  Canvas.SetWindowOrgEx(org.X - DX, org.Y - DY);
}
