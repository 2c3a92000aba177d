// Page "0" and its two dialogs as a user sees them: captions fit their
// buttons and labels, the rights list shows all five levels; pictures
// are kept (LOOK_PNG_DIR, else the test's folder).
#include <stdlib.h>

#include "platform/gui/backend.h"
#include "sync/USelID.h"
#include "sync/USeldir.h"
#include "sync_fixture.h"
#include "ui/look/ULookAndFeel.h"

namespace {

class PageZeroLookTest : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    Previous = SetGuiDriver(NewHeadlessDriver());
  }
  void TearDown() override {
    // Before the scale file goes with the test's folder; the next form
    // reads the file anew.
    FreeFormScalingHook();
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
  // The width of Text in Font.
  static Integer TextWidthIn(TFont* Font, const String& Text) {
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas()->SetFont(Font);
    return B.Canvas()->TextWidth(Text);
  }
  // C's caption (without its accelerator mark) fits C's width less Margin
  // on each side.
  void ExpectCaptionFits(TControl* C, Integer Margin) {
    String Text = C->Caption();
    std::erase(Text, '&');
    EXPECT_LE(TextWidthIn(C->Font(), Text) + 2 * Margin, C->Width()) << Text;
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
  void ExpectThreeTargetsTold(Integer Percent);
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

// Three installations below one folder, at the form's own size and at
// 120 % (scale file): the list shows the described column widths fitted to
// the room beside its vertical bar (no horizontal bar); a cut Rechte cell
// hints the level's data mode, a cut path cell the whole path; the path
// cells, alike but for their ends, differ on screen.
void PageZeroLookTest::ExpectThreeTargetsTold(Integer Percent) {
  const String Folder = Target + "Niederlassung Rheinland-Westfalen/Außendienst/";
  const String Paths[3] = {Folder + "Laptop Nord/", Folder + "Laptop Süd/", Folder + "Werkstatt/"};
  if (Percent != 100) {
    String Dir;
    LookAndFeelDir(Dir);
    std::ofstream(Dir + "orvsync7_Scaled.txt") << "TFsync=1\r\n";
  }
  FreeFormScalingHook();  // the next form reads the scale file
  ShowPageZero();
  for (Integer Slot = 2; Slot <= 4; ++Slot) {
    Form->KM->Locate("ID", Variant(Slot), TLocateOptions());
    Form->EditInstallationEntry([&] {
      Form->KM->FieldByName("Path")->SetAsString(Paths[Slot - 2]);
      Form->KM->FieldByName("RIGHTS")->SetAsInteger(Slot);
    });
  }
  Form->KM->First();
  Application->ProcessMessages();
  TI_DBGrid* Grid = Form->I_DBKMSYS;
  EXPECT_EQ(700 * Percent / 100, Grid->Width());

  ASSERT_FALSE(ScrollBarRect(Grid->Handle(), SB_VERT).IsEmpty());
  EXPECT_TRUE(ScrollBarRect(Grid->Handle(), SB_HORZ).IsEmpty());
  EXPECT_EQ(Grid->FixedCols(), Grid->LeftCol());
  const Integer Described[4] = {20, 202, 160, 314};  // 696 together
  Integer Room = Grid->ClientWidth() - Grid->ColCount() * Grid->GridLineWidth(), Sum = 0;
  for (Integer C = 0; C < 4; ++C) {
    Integer Width = Grid->ColWidths(Grid->IndicatorOffset() + C);
    EXPECT_NEAR(double(Room) * Described[C] / 696, Width, 1.5) << "column " << C;
    Sum += Width;
  }
  EXPECT_NEAR(Room, Sum, 1);

  TPixelSurface Shown = HeadlessSurface(Form->Handle());
  std::vector<std::vector<TColorRef>> PathCells;
  for (Integer Row = 1; Row <= 3; ++Row) {
    TRect Rights = Grid->CellRect(Grid->IndicatorOffset() + 2, Grid->TitleOffset() + Row);
    ASSERT_GT(TextWidthIn(Grid->Columns()->Items(2)->Font(), MobileLevelTexts[Row + 1]), Rights.Width() - 4);
    EXPECT_EQ(MobileDataModeTexts[Row + 1], HintAt(Grid, Rights));
    TRect Path = Grid->CellRect(Grid->IndicatorOffset() + 3, Grid->TitleOffset() + Row);
    ASSERT_GT(TextWidthIn(Grid->Columns()->Items(3)->Font(), Folder), Path.Width()) << "the common front is cut";
    EXPECT_EQ(Paths[Row - 1], HintAt(Grid, Path));
    TPoint At = Form->ScreenToClient(Grid->ClientToScreen(Path.TopLeft()));
    PathCells.emplace_back();
    for (Integer Y = At.Y; Y < At.Y + Path.Height(); ++Y)
      for (Integer X = At.X; X < At.X + Path.Width(); ++X) PathCells.back().push_back(Shown.Get(X, Y));
  }
  for (Integer A = 0; A < 3; ++A) EXPECT_TRUE(PathCells[A] != PathCells[(A + 1) % 3]) << "path cells " << A;
  SaveShot(Form->Handle(), "page0-targets-" + IntToStr(Percent));
}

TEST_F(PageZeroLookTest, ThreeTargetsBelowOneFolderAreToldApartInTheFittedList) {
  ExpectThreeTargetsTold(100);
}

TEST_F(PageZeroLookTest, ThreeTargetsBelowOneFolderAreToldApartAt120Percent) {
  ExpectThreeTargetsTold(120);
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
