// Internal to the expression module: the parsed tree, the lexer's tokens
// and the function table shared by parser and evaluator.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/engine/expr.h"

namespace oak {

enum class ExprOp : std::uint8_t {
  Add, Sub, Mul, Div,
  Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Contains,
  And, Or, Not, Neg,
};

enum class ExprFunc : std::uint8_t {
  Upper, Lower, Trim, AllTrim, LTrim, RTrim, Substr, Left, Right, Str, Val,
  Dtos, Dtoc, Ctod, Ctot, Ctots, Empty, Iif, Chr, Deleted, Recno, Year,
  Month, Day, Date, Now, Contains,
};

enum class NodeKind : std::uint8_t { Const, Field, Unary, Binary, Call };

class ExprNode {
 public:
  NodeKind Kind = NodeKind::Const;
  ExprType Type = ExprType::Null;  // static result type (Null: known only at run time)
  int Length = 0;                  // String: fixed width in characters, 0 unknown
  int Pos = 0;                     // 1-based position in the text
  ExprValue Value;                 // Const
  int Field = -1;                  // Field: catalog index
  ExprOp Op = ExprOp::Add;         // Unary, Binary
  ExprFunc Func = ExprFunc::Upper; // Call
  std::vector<std::unique_ptr<ExprNode>> Args;
};

// Evaluates a node (expr_eval.cpp).
ExprValue EvalNode(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt);

// Function table (expr_funcs.cpp).
struct ExprFuncInfo {
  const char* Name;
  ExprFunc Func;
  int MinArgs;
  int MaxArgs;
};
// The function of that name (any case), or null.
const ExprFuncInfo* FindExprFunc(std::string_view Name);
// Checks argument types and fills N.Type and N.Length of a call node.
// Raises 5303 on a type that cannot work.
void TypeCall(ExprNode& N, const String& Text);
// Evaluates a call node (IIF evaluates one branch only).
ExprValue EvalCall(const ExprNode& N, const ExprRecordContext& Rec, const ExprOptions& Opt);

// Raises EEngineError Code with "<What> in expression '<Text>' at position N".
[[noreturn]] void ExprFail(std::uint32_t Code, const String& What, const String& Text, int Pos);

// Helpers shared by evaluator and functions.
String RTrimBlanks(std::string_view S);
String LTrimBlanks(std::string_view S);
// D as an int within Lo..Hi (NaN gives Lo).
inline int ClampInt(double D, int Lo, int Hi) {
  if (!(D >= Lo)) return Lo;
  if (D > Hi) return Hi;
  return static_cast<int>(D);
}
// The empty value of type T (a null becomes this).
ExprValue EmptyOf(ExprType T);
// The clock's current Julian day and milliseconds.
void CurrentTime(const ExprOptions& Opt, std::int32_t& Julian, std::int32_t& Millis);
// STR(n, Width, Decimals): right-aligned, '*' when it does not fit.
String FormatNumber(double N, int Width, int Decimals);
// VAL: the leading number of the text (0 when none).
double ParseLeadingNumber(std::string_view S);

}  // namespace oak
