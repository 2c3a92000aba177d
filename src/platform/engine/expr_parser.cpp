// Recursive-descent parser of the expression language; builds the typed
// tree that expr_eval.cpp walks.
//
//   or      := and { .OR. and }
//   and     := not { .AND. not }
//   not     := .NOT. not | compare
//   compare := sum [ relop sum ]
//   sum     := product { (+|-) product }
//   product := unary { (*|/) unary }
//   unary   := (-|+) unary | primary
//   primary := literal | field | alias->field | func( args ) | ( or )
#include <algorithm>
#include <initializer_list>
#include <utility>

#include "platform/engine/expr_date.h"
#include "platform/engine/expr_lexer.h"
#include "platform/engine/expr_node.h"
#include "platform/rtl/charset.h"

namespace oak {

namespace {

constexpr int kMaxDepth = 200;
constexpr std::size_t kMaxText = 65536;

using NodePtr = std::unique_ptr<ExprNode>;

bool Known(ExprType T) { return T != ExprType::Null; }

class Parser {
 public:
  Parser(std::string_view Text, const ExprFieldCatalog& Catalog)
      : FText(Text), FLex(Text), FCatalog(Catalog) {
    Advance();
  }

  NodePtr ParseAll() {
    NodePtr N = ParseOr();
    if (FTok.Kind != TokKind::End) Fail(kExprSyntax, "Unexpected token after the expression");
    return N;
  }
  std::vector<int> TakeFields() { return std::move(FFields); }

 private:
  [[noreturn]] void Fail(std::uint32_t Code, const String& What, int Pos = 0) {
    ExprFail(Code, What, FText, Pos ? Pos : FTok.Pos);
  }
  void Advance() { FTok = FLex.Next(); }
  bool Accept(TokKind K) {
    if (FTok.Kind != K) return false;
    Advance();
    return true;
  }
  void Expect(TokKind K, const char* What) {
    if (!Accept(K)) Fail(kExprSyntax, String(What) + " expected");
  }

  struct DepthGuard {
    explicit DepthGuard(Parser& P) : FP(P) {
      if (++FP.FDepth > kMaxDepth) FP.Fail(kExprTooComplex, "Expression nested too deeply");
    }
    ~DepthGuard() { --FP.FDepth; }
    Parser& FP;
  };

  NodePtr Binary(ExprOp Op, NodePtr L, NodePtr R, int Pos) {
    auto N = std::make_unique<ExprNode>();
    N->Kind = NodeKind::Binary;
    N->Op = Op;
    N->Pos = Pos;
    TypeBinary(*N, *L, *R);
    N->Args.push_back(std::move(L));
    N->Args.push_back(std::move(R));
    return N;
  }

  void TypeBinary(ExprNode& N, const ExprNode& L, const ExprNode& R) {
    ExprType A = L.Type, B = R.Type;
    bool Dyn = !Known(A) || !Known(B);
    auto Mismatch = [&] {
      Fail(kExprTypeMismatch, String("Type mismatch: ") + ExprTypeName(A) + " and " +
                                  ExprTypeName(B),
           N.Pos);
    };
    switch (N.Op) {
      case ExprOp::Add:
      case ExprOp::Sub:
        if (A == ExprType::String && B == ExprType::String) {
          N.Type = ExprType::String;
          int Sum = L.Length + R.Length;  // widths stay <= 65535 each
          N.Length = L.Length && R.Length && Sum <= 65535 ? Sum : 0;
        } else if (A == ExprType::Number && B == ExprType::Number) {
          N.Type = ExprType::Number;
        } else if (A == ExprType::Date && B == ExprType::Number) {
          N.Type = ExprType::Date;
        } else if (N.Op == ExprOp::Add && A == ExprType::Number && B == ExprType::Date) {
          N.Type = ExprType::Date;
        } else if (N.Op == ExprOp::Sub && A == ExprType::Date && B == ExprType::Date) {
          N.Type = ExprType::Number;
        } else if (Dyn) {
          N.Type = Known(A) && A != ExprType::Date ? A : ExprType::Null;
          N.Length = 0;
        } else {
          Mismatch();
        }
        break;
      case ExprOp::Mul:
      case ExprOp::Div:
        if ((Known(A) && A != ExprType::Number) || (Known(B) && B != ExprType::Number))
          Mismatch();
        N.Type = ExprType::Number;
        break;
      case ExprOp::Contains:
        if ((Known(A) && A != ExprType::String) || (Known(B) && B != ExprType::String))
          Mismatch();
        N.Type = ExprType::Logical;
        break;
      case ExprOp::And:
      case ExprOp::Or:
        if ((Known(A) && A != ExprType::Logical) || (Known(B) && B != ExprType::Logical))
          Mismatch();
        N.Type = ExprType::Logical;
        break;
      default:  // comparisons
        if (!Dyn && A != B) Mismatch();
        N.Type = ExprType::Logical;
        break;
    }
  }

  // One left-associative level: Next { op Next } for the operators in Ops.
  using Level = NodePtr (Parser::*)();
  NodePtr ParseLeft(Level Next, std::initializer_list<std::pair<TokKind, ExprOp>> Ops) {
    NodePtr L = (this->*Next)();
    for (;;) {
      auto It = std::find_if(Ops.begin(), Ops.end(), [&](const auto& O) { return O.first == FTok.Kind; });
      if (It == Ops.end()) return L;
      int Pos = FTok.Pos;
      Advance();
      L = Binary(It->second, std::move(L), (this->*Next)(), Pos);
    }
  }

  NodePtr ParseOr() {
    DepthGuard G(*this);
    return ParseLeft(&Parser::ParseAnd, {{TokKind::Or, ExprOp::Or}});
  }
  NodePtr ParseAnd() { return ParseLeft(&Parser::ParseNot, {{TokKind::And, ExprOp::And}}); }

  NodePtr ParseNot() {
    DepthGuard G(*this);
    if (FTok.Kind != TokKind::Not) return ParseCompare();
    int Pos = FTok.Pos;
    Advance();
    NodePtr A = ParseNot();
    if (Known(A->Type) && A->Type != ExprType::Logical)
      Fail(kExprTypeMismatch, String("Type mismatch: .NOT. of ") + ExprTypeName(A->Type), Pos);
    return Unary(ExprOp::Not, std::move(A), ExprType::Logical, Pos);
  }

  NodePtr Unary(ExprOp Op, NodePtr A, ExprType T, int Pos) {
    auto N = std::make_unique<ExprNode>();
    N->Kind = NodeKind::Unary;
    N->Op = Op;
    N->Type = T;
    N->Pos = Pos;
    N->Args.push_back(std::move(A));
    return N;
  }

  NodePtr ParseCompare() {
    return ParseLeft(&Parser::ParseSum,
                     {{TokKind::Eq, ExprOp::Eq}, {TokKind::ExactEq, ExprOp::ExactEq},
                      {TokKind::Ne, ExprOp::Ne}, {TokKind::Lt, ExprOp::Lt},
                      {TokKind::Le, ExprOp::Le}, {TokKind::Gt, ExprOp::Gt},
                      {TokKind::Ge, ExprOp::Ge}, {TokKind::Dollar, ExprOp::Contains}});
  }
  NodePtr ParseSum() {
    return ParseLeft(&Parser::ParseProduct, {{TokKind::Plus, ExprOp::Add}, {TokKind::Minus, ExprOp::Sub}});
  }
  NodePtr ParseProduct() {
    return ParseLeft(&Parser::ParseUnary, {{TokKind::Star, ExprOp::Mul}, {TokKind::Slash, ExprOp::Div}});
  }

  NodePtr ParseUnary() {
    DepthGuard G(*this);
    if (FTok.Kind != TokKind::Minus && FTok.Kind != TokKind::Plus) return ParsePrimary();
    bool Neg = FTok.Kind == TokKind::Minus;
    int Pos = FTok.Pos;
    Advance();
    NodePtr A = ParseUnary();
    if (Known(A->Type) && A->Type != ExprType::Number)
      Fail(kExprTypeMismatch, String("Type mismatch: sign before ") + ExprTypeName(A->Type), Pos);
    if (!Neg) return A;
    return Unary(ExprOp::Neg, std::move(A), ExprType::Number, Pos);
  }

  NodePtr Const(ExprValue V, int Pos) {
    auto N = std::make_unique<ExprNode>();
    N->Kind = NodeKind::Const;
    N->Type = V.Type;
    N->Pos = Pos;
    if (V.Type == ExprType::String) N->Length = Utf8CharCount(V.Str);
    N->Value = std::move(V);
    return N;
  }

  NodePtr DateLiteral(const Token& T) {
    String S = T.Text;
    S.erase(std::remove(S.begin(), S.end(), ' '), S.end());
    if (!S.empty() && S[0] == '^') S.erase(0, 1);
    std::int32_t J = 0;
    bool Ok = S.empty() || (S.size() == 8 && DtosToJulian(S, J)) ||
              ParseJulian(S, "YYYY-MM-DD", J) || ParseJulian(S, "MM/DD/YYYY", J);
    if (!Ok || (!S.empty() && J == 0)) Fail(kExprSyntax, "Invalid date literal {" + T.Text + "}", T.Pos);
    return Const(ExprValue::FromDate(J), T.Pos);
  }

  NodePtr ParsePrimary() {
    Token T = FTok;
    switch (T.Kind) {
      case TokKind::Number: Advance(); return Const(ExprValue::FromNumber(T.Num), T.Pos);
      case TokKind::String: Advance(); return Const(ExprValue::FromString(T.Text), T.Pos);
      case TokKind::Date: Advance(); return DateLiteral(T);
      case TokKind::True: Advance(); return Const(ExprValue::FromLogical(true), T.Pos);
      case TokKind::False: Advance(); return Const(ExprValue::FromLogical(false), T.Pos);
      case TokKind::LParen: {
        Advance();
        NodePtr N = ParseOr();
        Expect(TokKind::RParen, "')'");
        return N;
      }
      case TokKind::Ident: Advance(); return ParseName(T);
      case TokKind::End: Fail(kExprSyntax, "Operand expected at the end");
      default: Fail(kExprSyntax, "Operand expected");
    }
  }

  NodePtr ParseName(const Token& T) {
    if (FTok.Kind == TokKind::LParen) return ParseCall(T);
    Token Name = T;
    if (Accept(TokKind::Arrow)) {
      if (FTok.Kind != TokKind::Ident) Fail(kExprSyntax, "Field name expected after '->'");
      Name = FTok;
      Advance();
    }
    ExprFieldInfo Info;
    if (!FCatalog.FindField(Name.Text, Info))
      Fail(kExprUnknownField, "Unknown field name '" + Name.Text + "'", Name.Pos);
    auto N = std::make_unique<ExprNode>();
    N->Kind = NodeKind::Field;
    N->Field = Info.Index;
    N->Type = Info.Type;
    N->Length = Info.Type == ExprType::String ? std::clamp(Info.Length, 0, 65535) : 0;
    N->Pos = Name.Pos;
    if (std::find(FFields.begin(), FFields.end(), Info.Index) == FFields.end())
      FFields.push_back(Info.Index);
    return N;
  }

  NodePtr ParseCall(const Token& T) {
    const ExprFuncInfo* F = FindExprFunc(T.Text);
    if (!F) Fail(kExprUnknownFunction, "Unknown function '" + T.Text + "'", T.Pos);
    Expect(TokKind::LParen, "'('");
    auto N = std::make_unique<ExprNode>();
    N->Kind = NodeKind::Call;
    N->Func = F->Func;
    N->Pos = T.Pos;
    if (FTok.Kind != TokKind::RParen) {
      do {
        N->Args.push_back(ParseOr());
      } while (Accept(TokKind::Comma));
    }
    Expect(TokKind::RParen, "')' or ','");
    int Count = static_cast<int>(N->Args.size());
    if (Count < F->MinArgs || Count > F->MaxArgs)
      Fail(kExprArgCount, "Wrong number of arguments for " + String(F->Name) + "()", T.Pos);
    TypeCall(*N, FText);
    return N;
  }

  String FText;
  ExprLexer FLex;
  const ExprFieldCatalog& FCatalog;
  Token FTok;
  int FDepth = 0;
  std::vector<int> FFields;
};

}  // namespace

void ExprFail(std::uint32_t Code, const String& What, const String& Text, int Pos) {
  String Shown = Text.size() > 200 ? Text.substr(0, 200) + "..." : Text;
  ThrowEngineError(Code, What + " in expression '" + Shown + "' at position " +
                             std::to_string(Pos));
}

std::unique_ptr<Expression> Expression::Parse(std::string_view Text,
                                              const ExprFieldCatalog& Catalog) {
  if (Text.size() > kMaxText) ThrowEngineError(kExprTooComplex, "Expression too long");
  bool Blank = std::all_of(Text.begin(), Text.end(), [](char c) { return c == ' ' || c == '\t'; });
  if (Blank) ThrowEngineError(kExprSyntax, "Empty expression");
  Parser P(Text, Catalog);
  std::unique_ptr<ExprNode> Root = P.ParseAll();
  return std::unique_ptr<Expression>(new Expression(String(Text), std::move(Root), P.TakeFields()));
}

}  // namespace oak
