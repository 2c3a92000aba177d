// The message dialogs: captions, buttons, results, keys.
#include "forms_fixture.h"
#include "platform/gui/dialogs.h"

namespace {

class MessageDialogTest : public FormsTest {
 protected:
  // Shows a dialog through Show and records its buttons' captions.
  std::vector<String> ButtonsOf(TMessageForm* F) {
    std::vector<String> B;
    for (Integer I = 0; I < F->ControlCount(); ++I) B.push_back(F->Controls(I)->Caption());
    return B;
  }
};

TEST_F(MessageDialogTest, EachKindHasItsGermanCaption) {
  EXPECT_EQ(MsgDlgCaption(mtWarning), "Warnung");
  EXPECT_EQ(MsgDlgCaption(mtError), "Fehler");
  EXPECT_EQ(MsgDlgCaption(mtInformation), "Information");
  EXPECT_EQ(MsgDlgCaption(mtConfirmation), "Bestätigen");
  Application->SetTitle("Titel");
  EXPECT_EQ(MsgDlgCaption(mtCustom), "Titel");
}

TEST_F(MessageDialogTest, ButtonsAppearInOrderWithGermanTexts) {
  std::unique_ptr<TMessageForm> F(CreateMessageDialog("Frage?", mtConfirmation, mbYesNoCancel));
  EXPECT_EQ(ButtonsOf(F.get()), std::vector<String>({"&Ja", "&Nein", "Abbrechen"}));
  std::unique_ptr<TMessageForm> G(CreateMessageDialog("x", mtError, mbAbortRetryIgnore + TMsgDlgButtons{mbHelp}));
  EXPECT_EQ(ButtonsOf(G.get()), std::vector<String>({"&Abbrechen", "&Wiederholen", "&Ignorieren", "&Hilfe"}));
  EXPECT_EQ(MsgDlgButtonCaption(mbAll), "&Alle");
  EXPECT_EQ(MsgDlgButtonCaption(mbOK), "OK");
}

TEST_F(MessageDialogTest, MessageDlgReturnsTheResultOfThePressedButton) {
  Answers().PressButton("Bestätigen", "Nein", "Eintrag entfernen?");
  EXPECT_EQ(MessageDlg("Eintrag entfernen?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
}

TEST_F(MessageDialogTest, ShowMessageIsCaptionedWithTheTitleAndHasOneOkButton) {
  Application->SetTitle("Mobile Daten-Syncronisation");
  Answers().PressButton("Mobile Daten-Syncronisation", "OK");
  ShowMessage("Vorlage fehlt");
  ASSERT_EQ(Responder->Shown().size(), 1u);
  EXPECT_EQ(Responder->Shown()[0].Text, "Vorlage fehlt");
  EXPECT_EQ(Responder->Shown()[0].Result, mrOk);
}

TEST_F(MessageDialogTest, MessageBoxReturnsTheWindowManagersIds) {
  Answers().PressButton("Frage", "&Nein").PressButton("Frage", "Wiederholen").PressButton("Frage", "OK");
  EXPECT_EQ(Application->MessageBox("Weiter?", "Frage", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(Application->MessageBox("Nochmal?", "Frage", MB_RETRYCANCEL), IDRETRY);
  EXPECT_EQ(Application->MessageBox("Info", "Frage", MB_OK), IDOK);
}

TEST_F(MessageDialogTest, MessageBoxWithoutCaptionIsCaptionedFehler) {
  Answers().AnswerWith("Fehler", mrOk);
  EXPECT_EQ(ShowMessageBox("x", "", MB_OK), IDOK);
}

TEST_F(MessageDialogTest, EscapeChoosesTheCancelButton) {
  Answers().Do("Bestätigen", [](TCustomForm*) { HeadlessKey(VK_ESCAPE); });
  EXPECT_EQ(MessageDlg("Speichern?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
}

TEST_F(MessageDialogTest, EnterChoosesTheFocusedDefaultButton) {
  Answers().Do("Warnung", [](TCustomForm*) { HeadlessKey(VK_RETURN); });
  EXPECT_EQ(MessageDlg("Achtung", mtWarning, mbOKCancel, 0), mrOk);
}

TEST_F(MessageDialogTest, MessageBoxDefaultButtonFlagChoosesWhatEnterPresses) {
  Answers().Do("Frage", [](TCustomForm*) { HeadlessKey(VK_RETURN); });
  EXPECT_EQ(Application->MessageBox("Löschen?", "Frage", MB_YESNO | MB_DEFBUTTON2), IDNO);
}

TEST_F(MessageDialogTest, TheDialogGrowsWithItsText) {
  std::unique_ptr<TMessageForm> Short(CreateMessageDialog("kurz", mtInformation, {mbOK}));
  std::unique_ptr<TMessageForm> Long(
      CreateMessageDialog("eine deutlich längere Meldung\nmit\nvier\nZeilen", mtInformation, {mbOK}));
  EXPECT_GT(Long->ClientWidth(), Short->ClientWidth());
  EXPECT_GT(Long->ClientHeight(), Short->ClientHeight());
}

TEST_F(MessageDialogTest, HelpContextIsKeptOnTheForm) {
  Integer Seen = -1;
  Answers().Do("Information", [&](TCustomForm* F) {
    Seen = F->HelpContext();
    F->SetModalResult(mrOk);
  });
  MessageDlg("x", mtInformation, {mbOK}, 42);
  EXPECT_EQ(Seen, 42);
}
}  // namespace
