// The parser of the text form of form descriptions.
#include <cctype>
#include <cstdint>
#include <cstring>

#include "platform/gui/reader.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"

namespace {

// Appends the UTF-8 encoding of code point C.
void AppendUtf8(String& Out, char32_t C) {
  if (C < 0x80) {
    Out += char(C);
  } else if (C < 0x800) {
    Out += char(0xC0 | (C >> 6));
    Out += char(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += char(0xE0 | (C >> 12));
    Out += char(0x80 | ((C >> 6) & 0x3F));
    Out += char(0x80 | (C & 0x3F));
  } else {
    Out += char(0xF0 | (C >> 18));
    Out += char(0x80 | ((C >> 12) & 0x3F));
    Out += char(0x80 | ((C >> 6) & 0x3F));
    Out += char(0x80 | (C & 0x3F));
  }
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  C = char(std::toupper(static_cast<unsigned char>(C)));
  return C >= 'A' && C <= 'F' ? C - 'A' + 10 : -1;
}

bool IsIdentStart(char C) { return std::isalpha(static_cast<unsigned char>(C)) || C == '_'; }
bool IsIdentChar(char C) { return std::isalnum(static_cast<unsigned char>(C)) || C == '_' || C == '.'; }

// Objects, lists and collections nest at most this deep: real forms stay
// far below, and a deeper text would only exhaust the stack.
constexpr int MaxNesting = 64;

class TDfmParser {
 public:
  explicit TDfmParser(const String& Text) : S(Text) {}

  TDfmObject ParseRoot() {
    TDfmObject Root = ParseObject();
    SkipBlanks();
    if (P < S.size()) Error("Ungültige Daten nach dem Ende der Beschreibung");
    return Root;
  }

 private:
  const String& S;
  size_t P = 0;
  int Line = 1;
  int Depth = 0;

  // Counts one level of nesting for its scope.
  struct TNested {
    TDfmParser& Parser;
    explicit TNested(TDfmParser& Owner) : Parser(Owner) {
      if (++Parser.Depth > MaxNesting) Parser.Error("Zu tief verschachtelte Beschreibung");
    }
    ~TNested() { --Parser.Depth; }
  };

  [[noreturn]] void Error(const String& Msg) {
    throw EParserError(Msg + " in Zeile " + IntToStr(Line));
  }

  void SkipBlanks() {
    while (P < S.size()) {
      char C = S[P];
      if (C == '\n') ++Line;
      if (C == '\n' || C == '\r' || C == ' ' || C == '\t' || C == '\f') ++P;
      else if (P == 0 && S.compare(0, 3, "\xEF\xBB\xBF") == 0) P += 3;  // byte-order mark
      else break;
    }
  }

  char Peek() {
    SkipBlanks();
    return P < S.size() ? S[P] : '\0';
  }

  void Expect(char C) {
    if (Peek() != C) Error(String("'") + C + "' erwartet");
    ++P;
  }

  String ReadIdent() {
    if (!IsIdentStart(Peek())) Error("Bezeichner erwartet");
    size_t Start = P;
    while (P < S.size() && IsIdentChar(S[P])) ++P;
    return S.substr(Start, P - Start);
  }

  // True (and consumed) when the next identifier is Word (any case).
  bool TakeKeyword(const char* Word) {
    if (!IsIdentStart(Peek())) return false;
    size_t Save = P;
    String Id = ReadIdent();
    if (SameText(Id, Word)) return true;
    P = Save;
    return false;
  }

  bool AtObjectStart() {
    if (!IsIdentStart(Peek())) return false;
    size_t Save = P;
    int SaveLine = Line;
    String Id = ReadIdent();
    bool Starts = SameText(Id, "object") || SameText(Id, "inherited") || SameText(Id, "inline");
    bool Assignment = Peek() == '=';
    P = Save;
    Line = SaveLine;
    return Starts && !Assignment;
  }

  TDfmObject ParseObject() {
    TNested Level(*this);
    TDfmObject O;
    O.Line = (SkipBlanks(), Line);
    String Kind = ReadIdent();
    if (SameText(Kind, "inherited")) O.Kind = TDfmObject::kInherited;
    else if (SameText(Kind, "inline")) O.Kind = TDfmObject::kInline;
    else if (!SameText(Kind, "object")) Error("'object' erwartet");
    String First = ReadIdent();
    if (Peek() == ':') {
      ++P;
      O.Name = First;
      O.ClassName = ReadIdent();
    } else {
      O.ClassName = First;
    }
    if (Peek() == '[') SkipIndex();
    while (!TakeKeyword("end")) {
      if (P >= S.size() || Peek() == '\0') Error("'end' erwartet");
      if (AtObjectStart()) O.Children.push_back(ParseObject());
      else O.Properties.push_back(ParseProperty());
    }
    return O;
  }

  void SkipIndex() {
    Expect('[');
    while (Peek() != ']' && P < S.size()) ++P;
    Expect(']');
  }

  TDfmProperty ParseProperty() {
    TDfmProperty Prop;
    SkipBlanks();
    Prop.Line = Line;
    Prop.Name = ReadIdent();
    Expect('=');
    Prop.Value = ParseValue();
    return Prop;
  }

  TDfmValue ParseValue() {
    TNested Level(*this);
    TDfmValue V;
    char C = Peek();
    V.Line = Line;
    if (C == '[') ParseSet(V);
    else if (C == '(') ParseList(V);
    else if (C == '<') ParseCollection(V);
    else if (C == '{') ParseBinary(V);
    else if (C == '\'' || C == '#') ParseString(V);
    else if (C == '-' || C == '+' || C == '$' || std::isdigit(static_cast<unsigned char>(C))) ParseNumber(V);
    else if (IsIdentStart(C)) {
      V.Kind = TDfmValueKind::Ident;
      V.Text = ReadIdent();
    } else {
      Error("Ungültiger Eigenschaftswert");
    }
    return V;
  }

  void ParseSet(TDfmValue& V) {
    V.Kind = TDfmValueKind::Set;
    Expect('[');
    while (Peek() != ']') {
      V.Names.push_back(ReadIdent());
      if (Peek() == ',') ++P;
      else if (Peek() != ']') Error("']' erwartet");
    }
    ++P;
  }

  void ParseList(TDfmValue& V) {
    V.Kind = TDfmValueKind::List;
    Expect('(');
    while (Peek() != ')') {
      if (P >= S.size()) Error("')' erwartet");
      V.Items.push_back(ParseValue());
    }
    ++P;
  }

  void ParseCollection(TDfmValue& V) {
    V.Kind = TDfmValueKind::Collection;
    Expect('<');
    while (Peek() != '>') {
      if (!TakeKeyword("item")) Error("'item' erwartet");
      if (Peek() == '[') SkipIndex();
      TDfmItem Item;
      while (!TakeKeyword("end")) {
        if (P >= S.size()) Error("'end' erwartet");
        Item.Properties.push_back(ParseProperty());
      }
      V.CollectionItems.push_back(std::move(Item));
    }
    ++P;
  }

  void ParseBinary(TDfmValue& V) {
    V.Kind = TDfmValueKind::Binary;
    Expect('{');
    int High = -1;
    while (Peek() != '}') {
      if (P >= S.size()) Error("'}' erwartet");
      int D = HexDigit(S[P++]);
      if (D < 0) Error("Ungültiger Binärwert");
      if (High < 0) {
        High = D;
      } else {
        V.Bytes.push_back(Byte(High * 16 + D));
        High = -1;
      }
    }
    if (High >= 0) Error("Ungültiger Binärwert");
    ++P;
  }

  // One '...' piece (with '' for a quote).
  void ReadQuoted(String& Out) {
    ++P;
    for (;;) {
      if (P >= S.size() || S[P] == '\n' || S[P] == '\r') Error("Ungültige String-Konstante");
      if (S[P] == '\'') {
        if (P + 1 < S.size() && S[P + 1] == '\'') {
          Out += '\'';
          P += 2;
          continue;
        }
        ++P;
        return;
      }
      Out += S[P++];
    }
  }

  // One #nnn (or #$hex) character; a UTF-16 surrogate pair makes one
  // code point.
  void ReadCharCode(String& Out, char32_t& PendingHigh) {
    ++P;
    char32_t Code = 0;
    bool Hex = P < S.size() && S[P] == '$';
    if (Hex) ++P;
    size_t Start = P;
    while (P < S.size() && (Hex ? HexDigit(S[P]) >= 0 : std::isdigit(static_cast<unsigned char>(S[P])) != 0)) {
      Code = Code * (Hex ? 16 : 10) + char32_t(HexDigit(S[P++]));
      if (Code > 0x10FFFF) Error("Ungültiger Zeichencode");
    }
    if (P == Start) Error("Zahl erwartet");
    if (Code >= 0xD800 && Code < 0xDC00) {
      PendingHigh = Code;
      return;
    }
    if (Code >= 0xDC00 && Code < 0xE000 && PendingHigh)
      Code = 0x10000 + ((PendingHigh - 0xD800) << 10) + (Code - 0xDC00);
    PendingHigh = 0;
    AppendUtf8(Out, Code);
  }

  void ParseString(TDfmValue& V) {
    V.Kind = TDfmValueKind::String;
    char32_t PendingHigh = 0;
    for (;;) {
      if (P < S.size() && S[P] == '\'') ReadQuoted(V.Text);
      else if (P < S.size() && S[P] == '#') ReadCharCode(V.Text, PendingHigh);
      else if (Peek() == '+') {
        ++P;
        char C = Peek();
        if (C != '\'' && C != '#') Error("String erwartet");
      } else {
        return;
      }
    }
  }

  void ParseNumber(TDfmValue& V) {
    size_t Start = P;
    if (S[P] == '-' || S[P] == '+') ++P;
    if (P < S.size() && S[P] == '$') {
      ++P;
      Int64 N = 0;
      size_t Digits = P;
      while (P < S.size() && HexDigit(S[P]) >= 0) {
        if (N > (INT64_MAX >> 4)) Error("Zahl zu groß");
        N = N * 16 + HexDigit(S[P++]);
      }
      if (P == Digits) Error("Zahl erwartet");
      V.Kind = TDfmValueKind::Integer;
      V.Int = S[Start] == '-' ? -N : N;
      return;
    }
    bool IsFloat = false;
    while (P < S.size()) {
      char C = S[P];
      if (std::isdigit(static_cast<unsigned char>(C))) ++P;
      else if (C == '.' || C == 'e' || C == 'E' || ((C == '-' || C == '+') && (S[P - 1] == 'e' || S[P - 1] == 'E'))) {
        IsFloat = true;
        ++P;
      } else break;
    }
    String Num = S.substr(Start, P - Start);
    if (Num.empty() || Num == "-" || Num == "+") Error("Zahl erwartet");
    if (P < S.size() && std::strchr("sScCdD", S[P]) && S[P] != '\0') {  // Single, Currency, Date suffix
      IsFloat = true;
      ++P;
    }
    try {
      if (IsFloat) {
        V.Kind = TDfmValueKind::Float;
        V.Text = Num;
        V.Float = std::stod(Num);
      } else {
        V.Kind = TDfmValueKind::Integer;
        V.Int = std::stoll(Num);
      }
    } catch (const std::exception&) {
      Error("Zahl erwartet");
    }
  }
};
}  // namespace

TDfmObject ParseFormDescription(const String& Text) { return TDfmParser(Text).ParseRoot(); }

String TDfmValue::AsText() const {
  switch (Kind) {
    case TDfmValueKind::Integer: return IntToStr(Int);
    case TDfmValueKind::Float: return Text;
    case TDfmValueKind::Set: {
      String R = "[";
      for (size_t I = 0; I < Names.size(); ++I) R += (I ? "," : "") + Names[I];
      return R + "]";
    }
    case TDfmValueKind::Binary: return String(Bytes.begin(), Bytes.end());
    default: return Text;
  }
}
