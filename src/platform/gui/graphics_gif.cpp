// GIF through our own reader: the first image of a GIF87a/GIF89a file,
// with its transparent colour as alpha. GIF files are only read.
#include <cstring>

#include "platform/gui/graphics_picture.h"
#include "platform/rtl/byteorder.h"

RTL_IMPLEMENT_CLASS(TGIFImage, TPixelGraphic, [](TObject*) -> TObject* { return new TGIFImage; })

namespace {

const char* const SInvalidGif = "GIF-Bild ist ungültig";

[[noreturn]] void Invalid() { throw EInvalidGraphic(SInvalidGif); }

struct TGifReader {
  const std::vector<Byte>& D;
  size_t Pos = 0;
  Byte U8() { if (Pos >= D.size()) Invalid(); return D[Pos++]; }
  Cardinal U16() {
    if (Pos > D.size() || D.size() - Pos < 2) Invalid();
    Pos += 2;
    return LoadLE16(&D[Pos - 2]);
  }
  std::vector<TColorRef> Palette(Byte Flags) {
    std::vector<TColorRef> p(size_t(2) << (Flags & 7));
    for (TColorRef& c : p) {
      Byte r = U8(), g = U8();
      c = RGB(r, g, U8());
    }
    return p;
  }
  // The data sub-blocks that follow, joined.
  std::vector<Byte> SubBlocks() {
    std::vector<Byte> out;
    for (Byte n; (n = U8()) != 0;) {
      if (Pos + n > D.size()) Invalid();
      out.insert(out.end(), D.begin() + Pos, D.begin() + Pos + n);
      Pos += n;
    }
    return out;
  }
};

// Expands LZW data into Count colour indices.
std::vector<Byte> Decompress(const std::vector<Byte>& Data, int MinCodeSize, size_t Count) {
  if (MinCodeSize < 2 || MinCodeSize > 8) Invalid();
  // A code of at least MinCodeSize + 1 bits gives at most 4096 indices: a
  // count beyond that cannot come from Data.
  if (Count / 4096 > Data.size() * 8 / size_t(MinCodeSize + 1)) Invalid();
  const int clear = 1 << MinCodeSize, end = clear + 1;
  std::vector<uint16_t> prefix(4096);
  std::vector<Byte> suffix(4096), stack;
  std::vector<Byte> out;
  out.reserve(Count);
  int width = MinCodeSize + 1, next = clear + 2, prev = -1;
  size_t bitPos = 0;
  Byte first = 0;
  while (out.size() < Count) {
    if (bitPos + width > Data.size() * 8) break;
    int code = 0;
    for (int i = 0; i < width; ++i, ++bitPos)
      code |= ((Data[bitPos >> 3] >> (bitPos & 7)) & 1) << i;
    if (code == clear) {
      width = MinCodeSize + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) break;
    int cur = code;
    stack.clear();
    if (prev < 0) {
      if (code >= clear) Invalid();
    } else if (code >= next) {
      if (code > next) Invalid();
      stack.push_back(first);
      cur = prev;
    }
    while (cur >= clear) {
      if (cur >= next || stack.size() > 4096) Invalid();
      stack.push_back(suffix[cur]);
      cur = prefix[cur];
    }
    stack.push_back(Byte(cur));
    first = Byte(cur);
    for (auto it = stack.rbegin(); it != stack.rend() && out.size() < Count; ++it) out.push_back(*it);
    if (prev >= 0 && next < 4096) {
      prefix[next] = uint16_t(prev);
      suffix[next] = first;
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
    prev = code;
  }
  if (out.size() < Count) Invalid();
  return out;
}

// The row of the image that the I-th stored row is (interlaced order).
std::vector<Integer> RowOrder(Integer H, bool Interlaced) {
  std::vector<Integer> rows;
  if (!Interlaced) {
    for (Integer y = 0; y < H; ++y) rows.push_back(y);
    return rows;
  }
  const Integer start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (Integer y = start[pass]; y < H; y += step[pass]) rows.push_back(y);
  return rows;
}

std::unique_ptr<TBitmap> DecodeGif(const std::vector<Byte>& Data) {
  TGifReader r{Data};
  if (Data.size() < 13 || std::memcmp(Data.data(), "GIF8", 4) != 0) Invalid();
  r.Pos = 6;
  Integer w = Integer(r.U16()), h = Integer(r.U16());
  Byte flags = r.U8();
  r.U8();
  r.U8();
  CheckPictureSize(w, h, SInvalidGif);
  std::vector<TColorRef> global = (flags & 0x80) ? r.Palette(flags) : std::vector<TColorRef>();
  int transparent = -1;
  while (true) {
    Byte kind = r.U8();
    if (kind == 0x21) {
      Byte label = r.U8();
      std::vector<Byte> block = r.SubBlocks();
      if (label == 0xF9 && block.size() >= 4 && (block[0] & 1)) transparent = block[3];
      continue;
    }
    if (kind != 0x2C) Invalid();  // the trailer before any image counts as corrupt too
    Integer left = Integer(r.U16()), top = Integer(r.U16());
    Integer fw = Integer(r.U16()), fh = Integer(r.U16());
    Byte imageFlags = r.U8();
    std::vector<TColorRef> palette = (imageFlags & 0x80) ? r.Palette(imageFlags) : global;
    if (palette.empty()) Invalid();
    CheckPictureSize(fw, fh, SInvalidGif);
    int minCode = r.U8();
    std::vector<Byte> indices = Decompress(r.SubBlocks(), minCode, size_t(fw) * fh);
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf32bit);
    bmp->SetSize(w, h);
    const TPixelSurface& s = bmp->PixelSurface();
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x) s.Pixel(x, y)[3] = 0;
    std::vector<Integer> rows = RowOrder(fh, imageFlags & 0x40);
    for (Integer i = 0; i < fh; ++i)
      for (Integer x = 0; x < fw; ++x) {
        Integer px = left + x, py = top + rows[i];
        Byte index = indices[size_t(i) * fw + x];
        if (px >= w || py >= h || index == transparent) continue;
        s.Set(px, py, index < palette.size() ? palette[index] : 0);
      }
    bmp->SetAlphaFormat(afDefined);
    return bmp;
  }
}

}  // namespace

TGIFImage::TGIFImage() : TPixelGraphic(pf32bit, true) {}

void TGIFImage::LoadFromStream(TStream* Stream) {
  TakeBitmap(DecodeGif(ReadRemainingBytes(Stream)));
}

void TGIFImage::SaveToStream(TStream*) {
  throw EInvalidGraphicOperation("GIF-Bilder können nicht gespeichert werden");
}
