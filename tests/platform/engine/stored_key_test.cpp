// Index keys taken straight from the stored bytes of a character field
// equal the keys of the evaluated expression, byte for byte.
#include "engine_fixture.h"
#include "platform/engine/cursor.h"
#include "platform/rtl/charset.h"

namespace {

using oak::CharType;
using oak::ExprCase;

class StoredKeyTest : public EngineTest {
 protected:
  // Every record's key of Tag equals the key of its evaluated expression.
  static void ExpectKeysAsEvaluated(OAKHANDLE T, const oak::IndexTag& Tag, UNSIGNED32 Records) {
    oak::TCursor& C = oak::CursorOf(T);
    for (UNSIGNED32 R = 1; R <= Records; ++R) {
      ASSERT_EQ(0u, OakGotoRecord(T, R));
      std::string Key;
      ASSERT_TRUE(Tag.KeyOf(C, Key));
      EXPECT_EQ(oak::BuildKey(Tag.KeyExpression().Evaluate(C), Tag.Spec()), Key)
          << Tag.KeyExpression().Text() << (Tag.Spec().Descending ? " descending" : "") << ", record " << R;
    }
  }
};

// Both character types of the table; a field, UPPER and LOWER of a field of
// each character kind, each ascending and descending; every byte value, a
// few texts, a null field, zeros behind the text; and the raw field, whose
// text is not converted and so keeps to the evaluation.
TEST_F(StoredKeyTest, KeysOfStoredTextEqualEvaluatedKeys) {
  const char* const Exprs[] = {"S", "UPPER(S)", "LOWER(S)", "CI", "UPPER(CI)", "LOWER(CI)", "R"};
  for (UNSIGNED16 Chars : {OAK_ANSI, OAK_OEM}) {
    SCOPED_TRACE(Chars);
    OAKHANDLE T = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakCreateTable(Conn, Chars == OAK_ANSI ? "ansi" : "oem", nullptr, OAK_OAT, Chars, 1, 1, 0,
                                 "S,Character,6;CI,CICharacter,6;R,Raw,6;M,Memo", &T));
    std::vector<OAKHANDLE> Tags;
    for (const char* E : Exprs)
      for (UNSIGNED32 Desc : {0u, OAK_DESCENDING}) {
        OAKHANDLE I = OAK_INVALID_HANDLE;
        const std::string Name = "T" + std::to_string(Tags.size());
        ASSERT_EQ(0u, OakCreateIndex61(T, "", Name.c_str(), E, "", "", OAK_COMPOUND | Desc, 0, &I)) << E;
        Tags.push_back(I);
      }
    for (int B = 0; B < 256; ++B) {
      const char Bytes[] = {static_cast<char>(B), 'x', static_cast<char>(B), static_cast<char>(0xE4)};
      ASSERT_EQ(0u, OakAppendRecord(T));
      for (UNSIGNED16 F = 1; F <= 3; ++F) ASSERT_EQ(0u, OakSetFieldRaw(T, F, Bytes, B % 4 + 1));
      ASSERT_EQ(0u, OakWriteRecord(T));
    }
    for (const char* Text : {"Müller", "straße", "ÿŸšŠ", "ÀÉîõÜ€", "longer than six", " a b"})
      Add(T, {{"S", Text}, {"CI", Text}});
    ASSERT_EQ(0u, OakAppendRecord(T));  // every field null
    ASSERT_EQ(0u, OakWriteRecord(T));

    oak::TCursor& C = oak::CursorOf(T);
    oak::ExprStoredText Stored;
    EXPECT_TRUE(C.StoredText(1, Stored) && C.StoredText(2, Stored));
    EXPECT_FALSE(C.StoredText(3, Stored) || C.StoredText(4, Stored));  // raw, memo
    const UNSIGNED32 Records = Count(T);
    for (OAKHANDLE I : Tags) {
      const oak::IndexTag& Tag = oak::IndexOf(I).Tag();
      int Field = 0;
      ExprCase Case;
      EXPECT_TRUE(Tag.KeyExpression().IsFieldText(Field, Case));
      ExpectKeysAsEvaluated(T, Tag, Records);
    }
    ASSERT_EQ(0u, OakCloseTable(T));
  }
}

// Keys shorter and longer than the stored text, through every map there is:
// cut, or padded with blanks (a null field: blanks only).
TEST_F(StoredKeyTest, KeyLengthCutsAndPadsAsTheEvaluatedKey) {
  const std::string Stored = "M\xFC" "ller \xDF\xFF\x9A\x00\x81 ";
  const CharType Types[] = {CharType::Ansi, CharType::Oem};
  for (CharType Table : Types)
    for (CharType KeyChars : Types)
      for (ExprCase Case : {ExprCase::Keep, ExprCase::Upper, ExprCase::Lower}) {
        const oak::TKeyByteMap* Map = oak::StoredTextKeyMap(Table, KeyChars, Case);
        ASSERT_NE(nullptr, Map);
        String Text = oak::FromTableChars(Stored, Table);
        Text = Case == ExprCase::Upper ? AnsiUpperCase(Text) : Case == ExprCase::Lower ? AnsiLowerCase(Text) : Text;
        for (std::uint16_t Length : {3, 11, 30})
          for (bool Desc : {false, true}) {
            const oak::KeySpec Spec{oak::KeyType::Character, Length, Desc, KeyChars};
            std::string Key = "left over";
            oak::StoredTextKey(Stored, false, *Map, Spec, Key);
            EXPECT_EQ(oak::BuildKey(oak::ExprValue::FromString(Text), Spec), Key) << Length;
            oak::StoredTextKey(Stored, true, *Map, Spec, Key);
            EXPECT_EQ(oak::BuildKey(oak::ExprValue::Null(), Spec), Key) << Length;
          }
      }
}

}  // namespace

// Keys of a lone number field of every binary kind, ascending and
// descending, equal the evaluated keys: negative, zero, large and
// fractional values, and a null field; a text number keeps to evaluation.
TEST_F(StoredKeyTest, KeysOfStoredNumbersEqualEvaluatedKeys) {
  OAKHANDLE T = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateTable(Conn, "numbers", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0,
                               "I,Integer;S,ShortInt;A,AutoInc;D,Double;C,CurDouble;N,Numeric,8,2", &T));
  std::vector<OAKHANDLE> Tags;
  for (const char* E : {"I", "S", "A", "D", "C", "N"})
    for (UNSIGNED32 Desc : {0u, OAK_DESCENDING}) {
      OAKHANDLE I = OAK_INVALID_HANDLE;
      const std::string Name = "T" + std::to_string(Tags.size());
      ASSERT_EQ(0u, OakCreateIndex61(T, "", Name.c_str(), E, "", "", OAK_COMPOUND | Desc, 0, &I)) << E;
      Tags.push_back(I);
    }
  for (const std::string V : {"0", "-1", "1", "32767", "-32768", "2147483647", "-2147483648", "12.75", "-0.5"}) {
    ASSERT_EQ(0u, OakAppendRecord(T));
    for (UNSIGNED16 F : {1, 2, 4, 5, 6}) OakSetField(T, F, V.data(), V.size());  // a value out of range stays out
    ASSERT_EQ(0u, OakWriteRecord(T));
  }
  ASSERT_EQ(0u, OakAppendRecord(T));  // null numbers
  ASSERT_EQ(0u, OakWriteRecord(T));
  oak::TCursor& C = oak::CursorOf(T);
  bool Null = false;
  double Value = 0;
  EXPECT_FALSE(C.StoredNumber(6, Null, Value));  // the text number
  for (OAKHANDLE I : Tags) ExpectKeysAsEvaluated(T, oak::IndexOf(I).Tag(), Count(T));
  ASSERT_EQ(0u, OakCloseTable(T));
}
