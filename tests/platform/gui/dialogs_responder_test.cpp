// The scripted responder: matching by caption and text, pressing buttons,
// recording, unexpected forms.
#include "forms_fixture.h"
#include "platform/gui/dialogs.h"

namespace {

class ResponderTest : public FormsTest {
 protected:
  // A form with one button that ends it with Result.
  TForm* FormWithButton(const String& Caption, const String& ButtonCaption, TModalResult Result) {
    TForm* F = NewPlainForm(Caption);
    auto* B = new TMessageButton(F);
    B->SetCaption(ButtonCaption);
    B->SetModalResult(Result);
    B->SetBounds(10, 10, 80, 25);
    B->SetParent(F);
    return F;
  }
};

TEST_F(ResponderTest, TheTextOfAPlainFormIsTheTextOfItsControls) {
  TForm* F = FormWithButton("Rechte", "&Weiter", mrOk);
  auto* B = new TMessageButton(F);
  B->SetCaption("&Abbrechen");
  B->SetParent(F);
  EXPECT_EQ(FormDialogText(F), "&Weiter\n&Abbrechen");
}

TEST_F(ResponderTest, PressesTheButtonWhoseCaptionMatchesWithoutAmpersands) {
  TForm* F = FormWithButton("Rechte", "&Weiter", mrOk);
  Answers().PressButton("Rechte", "Weiter");
  EXPECT_EQ(F->ShowModal(), mrOk);
}

TEST_F(ResponderTest, AMissingButtonMakesTheShowingUnexpected) {
  TForm* F = FormWithButton("Rechte", "&Weiter", mrOk);
  TScriptedResponder R;
  R.PressButton("Rechte", "Zurück");
  EXPECT_EQ(F->ShowModal(), mrCancel);
  ASSERT_EQ(R.Unexpected().size(), 1u);
  EXPECT_FALSE(R.Shown()[0].Expected);
}

TEST_F(ResponderTest, TheTextPartChoosesBetweenRulesOfTheSameCaption) {
  Answers().AnswerWith("Bestätigen", mrNo, "speichern").AnswerWith("Bestätigen", mrYes, "entfernen");
  EXPECT_EQ(MessageDlg("Eintrag entfernen?", mtConfirmation, {mbYes, mbNo}, 0), mrYes);
  EXPECT_EQ(MessageDlg("Jetzt speichern?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
}

TEST_F(ResponderTest, EverythingShownIsRecordedInOrder) {
  Answers().AnswerWith("*", mrOk).Always();
  MessageDlg("eins", mtWarning, {mbOK}, 0);
  MessageDlg("zwei", mtError, {mbOK}, 0);
  ASSERT_EQ(Responder->Shown().size(), 2u);
  EXPECT_EQ(Responder->Shown()[0].Caption, "Warnung");
  EXPECT_EQ(Responder->Shown()[1].Caption, "Fehler");
  EXPECT_EQ(Responder->Shown()[1].Text, "zwei");
  EXPECT_EQ(Responder->Shown()[1].ClassName, "TMessageForm");
}

TEST_F(ResponderTest, TheResponderBeforeIsBackAfterwards) {
  TScriptedResponder Outer;
  Outer.AnswerWith("*", mrAbort).Always();
  {
    TScriptedResponder Inner;
    Inner.AnswerWith("*", mrIgnore);
    EXPECT_EQ(NewPlainForm("a")->ShowModal(), mrIgnore);
  }
  EXPECT_EQ(NewPlainForm("b")->ShowModal(), mrAbort);
}
}  // namespace
