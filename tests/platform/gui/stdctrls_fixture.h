// Test helpers of the standard controls' tests: the controls fixture plus
// verbs to type, press keys with modifiers, and count the pixels of a
// colour in a part of the root window.
#pragma once

#include "controls_fixture.h"
#include "platform/gui/stdctrls.h"

class StdCtrlsFixture : public ControlsFixture {
 protected:
  static constexpr Word kShift = 1, kAlt = 2, kCtrl = 4;

  void SetUp() override {
    ControlsFixture::SetUp();
    Root = MakeRoot(100, 100, 320, 240);
  }
  void Type(const String& Text) {
    HeadlessType(Text);
    Pump();
  }
  void Press(Word Key, Word Shift = 0, int Times = 1) {
    for (int I = 0; I < Times; ++I) PressKey(Key, Shift);
  }
  // Ctrl + a letter ('C', 'V' ...).
  void Ctrl(char Letter) { PressKey(Word(Letter), kCtrl); }
  // Pixels of Color (resolved) inside R (root window coordinates).
  int CountColor(const TRect& R, TColor Color) {
    Pump();
    TPixelSurface S = HeadlessSurface(Root->Handle());
    TColorRef Want = ColorToRGB(Color);
    int N = 0;
    for (int Y = R.Top; Y < R.Bottom; ++Y)
      for (int X = R.Left; X < R.Right; ++X)
        if (S.Get(X, Y) == Want) ++N;
    return N;
  }
  // The bounds of Control in root window coordinates.
  TRect InRoot(TControl* Control) {
    TPoint P = Root->ScreenToClient(Control->ClientToScreen(Point(0, 0)));
    return Rect(P.X, P.Y, P.X + Control->ClientWidth(), P.Y + Control->ClientHeight());
  }
  // A desktop point at client (X, Y) of Control.
  TPoint OnScreen(TControl* Control, int X, int Y) { return Control->ClientToScreen(Point(X, Y)); }
  void ClickOn(TControl* Control, int X, int Y) {
    TPoint P = OnScreen(Control, X, Y);
    ClickAt(P.X, P.Y);
  }

  TTestRoot* Root = nullptr;
};
