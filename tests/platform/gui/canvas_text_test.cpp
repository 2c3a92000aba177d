// Fonts, text output and measuring.
#include "drawing_fixture.h"

class CanvasText : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    Paper.SetSize(200, 60);
    Clear();
    Canvas().Font()->SetName("Tahoma");
    Canvas().Font()->SetColor(clBlack);
  }
  // The smallest rectangle around every non-white pixel.
  TRect Ink() {
    TRect r{Paper.Width(), Paper.Height(), -1, -1};
    for (int y = 0; y < Paper.Height(); ++y)
      for (int x = 0; x < Paper.Width(); ++x)
        if (At(x, y) != clWhite) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r;
  }
  void Transparent() { Canvas().Brush()->SetStyle(bsClear); }
};

TEST_F(CanvasText, WindowsFontsMapToTheirClosestInstalledFamilies) {
  EXPECT_EQ(ResolveFontFamily("Tahoma"), "Tahoma");
  EXPECT_EQ(ResolveFontFamily("MS Sans Serif"), "Tahoma");
  EXPECT_EQ(ResolveFontFamily("Arial"), "Liberation Sans");
  EXPECT_EQ(ResolveFontFamily("Courier New"), "Liberation Mono");
  EXPECT_EQ(ResolveFontFamily("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(ResolveFontFamily("Verdana"), "DejaVu Sans");
  EXPECT_EQ(ResolveFontFamily("Symbol"), "DejaVu Sans");
  EXPECT_EQ(ResolveFontFamily("Unbekannte Schrift"), "DejaVu Sans");
  EXPECT_EQ(ResolveFontFamily("DejaVu Serif"), "DejaVu Serif");
}

TEST_F(CanvasText, ArialKeepsItsOwnAdvanceWidths) {
  // Metric-compatible stand-ins keep the widths the forms were laid out for.
  TFontSpec Spec;
  Spec.Name = "Arial";
  Spec.Height = -2048;
  EXPECT_EQ(GetFontFace(Spec).TextWidth("W"), 1933);
}

TEST_F(CanvasText, SizeAndHeightFollowNinetySixPixelsPerInch) {
  TFont f;
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  f.SetHeight(-16);
  EXPECT_EQ(f.Size(), 12);
}

TEST_F(CanvasText, FontChangesAreReported) {
  TFont f;
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetStyle({fsBold});
  f.SetStyle({fsBold});
  f.SetColor(clRed);
  EXPECT_EQ(changes, 2);
  TFont g;
  g.Assign(&f);
  EXPECT_TRUE(g.Style().Contains(fsBold));
  EXPECT_EQ(g.Color(), clRed);
}

TEST_F(CanvasText, MetricsAddUp) {
  TTextMetric m = Canvas().GetTextMetrics();
  EXPECT_EQ(m.tmHeight, m.tmAscent + m.tmDescent);
  EXPECT_EQ(m.tmInternalLeading, m.tmHeight - 11);
  EXPECT_GT(m.tmAveCharWidth, 0);
  EXPECT_GE(m.tmMaxCharWidth, m.tmAveCharWidth);
  EXPECT_EQ(Canvas().TextHeight("Wg"), m.tmHeight);
}

TEST_F(CanvasText, PositiveHeightIsTheCellHeight) {
  Canvas().Font()->SetHeight(20);
  EXPECT_NEAR(Canvas().GetTextMetrics().tmHeight, 20, 1);
}

// Bold Tahoma's slash is wider than its ink: the ink stands in the middle
// of its advance, so that a bold path shows no gap after each slash.
TEST_F(CanvasText, BoldSlashStandsInTheMiddleOfItsAdvance) {
  Canvas().Font()->SetSize(12);
  Canvas().Font()->SetStyle({fsBold});
  Transparent();
  Canvas().TextOut(10, 10, "/");
  TRect R = Ink();
  Integer Advance = Canvas().TextWidth("/");
  EXPECT_LE(std::abs((R.Left - 10) - (10 + Advance - R.Right)), 1) << R.Left << ".." << R.Right << " of " << Advance;
}

TEST_F(CanvasText, WidthGrowsWithTextAndBoldIsWider) {
  int w1 = Canvas().TextWidth("Mobil"), w2 = Canvas().TextWidth("Mobile Daten");
  EXPECT_EQ(Canvas().TextWidth(""), 0);
  EXPECT_GT(w1, 0);
  EXPECT_GT(w2, w1);
  EXPECT_EQ(Canvas().TextWidth("ab"), Canvas().TextWidth("a") + Canvas().TextWidth("b"));
  Canvas().Font()->SetStyle({fsBold});
  EXPECT_GT(Canvas().TextWidth("Mobile Daten"), w2);
}

TEST_F(CanvasText, UmlautsCountAsOneCharacter) {
  EXPECT_EQ(Canvas().TextFitChars("Größe", 1000), 5);
  EXPECT_GT(Canvas().TextWidth("ö"), 0);
}

TEST_F(CanvasText, FitCharsStopsAtTheWidth) {
  int wa = Canvas().TextWidth("aaa");
  EXPECT_EQ(Canvas().TextFitChars("aaaaaa", wa), 3);
  EXPECT_EQ(Canvas().TextFitChars("aaaaaa", wa - 1), 2);
}

TEST_F(CanvasText, TextOutInksInsideItsExtentAndMovesThePen) {
  Transparent();
  Canvas().TextOut(10, 5, "Hallo");
  TSize size = Canvas().TextExtent("Hallo");
  TRect ink = Ink();
  EXPECT_GE(ink.Left, 10);
  EXPECT_LE(ink.Right, 10 + size.cx + 1);
  EXPECT_GE(ink.Top, 5);
  EXPECT_LE(ink.Bottom, 5 + size.cy);
  EXPECT_EQ(Canvas().PenPos(), Point(10 + size.cx, 5));
  EXPECT_GT(Inked(), 30);
}

TEST_F(CanvasText, OpaqueTextFillsItsCellWithTheBrushColour) {
  Canvas().Brush()->SetColor(clYellow);
  Canvas().TextOut(0, 0, "Ab");
  TSize size = Canvas().TextExtent("Ab");
  EXPECT_EQ(At(size.cx - 1, size.cy - 1), clYellow);
  EXPECT_EQ(At(size.cx, 0), clWhite);
  EXPECT_EQ(Ink(), Rect(0, 0, size.cx, size.cy));
}

TEST_F(CanvasText, SetBkModeTransparentKeepsTheBackground) {
  Canvas().Brush()->SetColor(clYellow);
  Canvas().SetBkMode(TRANSPARENT);
  Canvas().TextOut(0, 0, "Ab");
  EXPECT_EQ(Count(clYellow), 0);
}

TEST_F(CanvasText, UnderlineAddsALineBelowTheBaseline) {
  Transparent();
  Canvas().TextOut(0, 0, "ace");
  int plain = Inked();
  Clear();
  Transparent();
  Canvas().Font()->SetStyle({fsUnderline});
  Canvas().TextOut(0, 0, "ace");
  EXPECT_GE(Inked(), plain + Canvas().TextWidth("ace") - 2);
  int base = Canvas().GetTextMetrics().tmAscent;
  EXPECT_EQ(Row(base + Canvas().GetTextMetrics().UnderlinePos, 0, 3), "###");
}

TEST_F(CanvasText, NonAntialiasedTextHasOnlyTheFontColour) {
  Transparent();
  Canvas().Font()->SetQuality(fqNonAntialiased);
  Canvas().TextOut(0, 0, "Synchronisation");
  EXPECT_EQ(Count(clBlack) + Count(clWhite), Paper.Width() * Paper.Height());
  Clear();
  Transparent();
  Canvas().Font()->SetQuality(fqDefault);
  Canvas().TextOut(0, 0, "Synchronisation");
  EXPECT_GT(Paper.Width() * Paper.Height() - Count(clBlack) - Count(clWhite), 0);
}

TEST_F(CanvasText, TextRectClipsAndFillsTheRectangle) {
  Canvas().Brush()->SetColor(clYellow);
  Canvas().TextRect(Rect(5, 5, 20, 15), 5, 5, "Sehr langer Text");
  EXPECT_EQ(Ink(), Rect(5, 5, 20, 15));
}

TEST_F(CanvasText, TurnedFontRunsUpwardsAndMeasuresUpright) {
  int width = Canvas().TextWidth("Auftrag");
  int height = Canvas().GetTextMetrics().tmHeight;
  Canvas().Font()->SetOrientation(900);
  EXPECT_EQ(Canvas().TextWidth("Auftrag"), width);
  Transparent();
  Canvas().TextOut(20, 55, "Auftrag");
  TRect ink = Ink();
  EXPECT_GE(ink.Left, 19);
  EXPECT_LE(ink.Right, 20 + height + 1);
  EXPECT_LE(ink.Bottom, 56);
  EXPECT_GE(ink.Top, 55 - width - 1);
  EXPECT_GT(ink.Height(), ink.Width());
}
