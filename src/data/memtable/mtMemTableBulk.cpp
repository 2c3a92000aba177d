// TmtCustomMemTable: storing the rows of a load without a full Append and
// Post for each.
#include "data/memtable/mtMemTable.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <typeinfo>

#include "platform/db/fieldkinds.h"
#include "platform/rtl/charset.h"

bool TmtCustomMemTable::CanBulkLoad() const {
  if (!Active() || State() != dsBrowse) return false;
  if (BeforeInsert || AfterInsert || OnNewRecord || BeforePost || AfterPost || OnPostError || BeforeCancel ||
      AfterCancel || BeforeScroll || AfterScroll || OnCalcFields)
    return false;
  if (FMasterLink->Active()) return false;
  for (TField* F : Fields().Items())
    if (F->FieldKind() != fkData || !F->DefaultExpression().empty()) return false;
  for (TmtCustomMemTable* T : FCommon->AttachedTables())
    if (T && T != this && T->Active()) return false;
  return true;
}

bool TmtCustomMemTable::BulkMayDeferIndexes() const {
  if (OnProgress || OnLoadRecord || OnLoadField) return false;
  for (TField* F : Fields().Items())
    if (F->OnValidate || F->OnChange) return false;
  for (TmtCustomMemTable* T : FCommon->AttachedTables()) {
    if (!T || !T->Active()) continue;
    for (Integer I = 1; I < T->Indexes().Count(); ++I) {
      TmtIndex* X = T->Indexes().Items(I);
      if (X->IsOrdered() && X->IsMaintained()) return false;  // keeps its keys, checks uniqueness per row
    }
  }
  return true;
}

void TmtCustomMemTable::BeginBulkLoad(bool CallerQuiet) {
  FBulkPending.clear();
  FBulkSlots.clear();
  FBulkDeferIndexes = CallerQuiet && BulkMayDeferIndexes();
  Append();
}

void TmtCustomMemTable::BulkNewRow() {
  TRecordBuffer B = ActiveBuffer();
  InitRecord(B);
  SetBookmarkFlag(B, bfEOF);
}

void TmtCustomMemTable::BulkPostRow() {
  UpdateRecord();
  CheckRequiredFields();
  TmtCommonLock Lock(*FCommon);
  PostInsert(ActiveBuffer(), true, FBulkDeferIndexes ? &FBulkPending : nullptr);
}

void TmtCustomMemTable::EndBulkLoad() {
  if (FBulkDeferIndexes && !FBulkPending.empty()) {
    TmtCommonLock Lock(*FCommon);
    FCommon->IndexesAppend(FBulkPending);
    FRecNo = PositionOf(FBulkPending.back());  // where the last row's post leaves it
  }
  FBulkDeferIndexes = false;
  std::vector<TmtRecord*>().swap(FBulkPending);
  Cancel();
}

namespace {

// Text as a decimal number of the 32-bit range (no blanks, at most ten
// digits after an optional minus sign).
bool PlainInteger(std::string_view Text, std::int32_t& Value) {
  const std::size_t Sign = !Text.empty() && Text[0] == '-' ? 1 : 0;
  const std::size_t Digits = Text.size() - Sign;
  if (Digits == 0 || Digits > 10) return false;
  std::int64_t N = 0;
  for (std::size_t I = Sign; I < Text.size(); ++I) {
    const unsigned D = static_cast<unsigned char>(Text[I]) - '0';
    if (D > 9) return false;
    N = N * 10 + D;
  }
  if (Sign) N = -N;
  if (N < INT32_MIN || N > INT32_MAX) return false;
  Value = static_cast<std::int32_t>(N);
  return true;
}

}  // namespace

TmtCustomMemTable::TBulkSlot TmtCustomMemTable::BulkSlot(TField* Field) const {
  TBulkSlot S;
  S.Kind = TBulkSlot::bkThroughField;
  // Only the plain field of the kind: a subclass may store its value otherwise.
  const std::type_info& Kind = typeid(*Field);
  const bool IsString = Kind == typeid(TStringField);
  if ((!IsString && Kind != typeid(TIntegerField)) || Field->FieldKind() != fkData || Field->OnValidate ||
      Field->OnChange || !ControlsDisabled() || State() != dsInsert || FOverrideRecord)
    return S;
  const TmtFieldLayout* L = FCommon->FieldLayout(Field->FieldNo());
  if (!L || L->Offset < 0) return S;
  S.Offset = L->Offset;
  if (IsString) {
    S.Kind = TBulkSlot::bkString;
    S.Room = static_cast<std::size_t>(std::min(L->ValueSize, Field->DataSize()));
    S.Limit = std::min(static_cast<std::size_t>(Field->DataSize()) - 1, S.Room);  // as StoredLength, within Room
    S.Chars = Field->Size();
    return S;
  }
  const auto* F = static_cast<TIntegerField*>(Field);
  if (L->ValueSize >= 4 && F->MinValue() == 0 && F->MaxValue() == 0) S.Kind = TBulkSlot::bkInteger;
  return S;
}

TmtCustomMemTable::TBulkSlot TmtCustomMemTable::BulkSlotOf(TField* Field) {
  const Integer No = Field->FieldNo();
  if (!FBulkDeferIndexes || No < 1) return BulkSlot(Field);
  if (FBulkSlots.size() < static_cast<std::size_t>(No)) FBulkSlots.resize(static_cast<std::size_t>(No));
  TBulkSlot& S = FBulkSlots[static_cast<std::size_t>(No - 1)];
  if (S.Kind == TBulkSlot::bkUnknown) S = BulkSlot(Field);
  return S;
}

bool TmtCustomMemTable::BulkStoreInteger(TField* Field, std::string_view Text) {
  const TBulkSlot S = BulkSlotOf(Field);
  std::int32_t Value = 0;
  if (S.Kind != TBulkSlot::bkInteger || !PlainInteger(Text, Value)) return false;
  Byte* Data = FieldAccessData();
  std::memcpy(Data + S.Offset + 1, &Value, 4);
  Data[S.Offset] = 2;
  SetModified(true);
  return true;
}

bool TmtCustomMemTable::BulkStoreString(TField* Field, std::string_view Text, bool IsNull) {
  const TBulkSlot S = BulkSlotOf(Field);
  if (S.Kind != TBulkSlot::bkString) return false;
  Byte* Data = FieldAccessData();
  // The bytes AsString gives the buffer: up to Size characters, cut at a
  // character boundary, the rest of the value zero; a null value all zero.
  Byte* Value = Data + S.Offset + 1;
  std::size_t N = 0;
  if (!IsNull) {
    N = std::min(Utf8ByteOffset(Text, S.Chars), S.Limit);
    std::memcpy(Value, Text.data(), N);
  }
  // A null value's bytes are all zero (the row starts cleared, and a value
  // made null is cleared): only a value stored before needs its rest cleared.
  if (Data[S.Offset] != 0) std::memset(Value + N, 0, S.Room - N);
  Data[S.Offset] = IsNull ? 0 : 2;
  SetModified(true);
  return true;
}
