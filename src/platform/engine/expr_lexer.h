// Internal to the expression module: splits expression text into tokens.
#pragma once

#include <string_view>

#include "platform/rtl/system.h"

namespace oak {

enum class TokKind {
  End, Number, String, Date, Ident,
  LParen, RParen, Comma, Arrow,
  Plus, Minus, Star, Slash,
  Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Dollar,
  True, False, And, Or, Not,
};

struct Token {
  TokKind Kind = TokKind::End;
  String Text;       // identifier (as written), string or date literal contents
  double Num = 0;    // Number
  int Pos = 1;       // 1-based position of the token's first character
};

class ExprLexer {
 public:
  explicit ExprLexer(std::string_view Text) : FText(Text) {}
  // The next token. Raises 5300 on an unterminated literal or a character
  // that belongs to no token.
  Token Next();

 private:
  Token DotWord(int Pos);
  Token Quoted(char Close, TokKind Kind, int Pos);
  Token NumberTok(int Pos);
  std::string_view FText;
  std::size_t FAt = 0;
};

}  // namespace oak
