// TCtVector: one contiguous block of items.
#include <cstdlib>
#include <cstring>

#include "foundation/CtContainers.h"

RTL_IMPLEMENT_CLASS(TCtVector, TCtLinearContainer, nullptr)

Integer TCtVector::CapacityFor(Integer Count) {
  if (Count <= 0) return 0;
  Integer P = 1;
  while (P * 2 <= Count) P *= 2;
  if (P == Count) return P;
  Integer Step = std::max(P / 4, 2);
  Integer Cap = P + Step;
  while (Cap < Count) Cap += Step;
  return Cap;
}

namespace {
// The next smaller capacity step below Cap (0 below the first step).
Integer PriorCapacity(Integer Cap) {
  Integer M = Cap - 1;
  while (M > 0 && TCtVector::CapacityFor(M) != M) --M;
  return M;
}
}  // namespace

TCtVector::~TCtVector() { Clear(); }

// Brings the block to the capacity NewCount needs, growing at once and
// shrinking only when the count fell below the next smaller step.
void TCtVector::Resize(Integer NewCount) {
  Integer OldCap = CapacityFor(FCount);
  Integer NewCap = CapacityFor(NewCount);
  bool Grow = NewCount > OldCap;
  bool Shrink = NewCount < FCount && NewCount <= PriorCapacity(OldCap);
  if (!Grow && !Shrink) return;
  if (NewCap == 0) {
    std::free(FData);
    FData = nullptr;
    return;
  }
  void* P = std::realloc(FData, std::size_t(NewCap) * ItemSize());
  if (!P) throw EOutOfMemory("Zu wenig Arbeitsspeicher");
  FData = static_cast<Byte*>(P);
}

void* TCtVector::GetItemPointer(Integer Index) const {
  if (Index < 0 || Index >= FCount) IndexError(Index);
  return ItemAt(Index);
}

void* TCtVector::InsertLastUninitialised() {
  Resize(FCount + 1);
  return ItemAt(FCount++);
}

void* TCtVector::InsertLast() {
  void* Item = InsertLastUninitialised();
  InitItem(Item);
  return Item;
}

void* TCtVector::InsertFirstUninitialised() {
  Resize(FCount + 1);
  std::memmove(ItemAt(1), ItemAt(0), std::size_t(FCount) * ItemSize());
  ++FCount;
  return ItemAt(0);
}

void* TCtVector::InsertFirst() {
  void* Item = InsertFirstUninitialised();
  InitItem(Item);
  return Item;
}

void TCtVector::Delete(Integer Index) {
  FreeItem(GetItemPointer(Index));
  std::memmove(ItemAt(Index), ItemAt(Index + 1), std::size_t(FCount - Index - 1) * ItemSize());
  Resize(FCount - 1);
  --FCount;
}

void TCtVector::Clear() {
  if (FHandler->OnFreeItem())
    for (Integer i = 0; i < FCount; ++i) FreeItem(ItemAt(i));
  std::free(FData);
  FData = nullptr;
  FCount = 0;
}

bool TCtVector::TestForward(const TCtSameItemsProc& SameItems, void* Data) {
  return FindForward(SameItems, Data) != nullptr;
}

bool TCtVector::TestBackward(const TCtSameItemsProc& SameItems, void* Data) {
  return FindBackward(SameItems, Data) != nullptr;
}

void* TCtVector::FindForward(const TCtSameItemsProc& SameItems, void* Data) {
  CheckSameItems(SameItems);
  for (Integer i = 0; i < FCount; ++i)
    if (SameItems(ItemAt(i), Data)) return ItemAt(i);
  return nullptr;
}

void* TCtVector::FindBackward(const TCtSameItemsProc& SameItems, void* Data) {
  CheckSameItems(SameItems);
  for (Integer i = FCount - 1; i >= 0; --i)
    if (SameItems(ItemAt(i), Data)) return ItemAt(i);
  return nullptr;
}

void TCtVector::ForEach(const TCtIterateProc& Iterate) {
  CheckIterate(Iterate);
  for (Integer i = 0; i < FCount; ++i) Iterate(ItemAt(i));
}

bool TCtVector::BinarySearch(const void* Key, const TCtCompareProc& Compare, Integer& Index) const {
  if (!Compare) Error("CompareItems not assigned");
  Integer Low = 0, High = FCount - 1;
  while (Low <= High) {
    Integer Middle = (Low + High) / 2;
    int C = Compare(ItemAt(Middle), Key);
    if (C < 0) {
      Low = Middle + 1;
    } else if (C > 0) {
      High = Middle - 1;
    } else {
      Index = Middle;
      return true;
    }
  }
  Index = Low;
  return false;
}

void TCtVector::SwapItems(Integer A, Integer B) {
  if (A == B) return;
  Byte* PA = ItemAt(A);
  Byte* PB = ItemAt(B);
  Integer N = ItemSize();
  Integer i = 0;
  for (; i + 4 <= N; i += 4) {
    std::uint32_t T;
    std::memcpy(&T, PA + i, 4);
    std::memcpy(PA + i, PB + i, 4);
    std::memcpy(PB + i, &T, 4);
  }
  for (; i < N; ++i) std::swap(PA[i], PB[i]);
}

// Iterative quicksort: the middle item is the pivot; the larger part is
// pushed and the smaller one sorted next, so 32 stack slots always do.
void TCtVector::Sort(const TCtCompareProc& Compare) {
  if (!Compare) Error("CompareItems not assigned");
  struct Range {
    Integer Lo, Hi;
  } Stack[32];
  int Top = 0;
  Integer Lo = 0, Hi = FCount - 1;
  for (;;) {
    while (Lo < Hi) {
      SwapItems(Lo, Lo + (Hi - Lo) / 2);
      Integer I = Lo + 1, J = Hi;
      for (;;) {
        while (I <= J && Compare(ItemAt(Lo), ItemAt(I)) > 0) ++I;
        while (J >= I && Compare(ItemAt(J), ItemAt(Lo)) > 0) --J;
        if (I >= J) break;
        SwapItems(I++, J--);
      }
      SwapItems(Lo, J);
      if (J - Lo > Hi - J) {
        Stack[Top++] = {Lo, J - 1};
        Lo = J + 1;
      } else {
        Stack[Top++] = {J + 1, Hi};
        Hi = J - 1;
      }
    }
    if (Top == 0) break;
    --Top;
    Lo = Stack[Top].Lo;
    Hi = Stack[Top].Hi;
  }
}

void TCtVector::Assign(TPersistent* Source) {
  TCtContainer* Src = BeginAssign(Source);
  if (!Src) return;
  AppendCopiesOf(Src);
}

void TCtVector::WriteBody(TCtWriter* Writer, void* Extra) {
  Writer->WriteInteger(FCount);
  for (Integer i = 0; i < FCount; ++i) FHandler->OnWriteItem()(this, Writer, ItemAt(i), Extra);
}

void TCtVector::ReadBody(TCtReader* Reader, void* Extra) {
  Integer N = Reader->ReadInteger();
  for (Integer i = 0; i < N; ++i) FHandler->OnReadItem()(this, Reader, InsertLast(), Extra);
}
