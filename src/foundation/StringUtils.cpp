#include "foundation/StringUtils.h"

#include <algorithm>

#include "platform/rtl/strings.h"

const String SDigitChars = "0123456789";
const String SLowerAlphaChars = "abcdefghijklmnopqrstuvwxyz";
const String SUpperAlphaChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

namespace {

// The first Count characters of S.
String FirstChars(const String& S, Integer Count) { return Copy(S, 1, Count); }

// Count copies of Ch.
String RepeatChar(char Ch, Integer Count) { return StringOfChar(Ch, Count); }

// S padded on the left with Ch up to Width characters (unchanged when it
// is already that long).
String PadLeft(const String& S, char Ch, Integer Width) {
  return RepeatChar(Ch, Width - Length(S)) + S;
}

// Decimal text of N; a failure of the conversion gives ''.
String IntToDecimal(Int64 N) {
  try {
    return IntToStr(N);
  } catch (...) {
    return String();
  }
}

char AsciiUpper(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; }

// True when Pattern (already upper-cased) matches S at byte offset At.
bool MatchesAt(const String& S, std::size_t At, const String& Pattern) {
  if (At + Pattern.size() > S.size()) return false;
  for (std::size_t k = 0; k < Pattern.size(); ++k)
    if (AsciiUpper(S[At + k]) != Pattern[k]) return false;
  return true;
}

// The integer in characters From..From+Count-1 of S, 0 when unparsable.
Integer StampField(const String& Stamp, Integer From, Integer Count) {
  // The usual stamp is ASCII digits: read them in place (characters are
  // bytes up to the field then).
  const std::size_t First = static_cast<std::size_t>(From - 1), End = First + static_cast<std::size_t>(Count);
  bool Plain = From >= 1 && Count > 0 && End <= Stamp.size();
  Integer Value = 0;
  for (std::size_t I = 0; Plain && I < End; ++I) {
    const char C = Stamp[I];
    if (I < First)
      Plain = static_cast<unsigned char>(C) < 0x80;
    else if (C >= '0' && C <= '9')
      Value = Value * 10 + (C - '0');
    else
      Plain = false;
  }
  return Plain ? Value : StrToIntDef(Copy(Stamp, From, Count), 0);
}

}  // namespace

void SplitString(const String& Delimiter, const String& Text, Integer MaxCount,
                 std::vector<String>& Parts, Integer FinalLength) {
  Parts.clear();
  if (Text.empty() || MaxCount < 0) return;
  if (Delimiter.empty()) {
    Parts.push_back(Text);
    return;
  }
  const String Scan = Text.substr(0, Text.find('\0'));
  Parts.reserve(static_cast<std::size_t>(MaxCount));
  std::size_t Pos = 0;
  while (Pos < Scan.size()) {
    const bool Last = MaxCount >= 1 && Integer(Parts.size()) == MaxCount - 1;
    const std::size_t At = Last ? String::npos : Scan.find(Delimiter, Pos);
    if (At == String::npos) {
      Parts.push_back(Scan.substr(Pos));
      break;
    }
    Parts.push_back(Scan.substr(Pos, At - Pos));
    Pos = At + Delimiter.size();
  }
  if (FinalLength != 0) Parts.resize(static_cast<std::size_t>(std::max(FinalLength, 0)));
}

void ReplaceTextAll(String& S, const String& OldPattern, const String& NewPattern) {
  if (S.empty() || OldPattern.empty()) return;
  String Pattern = OldPattern;
  for (char& C : Pattern) C = AsciiUpper(C);
  String Out;
  Out.reserve(S.size());
  for (std::size_t I = 0; I < S.size();) {
    if (MatchesAt(S, I, Pattern)) {
      Out += NewPattern;
      I += Pattern.size();
    } else {
      Out += S[I++];
    }
  }
  S = Out.substr(0, Out.find('\0'));
}

String DateTimeToStamp(TDateTime Value) {
  if (Value == 0) Value = Now();
  Word Y, M, D, H, N, S, Ms;
  DecodeDateTime(Value, Y, M, D, H, N, S, Ms);
  return ZeroPadInt(Y, 4) + ZeroPadInt(M, 2) + ZeroPadInt(D, 2) + "-" + ZeroPadInt(H, 2) +
         ZeroPadInt(N, 2) + ZeroPadInt(S, 2) + ZeroPadInt(Ms, 3);
}

TDateTime StampToDateTime(const String& Stamp) {
  try {
    const TDateTime DatePart = EncodeDate(static_cast<Word>(StampField(Stamp, 1, 4)),
                                          static_cast<Word>(StampField(Stamp, 5, 2)),
                                          static_cast<Word>(StampField(Stamp, 7, 2)));
    const TDateTime TimePart = EncodeTime(static_cast<Word>(StampField(Stamp, 10, 2)),
                                          static_cast<Word>(StampField(Stamp, 12, 2)),
                                          static_cast<Word>(StampField(Stamp, 14, 2)),
                                          static_cast<Word>(StampField(Stamp, 16, 3)));
    return DatePart + TimePart;
  } catch (...) {
    return 0;
  }
}

String UnquoteText(const String& Value) {
  const Integer Len = Length(Value);
  if (Len > 2 && Value[0] == '"') return Copy(Value, 2, Len - 2);
  if (Value == "\"\"") return String();
  return Value;
}

String QuoteText(const String& Value) { return "\"" + Value + "\""; }

void SortStringsText(Integer L, Integer R, TStrings& List) {
  SortStringsText<TStrings>(L, R, List);
}

double StrToFloatOrZero(const String& S) {
  try {
    return StrToFloatDef(S, 0);
  } catch (...) {
    return 0;
  }
}

bool IsOneText(const String& S) { return S == "1"; }

String ZeroPadInt(Int64 N, Integer Width) {
  return PadLeft(FirstChars(IntToDecimal(N), Width), '0', Width);
}
