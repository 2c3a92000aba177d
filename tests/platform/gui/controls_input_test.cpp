// Input of controls on the headless desktop: clicks and double clicks on
// controls with and without window, capture, mouse enter and leave, tab
// order, focus events and keys.
#include "controls_fixture.h"

namespace {

// A root that moves the focus on Tab and previews keys when asked, as a
// form does.
class TDialogRoot : public TTestRoot {
 public:
  explicit TDialogRoot(TComponent* AOwner) : TTestRoot(AOwner) {}
  bool Preview = false;
  bool SwallowPreviewed = false;
  std::vector<String> Log;
  bool IsKeyPreview() const override { return Preview; }

 protected:
  void WndProc(TMessage& M) override {
    if (M.Msg == CM_DIALOGKEY && M.WParam == VK_TAB) {
      SelectNext(FindControl(GetFocus()), (GetKeyState(VK_SHIFT) & 0x8000) == 0, true);
      M.Result = 1;
      return;
    }
    TTestRoot::WndProc(M);
  }
  void KeyDown(Word& Key, TShiftState) override {
    Log.push_back("preview " + std::to_string(Key));
    if (SwallowPreviewed) Key = 0;
  }
};

// A focusable box that can ask for the Tab key.
class TFocusBox : public TPaintedBox {
 public:
  explicit TFocusBox(TComponent* AOwner) : TPaintedBox(AOwner) { SetTabStop(true); }
  bool WantTab = false;

 protected:
  void WndProc(TMessage& M) override {
    if (M.Msg == WM_GETDLGCODE) {
      M.Result = WantTab ? LRESULT(DLGC_WANTTAB) : 0;
      return;
    }
    TPaintedBox::WndProc(M);
  }
};

class InputTest : public ControlsFixture {
 protected:
  void SetUp() override {
    ControlsFixture::SetUp();
    Root = new TDialogRoot(Owner.get());
    Root->SetName("Root");
    Root->SetBounds(100, 100, 200, 150);
    Root->SetVisible(true);
    Pump();
  }
  // Desktop point of a root-client point.
  static TPoint OnRoot(int X, int Y) { return Point(100 + X, 100 + Y); }
  void Press(TPoint P) {
    TDesktopInput::MouseMove(P);
    TDesktopInput::MouseButton(0, true, P);
    Pump();
  }
  void Release(TPoint P) {
    TDesktopInput::MouseMove(P);
    TDesktopInput::MouseButton(0, false, P);
    Pump();
  }
  void MoveTo(TPoint P) {
    HeadlessMouseMove(P.X, P.Y);
    Pump();
  }
  TFocusBox* Box(const String& Name, int L, TWinControl* Parent = nullptr) {
    return Add<TFocusBox>(Parent ? Parent : Root, Name, L, 10, 30, 30);
  }
  // Records the control's enter and exit events into Events.
  void Watch(TWinControl* C) {
    C->OnEnter = [this, C](TObject*) { Events.push_back("enter " + C->Name()); };
    C->OnExit = [this, C](TObject*) { Events.push_back("exit " + C->Name()); };
  }
  // Double-clicks the middle of C; returns its (clicks, double clicks).
  std::pair<int, int> DoubleClickOn(TControl* C) {
    std::pair<int, int> Counts{0, 0};
    C->OnClick = [&](TObject*) { ++Counts.first; };
    C->OnDblClick = [&](TObject*) { ++Counts.second; };
    TPoint P = C->ClientToScreen(Point(C->Width() / 2, C->Height() / 2));
    HeadlessDoubleClick(P.X, P.Y);
    Pump();
    C->OnClick = nullptr;
    C->OnDblClick = nullptr;
    return Counts;
  }
  String FocusedName() {
    TWinControl* C = FindControl(GetFocus());
    return C ? C->Name() : String("-");
  }

  TDialogRoot* Root = nullptr;
  std::vector<String> Events;
};

// ---- Mouse ----------------------------------------------------------------------------

TEST_F(InputTest, AClickOnAControlWithoutWindowFiresItsOnClick) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  int Clicks = 0, RootClicks = 0;
  TPoint Down{-1, -1};
  G->OnClick = [&](TObject* Sender) { Clicks += Sender == G; };
  G->OnMouseDown = [&](TObject*, TMouseButton B, TShiftState, Integer X, Integer Y) {
    if (B == mbLeft) Down = Point(X, Y);
  };
  Root->OnClick = [&](TObject*) { ++RootClicks; };
  TPoint P = OnRoot(55, 47);
  ClickAt(P.X, P.Y);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(Down, Point(5, 7));
  EXPECT_EQ(RootClicks, 0);
}

TEST_F(InputTest, AClickOnAWindowedControlFiresItsOnClick) {
  TFocusBox* B = Box("B", 20);
  int Clicks = 0;
  B->OnClick = [&](TObject*) { ++Clicks; };
  TPoint P = OnRoot(25, 15);
  ClickAt(P.X, P.Y);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(InputTest, ReleasingOutsideGivesNoClick) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  int Clicks = 0, Ups = 0;
  G->OnClick = [&](TObject*) { ++Clicks; };
  G->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, Integer, Integer) { ++Ups; };
  Press(OnRoot(55, 45));
  EXPECT_TRUE(G->MouseCapture());
  Release(OnRoot(150, 120));
  EXPECT_EQ(Ups, 1);  // the capture brought the release to the control
  EXPECT_EQ(Clicks, 0);
  EXPECT_FALSE(G->MouseCapture());
}

TEST_F(InputTest, APressOnTheParentKeepsTheMouseAwayFromItsChildren) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  int ChildUps = 0, RootUps = 0;
  G->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, Integer, Integer) { ++ChildUps; };
  Root->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, Integer, Integer) { ++RootUps; };
  Press(OnRoot(5, 5));
  Release(OnRoot(55, 45));
  EXPECT_EQ(ChildUps, 0);
  EXPECT_EQ(RootUps, 1);
}

TEST_F(InputTest, ADoubleClickGivesOneClickAndOneDblClick) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  EXPECT_EQ(DoubleClickOn(G), std::make_pair(1, 1));
}

TEST_F(InputTest, WithoutDoubleClicksTheSecondPressIsAnotherClick) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  G->SetControlStyle(G->ControlStyle() - TControlStyle{csDoubleClicks});
  EXPECT_EQ(DoubleClickOn(G), std::make_pair(2, 0));
}

TEST_F(InputTest, TheMouseEntersAndLeavesControls) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  TFocusBox* B = Box("B", 120);
  for (TControl* C : {static_cast<TControl*>(G), static_cast<TControl*>(B)}) {
    C->OnMouseEnter = [this, C](TObject*) { Events.push_back("enter " + C->Name()); };
    C->OnMouseLeave = [this, C](TObject*) { Events.push_back("leave " + C->Name()); };
  }
  MoveTo(OnRoot(5, 5));
  MoveTo(OnRoot(55, 45));
  MoveTo(OnRoot(56, 46));
  MoveTo(OnRoot(125, 15));
  MoveTo(OnRoot(5, 140));
  EXPECT_EQ(Events, (std::vector<String>{"enter G", "leave G", "enter B", "leave B"}));
}

TEST_F(InputTest, TheCursorIsTheOneOfTheControlUnderTheMouse) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  G->SetCursor(crHandPoint);
  Root->SetCursor(crIBeam);
  MoveTo(OnRoot(55, 45));
  EXPECT_EQ(GetCursor(), HCURSOR(IDC_HAND));
  MoveTo(OnRoot(5, 5));
  EXPECT_EQ(GetCursor(), HCURSOR(IDC_IBEAM));
  ScreenCursorHook = [] { return TCursor(crHourGlass); };
  MoveTo(OnRoot(56, 46));
  ScreenCursorHook = nullptr;
  EXPECT_EQ(GetCursor(), HCURSOR(IDC_WAIT));
}

TEST_F(InputTest, FindDragTargetFindsControlsWithAndWithoutWindow) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  TFocusBox* B = Box("B", 120);
  EXPECT_EQ(FindDragTarget(OnRoot(55, 45), false), G);
  EXPECT_EQ(FindDragTarget(OnRoot(125, 15), false), B);
  EXPECT_EQ(FindDragTarget(OnRoot(5, 140), false), Root);
  EXPECT_EQ(FindVCLWindow(OnRoot(55, 45)), Root);
}

TEST_F(InputTest, TheWheelTurnsNotchesOnTheFocusedControlThenItsParent) {
  TFocusBox* A = Box("A", 10);
  int Downs = 0, Ups = 0, RootWheels = 0;
  A->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool&) { ++Downs; };
  A->OnMouseWheelUp = [&](TObject*, TShiftState, TPoint, bool& Handled) {
    ++Ups;
    Handled = true;
  };
  Root->OnMouseWheel = [&](TObject*, TShiftState, Integer, TPoint, bool&) { ++RootWheels; };
  A->SetFocus();
  TDesktopInput::MouseWheel(-2 * WHEEL_DELTA, OnRoot(20, 20));
  Pump();
  EXPECT_EQ(Downs, 2);
  EXPECT_EQ(RootWheels, 1);  // not handled: passed on to the parent
  TDesktopInput::MouseWheel(WHEEL_DELTA, OnRoot(20, 20));
  Pump();
  EXPECT_EQ(Ups, 1);
  EXPECT_EQ(RootWheels, 1);
}

TEST_F(InputTest, ARightClickPopsUpTheNearestPopupMenu) {
  auto* G = Add<TGraphicBox>(Root, "G", 50, 40, 20, 10);
  TComponent Menu(nullptr);
  Root->SetPopupMenu(&Menu);
  std::vector<std::pair<TControl*, TPoint>> Popups;
  PopupMenuHook = [&](TControl* C, TComponent* Popup, TPoint P) {
    if (Popup == &Menu) Popups.emplace_back(C, P);
    return true;
  };
  TPoint P = OnRoot(55, 45);
  HeadlessClick(P.X, P.Y, 1);
  Pump();
  PopupMenuHook = nullptr;
  Root->SetPopupMenu(nullptr);
  ASSERT_EQ(Popups.size(), 1u);
  EXPECT_EQ(Popups[0].first, Root);  // G has none: its parent's shows
  EXPECT_EQ(Popups[0].second, P);
  (void)G;
}

// ---- Tab order and focus -------------------------------------------------------------------

TEST_F(InputTest, TabOrderFollowsInsertionAndCanBeChanged) {
  TFocusBox* A = Box("A", 10);
  TFocusBox* B = Box("B", 50);
  TFocusBox* C = Box("C", 90);
  EXPECT_EQ(A->TabOrder(), 0);
  EXPECT_EQ(C->TabOrder(), 2);
  C->SetTabOrder(0);
  B->SetTabOrder(99);  // beyond the end: last
  std::vector<TWinControl*> List;
  Root->GetTabOrderList(List);
  EXPECT_EQ(List, (std::vector<TWinControl*>{C, A, B}));
}

TEST_F(InputTest, SelectNextSkipsWhatCannotTakeTheFocusAndWraps) {
  TFocusBox* A = Box("A", 10);
  TFocusBox* B = Box("B", 50);
  TFocusBox* C = Box("C", 90);
  TFocusBox* D = Box("D", 130);
  B->SetEnabled(false);
  C->SetTabStop(false);
  A->SetFocus();
  Pump();
  Root->SelectNext(A, true, true);
  EXPECT_EQ(FocusedName(), "D");
  Root->SelectNext(D, true, true);
  EXPECT_EQ(FocusedName(), "A");
  Root->SelectNext(A, false, true);
  EXPECT_EQ(FocusedName(), "D");
  Root->SelectNext(D, false, false);  // without the tab-stop check C counts
  EXPECT_EQ(FocusedName(), "C");
}

TEST_F(InputTest, TabAndShiftTabMoveTheFocusThroughTheRoot) {
  TFocusBox* A = Box("A", 10);
  Box("B", 50);
  TFocusBox* C = Box("C", 90);
  A->SetFocus();
  PressKey(VK_TAB);
  EXPECT_EQ(FocusedName(), "B");
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  EXPECT_EQ(FocusedName(), "A");
  PressKey(VK_TAB, 1);
  EXPECT_EQ(FocusedName(), "C");
  EXPECT_TRUE(C->Focused());
}

TEST_F(InputTest, AControlThatWantsTabKeepsIt) {
  TFocusBox* A = Box("A", 10);
  Box("B", 50);
  A->WantTab = true;
  Word Seen = 0;
  A->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { Seen = Key; };
  A->SetFocus();
  PressKey(VK_TAB);
  EXPECT_EQ(FocusedName(), "A");
  EXPECT_EQ(Seen, VK_TAB);
}

TEST_F(InputTest, FocusMovesRaiseExitThenEnterAlongTheParents) {
  TFocusBox* A = Box("A", 10);
  auto* Panel = Add<TWinControl>(Root, "Panel", 50, 50, 100, 80);
  TFocusBox* B = Box("B", 10, Panel);
  Watch(A);
  Watch(Panel);
  Watch(B);
  A->SetFocus();
  Pump();
  B->SetFocus();
  Pump();
  A->SetFocus();
  Pump();
  EXPECT_EQ(Events, (std::vector<String>{"enter A", "exit A", "enter Panel", "enter B", "exit B", "exit Panel",
                                         "enter A"}));
  EXPECT_TRUE(A->Focused());
  EXPECT_FALSE(B->Focused());
}

TEST_F(InputTest, HiddenOrDisabledControlsCannotTakeTheFocus) {
  TFocusBox* A = Box("A", 10);
  auto* Panel = Add<TWinControl>(Root, "Panel", 50, 50, 100, 80);
  TFocusBox* B = Box("B", 10, Panel);
  A->SetVisible(false);
  Panel->SetEnabled(false);
  EXPECT_FALSE(A->CanFocus());
  EXPECT_FALSE(B->CanFocus());
  EXPECT_THROW(B->SetFocus(), EInvalidOperation);
  Panel->SetEnabled(true);
  EXPECT_TRUE(B->CanFocus());
}

// ---- Keys ----------------------------------------------------------------------------------

TEST_F(InputTest, KeysReachTheFocusedControlAsDownPressUp) {
  TFocusBox* A = Box("A", 10);
  std::vector<String> Log;
  A->OnKeyDown = [&](TObject*, Word& K, TShiftState S) {
    Log.push_back("down " + std::to_string(K) + (S.Contains(ssShift) ? " shift" : ""));
  };
  A->OnKeyPress = [&](TObject*, char32_t& K) { Log.push_back("press " + std::string(1, char(K))); };
  A->OnKeyUp = [&](TObject*, Word& K, TShiftState) { Log.push_back("up " + std::to_string(K)); };
  A->SetFocus();
  PressKey('Q', 1);
  // The Shift key itself comes as a key of its own.
  EXPECT_EQ(Log, (std::vector<String>{"down 16 shift", "down 81 shift", "press Q", "up 81", "up 16"}));
}

TEST_F(InputTest, TheRootsKeyPreviewComesFirstAndMaySwallow) {
  TFocusBox* A = Box("A", 10);
  A->OnKeyDown = [&](TObject*, Word& K, TShiftState) { Root->Log.push_back("control " + std::to_string(K)); };
  A->SetFocus();
  Root->Preview = true;
  PressKey('A');
  Root->SwallowPreviewed = true;
  PressKey('B');
  EXPECT_EQ(Root->Log, (std::vector<String>{"preview 65", "control 65", "preview 66"}));
}

TEST_F(InputTest, AParentMayTakeAChildsKeyBeforeItIsHandled) {
  TFocusBox* A = Box("A", 10);
  int Downs = 0;
  A->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++Downs; };
  TWndMethod Old = Root->WindowProc;
  Root->WindowProc = [&](TMessage& M) {
    if (M.Msg == CM_CHILDKEY && M.WParam == VK_F2) {
      Events.push_back("root took F2 from " + reinterpret_cast<TControl*>(M.LParam)->Name());
      M.Result = 1;
      return;
    }
    Old(M);
  };
  A->SetFocus();
  PressKey(VK_F2);
  PressKey(VK_F3);
  Root->WindowProc = Old;
  EXPECT_EQ(Events, (std::vector<String>{"root took F2 from A"}));
  EXPECT_EQ(Downs, 1);
}

TEST_F(InputTest, AltAndALetterReachTheControlsAsDialogChar) {
  TFocusBox* A = Box("A", 10);
  auto* Panel = Add<TWinControl>(Root, "Panel", 50, 50, 100, 80);
  auto* G = Add<TGraphicBox>(Panel, "G", 5, 5, 10, 10);
  std::vector<WPARAM> Chars;
  TWndMethod Old = G->WindowProc;
  G->WindowProc = [&](TMessage& M) {
    if (M.Msg == CM_DIALOGCHAR) {
      Chars.push_back(M.WParam);
      M.Result = 1;
      return;
    }
    Old(M);
  };
  A->SetFocus();
  PressKey('K', 2);
  G->WindowProc = Old;
  EXPECT_EQ(Chars, (std::vector<WPARAM>{WPARAM('k')}));
}

}  // namespace
