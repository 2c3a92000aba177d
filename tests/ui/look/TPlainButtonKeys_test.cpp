// The flat button's keyboard: focus moves between buttons with Enter and
// Backspace, the arrow and letter events, Space and accelerators.
#include <gtest/gtest.h>

#include "look_fixture.h"
#include "ui/look/TPlainButtonUnit.h"

namespace {

class PlainButtonKeysTest : public LookTest {
 protected:
  void SetUp() override {
    LookTest::SetUp();
    Form = ShownForm();
    A = Button("&Ja", 10);
    B = Button("&Nein", 100);
    C = Button("&Hilfe", 190);
  }
  TPlainButton* Button(const String& Caption, int L) {
    auto* Btn = Put<TPlainButton>(Form, Bounds(L, 10, 77, 25));
    Btn->SetCaption(Caption);
    Btn->SetTabStop(true);
    Btn->OnClick = [this, Caption](TObject*) { Clicked.push_back(Caption); };
    return Btn;
  }
  void Focus(TPlainButton* Btn) {
    Btn->SetFocus();
    Pump();
  }
  TWinControl* Focused() { return FindControl(GetFocus()); }

  TForm* Form = nullptr;
  TPlainButton *A = nullptr, *B = nullptr, *C = nullptr;
  std::vector<String> Clicked;
};

TEST_F(PlainButtonKeysTest, EnterMovesTheFocusToTheNextButton) {
  Focus(A);
  PressKey(VK_RETURN);
  EXPECT_EQ(Focused(), B);
  EXPECT_TRUE(Clicked.empty());
}

TEST_F(PlainButtonKeysTest, ShiftEnterMovesBackAndWrapsAtTheStart) {
  Focus(A);
  HeadlessKey(VK_RETURN, 1);
  Pump();
  EXPECT_EQ(Focused(), C);
}

TEST_F(PlainButtonKeysTest, BackspaceMovesToThePreviousButton) {
  Focus(B);
  PressKey(VK_BACK);
  EXPECT_EQ(Focused(), A);
}

TEST_F(PlainButtonKeysTest, OnSelectNextCanRedirectOrRefuseTheMove) {
  Focus(A);
  A->OnSelectNext = [this](TWinControl*& Source, TWinControl*& Dest, Word CharCode, bool&) {
    if (Source == A && CharCode == VK_RETURN) Dest = C;
  };
  PressKey(VK_RETURN);
  EXPECT_EQ(Focused(), C);
  C->OnSelectNext = [](TWinControl*&, TWinControl*&, Word, bool& Accept) { Accept = false; };
  PressKey(VK_RETURN);
  EXPECT_EQ(Focused(), C);
}

TEST_F(PlainButtonKeysTest, TheUpArrowRaisesOnUpOnlyWhenAssigned) {
  Focus(B);
  int Downs = 0, Ups = 0;
  B->OnDown = [&](TObject*, bool&) { ++Downs; };
  PressKey(VK_UP);
  EXPECT_EQ(Downs, 0);
  B->OnUp = [&](TObject*, bool& Accept) {
    ++Ups;
    Accept = false;
  };
  Focus(B);
  PressKey(VK_UP);
  EXPECT_EQ(Ups, 1);
  EXPECT_EQ(Focused(), B);  // refused: the key goes no further
}

TEST_F(PlainButtonKeysTest, LeftAndRightAreReportedAndConsumed) {
  Focus(B);
  std::vector<bool> Sides;
  B->OnLeftRightKeyPressed = [&](TObject*, bool Right) { Sides.push_back(Right); };
  PressKey(VK_LEFT);
  PressKey(VK_RIGHT);
  EXPECT_EQ(Sides, (std::vector<bool>{false, true}));
  EXPECT_EQ(Focused(), B);
}

TEST_F(PlainButtonKeysTest, LettersAndDigitsRaiseOnAlpha) {
  Focus(A);
  std::vector<Word> Keys;
  A->OnAlpha = [&](TObject*, Word Key) { Keys.push_back(Key); };
  PressKey('K');
  PressKey('7');
  EXPECT_EQ(Keys, (std::vector<Word>{'K', '7'}));
}

TEST_F(PlainButtonKeysTest, SpaceReleasedClicksTheButton) {
  Focus(A);
  PressKey(VK_SPACE);
  EXPECT_EQ(Clicked, std::vector<String>{"&Ja"});
  EXPECT_EQ(A->State(), 0);
}

TEST_F(PlainButtonKeysTest, SpaceTogglesAGroupButton) {
  A->SetGroupIndex(3);
  A->SetAllowAllUp(true);
  Focus(A);
  PressKey(VK_SPACE);
  EXPECT_TRUE(A->Down());
  PressKey(VK_SPACE);
  EXPECT_FALSE(A->Down());
}

TEST_F(PlainButtonKeysTest, FocusMakesTheButtonLookHovered) {
  Focus(C);
  EXPECT_TRUE(C->HasFocus());
  EXPECT_TRUE(C->MouseInControl());
  Focus(A);
  EXPECT_FALSE(C->HasFocus());
  EXPECT_FALSE(C->MouseInControl());
}

TEST_F(PlainButtonKeysTest, AltWithTheAcceleratorClicksTheButton) {
  Focus(A);
  HeadlessKey('N', 2);
  Pump();
  EXPECT_EQ(Clicked, std::vector<String>{"&Nein"});
}

}  // namespace
