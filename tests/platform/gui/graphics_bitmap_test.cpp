// TBitmap: rows, sizes, transparency, BMP streams and corrupt data.
#include <fstream>

#include "drawing_fixture.h"

class BitmapTest : public DrawingTest {
 protected:
  // A 5 x 3 bitmap with a distinct colour in every pixel.
  void MakePicture(TBitmap& B, TPixelFormat Format) {
    B.SetPixelFormat(Format);
    B.SetSize(5, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) B.PixelSurface().Set(x, y, RGB(x * 40, y * 80, 200 - x * 10));
  }
  void ExpectSamePixels(TBitmap& A, TBitmap& B) {
    ASSERT_EQ(A.Width(), B.Width());
    ASSERT_EQ(A.Height(), B.Height());
    for (int y = 0; y < A.Height(); ++y)
      for (int x = 0; x < A.Width(); ++x)
        EXPECT_EQ(A.PixelSurface().Get(x, y), B.PixelSurface().Get(x, y)) << x << "," << y;
  }
  // The BMP bytes of B.
  std::vector<Byte> Saved(TBitmap& B) {
    TMemoryStream s;
    B.SaveToStream(&s);
    auto* p = static_cast<Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
  }
  // Loads raw bytes as a BMP.
  void LoadBytes(TBitmap& B, const std::vector<Byte>& Bytes) {
    TReadOnlyMemoryStream s(Bytes.data(), Int64(Bytes.size()));
    B.LoadFromStream(&s);
  }
};

TEST_F(BitmapTest, ScanLineGivesBgrRowsOf24BitPixels) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(10, 2);
  b.Canvas()->SetPixel(1, 1, RGB(10, 20, 30));
  Byte* row = b.ScanLine(1);
  EXPECT_EQ(row[3], 30);
  EXPECT_EQ(row[4], 20);
  EXPECT_EQ(row[5], 10);
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), 32);  // 30 bytes padded to 32
  EXPECT_THROW(b.ScanLine(2), EInvalidGraphicOperation);
}

TEST_F(BitmapTest, ThirtyTwoBitRowsHaveFourBytesPerPixel) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(3, 1);
  b.Canvas()->SetPixel(2, 0, clRed);
  EXPECT_EQ(b.ScanLine(0)[8 + 2], 255);
  EXPECT_EQ(b.ScanLine(0)[8 + 0], 0);
}

TEST_F(BitmapTest, ResizeKeepsPixelsAndWhitensNewOnes) {
  TBitmap b;
  b.SetSize(2, 2);
  b.Canvas()->SetPixel(1, 1, clRed);
  b.SetSize(4, 3);
  EXPECT_EQ(b.Canvas()->Pixel(1, 1), clRed);
  EXPECT_EQ(b.Canvas()->Pixel(3, 2), clWhite);
}

TEST_F(BitmapTest, PixelFormatChangeKeepsColours) {
  TBitmap b;
  MakePicture(b, pf32bit);
  TBitmap copy;
  copy.Assign(&b);
  b.SetPixelFormat(pf24bit);
  ExpectSamePixels(b, copy);
}

TEST_F(BitmapTest, BmpRoundTripIn24And32Bits) {
  for (TPixelFormat f : {pf24bit, pf32bit}) {
    TBitmap b, back;
    MakePicture(b, f);
    LoadBytes(back, Saved(b));
    ExpectSamePixels(b, back);
    EXPECT_EQ(back.PixelFormat(), f);
  }
}

TEST_F(BitmapTest, BmpFileRoundTrip) {
  TBitmap b, back;
  MakePicture(b, pf24bit);
  b.SaveToFile(Path("bild.bmp"));
  back.LoadFromFile(Path("bild.bmp"));
  ExpectSamePixels(b, back);
}

TEST_F(BitmapTest, EightBitPaletteBmpIsRead) {
  // A 2 x 2 bottom-up 8-bit BMP with two palette entries.
  std::vector<Byte> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,
                           40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           2, 0, 0, 0, 0, 0, 0, 0,
                           0, 0, 255, 0,    // entry 0: red
                           255, 0, 0, 0,    // entry 1: blue
                           0, 1, 0, 0,      // bottom row: red, blue
                           1, 1, 0, 0};     // top row: blue, blue
  TBitmap b;
  LoadBytes(b, bmp);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(b.Canvas()->Pixel(0, 1), clRed);
  EXPECT_EQ(b.Canvas()->Pixel(1, 1), clBlue);
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clBlue);
}

TEST_F(BitmapTest, CorruptBmpIsAnInvalidGraphicAndLeavesTheBitmap) {
  TBitmap b;
  MakePicture(b, pf24bit);
  std::vector<Byte> bytes = Saved(b);
  TBitmap target;
  target.SetSize(7, 7);
  std::vector<Byte> truncated(bytes.begin(), bytes.begin() + 60);
  EXPECT_THROW(LoadBytes(target, truncated), EInvalidGraphic);
  EXPECT_EQ(target.Width(), 7);
  std::vector<Byte> wrongMagic = bytes;
  wrongMagic[0] = 'X';
  EXPECT_THROW(LoadBytes(target, wrongMagic), EInvalidGraphic);
  std::vector<Byte> hugeWidth = bytes;
  hugeWidth[18] = 0xFF; hugeWidth[19] = 0xFF; hugeWidth[20] = 0xFF; hugeWidth[21] = 0x7F;
  EXPECT_THROW(LoadBytes(target, hugeWidth), EInvalidGraphic);
  EXPECT_THROW(LoadBytes(target, {}), EInvalidGraphic);
  try {
    LoadBytes(target, wrongMagic);
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Bitmap ist ungültig");
  }
}

TEST_F(BitmapTest, RandomBytesNeverCrashTheReader) {
  TBitmap b;
  MakePicture(b, pf24bit);
  std::vector<Byte> bytes = Saved(b);
  unsigned seed = 7;
  for (int round = 0; round < 200; ++round) {
    std::vector<Byte> damaged = bytes;
    for (int k = 0; k < 4; ++k) {
      seed = seed * 1103515245 + 12345;
      damaged[(seed >> 8) % damaged.size()] = Byte(seed >> 16);
    }
    TBitmap t;
    try {
      LoadBytes(t, damaged);
    } catch (const EInvalidGraphic&) {
    }
  }
}

TEST_F(BitmapTest, TransparentDrawLeavesOutTheBottomLeftColour) {
  TBitmap glyph;
  glyph.SetSize(3, 1);
  glyph.Canvas()->SetPixel(0, 0, clFuchsia);
  glyph.Canvas()->SetPixel(1, 0, clBlack);
  glyph.Canvas()->SetPixel(2, 0, clFuchsia);
  glyph.SetTransparent(true);
  EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
  Canvas().Draw(0, 0, &glyph);
  EXPECT_EQ(Row(0, 0, 4), ".#..");
}

TEST_F(BitmapTest, FixedTransparentColourWins) {
  TBitmap glyph;
  glyph.SetSize(2, 1);
  glyph.Canvas()->SetPixel(0, 0, clBlack);
  glyph.Canvas()->SetPixel(1, 0, clRed);
  glyph.SetTransparentColor(clRed);
  glyph.SetTransparent(true);
  Canvas().Draw(0, 0, &glyph);
  EXPECT_EQ(Row(0, 0, 3), "#..");
}

TEST_F(BitmapTest, StretchDrawScalesTheImage) {
  TBitmap b;
  b.SetSize(2, 1);
  b.Canvas()->SetPixel(0, 0, clBlack);
  Canvas().StretchDraw(Rect(0, 0, 6, 2), &b);
  EXPECT_EQ(Row(0, 0, 7), "###....");
  EXPECT_EQ(Row(1, 0, 7), "###....");
}

TEST_F(BitmapTest, MonochromeKeepsOnlyWhite) {
  TBitmap b;
  b.SetSize(2, 1);
  b.Canvas()->SetPixel(0, 0, clSilver);
  b.SetMonochrome(true);
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clBlack);
  EXPECT_EQ(b.Canvas()->Pixel(1, 0), clWhite);
}

TEST_F(BitmapTest, PatternBrushTilesItsBitmap) {
  TBitmap pattern;
  pattern.SetSize(2, 2);
  pattern.Canvas()->SetPixel(0, 0, clBlack);
  pattern.Canvas()->SetPixel(1, 1, clBlack);
  Canvas().Brush()->SetBitmap(&pattern);
  Canvas().FillRect(Rect(0, 0, 4, 2));
  EXPECT_EQ(Row(0, 0, 5), "#.#..");
  EXPECT_EQ(Row(1, 0, 5), ".#.#.");
  Canvas().Brush()->SetBitmap(nullptr);
}

TEST_F(BitmapTest, DrawingOnTheCanvasMarksTheBitmapChanged) {
  TBitmap b;
  b.SetSize(2, 2);
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.Canvas()->FillRect(Rect(0, 0, 1, 1));
  EXPECT_GT(changes, 0);
  EXPECT_TRUE(b.Modified());
}
