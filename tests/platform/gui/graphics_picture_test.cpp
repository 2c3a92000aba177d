// Pictures: PNG, JPEG and icon streams, the format registry, corrupt files.
#include <fstream>
#include <map>

#include "drawing_fixture.h"

class PictureTest : public DrawingTest {
 protected:
  // A 16 x 8 picture: left half red, right half blue.
  void Paint(TBitmap& B) {
    B.SetSize(16, 8);
    B.Canvas()->Brush()->SetColor(clRed);
    B.Canvas()->FillRect(Rect(0, 0, 8, 8));
    B.Canvas()->Brush()->SetColor(clBlue);
    B.Canvas()->FillRect(Rect(8, 0, 16, 8));
  }
  void WriteFile(const std::string& Name, const std::vector<Byte>& Bytes) {
    std::ofstream(Path(Name), std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
  }
  std::vector<Byte> ReadFile(const std::string& Name) {
    std::ifstream in(Path(Name), std::ios::binary);
    return std::vector<Byte>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // Channel distance between two colours.
  static int Distance(TColorRef A, TColorRef B) {
    int d = 0;
    for (int sh = 0; sh < 24; sh += 8) d = std::max(d, std::abs(int((A >> sh) & 255) - int((B >> sh) & 255)));
    return d;
  }
};

TEST_F(PictureTest, PngRoundTripIsExact) {
  TBitmap b;
  Paint(b);
  b.SavePng(Path("bild.png"));
  TPicture p;
  p.LoadFromFile(Path("bild.png"));
  ASSERT_TRUE(p.Graphic()->Is<TPngImage>());
  EXPECT_EQ(p.Width(), 16);
  EXPECT_EQ(p.Height(), 8);
  Canvas().Draw(0, 0, p.Graphic());
  EXPECT_EQ(At(0, 0), clRed);
  EXPECT_EQ(At(15, 7), clBlue);
  EXPECT_EQ(At(16, 0), clWhite);
}

TEST_F(PictureTest, PngAlphaIsBlendedWhenDrawn) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(2, 1);
  b.Canvas()->SetPixel(0, 0, clBlack);
  b.Canvas()->SetPixel(1, 0, clBlack);
  b.ScanLine(0)[3] = 0;      // fully transparent
  b.ScanLine(0)[4 + 3] = 128;  // half
  b.SetAlphaFormat(afDefined);
  b.SavePng(Path("alpha.png"));
  TPngImage png;
  png.LoadFromFile(Path("alpha.png"));
  EXPECT_TRUE(png.Transparent());
  Canvas().Draw(0, 0, &png);
  EXPECT_EQ(At(0, 0), clWhite);
  EXPECT_LE(Distance(ColorToRGB(At(1, 0)), 0x7F7F7F), 1);
}

TEST_F(PictureTest, JpegRoundTripIsClose) {
  TBitmap b;
  Paint(b);
  TJPEGImage jpeg;
  jpeg.Assign(&b);
  jpeg.SaveToFile(Path("bild.jpg"));
  TPicture p;
  p.LoadFromFile(Path("BILD.JPG"));  // file names match in any case
  ASSERT_TRUE(p.Graphic()->Is<TJPEGImage>());
  Canvas().Draw(0, 0, p.Graphic());
  EXPECT_LE(Distance(ColorToRGB(At(2, 2)), ColorToRGB(clRed)), 24);
  EXPECT_LE(Distance(ColorToRGB(At(13, 5)), ColorToRGB(clBlue)), 24);
}

TEST_F(PictureTest, StreamIsRecognisedBySignature) {
  TBitmap b;
  Paint(b);
  b.SaveToFile(Path("a.bmp"));
  b.SavePng(Path("a.png"));
  for (const char* name : {"a.bmp", "a.png"}) {
    std::vector<Byte> bytes = ReadFile(name);
    TReadOnlyMemoryStream s(bytes.data(), Int64(bytes.size()));
    TPicture p;
    p.LoadFromStream(&s);
    EXPECT_EQ(p.Width(), 16) << name;
  }
  std::vector<Byte> junk = {1, 2, 3, 4, 5};
  TReadOnlyMemoryStream s(junk.data(), Int64(junk.size()));
  TPicture p;
  EXPECT_THROW(p.LoadFromStream(&s), EInvalidGraphic);
}

TEST_F(PictureTest, UnknownExtensionIsRefused) {
  WriteFile("x.xyz", {1, 2, 3});
  TPicture p;
  try {
    p.LoadFromFile(Path("x.xyz"));
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Unbekannte Bilddatei-Erweiterung (.xyz)");
  }
  EXPECT_THROW(p.LoadFromFile(Path("missing.png")), EFOpenError);
}

TEST_F(PictureTest, RegistryKnowsTheBuiltInFormats) {
  EXPECT_EQ(TPicture::FileFormatDescription("PNG"), "Portable Network Graphics");
  EXPECT_TRUE(TPicture::CreateGraphicForExtension("jpeg")->Is<TJPEGImage>());
  EXPECT_TRUE(TPicture::CreateGraphicForExtension(".bmp")->Is<TBitmap>());
  EXPECT_TRUE(TPicture::CreateGraphicForExtension("GIF")->Is<TGIFImage>());
  EXPECT_EQ(TPicture::CreateGraphicForExtension("tif"), nullptr);
}

TEST_F(PictureTest, RegisteredFormatIsUsedByExtension) {
  TGraphicClass factory = [] () -> TGraphic* { return new TBitmap; };
  TPicture::RegisterFileFormat("dib", "Geräteunabhängige Bitmap", factory);
  TBitmap b;
  Paint(b);
  b.SaveToFile(Path("bild.dib"));
  TPicture p;
  p.LoadFromFile(Path("bild.dib"));
  EXPECT_EQ(p.Width(), 16);
  TPicture::UnregisterGraphicClass(factory);
  EXPECT_EQ(TPicture::CreateGraphicForExtension("dib"), nullptr);
}

TEST_F(PictureTest, CorruptPngAndJpegAreInvalidGraphics) {
  TBitmap b;
  Paint(b);
  b.SavePng(Path("ok.png"));
  TJPEGImage jpeg;
  jpeg.Assign(&b);
  jpeg.SaveToFile(Path("ok.jpg"));
  for (const char* name : {"ok.png", "ok.jpg"}) {
    std::vector<Byte> bytes = ReadFile(name);
    std::string ext = std::string(name).substr(2);
    WriteFile("cut" + ext, std::vector<Byte>(bytes.begin(), bytes.begin() + bytes.size() / 2));
    std::vector<Byte> flipped = bytes;
    for (size_t i = 20; i < flipped.size(); i += 7) flipped[i] ^= 0x5A;
    WriteFile("flip" + ext, flipped);
    WriteFile("empty" + ext, {});
    for (const char* prefix : {"cut", "flip", "empty"}) {
      TPicture p;
      EXPECT_THROW(p.LoadFromFile(Path(prefix + ext)), EInvalidGraphic) << prefix << ext;
      EXPECT_EQ(p.Graphic(), nullptr);
    }
  }
}

TEST_F(PictureTest, IconRoundTripKeepsTransparency) {
  TIcon icon;
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(4, 4);
  b.Canvas()->Brush()->SetColor(clBlack);
  b.Canvas()->FillRect(Rect(0, 0, 4, 4));
  b.ScanLine(0)[3] = 0;
  icon.Bitmap()->Assign(&b);
  icon.Bitmap()->SetAlphaFormat(afDefined);
  icon.SaveToFile(Path("a.ico"));
  TPicture p;
  p.LoadFromFile(Path("a.ico"));
  ASSERT_TRUE(p.Graphic()->Is<TIcon>());
  Canvas().Draw(0, 0, p.Graphic());
  EXPECT_EQ(At(0, 0), clWhite);
  EXPECT_EQ(At(1, 0), clBlack);
  EXPECT_EQ(At(3, 3), clBlack);
}

TEST_F(PictureTest, BitmapPropertyReplacesOtherGraphics) {
  TBitmap b;
  Paint(b);
  b.SavePng(Path("a.png"));
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  p.LoadFromFile(Path("a.png"));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(p.Bitmap()->Empty());
  p.Bitmap()->SetSize(3, 3);
  EXPECT_EQ(p.Width(), 3);
  TPicture q;
  q.Assign(&p);
  EXPECT_EQ(q.Width(), 3);
}

// Draws a small scene and keeps it as a PNG in the test folder, where a
// person looking at a failure can open it.
TEST_F(PictureTest, SceneIsSavedAsPng) {
  Paper.SetSize(220, 110);
  Canvas().Brush()->SetColor(clBtnFace);
  Canvas().FillRect(Rect(0, 0, 220, 110));
  Canvas().Brush()->SetColor(clWindow);
  Canvas().Rectangle(5, 5, 110, 40);
  Canvas().Brush()->SetColor(clYellow);
  Canvas().Ellipse(120, 5, 210, 45);
  Canvas().Pen()->SetColor(clRed);
  Canvas().Pen()->SetWidth(3);
  Canvas().MoveTo(10, 80);
  Canvas().LineTo(100, 50);
  Canvas().Pen()->SetWidth(1);
  Canvas().Font()->SetName("Tahoma");
  Canvas().Font()->SetStyle({fsBold});
  Canvas().Brush()->SetStyle(bsClear);
  TRect r = Rect(5, 5, 110, 40);
  DrawText(Canvas(), "&Mobile Daten", r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  Canvas().DrawFocusRect(Rect(110, 55, 215, 85));
  Canvas().Font()->SetStyle({});
  Canvas().TextOut(115, 60, "Größe: 12 pt");
  Canvas().Font()->SetOrientation(300);
  Canvas().TextOut(120, 100, "schräg");
  Canvas().Font()->SetOrientation(0);
  Canvas().Brush()->SetStyle(bsSolid);
  FillGradient(Canvas(), Rect(150, 48, 215, 53), clNavy, clAqua, false);
  Paper.SavePng(Path("scene.png"));
  TPicture p;
  p.LoadFromFile(Path("scene.png"));
  EXPECT_EQ(p.Width(), 220);
  if (const char* keep = std::getenv("GUI_TEST_KEEP_PNG")) Paper.SavePng(keep);
}

// GIF files made here: a real LZW encoder, so that the reader's code
// table and code widths are exercised.
class GifTest : public DrawingTest {
 protected:
  // Encodes colour indices with LZW (minimum code size 2).
  static std::vector<Byte> Lzw(const std::vector<Byte>& Indices) {
    std::vector<Byte> out;
    size_t bit = 0;
    int width = 3;
    auto emit = [&](int code) {
      for (int i = 0; i < width; ++i, ++bit) {
        if (bit / 8 >= out.size()) out.push_back(0);
        out[bit / 8] |= Byte(((code >> i) & 1) << (bit % 8));
      }
    };
    // Strings of indices, one char per index, to their codes.
    std::map<std::string, int> table;
    for (int i = 0; i < 4; ++i) table[std::string(1, char(i))] = i;
    int next = 6;
    emit(4);
    std::string w;
    for (Byte k : Indices) {
      std::string wk = w + char(k);
      if (table.count(wk)) { w = wk; continue; }
      emit(table[w]);
      if (next < 4096) {
        table[wk] = next++;
        if (next > (1 << width) && width < 12) ++width;
      }
      w = std::string(1, char(k));
    }
    emit(table[w]);
    emit(5);
    return out;
  }
  // A GIF89a of W x H with a four-colour table (white, black, red, blue)
  // and, when Transparent >= 0, that index transparent.
  static std::vector<Byte> Gif(int W, int H, const std::vector<Byte>& Indices, int Transparent) {
    std::vector<Byte> g = {'G', 'I', 'F', '8', '9', 'a', Byte(W), 0, Byte(H), 0, 0x81, 0, 0,
                           255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 0, 255};
    if (Transparent >= 0) g.insert(g.end(), {0x21, 0xF9, 4, 1, 0, 0, Byte(Transparent), 0});
    g.insert(g.end(), {0x2C, 0, 0, 0, 0, Byte(W), 0, Byte(H), 0, 0, 2});
    std::vector<Byte> data = Lzw(Indices);
    for (size_t i = 0; i < data.size(); i += 255) {
      size_t n = std::min<size_t>(255, data.size() - i);
      g.push_back(Byte(n));
      g.insert(g.end(), data.begin() + i, data.begin() + i + n);
    }
    g.insert(g.end(), {0, 0x3B});
    return g;
  }
  void Load(TPicture& P, const std::vector<Byte>& Bytes) {
    TReadOnlyMemoryStream s(Bytes.data(), Int64(Bytes.size()));
    P.LoadFromStream(&s);
  }
};

TEST_F(GifTest, FirstImageIsDecoded) {
  std::vector<Byte> idx;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) idx.push_back(Byte((x / 3 + y) % 4));
  TPicture p;
  Load(p, Gif(12, 8, idx, -1));
  ASSERT_TRUE(p.Graphic()->Is<TGIFImage>());
  Canvas().Draw(0, 0, p.Graphic());
  const TColor colours[] = {clWhite, clBlack, clRed, clBlue};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) EXPECT_EQ(At(x, y), colours[(x / 3 + y) % 4]) << x << "," << y;
}

TEST_F(GifTest, LongRunsGrowTheCodeTable) {
  std::vector<Byte> idx(24 * 16, 1);
  for (size_t i = 0; i < idx.size(); i += 7) idx[i] = 2;
  TPicture p;
  Load(p, Gif(24, 16, idx, -1));
  Canvas().Draw(0, 0, p.Graphic());
  for (size_t i = 0; i < idx.size(); ++i)
    EXPECT_EQ(At(int(i % 24), int(i / 24)), idx[i] == 2 ? clRed : clBlack) << i;
}

TEST_F(GifTest, TransparentIndexShowsTheBackground) {
  TPicture p;
  Load(p, Gif(2, 1, {3, 1}, 3));
  Canvas().Draw(0, 0, p.Graphic());
  EXPECT_EQ(Row(0, 0, 3), ".#.");
}

TEST_F(GifTest, CorruptGifIsAnInvalidGraphic) {
  std::vector<Byte> good = Gif(4, 4, std::vector<Byte>(16, 2), -1);
  TPicture p;
  EXPECT_THROW(Load(p, std::vector<Byte>(good.begin(), good.begin() + good.size() - 6)), EInvalidGraphic);
  std::vector<Byte> noImage(good.begin(), good.begin() + 25);
  noImage.push_back(0x3B);
  EXPECT_THROW(Load(p, noImage), EInvalidGraphic);
  TGIFImage gif;
  TMemoryStream out;
  EXPECT_THROW(gif.SaveToStream(&out), EInvalidGraphicOperation);
}

// Sizes claimed by a few bytes are checked against the limit and the data
// before anything is allocated.
TEST_F(GifTest, ImagesClaimingHugeSizesOrCutShortAreInvalidGraphics) {
  TPicture p;
  std::vector<Byte> gif = Gif(4, 4, std::vector<Byte>(16, 2), -1);
  for (size_t at : {size_t(6), size_t(8), size_t(30), size_t(32)}) gif[at] = gif[at + 1] = 0xFF;
  EXPECT_THROW(Load(p, gif), EInvalidGraphic);

  auto Bmp = [](Cardinal W, Cardinal H, Cardinal Compression, size_t Pixels) {
    std::vector<Byte> b(54 + 1024 + Pixels, 0);
    auto put = [&](size_t at, Cardinal v) { for (int i = 0; i < 4; ++i) b[at + i] = Byte(v >> (8 * i)); };
    b[0] = 'B', b[1] = 'M';
    put(10, 54 + 1024);
    put(14, 40), put(18, W), put(22, H), b[26] = 1, b[28] = 8, put(30, Compression);
    return b;
  };
  TBitmap bmp;
  auto LoadBmp = [&](const std::vector<Byte>& B) {
    TReadOnlyMemoryStream s(B.data(), Int64(B.size()));
    bmp.LoadFromStream(&s);
  };
  EXPECT_NO_THROW(LoadBmp(Bmp(4, 4, 0, 16)));
  EXPECT_THROW(LoadBmp(Bmp(4, 0x80000000u, 0, 16)), EInvalidGraphic);  // INT_MIN rows
  EXPECT_THROW(LoadBmp(Bmp(1028, 131072, 1, 1300)), EInvalidGraphic);  // run-length bomb
  EXPECT_THROW(LoadBmp(Bmp(4000, 4000, 0, 16)), EInvalidGraphic);      // rows missing
  EXPECT_EQ(4, bmp.Width());  // the last good image stays

  TIcon icon;
  std::vector<Byte> ico = {0, 0, 1, 0, 5, 0, 16, 16, 0, 0};  // five entries, one half there
  TReadOnlyMemoryStream s(ico.data(), Int64(ico.size()));
  EXPECT_THROW(icon.LoadFromStream(&s), EInvalidGraphic);
}
