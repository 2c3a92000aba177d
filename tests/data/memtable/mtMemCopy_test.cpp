// Record exchange of the in-memory table with other datasets: loading from
// a dataset (with or without its structure), saving into one, updating one
// by key, and the copy itself.
#include "data/memtable/mtMemCopy.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/db/fieldkinds.h"

namespace {

class MemTableCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = std::make_unique<TComponent>(nullptr);
    Source = MakeTable("Quelle");
    Target = MakeTable("Ziel");
  }
  TmtMemTable* MakeTable(const String& Name) {
    auto* T = new TmtMemTable(Root.get());
    T->SetName(Name);
    return T;
  }
  static void Define(TmtMemTable* T,
                     std::initializer_list<std::tuple<const char*, TFieldType, Integer>> Defs) {
    for (auto& [Name, Type, Size] : Defs) T->FieldDefs().Add(Name, Type, Size);
    T->Open();
  }
  // Source: "Nr" 1..N and "Name" "K1".."KN".
  void FillSource(int N) {
    Define(Source, {{"Nr", ftInteger, 0}, {"Name", ftString, 20}});
    for (int I = 1; I <= N; ++I) Source->AppendRecord({Variant(I), Variant("K" + std::to_string(I))});
  }
  static std::vector<String> Column(TDataSet* T, const String& FieldName) {
    std::vector<String> Values;
    for (T->First(); !T->Eof(); T->Next()) {
      TField* F = T->FieldByName(FieldName);
      Values.push_back(F->IsNull() ? String("<null>") : F->AsString());
    }
    return Values;
  }

  std::unique_ptr<TComponent> Root;
  TmtMemTable* Source = nullptr;
  TmtMemTable* Target = nullptr;
};

// ---- LoadFromDataSet -------------------------------------------------------------

TEST_F(MemTableCopy, LoadCopiesEveryRecordWithoutLimit) {
  FillSource(10);
  Define(Target, {{"Nr", ftInteger, 0}, {"Name", ftString, 20}});
  Target->LoadFromDataSet(Source, 0);
  EXPECT_EQ(Target->RecordCount(), 10);
  EXPECT_TRUE(Target->LoadedCompletely());
  EXPECT_EQ(Target->LoadedRecordCount(), 10);
}

TEST_F(MemTableCopy, LoadLimitStopsAndReportsAnIncompleteLoad) {
  FillSource(10);
  Define(Target, {{"Nr", ftInteger, 0}, {"Name", ftString, 20}});
  Target->SetLoadLimit(5);
  Target->LoadFromDataSet(Source, 0);
  EXPECT_EQ(Column(Target, "Nr"), (std::vector<String>{"1", "2", "3", "4", "5"}));
  EXPECT_FALSE(Target->LoadedCompletely());
}

TEST_F(MemTableCopy, LoadReplacesRecordsUnlessAppending) {
  FillSource(2);
  Define(Target, {{"Nr", ftInteger, 0}, {"Name", ftString, 20}});
  Target->AppendRecord({Variant(99), Variant("alt")});
  Target->LoadFromDataSet(Source, mtcpAppend);
  EXPECT_EQ(Column(Target, "Nr"), (std::vector<String>{"99", "1", "2"}));
  Target->LoadFromDataSet(Source, 0);
  EXPECT_EQ(Column(Target, "Nr"), (std::vector<String>{"1", "2"}));
}

TEST_F(MemTableCopy, FieldWithoutSourceFieldStaysNull) {
  FillSource(1);
  Define(Target, {{"Nr", ftInteger, 0}, {"Extra", ftString, 5}});
  Target->LoadFromDataSet(Source, 0);
  EXPECT_EQ(Column(Target, "Extra"), (std::vector<String>{"<null>"}));
  EXPECT_EQ(Column(Target, "Nr"), (std::vector<String>{"1"}));
}

TEST_F(MemTableCopy, AutoIncValuesAreCopiedOnlyIntoAnEmptyTable) {
  Define(Source, {{"ID", ftAutoInc, 0}, {"Name", ftString, 5}});
  Source->SetAutoIncMinValue(10);
  Source->AppendRecord({Variant(), Variant("a")});
  Source->AppendRecord({Variant(), Variant("b")});
  Define(Target, {{"ID", ftAutoInc, 0}, {"Name", ftString, 5}});
  Target->LoadFromDataSet(Source, 0);
  EXPECT_EQ(Column(Target, "ID"), Column(Source, "ID"));
  Target->LoadFromDataSet(Source, mtcpAppend);
  std::vector<String> IDs = Column(Target, "ID");
  ASSERT_EQ(IDs.size(), 4u);
  EXPECT_NE(IDs[2], Column(Source, "ID")[0]);
}

TEST_F(MemTableCopy, StringIntoIntegerGoesThroughItsText) {
  Define(Source, {{"N", ftString, 10}});
  Source->AppendRecord({Variant("42")});
  Define(Target, {{"N", ftInteger, 0}});
  Target->LoadFromDataSet(Source, 0);
  EXPECT_EQ(Column(Target, "N"), (std::vector<String>{"42"}));
}

TEST_F(MemTableCopy, TextThatIsNoNumberRaisesUnlessErrorsAreIgnored) {
  Define(Source, {{"N", ftString, 10}});
  Source->AppendRecord({Variant("vier")});
  Source->AppendRecord({Variant("5")});
  Define(Target, {{"N", ftInteger, 0}});
  EXPECT_THROW(Target->LoadFromDataSet(Source, 0), EDatabaseError);
  EXPECT_FALSE(Target->IsLoading());
  EXPECT_EQ(Target->WorkState(), mtwsIdle);
  Target->LoadFromDataSet(Source, mtcpIgnoreErrors);
  EXPECT_EQ(Column(Target, "N"), (std::vector<String>{"<null>", "5"}));
}

TEST_F(MemTableCopy, AppendTogetherWithStructureIsRefused) {
  FillSource(1);
  Define(Target, {{"Nr", ftInteger, 0}});
  try {
    Target->LoadFromDataSet(Source, mtcpAppend | mtcpStructure);
    FAIL() << "no error";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(E.Message(), "Cannot both append and copy structure.");
  }
  EXPECT_TRUE(Target->Active());
  EXPECT_THROW(Target->LoadFromDataSet(Source, mtcpAppend | mtcpProperties), EMemTableError);
}

TEST_F(MemTableCopy, StructureCopyTakesTheSourceFields) {
  FillSource(3);
  Define(Target, {{"Anders", ftFloat, 0}});
  Target->LoadFromDataSet(Source, mtcpStructure);
  ASSERT_EQ(Target->FieldCount(), 2);
  EXPECT_EQ(Target->Fields()[1]->FieldName(), "Name");
  EXPECT_EQ(Target->Fields()[1]->Size(), 20);
  EXPECT_EQ(Column(Target, "Name"), (std::vector<String>{"K1", "K2", "K3"}));
}

TEST_F(MemTableCopy, StructureCopyTakesCalculatedFieldsAndPropertiesWhenAsked) {
  auto* Nr = new TIntegerField(Root.get());
  Nr->SetFieldName("Nr");
  Nr->SetDisplayLabel("Nummer");
  Nr->SetDataSet(Source);
  auto* Label = new TStringField(Root.get());
  Label->SetFieldName("Label");
  Label->SetSize(10);
  Label->SetFieldKind(fkCalculated);
  Label->SetDataSet(Source);
  Source->Open();
  Source->AppendRecord({Variant(7)});
  Target->LoadFromDataSet(Source, mtcpStructure);
  EXPECT_EQ(Target->FindField("Label"), nullptr);
  EXPECT_EQ(Target->FieldByName("Nr")->DisplayLabel(), "Nr");
  Target->LoadFromDataSet(Source, mtcpStructure | mtcpCalcFields | mtcpProperties);
  ASSERT_NE(Target->FindField("Label"), nullptr);
  EXPECT_EQ(Target->FieldByName("Label")->FieldKind(), fkCalculated);
  EXPECT_EQ(Target->FieldByName("Nr")->DisplayLabel(), "Nummer");
  EXPECT_EQ(Column(Target, "Nr"), (std::vector<String>{"7"}));
}

TEST_F(MemTableCopy, StructureCopyRefusesTooManyDefinitions) {
  for (int I = 0; I <= MT_MAX_FIELDS; ++I)
    Source->FieldDefs().Add("F" + std::to_string(I), ftInteger, 0);
  Define(Target, {{"A", ftInteger, 0}});
  try {
    Target->LoadFromDataSet(Source, mtcpStructure);
    FAIL() << "no error";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(E.Message(), "Too many fielddefs. Please raise MT_MAX_FIELDS value.");
  }
}

TEST_F(MemTableCopy, LoadPutsBackTheSourceStateAndTheTablesFilter) {
  FillSource(3);
  Source->Close();
  Define(Target, {{"Nr", ftInteger, 0}});
  Target->SetFiltered(true);
  Target->LoadFromDataSet(Source, 0);
  EXPECT_FALSE(Source->Active());
  EXPECT_TRUE(Target->Filtered());
  EXPECT_TRUE(Target->EnableIndexes());
  Source->Open();
}

TEST_F(MemTableCopy, LoadEventsCanRefuseRecords) {
  FillSource(4);
  Define(Target, {{"Nr", ftInteger, 0}});
  std::vector<std::pair<Integer, TmtProgressCode>> Steps;
  Target->OnProgress = [&](TDataSet*, Integer P, TmtProgressCode C) { Steps.push_back({P, C}); };
  Target->OnLoadRecord = [](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("Nr")->AsInteger() % 2 == 0;
  };
  Target->LoadFromDataSet(Source, 0);
  EXPECT_EQ(Column(Target, "Nr"), (std::vector<String>{"2", "4"}));
  EXPECT_EQ(Target->LoadedRecordCount(), 2);
  ASSERT_FALSE(Steps.empty());
  EXPECT_EQ(Steps.back(), (std::pair<Integer, TmtProgressCode>{100, mtpcCopy}));
}

// ---- CopyRecords and SaveToDataSet --------------------------------------------------

TEST_F(MemTableCopy, CopyWithoutBothSidesCopiesNothing) {
  FillSource(2);
  EXPECT_EQ(Source->CopyRecords(nullptr, Source, -1, false), 0);
  EXPECT_EQ(Source->CopyRecords(Source, Source, -1, false), 0);
  EXPECT_EQ(Source->RecordCount(), 2);
}

TEST_F(MemTableCopy, SaveFillsTheDestinationAndClosesItAgain) {
  FillSource(3);
  Target->FieldDefs().Add("Name", ftString, 20);
  Target->Open();
  Target->Close();
  Source->OnSaveRecord = [](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("Nr")->AsInteger() != 2;
  };
  Source->SaveToDataSet(Target, 0);
  EXPECT_FALSE(Target->Active());
  EXPECT_EQ(Source->SavedRecordCount(), 2);
  EXPECT_EQ(Source->WorkState(), mtwsIdle);
}

TEST_F(MemTableCopy, SaveIntoAnOpenDestinationLeavesItOpenWithTheRecords) {
  FillSource(3);
  Define(Target, {{"Name", ftString, 20}});
  Source->SaveToDataSet(Target, 0);
  EXPECT_EQ(Column(Target, "Name"), (std::vector<String>{"K1", "K2", "K3"}));
}

// ---- UpdateToDataSet ---------------------------------------------------------------

class MemTableUpdateByKey : public MemTableCopy {
 protected:
  void SetUp() override {
    MemTableCopy::SetUp();
    FillSource(3);
    Define(Target, {{"Nr", ftInteger, 0}, {"Name", ftString, 20}});
    Target->AppendRecord({Variant(2), Variant("alt")});
  }
};

TEST_F(MemTableUpdateByKey, AppendMissingAddsOnlyRecordsWhoseKeyIsMissing) {
  Source->UpdateToDataSet(Target, "Nr", mtupAppendMissing);
  EXPECT_EQ(Column(Target, "Nr"), (std::vector<String>{"2", "1", "3"}));
  EXPECT_EQ(Column(Target, "Name"), (std::vector<String>{"alt", "K1", "K3"}));
}

TEST_F(MemTableUpdateByKey, EditExistingChangesOnlyMatchingRecords) {
  Source->UpdateToDataSet(Target, "Nr", mtupEditExisting);
  EXPECT_EQ(Column(Target, "Name"), (std::vector<String>{"K2"}));
}

TEST_F(MemTableUpdateByKey, BothFlagsMergeTheSource) {
  Integer N = Source->UpdateRecords(Source, Target, "Nr", -1, mtupEditExisting | mtupAppendMissing);
  EXPECT_EQ(N, 3);
  EXPECT_EQ(Column(Target, "Name"), (std::vector<String>{"K2", "K1", "K3"}));
}

TEST_F(MemTableUpdateByKey, SeveralKeyFieldsAreLocatedTogether) {
  Source->UpdateToDataSet(Target, "Nr;Name", mtupAppendMissing);
  EXPECT_EQ(Column(Target, "Name"), (std::vector<String>{"alt", "K1", "K2", "K3"}));
}

TEST_F(MemTableUpdateByKey, LimitStopsTheUpdate) {
  EXPECT_EQ(Source->UpdateRecords(Source, Target, "Nr", 1, mtupAppendMissing), 1);
  EXPECT_EQ(Target->RecordCount(), 2);
}

// ---- Field map ------------------------------------------------------------------------

TEST_F(MemTableCopy, FieldMapSkipsLookupAndUnknownFields) {
  FillSource(1);
  Define(Target, {{"Name", ftString, 20}, {"Fremd", ftInteger, 0}, {"Nr", ftInteger, 0}});
  std::vector<Integer> Map = mtBuildCopyFieldMap(Target, Source, true);
  EXPECT_EQ(Map, (std::vector<Integer>{1, -1, 0}));
  EXPECT_FALSE(mtIsCopySupportedType(ftCursor));
  EXPECT_FALSE(mtIsCopySupportedType(ftReference));
  EXPECT_TRUE(mtIsCopySupportedType(ftArray));
}

}  // namespace
