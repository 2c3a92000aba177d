// The bitmaps of resources/ that the look units draw (message pictures,
// button glyphs, shell icons), loaded once and kept for the process.
//
// Thread safety: GUI thread only.
#pragma once

#include "platform/gui/graphics.h"

// The RT_BITMAP resource Name, loaded on first use; owned by the cache for
// the life of the process. Null when there is no such resource or it
// cannot be read.
TBitmap* ResourceBitmap(const String& Name);

// Draws Bitmap with its top-left at (X, Y), leaving out the pixels of its
// bottom-left pixel's colour.
void DrawTransparentBitmap(TCanvas& Canvas, Integer X, Integer Y, TBitmap* Bitmap);
