// Entry points: reading and setting fields, raw records, record checksum.
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/expr_date.h"
#include "platform/engine/sql.h"
#include "platform/engine/table_fields.h"
#include "platform/rtl/byteorder.h"

using namespace oak;

namespace {

// Where a setter writes: the current record of a table, the key record of
// an index order (raw keys) or a statement parameter.
void SetValue(OAKHANDLE hObj, UNSIGNED16 usFld, const std::string& ParamText, bool IsNull,
              const std::function<void(TCursor&, const TFieldDesc&, std::uint8_t*)>& Apply) {
  THandled* O = FindHandle(hObj);
  if (O && O->Kind() == THandleKind::Statement) {
    static_cast<TStatement*>(O)->SetParam(usFld, ParamText, IsNull);
    return;
  }
  TIndexOrder* Order = OrderOf(hObj);
  TCursor& C = CursorOf(hObj);
  const TFieldDesc& F = C.Field(usFld);
  if (Order) {
    if (Order->KeyRecord.empty()) {
      Order->KeyRecord.resize(C.Table().RecordLength());
      ClearRecord(C.Fields(), Order->KeyRecord.data(), Order->KeyRecord.size());
    }
    Apply(C, F, Order->KeyRecord.data());
    return;
  }
  C.BeginChange();
  Apply(C, F, C.MutableRecord());
}

std::string Trimmed(std::string S, UNSIGNED16 Option) {
  if (Option & OAK_RTRIM) S.erase(S.find_last_not_of(' ') + 1);
  if (Option & OAK_LTRIM) S.erase(0, std::min(S.find_first_not_of(' '), S.size()));
  return S;
}

std::string FieldText(TCursor& C, UNSIGNED16 N, UNSIGNED16 Option) {
  const TFieldDesc& F = C.Field(N);
  if (IsBlobType(F.Type)) return C.BlobValue(N);
  const std::uint8_t* Rec = C.Record().data();
  if (IsCharType(F.Type) && (Option & OAK_ANSI_BYTES)) {
    if (IsFieldNull(F, Rec)) return std::string(F.Length, ' ');
    std::string Utf8 = GetFieldText(F, Rec, C.Table().Chars(), "");
    return ToTableChars(Utf8, CharType::Ansi);
  }
  return Trimmed(GetFieldText(F, Rec, C.Table().Chars(), Settings().DateFormat), Option);
}

void SetText(TCursor& C, const TFieldDesc& F, std::uint8_t* Rec, const std::string& Text) {
  SetFieldText(F, Rec, Text, C.Table().Chars(), Settings().DateFormat);
}

UNSIGNED16 FieldNumberIn(TCursor& C, const TFieldDesc& F) {
  return static_cast<UNSIGNED16>(&F - C.Fields().data() + 1);
}

}  // namespace

extern "C" {

UNSIGNED32 OakGetRecord(OAKHANDLE hTable, UNSIGNED8* pucRec, UNSIGNED32* pulLen) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    UNSIGNED32& Len = Out(pulLen);
    UNSIGNED32 Need = C.Table().RecordLength();
    if (!pucRec || Len < Need) {
      Len = Need;
      Fail(E_BUFFER_TOO_SMALL);
    }
    std::memcpy(pucRec, C.Record().data(), Need);
    Len = Need;
  });
}

UNSIGNED32 OakClearRecordBuffer(OAKHANDLE hTable, void* pvBuf, UNSIGNED32 ulLen) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    if (!pvBuf || ulLen < C.Table().RecordLength()) Fail(E_BUFFER_TOO_SMALL);
    ClearRecord(C.Fields(), static_cast<std::uint8_t*>(pvBuf), C.Table().RecordLength());
  });
}

UNSIGNED32 OakGetNullRecord(OAKHANDLE hTable, void* pvBuf, UNSIGNED32* pulLen) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    UNSIGNED32& Len = Out(pulLen);
    UNSIGNED32 Need = C.Table().RecordLength();
    if (!pvBuf || Len < Need) {
      Len = Need;
      Fail(E_BUFFER_TOO_SMALL);
    }
    ClearRecord(C.Fields(), static_cast<std::uint8_t*>(pvBuf), Need);
    Len = Need;
  });
}

UNSIGNED32 OakGetField(OAKHANDLE hTable, UNSIGNED16 usFld, void* pvBuf, UNSIGNED32* pulLen,
                       UNSIGNED16 usOption) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    PutText32(FieldText(C, usFld, usOption), static_cast<char*>(pvBuf), pulLen);
  });
}

UNSIGNED32 OakSetField(OAKHANDLE hObj, UNSIGNED16 usFld, const void* pvBuf, UNSIGNED32 ulLen) {
  return Call([&] {
    std::string Text(static_cast<const char*>(pvBuf ? pvBuf : ""), pvBuf ? ulLen : 0);
    SetValue(hObj, usFld, Text, false, [&](TCursor& C, const TFieldDesc& F, std::uint8_t* Rec) {
      if (!IsBlobType(F.Type)) return SetText(C, F, Rec, Text);
      if (Rec != C.MutableRecord()) Fail(E_INVALID_FIELD, "memo field in a key");
      C.SetBlob(FieldNumberIn(C, F), Text);
    });
  });
}

UNSIGNED32 OakSetFieldRaw(OAKHANDLE hObj, UNSIGNED16 usFld, const void* pvBuf, UNSIGNED32 ulLen) {
  return Call([&] {
    std::string Bytes(static_cast<const char*>(pvBuf ? pvBuf : ""), pvBuf ? ulLen : 0);
    SetValue(hObj, usFld, Bytes, false, [&](TCursor&, const TFieldDesc& F, std::uint8_t* Rec) {
      if (IsBlobType(F.Type)) Fail(E_INVALID_FIELD, "raw write of memo field " + F.Name);
      std::memset(Rec + F.Offset, 0, F.Length);
      std::memcpy(Rec + F.Offset, Bytes.data(), std::min<size_t>(Bytes.size(), F.Length));
    });
  });
}

UNSIGNED32 OakSetEmpty(OAKHANDLE hObj, UNSIGNED16 usFld) {
  return Call([&] {
    SetValue(hObj, usFld, "", true, [&](TCursor& C, const TFieldDesc& F, std::uint8_t* Rec) {
      if (IsBlobType(F.Type) && Rec == C.MutableRecord())
        return C.SetBlob(FieldNumberIn(C, F), std::string());
      SetFieldNull(F, Rec);
    });
  });
}

UNSIGNED32 OakIsEmpty(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pbEmpty) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    const TFieldDesc& F = C.Field(usFld);
    bool Empty = IsBlobType(F.Type) ? C.BlobIsEmpty(usFld) : IsFieldNull(F, C.Record().data());
    if (!Empty && IsCharType(F.Type))
      Empty = FieldText(C, usFld, OAK_TRIM).empty();
    Out(pbEmpty) = Empty ? 1 : 0;
  });
}

UNSIGNED32 OakGetMemoLength(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulLength) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    Out(pulLength) = C.BlobLength(usFld);
  });
}

UNSIGNED32 OakGetBinaryLength(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulLength) {
  return OakGetMemoLength(hTable, usFld, pulLength);
}

UNSIGNED32 OakGetDouble(OAKHANDLE hTable, UNSIGNED16 usFld, double* pdValue) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    Out(pdValue) = GetFieldDouble(C.Field(usFld), C.Record().data());
  });
}

UNSIGNED32 OakGetLong(OAKHANDLE hTable, UNSIGNED16 usFld, SIGNED32* plValue) {
  double V = 0;
  UNSIGNED32 R = OakGetDouble(hTable, usFld, &V);
  if (R == 0 && plValue) *plValue = static_cast<SIGNED32>(std::llround(V));
  return R;
}

UNSIGNED32 OakGetJulian(OAKHANDLE hTable, UNSIGNED16 usFld, SIGNED32* plDate) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    ExprValue V = FieldToExpr(C.Field(usFld), C.Record().data(), C.Table().Chars());
    if (V.Type != ExprType::Date && V.Type != ExprType::Timestamp && !V.IsNull())
      Fail(E_INVALID_FIELD, "no date field");
    Out(plDate) = V.Julian;
  });
}

UNSIGNED32 OakGetLogical(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pbValue) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    ExprValue V = FieldToExpr(C.Field(usFld), C.Record().data(), C.Table().Chars());
    Out(pbValue) = V.Type == ExprType::Logical && V.Bool ? 1 : 0;
  });
}

UNSIGNED32 OakSetString(OAKHANDLE hObj, UNSIGNED16 usFld, const char* pucBuf, UNSIGNED32 ulLen) {
  return OakSetField(hObj, usFld, pucBuf, ulLen);
}

UNSIGNED32 OakSetLogical(OAKHANDLE hObj, UNSIGNED16 usFld, UNSIGNED16 bValue) {
  return OakSetField(hObj, usFld, bValue ? "T" : "F", 1);
}

UNSIGNED32 OakSetDouble(OAKHANDLE hObj, UNSIGNED16 usFld, double dValue) {
  return Call([&] {
    char Text[64];
    std::snprintf(Text, sizeof Text, "%.17g", dValue);
    SetValue(hObj, usFld, Text, false, [&](TCursor&, const TFieldDesc& F, std::uint8_t* Rec) {
      SetFieldDouble(F, Rec, dValue);
    });
  });
}

UNSIGNED32 OakSetLong(OAKHANDLE hObj, UNSIGNED16 usFld, SIGNED32 lValue) {
  return OakSetDouble(hObj, usFld, lValue);
}

UNSIGNED32 OakSetJulian(OAKHANDLE hObj, UNSIGNED16 usFld, SIGNED32 lDate) {
  return Call([&] {
    std::string Dtos = JulianToDtos(lDate);
    SetValue(hObj, usFld, Dtos, lDate == 0, [&](TCursor& C, const TFieldDesc& F, std::uint8_t* Rec) {
      if (F.Type == OAK_DATE) return StoreLE32(Rec + F.Offset, static_cast<std::uint32_t>(lDate));
      SetText(C, F, Rec, Dtos);
    });
  });
}

UNSIGNED32 OakSetMilliseconds(OAKHANDLE hObj, UNSIGNED16 usFld, SIGNED32 lTime) {
  return Call([&] {
    if (lTime < 0 || lTime >= 86400000) Fail(E_BAD_VALUE, "time of day out of range");
    SetValue(hObj, usFld, FormatTimeOfDay(lTime), false,
             [&](TCursor&, const TFieldDesc& F, std::uint8_t* Rec) {
               if (F.Type != OAK_TIME) Fail(E_INVALID_FIELD, F.Name + " is no time field");
               StoreLE32(Rec + F.Offset, static_cast<std::uint32_t>(lTime));
             });
  });
}

UNSIGNED32 OakSetTimeStampRaw(OAKHANDLE hObj, UNSIGNED16 usFld, const void* pvBuf,
                              UNSIGNED32 ulLen) {
  return Call([&] {
    if (!pvBuf || ulLen < 8) Fail(E_BAD_VALUE, "a raw timestamp has 8 bytes");
    std::uint8_t B[8];
    std::memcpy(B, pvBuf, 8);
    std::int32_t J = static_cast<std::int32_t>(LoadLE32(B)), Ms = static_cast<std::int32_t>(LoadLE32(B + 4));
    std::string Text = JulianToDtos(J) + " " + FormatTimeOfDay(Ms < 0 ? 0 : Ms);
    SetValue(hObj, usFld, Text, J == 0, [&](TCursor& C, const TFieldDesc& F, std::uint8_t* Rec) {
      if (F.Type == OAK_TIMESTAMP) return std::memcpy(Rec + F.Offset, B, 8), void();
      SetText(C, F, Rec, Text);
    });
  });
}

UNSIGNED32 OakSetBinary(OAKHANDLE hObj, UNSIGNED16 usFld, UNSIGNED16, UNSIGNED32 ulTotalLength,
                        UNSIGNED32 ulOffset, const void* pvBuf, UNSIGNED32 ulLen) {
  return Call([&] {
    if (std::uint64_t(ulOffset) + ulLen > ulTotalLength) Fail(E_BAD_VALUE, "binary piece");
    THandled* O = FindHandle(hObj);
    std::string Piece(static_cast<const char*>(pvBuf ? pvBuf : ""), pvBuf ? ulLen : 0);
    if (O && O->Kind() == THandleKind::Statement)
      return static_cast<TStatement*>(O)->SetParam(usFld, Piece);
    TCursor& C = CursorOf(hObj);
    std::string Value = ulOffset == 0 ? std::string() : C.BlobValue(usFld);
    Value.resize(ulTotalLength);
    std::memcpy(Value.data() + ulOffset, Piece.data(), Piece.size());
    C.SetBlob(usFld, std::move(Value));
  });
}

UNSIGNED32 OakGetRecordCRC(OAKHANDLE hTable, UNSIGNED32* pulCRC, UNSIGNED32) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    std::vector<std::uint8_t> Disk(C.Table().RecordLength());
    C.Consistently([&] {
      C.Sync();
      C.Table().ReadRecord(C.RecNo(), Disk.data());
    });
    Out(pulCRC) = Crc32(Disk.data(), Disk.size());
  });
}

}  // extern "C"
