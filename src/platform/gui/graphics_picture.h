// Pictures: PNG (libpng) and JPEG (libjpeg) graphics and TPicture, the
// holder of any graphic with a registry of file formats by extension.
//
// Built-in formats: "bmp" (TBitmap), "png" (TPngImage, "Portable Network
// Graphics"), "jpg"/"jpeg"/"jpe" (TJPEGImage), "ico" (TIcon), "gif"
// (TGIFImage, the first image, read only). More can be
// registered with TPicture::RegisterFileFormat. LoadFromStream recognises
// the format by the data's signature, LoadFromFile by the extension.
//
// Corrupt data raises EInvalidGraphic and leaves the graphic as it was.
//
// Thread safety: the format registry is process-wide and guarded by a
// mutex; pictures and graphics belong to the thread that uses them.
#pragma once

#include <memory>

#include "platform/gui/graphics_bitmap.h"

// A PNG image. Its pixels are a 32-bit TBitmap; an alpha channel is kept
// (AlphaFormat afDefined) and blended when drawn.
class TPngImage : public TPixelGraphic {
  RTL_DECLARE_CLASS(TPngImage)
 public:
  TPngImage();
  // True when the image has an alpha channel.
  bool Transparent() const override;
  // Raises EInvalidGraphic ("PNG-Bild ist ungültig: ...") for corrupt data.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
};

// A JPEG image, decoded into a 24-bit TBitmap.
class TJPEGImage : public TPixelGraphic {
  RTL_DECLARE_CLASS(TJPEGImage)
 public:
  TJPEGImage();
  // Raises EInvalidGraphic ("JPEG-Bild ist ungültig: ...") for corrupt or
  // truncated data.
  void LoadFromStream(TStream* Stream) override;
  // Encodes with CompressionQuality (1..100, default 90).
  void SaveToStream(TStream* Stream) override;
  Integer CompressionQuality = 90;

 protected:
  void AssignSettings(TPixelGraphic* Source) override;
};

// The first image of a GIF file, its transparent colour as alpha
// (32-bit, afDefined). Read only.
class TGIFImage : public TPixelGraphic {
  RTL_DECLARE_CLASS(TGIFImage)
 public:
  TGIFImage();
  // Raises EInvalidGraphic ("GIF-Bild ist ungültig") for corrupt data.
  void LoadFromStream(TStream* Stream) override;
  // Raises EInvalidGraphicOperation: GIF files are not written.
  void SaveToStream(TStream* Stream) override;
};

class TPicture : public TPersistent {
  RTL_DECLARE_CLASS(TPicture)
 public:
  TPicture();
  ~TPicture() override;

  // The graphic held, or null. Owned by the picture.
  TGraphic* Graphic() const { return FGraphic.get(); }
  // Replaces the graphic by a copy of V (null clears).
  void SetGraphic(TGraphic* V);
  // The graphic as a TBitmap; a graphic of another kind is replaced by an
  // empty bitmap first.
  TBitmap* Bitmap();
  Integer Width() const { return FGraphic ? FGraphic->Width() : 0; }
  Integer Height() const { return FGraphic ? FGraphic->Height() : 0; }

  // Loads by the file's extension. Raises EInvalidGraphic ("Unbekannte
  // Bilddatei-Erweiterung (.%s)") for an unregistered one, EFOpenError
  // and EInvalidGraphic as the graphic's LoadFromFile.
  void LoadFromFile(const String& FileName);
  // Saves the graphic; nothing happens without one.
  void SaveToFile(const String& FileName);
  // Loads by the data's signature (BMP, PNG, JPEG, ICO, GIF). Raises
  // EInvalidGraphic ("Unbekanntes Bildformat") for anything else.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);

  void Assign(TPersistent* Source) override;
  TGraphicsNotify OnChange;

  // Registers a format: files ending in "." + Extension are loaded by a
  // graphic from Factory (the caller of Factory owns the result).
  static void RegisterFileFormat(const String& Extension, const String& Description,
                                 TGraphicClass Factory);
  static void UnregisterGraphicClass(TGraphicClass Factory);
  // A new graphic for the extension (without dot, any case), or null.
  static std::unique_ptr<TGraphic> CreateGraphicForExtension(const String& Extension);
  // The description of a registered extension, or "".
  static String FileFormatDescription(const String& Extension);

 private:
  void Changed();
  void TakeGraphic(std::unique_ptr<TGraphic> G);
  std::unique_ptr<TGraphic> FGraphic;
};
