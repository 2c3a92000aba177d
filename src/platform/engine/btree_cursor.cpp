// Positions in a tag's B+tree: seeks, steps and key positions.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/engine/btree.h"
#include "platform/engine/btree_node.h"

namespace oak {

namespace {

// Up to this many keys, key positions are counted exactly.
constexpr std::uint32_t kExactPositionLimit = 250000;

// The fill of each child of an inner page (entries, or children of inner
// children): the weights by which a position is shared among them.
std::vector<double> ChildWeights(Pager& P, const NodeView& N, std::size_t EntrySize) {
  std::vector<double> W;
  for (std::uint32_t C = 0; C <= N.Count(); ++C) {
    NodeView Child(P.Read(N.ChildAt(C)), EntrySize);
    W.push_back(Child.Count() + (Child.IsLeaf() ? 0.0 : 1.0));
  }
  return W;
}

}  // namespace

std::string_view BTreeCursor::Key() const {
  return std::string_view(FEntry).substr(0, FTree.KeyLength());
}

std::uint32_t BTreeCursor::RecNo() const {
  return EntryRecNo(FEntry);
}

void BTreeCursor::Load(std::uint32_t Leaf, std::uint32_t Slot) {
  NodeView N = FTree.Node(Leaf);
  if (!N.IsLeaf() || Slot >= N.Count()) TreeCorrupt("bad leaf page " + std::to_string(Leaf));
  FLeaf = Leaf;
  FSlot = Slot;
  FEntry.assign(N.Entry(Slot));
  FValid = true;
  FGeneration = FTree.FPager.Generation();
}

// From (FLeaf, FSlot), moves along the leaf chain until a slot exists, in
// the given direction. Slot may be one past the end (forward) or the
// all-ones value (backward).
bool BTreeCursor::Settle(bool Forward) {
  Pager& P = FTree.FPager;
  for (std::uint32_t Steps = 0; Steps <= P.PageCount(); ++Steps) {
    NodeView N = FTree.Node(FLeaf);
    if (!N.IsLeaf() || N.Count() > FTree.LeafCapacity()) TreeCorrupt("bad leaf page " + std::to_string(FLeaf));
    if (Forward && FSlot < N.Count()) {
      Load(FLeaf, FSlot);
      return true;
    }
    if (!Forward && FSlot != UINT32_MAX && N.Count() > 0) {
      Load(FLeaf, std::min(FSlot, N.Count() - 1));
      return true;
    }
    std::uint32_t Next = Forward ? N.Link() : N.Prev();
    if (Next == 0) break;
    FLeaf = Next;
    FSlot = Forward ? 0 : UINT32_MAX - 1;
  }
  FValid = false;
  return false;
}

bool BTreeCursor::Descend(std::string_view Probe, Bound B) {
  FValid = false;
  BTreeState& S = FTree.FState;
  if (S.Root == 0) return false;
  FTree.FPager.Trim();
  std::uint32_t Page = S.Root;
  for (int Depth = 0;; ++Depth) {
    if (Depth > kMaxTreeDepth) TreeCorrupt("tree too deep");
    NodeView N = FTree.Node(Page);
    if (N.IsLeaf()) {
      FLeaf = Page;
      if (B == Bound::Last) {
        FSlot = N.Count() ? N.Count() - 1 : UINT32_MAX;
        return Settle(false);
      }
      FSlot = N.Bound(Probe, B == Bound::GT);
      return Settle(true);
    }
    // GE: right of the last separator whose prefix is < Probe; GT: <= Probe.
    std::uint32_t C = B == Bound::Last ? N.Count() : N.Bound(Probe, B == Bound::GT);
    Page = N.ChildAt(C);
  }
}

bool BTreeCursor::First() { return Descend(std::string_view(), Bound::GE); }

bool BTreeCursor::Last() { return Descend(std::string_view(), Bound::Last); }

bool BTreeCursor::SeekGE(std::string_view Prefix) {
  return Descend(Prefix.substr(0, FTree.EntrySize()), Bound::GE);
}

bool BTreeCursor::SeekGT(std::string_view Prefix) {
  return Descend(Prefix.substr(0, FTree.EntrySize()), Bound::GT);
}

bool BTreeCursor::SeekLE(std::string_view Prefix) {
  if (!SeekGT(Prefix)) return Last();
  return Prev();
}

bool BTreeCursor::SeekEntry(std::string_view Key, std::uint32_t RecNo) {
  std::string E = MakeEntry(Key, FTree.KeyLength(), RecNo);
  return Descend(E, Bound::GE) && FEntry == E;
}

bool BTreeCursor::Reseek(bool Forward) {
  std::string Here = FEntry;
  if (Forward) return Descend(Here, Bound::GT);
  if (!Descend(Here, Bound::GE)) return Last();
  return Prev();
}

bool BTreeCursor::Next() {
  if (!FValid) return false;
  if (!Fresh()) return Reseek(true);
  ++FSlot;
  return Settle(true);
}

bool BTreeCursor::Prev() {
  if (!FValid) return false;
  if (!Fresh()) return Reseek(false);
  if (FSlot == 0) {
    NodeView N = FTree.Node(FLeaf);
    if (N.Prev() == 0) {
      FValid = false;
      return false;
    }
    FLeaf = N.Prev();
    FSlot = UINT32_MAX - 1;
  } else {
    --FSlot;
  }
  return Settle(false);
}

std::uint32_t BTreeCursor::KeyNumber() {
  if (!FValid) return 0;
  if (!Fresh() && !SeekEntry(Key(), RecNo()) && !FValid) return 0;
  std::uint32_t Target = FLeaf, Slot = FSlot;
  BTreeCursor Walk(FTree);
  if (!Walk.First()) return 0;
  std::uint32_t Before = 0;
  Pager& P = FTree.FPager;
  for (std::uint32_t Leaf = Walk.FLeaf, Steps = 0; Leaf && Steps <= P.PageCount(); ++Steps) {
    NodeView N = FTree.Node(Leaf);
    if (!N.IsLeaf()) TreeCorrupt("bad leaf page " + std::to_string(Leaf));
    if (Leaf == Target) return Before + Slot + 1;
    Before += N.Count();
    Leaf = N.Link();
  }
  TreeCorrupt("leaf chain does not reach the current key");
}

double BTreeCursor::RelativePosition() {
  std::uint32_t Count = FTree.Count();
  if (!FValid || Count == 0) return 0;
  if (Count <= 1) return 0;
  if (Count <= kExactPositionLimit) return (KeyNumber() - 1.0) / (Count - 1.0);
  // Large trees: the path of slots through the tree.
  double Lo = 0, Width = 1;
  std::uint32_t Page = FTree.FState.Root;
  std::string Probe = FEntry;
  for (int Depth = 0; Depth <= kMaxTreeDepth; ++Depth) {
    NodeView N = FTree.Node(Page);
    if (N.IsLeaf()) {
      std::uint32_t S = N.Bound(Probe, false);
      double Den = N.Count() > 1 ? N.Count() - 1.0 : 1.0;
      return std::min(1.0, Lo + Width * std::min(1.0, S / Den));
    }
    std::uint32_t C = N.Bound(Probe, true);
    std::vector<double> W = ChildWeights(FTree.FPager, N, FTree.EntrySize());
    double Sum = 0, Before = 0;
    for (std::uint32_t i = 0; i < W.size(); ++i) (i < C ? Before : Sum) += W[i];
    Sum += Before;
    if (Sum <= 0) Sum = 1;
    Lo += Width * Before / Sum;
    Width *= W[C] / Sum;
    Page = N.ChildAt(C);
  }
  TreeCorrupt("tree too deep");
}

bool BTreeCursor::SetRelativePosition(double Pos) {
  Pos = std::clamp(std::isnan(Pos) ? 0.0 : Pos, 0.0, 1.0);
  std::uint32_t Count = FTree.Count();
  if (Count == 0 || !First()) return false;
  if (Count <= kExactPositionLimit) {
    std::uint32_t Skip = static_cast<std::uint32_t>(std::llround(Pos * (Count - 1.0)));
    Pager& P = FTree.FPager;
    for (std::uint32_t Steps = 0; Steps <= P.PageCount(); ++Steps) {
      NodeView N = FTree.Node(FLeaf);
      if (Skip < N.Count() || N.Link() == 0) {
        FSlot = std::min(Skip, N.Count() ? N.Count() - 1 : UINT32_MAX);
        return Settle(false);
      }
      Skip -= N.Count();
      FLeaf = N.Link();
    }
    TreeCorrupt("leaf chain too long");
  }
  std::uint32_t Page = FTree.FState.Root;
  for (int Depth = 0; Depth <= kMaxTreeDepth; ++Depth) {
    NodeView N = FTree.Node(Page);
    if (N.IsLeaf()) {
      FLeaf = Page;
      FSlot = static_cast<std::uint32_t>(std::llround(Pos * (N.Count() ? N.Count() - 1.0 : 0.0)));
      return Settle(true);
    }
    std::vector<double> W = ChildWeights(FTree.FPager, N, FTree.EntrySize());
    double Sum = 0;
    for (double X : W) Sum += X;
    double Target = Pos * Sum, Before = 0;
    std::uint32_t C = 0;
    while (C < N.Count() && Before + W[C] <= Target) Before += W[C++];
    Pos = W[C] > 0 ? std::clamp((Target - Before) / W[C], 0.0, 1.0) : 0.0;
    Page = N.ChildAt(C);
  }
  TreeCorrupt("tree too deep");
}

}  // namespace oak
