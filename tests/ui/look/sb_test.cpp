// The message routines: text preparation, and the three boxes answered by
// the scripted responder.
#include <gtest/gtest.h>
#include <malloc.h>

#include "look_fixture.h"
#include "ui/look/HtmlDraw.h"
#include "ui/look/sb.h"
#include "ui/look/sb_box.h"

namespace {

String Lines(int From, int To) {
  String S;
  for (int I = From; I <= To; ++I) S += "Zeile " + std::to_string(I) + (I < To ? "\r\n" : "");
  return S;
}
String Prepared(const String& Text) {
  String Html;
  PrepareBoxText(Text, Html);
  return Html;
}

// ---- Text preparation -------------------------------------------------------------------

TEST(BoxText, ThirtyLinesShowTheFirst21TheDotsAndTheLast) {
  String Html = Prepared(Lines(1, 30));
  String Expected;
  for (int I = 1; I <= 21; ++I) Expected += "Zeile " + std::to_string(I) + "<br>";
  Expected += "................<br>Zeile 30";
  EXPECT_EQ(Html, Expected);
}

TEST(BoxText, TwentyTwoLinesShowEveryLineWithoutDots) {
  String Html = Prepared(Lines(1, 22));
  EXPECT_EQ(Html.find("...."), String::npos);
  EXPECT_NE(Html.find("Zeile 21<br>Zeile 22"), String::npos);
}

TEST(BoxText, BrTagsAndLineBreaksGiveTheSameLines) {
  EXPECT_EQ(Prepared("Erste<bR>Zweite"), "Erste<br>Zweite");
  EXPECT_EQ(Prepared("Erste\r\nZweite"), "Erste<br>Zweite");
  EXPECT_EQ(Prepared("Erste\nZweite"), "Erste<br>Zweite");
}

TEST(BoxText, LeadingEmptyLinesVanishInnerOnesStay) {
  EXPECT_EQ(Prepared("\r\n<BR>Eins\r\n\r\nDrei"), "Eins<br><br>Drei");
}

TEST(BoxText, MarkUpOtherThanBrIsKept) {
  EXPECT_EQ(Prepared("<B>Folgender Fehler ist aufgetreten:</B><BR>Text"),
            "<B>Folgender Fehler ist aufgetreten:</B><br>Text");
}

TEST(ReplaceNoCase, MatchesTheTagInAnyLetterCase) {
  for (String Tag : {"<BR>", "<br>", "<Br>", "<bR>"}) {
    String S = "a" + Tag + "b";
    ReplaceAllNoCase(S, "<br>", "|");
    EXPECT_EQ(S, "a|b") << Tag;
  }
}

TEST(ReplaceNoCase, LongerReplacementsAndEmptyInputs) {
  String S = "xx";
  ReplaceAllNoCase(S, "X", "abc");
  EXPECT_EQ(S, "abcabc");
  String Empty;
  ReplaceAllNoCase(Empty, "a", "b");
  EXPECT_EQ(Empty, "");
  String Same = "abc";
  ReplaceAllNoCase(Same, "", "z");
  EXPECT_EQ(Same, "abc");
}

TEST(PlainText, TagsAreDroppedAndBreaksKept) {
  EXPECT_EQ(HtmlToPlainText("<B>Fehler</B><br>a &amp; b"), "Fehler\na & b");
  EXPECT_EQ(HtmlToPlainText("a &lt;b&gt; c"), "a <b> c");
}

// ---- The boxes ----------------------------------------------------------------------------

class MessageRoutinesTest : public LookTest {
 protected:
  void SetUp() override {
    LookTest::SetUp();
    Application->SetTitle("Mobile Daten-Syncronisation");
  }
  // Runs Fn on the box of caption Caption, then presses Button.
  void OnBox(const String& Caption, std::function<void(TFSB_BOX*)> Fn, const String& Button = "") {
    Answers().Do(Caption, [Fn, Button](TCustomForm* F) {
      auto* Box = dynamic_cast<TFSB_BOX*>(F);
      ASSERT_NE(Box, nullptr);
      Fn(Box);
      if (!Button.empty()) Box->ButtonByCaption(Button)->DoClick();
    });
  }
  std::unique_ptr<TStringList> Items(int Count) {
    auto L = std::make_unique<TStringList>();
    for (int I = 0; I < Count; ++I) L->Add("Eintrag " + std::to_string(I));
    return L;
  }
  TFSB_BOX* Seen = nullptr;
};

TEST_F(MessageRoutinesTest, AMessageIsCaptionedWithTheTitleAndClosedWithSchliessen) {
  Answers().PressButton("Mobile Daten-Syncronisation", "Schließen", "gesichert");
  ShowMsgBox("Daten<br>gesichert");
  ASSERT_EQ(Responder->Shown().size(), 1u);
  EXPECT_EQ(Responder->Shown()[0].ClassName, "TFSB_BOX");
  EXPECT_TRUE(Responder->Unexpected().empty());
}

TEST_F(MessageRoutinesTest, TheHelpButtonShowsOnlyWithAHelpText) {
  bool HelpVisible = true;
  OnBox("Hinweis", [&](TFSB_BOX* B) { HelpVisible = B->ButtonByCaption("Hilfe")->Visible(); }, "Schließen");
  ShowMsgBox("Text", "", "Hinweis");
  EXPECT_FALSE(HelpVisible);
  OnBox("Hinweis", [&](TFSB_BOX* B) {
    HelpVisible = B->ButtonByCaption("Hilfe")->Visible();
    Integer Before = B->ClientHeight();
    B->ButtonByCaption("Hilfe")->DoClick();
    EXPECT_TRUE(B->HelpShown());
    EXPECT_FALSE(B->ButtonByCaption("Hilfe")->Enabled());
    EXPECT_GT(B->ClientHeight(), Before);
  }, "Schließen");
  ShowMsgBox("Text", "So geht es", "Hinweis");
  EXPECT_TRUE(HelpVisible);
}

TEST_F(MessageRoutinesTest, AskIsTrueExactlyForJa) {
  Answers().PressButton("Frage", "Ja").PressButton("Frage", "Nein");
  EXPECT_TRUE(AskMsgBox("Weiter?", "", "Frage"));
  EXPECT_FALSE(AskMsgBox("Weiter?", "", "Frage"));
}

TEST_F(MessageRoutinesTest, EscCancelsAQuestion) {
  OnBox("Frage", [](TFSB_BOX*) { HeadlessKey(VK_ESCAPE); });
  EXPECT_FALSE(AskMsgBox("Weiter?", "", "Frage"));
  EXPECT_TRUE(Responder->Unexpected().empty());
}

TEST_F(MessageRoutinesTest, FreeInputIsTrimmedOnAcceptanceAndEmptyOnCancel) {
  String Result = "alt";
  OnBox("Mobile Daten-Syncronisation", [](TFSB_BOX* B) { B->FINPE->SetText("  Laptop 3  "); }, "Übernehmen");
  InputMsgBox("Vorgabe", "Name:", false, false, nullptr, Result);
  EXPECT_EQ(Result, "Laptop 3");
  OnBox("Mobile Daten-Syncronisation", [](TFSB_BOX*) {}, "Abbrechen");
  InputMsgBox("Vorgabe", "Name:", false, false, nullptr, Result);
  EXPECT_EQ(Result, "");
}

TEST_F(MessageRoutinesTest, TheDefaultFillsTheInputLine) {
  String Result, Seen;
  OnBox("Mobile Daten-Syncronisation", [&](TFSB_BOX* B) { Seen = B->FINPE->Text(); }, "Übernehmen");
  InputMsgBox("Vorgabe", "Name:", false, false, nullptr, Result);
  EXPECT_EQ(Seen, "Vorgabe");
  EXPECT_EQ(Result, "Vorgabe");
}

TEST_F(MessageRoutinesTest, APickListReturnsTheChosenIndex) {
  auto L = Items(5);
  String Result;
  Integer Chosen = -2;
  OnBox("Mobile Daten-Syncronisation", [&](TFSB_BOX* B) {
    Chosen = B->FINPE->ItemIndex();
    B->FINPE->SetItemIndex(3);
  }, "Übernehmen");
  InputMsgBox("Eintrag 2", "Wählen:", false, true, L.get(), Result);
  EXPECT_EQ(Chosen, 2);
  EXPECT_EQ(Result, "3");
}

TEST_F(MessageRoutinesTest, APickListWithAnAbsentDefaultChoosesNothing) {
  auto L = Items(5);
  String Result;
  OnBox("Mobile Daten-Syncronisation", [](TFSB_BOX* B) { EXPECT_EQ(B->FINPE->ItemIndex(), -1); }, "Übernehmen");
  InputMsgBox("fehlt", "Wählen:", false, true, L.get(), Result);
  EXPECT_EQ(Result, "-1");
}

TEST_F(MessageRoutinesTest, ACancelledPickListReturnsMinusOne) {
  auto L = Items(5);
  String Result;
  OnBox("Mobile Daten-Syncronisation", [](TFSB_BOX*) {}, "Abbrechen");
  InputMsgBox("Eintrag 1", "Wählen:", false, true, L.get(), Result);
  EXPECT_EQ(Result, "-1");
}

TEST_F(MessageRoutinesTest, TheDropDownShowsAtMostTwentyLines) {
  Integer Count = 0;
  String Result;
  OnBox("Mobile Daten-Syncronisation", [&](TFSB_BOX* B) { Count = B->FINPE->DropDownCount(); }, "Abbrechen");
  InputMsgBox("", "Wählen:", false, false, Items(10).get(), Result);
  EXPECT_EQ(Count, 10);
  OnBox("Mobile Daten-Syncronisation", [&](TFSB_BOX* B) { Count = B->FINPE->DropDownCount(); }, "Abbrechen");
  InputMsgBox("", "Wählen:", false, false, Items(50).get(), Result);
  EXPECT_EQ(Count, 20);
}

TEST_F(MessageRoutinesTest, WithNoCancelEscAcceptsTheInput) {
  String Result;
  bool CancelShown = true;
  OnBox("Mobile Daten-Syncronisation", [&](TFSB_BOX* B) {
    CancelShown = B->FB_ICANCEL->Visible();
    B->FINPE->SetText(" Wert ");
    HeadlessKey(VK_ESCAPE);
  });
  InputMsgBox("", "Wert:", true, false, nullptr, Result);
  EXPECT_FALSE(CancelShown);
  EXPECT_EQ(Result, "Wert");
}

TEST_F(MessageRoutinesTest, TypedTextGoesIntoTheInputLineAndEnterAccepts) {
  String Result;
  OnBox("Mobile Daten-Syncronisation", [](TFSB_BOX*) {
    HeadlessType("Laptop");
    HeadlessKey(VK_RETURN);
  });
  InputMsgBox("", "Beschreibung:", false, false, nullptr, Result);
  EXPECT_EQ(Result, "Laptop");
}

// A closed box leaves nothing behind: after a first round (fonts, glyphs
// and pictures load once) further rounds keep the heap where it was. Each
// round has a responder of its own, as it keeps a record of every box.
TEST_F(MessageRoutinesTest, ClosedBoxesLeaveTheHeapAsItWas) {
  auto Round = [] {
    TScriptedResponder R;
    R.AnswerWith("*", mrCancel).Always();
    String Result;
    for (int I = 0; I < 20; ++I)
      ShowMsgBox("<B>Daten</B>", "Hilfe"), AskMsgBox("Weiter?"), InputMsgBox("a", "Name:", false, false, nullptr, Result);
  };
  Round();
  const size_t Before = mallinfo2().uordblks;
  for (int I = 0; I < 4; ++I) Round();
  EXPECT_LT(long(mallinfo2().uordblks) - long(Before), 4096) << "bytes kept by 240 closed boxes";
}

}  // namespace
