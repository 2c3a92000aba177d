// Globally unique identifiers: the TGUID record, new random identifiers and
// the registry text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (38
// characters, upper-case hexadecimal), in which the system stores the
// identity of the office database and of each mobile installation.
//
// Thread safety: every function may be called from any thread.
#pragma once

#include "platform/rtl/exceptions.h"

struct TGUID {
  Cardinal D1 = 0;
  Word D2 = 0;
  Word D3 = 0;
  Byte D4[8] = {0, 0, 0, 0, 0, 0, 0, 0};

  bool operator==(const TGUID& Other) const = default;
};

// The all-zero identifier.
extern const TGUID GUID_NULL;

// The result of CreateGUID on success.
constexpr Integer S_OK = 0;

// Fills Guid with a new random (version 4) identifier and returns S_OK.
// Raises EOSError when the system's random source fails.
Integer CreateGUID(TGUID& Guid);
// A new random identifier (CreateGUID as a function).
TGUID NewGUID();

// The registry text form of Guid, e.g.
// "{6F9619FF-8B86-D011-B42D-00C04FC964FF}".
String GUIDToString(const TGUID& Guid);

// Parses the registry text form (hexadecimal digits in either case).
// Raises EConvertError "'%s' ist keine gültige GUID" when the text has the
// wrong length, lacks the braces or hyphens, or holds a non-hex digit.
TGUID StringToGUID(const String& S);
// As StringToGUID, but answers false (Guid unchanged) instead of raising.
bool TryStringToGUID(const String& S, TGUID& Guid);

// True when both identifiers are equal.
inline bool IsEqualGUID(const TGUID& A, const TGUID& B) { return A == B; }
