// A test of forms on the real X server (Xvfb in CI): installs the X11 back
// end for the test (skipped without a display or XTest), holds the display
// lock, and offers the message-loop verbs the scenarios share. The forms a
// test makes are kept in Forms and freed before the back end goes.
#pragma once

#include <gtest/gtest.h>
#include "display_check.h"

#include <chrono>
#include <memory>
#include <vector>

#include "platform/gui/forms.h"
#include "platform/gui/x11.h"
#include "platform/gui/x11_probe.h"

// Runs Pump (the message loop's turn) and the back end's events until
// Done() holds; false after 3 s.
template <class TPump, class TPred>
bool PumpEventsUntil(TPump Pump, TPred Done) {
  auto End = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (;;) {
    Pump();
    if (Done()) return true;
    if (std::chrono::steady_clock::now() > End) return false;
    GuiDriver().PumpEvents(10);
  }
}

class X11FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::unique_ptr<TGuiDriver> x11 = NewX11Driver();
    if (!x11) MDS_SKIP_WITHOUT_DISPLAY("no X display");
    if (!Probe.Valid() || !Probe.HasXTest()) MDS_SKIP_WITHOUT_DISPLAY("no XTest");
    Previous = SetGuiDriver(std::move(x11));
  }
  void TearDown() override {
    Forms.clear();
    SetGuiDriver(Previous ? std::move(Previous) : NewHeadlessDriver());
    X11 = nullptr;
  }

  // A plain borderless form at a fixed place, kept for the test.
  TForm* NewPlacedForm(int Left, int Top, int Width, int Height) {
    auto* F = new TForm(nullptr, 0);
    Forms.emplace_back(F);
    F->SetPosition(poDesigned);
    F->SetBorderStyle(bsNone);
    F->SetBounds(Left, Top, Width, Height);
    return F;
  }
  // Handles every queued message as the application's loop would.
  void Pump() {
    MSG M;
    while (PeekMessage(M, nullptr, 0, 0, PM_REMOVE)) {
      if (IsKeyMsg(M)) continue;
      TranslateMessage(M);
      DispatchMessage(M);
    }
  }
  // Pumps messages and X events until Done() holds (at most 3 s).
  template <class TPred>
  bool PumpUntil(TPred Done) {
    return PumpEventsUntil([this] { Pump(); }, Done);
  }
  // Writes the pixels of a grab as a PNG file.
  static void SavePng(const std::vector<TColorRef>& Shot, int W, int H, const String& File) {
    TBitmap B;
    B.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) B.PixelSurface().Set(X, Y, Shot[size_t(Y) * W + X]);
    B.SavePng(File);
  }
  // A grab kept as Name in the folder that $Variable names, when set.
  static void SaveShot(const std::vector<TColorRef>& Shot, int W, int H, const String& Name,
                       const char* Variable = "EDIT_PNG_DIR") {
    if (const char* Dir = getenv(Variable)) SavePng(Shot, W, H, String(Dir) + "/" + Name);
  }
  // What the server shows of Window, as Name in $Variable when set.
  void SaveShown(HWND Window, const String& Name, const char* Variable = "EDIT_PNG_DIR") {
    if (!getenv(Variable)) return;
    int W = 0, H = 0;
    std::vector<TColorRef> Shot = Probe.Grab(X11WindowOfHandle(Window), W, H);
    SaveShot(Shot, W, H, Name, Variable);
  }
  // Waits for the server to show Control's window, then lets it settle.
  bool ShownOnServer(TWinControl* Control) {
    if (!PumpUntil([&] { return Probe.Viewable(X11WindowOfHandle(Control->Handle())); })) return false;
    Settle();
    return true;
  }
  // Lets the exposure of a new or changed window be painted and shown.
  void Settle() {
    for (int I = 0; I < 5; ++I) Pump(), GuiDriver().PumpEvents(10);
    Pump();
    X11Sync(GuiDriver());
  }

  TX11DisplayLock Lock{String()};
  TX11Probe Probe;
  std::unique_ptr<TGuiDriver> Previous;  // the back end before the test
  std::unique_ptr<TGuiDriver> X11;       // kept while its windows live
  std::vector<std::unique_ptr<TForm>> Forms;
};
