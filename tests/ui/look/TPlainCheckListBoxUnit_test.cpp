// TPlainCheckListBox: marks and their bounds, items and the marks they
// clear, whole-row heights, mouse on boxes, rows and arrow strips with
// the repeat timer, keys and wheel that move the view, focus, painting.
#include "ui/look/TPlainCheckListBoxUnit.h"

#include "look_fixture.h"
#include "platform/gui/system_metrics.h"
#include "platform/rtl/format.h"

namespace {

class CheckList : public LookTest {
 protected:
  // A shown list with Count items "Recht 0" ...
  TPlainCheckListBox* ShownList(Integer Count, bool ScrollBars = false) {
    TForm* F = ShownForm();
    auto* L = Put<TPlainCheckListBox>(F, Bounds(10, 10, 150, 99));
    L->SetScrollBars(ScrollBars);
    for (Integer I = 0; I < Count; ++I) L->Items()->Add("Recht " + IntToStr(I));
    Pump();
    return L;
  }
  // Presses the left button at (X, Y) of L.
  void Press(TPlainCheckListBox* L, Integer X, Integer Y) {
    L->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
    Pump();
  }
  void Release(TPlainCheckListBox* L, Integer X, Integer Y) {
    L->Perform(WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
    Pump();
  }
};

TEST_F(CheckList, MarksOutsideTheSetAreIgnored) {
  TPlainCheckListBox* L = ShownList(3);
  L->SetChecked(1, true);
  L->SetChecked(300, true);
  EXPECT_TRUE(L->GetChecked(1));
  EXPECT_FALSE(L->GetChecked(256));
  EXPECT_FALSE(L->GetChecked(300));
  EXPECT_FALSE(L->GetChecked(-1));
}

TEST_F(CheckList, ItemsBeyond256AreRefusedAndChangesClearTheMarks) {
  TPlainCheckListBox* L = ShownList(2);
  TStringList Many;
  for (Integer I = 0; I < 257; ++I) Many.Add("x");
  L->SetItems(&Many);
  EXPECT_EQ(L->Items()->Count(), 2);
  TStringList Padded;
  Padded.Add("  Lesen  ");
  L->SetItems(&Padded);
  EXPECT_EQ(L->Items()->Get(0), "Lesen");
  L->SetChecked(0, true);
  L->SetEnabled(false);
  L->Items()->Add("Schreiben");
  EXPECT_TRUE(L->GetChecked(0));
  L->SetEnabled(true);
  L->Items()->Add("Löschen");
  EXPECT_FALSE(L->GetChecked(0));
}

TEST_F(CheckList, HeightSnapsToWholeRows) {
  TPlainCheckListBox* L = ShownList(0);
  L->SetHeight(110);
  EXPECT_EQ(L->Height(), 5 * 19 + 4);
  EXPECT_EQ(L->VisibleCount(), 5);
  ASSERT_EQ(L->ItemRects().size(), 5u);
  EXPECT_EQ(L->ItemRects()[1], Rect(3, 3 + 19, 147, 3 + 19 + 17));
  L->SetScrollBars(true);
  EXPECT_EQ(L->Height(), 5 * 19 + 24);
  EXPECT_EQ(L->ItemRects()[0].Top, 13);
}

TEST_F(CheckList, ClickOnABoxFlipsItsMarkAndOnTheTextSelects) {
  TPlainCheckListBox* L = ShownList(3);
  int Checks = 0;
  L->OnClickCheck = [&](TObject*) { ++Checks; };
  const TRect& Row = L->ItemRects()[1];
  Press(L, Row.Left + 6, Row.Top + 6);
  Release(L, Row.Left + 6, Row.Top + 6);
  EXPECT_TRUE(L->GetChecked(1));
  EXPECT_EQ(L->GetItemIndex(), 1);
  EXPECT_EQ(Checks, 1);
  Press(L, Row.Left + 60, Row.Top + 6);
  EXPECT_TRUE(L->GetChecked(1));
  EXPECT_EQ(Checks, 1);
  L->Perform(CN_KEYDOWN, VK_SPACE, 0);
  EXPECT_FALSE(L->GetChecked(1));
}

TEST_F(CheckList, KeysAndWheelMoveTheViewNotTheSelection) {
  TPlainCheckListBox* L = ShownList(12);
  L->SetItemIndex(2);
  L->Perform(CN_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(L->TopIndex(), 1);
  EXPECT_EQ(L->GetItemIndex(), 2);
  L->Perform(CN_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(L->TopIndex(), 6);
  L->Perform(CN_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(L->TopIndex(), 12 - 5);
  L->Perform(CN_KEYDOWN, VK_PRIOR, 0);
  EXPECT_EQ(L->TopIndex(), 2);
  L->Perform(WM_MOUSEWHEEL, WPARAM(std::uintptr_t(std::uint16_t(-120)) << 16), 0);
  EXPECT_EQ(L->TopIndex(), 5);
  L->Perform(WM_MOUSEWHEEL, WPARAM(std::uintptr_t(120) << 16), 0);
  EXPECT_EQ(L->TopIndex(), 2);
  // The older drivers' registered message scrolls as the wheel does, by
  // the desktop's wheel lines, or a page when those are 0.
  const WPARAM Down = WPARAM(std::uintptr_t(std::uint16_t(-120)) << 16);
  ASSERT_EQ(L->WheelMessage(), RegisterWindowMessage("mswheel_rollmsg"));
  UINT Lines = 0;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0));
  SystemParametersInfo(SPI_SETWHEELSCROLLLINES, 1, nullptr, 0);
  L->Perform(L->WheelMessage(), Down, 0);
  EXPECT_EQ(L->TopIndex(), 3);
  SystemParametersInfo(SPI_SETWHEELSCROLLLINES, 0, nullptr, 0);
  L->Perform(WM_MOUSEWHEEL, WPARAM(std::uintptr_t(120) << 16), 0);
  EXPECT_EQ(L->TopIndex(), 0);
  L->Perform(L->WheelMessage(), Down, 0);
  EXPECT_EQ(L->TopIndex(), L->VisibleCount());
  SystemParametersInfo(SPI_SETWHEELSCROLLLINES, Lines, nullptr, 0);
}

TEST_F(CheckList, ArrowStripScrollsAndRepeatsUntilReleased) {
  TPlainCheckListBox* L = ShownList(8, true);
  ASSERT_EQ(L->VisibleCount(), 5);
  Press(L, 70, L->Height() - 4);
  EXPECT_EQ(L->TopIndex(), 1);
  EXPECT_EQ(TPlainCheckListBox::RepeatingBox(), L);
  for (int I = 0; I < 10; ++I) TPlainCheckListBox::RepeatTimerTick();
  EXPECT_EQ(L->TopIndex(), 8 - 5);
  EXPECT_EQ(TPlainCheckListBox::RepeatingBox(), nullptr);
  Release(L, 70, L->Height() - 4);
  Press(L, 70, 4);
  EXPECT_EQ(L->TopIndex(), 2);
  Release(L, 70, 4);
  EXPECT_EQ(TPlainCheckListBox::RepeatingBox(), nullptr);
}

TEST_F(CheckList, LosingTheFocusDropsTheSelection) {
  TPlainCheckListBox* L = ShownList(3);
  Press(L, 60, L->ItemRects()[0].Top + 5);
  EXPECT_EQ(L->GetItemIndex(), 0);
  auto* Other = Put<TPlainCheckListBox>(static_cast<TWinControl*>(L->Parent()), Bounds(200, 10, 100, 99));
  Other->SetFocus();
  Pump();
  EXPECT_EQ(L->GetItemIndex(), -1);
}

TEST_F(CheckList, PaintsTheSelectedRowAndTheTick) {
  TPlainCheckListBox* L = ShownList(3);
  L->SetColors(4, clRed);
  L->SetChecked(0, true);
  L->SetItemIndex(1);
  const TRect& R0 = L->ItemRects()[0];
  const TRect& R1 = L->ItemRects()[1];
  // The first stroke of the tick: (l+2, t+4) with the box at (x+3, y+3).
  EXPECT_EQ(PixelOf(L, R0.Left + 3 + 2, R0.Top + 3 + 4), clRed);
  EXPECT_EQ(PixelOf(L, R1.Right - 5, R1.Top + 2), TColor(0x9CDEF7));
  EXPECT_EQ(PixelOf(L, 0, 0), TColor(0x8396A0));
  HeadlessSavePng(GetParentForm(L)->Handle(), PngPath("checklist.png"));
}

}  // namespace
