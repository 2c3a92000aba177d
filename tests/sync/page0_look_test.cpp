// Page "0" and its two dialogs as a user sees them: captions fit their
// buttons and labels, the rights list shows all five levels; pictures
// are kept (LOOK_PNG_DIR, else the test's folder).
#include <stdlib.h>

#include "platform/gui/backend.h"
#include "sync/USelID.h"
#include "sync/USeldir.h"
#include "sync_fixture.h"

namespace {

class PageZeroLookTest : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    Previous = SetGuiDriver(NewHeadlessDriver());
  }
  void TearDown() override {
    SyncTest::TearDown();
    SetGuiDriver(std::move(Previous));
  }
  // Saves what the window Wnd shows as Name.png.
  void SaveShot(HWND Wnd, const String& Name) {
    TPixelSurface S = HeadlessSurface(Wnd);
    TBitmap Shot;
    Shot.SetSize(S.Width, S.Height);
    Shot.Canvas()->StretchBltSurface(Rect(0, 0, S.Width, S.Height), S, Rect(0, 0, S.Width, S.Height), SRCCOPY);
    TPngImage Png;
    Png.Assign(&Shot);
    const char* Dir = getenv("LOOK_PNG_DIR");
    Png.SaveToFile((Dir ? String(Dir) + "/" : Root) + Name + ".png");
  }
  // C's caption (without its accelerator mark) fits C's width less Margin
  // on each side.
  void ExpectCaptionFits(TControl* C, Integer Margin) {
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas()->SetFont(C->Font());
    String Text = C->Caption();
    std::erase(Text, '&');
    EXPECT_LE(B.Canvas()->TextWidth(Text) + 2 * Margin, C->Width()) << Text;
  }
  // The tool started and shown on page "0", the first slot named and
  // given a target.
  void ShowPageZero() {
    GivenOffice();
    MakeForm();
    StartDatabase();
    Form->Show();
    Application->ProcessMessages();
    Form->EditInstallationEntry([&] {
      Form->KM->FieldByName("Name")->SetAsString("Laptop Vertrieb");
      Form->KM->FieldByName("Path")->SetAsString(Target);
      Form->KM->FieldByName("RIGHTS")->SetAsInteger(2);
    });
    Application->ProcessMessages();
  }
  std::unique_ptr<TGuiDriver> Previous;
};

TEST_F(PageZeroLookTest, TheButtonsOfPageZeroShowTheirWholeCaptions) {
  ShowPageZero();
  for (TControl* B : {static_cast<TControl*>(Form->flbname), static_cast<TControl*>(Form->flbpath),
                      static_cast<TControl*>(Form->flbr23423), static_cast<TControl*>(Form->FlatButton3423423),
                      static_cast<TControl*>(Form->FlatButton2), static_cast<TControl*>(Form->FlatButton332423)}) {
    EXPECT_TRUE(B->Visible());
    ExpectCaptionFits(B, 4);
  }
  SaveShot(Form->Handle(), "page0");
}

// The list fits its columns to the room beside the data set's vertical
// bar: no horizontal bar, the path column ends inside the client area,
// and the Rechte column still holds every level text.
TEST_F(PageZeroLookTest, TheListFitsItsColumnsBesideItsScrollBar) {
  ShowPageZero();
  TI_DBGrid* Grid = Form->I_DBKMSYS;
  ASSERT_FALSE(ScrollBarRect(Grid->Handle(), SB_VERT).IsEmpty());
  EXPECT_TRUE(ScrollBarRect(Grid->Handle(), SB_HORZ).IsEmpty());
  EXPECT_EQ(Grid->FixedCols(), Grid->LeftCol());
  TRect Path = Grid->CellRect(Grid->ColCount() - 1, 0);
  ASSERT_FALSE(Path.IsEmpty());
  EXPECT_LE(Path.Right, Grid->ClientWidth());
  // Fitted: the columns fill the width but for the room the fitting keeps
  // for one grid line each.
  EXPECT_GE(Path.Right, Grid->ClientWidth() - Grid->ColCount() * Grid->GridLineWidth() - 1);
  TBitmap B;
  B.Canvas()->SetFont(Grid->Font());
  Integer Rights = Grid->ColWidths(Grid->IndicatorOffset() + 2);
  for (const char* Level : MobileLevelTexts) EXPECT_LE(B.Canvas()->TextWidth(Level) + 4, Rights) << Level;
}

TEST_F(PageZeroLookTest, TheRightsDialogShowsAllFiveLevelsAndItsWholeQuestion) {
  Responder->Do("Rechte für Installation wählen", [this](TCustomForm* F) {
    auto* D = dynamic_cast<TFSelID*>(F);
    EXPECT_EQ(576, D->ClientWidth());
    EXPECT_EQ(192, D->ClientHeight());
    EXPECT_GE(D->flb->VisibleCount(), 5);
    ExpectCaptionFits(D->Label1, 0);
    ExpectCaptionFits(D->FlatButton_next, 4);
    ExpectCaptionFits(D->FlatButton_cancel, 4);
    SaveShot(D->Handle(), "rights");
    D->SetModalResult(mrCancel);
  });
  Byte Level = 2;
  ExecuteSelID(Level);
  ExpectAllAnswered();
}

TEST_F(PageZeroLookTest, TheFolderDialogShowsTheSelectedFolderAboveItsButtons) {
  Responder->Do("Verzeichnis oder Laufwerk wählen", [this](TCustomForm* F) {
    auto* D = dynamic_cast<TFSelDir*>(F);
    EXPECT_EQ(395, D->ClientWidth());
    EXPECT_EQ(315, D->ClientHeight());
    EXPECT_LE(D->trv->Top() + D->trv->Height(), D->FlatButton_next->Top());
    ExpectCaptionFits(D->FlatButton_next, 4);
    ExpectCaptionFits(D->FlatButton_cancel, 4);
    D->trv->SetSelection(Target);
    Application->ProcessMessages();
    EXPECT_EQ(ExcludeTrailingPathDelimiter(Target), ExcludeTrailingPathDelimiter(D->SelectedPath()));
    SaveShot(D->Handle(), "folder");
    D->SetModalResult(mrCancel);
  });
  String Path;
  ExecuteSelDir(Path);
  ExpectAllAnswered();
}

}  // namespace
