// Image lists: a row of equally sized images (Width x Height) that
// controls draw by index: tree-view nodes, grid indicators, drag images.
// Each image keeps its own transparency: Add takes a mask (white pixels
// of the mask are transparent), AddMasked a transparent colour; Draw lays
// the image over what the canvas holds. Overlay images (up to four) are
// drawn over an image by their overlay number.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/rtl/classes.h"

class TCustomImageList;

// A client's link to an image list: the list calls OnChange (Sender = the
// list) after every change of its images or size. A link registered with
// a list leaves it when either is destroyed (the list clears the link's
// Sender first), so a control that holds one never sees a freed list.
class TChangeLink : public TObject {
  RTL_DECLARE_CLASS(TChangeLink)
 public:
  TChangeLink() = default;
  // Unregisters from its list.
  ~TChangeLink() override;
  // The list it is registered with, or null.
  TCustomImageList* Sender() const { return FSender; }
  // Calls OnChange.
  virtual void Change();
  TNotifyEvent OnChange;

 private:
  TCustomImageList* FSender = nullptr;
  friend class TCustomImageList;
};

class TCustomImageList : public TComponent {
  RTL_DECLARE_CLASS(TCustomImageList)
 public:
  explicit TCustomImageList(TComponent* AOwner);
  // An empty list of AWidth x AHeight images.
  TCustomImageList(Integer AWidth, Integer AHeight);
  ~TCustomImageList() override;

  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  // Changing the size clears the list.
  void SetWidth(Integer V) { SetSize(V, FHeight); }
  void SetHeight(Integer V) { SetSize(FWidth, V); }
  void SetSize(Integer AWidth, Integer AHeight);
  Integer Count() const { return Integer(FImages.size()); }
  // The colour behind images while drawing (clNone: the canvas shows through).
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor V) { FBkColor = V; }

  // Adds Image, cut into Width-wide pieces (at least one), with Mask
  // (null: opaque). Returns the index of the first added image. The list
  // copies the pixels; the caller keeps Image and Mask.
  Integer Add(TBitmap* Image, TBitmap* Mask);
  // As Add, with every pixel of MaskColor transparent (clNone: opaque).
  Integer AddMasked(TBitmap* Image, TColor MaskColor);
  // Raises EListError "Der Index der Liste überschreitet das Maximum (%d)" for a bad index.
  void Delete(Integer Index);
  void Clear();
  // Copies image Index into Image (sized Width x Height, transparent pixels
  // in BkColor or white).
  void GetBitmap(Integer Index, TBitmap* Image);
  // Draws image Index with its top-left at (X, Y); nothing for a bad index.
  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled = true);
  // Declares image ImageIndex as overlay OverlayIndex (0..3); false when out of range.
  bool Overlay(Integer ImageIndex, Integer OverlayIndex);
  // Draws image Index, then the overlay image of number Overlay over it.
  void DrawOverlay(TCanvas* Canvas, Integer X, Integer Y, Integer Index, Integer Overlay, bool Enabled = true);

  TNotifyEvent OnChange;
  // Adds a link that is told of every change (not owned; a link sits on
  // one list at a time, so registering moves it). Null is ignored.
  void RegisterChanges(TChangeLink* Value);
  // Removes the link; unknown links are ignored.
  void UnRegisterChanges(TChangeLink* Value);

 protected:
  // Raises OnChange and tells every registered link.
  void Change();

 private:
  // One image as 32-bit pixels with straight alpha (0 transparent).
  Integer AddPieces(TBitmap* Image, const std::function<bool(Integer X, Integer Y)>& Transparent);

  Integer FWidth = 16, FHeight = 16;
  TColor FBkColor = clNone;
  std::vector<std::unique_ptr<TBitmap>> FImages;
  Integer FOverlays[4] = {-1, -1, -1, -1};
  std::vector<TChangeLink*> FLinks;
};

class TImageList : public TCustomImageList {
  RTL_DECLARE_CLASS(TImageList)
 public:
  explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};
