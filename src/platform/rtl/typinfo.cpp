// The registry of published properties and methods, and the type records.
#include "platform/rtl/typinfo.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "platform/rtl/typinfo_util.h"

namespace {

struct TClassTable {
  std::vector<std::unique_ptr<TPropInfo>> Props;
  std::vector<std::unique_ptr<TMethodInfo>> Methods;
};

struct TRegistry {
  std::shared_mutex Lock;
  std::map<TClass, TClassTable> Classes;
  std::deque<TTypeInfo> Interned;
};

TRegistry& Registry() {
  static TRegistry R;
  return R;
}

// Finds a record by name (case-insensitive) in one class's own table.
template <class Rec>
Rec* FindOwn(const std::vector<std::unique_ptr<Rec>>& List, const String& Name) {
  for (const auto& R : List)
    if (SameIdent(R->Name, Name)) return R.get();
  return nullptr;
}

// Walks Class and its ancestors, most derived first, under the read lock.
template <class Rec, class Member>
const Rec* FindInChain(TClass Class, const String& Name, Member M) {
  TRegistry& R = Registry();
  std::shared_lock Guard(R.Lock);
  for (TClass C = Class; C; C = C->Parent) {
    auto It = R.Classes.find(C);
    if (It == R.Classes.end()) continue;
    if (const Rec* Found = FindOwn(It->second.*M, Name)) return Found;
  }
  return nullptr;
}

// The ancestor chain of Class, root first.
std::vector<TClass> ChainRootFirst(TClass Class) {
  std::vector<TClass> Chain;
  for (TClass C = Class; C; C = C->Parent) Chain.insert(Chain.begin(), C);
  return Chain;
}

// Merges the own records of every class of the chain: an overriding record
// takes its ancestor's place.
template <class Rec, class Member>
std::vector<const Rec*> MergeChain(TClass Class, Member M) {
  std::vector<const Rec*> Result;
  TRegistry& R = Registry();
  std::shared_lock Guard(R.Lock);
  for (TClass C : ChainRootFirst(Class)) {
    auto It = R.Classes.find(C);
    if (It == R.Classes.end()) continue;
    for (const auto& Own : It->second.*M) {
      bool Replaced = false;
      for (const Rec*& Have : Result) {
        if (SameIdent(Have->Name, Own->Name)) {
          Have = Own.get();
          Replaced = true;
          break;
        }
      }
      if (!Replaced) Result.push_back(Own.get());
    }
  }
  return Result;
}

// Adds or replaces a record of one class's table.
template <class Rec>
Rec& Store(std::vector<std::unique_ptr<Rec>>& List, Rec Info) {
  if (Rec* Old = FindOwn(List, Info.Name)) {
    *Old = std::move(Info);
    return *Old;
  }
  List.push_back(std::make_unique<Rec>(std::move(Info)));
  return *List.back();
}

}  // namespace

bool IsStringKind(TTypeKind Kind) {
  return Kind == tkString || Kind == tkLString || Kind == tkWString;
}

bool IsOrdinalKind(TTypeKind Kind) {
  return Kind == tkInteger || Kind == tkChar || Kind == tkEnumeration || Kind == tkSet ||
         Kind == tkInt64 || Kind == tkWChar;
}

TTypeInfo MakeIntegerTypeInfo(const char* Name, bool Is64, Int64 Min, Int64 Max) {
  TTypeInfo I = MakeTypeInfo(Is64 ? tkInt64 : tkInteger, Name);
  I.MinValue = Min;
  I.MaxValue = Max;
  return I;
}

TTypeInfo MakeEnumTypeInfo(const char* TypeName, const char* CommaNames) {
  TTypeInfo I;
  I.Kind = tkEnumeration;
  I.Name = TypeName;
  for (String Item : SplitTrimmed(CommaNames, ',')) {
    // An enumerator written with an initialiser keeps only its name.
    size_t Eq = Item.find('=');
    if (Eq != String::npos) Item = TrimBlanks(Item.substr(0, Eq));
    I.EnumNames.push_back(Item);
  }
  I.MaxValue = Int64(I.EnumNames.size()) - 1;
  return I;
}

TTypeInfo MakeSetTypeInfo(PTypeInfo Element) {
  TTypeInfo I;
  I.Kind = tkSet;
  I.Name = "set of " + Element->Name;
  I.CompType = Element;
  return I;
}

PTypeInfo TPropTraits<bool>::Info() {
  static const TTypeInfo I = MakeEnumTypeInfo("Boolean", "False, True");
  return &I;
}

PTypeInfo TPropTraits<char>::Info() {
  static const TTypeInfo I = [] {
    TTypeInfo T = MakeIntegerTypeInfo("Char", false, 0, 255);
    T.Kind = tkChar;
    return T;
  }();
  return &I;
}

PTypeInfo TPropTraits<String>::Info() {
  static const TTypeInfo I = MakeTypeInfo(tkLString, "String");
  return &I;
}

String GetEnumName(PTypeInfo Info, Int64 Value) {
  if (!Info || Value < 0 || Value >= Int64(Info->EnumNames.size())) return String();
  return Info->EnumNames[size_t(Value)];
}

Int64 GetEnumValue(PTypeInfo Info, const String& Name) {
  if (!Info) return -1;
  for (size_t I = 0; I < Info->EnumNames.size(); ++I)
    if (SameIdent(Info->EnumNames[I], Name)) return Int64(I);
  return -1;
}

PTypeInfo InternTypeInfo(const TTypeInfo& Base, const String& Name) {
  TRegistry& R = Registry();
  std::unique_lock Guard(R.Lock);
  for (const TTypeInfo& T : R.Interned)
    if (T.Kind == Base.Kind && T.Name == Name) return &T;
  TTypeInfo Copy = Base;
  Copy.Name = Name;
  R.Interned.push_back(std::move(Copy));
  return &R.Interned.back();
}

TPropInfo& RegisterPropInfo(TClass Class, TPropInfo Info) {
  TRegistry& R = Registry();
  std::unique_lock Guard(R.Lock);
  auto& List = R.Classes[Class].Props;
  Info.Owner = Class;
  Info.NameIndex = int(List.size());
  if (TPropInfo* Old = FindOwn(List, Info.Name)) Info.NameIndex = Old->NameIndex;
  return Store(List, std::move(Info));
}

const TMethodInfo& RegisterMethodInfo(TClass Class, TMethodInfo Info) {
  TRegistry& R = Registry();
  std::unique_lock Guard(R.Lock);
  Info.Owner = Class;
  return Store(R.Classes[Class].Methods, std::move(Info));
}

PPropInfo GetPropInfo(TClass Class, const String& Name) {
  return FindInChain<TPropInfo>(Class, Name, &TClassTable::Props);
}

PPropInfo GetPropInfo(const TObject* Instance, const String& Name) {
  return Instance ? GetPropInfo(Instance->ClassType(), Name) : nullptr;
}

PPropInfo FindPropInfo(const TObject* Instance, const String& Name) {
  PPropInfo P = GetPropInfo(Instance, Name);
  if (!P) throw EPropertyError("Eigenschaft " + Name + " existiert nicht");
  return P;
}

std::vector<PPropInfo> GetPropList(TClass Class) {
  return MergeChain<TPropInfo>(Class, &TClassTable::Props);
}

std::vector<PPropInfo> GetPropList(const TObject* Instance) {
  return Instance ? GetPropList(Instance->ClassType()) : std::vector<PPropInfo>();
}

bool IsPublishedProp(TClass Class, const String& Name) { return GetPropInfo(Class, Name) != nullptr; }

bool IsPublishedProp(const TObject* Instance, const String& Name) {
  return GetPropInfo(Instance, Name) != nullptr;
}

TTypeKind PropType(const TObject* Instance, const String& Name) {
  return FindPropInfo(Instance, Name)->Kind();
}

bool PropIsType(const TObject* Instance, const String& Name, TTypeKind Kind) {
  return PropType(Instance, Name) == Kind;
}

const TMethodInfo* FindMethod(TClass Class, const String& Name) {
  return FindInChain<TMethodInfo>(Class, Name, &TClassTable::Methods);
}

std::vector<const TMethodInfo*> GetMethodList(TClass Class) {
  return MergeChain<TMethodInfo>(Class, &TClassTable::Methods);
}
