#include "platform/rtl/collection.h"
#include "platform/rtl/lists.h"

#include <algorithm>

RTL_IMPLEMENT_CLASS(TCollectionItem, TPersistent, CollectionItemFactory<TCollectionItem>)
RTL_IMPLEMENT_CLASS(TCollection, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TOwnedCollection, TCollection, nullptr)

namespace {

[[noreturn]] void IndexError(int Index) {
  ListError(SListIndexError, Index);
}

}  // namespace

// ---- TCollectionItem ------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  const auto& L = FCollection->FItems;
  return int(std::find(L.begin(), L.end(), this) - L.begin());
}

void TCollectionItem::SetIndex(int Value) {
  if (!FCollection || Value == Index()) return;
  FCollection->MoveItem(this, Value);
  Changed(true);
}

void TCollectionItem::SetDisplayName(const String&) { Changed(false); }

TPersistent* TCollectionItem::GetOwner() { return FCollection; }

String TCollectionItem::GetNamePath() {
  if (!FCollection) return ClassName();
  return FCollection->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0)
    FCollection->Update(AllItems ? nullptr : this);
}

// ---- TCollection ------------------------------------------------------

TCollection::TCollection(TCollectionItemClass AItemClass) : FItemClass(AItemClass) {
  if (!AItemClass || !AItemClass->InheritsFrom(TCollectionItem::StaticClass()) ||
      !AItemClass->Factory)
    throw EInvalidCast("Ungültige Klasse für Kollektionselemente");
}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no Update calls into a collection being destroyed
  Clear();
}

TCollectionItem* TCollection::Add() {
  TObject* Obj = FItemClass->Create(this);
  auto* Item = static_cast<TCollectionItem*>(Obj);
  if (Item->FCollection != this) Item->SetCollection(this);
  return Item;
}

TCollectionItem* TCollection::CheckItem(TClass Expected, TCollectionItem* Item) {
  if (!Item->InheritsFrom(Expected)) {
    delete Item;
    throw EInvalidCast("Ungültige Typumwandlung");
  }
  return Item;
}

TCollectionItem* TCollection::Insert(int Index) {
  TCollectionItem* Item = Add();
  Item->SetIndex(Index);
  return Item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* Item = Items(Index);
  Notify(Item, cnDeleting);
  delete Item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return FItems[size_t(Index)];
}

void TCollection::SetItem(int Index, TCollectionItem* Value) { Items(Index)->Assign(Value); }

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* Item : FItems)
    if (Item->FID == ID) return Item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Assign(TPersistent* Source) {
  auto* Other = dynamic_cast<TCollection*>(Source);
  if (!Other) {
    TPersistent::Assign(Source);
    return;
  }
  if (Other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* Item : Other->FItems) Add()->Assign(Item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TCollection::GetNamePath() {
  TPersistent* Owner = GetOwner();
  if (!Owner) return ClassName();
  String Path = Owner->GetNamePath();
  if (Path.empty()) return ClassName();
  for (PPropInfo P : GetPropList(Owner))
    if (P->Kind() == tkClass && GetObjectProp(Owner, P) == this) return Path + "." + P->Name;
  return ClassName();
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  FItems.erase(std::find(FItems.begin(), FItems.end(), Item));
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::MoveItem(TCollectionItem* Item, int NewIndex) {
  NewIndex = std::clamp(NewIndex, 0, Count() - 1);
  FItems.erase(std::find(FItems.begin(), FItems.end(), Item));
  FItems.insert(FItems.begin() + NewIndex, Item);
}
