// The text clipboard of the X11 back end: the CLIPBOARD selection. Setting
// the text takes the selection for a hidden helper window, which then
// answers other clients' requests (TARGETS, UTF8_STRING, TEXT, STRING);
// reading asks the owner to convert the selection into a property of the
// helper window and waits for its answer.
#include "platform/gui/x11_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/select.h>

#include <chrono>

namespace x11 {

namespace {

// How long a reader waits for the owner of the selection.
constexpr int kFetchTimeoutMs = 1000;

void PutText(Display* D, Window W, Atom Property, Atom Type, const std::string& Bytes) {
  XChangeProperty(D, W, Property, Type, 8, PropModeReplace, reinterpret_cast<const unsigned char*>(Bytes.data()),
                  int(Bytes.size()));
}

// Writes the text in the requested form into the requestor's property;
// false for a form we do not give.
bool Answer(Display* D, const TAtoms& A, const XSelectionRequestEvent& Q, Atom Prop, const String& Text) {
  if (Q.target == A.Targets) {
    Atom t[] = {Atom(A.Targets), Atom(A.Utf8String), Atom(A.Text), XA_STRING};
    XChangeProperty(D, Q.requestor, Prop, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(t), 4);
  } else if (Q.target == A.Utf8String || Q.target == A.Text) {
    PutText(D, Q.requestor, Prop, A.Utf8String, Text);
  } else if (Q.target == XA_STRING) {
    PutText(D, Q.requestor, Prop, XA_STRING, Utf8ToLatin1(Text));
  } else {
    return false;
  }
  return true;
}

}  // namespace

TX11Clipboard::TX11Clipboard(_XDisplay* Dpy, const TAtoms& Atoms) : FDpy(Dpy), FAtoms(Atoms) {
  XSetWindowAttributes a{};
  FWin = XCreateWindow(Dpy, DefaultRootWindow(Dpy), -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent, 0, &a);
}

TX11Clipboard::~TX11Clipboard() { XDestroyWindow(FDpy, FWin); }

void TX11Clipboard::SetText(const String& Text) {
  FText = Text;
  XSetSelectionOwner(FDpy, FAtoms.Clipboard, FWin, CurrentTime);
  // Once this returns, every client (the other windows of this program
  // too) sees the new owner.
  XSync(FDpy, False);
}

String TX11Clipboard::Text() {
  Window owner = XGetSelectionOwner(FDpy, FAtoms.Clipboard);
  if (owner == FWin) return FText;
  if (owner == None) return String();
  String s = Fetch(FAtoms.Utf8String);
  return s.empty() ? Latin1ToUtf8(Fetch(XA_STRING)) : s;
}

// The selection converted to Target ("" when the owner cannot or does not
// answer in time).
String TX11Clipboard::Fetch(XId Target) {
  XDeleteProperty(FDpy, FWin, FAtoms.ClipProperty);
  XConvertSelection(FDpy, FAtoms.Clipboard, Target, FAtoms.ClipProperty, FWin, CurrentTime);
  XEvent e;
  if (!WaitNotify(e, kFetchTimeoutMs) || e.xselection.property == None) return String();
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  String s;
  if (XGetWindowProperty(FDpy, FWin, FAtoms.ClipProperty, 0, 0x1000000, True, AnyPropertyType, &type, &format, &n,
                         &after, &data) == Success && data) {
    if (format == 8 && (type == Target || type == FAtoms.Utf8String || type == XA_STRING))
      s.assign(reinterpret_cast<const char*>(data), n);
    XFree(data);
  }
  return s;
}

// Waits for the owner's SelectionNotify; other events stay queued for
// the next PumpEvents.
bool TX11Clipboard::WaitNotify(_XEvent& E, int TimeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  const int fd = ConnectionNumber(FDpy);
  for (;;) {
    if (XCheckTypedWindowEvent(FDpy, FWin, SelectionNotify, &E)) return true;
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(fd, &fds);
    timeval tv{left / 1000000, left % 1000000};
    select(fd + 1, &fds, nullptr, nullptr, &tv);
  }
}

bool TX11Clipboard::HandleEvent(const _XEvent& E) {
  if (E.type == SelectionRequest && E.xselectionrequest.owner == FWin) {
    Serve(E);
    return true;
  }
  if (E.type == SelectionClear && E.xselectionclear.window == FWin) {
    FText.clear();  // another client took the clipboard
    return true;
  }
  return false;
}

void TX11Clipboard::Serve(const _XEvent& E) {
  const XSelectionRequestEvent& q = E.xselectionrequest;
  // Old clients name no property: the answer goes into the target's name.
  Atom prop = q.property != None ? q.property : q.target;
  bool ok = q.selection == FAtoms.Clipboard && Answer(FDpy, FAtoms, q, prop, FText);
  XEvent n{};
  n.xselection.type = SelectionNotify;
  n.xselection.display = FDpy;
  n.xselection.requestor = q.requestor;
  n.xselection.selection = q.selection;
  n.xselection.target = q.target;
  n.xselection.time = q.time;
  n.xselection.property = ok ? prop : None;
  XSendEvent(FDpy, q.requestor, False, 0, &n);
  XFlush(FDpy);
}

}  // namespace x11
