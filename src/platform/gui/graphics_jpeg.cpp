// JPEG through libjpeg: TJPEGImage. libjpeg reports errors by jumping out
// of the library; the jump lands in a plain function that holds no C++
// objects, and the C++ side turns the message into EInvalidGraphic.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "platform/gui/graphics_picture.h"

RTL_IMPLEMENT_CLASS(TJPEGImage, TPixelGraphic, [](TObject*) -> TObject* { return new TJPEGImage; })

namespace {

struct TJpegError {
  jpeg_error_mgr Mgr;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr Info) {
  auto* err = reinterpret_cast<TJpegError*>(Info->err);
  (*Info->err->format_message)(Info, err->Message);
  std::longjmp(err->Jump, 1);
}

// Warnings (a truncated file, bad data) count as errors: a picture that
// decodes only partly is corrupt.
void EmitMessage(j_common_ptr Info, int Level) {
  if (Level < 0) ErrorExit(Info);
}

// Decodes into Pixels (RGB rows, allocated by Grow once the size is
// known). Returns false with Message filled on failure.
bool DecodeJpeg(const Byte* Data, size_t Size, std::vector<Byte>* Pixels, Integer* W,
                Integer* H, TJpegError* Err) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&Err->Mgr);
  Err->Mgr.error_exit = ErrorExit;
  Err->Mgr.emit_message = EmitMessage;
  if (setjmp(Err->Jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, Data, static_cast<unsigned long>(Size));
  jpeg_read_header(&info, TRUE);
  // Checked before the decoder allocates (a progressive image keeps all
  // its coefficients in memory).
  Int64 Wide = info.image_width, High = info.image_height;
  if (Wide <= 0 || High <= 0 || Wide > MaxPicturePixels / High) {
    std::snprintf(Err->Message, sizeof Err->Message, "Bild zu groß");
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  *W = Integer(info.output_width);
  *H = Integer(info.output_height);
  Pixels->resize(size_t(*W) * *H * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = Pixels->data() + size_t(info.output_scanline) * *W * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool EncodeJpeg(const std::vector<Byte>& Rgb, Integer W, Integer H, Integer Quality,
                unsigned char** Out, unsigned long* OutSize, TJpegError* Err) {
  jpeg_compress_struct info;
  info.err = jpeg_std_error(&Err->Mgr);
  Err->Mgr.error_exit = ErrorExit;
  if (setjmp(Err->Jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, Out, OutSize);
  info.image_width = JDIMENSION(W);
  info.image_height = JDIMENSION(H);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, Quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(Rgb.data() + size_t(info.next_scanline) * W * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

TJPEGImage::TJPEGImage() : TPixelGraphic(pf24bit, false) {}

void TJPEGImage::LoadFromStream(TStream* Stream) {
  std::vector<Byte> data = ReadRemainingBytes(Stream), rgb;
  Integer w = 0, h = 0;
  TJpegError err{};
  if (data.empty() || !DecodeJpeg(data.data(), data.size(), &rgb, &w, &h, &err))
    throw EInvalidGraphic(String("JPEG-Bild ist ungültig: ") +
                          (data.empty() ? "keine Daten" : err.Message));
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf24bit);
  bmp->SetSize(w, h);
  const TPixelSurface& s = bmp->PixelSurface();
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) {
      const Byte* p = &rgb[(size_t(y) * w + x) * 3];
      s.Set(x, y, RGB(p[0], p[1], p[2]));
    }
  TakeBitmap(std::move(bmp));
}

void TJPEGImage::SaveToStream(TStream* Stream) {
  RequireImage();
  const TPixelSurface& s = Bitmap()->PixelSurface();
  std::vector<Byte> rgb(size_t(s.Width) * s.Height * 3);
  for (Integer y = 0; y < s.Height; ++y)
    for (Integer x = 0; x < s.Width; ++x) {
      TColorRef c = s.Get(x, y);
      Byte* q = &rgb[(size_t(y) * s.Width + x) * 3];
      q[0] = GetRValue(c); q[1] = GetGValue(c); q[2] = GetBValue(c);
    }
  unsigned char* out = nullptr;
  unsigned long size = 0;
  TJpegError err{};
  bool ok = EncodeJpeg(rgb, s.Width, s.Height, std::clamp(CompressionQuality, 1, 100), &out,
                       &size, &err);
  if (ok) {
    try {
      Stream->WriteBuffer(out, Int64(size));
    } catch (...) {
      std::free(out);
      throw;
    }
  }
  std::free(out);
  if (!ok) throw EInvalidGraphic(String("JPEG-Bild kann nicht geschrieben werden: ") + err.Message);
}

void TJPEGImage::AssignSettings(TPixelGraphic* Source) {
  CompressionQuality = static_cast<TJPEGImage*>(Source)->CompressionQuality;
}
