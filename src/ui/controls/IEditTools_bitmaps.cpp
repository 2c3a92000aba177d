// IEditTools: the work bitmap, transparent, grey and faded bitmaps,
// gradients and button frames.
#include <memory>

#include "platform/gui/graphics_frames.h"
#include "platform/gui/resources.h"
#include "ui/controls/IEditTools.h"

const TColor EditToolsWhite = ColorValue(0xFFFFFF);
const TColor EditToolsSilver = ColorValue(0xC0C0C0);

TBitmap* EditToolsWorkBitmap() {
  static std::unique_ptr<TBitmap> Work = [] {
    auto B = std::make_unique<TBitmap>();
    B->SetPixelFormat(pf24bit);
    return B;
  }();
  return Work.get();
}

bool LoadBitmapResource(TBitmap* Bitmap, const String& Name) {
  TResourceData Found;
  if (!Bitmap || !FindResource(Name, RT_BITMAP, Found)) return false;
  try {
    TResourceStream S(Name, RT_BITMAP);
    TBitmap Loaded;
    Loaded.LoadFromStream(&S);
    Bitmap->Assign(&Loaded);
    return true;
  } catch (const EInvalidGraphic&) {
    return false;
  }
}

void BlitTransparent(TCanvas* DC, TBitmap* Bitmap, const TRect& Area, TColor TransparentColor, bool Stretch) {
  if (!DC || !Bitmap || Bitmap->Empty()) return;
  const TPixelSurface& S = Bitmap->PixelSurface();
  TColorRef Key = TColorRef(TransparentColor) == 0xFFFFFF ? S.Get(0, S.Height - 1) : ColorToRGB(TransparentColor);
  TRect Dest = Stretch ? Area : Bounds(Area.Left, Area.Top, S.Width, S.Height);
  DC->TransparentBltSurface(Dest, S, Rect(0, 0, S.Width, S.Height), Key);
}

void DrawTransparent(TCanvas* Canvas, TBitmap* Bitmap, const TRect& Area, bool Transparent, bool Stretch) {
  if (!Canvas || !Bitmap || Bitmap->Empty()) return;
  if (Transparent) {
    BlitTransparent(Canvas, Bitmap, Area, Bitmap->TransparentColor(), Stretch);
    return;
  }
  const TPixelSurface& S = Bitmap->PixelSurface();
  TRect Dest = Stretch ? Area : Bounds(Area.Left, Area.Top, S.Width, S.Height);
  Canvas->StretchBltSurface(Dest, S, Rect(0, 0, S.Width, S.Height), SRCCOPY);
}

namespace {
Byte Luma(TColorRef C) { return Byte((GetRValue(C) * 30 + GetGValue(C) * 59 + GetBValue(C) * 11) / 100); }
Byte Toward(Byte V, Byte Target, Integer Percent) { return Byte(V + (Integer(Target) - V) * Percent / 100); }
TColorRef Grey(Byte L) { return RGB(L, L, L); }

// Copies Source into Dest's pixels (same size, 24 bits) and calls Fn for
// every pixel that is not of colour Key with its coordinates and colour.
template <class F>
void FilterPixels(TBitmap* Source, TBitmap* Dest, TColorRef Key, F Fn) {
  if (!Source || !Dest || Source->Empty()) return;
  TBitmap Copy;
  Copy.Assign(Source);  // Source and Dest may be the same bitmap
  Dest->SetPixelFormat(pf24bit);
  Dest->SetSize(Copy.Width(), Copy.Height());
  const TPixelSurface& In = Copy.PixelSurface();
  const TPixelSurface& Out = Dest->PixelSurface();
  for (Integer Y = 0; Y < In.Height; ++Y)
    for (Integer X = 0; X < In.Width; ++X) {
      TColorRef C = In.Get(X, Y);
      Out.Set(X, Y, C == Key ? C : Fn(In, X, Y, C));
    }
  Dest->SetModified(true);
}
}  // namespace

void GreyBitmap(TBitmap* Source, TBitmap* Dest, Integer Style, TColor Transparent) {
  TColorRef Key = ColorToRGB(Transparent);
  FilterPixels(Source, Dest, Key, [Style, Key](const TPixelSurface& In, Integer X, Integer Y, TColorRef C) -> TColorRef {
    switch (Style) {
      case 1:  // light wash: the colour three quarters of the way to white
        return RGB(Toward(GetRValue(C), 255, 60), Toward(GetGValue(C), 255, 60), Toward(GetBValue(C), 255, 60));
      case 3:  // dark silhouette in shades of the button shadow
        return Grey(Byte(64 + Luma(C) / 4));
      case 5:  // pressed default button: colours darkened by a fifth
        return RGB(Toward(GetRValue(C), 0, 20), Toward(GetGValue(C), 0, 20), Toward(GetBValue(C), 0, 20));
      default: {
        // Grey levels 66 (black) to 189 (white), smoothed with the right
        // and lower neighbours that are not transparent.
        Integer Sum = Luma(C), N = 1;
        if (X + 1 < In.Width && In.Get(X + 1, Y) != Key) Sum += Luma(In.Get(X + 1, Y)), ++N;
        if (Y + 1 < In.Height && In.Get(X, Y + 1) != Key) Sum += Luma(In.Get(X, Y + 1)), ++N;
        Integer L = (2 * Luma(C) + Sum / N) / 3;
        return Grey(Byte(66 + L * (189 - 66) / 255));
      }
    }
  });
}

void FadeBitmap(TBitmap* Source, TBitmap* Dest, TColor Transparent, Integer Percent) {
  FilterPixels(Source, Dest, ColorToRGB(Transparent), [Percent](const TPixelSurface&, Integer X, Integer Y, TColorRef C) -> TColorRef {
    if ((X + Y) % 2) return C;
    return RGB(Toward(GetRValue(C), 255, Percent), Toward(GetGValue(C), 255, Percent),
               Toward(GetBValue(C), 255, Percent));
  });
}

void GradientFill(TCanvas* Canvas, TColor From, TColor To, Integer Direction, const TRect& Area, Integer Steps) {
  if (!Canvas || Area.IsEmpty()) return;
  bool Vertical = Direction == gdVertical;
  Integer Length = Vertical ? Area.Height() : Area.Width();
  Steps = std::max(1, std::min(Steps, Length));
  TColorRef A = ColorToRGB(From), B = ColorToRGB(To);
  auto Mix = [Steps](Byte P, Byte Q, Integer i) {
    return Byte(Steps == 1 ? P : P + (Integer(Q) - P) * i / (Steps - 1));
  };
  for (Integer i = 0; i < Steps; ++i) {
    Integer S0 = Length * i / Steps, S1 = Length * (i + 1) / Steps;
    TRect Band = Vertical ? Rect(Area.Left, Area.Top + S0, Area.Right, Area.Top + S1)
                          : Rect(Area.Left + S0, Area.Top, Area.Left + S1, Area.Bottom);
    Canvas->Brush()->SetColor(RGB(Mix(GetRValue(A), GetRValue(B), i), Mix(GetGValue(A), GetGValue(B), i),
                                  Mix(GetBValue(A), GetBValue(B), i)));
    Canvas->FillRect(Band);
  }
}

void DrawButtonFrame(TCanvas* Canvas, const TRect& Area, Integer Style, TColor Color, bool Pressed) {
  if (!Canvas) return;
  TRect R = Area;
  switch (Style) {
    case 0:
      if (Pressed) {
        DrawEdge(*Canvas, R, BDR_SUNKENINNER, BF_RIGHT | BF_BOTTOM);
        DrawEdge(*Canvas, R, BDR_SUNKENOUTER, BF_LEFT | BF_TOP);
      } else {
        DrawEdge(*Canvas, R, BDR_RAISEDINNER, BF_RECT);
      }
      break;
    case 3:
      InflateRect(R, -1, -1);
      [[fallthrough]];
    case 1:
      DrawEdge(*Canvas, R, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      break;
    case 2: {
      Canvas->Brush()->SetColor(Color);
      Canvas->FrameRect(R);
      bool Silver = ColorToRGB(Color) == 0xC0C0C0;
      Canvas->Brush()->SetColor(Silver ? ColorValue(0x808080) : EditToolsSilver);
      Canvas->FillRect(Rect(R.Right - 2, R.Top + 1, R.Right - 1, R.Bottom - 1));
      Canvas->FillRect(Rect(R.Left + 1, R.Bottom - 2, R.Right - 1, R.Bottom - 1));
      break;
    }
    default: break;
  }
}
