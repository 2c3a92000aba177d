#include "platform/rtl/typinfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/rtl/classes.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strings.h"

namespace {

RTL_ENUM(TTiAlign, alNone, alTop, alBottom, alLeft, alRight, alClient);
RTL_ENUM(TTiAnchorKind, akLeft, akTop, akRight, akBottom);
using TTiAnchors = TSet<TTiAnchorKind>;
RTL_ENUM(TTiFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut);
using TTiFontStyles = TSet<TTiFontStyle>;

RTL_DECLARE_EVENT(TTiRenameEvent, void(TObject* Sender, String& NewName));

// A sub-object in the manner of TFont.
class TTiFont : public TPersistent {
  RTL_DECLARE_CLASS(TTiFont)
 public:
  String Name = "MS Sans Serif";
  Integer Size = 8;
  TTiFontStyles Style;
  void Assign(TPersistent* Source) override {
    auto* F = dynamic_cast<TTiFont*>(Source);
    if (!F) return TPersistent::Assign(Source);
    Name = F->Name;
    Size = F->Size;
    Style = F->Style;
  }
};
RTL_IMPLEMENT_CLASS(TTiFont, TPersistent, nullptr)
RTL_PUBLISHED(TTiFont) {
  P.Field("Name", &TTiFont::Name);
  P.Field("Size", &TTiFont::Size).Default(8);
  P.Field("Style", &TTiFont::Style).Default(TTiFontStyles{});
}

// A control-like component with one property of every kind.
class TTiWidget : public TComponent {
  RTL_DECLARE_CLASS(TTiWidget)
 public:
  explicit TTiWidget(TComponent* AOwner) : TComponent(AOwner) {}
  Integer Width = 0;
  Int64 Big = 0;
  Byte Small = 0;
  char Accel = 'A';
  TTiAlign Align = alNone;
  TTiAnchors Anchors{akLeft, akTop};
  String Caption;
  bool Visible = true;
  double Ratio = 0;
  TDateTime Stamp = 0;
  Currency Price;
  Integer Color = Integer(0x8000000F);
  TTiWidget* Buddy = nullptr;
  TNotifyEvent OnClick;
  TTiRenameEvent OnRename;
  int SetCaptionCalls = 0;

  const String& GetCaption() const { return Caption; }
  void SetCaption(const String& Value) {
    Caption = Value;
    ++SetCaptionCalls;
  }
  TTiFont* Font() const { return FFont.get(); }
  TStrings* Items() const { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  void SetFont(TTiFont* Value) { FFont->Assign(Value); }
  Integer Handle() const { return 4711; }
  bool StoreRatio() const { return Ratio > 1; }

 private:
  std::unique_ptr<TTiFont> FFont = std::make_unique<TTiFont>();
  std::unique_ptr<TStringList> FItems = std::make_unique<TStringList>();
};
RTL_IMPLEMENT_CLASS(TTiWidget, TComponent, ComponentFactory<TTiWidget>)
RTL_PUBLISHED(TTiWidget) {
  P.Field("Width", &TTiWidget::Width);
  P.Field("Big", &TTiWidget::Big);
  P.Field("Small", &TTiWidget::Small);
  P.Field("Accel", &TTiWidget::Accel);
  P.Field("Align", &TTiWidget::Align).Default(alNone);
  P.Field("Anchors", &TTiWidget::Anchors).Default(TTiAnchors{akLeft, akTop});
  P.Prop("Caption", &TTiWidget::GetCaption, &TTiWidget::SetCaption);
  P.Field("Visible", &TTiWidget::Visible).Default(true);
  P.Field("Ratio", &TTiWidget::Ratio).Stored(&TTiWidget::StoreRatio);
  P.Field("Stamp", &TTiWidget::Stamp).TypeName("TDateTime");
  P.Field("Price", &TTiWidget::Price);
  P.Field("Color", &TTiWidget::Color).TypeName("TColor").Default(Integer(0x8000000F));
  P.Prop("Font", &TTiWidget::Font, &TTiWidget::SetFont);
  P.Prop("Items", &TTiWidget::Items, &TTiWidget::SetItems);
  P.Field("Buddy", &TTiWidget::Buddy);
  P.ReadOnly("Handle", &TTiWidget::Handle);
  P.Field("OnClick", &TTiWidget::OnClick);
  P.Field("OnRename", &TTiWidget::OnRename);
}

// A subclass that overrides one property's default and adds its own.
class TTiButton : public TTiWidget {
  RTL_DECLARE_CLASS(TTiButton)
 public:
  explicit TTiButton(TComponent* AOwner) : TTiWidget(AOwner) { Width = 75; }
  bool Default = false;
};
RTL_IMPLEMENT_CLASS(TTiButton, TTiWidget, ComponentFactory<TTiButton>)
RTL_PUBLISHED(TTiButton) {
  P.Field("Width", &TTiButton::Width).Default(75);
  P.Field("Default", &TTiButton::Default).Default(false);
}

// A form whose published handlers events are bound to by name.
class TTiForm : public TComponent {
  RTL_DECLARE_CLASS(TTiForm)
 public:
  explicit TTiForm(TComponent* AOwner) : TComponent(AOwner) {}
  std::vector<String> Log;
  void Button1Click(TObject* Sender) { Log.push_back("click " + NameOf(Sender)); }
  void EditRename(TObject*, String& NewName) { NewName += "!"; }
  void ResizeBy(int) {}
  static String NameOf(TObject* O) { return O ? static_cast<TComponent*>(O)->Name() : "nil"; }
};
RTL_IMPLEMENT_CLASS(TTiForm, TComponent, ComponentFactory<TTiForm>)
RTL_PUBLISHED(TTiForm) {
  P.Method("Button1Click", &TTiForm::Button1Click);
  P.Method("EditRename", &TTiForm::EditRename);
  P.Method("ResizeBy", &TTiForm::ResizeBy);
}

class TypInfoTest : public ::testing::Test {
 protected:
  TypInfoTest() {
    Form.SetName("Form1");
    Button->SetName("Button1");
    Other->SetName("Panel2");
  }
  void Set(TObject* O, const String& Path, const String& Value) { SetPropertyByPath(O, Path, Value); }
  String Get(TObject* O, const String& Path) { return GetPropertyByPath(O, Path); }
  std::vector<String> Names(TClass C) {
    std::vector<String> R;
    for (PPropInfo P : GetPropList(C)) R.push_back(P->Name);
    return R;
  }

  TTiForm Form{nullptr};
  TTiButton* Button = new TTiButton(&Form);
  TTiWidget* Other = new TTiWidget(&Form);
};

// ---- lookup and lists ---------------------------------------------

TEST_F(TypInfoTest, PropertiesAreFoundByNameIgnoringCase) {
  PPropInfo P = GetPropInfo(Button, "caption");
  ASSERT_NE(P, nullptr);
  EXPECT_EQ(P->Name, "Caption");
  EXPECT_EQ(P->Kind(), tkLString);
  EXPECT_TRUE(IsPublishedProp(Button, "TAG"));
  EXPECT_FALSE(IsPublishedProp(Button, "Nonsense"));
  EXPECT_EQ(GetPropInfo(TTiButton::StaticClass(), "Nonsense"), nullptr);
}

TEST_F(TypInfoTest, ListRunsParentsFirstAndOverridesKeepTheirPlace) {
  std::vector<String> L = Names(TTiButton::StaticClass());
  ASSERT_GE(L.size(), 5u);
  EXPECT_EQ(L[0], "Name");
  EXPECT_EQ(L[1], "Tag");
  EXPECT_EQ(L[2], "Width");
  EXPECT_EQ(L.back(), "Default");
  EXPECT_EQ(std::count(L.begin(), L.end(), "Width"), 1);
  EXPECT_EQ(GetPropInfo(Button, "Width")->Owner, TTiButton::StaticClass());
  EXPECT_EQ(GetPropInfo(Other, "Width")->Owner, TTiWidget::StaticClass());
}

TEST_F(TypInfoTest, KindsFollowTheValueTypes) {
  EXPECT_TRUE(PropIsType(Button, "Width", tkInteger));
  EXPECT_TRUE(PropIsType(Button, "Big", tkInt64));
  EXPECT_TRUE(PropIsType(Button, "Accel", tkChar));
  EXPECT_TRUE(PropIsType(Button, "Align", tkEnumeration));
  EXPECT_TRUE(PropIsType(Button, "Visible", tkEnumeration));
  EXPECT_TRUE(PropIsType(Button, "Anchors", tkSet));
  EXPECT_TRUE(PropIsType(Button, "Ratio", tkFloat));
  EXPECT_TRUE(PropIsType(Button, "Font", tkClass));
  EXPECT_TRUE(PropIsType(Button, "OnClick", tkMethod));
  EXPECT_EQ(GetPropInfo(Button, "Visible")->PropType->Name, "Boolean");
  EXPECT_EQ(GetPropInfo(Button, "Stamp")->PropType->Name, "TDateTime");
  EXPECT_EQ(GetPropInfo(Button, "Color")->PropType->Name, "TColor");
  EXPECT_EQ(GetPropInfo(Button, "Font")->PropType->ClassType, TTiFont::StaticClass());
}

TEST_F(TypInfoTest, UnknownPropertyRaisesGermanMessage) {
  try {
    SetPropValue(Button, "Nonsense", "1");
    FAIL();
  } catch (const EPropertyError& E) {
    EXPECT_EQ(E.Message(), "Eigenschaft Nonsense existiert nicht");
  }
  EXPECT_THROW(PropType(Button, "Nonsense"), EPropertyError);
}

// ---- values by kind ---------------------------------------------------

TEST_F(TypInfoTest, IntegersTakeDecimalAndHexText) {
  Set(Button, "Width", "120");
  EXPECT_EQ(Button->Width, 120);
  Set(Button, "Width", "$10");
  EXPECT_EQ(GetOrdProp(Button, "Width"), 16);
  Set(Button, "Big", "-9000000000");
  EXPECT_EQ(Button->Big, -9000000000LL);
  EXPECT_EQ(Get(Button, "Big"), "-9000000000");
  EXPECT_THROW(Set(Button, "Width", "12a"), EPropertyConvertError);
  EXPECT_THROW(Set(Button, "Small", "256"), EPropertyConvertError);
  Set(Button, "Small", "255");
  EXPECT_EQ(Button->Small, 255);
}

TEST_F(TypInfoTest, BadIntegerTextNamesTheValue) {
  try {
    Set(Button, "Width", "abc");
    FAIL();
  } catch (const EPropertyConvertError& E) {
    EXPECT_EQ(E.Message(), "'abc' ist kein gültiger Integerwert");
  }
}

TEST_F(TypInfoTest, CharsTakeTheCharacterOrItsCode) {
  Set(Button, "Accel", "x");
  EXPECT_EQ(Button->Accel, 'x');
  Set(Button, "Accel", "#66");
  EXPECT_EQ(Button->Accel, 'B');
  Button->Accel = '\t';
  EXPECT_EQ(Get(Button, "Accel"), "#9");
  EXPECT_THROW(Set(Button, "Accel", "xy"), EPropertyConvertError);
}

TEST_F(TypInfoTest, EnumerationsUseTheirNames) {
  Set(Button, "Align", "alClient");
  EXPECT_EQ(Button->Align, alClient);
  Set(Button, "Align", "alleft");
  EXPECT_EQ(GetEnumProp(Button, "Align"), "alLeft");
  EXPECT_THROW(Set(Button, "Align", "alMiddle"), EPropertyConvertError);
  PTypeInfo T = TypeInfo<TTiAlign>();
  EXPECT_EQ(GetEnumName(T, 3), "alLeft");
  EXPECT_EQ(GetEnumValue(T, "ALRIGHT"), 4);
  EXPECT_EQ(GetEnumValue(T, "alMiddle"), -1);
  EXPECT_EQ(GetEnumName(T, 99), "");
}

TEST_F(TypInfoTest, BooleansAreTrueAndFalse) {
  Set(Button, "Visible", "False");
  EXPECT_FALSE(Button->Visible);
  EXPECT_EQ(Get(Button, "Visible"), "False");
  Set(Button, "Visible", "true");
  EXPECT_TRUE(Button->Visible);
  EXPECT_THROW(Set(Button, "Visible", "yes"), EPropertyConvertError);
}

TEST_F(TypInfoTest, SetsUseBracketedNameLists) {
  EXPECT_EQ(Get(Button, "Anchors"), "[akLeft,akTop]");
  Set(Button, "Anchors", "[akRight, akBottom]");
  EXPECT_EQ(Button->Anchors, (TTiAnchors{akRight, akBottom}));
  Set(Button, "Anchors", "[]");
  EXPECT_TRUE(Button->Anchors.Empty());
  Set(Button, "Anchors", "akTop");
  EXPECT_EQ(GetSetProp(Button, "Anchors", false), "akTop");
  try {
    Set(Button, "Anchors", "[akLeft,akMiddle]");
    FAIL();
  } catch (const EPropertyConvertError& E) {
    EXPECT_EQ(E.Message(), "Ungültiges Eigenschaftselement: akMiddle");
  }
}

TEST_F(TypInfoTest, FloatsAcceptPointOrComma) {
  Set(Button, "Ratio", "1.25");
  EXPECT_DOUBLE_EQ(Button->Ratio, 1.25);
  Set(Button, "Ratio", "2,5");
  EXPECT_DOUBLE_EQ(GetFloatProp(Button, "Ratio"), 2.5);
  EXPECT_EQ(Get(Button, "Ratio"), "2.5");
  Set(Button, "Stamp", "45000.5");
  EXPECT_DOUBLE_EQ(Button->Stamp, 45000.5);
  EXPECT_THROW(Set(Button, "Ratio", "1.2.3"), EPropertyConvertError);
}

TEST_F(TypInfoTest, CurrencyIsAFloatOfItsOwnType) {
  EXPECT_EQ(GetPropInfo(Button, "Price")->PropType->Name, "Currency");
  Set(Button, "Price", "12,3456");
  EXPECT_EQ(Button->Price.Value, 123456);
  EXPECT_EQ(Get(Button, "Price"), "12.3456");
}

TEST_F(TypInfoTest, StringsGoThroughTheSetter) {
  Set(Button, "Caption", "&OK");
  EXPECT_EQ(Button->Caption, "&OK");
  EXPECT_EQ(Button->SetCaptionCalls, 1);
  SetStrProp(Button, "Caption", "Abbrechen");
  EXPECT_EQ(GetStrProp(Button, "Caption"), "Abbrechen");
  EXPECT_THROW(GetStrProp(Button, "Width"), EPropertyError);
}

TEST_F(TypInfoTest, ColoursTakeNamesAndHex) {
  EXPECT_EQ(Get(Button, "Color"), "clBtnFace");
  Set(Button, "Color", "clwhite");
  EXPECT_EQ(Button->Color, 0xFFFFFF);
  Set(Button, "Color", "$00FF8080");
  EXPECT_EQ(Button->Color, 0xFF8080);
  EXPECT_EQ(Get(Button, "Color"), "$00FF8080");
  Set(Button, "Color", "$8000000F");
  EXPECT_EQ(Get(Button, "Color"), "clBtnFace");
  Set(Button, "Color", "clNone");
  EXPECT_EQ(Button->Color, 0x1FFFFFFF);
}

TEST_F(TypInfoTest, IntegerConstantsArePluggablePerType) {
  RegisterIntegerConsts(
      "TColor",
      [](const String& S, Int64& V) {
        if (S != "clGold") return IdentToColor(S, V);
        V = 0x79E1FF;
        return true;
      },
      &ColorToIdent, true);
  Set(Button, "Color", "clGold");
  EXPECT_EQ(Button->Color, 0x79E1FF);
  RegisterIntegerConsts("TColor", &IdentToColor, &ColorToIdent, true);
  EXPECT_THROW(Set(Button, "Color", "clGold"), EPropertyConvertError);
}

TEST_F(TypInfoTest, ReadOnlyPropertiesRefuseWrites) {
  EXPECT_EQ(GetOrdProp(Button, "Handle"), 4711);
  EXPECT_TRUE(GetPropInfo(Button, "Handle")->IsReadOnly());
  EXPECT_THROW(SetOrdProp(Button, "Handle", 1), EPropertyError);
}

// ---- sub-objects and paths ----------------------------------------

TEST_F(TypInfoTest, DottedPathsReachSubObjects) {
  Set(Button, "Font.Name", "Tahoma");
  Set(Button, "font.size", "10");
  Set(Button, "Font.Style", "[fsBold]");
  EXPECT_EQ(Button->Font()->Name, "Tahoma");
  EXPECT_EQ(Button->Font()->Size, 10);
  EXPECT_TRUE(Button->Font()->Style.Contains(fsBold));
  EXPECT_EQ(Get(Button, "Font.Name"), "Tahoma");
}

TEST_F(TypInfoTest, PathThroughANonObjectFails) {
  EXPECT_THROW(Set(Button, "Width.Name", "x"), EPropertyError);
  EXPECT_THROW(Set(Button, "Buddy.Caption", "x"), EPropertyError);
  EXPECT_THROW(Set(Button, "Font.Nonsense", "x"), EPropertyError);
}

TEST_F(TypInfoTest, ObjectPropertySetterDecidesOwnership) {
  TTiFont F;
  F.Name = "Verdana";
  SetObjectProp(Button, "Font", &F);
  EXPECT_EQ(Button->Font()->Name, "Verdana");
  EXPECT_NE(GetObjectProp(Button, "Font"), &F);
  EXPECT_EQ(GetObjectProp(Button, "Font", TComponent::StaticClass()), nullptr);
  EXPECT_THROW(SetObjectProp(Button, "Font", Other), EPropertyConvertError);
}

TEST_F(TypInfoTest, ComponentReferencesResolveByNameInTheOwnerChain) {
  Set(Button, "Buddy", "Panel2");
  EXPECT_EQ(Button->Buddy, Other);
  EXPECT_EQ(Get(Button, "Buddy"), "Panel2");
  Set(Button, "Buddy", "Form1.Button1");
  EXPECT_EQ(Button->Buddy, Button);
  Set(Button, "Buddy", "");
  EXPECT_EQ(Button->Buddy, nullptr);
  EXPECT_THROW(Set(Button, "Buddy", "Missing"), EPropertyConvertError);
}

TEST_F(TypInfoTest, ObjectTextAdaptersServeNonComponentClasses) {
  EXPECT_THROW(Set(Button, "Font", "Arial"), EPropertyConvertError);
  RegisterObjectTextAdapter(
      TTiFont::StaticClass(), [](TObject* O) { return static_cast<TTiFont*>(O)->Name; },
      [](TObject* O, const String& S) { static_cast<TTiFont*>(O)->Name = S; });
  struct Unregister {
    ~Unregister() { UnregisterObjectTextAdapter(TTiFont::StaticClass()); }
  } Guard;
  Set(Button, "Font", "Arial");
  EXPECT_EQ(Button->Font()->Name, "Arial");
  EXPECT_EQ(Get(Button, "Font"), "Arial");
}

TEST_F(TypInfoTest, StringListsTakeTheirWholeText) {
  EXPECT_TRUE(PropIsType(Button, "Items", tkClass));
  Set(Button, "Items", "Ja\r\nNein");
  ASSERT_EQ(Button->Items()->Count(), 2);
  EXPECT_EQ(Button->Items()->Strings(1), "Nein");
  EXPECT_EQ(Get(Button, "Items"), "Ja\r\nNein\r\n");
}

// ---- defaults and stored ------------------------------------------------

TEST_F(TypInfoTest, DefaultsTellWhatNeedNotBeWritten) {
  EXPECT_TRUE(IsDefaultPropValue(Button, GetPropInfo(Button, "Width")));  // 75
  EXPECT_FALSE(IsDefaultPropValue(Other, GetPropInfo(Other, "Width")));   // no default
  EXPECT_TRUE(IsDefaultPropValue(Button, GetPropInfo(Button, "Anchors")));
  EXPECT_TRUE(IsDefaultPropValue(Button, GetPropInfo(Button, "Caption")));
  EXPECT_TRUE(IsDefaultPropValue(Button, GetPropInfo(Button, "OnClick")));
  Set(Button, "Anchors", "[akLeft]");
  Set(Button, "Caption", "x");
  EXPECT_FALSE(IsDefaultPropValue(Button, GetPropInfo(Button, "Anchors")));
  EXPECT_FALSE(IsDefaultPropValue(Button, GetPropInfo(Button, "Caption")));
}

TEST_F(TypInfoTest, StoredFlagsAndPredicates) {
  EXPECT_FALSE(IsStoredProp(Button, GetPropInfo(Button, "Name")));
  EXPECT_TRUE(IsStoredProp(Button, GetPropInfo(Button, "Caption")));
  PPropInfo Ratio = GetPropInfo(Button, "Ratio");
  EXPECT_FALSE(IsStoredProp(Button, Ratio));
  Button->Ratio = 3;
  EXPECT_TRUE(IsStoredProp(Button, Ratio));
}

// ---- events bound by method name ----------------------------------------

TEST_F(TypInfoTest, EventBindsToThePublishedMethodOfTheRoot) {
  SetPropValue(Button, "OnClick", "Button1Click", &Form);
  ASSERT_TRUE(Assigned(Button->OnClick));
  Button->OnClick(Button);
  ASSERT_EQ(Form.Log.size(), 1u);
  EXPECT_EQ(Form.Log[0], "click Button1");
  EXPECT_EQ(Get(Button, "OnClick"), "Button1Click");
  TMethod M = GetMethodProp(Button, "OnClick");
  EXPECT_EQ(M.Data, &Form);
  EXPECT_TRUE(M.IsAssigned);
}

TEST_F(TypInfoTest, EventWithoutRootSearchesTheOwnerChain) {
  SetPropValue(Button, "OnRename", "EditRename");
  String S = "abc";
  Button->OnRename(Button, S);
  EXPECT_EQ(S, "abc!");
}

TEST_F(TypInfoTest, MissingMethodIsReported) {
  try {
    SetPropValue(Button, "OnClick", "NoSuchHandler", &Form);
    FAIL();
  } catch (const EPropertyError& E) {
    EXPECT_EQ(E.Message(), "Methode NoSuchHandler nicht gefunden");
  }
  EXPECT_FALSE(Assigned(Button->OnClick));
}

TEST_F(TypInfoTest, MethodOfAnotherSignatureIsRefused) {
  try {
    SetPropValue(Button, "OnClick", "ResizeBy", &Form);
    FAIL();
  } catch (const EPropertyError& E) {
    EXPECT_EQ(E.Message(), "Methode ResizeBy passt nicht zum Ereignis OnClick");
  }
  EXPECT_THROW(SetPropValue(Button, "OnRename", "Button1Click", &Form), EPropertyError);
}

TEST_F(TypInfoTest, EventsSetInCodeAreAssignedButNameless) {
  Button->OnClick = [](TObject*) {};
  TMethod M = GetMethodProp(Button, "OnClick");
  EXPECT_TRUE(M.IsAssigned);
  EXPECT_EQ(M.Name, "");
  SetMethodProp(Button, "OnClick", TMethod());
  EXPECT_FALSE(Assigned(Button->OnClick));
}

TEST_F(TypInfoTest, MethodAddressCallsAPublishedMethodByName) {
  auto Fn = MethodAddress<void(TObject*)>(&Form, "button1click");
  ASSERT_TRUE(Fn);
  Fn(nullptr);
  EXPECT_EQ(Form.Log.back(), "click nil");
  EXPECT_FALSE(MethodAddress<void(TObject*)>(&Form, "Nothing"));
  EXPECT_THROW(MethodAddress<void(TObject*)>(&Form, "ResizeBy"), EPropertyError);
  EXPECT_EQ(GetMethodList(TTiForm::StaticClass()).size(), 3u);
}

}  // namespace
