// The flat button: clicks, hover, toggle groups, glyphs, keys and its
// painting, driven by headless input.
#include <gtest/gtest.h>

#include "look_fixture.h"
#include "platform/gui/backend.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/typinfo.h"
#include "ui/look/TPlainButtonUnit.h"

namespace {

class PlainButtonTest : public LookTest {
 protected:
  void SetUp() override {
    LookTest::SetUp();
    Form = ShownForm();
  }
  // A button captioned Caption at (L, T), 77 x 25, counting its clicks.
  TPlainButton* Button(const String& Caption, int L = 10, int T = 10) {
    auto* B = Put<TPlainButton>(Form, Bounds(L, T, 77, 25));
    B->SetCaption(Caption);
    B->SetTabStop(true);
    B->OnClick = [this](TObject*) { ++Clicks; };
    Pump();
    return B;
  }
  // Presses the left button over B's (X, Y), moves to (MX, MY) and
  // releases there (client coordinates of B).
  void PressMoveRelease(TPlainButton* B, TPoint Press, TPoint Release) {
    TPoint P = B->ClientToScreen(Press), R = B->ClientToScreen(Release);
    TDesktopInput::MouseMove(P);
    TDesktopInput::MouseButton(0, true, P);
    Pump();
    TDesktopInput::MouseMove(R);
    Pump();
    TDesktopInput::MouseButton(0, false, R);
    Pump();
  }
  TBitmap* Strip(int W, int H, std::initializer_list<TColor> Colors) {
    auto* G = new TBitmap();
    Glyphs.emplace_back(G);
    G->SetSize(W, H);
    int I = 0, Each = W / int(Colors.size());
    for (TColor C : Colors) {
      G->Canvas()->Brush()->SetColor(C);
      G->Canvas()->FillRect(Rect(I * Each, 0, (I + 1) * Each, H));
      ++I;
    }
    G->Canvas()->SetPixel(0, H - 1, clWhite);  // the transparent colour
    return G;
  }
  TForm* Form = nullptr;
  int Clicks = 0;
  std::vector<std::unique_ptr<TBitmap>> Glyphs;
};

// ---- Clicks -------------------------------------------------------------------------------

TEST_F(PlainButtonTest, AClickRaisesOnClickAndSetsTheFormsModalResult) {
  TPlainButton* B = Button("Ja");
  B->SetModalResult(mrOk);
  ClickOn(B);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(Form->ModalResult(), mrOk);
}

TEST_F(PlainButtonTest, ReleasingOutsideTheButtonGivesNoClick) {
  TPlainButton* B = Button("Ja");
  PressMoveRelease(B, Point(5, 5), Point(200, 5));
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(B->State(), 0);
  EXPECT_FALSE(B->IsDragging());
}

TEST_F(PlainButtonTest, PressingShowsThePressedStateUntilRelease) {
  TPlainButton* B = Button("Ja");
  TPoint P = B->ClientToScreen(Point(5, 5));
  TDesktopInput::MouseMove(P);
  TDesktopInput::MouseButton(0, true, P);
  Pump();
  EXPECT_EQ(B->State(), 2);
  EXPECT_TRUE(B->IsDragging());
  TDesktopInput::MouseButton(0, false, P);
  Pump();
  EXPECT_EQ(Clicks, 1);
}

TEST_F(PlainButtonTest, OnBeforeClickCanCancelTheClick) {
  TPlainButton* B = Button("Nein");
  B->OnBeforeClick = [](TObject*, bool& Clicked) { Clicked = false; };
  ClickOn(B);
  EXPECT_EQ(Clicks, 0);
}

TEST_F(PlainButtonTest, ADisabledButtonIsNotClickedAndPaintsDisabled) {
  TPlainButton* B = Button("Ja");
  B->SetEnabled(false);
  ClickOn(B);
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(B->State(), 1);
}

// ---- Groups -------------------------------------------------------------------------------

TEST_F(PlainButtonTest, WithoutGroupIndexDownStaysFalse) {
  TPlainButton* B = Button("A");
  B->SetDown(true);
  EXPECT_FALSE(B->Down());
}

TEST_F(PlainButtonTest, GoingDownReleasesTheOtherButtonOfTheGroup) {
  TPlainButton* A = Button("A", 10, 10);
  TPlainButton* B = Button("B", 100, 10);
  A->SetGroupIndex(1);
  B->SetGroupIndex(1);
  A->SetDown(true);
  B->SetDown(true);
  EXPECT_FALSE(A->Down());
  EXPECT_TRUE(B->Down());
  EXPECT_EQ(B->State(), 3);
}

TEST_F(PlainButtonTest, ADownButtonIsReleasedOnlyWithAllowAllUp) {
  TPlainButton* A = Button("A");
  A->SetGroupIndex(1);
  A->SetDown(true);
  A->SetDown(false);
  EXPECT_TRUE(A->Down());
  A->SetAllowAllUp(true);
  A->SetDown(false);
  EXPECT_FALSE(A->Down());
}

TEST_F(PlainButtonTest, ClickingAGroupButtonTogglesIt) {
  TPlainButton* A = Button("A");
  A->SetGroupIndex(2);
  ClickOn(A);
  EXPECT_TRUE(A->Down());
  EXPECT_EQ(Clicks, 1);
}

// ---- Glyphs ---------------------------------------------------------------------------------

TEST_F(PlainButtonTest, AGlyphFourTimesAsWideAsHighHoldsFourImages) {
  TPlainButton* B = Button("G");
  B->SetGlyph(Strip(64, 16, {clRed, clGreen, clBlue, clYellow}));
  EXPECT_EQ(B->NumGlyphs(), 4);
  B->SetGlyph(Strip(96, 16, {clRed}));
  EXPECT_EQ(B->NumGlyphs(), 1);
}

TEST_F(PlainButtonTest, TheGlyphImageFollowsTheState) {
  TPlainButton* B = Button("");
  B->SetBounds(10, 10, 40, 40);
  TBitmap* G = Strip(64, 16, {clRed, clGreen, clBlue, clYellow});
  B->SetGlyph(G);
  Pump();
  TPoint P = B->GlyphPos();
  EXPECT_EQ(PixelOf(B, P.X + 8, P.Y + 4), clRed);
  B->SetEnabled(false);
  Pump();
  EXPECT_EQ(PixelOf(B, P.X + 8, P.Y + 4), clGreen);
}

TEST_F(PlainButtonTest, ASingleGlyphIsGreyedWhenDisabled) {
  TPlainButton* B = Button("");
  B->SetBounds(10, 10, 40, 40);
  TBitmap* G = Strip(16, 16, {clBlue});
  G->Canvas()->Brush()->SetColor(clWhite);
  G->Canvas()->FillRect(Rect(0, 12, 4, 16));  // transparent corner
  B->SetGlyph(G);
  B->SetEnabled(false);
  Pump();
  TPoint P = B->GlyphPos();
  EXPECT_EQ(PixelOf(B, P.X + 8, P.Y + 4), RGB(144, 144, 144));
}

// ---- Captions and painting ---------------------------------------------------------------

TEST_F(PlainButtonTest, ABrTagSplitsTheCaptionOntoTwoLines) {
  TPlainButton* One = Button("Daten");
  TPlainButton* Two = Button("Daten<br>lesen", 100, 10);
  Pump();
  EXPECT_EQ(Two->TextBounds().Height(), 2 * One->TextBounds().Height());
}

TEST_F(PlainButtonTest, TheFaceAndFrameUseTheFlatColours) {
  TPlainButton* B = Button("");
  EXPECT_EQ(B->Color(), clWhite);  // ParentColor: the form's colour
  B->SetColor(TColor(0xE1EAEB));
  Pump();
  EXPECT_EQ(PixelOf(B, 10, 10), TColor(0xE1EAEB));
  EXPECT_EQ(PixelOf(B, 0, 10), TColor(0x8396A0));
  EXPECT_EQ(PixelOf(B, 1, 10), TColor(0xE1EAEB));
  B->SetDefault(true);
  EXPECT_EQ(PixelOf(B, 1, 10), TColor(0x8396A0));  // the default frame is 2 pixels
}

TEST_F(PlainButtonTest, AHoveredButtonShowsTheFocusedColourAndA3DFrame) {
  TPlainButton* B = Button("");
  B->SetColors(0, clYellow);
  MoveOver(B, 10, 10);
  EXPECT_TRUE(B->MouseInControl());
  EXPECT_EQ(TPlainButton::TrackedButton(), B);
  EXPECT_EQ(PixelOf(B, 10, 10), clYellow);
  EXPECT_EQ(PixelOf(B, 0, 10), clWhite);
  EXPECT_EQ(PixelOf(B, 76, 10), clBlack);
}

TEST_F(PlainButtonTest, TheHoverTimerNoticesTheMouseLeaving) {
  TPlainButton* B = Button("");
  MoveOver(B, 10, 10);
  HeadlessMouseMove(5, 5);  // off the form
  Pump();
  Clock->Advance(150);
  Pump();
  EXPECT_FALSE(B->MouseInControl());
  EXPECT_EQ(TPlainButton::TrackedButton(), nullptr);
}

TEST_F(PlainButtonTest, DerivedColoursAreShadesOfTheFace) {
  TPlainButton* B = Button("");
  B->SetParentColor(false);
  B->SetColor(HSLRangeToRGB(0, 0, 120));
  B->SetUseDerivedColors(true);
  EXPECT_EQ(B->GetColor(0), HSLRangeToRGB(0, 0, 100));  // 120 + 10 + 10, capped
  EXPECT_EQ(B->GetColor(1), HSLRangeToRGB(0, 0, 120));  // 120 + 10 - 10
  EXPECT_EQ(B->GetColor(2), HSLRangeToRGB(0, 0, 80));   // 120 + 10 - 50
}

TEST_F(PlainButtonTest, PictureOfAFlatButton) {
  TPlainButton* B = Button("&Weiter");
  B->SetBounds(10, 10, 94, 40);
  B->SetGlyph(Strip(16, 16, {clGreen}));
  B->SetLayout(blGlyphLeft);
  B->SetVKKey("F2");
  Pump();
  HeadlessSavePng(Form->Handle(), PngPath("flatbutton.png"));
  EXPECT_EQ(PixelOf(B, B->GlyphPos().X + 8, B->GlyphPos().Y + 8), clGreen);
}

// ---- Properties -----------------------------------------------------------------------------

TEST_F(PlainButtonTest, MarginAndRoundRefuseValuesOutOfRange) {
  TPlainButton* B = Button("");
  B->SetMargin(-2);
  EXPECT_EQ(B->Margin(), -1);
  B->SetMargin(3);
  EXPECT_EQ(B->Margin(), 3);
  B->SetRound(-5);
  EXPECT_EQ(B->Round(), 0);
  B->SetRound(500);
  EXPECT_EQ(B->Round(), 100);
}

TEST_F(PlainButtonTest, PropertiesAreReachableByName) {
  TPlainButton* B = Button("");
  SetPropValue(B, "ColorDown", "clRed");
  SetPropValue(B, "Layout", "blGlyphLeft");
  SetPropValue(B, "TransparentMode", "tmAlways");
  EXPECT_EQ(B->GetColor(1), clRed);
  EXPECT_EQ(B->Layout(), blGlyphLeft);
  EXPECT_EQ(B->TransparentMode(), tmAlways);
  EXPECT_EQ(GetPropValue(B, "Spacing"), "4");
  EXPECT_NE(FindClass("TPlainButton"), nullptr);
}

}  // namespace

namespace {

TEST_F(PlainButtonTest, TransparentModeAlwaysShowsTheParentsPicture) {
  Form->OnPaint = [this](TObject*) {
    Form->Canvas()->Brush()->SetColor(clRed);
    Form->Canvas()->FillRect(Rect(10, 10, 40, 40));
  };
  TPlainButton* B = Button("");
  B->SetTransparentMode(tmAlways);
  Pump();
  EXPECT_EQ(PixelOf(B, 10, 10), clRed);
  EXPECT_EQ(PixelOf(B, 50, 10), clWhite);
}

TEST_F(PlainButtonTest, NotFocusedModeFillsTheFaceOnlyWhileHovered) {
  Form->OnPaint = [this](TObject*) {
    Form->Canvas()->Brush()->SetColor(clRed);
    Form->Canvas()->FillRect(Rect(0, 0, 300, 200));
  };
  TPlainButton* B = Button("");
  B->SetColors(0, clYellow);
  B->SetTransparentMode(tmNotFocused);
  Pump();
  EXPECT_EQ(PixelOf(B, 10, 10), clRed);
  MoveOver(B, 10, 10);
  EXPECT_EQ(PixelOf(B, 10, 10), clYellow);
}

TEST_F(PlainButtonTest, ADoubleClickIsReportedOnlyOnADownButton) {
  TPlainButton* B = Button("");
  int Doubles = 0;
  B->OnDblClick = [&](TObject*) { ++Doubles; };
  TPoint P = B->ClientToScreen(Point(5, 5));
  HeadlessDoubleClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(Doubles, 0);
  B->SetGroupIndex(1);
  B->SetDown(true);
  HeadlessDoubleClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(Doubles, 1);
}

TEST_F(PlainButtonTest, DerivedColoursFollowTheParentsColour) {
  TPlainButton* B = Button("");
  B->SetUseDerivedColors(true);
  Form->SetColor(HSLRangeToRGB(0, 0, 120));
  Pump();
  EXPECT_EQ(B->Color(), HSLRangeToRGB(0, 0, 120));
  EXPECT_EQ(B->GetColor(2), HSLRangeToRGB(0, 0, 80));
}

}  // namespace

namespace {

TEST(PlainButtonClass, TheFlatColourIsTheDeclaredDefaultOfColor) {
  PPropInfo P = GetPropInfo(TPlainButton::StaticClass(), "Color");
  ASSERT_NE(P, nullptr);
  ASSERT_TRUE(P->Default.has_value());
  EXPECT_EQ(std::get<Int64>(*P->Default), Int64(0xE1EAEB));
  EXPECT_NE(GetPropInfo(TPlainButton::StaticClass(), "OnSelectNext"), nullptr);
}

}  // namespace
