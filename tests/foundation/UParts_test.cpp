// Article groups: factor and formula normalisation, and the groups built
// from their settings rows.
#include "foundation/UParts.h"

#include <gtest/gtest.h>

#include "foundation/MemSetupRows.h"

namespace {

class PartsTest : public MemSetupRowsTest {
 protected:
  void Load() {
    TSetupRows Rows(Table);
    Groups.LoadFromSettings(Rows);
  }
  TPartsGroup Groups;
};

TEST_F(PartsTest, FormulaGetsUpperCasePlaceholders) {
  EXPECT_EQ("VK*1,2", NormalizePartFormula("vk*1,2", 0, 0, 0));
  EXPECT_EQ("(VKEK + VK)/2 ", NormalizePartFormula("{(vkek + vk)}/2 x", 0, 0, 0));
}

TEST_F(PartsTest, FormulaWithoutPlaceholderGetsVKEKInFront) {
  EXPECT_EQ("VKEK1,5", NormalizePartFormula("1,5", 0, 0, 0));
}

TEST_F(PartsTest, EvaluatedFormulaHoldsTheAmounts) {
  EXPECT_EQ("15,00*2", NormalizePartFormula("vkek*2", 1, 5, 20));
  EXPECT_EQ("20,00+1", NormalizePartFormula("VK+1", 1, 5, 20));
}

TEST_F(PartsTest, FactorKeepsDigitsAndOneSeparatorWithASign) {
  EXPECT_EQ("", NormalizePartFactor("abc"));
  EXPECT_EQ("*12,5", NormalizePartFactor(" 12.5 "));
  EXPECT_EQ("-3", NormalizePartFactor("-3"));
  EXPECT_EQ("+1,25", NormalizePartFactor("+1,2.5"));
}

TEST_F(PartsTest, NoRowsGiveOneGroupAlle) {
  Load();
  ASSERT_EQ(1, Groups.Count());
  EXPECT_EQ("Alle", Groups.Items(0)->Name);
  EXPECT_EQ("2", Groups.Items(0)->Factor);
  EXPECT_EQ("2", Groups.DefaultText);
  EXPECT_EQ(100, Groups.Percentage);
}

TEST_F(PartsTest, GroupsComeFromTheirRows) {
  Row(964, "3");
  Row(219, "7");
  Row(661, "150");
  Row(650, "", "Schrauben\r\n#12Muttern\r\n#99");
  Row(651, "", "1.5");
  Row(660, "", "vk*1.2");
  Row(663, "", "a\tb");
  Load();
  EXPECT_EQ("3", Groups.DefaultText);
  EXPECT_EQ(0, Groups.Mode);
  EXPECT_EQ(100, Groups.Percentage);
  ASSERT_EQ(3, Groups.Count());
  EXPECT_EQ("Schrauben", Groups.Items(0)->Name);
  EXPECT_EQ("*1,5", Groups.Items(0)->Factor);
  EXPECT_EQ("VK*1,2", Groups.Items(0)->Formula);
  EXPECT_EQ(2, Groups.Items(0)->Lines.Count());
  EXPECT_EQ("Muttern", Groups.Items(1)->Name);
  EXPECT_EQ("", Groups.Items(1)->Factor);
  EXPECT_EQ("VKEK", Groups.Items(1)->Formula);
  EXPECT_EQ(1, Groups.Items(1)->Index);
  EXPECT_EQ("#99", Groups.Items(2)->Name);
}

TEST_F(PartsTest, PercentageThatIsNoNumberGivesHundred) {
  Row(661, "x");
  Row(219, "2");
  Load();
  EXPECT_EQ(100, Groups.Percentage);
  EXPECT_EQ(2, Groups.Mode);
}

TEST(PartsTables, PictureFormatsByExtension) {
  EXPECT_STREQ("TJPEGImage", PartPictureFormats[2].ClassName);
  EXPECT_STREQ(".WMF|.EMF", PartPictureFormats[3].Extensions);
  EXPECT_STREQ(".ICO", PartPictureFormats[4].DefaultExtension);
  EXPECT_STREQ("EK berechnen", PartsCalcModeTexts[2]);
}

}  // namespace
