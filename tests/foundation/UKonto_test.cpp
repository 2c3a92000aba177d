// The account stack: the built-in chart, lookups with and without the
// fallback to a kind's default account, and the user's override lines.
#include <gtest/gtest.h>

#include "foundation/UBookKontos.h"
#include "platform/rtl/strings.h"

namespace {

class KontoStackTest : public ::testing::Test {
 protected:
  void SetUp() override { Stack.Reset(); }
  // Applies the user's lines.
  void Apply(std::initializer_list<const char*> Lines) {
    TStringList L;
    for (const char* S : Lines) L.Add(S);
    Stack.Load(L);
  }
  TKontoEntry& Entry(Word ID) {
    Integer Index;
    EXPECT_TRUE(Stack.Find(ID, Index, 0, false)) << ID;
    return Stack.Items(Index);
  }
  TCtKontoStack Stack;
};

TEST_F(KontoStackTest, ResetBuildsTheChartSortedByID) {
  ASSERT_EQ(175, Stack.Count());
  for (Integer I = 1; I < Stack.Count(); ++I) EXPECT_LT(Stack.Items(I - 1).ID, Stack.Items(I).ID);
  EXPECT_EQ("Vordef. Bar 4", Entry(3).Name);
  EXPECT_EQ("1000", Entry(3).Numbers[0]);
  EXPECT_EQ("1200", Entry(10).Numbers[2]);
  EXPECT_TRUE(Entry(10).Active);
  EXPECT_EQ("Geld-Konto 10", Entry(11).Name);
  EXPECT_FALSE(Entry(11).Active);
  EXPECT_EQ("", Entry(11).Numbers[0]);
  EXPECT_EQ("Geld-Konto 25", Entry(40).Name);
}

TEST_F(KontoStackTest, RevenueAndExpenseAccountsCarryTheirNumbers) {
  EXPECT_EQ(kkRevenue, Entry(100).Kind);
  EXPECT_EQ((std::array<String, 3>{"8400", "8300", "8100"}), Entry(100).Numbers);
  EXPECT_EQ((std::array<String, 3>{"", "", "2650"}), Entry(103).Numbers);
  EXPECT_EQ(2, Entry(103).TaxKind);
  EXPECT_EQ("Erlöse 50", Entry(149).Name);
  EXPECT_EQ("Telefon Porto..", Entry(204).Name);
  EXPECT_EQ((std::array<String, 3>{"4920", "4920", "4920"}), Entry(204).Numbers);
  EXPECT_EQ("zinsähnl. Aufwendungen", Entry(216).Name);
  EXPECT_EQ("Ausgabe 100", Entry(299).Name);
  EXPECT_EQ(kkExpense, Entry(299).Kind);
}

TEST_F(KontoStackTest, FindWithFallbackGivesTheKindsDefault) {
  Integer Index;
  EXPECT_FALSE(Stack.Find(150, Index, kkRevenue, false));
  EXPECT_EQ(-1, Index);
  ASSERT_TRUE(Stack.Find(150, Index, kkRevenue, true));
  EXPECT_EQ(100, Stack.Items(Index).ID);
  ASSERT_TRUE(Stack.Find(3, Index, kkExpense, true));  // another kind
  EXPECT_EQ(200, Stack.Items(Index).ID);
}

TEST_F(KontoStackTest, AddTakesOnlyNewIDsAndCleansTheName) {
  TKontoEntry E;
  E.ID = 500;
  E.Name = "Neu;es;Konto";
  EXPECT_TRUE(Stack.Add(E, kkExpense));
  EXPECT_FALSE(Stack.Add(E, kkMoney));
  EXPECT_EQ("NeuesKonto", Entry(500).Name);
  EXPECT_EQ(kkExpense, Entry(500).Kind);
  EXPECT_EQ(500, Stack.Items(Stack.Count() - 1).ID);
}

TEST_F(KontoStackTest, UserLineOverridesAnEntry) {
  Apply({"3;Kasse;1;123456;0;x;2;1;3"});
  TKontoEntry& E = Entry(3);
  EXPECT_EQ("Kasse", E.Name);
  EXPECT_TRUE(E.Active);
  EXPECT_EQ((std::array<String, 3>{"1234", "", ""}), E.Numbers);
  EXPECT_EQ(2, E.TaxKind);
  EXPECT_EQ(1, E.Option);
  EXPECT_TRUE(E.Flags[0]);
  EXPECT_TRUE(E.Flags[1]);
}

TEST_F(KontoStackTest, OutOfRangeValuesAndShortLinesGiveZero) {
  Apply({"100;Erlöse;0;8400;;;7;5", "201"});
  EXPECT_EQ(0, Entry(100).TaxKind);
  EXPECT_EQ(0, Entry(100).Option);
  EXPECT_FALSE(Entry(100).Active);
  EXPECT_EQ("", Entry(201).Name);
  EXPECT_EQ("", Entry(201).Numbers[2]);
}

TEST_F(KontoStackTest, UnknownIDChangesNothing) {
  Apply({"777;Fremd;1;1;1;1;0;0;0", "abc;x"});
  EXPECT_EQ(175, Stack.Count());
  Integer Index;
  EXPECT_FALSE(Stack.Find(777, Index, 0, false));
}

TEST(KontoStackSingleton, KontoStackIsOneObjectWithTheChart) {
  EXPECT_EQ(KontoStack(), KontoStack());
  EXPECT_EQ(175, KontoStack()->Count());
  EXPECT_STREQ("Variable Eingabe", KontoTaxEntryTexts[3]);
}

}  // namespace
