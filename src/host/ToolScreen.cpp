#include "host/ToolScreen.h"

#include <algorithm>

#include "platform/gui/graphics_bitmap.h"
#include "platform/gui/x11_probe.h"

// Xlib comes last and in a namespace of its own: its types (Time, Screen)
// and macros (None, Bool, Status) would clash with the class library's
// names. Its functions keep their C linkage.
// clang-format off
namespace xlib {
#include <X11/Xlib.h>
}
// clang-format on

namespace {

constexpr unsigned long XK_Return = 0xff0d;
constexpr unsigned long XK_Shift_L = 0xffe1;

// Windows of other programs may vanish while the search looks at them;
// such errors only mean "not this one".
int IgnoreXError(xlib::Display*, xlib::XErrorEvent*) { return 0; }

xlib::Display* Xlib(void* Dpy) { return static_cast<xlib::Display*>(Dpy); }

}  // namespace

TToolScreen::TToolScreen(const String& DisplayName) : FProbe(std::make_unique<TX11Probe>(DisplayName)) {
  if (!FProbe->Valid()) return;
  FDpy = xlib::XOpenDisplay(DisplayName.empty() ? nullptr : DisplayName.c_str());
  if (FDpy) xlib::XSetErrorHandler(IgnoreXError);
}

TToolScreen::~TToolScreen() {
  if (FDpy) xlib::XCloseDisplay(Xlib(FDpy));
}

bool TToolScreen::Valid() const { return FProbe->Valid() && FDpy; }

bool TToolScreen::HasXTest() const { return Valid() && FProbe->HasXTest(); }

String TToolScreen::Title(unsigned long W) {
  String T = FProbe->Property(W, "_NET_WM_NAME");
  return T.empty() ? FProbe->Property(W, "WM_NAME") : T;
}

unsigned long TToolScreen::SearchBelow(unsigned long Parent, const String& Prefix, unsigned long Except) {
  xlib::Window Root, Up, *Children = nullptr;
  unsigned Count = 0;
  if (!xlib::XQueryTree(Xlib(FDpy), Parent, &Root, &Up, &Children, &Count)) return 0;
  unsigned long Found = 0;
  for (unsigned I = 0; I < Count && !Found; ++I) {
    if (Children[I] != Except && Title(Children[I]).rfind(Prefix, 0) == 0 && FProbe->Viewable(Children[I]))
      Found = Children[I];
    if (!Found) Found = SearchBelow(Children[I], Prefix, Except);
  }
  if (Children) xlib::XFree(Children);
  return Found;
}

unsigned long TToolScreen::Search(const String& Prefix, unsigned long Except) {
  return SearchBelow(xlib::XDefaultRootWindow(Xlib(FDpy)), Prefix, Except);
}

unsigned long TToolScreen::FindWindow(const String& Prefix, int Seconds, unsigned long Except) {
  unsigned long Found = 0;
  WaitUntil([&] { return (Found = Search(Prefix, Except)) != 0; }, Seconds);
  return Found;
}

bool TToolScreen::Viewable(unsigned long W) { return FProbe->Viewable(W); }

std::vector<TColorRef> TToolScreen::Pixels(unsigned long W, int& Width, int& Height) {
  return FProbe->Grab(W, Width, Height);
}

bool TToolScreen::WaitUntilSettled(unsigned long W, int Seconds) {
  std::vector<TColorRef> Last;
  return WaitUntil(
      [&] {
        int Width = 0, Height = 0;
        std::vector<TColorRef> Now = Pixels(W, Width, Height);
        bool Same = !Now.empty() && Now == Last;
        Last = std::move(Now);
        return Same;
      },
      Seconds);
}

void TToolScreen::Click(unsigned long W, TPoint P) {
  TRect R = FProbe->Geometry(W);
  FProbe->Click(R.Left + P.X, R.Top + P.Y);
  FProbe->Sync();
}

bool TToolScreen::ClickAndWaitForChange(unsigned long W, TPoint P, int Seconds) {
  int Width = 0, Height = 0;
  std::vector<TColorRef> Before = Pixels(W, Width, Height);
  Click(W, P);
  return WaitUntil([&] { return Pixels(W, Width, Height) != Before; }, Seconds);
}

bool TToolScreen::PressFocusedButton(unsigned long Box) {
  WaitUntil([&] { return FProbe->FocusWindow() == Box; }, 5);
  FProbe->TapKey(XK_Return);
  FProbe->Sync();
  return WaitUntil([&] { return !FProbe->Viewable(Box); }, 5);
}

void TToolScreen::Type(unsigned long W, const String& Text) {
  for (char C : Text) {
    bool Shifted = (C >= 'A' && C <= 'Z');
    if (Shifted) FProbe->Key(XK_Shift_L, true);
    FProbe->TapKey(Shifted ? (unsigned long)(C - 'A' + 'a') : (unsigned long)(unsigned char)C);
    if (Shifted) FProbe->Key(XK_Shift_L, false);
  }
  FProbe->Sync();
  WaitUntilSettled(W);
}

void TToolScreen::Press(unsigned long W, unsigned long Keysym, int Times) {
  for (int I = 0; I < Times; ++I) {
    FProbe->TapKey(Keysym);
    FProbe->Sync();
    WaitUntilSettled(W);
  }
}

bool TToolScreen::Hover(unsigned long W, TPoint P, int Seconds) {
  int Width = 0, Height = 0;
  const unsigned long Root = xlib::XDefaultRootWindow(Xlib(FDpy));
  std::vector<TColorRef> Before = Pixels(Root, Width, Height);
  TRect R = FProbe->Geometry(W);
  FProbe->MoveMouse(R.Left + P.X, R.Top + P.Y);
  FProbe->Sync();
  if (!WaitUntil([&] { return Pixels(Root, Width, Height) != Before; }, Seconds)) return false;
  WaitUntilSettled(Root);
  return true;
}

bool TToolScreen::PressAndWaitForChange(unsigned long W, unsigned long Keysym, int Seconds) {
  int Width = 0, Height = 0;
  std::vector<TColorRef> Before = Pixels(W, Width, Height);
  FProbe->TapKey(Keysym);
  FProbe->Sync();
  if (!WaitUntil([&] { return Pixels(W, Width, Height) != Before; }, Seconds)) return false;
  WaitUntilSettled(W);
  return true;
}

void TToolScreen::SavePng(unsigned long W, const String& FileName) {
  // The screen's picture at W's place: a message box above W shows as the
  // user sees it, not as the black of a covered window's missing pixels.
  int ScreenWidth = 0, ScreenHeight = 0;
  std::vector<TColorRef> Shown = Pixels(xlib::XDefaultRootWindow(Xlib(FDpy)), ScreenWidth, ScreenHeight);
  TRect R = FProbe->Geometry(W);
  TRect Visible{std::max(R.Left, 0), std::max(R.Top, 0), std::min(R.Right, ScreenWidth),
                std::min(R.Bottom, ScreenHeight)};
  if (Shown.empty() || !FProbe->Viewable(W) || Visible.Right <= Visible.Left || Visible.Bottom <= Visible.Top)
    throw EInvalidGraphicOperation("Das Fenster kann nicht gelesen werden.");
  TBitmap Picture;
  Picture.SetPixelFormat(pf32bit);
  Picture.SetSize(Visible.Right - Visible.Left, Visible.Bottom - Visible.Top);
  for (int Y = Visible.Top; Y < Visible.Bottom; ++Y) {
    Byte* Row = Picture.ScanLine(Y - Visible.Top);
    for (int X = Visible.Left; X < Visible.Right; ++X, Row += 4) {
      TColorRef C = Shown[size_t(Y) * ScreenWidth + X];
      Row[0] = Byte(C >> 16);
      Row[1] = Byte(C >> 8);
      Row[2] = Byte(C);
      Row[3] = 255;
    }
  }
  Picture.SavePng(FileName);
}
