// The message box form: its keys, its size for long and empty texts, the
// help panel, links that close it, and a picture of it.
#include <gtest/gtest.h>

#include "look_engine_fixture.h"
#include "ui/look/sb.h"
#include "ui/look/sb_box.h"

namespace {

class MessageBoxTest : public LookEngineTest {
 protected:
  // A box in Mode with Html, shown (not modally) and laid out.
  TFSB_BOX* ShownBox(TSBBoxMode Mode, const String& Text, const String& Help = "") {
    TFSB_BOX* Box = CreateMsgBoxForm();
    String Html;
    PrepareBoxText(Text, Html);
    Box->SetMessageHtml(Html);
    Box->SetMode(Mode);
    Box->SetHelpText(Help);
    Box->SetCaption("Hinweis");
    Box->Show();
    Box->FocusModeControl();
    Pump();
    return Box;
  }
  // Presses Key (with Shift held when asked) and returns the box's answer.
  TModalResult Press(TFSB_BOX* Box, Word Key, bool Shift = false) {
    Box->SetModalResult(mrNone);
    HeadlessKey(Key, Shift ? 1 : 0);
    Pump();
    return Box->ModalResult();
  }
};

TEST_F(MessageBoxTest, InMessageModeALetterClosesButShiftLetterDoesNot) {
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Message, "Gespeichert.");
  EXPECT_EQ(Press(Box, 'A', true), mrNone);
  EXPECT_EQ(Press(Box, 'A'), mrCancel);
  EXPECT_EQ(Press(Box, VK_F1), mrNone);
}

TEST_F(MessageBoxTest, QuestionKeysAnswerJaNeinAndMoveBetweenThem) {
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Question, "Weiter?");
  EXPECT_EQ(Press(Box, 'A'), mrNone);
  EXPECT_EQ(Press(Box, VK_RETURN), mrOk);
  EXPECT_EQ(Press(Box, VK_ESCAPE), mrCancel);
  EXPECT_EQ(Box->ActiveControl(), Box->FB_OK);
  Press(Box, VK_RIGHT);
  EXPECT_EQ(Box->ActiveControl(), Box->FB_BREAK1);
  EXPECT_EQ(Press(Box, VK_RETURN), mrCancel);  // "Nein" answers Enter itself
  Press(Box, VK_LEFT);
  EXPECT_EQ(Box->ActiveControl(), Box->FB_OK);
}

TEST_F(MessageBoxTest, TheBoxFitsItsTextAndStaysOnTheScreen) {
  TFSB_BOX* Short = ShownBox(TSBBoxMode::Message, "Eine Zeile");
  Integer ShortHeight = Short->ClientHeight();
  EXPECT_EQ(ShortHeight, Short->Text()->Height() + 37);
  String Long;
  for (int I = 1; I <= 30; ++I) Long += "Zeile " + std::to_string(I) + "\r\n";
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Message, Long);
  String Plain = Box->Text()->PlainText();
  EXPECT_NE(Plain.find("Zeile 21\n................\nZeile 30"), String::npos);
  EXPECT_EQ(Plain.find("Zeile 22"), String::npos);
  EXPECT_GT(Box->ClientHeight(), ShortHeight);
  EXPECT_LE(Box->Height(), Screen->Height() * 7 / 10 + 1);
  TFSB_BOX* Empty = ShownBox(TSBBoxMode::Message, "");
  EXPECT_GT(Empty->Text()->Height(), 6);
  String Huge;
  for (int I = 0; I < 10000; ++I) Huge += "sehr langer Text ohne Umbruch ";
  TFSB_BOX* Wide = ShownBox(TSBBoxMode::Message, Huge);
  EXPECT_LE(Wide->Height(), Screen->Height() * 7 / 10 + 1);
  EXPECT_TRUE(Wide->Pmsg->Visible());
}

TEST_F(MessageBoxTest, HelpUnfoldsOnceAndGrowsTheBox) {
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Question, "Frage?", "Zur <B>Hilfe</B>");
  ASSERT_TRUE(Box->FBhelpQ->Visible());
  Integer Before = Box->ClientHeight();
  Box->FBhelpQ->DoClick();
  Pump();
  EXPECT_TRUE(Box->HelpShown());
  EXPECT_FALSE(Box->FBhelpQ->Enabled());
  EXPECT_EQ(Box->ClientHeight(), Before + Box->FP_help->Height());
  EXPECT_EQ(Box->HelpLabel()->PlainText(), "Zur Hilfe");
}

TEST_F(MessageBoxTest, OddPickListLinesAreYellowEvenOnesWhite) {
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Input, "Wählen:");
  Box->FINPE->SetStyle(csDropDownList);
  for (int I = 0; I < 4; ++I) Box->FINPE->Items()->Add("Eintrag " + std::to_string(I));
  Box->FINPE->SetItemIndex(3);
  Box->FINPE->SetDroppedDown(true);
  Pump();
  TCustomListBox* List = Box->FINPE->DropDownList();
  ASSERT_NE(List, nullptr);
  Integer H = List->ItemHeight();
  auto Pixel = [&](int Y) {
    TPoint P = List->ClientToScreen(Point(1, Y));
    TRect W = GetWindowRect(List->Handle());
    return TColor(HeadlessSurface(List->Handle()).Get(P.X - W.Left, P.Y - W.Top));
  };
  EXPECT_EQ(Pixel(H / 2), clWhite);
  EXPECT_EQ(Pixel(H + H / 2), RGB(254, 245, 188));
  EXPECT_EQ(Pixel(3 * H + H / 2), ColorToRGB(clHighlight));  // the chosen line
  Box->FINPE->SetDroppedDown(false);
}

TEST_F(MessageBoxTest, APictureOfAPickListShowsTheChosenLineAndItsListUnderIt) {
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Input, "Bitte die <B>Installation</B> wählen:");
  TEcComboBox* E = Box->FINPE;
  E->SetStyle(csDropDownList);
  for (const char* L : {"Laptop Außendienst", "Laptop Messe", "Notebook Büro"}) E->Items()->Add(L);
  E->SetItemIndex(1);
  Box->FocusModeControl();
  E->SetDroppedDown(true);
  Pump();
  TEcPopupListBox* List = E->DropDownList();
  ASSERT_NE(List, nullptr);
  EXPECT_EQ(E->Text(), "Laptop Messe");
  EXPECT_EQ(List->Top(), E->ClientToScreen({0, E->Height()}).Y);
  EXPECT_EQ(List->Width(), E->Width());
  TCanvas Measure;
  Measure.SetFont(Box->Label1->Font());
  EXPECT_GE(Box->Label1->Width(), Measure.TextWidth("Eingabe:"));  // the colon is not cut
  EXPECT_LE(Box->Label1->Left() + Box->Label1->Width(), E->Left());
  HeadlessSavePng(Box->Handle(), PngPath("inputbox_picklist.png"));
  HeadlessSavePng(List->Handle(), PngPath("inputbox_picklist_list.png"));
  // Escape closes only the list; the box waits.
  Box->SetModalResult(mrNone);
  HeadlessKey(VK_ESCAPE);
  Pump();
  EXPECT_FALSE(E->DroppedDown());
  EXPECT_EQ(Box->ModalResult(), mrNone);
  EXPECT_EQ(E->ItemIndex(), 1);
}

TEST_F(MessageBoxTest, ALinkInTheTextClosesTheBox) {
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Message, "Siehe <A href=\"http://beispiel\">Seite</A>");
  Box->Text()->OnLinkClick(Box->Text());
  EXPECT_EQ(Box->ModalResult(), mrCancel);
  EXPECT_TRUE(Box->LinkClosed());
}

TEST_F(MessageBoxTest, APictureOfAMessage) {
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Question,
                           "<B>Folgender Fehler ist aufgetreten:</B><BR>Die Datei <FONT color=\"clRed\">"
                           "setup.OAT</FONT> ist gesperrt.<BR>Trotzdem fortfahren?",
                           "Hilfe");
  Pump();
  TPixelSurface S = HeadlessSurface(Box->Handle());
  TBitmap Shot;
  Shot.SetSize(S.Width, S.Height);
  Shot.Canvas()->StretchBltSurface(Rect(0, 0, S.Width, S.Height), S, Rect(0, 0, S.Width, S.Height), SRCCOPY);
  TPngImage Png;
  Png.Assign(&Shot);
  Png.SaveToFile(PngPath("messagebox.png"));
  // Red text of the mark-up, not the tag, is on the box.
  EXPECT_GT(Box->Text()->Height(), 3 * 13);
  EXPECT_EQ(Box->Text()->PlainText().find("<"), String::npos);
  int Red = 0;
  for (int Y = 0; Y < S.Height; ++Y)
    for (int X = 0; X < S.Width; ++X) {
      TColorRef C = S.Get(X, Y);
      Red += (C & 0xFF) > 160 && ((C >> 8) & 0xFF) < 90 && ((C >> 16) & 0xFF) < 90;
    }
  EXPECT_GT(Red, 20);
}

TEST_F(MessageBoxTest, UnderThePastellLookTheButtonsAreGoldAndDoubleBuffered) {
  ULookAndFeelInit();
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Question, "Soll die <B>Sicherung</B> jetzt laufen?", "Hilfe");
  HeadlessSavePng(Box->Handle(), PngPath("messagebox_pastell.png"));
  const TColor Gold = TColor(0x79E1FF);
  auto Face = [&](TControl* Button) { return PixelOf(Button, Button->Width() - 6, 3); };
  EXPECT_EQ(Face(Box->FB_BREAK1), Gold) << "a pixel of \"Nein\"";
  EXPECT_EQ(Face(Box->FBhelpQ), Gold);
  EXPECT_TRUE(Box->FB_OK->DoubleBuffered());
  EXPECT_TRUE(Box->Pquestion->DoubleBuffered());
  // The box keeps its own grey button rows; the look's white reaches the
  // panels inside them.
  EXPECT_EQ(Box->Pquestion->Color(), clBtnFace);
  EXPECT_EQ(Box->Panel1->Color(), clWhite);
  // The focused button shows its focus colour, the others the look's.
  TFSB_BOX* Message = ShownBox(TSBBoxMode::Message, "Die Sicherung ist fertig.", "Mehr dazu");
  HeadlessSavePng(Message->Handle(), PngPath("messagebox_pastell_message.png"));
  EXPECT_EQ(Face(Message->FBhelpS), Gold);
  EXPECT_EQ(Face(Message->FB_BREAK2), Message->FB_BREAK2->GetColor(0));
}

// At 140 % the pictures fill their grown place (34 pixels for 24),
// smoothly stretched; the PNG shows that no transparent colour shows.
TEST_F(MessageBoxTest, At140PercentThePicturesGrowWithTheBox) {
  WriteScale("TFSB_BOX=2\r\n");
  ULookAndFeelInit();
  TFSB_BOX* Box = ShownBox(TSBBoxMode::Question, "Soll die <B>Sicherung</B> jetzt laufen?", "Hilfe");
  HeadlessSavePng(Box->Handle(), PngPath("messagebox_140.png"));
  for (TImage* Image : {Box->Image1, Box->Image2}) {
    EXPECT_EQ(Image->Picture()->Width(), 34);
    EXPECT_EQ(Image->Picture()->Height(), 34);
  }
  // The circle of the picture reaches into its lower right corner.
  EXPECT_NE(PixelOf(Box->Pquestion, Box->Image2->Left() + 25, Box->Image2->Top() + 25), clBtnFace);
}

TEST_F(MessageBoxTest, ScreensWiderThan800PixelsGetLargerFontsAndButtons) {
  auto BoxOnScreen = [&](int Width) {
    HeadlessSetMonitors({MonitorInfo(Rect(0, 0, Width, 600), Rect(0, 0, Width, 600), true)});
    return ShownBox(TSBBoxMode::Input, "Name:");
  };
  TFSB_BOX* Designed = BoxOnScreen(800);
  EXPECT_EQ(Designed->Text()->Font()->Size(), 8);
  EXPECT_EQ(Designed->Font()->Height(), -11);
  EXPECT_EQ(Designed->Panel2->Width(), 89);
  EXPECT_EQ(Designed->FB_IOK->Width(), 89);
  TFSB_BOX* Wide = BoxOnScreen(801);
  EXPECT_EQ(Wide->Text()->Font()->Size(), 10);
  EXPECT_EQ(Wide->HelpLabel()->Font()->Size(), 10);
  EXPECT_EQ(Wide->Font()->Size(), 9);
  EXPECT_EQ(Wide->Panel2->Width(), 97);
  EXPECT_EQ(Wide->FB_BREAK2->Width(), 93);
  EXPECT_EQ(Wide->Panel3->Width(), 222);
  EXPECT_EQ(Wide->FB_ICANCEL->Width(), 98);
  EXPECT_EQ(Wide->FB_IOK->Left(), 7 + 98 + 4);
  EXPECT_EQ(Wide->FB_IOK->Width(), 106);
  HeadlessSetMonitors({});
}

}  // namespace
