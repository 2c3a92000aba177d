// Character-level text services of the class library.
//
// String holds UTF-8. Where the class library speaks of lengths and
// positions (Length, Copy, Pos ...) it counts characters, not bytes, so that
// code written for single-byte ANSI strings keeps its meaning for umlauts.
// This module also converts between UTF-8 and the two single-byte code pages
// the system's files use at their boundaries (Windows-1252 "ANSI" and code
// page 850 "OEM"), and supplies the German-aware case mapping and collation
// that the locale functions of the original platform gave.
//
// Thread safety: every function here is pure; call from any thread.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/rtl/system.h"

// ---------------------------------------------------------------------------
// UTF-8 basics

// Decodes the character starting at byte offset I and moves I past it.
// An invalid or truncated sequence yields U+FFFD and advances one byte.
// REQUIRES: I < S.size().
char32_t Utf8Decode(const String& S, std::size_t& I);

// True when S is well-formed UTF-8 throughout: no overlong forms, no
// surrogates, nothing above U+10FFFF. Text read from a file that fails
// this is taken as the ANSI code page instead (TStrings.LoadFromStream).
bool IsValidUtf8(const String& S);

// Appends the UTF-8 form of code point C to Out.
void Utf8Append(String& Out, char32_t C);

// Number of characters in S.
Integer Utf8CharCount(const String& S);

// Byte offset of the character with 0-based index CharIndex; S.size() when
// CharIndex is at or beyond the end; 0 when CharIndex <= 0.
std::size_t Utf8ByteOffset(std::string_view S, Integer CharIndex);

// 1-based character position of the character that starts at byte offset
// ByteOffset (ByteOffset may be S.size(): then Length(S) + 1).
Integer Utf8CharPos(const String& S, std::size_t ByteOffset);

// ---------------------------------------------------------------------------
// the class library's string primitives, in characters

// Length of S in characters.
Integer Length(const String& S);

// Count characters of S starting at the 1-based character Index. An Index
// below 1 counts from 1; a Count running past the end stops at the end; a
// Count <= 0 or an Index past the end gives ''.
String Copy(const String& S, Integer Index, Integer Count);

// 1-based character position of the first occurrence of Sub in S, 0 when
// absent or when Sub is empty. Exact (case-sensitive) comparison.
Integer Pos(const String& Sub, const String& S);

// As Pos, but the search starts at character Offset (1-based); 0 for an
// Offset below 1 or past the end.
Integer PosEx(const String& Sub, const String& S, Integer Offset = 1);

// Removes Count characters of S from the 1-based character Index; nothing
// happens for an Index outside S or a Count <= 0.
void Delete(String& S, Integer Index, Integer Count);

// Inserts Source into S before the 1-based character Index (clamped to
// 1 .. Length(S) + 1).
void Insert(const String& Source, String& S, Integer Index);

// The character at 1-based position Index as its own string; '' outside S.
String CharAt(const String& S, Integer Index);

// ---------------------------------------------------------------------------
// Code pages

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves
// undefined become the C1 control characters of the same value, as the
// original platform's conversion does, so that they survive a round trip.
String AnsiToUtf8(const std::string& Ansi);

// UTF-8 to Windows-1252 bytes; characters the code page cannot hold (and
// invalid UTF-8) become '?'.
std::string Utf8ToAnsi(const String& S);

// Code page 850 bytes to UTF-8 (box-drawing characters included).
String OemToUtf8(const std::string& Oem);

// UTF-8 to code page 850 bytes; characters it cannot hold become '?'.
std::string Utf8ToOem(const String& S);

// ---------------------------------------------------------------------------
// Locale-aware case and collation (German)

// Upper-cases a-z and the accented letters of Windows-1252 (ä -> Ä, é -> É,
// ÿ -> Ÿ, š -> Š ...). 'ß' and all other characters stay as they are.
char32_t AnsiUpperChar(char32_t C);
// The inverse mapping of AnsiUpperChar.
char32_t AnsiLowerChar(char32_t C);

// S with AnsiUpperChar / AnsiLowerChar applied to every character. The
// mapping never changes a character's UTF-8 byte length, so byte offsets
// found in the result are valid in S.
String AnsiUpperCase(const String& S);
String AnsiLowerCase(const String& S);

// Flags of CompareStringA (same values as the original platform's).
constexpr Cardinal NORM_IGNORECASE = 0x00000001;
constexpr Cardinal NORM_IGNORENONSPACE = 0x00000002;
constexpr Cardinal NORM_IGNORESYMBOLS = 0x00000004;
constexpr Cardinal SORT_STRINGSORT = 0x00001000;
// Results of CompareStringA.
constexpr Integer CSTR_LESS_THAN = 1;
constexpr Integer CSTR_EQUAL = 2;
constexpr Integer CSTR_GREATER_THAN = 3;
// Locale identifiers accepted (and treated alike: the German collation).
constexpr Cardinal LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr Cardinal LOCALE_USER_DEFAULT = 0x0400;

// Compares two texts with the German collation: letters before digits are
// never mixed up (symbols < digits < letters), umlauts and accented letters
// sort next to their base letters (accent differences count only when the
// texts are otherwise equal), lower case before upper case as the last
// resort, 'ß' as "ss", and hyphen and apostrophe ignored unless they are
// the only difference (SORT_STRINGSORT makes them ordinary symbols).
// Flags: any of NORM_IGNORECASE, NORM_IGNORENONSPACE, NORM_IGNORESYMBOLS,
// SORT_STRINGSORT. Returns CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN.
Integer LocaleCompare(Cardinal Flags, const String& S1, const String& S2);

// A byte string whose order under plain byte comparison (memcmp, shorter
// first on a common prefix) is the order LocaleCompare gives with the same
// Flags; for sorting many texts without comparing them one pair at a time.
String LocaleSortKey(Cardinal Flags, const String& S);
// Key += LocaleSortKey(Flags, S), without the intermediate text.
void AppendLocaleSortKey(String& Key, Cardinal Flags, const String& S);

// The platform entry point over LocaleCompare. The texts are UTF-8; a
// Count of -1 means "up to the terminating NUL", otherwise Count bytes.
// Returns 0 (failure) when a text pointer is null.
Integer CompareStringA(Cardinal Locale, Cardinal Flags, const char* S1, Integer Count1,
                       const char* S2, Integer Count2);

// Locale comparison with case: < 0, 0 or > 0.
Integer AnsiCompareStr(const String& S1, const String& S2);
// Locale comparison without regard to case: < 0, 0 or > 0.
Integer AnsiCompareText(const String& S1, const String& S2);
// AnsiCompareText(S1, S2) == 0.
bool AnsiSameText(const String& S1, const String& S2);
// AnsiCompareStr(S1, S2) == 0.
bool AnsiSameStr(const String& S1, const String& S2);
