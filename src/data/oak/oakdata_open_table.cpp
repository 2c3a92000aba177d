// TOakTable: opening the table in the engine, its published properties and
// its extra index files.
#include "data/oak/oaktable.h"
#include "platform/rtl/sysutils.h"

RTL_PUBLISHED(TOakTable) {
  using T = TOakTable;
  P.Prop("OakConnection", &T::OakConnection, &T::SetOakConnection);
  P.Prop("OakTableOptions", &T::OakTableOptions, &T::SetOakTableOptions);
  P.Prop("StoreDefs", &T::StoreDefs, &T::SetStoreDefs).Default(false);
  P.Prop(
      "IndexFiles", [](T* D) -> TStrings* { return D->IndexFiles(); }, &T::SetIndexFiles);
  P.Prop("InfoExpression", &T::InfoExpression, &T::SetInfoExpression);
  P.Prop("Exclusive", &T::Exclusive, &T::SetExclusive).Default(false);
  P.Prop("ReadOnly", &T::ReadOnly, &T::SetReadOnly).Default(false);
  P.Prop("TableName", &T::TableName, &T::SetTableName);
  P.Prop("TableType", &T::TableType, &T::SetTableType).Default(ttOakOAT);
  P.Prop("IndexCollationMismatch", &T::IndexCollationMismatch, &T::SetIndexCollationMismatch)
      .Default(icmError);
  P.Prop("EncryptionPassword", &T::EncryptionPassword, &T::SetEncryptionPassword);
}

TOakTable::TOakTable(TComponent* AOwner)
    : TOakExtendedTable(AOwner), FIndexFiles(std::make_unique<TOakIndexFiles>(this)) {}

TOakTable::~TOakTable() {
  try {
    Close();
  } catch (...) {
  }
}

void TOakTable::SetIndexFiles(TStrings* Value) {
  FIndexFiles->Clear();
  if (Value)
    for (Integer I = 0; I < Value->Count(); ++I) FIndexFiles->Add(Value->Strings(I));
}

UNSIGNED32 TOakTable::LastAutoIncValue() {
  UNSIGNED32 V = 0;
  RaiseOakError(this, OakGetLastAutoinc(FTableHandle, &V));
  return V;
}

namespace {
// Open options of the engine: exclusive 1, read only 2, collation 0x200 /
// 0x100.
UNSIGNED32 OpenOptions(bool Exclusive, bool ReadOnly, TIndexCollationMismatchOptions Collation) {
  UNSIGNED32 O = 0;
  if (Exclusive) O |= OAK_EXCLUSIVE;
  if (ReadOnly) O |= OAK_READONLY;
  if (Collation == icmIgnore) O |= OAK_IGNORE_COLLATION_MISMATCH;
  if (Collation == icmReindex) O |= OAK_REINDEX_ON_COLLATION_MISMATCH;
  return O;
}
}  // namespace

OAKHANDLE TOakTable::OpenTableCursor() {
  if (FTableName.empty()) OakDatabaseError(this, OAK_ERR_STATE, "Missing TableName property");
  bool ReadOnlyOpen = FReadOnly;
  if (FConnection && FConnection->ReadOnly()) {
    ReadOnlyOpen = true;
    if (!ComponentState().Contains(csDesigning)) FReadOnly = true;
  }
  UNSIGNED32 Options = OpenOptions(FExclusive, ReadOnlyOpen, FCollation);
  String Path = DataPath();
  if (Path.empty())
    OakDatabaseError(this, OAK_ERR_STATE,
                     "One of the DatabaseName property or the OakConnection property must have "
                     "a value.");
  bool Dictionary = IsDictionaryConnection();
  String FullName = Dictionary ? FTableName : Path + "/" + FTableName;
  OAKHANDLE Connection = GetConnectionHandle();
  if (Connection == 0)
    OakDatabaseError(this, OAK_ERR_STATE, "Internal Error: invalid connection handle.");
  UNSIGNED16 Type = Dictionary ? OAK_DEFAULT_TABLE : FTableTypeCode;
  OAKHANDLE Table = OAK_INVALID_HANDLE;
  UNSIGNED32 Code =
      OakOpenTable(Connection, FullName.c_str(), nullptr, Type, FOptions->EngineCharType(),
                   FOptions->EngineLockType(), FOptions->EngineRights(), Options, &Table);
  if (Code == OAK_NOT_IN_DICTIONARY && Dictionary) {
    FullName = Path + "/" + FTableName;
    Code = OakOpenTable(Connection, FullName.c_str(), nullptr, FTableTypeCode,
                        FOptions->EngineCharType(), FOptions->EngineLockType(),
                        FOptions->EngineRights(), Options, &Table);
  }
  RaiseOakError(this, Code);
  try {
    if (Dictionary) {
      UNSIGNED16 Real = 0;
      RaiseOakError(this, OakGetTableType(Table, &Real));
      FTableType = Real == OAK_CDX ? ttOakCDX : Real == OAK_NTX ? ttOakNTX : ttOakOAT;
      FTableTypeCode = Real == OAK_CDX || Real == OAK_NTX ? Real : OAK_OAT;
      if (Real == OAK_CDX || Real == OAK_NTX) {
        UNSIGNED16 Char = 0;
        RaiseOakError(this, OakGetTableCharType(Table, &Char));
        FOptions->ForceCharType(Char == OAK_OEM ? OEM : ANSI);
      }
    }
    if (!FEncryptionPassword.empty()) {
      UNSIGNED16 Encrypted = 0, Enabled = 0;
      RaiseOakError(this, OakIsTableEncrypted(Table, &Encrypted));
      RaiseOakError(this, OakIsEncryptionEnabled(Table, &Enabled));
      if (Encrypted && !Enabled)
        RaiseOakError(this, OakEnableEncryption(Table, FEncryptionPassword.c_str()));
    }
    OpenIndexFiles(Table);
  } catch (...) {
    OakCloseTable(Table);
    throw;
  }
  return Table;
}

void TOakDataSet::OpenIndexFiles(OAKHANDLE Table) { (void)Table; }

void TOakTable::OpenIndexFiles(OAKHANDLE Table) {
  for (Integer I = 0; I < FIndexFiles->Count(); ++I) {
    String Name = FIndexFiles->Strings(I);
    if (Name.find_first_of("/\\") == String::npos) Name = DataPath() + "/" + Name;
    OAKHANDLE Handles[50];
    UNSIGNED16 Count = 50;
    RaiseOakError(this, OakOpenIndex(Table, Name.c_str(), Handles, &Count));
  }
}
