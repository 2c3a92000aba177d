// The choice edit and combo box: completion, first-letter cycling, the
// drop-down list and where it opens, Escape, the update bracket, a refused
// exit, Return to the next control, the button and the cue text.
#include "ui/controls/EcChoice.h"

#include "platform/gui/forms_fixture.h"

namespace {

constexpr Word kShift = 1, kAlt = 2;

class ComboBoxTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Form = NewPlainForm("Auswahl", Bounds(100, 100, 320, 200));
    Combo = PutCombo(Bounds(10, 10, 150, 22));
    Other = PutCombo(Bounds(10, 60, 150, 22));
    Form->Show();
    Pump();
    Focus(Combo);
  }
  TEcComboBox* PutCombo(TRect B) {
    auto* C = new TEcComboBox(Form);
    C->SetBounds(B.Left, B.Top, B.Width(), B.Height());
    C->SetParent(Form);
    C->SetTabStop(true);
    return C;
  }
  void Focus(TWinControl* C) {
    C->SetFocus();
    Pump();
  }
  void Fill(std::initializer_list<const char*> Lines) {
    for (const char* L : Lines) Combo->Items()->Add(L);
  }
  void Type(const String& Text) {
    HeadlessType(Text);
    Pump();
  }
  void Key(Word K, Word Shift = 0) {
    HeadlessKey(K, Shift);
    Pump();
  }
  // The selected part of the combo box's text.
  String Selected() const { return Combo->SelText(); }
  // Pixels of the combo box that are neither white nor part of its frame.
  int InkInside(TEcCustomChoiceEdit* E) {
    Pump();
    TPixelSurface S = HeadlessSurface(Form->Handle());
    TPoint O = E->ClientToScreen({0, 0});
    TRect W = GetWindowRect(Form->Handle());
    int N = 0;
    for (int Y = 4; Y < E->Height() - 4; ++Y)
      for (int X = 4; X < E->Width() - 24; ++X) N += S.Get(O.X - W.Left + X, O.Y - W.Top + Y) != 0xFFFFFF;
    return N;
  }
  TForm* Form = nullptr;
  TEcComboBox* Combo = nullptr;
  TEcComboBox* Other = nullptr;
};

// ---- Completion --------------------------------------------------------------------------------

TEST_F(ComboBoxTest, ThreeTypedLettersCompleteToTheFirstMatchTwoDoNot) {
  Fill({"Berlin", "Bern"});
  Type("Be");
  EXPECT_EQ(Combo->Text(), "Be");
  EXPECT_EQ(Combo->ItemIndex(), -1);
  Type("r");
  EXPECT_EQ(Combo->Text(), "Berlin");
  EXPECT_EQ(Combo->ItemIndex(), 0);
  EXPECT_EQ(Selected(), "lin");
}

TEST_F(ComboBoxTest, CompletionTakesTheItemsSpellingAndBackspaceDoesNotComplete) {
  Fill({"Berlin", "Bern"});
  Type("ber");
  EXPECT_EQ(Combo->Text(), "Berlin");
  Key(VK_BACK);  // removes the completed tail
  EXPECT_EQ(Combo->Text(), "Ber");
  Key(VK_BACK);
  EXPECT_EQ(Combo->Text(), "Be");
  EXPECT_EQ(Combo->ItemIndex(), -1);
}

TEST_F(ComboBoxTest, CompletionOverAnEmptyListOrWithoutAutoCompleteLeavesTheText) {
  Type("Berl");
  EXPECT_EQ(Combo->Text(), "Berl");
  EXPECT_EQ(Combo->FindItem(true), -1);
  Combo->SetText("");
  Fill({"Berlin"});
  Combo->AutoComplete = false;
  Type("Ber");
  EXPECT_EQ(Combo->Text(), "Ber");
  EXPECT_EQ(Combo->ItemIndex(), -1);
}

TEST_F(ComboBoxTest, LeavingTakesTheExactMatchOfTheText) {
  Fill({"Aachen", "Bonn"});
  Type("bonn");
  Focus(Other);
  EXPECT_EQ(Combo->ItemIndex(), 1);
}

// ---- Drop-down list style ----------------------------------------------------------------------

TEST_F(ComboBoxTest, TypingALetterRepeatedlyCyclesThroughItsItemsAndWraps) {
  Fill({"Anna", "berta", "Bernd", "Anton", "Bodo"});
  Combo->SetStyle(csDropDownList);
  Focus(Combo);
  std::vector<Integer> Seen;
  for (int I = 0; I < 3; ++I) {
    Type("B");
    Seen.push_back(Combo->ItemIndex());
  }
  EXPECT_EQ(Seen, (std::vector<Integer>{2, 4, 2}));  // "berta" has a small b
  EXPECT_EQ(Combo->Text(), "Bernd");
  Type("A");
  EXPECT_EQ(Combo->ItemIndex(), 3);
  Type("x");
  EXPECT_EQ(Combo->ItemIndex(), 3);
}

TEST_F(ComboBoxTest, TypingIntoAnEmptyDropDownListChangesNothing) {
  Combo->SetStyle(csDropDownList);
  Focus(Combo);
  Type("Ab");
  Key(VK_DOWN);
  Key(VK_DELETE);
  EXPECT_EQ(Combo->Text(), "");
  EXPECT_EQ(Combo->ItemIndex(), -1);
}

// ---- The list ----------------------------------------------------------------------------------

TEST_F(ComboBoxTest, AltDownOpensAListAsWideAsTheControlAndReturnTakesTheRow) {
  Fill({"eins", "zwei", "drei"});
  Key(VK_DOWN, kAlt);
  ASSERT_TRUE(Combo->DroppedDown());
  TEcPopupListBox* L = Combo->DropDownList();
  ASSERT_NE(L, nullptr);
  EXPECT_EQ(L->Width(), Combo->Width());
  EXPECT_EQ(L->Height(), 3 * L->ItemHeight() + 2 * L->FrameWidth());
  EXPECT_EQ(L->Top(), Combo->ClientToScreen({0, Combo->Height()}).Y);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(Combo->Text(), "zwei");
  Key(VK_RETURN);
  EXPECT_FALSE(Combo->DroppedDown());
  EXPECT_EQ(Combo->DropDownList(), nullptr);
  EXPECT_EQ(Combo->ItemIndex(), 1);
  EXPECT_TRUE(Combo->Focused());
}

TEST_F(ComboBoxTest, EscapeClosesTheListAndThenRestoresTheTextOfFocusArrival) {
  Fill({"eins", "zwei"});
  Combo->SetItemIndex(0);
  Focus(Other);
  Focus(Combo);
  Key(VK_F2);
  ASSERT_TRUE(Combo->DroppedDown());
  Key(VK_DOWN);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Combo->DroppedDown());
  EXPECT_EQ(Combo->Text(), "zwei");  // the row taken over while moving stays
  Combo->SelectAll();
  Type("dr");
  EXPECT_EQ(Combo->Text(), "dr");
  Key(VK_ESCAPE);
  EXPECT_EQ(Combo->Text(), "eins");
  EXPECT_EQ(Combo->ItemIndex(), 0);
}

TEST_F(ComboBoxTest, AClickOnARowTakesItAndLeavingClosesTheList) {
  Fill({"eins", "zwei", "drei"});
  Combo->Button()->OnClick(Combo->Button());
  Pump();
  TEcPopupListBox* L = Combo->DropDownList();
  ASSERT_NE(L, nullptr);
  TPoint Row = L->ClientToScreen({10, 2 * L->ItemHeight() + 2});
  HeadlessClick(Row.X, Row.Y);
  Pump();
  EXPECT_EQ(Combo->Text(), "drei");
  EXPECT_FALSE(Combo->DroppedDown());
  Key(VK_F2);
  ASSERT_TRUE(Combo->DroppedDown());
  Focus(Other);
  EXPECT_FALSE(Combo->DroppedDown());
  EXPECT_EQ(Combo->Text(), "drei");
}

TEST_F(ComboBoxTest, NearTheBottomOfTheScreenTheListOpensAbove) {
  Form->SetBounds(100, Screen->Height() - 80, 320, 70);
  Pump();
  Fill({"eins", "zwei", "drei", "vier"});
  Key(VK_F2);
  TEcPopupListBox* L = Combo->DropDownList();
  ASSERT_NE(L, nullptr);
  EXPECT_EQ(L->PlacementResult(), 1);
  EXPECT_EQ(L->BoundsRect().Bottom, Combo->ClientToScreen({0, 0}).Y);
  EXPECT_LE(L->BoundsRect().Bottom, Screen->Height());
}

TEST_F(ComboBoxTest, TheWheelMovesTheChoiceWithinTheItems) {
  Fill({"eins", "zwei"});
  Combo->SetItemIndex(0);
  TPoint P = Combo->ClientToScreen({5, 5});
  auto Wheel = [&](int Delta) {
    Combo->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, Word(Delta)), MAKELPARAM(P.X, P.Y));
    return Combo->ItemIndex();
  };
  EXPECT_EQ(Wheel(-WHEEL_DELTA), 1);
  EXPECT_EQ(Wheel(-WHEEL_DELTA), 1);
  EXPECT_EQ(Wheel(2 * WHEEL_DELTA), 1);
  EXPECT_EQ(Wheel(WHEEL_DELTA), 0);
}

// ---- Changes, validation, focus ----------------------------------------------------------------

TEST_F(ComboBoxTest, AnUpdateBracketFiresOneChange) {
  Fill({"eins", "zwei"});
  int Changes = 0;
  Combo->OnChange = [&](TObject*) { ++Changes; };
  Combo->BeginUpdate(true);
  Combo->SetItemIndex(1);
  Combo->SetText("drei");
  Combo->SetItemIndex(0);
  EXPECT_EQ(Changes, 0);
  Combo->EndUpdate();
  EXPECT_EQ(Changes, 1);
  Combo->BeginUpdate(true);
  Combo->EndUpdate();
  EXPECT_EQ(Changes, 1);
}

TEST_F(ComboBoxTest, AnExitRefusedByTheValidationKeepsTheFocusWithoutALoop) {
  Fill({"eins"});
  Combo->SetStyle(csDropDownList);
  Combo->CanEmpty = false;
  Other->CanEmpty = false;
  Focus(Combo);
  Key(VK_F2);
  int Entered = 0;
  Other->OnEnter = [&](TObject*) { ++Entered; };
  Focus(Other);
  Pump();
  EXPECT_TRUE(Combo->Focused());
  EXPECT_FALSE(Combo->DroppedDown());
  EXPECT_EQ(Combo->ErrorCode, ecEmptyText) << "an empty list choice is an empty text";
  EXPECT_FALSE(Other->ErrorShown);
  EXPECT_EQ(Entered, 0);
  Type("e");
  Focus(Other);
  EXPECT_TRUE(Other->Focused());
}

TEST_F(ComboBoxTest, ReturnMovesToTheNextControlShiftReturnBackSkippingReadOnlyOnes) {
  TEcComboBox* Third = PutCombo(Bounds(10, 110, 150, 22));
  Other->SetReadOnly(true);
  Focus(Combo);
  Key(VK_RETURN);
  EXPECT_TRUE(Third->Focused());
  Key(VK_RETURN, kShift);
  EXPECT_TRUE(Combo->Focused());
  Combo->OnSelectNext = [](TObject*, TWinControl*&, bool& Allow, Word) { Allow = false; };
  Key(VK_RETURN);
  EXPECT_TRUE(Combo->Focused());
}

TEST_F(ComboBoxTest, DraggedSelectedTextLandsInAnotherWritableChoiceEdit) {
  Combo->SetText("Hamburg");
  Combo->SelectAll();
  std::vector<String> Events;
  Combo->OnDragDropData = [&](bool&, TControl*& C, String& Data, TPoint) { Events.push_back(C->Name() + "<" + Data); };
  Combo->OnDragOverCancel = [&](TControl*& C) { Events.push_back("cancel " + C->Name()); };
  Other->SetName("Other");
  auto DragTo = [&](TWinControl* Target) {
    TPoint Press = {10, 10}, To = Target->ClientToScreen({20, 10});
    Combo->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Press.X, Press.Y));
    HeadlessMouseMove(To.X, To.Y);
    Pump();
    bool Started = Combo->Dragging;
    Combo->Perform(WM_LBUTTONUP, 0, MAKELPARAM(Press.X, Press.Y));
    Pump();
    return Started;
  };
  Other->SetReadOnly(true);
  EXPECT_TRUE(DragTo(Other));
  EXPECT_EQ(Other->Text(), "");
  Other->SetReadOnly(false);
  EXPECT_TRUE(DragTo(Other));
  EXPECT_EQ(Other->Text(), "Hamburg");
  EXPECT_EQ(Events, (std::vector<String>{"Other<Hamburg", "cancel Other"}));
  EXPECT_FALSE(Combo->Dragging);
  EXPECT_EQ(Combo->DragImages(), nullptr);
}

// ---- Validation --------------------------------------------------------------------------------

// An empty text is 60673 when the box may not be empty; 60674 is only for
// a drop-down list whose text names no item.
TEST_F(ComboBoxTest, AnEmptyTextIs60673AndOnlyAListTextWithoutItemIs60674) {
  Fill({"eins", "zwei"});
  auto Check = [&] {
    bool Error = false;
    Combo->ErrorCode = 0;
    Combo->Validate(Error);
    return Error ? Combo->ErrorCode : 0;
  };
  Combo->CanEmpty = false;
  EXPECT_EQ(Check(), ecEmptyText);
  Combo->SetText("  ");
  EXPECT_EQ(Check(), ecEmptyText) << "blanks are empty";
  Combo->SetText("drei");
  EXPECT_EQ(Check(), 0) << "a drop-down combo box takes free text";

  Combo->SetStyle(csDropDownList);
  ASSERT_EQ(Combo->Text(), "");
  EXPECT_EQ(Check(), ecEmptyText) << "an empty list choice is an empty text";
  Combo->CanEmpty = true;
  EXPECT_EQ(Check(), 0);
  Combo->SetText("drei");
  ASSERT_EQ(Combo->ItemIndex(), -1);
  EXPECT_EQ(Check(), ecNoListItem) << "also when the box may be empty";
  Combo->SetItemIndex(1);
  EXPECT_EQ(Check(), 0);
  Combo->SetReadOnly(true);
  Combo->SetItemIndex(-1);
  Combo->SetText("drei");
  EXPECT_EQ(Check(), 0) << "a read-only box is not checked";
  Combo->SetReadOnly(false);

  // Leaving the box runs the same check and keeps the focus in it.
  Focus(Combo);
  Combo->SetText("drei");
  Focus(Other);
  EXPECT_TRUE(Combo->Focused());
  EXPECT_EQ(Combo->ErrorCode, ecNoListItem);
  EXPECT_TRUE(Combo->ErrorShown);
  Combo->SetItemIndex(0);
  Focus(Other);
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(Combo->ErrorCode, 0);
}

// A text the error hint gave for one code does not stay under a later
// error without a text of its own: the form refusing a valid choice.
TEST_F(ComboBoxTest, AnErrorTextGoesWithItsCode) {
  Fill({"eins", "zwei"});
  Combo->SetStyle(csDropDownList);
  Combo->OnGetErrorHint = [](TObject*, Integer Code, String& Text) {
    if (Code == ecNoListItem) Text = "Bitte einen Eintrag wählen";
  };
  Focus(Combo);
  Combo->SetText("drei");
  Focus(Other);
  ASSERT_EQ(Combo->ErrorText, "Bitte einen Eintrag wählen");
  Combo->Perform(ECM_SHOWERROR, 0, 0);
  Combo->SetItemIndex(0);
  Combo->OnKillFocus = [](TObject*, bool& Error) { Error = true; };
  Focus(Other);
  EXPECT_EQ(Combo->ErrorCode, 0);
  EXPECT_EQ(Combo->ErrorText, "");
  EXPECT_EQ(TEcCustomEdit::ErrorBalloon(), nullptr) << "no text, no balloon";
}

// ---- Button and cue ----------------------------------------------------------------------------

// The combo box always shows the arrow: it says so through ButtonKind,
// whatever kind it is given; a plain choice edit keeps the kind it is given.
TEST_F(ComboBoxTest, TheComboBoxReportsTheArrowKindItForces) {
  TEcComboBox Loose(nullptr);
  EXPECT_EQ(Loose.ButtonKind(), 1) << "from its construction on, without a parent";
  EXPECT_EQ(Combo->ButtonKind(), 1);
  Combo->SetChoiceButtonWidth(30);
  for (Byte Kind : {Byte(0), Byte(2), Byte(3)}) {
    Combo->SetButtonKind(Kind);
    EXPECT_EQ(Combo->ButtonKind(), 1) << int(Kind);
    ASSERT_NE(Combo->Button(), nullptr);
    EXPECT_EQ(Combo->Button()->Width, 16) << "the arrow's width, not ChoiceButtonWidth";
  }
  auto* Edit = new TEcCustomChoiceEdit(Form);
  Edit->SetBounds(10, 110, 150, 22);
  Edit->SetParent(Form);
  EXPECT_EQ(Edit->ButtonKind(), 0);
  Edit->SetChoiceButtonWidth(30);
  Edit->SetButtonKind(3);
  EXPECT_EQ(Edit->ButtonKind(), 3);
  EXPECT_EQ(Edit->Button()->Width, 30);
  Edit->SetButtonKind(9);
  EXPECT_EQ(Edit->ButtonKind(), 3) << "at most 3";
}

TEST_F(ComboBoxTest, TheButtonSitsInTheFrameAndGoesWhenItDoesNotFit) {
  TI_EditButton* B = Combo->Button();
  ASSERT_NE(B, nullptr);
  EXPECT_EQ(B->Width, 16);
  EXPECT_EQ(B->Left, Combo->Width() - 18);
  EXPECT_EQ(B->ButtonKind, 1);  // a toggle button
  EXPECT_EQ(Combo->LeftMargin(), 0);
  EXPECT_EQ(Combo->RightMargin(), 20);
  Combo->SetStyle(csSimple);
  EXPECT_EQ(Combo->Button(), nullptr);
  Combo->SetStyle(csDropDownList);  // a new window, the same button
  ASSERT_NE(Combo->Button(), nullptr);
  TPoint P = Combo->ClientToScreen({Combo->Width() - 10, 10});
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_TRUE(Combo->DroppedDown());
  Combo->SetWidth(15);
  EXPECT_EQ(Combo->Button(), nullptr);
  EXPECT_EQ(Combo->RightMargin(), 0);
}

TEST_F(ComboBoxTest, TheCueShowsOnlyWhileEmptyFocusedOrNot) {
  Combo->SetEmptyText("Eingabe");
  int Cue = InkInside(Combo);
  EXPECT_GT(Cue, 20);
  Focus(Other);
  EXPECT_GT(InkInside(Combo), 20);
  EXPECT_TRUE(Combo->CueShown());
  Combo->SetText("x");
  EXPECT_FALSE(Combo->CueShown());
  Combo->SetText("");
  Combo->SetEmptyText("");
  EXPECT_EQ(InkInside(Combo), 0);
}

TEST_F(ComboBoxTest, ACheckGlyphWidensTheLeftMarginAndItsClickFiresTheEvent) {
  TBitmap G;
  G.SetSize(12, 12);
  G.Canvas()->Brush()->SetColor(clRed);
  G.Canvas()->FillRect(Rect(0, 0, 12, 12));
  Combo->SetCheckGlyph(&G);
  EXPECT_TRUE(Combo->HasCheckGlyph());
  TCanvas Measure;
  Measure.SetFont(Combo->Font());
  EXPECT_EQ(Combo->LeftMargin(), std::max(14, Measure.TextWidth("W") + 5));
  int Clicks = 0;
  Combo->OnCheckClick = [&](TObject*) { ++Clicks; };
  Focus(Other);
  TPoint P = Combo->ClientToScreen({5, 10});
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(Clicks, 1);
  EXPECT_TRUE(Combo->Focused());
  Combo->SetShowCheckBox(false);
  EXPECT_EQ(Combo->LeftMargin(), 0);
}

}  // namespace
