// BMP streams of TBitmap: every common DIB layout is read (1, 4, 8 bits
// with colour table, RLE8, RLE4, 16, 24 and 32 bits, bit fields, top-down
// and bottom-up); 24- or 32-bit uncompressed BMPs are written.
#include <cstring>

#include "platform/gui/graphics_bitmap.h"
#include "platform/rtl/byteorder.h"

namespace {

const char* const SInvalidBitmap = "Bitmap ist ungültig";

[[noreturn]] void Invalid() { throw EInvalidGraphic(SInvalidBitmap); }

// Little-endian reads from a byte block; running past the end is corrupt
// data.
struct TReader {
  const std::vector<Byte>& D;
  size_t Pos = 0;
  void Need(size_t N) const { if (Pos + N > D.size() || Pos + N < Pos) Invalid(); }
  Byte U8() { Need(1); return D[Pos++]; }
  Cardinal U16() { return Cardinal(Take(2)); }
  Cardinal U32() { return Cardinal(Take(4)); }
  std::uint64_t Take(size_t N) {
    Need(N);
    Pos += N;
    return rtl_bytes::LoadLE(&D[Pos - N], N);
  }
};

struct TDibInfo {
  Integer Width = 0, Height = 0, Bpp = 0;
  Cardinal Compression = 0;
  bool TopDown = false;
  Cardinal Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  std::vector<TColorRef> Palette;    // 0x00BBGGRR
};

constexpr Cardinal BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

TDibInfo ReadHeader(TReader& R, size_t& PixelOffset) {
  if (R.U8() != 'B' || R.U8() != 'M') Invalid();
  R.U32();
  R.U32();
  PixelOffset = R.U32();
  size_t headerStart = R.Pos;
  Cardinal headerSize = R.U32();
  TDibInfo info;
  bool core = headerSize == 12;
  if (!core && headerSize < 40) Invalid();
  Int64 w = core ? Int64(R.U16()) : Int64(Integer(R.U32()));
  Int64 h = core ? Int64(std::int16_t(R.U16())) : Int64(Integer(R.U32()));
  if (R.U16() != 1) Invalid();
  info.Bpp = Integer(R.U16());
  info.TopDown = h < 0;
  if (h < 0) h = -h;  // in 64 bits: INT_MIN has no 32-bit negation
  CheckPictureSize(w, h, SInvalidBitmap);
  info.Width = Integer(w);
  info.Height = Integer(h);
  Cardinal colorsUsed = 0;
  if (!core) {
    info.Compression = R.U32();
    R.Pos += 12;
    colorsUsed = R.U32();
    R.U32();
    bool fields = info.Compression == BI_BITFIELDS || info.Compression == BI_ALPHABITFIELDS;
    if (fields || headerSize >= 52) {
      for (int i = 0; i < (headerSize >= 56 || info.Compression == BI_ALPHABITFIELDS ? 4 : 3); ++i)
        info.Masks[i] = R.U32();
    }
  }
  static const int kBpp[] = {1, 4, 8, 16, 24, 32};
  if (std::find(std::begin(kBpp), std::end(kBpp), info.Bpp) == std::end(kBpp)) Invalid();
  R.Pos = std::max(R.Pos, headerStart + headerSize);
  if (info.Compression == BI_BITFIELDS && headerSize == 40) R.Pos = headerStart + 40 + 12;
  if (info.Bpp <= 8) {
    Cardinal n = colorsUsed ? colorsUsed : (1u << info.Bpp);
    if (n > 256) Invalid();
    for (Cardinal i = 0; i < n; ++i) {
      Byte b = R.U8(), g = R.U8(), r = R.U8();
      if (!core) R.U8();
      info.Palette.push_back(RGB(r, g, b));
    }
  }
  return info;
}

// Reads a value through a bit-field mask, scaled to 0..255.
Byte MaskedChannel(Cardinal Value, Cardinal Mask) {
  if (!Mask) return 0;
  int shift = 0;
  while (!((Mask >> shift) & 1)) ++shift;
  Cardinal max = Mask >> shift, v = (Value & Mask) >> shift;
  return Byte(v * 255 / max);
}

TColorRef PaletteColor(const TDibInfo& I, Cardinal Index) {
  return Index < I.Palette.size() ? I.Palette[Index] : 0;
}

// Uncompressed rows into the bitmap's pixels.
void ReadPlain(const std::vector<Byte>& D, size_t Offset, const TDibInfo& I, TBitmap& B) {
  size_t stride = ((size_t(I.Width) * I.Bpp + 31) / 32) * 4;
  if (Offset > D.size() || (D.size() - Offset) / stride < size_t(I.Height)) Invalid();
  Cardinal rm = I.Masks[0], gm = I.Masks[1], bm = I.Masks[2];
  bool fields = I.Compression == BI_BITFIELDS || I.Compression == BI_ALPHABITFIELDS;
  if (!fields && I.Bpp == 16) { rm = 0x7C00; gm = 0x03E0; bm = 0x001F; }
  const TPixelSurface& s = B.PixelSurface();
  for (Integer y = 0; y < I.Height; ++y) {
    const Byte* row = &D[Offset + stride * (I.TopDown ? y : I.Height - 1 - y)];
    for (Integer x = 0; x < I.Width; ++x) {
      switch (I.Bpp) {
        case 1: s.Set(x, y, PaletteColor(I, (row[x >> 3] >> (7 - (x & 7))) & 1)); break;
        case 4: s.Set(x, y, PaletteColor(I, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF)); break;
        case 8: s.Set(x, y, PaletteColor(I, row[x])); break;
        case 16: {
          Cardinal v = LoadLE16(row + 2 * x);
          s.Set(x, y, RGB(MaskedChannel(v, rm), MaskedChannel(v, gm), MaskedChannel(v, bm)));
          break;
        }
        case 24: s.Set(x, y, RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x])); break;
        default: {
          const Byte* p = row + 4 * x;
          Byte* q = s.Pixel(x, y);
          if (fields) {
            Cardinal v = LoadLE32(p);
            s.Set(x, y, RGB(MaskedChannel(v, rm), MaskedChannel(v, gm), MaskedChannel(v, bm)));
            q[3] = I.Masks[3] ? MaskedChannel(v, I.Masks[3]) : 255;
          } else {
            q[0] = p[0]; q[1] = p[1]; q[2] = p[2]; q[3] = p[3];
          }
        }
      }
    }
  }
}

// Run-length encoded rows (RLE8 and RLE4), always bottom-up.
void ReadRle(const std::vector<Byte>& D, size_t Offset, const TDibInfo& I, TBitmap& B) {
  if (I.TopDown || Offset > D.size()) Invalid();
  TReader r{D, Offset};
  const TPixelSurface& s = B.PixelSurface();
  Integer x = 0, y = 0;
  bool four = I.Compression == BI_RLE4;
  auto put = [&](Cardinal index) {
    if (x < I.Width && y < I.Height) s.Set(x, I.Height - 1 - y, PaletteColor(I, index));
    ++x;
  };
  while (true) {
    Byte n = r.U8(), v = r.U8();
    if (n > 0) {
      for (Byte k = 0; k < n; ++k) put(four ? ((k & 1) ? v & 0xF : v >> 4) : v);
    } else if (v == 0) {
      x = 0;
      ++y;
    } else if (v == 1) {
      return;
    } else if (v == 2) {
      x += r.U8();
      y += r.U8();
    } else {
      Integer bytes = four ? (v + 1) / 2 : v;
      for (Integer k = 0; k < v; ++k) {
        Byte b = r.D.at(r.Pos + (four ? k / 2 : k));
        put(four ? ((k & 1) ? b & 0xF : b >> 4) : b);
      }
      r.Need(size_t(bytes));
      r.Pos += bytes + (bytes & 1);
    }
    if (y > I.Height) Invalid();
  }
}

TPixelFormat FormatOfBpp(Integer Bpp) {
  switch (Bpp) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf16bit;
    case 24: return pf24bit;
    default: return pf32bit;
  }
}

}  // namespace

void TBitmap::LoadFromStream(TStream* Stream) {
  std::vector<Byte> data = ReadRemainingBytes(Stream);
  TReader r{data};
  size_t offset = 0;
  TDibInfo info = ReadHeader(r, offset);
  bool rle = info.Compression == BI_RLE8 || info.Compression == BI_RLE4;
  if (info.Compression != BI_RGB && info.Compression != BI_BITFIELDS &&
      info.Compression != BI_ALPHABITFIELDS && !rle)
    Invalid();
  // Uncompressed rows must be there before the pixels are allocated.
  size_t stride = ((size_t(info.Width) * info.Bpp + 31) / 32) * 4;
  size_t have = offset <= data.size() ? data.size() - offset : 0;
  if (!rle && have / stride < size_t(info.Height)) Invalid();
  TBitmap loaded;
  loaded.SetPixelFormat(info.Bpp == 24 ? pf24bit : pf32bit);
  loaded.SetSize(info.Width, info.Height);
  try {
    if (rle) ReadRle(data, offset, info, loaded);
    else ReadPlain(data, offset, info, loaded);
  } catch (const std::out_of_range&) {
    Invalid();
  }
  loaded.FPixelFormat = FormatOfBpp(info.Bpp);
  // The transparency settings belong to the bitmap, not to the file.
  loaded.FTransparentColor = FTransparentColor;
  loaded.FTransparentMode = FTransparentMode;
  loaded.TGraphic::SetTransparent(Transparent());
  Assign(&loaded);
}

void TBitmap::SaveToStream(TStream* Stream) {
  Integer bpp = FPixelFormat == pf24bit ? 24 : 32;
  Integer w = Width(), h = Height();
  Cardinal stride = ((Cardinal(w) * bpp + 31) / 32) * 4;
  Cardinal image = stride * Cardinal(h);
  Stream->WriteByte('B');
  Stream->WriteByte('M');
  Stream->WriteCardinal(14 + 40 + image);
  Stream->WriteCardinal(0);
  Stream->WriteCardinal(14 + 40);
  Stream->WriteCardinal(40);
  Stream->WriteInteger(w);
  Stream->WriteInteger(h);
  Stream->WriteWord(1);
  Stream->WriteWord(Word(bpp));
  Stream->WriteCardinal(BI_RGB);
  Stream->WriteCardinal(image);
  Stream->WriteInteger(3780);  // 96 pixels per inch
  Stream->WriteInteger(3780);
  Stream->WriteCardinal(0);
  Stream->WriteCardinal(0);
  std::vector<Byte> row(stride, 0);
  for (Integer y = h - 1; y >= 0; --y) {
    for (Integer x = 0; x < w; ++x) {
      const Byte* p = FSurface.Pixel(x, y);
      Byte* q = &row[size_t(x) * (bpp / 8)];
      std::memcpy(q, p, 3);
      if (bpp == 32) q[3] = FSurface.BytesPerPixel == 4 ? p[3] : 255;
    }
    Stream->WriteBuffer(row.data(), stride);
  }
}
