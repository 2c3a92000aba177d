#include "platform/rtl/classes.h"

#include <algorithm>

#include "platform/rtl/typinfo_util.h"

RTL_IMPLEMENT_CLASS(TComponent, TPersistent, ComponentFactory<TComponent>)

RTL_PUBLISHED(TComponent) {
  // The name is written in the object header of a form description, not
  // as a property.
  P.Prop("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  P.Prop("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

namespace {

void EraseOne(std::vector<TComponent*>& List, TComponent* Item) {
  auto It = std::find(List.begin(), List.end(), Item);
  if (It != List.end()) List.erase(It);
}

bool Contains(const std::vector<TComponent*>& List, TComponent* Item) {
  return std::find(List.begin(), List.end(), Item) != List.end();
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Free() {
  BeforeDestruction();
  Destroying();
  RemoveFreeNotifications();
  delete this;
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("Der Index der Liste überschreitet das Maximum (" + std::to_string(Index) + ")");
  return FComponents[size_t(Index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  const auto& L = FOwner->FComponents;
  return int(std::find(L.begin(), L.end(), this) - L.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (!FOwner) return;
  auto& L = FOwner->FComponents;
  int Old = ComponentIndex();
  Value = std::clamp(Value, 0, int(L.size()) - 1);
  if (Old == Value) return;
  L.erase(L.begin() + Old);
  L.insert(L.begin() + Value, this);
}

void TComponent::SetName(const String& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdentifier(NewName))
    throw EComponentError("''" + NewName + "'' ist kein gültiger Komponentenname");
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  ChangeName(NewName);
}

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName,
                                const String& NewName) {
  if (!AComponent || SameIdent(CurName, NewName)) return;
  TComponent* Holder = FindComponent(NewName);
  if (Holder && Holder != AComponent)
    throw EComponentError("Komponente mit der Bezeichnung " + NewName + " existiert bereits");
}

void TComponent::ValidateInsert(TComponent*) {}

void TComponent::ValidateContainer(TComponent* AContainer) { AContainer->ValidateInsert(this); }

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  AComponent->ValidateContainer(this);
  ValidateRename(AComponent, String(), AComponent->FName);
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  AComponent->FOwner = nullptr;
  EraseOne(FComponents, AComponent);
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* C : FComponents)
    if (SameIdent(C->FName, AName)) return C;
  return nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* Instance = FComponents.back();
    // A component that others watch tells the tree it is going; the rest
    // simply leave the list.
    if (Instance->FComponentState.Contains(csFreeNotification))
      RemoveComponent(Instance);
    else
      Remove(Instance);
    Instance->Free();
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* C : FComponents) C->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  if (!FOwner || AComponent->FOwner != FOwner) {
    if (!Contains(FFreeNotifies, AComponent)) {
      FFreeNotifies.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  RemoveNotification(AComponent);
  if (AComponent) AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) { EraseOne(FFreeNotifies, AComponent); }

void TComponent::RemoveFreeNotifications() {
  while (!FFreeNotifies.empty()) {
    TComponent* Other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    Other->Notification(this, opRemove);
  }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Copy: a handler may insert or remove components.
  std::vector<TComponent*> Children = FComponents;
  for (TComponent* C : Children)
    if (Contains(FComponents, C)) C->Notification(AComponent, Operation);
}

void TComponent::BeginReading() {
  FComponentState.Include(csLoading);
  FComponentState.Include(csReading);
}

void TComponent::EndReading() { FComponentState.Exclude(csReading); }

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::Updating() { FComponentState.Include(csUpdating); }

void TComponent::Updated() { FComponentState.Exclude(csUpdating); }

void TComponent::GetChildren(const TGetChildProc&, TComponent*) {}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::SetState(TComponentStateItem Item, bool On) {
  if (On)
    FComponentState.Include(Item);
  else
    FComponentState.Exclude(Item);
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  SetState(csDesigning, Value);
  if (SetChildren)
    for (TComponent* C : FComponents) C->SetDesigning(Value, true);
}

void TComponent::SetInline(bool Value) { SetState(csInline, Value); }

void TComponent::SetSubComponent(bool Value) {
  if (Value)
    FComponentStyle.Include(csSubComponent);
  else
    FComponentStyle.Exclude(csSubComponent);
}

TComponent* CreateComponent(TComponentClass C, TComponent* AOwner) {
  if (!C || !C->InheritsFrom(TComponent::StaticClass()))
    throw EComponentError(String(C ? C->Name : "nil") + " ist keine Komponentenklasse");
  if (!C->Factory)
    throw EComponentError("Instanz der abstrakten Klasse " + String(C->Name) + " kann nicht erzeugt werden");
  return static_cast<TComponent*>(C->Create(AOwner));
}
