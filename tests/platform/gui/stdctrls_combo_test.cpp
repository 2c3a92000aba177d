#include <vector>

#include "platform/gui/reader.h"
#include "stdctrls_fixture.h"

namespace {

class ComboBoxTest : public StdCtrlsFixture {
 protected:
  TComboBox* MakeCombo(TComboBoxStyle Style, int Top = 10) {
    auto* C = Add<TComboBox>(Root, "Combo" + std::to_string(Top), 10, Top, 140, 21);
    C->SetStyle(Style);
    for (const char* S : {"Berlin", "Bern", "Hamburg", "München"}) C->Items()->Add(S);
    C->OnChange = [this](TObject*) { Events.push_back("Change"); };
    C->OnDropDown = [this](TObject*) { Events.push_back("DropDown"); };
    C->OnCloseUp = [this](TObject*) { Events.push_back("CloseUp"); };
    Pump();
    return C;
  }
  void Focus(TComboBox* C) {
    C->SetFocus();
    Pump();
    Events.clear();
  }
  void DropDownByKeyboard() { Press(VK_DOWN, kAlt); }
  TCustomListBox* List(TComboBox* C) { return C->ListBox(); }
  // The colour at client (X, Y) of the open list's window.
  TColorRef ListPixel(TComboBox* C, int X, int Y) {
    Pump();
    HWND Wnd = List(C)->Handle();
    TPoint Client = List(C)->ClientToScreen(Point(X, Y));
    TRect W = GetWindowRect(Wnd);
    return HeadlessSurface(Wnd).Get(Client.X - W.Left, Client.Y - W.Top);
  }

  std::vector<String> Events;
};

// ---- Dropping down and picking by keyboard ---------------------------------------------

TEST_F(ComboBoxTest, AltDownOpensTheListBelowTheBoxWithoutTakingTheFocus) {
  TComboBox* C = MakeCombo(csDropDownList);
  Focus(C);
  DropDownByKeyboard();
  ASSERT_TRUE(C->DroppedDown());
  ASSERT_NE(List(C), nullptr);
  EXPECT_TRUE(List(C)->Visible());
  EXPECT_TRUE(C->Focused());
  TRect Box = GetWindowRect(C->Handle()), L = GetWindowRect(List(C)->Handle());
  EXPECT_EQ(L.Top, Box.Bottom);
  EXPECT_EQ(L.Left, Box.Left);
  EXPECT_EQ(L.Width(), Box.Width());
  EXPECT_EQ(Events, (std::vector<String>{"DropDown"}));
}

TEST_F(ComboBoxTest, ArrowsMoveTheOpenListAndReturnTakesTheRow) {
  TComboBox* C = MakeCombo(csDropDownList);
  int Selects = 0;
  C->OnSelect = [&Selects](TObject*) { ++Selects; };
  Focus(C);
  DropDownByKeyboard();
  Press(VK_DOWN, 0, 2);
  EXPECT_EQ(List(C)->ItemIndex(), 1);
  EXPECT_EQ(C->Text(), "Bern");
  Integer H = List(C)->ItemHeight();
  EXPECT_EQ(ListPixel(C, 1, H + H / 2), ColorToRGB(clHighlight));
  EXPECT_NE(ListPixel(C, 1, H / 2), ColorToRGB(clHighlight));
  Press(VK_RETURN);
  EXPECT_FALSE(C->DroppedDown());
  EXPECT_EQ(C->ItemIndex(), 1);
  EXPECT_EQ(C->Text(), "Bern");
  EXPECT_EQ(Selects, 2);
  EXPECT_EQ(Events.back(), "CloseUp");
}

TEST_F(ComboBoxTest, EscapeClosesAndReturnsToTheItemChosenBefore) {
  TComboBox* C = MakeCombo(csDropDownList);
  C->SetItemIndex(2);
  Focus(C);
  Press(VK_F4);
  EXPECT_TRUE(C->DroppedDown());
  Press(VK_UP);
  EXPECT_EQ(C->Text(), "Bern");
  Press(VK_ESCAPE);
  EXPECT_FALSE(C->DroppedDown());
  EXPECT_EQ(C->ItemIndex(), 2);
  EXPECT_EQ(C->Text(), "Hamburg");
}

TEST_F(ComboBoxTest, ArrowsWithTheListClosedChooseDirectly) {
  TComboBox* C = MakeCombo(csDropDownList);
  Focus(C);
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_EQ(C->ItemIndex(), 1);
  EXPECT_FALSE(C->DroppedDown());
  EXPECT_EQ(Events, (std::vector<String>{"Change", "Change"}));
  Press(VK_UP, 0, 5);
  EXPECT_EQ(C->ItemIndex(), 0);
}

TEST_F(ComboBoxTest, TypedLettersCycleThroughTheItemsOfThatLetter) {
  TComboBox* C = MakeCombo(csDropDownList);
  Focus(C);
  Type("b");
  EXPECT_EQ(C->Text(), "Berlin");
  Type("b");
  EXPECT_EQ(C->Text(), "Bern");
  Type("b");
  EXPECT_EQ(C->Text(), "Berlin");
  Type("m");
  EXPECT_EQ(C->ItemIndex(), 3);
}

TEST_F(ComboBoxTest, TypingCompletesFromTheFirstMatchingItem) {
  TComboBox* C = MakeCombo(csDropDown);
  Focus(C);
  Type("Ha");
  EXPECT_EQ(C->Text(), "Hamburg");
  EXPECT_EQ(C->SelText(), "mburg");
  EXPECT_EQ(C->ItemIndex(), 2);
  Press(VK_BACK);
  EXPECT_EQ(C->Text(), "Ha");
  EXPECT_EQ(C->ItemIndex(), -1);
  Type("x");
  EXPECT_EQ(C->Text(), "Hax");
}

// ---- Mouse -----------------------------------------------------------------------

TEST_F(ComboBoxTest, AClickOnARowOfTheOpenListTakesIt) {
  TComboBox* C = MakeCombo(csDropDownList);
  ClickOn(C, 10, 5);
  ASSERT_TRUE(C->DroppedDown());
  EXPECT_TRUE(C->Focused());
  Integer H = List(C)->ItemHeight();
  TPoint P = List(C)->ClientToScreen(Point(10, 2 * H + H / 2));
  ClickAt(P.X, P.Y);
  EXPECT_FALSE(C->DroppedDown());
  EXPECT_EQ(C->Text(), "Hamburg");
}

TEST_F(ComboBoxTest, AClickOutsideTheListClosesItWithoutAChoice) {
  TComboBox* C = MakeCombo(csDropDown);
  TRect B = GetWindowRect(C->Handle());
  ClickAt(B.Right - 5, B.Top + 5);
  ASSERT_TRUE(C->DroppedDown());
  ClickAt(B.Left + 5, B.Bottom + 150);
  EXPECT_FALSE(C->DroppedDown());
  EXPECT_EQ(C->ItemIndex(), -1);
}

// ---- Owner drawing and placement -----------------------------------------------------

TEST_F(ComboBoxTest, OwnerDrawnRowsAndTheBoxArePaintedByOnDrawItem) {
  TComboBox* C = MakeCombo(csOwnerDrawFixed);
  C->SetItemHeight(18);
  const TColor Colors[] = {clRed, clLime, clBlue, clYellow};
  std::vector<bool> BoxDrawn;
  C->OnDrawItem = [&](TWinControl*, Integer Index, TRect R, TOwnerDrawState State) {
    if (State.Contains(odComboBoxEdit)) BoxDrawn.push_back(true);
    C->Canvas()->Brush()->SetColor(Index >= 0 ? Colors[Index] : clBlack);
    C->Canvas()->FillRect(R);
  };
  C->SetItemIndex(3);
  TRect Box = InRoot(C);
  EXPECT_GT(CountColor(Box, clYellow), 18 * 40);
  EXPECT_FALSE(BoxDrawn.empty());
  Focus(C);
  DropDownByKeyboard();
  EXPECT_EQ(ListPixel(C, 30, 9), ColorToRGB(clRed));
  EXPECT_EQ(ListPixel(C, 30, 27), ColorToRGB(clLime));
  EXPECT_EQ(ListPixel(C, 30, 63), ColorToRGB(clYellow));
}

TEST_F(ComboBoxTest, TheListShowsAtMostDropDownCountRows) {
  TComboBox* C = MakeCombo(csDropDownList);
  for (int I = 0; I < 20; ++I) C->Items()->Add("Ort " + std::to_string(I));
  C->SetDropDownCount(5);
  Focus(C);
  DropDownByKeyboard();
  EXPECT_EQ(List(C)->Height(), 5 * List(C)->ItemHeight() + 2);
}

TEST_F(ComboBoxTest, TheListOpensAboveABoxAtTheBottomOfTheScreen) {
  Root->SetBounds(100, 1024 - 60, 300, 50);
  TComboBox* C = MakeCombo(csDropDownList, 5);
  Focus(C);
  DropDownByKeyboard();
  TRect Box = GetWindowRect(C->Handle()), L = GetWindowRect(List(C)->Handle());
  EXPECT_EQ(L.Bottom, Box.Top);
}

TEST_F(ComboBoxTest, ASimpleBoxShowsItsListUnderTheEdit) {
  auto* C = Add<TComboBox>(Root, "Simple", 10, 10, 140, 120);
  C->SetStyle(csSimple);
  C->Items()->Add("eins"), C->Items()->Add("zwei");
  Pump();
  ASSERT_NE(C->ListBox(), nullptr);
  EXPECT_FALSE(C->ListBox()->IsWindowRoot());
  EXPECT_EQ(C->Height(), 120);
  EXPECT_GT(C->ListBox()->Top(), C->EditControl()->Top());
  ClickOn(C->ListBox(), 10, C->ListBox()->ItemHeight() + 2);
  EXPECT_EQ(C->Text(), "zwei");
}

// ---- Text and index in code ----------------------------------------------------------

TEST_F(ComboBoxTest, TextAndItemIndexFollowEachOtherWithoutEvents) {
  TComboBox* C = MakeCombo(csDropDown);
  C->SetText("hamburg");
  EXPECT_EQ(C->ItemIndex(), 2);
  C->SetItemIndex(1);
  EXPECT_EQ(C->Text(), "Bern");
  C->SetText("Paris");
  EXPECT_EQ(C->ItemIndex(), -1);
  EXPECT_TRUE(Events.empty());
  TComboBox* L = MakeCombo(csDropDownList, 50);
  L->SetItemIndex(7);
  EXPECT_EQ(L->ItemIndex(), -1);
  EXPECT_EQ(L->Text(), "");
}

}  // namespace

namespace {

TEST_F(ComboBoxTest, LosingTheFocusClosesTheList) {
  TComboBox* C = MakeCombo(csDropDown);
  auto* Other = Add<TEdit>(Root, "Other", 10, 100, 80, 21);
  Focus(C);
  DropDownByKeyboard();
  ASSERT_TRUE(C->DroppedDown());
  Other->SetFocus();
  Pump();
  EXPECT_FALSE(C->DroppedDown());
  EXPECT_FALSE(C->ListBox() && C->ListBox()->Visible());
}

TEST_F(ComboBoxTest, FreeingAnOpenBoxTakesItsListAlong) {
  TComboBox* C = MakeCombo(csDropDown);
  Focus(C);
  DropDownByKeyboard();
  HWND ListWnd = C->ListBox()->Handle();
  delete C;
  Pump();
  EXPECT_FALSE(IsWindow(ListWnd));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBoxTest, BoxesAndListsReadFromADescription) {
  ReadComponentFromText(
      "object Root: TTestRoot\n"
      "  object Orte: TComboBox\n"
      "    Left = 8\n"
      "    Top = 8\n"
      "    Width = 120\n"
      "    ItemIndex = 1\n"
      "    Style = csDropDownList\n"
      "    Items.Strings = ('Berlin' 'Bern')\n"
      "  end\n"
      "  object Liste: TListBox\n"
      "    Left = 8\n"
      "    Top = 40\n"
      "    Style = lbOwnerDrawFixed\n"
      "    ItemHeight = 20\n"
      "    Items.Strings = ('a' 'b' 'c')\n"
      "  end\n"
      "  object Name: TEdit\n"
      "    Left = 140\n"
      "    Top = 8\n"
      "    MaxLength = 4\n"
      "    PasswordChar = '*'\n"
      "    Text = 'abc'\n"
      "  end\n"
      "end\n",
      Root);
  auto* C = dynamic_cast<TComboBox*>(Root->FindComponent("Orte"));
  auto* L = dynamic_cast<TListBox*>(Root->FindComponent("Liste"));
  auto* E = dynamic_cast<TEdit*>(Root->FindComponent("Name"));
  ASSERT_TRUE(C && L && E);
  EXPECT_EQ(C->Style(), csDropDownList);
  EXPECT_EQ(C->Text(), "Bern");
  EXPECT_EQ(L->Count(), 3);
  EXPECT_EQ(L->ItemHeight(), 20);
  EXPECT_EQ(E->MaxLength(), 4);
  EXPECT_EQ(E->PasswordChar(), U'*');
  EXPECT_EQ(E->Text(), "abc");
}

}  // namespace
