// The wizard notebook: stepping through pages with its Next and Back
// buttons, the per-page texts and the button captions.
#include <gtest/gtest.h>

#include "look_fixture.h"
#include "ui/look/WizardNotebook.h"

namespace {

class WizardNotebookTest : public LookTest {
 protected:
  void SetUp() override {
    LookTest::SetUp();
    Form = ShownForm("Wizard", Bounds(50, 50, 500, 300));
    Book = Put<TWizardNotebook>(Form, Bounds(0, 40, 500, 200));
    Header = Put<TLabel>(Form, Bounds(10, 5, 200, 17));
    Info = Put<TLabel>(Form, Bounds(10, 20, 200, 17));
    NextBtn = Put<TPlainButton>(Form, Bounds(400, 250, 77, 25));
    BackBtn = Put<TPlainButton>(Form, Bounds(310, 250, 77, 25));
    Book->OnButtonNextClick = [this](TObject*, bool Final) { NextEvents.push_back(Final); };
    Book->OnButtonBackClick = [this](TObject*) { ++BackEvents; };
  }
  // Pages "0", "2", "3" (as on the synchronisation wizard), texts given.
  void ThreePages(std::initializer_list<const char*> Headers = {"Liste", "Ziel", "Lauf"}) {
    Book->Pages()->SetText("0\n2\n3\n");
    for (const char* H : Headers) Book->HeaderCaption()->Add(H);
    for (const char* I : {"Info 0", "Info 2", "Info 3"}) Book->InfoCaption()->Add(I);
    Wire();
  }
  void Wire() {
    Book->SetlblHeader(Header);
    Book->SetlblInfo(Info);
    Book->SetbtnNext(NextBtn);
    Book->SetbtnBack(BackBtn);
  }
  void ClickNext() { NextBtn->DoClick(); Pump(); }
  void ClickBack() { BackBtn->DoClick(); Pump(); }

  TForm* Form = nullptr;
  TWizardNotebook* Book = nullptr;
  TLabel *Header = nullptr, *Info = nullptr;
  TPlainButton *NextBtn = nullptr, *BackBtn = nullptr;
  std::vector<bool> NextEvents;
  int BackEvents = 0;
};

TEST_F(WizardNotebookTest, WiringShowsTheFirstPagesTextsAndHidesBack) {
  ThreePages();
  EXPECT_EQ(Header->Caption(), "Liste");
  EXPECT_EQ(Info->Caption(), "Info 0");
  EXPECT_FALSE(BackBtn->Visible());
}

TEST_F(WizardNotebookTest, NextStepsForwardAndRenamesTheButtonOnTheLastPage) {
  ThreePages();
  ClickNext();
  EXPECT_EQ(Book->PageIndex(), 1);
  EXPECT_EQ(Header->Caption(), "Ziel");
  EXPECT_TRUE(BackBtn->Visible());
  ClickNext();
  EXPECT_EQ(Book->PageIndex(), 2);
  EXPECT_EQ(NextBtn->Caption(), "&Zuweisen");
  ClickNext();
  EXPECT_EQ(Book->PageIndex(), 2);
  EXPECT_EQ(NextEvents, (std::vector<bool>{false, false, true}));
}

TEST_F(WizardNotebookTest, BackStepsBackAndRestoresWeiter) {
  ThreePages();
  ClickNext();
  ClickNext();
  ClickBack();
  EXPECT_EQ(Book->PageIndex(), 1);
  EXPECT_EQ(NextBtn->Caption(), "&Weiter");
  EXPECT_TRUE(BackBtn->Visible());
  ClickBack();
  EXPECT_EQ(Book->PageIndex(), 0);
  EXPECT_FALSE(BackBtn->Visible());
  EXPECT_EQ(BackEvents, 2);
}

TEST_F(WizardNotebookTest, BackOnTheFirstPageChangesNothingButStillReports) {
  ThreePages();
  Book->Back(nullptr);
  EXPECT_EQ(Book->PageIndex(), 0);
  EXPECT_EQ(BackEvents, 1);
}

TEST_F(WizardNotebookTest, WithASinglePageNextIsFinalAtOnce) {
  Book->Pages()->SetText("0\n");
  Wire();
  EXPECT_EQ(NextBtn->Caption(), "&Zuweisen");
  ClickNext();
  EXPECT_EQ(NextEvents, std::vector<bool>{true});
}

TEST_F(WizardNotebookTest, APageWithoutHeaderKeepsThePreviousText) {
  ThreePages({"Liste", "Ziel"});
  ClickNext();
  ClickNext();
  EXPECT_EQ(Header->Caption(), "Ziel");
  EXPECT_EQ(Info->Caption(), "Info 3");
}

TEST_F(WizardNotebookTest, ResetGoesBackToTheFirstPage) {
  ThreePages();
  ClickNext();
  ClickNext();
  Book->Reset();
  EXPECT_EQ(Book->PageIndex(), 0);
  EXPECT_EQ(Header->Caption(), "Liste");
  EXPECT_EQ(NextBtn->Caption(), "&Weiter");
  EXPECT_FALSE(BackBtn->Visible());
}

TEST_F(WizardNotebookTest, PageChangesRaiseOnPageChanged) {
  ThreePages();
  int Changes = 0;
  Book->OnPageChanged = [&](TObject*) { ++Changes; };
  ClickNext();
  ClickBack();
  EXPECT_EQ(Changes, 2);
}

TEST_F(WizardNotebookTest, AFreedNextButtonIsForgotten) {
  ThreePages();
  delete NextBtn;
  EXPECT_EQ(Book->btnNext(), nullptr);
  Book->Next(nullptr);  // must not touch the freed button
  EXPECT_EQ(Book->PageIndex(), 1);
  delete Header;
  EXPECT_EQ(Book->lblHeader(), nullptr);
}

TEST_F(WizardNotebookTest, CaptionListsAreCopiedOnAssignment) {
  TStringList L;
  L.Add("Kopf");
  Book->SetHeaderCaption(&L);
  L.Clear();
  EXPECT_EQ(Book->HeaderCaption()->Count(), 1);
}

}  // namespace
