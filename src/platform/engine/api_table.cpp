// Entry points: opening, creating and describing tables.
#include <memory>

#include "platform/engine/connection.h"
#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/memo.h"
#include "platform/engine/table_fields.h"

using namespace oak;

namespace {

TOpenOptions MakeOptions(UNSIGNED16 usCharType, UNSIGNED32 ulOptions) {
  if (usCharType > OAK_OEM) Fail(E_INVALID_OPTION, "character type");
  TOpenOptions O;
  O.Exclusive = (ulOptions & OAK_EXCLUSIVE) != 0;
  O.ReadOnly = (ulOptions & OAK_READONLY) != 0;
  O.Chars = usCharType == OAK_OEM ? CharType::Oem : CharType::Ansi;
  return O;
}

}  // namespace

extern "C" {

UNSIGNED32 OakOpenTable(OAKHANDLE hConnect, const char* pucName, const char*, UNSIGNED16,
                        UNSIGNED16 usCharType, UNSIGNED16, UNSIGNED16, UNSIGNED32 ulOptions,
                        OAKHANDLE* phTable) {
  return Call([&] {
    TConnection& C = ConnectionOf(hConnect);
    std::string Name = pucName ? pucName : "";
    if (Name.empty()) Fail(E_FILE_NOT_FOUND, "empty table name");
    auto* T = new TCursor(C, C.TablePath(Name), MakeOptions(usCharType, ulOptions));
    Out(phTable) = T->Handle;
  });
}

UNSIGNED32 OakCreateTable(OAKHANDLE hConnect, const char* pucName, const char*, UNSIGNED16,
                          UNSIGNED16 usCharType, UNSIGNED16, UNSIGNED16, UNSIGNED16 usMemoSize,
                          const char* pucFields, OAKHANDLE* phTable) {
  return Call([&] {
    TConnection& C = ConnectionOf(hConnect);
    std::string Path = C.TablePath(pucName ? pucName : "");
    // A transaction's journal writes back the files it found: a table it
    // made would stay behind its rollback.
    if (C.InTransaction()) Fail(E_TRANSACTION, "a table cannot be made inside a transaction: " + Path);
    auto Fields = ParseFieldDefinitions(pucFields ? pucFields : "");
    TOpenOptions O = MakeOptions(usCharType, OAK_EXCLUSIVE);
    TTableFile::Create(Path, Fields, O.Chars);
    bool Blobs = false;
    for (auto& F : Fields) Blobs = Blobs || IsBlobType(F.Type);
    if (Blobs) TMemoFile::Create(ChangeExtension(Path, ".OAM"), usMemoSize);
    auto* T = new TCursor(C, Path, O);
    Out(phTable) = T->Handle;
  });
}

UNSIGNED32 OakCloseTable(OAKHANDLE hTable) {
  return Call([&] {
    // The handle goes in any case; what the handle kept back is written
    // here, where a failure can be reported. Inside a transaction that
    // holds its table, the commit writes it.
    auto* C = static_cast<TCursor*>(LookupHandle(hTable, THandleKind::Table));
    if (C->Connection().InTransaction() && C->Connection().HoldsTable(C->Table().Path())) {
      C->CloseInTransaction();
      return;
    }
    std::unique_ptr<TCursor> Gone(C);
    Gone->FlushTxnBatch();
    Gone->FlushDeferred();
  });
}

UNSIGNED32 OakGetTableOpenOptions(OAKHANDLE hTable, UNSIGNED32* pulOptions) {
  return Call([&] { Out(pulOptions) = CursorOf(hTable).OpenOptions(); });
}

UNSIGNED32 OakGetTableType(OAKHANDLE hTable, UNSIGNED16* pusType) {
  return Call([&] {
    CursorOf(hTable);
    Out(pusType) = OAK_OAT;
  });
}

UNSIGNED32 OakGetTableCharType(OAKHANDLE hTable, UNSIGNED16* pusCharType) {
  return Call([&] {
    Out(pusCharType) = CursorOf(hTable).Table().Chars() == CharType::Oem ? OAK_OEM : OAK_ANSI;
  });
}

UNSIGNED32 OakGetTableFilename(OAKHANDLE hTable, char* pucName, UNSIGNED16* pusLen) {
  return Call([&] { PutText(CursorOf(hTable).Table().Path(), pucName, pusLen); });
}

UNSIGNED32 OakIsTableEncrypted(OAKHANDLE hTable, UNSIGNED16* pbEncrypted) {
  return Call([&] {
    CursorOf(hTable);
    Out(pbEncrypted) = 0;
  });
}

UNSIGNED32 OakIsEncryptionEnabled(OAKHANDLE hTable, UNSIGNED16* pbEnabled) {
  return Call([&] {
    CursorOf(hTable);
    Out(pbEnabled) = 0;
  });
}

UNSIGNED32 OakEnableEncryption(OAKHANDLE hTable, const char*) {
  return Call([&] {
    CursorOf(hTable);
    Fail(E_NOT_SUPPORTED, "encrypted tables");
  });
}

UNSIGNED32 OakCacheRecords(OAKHANDLE hTable, UNSIGNED16) {
  return Call([&] { CursorOf(hTable); });
}

UNSIGNED32 OakGetNumOpenTables(UNSIGNED16* pusNum) {
  return Call([&] {
    Out(pusNum) = static_cast<UNSIGNED16>(CountHandles(THandleKind::Table));
  });
}

UNSIGNED32 OakGetRecordLength(OAKHANDLE hTable, UNSIGNED32* pulLength) {
  return Call([&] { Out(pulLength) = CursorOf(hTable).Table().RecordLength(); });
}

UNSIGNED32 OakGetNumFields(OAKHANDLE hTable, UNSIGNED16* pusCount) {
  return Call([&] { Out(pusCount) = static_cast<UNSIGNED16>(CursorOf(hTable).Fields().size()); });
}

UNSIGNED32 OakGetFieldNum(OAKHANDLE hTable, const char* pucFldName, UNSIGNED16* pusNum) {
  return Call([&] { Out(pusNum) = CursorOf(hTable).FieldNumber(pucFldName ? pucFldName : ""); });
}

UNSIGNED32 OakGetFieldName(OAKHANDLE hTable, UNSIGNED16 usFld, char* pucName, UNSIGNED16* pusLen) {
  return Call([&] { PutText(CursorOf(hTable).Field(usFld).Name, pucName, pusLen); });
}

UNSIGNED32 OakGetFieldType(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pusType) {
  return Call([&] { Out(pusType) = CursorOf(hTable).Field(usFld).Type; });
}

UNSIGNED32 OakGetFieldLength(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulLength) {
  return Call([&] { Out(pulLength) = CursorOf(hTable).Field(usFld).Length; });
}

UNSIGNED32 OakGetFieldDecimals(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pusDecimals) {
  return Call([&] { Out(pusDecimals) = CursorOf(hTable).Field(usFld).Decimals; });
}

UNSIGNED32 OakGetFieldOffset(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulOffset) {
  return Call([&] { Out(pulOffset) = CursorOf(hTable).Field(usFld).Offset; });
}

UNSIGNED32 OakGetColumnPermissions(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulPerm) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.Field(usFld);
    bool ReadOnly = C.OpenOptions() & OAK_READONLY;
    Out(pulPerm) = ReadOnly ? 1u : (1u | OAK_COLUMN_UPDATE | OAK_COLUMN_INSERT);
  });
}

UNSIGNED32 OakGetMemoDataType(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pusType) {
  return Call([&] {
    UNSIGNED16 T = CursorOf(hTable).Field(usFld).Type;
    if (!IsBlobType(T)) Fail(E_INVALID_FIELD, "no memo field");
    Out(pusType) = (T == OAK_MEMO || T == OAK_VARCHAR) ? OAK_MEMO_TEXT : OAK_MEMO_BINARY;
  });
}

UNSIGNED32 OakGetLastAutoinc(OAKHANDLE hObj, UNSIGNED32* pulAutoIncVal) {
  return Call([&] { Out(pulAutoIncVal) = CursorOf(hObj).LastAutoinc(); });
}

}  // extern "C"
