// The record storage of the in-memory table: the chunked list, record ids,
// the record layout, attaching and rollback.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/memtable/mtMemTable.h"

namespace {

void* Item(intptr_t N) { return reinterpret_cast<void*>(N); }
intptr_t Num(void* P) { return reinterpret_cast<intptr_t>(P); }

// ---- TmtList ----------------------------------------------------------------

class ChunkedList : public ::testing::Test {
 protected:
  void Fill(int N) {
    for (int I = 0; I < N; ++I) List.Add(Item(I));
  }
  // Whether the list reads 0, 1, 2 ... with the gaps of Skipped, by index
  // and by the walk over its blocks alike.
  bool ReadsInOrder() const {
    for (Integer I = 0; I < List.Count(); ++I)
      if (Num(List.Get(I)) != Expected[static_cast<size_t>(I)]) return false;
    std::vector<intptr_t> Walked;
    List.ForEach([&](void* P) { Walked.push_back(Num(P)); });
    return Walked == Expected;
  }
  TmtList List;
  std::vector<intptr_t> Expected;
};

TEST_F(ChunkedList, AddingBeyondTwoThousandStartsASecondBlock) {
  Fill(2000);
  EXPECT_EQ(1, List.BlockCount());
  List.Add(Item(2000));
  EXPECT_EQ(2, List.BlockCount());
  EXPECT_EQ(2001, List.Count());
  EXPECT_EQ(2000, Num(List.Get(2000)));
  EXPECT_EQ(1999, Num(List.Get(1999)));
}

TEST_F(ChunkedList, DeletingFromTheFirstBlockKeepsPositionsConsistent) {
  Fill(2001);
  for (int I = 0; I < 2001; ++I) Expected.push_back(I);
  List.Delete(10);
  Expected.erase(Expected.begin() + 10);
  List.Delete(0);
  Expected.erase(Expected.begin());
  EXPECT_EQ(1999, List.Count());
  EXPECT_TRUE(ReadsInOrder());
  EXPECT_EQ(2000, Num(List.Get(1998)));
}

TEST_F(ChunkedList, InsertIntoAFullBlockSplitsIt) {
  Fill(4000);
  for (int I = 0; I < 4000; ++I) Expected.push_back(I);
  List.Insert(500, Item(-1));
  Expected.insert(Expected.begin() + 500, -1);
  EXPECT_EQ(3, List.BlockCount());
  EXPECT_TRUE(ReadsInOrder());
}

TEST_F(ChunkedList, InsertOutsideTheListAppendsOrPrepends) {
  Fill(3);
  List.Insert(99, Item(7));
  List.Insert(-5, Item(8));
  EXPECT_EQ(8, Num(List.Get(0)));
  EXPECT_EQ(7, Num(List.Get(4)));
}

TEST_F(ChunkedList, IndexesOutsideReadNilAndWriteNothing) {
  Fill(2);
  EXPECT_EQ(nullptr, List.Get(2));
  EXPECT_EQ(nullptr, List.Get(-1));
  List.Put(5, Item(9));
  List.Delete(5);
  EXPECT_EQ(2, List.Count());
}

TEST_F(ChunkedList, EmptiedBlocksAreRemoved) {
  Fill(2001);
  List.Delete(2000);
  EXPECT_EQ(1, List.BlockCount());
  while (List.Count() > 0) List.Delete(0);
  EXPECT_EQ(0, List.BlockCount());
}

// ---- TmtCommon ------------------------------------------------------------------

class RecordStorage : public ::testing::Test {
 protected:
  void SetUp() override {
    Table = std::make_unique<TmtMemTable>(nullptr);
    Table->FieldDefs().Add("Name", ftString, 20);
    Table->FieldDefs().Add("ID", ftInteger);
  }
  TmtCommon& Storage() { return Table->Common(); }
  // Adds a bare record to the storage.
  TmtRecord* AddRecord() {
    TmtRecord* R = Storage().AllocRecord();
    Storage().AddRecord(R);
    return R;
  }

  std::unique_ptr<TmtMemTable> Table;
};

TEST_F(RecordStorage, FreedRecordIdIsReusedButUniqueIdIsNot) {
  Table->Open();
  TmtRecord* A = AddRecord();
  TmtRecord* B = AddRecord();
  EXPECT_EQ(0, A->RecordID);
  EXPECT_EQ(1, B->RecordID);
  Storage().DeleteRecord(A);
  TmtRecord* C = AddRecord();
  EXPECT_EQ(0, C->RecordID);
  EXPECT_EQ(2, C->UniqueRecordID);
  EXPECT_EQ(2, Storage().RecordCount());
}

TEST_F(RecordStorage, ForeignRecordIsRefused) {
  Table->Open();
  TmtRecord* Loose = Storage().AllocRecord();
  try {
    Storage().DeleteRecord(Loose);
    FAIL() << "deleted a record that is not stored";
  } catch (const EMemTableInvalidRecord& E) {
    EXPECT_EQ(String("Invalid record "), E.Message());
  }
  Storage().FreeRecord(Loose);
}

TEST_F(RecordStorage, FastLayoutKeepsLongStringsInTheRecord) {
  Table->FieldDefs().Add("Path", ftString, 200);
  Table->Open();
  const TmtFieldLayout* Name = Storage().FieldLayout(1);
  const TmtFieldLayout* Id = Storage().FieldLayout(2);
  const TmtFieldLayout* Path = Storage().FieldLayout(3);
  EXPECT_EQ(0, Name->Offset);
  EXPECT_EQ(1 + Name->ValueSize, Id->Offset);
  EXPECT_EQ(4, Id->ValueSize);
  EXPECT_GE(Path->Offset, 0);
  EXPECT_EQ(Path->Offset + 1 + Path->ValueSize, Storage().DataSize());
  EXPECT_EQ(0, Storage().OutOfRecordCount());
}

TEST_F(RecordStorage, BalancedLayoutKeepsLongStringsAndBlobsOutside) {
  Table->FieldDefs().Add("Path", ftString, 13);
  Table->FieldDefs().Add("Short", ftString, 12);
  Table->FieldDefs().Add("Note", ftMemo);
  Table->SetPerformance(mtpfBalanced);
  Table->Open();
  EXPECT_EQ(-1, Storage().FieldLayout(3)->Offset);
  EXPECT_GE(Storage().FieldLayout(4)->Offset, 0);
  EXPECT_EQ(-1, Storage().FieldLayout(5)->Offset);
  EXPECT_EQ(3, Storage().OutOfRecordCount());
}

TEST_F(RecordStorage, SetupFieldEventMayKeepAFieldOutOfRecord) {
  Table->OnSetupField = [](TDataSet*, TField* F, Byte& Flags) {
    if (F->FieldName() == "Name") Flags = mtlfOutOfRecord;
  };
  Table->Open();
  EXPECT_EQ(-1, Storage().FieldLayout(1)->Offset);
}

TEST_F(RecordStorage, TypeWithoutSizeRuleIsRefused) {
  TmtCommon Common(Table.get());
  TFieldDefs Defs(Table.get());
  Defs.Add("Cur", ftCursor);
  try {
    Common.SetupLayout(Defs, {});
    FAIL() << "cursor field laid out";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Fielddef Cur (Cur) Datatype 22 not supported."), E.Message());
  }
}

TEST_F(RecordStorage, AttachMaxCountBelowOneIsAnInvalidArgument) {
  try {
    Table->SetAttachMaxCount(0);
    FAIL();
  } catch (const Exception& E) {
    EXPECT_EQ(String("Invalid argument."), E.Message());
  }
  Table->SetAttachMaxCount(3);
  EXPECT_EQ(3, Table->AttachMaxCount());
}

TEST_F(RecordStorage, StandaloneCannotChangeWhileChildrenAreAttached) {
  TmtMemTable Child(nullptr);
  Child.SetAttachedTo(Table.get());
  try {
    Table->SetStandalone(true);
    FAIL();
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Children are attached to this table."), E.Message());
  }
  Child.SetAttachedTo(nullptr);
  Table->SetStandalone(true);
  EXPECT_TRUE(Table->Standalone());
}

TEST_F(RecordStorage, RaisingTheAutoIncMinimumHandsItOutNext) {
  Storage().SetAutoIncMinValue(5);
  EXPECT_EQ(5, Storage().NextAutoInc());
  EXPECT_EQ(6, Storage().NextAutoInc());
  Storage().SetAutoIncMinValue(3);
  EXPECT_EQ(7, Storage().NextAutoInc());
  Storage().ResetAutoInc();
  EXPECT_EQ(3, Storage().NextAutoInc());
}

TEST_F(RecordStorage, EmptyingStartsANewGeneration) {
  Table->Open();
  AddRecord();
  Integer Before = Storage().Generation();
  Table->EmptyTable();
  EXPECT_NE(Before, Storage().Generation());
  EXPECT_EQ(0, Storage().NextRecordID());
  EXPECT_EQ(0, Storage().NextUniqueRecordID());
}

TEST_F(RecordStorage, HeapBlocksHoldLengthAndBytes) {
  Byte* B = mtAllocHeapBlock("abc", 3);
  EXPECT_EQ(3, mtHeapBlockLength(B));
  EXPECT_EQ(0, std::memcmp("abc", mtHeapBlockData(B), 3));
  EXPECT_EQ(3, B[0]);
  mtFreeHeapBlock(B);
  Byte* Z = mtAllocHeapBlock(nullptr, 4);
  EXPECT_EQ(0, mtHeapBlockData(Z)[3]);
  mtFreeHeapBlock(Z);
}

TEST_F(RecordStorage, FieldListKeepsOptionsAndMergesThem) {
  Table->Open();
  TmtFieldList A, B;
  TField* Name = Table->FieldByName("Name");
  TField* Id = Table->FieldByName("ID");
  EXPECT_EQ(0, A.Add(Name, TmtMemTableCompareOptions{mtcoDescending}));
  EXPECT_EQ(1, A.Add(Id, {}));
  B.Add(Id, TmtMemTableCompareOptions{mtcoCaseInsensitive});
  A.MergeOptions(B);
  EXPECT_TRUE(A.Options(1).Contains(mtcoCaseInsensitive));
  EXPECT_EQ(-1, B.IndexOf(Name));
  A.AssignTo(B);
  EXPECT_EQ(2, B.Count());
}

TEST_F(RecordStorage, FieldListHoldsAtMostMaxFields) {
  TmtFieldList L;
  for (int I = 0; I < MT_MAX_FIELDS; ++I) L.Add(nullptr, {});
  try {
    L.Add(nullptr, {});
    FAIL();
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("Too many fielddefs. Please raise MT_MAX_FIELDS value."), E.Message());
  }
}

}  // namespace
