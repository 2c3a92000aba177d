// TOakDataSet: opening and closing the cursor, the engine's field
// descriptions and the record buffer layout.
#include <cstring>

#include "data/oak/oakdata.h"
#include "platform/engine/bookmark.h"
#include "platform/rtl/sysutils.h"

TFieldType OakFieldTypeToFieldType(TOakDataSet* DataSet, UNSIGNED16 OakType, UNSIGNED32 Length,
                                   UNSIGNED16 Decimals, Integer& Size) {
  Size = 0;
  switch (OakType) {
    case OAK_LOGICAL:
      return ftBoolean;
    case OAK_NUMERIC:
      return Decimals == 0 && Length < 5 ? ftSmallint : ftFloat;
    case OAK_DATE:
    case OAK_COMPACTDATE:
      return ftDate;
    case OAK_STRING:
    case OAK_CISTRING:
      Size = static_cast<Integer>(Length);
      return ftString;
    case OAK_MEMO:
    case OAK_VARCHAR:
      Size = 1;
      return ftMemo;
    case OAK_BINARY:
    case OAK_IMAGE:
      Size = 1;
      return ftBlob;
    case OAK_DOUBLE:
      return ftFloat;
    case OAK_INTEGER:
      return ftInteger;
    case OAK_SHORTINT:
      return ftSmallint;
    case OAK_TIME:
      return ftTime;
    case OAK_TIMESTAMP:
      return ftDateTime;
    case OAK_AUTOINC:
      return ftAutoInc;
    case OAK_RAW:
      Size = static_cast<Integer>(Length);
      return ftBytes;
    case OAK_CURDOUBLE:
      return ftCurrency;
    default:
      OakDatabaseError(DataSet, OAK_ERR_STATE,
                       "Unknown field type (" + std::to_string(OakType) + ") encountered.");
  }
}

void TOakDataSet::ReadFieldDescriptions(OAKHANDLE Table, bool Defs) {
  FOCEFieldDefs.clear();
  if (Defs) FieldDefs().Clear();
  UNSIGNED16 Count = 0;
  RaiseOakError(this, OakGetNumFields(Table, &Count));
  for (UNSIGNED16 No = 1; No <= Count; ++No) {
    TOCEFieldDef D;
    D.FieldNo = No;
    RaiseOakError(this, OakGetFieldType(Table, No, &D.FieldType));
    RaiseOakError(this, OakGetFieldLength(Table, No, &D.Length));
    if (D.FieldType == OAK_NUMERIC)
      RaiseOakError(this, OakGetFieldDecimals(Table, No, &D.Decimals));
    char Name[129] = {};
    UNSIGNED16 Len = sizeof(Name);
    RaiseOakError(this, OakGetFieldName(Table, No, Name, &Len));
    D.FieldName = String(Name, std::min<std::size_t>(Len, 128));
    RaiseOakError(this, OakGetFieldOffset(Table, No, &D.Offset));
    RaiseOakError(this, OakGetColumnPermissions(Table, No, &D.Permissions));
    Integer Size = 0;
    TFieldType T = OakFieldTypeToFieldType(this, D.FieldType, D.Length, D.Decimals, Size);
    if (Defs) FieldDefs().Add(D.FieldName, T, Size, false);
    FOCEFieldDefs.push_back(D);
  }
}

void TOakDataSet::InternalInitFieldDefs() {
  if (FTableHandle != OAK_INVALID_HANDLE) {
    ReadFieldDescriptions(FTableHandle, true);
    return;
  }
  OAKHANDLE Table = OpenTableCursor();
  try {
    ReadFieldDescriptions(Table, true);
  } catch (...) {
    OakCloseTable(Table);
    throw;
  }
  OakCloseTable(Table);
}

void TOakDataSet::ComputeLayout() {
  FBlobFieldNos.clear();
  for (TField* F : Fields().Items())
    if (F->FieldKind() == fkData && F->IsBlob()) FBlobFieldNos.push_back(F->FieldNo());
  FCalcOffset = static_cast<Integer>(FRawRecordLength);
  // Pointers and the record info start on 8-byte boundaries.
  FBlobOffset = (FCalcOffset + CalcFieldsSize() + 7) & ~7;
  FRecInfoOffset =
      FBlobOffset + static_cast<Integer>(FBlobFieldNos.size() * sizeof(TOakBlobCache*));
  FBookmarkOffset = FRecInfoOffset + static_cast<Integer>(sizeof(TOakRecInfo));
  FRecordBufferSize = FBookmarkOffset + static_cast<Integer>(FBookmarkLength);
}

namespace {
// The engine's index page size of the table's first index (0 without one).
Word FirstIndexPageSize(OAKHANDLE Table) {
  OAKHANDLE First = OAK_INVALID_HANDLE;
  UNSIGNED16 Slots = 1;
  UNSIGNED32 Code = OakGetAllIndexes(Table, &First, &Slots);
  if ((Code != OAK_SUCCESS && Code != OAK_BUFFER_TOO_SMALL) || Slots == 0) return 0;
  UNSIGNED32 Size = 0;
  if (OakGetIndexPageSize(First, &Size) != OAK_SUCCESS) return 0;
  return static_cast<Word>(Size);
}
}  // namespace

void TOakDataSet::InternalOpen() {
  if (FTableHandle != OAK_INVALID_HANDLE)
    OakDatabaseError(this, OAK_ERR_STATE, "Table is already open.");
  FTableHandle = OpenTableCursor();
  FOrderHandle = FTableHandle;
  try {
    RaiseOakError(this, OakGetRecordLength(FTableHandle, &FRawRecordLength));
    RaiseOakError(this, OakGetTableOpenOptions(FTableHandle, &FOpenOptions));
    FCanModify = (FOpenOptions & OAK_READONLY) == 0;
    if (FOptions->OakRecordCache() == rcNone)
      RaiseOakError(this, OakCacheRecords(FTableHandle, 0));
    else if (FOptions->OakRecordCache() == rcAggressive)
      RaiseOakError(this, OakCacheRecords(FTableHandle, 100));
    FOptions->SetOakIndexPageSize(FirstIndexPageSize(FTableHandle));
    RaiseOakError(this, OakGetBookmarkLength(FOrderHandle, &FBookmarkLength));
    ReadFieldDescriptions(FTableHandle, true);
    FieldDefs().SetUpdated(true);
    if (DefaultFields()) CreateFields();
    for (TField* F : Fields().Items()) {
      if (F->DataType() == ftBCD && !F->Is<TOakBCDField>())
        if (auto* B = dynamic_cast<TFloatField*>(F)) B->SetCurrency(true);
    }
    BindFields(true);
    for (TField* F : Fields().Items()) {
      auto* S = dynamic_cast<TOakStringField*>(F);
      TOCEFieldDef* D = S ? OCEFieldDef(F) : nullptr;
      if (D && D->FieldType == OAK_CISTRING) S->SetCaseInsensitive(true);
    }
    ComputeLayout();
    SetBookmarkSize(static_cast<Integer>(FBookmarkLength));
    FOldRecord.assign(FRawRecordLength + 1, 0);
    for (auto& K : FKeyBuffers) {
      K.Record.assign(FRawRecordLength, 0);
      K.KeyPart.assign(FOCEFieldDefs.size(), 0);
      K.Clear();
    }
    ApplyIndex();
    if (FScoped) ActivateScope();
    if (Filtered()) ActivateFilter();
    InternalFirst();
  } catch (...) {
    OakCloseTable(FTableHandle);
    FTableHandle = FOrderHandle = OAK_INVALID_HANDLE;
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    throw;
  }
}

void TOakDataSet::InternalClose() {
  if (ComponentState().Contains(csDesigning)) {
    OakCacheOpenTables(0);
    OakCacheOpenCursors(0);
  }
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  FBlobFieldNos.clear();
  FOldRecord.clear();
  FRangeActive = false;
  if (FTableHandle != OAK_INVALID_HANDLE) {
    OAKHANDLE H = FTableHandle;
    FTableHandle = FOrderHandle = OAK_INVALID_HANDLE;
    FCanModify = false;
    RaiseOakError(this, OakCloseTable(H));
  }
  FTableHandle = FOrderHandle = OAK_INVALID_HANDLE;
  FCanModify = false;
}

UNSIGNED32 TOakDataSet::RawRecordNumber() {
  UNSIGNED32 N = 0;
  RaiseOakError(this, OakGetRecordNum(FTableHandle, OAK_IGNOREFILTERS, &N));
  return N;
}

// ---- Layout access --------------------------------------------------------------

TOCEFieldDef* TOakDataSet::OCEFieldDefByNo(Integer FieldNo) {
  if (FieldNo < 1 || FieldNo > static_cast<Integer>(FOCEFieldDefs.size())) return nullptr;
  return &FOCEFieldDefs[FieldNo - 1];
}

TOCEFieldDef* TOakDataSet::OCEFieldDef(const TField* Field) {
  return Field && Field->FieldKind() == fkData ? OCEFieldDefByNo(Field->FieldNo()) : nullptr;
}

TOakRecInfo* TOakDataSet::RecInfo(TRecordBuffer Buffer) const {
  return reinterpret_cast<TOakRecInfo*>(Buffer + FRecInfoOffset);
}

Byte* TOakDataSet::BookmarkPtr(TRecordBuffer Buffer) const { return Buffer + FBookmarkOffset; }

Byte* TOakDataSet::CalcArea(TRecordBuffer Buffer) const { return Buffer + FCalcOffset; }

TOakBlobCache* TOakDataSet::BlobCache(TRecordBuffer Buffer, const TField* Field) const {
  if (!Buffer || !Field) return nullptr;
  for (std::size_t I = 0; I < FBlobFieldNos.size(); ++I)
    if (FBlobFieldNos[I] == Field->FieldNo())
      return reinterpret_cast<TOakBlobCache**>(Buffer + FBlobOffset)[I];
  return nullptr;
}

UNSIGNED32 TOakDataSet::BufferRecordNumber(TRecordBuffer Buffer) const {
  if (!Buffer || FBookmarkLength < OAK_BOOKMARK_LENGTH) return 0;
  return ReadOakBookmark(BookmarkPtr(Buffer));
}
