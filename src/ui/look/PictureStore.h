// PictureStore: the pictures that the mark-up of a TMarkupLabel can name.
//  - TMarkupPicture: a graphic over the raw bytes of any picture the
//    system's picture loader reads (BMP, PNG, JPEG, GIF, ICO); for an
//    animated GIF, Frame (from 1) selects the frame that is shown.
//  - TPictureStore: a component with a collection of named pictures
//    (TPictureItem: Picture, Name, Tag); FindPicture looks a name up.
//  - TMarkupPictureCache: the pictures a label met by address ("://"),
//    owned by the cache.
// Loading failures raise EInvalidGraphic with the messages "Could not load
// image. Invalid format" and "Could not load image"; the picture is then
// left empty. Addresses other than "RES://" and "FILE://" are only kept:
// the program fetches nothing from the network, so such pictures stay
// empty.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/rtl/collection.h"
#include "platform/rtl/classes.h"

class TMarkupPicture : public TGraphic {
  RTL_DECLARE_CLASS(TMarkupPicture)
 public:
  TMarkupPicture();
  ~TMarkupPicture() override;

  void Draw(TCanvas& Canvas, const TRect& R) override;
  Integer Width() const override;
  Integer Height() const override;
  void SetWidth(Integer) override {}
  void SetHeight(Integer) override {}
  bool Empty() const override { return !FImage; }
  void LoadFromStream(TStream* Stream) override;
  // Loads the bytes of Stream without OnChange (a form description's
  // "Picture.Data"). Raises EInvalidGraphic as LoadFromStream.
  void ReadData(TStream* Stream);
  // Writes the stored bytes unchanged.
  void SaveToStream(TStream* Stream) override;
  void Assign(TPersistent* Source) override;
  // "RES://name" (an RCDATA resource), "FILE://path", or any other address
  // (kept as URL and ID, nothing fetched).
  void LoadFromURL(const String& URL);
  void LoadFromResourceName(const String& Name);

  // The frame of an animated GIF, from 1; other pictures ignore it.
  Integer Frame() const { return FFrame; }
  void SetFrame(Integer V);
  // Frames of the GIF (1 for any other picture, 0 when empty).
  Integer FrameCount();
  bool Stretch = false;
  String ID, URL;
  bool Asynch = true;

 private:
  void Reload();
  std::vector<Byte> FData;
  std::unique_ptr<TGraphic> FImage;
  Integer FFrame = 1;
  Integer FFrameCount = -1;
  Integer FScreenWidth = 0, FScreenHeight = 0;  // GIF logical screen
};

class TPictureItem : public TCollectionItem {
  RTL_DECLARE_CLASS(TPictureItem)
 public:
  explicit TPictureItem(TCollection* ACollection);
  ~TPictureItem() override;
  // Owned; setting copies.
  TMarkupPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TMarkupPicture* V) { FPicture->Assign(V); }
  String Name;
  Integer Tag = 0;
  void Assign(TPersistent* Source) override;

 private:
  std::unique_ptr<TMarkupPicture> FPicture;
};

class TPictureStore : public TComponent {
  RTL_DECLARE_CLASS(TPictureStore)
 public:
  explicit TPictureStore(TComponent* AOwner);
  ~TPictureStore() override;
  // Owned.
  TCollection* Items() const { return FItems.get(); }
  // A new item named Name (owned by the collection).
  TPictureItem* Add(const String& Name);

 private:
  std::unique_ptr<TCollection> FItems;
};

// The picture of the first item named Name (any letter case), or null.
TMarkupPicture* FindPicture(TPictureStore* Store, const String& Name);

class TMarkupPictureCache {
 public:
  // A new empty picture, owned by the cache.
  TMarkupPicture* AddPicture();
  // The picture whose ID equals ID exactly, or null.
  TMarkupPicture* FindPictureByID(const String& ID) const;
  void Clear() { FItems.clear(); }
  size_t Count() const { return FItems.size(); }

 private:
  std::vector<std::unique_ptr<TMarkupPicture>> FItems;
};
