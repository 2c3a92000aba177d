// TFxBitmap, the 24-bit pixel buffer of the flat controls, and the greyed
// glyph of a disabled button made with it.
#include "ui/look/PlainUtils.h"

RTL_IMPLEMENT_CLASS(TFxBitmap, TGraphic, nullptr)

TFxBitmap::TFxBitmap() : FColorTable(256) {
  for (Integer I = 0; I < 256; ++I) FColorTable[I] = TColorRef(I | (I << 8) | (I << 16));
}

void TFxBitmap::Resize(Integer W, Integer H) {
  FWidth = std::max(0, W);
  FHeight = std::max(0, H);
  FBits.assign(size_t(RowSize()) * size_t(FHeight), 0);
  Changed();
}

void TFxBitmap::SetWidth(Integer V) { Resize(V, FHeight); }

void TFxBitmap::SetHeight(Integer V) { Resize(FWidth, V); }

void TFxBitmap::LoadFromStream(TStream*) {
  throw EInvalidGraphicOperation("TFxBitmap kann nicht geladen werden");
}

void TFxBitmap::SaveToStream(TStream*) {
  throw EInvalidGraphicOperation("TFxBitmap kann nicht gespeichert werden");
}

TPixelSurface TFxBitmap::Surface() {
  TPixelSurface S;
  S.Bits = FBits.empty() ? nullptr : FBits.data();
  S.Width = FWidth;
  S.Height = FHeight;
  S.Stride = RowSize();
  S.BytesPerPixel = 3;
  return S;
}

void TFxBitmap::Draw(TCanvas& Canvas, const TRect& R) {
  if (Empty()) return;
  Canvas.StretchBltSurface(R, Surface(), Rect(0, 0, FWidth, FHeight), Canvas.CopyMode());
}

void TFxBitmap::CopyFrom(TBitmap& Source) {
  const TPixelSurface& From = Source.PixelSurface();
  TPixelSurface To = Surface();
  Integer W = std::min(From.Width, FWidth), H = std::min(From.Height, FHeight);
  if (!From.Valid() || !To.Valid()) return;
  for (Integer Y = 0; Y < H; ++Y)
    for (Integer X = 0; X < W; ++X) To.Set(X, Y, From.Get(X, Y));
  Changed();
}

void TFxBitmap::Grayscale() {
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = ScanLine(Y);
    for (Integer X = 0; X < FWidth; ++X, P += 3) {
      Byte Grey = Byte(P[0] / 3 + P[1] / 3 + P[2] / 3);
      P[0] = P[1] = P[2] = Grey;
    }
  }
  Changed();
}

void TFxBitmap::Brightness(Integer Amount) {
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = ScanLine(Y);
    for (Integer I = 0; I < FWidth * 3; ++I) {
      Integer X = P[I];
      P[I] = Amount >= 0 ? ClampByte(X + (255 - X) * Amount / 256) : ClampByte(X - (-Amount) * X / 256);
    }
  }
  Changed();
}

std::unique_ptr<TBitmap> CreateDisabledGlyph(TBitmap* Glyph) {
  auto Result = std::make_unique<TBitmap>();
  if (!Glyph || Glyph->Empty()) return Result;
  TFxBitmap Fx;
  Fx.SetWidth(Glyph->Width());
  Fx.SetHeight(Glyph->Height());
  Fx.CopyFrom(*Glyph);
  Fx.Grayscale();
  Fx.Brightness(90);
  Result->SetPixelFormat(pf24bit);
  Result->SetSize(Fx.Width(), Fx.Height());
  Result->Canvas()->Draw(0, 0, &Fx);
  return Result;
}
