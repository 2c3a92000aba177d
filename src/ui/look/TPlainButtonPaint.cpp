// TPlainButton: painting (face, frame, glyph, key label, caption) into an
// off-screen bitmap that is then copied to the screen.
#include "platform/gui/graphics_drawtext.h"
#include "ui/look/TPlainButtonUnit.h"

// The painting steps of one paint, on the off-screen canvas.
struct TPlainButtonPainter {
  TPlainButton& B;
  TCanvas& C;
  TRect Client;

  void Face() {
    bool Parent = B.FTransparentMode == tmAlways || (B.FTransparentMode == tmNotFocused && !B.FMouseInControl);
    if (Parent) {
      DrawParentImage(&B, C);
      return;
    }
    TColor Fill = B.Color();
    switch (B.FState) {
      case 0: Fill = B.FMouseInControl ? B.FColors[0] : B.Color(); break;
      case 2: Fill = B.FColors[1]; break;
      case 3: Fill = B.FMouseInControl ? B.FColors[0] : B.FColors[1]; break;
      default: break;
    }
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Fill);
    C.FillRect(Client);
  }

  void Frame() {
    TColor Light = B.FColors[3], Dark = B.FColors[4], Border = B.FColors[2];
    if (B.FRound > 0) {
      C.Pen()->SetWidth(1);
      C.Pen()->SetColor(B.FState == 0 && B.FMouseInControl ? Dark : Border);
      C.Brush()->SetStyle(bsClear);
      C.RoundRect(0, 0, Client.Right, Client.Bottom, B.FRound, B.FRound);
      C.Brush()->SetStyle(bsSolid);
      return;
    }
    if (B.FState == 0 && B.FMouseInControl)
      DrawFrame3D(C, Client, Light, Dark, 1);
    else if (B.FState == 0)
      DrawFrame3D(C, Client, Border, Border, B.FDefault ? 2 : 1);
    else if (B.FState == 2 || B.FState == 3)
      DrawFrame3D(C, Client, Dark, Light, 1);
    else
      DrawFrame3D(C, Client, Border, Border, 1);
  }

  Integer ImageIndex() const {
    Integer N = B.FNumGlyphs, S = B.FState;
    if (N <= 1) return 0;
    if (N == 2 && S >= 2) return 0;
    if (N == 3 && S == 3) return 2;
    return S < N ? S : 0;
  }

  void Glyph() {
    TBitmap* G = B.FGlyph.get();
    if (G->Empty()) return;
    Integer W = G->Width() / std::max(1, B.FNumGlyphs), H = G->Height();
    auto Image = std::make_unique<TBitmap>();
    Image->SetPixelFormat(pf24bit);
    Image->SetSize(W, H);
    Image->Canvas()->CopyRect(Rect(0, 0, W, H), *G->Canvas(), Bounds(ImageIndex() * W, 0, W, H));
    TColorRef Key = G->PixelSurface().Get(0, H - 1);
    if (B.FNumGlyphs == 1 && B.FState == 1) {
      Image = CreateDisabledGlyph(Image.get());
      Key = Image->PixelSurface().Get(0, H - 1);
    }
    C.TransparentBltSurface(Bounds(B.FGlyphPos.X, B.FGlyphPos.Y, W, H), Image->PixelSurface(), Rect(0, 0, W, H),
                            Key);
  }

  TPoint KeyOffset() const {
    switch (B.FLayout) {
      case blGlyphLeft: return {-(B.Width() / 2) + 10, 0};
      case blGlyphRight: return {30, 20};
      case blGlyphTop: return {14, -20};
      case blGlyphBottom: return {-20, 20};
    }
    return {};
  }

  void KeyLabel() {
    if (B.FVKKey.empty()) return;
    TFont Saved;
    Saved.Assign(C.Font());
    C.Font()->SetName("TAHOMA");
    C.Font()->SetHeight(-11);
    C.Font()->SetStyle(TFontStyles());
    C.Font()->SetColor(B.Enabled() ? clBlack : TColor(0x808080));
    TRect R = Client;
    TPoint D = KeyOffset();
    OffsetRect(R, D.X, D.Y);
    R.Top = 1;
    C.SetBkMode(TRANSPARENT);
    DrawText(C, B.FVKKey, R, DT_CENTER | DT_SINGLELINE);
    C.Font()->Assign(&Saved);
  }

  void Caption() {
    String Text = ReplaceBrTags(B.Caption());
    if (Text.empty()) return;
    const Cardinal Flags = DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS;
    C.SetBkMode(TRANSPARENT);
    TRect R = B.FTextBounds;
    if (!B.Enabled()) {
      OffsetRect(R, 1, 1);
      C.Font()->SetColor(clBtnHighlight);
      DrawText(C, Text, R, Flags);
      R = B.FTextBounds;
      C.Font()->SetColor(clBtnShadow);
    }
    DrawText(C, Text, R, Flags);
  }
};

void TPlainButton::Paint() {
  if (OnOwnerDraw) {
    OnOwnerDraw(this, *Canvas(), FMouseInControl);
    return;
  }
  TRect Client = ClientRect();
  if (Client.IsEmpty()) return;
  TBitmap Buffer;
  Buffer.SetSize(Client.Width(), Client.Height());
  TCanvas& C = *Buffer.Canvas();
  C.SetFont(Font());
  if (FRound > 0 && HandleAllocated()) {
    TRegion Rgn = CreateRoundRectRgn(0, 0, Width() + 1, Height() + 1, FRound, FRound);
    SetWindowRgn(Handle(), &Rgn, false);
  }
  bool Pressed = FState == 2 || FState == 3;
  CalcButtonLayout(C, Client, Pressed ? Point(1, 1) : Point(0, 0), Caption(), FLayout, FMargin, FSpacing,
                   FGlyph.get(), FNumGlyphs, FGlyphPos, FTextBounds);
  if (!Enabled()) {
    FState = 1;
    FDragging = false;
  } else if (FState == 1) {
    FState = FDown && FGroupIndex != 0 ? 3 : 0;
  }
  TPlainButtonPainter P{*this, C, Client};
  P.Face();
  P.Frame();
  P.Glyph();
  P.KeyLabel();
  P.Caption();
  Canvas()->Draw(0, 0, &Buffer);
}
