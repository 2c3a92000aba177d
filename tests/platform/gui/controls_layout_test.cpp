// Layout of controls: bounds, alignment, anchors, constraints, AutoSize,
// scaling, and the parent font and colour cascade. These tests need no
// windows: the controls lie on a parent whose window is never made.
#include "controls_fixture.h"

#include "platform/rtl/typinfo.h"

namespace {

class LayoutTest : public ControlsFixture {
 protected:
  // A parent of 200 x 100 without window.
  TWinControl* Panel() {
    if (!FPanel) {
      FPanel = new TWinControl(Owner.get());
      FPanel->SetName("Panel");
      FPanel->SetBounds(0, 0, 200, 100);
    }
    return FPanel;
  }
  TWinControl* Aligned(const String& Name, TAlign A, int L, int T, int W, int H) {
    auto* C = Add<TWinControl>(Panel(), Name, L, T, W, H);
    C->SetAlign(A);
    return C;
  }
  static TRect B(TControl* C) { return C->BoundsRect(); }

  TWinControl* FPanel = nullptr;
};

// A control whose AutoSize always asks for 50 x 20.
class TFixedSize : public TWinControl {
 public:
  explicit TFixedSize(TComponent* AOwner) : TWinControl(AOwner) {}

 protected:
  bool CanAutoSize(Integer& W, Integer& H) override {
    W = 50;
    H = 20;
    return true;
  }
};

TEST_F(LayoutTest, EdgesAreTakenTopBottomLeftRightThenClient) {
  auto* Client = Aligned("Client", alClient, 0, 0, 5, 5);
  auto* Right = Aligned("Right", alRight, 0, 0, 40, 5);
  auto* Left = Aligned("Left", alLeft, 0, 0, 30, 5);
  auto* Bottom = Aligned("Bottom", alBottom, 0, 0, 5, 10);
  auto* Top = Aligned("Top", alTop, 0, 0, 5, 20);
  EXPECT_EQ(B(Top), Rect(0, 0, 200, 20));
  EXPECT_EQ(B(Bottom), Rect(0, 90, 200, 100));
  EXPECT_EQ(B(Left), Rect(0, 20, 30, 90));
  EXPECT_EQ(B(Right), Rect(160, 20, 200, 90));
  EXPECT_EQ(B(Client), Rect(30, 20, 160, 90));
}

TEST_F(LayoutTest, TopBarsStackInTheOrderOfTheirTop) {
  auto* First = Aligned("First", alTop, 0, 5, 10, 15);
  auto* Second = Aligned("Second", alTop, 0, 50, 10, 10);
  EXPECT_EQ(First->Top(), 0);
  EXPECT_EQ(Second->Top(), 15);
  // Moving the second bar above the first swaps them.
  Second->SetTop(-1);
  EXPECT_EQ(Second->Top(), 0);
  EXPECT_EQ(First->Top(), 10);
}

TEST_F(LayoutTest, HidingABarGivesItsSpaceToTheClient) {
  auto* Top = Aligned("Top", alTop, 0, 0, 10, 30);
  auto* Client = Aligned("Client", alClient, 0, 0, 10, 10);
  EXPECT_EQ(B(Client), Rect(0, 30, 200, 100));
  Top->SetVisible(false);
  EXPECT_EQ(B(Client), Rect(0, 0, 200, 100));
  Top->SetVisible(true);
  EXPECT_EQ(B(Client), Rect(0, 30, 200, 100));
}

TEST_F(LayoutTest, ResizingTheParentRealignsItsChildren) {
  auto* Bottom = Aligned("Bottom", alBottom, 0, 0, 10, 25);
  auto* Client = Aligned("Client", alClient, 0, 0, 10, 10);
  Panel()->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(B(Bottom), Rect(0, 175, 300, 200));
  EXPECT_EQ(B(Client), Rect(0, 0, 300, 175));
}

TEST_F(LayoutTest, BorderWidthKeepsAMarginFreeForAlignedChildren) {
  Panel()->SetBorderWidth(4);
  auto* Client = Aligned("Client", alClient, 0, 0, 10, 10);
  EXPECT_EQ(B(Client), Rect(4, 4, 196, 96));
}

TEST_F(LayoutTest, AConstrainedBarGivesBackWhatItDoesNotTake) {
  auto* Top = Add<TWinControl>(Panel(), "Top", 0, 0, 10, 30);
  Top->Constraints()->SetMaxHeight(12);
  Top->SetAlign(alTop);
  auto* Client = Aligned("Client", alClient, 0, 0, 10, 10);
  EXPECT_EQ(Top->Height(), 12);
  EXPECT_EQ(B(Client), Rect(0, 12, 200, 100));
}

TEST_F(LayoutTest, ConstraintsClampEverySize) {
  auto* C = Add<TWinControl>(Panel(), "C", 0, 0, 10, 10);
  C->Constraints()->SetMinWidth(20);
  C->Constraints()->SetMaxHeight(40);
  C->SetBounds(0, 0, 5, 90);
  EXPECT_EQ(C->Width(), 20);
  EXPECT_EQ(C->Height(), 40);
}

TEST_F(LayoutTest, TurningATopBarIntoALeftBarKeepsItsThickness) {
  auto* Bar = Aligned("Bar", alTop, 0, 0, 10, 24);
  Bar->SetAlign(alLeft);
  EXPECT_EQ(B(Bar), Rect(0, 0, 24, 100));
}

TEST_F(LayoutTest, RightAndBottomAnchorsKeepTheirDistances) {
  auto* Corner = Add<TWinControl>(Panel(), "Corner", 150, 70, 40, 20);
  Corner->SetAnchors({akRight, akBottom});
  auto* Stretch = Add<TWinControl>(Panel(), "Stretch", 10, 10, 180, 20);
  Stretch->SetAnchors({akLeft, akTop, akRight});
  Panel()->SetBounds(0, 0, 300, 150);
  EXPECT_EQ(B(Corner), Rect(250, 120, 290, 140));
  EXPECT_EQ(B(Stretch), Rect(10, 10, 290, 30));
}

TEST_F(LayoutTest, WithoutHorizontalAnchorsTheCentreScales) {
  auto* Mid = Add<TWinControl>(Panel(), "Mid", 80, 0, 40, 10);
  Mid->SetAnchors({akTop});
  Panel()->SetWidth(400);
  EXPECT_EQ(Mid->Left(), 180);
  EXPECT_EQ(Mid->Width(), 40);
}

TEST_F(LayoutTest, AutoSizeDecidesTheSize) {
  auto* C = Add<TFixedSize>(Panel(), "Fixed", 5, 5, 10, 10);
  C->SetAutoSize(true);
  EXPECT_EQ(B(C), Rect(5, 5, 55, 25));
  C->SetBounds(7, 7, 100, 100);
  EXPECT_EQ(B(C), Rect(7, 7, 57, 27));
}

TEST_F(LayoutTest, ResizeEventsComeForSizeChangesOnly) {
  auto* C = Add<TWinControl>(Panel(), "C", 0, 0, 10, 10);
  int Resizes = 0;
  C->OnResize = [&](TObject*) { ++Resizes; };
  C->SetBounds(5, 5, 10, 10);
  EXPECT_EQ(Resizes, 0);
  C->SetWidth(20);
  EXPECT_EQ(Resizes, 1);
}

TEST_F(LayoutTest, ClientCoordinatesAddUpThroughTheParents) {
  Panel()->SetBounds(100, 50, 200, 100);
  auto* Inner = Add<TWinControl>(Panel(), "Inner", 10, 20, 50, 50);
  auto* Leaf = Add<TGraphicBox>(Inner, "Leaf", 3, 4, 10, 10);
  EXPECT_EQ(Leaf->ClientOrigin(), Point(113, 74));
  EXPECT_EQ(Leaf->ClientToScreen(Point(1, 1)), Point(114, 75));
  EXPECT_EQ(Leaf->ScreenToClient(Point(113, 74)), Point(0, 0));
  EXPECT_EQ(Leaf->ClientToParent(Point(0, 0), Panel()), Point(13, 24));
}

TEST_F(LayoutTest, ScaleByScalesChildrenAndSizeButNotPosition) {
  Panel()->SetBounds(10, 10, 200, 100);
  auto* C = Add<TWinControl>(Panel(), "C", 10, 20, 30, 40);
  C->Font()->SetSize(10);
  Panel()->ScaleBy(150, 100);
  EXPECT_EQ(B(Panel()), Rect(10, 10, 310, 160));
  EXPECT_EQ(B(C), Rect(15, 30, 60, 90));
  EXPECT_EQ(C->Font()->Size(), 15);
}

TEST_F(LayoutTest, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(7, 120, 100), 8);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

// ---- Parent font and colour ---------------------------------------------------------------

TEST_F(LayoutTest, ParentFontReachesGrandchildren) {
  auto* Inner = Add<TWinControl>(Panel(), "Inner", 0, 0, 50, 50);
  auto* Leaf = Add<TGraphicBox>(Inner, "Leaf", 0, 0, 10, 10);
  Panel()->Font()->SetName("Tahoma");
  Panel()->Font()->SetSize(12);
  EXPECT_EQ(Leaf->Font()->Name(), "Tahoma");
  EXPECT_EQ(Leaf->Font()->Size(), 12);
  EXPECT_TRUE(Leaf->ParentFont());
}

TEST_F(LayoutTest, AnOwnFontStopsTheCascadeUntilParentFontIsSetAgain) {
  auto* Leaf = Add<TGraphicBox>(Panel(), "Leaf", 0, 0, 10, 10);
  Leaf->Font()->SetName("Courier New");
  EXPECT_FALSE(Leaf->ParentFont());
  Panel()->Font()->SetName("Arial");
  EXPECT_EQ(Leaf->Font()->Name(), "Courier New");
  Leaf->SetParentFont(true);
  EXPECT_EQ(Leaf->Font()->Name(), "Arial");
}

TEST_F(LayoutTest, ParentColorFollowsAndAnOwnColorStops) {
  auto* Inner = Add<TWinControl>(Panel(), "Inner", 0, 0, 50, 50);
  auto* Leaf = Add<TGraphicBox>(Inner, "Leaf", 0, 0, 10, 10);
  Panel()->SetColor(clYellow);
  EXPECT_EQ(Inner->Color(), clYellow);
  EXPECT_EQ(Leaf->Color(), clYellow);
  EXPECT_EQ(Inner->Brush()->Color(), clYellow);
  Inner->SetColor(clAqua);
  EXPECT_FALSE(Inner->ParentColor());
  EXPECT_EQ(Leaf->Color(), clAqua);
  Panel()->SetColor(clLime);
  EXPECT_EQ(Inner->Color(), clAqua);
}

TEST_F(LayoutTest, AChildTakesItsNewParentsFontAndColorWhenInserted) {
  Panel()->SetColor(clNavy);
  Panel()->Font()->SetColor(clRed);
  auto* Leaf = new TGraphicBox(Owner.get());
  Leaf->SetParent(Panel());
  EXPECT_EQ(Leaf->Color(), clNavy);
  EXPECT_EQ(Leaf->Font()->Color(), clRed);
}

TEST_F(LayoutTest, ShowHintFollowsTheParentUntilSetOwnHint) {
  auto* Leaf = Add<TGraphicBox>(Panel(), "Leaf", 0, 0, 10, 10);
  auto* Own = Add<TGraphicBox>(Panel(), "Own", 0, 0, 10, 10);
  Own->SetShowHint(false);
  Panel()->SetShowHint(true);
  EXPECT_TRUE(Leaf->ShowHint());
  EXPECT_TRUE(Leaf->ParentShowHint());
  EXPECT_FALSE(Own->ShowHint());
  EXPECT_FALSE(Own->ParentShowHint());
}

TEST_F(LayoutTest, FreeingAnAlignedChildGivesItsSpaceBack) {
  auto* Top = Aligned("Top", alTop, 0, 0, 10, 30);
  auto* Client = Aligned("Client", alClient, 0, 0, 10, 10);
  Top->Free();
  EXPECT_EQ(B(Client), Rect(0, 0, 200, 100));
}

TEST_F(LayoutTest, ReadingDefersAlignmentAndTabOrderUntilLoaded) {
  // As the form reader does: every component in the loading bracket,
  // properties set by name, then Loaded on each.
  std::vector<TWinControl*> All{Panel()};
  for (const char* Name : {"A", "B", "C"}) {
    auto* C = new TWinControl(Owner.get());
    C->SetName(Name);
    All.push_back(C);
  }
  for (TWinControl* C : All) C->BeginReading();
  for (size_t I = 1; I < All.size(); ++I) {
    All[I]->SetParentComponent(Panel());
    SetPropValue(All[I], "TabOrder", std::to_string(3 - I));
    SetPropValue(All[I], "Height", "10");
    SetPropValue(All[I], "Align", "alTop");
  }
  EXPECT_EQ(All[1]->Width(), 0);  // not aligned yet
  for (TWinControl* C : All) C->EndReading();
  for (TWinControl* C : All) C->Loaded();
  EXPECT_EQ(All[1]->Width(), 200);
  EXPECT_EQ(All[3]->TabOrder(), 0);
  EXPECT_EQ(All[2]->TabOrder(), 1);
  EXPECT_EQ(All[1]->TabOrder(), 2);
}

// ---- Published properties ----------------------------------------------------------------

TEST_F(LayoutTest, PropertiesAreSetByNameAsFormDescriptionsDo) {
  auto* C = Add<TWinControl>(Panel(), "C", 0, 0, 10, 10);
  SetPropValue(C, "Align", "alBottom");
  SetPropValue(C, "Height", "30");
  SetPropValue(C, "Color", "clBtnFace");
  SetPropValue(C, "Anchors", "[akLeft,akBottom]");
  SetPropertyByPath(C, "Font.Name", "Verdana");
  SetPropertyByPath(C, "Font.Style", "[fsBold]");
  SetPropertyByPath(C, "Constraints.MaxWidth", "150");
  SetPropValue(C, "Cursor", "crHandPoint");
  EXPECT_EQ(C->Align(), alBottom);
  EXPECT_EQ(C->Color(), clBtnFace);
  EXPECT_EQ(C->Anchors(), (TAnchors{akLeft, akBottom}));
  EXPECT_EQ(C->Font()->Name(), "Verdana");
  EXPECT_TRUE(C->Font()->Style().Contains(fsBold));
  EXPECT_EQ(C->Constraints()->MaxWidth(), 150);
  EXPECT_EQ(C->Cursor(), crHandPoint);
  EXPECT_EQ(GetPropValue(C, "Cursor"), "crHandPoint");
  EXPECT_EQ(B(C), Rect(0, 70, 150, 100));
}

TEST_F(LayoutTest, TheEventsArePublished) {
  for (const char* Name : {"OnClick", "OnDblClick", "OnMouseDown", "OnMouseMove", "OnMouseUp", "OnMouseEnter",
                           "OnMouseLeave", "OnKeyDown", "OnKeyPress", "OnKeyUp", "OnEnter", "OnExit", "OnResize"})
    EXPECT_TRUE(IsPublishedProp(TWinControl::StaticClass(), Name)) << Name;
  for (const char* Name : {"Left", "Top", "Width", "Height", "Caption", "Visible", "Enabled", "Hint", "ShowHint",
                           "TabOrder", "TabStop", "ParentFont", "ParentColor"})
    EXPECT_TRUE(IsPublishedProp(TWinControl::StaticClass(), Name)) << Name;
}

}  // namespace
