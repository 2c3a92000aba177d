#include "platform/db/params.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/charset.h"
#include "platform/rtl/lists.h"

RTL_IMPLEMENT_CLASS(TParam, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TParams, TPersistent, nullptr)

// ---- TParam -----------------------------------------------------------

TParam::TParam(TParams* AOwner, TParamType AParamType) : FOwner(AOwner), FParamType(AParamType) {}

Integer TParam::Index() const {
  if (!FOwner) return -1;
  for (Integer I = 0; I < FOwner->Count(); ++I)
    if (FOwner->Items(I) == this) return I;
  return -1;
}

namespace {

// The data type a parameter takes from a value assigned without a type.
TFieldType TypeOfValue(const Variant& V) {
  switch (V.VarType()) {
    case varSmallint: case varShortInt: case varByte: return ftSmallint;
    case varWord: return ftWord;
    case varInteger: case varLongWord: return ftInteger;
    case varInt64: return ftLargeint;
    case varSingle: case varDouble: return ftFloat;
    case varCurrency: return ftCurrency;
    case varDate: return ftDateTime;
    case varBoolean: return ftBoolean;
    case varString: return ftString;
    default: return ftUnknown;
  }
}

}  // namespace

void TParam::SetValue(const Variant& V) {
  if (FDataType == ftUnknown) FDataType = TypeOfValue(V);
  FValue = V.IsEmpty() ? Null() : V;
  FBound = true;
}

void TParam::Clear() {
  FValue = Null();
  FBound = true;
}

void TParam::SetTyped(TFieldType T, const Variant& V) {
  FDataType = T;
  FValue = V;
  FBound = true;
}

void TParam::AssignField(TField* Field) {
  if (!Field) return;
  FName = Field->FieldName();
  AssignFieldValue(Field, Field->AsVariant());
}

void TParam::AssignFieldValue(TField* Field, const Variant& V) {
  if (!Field) return;
  FDataType = Field->DataType() == ftAutoInc ? ftInteger : Field->DataType();
  FSize = Field->Size();
  FValue = VarIsNullOrEmpty(V) ? Null() : V;
  FBound = true;
}

void TParam::AssignToField(TField* Field) const {
  if (Field) Field->SetAsVariant(FValue);
}

void TParam::Assign(TPersistent* Source) {
  if (auto* P = dynamic_cast<TParam*>(Source)) {
    FName = P->FName;
    FDataType = P->FDataType;
    FParamType = P->FParamType;
    FSize = P->FSize;
    FPrecision = P->FPrecision;
    FNumericScale = P->FNumericScale;
    FBound = P->FBound;
    FValue = P->FValue;
  } else if (auto* F = dynamic_cast<TField*>(Source)) {
    AssignField(F);
  } else {
    TPersistent::Assign(Source);
  }
}

// ---- TParams ----------------------------------------------------------

TParam* TParams::Items(Integer Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(DbFormat(SListIndexError, {std::to_string(Index)}));
  return FItems[static_cast<size_t>(Index)].get();
}

TParam* TParams::AddParam() {
  FItems.push_back(std::make_unique<TParam>(this));
  return FItems.back().get();
}

TParam* TParams::CreateParam(TFieldType DataType, const String& Name, TParamType ParamType) {
  TParam* P = AddParam();
  P->SetName(Name);
  P->SetDataType(DataType);
  P->SetParamType(ParamType);
  return P;
}

void TParams::RemoveParam(TParam* Param) {
  FItems.erase(std::remove_if(FItems.begin(), FItems.end(),
                              [Param](const std::unique_ptr<TParam>& P) { return P.get() == Param; }),
               FItems.end());
}

TParam* TParams::FindParam(const String& Name) const {
  for (const auto& P : FItems)
    if (AnsiSameText(P->Name(), Name)) return P.get();
  return nullptr;
}

TParam* TParams::ParamByName(const String& Name) const {
  TParam* P = FindParam(Name);
  if (!P) DatabaseErrorFmt(SParameterNotFound, Name, dynamic_cast<TComponent*>(FOwner));
  return P;
}

void TParams::AssignValues(const TParams& Source) {
  for (const auto& S : Source.FItems)
    if (TParam* P = FindParam(S->Name())) {
      P->SetDataType(S->DataType());
      P->SetValue(S->Value());
      P->SetBound(S->Bound());
    }
}

namespace {

bool IsNameChar(char C) {
  return std::isalnum(static_cast<unsigned char>(C)) || C == '_' ||
         static_cast<unsigned char>(C) >= 0x80;
}

}  // namespace

Variant TParams::ParamValues(const String& Names) const {
  std::vector<String> L = SplitFieldNames(Names);
  if (L.size() == 1) return ParamByName(L[0])->Value();
  std::vector<Variant> V;
  for (const String& N : L) V.push_back(ParamByName(N)->Value());
  return VarArrayOf(V);
}

void TParams::SetParamValues(const String& Names, const Variant& Values) {
  std::vector<String> L = SplitFieldNames(Names);
  if (L.size() == 1 && !Values.IsArray()) {
    ParamByName(L[0])->SetValue(Values);
    return;
  }
  for (size_t I = 0; I < L.size(); ++I)
    ParamByName(L[I])->SetValue(Values[Values.LowBound() + static_cast<int>(I)]);
}

bool TParams::IsEqual(const TParams& Other) const {
  if (Count() != Other.Count()) return false;
  for (Integer I = 0; I < Count(); ++I) {
    const TParam* A = Items(I);
    const TParam* B = Other.Items(I);
    if (A->Name() != B->Name() || A->DataType() != B->DataType() ||
        A->ParamType() != B->ParamType() || A->Value() != B->Value())
      return false;
  }
  return true;
}

String TParams::ParseSQL(const String& SQL, bool DoCreate) {
  if (DoCreate) Clear();
  String Out;
  size_t I = 0, N = SQL.size();
  while (I < N) {
    char C = SQL[I];
    if (C == '\'' || C == '"') {  // a literal is copied as it is
      size_t End = SQL.find(C, I + 1);
      End = End == String::npos ? N : End + 1;
      Out.append(SQL, I, End - I);
      I = End;
    } else if (C == ':' && I + 1 < N && SQL[I + 1] == ':') {
      Out += ':';
      I += 2;
    } else if (C == ':' && I + 1 < N && (IsNameChar(SQL[I + 1]) || SQL[I + 1] == '"')) {
      String Name;
      if (SQL[I + 1] == '"') {
        size_t End = SQL.find('"', I + 2);
        if (End == String::npos) End = N;
        Name = SQL.substr(I + 2, End - I - 2);
        I = std::min(End + 1, N);
      } else {
        size_t J = I + 1;
        while (J < N && IsNameChar(SQL[J])) ++J;
        Name = SQL.substr(I + 1, J - I - 1);
        I = J;
      }
      if (DoCreate && !FindParam(Name)) CreateParam(ftUnknown, Name, ptUnknown);
      Out += '?';
    } else {
      Out += C;
      ++I;
    }
  }
  return Out;
}

void TParams::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TParams*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  Clear();
  for (const auto& P : S->FItems) AddParam()->Assign(P.get());
}
