// TGraphic and TBitmap: pixels, canvas, transparency, drawing.
#include "platform/gui/graphics_bitmap.h"

RTL_IMPLEMENT_CLASS(EInvalidGraphic, Exception, nullptr)
RTL_IMPLEMENT_CLASS(EInvalidGraphicOperation, Exception, nullptr)
RTL_IMPLEMENT_CLASS(TGraphic, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TBitmap, TGraphic, [](TObject*) -> TObject* { return new TBitmap; })
RTL_IMPLEMENT_CLASS(TPixelGraphic, TGraphic, nullptr)

void TGraphic::SetTransparent(bool V) {
  if (V == FTransparent) return;
  FTransparent = V;
  Changed();
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

// Files are reached through platform/os (case-insensitive names, German
// error texts), by way of the memory stream's file routines.
void TGraphic::LoadFromFile(const String& FileName) {
  TMemoryStream stream;
  stream.LoadFromFile(FileName);
  LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const String& FileName) {
  TMemoryStream stream;
  SaveToStream(&stream);
  stream.SaveToFile(FileName);
}

std::vector<Byte> ReadRemainingBytes(TStream* Stream) {
  std::vector<Byte> out;
  Byte buf[65536];
  for (Int64 n; (n = Stream->Read(buf, sizeof buf)) > 0;) out.insert(out.end(), buf, buf + n);
  return out;
}

void CheckPictureSize(Int64 Width, Int64 Height, const String& Invalid) {
  if (Width <= 0 || Height <= 0) throw EInvalidGraphic(Invalid + ": Größe");
  if (Width > MaxPicturePixels / Height) throw EInvalidGraphic(Invalid + ": zu groß");
}

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

void TBitmap::Allocate(Integer W, Integer H, Integer BytesPerPixel, std::vector<Byte>& Data,
                       TPixelSurface& S) const {
  if (W <= 0 || H <= 0) {
    Data.clear();
    S = TPixelSurface{};
    return;
  }
  Integer stride = (W * BytesPerPixel + 3) & ~3;
  Data.assign(size_t(stride) * H, 0xFF);
  S = {Data.data(), W, H, stride, BytesPerPixel};
}

void TBitmap::Reshape(Integer W, Integer H, Integer BytesPerPixel) {
  std::vector<Byte> data;
  TPixelSurface s;
  Allocate(W, H, BytesPerPixel, data, s);
  Integer cw = std::min(W, FSurface.Width), ch = std::min(H, FSurface.Height);
  for (Integer y = 0; s.Valid() && FSurface.Valid() && y < ch; ++y)
    for (Integer x = 0; x < cw; ++x) {
      const Byte* p = FSurface.Pixel(x, y);
      Byte* q = s.Pixel(x, y);
      q[0] = p[0]; q[1] = p[1]; q[2] = p[2];
      if (BytesPerPixel == 4) q[3] = FSurface.BytesPerPixel == 4 ? p[3] : 255;
    }
  FData = std::move(data);
  FSurface = s;
  SurfaceChanged();
}

void TBitmap::SurfaceChanged() {
  if (FCanvas) FCanvas->SetSurface(FSurface);
  Changed();
}

void TBitmap::SetSize(Integer W, Integer H) {
  if (W == Width() && H == Height()) return;
  Reshape(W, H, FPixelFormat == pf24bit ? 3 : 4);
}

void TBitmap::SetPixelFormat(TPixelFormat V) {
  if (V == FPixelFormat) return;
  FPixelFormat = V;
  Integer bpp = V == pf24bit ? 3 : 4;
  if (bpp != FSurface.BytesPerPixel && FSurface.Valid())
    Reshape(Width(), Height(), bpp);
  else
    FSurface.BytesPerPixel = bpp;
}

Byte* TBitmap::ScanLine(Integer Row) {
  if (Row < 0 || Row >= Height())
    throw EInvalidGraphicOperation("Bereichsüberschreitung bei Zeilenindex");
  return FSurface.Bits + Row * FSurface.Stride;
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>();
    FCanvas->SetSurface(FSurface);
    FCanvas->OnChange = [this](TObject*) { Changed(); };
  }
  return FCanvas.get();
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (Empty()) return clDefault;
  return static_cast<TColor>(FSurface.Get(0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor V) {
  FTransparentColor = V;
  FTransparentMode = V == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetMonochrome(bool V) {
  if (V == FMonochrome) return;
  FMonochrome = V;
  if (V)
    for (Integer y = 0; y < Height(); ++y)
      for (Integer x = 0; x < Width(); ++x)
        FSurface.Set(x, y, FSurface.Get(x, y) == 0xFFFFFF ? 0xFFFFFF : 0);
  Changed();
}

void TBitmap::Draw(TCanvas& Canvas, const TRect& R) {
  if (Empty()) return;
  TRect src{0, 0, Width(), Height()};
  if (Transparent())
    Canvas.TransparentBltSurface(R, FSurface, src, ColorToRGB(TransparentColor()) & 0xFFFFFF);
  else if (FAlphaFormat == afDefined && FSurface.BytesPerPixel == 4)
    Canvas.AlphaBlendSurface(R, FSurface, src);
  else
    Canvas.StretchBltSurface(R, FSurface, src, Canvas.CopyMode());
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    Reshape(0, 0, 4);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    FData = b->FData;
    FSurface = b->FSurface;
    FSurface.Bits = FData.empty() ? nullptr : FData.data();
    FPixelFormat = b->FPixelFormat;
    FAlphaFormat = b->FAlphaFormat;
    FTransparentColor = b->FTransparentColor;
    FTransparentMode = b->FTransparentMode;
    FMonochrome = b->FMonochrome;
    TGraphic::SetTransparent(b->Transparent());
    SurfaceChanged();
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    Reshape(0, 0, 4);
    FPixelFormat = pf32bit;
    SetSize(g->Width(), g->Height());
    if (!Empty()) g->Draw(*Canvas(), Rect(0, 0, Width(), Height()));
    SetTransparent(g->Transparent());
    return;
  }
  TGraphic::Assign(Source);
}

TPixelGraphic::TPixelGraphic(TPixelFormat Format, bool ForceAlpha)
    : FFormat(Format), FForceAlpha(ForceAlpha), FBitmap(std::make_unique<TBitmap>()) {
  FBitmap->SetPixelFormat(Format);
  if (ForceAlpha) FBitmap->SetAlphaFormat(afDefined);
  FBitmap->OnChange = [this](TObject*) { Changed(); };
}

void TPixelGraphic::TakeBitmap(std::unique_ptr<TBitmap> B) {
  FBitmap = std::move(B);
  FBitmap->OnChange = [this](TObject*) { Changed(); };
  Changed();
}

void TPixelGraphic::RequireImage() const {
  if (Empty()) throw EInvalidGraphicOperation("Ein leeres Bild kann nicht gespeichert werden");
}

void TPixelGraphic::Assign(TPersistent* Source) {
  auto* same = dynamic_cast<TPixelGraphic*>(Source);
  if (same && same->ClassType() == ClassType()) {
    FBitmap->Assign(same->FBitmap.get());
    AssignSettings(same);
  } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    FBitmap->Assign(g);
    FBitmap->SetPixelFormat(FFormat);
    if (FForceAlpha) FBitmap->SetAlphaFormat(afDefined);
  } else {
    return TGraphic::Assign(Source);
  }
  Changed();
}
