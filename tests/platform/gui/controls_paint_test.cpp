// Painting of controls on the headless desktop: erasing, self-painted
// windowed controls at their offset, children without window painted by
// their parent, double buffering, parent backgrounds and PaintTo.
#include "controls_fixture.h"

namespace {

constexpr TColorRef Red = 0x0000FF, Lime = 0x00FF00, Blue = 0xFF0000, White = 0xFFFFFF;

class PaintTest : public ControlsFixture {
 protected:
  // A painted box at (20, 30) of 40 x 30 with a lime background.
  TPaintedBox* AddBox(TWinControl* Parent, const String& Name = "Box") {
    auto* B = Add<TPaintedBox>(Parent, Name, 20, 30, 40, 30);
    B->SetColor(clLime);
    return B;
  }
  // The same scene on a root: a painted box, a graphic box on the root
  // and one on the painted box.
  TTestRoot* BuildScene(int X, bool DoubleBuffered) {
    TTestRoot* R = MakeRoot(X, 100, 120, 90);
    R->SetName("Root" + std::to_string(X));
    R->SetDoubleBuffered(DoubleBuffered);
    TPaintedBox* B = AddBox(R, "Box" + std::to_string(X));
    B->SetDoubleBuffered(DoubleBuffered);
    Add<TGraphicBox>(R, "G" + std::to_string(X), 70, 5, 30, 20);
    Add<TGraphicBox>(B, "H" + std::to_string(X), 5, 5, 8, 8)->FillColor = clYellow;
    R->Invalidate();
    Pump();
    return R;
  }
  static bool SameSurface(const TPixelSurface& A, const TPixelSurface& B) {
    if (A.Width != B.Width || A.Height != B.Height) return false;
    for (int Y = 0; Y < A.Height; ++Y)
      for (int X = 0; X < A.Width; ++X)
        if (A.Get(X, Y) != B.Get(X, Y)) return false;
    return true;
  }
};

TEST_F(PaintTest, ARootErasesWithItsColor) {
  TTestRoot* R = MakeRoot();
  EXPECT_EQ(PixelAt(R, 5, 5), White);
  R->SetColor(clBlue);
  EXPECT_EQ(PixelAt(R, 5, 5), Blue);
}

TEST_F(PaintTest, ACustomControlPaintsIntoItsParentsSurfaceAtItsOffset) {
  TTestRoot* R = MakeRoot();
  TPaintedBox* B = AddBox(R);
  EXPECT_EQ(PixelAt(R, 22, 32), Red);    // first painted pixel
  EXPECT_EQ(PixelAt(R, 57, 57), Red);    // last painted pixel
  EXPECT_EQ(PixelAt(R, 21, 31), Lime);   // erased margin
  EXPECT_EQ(PixelAt(R, 59, 59), Lime);
  EXPECT_EQ(PixelAt(R, 19, 29), White);  // the root around it
  EXPECT_EQ(PixelAt(R, 60, 60), White);
  EXPECT_GE(B->Paints, 1);
}

TEST_F(PaintTest, MovingAControlRepaintsBothPlaces) {
  TTestRoot* R = MakeRoot();
  TPaintedBox* B = AddBox(R);
  Pump();
  B->SetBounds(100, 10, 40, 30);
  EXPECT_EQ(PixelAt(R, 22, 32), White);
  EXPECT_EQ(PixelAt(R, 102, 12), Red);
}

TEST_F(PaintTest, InvalidateBringsANewPaint) {
  TTestRoot* R = MakeRoot();
  TPaintedBox* B = AddBox(R);
  Pump();
  int Before = B->Paints;
  B->FillColor = clBlue;
  B->Invalidate();
  EXPECT_EQ(PixelAt(R, 30, 40), Blue);
  EXPECT_GT(B->Paints, Before);
}

TEST_F(PaintTest, GraphicChildrenArePaintedByTheirParent) {
  TTestRoot* R = MakeRoot();
  Add<TGraphicBox>(R, "G", 50, 40, 20, 10);
  auto* Hidden = Add<TGraphicBox>(R, "Hidden", 0, 0, 10, 10);
  Hidden->SetVisible(false);
  EXPECT_EQ(PixelAt(R, 50, 40), Blue);
  EXPECT_EQ(PixelAt(R, 69, 49), Blue);
  EXPECT_EQ(PixelAt(R, 70, 50), White);
  EXPECT_EQ(PixelAt(R, 49, 39), White);
  EXPECT_EQ(PixelAt(R, 5, 5), White);
  EXPECT_EQ(Hidden->Paints, 0);
}

TEST_F(PaintTest, AGraphicChildOfAWindowedChildAddsBothOffsets) {
  TTestRoot* R = MakeRoot();
  TPaintedBox* B = AddBox(R);
  auto* G = Add<TGraphicBox>(B, "G", 10, 12, 6, 4);
  G->FillColor = clYellow;
  EXPECT_EQ(PixelAt(R, 30, 42), 0x00FFFFu);
  EXPECT_EQ(PixelAt(R, 35, 45), 0x00FFFFu);
  EXPECT_EQ(PixelAt(R, 36, 46), Red);
}

TEST_F(PaintTest, AGraphicChildClipsItsPaintingToItsBounds) {
  // A box whose Paint overdraws its bounds on every side.
  class TOverdraw : public TGraphicControl {
   public:
    using TGraphicControl::TGraphicControl;

   protected:
    void Paint() override {
      Canvas()->Brush()->SetColor(clRed);
      Canvas()->FillRect(Rect(-10, -10, Width() + 10, Height() + 10));
    }
  };
  TTestRoot* R = MakeRoot();
  Add<TOverdraw>(R, "Over", 40, 40, 10, 10);
  EXPECT_EQ(PixelAt(R, 40, 40), Red);
  EXPECT_EQ(PixelAt(R, 39, 40), White);
  EXPECT_EQ(PixelAt(R, 50, 49), White);
}

TEST_F(PaintTest, DoubleBufferingGivesTheSamePixelsAsDirectPainting) {
  TTestRoot* Direct = BuildScene(0, false);
  TTestRoot* Buffered = BuildScene(400, true);
  Pump();
  EXPECT_TRUE(SameSurface(HeadlessSurface(Direct->Handle()), HeadlessSurface(Buffered->Handle())));
  EXPECT_EQ(PixelAt(Buffered, 22, 32), Red);
  EXPECT_EQ(PixelAt(Buffered, 26, 36), 0x00FFFFu);
}

TEST_F(PaintTest, ADoubleBufferedPartialPaintLandsAtItsPlace) {
  TTestRoot* R = MakeRoot();
  R->SetDoubleBuffered(true);
  auto* G = Add<TGraphicBox>(R, "G", 50, 40, 20, 10);
  auto* Other = Add<TGraphicBox>(R, "Other", 100, 100, 20, 10);
  Pump();
  int OtherPaints = Other->Paints;
  G->FillColor = clRed;
  G->Invalidate();  // only G's rectangle is painted anew
  EXPECT_EQ(PixelAt(R, 50, 40), Red);
  EXPECT_EQ(PixelAt(R, 69, 49), Red);
  EXPECT_EQ(PixelAt(R, 70, 50), White);
  EXPECT_EQ(PixelAt(R, 105, 105), Blue);
  EXPECT_EQ(Other->Paints, OtherPaints);
}

TEST_F(PaintTest, ParentBackgroundErasesWithTheParentsColor) {
  TTestRoot* R = MakeRoot();
  TPaintedBox* B = AddBox(R);
  B->SetParentBackground(true);
  B->Invalidate();
  EXPECT_EQ(PixelAt(R, 21, 31), White);
  EXPECT_EQ(PixelAt(R, 22, 32), Red);
}

TEST_F(PaintTest, PaintToCopiesTheControlWithItsChildren) {
  TTestRoot* R = BuildScene(0, false);
  TBitmap Copy;
  Copy.SetSize(R->Width(), R->Height());
  R->PaintTo(*Copy.Canvas(), 0, 0);
  EXPECT_TRUE(SameSurface(Copy.PixelSurface(), HeadlessSurface(R->Handle())));
  auto* G = dynamic_cast<TGraphicBox*>(Owner->FindComponent("G0"));
  ASSERT_NE(G, nullptr);
  EXPECT_TRUE(G->SawPaintCopy);
  EXPECT_FALSE(G->ControlState().Contains(csPaintCopy));
}

TEST_F(PaintTest, PaintToOfAControlWithoutWindowDrawsItAtTheGivenPlace) {
  auto* G = new TGraphicBox(Owner.get());
  G->SetBounds(0, 0, 4, 3);
  TBitmap Copy;
  Copy.SetSize(10, 10);
  Copy.Canvas()->Brush()->SetColor(clWhite);
  Copy.Canvas()->FillRect(Rect(0, 0, 10, 10));
  G->PaintTo(*Copy.Canvas(), 5, 6);
  EXPECT_EQ(Copy.PixelSurface().Get(5, 6), Blue);
  EXPECT_EQ(Copy.PixelSurface().Get(8, 8), Blue);
  EXPECT_EQ(Copy.PixelSurface().Get(9, 9), White);
  EXPECT_EQ(Copy.PixelSurface().Get(4, 6), White);
}

TEST_F(PaintTest, WindowsComeAndGoWithVisibility) {
  TTestRoot* R = MakeRoot();
  TPaintedBox* B = AddBox(R);
  ASSERT_TRUE(B->HandleAllocated());
  EXPECT_TRUE(B->Showing());
  B->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(B->Handle()));
  EXPECT_EQ(PixelAt(R, 30, 40), White);
  B->DestroyHandle();
  EXPECT_FALSE(B->HandleAllocated());
  B->SetVisible(true);
  EXPECT_TRUE(B->HandleAllocated());
  EXPECT_EQ(PixelAt(R, 30, 40), Red);
}

TEST_F(PaintTest, AParentlessControlHasNoWindow) {
  auto* Loose = new TWinControl(Owner.get());
  Loose->SetName("Loose");
  EXPECT_THROW(Loose->Handle(), EInvalidOperation);
}

TEST_F(PaintTest, RecreateWndKeepsBoundsTextAndChildren) {
  TTestRoot* R = MakeRoot();
  TPaintedBox* B = AddBox(R);
  B->SetCaption("Kasten");
  HWND Old = B->Handle();
  B->RecreateWnd();
  EXPECT_NE(B->Handle(), Old);
  EXPECT_FALSE(IsWindow(Old));
  EXPECT_EQ(GetWindowText(B->Handle()), "Kasten");
  EXPECT_EQ(B->BoundsRect(), Rect(20, 30, 60, 60));
  EXPECT_EQ(FindControl(B->Handle()), B);
  EXPECT_EQ(PixelAt(R, 30, 40), Red);
}

TEST_F(PaintTest, GetDeviceContextDrawsAtTheControlsPlace) {
  TTestRoot* R = MakeRoot();
  auto* G = Add<TGraphicBox>(R, "G", 50, 40, 20, 10);
  Pump();
  HWND Wnd = nullptr;
  TCanvas* DC = G->GetDeviceContext(Wnd);
  EXPECT_EQ(Wnd, R->Handle());
  DC->Brush()->SetColor(clRed);
  DC->FillRect(Rect(0, 0, 100, 100));  // clipped to the control
  ReleaseDC(Wnd, DC);
  TPixelSurface S = HeadlessSurface(R->Handle());
  EXPECT_EQ(S.Get(50, 40), Red);
  EXPECT_EQ(S.Get(69, 49), Red);
  EXPECT_EQ(S.Get(70, 49), White);
}

TEST_F(PaintTest, FreeingAControlWithoutWindowRepaintsItsPlace) {
  TTestRoot* R = MakeRoot();
  auto* G = Add<TGraphicBox>(R, "G", 50, 40, 20, 10);
  EXPECT_EQ(PixelAt(R, 55, 45), Blue);
  G->Free();
  EXPECT_EQ(PixelAt(R, 55, 45), White);
  EXPECT_EQ(R->ControlCount(), 0);
}

TEST_F(PaintTest, AWindowMovedByTheWindowManagerUpdatesTheBounds) {
  TTestRoot* R = MakeRoot();
  auto* Client = Add<TWinControl>(R, "Client", 0, 0, 10, 10);
  Client->SetAlign(alClient);
  int Resizes = 0;
  R->OnResize = [&](TObject*) { ++Resizes; };
  MoveWindow(R->Handle(), 150, 120, 300, 200, true);
  EXPECT_EQ(R->BoundsRect(), Rect(150, 120, 450, 320));
  EXPECT_EQ(Client->BoundsRect(), Rect(0, 0, 300, 200));
  EXPECT_EQ(GetWindowRect(Client->Handle()), Rect(150, 120, 450, 320));
  EXPECT_EQ(Resizes, 1);
}

TEST_F(PaintTest, BoundsSetInCodeReachTheWindow) {
  TTestRoot* R = MakeRoot();
  TPaintedBox* B = AddBox(R);
  B->SetBounds(5, 6, 70, 80);
  EXPECT_EQ(GetWindowRect(B->Handle()), Rect(105, 106, 175, 186));
  EXPECT_EQ(B->ClientRect(), Rect(0, 0, 70, 80));
  EXPECT_EQ(B->ClientOrigin(), Point(105, 106));
}

}  // namespace
