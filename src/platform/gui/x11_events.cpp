// The event side of the X11 driver: waiting on the connection and the wake
// pipe, and turning X events into device input of the window manager.
#include "platform/gui/x11_internal.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace x11 {

namespace {

// One notch of the wheel, as the original platform counts it.
constexpr int kWheelDelta = 120;

TPoint RootPos(int X, int Y) { return TPoint{X, Y}; }

// The class library's button number of an X button (-1: none of ours).
int ButtonOf(unsigned XButton) {
  switch (XButton) {
    case Button1: return 0;
    case Button2: return 2;
    case Button3: return 1;
    default: return -1;
  }
}

}  // namespace

void TX11Driver::Wake() {
  if (FWakePipe[1] < 0) return;
  char c = 1;
  // A full pipe already wakes the next wait.
  [[maybe_unused]] ssize_t n = write(FWakePipe[1], &c, 1);
}

void TX11Driver::DrainWakePipe() {
  char buf[64];
  while (FWakePipe[0] >= 0 && read(FWakePipe[0], buf, sizeof buf) > 0) {
  }
}

void TX11Driver::PumpEvents(int TimeoutMs) {
  if (DrainQueued()) return;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs < 0 ? 0 : TimeoutMs);
  const int xfd = ConnectionNumber(FDpy);
  for (;;) {
    XFlush(FDpy);
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(xfd, &fds);
    if (FWakePipe[0] >= 0) FD_SET(FWakePipe[0], &fds);
    timeval tv{}, *ptv = nullptr;
    if (TimeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
      if (left < 0) left = 0;
      tv.tv_sec = left / 1000000, tv.tv_usec = left % 1000000;
      ptv = &tv;
    }
    int r = select(std::max(xfd, FWakePipe[0]) + 1, &fds, nullptr, nullptr, ptv);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return;
    bool woken = FWakePipe[0] >= 0 && FD_ISSET(FWakePipe[0], &fds);
    if (woken) DrainWakePipe();
    if (DrainQueued() || woken) return;
  }
}

// Handles every event that has arrived; true when there was one.
bool TX11Driver::DrainQueued() {
  bool any = false;
  while (XPending(FDpy) > 0) {
    XEvent e;
    XNextEvent(FDpy, &e);
    Dispatch(e);
    any = true;
  }
  return any;
}

void TX11Driver::Dispatch(_XEvent& E) {
  switch (E.type) {
    case MotionNotify:
      return FSink->MouseMove(RootPos(E.xmotion.x_root, E.xmotion.y_root));
    case EnterNotify:
    case LeaveNotify:
      // The pointer crossed into or out of one of our windows: the window
      // manager hears where it is now, so that it can tell the window it
      // left (no motion follows outside our windows).
      if (E.xcrossing.mode == NotifyNormal) FSink->MouseMove(RootPos(E.xcrossing.x_root, E.xcrossing.y_root));
      return;
    case ButtonPress:
    case ButtonRelease: {
      TPoint p = RootPos(E.xbutton.x_root, E.xbutton.y_root);
      bool down = E.type == ButtonPress;
      if (E.xbutton.button == Button4 || E.xbutton.button == Button5) {
        if (down) FSink->MouseWheel(E.xbutton.button == Button4 ? kWheelDelta : -kWheelDelta, p);
        return;
      }
      if (int b = ButtonOf(E.xbutton.button); b >= 0) FSink->MouseButton(b, down, p);
      return;
    }
    case KeyPress:
    case KeyRelease:
      return DispatchKey(E);
    case SelectionRequest:
    case SelectionClear:
    case SelectionNotify:
      FClipboard->HandleEvent(E);
      return;
    default:
      break;
  }
  auto it = FWindows.find(E.xany.window);
  if (it != FWindows.end()) it->second->HandleEvent(E);
}

// A key release that the server's auto-repeat made: the press that follows
// at once with the same time and key. The original platform repeats only
// the key-down, so the release is dropped.
bool TX11Driver::IsAutoRepeatRelease(const _XEvent& E) {
  if (E.type != KeyRelease || XEventsQueued(FDpy, QueuedAfterReading) == 0) return false;
  XEvent next;
  XPeekEvent(FDpy, &next);
  return next.type == KeyPress && next.xkey.keycode == E.xkey.keycode && next.xkey.time == E.xkey.time;
}

void TX11Driver::DispatchKey(_XEvent& E) {
  if (IsAutoRepeatRelease(E)) return;
  char buf[32];
  KeySym ks = 0;
  int n = XLookupString(&E.xkey, buf, sizeof buf, &ks, nullptr);
  Word vk = VirtualKeyOfKeysym(ks);
  if (!vk) vk = VirtualKeyOfKeysym(XLookupKeysym(&E.xkey, 0));
  String text;
  if (E.type == KeyPress) {
    if (n == 1 && (static_cast<unsigned char>(buf[0]) < 0x20 || buf[0] == 0x7F))
      text.assign(buf, 1);  // control characters: Enter, Tab, Backspace, Escape, Ctrl+letter
    else if (char32_t c = CharOfKeysym(ks))
      text = Utf8Of(c);
  }
  if (!vk && text.empty()) return;
  if (!vk) vk = 0xE7;  // a character without a key of its own
  FSink->Key(vk, E.type == KeyPress, text);
}

}  // namespace x11
