// Shared verbs of the engine's test scenarios: a fresh data folder per
// test, a connection to it, and small helpers that speak in tables,
// records and fields through the Oak* entry points.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/engine/oak.h"
#include "platform/os/files.h"
#include "kill_at_change.h"
#include "temp_dir.h"

// In a child process: dies by SIGKILL before its Step-th change of a file
// from now on (the kill tests' verb, shared with the other layers).
using mds_test::DieBeforeChange;

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = MakeTempFolder("oaktest");
    ASSERT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn));
    OakShowDeleted(1);
  }
  void TearDown() override {
    for (OAKHANDLE C : Extra) OakDisconnect(C);
    OakDisconnect(Conn);
    std::filesystem::remove_all(Dir);
  }

  // Creates a table from field definitions; leaves it open exclusively.
  OAKHANDLE Create(const std::string& Name, const std::string& Fields) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakCreateTable(Conn, Name.c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0,
                                 Fields.c_str(), &T));
    return T;
  }
  // Opens a table; returns the result code, the handle in *T.
  UNSIGNED32 Open(const std::string& Name, OAKHANDLE* T, bool Exclusive = false,
                  OAKHANDLE OnConn = 0) {
    return OakOpenTable(OnConn ? OnConn : Conn, Name.c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1,
                        Exclusive ? OAK_EXCLUSIVE : 0, T);
  }
  OAKHANDLE OpenOk(const std::string& Name, bool Exclusive = false) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, Open(Name, &T, Exclusive));
    return T;
  }
  OAKHANDLE Connect() {
    OAKHANDLE C = 0;
    EXPECT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C));
    Extra.push_back(C);
    return C;
  }

  static UNSIGNED16 Fld(OAKHANDLE T, const char* Name) {
    UNSIGNED16 N = 0;
    EXPECT_EQ(0u, OakGetFieldNum(T, Name, &N)) << Name;
    return N;
  }
  static void Set(OAKHANDLE T, const char* Field, const std::string& Value) {
    EXPECT_EQ(0u, OakSetField(T, Fld(T, Field), Value.data(), Value.size())) << Field;
  }
  static std::string Get(OAKHANDLE T, const char* Field, UNSIGNED16 Option = OAK_RTRIM) {
    char Buf[4096];
    UNSIGNED32 Len = sizeof Buf;
    UNSIGNED32 R = OakGetField(T, Fld(T, Field), Buf, &Len, Option);
    EXPECT_EQ(0u, R) << Field;
    return R ? std::string() : std::string(Buf, Len);
  }
  static bool Empty(OAKHANDLE T, const char* Field) {
    UNSIGNED16 E = 0;
    EXPECT_EQ(0u, OakIsEmpty(T, Fld(T, Field), &E));
    return E != 0;
  }
  // Appends one record with Field=Value pairs and writes it.
  static void Add(OAKHANDLE T, const std::vector<std::pair<const char*, std::string>>& Values) {
    ASSERT_EQ(0u, OakAppendRecord(T));
    for (auto& [F, V] : Values) Set(T, F, V);
    ASSERT_EQ(0u, OakWriteRecord(T));
  }
  static UNSIGNED32 RecNo(OAKHANDLE T) {
    UNSIGNED32 R = 0;
    EXPECT_EQ(0u, OakGetRecordNum(T, OAK_IGNOREFILTERS, &R));
    return R;
  }
  static UNSIGNED32 Count(OAKHANDLE T, UNSIGNED16 Option = OAK_IGNOREFILTERS) {
    UNSIGNED32 N = 0;
    EXPECT_EQ(0u, OakGetRecordCount(T, Option, &N));
    return N;
  }
  static bool Eof(OAKHANDLE T) {
    UNSIGNED16 E = 0;
    EXPECT_EQ(0u, OakAtEOF(T, &E));
    return E != 0;
  }
  static bool Bof(OAKHANDLE T) {
    UNSIGNED16 B = 0;
    EXPECT_EQ(0u, OakAtBOF(T, &B));
    return B != 0;
  }
  // The values of Field of every visible record in the order of H.
  static std::vector<std::string> Walk(OAKHANDLE H, const char* Field) {
    std::vector<std::string> Out;
    EXPECT_EQ(0u, OakGotoTop(H));
    while (!Eof(H)) {
      Out.push_back(Get(H, Field));
      EXPECT_EQ(0u, OakSkip(H, 1));
    }
    return Out;
  }
  static std::string LastErrorText() {
    UNSIGNED32 Code = 0;
    char Buf[600];
    UNSIGNED16 Len = sizeof Buf;
    OakGetLastError(&Code, Buf, &Len);
    return std::string(Buf, Len);
  }
  std::string PathOf(const std::string& File) const { return Dir + "/" + File; }
  std::string ReadFile(const std::string& File) const {
    std::ifstream In(PathOf(File), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  }
  void WriteFile(const std::string& File, const std::string& Data) const {
    std::ofstream(PathOf(File), std::ios::binary | std::ios::trunc) << Data;
  }
  // The table, memo and index file of table T, as bytes, with the change
  // counters, the write sequence and the index's table stamp left out: a
  // rollback moves them on, so that other handles read the files anew. PutBack writes them
  // back.
  std::vector<std::string> RawFiles(const std::string& T) const {
    return {ReadFile(T + ".OAT"), ReadFile(T + ".OAM"), ReadFile(T + ".OAI")};
  }
  std::vector<std::string> Files(const std::string& T) const {
    std::vector<std::string> F = RawFiles(T);
    auto Blank = [](std::string& Bytes, std::size_t At, std::size_t N) {
      if (Bytes.size() >= At + N) Bytes.replace(At, N, N, '#');
    };
    Blank(F[0], 32, 4);
    Blank(F[0], 48, 4);  // the write sequence moves on with every change in place
    Blank(F[2], 28, 4);
    Blank(F[2], 36, 8);
    return F;
  }
  void PutBack(const std::string& T, const std::vector<std::string>& Saved) const {
    const char* Ext[] = {".OAT", ".OAM", ".OAI"};
    for (size_t I = 0; I < Saved.size() && I < 3; ++I) WriteFile(T + Ext[I], Saved[I]);
  }

  std::string Dir;
  OAKHANDLE Conn = 0;
  std::vector<OAKHANDLE> Extra;  // connections of the other users, closed at the end
};
