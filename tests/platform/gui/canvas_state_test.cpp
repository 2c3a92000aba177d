// Raster operations, clipping, origins and saved states.
#include "drawing_fixture.h"

class CanvasState : public DrawingTest {
 protected:
  // A 4 x 1 source bitmap with the given colours.
  void MakeSource(std::vector<TColor> Colors) {
    Source.SetPixelFormat(pf24bit);
    Source.SetSize(int(Colors.size()), 1);
    for (size_t i = 0; i < Colors.size(); ++i) Source.PixelSurface().Set(int(i), 0, ColorToRGB(Colors[i]));
  }
  // Paints the destination pixels 0..n-1 of row 0.
  void PaintDest(std::vector<TColor> Colors) {
    for (size_t i = 0; i < Colors.size(); ++i) Paper.PixelSurface().Set(int(i), 0, ColorToRGB(Colors[i]));
  }
  void Blit(Cardinal Rop) { BitBlt(Canvas(), 0, 0, Source.Width(), 1, *Source.Canvas(), 0, 0, Rop); }
  TBitmap Source;
};

TEST_F(CanvasState, RasterOperationsOnKnownPixels) {
  struct Case { Cardinal Rop; TColor Expect; };
  // Source 0x0F0F0F, destination 0x3C3C3C, brush 0x555555.
  const Case cases[] = {
      {SRCCOPY, 0x0F0F0F}, {SRCPAINT, 0x3F3F3F}, {SRCAND, 0x0C0C0C},
      {SRCINVERT, 0x333333}, {SRCERASE, 0x030303}, {NOTSRCCOPY, 0xF0F0F0},
      {DSTINVERT, 0xC3C3C3}, {PATCOPY, 0x555555}, {PATINVERT, 0x696969},
      {BLACKNESS, 0x000000}, {WHITENESS, 0xFFFFFF}, {DSna, 0x303030}};
  for (const Case& c : cases) {
    MakeSource({0x0F0F0F});
    PaintDest({0x3C3C3C});
    Canvas().Brush()->SetColor(0x555555);
    Blit(c.Rop);
    EXPECT_EQ(At(0, 0), c.Expect) << std::hex << c.Rop;
  }
}

TEST_F(CanvasState, MaskedTransparentBlitShowsDestinationWhereMaskIsBlack) {
  // XOR image, AND NOT mask, XOR image: black mask pixels keep the
  // destination, white ones show the image.
  MakeSource({clRed, clRed, clBlue, clBlue});
  TBitmap mask;
  mask.SetSize(4, 1);
  mask.Canvas()->Brush()->SetColor(clWhite);
  mask.Canvas()->FillRect(Rect(0, 0, 4, 1));
  mask.Canvas()->SetPixel(1, 0, clBlack);
  mask.Canvas()->SetPixel(2, 0, clBlack);
  PaintDest({clGreen, clGreen, clGreen, clGreen});
  Blit(SRCINVERT);
  BitBlt(Canvas(), 0, 0, 4, 1, *mask.Canvas(), 0, 0, DSna);
  Blit(SRCINVERT);
  EXPECT_EQ(At(0, 0), clRed);
  EXPECT_EQ(At(1, 0), clGreen);
  EXPECT_EQ(At(2, 0), clGreen);
  EXPECT_EQ(At(3, 0), clBlue);
}

TEST_F(CanvasState, StretchBltRepeatsPixels) {
  MakeSource({clBlack, clWhite});
  StretchBlt(Canvas(), 0, 0, 4, 2, *Source.Canvas(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(Row(0, 0, 5), "##...");
  EXPECT_EQ(Row(1, 0, 5), "##...");
}

TEST_F(CanvasState, CopyRectUsesCopyMode) {
  MakeSource({clBlack, clBlack});
  Canvas().SetCopyMode(NOTSRCCOPY);
  Canvas().CopyRect(Rect(0, 0, 2, 1), *Source.Canvas(), Rect(0, 0, 2, 1));
  EXPECT_EQ(Row(0, 0, 3), "...");
  Canvas().SetCopyMode(SRCCOPY);
  Canvas().CopyRect(Rect(0, 0, 2, 1), *Source.Canvas(), Rect(0, 0, 2, 1));
  EXPECT_EQ(Row(0, 0, 3), "##.");
}

TEST_F(CanvasState, IntersectClipRectLimitsDrawing) {
  Canvas().IntersectClipRect(2, 2, 5, 4);
  Canvas().Brush()->SetColor(clBlack);
  Canvas().FillRect(Rect(0, 0, 24, 16));
  EXPECT_EQ(Inked(), 6);
  EXPECT_EQ(Canvas().ClipRect(), Rect(2, 2, 5, 4));
}

TEST_F(CanvasState, ExcludeClipRectLeavesAHole) {
  Canvas().ExcludeClipRect(1, 1, 3, 3);
  Canvas().Brush()->SetColor(clBlack);
  Canvas().FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(Row(0, 0, 4), "####");
  EXPECT_EQ(Row(1, 0, 4), "#..#");
  EXPECT_EQ(Row(2, 0, 4), "#..#");
}

TEST_F(CanvasState, ClipRegionShapesDrawing) {
  TRegion round = CreateEllipticRgn(0, 0, 24, 16);
  Canvas().SelectClipRgn(&round);
  Canvas().Brush()->SetColor(clBlack);
  Canvas().FillRect(Rect(0, 0, 24, 16));
  EXPECT_EQ(At(0, 0), clWhite);
  EXPECT_EQ(At(12, 8), clBlack);
  Canvas().SelectClipRgn(nullptr);
  Canvas().FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(At(0, 0), clBlack);
}

TEST_F(CanvasState, RestoreDCBringsBackClipAndOrigin) {
  Canvas().Brush()->SetColor(clBlack);
  int saved = Canvas().SaveDC();
  EXPECT_EQ(saved, 1);
  Canvas().IntersectClipRect(0, 0, 2, 2);
  Canvas().SetWindowOrgEx(-5, 0);
  Canvas().RestoreDC(saved);
  Canvas().FillRect(Rect(0, 0, 3, 1));
  EXPECT_EQ(Row(0, 0, 4), "###.");
  EXPECT_FALSE(Canvas().RestoreDC(1));
}

TEST_F(CanvasState, WindowOriginShiftsChildPainting) {
  // A child at (10, 4) paints its own (0, 0).
  MoveWindowOrg(Canvas(), 10, 4);
  Canvas().Brush()->SetColor(clBlack);
  Canvas().FillRect(Rect(0, 0, 2, 1));
  EXPECT_EQ(Row(4, 9, 13), ".##.");
  EXPECT_EQ(Canvas().ClipRect(), Rect(-10, -4, 14, 12));
}

TEST_F(CanvasState, ViewportOriginAndClipInLogicalCoordinates) {
  Canvas().SetViewportOrgEx(-3, 0);
  Canvas().IntersectClipRect(3, 0, 6, 1);
  Canvas().Brush()->SetColor(clBlack);
  Canvas().FillRect(Rect(0, 0, 20, 20));
  EXPECT_EQ(Row(0, 0, 4), "###.");
  EXPECT_EQ(Inked(), 3);
}

TEST_F(CanvasState, BrushChangeMakesTextBackgroundOpaqueAgain) {
  Canvas().SetBkMode(TRANSPARENT);
  EXPECT_EQ(Canvas().GetBkMode(), TRANSPARENT);
  Canvas().Brush()->SetColor(clRed);
  EXPECT_EQ(Canvas().GetBkMode(), OPAQUE);
  EXPECT_EQ(Canvas().GetBkColor(), 0x0000FFu);
  Canvas().Brush()->SetStyle(bsClear);
  EXPECT_EQ(Canvas().GetBkMode(), TRANSPARENT);
}

TEST_F(CanvasState, LockIsReentrant) {
  Canvas().Lock();
  Canvas().Lock();
  EXPECT_TRUE(Canvas().Locked());
  Canvas().Unlock();
  Canvas().Unlock();
  EXPECT_FALSE(Canvas().Locked());
}

TEST_F(CanvasState, DrawingRaisesCanvasChangeEvents) {
  int changing = 0, changed = 0;
  Canvas().OnChanging = [&](TObject*) { ++changing; };
  Canvas().OnChange = [&](TObject*) { ++changed; };
  Canvas().FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
}

// A child window's canvas on its top-level surface: device (0, 0) is the
// child's corner, and the window manager's clip cannot be widened.
class ChildCanvas : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    Canvas().SetDeviceOrigin(Point(10, 4));
    TRegion visible = CreateRectRgn(10, 4, 16, 8);
    Canvas().SetSystemClip(&visible);
    Canvas().Brush()->SetColor(clBlack);
  }
};

TEST_F(ChildCanvas, DrawsRelativeToItsCorner) {
  Canvas().FillRect(Rect(0, 0, 2, 1));
  EXPECT_EQ(Row(4, 9, 13), ".##.");
  EXPECT_EQ(Canvas().ClipRect(), Rect(0, 0, 6, 4));
}

TEST_F(ChildCanvas, RemovingTheClipKeepsTheSystemClip) {
  TRegion small = CreateRectRgn(0, 0, 1, 1);
  Canvas().SelectClipRgn(&small);
  Canvas().FillRect(Rect(-20, -20, 40, 40));
  EXPECT_EQ(Inked(), 1);
  EXPECT_EQ(At(10, 4), clBlack);
  Canvas().SelectClipRgn(nullptr);
  Canvas().FillRect(Rect(-20, -20, 40, 40));
  EXPECT_EQ(Inked(), 24);
}

TEST_F(ChildCanvas, ClipRegionsAreInDeviceCoordinates) {
  TRegion r = CreateRectRgn(1, 1, 3, 2);
  Canvas().SelectClipRgn(&r);
  TRegion back;
  EXPECT_EQ(Canvas().GetClipRgn(back), 1);
  EXPECT_EQ(back, r);
  Canvas().FillRect(Rect(0, 0, 6, 4));
  EXPECT_EQ(Row(5, 10, 14), ".##.");
  EXPECT_EQ(Inked(), 2);
}
