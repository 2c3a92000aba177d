// Bulk loading and verification of a tag's B+tree.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/engine/btree.h"
#include "platform/engine/btree_node.h"

namespace oak {

namespace {

struct Built {
  std::string First;  // first entry below the page
  std::uint32_t Page;
};

}  // namespace

void BTree::BulkLoad(const std::vector<const std::uint8_t*>& Entries) {
  FreeAll();
  CreateEmpty();
  if (Entries.empty()) return;
  const std::size_t E = EntrySize();
  std::vector<Built> Level;
  std::uint32_t Cap = LeafCapacity(), Prev = 0;
  const std::uint8_t* Last = nullptr;
  for (std::size_t i = 0; i < Entries.size();) {
    std::uint32_t Page = Level.empty() ? FState.Root : FPager.Allocate();
    NodeView N(FPager.Write(Page), E);
    N.Init(kLeafPage, 0);
    N.SetPrev(Prev);
    if (Prev) NodeView(FPager.Write(Prev), E).SetLink(Page);
    std::size_t End = std::min(Entries.size(), i + Cap);
    std::uint32_t S = 0;
    for (; i < End; ++i, ++S) {
      if (Last && std::memcmp(Entries[i], Last, E) <= 0)
        ThrowEngineError(kIndexCorrupt, "Bulk load entries are not sorted");
      Last = Entries[i];
      std::memcpy(N.Slot(S), Entries[i], E);
    }
    N.SetCount(S);
    Level.push_back({std::string(N.Entry(0)), Page});
    Prev = Page;
  }
  std::uint8_t Height = 0;
  Cap = InnerCapacity();
  while (Level.size() > 1) {
    ++Height;
    std::vector<Built> Up;
    for (std::size_t i = 0; i < Level.size();) {
      std::uint32_t Page = FPager.Allocate();
      NodeView N(FPager.Write(Page), E);
      N.Init(kInnerPage, Height);
      N.SetLink(Level[i].Page);
      Up.push_back({Level[i].First, Page});
      std::size_t End = std::min(Level.size(), i + 1 + Cap);
      for (++i; i < End; ++i) N.InsertSlot(N.Count(), Level[i].First, Level[i].Page);
    }
    Level.swap(Up);
  }
  FState.Root = Level[0].Page;
  FState.KeyCount = static_cast<std::uint32_t>(Entries.size());
}

struct BTree::VerifyState {
  std::string Last;            // the last entry seen, in key order
  std::uint32_t PrevLeaf = 0;  // the last leaf seen
  int LeafLevel = -1;          // depth of the leaves
  std::unordered_set<std::uint32_t> Seen;
};

std::uint32_t BTree::VerifyPage(std::uint32_t Page, int Depth, VerifyState& V) {
  if (Depth > kMaxTreeDepth) TreeCorrupt("tree too deep");
  if (!V.Seen.insert(Page).second) TreeCorrupt("page " + std::to_string(Page) + " is reached twice");
  NodeView N = Node(Page);
  if (N.IsLeaf()) {
    if (V.LeafLevel < 0) V.LeafLevel = Depth;
    if (V.LeafLevel != Depth) TreeCorrupt("leaves at different depths");
    if (N.Prev() != V.PrevLeaf) TreeCorrupt("broken leaf chain at page " + std::to_string(Page));
    if (V.PrevLeaf && Node(V.PrevLeaf).Link() != Page)
      TreeCorrupt("broken leaf chain at page " + std::to_string(V.PrevLeaf));
    for (std::uint32_t i = 0; i < N.Count(); ++i) {
      std::string_view Cur = N.Entry(i);
      if (!V.Last.empty() && Cur <= std::string_view(V.Last)) TreeCorrupt("keys out of order");
      V.Last.assign(Cur);
    }
    V.PrevLeaf = Page;
    return N.Count();
  }
  std::uint32_t Total = 0;
  for (std::uint32_t C = 0; C <= N.Count(); ++C) {
    if (C > 0 && !V.Last.empty() && N.Entry(C - 1) <= std::string_view(V.Last))
      TreeCorrupt("separator out of order in page " + std::to_string(Page));
    Total += VerifyPage(N.ChildAt(C), Depth + 1, V);
    N = Node(Page);
  }
  return Total;
}

void BTree::Verify() {
  if (FState.Root == 0) {
    if (FState.KeyCount) TreeCorrupt("key count of a missing tree");
    return;
  }
  VerifyState V;
  std::uint32_t Total = VerifyPage(FState.Root, 0, V);
  if (Total != FState.KeyCount) TreeCorrupt("key count does not match the tree");
  if (V.PrevLeaf && Node(V.PrevLeaf).Link() != 0) TreeCorrupt("last leaf has a successor");
}

}  // namespace oak
