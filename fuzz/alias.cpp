// Fuzzes the readers of the engine's alias files: the "Databases" section
// of "oak.ini" (ResolveOakAlias) and the data dictionary (".OAD") that a
// connection reads its table and user properties and object lists from.
// Any bytes resolve an alias or none, and every dictionary call answers a
// value or an engine code; nothing else may happen.
//
// An input whose first byte is odd follows the section heads the readers
// look for ("[Databases]" and an alias; "[OBJECTS 1]"), so that the fuzzer
// reaches the values behind them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/oak/oakcnnct.h"
#include "fuzz_input.h"
#include "platform/engine/oak.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Dir = fuzz::RunFolder("alias");
  if (Size < 1) return 0;
  const std::string Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  const bool Heads = Data[0] & 1;
  fuzz::WriteAll(Dir + "/oak.ini", (Heads ? "[Databases]\r\nOFFICE=" : "") + Text);
  fuzz::WriteAll(Dir + "/data.OAD", (Heads ? "[OBJECTS 1]\nAdressen=" : "") + Text);
  SetOakIniFileName(Dir + "/oak.ini");
  for (const char* Alias : {"OFFICE", "mobil", "", "Databases"}) ResolveOakAlias(Alias);
  OAKHANDLE Conn = 0;
  if (OakConnect60((Dir + "/data.OAD").c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn)) return 0;
  for (UNSIGNED16 Type : {OAK_DD_TABLE_OBJECT, OAK_DD_USER_OBJECT}) {
    char Name[256];
    UNSIGNED16 Len = sizeof Name;
    OAKHANDLE Find = 0;
    // Only a find-first that succeeds hands out a search handle.
    UNSIGNED32 Code = OakDDFindFirstObject(Conn, Type, nullptr, Name, &Len, &Find);
    for (int N = 0; Code == 0 && N < 64; ++N) {
      std::string Object(Name, Len);
      char Value[256];
      UNSIGNED16 ValueLen = sizeof Value;
      if (Type == OAK_DD_TABLE_OBJECT)
        OakDDGetTableProperty(Conn, Object.c_str(), OAK_DD_TABLE_DEFAULT_INDEX, Value, &ValueLen);
      else
        OakDDGetUserProperty(Conn, Object.c_str(), OAK_DD_USER_PROPERTY, Value, &ValueLen);
      Len = sizeof Name;
      Code = OakDDFindNextObject(Conn, Find, Name, &Len);
    }
    if (Find != OAK_INVALID_HANDLE) OakDDFindClose(Conn, Find);
  }
  OakDisconnect(Conn);
  SetOakIniFileName(String());
  return 0;
}
