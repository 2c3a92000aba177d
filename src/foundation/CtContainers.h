// The container library: containers of fixed-size items whose meaning is
// described once by an item handler.
//
// An item is ItemSize raw bytes addressed by a void*. The handler says how
// an item is initialised, freed, copied, read from and written to a tagged
// stream (CtStreams.h); every container of that item type shares it, and
// the handler refuses changes while a container uses it. Three containers
// share one interface and one stream layout:
//   TCtVector  one contiguous block; capacity grows 1, 2, 4, 6, 8, 10, 12,
//              14, 16, 20, 24, 28, 32, 40 ...; binary search and sort
//   TCtList    a doubly linked list, one heap node per item
//   TCtTree    a tree whose nodes keep their children in insertion order,
//              walked in pre-order (node, its children, next sibling)
// Item addresses of lists and trees stay valid until the item's node is
// freed; a vector's item addresses are valid until the next insert or
// delete.
//
// Stream layout (LoadFromStream/SaveToStream use Flags 7):
//   signature  Flags & 1: 4 raw bytes "CTVC", "CTLC" or "CTTC"
//   version    Flags & 2: tagged cardinal 1
//   header     Flags & 4 and the handler has OnWriteHeader
//   count      tagged integer: items (vector, list) or root nodes (tree)
//   items      vector, list: each item as OnWriteItem writes it;
//              tree: per root node a node record = child count, item,
//              then a node record per child
//
// Every failure raises ECtContainerError "Class <class name>: <text>";
// a failed call changes nothing.
//
// Thread safety: none; containers and handlers belong to one thread.
#pragma once

#include <functional>

#include "foundation/CtStreams.h"
#include "platform/rtl/persistent.h"

RTL_DECLARE_EXCEPTION(ECtContainerError, Exception)

class TCtContainer;

// Base of the library's objects: raises its errors with the class name.
class TCtErrorObject : public TPersistent {
  RTL_DECLARE_CLASS(TCtErrorObject)
 public:
  // Raises ECtContainerError "Class <ClassName>: <Msg>".
  [[noreturn]] void Error(const String& Msg) const;
  // Raises the class library's list-index error for Index.
  [[noreturn]] void IndexError(Int64 Index) const;
};

class TCtBaseHandler : public TCtErrorObject {
  RTL_DECLARE_CLASS(TCtBaseHandler)
};

// Routines of an item handler. Item is the address of ItemSize bytes;
// Extra is passed through unchanged from the caller of a read or write.
using TCtItemProc = std::function<void(void* Item)>;
using TCtCopyItemProc = std::function<void(const void* Source, void* Dest)>;
using TCtReadItemProc = std::function<void(TCtContainer*, TCtReader*, void* Item, void* Extra)>;
using TCtWriteItemProc = std::function<void(TCtContainer*, TCtWriter*, const void* Item, void* Extra)>;
using TCtReadHeaderProc = std::function<void(TCtContainer*, TCtReader*, void* Extra)>;
using TCtWriteHeaderProc = std::function<void(TCtContainer*, TCtWriter*, void* Extra)>;

// Tests and walks. A compare routine returns < 0 when Item sorts before
// Key, 0 when equal, > 0 after.
using TCtCompareProc = std::function<int(const void* Item, const void* Key)>;
using TCtSameItemsProc = std::function<bool(void* Item, void* Data)>;
using TCtIterateProc = std::function<void(void* Item)>;

class TCtItemHandler : public TCtBaseHandler {
  RTL_DECLARE_CLASS(TCtItemHandler)
 public:
  explicit TCtItemHandler(Integer AItemSize = 0);

  // Raises "ItemHandler in use during destruction" while a container still
  // uses the handler. Whoever deletes a handler calls this first, so that
  // the refusal arrives as an exception rather than a dangling handler.
  void BeforeDestruction() const;

  Integer ItemSize() const { return FItemSize; }
  Integer UseCount() const { return FUseCount; }

  // Each setter raises "ItemHandler in use while ..." while UseCount > 0.
  void SetItemSize(Integer Value);
  void SetOnInitItem(TCtItemProc P);
  void SetOnFreeItem(TCtItemProc P);
  void SetOnCopyItem(TCtCopyItemProc P);
  void SetOnReadItem(TCtReadItemProc P);
  void SetOnWriteItem(TCtWriteItemProc P);
  void SetOnReadHeader(TCtReadHeaderProc P);
  void SetOnWriteHeader(TCtWriteHeaderProc P);

  const TCtItemProc& OnInitItem() const { return FOnInitItem; }
  const TCtItemProc& OnFreeItem() const { return FOnFreeItem; }
  const TCtCopyItemProc& OnCopyItem() const { return FOnCopyItem; }
  const TCtReadItemProc& OnReadItem() const { return FOnReadItem; }
  const TCtWriteItemProc& OnWriteItem() const { return FOnWriteItem; }
  const TCtReadHeaderProc& OnReadHeader() const { return FOnReadHeader; }
  const TCtWriteHeaderProc& OnWriteHeader() const { return FOnWriteHeader; }

 private:
  friend class TCtContainer;
  void CheckUnused(const char* What) const;

  Integer FUseCount = 0;
  Integer FItemSize = 0;
  TCtItemProc FOnInitItem, FOnFreeItem;
  TCtCopyItemProc FOnCopyItem;
  TCtReadItemProc FOnReadItem;
  TCtWriteItemProc FOnWriteItem;
  TCtReadHeaderProc FOnReadHeader;
  TCtWriteHeaderProc FOnWriteHeader;
};

// Flags of ReadItems/WriteItems.
constexpr Integer ctfSignature = 1;
constexpr Integer ctfVersion = 2;
constexpr Integer ctfHeader = 4;

class TCtContainer : public TCtErrorObject {
  RTL_DECLARE_CLASS(TCtContainer)
 public:
  // Raises "ItemHandler is nil" for a null handler; otherwise the handler's
  // use count rises until the container is destroyed. The handler is not
  // owned and must outlive the container.
  explicit TCtContainer(TCtItemHandler* AHandler);
  ~TCtContainer() override;

  TCtItemHandler* ItemHandler() const { return FHandler; }
  Integer ItemSize() const { return FHandler->ItemSize(); }
  Integer Count() const { return FCount; }

  // Copies Source's items through OnCopyItem (see each container).
  void Assign(TPersistent* Source) override = 0;
  // Frees every item (OnFreeItem when assigned); count 0.
  virtual void Clear() = 0;
  // Walks forward / backward and returns whether SameItems(item, Data) was
  // true for some item ("SameItems not assigned" for an empty routine).
  virtual bool TestForward(const TCtSameItemsProc& SameItems, void* Data) = 0;
  virtual bool TestBackward(const TCtSameItemsProc& SameItems, void* Data) = 0;
  // Calls Iterate for every item in walk order.
  virtual void ForEach(const TCtIterateProc& Iterate) = 0;
  // The first item (forward or backward) for which SameItems is true, or
  // null.
  virtual void* FindForward(const TCtSameItemsProc& SameItems, void* Data) = 0;
  virtual void* FindBackward(const TCtSameItemsProc& SameItems, void* Data) = 0;
  // Replaces the content with items read from Reader in the stream layout
  // above; "Ungültiges Stream-Format" for a wrong signature or version.
  virtual void ReadItems(TCtReader* Reader, Integer Flags, void* Extra);
  // Writes the content in the stream layout above.
  virtual void WriteItems(TCtWriter* Writer, Integer Flags, void* Extra);

  // ReadItems / WriteItems with Flags 7 through a binary reader (writer)
  // with a 4096-byte buffer. "Stream is nil" for a null stream.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);

 protected:
  // The four-byte signature of the stream layout.
  virtual const char* Signature() const = 0;
  // Writes the count and the items; reads them after the container was
  // emptied.
  virtual void WriteBody(TCtWriter* Writer, void* Extra) = 0;
  virtual void ReadBody(TCtReader* Reader, void* Extra) = 0;

  // Checks shared by the walks and Assign.
  void CheckSameItems(const TCtSameItemsProc& P) const;
  void CheckIterate(const TCtIterateProc& P) const;
  void CheckAssignSource(TCtContainer* Source) const;
  // The first steps of every Assign: returns the container to copy from
  // after the checks (the container is then cleared), or null when there
  // is nothing to do (Source is this container). A source that is no
  // container goes to the class library's Assign, which raises.
  TCtContainer* BeginAssign(TPersistent* Source);
  void InitItem(void* Item) const;
  void FreeItem(void* Item) const;

  TCtItemHandler* FHandler;
  Integer FCount = 0;
};

class TCtLinearContainer : public TCtContainer {
  RTL_DECLARE_CLASS(TCtLinearContainer)
 public:
  using TCtContainer::TCtContainer;
  // Appends a copy (InsertLast, then OnCopyItem) of every item of Source
  // in its walk order.
  void AppendCopiesOf(TCtContainer* Source);
  // Each returns the new item's address; the initialising variants call
  // OnInitItem on it, the others leave its bytes for the caller to fill.
  virtual void* InsertFirst() = 0;
  virtual void* InsertFirstUninitialised() = 0;
  virtual void* InsertLast() = 0;
  virtual void* InsertLastUninitialised() = 0;
  // The first and the last item (see each container for the empty case).
  virtual void* First() = 0;
  virtual void* Last() = 0;
};

class TCtVector : public TCtLinearContainer {
  RTL_DECLARE_CLASS(TCtVector)
 public:
  using TCtLinearContainer::TCtLinearContainer;
  ~TCtVector() override;

  // Accepts a vector, a list or a tree with the same handler.
  void Assign(TPersistent* Source) override;
  void Clear() override;
  bool TestForward(const TCtSameItemsProc& SameItems, void* Data) override;
  bool TestBackward(const TCtSameItemsProc& SameItems, void* Data) override;
  void ForEach(const TCtIterateProc& Iterate) override;
  void* FindForward(const TCtSameItemsProc& SameItems, void* Data) override;
  void* FindBackward(const TCtSameItemsProc& SameItems, void* Data) override;

  void* InsertFirst() override;
  void* InsertFirstUninitialised() override;
  void* InsertLast() override;
  void* InsertLastUninitialised() override;
  // Raise the list-index error on an empty vector.
  void* First() override { return GetItemPointer(0); }
  void* Last() override { return GetItemPointer(FCount - 1); }

  // The address of item Index; the list-index error outside 0..Count-1.
  void* GetItemPointer(Integer Index) const;
  // Frees item Index (OnFreeItem) and moves the later items down.
  void Delete(Integer Index);
  // Binary search over a vector sorted by Compare. True with Index of a
  // matching item, or False with Index the insertion point.
  bool BinarySearch(const void* Key, const TCtCompareProc& Compare, Integer& Index) const;
  // Sorts in place by Compare (iterative quicksort; items are moved by
  // swapping their bytes, never through OnCopyItem).
  void Sort(const TCtCompareProc& Compare);

  // The capacity the vector's block has for Count items.
  static Integer CapacityFor(Integer Count);

 protected:
  const char* Signature() const override { return "CTVC"; }
  void WriteBody(TCtWriter* Writer, void* Extra) override;
  void ReadBody(TCtReader* Reader, void* Extra) override;

 private:
  Byte* ItemAt(Integer Index) const { return FData + Int64(Index) * ItemSize(); }
  void Resize(Integer NewCount);
  void SwapItems(Integer A, Integer B);
  Byte* FData = nullptr;
};

class TCtList : public TCtLinearContainer {
  RTL_DECLARE_CLASS(TCtList)
 public:
  using TCtLinearContainer::TCtLinearContainer;
  ~TCtList() override;

  // Accepts a list, a vector or a tree (flattened in walk order).
  void Assign(TPersistent* Source) override;
  void Clear() override;
  bool TestForward(const TCtSameItemsProc& SameItems, void* Data) override;
  bool TestBackward(const TCtSameItemsProc& SameItems, void* Data) override;
  void ForEach(const TCtIterateProc& Iterate) override;
  void* FindForward(const TCtSameItemsProc& SameItems, void* Data) override;
  void* FindBackward(const TCtSameItemsProc& SameItems, void* Data) override;

  void* InsertFirst() override;
  void* InsertFirstUninitialised() override;
  void* InsertLast() override;
  void* InsertLastUninitialised() override;
  // Null when empty.
  void* First() override;
  void* Last() override;
  // The item after Item; null after the last item or for a null Item.
  void* NextItem(void* Item) const;
  void* PriorItem(void* Item) const;

 protected:
  const char* Signature() const override { return "CTLC"; }
  void WriteBody(TCtWriter* Writer, void* Extra) override;
  void ReadBody(TCtReader* Reader, void* Extra) override;

 private:
  struct Node {
    Node* Prev;
    Node* Next;
  };
  static void* ItemOf(Node* N) { return N ? reinterpret_cast<Byte*>(N) + sizeof(Node) : nullptr; }
  static Node* NodeOf(void* Item) {
    return Item ? reinterpret_cast<Node*>(static_cast<Byte*>(Item) - sizeof(Node)) : nullptr;
  }
  Node* NewNode(bool AtHead);
  Node* FFirst = nullptr;
  Node* FLast = nullptr;
};

class TCtTree : public TCtLinearContainer {
  RTL_DECLARE_CLASS(TCtTree)
 public:
  // A node of the tree; its item follows the links.
  struct TCtTreeNode {
    TCtTreeNode* Parent;  // the header for root-level nodes
    TCtTreeNode* PrevSibling;
    TCtTreeNode* NextSibling;
    TCtTreeNode* FirstChild;
    TCtTreeNode* LastChild;
  };
  using PNode = TCtTreeNode*;

  explicit TCtTree(TCtItemHandler* AHandler);
  ~TCtTree() override;

  // Accepts a vector or a list (items become root-level nodes) or a tree
  // (the hierarchy is copied).
  void Assign(TPersistent* Source) override;
  void Clear() override;
  bool TestForward(const TCtSameItemsProc& SameItems, void* Data) override;
  bool TestBackward(const TCtSameItemsProc& SameItems, void* Data) override;
  void ForEach(const TCtIterateProc& Iterate) override;
  void* FindForward(const TCtSameItemsProc& SameItems, void* Data) override;
  void* FindBackward(const TCtSameItemsProc& SameItems, void* Data) override;

  // New first / last root-level node.
  void* InsertFirst() override;
  void* InsertFirstUninitialised() override;
  void* InsertLast() override;
  void* InsertLastUninitialised() override;
  // The first root-level item / the item of the last node in walk order;
  // null when empty.
  void* First() override;
  void* Last() override;

  // Node operations; null stands for "none" (and, as a parent, for the
  // root level).
  // A new node as last child of Parent, with OnInitItem.
  PNode AddChild(PNode Parent);
  // Links an unlinked Node as first / last child of Parent.
  void LinkFirstChild(PNode Parent, PNode Node);
  void LinkLastChild(PNode Parent, PNode Node);
  // Neighbours in walk order; null past either end.
  PNode NextNode(PNode Node) const;
  PNode PriorNode(PNode Node) const;
  // The deepest last descendant (Node itself without children).
  static PNode LastDescendant(PNode Node);
  static Integer ChildCount(PNode Node);
  // Frees every descendant of Node (Node itself stays).
  void FreeChildren(PNode Node);
  PNode FirstNode() const { return FHeader.FirstChild; }
  PNode LastNode() const;
  PNode RootNode() { return &FHeader; }

  static void* NodeItem(PNode Node) {
    return Node ? reinterpret_cast<Byte*>(Node) + sizeof(TCtTreeNode) : nullptr;
  }
  static PNode ItemNode(void* Item) {
    return Item ? reinterpret_cast<PNode>(static_cast<Byte*>(Item) - sizeof(TCtTreeNode)) : nullptr;
  }

 protected:
  const char* Signature() const override { return "CTTC"; }
  void WriteBody(TCtWriter* Writer, void* Extra) override;
  void ReadBody(TCtReader* Reader, void* Extra) override;

 private:
  PNode NewNode();
  PNode Parent(PNode P) { return P ? P : &FHeader; }
  void FreeNode(PNode Node);
  void CopySubtree(PNode SourceNode, PNode DestParent, const TCtCopyItemProc& Copy);
  void WriteNode(TCtWriter* Writer, PNode Node, void* Extra);
  void ReadNode(TCtReader* Reader, PNode Parent, void* Extra);
  TCtTreeNode FHeader{};
};

// An item of the string vectors: a string and a pointer-sized value.
struct TCtAnsiStringItem {
  String* Str;
  void* Data;
};

class TCtAnsiStringVector : public TCtVector {
  RTL_DECLARE_CLASS(TCtAnsiStringVector)
 public:
  using TCtVector::TCtVector;
  // The string of item Index ("" when it has none).
  String Strings(Integer Index) const;
  void SetStrings(Integer Index, const String& S);
  void* Data(Integer Index) const;
  void SetData(Integer Index, void* D);
  // Appends S with Data; returns the new item's index.
  Integer Add(const String& S, void* D = nullptr);
};

class TCtAnsiStringPointerVector : public TCtAnsiStringVector {
  RTL_DECLARE_CLASS(TCtAnsiStringPointerVector)
 public:
  using TCtAnsiStringVector::TCtAnsiStringVector;
};

// The one shared handler of string items (made on first use, freed at
// process end). Items are TCtAnsiStringItem; the stream form is the
// string followed by the four low bytes of Data, and the header is the
// item size of the original 32-bit layout, 8.
TCtItemHandler* CtAnsiStringItemHandler();

// A new string-pointer vector with the shared string handler; the caller
// owns it.
TCtAnsiStringPointerVector* NewCtAnsiStringPointerVector();
