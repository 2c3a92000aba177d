// Saving and loading an in-memory table through the stream-format hook: a
// small line format stands in for the real text formats, so that the
// table's side (format checks, files, events, failed loads, persistence)
// is tested on its own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/memtable/mtMemTable.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/rtl/strings.h"
#include "temp_dir.h"

namespace {

// "#DEF name,name..." replaces the fields by string fields; every other
// line is one record, values separated by "|"; a line "!" fails the load.
class TLineFormat : public TmtCustomStreamFormat {
 public:
  explicit TLineFormat(TComponent* AOwner) : TmtCustomStreamFormat(AOwner) {}

  void WriteRecords(TmtCustomMemTable* Table) override {
    for (Integer I = 0; I < Table->IndexRecordCount(); ++I) {
      TmtRecord* R = Table->IndexRecord(I);
      if (!Table->FilterRecord(R)) continue;
      Table->SetOverrideRecord(R);
      String Line;
      for (Integer F : SaveFields()) {
        if (F < 0) continue;
        if (!Line.empty()) Line += "|";
        Line += Table->Fields().Items()[static_cast<size_t>(F)]->AsString();
      }
      Line += "\n";
      WorkStream()->WriteString(Line);
    }
    Table->SetOverrideRecord(nullptr);
  }

  void ReadDefinition(TmtCustomMemTable* Table) override {
    Lines = SplitLines(ReadAll());
    if (Lines.empty() || Lines[0].rfind("#DEF ", 0) != 0) return;
    Table->ClearFieldsAndDefs();
    for (const String& Name : Split(Lines[0].substr(5), ','))
      Table->FieldDefs().Add(Name, ftString, 20);
    Table->Open();
    Lines.erase(Lines.begin());
  }

  Integer FindColumnField(TmtCustomMemTable* Table, const String& Name) override {
    TField* F = DefinitionRead() ? Table->FindField(Name) : nullptr;
    return F ? F->Index() : -1;
  }

  void ReadRecords(TmtCustomMemTable* Table) override {
    for (const String& Line : Lines) {
      if (Line == "!") throw EMemTableError("broken line");
      Table->Append();
      std::vector<String> Values = Split(Line, '|');
      for (size_t I = 0; I < Values.size() && I < LoadFields().size(); ++I)
        if (LoadFields()[I] >= 0)
          Table->Fields().Items()[static_cast<size_t>(LoadFields()[I])]->SetAsString(Values[I]);
      Table->Post();
    }
  }

 private:
  String ReadAll() {
    String S(static_cast<size_t>(WorkStream()->Size() - WorkStream()->Position()), '\0');
    if (!S.empty()) WorkStream()->Read(S.data(), static_cast<Int64>(S.size()));
    return S;
  }
  static std::vector<String> Split(const String& S, char Sep) {
    std::vector<String> R(1);
    for (char C : S) {
      if (C == Sep) R.emplace_back(); else R.back() += C;
    }
    return R;
  }
  static std::vector<String> SplitLines(const String& S) {
    std::vector<String> R;
    for (const String& L : Split(S, '\n'))
      if (!L.empty()) R.push_back(L);
    return R;
  }
  std::vector<String> Lines;
};

class MemTableStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = MakeTempFolder("mtstream");
    Owner = std::make_unique<TComponent>(nullptr);
    Format = new TLineFormat(Owner.get());
    Table = new TmtMemTable(Owner.get());
    Table->FieldDefs().Add("Name", ftString, 20);
    Table->FieldDefs().Add("City", ftString, 20);
    Table->SetDefaultFormat(Format);
  }
  void TearDown() override {
    Owner.reset();
    std::filesystem::remove_all(Dir);
  }

  void AddRow(const String& Name, const String& City) {
    Table->Append();
    Table->FieldByName("Name")->SetAsString(Name);
    Table->FieldByName("City")->SetAsString(City);
    Table->Post();
  }
  String Saved() {
    TStringStream S;
    Table->SaveToStream(&S);
    return S.DataString();
  }
  void Load(const String& Text) {
    TStringStream S(Text);
    Table->LoadFromStream(&S);
  }
  std::vector<String> Names() {
    std::vector<String> R;
    for (Table->First(); !Table->Eof(); Table->Next())
      R.push_back(Table->FieldByName("Name")->AsString());
    return R;
  }
  String PathOf(const String& Name) const { return Dir + "/" + Name; }

  String Dir;
  std::unique_ptr<TComponent> Owner;
  TLineFormat* Format = nullptr;
  TmtMemTable* Table = nullptr;
};

TEST_F(MemTableStreams, SavingWithoutAFormatIsRefused) {
  Table->SetDefaultFormat(nullptr);
  Table->Open();
  TStringStream S;
  try {
    Table->SaveToStream(&S);
    FAIL() << "saved without a format";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(String("No format specified."), E.Message());
  }
}

TEST_F(MemTableStreams, SavingAClosedTableIsRefused) {
  TStringStream S;
  EXPECT_THROW(Table->SaveToStream(&S), EDatabaseError);
}

TEST_F(MemTableStreams, RowsGoThroughTheDefaultFormatAndBack) {
  Table->Open();
  AddRow("Nord", "Kiel");
  AddRow("Süd", "München");
  String Text = Saved();
  EXPECT_EQ("Nord|Kiel\nSüd|München\n", Text);
  Table->EmptyTable();
  Load(Text);
  EXPECT_EQ((std::vector<String>{"Nord", "Süd"}), Names());
}

TEST_F(MemTableStreams, SaveAndLoadFireTheirEventsWithTheKind) {
  Table->Open();
  std::vector<Integer> Kinds;
  Table->OnSave = [&](TDataSet*, Integer Kind, TStream*) { Kinds.push_back(Kind); };
  Table->OnLoad = [&](TDataSet*, Integer Kind, TStream*) { Kinds.push_back(10 + Kind); };
  Saved();
  Table->SaveToFile(PathOf("a.txt"));
  Table->LoadFromFile(PathOf("a.txt"));
  Load("");
  EXPECT_EQ((std::vector<Integer>{1, 3, 13, 11}), Kinds);
}

TEST_F(MemTableStreams, SaveAndLoadReportProgress) {
  Table->Open();
  std::vector<std::pair<Integer, TmtProgressCode>> Seen;
  Table->OnProgress = [&](TDataSet*, Integer P, TmtProgressCode C) { Seen.push_back({P, C}); };
  Saved();
  Load("x|y\n");
  ASSERT_EQ(4u, Seen.size());
  EXPECT_EQ(mtpcSave, Seen[0].second);
  EXPECT_EQ(100, Seen[1].first);
  EXPECT_EQ(mtpcLoad, Seen[2].second);
  EXPECT_EQ(100, Seen[3].first);
}

TEST_F(MemTableStreams, FileIsWrittenAndReadThroughTheFileSystem) {
  Table->Open();
  AddRow("A", "B");
  Table->SaveToFile(PathOf("Liste.txt"));
  EXPECT_TRUE(FileExists(PathOf("Liste.txt")));
  Table->EmptyTable();
  Table->LoadFromFile(PathOf("liste.TXT"));
  EXPECT_EQ((std::vector<String>{"A"}), Names());
}

TEST_F(MemTableStreams, LoadingAMissingFileRaisesAnOpenError) {
  Table->Open();
  EXPECT_THROW(Table->LoadFromFile(PathOf("fehlt.txt")), EFOpenError);
}

TEST_F(MemTableStreams, AppendFlagAddsToAnExistingFile) {
  Table->Open();
  AddRow("A", "1");
  Table->SaveToFile(PathOf("log.txt"));
  Format->Set_sfAppend(TmtStreamFlags{sfSaveAppend});
  Table->SaveToFile(PathOf("log.txt"));
  Table->EmptyTable();
  Format->Set_sfAppend({});
  Table->LoadFromFile(PathOf("log.txt"));
  EXPECT_EQ((std::vector<String>{"A", "A"}), Names());
}

TEST_F(MemTableStreams, FailedLoadLeavesTheRowsAsTheyWere) {
  Table->Open();
  AddRow("Alt", "1");
  EXPECT_THROW(Load("Neu|2\n!\n"), EMemTableError);
  EXPECT_EQ((std::vector<String>{"Alt"}), Names());
  EXPECT_FALSE(Table->IsLoading());
  EXPECT_EQ(dsBrowse, Table->State());
  EXPECT_TRUE(Table->Common().Generation() != 0);
}

TEST_F(MemTableStreams, FailedLoadRestoresAReplacedStructure) {
  Table->Open();
  AddRow("Alt", "Bonn");
  EXPECT_THROW(Load("#DEF X,Y,Z\n1|2|3\n!\n"), EMemTableError);
  ASSERT_TRUE(Table->Active());
  EXPECT_EQ(2, Table->FieldCount());
  EXPECT_NE(nullptr, Table->FindField("City"));
  EXPECT_EQ((std::vector<String>{"Alt"}), Names());
  EXPECT_EQ("Bonn", Table->FieldByName("City")->AsString());
}

TEST_F(MemTableStreams, DefinitionReplacesTheFields) {
  Table->Open();
  Load("#DEF Kurz\nWert\n");
  EXPECT_EQ(1, Table->FieldCount());
  EXPECT_EQ("Wert", Table->FieldByName("Kurz")->AsString());
}

TEST_F(MemTableStreams, LoadWithoutAutoRepositionEndsOnTheFirstRow) {
  Table->Open();
  AddRow("A", "1");
  AddRow("B", "2");
  Table->Last();
  Load("C|3\n");
  EXPECT_EQ("A", Table->FieldByName("Name")->AsString());
}

TEST_F(MemTableStreams, LoadWithAutoRepositionReturnsToTheRow) {
  Table->SetAutoReposition(true);
  Table->Open();
  AddRow("A", "1");
  AddRow("B", "2");
  Table->Last();
  Load("C|3\n");
  EXPECT_EQ("B", Table->FieldByName("Name")->AsString());
}

TEST_F(MemTableStreams, LoadKeepsIndexesInOrder) {
  Table->Open();
  Table->AddIndex("byName", "Name", {});
  Table->SetIndexName("byName");
  Load("b|1\nc|2\na|3\n");
  EXPECT_EQ((std::vector<String>{"a", "b", "c"}), Names());
  EXPECT_TRUE(Table->EnableIndexes());
}

TEST_F(MemTableStreams, ReadOnlyFieldsAreFilledWhileLoading) {
  Table->Open();
  Table->FieldByName("City")->SetReadOnly(true);
  Load("a|Bonn\n");
  EXPECT_EQ("Bonn", Table->FieldByName("City")->AsString());
}

TEST_F(MemTableStreams, FilteredRowsAreSavedWhenTheFormatSwitchesTheFilterOff) {
  Table->Open();
  AddRow("A", "1");
  AddRow("B", "2");
  Table->SetOnFilterRecord([](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("Name")->AsString() == "A";
  });
  Table->SetFiltered(true);
  EXPECT_EQ(1, Table->RecordCount());
  EXPECT_EQ("A|1\nB|2\n", Saved());
  EXPECT_TRUE(Table->Filtered());
  Format->Set_sfFiltered({});
  EXPECT_EQ("A|1\n", Saved());
}

TEST_F(MemTableStreams, InvisibleFieldsAreLeftOutWithoutTheirFlag) {
  Table->Open();
  AddRow("A", "1");
  Table->FieldByName("City")->SetVisible(false);
  Format->Set_sfNonVisible({});
  EXPECT_EQ("A\n", Saved());
}

// ---- Persistence ---------------------------------------------------------------

TEST_F(MemTableStreams, PersistentTableSavesOnCloseAndLoadsOnOpen) {
  Table->SetPersistentFormat(Format);
  Table->SetPersistentFile(PathOf("daten.txt"));
  Table->SetPersistent(true);
  Table->Open();
  AddRow("Bleibt", "1");
  Table->Close();
  EXPECT_TRUE(FileExists(PathOf("daten.txt")));
  EXPECT_FALSE(FileExists(PathOf("daten.$$$")));
  Table->Open();
  EXPECT_EQ((std::vector<String>{"Bleibt"}), Names());
  EXPECT_TRUE(Table->Persistent());
}

TEST_F(MemTableStreams, PersistentBackupKeepsThePreviousFile) {
  Table->SetPersistentFormat(Format);
  Table->SetPersistentFile(PathOf("daten.txt"));
  Table->SetPersistentBackup(true);
  Table->SetPersistentBackupExt(".bak");
  Table->SetPersistent(true);
  Table->Open();
  AddRow("Erst", "1");
  Table->Close();
  Table->Open();
  AddRow("Dann", "2");
  Table->Close();
  TStringStream Backup;
  TFileStream F(PathOf("daten.bak"), fmOpenRead);
  Backup.CopyFrom(&F, F.Size());
  EXPECT_EQ("Erst|1\n", Backup.DataString());
}

}  // namespace
