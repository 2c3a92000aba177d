// TBevel, TShape, TImage and TScrollBox.
#include <algorithm>

#include "platform/gui/extctrls.h"
#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TBevel, TGraphicControl, &ComponentFactory<TBevel>)
RTL_IMPLEMENT_CLASS(TShape, TGraphicControl, &ComponentFactory<TShape>)
RTL_IMPLEMENT_CLASS(TImage, TGraphicControl, &ComponentFactory<TImage>)
RTL_IMPLEMENT_CLASS(TScrollBox, TWinControl, &ComponentFactory<TScrollBox>)

// ---- TBevel --------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape V) {
  FShape = V;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle V) {
  FStyle = V;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas& C = *Canvas();
  TColor First = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor Second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  Integer W = Width(), H = Height();
  C.Brush()->SetStyle(bsSolid);
  auto Fill = [&C](TColor Cl, const TRect& R) {
    C.Brush()->SetColor(Cl);
    C.FillRect(R);
  };
  switch (FShape) {
    case bsBox: {
      TRect R = ClientRect();
      DrawBevel(C, R, FStyle == bsLowered ? bvLowered : bvRaised, 1);
      break;
    }
    case bsFrame:
      // Two nested outlines: the first colour outside, the second one pixel in.
      Fill(Second, Rect(1, 1, W, 2)), Fill(Second, Rect(1, 1, 2, H)), Fill(Second, Rect(1, H - 1, W, H)),
          Fill(Second, Rect(W - 1, 1, W, H));
      Fill(First, Rect(0, 0, W - 1, 1)), Fill(First, Rect(0, 0, 1, H - 1)), Fill(First, Rect(0, H - 2, W - 1, H - 1)),
          Fill(First, Rect(W - 2, 0, W - 1, H - 1));
      break;
    case bsTopLine: Fill(First, Rect(0, 0, W, 1)), Fill(Second, Rect(0, 1, W, 2)); break;
    case bsBottomLine: Fill(First, Rect(0, H - 2, W, H - 1)), Fill(Second, Rect(0, H - 1, W, H)); break;
    case bsLeftLine: Fill(First, Rect(0, 0, 1, H)), Fill(Second, Rect(1, 0, 2, H)); break;
    case bsRightLine: Fill(First, Rect(W - 2, 0, W - 1, H)), Fill(Second, Rect(W - 1, 0, W, H)); break;
    case bsSpacer: break;
  }
}

// ---- TShape --------------------------------------------------------------------------

TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 65, 65);
  FPen->OnChange = [this](TObject*) { Invalidate(); };
  FBrush->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() = default;

void TShape::SetShape(TShapeType V) {
  FShape = V;
  Invalidate();
}

void TShape::Paint() {
  TCanvas& C = *Canvas();
  C.SetPen(FPen.get());
  C.SetBrush(FBrush.get());
  Integer PW = FPen->Width(), X = PW / 2, Y = X;
  Integer W = Width() - PW + 1, H = Height() - PW + 1;
  if (PW == 0) --W, --H;
  // Squares and circles take the shorter side, centred along the longer.
  if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
    if (W < H) Y += (H - W) / 2, H = W;
    else X += (W - H) / 2, W = H;
  }
  switch (FShape) {
    case stRectangle:
    case stSquare: C.Rectangle(X, Y, X + W, Y + H); break;
    case stRoundRect:
    case stRoundSquare: {
      Integer S = std::min(W, H) / 4;
      C.RoundRect(X, Y, X + W, Y + H, S, S);
      break;
    }
    case stEllipse:
    case stCircle: C.Ellipse(X, Y, X + W, Y + H); break;
  }
}

// ---- TImage --------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 105, 105);
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
}

TImage::~TImage() = default;

void TImage::PictureChanged(TObject*) {
  // A new graphic takes the image's Transparent, whichever was set first.
  if (TGraphic* G = FPicture->Graphic(); G && G->Transparent() != FTransparent && !G->Is<TIcon>())
    G->SetTransparent(FTransparent);
  if (AutoSize() && FPicture->Width() > 0 && FPicture->Height() > 0) SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
  Invalidate();
}

void TImage::SetCenter(bool V) { FCenter = V, Invalidate(); }
void TImage::SetStretch(bool V) { FStretch = V, Invalidate(); }
void TImage::SetProportional(bool V) { FProportional = V, Invalidate(); }

void TImage::SetTransparent(bool V) {
  FTransparent = V;
  if (TGraphic* G = FPicture->Graphic()) G->SetTransparent(V);
  Invalidate();
}

bool TImage::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (FPicture->Width() <= 0 || FPicture->Height() <= 0) return true;
  NewWidth = FPicture->Width();
  NewHeight = FPicture->Height();
  return true;
}

TRect TImage::DestRect() {
  Integer W = FPicture->Width(), H = FPicture->Height(), CW = ClientWidth(), CH = ClientHeight();
  if (FStretch || (FProportional && (W > CW || H > CH))) {
    if (FProportional && W > 0 && H > 0) {
      // Shrink to fit, keeping the aspect ratio.
      if (Int64(CW) * H > Int64(CH) * W) W = MulDiv(W, CH, H), H = CH;
      else H = MulDiv(H, CW, W), W = CW;
    } else {
      W = CW, H = CH;
    }
  }
  TRect R = Rect(0, 0, W, H);
  if (FCenter) OffsetRect(R, (CW - W) / 2, (CH - H) / 2);
  return R;
}

void TImage::Paint() {
  TGraphic* G = FPicture->Graphic();
  if (!G || G->Empty()) return;
  TRect R = DestRect();
  if (R.Width() == G->Width() && R.Height() == G->Height()) Canvas()->Draw(R.Left, R.Top, G);
  else Canvas()->StretchDraw(R, G);
}

// ---- TScrollBox ------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 185, 41);
}

void TScrollBox::SetBorderStyle(TBorderStyle V) {
  if (V == FBorderStyle) return;
  FBorderStyle = V;
  RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  ApplyBorderStyle(Params, FBorderStyle);
}

void TScrollBox::ScrollBy(Integer DX, Integer DY) {
  if (DX == 0 && DY == 0) return;
  DisableAlign();
  for (Integer I = 0; I < ControlCount(); ++I) {
    TControl* C = Controls(I);
    C->SetBounds(C->Left() + DX, C->Top() + DY, C->Width(), C->Height());
  }
  EnableAlign();
  FScrollPos.X -= DX;
  FScrollPos.Y -= DY;
  Invalidate();
}

// ---- Published properties and registration ----------------------------------------------

RTL_PUBLISHED(TBevel) {
  P.Prop("Shape", &TBevel::Shape, &TBevel::SetShape).Default(bsBox);
  P.Prop("Style", &TBevel::Style, &TBevel::SetStyle).Default(bsLowered);
}

RTL_PUBLISHED(TShape) {
  P.Prop("Shape", &TShape::Shape, &TShape::SetShape).Default(stRectangle);
  P.Prop("Pen", &TShape::Pen, &TShape::SetPen);
  P.Prop("Brush", &TShape::Brush, &TShape::SetBrush);
}

RTL_PUBLISHED(TImage) {
  P.Prop("Picture", &TImage::Picture, &TImage::SetPicture);
  P.Prop("Center", &TImage::Center, &TImage::SetCenter).Default(false);
  P.Prop("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
  P.Prop("Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false);
  P.Prop("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
}

RTL_PUBLISHED(TScrollBox) {
  P.Prop("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle).Default(bsSingle);
  P.Prop("AutoScroll", &TScrollBox::AutoScroll, &TScrollBox::SetAutoScroll).Default(true);
}

[[maybe_unused]] static const bool GraphicClassesRegistered = (RegisterClasses({TBevel::StaticClass(),
    TShape::StaticClass(), TImage::StaticClass(), TScrollBox::StaticClass()}), true);
