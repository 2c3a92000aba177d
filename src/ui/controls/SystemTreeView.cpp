#include "ui/controls/SystemTreeView.h"

#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/dragdrop.h"
#include "platform/os/process.h"
#include "ui/controls/ItemProp.h"
#include "platform/os/internal.h"
#include "platform/rtl/classreg.h"
#include "ui/controls/MaskSearch.h"

RTL_IMPLEMENT_CLASS(TshSystemTreeView, TshCustomSystemTreeView, &ComponentFactory<TshSystemTreeView>)

RTL_PUBLISHED(TshSystemTreeView) {
  using T = TshSystemTreeView;
  P.Prop("ListView", &T::ListView, &T::SetListView);
  P.Prop("ComboBox", &T::ComboBox, &T::SetComboBox);
  P.Prop("ReadDelay", &T::ReadDelay, &T::SetReadDelay).Default(Word(500));
  P.Prop("Version", &T::Version, &T::SetVersion).Stored(false);
  P.Prop("PopupMenuMethod", &T::PopupMenuMethod, &T::SetPopupMenuMethod).Default(pmmContext);
  P.Prop("Selection", &T::GetSelection, &T::SetSelection);
  P.Prop("Directory", &T::Directory, &T::SetDirectory).Stored(false);
  P.Prop("RootFolder", &T::RootFolder, &T::SetRootFolder).Default(rfDesktop);
  P.Prop("CustomDir", &T::CustomDir, &T::SetCustomDir);
  P.Prop("CustomDirCaption", &T::CustomDirCaption, &T::SetCustomDirCaption);
  P.Prop("ShowFiles", &T::ShowFiles, &T::SetShowFiles).Default(false);
  P.Prop("ShowHiddenDirs", &T::ShowHiddenDirs, &T::SetShowHiddenDirs).Default(true);
  P.Prop("ExpandRoot", &T::ExpandRoot, &T::SetExpandRoot).Default(true);
  P.Prop("Checkboxes", &T::Checkboxes, &T::SetCheckboxes).Default(false);
  P.Prop("Autoscroll", &T::Autoscroll, &T::SetAutoscroll).Default(false);
  P.Prop("FileMask", &T::FileMask, &T::SetFileMask);
  P.Field("OnPopulated", &T::OnPopulated);
  P.Field("OnCheckChange", &T::OnCheckChange);
}

namespace {

const bool ShellTreeRegistered = (RegisterClasses({TshSystemTreeView::StaticClass()}), true);

// The attributes a node asks for.
constexpr DWORD kNodeAttributes = 0xF20B0177;
// Tree-view style of the check boxes.
constexpr DWORD TVS_CHECKBOXES = 0x100;

TItemIDList Concat(const TItemIDList& A, const TItemIDList& B) {
  TItemIDList L = A;
  L.insert(L.end(), B.begin(), B.end());
  return L;
}

bool StartsWithList(const TItemIDList& L, const TItemIDList& Prefix) {
  return L.size() >= Prefix.size() && std::equal(Prefix.begin(), Prefix.end(), L.begin());
}

}  // namespace

int RootFolderCsidl(TRootFolder Root) {
  static const int kCsidl[] = {0, 10, 3, 16, 17, 6, 20, 18, 19, 5, 4, 2, 8, 9, 11, 7, 21, 17, -1};
  return kCsidl[Root];
}

TshSystemTreeView::TshSystemTreeView(TComponent* AOwner)
    : TshCustomSystemTreeView(AOwner), FDesktop(SHGetDesktopFolder()), FMasks(std::make_unique<TStringList>()) {
  SplitMaskList(String(), FMasks.get());
  SetShowRoot(true);
  SetSortType(stNone);
  SetImages(ShellSmallImages());
  FShellMenu = new TPopupMenu(this);
}

TshSystemTreeView::~TshSystemTreeView() {
  FDestroying = true;
  if (FReadTimer) KillTimer(nullptr, FReadTimer);
  if (FScrollTimer) KillTimer(nullptr, FScrollTimer);
  StopWatchers();
  FAlive.reset();
  Items()->Clear();
}

// ---- Selection ---------------------------------------------------------------------------------

String TshSystemTreeView::GetSelection() {
  if (!HandleAllocated() || !Selected()) return String();
  return NodePath(Selected());
}

void TshSystemTreeView::SetSelection(const String& Path) {
  if (!HandleAllocated() || Loading()) {
    FPendingSelection = Path;
    FHasPending = true;
    return;
  }
  SelectPath(Path);
}

String TshSystemTreeView::NodePath(TTreeNode* Node) {
  auto* D = Node ? static_cast<TFolderItemData*>(Node->Data()) : nullptr;
  String Path;
  if (D) SHGetPathFromIDList(D->Absolute, Path);
  return Path;
}

TFolderItemData* TshSystemTreeView::NodeData(TTreeNode* Node) {
  auto* D = Node ? static_cast<TFolderItemData*>(Node->Data()) : nullptr;
  if (!D) Application->MessageBox("Could not get folder data.", Application->Title(), MB_OK);
  return D;
}

void TshSystemTreeView::SelectPath(const String& Path) {
  TTreeNode* Top = Items()->GetFirstNode();
  auto* Root = Top ? static_cast<TFolderItemData*>(Top->Data()) : nullptr;
  if (!Root || Path.empty()) return;
  // The deepest existing folder on the way (a path that is missing or a
  // file selects what is left of it).
  String P = Path;
  while (P.size() > 1 && P.back() == '/') P.pop_back();
  TItemIDList Target;
  String RootPath;
  for (;;) {
    bool Found;
    if (SHGetPathFromIDList(Root->Absolute, RootPath) &&
        (P == RootPath || P.rfind(RootPath == "/" ? RootPath : RootPath + "/", 0) == 0)) {
      TItemIDList Rel;
      Found = TShellFolder(Root->Absolute).ParseDisplayName(P, Rel) == S_OK;
      Target = Concat(Root->Absolute, Rel);
    } else {
      Found = FDesktop->ParseDisplayName(P, Target) == S_OK;
    }
    if (Found) break;
    String Up = ShellParentPath(P);
    if (Up.empty() || Up == P) return;
    P = Up;
  }
  SelectList(Target);
}

TTreeNode* TshSystemTreeView::ChildOf(TTreeNode* Node, const TShellItem& Item) {
  for (TTreeNode* C = Node->getFirstChild(); C; C = C->getNextSibling()) {
    auto* D = static_cast<TFolderItemData*>(C->Data());
    if (D && !D->Relative.empty() && D->Relative.back() == Item) return C;
  }
  return nullptr;
}

void TshSystemTreeView::SelectList(const TItemIDList& Absolute) {
  TTreeNode* Node = Items()->GetFirstNode();
  auto* Root = Node ? static_cast<TFolderItemData*>(Node->Data()) : nullptr;
  if (!Root || !StartsWithList(Absolute, Root->Absolute)) return;
  for (size_t K = Root->Absolute.size(); K < Absolute.size(); ++K) {
    Node->Expand(false);
    TTreeNode* Child = ChildOf(Node, Absolute[K]);
    if (!Child) {
      // Made after the node was read (its watcher looks at the selection
      // only): read it again.
      RefreshNode(Node);
      Node->Expand(false);
      Child = ChildOf(Node, Absolute[K]);
    }
    if (!Child) break;
    Node = Child;
  }
  SetSelected(Node);
  Node->MakeVisible();
}

// ---- Building ----------------------------------------------------------------------------------

DWORD TshSystemTreeView::EnumFlags() const {
  return SHCONTF_FOLDERS | (FShowHiddenDirs ? SHCONTF_INCLUDEHIDDEN : 0) | (FShowFiles ? SHCONTF_NONFOLDERS : 0);
}

void TshSystemTreeView::RebuildTree() {
  if (!HandleAllocated() || Loading() || FDestroying) return;
  TItemIDList Remembered;
  bool HadSelection = false, WasExpanded = false;
  if (auto* D = Selected() ? static_cast<TFolderItemData*>(Selected()->Data()) : nullptr) {
    Remembered = D->Absolute;
    HadSelection = true;
    WasExpanded = Selected()->Expanded();
  }
  FRebuilding = true;
  Items()->BeginUpdate();
  StopWatchers();
  SetSelected(nullptr);
  Items()->Clear();
  TItemIDList Root;
  HRESULT R = FRootFolder == rfCustom ? FDesktop->ParseDisplayName(FCustomDir, Root)
                                      : SHGetSpecialFolderLocation(RootFolderCsidl(FRootFolder), Root);
  if (R == S_OK)
    if (TTreeNode* Top = AddNode(FDesktop, Root, nullptr, Root); Top && FExpandRoot) Top->Expand(false);
  if (SortType() != stNone) AlphaSortShell();
  if (FHasPending) {
    FHasPending = false;
    SelectPath(FPendingSelection);
    FPendingSelection.clear();
  } else if (HadSelection) {
    SelectList(Remembered);
    if (WasExpanded && Selected()) Selected()->Expand(false);
  }
  Items()->EndUpdate();
  FRebuilding = false;
  ++FRebuildCount;
  // The watchers follow the selection the rebuild ended with.
  if (Selected()) Change(Selected());
  NotifyLinked();
}

TTreeNode* TshSystemTreeView::AddNode(const std::shared_ptr<TShellFolder>& Folder, const TItemIDList& Absolute,
                                      TTreeNode* Parent, const TItemIDList& Relative) {
  String Text = Folder->GetDisplayNameOf(Relative);
  if (!Parent && FRootFolder == rfCustom && !FCustomDirCaption.empty()) Text = FCustomDirCaption;
  DWORD Attributes = Folder->GetAttributesOf(Relative, kNodeAttributes);
  if (FRootFolder == rfFileSystem && !(Attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR))) return nullptr;
  String Path;
  if (!FFileMask.empty() && !(Attributes & SFGAO_FOLDER) && SHGetPathFromIDList(Absolute, Path) &&
      !MatchesMaskList(Path.substr(Path.rfind('/') + 1), FMasks.get()))
    return nullptr;
  auto* D = new TFolderItemData(Folder, Relative, Attributes, Absolute);
  TTreeNode* Node = Items()->AddChildObject(Parent, Text, D);
  int Normal = ShellIconOf(Absolute, false), Open = ShellIconOf(Absolute, true);
  if (Open == 0 && Normal != 0) Open = Normal;
  bool Folderish = Attributes & SFGAO_FOLDER;
  Node->SetImageIndex(Folderish ? Normal : Open);
  Node->SetSelectedIndex(Open);
  if (Attributes & SFGAO_LINK) Node->SetOverlayIndex(1);
  else if (Attributes & SFGAO_SHARE) Node->SetOverlayIndex(0);
  Node->SetHasChildren(HasExpander(Folder, Relative, Attributes));
  if (FCheckboxes) Node->SetStateIndex(FChecked.count(Absolute) ? 1 : 0);
  return Node;
}

bool TshSystemTreeView::HasExpander(const std::shared_ptr<TShellFolder>& Folder, const TItemIDList& Relative,
                                    DWORD Attributes) {
  if (Attributes & SFGAO_HASSUBFOLDER) return true;
  if (!FShowFiles) return false;
  auto Sub = Folder->BindToObject(Relative);
  return Sub && !Sub->EnumObjects(SHCONTF_NONFOLDERS | (FShowHiddenDirs ? SHCONTF_INCLUDEHIDDEN : 0)).empty();
}

bool TshSystemTreeView::FillNode(TTreeNode* Node, const std::shared_ptr<TShellFolder>& Folder) {
  auto* D = static_cast<TFolderItemData*>(Node->Data());
  TCursor Saved = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  Items()->BeginUpdate();
  std::vector<TItemIDList> Found = Folder->EnumObjects(EnumFlags());
  for (const TItemIDList& Rel : Found) AddNode(Folder, Concat(D->Absolute, Rel), Node, Rel);
  Items()->EndUpdate();
  Screen->SetCursor(Saved);
  return !Found.empty();
}

bool TshSystemTreeView::CanExpand(TTreeNode* Node) {
  if (!TshCustomSystemTreeView::CanExpand(Node)) return false;
  TFolderItemData* D = NodeData(Node);
  if (!D) return false;
  if (!D->Filled) {
    std::shared_ptr<TShellFolder> Folder =
        Node->Parent() || FRootFolder != rfDesktop ? D->ParentFolder->BindToObject(D->Relative) : FDesktop;
    bool Any = Folder && FillNode(Node, Folder);
    D->Filled = true;
    if (Any && OnPopulated) OnPopulated(this, Node);
    if (Node->Count() == 0) Node->SetHasChildren(false);
  }
  return true;
}

void TshSystemTreeView::Expand(TTreeNode* Node) {
  Items()->BeginUpdate();
  SortChildren(Node);
  Items()->EndUpdate();
  TshCustomSystemTreeView::Expand(Node);
}

Integer TshSystemTreeView::ShellCompare(TTreeNode* A, TTreeNode* B) {
  if (A == B) return 0;
  if (!A) return -1;
  if (!B) return 1;
  auto* DA = static_cast<TFolderItemData*>(A->Data());
  auto* DB = static_cast<TFolderItemData*>(B->Data());
  if (!DA || !DB) return 0;
  // By the attributes read when the nodes were added: the folder may
  // change while the sort runs, and the sort needs one consistent order.
  return DA->ParentFolder->CompareIDs(DA->Relative, DA->Attributes, DB->Relative, DB->Attributes);
}

void TshSystemTreeView::SortChildren(TTreeNode* Node) {
  Node->CustomSort([this](TTreeNode* A, TTreeNode* B, Integer) { return ShellCompare(A, B); }, 0, false);
}

void TshSystemTreeView::AlphaSortShell() {
  CustomSort([this](TTreeNode* A, TTreeNode* B, Integer) { return ShellCompare(A, B); }, 0, true);
}

void TshSystemTreeView::RefreshNode(TTreeNode* Node) {
  auto* D = static_cast<TFolderItemData*>(Node->Data());
  if (!D) return;
  std::shared_ptr<TShellFolder> Folder;
  if (D->Filled && Node->Expanded())
    Folder = Node->Parent() || FRootFolder != rfDesktop ? D->ParentFolder->BindToObject(D->Relative) : FDesktop;
  if (!Folder) {
    bool Was = Node->Expanded();
    Node->DeleteChildren();
    D->Filled = false;
    Node->SetHasChildren(true);
    if (Was) Node->Expand(false);
    NotifyLinked();
    return;
  }
  // An open node keeps what is still there: the selection and whatever
  // was open below stay where they are.
  std::vector<TItemIDList> Found = Folder->EnumObjects(EnumFlags());
  std::set<TShellItem> Now;
  for (const TItemIDList& Rel : Found) Now.insert(Rel.back());
  Items()->BeginUpdate();
  for (TTreeNode* C = Node->getFirstChild(); C;) {
    TTreeNode* Next = C->getNextSibling();
    auto* CD = static_cast<TFolderItemData*>(C->Data());
    DWORD Attributes = CD && !CD->Relative.empty() && Now.count(CD->Relative.back())
                           ? CD->ParentFolder->GetAttributesOf(CD->Relative, kNodeAttributes)
                           : 0;
    if (!Attributes || ((Attributes ^ CD->Attributes) & SFGAO_FOLDER)) {
      C->Delete();  // gone, or a folder turned file (or back): added anew below
    } else if (!C->Expanded()) {
      // A closed child is read again when it opens; its expander follows
      // what it holds now.
      C->DeleteChildren();
      CD->Filled = false;
      CD->Attributes = Attributes;
      C->SetHasChildren(HasExpander(CD->ParentFolder, CD->Relative, Attributes));
    }
    C = Next;
  }
  std::set<TShellItem> Have;
  for (TTreeNode* C = Node->getFirstChild(); C; C = C->getNextSibling())
    Have.insert(static_cast<TFolderItemData*>(C->Data())->Relative.back());
  for (const TItemIDList& Rel : Found)
    if (!Have.count(Rel.back())) AddNode(Folder, Concat(D->Absolute, Rel), Node, Rel);
  if (Node->Count() == 0) Node->SetHasChildren(false);
  SortChildren(Node);
  Items()->EndUpdate();
  NotifyLinked();
}

// ---- Node events -------------------------------------------------------------------------------

void TshSystemTreeView::FreeNodeData(TTreeNode* Node) {
  if (Node == FWatchNode) {
    StopWatchers();
    FWatchNode = nullptr;
  }
  delete static_cast<TFolderItemData*>(Node->Data());
  if (!FDestroying) Node->SetData(nullptr);
}

void TshSystemTreeView::Delete(TTreeNode* Node) {
  FreeNodeData(Node);
  TshCustomSystemTreeView::Delete(Node);
}

bool TshSystemTreeView::CanEdit(TTreeNode* Node) {
  auto* D = static_cast<TFolderItemData*>(Node->Data());
  return D && D->HasAttributes(SFGAO_CANRENAME) && TshCustomSystemTreeView::CanEdit(Node);
}

void TshSystemTreeView::Edit(TTreeNode* Node, String& S) {
  TshCustomSystemTreeView::Edit(Node, S);
  auto* D = static_cast<TFolderItemData*>(Node->Data());
  TItemIDList NewItem;
  if (!D || S == Node->Text() || D->ParentFolder->SetNameOf(D->Relative, S, NewItem) != S_OK) {
    S = Node->Text();  // refused: the old name stays
    return;
  }
  D->Absolute.resize(D->Absolute.size() - D->Relative.size());
  D->Relative = NewItem;
  D->Absolute = Concat(D->Absolute, NewItem);
  if (D->Filled) RefreshNode(Node);
}

void TshSystemTreeView::Change(TTreeNode* Node) {
  TshCustomSystemTreeView::Change(Node);
  if (FRebuilding || FDestroying) return;
  if (FReadTimer) KillTimer(nullptr, FReadTimer);
  FReadTimer = 0;
  if (FReadDelay == 0) {
    NotifyLinked();
    if (Node && Node->Data()) StartWatchers(Node);
    return;
  }
  std::weak_ptr<char> Alive = FAlive;
  FReadTimer = SetTimer(nullptr, 0, FReadDelay, [this, Alive](HWND, UINT, std::uintptr_t Id, DWORD) {
    KillTimer(nullptr, Id);
    if (Alive.expired() || Id != FReadTimer) return;
    FReadTimer = 0;
    NotifyLinked();
    StartWatchers(Selected());
  });
}

// ---- Watchers ----------------------------------------------------------------------------------

void TshSystemTreeView::StopWatchers() {
  ++FWatchGeneration;
  for (TFileChangeThread*& W : FWatchers) {
    if (W) W->Terminate();
    W = nullptr;
  }
}

void TshSystemTreeView::StartWatchers(TTreeNode* Node) {
  StopWatchers();
  FWatchNode = nullptr;
  if (!Node || !Node->Data()) return;
  String Path = NodePath(Node);
  if (FShowFiles && !Path.empty() && !os::detail::IsFolder(Path)) Path = ShellParentPath(Path);
  if (Path.empty()) return;
  FWatchNode = Node;
  std::weak_ptr<char> Alive = FAlive;
  unsigned Generation = FWatchGeneration;
  auto Report = [this, Alive, Generation](int Which) {
    return [this, Alive, Generation, Which](TObject* Sender) {
      if (Alive.expired() || Generation != FWatchGeneration) return;
      FWatchers[Which] = nullptr;
      if (!static_cast<TFileChangeThread*>(Sender)->ChangeSeen()) return;
      Which == 0 ? FolderChanged() : ParentChanged();
    };
  };
  TFileChangeKinds Kinds = FShowFiles || ListView()
                               ? TFileChangeKinds{fcFileName, fcDirName, fcAttributes, fcSize, fcLastWrite}
                               : TFileChangeKinds{fcDirName};
  FWatchers[0] = new TFileChangeThread(Path, false, Kinds, Report(0));
  String Parent = Node->Parent() ? NodePath(Node->Parent()) : String();
  if (!Parent.empty()) FWatchers[1] = new TFileChangeThread(Parent, false, {fcDirName}, Report(1));
}

String TshSystemTreeView::WatchedFolder() const { return FWatchers[0] ? FWatchers[0]->Folder() : String(); }
String TshSystemTreeView::WatchedParent() const { return FWatchers[1] ? FWatchers[1]->Folder() : String(); }

void TshSystemTreeView::FolderChanged() {
  TTreeNode* Node = FWatchNode;
  if (!Node) return;
  Items()->BeginUpdate();
  StopWatchers();
  String Path = NodePath(Node);
  struct stat St;
  bool Exists = os::detail::StatPath(Path, St);
  if (Exists && S_ISDIR(St.st_mode)) {
    bool Was = Node->Expanded();
    RefreshNode(Node);
    if (Was) Node->MakeVisible();
    StartWatchers(Node);
  } else if (Exists) {
    StartWatchers(Node->Parent());
  } else if (TTreeNode* Parent = Node->Parent()) {
    // The folder is gone: its parent, refreshed, takes the selection.
    bool Was = Parent->Expanded();
    RefreshNode(Parent);
    if (Was) Parent->MakeVisible();
    SetSelected(Parent);
  }
  Items()->EndUpdate();
}

void TshSystemTreeView::ParentChanged() {
  TTreeNode* Node = FWatchNode;
  if (!Node) return;
  if (os::detail::IsFolder(NodePath(Node))) {
    StartWatchers(Node);  // the parent watcher has ended: watch again
    return;
  }
  if (TTreeNode* Parent = Node->Parent()) SetSelected(Parent);
  RebuildTree();
}

// ---- Properties and window ---------------------------------------------------------------------

void TshSystemTreeView::SetShowFiles(bool V) {
  if (V == FShowFiles) return;
  FShowFiles = V;
  RebuildTree();
}

void TshSystemTreeView::SetFileMask(const String& V) {
  if (V == FFileMask) return;
  FFileMask = V;
  SplitMaskList(V, FMasks.get());
  RebuildTree();
}

void TshSystemTreeView::SetCustomDir(const String& V) {
  if (V == FCustomDir) return;
  FCustomDir = V;
  RebuildTree();
}

void TshSystemTreeView::SetRootFolder(TRootFolder V) {
  if (V == FRootFolder) return;
  FRootFolder = V;
  RebuildTree();
}

void TshSystemTreeView::SetCustomDirCaption(const String& V) {
  if (V == FCustomDirCaption) return;
  FCustomDirCaption = V;
  if (TTreeNode* First = Items()->GetFirstNode()) First->SetText(V);
}

void TshSystemTreeView::SetCheckboxes(bool V) {
  if (V == FCheckboxes) return;
  FCheckboxes = V;
  SetStateImages(V ? ShellCheckImages() : nullptr);
  if (HandleAllocated()) RecreateWnd();
}

void TshSystemTreeView::CreateParams(TCreateParams& Params) {
  TshCustomSystemTreeView::CreateParams(Params);
  if (FCheckboxes) Params.Style |= TVS_CHECKBOXES;
}

void TshSystemTreeView::CreateWnd() {
  TshCustomSystemTreeView::CreateWnd();
  if (!Loading()) RebuildTree();
}

void TshSystemTreeView::DestroyWnd() {
  if (Selected() && !FDestroying) {
    FPendingSelection = GetSelection();
    FHasPending = !FPendingSelection.empty();
  }
  TshCustomSystemTreeView::DestroyWnd();
}

void TshSystemTreeView::Loaded() {
  TshCustomSystemTreeView::Loaded();
  RebuildTree();
}

// ---- Check boxes -------------------------------------------------------------------------------

bool TshSystemTreeView::Checked(TTreeNode* Node) const { return Node && Node->StateIndex() == 1; }

void TshSystemTreeView::SetChecked(TTreeNode* Node, bool V) {
  auto* D = Node ? static_cast<TFolderItemData*>(Node->Data()) : nullptr;
  if (!D || !FCheckboxes) return;
  if (V) FChecked.insert(D->Absolute);
  else FChecked.erase(D->Absolute);
  Node->SetStateIndex(V ? 1 : 0);
}

std::vector<String> TshSystemTreeView::CheckedPaths() {
  std::vector<String> Out;
  for (TTreeNode* N = Items()->GetFirstNode(); N; N = N->GetNext())
    if (Checked(N))
      if (String P = NodePath(N); !P.empty()) Out.push_back(P);
  return Out;
}

void TshSystemTreeView::ToggleCheck(TTreeNode* Node) {
  if (!FCheckboxes || !Node || !Node->Data()) return;
  SetChecked(Node, !Checked(Node));
  if (OnCheckChange) OnCheckChange(this, Node);
}

// ---- Keys and mouse ----------------------------------------------------------------------------

void TshSystemTreeView::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_SPACE && FCheckboxes && Selected() && !IsEditing()) {
    TshCustomSystemTreeView::KeyDown(Key, Shift);
    if (Key == 0) return;
    ToggleCheck(Selected());
    Key = 0;
    return;
  }
  TshCustomSystemTreeView::KeyDown(Key, Shift);
}

void TshSystemTreeView::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == mbLeft && FCheckboxes && GetHitTestInfoAt(X, Y).Contains(htOnStateIcon)) {
    if (!Focused() && CanFocus()) SetFocus();
    TTreeNode* N = GetNodeAt(X, Y);
    SetSelected(N);
    ToggleCheck(N);
    return;
  }
  TshCustomSystemTreeView::MouseDown(Button, Shift, X, Y);
  if (FAutoscroll && Button == mbLeft && AutoscrollAt(Point(X, Y))) StartAutoscrollTimer();
}

void TshSystemTreeView::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TshCustomSystemTreeView::MouseMove(Shift, X, Y);
  if (FAutoscroll && AutoscrollAt(Point(X, Y))) StartAutoscrollTimer();
}

bool TshSystemTreeView::AutoscrollAt(TPoint P) {
  Integer H = std::abs(Font()->Height());
  if (H == 0) H = Canvas()->TextHeight("Ag");
  TRect C = ClientRect();
  if (P.X < 0 || P.Y < 0 || P.X >= C.Right || P.Y >= C.Bottom) return false;
  // The client area already stops short of a scroll bar.
  if (P.Y < H) {
    if (TopItem() == Items()->GetFirstNode()) return false;
    ScrollRows(-1);
    return true;
  }
  if (P.Y > C.Bottom - H) {
    Integer Before = RowOf(TopItem());
    ScrollRows(1);
    return RowOf(TopItem()) != Before;
  }
  return false;  // the rows are never wider than the window: no columns to scroll
}

void TshSystemTreeView::StartAutoscrollTimer() {
  if (FScrollTimer) return;
  std::weak_ptr<char> Alive = FAlive;
  FScrollTimer = SetTimer(nullptr, 0, 100, [this, Alive](HWND, UINT, std::uintptr_t Id, DWORD) {
    if (Alive.expired() || Id != FScrollTimer) return (void)KillTimer(nullptr, Id);
    // Goes on while the mouse stays near the edge of this tree.
    TPoint P = ScreenToClient(GetCursorPos());
    if (!HandleAllocated() || !AutoscrollAt(P)) {
      KillTimer(nullptr, Id);
      FScrollTimer = 0;
    }
  });
}

void TshSystemTreeView::WndProc(TMessage& Message) {
  if (Message.Msg == WM_CONTEXTMENU && FPopupMenuMethod != pmmUser) return ShowContextMenu(Message);
  if (Message.Msg == CM_DRAG && FAutoscroll && Message.WParam == dmDragMove && Message.LParam) {
    if (AutoscrollAt(ScreenToClient(reinterpret_cast<TDragRec*>(Message.LParam)->Pos))) StartAutoscrollTimer();
  }
  TshCustomSystemTreeView::WndProc(Message);
}

// ---- Context menu ------------------------------------------------------------------------------

void TshSystemTreeView::ShowContextMenu(TMessage& Message) {
  TPoint Screen = Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
  TTreeNode* Node = nullptr;
  if (Message.LParam == -1 || (Screen.X == -1 && Screen.Y == -1)) {
    // From the keyboard: the selected node, at its label.
    Node = Selected();
    TRect R = Node ? Node->DisplayRect(true) : TRect{};
    Screen = ClientToScreen(Point(R.Left + 4, R.Bottom));
  } else {
    TPoint P = ScreenToClient(Screen);
    Node = GetNodeAt(P.X, P.Y);
    if (Node) SetSelected(Node);
  }
  Message.Result = 1;
  if (FPopupMenuMethod == pmmNone) return;
  if (!Node || !Node->Data()) {
    // Nothing of the shell here: only the own menu, where it is offered.
    auto* Own = dynamic_cast<TPopupMenu*>(PopupMenu());
    if (FPopupMenuMethod == pmmContextUser && Own) Own->Popup(Screen.X, Screen.Y);
    return;
  }
  BuildShellMenu(Node, FPopupMenuMethod == pmmContextUser);
  FShellMenu->SetPopupComponent(this);
  FShellMenu->Popup(Screen.X, Screen.Y);
}

void TshSystemTreeView::BuildShellMenu(TTreeNode* Node, bool WithUser) {
  FShellMenu->Items()->Clear();
  auto* D = static_cast<TFolderItemData*>(Node->Data());
  String Path = NodePath(Node);
  bool Folder = !Path.empty() && os::detail::IsFolder(Path);
  std::weak_ptr<char> Alive = FAlive;
  auto Add = [this](const String& Caption, bool Enabled, std::function<void()> Action) {
    auto* I = new TMenuItem(FShellMenu);
    I->SetCaption(Caption);
    I->SetEnabled(Enabled);
    if (Action) I->OnClick = [Action](TObject*) { Action(); };
    FShellMenu->Items()->Add(I);
    return I;
  };
  // A verb acts on the node only while it is still in the tree.
  auto OnNode = [this, Alive, Abs = D->Absolute](std::function<void(TTreeNode*)> Verb) {
    return [this, Alive, Abs, Verb] {
      if (Alive.expired()) return;
      TTreeNode* N = Selected();
      auto* SD = N ? static_cast<TFolderItemData*>(N->Data()) : nullptr;
      if (SD && SD->Absolute == Abs) Verb(N);
    };
  };
  Add("Ö&ffnen", !Path.empty(), OnNode([this](TTreeNode* N) { OpenNode(N); }));
  Add("&Neuer Ordner", Folder && ::access(Path.c_str(), W_OK) == 0, OnNode([this](TTreeNode* N) { NewFolder(N); }));
  Add("&Aktualisieren", true, OnNode([this](TTreeNode* N) { RefreshNode(N); }));
  if (!ReadOnly() && D->HasAttributes(SFGAO_CANRENAME))
    Add("&Umbenennen", true, OnNode([](TTreeNode* N) { N->EditText(); }));
  Add("-", true, nullptr);
  Add("&Eigenschaften", !Path.empty(), OnNode([this](TTreeNode* N) { ShowProperties(N); }));
  auto* Own = dynamic_cast<TPopupMenu*>(PopupMenu());
  if (!WithUser || !Own) return;
  Add("-", true, nullptr);
  for (Integer K = 0; K < Own->Items()->Count(); ++K) {
    TMenuItem* U = Own->Items()->Items(K);
    if (!U->Visible()) continue;
    Add(U->Caption(), U->Enabled(), U->IsLine() ? std::function<void()>() : [U] { U->Click(); })
        ->SetChecked(U->Checked());
  }
}

// ---- Verbs -------------------------------------------------------------------------------------

bool TshSystemTreeView::OpenNode(TTreeNode* Node) {
  String Path = NodePath(Node);
  if (Path.empty()) return false;
  if (ShellExecute(nullptr, "open", Path, String(), String(), SW_SHOWNORMAL) > 32) return true;
  Application->MessageBox("Der Dateimanager konnte nicht gestartet werden, um\n" + Path + "\nzu öffnen.",
                          "Öffnen", MB_OK | MB_ICONWARNING);
  return false;
}

TTreeNode* TshSystemTreeView::NewFolder(TTreeNode* Node) {
  auto* D = Node ? static_cast<TFolderItemData*>(Node->Data()) : nullptr;
  String Path = NodePath(Node);
  if (!D || Path.empty()) return nullptr;
  std::shared_ptr<TShellFolder> Folder = D->ParentFolder->BindToObject(D->Relative);
  TItemIDList Made;
  if (!Folder || Folder->NewFolder("Neuer Ordner", Made) != S_OK) {
    Application->MessageBox("Im Ordner\n" + Path + "\nkann kein neuer Ordner angelegt werden:\n" +
                                SysErrorMessage(GetLastError()),
                            "Neuer Ordner", MB_OK | MB_ICONWARNING);
    return nullptr;
  }
  TItemIDList Abs = Concat(D->Absolute, Made);
  if (D->Filled && Node->Expanded()) RefreshNode(Node);
  else Node->Expand(false);
  TTreeNode* New = ChildOf(Node, Made.back());
  if (!New) {  // filled before, but closed: show it now
    RefreshNode(Node);
    Node->Expand(false);
    New = ChildOf(Node, Made.back());
  }
  if (!New) return nullptr;
  SetSelected(New);
  if (!ReadOnly()) New->EditText();
  return New;
}

void TshSystemTreeView::ShowProperties(TTreeNode* Node) {
  String Path = NodePath(Node);
  if (!Path.empty()) ShowItemProperties(Path, Node->Text());
}
