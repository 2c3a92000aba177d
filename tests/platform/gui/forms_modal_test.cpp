// Modal forms: the nested loop, the responder's answers, other forms
// disabled meanwhile, close query during a modal showing.
#include "forms_fixture.h"

namespace {

class FormModalTest : public FormsTest {};

TEST_F(FormModalTest, ResponderAnswersAModalFormWithAModalResult) {
  TForm* F = NewPlainForm("Rechte wählen");
  Answers().AnswerWith("Rechte wählen", mrOk);
  EXPECT_EQ(F->ShowModal(), mrOk);
  EXPECT_FALSE(F->Visible());
  ASSERT_EQ(Responder->Shown().size(), 1u);
  EXPECT_EQ(Responder->Shown()[0].Caption, "Rechte wählen");
}

TEST_F(FormModalTest, OtherFormsAreDisabledWhileAModalFormShowsAndEnabledAfter) {
  TForm* Main = NewPlainForm("Main");
  Main->Show();
  TForm* Dialog = NewPlainForm("Dialog");
  bool MainEnabledMeanwhile = true;
  Answers().Do("Dialog", [&](TCustomForm* F) {
    MainEnabledMeanwhile = IsWindowEnabled(Main->Handle());
    F->SetModalResult(mrCancel);
  });
  Dialog->ShowModal();
  EXPECT_FALSE(MainEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(Main->Handle()));
}

TEST_F(FormModalTest, ModalLoopRunsUntilAHandlerSetsTheModalResult) {
  TForm* F = NewPlainForm("Loop");
  // The answer arrives as a message, as a button click would.
  Application->OnMessage = [F](MSG& M, bool& Handled) {
    if (M.message != WM_USER + 1) return;
    F->SetModalResult(mrRetry);
    Handled = true;
  };
  Answers().Do("Loop", [](TCustomForm* Form) { PostMessage(Form->Handle(), WM_USER + 1); });
  EXPECT_EQ(F->ShowModal(), mrRetry);
  Application->OnMessage = nullptr;
}

TEST_F(FormModalTest, AFormLeftOpenAfterTheLastRuleIsCancelledAndReported) {
  TForm* F = NewPlainForm("Offen");
  TScriptedResponder R;
  R.Do("Offen", [](TCustomForm*) {});
  std::vector<String> Reported;
  R.OnUnexpected = [&](const String& What) { Reported.push_back(What); };
  EXPECT_EQ(F->ShowModal(), mrCancel);
  ASSERT_EQ(Reported.size(), 1u);
  EXPECT_NE(Reported[0].find("blieb offen"), String::npos);
}

TEST_F(FormModalTest, CloseDuringAModalShowingEndsItWithCancel) {
  TForm* F = NewPlainForm("Schließen");
  Answers().Do("Schließen", [](TCustomForm* Form) { Form->Close(); });
  EXPECT_EQ(F->ShowModal(), mrCancel);
}

TEST_F(FormModalTest, CloseQueryThatRefusesKeepsTheModalFormOpenForTheNextAnswer) {
  TForm* F = NewPlainForm("Frage");
  int Asked = 0;
  F->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++Asked >= 2; };
  Answers().AnswerWith("Frage", mrOk).AnswerWith("Frage", mrIgnore);
  EXPECT_EQ(F->ShowModal(), mrIgnore);
  EXPECT_EQ(Asked, 2);
  EXPECT_EQ(Responder->Shown().size(), 1u);
}

TEST_F(FormModalTest, ShowingAVisibleFormModallyIsRefused) {
  TForm* F = NewPlainForm();
  F->Show();
  EXPECT_THROW(F->ShowModal(), EInvalidOperation);
}

TEST_F(FormModalTest, UnexpectedModalFormIsCancelledAndReported) {
  TForm* F = NewPlainForm("Unbekannt");
  TScriptedResponder R;
  std::vector<String> Reported;
  R.OnUnexpected = [&](const String& What) { Reported.push_back(What); };
  EXPECT_EQ(F->ShowModal(), mrCancel);
  ASSERT_EQ(R.Unexpected().size(), 1u);
  EXPECT_NE(Reported.at(0).find("Unbekannt"), String::npos);
}

TEST_F(FormModalTest, RulesAnswerOnceInOrderUnlessAlways) {
  TForm* F = NewPlainForm("X");
  Answers().AnswerWith("X", mrYes).AnswerWith("X", mrNo).AnswerWith("*", mrAbort).Always();
  EXPECT_EQ(F->ShowModal(), mrYes);
  EXPECT_EQ(F->ShowModal(), mrNo);
  EXPECT_EQ(F->ShowModal(), mrAbort);
  EXPECT_EQ(F->ShowModal(), mrAbort);
  EXPECT_EQ(Responder->PendingRules(), 0);
}

TEST_F(FormModalTest, ModalLevelCountsNestedShowings) {
  TForm* Outer = NewPlainForm("Outer");
  TForm* Inner = NewPlainForm("Inner");
  Integer LevelInside = 0;
  Answers()
      .Do("Outer",
          [&](TCustomForm* F) {
            Inner->ShowModal();
            F->SetModalResult(mrOk);
          })
      .Do("Inner", [&](TCustomForm* F) {
        LevelInside = Application->ModalLevel();
        F->SetModalResult(mrOk);
      });
  int Begins = 0, Ends = 0;
  Application->OnModalBegin = [&](TObject*) { ++Begins; };
  Application->OnModalEnd = [&](TObject*) { ++Ends; };
  Outer->ShowModal();
  Application->OnModalBegin = nullptr;
  Application->OnModalEnd = nullptr;
  EXPECT_EQ(LevelInside, 2);
  EXPECT_EQ(Application->ModalLevel(), 0);
  EXPECT_EQ(Begins, 1);  // the outermost showing only
  EXPECT_EQ(Ends, 1);
}
}  // namespace
