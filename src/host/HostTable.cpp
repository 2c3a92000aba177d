// The host's table writer over the engine's entry points.
#include "host/HostTable.h"

RTL_IMPLEMENT_CLASS(EHostSetupError, Exception, nullptr)

namespace {

String LastEngineText() {
  UNSIGNED32 Code = 0;
  char Buf[600];
  UNSIGNED16 Len = sizeof Buf;
  OakGetLastError(&Code, Buf, &Len);
  return String(Buf, Len < sizeof Buf ? Len : sizeof Buf - 1);
}

}  // namespace

void CheckOak(UNSIGNED32 Code, const String& What) {
  if (Code != OAK_SUCCESS) throw EHostSetupError(What + ": " + LastEngineText());
}

// ---- THostConnection ------------------------------------------------------------

THostConnection::THostConnection(const String& Folder) {
  CheckOak(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &FHandle), Folder);
}

THostConnection::~THostConnection() {
  if (FHandle != OAK_INVALID_HANDLE) OakDisconnect(FHandle);
}

// ---- THostTable -----------------------------------------------------------------

THostTable::THostTable(const THostConnection& Connection, const String& Name, const String& Fields)
    : FName(Name) {
  CheckOak(OakCreateTable(Connection.Handle(), Name.c_str(), nullptr, OAK_OAT, OAK_ANSI,
                          OAK_PROPRIETARY_LOCKING, OAK_IGNORERIGHTS, 0, Fields.c_str(), &FHandle),
           Name);
}

THostTable::THostTable(const THostConnection& Connection, const String& Name) : FName(Name) {
  CheckOak(OakOpenTable(Connection.Handle(), Name.c_str(), nullptr, OAK_OAT, OAK_ANSI, OAK_PROPRIETARY_LOCKING,
                        OAK_IGNORERIGHTS, 0, &FHandle),
           Name);
}

THostTable::~THostTable() { Close(); }

void THostTable::Close() {
  if (FHandle == OAK_INVALID_HANDLE) return;
  OakCloseTable(FHandle);
  FHandle = OAK_INVALID_HANDLE;
}

void THostTable::AddIndex(const String& Tag, const String& Expr, bool Unique) {
  OAKHANDLE Index = OAK_INVALID_HANDLE;
  UNSIGNED32 Options = OAK_COMPOUND | (Unique ? OAK_UNIQUE : 0);
  CheckOak(OakCreateIndex61(FHandle, "", Tag.c_str(), Expr.c_str(), "", "", Options, 0, &Index),
           FName + " " + Tag);
}

UNSIGNED16 THostTable::FieldNum(const char* Field) const {
  UNSIGNED16 Num = 0;
  CheckOak(OakGetFieldNum(FHandle, Field, &Num), FName + "." + Field);
  return Num;
}

void THostTable::SetValue(const char* Field, const String& Value) {
  UNSIGNED16 Num = FieldNum(Field);
  UNSIGNED16 Type = 0;
  CheckOak(OakGetFieldType(FHandle, Num, &Type), FName + "." + Field);
  if (Type == OAK_DATE && !Value.empty()) {
    // Dates come as YYYYMMDD so that the engine's date format does not matter.
    double Julian = 0;
    CheckOak(OakConvertStringToJulian(Value.c_str(), static_cast<UNSIGNED16>(Value.size()), &Julian),
             FName + "." + Field);
    CheckOak(OakSetJulian(FHandle, Num, static_cast<SIGNED32>(Julian)), FName + "." + Field);
    return;
  }
  CheckOak(OakSetField(FHandle, Num, Value.data(), static_cast<UNSIGNED32>(Value.size())),
           FName + "." + Field);
}

UNSIGNED32 THostTable::Write() {
  CheckOak(OakWriteRecord(FHandle), FName);
  UNSIGNED32 AutoInc = 0;
  if (OakGetLastAutoinc(FHandle, &AutoInc) != OAK_SUCCESS) return 0;
  return AutoInc;
}

UNSIGNED32 THostTable::Append(THostValues Values) {
  CheckOak(OakAppendRecord(FHandle), FName);
  for (auto& [Field, Value] : Values) SetValue(Field, Value);
  return Write();
}
