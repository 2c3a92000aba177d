// Colours of the drawing layer: TColor, the named colour constants, the
// system colours with their fixed classic palette, and the conversions
// between colours, RGB values and their text forms ("clRed", "$00BBGGRR").
//
// A TColor is 0x00BBGGRR for a plain colour. A value with the high bit set
// (0x80000000 + n) names system colour n and is resolved by ColorToRGB.
// clNone (0x1FFFFFFF) and clDefault (0x20000000) are markers, not colours.
//
// Thread safety: the system colour table is process-wide; change it only
// at start-up (SetSysColor) before painting starts.
#pragma once

#include "platform/rtl/system.h"

using TColor = Integer;
using TColorRef = Cardinal;  // 0x00BBGGRR, never a system colour

constexpr TColor ColorValue(Cardinal V) { return static_cast<TColor>(V); }

constexpr TColor clSystemColor = ColorValue(0x80000000u);
// The system colour indices of the original platform.
enum : Integer {
  COLOR_SCROLLBAR = 0, COLOR_BACKGROUND, COLOR_ACTIVECAPTION, COLOR_INACTIVECAPTION,
  COLOR_MENU, COLOR_WINDOW, COLOR_WINDOWFRAME, COLOR_MENUTEXT, COLOR_WINDOWTEXT,
  COLOR_CAPTIONTEXT, COLOR_ACTIVEBORDER, COLOR_INACTIVEBORDER, COLOR_APPWORKSPACE,
  COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_GRAYTEXT,
  COLOR_BTNTEXT, COLOR_INACTIVECAPTIONTEXT, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW,
  COLOR_3DLIGHT, COLOR_INFOTEXT, COLOR_INFOBK, COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION, COLOR_GRADIENTINACTIVECAPTION, COLOR_MENUHILIGHT,
  COLOR_MENUBAR, COLOR_ENDCOLORS = COLOR_MENUBAR
};

constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// Builds a colour from its channels.
constexpr TColor RGB(Byte R, Byte G, Byte B) { return R | (G << 8) | (B << 16); }
constexpr Byte GetRValue(TColorRef C) { return C & 0xFF; }
constexpr Byte GetGValue(TColorRef C) { return (C >> 8) & 0xFF; }
constexpr Byte GetBValue(TColorRef C) { return (C >> 16) & 0xFF; }

// The RGB value of system colour Index from the classic palette (or what
// SetSysColor put there). An index out of range gives 0 (black).
TColorRef GetSysColor(Integer Index);
// Replaces system colour Index; ignored for an index out of range.
void SetSysColor(Integer Index, TColorRef Value);
// Restores the classic palette (for tests that changed it).
void ResetSysColors();

// Resolves a system colour to its RGB value; any other value is returned
// unchanged (clNone and clDefault too).
TColorRef ColorToRGB(TColor Color);

// Looks a colour name up ("clRed", "clBtnFace"; case-insensitive).
// Returns false and leaves Color alone for an unknown name.
bool IdentToColor(const String& Ident, TColor& Color);
// Finds the name of a colour value ("clRed"). Returns false when the value
// has no name.
bool ColorToIdent(TColor Color, String& Ident);
// The colour's name, or "$00BBGGRR" (eight hex digits) when it has none.
String ColorToString(TColor Color);
// Reads a colour name, a "$"-prefixed hexadecimal number or a decimal
// number. Raises EConvertError ("'%s' ist kein gültiger Integerwert")
// for anything else.
TColor StringToColor(const String& S);
