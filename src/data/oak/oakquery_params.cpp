// Binding query parameters to engine statements, and the small statement
// helpers shared by TOakQuery and TOakConnection::Execute.
#include <cstring>

#include "data/oak/oakquery.h"

namespace {

[[noreturn]] void RefuseParam(TOakDataSet* D, const TParam* P, const char* Why) {
  RaiseOakLayerError(D, OAK_ERR_PARAM_TYPE, "The field named: '" + P->Name() + "' " + Why);
}

// Julian day of the date part and milliseconds of the time part.
SIGNED32 JulianDay(TDateTime V) {
  return DateTimeToNative(ftDate, V).Date + OakJulianOffset;
}
SIGNED32 Milliseconds(TDateTime V) { return DateTimeToNative(ftTime, V).Time; }

UNSIGNED32 BindText(OAKHANDLE S, UNSIGNED16 N, const String& Text) {
  return OakSetString(S, N, Text.data(), static_cast<UNSIGNED32>(Text.size()));
}

UNSIGNED32 BindOne(TOakDataSet* D, OAKHANDLE S, UNSIGNED16 N, const TParam* P) {
  if (P->DataType() == ftUnknown)
    RefuseParam(D, P, "has the DataType of ftUnknown, which is invalid.");
  if (P->IsNull()) return OakSetEmpty(S, N);
  switch (P->DataType()) {
    case ftString: case ftSmallint: case ftInteger: case ftWord: case ftBCD:
    case ftAutoInc: case ftMemo: case ftFmtMemo: case ftFixedChar: case ftLargeint:
      return BindText(S, N, P->AsString());
    case ftBoolean: return OakSetLogical(S, N, P->AsBoolean() ? 1 : 0);
    case ftFloat:
    case ftCurrency: return OakSetDouble(S, N, P->AsFloat());
    case ftDate: return OakSetJulian(S, N, JulianDay(P->AsDateTime()));
    case ftTime: return OakSetMilliseconds(S, N, Milliseconds(P->AsDateTime()));
    case ftDateTime: {
      SIGNED32 Raw[2] = {JulianDay(P->AsDateTime()), Milliseconds(P->AsDateTime())};
      return OakSetTimeStampRaw(S, N, Raw, sizeof(Raw));
    }
    case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: {
      String Bytes = P->AsString();
      auto Len = static_cast<UNSIGNED32>(Bytes.size());
      return OakSetBinary(S, N, OAK_BINARY, Len, 0, Bytes.data(), Len);
    }
    default: RefuseParam(D, P, "has a DataType that is not supported.");
  }
}

}  // namespace

void OakBindParams(TOakDataSet* DataSet, OAKHANDLE Statement, TParams* Params) {
  if (!Params) return;
  for (Integer I = 0; I < Params->Count(); ++I)
    RaiseOakError(DataSet, BindOne(DataSet, Statement, static_cast<UNSIGNED16>(I + 1),
                                   Params->Items(I)));
}

void OakCloseStatement(TOakDataSet* DataSet, OAKHANDLE Statement) {
  UNSIGNED32 Code = OakCloseSQLStatement(Statement);
  if (Code != OAK_STATEMENT_NOT_OPEN) RaiseOakError(DataSet, Code);
}

Integer OakStatementRowCount(TOakDataSet* DataSet, OAKHANDLE Statement, Integer Missing) {
  UNSIGNED32 Count = 0;
  UNSIGNED32 Code = OakGetRecordCount(Statement, OAK_IGNOREFILTERS, &Count);
  if (Code == OAK_NO_ROW_COUNT) return Missing;
  RaiseOakError(DataSet, Code);
  return static_cast<Integer>(Count);
}
