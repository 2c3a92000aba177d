// The HTML menu drawer: grey disabled items, accelerator ampersands, the
// selected line's colours and the measuring limit.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/gui/graphics.h"
#include "ui/look/MenuHtml.h"

namespace {

class MenuHtmlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Paper.SetSize(200, 20);
    Blank();
    Item = std::make_unique<TMenuItem>(nullptr);
  }
  // Paints the paper white again for the next drawing.
  void Blank() {
    Paper.Canvas()->Brush()->SetColor(clWhite);
    Paper.Canvas()->FillRect(Rect(0, 0, 200, 20));
  }
  // Pixels of the caption that are neither white nor grey.
  int ColouredPixels() {
    int N = 0;
    for (int Y = 0; Y < 20; ++Y)
      for (int X = 0; X < 200; ++X) {
        TColorRef C = Paper.PixelSurface().Get(X, Y);
        int R = C & 0xFF, G = (C >> 8) & 0xFF, B = (C >> 16) & 0xFF;
        N += std::abs(R - G) > 40 || std::abs(R - B) > 40;
      }
    return N;
  }
  // The darkest channel value of the paper.
  int DarkestChannel() {
    int Dark = 255;
    for (int Y = 0; Y < 20; ++Y)
      for (int X = 0; X < 200; ++X) {
        TColorRef C = Paper.PixelSurface().Get(X, Y);
        Dark = std::min({Dark, int(C & 0xFF), int((C >> 8) & 0xFF), int((C >> 16) & 0xFF)});
      }
    return Dark;
  }
  TBitmap Paper;
  std::unique_ptr<TMenuItem> Item;
  TMenuHtml Drawer;
};

TEST_F(MenuHtmlTest, ADisabledItemIsGreyAnEnabledOneShowsItsColours) {
  String Caption = "<FONT color=\"clRed\">Rot</FONT>";
  Drawer.Draw(Item.get(), *Paper.Canvas(), false, Caption, Rect(0, 0, 200, 20));
  EXPECT_GT(ColouredPixels(), 5);
  Blank();
  Item->SetEnabled(false);
  EXPECT_EQ(MenuHtmlText(Item.get(), "x"), "<FONT color=\"#808080\">x</Font>");
  Drawer.Draw(Item.get(), *Paper.Canvas(), false, "Datei", Rect(0, 0, 200, 20));
  EXPECT_GT(DarkestChannel(), 0x60);  // grey, never black
  Blank();
  Item->SetEnabled(true);
  Drawer.Draw(Item.get(), *Paper.Canvas(), true, Caption, Rect(0, 0, 200, 20));  // selected keeps colours
  EXPECT_EQ(ColouredPixels(), 0);
}

TEST_F(MenuHtmlTest, AccelMarkersVanishAnAmpersandBeforeABlankStays) {
  TRect Plain = Rect(0, 0, 0, 0), Blank = Rect(0, 0, 0, 0);
  Drawer.Measure(Item.get(), *Paper.Canvas(), "Datei", 0, Plain);
  Drawer.Measure(Item.get(), *Paper.Canvas(), "A & B", 0, Blank);
  EXPECT_GT(Blank.Width(), Paper.Canvas()->TextWidth("A  B"));
  Drawer.Draw(Item.get(), *Paper.Canvas(), false, "&Datei", Rect(0, 0, 200, 20));
  TBitmap Other;
  Other.SetSize(200, 20);
  Other.Canvas()->Brush()->SetColor(clWhite);
  Other.Canvas()->FillRect(Rect(0, 0, 200, 20));
  Drawer.Draw(Item.get(), *Other.Canvas(), false, "Datei", Rect(0, 0, 200, 20));
  for (int X = 0; X < 200; ++X) EXPECT_EQ(Paper.PixelSurface().Get(X, 10), Other.PixelSurface().Get(X, 10)) << X;
}

TEST_F(MenuHtmlTest, MeasuringWithoutLimitAllowsTwoThousandPixels) {
  String Long(400, 'W');
  TRect R = Rect(0, 0, 0, 0);
  Drawer.Measure(Item.get(), *Paper.Canvas(), Long, 0, R);
  EXPECT_EQ(R.Width(), 2000);
  Drawer.Measure(Item.get(), *Paper.Canvas(), Long, 300, R);
  EXPECT_EQ(R.Width(), 300);
  Drawer.Measure(Item.get(), *Paper.Canvas(), "kurz", 0, R);
  EXPECT_EQ(R.Width(), Paper.Canvas()->TextWidth("kurz"));
  EXPECT_EQ(R.Height(), Paper.Canvas()->TextHeight("gh"));
  ASSERT_NE(MenuHtmlClass, nullptr);
  EXPECT_NE(dynamic_cast<TMenuHtml*>(MenuHtmlClass().get()), nullptr);
}

}  // namespace
