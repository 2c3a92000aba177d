// The flat edit box: its three-pixel frame, the focused and plain colours
// and the height that follows the font.
#include <gtest/gtest.h>

#include "look_fixture.h"
#include "ui/look/TPlainEditUnit.h"

namespace {

class PlainEditTest : public LookTest {
 protected:
  void SetUp() override {
    LookTest::SetUp();
    Form = ShownForm();
    A = Put<TPlainEdit>(Form, Bounds(20, 20, 120, 19));
    B = Put<TPlainEdit>(Form, Bounds(20, 60, 120, 19));
    Other = Put<TEdit>(Form, Bounds(20, 100, 120, 21));
    Pump();
  }
  TColor Border(TPlainEdit* E) { return PixelOf(E, -3, -3); }
  TColor Inner(TPlainEdit* E) { return PixelOf(E, -1, -1); }
  TForm* Form = nullptr;
  TPlainEdit *A = nullptr, *B = nullptr;
  TEdit* Other = nullptr;
};

TEST_F(PlainEditTest, TheFrameIsOneBorderLineAndTwoInnerLines) {
  EXPECT_EQ(A->ColorPlain(), clWhite);  // the form's colour, through ParentColor
  A->SetColorPlain(RGB(0xEB, 0xEA, 0xE1));
  Pump();
  EXPECT_EQ(Border(A), ColorValue(0x8396A0));
  EXPECT_EQ(PixelOf(A, -2, -2), RGB(0xEB, 0xEA, 0xE1));
  EXPECT_EQ(Inner(A), RGB(0xEB, 0xEA, 0xE1));
  EXPECT_FALSE(A->PlainParentColor());
  A->SetFocus();
  Pump();
  EXPECT_EQ(Inner(A), clWhite);
  EXPECT_EQ(A->Color(), clWhite);
}

TEST_F(PlainEditTest, TheMouseHighlightsOnlyWhileNoOtherPlainEditIsActive) {
  A->SetColorPlain(clSilver);
  B->SetColorPlain(clSilver);
  Other->SetFocus();
  Pump();
  MoveOver(A, 5, 5);
  EXPECT_TRUE(A->MouseInControl());
  EXPECT_EQ(Inner(A), clWhite);
  B->SetFocus();
  Pump();
  MoveOver(A, 6, 6);
  EXPECT_EQ(A->InnerColor(), clSilver);
  A->SetFocus();
  Pump();
  B->SetFocus();  // A loses the focus with the mouse still over it
  Pump();
  EXPECT_TRUE(A->MouseInControl());
  MoveOver(Form, 300, 200);
  EXPECT_FALSE(A->MouseInControl());
  EXPECT_EQ(Inner(A), clSilver);
}

TEST_F(PlainEditTest, DerivedColoursFollowThePlainColour) {
  A->SetColorPlain(RGB(200, 210, 220));
  A->SetUseDerivedColors(true);
  EXPECT_TRUE(A->PlainParentColor());
  // The form's white at lightness 240 + 10 - 50 of 240: 255 * 200 / 240.
  EXPECT_EQ(ColorToRGB(A->ColorBorder()), RGB(212, 212, 212));
  A->Font()->SetHeight(-20);
  EXPECT_EQ(A->Height(), TextLineHeight(A->Font()) + 6);
}

}  // namespace
