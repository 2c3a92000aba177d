// Colour constants, the system palette and the colour names table.
#include "platform/gui/graphics_colors.h"

#include <array>
#include <cstdio>
#include <strings.h>

#include "platform/rtl/exceptions.h"

namespace {

// The classic Windows palette, indexed by the COLOR_* constants (BGR).
constexpr std::array<TColorRef, COLOR_ENDCOLORS + 1> kClassicPalette = {
    0xC0C0C0, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0,
    0x808080, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xDFDFDF, 0x000000,
    0xE1FFFF, 0xC0C0C0, 0xFF0000, 0xD08410, 0xB5B5B5, 0xC56A31, 0xD8E9EC};

std::array<TColorRef, COLOR_ENDCOLORS + 1>& Palette() {
  static std::array<TColorRef, COLOR_ENDCOLORS + 1> palette = kClassicPalette;
  return palette;
}

struct TColorName {
  TColor Value;
  const char* Name;
};

// Plain colours first, so that ColorToIdent prefers "clSilver" over
// "clLtGray".
constexpr TColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"},
    {clOlive, "clOlive"}, {clNavy, "clNavy"}, {clPurple, "clPurple"},
    {clTeal, "clTeal"}, {clGray, "clGray"}, {clSilver, "clSilver"},
    {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"},
    {clWhite, "clWhite"}, {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"}, {clMedGray, "clMedGray"},
    {clLtGray, "clLtGray"}, {clDkGray, "clDkGray"},
    {clActiveBorder, "clActiveBorder"}, {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"}, {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"}, {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"}, {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"}, {clMenu, "clMenu"}, {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"}, {clMenuText, "clMenuText"},
    {clNone, "clNone"}, {clScrollBar, "clScrollBar"}, {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"}};

bool ParseHex(const String& Digits, long long& Value) {
  if (Digits.empty() || Digits.size() > 8) return false;
  Value = 0;
  for (char c : Digits) {
    int d = (c >= '0' && c <= '9') ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (d < 0) return false;
    Value = Value * 16 + d;
  }
  return true;
}

bool ParseDecimal(const String& S, long long& Value) {
  size_t i = (S[0] == '-' || S[0] == '+') ? 1 : 0;
  if (i >= S.size() || S.size() - i > 10) return false;
  Value = 0;
  for (; i < S.size(); ++i) {
    if (S[i] < '0' || S[i] > '9') return false;
    Value = Value * 10 + (S[i] - '0');
  }
  if (S[0] == '-') Value = -Value;
  return Value >= INT32_MIN && Value <= UINT32_MAX;
}

}  // namespace

TColorRef GetSysColor(Integer Index) {
  if (Index < 0 || Index > COLOR_ENDCOLORS) return 0;
  return Palette()[Index];
}

void SetSysColor(Integer Index, TColorRef Value) {
  if (Index >= 0 && Index <= COLOR_ENDCOLORS) Palette()[Index] = Value & 0xFFFFFF;
}

void ResetSysColors() { Palette() = kClassicPalette; }

TColorRef ColorToRGB(TColor Color) {
  if (Color < 0) return GetSysColor(Color & 0xFF);
  return static_cast<TColorRef>(Color);
}

bool IdentToColor(const String& Ident, TColor& Color) {
  for (const TColorName& n : kColorNames)
    if (strcasecmp(n.Name, Ident.c_str()) == 0) {
      Color = n.Value;
      return true;
    }
  return false;
}

bool ColorToIdent(TColor Color, String& Ident) {
  for (const TColorName& n : kColorNames)
    if (n.Value == Color) {
      Ident = n.Name;
      return true;
    }
  return false;
}

String ColorToString(TColor Color) {
  String s;
  if (ColorToIdent(Color, s)) return s;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%.8X", static_cast<Cardinal>(Color));
  return buf;
}

TColor StringToColor(const String& S) {
  TColor c;
  if (IdentToColor(S, c)) return c;
  long long v = 0;
  bool ok = !S.empty() && (S[0] == '$' ? ParseHex(S.substr(1), v)
                           : (S.size() > 2 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X'))
                               ? ParseHex(S.substr(2), v)
                               : ParseDecimal(S, v));
  if (!ok) throw EConvertError("'" + S + "' ist kein gültiger Integerwert");
  return static_cast<TColor>(static_cast<Cardinal>(v));
}
