// Entry points: filters, AOFs, exact matching and expressions.
#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"

using namespace oak;

namespace {

UNSIGNED32 GetFilterText(OAKHANDLE hTable, char* Buf, UNSIGNED16* Len, bool Aof) {
  return Call([&] {
    const std::string* T = CursorOf(hTable).FilterText(Aof);
    if (!T) Fail(E_NO_FILTER);
    if (!Buf) {
      if (Len) *Len = static_cast<UNSIGNED16>(T->size());
      Fail(E_BUFFER_TOO_SMALL);
    }
    PutText(*T, Buf, Len);
  });
}

UNSIGNED32 CopyExpression(const char* In, char* Out, UNSIGNED16* Len) {
  return Call([&] { PutText(In ? In : "", Out, Len); });
}

}  // namespace

extern "C" {

UNSIGNED32 OakSetFilter(OAKHANDLE hTable, const char* pucFilter) {
  return Call([&] { CursorOf(hTable).SetFilter(pucFilter ? pucFilter : "", false); });
}

UNSIGNED32 OakGetFilter(OAKHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen) {
  return GetFilterText(hTable, pucFilter, pusLen, false);
}

UNSIGNED32 OakClearFilter(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).ClearFilter(false); });
}

UNSIGNED32 OakSetAOF(OAKHANDLE hTable, const char* pucFilter, UNSIGNED16 usOptions) {
  return Call([&] {
    if (usOptions == 0 || usOptions > OAK_AOF_FIXED) Fail(E_INVALID_OPTION, "AOF option");
    CursorOf(hTable).SetFilter(pucFilter ? pucFilter : "", true);
  });
}

UNSIGNED32 OakGetAOF(OAKHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen) {
  return GetFilterText(hTable, pucFilter, pusLen, true);
}

UNSIGNED32 OakClearAOF(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).ClearFilter(true); });
}

UNSIGNED32 OakSetExact22(OAKHANDLE hObj, UNSIGNED16 bExact) {
  return Call([&] { CursorOf(hObj).Exact = bExact != 0; });
}

UNSIGNED32 OakGetExact22(OAKHANDLE hObj, UNSIGNED16* pbExact) {
  return Call([&] { Out(pbExact) = CursorOf(hObj).Exact ? 1 : 0; });
}

UNSIGNED32 OakEvalLogicalExpr(OAKHANDLE hTable, const char* pucExpr, UNSIGNED16* pbResult) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    auto E = Expression::Parse(pucExpr ? pucExpr : "", C);
    Out(pbResult) = E->EvaluateLogical(C, C.EvalOptions()) ? 1 : 0;
  });
}

UNSIGNED32 OakExpressionLongToShort(OAKHANDLE hTable, const char* pucLongExpr,
                                    char* pucShortExpr, UNSIGNED16* pusLen) {
  UNSIGNED32 R = Call([&] { CursorOf(hTable); });
  return R ? R : CopyExpression(pucLongExpr, pucShortExpr, pusLen);
}

UNSIGNED32 OakExpressionShortToLong(OAKHANDLE hTable, const char* pucShortExpr,
                                    char* pucLongExpr, UNSIGNED16* pusLen) {
  UNSIGNED32 R = Call([&] { CursorOf(hTable); });
  return R ? R : CopyExpression(pucShortExpr, pucLongExpr, pusLen);
}

}  // extern "C"
