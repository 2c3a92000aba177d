// Graphics of the visual class library: the abstract TGraphic, TBitmap
// (pixels in memory with row access, a canvas, transparency and BMP
// streams) and a minimal TIcon.
//
// A TBitmap keeps its pixels as rows of 3 (pf24bit) or 4 bytes per pixel
// (every other format), blue first, top row first, rows padded to four
// bytes: ScanLine(y) points at row y. Formats below 24 bits are held as
// 32-bit pixels and only remembered as the PixelFormat value.
//
// Corrupt or unsupported image data raises EInvalidGraphic with a German
// message; the graphic is then left empty or unchanged, never half-read.
//
// Thread safety: none; a graphic belongs to the thread that uses it.
#pragma once

#include <memory>
#include <vector>

#include "platform/gui/graphics_canvas.h"
#include "platform/rtl/streams.h"

RTL_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
RTL_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)

class TGraphic : public TPersistent {
  RTL_DECLARE_CLASS(TGraphic)
 public:
  // Draws the graphic into R of Canvas (stretched when sizes differ).
  virtual void Draw(TCanvas& Canvas, const TRect& R) = 0;
  virtual Integer Width() const = 0;
  virtual Integer Height() const = 0;
  virtual void SetWidth(Integer V) = 0;
  virtual void SetHeight(Integer V) = 0;
  // True when the graphic holds no image.
  virtual bool Empty() const = 0;
  virtual bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool V);

  // Replaces the image with the one read from Stream's position. Raises
  // EInvalidGraphic for data of the wrong kind or corrupt data.
  virtual void LoadFromStream(TStream* Stream) = 0;
  // Writes the image at Stream's position.
  virtual void SaveToStream(TStream* Stream) = 0;
  // Reads the whole file. Raises EFOpenError when it cannot be opened and
  // EInvalidGraphic as LoadFromStream.
  virtual void LoadFromFile(const String& FileName);
  // Writes the file anew. Raises EFCreateError when it cannot be created.
  virtual void SaveToFile(const String& FileName);

  bool Modified() const { return FModified; }
  void SetModified(bool V) { FModified = V; }
  // Called after every change of the image.
  TGraphicsNotify OnChange;

 protected:
  void Changed();

 private:
  bool FTransparent = false;
  bool FModified = false;
};

using TGraphicClass = TGraphic* (*)();

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };
// afDefined: the fourth byte of 32-bit pixels is alpha, blended when drawn.
enum TAlphaFormat { afIgnored, afDefined };

class TBitmap : public TGraphic {
  RTL_DECLARE_CLASS(TBitmap)
 public:
  TBitmap();
  ~TBitmap() override;

  void Draw(TCanvas& Canvas, const TRect& R) override;
  Integer Width() const override { return FSurface.Width; }
  Integer Height() const override { return FSurface.Height; }
  void SetWidth(Integer V) override { SetSize(V, Height()); }
  void SetHeight(Integer V) override { SetSize(Width(), V); }
  // Resizes, keeping the pixels that stay inside; new pixels are white.
  void SetSize(Integer W, Integer H);
  bool Empty() const override { return !FSurface.Valid(); }

  TPixelFormat PixelFormat() const { return FPixelFormat; }
  // Converts the pixels to the new format's storage (3 or 4 bytes).
  void SetPixelFormat(TPixelFormat V);
  TAlphaFormat AlphaFormat() const { return FAlphaFormat; }
  void SetAlphaFormat(TAlphaFormat V) { FAlphaFormat = V; }

  // Row Row's pixels. Raises EInvalidGraphicOperation ("Bereichsüber-
  // schreitung bei Zeilenindex") for a row outside the bitmap. Valid until
  // the size or pixel format changes.
  Byte* ScanLine(Integer Row);
  // The pixels as a surface (valid as ScanLine's pointers).
  const TPixelSurface& PixelSurface() const { return FSurface; }

  // The bitmap's canvas, made on first use and owned by the bitmap.
  TCanvas* Canvas();

  // The colour left out when drawing transparently: the bottom-left pixel
  // (tmAuto) or the colour set (tmFixed).
  TColor TransparentColor() const;
  void SetTransparentColor(TColor V);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode V) { FTransparentMode = V; }

  // Black-and-white: setting it turns white pixels white and every other
  // pixel black.
  bool Monochrome() const { return FMonochrome; }
  void SetMonochrome(bool V);

  // Copies another TBitmap, or draws any other TGraphic into a bitmap of
  // its size; null empties the bitmap.
  void Assign(TPersistent* Source) override;

  // Reads a BMP at Stream's position: 1, 4 and 8 bits with a colour table
  // (uncompressed, RLE4, RLE8), 16, 24 and 32 bits (plain or bit fields),
  // bottom-up or top-down. 24-bit files become pf24bit, all others keep
  // their bit count as PixelFormat over 32-bit pixels. Raises
  // EInvalidGraphic ("Bitmap ist ungültig") for anything else or for
  // corrupt data; the bitmap is then unchanged.
  void LoadFromStream(TStream* Stream) override;
  // Writes a BMP with 24 bits per pixel (pf24bit) or 32 bits (others).
  void SaveToStream(TStream* Stream) override;

  // Writes the pixels as a PNG file (alpha kept when AlphaFormat is
  // afDefined). Raises EFCreateError when the file cannot be created.
  void SavePng(const String& FileName);
  void SavePngToStream(TStream* Stream);

 private:
  void Allocate(Integer W, Integer H, Integer BytesPerPixel, std::vector<Byte>& Data,
                TPixelSurface& S) const;
  void Reshape(Integer W, Integer H, Integer BytesPerPixel);
  void SurfaceChanged();

  std::vector<Byte> FData;
  TPixelSurface FSurface;
  TPixelFormat FPixelFormat = pfDevice;
  TAlphaFormat FAlphaFormat = afIgnored;
  std::unique_ptr<TCanvas> FCanvas;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  bool FMonochrome = false;
};

// A graphic whose image is a TBitmap it owns (PNG, JPEG, icons): drawing,
// size and pixels are the bitmap's.
class TPixelGraphic : public TGraphic {
  RTL_DECLARE_CLASS(TPixelGraphic)
 public:
  void Draw(TCanvas& Canvas, const TRect& R) override { FBitmap->Draw(Canvas, R); }
  Integer Width() const override { return FBitmap->Width(); }
  Integer Height() const override { return FBitmap->Height(); }
  void SetWidth(Integer V) override { FBitmap->SetWidth(V); }
  void SetHeight(Integer V) override { FBitmap->SetHeight(V); }
  bool Empty() const override { return FBitmap->Empty(); }
  // Copies a graphic of the same class, or takes the pixels of any other
  // graphic (converted to this class's pixel format).
  void Assign(TPersistent* Source) override;
  // The pixels; owned by the graphic.
  TBitmap* Bitmap() { return FBitmap.get(); }
  const TBitmap* Bitmap() const { return FBitmap.get(); }

 protected:
  // Format: the pixel format the image keeps; ForceAlpha: the fourth byte
  // is always alpha (icons).
  TPixelGraphic(TPixelFormat Format, bool ForceAlpha);
  // Replaces the pixels (after decoding) and reports the change.
  void TakeBitmap(std::unique_ptr<TBitmap> B);
  // Copies the settings of a graphic of the same class (beyond pixels).
  virtual void AssignSettings(TPixelGraphic* /*Source*/) {}
  // Raises EInvalidGraphicOperation when there is nothing to save.
  void RequireImage() const;

 private:
  TPixelFormat FFormat;
  bool FForceAlpha;
  std::unique_ptr<TBitmap> FBitmap;
};

// A minimal icon: an image with alpha from an ICO file (the largest
// entry; 32-bit, 24/8/4/1-bit with mask, or PNG inside) or set from a
// bitmap. Drawing blends the alpha.
class TIcon : public TPixelGraphic {
  RTL_DECLARE_CLASS(TIcon)
 public:
  TIcon();
  // Icons keep their size; setting it raises EInvalidGraphicOperation.
  void SetWidth(Integer V) override;
  void SetHeight(Integer V) override;
  void LoadFromStream(TStream* Stream) override;
  // Writes a one-entry ICO with a 32-bit image.
  void SaveToStream(TStream* Stream) override;
};

// Reads all of Stream from its position (helper of the image readers).
std::vector<Byte> ReadRemainingBytes(TStream* Stream);

// The most pixels an image read from a file or stream may have (32
// megapixels, 128 MB as 32-bit pixels). The readers check the size an
// image claims against it before they allocate anything.
constexpr Int64 MaxPicturePixels = Int64(1) << 25;
// Raises EInvalidGraphic (Invalid + ": zu groß" or ": Größe") unless
// 0 < Width, 0 < Height and Width x Height <= MaxPicturePixels.
void CheckPictureSize(Int64 Width, Int64 Height, const String& Invalid);
