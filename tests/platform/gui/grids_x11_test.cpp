// A string grid on a real X server (Xvfb in CI): cells chosen, a column
// sized and a cell edited through real X input (XTest), the window's
// pixels checked at known cells. Skipped without a display or XTest.
#include <gtest/gtest.h>
#include "display_check.h"

#include <memory>

#include "platform/gui/forms.h"
#include "platform/gui/grids_draw.h"
#include "platform/gui/grids_edit.h"
#include "platform/gui/x11.h"
#include "platform/gui/x11_probe.h"

namespace {

constexpr int FormLeft = 160, FormTop = 140, FormW = 320, FormH = 220;
constexpr unsigned long XK_Return = 0xff0d;

class GridX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    std::unique_ptr<TGuiDriver> X11 = NewX11Driver();
    if (!X11) MDS_SKIP_WITHOUT_DISPLAY("no X display");
    if (!Probe.Valid() || !Probe.HasXTest()) MDS_SKIP_WITHOUT_DISPLAY("no XTest");
    Previous = SetGuiDriver(std::move(X11));
    Form = std::make_unique<TForm>(nullptr, 0);
    Form->SetPosition(poDesigned);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(FormLeft, FormTop, FormW, FormH);
    Grid = new TStringGrid(Form.get());
    Grid->SetBounds(0, 0, FormW, FormH);
    Grid->SetBorderStyle(bsNone);
    Grid->SetDefaultColWidth(40);
    Grid->SetDefaultRowHeight(20);
    Grid->SetColCount(50);
    Grid->SetRowCount(50);
    Grid->SetOptions(Grid->Options() + TGridOptions{goEditing, goColSizing});
    Grid->OnDrawCell = [this](TObject*, Integer C, Integer, TRect R, TGridDrawState S) {
      if (C != 3 || S.Contains(gdFixed) || S.Contains(gdSelected)) return;
      Grid->Canvas()->Brush()->SetColor(clRed);
      Grid->Canvas()->FillRect(R);
    };
    Grid->SetParent(Form.get());
    Form->Show();
    Win = X11WindowOfHandle(Form->Handle());
    ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(Win); }));
    Settle();
  }
  void TearDown() override {
    Form.reset();
    if (Previous) SetGuiDriver(std::move(Previous));
  }
  // Hands out the queued messages (keys through the focused control first).
  void Pump() {
    MSG M;
    while (PeekMessage(M, nullptr, 0, 0, PM_REMOVE))
      if (!IsKeyMsg(M)) TranslateMessage(M), DispatchMessage(M);
  }
  bool PumpUntil(const std::function<bool()>& Done) {
    return X11PumpUntil(GuiDriver(), [&] { return Pump(), Done(); }, 3000);
  }
  // Lets what changed be painted and reach the server.
  void Settle() {
    int Rounds = 0;
    PumpUntil([&] { return ++Rounds > 5; });
    X11Sync(GuiDriver());
  }
  TColorRef ScreenPixel(int X, int Y) {
    int W = 0, H = 0;
    std::vector<TColorRef> S = Probe.Grab(Win, W, H);
    return X < W && Y < H ? S[size_t(Y) * W + X] & 0xFFFFFF : 0xFFFFFFFF;
  }
  TPoint CentreOf(Integer C, Integer R) {
    TRect Cell = Grid->CellRect(C, R);
    return Point(FormLeft + (Cell.Left + Cell.Right) / 2, FormTop + (Cell.Top + Cell.Bottom) / 2);
  }

  TX11DisplayLock Lock{String()};
  TX11Probe Probe;
  std::unique_ptr<TGuiDriver> Previous;
  std::unique_ptr<TForm> Form;
  TStringGrid* Grid = nullptr;
  unsigned long Win = 0;
};

TEST_F(GridX11Test, ClickSizeAndEditThroughTheServer) {
  TPoint P = CentreOf(2, 3);
  Probe.Click(P.X, P.Y);
  ASSERT_TRUE(PumpUntil([&] { return Grid->Col() == 2 && Grid->Row() == 3; }));

  // Column 1 ends at x 81 in the title row: drag its line 20 pixels right.
  Probe.MoveMouse(FormLeft + 81, FormTop + 10);
  Probe.Button(1, true);
  Probe.MoveMouse(FormLeft + 91, FormTop + 10);
  Probe.MoveMouse(FormLeft + 101, FormTop + 10);
  Probe.Button(1, false);
  ASSERT_TRUE(PumpUntil([&] { return Grid->ColWidths(1) == 60; }));

  Probe.TapKey('a');
  Probe.TapKey('b');
  Probe.TapKey(XK_Return);
  ASSERT_TRUE(PumpUntil([&] { return Grid->Cells(2, 3) == "ab" && !Grid->EditorMode(); }));

  Settle();
  TRect Red = Grid->CellRect(3, 1);
  EXPECT_EQ(Red.Left, 41 + 61 + 41) << "column 3 moved right with the wider column 1";
  EXPECT_EQ(ScreenPixel((Red.Left + Red.Right) / 2, (Red.Top + Red.Bottom) / 2), 0x0000FFu);
  EXPECT_EQ(ScreenPixel(20, 30), ColorToRGB(clBtnFace)) << "the fixed column";
}

}  // namespace
