// Reading a parsed form description into components: creation, names,
// parents, properties, collections, event bindings, fixups and the loading
// bracket.
#include "platform/gui/reader.h"

#include <map>
#include <mutex>

#include "platform/gui/forms.h"
#include "platform/gui/resources.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/collection.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"

namespace {

// A component reference to resolve once the whole tree is read.
struct TFixup {
  TObject* Instance;
  PPropInfo Prop;
  String Reference;
  String Where;  // "Component.Property" for messages
};

class TReader {
 public:
  explicit TReader(TComponent* Root) : FRoot(Root) {}

  // Reads one description (one level of an inheritance chain) into the root.
  void ReadLevel(const TDfmObject& O) {
    try {
      StartLoading(FRoot);
      if (!O.Name.empty() && FRoot->Name().empty()) FRoot->SetName(UniqueRootName(O.Name));
      ReadBody(O, FRoot, FRoot);
    } catch (...) {
      Abandon();
      throw;
    }
  }

  // Resolves the references, ends the reading state and runs Loaded.
  void Finish() {
    try {
      for (const TFixup& F : FFixups) ResolveFixup(F);
    } catch (...) {
      Abandon();
      throw;
    }
    for (TComponent* C : FLoaded) C->EndReading();
    for (TComponent* C : FLoaded) C->Loaded();
  }

 private:
  TComponent* FRoot;
  std::vector<TComponent*> FLoaded;
  std::vector<TFixup> FFixups;

  void Abandon() {
    for (TComponent* C : FLoaded) C->EndReading();
  }

  void StartLoading(TComponent* C) {
    if (std::find(FLoaded.begin(), FLoaded.end(), C) != FLoaded.end()) return;
    C->BeginReading();
    FLoaded.push_back(C);
  }

  // The root's name, made unique among its owner's components.
  String UniqueRootName(const String& Name) {
    TComponent* Owner = FRoot->Owner();
    if (!Owner || !Owner->FindComponent(Name)) return Name;
    for (int I = 1;; ++I) {
      String Candidate = Name + "_" + IntToStr(I);
      if (!Owner->FindComponent(Candidate)) return Candidate;
    }
  }

  void ReadBody(const TDfmObject& O, TComponent* Instance, TComponent* AsParent) {
    for (const TDfmProperty& P : O.Properties) ReadProperty(Instance, P, Instance->Name());
    for (const TDfmObject& Child : O.Children) ReadChild(Child, AsParent);
  }

  TComponent* MakeChild(const TDfmObject& O) {
    if (O.Kind != TDfmObject::kObject) {
      TComponent* Existing = FRoot->FindComponent(O.Name);
      if (!Existing) throw EReadError("Vorfahr für '" + O.Name + "' nicht gefunden");
      return Existing;
    }
    TClass Cls = FindClass(O.ClassName);
    TComponent* C = CreateComponent(Cls, FRoot);
    try {
      StartLoading(C);
      if (!O.Name.empty()) C->SetName(O.Name);
    } catch (...) {
      FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), C), FLoaded.end());
      C->Free();
      throw;
    }
    return C;
  }

  // Stores C in the root's published field of the same name (an object
  // property of a class that C belongs to), as the form's code expects.
  void BindField(TComponent* C) {
    if (C->Name().empty()) return;
    PPropInfo Field = GetPropInfo(FRoot, C->Name());
    if (!Field || Field->Kind() != tkClass || Field->IsReadOnly()) return;
    if (!C->InheritsFrom(Field->PropType->ClassType)) return;
    SetObjectProp(FRoot, Field, C);
  }

  void ReadChild(const TDfmObject& O, TComponent* Enclosing) {
    TComponent* C = MakeChild(O);
    StartLoading(C);
    BindField(C);
    if (C->HasParent() && Enclosing) C->SetParentComponent(Enclosing);
    ReadBody(O, C, C);
  }

  // ---- Properties ----------------------------------------------------------------------------

  void ReadProperty(TObject* Instance, const TDfmProperty& P, const String& Owner) {
    String Where = Owner + "." + P.Name;
    try {
      SetProperty(Instance, P.Name, P.Value, Where);
    } catch (const EReadError&) {
      throw;
    } catch (const Exception& E) {
      throw EReadError("Fehler beim Lesen von " + Where + ": " + E.Message());
    }
  }

  // Walks the dotted path to the object that holds the last segment.
  TObject* WalkPath(TObject* Instance, const String& Path, String& Last) {
    size_t Start = 0;
    for (size_t Dot = Path.find('.'); Dot != String::npos; Dot = Path.find('.', Start)) {
      String Segment = Path.substr(Start, Dot - Start);
      PPropInfo Prop = FindPropInfo(Instance, Segment);
      if (Prop->Kind() != tkClass) throw EPropertyError("Eigenschaft " + Segment + " hat nicht den passenden Typ");
      TObject* Next = GetObjectProp(Instance, Prop);
      if (!Next) throw EPropertyError("Eigenschaft " + Segment + " hat keinen Wert");
      Instance = Next;
      Start = Dot + 1;
    }
    Last = Path.substr(Start);
    return Instance;
  }

  void SetProperty(TObject* Instance, const String& Path, const TDfmValue& V, const String& Where) {
    String Name;
    TObject* Target = WalkPath(Instance, Path, Name);
    PPropInfo Prop = GetPropInfo(Target, Name);
    if (!Prop) {
      const TDefinedPropertyReader* Defined = FindDefinedProperty(Target->ClassType(), Name);
      if (!Defined) throw EPropertyError("Eigenschaft " + Name + " existiert nicht");
      (*Defined)(Target, V);
      return;
    }
    switch (Prop->Kind()) {
      case tkMethod: return SetMethod(Target, Prop, V);
      case tkClass: return SetObject(Target, Prop, V, Where);
      default:
        if (IsStringKind(Prop->Kind()) && V.Kind == TDfmValueKind::String) SetStrProp(Target, Prop, V.Text);
        else SetPropValue(Target, Prop, V.AsText(), FRoot);
    }
  }

  void SetMethod(TObject* Target, PPropInfo Prop, const TDfmValue& V) {
    if (V.Kind != TDfmValueKind::Ident && V.Kind != TDfmValueKind::String)
      throw EPropertyError("Ungültiger Eigenschaftswert");
    if (V.Text.empty() || SameText(V.Text, "nil")) SetMethodProp(Target, Prop, TMethod{});
    else BindEventByName(Target, Prop, FRoot, V.Text);
  }

  void SetObject(TObject* Target, PPropInfo Prop, const TDfmValue& V, const String& Where) {
    if (V.Kind == TDfmValueKind::Ident) {
      if (SameText(V.Text, "nil")) SetObjectProp(Target, Prop, nullptr);
      else FFixups.push_back({Target, Prop, V.Text, Where});
      return;
    }
    if (V.Kind == TDfmValueKind::Collection) {
      auto* Coll = dynamic_cast<TCollection*>(GetObjectProp(Target, Prop));
      if (!Coll) throw EPropertyError("Eigenschaft " + Prop->Name + " ist keine Kollektion");
      return ReadCollection(Coll, V, Where);
    }
    SetPropValue(Target, Prop, V.AsText(), FRoot);
  }

  void ReadCollection(TCollection* Coll, const TDfmValue& V, const String& Where) {
    Coll->BeginUpdate();
    try {
      Coll->Clear();
      for (const TDfmItem& Item : V.CollectionItems) {
        TCollectionItem* It = Coll->Add();
        for (const TDfmProperty& P : Item.Properties) ReadProperty(It, P, Where);
      }
    } catch (...) {
      Coll->EndUpdate();
      throw;
    }
    Coll->EndUpdate();
  }

  // ---- Fixups -------------------------------------------------------------------------------

  TComponent* FindReference(const String& Ref) {
    size_t Dot = Ref.find('.');
    if (Dot == String::npos) {
      if (SameText(Ref, FRoot->Name())) return FRoot;
      return FRoot->FindComponent(Ref);
    }
    String OwnerName = Ref.substr(0, Dot), Rest = Ref.substr(Dot + 1);
    TComponent* Owner = SameText(OwnerName, FRoot->Name()) ? FRoot : nullptr;
    for (Integer I = 0; !Owner && I < Screen->CustomFormCount(); ++I)
      if (SameText(Screen->CustomForms(I)->Name(), OwnerName)) Owner = Screen->CustomForms(I);
    return Owner ? Owner->FindComponent(Rest) : nullptr;
  }

  void ResolveFixup(const TFixup& F) {
    TComponent* C = FindReference(F.Reference);
    if (!C) throw EReadError("Fehler beim Lesen von " + F.Where + ": Ungültige Referenz " + F.Reference);
    try {
      SetObjectProp(F.Instance, F.Prop, C);
    } catch (const Exception& E) {
      throw EReadError("Fehler beim Lesen von " + F.Where + ": " + E.Message());
    }
  }
};

// ---- Defined properties ------------------------------------------------------------------------

std::mutex& DefinedLock() {
  static std::mutex M;
  return M;
}
std::map<std::pair<TClass, String>, TDefinedPropertyReader>& Defined() {
  static std::map<std::pair<TClass, String>, TDefinedPropertyReader> D;
  return D;
}
}  // namespace

void RegisterDefinedProperty(TClass Class, const String& Name, TDefinedPropertyReader Reader) {
  std::lock_guard<std::mutex> L(DefinedLock());
  Defined()[{Class, UpperCase(Name)}] = std::move(Reader);
}

void RegisterClassLibraryDefinedProperties();  // reader_defined.cpp

const TDefinedPropertyReader* FindDefinedProperty(TClass Class, const String& Name) {
  static const bool Standard = (RegisterClassLibraryDefinedProperties(), true);
  (void)Standard;
  std::lock_guard<std::mutex> L(DefinedLock());
  String Key = UpperCase(Name);
  for (TClass C = Class; C; C = C->Parent) {
    auto It = Defined().find({C, Key});
    if (It != Defined().end()) return &It->second;
  }
  return nullptr;
}

// ---- Entry points ----------------------------------------------------------------------------------

void ReadComponent(const TDfmObject& Description, TComponent* Root) {
  TReader R(Root);
  R.ReadLevel(Description);
  R.Finish();
}

void ReadComponentFromText(const String& Text, TComponent* Root) { ReadComponent(ParseFormDescription(Text), Root); }

TComponent* CreateComponentFromText(const String& Text, TComponent* Owner) {
  TDfmObject O = ParseFormDescription(Text);
  TComponent* Root = CreateComponent(FindClass(O.ClassName), Owner);
  try {
    ReadComponent(O, Root);
  } catch (...) {
    Root->Free();
    throw;
  }
  return Root;
}

bool InitInheritedComponent(TComponent* Instance, TClass RootAncestor) {
  std::vector<TClass> Chain;
  for (TClass C = Instance->ClassType(); C && C != RootAncestor; C = C->Parent) Chain.push_back(C);
  TReader R(Instance);
  bool Found = false;
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It) {
    TResourceData Data;
    if (!FindResource((*It)->Name, RT_RCDATA, Data)) continue;
    R.ReadLevel(ParseFormDescription(String(reinterpret_cast<const char*>(Data.Data), Data.Size)));
    Found = true;
  }
  if (Found) R.Finish();
  return Found;
}
