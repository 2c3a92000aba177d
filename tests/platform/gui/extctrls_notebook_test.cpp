#include <vector>

#include "platform/gui/extctrls_notebook.h"
#include "platform/gui/reader.h"
#include "stdctrls_fixture.h"

namespace {

class NotebookTest : public StdCtrlsFixture {
 protected:
  // A notebook filling (10, 10, 210, 160) of the root with the pages given.
  TNotebook* MakeNotebook(std::initializer_list<const char*> Pages) {
    auto* N = Add<TNotebook>(Root, "Notebook", 10, 10, 200, 150);
    N->Pages()->Clear();
    for (const char* P : Pages) N->Pages()->Add(P);
    N->OnPageChanged = [this, N](TObject* Sender) {
      EXPECT_EQ(Sender, N);
      Changes.push_back(N->PageIndex());
    };
    Pump();
    return N;
  }
  // A panel of Color filling page Index.
  TPanel* FillPage(TNotebook* N, Integer Index, TColor Color) {
    auto* P = new TPanel(Owner.get());
    P->SetParent(N->Page(Index));
    P->SetAlign(alClient);
    P->SetBevelOuter(bvNone);
    P->SetColor(Color);
    Pump();
    return P;
  }
  TColorRef Middle(TNotebook* N) {
    TRect R = InRoot(N);
    return PixelAt(Root, (R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  }

  std::vector<Integer> Changes;
};

// ---- Pages ------------------------------------------------------------------------

TEST_F(NotebookTest, ANewNotebookHasTheDefaultPage) {
  auto* N = Add<TNotebook>(Root, "Plain", 0, 0, 100, 100);
  EXPECT_EQ(N->PageCount(), 1);
  EXPECT_EQ(N->ActivePage(), "Default");
  EXPECT_EQ(N->PageIndex(), 0);
  EXPECT_TRUE(N->Page(0)->Visible());
}

TEST_F(NotebookTest, PagesAreChildControlsNamedByTheLines) {
  TNotebook* N = MakeNotebook({"0", "2", "3"});
  ASSERT_EQ(N->PageCount(), 3);
  EXPECT_EQ(N->Pages()->Get(1), "2");
  EXPECT_EQ(N->Page(1)->Parent(), N);
  EXPECT_EQ(N->Page(1)->Align(), alClient);
  EXPECT_EQ(N->Page(0)->BoundsRect(), N->ClientRect());
  N->SetPageIndex(1);
  EXPECT_EQ(N->Page(1)->BoundsRect(), N->ClientRect());
  EXPECT_EQ(N->Pages()->GetObject(2), N->Page(2));
  N->Pages()->Put(2, "drei");
  EXPECT_EQ(N->Page(2)->Caption(), "drei");
}

TEST_F(NotebookTest, ChangingThePageShowsOnlyThatPageAndReportsIt) {
  TNotebook* N = MakeNotebook({"0", "2", "3"});
  N->SetPageIndex(2);
  EXPECT_FALSE(N->Page(0)->Visible());
  EXPECT_FALSE(N->Page(1)->Visible());
  EXPECT_TRUE(N->Page(2)->Visible());
  EXPECT_EQ(Changes, (std::vector<Integer>{2}));
  N->SetPageIndex(2);
  N->SetPageIndex(3);
  N->SetPageIndex(-1);
  EXPECT_EQ(N->PageIndex(), 2);
  EXPECT_EQ(Changes.size(), 1u);
}

TEST_F(NotebookTest, ActivePageSelectsByCaptionIgnoringCase) {
  TNotebook* N = MakeNotebook({"Liste", "Ziel", "Lauf"});
  N->SetActivePage("ZIEL");
  EXPECT_EQ(N->PageIndex(), 1);
  EXPECT_EQ(N->ActivePage(), "Ziel");
  N->SetActivePage("gibt es nicht");
  EXPECT_EQ(N->PageIndex(), 1);
}

TEST_F(NotebookTest, DeletingAPageFreesItAndKeepsTheCurrentPage) {
  TNotebook* N = MakeNotebook({"a", "b", "c"});
  N->SetPageIndex(2);
  N->Pages()->Delete(0);
  EXPECT_EQ(N->PageCount(), 2);
  EXPECT_EQ(N->ActivePage(), "c");
  EXPECT_TRUE(N->Page(1)->Visible());
  N->Pages()->Delete(1);
  EXPECT_EQ(N->ActivePage(), "b");
  EXPECT_TRUE(N->Page(0)->Visible());
  EXPECT_THROW(N->Pages()->Delete(5), EStringListError);
}

TEST_F(NotebookTest, InsertingAPageKeepsItsPlace) {
  TNotebook* N = MakeNotebook({"a", "c"});
  N->Pages()->Insert(1, "b");
  EXPECT_EQ(N->Pages()->Get(1), "b");
  EXPECT_EQ(N->Pages()->Get(2), "c");
  EXPECT_EQ(N->PageIndex(), 0);
  EXPECT_FALSE(N->Page(1)->Visible());
}

TEST_F(NotebookTest, ShowingAControlBringsItsPageForward) {
  TNotebook* N = MakeNotebook({"0", "2", "3"});
  auto* L = new TLabel(Owner.get());
  L->SetParent(N->Page(1));
  L->SetVisible(false);
  L->Show();
  EXPECT_EQ(N->PageIndex(), 1);
  EXPECT_EQ(Changes, (std::vector<Integer>{1}));
}

// ---- Pixels -------------------------------------------------------------------------

TEST_F(NotebookTest, OnlyTheCurrentPageIsPainted) {
  TNotebook* N = MakeNotebook({"rot", "blau"});
  FillPage(N, 0, clRed);
  FillPage(N, 1, clBlue);
  EXPECT_EQ(Middle(N), ColorToRGB(clRed));
  N->SetPageIndex(1);
  EXPECT_EQ(Middle(N), ColorToRGB(clBlue));
  N->SetActivePage("rot");
  EXPECT_EQ(Middle(N), ColorToRGB(clRed));
}

// ---- Form descriptions ----------------------------------------------------------------

TEST_F(NotebookTest, PagesReadFromADescriptionReplaceTheDefaultPage) {
  ReadComponentFromText(
      "object Root: TTestRoot\n"
      "  object Wizard: TNotebook\n"
      "    Left = 0\n"
      "    Top = 0\n"
      "    Width = 200\n"
      "    Height = 150\n"
      "    PageIndex = 1\n"
      "    object TPage\n"
      "      Left = 0\n"
      "      Top = 0\n"
      "      Caption = '0'\n"
      "    end\n"
      "    object TPage\n"
      "      Caption = '2'\n"
      "      object Hint2: TLabel\n"
      "        Caption = 'Ziel'\n"
      "      end\n"
      "    end\n"
      "    object TPage\n"
      "      Caption = '3'\n"
      "    end\n"
      "  end\n"
      "end\n",
      Root);
  auto* N = dynamic_cast<TNotebook*>(Root->FindComponent("Wizard"));
  ASSERT_NE(N, nullptr);
  ASSERT_EQ(N->PageCount(), 3);
  EXPECT_EQ(N->Pages()->Get(0), "0");
  EXPECT_EQ(N->ActivePage(), "2");
  EXPECT_TRUE(N->Page(1)->Visible());
  EXPECT_FALSE(N->Page(0)->Visible());
  auto* L = dynamic_cast<TLabel*>(Root->FindComponent("Hint2"));
  ASSERT_NE(L, nullptr);
  EXPECT_EQ(L->Parent(), N->Page(1));
}

}  // namespace
