// Painting: order, clipping at the pixel level, invalid regions, erasing,
// scrolling, borders and snapshots.
#include <fstream>

#include "wm_fixture.h"

using Strings = std::vector<std::string>;

class WmPaintTest : public WmTest {
 protected:
  // A form at (100, 100) of 100 x 100 pixels, painted before the test goes on.
  HWND PaintedForm(TColor Fill = clWhite, DWORD Style = WS_OVERLAPPED | WS_VISIBLE) {
    HWND f = Form("F", Bounds(100, 100, 100, 100), Fill, Style);
    ProcessMessages();
    return f;
  }
  // The paint rectangle of each WM_PAINT the window gets.
  std::vector<TRect> PaintRects(HWND W) {
    auto rects = std::make_shared<std::vector<TRect>>();
    TColor fill = Win(W).Fill;
    On(W, [W, fill, rects](UINT M, WPARAM, LPARAM, LRESULT&) {
      if (M != WM_PAINT) return false;
      PAINTSTRUCT ps;
      TCanvas* c = BeginPaint(W, ps);
      rects->push_back(ps.rcPaint);
      c->Brush()->SetColor(fill);
      c->FillRect(ps.rcPaint);
      EndPaint(W, ps);
      return true;
    });
    ProcessMessages();
    return *rects;
  }
};

TEST_F(WmPaintTest, ParentsPaintBeforeChildren) {
  HWND f = Form("F", Bounds(0, 0, 100, 100));
  Child("A", f, Bounds(0, 0, 20, 20));
  HWND b = Child("B", f, Bounds(30, 0, 20, 20));
  Child("B1", b, Bounds(0, 0, 5, 5));
  LogOnly({WM_PAINT});
  ProcessMessages();
  Strings log = TakeLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "F:WM_PAINT");
  EXPECT_LT(std::find(log.begin(), log.end(), "B:WM_PAINT"), std::find(log.begin(), log.end(), "B1:WM_PAINT"));
}

TEST_F(WmPaintTest, ChildPaintsOverItsParentAtItsOffset) {
  HWND f = Form("F", Bounds(100, 100, 100, 100), clRed);
  Child("C", f, Bounds(10, 20, 30, 40), clBlue);
  ProcessMessages();
  EXPECT_EQ(At(f, 9, 20), clRed);
  EXPECT_EQ(At(f, 10, 20), clBlue);
  EXPECT_EQ(At(f, 39, 59), clBlue);
  EXPECT_EQ(At(f, 40, 59), clRed);
  EXPECT_EQ(At(f, 39, 60), clRed);
}

TEST_F(WmPaintTest, ChildPaintingIsClippedToItsParentsClientArea) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clRed);
  HWND p = Child("P", f, Bounds(10, 10, 20, 20), clGreen);
  Child("C", p, Bounds(10, 10, 50, 50), clBlue);
  ProcessMessages();
  EXPECT_EQ(At(f, 29, 29), clBlue);
  EXPECT_EQ(At(f, 30, 30), clRed);
  EXPECT_EQ(At(f, 19, 19), clGreen);
}

TEST_F(WmPaintTest, ClipChildrenKeepsTheParentOffItsChildren) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clRed, WS_OVERLAPPED | WS_VISIBLE | WS_CLIPCHILDREN);
  Child("C", f, Bounds(10, 10, 20, 20), clBlue);
  ProcessMessages();
  LogOnly({WM_PAINT});
  InvalidateRect(f, nullptr, true);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"F:WM_PAINT"});
  EXPECT_EQ(At(f, 15, 15), clBlue);
}

TEST_F(WmPaintTest, WithoutClipChildrenTheChildrenArePaintedAgain) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clRed);
  Child("C", f, Bounds(10, 10, 20, 20), clBlue);
  ProcessMessages();
  LogOnly({WM_PAINT});
  InvalidateRect(f, nullptr, true);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_PAINT", "C:WM_PAINT"}));
  EXPECT_EQ(At(f, 15, 15), clBlue);
}

TEST_F(WmPaintTest, ClipSiblingsKeepsALowerSiblingBehindAnUpperOne) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clWhite);
  HWND lower = Child("Lower", f, Bounds(0, 0, 40, 40), clRed, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  Child("Upper", f, Bounds(20, 20, 40, 40), clBlue, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  ProcessMessages();
  InvalidateRect(lower, nullptr, true);
  ProcessMessages();
  EXPECT_EQ(At(f, 19, 19), clRed);
  EXPECT_EQ(At(f, 25, 25), clBlue);
}

TEST_F(WmPaintTest, WithoutClipSiblingsALowerSiblingPaintsOverTheUpperOne) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clWhite);
  HWND lower = Child("Lower", f, Bounds(0, 0, 40, 40), clRed);
  Child("Upper", f, Bounds(20, 20, 40, 40), clBlue);
  ProcessMessages();
  InvalidateRect(lower, nullptr, true);
  ProcessMessages();
  EXPECT_EQ(At(f, 25, 25), clRed);
}

TEST_F(WmPaintTest, InvalidationsMergeIntoOnePaint) {
  HWND f = PaintedForm();
  TRect a = Rect(0, 0, 10, 10), b = Rect(20, 30, 40, 50);
  InvalidateRect(f, &a, false);
  InvalidateRect(f, &b, false);
  std::vector<TRect> rects = PaintRects(f);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0], Rect(0, 0, 40, 50));
}

TEST_F(WmPaintTest, PaintOnlyTouchesTheUpdateRegion) {
  HWND f = PaintedForm(clRed);
  Win(f).Fill = clBlue;
  TRect a = Rect(0, 0, 10, 10), b = Rect(20, 20, 30, 30);
  InvalidateRect(f, &a, false);
  InvalidateRect(f, &b, false);
  ProcessMessages();
  EXPECT_EQ(At(f, 5, 5), clBlue);
  EXPECT_EQ(At(f, 25, 25), clBlue);
  EXPECT_EQ(At(f, 15, 15), clRed);
}

TEST_F(WmPaintTest, PostedMessagesComeBeforePainting) {
  HWND f = Form("F", Bounds(0, 0, 10, 10));
  LogOnly({WM_PAINT, WM_USER});
  PostMessage(f, WM_USER);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_USER", "F:WM_PAINT"}));
}

TEST_F(WmPaintTest, EraseComesFromBeginPaintBeforeTheDrawing) {
  HWND f = PaintedForm();
  LogOnly({WM_PAINT, WM_ERASEBKGND});
  InvalidateRect(f, nullptr, true);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_PAINT", "F:WM_ERASEBKGND"}));
  InvalidateRect(f, nullptr, false);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"F:WM_PAINT"});
}

TEST_F(WmPaintTest, ValidatedWindowsAreNotPainted) {
  HWND f = PaintedForm();
  LogOnly({WM_PAINT});
  InvalidateRect(f, nullptr, false);
  ValidateRect(f, nullptr);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
  TRect r;
  EXPECT_FALSE(GetUpdateRect(f, &r, false));
}

TEST_F(WmPaintTest, UnansweredPaintDoesNotRepeatForEver) {
  HWND f = Form("F", Bounds(0, 0, 10, 10));
  On(f, [](UINT M, WPARAM, LPARAM, LRESULT&) { return M == WM_PAINT; });
  LogOnly({WM_PAINT});
  ProcessMessages();
  EXPECT_EQ(Count("F:WM_PAINT"), 1);
}

TEST_F(WmPaintTest, HiddenWindowsAreNotPainted) {
  HWND f = Form("F", Bounds(0, 0, 10, 10), clWhite, WS_OVERLAPPED);
  LogOnly({WM_PAINT});
  InvalidateRect(f, nullptr, true);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
  ShowWindow(f, SW_SHOWNA);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"F:WM_PAINT"});
}

TEST_F(WmPaintTest, UpdateWindowPaintsAtOnce) {
  HWND f = PaintedForm(clRed);
  Win(f).Fill = clBlue;
  InvalidateRect(f, nullptr, false);
  UpdateWindow(f);
  TRect r;
  EXPECT_FALSE(GetUpdateRect(f, &r, false));
  EXPECT_EQ(At(f, 1, 1), clBlue);
}

TEST_F(WmPaintTest, HidingAChildRepaintsWhatWasUnderIt) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clRed);
  HWND c = Child("C", f, Bounds(10, 10, 20, 20), clBlue);
  ProcessMessages();
  ShowWindow(c, SW_HIDE);
  ProcessMessages();
  EXPECT_EQ(At(f, 15, 15), clRed);
}

TEST_F(WmPaintTest, MovingAChildRepaintsBothPlaces) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clRed, WS_OVERLAPPED | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND c = Child("C", f, Bounds(10, 10, 20, 20), clBlue);
  ProcessMessages();
  MoveWindow(c, 50, 50, 20, 20, true);
  ProcessMessages();
  EXPECT_EQ(At(f, 15, 15), clRed);
  EXPECT_EQ(At(f, 55, 55), clBlue);
}

TEST_F(WmPaintTest, ShapedWindowsPaintOnlyInsideTheirShape) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clRed);
  HWND c = Child("C", f, Bounds(10, 10, 40, 40), clBlue);
  TRegion shape(Rect(0, 0, 20, 20));
  SetWindowRgn(c, &shape, true);
  ProcessMessages();
  EXPECT_EQ(At(f, 15, 15), clBlue);
  EXPECT_EQ(At(f, 35, 35), clRed);
  EXPECT_EQ(WindowFromPoint(Point(35, 35)), f);
}

TEST_F(WmPaintTest, BorderedChildGetsItsFrameDrawn) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clRed);
  Child("C", f, Bounds(10, 10, 20, 20), clBlue, WS_CHILD | WS_VISIBLE | WS_BORDER);
  ProcessMessages();
  EXPECT_EQ(TColorRef(At(f, 10, 10)), ColorToRGB(clWindowFrame));
  EXPECT_EQ(TColorRef(At(f, 29, 29)), ColorToRGB(clWindowFrame));
  EXPECT_EQ(At(f, 11, 11), clBlue);
}

TEST_F(WmPaintTest, ScrollWindowMovesPixelsAndInvalidatesTheUncoveredStrip) {
  HWND f = Form("F", Bounds(0, 0, 40, 40), clWhite);
  On(f, [](UINT, WPARAM, LPARAM, LRESULT&) { return false; });
  ProcessMessages();
  TCanvas* dc = GetDC(f);
  dc->Brush()->SetColor(clBlue);
  dc->FillRect(Rect(0, 10, 40, 11));
  ReleaseDC(f, dc);
  ScrollWindow(f, 0, -5, nullptr, nullptr);
  TRect r;
  ASSERT_TRUE(GetUpdateRect(f, &r, false));
  EXPECT_EQ(r, Rect(0, 35, 40, 40));
  EXPECT_EQ(At(f, 3, 5), clBlue);
  EXPECT_EQ(At(f, 3, 10), clWhite);
}

TEST_F(WmPaintTest, GetDcDrawsOutsideThePaintCycle) {
  HWND f = PaintedForm();
  HWND c = Child("C", f, Bounds(10, 10, 20, 20), clWhite);
  ProcessMessages();
  TCanvas* dc = GetDC(c);
  ASSERT_NE(dc, nullptr);
  dc->Brush()->SetColor(clGreen);
  dc->FillRect(Rect(-10, -10, 100, 100));
  ReleaseDC(c, dc);
  EXPECT_EQ(At(f, 10, 10), clGreen);
  EXPECT_EQ(At(f, 29, 29), clGreen);
  EXPECT_EQ(At(f, 9, 9), clWhite);
  EXPECT_EQ(At(f, 30, 30), clWhite);
}

TEST_F(WmPaintTest, SnapshotIsWrittenAsPng) {
  HWND f = PaintedForm(clRed);
  HeadlessSavePng(f, Path("form.png"));
  std::ifstream in(Path("form.png"), std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string(sig + 1, 3), "PNG");
  TPicture pic;
  pic.LoadFromFile(Path("form.png"));
  EXPECT_EQ(pic.Width(), 100);
}

TEST_F(WmPaintTest, RedrawWindowUpdateNowPaintsTheTreeAtOnce) {
  HWND f = PaintedForm(clRed);
  HWND c = Child("C", f, Bounds(10, 10, 20, 20), clBlue);
  UpdateWindow(c);
  Win(f).Fill = clGreen;
  Win(c).Fill = clYellow;
  RedrawWindow(f, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  TRect r;
  EXPECT_FALSE(GetUpdateRect(c, &r, false));
  TPixelSurface s = HeadlessSurface(f);
  EXPECT_EQ(TColor(s.Get(5, 5)), clGreen);
  EXPECT_EQ(TColor(s.Get(15, 15)), clYellow);
}

TEST_F(WmPaintTest, GetMessageForOneWindowHandsOutOnlyItsPaint) {
  HWND f = PaintedForm();
  HWND g = Form("G", Bounds(300, 0, 10, 10));
  InvalidateRect(f, nullptr, false);
  MSG m;
  ASSERT_TRUE(PeekMessage(m, f, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(m.hwnd, f);
  DispatchMessage(m);
  EXPECT_FALSE(PeekMessage(m, f, WM_PAINT, WM_PAINT, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(m.hwnd, g);
}

TEST_F(WmPaintTest, ChildMadeTopLevelGetsPixelsOfItsOwn) {
  HWND f = PaintedForm(clRed);
  HWND c = Child("C", f, Bounds(10, 10, 20, 20), clBlue);
  ProcessMessages();
  SetParent(c, nullptr);
  ShowWindow(c, SW_SHOWNA);
  ProcessMessages();
  TPixelSurface s = HeadlessSurface(c);
  ASSERT_TRUE(s.Valid());
  EXPECT_EQ(s.Width, 20);
  EXPECT_EQ(TColor(s.Get(0, 0)), clBlue);
  EXPECT_EQ(At(f, 15, 15), clRed);
}

TEST_F(WmPaintTest, FrameIsPaintedWhenTheChildIsShown) {
  HWND f = PaintedForm(clWhite);
  LogOnly({WM_NCPAINT});
  Child("C", f, Bounds(10, 10, 20, 20), clBlue, WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"C:WM_NCPAINT"});
  EXPECT_EQ(TColorRef(At(f, 10, 10)), ColorToRGB(clBtnShadow));
  EXPECT_EQ(TColorRef(At(f, 29, 29)), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(TColorRef(At(f, 11, 11)), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(At(f, 12, 12), clBlue);
}

TEST_F(WmPaintTest, ScrollingTheWholeClientAreaMovesTheChildren) {
  HWND f = Form("F", Bounds(0, 0, 100, 100), clWhite, WS_OVERLAPPED | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND c = Child("C", f, Bounds(10, 50, 20, 20), clBlue);
  ProcessMessages();
  ScrollWindow(f, 0, -30, nullptr, nullptr);
  ProcessMessages();
  EXPECT_EQ(GetWindowRect(c), Rect(10, 20, 30, 40));
  EXPECT_EQ(At(f, 15, 25), clBlue);
  EXPECT_EQ(At(f, 15, 55), clWhite);
}
