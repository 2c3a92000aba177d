// The X11 driver: the connection, its atoms and pixel format, the screen's
// monitors, cursors, and the table of our X windows. Event handling is in
// x11_events.cpp.
#include "platform/gui/x11_internal.h"
#include "platform/gui/wm_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>

namespace x11 {

namespace {

std::atomic<unsigned long> ErrorCount{0};

// Requests that fail (a window that went away, focus on an unmapped
// window) are not fatal for us: the next event puts things right.
int CountXError(Display*, XErrorEvent*) {
  ++ErrorCount;
  return 0;
}

TAtoms InternAtoms(Display* D) {
  auto a = [D](const char* Name) { return XInternAtom(D, Name, False); };
  TAtoms t;
  t.WmProtocols = a("WM_PROTOCOLS"), t.WmDeleteWindow = a("WM_DELETE_WINDOW");
  t.NetWmName = a("_NET_WM_NAME"), t.NetWmIconName = a("_NET_WM_ICON_NAME"), t.Utf8String = a("UTF8_STRING");
  t.NetWmState = a("_NET_WM_STATE"), t.NetWmStateAbove = a("_NET_WM_STATE_ABOVE");
  t.NetWmWindowType = a("_NET_WM_WINDOW_TYPE"), t.TypeNormal = a("_NET_WM_WINDOW_TYPE_NORMAL");
  t.TypeDialog = a("_NET_WM_WINDOW_TYPE_DIALOG"), t.TypePopupMenu = a("_NET_WM_WINDOW_TYPE_POPUP_MENU");
  t.NetActiveWindow = a("_NET_ACTIVE_WINDOW"), t.NetWorkarea = a("_NET_WORKAREA");
  t.Clipboard = a("CLIPBOARD"), t.Targets = a("TARGETS"), t.Text = a("TEXT");
  t.ClipProperty = a("MDS_CLIPBOARD");
  return t;
}

// The default visual's pixel layout; Direct when it is B, G, R, X bytes.
TPixelFormat FormatOf(Display* D) {
  TPixelFormat f;
  int scr = DefaultScreen(D);
  Visual* v = DefaultVisual(D, scr);
  f.Depth = DefaultDepth(D, scr);
  f.RedMask = v->red_mask, f.GreenMask = v->green_mask, f.BlueMask = v->blue_mask;
  int bpp = 0, n = 0;
  if (XPixmapFormatValues* pf = XListPixmapFormats(D, &n)) {
    for (int i = 0; i < n; ++i)
      if (pf[i].depth == f.Depth) bpp = pf[i].bits_per_pixel;
    XFree(pf);
  }
  f.Direct = (f.Depth == 24 || f.Depth == 32) && bpp == 32 && f.RedMask == 0xFF0000 && f.GreenMask == 0xFF00 &&
             f.BlueMask == 0xFF;
  return f;
}

}  // namespace

void InstallErrorHandler() { XSetErrorHandler(CountXError); }

unsigned long XErrorCount() { return ErrorCount; }

TX11Driver::TX11Driver(_XDisplay* Dpy, std::unique_ptr<TX11EventSink> Sink)
    : FDpy(Dpy), FSink(Sink ? std::move(Sink) : NewDesktopSink()) {
  InstallErrorHandler();
  FAtoms = InternAtoms(Dpy);
  FFormat = FormatOf(Dpy);
  FRoot = DefaultRootWindow(Dpy);
  FHasShape = ShapeAvailable(Dpy);
  // Shared pixels go to the server as they are: B, G, R, X in its order.
  FHasShm = FFormat.Direct && ImageByteOrder(Dpy) == LSBFirst && ShmAvailable(Dpy);
  if (pipe2(FWakePipe, O_NONBLOCK | O_CLOEXEC) != 0) FWakePipe[0] = FWakePipe[1] = -1;
  FClipboard = std::make_unique<TX11Clipboard>(Dpy, FAtoms);
}

TX11Driver::~TX11Driver() {
  FClipboard.reset();
  for (auto& [h, c] : FCursors) XFreeCursor(FDpy, c);
  XCloseDisplay(FDpy);
  for (int fd : FWakePipe)
    if (fd >= 0) close(fd);
}

std::unique_ptr<TNativeWindow> TX11Driver::CreateNativeWindow(HWND Wnd, TNativeKind Kind, const TRect& Bounds,
                                                              HWND Owner) {
  return std::make_unique<TX11Window>(*this, Wnd, Kind, Bounds, Owner);
}

XId TX11Driver::WindowOf(HWND Wnd) const {
  if (!Wnd) return 0;
  for (const auto& [id, w] : FWindows)
    if (w->Handle() == Wnd) return id;
  return 0;
}

void TX11Driver::Register(TX11Window* W) { FWindows[W->Id()] = W; }

void TX11Driver::Unregister(TX11Window* W) { FWindows.erase(W->Id()); }

XId TX11Driver::CursorOf(HCURSOR Cursor) {
  auto it = FCursors.find(Cursor);
  if (it != FCursors.end()) return it->second;
  XId c = XCreateFontCursor(FDpy, FontCursorOf(Cursor));
  FCursors.emplace(Cursor, c);
  return c;
}

// The desktop's work area (_NET_WORKAREA of the first desktop) within a
// monitor; the whole monitor when the desktop names none.
TRect TX11Driver::WorkArea(const TRect& Screen) {
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  TRect work = Screen;
  if (XGetWindowProperty(FDpy, FRoot, FAtoms.NetWorkarea, 0, 4, False, XA_CARDINAL, &type, &format, &n, &after,
                         &data) == Success && data) {
    if (format == 32 && n >= 4) {
      const long* v = reinterpret_cast<const long*>(data);
      TRect area = Bounds(int(v[0]), int(v[1]), int(v[2]), int(v[3]));
      if (!IntersectRect(work, Screen, area)) work = Screen;
    }
    XFree(data);
  }
  return work;
}

std::vector<TMonitorInfo> TX11Driver::Monitors() {
  int primary = 0;
  std::vector<TRect> screens = RandrMonitors(FDpy, FRoot, primary);
  if (screens.empty()) {
    int scr = DefaultScreen(FDpy);
    screens.push_back(Rect(0, 0, DisplayWidth(FDpy, scr), DisplayHeight(FDpy, scr)));
  }
  std::vector<TMonitorInfo> out;
  for (size_t i = 0; i < screens.size(); ++i)
    out.push_back(TMonitorInfo{screens[i], WorkArea(screens[i]), int(i) == primary});
  return out;
}

}  // namespace x11

std::unique_ptr<TGuiDriver> NewX11Driver(const String& DisplayName, std::unique_ptr<TX11EventSink> Sink) {
  Display* d = XOpenDisplay(DisplayName.empty() ? nullptr : DisplayName.c_str());
  if (!d) return nullptr;
  return std::make_unique<x11::TX11Driver>(d, std::move(Sink));
}

void X11Sync(TGuiDriver& Driver) {
  if (auto* d = dynamic_cast<x11::TX11Driver*>(&Driver)) XSync(d->Display(), False);
}

unsigned long X11WindowId(const TNativeWindow& Window) {
  auto* w = dynamic_cast<const x11::TX11Window*>(&Window);
  return w ? w->Id() : 0;
}

unsigned long X11WindowOfHandle(HWND TopLevel) {
  auto L = wm::WmLock();
  wm::TWndRec* r = wm::Rec(TopLevel);
  return r && r->Native ? X11WindowId(*r->Native) : 0;
}
