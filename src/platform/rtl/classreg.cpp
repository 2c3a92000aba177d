#include "platform/rtl/classreg.h"

#include <map>
#include <mutex>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/typinfo_util.h"

namespace {

struct TClassRegistry {
  std::mutex Lock;
  std::map<String, std::pair<String, TClass>> ByName;  // upper name -> (name, class)
};

TClassRegistry& Classes() {
  static TClassRegistry R;
  return R;
}

}  // namespace

void RegisterClass(TClass AClass) {
  if (!AClass) return;
  TClassRegistry& R = Classes();
  std::lock_guard Guard(R.Lock);
  String Key = UpperIdent(AClass->Name);
  auto It = R.ByName.find(Key);
  if (It != R.ByName.end()) {
    if (It->second.second == AClass) return;
    throw EFilerError("Eine Klasse mit der Bezeichnung " + String(AClass->Name) +
                      " existiert bereits");
  }
  R.ByName[Key] = {AClass->Name, AClass};
}

void RegisterClasses(std::initializer_list<TClass> List) {
  for (TClass C : List) RegisterClass(C);
}

void RegisterClassAlias(TClass AClass, const String& Alias) {
  if (!AClass || Alias.empty()) return;
  TClassRegistry& R = Classes();
  std::lock_guard Guard(R.Lock);
  R.ByName[UpperIdent(Alias)] = {Alias, AClass};
}

void UnRegisterClass(TClass AClass) {
  TClassRegistry& R = Classes();
  std::lock_guard Guard(R.Lock);
  std::erase_if(R.ByName, [AClass](const auto& Entry) { return Entry.second.second == AClass; });
}

void UnRegisterClasses(std::initializer_list<TClass> List) {
  for (TClass C : List) UnRegisterClass(C);
}

TClass GetClass(const String& ClassName) {
  TClassRegistry& R = Classes();
  std::lock_guard Guard(R.Lock);
  auto It = R.ByName.find(UpperIdent(ClassName));
  return It == R.ByName.end() ? nullptr : It->second.second;
}

TClass FindClass(const String& ClassName) {
  TClass C = GetClass(ClassName);
  if (!C) throw EClassNotFound("Klasse " + ClassName + " nicht gefunden");
  return C;
}

std::vector<String> GetRegisteredClassNames() {
  TClassRegistry& R = Classes();
  std::lock_guard Guard(R.Lock);
  std::vector<String> Names;
  for (const auto& Entry : R.ByName) Names.push_back(Entry.second.first);
  return Names;
}
