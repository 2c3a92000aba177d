// PictureStore: markup pictures, the named picture store and the cache.
#include "ui/look/PictureStore.h"

#include "platform/gui/reader.h"
#include "platform/gui/resources.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TMarkupPicture, TGraphic, nullptr)
RTL_IMPLEMENT_CLASS(TPictureItem, TCollectionItem, &CollectionItemFactory<TPictureItem>)
RTL_IMPLEMENT_CLASS(TPictureStore, TComponent, &ComponentFactory<TPictureStore>)

namespace {

// Offsets of the frames of a GIF: each graphic control extension ("!",
// 0xF9, block size 4) followed, after its block, by an image separator.
std::vector<size_t> GifFrames(const std::vector<Byte>& D) {
  std::vector<size_t> Frames;
  if (D.size() < 13 || D[0] != 'G' || D[1] != 'I' || D[2] != 'F' || D[3] != '8') return Frames;
  for (size_t I = 13; I + 8 < D.size(); ++I)
    if (D[I] == '!' && D[I + 1] == 0xF9 && D[I + 2] == 4 && D[I + 8] == ',') Frames.push_back(I);
  return Frames;
}

}  // namespace

TMarkupPicture::TMarkupPicture() = default;
TMarkupPicture::~TMarkupPicture() = default;

Integer TMarkupPicture::Width() const {
  if (FScreenWidth > 0) return FScreenWidth;
  return FImage ? FImage->Width() : 0;
}

Integer TMarkupPicture::Height() const {
  if (FScreenHeight > 0) return FScreenHeight;
  return FImage ? FImage->Height() : 0;
}

void TMarkupPicture::Draw(TCanvas& Canvas, const TRect& R) {
  if (FImage) FImage->Draw(Canvas, R);
}

void TMarkupPicture::SetFrame(Integer V) {
  if (V == FFrame || V < 1) return;
  FFrame = V;
  if (!FData.empty()) Reload();
}

Integer TMarkupPicture::FrameCount() {
  if (FData.empty()) return 0;
  if (FFrameCount < 0) {
    FFrameCount = Integer(GifFrames(FData).size());
    if (FFrameCount == 0) FFrameCount = 1;
  }
  return FFrameCount;
}

void TMarkupPicture::Reload() {
  std::vector<Byte> Bytes = FData;
  FScreenWidth = FScreenHeight = 0;
  std::vector<size_t> Frames = GifFrames(FData);
  if (!Frames.empty()) {
    FScreenWidth = LoadLE16(&FData[6]);
    FScreenHeight = LoadLE16(&FData[8]);
    size_t Chosen = size_t(std::min<Integer>(FFrame, Integer(Frames.size())) - 1);
    if (Chosen > 0) {
      // The frames before the chosen one are left out, so that the loader
      // shows the chosen frame first.
      Bytes.assign(FData.begin(), FData.begin() + Frames[0]);
      Bytes.insert(Bytes.end(), FData.begin() + Frames[Chosen], FData.end());
    }
  }
  TReadOnlyMemoryStream S(Bytes.data(), Bytes.size());
  TPicture Loader;
  try {
    Loader.LoadFromStream(&S);
  } catch (const Exception&) {
    FImage.reset();
    FScreenWidth = FScreenHeight = 0;
    throw EInvalidGraphic("Could not load image. Invalid format");
  }
  if (!Loader.Graphic()) {
    FImage.reset();
    throw EInvalidGraphic("Could not load image");
  }
  auto Copy = std::make_unique<TBitmap>();
  // A picture with pixels of its own (GIF, PNG, icon) keeps their alpha:
  // what a frame leaves open stays see-through.
  if (auto* Pixels = dynamic_cast<TPixelGraphic*>(Loader.Graphic()))
    Copy->Assign(Pixels->Bitmap());
  else
    Copy->Assign(Loader.Graphic());
  FImage = std::move(Copy);
}

void TMarkupPicture::LoadFromStream(TStream* Stream) {
  ReadData(Stream);
  Changed();
}

void TMarkupPicture::ReadData(TStream* Stream) {
  FData.clear();
  Byte Buf[65536];
  for (;;) {
    Integer N = Stream->Read(Buf, sizeof Buf);
    if (N <= 0) break;
    FData.insert(FData.end(), Buf, Buf + N);
  }
  FFrameCount = -1;
  Reload();
}

void TMarkupPicture::SaveToStream(TStream* Stream) {
  if (!FData.empty()) Stream->WriteBuffer(FData.data(), Integer(FData.size()));
}

void TMarkupPicture::Assign(TPersistent* Source) {
  auto* Other = dynamic_cast<TMarkupPicture*>(Source);
  if (!Other) {
    TGraphic::Assign(Source);
    return;
  }
  FData = Other->FData;
  FFrame = Other->FFrame;
  FFrameCount = -1;
  ID = Other->ID;
  URL = Other->URL;
  Stretch = Other->Stretch;
  FImage.reset();
  FScreenWidth = FScreenHeight = 0;
  if (!FData.empty()) Reload();
  Changed();
}

void TMarkupPicture::LoadFromResourceName(const String& Name) {
  TResourceStream S(Name, RT_RCDATA);
  LoadFromStream(&S);
}

void TMarkupPicture::LoadFromURL(const String& Address) {
  String Up = UpperCase(Address);
  if (Up.rfind("RES://", 0) == 0) {
    LoadFromResourceName(Address.substr(6));
  } else if (Up.rfind("FILE://", 0) == 0) {
    LoadFromFile(Address.substr(7));
  } else {
    // Nothing is fetched from the network: the address is only kept.
    URL = Address;
    ID = Address;
  }
}

// ---- Store and cache ---------------------------------------------------------------------

TPictureItem::TPictureItem(TCollection* ACollection)
    : TCollectionItem(ACollection), FPicture(std::make_unique<TMarkupPicture>()) {}
TPictureItem::~TPictureItem() = default;

void TPictureItem::Assign(TPersistent* Source) {
  auto* Other = dynamic_cast<TPictureItem*>(Source);
  if (!Other) {
    TCollectionItem::Assign(Source);
    return;
  }
  FPicture->Assign(Other->Picture());
  Name = Other->Name;
  Tag = Other->Tag;
}

TPictureStore::TPictureStore(TComponent* AOwner)
    : TComponent(AOwner), FItems(std::make_unique<TCollection>(TPictureItem::StaticClass())) {}
TPictureStore::~TPictureStore() = default;

TPictureItem* TPictureStore::Add(const String& Name) {
  auto* Item = FItems->Add<TPictureItem>();
  Item->Name = Name;
  return Item;
}

TMarkupPicture* FindPicture(TPictureStore* Store, const String& Name) {
  if (!Store) return nullptr;
  for (int I = 0; I < Store->Items()->Count(); ++I) {
    auto* Item = static_cast<TPictureItem*>(Store->Items()->Items(I));
    if (SameText(Item->Name, Name)) return Item->Picture();
  }
  return nullptr;
}

TMarkupPicture* TMarkupPictureCache::AddPicture() {
  FItems.push_back(std::make_unique<TMarkupPicture>());
  return FItems.back().get();
}

TMarkupPicture* TMarkupPictureCache::FindPictureByID(const String& ID) const {
  for (const auto& P : FItems)
    if (P->ID == ID) return P.get();
  return nullptr;
}

RTL_PUBLISHED(TPictureItem) {
  P.Prop("Picture", &TPictureItem::Picture, &TPictureItem::SetPicture);
  P.Field("Name", &TPictureItem::Name);
  P.Field("Tag", &TPictureItem::Tag);
}

RTL_PUBLISHED(TPictureStore) {
  P.Prop("Items", &TPictureStore::Items, [](TPictureStore* S, TCollection* V) { S->Items()->Assign(V); });
}

// "Picture.Data" of a form description: the picture's stored bytes as
// they are, read without OnChange.
static void ReadMarkupPictureData(TObject* Instance, const TDfmValue& V) {
  if (V.Kind != TDfmValueKind::Binary) throw EReadError("Ungültiger Eigenschaftswert");
  TReadOnlyMemoryStream S(V.Bytes.data(), Int64(V.Bytes.size()));
  static_cast<TMarkupPicture*>(Instance)->ReadData(&S);
}

[[maybe_unused]] static const bool PictureStoreRegistered =
    (RegisterClasses({TPictureStore::StaticClass(), TPictureItem::StaticClass()}),
     RegisterDefinedProperty(TMarkupPicture::StaticClass(), "Data", &ReadMarkupPictureData), true);
