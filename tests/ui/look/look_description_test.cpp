// The look controls read from a form description, as the wizard main
// form describes them: classes found by name, properties and references
// set through the property registry.
#include <gtest/gtest.h>

#include "look_fixture.h"
#include "platform/gui/reader.h"
#include "ui/look/TPlainProgressBarUnit.h"
#include "ui/look/WizardNotebook.h"

namespace {

const char* const Description = R"(object Wizard: TForm
  Caption = 'Laptopabgleich'
  object lblHeader: TLabel
    Left = 8
    Top = 4
  end
  object lblInfo: TLabel
    Left = 8
    Top = 20
  end
  object WizardNotebook1: TWizardNotebook
    Left = 0
    Top = 40
    Width = 700
    Height = 200
    btnNext = FlatButton_next
    btnBack = FlatButton_back
    lblHeader = lblHeader
    lblInfo = lblInfo
    HeaderCaption.Strings = ('Installationen' 'Ziel' 'Lauf')
    InfoCaption.Strings = ('Eintrag w'#228'hlen' 'Ziel pr'#252'fen' 'Abgleich starten')
    object TPage
      Caption = '0'
    end
    object TPage
      Caption = '2'
    end
    object TPage
      Caption = '3'
      object pgmain: TPlainProgressBar
        Left = 8
        Top = 8
        Width = 685
        Height = 29
        Smooth = True
        ColorElement = clNavy
      end
    end
  end
  object FlatButton_next: TPlainButton
    Left = 600
    Top = 250
    Width = 90
    Height = 25
    Caption = '&Weiter'
    Layout = blGlyphLeft
    TransparentMode = tmNotFocused
  end
  object FlatButton_back: TPlainButton
    Left = 500
    Top = 250
    Width = 90
    Height = 25
    Caption = '&Zur'#252'ck'
  end
end
)";

class LookDescriptionTest : public LookTest {
 protected:
  void SetUp() override {
    LookTest::SetUp();
    Form = new TForm(Application, 0);
    Form->AfterConstruction();
    ReadComponentFromText(Description, Form);
  }
  template <class T>
  T* Find(const String& Name) {
    return dynamic_cast<T*>(Form->FindComponent(Name));
  }
  TForm* Form = nullptr;
};

TEST_F(LookDescriptionTest, TheWizardIsWiredToItsButtonsAndLabels) {
  auto* Book = Find<TWizardNotebook>("WizardNotebook1");
  ASSERT_NE(Book, nullptr);
  EXPECT_EQ(Book->btnNext(), Find<TPlainButton>("FlatButton_next"));
  EXPECT_EQ(Book->PageCount(), 3);
  EXPECT_EQ(Book->HeaderCaption()->Strings(1), "Ziel");
  EXPECT_EQ(Find<TLabel>("lblInfo")->Caption(), "Eintrag wählen");
  EXPECT_FALSE(Find<TPlainButton>("FlatButton_back")->Visible());
  Find<TPlainButton>("FlatButton_next")->DoClick();
  EXPECT_EQ(Book->PageIndex(), 1);
  EXPECT_EQ(Find<TLabel>("lblHeader")->Caption(), "Ziel");
}

TEST_F(LookDescriptionTest, FlatPropertiesComeFromTheDescription) {
  auto* Bar = Find<TPlainProgressBar>("pgmain");
  ASSERT_NE(Bar, nullptr);
  EXPECT_TRUE(Bar->Smooth());
  EXPECT_EQ(Bar->ColorElement(), clNavy);
  EXPECT_EQ(Bar->Width(), 685);
  auto* Next = Find<TPlainButton>("FlatButton_next");
  EXPECT_EQ(Next->Layout(), blGlyphLeft);
  EXPECT_EQ(Next->TransparentMode(), tmNotFocused);
}

}  // namespace
