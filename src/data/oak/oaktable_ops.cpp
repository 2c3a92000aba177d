// TOakExtendedTable: seek, index creation and deletion, delete and recall
// of a record, go to top, skip, pack, zap and reindex.
//
// Each operation works on the handles of the open table and then brings
// the dataset's buffers in step with wherever the engine stands.
#include "data/oak/oakfunc.h"
#include "platform/rtl/charset.h"

namespace {
// Longest seek key, in characters.
constexpr Integer MaxSeekKey = 4082;
// Longest names and expressions CreateIndex and DeleteIndex pass on.
constexpr Integer MaxIndexFileName = 260;
constexpr Integer MaxTagName = 128;
constexpr Integer MaxIndexExpression = 510;
}  // namespace

UNSIGNED32 OakIndexOptionBits(TOakIndexOptions Options) {
  UNSIGNED32 Bits = 0;
  if (Options.Contains(ioCompound)) Bits |= OAK_COMPOUND;
  if (Options.Contains(ioUnique)) Bits |= OAK_UNIQUE;
  if (Options.Contains(ioDescending)) Bits |= OAK_DESCENDING;
  if (Options.Contains(ioCustom)) Bits |= OAK_CUSTOM;
  if (Options.Contains(ioUserDefined)) Bits |= OAK_USER_DEFINED;
  return Bits;
}

// ---- Seek -------------------------------------------------------------------------

bool TOakExtendedTable::Seek(const String& Key, bool Flag) {
  CheckBrowseMode();
  UNSIGNED16 SeekType = Flag ? OAK_HARDSEEK : OAK_SOFTSEEK;
  // A key of no more bytes than the limit has no more characters either:
  // it goes as it is, without a copy.
  const bool Short = Key.size() <= static_cast<std::size_t>(MaxSeekKey);
  const String Cut = Short ? String() : Copy(Key, 1, MaxSeekKey);
  const String& Buffer = Short ? Key : Cut;
  UNSIGNED16 Found = 0;
  // Without an active index the seek handle is invalid and the engine
  // refuses, rather than seeking in record order. The engine reports where
  // the seek left it in the same call.
  UNSIGNED32 Len = FRawRecordLength;
  UNSIGNED8* Record = StepAheadBuffer();
  FStepAhead.State = 0;
  CheckOakResult(this, OakSeekAndRead(SeekHandle(), Buffer.c_str(), static_cast<UNSIGNED16>(Buffer.size()),
                                      OAK_STRINGKEY, SeekType, &Found, Record, &Len, &FStepAhead.RecNo,
                                      &FStepAhead.State));
  FStepAhead.Valid = (FStepAhead.State & OAK_STEP_READ) != 0;
  ResyncAfterStep();
  return Found != 0;
}

// ---- Indexes ------------------------------------------------------------------------

void TOakExtendedTable::CreateIndex(const String& FileName, const String& Tag,
                                    const String& Expression, const String& Condition,
                                    const String& WhileExpr, TOakIndexOptions Options) {
  OAKHANDLE Index = OAK_INVALID_HANDLE;
  CheckOakResult(this, OakCreateIndex61(FTableHandle, Copy(FileName, 1, MaxIndexFileName).c_str(),
                                        Copy(Tag, 1, MaxTagName).c_str(),
                                        Copy(Expression, 1, MaxIndexExpression).c_str(),
                                        Copy(Condition, 1, MaxIndexExpression).c_str(),
                                        Copy(WhileExpr, 1, MaxIndexExpression).c_str(),
                                        OakIndexOptionBits(Options),
                                        OakTableOptions()->OakIndexPageSize(), &Index));
  DataEvent(dePropertyChange, 0);
}

void TOakExtendedTable::DeleteIndex(const String& Tag) {
  OAKHANDLE Index = OAK_INVALID_HANDLE;
  CheckOakResult(this, OakGetIndexHandle(FTableHandle, Copy(Tag, 1, MaxTagName).c_str(), &Index));
  CheckOakResult(this, OakDeleteIndex(Index));
  DataEvent(dePropertyChange, 0);
}

// ---- Records ------------------------------------------------------------------------

void TOakExtendedTable::DeleteRecord() {
  CheckBrowseMode();
  PositionOnCurrentRecord();
  CheckOakResult(this, OakDeleteRecord(FTableHandle));
  ResyncAfterMove();
}

void TOakExtendedTable::RecallRecord() {
  CheckBrowseMode();
  PositionOnCurrentRecord();
  CheckOakResult(this, OakRecallRecord(FTableHandle));
  ResyncAfterMove();
}

bool TOakExtendedTable::IsRecordDeleted(Integer RecNo) {
  PositionOnCurrentRecord();
  if (RecNo != 0) CheckOakResult(this, OakGotoRecord(FTableHandle, static_cast<UNSIGNED32>(RecNo)));
  UNSIGNED16 Deleted = 0;
  CheckOakResult(this, OakIsRecordDeleted(FTableHandle, &Deleted));
  return Deleted != 0;
}

// ---- Moving -------------------------------------------------------------------------

void TOakExtendedTable::GotoTop() {
  CheckBrowseMode();
  CheckOakResult(this, OakGotoTop(FOrderHandle));
  ResyncAfterMove();
}

void TOakExtendedTable::Skip(Integer N) {
  CheckBrowseMode();
  PositionOnCurrentRecord();
  CheckOakResult(this, OakSkip(FOrderHandle, N));
  ResyncAfterMove();
}

// ---- Maintenance ----------------------------------------------------------------------

void TOakExtendedTable::PackTable() {
  CheckBrowseMode();
  CheckOakResult(this, OakPackTable(FTableHandle));
  GotoTop();
}

void TOakExtendedTable::ZapTable() {
  CheckBrowseMode();
  CheckOakResult(this, OakZapTable(FTableHandle));
  GotoTop();
}

void TOakExtendedTable::Reindex() {
  CheckBrowseMode();
  CheckOakResult(this, OakReindex61(FTableHandle, OakTableOptions()->OakIndexPageSize()));
  ResyncAfterMove();
}
