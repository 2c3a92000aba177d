// The data grid on a real X server (Xvfb in CI), driven through the server
// (XTest) as a user would: a lookup column edited through its list writes
// the chosen record's key, and dragging a column's title border changes
// the display width of the column's field. The open lookup list is saved
// as a picture when EDIT_PNG_DIR is set. Skipped without a display (or XTest).
#include <X11/keysym.h>

#include "data/memtable/mtMemTable.h"
#include "platform/db/fieldkinds.h"
#include "platform/gui/x11_form_fixture.h"
#include "ui/controls/IDBGrids.h"

namespace {

class GridX11Test : public X11FormTest {
 protected:
  // Customers (Name, LandNr and the lookup field Land) over a list of
  // countries (ID, Land), in a grid of the columns Name and Land.
  void MakeScene() {
    Form = NewPlacedForm(150, 150, 420, 220);
    Countries = new TmtMemTable(Form);
    Countries->FieldDefs().Add("ID", ftInteger, 0);
    Countries->FieldDefs().Add("Land", ftString, 30);
    Countries->Open();
    for (auto [Id, Land] : {std::pair{1, "Deutschland"}, {2, "Österreich"}, {3, "Schweiz"}})
      Countries->AppendRecord({Variant(Id), Variant(Land)});
    Customers = new TmtMemTable(Form);
    AddField(new TStringField(Form), "Name", 30);
    AddField(new TIntegerField(Form), "LandNr", 0);
    auto* Land = new TStringField(Form);
    Land->SetFieldKind(fkLookup);
    Land->SetLookupDataSet(Countries);
    Land->SetKeyFields("LandNr");
    Land->SetLookupKeyFields("ID");
    Land->SetLookupResultField("Land");
    AddField(Land, "Land", 30);
    Customers->Open();
    Customers->AppendRecord({Variant("Meier"), Variant(1)});
    Customers->First();
    auto* Source = new TDataSource(Form);
    Source->SetDataSet(Customers);
    Grid = new TI_DBGrid(Form);
    Grid->SetBounds(10, 10, 400, 200);
    Grid->SetParent(Form);
    for (const char* Name : {"Name", "Land"}) {
      TColumn* C = Grid->Columns()->Add();
      C->SetFieldName(Name);
      C->SetWidth(150);
    }
    Grid->SetDataSource(Source);
    Form->Show();
  }
  void AddField(TField* F, const String& Name, Integer Size) {
    F->SetFieldName(Name);
    if (auto* S = dynamic_cast<TStringField*>(F)) S->SetSize(Size);
    F->SetDataSet(Customers);
  }
  // Where the user points at a cell of data column DataCol and grid row
  // Row: Dx pixels in from its left edge (or on its right border).
  TPoint CellPoint(Integer DataCol, Integer Row, Integer Dx = 10, bool OnBorder = false) {
    TRect R = Grid->CellRect(Grid->IndicatorOffset() + DataCol, Row);
    return Grid->ClientToScreen({OnBorder ? R.Right : R.Left + Dx, (R.Top + R.Bottom) / 2});
  }

  TForm* Form = nullptr;
  TmtMemTable* Countries = nullptr;
  TmtMemTable* Customers = nullptr;
  TI_DBGrid* Grid = nullptr;
};

TEST_F(GridX11Test, ALookupColumnWritesTheKeyAndDraggingATitleBorderSetsTheDisplayWidth) {
  MakeScene();
  ASSERT_TRUE(ShownOnServer(Form));
  TPoint Cell = CellPoint(1, Grid->TitleOffset());
  Probe.Click(Cell.X, Cell.Y);
  ASSERT_TRUE(PumpUntil([&] { return Grid->Focused() && Grid->SelectedIndex() == 1; }));
  Probe.TapKey(XK_F2);
  TDBGridInplaceEdit* E = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    E = dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor());
    return E && E->Visible() && E->HandleAllocated();
  }));
  ASSERT_EQ(E->EditStyle(), esDataList);
  TPoint Button = E->ClientToScreen({E->Width() - E->ButtonWidth() / 2, E->Height() / 2});
  Probe.Click(Button.X, Button.Y);
  ASSERT_TRUE(PumpUntil([&] { return E->ListVisible() && Probe.Viewable(X11WindowOfHandle(E->PickList()->Handle())); }));
  TPopupListbox* L = E->PickList();
  ASSERT_EQ(L->Items()->Count(), 3);
  EXPECT_EQ(L->ItemIndex(), 0) << "the current value is chosen";
  Settle();
  SaveShown(L->Handle(), "grid_lookup_list_x11.png");
  TPoint Row = L->ClientToScreen({20, L->ItemHeight() + L->ItemHeight() / 2});
  Probe.Click(Row.X, Row.Y);
  ASSERT_TRUE(PumpUntil([&] { return !E->ListVisible(); }));
  EXPECT_EQ(Customers->FieldByName("LandNr")->AsInteger(), 2);
  EXPECT_EQ(Customers->FieldByName("Land")->AsString(), "Österreich");
  EXPECT_EQ(E->Text(), "Österreich");

  // Dragging a column's title border sets its field's display width.
  TField* Name = Customers->FieldByName("Name");
  ASSERT_EQ(Name->DisplayWidth(), 30);
  TPoint Border = CellPoint(0, 0, 0, true);
  Probe.MoveMouse(Border.X, Border.Y);
  Probe.Button(1, true);
  Probe.MoveMouse(Border.X - 30, Border.Y);
  Probe.MoveMouse(Border.X - 60, Border.Y);
  Probe.Button(1, false);
  ASSERT_TRUE(PumpUntil([&] { return Grid->Columns()->Items(0)->Width() < 150; }));
  Integer Width = Grid->Columns()->Items(0)->Width();
  TBitmap Measure;
  Measure.Canvas()->SetFont(Grid->Columns()->Items(0)->Font());
  Integer Average = Measure.Canvas()->GetTextMetrics().tmAveCharWidth;
  EXPECT_EQ(Name->DisplayWidth(), (Width - 3 + Average / 2) / Average);
}

}  // namespace
