// TCtList: a doubly linked list, one heap node per item.
#include <cstdlib>

#include "foundation/CtContainers.h"

RTL_IMPLEMENT_CLASS(TCtList, TCtLinearContainer, nullptr)

TCtList::~TCtList() { Clear(); }

TCtList::Node* TCtList::NewNode(bool AtHead) {
  auto* N = static_cast<Node*>(std::malloc(sizeof(Node) + ItemSize()));
  if (!N) throw EOutOfMemory("Zu wenig Arbeitsspeicher");
  if (AtHead) {
    N->Prev = nullptr;
    N->Next = FFirst;
    (FFirst ? FFirst->Prev : FLast) = N;
    FFirst = N;
  } else {
    N->Next = nullptr;
    N->Prev = FLast;
    (FLast ? FLast->Next : FFirst) = N;
    FLast = N;
  }
  ++FCount;
  return N;
}

void* TCtList::InsertFirstUninitialised() { return ItemOf(NewNode(true)); }
void* TCtList::InsertLastUninitialised() { return ItemOf(NewNode(false)); }

void* TCtList::InsertFirst() {
  void* Item = InsertFirstUninitialised();
  InitItem(Item);
  return Item;
}

void* TCtList::InsertLast() {
  void* Item = InsertLastUninitialised();
  InitItem(Item);
  return Item;
}

void* TCtList::First() { return ItemOf(FFirst); }
void* TCtList::Last() { return ItemOf(FLast); }
void* TCtList::NextItem(void* Item) const { return Item ? ItemOf(NodeOf(Item)->Next) : nullptr; }
void* TCtList::PriorItem(void* Item) const { return Item ? ItemOf(NodeOf(Item)->Prev) : nullptr; }

void TCtList::Clear() {
  Node* N = FFirst;
  while (N) {
    Node* Next = N->Next;
    FreeItem(ItemOf(N));
    std::free(N);
    N = Next;
  }
  FFirst = FLast = nullptr;
  FCount = 0;
}

void* TCtList::FindForward(const TCtSameItemsProc& SameItems, void* Data) {
  CheckSameItems(SameItems);
  for (Node* N = FFirst; N; N = N->Next)
    if (SameItems(ItemOf(N), Data)) return ItemOf(N);
  return nullptr;
}

void* TCtList::FindBackward(const TCtSameItemsProc& SameItems, void* Data) {
  CheckSameItems(SameItems);
  for (Node* N = FLast; N; N = N->Prev)
    if (SameItems(ItemOf(N), Data)) return ItemOf(N);
  return nullptr;
}

bool TCtList::TestForward(const TCtSameItemsProc& SameItems, void* Data) {
  return FindForward(SameItems, Data) != nullptr;
}

bool TCtList::TestBackward(const TCtSameItemsProc& SameItems, void* Data) {
  return FindBackward(SameItems, Data) != nullptr;
}

void TCtList::ForEach(const TCtIterateProc& Iterate) {
  CheckIterate(Iterate);
  for (Node* N = FFirst; N; N = N->Next) Iterate(ItemOf(N));
}

void TCtList::Assign(TPersistent* Source) {
  TCtContainer* Src = BeginAssign(Source);
  if (!Src) return;
  AppendCopiesOf(Src);
}

void TCtList::WriteBody(TCtWriter* Writer, void* Extra) {
  Writer->WriteInteger(FCount);
  for (Node* N = FFirst; N; N = N->Next) FHandler->OnWriteItem()(this, Writer, ItemOf(N), Extra);
}

void TCtList::ReadBody(TCtReader* Reader, void* Extra) {
  Integer N = Reader->ReadInteger();
  for (Integer i = 0; i < N; ++i) FHandler->OnReadItem()(this, Reader, InsertLast(), Extra);
}
