#include "data/memtable/mtMemCSVStreamFormatText.h"

#include "platform/rtl/sysutils.h"

String mtCSVQuote(const String& X, char Quote) {
  return Quote == '\0' ? X : AnsiQuotedStr(X, Quote);
}

void mtCSVAppendQuoted(String& Line, const String& X, char Quote) {
  if (Quote == '\0')
    Line += X;
  else
    AppendQuotedStr(Line, X, Quote);
}

String mtCSVUnquoteLine(const String& Line, char Quote) {
  return Quote == '\0' ? Line : AnsiExtractQuotedStr(Line, Quote);
}

bool mtCSVNeedsEscape(const String& S, char Escape) {
  for (char C : S)
    if (C == '\0' || C == '\n' || C == '\r' || C == Escape) return true;
  return false;
}

String mtCSVEscape(const String& S, char Escape) {
  if (!mtCSVNeedsEscape(S, Escape)) return S;  // the usual value
  String R;
  R.reserve(S.size());
  for (char C : S) {
    if (C == '\0') {
      R += Escape;
      R += '0';
    } else if (C == '\n') {
      R += Escape;
      R += 'n';
    } else if (C == '\r') {
      R += Escape;
      R += 'c';
    } else if (C == Escape) {
      R += Escape;
      R += Escape;
    } else {
      R += C;
    }
  }
  return R;
}

String mtCSVUnescape(const String& S, char Escape) {
  if (S.find(Escape) == String::npos) return S;  // the usual value
  String R;
  R.reserve(S.size());
  for (size_t I = 0; I < S.size(); ++I) {
    char C = S[I];
    if (C != Escape) {
      R += C;
      continue;
    }
    if (++I >= S.size()) break;  // a trailing escape character is dropped
    switch (S[I]) {
      case '0': R += '\0'; break;
      case 'c': R += '\r'; break;
      case 'n': R += '\n'; break;
      default: R += S[I]; break;  // the escape character itself, or any other
    }
  }
  return R;
}

String mtCSVArmour(const String& Bytes) {
  String R;
  R.reserve((4 * Bytes.size() + 2) / 3);
  unsigned Acc = 0;
  int Bits = 0;
  for (char Ch : Bytes) {
    Acc |= static_cast<unsigned>(static_cast<unsigned char>(Ch)) << Bits;
    Bits += 8;
    while (Bits >= 6) {
      R += static_cast<char>((Acc & 0x3F) + 32);
      Acc >>= 6;
      Bits -= 6;
    }
  }
  if (Bits > 0) R += static_cast<char>((Acc & 0x3F) + 32);
  return R;
}

String mtCSVUnarmour(const String& Text) {
  const size_t Count = (3 * Text.size()) / 4;
  String R;
  R.reserve(Count);
  unsigned Acc = 0;
  int Bits = 0;
  for (char Ch : Text) {
    Acc |= (static_cast<unsigned>(static_cast<unsigned char>(Ch) - 32) & 0x3F) << Bits;
    Bits += 6;
    if (Bits >= 8) {
      if (R.size() < Count) R += static_cast<char>(Acc & 0xFF);
      Acc >>= 8;
      Bits -= 8;
    }
  }
  return R;
}

namespace {

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

// Reads one item starting at I (blanks skipped); leaves I on the comma
// after it or at the end.
String ReadCommaItem(const String& S, size_t& I) {
  while (I < S.size() && IsBlank(S[I])) ++I;
  String Item;
  if (I < S.size() && S[I] == '"') {
    for (++I; I < S.size(); ++I) {
      if (S[I] != '"') {
        Item += S[I];
      } else if (I + 1 < S.size() && S[I + 1] == '"') {
        Item += '"';
        ++I;
      } else {
        ++I;
        break;
      }
    }
    while (I < S.size() && S[I] != ',') ++I;
    return Item;
  }
  while (I < S.size() && S[I] != ',') Item += S[I++];
  while (!Item.empty() && IsBlank(Item.back())) Item.pop_back();
  return Item;
}

}  // namespace

std::vector<String> mtCSVSplitCommaText(const String& S) {
  std::vector<String> Items;
  if (S.empty()) return Items;
  size_t I = 0;
  for (;;) {
    Items.push_back(ReadCommaItem(S, I));
    if (I >= S.size()) break;
    ++I;  // the comma
  }
  return Items;
}
