// TOakDataSet: record buffers, fetching records from the engine, and the
// class library's navigation steps.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "data/oak/oakdata.h"
#include "platform/engine/bookmark.h"
#include "platform/rtl/byteorder.h"

TRecordBuffer TOakDataSet::AllocRecordBuffer() {
  auto* Buffer =
      static_cast<TRecordBuffer>(std::calloc(1, static_cast<std::size_t>(FRecordBufferSize)));
  auto** Caches = reinterpret_cast<TOakBlobCache**>(Buffer + FBlobOffset);
  for (std::size_t I = 0; I < FBlobFieldNos.size(); ++I) Caches[I] = new TOakBlobCache();
  new (RecInfo(Buffer)) TOakRecInfo();
  return Buffer;
}

void TOakDataSet::FreeRecordBuffer(TRecordBuffer& Buffer) {
  if (!Buffer) return;
  auto** Caches = reinterpret_cast<TOakBlobCache**>(Buffer + FBlobOffset);
  for (std::size_t I = 0; I < FBlobFieldNos.size(); ++I) delete Caches[I];
  std::free(Buffer);
  Buffer = nullptr;
}

void TOakDataSet::GetBookmarkData(TRecordBuffer Buffer, void* Data) const {
  std::memcpy(Data, BookmarkPtr(Buffer), FBookmarkLength);
}

void TOakDataSet::SetBookmarkData(TRecordBuffer Buffer, const void* Data) {
  std::memcpy(BookmarkPtr(Buffer), Data, FBookmarkLength);
}

TBookmarkFlag TOakDataSet::GetBookmarkFlag(TRecordBuffer Buffer) const {
  return RecInfo(Buffer)->BookmarkFlag;
}

void TOakDataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {
  RecInfo(Buffer)->BookmarkFlag = Value;
}

void TOakDataSet::ClearCalcFields(TRecordBuffer Buffer) {
  std::memset(CalcArea(Buffer), 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TOakDataSet::ResetRecordInfo(TRecordBuffer Buffer) {
  TOakRecInfo* Info = RecInfo(Buffer);
  Info->RecordNumber = -1;
  Info->BookmarkFlag = bfCurrent;
  Info->Inserted = false;
  ClearCalcFields(Buffer);
}

// ---- Fetching ---------------------------------------------------------------------

void TOakDataSet::ReadEngineRecord(TRecordBuffer Buffer) {
  // One engine step of 0 gives the record, its number (the bookmark) and
  // whether blob values are pending. Without a current record (or should
  // the step fail) the separate calls below raise what they raise.
  UNSIGNED32 StepLen = FRawRecordLength, RecNo = 0;
  UNSIGNED16 State = 0;
  if (OakSkipAndRead(FTableHandle, 0, Buffer, &StepLen, &RecNo, &State) == OAK_SUCCESS && RecNo != 0) {
    StoreBookmark(Buffer, RecNo);
    CompleteEngineRecord(Buffer, (State & OAK_STEP_PENDING_BLOBS) == 0);
    return;
  }
  UNSIGNED32 Len = FRawRecordLength;
  RaiseOakError(this, OakGetRecord(FTableHandle, Buffer, &Len));
  UNSIGNED32 BmLen = FBookmarkLength;
  RaiseOakError(this, OakGetBookmark60(HasActiveIndex() ? FOrderHandle : FTableHandle,
                                       BookmarkPtr(Buffer), &BmLen));
  CompleteEngineRecord(Buffer, false);
}

void TOakDataSet::CompleteEngineRecord(TRecordBuffer Buffer, bool BlobRefsTell) {
  for (auto& D : FOCEFieldDefs) {
    if (!D.IsBlob()) continue;
    UNSIGNED16 Empty = 1;
    if (BlobRefsTell) {
      Empty = LoadLE32(Buffer + D.Offset) == 0;
    } else {
      RaiseOakError(this, OakIsEmpty(FTableHandle, D.FieldNo, &Empty));
    }
    StoreLE32(Buffer + D.Offset, Empty ? 0 : 0xFFFFFFFFu);
  }
  auto** Caches = reinterpret_cast<TOakBlobCache**>(Buffer + FBlobOffset);
  for (std::size_t I = 0; I < FBlobFieldNos.size(); ++I) Caches[I]->Reset();
  if (FOptions->OakCharType() != OEM) return;
  // The engine translates OEM characters when the field is read through it;
  // the byte after the field is kept.
  for (auto& D : FOCEFieldDefs) {
    if (!D.IsCharacter()) continue;
    Byte Kept = D.Offset + D.Length < FRawRecordLength ? Buffer[D.Offset + D.Length] : 0;
    UNSIGNED32 FLen = D.Length + 1;
    std::vector<Byte> Tmp(FLen + 1, 0);
    RaiseOakError(this, OakGetField(FTableHandle, D.FieldNo, Tmp.data(), &FLen, OAK_ANSI_BYTES));
    std::memcpy(Buffer + D.Offset, Tmp.data(), std::min<UNSIGNED32>(FLen, D.Length));
    if (D.Offset + D.Length < FRawRecordLength) Buffer[D.Offset + D.Length] = Kept;
  }
}

void TOakDataSet::StoreBookmark(TRecordBuffer Buffer, UNSIGNED32 RecNo) {
  if (FBookmarkLength >= OAK_BOOKMARK_LENGTH) WriteOakBookmark(BookmarkPtr(Buffer), RecNo);
}

TGetResult TOakDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
  if (FTableHandle == OAK_INVALID_HANDLE || State() == dsInsert) return grError;
  try {
    // One engine call per step: the move, the flags, the record and its
    // number (the bookmark).
    SIGNED32 Step = GetMode == gmNext ? 1 : GetMode == gmPrior ? -1 : 0;
    UNSIGNED32 RecNo = 0;
    for (;;) {
      UNSIGNED32 Len = FRawRecordLength;
      UNSIGNED16 State = 0;
      if (Step == 0 && FStepAhead.Valid) {
        // ResyncAfterMove asked the engine already, a moment ago.
        FStepAhead.Valid = false;
        std::memcpy(Buffer, FStepAhead.Record.data(), FRawRecordLength);
        RecNo = FStepAhead.RecNo;
        State = FStepAhead.State;
      } else {
        RaiseOakError(this, OakSkipAndRead(FOrderHandle, Step, Buffer, &Len, &RecNo, &State));
      }
      Step = GetMode == gmPrior ? -1 : 1;
      if (State & OAK_STEP_EOF) return grEOF;
      if (State & OAK_STEP_BOF) return grBOF;
      bool Accept = RecNo != 0 && (State & OAK_STEP_VISIBLE) != 0;
      if (Accept) {
        StoreBookmark(Buffer, RecNo);
        CompleteEngineRecord(Buffer, (State & OAK_STEP_PENDING_BLOBS) == 0);
        bool Before = FOptions->OakCalcFieldsBeforeFilter();
        if (Before) GetCalcFields(Buffer);
        if (Filtered() && OnFilterRecord()) Accept = DoFilterRecord(Buffer);
        if (Accept && !Before) GetCalcFields(Buffer);
      }
      if (Accept) break;
    }
    TOakRecInfo* Info = RecInfo(Buffer);
    Info->RecordNumber = HasActiveIndex() && FSequenced ? ReadRecordNumber() : static_cast<Integer>(RecNo);
    Info->BookmarkFlag = bfCurrent;
    Info->Inserted = false;
    return grOK;
  } catch (...) {
    if (DoCheck) throw;
    return grError;
  }
}

// ---- Moving ----------------------------------------------------------------------

void TOakDataSet::InternalFirst() { RaiseOakError(this, OakGotoBOF(FOrderHandle)); }

void TOakDataSet::InternalLast() {
  RaiseOakError(this, OakGotoBottom(FOrderHandle));
  RaiseOakError(this, OakSkip(FOrderHandle, 1));
}

void TOakDataSet::InternalGotoBookmark(const void* Bookmark) {
  if (State() == dsInsert) return;
  UNSIGNED32 Code = OakGotoBookmark(FTableHandle, Bookmark, FBookmarkLength);
  if (Code != OAK_INVALID_BOOKMARK) RaiseOakError(this, Code);
}

void TOakDataSet::InternalSetToRecord(TRecordBuffer Buffer) {
  InternalGotoBookmark(BookmarkPtr(Buffer));
}

void TOakDataSet::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
  (void)Append;
  if (Buffer != ActiveBuffer())
    OakDatabaseError(this, OAK_ERR_STATE, "Unexpected error in InternalAddRecord.");
  InternalPost();
}

void TOakDataSet::InternalRefresh() {
  UNSIGNED32 Code = OakRefreshRecord(FTableHandle);
  if (Code != OAK_NO_CURRENT_RECORD) RaiseOakError(this, Code);
}

// ---- Bookmarks ---------------------------------------------------------------------

bool TOakDataSet::BookmarkValid(const TBookmark& Bookmark) {
  if (FTableHandle == OAK_INVALID_HANDLE || Bookmark.size() < FBookmarkLength) return false;
  bool Valid = OakGotoBookmark(FTableHandle, Bookmark.data(), FBookmarkLength) == OAK_SUCCESS;
  if (Valid) {
    UNSIGNED16 Deleted = 0, Eof = 0;
    Valid = OakIsRecordDeleted(FTableHandle, &Deleted) == OAK_SUCCESS && !Deleted &&
            OakAtEOF(FTableHandle, &Eof) == OAK_SUCCESS && !Eof;
  }
  CursorPosChanged();
  UpdateCursorPos();
  return Valid;
}

Integer TOakDataSet::CompareBookmarks(const TBookmark& A, const TBookmark& B) {
  if (A.empty() || B.empty()) return A.empty() && B.empty() ? 0 : A.empty() ? -1 : 1;
  SIGNED32 R = 0;
  RaiseOakError(this, OakCompareBookmarks(A.data(), B.data(), &R));
  return R < 0 ? -1 : R > 0 ? 1 : 0;
}

bool TOakDataSet::GetCurrentRecord(TRecordBuffer Buffer) {
  if (IsEmpty() || CurrentRecord() != ActiveRecord()) return false;
  std::memcpy(Buffer, ActiveBuffer(), FRawRecordLength);
  return true;
}

// ---- Record numbers and counts --------------------------------------------------------

Integer TOakDataSet::ReadRecordNumber() {
  if (HasActiveIndex() && FSequenced) {
    if (FSequencedLevel == slExact) {
      UNSIGNED32 N = 0;
      RaiseOakError(this, OakGetKeyNum(FOrderHandle, OAK_RESPECTFILTERS, &N));
      return static_cast<Integer>(N);
    }
    UNSIGNED32 Count = 0;
    RaiseOakError(this, OakGetRecordCount(FTableHandle, OAK_IGNOREFILTERS, &Count));
    double Pos = 0;
    UNSIGNED32 Code = OakGetRelKeyPos(FOrderHandle, &Pos);
    if (Code == OAK_NO_KEY_POSITION)
      Pos = 0;
    else
      RaiseOakError(this, Code);
    return static_cast<Integer>(std::lround(Count * Pos));
  }
  return static_cast<Integer>(RawRecordNumber());
}

Integer TOakDataSet::GetRecNo() const {
  TRecordBuffer B = IsCalculating() ? OakRecordBuffer() : ActiveBuffer();
  if (!B || !Active() || IsEmpty()) return -1;
  return RecInfo(B)->RecordNumber;
}

void TOakDataSet::SetRecNoValue(Integer Value) {
  CheckBrowseMode();
  DoBeforeScroll();
  if (HasActiveIndex()) {
    UNSIGNED32 Count = 0;
    RaiseOakError(this, OakGetRecordCount(FTableHandle, OAK_IGNOREFILTERS, &Count));
    double Pos = Count == 0 ? 0.0 : std::min(1.0, double(Value) / Count);
    RaiseOakError(this, OakSetRelKeyPos(FOrderHandle, Pos));
  } else if (Filtered()) {
    RaiseOakError(this, OakGotoTop(FTableHandle));
    RaiseOakError(this, OakSkip(FTableHandle, Value - 1));
  } else {
    RaiseOakError(this, OakGotoRecord(FTableHandle, static_cast<UNSIGNED32>(Value)));
  }
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
}

Integer TOakDataSet::GetRecordCount() const {
  if (FTableHandle == OAK_INVALID_HANDLE) return -1;
  auto* Self = const_cast<TOakDataSet*>(this);
  UNSIGNED16 Option = OAK_IGNOREFILTERS;
  if (FOptions->OakFilterOptions() == RESPECT_WHEN_COUNTING)
    Option = OAK_RESPECTFILTERS;
  else if (FOptions->OakScopeOptions() == RESPECT_SCOPES_WHEN_COUNTING)
    Option = OAK_RESPECTSCOPES;
  // Respecting filters counts on the active index, whose condition and
  // scope restrict the rows as well.
  OAKHANDLE Handle = Option == OAK_RESPECTFILTERS && HasActiveIndex() ? FOrderHandle : FTableHandle;
  UNSIGNED32 Count = 0;
  RaiseOakError(Self, OakGetRecordCount(Handle, Option, &Count));
  return static_cast<Integer>(Count);
}

// ---- Bringing the buffers in step with the engine ---------------------------------------

void TOakDataSet::ResyncAfterMove() {
  // One engine step of 0 tells where the engine stands and hands over the
  // current record, which Resync's first fetch then takes from FStepAhead.
  UNSIGNED32 Len = FRawRecordLength;
  FStepAhead.Valid =
      OakSkipAndRead(FOrderHandle, 0, StepAheadBuffer(), &Len, &FStepAhead.RecNo, &FStepAhead.State) == OAK_SUCCESS;
  ResyncAfterStep();
}

UNSIGNED8* TOakDataSet::StepAheadBuffer() {
  FStepAhead.Valid = false;
  FStepAhead.Record.resize(FRawRecordLength);
  return FStepAhead.Record.data();
}

void TOakDataSet::ResyncAfterStep() {
  // Without the engine's report the flags are asked for one by one and
  // Resync asks the engine itself.
  UNSIGNED16 Eof = 0, Bof = 0;
  struct TForget {
    TStepAhead& Ahead;
    ~TForget() { Ahead.Valid = false; }
  } Forget{FStepAhead};
  if (FStepAhead.Valid) {
    Eof = (FStepAhead.State & OAK_STEP_EOF) != 0;
    Bof = (FStepAhead.State & OAK_STEP_BOF) != 0;
    if (Eof || Bof) FStepAhead.Valid = false;
  } else {
    CheckOakResult(this, OakAtEOF(FTableHandle, &Eof));
    CheckOakResult(this, OakAtBOF(FTableHandle, &Bof));
  }
  CursorPosChanged();
  if (Bof)
    First();
  else if (Eof)
    Last();
  else
    Resync(TResyncMode{});
}

void TOakDataSet::PositionOnCurrentRecord() {
  UpdateCursorPos();
  if (IsCalculating()) return;
  UNSIGNED32 Mark = 0;
  RaiseOakError(this, OakGetBookmark(FTableHandle, &Mark));
  UNSIGNED32 Code = OakGotoRecord(FTableHandle, BufferRecordNumber(ActiveBuffer()));
  if (Code != OAK_SUCCESS) {
    UNSIGNED16 Bof = 0, Eof = 0;
    OakAtBOF(FTableHandle, &Bof);
    OakAtEOF(FTableHandle, &Eof);
    if (!(Bof && Eof)) RaiseOakError(this, Code);
  }
  CursorPosChanged();
}
