// What tests do with the headless back end: inject mouse and keyboard
// events, read and save the pixels of a top-level window.
#include "platform/gui/graphics.h"
#include "platform/gui/wm_headless.h"
#include "platform/gui/wm_internal.h"
#include "platform/rtl/charset.h"

using namespace wm;

namespace {

// Bits of the ShiftState of HeadlessKey, as the class library's shift set.
constexpr Word kShift = 1, kAlt = 2, kCtrl = 4;

void Move(THeadlessDriver& D, int X, int Y) {
  D.Queue([=] { TDesktopInput::MouseMove({X, Y}); });
}

void Button(THeadlessDriver& D, int X, int Y, int B, bool Down) {
  D.Queue([=] { TDesktopInput::MouseButton(B, Down, {X, Y}); });
}

void Key(THeadlessDriver& D, Word Vk, bool Down, const String& Text = String()) {
  D.Queue([=] { TDesktopInput::Key(Vk, Down, Text); });
}

// The virtual key that types a character (VK_PACKET-like 0xE7 for those
// that have none of their own).
Word KeyOfChar(char32_t C) {
  if (C >= 'a' && C <= 'z') return Word(C - 32);
  if ((C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9')) return Word(C);
  if (C == ' ') return VK_SPACE;
  if (C == '\r' || C == '\n') return VK_RETURN;
  if (C == '\t') return VK_TAB;
  if (C == '\b') return VK_BACK;
  return 0xE7;
}

String Utf8(char32_t C) {
  String s;
  Utf8Append(s, C);
  return s;
}

}  // namespace

void HeadlessSetMonitors(const std::vector<TMonitorInfo>& Monitors) { Headless().SetMonitors(Monitors); }

void HeadlessMouseMove(int X, int Y) { Move(Headless(), X, Y); }

void HeadlessClick(int X, int Y, int B) {
  THeadlessDriver& d = Headless();
  Move(d, X, Y);
  Button(d, X, Y, B, true);
  Button(d, X, Y, B, false);
}

void HeadlessDoubleClick(int X, int Y) {
  HeadlessClick(X, Y);
  THeadlessDriver& d = Headless();
  Button(d, X, Y, 0, true);
  Button(d, X, Y, 0, false);
}

void HeadlessKey(Word VirtualKey, Word ShiftState) {
  THeadlessDriver& d = Headless();
  bool shift = ShiftState & kShift, alt = ShiftState & kAlt, ctrl = ShiftState & kCtrl;
  if (shift) Key(d, VK_SHIFT, true);
  if (ctrl) Key(d, VK_CONTROL, true);
  if (alt) Key(d, VK_MENU, true);
  Key(d, VirtualKey, true, KeyText(VirtualKey, shift, ctrl && !alt));
  Key(d, VirtualKey, false);
  if (alt) Key(d, VK_MENU, false);
  if (ctrl) Key(d, VK_CONTROL, false);
  if (shift) Key(d, VK_SHIFT, false);
}

void HeadlessType(const String& Text) {
  THeadlessDriver& d = Headless();
  for (char32_t c : CodePoints(Text)) {
    Word vk = KeyOfChar(c);
    Key(d, vk, true, Utf8(c == '\n' ? U'\r' : c));
    Key(d, vk, false);
  }
}

TPixelSurface HeadlessSurface(HWND TopLevel) {
  std::vector<HWND> tree;
  {
    auto L = WmLock();
    CollectTree(TopLevel, tree);
  }
  for (HWND h : tree) PaintNow(h);
  FlushPresents(GetWindowThreadProcessId(TopLevel));
  auto L = WmLock();
  TWndRec* r = Rec(TopLevel);
  return r && r->Native ? r->Native->Surface() : TPixelSurface{};
}

void HeadlessSavePng(HWND TopLevel, const String& FileName) {
  TPixelSurface s = HeadlessSurface(TopLevel);
  if (!s.Valid()) throw EInvalidOperation("Das Fenster hat keine Pixel");
  TBitmap bmp;
  bmp.SetPixelFormat(pf32bit);
  bmp.SetSize(s.Width, s.Height);
  bmp.Canvas()->StretchBltSurface(Rect(0, 0, s.Width, s.Height), s, Rect(0, 0, s.Width, s.Height), SRCCOPY);
  bmp.SavePng(FileName);
}
