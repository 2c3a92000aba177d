// TmtCustomMemTable: storing the rows of a load without a full Append and
// Post for each.
#include "data/memtable/mtMemTable.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

#include "platform/db/fieldkinds.h"

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

void TmtCustomMemTable::BeginBulkLoad() { Append(); }

void TmtCustomMemTable::BulkNewRow() {
  TRecordBuffer B = ActiveBuffer();
  InitRecord(B);
  SetBookmarkFlag(B, bfEOF);
}

void TmtCustomMemTable::BulkPostRow() {
  UpdateRecord();
  CheckRequiredFields();
  TmtCommonLock Lock(*FCommon);
  PostInsert(ActiveBuffer(), true);
}

void TmtCustomMemTable::EndBulkLoad() { Cancel(); }

bool TmtCustomMemTable::BulkStoreString(TField* Field, const String& Text, bool IsNull) {
  // Only the plain string field: a subclass may store its text otherwise.
  if (typeid(*Field) != typeid(TStringField) || Field->FieldKind() != fkData || Field->OnValidate ||
      Field->OnChange || !ControlsDisabled() || State() != dsInsert || FOverrideRecord)
    return false;
  const TmtFieldLayout* L = FCommon->FieldLayout(Field->FieldNo());
  Byte* Data = FieldAccessData();
  if (!L || L->Offset < 0 || !Data) return false;
  // The bytes AsString gives the buffer: up to Size characters, cut at a
  // character boundary, the rest of the value zero; a null value all zero.
  const std::size_t Room = static_cast<std::size_t>(std::min(L->ValueSize, Field->DataSize()));
  Byte* Value = Data + L->Offset + 1;
  std::size_t N = 0;
  if (!IsNull) {
    N = std::min(static_cast<TStringField*>(Field)->StoredLength(Text), Room);
    std::memcpy(Value, Text.data(), N);
  }
  std::memset(Value + N, 0, Room - N);
  Data[L->Offset] = IsNull ? 0 : 2;
  SetModified(true);
  return true;
}
