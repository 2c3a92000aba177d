// Field values in the raw record: the null images, and conversions between
// the raw bytes of a field and text, numbers and expression values.
//
// Raw layout per type (little-endian; FORMAT.md has the table):
//   logical 1 byte 'T'/'F', blank = null; numeric: right-aligned text,
//   all 0 = null; date: 4-byte Julian day, 0 = null; character: table
//   characters padded with blanks, all 0 = null; memo/binary/image/varchar:
//   4-byte memo block number + 4-byte length, block 0 = empty; compact date:
//   3 bytes (15-bit year, 4-bit month, 5-bit day), all 0 = null; double and
//   currency double: IEEE double, null = 20 00 00 00 00 00 00 80; integer:
//   int32, null 0x80000000; short integer: int16, null 0x8000; time:
//   milliseconds, null 0xFFFFFFFF; timestamp: Julian day + milliseconds,
//   null = day 0; autoincrement: uint32, null 0xFFFFFFFF; raw: bytes, all 0
//   = null.
//
// Thread safety: pure functions (the date format is passed in).
#pragma once

#include <string>

#include "platform/engine/expr.h"
#include "platform/engine/table.h"

namespace oak {

// Writes the null image of F into the record Rec.
void SetFieldNull(const TFieldDesc& F, std::uint8_t* Rec);
// True when F holds its null image in Rec.
bool IsFieldNull(const TFieldDesc& F, const std::uint8_t* Rec);
// Fills Rec (the whole record) with a live record of null fields.
void ClearRecord(const std::vector<TFieldDesc>& Fields, std::uint8_t* Rec, std::size_t Len);

// Sets F from UTF-8 text: character fields take the text (cut to the
// field); numbers, dates (DateFormat or CCYYMMDD), times, timestamps and
// logicals are parsed; an empty text sets null. Raises E_BAD_VALUE when the
// text does not parse or does not fit.
void SetFieldText(const TFieldDesc& F, std::uint8_t* Rec, const std::string& Text,
                  CharType Chars, const std::string& DateFormat);
// The value of F as UTF-8 text (empty for null); character fields keep
// their blanks; dates in DateFormat; logicals "T"/"F".
std::string GetFieldText(const TFieldDesc& F, const std::uint8_t* Rec, CharType Chars,
                         const std::string& DateFormat);
// Numeric view of a numeric, double, integer, autoincrement, ... field.
double GetFieldDouble(const TFieldDesc& F, const std::uint8_t* Rec);
// Sets a number into a numeric, double, integer ... field (E_BAD_VALUE when
// it does not fit).
void SetFieldDouble(const TFieldDesc& F, std::uint8_t* Rec, double Value);

// The expression value of F (blob fields are read by the caller).
ExprValue FieldToExpr(const TFieldDesc& F, const std::uint8_t* Rec, CharType Chars);
// The expression type of a field type.
ExprType ExprTypeOf(UNSIGNED16 FieldType);

// Memo reference of a blob field: block number and length.
void GetBlobRef(const TFieldDesc& F, const std::uint8_t* Rec, UNSIGNED32& Block, UNSIGNED32& Len);
void SetBlobRef(const TFieldDesc& F, std::uint8_t* Rec, UNSIGNED32 Block, UNSIGNED32 Len);

}  // namespace oak
