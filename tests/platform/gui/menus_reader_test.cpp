// Menus, grids and trees read from a form description: classes found by
// name, published properties set, menu items hung under their parents.
#include <gtest/gtest.h>

#include "platform/gui/backend.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/grids_draw.h"
#include "platform/gui/menus.h"
#include "platform/gui/reader.h"

namespace {

const char* const Description = R"(object Root: TWinControl
  object Popup: TPopupMenu
    AutoPopup = False
    OwnerDraw = True
    object ItemNew: TMenuItem
      Caption = '&Neu'
      ShortCut = 16462
    end
    object ItemMore: TMenuItem
      Caption = 'Mehr'
      object ItemSub: TMenuItem
        Caption = 'Unterpunkt'
        Checked = True
      end
    end
  end
  object Grid: TStringGrid
    ColCount = 7
    FixedRows = 2
    DefaultColWidth = 50
    Options = [goFixedVertLine, goVertLine, goEditing, goTabs]
    ScrollBars = ssVertical
  end
  object Tree: TTreeView
    ShowRoot = False
    SortType = stText
    Indent = 25
  end
end
)";

class DescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetGuiDriver(NewHeadlessDriver());
    ReadComponentFromText(Description, Root.get());
  }
  template <class T>
  T* Find(const String& Name) {
    return dynamic_cast<T*>(Root->FindComponent(Name));
  }
  // A windowed root: the controls read take it as their parent.
  std::unique_ptr<TWinControl> Root = std::make_unique<TWinControl>(nullptr);
};

TEST_F(DescriptionTest, MenuItemsHangUnderTheirMenuAndParentItem) {
  auto* Popup = Find<TPopupMenu>("Popup");
  ASSERT_NE(Popup, nullptr);
  EXPECT_FALSE(Popup->AutoPopup());
  EXPECT_TRUE(Popup->OwnerDraw());
  ASSERT_EQ(Popup->Items()->Count(), 2);
  EXPECT_EQ(Popup->Items()->Items(0), Find<TMenuItem>("ItemNew"));
  EXPECT_EQ(Popup->Items()->Items(0)->ShortCut(), ShortCut('N', TShiftState{ssCtrl}));
  TMenuItem* Sub = Find<TMenuItem>("ItemSub");
  ASSERT_NE(Sub, nullptr);
  EXPECT_EQ(Sub->Parent(), Find<TMenuItem>("ItemMore"));
  EXPECT_TRUE(Sub->Checked());
}

TEST_F(DescriptionTest, GridPropertiesAreRead) {
  auto* Grid = Find<TStringGrid>("Grid");
  ASSERT_NE(Grid, nullptr);
  EXPECT_EQ(Grid->ColCount(), 7);
  EXPECT_EQ(Grid->FixedRows(), 2);
  EXPECT_EQ(Grid->ColWidths(6), 50);
  EXPECT_TRUE(Grid->Options().Contains(goTabs));
  EXPECT_FALSE(Grid->Options().Contains(goHorzLine));
  EXPECT_EQ(Grid->ScrollBars(), ssVertical);
}

TEST_F(DescriptionTest, TreePropertiesAreRead) {
  auto* Tree = Find<TTreeView>("Tree");
  ASSERT_NE(Tree, nullptr);
  EXPECT_FALSE(Tree->ShowRoot());
  EXPECT_EQ(Tree->SortType(), stText);
  EXPECT_EQ(Tree->Indent(), 25);
}

}  // namespace
