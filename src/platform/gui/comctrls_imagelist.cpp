// Image lists: storage as 32-bit pixels with alpha, drawing, overlays.
#include "platform/gui/comctrls_imagelist.h"
#include "platform/rtl/lists.h"

#include "platform/rtl/format.h"

RTL_IMPLEMENT_CLASS(TCustomImageList, TComponent, &ComponentFactory<TCustomImageList>)
RTL_IMPLEMENT_CLASS(TImageList, TCustomImageList, &ComponentFactory<TImageList>)
RTL_IMPLEMENT_CLASS(TChangeLink, TObject, nullptr)

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(Integer AWidth, Integer AHeight) : TComponent(nullptr) {
  SetSize(AWidth, AHeight);
}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* L : FLinks) L->FSender = nullptr;
}

void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
  // A handler may unregister links: walk a copy, skipping the ones gone.
  std::vector<TChangeLink*> Links = FLinks;
  for (TChangeLink* L : Links)
    if (std::find(FLinks.begin(), FLinks.end(), L) != FLinks.end()) L->Change();
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value || Value->FSender == this) return;
  if (Value->FSender) Value->FSender->UnRegisterChanges(Value);
  Value->FSender = this;
  FLinks.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto It = std::find(FLinks.begin(), FLinks.end(), Value);
  if (It == FLinks.end()) return;
  FLinks.erase(It);
  Value->FSender = nullptr;
}

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

void TCustomImageList::SetSize(Integer AWidth, Integer AHeight) {
  if (AWidth == FWidth && AHeight == FHeight) return;
  FWidth = std::max<Integer>(AWidth, 1);
  FHeight = std::max<Integer>(AHeight, 1);
  Clear();
}

Integer TCustomImageList::AddPieces(TBitmap* Image, const std::function<bool(Integer X, Integer Y)>& Transparent) {
  Integer First = Count();
  if (!Image || Image->Empty()) return -1;
  const TPixelSurface& Src = Image->PixelSurface();
  Integer Pieces = std::max<Integer>(1, Image->Width() / FWidth);
  for (Integer P = 0; P < Pieces; ++P) {
    auto Bmp = std::make_unique<TBitmap>();
    Bmp->SetPixelFormat(pf32bit);
    Bmp->SetSize(FWidth, FHeight);
    for (Integer Y = 0; Y < FHeight; ++Y) {
      Byte* Row = Bmp->ScanLine(Y);
      for (Integer X = 0; X < FWidth; ++X) {
        Integer SX = P * FWidth + X;
        bool Inside = SX < Src.Width && Y < Src.Height;
        TColorRef C = Inside ? Src.Get(SX, Y) : 0;
        Byte* Px = Row + X * 4;
        Px[0] = Byte(C >> 16);
        Px[1] = Byte(C >> 8);
        Px[2] = Byte(C);
        Px[3] = Inside && !Transparent(SX, Y) ? 255 : 0;
      }
    }
    FImages.push_back(std::move(Bmp));
  }
  Change();
  return First;
}

Integer TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Mask || Mask->Empty()) return AddPieces(Image, [](Integer, Integer) { return false; });
  const TPixelSurface& M = Mask->PixelSurface();
  return AddPieces(Image, [&M](Integer X, Integer Y) {
    return X < M.Width && Y < M.Height && (M.Get(X, Y) & 0xFFFFFF) == 0xFFFFFF;
  });
}

Integer TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (MaskColor == clNone) return Add(Image, nullptr);
  TColorRef Key = ColorToRGB(MaskColor);
  const TPixelSurface* S = Image ? &Image->PixelSurface() : nullptr;
  return AddPieces(Image, [S, Key](Integer X, Integer Y) { return S->Get(X, Y) == Key; });
}

void TCustomImageList::Delete(Integer Index) {
  if (Index < 0 || Index >= Count())
    ListError(SListIndexError, Index);
  FImages.erase(FImages.begin() + Index);
  Change();
}

void TCustomImageList::Clear() {
  FImages.clear();
  for (Integer& O : FOverlays) O = -1;
  Change();
}

void TCustomImageList::GetBitmap(Integer Index, TBitmap* Image) {
  if (!Image || Index < 0 || Index >= Count()) return;
  Image->SetSize(FWidth, FHeight);
  Image->Canvas()->Brush()->SetColor(FBkColor == clNone ? clWhite : FBkColor);
  Image->Canvas()->FillRect(Rect(0, 0, FWidth, FHeight));
  Draw(Image->Canvas(), 0, 0, Index);
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled) {
  if (!Canvas || Index < 0 || Index >= Count()) return;
  TRect Dest = Bounds(X, Y, FWidth, FHeight);
  if (FBkColor != clNone) {
    Canvas->Brush()->SetColor(FBkColor);
    Canvas->FillRect(Dest);
  }
  // A disabled image shows half blended into what lies behind it.
  Canvas->AlphaBlendSurface(Dest, FImages[Index]->PixelSurface(), Rect(0, 0, FWidth, FHeight),
                            Enabled ? 255 : 128);
}

bool TCustomImageList::Overlay(Integer ImageIndex, Integer OverlayIndex) {
  if (OverlayIndex < 0 || OverlayIndex > 3 || ImageIndex < 0 || ImageIndex >= Count()) return false;
  FOverlays[OverlayIndex] = ImageIndex;
  return true;
}

void TCustomImageList::DrawOverlay(TCanvas* Canvas, Integer X, Integer Y, Integer Index, Integer Overlay,
                                   bool Enabled) {
  Draw(Canvas, X, Y, Index, Enabled);
  if (Overlay >= 0 && Overlay <= 3 && FOverlays[Overlay] >= 0) {
    TColor Bk = FBkColor;
    FBkColor = clNone;
    Draw(Canvas, X, Y, FOverlays[Overlay], Enabled);
    FBkColor = Bk;
  }
}

RTL_PUBLISHED(TCustomImageList) {
  P.Prop("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth).Default(16);
  P.Prop("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight).Default(16);
  P.Prop("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor).TypeName("TColor");
  P.Field("OnChange", &TCustomImageList::OnChange);
}
