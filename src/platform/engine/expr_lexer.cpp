// Splits expression text into tokens.
#include "platform/engine/expr_lexer.h"

#include <cctype>
#include <cstdlib>

#include "platform/engine/expr_node.h"

namespace oak {

namespace {

bool IsIdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsIdentChar(char c) {
  return IsIdentStart(c) || std::isdigit(static_cast<unsigned char>(c));
}

String Upper(std::string_view S) {
  String R(S);
  for (char& c : R) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return R;
}

}  // namespace

Token ExprLexer::Next() {
  while (FAt < FText.size() && std::isspace(static_cast<unsigned char>(FText[FAt]))) ++FAt;
  Token T;
  T.Pos = static_cast<int>(FAt) + 1;
  if (FAt >= FText.size()) return T;
  char c = FText[FAt];
  char n = FAt + 1 < FText.size() ? FText[FAt + 1] : '\0';
  auto Op = [&](TokKind K, int Len) {
    T.Kind = K;
    FAt += Len;
    return T;
  };
  switch (c) {
    case '(': return Op(TokKind::LParen, 1);
    case ')': return Op(TokKind::RParen, 1);
    case ',': return Op(TokKind::Comma, 1);
    case '+': return Op(TokKind::Plus, 1);
    case '-': return n == '>' ? Op(TokKind::Arrow, 2) : Op(TokKind::Minus, 1);
    case '*': return Op(TokKind::Star, 1);
    case '/': return Op(TokKind::Slash, 1);
    case '$': return Op(TokKind::Dollar, 1);
    case '#': return Op(TokKind::Ne, 1);
    case '=': return n == '=' ? Op(TokKind::ExactEq, 2) : Op(TokKind::Eq, 1);
    case '!': return n == '=' ? Op(TokKind::Ne, 2) : Op(TokKind::Not, 1);
    case '<':
      if (n == '>') return Op(TokKind::Ne, 2);
      return n == '=' ? Op(TokKind::Le, 2) : Op(TokKind::Lt, 1);
    case '>': return n == '=' ? Op(TokKind::Ge, 2) : Op(TokKind::Gt, 1);
    case '\'': return Quoted('\'', TokKind::String, T.Pos);
    case '"': return Quoted('"', TokKind::String, T.Pos);
    case '[': return Quoted(']', TokKind::String, T.Pos);
    case '{': return Quoted('}', TokKind::Date, T.Pos);
    default: break;
  }
  if (c == '.' && !std::isdigit(static_cast<unsigned char>(n))) return DotWord(T.Pos);
  if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return NumberTok(T.Pos);
  if (IsIdentStart(c)) {
    std::size_t Start = FAt;
    while (FAt < FText.size() && IsIdentChar(FText[FAt])) ++FAt;
    T.Text = String(FText.substr(Start, FAt - Start));
    String U = Upper(T.Text);
    if (U == "AND") T.Kind = TokKind::And;
    else if (U == "OR") T.Kind = TokKind::Or;
    else if (U == "NOT") T.Kind = TokKind::Not;
    else T.Kind = TokKind::Ident;
    return T;
  }
  ExprFail(kExprSyntax, "Unexpected character '" + String(1, c) + "'", String(FText), T.Pos);
}

Token ExprLexer::DotWord(int Pos) {
  std::size_t Start = FAt + 1;
  std::size_t End = Start;
  while (End < FText.size() && std::isalpha(static_cast<unsigned char>(FText[End]))) ++End;
  if (End >= FText.size() || FText[End] != '.')
    ExprFail(kExprSyntax, "Unterminated dot operator", String(FText), Pos);
  String W = Upper(FText.substr(Start, End - Start));
  Token T;
  T.Pos = Pos;
  if (W == "T" || W == "TRUE" || W == "Y") T.Kind = TokKind::True;
  else if (W == "F" || W == "FALSE" || W == "N") T.Kind = TokKind::False;
  else if (W == "AND") T.Kind = TokKind::And;
  else if (W == "OR") T.Kind = TokKind::Or;
  else if (W == "NOT") T.Kind = TokKind::Not;
  else ExprFail(kExprSyntax, "Unknown operator ." + W + ".", String(FText), Pos);
  FAt = End + 1;
  return T;
}

Token ExprLexer::Quoted(char Close, TokKind Kind, int Pos) {
  std::size_t Start = FAt + 1;
  std::size_t End = FText.find(Close, Start);
  if (End == std::string_view::npos)
    ExprFail(kExprSyntax, Kind == TokKind::Date ? "Unterminated date literal"
                                                : "Unterminated string literal",
             String(FText), Pos);
  Token T;
  T.Kind = Kind;
  T.Pos = Pos;
  T.Text = String(FText.substr(Start, End - Start));
  FAt = End + 1;
  return T;
}

Token ExprLexer::NumberTok(int Pos) {
  std::size_t Start = FAt;
  bool Dot = false;
  while (FAt < FText.size()) {
    char c = FText[FAt];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      ++FAt;
    } else if (c == '.' && !Dot && FAt + 1 < FText.size() &&
               std::isdigit(static_cast<unsigned char>(FText[FAt + 1]))) {
      Dot = true;
      ++FAt;
    } else {
      break;
    }
  }
  if (FAt == Start) ExprFail(kExprSyntax, "Number expected", String(FText), Pos);
  Token T;
  T.Kind = TokKind::Number;
  T.Pos = Pos;
  T.Num = std::strtod(String(FText.substr(Start, FAt - Start)).c_str(), nullptr);
  return T;
}

}  // namespace oak
