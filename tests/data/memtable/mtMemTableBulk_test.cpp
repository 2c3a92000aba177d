// The bulk load of the in-memory table: a CSV load that stores rows
// without a full Append and Post each must leave the same table as the
// row-by-row load (values, row order, every index's order, counters), and
// fail in the same way.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "data/memtable/mtMemCSVStreamFormat.h"

namespace {

// A table of the shape the tests load: a number, a name, a note; a unique
// index on the number and a case-insensitive one on the name.
struct TLoadTarget {
  std::unique_ptr<TComponent> Root = std::make_unique<TComponent>(nullptr);
  TmtMemTable* Table = new TmtMemTable(Root.get());
  TmtCSVStreamFormat* Format = new TmtCSVStreamFormat(Root.get());
  int Posts = 0;

  // RowByRow: a BeforePost handler makes the table take the row-by-row
  // path (the handler only counts).
  explicit TLoadTarget(bool RowByRow) {
    Table->FieldDefs().Add("Nr", ftInteger, 0);
    Table->FieldDefs().Add("Name", ftString, 20);
    Table->FieldDefs().Add("Note", ftString, 40);
    Table->AddIndex("ByNr", "Nr", TIndexOptions{ixUnique});
    Table->AddIndex("ByName", "Name", TIndexOptions{ixCaseInsensitive});
    Table->SetDefaultFormat(Format);
    Format->Set_sfDef({});
    Table->Open();
    if (RowByRow) Table->BeforePost = [this](TDataSet*) { ++Posts; };
  }
  void Load(const String& Text) {
    TStringStream S(Text);
    Table->LoadFromStream(&S);
  }
  // Every row in the order of Index ("" = row order) as "Nr|Name|Note".
  std::vector<String> Rows(const String& Index) {
    Table->SetIndexName(Index);
    std::vector<String> R;
    for (Table->First(); !Table->Eof(); Table->Next()) {
      String Row;
      for (TField* F : Table->Fields().Items()) Row += (F->IsNull() ? String("<null>") : F->AsString()) + "|";
      R.push_back(Row);
    }
    return R;
  }
};

// The CSV text of Count rows with names in mixed case and some empty
// notes.
String TextOf(int Count, int DuplicateAt = -1) {
  String Text = "\"Nr\",\"Name\",\"Note\"\r\n";
  for (int I = 0; I < Count; ++I) {
    const int Nr = I == DuplicateAt ? 0 : (I * 37) % Count;
    Text += std::to_string(Nr) + ",\"" + (I % 3 ? "kunde " : "Kunde ") + std::to_string(I % 50) + "\"," +
            (I % 4 ? "\"Notiz " + std::to_string(I) + "\"" : String()) + "\r\n";
  }
  return Text;
}

class BulkLoadTest : public ::testing::Test {
 protected:
  TLoadTarget Bulk{false}, RowByRow{true};
  void LoadBoth(const String& Text) {
    Bulk.Load(Text);
    RowByRow.Load(Text);
  }
};

TEST_F(BulkLoadTest, LeavesTheSameTableAsTheRowByRowLoad) {
  LoadBoth(TextOf(500));
  ASSERT_EQ(RowByRow.Posts, 500);  // the row-by-row path did run
  EXPECT_EQ(Bulk.Table->RecordCount(), 500);
  EXPECT_EQ(Bulk.Table->LoadedRecordCount(), RowByRow.Table->LoadedRecordCount());
  for (const char* Index : {"", "ByNr", "ByName"}) EXPECT_EQ(Bulk.Rows(Index), RowByRow.Rows(Index)) << Index;
}

TEST_F(BulkLoadTest, RowsAddedAfterTheLoadGoToTheirIndexPositions) {
  LoadBoth(TextOf(50));
  for (TLoadTarget* T : {&Bulk, &RowByRow}) T->Table->AppendRecord({Variant(1000), Variant("aaa"), Variant()});
  EXPECT_EQ(Bulk.Rows("ByName"), RowByRow.Rows("ByName"));
  EXPECT_EQ(Bulk.Rows("ByName").front(), "1000|aaa|<null>|");
}

TEST_F(BulkLoadTest, ADuplicateKeyFailsAndLeavesTheTableAsItWas) {
  LoadBoth(TextOf(20));
  for (TLoadTarget* T : {&Bulk, &RowByRow}) {
    EXPECT_THROW(T->Load(TextOf(30, 29)), EMemTableDupKey);
    EXPECT_EQ(T->Table->RecordCount(), 20);
    EXPECT_EQ(T->Table->State(), dsBrowse);
  }
  EXPECT_EQ(Bulk.Rows("ByNr"), RowByRow.Rows("ByNr"));
}

// Where nothing looks at the table during the load its rows join the
// indexes at the end; a load into a table that has rows ends where the
// row-by-row load ends, and a handler that looks during the load sees the
// rows stored so far as it does row by row.
TEST_F(BulkLoadTest, RowsJoinTheIndexesAsRowByRowWhetherWatchedOrNot) {
  LoadBoth(TextOf(50));
  String More = "\"Nr\",\"Name\",\"Note\"\r\n";
  for (int I = 0; I < 70; ++I) More += std::to_string(1000 + I * 3 % 70) + ",\"Kunde " + std::to_string(I % 9) + "\",\r\n";
  LoadBoth(More);
  EXPECT_EQ(Bulk.Table->RecordCount(), RowByRow.Table->RecordCount());
  EXPECT_EQ(Bulk.Table->RecNo(), RowByRow.Table->RecNo());
  EXPECT_EQ(Bulk.Table->FieldByName("Nr")->AsInteger(), RowByRow.Table->FieldByName("Nr")->AsInteger());
  for (const char* Index : {"", "ByNr", "ByName"}) EXPECT_EQ(Bulk.Rows(Index), RowByRow.Rows(Index)) << Index;
  std::vector<Integer> Seen[2];
  for (int I = 0; I < 2; ++I) {
    TLoadTarget* T = I ? &RowByRow : &Bulk;
    T->Table->SetIndexName("");
    T->Table->OnLoadRecord = [T, &Seen, I](TDataSet*, bool&) { Seen[I].push_back(T->Table->RecordCount()); };
    T->Table->EmptyTable();
    T->Load(TextOf(60));
    T->Table->OnLoadRecord = nullptr;
  }
  ASSERT_EQ(Seen[0].size(), 60u);
  EXPECT_EQ(Seen[0], Seen[1]);
  EXPECT_EQ(Seen[0].back(), 59);
  EXPECT_EQ(Bulk.Rows("ByName"), RowByRow.Rows("ByName"));
}

TEST_F(BulkLoadTest, RejectedRowsAndBadValuesAreHandledAlike) {
  for (TLoadTarget* T : {&Bulk, &RowByRow})
    T->Table->OnLoadRecord = [T](TDataSet*, bool& Accept) {
      Accept = T->Table->FieldByName("Nr")->AsInteger() % 2 == 0;
    };
  LoadBoth(TextOf(40));
  EXPECT_EQ(Bulk.Table->RecordCount(), 20);
  EXPECT_EQ(Bulk.Rows(""), RowByRow.Rows(""));
  for (TLoadTarget* T : {&Bulk, &RowByRow}) {
    EXPECT_THROW(T->Load("\"Nr\",\"Name\",\"Note\"\r\n1,\"a\",\r\nzwei,\"b\",\r\n"), EDatabaseError);
    EXPECT_EQ(T->Table->RecordCount(), 20);
  }
}

}  // namespace

namespace {

// Names are cut at 20 characters, also where a two- or three-byte
// character stands at the cut; empty texts stay empty, missing ones null,
// escaped ones unescaped: stored straight into the row, they must read as
// through the field.
TEST_F(BulkLoadTest, TextsCutEmptyNullAndEscapedReadAsThroughTheField) {
  String Text = "\"Nr\",\"Name\",\"Note\"\r\n";
  const String Names[] = {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrs\xC3\xA4\xC3\xB6",
                          "\xE2\x82\xAC\xE2\x82\xAC Stra\xC3\x9F" "e mit vielen Zeichen", "", "kurz"};
  for (int I = 0; I < 40; ++I) {
    const String& Name = Names[I % 5];
    Text += std::to_string(I) + "," + (I % 7 == 6 ? String() : "\"" + Name + "\"") + "," +
            (I % 3 == 0 ? String("\"Zeile\\neins\"") : "\"Notiz " + std::to_string(I) + "\"") + "\r\n";
  }
  LoadBoth(Text);
  ASSERT_EQ(Bulk.Table->RecordCount(), 40);
  EXPECT_EQ(Bulk.Rows(""), RowByRow.Rows(""));
  EXPECT_EQ(Bulk.Rows("ByName"), RowByRow.Rows("ByName"));
  Bulk.Table->SetIndexName("");
  Bulk.Table->First();
  EXPECT_EQ(Bulk.Table->FieldByName("Name")->AsString(), "abcdefghijklmnopqrst");
  Bulk.Table->Next();
  EXPECT_EQ(Bulk.Table->FieldByName("Name")->AsString(), "abcdefghijklmnopqrs\xC3\xA4");
}

// Numbers at the edges of the 32-bit range, negative, with blanks or a
// plus sign read as through the field; one outside the range fails alike.
TEST_F(BulkLoadTest, NumbersReadAsThroughTheField) {
  String Text = "\"Nr\",\"Name\",\"Note\"\r\n";
  const char* Numbers[] = {"2147483647", "-2147483648", "-0", " 12", "+7", "0000000042", "-19", ""};
  for (int I = 0; I < 8; ++I) Text += String(Numbers[I]) + ",\"n" + std::to_string(I) + "\",\r\n";
  LoadBoth(Text);
  ASSERT_EQ(Bulk.Table->RecordCount(), 8);
  EXPECT_EQ(Bulk.Rows(""), RowByRow.Rows(""));
  EXPECT_EQ(Bulk.Rows("ByNr"), RowByRow.Rows("ByNr"));
  for (TLoadTarget* T : {&Bulk, &RowByRow}) {
    EXPECT_THROW(T->Load("\"Nr\",\"Name\",\"Note\"\r\n1,\"a\",\r\n2147483648,\"b\",\r\n"), EDatabaseError);
    EXPECT_EQ(T->Table->RecordCount(), 8);
  }
}

// A field whose change is watched gets its value through the field, so the
// handler sees every value of the load.
TEST_F(BulkLoadTest, AWatchedFieldStillReportsEveryChange) {
  int Changes = 0, RowByRowChanges = 0;
  Bulk.Table->FieldByName("Note")->OnChange = [&](TField*) { ++Changes; };
  RowByRow.Table->FieldByName("Note")->OnChange = [&](TField*) { ++RowByRowChanges; };
  LoadBoth(TextOf(30));
  EXPECT_EQ(Bulk.Table->RecordCount(), 30);
  EXPECT_EQ(Changes, RowByRowChanges);
  EXPECT_GE(Changes, 22);  // every note that has a value
}

}  // namespace
