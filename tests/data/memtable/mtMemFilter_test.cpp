// Record filtering of the in-memory table through OnFilterRecord, moving to
// the record another table on the same storage has current, and the link
// to a delta handler.
#include <gtest/gtest.h>

#include <memory>

#include "data/memtable/mtMemTable.h"

namespace {

class MemTableFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = std::make_unique<TComponent>(nullptr);
    Table = new TmtMemTable(Root.get());
    Table->SetName("Kunden");
    Table->FieldDefs().Add("Name", ftString, 20);
    Table->FieldDefs().Add("Ort", ftString, 20);
    Table->SetAttachMaxCount(2);  // room for one attached view
    Table->Open();
    Add("Abel", "Bonn");
    Add("Berg", "Köln");
    Add("Cramer", "Bonn");
    Add("Dahl", "Essen");
  }
  void Add(const String& Name, const String& Ort) {
    Table->AppendRecord({Variant(Name), Variant(Ort)});
  }
  // Shows only customers living in City.
  void OnlyFrom(const String& City) {
    Table->SetOnFilterRecord([City](TDataSet* D, bool& Accept) {
      Accept = D->FieldByName("Ort")->AsString() == City;
    });
  }
  static std::vector<String> Names(TmtMemTable* T) {
    std::vector<String> V;
    for (T->First(); !T->Eof(); T->Next()) V.push_back(T->FieldByName("Name")->AsString());
    return V;
  }
  void GoTo(TmtMemTable* T, const String& Name) { ASSERT_TRUE(T->Locate("Name", Variant(Name), {})); }

  std::unique_ptr<TComponent> Root;
  TmtMemTable* Table = nullptr;
};

TEST_F(MemTableFilter, FilterTextAloneHidesNothing) {
  Table->SetFilter("Ort = 'Bonn'");
  Table->SetFiltered(true);
  EXPECT_EQ(Names(Table).size(), 4u);
}

TEST_F(MemTableFilter, FilteredWithoutHandlerHidesNothing) {
  Table->SetFiltered(true);
  EXPECT_EQ(Table->RecordCount(), 4);
}

TEST_F(MemTableFilter, HandlerHidesRecordsOnlyWhileFiltered) {
  OnlyFrom("Bonn");
  EXPECT_EQ(Names(Table).size(), 4u);
  Table->SetFiltered(true);
  EXPECT_EQ(Names(Table), (std::vector<String>{"Abel", "Cramer"}));
  EXPECT_EQ(Table->RecordCount(), 2);
  Table->SetFiltered(false);
  EXPECT_EQ(Table->RecordCount(), 4);
}

TEST_F(MemTableFilter, SwitchingTheFilterOnMovesToTheFirstPassingRecord) {
  GoTo(Table, "Dahl");
  OnlyFrom("Köln");
  Table->SetFiltered(true);
  EXPECT_EQ(Table->FieldByName("Name")->AsString(), "Berg");
}

// ---- GotoCurrent ------------------------------------------------------------------

class MemTableGotoCurrent : public MemTableFilter {
 protected:
  void SetUp() override {
    MemTableFilter::SetUp();
    View = new TmtMemTable(Root.get());
    View->SetName("Ansicht");
    View->SetAttachedTo(Table);
    View->Open();
  }
  TmtMemTable* View = nullptr;
};

TEST_F(MemTableGotoCurrent, AttachedTableMovesToTheOthersRecord) {
  GoTo(Table, "Cramer");
  View->GotoCurrent(Table);
  EXPECT_EQ(View->FieldByName("Name")->AsString(), "Cramer");
  GoTo(Table, "Abel");
  View->GotoCurrent(Table);
  EXPECT_EQ(View->FieldByName("Name")->AsString(), "Abel");
  EXPECT_EQ(View->RecNo(), 1);
}

TEST_F(MemTableGotoCurrent, RecordFilteredOutIsNotFound) {
  GoTo(Table, "Dahl");
  GoTo(View, "Berg");
  View->SetOnFilterRecord([](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("Ort")->AsString() != "Essen";
  });
  View->SetFiltered(true);
  GoTo(View, "Berg");
  try {
    View->GotoCurrent(Table);
    FAIL() << "no error";
  } catch (const EMemTableError&) {
    FAIL() << "a general exception is expected";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "Record not found");
  }
  EXPECT_EQ(View->FieldByName("Name")->AsString(), "Berg");
}

TEST_F(MemTableGotoCurrent, EmptyOrClosedOtherTableChangesNothing) {
  GoTo(View, "Berg");
  auto* Other = new TmtMemTable(Root.get());
  View->GotoCurrent(Other);
  View->GotoCurrent(nullptr);
  EXPECT_EQ(View->FieldByName("Name")->AsString(), "Berg");
}

// ---- Delta handler ------------------------------------------------------------------

TEST_F(MemTableFilter, DeltaHandlerIsLinkedAndUnlinked) {
  auto* First = new TmtCustomDeltaHandler(Root.get());
  auto* Second = new TmtCustomDeltaHandler(Root.get());
  Table->SetDeltaHandler(First);
  EXPECT_EQ(First->DataSet(), Table);
  Table->SetDeltaHandler(Second);
  EXPECT_EQ(First->DataSet(), nullptr);
  EXPECT_EQ(Second->DataSet(), Table);
  Second->Free();
  EXPECT_EQ(Table->DeltaHandler(), nullptr);
}

}  // namespace
