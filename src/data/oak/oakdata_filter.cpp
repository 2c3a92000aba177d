// TOakDataSet: the Filter text as an engine filter or optimised filter
// (AOF), the Filtered switch, and the class library's record search
// (FindFirst, FindNext, FindPrior, FindLast).
#include <cctype>

#include "data/oak/oakdata_filter.h"
#include "platform/rtl/sysutils.h"

namespace {

// Passes Text through one of the engine's expression converters (long and
// short field-name forms); the buffer allows for growth of the text.
String ConvertExpression(TOakDataSet* D,
                         UNSIGNED32 (*Fn)(OAKHANDLE, const char*, char*, UNSIGNED16*),
                         const String& Text) {
  std::vector<char> Buf(Text.size() + 51, '\0');
  UNSIGNED16 Len = static_cast<UNSIGNED16>(Buf.size());
  RaiseOakError(D, Fn(D->TableHandle(), Text.c_str(), Buf.data(), &Len));
  return String(Buf.data(), std::min<std::size_t>(Len, Buf.size()));
}

// Whether S holds the word CONTAINS at I, followed by blanks and "(".
// Returns the position of the "(" (0 when there is none).
std::size_t ContainsClause(const String& S, std::size_t I) {
  static const char Word[] = "CONTAINS";
  if (I > 0 && (std::isalnum(static_cast<unsigned char>(S[I - 1])) || S[I - 1] == '_')) return 0;
  for (std::size_t K = 0; K < 8; ++K)
    if (I + K >= S.size() || std::toupper(static_cast<unsigned char>(S[I + K])) != Word[K]) return 0;
  std::size_t P = I + 8;
  while (P < S.size() && S[P] == ' ') ++P;
  return P < S.size() && S[P] == '(' ? P : 0;
}

// The end of the parenthesised argument that opens at Open (the position
// of its ")" or the text's end), quotes inside it respected.
std::size_t ClauseEnd(const String& S, std::size_t Open) {
  int Depth = 0;
  char Quote = 0;
  for (std::size_t P = Open; P < S.size(); ++P) {
    char C = S[P];
    if (Quote) {
      if (C == Quote) Quote = 0;
    } else if (C == '"' || C == '\'') {
      Quote = C;
    } else if (C == '(') {
      ++Depth;
    } else if (C == ')' && --Depth == 0) {
      return P;
    }
  }
  return S.size() - 1;
}

// Removes the asterisk that ends a quoted literal (making it a prefix) and
// reports in Exact whether none was removed.
String StripPrefixMarks(const String& S, bool& Exact) {
  String R;
  R.reserve(S.size());
  char Quote = 0;
  std::size_t LiteralStart = 0;
  for (std::size_t I = 0; I < S.size(); ++I) {
    char C = S[I];
    if (Quote) {
      bool EndsLiteral = C == '*' && I + 1 < S.size() && S[I + 1] == Quote && I > LiteralStart;
      if (EndsLiteral) {
        Exact = false;
        continue;
      }
      if (C == Quote) Quote = 0;
      R += C;
    } else if (C == '"' || C == '\'') {
      Quote = C;
      LiteralStart = I + 1;
      R += C;
    } else if (std::size_t Open = ContainsClause(S, I)) {
      std::size_t End = ClauseEnd(S, Open);
      R.append(S, I, End - I + 1);
      I = End;
    } else {
      R += C;
    }
  }
  return R;
}

}  // namespace

String TOakDataSet::ConvertFilterText(const String& Text, bool& Exact) {
  Exact = true;
  bool Oat = FTableTypeCode == OAK_OAT;
  String S = Oat ? ConvertExpression(this, OakExpressionLongToShort, Text) : Text;
  S = StripPrefixMarks(S, Exact);
  return Oat ? ConvertExpression(this, OakExpressionShortToLong, S) : S;
}

void TOakDataSet::ActivateFilter() {
  if (Filter().empty()) {
    DeactivateFilter();
    return;
  }
  bool Exact = true;
  String Expression = ConvertFilterText(Filter(), Exact);
  FExactFlag = Exact;
  RaiseOakError(this, OakSetExact22(FTableHandle, Exact ? 1 : 0));
  if (FOptions->OakOptimizedFilters())
    RaiseOakError(this, OakSetAOF(FTableHandle, Expression.c_str(), FOptions->EngineAOFOption()));
  else
    RaiseOakError(this, OakSetFilter(FTableHandle, Expression.c_str()));
}

void TOakDataSet::DeactivateFilter() {
  UNSIGNED32 Code = FOptions->OakOptimizedFilters() ? OakClearAOF(FTableHandle)
                                                    : OakClearFilter(FTableHandle);
  if (Code != OAK_NO_FILTER) RaiseOakError(this, Code);
}

void TOakDataSet::SetFilteredValue(bool Value) {
  if (Active() && Value != Filtered()) {
    CheckBrowseMode();
    if (Value)
      ActivateFilter();
    else
      DeactivateFilter();
  }
  TDataSet::SetFilteredValue(Value);
}

void TOakDataSet::SetFilterText(const String& Value) {
  if (!Active() || !Filtered()) {
    TDataSet::SetFilterText(Value);
    return;
  }
  CheckBrowseMode();
  String Old = Filter();
  TDataSet::SetFilterText(Value);
  try {
    ActivateFilter();
  } catch (...) {
    TDataSet::SetFilterText(Old);
    throw;
  }
  First();
}

// ---- Record search ---------------------------------------------------------------

namespace {
bool EngineAt(TOakDataSet* D, UNSIGNED32 (*Fn)(OAKHANDLE, UNSIGNED16*)) {
  UNSIGNED16 Flag = 0;
  RaiseOakError(D, Fn(D->TableHandle(), &Flag));
  return Flag != 0;
}
}  // namespace

bool TOakDataSet::FindRecord(bool Restart, bool GoForward) {
  CheckBrowseMode();
  UpdateCursorPos();
  bool Temporary = !Filtered();
  if (Temporary) ActivateFilter();
  bool AtEnd = true;
  try {
    if (GoForward) {
      RaiseOakError(this, Restart ? OakGotoTop(FOrderHandle) : OakSkip(FOrderHandle, 1));
      AtEnd = EngineAt(this, OakAtEOF);
    } else {
      RaiseOakError(this, Restart ? OakGotoBottom(FOrderHandle) : OakSkip(FOrderHandle, -1));
      AtEnd = EngineAt(this, OakAtBOF);
    }
  } catch (...) {
    if (Temporary) DeactivateFilter();
    CursorPosChanged();
    throw;
  }
  if (Temporary) DeactivateFilter();
  CursorPosChanged();
  bool Found = !AtEnd && !EngineAt(this, GoForward ? OakAtBOF : OakAtEOF);
  if (Found) Resync(TResyncMode{rmExact, rmCenter});
  SetFound(Found);
  DoAfterScroll();
  return Found;
}
