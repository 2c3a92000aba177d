// Index keys: byte order equals value order, seek keys from text and raw
// bytes, key widths of expressions.
#include "platform/engine/keys.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "platform/engine/expr_date.h"

namespace oak {
namespace {

int Sign(int V) { return V < 0 ? -1 : V > 0 ? 1 : 0; }

int KeyOrder(const std::string& A, const std::string& B) {
  return Sign(std::memcmp(A.data(), B.data(), std::min(A.size(), B.size())));
}

KeySpec Spec(KeyType T, int Len, bool Desc = false, CharType C = CharType::Ansi) {
  KeySpec S;
  S.Type = T;
  S.Length = static_cast<std::uint16_t>(Len);
  S.Descending = Desc;
  S.Chars = C;
  return S;
}

class KeyOrderTest : public ::testing::Test {
 protected:
  // Checks for random pairs that key order equals value order (reversed
  // for a descending spec).
  template <class Gen, class Less>
  void ExpectOrderPreserved(KeySpec S, Gen Make, Less ValueLess) {
    for (bool Desc : {false, true}) {
      S.Descending = Desc;
      for (int i = 0; i < 3000; ++i) {
        ExprValue A = Make(), B = Make();
        std::string KA = BuildKey(A, S), KB = BuildKey(B, S);
        ASSERT_EQ(KA.size(), S.Length);
        int Want = ValueLess(A, B) ? -1 : ValueLess(B, A) ? 1 : 0;
        if (Desc) Want = -Want;
        ASSERT_EQ(KeyOrder(KA, KB), Want) << i;
      }
    }
  }
  std::mt19937 Rng{12345};
};

TEST_F(KeyOrderTest, NumbersSortLikeDoubles) {
  std::uniform_int_distribution<int> Pick(0, 9);
  std::uniform_real_distribution<double> Wide(-1e12, 1e12), Narrow(-2, 2);
  auto Make = [&] {
    switch (Pick(Rng)) {
      case 0: return ExprValue::FromNumber(0.0);
      case 1: return ExprValue::FromNumber(-0.0);
      case 2: return ExprValue::FromNumber(std::numeric_limits<double>::infinity());
      case 3: return ExprValue::FromNumber(-std::numeric_limits<double>::infinity());
      case 4: return ExprValue::FromNumber(std::round(Narrow(Rng) * 1000));
      case 5: return ExprValue::FromNumber(Narrow(Rng) * 1e-300);
      default: return ExprValue::FromNumber(Pick(Rng) < 5 ? Wide(Rng) : Narrow(Rng));
    }
  };
  ExpectOrderPreserved(Spec(KeyType::Numeric, 8), Make,
                       [](const ExprValue& A, const ExprValue& B) { return A.Num < B.Num; });
}

TEST_F(KeyOrderTest, DatesAndTimestampsSortByDayThenTime) {
  std::uniform_int_distribution<int> Day(JulianFromYMD(1900, 1, 1), JulianFromYMD(2100, 1, 1));
  std::uniform_int_distribution<int> Ms(0, 86399999);
  ExpectOrderPreserved(
      Spec(KeyType::Date, 4), [&] { return ExprValue::FromDate(Day(Rng) % 50 ? Day(Rng) : 0); },
      [](const ExprValue& A, const ExprValue& B) { return A.Julian < B.Julian; });
  ExpectOrderPreserved(
      Spec(KeyType::Timestamp, 8),
      [&] { return ExprValue::FromTimestamp(Day(Rng) % 3 + 2451545, Ms(Rng)); },
      [](const ExprValue& A, const ExprValue& B) {
        return A.Julian != B.Julian ? A.Julian < B.Julian : A.Ms < B.Ms;
      });
}

TEST_F(KeyOrderTest, LogicalsSortFalseFirst) {
  std::bernoulli_distribution Coin;
  ExpectOrderPreserved(Spec(KeyType::Logical, 1), [&] { return ExprValue::FromLogical(Coin(Rng)); },
                       [](const ExprValue& A, const ExprValue& B) { return A.Bool < B.Bool; });
}

TEST_F(KeyOrderTest, CharactersSortLikePaddedBytes) {
  std::uniform_int_distribution<int> Len(0, 12), Ch('A', 'E');
  auto Make = [&] {
    String S;
    for (int n = Len(Rng); n > 0; --n) S.push_back(static_cast<char>(Ch(Rng)));
    return ExprValue::FromString(S);
  };
  auto Padded = [](String S) {
    S.resize(10, ' ');
    return S;
  };
  ExpectOrderPreserved(Spec(KeyType::Character, 10), Make,
                       [&](const ExprValue& A, const ExprValue& B) {
                         return Padded(A.Str) < Padded(B.Str);
                       });
}

TEST(KeysTest, CharacterKeysUseTheTablesCodePage) {
  EXPECT_EQ(BuildKey(ExprValue::FromString("Müller"), Spec(KeyType::Character, 8)),
            std::string("M\xFCller  "));
  EXPECT_EQ(BuildKey(ExprValue::FromString("Müller"), Spec(KeyType::Character, 8, false, CharType::Oem)),
            std::string("M\x81ller  "));
  EXPECT_EQ(BuildKey(ExprValue::FromString("abcdef"), Spec(KeyType::Character, 3)), "abc");
  EXPECT_EQ(BuildKey(ExprValue::Null(), Spec(KeyType::Character, 3)), "   ");
  EXPECT_EQ(KeyToValue(std::string("M\xFCller  "), Spec(KeyType::Character, 8)).Str, "Müller  ");
}

TEST(KeysTest, NullNumbersSortBeforeEveryNumber) {
  KeySpec S = Spec(KeyType::Numeric, 8);
  std::string Null = BuildKey(ExprValue::Null(), S);
  EXPECT_EQ(Null, std::string(8, '\0'));
  EXPECT_LT(Null, BuildKey(ExprValue::FromNumber(-std::numeric_limits<double>::infinity()), S));
  EXPECT_TRUE(KeyToValue(Null, S).IsNull());
  EXPECT_DOUBLE_EQ(KeyToValue(BuildKey(ExprValue::FromNumber(-12.5), S), S).Num, -12.5);
}

TEST(KeysTest, TextSeekKeysMatchBuiltKeys) {
  KeySpec N = Spec(KeyType::Numeric, 8);
  EXPECT_EQ(SeekKeyFromText("2", N), BuildKey(ExprValue::FromNumber(2), N));
  EXPECT_EQ(SeekKeyFromText(" -3.5 ", N), BuildKey(ExprValue::FromNumber(-3.5), N));
  KeySpec D = Spec(KeyType::Date, 4);
  std::string Want = BuildKey(ExprValue::FromDate(JulianFromYMD(2024, 12, 31)), D);
  EXPECT_EQ(SeekKeyFromText("20241231", D), Want);
  EXPECT_EQ(SeekKeyFromText("12/31/2024", D), Want);
  EXPECT_EQ(SeekKeyFromText("31.12.2024", D, "DD.MM.YYYY"), Want);
  KeySpec L = Spec(KeyType::Logical, 1);
  EXPECT_EQ(SeekKeyFromText(".T.", L), "T");
  EXPECT_EQ(SeekKeyFromText("n", L), "F");
  KeySpec T = Spec(KeyType::Timestamp, 8);
  EXPECT_EQ(SeekKeyFromText("20240102 01:00:00", T),
            BuildKey(ExprValue::FromTimestamp(JulianFromYMD(2024, 1, 2), 3600000), T));
}

TEST(KeysTest, CharacterSeekKeysArePartial) {
  KeySpec C = Spec(KeyType::Character, 10);
  EXPECT_EQ(SeekKeyFromText("Mü", C), std::string("M\xFC"));
  EXPECT_EQ(SeekKeyFromText(String(20, 'x'), C), String(10, 'x'));
  KeySpec Desc = Spec(KeyType::Character, 10, true);
  std::string Full = BuildKey(ExprValue::FromString("Miller"), Desc);
  std::string Part = SeekKeyFromText("Mil", Desc);
  EXPECT_EQ(Full.compare(0, Part.size(), Part), 0);
  EXPECT_EQ(SeekKeyFromRaw(std::string(12, 'a'), C), String(10, 'a'));
  EXPECT_EQ(SeekKeyFromRaw("ab", C), "ab");
}

TEST(KeysTest, BadSeekTextIsRefused) {
  for (auto [Text, Type] : {std::pair<const char*, KeyType>{"abc", KeyType::Numeric},
                            {"2x", KeyType::Numeric},
                            {"2024-13-45", KeyType::Date},
                            {"maybe", KeyType::Logical},
                            {"20240101 25:00", KeyType::Timestamp}}) {
    try {
      SeekKeyFromText(Text, Spec(Type, Type == KeyType::Logical ? 1 : Type == KeyType::Date ? 4 : 8));
      ADD_FAILURE() << Text;
    } catch (const EEngineError& E) {
      EXPECT_EQ(E.Code, kExprBadSeekKey) << Text;
    }
  }
  EXPECT_EQ(SeekKeyFromText("  ", Spec(KeyType::Numeric, 8)), "");  // matches every key
}

TEST(KeysTest, StepKeyMovesToTheNeighbourKey) {
  std::string K("a\xFF", 2);
  ASSERT_TRUE(StepKey(K, 1));
  EXPECT_EQ(K, std::string("b\0", 2));
  ASSERT_TRUE(StepKey(K, -1));
  EXPECT_EQ(K, std::string("a\xFF", 2));
  std::string Top(3, '\xFF'), Bottom(3, '\0');
  EXPECT_FALSE(StepKey(Top, 1));
  EXPECT_EQ(Top, std::string(3, '\xFF'));
  EXPECT_FALSE(StepKey(Bottom, -1));
}

class KeySpecTest : public ::testing::Test, public ExprFieldCatalog {
 protected:
  bool FindField(std::string_view Name, ExprFieldInfo& Info) const override {
    Info.Index = 0;
    Info.Type = ExprType::String;
    Info.Length = Name == "MEMO" ? 0 : 30;
    return Name == "NAME" || Name == "MEMO";
  }
  KeySpec For(const char* Text, int Max = 240) {
    return KeySpecFor(*Expression::Parse(Text, *this), false, CharType::Ansi, Max);
  }
};

TEST_F(KeySpecTest, KeyWidthComesFromTheExpression) {
  EXPECT_EQ(For("UPPER(NAME)").Length, 30);
  EXPECT_EQ(For("UPPER(NAME)").Type, KeyType::Character);
  EXPECT_EQ(For("LEFT(NAME, 4)").Length, 4);
  EXPECT_EQ(For("1 + 1").Type, KeyType::Numeric);
  for (const char* Bad : {"MEMO", "NAME + NAME"}) {
    try {
      For(Bad, 40);
      ADD_FAILURE() << Bad;
    } catch (const EEngineError& E) {
      EXPECT_EQ(E.Code, kExprKeyLength) << Bad;
    }
  }
}

}  // namespace
}  // namespace oak
