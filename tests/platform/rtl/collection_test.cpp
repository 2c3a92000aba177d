#include "platform/rtl/collection.h"

#include <gtest/gtest.h>

#include "platform/rtl/classes.h"

namespace {

// A grid column in miniature.
class TColColumn : public TCollectionItem {
  RTL_DECLARE_CLASS(TColColumn)
 public:
  explicit TColColumn(TCollection* C) : TCollectionItem(C) {}
  String FieldName;
  Integer Width = 64;
  void SetWidth(Integer W) {
    Width = W;
    Changed(false);
  }
  void Assign(TPersistent* Source) override {
    auto* C = dynamic_cast<TColColumn*>(Source);
    if (!C) return TCollectionItem::Assign(Source);
    FieldName = C->FieldName;
    Width = C->Width;
  }

 protected:
  String GetDisplayName() const override { return FieldName.empty() ? ClassName() : FieldName; }
};
RTL_IMPLEMENT_CLASS(TColColumn, TCollectionItem, CollectionItemFactory<TColColumn>)
RTL_PUBLISHED(TColColumn) {
  P.Field("FieldName", &TColColumn::FieldName);
  P.Prop("Width", [](TColColumn* C) { return C->Width; }, &TColColumn::SetWidth).Default(64);
}

// A column collection that records its Update and Notify calls.
class TColColumns : public TOwnedCollection {
  RTL_DECLARE_CLASS(TColColumns)
 public:
  explicit TColColumns(TPersistent* AOwner)
      : TOwnedCollection(AOwner, TColColumn::StaticClass()) {}
  std::vector<String> Calls;

 protected:
  void Update(TCollectionItem* Item) override {
    Calls.push_back(Item ? "update " + Item->DisplayName() : "update all");
  }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    static const char* Names[] = {"added", "extracting", "deleting"};
    Calls.push_back(String(Names[Action]) + " " + std::to_string(Item->ID()));
  }
};
RTL_IMPLEMENT_CLASS(TColColumns, TOwnedCollection, nullptr)

// A grid that publishes its columns.
class TColGrid : public TComponent {
  RTL_DECLARE_CLASS(TColGrid)
 public:
  explicit TColGrid(TComponent* AOwner) : TComponent(AOwner) {}
  TColColumns* Columns() const { return FColumns.get(); }
  void SetColumns(TColColumns* Value) { FColumns->Assign(Value); }

 private:
  std::unique_ptr<TColColumns> FColumns = std::make_unique<TColColumns>(this);
};
RTL_IMPLEMENT_CLASS(TColGrid, TComponent, ComponentFactory<TColGrid>)
RTL_PUBLISHED(TColGrid) { P.Prop("Columns", &TColGrid::Columns, &TColGrid::SetColumns); }

class CollectionTest : public ::testing::Test {
 protected:
  CollectionTest() { Grid.SetName("Grid1"); }
  TColColumn* AddColumn(const String& Field) {
    auto* C = Columns()->Add<TColColumn>();
    C->FieldName = Field;
    return C;
  }
  TColColumns* Columns() { return Grid.Columns(); }
  String Fields() {
    String S;
    for (int I = 0; I < Columns()->Count(); ++I)
      S += (I ? "," : "") + static_cast<TColColumn*>(Columns()->Items(I))->FieldName;
    return S;
  }
  TColGrid Grid{nullptr};
};

TEST_F(CollectionTest, AddCreatesItemsOfTheItemClassWithRisingIDs) {
  auto* A = AddColumn("ID");
  auto* B = AddColumn("Name");
  EXPECT_EQ(Columns()->Count(), 2);
  EXPECT_EQ(Columns()->Add()->ClassName(), "TColColumn");
  EXPECT_EQ(A->ID(), 0);
  EXPECT_EQ(B->ID(), 1);
  EXPECT_EQ(A->Collection(), Columns());
  EXPECT_EQ(B->Index(), 1);
}

TEST_F(CollectionTest, IDsAreNeverReused) {
  AddColumn("A");
  AddColumn("B");
  Columns()->Delete(1);
  auto* C = AddColumn("C");
  EXPECT_EQ(C->ID(), 2);
  EXPECT_EQ(Columns()->FindItemID(2), C);
  EXPECT_EQ(Columns()->FindItemID(1), nullptr);
}

TEST_F(CollectionTest, SettingIndexMovesTheItem) {
  AddColumn("ID");
  AddColumn("Name");
  auto* Path = AddColumn("Path");
  Path->SetIndex(0);
  EXPECT_EQ(Fields(), "Path,ID,Name");
  Path->SetIndex(99);
  EXPECT_EQ(Fields(), "ID,Name,Path");
}

TEST_F(CollectionTest, InsertPlacesTheNewItem) {
  AddColumn("ID");
  AddColumn("Path");
  static_cast<TColColumn*>(Columns()->Insert(1))->FieldName = "Name";
  EXPECT_EQ(Fields(), "ID,Name,Path");
}

TEST_F(CollectionTest, DeleteAndClearFreeItems) {
  AddColumn("ID");
  AddColumn("Name");
  AddColumn("Path");
  Columns()->Delete(1);
  EXPECT_EQ(Fields(), "ID,Path");
  EXPECT_THROW(Columns()->Delete(5), EListError);
  Columns()->Clear();
  EXPECT_EQ(Columns()->Count(), 0);
}

TEST_F(CollectionTest, DeletingAnItemTakesItOut) {
  AddColumn("ID");
  auto* B = AddColumn("Name");
  delete B;
  EXPECT_EQ(Fields(), "ID");
}

TEST_F(CollectionTest, BadIndexRaisesListError) {
  try {
    Columns()->Items(3);
    FAIL();
  } catch (const EListError& E) {
    EXPECT_EQ(E.Message(), "Der Index der Liste überschreitet das Maximum (3)");
  }
}

TEST_F(CollectionTest, ChangesReachUpdateUnlessUpdating) {
  auto* A = AddColumn("ID");
  Columns()->Calls.clear();
  A->SetWidth(20);
  EXPECT_EQ(Columns()->Calls, (std::vector<String>{"update ID"}));
  Columns()->Calls.clear();
  Columns()->BeginUpdate();
  A->SetWidth(30);
  AddColumn("Name");
  EXPECT_EQ(Columns()->Calls, (std::vector<String>{"added 1"}));
  Columns()->EndUpdate();
  EXPECT_EQ(Columns()->Calls.back(), "update all");
}

TEST_F(CollectionTest, DeleteNotifiesBeforeFreeing) {
  AddColumn("ID");
  Columns()->Calls.clear();
  Columns()->Delete(0);
  EXPECT_EQ(Columns()->Calls,
            (std::vector<String>{"deleting 0", "extracting 0", "update all"}));
}

TEST_F(CollectionTest, AssignCopiesItemWise) {
  AddColumn("ID")->Width = 20;
  AddColumn("Name");
  TColColumns Copy(nullptr);
  Copy.Add();
  Copy.Assign(Columns());
  ASSERT_EQ(Copy.Count(), 2);
  auto* First = static_cast<TColColumn*>(Copy.Items(0));
  EXPECT_EQ(First->FieldName, "ID");
  EXPECT_EQ(First->Width, 20);
  EXPECT_NE(First, Columns()->Items(0));
  EXPECT_THROW(Copy.Assign(&Grid), EConvertError);
}

TEST_F(CollectionTest, SetItemAssignsIntoThePlace) {
  AddColumn("ID");
  TColColumns Other(nullptr);
  auto* Src = Other.Add<TColColumn>();
  Src->FieldName = "GUID";
  Columns()->SetItem(0, Src);
  EXPECT_EQ(Fields(), "GUID");
}

TEST_F(CollectionTest, NamePathsFollowThePublishedProperty) {
  AddColumn("ID");
  EXPECT_EQ(Columns()->GetNamePath(), "Grid1.Columns");
  EXPECT_EQ(Columns()->Items(0)->GetNamePath(), "Grid1.Columns[0]");
  EXPECT_EQ(Columns()->Owner(), &Grid);
  EXPECT_EQ(Columns()->Items(0)->GetOwner(), Columns());
  TCollection Loose(TColColumn::StaticClass());
  EXPECT_EQ(Loose.GetNamePath(), "TCollection");
}

TEST_F(CollectionTest, AReaderFillsAPublishedCollection) {
  auto* Cols = static_cast<TCollection*>(GetObjectProp(&Grid, "Columns"));
  TCollectionItem* Item = Cols->Add();
  SetPropValue(Item, "FieldName", "Path");
  SetPropValue(Item, "Width", "314");
  EXPECT_EQ(Fields(), "Path");
  EXPECT_EQ(static_cast<TColColumn*>(Item)->Width, 314);
  EXPECT_EQ(Item->DisplayName(), "Path");
}

TEST_F(CollectionTest, ItemClassMustBeAnItemClass) {
  EXPECT_THROW(TCollection(TComponent::StaticClass()), EInvalidCast);
}

TEST_F(CollectionTest, TypedAddRefusesAnotherItemClass) {
  TCollection Plain(TCollectionItem::StaticClass());
  EXPECT_THROW(Plain.Add<TColColumn>(), EInvalidCast);
  EXPECT_EQ(Plain.Count(), 0);
  EXPECT_NE(Columns()->Add<TCollectionItem>(), nullptr);  // a column is an item
}

}  // namespace
