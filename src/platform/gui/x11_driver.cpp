// The X11 driver: the connection, its atoms and pixel format, the screen's
// monitors, cursors, the table of our X windows, and the top-level windows
// of other clients. Event handling is in x11_events.cpp.
#include "platform/gui/x11_internal.h"
#include "platform/gui/wm_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
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
  t.MotifWmHints = a("_MOTIF_WM_HINTS");
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

// ---- Windows of other clients -----------------------------------------------------

std::vector<XId> TX11Driver::ChildrenTopFirst(XId W) {
  Window root = 0, parent = 0, *kids = nullptr;
  unsigned n = 0;
  std::vector<XId> out;
  if (!XQueryTree(FDpy, W, &root, &parent, &kids, &n)) return out;
  // The server lists them bottom up.
  for (unsigned i = n; i-- > 0;) out.push_back(kids[i]);
  if (kids) XFree(kids);
  return out;
}

String TX11Driver::TextProperty(XId W, XId Property) {
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(FDpy, W, Property, 0, 1024, False, AnyPropertyType, &type, &format, &n, &after, &data) !=
          Success || !data)
    return String();
  String text = format == 8 ? String(reinterpret_cast<const char*>(data), n) : String();
  XFree(data);
  return type == XA_STRING ? Latin1ToUtf8(text) : text;
}

String TX11Driver::ForeignClassName(std::uintptr_t Id) {
  XClassHint ch{};
  if (!Id || !XGetClassHint(FDpy, Window(Id), &ch)) return String();
  String cls = ch.res_class ? ch.res_class : "";
  if (ch.res_name) XFree(ch.res_name);
  if (ch.res_class) XFree(ch.res_class);
  return cls;
}

String TX11Driver::ForeignWindowText(std::uintptr_t Id) {
  if (!Id) return String();
  String title = TextProperty(Id, FAtoms.NetWmName);
  return title.empty() ? TextProperty(Id, XA_WM_NAME) : title;
}

bool TX11Driver::ForeignMatches(XId W, const String& ClassName, const String& Title) {
  if (FWindows.count(W)) return false;
  String cls = ForeignClassName(W);
  // A window without WM_CLASS is no client's top-level (a frame, a helper).
  if (cls.empty() || (!ClassName.empty() && strcasecmp(cls.c_str(), ClassName.c_str()) != 0)) return false;
  return Title.empty() || ForeignWindowText(W) == Title;
}

std::uintptr_t TX11Driver::FindForeignWindow(const String& ClassName, const String& Title) {
  for (XId top : ChildrenTopFirst(FRoot)) {
    if (ForeignMatches(top, ClassName, Title)) return top;
    // A reparenting window manager puts the client into a frame of its own.
    for (XId inner : ChildrenTopFirst(top))
      if (ForeignMatches(inner, ClassName, Title)) return inner;
  }
  return 0;
}

bool TX11Driver::IsForeignWindow(std::uintptr_t Id) {
  XWindowAttributes a;
  return Id && !FWindows.count(Id) && XGetWindowAttributes(FDpy, Window(Id), &a) != 0;
}

bool TX11Driver::PostForeignClose(std::uintptr_t Id) {
  Atom* protocols = nullptr;
  int n = 0;
  if (!IsForeignWindow(Id) || !XGetWMProtocols(FDpy, Window(Id), &protocols, &n)) return false;
  bool takesDelete = std::find(protocols, protocols + n, Atom(FAtoms.WmDeleteWindow)) != protocols + n;
  XFree(protocols);
  if (!takesDelete) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = Window(Id);
  e.xclient.message_type = FAtoms.WmProtocols;
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(FAtoms.WmDeleteWindow);
  e.xclient.data.l[1] = CurrentTime;
  // No event mask: the event goes to the client that made the window.
  bool sent = XSendEvent(FDpy, Window(Id), False, NoEventMask, &e) != 0;
  XFlush(FDpy);
  return sent;
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
