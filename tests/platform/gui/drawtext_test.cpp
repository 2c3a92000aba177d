// DrawText: measuring, alignment, word breaks, prefixes, ellipses, tabs.
#include "drawing_fixture.h"

class DrawTextTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    Paper.SetSize(200, 80);
    Clear();
    Canvas().Font()->SetName("MS Sans Serif");
    Canvas().Font()->SetColor(clBlack);
    Canvas().Brush()->SetStyle(bsClear);
  }
  TRect Measure(const String& Text, Cardinal Flags, int Width = 1000) {
    TRect r = Rect(0, 0, Width, 0);
    DrawText(Canvas(), Text, r, Flags | DT_CALCRECT);
    return r;
  }
  int LineHeight() { return Canvas().GetTextMetrics().tmHeight; }
  // The leftmost and rightmost inked columns.
  std::pair<int, int> InkColumns() {
    int l = Paper.Width(), r = -1;
    for (int y = 0; y < Paper.Height(); ++y)
      for (int x = 0; x < Paper.Width(); ++x)
        if (At(x, y) != clWhite) { l = std::min(l, x); r = std::max(r, x); }
    return {l, r};
  }
  int InkTop() {
    for (int y = 0; y < Paper.Height(); ++y)
      for (int x = 0; x < Paper.Width(); ++x)
        if (At(x, y) != clWhite) return y;
    return -1;
  }
};

TEST_F(DrawTextTest, CalcRectOfOneLineIsItsExtent) {
  TRect r = Measure("Installation", DT_SINGLELINE);
  EXPECT_EQ(r.Width(), Canvas().TextWidth("Installation"));
  EXPECT_EQ(r.Height(), LineHeight());
}

TEST_F(DrawTextTest, CalcRectCountsLineBreaks) {
  TRect r = Measure("eins\r\nzwei\ndrei", DT_LEFT);
  EXPECT_EQ(r.Height(), 3 * LineHeight());
  EXPECT_EQ(r.Width(), Canvas().TextWidth("eins") > Canvas().TextWidth("zwei")
                           ? std::max(Canvas().TextWidth("eins"), Canvas().TextWidth("drei"))
                           : std::max(Canvas().TextWidth("zwei"), Canvas().TextWidth("drei")));
  EXPECT_EQ(Measure("eins\r\nzwei", DT_SINGLELINE).Height(), LineHeight());
}

TEST_F(DrawTextTest, WordBreakWrapsAtSpacesWithinTheWidth) {
  String text = "Die mobile Installation wird synchronisiert";
  int width = Canvas().TextWidth("Die mobile Installation");
  TRect r = Measure(text, DT_WORDBREAK, width);
  EXPECT_EQ(r.Height(), 2 * LineHeight());
  EXPECT_LE(r.Width(), width);
  EXPECT_EQ(r.Width(), std::max(Canvas().TextWidth("Die mobile Installation"),
                                Canvas().TextWidth("wird synchronisiert")));
}

TEST_F(DrawTextTest, LongWordStaysWholeUnlessEditControl) {
  int width = Canvas().TextWidth("Daten");
  TRect whole = Measure("Synchronisation", DT_WORDBREAK, width);
  EXPECT_EQ(whole.Height(), LineHeight());
  EXPECT_GT(whole.Width(), width);
  TRect cut = Measure("Synchronisation", DT_WORDBREAK | DT_EDITCONTROL, width);
  EXPECT_GT(cut.Height(), LineHeight());
  EXPECT_LE(cut.Width(), width);
}

TEST_F(DrawTextTest, PrefixIsHiddenAndUnderlinesTheNextLetter) {
  EXPECT_EQ(Measure("&Datei", DT_SINGLELINE).Width(), Canvas().TextWidth("Datei"));
  EXPECT_EQ(Measure("A&&B", DT_SINGLELINE).Width(), Canvas().TextWidth("A&B"));
  EXPECT_EQ(Measure("&Datei", DT_SINGLELINE | DT_NOPREFIX).Width(), Canvas().TextWidth("&Datei"));
  TRect r = Rect(0, 0, 200, 40);
  DrawText(Canvas(), "Datei", r, DT_SINGLELINE);
  int plain = Inked();
  Clear();
  Canvas().Brush()->SetStyle(bsClear);
  DrawText(Canvas(), "&Datei", r, DT_SINGLELINE);
  EXPECT_GT(Inked(), plain);
}

TEST_F(DrawTextTest, HorizontalAlignment) {
  TRect r = Rect(0, 0, 200, 30);
  DrawText(Canvas(), "OK", r, DT_SINGLELINE | DT_RIGHT);
  EXPECT_GE(InkColumns().second, 200 - 3);
  EXPECT_GE(InkColumns().first, 200 - Canvas().TextWidth("OK"));
  Clear();
  Canvas().Brush()->SetStyle(bsClear);
  DrawText(Canvas(), "OK", r, DT_SINGLELINE | DT_CENTER);
  auto [l, rr] = InkColumns();
  EXPECT_NEAR((l + rr) / 2.0, 100, 3);
}

TEST_F(DrawTextTest, VerticalCentreAndBottomForSingleLines) {
  TRect r = Rect(0, 0, 200, 80);
  int h = LineHeight();
  DrawText(Canvas(), "x", r, DT_SINGLELINE | DT_VCENTER);
  int centred = InkTop();
  EXPECT_GE(centred, (80 - h) / 2);
  EXPECT_LT(centred, (80 - h) / 2 + h);
  Clear();
  Canvas().Brush()->SetStyle(bsClear);
  DrawText(Canvas(), "x", r, DT_SINGLELINE | DT_BOTTOM);
  EXPECT_GE(InkTop(), 80 - h);
}

TEST_F(DrawTextTest, EndEllipsisShortensToTheWidth) {
  int width = Canvas().TextWidth("Synchron");
  TRect r = Measure("Synchronisation der Daten", DT_SINGLELINE | DT_END_ELLIPSIS, width);
  EXPECT_LE(r.Width(), width);
  EXPECT_GT(r.Width(), Canvas().TextWidth("..."));
  TRect box = Rect(0, 0, width, 20);
  DrawText(Canvas(), "Synchronisation der Daten", box, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_LT(InkColumns().second, width);
}

TEST_F(DrawTextTest, PathEllipsisKeepsTheFileName) {
  String path = "/home/office/daten/mobil/auftraege/ZUVID.INI";
  int width = Canvas().TextWidth(".../ZUVID.INI") + 30;
  TRect r = Measure(path, DT_SINGLELINE | DT_PATH_ELLIPSIS, width);
  EXPECT_LE(r.Width(), width);
  EXPECT_GE(r.Width(), Canvas().TextWidth(".../ZUVID.INI"));
}

TEST_F(DrawTextTest, TabsExpandToEightAverageCharacters) {
  int tab = 8 * Canvas().GetTextMetrics().tmAveCharWidth;
  TRect r = Measure("a\tb", DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(r.Width(), tab + Canvas().TextWidth("b"));
}

TEST_F(DrawTextTest, ClipsToTheRectangleUnlessNoClip) {
  TRect r = Rect(0, 0, 10, 30);
  DrawText(Canvas(), "Breiter Text", r, DT_SINGLELINE);
  EXPECT_LT(InkColumns().second, 10);
  Clear();
  Canvas().Brush()->SetStyle(bsClear);
  DrawText(Canvas(), "Breiter Text", r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(InkColumns().second, 10);
}

TEST_F(DrawTextTest, ReturnsTheTextHeightAndKeepsThePen) {
  Canvas().MoveTo(3, 4);
  TRect r = Rect(0, 0, 200, 80);
  EXPECT_EQ(DrawText(Canvas(), "a\nb", r, 0), 2 * LineHeight());
  EXPECT_EQ(Canvas().PenPos(), Point(3, 4));
}

TEST_F(DrawTextTest, CountLimitsTheCharacters) {
  TRect r = Rect(0, 0, 1000, 0);
  DrawText(Canvas(), "Größe", 3, r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.Width(), Canvas().TextWidth("Grö"));
}

TEST_F(DrawTextTest, EditControlLeavesOutALastLineThatWouldShowOnlyInPart) {
  String text = "Lesen und Schreiben aller Daten";
  int width = Canvas().TextWidth("Lesen und");
  TRect r = Rect(0, 0, width, LineHeight() + 5);
  DrawText(Canvas(), text, r, DT_WORDBREAK | DT_EDITCONTROL);
  for (int x = 0; x < Paper.Width(); ++x)
    for (int y = LineHeight(); y < Paper.Height(); ++y) ASSERT_EQ(At(x, y), clWhite) << x << "," << y;
  EXPECT_GE(InkTop(), 0) << "the first line shows";
  Clear();
  r = Rect(0, 0, width, LineHeight() + 5);
  DrawText(Canvas(), text, r, DT_WORDBREAK);
  bool Peeks = false;
  for (int x = 0; x < Paper.Width(); ++x)
    for (int y = LineHeight(); y < LineHeight() + 5; ++y) Peeks |= At(x, y) != clWhite;
  EXPECT_TRUE(Peeks) << "without DT_EDITCONTROL the cut line shows its top";
}
