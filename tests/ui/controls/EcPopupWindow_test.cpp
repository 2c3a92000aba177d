// Choice popups: placement by the five modes with their flips on injected
// monitor layouts, the balloon's size, shape, timer and hit test, and the
// drop-down list's rows.
#include "ui/controls/EcPopupWindow.h"

#include "platform/gui/forms_fixture.h"
#include "ui/controls/IEditTools.h"

namespace {

class PopupTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    HeadlessSetMonitors({MonitorInfo(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600), true)});
  }
  // A shown form at B with an owner control of 100 x 20 at its client (10, 10).
  TCustomControl* OwnerAt(TRect FormBounds) {
    Form = NewPlainForm("Popups", FormBounds);
    TCustomControl* C = AddControl(Form, Bounds(10, 10, 100, 20));
    Form->Show();
    Pump();
    return C;
  }
  // A popup of 60 x 40 for Owner.
  TEcPopupWindow* PopupFor(TComponent* Owner, Byte Placement) {
    auto* P = new TEcPopupWindow(Owner);
    P->SetBounds(0, 0, 60, 40);
    P->SetPlacement(Placement);
    return P;
  }
  TForm* Form = nullptr;
};

TEST_F(PopupTest, PlacementModesPutThePopupAgainstItsOwner) {
  TCustomControl* O = OwnerAt(Bounds(100, 100, 300, 200));
  TPoint C = O->ClientToScreen({0, 0});
  TEcPopupWindow* P = PopupFor(O, 1);
  P->Popup();
  EXPECT_EQ(P->BoundsRect(), Bounds(C.X, C.Y + 20, 60, 40));
  EXPECT_EQ(P->PlacementResult(), 0);
  EXPECT_TRUE(P->PopupShowing());
  EXPECT_TRUE(IsWindowVisible(P->Handle()));
  P->SetPlacement(2);
  EXPECT_EQ(P->BoundsRect(), Bounds(C.X + 100 - 60, C.Y + 20, 60, 40));
  P->SetPlacement(4);
  EXPECT_EQ(P->BoundsRect(), Bounds(C.X + 100, C.Y, 60, 40));
  P->SetPlacement(3);
  P->SetPlacementRect(Bounds(5, 7, 60, 40));  // a client point of the owner
  EXPECT_EQ(P->BoundsRect(), Bounds(C.X + 5, C.Y + 7, 60, 40));
  P->SetPlacement(0);
  EXPECT_EQ(P->BoundsRect().TopLeft(), (TPoint{C.X + 5, C.Y + 7}));
  EXPECT_NE(GetActiveWindow(), P->Handle());
}

TEST_F(PopupTest, PopupAtTheScreenBottomFlipsAboveItsOwner) {
  TCustomControl* O = OwnerAt(Bounds(100, 560, 300, 40));
  TPoint C = O->ClientToScreen({0, 0});
  TEcPopupWindow* P = PopupFor(O, 1);
  P->Popup();
  EXPECT_EQ(P->PlacementResult(), 1);
  EXPECT_EQ(P->Top(), C.Y - 40);
}

TEST_F(PopupTest, PopupAtTheRightEdgeOfTheVirtualScreenMovesLeftOrFlips) {
  HeadlessSetMonitors({MonitorInfo(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600), true),
                       MonitorInfo(Rect(800, 0, 1200, 600), Rect(800, 0, 1200, 600), false)});
  TCustomControl* O = OwnerAt(Bounds(1150, 100, 300, 100));
  TEcPopupWindow* P = PopupFor(O, 1);
  P->Popup();
  EXPECT_EQ(P->PlacementResult(), 2);
  EXPECT_EQ(P->BoundsRect().Right, 1200);
  TPoint C = O->ClientToScreen({0, 0});
  P->SetPlacement(4);  // right of the owner: flips to its left
  EXPECT_EQ(P->PlacementResult(), 2);
  EXPECT_EQ(P->Left(), C.X - 60);
}

TEST_F(PopupTest, WithoutKeepOnScreenNothingIsClamped) {
  TCustomControl* O = OwnerAt(Bounds(100, 560, 300, 40));
  TEcPopupWindow* P = PopupFor(O, 1);
  P->SetKeepOnScreen(false);
  P->Popup();
  EXPECT_EQ(P->PlacementResult(), 0);
  EXPECT_GT(P->BoundsRect().Bottom, 600);
}

TEST_F(PopupTest, WithoutOwnerThePointIsClampedToTheScreen) {
  TEcPopupWindow* P = PopupFor(Application, 1);
  P->SetPlacementRect(Bounds(-20, 590, 60, 40));
  P->Popup();
  EXPECT_EQ(P->BoundsRect(), Bounds(0, 560, 60, 40));
  EXPECT_EQ(P->PlacementResult(), 0);  // never set: no placement result
  P->HidePopup();
  EXPECT_FALSE(P->PopupShowing());
  EXPECT_FALSE(IsWindowVisible(P->Handle()));
}

class BalloonTest : public PopupTest {
 protected:
  TEcMessageWindow* Balloon(TComponent* Owner, const String& Text) {
    auto* B = new TEcMessageWindow(Owner);
    B->BeginUpdate();
    B->SetShape(2);
    B->SetKind(1);
    B->SetPlacement(3);
    B->SetPlacementRect(Bounds(5, 11, 0, 0));
    B->SetCaption(Text);
    B->EndUpdate();
    return B;
  }
};

TEST_F(BalloonTest, BalloonSizeCoversIconTextAndArrow) {
  TCustomControl* O = OwnerAt(Bounds(100, 100, 300, 200));
  TEcMessageWindow* B = Balloon(O, "Wert ungültig");
  ASSERT_FALSE(B->Icon()->Empty());
  EXPECT_EQ(B->Color(), ColorValue(0xEFFFFF));
  Integer TextH = TextHeight("Wg", B->Font());
  EXPECT_EQ(B->Height(), std::max(TextH, 16) + 2 + 2 + 8 + 8);
  B->Popup();
  EXPECT_EQ(B->PlacementResult(), 0);
  TRect Shape = B->BalloonRegion().Bounds();
  EXPECT_LE(Shape.Top, 1);  // the arrow's tip
  EXPECT_EQ(Shape.Bottom, B->Height());
  EXPECT_TRUE(B->BalloonRegion().Contains(9, 3));  // the arrow at the left
  EXPECT_FALSE(B->BalloonRegion().Contains(B->Width() - 9, 3));
  if (const char* Dir = getenv("EDIT_PNG_DIR")) HeadlessSavePng(B->Handle(), String(Dir) + "/balloon.png");
}

TEST_F(BalloonTest, FlippedBalloonHasNoArrowAndIsShorter) {
  TCustomControl* O = OwnerAt(Bounds(100, 570, 300, 30));
  TEcMessageWindow* B = Balloon(O, "Wert ungültig");
  B->Popup();
  EXPECT_EQ(B->PlacementResult(), 1);
  EXPECT_EQ(B->BalloonRegion().Bounds(), Rect(0, 0, B->Width(), B->Height() - B->ArrowSize));
  EXPECT_FALSE(B->BalloonRegion().Contains(8, B->Height() - 1));
}

TEST_F(BalloonTest, AutoHideTimerTellsAWindowedOwner) {
  TCustomControl* O = OwnerAt(Bounds(100, 100, 300, 200));
  int Hides = 0;
  TWndMethod Old = O->WindowProc;
  O->WindowProc = [&Hides, Old](TMessage& M) {
    if (M.Msg == ECM_SHOWERROR && M.WParam == 0) ++Hides;
    Old(M);
  };
  TEcMessageWindow* B = Balloon(O, "Fehler");
  B->AutoHide = true;
  B->DisplayTime = 2500;
  B->Popup();
  EXPECT_TRUE(B->TimerRunning());
  Clock->Advance(2499);
  Pump();
  EXPECT_EQ(Hides, 0);
  Clock->Advance(1);
  Pump();
  EXPECT_EQ(Hides, 1);
  EXPECT_FALSE(B->TimerRunning());
  O->WindowProc = Old;
}

TEST_F(BalloonTest, AutoHideWithoutWindowedOwnerHidesItself) {
  OwnerAt(Bounds(100, 100, 300, 200));
  TEcMessageWindow* B = Balloon(Form, "Fehler");
  delete B;
  B = new TEcMessageWindow(Application);
  B->SetCaption("Hinweis");
  B->AutoHide = true;
  B->Popup();
  Clock->Advance(2000);
  Pump();
  EXPECT_FALSE(B->PopupShowing());
  EXPECT_FALSE(IsWindowVisible(B->Handle()));
}

TEST_F(BalloonTest, BalloonWithButtonsStaysAndTakesClicks) {
  TCustomControl* O = OwnerAt(Bounds(100, 100, 300, 200));
  TEcMessageWindow* Plain = Balloon(O, "Ohne");
  Plain->AutoHide = true;
  Plain->Popup();
  TPoint Mid = Plain->ClientToScreen({Plain->Width() / 2, Plain->Height() / 2});
  EXPECT_EQ(SendMessage(Plain->Handle(), WM_NCHITTEST, 0, MAKELPARAM(Mid.X, Mid.Y)), HTTRANSPARENT);
  Plain->HidePopup();
  TEcMessageWindow* B = Balloon(O, "Mit Knopf");
  TI_EditButton* Btn = B->Buttons()->Add();
  Btn->Width = 40, Btn->Height = 18;
  Btn->SetCaption("OK");
  int Clicks = 0;
  Btn->OnClick = [&](TObject*) { ++Clicks; };
  B->AutoHide = true;
  B->RecalcSize();
  B->Popup();
  EXPECT_FALSE(B->TimerRunning());
  TPoint P = B->ClientToScreen({Btn->Left + 5, Btn->Top + 5});
  EXPECT_EQ(SendMessage(B->Handle(), WM_NCHITTEST, 0, MAKELPARAM(P.X, P.Y)), HTCLIENT);
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(Clicks, 1);
  Clock->Advance(10000);
  Pump();
  EXPECT_TRUE(B->PopupShowing());
}

class ListTest : public PopupTest {
 protected:
  TEcPopupListBox* ListWith(TControl* Owner, Integer Items) {
    auto* L = new TEcPopupListBox(Owner);
    for (Integer i = 0; i < Items; ++i) L->Items()->Add("Eintrag " + std::to_string(i));
    L->SetPlacementRect(Bounds(0, 0, 100, 10));
    return L;
  }
};

TEST_F(ListTest, ListShowsItsItemsUpToDropDownCountRows) {
  TCustomControl* O = OwnerAt(Bounds(100, 100, 300, 200));
  TEcPopupListBox* Three = ListWith(O, 3);
  Three->Popup();
  Integer H = Three->ItemHeight();
  EXPECT_EQ(H, TextHeight("Wg", Three->Font()) + 3);
  EXPECT_EQ(Three->Height(), 3 * H + 2);
  EXPECT_EQ(Three->ClientHeight(), 3 * H);
  TEcPopupListBox* Twenty = ListWith(O, 20);
  Twenty->Popup();
  EXPECT_EQ(Twenty->Height(), 8 * H + 2);
  TEcPopupListBox* Empty = ListWith(O, 0);
  Empty->SetFrameStyle(2);
  Empty->Popup();
  EXPECT_EQ(Empty->Height(), H + 4);
  TEcPopupListBox* Long = ListWith(O, 200);
  Long->SetDropDownCount(200);
  Long->Popup();
  EXPECT_EQ(Long->Height(), 300);  // half the screen
}

TEST_F(ListTest, MouseTracksRowsAndWheelStaysInRange) {
  TCustomControl* O = OwnerAt(Bounds(100, 100, 300, 200));
  TEcPopupListBox* L = ListWith(O, 20);
  L->Popup();
  TPoint P = L->ClientToScreen({10, L->ItemHeight() * 2 + 2});
  HeadlessMouseMove(P.X, P.Y);
  Pump();
  EXPECT_EQ(L->ItemIndex(), 2);
  auto Wheel = [&](int Notches) { L->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, Notches * WHEEL_DELTA), MAKELPARAM(P.X, P.Y)); };
  ASSERT_EQ(L->TopIndex(), 0);
  Wheel(-3);
  EXPECT_EQ(L->TopIndex(), 3);
  Wheel(5);  // above the first row: ignored
  EXPECT_EQ(L->TopIndex(), 3);
  Wheel(-20);  // fewer than eight rows would follow: ignored
  EXPECT_EQ(L->TopIndex(), 3);
  Wheel(3);
  EXPECT_EQ(L->TopIndex(), 0);
}

}  // namespace

namespace {

TEST_F(PopupTest, PlacementOffEveryMonitorLandsOnTheScreen) {
  TCustomControl* O = OwnerAt(Bounds(-900, -700, 300, 200));
  TEcPopupWindow* P = PopupFor(O, 1);
  P->Popup();
  EXPECT_EQ(P->BoundsRect().TopLeft(), (TPoint{0, 0}));
  TEcPopupWindow* Far = PopupFor(Application, 0);
  Far->SetPlacementRect(Bounds(5000, 5000, 60, 40));
  Far->Popup();
  EXPECT_EQ(Far->BoundsRect(), Bounds(740, 560, 60, 40));
}

TEST_F(ListTest, OwnerDestroyedWhileItsListShowsTakesTheListAlong) {
  TCustomControl* O = OwnerAt(Bounds(100, 100, 300, 200));
  TEcPopupListBox* L = ListWith(O, 3);
  L->Popup();
  HWND Wnd = L->Handle();
  ASSERT_TRUE(IsWindowVisible(Wnd));
  delete O;
  Pump();
  EXPECT_FALSE(IsWindow(Wnd));
}

}  // namespace
