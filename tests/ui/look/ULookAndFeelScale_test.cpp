// Scaling by the scale file: 100, 120 and 140 percent per form class, the
// children's item heights and drop-down counts, the grids' AdjustGrid and
// the menus' font, no scaling above 96 dpi, and the hook's list of forms.
#include "look_engine_fixture.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"
#include "ui/look/StyledCtrls.h"
#include "ui/look/sb_box.h"

namespace {

class TScaledForm : public TForm {
  RTL_DECLARE_CLASS(TScaledForm)
 public:
  explicit TScaledForm(TComponent* AOwner) : TForm(AOwner, 0) {}
};
RTL_IMPLEMENT_CLASS(TScaledForm, TForm, nullptr)

// A grid as the look sees it: AdjustGrid by name.
class TDataGrid : public TCustomControl {
  RTL_DECLARE_CLASS(TDataGrid)
 public:
  explicit TDataGrid(TComponent* AOwner) : TCustomControl(AOwner) {}
  String AdjustGrid;
};
RTL_IMPLEMENT_CLASS(TDataGrid, TCustomControl, &ComponentFactory<TDataGrid>)
RTL_PUBLISHED(TDataGrid) { P.Field("AdjustGrid", &TDataGrid::AdjustGrid); }

// A menu that publishes a font.
class TFontMenu : public TPopupMenu {
  RTL_DECLARE_CLASS(TFontMenu)
 public:
  explicit TFontMenu(TComponent* AOwner) : TPopupMenu(AOwner), FFont(std::make_unique<TFont>()) {}
  TFont* MenuFont() const { return FFont.get(); }

 private:
  std::unique_ptr<TFont> FFont;
};
RTL_IMPLEMENT_CLASS(TFontMenu, TPopupMenu, &ComponentFactory<TFontMenu>)
RTL_PUBLISHED(TFontMenu) { P.Prop("Font", &TFontMenu::MenuFont, [](TFontMenu* M, TFont* F) { M->MenuFont()->Assign(F); }); }

// A back end that reports another screen density and otherwise is the
// headless one.
class TDensityDriver : public TGuiDriver {
 public:
  TDensityDriver(std::unique_ptr<TGuiDriver> Inner, int Ppi) : FInner(std::move(Inner)), FPpi(Ppi) {}
  const char* Name() const override { return FInner->Name(); }
  std::unique_ptr<TNativeWindow> CreateNativeWindow(HWND Wnd, TNativeKind Kind, const TRect& B, HWND Owner) override {
    return FInner->CreateNativeWindow(Wnd, Kind, B, Owner);
  }
  void PumpEvents(int TimeoutMs) override { FInner->PumpEvents(TimeoutMs); }
  void Wake() override { FInner->Wake(); }
  std::vector<TMonitorInfo> Monitors() override { return FInner->Monitors(); }
  int PixelsPerInch() override { return FPpi; }
  String ClipboardText() override { return FInner->ClipboardText(); }
  void SetClipboardText(const String& Text) override { FInner->SetClipboardText(Text); }
  std::uintptr_t FindForeignWindow(const String& Class, const String& Title) override {
    return FInner->FindForeignWindow(Class, Title);
  }
  bool IsForeignWindow(std::uintptr_t Id) override { return FInner->IsForeignWindow(Id); }
  String ForeignClassName(std::uintptr_t Id) override { return FInner->ForeignClassName(Id); }
  String ForeignWindowText(std::uintptr_t Id) override { return FInner->ForeignWindowText(Id); }
  bool PostForeignClose(std::uintptr_t Id) override { return FInner->PostForeignClose(Id); }

 private:
  std::unique_ptr<TGuiDriver> FInner;
  int FPpi;
};

class Scaling : public LookEngineTest {
 protected:
  // A TScaledForm with a panel, an owner-drawn list box (a standard one
  // takes its item height from its font), a combo box, a grid and a menu;
  // the messages sent to it are counted from creation.
  TScaledForm* NewScaledForm() {
    auto* F = new TScaledForm(Application);
    F->AfterConstruction();
    F->SetBounds(10, 10, 400, 300);
    Panel = Put<TPanel>(F, Bounds(10, 10, 100, 50));
    List = Put<TListBox>(F, Bounds(10, 70, 100, 50));
    List->SetStyle(lbOwnerDrawFixed);
    Combo = Put<TComboBox>(F, Bounds(10, 130, 100, 20));
    Grid = Put<TDataGrid>(F, Bounds(150, 10, 200, 100));
    Menu = new TFontMenu(F);
    Hook = SetWindowsHookEx(WH_CALLWNDPROC, [this, F](int, WPARAM, LPARAM LParam) {
      auto* Cwp = reinterpret_cast<CWPSTRUCT*>(LParam);
      if (Cwp->message == WM_USER + 200 && Cwp->hwnd == F->Handle()) Scaled.push_back(Cwp->wParam);
      return LRESULT(0);
    });
    return F;
  }
  void TearDown() override {
    if (Hook) UnhookWindowsHookEx(Hook);
    LookEngineTest::TearDown();
  }
  TPanel* Panel = nullptr;
  TListBox* List = nullptr;
  TComboBox* Combo = nullptr;
  TDataGrid* Grid = nullptr;
  TFontMenu* Menu = nullptr;
  HHOOK Hook = 0;
  std::vector<WPARAM> Scaled;
};

TEST_F(Scaling, IndexOneMakesTheForm120Percent) {
  WriteScale("TScaledForm=1\r\n");
  FormatSettings.DecimalSeparator = ',';
  TScaledForm* F = NewScaledForm();
  Integer Items = List->ItemHeight(), Count = Combo->DropDownCount();
  RegisterFormForScaling(F);
  EXPECT_EQ(Panel->Width(), 120);
  EXPECT_EQ(Panel->Left(), 12);
  EXPECT_EQ(List->ItemHeight(), Integer(Items * 1.2));
  EXPECT_EQ(Combo->DropDownCount(), Integer(Count / 1.2));
  EXPECT_EQ(Grid->AdjustGrid, "11 1,2");
  EXPECT_EQ(Menu->MenuFont()->Size(), 11);
  EXPECT_EQ(Scaled, std::vector<WPARAM>{120});
  EXPECT_EQ(GetFormScalePercent(F), 120);
}

TEST_F(Scaling, IndexTwoMakesIt140Percent) {
  WriteScale("TScaledForm=2\r\n");
  TScaledForm* F = NewScaledForm();
  RegisterFormForScaling(F);
  EXPECT_EQ(Panel->Width(), 140);
  EXPECT_EQ(Grid->AdjustGrid, "12 1,4");
}

// A form the scale file does not name (the message box, a dialog) follows
// the main form, and a check box's box grows with its font there.
TEST_F(Scaling, AFormWithoutAnEntryFollowsTheMainFormAndItsCheckBoxGrows) {
  WriteScale("TScaledForm=2\r\n");
  TScaledForm* Main = NewScaledForm();
  Application->SetMainForm(Main);
  auto* Box = new TForm(Application, 0);
  Box->AfterConstruction();
  Box->SetBounds(10, 10, 300, 100);
  auto* Check = Put<TStyledCheckBox>(Box, Bounds(10, 10, 200, 20));
  EXPECT_EQ(Check->BoxRect().Width(), 12);
  RegisterFormForScaling(Box);
  Integer Percent = GetFormScalePercent(Box);
  Application->SetMainForm(nullptr);
  EXPECT_EQ(Percent, 140);
  EXPECT_EQ(Box->Width(), 420);
  EXPECT_EQ(Check->BoxRect().Width(), std::abs(Check->Font()->Height()));
  EXPECT_GT(Check->BoxRect().Width(), 12);
}

// The message box of a window at 140 % grows with its controls: its text,
// its buttons and the room of its button row.
TEST_F(Scaling, TheMessageBoxScalesWithItsControls) {
  TFSB_BOX* Plain = CreateMsgBoxForm();
  Integer Width = Plain->ClientWidth(), Button = Plain->FB_BREAK2->Height();
  Plain->DestroyForm();
  WriteScale("TFSB_BOX=2\r\n");
  FreeFormScalingHook();
  ULookAndFeelInit();
  TFSB_BOX* Box = CreateMsgBoxForm();
  Box->SetMessageHtml("<B>/home/anna/laptop/</B>");
  Box->FitToText();
  EXPECT_EQ(Box->ClientWidth(), Width * 14 / 10);
  EXPECT_EQ(Box->FB_BREAK2->Height(), Button * 14 / 10);
  EXPECT_EQ(Box->ClientHeight(), Box->Text()->Height() + 37 * 14 / 10);
  Box->DestroyForm();
}

TEST_F(Scaling, At100PercentOnlyTheFontsAreAdjusted) {
  TScaledForm* F = NewScaledForm();
  EXPECT_EQ(GetFormScalePercent(F), 100);
  Integer Items = List->ItemHeight();
  RegisterFormForScaling(F);
  RegisterFormForScaling(F);
  EXPECT_EQ(Panel->Width(), 100);
  EXPECT_EQ(List->ItemHeight(), Items);
  EXPECT_TRUE(Scaled.empty());
  EXPECT_EQ(Grid->AdjustGrid, "9 1");
  EXPECT_EQ(Menu->MenuFont()->Size(), 9);
  EXPECT_EQ(FormScalingHook()->Count(), 1);
}

TEST_F(Scaling, OtherValuesGive100Percent) {
  TStringList Scaled;
  for (const char* Value : {"7", "-1", "x", ""}) {
    Scaled.SetValues("TScaledForm", Value);
    EXPECT_EQ(ScaleIndexOf(&Scaled, "TScaledForm"), 0) << Value;
  }
  Scaled.SetValues("TScaledForm", "2");
  EXPECT_EQ(ScaleIndexOf(&Scaled, "TScaledForm"), 2);
  EXPECT_EQ(ScaleIndexOf(&Scaled, "TOther"), 0);
}

TEST_F(Scaling, Above96DpiNothingIsScaled) {
  TStringList Scaled;
  Scaled.SetValues("TScaledForm", "1");
  SetGuiDriver(std::make_unique<TDensityDriver>(NewHeadlessDriver(), 120));
  Integer Index = ScaleIndexOf(&Scaled, "TScaledForm");
  SetGuiDriver(NewHeadlessDriver());
  EXPECT_EQ(Index, 0);
}

TEST_F(Scaling, AFreedFormLeavesTheListAndTheFileIsWrittenBack) {
  WriteScale("TScaledForm=1\r\nTOther=2\r\n");
  TScaledForm* F = NewScaledForm();
  RegisterFormForScaling(F);
  ASSERT_EQ(FormScalingHook()->Count(), 1);
  UnhookWindowsHookEx(Hook);
  Hook = 0;
  F->DestroyForm();
  EXPECT_EQ(FormScalingHook()->Count(), 0);
  WriteScale("");
  FreeFormScalingHook();
  EXPECT_EQ(ReadFile("orvsync7_Scaled.txt"), "TScaledForm=1\r\nTOther=2\r\n");
}

}  // namespace
