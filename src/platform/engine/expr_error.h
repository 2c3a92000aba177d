// Failures of the engine's expression language and of its index files.
//
// Inside the engine a failure of parsing, evaluating, key building or index
// file access is raised as oak::EEngineError, which carries an engine result
// code (the number an Oak* entry point returns) and an English text. The
// entry points catch it once and turn it into their 32-bit result and the
// thread's last error. Codes of this module lie in 5300..5349:
//
//   5300 expression syntax error          5320 index file corrupt
//   5301 unknown field in expression      5321 not an index file (bad magic)
//   5302 unknown function                 5322 tag not found
//   5303 type mismatch                    5323 tag already exists
//   5304 wrong number of arguments        5324 key too long for the page size
//   5305 expression is not logical        5325 too many tags / directory full
//   5306 expression too complex           5326 index file I/O error
//   5307 division by zero                 5327 invalid tag definition
//   5308 key length exceeded              5328 index file is read only
//   5309 value out of range (dates, CHR)
//   5310 bad seek key text
//
// Thread safety: plain value types; no shared state.
#pragma once

#include <cstdint>

#include "platform/rtl/exceptions.h"

namespace oak {

enum EngineCode : std::uint32_t {
  kExprSyntax = 5300,
  kExprUnknownField = 5301,
  kExprUnknownFunction = 5302,
  kExprTypeMismatch = 5303,
  kExprArgCount = 5304,
  kExprNotLogical = 5305,
  kExprTooComplex = 5306,
  kExprDivByZero = 5307,
  kExprKeyLength = 5308,
  kExprRange = 5309,
  kExprBadSeekKey = 5310,

  kIndexCorrupt = 5320,
  kIndexBadMagic = 5321,
  kIndexTagNotFound = 5322,
  kIndexTagExists = 5323,
  kIndexKeyTooLong = 5324,
  kIndexDirectoryFull = 5325,
  kIndexIOError = 5326,
  kIndexBadTag = 5327,
  kIndexReadOnly = 5328,
};

// An engine failure: result code and English text (what() gives the text).
class EEngineError : public Exception {
  RTL_DECLARE_CLASS(EEngineError)
 public:
  EEngineError(std::uint32_t ACode, String Text)
      : Exception(std::move(Text)), Code(ACode) {}
  std::uint32_t Code;
};

// Raises EEngineError(Code, Text).
[[noreturn]] void ThrowEngineError(std::uint32_t Code, const String& Text);

}  // namespace oak
