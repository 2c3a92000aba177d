// The in-memory table's versions and transactions, tables attached to one
// storage, published properties and large tables.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/memtable/mtMemTable.h"
#include "km_fixture.h"
#include <chrono>
#include <cstring>
#include <atomic>
#include <thread>

#include "platform/rtl/classreg.h"
#include "platform/rtl/typinfo.h"

namespace {

class MemTableVersions : public KmTableTest {
 protected:
};

// ---- Transactions ------------------------------------------------------------

TEST_F(MemTableVersions, TransactionsNeedMultiVersionVersioning) {
  Open();
  try {
    Table->StartTransaction();
    FAIL() << "transaction without versioning";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Transactioning requires multiversion versioning."), E.Message());
  }
}

TEST_F(MemTableVersions, RollbackUndoesInsertsEditsAndDeletes) {
  Table->SetEnableVersioning(true);
  Table->SetVersioningMode(mtvmAllSinceCheckPoint);
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  Table->CheckPoint();
  Table->StartTransaction();
  Table->First();
  Table->Edit();
  Table->FieldByName("Name")->SetAsString("A2");
  Table->Post();
  Table->Last();
  Table->Delete();
  AddRow("C", 3);
  EXPECT_EQ((std::vector<String>{"A2", "C"}), Names());
  Table->Rollback();
  EXPECT_EQ(0, Table->TransactionLevel());
  EXPECT_EQ((std::vector<String>{"A", "B"}), Names());
}

TEST_F(MemTableVersions, CommitKeepsTheChanges) {
  Table->SetEnableVersioning(true);
  Table->SetVersioningMode(mtvmAllSinceCheckPoint);
  Open();
  Table->StartTransaction();
  AddRow("A", 1);
  Table->Commit();
  EXPECT_EQ(0, Table->TransactionLevel());
  EXPECT_EQ((std::vector<String>{"A"}), Names());
}

TEST_F(MemTableVersions, OldValueReadsTheVersionBeforeTheEdit) {
  Table->SetEnableVersioning(true);
  Open();
  AddRow("A", 1);
  Table->CheckPoint();
  Table->Edit();
  Table->FieldByName("Name")->SetAsString("B");
  Table->Post();
  EXPECT_EQ("A", Table->FieldByName("Name")->OldValue().AsString());
  EXPECT_EQ(usModified, Table->UpdateStatus());
}

// ---- Attached tables ------------------------------------------------------------

TEST_F(MemTableVersions, AttachingToAnOpenTableNeedsAFreePlace) {
  Open();
  TmtMemTable Other(nullptr);
  try {
    Other.SetAttachedTo(Table);
    FAIL() << "attached without a free place";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Table must be closed for this operation."), E.Message());
  }
  EXPECT_EQ(nullptr, Other.AttachedTo());
}

TEST_F(MemTableVersions, AttachedTableSeesTheOwnersRecords) {
  TmtMemTable Other(nullptr);
  Other.SetAttachedTo(Table);
  Open();
  AddRow("A", 1);
  Other.Open();
  EXPECT_EQ(1, Other.RecordCount());
  AddRow("B", 2);
  EXPECT_EQ(2, Other.RecordCount());
  EXPECT_EQ("A", Other.FieldByName("Name")->AsString());
  Other.Close();
}

TEST_F(MemTableVersions, AttachingToItselfOrToAnAttachmentIsRefused) {
  TmtMemTable Second(nullptr), Third(nullptr);
  Second.SetAttachedTo(Table);
  try {
    Table->SetAttachedTo(Table);
    FAIL();
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Cant attach memorytable to it self."), E.Message());
  }
  try {
    Third.SetAttachedTo(&Second);
    FAIL();
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Cant attach to another table which itself is an attachment."), E.Message());
  }
  try {
    Second.SetStandalone(true);
    FAIL();
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Table is attached to another table."), E.Message());
  }
  Second.SetAttachedTo(nullptr);
}

TEST_F(MemTableVersions, ClosingTheOwnerClosesAttachedTablesFirst) {
  TmtMemTable Other(nullptr);
  Other.SetAttachedTo(Table);
  Open();
  Other.Open();
  int Closes = 0;
  Other.BeforeClose = [&](TDataSet*) { ++Closes; };
  Table->Close();
  EXPECT_FALSE(Other.Active());
  EXPECT_EQ(1, Closes);
}

TEST_F(MemTableVersions, DeletedRowWithVersioningStaysUntilTheCheckPoint) {
  Table->SetEnableVersioning(true);
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  Table->CheckPoint();
  Table->First();
  Table->Delete();
  EXPECT_EQ(1, Table->RecordCount());
  EXPECT_EQ(2, Table->Common().RecordCount());
  EXPECT_EQ(1, Table->Common().DeletedCount());
  Table->CheckPoint();
  EXPECT_EQ(1, Table->Common().RecordCount());
  EXPECT_EQ(0, Table->Common().DeletedCount());
}

TEST_F(MemTableVersions, FilterIndexEventKeepsRowsOutOfAnIndex) {
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  Table->OnFilterIndex = [](TDataSet* D, TmtIndex* X, bool& Accept) {
    Accept = X->IsRowOrder() || D->FieldByName("ID")->AsInteger() != 1;
  };
  Table->AddIndex("byName", "Name", {});
  EXPECT_EQ(1, Table->Indexes().Find("byName")->Count());
  EXPECT_EQ(2, Table->Indexes().RowOrder()->Count());
}

TEST_F(MemTableVersions, CompareFieldsEventDecidesTheOrder) {
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  Table->OnCompareFields = [](TDataSet*, TField*, const void* A, const void* B,
                              TmtMemTableCompareOptions, Integer& Result, bool& Handled) {
    Integer X, Y;
    std::memcpy(&X, A, 4);
    std::memcpy(&Y, B, 4);
    Result = X < Y ? 1 : (X > Y ? -1 : 0);  // reversed
    Handled = true;
  };
  Table->AddIndex("byId", "ID", {});
  Table->SetIndexName("byId");
  EXPECT_EQ((std::vector<String>{"B", "A"}), Names());
}

// ---- Published properties -----------------------------------------------------

TEST_F(MemTableVersions, PropertiesAreSetByNameAsAFormDoes) {
  TmtCustomStreamFormat* Format = new TmtCustomStreamFormat(Owner.get());
  SetOrdProp(Table, "LocaleID", 1024);
  SetOrdProp(Table, "SubLanguageID", 1);
  SetEnumProp(Table, "Performance", "mtpfBalanced");
  SetSetProp(Table, "ProgressFlags", "[mtpcLoad,mtpcSave]");
  SetObjectProp(Table, "DefaultFormat", Format);
  EXPECT_EQ(1024, Table->LocaleID());
  EXPECT_EQ(mtpfBalanced, Table->Performance());
  EXPECT_EQ((TmtProgressCodes{mtpcLoad, mtpcSave}), Table->ProgressFlags());
  EXPECT_EQ(Format, Table->DefaultFormat());
  EXPECT_EQ("5.60", Table->Version());
  Format->Free();
  EXPECT_EQ(nullptr, Table->DefaultFormat());
}

TEST_F(MemTableVersions, TableClassIsFoundByName) {
  TClass C = FindClass("TmtMemTable");
  ASSERT_NE(nullptr, C);
  TObject* T = C->Create(Owner.get());
  EXPECT_TRUE(T->Is<TmtCustomMemTable>());
}

// ---- Large tables and the lock ------------------------------------------------

TEST_F(MemTableVersions, DeletesInTheFirstBlockKeepIndexesConsistent) {
  Open();
  Table->AddIndex("byId", "ID", TIndexOptions{ixDescending});
  Table->DisableControls();
  for (Integer I = 0; I < 2001; ++I) AddRow("n", I);
  EXPECT_EQ(2, Table->Common().Records().BlockCount());
  Table->SetIndexName("");
  Table->First();
  for (int I = 0; I < 10; ++I) Table->Delete();
  Table->EnableControls();
  TmtIndex* ById = Table->Indexes().Find("byId");
  ASSERT_EQ(1991, ById->Count());
  Table->SetIndexName("byId");
  Table->First();
  EXPECT_EQ(2000, Id());
  Table->Last();
  EXPECT_EQ(10, Id());
  Table->SetIndexName("");
  AddRow("reused", 5000);
  EXPECT_EQ(9, Table->Common().Records().Count() - Table->Common().RecordCount());
}

TEST_F(MemTableVersions, StorageLockKeepsOtherThreadsOut) {
  Open();
  AddRow("A", 1);
  Table->Common().Lock();
  // The other thread says when it is at the lock; once inside, it notes
  // whether the holder had already let go. A lock that kept nobody out
  // would let it in while the holder still works below.
  std::atomic<bool> AtTheLock{false}, Released{false};
  std::atomic<int> SawReleased{-1};
  std::thread Other([&] {
    AtTheLock = true;
    AtTheLock.notify_all();
    Table->Common().Lock();
    SawReleased = Released ? 1 : 0;
    Table->Common().Unlock();
  });
  AtTheLock.wait(false);
  for (int I = 0; I < 1000; ++I) {
    Table->Common().Lock();  // re-entrant for the holder
    Table->Common().Unlock();
    std::this_thread::yield();
  }
  EXPECT_EQ(SawReleased, -1);
  Released = true;
  Table->Common().Unlock();
  Other.join();
  EXPECT_EQ(SawReleased, 1);
}

}  // namespace
