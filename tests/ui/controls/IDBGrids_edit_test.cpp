// The data grid's in-place editor: its style from the column, the pick
// list (opening, typing, accepting, cancelling) and the ellipsis button.
#include "data/memtable/mtMemTable.h"
#include "platform/gui/forms_fixture.h"
#include "platform/gui/grids_edit.h"
#include "ui/controls/IDBGrids.h"

namespace {

class GridEditorTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Form = NewPlainForm("Editor", Bounds(50, 50, 500, 300));
    Table = new TmtMemTable(Form);
    Table->FieldDefs().Add("Name", ftString, 40);
    Table->FieldDefs().Add("Ort", ftString, 40);
    Table->Open();
    for (const char* Name : {"Meier", "Müller"}) {
      Table->Append();
      Table->FieldByName("Name")->SetAsString(Name);
      Table->FieldByName("Ort")->SetAsString("Nord");
      Table->Post();
    }
    Table->First();
    auto* Source = new TDataSource(Form);
    Source->SetDataSet(Table);
    Grid = new TI_DBGrid(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(10, 10, 400, 200);
    Name = Grid->Columns()->Add();
    Name->SetFieldName("Name");
    Name->SetWidth(120);
    Ort = Grid->Columns()->Add();
    Ort->SetFieldName("Ort");
    Ort->SetWidth(120);
    for (const char* Item : {"Nord", "Süd", "West"}) Ort->PickList()->Add(Item);
    Grid->SetDataSource(Source);
    Form->Show();
    Pump();
  }
  // Makes data column DataCol of the first row current and opens the editor.
  TDBGridInplaceEdit* Edit(Integer DataCol) {
    TRect R = Grid->CellRect(Grid->IndicatorOffset() + DataCol, Grid->TitleOffset());
    TPoint P = Grid->ClientToScreen(Point(R.Left + 5, R.Top + 5));
    HeadlessClick(P.X, P.Y);
    Pump();
    HeadlessKey(VK_F2);
    Pump();
    return dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor());
  }
  void Key(Word K, Word Shift = 0) {
    HeadlessKey(K, Shift);
    Pump();
  }

  TForm* Form = nullptr;
  TmtMemTable* Table = nullptr;
  TI_DBGrid* Grid = nullptr;
  TColumn* Name = nullptr;
  TColumn* Ort = nullptr;
};

TEST_F(GridEditorTest, AColumnWithItemsEditsThroughAPickList) {
  TDBGridInplaceEdit* E = Edit(1);
  ASSERT_NE(nullptr, E);
  ASSERT_TRUE(E->Visible());
  EXPECT_EQ(esPickList, E->EditStyle());
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), E->ButtonRect().Width());
  Key(VK_DOWN, 2);  // Alt+Down
  ASSERT_TRUE(E->ListVisible());
  EXPECT_EQ(3, E->PickList()->Items()->Count());
  EXPECT_EQ(0, E->PickList()->ItemIndex()) << "the current text is selected";
  HeadlessType("W");
  Pump();
  EXPECT_EQ(2, E->PickList()->ItemIndex());
  Key(VK_RETURN);
  EXPECT_FALSE(E->ListVisible());
  EXPECT_EQ("West", Table->FieldByName("Ort")->AsString());
  EXPECT_EQ(dsEdit, Table->State());
  // Return again ends the edit; F2 brings the editor back and the list
  // opens on the screen once more.
  Key(VK_RETURN);
  Key(VK_F2);
  E = dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor());
  ASSERT_TRUE(E && E->Visible());
  Key(VK_DOWN, 2);
  ASSERT_TRUE(E->ListVisible());
  EXPECT_TRUE(IsWindowVisible(E->PickList()->Handle()));
  EXPECT_EQ(2, E->PickList()->ItemIndex());
}

TEST_F(GridEditorTest, EscapeClosesTheListAndKeepsTheValue) {
  TDBGridInplaceEdit* E = Edit(1);
  ASSERT_NE(nullptr, E);
  Key(VK_F4);
  ASSERT_TRUE(E->ListVisible());
  Key(VK_DOWN);
  Key(VK_ESCAPE);
  EXPECT_FALSE(E->ListVisible());
  EXPECT_EQ("Nord", Table->FieldByName("Ort")->AsString());
}

TEST_F(GridEditorTest, TypingSearchesAnewAfterAPauseOfTwoSeconds) {
  TDBGridInplaceEdit* E = Edit(1);
  ASSERT_NE(nullptr, E);
  E->DropDown();
  TPopupListbox* L = E->PickList();
  L->TypeChar(U'S');
  EXPECT_EQ(1, L->ItemIndex());
  Clock->Advance(500);
  L->TypeChar(U'W');
  EXPECT_EQ("SW", L->SearchText());
  EXPECT_EQ(1, L->ItemIndex()) << "no item starts with \"SW\"";
  Clock->Advance(2001);
  L->TypeChar(U'W');
  EXPECT_EQ("W", L->SearchText());
  EXPECT_EQ(2, L->ItemIndex());
  E->CloseUp(false);
}

TEST_F(GridEditorTest, AnEllipsisColumnRaisesOnEditButtonClick) {
  Name->SetButtonStyle(cbsEllipsis);
  Integer Clicks = 0;
  Grid->OnEditButtonClick = [&](TObject*) { ++Clicks; };
  TDBGridInplaceEdit* E = Edit(0);
  ASSERT_NE(nullptr, E);
  EXPECT_EQ(esEllipsis, E->EditStyle());
  Key(VK_RETURN, 4);  // Ctrl+Enter
  EXPECT_EQ(1, Clicks);
  TRect B = E->ButtonRect();
  TPoint P = E->ClientToScreen(Point(B.Left + 3, B.Top + 3));
  HeadlessClick(P.X, P.Y);
  Pump();
  EXPECT_EQ(2, Clicks);
}

TEST_F(GridEditorTest, AReadOnlyColumnWithItemsEditsNothing) {
  Ort->SetReadOnly(true);
  TDBGridInplaceEdit* E = Edit(1);
  EXPECT_TRUE(E == nullptr || !E->Visible()) << "a read-only column shows no editor";
  TDBGridInplaceEdit* N = Edit(0);
  ASSERT_NE(nullptr, N);
  EXPECT_EQ(esSimple, N->EditStyle());
  EXPECT_TRUE(N->ButtonRect().IsEmpty());
}

}  // namespace
