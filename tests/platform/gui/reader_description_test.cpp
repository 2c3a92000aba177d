// Form descriptions: parsing the text form and reading it into a form with
// nested components, a collection, a string list, dotted font properties,
// component references and event bindings.
#include "forms_fixture.h"
#include "platform/gui/reader.h"
#include "platform/gui/resources.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/collection.h"

// ---- Classes the descriptions use ----------------------------------------------------------

class TRdPanel : public TCustomControl {
  RTL_DECLARE_CLASS(TRdPanel)
 public:
  explicit TRdPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  }
  std::vector<String> LoadedLog;  // which state Loaded saw
  void Loaded() override {
    LoadedLog.push_back(ComponentState().Contains(csReading) ? "reading" : "loaded");
    TCustomControl::Loaded();
  }
};

class TRdColumn : public TCollectionItem {
  RTL_DECLARE_CLASS(TRdColumn)
 public:
  using TCollectionItem::TCollectionItem;
  String Title;
  Integer Width = 64;
};

class TRdStore : public TComponent {
  RTL_DECLARE_CLASS(TRdStore)
 public:
  explicit TRdStore(TComponent* AOwner)
      : TComponent(AOwner), Columns(std::make_unique<TCollection>(TRdColumn::StaticClass())),
        Lines(std::make_unique<TStringList>()), Glyph(std::make_unique<TBitmap>()) {}
  TCollection* GetColumns() const { return Columns.get(); }
  TStrings* GetLines() const { return Lines.get(); }
  void SetLines(TStrings* V) { Lines->Assign(V); }
  std::unique_ptr<TCollection> Columns;
  std::unique_ptr<TStringList> Lines;
  std::unique_ptr<TBitmap> Glyph;
  TBitmap* GetGlyph() const { return Glyph.get(); }
  void SetGlyph(TBitmap* V) { Glyph->Assign(V); }
  double Ratio = 0;
  TControl* Buddy = nullptr;
  String Blob;
  TAnchors Sides;
  TNotifyEvent OnChange;
};

class TReaderForm : public TForm {
  RTL_DECLARE_CLASS(TReaderForm)
 public:
  using TForm::TForm;
  void FormCreate(TObject*) { Log.push_back("FormCreate"); }
  void Button1Click(TObject*) { Log.push_back("Button1Click"); }
  void StoreChange(TObject*) { Log.push_back("StoreChange"); }
  std::vector<String> Log;
  TRdStore* Store = nullptr;  // a form field, bound by name
  TRdPanel* Panel1 = nullptr;
};

RTL_IMPLEMENT_CLASS(TRdPanel, TCustomControl, &ComponentFactory<TRdPanel>)
RTL_IMPLEMENT_CLASS(TRdColumn, TCollectionItem, &CollectionItemFactory<TRdColumn>)
RTL_IMPLEMENT_CLASS(TRdStore, TComponent, &ComponentFactory<TRdStore>)
RTL_IMPLEMENT_CLASS(TReaderForm, TForm, &FormFactory<TReaderForm>)

RTL_PUBLISHED(TRdColumn) {
  P.Field("Title", &TRdColumn::Title);
  P.Field("Width", &TRdColumn::Width);
}
RTL_PUBLISHED(TRdStore) {
  P.ReadOnly("Columns", &TRdStore::GetColumns);
  P.Prop("Lines", &TRdStore::GetLines, &TRdStore::SetLines);
  P.Prop("Glyph", &TRdStore::GetGlyph, &TRdStore::SetGlyph);
  P.Field("Ratio", &TRdStore::Ratio);
  P.Field("Buddy", &TRdStore::Buddy);
  P.Field("Blob", &TRdStore::Blob);
  P.Field("Sides", &TRdStore::Sides);
  P.Field("OnChange", &TRdStore::OnChange);
}
RTL_PUBLISHED(TReaderForm) {
  P.Field("Store", &TReaderForm::Store);
  P.Field("Panel1", &TReaderForm::Panel1);
  P.Method("FormCreate", &TReaderForm::FormCreate);
  P.Method("Button1Click", &TReaderForm::Button1Click);
  P.Method("StoreChange", &TReaderForm::StoreChange);
}

namespace {
[[maybe_unused]] const bool Registered = (RegisterClasses({TRdPanel::StaticClass(), TRdStore::StaticClass(),
                                                          TReaderForm::StaticClass()}),
                                          true);

const char* const Description = R"(object ReaderForm: TReaderForm
  Left = 120
  Top = 80
  Caption = 'Pr'#252'fung '#8364' ''eins'''
  ClientWidth = 400
  ClientHeight = 300
  Font.Name = 'Tahoma'
  Font.Height = -11
  KeyPreview = True
  BorderIcons = [biSystemMenu, biMaximize]
  Position = poDesigned
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Panel1: TRdPanel
    Left = 0
    Top = 0
    Width = 400
    Height = 40
    Align = alTop
    Color = clWhite
    object Box: TRdPanel
      Left = 8
      Top = 4
      Width = 120
      Height = 30
      Caption = 'Eins' +
        ' zwei'
      OnClick = Button1Click
    end
  end
  object Store: TRdStore
    Ratio = 1.5
    Sides = [akLeft, akRight]
    Lines.Strings = (
      'erste'
      'zweite Zeile')
    Columns = <
      item
        Title = 'ID'
        Width = 20
      end
      item
        Title = 'Beschreibung'
        Width = 202
      end>
    Buddy = Box
    Blob = {41420043}
    OnChange = StoreChange
  end
end
)";

class ReaderTest : public FormsTest {
 protected:
  TReaderForm* ReadForm(const char* Text = Description) {
    RegisterResource("TReaderForm", RT_RCDATA, String(Text));
    TReaderForm* F = nullptr;
    Application->CreateForm(F);
    return F;
  }
  void TearDown() override {
    UnregisterResource("TReaderForm", RT_RCDATA);
    FormsTest::TearDown();
  }
  template <class T>
  T* Find(TComponent* Root, const String& Name) {
    return dynamic_cast<T*>(Root->FindComponent(Name));
  }
};

TEST_F(ReaderTest, ParsesObjectsPropertiesAndValueKinds) {
  TDfmObject O = ParseFormDescription(Description);
  EXPECT_EQ(O.Name, "ReaderForm");
  EXPECT_EQ(O.ClassName, "TReaderForm");
  ASSERT_EQ(O.Children.size(), 2u);
  EXPECT_EQ(O.Children[0].Children.at(0).Name, "Box");
  const TDfmProperty& Caption = O.Properties.at(2);
  EXPECT_EQ(Caption.Value.Kind, TDfmValueKind::String);
  EXPECT_EQ(Caption.Value.Text, "Prüfung € 'eins'");
  const TDfmObject& Store = O.Children[1];
  EXPECT_EQ(Store.Properties[0].Value.Kind, TDfmValueKind::Float);
  EXPECT_EQ(Store.Properties[1].Value.Names, std::vector<String>({"akLeft", "akRight"}));
  EXPECT_EQ(Store.Properties[2].Value.Items.size(), 2u);
  EXPECT_EQ(Store.Properties[3].Value.CollectionItems.size(), 2u);
  EXPECT_EQ(Store.Properties[5].Value.Bytes, std::vector<Byte>({0x41, 0x42, 0x00, 0x43}));
}

TEST_F(ReaderTest, ContinuedStringsAndNegativeAndHexNumbers) {
  TDfmObject O = ParseFormDescription("object A: TForm\n  Caption = 'a' +\n  'b'#13#10'c'\n  Tag = -5\n  Color = $00FF8080\nend");
  EXPECT_EQ(O.Properties[0].Value.Text, "ab\r\nc");
  EXPECT_EQ(O.Properties[1].Value.Int, -5);
  EXPECT_EQ(O.Properties[2].Value.Int, 0xFF8080);
}

TEST_F(ReaderTest, SyntaxErrorsTellTheLine) {
  try {
    ParseFormDescription("object A: TForm\n  Caption = 'offen\nend");
    FAIL() << "no error";
  } catch (const EParserError& E) {
    EXPECT_NE(E.Message().find("Zeile 2"), String::npos) << E.Message();
  }
  EXPECT_THROW(ParseFormDescription("object A: TForm\n  Left = 1\n"), EParserError);
  EXPECT_THROW(ParseFormDescription("object A: TForm\n  Data = {ABC}\nend"), EParserError);
}

TEST_F(ReaderTest, DeepNestingAndOverlongNumbersAreSyntaxErrors) {
  std::string Deep = "object A: TForm\n  Items = " + std::string(100000, '(') + "\nend";
  EXPECT_THROW(ParseFormDescription(Deep), EParserError);
  std::string Objects;
  for (int I = 0; I < 5000; ++I) Objects += "object B: TPanel\n";
  EXPECT_THROW(ParseFormDescription(Objects), EParserError);
  EXPECT_THROW(ParseFormDescription("object A: TForm\n  Tag = $1FFFFFFFFFFFFFFFF\nend"), EParserError);
  EXPECT_THROW(ParseFormDescription("object A: TForm\n  Caption = #99999999999\nend"), EParserError);
  TDfmObject O = ParseFormDescription("object A: TForm\n  Tag = $7FFFFFFFFFFFFFFF\n  L = ((((1))))\nend");
  EXPECT_EQ(INT64_MAX, O.Properties[0].Value.Int);
}

TEST_F(ReaderTest, FormPropertiesAreReadIncludingDottedFontProperties) {
  TReaderForm* F = ReadForm();
  EXPECT_EQ(F->Name(), "ReaderForm");
  EXPECT_EQ(F->Caption(), "Prüfung € 'eins'");
  EXPECT_EQ(F->Left(), 120);
  EXPECT_EQ(F->ClientWidth(), 400);
  EXPECT_EQ(F->Font()->Name(), "Tahoma");
  EXPECT_EQ(F->Font()->Height(), -11);
  EXPECT_TRUE(F->KeyPreview());
  EXPECT_EQ(F->BorderIcons(), TBorderIcons({biSystemMenu, biMaximize}));
}

TEST_F(ReaderTest, NestedControlsAreOwnedByTheFormAndParentedByTheirEnclosingControl) {
  TReaderForm* F = ReadForm();
  auto* Panel = Find<TRdPanel>(F, "Panel1");
  auto* Box = Find<TRdPanel>(F, "Box");
  ASSERT_NE(Panel, nullptr);
  ASSERT_NE(Box, nullptr);
  EXPECT_EQ(Panel->Parent(), F);
  EXPECT_EQ(Box->Parent(), Panel);
  EXPECT_EQ(Box->Owner(), F);
  EXPECT_EQ(Box->Caption(), "Eins zwei");
  EXPECT_EQ(Panel->Color(), clWhite);
  EXPECT_EQ(Panel->Align(), alTop);
}

TEST_F(ReaderTest, CollectionStringListFloatsSetsAndBinaryData) {
  TReaderForm* F = ReadForm();
  auto* Store = Find<TRdStore>(F, "Store");
  ASSERT_NE(Store, nullptr);
  EXPECT_DOUBLE_EQ(Store->Ratio, 1.5);
  EXPECT_EQ(Store->Sides, TAnchors({akLeft, akRight}));
  ASSERT_EQ(Store->Lines->Count(), 2);
  EXPECT_EQ(Store->Lines->Strings(1), "zweite Zeile");
  ASSERT_EQ(Store->Columns->Count(), 2);
  auto* Col = static_cast<TRdColumn*>(Store->Columns->Items(1));
  EXPECT_EQ(Col->Title, "Beschreibung");
  EXPECT_EQ(Col->Width, 202);
  EXPECT_EQ(Store->Blob, String("AB\0C", 4));
}

// The text form of a bitmap's data: its length, then its BMP stream, in hex.
String BitmapDataText(TBitmap& B) {
  TMemoryStream S;
  B.SaveToStream(&S);
  String Hex;
  auto AddByte = [&](unsigned V) {
    static const char* Digits = "0123456789ABCDEF";
    Hex += Digits[(V >> 4) & 15];
    Hex += Digits[V & 15];
  };
  Int64 Size = S.Size();
  for (int I = 0; I < 4; ++I) AddByte(unsigned(Size >> (8 * I)) & 0xFF);
  const Byte* Data = static_cast<const Byte*>(S.Memory());
  for (Int64 I = 0; I < Size; ++I) AddByte(Data[I]);
  return Hex;
}

TEST_F(ReaderTest, BinaryDataOfABitmapIsReadThroughItsDefinedProperty) {
  TBitmap Source;
  Source.SetPixelFormat(pf24bit);
  Source.SetSize(3, 2);
  Source.Canvas()->Brush()->SetColor(clRed);
  Source.Canvas()->FillRect(Rect(0, 0, 3, 2));
  String Text = "object ReaderForm: TReaderForm\n  object S: TRdStore\n    Glyph.Data = {" + BitmapDataText(Source) +
                "}\n  end\nend";
  TReaderForm* F = ReadForm(Text.c_str());
  TBitmap* Glyph = Find<TRdStore>(F, "S")->Glyph.get();
  EXPECT_EQ(Glyph->Width(), 3);
  EXPECT_EQ(Glyph->Height(), 2);
  EXPECT_EQ(TColor(Glyph->PixelSurface().Get(2, 1)), clRed);
}

TEST_F(ReaderTest, ComponentsAreStoredInTheFormsFieldsOfTheirName) {
  TReaderForm* F = ReadForm();
  EXPECT_EQ(F->Store, F->FindComponent("Store"));
  EXPECT_EQ(F->Panel1, F->FindComponent("Panel1"));
}

TEST_F(ReaderTest, ComponentReferencesAreResolvedAfterTheWholeTreeIsRead) {
  TReaderForm* F = ReadForm();
  auto* Store = Find<TRdStore>(F, "Store");
  EXPECT_EQ(Store->Buddy, F->FindComponent("Box"));
}

TEST_F(ReaderTest, EventsAreBoundToTheFormsMethodsByName) {
  TReaderForm* F = ReadForm();
  EXPECT_EQ(F->Log, std::vector<String>({"FormCreate"}));
  Find<TRdPanel>(F, "Box")->DoClick();
  FireEvent(Find<TRdStore>(F, "Store")->OnChange, F);
  EXPECT_EQ(F->Log, std::vector<String>({"FormCreate", "Button1Click", "StoreChange"}));
  EXPECT_EQ(GetMethodProp(Find<TRdPanel>(F, "Box"), "OnClick").Name, "Button1Click");
}

TEST_F(ReaderTest, LoadedRunsAfterReadingEndedForEveryComponent) {
  TReaderForm* F = ReadForm();
  auto* Panel = Find<TRdPanel>(F, "Panel1");
  EXPECT_EQ(Panel->LoadedLog, std::vector<String>({"loaded"}));
  EXPECT_FALSE(Panel->ComponentState().Contains(csLoading));
  EXPECT_FALSE(F->ComponentState().Contains(csLoading));
}

TEST_F(ReaderTest, ASecondInstanceGetsAUniqueName) {
  TReaderForm* A = ReadForm();
  TReaderForm* B = nullptr;
  Application->CreateForm(B);
  EXPECT_EQ(A->Name(), "ReaderForm");
  EXPECT_EQ(B->Name(), "ReaderForm_1");
}

TEST_F(ReaderTest, UnknownPropertyNamesTheComponentAndProperty) {
  try {
    ReadForm("object ReaderForm: TReaderForm\n  object P: TRdPanel\n    Colour = 1\n  end\nend");
    FAIL() << "no error";
  } catch (const EReadError& E) {
    EXPECT_NE(E.Message().find("P.Colour"), String::npos) << E.Message();
  }
}

TEST_F(ReaderTest, TheDesignersNotesOnControlsAreAccepted) {
  TReaderForm* F = ReadForm(
      "object ReaderForm: TReaderForm\n  object P: TRdPanel\n    Left = 5\n    ExplicitLeft = 7\n"
      "    DesignSize = (\n      400\n      300)\n  end\nend");
  EXPECT_EQ(Find<TRdPanel>(F, "P")->Left(), 5);
}

TEST_F(ReaderTest, UnknownClassAndUnknownMethodAreErrors) {
  EXPECT_THROW(ReadForm("object ReaderForm: TReaderForm\n  object X: TNoSuchThing\n  end\nend"), EClassNotFound);
  EXPECT_THROW(ReadForm("object ReaderForm: TReaderForm\n  OnCreate = NoSuchMethod\nend"), EReadError);
}

TEST_F(ReaderTest, AnUnresolvableReferenceIsAnError) {
  EXPECT_THROW(ReadForm("object ReaderForm: TReaderForm\n  object S: TRdStore\n    Buddy = Nobody\n  end\nend"),
               EReadError);
}

TEST_F(ReaderTest, InheritedObjectsFillComponentsThatExist) {
  TReaderForm* F = ReadForm();
  ReadComponentFromText("inherited ReaderForm: TReaderForm\n  inherited Box: TRdPanel\n    Caption = 'neu'\n  end\nend",
                        F);
  EXPECT_EQ(Find<TRdPanel>(F, "Box")->Caption(), "neu");
  EXPECT_THROW(ReadComponentFromText("inherited ReaderForm: TReaderForm\n  inherited Ghost: TRdPanel\n  end\nend", F),
               EReadError);
}

TEST_F(ReaderTest, AFormMadeVisibleByItsDescriptionShowsOnlyAfterOnCreate) {
  TReaderForm* F = ReadForm("object ReaderForm: TReaderForm\n  Visible = True\n  OnCreate = FormCreate\nend");
  EXPECT_EQ(F->Log, std::vector<String>({"FormCreate"}));
  ASSERT_TRUE(F->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(F->Handle()));
}

TEST_F(ReaderTest, AScaledFormMadeAtAnotherDensityIsScaledToTheScreens) {
  TReaderForm* F = ReadForm(
      "object ReaderForm: TReaderForm\n  ClientWidth = 240\n  ClientHeight = 120\n  PixelsPerInch = 120\n"
      "  object P: TRdPanel\n    Left = 10\n    Top = 20\n    Width = 100\n    Height = 50\n  end\nend");
  auto* P = Find<TRdPanel>(F, "P");
  EXPECT_EQ(F->PixelsPerInch(), 96);
  EXPECT_EQ(P->Width(), 80);
  EXPECT_EQ(P->Height(), 40);
}

TEST_F(ReaderTest, ResourcesAreFoundByNameAndTypeWithoutRegardToCase) {
  RegisterResource("MyData", "rt_rcdata", String("xyz"));
  TResourceData D;
  ASSERT_TRUE(FindResource("MYDATA", RT_RCDATA, D));
  EXPECT_EQ(String(reinterpret_cast<const char*>(D.Data), D.Size), "xyz");
  EXPECT_FALSE(FindResource("MYDATA", RT_BITMAP, D));
  TResourceStream S("mydata", RT_RCDATA);
  EXPECT_EQ(S.Size(), 3);
  UnregisterResource("MyData", RT_RCDATA);
  EXPECT_THROW(TResourceStream("MyData", RT_RCDATA), EResNotFound);
}
}  // namespace
