// The tree view's behaviour: selection, node events, sorting, keys,
// mouse, label editing and the published properties.
#include <algorithm>

#include "platform/gui/comctrls.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/clock.h"

RTL_IMPLEMENT_CLASS(TCustomTreeView, TCustomControl, nullptr)
RTL_IMPLEMENT_CLASS(TTreeView, TCustomTreeView, &ComponentFactory<TTreeView>)

namespace {
// Posted to the tree view to end label editing outside the editor's own
// key handling (wParam 1: cancel).
constexpr UINT WM_TREE_ENDEDIT = WM_APP + 0x150;

// The label editor: wants Enter and Escape, which end the edit.
class TTreeLabelEdit : public TCustomEdit {
 public:
  TTreeLabelEdit(TCustomTreeView* Tree) : TCustomEdit(Tree), FTree(Tree) {}

 protected:
  void WndProc(TMessage& M) override {
    TCustomEdit::WndProc(M);
    if (M.Msg == WM_GETDLGCODE) M.Result |= DLGC_WANTALLKEYS;
  }
  void KeyDown(Word& Key, TShiftState Shift) override {
    TCustomEdit::KeyDown(Key, Shift);
    if (Key != VK_RETURN && Key != VK_ESCAPE) return;
    PostMessage(FTree->Handle(), WM_TREE_ENDEDIT, Key == VK_ESCAPE ? 1 : 0, 0);
    Key = 0;
  }
  void DoExit() override {
    TCustomEdit::DoExit();
    PostMessage(FTree->Handle(), WM_TREE_ENDEDIT, 0, 0);
  }

 private:
  TCustomTreeView* FTree;
};
}  // namespace

RTL_MESSAGE_MAP(TCustomTreeView) {
  M.On(WM_VSCROLL, &TCustomTreeView::WMVScroll);
  M.On(WM_GETDLGCODE, &TCustomTreeView::WMGetDlgCode);
}

TCustomTreeView::TCustomTreeView(TComponent* AOwner)
    : TCustomControl(AOwner), FItems(std::make_unique<TTreeNodes>(this)) {
  FParentColor = false;
  FColor = clWindow;
  FTabStop = true;
  SetBounds(0, 0, 121, 97);
}

TCustomTreeView::~TCustomTreeView() {
  FEditor = nullptr;  // freed with the owned components
  FItems.reset();
  if (HandleAllocated()) ForgetScrollBars(FHandle);
}

// ---- Node events -------------------------------------------------------------------------------

bool TCustomTreeView::CanExpand(TTreeNode* Node) {
  bool Allow = true;
  if (OnExpanding) OnExpanding(this, Node, Allow);
  return Allow;
}

void TCustomTreeView::Expand(TTreeNode* Node) {
  if (OnExpanded) OnExpanded(this, Node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
  bool Allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, Allow);
  return Allow;
}

void TCustomTreeView::Collapse(TTreeNode* Node) {
  if (OnCollapsed) OnCollapsed(this, Node);
}

bool TCustomTreeView::CanChange(TTreeNode* Node) {
  bool Allow = true;
  if (OnChanging) OnChanging(this, Node, Allow);
  return Allow;
}

void TCustomTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}

void TCustomTreeView::Delete(TTreeNode* Node) {
  if (OnDeletion) OnDeletion(this, Node);
}

void TCustomTreeView::Added(TTreeNode* Node) {
  if (Node->FParent) Node->FParent->FHasChildren = true;
  if (FSortType == stText || FSortType == stBoth) Sorted(Node->FParent);
  if (OnAddition) OnAddition(this, Node);
  NodesChanged();
}

bool TCustomTreeView::CanEdit(TTreeNode* Node) {
  bool Allow = !FReadOnly;
  if (Allow && OnEditing) OnEditing(this, Node, Allow);
  return Allow;
}

void TCustomTreeView::Edit(TTreeNode* Node, String& S) {
  if (OnEdited) OnEdited(this, Node, S);
}

void TCustomTreeView::GetImageIndex(TTreeNode* Node) {
  if (OnGetImageIndex) OnGetImageIndex(this, Node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* Node) {
  if (OnGetSelectedIndex) OnGetSelectedIndex(this, Node);
}

Integer TCustomTreeView::CompareNodes(TTreeNode* Node1, TTreeNode* Node2, Integer Data) {
  Integer R = 0;
  if (OnCompare) OnCompare(this, Node1, Node2, Data, R);
  else R = AnsiCompareText(Node1->Text(), Node2->Text());
  return R;
}

// ---- Selection, sorting, changes ------------------------------------------------------------------

void TCustomTreeView::SetSelected(TTreeNode* Node) {
  if (Node == FSelected || !CanChange(Node)) return;
  FSelected = Node;
  if (Node) {
    if (FAutoExpand) Node->Expand(false);
    Node->MakeVisible();
  }
  Invalidate();
  Change(Node);
}

void TCustomTreeView::MoveSelection(TTreeNode* Node) {
  if (Node) SetSelected(Node);
}

void TCustomTreeView::NodesChanged() {
  if (!FItems || FItems->Updating()) return;
  UpdateScrollRange();
  Invalidate();
}

void TCustomTreeView::NodeDeleting(TTreeNode* Node) {
  if (FEditNode == Node || (FEditNode && FEditNode->HasAsParent(Node))) EndEditing(true);
  Delete(Node);
  if (FSelected != Node) return;
  TTreeNode* Next = Node->getNextSibling();
  if (!Next) Next = Node->getPrevSibling();
  if (!Next) Next = Node->Parent();
  if (Next && Next->FDeleting) Next = nullptr;
  FSelected = nullptr;
  if (Next) SetSelected(Next);
  else Change(nullptr);
}

void TCustomTreeView::Sorted(TTreeNode* Parent) {
  if (!Parent) return;
  Parent->SortChildren([this](TTreeNode* A, TTreeNode* B, Integer D) { return CompareNodes(A, B, D); }, 0, false);
}

void TCustomTreeView::SetSortType(TSortType V) {
  if (V == FSortType) return;
  FSortType = V;
  if (V == stText || V == stBoth) AlphaSort(true);
}

bool TCustomTreeView::AlphaSort(bool Recurse) { return FItems->FRoot->AlphaSort(Recurse); }

bool TCustomTreeView::CustomSort(const TTVCompare& Compare, Integer Data, bool Recurse) {
  return FItems->FRoot->CustomSort(Compare, Data, Recurse);
}

void TCustomTreeView::FullExpand() {
  for (TTreeNode* N = FItems->GetFirstNode(); N; N = N->getNextSibling()) N->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* N = FItems->GetFirstNode(); N; N = N->getNextSibling()) N->Collapse(true);
}

// ---- Keys and mouse --------------------------------------------------------------------------------

void TCustomTreeView::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  TTreeNode* S = FSelected;
  if (Key == 0) return;
  if (!S) {
    if (Key == VK_DOWN || Key == VK_HOME) MoveSelection(FItems->GetFirstNode());
    return;
  }
  auto Rows = VisibleNodes();
  Integer Row = RowOf(S), Page = VisibleRowCount(), Last = Integer(Rows.size()) - 1;
  switch (Key) {
    case VK_UP: MoveSelection(S->GetPrevVisible()); break;
    case VK_DOWN: MoveSelection(S->GetNextVisible()); break;
    case VK_HOME: MoveSelection(Rows.front()); break;
    case VK_END: MoveSelection(Rows.back()); break;
    case VK_PRIOR: MoveSelection(Rows[std::max<Integer>(0, Row - Page)]); break;
    case VK_NEXT: MoveSelection(Rows[std::min(Last, Row + Page)]); break;
    case VK_LEFT: if (S->Expanded()) S->Collapse(false); else MoveSelection(S->Parent()); break;
    case VK_RIGHT: if (!S->Expanded() && S->HasChildren()) S->Expand(false); else MoveSelection(S->getFirstChild()); break;
    case VK_ADD: S->Expand(false); break;
    case VK_SUBTRACT: S->Collapse(false); break;
    case VK_MULTIPLY: S->Expand(true); break;
    case VK_F2: StartEditing(S); break;
    default: return;
  }
  Key = 0;
}

TTreeNode* TCustomTreeView::FindByPrefix(TTreeNode* From, const String& Prefix, bool Inclusive) {
  auto Rows = VisibleNodes();
  if (Rows.empty()) return nullptr;
  Integer N = Integer(Rows.size()), Start = From ? std::max<Integer>(0, RowOf(From)) : 0;
  String Wanted = AnsiLowerCase(Prefix);
  for (Integer K = Inclusive ? 0 : 1; K <= N; ++K) {
    TTreeNode* Node = Rows[(Start + K) % N];
    if (AnsiLowerCase(Node->FText).rfind(Wanted, 0) == 0) return Node;
  }
  return nullptr;
}

void TCustomTreeView::KeyPress(char32_t& Key) {
  TCustomControl::KeyPress(Key);
  if (Key < 0x20 || Key == 0x7F || IsEditing()) return;
  std::uint64_t Now = GetTickCount64();
  if (Now - FSearchTick > 1000) FSearchText.clear();
  if (Key == ' ' && FSearchText.empty()) return;  // Space acts on the node (check boxes)
  FSearchTick = Now;
  String Typed;
  Utf8Append(Typed, Key);
  Key = 0;
  // The same letter again steps through the rows that start with it.
  bool Repeat = !FSearchText.empty() && FSearchText.find_first_not_of(Typed) == String::npos;
  FSearchText += Typed;
  TTreeNode* Found = Repeat ? FindByPrefix(FSelected, Typed, false)
                            : FindByPrefix(FSelected, FSearchText, FSearchText != Typed);
  if (Found) MoveSelection(Found);
}

void TCustomTreeView::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!Focused() && CanFocus()) SetFocus();
  if (Button == mbLeft) {
    THitTests H = GetHitTestInfoAt(X, Y);
    TTreeNode* N = GetNodeAt(X, Y);
    if (N && H.Contains(htOnButton)) {
      N->SetExpanded(!N->Expanded());
    } else if (N && Shift.Contains(ssDouble)) {
      N->SetExpanded(!N->Expanded());
    } else if (N && N == FSelected && H.Contains(htOnLabel)) {
      StartEditing(N);
    } else if (N && !H.Contains(htOnIndent)) {
      SetSelected(N);
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomTreeView::WMGetDlgCode(TMessage& M) { M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TCustomTreeView::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TREE_ENDEDIT) return EndEditing(Message.WParam != 0);
  if (Message.Msg == WM_NCDESTROY) ForgetScrollBars(FHandle);
  if (HandleAllocated() && ScrollBarMouse(FHandle, Message.Msg, Message.WParam, Message.LParam)) return;
  TCustomControl::WndProc(Message);
}

// ---- Label editing -----------------------------------------------------------------------------------

bool TCustomTreeView::StartEditing(TTreeNode* Node) {
  if (FEditor || !Node || !CanEdit(Node)) return false;
  Node->MakeVisible();
  FEditNode = Node;
  auto* E = new TTreeLabelEdit(this);
  FEditor = E;
  TRect R = LabelRect(Node);
  R.Right = std::max(R.Right + 20, R.Left + 60);
  E->SetBorderStyle(bsSingle);
  E->SetBoundsRect(R);
  E->SetText(Node->Text());
  E->SetParent(this);
  E->SetFocus();
  E->SelectAll();
  return true;
}

void TCustomTreeView::EndEditing(bool Cancel) {
  if (!FEditor) return;
  TCustomEdit* E = FEditor;
  TTreeNode* N = FEditNode;
  FEditor = nullptr;
  FEditNode = nullptr;
  String S = E->Text();
  if (E->Focused() && CanFocus()) SetFocus();
  delete E;
  if (Cancel || !N) return;
  Edit(N, S);
  N->SetText(S);
}

// ---- Window and properties --------------------------------------------------------------------------

void TCustomTreeView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_TABSTOP | WS_CLIPCHILDREN;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::Resize() {
  UpdateScrollRange();
  TCustomControl::Resize();
}

void TCustomTreeView::SetBorderStyle(TBorderStyle V) {
  if (V == FBorderStyle) return;
  FBorderStyle = V;
  RecreateWnd();
}

void TCustomTreeView::SetImages(TCustomImageList* V) {
  FImages = V;
  if (V) V->FreeNotification(this);
  NodesChanged();
}

void TCustomTreeView::SetStateImages(TCustomImageList* V) {
  FStateImages = V;
  if (V) V->FreeNotification(this);
  NodesChanged();
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  if (AComponent == FStateImages) FStateImages = nullptr;
  if (AComponent == FEditor) FEditor = nullptr;
}

RTL_PUBLISHED(TCustomTreeView) {
  P.Prop("ShowRoot", &TCustomTreeView::ShowRoot, &TCustomTreeView::SetShowRoot).Default(true);
  P.Prop("ShowButtons", &TCustomTreeView::ShowButtons, &TCustomTreeView::SetShowButtons).Default(true);
  P.Prop("ShowLines", &TCustomTreeView::ShowLines, &TCustomTreeView::SetShowLines).Default(true);
  P.Prop("ReadOnly", &TCustomTreeView::ReadOnly, &TCustomTreeView::SetReadOnly).Default(false);
  P.Prop("HideSelection", &TCustomTreeView::HideSelection, &TCustomTreeView::SetHideSelection).Default(true);
  P.Prop("RowSelect", &TCustomTreeView::RowSelect, &TCustomTreeView::SetRowSelect).Default(false);
  P.Prop("AutoExpand", &TCustomTreeView::AutoExpand, &TCustomTreeView::SetAutoExpand).Default(false);
  P.Prop("Indent", &TCustomTreeView::Indent, &TCustomTreeView::SetIndent).Default(19);
  P.Prop("SortType", &TCustomTreeView::SortType, &TCustomTreeView::SetSortType).Default(stNone);
  P.Prop("BorderStyle", &TCustomTreeView::BorderStyle, &TCustomTreeView::SetBorderStyle).Default(bsSingle);
  P.Prop("Images", &TCustomTreeView::Images, &TCustomTreeView::SetImages);
  P.Prop("StateImages", &TCustomTreeView::StateImages, &TCustomTreeView::SetStateImages);
  P.Prop("TabStop", &TCustomTreeView::TabStop, &TCustomTreeView::SetTabStop).Default(true);
  P.Field("OnChange", &TCustomTreeView::OnChange);
  P.Field("OnChanging", &TCustomTreeView::OnChanging);
  P.Field("OnExpanding", &TCustomTreeView::OnExpanding);
  P.Field("OnExpanded", &TCustomTreeView::OnExpanded);
  P.Field("OnCollapsing", &TCustomTreeView::OnCollapsing);
  P.Field("OnCollapsed", &TCustomTreeView::OnCollapsed);
  P.Field("OnDeletion", &TCustomTreeView::OnDeletion);
  P.Field("OnEditing", &TCustomTreeView::OnEditing);
  P.Field("OnEdited", &TCustomTreeView::OnEdited);
  P.Field("OnCompare", &TCustomTreeView::OnCompare);
  P.Field("OnGetImageIndex", &TCustomTreeView::OnGetImageIndex);
  P.Field("OnGetSelectedIndex", &TCustomTreeView::OnGetSelectedIndex);
}

namespace {
const bool TreeClassesRegistered =
    (RegisterClasses({TTreeView::StaticClass(), TImageList::StaticClass()}), true);
}  // namespace
