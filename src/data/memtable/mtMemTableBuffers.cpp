// TmtCustomMemTable: record buffers, fetching records through the current
// index, the cursor, record numbers and bookmarks.
#include <cstdlib>
#include <cstring>

#include "data/memtable/mtMemTable.h"

namespace {

// The buffer info follows the record data and the calculated area,
// aligned for its pointer.
size_t InfoOffset(Integer DataSize, Integer CalcSize) {
  size_t Off = static_cast<size_t>(DataSize) + static_cast<size_t>(CalcSize);
  return (Off + alignof(TmtBufferInfo) - 1) / alignof(TmtBufferInfo) * alignof(TmtBufferInfo);
}

}  // namespace

// ---- Buffers ------------------------------------------------------------------

TRecordBuffer TmtCustomMemTable::AllocRecordBuffer() {
  size_t Size = InfoOffset(FCommon->DataSize(), CalcFieldsSize()) + sizeof(TmtBufferInfo);
  auto* B = static_cast<TRecordBuffer>(std::calloc(1, Size));
  if (!B) throw EOutOfMemory("Zu wenig Arbeitsspeicher");
  TmtBufferInfo* I = Info(B);
  I->Record = nullptr;
  I->RecordNo = -1;
  I->RecordID = -1;
  I->UniqueRecordID = -1;
  I->Flag = bfCurrent;
  return B;
}

void TmtCustomMemTable::FreeRecordBuffer(TRecordBuffer& Buffer) {
  if (!Buffer) return;
  FCommon->FreeOutOfRecord(Buffer);
  std::free(Buffer);
  Buffer = nullptr;
}

TmtBufferInfo* TmtCustomMemTable::Info(TRecordBuffer Buffer) const {
  return reinterpret_cast<TmtBufferInfo*>(Buffer + InfoOffset(FCommon->DataSize(), CalcFieldsSize()));
}

Integer TmtCustomMemTable::GetRecordSize() const { return FCommon->DataSize(); }

void TmtCustomMemTable::InternalInitRecord(TRecordBuffer Buffer) {
  FCommon->FreeOutOfRecord(Buffer);
  std::memset(Buffer, 0, static_cast<size_t>(FCommon->DataSize()));
  TmtBufferInfo* I = Info(Buffer);
  I->Record = nullptr;
  I->RecordNo = -1;
  I->RecordID = -1;
  I->UniqueRecordID = -1;
}

void TmtCustomMemTable::ClearCalcFields(TRecordBuffer Buffer) {
  std::memset(CalcArea(Buffer), 0, static_cast<size_t>(CalcFieldsSize()));
}

void TmtCustomMemTable::FillBuffer(TRecordBuffer Buffer, TmtRecord* Record, Integer RecNo) {
  FCommon->CopyRecordData(Record->Data, Buffer);
  TmtBufferInfo* I = Info(Buffer);
  I->Record = Record;
  I->RecordNo = RecNo;
  I->RecordID = Record->RecordID;
  I->UniqueRecordID = Record->UniqueRecordID;
  I->Flag = bfCurrent;
  if (CalcFieldsSize() > 0) {
    if (FRecalcOnFetch)
      GetCalcFields(Buffer);
    else
      ClearCalcFields(Buffer);
  }
}

// ---- Fetching -------------------------------------------------------------------

bool TmtCustomMemTable::RecordPasses(TmtRecord* Record) {
  return !FFilterNeeded || FilterRecord(Record, false);
}

TGetResult TmtCustomMemTable::FetchRecord(TRecordBuffer Buffer, TGetMode GetMode) {
  TmtIndex* X = FCurrentIndex;
  Integer N = X->Count();
  switch (GetMode) {
    case gmCurrent:
      if (FRecNo < 0) return grBOF;
      if (FRecNo >= N) return grEOF;
      if (!RecordPasses(X->Record(FRecNo))) return grError;
      break;
    case gmNext:
      FRecNo = FRecNo < -1 ? 0 : FRecNo + 1;
      while (FRecNo < N && !RecordPasses(X->Record(FRecNo))) ++FRecNo;
      if (FRecNo >= N) {
        FRecNo = N;
        return grEOF;
      }
      break;
    case gmPrior:
      FRecNo = (FRecNo > N ? N : FRecNo) - 1;
      while (FRecNo >= 0 && !RecordPasses(X->Record(FRecNo))) --FRecNo;
      if (FRecNo < 0) {
        FRecNo = -1;
        return grBOF;
      }
      break;
  }
  FillBuffer(Buffer, X->Record(FRecNo), FRecNo);
  return grOK;
}

TGetResult TmtCustomMemTable::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
  (void)DoCheck;
  TmtCommonLock Lock(*FCommon);
  return FetchRecord(Buffer, GetMode);
}

bool TmtCustomMemTable::GetCurrentRecord(TRecordBuffer Buffer) {
  if (IsEmpty() || !ActiveBuffer()) return false;
  UpdateCursorPos();
  TmtCommonLock Lock(*FCommon);
  return FetchRecord(Buffer, gmCurrent) == grOK;
}

// ---- Cursor -------------------------------------------------------------------

void TmtCustomMemTable::InternalFirst() { FRecNo = -1; }

void TmtCustomMemTable::InternalLast() { FRecNo = FCurrentIndex->Count(); }

Integer TmtCustomMemTable::PositionOf(const TmtRecord* Record) const {
  return Record ? FCurrentIndex->IndexOfRecord(Record) : -1;
}

void TmtCustomMemTable::InternalSetToRecord(TRecordBuffer Buffer) {
  TmtBufferInfo* I = Info(Buffer);
  // The buffer may hold a record that is gone (emptied, rolled back): only
  // a record still in its slot is looked up.
  if (!I->Record || FCommon->RecordAt(I->RecordID) != I->Record) return;
  if (I->RecordNo >= 0 && FCurrentIndex->Record(I->RecordNo) == I->Record) {
    FRecNo = I->RecordNo;
    return;
  }
  Integer P = PositionOf(I->Record);
  if (P >= 0) FRecNo = P;
}

Integer TmtCustomMemTable::IndexRecordCount() const { return FCurrentIndex->Count(); }

TmtRecord* TmtCustomMemTable::IndexRecord(Integer Position) const {
  return FCurrentIndex->Record(Position);
}

Integer TmtCustomMemTable::GetRecordCount() const {
  CheckActive();
  if (!FFilterNeeded) return FCurrentIndex->Count();
  auto* Self = const_cast<TmtCustomMemTable*>(this);
  TmtCommonLock Lock(*FCommon);
  Integer N = 0;
  for (Integer I = 0; I < FCurrentIndex->Count(); ++I)
    if (Self->FilterRecord(FCurrentIndex->Record(I), false)) ++N;
  return N;
}

Integer TmtCustomMemTable::GetRecNo() const {
  if (!Active() || IsEmpty() || !ActiveBuffer()) return -1;
  if (State() == dsInsert) return -1;
  const TmtBufferInfo* I = Info(ActiveBuffer());
  if (I->RecordNo < 0) return -1;
  if (!FFilterNeeded) return I->RecordNo + 1;
  // Filtered: the place among the records that pass.
  auto* Self = const_cast<TmtCustomMemTable*>(this);
  TmtCommonLock Lock(*FCommon);
  Integer N = 0;
  for (Integer P = 0; P <= I->RecordNo && P < FCurrentIndex->Count(); ++P)
    if (Self->FilterRecord(FCurrentIndex->Record(P), false)) ++N;
  return N;
}

void TmtCustomMemTable::SetRecNoValue(Integer Value) {
  CheckBrowseMode();
  if (Value < 1 || Value > RecordCount()) return;
  if (FFilterNeeded) {
    Integer Cur = GetRecNo();
    if (Cur > 0) MoveBy(Value - Cur);
    return;
  }
  DoBeforeScroll();
  FRecNo = Value - 1;
  CursorPosChanged();
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
}

bool TmtCustomMemTable::IsSequenced() const { return !Filtered(); }

void TmtCustomMemTable::ResetCursor() {
  if (!Active()) return;
  CursorPosChanged();
  FRecNo = -1;
  First();
}

void TmtCustomMemTable::ResetForEmpty() {
  FIndexes->EmptyAll();
  FRecNo = -1;
  FOverrideRecord = nullptr;
  if (State() == dsEdit || State() == dsInsert) SetState(dsBrowse);
  ClearBuffers();
  DataEvent(deDataSetChange, 0);
}

void TmtCustomMemTable::RefreshFromStorage() {
  if (!Active() || State() != dsBrowse) return;
  if (!IsEmpty() && ActiveBuffer()) InternalSetToRecord(ActiveBuffer());
  CursorPosChanged();
  if (FRecNo >= FCurrentIndex->Count()) FRecNo = FCurrentIndex->Count() - 1;
  Resync(TResyncMode{});
}

void TmtCustomMemTable::GotoRecord(TmtRecord* Record) {
  CheckBrowseMode();
  Integer P = PositionOf(Record);
  if (P < 0) throw Exception(mtSRecordNotFound);
  DoBeforeScroll();
  FRecNo = P;
  CursorPosChanged();
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
}

// ---- Bookmarks ----------------------------------------------------------------

void TmtCustomMemTable::GetBookmarkData(TRecordBuffer Buffer, void* Data) const {
  const TmtBufferInfo* I = Info(Buffer);
  TmtBookmark B{I->Record, I->RecordID, I->UniqueRecordID, FCommon->Generation()};
  std::memcpy(Data, &B, sizeof(B));
}

void TmtCustomMemTable::SetBookmarkData(TRecordBuffer Buffer, const void* Data) {
  TmtBookmark B;
  std::memcpy(&B, Data, sizeof(B));
  TmtBufferInfo* I = Info(Buffer);
  I->Record = B.Record;
  I->RecordID = B.RecordID;
  I->UniqueRecordID = B.UniqueRecordID;
  I->RecordNo = -1;
}

TBookmarkFlag TmtCustomMemTable::GetBookmarkFlag(TRecordBuffer Buffer) const {
  return Info(Buffer)->Flag;
}

void TmtCustomMemTable::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {
  Info(Buffer)->Flag = Value;
}

namespace {

bool ReadBookmark(const TBookmark& Data, TmtBookmark& B) {
  if (Data.size() != sizeof(TmtBookmark)) return false;
  std::memcpy(&B, Data.data(), sizeof(B));
  return true;
}

}  // namespace

bool TmtCustomMemTable::BookmarkValid(const TBookmark& Bookmark) {
  TmtBookmark B;
  if (!ReadBookmark(Bookmark, B) || !B.Record || B.Generation != FCommon->Generation()) return false;
  TmtCommonLock Lock(*FCommon);
  TmtRecord* R = FCommon->RecordAt(B.RecordID);
  return R == B.Record && R->UniqueRecordID == B.UniqueRecordID;
}

void TmtCustomMemTable::InternalGotoBookmark(const void* Bookmark) {
  TmtBookmark B;
  std::memcpy(&B, Bookmark, sizeof(B));
  if (!B.Record) throw EMemTableError(DbFormat(mtSBookmarkNotFound, {"-200"}));
  TBookmark Data(static_cast<const char*>(Bookmark), sizeof(B));
  if (!BookmarkValid(Data))
    throw EMemTableError(DbFormat(mtSBookmarkNotFound, {std::to_string(B.UniqueRecordID)}));
  TmtCommonLock Lock(*FCommon);
  Integer P = PositionOf(B.Record);
  if (P >= 0) FRecNo = P;
}

Integer TmtCustomMemTable::CompareBookmarks(const TBookmark& A, const TBookmark& B) {
  TmtBookmark X, Y;
  if (!ReadBookmark(A, X) || !ReadBookmark(B, Y)) return TDataSet::CompareBookmarks(A, B);
  if (X.Record == Y.Record) return 0;
  auto Sign = [](Int64 V) { return V < 0 ? -1 : (V > 0 ? 1 : 0); };
  if (FCurrentIndex->IsRowOrder() || !BookmarkValid(A) || !BookmarkValid(B))
    return Sign(Int64(X.RecordID) - Int64(Y.RecordID));
  TmtCommonLock Lock(*FCommon);
  TmtCompareFlags Flags;
  Integer R = mtCompareRecords(*FCommon, FCurrentIndex->FieldList(), X.Record->Data, 0,
                               Y.Record->Data, 0, -1, Flags);
  if (R != 0) return R;
  R = Sign(Int64(PositionOf(X.Record)) - Int64(PositionOf(Y.Record)));
  return R != 0 ? R : Sign(Int64(X.RecordID) - Int64(Y.RecordID));
}
