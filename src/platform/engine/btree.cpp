// The B+tree of one tag: insert, remove, bulk load and free.
#include "platform/engine/btree.h"

#include <algorithm>
#include <unordered_set>

#include "platform/engine/btree_node.h"

namespace oak {

struct BTree::Split {
  bool Happened = false;
  std::string Separator;  // first entry of the new right page
  std::uint32_t Right = 0;
};

std::uint16_t MaxKeyLength(std::uint32_t PageSize) {
  std::uint32_t Max = (PageSize - kNodeHeader) / 4 - 8;
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(Max, 4096));
}

std::uint32_t BTree::LeafCapacity() const {
  return static_cast<std::uint32_t>((FPager.PageSize() - kNodeHeader) / EntrySize());
}
std::uint32_t BTree::InnerCapacity() const {
  return static_cast<std::uint32_t>((FPager.PageSize() - kNodeHeader) / (EntrySize() + 4));
}

NodeView BTree::Node(std::uint32_t Page) {
  NodeView N(FPager.Read(Page), EntrySize());
  bool Ok = (N.Type() == kLeafPage && N.Level() == 0 && N.Count() <= LeafCapacity()) ||
            (N.Type() == kInnerPage && N.Level() > 0 && N.Count() <= InnerCapacity());
  if (!Ok) TreeCorrupt("bad tree page " + std::to_string(Page));
  return N;
}

void BTree::CreateEmpty() {
  if (FState.KeyLength == 0 || FState.KeyLength > MaxKeyLength(FPager.PageSize()))
    ThrowEngineError(kIndexKeyTooLong, "Key length " + std::to_string(FState.KeyLength) +
                                           " does not fit the index page size " +
                                           std::to_string(FPager.PageSize()));
  std::uint32_t Page = FPager.Allocate();
  NodeView(FPager.Write(Page), EntrySize()).Init(kLeafPage, 0);
  FState.Root = Page;
  FState.KeyCount = 0;
}

bool BTree::InsertInto(std::uint32_t Page, const std::string& Entry, int Depth, Split& Out) {
  if (Depth > kMaxTreeDepth) TreeCorrupt("tree too deep");
  NodeView N = Node(Page);
  std::uint32_t Pos = N.Bound(Entry, !N.IsLeaf());
  Split Below;
  if (N.IsLeaf()) {
    if (Pos < N.Count() && N.Entry(Pos) == std::string_view(Entry)) return false;
  } else {
    std::uint32_t Child = N.ChildAt(Pos);
    if (!InsertInto(Child, Entry, Depth + 1, Below)) return false;
    if (!Below.Happened) return true;
  }
  N = NodeView(FPager.Write(Page), EntrySize());
  const std::string& Ins = N.IsLeaf() ? Entry : Below.Separator;
  std::uint32_t Cap = N.IsLeaf() ? LeafCapacity() : InnerCapacity();
  if (N.Count() < Cap) {
    N.InsertSlot(Pos, Ins, Below.Right);
    return true;
  }
  // Full: build the n+1 slots, keep the left part here, move the rest right.
  std::size_t S = N.SlotSize();
  std::uint32_t Total = N.Count() + 1;
  std::string All(reinterpret_cast<const char*>(N.Slot(0)), Pos * S);
  All.append(Ins);
  if (!N.IsLeaf()) {
    All.resize(All.size() + 4);
    StoreLE32(All.data() + All.size() - 4, Below.Right);
  }
  All.append(reinterpret_cast<const char*>(N.Slot(Pos)), (N.Count() - Pos) * S);
  bool Append = Pos == N.Count() && (N.IsLeaf() ? N.Link() == 0 : true);
  std::uint32_t Keep = Append ? Total - 1 : Total / 2;
  std::uint32_t Right = FPager.Allocate();
  N = NodeView(FPager.Write(Page), EntrySize());
  NodeView R(FPager.Write(Right), EntrySize());
  R.Init(N.Type(), N.Level());
  std::memcpy(N.Slot(0), All.data(), Keep * S);
  N.SetCount(Keep);
  Out.Happened = true;
  Out.Right = Right;
  if (N.IsLeaf()) {
    std::memcpy(R.Slot(0), All.data() + Keep * S, (Total - Keep) * S);
    R.SetCount(Total - Keep);
    Out.Separator.assign(All.data() + Keep * S, EntrySize());
    R.SetLink(N.Link());
    R.SetPrev(Page);
    if (N.Link()) NodeView(FPager.Write(N.Link()), EntrySize()).SetPrev(Right);
    N.SetLink(Right);
  } else {
    // The slot at Keep moves up; its child becomes the right page's leftmost.
    const char* Up = All.data() + Keep * S;
    Out.Separator.assign(Up, EntrySize());
    R.SetLink(LoadLE32(reinterpret_cast<const std::uint8_t*>(Up) + EntrySize()));
    std::memcpy(R.Slot(0), Up + S, (Total - Keep - 1) * S);
    R.SetCount(Total - Keep - 1);
  }
  return true;
}

bool BTree::Insert(std::string_view Key, std::uint32_t RecNo) {
  if (Key.size() != FState.KeyLength)
    ThrowEngineError(kExprKeyLength, "Key of " + std::to_string(Key.size()) +
                                         " bytes for a tag of " + std::to_string(FState.KeyLength));
  FPager.Trim();
  if (FState.Root == 0) CreateEmpty();
  std::string Entry = MakeEntry(Key, FState.KeyLength, RecNo);
  Split S;
  if (!InsertInto(FState.Root, Entry, 0, S)) return false;
  if (S.Happened) {
    std::uint8_t Level = Node(FState.Root).Level();
    std::uint32_t Root = FPager.Allocate();
    NodeView R(FPager.Write(Root), EntrySize());
    R.Init(kInnerPage, static_cast<std::uint8_t>(Level + 1));
    R.SetLink(FState.Root);
    R.InsertSlot(0, S.Separator, S.Right);
    FState.Root = Root;
  }
  ++FState.KeyCount;
  return true;
}

void BTree::UnlinkLeaf(std::uint32_t Leaf) {
  NodeView L = Node(Leaf);
  std::uint32_t Next = L.Link(), Prev = L.Prev();
  if (Prev) NodeView(FPager.Write(Prev), EntrySize()).SetLink(Next);
  if (Next) NodeView(FPager.Write(Next), EntrySize()).SetPrev(Prev);
}

void BTree::RemoveChild(std::uint32_t Inner, std::size_t Slot, bool& Emptied) {
  NodeView N(FPager.Write(Inner), EntrySize());
  Emptied = false;
  if (Slot > 0) {
    N.RemoveSlot(static_cast<std::uint32_t>(Slot - 1));
  } else if (N.Count() > 0) {
    N.SetLink(N.Child(0));
    N.RemoveSlot(0);
  } else {
    Emptied = true;
  }
}

bool BTree::RemoveFrom(std::uint32_t Page, const std::string& Entry, int Depth, bool& Emptied) {
  if (Depth > kMaxTreeDepth) TreeCorrupt("tree too deep");
  NodeView N = Node(Page);
  Emptied = false;
  if (N.IsLeaf()) {
    std::uint32_t Pos = N.Bound(Entry, false);
    if (Pos >= N.Count() || N.Entry(Pos) != std::string_view(Entry)) return false;
    N = NodeView(FPager.Write(Page), EntrySize());
    N.RemoveSlot(Pos);
    Emptied = N.Count() == 0;
    return true;
  }
  std::uint32_t Pos = N.Bound(Entry, true);
  std::uint32_t Child = N.ChildAt(Pos);
  bool ChildEmptied = false;
  if (!RemoveFrom(Child, Entry, Depth + 1, ChildEmptied)) return false;
  if (ChildEmptied) {
    if (Node(Child).IsLeaf()) UnlinkLeaf(Child);
    FPager.Free(Child);
    RemoveChild(Page, Pos, Emptied);
  }
  return true;
}

bool BTree::Remove(std::string_view Key, std::uint32_t RecNo) {
  if (FState.Root == 0 || Key.size() != FState.KeyLength) return false;
  FPager.Trim();
  bool Emptied = false;
  if (!RemoveFrom(FState.Root, MakeEntry(Key, FState.KeyLength, RecNo), 0, Emptied)) return false;
  --FState.KeyCount;
  NodeView Root(FPager.Read(FState.Root), EntrySize());
  if (Emptied && !Root.IsLeaf()) {
    NodeView(FPager.Write(FState.Root), EntrySize()).Init(kLeafPage, 0);
  }
  // Collapse inner roots with a single child.
  for (int i = 0; i < kMaxTreeDepth; ++i) {
    NodeView R = Node(FState.Root);
    if (R.IsLeaf() || R.Count() > 0) break;
    std::uint32_t Old = FState.Root;
    FState.Root = R.Link();
    FPager.Free(Old);
  }
  return true;
}

bool BTree::Contains(std::string_view Key, std::uint32_t RecNo) {
  BTreeCursor C(*this);
  return C.SeekEntry(Key, RecNo);
}

bool BTree::ContainsKey(std::string_view Key) {
  BTreeCursor C(*this);
  return C.SeekGE(Key) && C.Key() == Key;
}

std::vector<std::uint32_t> BTree::Pages() {
  std::vector<std::uint32_t> Out;
  if (FState.Root == 0) return Out;
  std::unordered_set<std::uint32_t> Seen;
  std::vector<std::pair<std::uint32_t, int>> Todo{{FState.Root, 0}};
  while (!Todo.empty()) {
    auto [Page, Depth] = Todo.back();
    Todo.pop_back();
    if (Depth > kMaxTreeDepth || !Seen.insert(Page).second)
      TreeCorrupt("page " + std::to_string(Page) + " is reached twice");
    Out.push_back(Page);
    NodeView N = Node(Page);
    if (!N.IsLeaf())
      for (std::uint32_t C = 0; C <= N.Count(); ++C) Todo.emplace_back(N.ChildAt(C), Depth + 1);
  }
  return Out;
}

void BTree::FreeAll() {
  for (std::uint32_t Page : Pages()) FPager.Free(Page);
  FState.Root = 0;
  FState.KeyCount = 0;
}

}  // namespace oak
