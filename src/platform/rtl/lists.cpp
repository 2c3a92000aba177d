#include "platform/rtl/lists.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const char* const SListIndexError = "Der Index der Liste überschreitet das Maximum (%d)";
const char* const SListCapacityError = "Ungültige Listenkapazität (%d)";
const char* const SListCountError = "Ungültige Listenanzahl (%d)";
const char* const SDuplicateItem = "Liste lässt keine Duplikate zu ($0%x)";

RTL_IMPLEMENT_CLASS(TList, TObject, [](TObject*) -> TObject* { return new TList(); })
RTL_IMPLEMENT_CLASS(TObjectList, TList, [](TObject*) -> TObject* { return new TObjectList(); })
RTL_IMPLEMENT_CLASS(TThreadList, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TOrderedList, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TStack, TOrderedList, [](TObject*) -> TObject* { return new TStack(); })
RTL_IMPLEMENT_CLASS(TQueue, TOrderedList, [](TObject*) -> TObject* { return new TQueue(); })

String ListErrorText(const char* Msg, Int64 Data) {
  String S = Msg;
  char Num[32];
  std::size_t P = S.find("%d");
  if (P != String::npos) {
    std::snprintf(Num, sizeof Num, "%lld", static_cast<long long>(Data));
  } else if ((P = S.find("%x")) != String::npos) {
    std::snprintf(Num, sizeof Num, "%llX", static_cast<unsigned long long>(Data));
  }
  if (P != String::npos) S.replace(P, 2, Num);
  return S;
}

void ListError(const char* Msg, Int64 Data) { throw EListError(ListErrorText(Msg, Data)); }

// ---- TList -----------------------------------------------------------------

TList::~TList() { TList::Clear(); }

void TList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= Count()) ListError(SListIndexError, Index);
}

void TList::Notify(void*, TListNotification) {}

Integer TList::Add(void* Item) {
  FItems.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return Count() - 1;
}

void TList::Insert(Integer Index, void* Item) {
  if (Index < 0 || Index > Count()) ListError(SListIndexError, Index);
  FItems.insert(FItems.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(Integer Index) {
  CheckIndex(Index);
  void* Item = FItems[Index];
  FItems.erase(FItems.begin() + Index);
  if (Item) Notify(Item, lnDeleted);
}

Integer TList::Remove(void* Item) {
  Integer Index = IndexOf(Item);
  if (Index >= 0) Delete(Index);
  return Index;
}

void* TList::Extract(void* Item) {
  Integer Index = IndexOf(Item);
  if (Index < 0) return nullptr;
  FItems.erase(FItems.begin() + Index);
  Notify(Item, lnExtracted);
  return Item;
}

Integer TList::IndexOf(void* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<Integer>(It - FItems.begin());
}

void TList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FItems[Index1], FItems[Index2]);
}

void TList::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  void* Item = FItems[CurIndex];
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, Item);
}

void TList::Pack() {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end());
}

void TList::Clear() {
  SetCount(0);
  FItems.shrink_to_fit();
}

void TList::Sort(const TListSortCompare& Compare) {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [&](void* A, void* B) { return Compare(A, B) < 0; });
}

void* TList::Items(Integer Index) const {
  CheckIndex(Index);
  return FItems[Index];
}

void TList::SetItems(Integer Index, void* Item) {
  CheckIndex(Index);
  void* Old = FItems[Index];
  if (Old == Item) return;
  FItems[Index] = Item;
  if (Old) Notify(Old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::SetCount(Integer NewCount) {
  if (NewCount < 0) ListError(SListCountError, NewCount);
  if (NewCount >= Count()) {
    FItems.resize(NewCount, nullptr);
    return;
  }
  // Dropped items go from the end, each notified after it has left.
  while (Count() > NewCount) Delete(Count() - 1);
}

void TList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < Count()) ListError(SListCapacityError, NewCapacity);
  if (NewCapacity > Capacity()) {
    FItems.reserve(NewCapacity);
  } else {
    std::vector<void*> Copy;
    Copy.reserve(NewCapacity);
    Copy.assign(FItems.begin(), FItems.end());
    FItems.swap(Copy);
  }
}

// ---- TObjectList -----------------------------------------------------------

TObjectList::~TObjectList() { Clear(); }

void TObjectList::SetItems(Integer Index, TObject* AObject) { TList::SetItems(Index, AObject); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) delete static_cast<TObject*>(Ptr);
}

// ---- TThreadList -----------------------------------------------------------

void TThreadList::Add(void* Item) {
  std::lock_guard<std::recursive_mutex> Guard(FLock);
  if (FDuplicates == dupAccept || FList.IndexOf(Item) < 0) {
    FList.Add(Item);
  } else if (FDuplicates == dupError) {
    ListError(SDuplicateItem, static_cast<Int64>(reinterpret_cast<std::uintptr_t>(Item)));
  }
}

void TThreadList::Remove(void* Item) {
  std::lock_guard<std::recursive_mutex> Guard(FLock);
  FList.Remove(Item);
}

void TThreadList::Clear() {
  std::lock_guard<std::recursive_mutex> Guard(FLock);
  FList.Clear();
}

TList* TThreadList::LockList() {
  FLock.lock();
  return &FList;
}

void TThreadList::UnlockList() { FLock.unlock(); }

// ---- TStack / TQueue -------------------------------------------------------

void* TOrderedList::Push(void* Item) {
  FList.Add(Item);
  return Item;
}

void* TOrderedList::Pop() {
  if (FList.Count() == 0) return nullptr;
  Integer Index = NextIndex();
  void* Item = FList.Items(Index);
  FList.Delete(Index);
  return Item;
}

void* TOrderedList::Peek() const { return FList.Count() ? FList.Items(NextIndex()) : nullptr; }
