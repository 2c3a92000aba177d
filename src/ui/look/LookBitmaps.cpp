// The look units' resource bitmaps and the shell icons of the renderer.
#include "ui/look/LookBitmaps.h"

#include <map>
#include <memory>

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
