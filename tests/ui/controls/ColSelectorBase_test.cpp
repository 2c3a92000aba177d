// The column-selector hook: the grid's right click on a title finds the
// form class "TFColSelectFrm" by name, or says that it is missing.
#include "ui/controls/ColSelectorBase.h"

#include "data/memtable/mtMemTable.h"
#include "platform/gui/forms_fixture.h"
#include "platform/rtl/classreg.h"
#include "ui/controls/IDBGrids.h"

// A column selector an application might register: it prepares, counts
// and closes with OK as soon as it is shown.
class TTestColSelector : public TColSelectBase {
  RTL_DECLARE_CLASS(TTestColSelector)
 public:
  explicit TTestColSelector(TComponent* AOwner) : TColSelectBase(AOwner, 0) {
    OnShow = [this](TObject*) {
      SeenGrid = Grid();
      SeenText = CallerText();
      SetModalResult(mrOk);
    };
  }
  void Prepare() override { ++Prepared; }
  static inline Integer Prepared = 0;
  static inline TCustomGrid* SeenGrid = nullptr;
  static inline String SeenText;
};
RTL_IMPLEMENT_CLASS(TTestColSelector, TColSelectBase, &ComponentFactory<TTestColSelector>)

// A form of that name that is no column selector.
class TNotASelector : public TForm {
  RTL_DECLARE_CLASS(TNotASelector)
 public:
  using TForm::TForm;
};
RTL_IMPLEMENT_CLASS(TNotASelector, TForm, nullptr)

namespace {

class ColSelectorTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Form = NewPlainForm("Spalten", Bounds(50, 50, 400, 250));
    auto* Table = new TmtMemTable(Form);
    Table->FieldDefs().Add("Name", ftString, 40);
    Table->Open();
    auto* Source = new TDataSource(Form);
    Source->SetDataSet(Table);
    Grid = new TI_DBGrid(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(10, 10, 300, 150);
    Grid->Columns()->Add()->SetFieldName("Name");
    Grid->SetDataSource(Source);
    Grid->SetUseCustomizeDialog(true);
    Grid->OnAfterCustomizeDialog = [this](TObject*) { ++AfterDialog; };
    Form->Show();
    Pump();
  }
  void TearDown() override {
    UnRegisterClasses({TTestColSelector::StaticClass(), TNotASelector::StaticClass()});
    FormsTest::TearDown();
  }
  void RightClickTitle() {
    TRect R = Grid->CellRect(1, 0);
    TPoint P = Grid->ClientToScreen(Point(R.Left + 5, R.Top + 5));
    HeadlessClick(P.X, P.Y, 1);
    Pump();
  }

  TForm* Form = nullptr;
  TI_DBGrid* Grid = nullptr;
  Integer AfterDialog = 0;
};

TEST_F(ColSelectorTest, WithoutARegisteredClassARightClickOnATitleSaysSoAndChangesNothing) {
  Answers().AnswerWith(Application->Title(), mrOk, "Missing Class \"TFColSelectFrm\"");
  RightClickTitle();
  ASSERT_EQ(1u, Responder->Shown().size());
  EXPECT_EQ(1, Grid->Columns()->Count());
  EXPECT_EQ("Name", Grid->Columns()->Items(0)->FieldName());
  EXPECT_EQ(1, AfterDialog);
}

TEST_F(ColSelectorTest, ARegisteredSelectorIsShownModallyForTheGrid) {
  RegisterClassAlias(TTestColSelector::StaticClass(), "TFColSelectFrm");
  TTestColSelector::Prepared = 0;
  EXPECT_EQ(mrOk, ShowColSelectForm(Grid, "Auswahl", true));
  EXPECT_EQ(1, TTestColSelector::Prepared);
  EXPECT_EQ(Grid, TTestColSelector::SeenGrid);
  EXPECT_EQ("Auswahl", TTestColSelector::SeenText);
  EXPECT_EQ(mrOk, ShowColSelectForm(Grid, "", false));
  EXPECT_EQ(1, TTestColSelector::Prepared) << "Prepare only when asked";
}

TEST_F(ColSelectorTest, AClassOfThatNameThatIsNoSelectorCountsAsMissing) {
  RegisterClassAlias(TNotASelector::StaticClass(), "TFColSelectFrm");
  Answers().AnswerWith(Application->Title(), mrOk, "Missing Class");
  EXPECT_EQ(mrOk, ShowColSelectForm(Grid, "", false));
  EXPECT_EQ(1u, Responder->Shown().size());
}

}  // namespace
