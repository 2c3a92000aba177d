// Fuzzes the JPEG reader (see image_fuzz.h).
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Sound = fuzz::SoundImage<TJPEGImage>();
  return fuzz::LoadImage<TJPEGImage>(Sound, Data, Size);
}
