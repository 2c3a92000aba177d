// Shared verbs of the dataset layer's test scenarios: a fresh data folder
// per test with tables made through the engine's entry points, and the
// layer's components (connection, tables) owned by one form-like owner.
//
//   class MyTest : public OakTest {};
//   TEST_F(MyTest, Something) {
//     CreateTable("ADRESSEN", "ID,Integer;NNAME,Character,20");
//     AddRow("ADRESSEN", {{"ID", "1"}, {"NNAME", "Miller"}});
//     CreateIndex("ADRESSEN", "NNAME", "NNAME");
//     TOakTable* T = OpenTable("ADRESSEN");          // on Connection()
//     EXPECT_EQ("Miller", Trimmed(T, "NNAME"));
//   }
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "data/oak/oaktable.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"
#include "temp_dir.h"

using TOakRowValues = std::vector<std::pair<std::string, std::string>>;

class OakTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = MakeTempFolder("oaklayer");
    ASSERT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Engine));
    OakShowDeleted(1);
    Form = new TComponent(nullptr);
    Form->SetName("Form1");
  }
  void TearDown() override {
    Form->Free();
    Form = nullptr;
    for (OAKHANDLE T : OpenHandles) OakCloseTable(T);
    for (OAKHANDLE C : Extra) OakDisconnect(C);
    OakDisconnect(Engine);
    SetProgramPath(String());
    std::filesystem::remove_all(Dir);
  }

  // ---- Tables through the engine ----------------------------------------------
  // Creates Name in the data folder from "FIELD,Type[,Len[,Dec]];..." and
  // closes it again.
  void CreateTable(const std::string& Name, const std::string& Fields) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakCreateTable(Engine, (Dir + "/" + Name).c_str(), nullptr, OAK_OAT, OAK_ANSI, 1,
                                 1, 0, Fields.c_str(), &T))
        << Name;
    OakCloseTable(T);
  }
  // Opens Name through the engine (shared) for raw inspection; closed at
  // the end of the test.
  OAKHANDLE EngineOpen(const std::string& Name, OAKHANDLE OnConn = 0) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakOpenTable(OnConn ? OnConn : Engine, (Dir + "/" + Name).c_str(), nullptr,
                               OAK_OAT, OAK_ANSI, 1, 1, 0, &T))
        << Name;
    OpenHandles.push_back(T);
    return T;
  }
  // Appends one record with FIELD=text pairs (the engine parses the text).
  void AddRow(const std::string& Table, const TOakRowValues& Values) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakOpenTable(Engine, (Dir + "/" + Table).c_str(), nullptr, OAK_OAT, OAK_ANSI, 1,
                               1, 0, &T));
    ASSERT_EQ(0u, OakAppendRecord(T));
    for (auto& [F, V] : Values) {
      UNSIGNED16 No = FieldNo(T, F);
      ASSERT_EQ(0u, OakSetField(T, No, V.data(), static_cast<UNSIGNED32>(V.size()))) << F;
    }
    ASSERT_EQ(0u, OakWriteRecord(T));
    OakCloseTable(T);
  }
  // Adds a tag to the table's structural index.
  void CreateIndex(const std::string& Table, const std::string& Tag, const std::string& Expr,
                   UNSIGNED32 Options = 0) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakOpenTable(Engine, (Dir + "/" + Table).c_str(), nullptr, OAK_OAT, OAK_ANSI, 1,
                               1, OAK_EXCLUSIVE, &T));
    OAKHANDLE I = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakCreateIndex61(T, "", Tag.c_str(), Expr.c_str(), "", "", Options, 0, &I))
        << Tag;
    OakCloseTable(T);
  }
  // A second engine connection to the folder ("another user").
  OAKHANDLE OtherUser() {
    OAKHANDLE C = 0;
    EXPECT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C));
    Extra.push_back(C);
    return C;
  }
  static UNSIGNED16 FieldNo(OAKHANDLE T, const std::string& Name) {
    UNSIGNED16 N = 0;
    EXPECT_EQ(0u, OakGetFieldNum(T, Name.c_str(), &N)) << Name;
    return N;
  }
  // Writes raw bytes into a field of record RecNo (engine-side corruption
  // of values, e.g. null markers).
  void PokeRaw(const std::string& Table, UNSIGNED32 RecNo, const std::string& Field,
               const void* Bytes, UNSIGNED32 Len) {
    Poke(Table, RecNo, Field, Bytes, Len, OakSetFieldRaw, Engine);
  }
  // Another user of this process sets Field of record RecNo to Value (a
  // text, or a memo's data) under a record lock.
  void OtherUserSets(const std::string& Table, UNSIGNED32 RecNo, const std::string& Field,
                     const std::string& Value) {
    Poke(Table, RecNo, Field, Value.data(), static_cast<UNSIGNED32>(Value.size()), OakSetField, OtherUser());
  }
  void Poke(const std::string& Table, UNSIGNED32 RecNo, const std::string& Field, const void* Bytes,
            UNSIGNED32 Len, UNSIGNED32 (*Setter)(OAKHANDLE, UNSIGNED16, const void*, UNSIGNED32),
            OAKHANDLE OnConn) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakOpenTable(OnConn, (Dir + "/" + Table).c_str(), nullptr, OAK_OAT, OAK_ANSI, 1,
                               1, 0, &T));
    ASSERT_EQ(0u, OakGotoRecord(T, RecNo));
    ASSERT_EQ(0u, OakLockRecord(T, RecNo));
    ASSERT_EQ(0u, Setter(T, FieldNo(T, Field), Bytes, Len));
    ASSERT_EQ(0u, OakWriteRecord(T));
    ASSERT_EQ(0u, OakUnlockRecord(T, RecNo));
    OakCloseTable(T);
  }

  // ---- The layer's components -----------------------------------------------------
  // The test's connection component on the data folder (made on first use).
  TOakConnection* Connection() {
    if (!Conn) {
      Conn = new TOakConnection(Form);
      Conn->SetName("OakConnection");
      Conn->SetConnectPath(Dir);
    }
    return Conn;
  }
  // A table component on Connection() (or on DatabaseName when given),
  // not yet open.
  TOakTable* MakeTable(const std::string& Name, const std::string& DatabaseName = "") {
    auto* T = new TOakTable(Form);
    if (DatabaseName.empty())
      T->SetOakConnection(Connection());
    else
      T->SetDatabaseName(DatabaseName);
    T->SetTableName(Name);
    return T;
  }
  TOakTable* OpenTable(const std::string& Name, const std::string& IndexName = "") {
    TOakTable* T = MakeTable(Name);
    if (!IndexName.empty()) T->SetIndexName(IndexName);
    T->Open();
    return T;
  }
  static std::string Text(TDataSet* D, const std::string& Field) {
    return D->FieldByName(Field)->AsString();
  }
  static std::string Trimmed(TDataSet* D, const std::string& Field) {
    return TrimRight(D->FieldByName(Field)->AsString());
  }
  // The values of Field in every row, in the dataset's order.
  static std::vector<std::string> Column(TDataSet* D, const std::string& Field) {
    std::vector<std::string> Out;
    for (D->First(); !D->Eof(); D->Next()) Out.push_back(Trimmed(D, Field));
    return Out;
  }
  // Places "oak.ini" with Section "Databases" entries beside the program.
  void WriteOakIni(const std::vector<std::pair<std::string, std::string>>& Aliases) {
    std::string ProgDir = Dir + "/prog";
    std::filesystem::create_directories(ProgDir);
    std::ofstream Out(ProgDir + "/oak.ini");
    Out << "[Databases]\r\n";
    for (auto& [K, V] : Aliases) Out << K << "=" << V << "\r\n";
    Out.close();
    SetProgramPath(ProgDir + "/tool");
  }

  std::string Dir;
  OAKHANDLE Engine = 0;
  TComponent* Form = nullptr;
  TOakConnection* Conn = nullptr;
  std::vector<OAKHANDLE> OpenHandles, Extra;
};

// The layer's failure with its code; fails the test when Body raises
// nothing or something else.
template <class F>
EOAKDatabaseError CatchOak(F&& Body) {
  try {
    Body();
  } catch (EOAKDatabaseError& E) {
    return E;
  }
  ADD_FAILURE() << "no EOAKDatabaseError";
  return EOAKDatabaseError(nullptr, 0, "");
}
