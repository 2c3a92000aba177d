#include <vector>

#include "stdctrls_fixture.h"

namespace {

const TColor kRowColors[] = {clRed, clLime, clBlue, clYellow, clFuchsia, clAqua};

class ListBoxTest : public StdCtrlsFixture {
 protected:
  // A list at (10, 10) of the root with Count rows "Zeile 0" ...
  TListBox* MakeList(int Count, int Height = 100) {
    auto* L = Add<TListBox>(Root, "List", 10, 10, 120, Height);
    for (int I = 0; I < Count; ++I) L->Items()->Add("Zeile " + std::to_string(I));
    L->OnClick = [this](TObject*) { ++Clicks; };
    Pump();
    return L;
  }
  // Rows painted in their own colour (selected rows keep it but are
  // remembered), with fixed or variable heights.
  void PaintRowsInColours(TListBox* L) {
    L->OnDrawItem = [this, L](TWinControl* Control, Integer Index, TRect R, TOwnerDrawState State) {
      EXPECT_EQ(Control, L);
      Drawn.push_back(Index);
      if (State.Contains(odSelected)) {
        SelectedDrawn.push_back(Index);
        EXPECT_EQ(L->Canvas()->Brush()->Color(), clHighlight);
      }
      L->Canvas()->Brush()->SetColor(kRowColors[Index % 6]);
      L->Canvas()->FillRect(R);
    };
  }
  // The colour at client (X, Y) of the list.
  TColorRef At(TListBox* L, int X, int Y) {
    TRect R = InRoot(L);
    return PixelAt(Root, R.Left + X, R.Top + Y);
  }

  int Clicks = 0;
  std::vector<Integer> Drawn, SelectedDrawn;
};

// ---- Owner drawing ---------------------------------------------------------------

TEST_F(ListBoxTest, FixedOwnerDrawnRowsArePaintedByOnDrawItem) {
  TListBox* L = MakeList(3);
  L->SetStyle(lbOwnerDrawFixed);
  L->SetItemHeight(20);
  PaintRowsInColours(L);
  L->Invalidate();
  EXPECT_EQ(At(L, 50, 10), ColorToRGB(clRed));
  EXPECT_EQ(At(L, 50, 30), ColorToRGB(clLime));
  EXPECT_EQ(At(L, 50, 50), ColorToRGB(clBlue));
  // Below the rows the list shows its own colour.
  EXPECT_EQ(At(L, 50, 70), ColorToRGB(clWindow));
  EXPECT_EQ(Drawn, (std::vector<Integer>{0, 1, 2}));
}

TEST_F(ListBoxTest, VariableRowsTakeTheirHeightFromOnMeasureItem) {
  TListBox* L = MakeList(0);
  L->SetStyle(lbOwnerDrawVariable);
  L->OnMeasureItem = [](TWinControl*, Integer Index, Integer& Height) { Height = (Index + 1) * 10; };
  PaintRowsInColours(L);
  L->Items()->Add("a"), L->Items()->Add("b"), L->Items()->Add("c");
  EXPECT_EQ(L->ItemRect(2), Rect(0, 30, L->ClientWidth(), 60));
  EXPECT_EQ(L->ItemAtPos(Point(5, 25), true), 1);
  EXPECT_EQ(At(L, 50, 5), ColorToRGB(clRed));
  EXPECT_EQ(At(L, 50, 25), ColorToRGB(clLime));
  EXPECT_EQ(At(L, 50, 55), ColorToRGB(clBlue));
}

TEST_F(ListBoxTest, TheSelectedRowIsDrawnWithHighlightColours) {
  TListBox* L = MakeList(3);
  L->SetStyle(lbOwnerDrawFixed);
  L->SetItemHeight(20);
  PaintRowsInColours(L);
  L->SetItemIndex(1);
  Pump();
  EXPECT_EQ(SelectedDrawn.back(), 1);
}

TEST_F(ListBoxTest, StandardRowsShowTheSelectionInTheHighlightColour) {
  TListBox* L = MakeList(5);
  EXPECT_EQ(CountColor(InRoot(L), clHighlight), 0);
  L->SetItemIndex(2);
  TRect Row = L->ItemRect(2), R = InRoot(L);
  OffsetRect(Row, R.Left, R.Top);
  EXPECT_GT(CountColor(Row, clHighlight), Row.Width() * Row.Height() / 2);
}

// ---- Positions and scrolling -------------------------------------------------------

TEST_F(ListBoxTest, TopIndexScrollsTheRowsAndItemAtPosFollows) {
  TListBox* L = MakeList(30);
  Integer H = L->ItemHeight();
  L->SetTopIndex(5);
  EXPECT_EQ(L->TopIndex(), 5);
  EXPECT_EQ(L->ItemAtPos(Point(3, 1), true), 5);
  EXPECT_EQ(L->ItemRect(6).Top, H);
  EXPECT_EQ(L->ItemRect(4).Top, -H);
  L->SetTopIndex(1000);
  EXPECT_EQ(L->TopIndex(), 30 - L->ClientHeight() / H);
}

TEST_F(ListBoxTest, TheWheelScrollsThreeRowsANotch) {
  TListBox* L = MakeList(30);
  L->SetFocus();
  Pump();
  TPoint P = OnScreen(L, 10, 10);
  L->Perform(WM_MOUSEWHEEL, WPARAM(std::uint32_t(-WHEEL_DELTA) << 16), MAKELPARAM(P.X, P.Y));
  EXPECT_EQ(L->TopIndex(), 3);
  L->Perform(WM_MOUSEWHEEL, WPARAM(std::uint32_t(2 * WHEEL_DELTA) << 16), MAKELPARAM(P.X, P.Y));
  EXPECT_EQ(L->TopIndex(), 0);
}

TEST_F(ListBoxTest, AScrollBarShowsWhileRowsAreOutOfView) {
  TListBox* L = MakeList(3);
  EXPECT_EQ(GetWindowLong(L->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
  Integer Full = L->ClientWidth();
  for (int I = 3; I < 30; ++I) L->Items()->Add("Zeile " + std::to_string(I));
  Pump();
  EXPECT_NE(GetWindowLong(L->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_EQ(L->ClientWidth(), Full - GetSystemMetrics(SM_CXVSCROLL));
  // The bar is drawn right of the rows, in the button face colour.
  TRect R = InRoot(L);
  EXPECT_GT(CountColor(Rect(R.Right, R.Top, R.Right + GetSystemMetrics(SM_CXVSCROLL), R.Bottom), clBtnFace), 100);
  L->Clear();
  Pump();
  EXPECT_EQ(GetWindowLong(L->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
}

TEST_F(ListBoxTest, TheScrollBarMovesTheTopRow) {
  TListBox* L = MakeList(30);
  TPoint Arrow = OnScreen(L, L->ClientWidth() + 5, L->ClientHeight() - 5);
  ClickAt(Arrow.X, Arrow.Y);
  EXPECT_EQ(L->TopIndex(), 1);
  EXPECT_EQ(L->ItemIndex(), -1);
  L->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10));
  EXPECT_EQ(L->TopIndex(), 10);
  EXPECT_EQ(GetScrollPos(L->Handle(), SB_VERT), 10);
  L->Perform(WM_VSCROLL, MAKEWPARAM(SB_TOP, 0));
  EXPECT_EQ(L->TopIndex(), 0);
}

TEST_F(ListBoxTest, ItemAtPosBelowTheLastRow) {
  TListBox* L = MakeList(2);
  EXPECT_EQ(L->ItemAtPos(Point(5, 90), true), -1);
  EXPECT_EQ(L->ItemAtPos(Point(5, 90), false), 2);
}

TEST_F(ListBoxTest, KeysMoveTheSelectionAndKeepItInView) {
  TListBox* L = MakeList(30);
  L->SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(L->ItemIndex(), 0);
  Press(VK_DOWN, 0, 2);
  EXPECT_EQ(L->ItemIndex(), 2);
  EXPECT_EQ(Clicks, 3);
  Press(VK_END);
  EXPECT_EQ(L->ItemIndex(), 29);
  EXPECT_LE(L->ItemRect(29).Bottom, L->ClientHeight());
  EXPECT_GT(L->TopIndex(), 0);
  Press(VK_HOME);
  EXPECT_EQ(L->TopIndex(), 0);
}

TEST_F(ListBoxTest, AClickSelectsTheRowUnderTheMouse) {
  TListBox* L = MakeList(5);
  Integer H = L->ItemHeight();
  ClickOn(L, 20, H * 3 + H / 2);
  EXPECT_EQ(L->ItemIndex(), 3);
  EXPECT_EQ(Clicks, 1);
  EXPECT_TRUE(L->Focused());
}

TEST_F(ListBoxTest, ADoubleClickFiresOnDblClick) {
  TListBox* L = MakeList(5);
  int DblClicks = 0;
  L->OnDblClick = [&DblClicks](TObject*) { ++DblClicks; };
  TPoint P = OnScreen(L, 20, 5);
  HeadlessDoubleClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(DblClicks, 1);
  EXPECT_EQ(L->ItemIndex(), 0);
}

TEST_F(ListBoxTest, ExtendedSelectionWithShiftAndCtrlClicks) {
  TListBox* L = MakeList(6);
  L->SetMultiSelect(true);
  Integer H = L->ItemHeight();
  ClickOn(L, 20, H / 2);
  L->Perform(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(20, H * 2 + H / 2));
  EXPECT_EQ(L->SelCount(), 3);
  L->Perform(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(20, H * 4 + H / 2));
  EXPECT_TRUE(L->Selected(4));
  EXPECT_EQ(L->SelCount(), 4);
  EXPECT_THROW(L->Selected(6), EListError);
}

TEST_F(ListBoxTest, RemovingRowsKeepsTheSelectionInRange) {
  TListBox* L = MakeList(4);
  L->SetItemIndex(3);
  L->Items()->Delete(3);
  EXPECT_EQ(L->ItemIndex(), 2);
  L->Clear();
  EXPECT_EQ(L->ItemIndex(), -1);
}

// ---- Messages --------------------------------------------------------------------

TEST_F(ListBoxTest, PrintClientPaintsTheRowsIntoAGivenCanvas) {
  TListBox* L = MakeList(4);
  L->SetItemIndex(1);
  TBitmap Bmp;
  Bmp.SetSize(L->ClientWidth(), L->ClientHeight());
  L->Perform(WM_PRINTCLIENT, WPARAM(Bmp.Canvas()), 0);
  Integer H = L->ItemHeight();
  EXPECT_EQ(ColorToRGB(Bmp.Canvas()->Pixel(L->ClientWidth() - 3, H + H / 2)), ColorToRGB(clHighlight));
  EXPECT_EQ(ColorToRGB(Bmp.Canvas()->Pixel(L->ClientWidth() - 3, H / 2)), ColorToRGB(clWindow));
  // The flags: the background is erased first only when asked; a hidden
  // list asked to check its visibility and a message that arrives answered
  // with 1 paint nothing.
  int Erased = 0;
  TWndMethod Old = L->WindowProc;
  L->WindowProc = [&](TMessage& M) {
    Erased += M.Msg == WM_ERASEBKGND;
    Old(M);
  };
  auto Printed = [&](LPARAM Flags, LRESULT OnArrival) {
    Bmp.Canvas()->Brush()->SetColor(clRed);
    Bmp.Canvas()->FillRect(Rect(0, 0, Bmp.Width(), Bmp.Height()));
    TMessage M{WM_PRINTCLIENT, WPARAM(Bmp.Canvas()), Flags, OnArrival};
    L->WindowProc(M);
    return ColorToRGB(Bmp.Canvas()->Pixel(L->ClientWidth() - 3, H / 2)) != ColorToRGB(clRed);
  };
  EXPECT_TRUE(Printed(PRF_CLIENT, 0));
  EXPECT_EQ(Erased, 0);
  EXPECT_TRUE(Printed(PRF_CLIENT | PRF_ERASEBKGND | PRF_CHECKVISIBLE, 0));
  EXPECT_EQ(Erased, 1);
  EXPECT_FALSE(Printed(PRF_CLIENT, 1));
  L->SetVisible(false);
  EXPECT_FALSE(Printed(PRF_CLIENT | PRF_CHECKVISIBLE, 0));
  EXPECT_TRUE(Printed(PRF_CLIENT, 0));
  L->WindowProc = Old;
}


TEST_F(ListBoxTest, ListMessagesAnswerAsTheOriginal) {
  TListBox* L = MakeList(10);
  EXPECT_EQ(L->Perform(LB_GETCOUNT), 10);
  EXPECT_EQ(L->Perform(LB_GETCURSEL), -1);
  L->Perform(LB_SETCURSEL, 4);
  EXPECT_EQ(L->ItemIndex(), 4);
  String Text;
  EXPECT_EQ(L->Perform(LB_GETTEXT, 4, LPARAM(&Text)), 7);
  EXPECT_EQ(Text, "Zeile 4");
  EXPECT_EQ(L->Perform(LB_GETTEXT, 10, LPARAM(&Text)), LB_ERR);
  L->Perform(LB_SETTOPINDEX, 2);
  EXPECT_EQ(L->Perform(LB_GETTOPINDEX), 2);
  TRect R{};
  L->Perform(LB_GETITEMRECT, 3, LPARAM(&R));
  EXPECT_EQ(R.Top, L->ItemHeight());
  EXPECT_EQ(L->Perform(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, R.Top + 1)), 3);
}

}  // namespace
