// TmtList (chunked pointer list) and TmtFieldList.
#include <algorithm>
#include <cstring>

#include "data/memtable/mtMemTableStorage.h"

RTL_IMPLEMENT_CLASS(TmtList, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TmtFieldList, TObject, nullptr)

// ---- TmtList ------------------------------------------------------------

void TmtList::Locate(Integer Index, Integer& Block, Integer& Offset) const {
  Integer N = BlockCount();
  if (Index <= FMidPoint) {
    Block = 0;
    while (Index >= FCounts[static_cast<size_t>(Block)]) Index -= FCounts[static_cast<size_t>(Block++)];
    Offset = Index;
    return;
  }
  // From the last block backwards: Rest counts the items from Index on.
  Integer Rest = FCount - Index;
  Block = N - 1;
  while (Rest > FCounts[static_cast<size_t>(Block)]) Rest -= FCounts[static_cast<size_t>(Block--)];
  Offset = FCounts[static_cast<size_t>(Block)] - Rest;
}

void* TmtList::Get(Integer Index) const {
  if (Index < 0 || Index >= FCount) return nullptr;
  Integer B, O;
  Locate(Index, B, O);
  return FBlocks[static_cast<size_t>(B)].Items[static_cast<size_t>(O)];
}

void TmtList::Put(Integer Index, void* Item) {
  if (Index < 0 || Index >= FCount) return;
  Integer B, O;
  Locate(Index, B, O);
  FBlocks[static_cast<size_t>(B)].Items[static_cast<size_t>(O)] = Item;
}

void TmtList::NewBlockAt(Integer Block, Integer Capacity) {
  TBlock NB;
  NB.Capacity = std::max(Capacity, 100);
  NB.Items = std::make_unique<void*[]>(static_cast<size_t>(NB.Capacity));
  FBlocks.insert(FBlocks.begin() + Block, std::move(NB));
  FCounts.insert(FCounts.begin() + Block, 0);
}

void TmtList::Grow(Integer Block) {
  TBlock& B = FBlocks[static_cast<size_t>(Block)];
  Integer Count = FCounts[static_cast<size_t>(Block)];
  // Doubling up to the split size: a block filled by appends is copied a
  // few times, not once per hundred items.
  Integer NewCap = std::max(B.Capacity + 100, std::min(B.Capacity * 2, BlockSplitCount));
  auto Items = std::make_unique<void*[]>(static_cast<size_t>(NewCap));
  std::copy(B.Items.get(), B.Items.get() + Count, Items.get());
  B.Items = std::move(Items);
  B.Capacity = NewCap;
}

Integer TmtList::Add(void* Item) {
  if (FBlocks.empty()) NewBlockAt(0, 100);
  Integer Last = BlockCount() - 1;
  Integer Count = FCounts[static_cast<size_t>(Last)];
  if (Count >= FBlocks[static_cast<size_t>(Last)].Capacity) {
    if (Count >= BlockSplitCount) {
      NewBlockAt(++Last, 100);
      Count = 0;
    } else {
      Grow(Last);
    }
  }
  FBlocks[static_cast<size_t>(Last)].Items[static_cast<size_t>(Count)] = Item;
  ++FCounts[static_cast<size_t>(Last)];
  ++FCount;
  Recount();
  return FCount - 1;
}

void TmtList::Insert(Integer Index, void* Item) {
  if (Index >= FCount) {
    Add(Item);
    return;
  }
  if (Index < 0) Index = 0;
  Integer B, O;
  Locate(Index, B, O);
  Integer Count = FCounts[static_cast<size_t>(B)];
  if (Count >= FBlocks[static_cast<size_t>(B)].Capacity) {
    if (Count >= BlockSplitCount) {
      // Split: the items from O on move to a new block after this one, the
      // new item goes to the end of the old block.
      Integer Moved = Count - O;
      NewBlockAt(B + 1, Moved + 100);
      TBlock& Old = FBlocks[static_cast<size_t>(B)];
      std::copy(Old.Items.get() + O, Old.Items.get() + Count, FBlocks[static_cast<size_t>(B) + 1].Items.get());
      FCounts[static_cast<size_t>(B) + 1] = static_cast<Word>(Moved);
      Old.Items[static_cast<size_t>(O)] = Item;
      FCounts[static_cast<size_t>(B)] = static_cast<Word>(O + 1);
      ++FCount;
      Recount();
      return;
    }
    Grow(B);
  }
  void** Items = FBlocks[static_cast<size_t>(B)].Items.get();
  std::move_backward(Items + O, Items + Count, Items + Count + 1);
  Items[O] = Item;
  ++FCounts[static_cast<size_t>(B)];
  ++FCount;
  Recount();
}

void TmtList::Delete(Integer Index) {
  if (Index < 0 || Index >= FCount) return;
  Integer B, O;
  Locate(Index, B, O);
  void** Items = FBlocks[static_cast<size_t>(B)].Items.get();
  Integer Count = FCounts[static_cast<size_t>(B)];
  std::move(Items + O + 1, Items + Count, Items + O);
  --FCounts[static_cast<size_t>(B)];
  --FCount;
  if (FCounts[static_cast<size_t>(B)] == 0) {
    FBlocks.erase(FBlocks.begin() + B);
    FCounts.erase(FCounts.begin() + B);
  }
  Recount();
}

void TmtList::Clear() {
  FBlocks.clear();
  FCounts.clear();
  FCount = 0;
  Recount();
}

void TmtList::SetCapacity(Integer Capacity) {
  if (!FBlocks.empty() || Capacity <= 0) return;
  NewBlockAt(0, std::min(Capacity, BlockSplitCount));
}

std::vector<void*> TmtList::ToVector() const {
  std::vector<void*> R;
  R.reserve(static_cast<size_t>(FCount));
  for (size_t B = 0; B < FBlocks.size(); ++B)
    R.insert(R.end(), FBlocks[B].Items.get(), FBlocks[B].Items.get() + FCounts[B]);
  return R;
}

void TmtList::Assign(const std::vector<void*>& Items) {
  Clear();
  for (size_t Start = 0; Start < Items.size(); Start += BlockSplitCount) {
    size_t N = std::min<size_t>(BlockSplitCount, Items.size() - Start);
    NewBlockAt(BlockCount(), static_cast<Integer>(N));
    std::copy(Items.begin() + static_cast<std::ptrdiff_t>(Start),
              Items.begin() + static_cast<std::ptrdiff_t>(Start + N), FBlocks.back().Items.get());
    FCounts.back() = static_cast<Word>(N);
  }
  FCount = static_cast<Integer>(Items.size());
  Recount();
}

// ---- TmtFieldList -----------------------------------------------------------

Integer TmtFieldList::Add(TField* Field, TmtMemTableCompareOptions Options) {
  if (Count() >= MT_MAX_FIELDS) throw EMemTableError(mtSTooManyFieldDefs);
  TEntry E;
  E.Field = Field;
  E.Options = Options;
  E.FieldNo = Field ? Field->FieldNo() : 0;
  E.Size = Field ? Field->Size() : 0;
  FItems.push_back(E);
  return Count() - 1;
}

Integer TmtFieldList::IndexOf(const TField* Field) const {
  for (size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I].Field == Field) return static_cast<Integer>(I);
  return -1;
}

void TmtFieldList::AssignTo(TmtFieldList& Dest) const { Dest.FItems = FItems; }

void TmtFieldList::MergeOptions(const TmtFieldList& Other) {
  for (const TEntry& E : Other.FItems) {
    Integer I = IndexOf(E.Field);
    if (I >= 0) FItems[static_cast<size_t>(I)].Options = FItems[static_cast<size_t>(I)].Options + E.Options;
  }
}
