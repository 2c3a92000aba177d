// Forms: showing, hiding, closing with close query and close actions,
// release, placement by Position, events.
#include "forms_fixture.h"

namespace {

class FormWindowTest : public FormsTest {
 protected:
  // Records the form events in order.
  void Watch(TForm* F) {
    F->OnShow = [this](TObject*) { Events.push_back("show"); };
    F->OnHide = [this](TObject*) { Events.push_back("hide"); };
    F->OnActivate = [this](TObject*) { Events.push_back("activate"); };
    F->OnCloseQuery = [this](TObject*, bool& CanClose) {
      Events.push_back("closequery");
      CanClose = AllowClose;
    };
    F->OnClose = [this](TObject*, TCloseAction& A) {
      Events.push_back("close");
      A = Action;
    };
    F->OnDestroy = [this](TObject*) { Events.push_back("destroy"); };
  }
  bool HasForm(TCustomForm* F) {
    for (Integer I = 0; I < Screen->CustomFormCount(); ++I)
      if (Screen->CustomForms(I) == F) return true;
    return false;
  }

  std::vector<std::string> Events;
  bool AllowClose = true;
  TCloseAction Action = caHide;
};

TEST_F(FormWindowTest, ANewFormIsHiddenAndListedByTheScreen) {
  TForm* F = NewPlainForm();
  EXPECT_FALSE(F->Visible());
  EXPECT_FALSE(F->HandleAllocated());
  EXPECT_TRUE(HasForm(F));
}

TEST_F(FormWindowTest, ShowMakesTheWindowVisibleActiveAndFiresOnShowThenOnActivate) {
  TForm* F = NewPlainForm();
  Watch(F);
  F->Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(F->Handle()));
  EXPECT_EQ(Screen->ActiveCustomForm(), F);
  ASSERT_GE(Events.size(), 2u);
  EXPECT_EQ(Events[0], "show");
  EXPECT_EQ(Events[1], "activate");
}

TEST_F(FormWindowTest, HideFiresOnHideAndHidesTheWindow) {
  TForm* F = NewPlainForm();
  F->Show();
  Watch(F);
  F->Hide();
  EXPECT_FALSE(IsWindowVisible(F->Handle()));
  EXPECT_EQ(Events, std::vector<std::string>({"hide"}));
}

TEST_F(FormWindowTest, CloseQueryThatRefusesKeepsTheFormOpen) {
  TForm* F = NewPlainForm();
  F->Show();
  Watch(F);
  AllowClose = false;
  F->Close();
  EXPECT_TRUE(F->Visible());
  EXPECT_EQ(Events, std::vector<std::string>({"closequery"}));
}

TEST_F(FormWindowTest, CloseWithCaHideHidesAndKeepsTheForm) {
  TForm* F = NewPlainForm();
  F->Show();
  Watch(F);
  F->Close();
  EXPECT_FALSE(F->Visible());
  EXPECT_TRUE(HasForm(F));
  EXPECT_EQ(Events, std::vector<std::string>({"closequery", "close", "hide"}));
}

TEST_F(FormWindowTest, CloseWithCaNoneDoesNothing) {
  TForm* F = NewPlainForm();
  F->Show();
  Watch(F);
  Action = caNone;
  F->Close();
  EXPECT_TRUE(F->Visible());
}

TEST_F(FormWindowTest, CloseWithCaFreeReleasesTheFormOnceTheQueueReachesIt) {
  TForm* F = NewPlainForm();
  F->Show();
  Watch(F);
  Action = caFree;
  F->Close();
  EXPECT_TRUE(HasForm(F));  // released, not yet freed
  Pump();
  EXPECT_FALSE(HasForm(F));
  EXPECT_EQ(Events.back(), "destroy");
}

TEST_F(FormWindowTest, WindowManagerCloseRequestRunsClose) {
  TForm* F = NewPlainForm();
  F->Show();
  Watch(F);
  PostMessage(F->Handle(), WM_CLOSE);
  Pump();
  EXPECT_FALSE(F->Visible());
  EXPECT_EQ(Events.front(), "closequery");
}

TEST_F(FormWindowTest, ClosingTheMainFormTerminatesTheApplication) {
  TForm* F = NewPlainForm();
  Application->SetMainForm(F);
  F->Show();
  F->Close();
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(FormWindowTest, ScreenCentredFormIsCentredOnThePrimaryMonitorWhenShown) {
  TForm* F = NewPlainForm("C", Bounds(0, 0, 280, 100));
  F->SetPosition(poScreenCenter);
  F->Show();
  EXPECT_EQ(F->Left(), (Screen->Width() - 280) / 2);
  EXPECT_EQ(F->Top(), (Screen->Height() - 100) / 2);
}

TEST_F(FormWindowTest, OwnerCentredFormIsCentredOverItsOwnerForm) {
  TForm* Owner = NewPlainForm("Owner", Bounds(100, 100, 400, 300));
  Owner->Show();
  auto* F = new TForm(Owner, 0);
  F->AfterConstruction();
  F->SetBounds(0, 0, 200, 100);
  F->SetPosition(poOwnerFormCenter);
  F->Show();
  EXPECT_EQ(F->Left(), 200);
  EXPECT_EQ(F->Top(), 200);
}

TEST_F(FormWindowTest, MainFormCentredFormIsCentredOverTheMainForm) {
  TForm* Main = NewPlainForm("Main", Bounds(40, 60, 600, 400));
  Application->SetMainForm(Main);
  Main->Show();
  TForm* F = NewPlainForm("F", Bounds(0, 0, 200, 100));
  F->SetPosition(poMainFormCenter);
  F->Show();
  EXPECT_EQ(F->Left(), 40 + (600 - 200) / 2);
  EXPECT_EQ(F->Top(), 60 + (400 - 100) / 2);
}

TEST_F(FormWindowTest, DesktopCentredFormIsCentredOnAllMonitors) {
  HeadlessSetMonitors({MonitorInfo(Rect(0, 0, 1000, 800), Rect(0, 0, 1000, 800), true),
                       MonitorInfo(Rect(1000, 0, 2000, 800), Rect(1000, 0, 2000, 800), false)});
  TForm* F = NewPlainForm("F", Bounds(0, 0, 200, 100));
  F->SetPosition(poDesktopCenter);
  F->Show();
  EXPECT_EQ(F->Left(), 900);
  EXPECT_EQ(F->Top(), 350);
}

TEST_F(FormWindowTest, DesignedPositionIsKept) {
  TForm* F = NewPlainForm("D", Bounds(33, 44, 200, 100));
  F->SetPosition(poDesigned);
  F->Show();
  EXPECT_EQ(F->BoundsRect(), Bounds(33, 44, 200, 100));
}

TEST_F(FormWindowTest, OnCreateRunsOnceAfterConstruction) {
  auto* F = new TForm(Application, 0);
  int Created = 0;
  F->OnCreate = [&](TObject*) { ++Created; };
  F->AfterConstruction();
  F->AfterConstruction();
  F->Show();
  EXPECT_EQ(Created, 1);
}

// A form class whose description resource does not exist.
class TNoDescription : public TForm {
 public:
  using TForm::TForm;
  TClass ClassType() const override {
    static const TClassInfo Info{"TNoDescriptionForm", TForm::StaticClass(), nullptr};
    return &Info;
  }
};

TEST_F(FormWindowTest, AFormWithoutItsDescriptionResourceCannotBeMade) {
  EXPECT_THROW(NewForm<TNoDescription>(Application), EResNotFound);
}

TEST_F(FormWindowTest, BorderStyleAndStayOnTopShapeTheWindowStyle) {
  TForm* F = NewPlainForm();
  F->SetBorderStyle(bsDialog);
  F->SetFormStyle(fsStayOnTop);
  F->Show();
  auto Style = DWORD(GetWindowLong(F->Handle(), GWL_STYLE));
  auto Ex = DWORD(GetWindowLong(F->Handle(), GWL_EXSTYLE));
  EXPECT_TRUE(Style & WS_CAPTION);
  EXPECT_FALSE(Style & WS_THICKFRAME);
  EXPECT_TRUE(Ex & WS_EX_DLGMODALFRAME);
  EXPECT_TRUE(Ex & WS_EX_TOPMOST);
}

TEST_F(FormWindowTest, OnPaintDrawsOnTheFormsCanvas) {
  TForm* F = NewPlainForm("P", Bounds(10, 10, 100, 80));
  F->OnPaint = [F](TObject*) {
    F->Canvas()->Brush()->SetColor(clRed);
    F->Canvas()->FillRect(Rect(0, 0, 20, 20));
  };
  F->Show();
  Pump();
  TPixelSurface S = HeadlessSurface(F->Handle());
  TPoint Origin = F->ClientOrigin();
  TRect W = GetWindowRect(F->Handle());
  EXPECT_EQ(TColor(S.Get(Origin.X - W.Left + 5, Origin.Y - W.Top + 5)), clRed);
}
}  // namespace
