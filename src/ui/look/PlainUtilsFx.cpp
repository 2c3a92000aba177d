// TFxBitmap: image life, the stash, conversion and drawing; and the greyed
// glyph of a disabled button made with it.
#include "ui/look/PlainUtilsFx.h"

#include <algorithm>
#include <cstring>

#include "ui/look/PlainUtils.h"

RTL_IMPLEMENT_CLASS(TFxBitmap, TGraphic, nullptr)

namespace {

// Bits per pixel of the screen's surfaces (back buffers hold 32).
constexpr Integer ScreenBitsPerPixel = 32;

Integer BitsPerPixelOf(TPixelFormat F) {
  switch (F) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
  }
}

// Sets a flag for the life of the scope.
struct TFlagScope {
  explicit TFlagScope(bool& Flag) : F(Flag) { F = true; }
  ~TFlagScope() { F = false; }
  bool& F;
};

}  // namespace

TFxPixel ColorToFxPixel(TColor Color) {
  TFxPixel P;
  ColorToRGBBytes(Color, P.R, P.G, P.B);
  return P;
}

TColor FxPixelToColor(TFxPixel P) { return RGBBytesToColor(P.R, P.G, P.B); }

// ---- Life ----------------------------------------------------------------------------

TFxBitmap::TFxBitmap() : FCanvas(std::make_unique<TCanvas>()) {}

TFxBitmap::~TFxBitmap() {
  DiscardStash();
  ReleaseImage();
}

void TFxBitmap::ReleaseImage() {
  FCanvas->SetSurface(TPixelSurface{});
  FBits.clear();
  FBits.shrink_to_fit();
  FRows.clear();
  FMask.reset();
  FWidth = FHeight = FPadding = FStride = FImageSize = 0;
}

void TFxBitmap::SetupImage() {
  FPadding = FWidth % 4;
  FStride = 3 * FWidth + FPadding;
  FImageSize = FStride * FHeight;
  if (FBits.empty()) {
    ReleaseImage();
    return;
  }
  FRows.resize(size_t(FHeight));
  for (Integer Y = 0; Y < FHeight; ++Y) FRows[size_t(Y)] = FBits.data() + size_t(Y) * size_t(FStride);
  FCanvas->SetSurface(Surface());
  Changed();
}

// Makes the pixel memory for FWidth x FHeight (the section); nothing when
// a side is not positive or the size cannot be held.
static void NewSection(Integer W, Integer H, std::vector<Byte>& Bits) {
  Bits.clear();
  if (W <= 0 || H <= 0 || W > 65535 || H > 65535) return;
  Bits.assign(size_t(3 * W + W % 4) * size_t(H), 0);
}

void TFxBitmap::SetSize(Integer W, Integer H) {
  ReleaseImage();
  if (W <= 0 || H <= 0) return;
  NewSection(W, H, FBits);
  if (FBits.empty()) return;
  FWidth = W;
  FHeight = H;
  FHeader = TFxBitmapHeader{40, W, -H, 1, 24, 0};
  SetupImage();
  FCanvas->Brush()->SetStyle(bsSolid);
  FCanvas->Brush()->SetColor(TColor(0xFFFFFF));
  FCanvas->FillRect(Rect(0, 0, W, H));
}

void TFxBitmap::ChangeSize(Integer W, Integer H) {
  if (W != FWidth || H != FHeight) SetSize(W, H);
}

void TFxBitmap::StretchResize(Integer W, Integer H) {
  if (W == FWidth && H == FHeight) return;
  TFxBitmap Copy;
  Copy.Assign(this);
  SetSize(W, H);
  if (!Empty()) Copy.Draw(*FCanvas, Rect(0, 0, W, H));
}

TPixelSurface TFxBitmap::Surface() const {
  TPixelSurface S;
  S.Bits = FBits.empty() ? nullptr : const_cast<Byte*>(FBits.data());
  S.Width = FWidth;
  S.Height = FHeight;
  S.Stride = FStride;
  S.BytesPerPixel = 3;
  return S;
}

TFxPixel TFxBitmap::Pixel(Integer X, Integer Y) const {
  const Byte* P = Rows(Y) + 3 * X;
  return TFxPixel{P[0], P[1], P[2]};
}

void TFxBitmap::SetPixel(Integer X, Integer Y, TFxPixel P) {
  Byte* D = Rows(Y) + 3 * X;
  D[0] = P.B, D[1] = P.G, D[2] = P.R;
}

// ---- Stash ----------------------------------------------------------------------------

void TFxBitmap::StashPixels() {
  DiscardStash();
  FStash = FBits;
  FStashSize2D = Point(FWidth, FHeight);
  ReleaseImage();
}

void TFxBitmap::RestorePixels() {
  if (FStash.empty()) return;
  std::vector<Byte> Saved = std::move(FStash);
  LoadFromBits(Saved.data(), Integer(Saved.size()), FStashSize2D);
  DiscardStash();
}

void TFxBitmap::DiscardStash() {
  FStash.clear();
  FStash.shrink_to_fit();
  FStashSize2D = Point(0, 0);
}

void TFxBitmap::LoadFromBits(const Byte* Bits, Integer Size, TPoint Size2D) {
  SetSize(Size2D.X, Size2D.Y);
  if (Empty() || !Bits || Size <= 0) return;
  std::memcpy(FBits.data(), Bits, size_t(std::min(Size, FImageSize)));
}

// ---- Conversion ------------------------------------------------------------------------

void TFxBitmap::Assign(TPersistent* Source) {
  auto* Bmp = dynamic_cast<TBitmap*>(Source);
  if (Bmp && !Bmp->Empty()) {
    PixelFormat = Bmp->PixelFormat();
    AssignBitmap(Bmp);
    SetTransparent(Bmp->Transparent());
  } else if (!Source || Bmp) {
    ReleaseImage();
    Changed();
  } else if (auto* G = dynamic_cast<TGraphic*>(Source); G && !dynamic_cast<TFxBitmap*>(Source)) {
    AssignGraphic(G);
  } else {
    TGraphic::Assign(Source);
  }
}

void TFxBitmap::CopyPixelsFrom(const TFxBitmap& Source) {
  UseOwnPalette = Source.UseOwnPalette;
  UseHalftonePalette = Source.UseHalftonePalette;
  SetSize(Source.FWidth, Source.FHeight);
  if (!Empty()) std::memcpy(FBits.data(), Source.FBits.data(), size_t(FImageSize));
  SetTransparent(Source.Transparent());
  Smooth = Source.Smooth;
  TransparentColor = Source.TransparentColor;
  PixelFormat = Source.PixelFormat;
  FColorTable = Source.FColorTable;
  FColorFlags = Source.FColorFlags;
}

void TFxBitmap::AssignTo(TPersistent* Dest) {
  if (auto* Bmp = dynamic_cast<TBitmap*>(Dest)) {
    Bmp->SetPixelFormat(PixelFormat);
    AssignToBitmap(Bmp);
    Bmp->SetTransparent(Transparent());
    if (TransparentColor != clNone) Bmp->SetTransparentColor(TransparentColor);
  } else if (auto* Fx = dynamic_cast<TFxBitmap*>(Dest)) {
    if (Empty())
      Fx->ReleaseImage();
    else
      Fx->CopyPixelsFrom(*this);
    Fx->Changed();
  } else {
    TGraphic::AssignTo(Dest);
  }
}

void TFxBitmap::AssignBitmap(TBitmap* Bitmap) {
  ReleaseImage();
  if (!Bitmap || Bitmap->Empty()) return;
  NewSection(Bitmap->Width(), Bitmap->Height(), FBits);
  if (FBits.empty()) return;
  FWidth = Bitmap->Width();
  FHeight = Bitmap->Height();
  FHeader = TFxBitmapHeader{40, FWidth, -FHeight, 1, 24, 0};
  SetupImage();
  const TPixelSurface& From = Bitmap->PixelSurface();
  for (Integer Y = 0; Y < FHeight; ++Y)
    for (Integer X = 0; X < FWidth; ++X) {
      TColorRef C = From.Get(X, Y);
      SetPixel(X, Y, TFxPixel{GetBValue(C), GetGValue(C), GetRValue(C)});
    }
  PixelFormat = Bitmap->PixelFormat();
  FColorFlags[1] = ScreenBitsPerPixel < BitsPerPixelOf(PixelFormat);
  // The class library's bitmaps keep no colour table: nothing to read.
  FColorFlags[0] = false;
}

void TFxBitmap::AssignGraphic(TGraphic* Graphic) {
  TBitmap Temp;
  Temp.Assign(Graphic);
  AssignBitmap(&Temp);
}

void TFxBitmap::AssignGraphicByDraw(TGraphic* Graphic) {
  TBitmap Temp;
  if (Graphic) {
    Temp.SetSize(Graphic->Width(), Graphic->Height());
    Temp.Canvas()->Draw(0, 0, Graphic);
  }
  AssignBitmap(&Temp);
}

void TFxBitmap::AssignToBitmap(TBitmap* Bitmap) {
  Bitmap->SetPixelFormat(PixelFormat);
  Bitmap->SetSize(FWidth, FHeight);
  TFlagScope Opaque(FDrawingIntoBitmap);
  Bitmap->Canvas()->Draw(0, 0, this);
}

void TFxBitmap::LoadFromStream(TStream* Stream) {
  TBitmap Temp;
  Temp.LoadFromStream(Stream);
  AssignBitmap(&Temp);
}

void TFxBitmap::SaveToStream(TStream* Stream) {
  TBitmap Temp;
  AssignToBitmap(&Temp);
  Temp.SaveToStream(Stream);
}

// ---- Drawing ----------------------------------------------------------------------------

void TFxBitmap::Draw(TCanvas& Canvas, const TRect& R) {
  if (Empty()) return;
  std::vector<TColorRef> OldPalette;
  if (!FTiling) SelectOwnPalette(Canvas, OldPalette);
  if (R.Width() == FWidth && R.Height() == FHeight) {
    if (Transparent() && !FDrawingIntoBitmap)
      TransparentDraw(Canvas, R);
    else
      Canvas.StretchBltSurface(R, Surface(), Rect(0, 0, FWidth, FHeight), SRCCOPY);
  } else if (Smooth) {
    SmoothStretchDraw(Canvas, R);
  } else {
    StretchDrawTo(Canvas, R);
  }
  if (!FTiling) UnselectPalette(Canvas, OldPalette);
}

TBitmap* TFxBitmap::GetMask() {
  if (!FMask) {
    auto Mask = std::make_unique<TBitmap>();
    TFxBitmap Copy;
    Copy.Assign(this);
    if (!Copy.Empty()) {
      TFxPixel Key = TransparentColor == clNone ? Copy.Pixel(0, 0) : ColorToFxPixel(TransparentColor);
      Copy.MaskColor(Key);
      Copy.AssignTo(Mask.get());
      Mask->SetMonochrome(true);
    }
    FMask = std::move(Mask);
  }
  return FMask.get();
}

void TFxBitmap::TransparentDraw(TCanvas& Canvas, const TRect& Rect) {
  if (Empty()) return;
  TBitmap Copy;
  Copy.SetPixelFormat(pf24bit);
  Copy.SetSize(FWidth, FHeight);
  Copy.Canvas()->StretchBltSurface(::Rect(0, 0, FWidth, FHeight), Surface(), ::Rect(0, 0, FWidth, FHeight),
                                   SRCCOPY);
  TransparentBlit(Canvas, Rect, &Copy, true, GetMask());
}

void TFxBitmap::StretchDrawTo(TCanvas& Canvas, const TRect& Rect) {
  if (Empty()) return;
  if (Transparent()) {
    TFxBitmap Temp;
    Temp.SetSize(Rect.Width(), Rect.Height());
    if (Temp.Empty()) return;
    Temp.Canvas()->StretchBltSurface(::Rect(0, 0, Temp.FWidth, Temp.FHeight), Surface(),
                                     ::Rect(0, 0, FWidth, FHeight), SRCCOPY);
    Temp.TransparentDraw(Canvas, Rect);
    return;
  }
  // The canvas stretches colour on colour (nearest neighbour).
  Canvas.StretchBltSurface(Rect, Surface(), ::Rect(0, 0, FWidth, FHeight), SRCCOPY);
}

void TFxBitmap::SmoothStretchDraw(TCanvas& Canvas, const TRect& Rect) {
  if (Empty()) return;
  TFxBitmap D;
  D.SetSize(Rect.Width(), Rect.Height());
  if (D.Empty()) return;
  if (D.FWidth == FWidth && D.FHeight == FHeight) {
    std::memcpy(D.FBits.data(), FBits.data(), size_t(FImageSize));
  } else {
    const Integer XStep = Integer((Int64(FWidth - 1) * 32768) / D.FWidth);
    const Integer YStep = Integer((Int64(FHeight - 1) * 32768) / D.FHeight);
    Integer FY = 0;
    for (Integer Y = 0; Y < D.FHeight; ++Y, FY += YStep) {
      Integer R = FY / 32768;
      const Byte* Row0 = Rows(R);
      const Byte* Row1 = FHeight == 1 ? Row0 : Rows(R + 1);
      Integer WY = FY % 32768, IY = 32768 - WY;
      Byte* Out = D.Rows(Y);
      Integer FX = 0;
      for (Integer X = 0; X < D.FWidth; ++X, FX += XStep, Out += 3) {
        Integer C = FX / 32768, C1 = FWidth == 1 ? C : C + 1;
        Integer WX = FX % 32768;
        Int64 W01 = (Int64(WX) * IY) / 32768, W00 = IY - W01;
        Int64 W11 = (Int64(WX) * WY) / 32768, W10 = WY - W11;
        for (int Ch = 0; Ch < 3; ++Ch)
          Out[Ch] = Byte((Row0[3 * C + Ch] * W00 + Row0[3 * C1 + Ch] * W01 + Row1[3 * C + Ch] * W10 +
                          Row1[3 * C1 + Ch] * W11) / 32768);
      }
    }
  }
  if (Transparent())
    D.TransparentDraw(Canvas, Rect);
  else
    Canvas.Draw(Rect.Left, Rect.Top, &D);
}

void TFxBitmap::TileDraw(TCanvas& Canvas, const TRect& Rect) {
  if (Empty()) return;
  std::vector<TColorRef> OldPalette;
  SelectOwnPalette(Canvas, OldPalette);
  {
    TFlagScope NoPalette(FTiling);
    for (Integer Y = 0; Y < Rect.Bottom; Y += FHeight)
      for (Integer X = 0; X < Rect.Right; X += FWidth) Canvas.Draw(X - Rect.Left, Y - Rect.Top, this);
  }
  UnselectPalette(Canvas, OldPalette);
}

// Palette devices hold at most 8 bits per pixel; the screen here holds
// more, so nothing is selected (the palette is still made when asked).
void TFxBitmap::SelectOwnPalette(TCanvas&, std::vector<TColorRef>& OldPalette) {
  OldPalette.clear();
  if (ScreenBitsPerPixel > 8 || (!UseOwnPalette && !UseHalftonePalette)) return;
  if (UseOwnPalette) CreateOwnPalette();
}

void TFxBitmap::UnselectPalette(TCanvas&, const std::vector<TColorRef>&) {
  if (ScreenBitsPerPixel > 8 || (!UseOwnPalette && !UseHalftonePalette)) return;
  FPalette.clear();
}

void TFxBitmap::CreateOwnPalette() {
  if (!FPalette.empty()) return;
  if (FColorFlags[0]) {
    FPalette.resize(256);
    // Palette entries hold red first: the table's red and blue change places.
    for (size_t I = 0; I < 256; ++I)
      FPalette[I] = TColorRef(FColorTable[I].Blue) << 16 | TColorRef(FColorTable[I].Green) << 8 |
                    FColorTable[I].Red;
  } else if (FColorFlags[1]) {
    // The half-tone palette: the 6x6x6 colour cube.
    for (Integer R = 0; R < 6; ++R)
      for (Integer G = 0; G < 6; ++G)
        for (Integer B = 0; B < 6; ++B) FPalette.push_back(RGB(Byte(R * 51), Byte(G * 51), Byte(B * 51)));
  }
}

// ---- The transparent blit -------------------------------------------------------------

void TransparentBlit(TCanvas& Canvas, const TRect& Rect, TBitmap* Image, bool UseBuffer, TBitmap* Mask) {
  if (!Image || !Mask || Image->Empty() || Mask->Empty()) return;
  TColorRef OldBk = Canvas.SetBkColor(TColor(0xFFFFFF));
  TColorRef OldText = Canvas.SetTextColor(clBlack);
  const Integer W = Rect.Width(), H = Rect.Height();
  TBitmap Buffer;
  TCanvas* Target = &Canvas;
  TPoint At = Point(Rect.Left, Rect.Top);
  if (UseBuffer) {
    Buffer.SetSize(W, H);
    Buffer.Canvas()->CopyRect(::Rect(0, 0, W, H), Canvas, Rect);
    Target = Buffer.Canvas();
    At = Point(0, 0);
  }
  TRect To = Bounds(At.X, At.Y, W, H), From = ::Rect(0, 0, W, H);
  Target->StretchBltSurface(To, Image->PixelSurface(), From, SRCINVERT);
  Target->StretchBltSurface(To, Mask->PixelSurface(), From, DSna);
  Target->StretchBltSurface(To, Image->PixelSurface(), From, SRCINVERT);
  if (UseBuffer) Canvas.StretchBltSurface(Rect, Buffer.PixelSurface(), From, SRCCOPY);
  Canvas.SetBkColor(TColor(OldBk));
  Canvas.SetTextColor(TColor(OldText));
}

// ---- The disabled glyph ------------------------------------------------------------------

std::unique_ptr<TBitmap> CreateDisabledGlyph(TBitmap* Glyph) {
  auto Result = std::make_unique<TBitmap>();
  if (!Glyph || Glyph->Empty()) return Result;
  TFxBitmap Fx;
  Fx.Assign(Glyph);
  Fx.GrayScale();
  Fx.Brightness(90);
  Fx.AssignToBitmap(Result.get());
  return Result;
}
