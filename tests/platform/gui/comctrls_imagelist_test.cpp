// Image lists: strips cut into images, transparency by mask and by
// colour, overlays, deleting, and what Draw leaves on a canvas.
#include <gtest/gtest.h>

#include "platform/gui/comctrls_imagelist.h"

namespace {

class ImageListTest : public ::testing::Test {
 protected:
  // A strip of Count 8 x 8 images; image I is filled with Colors[I] and
  // has a white top-left pixel.
  static std::unique_ptr<TBitmap> Strip(std::vector<TColor> Colors) {
    auto B = std::make_unique<TBitmap>();
    B->SetSize(8 * Integer(Colors.size()), 8);
    for (size_t I = 0; I < Colors.size(); ++I) {
      B->Canvas()->Brush()->SetColor(Colors[I]);
      B->Canvas()->FillRect(Bounds(Integer(I) * 8, 0, 8, 8));
      B->Canvas()->SetPixel(Integer(I) * 8, 0, clWhite);
    }
    return B;
  }
  // A canvas of 8 x 8 blue pixels with image Index drawn on it.
  TColorRef DrawnPixel(Integer Index, Integer X, Integer Y) {
    TBitmap Target;
    Target.SetSize(8, 8);
    Target.Canvas()->Brush()->SetColor(clBlue);
    Target.Canvas()->FillRect(Rect(0, 0, 8, 8));
    List.Draw(Target.Canvas(), 0, 0, Index);
    return Target.PixelSurface().Get(X, Y);
  }

  TCustomImageList List{8, 8};
};

TEST_F(ImageListTest, AStripIsCutIntoImagesOfTheListWidth) {
  auto B = Strip({clRed, clLime, clYellow});
  EXPECT_EQ(List.AddMasked(B.get(), clNone), 0);
  EXPECT_EQ(List.Count(), 3);
  EXPECT_EQ(DrawnPixel(1, 4, 4), ColorToRGB(clLime));
  EXPECT_EQ(DrawnPixel(2, 0, 0), ColorToRGB(clWhite)) << "opaque without a mask colour";
}

TEST_F(ImageListTest, MaskColourPixelsLetTheCanvasThrough) {
  auto B = Strip({clRed});
  List.AddMasked(B.get(), clWhite);
  EXPECT_EQ(DrawnPixel(0, 0, 0), ColorToRGB(clBlue));
  EXPECT_EQ(DrawnPixel(0, 3, 3), ColorToRGB(clRed));
}

TEST_F(ImageListTest, WhiteMaskPixelsAreTransparent) {
  auto B = Strip({clRed});
  TBitmap Mask;
  Mask.SetSize(8, 8);
  Mask.Canvas()->Brush()->SetColor(clBlack);
  Mask.Canvas()->FillRect(Rect(0, 0, 8, 8));
  Mask.Canvas()->Brush()->SetColor(clWhite);
  Mask.Canvas()->FillRect(Rect(4, 0, 8, 8));
  List.Add(B.get(), &Mask);
  EXPECT_EQ(DrawnPixel(0, 2, 4), ColorToRGB(clRed));
  EXPECT_EQ(DrawnPixel(0, 6, 4), ColorToRGB(clBlue));
}

TEST_F(ImageListTest, OverlaysAreDrawnOverTheImage) {
  auto B = Strip({clRed, clLime});
  List.AddMasked(B.get(), clNone);
  ASSERT_TRUE(List.Overlay(1, 0));
  EXPECT_FALSE(List.Overlay(1, 4));
  TBitmap Target;
  Target.SetSize(8, 8);
  List.DrawOverlay(Target.Canvas(), 0, 0, 0, 0);
  EXPECT_EQ(Target.PixelSurface().Get(4, 4), ColorToRGB(clLime));
}

TEST_F(ImageListTest, DeletingOutOfRangeRaisesAndResizingClears) {
  auto B = Strip({clRed, clLime});
  List.AddMasked(B.get(), clNone);
  List.Delete(0);
  EXPECT_EQ(List.Count(), 1);
  EXPECT_EQ(DrawnPixel(0, 4, 4), ColorToRGB(clLime));
  EXPECT_THROW(List.Delete(5), EListError);
  List.SetSize(16, 16);
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(ImageListTest, GetBitmapCopiesOneImage) {
  auto B = Strip({clRed, clLime});
  List.AddMasked(B.get(), clNone);
  TBitmap Out;
  List.GetBitmap(1, &Out);
  EXPECT_EQ(Out.Width(), 8);
  EXPECT_EQ(Out.PixelSurface().Get(5, 5), ColorToRGB(clLime));
}

}  // namespace

namespace {

TEST_F(ImageListTest, ChangeLinksHearOfEveryChange) {
  TChangeLink A, B;
  int CountA = 0, CountB = 0;
  A.OnChange = [&](TObject* Sender) { CountA += Sender == &List; };
  B.OnChange = [&](TObject*) { ++CountB; };
  List.RegisterChanges(&A);
  List.RegisterChanges(&B);
  EXPECT_EQ(A.Sender(), &List);
  auto S = Strip({clRed, clLime});
  List.AddMasked(S.get(), clNone);
  List.Delete(0);
  EXPECT_EQ(CountA, 2);
  EXPECT_EQ(CountB, 2);
  List.UnRegisterChanges(&B);
  List.Clear();
  EXPECT_EQ(CountA, 3);
  EXPECT_EQ(CountB, 2);
  EXPECT_EQ(B.Sender(), nullptr);
}

TEST_F(ImageListTest, LinkAndListMayGoInEitherOrder) {
  auto Other = std::make_unique<TCustomImageList>(8, 8);
  {
    TChangeLink Gone;
    Other->RegisterChanges(&Gone);
  }
  Other->Clear();  // the freed link was unregistered
  TChangeLink L;
  int Count = 0;
  L.OnChange = [&](TObject*) { ++Count; };
  Other->RegisterChanges(&L);
  List.RegisterChanges(&L);  // moves to the other list
  Other->Clear();
  EXPECT_EQ(Count, 0);
  Other->RegisterChanges(&L);
  Other.reset();
  EXPECT_EQ(L.Sender(), nullptr);
}

}  // namespace
