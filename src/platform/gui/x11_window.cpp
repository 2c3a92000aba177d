// A native window of the X11 back end: the X window, its place in the
// desktop's window manager protocols, and the events that concern it. The
// back buffer is in x11_buffer.cpp.
#include "platform/gui/x11_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <errno.h>

#include <algorithm>
#include <string>

namespace x11 {

namespace {

// Xlib names its expose event "Expose", as the sink's method is called.
constexpr int kExposeEvent = Expose;
#undef Expose

constexpr long kEventMask = ExposureMask | StructureNotifyMask | FocusChangeMask | ButtonPressMask |
                            ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                            KeyPressMask | KeyReleaseMask;

// _NET_WM_STATE client messages: remove 0, add 1.
constexpr long kNetWmStateRemove = 0, kNetWmStateAdd = 1;

// X windows are at least 1 x 1 pixels.
TRect ServerBounds(const TRect& B) { return Bounds(B.Left, B.Top, std::max(B.Width(), 1), std::max(B.Height(), 1)); }

Window MakeWindow(Display* D, Window Root, TNativeKind Kind, const TRect& Bounds) {
  TRect B = ServerBounds(Bounds);
  XSetWindowAttributes a{};
  a.background_pixel = WhitePixel(D, DefaultScreen(D));
  a.event_mask = kEventMask;
  a.override_redirect = Kind == TNativeKind::Popup;
  a.bit_gravity = NorthWestGravity;
  return XCreateWindow(D, Root, B.Left, B.Top, unsigned(B.Width()), unsigned(B.Height()), 0, CopyFromParent,
                       InputOutput, CopyFromParent, CWBackPixel | CWEventMask | CWOverrideRedirect | CWBitGravity, &a);
}

// WM_CLASS: the program's name, and the window manager's class of the
// window (as the original platform's window class), so that other programs
// on the desktop find a window by its class. A window without a class (of
// a bare driver) is one of "MobileSync".
void SetClassHint(Display* D, Window W, HWND Wnd) {
  std::string name = program_invocation_short_name, cls = GetClassName(Wnd);
  if (name.empty()) name = "mobilesync";
  if (cls.empty()) cls = "MobileSync";
  XClassHint ch{name.data(), cls.data()};
  XSetClassHint(D, W, &ch);
}

void SetAtomProperty(Display* D, Window W, Atom Property, const std::vector<Atom>& Values) {
  XChangeProperty(D, W, Property, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(Values.data()), int(Values.size()));
}

// Whether the window's border style lets the user size it: a window of
// the program (not a bare driver's) without a sizing frame is of fixed size.
bool FixedSizeStyle(HWND Wnd, TNativeKind Kind) {
  if (Kind == TNativeKind::Popup || !Wnd || !IsWindow(Wnd)) return false;
  return !(GetWindowLong(Wnd, GWL_STYLE) & WS_THICKFRAME);
}

// _MOTIF_WM_HINTS: the functions the desktop's window manager offers for a
// window of fixed size: move and close, and minimise when the window has
// that box; no sizing and no maximising.
void SetFixedSizeFunctions(Display* D, Window W, Atom Property, HWND Wnd) {
  constexpr long kHintsFunctions = 1, kFuncMove = 4, kFuncMinimize = 8, kFuncClose = 32;
  long functions = kFuncMove | kFuncClose;
  if (GetWindowLong(Wnd, GWL_STYLE) & WS_MINIMIZEBOX) functions |= kFuncMinimize;
  long hints[5] = {kHintsFunctions, functions, 0, 0, 0};  // flags, functions, decorations, input mode, status
  XChangeProperty(D, W, Property, Property, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(hints), 5);
}

}  // namespace

TX11Window::TX11Window(TX11Driver& Driver, HWND Wnd, TNativeKind Kind, const TRect& Bounds, HWND Owner)
    : FDriver(Driver), FDpy(Driver.Display()), FWnd(Wnd), FKind(Kind), FBounds(Bounds),
      FFixedSize(FixedSizeStyle(Wnd, Kind)) {
  FId = MakeWindow(FDpy, Driver.Root(), Kind, Bounds);
  FGc = XCreateGC(FDpy, FId, 0, nullptr);
  SetProtocols(Owner);
  NewBuffer(Bounds.Width(), Bounds.Height());
  FDriver.Register(this);
}

TX11Window::~TX11Window() {
  FDriver.Unregister(this);
  FreeImage();
  FShm.reset();
  XFreeGC(FDpy, FGc);
  XDestroyWindow(FDpy, FId);
  XFlush(FDpy);
}

// Hints for the desktop's window manager: our own position and size (for
// a window of fixed size also the only size it takes and the functions it
// offers), the close protocol, the window's type and its owner.
void TX11Window::SetProtocols(HWND Owner) {
  const TAtoms& a = FDriver.Atoms();
  SetSizeHints();
  if (FFixedSize) SetFixedSizeFunctions(FDpy, FId, a.MotifWmHints, FWnd);
  XWMHints wm{};
  wm.flags = InputHint | StateHint;
  wm.input = FKind != TNativeKind::Popup;
  wm.initial_state = NormalState;
  XSetWMHints(FDpy, FId, &wm);
  SetClassHint(FDpy, FId, FWnd);
  if (FKind == TNativeKind::Popup) return SetAtomProperty(FDpy, FId, a.NetWmWindowType, {a.TypePopupMenu});
  Atom del = a.WmDeleteWindow;
  XSetWMProtocols(FDpy, FId, &del, 1);
  SetAtomProperty(FDpy, FId, a.NetWmWindowType, {FKind == TNativeKind::Dialog ? a.TypeDialog : a.TypeNormal});
  // The owner may be named by one of its child windows.
  XId owner = FDriver.WindowOf(Owner);
  if (!owner && Owner) owner = FDriver.WindowOf(GetAncestorTopLevel(Owner));
  if (owner) XSetTransientForHint(FDpy, FId, owner);
}

void TX11Window::SetSizeHints() {
  XSizeHints size{};
  size.flags = USPosition | USSize;
  TRect b = ServerBounds(FBounds);
  size.x = b.Left, size.y = b.Top, size.width = b.Width(), size.height = b.Height();
  if (FFixedSize) {
    size.flags |= PMinSize | PMaxSize;
    size.min_width = size.max_width = b.Width();
    size.min_height = size.max_height = b.Height();
  }
  XSetWMNormalHints(FDpy, FId, &size);
}

void TX11Window::SetBounds(const TRect& B) {
  if (B == FBounds) return;
  bool resized = B.Width() != FBounds.Width() || B.Height() != FBounds.Height();
  if (resized) ResizeBuffer(std::max(B.Width(), 0), std::max(B.Height(), 0));
  FBounds = B;
  // The program itself may size a window of fixed size: the hints go first,
  // or the window manager would hold it to the old size.
  if (resized && FFixedSize) SetSizeHints();
  TRect x = ServerBounds(B);
  FPendingBounds.push_back(x);
  XMoveResizeWindow(FDpy, FId, x.Left, x.Top, unsigned(x.Width()), unsigned(x.Height()));
  XFlush(FDpy);
}

void TX11Window::SetVisible(bool Visible) {
  if (Visible == FVisible) return;
  FVisible = Visible;
  if (Visible) {
    UpdateTopmost();
    XMapWindow(FDpy, FId);
  } else if (FKind == TNativeKind::Popup) {
    XUnmapWindow(FDpy, FId);
  } else {
    XWithdrawWindow(FDpy, FId, DefaultScreen(FDpy));
  }
  XFlush(FDpy);
}

void TX11Window::SetTitle(const String& Title) {
  const TAtoms& a = FDriver.Atoms();
  auto* bytes = reinterpret_cast<const unsigned char*>(Title.data());
  XChangeProperty(FDpy, FId, a.NetWmName, a.Utf8String, 8, PropModeReplace, bytes, int(Title.size()));
  XChangeProperty(FDpy, FId, a.NetWmIconName, a.Utf8String, 8, PropModeReplace, bytes, int(Title.size()));
  std::string latin = Utf8ToLatin1(Title);
  XChangeProperty(FDpy, FId, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(latin.data()), int(latin.size()));
  XFlush(FDpy);
}

void TX11Window::SetShape(const TRegion* Shape) {
  if (!FDriver.HasShape()) return;
  ShapeWindow(FDpy, FId, Shape);
  XFlush(FDpy);
}

void TX11Window::Raise() {
  UpdateTopmost();
  XRaiseWindow(FDpy, FId);
  XFlush(FDpy);
}

// The window manager sets the cursor on every mouse move; only a change
// goes to the server.
void TX11Window::SetCursor(HCURSOR Cursor) {
  if (Cursor == FCursor) return;
  FCursor = Cursor;
  XDefineCursor(FDpy, FId, FDriver.CursorOf(Cursor));
  XFlush(FDpy);
}

void TX11Window::Activate() {
  if (FKind == TNativeKind::Popup) return;
  if (!FMapped) {
    FFocusPending = true;
    return;
  }
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = FId;
  e.xclient.message_type = FDriver.Atoms().NetActiveWindow;
  e.xclient.format = 32;
  e.xclient.data.l[0] = 1;  // a request from an application
  XSendEvent(FDpy, FDriver.Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XSetInputFocus(FDpy, FId, RevertToParent, CurrentTime);
  XFlush(FDpy);
}

// Topmost windows ask the desktop's window manager to keep them above the
// others: a property before mapping, a message to the root afterwards.
void TX11Window::UpdateTopmost() {
  bool top = FWnd && (GetWindowLong(FWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  if (top == FTopmost || FKind == TNativeKind::Popup) return;
  FTopmost = top;
  const TAtoms& a = FDriver.Atoms();
  if (FMapped) return SendNetWmState(top, a.NetWmStateAbove);
  if (top)
    SetAtomProperty(FDpy, FId, a.NetWmState, {a.NetWmStateAbove});
  else
    XDeleteProperty(FDpy, FId, a.NetWmState);
}

void TX11Window::SendNetWmState(bool Add, XId State) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = FId;
  e.xclient.message_type = FDriver.Atoms().NetWmState;
  e.xclient.format = 32;
  e.xclient.data.l[0] = Add ? kNetWmStateAdd : kNetWmStateRemove;
  e.xclient.data.l[1] = long(State);
  e.xclient.data.l[3] = 1;
  XSendEvent(FDpy, FDriver.Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

void TX11Window::HandleEvent(const _XEvent& E) {
  switch (E.type) {
    case kExposeEvent: {
      TRect r = Bounds(E.xexpose.x, E.xexpose.y, E.xexpose.width, E.xexpose.height);
      Put(r);
      return FDriver.Sink().Expose(FWnd, r);
    }
    case ConfigureNotify:
      return OnConfigure(E);
    case ReparentNotify:
      FParent = E.xreparent.parent;
      return;
    case MapNotify:
      FMapped = true;
      if (FFocusPending) FFocusPending = false, Activate();
      return;
    case UnmapNotify:
      FMapped = false;
      return;
    case FocusIn:
    case FocusOut:
      if (E.xfocus.mode == NotifyGrab || E.xfocus.mode == NotifyUngrab || E.xfocus.detail == NotifyPointer) return;
      return FDriver.Sink().Activated(FWnd, E.type == FocusIn);
    case ClientMessage:
      if (E.xclient.message_type == FDriver.Atoms().WmProtocols &&
          XId(E.xclient.data.l[0]) == FDriver.Atoms().WmDeleteWindow)
        FDriver.Sink().CloseRequest(FWnd);
      return;
    default:
      return;
  }
}

// The server tells where the window is now. The echoes of our own
// SetBounds are dropped; a move or resize by the user or the desktop's
// window manager resizes the buffer and goes to the window manager.
// The server's own event places the window in its parent: the root's
// coordinates while no window manager has framed it; inside a frame only
// its size counts, as the desktop's window manager tells every move by a
// sent event in the root's coordinates. No reply is awaited here: the
// event is handled in the middle of the queue, and a round trip there
// stalls the whole loop while the server is slow to answer.
void TX11Window::OnConfigure(const _XEvent& E) {
  const XConfigureEvent& c = E.xconfigure;
  int x = c.x, y = c.y;
  if (!c.send_event && FParent && FParent != FDriver.Root()) x = FBounds.Left, y = FBounds.Top;
  TRect b = Bounds(x, y, c.width, c.height);
  auto it = std::find(FPendingBounds.begin(), FPendingBounds.end(), b);
  if (it != FPendingBounds.end()) {
    FPendingBounds.erase(FPendingBounds.begin(), it + 1);
    FRefusedSize = TSize{-1, -1};
    return;
  }
  FPendingBounds.clear();
  if (FFixedSize && (b.Width() != FBounds.Width() || b.Height() != FBounds.Height())) return KeepFixedSize(b);
  if (b == FBounds) return;
  if (b.Width() != FBounds.Width() || b.Height() != FBounds.Height()) ResizeBuffer(c.width, c.height);
  FBounds = b;
  FDriver.Sink().Configured(FWnd, b);
}

// Something resized a window of fixed size (a window manager that does not
// heed the hints, another client): the window keeps the size its layout
// was drawn for and asks the server for it back, once for each size
// offered, so that a window manager that insists is not answered for ever.
// A move that came with it still counts.
void TX11Window::KeepFixedSize(const TRect& Offered) {
  TRect kept = Bounds(Offered.Left, Offered.Top, FBounds.Width(), FBounds.Height());
  TSize offered{Offered.Width(), Offered.Height()};
  if (!(offered == FRefusedSize)) {
    FRefusedSize = offered;
    TRect x = ServerBounds(kept);
    FPendingBounds.push_back(x);
    XResizeWindow(FDpy, FId, unsigned(x.Width()), unsigned(x.Height()));
    XFlush(FDpy);
  }
  if (kept == FBounds) return;
  FBounds = kept;
  FDriver.Sink().Configured(FWnd, kept);
}

}  // namespace x11
