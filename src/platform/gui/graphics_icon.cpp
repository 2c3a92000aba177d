// TIcon: the largest image of an ICO file with its transparency.
#include <cstring>

#include "platform/gui/graphics_picture.h"
#include "platform/rtl/byteorder.h"

RTL_IMPLEMENT_CLASS(TIcon, TPixelGraphic, [](TObject*) -> TObject* { return new TIcon; })

namespace {

const char* const SInvalidIcon = "Symbol ist ungültig";

// The little-endian field of Bytes bytes at P; past the end is a broken icon.
Cardinal Field(const std::vector<Byte>& D, size_t P, size_t Bytes) {
  if (P + Bytes > D.size()) throw EInvalidGraphic(SInvalidIcon);
  return Cardinal(rtl_bytes::LoadLE(&D[P], Bytes));
}
Cardinal U16At(const std::vector<Byte>& D, size_t P) { return Field(D, P, 2); }
Cardinal U32At(const std::vector<Byte>& D, size_t P) { return Field(D, P, 4); }

// Reads a DIB entry (colour image followed by the AND mask) into Out.
void ReadDibEntry(const std::vector<Byte>& D, size_t Offset, size_t Size, TBitmap& Out) {
  if (Offset + 40 > D.size() || Size < 40 || Offset + Size > D.size()) throw EInvalidGraphic(SInvalidIcon);
  std::vector<Byte> dib(D.begin() + Offset, D.begin() + Offset + Size);
  Cardinal headerSize = U32At(dib, 0), bpp = U16At(dib, 14), colors = U32At(dib, 32);
  auto w = Integer(U32At(dib, 4)), h = Integer(U32At(dib, 8)) / 2;
  if (w <= 0 || h <= 0 || w > 1024 || h > 1024) throw EInvalidGraphic(SInvalidIcon);
  StoreLE32(&dib[8], Cardinal(h));
  Cardinal palette = bpp <= 8 ? (colors ? colors : (1u << bpp)) * 4 : 0;
  size_t pixels = headerSize + palette, xorSize = size_t((w * bpp + 31) / 32) * 4 * h;
  std::vector<Byte> file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  StoreLE32(&file[10], Cardinal(14 + pixels));
  file.insert(file.end(), dib.begin(), dib.end());
  TReadOnlyMemoryStream stream(file.data(), Int64(file.size()));
  Out.LoadFromStream(&stream);
  Out.SetPixelFormat(pf32bit);
  const TPixelSurface& s = Out.PixelSurface();
  bool hasAlpha = false;
  for (Integer y = 0; bpp == 32 && y < h; ++y)
    for (Integer x = 0; x < w; ++x) hasAlpha |= s.Pixel(x, y)[3] != 0;
  size_t maskAt = pixels + xorSize, maskStride = size_t((w + 31) / 32) * 4;
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) {
      if (hasAlpha) continue;
      size_t at = maskAt + maskStride * (h - 1 - y) + x / 8;
      bool clear = at < dib.size() && ((dib[at] >> (7 - x % 8)) & 1);
      s.Pixel(x, y)[3] = clear ? 0 : 255;
    }
  Out.SetAlphaFormat(afDefined);
}

}  // namespace

TIcon::TIcon() : TPixelGraphic(pf32bit, true) {}

void TIcon::SetWidth(Integer) {
  throw EInvalidGraphicOperation("Die Größe eines Symbols kann nicht geändert werden");
}
void TIcon::SetHeight(Integer) {
  throw EInvalidGraphicOperation("Die Größe eines Symbols kann nicht geändert werden");
}

void TIcon::LoadFromStream(TStream* Stream) {
  std::vector<Byte> d = ReadRemainingBytes(Stream);
  if (U16At(d, 0) != 0 || U16At(d, 2) != 1 || U16At(d, 4) == 0) throw EInvalidGraphic(SInvalidIcon);
  Cardinal count = U16At(d, 4), best = 0, bestScore = 0;
  if (6 + 16 * size_t(count) > d.size()) throw EInvalidGraphic(SInvalidIcon);  // the directory is cut short
  for (Cardinal i = 0; i < count; ++i) {
    size_t e = 6 + 16 * i;
    Cardinal w = d[e] ? d[e] : 256, h = d[e + 1] ? d[e + 1] : 256;
    Cardinal score = w * h * 64 + U16At(d, e + 6);
    if (score > bestScore) { bestScore = score; best = i; }
  }
  size_t e = 6 + 16 * best, size = U32At(d, e + 8), offset = U32At(d, e + 12);
  auto image = std::make_unique<TBitmap>();
  static const Byte kPng[] = {0x89, 'P', 'N', 'G'};
  if (offset + 4 <= d.size() && std::memcmp(&d[offset], kPng, 4) == 0) {
    if (size > d.size() - offset) throw EInvalidGraphic(SInvalidIcon);
    TReadOnlyMemoryStream s(&d[offset], Int64(size));
    TPngImage png;
    png.LoadFromStream(&s);
    image->Assign(png.Bitmap());
    image->SetAlphaFormat(afDefined);
  } else {
    ReadDibEntry(d, offset, size, *image);
  }
  TakeBitmap(std::move(image));
}

void TIcon::SaveToStream(TStream* Stream) {
  RequireImage();
  TBitmap copy;
  copy.Assign(Bitmap());
  copy.SetPixelFormat(pf32bit);
  Integer w = Width(), h = Height();
  Cardinal maskStride = Cardinal((w + 31) / 32) * 4;
  Cardinal size = 40 + Cardinal(w * h * 4) + maskStride * Cardinal(h);
  Stream->WriteWord(0);
  Stream->WriteWord(1);
  Stream->WriteWord(1);
  Stream->WriteByte(Byte(w >= 256 ? 0 : w));
  Stream->WriteByte(Byte(h >= 256 ? 0 : h));
  Stream->WriteWord(0);
  Stream->WriteWord(1);
  Stream->WriteWord(32);
  Stream->WriteCardinal(size);
  Stream->WriteCardinal(22);
  TMemoryStream bmp;
  copy.SaveToStream(&bmp);
  auto* b = static_cast<Byte*>(bmp.Memory());
  std::vector<Byte> dib(b + 14, b + bmp.Size());
  StoreLE32(&dib[8], Cardinal(2 * h));
  Stream->WriteBuffer(dib.data(), Int64(dib.size()));
  const TPixelSurface& s = copy.PixelSurface();
  std::vector<Byte> row(maskStride);
  for (Integer y = h - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    for (Integer x = 0; x < w; ++x)
      if (s.Pixel(x, y)[3] == 0) row[x / 8] |= Byte(0x80 >> (x % 8));
    Stream->WriteBuffer(row.data(), Int64(maskStride));
  }
}
