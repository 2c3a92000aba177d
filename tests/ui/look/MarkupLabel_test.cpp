// The HTML labels and the flat panel on a headless form: joined lines,
// auto-sizing, links with their cursor, hint and click, the picture store.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <mutex>
#include <thread>

#include "foundation/uShellEx.h"
#include "look_fixture.h"
#include "platform/gui/dialogs_responder.h"
#include "platform/gui/reader.h"
#include "platform/rtl/format.h"
#include "platform/rtl/streams.h"
#include "platform/os/process.h"
#include "ui/look/MarkupLabel.h"
#include "ui/look/SB_markuplabel.h"
#include "ui/look/TPlainPanelUnit.h"

namespace {

class MarkupLabelTest : public LookTest {
 protected:
  template <class T>
  T* LabelWith(const String& Html, TRect B = Bounds(10, 10, 280, 60)) {
    TForm* F = ShownForm();
    auto* L = Put<T>(F, B);
    L->Font()->SetName("Tahoma");
    L->SetText(Html);
    Pump();
    return L;
  }
  Integer Gh(TCustomMarkupLabel* L) {
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas()->SetFont(L->Font());
    return B.Canvas()->TextHeight("gh");
  }
  // The client points of L painted in C, top row first.
  std::vector<TPoint> InkOf(TControl* L, TColor C) {
    std::vector<TPoint> Ink;
    for (int Y = 0; Y < L->Height(); ++Y)
      for (int X = 0; X < L->Width(); ++X)
        if (ColorToRGB(PixelOf(L, X, Y)) == ColorToRGB(C)) Ink.push_back(Point(X, Y));
    return Ink;
  }
};

TEST_F(MarkupLabelTest, LinesOfTheTextJoinWithoutABreakButBrBreaks) {
  auto* L = LabelWith<TMarkupLabel>("");
  L->SetAutoSizing(true);
  L->HTMLText()->Add("erste");
  L->HTMLText()->Add("zweite");
  EXPECT_EQ(L->Height(), Gh(L) + 6);  // auto-sized: 6 pixels above the text
  EXPECT_EQ(L->PlainText(), "erstezweite");
  L->SetText("erste<BR>zweite");
  EXPECT_EQ(L->Height(), 2 * Gh(L) + 6);
  EXPECT_EQ(L->Caption(), "erste<BR>zweite");
}

TEST_F(MarkupLabelTest, TheResponderReadsTheTextWithoutTags) {
  TForm* F = ShownForm();
  auto* L = Put<TMarkupLabel>(F, Bounds(5, 5, 200, 40));
  L->SetText("<B>Fehler</B> in<br>Zeile 3");
  EXPECT_NE(FormDialogText(F).find("Fehler in\nZeile 3"), String::npos);
}

TEST_F(MarkupLabelTest, OverALinkTheCursorIsAHandAndTheHintShowsTheTarget) {
  auto* L = LabelWith<TMarkupLabel>("<A href=\"info.htm\">Hilfe</A> lesen");
  L->SetAnchorHint(true);
  L->SetShowHint(true);
  String Entered;
  L->OnAnchorEnter = [&](TObject*, const String& A) { Entered = A; };
  MoveOver(L, 5, 5);
  EXPECT_EQ(L->Cursor(), crHandPoint);
  EXPECT_EQ(Entered, "info.htm");
  EXPECT_EQ(L->HoverLink(), 0);
  THintInfo Info;
  Info.CursorPos = L->ClientToScreen(Point(5, 5));
  L->Perform(CM_HINTSHOW, 0, LPARAM(&Info));
  EXPECT_EQ(Info.HintStr, "info.htm");
  EXPECT_EQ(Info.HintPos, Point(Info.CursorPos.X + 10, Info.CursorPos.Y - 10));
  MoveOver(L, 250, 5);
  EXPECT_EQ(L->Cursor(), crDefault);
  EXPECT_EQ(L->HoverLink(), -1);
}

// The link is looked for where the label paints it: at the bottom of a
// bottom-aligned label, never in the empty band above.
TEST_F(MarkupLabelTest, ABottomAlignedLinkIsFoundWhereItIsDrawnAndTheEmptyTopIsNoLink) {
  auto* L = LabelWith<TMarkupLabel>("<A href=\"unten\">Unten weiter</A>", Bounds(10, 10, 200, 90));
  L->SetVAlignment(tvaBottom);
  std::vector<TPoint> Ink = InkOf(L, clBlue);
  ASSERT_FALSE(Ink.empty()) << "the link is drawn in the link colour";
  EXPECT_GT(Ink.front().Y, L->Height() - Gh(L) - 8) << "the text sits at the bottom";
  String Anchor;
  TRect Hover;
  TPoint At = Ink[Ink.size() / 2];
  EXPECT_TRUE(L->AnchorAt(At.X, At.Y, Anchor, Hover));
  EXPECT_EQ(Anchor, "unten");
  EXPECT_EQ(L->HoverLink(), 0);
  EXPECT_TRUE(PtInRect(Hover, At));
  EXPECT_FALSE(L->AnchorAt(At.X, 5, Anchor, Hover)) << "where a top-aligned link would be";
  EXPECT_EQ(Anchor, "");
  EXPECT_EQ(L->HoverLink(), -1);
  MoveOver(L, At.X, At.Y);
  EXPECT_EQ(L->Cursor(), crHandPoint);
  MoveOver(L, At.X, 5);
  EXPECT_EQ(L->Cursor(), crDefault);
  // Centred, the link is found in the middle band.
  L->SetVAlignment(tvaCenter);
  Ink = InkOf(L, clBlue);
  ASSERT_FALSE(Ink.empty());
  EXPECT_GT(Ink.front().Y, (L->Height() - Gh(L)) / 2 - 8);
  EXPECT_LT(Ink.back().Y, (L->Height() + Gh(L)) / 2 + 8);
  EXPECT_TRUE(L->AnchorAt(Ink.front().X, Ink.front().Y, Anchor, Hover));
  EXPECT_FALSE(L->AnchorAt(Ink.front().X, 3, Anchor, Hover));
}

// A link wrapped onto a second line is one link on both lines: the same
// hover index, one rectangle around both parts, and the hover colours on
// both when the mouse rests on either.
TEST_F(MarkupLabelTest, ALinkWrappedOntoTwoLinesHoversAndHighlightsOnBoth) {
  auto* L = LabelWith<TMarkupLabel>("Bitte <A href=\"weiter\">hier klicken und weiterlesen</A> danke",
                                    Bounds(10, 10, 120, 70));
  L->SetHover(true);
  L->SetHoverColor(clYellow);
  std::vector<TPoint> Ink = InkOf(L, clBlue);
  ASSERT_FALSE(Ink.empty());
  Integer Line = Gh(L);
  TPoint First = Ink.front(), Second = Ink.back();
  ASSERT_LT(First.Y, Line) << "the link starts on the first line";
  ASSERT_GE(Second.Y, Line) << "and goes on on the second";
  String Anchor;
  TRect Hover;
  for (TPoint At : {First, Second}) {
    EXPECT_TRUE(L->AnchorAt(At.X, At.Y, Anchor, Hover)) << At.Y;
    EXPECT_EQ(Anchor, "weiter");
    EXPECT_EQ(L->HoverLink(), 0);
    EXPECT_TRUE(PtInRect(Hover, First));
    EXPECT_TRUE(PtInRect(Hover, Second));
  }
  for (TPoint At : {First, Second}) {
    MoveOver(L, At.X, At.Y);
    EXPECT_EQ(L->HoverLink(), 0);
    std::vector<TPoint> Lit = InkOf(L, clYellow);
    ASSERT_FALSE(Lit.empty()) << "the hovered link is highlighted";
    EXPECT_LT(Lit.front().Y, Line) << "on the first line";
    EXPECT_GE(Lit.back().Y, Line) << "and on the second";
  }
  TBitmap Shot;
  Shot.SetSize(L->Width(), L->Height());
  for (int Y = 0; Y < L->Height(); ++Y)
    for (int X = 0; X < L->Width(); ++X) Shot.PixelSurface().Set(X, Y, TColorRef(ColorToRGB(PixelOf(L, X, Y))));
  Shot.SavePng(PngPath("markup_wrapped_link_hover.png"));
  MoveOver(L, L->Width() - 2, L->Height() - 2);
  EXPECT_EQ(L->HoverLink(), -1);
  EXPECT_TRUE(InkOf(L, clYellow).empty()) << "leaving the link takes the highlight away";
}

TEST_F(MarkupLabelTest, ALinkWithoutSchemeFiresOnAnchorClick) {
  auto* L = LabelWith<TMarkupLabel>("<A href=\"weiter\">Weiter</A>");
  String Clicked;
  L->OnAnchorClick = [&](TObject*, const String& A) { Clicked = A; };
  ClickOn(L, 5, 5);
  EXPECT_EQ(Clicked, "weiter");
}

TEST_F(MarkupLabelTest, TheMessageLabelIgnoresLinksWithoutScheme) {
  auto* L = LabelWith<TSBHTM>("<A href=\"weiter\">Weiter</A>");
  bool Fired = false;
  L->OnLinkClick = [&](TObject*) { Fired = true; };
  ClickOn(L, 5, 5);
  EXPECT_FALSE(Fired);
}

// A file link of the message label goes to the shell as its bare path, on
// the shell worker's thread.
TEST_F(MarkupLabelTest, AFileLinkIsOpenedAsItsPathOnTheWorker) {
  String Bin = Folder + "/bin";
  std::filesystem::create_directories(Bin);
  std::ofstream(Bin + "/xdg-open") << "#!/bin/sh\n";
  std::filesystem::permissions(Bin + "/xdg-open", std::filesystem::perms::owner_all);
  std::ofstream(Folder + "/bericht.txt") << "Bericht\n";
  const char* OldPath = getenv("PATH");
  String SavedPath = OldPath ? OldPath : "";
  setenv("PATH", Bin.c_str(), 1);
  std::mutex M;
  std::vector<String> Argv;
  std::thread::id Thread;
  TProcessLauncher Old = SetProcessLauncher([&](const TLaunchRequest& R, TProcessHandle& H) {
    std::lock_guard<std::mutex> G(M);
    Argv = R.Argv;
    Thread = std::this_thread::get_id();
    H = TProcessHandle::Finished(0);
    return DWORD(0);
  });
  auto* L = LabelWith<TSBHTM>("<A href=\"FILE://" + Folder + "/bericht.txt\">Bericht</A>");
  bool Fired = false;
  L->OnLinkClick = [&](TObject*) { Fired = true; };
  ClickOn(L, 5, 5);
  ShutdownShellPool();
  SetProcessLauncher(Old);
  setenv("PATH", SavedPath.c_str(), 1);
  EXPECT_TRUE(Fired);
  ASSERT_EQ(Argv.size(), 2u);
  EXPECT_EQ(Argv[1], Folder + "/bericht.txt");
  EXPECT_NE(Thread, std::this_thread::get_id());
}

TEST_F(MarkupLabelTest, PicturesAreFoundByNameInAnyLetterCase) {
  TPictureStore Store(nullptr);
  TPictureItem* Item = Store.Add("Logo");
  EXPECT_EQ(FindPicture(&Store, "LOGO"), Item->Picture());
  EXPECT_EQ(FindPicture(&Store, "anders"), nullptr);
  EXPECT_EQ(FindPicture(nullptr, "Logo"), nullptr);
}

// The bytes of a W x H bitmap filled with Colour, as "{hex}" of a form
// description.
String BitmapDataOf(Integer W, Integer H, TColor Colour) {
  TBitmap B;
  B.SetSize(W, H);
  B.Canvas()->Brush()->SetColor(Colour);
  B.Canvas()->FillRect(Rect(0, 0, W, H));
  TMemoryStream S;
  B.SaveToStream(&S);
  String Hex = "{";
  for (Int64 I = 0; I < S.Size(); ++I) Hex += IntToHex(static_cast<const Byte*>(S.Memory())[I], 2);
  return Hex + "}";
}

TEST_F(MarkupLabelTest, APictureOfAFormDescriptionShowsInTheLabel) {
  TForm* F = ShownForm();
  ReadComponentFromText("object Look: TForm\n"
                        "  object Bilder: TPictureStore\n"
                        "    Items = <\n"
                        "      item\n"
                        "        Picture.Data = " + BitmapDataOf(20, 12, clRed) + "\n"
                        "        Name = 'rot'\n"
                        "      end>\n"
                        "  end\n"
                        "  object Hinweis: TMarkupLabel\n"
                        "    Left = 10\n"
                        "    Top = 10\n"
                        "    Width = 200\n"
                        "    Height = 40\n"
                        "    HTMLText.Strings = ('<IMG src=\"rot\"> und <IMG src=\"IDX:0\">')\n"
                        "    PictureStore = Bilder\n"
                        "  end\n"
                        "end\n",
                        F);
  auto* L = dynamic_cast<TMarkupLabel*>(F->FindComponent("Hinweis"));
  ASSERT_NE(L, nullptr);
  ASSERT_NE(L->PictureStore(), nullptr);
  Pump();
  EXPECT_EQ(PixelOf(L, 5, 8), clRed);
  // A picture put into the label's image list shows without a new text.
  TImageList List(nullptr);
  List.SetSize(16, 16);
  L->SetImages(&List);
  Pump();
  TBitmap Blue;
  Blue.SetSize(16, 16);
  Blue.Canvas()->Brush()->SetColor(clBlue);
  Blue.Canvas()->FillRect(Rect(0, 0, 16, 16));
  List.Add(&Blue, nullptr);
  Pump();
  TCanvas Measure;
  Measure.SetFont(L->Font());
  Integer X = 20 + Measure.TextWidth(" und ") + 8;
  EXPECT_EQ(PixelOf(L, X, 8), clBlue);
  L->SetImages(nullptr);
}

// A 1x1 GIF of five frames in black, red, green, blue and black.
std::vector<Byte> FiveFrameGif() {
  std::vector<Byte> G = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x81, 0, 0,
                         0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  for (Byte Index : {0, 1, 2, 3, 0}) {
    std::vector<Byte> Frame = {0x21, 0xF9, 4, 0, 0, 0, 0, 0, ',', 0, 0, 0, 0, 1, 0, 1, 0, 0,
                               2, 2, Byte(4 | (Index << 3) | (1 << 6)), 1, 0};
    G.insert(G.end(), Frame.begin(), Frame.end());
  }
  G.push_back(0x3B);
  return G;
}

TColor FramePixel(TMarkupPicture& Pic) {
  TBitmap Paper;
  Paper.SetSize(4, 4);
  Pic.Draw(*Paper.Canvas(), Rect(0, 0, 4, 4));
  return TColor(Paper.PixelSurface().Get(1, 1));
}

TEST_F(MarkupLabelTest, FrameThreeOfAnAnimatedGifShowsTheThirdFrame) {
  std::vector<Byte> Gif = FiveFrameGif();
  TMarkupPicture Pic;
  TReadOnlyMemoryStream S(Gif.data(), Int64(Gif.size()));
  Pic.LoadFromStream(&S);
  EXPECT_EQ(Pic.FrameCount(), 5);
  EXPECT_EQ(FramePixel(Pic), clBlack);
  Pic.SetFrame(3);
  EXPECT_EQ(FramePixel(Pic), RGB(0, 255, 0));
  Pic.SetFrame(2);
  EXPECT_EQ(FramePixel(Pic), RGB(255, 0, 0));
  std::vector<Byte> Bad = {'G', 'I', 'F', '8', 'x'};
  TReadOnlyMemoryStream B(Bad.data(), Int64(Bad.size()));
  EXPECT_THROW(Pic.LoadFromStream(&B), EInvalidGraphic);
  EXPECT_TRUE(Pic.Empty());
}

TEST_F(MarkupLabelTest, ADisabledPlainPanelShowsItsCaptionEmbossed) {
  TBitmap Paper;
  Paper.SetSize(185, 41);
  TPlainPanel Panel(nullptr);
  Panel.SetCaption("Torvane wird beendet..");
  Panel.SetColor(clWhite);
  Panel.PaintTo(*Paper.Canvas());
  EXPECT_EQ(TColor(Paper.PixelSurface().Get(0, 0)), ColorValue(0x8396A0));  // the frame
  auto Count = [&](TColor C) {
    int N = 0;
    for (int Y = 0; Y < 41; ++Y)
      for (int X = 0; X < 185; ++X) N += Paper.PixelSurface().Get(X, Y) == TColorRef(ColorToRGB(C));
    return N;
  };
  int ShadowBefore = Count(clBtnShadow);
  Panel.SetEnabled(false);
  Panel.PaintTo(*Paper.Canvas());
  EXPECT_GT(Count(clBtnShadow), ShadowBefore);
}

}  // namespace
