// Parameters and their SQL parser; field and index definitions.
#include <gtest/gtest.h>

#include <functional>

#include "platform/db/datasource.h"
#include "platform/db/params.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/typinfo_access.h"
#include "vector_dataset.h"

namespace {
std::string ErrorText(const std::function<void()>& Fn) {
  try {
    Fn();
  } catch (const Exception& E) {
    return E.what();
  }
  return "(kein Fehler)";
}
}  // namespace

TEST(Params, ParseSqlReplacesMarkersAndMakesOneParameterPerName) {
  TParams P;
  String Out = P.ParseSQL("SELECT * FROM t WHERE a = :A AND b = :b2 OR a = :a", true);
  EXPECT_EQ(Out, "SELECT * FROM t WHERE a = ? AND b = ? OR a = ?");
  ASSERT_EQ(P.Count(), 2);
  EXPECT_EQ(P[0]->Name(), "A");
  EXPECT_EQ(P[1]->Name(), "b2");
  EXPECT_EQ(P[0]->DataType(), ftUnknown);
}

TEST(Params, ParseSqlLeavesLiteralsDoubleColonsAndQuotedNames) {
  TParams P;
  String Out = P.ParseSQL("SELECT ':x', \"a:b\" FROM t WHERE z = :\"mein name\" AND t::int", true);
  EXPECT_EQ(Out, "SELECT ':x', \"a:b\" FROM t WHERE z = ? AND t:int");
  ASSERT_EQ(P.Count(), 1);
  EXPECT_EQ(P[0]->Name(), "mein name");
}

TEST(Params, ParseSqlWithoutCreateKeepsTheList) {
  TParams P;
  P.CreateParam(ftInteger, "Alt", ptInput);
  EXPECT_EQ(P.ParseSQL("x = :neu", false), "x = ?");
  ASSERT_EQ(P.Count(), 1);
  EXPECT_EQ(P[0]->Name(), "Alt");
}

TEST(Params, TypedSettersSetTheDataType) {
  TParams P;
  TParam* A = P.CreateParam(ftUnknown, "A", ptInput);
  A->SetAsString("x");
  EXPECT_EQ(A->DataType(), ftString);
  A->SetAsInteger(5);
  EXPECT_EQ(A->DataType(), ftInteger);
  EXPECT_EQ(A->AsString(), "5");
  A->SetAsBoolean(true);
  EXPECT_EQ(A->DataType(), ftBoolean);
  A->SetAsDateTime(2.5);
  EXPECT_EQ(A->DataType(), ftDateTime);
  EXPECT_TRUE(A->Bound());
  A->Clear();
  EXPECT_TRUE(A->IsNull());
}

TEST(Params, UntypedValueGivesItsTypeAndNullIsNull) {
  TParams P;
  TParam* A = P.CreateParam(ftUnknown, "A", ptInput);
  EXPECT_TRUE(A->IsNull());
  EXPECT_FALSE(A->Bound());
  A->SetValue(Variant(1.5));
  EXPECT_EQ(A->DataType(), ftFloat);
  EXPECT_EQ(A->AsInteger(), 2);
}

TEST(Params, ParamByNameIgnoresCaseAndNamesTheMissingOne) {
  TParams P;
  P.CreateParam(ftString, "Kunde", ptInput)->SetAsString("Meier");
  EXPECT_EQ(P.ParamByName("KUNDE")->AsString(), "Meier");
  EXPECT_EQ(ErrorText([&] { P.ParamByName("Artikel"); }), "Parameter 'Artikel' nicht gefunden");
}

TEST(Params, AssignValuesCopiesByName) {
  TParams A, B;
  A.CreateParam(ftUnknown, "x", ptInput);
  A.CreateParam(ftUnknown, "y", ptInput);
  B.CreateParam(ftInteger, "Y", ptInput)->SetAsInteger(7);
  A.AssignValues(B);
  EXPECT_TRUE(A[0]->IsNull());
  EXPECT_EQ(A[1]->AsInteger(), 7);
  A.SetParamValues("x;y", VarArrayOf({Variant("a"), Variant(8)}));
  Variant V = A.ParamValues("x;y");
  EXPECT_EQ(V[0].AsString(), "a");
  EXPECT_EQ(V[1].AsInteger(), 8);
}

TEST(FieldDefs, AddNumbersDefinitionsAndFindIgnoresCase) {
  TComponent Owner(nullptr);
  auto* D = new TVectorDataSet(&Owner);
  D->FieldDefs().Add("Name", ftString, 100, true);
  D->FieldDefs().Add("ID", ftSmallint);
  EXPECT_EQ(D->FieldDefs().Count(), 2);
  EXPECT_EQ(D->FieldDefs().Find("id")->FieldNo(), 2);
  EXPECT_TRUE(D->FieldDefs()[0]->Required());
  EXPECT_EQ(D->FieldDefs().IndexOf("gibtsnicht"), -1);
  EXPECT_THROW(D->FieldDefs().Find("gibtsnicht"), EDatabaseError);
  D->FieldDefs().Delete(0);
  EXPECT_EQ(D->FieldDefs()[0]->FieldNo(), 1);
}

TEST(FieldDefs, CreateFieldMakesTheKindsClassWithSizeAndFlags) {
  TComponent Owner(nullptr);
  auto* D = new TVectorDataSet(&Owner);
  TFieldDef* Def = D->FieldDefs().Add("Code", ftFixedChar, 8, true);
  Def->SetAttributes(TFieldAttributes{faRequired, faReadonly});
  TField* F = Def->CreateField(&Owner);
  ASSERT_TRUE(F->Is<TStringField>());
  EXPECT_EQ(F->DataType(), ftFixedChar);
  EXPECT_TRUE(static_cast<TStringField*>(F)->FixedChar());
  EXPECT_EQ(F->Size(), 8);
  EXPECT_TRUE(F->Required());
  EXPECT_TRUE(F->ReadOnly());
  EXPECT_EQ(F->DataSet(), D);
  EXPECT_EQ(D->FindField("CODE"), F);
}

TEST(IndexDefs, FindByNameAndByFields) {
  TComponent Owner(nullptr);
  auto* D = new TVectorDataSet(&Owner);
  TIndexDefs& I = D->IndexDefs();
  I.Add("IDENT", "Ident", TIndexOptions{ixPrimary, ixUnique});
  I.Add("NAMEN", "Name;Vorname", TIndexOptions{ixCaseInsensitive});
  EXPECT_EQ(I.Find("ident")->Fields(), "Ident");
  EXPECT_TRUE(I.Find("IDENT")->Options().Contains(ixUnique));
  EXPECT_EQ(I.FindIndexForFields("name;vorname")->Name(), "NAMEN");
  EXPECT_EQ(I.GetIndexForFields("Name", true)->Name(), "NAMEN");
  EXPECT_EQ(I.GetIndexForFields("Ident", true), nullptr);
  EXPECT_THROW(I.Add("namen", "x", {}), EDatabaseError);
  EXPECT_EQ(ErrorText([&] { I.Find("FEHLT"); }), "Index 'FEHLT' nicht gefunden");
}

TEST(IndexDefs, DisplayNameRenamesAndExpressionMarksTheOption) {
  TComponent Owner(nullptr);
  auto* D = new TVectorDataSet(&Owner);
  TIndexDef* X = D->IndexDefs().Add("A", "F1", {});
  X->SetDisplayName("B");
  EXPECT_EQ(D->IndexDefs().IndexOf("B"), 0);
  X->SetExpression("UPPER(F1)");
  EXPECT_TRUE(X->Options().Contains(ixExpression));
}

// ---- Form descriptions reach fields and sources by name ------------------

TEST(DbPublished, PersistentFieldIsBuiltByClassNameAndPropertyNames) {
  TComponent Form(nullptr);
  auto* D = new TVectorDataSet(&Form);
  D->FieldDefs().Add("Name", ftString, 100);
  TClass C = FindClass("TStringField");
  auto* F = dynamic_cast<TField*>(C->Create(&Form));
  ASSERT_NE(F, nullptr);
  SetStrProp(F, "FieldName", "Name");
  SetOrdProp(F, "Size", 100);
  SetEnumProp(F, "Alignment", "taRightJustify");
  F->SetParentComponent(D);
  EXPECT_EQ(F->DataSet(), D);
  EXPECT_EQ(GetEnumProp(F, "FieldKind"), "fkData");
  D->Open();
  EXPECT_EQ(D->FieldByName("name"), F);
  EXPECT_FALSE(D->DefaultFields());
  std::vector<TComponent*> Children;
  D->GetChildren([&](TComponent* Child) { Children.push_back(Child); }, &Form);
  EXPECT_EQ(Children, std::vector<TComponent*>{F});
}

TEST(DbPublished, DataSourceTakesItsDataSetByProperty) {
  TComponent Form(nullptr);
  auto* D = new TVectorDataSet(&Form);
  auto* S = dynamic_cast<TDataSource*>(FindClass("TDataSource")->Create(&Form));
  ASSERT_NE(S, nullptr);
  SetObjectProp(S, "DataSet", D);
  EXPECT_EQ(S->DataSet(), D);
  EXPECT_EQ(GetPropValue(S, "AutoEdit"), "True");
}
