// TFxBitmap: a graphic over a 24-bit device-independent pixel buffer whose
// memory the program reads and writes directly, with conversion to and
// from the class library's bitmaps, drawing (one to one, transparent,
// stretched, smoothly stretched, tiled), a stash that keeps the pixels
// while the drawing resources are released, and seventeen pixel effects
// that change the image in place.
//
// Pixel model: pixel (x, y) is three bytes, blue, green, red, at
// Rows(y) + 3 * x; row 0 is the top row. Each row is Stride() bytes:
// 3 * Width plus Padding() = Width mod 4 bytes, so that every row is a
// multiple of 4 bytes long. New pixels are white. A pixel value passed to
// MaskColor or ReplaceColor is such a triple, compared byte by byte.
//
// This desktop has no palette devices (every surface holds 24 or more bits
// per pixel), so the palette routines select nothing; CreateOwnPalette
// still builds the palette a palette device would get.
//
// Effects raise no change notification (the caller repaints); an empty
// image is left unchanged by every effect and draws nothing.
//
// Thread safety: GUI thread only; no locking.
#pragma once

#include <array>
#include <memory>
#include <random>
#include <vector>

#include "platform/gui/graphics_bitmap.h"

// One pixel of a TFxBitmap as it lies in memory.
struct TFxPixel {
  Byte B = 0, G = 0, R = 0;
  friend bool operator==(const TFxPixel& A, const TFxPixel& Z) { return A.B == Z.B && A.G == Z.G && A.R == Z.R; }
};
// The pixel value of Color (system colours resolved), and back.
TFxPixel ColorToFxPixel(TColor Color);
TColor FxPixelToColor(TFxPixel P);

// The device-independent bitmap header of a TFxBitmap.
struct TFxBitmapHeader {
  Cardinal Size = 40;
  Integer Width = 0;
  Integer Height = 0;  // negative: rows run top-down
  Word Planes = 1;
  Word BitCount = 24;
  Cardinal Compression = 0;  // none
};

// A colour-table entry: blue, green, red, reserved.
struct TFxQuad {
  Byte Blue = 0, Green = 0, Red = 0, Reserved = 0;
};

class TFxBitmap : public TGraphic {
  RTL_DECLARE_CLASS(TFxBitmap)
 public:
  TFxBitmap();
  ~TFxBitmap() override;

  // ---- TGraphic ----------------------------------------------------------------
  // A non-empty TBitmap is taken with its pixel format and Transparent;
  // null or an empty TBitmap empties the image; any other graphic but a
  // TFxBitmap is drawn into a bitmap first; a TFxBitmap copies itself here
  // (its AssignTo).
  void Assign(TPersistent* Source) override;
  // Into a TBitmap (pixel format, pixels, Transparent, TransparentColor)
  // or a TFxBitmap (everything; an empty image empties it).
  void AssignTo(TPersistent* Dest) override;
  // One to one (transparent when Transparent), else stretched (smoothly
  // when Smooth).
  void Draw(TCanvas& Canvas, const TRect& R) override;
  Integer Width() const override { return FWidth; }
  Integer Height() const override { return FHeight; }
  // ChangeSize with the other side kept (a new, white image).
  void SetWidth(Integer V) override { ChangeSize(V, FHeight); }
  void SetHeight(Integer V) override { ChangeSize(FWidth, V); }
  bool Empty() const override { return FBits.empty(); }
  // Read and written as a BMP through a TBitmap (its errors).
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;

  // ---- Size and life -------------------------------------------------------------
  // Drops the image (pixels, rows, canvas target, mask); the stash stays.
  virtual void ReleaseImage();
  // Derives padding, stride, size and rows from Width and Height and
  // points the canvas at the pixels.
  virtual void SetupImage();
  virtual void Clear() { ReleaseImage(); }
  // A new white image of W x H; a zero or negative side leaves it empty.
  virtual void SetSize(Integer W, Integer H);
  // SetSize unless the size is W x H already (then the pixels stay).
  virtual void ChangeSize(Integer W, Integer H);
  // The image stretched to W x H (smoothly when Smooth).
  virtual void StretchResize(Integer W, Integer H);

  // ---- Stash -----------------------------------------------------------------------
  // Keeps a copy of the pixels and releases the image.
  virtual void StashPixels();
  // Brings a stashed image back with its old size and drops the stash.
  virtual void RestorePixels();
  virtual void DiscardStash();
  // A new image of Size2D (width, height) from Size bytes of rows laid out
  // as this class lays them out (fewer bytes leave the rest white).
  virtual void LoadFromBits(const Byte* Bits, Integer Size, TPoint Size2D);
  bool Stashed() const { return !FStash.empty(); }

  // ---- Conversion ----------------------------------------------------------------
  virtual void AssignBitmap(TBitmap* Bitmap);
  virtual void AssignGraphicByDraw(TGraphic* Graphic);
  virtual void AssignGraphic(TGraphic* Graphic);
  // Bitmap becomes this image's size and pixel format and gets its pixels
  // (always opaque).
  virtual void AssignToBitmap(TBitmap* Bitmap);

  // ---- Drawing (each into Rect of Canvas) -------------------------------------------
  // Leaves out the pixels of the transparent colour (TransparentColor, or
  // the top-left pixel's with clNone); Rect has the image's size.
  virtual void TransparentDraw(TCanvas& Canvas, const TRect& Rect);
  virtual void StretchDrawTo(TCanvas& Canvas, const TRect& Rect);
  // Bilinear stretch in 15-bit fixed point.
  virtual void SmoothStretchDraw(TCanvas& Canvas, const TRect& Rect);
  // Copies of the image side by side from (0, 0) over Rect.
  virtual void TileDraw(TCanvas& Canvas, const TRect& Rect);
  // The monochrome mask of the transparent colour (black where it is),
  // made on first use and owned by the image until it is released.
  TBitmap* GetMask();
  // Palette work of palette devices (see the file comment).
  virtual void SelectOwnPalette(TCanvas& Canvas, std::vector<TColorRef>& OldPalette);
  virtual void UnselectPalette(TCanvas& Canvas, const std::vector<TColorRef>& OldPalette);
  virtual void CreateOwnPalette();

  // ---- Effects ---------------------------------------------------------------------
  virtual void Spread(Integer Amount);
  virtual void Contrast(Integer Amount);
  virtual void Emboss();
  virtual void Flip(bool Horizontal);
  virtual void Blur(Integer Amount);
  virtual void GrayScale();
  virtual void Invert();
  // Amount > 0: c + (255 - c) * Amount div 256; else c - |Amount| * c div 256.
  virtual void Brightness(Integer Amount);
  // Pixels equal to Color become black, all others white.
  virtual void MaskColor(TFxPixel Color);
  virtual void ReplaceColor(TFxPixel OldColor, TFxPixel NewColor);
  virtual void AddColor(Integer R, Integer G, Integer B);
  // c - 192 + the channel's amount; pixels of TransparentColor stay.
  virtual void TintColor(Integer R, Integer G, Integer B);
  // Centre (-1, -1) turns about the middle; Angle in degrees.
  virtual void Rotate(TPoint Centre, double Angle);
  // 256 keeps the pixels, 0 gives GrayScale.
  virtual void Saturation(Integer Amount);
  virtual void Sharpen(Integer Amount);
  virtual void Spray(Integer Amount);
  virtual void Wave(double ColumnPeriod, double RowPeriod, double Amplitude, bool Wrap);

  // ---- Pixels and state ----------------------------------------------------------
  // Row Y's first byte; REQUIRES: 0 <= Y < Height.
  Byte* Rows(Integer Y) const { return FRows[size_t(Y)]; }
  Byte* ScanLine(Integer Y) const { return Rows(Y); }
  TFxPixel Pixel(Integer X, Integer Y) const;
  void SetPixel(Integer X, Integer Y, TFxPixel P);
  Integer Stride() const { return FStride; }
  Integer Padding() const { return FPadding; }
  Integer ImageSize() const { return FImageSize; }
  const Byte* Bits() const { return FBits.empty() ? nullptr : FBits.data(); }
  // The pixels as a 3-byte surface (valid until the size changes).
  TPixelSurface Surface() const;
  // A canvas over the pixels: drawing on it changes the image. Owned.
  TCanvas* Canvas() { return FCanvas.get(); }
  TFxBitmapHeader Header() const { return FHeader; }
  const std::array<TFxQuad, 256>& ColorTable() const { return FColorTable; }
  // [0] the source had a colour table, [1] the screen has fewer bits per
  // pixel than the source.
  bool ColorFlags(int Index) const { return FColorFlags[Index & 1]; }
  // The palette made by CreateOwnPalette (empty: none).
  const std::vector<TColorRef>& Palette() const { return FPalette; }

  bool Smooth = false;
  TColor TransparentColor = clNone;
  TPixelFormat PixelFormat = pf24bit;
  bool UseOwnPalette = false;
  bool UseHalftonePalette = false;

 private:
  void CopyPixelsFrom(const TFxBitmap& Source);
  void ApplyTable(const std::array<Byte, 256>& Table);
  // Neighbour (X, Y) clamped into the image.
  const Byte* ClampedAt(Integer X, Integer Y) const;

  Integer FWidth = 0, FHeight = 0, FPadding = 0, FStride = 0, FImageSize = 0;
  std::unique_ptr<TBitmap> FMask;
  std::vector<Byte> FBits;
  std::vector<Byte*> FRows;
  std::unique_ptr<TCanvas> FCanvas;
  std::vector<Byte> FStash;
  TPoint FStashSize2D{};
  std::vector<TColorRef> FPalette;
  bool FDrawingIntoBitmap = false;
  bool FTiling = false;
  TFxBitmapHeader FHeader;
  std::array<bool, 2> FColorFlags{false, false};
  std::array<TFxQuad, 256> FColorTable{};
  std::minstd_rand FRandom{std::random_device{}()};
};

// Draws Image into Rect of Canvas except where Mask is black (there the
// destination shows through): XOR the image, AND NOT the mask, XOR the
// image again; through a buffer of Rect's size when UseBuffer.
void TransparentBlit(TCanvas& Canvas, const TRect& Rect, TBitmap* Image, bool UseBuffer, TBitmap* Mask);
