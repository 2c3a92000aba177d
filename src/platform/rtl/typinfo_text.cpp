// Property values as text, dotted property paths, and name resolution of
// component references and event handlers.
#include <cstdio>

#include "platform/rtl/classes.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/typinfo_util.h"

namespace {

[[noreturn]] void BadValue(const String& Text) {
  throw EPropertyConvertError("Ungültiger Eigenschaftswert: " + Text);
}

[[noreturn]] void BadElement(const String& Text) {
  throw EPropertyConvertError("Ungültiges Eigenschaftselement: " + Text);
}

// The next object up the owner chain of Obj, or null.
TObject* OwnerOf(TObject* Obj) {
  auto* P = dynamic_cast<TPersistent*>(Obj);
  return P ? P->GetOwner() : nullptr;
}

// The objects in which names are looked up: Root alone when given, else
// Instance and its owner chain.
std::vector<TObject*> LookupScopes(TObject* Instance, TObject* Root) {
  std::vector<TObject*> Scopes;
  if (Root) {
    Scopes.push_back(Root);
    return Scopes;
  }
  for (TObject* O = Instance; O && Scopes.size() < 64; O = OwnerOf(O)) Scopes.push_back(O);
  return Scopes;
}

// Resolves "Name" or "Owner.Name" inside Scope (the scope itself counts).
TComponent* FindInScope(TComponent* Scope, const String& Name) {
  TComponent* Found = nullptr;
  for (const String& Part : SplitTrimmed(Name, '.')) {
    if (!Found && SameIdent(Scope->Name(), Part)) {
      Found = Scope;
      continue;
    }
    Found = (Found ? Found : Scope)->FindComponent(Part);
    if (!Found) return nullptr;
  }
  return Found;
}

TComponent* ResolveComponent(const std::vector<TObject*>& Scopes, const String& Name) {
  for (TObject* S : Scopes)
    if (auto* Scope = dynamic_cast<TComponent*>(S))
      if (TComponent* C = FindInScope(Scope, Name)) return C;
  throw EPropertyConvertError("Komponente " + Name + " nicht gefunden");
}

Int64 IntegerFromText(PPropInfo P, const String& Text) {
  PTypeInfo T = P->PropType;
  TIdentToInt ToInt;
  Int64 V = 0;
  if (FindIntegerConsts(T->Name, &ToInt, nullptr, nullptr) && ToInt && ToInt(TrimBlanks(Text), V))
    return V;
  bool Hex = false;
  if (!ParseInteger(Text, V, Hex))
    throw EPropertyConvertError("'" + Text + "' ist kein gültiger Integerwert");
  // A 32-bit hex literal such as "$8000000F" stands for its bit pattern.
  if (Hex && T->Kind == tkInteger && T->MinValue < 0 && V > T->MaxValue && V <= 0xFFFFFFFFLL)
    V = Int64(Integer(std::uint32_t(V)));
  if (V < T->MinValue || V > T->MaxValue) BadValue(Text);
  return V;
}

String IntegerToText(PTypeInfo T, Int64 V) {
  TIntToIdent ToIdent;
  bool Hex = false;
  if (FindIntegerConsts(T->Name, nullptr, &ToIdent, &Hex)) {
    String Ident;
    if (ToIdent && ToIdent(V, Ident)) return Ident;
    if (Hex) {
      char Buf[16];
      std::snprintf(Buf, sizeof Buf, "$%.8X", unsigned(std::uint32_t(V)));
      return Buf;
    }
  }
  return std::to_string(V);
}

Int64 CharFromText(const String& Text) {
  if (Text.size() == 1) return static_cast<unsigned char>(Text[0]);
  Int64 V = 0;
  bool Hex = false;
  if (Text.size() > 1 && Text[0] == '#' && ParseInteger(Text.substr(1), V, Hex) && V >= 0 && V <= 255)
    return V;
  BadValue(Text);
}

String CharToText(Int64 V) {
  if (V < 32 || V > 126) return "#" + std::to_string(V);
  return String(1, char(V));
}

String ObjectToText(TObject* Obj) {
  if (!Obj) return String();
  if (auto* C = dynamic_cast<TComponent*>(Obj)) return C->Name();
  TObjectToText ToText;
  if (FindObjectTextAdapter(Obj->ClassType(), &ToText, nullptr) && ToText) return ToText(Obj);
  return String();
}

void ObjectFromText(TObject* Instance, PPropInfo P, const String& Text,
                    const std::vector<TObject*>& Scopes) {
  TClass C = P->PropType->ClassType;
  if (C->InheritsFrom(TComponent::StaticClass())) {
    String Name = TrimBlanks(Text);
    SetObjectProp(Instance, P, Name.empty() ? nullptr : ResolveComponent(Scopes, Name));
    return;
  }
  TObject* Obj = GetObjectProp(Instance, P);
  TTextToObject FromText;
  if (!Obj || !FindObjectTextAdapter(Obj->ClassType(), nullptr, &FromText) || !FromText)
    BadValue(Text);
  FromText(Obj, Text);
}

void MethodFromText(TObject* Instance, PPropInfo P, const String& Text,
                    const std::vector<TObject*>& Scopes) {
  String Name = TrimBlanks(Text);
  if (Name.empty()) {
    SetMethodProp(Instance, P, TMethod());
    return;
  }
  for (TObject* Scope : Scopes) {
    if (FindMethod(Scope->ClassType(), Name)) {
      BindEventByName(Instance, P, Scope, Name);
      return;
    }
  }
  throw EPropertyError("Methode " + Name + " nicht gefunden");
}

}  // namespace

String SetToString(PTypeInfo SetInfo, Int64 Bits, bool Brackets) {
  PTypeInfo E = SetInfo->CompType;
  String S;
  for (size_t I = 0; E && I < E->EnumNames.size() && I < 64; ++I) {
    if ((std::uint64_t(Bits) >> I) & 1u) {
      if (!S.empty()) S += ',';
      S += E->EnumNames[I];
    }
  }
  return Brackets ? "[" + S + "]" : S;
}

Int64 StringToSet(PTypeInfo SetInfo, const String& Text) {
  String S = TrimBlanks(Text);
  if (!S.empty() && S.front() == '[') {
    if (S.back() != ']') BadElement(S);
    S = S.substr(1, S.size() - 2);
  }
  std::uint64_t Bits = 0;
  for (const String& Item : SplitTrimmed(S, ',')) {
    Int64 V = GetEnumValue(SetInfo->CompType, Item);
    if (V < 0 || V > 63) BadElement(Item);
    Bits |= std::uint64_t(1) << V;
  }
  return Int64(Bits);
}

String GetPropValue(TObject* Instance, PPropInfo Prop) {
  TPropValue V = Prop->Get(Instance);
  switch (Prop->Kind()) {
    case tkInteger:
    case tkInt64: return IntegerToText(Prop->PropType, std::get<Int64>(V));
    case tkChar:
    case tkWChar: return CharToText(std::get<Int64>(V));
    case tkEnumeration: return GetEnumName(Prop->PropType, std::get<Int64>(V));
    case tkSet: return SetToString(Prop->PropType, std::get<Int64>(V));
    case tkFloat: return FloatToText(std::get<double>(V));
    case tkClass: return ObjectToText(std::get<TObject*>(V));
    case tkMethod: return Prop->DescribeMethod(std::get<std::any>(V)).Name;
    default: break;
  }
  if (auto* S = std::get_if<String>(&V)) return *S;
  return String();
}

String GetPropValue(TObject* Instance, const String& Name) {
  return GetPropValue(Instance, FindPropInfo(Instance, Name));
}

// Sets Prop of Instance from text; names are looked up in Scopes.
static void SetPropText(TObject* Instance, PPropInfo Prop, const String& Value,
                 const std::vector<TObject*>& Scopes) {
  switch (Prop->Kind()) {
    case tkInteger:
    case tkInt64: return SetOrdProp(Instance, Prop, IntegerFromText(Prop, Value));
    case tkChar:
    case tkWChar: return SetOrdProp(Instance, Prop, CharFromText(Value));
    case tkEnumeration: {
      Int64 V = GetEnumValue(Prop->PropType, TrimBlanks(Value));
      if (V < 0) BadElement(Value);
      return SetOrdProp(Instance, Prop, V);
    }
    case tkSet: return SetOrdProp(Instance, Prop, StringToSet(Prop->PropType, Value));
    case tkFloat: {
      double D = 0;
      if (!ParseFloat(Value, D))
        throw EPropertyConvertError("'" + Value + "' ist kein gültiger Gleitkommawert");
      return SetFloatProp(Instance, Prop, D);
    }
    case tkClass: return ObjectFromText(Instance, Prop, Value, Scopes);
    case tkMethod: return MethodFromText(Instance, Prop, Value, Scopes);
    default: return SetStrProp(Instance, Prop, Value);
  }
}

void SetPropValue(TObject* Instance, PPropInfo Prop, const String& Value, TObject* Root) {
  SetPropText(Instance, Prop, Value, LookupScopes(Instance, Root));
}

void SetPropValue(TObject* Instance, const String& Name, const String& Value, TObject* Root) {
  SetPropValue(Instance, FindPropInfo(Instance, Name), Value, Root);
}

PPropInfo ResolvePropertyPath(TObject* Instance, const String& Path, TObject*& Target) {
  std::vector<String> Parts = SplitTrimmed(Path, '.');
  if (Parts.empty()) throw EPropertyError("Eigenschaft " + Path + " existiert nicht");
  TObject* Current = Instance;
  for (size_t I = 0; I + 1 < Parts.size(); ++I) {
    PPropInfo P = FindPropInfo(Current, Parts[I]);
    TObject* Next = P->Kind() == tkClass ? GetObjectProp(Current, P) : nullptr;
    if (!Next) throw EPropertyError("Eigenschaft " + Parts[I] + " ist kein Objekt");
    Current = Next;
  }
  Target = Current;
  return FindPropInfo(Current, Parts.back());
}

void SetPropertyByPath(TObject* Instance, const String& Path, const String& Value, TObject* Root) {
  TObject* Target = nullptr;
  PPropInfo P = ResolvePropertyPath(Instance, Path, Target);
  // Names in the value are looked up from the object the path starts at.
  SetPropText(Target, P, Value, LookupScopes(Instance, Root));
}

String GetPropertyByPath(TObject* Instance, const String& Path) {
  TObject* Target = nullptr;
  PPropInfo P = ResolvePropertyPath(Instance, Path, Target);
  return GetPropValue(Target, P);
}
