// The image fuzz targets (image_*.cpp): one image format each. Any bytes
// either load into a picture within the size limit or fail with
// EInvalidGraphic; nothing else may happen.
//
// Input: first byte bit 1 whole file, else patches to a sound file of the
// format (a small picture saved by our own writer).
#pragma once

#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "platform/gui/graphics_picture.h"

namespace fuzz {

// A 9 x 7 picture of a few colours saved in the format of G.
template <class G>
std::string SoundImage() {
  TBitmap B;
  B.SetPixelFormat(pf32bit);
  B.SetSize(9, 7);
  const TPixelSurface& S = B.PixelSurface();
  for (Integer Y = 0; Y < 7; ++Y)
    for (Integer X = 0; X < 9; ++X) S.Set(X, Y, RGB(Byte(X * 28), Byte(Y * 36), Byte((X + Y) * 16)));
  G Graphic;
  Graphic.Assign(&B);
  TMemoryStream Out;
  Graphic.SaveToStream(&Out);
  return std::string(static_cast<const char*>(Out.Memory()), size_t(Out.Size()));
}

template <class G>
int LoadImage(const std::string& Sound, const uint8_t* Data, size_t Size) {
  std::string Bytes = ImageOrPatches(Sound, Data, Size);
  G Graphic;
  TReadOnlyMemoryStream In(Bytes.data(), Int64(Bytes.size()));
  try {
    Graphic.LoadFromStream(&In);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  if (Int64(Graphic.Width()) * Graphic.Height() > MaxPicturePixels) std::abort();
  return 0;
}

}  // namespace fuzz
