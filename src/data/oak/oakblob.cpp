// Blob fields of the table dataset: TOakBlobCache (the value of one blob
// field of one buffered record, loaded from and flushed to the engine),
// TOakBlobStream (the stream CreateBlobStream returns) and
// TOakDataSet::CreateBlobStream.
#include <algorithm>

#include "data/oak/oakdata.h"

namespace {

// The most a blob value's first read takes before the engine confirms a
// longer value.
constexpr UNSIGNED32 kFirstBlobRead = 1 << 20;

// Whether the engine keeps the field's value as text (memo of text type,
// variable character) rather than bytes.
bool IsTextBlob(TOakDataSet* D, OAKHANDLE Table, UNSIGNED16 Field) {
  UNSIGNED16 Type = 0;
  RaiseOakError(D, OakGetFieldType(Table, Field, &Type));
  if (Type == OAK_VARCHAR) return true;
  if (Type != OAK_MEMO) return false;
  UNSIGNED16 MemoType = 0;
  RaiseOakError(D, OakGetMemoDataType(Table, Field, &MemoType));
  return MemoType == OAK_MEMO_TEXT;
}

// Raises 5121 unless the engine field is a memo, binary, image or
// variable character column.
void CheckBlobField(TOakDataSet* D, UNSIGNED16 Field) {
  UNSIGNED16 Type = 0;
  RaiseOakError(D, OakGetFieldType(D->TableHandle(), Field, &Type));
  if (Type < OAK_MEMO || Type > OAK_VARCHAR)
    OakDatabaseError(D, OAK_ERR_STATE, "Invalid blob open on non-blob field.");
}

bool CanHoldCache(TDataSetState S) {
  return S == dsBrowse || S == dsEdit || S == dsInsert || S == dsCalcFields ||
         S == dsInternalCalc || S == dsFilter;
}

}  // namespace

// ---- The cache ----------------------------------------------------------------------

void TOakBlobCache::Load(TOakDataSet* DataSet, OAKHANDLE ATable, UNSIGNED16 AField, bool Force,
                         UNSIGNED32 ARecord) {
  if (!Force && TableHandle == ATable && RecordNumber == ARecord && FieldNumber == AField) {
    Seek(0, soBeginning);
    return;
  }
  Clear();
  TableHandle = ATable;
  RecordNumber = ARecord;
  FieldNumber = AField;
  Modified = false;
  if (ARecord == 0) return;
  UNSIGNED32 Current = 0;
  RaiseOakError(DataSet, OakGetRecordNum(ATable, OAK_IGNOREFILTERS, &Current));
  const bool Moved = Current != ARecord;
  // Having moved the engine, the dataset must find its place again (also
  // when a call below fails).
  struct TTell {
    TOakDataSet* D;
    ~TTell() {
      if (D) D->CursorPosChanged();
    }
  } Tell{Moved ? DataSet : nullptr};
  if (Moved) RaiseOakError(DataSet, OakGotoRecord(ATable, ARecord));
  bool Text = IsTextBlob(DataSet, ATable, AField);
  UNSIGNED32 Length = 0;
  UNSIGNED32 Code = Text ? OakGetMemoLength(ATable, AField, &Length)
                         : OakGetBinaryLength(ATable, AField, &Length);
  if (Code == OAK_NO_CURRENT_RECORD) {
    RecordNumber = 0;
    return;
  }
  RaiseOakError(DataSet, Code);
  // The buffer grows by what the engine hands out, not by the length the
  // record claims: a first read of at most kFirstBlobRead bytes, and only
  // a value the engine has read (and found longer) sizes a second one.
  UNSIGNED32 Room = std::min<UNSIGNED32>(Length, kFirstBlobRead);
  if (Text) ++Room;  // room for the engine's terminator
  TMemoryStream::SetSize(Room);
  UNSIGNED32 Got = Room;
  Code = OakGetField(ATable, AField, Memory(), &Got, OAK_NONE);
  if (Code == OAK_BUFFER_TOO_SMALL) {
    Room = Got + (Text ? 1 : 0);
    TMemoryStream::SetSize(Room);
    Got = Room;
    Code = OakGetField(ATable, AField, Memory(), &Got, OAK_NONE);
  }
  RaiseOakError(DataSet, Code);
  if (Got != Room) TMemoryStream::SetSize(Got);
  Seek(0, soBeginning);
  Modified = false;
}

void TOakBlobCache::Truncate() {
  Clear();
  Modified = true;
}

void TOakBlobCache::Flush() {
  if (!Modified) return;
  RaiseOakError(nullptr, OakSetField(TableHandle, FieldNumber, Memory(),
                                     static_cast<UNSIGNED32>(Size())));
  Modified = false;
}

Int64 TOakBlobCache::Write(const void* Buffer, Int64 Count) {
  Modified = true;
  return TMemoryStream::Write(Buffer, Count);
}

void TOakBlobCache::SetSize(Int64 NewSize) {
  Modified = true;
  TMemoryStream::SetSize(NewSize);
}

// ---- The stream -----------------------------------------------------------------------

TOakBlobStream::TOakBlobStream(TBlobField* Field, TBlobStreamMode Mode)
    : FField(Field), FMode(Mode) {
  auto* D = dynamic_cast<TOakDataSet*>(Field->DataSet());
  if (!D || !CanHoldCache(D->State())) return;
  TRecordBuffer Buffer = D->OakRecordBuffer();
  if (!Buffer) return;
  CheckBlobField(D, static_cast<UNSIGNED16>(Field->FieldNo()));
  FCache = D->BlobCache(Buffer, Field);
  if (!FCache) return;
  bool Editing = D->State() == dsEdit || D->State() == dsInsert;
  bool KeepChanges = Editing && Mode == bmReadWrite && FCache->Modified;
  // A record being inserted has no engine record (and no value) until a
  // post appended it.
  bool New = D->State() == dsInsert && !D->RecInfo(Buffer)->Inserted;
  // Only a load that moved the engine makes the dataset find its place
  // again.
  FCache->Load(D, D->TableHandle(), static_cast<UNSIGNED16>(Field->FieldNo()), !KeepChanges,
               New ? 0 : D->BufferRecordNumber(Buffer));
  if (Mode == bmWrite) {
    FCache->Truncate();
    FModified = true;
  }
}

TOakBlobStream::~TOakBlobStream() {
  if (!FModified) return;
  try {
    auto* D = dynamic_cast<TOakDataSet*>(FField->DataSet());
    if (TOCEFieldDef* Def = D ? D->OCEFieldDef(FField) : nullptr) Def->Modified = true;
    FField->DataSet()->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(FField));
  } catch (...) {
    // A destructor must not throw; the value stays in the cache for the
    // post.
  }
}

Int64 TOakBlobStream::Read(void* Buffer, Int64 Count) {
  return FCache ? FCache->Read(Buffer, Count) : 0;
}

Int64 TOakBlobStream::Write(const void* Buffer, Int64 Count) {
  auto* D = dynamic_cast<TOakDataSet*>(FField->DataSet());
  if (FMode == bmRead) OakDatabaseError(D, OAK_ERR_STATE, "Error modifying read only blob.");
  if (!FCache) OakDatabaseError(D, OAK_ERR_STATE, "Cannot write to blob in current state.");
  FModified = true;
  return FCache->Write(Buffer, Count);
}

Int64 TOakBlobStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  return FCache ? FCache->Seek(Offset, Origin) : 0;
}

// ---- The dataset ------------------------------------------------------------------------

std::unique_ptr<TStream> TOakDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  if (Mode != bmRead && State() != dsEdit && State() != dsInsert)
    OakDatabaseError(this, OAK_ERR_STATE,
                     "Table must be in Edit or Insert state to open blob stream in Write Mode.");
  auto* Blob = dynamic_cast<TBlobField*>(Field);
  if (!Blob) {
    // Only blob columns have a stream; the engine's type tells.
    CheckBlobField(this, static_cast<UNSIGNED16>(Field->FieldNo()));
    OakDatabaseError(this, OAK_ERR_STATE, "Invalid blob open on non-blob field.");
  }
  return std::make_unique<TOakBlobStream>(Blob, Mode);
}
