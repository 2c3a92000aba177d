#include "platform/rtl/guid.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const TGUID Sample{0x6F9619FF, 0x8B86, 0xD011, {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}};
const char* const SampleText = "{6F9619FF-8B86-D011-B42D-00C04FC964FF}";

// The message StringToGUID raises for Text, or "" when it parses.
String RejectionOf(const String& Text) {
  try {
    StringToGUID(Text);
  } catch (const EConvertError& E) {
    return E.Message();
  }
  return String();
}

TEST(GuidTest, TextFormIsBracedUpperCaseHex) {
  EXPECT_EQ(GUIDToString(Sample), SampleText);
  EXPECT_EQ(GUIDToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidTest, TextParsesBackToTheSameGuid) {
  EXPECT_EQ(StringToGUID(SampleText), Sample);
  EXPECT_TRUE(IsEqualGUID(StringToGUID("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"), Sample));
}

TEST(GuidTest, NewGuidsAreVersion4AndDistinct) {
  std::set<String> Seen;
  for (int i = 0; i < 100; ++i) {
    TGUID G;
    EXPECT_EQ(CreateGUID(G), S_OK);
    EXPECT_EQ(G.D3 >> 12, 4);
    EXPECT_EQ(G.D4[0] & 0xC0, 0x80);
    String Text = GUIDToString(G);
    EXPECT_EQ(Text.size(), 38u);
    EXPECT_EQ(StringToGUID(Text), G);
    Seen.insert(Text);
  }
  EXPECT_EQ(Seen.size(), 100u);
  EXPECT_FALSE(IsEqualGUID(NewGUID(), GUID_NULL));
}

TEST(GuidTest, MalformedTextsAreRejected) {
  EXPECT_EQ(RejectionOf(""), "'' ist keine gültige GUID");
  EXPECT_EQ(RejectionOf("{6F9619FF-8B86-D011-B42D-00C04FC964F}"),
            "'{6F9619FF-8B86-D011-B42D-00C04FC964F}' ist keine gültige GUID");
  EXPECT_NE(RejectionOf("6F9619FF-8B86-D011-B42D-00C04FC964FF00"), "");   // no braces
  EXPECT_NE(RejectionOf("(6F9619FF-8B86-D011-B42D-00C04FC964FF)"), "");   // wrong brackets
  EXPECT_NE(RejectionOf("{6F9619FF8B86-D011-B42D-00C04FC964FF0}"), "");   // hyphen missing
  EXPECT_NE(RejectionOf("{6F9619FF-8B86-D011-B42D-00C04FC964FG}"), "");   // not hex
  EXPECT_NE(RejectionOf("{6F9619FF-8B86-D011-B42D-00C04FC964FF} "), "");  // too long
  EXPECT_NE(RejectionOf("{ 6F9619F-8B86-D011-B42D-00C04FC964FF}"), "");   // blank
  EXPECT_EQ(RejectionOf(SampleText), "");
}

TEST(GuidTest, TryStringToGuidLeavesTheTargetAloneOnFailure) {
  TGUID G = Sample;
  EXPECT_FALSE(TryStringToGUID("nonsense", G));
  EXPECT_EQ(G, Sample);
  EXPECT_TRUE(TryStringToGUID("{00000000-0000-0000-0000-000000000001}", G));
  EXPECT_EQ(G.D4[7], 1);
}

}  // namespace
