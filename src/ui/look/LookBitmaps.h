// The bitmaps of resources/ that the look units draw (message pictures,
// button glyphs, shell icons), loaded once and kept for the process.
//
// Thread safety: GUI thread only.
#pragma once

#include <memory>

#include "platform/gui/graphics.h"

// The RT_BITMAP resource Name, loaded on first use; owned by the cache for
// the life of the process. Null when there is no such resource or it
// cannot be read.
TBitmap* ResourceBitmap(const String& Name);

// Draws Bitmap with its top-left at (X, Y), leaving out the pixels of its
// bottom-left pixel's colour.
void DrawTransparentBitmap(TCanvas& Canvas, Integer X, Integer Y, TBitmap* Bitmap);

// Bitmap stretched smoothly (bilinear) to W x H as a 32-bit bitmap with
// alpha: the pixels of its bottom-left pixel's colour become transparent,
// and the edges of the picture fade out without that colour bleeding into
// them. Null for an empty bitmap or size.
std::unique_ptr<TBitmap> SmoothStretchTransparent(TBitmap* Bitmap, Integer W, Integer H);
