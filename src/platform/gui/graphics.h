// The drawing layer of the visual class library in one include: geometry,
// colours, regions, fonts, pens, brushes, the canvas, DrawText, bitmaps
// and pictures. See each header for its contract.
#pragma once

#include "platform/gui/graphics_bitmap.h"
#include "platform/gui/graphics_canvas.h"
#include "platform/gui/graphics_colors.h"
#include "platform/gui/graphics_drawtext.h"
#include "platform/gui/graphics_frames.h"
#include "platform/gui/graphics_picture.h"
#include "platform/gui/graphics_tools.h"
#include "platform/gui/graphics_types.h"
#include "platform/gui/region.h"
