#include "foundation/UQXCurrencySetup.h"

#include <gtest/gtest.h>

#include "TempTree.h"
#include "platform/rtl/formatsettings.h"

namespace {

class CurrencySetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Saved = FormatSettings;
    SavedDecimalsMode = AmountDecimalsMode();
    Tree.SetProgramFolder();
  }
  void TearDown() override {
    FormatSettings = Saved;
    SetAmountDecimalsMode(SavedDecimalsMode);
  }
  void Alteuro(const std::string& Text) { Tree.Write("prog/ALTEURO.INI", Text); }

  TempTree Tree;
  TFormatSettings Saved;
  Integer SavedDecimalsMode = 0;
};

}  // namespace

TEST_F(CurrencySetupTest, WithoutAlteuroTheEuroDefaultsHold) {
  QXCurrencySetupInitialize();
  EXPECT_EQ(DecimalSeparator, ',');
  EXPECT_EQ(ThousandSeparator, '.');
  EXPECT_EQ(DateSeparator, '.');
  EXPECT_EQ(CurrencyString, " \u20AC");
  EXPECT_EQ(CurrencyFormat, 1);
  EXPECT_EQ(NegCurrFormat, 5);
  EXPECT_EQ(CurrencyDecimals, 2);
  EXPECT_EQ(AmountDisplayFormat(), "#############0.00");
  EXPECT_FALSE(IsNonEuroCountry());
}

TEST_F(CurrencySetupTest, ANonEuroCountryGetsSwissSeparatorsAndTheFrancText) {
  Alteuro("[COUNTRY]\r\nEURO=0\r\nEINZELNOT5RAPPEN=1\r\n");
  QXCurrencySetupInitialize();
  EXPECT_EQ(DecimalSeparator, '.');
  EXPECT_EQ(ThousandSeparator, '\'');
  EXPECT_EQ(CountryCurrencyText(), " SFr\".\"");
  EXPECT_EQ(CountryCurrencyText().size(), 7u);
  EXPECT_EQ(CurrencyString, " \u20AC");
  EXPECT_TRUE(IsNonEuroCountry());
  EXPECT_TRUE(QXCurrencySetup.EinzelNot5Rappen);
}

TEST_F(CurrencySetupTest, DecimalsModeAcceptsOnlyZeroOneAndFour) {
  Alteuro("[COUNTRY]\r\nNACHKOMMA3=2\r\n");
  QXCurrencySetupInitialize();
  EXPECT_EQ(AmountDecimalsMode(), 0);
  EXPECT_EQ(AmountDisplayFormat(), "#############0.00");
  Alteuro("[COUNTRY]\r\nNACHKOMMA3=4\r\n");
  QXCurrencySetupInitialize();
  EXPECT_EQ(AmountDisplayFormat(), "#############0.0000");
  Alteuro("[COUNTRY]\r\nNACHKOMMA3=1\r\n");
  QXCurrencySetupInitialize();
  EXPECT_EQ(AmountDisplayFormat(), "#############0.000");
}

TEST_F(CurrencySetupTest, AnOwnSymbolGetsABlankInFront) {
  Alteuro("[EUCHAR]\r\nVALUE=EUR\r\n");
  QXCurrencySetupInitialize();
  EXPECT_EQ(CurrencyString, " EUR");
  EXPECT_EQ(CountryCurrencyText(), " EUR");
}

TEST_F(CurrencySetupTest, NullSymbolLeavesNoCurrencyText) {
  Alteuro("[EUCHAR]\r\nVALUE=EUR\r\nNULL=1\r\n");
  QXCurrencySetupInitialize();
  EXPECT_EQ(CurrencySymbol(), "");
  EXPECT_EQ(CurrencyString, "");
}
