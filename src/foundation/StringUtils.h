// String and timestamp helpers of the business application's foundation
// library.
//
// Free routines used by the settings object, the business units and the
// synchronisation core: splitting a text at a delimiter, replacement that
// ignores ASCII case, quoting, a case-insensitive sort of a string list,
// number parsing with a zero fallback, and the 18-character time stamp
// "YYYYMMDD-hhnnsszzz" (local time) whose text order equals its time order,
// which the merge compares to decide which copy of a record is newer.
//
// Lengths and positions count characters (UTF-8 text).
//
// Thread safety: all routines are reentrant; StrToFloatOrZero reads the
// process-wide decimal separator and DateTimeToStamp(0) the clock.
#pragma once

#include <vector>

#include "platform/rtl/sysutils.h"

class TStrings;

// Read-only texts kept by the unit (no routine of the program reads them).
extern const String SDigitChars;       // "0123456789"
extern const String SLowerAlphaChars;  // "abcdefghijklmnopqrstuvwxyz"
extern const String SUpperAlphaChars;  // "ABCDEFGHIJKLMNOPQRSTUVWXYZ"

// Splits Text at every occurrence of Delimiter (exact, case-sensitive) into
// Parts, which is cleared first. Empty parts between delimiters and before
// a leading delimiter are kept; a trailing delimiter gives no empty last
// part ("a;b;" -> a, b). With MaxCount >= 1 the MaxCount-th part runs to
// the end of Text ("a;b;c", 2 -> a, "b;c"); MaxCount 0 means no limit. A
// NUL character ends Text. With FinalLength <> 0 Parts is then cut or
// lengthened (with empty texts) to exactly FinalLength entries.
// An empty Text or a negative MaxCount gives no parts at all (FinalLength
// is then not applied); an empty Delimiter gives Text as the one part.
void SplitString(const String& Delimiter, const String& Text, Integer MaxCount,
                 std::vector<String>& Parts, Integer FinalLength);

// Replaces, in place, every occurrence of OldPattern in S by NewPattern,
// comparing a-z and A-Z as equal (other characters exactly). Replaced text
// is not searched again. Nothing happens when S or OldPattern is empty. The
// result ends at a NUL character of S, if any.
void ReplaceTextAll(String& S, const String& OldPattern, const String& NewPattern);

// The time stamp of Value ("20070305-140709045"); a Value of exactly 0
// stands for now (the clock's local time).
String DateTimeToStamp(TDateTime Value);

// The TDateTime of a time stamp; character 9 is not read. 0 for an empty
// text, a text that is no stamp or an impossible date or time. Never raises.
TDateTime StampToDateTime(const String& Stamp);

// Value without its first and last characters when it is longer than two
// characters and begins with '"' (the last character is dropped whatever it
// is); '' for a Value of two double quotes; otherwise Value unchanged.
String UnquoteText(const String& Value);

// Value with a double quote added before and after it (inner quotes are
// not escaped).
String QuoteText(const String& Value);

// Sorts the items L..R of List in place, ignoring ASCII case (CompareText),
// by a quicksort that moves items only through List.Exchange. List is any
// list with Get(Integer) -> String and Exchange(Integer, Integer). Nothing
// happens when L >= R.
template <class TList>
void SortStringsText(Integer L, Integer R, TList& List) {
  if (L >= R) return;
  Integer I;
  do {
    I = L;
    Integer J = R;
    const String Pivot = List.Get((L + R) / 2);
    do {
      while (CompareText(List.Get(I), Pivot) < 0) ++I;
      while (CompareText(List.Get(J), Pivot) > 0) --J;
      if (I <= J) {
        List.Exchange(I, J);
        ++I;
        --J;
      }
    } while (I <= J);
    if (J > L) SortStringsText(L, J, List);
    L = I;
  } while (I < R);
}

// SortStringsText over the class library's string list.
void SortStringsText(Integer L, Integer R, TStrings& List);

// S converted with the process decimal separator (StrToFloat); 0 when S is
// no number. Never raises.
double StrToFloatOrZero(const String& S);

// True exactly when S is "1".
bool IsOneText(const String& S);

// The decimal text of N cut to its first Width characters, then padded on
// the left with '0' to Width characters: (7, 3) -> "007", (12345, 4) ->
// "1234".
String ZeroPadInt(Int64 N, Integer Width);
