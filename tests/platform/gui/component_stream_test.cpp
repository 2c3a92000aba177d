// The binary component stream: a component written and read back comes out
// alike (values of every kind, collections, string lists, events, nested
// controls); bytes assembled by hand decode to the values they hold; a
// damaged stream raises EReadError and leaves the component untouched.
#include "platform/gui/component_stream.h"

#include "forms_fixture.h"
#include "platform/gui/extctrls.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/collection.h"
#include "platform/rtl/sysutils.h"

// ---- Classes the streams use -------------------------------------------------------------

class TCsLine : public TCollectionItem {
  RTL_DECLARE_CLASS(TCsLine)
 public:
  using TCollectionItem::TCollectionItem;
  String Caption;
  Integer Count = 0;
};

class TCsThing : public TComponent {
  RTL_DECLARE_CLASS(TCsThing)
 public:
  explicit TCsThing(TComponent* AOwner)
      : TComponent(AOwner), Lines(std::make_unique<TCollection>(TCsLine::StaticClass())),
        Notes(std::make_unique<TStringList>()) {}
  TCollection* GetLines() const { return Lines.get(); }
  TStrings* GetNotes() const { return Notes.get(); }
  void SetNotes(TStrings* V) { Notes->Assign(V); }
  void Changed(TObject*) {}
  std::unique_ptr<TCollection> Lines;
  std::unique_ptr<TStringList> Notes;
  Integer Small = 0;
  Int64 Big = 0;
  double Ratio = 0;
  String Title;
  bool Active = false;
  TAlign Side = alNone;
  TAnchors Sides;
  TNotifyEvent OnChange;
};

RTL_IMPLEMENT_CLASS(TCsLine, TCollectionItem, &CollectionItemFactory<TCsLine>)
RTL_IMPLEMENT_CLASS(TCsThing, TComponent, &ComponentFactory<TCsThing>)

RTL_PUBLISHED(TCsLine) {
  P.Field("Caption", &TCsLine::Caption);
  P.Field("Count", &TCsLine::Count);
}
RTL_PUBLISHED(TCsThing) {
  P.ReadOnly("Lines", &TCsThing::GetLines);
  P.Prop("Notes", &TCsThing::GetNotes, &TCsThing::SetNotes);
  P.Field("Small", &TCsThing::Small);
  P.Field("Big", &TCsThing::Big);
  P.Field("Ratio", &TCsThing::Ratio);
  P.Field("Title", &TCsThing::Title);
  P.Field("Active", &TCsThing::Active);
  P.Field("Side", &TCsThing::Side);
  P.Field("Sides", &TCsThing::Sides);
  P.Field("OnChange", &TCsThing::OnChange);
  P.Method("Changed", &TCsThing::Changed);
}

namespace {

[[maybe_unused]] const bool Registered =
    (RegisterClasses({TCsThing::StaticClass(), TPanel::StaticClass()}), true);

class ComponentStreamTest : public FormsTest {
 protected:
  // A thing with a value of every kind.
  void Fill(TCsThing& T) {
    T.SetName("Thing");
    T.Small = -300;
    T.Big = Int64(1) << 40;
    T.Ratio = 2.75;
    T.Title = "Prüfung €";
    T.Active = true;
    T.Side = alRight;
    T.Sides = TAnchors{akLeft, akBottom};
    T.Notes->Add("eins");
    T.Notes->Add("zwei");
    for (int I = 0; I < 3; ++I) {
      auto* L = static_cast<TCsLine*>(T.Lines->Add());
      L->Caption = "Zeile " + IntToStr(I);
      L->Count = I * 100000;
    }
    SetMethodProp(&T, "OnChange", TMethod{&T, "Changed", true});
  }
  String Written(TComponent* C) {
    TMemoryStream S;
    WriteComponentToStream(C, &S);
    return String(static_cast<const char*>(S.Memory()), std::size_t(S.Size()));
  }
  // Reads Bytes into C; the stream must be used up.
  void ReadInto(const String& Bytes, TComponent* C) {
    TMemoryStream S;
    S.WriteString(Bytes);
    S.SetPosition(0);
    ReadComponentFromStream(&S, C);
    EXPECT_EQ(S.Position(), S.Size());
  }
};

TEST_F(ComponentStreamTest, AComponentReadsBackWithEveryValue) {
  TCsThing Source(nullptr), Copy(nullptr);
  Fill(Source);
  ReadInto(Written(&Source), &Copy);
  EXPECT_EQ(Copy.Name(), "Thing");
  EXPECT_EQ(Copy.Small, -300);
  EXPECT_EQ(Copy.Big, Int64(1) << 40);
  EXPECT_DOUBLE_EQ(Copy.Ratio, 2.75);
  EXPECT_EQ(Copy.Title, "Prüfung €");
  EXPECT_TRUE(Copy.Active);
  EXPECT_EQ(Copy.Side, alRight);
  EXPECT_TRUE(Copy.Sides == (TAnchors{akLeft, akBottom}));
  EXPECT_EQ(Copy.Notes->Text(), Source.Notes->Text());
  ASSERT_EQ(Copy.Lines->Count(), 3);
  EXPECT_EQ(static_cast<TCsLine*>(Copy.Lines->Items(2))->Caption, "Zeile 2");
  EXPECT_EQ(static_cast<TCsLine*>(Copy.Lines->Items(2))->Count, 200000);
  EXPECT_EQ(GetMethodProp(&Copy, "OnChange").Name, "Changed");
}

TEST_F(ComponentStreamTest, ControlsAreWrittenUnderTheirParent) {
  TForm Source(nullptr, 0);
  Source.SetName("Maske");
  auto* Outer = new TPanel(&Source);
  Outer->SetName("Aussen");
  Outer->SetParent(&Source);
  auto* Inner = new TPanel(&Source);
  Inner->SetName("Innen");
  Inner->SetParent(Outer);
  Inner->SetBounds(7, 9, 50, 20);
  TDfmObject D = DescribeComponent(&Source);
  ASSERT_EQ(D.Children.size(), 1u);
  ASSERT_EQ(D.Children[0].Children.size(), 1u);
  EXPECT_EQ(D.Children[0].Children[0].Name, "Innen");

  TForm Copy(nullptr, 0);
  ReadInto(Written(&Source), &Copy);
  auto* Read = dynamic_cast<TPanel*>(Copy.FindComponent("Innen"));
  ASSERT_NE(Read, nullptr);
  EXPECT_EQ(Read->Parent(), Copy.FindComponent("Aussen"));
  EXPECT_EQ(Read->Left(), 7);
  EXPECT_EQ(Read->Top(), 9);
}

// The bytes as the class library writes them: a prefixed collection item,
// a 16-bit integer, an extended float, a wide string, a set and a list.
TEST_F(ComponentStreamTest, HandAssembledBytesDecodeToTheirValues) {
  auto Name = [](const String& N) { return String(1, char(N.size())) + N; };
  String B = "TPF0" + Name("TCsThing") + Name("Ding");
  B += Name("Small") + String("\x03\x18\xFC", 3);  // int16 -1000
  B += Name("Ratio") + String("\x05\x00\x00\x00\x00\x00\x00\x00\xC0\x00\x40", 11);  // extended 3.0
  B += Name("Title") + String("\x12\x02\x00\x00\x00\xFC\x00\xAC\x20", 9);  // wide "ü€"
  B += Name("Sides") + "\x0B" + Name("akTop") + Name("akRight") + String(1, '\0');
  B += Name("Active") + "\x09";
  B += Name("Notes.Strings") + "\x01\x06" + Name("a") + "\x0C" + String("\x01\x00\x00\x00", 4) + "\xE4" + String(1, '\0');
  B += Name("Lines") + "\x0E\x02\x05\x01" + Name("Caption") + "\x06" + Name("x") + String(2, '\0') + String(1, '\0');
  B += String(1, '\0');  // no children
  TCsThing T(nullptr);
  ReadInto(B, &T);
  EXPECT_EQ(T.Name(), "Ding");
  EXPECT_EQ(T.Small, -1000);
  EXPECT_DOUBLE_EQ(T.Ratio, 3.0);
  EXPECT_EQ(T.Title, "ü€");
  EXPECT_TRUE(T.Sides == (TAnchors{akTop, akRight}));
  EXPECT_TRUE(T.Active);
  ASSERT_EQ(T.Notes->Count(), 2);
  EXPECT_EQ((*T.Notes)[1], "ä");  // a long ANSI string
  ASSERT_EQ(T.Lines->Count(), 1);
  EXPECT_EQ(static_cast<TCsLine*>(T.Lines->Items(0))->Caption, "x");
}

TEST_F(ComponentStreamTest, FloatsKeepTheirValueThroughTheExtendedForm) {
  for (double V : {0.0, -0.5, 1e-300, 123456.789, 1e300}) {
    TCsThing Source(nullptr), Copy(nullptr);
    Source.Ratio = V;
    ReadInto(Written(&Source), &Copy);
    EXPECT_DOUBLE_EQ(Copy.Ratio, V);
  }
}

TEST_F(ComponentStreamTest, EveryCutOrFlippedStreamEitherReadsOrRaisesAndLeavesTheComponent) {
  TCsThing Source(nullptr);
  Fill(Source);
  String Good = Written(&Source);
  for (std::size_t Cut = 0; Cut < Good.size(); ++Cut) {
    TMemoryStream S;
    S.WriteString(Good.substr(0, Cut));
    S.SetPosition(0);
    EXPECT_THROW(ParseComponentStream(&S), EReadError) << Cut;
  }
  for (std::size_t At = 0; At < Good.size(); ++At) {
    String Bad = Good;
    Bad[At] = char(Bad[At] ^ 0x5A);
    TMemoryStream S;
    S.WriteString(Bad);
    S.SetPosition(0);
    TCsThing Copy(nullptr);
    TDfmObject D;
    try {
      D = ParseComponentStream(&S);
    } catch (const EReadError&) {
      EXPECT_EQ(Copy.Lines->Count(), 0) << At;
      continue;
    }
    try {
      ReadComponent(D, &Copy);
    } catch (const Exception&) {
      // A value the property does not take: reported by the registry.
    }
  }
}

TEST_F(ComponentStreamTest, DeepNestingAndHugeLengthsAreNoValidStream) {
  String Deep = "TPF0\x08TCsThing" + String(1, '\0') + "\x05Notes" + String(200, '\x01');
  TMemoryStream S;
  S.WriteString(Deep);
  S.SetPosition(0);
  EXPECT_THROW(ParseComponentStream(&S), EReadError);
  TMemoryStream L;
  L.WriteString("TPF0\x08TCsThing" + String(1, '\0') + "\x05Title\x0C" + String("\xFF\xFF\xFF\x7F", 4));
  L.SetPosition(0);
  EXPECT_THROW(ParseComponentStream(&L), EReadError);
}

// What the writer writes parses back into the same description, also for
// descriptions the stream holds in unusual forms: a text that is no UTF-8
// (the fuzzer's input: a UTF-8 string of the bytes F3 00 inside nested
// lists), a class name whose length byte looks like a prefix, identifiers
// spelled like the short forms in another case.
TEST_F(ComponentStreamTest, EveryWrittenDescriptionParsesBackTheSame) {
  auto Parse = [](const String& Bytes) {
    TMemoryStream S;
    S.WriteString(Bytes);
    S.SetPosition(0);
    TDfmObject D = ParseComponentStream(&S);
    EXPECT_EQ(S.Position(), S.Size());
    return D;
  };
  auto Encode = [](const TDfmObject& D) {
    TMemoryStream S;
    WriteComponentDescription(D, &S);
    return String(static_cast<const char*>(S.Memory()), std::size_t(S.Size()));
  };
  auto ExpectRoundTrip = [&](const TDfmObject& D) {
    String Bytes = Encode(D);
    TDfmObject Back = Parse(Bytes);
    EXPECT_TRUE(SameStreamedDescription(D, Back)) << D.ClassName.substr(0, 20);
    EXPECT_EQ(Encode(Back), Bytes);
  };
  const String Fuzzed("TPF0\x01\x00\x00\x01\x00\x01\x01\x02\x00\x00\x14\x02\x00\x00\x00\xF3\x00\x00\x00\x00", 24);
  TDfmObject D = Parse(Fuzzed);
  ASSERT_EQ(D.Properties.size(), 1u);
  EXPECT_EQ(D.Properties[0].Value.Items[1].Text, String("\xF3\x00", 2));
  ExpectRoundTrip(D);

  TDfmObject Long;
  Long.ClassName = String(0xF5, 'T');
  Long.Name = "Lang";
  TDfmObject Child = Long;
  Child.Kind = TDfmObject::kInherited;
  Child.ClassName = String(255, 'K');
  Long.Children.push_back(Child);
  Child.Kind = TDfmObject::kObject;
  Child.ClassName = String(0xF0, 'P');
  Long.Children.push_back(Child);
  for (const char* Text : {"TRUE", "false", "NIL", "True", "nil", "", "Wert"}) {
    TDfmProperty P;
    P.Name = "Schalter";
    P.Value.Kind = TDfmValueKind::Ident;
    P.Value.Text = Text;
    Long.Properties.push_back(P);
  }
  for (const String& Text : {String("\xED\xA0\x80", 3), String("\xC0\xAF", 2), String("\xF4\x90\x80\x80", 4),
                             String("Gr\xC3\xBC\xC3\x9F\xF0\x9F\x98\x80"), String(300, 'x') + "\xE4"}) {
    TDfmProperty P;
    P.Name = "Text";
    P.Value.Kind = TDfmValueKind::String;
    P.Value.Text = Text;
    Long.Properties.push_back(P);
  }
  ExpectRoundTrip(Long);
  EXPECT_EQ(Parse(Encode(Long)).Children[1].ClassName, String(0xF0, 'P'));
}

// What the format cannot hold is refused with EWriteError before anything
// reaches the stream.
TEST_F(ComponentStreamTest, WhatTheFormatCannotHoldIsRefusedAndNothingIsWritten) {
  auto Refused = [](const TDfmObject& D) {
    TMemoryStream S;
    EXPECT_THROW(WriteComponentDescription(D, &S), EWriteError) << D.Name;
    return S.Size() == 0;
  };
  TDfmObject Base;
  Base.ClassName = "TCsThing";
  TDfmProperty Value;
  Value.Name = "Small";
  Value.Value.Int = 5;
  Base.Properties.push_back(Value);

  TDfmObject D = Base;
  D.Name = "empty property name";
  D.Properties.push_back(Value);
  D.Properties.back().Name.clear();
  EXPECT_TRUE(Refused(D));
  D = Base;
  D.Name = "empty set element";
  D.Properties.push_back(Value);
  D.Properties.back().Value.Kind = TDfmValueKind::Set;
  D.Properties.back().Value.Names = {"akLeft", "", "akTop"};
  EXPECT_TRUE(Refused(D));
  D = Base;
  D.Name = "long name";
  D.Properties.back().Name = String(256, 'n');
  EXPECT_TRUE(Refused(D));
  D = Base;
  D.Name = "child without class";
  D.Children.push_back(TDfmObject());
  EXPECT_TRUE(Refused(D));

  // Nesting: as deep as the parser takes is written, one more is refused.
  auto Nested = [&](int Levels) {
    TDfmObject O = Base;
    O.Name = "nested " + IntToStr(Levels);
    for (int I = 0; I < Levels; ++I) {
      TDfmObject Outer = Base;
      Outer.Children.push_back(std::move(O));
      O = std::move(Outer);
    }
    return O;
  };
  TMemoryStream Deepest;
  WriteComponentDescription(Nested(63), &Deepest);
  Deepest.SetPosition(0);
  EXPECT_TRUE(SameStreamedDescription(ParseComponentStream(&Deepest), Nested(63)));
  EXPECT_TRUE(Refused(Nested(64)));
  TDfmValue List;
  List.Kind = TDfmValueKind::List;
  for (int I = 0; I < 70; ++I) {
    TDfmValue Outer;
    Outer.Kind = TDfmValueKind::List;
    Outer.Items.push_back(std::move(List));
    List = std::move(Outer);
  }
  D = Base;
  D.Name = "deep list";
  D.Properties.back().Value = List;
  EXPECT_TRUE(Refused(D));
}

}  // namespace
