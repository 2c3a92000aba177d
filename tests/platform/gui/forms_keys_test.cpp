// Forms and keys: key preview order, active control and focus memory.
#include "forms_fixture.h"
#include "platform/gui/stdctrls_label.h"

namespace {

class FormKeysTest : public FormsTest {
 protected:
  // A form with two focusable edit-like controls, shown and active.
  void MakeForm(bool KeyPreview) {
    Form = NewPlainForm("Keys");
    Form->SetKeyPreview(KeyPreview);
    First = AddBox("First", 10);
    Second = AddBox("Second", 50);
    Form->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
      Log.push_back("form:" + std::to_string(Key));
      if (Key == SwallowKey) Key = 0;
    };
    Form->OnKeyPress = [this](TObject*, char32_t& Key) { Log.push_back("formpress:" + std::to_string(Key)); };
    Form->Show();
    Pump();
  }
  TCustomControl* AddBox(const String& Name, Integer Top) {
    TCustomControl* C = AddControl(Form, Bounds(10, Top, 100, 30));
    C->SetName(Name);
    C->SetTabStop(true);
    C->OnKeyDown = [this, Name](TObject*, Word& Key, TShiftState) {
      Log.push_back(Name + ":" + std::to_string(Key));
    };
    return C;
  }

  TForm* Form = nullptr;
  TCustomControl* First = nullptr;
  TCustomControl* Second = nullptr;
  std::vector<std::string> Log;
  Word SwallowKey = 0;
};

TEST_F(FormKeysTest, WithKeyPreviewTheFormSeesAKeyBeforeTheFocusedControl) {
  MakeForm(true);
  Form->SetActiveControl(Second);
  Pump();
  PressKey('A');
  ASSERT_GE(Log.size(), 2u);
  EXPECT_EQ(Log[0], "form:65");
  EXPECT_EQ(Log[1], "Second:65");
}

TEST_F(FormKeysTest, KeyPreviewSwallowingTheKeyKeepsItFromTheControl) {
  MakeForm(true);
  SwallowKey = VK_F1;
  Form->SetActiveControl(First);
  PressKey(VK_F1);
  EXPECT_EQ(Log, std::vector<std::string>({"form:112"}));
}

TEST_F(FormKeysTest, WithoutKeyPreviewOnlyTheFocusedControlSeesTheKey) {
  MakeForm(false);
  Form->SetActiveControl(First);
  PressKey('B');
  ASSERT_FALSE(Log.empty());
  EXPECT_EQ(Log[0], "First:66");
  for (const auto& E : Log) EXPECT_EQ(E.rfind("form", 0), std::string::npos) << E;
}

TEST_F(FormKeysTest, ActivatingTheFormFocusesItsActiveControl) {
  MakeForm(false);
  Form->SetActiveControl(Second);
  EXPECT_TRUE(Second->Focused());
  EXPECT_EQ(Form->ActiveControl(), Second);
  EXPECT_EQ(Screen->ActiveControl(), Second);
  EXPECT_EQ(Screen->FocusedForm(), Form);
}

TEST_F(FormKeysTest, FocusingAControlMakesItTheActiveControl) {
  MakeForm(false);
  Second->SetFocus();
  EXPECT_EQ(Form->ActiveControl(), Second);
}

TEST_F(FormKeysTest, AnInvisibleControlCannotBecomeActiveOnAnActiveForm) {
  MakeForm(false);
  Second->SetVisible(false);
  EXPECT_THROW(Form->SetActiveControl(Second), EInvalidOperation);
}

TEST_F(FormKeysTest, HidingTheActiveControlMovesTheFocusAwayAndForgetsIt) {
  MakeForm(false);
  Form->SetActiveControl(Second);
  Second->SetVisible(false);
  EXPECT_NE(Form->ActiveControl(), Second);
}

TEST_F(FormKeysTest, DefocusControlForgetsTheControlAndWhatLiesOnIt) {
  MakeForm(false);
  Form->SetActiveControl(Second);
  Form->DefocusControl(Second, true);
  EXPECT_EQ(Form->ActiveControl(), nullptr);
  EXPECT_EQ(Form->FocusedControl(), Form);
}

TEST_F(FormKeysTest, FreeingTheActiveControlClearsIt) {
  MakeForm(false);
  Form->SetActiveControl(Second);
  Second->Free();
  EXPECT_EQ(Form->ActiveControl(), nullptr);
}

// A press anywhere on the form tells its active control which control was
// pressed (itself included), so that a list it opened can close.
TEST_F(FormKeysTest, APressAnywhereOnTheFormSendsCancelModeToTheActiveControl) {
  MakeForm(false);
  auto* Label = new TLabel(Form);
  Label->SetAutoSize(false);
  Label->SetBounds(150, 10, 60, 20);
  Label->SetParent(Form);
  Form->SetActiveControl(First);
  std::vector<TControl*> Senders;
  TWndMethod Old = First->WindowProc;
  First->WindowProc = [&](TMessage& M) {
    if (M.Msg == CM_CANCELMODE) Senders.push_back(reinterpret_cast<TControl*>(M.LParam));
    Old(M);
  };
  for (TControl* C : std::vector<TControl*>{Form, Label, First, Second}) {
    TPoint S = C->ClientToScreen({5, 150 * (C == Form)});
    HeadlessClick(S.X, S.Y);
    Pump();
  }
  First->WindowProc = Old;
  EXPECT_EQ(Senders, (std::vector<TControl*>{Form, Label, First, Second}));
}
}  // namespace
