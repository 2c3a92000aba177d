// The grid family's popups: placement without owner, the balloon's icon,
// the clip popup's frame, keys, placement message and rubber frame, and
// the marked-rows popup's buttons.
#include "ui/controls/IPopupWindow.h"

#include "platform/gui/desktop_overlay.h"
#include "platform/gui/forms_fixture.h"
#include "platform/gui/wm_headless.h"
#include "ui/controls/IEditTools.h"

namespace {

class GridPopupTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Form = NewPlainForm("Raster", Bounds(100, 100, 400, 300));
    Form->Show();
    Pump();
  }
  void TearDown() override {
    ClearDesktopOverlay();
    FormsTest::TearDown();
  }
  TDBClipPopup* MarksPopup(Integer Marks) {
    auto* P = new TDBClipPopup(Form);
    std::vector<String> Texts;
    for (Integer I = 0; I < Marks; ++I) Texts.push_back("Merker " + std::to_string(I));
    P->FillMarkedRowList(Texts, Marks - 1);
    return P;
  }
  void Queue(std::function<void()> Event) { Headless().Queue(std::move(Event)); }

  TForm* Form = nullptr;
};

// ---- Placement ----------------------------------------------------------------------------------

TEST_F(GridPopupTest, WithoutOwnerOnlyTheBottomIsKeptOnTheScreen) {
  auto* P = new TI_PopupWindow(nullptr);
  P->SetBounds(0, 0, 100, 50);
  P->SetPlacementBounds(-30, 1000, 100, 50);
  P->Popup();
  EXPECT_EQ(-30, P->Left()) << "the left edge is not clamped";
  EXPECT_EQ(1024 - 50, P->Top());
  P->SetPlacementBounds(-30, -20, 100, 50);
  EXPECT_EQ(-20, P->Top()) << "a showing popup is placed again; the top is not clamped";
  P->Free();
}

TEST_F(GridPopupTest, HidingAPopupWithoutWindowChangesNothing) {
  auto* P = new TI_PopupWindow(Form);
  P->HidePopup();
  EXPECT_FALSE(P->HandleAllocated());
}

TEST_F(GridPopupTest, TheInvalidValueBalloonShowsTheGridFamilysIcon) {
  auto* B = new TI_MessageWindow(Form);
  B->SetCaption("Falscher Wert");
  B->SetKind(1);
  EXPECT_EQ(1, B->Kind());
  ASSERT_TRUE(B->ShowIcon());
  TBitmap Expected;
  ASSERT_TRUE(LoadBitmapResource(&Expected, "I_MV_INVALIDVALUE"));
  EXPECT_EQ(Expected.Width(), B->Icon()->Width());
  EXPECT_EQ(TColor(0xEFFFFF), B->Color());
  EXPECT_GT(B->Width(), Expected.Width() + 20) << "icon and text";
}

// ---- Clip popup -----------------------------------------------------------------------------------

TEST_F(GridPopupTest, AGridWithoutMarksShowsOneButtonLeer) {
  TDBClipPopup* P = MarksPopup(0);
  ASSERT_EQ(1, P->Buttons()->Count());
  EXPECT_EQ("#goto", P->Buttons()->Items(0)->Name);
  EXPECT_EQ("Leer", P->Buttons()->Items(0)->Hint);
}

TEST_F(GridPopupTest, FiveMarksGiveSixButtonsInOneRow) {
  TDBClipPopup* P = MarksPopup(5);
  ASSERT_EQ(6, P->Buttons()->Count());
  EXPECT_EQ("Löschen", P->Buttons()->Items(0)->Hint);
  EXPECT_EQ("#Goto4", P->Buttons()->Items(5)->Name);
  EXPECT_EQ("Merker 4", P->Buttons()->Items(5)->Hint);
  EXPECT_EQ(6 * 26 + 6, P->Width());
  EXPECT_EQ(P->CaptionHeight() + 6 + 26 + 2 + 18, P->Height());
  EXPECT_EQ(0, P->MaxRow());
  EXPECT_EQ(5, P->MaxCol());
  EXPECT_EQ(5 * 26 + 3, P->Buttons()->Items(5)->Left);
}

TEST_F(GridPopupTest, TheFrameHasACaptionBarAGripAndAClientBetween) {
  TDBClipPopup* P = MarksPopup(2);
  P->HandleNeeded();
  EXPECT_EQ(Rect(2, 14, 2, 17), P->Insets());
  EXPECT_EQ(P->Width() - 4, P->ClientWidth());
  EXPECT_EQ(P->Height() - 31, P->ClientHeight());
  EXPECT_EQ(hzCaption, P->ZoneAt(Point(30, 5)));
  EXPECT_EQ(hzSizeGrip, P->ZoneAt(Point(P->Width() - 3, P->Height() - 3)));
  EXPECT_EQ(hzGripRow, P->ZoneAt(Point(10, P->Height() - 3)));
  EXPECT_EQ(hzElsewhere, P->ZoneAt(Point(0, 40)));
}

TEST_F(GridPopupTest, Message1632SetsThePlacement) {
  TDBClipPopup* P = MarksPopup(1);
  EXPECT_EQ(3, P->Placement());
  P->Perform(ICM_SETPLACEMENT, 0, 0);
  EXPECT_EQ(0, P->Placement());
}

// The popup's keys as its window would hand them over.
struct TKeyedPopup : TDBClipPopup {
  using TDBClipPopup::TDBClipPopup;
  void Press(Word Key, TShiftState Shift) { KeyDown(Key, Shift); }
};

TEST_F(GridPopupTest, CtrlArrowsMoveACaptionedPopupByTenPixels) {
  auto* P = new TKeyedPopup(Form);
  P->SetBounds(300, 300, 80, 60);
  P->Press(VK_RIGHT, TShiftState());
  EXPECT_EQ(300, P->Left()) << "without Ctrl nothing moves";
  P->Press(VK_DOWN, TShiftState{ssCtrl});
  P->Press(VK_LEFT, TShiftState{ssCtrl});
  EXPECT_EQ(290, P->Left());
  EXPECT_EQ(310, P->Top());
  P->SetClipOptions(coSizeGrip);
  P->Press(VK_UP, TShiftState{ssCtrl});
  EXPECT_EQ(310, P->Top()) << "without caption bar the keys do nothing";
}

TEST_F(GridPopupTest, SizingSnapsTheBottomToWholeRows) {
  TDBClipPopup* P = MarksPopup(1);
  P->SetBounds(200, 200, 100, 100);
  P->SetPlacementRect(Bounds(200, 200, 100, 100));
  P->RowHeight = 18;
  TPoint Start = Point(300, 300);
  EXPECT_EQ(100, P->RubberRect(true, Start, Point(310, 308)).Height()) << "less than half a row";
  EXPECT_EQ(118, P->RubberRect(true, Start, Point(310, 309)).Height());
  EXPECT_EQ(136, P->RubberRect(true, Start, Point(310, 330)).Height());
  EXPECT_EQ(110, P->RubberRect(true, Start, Point(310, 330)).Width()) << "the right edge follows the mouse";
  EXPECT_EQ(Bounds(215, 190, 100, 100), P->RubberRect(false, Start, Point(315, 290)));
}

TEST_F(GridPopupTest, EscapeDuringARubberFrameMoveLeavesThePopupWhereItWas) {
  TDBClipPopup* P = MarksPopup(1);
  P->SetBounds(200, 200, 100, 100);
  P->HandleNeeded();
  Queue([] { TDesktopInput::MouseMove({260, 260}); });
  Queue([] { TDesktopInput::Key(VK_ESCAPE, true, ""); });
  EXPECT_FALSE(P->TrackRubberFrame(false, Point(210, 205)));
  EXPECT_EQ(200, P->Left());
  EXPECT_EQ(200, P->Top());
  EXPECT_EQ(nullptr, DesktopOverlayWindow()) << "the frame is erased";
}

TEST_F(GridPopupTest, ARubberFrameMoveCommitsOnReleaseAsAnAbsolutePlacement) {
  TDBClipPopup* P = MarksPopup(1);
  P->SetBounds(200, 200, 100, 100);
  P->HandleNeeded();
  Queue([] { TDesktopInput::MouseMove({260, 230}); });
  Queue([] { TDesktopInput::MouseButton(0, false, {260, 230}); });
  EXPECT_TRUE(P->TrackRubberFrame(false, Point(210, 205)));
  EXPECT_EQ(250, P->Left());
  EXPECT_EQ(225, P->Top());
  EXPECT_EQ(0, P->Placement());
}

// Sizing puts the mouse where the bottom snapped to a whole row, and the
// parent paints nothing until the frame is gone.
TEST_F(GridPopupTest, ARubberFrameSizeSnapsTheMouseAndHoldsTheParentsPainting) {
  TDBClipPopup* P = MarksPopup(1);
  P->SetBounds(200, 200, 100, 100);
  P->RowHeight = 18;
  P->HandleNeeded();
  TPoint Start = Point(300, 300);
  Integer FormPaints = 0;
  TWndMethod Old = Form->WindowProc;
  Form->WindowProc = [&](TMessage& M) {
    FormPaints += M.Msg == WM_PAINT;
    Old(M);
  };
  Queue([&] {
    InvalidateRect(Form->Handle(), nullptr, true);
    TDesktopInput::MouseMove({305, 306});
  });
  Queue([] { TDesktopInput::MouseMove({305, 311}); });
  Queue([] { TDesktopInput::MouseButton(0, false, {305, 311}); });
  EXPECT_TRUE(P->TrackRubberFrame(true, Start));
  EXPECT_EQ(0, FormPaints) << "held while the frame shows";
  EXPECT_EQ(318, GetCursorPos().Y) << "11 pixels down: the mouse snapped to one row";
  Pump();
  Form->WindowProc = Old;
  EXPECT_GT(FormPaints, 0) << "painted once released";
  EXPECT_EQ(118, P->Height());
}
}  // namespace
