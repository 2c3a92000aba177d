#include "platform/gui/extctrls.h"
#include "platform/gui/typeonly.h"
#include "platform/rtl/classreg.h"
#include "stdctrls_fixture.h"

namespace {

class PanelTest : public StdCtrlsFixture {
 protected:
  TColorRef At(TControl* C, int X, int Y) {
    TRect R = InRoot(C);
    return PixelAt(Root, R.Left + X, R.Top + Y);
  }
  TColorRef AtBounds(TControl* C, int X, int Y) { return PixelAt(Root, C->Left() + X, C->Top() + Y); }
};

// ---- Panels ---------------------------------------------------------------------------

TEST_F(PanelTest, ARaisedPanelIsLightAtTheTopLeftAndDarkAtTheBottomRight) {
  auto* P = Add<TPanel>(Root, "P", 10, 10, 100, 40);
  EXPECT_EQ(At(P, 0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(At(P, 99, 39), ColorToRGB(clBtnShadow));
  EXPECT_EQ(At(P, 5, 5), ColorToRGB(clBtnFace));
  P->SetBevelOuter(bvLowered);
  EXPECT_EQ(At(P, 0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(At(P, 99, 39), ColorToRGB(clBtnHighlight));
}

TEST_F(PanelTest, ChildrenAreAlignedInsideTheBevelsAndBorder) {
  auto* P = Add<TPanel>(Root, "P", 10, 10, 100, 60);
  P->SetBevelInner(bvLowered);
  P->SetBevelWidth(2);
  P->SetBorderWidth(3);
  auto* Child = Add<TPanel>(P, "Child", 0, 0, 10, 10);
  Child->SetAlign(alClient);
  EXPECT_EQ(Child->BoundsRect(), Rect(7, 7, 93, 53));
}

TEST_F(PanelTest, TheCaptionIsDrawnInTheMiddleAndAligned) {
  auto* P = Add<TPanel>(Root, "P", 10, 10, 200, 40);
  P->SetCaption("Mitte");
  P->Font()->SetColor(clBlack);
  TRect R = InRoot(P);
  EXPECT_GT(CountColor(Rect(R.Left + 80, R.Top + 10, R.Left + 120, R.Top + 30), clBlack), 0);
  EXPECT_EQ(CountColor(Rect(R.Left + 2, R.Top + 2, R.Left + 40, R.Top + 38), clBlack), 0);
  P->SetAlignment(taLeftJustify);
  EXPECT_GT(CountColor(Rect(R.Left + 2, R.Top + 2, R.Left + 40, R.Top + 38), clBlack), 0);
}

// ---- Labels ---------------------------------------------------------------------------

TEST_F(PanelTest, AnEmptyAutoSizedLabelKeepsTheHeightOfALine) {
  auto* L = Add<TLabel>(Root, "L", 10, 10, 200, 50);
  L->SetCaption("x");
  Integer LineHeight = L->Height();
  L->SetCaption("");
  EXPECT_EQ(L->Height(), LineHeight);
  EXPECT_LT(L->Width(), 10);
}

TEST_F(PanelTest, AnAutoSizedLabelFitsItsText) {
  auto* L = Add<TLabel>(Root, "L", 10, 10, 200, 50);
  L->SetCaption("Ein Text");
  TControlCanvas C(L);
  C.Font()->Assign(L->Font());
  EXPECT_EQ(L->Width(), C.TextWidth("Ein Text"));
  EXPECT_EQ(L->Height(), C.TextHeight("Ein Text"));
}

TEST_F(PanelTest, ARightAlignedAutoSizedLabelKeepsItsRightEdge) {
  auto* L = Add<TLabel>(Root, "L", 10, 10, 100, 20);
  L->SetAutoSize(false);
  L->SetAlignment(taRightJustify);
  L->SetAutoSize(true);
  Integer Right = L->Left() + L->Width();
  L->SetCaption("breiter werdender Text");
  EXPECT_EQ(L->Left() + L->Width(), Right);
}

TEST_F(PanelTest, AnOpaqueLabelFillsWithItsColourATransparentOneDoesNot) {
  Root->SetColor(clWhite);
  auto* L = Add<TLabel>(Root, "L", 10, 10, 60, 20);
  L->SetAutoSize(false);
  L->SetBounds(10, 10, 60, 20);
  L->SetColor(clYellow);
  EXPECT_EQ(AtBounds(L, 58, 18), ColorToRGB(clYellow));
  L->SetTransparent(true);
  EXPECT_EQ(AtBounds(L, 58, 18), ColorToRGB(clWhite));
}

TEST_F(PanelTest, LayoutPlacesTheTextVertically) {
  auto* L = Add<TLabel>(Root, "L", 10, 10, 80, 60);
  L->SetAutoSize(false);
  L->SetBounds(10, 10, 80, 60);
  L->SetCaption("Wg");
  L->Font()->SetColor(clBlack);
  L->Font()->SetHeight(-16);  // stems wide enough for fully inked pixels
  L->SetColor(clWhite);
  auto Ink = [&](int Y0, int Y1) { return CountColor(Rect(10, 10 + Y0, 90, 10 + Y1), clBlack); };
  EXPECT_GT(Ink(0, 20), 0);
  EXPECT_EQ(Ink(40, 60), 0);
  L->SetLayout(tlBottom);
  EXPECT_EQ(Ink(0, 20), 0);
  EXPECT_GT(Ink(40, 60), 0);
}

TEST_F(PanelTest, TheAcceleratorFocusesTheFocusControl) {
  auto* E = Add<TEdit>(Root, "E", 10, 40, 80, 21);
  auto* L = Add<TLabel>(Root, "L", 10, 10, 80, 20);
  L->SetCaption("&Name");
  L->SetFocusControl(E);
  Pump();
  EXPECT_EQ(L->Perform(CM_DIALOGCHAR, 'n'), 1);
  Pump();
  EXPECT_TRUE(E->Focused());
  EXPECT_EQ(L->Perform(CM_DIALOGCHAR, 'x'), 0);
  delete E;
  EXPECT_EQ(L->FocusControl(), nullptr);
}

// ---- Bevels, shapes, images ---------------------------------------------------------------

TEST_F(PanelTest, ALoweredBevelLineIsDarkOverLight) {
  auto* B = Add<TBevel>(Root, "B", 10, 10, 100, 10);
  B->SetShape(bsTopLine);
  EXPECT_EQ(AtBounds(B, 50, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(AtBounds(B, 50, 1), ColorToRGB(clBtnHighlight));
  B->SetStyle(bsRaised);
  EXPECT_EQ(AtBounds(B, 50, 0), ColorToRGB(clBtnHighlight));
}

TEST_F(PanelTest, AShapeFillsWithItsBrushInsideItsPen) {
  auto* S = Add<TShape>(Root, "S", 10, 10, 40, 40);
  S->Brush()->SetColor(clLime);
  S->Pen()->SetColor(clRed);
  EXPECT_EQ(AtBounds(S, 0, 20), ColorToRGB(clRed));
  EXPECT_EQ(AtBounds(S, 20, 20), ColorToRGB(clLime));
  S->SetShape(stCircle);
  EXPECT_NE(AtBounds(S, 1, 1), ColorToRGB(clLime));
  EXPECT_EQ(AtBounds(S, 20, 20), ColorToRGB(clLime));
}

TEST_F(PanelTest, AnImageShowsItsPictureCentredOrStretched) {
  auto* I = Add<TImage>(Root, "I", 10, 10, 40, 40);
  TBitmap Bmp;
  Bmp.SetSize(10, 10);
  Bmp.Canvas()->Brush()->SetColor(clBlue);
  Bmp.Canvas()->FillRect(Rect(0, 0, 10, 10));
  I->Picture()->SetGraphic(&Bmp);
  EXPECT_EQ(AtBounds(I, 5, 5), ColorToRGB(clBlue));
  EXPECT_NE(AtBounds(I, 20, 20), ColorToRGB(clBlue));
  I->SetCenter(true);
  EXPECT_EQ(I->DestRect(), Rect(15, 15, 25, 25));
  EXPECT_EQ(AtBounds(I, 20, 20), ColorToRGB(clBlue));
  I->SetStretch(true);
  EXPECT_EQ(AtBounds(I, 38, 38), ColorToRGB(clBlue));
  I->SetAutoSize(true);
  I->Picture()->SetGraphic(&Bmp);
  EXPECT_EQ(I->Width(), 10);
}

TEST_F(PanelTest, AScrollBoxMovesItsChildren) {
  auto* B = Add<TScrollBox>(Root, "B", 10, 10, 150, 100);
  auto* C = Add<TPanel>(B, "C", 20, 30, 50, 50);
  B->ScrollBy(0, -25);
  EXPECT_EQ(C->Top(), 5);
  EXPECT_EQ(B->ScrollPos(), Point(0, 25));
}

// ---- Registration -------------------------------------------------------------------------

TEST_F(PanelTest, TheControlsAreFoundByClassName) {
  RegisterStandardControls();
  for (const char* Name : {"TLabel", "TEdit", "TListBox", "TComboBox", "TPanel", "TBevel", "TShape", "TImage",
                           "TScrollBox", "TNotebook", "TPage", "TRichEdit", "TToolBar"})
    EXPECT_NE(GetClass(Name), nullptr) << Name;
  EXPECT_TRUE(GetClass("TRichEdit")->InheritsFrom(TCustomRichEdit::StaticClass()));
  EXPECT_TRUE(GetClass("TRichEdit")->InheritsFrom(TCustomEdit::StaticClass()));
  std::unique_ptr<TObject> Bar(GetClass("TToolBar")->Factory(nullptr));
  EXPECT_TRUE(Bar->Is<TToolBar>());
}

}  // namespace
