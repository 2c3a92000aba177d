#include "platform/rtl/sysutils.h"

#include <algorithm>

namespace {

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

char AsciiUpper(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; }

char AsciiLower(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

// Byte offset where the file name part of FileName starts.
std::size_t NameStart(const String& FileName) {
  const std::size_t Slash = FileName.rfind(PathDelim);
  return Slash == String::npos ? 0 : Slash + 1;
}

// Byte offset of the extension's dot, or npos.
std::size_t ExtensionStart(const String& FileName) {
  const std::size_t Dot = FileName.rfind('.');
  if (Dot == String::npos || Dot < NameStart(FileName)) return String::npos;
  return Dot;
}

}  // namespace

// ---------------------------------------------------------------------------
// Trimming and case

String Trim(const String& S) {
  std::size_t N = S.size();
  while (N > 0 && IsBlank(S[N - 1])) --N;
  std::size_t I = 0;
  while (I < N && IsBlank(S[I])) ++I;
  return I == 0 && N == S.size() ? S : S.substr(I, N - I);
}

String TrimLeft(const String& S) {
  std::size_t I = 0;
  while (I < S.size() && IsBlank(S[I])) ++I;
  return S.substr(I);
}

String TrimRight(const String& S) {
  std::size_t N = S.size();
  while (N > 0 && IsBlank(S[N - 1])) --N;
  return S.substr(0, N);
}

String UpperCase(const String& S) {
  String R = S;
  std::transform(R.begin(), R.end(), R.begin(), AsciiUpper);
  return R;
}

String LowerCase(const String& S) {
  String R = S;
  std::transform(R.begin(), R.end(), R.begin(), AsciiLower);
  return R;
}

Integer CompareStr(const String& S1, const String& S2) {
  const std::size_t N = std::min(S1.size(), S2.size());
  for (std::size_t I = 0; I < N; ++I)
    if (S1[I] != S2[I]) return Integer(static_cast<unsigned char>(S1[I])) - static_cast<unsigned char>(S2[I]);
  return static_cast<Integer>(S1.size()) - static_cast<Integer>(S2.size());
}

Integer CompareText(const String& S1, const String& S2) {
  const std::size_t N = std::min(S1.size(), S2.size());
  for (std::size_t I = 0; I < N; ++I) {
    const auto A = static_cast<unsigned char>(AsciiUpper(S1[I]));
    const auto B = static_cast<unsigned char>(AsciiUpper(S2[I]));
    if (A != B) return Integer(A) - Integer(B);
  }
  return static_cast<Integer>(S1.size()) - static_cast<Integer>(S2.size());
}

bool SameText(const String& S1, const String& S2) {
  return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

bool SameStr(const String& S1, const String& S2) { return S1 == S2; }

Integer AnsiPos(const String& Sub, const String& S) { return Pos(Sub, S); }

bool AnsiStartsText(const String& Sub, const String& S) {
  return S.size() >= Sub.size() && AnsiSameText(S.substr(0, Sub.size()), Sub);
}

bool AnsiEndsText(const String& Sub, const String& S) {
  return S.size() >= Sub.size() && AnsiSameText(S.substr(S.size() - Sub.size()), Sub);
}

bool AnsiContainsText(const String& S, const String& Sub) {
  return AnsiUpperCase(S).find(AnsiUpperCase(Sub)) != String::npos;
}

// ---------------------------------------------------------------------------
// Quoting

String QuotedStr(const String& S) { return AnsiQuotedStr(S, '\''); }

void AppendQuotedStr(String& Out, const String& S, char Quote) {
  Out += Quote;
  // The pieces between quotes at once, each quote doubled.
  for (std::size_t From = 0;;) {
    const std::size_t At = S.find(Quote, From);
    if (At == String::npos) {
      Out.append(S, From, String::npos);
      break;
    }
    Out.append(S, From, At - From + 1);
    Out += Quote;
    From = At + 1;
  }
  Out += Quote;
}

String AnsiQuotedStr(const String& S, char Quote) {
  String R;
  R.reserve(S.size() + 2);
  AppendQuotedStr(R, S, Quote);
  return R;
}

String AnsiExtractQuotedStr(const String& S, char Quote) {
  if (S.empty() || S[0] != Quote) return String();
  String R;
  for (std::size_t I = 1; I < S.size(); ++I) {
    if (S[I] != Quote) {
      R += S[I];
    } else if (I + 1 < S.size() && S[I + 1] == Quote) {
      R += Quote;
      ++I;
    } else {
      break;
    }
  }
  return R;
}

String AnsiDequotedStr(const String& S, char Quote) {
  const String R = AnsiExtractQuotedStr(S, Quote);
  return R.empty() ? S : R;
}

// ---------------------------------------------------------------------------
// Replacing and building

String StringReplace(const String& S, const String& OldPattern, const String& NewPattern,
                     TReplaceFlags Flags) {
  if (OldPattern.empty()) return S;
  // The German upper-case mapping keeps byte lengths, so offsets found in
  // the upper-cased copies hold in the original text.
  const bool IgnoreCase = Flags & rfIgnoreCase;
  const String Hay = IgnoreCase ? AnsiUpperCase(S) : S;
  const String Needle = IgnoreCase ? AnsiUpperCase(OldPattern) : OldPattern;
  String R;
  std::size_t From = 0;
  for (;;) {
    const std::size_t At = Hay.find(Needle, From);
    if (At == String::npos) break;
    R.append(S, From, At - From);
    R += NewPattern;
    From = At + Needle.size();
    if (!(Flags & rfReplaceAll)) break;
  }
  return R + S.substr(From);
}

String StringOfChar(char Ch, Integer Count) { return Count > 0 ? String(Count, Ch) : String(); }

String StringOfChar(const String& Ch, Integer Count) {
  String R;
  for (Integer I = 0; I < Count; ++I) R += Ch;
  return R;
}

Integer LastDelimiter(const String& Delimiters, const String& S) {
  Integer Found = 0, Index = 0;
  for (std::size_t I = 0; I < S.size();) {
    const std::size_t Start = I;
    Utf8Decode(S, I);
    ++Index;
    if (Delimiters.find(S.substr(Start, I - Start)) != String::npos) Found = Index;
  }
  return Found;
}

bool IsDelimiter(const String& Delimiters, const String& S, Integer Index) {
  const String C = CharAt(S, Index);
  return !C.empty() && Delimiters.find(C) != String::npos;
}

String AdjustLineBreaks(const String& S, TTextLineBreakStyle Style) {
  const char* Break = Style == tlbsCRLF ? "\r\n" : "\n";
  String R;
  R.reserve(S.size() + S.size() / 16);
  for (std::size_t I = 0; I < S.size(); ++I) {
    const char C = S[I];
    if (C != '\r' && C != '\n') {
      R += C;
      continue;
    }
    R += Break;
    const char Pair = C == '\r' ? '\n' : '\r';
    if (I + 1 < S.size() && S[I + 1] == Pair) ++I;
  }
  return R;
}

// ---------------------------------------------------------------------------
// Booleans

String BoolToStr(bool B, bool UseBoolStrs) {
  if (UseBoolStrs) return B ? "True" : "False";
  return B ? "-1" : "0";
}

bool TryStrToBool(const String& S, bool& Value) {
  if (SameText(S, "True")) {
    Value = true;
    return true;
  }
  if (SameText(S, "False")) {
    Value = false;
    return true;
  }
  double F = 0;
  if (!TryStrToFloat(S, F)) return false;
  Value = F != 0;
  return true;
}

bool StrToBool(const String& S) {
  bool B = false;
  if (!TryStrToBool(S, B)) throw EConvertError(Format(SInvalidBoolean, {S}));
  return B;
}

bool StrToBoolDef(const String& S, bool Default) {
  bool B = false;
  return TryStrToBool(S, B) ? B : Default;
}

// ---------------------------------------------------------------------------
// File names

String ExtractFilePath(const String& FileName) { return FileName.substr(0, NameStart(FileName)); }

String ExtractFileDir(const String& FileName) {
  const std::size_t Start = NameStart(FileName);
  return FileName.substr(0, Start > 1 ? Start - 1 : Start);
}

String ExtractFileName(const String& FileName) { return FileName.substr(NameStart(FileName)); }

String ExtractFileExt(const String& FileName) {
  const std::size_t Dot = ExtensionStart(FileName);
  return Dot == String::npos ? String() : FileName.substr(Dot);
}

String ChangeFileExt(const String& FileName, const String& Extension) {
  const std::size_t Dot = ExtensionStart(FileName);
  return (Dot == String::npos ? FileName : FileName.substr(0, Dot)) + Extension;
}

String IncludeTrailingPathDelimiter(const String& S) {
  return !S.empty() && S.back() == PathDelim ? S : S + PathDelim;
}

String ExcludeTrailingPathDelimiter(const String& S) {
  return !S.empty() && S.back() == PathDelim ? S.substr(0, S.size() - 1) : S;
}

bool SameFileName(const String& S1, const String& S2) { return AnsiUpperCase(S1) == AnsiUpperCase(S2); }
