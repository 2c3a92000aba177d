// The functions of the expression language: their table, their static
// typing (result type and key width) and their evaluation.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/engine/expr_date.h"
#include "platform/engine/expr_node.h"
#include "platform/rtl/charset.h"

namespace oak {

namespace {

const ExprFuncInfo kFuncs[] = {
    {"UPPER", ExprFunc::Upper, 1, 1},     {"LOWER", ExprFunc::Lower, 1, 1},
    {"TRIM", ExprFunc::Trim, 1, 1},       {"ALLTRIM", ExprFunc::AllTrim, 1, 1},
    {"LTRIM", ExprFunc::LTrim, 1, 1},     {"RTRIM", ExprFunc::RTrim, 1, 1},
    {"SUBSTR", ExprFunc::Substr, 2, 3},   {"LEFT", ExprFunc::Left, 2, 2},
    {"RIGHT", ExprFunc::Right, 2, 2},     {"STR", ExprFunc::Str, 1, 3},
    {"VAL", ExprFunc::Val, 1, 1},         {"DTOS", ExprFunc::Dtos, 1, 1},
    {"DTOC", ExprFunc::Dtoc, 1, 1},       {"CTOD", ExprFunc::Ctod, 1, 1},
    {"CTOT", ExprFunc::Ctot, 1, 1},       {"CTOTS", ExprFunc::Ctots, 1, 1},
    {"EMPTY", ExprFunc::Empty, 1, 1},     {"IIF", ExprFunc::Iif, 3, 3},
    {"CHR", ExprFunc::Chr, 1, 1},         {"DELETED", ExprFunc::Deleted, 0, 0},
    {"RECNO", ExprFunc::Recno, 0, 0},     {"YEAR", ExprFunc::Year, 1, 1},
    {"MONTH", ExprFunc::Month, 1, 1},     {"DAY", ExprFunc::Day, 1, 1},
    {"DATE", ExprFunc::Date, 0, 0},       {"NOW", ExprFunc::Now, 0, 0},
    {"CONTAINS", ExprFunc::Contains, 2, 2},
};

bool IsA(const ExprNode& N, ExprType T) { return N.Type == T || N.Type == ExprType::Null; }

// Widths beyond this are not fixed widths (no key is that long).
constexpr int kMaxWidth = 65535;

// The value of a numeric constant argument, or -1 when it is not constant
// or too large to be a width.
int ConstInt(const ExprNode& N) {
  if (N.Kind != NodeKind::Const || N.Type != ExprType::Number) return -1;
  if (!(N.Value.Num <= kMaxWidth)) return -1;
  return N.Value.Num < 0 ? 0 : static_cast<int>(N.Value.Num);
}

[[noreturn]] void ArgFail(const ExprNode& N, const String& Text, int Arg, const char* Wanted) {
  ExprFail(kExprTypeMismatch,
           "Argument " + std::to_string(Arg) + " of " + kFuncs[static_cast<int>(N.Func)].Name +
               "() must be " + Wanted,
           Text, N.Args[Arg - 1]->Pos);
}

void Want(const ExprNode& N, const String& Text, int Arg, ExprType T) {
  if (!IsA(*N.Args[Arg - 1], T)) ArgFail(N, Text, Arg, ExprTypeName(T));
}

void WantDateLike(const ExprNode& N, const String& Text) {
  if (!IsA(*N.Args[0], ExprType::Date) && N.Args[0]->Type != ExprType::Timestamp)
    ArgFail(N, Text, 1, "a date");
}

void TypeSubstr(ExprNode& N) {
  int Len = N.Args[0]->Length;
  int Start = ConstInt(*N.Args[1]);
  if (N.Args.size() == 3 && ConstInt(*N.Args[2]) >= 0) {
    N.Length = ConstInt(*N.Args[2]);
    if (Len && Start > 0 && Start + N.Length - 1 > Len) N.Length = std::max(Len - Start + 1, 0);
  } else if (Len && Start > 0) {
    N.Length = std::max(Len - Start + 1, 0);
  } else {
    N.Length = Len;
  }
}

void TypeIif(ExprNode& N, const String& Text) {
  Want(N, Text, 1, ExprType::Logical);
  const ExprNode& A = *N.Args[1];
  const ExprNode& B = *N.Args[2];
  if (A.Type != ExprType::Null && B.Type != ExprType::Null && A.Type != B.Type)
    ArgFail(N, Text, 3, ExprTypeName(A.Type));
  N.Type = A.Type != ExprType::Null ? A.Type : B.Type;
  N.Length = std::max(A.Length, B.Length);
}

String Pad(String S, int Chars) {
  int Len = Utf8CharCount(S);
  if (Len < Chars) S.append(Chars - Len, ' ');
  return S;
}

String Substr(const String& S, double Start, double Count) {
  int From = ClampInt(Start, 1, 1000000000);
  int N = ClampInt(Count, 0, 1000000000);
  return Copy(S, From, N);
}

String RightChars(const String& S, double Count) {
  int Len = Utf8CharCount(S);
  int N = ClampInt(Count, 0, Len);
  return Copy(S, Len - N + 1, N);
}

std::int32_t ParseDateArg(const String& S, const ExprOptions& Opt) {
  std::int32_t J = 0;
  if (ParseJulian(S, Opt.DateFormat, J)) return J;
  if (DtosToJulian(RTrimBlanks(S), J)) return J;
  return 0;
}

ExprValue ParseTimestampArg(const String& S, const ExprOptions& Opt) {
  String T = LTrimBlanks(RTrimBlanks(S));
  std::size_t Space = T.find(' ');
  String D = Space == String::npos ? T : T.substr(0, Space);
  String Time = Space == String::npos ? String() : T.substr(Space + 1);
  std::int32_t J = ParseDateArg(D, Opt), Ms = 0;
  if (!J || (!Time.empty() && !ParseTimeOfDay(Time, Ms))) return ExprValue::FromTimestamp(0, 0);
  return ExprValue::FromTimestamp(J, Ms);
}

bool IsEmptyValue(const ExprValue& V) {
  switch (V.Type) {
    case ExprType::String: return RTrimBlanks(V.Str).empty();
    case ExprType::Number: return V.Num == 0;
    case ExprType::Date: return V.Julian == 0;
    case ExprType::Logical: return !V.Bool;
    case ExprType::Timestamp: return V.Julian == 0 && V.Ms == 0;
    default: return true;
  }
}

int DatePart(const ExprValue& V, ExprFunc F) {
  if ((V.Type != ExprType::Date && V.Type != ExprType::Timestamp) || V.Julian <= 0) return 0;
  int Y, M, D;
  YMDFromJulian(V.Julian, Y, M, D);
  return F == ExprFunc::Year ? Y : F == ExprFunc::Month ? M : D;
}

// Values of the arguments, with a null turned into the empty value of the
// argument's static type.
ExprValue Arg(const ExprNode& N, std::size_t I, const ExprRecordContext& Rec,
              const ExprOptions& Opt) {
  ExprValue V = EvalNode(*N.Args[I], Rec, Opt);
  if (V.IsNull()) V = EmptyOf(N.Args[I]->Type);
  return V;
}

String StrArg(const ExprNode& N, std::size_t I, const ExprRecordContext& Rec,
              const ExprOptions& Opt) {
  ExprValue V = Arg(N, I, Rec, Opt);
  if (V.Type != ExprType::String && !V.IsNull())
    ThrowEngineError(kExprTypeMismatch, "Character argument expected at position " +
                                            std::to_string(N.Args[I]->Pos));
  return V.Str;
}

double NumArg(const ExprNode& N, std::size_t I, const ExprRecordContext& Rec,
              const ExprOptions& Opt) {
  ExprValue V = Arg(N, I, Rec, Opt);
  if (V.Type != ExprType::Number && !V.IsNull())
    ThrowEngineError(kExprTypeMismatch, "Numeric argument expected at position " +
                                            std::to_string(N.Args[I]->Pos));
  return V.Num;
}

ExprValue EvalString(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt) {
  String S = StrArg(N, 0, Rec, Opt);
  switch (N.Func) {
    case ExprFunc::Upper: return ExprValue::FromString(AnsiUpperCase(S));
    case ExprFunc::Lower: return ExprValue::FromString(AnsiLowerCase(S));
    case ExprFunc::Trim:
    case ExprFunc::RTrim: return ExprValue::FromString(RTrimBlanks(S));
    case ExprFunc::LTrim: return ExprValue::FromString(LTrimBlanks(S));
    case ExprFunc::AllTrim: return ExprValue::FromString(LTrimBlanks(RTrimBlanks(S)));
    case ExprFunc::Substr:
      return ExprValue::FromString(
          Substr(S, NumArg(N, 1, Rec, Opt), N.Args.size() == 3 ? NumArg(N, 2, Rec, Opt) : 1e9));
    case ExprFunc::Left: return ExprValue::FromString(Substr(S, 1, NumArg(N, 1, Rec, Opt)));
    case ExprFunc::Right: return ExprValue::FromString(RightChars(S, NumArg(N, 1, Rec, Opt)));
    case ExprFunc::Val: return ExprValue::FromNumber(ParseLeadingNumber(S));
    case ExprFunc::Ctod: return ExprValue::FromDate(ParseDateArg(S, Opt));
    case ExprFunc::Ctot: {
      std::int32_t Ms = 0;
      if (!ParseTimeOfDay(S, Ms)) Ms = 0;
      return ExprValue::FromTimestamp(0, Ms);
    }
    default: return ParseTimestampArg(S, Opt);  // Ctots
  }
}

ExprValue EvalDateFunc(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt) {
  ExprValue V = Arg(N, 0, Rec, Opt);
  if (V.Type != ExprType::Date && V.Type != ExprType::Timestamp)
    ThrowEngineError(kExprTypeMismatch,
                     "Date argument expected at position " + std::to_string(N.Args[0]->Pos));
  switch (N.Func) {
    case ExprFunc::Dtos: return ExprValue::FromString(JulianToDtos(V.Julian));
    case ExprFunc::Dtoc: return ExprValue::FromString(FormatJulian(V.Julian, Opt.DateFormat));
    default: return ExprValue::FromNumber(DatePart(V, N.Func));
  }
}

ExprValue EvalChr(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt) {
  double C = NumArg(N, 0, Rec, Opt);
  if (!(C >= 0 && C <= 255))
    ThrowEngineError(kExprRange, "CHR() argument out of range at position " + std::to_string(N.Pos));
  return ExprValue::FromString(AnsiToUtf8(std::string(1, static_cast<char>(static_cast<int>(C)))));
}

// CONTAINS(text, words): every blank-separated word of Words (a trailing
// '*' makes it a prefix, "AND" is a joiner) occurs in Text, without regard
// to case; a word without '*' must stand alone as a whole word.
bool ContainsWords(const String& Text, const String& Words) {
  auto Blanked = [](String S, bool KeepStar) {
    for (char& c : S) {
      unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x80 && !std::isalnum(u) && !(KeepStar && c == '*')) c = ' ';
    }
    return S;
  };
  String Hay = " " + Blanked(AnsiUpperCase(Text), false) + " ";
  String All = Blanked(AnsiUpperCase(Words), true);
  std::size_t At = 0;
  while (At < All.size()) {
    std::size_t End = All.find(' ', At);
    if (End == String::npos) End = All.size();
    String W = All.substr(At, End - At);
    At = End + 1;
    if (W.empty() || W == "AND") continue;
    bool Prefix = W.back() == '*';
    if (Prefix) W.pop_back();
    if (W.empty()) continue;
    if (Hay.find(" " + W + (Prefix ? "" : " ")) == String::npos) return false;
  }
  return true;
}

ExprValue EvalClock(const ExprNode& N, const ExprOptions& Opt) {
  std::int32_t J, Ms;
  CurrentTime(Opt, J, Ms);
  return N.Func == ExprFunc::Date ? ExprValue::FromDate(J) : ExprValue::FromTimestamp(J, Ms);
}

}  // namespace

const ExprFuncInfo* FindExprFunc(std::string_view Name) {
  String U(Name);
  for (char& c : U) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const ExprFuncInfo& F : kFuncs)
    if (U == F.Name) return &F;
  return nullptr;
}

void TypeCall(ExprNode& N, const String& Text) {
  switch (N.Func) {
    case ExprFunc::Upper: case ExprFunc::Lower: case ExprFunc::Trim:
    case ExprFunc::AllTrim: case ExprFunc::LTrim: case ExprFunc::RTrim:
      Want(N, Text, 1, ExprType::String);
      N.Type = ExprType::String;
      N.Length = N.Args[0]->Length;
      break;
    case ExprFunc::Substr: case ExprFunc::Left: case ExprFunc::Right:
      Want(N, Text, 1, ExprType::String);
      for (std::size_t i = 1; i < N.Args.size(); ++i) Want(N, Text, static_cast<int>(i) + 1, ExprType::Number);
      N.Type = ExprType::String;
      if (N.Func == ExprFunc::Substr) TypeSubstr(N);
      else N.Length = ConstInt(*N.Args[1]) >= 0 ? ConstInt(*N.Args[1]) : N.Args[0]->Length;
      break;
    case ExprFunc::Str:
      for (std::size_t i = 0; i < N.Args.size(); ++i) Want(N, Text, static_cast<int>(i) + 1, ExprType::Number);
      N.Type = ExprType::String;
      N.Length = N.Args.size() < 2 ? 10 : ConstInt(*N.Args[1]) > 0 ? std::min(ConstInt(*N.Args[1]), 255) : 0;
      break;
    case ExprFunc::Val: case ExprFunc::Ctod: case ExprFunc::Ctot: case ExprFunc::Ctots:
      Want(N, Text, 1, ExprType::String);
      N.Type = N.Func == ExprFunc::Val ? ExprType::Number
             : N.Func == ExprFunc::Ctod ? ExprType::Date : ExprType::Timestamp;
      break;
    case ExprFunc::Dtos: case ExprFunc::Dtoc:
      WantDateLike(N, Text);
      N.Type = ExprType::String;
      N.Length = N.Func == ExprFunc::Dtos ? 8 : 10;
      break;
    case ExprFunc::Year: case ExprFunc::Month: case ExprFunc::Day:
      WantDateLike(N, Text);
      N.Type = ExprType::Number;
      break;
    case ExprFunc::Chr:
      Want(N, Text, 1, ExprType::Number);
      N.Type = ExprType::String;
      N.Length = 1;
      break;
    case ExprFunc::Iif: TypeIif(N, Text); break;
    case ExprFunc::Empty: case ExprFunc::Deleted: N.Type = ExprType::Logical; break;
    case ExprFunc::Recno: N.Type = ExprType::Number; break;
    case ExprFunc::Date: N.Type = ExprType::Date; break;
    case ExprFunc::Now: N.Type = ExprType::Timestamp; break;
    case ExprFunc::Contains:
      Want(N, Text, 1, ExprType::String);
      Want(N, Text, 2, ExprType::String);
      N.Type = ExprType::Logical;
      break;
  }
}

ExprValue EvalCall(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt) {
  switch (N.Func) {
    case ExprFunc::Str: {
      double W = N.Args.size() > 1 ? NumArg(N, 1, Rec, Opt) : 10;
      double D = N.Args.size() > 2 ? NumArg(N, 2, Rec, Opt) : 0;
      return ExprValue::FromString(
          FormatNumber(NumArg(N, 0, Rec, Opt), ClampInt(W, 0, 255), ClampInt(D, 0, 15)));
    }
    case ExprFunc::Dtos: case ExprFunc::Dtoc: case ExprFunc::Year: case ExprFunc::Month:
    case ExprFunc::Day:
      return EvalDateFunc(N, Rec, Opt);
    case ExprFunc::Empty: return ExprValue::FromLogical(IsEmptyValue(EvalNode(*N.Args[0], Rec, Opt)));
    case ExprFunc::Iif: {
      ExprValue C = EvalNode(*N.Args[0], Rec, Opt);
      if (!C.IsNull() && C.Type != ExprType::Logical)
        ThrowEngineError(kExprTypeMismatch, "IIF() condition is not logical");
      ExprValue V = EvalNode(*N.Args[C.Bool ? 1 : 2], Rec, Opt);
      if (V.Type == ExprType::String && N.Length) V.Str = Pad(std::move(V.Str), N.Length);
      return V;
    }
    case ExprFunc::Chr: return EvalChr(N, Rec, Opt);
    case ExprFunc::Deleted: return ExprValue::FromLogical(Rec.IsDeleted());
    case ExprFunc::Recno: return ExprValue::FromNumber(Rec.RecordNumber());
    case ExprFunc::Date: case ExprFunc::Now: return EvalClock(N, Opt);
    case ExprFunc::Contains:
      return ExprValue::FromLogical(ContainsWords(StrArg(N, 0, Rec, Opt), StrArg(N, 1, Rec, Opt)));
    default: return EvalString(N, Rec, Opt);
  }
}

String FormatNumber(double N, int Width, int Decimals) {
  if (Width <= 0) Width = 10;
  if (Width > 255) Width = 255;
  if (Decimals < 0) Decimals = 0;
  if (Decimals > 15) Decimals = 15;
  if (Decimals >= Width) Decimals = Width > 1 ? Width - 2 : 0;
  double Scale = std::pow(10.0, Decimals);
  double R = std::round(N * Scale) / Scale;
  if (!std::isfinite(R)) return String(Width, '*');
  if (R == 0) R = 0;  // no "-0"
  char Buf[400];
  std::snprintf(Buf, sizeof Buf, "%*.*f", Width, Decimals, R);
  String S = Buf;
  if (static_cast<int>(S.size()) > Width) return String(Width, '*');
  return S;
}

double ParseLeadingNumber(std::string_view S) {
  std::size_t i = 0;
  while (i < S.size() && S[i] == ' ') ++i;
  std::size_t Start = i;
  if (i < S.size() && (S[i] == '-' || S[i] == '+')) ++i;
  bool Digits = false;
  while (i < S.size() && std::isdigit(static_cast<unsigned char>(S[i]))) ++i, Digits = true;
  if (i < S.size() && S[i] == '.') {
    ++i;
    while (i < S.size() && std::isdigit(static_cast<unsigned char>(S[i]))) ++i, Digits = true;
  }
  if (!Digits) return 0;
  return std::strtod(String(S.substr(Start, i - Start)).c_str(), nullptr);
}

}  // namespace oak
