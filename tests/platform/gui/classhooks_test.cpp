// The class library's hook points (popup parent, themed edge), the system
// metric overrides and the visual-styles provider: each installed hook or
// override changes what the library does, and goes away again.
#include "platform/gui/classhooks.h"

#include "forms_fixture.h"
#include "platform/gui/stdctrls.h"
#include "platform/gui/system_metrics.h"
#include "platform/gui/themes.h"
#include "platform/gui/winapi.h"

namespace {

// Installs the two hooks for one test and puts back the ones before.
class ClassHooks : public FormsTest {
 protected:
  void TearDown() override {
    SetFormParamsHook(std::move(OldParams));
    SetNCPaintHook(std::move(OldPaint));
    FormsTest::TearDown();
  }
  void HookParams(TFormParamsHook H) { OldParams = SetFormParamsHook(std::move(H)); }
  void HookPaint(TNCPaintHook H) { OldPaint = SetNCPaintHook(std::move(H)); }
  // The colour of F's window pixel at (X, Y) of its whole window.
  TColor WindowPixel(TForm* F, TWinControl* C, int X, int Y) {
    Pump();
    TPixelSurface S = HeadlessSurface(F->Handle());
    TRect W = GetWindowRect(F->Handle()), Cw = GetWindowRect(C->Handle());
    return TColor(S.Get(Cw.Left - W.Left + X, Cw.Top - W.Top + Y));
  }
  TFormParamsHook OldParams;
  TNCPaintHook OldPaint;
};

TEST_F(ClassHooks, FormParamsHookGivesADialogItsOwner) {
  TForm* Main = NewPlainForm("Main");
  Main->Show();
  TForm* Plain = NewPlainForm("Plain");
  Plain->HandleNeeded();
  EXPECT_EQ(GetWindow(Plain->Handle(), GW_OWNER), nullptr);

  HWND MainWnd = Main->Handle();
  std::vector<TCustomForm*> Asked;
  HookParams([&](TCustomForm& F, TCreateParams& P) {
    Asked.push_back(&F);
    P.WndParent = MainWnd;
  });
  TForm* Dialog = NewPlainForm("Dialog");
  Dialog->SetBorderStyle(bsDialog);
  Dialog->HandleNeeded();
  EXPECT_EQ(GetWindow(Dialog->Handle(), GW_OWNER), MainWnd);
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0], Dialog);
}

TEST_F(ClassHooks, NCPaintHookPaintsOverTheClassicEdge) {
  TForm* F = NewPlainForm("Edge");
  auto* E = new TEdit(F);
  E->SetParent(F);
  E->SetBounds(10, 10, 80, 24);
  F->Show();
  TColor Classic = WindowPixel(F, E, 0, 0);
  EXPECT_EQ(Classic, ColorToRGB(clBtnShadow));

  std::vector<TWinControl*> Painted;
  HookPaint([&](TWinControl& C) {
    Painted.push_back(&C);
    TCanvas* DC = GetWindowDC(C.Handle());
    DC->Brush()->SetColor(clRed);
    DC->FillRect(Rect(0, 0, 2, 2));
    ReleaseDC(C.Handle(), DC);
  });
  SetWindowPos(E->Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_EQ(WindowPixel(F, E, 0, 0), clRed);
  EXPECT_NE(std::find(Painted.begin(), Painted.end(), E), Painted.end());
}

TEST(SystemMetrics, OverrideAnswersUntilItsScopeEnds) {
  EXPECT_EQ(GetSystemMetrics(SM_REMOTESESSION), 0);
  int Scroll = GetSystemMetrics(SM_CXVSCROLL);
  {
    TSystemMetricOverride Remote(SM_REMOTESESSION, 1);
    EXPECT_EQ(GetSystemMetrics(SM_REMOTESESSION), 1);
    {
      TSystemMetricOverride Again(SM_REMOTESESSION, 7);
      TSystemMetricOverride Bars(SM_CXVSCROLL, 30);
      EXPECT_EQ(GetSystemMetrics(SM_REMOTESESSION), 7);
      EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 30);
    }
    EXPECT_EQ(GetSystemMetrics(SM_REMOTESESSION), 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), Scroll);
  }
  int Value = 0;
  EXPECT_FALSE(FindSystemMetricOverride(SM_REMOTESESSION, Value));
}

TEST(ThemeProviders, ClassicByDefaultSolidWhenInstalled) {
  EXPECT_FALSE(ThemeProvider().LoadLibrary());
  EXPECT_LT(ThemeProvider().CommonControlsMajorVersion(), 6);
  auto Old = SetThemeProvider(std::make_unique<TSolidThemeProvider>(clLime));
  auto& Solid = static_cast<TSolidThemeProvider&>(ThemeProvider());
  EXPECT_TRUE(Solid.LoadLibrary());
  EXPECT_TRUE(Solid.GetThemeAppProperties() & STAP_ALLOW_CONTROLS);
  HTHEME H = Solid.OpenThemeData(nullptr, "edit");
  TBitmap B;
  B.SetSize(10, 10);
  TRect Clip = Rect(0, 0, 5, 10);
  Solid.DrawThemeBackground(H, *B.Canvas(), 1, 1, Rect(0, 0, 10, 10), &Clip);
  EXPECT_EQ(TColor(B.PixelSurface().Get(4, 4)), clLime);
  EXPECT_EQ(TColor(B.PixelSurface().Get(5, 4)), clWhite);
  ASSERT_EQ(Solid.Drawn.size(), 1u);
  EXPECT_EQ(Solid.Drawn[0].Theme, H);
  SetThemeProvider(std::move(Old));
  EXPECT_FALSE(ThemeProvider().LoadLibrary());
}

}  // namespace
