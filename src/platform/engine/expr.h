// The engine's expression language: one parser and evaluator for index keys,
// index conditions, filters, AOFs and locate expressions.
//
// An expression is parsed once against a field catalog (field names are
// resolved to the catalog's field numbers then) and evaluated per record
// against a record context. The language is the xBase dialect of the
// engine:
//   literals   'x' "x" [x], 12, 1.5, {2024-12-31} / {12/31/2024} / {}, .T. .F. .TRUE. .FALSE.
//   operators  + - * /  (string + string concatenates, date + number adds days,
//              date - date gives days), = == <> != # < <= > >= $ (contained in),
//              .AND. .OR. .NOT. (also AND OR NOT and !), unary - +, parentheses
//   fields     NAME or ALIAS->NAME (the alias is ignored), case-insensitive
//   functions  UPPER LOWER TRIM ALLTRIM LTRIM RTRIM SUBSTR LEFT RIGHT STR VAL
//              DTOS DTOC CTOD CTOT CTOTS EMPTY IIF CHR DELETED RECNO YEAR
//              MONTH DAY DATE NOW, and CONTAINS(text, 'word prefix*') for the
//              full-text clauses of filters
// String comparison: '=' is a prefix match ("Miller" = "Mil" is true) unless
// ExprOptions::Exact is set, then trailing blanks are ignored and the texts
// must be equal; '==' always compares the whole texts (trailing blanks kept).
// A null value behaves as the empty value of the other operand's type.
//
// Failures raise oak::EEngineError (expr_error.h) with codes 5300..5310 and
// an English text that names the offending position; nothing crashes.
//
// Thread safety: a parsed Expression is immutable; Evaluate may run on
// several threads at once with different contexts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/engine/expr_error.h"
#include "platform/rtl/system.h"

namespace oak {

// The type of a value or of an expression's result.
enum class ExprType : std::uint8_t {
  Null = 0,   // no value (an empty field of the null-aware table format)
  String,     // UTF-8 text
  Number,     // double
  Date,       // Julian day number (0 = empty date)
  Logical,    // bool
  Timestamp,  // Julian day + milliseconds since midnight; a time of day
              // (time fields, CTOT) is a Timestamp with Julian day 0
};

// Name of a type for messages ("character", "numeric", ...).
const char* ExprTypeName(ExprType T);

// One value of the expression language.
struct ExprValue {
  ExprType Type = ExprType::Null;
  String Str;               // String
  double Num = 0;           // Number
  std::int32_t Julian = 0;  // Date, Timestamp (0 = empty)
  std::int32_t Ms = 0;      // Timestamp: milliseconds since midnight
  bool Bool = false;        // Logical

  static ExprValue Null() { return ExprValue(); }
  static ExprValue FromString(String S);
  static ExprValue FromNumber(double N);
  static ExprValue FromDate(std::int32_t JulianDay);
  static ExprValue FromLogical(bool B);
  static ExprValue FromTimestamp(std::int32_t JulianDay, std::int32_t Millis);
  bool IsNull() const { return Type == ExprType::Null; }
};

// Character type of a table, with the numbers OakOpenTable takes:
// Windows-1252 ("ANSI") or code page 850 ("OEM"), one byte a character.
enum class CharType : std::uint8_t { Ansi = 1, Oem = 2 };

// A fixed-width character field as the record stores it (see
// ExprRecordContext::StoredText).
struct ExprStoredText {
  // The field's bytes in Chars, blank-padded, as stored. Borrowed from the
  // context: valid while it stands on the same, unchanged record.
  std::string_view Bytes;
  // The field holds its null image (FieldValue gives Null; Bytes then
  // holds that image, not text).
  bool Null = false;
  CharType Chars = CharType::Ansi;  // the table's character type
};

// What a catalog says about a field.
struct ExprFieldInfo {
  int Index = -1;                   // the catalog's field number, passed back to FieldValue
  ExprType Type = ExprType::Null;   // the type FieldValue returns for it
                                    // (Null: no fixed type, checked per value)
  int Length = 0;                   // String: width in characters (memo: 0)
  int Decimals = 0;                 // Number: decimals (for information)
};

// The fields an expression may name. Implemented by the table.
class ExprFieldCatalog {
 public:
  virtual ~ExprFieldCatalog() = default;
  // Looks Name up without regard to case. Returns false when the table has
  // no such field; fills Info otherwise.
  virtual bool FindField(std::string_view Name, ExprFieldInfo& Info) const = 0;
};

// The current record, as an expression sees it. Implemented by the table.
class ExprRecordContext : public ExprFieldCatalog {
 public:
  // The value of field Index (from FindField) in the current record.
  // Character fields come with their trailing blanks, as stored (Length
  // characters); empty fields of the null-aware format may be Null.
  virtual ExprValue FieldValue(int Index) const = 0;
  // The current record's number (1-based).
  virtual std::uint32_t RecordNumber() const = 0;
  // True when the current record is marked deleted.
  virtual bool IsDeleted() const = 0;
  // The stored bytes of field Index when it is a fixed-width character
  // field (not a memo or other blob), for callers that convert them
  // themselves: FieldValue(Index) is then Null when Out.Null, else
  // FromTableChars(Out.Bytes, Out.Chars) (keys.h). Returns false when the
  // context cannot give them (this default) or the field is of another
  // kind; the caller then uses FieldValue. Raises nothing.
  virtual bool StoredText(int Index, ExprStoredText& Out) const {
    (void)Index;
    (void)Out;
    return false;
  }
  // The value FieldValue gives for field Index of a number kind, without
  // building it: Null when the field holds its null image (FieldValue gives
  // Null), else Value. Returns false when the context cannot give it (this
  // default) or the field is of another kind. Raises nothing.
  virtual bool StoredNumber(int Index, bool& Null, double& Value) const {
    (void)Index;
    (void)Null;
    (void)Value;
    return false;
  }
};

// A case mapping of text: none, UPPER() or LOWER().
enum class ExprCase : std::uint8_t { Keep, Upper, Lower };

// Settings an evaluation depends on.
struct ExprOptions {
  // SET EXACT: '=' on strings compares whole texts instead of a prefix.
  bool Exact = false;
  // Date format of DTOC and CTOD/CTOT/CTOTS: D, M, Y/C letters and
  // separators, as OakSetDateFormat takes it ("DD.MM.YYYY", "MM/dd/ccyy").
  String DateFormat = "MM/DD/YYYY";
  // The clock of DATE() and NOW() (TDateTime, local time). Empty: the
  // process clock of the class library.
  std::function<TDateTime()> Now;
};

class ExprNode;  // expr_node.h

// A parsed expression.
class Expression {
 public:
  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  // Parses Text; field names are resolved through Catalog (not kept).
  // Returns the expression (owned by the caller). Raises EEngineError 5300
  // (syntax), 5301 (unknown field), 5302 (unknown function), 5303 (type
  // mismatch), 5304 (argument count) or 5306 (too long or too deeply nested).
  static std::unique_ptr<Expression> Parse(std::string_view Text,
                                           const ExprFieldCatalog& Catalog);

  // The text it was parsed from.
  const String& Text() const { return FText; }
  // The type every evaluation returns (Null only for a lone null).
  ExprType ResultType() const;
  // For a String result: the fixed width in characters a key of this
  // expression has (field widths, STR widths, SUBSTR/LEFT lengths ...);
  // 0 when the width is not fixed (a memo, TRIM of a literal...). For other
  // types: 8 (Number, Timestamp), 4 (Date), 1 (Logical).
  int ResultLength() const;
  // True when the expression is a lone field of string type, or UPPER() or
  // LOWER() of one: its value is then the field's value (a null field as
  // the empty text under UPPER/LOWER) with the case mapping Case applied
  // (AnsiUpperCase / AnsiLowerCase). Field gets the catalog field number.
  // Whether the field stores single-byte text (not a memo or raw bytes),
  // the record context says (ExprRecordContext::StoredText).
  bool IsFieldText(int& Field, ExprCase& Case) const;
  // True when the expression is a lone field of number type; Field gets
  // its catalog number (ExprRecordContext::StoredNumber gives its value).
  bool IsFieldNumber(int& Field) const;
  // The catalog field numbers the expression reads (for change detection).
  const std::vector<int>& Fields() const { return FFields; }

  // Evaluates against the current record of Rec. Raises EEngineError 5307
  // (division by zero), 5309 (value out of range).
  ExprValue Evaluate(const ExprRecordContext& Rec,
                     const ExprOptions& Options = ExprOptions()) const;
  // Evaluates a condition; a Null result is false. Raises 5305 when the
  // expression is not logical.
  bool EvaluateLogical(const ExprRecordContext& Rec,
                       const ExprOptions& Options = ExprOptions()) const;

 private:
  Expression(String Text, std::unique_ptr<ExprNode> Root, std::vector<int> Fields);
  String FText;
  std::unique_ptr<ExprNode> FRoot;
  std::vector<int> FFields;
};

}  // namespace oak
