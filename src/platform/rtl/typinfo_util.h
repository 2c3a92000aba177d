// Small text helpers shared by the type-information, class-registry and
// component code: identifier comparison, trimming, number parsing. Kept
// here so that these modules need nothing above the class-library root.
//
// Thread safety: pure functions.
#pragma once

#include <vector>

#include "platform/rtl/system.h"

// ASCII case-insensitive equality of identifiers (component, property,
// class and method names).
bool SameIdent(const String& A, const String& B);
// ASCII upper case, the key form of identifiers in maps.
String UpperIdent(const String& S);
// A valid identifier: a letter or "_" first, then letters, digits or "_".
bool IsValidIdentifier(const String& S);
// Removes blanks and control characters at both ends.
String TrimBlanks(const String& S);
// Splits at Sep and trims every part; an empty text gives no parts.
std::vector<String> SplitTrimmed(const String& S, char Sep);

// Parses a decimal or "$" / "0x" hexadecimal integer with optional sign.
// Hex values are taken as unsigned (a 32-bit "$8000000F" stays positive).
// Returns false on anything else or on overflow of Int64.
bool ParseInteger(const String& Text, Int64& Value, bool& WasHex);
// Parses a float with "." or "," as decimal separator and an optional
// exponent. Returns false on anything else.
bool ParseFloat(const String& Text, double& Value);
// The shortest text that reads back as Value, with "." as separator.
String FloatToText(double Value);
