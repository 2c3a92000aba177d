// MarkupLabel: the HTML labels' painting, sizing, links and hints.
#include "ui/look/MarkupLabel.h"

#include "platform/gui/comctrls_imagelist.h"
#include "platform/gui/dialogs_responder.h"
#include "platform/gui/forms.h"
#include "platform/os/process.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TCustomMarkupLabel, TCustomLabel, nullptr)
RTL_IMPLEMENT_CLASS(TMarkupLabel, TCustomMarkupLabel, &ComponentFactory<TMarkupLabel>)

namespace {
// How far auto-sizing lets the text run before it is measured.
constexpr Integer kUnbounded = 65535;
// The label ends this much larger than its text.
constexpr Integer kAutoSizeMargin = 6;
}  // namespace

bool IsShellLink(const String& Anchor) {
  return Anchor.find("://") != String::npos || PosNoCase("mailto:", Anchor) != String::npos;
}

TCustomMarkupLabel::TCustomMarkupLabel(TComponent* AOwner, THtmlBuild Build)
    : TCustomLabel(AOwner),
      FBuild(Build),
      FHTMLText(std::make_unique<TStringList>()),
      FImagesLink(std::make_unique<TChangeLink>()) {
  TCustomLabel::SetAutoSize(false);
  // Pictures of the image list that change show at once.
  FImagesLink->OnChange = [this](TObject*) { Changed(); };
  FHTMLText->OnChange = [this](TObject*) {
    FCache.Clear();
    Changed();
  };
}

TCustomMarkupLabel::~TCustomMarkupLabel() { FHTMLText->OnChange = nullptr; }

String TCustomMarkupLabel::Html() const {
  String S;
  for (Integer I = 0; I < FHTMLText->Count(); ++I) S += FHTMLText->Strings(I);
  return S;
}

void TCustomMarkupLabel::SetText(const String& V) {
  if (FHTMLText->Count() == 1 && FHTMLText->Strings(0) == V) return;
  FHTMLText->BeginUpdate();
  FHTMLText->Clear();
  if (!V.empty()) FHTMLText->Add(V);
  FHTMLText->EndUpdate();
}

void TCustomMarkupLabel::Changed() {
  FSizedWidth = FSizedHeight = -1;
  if (FAutoSizing && !ComponentState().Contains(csLoading)) LayOut();
  Invalidate();
}

#define MARKUP_SETTER(Name, Type, Field) \
  void TCustomMarkupLabel::Set##Name(Type V) { \
    if (Field == V) return;                     \
    Field = V;                                  \
    Changed();                                  \
  }
MARKUP_SETTER(AutoSizing, bool, FAutoSizing)
MARKUP_SETTER(AutoSizeType, TAutoSizeType, FAutoSizeType)
MARKUP_SETTER(VAlignment, TVAlignment, FVAlignment)
MARKUP_SETTER(Ellipsis, bool, FEllipsis)
MARKUP_SETTER(URLColor, TColor, FURLColor)
MARKUP_SETTER(ShadowColor, TColor, FShadowColor)
MARKUP_SETTER(ShadowOffset, Integer, FShadowOffset)
MARKUP_SETTER(Hover, bool, FHover)
MARKUP_SETTER(HoverColor, TColor, FHoverColor)
MARKUP_SETTER(HoverFontColor, TColor, FHoverFontColor)
MARKUP_SETTER(BevelInner, TBevelCut, FBevelInner)
MARKUP_SETTER(BevelOuter, TBevelCut, FBevelOuter)
MARKUP_SETTER(BevelWidth, Integer, FBevelWidth)
MARKUP_SETTER(BorderWidth, Integer, FBorderWidth)
MARKUP_SETTER(BorderStyle, TBorderStyle, FBorderStyle)
#undef MARKUP_SETTER

void TCustomMarkupLabel::SetImages(TCustomImageList* V) {
  if (FImages) FImages->UnRegisterChanges(FImagesLink.get());
  FImages = V;
  if (V) {
    V->FreeNotification(this);
    V->RegisterChanges(FImagesLink.get());
  }
  Changed();
}

void TCustomMarkupLabel::SetPictureStore(TPictureStore* V) {
  FPictureStore = V;
  if (V) V->FreeNotification(this);
  Changed();
}

void TCustomMarkupLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomLabel::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) {
    FImages->UnRegisterChanges(FImagesLink.get());
    FImages = nullptr;
  }
  if (AComponent == FPictureStore) FPictureStore = nullptr;
}

// ---- Layout and painting ---------------------------------------------------------------------

THtmlDrawParams TCustomMarkupLabel::DrawParams(TCanvas& Canvas, const TRect& R) {
  THtmlDrawParams P;
  P.Canvas = &Canvas;
  P.Text = Html();
  P.Rect = R;
  P.Images = FImages;
  P.MouseX = FMouse.X;
  P.MouseY = FMouse.Y;
  P.HoverLink = FHoverLink;
  P.HoverMode = FHover;
  P.WordWrap = !FEllipsis;
  P.ShadowColor = FShadowColor;
  P.ShadowOffset = FShadowOffset;
  P.URLColor = FURLColor;
  P.HoverColor = FHoverColor;
  P.HoverFontColor = FHoverFontColor;
  P.Build = FBuild;
  if (FBuild == THtmlBuild::Full) {
    P.Pictures = FPictureStore;
    P.Cache = &FCache;
  }
  return P;
}

TRect TCustomMarkupLabel::TextRect() {
  TRect R = ClientRect();
  Integer Inset = FBorderWidth + (FBevelOuter != bvNone ? FBevelWidth : 0) + (FBevelInner != bvNone ? FBevelWidth : 0);
  InflateRect(R, -Inset, -Inset);
  if (FAutoSizing) {
    bool Wide = Align() == alNone || Align() == alLeft || Align() == alRight;
    bool High = Align() == alNone || Align() == alTop || Align() == alBottom;
    if (Wide && FAutoSizeType != asVertical) R.Right = R.Left + kUnbounded;
    if (High && FAutoSizeType != asHorizontal) R.Bottom = R.Top + kUnbounded;
  }
  return R;
}

void TCustomMarkupLabel::ApplyAutoSize(Integer TextWidth, Integer TextHeight) {
  // Once per change of the text's size: a parent that aligns the label
  // back to another size must not make painting and sizing chase each other.
  if (!FAutoSizing || FSizing || (TextWidth == FSizedWidth && TextHeight == FSizedHeight)) return;
  FSizedWidth = TextWidth;
  FSizedHeight = TextHeight;
  FSizing = true;
  if (FAutoSizeType != asHorizontal && Height() != TextHeight + kAutoSizeMargin)
    SetHeight(TextHeight + kAutoSizeMargin);
  if (FAutoSizeType != asVertical && Width() != TextWidth + kAutoSizeMargin) SetWidth(TextWidth + kAutoSizeMargin);
  FSizing = false;
}

void TCustomMarkupLabel::LayOut() {
  TBitmap Measure;
  Measure.SetSize(1, 1);
  Measure.Canvas()->SetFont(Font());
  THtmlDrawParams P = DrawParams(*Measure.Canvas(), TextRect());
  P.MeasureOnly = true;
  THtmlDrawResult R;
  HtmlDraw(P, R);
  FSizedWidth = FSizedHeight = -1;
  ApplyAutoSize(R.Width, R.Height);
}

void TCustomMarkupLabel::Paint() {
  TCanvas& C = *Canvas();
  TRect Client = ClientRect();
  if (!Transparent()) {
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Color());
    C.FillRect(Client);
  }
  TRect Frame = Client;
  if (FBevelOuter != bvNone) DrawBevel(C, Frame, FBevelOuter, FBevelWidth);
  if (FBevelInner != bvNone) DrawBevel(C, Frame, FBevelInner, FBevelWidth);
  if (FBorderStyle == bsSingle && FBorderWidth > 0) {
    C.Brush()->SetColor(clBlack);
    for (Integer I = 0; I < FBorderWidth; ++I) C.FrameRect(Rect(I, I, Client.Right - I, Client.Bottom - I));
  }
  C.Font()->Assign(Font());
  THtmlDrawResult Result;
  HtmlDraw(DrawParams(C, PlacedTextRect(C)), Result);
  ApplyAutoSize(Result.Width, Result.Height);
}

TRect TCustomMarkupLabel::PlacedTextRect(TCanvas& C) {
  TRect R = TextRect();
  if (FVAlignment == tvaTop) return R;
  THtmlDrawParams M = DrawParams(C, R);
  M.MeasureOnly = true;
  THtmlDrawResult Size;
  HtmlDraw(M, Size);
  Integer Free = R.Height() - Size.Height;
  if (Free > 0) OffsetRect(R, 0, FVAlignment == tvaCenter ? Free / 2 : Free);
  return R;
}

// ---- Links, mouse and hints ------------------------------------------------------------------

// The text is hit-tested where painting puts it (VAlignment included).
bool TCustomMarkupLabel::AnchorAt(Integer X, Integer Y, String& Anchor, TRect& HoverRect) {
  TBitmap Measure;
  Measure.SetSize(1, 1);
  Measure.Canvas()->SetFont(Font());
  THtmlDrawParams P = DrawParams(*Measure.Canvas(), PlacedTextRect(*Measure.Canvas()));
  P.MouseX = X;
  P.MouseY = Y;
  P.HitTestOnly = true;
  P.HoverLink = -1;
  THtmlDrawResult R;
  HtmlDraw(P, R);
  Anchor = R.OnLink ? R.Anchor : String();
  HoverRect = TRect{};
  FHoverLink = R.OnLink ? R.LinkIndex : -1;
  if (!R.OnLink) return false;
  // Once more with the link as the hover link, for its rectangle.
  P.HoverLink = R.LinkIndex;
  THtmlDrawResult Hovered;
  HtmlDraw(P, Hovered);
  HoverRect = Hovered.HoverRect;
  return true;
}

void TCustomMarkupLabel::RepaintRect(const TRect& R) {
  if (!Parent() || IsRectEmpty(R)) {
    Invalidate();
    return;
  }
  TRect On = R;
  OffsetRect(On, Left(), Top());
  if (Parent()->HandleAllocated()) InvalidateRect(Parent()->Handle(), &On, false);
}

void TCustomMarkupLabel::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TCustomLabel::MouseMove(Shift, X, Y);
  FMouse = Point(X, Y);
  Integer OldIndex = FHoverLink;
  String Anchor;
  TRect Rect;
  if (AnchorAt(X, Y, Anchor, Rect)) {
    if ((Anchor != FLastAnchor || !EqualRect(Rect, FHoverRect)) && FHover) RepaintRect(FHoverRect);
    if (Cursor() != crHandPoint || Anchor != FLastAnchor || OldIndex != FHoverLink) {
      if (FAnchorHint) Application->CancelHint();
      SetCursor(crHandPoint);
      LinkEntered(Anchor);
      if (FHover) RepaintRect(Rect);
    }
    FLastAnchor = Anchor;
    FHoverRect = Rect;
    // The application shows hints only for controls with a hint text.
    if (FAnchorHint && (Hint().empty() || FHintFromAnchor)) {
      SetHint(Anchor);
      FHintFromAnchor = true;
    }
    if (FHover) RepaintRect(Rect);
    return;
  }
  FHoverLink = -1;
  if (Cursor() == crHandPoint) {
    SetCursor(crDefault);
    LinkLeft(FLastAnchor);
    if (FHover) RepaintRect(FHoverRect);
    FHoverRect = TRect{};
    FLastAnchor.clear();
  }
  if (FHintFromAnchor) {
    SetHint("");
    FHintFromAnchor = false;
  }
}

void TCustomMarkupLabel::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TCustomLabel::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  String Anchor;
  TRect Rect;
  if (AnchorAt(X, Y, Anchor, Rect)) LinkClicked(Anchor);
}

void TCustomMarkupLabel::CMMouseLeave(TMessage& M) {
  Inherited(TCustomMarkupLabel::StaticClass(), M);
  if (FHover) RepaintRect(FHoverRect);
  FHoverLink = -1;
  FMouse = Point(-1, -1);
  if (Cursor() == crHandPoint) SetCursor(crDefault);
}

void TCustomMarkupLabel::CMHintShow(TMessage& M) {
  auto* Info = reinterpret_cast<THintInfo*>(M.LParam);
  if (!Info) return;
  TPoint P = ScreenToClient(Info->CursorPos);
  String Anchor;
  TRect Rect;
  if (FAnchorHint && AnchorAt(P.X, P.Y, Anchor, Rect)) {
    LinkHint(Anchor);
    Info->HintStr = Anchor;
    Info->HintPos = Point(Info->CursorPos.X + 10, Info->CursorPos.Y - 10);
    return;
  }
  if (FHintShowFull) Info->HintStr = FHTMLHint ? Html() : HtmlToPlainText(Html(), "\r\n");
}

void TCustomMarkupLabel::CMFontChanged(TMessage& M) {
  Inherited(TCustomMarkupLabel::StaticClass(), M);
  Changed();
}

RTL_MESSAGE_MAP(TCustomMarkupLabel) {
  M.On(CM_MOUSELEAVE, &TCustomMarkupLabel::CMMouseLeave);
  M.On(CM_HINTSHOW, &TCustomMarkupLabel::CMHintShow);
  M.On(CM_FONTCHANGED, &TCustomMarkupLabel::CMFontChanged);
}

// ---- TMarkupLabel ----------------------------------------------------------------------------

void TMarkupLabel::LinkClicked(const String& Anchor) {
  if (IsShellLink(Anchor)) {
    ShellExecute(nullptr, "open", Anchor, "", "", SW_SHOWNORMAL);
    return;
  }
  if (OnAnchorClick) OnAnchorClick(this, Anchor);
}

void TMarkupLabel::LinkEntered(const String& Anchor) {
  if (OnAnchorEnter) OnAnchorEnter(this, Anchor);
}

void TMarkupLabel::LinkLeft(const String& Anchor) {
  if (OnAnchorExit) OnAnchorExit(this, Anchor);
}

void TMarkupLabel::LinkHint(String& Anchor) {
  if (OnAnchorHint) OnAnchorHint(this, Anchor);
}

// ---- Published properties --------------------------------------------------------------------

RTL_PUBLISHED(TCustomMarkupLabel) {
  using T = TCustomMarkupLabel;
  P.Prop("HTMLText", &T::HTMLText, &T::SetHTMLText);
  P.Prop("AutoSizing", &T::AutoSizing, &T::SetAutoSizing).Default(false);
  P.Prop("AutoSizeType", &T::AutoSizeType, &T::SetAutoSizeType).Default(asVertical);
  P.Prop("BevelInner", &T::BevelInner, &T::SetBevelInner).Default(bvNone);
  P.Prop("BevelOuter", &T::BevelOuter, &T::SetBevelOuter).Default(bvNone);
  P.Prop("BevelWidth", &T::BevelWidth, &T::SetBevelWidth).Default(1);
  P.Prop("BorderWidth", &T::BorderWidth, &T::SetBorderWidth).Default(0);
}

RTL_PUBLISHED(TMarkupLabel) {
  using T = TMarkupLabel;
  P.Prop("VAlignment", &T::VAlignment, &T::SetVAlignment).Default(tvaTop);
  P.Prop("Ellipsis", &T::Ellipsis, &T::SetEllipsis).Default(false);
  P.Prop("URLColor", &T::URLColor, &T::SetURLColor).TypeName("TColor").Default(clBlue);
  P.Prop("ShadowColor", &T::ShadowColor, &T::SetShadowColor).TypeName("TColor").Default(clGray);
  P.Prop("ShadowOffset", &T::ShadowOffset, &T::SetShadowOffset).Default(2);
  P.Prop("Hover", &T::Hover, &T::SetHover).Default(false);
  P.Prop("HoverColor", &T::HoverColor, &T::SetHoverColor).TypeName("TColor").Default(clHtmlNoColor);
  P.Prop("HoverFontColor", &T::HoverFontColor, &T::SetHoverFontColor).TypeName("TColor").Default(clHtmlNoColor);
  P.Prop("BorderStyle", &T::BorderStyle, &T::SetBorderStyle).Default(bsNone);
  P.Prop("Images", &T::Images, &T::SetImages);
  P.Prop("PictureStore", &T::PictureStore, &T::SetPictureStore);
  P.Prop("AnchorHint", &T::AnchorHint, &T::SetAnchorHint).Default(false);
  P.Prop("HintShowFull", &T::HintShowFull, &T::SetHintShowFull).Default(false);
  P.Prop("HTMLHint", &T::HTMLHint, &T::SetHTMLHint).Default(false);
  P.Field("OnAnchorClick", &T::OnAnchorClick);
  P.Field("OnAnchorEnter", &T::OnAnchorEnter);
  P.Field("OnAnchorExit", &T::OnAnchorExit);
  P.Field("OnAnchorHint", &T::OnAnchorHint);
}

[[maybe_unused]] static const bool MarkupLabelRegistered = (RegisterClass(TMarkupLabel::StaticClass()), true);

// The test responder reads a mark-up label as the reader sees it.
[[maybe_unused]] static const bool MarkupLabelTextReader = (AddDialogTextReader([](TControl* C, String& Text) {
                                                              auto* L = dynamic_cast<TCustomMarkupLabel*>(C);
                                                              if (!L) return false;
                                                              Text = L->PlainText();
                                                              return true;
                                                            }),
                                                            true);
