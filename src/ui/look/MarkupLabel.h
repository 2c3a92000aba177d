// MarkupLabel: labels that show HTML mark-up (HtmlDraw.h) with clickable
// links.
//  - TCustomMarkupLabel: what both labels share: the mark-up (HTMLText,
//    whose lines are joined without separators, so only BR tags break
//    lines), auto-sizing to the text (AutoSizing, AutoSizeType: the label
//    ends 6 pixels larger than its text), vertical placement, bevels and
//    border, hover highlighting of the link under the mouse, the hand
//    cursor over links and the hint at the cursor with the link's target
//    (AnchorHint) or with the whole text (HintShowFull).
//  - TMarkupLabel: the full label of the wizard's form; a link with "://"
//    or "mailto:" opens at once through the shell, any other link fires
//    OnAnchorClick.
// Setting the label's Caption sets its mark-up (one line), and Caption
// reads the mark-up back; PlainText gives what a reader sees.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <functional>
#include <memory>

#include "platform/gui/comctrls_imagelist.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/stdctrls_label.h"
#include "platform/rtl/strings.h"
#include "ui/look/HtmlDraw.h"
#include "ui/look/PictureStore.h"

RTL_ENUM(TAutoSizeType, asVertical, asHorizontal, asBoth);
RTL_ENUM(TVAlignment, tvaTop, tvaCenter, tvaBottom);

using TAnchorEvent = std::function<void(TObject* Sender, const String& Anchor)>;
using TAnchorHintEvent = std::function<void(TObject* Sender, String& Anchor)>;

class TCustomMarkupLabel : public TCustomLabel {
  RTL_DECLARE_CLASS(TCustomMarkupLabel)
  RTL_MESSAGE_HANDLERS(TCustomMarkupLabel)
 public:
  TCustomMarkupLabel(TComponent* AOwner, THtmlBuild Build);
  ~TCustomMarkupLabel() override;

  // Owned; SetHTMLText copies.
  TStrings* HTMLText() const { return FHTMLText.get(); }
  void SetHTMLText(TStrings* V) { FHTMLText->Assign(V); }
  // The joined mark-up.
  String Html() const;
  // What a reader sees: tags removed, line breaks as "\n".
  String PlainText() const { return HtmlToPlainText(Html()); }

  bool AutoSizing() const { return FAutoSizing; }
  void SetAutoSizing(bool V);
  TAutoSizeType AutoSizeType() const { return FAutoSizeType; }
  void SetAutoSizeType(TAutoSizeType V);
  TVAlignment VAlignment() const { return FVAlignment; }
  void SetVAlignment(TVAlignment V);
  bool Ellipsis() const { return FEllipsis; }
  void SetEllipsis(bool V);
  TColor URLColor() const { return FURLColor; }
  void SetURLColor(TColor V);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor V);
  Integer ShadowOffset() const { return FShadowOffset; }
  void SetShadowOffset(Integer V);
  bool Hover() const { return FHover; }
  void SetHover(bool V);
  TColor HoverColor() const { return FHoverColor; }
  void SetHoverColor(TColor V);
  TColor HoverFontColor() const { return FHoverFontColor; }
  void SetHoverFontColor(TColor V);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut V);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut V);
  Integer BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(Integer V);
  Integer BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(Integer V);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  // Not owned; cleared when freed. A change of the list repaints.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* V);
  TPictureStore* PictureStore() const { return FPictureStore; }
  void SetPictureStore(TPictureStore* V);
  bool AnchorHint() const { return FAnchorHint; }
  void SetAnchorHint(bool V) { FAnchorHint = V; }
  bool HintShowFull() const { return FHintShowFull; }
  void SetHintShowFull(bool V) { FHintShowFull = V; }
  bool HTMLHint() const { return FHTMLHint; }
  void SetHTMLHint(bool V) { FHTMLHint = V; }

  // The link at client point (X, Y) of the text as painted: true with its
  // target and its rectangle (around all its lines), and HoverLink becomes
  // its index; false (Anchor empty, HoverLink -1) when there is none.
  bool AnchorAt(Integer X, Integer Y, String& Anchor, TRect& HoverRect);
  // The link under the mouse (-1 none).
  Integer HoverLink() const { return FHoverLink; }
  // Lays the text out now and applies AutoSizing (as painting does).
  void LayOut();
  // The renderer's parameters for drawing into R of Canvas.
  THtmlDrawParams DrawParams(TCanvas& Canvas, const TRect& R);

  String GetText() const override { return Html(); }
  void SetText(const String& V) override;

 protected:
  // A link was clicked (after the inherited mouse-up handling).
  virtual void LinkClicked(const String& Anchor) = 0;
  // The mouse entered or left a link.
  virtual void LinkEntered(const String&) {}
  virtual void LinkLeft(const String&) {}
  // May change the hint text of a link.
  virtual void LinkHint(String&) {}
  void Paint() override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void AdjustBounds() override {}
  void CMMouseLeave(TMessage& M);
  void CMHintShow(TMessage& M);
  void CMFontChanged(TMessage& M);

 private:
  TRect TextRect();
  // TextRect moved down as VAlignment places the text (measured with C's font).
  TRect PlacedTextRect(TCanvas& C);
  void ApplyAutoSize(Integer TextWidth, Integer TextHeight);
  void RepaintRect(const TRect& R);
  void Changed();

  THtmlBuild FBuild;
  std::unique_ptr<TStringList> FHTMLText;
  bool FAutoSizing = false;
  TAutoSizeType FAutoSizeType = asVertical;
  TVAlignment FVAlignment = tvaTop;
  bool FEllipsis = false;
  TColor FURLColor = clBlue;
  TColor FShadowColor = clGray;
  Integer FShadowOffset = 2;
  bool FHover = false;
  TColor FHoverColor = clHtmlNoColor;
  TColor FHoverFontColor = clHtmlNoColor;
  TBevelCut FBevelInner = bvNone, FBevelOuter = bvNone;
  Integer FBevelWidth = 1;
  Integer FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
  TCustomImageList* FImages = nullptr;
  std::unique_ptr<TChangeLink> FImagesLink;  // registered with FImages
  TPictureStore* FPictureStore = nullptr;
  bool FAnchorHint = false, FHintShowFull = false, FHTMLHint = false;
  bool FHintFromAnchor = false;  // Hint holds the link under the mouse
  Integer FHoverLink = -1;
  TRect FHoverRect{};
  String FLastAnchor;
  TPoint FMouse{-1, -1};
  TMarkupPictureCache FCache;
  bool FSizing = false;
  Integer FSizedWidth = -1, FSizedHeight = -1;  // text size auto-sizing last applied
};

class TMarkupLabel : public TCustomMarkupLabel {
  RTL_DECLARE_CLASS(TMarkupLabel)
 public:
  explicit TMarkupLabel(TComponent* AOwner) : TCustomMarkupLabel(AOwner, THtmlBuild::Full) {}
  TAnchorEvent OnAnchorClick, OnAnchorEnter, OnAnchorExit;
  TAnchorHintEvent OnAnchorHint;

 protected:
  void LinkClicked(const String& Anchor) override;
  void LinkEntered(const String& Anchor) override;
  void LinkLeft(const String& Anchor) override;
  void LinkHint(String& Anchor) override;
};

// True for a link that the labels hand to the shell ("://" or "mailto:").
bool IsShellLink(const String& Anchor);
