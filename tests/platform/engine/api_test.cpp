// The entry points' contract: last error per thread, texts, buffers too
// small, settings, connections, handles and the data dictionary.
#include <thread>
#include <vector>

#include "engine_fixture.h"
#include "platform/engine/connection.h"

namespace {

class ApiTest : public EngineTest {};

TEST_F(ApiTest, FailedCallLeavesCodeAndTextAsLastError) {
  OAKHANDLE T = OAK_INVALID_HANDLE;
  EXPECT_EQ(5002u, Open("nothere", &T));
  UNSIGNED32 Code = 0;
  char Buf[600];
  UNSIGNED16 Len = sizeof Buf;
  ASSERT_EQ(0u, OakGetLastError(&Code, Buf, &Len));
  EXPECT_EQ(5002u, Code);
  EXPECT_NE(std::string::npos, std::string(Buf, Len).find("nothere"));
  ASSERT_EQ(0u, OakSetLastError(5054, "Update permission not granted on this table."));
  Len = sizeof Buf;
  ASSERT_EQ(0u, OakGetLastError(&Code, Buf, &Len));
  EXPECT_EQ(5054u, Code);
  EXPECT_EQ("Update permission not granted on this table.", std::string(Buf, Len));
}

TEST_F(ApiTest, LastErrorBelongsToItsThread) {
  OakSetLastError(1234, "main thread");
  std::thread([] {
    UNSIGNED32 Code = 9;
    UNSIGNED16 Len = 0;
    OakGetLastError(&Code, nullptr, &Len);
    EXPECT_EQ(0u, Code);
  }).join();
  UNSIGNED32 Code = 0;
  OakGetLastError(&Code, nullptr, nullptr);
  EXPECT_EQ(1234u, Code);
}

TEST_F(ApiTest, ErrorStringsAndSmallBuffers) {
  char Buf[8];
  UNSIGNED16 Len = sizeof Buf;
  EXPECT_EQ(5005u, OakGetErrorString(5035, Buf, &Len));
  EXPECT_GT(Len, sizeof Buf);
  char Big[200];
  Len = sizeof Big;
  ASSERT_EQ(0u, OakGetErrorString(5035, Big, &Len));
  EXPECT_NE(std::string::npos, std::string(Big, Len).find("locked"));
}

TEST_F(ApiTest, SettingsKeepTheirValues) {
  ASSERT_EQ(0u, OakSetDateFormat("DD.MM.YYYY"));
  char Fmt[16];
  UNSIGNED16 Len = sizeof Fmt;
  ASSERT_EQ(0u, OakGetDateFormat(Fmt, &Len));
  EXPECT_EQ("DD.MM.YYYY", std::string(Fmt, Len));
  EXPECT_NE(0u, OakSetDateFormat("nonsense"));
  ASSERT_EQ(0u, OakSetDecimals(4));
  UNSIGNED16 Dec = 0;
  ASSERT_EQ(0u, OakGetDecimals(&Dec));
  EXPECT_EQ(4, Dec);
  EXPECT_NE(0u, OakSetServerType(0));
  ASSERT_EQ(0u, OakSetServerType(OAK_LOCAL_SERVER | OAK_REMOTE_SERVER));
  double J = 0;
  ASSERT_EQ(0u, OakConvertStringToJulian("20241231", 8, &J));
  EXPECT_EQ(2460676.0, J);
  char Text[13];
  Len = sizeof Text;
  ASSERT_EQ(0u, OakConvertJulianToString(J, Text, &Len));
  EXPECT_EQ("20241231", std::string(Text, Len));
  ASSERT_EQ(0u, OakConvertDateToJulian(Conn, "31.12.2024", 10, &J));
  EXPECT_EQ(2460676.0, J);
}

TEST_F(ApiTest, ConnectionsNeedAnExistingFolder) {
  OAKHANDLE C = 0;
  EXPECT_EQ(5002u, OakConnect60((Dir + "/missing").c_str(), OAK_LOCAL_SERVER, "", "", 0, &C));
  EXPECT_EQ(5024u, OakDisconnect(987654));
  UNSIGNED16 Type = 0;
  ASSERT_EQ(0u, OakGetConnectionType(Conn, &Type));
  EXPECT_EQ(OAK_CONNECTION_LOCAL, Type);
  ASSERT_EQ(0u, OakGetHandleType(Conn, &Type));
  EXPECT_EQ(OAK_CONNECTION, Type);
  EXPECT_EQ(5018u, OakGetHandleType(987654, &Type));
}

TEST_F(ApiTest, DisconnectClosesTheTablesOfTheConnection) {
  OAKHANDLE C = 0;
  ASSERT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C));
  OAKHANDLE T = Create("t", "A,Integer");
  ASSERT_EQ(0u, OakCloseTable(T));
  ASSERT_EQ(0u, Open("t", &T, true, C));
  ASSERT_EQ(0u, OakDisconnect(C));
  EXPECT_EQ(5018u, OakGotoTop(T));
  EXPECT_EQ(0u, Open("t", &T, true));  // the exclusive open ended
}

// Handles found once are remembered; a handle that shares the memory slot
// of another, or one just closed, must still resolve to its own object.
TEST_F(ApiTest, HandlesResolveToTheirOwnTableEvenWhenRecentlyUsedOrClosed) {
  for (int Records : {1, 2}) {
    OAKHANDLE T = Create(Records == 1 ? "one" : "two", "A,Integer");
    for (int I = 0; I < Records; ++I) {
      ASSERT_EQ(0u, OakAppendRecord(T));
      ASSERT_EQ(0u, OakWriteRecord(T));
    }
    ASSERT_EQ(0u, OakCloseTable(T));
  }
  auto Count = [](OAKHANDLE T) {
    UNSIGNED32 N = 0;
    return OakGetRecordCount(T, OAK_IGNOREFILTERS, &N) == 0 ? int(N) : -1;
  };
  const OAKHANDLE One = OpenOk("one");
  ASSERT_EQ(1, Count(One));
  std::vector<OAKHANDLE> Twos;
  while (Twos.size() < 64 && (Twos.empty() || Twos.back() % 16 != One % 16)) Twos.push_back(OpenOk("two"));
  const OAKHANDLE Alias = Twos.back();
  ASSERT_EQ(One % 16, Alias % 16);
  EXPECT_EQ(2, Count(Alias));
  EXPECT_EQ(1, Count(One));
  ASSERT_EQ(0u, OakCloseTable(One));
  EXPECT_EQ(-1, Count(One));
  EXPECT_EQ(2, Count(Alias));
  for (OAKHANDLE T : Twos) EXPECT_EQ(0u, OakCloseTable(T));
  EXPECT_EQ(-1, Count(Alias));
}

TEST_F(ApiTest, DataDictionaryAnswersPropertiesAndObjects) {
  std::ofstream(PathOf("office.OAD")) << "[TABLE adressen]\n213=ID\n[USER adssys]\n1102=admin\n"
                                          "[OBJECTS 10]\n1=adssys\n2=clerk\n";
  OAKHANDLE C = 0;
  ASSERT_EQ(0u, OakConnect60((Dir + "/office.OAD").c_str(), OAK_LOCAL_SERVER, "adssys", "", 0, &C));
  char Buf[200];
  UNSIGNED16 Len = sizeof Buf;
  ASSERT_EQ(0u, OakDDGetTableProperty(C, "Adressen", OAK_DD_TABLE_DEFAULT_INDEX, Buf, &Len));
  EXPECT_EQ("ID", std::string(Buf, Len));
  Len = sizeof Buf;
  EXPECT_EQ(5138u, OakDDGetTableProperty(C, "Auftraege", OAK_DD_TABLE_DEFAULT_INDEX, Buf, &Len));
  Len = 0;
  EXPECT_EQ(5005u, OakDDGetUserProperty(C, "adssys", OAK_DD_USER_PROPERTY, nullptr, &Len));
  EXPECT_EQ(5u, Len);
  std::vector<std::string> Users;
  OAKHANDLE Find = 0;
  Len = sizeof Buf;
  for (UNSIGNED32 R = OakDDFindFirstObject(C, OAK_DD_USER_OBJECT, "", Buf, &Len, &Find); R == 0;
       R = OakDDFindNextObject(C, Find, Buf, &Len)) {
    Users.push_back(std::string(Buf, Len));
    Len = sizeof Buf;
  }
  EXPECT_EQ((std::vector<std::string>{"adssys", "clerk"}), Users);
  EXPECT_EQ(0u, OakDDFindClose(C, Find));
  OakDisconnect(C);
}

// Only a find-first that succeeds hands out a search: an empty list or a
// buffer too small leave no handle behind. A name too long for the buffer
// stays the next one.
TEST_F(ApiTest, OnlyASucceedingFindFirstHandsOutASearch) {
  std::ofstream(PathOf("office.OAD")) << "[OBJECTS 10]\n1=adssys\n2=clerk\n";
  OAKHANDLE C = 0, Find = 0;
  ASSERT_EQ(0u, OakConnect60((Dir + "/office.OAD").c_str(), OAK_LOCAL_SERVER, "adssys", "", 0, &C));
  OakCloseTable(Create("Adressen", "ID,Integer"));
  const size_t Before = oak::CountHandles(oak::THandleKind::Find);
  char Buf[64], Db[4];
  UNSIGNED16 Len = 3, DbLen = sizeof Db;
  EXPECT_EQ(5005u, OakDDFindFirstObject(C, OAK_DD_USER_OBJECT, "", Buf, &Len, &Find));
  EXPECT_EQ(5137u, OakDDFindFirstObject(C, OAK_DD_TABLE_OBJECT, "", Buf, &(Len = sizeof Buf), &Find));
  EXPECT_EQ(5005u, OakFindFirstTable62(Conn, "*.oat", Db, &DbLen, Buf, &(Len = sizeof Buf), &Find));
  EXPECT_EQ(OAK_INVALID_HANDLE, Find);
  EXPECT_EQ(Before, oak::CountHandles(oak::THandleKind::Find));
  ASSERT_EQ(0u, OakDDFindFirstObject(C, OAK_DD_USER_OBJECT, "", Buf, &(Len = sizeof Buf), &Find));
  EXPECT_EQ(5005u, OakDDFindNextObject(C, Find, Buf, &(Len = 2)));
  ASSERT_EQ(0u, OakDDFindNextObject(C, Find, Buf, &(Len = sizeof Buf)));
  EXPECT_EQ("clerk", std::string(Buf, Len));
  EXPECT_EQ(0u, OakDDFindClose(C, Find));
  EXPECT_EQ(Before, oak::CountHandles(oak::THandleKind::Find));
  OakDisconnect(C);
}

}  // namespace
