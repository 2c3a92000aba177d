// German collation: the ordering of the original platform's CompareString
// for the German locale, reduced to what text of this system contains.
//
// Every character yields one or two collation elements with three weights:
// the primary weight (the base letter, digit or symbol), the secondary
// weight (the accent) and the tertiary weight (the case). Hyphen,
// apostrophe and control characters carry no primary weight; they decide
// only between texts that are otherwise equal ("word sort").
#include <cstring>
#include <vector>

#include "platform/rtl/charset.h"

namespace {

enum TAccent : Byte {
  acNone, acAcute, acGrave, acCircumflex, acDiaeresis, acTilde, acRing,
  acCedilla, acStroke, acCaron, acLigature, acSuperscript
};

constexpr Cardinal kSymbolBase = 0x0100;
constexpr Cardinal kDigitBase = 0x4000;
constexpr Cardinal kLetterBase = 0x5000;
constexpr Cardinal kOtherBase = 0x6000;

struct TElement {
  Cardinal Primary;
  Byte Secondary;
  Byte Tertiary;  // 0 lower case, 1 upper case
};

struct TKeys {
  std::vector<TElement> Elements;
  std::vector<char32_t> Ignorables;  // hyphens, apostrophes, controls
};

Cardinal LetterWeight(char Base) { return kLetterBase + static_cast<Cardinal>(Base - 'a') * 4; }

// Base letter and accent of the accented letters of Latin-1 (lower case;
// upper-case code points are folded before the lookup).
struct TLatinLetter {
  char16_t Code;
  char Base;
  TAccent Accent;
};

constexpr TLatinLetter kLatin[] = {
    {0xE0, 'a', acGrave},      {0xE1, 'a', acAcute},   {0xE2, 'a', acCircumflex},
    {0xE3, 'a', acTilde},      {0xE4, 'a', acDiaeresis}, {0xE5, 'a', acRing},
    {0xE7, 'c', acCedilla},    {0xE8, 'e', acGrave},   {0xE9, 'e', acAcute},
    {0xEA, 'e', acCircumflex}, {0xEB, 'e', acDiaeresis}, {0xEC, 'i', acGrave},
    {0xED, 'i', acAcute},      {0xEE, 'i', acCircumflex}, {0xEF, 'i', acDiaeresis},
    {0xF0, 'd', acStroke},     {0xF1, 'n', acTilde},   {0xF2, 'o', acGrave},
    {0xF3, 'o', acAcute},      {0xF4, 'o', acCircumflex}, {0xF5, 'o', acTilde},
    {0xF6, 'o', acDiaeresis},  {0xF8, 'o', acStroke},  {0xF9, 'u', acGrave},
    {0xFA, 'u', acAcute},      {0xFB, 'u', acCircumflex}, {0xFC, 'u', acDiaeresis},
    {0xFD, 'y', acAcute},      {0xFF, 'y', acDiaeresis}, {0x161, 's', acCaron},
    {0x17E, 'z', acCaron},     {0x192, 'f', acStroke}};

bool IsIgnorable(char32_t C, bool StringSort) {
  if (C < 0x20 || C == 0x7F || C == 0xAD) return true;
  return !StringSort && (C == '-' || C == '\'');
}

void AddLetter(TKeys& K, char Base, Byte Accent, Byte Upper) {
  K.Elements.push_back({LetterWeight(Base), Accent, Upper});
}

// Letters that expand to two elements (ß, æ, œ) and thorn; false otherwise.
bool AddSpecialLetter(TKeys& K, char32_t Lower, Byte Upper) {
  switch (Lower) {
    case 0xDF:
      AddLetter(K, 's', acLigature, 0);
      AddLetter(K, 's', acLigature, 0);
      return true;
    case 0xE6:
      AddLetter(K, 'a', acLigature, Upper);
      AddLetter(K, 'e', acLigature, Upper);
      return true;
    case 0x153:
      AddLetter(K, 'o', acLigature, Upper);
      AddLetter(K, 'e', acLigature, Upper);
      return true;
    case 0xFE:
      K.Elements.push_back({LetterWeight('z') + 4, acNone, Upper});
      return true;
    default:
      return false;
  }
}

void AddCharacter(TKeys& K, char32_t C, Cardinal Flags) {
  if (IsIgnorable(C, Flags & SORT_STRINGSORT)) {
    K.Ignorables.push_back(C);
    return;
  }
  const char32_t Lower = AnsiLowerChar(C);
  const Byte Upper = Lower != C ? 1 : 0;
  if (Lower >= 'a' && Lower <= 'z') return AddLetter(K, static_cast<char>(Lower), acNone, Upper);
  if (C >= '0' && C <= '9') {
    K.Elements.push_back({kDigitBase + (C - '0'), acNone, 0});
    return;
  }
  if (C == 0xB9 || C == 0xB2 || C == 0xB3) {
    const Cardinal Digit = C == 0xB9 ? 1 : C - 0xB0;
    K.Elements.push_back({kDigitBase + Digit, acSuperscript, 0});
    return;
  }
  for (const auto& L : kLatin)
    if (L.Code == Lower) return AddLetter(K, L.Base, L.Accent, Upper);
  if (AddSpecialLetter(K, Lower, Upper)) return;
  const bool Symbol = C < 0x80 || (C >= 0xA0 && C <= 0xBF) || C == 0xD7 || C == 0xF7 ||
                      (C >= 0x2000 && C < 0x3000);
  if (Symbol) {
    if (!(Flags & NORM_IGNORESYMBOLS)) K.Elements.push_back({kSymbolBase + C, acNone, 0});
    return;
  }
  K.Elements.push_back({kOtherBase + C, acNone, Upper});
}

TKeys BuildKeys(const char* S, std::size_t N, Cardinal Flags) {
  TKeys K;
  const String Text(S, N);
  for (std::size_t I = 0; I < Text.size();) AddCharacter(K, Utf8Decode(Text, I), Flags);
  return K;
}

// Lexicographic comparison of one weight level; -1, 0 or 1.
template <class Seq, class Get>
int CompareLevel(const Seq& A, const Seq& B, Get Weight) {
  const std::size_t N = std::min(A.size(), B.size());
  for (std::size_t i = 0; i < N; ++i) {
    const auto WA = Weight(A[i]);
    const auto WB = Weight(B[i]);
    if (WA != WB) return WA < WB ? -1 : 1;
  }
  if (A.size() == B.size()) return 0;
  return A.size() < B.size() ? -1 : 1;
}

int CompareKeys(const TKeys& A, const TKeys& B, Cardinal Flags) {
  int R = CompareLevel(A.Elements, B.Elements, [](const TElement& E) { return E.Primary; });
  if (R == 0 && !(Flags & NORM_IGNORENONSPACE))
    R = CompareLevel(A.Elements, B.Elements, [](const TElement& E) { return E.Secondary; });
  if (R == 0 && !(Flags & NORM_IGNORECASE))
    R = CompareLevel(A.Elements, B.Elements, [](const TElement& E) { return E.Tertiary; });
  if (R == 0 && !(Flags & NORM_IGNORESYMBOLS))
    R = CompareLevel(A.Ignorables, B.Ignorables, [](char32_t C) { return C; });
  return R;
}

std::size_t TextLength(const char* S, Integer Count) {
  return Count < 0 ? std::strlen(S) : static_cast<std::size_t>(Count);
}

}  // namespace

Integer LocaleCompare(Cardinal Flags, const String& S1, const String& S2) {
  const int R = CompareKeys(BuildKeys(S1.data(), S1.size(), Flags),
                            BuildKeys(S2.data(), S2.size(), Flags), Flags);
  return R < 0 ? CSTR_LESS_THAN : R > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

namespace {

void PutWeight3(String& Key, Cardinal W) {
  Key += static_cast<char>((W >> 16) & 0xFF);
  Key += static_cast<char>((W >> 8) & 0xFF);
  Key += static_cast<char>(W & 0xFF);
}

// The primary weight of an ASCII character that is no ignorable, with its
// case; false for a symbol that NORM_IGNORESYMBOLS drops.
bool AsciiElement(char32_t C, Cardinal Flags, Cardinal& Primary, Byte& Upper) {
  Upper = 0;
  if (C >= 'a' && C <= 'z') {
    Primary = LetterWeight(static_cast<char>(C));
  } else if (C >= 'A' && C <= 'Z') {
    Primary = LetterWeight(static_cast<char>(C + 32));
    Upper = 1;
  } else if (C >= '0' && C <= '9') {
    Primary = kDigitBase + (C - '0');
  } else if (Flags & NORM_IGNORESYMBOLS) {
    return false;
  } else {
    Primary = kSymbolBase + C;
  }
  return true;
}

// Appends the sort key of an ASCII text to Key level by level, without
// building the elements; false (Key untouched) for any other text.
bool AppendAsciiSortKey(String& Key, Cardinal Flags, const String& S) {
  for (char C : S)
    if (static_cast<unsigned char>(C) >= 0x80) return false;
  const bool StringSort = Flags & SORT_STRINGSORT;
  // Level by level: 0 primary, 1 accents, 2 case, 3 ignorables.
  for (int Level = 0; Level < 4; ++Level) {
    if ((Level == 1 && (Flags & NORM_IGNORENONSPACE)) || (Level == 2 && (Flags & NORM_IGNORECASE)) ||
        (Level == 3 && (Flags & NORM_IGNORESYMBOLS)))
      continue;
    for (char Ch : S) {
      const char32_t C = static_cast<unsigned char>(Ch);
      const bool Ignorable = IsIgnorable(C, StringSort);
      if (Level == 3) {
        if (Ignorable) PutWeight3(Key, static_cast<Cardinal>(C) + 1);
        continue;
      }
      Cardinal Primary;
      Byte Upper;
      if (Ignorable || !AsciiElement(C, Flags, Primary, Upper)) continue;
      if (Level == 0)
        PutWeight3(Key, Primary);
      else
        Key += static_cast<char>((Level == 1 ? Byte(acNone) : Upper) + 1);
    }
    if (Level == 0) PutWeight3(Key, 0);
    if (Level == 1 || Level == 2) Key += '\0';
  }
  return true;
}

}  // namespace

String LocaleSortKey(Cardinal Flags, const String& S) {
  String Key;
  AppendLocaleSortKey(Key, Flags, S);
  return Key;
}

void AppendLocaleSortKey(String& Key, Cardinal Flags, const String& S) {
  if (AppendAsciiSortKey(Key, Flags, S)) return;
  const TKeys K = BuildKeys(S.data(), S.size(), Flags);
  // Each level's weights, then a terminator below every weight, so that a
  // shorter level sorts first as in CompareLevel.
  for (const TElement& E : K.Elements) PutWeight3(Key, E.Primary);
  PutWeight3(Key, 0);
  if (!(Flags & NORM_IGNORENONSPACE)) {
    for (const TElement& E : K.Elements) Key += static_cast<char>(E.Secondary + 1);
    Key += '\0';
  }
  if (!(Flags & NORM_IGNORECASE)) {
    for (const TElement& E : K.Elements) Key += static_cast<char>(E.Tertiary + 1);
    Key += '\0';
  }
  if (!(Flags & NORM_IGNORESYMBOLS))
    for (char32_t C : K.Ignorables) PutWeight3(Key, static_cast<Cardinal>(C) + 1);
}

Integer CompareStringA(Cardinal /*Locale*/, Cardinal Flags, const char* S1, Integer Count1,
                       const char* S2, Integer Count2) {
  if (!S1 || !S2) return 0;
  return LocaleCompare(Flags, String(S1, TextLength(S1, Count1)), String(S2, TextLength(S2, Count2)));
}

Integer AnsiCompareStr(const String& S1, const String& S2) {
  return LocaleCompare(0, S1, S2) - CSTR_EQUAL;
}

Integer AnsiCompareText(const String& S1, const String& S2) {
  return LocaleCompare(NORM_IGNORECASE, S1, S2) - CSTR_EQUAL;
}

namespace {

// The next byte of S from I on that is (Ignorable) or is not an ignorable
// character of word sort, folded to lower case; -1 at the end.
int NextAsciiOfKind(const String& S, std::size_t& I, bool Ignorable) {
  for (; I < S.size(); ++I) {
    const char32_t C = static_cast<unsigned char>(S[I]);
    if (IsIgnorable(C, false) == Ignorable) return static_cast<int>(AnsiLowerChar(S[I++]));
  }
  return -1;
}

// Case-insensitive equality of two ASCII texts as the collation sees it,
// without building keys: every ASCII character is one element or one
// ignorable, so the texts are equal when their non-ignorable characters
// match after folding and their ignorables match in order.
bool AsciiSameText(const String& S1, const String& S2) {
  for (bool Ignorable : {false, true}) {
    std::size_t I = 0, J = 0;
    for (;;) {
      const int A = NextAsciiOfKind(S1, I, Ignorable), B = NextAsciiOfKind(S2, J, Ignorable);
      if (A != B) return false;
      if (A < 0) break;
    }
  }
  return true;
}

bool IsAscii(const String& S) {
  for (char C : S)
    if (static_cast<unsigned char>(C) >= 0x80) return false;
  return true;
}

}  // namespace

bool AnsiSameText(const String& S1, const String& S2) {
  // Names and keys are nearly always ASCII: compare them without the
  // allocations of the full collation. In step from the start, while both
  // sides hold plain ASCII (no ignorables), a difference decides at once,
  // and so does one text ending first (every further character adds an
  // element or an ignorable the other lacks).
  const std::size_t N = std::min(S1.size(), S2.size());
  std::size_t I = 0;
  for (; I < N; ++I) {
    const unsigned char A = static_cast<unsigned char>(S1[I]), B = static_cast<unsigned char>(S2[I]);
    if (A >= 0x80 || B >= 0x80 || IsIgnorable(A, false) || IsIgnorable(B, false)) break;
    if (A != B && AnsiLowerChar(A) != AnsiLowerChar(B)) return false;
  }
  if (I == N) return S1.size() == S2.size();
  if (IsAscii(S1) && IsAscii(S2)) return AsciiSameText(S1, S2);
  return AnsiCompareText(S1, S2) == 0;
}

bool AnsiSameStr(const String& S1, const String& S2) { return AnsiCompareStr(S1, S2) == 0; }
