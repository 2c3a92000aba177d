#include "platform/rtl/classes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Records everything that happens to the components of a test.
struct TJournal {
  std::vector<String> Lines;
  void Add(const String& S) { Lines.push_back(S); }
  bool Has(const String& S) const {
    return std::find(Lines.begin(), Lines.end(), S) != Lines.end();
  }
};

// A component that reports its notifications, loading and destruction.
class TProbe : public TComponent {
  RTL_DECLARE_CLASS(TProbe)
 public:
  explicit TProbe(TComponent* AOwner, TJournal* J = nullptr) : TComponent(AOwner), Journal(J) {}
  ~TProbe() override {
    if (Journal) Journal->Add("free " + Name());
  }
  TJournal* Journal;
  TComponent* Watched = nullptr;
  bool LoadingSeenInLoaded = false;

  void Loaded() override {
    LoadingSeenInLoaded = ComponentState().Contains(csLoading);
    TComponent::Loaded();
    if (Journal) Journal->Add("loaded " + Name());
  }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Watched) Watched = nullptr;
    if (Journal && AComponent != this)
      Journal->Add(Name() + (Operation == opInsert ? " +" : " -") + AComponent->Name());
  }
};
RTL_IMPLEMENT_CLASS(TProbe, TComponent, ComponentFactory<TProbe>)

class ComponentTest : public ::testing::Test {
 protected:
  // A component named Name owned by Owner, reporting to the journal.
  TProbe* Make(TComponent* Owner, const String& Name) {
    auto* P = new TProbe(Owner, &Log);
    P->SetName(Name);
    return P;
  }
  TJournal Log;
};

// ---- owner tree ---------------------------------------------------------

TEST_F(ComponentTest, OwnerFreesItsComponentsLastFirst) {
  auto* Form = Make(nullptr, "Form1");
  Make(Form, "A");
  auto* B = Make(Form, "B");
  Make(B, "B1");
  Make(Form, "C");
  delete Form;
  std::vector<String> Frees;
  for (const String& L : Log.Lines)
    if (L.rfind("free ", 0) == 0) Frees.push_back(L.substr(5));
  EXPECT_EQ(Frees, (std::vector<String>{"Form1", "C", "B", "B1", "A"}));
}

TEST_F(ComponentTest, DeletingAComponentTakesItOutOfItsOwner) {
  TProbe Form(nullptr, &Log);
  auto* A = Make(&Form, "A");
  Make(&Form, "B");
  delete A;
  ASSERT_EQ(Form.ComponentCount(), 1);
  EXPECT_EQ(Form.Components(0)->Name(), "B");
  EXPECT_EQ(Form.FindComponent("A"), nullptr);
}

TEST_F(ComponentTest, ComponentsAreIndexedAndMovable) {
  TProbe Form(nullptr);
  auto* A = Make(&Form, "A");
  auto* B = Make(&Form, "B");
  EXPECT_EQ(A->ComponentIndex(), 0);
  EXPECT_EQ(B->ComponentIndex(), 1);
  B->SetComponentIndex(0);
  EXPECT_EQ(Form.Components(0), B);
  EXPECT_EQ(A->ComponentIndex(), 1);
  EXPECT_EQ(Form.ComponentIndex(), -1);
  try {
    Form.Components(2);
    FAIL();
  } catch (const EListError& E) {
    EXPECT_EQ(E.Message(), "Der Index der Liste überschreitet das Maximum (2)");
  }
}

TEST_F(ComponentTest, InsertComponentMovesBetweenOwners) {
  TProbe One(nullptr), Two(nullptr);
  auto* A = Make(&One, "A");
  Two.InsertComponent(A);
  EXPECT_EQ(A->Owner(), &Two);
  EXPECT_EQ(One.ComponentCount(), 0);
  Two.RemoveComponent(A);
  EXPECT_EQ(A->Owner(), nullptr);
  delete A;
  EXPECT_EQ(Two.ComponentCount(), 0);
}

TEST_F(ComponentTest, DestroyComponentsEmptiesTheOwner) {
  TProbe Form(nullptr, &Log);
  Make(&Form, "A");
  Make(&Form, "B");
  Form.DestroyComponents();
  EXPECT_EQ(Form.ComponentCount(), 0);
  EXPECT_TRUE(Log.Has("free A"));
  EXPECT_TRUE(Log.Has("free B"));
}

// ---- names --------------------------------------------------------

TEST_F(ComponentTest, NamesAreUniquePerOwnerIgnoringCase) {
  TProbe Form(nullptr);
  Make(&Form, "Button1");
  auto* Second = new TProbe(&Form);
  try {
    Second->SetName("BUTTON1");
    FAIL();
  } catch (const EComponentError& E) {
    EXPECT_EQ(E.Message(), "Komponente mit der Bezeichnung BUTTON1 existiert bereits");
  }
  EXPECT_EQ(Second->Name(), "");
  Second->SetName("Button2");
  EXPECT_EQ(Form.FindComponent("button2"), Second);
}

TEST_F(ComponentTest, RenamingToTheSameNameInOtherCaseIsAllowed) {
  TProbe Form(nullptr);
  auto* B = Make(&Form, "Button1");
  B->SetName("BUTTON1");
  EXPECT_EQ(B->Name(), "BUTTON1");
}

TEST_F(ComponentTest, SameNameUnderDifferentOwnersIsFine) {
  TProbe One(nullptr), Two(nullptr);
  Make(&One, "Label1");
  EXPECT_NO_THROW(Make(&Two, "Label1"));
}

TEST_F(ComponentTest, NamesMustBeIdentifiers) {
  TProbe Form(nullptr);
  auto* B = new TProbe(&Form);
  try {
    B->SetName("1abc");
    FAIL();
  } catch (const EComponentError& E) {
    EXPECT_EQ(E.Message(), "''1abc'' ist kein gültiger Komponentenname");
  }
  EXPECT_THROW(B->SetName("a b"), EComponentError);
  EXPECT_NO_THROW(B->SetName("_x9"));
  EXPECT_NO_THROW(B->SetName(""));
}

TEST_F(ComponentTest, InsertingADuplicateNameIsRefused) {
  TProbe One(nullptr), Two(nullptr);
  Make(&One, "Edit1");
  auto* Stranger = Make(&Two, "Edit1");
  EXPECT_THROW(One.InsertComponent(Stranger), EComponentError);
  EXPECT_EQ(Stranger->Owner(), &Two);
}

// ---- notifications --------------------------------------------------

TEST_F(ComponentTest, InsertAndRemoveAreToldToTheWholeTree) {
  auto Form = std::unique_ptr<TProbe>(Make(nullptr, "Form"));
  auto* Panel = Make(Form.get(), "Panel");
  auto* Inner = Make(Panel, "Inner");
  Log.Lines.clear();
  auto* Edit = new TProbe(Form.get(), &Log);
  EXPECT_TRUE(Log.Has("Form +"));
  EXPECT_TRUE(Log.Has("Panel +"));
  EXPECT_TRUE(Log.Has("Inner +"));
  Edit->SetName("Edit");
  Inner->Watched = Edit;
  Edit->Free();
  EXPECT_TRUE(Log.Has("Inner -Edit"));
  EXPECT_EQ(Inner->Watched, nullptr);
}

TEST_F(ComponentTest, FreeNotificationReachesComponentsOutsideTheTree) {
  auto* DataModule = Make(nullptr, "DataModule");
  auto* Source = Make(DataModule, "Source");
  TProbe Form(nullptr, &Log);
  auto* Grid = Make(&Form, "Grid");
  Grid->Watched = Source;
  Source->FreeNotification(Grid);
  EXPECT_TRUE(Source->ComponentState().Contains(csFreeNotification));
  delete DataModule;
  EXPECT_EQ(Grid->Watched, nullptr);
  EXPECT_TRUE(Log.Has("Grid -Source"));
}

TEST_F(ComponentTest, RemovedFreeNotificationIsNotSent) {
  auto* Source = Make(nullptr, "Source");
  TProbe Grid(nullptr, &Log);
  Grid.SetName("Grid");
  Grid.Watched = Source;
  Source->FreeNotification(&Grid);
  Source->RemoveFreeNotification(&Grid);
  delete Source;
  EXPECT_EQ(Grid.Watched, Source);  // never told
  EXPECT_FALSE(Log.Has("Grid -Source"));
}

TEST_F(ComponentTest, TheWatcherDyingFirstLeavesNoDanglingNotice) {
  auto* Source = Make(nullptr, "Source");
  auto* Grid = Make(nullptr, "Grid");
  Source->FreeNotification(Grid);
  delete Grid;
  EXPECT_NO_THROW(delete Source);  // must not touch the freed grid
  EXPECT_TRUE(Log.Has("free Source"));
}

TEST_F(ComponentTest, DestroyingMarksTheWholeTree) {
  TProbe Form(nullptr);
  auto* A = Make(&Form, "A");
  auto* A1 = Make(A, "A1");
  Form.Destroying();
  EXPECT_TRUE(A1->ComponentState().Contains(csDestroying));
}

// ---- loading bracket, update bracket ------------------------------------

TEST_F(ComponentTest, LoadingBracketSetsAndClearsTheStates) {
  TProbe Form(nullptr, &Log);
  Form.SetName("Form");
  Form.BeginReading();
  EXPECT_TRUE(Form.ComponentState().Contains(csLoading));
  EXPECT_TRUE(Form.ComponentState().Contains(csReading));
  Form.EndReading();
  EXPECT_FALSE(Form.ComponentState().Contains(csReading));
  Form.Loaded();
  EXPECT_TRUE(Form.LoadingSeenInLoaded);
  EXPECT_FALSE(Form.ComponentState().Contains(csLoading));
  EXPECT_TRUE(Log.Has("loaded Form"));
}

TEST_F(ComponentTest, UpdatingBracket) {
  TProbe C(nullptr);
  C.Updating();
  EXPECT_TRUE(C.ComponentState().Contains(csUpdating));
  C.Updated();
  EXPECT_FALSE(C.ComponentState().Contains(csUpdating));
}

TEST_F(ComponentTest, DesigningPassesToChildrenAndNewComponents) {
  TProbe Form(nullptr);
  auto* A = Make(&Form, "A");
  Form.SetDesigning(true);
  EXPECT_TRUE(A->ComponentState().Contains(csDesigning));
  auto* B = Make(&Form, "B");
  EXPECT_TRUE(B->ComponentState().Contains(csDesigning));
}

// ---- virtual constructor ---------------------------------------------

TEST_F(ComponentTest, ComponentsAreCreatedByClass) {
  TProbe Form(nullptr);
  TComponent* C = CreateComponent(TProbe::StaticClass(), &Form);
  EXPECT_EQ(C->ClassName(), "TProbe");
  EXPECT_EQ(C->Owner(), &Form);
  EXPECT_TRUE(C->Is<TComponent>());
  EXPECT_THROW(CreateComponent(TPersistent::StaticClass(), &Form), EComponentError);
}

TEST_F(ComponentTest, FactoryRefusesAnOwnerThatIsNoComponent) {
  TPersistent NotAComponent;
  EXPECT_THROW(TProbe::StaticClass()->Create(&NotAComponent), EInvalidCast);
}

TEST_F(ComponentTest, NameAndTagArePublished) {
  TProbe Form(nullptr);
  auto* A = Make(&Form, "A");
  SetPropValue(A, "Name", "Renamed");
  SetPropValue(A, "Tag", "42");
  EXPECT_EQ(A->Name(), "Renamed");
  EXPECT_EQ(A->Tag(), 42);
  EXPECT_EQ(A->GetNamePath(), "Renamed");
}

}  // namespace
