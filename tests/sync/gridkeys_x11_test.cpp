// The installation list of page "0" on a real X server, driven by XTest as
// a user would: a click into the list, a name typed to search it (the
// balloon shows the text and the list moves to the slot), a click into
// the marker column that marks the row, and Tab, which leaves the list
// without moving it. The list is given the search and the marker column
// here; its description has neither. Skipped without a display or XTest.
#include <X11/keysym.h>

#include "sync_fixture.h"

#include "platform/gui/x11_form_fixture.h"

namespace {

class InstallationListX11 : public SyncTest {
 protected:
  void SetUp() override {
    SyncTest::SetUp();
    std::unique_ptr<TGuiDriver> X11 = NewX11Driver();
    if (!X11 || !Probe.Valid() || !Probe.HasXTest()) MDS_SKIP_WITHOUT_DISPLAY("no X display or XTest");
    Lock = std::make_unique<TX11DisplayLock>(String());
    Previous = SetGuiDriver(std::move(X11));
    MakeForm();
    Form->OnShow = nullptr;
    Grid = Form->I_DBKMSYS;
    auto* KM = Form->KM;
    KM->SetReadOnly(false);
    KM->Open();
    Integer ID = 0;
    for (const char* Name : {"Meier", "Braun", "Schulz", "Zander"}) {
      KM->Append();
      KM->FieldByName("ID")->SetAsInteger(++ID);
      KM->FieldByName("Name")->SetAsString(Name);
      KM->FieldByName("Path")->SetAsString("/mobil/" + IntToStr(ID) + "/");
      KM->Post();
    }
    KM->First();
    Grid->SetAutoSearch(true);
    Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMarker});
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
    if (Previous) SetGuiDriver(std::move(Previous));
    Lock.reset();
    SyncTest::TearDown();
  }
  void Pump() {
    Application->ProcessMessages();
    Application->ResetTerminated();
  }
  bool PumpUntil(const std::function<bool()>& Done) { return PumpEventsUntil([this] { Pump(); }, Done); }
  // The screen point in the middle of the grid cell (ACol, ARow).
  TPoint CellCentre(Integer ACol, Integer ARow) {
    TRect R = Grid->CellRect(ACol, ARow);
    return Grid->ClientToScreen(Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
  }
  Integer CurrentSlot() { return Form->KM->FieldByName("ID")->AsInteger(); }
  // The colour the server shows at the grid's client point (X, Y).
  TColorRef ListPixel(Integer X, Integer Y) {
    X11Sync(GuiDriver());
    int W = 0, H = 0;
    std::vector<TColorRef> Shown = Probe.Grab(X11WindowOfHandle(Form->Handle()), W, H);
    TPoint P = Grid->ClientToScreen(Point(X, Y));
    TRect R = GetWindowRect(Form->Handle());
    int PX = P.X - R.Left, PY = P.Y - R.Top;
    return PX >= 0 && PY >= 0 && PX < W && PY < H ? Shown[size_t(PY) * W + PX] : TColorRef(0xFFFFFFFF);
  }
  // What the server shows of the form, as Name in $LOOK_PNG_DIR when set.
  void SaveShown(const String& Name) {
    const char* Dir = getenv("LOOK_PNG_DIR");
    if (!Dir) return;
    X11Sync(GuiDriver());
    int W = 0, H = 0;
    std::vector<TColorRef> Shown = Probe.Grab(X11WindowOfHandle(Form->Handle()), W, H);
    TBitmap Picture;
    Picture.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) Picture.PixelSurface().Set(X, Y, Shown[size_t(Y) * W + X]);
    Picture.SavePng(String(Dir) + "/" + Name);
  }
  Integer NameColumn() {
    for (Integer I = 0; I < Grid->Columns()->Count(); ++I)
      if (Grid->Columns()->Items(I)->FieldName() == "Name") return I;
    return -1;
  }

  TX11Probe Probe;
  std::unique_ptr<TX11DisplayLock> Lock;
  std::unique_ptr<TGuiDriver> Previous;
  TI_DBGrid* Grid = nullptr;
};

TEST_F(InstallationListX11, AUserTypesANameToFindItsSlotAndMarksTheRow) {
  Form->Show();
  unsigned long Win = X11WindowOfHandle(Form->Handle());
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(Win); }));
  TPoint First = CellCentre(Grid->IndicatorOffset() + NameColumn(), Grid->TitleOffset());
  Probe.Click(First.X, First.Y);
  ASSERT_TRUE(PumpUntil([&] { return Grid->Focused(); }));
  ASSERT_EQ(NameColumn(), Grid->SelectedIndex());

  for (unsigned long Key : {XK_s, XK_c, XK_h}) Probe.TapKey(Key);
  ASSERT_TRUE(PumpUntil([&] { return Grid->SearchText() == "sch"; }));
  EXPECT_EQ(3, CurrentSlot());
  ASSERT_TRUE(Grid->SearchRunning());
  unsigned long Balloon = X11WindowOfHandle(Grid->SearchBalloon()->Handle());
  EXPECT_TRUE(PumpUntil([&] { return Probe.Viewable(Balloon); }));
  Probe.TapKey(XK_Escape);
  ASSERT_TRUE(PumpUntil([&] { return !Grid->SearchRunning(); }));

  TPoint Marker = CellCentre(Grid->IndicatorOffset() - 1, Grid->Row());
  Probe.Click(Marker.X, Marker.Y);
  ASSERT_TRUE(PumpUntil([&] { return Grid->SelectedRows()->Count() == 1; }));
  EXPECT_EQ(3, CurrentSlot());
  EXPECT_TRUE(Grid->SelectedRows()->CurrentRowSelected());
  EXPECT_EQ("Merker", Grid->SelectedRows()->Texts(0));
}

// Tab leaves the list for the next control of the page and Shift+Tab comes
// back; neither moves the list to another slot.
TEST_F(InstallationListX11, TabLeavesTheListForTheNextControlAndKeepsTheSlot) {
  Form->Show();
  unsigned long Win = X11WindowOfHandle(Form->Handle());
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(Win); }));
  TPoint Second = CellCentre(Grid->IndicatorOffset() + NameColumn(), Grid->TitleOffset() + 1);
  Probe.Click(Second.X, Second.Y);
  ASSERT_TRUE(PumpUntil([&] { return Grid->Focused() && CurrentSlot() == 2; }));

  Probe.TapKey(XK_Tab);
  ASSERT_TRUE(PumpUntil([&] { return !Grid->Focused() && Form->ActiveControl() != nullptr; }));
  EXPECT_EQ(Form->flbname, Form->ActiveControl()) << "the first button of the page, \"Beschreibung\"";
  EXPECT_TRUE(Form->flbname->Focused());
  EXPECT_EQ(2, CurrentSlot());
  TRect Slot = Grid->CellRect(Grid->IndicatorOffset() + NameColumn(), Grid->Row());
  auto SlotMarked = [&] {
    return ListPixel(Slot.Right - 5, (Slot.Top + Slot.Bottom) / 2) == ColorToRGB(TI_DBGrid::UnfocusedHighlight);
  };
  EXPECT_TRUE(PumpUntil(SlotMarked)) << "the slot stays marked in the light colour";
  TRect Path = Grid->CellRect(Grid->ColCount() - 1, Grid->Row());
  EXPECT_TRUE(!Path.IsEmpty() && Path.Right <= Grid->ClientWidth()) << "the fitted columns make room for the marker";
  SaveShown("page0-tab-x11.png");

  Probe.Key(XK_Shift_L, true);
  Probe.TapKey(XK_Tab);
  Probe.Key(XK_Shift_L, false);
  ASSERT_TRUE(PumpUntil([&] { return Grid->Focused(); }));
  EXPECT_EQ(2, CurrentSlot());
  Probe.TapKey(XK_Down);
  ASSERT_TRUE(PumpUntil([&] { return CurrentSlot() == 3; })) << "the list has the keys again";
}

}  // namespace
