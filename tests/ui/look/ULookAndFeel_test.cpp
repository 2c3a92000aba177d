// The look engine: look files on first start, the property cache, class
// and instance entries set through the property registry, the grid's
// global font, the popup-menu fallback, bad look files, double buffering
// and the size clamp, and the form hook.
#include "ui/look/ULookAndFeel.h"

#include "look_engine_fixture.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"
#include "platform/gui/system_metrics.h"

namespace {

// Stand-ins named as the classes the look files name: a data-aware grid
// that publishes the grid's look properties, and a popup menu with a
// property to see which entry it got.
class TI_DBGrid : public TCustomControl {
  RTL_DECLARE_CLASS(TI_DBGrid)
 public:
  explicit TI_DBGrid(TComponent* AOwner) : TCustomControl(AOwner) {}
  String GlobalFontName, AdjustGrid;
};
RTL_IMPLEMENT_CLASS(TI_DBGrid, TCustomControl, &ComponentFactory<TI_DBGrid>)
RTL_PUBLISHED(TI_DBGrid) {
  P.Field("GlobalFontName", &TI_DBGrid::GlobalFontName);
  P.Field("AdjustGrid", &TI_DBGrid::AdjustGrid);
}

class TLookPopup : public TPopupMenu {
  RTL_DECLARE_CLASS(TLookPopup)
 public:
  explicit TLookPopup(TComponent* AOwner) : TPopupMenu(AOwner) {}
  Integer Marker = 0;
};
RTL_IMPLEMENT_CLASS(TLookPopup, TPopupMenu, &ComponentFactory<TLookPopup>)
RTL_PUBLISHED(TLookPopup) { P.Field("Marker", &TLookPopup::Marker); }

// An object with one property of every kind the look treats differently.
class TLookTarget : public TComponent {
  RTL_DECLARE_CLASS(TLookTarget)
 public:
  explicit TLookTarget(TComponent* AOwner) : TComponent(AOwner) {}
  Integer Number = -1;
  TColor Shade = clNone;
  String Text;
  bool Flag = false;
  double Ratio = 0.5;
  // Refuses negative numbers.
  Integer Picky() const { return FPicky; }
  void SetPicky(Integer V) {
    if (V < 0) throw Exception("Wert zu klein");
    FPicky = V;
  }
  Integer FPicky = 0;
};
RTL_IMPLEMENT_CLASS(TLookTarget, TComponent, &ComponentFactory<TLookTarget>)
RTL_PUBLISHED(TLookTarget) {
  P.Field("Number", &TLookTarget::Number);
  P.Field("Shade", &TLookTarget::Shade).TypeName("TColor");
  P.Field("Text", &TLookTarget::Text);
  P.Field("Flag", &TLookTarget::Flag);
  P.Field("Ratio", &TLookTarget::Ratio);
  P.Prop("Picky", &TLookTarget::Picky, &TLookTarget::SetPicky);
}

class LookFiles : public LookEngineTest {
 protected:
  // A shown form with a panel "Panel1" and whatever the test adds.
  TForm* FormWithPanel() {
    TForm* F = NewPlainForm("Look");
    Panel = Put<TPanel>(F, Bounds(10, 10, 100, 50));
    Panel->SetName("Panel1");
    Panel->SetColor(clBtnFace);
    return F;
  }
  // Applies the current look to F as the registered wrapper does.
  void Apply(TForm* F) { TLookAndFeelWrapper().SetProperties(F); }
  TPanel* Panel = nullptr;
};

// ---- Files -------------------------------------------------------------------------------

TEST_F(LookFiles, FirstStartWritesTheCurrentLookAndTheDefaultLook) {
  String Look;
  GetCurrentLook(nullptr, Look);
  EXPECT_EQ(Look, "Pastell");
  EXPECT_EQ(LookDir(), Folder + "/docs/QX-ClientRoot/default/LookAndFeel/");
  EXPECT_EQ(ReadFile("CurrentLook.txt"), "CurrentLook=Pastell\r\n");
  String Default = ReadFile("LookAndFeel[Pastell].txt");
  EXPECT_EQ(Default.size(), 791u);
  EXPECT_EQ(Default, DefaultLookText);
  EXPECT_EQ(Default.substr(0, 50), "TDataGrid.SecondFont<>Font.Name=Tahoma<>Font.Size=");
  EXPECT_NE(Default.back(), '\n');
}

TEST_F(LookFiles, CurrentLookIsReadAndLooksAreListed) {
  UseLook("TPanel<>Color=clRed");
  WriteFile("LookAndFeel[Blau].txt", "");
  TStringList List;
  String Look;
  GetCurrentLook(&List, Look);
  EXPECT_EQ(Look, "Test");
  List.Sort();
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(List.Get(0), "Blau");
  EXPECT_EQ(List.Get(1), "Test");
}

TEST_F(LookFiles, CacheSortsClassAndInstanceKeysApart) {
  TPropCache Cache;
  Cache.LoadFromText("b<>X=1\r\n\r\nA.c<>Y=2\na<>Z=3<>broken<>u=v=w\r<>Q=4\0TAfterNul<>X=1");
  EXPECT_EQ(Cache.Count(0), 3);
  EXPECT_EQ(Cache.Count(1), 1);
  ASSERT_NE(Cache.Find("a", 0), nullptr);
  const PropEntry* A = Cache.Find("a", 0);
  ASSERT_EQ(A->Pairs.size(), 3u);
  EXPECT_EQ(A->Pairs[0].PropPath, "Z");
  EXPECT_EQ(A->Pairs[1].PropPath, "");  // no "=": an empty pair
  EXPECT_EQ(A->Pairs[2].PropPath, "");  // two "=": an empty pair
  EXPECT_NE(Cache.Find("", 0), nullptr);  // the empty key is kept
  EXPECT_EQ(Cache.Find("A", 0), nullptr);
  EXPECT_NE(Cache.Find("A.c", 1), nullptr);
  EXPECT_EQ(Cache.Find("TAfterNul", 0), nullptr);
}

// ---- Applying entries ------------------------------------------------------------------------

TEST_F(LookFiles, DefaultLookColoursPanelsWhiteKeysAreCaseSensitive) {
  TForm* F = FormWithPanel();
  auto* Other = Put<TPanel>(F, Bounds(10, 70, 100, 50));
  Other->SetColor(clBtnFace);
  Apply(F);
  EXPECT_EQ(Panel->Color(), clWhite);
  EXPECT_EQ(Panel->Font()->Name(), "Tahoma");

  UseLook("tpanel<>Color=clRed\r\nTPanel<>Color=clLime");
  Panel->SetColor(clBtnFace);
  Apply(F);
  EXPECT_EQ(Panel->Color(), clLime);
  EXPECT_EQ(Other->Color(), clLime);
}

TEST_F(LookFiles, InstanceEntriesMatchOwnerClassAndName) {
  TForm* F = FormWithPanel();
  UseLook("TForm.Panel1<>Color=pcDarkRed\r\nTPanel<>Color=clLime");
  auto* Inner = new TPanel(Panel);
  Inner->SetName("Panel1");
  Inner->SetColor(clBtnFace);
  Apply(F);
  EXPECT_EQ(Panel->Color(), TColor(0x302794));
  // Owned by a TPanel, not by the form: only its class entry applies.
  EXPECT_EQ(Inner->Color(), clLime);
  delete Inner;
}

TEST_F(LookFiles, GridTakesOnlyTheGlobalFontName) {
  TForm* F = NewPlainForm("Grid");
  auto* Grid = Put<TI_DBGrid>(F, Bounds(0, 0, 200, 100));
  auto* Columns = new TPanel(Grid);
  Columns->SetName("Columns");
  Grid->Font()->SetSize(8);
  Apply(F);
  EXPECT_EQ(Grid->GlobalFontName, "Tahoma");
  EXPECT_EQ(Grid->Font()->Size(), 8);
  // The instance entry TI_DBGrid.Columns is not a class entry: it applies in full.
  EXPECT_EQ(Columns->Font()->Size(), 10);
}

TEST_F(LookFiles, PopupMenuWithoutItsOwnEntryTakesToxPopupMenu) {
  TForm* F = NewPlainForm("Menus");
  auto* Menu = new TLookPopup(F);
  UseLook("ToxPopupMenu<>Marker=5");
  Apply(F);
  EXPECT_EQ(Menu->Marker, 5);
  UseLook("ToxPopupMenu<>Marker=5\r\nTLookPopup<>Marker=9");
  Apply(F);
  EXPECT_EQ(Menu->Marker, 9);
}

TEST_F(LookFiles, ValuesFollowThePropertyKind) {
  TLookTarget T(nullptr);
  PropEntry E{"TLookTarget", {{"Number", "12"}, {"Shade", "clWHITE"}, {"Text", "a b"}, {"Flag", "True"},
                              {"Ratio", "2.5"}, {"Missing", "1"}, {"", ""}}};
  ApplyLookEntry(&T, &E);
  EXPECT_EQ(T.Number, 12);
  EXPECT_EQ(T.Shade, clWhite);
  EXPECT_EQ(T.Text, "a b");
  EXPECT_FALSE(T.Flag);
  EXPECT_EQ(T.Ratio, 0.5);
  PropEntry Bad{"TLookTarget", {{"Number", "zwölf"}, {"Shade", "$FF"}}};
  ApplyLookEntry(&T, &Bad);
  EXPECT_EQ(T.Number, 0);
  EXPECT_EQ(T.Shade, TColor(0xFF));
  // A property that refuses its value costs that pair only.
  PropEntry Refused{"TLookTarget", {{"Picky", "-3"}, {"Text", "danach"}}};
  ApplyLookEntry(&T, &Refused);
  EXPECT_EQ(T.Text, "danach");
}

TEST_F(LookFiles, BadLinesAreSkippedAndTheRestApplies) {
  TForm* F = FormWithPanel();
  auto* L = Put<TLabel>(F, Bounds(10, 80, 100, 20));
  // Windows-1252 text, unknown classes and properties, a path through a
  // property that holds no object, broken fields.
  UseLook("TNoSuchClass<>Color=clRed\r\n<><><>\r\nTPanel<>Colour=clRed<>Color==clRed<>Font.Nope.Name=Arial"
          "<>Color=clAqua\r\nTLabel<>Caption=Gr\xFC\xDF" "e<>Font.Size=abc\r\n\xFF\xFE");
  Apply(F);
  EXPECT_EQ(Panel->Color(), clAqua);
  EXPECT_EQ(Panel->Font()->Name(), "Arial");
  EXPECT_EQ(L->Caption(), "Gr\xC3\xBC\xC3\x9F" "e");
}

// ---- Double buffering, placement and the hook ------------------------------------------------------

TEST_F(LookFiles, ApplyLookToFormDoubleBuffersAndSetsTheHelpContext) {
  ULookAndFeelInit();
  TForm* F = FormWithPanel();
  auto* List = Put<TListBox>(F, Bounds(10, 80, 100, 50));
  ApplyLookToForm(F, false);
  EXPECT_EQ(F->HelpContext(), 1);
  EXPECT_TRUE(F->DoubleBuffered());
  EXPECT_TRUE(Panel->DoubleBuffered());
  EXPECT_FALSE(List->DoubleBuffered());
  EXPECT_EQ(Panel->Color(), clWhite);
  ASSERT_NE(FormScalingHook(), nullptr);
  EXPECT_NE(FormScalingHook()->Find(F), nullptr);
}

TEST_F(LookFiles, OverARemoteSessionNothingIsDoubleBuffered) {
  TSystemMetricOverride Remote(SM_REMOTESESSION, 1);
  ULookAndFeelInit();
  TForm* F = FormWithPanel();
  ApplyLookToForm(F, false);
  EXPECT_FALSE(Panel->DoubleBuffered());
  EXPECT_EQ(Panel->Color(), clWhite);
}

TEST_F(LookFiles, AFormLargerThanTheWorkAreaIsShrunkToIt) {
  HeadlessSetMonitors({MonitorInfo(Rect(0, 0, 800, 600), Rect(0, 0, 800, 560), true)});
  TForm* F = NewPlainForm("Big", Bounds(0, 0, 1000, 900));
  ApplyLookToForm(F, true);
  EXPECT_EQ(F->Width(), 800);
  EXPECT_EQ(F->Height(), 560);
  HeadlessSetMonitors({});
}

TEST_F(LookFiles, InitInstallsTheLookAsTheLockedFormHook) {
  ULookAndFeelInit();
  EXPECT_TRUE(FormHookLocked());
  EXPECT_NE(GetClass("TLookAndFeelWrapper"), nullptr);
  SetFormHook([](TComponent*, bool) {});
  TForm* F = FormWithPanel();
  CallFormHook(F, true);
  EXPECT_EQ(Panel->Color(), clWhite);
  ULookAndFeelDone();
  EXPECT_EQ(GetClass("TLookAndFeelWrapper"), nullptr);
  EXPECT_EQ(FormHookProc(), nullptr);
}

TEST_F(LookFiles, TheDefaultLookIsTheFallbackHookUntilTheEngineTakesOver) {
  DefaultLookInit();
  EXPECT_EQ(FormHookProc(), &DefaultFormLook);
  EXPECT_FALSE(FormHookLocked());
  TForm* F = FormWithPanel();
  CallFormHook(F, false);
  EXPECT_EQ(F->HelpContext(), 1);
  EXPECT_EQ(Panel->Color(), clBtnFace);
  ULookAndFeelInit();
  EXPECT_EQ(FormHookProc(), &ApplyLookToForm);
  DefaultFormLook(F, false);
  EXPECT_EQ(Panel->Color(), clWhite);
  ULookAndFeelDone();
  DefaultLookDone();
  EXPECT_EQ(FormHookProc(), nullptr);
}

TEST_F(LookFiles, ExtremeNumbersDoNotBreakTheForm) {
  ULookAndFeelInit();
  TForm* F = FormWithPanel();
  F->Show();
  UseLook("TPanel<>Width=-2147483648<>Height=99999999<>Left=-5<>Font.Size=-1000<>Font.Height=2147483647\r\n"
          "TForm<>Width=0<>Height=-1");
  ApplyLookToForm(F, true);
  Pump();
  EXPECT_EQ(Panel->Left(), -5);
  EXPECT_GE(F->Width(), 0);
}

}  // namespace
