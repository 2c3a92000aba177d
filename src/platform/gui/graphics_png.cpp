// PNG through libpng's simplified interface: TPngImage and TBitmap::SavePng.
#include <png.h>

#include <cstring>
#include <fstream>

#include "platform/gui/graphics_picture.h"

RTL_IMPLEMENT_CLASS(TPngImage, TPixelGraphic, [](TObject*) -> TObject* { return new TPngImage; })

namespace {

// Decodes a PNG into a new 32-bit bitmap (alpha defined when the file has
// any). Raises EInvalidGraphic for corrupt data.
std::unique_ptr<TBitmap> DecodePng(const std::vector<Byte>& Data) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, Data.data(), Data.size()))
    throw EInvalidGraphic(String("PNG-Bild ist ungültig: ") + image.message);
  bool alpha = image.format & PNG_FORMAT_FLAG_ALPHA;
  image.format = PNG_FORMAT_BGRA;
  try {
    CheckPictureSize(image.width, image.height, "PNG-Bild ist ungültig");
  } catch (...) {
    png_image_free(&image);
    throw;
  }
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf32bit);
  bmp->SetSize(Integer(image.width), Integer(image.height));
  const TPixelSurface& s = bmp->PixelSurface();
  if (!png_image_finish_read(&image, nullptr, s.Bits, s.Stride, nullptr))
    throw EInvalidGraphic(String("PNG-Bild ist ungültig: ") + image.message);
  bmp->SetAlphaFormat(alpha ? afDefined : afIgnored);
  return bmp;
}

void EncodePng(const TPixelSurface& S, bool Alpha, TStream* Stream) {
  std::vector<Byte> bgra(size_t(S.Width) * S.Height * 4);
  for (Integer y = 0; y < S.Height; ++y)
    for (Integer x = 0; x < S.Width; ++x) {
      const Byte* p = S.Pixel(x, y);
      Byte* q = &bgra[(size_t(y) * S.Width + x) * 4];
      std::memcpy(q, p, 3);
      q[3] = Alpha && S.BytesPerPixel == 4 ? p[3] : 255;
    }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(S.Width);
  image.height = png_uint_32(S.Height);
  image.format = Alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  if (!Alpha) {
    // The simplified writer wants packed rows of the declared format.
    size_t w = 0;
    for (size_t i = 0; i < bgra.size(); i += 4) {
      bgra[w++] = bgra[i];
      bgra[w++] = bgra[i + 1];
      bgra[w++] = bgra[i + 2];
    }
  }
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, bgra.data(), 0, nullptr))
    throw EInvalidGraphic(String("PNG-Bild kann nicht geschrieben werden: ") + image.message);
  std::vector<Byte> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, bgra.data(), 0, nullptr))
    throw EInvalidGraphic(String("PNG-Bild kann nicht geschrieben werden: ") + image.message);
  Stream->WriteBuffer(out.data(), Int64(size));
}

}  // namespace

TPngImage::TPngImage() : TPixelGraphic(pf32bit, false) {}

bool TPngImage::Transparent() const {
  return Bitmap()->AlphaFormat() == afDefined;
}

void TPngImage::LoadFromStream(TStream* Stream) {
  TakeBitmap(DecodePng(ReadRemainingBytes(Stream)));
}

void TPngImage::SaveToStream(TStream* Stream) {
  RequireImage();
  EncodePng(Bitmap()->PixelSurface(), Bitmap()->AlphaFormat() == afDefined, Stream);
}

void TBitmap::SavePngToStream(TStream* Stream) {
  if (Empty()) throw EInvalidGraphicOperation("Ein leeres Bild kann nicht gespeichert werden");
  EncodePng(FSurface, FAlphaFormat == afDefined, Stream);
}

void TBitmap::SavePng(const String& FileName) {
  TPngImage png;
  png.Assign(this);
  png.SaveToFile(FileName);
}
