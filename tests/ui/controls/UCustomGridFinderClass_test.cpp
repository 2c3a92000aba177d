// The grid finder form: its caption, the key it closed with, and the
// mouse hook that closes it on a frame click into another window.
#include "ui/controls/UCustomGridFinderClass.h"

#include "platform/gui/forms_fixture.h"
#include "platform/gui/stdctrls_listbox.h"
#include "platform/rtl/classreg.h"

namespace {

class GridFinderTest : public FormsTest {
 protected:
  // Another form with a framed list that scrolls; clicks are counted.
  TListBox* OtherList() {
    TForm* Other = NewPlainForm("Andere", Bounds(600, 400, 300, 200));
    auto* L = new TListBox(Other);
    L->SetParent(Other);
    L->SetBounds(10, 10, 150, 100);
    for (int I = 0; I < 40; ++I) L->Items()->Add("Zeile");
    L->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, Integer, Integer) { ++OtherClicks; };
    Other->Show();
    Pump();
    return L;
  }
  int OtherClicks = 0;
  TFCustomGridFinder* OpenFinder() {
    auto* F = static_cast<TFCustomGridFinder*>(GetClass("TFCustomGridFinder")->Create(Application));
    F->AfterConstruction();
    F->FinderLeft = 300;
    F->FinderTop = 200;
    F->FinderText = "Meier\nMüller";
    F->SetBounds(0, 0, 200, 120);
    F->Show();
    Pump();
    return F;
  }
};

TEST_F(GridFinderTest, ShowingPlacesTheFinderAndLoadsItsText) {
  TFCustomGridFinder* F = OpenFinder();
  EXPECT_EQ("Suchen, Selektieren:", F->Caption());
  EXPECT_EQ(300, F->Left());
  EXPECT_EQ(200, F->Top());
  ASSERT_TRUE(F->Lines);
  EXPECT_EQ(2, F->Lines->Count());
  EXPECT_EQ(F->Handle(), OpenGridFinder());
  EXPECT_EQ(Screen->WorkAreaRect(), F->WorkArea);
}

TEST_F(GridFinderTest, ClosingWithoutOkYieldsEscapeOnceAndThenNothing) {
  TFCustomGridFinder* F = OpenFinder();
  F->Close();
  Pump();
  EXPECT_EQ(27, F->TakeLastKey());
  EXPECT_EQ(0, F->TakeLastKey());
}

TEST_F(GridFinderTest, ClosingWithOkKeepsTheKeyTheDescendantSet) {
  TFCustomGridFinder* F = OpenFinder();
  F->LastKey = 13;
  F->SetModalResult(mrOk);
  bool CanClose = false;
  F->FormCloseQuery(F, CanClose);
  EXPECT_TRUE(CanClose);
  EXPECT_EQ(13, F->TakeLastKey());
}

TEST_F(GridFinderTest, AFrameClickIntoAnotherWindowClosesTheFinderAndIsSwallowed) {
  TListBox* L = OtherList();
  TFCustomGridFinder* F = OpenFinder();
  TRect W = GetWindowRect(L->Handle());
  Integer TopIndex = L->TopIndex();
  HeadlessClick(W.Left, W.Top + 30);  // the list's frame
  Pump();
  EXPECT_FALSE(F->Visible());
  EXPECT_EQ(nullptr, OpenGridFinder());
  EXPECT_EQ(0, OtherClicks);
  EXPECT_EQ(TopIndex, L->TopIndex());
  EXPECT_EQ(-1, L->ItemIndex());
}

TEST_F(GridFinderTest, ClicksOnAnotherWindowsScrollBarOrClientAreaLeaveTheFinderOpen) {
  TListBox* L = OtherList();
  TFCustomGridFinder* F = OpenFinder();
  TRect W = GetWindowRect(L->Handle());
  HeadlessClick(W.Right - 8, W.Bottom - 10);  // the scroll bar's down arrow
  Pump();
  EXPECT_TRUE(F->Visible());
  EXPECT_EQ(1, L->TopIndex()) << "the scroll bar got the click";
  TPoint P = L->ClientToScreen(Point(20, 20));
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_TRUE(F->Visible());
  EXPECT_EQ(F->Handle(), OpenGridFinder());
}

TEST_F(GridFinderTest, FreeingTheFinderRemovesItsHook) {
  TListBox* L = OtherList();
  TFCustomGridFinder* F = OpenFinder();
  F->DestroyForm();
  Pump();
  EXPECT_EQ(nullptr, OpenGridFinder());
  TRect W = GetWindowRect(L->Handle());
  HeadlessClick(W.Right - 8, W.Bottom - 10);
  Pump();
  EXPECT_EQ(1, L->TopIndex()) << "clicks reach the other window again";
}

}  // namespace
