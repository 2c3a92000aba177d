// Fuzzes the GIF reader (see image_fuzz.h); GIF files are only read, so
// the sound file is a 2 x 2 GIF89a with a transparent colour written out.
#include "image_fuzz.h"

namespace {

const unsigned char SoundGif[] = {
    'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0,        // screen, 4-colour table
    0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 255,                // the table
    0x21, 0xF9, 4, 1, 0, 0, 3, 0,                                // index 3 transparent
    0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x40,                          // image, interlaced
    2, 3, 0x84, 0x2D, 0x05, 0, 0x3B};                            // LZW data, trailer

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Sound(reinterpret_cast<const char*>(SoundGif), sizeof SoundGif);
  return fuzz::LoadImage<TGIFImage>(Sound, Data, Size);
}
