// Drag and drop: a control dragged onto another that accepts or refuses,
// the threshold, targets that answer CM_DRAG themselves, a drag object
// with its own image, and the drag image window.
#include "controls_fixture.h"
#include "platform/gui/dragdrop.h"
#include "platform/gui/wm_headless.h"

namespace {

// A box that answers CM_DRAG itself: accepts, and counts the drops.
class TDropBox : public TPaintedBox {
 public:
  explicit TDropBox(TComponent* AOwner) : TPaintedBox(AOwner) {}
  std::vector<TDragMessage> Seen;

 protected:
  void WndProc(TMessage& M) override {
    if (M.Msg == CM_DRAG) {
      Seen.push_back(TDragMessage(M.WParam));
      M.Result = 1;
      return;
    }
    TPaintedBox::WndProc(M);
  }
};

// A drag object with a red 16 x 16 image, hot spot (2, 8).
class TImageDrag : public TDragObject {
 public:
  TImageDrag() : Images(16, 16) {
    TBitmap B;
    B.SetSize(16, 16);
    B.Canvas()->Brush()->SetColor(clRed);
    B.Canvas()->FillRect(Rect(0, 0, 16, 16));
    Images.AddMasked(&B, clNone);
    Images.SetDragImage(0, 2, 8);
  }
  TDragImageList* GetDragImages() override { return &Images; }
  TDragImageList Images;
};

class DragDropTest : public ControlsFixture {
 protected:
  static constexpr int RootX = 100, RootY = 100;
  void SetUp() override {
    ControlsFixture::SetUp();
    Root = MakeRoot(RootX, RootY, 300, 200);
    Source = Add<TPaintedBox>(Root, "Source", 10, 10, 60, 40);
    Source->SetDragMode(dmAutomatic);
    Source->OnEndDrag = [this](TObject*, TObject* T, Integer, Integer) { EndTarget = T; ++Ends; };
    Target = Add<TPaintedBox>(Root, "Target", 100, 10, 60, 40);
    DragEvents(Target).OnDragOver = [this](TObject*, TObject* S, Integer, Integer, TDragState St, bool& Accept) {
      States.push_back(St);
      Accept = AcceptDrops && S == Source;
    };
    DragEvents(Target).OnDragDrop = [this](TObject*, TObject*, Integer X, Integer Y) { Drops.push_back({X, Y}); };
    Pump();
  }
  // Drags with the left button from root point A over Via to B; each
  // step is handled before the next comes, as real input would be.
  void DragInRoot(TPoint A, TPoint B) { DragVia(A, Point((A.X + B.X) / 2, (A.Y + B.Y) / 2), B); }
  void DragVia(TPoint A, TPoint Via, TPoint B) {
    auto Q = [this](std::function<void()> E) {
      Headless().Queue(std::move(E));
      Pump();
    };
    auto D = [](TPoint P) { return Point(RootX + P.X, RootY + P.Y); };
    Q([=] { TDesktopInput::MouseMove(D(A)); });
    Q([=] { TDesktopInput::MouseButton(0, true, D(A)); });
    Q([=] { TDesktopInput::MouseMove(D(Point(A.X + 1, A.Y))); });
    Q([=] { TDesktopInput::MouseMove(D(Via)); });
    Q([=] { TDesktopInput::MouseMove(D(B)); });
    Q([=] { TDesktopInput::MouseButton(0, false, D(B)); });
  }

  TTestRoot* Root = nullptr;
  TPaintedBox *Source = nullptr, *Target = nullptr;
  bool AcceptDrops = true;
  std::vector<TDragState> States;
  std::vector<TPoint> Drops;
  TObject* EndTarget = nullptr;
  int Ends = 0;
};

TEST_F(DragDropTest, DroppingOnAnAcceptingControlDeliversTheDrop) {
  DragInRoot(Point(30, 30), Point(130, 30));
  ASSERT_EQ(Drops.size(), 1u);
  EXPECT_EQ(Drops[0], Point(30, 20)) << "target client coordinates";
  ASSERT_FALSE(States.empty());
  EXPECT_EQ(States.front(), dsDragEnter);
  EXPECT_EQ(Ends, 1);
  EXPECT_EQ(EndTarget, Target);
  EXPECT_FALSE(DragActive());
}

TEST_F(DragDropTest, ARefusingControlGetsNoDropButALeave) {
  AcceptDrops = false;
  DragInRoot(Point(30, 30), Point(130, 30));
  EXPECT_TRUE(Drops.empty());
  ASSERT_FALSE(States.empty());
  EXPECT_EQ(States.back(), dsDragLeave);
}

TEST_F(DragDropTest, MovesBelowTheThresholdStartNoDrag) {
  bool Started = false;
  DragEvents(Source).OnStartDrag = [&](TObject*, TDragObject*&) { Started = true; };
  DragInRoot(Point(30, 30), Point(32, 31));
  EXPECT_FALSE(Started);
  EXPECT_TRUE(States.empty());
}

TEST_F(DragDropTest, LeavingTheTargetTellsItAndDropsNothing) {
  DragVia(Point(30, 30), Point(130, 30), Point(250, 150));
  ASSERT_GE(States.size(), 2u);
  EXPECT_EQ(States.front(), dsDragEnter);
  EXPECT_EQ(States.back(), dsDragLeave);
  EXPECT_TRUE(Drops.empty());
  EXPECT_EQ(Ends, 1);
}

TEST_F(DragDropTest, AControlAnsweringCMDragAcceptsByItsResult) {
  auto* Box = Add<TDropBox>(Root, "Box", 200, 10, 60, 40);
  Pump();
  DragInRoot(Point(30, 30), Point(230, 30));
  ASSERT_FALSE(Box->Seen.empty());
  EXPECT_EQ(Box->Seen.front(), dmDragEnter);
  EXPECT_EQ(Box->Seen.back(), dmDragDrop);
}

TEST_F(DragDropTest, StartDragSuppliesTheObjectAndItsImageFollows) {
  TImageDrag Obj;
  DragEvents(Source).OnStartDrag = [&](TObject*, TDragObject*& D) { D = &Obj; };
  HWND Seen = nullptr;
  TRect At{};
  DragEvents(Target).OnDragOver = [&](TObject*, TObject*, Integer, Integer, TDragState, bool& Accept) {
    Seen = Obj.Images.DragWindow();
    if (Seen) At = GetWindowRect(Seen);
    Accept = true;
  };
  DragInRoot(Point(30, 30), Point(130, 30));
  ASSERT_NE(Seen, nullptr);
  EXPECT_EQ(At.Left, RootX + 130 - 2);
  EXPECT_EQ(At.Top, RootY + 30 - 8);
  EXPECT_FALSE(Obj.Images.Dragging()) << "the image ends with the drag";
}

TEST_F(DragDropTest, DragImageShowsItsPixelsAtTheHotSpot) {
  TImageDrag Obj;
  ASSERT_TRUE(Obj.Images.BeginDrag(nullptr, 500, 500));
  HWND W = Obj.Images.DragWindow();
  ASSERT_NE(W, nullptr);
  EXPECT_EQ(GetWindowRect(W), Rect(498, 492, 514, 508));
  EXPECT_EQ(HeadlessSurface(W).Get(5, 5), ColorToRGB(clRed));
  Obj.Images.DragMove(600, 610);
  EXPECT_EQ(GetWindowRect(Obj.Images.DragWindow()).TopLeft(), Point(598, 602));
  EXPECT_TRUE(Obj.Images.EndDrag());
  EXPECT_EQ(Obj.Images.DragWindow(), nullptr);
}

}  // namespace
