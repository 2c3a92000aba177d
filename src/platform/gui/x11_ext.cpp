// X extensions that the back end uses when the machine has them: XShape
// (window shapes, in libXext) and XRandR (monitors, in libXrandr). Their
// libraries are loaded at run time, so that a machine without them still
// runs the program, with rectangular windows and one monitor.
#include "platform/gui/x11_internal.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

namespace x11 {

namespace {

// The entry points of the shape extension (ShapeBounding = 0, ShapeSet = 0,
// YXBanded = 3 in its protocol).
struct TShapeApi {
  Bool (*QueryExtension)(Display*, int*, int*) = nullptr;
  void (*CombineRectangles)(Display*, Window, int, int, int, XRectangle*, int, int, int) = nullptr;
  void (*CombineMask)(Display*, Window, int, int, int, Pixmap, int) = nullptr;
};
constexpr int kShapeBounding = 0, kShapeSet = 0, kYXBanded = 3;

// One monitor as XRandR 1.5 reports it.
struct TRandrMonitor {
  Atom name;
  Bool primary;
  Bool automatic;
  int noutput;
  int x, y, width, height;
  int mwidth, mheight;
  unsigned long* outputs;
};
struct TRandrApi {
  Bool (*QueryExtension)(Display*, int*, int*) = nullptr;
  TRandrMonitor* (*GetMonitors)(Display*, Window, Bool, int*) = nullptr;
  void (*FreeMonitors)(TRandrMonitor*) = nullptr;
};

const TShapeApi& Shape() {
  static const TShapeApi Api = [] {
    TShapeApi a;
    void* lib = dlopen("libXext.so.6", RTLD_NOW | RTLD_LOCAL);
    bool ok = LoadSymbol(lib, "XShapeQueryExtension", a.QueryExtension) &&
              LoadSymbol(lib, "XShapeCombineRectangles", a.CombineRectangles) &&
              LoadSymbol(lib, "XShapeCombineMask", a.CombineMask);
    return ok ? a : TShapeApi{};
  }();
  return Api;
}

const TRandrApi& Randr() {
  static const TRandrApi Api = [] {
    TRandrApi a;
    void* lib = dlopen("libXrandr.so.2", RTLD_NOW | RTLD_LOCAL);
    bool ok = LoadSymbol(lib, "XRRQueryExtension", a.QueryExtension) &&
              LoadSymbol(lib, "XRRGetMonitors", a.GetMonitors) && LoadSymbol(lib, "XRRFreeMonitors", a.FreeMonitors);
    return ok ? a : TRandrApi{};
  }();
  return Api;
}

}  // namespace

bool ShapeAvailable(_XDisplay* Dpy) {
  int ev = 0, err = 0;
  return Shape().QueryExtension && Shape().QueryExtension(Dpy, &ev, &err);
}

void ShapeWindow(_XDisplay* Dpy, XId Win, const TRegion* Rgn) {
  const TShapeApi& api = Shape();
  if (!api.CombineRectangles) return;
  if (!Rgn) {
    api.CombineMask(Dpy, Win, kShapeBounding, 0, 0, None, kShapeSet);
    return;
  }
  std::vector<XRectangle> rects;
  for (const TRect& r : Rgn->Rects())
    rects.push_back(XRectangle{short(r.Left), short(r.Top), (unsigned short)r.Width(), (unsigned short)r.Height()});
  api.CombineRectangles(Dpy, Win, kShapeBounding, 0, 0, rects.data(), int(rects.size()), kShapeSet, kYXBanded);
}

std::vector<TRect> RandrMonitors(_XDisplay* Dpy, XId Root, int& Primary) {
  std::vector<TRect> out;
  Primary = 0;
  const TRandrApi& api = Randr();
  int ev = 0, err = 0, n = 0;
  if (!api.QueryExtension || !api.QueryExtension(Dpy, &ev, &err)) return out;
  TRandrMonitor* m = api.GetMonitors(Dpy, Root, True, &n);
  if (!m) return out;
  for (int i = 0; i < n; ++i) {
    if (m[i].primary) Primary = int(out.size());
    out.push_back(Bounds(m[i].x, m[i].y, m[i].width, m[i].height));
  }
  api.FreeMonitors(m);
  return out;
}

}  // namespace x11
