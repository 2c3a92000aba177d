// DrawText: formatted text in a rectangle (alignment, word breaks, tabs,
// "&" prefixes, ellipses, measuring), as the original platform's routine.
//
// Thread safety: as TCanvas (one thread per canvas).
#pragma once

#include "platform/gui/graphics_canvas.h"

constexpr Cardinal DT_TOP = 0x0;
constexpr Cardinal DT_LEFT = 0x0;
constexpr Cardinal DT_CENTER = 0x1;
constexpr Cardinal DT_RIGHT = 0x2;
constexpr Cardinal DT_VCENTER = 0x4;
constexpr Cardinal DT_BOTTOM = 0x8;
constexpr Cardinal DT_WORDBREAK = 0x10;
constexpr Cardinal DT_SINGLELINE = 0x20;
constexpr Cardinal DT_EXPANDTABS = 0x40;
constexpr Cardinal DT_TABSTOP = 0x80;
constexpr Cardinal DT_NOCLIP = 0x100;
constexpr Cardinal DT_EXTERNALLEADING = 0x200;
constexpr Cardinal DT_CALCRECT = 0x400;
constexpr Cardinal DT_NOPREFIX = 0x800;
constexpr Cardinal DT_INTERNAL = 0x1000;
constexpr Cardinal DT_EDITCONTROL = 0x2000;
constexpr Cardinal DT_PATH_ELLIPSIS = 0x4000;
constexpr Cardinal DT_END_ELLIPSIS = 0x8000;
constexpr Cardinal DT_MODIFYSTRING = 0x10000;
constexpr Cardinal DT_RTLREADING = 0x20000;
constexpr Cardinal DT_WORD_ELLIPSIS = 0x40000;
constexpr Cardinal DT_HIDEPREFIX = 0x100000;
constexpr Cardinal DT_PREFIXONLY = 0x200000;

// Draws Text into R of Canvas with the canvas font, in the font colour,
// the background filled behind each line when the background mode is
// OPAQUE. Lines break at CR, LF or CR LF (not with DT_SINGLELINE); with
// DT_WORDBREAK also at spaces where a line would pass R's right edge (a
// longer word stays whole, or is cut between characters with
// DT_EDITCONTROL, which also leaves out lines below the first that would
// not show whole in R). Unless DT_NOPREFIX, "&x" underlines x and "&&" is "&".
// DT_VCENTER and DT_BOTTOM act on single-line text only. DT_END_ELLIPSIS
// and DT_PATH_ELLIPSIS shorten a line that is too wide with "...". With
// DT_CALCRECT nothing is drawn: R's right and bottom are set to the
// extent of the text (its widest line, its lines' heights).
// Returns the height of the text. Count < 0: all of Text; otherwise its
// first Count characters.
Integer DrawText(TCanvas& Canvas, const String& Text, Integer Count, TRect& R, Cardinal Flags);
inline Integer DrawText(TCanvas& Canvas, const String& Text, TRect& R, Cardinal Flags) {
  return DrawText(Canvas, Text, -1, R, Flags);
}
