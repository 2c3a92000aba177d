// TOakDataSet: posting an edit or insert to the engine.
//
// Only fields assigned since the edit began are handed to the engine, from
// the last field to the first; blob values go through their caches. A post
// that fails leaves the buffer as it is, so that it can be repeated: an
// insert already appended is not appended again.
#include <cstring>
#include <vector>

#include "data/oak/oakdata.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/charset.h"

namespace {

// The bytes of a character column up to its first zero byte.
std::string CharacterBytes(const TOCEFieldDef& Def, const Byte* Raw) {
  UNSIGNED32 N = 0;
  while (N < Def.Length && Raw[N] != 0) ++N;
  return std::string(reinterpret_cast<const char*>(Raw), N);
}

bool OnlyBlanks(const std::string& S) {
  return S.find_first_not_of(' ') == std::string::npos;
}

// Hands the modified fields of Raw to the engine's current record.
void WriteModifiedFields(TOakDataSet* DataSet, OAKHANDLE Table, const Byte* Raw) {
  UNSIGNED16 Count = 0;
  RaiseOakError(DataSet, OakGetNumFields(Table, &Count));
  TOCEFieldDefs& Defs = DataSet->OCEFieldDefs();
  for (Integer I = std::min<Integer>(Count, static_cast<Integer>(Defs.size())) - 1; I >= 0; --I) {
    const TOCEFieldDef& D = Defs[I];
    if (!D.Modified || D.IsBlob() || D.FieldType == OAK_AUTOINC) continue;
    const Byte* Value = Raw + D.Offset;
    if (D.IsCharacter()) {
      std::string Bytes = CharacterBytes(D, Value);
      if (OnlyBlanks(Bytes)) {
        RaiseOakError(DataSet, OakSetEmpty(Table, D.FieldNo));
      } else {
        String Text = AnsiToUtf8(Bytes);
        RaiseOakError(DataSet, OakSetField(Table, D.FieldNo, Text.data(),
                                           static_cast<UNSIGNED32>(Text.size())));
      }
    } else {
      RaiseOakError(DataSet, OakSetFieldRaw(Table, D.FieldNo, Value, D.Length));
    }
  }
}

// Writes the changed blob values of Buffer through their caches and sets
// their markers in the raw record; Written receives each cache written.
void FlushBlobCaches(TOakDataSet* DataSet, TRecordBuffer Buffer, OAKHANDLE Table,
                     UNSIGNED32 RecNo, std::vector<TOakBlobCache*>& Written) {
  for (TField* Field : DataSet->Fields().Items()) {
    if (Field->FieldKind() != fkData || !Field->IsBlob()) continue;
    TOakBlobCache* Cache = DataSet->BlobCache(Buffer, Field);
    TOCEFieldDef* Def = DataSet->OCEFieldDef(Field);
    if (!Cache || !Def || !Cache->Modified) continue;
    StoreLE32(Buffer + Def->Offset, Cache->Size() > 0 ? 0xFFFFFFFFu : 0);
    // A value made for a new record was never loaded from the engine.
    Cache->TableHandle = Table;
    Cache->FieldNumber = Def->FieldNo;
    Cache->RecordNumber = RecNo;
    Written.push_back(Cache);
    Cache->Flush();
  }
}

}  // namespace

void TOakDataSet::InternalPost() {
  TDataSet::InternalPost();
  TDataSetState S = State();
  if (S != dsEdit && S != dsInsert) return;
  TRecordBuffer Buffer = ActiveBuffer();
  UNSIGNED32 N = BufferRecordNumber(Buffer);
  bool Optimistic = !FExclusive && FOptions->OakRecordLockingMode() == lmOptimistic;
  bool LockedHere = false;
  std::vector<TOakBlobCache*> Flushed;
  // The engine's number of its current record, kept in the buffer's bookmark.
  auto StoreRecordNumber = [&] {
    UNSIGNED32 Num = 0;
    RaiseOakError(this, OakGetRecordNum(FTableHandle, OAK_IGNOREFILTERS, &Num));
    StoreBookmark(Buffer, Num);
    return Num;
  };
  try {
    if (S == dsEdit) {
      RaiseOakError(this, OakGotoRecord(FTableHandle, N));
      if (Optimistic) {
        RaiseOakError(this, OakLockRecord(FTableHandle, 0));
        LockedHere = true;
        UNSIGNED32 Now = 0;
        RaiseOakError(this, OakGetRecordCRC(FTableHandle, &Now, 0));
        if (Now != FRecordCRC)
          RaiseOakLayerError(this, OAK_ERR_CHANGED, "Record was changed by another user.");
      }
    } else if (!RecInfo(Buffer)->Inserted) {
      RaiseOakError(this, OakAppendRecord(FTableHandle));
      RecInfo(Buffer)->Inserted = true;
      N = StoreRecordNumber();
    }
    WriteModifiedFields(this, FTableHandle, Buffer);
    FlushBlobCaches(this, Buffer, FTableHandle, N, Flushed);
    RaiseOakError(this, OakWriteRecord(FTableHandle));
  } catch (...) {
    // An edit's changes are dropped in the engine (the buffer and the blob
    // caches keep them for a second post); a pending append stays for the
    // next try.
    for (TOakBlobCache* Cache : Flushed) Cache->Modified = true;
    if (S == dsEdit) OakCancelUpdate(FTableHandle);
    if (LockedHere) OakUnlockRecord(FTableHandle, N);
    throw;
  }
  if (S == dsInsert) StoreRecordNumber();
  if (S == dsEdit && !FExclusive) RaiseOakError(this, OakUnlockRecord(FTableHandle, N));
}
