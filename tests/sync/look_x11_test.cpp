// The main form with the look engine on a real X server: with the default
// look, and at 120 percent by the scale file. Each time the window on the
// server must show exactly what the headless back end paints for the same
// form. Pictures of both are left in the test's folder, or in
// LOOK_PNG_DIR when that names a folder. Skipped without a display.
#include "sync_fixture.h"

#include "foundation/UFormHook.h"
#include "platform/gui/x11_form_fixture.h"
#include "ui/look/ULookAndFeel.h"

namespace {

class MainFormLookX11 : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    std::unique_ptr<TGuiDriver> X11 = NewX11Driver();
    if (!X11 || !Probe.Valid()) GTEST_SKIP() << "no X display";
    Lock = std::make_unique<TX11DisplayLock>(String());
    Previous = SetGuiDriver(std::move(X11));
    FreeFormScalingHook();
    ULookAndFeelInit();
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
    ULookAndFeelDone();
    ResetFormHookForTesting();
    if (Previous) SetGuiDriver(std::move(Previous));
    Lock.reset();
    SyncTest::TearDown();
  }
  // The main form created and shown without its start message.
  void ShowMainForm() {
    MakeForm();
    Form->OnShow = nullptr;
    Form->SetCaption("Laptopabgleich - mobile Datenerfassung f\xC3\xBCr ");
    Form->Show();
  }
  void Pump() {
    Application->ProcessMessages();
    Application->ResetTerminated();
  }
  bool PumpUntil(const std::function<bool()>& Done) {
    return PumpEventsUntil([this] { Pump(); }, Done);
  }
  String PngPath(const String& Name) {
    const char* Dir = getenv("LOOK_PNG_DIR");
    return (Dir ? String(Dir) : Root) + "/" + Name;
  }
  // Shows the main form on the server and then headless, saves both
  // pictures and returns the number of pixels that differ; Size is the
  // window's size.
  int CompareWithHeadless(const String& Name, TSize& Size) {
    ShowMainForm();
    unsigned long Win = X11WindowOfHandle(Form->Handle());
    EXPECT_NE(Win, 0u);
    EXPECT_TRUE(PumpUntil([&] { return Probe.Viewable(Win); }));
    for (int I = 0; I < 5; ++I) Pump(), GuiDriver().PumpEvents(10);
    Pump();
    X11Sync(GuiDriver());
    int W = 0, H = 0;
    std::vector<TColorRef> Shown = Probe.Grab(Win, W, H);
    TBitmap Picture;
    Picture.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) Picture.PixelSurface().Set(X, Y, Shown[size_t(Y) * W + X]);
    Picture.SavePng(PngPath(Name + "-x11.png"));
    delete Form;
    Form = nullptr;
    FreeFormScalingHook();
    auto X11 = SetGuiDriver(NewHeadlessDriver());
    ShowMainForm();
    Pump();
    TPixelSurface S = HeadlessSurface(Form->Handle());
    HeadlessSavePng(Form->Handle(), PngPath(Name + "-headless.png"));
    Size = {S.Width, S.Height};
    int Differ = S.Width == W && S.Height == H ? 0 : W * H;
    for (int Y = 0; Y < H && Y < S.Height; ++Y)
      for (int X = 0; X < W && X < S.Width; ++X) Differ += Shown[size_t(Y) * W + X] != S.Get(X, Y);
    delete Form;
    Form = nullptr;
    SetGuiDriver(std::move(X11));
    return Differ;
  }

  TX11Probe Probe;
  std::unique_ptr<TX11DisplayLock> Lock;
  std::unique_ptr<TGuiDriver> Previous;
};

TEST_F(MainFormLookX11, DefaultLookOnTheServerMatchesHeadless) {
  TSize Size{};
  EXPECT_EQ(CompareWithHeadless("mainform-look", Size), 0);
  EXPECT_EQ(Size.cx, 719);
}

TEST_F(MainFormLookX11, At120PercentOnTheServerMatchesHeadless) {
  String Dir;
  LookAndFeelDir(Dir);
  std::ofstream(Dir + "orvsync7_Scaled.txt") << "TFsync=1\r\n";
  TSize Size{};
  EXPECT_EQ(CompareWithHeadless("mainform-120", Size), 0);
  EXPECT_GT(Size.cx, 860);
}

}  // namespace
