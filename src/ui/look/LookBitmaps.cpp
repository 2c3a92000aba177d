// The look units' resource bitmaps and the shell icons of the renderer.
#include "ui/look/LookBitmaps.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

#include "platform/gui/resources.h"
#include "platform/os/fileapi.h"
#include "platform/rtl/sysutils.h"
#include "ui/look/HtmlDraw.h"

TBitmap* ResourceBitmap(const String& Name) {
  static std::map<String, std::unique_ptr<TBitmap>> Cache;
  auto Found = Cache.find(Name);
  if (Found != Cache.end()) return Found->second.get();
  std::unique_ptr<TBitmap> B;
  try {
    TResourceStream S(Name, RT_BITMAP);
    B = std::make_unique<TBitmap>();
    B->LoadFromStream(&S);
  } catch (const Exception&) {
    B.reset();  // a missing or unreadable resource draws nothing
  }
  return (Cache[Name] = std::move(B)).get();
}

void DrawTransparentBitmap(TCanvas& Canvas, Integer X, Integer Y, TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Empty()) return;
  const TPixelSurface& S = Bitmap->PixelSurface();
  Canvas.TransparentBltSurface(Bounds(X, Y, S.Width, S.Height), S, Rect(0, 0, S.Width, S.Height),
                               S.Get(0, S.Height - 1));
}

std::unique_ptr<TBitmap> SmoothStretchTransparent(TBitmap* Bitmap, Integer W, Integer H) {
  if (!Bitmap || Bitmap->Empty() || W <= 0 || H <= 0) return nullptr;
  const TPixelSurface& S = Bitmap->PixelSurface();
  const TColorRef Key = S.Get(0, S.Height - 1);
  auto Result = std::make_unique<TBitmap>();
  Result->SetPixelFormat(pf32bit);
  Result->SetSize(W, H);
  Result->SetAlphaFormat(afDefined);
  const TPixelSurface& D = Result->PixelSurface();
  // The source position of a target pixel's centre: its two neighbours
  // along one axis and the weight of the second.
  struct TTap {
    Integer First, Second;
    double Weight;
  };
  auto Tap = [](Integer Target, Integer TargetSize, Integer SourceSize) {
    double At = std::clamp((Target + 0.5) * SourceSize / TargetSize - 0.5, 0.0, double(SourceSize - 1));
    Integer First = Integer(At);
    return TTap{First, std::min(First + 1, SourceSize - 1), At - First};
  };
  for (Integer Y = 0; Y < H; ++Y) {
    const TTap Row = Tap(Y, H, S.Height);
    for (Integer X = 0; X < W; ++X) {
      const TTap Col = Tap(X, W, S.Width);
      // Blue, green and red weighted by their opacity, and the opacity.
      double Sum[4] = {};
      for (const auto& [SX, SY, Weight] :
           {std::tuple{Col.First, Row.First, (1 - Col.Weight) * (1 - Row.Weight)},
            std::tuple{Col.Second, Row.First, Col.Weight * (1 - Row.Weight)},
            std::tuple{Col.First, Row.Second, (1 - Col.Weight) * Row.Weight},
            std::tuple{Col.Second, Row.Second, Col.Weight * Row.Weight}}) {
        if (S.Get(SX, SY) == Key) continue;
        const Byte* P = S.Pixel(SX, SY);
        for (int C = 0; C < 3; ++C) Sum[C] += P[C] * Weight;
        Sum[3] += Weight;
      }
      Byte* Out = D.Pixel(X, Y);
      for (int C = 0; C < 3; ++C) Out[C] = Sum[3] > 0 ? Byte(std::lround(Sum[C] / Sum[3])) : 0;
      Out[3] = Byte(std::lround(Sum[3] * 255));
    }
  }
  return Result;
}

void DrawShellIcon(TCanvas& Canvas, Integer X, Integer Y, const String& Path, bool Large) {
  static const char* const kKinds[] = {"SHELLFOLDER", "SHELLDOCUMENT", "SHELLPROGRAM"};
  Integer Kind = 1;
  Integer Number = StrToIntDef(Trim(Path), -1);
  if (Number >= 0) {
    Kind = Number % 3;
  } else if (DirectoryExists(Path)) {
    Kind = 0;
  } else {
    String Ext = LowerCase(ExtractFileExt(Path));
    if (Ext == ".exe" || Ext == ".com" || Ext == ".bat" || Ext == ".sh") Kind = 2;
  }
  DrawTransparentBitmap(Canvas, X, Y, ResourceBitmap(String(kKinds[Kind]) + (Large ? "32" : "16")));
}
