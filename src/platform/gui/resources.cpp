// Resource lookup: run-time registrations and the embedded table.
#include "platform/gui/resources.h"

#include <map>
#include <mutex>

#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TResourceStream, TReadOnlyMemoryStream, nullptr)

namespace {
using TKey = std::pair<String, String>;  // upper-case name, upper-case type

std::mutex& Lock() {
  static std::mutex M;
  return M;
}
std::map<TKey, std::vector<Byte>>& Registered() {
  static std::map<TKey, std::vector<Byte>> R;
  return R;
}
TKey MakeKey(const String& Name, const String& Type) { return {UpperCase(Name), UpperCase(Type)}; }

bool FindEmbedded(const TKey& Key, TResourceData& Found) {
  for (const TEmbeddedResource* E = EmbeddedResourceList(); E; E = E->Next)
    if (UpperCase(E->Name) == Key.first && UpperCase(E->Type) == Key.second) {
      Found.Data = E->Data;
      Found.Size = E->Size;
      return true;
    }
  return false;
}

TResourceData FindOrRaise(const String& Name, const String& Type) {
  TResourceData D;
  if (!FindResource(Name, Type, D)) throw EResNotFound("Ressource " + Name + " nicht gefunden");
  return D;
}
}  // namespace

void RegisterResource(const String& Name, const String& Type, const std::vector<Byte>& Data) {
  std::lock_guard<std::mutex> L(Lock());
  Registered()[MakeKey(Name, Type)] = Data;
}

void RegisterResource(const String& Name, const String& Type, const String& Text) {
  RegisterResource(Name, Type, std::vector<Byte>(Text.begin(), Text.end()));
}

void UnregisterResource(const String& Name, const String& Type) {
  std::lock_guard<std::mutex> L(Lock());
  Registered().erase(MakeKey(Name, Type));
}

bool FindResource(const String& Name, const String& Type, TResourceData& Found) {
  TKey Key = MakeKey(Name, Type);
  {
    std::lock_guard<std::mutex> L(Lock());
    auto It = Registered().find(Key);
    if (It != Registered().end()) {
      Found.Data = It->second.data();
      Found.Size = It->second.size();
      return true;
    }
  }
  return FindEmbedded(Key, Found);
}

std::vector<String> ResourceNames(const String& Type) {
  String T = UpperCase(Type);
  std::vector<String> Names;
  {
    std::lock_guard<std::mutex> L(Lock());
    for (const auto& [Key, Data] : Registered())
      if (Key.second == T) Names.push_back(Key.first);
  }
  for (const TEmbeddedResource* E = EmbeddedResourceList(); E; E = E->Next)
    if (UpperCase(E->Type) == T) Names.push_back(UpperCase(E->Name));
  return Names;
}

TResourceStream::TResourceStream(const String& Name, const String& Type)
    : TResourceStream(FindOrRaise(Name, Type)) {}

TResourceStream::TResourceStream(const TResourceData& Data)
    : TReadOnlyMemoryStream(Data.Data, Int64(Data.Size)) {}
