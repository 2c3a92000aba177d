// Tree nodes and the node collection of the tree view.
#include <algorithm>

#include "platform/gui/comctrls.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/format.h"

RTL_IMPLEMENT_CLASS(TTreeNode, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TTreeNodes, TPersistent, nullptr)

namespace {
[[noreturn]] void IndexError(Integer Index) {
  ListError(SListIndexError, Index);
}
}  // namespace

// ---- TTreeNode: structure --------------------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* AOwner) : FOwner(AOwner) {}

TTreeNode::~TTreeNode() {
  FDeleting = true;
  while (!FChildren.empty()) delete FChildren.back();
  if (FParent) {
    if (TCustomTreeView* T = TreeView(); T && FOwner->FRoot.get() != this) T->NodeDeleting(this);
    FParent->RemoveChild(this);
  }
}

TCustomTreeView* TTreeNode::TreeView() const { return FOwner ? FOwner->Owner() : nullptr; }

TTreeNode* TTreeNode::Parent() const {
  return FParent && FParent != FOwner->FRoot.get() ? FParent : nullptr;
}

TTreeNode* TTreeNode::Item(Integer Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return FChildren[Index];
}

Integer TTreeNode::Index() const {
  if (!FParent) return -1;
  auto& S = FParent->FChildren;
  return Integer(std::find(S.begin(), S.end(), this) - S.begin());
}

TTreeNode* TTreeNode::getNextSibling() const {
  Integer I = Index();
  return FParent && I + 1 < FParent->Count() ? FParent->FChildren[I + 1] : nullptr;
}

TTreeNode* TTreeNode::getPrevSibling() const {
  Integer I = Index();
  return FParent && I > 0 ? FParent->FChildren[I - 1] : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!FChildren.empty()) return FChildren.front();
  for (const TTreeNode* N = this; N; N = N->Parent())
    if (TTreeNode* S = N->getNextSibling()) return S;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* P = getPrevSibling();
  if (!P) return Parent();
  while (!P->FChildren.empty()) P = P->FChildren.back();
  return P;
}

TTreeNode* TTreeNode::GetNextVisible() const {
  if (FExpanded && !FChildren.empty()) return FChildren.front();
  for (const TTreeNode* N = this; N; N = N->Parent())
    if (TTreeNode* S = N->getNextSibling()) return S;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  TTreeNode* P = getPrevSibling();
  if (!P) return Parent();
  while (P->FExpanded && !P->FChildren.empty()) P = P->FChildren.back();
  return P;
}

Integer TTreeNode::Level() const {
  Integer L = 0;
  for (TTreeNode* P = Parent(); P; P = P->Parent()) ++L;
  return L;
}

Integer TTreeNode::AbsoluteIndex() const {
  Integer I = 0;
  for (TTreeNode* N = FOwner->GetFirstNode(); N && N != this; N = N->GetNext()) ++I;
  return I;
}

bool TTreeNode::HasAsParent(const TTreeNode* Value) const {
  for (TTreeNode* P = Parent(); P; P = P->Parent())
    if (P == Value) return true;
  return false;
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* P = Parent(); P; P = P->Parent())
    if (!P->FExpanded) return false;
  return true;
}

void TTreeNode::InsertChild(Integer Index, TTreeNode* Node) {
  Index = std::max<Integer>(0, std::min(Index, Count()));
  FChildren.insert(FChildren.begin() + Index, Node);
  Node->FParent = this;
}

void TTreeNode::RemoveChild(TTreeNode* Node) {
  auto It = std::find(FChildren.begin(), FChildren.end(), Node);
  if (It != FChildren.end()) FChildren.erase(It);
  Node->FParent = nullptr;
  if (FChildren.empty()) FExpanded = false;
  Changed();
}

void TTreeNode::Changed() {
  if (TCustomTreeView* T = TreeView()) T->NodesChanged();
}

// ---- TTreeNode: properties ------------------------------------------------------------------------------

void TTreeNode::SetText(const String& V) {
  FText = V;
  TCustomTreeView* T = TreeView();
  if (T && (T->FSortType == stText || T->FSortType == stBoth) && FParent) T->Sorted(FParent);
  Changed();
}

void TTreeNode::SetImageIndex(Integer V) { FImageIndex = V; Changed(); }
void TTreeNode::SetSelectedIndex(Integer V) { FSelectedIndex = V; Changed(); }
void TTreeNode::SetOverlayIndex(Integer V) { FOverlayIndex = V; Changed(); }
void TTreeNode::SetStateIndex(Integer V) { FStateIndex = V; Changed(); }

void TTreeNode::SetHasChildren(bool V) {
  FHasChildren = V;
  if (!V && FChildren.empty()) FExpanded = false;
  Changed();
}

void TTreeNode::Expand(bool Recurse) {
  TCustomTreeView* T = TreeView();
  if (HasChildren() && !FExpanded && (!T || T->CanExpand(this))) {
    FExpanded = !FChildren.empty();
    if (FExpanded && T) T->Expand(this);
    Changed();
  }
  if (Recurse)
    for (TTreeNode* C : std::vector<TTreeNode*>(FChildren)) C->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  TCustomTreeView* T = TreeView();
  if (Recurse)
    for (TTreeNode* C : FChildren) C->Collapse(true);
  if (!FExpanded || (T && !T->CanCollapse(this))) return;
  FExpanded = false;
  if (T) {
    // A selection inside the collapsed part moves up to this node.
    if (T->FSelected && T->FSelected->HasAsParent(this)) T->SetSelected(this);
    T->Collapse(this);
  }
  Changed();
}

bool TTreeNode::Selected() const {
  TCustomTreeView* T = TreeView();
  return T && T->FSelected == this;
}

void TTreeNode::SetSelected(bool V) {
  TCustomTreeView* T = TreeView();
  if (!T) return;
  if (V) T->SetSelected(this);
  else if (T->FSelected == this) T->SetSelected(nullptr);
}

void TTreeNode::MakeVisible() {
  for (TTreeNode* P = Parent(); P; P = P->Parent())
    if (!P->FExpanded) P->Expand(false);
  TCustomTreeView* T = TreeView();
  if (!T) return;
  Integer Row = T->RowOf(this), Rows = std::max<Integer>(1, T->VisibleRowCount());
  if (Row < 0) return;
  if (Row < T->FTopIndex) T->FTopIndex = Row;
  else if (Row >= T->FTopIndex + Rows) T->FTopIndex = Row - Rows + 1;
  T->NodesChanged();
}

TRect TTreeNode::DisplayRect(bool TextOnly) const {
  TCustomTreeView* T = TreeView();
  if (!T) return TRect{};
  Integer Row = T->RowOf(this);
  if (Row < T->FTopIndex || Row >= T->FTopIndex + T->VisibleRowCount() + 1) return TRect{};
  if (TextOnly) return T->LabelRect(this);
  Integer H = T->ItemHeight(), Y = (Row - T->FTopIndex) * H;
  return Rect(0, Y, T->ClientWidth(), Y + H);
}

// ---- TTreeNode: operations ------------------------------------------------------------------------------

void TTreeNode::Delete() { delete this; }

void TTreeNode::DeleteChildren() {
  while (!FChildren.empty()) delete FChildren.back();
  FExpanded = false;
  Changed();
}

void TTreeNode::SortChildren(const TTVCompare& Compare, Integer Data, bool Recurse) {
  std::stable_sort(FChildren.begin(), FChildren.end(),
                   [&](TTreeNode* A, TTreeNode* B) { return Compare(A, B, Data) < 0; });
  if (Recurse)
    for (TTreeNode* C : FChildren) C->SortChildren(Compare, Data, true);
  Changed();
}

bool TTreeNode::AlphaSort(bool Recurse) {
  TCustomTreeView* T = TreeView();
  if (!T) return false;
  SortChildren([T](TTreeNode* A, TTreeNode* B, Integer D) { return T->CompareNodes(A, B, D); }, 0, Recurse);
  return true;
}

bool TTreeNode::CustomSort(const TTVCompare& Compare, Integer Data, bool Recurse) {
  if (!Compare) return AlphaSort(Recurse);
  SortChildren(Compare, Data, Recurse);
  return true;
}

bool TTreeNode::EditText() {
  TCustomTreeView* T = TreeView();
  return T && T->StartEditing(this);
}

void TTreeNode::MoveTo(TTreeNode* Destination, bool AsChild) {
  if (Destination == this || (Destination && Destination->HasAsParent(this))) return;
  TTreeNode* OldParent = FParent;
  OldParent->RemoveChild(this);
  if (!Destination) FOwner->FRoot->InsertChild(FOwner->FRoot->Count(), this);
  else if (AsChild) Destination->InsertChild(Destination->Count(), this);
  else Destination->FParent->InsertChild(Destination->Index() + 1, this);
  Changed();
}

// ---- TTreeNodes ------------------------------------------------------------------------------------------

TTreeNodes::TTreeNodes(TCustomTreeView* AOwner) : FOwner(AOwner), FRoot(std::make_unique<TTreeNode>(this)) {
  FRoot->FExpanded = true;
}

TTreeNodes::~TTreeNodes() {
  FOwner = nullptr;  // no events while the tree goes away
  FRoot.reset();
}

Integer TTreeNodes::Count() const {
  Integer N = 0;
  for (TTreeNode* I = GetFirstNode(); I; I = I->GetNext()) ++N;
  return N;
}

TTreeNode* TTreeNodes::Item(Integer Index) const {
  TTreeNode* N = GetFirstNode();
  for (Integer I = 0; N && I < Index; ++I) N = N->GetNext();
  if (Index < 0 || !N) IndexError(Index);
  return N;
}

TTreeNode* TTreeNodes::AddAt(TTreeNode* Parent, Integer Index, const String& S, void* Ptr) {
  auto* N = new TTreeNode(this);
  N->FText = S;
  N->FData = Ptr;
  Parent->InsertChild(Index, N);
  if (FOwner) FOwner->Added(N);
  return N;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const String& S, void* Ptr) {
  TTreeNode* P = Sibling ? Sibling->FParent : FRoot.get();
  return AddAt(P, P->Count(), S, Ptr);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const String& S) {
  return AddAt(Sibling ? Sibling->FParent : FRoot.get(), 0, S, nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const String& S, void* Ptr) {
  TTreeNode* P = Parent ? Parent : FRoot.get();
  return AddAt(P, P->Count(), S, Ptr);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const String& S) {
  return AddAt(Parent ? Parent : FRoot.get(), 0, S, nullptr);
}

TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const String& S, void* Ptr) {
  if (!Sibling) return AddObject(nullptr, S, Ptr);
  return AddAt(Sibling->FParent, Sibling->Index(), S, Ptr);
}

void TTreeNodes::Clear() {
  BeginUpdate();
  while (FRoot->Count() > 0) delete FRoot->FChildren.back();
  EndUpdate();
}

void TTreeNodes::BeginUpdate() { ++FUpdateCount; }

void TTreeNodes::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner) FOwner->NodesChanged();
}
