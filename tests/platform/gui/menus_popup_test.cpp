// Popup menus: choosing by keyboard, hot letter and mouse, cancelling,
// sub-menus, owner drawing, the right click on a control, and the item
// tree with its short cuts and radio groups.
#include "controls_fixture.h"
#include "platform/gui/menus.h"
#include "platform/gui/wm_headless.h"

namespace {

class MenuTest : public ControlsFixture {
 protected:
  static constexpr int MenuX = 300, MenuY = 300, Frame = 3, Row = 20;

  void SetUp() override {
    ControlsFixture::SetUp();
    Root = MakeRoot(50, 50, 400, 300);
    Root->SetFocus();
    Pump();
    Menu = new TPopupMenu(Owner.get());
    Open = AddItem(Menu->Items(), "&Öffnen");
    Save = AddItem(Menu->Items(), "&Speichern");
    Line = AddItem(Menu->Items(), "-");
    More = AddItem(Menu->Items(), "Mehr");
    One = AddItem(More, "Eins");
    Two = AddItem(More, "Zwei");
  }

  TMenuItem* AddItem(TMenuItem* Parent, const String& Caption) {
    auto* I = new TMenuItem(Owner.get());
    I->SetCaption(Caption);
    I->OnClick = [this](TObject* S) { Clicked.push_back(static_cast<TMenuItem*>(S)->Caption()); };
    Parent->Add(I);
    return I;
  }
  // Every item 20 pixels high, drawn red when selected.
  void DrawOwnItems() {
    Menu->SetOwnerDraw(true);
    for (TMenuItem* I : {Open, Save, Line, More}) {
      I->OnMeasureItem = [](TObject*, TCanvas*, Integer&, Integer& H) { H = Row; };
      I->OnAdvancedDrawItem = [this](TObject* S, TCanvas* C, TRect R, TOwnerDrawState St) {
        Drawn.push_back({static_cast<TMenuItem*>(S)->Caption(), St.Contains(odSelected)});
        C->Brush()->SetColor(St.Contains(odSelected) ? clRed : clWhite);
        C->FillRect(R);
      };
    }
  }
  // Queues the input, then pops the menu up; returns after it closed.
  void PopupWith(const std::function<void()>& Input) {
    Input();
    Menu->Popup(MenuX, MenuY);
    Pump();
  }
  static void Keys(std::initializer_list<Word> Ks) {
    for (Word K : Ks) HeadlessKey(K);
  }
  // Desktop centre of shown item I (owner-drawn rows).
  static TPoint ItemCentre(int I) { return Point(MenuX + 30, MenuY + Frame + I * Row + Row / 2); }

  TTestRoot* Root = nullptr;
  TPopupMenu* Menu = nullptr;
  TMenuItem *Open = nullptr, *Save = nullptr, *Line = nullptr, *More = nullptr, *One = nullptr, *Two = nullptr;
  std::vector<String> Clicked;
  std::vector<std::pair<String, bool>> Drawn;
};

TEST_F(MenuTest, DownDownEnterChoosesTheSecondItem) {
  PopupWith([] { Keys({VK_DOWN, VK_DOWN, VK_RETURN}); });
  EXPECT_EQ(Menu->LastChosen(), Save);
  EXPECT_EQ(Clicked, std::vector<String>{"&Speichern"});
  EXPECT_FALSE(Menu->Showing());
}

TEST_F(MenuTest, EscapeCancelsWithoutClick) {
  PopupWith([] { Keys({VK_DOWN, VK_ESCAPE}); });
  EXPECT_EQ(Menu->LastChosen(), nullptr);
  EXPECT_TRUE(Clicked.empty());
}

TEST_F(MenuTest, DisabledItemsAreSkipped) {
  Save->SetEnabled(false);
  PopupWith([] { Keys({VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}); });
  EXPECT_EQ(Menu->LastChosen(), One) << "Save and the line were skipped onto Mehr";
}

TEST_F(MenuTest, HotLetterChoosesItsItem) {
  PopupWith([] { HeadlessType("s"); });
  EXPECT_EQ(Menu->LastChosen(), Save);
}

TEST_F(MenuTest, UpWrapsToTheLastItem) {
  PopupWith([] { Keys({VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN}); });
  EXPECT_EQ(Menu->LastChosen(), Two);
}

TEST_F(MenuTest, LeftClosesTheSubMenuOnly) {
  PopupWith([] { Keys({VK_UP, VK_RIGHT, VK_LEFT, VK_UP, VK_RETURN}); });
  EXPECT_EQ(Menu->LastChosen(), Save);
}

TEST_F(MenuTest, ClickOnAnItemChoosesIt) {
  DrawOwnItems();
  PopupWith([] {
    TPoint P = ItemCentre(1);
    HeadlessClick(P.X, P.Y);
  });
  EXPECT_EQ(Menu->LastChosen(), Save);
}

TEST_F(MenuTest, ClickOutsideCancels) {
  PopupWith([] { HeadlessClick(10, 10); });
  EXPECT_EQ(Menu->LastChosen(), nullptr);
  EXPECT_TRUE(Clicked.empty());
}

TEST_F(MenuTest, HoverOpensTheSubMenuAndAClickThereChooses) {
  DrawOwnItems();
  PopupWith([] {
    TPoint P = ItemCentre(3);
    HeadlessMouseMove(P.X, P.Y);
    Keys({VK_DOWN, VK_RETURN});
  });
  EXPECT_EQ(Menu->LastChosen(), Two);
}

TEST_F(MenuTest, OwnerDrawnSelectionShowsInItsPixels) {
  DrawOwnItems();
  TColorRef Seen = 0, Other = 0;
  PopupWith([&] {
    Keys({VK_DOWN, VK_DOWN});
    // A timer comes after the keys and the paints: read the pixels, then close.
    SetTimer(nullptr, 0, 10, [&](HWND, UINT, std::uintptr_t Id, DWORD) {
      KillTimer(nullptr, Id);
      TPoint P = ItemCentre(1), Q = ItemCentre(0);
      HWND Wnd = WindowFromPoint(P);
      TPixelSurface S = HeadlessSurface(Wnd);
      TRect W = GetWindowRect(Wnd);
      Seen = S.Get(P.X - W.Left, P.Y - W.Top);
      Other = S.Get(Q.X - W.Left, Q.Y - W.Top);
      Keys({VK_ESCAPE});
    });
  });
  EXPECT_EQ(Seen, ColorToRGB(clRed));
  EXPECT_EQ(Other, ColorToRGB(clWhite));
  EXPECT_NE(std::find(Drawn.begin(), Drawn.end(), std::make_pair(String("&Speichern"), true)), Drawn.end());
}

TEST_F(MenuTest, RightClickOnAControlPopsItsMenuUp) {
  auto* Box = Add<TPaintedBox>(Root, "Box", 10, 10, 100, 60);
  Box->SetPopupMenu(Menu);
  bool PoppedUp = false;
  Menu->OnPopup = [&](TObject*) { PoppedUp = true; };
  Pump();
  HeadlessClick(50 + 20, 50 + 20, 1);
  Keys({VK_DOWN, VK_RETURN});
  Pump();
  EXPECT_TRUE(PoppedUp);
  EXPECT_EQ(Menu->PopupComponent(), Box);
  EXPECT_EQ(Menu->LastChosen(), Open);
}

TEST_F(MenuTest, RadioItemsOfAGroupExcludeEachOther) {
  for (TMenuItem* I : {One, Two}) I->SetRadioItem(true);
  One->SetChecked(true);
  Two->SetChecked(true);
  EXPECT_FALSE(One->Checked());
  EXPECT_TRUE(Two->Checked());
}

TEST_F(MenuTest, ShortCutRunsItsItem) {
  Two->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
  EXPECT_EQ(ShortCutToText(Two->ShortCut()), "Strg+S");
  EXPECT_TRUE(Menu->IsShortCut('S', TShiftState{ssCtrl}));
  EXPECT_EQ(Clicked, std::vector<String>{"Zwei"});
  EXPECT_FALSE(Menu->IsShortCut('S', TShiftState{}));
}

TEST_F(MenuTest, ItemTreeFindsAndFreesItems) {
  EXPECT_EQ(Menu->Items()->Find("Öffnen"), Open);
  EXPECT_EQ(More->Parent(), Menu->Items());
  EXPECT_EQ(Two->GetParentMenu(), Menu);
  delete One;
  EXPECT_EQ(More->Count(), 1);
  EXPECT_THROW(More->Items(5), EMenuError);
  EXPECT_THROW(More->Add(Two), EMenuError);
}

}  // namespace
