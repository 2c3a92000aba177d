// Engine errors as exceptions: the message and fields of EOAKDatabaseError,
// the check routines, and the codes that particular calls absorb.
#include <fstream>
#include <thread>

#include "oak_fixture.h"
#include "platform/engine/connection.h"

namespace {

class ErrorsTest : public OakTest {
 protected:
  // Makes the engine's last error of this thread Text (with Code).
  static void EngineFails(UNSIGNED32 Code, const std::string& Text) {
    OakSetLastError(Code, Text.c_str());
  }
  TOakTable* NamedTable(const std::string& Name) {
    TOakTable* T = MakeTable("ADRESSEN");
    T->SetName(Name);
    return T;
  }
};

// ---- The exception -----------------------------------------------------------------

TEST_F(ErrorsTest, MessageIsTheDataSetNameAndTheEngineText) {
  TOakTable* T = NamedTable("OakTable_ADR");
  EngineFails(5035, "The record is locked by another user.");
  auto E = CatchOak([&] { RaiseOakError(T, 5035); });
  EXPECT_EQ("OakTable_ADR: The record is locked by another user.", E.Message());
  EXPECT_EQ(5035, E.ErrorCode);
  EXPECT_EQ("OakTable_ADR", E.DataSetName);
  EXPECT_EQ("Form1", E.OwnerName);
  EXPECT_EQ("ADRESSEN", E.TableName);
  EXPECT_EQ(Dir, E.DataPath);
}

TEST_F(ErrorsTest, CodeIsTheOnePassedAndTextTheEnginesLastError) {
  EngineFails(5002, "File not found");
  auto E = CatchOak([] { RaiseOakError(nullptr, 5121); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_EQ("File not found", E.Message());
}

TEST_F(ErrorsTest, DataSetWithoutNameGivesTheEngineTextAlone) {
  TOakTable* T = MakeTable("ADRESSEN");
  EngineFails(5044, "Index not found");
  auto E = CatchOak([&] { RaiseOakError(T, 5044); });
  EXPECT_EQ("Index not found", E.Message());
  EXPECT_EQ("", E.DataSetName);
}

TEST_F(ErrorsTest, NativeErrorIsTakenFromSqlErrorsOnly) {
  EOAKDatabaseError A(nullptr, 7200, "Error 7200: AQE Error: State = S0000; nativeerror = 1234;");
  EXPECT_EQ(1234, A.NativeError);
  EOAKDatabaseError B(nullptr, 7200, "ERROR 7200: NATIVEERROR = 77");
  EXPECT_EQ(77, B.NativeError);
  EOAKDatabaseError C(nullptr, 5000, "Error 5000: NativeError = 1234;");
  EXPECT_EQ(0, C.NativeError);
  EOAKDatabaseError D(nullptr, 7200, "ERROR 7200: NATIVEERROR = abc;");
  EXPECT_EQ(0, D.NativeError);
}

TEST_F(ErrorsTest, ColumnNameComesFromColumnErrors) {
  EOAKDatabaseError A(nullptr, 5147, "Error: column \"NNAME\" not found");
  EXPECT_EQ("NNAME", A.ColumnName);
  EOAKDatabaseError B(nullptr, 5000, "Error: column \"NNAME\" not found");
  EXPECT_EQ("", B.ColumnName);
  EOAKDatabaseError C(nullptr, 5149, "no column named");
  EXPECT_EQ("", C.ColumnName);
}

TEST_F(ErrorsTest, IsADatabaseErrorOfTheClassLibrary) {
  EngineFails(5000, "x");
  EXPECT_THROW(RaiseOakError(nullptr, 5000), EDatabaseError);
  EXPECT_TRUE(EOAKDatabaseError(nullptr, 1, "x").Is<EDatabaseError>());
}

TEST_F(ErrorsTest, LayerErrorsStoreTheirTextAsTheEnginesLastError) {
  auto E = CatchOak([] { RaiseOakLayerError(nullptr, 5054, "Update permission not granted."); });
  EXPECT_EQ(5054, E.ErrorCode);
  EXPECT_EQ("Update permission not granted.", E.Message());
  EXPECT_EQ("Update permission not granted.", OakLastErrorText());
}

TEST_F(ErrorsTest, OakErrorCarriesTheEngineTextOfACode) {
  OakError E = OakError::FromCode(5035);
  EXPECT_FALSE(E.Message().empty());
  EngineFails(5002, "last one");
  EXPECT_EQ("last one", OakError::FromLastError().Message());
}

// ---- The checks ----------------------------------------------------------------------

TEST_F(ErrorsTest, CodeZeroPassesEveryCheck) {
  EXPECT_NO_THROW(RaiseOakError(nullptr, 0));
  EXPECT_NO_THROW(CheckOakResult(nullptr, 0));
}

TEST_F(ErrorsTest, CheckOakResultAbsorbsOnlyNoCurrentRecord) {
  EXPECT_NO_THROW(CheckOakResult(nullptr, 5068));
  EXPECT_THROW(RaiseOakError(nullptr, 5068), EOAKDatabaseError);
  EXPECT_EQ(5035, CatchOak([] { CheckOakResult(nullptr, 5035); }).ErrorCode);
}

// ---- Codes absorbed by the calls ---------------------------------------------------------

TEST_F(ErrorsTest, UnknownBookmarkIsIgnoredWhenGoingThere) {
  CreateTable("ADRESSEN", "ID,Integer");
  AddRow("ADRESSEN", {{"ID", "1"}});
  TOakTable* T = OpenTable("ADRESSEN");
  TBookmark Bogus("\x63\0\0\0", 4);
  try {
    T->GotoBookmark(Bogus);
  } catch (EOAKDatabaseError& E) {
    FAIL() << "5022 was raised: " << E.Message();
  } catch (EDatabaseError&) {
    // The class library may find the record gone; the engine code is not raised.
  }
  EXPECT_FALSE(T->BookmarkValid(Bogus));
}

TEST_F(ErrorsTest, TableMissingFromTheDictionaryIsOpenedByPath) {
  CreateTable("ADRESSEN", "ID,Integer");
  AddRow("ADRESSEN", {{"ID", "1"}});
  { std::ofstream(Dir + "/office.oad") << "[OBJECTS 1]\r\n1=AUFTRAEGE\r\n"; }
  Connection()->SetConnectPath(Dir + "/office.oad");
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_EQ(1, T->RecordCount());
  EXPECT_EQ(ttOakOAT, T->TableType());
}

TEST_F(ErrorsTest, TableWithMoreIndexesThanSlotsOpens) {
  CreateTable("ADRESSEN", "ID,Integer;NNAME,Character,10");
  CreateIndex("ADRESSEN", "ID", "ID");
  CreateIndex("ADRESSEN", "NNAME", "NNAME");
  TOakTable* T = OpenTable("ADRESSEN");
  EXPECT_TRUE(T->Active());
  UNSIGNED16 N = 0;
  OakGetNumIndexes(T->TableHandle(), &N);
  EXPECT_EQ(2, N);
}

TEST_F(ErrorsTest, DestroyingAConnectionWhoseHandleIsGoneRaisesNothing) {
  TOakConnection* C = Connection();
  C->Connect();
  OakDisconnect(C->ConnectionHandle());
  EXPECT_NO_THROW(C->Free());
  Conn = nullptr;
}

TEST_F(ErrorsTest, EndOfTheDictionaryObjectListEndsTheList) {
  { std::ofstream(Dir + "/office.oad") << "[OBJECTS 1]\r\n1=ADRESSEN\r\n2=AUFTRAEGE\r\n"; }
  Connection()->SetConnectPath(Dir + "/office.oad");
  TStringList Names;
  Connection()->GetDictionaryObjects(&Names);
  ASSERT_EQ(2, Names.Count());
  EXPECT_EQ("ADRESSEN", Names.Strings(0));
  EXPECT_TRUE(Connection()->IsConnected());
}

// A list that fails at its first or at a later name raises and leaves no
// search of the engine open.
TEST_F(ErrorsTest, AFailedObjectListLeavesNoSearchOpen) {
  const std::string Long(250, 'X');
  Connection()->SetConnectPath(Dir + "/office.oad");
  const size_t Before = oak::CountHandles(oak::THandleKind::Find);
  for (const std::string& Objects : {"1=" + Long + "\r\n", "1=ADRESSEN\r\n2=" + Long + "\r\n"}) {
    std::ofstream(Dir + "/office.oad") << "[OBJECTS 1]\r\n" << Objects;
    TStringList Names;
    EXPECT_THROW(Connection()->GetDictionaryObjects(&Names), EOAKDatabaseError);
    EXPECT_EQ(Before, oak::CountHandles(oak::THandleKind::Find));
  }
}

TEST_F(ErrorsTest, DisconnectFailureRaisesOakErrorAfterTheEvents) {
  TOakConnection* C = Connection();
  C->Connect();
  OakDisconnect(C->ConnectionHandle());
  bool After = false;
  C->AfterDisconnect = [&](TObject*) { After = true; };
  EXPECT_THROW(C->Disconnect(), OakError);
  EXPECT_TRUE(After);
  EXPECT_FALSE(C->IsConnected());
}

}  // namespace

namespace {

TEST_F(ErrorsTest, TwoThreadsFailingAtOnceEachBuildTheirOwnError) {
  std::vector<std::string> Messages(2);
  auto Fail = [&](int I) {
    for (int N = 0; N < 200; ++N) {
      OakSetLastError(5000 + I, ("thread " + std::to_string(I)).c_str());
      try {
        RaiseOakError(nullptr, 5000 + I);
      } catch (EOAKDatabaseError& E) {
        if (E.ErrorCode != 5000 + I)
          Messages[I] = "wrong code";
        else if (Messages[I].empty() || Messages[I] == E.Message())
          Messages[I] = E.Message();
        else
          Messages[I] = "mixed";
        continue;
      }
      Messages[I] = "not raised";
    }
  };
  std::thread A(Fail, 0), B(Fail, 1);
  A.join();
  B.join();
  EXPECT_EQ("thread 0", Messages[0]);
  EXPECT_EQ("thread 1", Messages[1]);
}

}  // namespace
