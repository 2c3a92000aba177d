// The validating edit: focus kept on an invalid exit, the parent's veto,
// select-all only on keyboard entry, the update bracket, the error
// balloon's life cycle on the injectable clock, and masked editing.
#include "ui/controls/EcChoice.h"

#include "platform/gui/forms_fixture.h"

namespace {

class ValidatingEditTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Form = NewPlainForm("Edits", Bounds(100, 100, 300, 200));
    Edit = Put(Bounds(10, 10, 120, 21));
    Other = Put(Bounds(10, 50, 120, 21));
    Form->Show();
    Pump();
    Edit->SetFocus();
    Pump();
  }
  TEcParentEdit* Put(TRect B) {
    auto* E = new TEcParentEdit(Form);
    E->SetBounds(B.Left, B.Top, B.Width(), B.Height());
    E->SetParent(Form);
    return E;
  }
  // Moves the focus to the other edit, as the keyboard would.
  void Tab() {
    Other->SetFocus();
    Pump();
  }
  void Type(const String& Text) {
    HeadlessType(Text);
    Pump();
  }
  // Gives every error the hint "Fehler <code>".
  void HintErrors(TEcCustomEdit* E) {
    E->OnGetErrorHint = [](TObject*, Integer Code, String& Text) { Text = "Fehler " + std::to_string(Code); };
  }
  TForm* Form = nullptr;
  TEcParentEdit* Edit = nullptr;
  TEcParentEdit* Other = nullptr;
};

TEST_F(ValidatingEditTest, InvalidExitKeepsFocusWithoutBalloonWhenNoHint) {
  Edit->CanEmpty = false;
  Type("   ");
  Tab();
  EXPECT_TRUE(Edit->Focused());
  EXPECT_TRUE(Edit->ErrorShown);
  EXPECT_EQ(Edit->ErrorCode, ecEmptyText);
  EXPECT_EQ(TEcCustomEdit::ErrorBalloon(), nullptr);
  EXPECT_FALSE(TEcCustomEdit::ErrorHookInstalled());
}

TEST_F(ValidatingEditTest, InvalidExitShowsTheHintInABalloonBelowTheText) {
  Edit->CanEmpty = false;
  HintErrors(Edit);
  TObject* Shown = nullptr;
  Edit->OnShowError = [&](TObject* Sender) { Shown = Sender; };
  Tab();
  EXPECT_TRUE(Edit->Focused());
  TEcMessageWindow* B = TEcCustomEdit::ErrorBalloon();
  ASSERT_NE(B, nullptr);
  EXPECT_EQ(Shown, B);
  EXPECT_EQ(B->Caption(), "Fehler 60673");
  EXPECT_EQ(TEcCustomEdit::ErrorBalloonOwner(), Edit);
  EXPECT_TRUE(TEcCustomEdit::ErrorHookInstalled());
  EXPECT_TRUE(IsWindowVisible(B->Handle()));
  EXPECT_EQ(B->BoundsRect().TopLeft(), Edit->ClientToScreen({5, Edit->Height() - 9}));
  EXPECT_EQ(B->DisplayTime, 2500u);
}

TEST_F(ValidatingEditTest, ParentFormMayLetAnInvalidControlGo) {
  Edit->CanEmpty = false;
  TWndMethod Old = Form->WindowProc;
  Form->WindowProc = [Old](TMessage& M) {
    if (M.Msg == ECM_QUERYERROR) M.Result = 1;
    else Old(M);
  };
  Tab();
  EXPECT_TRUE(Other->Focused());
  EXPECT_FALSE(Edit->ErrorShown);
  Form->WindowProc = Old;
}

TEST_F(ValidatingEditTest, KillFocusHandlerDecidesToo) {
  Edit->OnKillFocus = [](TObject*, bool& Error) { Error = true; };
  Tab();
  EXPECT_TRUE(Edit->Focused());
  Edit->OnKillFocus = nullptr;
  Tab();
  EXPECT_TRUE(Other->Focused());
}

TEST_F(ValidatingEditTest, ValidExitLeavesCaretAfterFirstCharacter) {
  int Exits = 0;
  Edit->OnExit = [&](TObject*) { ++Exits; };
  Type("Hallo");
  Tab();
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(Edit->SelStart(), 1);
  EXPECT_EQ(Edit->SelLength(), 0);
  EXPECT_EQ(Exits, 1);
}

TEST_F(ValidatingEditTest, TabbingInSelectsAllClickingInDoesNot) {
  Other->SetText("Welt");
  Tab();
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(Other->SelLength(), 4);
  Edit->SetText("Hallo");
  TPoint P = Edit->ClientToScreen({30, 10});
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(Edit->SelLength(), 0);
}

TEST_F(ValidatingEditTest, UpdateBracketFiresChangeOnceAtTheEnd) {
  int Changes = 0;
  Edit->OnChange = [&](TObject*) { ++Changes; };
  Edit->BeginUpdate(true);
  Edit->SetText("a");
  Edit->SetText("b");
  Edit->SetText("c");
  EXPECT_EQ(Changes, 0);
  EXPECT_TRUE(Edit->ChangePending());
  Edit->EndUpdate();
  EXPECT_EQ(Changes, 1);
  Edit->BeginUpdate(false);
  Edit->SetText("d");
  Edit->EndUpdate();
  EXPECT_EQ(Changes, 1);
  Edit->SetText("e");
  EXPECT_EQ(Changes, 2);
}

TEST_F(ValidatingEditTest, BalloonGoesWhenItsTimeIsUp) {
  Edit->CanEmpty = false;
  HintErrors(Edit);
  Tab();
  ASSERT_NE(TEcCustomEdit::ErrorBalloon(), nullptr);
  Clock->Advance(2499);
  Pump();
  EXPECT_NE(TEcCustomEdit::ErrorBalloon(), nullptr);
  Clock->Advance(1);
  Pump();
  EXPECT_EQ(TEcCustomEdit::ErrorBalloon(), nullptr);
  EXPECT_FALSE(TEcCustomEdit::ErrorHookInstalled());
  EXPECT_FALSE(Edit->ErrorShown);
  EXPECT_TRUE(Edit->Focused());
}

TEST_F(ValidatingEditTest, TypingOrAMenuCommandHidesTheBalloon) {
  Edit->CanEmpty = false;
  HintErrors(Edit);
  Tab();
  ASSERT_NE(TEcCustomEdit::ErrorBalloon(), nullptr);
  Type("x");
  EXPECT_EQ(TEcCustomEdit::ErrorBalloon(), nullptr);
  EXPECT_EQ(Edit->Text(), "x");
  Edit->SetText("");
  Tab();
  ASSERT_NE(TEcCustomEdit::ErrorBalloon(), nullptr);
  PostMessage(Form->Handle(), WM_COMMAND, 0, 0);
  Pump();
  EXPECT_EQ(TEcCustomEdit::ErrorBalloon(), nullptr);
}

TEST_F(ValidatingEditTest, DeleteKeyAndDestructionHideTheBalloon) {
  Edit->CanEmpty = false;
  HintErrors(Edit);
  Tab();
  ASSERT_NE(TEcCustomEdit::ErrorBalloon(), nullptr);
  PressKey(VK_DELETE);
  EXPECT_EQ(TEcCustomEdit::ErrorBalloon(), nullptr);
  Tab();
  ASSERT_NE(TEcCustomEdit::ErrorBalloon(), nullptr);
  HWND Balloon = TEcCustomEdit::ErrorBalloon()->Handle();
  delete Edit;
  Pump();
  EXPECT_EQ(TEcCustomEdit::ErrorBalloon(), nullptr);
  EXPECT_FALSE(TEcCustomEdit::ErrorHookInstalled());
  EXPECT_FALSE(IsWindow(Balloon));
}

class MaskEditTest : public ValidatingEditTest {
 protected:
  void SetUp() override {
    ValidatingEditTest::SetUp();
    Edit->SetEditMask("00!.00");
  }
};

TEST_F(MaskEditTest, TypingGoesThroughTheMask) {
  Type("1a2");
  EXPECT_EQ(Edit->Text(), "12.");
  EXPECT_EQ(Edit->SelStart(), 3);
  Type("34");
  EXPECT_EQ(Edit->Text(), "12.34");
  Type("5");
  EXPECT_EQ(Edit->Text(), "12.34");
}

TEST_F(MaskEditTest, BackspaceStepsOverTheLiteral) {
  Type("12");
  ASSERT_EQ(Edit->Text(), "12.");
  PressKey(VK_BACK);
  EXPECT_EQ(Edit->Text(), "1");
  EXPECT_EQ(Edit->SelStart(), 1);
}

TEST_F(MaskEditTest, IncompleteTextFailsWithTheMaskInItsText) {
  HintErrors(Edit);
  Edit->OnGetErrorHint = nullptr;
  Type("12");
  Tab();
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(Edit->ErrorCode, ecMaskMismatch);
  EXPECT_EQ(Edit->ErrorText, " 00!.00");
  ASSERT_NE(TEcCustomEdit::ErrorBalloon(), nullptr);
  EXPECT_EQ(TEcCustomEdit::ErrorBalloon()->DisplayTime, 4000u);
  EXPECT_EQ(Edit->SelLength(), 3);  // the focus came back: all selected
  Edit->SetSelStart(3);
  Type("34");
  Tab();
  EXPECT_TRUE(Other->Focused());
}

TEST_F(MaskEditTest, CaseSwitchConvertsTypedLetters) {
  Edit->SetEditMask("<l>LLL");
  Edit->SetText("");
  Type("abc");
  EXPECT_EQ(Edit->Text(), "ABC");
}

TEST_F(MaskEditTest, EmptiedTextGetsTheLeadingLiteralsBack) {
  Edit->SetEditMask("![+49 ]0000");
  EXPECT_EQ(Edit->Text(), "+49 ");
  Edit->SetSelStart(4);
  Type("1234");
  EXPECT_EQ(Edit->Text(), "+49 1234");
  Edit->SetText("");
  EXPECT_EQ(Edit->Text(), "+49 ");
}

}  // namespace
