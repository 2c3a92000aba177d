// The edit drawing tools: dates, numbers, screen fitting, the rubber
// frame, bitmaps, button frames, styled text and the drop-marker arrows.
#include "ui/controls/IEditTools.h"

#include "platform/gui/forms_fixture.h"
#include "platform/rtl/formatsettings.h"

namespace {

class EditToolsTest : public FormsTest {
 protected:
  void TearDown() override {
    ResetFormatSettings();
    FormsTest::TearDown();
  }
  String Reformat(const String& Text, Integer Mode = 0) {
    String Result = "unchanged";
    ReformatDate(Text, Result, Mode);
    return Result;
  }
  // A white bitmap of W x H with a canvas.
  static std::unique_ptr<TBitmap> Paper(Integer W, Integer H, TColor Fill = clWhite) {
    auto B = std::make_unique<TBitmap>();
    B->SetPixelFormat(pf24bit);
    B->SetSize(W, H);
    B->Canvas()->Brush()->SetColor(Fill);
    B->Canvas()->FillRect(Rect(0, 0, W, H));
    return B;
  }
  static TColorRef At(TBitmap& B, Integer X, Integer Y) { return B.PixelSurface().Get(X, Y); }
  static std::vector<TColorRef> Pixels(TBitmap& B) {
    std::vector<TColorRef> P;
    for (Integer Y = 0; Y < B.Height(); ++Y)
      for (Integer X = 0; X < B.Width(); ++X) P.push_back(At(B, X, Y));
    return P;
  }
  TRect Measure(const String& Text, Cardinal Flags = 0, Integer Width = 1000) {
    auto B = Paper(10, 10);
    TRect R = Rect(0, 0, Width, 1000);
    return DrawStyledText(B->Canvas(), Text, R, nullptr, Flags, false);
  }
};

TEST_F(EditToolsTest, ReformatDateWidensYearsAndPadsParts) {
  EXPECT_EQ(Reformat("1.2.3"), "01.02.2003");
  EXPECT_EQ(Reformat("1.2.123"), "01.02.2123");
  EXPECT_EQ(Reformat("24 12 75"), "24.12.1975");
  EXPECT_EQ(Reformat("29.2.2000"), "29.02.2000");
  EXPECT_EQ(Reformat("5-6-1999 7:8:9", 1), "05.06.1999 07:08:09");
  EXPECT_EQ(Reformat("5-6-1999 7:8:9", 2), "05.06.1999");
  DateSeparator = '/';
  EXPECT_EQ(Reformat("1.2.3"), "01/02/2003");
}

TEST_F(EditToolsTest, ReformatDateRefusesImpossibleDatesAndLeavesResult) {
  EXPECT_EQ(Reformat("31.2.2004"), "unchanged");
  EXPECT_EQ(Reformat("29.2.1900"), "unchanged");
  EXPECT_EQ(Reformat("1.2"), "unchanged");
  EXPECT_EQ(Reformat("0.1.2000"), "unchanged");
  EXPECT_EQ(Reformat("1.13.2000"), "unchanged");
  EXPECT_EQ(Reformat("1.2.3.4.5.6.7.8"), "unchanged");
  EXPECT_EQ(Reformat("99999999999999999999.1.2000"), "unchanged");
  EXPECT_EQ(Reformat(""), "unchanged");
}

TEST_F(EditToolsTest, ParseDatePartsTakesASeventhNumberOnlyAtTheEnd) {
  TDateParts P;
  EXPECT_TRUE(ParseDateParts("1.2.2003 4:5:6 7", P));
  EXPECT_EQ(P.Second, 6);
  EXPECT_FALSE(ParseDateParts("1.2.2003 4:5:6 7 ", P));
  EXPECT_EQ(DaysInMonth(2004, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2004, 13), 0);
}

TEST_F(EditToolsTest, NumberKindTellsIntegersDecimalsAndExponents) {
  Integer Digits, Decimals;
  EXPECT_EQ(NumberKind("-123", Digits, Decimals), 1);
  EXPECT_EQ(Digits, 4);
  EXPECT_EQ(NumberKind("1,25", Digits, Decimals), 4);
  EXPECT_EQ(NumberKind("1,255", Digits, Decimals), 2);
  EXPECT_EQ(Decimals, 3);
  EXPECT_EQ(NumberKind("1,5e-2", Digits, Decimals), 3);
  EXPECT_EQ(Decimals, 3);
  EXPECT_EQ(NumberKind("12a", Digits, Decimals), 0);
  EXPECT_EQ(NumberKind("", Digits, Decimals), 0);
  EXPECT_EQ(NumberKind("1e", Digits, Decimals), 0);
  EXPECT_TRUE(IsInteger("42"));
  EXPECT_FALSE(IsInteger("4,2"));
  EXPECT_TRUE(IsNumber("4,2e3"));
  EXPECT_TRUE(IsNumberWithDecimals("1,234", 3));
  EXPECT_FALSE(IsNumberWithDecimals("1,2345", 3));
  EXPECT_TRUE(IsNumberWithDecimals("1,2345", -1));
}

TEST_F(EditToolsTest, RubberFrameDrawnTwiceLeavesThePixels) {
  auto B = Paper(60, 40);
  B->Canvas()->Brush()->SetColor(clRed);
  B->Canvas()->FillRect(Rect(10, 10, 30, 30));
  auto Before = Pixels(*B);
  TRect R = Rect(5, 5, 50, 35);
  DrawRubberFrame(B->Canvas(), nullptr, &R, 2);
  EXPECT_NE(At(*B, 5, 5), 0xFFFFFFu);
  EXPECT_EQ(At(*B, 8, 8), 0xFFFFFFu);  // inside the frame: untouched
  TRect Moved = Rect(7, 6, 52, 36);
  DrawRubberFrame(B->Canvas(), &R, &Moved, 2);
  DrawRubberFrame(B->Canvas(), &Moved, nullptr, 2);
  EXPECT_EQ(Pixels(*B), Before);
}

TEST_F(EditToolsTest, FitToScreenFlipsAtTheEdges) {
  HeadlessSetMonitors({MonitorInfo(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600), true),
                       MonitorInfo(Rect(800, 0, 1600, 600), Rect(800, 0, 1600, 600), false)});
  TPoint P{100, 100};
  EXPECT_EQ(FitToScreen(P, 50, 50, {0, 0}), 0);
  EXPECT_EQ(P, (TPoint{100, 100}));
  P = {100, 580};
  EXPECT_EQ(FitToScreen(P, 50, 50, {0, 20}), 1);
  EXPECT_EQ(P.Y, 600 - 50 - 20);
  P = {1580, 580};
  EXPECT_EQ(FitToScreen(P, 50, 50, {10, 0}), 3);
  EXPECT_EQ(P.X, 1600 - 50 - 10);
  P = {-30, -5};
  EXPECT_EQ(FitToScreen(P, 50, 50, {0, 0}), 0);
  EXPECT_EQ(P, (TPoint{0, 0}));
}

TEST_F(EditToolsTest, GreyBitmapMapsBlackAndWhiteToItsGreyLevels) {
  auto Black = Paper(4, 4, clBlack);
  auto White = Paper(4, 4, clWhite);
  TBitmap Out;
  GreyBitmap(Black.get(), &Out, 0, clFuchsia);
  EXPECT_EQ(At(Out, 1, 1), 0x424242u);
  GreyBitmap(White.get(), &Out, 0, clFuchsia);
  EXPECT_EQ(At(Out, 1, 1), 0xBDBDBDu);
  GreyBitmap(White.get(), &Out, 0, clWhite);  // transparent colour stays
  EXPECT_EQ(At(Out, 1, 1), 0xFFFFFFu);
}

TEST_F(EditToolsTest, FadeBitmapFadesEveryOtherPixel) {
  auto Black = Paper(4, 4, clBlack);
  TBitmap Out;
  FadeBitmap(Black.get(), &Out, clFuchsia, 40);
  EXPECT_EQ(At(Out, 0, 0), 0x666666u);
  EXPECT_EQ(At(Out, 1, 0), 0x000000u);
  EXPECT_EQ(At(Out, 1, 1), 0x666666u);
}

TEST_F(EditToolsTest, GradientFillRunsFromOneColourToTheOther) {
  auto B = Paper(10, 20);
  GradientFill(B->Canvas(), clBlack, clWhite, gdVertical, Rect(0, 0, 10, 20), 20);
  EXPECT_EQ(At(*B, 5, 0), 0x000000u);
  EXPECT_EQ(At(*B, 5, 19), 0xFFFFFFu);
  EXPECT_LT(GetRValue(At(*B, 5, 9)), GetRValue(At(*B, 5, 10)));
}

TEST_F(EditToolsTest, ButtonFrameStylesDrawTheirEdges) {
  auto B = Paper(20, 20, clBtnFace);
  DrawButtonFrame(B->Canvas(), Rect(0, 0, 20, 20), 2, clBlack, false);
  EXPECT_EQ(At(*B, 0, 0), 0x000000u);
  EXPECT_EQ(At(*B, 19, 10), 0x000000u);
  EXPECT_EQ(At(*B, 18, 10), 0xC0C0C0u);  // the silver line inside the right edge
  auto S = Paper(20, 20, clBtnFace);
  DrawButtonFrame(S->Canvas(), Rect(0, 0, 20, 20), 1, clBtnFace, false);
  EXPECT_EQ(At(*S, 0, 5), ColorToRGB(clBtnHighlight));
  DrawButtonFrame(S->Canvas(), Rect(0, 0, 20, 20), 1, clBtnFace, true);
  EXPECT_EQ(At(*S, 0, 5), ColorToRGB(clBtnShadow));
}

TEST_F(EditToolsTest, StyledTextMeasuresLinesAndCodes) {
  TRect One = Measure("Hallo");
  ASSERT_GT(One.Width(), 0);
  EXPECT_EQ(Measure("Hallo\r\nHallo").Height(), 2 * One.Height());
  EXPECT_EQ(Measure("Hallo/#Hallo").Height(), 2 * One.Height());
  EXPECT_EQ(Measure("Hallo/#Hallo", dsNoCodes).Height(), One.Height());
  EXPECT_GT(Measure("/bHallo").Width(), One.Width());
  EXPECT_EQ(Measure("/bHal/b0lo").Height(), One.Height());
  EXPECT_GT(Measure("/s{+6}Hallo").Height(), One.Height());
  EXPECT_EQ(Measure("/c{clRed}Hallo").Width(), One.Width());
  EXPECT_GT(Measure("/xHallo").Width(), One.Width());  // unknown: drawn as text
  EXPECT_EQ(Measure("/{/b/}Hallo").Width(), Measure("/bHallo", dsNoCodes).Width());
  EXPECT_EQ(Measure("Hallo/ow{10}").Width(), One.Width() + 10);
}

TEST_F(EditToolsTest, StyledTextWrapsWordsInsideTheRectangle) {
  TRect Word = Measure("Wort");
  TRect Wrapped = Measure("Wort Wort Wort", dsWordBreak, Word.Width() + 5);
  EXPECT_EQ(Wrapped.Height(), 3 * Word.Height());
  EXPECT_LE(Wrapped.Width(), Word.Width() + 5);
}

TEST_F(EditToolsTest, StyledTextDrawsInItsColourAndKeepsTheCanvasFont) {
  auto B = Paper(100, 30);
  B->Canvas()->Font()->SetColor(clBlack);
  TRect R = Rect(0, 0, 100, 30);
  DrawStyledText(B->Canvas(), "/c{clRed}/bWWW", R, nullptr, 0, true);
  bool Red = false;
  for (TColorRef C : Pixels(*B)) Red |= GetRValue(C) > 200 && GetGValue(C) < 80;
  EXPECT_TRUE(Red);
  EXPECT_EQ(B->Canvas()->Font()->Color(), clBlack);
  EXPECT_FALSE(B->Canvas()->Font()->Style().Contains(fsBold));
}

// A line cut at the right edge ends in "..." within the rectangle;
// centred lines sit in its middle, each by its own width.
TEST_F(EditToolsTest, StyledTextEndsCutTextInAnEllipsisAndCentresLines) {
  Integer Room = Measure("Keine Daten vorhanden").Width() / 2;
  TRect Cut = Measure("Keine Daten vorhanden", dsEndEllipsis, Room);
  EXPECT_LE(Cut.Width(), Room);
  EXPECT_GT(Cut.Width(), Measure("...").Width());
  auto B = Paper(200, 40);
  TRect R = Rect(0, 0, 200, 40);
  DrawStyledText(B->Canvas(), "WW\r\nWWWW", R, nullptr, dsCenter, true);
  Integer LineH = Measure("W").Height();
  for (Integer Line = 0; Line < 2; ++Line) {
    Integer Left = 200, Right = -1;
    for (Integer Y = Line * LineH; Y < (Line + 1) * LineH; ++Y)
      for (Integer X = 0; X < 200; ++X)
        if (At(*B, X, Y) != RGB(255, 255, 255)) Left = std::min(Left, X), Right = std::max(Right, X);
    EXPECT_NEAR(Left + Right, 200, 4) << "line " << Line;
  }
}

TEST_F(EditToolsTest, DropMarkerShowsArrowsOnlyForAnotherValidTarget) {
  TForm* F = NewPlainForm();
  TArrowWindows Arrows{};
  CreateArrows(Arrows, F);
  for (Integer i = 0; i < 4; ++i) ASSERT_EQ(Arrows[i]->ArrowKind(), i);
  ShowDropMarker(1, 2, 5, Rect(100, 200, 300, 220), Arrows);
  Pump();
  EXPECT_TRUE(Arrows[2]->Visible());
  EXPECT_TRUE(Arrows[3]->Visible());
  EXPECT_FALSE(Arrows[0]->Visible());
  EXPECT_EQ(Arrows[2]->Left(), 92);
  EXPECT_EQ(Arrows[3]->Left(), 298);
  EXPECT_TRUE(IsWindowVisible(Arrows[2]->Handle()));
  ShowDropMarker(2, 1, 3, Rect(100, 200, 150, 220), Arrows);
  EXPECT_TRUE(Arrows[1]->Visible());
  EXPECT_FALSE(Arrows[2]->Visible());
  EXPECT_EQ(Arrows[1]->Top(), 192);
  ShowDropMarker(2, 3, 3, Rect(100, 200, 150, 220), Arrows);
  EXPECT_FALSE(Arrows[1]->Visible());
  EXPECT_FALSE(Arrows[0]->Visible());
}

TEST_F(EditToolsTest, ArrowWindowIsShapedByItsSevenPoints) {
  TForm* F = NewPlainForm();
  auto* A = new TArrowWindow(F, 0);
  A->SetBounds(300, 300, A->Width(), A->Height());
  A->Show();
  Pump();
  TPixelSurface S = HeadlessSurface(A->Handle());
  ASSERT_TRUE(S.Valid());
  EXPECT_EQ(S.Get(5, 3), 0x0000FFu);  // inside the arrow head: red
  EXPECT_EQ(TArrowWindow::ArrowSize(0), (TSize{11, 10}));
  EXPECT_EQ(WindowFromPoint({300, 308}), nullptr);  // bottom-left corner lies outside the shape
}

}  // namespace
