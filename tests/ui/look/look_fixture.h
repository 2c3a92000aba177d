// Fixture of the look tests: the forms fixture (fresh headless desktop,
// fake clock, clean application, scripted responder) plus verbs to put
// flat controls on a shown form and read the pixels of its client area.
#pragma once

#include "platform/gui/forms_fixture.h"
#include "platform/gui/winapi.h"

class LookTest : public FormsTest {
 protected:
  // A shown plain form with a white client area.
  TForm* ShownForm(const String& Caption = "Look", TRect B = Bounds(100, 100, 320, 240)) {
    TForm* F = NewPlainForm(Caption, B);
    F->SetColor(clWhite);
    F->Show();
    Pump();
    return F;
  }
  // A control of class T at B on Parent, owned by Parent's form.
  template <class T>
  T* Put(TWinControl* Parent, TRect B) {
    auto* C = new T(Parent);
    C->SetBounds(B.Left, B.Top, B.Width(), B.Height());
    C->SetParent(Parent);
    Pump();
    return C;
  }
  // The colour of F's pixel at client point (X, Y) after painting.
  TColor ClientPixel(TForm* F, int X, int Y) {
    Pump();
    TPixelSurface S = HeadlessSurface(F->Handle());
    TPoint Origin = F->ClientOrigin();
    TRect W = GetWindowRect(F->Handle());
    return TColor(S.Get(Origin.X - W.Left + X, Origin.Y - W.Top + Y));
  }
  // The pixel of control C at its client point (X, Y).
  TColor PixelOf(TControl* C, int X, int Y) {
    TPoint P = C->ClientToScreen(Point(X, Y));
    TForm* F = static_cast<TForm*>(GetParentForm(C));
    TPoint Origin = F->ClientOrigin();
    return ClientPixel(F, P.X - Origin.X, P.Y - Origin.Y);
  }
  // Moves the mouse over C's client point (X, Y) (desktop input).
  void MoveOver(TControl* C, int X, int Y) {
    TPoint P = C->ClientToScreen(Point(X, Y));
    HeadlessMouseMove(P.X, P.Y);
    Pump();
  }
  void ClickOn(TControl* C, int X = 5, int Y = 5) {
    TPoint P = C->ClientToScreen(Point(X, Y));
    HeadlessClick(P.X, P.Y);
    Pump();
  }
  // Where PNG pictures of the tests go (kept for a look): LOOK_PNG_DIR or
  // the test's temporary folder.
  String PngPath(const String& Name) {
    const char* Dir = getenv("LOOK_PNG_DIR");
    return String(Dir ? Dir : Folder.c_str()) + "/" + Name;
  }
};
