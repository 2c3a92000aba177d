// The patches the look engine installs: the popup parent of dialog forms
// and the themed client edge of rich edits and scroll boxes, with the
// theme services on the classic and on a styled provider.
#include "look_engine_fixture.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/typeonly.h"

namespace {

class Patches : public LookEngineTest {
 protected:
  TForm* VisibleMainForm() {
    TForm* Main = NewPlainForm("Main");
    Main->SetBorderStyle(bsDialog);
    Application->SetMainForm(Main);
    Main->Show();
    Pump();
    return Main;
  }
  TForm* NewDialog(TComponent* Owner, TFormBorderStyle Style = bsDialog) {
    auto* F = new TForm(Owner, 0);
    F->AfterConstruction();
    F->SetBorderStyle(Style);
    F->HandleNeeded();
    return F;
  }
  // Installs a styled provider drawing edges in Color.
  TSolidThemeProvider& StyledThemes(TColor Color) {
    SetThemeProvider(std::make_unique<TSolidThemeProvider>(Color));
    FreeThemeServices();
    return static_cast<TSolidThemeProvider&>(ThemeProvider());
  }
  // The pixel of C's window at (X, Y) of the whole window (border included).
  TColor WindowPixel(TWinControl* C, int X, int Y) {
    Pump();
    HWND Top = GetParentForm(C)->Handle();
    TPixelSurface S = HeadlessSurface(Top);
    TRect W = GetWindowRect(Top), Cw = GetWindowRect(C->Handle());
    return TColor(S.Get(Cw.Left - W.Left + X, Cw.Top - W.Top + Y));
  }
};

TEST_F(Patches, ADialogGetsTheMainFormAsPopupParent) {
  TForm* Main = VisibleMainForm();
  TForm* Before = NewDialog(Application);
  EXPECT_EQ(GetWindow(Before->Handle(), GW_OWNER), nullptr);
  ULookAndFeelInit();
  TForm* Dialog = NewDialog(Application);
  EXPECT_EQ(GetWindow(Dialog->Handle(), GW_OWNER), Main->Handle());
  TForm* Sizeable = NewDialog(Application, bsSizeable);
  EXPECT_NE(GetWindow(Sizeable->Handle(), GW_OWNER), nullptr);
  TForm* Single = NewDialog(Application, bsSingle);
  EXPECT_EQ(GetWindow(Single->Handle(), GW_OWNER), nullptr);
  ULookAndFeelDone();
  EXPECT_EQ(GetWindow(NewDialog(Application)->Handle(), GW_OWNER), nullptr);
}

TEST_F(Patches, AWindowedOwnerIsThePopupParent) {
  VisibleMainForm();
  TForm* Other = NewPlainForm("Other");
  auto* Panel = Put<TPanel>(Other, Bounds(0, 0, 50, 50));
  ULookAndFeelInit();
  TForm* Dialog = NewDialog(Panel);
  EXPECT_EQ(GetWindow(Dialog->Handle(), GW_OWNER), Other->Handle());
  delete Dialog;
}

TEST_F(Patches, WithoutAVisibleMainFormNoParentIsChosen) {
  ULookAndFeelInit();
  TForm* Shown = NewPlainForm("Shown");
  Shown->SetBorderStyle(bsDialog);
  Shown->Show();
  TForm* Dialog = NewDialog(Application);
  EXPECT_EQ(GetWindow(Dialog->Handle(), GW_OWNER), nullptr);
}

TEST_F(Patches, RichEditGetsAThemedEdgeOnlyWithStyles) {
  ULookAndFeelInit();
  TForm* F = ShownForm();
  auto* Edit = Put<TRichEdit>(F, Bounds(10, 10, 120, 40));
  EXPECT_EQ(WindowPixel(Edit, 0, 0), ColorToRGB(clBtnShadow));
  TSolidThemeProvider& Styles = StyledThemes(clLime);
  SetWindowPos(Edit->Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_EQ(WindowPixel(Edit, 0, 0), clLime);
  EXPECT_EQ(WindowPixel(Edit, 1, 1), clLime);
  EXPECT_NE(WindowPixel(Edit, 2, 2), clLime);
  ASSERT_FALSE(Styles.Drawn.empty());
  EXPECT_EQ(Styles.Drawn.back().PartId, 1);
  EXPECT_EQ(Styles.Drawn.back().StateId, 1);
  EXPECT_EQ(Styles.Opened, std::vector<String>{"edit"});
}

TEST_F(Patches, ScrollBoxWithoutClientEdgeAndPlainEditsStayClassic) {
  ULookAndFeelInit();
  TSolidThemeProvider& Styles = StyledThemes(clLime);
  TForm* F = ShownForm();
  auto* Box = new TScrollBox(F);
  Box->SetBorderStyle(bsNone);
  Box->SetBounds(10, 10, 100, 60);
  Box->SetParent(F);
  auto* Plain = Put<TEdit>(F, Bounds(10, 80, 100, 24));
  Pump();
  EXPECT_TRUE(Styles.Drawn.empty());
  EXPECT_EQ(WindowPixel(Plain, 0, 0), ColorToRGB(clBtnShadow));
}

TEST_F(Patches, BothScrollBarsLeaveTheirCornerInButtonFace) {
  StyledThemes(clLime);
  TForm* F = ShownForm();
  auto* Edit = Put<TRichEdit>(F, Bounds(10, 10, 120, 80));
  HWND H = Edit->Handle();
  SetWindowLong(H, GWL_STYLE, GetWindowLong(H, GWL_STYLE) | WS_HSCROLL | WS_VSCROLL);
  // The frame's own first painting is done before the themed edge is
  // drawn over it.
  Pump();
  ThemeServices()->PaintBorder(Edit, true);
  TRect W = GetWindowRect(H);
  EXPECT_EQ(WindowPixel(Edit, W.Width() - 3, W.Height() - 3), ColorToRGB(clBtnFace));
  EXPECT_EQ(WindowPixel(Edit, W.Width() - 1, W.Height() - 1), clLime);
}

TEST_F(Patches, ThemeServicesFollowTheProvider) {
  EXPECT_FALSE(ThemeServices()->ThemesAvailable());
  EXPECT_EQ(ThemeServices()->Theme(teEdit), 0);
  TSolidThemeProvider& Styles = StyledThemes(clLime);
  TThemeServices* T = ThemeServices();
  EXPECT_TRUE(T->ThemesAvailable());
  EXPECT_TRUE(T->UseThemes());
  HTHEME Edit = T->Theme(teEdit);
  EXPECT_EQ(T->Theme(teEdit), Edit);
  EXPECT_NE(T->Theme(teWindow), Edit);
  EXPECT_EQ(Styles.Opened, (std::vector<String>{"edit", "window"}));
  T->UpdateThemes();
  EXPECT_EQ(Styles.Closed.size(), 2u);
  EXPECT_EQ(EditDetails(5).State, 4);
  EXPECT_EQ(EditDetails(9).Part, 2);
  EXPECT_EQ(EditDetails(1).Part, 0);
  EXPECT_STREQ(ThemedElementName(teTreeview), "treeview");
}

}  // namespace
