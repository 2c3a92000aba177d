#include <gtest/gtest.h>

#include "platform/gui/graphics_colors.h"
#include "platform/rtl/exceptions.h"

TEST(ColorsTest, PlainColoursAreTheirOwnRgb) {
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  EXPECT_EQ(ColorToRGB(RGB(1, 2, 3)), 0x030201u);
  EXPECT_EQ(GetRValue(0x030201), 1);
  EXPECT_EQ(GetBValue(0x030201), 3);
}

TEST(ColorsTest, SystemColoursResolveToTheClassicPalette) {
  EXPECT_EQ(clBtnFace, static_cast<TColor>(0x8000000F));
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0u);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(clWindowText), 0x000000u);
  EXPECT_EQ(ColorToRGB(clHighlight), 0x800000u);
  EXPECT_EQ(ColorToRGB(clInfoBk), 0xE1FFFFu);
}

TEST(ColorsTest, ChangedSystemColourIsUsedUntilReset) {
  SetSysColor(COLOR_BTNFACE, 0x123456);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0x123456u);
  ResetSysColors();
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0u);
}

TEST(ColorsTest, MarkersStayUnresolved) {
  EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFFu);
  EXPECT_EQ(ColorToRGB(clDefault), 0x20000000u);
}

TEST(ColorsTest, NamesRoundTrip) {
  TColor c = 0;
  ASSERT_TRUE(IdentToColor("clbtnface", c));
  EXPECT_EQ(c, clBtnFace);
  EXPECT_EQ(ColorToString(clRed), "clRed");
  EXPECT_EQ(ColorToString(clSilver), "clSilver");
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_FALSE(IdentToColor("clNoSuchColour", c));
}

TEST(ColorsTest, UnnamedColourIsWrittenAsEightHexDigits) {
  EXPECT_EQ(ColorToString(0x00BBCCDD), "$00BBCCDD");
  EXPECT_EQ(StringToColor("$00BBCCDD"), 0x00BBCCDD);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_EQ(StringToColor("clAqua"), clAqua);
  EXPECT_EQ(StringToColor("$80000005"), clWindow);
}

TEST(ColorsTest, GarbageIsAConvertError) {
  EXPECT_THROW(StringToColor("rot"), EConvertError);
  try {
    StringToColor("abc");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' ist kein gültiger Integerwert");
  }
  EXPECT_THROW(StringToColor(""), EConvertError);
  EXPECT_THROW(StringToColor("$"), EConvertError);
}
