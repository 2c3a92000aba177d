// TDataSet: the window of record buffers and the navigation over it.
//
// The window holds BufferCount buffers plus one scratch buffer at the end.
// FRecordCount of them hold records; FActiveRecord is the active one and
// FCurrentRecord the one the storage cursor stands on (-1: unknown). Moving
// past either end of the window fetches a record into the scratch buffer
// and rotates it in, which the data links see as a scroll.
#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/db/datasource.h"

// ---- The buffer window ------------------------------------------------

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
  FCurrentRecord = -1;
  FBOF = true;
  FEOF = true;
}

void TDataSet::ActivateBuffers() {
  FRecordCount = 1;
  FActiveRecord = 0;
  FCurrentRecord = 0;
  FBOF = false;
  FEOF = false;
}

void TDataSet::MoveBuffer(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  TRecordBuffer B = FBuffers[CurIndex];
  if (CurIndex < NewIndex)
    std::move(FBuffers.begin() + CurIndex + 1, FBuffers.begin() + NewIndex + 1,
              FBuffers.begin() + CurIndex);
  else
    std::move_backward(FBuffers.begin() + NewIndex, FBuffers.begin() + CurIndex,
                       FBuffers.begin() + CurIndex + 1);
  FBuffers[NewIndex] = B;
}

void TDataSet::SetCurrentRecord(Integer Index) {
  if (FCurrentRecord == Index) return;
  TRecordBuffer B = FBuffers[Index];
  switch (GetBookmarkFlag(B)) {
    case bfCurrent: case bfInserted: InternalSetToRecord(B); break;
    case bfBOF: InternalFirst(); break;
    case bfEOF: InternalLast(); break;
  }
  FCurrentRecord = Index;
}

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
  TGetMode Mode = gmNext;
  if (FRecordCount > 0) {
    SetCurrentRecord(FRecordCount - 1);
    if (FState == dsInsert && FCurrentRecord == FActiveRecord &&
        GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      Mode = gmCurrent;
  }
  if (GetRecord(FBuffers[FRecordCount], Mode, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount == 0)
    ActivateBuffers();
  else if (FRecordCount < FBufferCount)
    ++FRecordCount;
  else
    MoveBuffer(0, FRecordCount);
  FCurrentRecord = FRecordCount - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (FRecordCount > 0) SetCurrentRecord(0);
  if (GetRecord(FBuffers[FRecordCount], gmPrior, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(FRecordCount, 0);
    if (FRecordCount < FBufferCount) {
      ++FRecordCount;
      ++FActiveRecord;
    }
  }
  FCurrentRecord = 0;
  return true;
}

Integer TDataSet::GetNextRecords() {
  Integer N = 0;
  while (FRecordCount < FBufferCount && GetNextRecord()) ++N;
  return N;
}

Integer TDataSet::GetPriorRecords() {
  Integer N = 0;
  while (FRecordCount < FBufferCount && GetPriorRecord()) ++N;
  return N;
}

void TDataSet::SetBufferCount(Integer Value) {
  if (Value == FBufferCount && static_cast<Integer>(FBuffers.size()) == (Value ? Value + 1 : 0))
    return;
  if (Value < FBufferCount && FRecordCount > 0) {
    // Keep the active record and the links' first records inside the
    // smaller window: drop buffers from the front first.
    Integer Delta = std::max(0, FActiveRecord - (Value - 1));
    for (Integer I = 0; I < Value; ++I) MoveBuffer(I + Delta, I);
    FActiveRecord -= Delta;
    if (FCurrentRecord != -1) FCurrentRecord -= Delta;
    if (FRecordCount > Value) FRecordCount = Value;
    for (TDataSource* S : FDataSources)
      for (TDataLink* L : S->DataLinks())
        if (L->Active()) L->FFirstRecord = std::max(0, L->FFirstRecord - Delta);
    // The buffers past the window no longer hold records of it.
    if (FCurrentRecord >= Value) FCurrentRecord = -1;
  }
  Integer NewSize = Value > 0 ? Value + 1 : 0;
  while (static_cast<Integer>(FBuffers.size()) > NewSize) {
    TRecordBuffer B = FBuffers.back();
    FBuffers.pop_back();
    if (B) FreeRecordBuffer(B);
  }
  while (static_cast<Integer>(FBuffers.size()) < NewSize) FBuffers.push_back(AllocRecordBuffer());
  FBufferCount = Value;
  if (Value > 0 && FInternalOpenComplete) {
    // An empty window (just opened) fills from the cursor's position.
    GetNextRecords();
    Integer Added = GetPriorRecords();
    for (TDataSource* S : FDataSources)
      for (TDataLink* L : S->DataLinks())
        if (L->Active()) L->FFirstRecord += Added;
  }
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  Integer Max = 1;
  for (TDataSource* S : FDataSources)
    for (TDataLink* L : S->DataLinks()) Max = std::max(Max, L->FBufferCount);
  SetBufferCount(Max);
}

void TDataSet::SetActiveRecord(Integer Value) {
  if (Value >= 0 && Value < std::max(FRecordCount, 1)) FActiveRecord = Value;
}

// ---- Navigation -------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  } catch (...) {
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  FBOF = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  } catch (...) {
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  FEOF = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

Integer TDataSet::MoveBy(Integer Distance) {
  CheckBrowseMode();
  Integer Result = 0;
  DoBeforeScroll();
  if ((Distance > 0 && !FEOF) || (Distance < 0 && !FBOF)) {
    FBOF = false;
    FEOF = false;
    Integer ScrollCount = 0;
    try {
      for (; Distance > 0; --Distance, ++Result) {
        if (FActiveRecord < FRecordCount - 1) {
          ++FActiveRecord;
          continue;
        }
        Integer Shift = FRecordCount < FBufferCount ? 0 : 1;
        if (!GetNextRecord()) { FEOF = true; break; }
        ScrollCount -= Shift;
        FActiveRecord = FRecordCount - 1;
      }
      for (; Distance < 0; ++Distance, --Result) {
        if (FActiveRecord > 0) {
          --FActiveRecord;
          continue;
        }
        Integer Shift = FRecordCount < FBufferCount ? 0 : 1;
        if (!GetPriorRecord()) { FBOF = true; break; }
        ScrollCount += Shift;
        FActiveRecord = 0;
      }
    } catch (...) {
      DataEvent(deDataSetScroll, ScrollCount);
      throw;
    }
    DataEvent(deDataSetScroll, ScrollCount);
    DoAfterScroll();
  }
  return Result;
}

void TDataSet::Resync(TResyncMode Mode) {
  if (Mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(FBuffers[FRecordCount], gmCurrent, true) != grOK)
      DatabaseError(SRecordNotFound, this);
  } else if (GetRecord(FBuffers[FRecordCount], gmCurrent, false) != grOK &&
             GetRecord(FBuffers[FRecordCount], gmNext, false) != grOK &&
             GetRecord(FBuffers[FRecordCount], gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  Integer Count = Mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
  MoveBuffer(FRecordCount, 0);
  ActivateBuffers();
  try {
    while (Count > 0 && GetPriorRecord()) --Count;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange, 0);
    throw;
  }
  DataEvent(deDataSetChange, 0);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync(TResyncMode{});
}

