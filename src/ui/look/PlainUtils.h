// PlainUtils: what the flat controls and the flat progress bar share.
//
//  - HSL colour conversion, in reals (0..1) and in the "range" form of
//    integers (hue 0..239, saturation and lightness 0..240);
//  - ShadeColor, which derives hover, down and border colours from a base
//    colour;
//  - DrawFrame3D (a multi-pixel 3D frame) and DrawParentImage (the
//    parent's picture as a control's background);
//  - CalcButtonLayout, the glyph-and-caption layout of a button;
//  - CreateDisabledGlyph, the greyed glyph of a disabled button, made with
//    the 24-bit pixel buffer TFxBitmap (PlainUtilsFx.h);
//  - the types the flat controls publish (TButtonLayout, TNumGlyphs,
//    TDerivedColors, the flat controls' TTransparentMode).
//
// Thread safety: the routines keep no state; canvases and bitmaps passed
// in belong to the calling (GUI) thread.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/graphics_bitmap.h"
#include "platform/rtl/typinfo.h"
#include "ui/look/PlainUtilsFx.h"

// Where a button's glyph lies relative to its caption.
RTL_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom);
// Number of images side by side in a button glyph (1..4).
using TNumGlyphs = Integer;
// A percentage (0..100) used to derive a colour from a base colour.
using TDerivedColors = Byte;

// The face source of a flat control: the parent's picture always, only
// while the mouse is outside, or never. The class library has its own
// TTransparentMode (of bitmaps), hence the namespace; the type keeps its
// name in the property registry.
namespace plain {
RTL_ENUM(TTransparentMode, tmAlways, tmNotFocused, tmNone);
}
using TPlainTransparentMode = plain::TTransparentMode;
using plain::tmAlways;
using plain::tmNone;
using plain::tmNotFocused;

// The range constant of the integer HSL form.
constexpr Integer HSLRange = 240;

// ---- HSL ------------------------------------------------------------------------

// The colour of hue H, saturation S and lightness L (each 0..1).
TColor HSLtoRGB(double H, double S, double L);
// One channel (0..255) of the HSL model for hue h between m1 and m2.
Byte HueToRGB(double m1, double m2, double h);
// Hue, saturation and lightness (0..1) of Color (system colours resolved).
void RGBtoHSL(TColor Color, double& H, double& S, double& L);
// As RGBtoHSL, in the range form: H 0..239, S and L 0..240.
void RGBtoHSLRange(TColor Color, Integer& H, Integer& S, Integer& L);
// The colour of range-form H, S, L.
TColor HSLRangeToRGB(Integer H, Integer S, Integer L);

// A colour derived from BaseColor: its range lightness plus 10, then
// plus Percent (capped at 100) or, when Darker, minus Percent (not below
// 0). Percent 0 returns OriginalColor unchanged.
TColor ShadeColor(TColor BaseColor, TColor OriginalColor, Byte Percent, bool Darker);

// ---- Small helpers ----------------------------------------------------------------

// The channels of Color, system colours resolved.
void ColorToRGBBytes(TColor Color, Byte& R, Byte& G, Byte& B);
// The colour of the channels R, G, B.
TColor RGBBytesToColor(Byte R, Byte G, Byte B);
// Value clamped to 0..255.
Byte ClampByte(Integer Value);
// Value clamped to Min..Max.
Integer ClampInt(Integer Value, Integer Min, Integer Max);
Integer RectWidth(const TRect& R);
Integer RectHeight(const TRect& R);

// ---- Drawing ----------------------------------------------------------------------

// Draws Width one-pixel 3D frames inside Rect, outermost first: the left
// and top edges in TopLeftColor, the right and bottom edges (and the
// bottom-left and top-right corners) in BottomRightColor. Changes the
// canvas pen (width 1, the colours).
void DrawFrame3D(TCanvas& Canvas, TRect Rect, TColor TopLeftColor, TColor BottomRightColor, Integer Width);

// Paints Control's parent (background and painting) into Canvas so that
// the parent's pixels under Control land at Canvas's (0, 0): the parent
// gets WM_ERASEBKGND and WM_PAINT with Canvas. Does nothing without a
// parent; an exception raised while the parent paints is swallowed. The
// canvas state is restored afterwards.
void DrawParentImage(TControl* Control, TCanvas& Canvas);

// Lays a button's glyph and caption out in Client (speed-button rule):
// Margin -1 centres, Spacing -1 spreads evenly; "<br>" in Caption breaks
// the line and the text is word-wrapped to the client width with
// Canvas's font. Both results are moved by Client's top-left and by
// Offset (the pressed offset). Glyph may be null (no glyph).
void CalcButtonLayout(TCanvas& Canvas, const TRect& Client, TPoint Offset, const String& Caption,
                      TButtonLayout Layout, Integer Margin, Integer Spacing, TBitmap* Glyph,
                      TNumGlyphs NumGlyphs, TPoint& GlyphPos, TRect& TextBounds);

// A flat control's reaction to a system or parent colour change: with
// derived colours it follows its parent's colour again (ParentColor) and
// Recompute derives them anew; it repaints in any case.
void FollowColorChange(TControl& Control, bool UseDerivedColors, const std::function<void()>& Recompute);

// True when Key is the accelerator of Caption: the character after the
// first single "&" ("&&" stands for "&"), letters compared without case.
bool IsCaptionAccelerator(char32_t Key, const String& Caption);

// Replaces every "<br>" (any letter case) of Text by CR LF.
String ReplaceBrTags(const String& Text);

// ---- The disabled glyph -------------------------------------------------------------

// The greyed and lightened copy of Glyph for a disabled button. The
// caller owns the new bitmap (Glyph's pixel format and size).
std::unique_ptr<TBitmap> CreateDisabledGlyph(TBitmap* Glyph);
