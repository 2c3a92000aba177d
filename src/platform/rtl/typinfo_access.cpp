// Typed access to published properties and event binding by method name.
#include "platform/rtl/typinfo.h"

#include "platform/rtl/typinfo_util.h"

namespace {

[[noreturn]] void WrongKind(PPropInfo P) {
  throw EPropertyError("Eigenschaft " + P->Name + " hat nicht den passenden Typ");
}

void CheckKind(PPropInfo P, bool Ok) {
  if (!Ok) WrongKind(P);
}

void Write(TObject* Instance, PPropInfo P, const TPropValue& Value) {
  if (!P->Set) throw EPropertyError("Eigenschaft " + P->Name + " ist schreibgeschützt");
  P->Set(Instance, Value);
}

}  // namespace

Int64 GetOrdProp(TObject* Instance, PPropInfo Prop) {
  CheckKind(Prop, IsOrdinalKind(Prop->Kind()));
  return std::get<Int64>(Prop->Get(Instance));
}

Int64 GetOrdProp(TObject* Instance, const String& Name) {
  return GetOrdProp(Instance, FindPropInfo(Instance, Name));
}

void SetOrdProp(TObject* Instance, PPropInfo Prop, Int64 Value) {
  CheckKind(Prop, IsOrdinalKind(Prop->Kind()));
  Write(Instance, Prop, Value);
}

void SetOrdProp(TObject* Instance, const String& Name, Int64 Value) {
  SetOrdProp(Instance, FindPropInfo(Instance, Name), Value);
}

String GetStrProp(TObject* Instance, PPropInfo Prop) {
  CheckKind(Prop, IsStringKind(Prop->Kind()));
  return std::get<String>(Prop->Get(Instance));
}

String GetStrProp(TObject* Instance, const String& Name) {
  return GetStrProp(Instance, FindPropInfo(Instance, Name));
}

void SetStrProp(TObject* Instance, PPropInfo Prop, const String& Value) {
  CheckKind(Prop, IsStringKind(Prop->Kind()));
  Write(Instance, Prop, Value);
}

void SetStrProp(TObject* Instance, const String& Name, const String& Value) {
  SetStrProp(Instance, FindPropInfo(Instance, Name), Value);
}

double GetFloatProp(TObject* Instance, PPropInfo Prop) {
  CheckKind(Prop, Prop->Kind() == tkFloat);
  return std::get<double>(Prop->Get(Instance));
}

double GetFloatProp(TObject* Instance, const String& Name) {
  return GetFloatProp(Instance, FindPropInfo(Instance, Name));
}

void SetFloatProp(TObject* Instance, PPropInfo Prop, double Value) {
  CheckKind(Prop, Prop->Kind() == tkFloat);
  Write(Instance, Prop, Value);
}

void SetFloatProp(TObject* Instance, const String& Name, double Value) {
  SetFloatProp(Instance, FindPropInfo(Instance, Name), Value);
}

String GetEnumProp(TObject* Instance, const String& Name) {
  PPropInfo P = FindPropInfo(Instance, Name);
  CheckKind(P, P->Kind() == tkEnumeration);
  return GetEnumName(P->PropType, GetOrdProp(Instance, P));
}

void SetEnumProp(TObject* Instance, const String& Name, const String& Value) {
  PPropInfo P = FindPropInfo(Instance, Name);
  CheckKind(P, P->Kind() == tkEnumeration);
  SetPropValue(Instance, P, Value);
}

String GetSetProp(TObject* Instance, const String& Name, bool Brackets) {
  PPropInfo P = FindPropInfo(Instance, Name);
  CheckKind(P, P->Kind() == tkSet);
  return SetToString(P->PropType, GetOrdProp(Instance, P), Brackets);
}

void SetSetProp(TObject* Instance, const String& Name, const String& Value) {
  PPropInfo P = FindPropInfo(Instance, Name);
  CheckKind(P, P->Kind() == tkSet);
  SetOrdProp(Instance, P, StringToSet(P->PropType, Value));
}

TObject* GetObjectProp(TObject* Instance, PPropInfo Prop, TClass MinClass) {
  CheckKind(Prop, Prop->Kind() == tkClass);
  TObject* Obj = std::get<TObject*>(Prop->Get(Instance));
  if (Obj && MinClass && !Obj->InheritsFrom(MinClass)) return nullptr;
  return Obj;
}

TObject* GetObjectProp(TObject* Instance, const String& Name, TClass MinClass) {
  return GetObjectProp(Instance, FindPropInfo(Instance, Name), MinClass);
}

void SetObjectProp(TObject* Instance, PPropInfo Prop, TObject* Value) {
  CheckKind(Prop, Prop->Kind() == tkClass);
  if (Value && !Value->InheritsFrom(Prop->PropType->ClassType))
    throw EPropertyConvertError("Ungültiger Eigenschaftswert: " + Value->ClassName() +
                                " ist kein " + Prop->PropType->Name);
  Write(Instance, Prop, Value);
}

void SetObjectProp(TObject* Instance, const String& Name, TObject* Value) {
  SetObjectProp(Instance, FindPropInfo(Instance, Name), Value);
}

TMethod GetMethodProp(TObject* Instance, PPropInfo Prop) {
  CheckKind(Prop, Prop->Kind() == tkMethod);
  return Prop->DescribeMethod(std::get<std::any>(Prop->Get(Instance)));
}

TMethod GetMethodProp(TObject* Instance, const String& Name) {
  return GetMethodProp(Instance, FindPropInfo(Instance, Name));
}

void SetMethodProp(TObject* Instance, PPropInfo Prop, const TMethod& Method) {
  CheckKind(Prop, Prop->Kind() == tkMethod);
  if (!Method.Data || Method.Name.empty()) {
    Write(Instance, Prop, std::any());
    return;
  }
  BindEventByName(Instance, Prop, Method.Data, Method.Name);
}

void SetMethodProp(TObject* Instance, const String& Name, const TMethod& Method) {
  SetMethodProp(Instance, FindPropInfo(Instance, Name), Method);
}

[[noreturn]] void RaiseMethodSignature(const String& MethodName) {
  throw EPropertyError("Methode " + MethodName + " hat nicht die erwartete Signatur");
}

void BindEventByName(TObject* Instance, PPropInfo Prop, TObject* MethodOwner,
                     const String& MethodName) {
  CheckKind(Prop, Prop->Kind() == tkMethod);
  const TMethodInfo* M = MethodOwner ? FindMethod(MethodOwner->ClassType(), MethodName) : nullptr;
  if (!M) throw EPropertyError("Methode " + MethodName + " nicht gefunden");
  if (*M->Signature != *Prop->PropType->Signature)
    throw EPropertyError("Methode " + MethodName + " passt nicht zum Ereignis " + Prop->Name);
  Write(Instance, Prop, M->Bind(MethodOwner, M));
}

bool IsStoredProp(TObject* Instance, PPropInfo Prop) {
  return Prop->StoredFn ? Prop->StoredFn(Instance) : Prop->StoredConst;
}

bool IsDefaultPropValue(TObject* Instance, PPropInfo Prop) {
  TPropValue V = Prop->Get(Instance);
  if (Prop->Default) {
    const TPropValue& D = *Prop->Default;
    if (V.index() != D.index()) return false;
    if (auto* I = std::get_if<Int64>(&V)) return *I == std::get<Int64>(D);
    if (auto* F = std::get_if<double>(&V)) return *F == std::get<double>(D);
    if (auto* S = std::get_if<String>(&V)) return *S == std::get<String>(D);
    if (auto* O = std::get_if<TObject*>(&V)) return *O == std::get<TObject*>(D);
    return false;
  }
  if (auto* S = std::get_if<String>(&V)) return S->empty();
  if (auto* F = std::get_if<double>(&V)) return *F == 0.0;
  if (Prop->Kind() == tkMethod) return !GetMethodProp(Instance, Prop).IsAssigned;
  return false;
}
