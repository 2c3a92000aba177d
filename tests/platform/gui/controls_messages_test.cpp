// Messages of controls: Perform and the replaceable WindowProc, the
// message map with inherited handlers, and the notifications of text,
// visibility and enabling.
#include "controls_fixture.h"

namespace {

// A control that records the messages it handles through its own map and
// passes them on to the inherited handlers.
class TRecordingControl : public TGraphicControl {
  RTL_DECLARE_CLASS(TRecordingControl)
  RTL_MESSAGE_HANDLERS(TRecordingControl)
 public:
  explicit TRecordingControl(TComponent* AOwner) : TGraphicControl(AOwner) {}
  std::vector<UINT> Seen;
  LRESULT Answer = 0;

 protected:
  void Record(TMessage& M) {
    Seen.push_back(M.Msg);
    Inherited(TRecordingControl::StaticClass(), M);
    if (Answer) M.Result = Answer;
  }
};

RTL_IMPLEMENT_CLASS(TRecordingControl, TGraphicControl, nullptr)
RTL_MESSAGE_MAP(TRecordingControl) {
  M.On(CM_TEXTCHANGED, &TRecordingControl::Record);
  M.On(CM_VISIBLECHANGED, &TRecordingControl::Record);
  M.On(CM_ENABLEDCHANGED, &TRecordingControl::Record);
  M.On(CM_HITTEST, &TRecordingControl::Record);
  M.On(WM_USER + 104, &TRecordingControl::Record);
}

class MessagesTest : public ControlsFixture {
 protected:
  TRecordingControl* Make() {
    auto* C = new TRecordingControl(Owner.get());
    C->SetBounds(0, 0, 20, 20);
    return C;
  }
  // Counts how often Msg passes the control's WindowProc.
  static void CountThrough(TControl* C, UINT Msg, int& Count) {
    TWndMethod Old = C->WindowProc;
    C->WindowProc = [Old, Msg, &Count](TMessage& M) {
      if (M.Msg == Msg) ++Count;
      Old(M);
    };
  }
};

TEST_F(MessagesTest, PerformReturnsTheHandlersResult) {
  auto* C = Make();
  C->Answer = 42;
  EXPECT_EQ(C->Perform(WM_USER + 104, 1, 2), 42);
  ASSERT_EQ(C->Seen.size(), 1u);
  EXPECT_EQ(C->Seen[0], WM_USER + 104u);
}

TEST_F(MessagesTest, AHandlerReachesTheInheritedOne) {
  auto* C = Make();
  // CM_HITTEST is answered HTCLIENT by TControl behind the recording handler.
  EXPECT_EQ(C->Perform(CM_HITTEST, 0, 0), HTCLIENT);
}

TEST_F(MessagesTest, AMessageWithoutHandlerGoesToDefaultHandler) {
  auto* C = Make();
  EXPECT_EQ(C->Perform(WM_USER + 999, 0, 0), 0);
  EXPECT_TRUE(C->Seen.empty());
}

TEST_F(MessagesTest, AReplacedWindowProcSeesEveryMessageAndMaySwallow) {
  auto* C = Make();
  TWndMethod Old = C->WindowProc;
  std::vector<UINT> Through;
  C->WindowProc = [&](TMessage& M) {
    Through.push_back(M.Msg);
    if (M.Msg == CM_TEXTCHANGED) return;  // swallowed
    Old(M);
  };
  C->SetCaption("Neu");
  C->SetVisible(false);
  EXPECT_EQ(Through, (std::vector<UINT>{CM_TEXTCHANGED, CM_VISIBLECHANGED}));
  EXPECT_EQ(C->Seen, (std::vector<UINT>{CM_VISIBLECHANGED}));
  C->WindowProc = Old;
  C->SetCaption("Alt");
  EXPECT_EQ(C->Seen.back(), UINT(CM_TEXTCHANGED));
}

TEST_F(MessagesTest, TextChangesAreAnnouncedOnce) {
  auto* C = Make();
  int Count = 0;
  CountThrough(C, CM_TEXTCHANGED, Count);
  C->SetCaption("&Ausführen");
  C->SetText("&Ausführen");
  EXPECT_EQ(Count, 1);
  EXPECT_EQ(C->Text(), "&Ausführen");
  EXPECT_EQ(C->Caption(), C->Text());
}

TEST_F(MessagesTest, VisibleAndEnabledChangesAreAnnounced) {
  auto* C = Make();
  C->SetVisible(false);
  C->SetVisible(false);
  C->Hide();
  C->SetEnabled(false);
  C->Show();
  EXPECT_EQ(C->Seen, (std::vector<UINT>{CM_VISIBLECHANGED, CM_ENABLEDCHANGED, CM_VISIBLECHANGED}));
  EXPECT_TRUE(C->Visible());
  EXPECT_FALSE(C->Enabled());
}

TEST_F(MessagesTest, BroadcastStopsAtTheFirstAnswer) {
  auto* Panel = new TWinControl(Owner.get());
  auto* A = Make();
  auto* B = Make();
  A->SetParent(Panel);
  B->SetParent(Panel);
  A->Answer = 7;
  TMessage M;
  M.Msg = WM_USER + 104;
  Panel->Broadcast(M);
  EXPECT_EQ(M.Result, 7);
  EXPECT_EQ(A->Seen.size(), 1u);
  EXPECT_TRUE(B->Seen.empty());
}

TEST_F(MessagesTest, ChildrenAreListedWithoutWindowFirstAndFreedWithTheirParent) {
  auto* Panel = new TWinControl(nullptr);
  auto* Win = new TWinControl(nullptr);
  auto* Plain = Make();
  Win->SetParent(Panel);
  Plain->SetParent(Panel);
  ASSERT_EQ(Panel->ControlCount(), 2);
  EXPECT_EQ(Panel->Controls(0), Plain);
  EXPECT_EQ(Panel->Controls(1), Win);
  EXPECT_THROW(Panel->Controls(2), EListError);
  EXPECT_THROW(Win->Controls(0), EListError);
  EXPECT_EQ(Owner->ComponentCount(), 1);
  delete Panel;  // frees Win and Plain, which leaves its owner
  EXPECT_EQ(Owner->ComponentCount(), 0);
}

TEST_F(MessagesTest, AControlCannotLieOnItself) {
  auto* Outer = new TWinControl(Owner.get());
  auto* Inner = new TWinControl(Owner.get());
  Inner->SetParent(Outer);
  EXPECT_THROW(Outer->SetParent(Inner), EInvalidOperation);
  EXPECT_THROW(Outer->SetParent(Outer), EInvalidOperation);
}

TEST_F(MessagesTest, ControlAtPosFindsTheTopmostVisibleEnabledChild) {
  auto* Panel = new TWinControl(Owner.get());
  Panel->SetBounds(0, 0, 100, 100);
  auto* Below = Add<TGraphicBox>(Panel, "Below", 10, 10, 50, 50);
  auto* Above = Add<TGraphicBox>(Panel, "Above", 30, 30, 50, 50);
  EXPECT_EQ(Panel->ControlAtPos(Point(40, 40), false), Above);
  EXPECT_EQ(Panel->ControlAtPos(Point(15, 15), false), Below);
  Above->SetEnabled(false);
  EXPECT_EQ(Panel->ControlAtPos(Point(40, 40), false), Below);
  EXPECT_EQ(Panel->ControlAtPos(Point(40, 40), true), Above);
  Below->BringToFront();
  Above->SetEnabled(true);
  EXPECT_EQ(Panel->ControlAtPos(Point(40, 40), false), Below);
  EXPECT_EQ(Panel->ControlAtPos(Point(90, 90), false), nullptr);
}

TEST_F(MessagesTest, ShowAsksThePageContainersToBringTheControlForward) {
  class TPages : public TWinControl {
   public:
    using TWinControl::TWinControl;
    std::vector<TControl*> Asked;
    void ShowControl(TControl* C) override {
      Asked.push_back(C);
      TWinControl::ShowControl(C);
    }
  };
  auto* Pages = new TPages(Owner.get());
  auto* Page = new TWinControl(Owner.get());
  Page->SetParent(Pages);
  auto* Leaf = Make();
  Leaf->SetParent(Page);
  Leaf->Hide();
  Leaf->Show();
  EXPECT_EQ(Pages->Asked, (std::vector<TControl*>{Page}));
  EXPECT_TRUE(Leaf->Visible());
}

}  // namespace
