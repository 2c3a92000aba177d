// Aliases of "oak.ini", the process-wide connections by path and the hash
// of the statement cache.
#include <fstream>

#include "data/oak/oakcnnct.h"
#include "platform/os/fileapi.h"
#include "platform/os/files.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"

namespace {

String& IniOverride() {
  static String Name;
  return Name;
}

// The value of Key in Section of an INI file ("" when either is missing);
// section and key names compare without case.
String ReadIniValue(const String& FileName, const String& Section, const String& Key) {
  std::ifstream In(os::ResolvePath(FileName));
  if (!In) return String();
  String Line;
  bool InSection = false;
  while (std::getline(In, Line)) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    String T = Trim(Line);
    if (T.empty() || T[0] == ';') continue;
    if (T.front() == '[') {
      auto Close = T.find(']');
      InSection = Close != String::npos && SameText(Trim(T.substr(1, Close - 1)), Section);
      continue;
    }
    if (!InSection) continue;
    auto Eq = T.find('=');
    if (Eq != String::npos && SameText(Trim(T.substr(0, Eq)), Key)) return Trim(T.substr(Eq + 1));
  }
  return String();
}

}  // namespace

void SetOakIniFileName(const String& FileName) { IniOverride() = FileName; }

String OakIniFileName() {
  if (!IniOverride().empty()) return IniOverride();
  String Beside = GetProgramDir() + "oak.ini";
  if (FileExists(Beside)) return Beside;
  return IncludeTrailingPathDelimiter(GetWindowsDirectory()) + "oak.ini";
}

TOakAlias ResolveOakAlias(const String& Alias) {
  TOakAlias Result;
  if (Alias.empty()) return Result;
  String Value = ReadIniValue(OakIniFileName(), "Databases", Alias);
  if (Value.empty()) return Result;
  auto Semi = Value.find(';');
  if (Semi != String::npos) {
    char Letter = Semi + 1 < Value.size()
                      ? static_cast<char>(std::toupper(static_cast<unsigned char>(Value[Semi + 1])))
                      : ' ';
    Result.TableType = Letter == 'N' ? ttOakNTX : Letter == 'C' ? ttOakCDX : ttOakOAT;
    Result.AliasType = Letter == 'N' ? 2 : Letter == 'C' ? 1 : Letter == 'A' ? 3 : 0;
    Value = Value.substr(0, Semi);
  }
  Result.Path = Value;
  return Result;
}

// ---- Connections by path ----------------------------------------------------

TDynamicConnList::~TDynamicConnList() {
  for (auto& C : FItems) OakDisconnect(C.Handle);
}

OAKHANDLE TDynamicConnList::FindLocked(const String& Path) const {
  try {
    String Key = UpperCase(Path);
    for (auto& C : FItems)
      if (UpperCase(C.Path) == Key) return C.Handle;
  } catch (...) {
    // A failed comparison counts as not found.
  }
  return 0;
}

OAKHANDLE TDynamicConnList::ConnectLocked(const String& Path) {
  OAKHANDLE Handle = 0;
  RaiseOakError(nullptr, OakConnect(Path.c_str(), &Handle));
  FItems.push_back({Handle, Path});
  return Handle;
}

OAKHANDLE TDynamicConnList::Find(const String& Path) {
  std::lock_guard<std::mutex> G(FLock);
  return FindLocked(Path);
}

OAKHANDLE TDynamicConnList::Connect(const String& Path) {
  std::lock_guard<std::mutex> G(FLock);
  return ConnectLocked(Path);
}

OAKHANDLE TDynamicConnList::FindOrConnect(const String& Path) {
  std::lock_guard<std::mutex> G(FLock);
  OAKHANDLE H = FindLocked(Path);
  return H ? H : ConnectLocked(Path);
}

Integer TDynamicConnList::Count() {
  std::lock_guard<std::mutex> G(FLock);
  return static_cast<Integer>(FItems.size());
}

TDynamicConnList& DynamicConnList() {
  static TDynamicConnList List;
  return List;
}

Cardinal OakSQLHash(const String& SQL) {
  Cardinal H = 0;
  std::size_t Len = SQL.size();
  if (Len < 16) {
    for (unsigned char C : SQL) H = H * 37 + C;
  } else {
    std::size_t Step = Len / 8;
    for (std::size_t I = 0; I < Len; I += Step) H = H * 39 + static_cast<unsigned char>(SQL[I]);
  }
  return H;
}
