// IEditTools: drawing, text and date routines shared by the grid and edit
// family, and TArrowWindow, the small red arrow windows that mark where a
// dragged row or column will land.
//
//  - date re-formatting (ParseDateParts, ReformatDate) for typed dates;
//  - the rubber frame drawn "on the desktop" by pattern inversion, so that
//    drawing the same frame twice restores the pixels;
//  - fitting a popup into the virtual screen with its flips (FitToScreen);
//  - transparent, grey and faded bitmaps, gradients and button frames;
//  - the styled-text drawer: text with inline codes (/b bold, /c{clRed}
//    colour, /im{3} an image ...), see DrawStyledText;
//  - number syntax tests (NumberKind).
//
// The unit's start-up makes a shared 24-bit work bitmap (EditToolsWorkBitmap)
// and the colour constants EditToolsWhite and EditToolsSilver.
//
// Thread safety: GUI thread only (the work bitmap is shared).
#pragma once

#include <array>

#include "platform/gui/comctrls_imagelist.h"
#include "platform/gui/controls.h"
#include "platform/gui/dragdrop.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/graphics_bitmap.h"

// ---- Drop-marker arrows ------------------------------------------------------------

// A small red arrow in its own popup window, shaped by a seven-point
// region. Kind: 0 up, 1 down, 2 right, 3 left. Created hidden.
class TArrowWindow : public TPanel {
  RTL_DECLARE_CLASS(TArrowWindow)
 public:
  explicit TArrowWindow(TComponent* AOwner, Byte AKind = 0);
  Byte ArrowKind() const { return FArrowKind; }
  // The seven region points of Kind (pixels, window coordinates).
  static std::array<TPoint, 7> RegionPoints(Byte Kind);
  // Width and height of the window of Kind (the region's extent).
  static TSize ArrowSize(Byte Kind);
  bool IsWindowRoot() const override { return true; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;

 private:
  Byte FArrowKind;
};

using TArrowWindows = std::array<TArrowWindow*, 4>;

// Creates a TArrowWindow of kind i (owned by Owner) for every empty slot i.
void CreateArrows(TArrowWindows& Arrows, TComponent* Owner);
// Shows the drop marker of a row (Orientation 1) or column (2) move from
// SourceIndex to TargetIndex at TargetCell (desktop coordinates): rows get
// the right and left arrows along the middle of the cell, columns the down
// and up arrows at its right edge (moving forward from index 1 on, or with
// ForceRight) or its left edge. The arrows show only while the target is a
// valid index (>= 0) other than the source; the others are hidden. Null
// slots are skipped. A drag image (when given) that overlaps the marker is
// hidden while the arrows move and shown again after.
void ShowDropMarker(Integer Orientation, Integer SourceIndex, Integer TargetIndex, const TRect& TargetCell,
                    TArrowWindows& Arrows, bool ForceRight = false, TDragImageList* DragImage = nullptr);
// Hides every arrow.
void HideDropMarker(TArrowWindows& Arrows);

// ---- Numbers and dates ---------------------------------------------------------------

inline Integer Min(Integer A, Integer B) { return A < B ? A : B; }
inline Integer Max(Integer A, Integer B) { return A > B ? A : B; }
// Divisible by 4 and not by 100, or by 400.
bool IsLeapYear(Integer Year);
// Days of Month (1..12) of Year; 0 for a month outside 1..12.
Integer DaysInMonth(Integer Year, Integer Month);

// Day, month, year, hour, minute, second (0 when absent).
struct TDateParts {
  Integer Day = 0, Month = 0, Year = 0, Hour = 0, Minute = 0, Second = 0;
};
// Splits Text into runs of digits (any other character separates) and
// reads at most six numbers; a seventh number followed by a separator, a
// number too long to hold, or fewer than three numbers fail (false, Parts
// as far as read).
bool ParseDateParts(const String& Text, TDateParts& Parts);
// Re-formats a typed date: valid month and day (for the year as typed),
// the year widened (< 50: +2000, 50..99: +1900, 100..999: +2000), then
// "dd.mm.yyyy" with the DateSeparator (modes 0 and 2) or, in mode 1, with
// " hh:nn:ss" and the TimeSeparator. False (Result untouched) when the
// text is no valid date.
bool ReformatDate(const String& Text, String& Result, Integer Mode);

// Number syntax: optional sign, digits, DecimalSeparator and digits, then
// an exponent (E or e, optional sign, digits). Kind 1 integer, 2 decimal
// number, 4 decimal number with at most CurrencyDecimals decimals, 3
// exponent form, 0 anything else. Digits: the text's length; Decimals:
// the decimals (for the exponent form corrected by the exponent).
Integer NumberKind(const String& Text, Integer& Digits, Integer& Decimals);
bool IsInteger(const String& Text);
bool IsNumber(const String& Text);
// Kinds 1 and 4, or 2 when the decimals do not exceed MostDecimals (-1: any).
bool IsNumberWithDecimals(const String& Text, Integer MostDecimals);

// ---- Screen --------------------------------------------------------------------------

// Draws a rubber frame of Width pixels inside NewRect and takes away the
// one inside OldRect (either null for none) in one pass: the two frame
// regions are combined by exclusive-or and inverted with a grey
// (0x999999) pattern, so a second call with the same rectangle as old
// restores the pixels. DC is usually the desktop overlay's canvas.
void DrawRubberFrame(TCanvas* DC, const TRect* OldRect, const TRect* NewRect, Integer Width);
// Fits a popup of W x H with its top-left at P into the virtual screen:
// a popup reaching below the screen moves up by its height and Flip.Y
// (result 1), one reaching past the right edge left by its width and
// Flip.X (adds 2). 0: as asked.
Integer FitToScreen(TPoint& P, Integer W, Integer H, TPoint Flip);
// True when a control of any form of the application holds the mouse capture.
bool AnyControlCapturing();

// ---- Fonts ---------------------------------------------------------------------------

// The widest character (cx) and the height (cy) of Font.
TSize FontCharExtent(TFont* Font);
// The height of Text in Font / on Canvas.
Integer TextHeight(const String& Text, TFont* Font);
Integer TextHeight(const String& Text, TCanvas* Canvas);

// ---- Bitmaps -------------------------------------------------------------------------

// The shared 24-bit work bitmap of the family (owned by the unit).
TBitmap* EditToolsWorkBitmap();
extern const TColor EditToolsWhite;
extern const TColor EditToolsSilver;

// Loads the bitmap resource Name into Bitmap; false (Bitmap untouched)
// when there is none or it is unreadable.
bool LoadBitmapResource(TBitmap* Bitmap, const String& Name);
// Draws Bitmap at Rect's corner at its own size (or stretched into Rect
// with Stretch), leaving out the bitmap's transparent colour when
// Transparent.
void DrawTransparent(TCanvas* Canvas, TBitmap* Bitmap, const TRect& Rect, bool Transparent, bool Stretch);
// As DrawTransparent with TransparentColor left out; 0xFFFFFF takes the
// bitmap's bottom-left pixel as the transparent colour.
void BlitTransparent(TCanvas* DC, TBitmap* Bitmap, const TRect& Rect, TColor TransparentColor, bool Stretch);
// Disabled-looking copies of Source into Dest (resized to Source):
// style 0 grey levels between 66 (black) and 189 (white), smoothed with
// the right and lower neighbours; 1 a light wash, 3 a dark silhouette, 5
// darkened colours (pressed default buttons). Pixels of Transparent stay.
void GreyBitmap(TBitmap* Source, TBitmap* Dest, Integer Style, TColor Transparent);
// Moves every other pixel (chequered) Percent of the way towards white.
void FadeBitmap(TBitmap* Source, TBitmap* Dest, TColor Transparent, Integer Percent);

// ---- Frames and fills ----------------------------------------------------------------

// Gradient directions.
enum : Integer { gdHorizontal = 0, gdVertical = 1 };
// Cuts Rect into Steps bands across Direction and fills each with the
// colour interpolated channel by channel (the first band From, the last To).
void GradientFill(TCanvas* Canvas, TColor From, TColor To, Integer Direction, const TRect& Rect, Integer Steps);
// Button frames: style 0 raised inner edge (pressed: sunken inner
// right/bottom and sunken outer left/top); 1 raised inner (pressed:
// sunken outer); 2 a one-pixel frame in Color plus a silver (grey on
// silver) line along the right and bottom; 3 as 1 one pixel inside.
void DrawButtonFrame(TCanvas* Canvas, const TRect& Rect, Integer Style, TColor Color, bool Pressed);

// ---- Styled text -----------------------------------------------------------------------

// Flags of DrawStyledText.
enum : Cardinal {
  dsCenter = 0x0001,       // each line centred in the rectangle (when drawn)
  dsWordBreak = 0x0010,    // runs wrap inside the rectangle
  dsEndEllipsis = 0x8000,  // a line or word cut at the right edge ends in "..."
  dsNoCodes = 0x10000,     // "/" is plain text from the start
};
// Draws (Draw true) or measures Text from Rect's top-left with a copy of
// the canvas font; returns the used rectangle (corner plus widest line and
// summed line heights). Line ends (CR, LF, CR LF) and /# break lines.
// Codes: /b /b0 /i /i0 /u /u0 /s /s0 (styles on, off), /s{n} /s{+n} size,
// /c{colour}, /f{name} /f0 font, /l{colour} a line, /oH /oh /oW /ow{v}
// move up, down, left, right by v pixels (or the size of text v),
// /im /ip /id /ih /in /is{v} image v of Images (or bitmap resource v):
// plain, plain and line at least as high, faded 50 (or ",p"), and the
// image filter styles 1, 5 and 3. "/{" switches codes off, "/}" on again;
// an unknown code is drawn as text. Rect's right edge bounds word breaks.
TRect DrawStyledText(TCanvas* Canvas, const String& Text, TRect& Rect, TCustomImageList* Images, Cardinal Flags,
                     bool Draw);
