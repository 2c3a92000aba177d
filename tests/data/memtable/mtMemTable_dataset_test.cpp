// The in-memory table as a dataset: opening and closing, the edit state
// machine with its events, navigation, bookmarks, emptying and field
// access.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/memtable/mtMemTable.h"
#include "km_fixture.h"
#include "platform/db/fieldkinds.h"

namespace {

class MemTableDataset : public KmTableTest {
 protected:
  // Records every event of the class library's order into Log.
  void TraceEvents() {
    auto Note = [this](const char* What) {
      return [this, What](TDataSet*) { Log.push_back(What); };
    };
    Table->BeforeInsert = Note("BeforeInsert");
    Table->AfterInsert = Note("AfterInsert");
    Table->BeforeEdit = Note("BeforeEdit");
    Table->AfterEdit = Note("AfterEdit");
    Table->BeforePost = Note("BeforePost");
    Table->AfterPost = Note("AfterPost");
    Table->BeforeCancel = Note("BeforeCancel");
    Table->AfterCancel = Note("AfterCancel");
    Table->BeforeDelete = Note("BeforeDelete");
    Table->AfterDelete = Note("AfterDelete");
    Table->OnNewRecord = Note("OnNewRecord");
    Table->BeforeClose = Note("BeforeClose");
  }

  std::vector<String> Log;
};

TEST_F(MemTableDataset, OpeningWithoutFieldDefinitionsIsRefused) {
  auto Empty = std::make_unique<TmtMemTable>(nullptr);
  try {
    Empty->Open();
    FAIL() << "opened without fields";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("There must be at least one field"), E.Message());
  }
  EXPECT_FALSE(Empty->Active());
}

TEST_F(MemTableDataset, AppendedRowsAreReadBackInRowOrder) {
  Open();
  AddRow("Nord", 1);
  AddRow("Süd", 2);
  AddRow("West", 3);
  EXPECT_EQ(3, Table->RecordCount());
  EXPECT_EQ((std::vector<String>{"Nord", "Süd", "West"}), Names());
  Table->Last();
  EXPECT_EQ(3, Table->RecNo());
  EXPECT_EQ(3, Id());
}

TEST_F(MemTableDataset, InsertPutsTheRowBeforeTheCurrentOne) {
  Open();
  AddRow("A", 1);
  AddRow("C", 3);
  Table->Last();
  Table->Insert();
  Table->FieldByName("Name")->SetAsString("B");
  Table->Post();
  EXPECT_EQ("B", Name());
  EXPECT_EQ((std::vector<String>{"A", "B", "C"}), Names());
}

TEST_F(MemTableDataset, EditPostFiresEventsInTheClassLibrarysOrder) {
  Open();
  AddRow("A", 1);
  TraceEvents();
  Table->Edit();
  Table->FieldByName("Name")->SetAsString("B");
  Table->Post();
  EXPECT_EQ((std::vector<String>{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}), Log);
  EXPECT_EQ("B", Name());
  EXPECT_EQ(dsBrowse, Table->State());
}

TEST_F(MemTableDataset, InsertThenCancelLeavesNoRow) {
  Open();
  AddRow("A", 1);
  TraceEvents();
  Table->Append();
  Table->FieldByName("Name")->SetAsString("X");
  Table->Cancel();
  EXPECT_EQ((std::vector<String>{"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforeCancel",
                                 "AfterCancel"}),
            Log);
  EXPECT_EQ(1, Table->RecordCount());
  EXPECT_EQ("A", Name());
}

TEST_F(MemTableDataset, EditThenCancelKeepsTheStoredValue) {
  Open();
  AddRow("A", 1);
  Table->Edit();
  Table->FieldByName("Name")->SetAsString("Z");
  Table->Cancel();
  EXPECT_EQ("A", Name());
}

TEST_F(MemTableDataset, DeleteLeavesTheCursorOnTheSuccessor) {
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  AddRow("C", 3);
  Table->First();
  Table->Next();
  TraceEvents();
  Table->Delete();
  EXPECT_EQ((std::vector<String>{"BeforeDelete", "AfterDelete"}), Log);
  EXPECT_EQ("C", Name());
  EXPECT_EQ(2, Table->RecordCount());
}

TEST_F(MemTableDataset, DeletingTheLastRowMovesToThePriorOne) {
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  Table->Last();
  Table->Delete();
  EXPECT_EQ("A", Name());
  Table->Delete();
  EXPECT_TRUE(Table->IsEmpty());
}

TEST_F(MemTableDataset, WritingOutsideEditStateIsRefused) {
  Open();
  AddRow("A", 1);
  try {
    Table->FieldByName("Name")->SetAsString("X");
    FAIL() << "written in browse state";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(String("Dataset is not in edit mode."), E.Message());
  }
}

TEST_F(MemTableDataset, ReadOnlyFieldRefusesAValue) {
  Open();
  AddRow("A", 1);
  Table->FieldByName("ID")->SetReadOnly(true);
  Table->Edit();
  try {
    Table->FieldByName("ID")->SetAsInteger(5);
    FAIL() << "read-only field written";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(String("Field ID is read only"), E.Message());
  }
  Table->Cancel();
}

TEST_F(MemTableDataset, NullAndEmptyStringsStayApart) {
  Open();
  Table->Append();
  Table->FieldByName("Name")->SetAsString("");
  Table->Post();
  EXPECT_TRUE(Table->FieldByName("ID")->IsNull());
  Table->Edit();
  Table->FieldByName("ID")->SetAsInteger(0);
  Table->FieldByName("Name")->Clear();
  Table->Post();
  EXPECT_FALSE(Table->FieldByName("ID")->IsNull());
  EXPECT_TRUE(Table->FieldByName("Name")->IsNull());
}

TEST_F(MemTableDataset, ClosingTheOwnerDiscardsTheRecords) {
  Open();
  AddRow("A", 1);
  Table->Close();
  Table->Open();
  EXPECT_EQ(0, Table->RecordCount());
  EXPECT_TRUE(Table->IsEmpty());
}

TEST_F(MemTableDataset, BeforeCloseFiresOncePerOpen) {
  Open();
  TraceEvents();
  Table->Close();
  Table->Close();
  EXPECT_EQ((std::vector<String>{"BeforeClose"}), Log);
}

TEST_F(MemTableDataset, RecordCountOfAClosedTableIsAnError) {
  EXPECT_THROW(Table->RecordCount(), EDatabaseError);
}

TEST_F(MemTableDataset, RecNoMovesTheCursorDirectly) {
  Open();
  for (Integer I = 1; I <= 5; ++I) AddRow("N" + std::to_string(I), I);
  Table->SetRecNo(4);
  EXPECT_EQ(4, Id());
  EXPECT_EQ(4, Table->RecNo());
  EXPECT_TRUE(Table->IsSequenced());
}

// ---- Bookmarks ----------------------------------------------------------

TEST_F(MemTableDataset, BookmarkSurvivesInsertsAndDeletesOfOtherRows) {
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  AddRow("C", 3);
  Table->First();
  Table->Next();
  TBookmark B = Table->GetBookmark();
  Table->First();
  Table->Insert();
  Table->FieldByName("Name")->SetAsString("Front");
  Table->Post();
  Table->Last();
  Table->Delete();
  Table->First();
  EXPECT_TRUE(Table->BookmarkValid(B));
  Table->GotoBookmark(B);
  EXPECT_EQ("B", Name());
}

TEST_F(MemTableDataset, BookmarkOfADeletedRowIsInvalid) {
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  Table->Last();
  TBookmark B = Table->GetBookmark();
  Table->Delete();
  EXPECT_FALSE(Table->BookmarkValid(B));
  EXPECT_THROW(Table->GotoBookmark(B), EMemTableError);
}

TEST_F(MemTableDataset, EmptyTableMakesEveryBookmarkInvalid) {
  Open();
  AddRow("A", 1);
  TBookmark B = Table->GetBookmark();
  Table->EmptyTable();
  AddRow("A", 1);
  EXPECT_FALSE(Table->BookmarkValid(B));
}

TEST_F(MemTableDataset, BookmarksCompareInRowOrder) {
  Open();
  AddRow("A", 1);
  TBookmark First = Table->GetBookmark();
  AddRow("B", 2);
  TBookmark Second = Table->GetBookmark();
  EXPECT_EQ(-1, Table->CompareBookmarks(First, Second));
  EXPECT_EQ(1, Table->CompareBookmarks(Second, First));
  EXPECT_EQ(0, Table->CompareBookmarks(First, First));
}

// ---- EmptyTable ----------------------------------------------------------

TEST_F(MemTableDataset, EmptyTableOnAnEmptyTableReportsProgressOnly) {
  Open();
  std::vector<std::pair<Integer, TmtProgressCode>> Progress;
  Table->SetProgressFlags(TmtProgressCodes{mtpcEmpty});
  Table->OnProgress = [&](TDataSet*, Integer P, TmtProgressCode C) { Progress.push_back({P, C}); };
  Table->EmptyTable();
  ASSERT_EQ(2u, Progress.size());
  EXPECT_EQ(0, Progress[0].first);
  EXPECT_EQ(100, Progress[1].first);
  EXPECT_EQ(mtpcEmpty, Progress[1].second);
  EXPECT_EQ(0, Table->RecordCount());
}

TEST_F(MemTableDataset, EmptyTableRemovesEveryRow) {
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  Table->EmptyTable();
  EXPECT_EQ(0, Table->RecordCount());
  AddRow("C", 3);
  EXPECT_EQ((std::vector<String>{"C"}), Names());
}

// ---- Field kinds -----------------------------------------------------------

TEST_F(MemTableDataset, MemoFieldIsReadAndWrittenThroughABlobStream) {
  Table->FieldDefs().Add("Note", ftMemo);
  Open();
  Table->Append();
  Table->FieldByName("Note")->SetAsString("Zeile 1\r\nZeile 2");
  Table->Post();
  EXPECT_EQ("Zeile 1\r\nZeile 2", Table->FieldByName("Note")->AsString());
  Table->Edit();
  Table->FieldByName("Note")->SetAsString("");
  Table->Post();
  EXPECT_TRUE(Table->FieldByName("Note")->IsNull());
}

TEST_F(MemTableDataset, WritingABlobStreamOutsideEditIsRefused) {
  Table->FieldDefs().Add("Note", ftMemo);
  Open();
  AddRow("A", 1);
  try {
    Table->CreateBlobStream(Table->FieldByName("Note"), bmWrite);
    FAIL() << "blob written in browse state";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(String("Dataset is not in edit mode."), E.Message());
  }
}

TEST_F(MemTableDataset, LongStringsKeptOutOfRecordReadBackWhole) {
  Table->FieldDefs().Add("Path", ftString, 200);
  Table->SetPerformance(mtpfBalanced);
  Open();
  String Long(150, 'x');
  Table->Append();
  Table->FieldByName("Path")->SetAsString(Long + "ä");
  Table->Post();
  Table->First();
  EXPECT_EQ(Long + "ä", Table->FieldByName("Path")->AsString());
  const TmtFieldLayout* L = Table->Common().FieldLayout(Table->FieldByName("Path")->FieldNo());
  EXPECT_EQ(-1, L->Offset);
}

TEST_F(MemTableDataset, AutoIncFieldNumbersNewRowsFromItsMinimum) {
  Table->FieldDefs().Add("Nr", ftAutoInc);
  Table->SetAutoIncMinValue(10);
  Open();
  AddRow("A", 1);
  AddRow("B", 2);
  EXPECT_EQ(11, Table->FieldByName("Nr")->AsInteger());
  Table->First();
  EXPECT_EQ(10, Table->FieldByName("Nr")->AsInteger());
}

TEST_F(MemTableDataset, DefaultExpressionFillsNewRows) {
  Open();
  Table->FieldByName("Name")->SetDefaultExpression("neu");
  Table->Append();
  EXPECT_EQ("neu", Name());
  Table->Cancel();
}

}  // namespace
