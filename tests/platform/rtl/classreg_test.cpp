#include "platform/rtl/classreg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "platform/rtl/classes.h"

namespace {

class TRegWizard : public TComponent {
  RTL_DECLARE_CLASS(TRegWizard)
 public:
  explicit TRegWizard(TComponent* AOwner) : TComponent(AOwner) {}
};
RTL_IMPLEMENT_CLASS(TRegWizard, TComponent, ComponentFactory<TRegWizard>)

class TRegDialog : public TComponent {
  RTL_DECLARE_CLASS(TRegDialog)
 public:
  explicit TRegDialog(TComponent* AOwner) : TComponent(AOwner) {}
};
RTL_IMPLEMENT_CLASS(TRegDialog, TComponent, ComponentFactory<TRegDialog>)

// A different class that claims the name of TRegWizard.
struct TImpostor : TObject {
  static TClass StaticClass() {
    static const TClassInfo Info{"TRegWizard", TObject::StaticClass(), nullptr};
    return &Info;
  }
};

// Each test starts and ends with an empty registry for its own classes.
class ClassRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { Forget(); }
  void TearDown() override { Forget(); }
  void Forget() {
    UnRegisterClasses({TRegWizard::StaticClass(), TRegDialog::StaticClass()});
  }
};

TEST_F(ClassRegistryTest, UnknownNameGivesNull) {
  EXPECT_EQ(GetClass("TRegWizard"), nullptr);
  EXPECT_EQ(GetClass(""), nullptr);
}

TEST_F(ClassRegistryTest, RegisteredClassIsFoundIgnoringCase) {
  RegisterClass(TRegWizard::StaticClass());
  EXPECT_EQ(GetClass("TRegWizard"), TRegWizard::StaticClass());
  EXPECT_EQ(GetClass("tregwizard"), TRegWizard::StaticClass());
  EXPECT_EQ(FindClass("TREGWIZARD"), TRegWizard::StaticClass());
}

TEST_F(ClassRegistryTest, FindClassRaisesForUnknownNames) {
  try {
    FindClass("TFColSelectFrm");
    FAIL();
  } catch (const EClassNotFound& E) {
    EXPECT_EQ(E.Message(), "Klasse TFColSelectFrm nicht gefunden");
  }
}

TEST_F(ClassRegistryTest, RegisteringTwiceIsHarmless) {
  RegisterClasses({TRegWizard::StaticClass(), TRegDialog::StaticClass()});
  EXPECT_NO_THROW(RegisterClass(TRegWizard::StaticClass()));
  EXPECT_EQ(GetClass("TRegDialog"), TRegDialog::StaticClass());
}

TEST_F(ClassRegistryTest, AnotherClassOfTheSameNameIsRefused) {
  RegisterClass(TRegWizard::StaticClass());
  try {
    RegisterClass(TImpostor::StaticClass());
    FAIL();
  } catch (const EFilerError& E) {
    EXPECT_EQ(E.Message(), "Eine Klasse mit der Bezeichnung TRegWizard existiert bereits");
  }
  EXPECT_EQ(GetClass("TRegWizard"), TRegWizard::StaticClass());
}

TEST_F(ClassRegistryTest, AliasesReachTheSameClass) {
  RegisterClassAlias(TRegDialog::StaticClass(), "TOldDialog");
  EXPECT_EQ(GetClass("toldDIALOG"), TRegDialog::StaticClass());
  EXPECT_EQ(GetClass("TRegDialog"), nullptr);  // only the alias was registered
}

TEST_F(ClassRegistryTest, UnregisterRemovesNameAndAliases) {
  RegisterClass(TRegDialog::StaticClass());
  RegisterClassAlias(TRegDialog::StaticClass(), "TOldDialog");
  UnRegisterClass(TRegDialog::StaticClass());
  EXPECT_EQ(GetClass("TRegDialog"), nullptr);
  EXPECT_EQ(GetClass("TOldDialog"), nullptr);
}

TEST_F(ClassRegistryTest, ComponentIsCreatedFromItsRegisteredName) {
  RegisterClass(TRegWizard::StaticClass());
  TRegDialog Owner(nullptr);
  TComponent* C = CreateComponent(FindClass("tregwizard"), &Owner);
  EXPECT_EQ(C->ClassName(), "TRegWizard");
  EXPECT_EQ(Owner.ComponentCount(), 1);
}

TEST_F(ClassRegistryTest, ListsRegisteredNames) {
  RegisterClass(TRegWizard::StaticClass());
  std::vector<String> Names = GetRegisteredClassNames();
  EXPECT_NE(std::find(Names.begin(), Names.end(), "TRegWizard"), Names.end());
}

TEST_F(ClassRegistryTest, ConcurrentLookupsAndRegistrationsAreSafe) {
  std::vector<std::thread> Threads;
  for (int T = 0; T < 4; ++T) {
    Threads.emplace_back([T] {
      for (int I = 0; I < 500; ++I) {
        if (T % 2 == 0) {
          RegisterClass(TRegWizard::StaticClass());
          UnRegisterClass(TRegWizard::StaticClass());
        } else {
          TClass C = GetClass("TRegWizard");
          if (C) {
            EXPECT_EQ(C, TRegWizard::StaticClass());
          }
        }
      }
    });
  }
  for (auto& T : Threads) T.join();
}

}  // namespace
