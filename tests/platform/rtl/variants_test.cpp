// Variant: kinds, conversions, arrays, comparisons and errors.
#include <gtest/gtest.h>

#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/variants.h"

class VariantTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetFormatSettings(); }
  void TearDown() override { ResetFormatSettings(); }
  static std::string CastMessage(const std::function<void()>& Fn) {
    try {
      Fn();
    } catch (const EVariantError& E) {
      return E.Message();
    }
    return "(kein Fehler)";
  }
};

TEST_F(VariantTest, NewVariantIsEmptyAndNullIsNull) {
  Variant V;
  EXPECT_TRUE(VarIsEmpty(V));
  EXPECT_FALSE(VarIsNull(V));
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_EQ(VarType(Null()), varNull);
  EXPECT_TRUE(VarIsNullOrEmpty(Unassigned()));
}

TEST_F(VariantTest, KindsFollowTheAssignedValue) {
  EXPECT_EQ(Variant(5).VarType(), varInteger);
  EXPECT_EQ(Variant(Int64(5)).VarType(), varInt64);
  EXPECT_EQ(Variant(2.5).VarType(), varDouble);
  EXPECT_EQ(Variant(true).VarType(), varBoolean);
  EXPECT_EQ(Variant("x").VarType(), varString);
  EXPECT_EQ(Variant::FromDateTime(1.0).VarType(), varDate);
  EXPECT_EQ(Variant::FromCurrency(1.23456).AsDouble(), 1.2346);
  EXPECT_TRUE(VarIsNumeric(Variant::FromCurrency(1)));
  EXPECT_FALSE(VarIsNumeric(Variant("1")));
}

TEST_F(VariantTest, VarToStrUsesTheProcessFormats) {
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_EQ(VarToStr(Variant(-12)), "-12");
  EXPECT_EQ(VarToStr(Variant(1.5)), "1,5");
  EXPECT_EQ(VarToStr(Variant(true)), "True");
  EXPECT_EQ(VarToStr(Variant::FromDateTime(EncodeDate(2024, 3, 1))), "01.03.2024");
  EXPECT_EQ(VarToStrDef(Null(), "leer"), "leer");
}

TEST_F(VariantTest, StringsConvertToNumbersAndDates) {
  EXPECT_EQ(Variant("42").AsInteger(), 42);
  EXPECT_DOUBLE_EQ(Variant("2,25").AsDouble(), 2.25);
  EXPECT_EQ(Variant("$FF").AsInteger(), 255);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_DOUBLE_EQ(Variant("24.12.2024").AsDateTime(), EncodeDate(2024, 12, 24));
}

TEST_F(VariantTest, DoublesRoundHalfToEvenIntoIntegers) {
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-1.5).AsInteger(), -2);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
}

TEST_F(VariantTest, ImpossibleConversionsRaiseTheGermanMessage) {
  EXPECT_EQ(CastMessage([] { (void)Variant("abc").AsInteger(); }),
            "Ungültige Variant-Typumwandlung");
  EXPECT_EQ(CastMessage([] { (void)Null().AsInteger(); }), "Ungültige Variant-Typumwandlung");
  EXPECT_EQ(CastMessage([] { (void)Variant("x").AsBoolean(); }),
            "Ungültige Variant-Typumwandlung");
  EXPECT_EQ(CastMessage([] { (void)Variant(Int64(1) << 40).AsInteger(); }), "Variant-Überlauf");
  EXPECT_EQ(CastMessage([] { (void)VarAsType(Variant(70000), varSmallint); }),
            "Variant-Überlauf");
}

TEST_F(VariantTest, VarAsTypeConverts) {
  Variant S = VarAsType(Variant(12), varString);
  EXPECT_EQ(S.VarType(), varString);
  EXPECT_EQ(S.AsString(), "12");
  EXPECT_EQ(VarAsType(Variant("7"), varInteger).VarType(), varInteger);
  EXPECT_EQ(VarAsType(Variant(1), varBoolean).AsBoolean(), true);
  EXPECT_TRUE(VarIsNull(VarAsType(Variant(1), varNull)));
}

TEST_F(VariantTest, ArraysHoldKeysOfSeveralFields) {
  Variant A = VarArrayOf({Variant(1), Variant("Meier"), Null()});
  EXPECT_TRUE(VarIsArray(A));
  EXPECT_EQ(VarArrayDimCount(A), 1);
  EXPECT_EQ(VarArrayLowBound(A, 1), 0);
  EXPECT_EQ(VarArrayHighBound(A, 1), 2);
  EXPECT_EQ(A[1].AsString(), "Meier");
  EXPECT_TRUE(VarIsNull(A[2]));
  EXPECT_THROW(A[3], EVariantError);
  EXPECT_THROW((void)A.AsString(), EVariantError);
  Variant C = VarArrayCreate(1, 2);
  C[2] = Variant(9);
  EXPECT_EQ(C[2].AsInteger(), 9);
  EXPECT_TRUE(VarIsEmpty(C[1]));
}

TEST_F(VariantTest, ComparisonsFollowTheClassLibrary) {
  EXPECT_EQ(VarCompareValue(Variant(1), Variant(2.5)), vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant("b"), Variant("a")), vrGreaterThan);
  EXPECT_EQ(VarCompareValue(Variant("10"), Variant(10)), vrEqual);
  EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
  EXPECT_EQ(VarCompareValue(Null(), Variant(0)), vrNotEqual);
  EXPECT_TRUE(Variant(3) == Variant(3.0));
  EXPECT_FALSE(Variant("abc") == Variant(1));
  EXPECT_FALSE(Null() == Variant(""));
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_THROW((void)(Null() < Variant(1)), EVariantError);
  EXPECT_TRUE(VarArrayOf({Variant(1), Variant("a")}) == VarArrayOf({Variant(1), Variant("a")}));
}

TEST_F(VariantTest, OtherIntegerTypesAndCurrencyConstruct) {
  EXPECT_EQ(Variant(Word(7)).VarType(), varInteger);
  EXPECT_EQ(Variant(std::size_t(7)).VarType(), varInt64);
  EXPECT_EQ(Variant(Cardinal(4000000000u)).AsInt64(), 4000000000LL);
  Variant C(Currency(12.3456));
  EXPECT_EQ(C.VarType(), varCurrency);
  EXPECT_EQ(VarToStr(C), "12,3456");
}
