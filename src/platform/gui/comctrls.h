// Common controls: the tree view (TCustomTreeView / TTreeView with its
// nodes TTreeNode in TTreeNodes) and the image lists
// (comctrls_imagelist.h); TCustomRichEdit and TToolBar come along from
// typeonly.h.
//
// The tree view paints itself: one row per visible node (the children of
// expanded nodes), indented by level, with lines, +/- buttons, the node's
// image from Images and its text; the selected node in the highlight
// colours. It scrolls vertically with a window scroll bar. Keys: Up/Down,
// Home/End, Page Up/Down move the selection; Right expands (or goes to the
// first child), Left collapses (or goes to the parent), "+" / "-" expand
// and collapse, "*" expands all below, F2 edits the label. Typing finds a
// node by name: the letters typed within a second of each other make a
// prefix, searched (case-insensitively) over the visible rows from the
// selected one on, wrapping; the same letter typed again goes on to the
// next row that starts with it. Mouse: a click
// on a button toggles the node, on a row selects it, a click on the
// selected node's label edits it (unless ReadOnly), a double click toggles.
//
// Expanding asks CanExpand (OnExpanding) first, even for a node without
// children that has HasChildren set, so that children can be added on
// demand; afterwards Expand (OnExpanded) runs. Deleting a node (and its
// children) raises OnDeletion for each. With SortType stText or stBoth,
// nodes are kept in order of their texts (OnCompare decides when set).
//
// Nodes are owned by their parent node (top-level ones by Items); a
// TTreeNode* stays valid until the node is deleted.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/comctrls_imagelist.h"
#include "platform/gui/scrollbars.h"
#include "platform/gui/stdctrls_edit.h"
#include "platform/gui/typeonly.h"

class TCustomTreeView;
class TTreeNodes;

RTL_ENUM(TSortType, stNone, stData, stText, stBoth);
RTL_ENUM(THitTest, htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent, htOnLabel,
         htOnRight, htOnStateIcon, htToLeft, htToRight);
using THitTests = TSet<THitTest>;

// Compares two nodes for CustomSort: < 0, 0, > 0.
using TTVCompare = std::function<Integer(class TTreeNode* Node1, class TTreeNode* Node2, Integer Data)>;

class TTreeNode : public TPersistent {
  RTL_DECLARE_CLASS(TTreeNode)
 public:
  // Nodes are made by TTreeNodes; deleting one takes it out of the tree.
  explicit TTreeNode(TTreeNodes* AOwner);
  ~TTreeNode() override;

  TTreeNodes* Owner() const { return FOwner; }
  TCustomTreeView* TreeView() const;
  // The parent node; null for a top-level node.
  TTreeNode* Parent() const;
  Integer Count() const { return Integer(FChildren.size()); }
  // Raises EListError for a bad index.
  TTreeNode* Item(Integer Index) const;
  TTreeNode* getFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
  TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
  TTreeNode* getNextSibling() const;
  TTreeNode* getPrevSibling() const;
  // Pre-order neighbours over the whole tree / over the visible rows.
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;
  // Position among the siblings; depth (0 for top level); pre-order index.
  Integer Index() const;
  Integer Level() const;
  Integer AbsoluteIndex() const;
  bool HasAsParent(const TTreeNode* Value) const;
  // True when every parent is expanded.
  bool IsVisible() const;

  const String& Text() const { return FText; }
  void SetText(const String& V);
  void* Data() const { return FData; }
  void SetData(void* V) { FData = V; }
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer V);
  Integer SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(Integer V);
  Integer OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(Integer V);
  Integer StateIndex() const { return FStateIndex; }
  void SetStateIndex(Integer V);
  // The expander: true when the node has children or was told it has.
  bool HasChildren() const { return FHasChildren || !FChildren.empty(); }
  void SetHasChildren(bool V);

  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool V) { V ? Expand(false) : Collapse(false); }
  // Expands (collapses) the node, asking the tree view first; with
  // Recurse every node below too.
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  bool Selected() const;
  void SetSelected(bool V);
  bool Focused() const { return Selected(); }
  // Expands the parents and scrolls the node into view.
  void MakeVisible();
  // The row of the node (TextOnly: the label) in client coordinates;
  // empty when it is not shown.
  TRect DisplayRect(bool TextOnly) const;

  // Deletes the node (and its children); the pointer is dead afterwards.
  void Delete();
  void DeleteChildren();
  // Sorts the children by text (or OnCompare); with Recurse all below.
  bool AlphaSort(bool Recurse = false);
  bool CustomSort(const TTVCompare& Compare, Integer Data, bool Recurse = false);
  // Starts label editing of this node; false when refused.
  bool EditText();
  // Moves the node under Destination as its last child (or next to it).
  void MoveTo(TTreeNode* Destination, bool AsChild);

 private:
  void InsertChild(Integer Index, TTreeNode* Node);
  void RemoveChild(TTreeNode* Node);
  void SortChildren(const TTVCompare& Compare, Integer Data, bool Recurse);
  void Changed();

  TTreeNodes* FOwner;
  TTreeNode* FParent = nullptr;  // the hidden root for top-level nodes
  std::vector<TTreeNode*> FChildren;
  String FText;
  void* FData = nullptr;
  Integer FImageIndex = -1, FSelectedIndex = -1, FOverlayIndex = -1, FStateIndex = -1;
  bool FHasChildren = false;
  bool FExpanded = false;
  bool FDeleting = false;

  friend class TTreeNodes;
  friend class TCustomTreeView;
};

class TTreeNodes : public TPersistent {
  RTL_DECLARE_CLASS(TTreeNodes)
 public:
  explicit TTreeNodes(TCustomTreeView* AOwner);
  ~TTreeNodes() override;

  TCustomTreeView* Owner() const { return FOwner; }
  // Every node of the tree.
  Integer Count() const;
  // The node at pre-order index Index; raises EListError for a bad index.
  TTreeNode* Item(Integer Index) const;
  TTreeNode* GetFirstNode() const { return FRoot->getFirstChild(); }
  // Adding: Add puts the node last among Sibling's siblings (top level
  // for null), AddFirst first; AddChild last among Parent's children (top
  // level for null), AddChildFirst first; Insert before Sibling. The
  // Object variants set Data. Each returns the new node.
  TTreeNode* Add(TTreeNode* Sibling, const String& S) { return AddObject(Sibling, S, nullptr); }
  TTreeNode* AddObject(TTreeNode* Sibling, const String& S, void* Ptr);
  TTreeNode* AddFirst(TTreeNode* Sibling, const String& S);
  TTreeNode* AddChild(TTreeNode* Parent, const String& S) { return AddChildObject(Parent, S, nullptr); }
  TTreeNode* AddChildObject(TTreeNode* Parent, const String& S, void* Ptr);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const String& S);
  TTreeNode* Insert(TTreeNode* Sibling, const String& S) { return InsertObject(Sibling, S, nullptr); }
  TTreeNode* InsertObject(TTreeNode* Sibling, const String& S, void* Ptr);
  void Delete(TTreeNode* Node) { Node->Delete(); }
  void Clear();
  // While an update runs the tree view does not repaint.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }

 private:
  TTreeNode* AddAt(TTreeNode* Parent, Integer Index, const String& S, void* Ptr);

  TCustomTreeView* FOwner;
  std::unique_ptr<TTreeNode> FRoot;  // hidden; its children are the top level
  Integer FUpdateCount = 0;

  friend class TTreeNode;
  friend class TCustomTreeView;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, String& S)>;
using TTVCompareEvent =
    std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, Integer Data, Integer& Compare)>;

class TCustomTreeView : public TCustomControl {
  RTL_DECLARE_CLASS(TCustomTreeView)
  RTL_MESSAGE_HANDLERS(TCustomTreeView)
 public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;

  // The nodes; owned by the tree view.
  TTreeNodes* Items() const { return FItems.get(); }
  TTreeNode* Selected() const { return FSelected; }
  // Selects Node (null: none) after CanChange; Change follows.
  void SetSelected(TTreeNode* Node);
  // The first row shown.
  TTreeNode* TopItem();
  void SetTopItem(TTreeNode* Node);
  // The node of the row at client (X, Y), or null; what lies there.
  TTreeNode* GetNodeAt(Integer X, Integer Y);
  THitTests GetHitTestInfoAt(Integer X, Integer Y);
  void FullExpand();
  void FullCollapse();
  // Sorts the whole tree (top level, and below with Recurse).
  bool AlphaSort(bool Recurse = true);
  bool CustomSort(const TTVCompare& Compare, Integer Data, bool Recurse = true);
  bool IsEditing() const { return FEditor != nullptr; }
  // Ends label editing, keeping the text unless Cancel.
  void EndEditing(bool Cancel);
  Integer VisibleRowCount();

  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool V) { FShowRoot = V; Invalidate(); }
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool V) { FShowButtons = V; Invalidate(); }
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool V) { FShowLines = V; Invalidate(); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool V) { FHideSelection = V; Invalidate(); }
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool V) { FRowSelect = V; Invalidate(); }
  bool AutoExpand() const { return FAutoExpand; }
  void SetAutoExpand(bool V) { FAutoExpand = V; }
  Integer Indent() const { return FIndent; }
  void SetIndent(Integer V) { FIndent = V; Invalidate(); }
  TSortType SortType() const { return FSortType; }
  // Sorting on turns the tree into order at once.
  void SetSortType(TSortType V);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  // Not owned; the tree view forgets a list that is freed.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* V);
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* V);
  // Row height: the font's text height plus 3, at least the images' height.
  Integer ItemHeight();

  TTVChangedEvent OnChange, OnDeletion, OnExpanded, OnCollapsed, OnGetImageIndex, OnGetSelectedIndex,
      OnAddition;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVCollapsingEvent OnCollapsing;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVCompareEvent OnCompare;

 protected:
  // Hooks around the node events; each raises its event here.
  virtual bool CanExpand(TTreeNode* Node);
  virtual void Expand(TTreeNode* Node);
  virtual bool CanCollapse(TTreeNode* Node);
  virtual void Collapse(TTreeNode* Node);
  virtual bool CanChange(TTreeNode* Node);
  virtual void Change(TTreeNode* Node);
  virtual void Delete(TTreeNode* Node);
  virtual void Added(TTreeNode* Node);
  virtual bool CanEdit(TTreeNode* Node);
  virtual void Edit(TTreeNode* Node, String& S);
  virtual void GetImageIndex(TTreeNode* Node);
  virtual void GetSelectedIndex(TTreeNode* Node);
  // Node order for sorting: OnCompare, else by text (case-insensitive).
  virtual Integer CompareNodes(TTreeNode* Node1, TTreeNode* Node2, Integer Data);

  void CreateParams(TCreateParams& Params) override;
  TRect GetClientRect() override;
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  // The wheel scrolls three rows per notch; the selection stays.
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void Resize() override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void WMVScroll(TMessage& M);
  void WMGetDlgCode(TMessage& M);

  // Rows: the visible nodes in order (comctrls_treepaint.cpp).
  std::vector<TTreeNode*> VisibleNodes() const;
  Integer RowOf(const TTreeNode* Node) const;
  // Text left edge of a node's row.
  Integer LabelLeft(const TTreeNode* Node);
  TRect LabelRect(const TTreeNode* Node);
  void PaintNode(TTreeNode* Node, Integer Y);
  void PaintLines(TTreeNode* Node, Integer Y);
  void UpdateScrollRange();
  void ScrollRows(Integer Delta);
  void NodesChanged();
  void NodeDeleting(TTreeNode* Node);
  void Sorted(TTreeNode* Parent);
  void MoveSelection(TTreeNode* Node);
  bool StartEditing(TTreeNode* Node);
  // The next visible row after From (From itself with Inclusive), wrapping,
  // whose text starts with Prefix; null when none does.
  TTreeNode* FindByPrefix(TTreeNode* From, const String& Prefix, bool Inclusive);

  std::unique_ptr<TTreeNodes> FItems;
  TTreeNode* FSelected = nullptr;
  Integer FTopIndex = 0;  // first visible row
  bool FShowRoot = true, FShowButtons = true, FShowLines = true, FReadOnly = false;
  bool FHideSelection = true, FRowSelect = false, FAutoExpand = false;
  Integer FIndent = 19;
  TSortType FSortType = stNone;
  TBorderStyle FBorderStyle = bsSingle;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  TCustomEdit* FEditor = nullptr;  // the label editor while editing
  TTreeNode* FEditNode = nullptr;
  String FSearchText;            // what was typed to find a node
  std::uint64_t FSearchTick = 0;  // when its last letter came

  friend class TTreeNode;
  friend class TTreeNodes;
};

class TTreeView : public TCustomTreeView {
  RTL_DECLARE_CLASS(TTreeView)
 public:
  explicit TTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}
};
