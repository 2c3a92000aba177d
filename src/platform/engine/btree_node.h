// Internal to the B+tree: typed access to one page of a tree.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/engine/btree_pager.h"
#include "platform/engine/expr_error.h"
#include "platform/rtl/byteorder.h"

namespace oak {

constexpr std::uint8_t kLeafPage = 1;
constexpr std::uint8_t kInnerPage = 2;
constexpr std::size_t kNodeHeader = 16;
constexpr int kMaxTreeDepth = 48;

[[noreturn]] inline void TreeCorrupt(const String& What) {
  ThrowEngineError(kIndexCorrupt, "Index file corrupt: " + What);
}

// A view of a tree page. E is the entry size (key + 4). Inner slots carry
// a child page number after the entry.
class NodeView {
 public:
  NodeView(const std::uint8_t* Page, std::size_t EntrySize)
      : P(const_cast<std::uint8_t*>(Page)), E(EntrySize) {}

  std::uint8_t Type() const { return P[0]; }
  bool IsLeaf() const { return P[0] == kLeafPage; }
  std::uint8_t Level() const { return P[1]; }
  std::uint32_t Count() const { return LoadLE16(P + 2); }
  void SetCount(std::uint32_t N) { StoreLE16(P + 2, static_cast<std::uint16_t>(N)); }
  // Leaf: next leaf; inner: leftmost child.
  std::uint32_t Link() const { return LoadLE32(P + 4); }
  void SetLink(std::uint32_t V) { StoreLE32(P + 4, V); }
  std::uint32_t Prev() const { return LoadLE32(P + 8); }
  void SetPrev(std::uint32_t V) { StoreLE32(P + 8, V); }
  void Init(std::uint8_t Type, std::uint8_t Level) {
    std::memset(P, 0, kNodeHeader);
    P[0] = Type;
    P[1] = Level;
  }

  std::size_t SlotSize() const { return IsLeaf() ? E : E + 4; }
  std::uint8_t* Slot(std::uint32_t I) const { return P + kNodeHeader + I * SlotSize(); }
  std::string_view Entry(std::uint32_t I) const {
    return std::string_view(reinterpret_cast<const char*>(Slot(I)), E);
  }
  // The child right of separator I (inner pages).
  std::uint32_t Child(std::uint32_t I) const { return LoadLE32(Slot(I) + E); }
  // Child by child index: 0 = leftmost, i = right of separator i-1.
  std::uint32_t ChildAt(std::uint32_t C) const { return C == 0 ? Link() : Child(C - 1); }

  // Index of the first slot whose first Probe.size() bytes compare >= Probe
  // (Strict: > Probe).
  std::uint32_t Bound(std::string_view Probe, bool Strict) const {
    if (Probe.empty()) return Strict ? Count() : 0;  // every slot begins with ""
    std::uint32_t Lo = 0, Hi = Count();
    while (Lo < Hi) {
      std::uint32_t Mid = (Lo + Hi) / 2;
      int C = std::memcmp(Slot(Mid), Probe.data(), Probe.size());
      if (C < 0 || (Strict && C == 0)) Lo = Mid + 1;
      else Hi = Mid;
    }
    return Lo;
  }

  void InsertSlot(std::uint32_t At, std::string_view Entry, std::uint32_t Child) {
    std::size_t S = SlotSize();
    std::memmove(Slot(At + 1), Slot(At), (Count() - At) * S);
    std::memcpy(Slot(At), Entry.data(), E);
    if (!IsLeaf()) StoreLE32(Slot(At) + E, Child);
    SetCount(Count() + 1);
  }
  void RemoveSlot(std::uint32_t At) {
    std::size_t S = SlotSize();
    std::memmove(Slot(At), Slot(At + 1), (Count() - At - 1) * S);
    SetCount(Count() - 1);
  }

 private:
  std::uint8_t* P;
  std::size_t E;
};

}  // namespace oak
