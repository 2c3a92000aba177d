// The tree view: building, sorting, expanding on demand, deleting,
// keyboard and mouse, label editing, images and scrolling, checked by
// state and by the pixels of known rows.
#include "controls_fixture.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/wm_headless.h"
#include "platform/rtl/charset.h"

namespace {

class TreeViewTest : public ControlsFixture {
 protected:
  static constexpr int RootX = 100, RootY = 100, TreeLeft = 10, TreeTop = 10;

  void SetUp() override {
    ControlsFixture::SetUp();
    Root = MakeRoot(RootX, RootY, 300, 300);
    Tree = Add<TTreeView>(Root, "Tree", TreeLeft, TreeTop, 200, 150);
    Tree->SetBorderStyle(bsNone);
    Tree->OnDeletion = [this](TObject*, TTreeNode* N) { Deleted.push_back(N->Text()); };
    Pump();
    Tree->SetFocus();
  }

  // Top-level nodes with the given texts.
  std::vector<TTreeNode*> AddTop(std::initializer_list<const char*> Texts) {
    std::vector<TTreeNode*> Nodes;
    for (const char* T : Texts) Nodes.push_back(Tree->Items()->Add(nullptr, T));
    return Nodes;
  }
  std::vector<String> TopTexts() {
    std::vector<String> R;
    for (TTreeNode* N = Tree->Items()->GetFirstNode(); N; N = N->getNextSibling()) R.push_back(N->Text());
    return R;
  }
  // Client point of a row's +/- button and of its label.
  TPoint ButtonOf(int Row, int Level = 0) {
    return Point((Level + 1) * Tree->Indent() - Tree->Indent() / 2, Row * Tree->ItemHeight() + Tree->ItemHeight() / 2);
  }
  TPoint LabelOf(int Row, int Level = 0) {
    return Point((Level + 1) * Tree->Indent() + 8, Row * Tree->ItemHeight() + Tree->ItemHeight() / 2);
  }
  void ClickTree(TPoint P) { ClickAt(RootX + TreeLeft + P.X, RootY + TreeTop + P.Y); }
  TColorRef TreePixel(TPoint P) { return PixelAt(Root, TreeLeft + P.X, TreeTop + P.Y); }

  TTestRoot* Root = nullptr;
  TTreeView* Tree = nullptr;
  std::vector<String> Deleted;
};

TEST_F(TreeViewTest, NodesKeepTheirOrderUntilSorted) {
  AddTop({"Zeta", "alpha", "Beta"});
  EXPECT_EQ(TopTexts(), (std::vector<String>{"Zeta", "alpha", "Beta"}));
  Tree->AlphaSort();
  EXPECT_EQ(TopTexts(), (std::vector<String>{"alpha", "Beta", "Zeta"}));
}

TEST_F(TreeViewTest, SortTypeTextKeepsNodesInOrder) {
  Tree->SetSortType(stText);
  auto N = AddTop({"Mitte", "Anfang"});
  Tree->Items()->Add(nullptr, "Ende");
  EXPECT_EQ(TopTexts(), (std::vector<String>{"Anfang", "Ende", "Mitte"}));
  N[1]->SetText("Zuletzt");
  EXPECT_EQ(TopTexts(), (std::vector<String>{"Ende", "Mitte", "Zuletzt"}));
}

TEST_F(TreeViewTest, OnCompareDecidesTheOrder) {
  Tree->OnCompare = [](TObject*, TTreeNode* A, TTreeNode* B, Integer, Integer& C) {
    C = -AnsiCompareText(A->Text(), B->Text());
  };
  auto Top = AddTop({"a"});
  for (const char* T : {"x", "z", "y"}) Tree->Items()->AddChild(Top[0], T);
  Top[0]->AlphaSort();
  EXPECT_EQ(Top[0]->getFirstChild()->Text(), "z");
  EXPECT_EQ(Top[0]->GetLastChild()->Text(), "x");
}

TEST_F(TreeViewTest, ExpandingFillsANodeOnDemand) {
  auto Top = AddTop({"Ordner"});
  Top[0]->SetHasChildren(true);
  int Expanded = 0;
  Tree->OnExpanding = [this](TObject*, TTreeNode* N, bool&) {
    if (N->Count() == 0) Tree->Items()->AddChild(N, "Unterordner");
  };
  Tree->OnExpanded = [&](TObject*, TTreeNode*) { ++Expanded; };
  Top[0]->Expand(false);
  EXPECT_TRUE(Top[0]->Expanded());
  EXPECT_EQ(Top[0]->Count(), 1);
  EXPECT_EQ(Expanded, 1);
}

TEST_F(TreeViewTest, AnEmptyNodeLosesNothingButStaysCollapsed) {
  auto Top = AddTop({"Leer"});
  Top[0]->SetHasChildren(true);
  Tree->OnExpanding = [](TObject*, TTreeNode* N, bool&) { N->SetHasChildren(false); };
  Top[0]->Expand(false);
  EXPECT_FALSE(Top[0]->Expanded());
  EXPECT_FALSE(Top[0]->HasChildren());
}

TEST_F(TreeViewTest, RefusedExpansionKeepsTheNodeCollapsed) {
  auto Top = AddTop({"a"});
  Tree->Items()->AddChild(Top[0], "b");
  Tree->OnExpanding = [](TObject*, TTreeNode*, bool& Allow) { Allow = false; };
  Top[0]->Expand(false);
  EXPECT_FALSE(Top[0]->Expanded());
}

TEST_F(TreeViewTest, CollapsingMovesTheSelectionToTheParent) {
  auto Top = AddTop({"a"});
  TTreeNode* Child = Tree->Items()->AddChild(Top[0], "b");
  Child->MakeVisible();
  Tree->SetSelected(Child);
  Top[0]->Collapse(false);
  EXPECT_EQ(Tree->Selected(), Top[0]);
}

TEST_F(TreeViewTest, DeletingANodeDeletesItsChildrenAndMovesTheSelection) {
  auto Top = AddTop({"a", "b"});
  Tree->Items()->AddChild(Top[0], "a1");
  Tree->SetSelected(Top[0]);
  Top[0]->Delete();
  EXPECT_EQ(Deleted, (std::vector<String>{"a1", "a"}));
  EXPECT_EQ(Tree->Selected(), Top[1]);
  EXPECT_EQ(Tree->Items()->Count(), 1);
}

TEST_F(TreeViewTest, ArrowKeysWalkAndExpand) {
  auto Top = AddTop({"a", "b"});
  Tree->Items()->AddChild(Top[0], "a1");
  Tree->SetSelected(Top[0]);
  PressKey(VK_RIGHT);
  EXPECT_TRUE(Top[0]->Expanded());
  PressKey(VK_DOWN);
  EXPECT_EQ(Tree->Selected()->Text(), "a1");
  PressKey(VK_DOWN);
  EXPECT_EQ(Tree->Selected(), Top[1]);
  PressKey(VK_UP);
  PressKey(VK_LEFT);
  EXPECT_EQ(Tree->Selected(), Top[0]);
  PressKey(VK_LEFT);
  EXPECT_FALSE(Top[0]->Expanded());
}

TEST_F(TreeViewTest, ClickOnTheButtonTogglesAndShowsMinus) {
  auto Top = AddTop({"a"});
  Tree->Items()->AddChild(Top[0], "a1");
  TPoint B = ButtonOf(0);
  EXPECT_EQ(TreePixel(Point(B.X, B.Y - 2)), ColorToRGB(clBlack)) << "plus: vertical bar";
  ClickTree(B);
  EXPECT_TRUE(Top[0]->Expanded());
  EXPECT_EQ(TreePixel(Point(B.X, B.Y - 2)), ColorToRGB(clWindow)) << "minus: no vertical bar";
  EXPECT_EQ(TreePixel(Point(B.X + 2, B.Y)), ColorToRGB(clBlack));
}

TEST_F(TreeViewTest, ClickOnARowSelectsItInHighlight) {
  AddTop({"eins", "zwei"});
  TPoint L = LabelOf(1);
  ClickTree(L);
  ASSERT_NE(Tree->Selected(), nullptr);
  EXPECT_EQ(Tree->Selected()->Text(), "zwei");
  TRect R = Tree->Selected()->DisplayRect(true);
  EXPECT_EQ(TreePixel(Point(R.Right - 2, (R.Top + R.Bottom) / 2 + 1)), ColorToRGB(clHighlight));
}

TEST_F(TreeViewTest, F2EditsTheLabelAndEnterKeepsIt) {
  auto Top = AddTop({"alt"});
  String Seen;
  Tree->OnEdited = [&](TObject*, TTreeNode*, String& S) { Seen = S; S += "!"; };
  Tree->SetSelected(Top[0]);
  PressKey(VK_F2);
  ASSERT_TRUE(Tree->IsEditing());
  HeadlessType("neu");
  PressKey(VK_RETURN);
  EXPECT_FALSE(Tree->IsEditing());
  EXPECT_EQ(Seen, "neu");
  EXPECT_EQ(Top[0]->Text(), "neu!");
}

TEST_F(TreeViewTest, EscapeCancelsTheLabelEdit) {
  auto Top = AddTop({"alt"});
  Tree->SetSelected(Top[0]);
  PressKey(VK_F2);
  HeadlessType("neu");
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(Tree->IsEditing());
  EXPECT_EQ(Top[0]->Text(), "alt");
}

TEST_F(TreeViewTest, ReadOnlyRefusesLabelEditing) {
  auto Top = AddTop({"alt"});
  Tree->SetReadOnly(true);
  EXPECT_FALSE(Top[0]->EditText());
}

TEST_F(TreeViewTest, NodeImagesComeFromTheImageList) {
  TImageList Images(Owner.get());
  TBitmap Red;
  Red.SetSize(16, 16);
  Red.Canvas()->Brush()->SetColor(clRed);
  Red.Canvas()->FillRect(Rect(0, 0, 16, 16));
  Images.AddMasked(&Red, clNone);
  Tree->SetImages(&Images);
  auto Top = AddTop({"bild"});
  Top[0]->SetImageIndex(0);
  int H = Tree->ItemHeight();
  EXPECT_EQ(TreePixel(Point(Tree->Indent() + 2 + 8, H / 2)), ColorToRGB(clRed));
  Tree->SetImages(nullptr);
}

TEST_F(TreeViewTest, ManyNodesScrollWithTheSelection) {
  for (int I = 0; I < 40; ++I) Tree->Items()->Add(nullptr, "n" + std::to_string(I));
  Pump();
  EXPECT_FALSE(ScrollBarRect(Tree->Handle(), SB_VERT).IsEmpty());
  Tree->SetSelected(Tree->Items()->GetFirstNode());
  PressKey(VK_END);
  EXPECT_EQ(Tree->Selected()->Text(), "n39");
  EXPECT_EQ(Tree->TopItem()->Text(), "n" + std::to_string(40 - Tree->VisibleRowCount()));
}

TEST_F(TreeViewTest, NodeNavigationCoversTheWholeTree) {
  auto Top = AddTop({"a", "b"});
  TTreeNode* A1 = Tree->Items()->AddChild(Top[0], "a1");
  TTreeNode* A2 = Tree->Items()->AddChild(A1, "a2");
  EXPECT_EQ(Top[0]->GetNext(), A1);
  EXPECT_EQ(A2->GetNext(), Top[1]);
  EXPECT_EQ(Top[1]->GetPrev(), A2);
  EXPECT_EQ(A2->Level(), 2);
  EXPECT_EQ(Top[1]->AbsoluteIndex(), 3);
  EXPECT_EQ(Tree->Items()->Item(2), A2);
  EXPECT_THROW(Tree->Items()->Item(9), EListError);
  EXPECT_FALSE(A2->IsVisible());
  A2->MakeVisible();
  EXPECT_TRUE(A2->IsVisible());
}

}  // namespace

namespace {

TEST_F(TreeViewTest, WheelAndScrollBarMoveTheTopRow) {
  for (int I = 0; I < 40; ++I) Tree->Items()->Add(nullptr, "n" + std::to_string(I));
  Pump();
  Headless().Queue([] { TDesktopInput::MouseWheel(-WHEEL_DELTA, {RootX + TreeLeft + 50, RootY + TreeTop + 50}); });
  Pump();
  EXPECT_EQ(Tree->TopItem()->Text(), "n3");
  TRect Bar = ScrollBarRect(Tree->Handle(), SB_VERT);
  ClickAt(RootX + TreeLeft + (Bar.Left + Bar.Right) / 2, RootY + TreeTop + Bar.Top + 5);
  EXPECT_EQ(Tree->TopItem()->Text(), "n2") << "the up arrow scrolls one row";
}

}  // namespace
