// TCtTree: nodes with parent, sibling and child links, walked in pre-order.
#include <cstdlib>

#include "foundation/CtContainers.h"

RTL_IMPLEMENT_CLASS(TCtTree, TCtLinearContainer, nullptr)

TCtTree::TCtTree(TCtItemHandler* AHandler) : TCtLinearContainer(AHandler) {}

TCtTree::~TCtTree() { Clear(); }

TCtTree::PNode TCtTree::NewNode() {
  auto* N = static_cast<PNode>(std::malloc(sizeof(TCtTreeNode) + ItemSize()));
  if (!N) throw EOutOfMemory("Zu wenig Arbeitsspeicher");
  *N = TCtTreeNode{};
  return N;
}

void TCtTree::LinkFirstChild(PNode ParentNode, PNode Node) {
  PNode P = Parent(ParentNode);
  Node->Parent = P;
  Node->PrevSibling = nullptr;
  Node->NextSibling = P->FirstChild;
  (P->FirstChild ? P->FirstChild->PrevSibling : P->LastChild) = Node;
  P->FirstChild = Node;
}

void TCtTree::LinkLastChild(PNode ParentNode, PNode Node) {
  PNode P = Parent(ParentNode);
  Node->Parent = P;
  Node->NextSibling = nullptr;
  Node->PrevSibling = P->LastChild;
  (P->LastChild ? P->LastChild->NextSibling : P->FirstChild) = Node;
  P->LastChild = Node;
}

TCtTree::PNode TCtTree::AddChild(PNode ParentNode) {
  PNode N = NewNode();
  LinkLastChild(ParentNode, N);
  ++FCount;
  InitItem(NodeItem(N));
  return N;
}

void* TCtTree::InsertFirstUninitialised() {
  PNode N = NewNode();
  LinkFirstChild(nullptr, N);
  ++FCount;
  return NodeItem(N);
}

void* TCtTree::InsertLastUninitialised() {
  PNode N = NewNode();
  LinkLastChild(nullptr, N);
  ++FCount;
  return NodeItem(N);
}

void* TCtTree::InsertFirst() {
  void* Item = InsertFirstUninitialised();
  InitItem(Item);
  return Item;
}

void* TCtTree::InsertLast() {
  void* Item = InsertLastUninitialised();
  InitItem(Item);
  return Item;
}

TCtTree::PNode TCtTree::LastDescendant(PNode Node) {
  if (!Node) return nullptr;
  while (Node->LastChild) Node = Node->LastChild;
  return Node;
}

Integer TCtTree::ChildCount(PNode Node) {
  Integer N = 0;
  for (PNode C = Node ? Node->FirstChild : nullptr; C; C = C->NextSibling) ++N;
  return N;
}

TCtTree::PNode TCtTree::LastNode() const {
  return FHeader.LastChild ? LastDescendant(FHeader.LastChild) : nullptr;
}

TCtTree::PNode TCtTree::NextNode(PNode Node) const {
  if (!Node) return nullptr;
  if (Node->FirstChild) return Node->FirstChild;
  for (PNode N = Node; N && N != &FHeader; N = N->Parent)
    if (N->NextSibling) return N->NextSibling;
  return nullptr;
}

TCtTree::PNode TCtTree::PriorNode(PNode Node) const {
  if (!Node) return nullptr;
  if (Node->PrevSibling) return LastDescendant(Node->PrevSibling);
  return Node->Parent == &FHeader ? nullptr : Node->Parent;
}

void* TCtTree::First() { return NodeItem(FHeader.FirstChild); }
void* TCtTree::Last() { return NodeItem(LastNode()); }

// Frees Node's subtree: children from last to first, each before its own
// item, then Node itself.
void TCtTree::FreeNode(PNode Node) {
  FreeChildren(Node);
  FreeItem(NodeItem(Node));
  std::free(Node);
  --FCount;
}

void TCtTree::FreeChildren(PNode Node) {
  PNode P = Parent(Node);
  PNode C = P->LastChild;
  while (C) {
    PNode Prev = C->PrevSibling;
    FreeNode(C);
    C = Prev;
  }
  P->FirstChild = P->LastChild = nullptr;
}

void TCtTree::Clear() {
  FreeChildren(&FHeader);
  FCount = 0;
}

void* TCtTree::FindForward(const TCtSameItemsProc& SameItems, void* Data) {
  CheckSameItems(SameItems);
  for (PNode N = FHeader.FirstChild; N; N = NextNode(N))
    if (SameItems(NodeItem(N), Data)) return NodeItem(N);
  return nullptr;
}

void* TCtTree::FindBackward(const TCtSameItemsProc& SameItems, void* Data) {
  CheckSameItems(SameItems);
  for (PNode N = LastNode(); N; N = PriorNode(N))
    if (SameItems(NodeItem(N), Data)) return NodeItem(N);
  return nullptr;
}

bool TCtTree::TestForward(const TCtSameItemsProc& SameItems, void* Data) {
  return FindForward(SameItems, Data) != nullptr;
}

bool TCtTree::TestBackward(const TCtSameItemsProc& SameItems, void* Data) {
  return FindBackward(SameItems, Data) != nullptr;
}

void TCtTree::ForEach(const TCtIterateProc& Iterate) {
  CheckIterate(Iterate);
  for (PNode N = FHeader.FirstChild; N; N = NextNode(N)) Iterate(NodeItem(N));
}

void TCtTree::CopySubtree(PNode SourceNode, PNode DestParent, const TCtCopyItemProc& Copy) {
  PNode N = AddChild(DestParent);
  Copy(NodeItem(SourceNode), NodeItem(N));
  for (PNode C = SourceNode->FirstChild; C; C = C->NextSibling) CopySubtree(C, N, Copy);
}

void TCtTree::Assign(TPersistent* Source) {
  TCtContainer* Src = BeginAssign(Source);
  if (!Src) return;
  if (auto* Tree = dynamic_cast<TCtTree*>(Src)) {
    for (PNode N = Tree->FHeader.FirstChild; N; N = N->NextSibling) CopySubtree(N, nullptr, FHandler->OnCopyItem());
    return;
  }
  AppendCopiesOf(Src);
}

void TCtTree::WriteNode(TCtWriter* Writer, PNode Node, void* Extra) {
  Writer->WriteInteger(ChildCount(Node));
  FHandler->OnWriteItem()(this, Writer, NodeItem(Node), Extra);
  for (PNode C = Node->FirstChild; C; C = C->NextSibling) WriteNode(Writer, C, Extra);
}

void TCtTree::ReadNode(TCtReader* Reader, PNode ParentNode, void* Extra) {
  PNode N = AddChild(ParentNode);
  Integer Children = Reader->ReadInteger();
  FHandler->OnReadItem()(this, Reader, NodeItem(N), Extra);
  for (Integer i = 0; i < Children; ++i) ReadNode(Reader, N, Extra);
}

void TCtTree::WriteBody(TCtWriter* Writer, void* Extra) {
  Writer->WriteInteger(ChildCount(&FHeader));
  for (PNode N = FHeader.FirstChild; N; N = N->NextSibling) WriteNode(Writer, N, Extra);
}

void TCtTree::ReadBody(TCtReader* Reader, void* Extra) {
  Integer Roots = Reader->ReadInteger();
  for (Integer i = 0; i < Roots; ++i) ReadNode(Reader, nullptr, Extra);
}
