// Test helpers of the controls' tests: a root control with a top-level
// window on the headless desktop, self-painting boxes with and without a
// window, and a fixture with verbs to build, pump, click, type and read
// pixels.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/controls.h"

// A control that owns a top-level window (as a form does).
class TTestRoot : public TCustomControl {
 public:
  explicit TTestRoot(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
    SetVisible(false);
  }
  bool IsWindowRoot() const override { return true; }
  std::vector<String> Entered;  // names of the controls in OnEnter order

 protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPCHILDREN;
    Params.WndParent = nullptr;
  }
};

// A windowed box that fills itself with FillColor and counts its paints.
class TPaintedBox : public TCustomControl {
 public:
  explicit TPaintedBox(TComponent* AOwner) : TCustomControl(AOwner) {}
  TColor FillColor = clRed;
  int Paints = 0;
  using TControl::ControlState;

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(FillColor);
    Canvas()->FillRect(Rect(2, 2, Width() - 2, Height() - 2));
  }
};

// A box without window: a frame in FrameColor around a FillColor inside.
class TGraphicBox : public TGraphicControl {
 public:
  explicit TGraphicBox(TComponent* AOwner) : TGraphicControl(AOwner) {}
  TColor FillColor = clBlue;
  int Paints = 0;
  bool SawPaintCopy = false;

 protected:
  void Paint() override {
    ++Paints;
    SawPaintCopy = SawPaintCopy || ControlState().Contains(csPaintCopy);
    Canvas()->Brush()->SetColor(FillColor);
    Canvas()->FillRect(ClientRect());
  }
};

class ControlsFixture : public ::testing::Test {
 protected:
  void SetUp() override { SetGuiDriver(NewHeadlessDriver()); }
  void TearDown() override { Owner.reset(); }

  // A shown root window at desktop (X, Y) of the given size, colour clWhite.
  TTestRoot* MakeRoot(int X = 100, int Y = 100, int W = 200, int H = 150) {
    auto* R = new TTestRoot(Owner.get());
    R->SetName("Root");
    R->SetBounds(X, Y, W, H);
    R->SetColor(clWhite);
    R->SetVisible(true);
    Pump();
    return R;
  }
  template <class T>
  T* Add(TWinControl* Parent, const String& Name, int L, int T_, int W, int H) {
    auto* C = new T(Owner.get());
    C->SetName(Name);
    C->SetBounds(L, T_, W, H);
    C->SetParent(Parent);
    return C;
  }
  // Handles every queued message (paints included).
  void Pump() {
    MSG Msg;
    for (int Guard = 0; Guard < 10000 && PeekMessage(Msg, nullptr, 0, 0, PM_REMOVE); ++Guard) {
      if (IsKeyMsg(Msg)) continue;
      TranslateMessage(Msg);
      DispatchMessage(Msg);
    }
  }
  void ClickAt(int X, int Y) {
    HeadlessClick(X, Y);
    Pump();
  }
  void PressKey(Word Key, Word Shift = 0) {
    HeadlessKey(Key, Shift);
    Pump();
  }
  // The colour of the root window's pixel at window coordinates (X, Y).
  TColorRef PixelAt(TTestRoot* Root, int X, int Y) {
    Pump();
    TPixelSurface S = HeadlessSurface(Root->Handle());
    return S.Get(X, Y);
  }

  std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
};
