// The application: forms, the message loop, exceptions, hints.
#include "forms_fixture.h"
#include "platform/rtl/sysutils.h"

namespace {

class ApplicationTest : public FormsTest {};

TEST_F(ApplicationTest, TheFirstFormCreatedBecomesTheMainForm) {
  TForm* First = nullptr;
  TForm* Second = nullptr;
  Application->CreateForm(First);
  Application->CreateForm(Second);
  EXPECT_EQ(Application->MainForm(), First);
  EXPECT_EQ(First->Owner(), static_cast<TComponent*>(Application));
}

TEST_F(ApplicationTest, CreateFormRefusesAClassThatIsNoForm) {
  TCustomForm* F = nullptr;
  EXPECT_THROW(Application->CreateForm(TComponent::StaticClass(), F), EClassNotFound);
}

TEST_F(ApplicationTest, RunShowsTheMainFormAndEndsWhenItCloses) {
  TForm* Main = nullptr;
  Application->CreateForm(Main);
  bool ShownDuringRun = false;
  Main->OnShow = [&](TObject*) {
    ShownDuringRun = true;
    PostMessage(Main->Handle(), WM_CLOSE);
  };
  Application->Run();
  EXPECT_TRUE(ShownDuringRun);
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(ApplicationTest, AnExceptionInAHandlerGoesToOnException) {
  TForm* F = NewPlainForm();
  F->OnKeyDown = [](TObject*, Word&, TShiftState) { throw EConvertError("'abc' ist kein gültiger Integerwert"); };
  F->Show();
  String Seen;
  Application->OnException = [&](TObject*, Exception& E) { Seen = E.Message(); };
  PressKey('X');
  Application->OnException = nullptr;
  EXPECT_EQ(Seen, "'abc' ist kein gültiger Integerwert");
}

TEST_F(ApplicationTest, ShowExceptionShowsTheMessageWithAFinalPointUnderTheTitle) {
  Application->SetTitle("Mobile Daten-Syncronisation");
  Answers().AnswerWith("Mobile Daten-Syncronisation", mrOk, "Datei fehlt.");
  Application->ShowException(Exception("Datei fehlt"));
  ASSERT_EQ(Responder->Shown().size(), 1u);
  EXPECT_EQ(Responder->Shown()[0].Text, "Datei fehlt.");
}

TEST_F(ApplicationTest, AbortIsSilent) {
  Answers();
  try {
    Abort();
  } catch (...) {
    Application->HandleException(nullptr);
  }
  EXPECT_TRUE(Responder->Shown().empty());
}

TEST_F(ApplicationTest, OnIdleRunsWhenTheQueueIsEmpty) {
  int Idle = 0;
  Application->OnIdle = [&](TObject*, bool& Done) {
    ++Idle;
    Done = false;  // do not wait
  };
  Pump();
  Application->HandleMessage();
  Application->OnIdle = nullptr;
  EXPECT_EQ(Idle, 1);
}

TEST_F(ApplicationTest, MinimizeAndRestoreTellTheirEvents) {
  NewPlainForm()->Show();
  std::vector<std::string> Seen;
  Application->OnMinimize = [&](TObject*) { Seen.push_back("min"); };
  Application->OnRestore = [&](TObject*) { Seen.push_back("restore"); };
  Application->Minimize();
  Application->Restore();
  Application->OnMinimize = nullptr;
  Application->OnRestore = nullptr;
  EXPECT_EQ(Seen, std::vector<std::string>({"min", "restore"}));
}

TEST_F(ApplicationTest, WithoutATitleTheProgramsNameIsTheTitle) {
  Application->SetTitle("");
  String Exe = Application->ExeName();
  String Name = Exe.substr(Exe.find_last_of('/') + 1);
  EXPECT_EQ(Application->Title(), Name.substr(0, Name.find('.')));
  Application->SetTitle("Mobile Daten-Syncronisation");
  EXPECT_EQ(Application->Title(), "Mobile Daten-Syncronisation");
}

TEST_F(ApplicationTest, TerminateEndsTheLoop) {
  Application->Terminate();
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(ApplicationTest, HintOfTheControlUnderTheMouseShowsAfterCmHintShow) {
  TCustomControl* C = ShownControlWithHint("Beschreibung|lang", true);
  TPoint P = C->ClientToScreen(Point(5, 5));
  ASSERT_TRUE(Application->ActivateHint(P));
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_EQ(Application->HintWindow()->Caption(), "Beschreibung");
  EXPECT_TRUE(Application->HintWindow()->Visible());
  Application->CancelHint();
  EXPECT_FALSE(Application->HintWindow()->Visible());
}

TEST_F(ApplicationTest, HintShowsWhenTheMouseRestsForTheHintPause) {
  TCustomControl* C = ShownControlWithHint("Pfad", true);
  TPoint P = C->ClientToScreen(Point(5, 5));
  HeadlessMouseMove(P.X, P.Y);
  Pump();
  EXPECT_TRUE(!Application->HintWindow() || !Application->HintWindow()->HintShowing());
  Clock->Advance(Application->HintPause() + 10);
  Pump();
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_TRUE(Application->HintWindow()->HintShowing());
  EXPECT_EQ(Application->HintControl(), C);
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_FALSE(Application->HintWindow()->HintShowing());
}

TEST_F(ApplicationTest, AHintGoesAfterTheHidePause) {
  TCustomControl* C = ShownControlWithHint("Pfad", true);
  ASSERT_TRUE(Application->ActivateHint(C->ClientToScreen(Point(5, 5))));
  Clock->Advance(Application->HintHidePause() - 100);
  Pump();
  EXPECT_TRUE(Application->HintWindow()->HintShowing());
  Clock->Advance(200);
  Pump();
  EXPECT_FALSE(Application->HintWindow()->HintShowing());
}

TEST_F(ApplicationTest, NoHintWithoutShowHint) {
  TCustomControl* C = ShownControlWithHint("Beschreibung", false);
  EXPECT_FALSE(Application->ActivateHint(C->ClientToScreen(Point(5, 5))));
}

// A control that hints per 50-pixel column ("Zelle n") without a Hint of
// its own, placing the hint at the column's top-left corner.
class TCellHintControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  int Asked = 0;

 protected:
  void WndProc(TMessage& M) override {
    if (M.Msg != CM_HINTSHOW) return TCustomControl::WndProc(M);
    auto* Info = reinterpret_cast<THintInfo*>(M.LParam);
    ++Asked;
    Integer Cell = Info->CursorPos.X / 50;
    Info->CursorRect = Rect(Cell * 50, 0, Cell * 50 + 50, Height());
    Info->HintStr = "Zelle " + IntToStr(Cell);
    Info->HintPos = ClientToScreen(Point(Cell * 50, 0));
    M.Result = 0;
  }
};

class CellHintTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    TForm* F = NewPlainForm("Zellen", Bounds(100, 100, 300, 200));
    Cells = new TCellHintControl(F);
    Cells->SetBounds(10, 10, 200, 50);
    Cells->SetParent(F);
    Cells->SetShowHint(true);
    F->Show();
    Pump();
  }
  void RestAt(Integer X, Integer Wait) {
    TPoint P = Cells->ClientToScreen(Point(X, 5));
    HeadlessMouseMove(P.X, P.Y);
    Pump();
    Clock->Advance(Wait);
    Pump();
  }
  bool Showing() { return Application->HintWindow() && Application->HintWindow()->HintShowing(); }
  TCellHintControl* Cells = nullptr;
};

TEST_F(CellHintTest, TheControlNamesTextAndPlaceOfTheHintOfTheCellUnderTheMouse) {
  RestAt(70, Application->HintPause() + 10);
  ASSERT_TRUE(Showing());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Zelle 1");
  EXPECT_EQ(Application->HintWindow()->BoundsRect().TopLeft(), Cells->ClientToScreen(Point(50, 0)));
}

TEST_F(CellHintTest, MovingWithinTheCellKeepsTheHintWithoutAskingAgain) {
  RestAt(70, Application->HintPause() + 10);
  RestAt(95, 10);
  EXPECT_TRUE(Showing());
  EXPECT_EQ(Cells->Asked, 1);
}

// The hint stands over the corner of its cell: the pointer resting on it
// is still on the cell, and the hint stays.
TEST_F(CellHintTest, TheHintStaysWhileThePointerRestsOnIt) {
  RestAt(70, Application->HintPause() + 10);
  ASSERT_TRUE(Showing());
  RestAt(52, 10);
  ASSERT_EQ(FindDragTarget(Cells->ClientToScreen(Point(52, 5)), false), Application->HintWindow());
  EXPECT_TRUE(Showing());
}

TEST_F(CellHintTest, MovingToTheNextCellHidesTheHintAndShowsTheNextSoon) {
  RestAt(70, Application->HintPause() + 10);
  RestAt(120, 0);
  EXPECT_FALSE(Showing()) << "the old cell's hint goes at once";
  Clock->Advance(Application->HintShortPause() + 5);
  Pump();
  ASSERT_TRUE(Showing());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Zelle 2");
}

TEST_F(CellHintTest, WithoutAHintShowingTheNextCellWaitsTheFullPause) {
  RestAt(20, 10);
  RestAt(120, Application->HintShortPause() + 5);
  EXPECT_FALSE(Showing());
  Clock->Advance(Application->HintPause());
  Pump();
  EXPECT_TRUE(Showing());
}

}  // namespace
