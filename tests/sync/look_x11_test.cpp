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
    // The display's test lock first: no connection before it is ours.
    Lock = std::make_unique<TX11DisplayLock>(String());
    std::unique_ptr<TGuiDriver> X11 = NewX11Driver();
    Probe = std::make_unique<TX11Probe>();
    if (!X11 || !Probe->Valid()) GTEST_SKIP() << "no X display";
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
    Probe.reset();
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
  // Shows the main form headless and then on the server, saves both
  // pictures and returns the number of pixels that differ once the
  // server's picture has settled (at most 3 s); Size is the window's size.
  int CompareWithHeadless(const String& Name, TSize& Size) {
    auto X11 = SetGuiDriver(NewHeadlessDriver());
    ShowMainForm();
    Pump();
    TPixelSurface S = HeadlessSurface(Form->Handle());
    HeadlessSavePng(Form->Handle(), PngPath(Name + "-headless.png"));
    Size = {S.Width, S.Height};
    std::vector<TColorRef> Headless;
    for (int Y = 0; Y < S.Height; ++Y)
      for (int X = 0; X < S.Width; ++X) Headless.push_back(S.Get(X, Y));
    delete Form;
    Form = nullptr;
    FreeFormScalingHook();
    SetGuiDriver(std::move(X11));

    // The pointer away from the form, so that no button shows its hover.
    if (Probe->HasXTest()) Probe->MoveMouse(0, 0);
    ShowMainForm();
    unsigned long Win = X11WindowOfHandle(Form->Handle());
    EXPECT_NE(Win, 0u);
    EXPECT_TRUE(PumpUntil([&] { return Probe->Viewable(Win); }));
    int W = 0, H = 0;
    std::vector<TColorRef> Shown;
    PumpUntil([&] {
      X11Sync(GuiDriver());
      Shown = Probe->Grab(Win, W, H);
      return Shown == Headless;
    });
    TBitmap Picture;
    Picture.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) Picture.PixelSurface().Set(X, Y, Shown[size_t(Y) * W + X]);
    Picture.SavePng(PngPath(Name + "-x11.png"));
    if (W != Size.cx || H != Size.cy) return W * H + 1;
    int Differ = 0;
    for (size_t I = 0; I < Shown.size(); ++I) Differ += Shown[I] != Headless[I];
    return Differ;
  }

  std::unique_ptr<TX11Probe> Probe;
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
