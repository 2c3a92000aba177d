// The probe's own X connection: reading windows back and playing the user
// through XTest, whose library is loaded at run time.
#include "platform/gui/x11_probe.h"

#include "platform/gui/x11_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

using x11::LoadSymbol;

namespace {

struct TXTestApi {
  Bool (*QueryExtension)(Display*, int*, int*, int*, int*) = nullptr;
  int (*FakeMotion)(Display*, int, int, int, unsigned long) = nullptr;
  int (*FakeButton)(Display*, unsigned, Bool, unsigned long) = nullptr;
  int (*FakeKey)(Display*, unsigned, Bool, unsigned long) = nullptr;
};

const TXTestApi& XTest() {
  static const TXTestApi Api = [] {
    TXTestApi a;
    void* lib = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
    bool ok = LoadSymbol(lib, "XTestQueryExtension", a.QueryExtension) &&
              LoadSymbol(lib, "XTestFakeMotionEvent", a.FakeMotion) &&
              LoadSymbol(lib, "XTestFakeButtonEvent", a.FakeButton) && LoadSymbol(lib, "XTestFakeKeyEvent", a.FakeKey);
    return ok ? a : TXTestApi{};
  }();
  return Api;
}

}  // namespace

TX11Probe::TX11Probe(const String& DisplayName) {
  FDpy = XOpenDisplay(DisplayName.empty() ? nullptr : DisplayName.c_str());
  if (FDpy) x11::InstallErrorHandler();
}

TX11Probe::~TX11Probe() {
  if (FDpy) XCloseDisplay(FDpy);
}

bool TX11Probe::HasXTest() const {
  int a, b, c, d;
  return XTest().QueryExtension && XTest().QueryExtension(FDpy, &a, &b, &c, &d);
}

std::vector<TColorRef> TX11Probe::Grab(unsigned long Window, int& Width, int& Height) {
  std::vector<TColorRef> px;
  Width = Height = 0;
  XWindowAttributes wa;
  if (!XGetWindowAttributes(FDpy, Window, &wa) || wa.map_state != IsViewable) return px;
  XImage* img = XGetImage(FDpy, Window, 0, 0, unsigned(wa.width), unsigned(wa.height), AllPlanes, ZPixmap);
  if (!img) return px;
  Width = wa.width, Height = wa.height;
  px.reserve(size_t(Width) * Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      unsigned long p = XGetPixel(img, x, y);
      // A 24-bit true-colour pixel 0xRRGGBB becomes 0x00BBGGRR.
      px.push_back(TColorRef(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16)));
    }
  XDestroyImage(img);
  return px;
}

bool TX11Probe::Viewable(unsigned long Window) {
  XWindowAttributes wa;
  return XGetWindowAttributes(FDpy, Window, &wa) && wa.map_state == IsViewable;
}

std::vector<unsigned long> TX11Probe::StackingOrder() {
  std::vector<unsigned long> Order;
  Window RootOut = 0, ParentOut = 0;
  Window* Children = nullptr;
  unsigned Count = 0;
  if (!XQueryTree(FDpy, DefaultRootWindow(FDpy), &RootOut, &ParentOut, &Children, &Count)) return Order;
  Order.assign(Children, Children + Count);
  if (Children) XFree(Children);
  return Order;
}

bool TX11Probe::OverrideRedirect(unsigned long Window) {
  XWindowAttributes wa;
  return XGetWindowAttributes(FDpy, Window, &wa) && wa.override_redirect;
}

bool TX11Probe::SizeLimits(unsigned long Window, TSizeLimits& Limits) {
  XSizeHints h{};
  long supplied = 0;
  Limits = TSizeLimits();
  if (!XGetWMNormalHints(FDpy, Window, &h, &supplied)) return false;
  if (h.flags & PMinSize) Limits.Min = TSize{h.min_width, h.min_height};
  if (h.flags & PMaxSize) Limits.Max = TSize{h.max_width, h.max_height};
  return true;
}

TRect TX11Probe::Geometry(unsigned long Window) {
  XWindowAttributes wa;
  if (!XGetWindowAttributes(FDpy, Window, &wa)) return TRect{};
  int x = 0, y = 0;
  ::Window child = 0;
  XTranslateCoordinates(FDpy, Window, DefaultRootWindow(FDpy), 0, 0, &x, &y, &child);
  return Bounds(x, y, wa.width, wa.height);
}

String TX11Probe::Property(unsigned long Window, const String& Name) {
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  String s;
  Atom prop = XInternAtom(FDpy, Name.c_str(), False);
  if (XGetWindowProperty(FDpy, Window, prop, 0, 0x10000, False, AnyPropertyType, &type, &format, &n, &after,
                         &data) == Success && data) {
    s.assign(reinterpret_cast<const char*>(data), format == 32 ? n * sizeof(long) : n * (format / 8));
    XFree(data);
  }
  return s;
}

unsigned long TX11Probe::AtomOf(const String& Name) { return XInternAtom(FDpy, Name.c_str(), False); }

unsigned long TX11Probe::FocusWindow() {
  ::Window w = 0;
  int revert = 0;
  XGetInputFocus(FDpy, &w, &revert);
  return w == PointerRoot ? 0 : w;
}

void TX11Probe::MoveMouse(int X, int Y) {
  XTest().FakeMotion(FDpy, DefaultScreen(FDpy), X, Y, CurrentTime);
  Sync();
}

void TX11Probe::Button(unsigned XButton, bool Down) {
  XTest().FakeButton(FDpy, XButton, Down, CurrentTime);
  Sync();
}

void TX11Probe::Click(int X, int Y, unsigned XButton) {
  MoveMouse(X, Y);
  Button(XButton, true);
  Button(XButton, false);
}

void TX11Probe::Key(unsigned long Keysym, bool Down) {
  XTest().FakeKey(FDpy, XKeysymToKeycode(FDpy, Keysym), Down, CurrentTime);
  Sync();
}

void TX11Probe::TapKey(unsigned long Keysym) {
  Key(Keysym, true);
  Key(Keysym, false);
}

void TX11Probe::RequestClose(unsigned long Window) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = Window;
  e.xclient.message_type = XInternAtom(FDpy, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(FDpy, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(FDpy, Window, False, NoEventMask, &e);
  Sync();
}

void TX11Probe::MoveResize(unsigned long Window, const TRect& B) {
  XMoveResizeWindow(FDpy, Window, B.Left, B.Top, unsigned(B.Width()), unsigned(B.Height()));
  Sync();
}

void TX11Probe::Sync() { XSync(FDpy, False); }
