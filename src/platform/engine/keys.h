// Index keys: turning expression values into fixed-length byte strings whose
// memcmp order is the order of the values, and building seek keys.
//
// Layout of a key of each type (Length bytes, then inverted bit by bit for a
// descending tag):
//   Character  the text in the table's character type (Windows-1252 for
//              ANSI, code page 850 for OEM), one byte a character, cut or
//              padded with blanks to Length characters;
//   Numeric    8 bytes: the IEEE double big-endian, sign bit flipped for
//              values >= 0 and every bit flipped for negatives (-0 is 0,
//              NaN sorts last); a null value is 8 zero bytes (first);
//   Date       4 bytes: the Julian day big-endian (empty date 0, first);
//   Timestamp  8 bytes: Julian day then milliseconds, both big-endian;
//   Logical    1 byte: 'F' or 'T' (null: 0).
// A B-tree entry is the key followed by the record number (big-endian), so
// equal keys keep record-number order.
//
// Thread safety: pure functions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/engine/expr.h"

namespace oak {

enum class KeyType : std::uint8_t {
  Character = 1,
  Numeric = 2,
  Date = 3,
  Logical = 4,
  Timestamp = 5,
};

// How the keys of one tag look.
struct KeySpec {
  KeyType Type = KeyType::Character;
  std::uint16_t Length = 0;  // bytes (= characters for Character keys)
  bool Descending = false;
  CharType Chars = CharType::Ansi;
};

// The key type and byte length of an index expression (ResultType,
// ResultLength). Raises EEngineError 5308 when a character expression has no
// fixed width or a width above MaxLength, 5303 for a null expression.
KeySpec KeySpecFor(const Expression& KeyExpr, bool Descending, CharType Chars,
                   int MaxLength);

// The key bytes of Value (exactly Spec.Length bytes). A value of another
// type is converted as xBase would (a number into a character key as STR,
// anything else to the empty key of the type).
std::string BuildKey(const ExprValue& Value, const KeySpec& Spec);

// Character keys straight from stored table text, for the key expressions
// Expression::IsFieldText recognises (a field, UPPER or LOWER of one),
// without building a value: the byte each stored byte b becomes in the key,
// ToTableChars(Case(FromTableChars(b, TableChars)), KeyChars). Both code
// pages take one byte a character and every step converts one character
// at a time, so a text's key is its bytes mapped one by one.
using TKeyByteMap = std::array<std::uint8_t, 256>;
// The map for one combination, or null when some byte would not become
// exactly one byte (then only evaluating the expression is right). Made
// once per process for every combination (thread-safe); lives as long as
// the process.
const TKeyByteMap* StoredTextKeyMap(CharType TableChars, CharType KeyChars, ExprCase Case);
// Sets Key (its storage reused) to BuildKey of the expression's value for
// a field that stores Stored (Null: the null image): each byte through Map,
// cut or padded with blanks to Spec.Length, inverted for a descending tag;
// a null field gives the empty text's key, all blanks. REQUIRES:
// Spec.Type == KeyType::Character.
void StoredTextKey(std::string_view Stored, bool Null, const TKeyByteMap& Map, const KeySpec& Spec,
                   std::string& Key);

// Sets Key (its storage reused) to BuildKey of a number field's value, Null
// for the null value. REQUIRES: Spec.Type == KeyType::Numeric.
void StoredNumberKey(bool Null, double Value, const KeySpec& Spec, std::string& Key);

// A seek key from text, as OakSeek takes it with key type 2: a character
// key gets the text converted and NOT padded (a shorter text is a partial
// key that matches every key beginning with it; longer text is cut); a
// numeric key reads the text as a number ("2" finds 2); a date key reads
// "YYYYMMDD" or a date in DateFormat; a logical key reads T/F/Y/N/.T./.F.;
// a timestamp key reads "YYYYMMDD hh:mm:ss" or a date in DateFormat with a
// time. Non-character keys always have the full length. Raises
// EEngineError 5310 when the text does not fit the key type.
std::string SeekKeyFromText(std::string_view Text, const KeySpec& Spec,
                            std::string_view DateFormat = "MM/DD/YYYY");

// A seek key from raw key bytes (key type 1): cut to Spec.Length; a shorter
// key is a partial key. Raw keys are already in key order (inverted for a
// descending tag, as BuildKey made them).
std::string SeekKeyFromRaw(std::string_view Raw, const KeySpec& Spec);

// Steps a full-length key to the next (Direction 1) or previous (-1)
// possible key in memcmp order (for exclusive range ends). Returns false
// when there is none (all 0xFF upwards, all 0x00 downwards).
bool StepKey(std::string& Key, int Direction);

// Decodes key bytes back into a value (descending inverted back; character
// keys keep their blanks). For diagnostics and key reads.
ExprValue KeyToValue(std::string_view Key, const KeySpec& Spec);

// Converts UTF-8 text to the table's single-byte character type; a
// character that the code page lacks becomes '?'.
std::string ToTableChars(std::string_view Utf8, CharType Chars);
// Converts single-byte table text to UTF-8.
String FromTableChars(std::string_view Bytes, CharType Chars);

}  // namespace oak
