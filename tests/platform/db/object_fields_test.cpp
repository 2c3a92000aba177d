// Object fields: a field of child fields made from nested definitions,
// listed after its parent, found by its full name, with the children's
// values as its own.
#include "db_fixture.h"

#include "platform/db/fieldkinds.h"

namespace {

class ObjectFields : public DbTest {
 protected:
  // ID, Adresse (Strasse, Ort, Lage (Etage)), Name.
  void DefineNested() {
    DS->FieldDefs().Clear();
    DS->FieldDefs().Add("ID", ftInteger);
    TFieldDef* Adresse = DS->FieldDefs().Add("Adresse", ftOAT);
    Adresse->ChildDefs()->Add("Strasse", ftString, 30);
    Adresse->ChildDefs()->Add("Ort", ftString, 30);
    TFieldDef* Lage = Adresse->ChildDefs()->Add("Lage", ftOAT);
    Lage->ChildDefs()->Add("Etage", ftInteger);
    DS->FieldDefs().Add("Name", ftString, 20);
  }
  std::vector<String> FullNames() {
    std::vector<String> Out;
    for (TField* Field : DS->Fields().Items()) Out.push_back(Field->FullName());
    return Out;
  }
};

TEST_F(ObjectFields, NestedDefinitionsMakeChildFieldsAfterTheirParentThatHoldTheValues) {
  DefineNested();
  std::vector<Integer> Numbers;
  for (const char* Name : {"ID", "Adresse", "Name"}) Numbers.push_back(DS->FieldDefs().Find(Name)->FieldNo());
  EXPECT_EQ((std::vector<Integer>{1, 2, 7}), Numbers) << "numbers count through the tree";
  TFieldDef* Adresse = DS->FieldDefs().Find("Adresse");
  EXPECT_EQ(Adresse, Adresse->ChildDefs()->Find("Ort")->ParentDef());
  EXPECT_EQ(6, Adresse->ChildDefs()->Find("Lage")->ChildDefs()->Find("Etage")->FieldNo());

  DS->Open();
  EXPECT_EQ((std::vector<String>{"ID", "Adresse", "Adresse.Strasse", "Adresse.Ort", "Adresse.Lage",
                                 "Adresse.Lage.Etage", "Name"}),
            FullNames());
  auto* Object = dynamic_cast<TObjectField*>(F("Adresse"));
  ASSERT_NE(nullptr, Object);
  EXPECT_EQ(ftOAT, Object->DataType());
  ASSERT_EQ(3, Object->FieldCount());
  EXPECT_EQ(F("Adresse.Ort"), Object->Fields().Fields(1));
  EXPECT_EQ(Object, F("Adresse.Ort")->ParentField());
  EXPECT_EQ("Ort", F("Adresse.Ort")->FieldName());
  EXPECT_EQ(nullptr, DS->FindField("Ort")) << "a child is known by its full name";
  EXPECT_EQ(4, F("Adresse.Ort")->FieldNo());

  DS->Append();
  F("ID")->SetAsInteger(1);
  F("Adresse.Strasse")->SetAsString("Hauptstr. 1");
  F("Adresse.Ort")->SetAsString("Köln");
  F("Adresse.Lage.Etage")->SetAsInteger(3);
  F("Name")->SetAsString("Meier");
  DS->Post();
  DS->Append();
  F("ID")->SetAsInteger(2);
  DS->Post();

  DS->First();
  EXPECT_EQ("Köln", F("Adresse.Ort")->AsString());
  EXPECT_EQ("(Hauptstr. 1, Köln, (3))", Object->DisplayText());
  Variant V = Object->AsVariant();
  ASSERT_TRUE(V.IsArray());
  EXPECT_EQ("Hauptstr. 1", V[V.LowBound()].AsString());
  EXPECT_EQ("Meier", F("Name")->AsString()) << "the field after the object keeps its own slot";
  DS->Next();
  EXPECT_TRUE(VarIsNull(Object->AsVariant())) << "null when every child is";
  EXPECT_EQ("(, , ())", Object->DisplayText());

  // Closing frees the made fields; opening again makes them anew.
  DS->Close();
  EXPECT_EQ(0, DS->FieldCount());
  DS->Open();
  EXPECT_EQ(7, DS->FieldCount());
  EXPECT_EQ("Köln", F("Adresse.Ort")->AsString());

  TStringList Names;
  DS->GetFieldNames(&Names);
  EXPECT_EQ("Adresse.Lage.Etage", Names[5]);

  // A copy of the definitions keeps the children.
  TVectorDataSet Copy(nullptr);
  Copy.FieldDefs().Assign(&DS->FieldDefs());
  ASSERT_TRUE(Copy.FieldDefs().Find("Adresse")->HasChildDefs());
  EXPECT_EQ(3, Copy.FieldDefs().Find("Adresse")->ChildDefs()->Count());
}

TEST_F(ObjectFields, AFreedObjectFieldLeavesItsChildrenTopLevel) {
  auto* Parent = new TObjectField(Owner.get());
  Parent->SetFieldName("Haus");
  auto* Child = new TIntegerField(Owner.get());
  Child->SetFieldName("Nr");
  Child->SetParentField(Parent);
  EXPECT_EQ("Haus.Nr", Child->FullName());
  EXPECT_EQ(1, Parent->FieldCount());
  Parent->Free();
  EXPECT_EQ(nullptr, Child->ParentField());
  EXPECT_EQ("Nr", Child->FullName());
  Child->Free();
}

}  // namespace
