#include "stdctrls_fixture.h"

namespace {

class EditTest : public StdCtrlsFixture {
 protected:
  TEdit* MakeEdit(const String& Text = "", int Width = 121) {
    int Top = 10 + 30 * Edits++;
    auto* E = Add<TEdit>(Root, "Edit" + std::to_string(Edits), 10, Top, Width, 21);
    E->SetText(Text);
    E->OnChange = [this](TObject*) { ++Changes; };
    Pump();
    return E;
  }
  void Focus(TEdit* E) {
    E->SetFocus();
    Pump();
  }
  // The edit's text band in root coordinates.
  TRect TextBand(TEdit* E) { return InRoot(E); }

  int Edits = 0;
  int Changes = 0;
};

// ---- Typing and caret ------------------------------------------------------------

TEST_F(EditTest, TypingInsertsAtTheCaretAndFiresChange) {
  TEdit* E = MakeEdit();
  Focus(E);
  Type("Hallo");
  EXPECT_EQ(E->Text(), "Hallo");
  EXPECT_EQ(E->SelStart(), 5);
  EXPECT_EQ(Changes, 5);
  EXPECT_TRUE(E->Modified());
}

TEST_F(EditTest, SettingTextPutsTheCaretFirstAndClearsModified) {
  TEdit* E = MakeEdit();
  Focus(E);
  Type("x");
  E->SetText("Neu");
  EXPECT_EQ(E->SelStart(), 0);
  EXPECT_EQ(E->SelLength(), 0);
  EXPECT_FALSE(E->Modified());
  EXPECT_FALSE(E->CanUndo());
}

TEST_F(EditTest, TextReadFromADescriptionIsNoChange) {
  TEdit* E = MakeEdit();
  E->BeginReading();
  E->SetText("gelesen");
  E->EndReading();
  E->Loaded();
  EXPECT_EQ(Changes, 0);
  E->SetText("geändert");
  EXPECT_EQ(Changes, 1);
}

TEST_F(EditTest, ShiftArrowsSelectAndBackspaceDeletesTheSelection) {
  TEdit* E = MakeEdit("Hallo Welt");
  Focus(E);
  Press(VK_HOME);
  Press(VK_RIGHT, kShift, 5);
  EXPECT_EQ(E->SelText(), "Hallo");
  Press(VK_BACK);
  EXPECT_EQ(E->Text(), " Welt");
  EXPECT_EQ(E->SelStart(), 0);
}

TEST_F(EditTest, CtrlArrowsJumpByWords) {
  TEdit* E = MakeEdit("eins zwei drei");
  Focus(E);
  Press(VK_HOME);
  Press(VK_RIGHT, kCtrl);
  EXPECT_EQ(E->SelStart(), 5);
  Press(VK_RIGHT, kCtrl | kShift);
  EXPECT_EQ(E->SelText(), "zwei ");
  Press(VK_END);
  Press(VK_LEFT, kCtrl);
  EXPECT_EQ(E->SelStart(), 10);
}

TEST_F(EditTest, DeleteRemovesTheCharacterAtTheCaret) {
  TEdit* E = MakeEdit("abc");
  Focus(E);
  Press(VK_HOME);
  Press(VK_DELETE);
  EXPECT_EQ(E->Text(), "bc");
}

TEST_F(EditTest, EnteringByKeyboardSelectsAll) {
  TEdit* A = MakeEdit("erste");
  TEdit* B = MakeEdit("zweite");
  Focus(A);
  Root->SelectNext(A, true, true);
  Pump();
  EXPECT_TRUE(B->Focused());
  EXPECT_EQ(B->SelText(), "zweite");
}

TEST_F(EditTest, TypingOverASelectionReplacesIt) {
  TEdit* E = MakeEdit("alt");
  Focus(E);
  E->SelectAll();
  Type("neu");
  EXPECT_EQ(E->Text(), "neu");
}

TEST_F(EditTest, UmlautsCountAsOneCharacter) {
  TEdit* E = MakeEdit("Grüße");
  Focus(E);
  Press(VK_END);
  Press(VK_LEFT, kShift, 3);
  EXPECT_EQ(E->SelText(), "üße");
  EXPECT_EQ(E->SelStart(), 2);
}

// ---- Clipboard -------------------------------------------------------------------

TEST_F(EditTest, CopyAndPasteGoThroughTheClipboard) {
  TEdit* E = MakeEdit("Hallo Welt");
  Focus(E);
  Press(VK_END);
  Press(VK_LEFT, kShift, 4);
  Ctrl('C');
  EXPECT_EQ(GetClipboardText(), "Welt");
  Press(VK_END);
  Ctrl('V');
  EXPECT_EQ(E->Text(), "Hallo WeltWelt");
}

TEST_F(EditTest, CutRemovesTheSelectionIntoTheClipboard) {
  TEdit* E = MakeEdit("Hallo Welt");
  Focus(E);
  Press(VK_HOME);
  Press(VK_RIGHT, kShift, 6);
  Ctrl('X');
  EXPECT_EQ(GetClipboardText(), "Hallo ");
  EXPECT_EQ(E->Text(), "Welt");
  Press(VK_INSERT, kShift);
  EXPECT_EQ(E->Text(), "Hallo Welt");
}

TEST_F(EditTest, PasteStopsAtTheFirstLineBreakAndAtMaxLength) {
  TEdit* E = MakeEdit("xy");
  E->SetMaxLength(5);
  Focus(E);
  Press(VK_END);
  SetClipboardText("abcd\r\nzweite Zeile");
  Ctrl('V');
  EXPECT_EQ(E->Text(), "xyabc");
  Type("z");
  EXPECT_EQ(E->Text(), "xyabc");
}

TEST_F(EditTest, ReadOnlyRefusesChangesButCopies) {
  TEdit* E = MakeEdit("fest");
  E->SetReadOnly(true);
  Focus(E);
  E->SelectAll();
  Type("x");
  Ctrl('X');
  Press(VK_DELETE);
  EXPECT_EQ(E->Text(), "fest");
  Ctrl('C');
  EXPECT_EQ(GetClipboardText(), "fest");
}

TEST_F(EditTest, PasswordIsNeverCopied) {
  TEdit* E = MakeEdit("geheim");
  E->SetPasswordChar(U'*');
  SetClipboardText("vorher");
  Focus(E);
  E->SelectAll();
  Ctrl('C');
  EXPECT_EQ(GetClipboardText(), "vorher");
}

// ---- Undo and character case ------------------------------------------------------

TEST_F(EditTest, UndoTakesBackATypedRunAndASecondUndoRedoes) {
  TEdit* E = MakeEdit("a");
  Focus(E);
  Press(VK_END);
  Type("bc");
  EXPECT_EQ(E->Perform(EM_CANUNDO), 1);
  Ctrl('Z');
  EXPECT_EQ(E->Text(), "a");
  Ctrl('Z');
  EXPECT_EQ(E->Text(), "abc");
}

TEST_F(EditTest, UpperCaseConvertsTypedAndAssignedText) {
  TEdit* E = MakeEdit();
  E->SetCharCase(ecUpperCase);
  E->SetText("straße");
  EXPECT_EQ(E->Text(), "STRAßE");
  Focus(E);
  Press(VK_END);
  Type("x");
  EXPECT_EQ(E->Text().back(), 'X');
  E->SetCharCase(ecLowerCase);
  EXPECT_EQ(E->Text().substr(0, 3), "str");
}

// ---- Messages ---------------------------------------------------------------------

TEST_F(EditTest, SelectionMessagesReadAndWriteCharacterPositions) {
  TEdit* E = MakeEdit("0123456789");
  E->Perform(EM_SETSEL, 2, 5);
  DWORD Start = 0, End = 0;
  LRESULT R = E->Perform(EM_GETSEL, WPARAM(&Start), LPARAM(&End));
  EXPECT_EQ(Start, 2u);
  EXPECT_EQ(End, 5u);
  EXPECT_EQ(LOWORD(std::uintptr_t(R)), 2);
  EXPECT_EQ(HIWORD(std::uintptr_t(R)), 5);
  String New = "abc";
  E->Perform(EM_REPLACESEL, 1, LPARAM(&New));
  EXPECT_EQ(E->Text(), "01abc56789");
  E->Perform(EM_SETSEL, 0, -1);
  EXPECT_EQ(E->SelLength(), 10);
  E->Perform(EM_SETSEL, WPARAM(-1), 0);
  EXPECT_EQ(E->SelLength(), 0);
}

TEST_F(EditTest, MarginsAndTheFormattingRectangleMoveTheText) {
  TEdit* E = MakeEdit("abc");
  Integer X0 = Integer(LOWORD(std::uintptr_t(E->Perform(EM_POSFROMCHAR, 0))));
  E->Perform(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(20, 4));
  EXPECT_EQ(E->Perform(EM_GETMARGINS), MAKELPARAM(20, 4));
  EXPECT_EQ(Integer(LOWORD(std::uintptr_t(E->Perform(EM_POSFROMCHAR, 0)))), X0 - 1 + 20);
  TRect R = Rect(30, 2, 90, 15), Back{};
  E->Perform(EM_SETRECT, 0, LPARAM(&R));
  E->Perform(EM_GETRECT, 0, LPARAM(&Back));
  EXPECT_EQ(Back, R);
  EXPECT_EQ(LOWORD(std::uintptr_t(E->Perform(EM_POSFROMCHAR, 0))), 30);
  EXPECT_EQ(E->Perform(EM_CHARFROMPOS, 0, MAKELPARAM(30, 5)), 0);
}

TEST_F(EditTest, RightAlignedTextEndsAtTheRightMargin) {
  TEdit* E = MakeEdit("abc");
  E->SetEditAlignment(taRightJustify);
  Pump();
  EXPECT_NE(GetWindowLong(E->Handle(), GWL_STYLE) & ES_RIGHT, 0);
  EXPECT_EQ(E->PosFromChar(3), E->FormatRect().Right - 1);
  E->SetEditAlignment(taCenter);
  Pump();
  TRect R = E->FormatRect();
  EXPECT_NEAR(E->PosFromChar(0) - R.Left, R.Right - E->PosFromChar(3), 1);
}

TEST_F(EditTest, LimitModifyAndReadOnlyMessages) {
  TEdit* E = MakeEdit();
  E->Perform(EM_LIMITTEXT, 3);
  EXPECT_EQ(E->MaxLength(), 3);
  Focus(E);
  Type("abcdef");
  EXPECT_EQ(E->Text(), "abc");
  EXPECT_EQ(E->Perform(EM_GETMODIFY), 1);
  E->Perform(EM_SETMODIFY, 0);
  EXPECT_FALSE(E->Modified());
  E->Perform(EM_SETREADONLY, 1);
  EXPECT_TRUE(E->ReadOnly());
  E->Perform(EM_SETPASSWORDCHAR, '#');
  EXPECT_EQ(E->Perform(EM_GETPASSWORDCHAR), '#');
}

TEST_F(EditTest, TextMessagesReadAndReplaceTheText) {
  TEdit* E = MakeEdit("alt");
  String New = "neu", Back;
  E->Perform(WM_SETTEXT, 0, LPARAM(&New));
  EXPECT_EQ(E->Text(), "neu");
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(E->Perform(WM_GETTEXT, 0, LPARAM(&Back)), 3);
  EXPECT_EQ(Back, "neu");
  EXPECT_EQ(GetWindowText(E->Handle()), "neu");
}

TEST_F(EditTest, ClipboardMessagesActOnTheSelection) {
  TEdit* E = MakeEdit("Wort");
  E->SelectAll();
  E->Perform(WM_COPY);
  EXPECT_EQ(GetClipboardText(), "Wort");
  E->Perform(WM_CLEAR);
  EXPECT_EQ(E->Text(), "");
  E->Perform(WM_PASTE);
  EXPECT_EQ(E->Text(), "Wort");
  E->Perform(WM_UNDO);
  EXPECT_EQ(E->Text(), "");
}

// ---- Mouse, scrolling and pixels ---------------------------------------------------

TEST_F(EditTest, AClickPlacesTheCaretAtTheNearestCharacter) {
  TEdit* E = MakeEdit("abcdef");
  Integer X = E->PosFromChar(3);
  ClickOn(E, X, 5);
  EXPECT_TRUE(E->Focused());
  EXPECT_EQ(E->SelStart(), 3);
  EXPECT_EQ(E->SelLength(), 0);
}

TEST_F(EditTest, ADoubleClickSelectsTheWord) {
  TEdit* E = MakeEdit("eins zwei drei");
  TPoint P = OnScreen(E, E->PosFromChar(6), 5);
  HeadlessDoubleClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(E->SelText(), "zwei ");
}

TEST_F(EditTest, DraggingSelectsAndTheReleaseFreesTheMouse) {
  TEdit* E = MakeEdit("abcdef");
  E->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(E->PosFromChar(1), 5));
  E->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(E->PosFromChar(4), 5));
  E->Perform(WM_LBUTTONUP, 0, MAKELPARAM(E->PosFromChar(4), 5));
  EXPECT_EQ(E->SelText(), "bcd");
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretInView) {
  TEdit* E = MakeEdit("", 40);
  Focus(E);
  Type("ein recht langer Text");
  TRect R = E->FormatRect();
  Integer Caret = E->PosFromChar(E->SelStart());
  EXPECT_GE(Caret, R.Left);
  EXPECT_LE(Caret, R.Right);
  Press(VK_HOME);
  EXPECT_EQ(E->PosFromChar(0), R.Left);
}

TEST_F(EditTest, TheSelectionIsHighlightedOnlyWhileFocused) {
  TEdit* E = MakeEdit("markiert");
  TEdit* Other = MakeEdit();
  Focus(E);
  E->SelectAll();
  EXPECT_GT(CountColor(TextBand(E), clHighlight), 20);
  Focus(Other);
  EXPECT_EQ(CountColor(TextBand(E), clHighlight), 0);
  E->SetHideSelection(false);
  EXPECT_GT(CountColor(TextBand(E), clHighlight), 20);
}

TEST_F(EditTest, APasswordShowsItsCharacterInPlaceOfTheText) {
  TEdit* Secret = MakeEdit("abc");
  Secret->SetPasswordChar(U'*');
  TEdit* Stars = MakeEdit("***");
  Pump();
  TPixelSurface S = HeadlessSurface(Root->Handle());
  TRect A = InRoot(Secret), B = InRoot(Stars);
  int Differences = 0, Ink = 0;
  for (int Y = 0; Y < A.Height(); ++Y)
    for (int X = 0; X < A.Width(); ++X) {
      Differences += S.Get(A.Left + X, A.Top + Y) != S.Get(B.Left + X, B.Top + Y);
      Ink += S.Get(A.Left + X, A.Top + Y) != ColorToRGB(clWindow);
    }
  EXPECT_EQ(Differences, 0);
  EXPECT_GT(Ink, 0);
}

}  // namespace
