// The caret: one per process, a rectangle inverted (XOR) on its window's
// pixels, blinking by an internal timer; it steps aside while its
// top-level window paints so that painting never meets inverted pixels.
#include "platform/gui/wm_internal.h"

using namespace wm;

namespace {

constexpr UINT kBlinkMs = 530;

// Guarded by the window lock.
struct TCaret {
  HWND Wnd = nullptr;
  int Width = 1, Height = 1;
  TPoint Pos{};
  int HideCount = 1;  // created hidden
  bool On = false;    // inverted on the surface now
  int Suspended = 0;
  std::uintptr_t Timer = 0;
};

TCaret& Caret() {
  static TCaret C;
  return C;
}

void Invert() {
  TCaret& c = Caret();
  if (!Rec(c.Wnd)) return;
  HWND top = TopOf(c.Wnd);
  TPoint co = ClientOriginInTop(c.Wnd);
  TRegion clip = ClientVisibleInTop(c.Wnd);
  auto canvas = SurfaceCanvas(top, co, clip);
  TRect r = Bounds(c.Pos.X, c.Pos.Y, c.Width, c.Height);
  canvas->InvertRect(r);
  OffsetRect(r, co.X, co.Y);
  MarkDirty(top, clip.Intersect(TRegion(r)));
  c.On = !c.On;
}

void Draw() {
  TCaret& c = Caret();
  if (c.Wnd && !c.On && c.HideCount == 0 && c.Suspended == 0) Invert();
}

void Erase() {
  if (Caret().On) Invert();
}

void Blink() {
  auto L = WmLock();
  TCaret& c = Caret();
  if (c.HideCount == 0 && c.Suspended == 0) Invert();
}

void Reset() {
  TCaret& c = Caret();
  if (c.Timer) KillInternalTimer(c.Timer);
  c = TCaret{};
}

bool Owns(HWND Wnd) { return Caret().Wnd && (!Wnd || Wnd == Caret().Wnd); }

}  // namespace

bool CreateCaret(HWND Wnd, int Width, int Height) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return false;
  Erase();
  Reset();
  TCaret& c = Caret();
  c.Wnd = Wnd;
  c.Width = Width > 0 ? Width : 1;
  c.Height = Height > 0 ? Height : 16;
  c.Timer = SetInternalTimer(r->ThreadId, kBlinkMs, Blink);
  return true;
}

bool DestroyCaret() {
  auto L = WmLock();
  if (!Caret().Wnd) return false;
  Erase();
  Reset();
  return true;
}

bool ShowCaret(HWND Wnd) {
  auto L = WmLock();
  if (!Owns(Wnd)) return false;
  TCaret& c = Caret();
  if (c.HideCount > 0) --c.HideCount;
  Draw();
  return true;
}

bool HideCaret(HWND Wnd) {
  auto L = WmLock();
  if (!Owns(Wnd)) return false;
  Erase();
  ++Caret().HideCount;
  return true;
}

bool SetCaretPos(int X, int Y) {
  auto L = WmLock();
  if (!Caret().Wnd) return false;
  Erase();
  Caret().Pos = {X, Y};
  Draw();
  return true;
}

TPoint GetCaretPos() {
  auto L = WmLock();
  return Caret().Pos;
}

void wm::CaretSuspend(HWND Top) {
  auto L = WmLock();
  TCaret& c = Caret();
  if (!c.Wnd || TopOf(c.Wnd) != Top) return;
  Erase();
  ++c.Suspended;
}

void wm::CaretResume(HWND Top) {
  auto L = WmLock();
  TCaret& c = Caret();
  if (!c.Wnd || TopOf(c.Wnd) != Top || c.Suspended == 0) return;
  if (--c.Suspended == 0) Draw();
}

void wm::ForgetWindowCaret(HWND Wnd) {
  if (Caret().Wnd == Wnd) Reset();
}
