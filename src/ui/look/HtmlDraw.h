// HtmlDraw: the small HTML mark-up renderer of the HTML labels, the
// message box and the HTML menus. One routine measures, draws and hit-tests
// a subset of HTML on a canvas:
//   <B> <I> <U> <S> bold, italic, underline, strike-out; <SH> shadow;
//   <SUB> <SUP>; <E> red wavy underline; <Z> hidden text; <BLINK>;
//   <FONT FACE="" COLOR="" BGCOLOR="" SIZE="">; <HI> highlight;
//   <A HREF=""> links; <BR>, <HR>; <P ALIGN="" INDENT="" BGCOLOR=""
//   BGCOLORTO="">; <UL> <LI> lists; <IND X="">; <R A=""> rotated text;
//   <BODY BGCOLOR="" BACKGROUND="">; <IMG SRC="" ALT="" WIDTH="" HEIGHT=""
//   ALIGN="">.
// Tags are recognised by their first letters; an unknown tag is skipped
// up to its ">". Attribute values are read only between double quotes.
// Colours are names of the class library ("clRed", "clBtnFace" ...) or
// "#RRGGBB". Text is laid out line by line: each line is measured first,
// then aligned and drawn. Nothing in the text makes the renderer fail: an
// unbalanced tag, a missing picture or an absurd number is drawn as far as
// it goes (sizes are held to sane bounds).
//
// Two builds share the routine (THtmlBuild): the full one of TMarkupLabel
// and the reduced one of the message box label and the menus (no pictures
// from the picture store, no gradient, "&" drawn as it stands, path
// ellipsis for paths, nothing drawn where less room than a "W" is left).
//
// Thread safety: none; GUI thread only (the canvas belongs to one thread).
#pragma once

#include "platform/gui/graphics.h"

class TCustomImageList;
class TPictureStore;
class TMarkupPictureCache;

// The colour value that means "no colour set".
constexpr TColor clHtmlNoColor = ColorValue(0x1FFFFFFF);

enum class THtmlBuild { Full, Reduced };

// What one call of HtmlDraw is given. Pointers are not owned and may be null.
struct THtmlDrawParams {
  TCanvas* Canvas = nullptr;  // its font, brush and pen are the starting style; restored at the end
  String Text;                // the mark-up
  TRect Rect;                 // drawing area; lines start at its left, the first at its top
  TCustomImageList* Images = nullptr;  // pictures for SRC="IDX:n"
  Integer MouseX = -1, MouseY = -1;    // point to hit-test (a link is hit on a drawn character), -1 for none
  Integer FocusLink = -1;              // link drawn with a focus rectangle
  Integer HoverLink = -1;              // link under the mouse
  bool HoverMode = false;  // only the hover link is underlined and gets the hover colours
  bool MeasureOnly = false;  // only sizes, alignment and plain text
  bool HitTestOnly = false;  // the second pass runs without drawing
  bool KeepColors = false;   // FONT colours and link colours are ignored (selected menu lines)
  bool WordWrap = true;      // off: one run per line, cut with an ellipsis
  TColor ShadowColor = clGray;
  Integer ShadowOffset = 2;
  TColor URLColor = clBlue;
  TColor HoverColor = clHtmlNoColor;
  TColor HoverFontColor = clHtmlNoColor;
  TPictureStore* Pictures = nullptr;      // named pictures (full build)
  TMarkupPictureCache* Cache = nullptr;   // pictures by address (full build)
  // Image-list pictures and shell icons are drawn through a bitmap
  // stretched by ResFactor (named pictures follow the canvas font's
  // PixelsPerInch in any mode).
  bool PrintMode = false;
  double ResFactor = 1.0;
  bool BlinkPhase = true;    // false: BLINK text vanishes
  THtmlBuild Build = THtmlBuild::Full;
};

// What one call finds out.
struct THtmlDrawResult {
  bool OnLink = false;    // the mouse point is on a link
  String Anchor;          // that link's HREF
  Integer LinkIndex = -1; // that link's number in the text, from 0 (-1: no link there)
  String PlainText;       // every text segment once, CR for each line break
  String FocusAnchor;     // HREF of the focus link
  Integer Width = 0;      // widest line
  Integer Height = 0;     // all lines (the height of "gh" for an empty text)
  Integer LinkCount = 0;
  TRect HoverRect{};      // rectangle around the hover link, over every line it takes
  String ImageAlt;        // ALT of the picture under the mouse
  bool OnImage = false;
};

// Measures and (unless MeasureOnly) draws P.Text; returns Result.OnLink.
bool HtmlDraw(const THtmlDrawParams& P, THtmlDrawResult& Result);

// "#RRGGBB" (hexadecimal, any letter case) as a colour R + G*256 + B*65536;
// digits that are not hexadecimal count as 0.
TColor HtmlColorToColor(const String& Value);
// One of the 40 colour names of the class library ("clRed", any case);
// black for an unknown name. System colours stay system colours.
TColor ColorNameToColor(const String& Name);
// Position of Sub in S ignoring ASCII case (0-based), npos when absent.
size_t PosNoCase(const String& Sub, const String& S);
// Replaces the first occurrence of Find in S ignoring case; true when found.
bool ReplaceFirstNoCase(String& S, const String& Find, const String& ReplaceWith);
// Drops LF and turns CR into "<BR>".
String CrToBr(const String& S);
// The text a reader sees: tags removed, BR, HR, P, LI and UL ending lines
// (LineBreak), the entities resolved ("&nbsp;" as a blank).
String HtmlToPlainText(const String& Html, const String& LineBreak = "\n");
// Fills R with a horizontal gradient from FromColor to ToColor in Steps bands.
void GradientFill(TCanvas& Canvas, const TRect& R, TColor FromColor, TColor ToColor, Integer Steps);
// Draws the small (16) or large (32) icon of Path: a folder, a program or
// a document; a number instead of a path picks that icon of the set.
void DrawShellIcon(TCanvas& Canvas, Integer X, Integer Y, const String& Path, bool Large);
// Draws Bitmap stretched into R.
void StretchBitmap(TCanvas& Canvas, const TRect& R, TBitmap* Bitmap);
