// Page "2" of the main form after a probe, as a user sees it: the HTML
// labels show their text without mark-up and nothing is cut; a picture of
// the page is kept (LOOK_PNG_DIR, else the test's folder).
#include <stdlib.h>

#include "platform/gui/backend.h"
#include "sync_fixture.h"
#include "ui/look/MarkupLabel.h"

namespace {

class PageTwoLookTest : public SyncTest {
 protected:
  // The height the text of L needs at L's width.
  Integer TextHeight(TCustomMarkupLabel* L) {
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas()->SetFont(L->Font());
    THtmlDrawParams P = L->DrawParams(*B.Canvas(), Rect(0, 0, L->Width(), 65535));
    P.MeasureOnly = true;
    THtmlDrawResult R;
    HtmlDraw(P, R);
    return R.Height;
  }
  std::vector<TCustomMarkupLabel*> MarkupLabelsOn(TWinControl* Parent) {
    std::vector<TCustomMarkupLabel*> Labels;
    for (Integer I = 0; I < Parent->ControlCount(); ++I)
      if (auto* L = dynamic_cast<TCustomMarkupLabel*>(Parent->Controls(I))) Labels.push_back(L);
    return Labels;
  }
};

TEST_F(PageTwoLookTest, TheProbeTextAndBothExplanationsFitTheirLabels) {
  SetGuiDriver(NewHeadlessDriver());
  GivenOffice();
  MakeForm();
  StartDatabase();
  Form->KM->First();
  Form->ReadCurrentEntry();
  Form->CurrentPath = Target;
  ASSERT_TRUE(Form->CheckTarget());
  Form->Show();
  Form->WizardNotebook1->SetPageIndex(1);
  Application->ProcessMessages();
  TWinControl* Page = Form->BaseDir->Parent();
  std::vector<TCustomMarkupLabel*> Labels = MarkupLabelsOn(Page);
  ASSERT_EQ(Labels.size(), 3u);  // BaseDir and the two explanations
  String All;
  for (TCustomMarkupLabel* L : Labels) {
    EXPECT_LE(TextHeight(L), L->Height()) << L->PlainText();
    EXPECT_LE(L->Left() + L->Width(), Page->ClientWidth());
    All += L->PlainText() + "\n";
  }
  EXPECT_NE(All.find("wenn Sie sicher sind"), String::npos);
  EXPECT_NE(All.find("Warnung: "), String::npos);
  EXPECT_EQ(All.find("<"), String::npos);

  TPixelSurface S = HeadlessSurface(Form->Handle());
  TBitmap Shot;
  Shot.SetSize(S.Width, S.Height);
  Shot.Canvas()->StretchBltSurface(Rect(0, 0, S.Width, S.Height), S, Rect(0, 0, S.Width, S.Height), SRCCOPY);
  TPngImage Png;
  Png.Assign(&Shot);
  const char* Dir = getenv("LOOK_PNG_DIR");
  Png.SaveToFile((Dir ? String(Dir) + "/" : Root) + "page2.png");
}

TEST_F(PageTwoLookTest, ALongStatusLineWrapsInsideThePageAboveTheTarget) {
  SetGuiDriver(NewHeadlessDriver());
  GivenOffice();
  MakeForm();
  Form->Show();
  Form->WizardNotebook1->SetPageIndex(1);
  Form->Label62342->SetCaption(
      "Das Verzeichnis für \"Kelpa Mobile\" ist: /home/vertrieb/Laptopabgleich/Aussendienst/Nord/KelpoM/"
      "  / Die ID ist: A / letzter Abgleich: 07.12.2026 13:42:36");
  Application->ProcessMessages();
  TLabel* Status = Form->Label62342;
  TWinControl* Page = Status->Parent();
  EXPECT_LE(Status->Left() + Status->Width(), Page->ClientWidth());
  TBitmap B;
  B.SetSize(1, 1);
  B.Canvas()->SetFont(Status->Font());
  TRect Need = Rect(0, 0, Status->Width(), 0);
  DrawText(*B.Canvas(), Status->Caption(), Need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
  EXPECT_LE(Need.Width(), Status->Width());
  EXPECT_LE(Need.Height(), Status->Height()) << "no line of the status is cut";
  EXPECT_LE(Status->Top() + Status->Height(), Form->Label1->Top()) << "the status stays above the target";
}

}  // namespace
