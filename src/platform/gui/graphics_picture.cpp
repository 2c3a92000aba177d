// TPicture and the registry of picture file formats.
#include "platform/gui/graphics_picture.h"

#include <mutex>
#include <strings.h>

RTL_IMPLEMENT_CLASS(TPicture, TPersistent, [](TObject*) -> TObject* { return new TPicture; })

namespace {

struct TFileFormat {
  String Extension;
  String Description;
  TGraphicClass Factory;
};

template <class T>
TGraphic* Make() {
  return new T;
}

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

std::vector<TFileFormat>& Formats() {
  static std::vector<TFileFormat> formats = {
      {"bmp", "Bitmaps", &Make<TBitmap>},
      {"png", "Portable Network Graphics", &Make<TPngImage>},
      {"jpg", "JPEG-Grafikdatei", &Make<TJPEGImage>},
      {"jpeg", "JPEG-Grafikdatei", &Make<TJPEGImage>},
      {"jpe", "JPEG-Grafikdatei", &Make<TJPEGImage>},
      {"ico", "Symbole", &Make<TIcon>},
      {"gif", "GIF-Grafik", &Make<TGIFImage>},
  };
  return formats;
}

const TFileFormat* FindFormat(const String& Extension) {
  String ext = !Extension.empty() && Extension[0] == '.' ? Extension.substr(1) : Extension;
  for (const TFileFormat& f : Formats())
    if (strcasecmp(f.Extension.c_str(), ext.c_str()) == 0) return &f;
  return nullptr;
}

String ExtensionOf(const String& FileName) {
  size_t dot = FileName.find_last_of('.');
  size_t slash = FileName.find_last_of('/');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return String();
  return FileName.substr(dot + 1);
}

// The graphic class that the data's first bytes announce, or null.
TGraphic* GraphicForSignature(const Byte* P, size_t N) {
  if (N >= 2 && P[0] == 'B' && P[1] == 'M') return new TBitmap;
  if (N >= 8 && P[0] == 0x89 && P[1] == 'P' && P[2] == 'N' && P[3] == 'G') return new TPngImage;
  if (N >= 3 && P[0] == 0xFF && P[1] == 0xD8 && P[2] == 0xFF) return new TJPEGImage;
  if (N >= 4 && P[0] == 0 && P[1] == 0 && P[2] == 1 && P[3] == 0) return new TIcon;
  if (N >= 4 && P[0] == 'G' && P[1] == 'I' && P[2] == 'F' && P[3] == '8') return new TGIFImage;
  return nullptr;
}

}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> G) {
  FGraphic = std::move(G);
  if (FGraphic) FGraphic->OnChange = [this](TObject*) { Changed(); };
  Changed();
}

void TPicture::SetGraphic(TGraphic* V) {
  if (!V) return TakeGraphic(nullptr);
  std::unique_ptr<TGraphic> copy(static_cast<TGraphic*>(V->ClassType()->Create()));
  if (!copy) throw EInvalidGraphic("Grafikklasse " + V->ClassName() + " kann nicht kopiert werden");
  copy->Assign(V);
  TakeGraphic(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get())) TakeGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::LoadFromFile(const String& FileName) {
  String ext = ExtensionOf(FileName);
  std::unique_ptr<TGraphic> g = CreateGraphicForExtension(ext);
  if (!g) throw EInvalidGraphic("Unbekannte Bilddatei-Erweiterung (." + ext + ")");
  g->LoadFromFile(FileName);
  TakeGraphic(std::move(g));
}

void TPicture::SaveToFile(const String& FileName) {
  if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::LoadFromStream(TStream* Stream) {
  std::vector<Byte> data = ReadRemainingBytes(Stream);
  std::unique_ptr<TGraphic> g(GraphicForSignature(data.data(), data.size()));
  if (!g) throw EInvalidGraphic("Unbekanntes Bildformat");
  TReadOnlyMemoryStream s(data.data(), Int64(data.size()));
  g->LoadFromStream(&s);
  TakeGraphic(std::move(g));
}

void TPicture::SaveToStream(TStream* Stream) {
  if (FGraphic) FGraphic->SaveToStream(Stream);
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) return SetGraphic(nullptr);
  if (auto* p = dynamic_cast<TPicture*>(Source)) return SetGraphic(p->Graphic());
  if (auto* g = dynamic_cast<TGraphic*>(Source)) return SetGraphic(g);
  TPersistent::Assign(Source);
}

void TPicture::RegisterFileFormat(const String& Extension, const String& Description,
                                  TGraphicClass Factory) {
  std::lock_guard lock(RegistryMutex());
  auto& formats = Formats();
  for (TFileFormat& f : formats)
    if (strcasecmp(f.Extension.c_str(), Extension.c_str()) == 0) {
      f = {Extension, Description, Factory};
      return;
    }
  formats.push_back({Extension, Description, Factory});
}

void TPicture::UnregisterGraphicClass(TGraphicClass Factory) {
  std::lock_guard lock(RegistryMutex());
  std::erase_if(Formats(), [&](const TFileFormat& f) { return f.Factory == Factory; });
}

std::unique_ptr<TGraphic> TPicture::CreateGraphicForExtension(const String& Extension) {
  std::lock_guard lock(RegistryMutex());
  const TFileFormat* f = FindFormat(Extension);
  return f ? std::unique_ptr<TGraphic>(f->Factory()) : nullptr;
}

String TPicture::FileFormatDescription(const String& Extension) {
  std::lock_guard lock(RegistryMutex());
  const TFileFormat* f = FindFormat(Extension);
  return f ? f->Description : String();
}
