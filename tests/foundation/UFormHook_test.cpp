// The form hook: installing, locking, clearing and calling.
#include <gtest/gtest.h>

#include <vector>

#include "foundation/UFormHook.h"

namespace {

// What the hooks saw: which hook, which form, which flag.
struct TCall {
  int Hook;
  TComponent* Form;
  bool Flag;
  bool operator==(const TCall&) const = default;
};
std::vector<TCall> Calls;

void DefaultLook(TComponent* Form, bool Flag) { Calls.push_back({1, Form, Flag}); }
void LookAndFeel(TComponent* Form, bool Flag) { Calls.push_back({2, Form, Flag}); }
void LaterUnit(TComponent* Form, bool Flag) { Calls.push_back({3, Form, Flag}); }

class FormHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormHookForTesting();
    Calls.clear();
  }
  void TearDown() override { ResetFormHookForTesting(); }
  // Some form pointer; the hook never looks inside.
  TComponent* Form() { return reinterpret_cast<TComponent*>(&Dummy); }
  int Dummy = 0;
};

TEST_F(FormHookTest, CallingWithoutAHookDoesNothing) {
  EXPECT_EQ(FormHookProc(), nullptr);
  CallFormHook(Form(), true);
  EXPECT_TRUE(Calls.empty());
}

TEST_F(FormHookTest, CallReachesTheInstalledHookWithFormAndFlag) {
  SetFormHook(&DefaultLook);
  CallFormHook(Form(), true);
  CallFormHook(nullptr, false);
  EXPECT_EQ(Calls, std::vector<TCall>({{1, Form(), true}, {1, nullptr, false}}));
}

TEST_F(FormHookTest, AnUnlockedHookIsReplacedByALaterOne) {
  SetFormHook(&DefaultLook);
  SetFormHook(&LookAndFeel);
  CallFormHook(Form(), true);
  EXPECT_EQ(Calls, std::vector<TCall>({{2, Form(), true}}));
}

TEST_F(FormHookTest, SetFormHookAfterSetFormHookLockedLeavesTheLockedRoutine) {
  SetFormHook(&DefaultLook);
  SetFormHook(&LookAndFeel);
  SetFormHookLocked(&LookAndFeel);
  SetFormHook(&LaterUnit);
  EXPECT_TRUE(FormHookLocked());
  CallFormHook(Form(), true);
  EXPECT_EQ(Calls, std::vector<TCall>({{2, Form(), true}}));
}

TEST_F(FormHookTest, ClearEmptiesEvenALockedHookButKeepsTheLock) {
  SetFormHookLocked(&LookAndFeel);
  ClearFormHook();
  EXPECT_EQ(FormHookProc(), nullptr);
  EXPECT_TRUE(FormHookLocked());
  CallFormHook(Form(), true);
  EXPECT_TRUE(Calls.empty());
}

TEST_F(FormHookTest, AfterClearASetFormHookIsStillRefusedWhenLocked) {
  SetFormHookLocked(&LookAndFeel);
  ClearFormHook();
  SetFormHook(&DefaultLook);
  EXPECT_EQ(FormHookProc(), nullptr);
}

TEST_F(FormHookTest, SetFormHookLockedReplacesEvenALockedHook) {
  SetFormHookLocked(&LookAndFeel);
  SetFormHookLocked(&LaterUnit);
  CallFormHook(Form(), false);
  EXPECT_EQ(Calls, std::vector<TCall>({{3, Form(), false}}));
}
}  // namespace
