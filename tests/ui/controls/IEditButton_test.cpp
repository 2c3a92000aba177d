// Edit buttons: clicks and drags, anchors, accelerators, painting, the
// binary form data, and the subclassing across the owner's life.
#include "ui/controls/IEditButton.h"

#include "platform/gui/forms_fixture.h"
#include "platform/rtl/streams.h"

namespace {

class EditButtonTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Form = NewPlainForm("Buttons", Bounds(100, 100, 300, 200));
    Owner = AddControl(Form, Bounds(10, 10, 200, 60));
    Form->Show();
    Pump();
    List = std::make_unique<TI_EditButtons>(Owner);
    List->Subclass();
    First = AddButton(Bounds(5, 5, 30, 20));
  }
  void TearDown() override {
    List.reset();
    FormsTest::TearDown();
  }
  TI_EditButton* AddButton(TRect B) {
    TI_EditButton* Btn = List->Add();
    Btn->Left = B.Left, Btn->Top = B.Top, Btn->Width = B.Width(), Btn->Height = B.Height();
    Btn->OnClick = [this](TObject*) { ++Clicks; };
    return Btn;
  }
  // Desktop point of the owner's client point.
  TPoint At(Integer X, Integer Y) { return Owner->ClientToScreen({X, Y}); }
  void Press(TPoint P) { TDesktopInput::MouseMove(P), TDesktopInput::MouseButton(0, true, P), Pump(); }
  void MoveTo(TPoint P) { TDesktopInput::MouseMove(P), Pump(); }
  void Release(TPoint P) { TDesktopInput::MouseMove(P), TDesktopInput::MouseButton(0, false, P), Pump(); }
  // The painted pixel at the owner's client point.
  TColorRef PixelOfOwner(Integer X, Integer Y) {
    Pump();
    TPoint P = At(X, Y);
    TRect W = GetWindowRect(Form->Handle());
    return HeadlessSurface(Form->Handle()).Get(P.X - W.Left, P.Y - W.Top);
  }

  TForm* Form = nullptr;
  TCustomControl* Owner = nullptr;
  std::unique_ptr<TI_EditButtons> List;
  TI_EditButton* First = nullptr;
  int Clicks = 0;
};

TEST_F(EditButtonTest, ClickOnTheButtonFiresOnce) {
  Press(At(10, 10));
  EXPECT_EQ(First->State(), bsDown);
  Release(At(12, 12));
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(First->State(), bsHot);
  EXPECT_EQ(List->HotButton(), First);
  MoveTo(At(150, 40));
  EXPECT_EQ(First->State(), bsNormal);
  EXPECT_EQ(List->HotButton(), nullptr);
}

TEST_F(EditButtonTest, DragThatLeavesTheButtonFiresNoClick) {
  Press(At(10, 10));
  MoveTo(At(150, 40));
  EXPECT_EQ(First->State(), bsNormal);
  Release(At(150, 40));
  EXPECT_EQ(Clicks, 0);
  // Pressing elsewhere and releasing on the button fires none either.
  Press(At(150, 40));
  MoveTo(At(10, 10));
  EXPECT_EQ(First->State(), bsHot);
  Release(At(10, 10));
  EXPECT_EQ(Clicks, 0);
}

TEST_F(EditButtonTest, DragBackOntoTheButtonStillClicks) {
  Press(At(10, 10));
  MoveTo(At(150, 40));
  MoveTo(At(11, 11));
  EXPECT_EQ(First->State(), bsDown);
  Release(At(11, 11));
  EXPECT_EQ(Clicks, 1);
}

TEST_F(EditButtonTest, ToggleButtonFlipsDown) {
  First->ButtonKind = 1;
  Press(At(10, 10));
  Release(At(10, 10));
  EXPECT_TRUE(First->Down());
  Press(At(10, 10));
  Release(At(10, 10));
  EXPECT_FALSE(First->Down());
  EXPECT_EQ(Clicks, 2);
}

TEST_F(EditButtonTest, DisabledButtonIsNotHitAndStaysNormal) {
  First->SetEnabled(false);
  EXPECT_EQ(List->ButtonAt(At(10, 10).X, At(10, 10).Y), nullptr);
  Press(At(10, 10));
  Release(At(10, 10));
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(First->State(), bsNormal);
}

TEST_F(EditButtonTest, AnchoredButtonsMoveWithTheirOwner) {
  TI_EditButton* Half = AddButton(Bounds(100, 5, 30, 20));
  TI_EditButton* Right = AddButton(Bounds(160, 5, 30, 20));
  TI_EditButton* Wide = AddButton(Bounds(5, 30, 30, 20));
  Half->Anchor = 9, Right->Anchor = 3, Wide->Anchor = 8;
  Owner->SetBounds(10, 10, 210, 66);
  EXPECT_EQ(Half->Left, 105);
  EXPECT_EQ(Right->BoundsRect(), Bounds(170, 11, 30, 20));
  EXPECT_EQ(Wide->BoundsRect(), Bounds(5, 30, 40, 26));
  EXPECT_EQ(First->BoundsRect(), Bounds(5, 5, 30, 20));
}

TEST_F(EditButtonTest, AcceleratorMatchesEitherCase) {
  TI_EditButton* Help = AddButton(Bounds(40, 5, 30, 20));
  Help->SetCaption("&Hilfe");
  EXPECT_EQ(List->FindAccel(U'h'), Help);
  EXPECT_EQ(List->FindAccel(U'H'), Help);
  EXPECT_EQ(List->FindAccel(U'x'), nullptr);
  Help->SetVisible(false);
  EXPECT_EQ(List->FindAccel(U'h'), nullptr);
  TI_EditButton* Take = AddButton(Bounds(80, 5, 30, 20));
  Take->SetCaption("&Übernehmen");
  EXPECT_EQ(List->FindAccel(U'ü'), Take) << "the character, not a byte of it";
  EXPECT_EQ(List->FindAccel(U'Ü'), Take);
}

TEST_F(EditButtonTest, NewButtonsTakeTheListDefaults) {
  List->DefaultAnchor = 4;
  List->SetDefaultColor(clYellow);
  TI_EditButton* B = List->Add();
  EXPECT_EQ(B->Name, "Button1");
  EXPECT_EQ(B->Index, 1);
  EXPECT_EQ(B->Anchor, 4);
  EXPECT_EQ(B->Color, clYellow);
  EXPECT_EQ(First->Color, clYellow);  // it still had the old default
}

TEST_F(EditButtonTest, RaisedButtonIsPaintedOnItsOwner) {
  First->SetCaption("");
  First->Color = clRed;
  First->Invalidate();
  EXPECT_EQ(PixelOfOwner(8, 8), ColorToRGB(clRed));
  EXPECT_EQ(PixelOfOwner(5, 5), ColorToRGB(cl3DLight));
  EXPECT_EQ(PixelOfOwner(6, 6), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelOfOwner(34, 15), ColorToRGB(cl3DDkShadow));
}

TEST_F(EditButtonTest, StoredButtonsReadBackIdentical) {
  First->SetCaption("Eins");
  First->Hint = "Erster Knopf";
  First->Tag = -7;
  First->ButtonStyle = 4;
  First->Anchor = 10;
  First->ImageIndex = 3;
  TI_EditButton* Two = AddButton(Bounds(-3, 40, 25, 12));
  Two->SetCaption("Zwei");
  Two->WindowCoordinates = true;
  Two->SetEnabled(false);
  TMemoryStream S;
  List->WriteData(&S);
  EXPECT_EQ(S.Size(), 4 + (4 + 4 + 30 + 5 + 13) + (4 + 4 + 30 + 5));
  TI_EditButtons Copy(Owner);
  S.SetPosition(0);
  Copy.ReadData(&S);
  ASSERT_EQ(Copy.Count(), 2);
  for (Integer i = 0; i < 2; ++i) {
    TI_EditButton *A = List->Items(i), *B = Copy.Items(i);
    EXPECT_EQ(B->Caption(), A->Caption());
    EXPECT_EQ(B->Hint, A->Hint);
    EXPECT_EQ(B->BoundsRect(), A->BoundsRect());
    EXPECT_EQ(B->Tag, A->Tag);
    EXPECT_EQ(B->ButtonStyle, A->ButtonStyle);
    EXPECT_EQ(B->Anchor, A->Anchor);
    EXPECT_EQ(B->ImageIndex, A->ImageIndex);
    EXPECT_EQ(B->Enabled(), A->Enabled());
    EXPECT_EQ(B->WindowCoordinates, A->WindowCoordinates);
  }
  EXPECT_FALSE(Copy.DataDiffers(List.get()));
  Copy.Items(1)->SetCaption("Drei");
  EXPECT_TRUE(Copy.DataDiffers(List.get()));
}

TEST_F(EditButtonTest, TruncatedDataAddsNothing) {
  First->SetCaption("Eins");
  TMemoryStream S;
  List->WriteData(&S);
  for (Int64 Cut : {Int64(2), Int64(10), S.Size() - 1}) {
    TMemoryStream T;
    S.SetPosition(0);
    T.CopyFrom(&S, Cut);
    T.SetPosition(0);
    TI_EditButtons Copy(Owner);
    EXPECT_THROW(Copy.ReadData(&T), EReadError) << Cut;
    EXPECT_EQ(Copy.Count(), 0);
  }
}

TEST_F(EditButtonTest, SubclassingSurvivesEitherSideGoingFirst) {
  List.reset();  // restores the owner's procedure
  EXPECT_EQ(Owner->Perform(WM_NCHITTEST, 0, MAKELPARAM(At(10, 10).X, At(10, 10).Y)), HTCLIENT);
  auto Orphan = std::make_unique<TI_EditButtons>(Owner);
  Orphan->Subclass();
  Orphan->Add();
  delete Owner;
  Pump();
  EXPECT_EQ(Orphan->OwnerControl(), nullptr);
  EXPECT_EQ(Orphan->Count(), 1);
  Orphan->PaintAll(nullptr);
  Orphan.reset();
}

}  // namespace

namespace {

TEST_F(EditButtonTest, DefaultGlyphIsThePopupArrow) {
  ASSERT_FALSE(First->Glyph()->Empty());
  EXPECT_EQ(First->Glyph()->Width(), 9);
  First->SetCaption("");
  First->Color = clWhite;
  First->Invalidate();
  // The arrow's top row is centred in the button (5..34 x 5..24).
  EXPECT_EQ(PixelOfOwner(20, 13), 0u);
  EXPECT_EQ(PixelOfOwner(17, 12), 0xFFFFFFu);
}

}  // namespace

namespace {

// An owner whose frame keeps a 20-pixel strip at the right for a button.
class FramedButtonTest : public EditButtonTest {
 protected:
  void SetUp() override {
    EditButtonTest::SetUp();
    List.reset();
    TWndMethod Plain = Owner->WindowProc;
    Owner->WindowProc = [Plain](TMessage& M) {
      Plain(M);
      if (M.Msg == WM_NCCALCSIZE) reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam)->rgrc[0].Right -= 20;
    };
    SetWindowPos(Owner->Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    List = std::make_unique<TI_EditButtons>(Owner);
    List->DefaultWindowCoordinates = true;
    List->Subclass();
    First = AddButton(Bounds(180, 0, 20, 60));
    First->SetCaption("");
    First->Color = clRed;
    RedrawWindow(Owner->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  }
  // The desktop point of the owner's window point (X, Y).
  TPoint InWindow(Integer X, Integer Y) {
    TRect W = GetWindowRect(Owner->Handle());
    return {W.Left + X, W.Top + Y};
  }
};

TEST_F(FramedButtonTest, ButtonInTheFrameIsPaintedHitAndClicked) {
  EXPECT_EQ(Owner->ClientWidth(), 180);
  TPoint P = InWindow(190, 30);
  EXPECT_EQ(SendMessage(Owner->Handle(), WM_NCHITTEST, 0, MAKELPARAM(P.X, P.Y)), HTCLIENT);
  Pump();
  TRect W = GetWindowRect(Form->Handle());
  TPoint Face = InWindow(183, 10);
  EXPECT_EQ(HeadlessSurface(Form->Handle()).Get(Face.X - W.Left, Face.Y - W.Top), ColorToRGB(clRed));
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(Clicks, 1);
  TPoint Client = InWindow(100, 30);
  EXPECT_EQ(SendMessage(Owner->Handle(), WM_NCHITTEST, 0, MAKELPARAM(Client.X, Client.Y)), HTCLIENT);
}

TEST_F(FramedButtonTest, ResizingTheOwnerMovesTheFrameButton) {
  First->Anchor = 1;
  Owner->SetBounds(10, 10, 230, 60);
  EXPECT_EQ(First->Left, 210);
  EXPECT_EQ(Owner->ClientWidth(), 210);
}

}  // namespace
