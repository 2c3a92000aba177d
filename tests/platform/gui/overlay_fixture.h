// A verb of the desktop-overlay tests: a grey two-pixel frame inverted on
// the desktop (as the rubber frames of the controls are drawn).
#pragma once

#include "platform/gui/desktop_overlay.h"

inline void InvertDesktopFrame(TRect R) {
  TCanvas* DC = GetDC(nullptr);
  DC->Brush()->SetColor(ColorValue(0x999999));
  TRegion Frame = TRegion(R).Subtract(TRegion(Rect(R.Left + 2, R.Top + 2, R.Right - 2, R.Bottom - 2)));
  for (const TRect& P : Frame.Rects()) DC->PatBlt(P, PATINVERT);
  ReleaseDC(nullptr, DC);
}
