// Frames and fills of the original platform's user interface drawn on a
// canvas: DrawEdge (3D edges), DrawFrameControl (check boxes, radio
// buttons, push buttons, scroll arrows, caption buttons, menu marks) and
// FillGradient, all in the classic system colours.
//
// Thread safety: as TCanvas (one thread per canvas).
#pragma once

#include "platform/gui/graphics_canvas.h"

// Edge kinds of DrawEdge.
constexpr Cardinal BDR_RAISEDOUTER = 0x1;
constexpr Cardinal BDR_SUNKENOUTER = 0x2;
constexpr Cardinal BDR_RAISEDINNER = 0x4;
constexpr Cardinal BDR_SUNKENINNER = 0x8;
constexpr Cardinal BDR_OUTER = 0x3;
constexpr Cardinal BDR_INNER = 0xC;
constexpr Cardinal EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr Cardinal EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr Cardinal EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr Cardinal EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
// Sides and options of DrawEdge.
constexpr Cardinal BF_LEFT = 0x1;
constexpr Cardinal BF_TOP = 0x2;
constexpr Cardinal BF_RIGHT = 0x4;
constexpr Cardinal BF_BOTTOM = 0x8;
constexpr Cardinal BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr Cardinal BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr Cardinal BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr Cardinal BF_MIDDLE = 0x800;
constexpr Cardinal BF_SOFT = 0x1000;
constexpr Cardinal BF_ADJUST = 0x2000;
constexpr Cardinal BF_FLAT = 0x4000;
constexpr Cardinal BF_MONO = 0x8000;

// Draws the edges of R: each of the outer and inner borders is one pixel,
// its top and left side in the light colour, its bottom and right side in
// the dark one (the bottom-left and top-right corners belong to the dark
// sides). BF_MIDDLE fills the inside with clBtnFace; BF_ADJUST shrinks R
// to the inside. Returns true.
bool DrawEdge(TCanvas& Canvas, TRect& R, Cardinal Edge, Cardinal Flags);

// DrawFrameControl kinds and states.
constexpr Cardinal DFC_CAPTION = 1;
constexpr Cardinal DFC_MENU = 2;
constexpr Cardinal DFC_SCROLL = 3;
constexpr Cardinal DFC_BUTTON = 4;
constexpr Cardinal DFCS_CAPTIONCLOSE = 0x0;
constexpr Cardinal DFCS_CAPTIONMIN = 0x1;
constexpr Cardinal DFCS_CAPTIONMAX = 0x2;
constexpr Cardinal DFCS_CAPTIONRESTORE = 0x3;
constexpr Cardinal DFCS_MENUARROW = 0x0;
constexpr Cardinal DFCS_MENUCHECK = 0x1;
constexpr Cardinal DFCS_MENUBULLET = 0x2;
constexpr Cardinal DFCS_SCROLLUP = 0x0;
constexpr Cardinal DFCS_SCROLLDOWN = 0x1;
constexpr Cardinal DFCS_SCROLLLEFT = 0x2;
constexpr Cardinal DFCS_SCROLLRIGHT = 0x3;
constexpr Cardinal DFCS_SCROLLCOMBOBOX = 0x5;
constexpr Cardinal DFCS_BUTTONCHECK = 0x0;
constexpr Cardinal DFCS_BUTTONRADIO = 0x4;
constexpr Cardinal DFCS_BUTTON3STATE = 0x8;
constexpr Cardinal DFCS_BUTTONPUSH = 0x10;
constexpr Cardinal DFCS_INACTIVE = 0x100;
constexpr Cardinal DFCS_PUSHED = 0x200;
constexpr Cardinal DFCS_CHECKED = 0x400;
constexpr Cardinal DFCS_FLAT = 0x4000;
constexpr Cardinal DFCS_MONO = 0x8000;

// Draws a standard control part of kind Type (DFC_*) into R in the given
// State (a DFCS_* part plus state flags). Check boxes and radio buttons
// take a 13 x 13 square centred in R. Returns false for an unknown kind.
bool DrawFrameControl(TCanvas& Canvas, const TRect& R, Cardinal Type, Cardinal State);

// Fills R with colours running from From to To, left to right, or top to
// bottom when Vertical; each column (row) gets the channel-wise linear
// mix, the first exactly From and the last exactly To.
void FillGradient(TCanvas& Canvas, const TRect& R, TColor From, TColor To, bool Vertical);
