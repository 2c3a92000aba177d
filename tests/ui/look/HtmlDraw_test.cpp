// The mark-up renderer, headless: colours, sizes, entities, line breaks,
// links and pictures, measured and drawn into a bitmap.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/gui/comctrls_imagelist.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/streams.h"
#include "ui/look/HtmlDraw.h"
#include "ui/look/PictureStore.h"

namespace {

class HtmlDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Paper.SetSize(300, 120);
    Paper.Canvas()->Brush()->SetColor(clWhite);
    Paper.Canvas()->FillRect(Rect(0, 0, 300, 120));
    Paper.Canvas()->Font()->SetName("Tahoma");
    Paper.Canvas()->Font()->SetHeight(-11);
  }
  // Draws Text (or only measures it) and returns what the renderer found.
  THtmlDrawResult Draw(const String& Text, bool MeasureOnly = false, TPoint Mouse = Point(-1, -1),
                       TRect Area = Rect(0, 0, 300, 120)) {
    THtmlDrawParams P;
    P.Canvas = Paper.Canvas();
    P.Text = Text;
    P.Rect = Area;
    P.MeasureOnly = MeasureOnly;
    P.MouseX = Mouse.X;
    P.MouseY = Mouse.Y;
    P.Images = Images;
    THtmlDrawResult R;
    HtmlDraw(P, R);
    return R;
  }
  THtmlDrawResult Measure(const String& Text) { return Draw(Text, true); }
  // Draws with the parameters Change sets.
  THtmlDrawResult DrawWith(const String& Text, const std::function<void(THtmlDrawParams&)>& Change) {
    THtmlDrawParams P;
    P.Canvas = Paper.Canvas();
    P.Text = Text;
    P.Rect = Rect(0, 0, 300, 120);
    P.Images = Images;
    Change(P);
    THtmlDrawResult R;
    HtmlDraw(P, R);
    return R;
  }
  // True when some pixel of R on the paper has Colour (or, with Other,
  // another colour).
  bool Shows(const TRect& R, TColor Colour, bool Other = false) {
    for (int Y = R.Top; Y < R.Bottom; ++Y)
      for (int X = R.Left; X < R.Right; ++X)
        if ((Paper.PixelSurface().Get(X, Y) == ColorToRGB(Colour)) != Other) return true;
    return false;
  }
  Integer Gh() { return Paper.Canvas()->TextHeight("gh"); }
  // Pixels inked mostly in Colour's channel (R, G or B of a pure colour),
  // antialiased edges included.
  int Count(TColor Colour) {
    int N = 0;
    auto Channel = [](TColorRef C, int I) { return int((C >> (8 * I)) & 0xFF); };
    int Main = Channel(Colour, 0) ? 0 : Channel(Colour, 1) ? 1 : 2;
    for (int Y = 0; Y < Paper.Height(); ++Y)
      for (int X = 0; X < Paper.Width(); ++X) {
        TColorRef P = Paper.PixelSurface().Get(X, Y);
        bool Inked = Channel(P, Main) > 150;
        for (int I = 0; I < 3; ++I)
          if (I != Main && Channel(P, I) > Channel(P, Main) - 100) Inked = false;
        N += Inked;
      }
    return N;
  }
  TBitmap Paper;
  TCustomImageList* Images = nullptr;
};

TEST(HtmlColors, HexAndNamesInAnyLetterCase) {
  EXPECT_EQ(HtmlColorToColor("#ff0000"), RGB(255, 0, 0));
  EXPECT_EQ(HtmlColorToColor("#FF0000"), RGB(255, 0, 0));
  EXPECT_EQ(HtmlColorToColor("#0080Fe"), RGB(0, 128, 254));
  EXPECT_EQ(ColorNameToColor("clred"), RGB(255, 0, 0));
  EXPECT_EQ(ColorNameToColor("CLRED"), RGB(255, 0, 0));
  EXPECT_EQ(ColorNameToColor("clBtnFace"), clBtnFace);
  EXPECT_EQ(ColorNameToColor("clRosa"), clBlack);
}

TEST(HtmlHelpers, CaseInsensitiveSearchAndLineBreaks) {
  EXPECT_EQ(PosNoCase("<br>", "a<BR>b"), 1u);
  String S = "x FILE://a file://b";
  EXPECT_TRUE(ReplaceFirstNoCase(S, "file://", ""));
  EXPECT_EQ(S, "x a file://b");
  EXPECT_EQ(CrToBr("a\r\nb\nc"), "a<BR>bc");
}

TEST_F(HtmlDrawTest, FontColoursByNameAndHexAreDrawn) {
  Draw("<FONT color=\"#FF0000\">Rot</FONT> <FONT color=\"clBlue\">Blau</FONT>");
  EXPECT_GT(Count(RGB(255, 0, 0)), 5);
  EXPECT_GT(Count(RGB(0, 0, 255)), 5);
}

TEST_F(HtmlDrawTest, SizeNumbersOneToFiveArePresetsOthersArePoints) {
  TFont Twelve, Twenty;
  Twelve.SetName("Tahoma");
  Twelve.SetSize(12);
  Twenty.SetName("Tahoma");
  Twenty.SetSize(20);
  TBitmap B;
  B.SetSize(1, 1);
  B.Canvas()->SetFont(&Twelve);
  Integer H12 = B.Canvas()->TextHeight("Text");
  B.Canvas()->SetFont(&Twenty);
  Integer H20 = B.Canvas()->TextHeight("Text");
  EXPECT_EQ(Measure("<FONT size=\"3\">Text</FONT>").Height, H12);
  EXPECT_EQ(Measure("<FONT size=\"20\">Text</FONT>").Height, H20);
  EXPECT_EQ(Paper.Canvas()->Font()->Height(), -11);  // the canvas font comes back
}

TEST_F(HtmlDrawTest, CrBreaksALineButLfAloneDoesNot) {
  EXPECT_EQ(Measure("eins\rzwei").Height, 2 * Gh());
  EXPECT_EQ(Measure("eins\nzwei").Height, Gh());
  EXPECT_EQ(Measure("eins<br>zwei<BR>drei").Height, 3 * Gh());
}

TEST_F(HtmlDrawTest, EscapedTagsShowLiterallyAndDoNotSwitchBold) {
  THtmlDrawResult R = Measure("&lt;B&gt;x&lt;/B&gt;");
  EXPECT_EQ(R.PlainText, "<B>x</B>");
  EXPECT_EQ(R.Width, Paper.Canvas()->TextWidth("<B>x</B>"));
  EXPECT_FALSE(Paper.Canvas()->Font()->Style().Contains(fsBold));
}

TEST_F(HtmlDrawTest, EntitiesOfTheWholeText) {
  EXPECT_EQ(Measure("a&quot;b &euro; &copy;").PlainText, "a\"b € ©");
  THtmlDrawParams P;
  P.Canvas = Paper.Canvas();
  P.Text = "A &amp; B";
  P.Rect = Rect(0, 0, 300, 100);
  P.MeasureOnly = true;
  P.Build = THtmlBuild::Reduced;
  THtmlDrawResult R;
  HtmlDraw(P, R);
  EXPECT_EQ(R.PlainText, "A & B");
}

TEST_F(HtmlDrawTest, AnEmptyTextIsAsHighAsGh) {
  EXPECT_EQ(Measure("").Height, Gh());
  EXPECT_EQ(Draw("").Height, Gh());
}

TEST_F(HtmlDrawTest, LinksAreFoundUnderTheMouse) {
  String Text = "<A href=\"ziel\">Verweis</A> danach";
  Integer LinkWidth = Paper.Canvas()->TextWidth("Verweis");
  THtmlDrawResult On = Draw(Text, false, Point(LinkWidth / 2, Gh() / 2));
  EXPECT_TRUE(On.OnLink);
  EXPECT_EQ(On.Anchor, "ziel");
  EXPECT_EQ(On.LinkCount, 1);
  THtmlDrawResult Off = Draw(Text, false, Point(LinkWidth + 20, Gh() / 2));
  EXPECT_FALSE(Off.OnLink);
  EXPECT_EQ(Off.Anchor, "");
  EXPECT_GT(Count(RGB(0, 0, 255)), 5);  // links are blue
}

TEST_F(HtmlDrawTest, WordWrapBreaksAtBlanksWithinTheRectangle) {
  String Text = "ein zwei drei vier fünf sechs sieben acht neun zehn";
  EXPECT_EQ(Draw(Text, false, Point(-1, -1), Rect(0, 0, 300, 120)).Height, Gh());
  THtmlDrawResult Narrow = Draw(Text, false, Point(-1, -1), Rect(0, 0, 60, 120));
  EXPECT_GT(Narrow.Height, 3 * Gh());
  EXPECT_LE(Narrow.Width, 60);
}

TEST_F(HtmlDrawTest, AWordWiderThanTheLineBreaksBetweenCharactersAndLosesNothing) {
  String Path = "/home/vertrieb/Laptopabgleich/Kelpa&amp;Mobile/KelpoM/TOVAR.EXE";
  String Text = "Installiert nach <B>" + Path + "</B> fertig.";
  THtmlDrawResult R = Draw(Text, false, Point(-1, -1), Rect(0, 0, 100, 120));
  EXPECT_LE(R.Width, 100) << "no part of the path runs past the right edge";
  EXPECT_GE(R.Height, 4 * Gh());
  EXPECT_EQ(Draw(Text, true, Point(-1, -1), Rect(0, 0, 100, 120)).PlainText,
            Draw(Text, true, Point(-1, -1), Rect(0, 0, 2000, 120)).PlainText)
      << "every character of the path is laid out, the entity whole";
  bool InkRight = false;
  for (int Y = 0; Y < R.Height && !InkRight; ++Y)
    for (int X = 100; X < Paper.Width() && !InkRight; ++X) InkRight = Paper.PixelSurface().Get(X, Y) != clWhite;
  EXPECT_FALSE(InkRight);
  EXPECT_EQ(Measure("x").Height, Draw("x", true, Point(-1, -1), Rect(0, 0, 1, 120)).Height)
      << "a line narrower than one character still takes one";
}

TEST_F(HtmlDrawTest, ThePlainTextIsGivenOnceWhetherMeasuredOrDrawn) {
  EXPECT_EQ(Draw("Hallo<BR>Welt").PlainText, "Hallo\rWelt");
  EXPECT_EQ(Measure("Hallo<BR>Welt").PlainText, "Hallo\rWelt");
  EXPECT_EQ(Draw("a<HR>b", false, Point(2, 2)).PlainText, "a\rb");
}

TEST_F(HtmlDrawTest, ClosingTagsRestoreWhatTheLineStartedWith) {
  // </FONT> goes back to the font of the line's start: the second line
  // began at 16 points, so "danach" stays that large.
  String Text = "<FONT size=\"5\">Titel<BR>Text <FONT color=\"clRed\">rot</FONT> danach";
  TBitmap B;
  B.SetSize(1, 1);
  B.Canvas()->Font()->Assign(Paper.Canvas()->Font());
  B.Canvas()->Font()->SetSize(16);
  Integer Wide = B.Canvas()->TextWidth("Text ") + B.Canvas()->TextWidth("rot") + B.Canvas()->TextWidth(" ") +
                 B.Canvas()->TextWidth("danach");
  EXPECT_NEAR(Measure(Text).Width, Wide, 2);
  // </P> ends the paragraph's background; its alignment goes on.
  THtmlDrawResult R = Draw("<P align=\"right\" bgcolor=\"clYellow\">rechts</P>auch");
  EXPECT_TRUE(Shows(Rect(0, 0, 300, Gh()), RGB(255, 255, 0)));
  EXPECT_FALSE(Shows(Rect(0, Gh(), 300, 2 * Gh()), RGB(255, 255, 0)));
  EXPECT_EQ(R.Height, 2 * Gh());
  EXPECT_FALSE(Shows(Rect(0, Gh(), 150, 2 * Gh()), clWhite, true)) << "the second line is right-aligned too";
}

TEST_F(HtmlDrawTest, ALinkIsHitOnlyOnACharacterThatIsShown) {
  String Text = "<A href=\"ziel\">Verweis mit langem Text</A>";
  auto Hit = [&](int X) {
    return DrawWith(Text, [&](THtmlDrawParams& P) {
             P.Rect = Rect(0, 0, 60, 40);
             P.WordWrap = false;
             P.MouseX = X;
             P.MouseY = Gh() / 2;
           }).OnLink;
  };
  EXPECT_TRUE(Hit(2));
  EXPECT_TRUE(Hit(58));
  EXPECT_FALSE(Hit(70)) << "right of the edge the text is cut off";
  Integer Width = Paper.Canvas()->TextWidth("x");
  EXPECT_TRUE(Draw("<A href=\"z\">x</A>", false, Point(Width - 1, 2)).OnLink);
  EXPECT_FALSE(Draw("<A href=\"z\">x</A>", false, Point(Width, 2)).OnLink);
}

TEST_F(HtmlDrawTest, PicturesFollowTheResolutionAndThePrintFactor) {
  TBitmap Red;
  Red.SetSize(10, 10);
  Red.Canvas()->Brush()->SetColor(clRed);
  Red.Canvas()->FillRect(Rect(0, 0, 10, 10));
  TMemoryStream Bytes;
  Red.SaveToStream(&Bytes);
  Bytes.SetPosition(0);
  TPictureStore Store(nullptr);
  Store.Add("Bild")->Picture()->LoadFromStream(&Bytes);
  auto WithStore = [&](THtmlDrawParams& P) { P.Pictures = &Store; };
  EXPECT_EQ(DrawWith("<IMG src=\"bild\">", WithStore).Width, 10);
  Paper.Canvas()->Font()->SetPixelsPerInch(192);
  Paper.Canvas()->Font()->SetHeight(-11);
  EXPECT_EQ(DrawWith("<IMG src=\"bild\">", WithStore).Width, 20) << "twice the pixels per inch";
  Paper.Canvas()->Font()->SetPixelsPerInch(96);

  TImageList List(nullptr);
  List.SetSize(10, 10);
  List.Add(&Red, nullptr);
  Images = &List;
  THtmlDrawResult R = DrawWith("<IMG src=\"IDX:0\">", [](THtmlDrawParams& P) {
    P.PrintMode = true;
    P.ResFactor = 2.0;
  });
  EXPECT_EQ(R.Width, 20);
  EXPECT_EQ(Paper.PixelSurface().Get(18, R.Height - 2), ColorToRGB(clRed)) << "stretched onto the page";

  // An animated picture (4 x 4, two 1 x 1 frames) lies on the canvas's
  // background colour where its frame leaves the cell open.
  std::vector<Byte> Gif = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 4, 0, 0x80, 0, 0, 0, 0, 0, 255, 0, 0};
  for (int Frame = 0; Frame < 2; ++Frame)
    Gif.insert(Gif.end(), {0x21, 0xF9, 4, 1, 0, 0, 0, 0, ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 1, 0});
  Gif.push_back(0x3B);
  TReadOnlyMemoryStream GifBytes(Gif.data(), Int64(Gif.size()));
  Store.Add("film")->Picture()->LoadFromStream(&GifBytes);
  Paper.Canvas()->Brush()->SetColor(clLime);
  R = DrawWith("<IMG src=\"film\">", WithStore);
  EXPECT_EQ(R.Width, 4);
  EXPECT_EQ(Paper.PixelSurface().Get(3, R.Height - 1), ColorToRGB(clLime));
}

TEST_F(HtmlDrawTest, UnquotedAttributesReadAsEmpty) {
  TImageList List(nullptr);
  List.SetWidth(16);
  List.SetHeight(16);
  TBitmap Pic;
  Pic.SetSize(16, 16);
  List.Add(&Pic, nullptr);
  Images = &List;
  // WIDTH=40 unquoted: the list's own 16 pixels count.
  EXPECT_EQ(Measure("<IMG src=\"IDX:0\" width=40 height=40>").Width, 16);
  EXPECT_EQ(Measure("<IMG src=\"IDX:0\" width=\"40\" height=\"40\">").Width, 40);
  EXPECT_EQ(Measure("<IMG src=\"IDX:0\" width=\"40\" height=\"40\">").Height, 40);
  EXPECT_EQ(Measure("<IMG src=\"IDX:7\">x").Width, Paper.Canvas()->TextWidth("x"));  // no such picture
}

TEST_F(HtmlDrawTest, BadMarkUpIsDrawnAsFarAsItGoes) {
  for (const char* Bad : {"<B>offen", "</FONT></A></UL></P>x", "<FONT size=\"999999999\">riesig",
                          "<IMG src=\"fehlt.png\">", "<", "a<", "<<<>>>", "<IND x=\"-5\">x", "<R a=\"90\">x",
                          "<UL><LI>a<LI>b</UL>", "<P align=\"right\" bgcolor=\"clRed\">r</P>"}) {
    THtmlDrawResult R = Draw(Bad);
    EXPECT_GE(R.Height, Gh()) << Bad;
    EXPECT_EQ(Paper.Canvas()->Font()->Height(), -11) << Bad;
  }
}

TEST_F(HtmlDrawTest, TextBelowTheRectangleIsDropped) {
  String Lines;
  for (int I = 0; I < 40; ++I) Lines += "Zeile<br>";
  EXPECT_LT(Draw(Lines, false, Point(-1, -1), Rect(0, 0, 300, 50)).Height, 40 * Gh());
  EXPECT_EQ(Measure(Lines).Height, 40 * Gh());
}

TEST(HtmlPlain, TheReaderSeesTextAndLineBreaks) {
  EXPECT_EQ(HtmlToPlainText("<B>Fehler:</B><BR>Datei <I>a.txt</I>"), "Fehler:\nDatei a.txt");
  EXPECT_EQ(HtmlToPlainText("a<HR>b", "\r\n"), "a\r\nb");
}

}  // namespace
