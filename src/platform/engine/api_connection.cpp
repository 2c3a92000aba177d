// Entry points: connections, transactions, table lists, data dictionary.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <sstream>

#include "platform/engine/connection.h"
#include "platform/engine/errors.h"
#include "platform/engine/expr_date.h"
#include "platform/engine/table.h"
#include "platform/os/files.h"
#include "platform/os/find.h"

using namespace oak;

namespace {

// A list of names handed out one by one (table lists, dictionary objects).
class TFind : public THandled {
 public:
  THandleKind Kind() const override { return THandleKind::Find; }
  std::vector<std::string> Names;
  size_t Next = 0;
};

std::vector<std::string> ListTables(const TConnection& C, const std::string& Mask) {
  std::string Folder = C.DataPath(), Pattern = Mask.empty() ? "*.oat" : Mask;
  size_t Slash = Pattern.find_last_of('/');
  if (Slash != std::string::npos) {
    Folder = os::ResolvePath(Pattern.substr(0, Slash));
    Pattern = Pattern.substr(Slash + 1);
  }
  std::vector<std::string> Names;
  TSearchRec Rec;
  for (int R = FindFirst(Folder + "/" + Pattern, 0, Rec); R == 0; R = FindNext(Rec))
    Names.push_back(Rec.Name);
  FindClose(Rec);
  std::sort(Names.begin(), Names.end());
  return Names;
}

// The data dictionary: "[section]" and "key=value" lines.
std::map<std::string, std::map<std::string, std::string>> ReadDictionary(const TConnection& C) {
  std::map<std::string, std::map<std::string, std::string>> D;
  os::File F;
  os::Status S = F.Open(C.ConnectPath(), os::Access::Read, os::Share::DenyNone);
  if (!S.ok()) FailOs(S, C.ConnectPath());
  auto Size = F.Size();
  std::string Text(Size.ok() ? Size.value() : 0, '\0');
  size_t Got = 0;
  if (!F.Read(0, Text.data(), Text.size(), &Got).ok()) Fail(E_IO, C.ConnectPath());
  Text.resize(Got);
  std::istringstream In(Text);
  std::string Line, Section;
  auto Up = [](std::string S) {
    for (char& Ch : S) Ch = static_cast<char>(std::toupper(static_cast<unsigned char>(Ch)));
    return S;
  };
  while (std::getline(In, Line)) {
    while (!Line.empty() && (Line.back() == '\r' || Line.back() == ' ')) Line.pop_back();
    if (Line.size() > 1 && Line.front() == '[' && Line.back() == ']') {
      Section = Up(Line.substr(1, Line.size() - 2));
      D[Section];
    } else if (size_t Eq = Line.find('='); Eq != std::string::npos) {
      D[Section][Up(Line.substr(0, Eq))] = Line.substr(Eq + 1);
    }
  }
  return D;
}

std::string DictionaryValue(const TConnection& C, const std::string& Section,
                            const std::string& Key) {
  if (!C.IsDictionary()) Fail(E_NOT_SUPPORTED, "no data dictionary connection");
  auto D = ReadDictionary(C);
  std::string S = Section;
  for (char& Ch : S) Ch = static_cast<char>(std::toupper(static_cast<unsigned char>(Ch)));
  auto It = D.find(S);
  if (It == D.end()) Fail(E_PROPERTY_NOT_SET, Section);
  auto V = It->second.find(Key);
  if (V == It->second.end() || V->second.empty()) Fail(E_PROPERTY_NOT_SET, Section + " " + Key);
  return V->second;
}

void PutProperty(const std::string& V, void* Buf, UNSIGNED16* Len) {
  PutText(V, static_cast<char*>(Buf), Len);
}

UNSIGNED32 NextName(OAKHANDLE hFind, char* Name, UNSIGNED16* Len, UNSIGNED32 EndCode) {
  return Call([&] {
    auto& F = *static_cast<TFind*>(LookupHandle(hFind, THandleKind::Find));
    if (F.Next >= F.Names.size()) Fail(EndCode);
    // A name that does not fit stays the next one.
    PutText(F.Names[F.Next], Name, Len);
    ++F.Next;
  });
}

// Hands out the search over Names with its first name. A find-first that
// fails (the end of an empty list included) hands out no handle: the
// caller gets OAK_INVALID_HANDLE and has nothing to close.
UNSIGNED32 FirstName(std::vector<std::string> Names, char* Name, UNSIGNED16* Len,
                     OAKHANDLE* phFind, UNSIGNED32 EndCode) {
  if (!phFind) return Call([] { Fail(E_INVALID_OPTION, "missing search handle parameter"); });
  *phFind = OAK_INVALID_HANDLE;
  auto F = std::make_unique<TFind>();
  F->Names = std::move(Names);
  OAKHANDLE H = RegisterHandle(F.get());
  UNSIGNED32 R = NextName(H, Name, Len, EndCode);
  if (R != 0) {
    UnregisterHandle(H);
    return R;
  }
  F.release();
  *phFind = H;
  return R;
}

UNSIGNED32 CloseFind(OAKHANDLE hFind) {
  return Call([&] {
    delete static_cast<TFind*>(LookupHandle(hFind, THandleKind::Find));
    UnregisterHandle(hFind);
  });
}

}  // namespace

extern "C" {

UNSIGNED32 OakConnect60(const char* pucServerPath, UNSIGNED16 usServerTypes,
                        const char*, const char*, UNSIGNED32, OAKHANDLE* phConnect) {
  return Call([&] {
    std::string Path = pucServerPath ? pucServerPath : "";
    if (Path.empty()) Fail(E_FILE_NOT_FOUND, "empty connect path");
    auto* C = new TConnection(Path, usServerTypes);
    Out(phConnect) = C->Handle;
  });
}

UNSIGNED32 OakConnect(const char* pucServerName, OAKHANDLE* phConnect) {
  return OakConnect60(pucServerName, Settings().ServerTypes, "", "", 0, phConnect);
}

UNSIGNED32 OakDisconnect(OAKHANDLE hConnect) {
  return Call([&] {
    // The connection goes in any case; a rollback that fails is reported.
    std::unique_ptr<TConnection> Gone(&ConnectionOf(hConnect));
    if (Gone->InTransaction()) Gone->Rollback();
  });
}

UNSIGNED32 OakGetConnectionType(OAKHANDLE hConnect, UNSIGNED16* pusConnectType) {
  return Call([&] { Out(pusConnectType) = ConnectionOf(hConnect).ConnectionType(); });
}

UNSIGNED32 OakGetServerName(OAKHANDLE hConnect, char* pucName, UNSIGNED16* pusLen) {
  return Call([&] { PutText(ConnectionOf(hConnect).DataPath(), pucName, pusLen); });
}

UNSIGNED32 OakGetServerTime(OAKHANDLE hConnect, char* pucDateBuf, UNSIGNED16* pusDateLen,
                            UNSIGNED32* pulTime) {
  return Call([&] {
    ConnectionOf(hConnect);
    auto Now = std::chrono::system_clock::now();
    std::time_t T = std::chrono::system_clock::to_time_t(Now);
    std::tm Local{};
    localtime_r(&T, &Local);
    auto Ms = std::chrono::duration_cast<std::chrono::milliseconds>(Now.time_since_epoch()) % 1000;
    PutText(JulianToDtos(JulianFromYMD(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday)),
            pucDateBuf, pusDateLen);
    if (pulTime)
      *pulTime = ((Local.tm_hour * 60 + Local.tm_min) * 60 + Local.tm_sec) * 1000u +
                 static_cast<UNSIGNED32>(Ms.count());
  });
}

UNSIGNED32 OakGetNumActiveLinks(OAKHANDLE hConnect, UNSIGNED16* pusNum) {
  return Call([&] {
    ConnectionOf(hConnect);
    Out(pusNum) = 0;
  });
}

UNSIGNED32 OakGetActiveLinkInfo(OAKHANDLE hConnect, UNSIGNED16, char*, UNSIGNED16*) {
  return Call([&] {
    ConnectionOf(hConnect);
    Fail(E_INVALID_OPTION, "the connection has no links");
  });
}

UNSIGNED32 OakCloseCachedTables(OAKHANDLE hConnect) {
  return Call([&] { ConnectionOf(hConnect); });
}

UNSIGNED32 OakBeginTransaction(OAKHANDLE hConnect) {
  return Call([&] { ConnectionOf(hConnect).BeginTransaction(); });
}

UNSIGNED32 OakCommitTransaction(OAKHANDLE hConnect) {
  return Call([&] { ConnectionOf(hConnect).Commit(); });
}

UNSIGNED32 OakRollbackTransaction(OAKHANDLE hConnect) {
  return Call([&] { ConnectionOf(hConnect).Rollback(); });
}

UNSIGNED32 OakInTransaction(OAKHANDLE hConnect, UNSIGNED16* pbInTrans) {
  return Call([&] { Out(pbInTrans) = ConnectionOf(hConnect).InTransaction() ? 1 : 0; });
}

UNSIGNED32 OakFindFirstTable(OAKHANDLE hConnect, const char* pucFileMask, char* pucFileName,
                             UNSIGNED16* pusLen, OAKHANDLE* phFind) {
  if (phFind) *phFind = OAK_INVALID_HANDLE;
  std::vector<std::string> Names;
  UNSIGNED32 R = Call([&] { Names = ListTables(ConnectionOf(hConnect), pucFileMask ? pucFileMask : ""); });
  return R ? R : FirstName(std::move(Names), pucFileName, pusLen, phFind, E_NO_MORE_TABLES);
}

UNSIGNED32 OakFindNextTable(OAKHANDLE, OAKHANDLE hFind, char* pucFileName, UNSIGNED16* pusLen) {
  return NextName(hFind, pucFileName, pusLen, E_NO_MORE_TABLES);
}

UNSIGNED32 OakFindFirstTable62(OAKHANDLE hConnect, const char* pucFileMask, char* pucDBName,
                               UNSIGNED16* pusDBLen, char* pucFileName, UNSIGNED16* pusLen,
                               OAKHANDLE* phFind) {
  UNSIGNED32 R = OakFindFirstTable(hConnect, pucFileMask, pucFileName, pusLen, phFind);
  if (R == 0 && pusDBLen)
    R = Call([&] { PutText(ConnectionOf(hConnect).DataPath(), pucDBName, pusDBLen); });
  // The search was handed out, but the call fails after all: it ends here.
  if (R != 0 && phFind && *phFind != OAK_INVALID_HANDLE) {
    CloseFind(*phFind);
    *phFind = OAK_INVALID_HANDLE;
  }
  return R;
}

UNSIGNED32 OakFindNextTable62(OAKHANDLE hConnect, OAKHANDLE hFind, char* pucDBName,
                              UNSIGNED16* pusDBLen, char* pucFileName, UNSIGNED16* pusLen) {
  UNSIGNED32 R = OakFindNextTable(hConnect, hFind, pucFileName, pusLen);
  if (R == 0 && pusDBLen)
    R = Call([&] { PutText(ConnectionOf(hConnect).DataPath(), pucDBName, pusDBLen); });
  return R;
}

UNSIGNED32 OakFindClose(OAKHANDLE, OAKHANDLE hFind) { return CloseFind(hFind); }

UNSIGNED32 OakDDFindFirstObject(OAKHANDLE hConnect, UNSIGNED16 usFindObjectType,
                                const char* pucParentName, char* pucObjectName,
                                UNSIGNED16* pusLen, OAKHANDLE* phFind) {
  if (phFind) *phFind = OAK_INVALID_HANDLE;
  std::vector<std::string> Names;
  UNSIGNED32 R = Call([&] {
    TConnection& C = ConnectionOf(hConnect);
    if (!C.IsDictionary()) Fail(E_NOT_SUPPORTED, "no data dictionary connection");
    // Objects of type T are the keys of section "[OBJECTS T]" or, with a
    // parent, "[OBJECTS T parent]".
    std::string Section = "OBJECTS " + std::to_string(usFindObjectType);
    if (pucParentName && *pucParentName) Section += std::string(" ") + pucParentName;
    for (char& Ch : Section) Ch = static_cast<char>(std::toupper(static_cast<unsigned char>(Ch)));
    auto D = ReadDictionary(C);
    for (auto& [Key, Value] : D[Section]) Names.push_back(Value.empty() ? Key : Value);
  });
  return R ? R : FirstName(std::move(Names), pucObjectName, pusLen, phFind, E_NO_MORE_OBJECTS);
}

UNSIGNED32 OakDDFindNextObject(OAKHANDLE, OAKHANDLE hFind, char* pucObjectName,
                               UNSIGNED16* pusLen) {
  return NextName(hFind, pucObjectName, pusLen, E_NO_MORE_OBJECTS);
}

UNSIGNED32 OakDDFindClose(OAKHANDLE, OAKHANDLE hFind) { return CloseFind(hFind); }

UNSIGNED32 OakDDGetTableProperty(OAKHANDLE hConnect, const char* pucTableName,
                                 UNSIGNED16 usPropertyID, void* pvProperty,
                                 UNSIGNED16* pusPropertyLen) {
  return Call([&] {
    std::string V = DictionaryValue(ConnectionOf(hConnect),
                                    std::string("TABLE ") + (pucTableName ? pucTableName : ""),
                                    std::to_string(usPropertyID));
    PutProperty(V, pvProperty, pusPropertyLen);
  });
}

UNSIGNED32 OakDDGetUserProperty(OAKHANDLE hConnect, const char* pucUserName,
                                UNSIGNED16 usPropertyID, void* pvProperty,
                                UNSIGNED16* pusPropertyLen) {
  return Call([&] {
    std::string V = DictionaryValue(ConnectionOf(hConnect),
                                    std::string("USER ") + (pucUserName ? pucUserName : ""),
                                    std::to_string(usPropertyID));
    PutProperty(V, pvProperty, pusPropertyLen);
  });
}

}  // extern "C"
