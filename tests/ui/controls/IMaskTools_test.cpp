// The edit mask engine: compiling, matching (with its retries and case
// switches), inserting and deleting against a mask.
#include "ui/controls/IMaskTools.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

TMaskElements Compiled(const std::string& Mask) {
  TMaskElements E;
  CompileMask(Mask, E);
  return E;
}

struct TMatchCase {
  const char* Mask;
  const char* Text;
  bool NoLiterals, Complete;
  Integer Start;       // -1: no match
  const char* Result;  // the converted text on success
};

class MaskMatchTest : public ::testing::TestWithParam<TMatchCase> {};

// "03_00__00_1234" for case 3, mask "00!.00", text "1234": the case number
// keeps names unique, mask and text (other characters as '_') tell them apart.
std::string MatchCaseName(const ::testing::TestParamInfo<TMatchCase>& Info) {
  std::string Name = std::to_string(100 + Info.index).substr(1) + "_" + Info.param.Mask + "_" + Info.param.Text;
  for (char& C : Name) C = std::isalnum(static_cast<unsigned char>(C)) ? C : '_';
  return Name;
}

TEST_P(MaskMatchTest, MatchesAsTheTableSays) {
  const TMatchCase& C = GetParam();
  TMaskElements E = Compiled(C.Mask);
  std::string Text = C.Text;
  Integer Skipped = -1, End = -1;
  EXPECT_EQ(MatchMask(Text, E, C.NoLiterals, C.Complete, Skipped, End), C.Start) << C.Mask << " / " << C.Text;
  EXPECT_EQ(Text, C.Start >= 0 ? std::string(C.Result) : std::string(C.Text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MaskMatchTest,
    ::testing::Values(
        // accept and reject
        TMatchCase{"00!.00", "12.34", false, true, 0, "12.34"},
        TMatchCase{"00!.00", "1234", true, true, 0, "1234"},
        TMatchCase{"00!.00", "1234", false, true, 1, "1234"},  // the literal is passed over
        TMatchCase{"00!.00", "12a34", false, false, -1, ""},
        TMatchCase{"00!.00", "12", false, false, 0, "12"},
        TMatchCase{"00!.00", "12", false, true, -1, ""},
        TMatchCase{"0099", "12", false, true, 0, "12"},
        TMatchCase{"000", "1234", false, false, -1, ""},
        // case switches
        TMatchCase{"<l>LLL", "abc", false, true, 0, "ABC"},
        TMatchCase{"<u>LLL", "AbC", false, true, 0, "abc"},
        TMatchCase{"<l>L</l>L", "ab", false, true, 0, "Ab"},
        TMatchCase{"<l>LL", "\xe4\xb8", false, true, 0, "\xc4\xa8"},
        // classes with brackets
        TMatchCase{"C(0123456789)", "x", false, true, 0, "x"},
        TMatchCase{"C(0123456789)", "5", false, true, -1, ""},
        TMatchCase{"C[xy]", "y", false, true, 0, "y"},
        TMatchCase{"C[xy]", "z", false, true, -1, ""},
        TMatchCase{"A[_]A", "_a", false, true, 0, "_a"},
        TMatchCase{"A[_]A", "a_", false, true, -1, ""},
        TMatchCase{"0[)]", ")", false, true, 0, ")"},
        // literals and flexible literals
        TMatchCase{"0!(-/).0", "1-2", false, true, 0, "1-2"},
        TMatchCase{"0!(-/).0", "1.2", false, true, 0, "1.2"},
        TMatchCase{"0!(-/).0", "1x2", false, true, -1, ""},
        TMatchCase{"![ab]0", "ab5", false, true, 0, "ab5"},
        TMatchCase{"!#[0", "[5", false, true, 0, "[5"},
        // retries: leading optional elements are passed over
        TMatchCase{"9L", "a", false, true, 1, "a"},
        TMatchCase{"99L", "a", false, true, 1, "a"},
        TMatchCase{"a0", "5", false, true, 1, "5"},
        // blanks and empty masks
        TMatchCase{"", "", false, true, 0, ""},
        TMatchCase{"", "x", false, true, -1, ""},
        TMatchCase{"xyz", "", false, true, 0, ""},
        TMatchCase{"c!-c", " - ", false, true, 0, " - "}),
    MatchCaseName);

TEST(MaskCompileTest, CountsRepeatTheElement) {
  EXPECT_EQ(Compiled("L{3}"), Compiled("LLL"));
  EXPECT_EQ(Compiled("L{3}").Count(), 3);
  EXPECT_EQ(Compiled("L{0}").Count(), 0);
  EXPECT_EQ(Compiled("L{x}0").Count(), 1);
  EXPECT_EQ(Compiled("L{3").Count(), 0);
  EXPECT_EQ(Compiled("L{99999999999}").Count(), 0);
}

TEST(MaskCompileTest, UnknownCharactersAndUnclosedBracketsAddNothing) {
  EXPECT_TRUE(Compiled("xyz?*").Empty());
  EXPECT_EQ(Compiled("0L[ab").Count(), 1);
  EXPECT_EQ(Compiled("0!(ab)").Count(), 1);
  EXPECT_EQ(Compiled("![a#]b]").Count(), 3);
  EXPECT_TRUE(Compiled("!").Empty());
}

TEST(MaskCompileTest, ListGrowsByFourAndIsReleasedAtCapacityZero) {
  TMaskElements E = Compiled("LLLLL");
  EXPECT_EQ(E.Count(), 5);
  EXPECT_EQ(E.Capacity(), 8);
  E.SetCapacity(0);
  EXPECT_EQ(E.Count(), 0);
  EXPECT_EQ(E.Capacity(), 0);
  EXPECT_EQ(Compiled("C{70000}").Count(), 65535);
}

TEST(MaskCompileTest, ElementsCarryRequiredAndCaseFlags) {
  TMaskElements E = Compiled("<l>L9!x");
  ASSERT_EQ(E.Count(), 3);
  EXPECT_EQ(E[0].Flags, mfUpper | mfRequired);
  EXPECT_EQ(E[1].Flags, mfUpper);
  EXPECT_TRUE(E[2].IsLiteral());
  EXPECT_EQ(E[2].Literal, 'x');
}

class MaskEditingTest : public ::testing::Test {
 protected:
  // Types Chars at the caret; returns whether the mask took them.
  bool Type(const std::string& Chars) {
    Integer End = Caret;
    return MaskInsert(Text, Chars, E, Caret, End);
  }
  TMaskElements E = Compiled("00!.00");
  std::string Text;
  Integer Caret = 0;
};

TEST_F(MaskEditingTest, TypingFillsInTheFollowingLiterals) {
  EXPECT_TRUE(Type("1"));
  EXPECT_TRUE(Type("2"));
  EXPECT_EQ(Text, "12.");
  EXPECT_EQ(Caret, 3);
  EXPECT_TRUE(Type("3"));
  EXPECT_TRUE(Type("4"));
  EXPECT_EQ(Text, "12.34");
  EXPECT_FALSE(Type("5"));
  EXPECT_EQ(Text, "12.34");
  EXPECT_EQ(Caret, 5);
}

TEST_F(MaskEditingTest, RejectedCharacterLeavesTextAndCaret) {
  Text = "1";
  Caret = 1;
  EXPECT_FALSE(Type("x"));
  EXPECT_EQ(Text, "1");
  EXPECT_EQ(Caret, 1);
}

TEST_F(MaskEditingTest, PasteOverwritesFollowingCharactersWhenNeeded) {
  E = Compiled("0000");
  Text = "123";
  Caret = 1;
  EXPECT_TRUE(Type("56"));
  EXPECT_EQ(Text, "1563");
  EXPECT_EQ(Caret, 3);
}

TEST_F(MaskEditingTest, SelectionIsReplacedByTheInsertion) {
  Text = "12.34";
  Integer Start = 3, End = 5;
  EXPECT_TRUE(MaskInsert(Text, "9", E, Start, End));
  EXPECT_EQ(Text, "12.9");
  EXPECT_EQ(Start, 4);
  EXPECT_EQ(End, 4);
  Start = 0, End = 2;
  EXPECT_FALSE(MaskInsert(Text, "9", E, Start, End));  // "9.9" does not fit the mask
  EXPECT_EQ(Text, "12.9");
  EXPECT_EQ(End, 2);
}

TEST_F(MaskEditingTest, DeleteRemovesUntilTheRestMatches) {
  Text = "12.34";
  EXPECT_EQ(MaskDelete(Text, E, 3, 4), 3);
  EXPECT_EQ(Text, "12.4");
  Text = "12.34";
  EXPECT_EQ(MaskDelete(Text, E, 0, 1), 0);
  EXPECT_EQ(Text, "34");
  Text = "12";
  EXPECT_EQ(MaskDelete(Text, E, 5, 9), 2);
  EXPECT_EQ(Text, "12");
}

TEST_F(MaskEditingTest, BackspaceStepsBackOverLiterals) {
  EXPECT_EQ(MaskBackOverLiterals(3, E), 1);
  EXPECT_EQ(MaskBackOverLiterals(2, E), 1);
  EXPECT_EQ(MaskBackOverLiterals(0, E), -1);
  EXPECT_EQ(MaskBackOverLiterals(0, Compiled("!-0")), -1);
}

TEST_F(MaskEditingTest, LeadingLiteralsFillAnEmptyText) {
  TMaskElements Phone = Compiled("![+49 ]0000");
  std::string T;
  Integer C = 0;
  MaskLeadingLiterals(Phone, 0, T, C);
  EXPECT_EQ(T, "+49 ");
  EXPECT_EQ(C, 4);
  EXPECT_TRUE(MaskMatchesWhole(T = "+49 1234", Phone));
  EXPECT_FALSE(MaskMatchesWhole(T = "+49 12", Phone));
}

}  // namespace
