// Evaluation of a parsed expression: operators, comparisons and the value
// helpers shared with the functions.
#include <cmath>
#include <cstring>

#include "platform/engine/expr_date.h"
#include "platform/engine/expr_node.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/clock.h"

namespace oak {

const char* ExprTypeName(ExprType T) {
  switch (T) {
    case ExprType::String: return "character";
    case ExprType::Number: return "numeric";
    case ExprType::Date: return "date";
    case ExprType::Logical: return "logical";
    case ExprType::Timestamp: return "timestamp";
    default: return "null";
  }
}

ExprValue ExprValue::FromString(String S) {
  ExprValue V;
  V.Type = ExprType::String;
  V.Str = std::move(S);
  return V;
}
ExprValue ExprValue::FromNumber(double N) {
  ExprValue V;
  V.Type = ExprType::Number;
  V.Num = N;
  return V;
}
ExprValue ExprValue::FromDate(std::int32_t JulianDay) {
  ExprValue V;
  V.Type = ExprType::Date;
  V.Julian = JulianDay;
  return V;
}
ExprValue ExprValue::FromLogical(bool B) {
  ExprValue V;
  V.Type = ExprType::Logical;
  V.Bool = B;
  return V;
}
ExprValue ExprValue::FromTimestamp(std::int32_t JulianDay, std::int32_t Millis) {
  ExprValue V;
  V.Type = ExprType::Timestamp;
  V.Julian = JulianDay;
  V.Ms = Millis;
  return V;
}

ExprValue EmptyOf(ExprType T) {
  switch (T) {
    case ExprType::String: return ExprValue::FromString(String());
    case ExprType::Number: return ExprValue::FromNumber(0);
    case ExprType::Date: return ExprValue::FromDate(0);
    case ExprType::Logical: return ExprValue::FromLogical(false);
    case ExprType::Timestamp: return ExprValue::FromTimestamp(0, 0);
    default: return ExprValue();
  }
}

String RTrimBlanks(std::string_view S) {
  std::size_t End = S.size();
  while (End > 0 && (S[End - 1] == ' ' || S[End - 1] == '\0')) --End;
  return String(S.substr(0, End));
}

String LTrimBlanks(std::string_view S) {
  std::size_t Start = 0;
  while (Start < S.size() && S[Start] == ' ') ++Start;
  return String(S.substr(Start));
}

void CurrentTime(const ExprOptions& Opt, std::int32_t& Julian, std::int32_t& Millis) {
  if (Opt.Now) {
    DateTimeToJulianMs(Opt.Now(), Julian, Millis);
    return;
  }
  TSystemTime T = NowLocal();
  Julian = JulianFromYMD(T.Year, T.Month, T.Day);
  Millis = ((T.Hour * 60 + T.Minute) * 60 + T.Second) * 1000 + T.Milliseconds;
}

namespace {

[[noreturn]] void RunFail(std::uint32_t Code, const String& What, int Pos) {
  ThrowEngineError(Code, What + " at position " + std::to_string(Pos));
}

// Julian day of 31 December 9999, the last date there is.
constexpr double kLastJulian = 5373484;

int Sign(double D) { return D < 0 ? -1 : D > 0 ? 1 : 0; }

// Three-way comparison of strings under the '=' rules: not exact compares
// A's beginning with all of B; exact ignores trailing blanks; whole (==)
// compares the texts as they are.
int CompareStrings(const String& A, const String& B, bool Exact, bool Whole) {
  if (Whole) return Sign(A.compare(B));
  if (Exact) return Sign(RTrimBlanks(A).compare(RTrimBlanks(B)));
  if (A.size() >= B.size()) return Sign(std::memcmp(A.data(), B.data(), B.size()));
  return Sign(A.compare(B));
}

int CompareValues(const ExprValue& A, const ExprValue& B, const ExprOptions& Opt, bool Whole,
                  int Pos) {
  if (A.Type != B.Type)
    RunFail(kExprTypeMismatch,
            String("Type mismatch: ") + ExprTypeName(A.Type) + " and " + ExprTypeName(B.Type),
            Pos);
  switch (A.Type) {
    case ExprType::String: return CompareStrings(A.Str, B.Str, Opt.Exact, Whole);
    case ExprType::Number: return Sign(A.Num - B.Num);
    case ExprType::Date: return Sign(static_cast<double>(A.Julian) - B.Julian);
    case ExprType::Logical: return static_cast<int>(A.Bool) - static_cast<int>(B.Bool);
    case ExprType::Timestamp:
      if (A.Julian != B.Julian) return A.Julian < B.Julian ? -1 : 1;
      return Sign(static_cast<double>(A.Ms) - B.Ms);
    default: return 0;
  }
}

// Makes a null operand the empty value of the other operand's type.
void Unify(ExprValue& A, ExprValue& B) {
  if (A.IsNull() && !B.IsNull()) A = EmptyOf(B.Type);
  if (B.IsNull() && !A.IsNull()) B = EmptyOf(A.Type);
}

ExprValue StringMinus(const String& A, const String& B) {
  String T = RTrimBlanks(A);
  return ExprValue::FromString(T + B + String(A.size() - T.size(), ' '));
}

ExprValue Arith(ExprOp Op, ExprValue A, ExprValue B, int Pos) {
  Unify(A, B);
  ExprType TA = A.Type, TB = B.Type;
  if (TA == ExprType::Number && TB == ExprType::Number) {
    switch (Op) {
      case ExprOp::Add: return ExprValue::FromNumber(A.Num + B.Num);
      case ExprOp::Sub: return ExprValue::FromNumber(A.Num - B.Num);
      case ExprOp::Mul: return ExprValue::FromNumber(A.Num * B.Num);
      default:
        if (B.Num == 0) RunFail(kExprDivByZero, "Division by zero", Pos);
        return ExprValue::FromNumber(A.Num / B.Num);
    }
  }
  if (TA == ExprType::String && TB == ExprType::String && Op == ExprOp::Add)
    return ExprValue::FromString(A.Str + B.Str);
  if (TA == ExprType::String && TB == ExprType::String && Op == ExprOp::Sub)
    return StringMinus(A.Str, B.Str);
  auto Shift = [Pos](std::int32_t J, double Days) {
    if (!J) return ExprValue::FromDate(0);
    double To = J + std::round(Days);
    if (!(To >= 1 && To <= kLastJulian)) RunFail(kExprRange, "Date out of range", Pos);
    return ExprValue::FromDate(static_cast<std::int32_t>(To));
  };
  if (TA == ExprType::Date && TB == ExprType::Number && Op == ExprOp::Add) return Shift(A.Julian, B.Num);
  if (TA == ExprType::Number && TB == ExprType::Date && Op == ExprOp::Add) return Shift(B.Julian, A.Num);
  if (TA == ExprType::Date && TB == ExprType::Number && Op == ExprOp::Sub) return Shift(A.Julian, -B.Num);
  if (TA == ExprType::Date && TB == ExprType::Date && Op == ExprOp::Sub)
    return ExprValue::FromNumber(static_cast<double>(A.Julian) - B.Julian);
  if (TA == ExprType::Null && TB == ExprType::Null) return ExprValue();
  RunFail(kExprTypeMismatch,
          String("Type mismatch: ") + ExprTypeName(TA) + " and " + ExprTypeName(TB), Pos);
}

bool Truth(const ExprValue& V, int Pos) {
  if (V.IsNull()) return false;
  if (V.Type != ExprType::Logical)
    RunFail(kExprTypeMismatch, String("Logical value expected, not ") + ExprTypeName(V.Type), Pos);
  return V.Bool;
}

ExprValue Compare(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt) {
  ExprValue A = EvalNode(*N.Args[0], Rec, Opt);
  ExprValue B = EvalNode(*N.Args[1], Rec, Opt);
  Unify(A, B);
  if (N.Op == ExprOp::Contains) {
    if (A.IsNull()) return ExprValue::FromLogical(true);
    if (A.Type != ExprType::String || B.Type != ExprType::String)
      RunFail(kExprTypeMismatch, "Type mismatch: $ needs character operands", N.Pos);
    return ExprValue::FromLogical(B.Str.find(A.Str) != String::npos);
  }
  int C = CompareValues(A, B, Opt, N.Op == ExprOp::ExactEq, N.Pos);
  switch (N.Op) {
    case ExprOp::Eq:
    case ExprOp::ExactEq: return ExprValue::FromLogical(C == 0);
    case ExprOp::Ne: return ExprValue::FromLogical(C != 0);
    case ExprOp::Lt: return ExprValue::FromLogical(C < 0);
    case ExprOp::Le: return ExprValue::FromLogical(C <= 0);
    case ExprOp::Gt: return ExprValue::FromLogical(C > 0);
    default: return ExprValue::FromLogical(C >= 0);
  }
}

ExprValue EvalBinary(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt) {
  switch (N.Op) {
    case ExprOp::And:
      if (!Truth(EvalNode(*N.Args[0], Rec, Opt), N.Pos)) return ExprValue::FromLogical(false);
      return ExprValue::FromLogical(Truth(EvalNode(*N.Args[1], Rec, Opt), N.Pos));
    case ExprOp::Or:
      if (Truth(EvalNode(*N.Args[0], Rec, Opt), N.Pos)) return ExprValue::FromLogical(true);
      return ExprValue::FromLogical(Truth(EvalNode(*N.Args[1], Rec, Opt), N.Pos));
    case ExprOp::Add:
    case ExprOp::Sub:
    case ExprOp::Mul:
    case ExprOp::Div:
      return Arith(N.Op, EvalNode(*N.Args[0], Rec, Opt), EvalNode(*N.Args[1], Rec, Opt), N.Pos);
    default: return Compare(N, Rec, Opt);
  }
}

ExprValue EvalUnary(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt) {
  ExprValue A = EvalNode(*N.Args[0], Rec, Opt);
  if (N.Op == ExprOp::Not) return ExprValue::FromLogical(!Truth(A, N.Pos));
  if (A.IsNull()) return ExprValue::FromNumber(0);
  if (A.Type != ExprType::Number)
    RunFail(kExprTypeMismatch, String("Type mismatch: sign before ") + ExprTypeName(A.Type), N.Pos);
  return ExprValue::FromNumber(-A.Num);
}

}  // namespace

ExprValue EvalNode(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt) {
  switch (N.Kind) {
    case NodeKind::Const: return N.Value;
    case NodeKind::Field: return Rec.FieldValue(N.Field);
    case NodeKind::Unary: return EvalUnary(N, Rec, Opt);
    case NodeKind::Binary: return EvalBinary(N, Rec, Opt);
    default: return EvalCall(N, Rec, Opt);
  }
}

Expression::Expression(String Text, std::unique_ptr<ExprNode> Root, std::vector<int> Fields)
    : FText(std::move(Text)), FRoot(std::move(Root)), FFields(std::move(Fields)) {}

Expression::~Expression() = default;

ExprType Expression::ResultType() const { return FRoot->Type; }

int Expression::ResultLength() const {
  switch (FRoot->Type) {
    case ExprType::String: return FRoot->Length;
    case ExprType::Number:
    case ExprType::Timestamp: return 8;
    case ExprType::Date: return 4;
    case ExprType::Logical: return 1;
    default: return 0;
  }
}

bool Expression::IsFieldText(int& Field, ExprCase& Case) const {
  const ExprNode* N = FRoot.get();
  Case = ExprCase::Keep;
  if (N->Kind == NodeKind::Call && (N->Func == ExprFunc::Upper || N->Func == ExprFunc::Lower)) {
    Case = N->Func == ExprFunc::Upper ? ExprCase::Upper : ExprCase::Lower;
    N = N->Args[0].get();
  }
  if (N->Kind != NodeKind::Field || N->Type != ExprType::String) return false;
  Field = N->Field;
  return true;
}

bool Expression::IsFieldNumber(int& Field) const {
  if (FRoot->Kind != NodeKind::Field || FRoot->Type != ExprType::Number) return false;
  Field = FRoot->Field;
  return true;
}

ExprValue Expression::Evaluate(const ExprRecordContext& Rec, const ExprOptions& Options) const {
  return EvalNode(*FRoot, Rec, Options);
}

bool Expression::EvaluateLogical(const ExprRecordContext& Rec, const ExprOptions& Options) const {
  if (FRoot->Type != ExprType::Logical && FRoot->Type != ExprType::Null)
    ThrowEngineError(kExprNotLogical, "Expression '" + FText + "' is not a logical expression");
  ExprValue V = EvalNode(*FRoot, Rec, Options);
  if (V.IsNull()) return false;
  if (V.Type != ExprType::Logical)
    ThrowEngineError(kExprNotLogical, "Expression '" + FText + "' is not a logical expression");
  return V.Bool;
}

}  // namespace oak
