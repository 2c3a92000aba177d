// TshSystemTreeView: a tree of the shell's namespace (desktop, computer,
// drives, folders, optionally files) that gives the file-system path of
// the selected node (Selection / Directory).
//
// Nodes are filled when first expanded; each carries a TFolderItemData.
// After a selection change (ReadDelay ms later, on the injectable clock;
// at once for 0) two one-shot watchers start: one on the node's folder
// and one on its parent. A change in the folder refreshes the node (or,
// when the folder is gone, refreshes and selects its parent); a parent
// watcher that finds the folder gone selects the parent and rebuilds the
// tree. Drive changes rebuild the tree (TshCustomSystemTreeView).
//
// Property writes that change nothing do nothing; ShowFiles, FileMask,
// CustomDir and RootFolder rebuild the tree when they change.
//
// Refreshing an open node keeps the children that still exist (with their
// selection, expansion and checks), adds the new ones and drops the gone
// ones, so that a folder whose content changes all the time can still be
// walked with the keys.
//
// The right button (PopupMenuMethod): pmmContext shows the shell menu of
// the node under the mouse (which it selects first): "Öffnen" in the
// desktop's file manager, "Neuer Ordner", "Aktualisieren", "Umbenennen"
// (not when ReadOnly), "Eigenschaften" (path, size and rights); pmmUser
// the control's own PopupMenu; pmmContextUser the shell menu followed by
// the own menu's items; pmmNone nothing. The menu key and Shift+F10 show
// the same for the selected node.
//
// Checkboxes: a box before each node's icon, toggled by a click on it or
// by Space on the selected node (OnCheckChange follows each toggle);
// checks survive refreshes and rebuilds. Autoscroll: while the mouse is
// held or dragged, or rests, within a line's height of an edge, the tree
// scrolls one line towards it (and goes on doing so while it stays).
//
// Thread safety: GUI thread only.
#pragma once

#include <set>

#include "platform/rtl/strings.h"
#include "ui/controls/ShellControlPack.h"

RTL_ENUM(TRootFolder, rfDesktop, rfRecycleBin, rfControlPanel, rfDesktopDir, rfDrives, rfFavoriteURLs, rfFonts,
         rfNetHood, rfNetHoodDir, rfDocumentDir, rfPrinters, rfPrograms, rfRecentDir, rfSendTo, rfStartMenu,
         rfStartup, rfTemplates, rfFileSystem, rfCustom);
RTL_ENUM(TPopupMenuMethod, pmmNone, pmmContext, pmmUser, pmmContextUser);

// The special folder (CSIDL) a root stands for (rfCustom: -1).
int RootFolderCsidl(TRootFolder Root);

using TPopulatedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
class TPopupMenu;

class TshSystemTreeView : public TshCustomSystemTreeView {
  RTL_DECLARE_CLASS(TshSystemTreeView)
 public:
  explicit TshSystemTreeView(TComponent* AOwner);
  ~TshSystemTreeView() override;

  // The file-system path of the selected node; "" without window, without
  // selection, or for a virtual node (desktop, computer).
  String GetSelection();
  // Selects the node of Path, expanding the way there; the deepest node
  // that matches is selected (a file's folder, a missing folder's nearest
  // existing parent). Before the window exists the path waits for the
  // first build.
  void SetSelection(const String& Path);
  String Directory() { return GetSelection(); }
  void SetDirectory(const String& Path) { SetSelection(Path); }

  bool ShowFiles() const { return FShowFiles; }
  void SetShowFiles(bool V);
  String FileMask() const { return FFileMask; }
  void SetFileMask(const String& V);
  String CustomDir() const { return FCustomDir; }
  void SetCustomDir(const String& V);
  String CustomDirCaption() const { return FCustomDirCaption; }
  void SetCustomDirCaption(const String& V);
  TRootFolder RootFolder() const { return FRootFolder; }
  void SetRootFolder(TRootFolder V);
  bool Checkboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool V);
  bool ShowHiddenDirs() const { return FShowHiddenDirs; }
  void SetShowHiddenDirs(bool V) { FShowHiddenDirs = V; }
  bool ExpandRoot() const { return FExpandRoot; }
  void SetExpandRoot(bool V) { FExpandRoot = V; }
  bool Autoscroll() const { return FAutoscroll; }
  void SetAutoscroll(bool V) { FAutoscroll = V; }
  Word ReadDelay() const { return FReadDelay; }
  void SetReadDelay(Word V) { FReadDelay = V; }
  TPopupMenuMethod PopupMenuMethod() const { return FPopupMenuMethod; }
  void SetPopupMenuMethod(TPopupMenuMethod V) { FPopupMenuMethod = V; }
  String Version() const { return "TshSystemTreeView v1.0"; }
  void SetVersion(const String&) {}

  // Fired when a node's first expansion found items.
  TPopulatedEvent OnPopulated;
  // Fired after a node's check box was toggled by the user.
  TPopulatedEvent OnCheckChange;

  String SelectedFolder() override { return GetSelection(); }
  void ShowFolder(const String& Path) override { SetSelection(Path); }

  // Check boxes: whether Node is checked; checking one raises nothing.
  bool Checked(TTreeNode* Node) const;
  void SetChecked(TTreeNode* Node, bool V);
  // The paths of the checked nodes that have one, in tree order.
  std::vector<String> CheckedPaths();

  // The shell's verbs on a node (what the context menu runs).
  // Opens the node's folder in the desktop's file manager; false when it
  // has no path or the file manager could not be started.
  bool OpenNode(TTreeNode* Node);
  // Makes a folder "Neuer Ordner" ("Neuer Ordner (2)" ...) in the node's
  // folder, shows and selects it (and starts renaming it unless ReadOnly);
  // the new node, or null with a message when the folder cannot be made.
  TTreeNode* NewFolder(TTreeNode* Node);
  // Shows the dialog of the node's path, size and rights.
  void ShowProperties(TTreeNode* Node);
  // The shell menu of the last right click (built each time; owned).
  TPopupMenu* ShellMenu() const { return FShellMenu; }

  // Clears the tree and builds it again from the root (with a window and
  // not while loading), keeping the selection where it still exists.
  void RebuildTree();
  // Sorts the whole tree in the shell's order.
  void AlphaSortShell();
  // Deletes Node's children and fills it again when it was expanded.
  void RefreshNode(TTreeNode* Node);
  // The node's shell data; null (after the message box "Could not get
  // folder data.") for a node without.
  TFolderItemData* NodeData(TTreeNode* Node);
  // The file-system path of a node ("" for a virtual one).
  String NodePath(TTreeNode* Node);
  // How many times the tree was rebuilt (for callers that watch it).
  Integer RebuildCount() const { return FRebuildCount; }
  // The folders the running watchers look at ("" for none).
  String WatchedFolder() const;
  String WatchedParent() const;

 protected:
  bool CanExpand(TTreeNode* Node) override;
  void Expand(TTreeNode* Node) override;
  void Change(TTreeNode* Node) override;
  void Delete(TTreeNode* Node) override;
  bool CanEdit(TTreeNode* Node) override;
  void Edit(TTreeNode* Node, String& S) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Loaded() override;
  void RefreshShellView() override { RebuildTree(); }
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void WndProc(TMessage& Message) override;

 private:
  bool Loading() const { return ComponentState().Contains(csLoading); }
  // Whether a node of these attributes shows an expander.
  bool HasExpander(const std::shared_ptr<TShellFolder>& Folder, const TItemIDList& Relative, DWORD Attributes);
  bool FillNode(TTreeNode* Node, const std::shared_ptr<TShellFolder>& Folder);
  TTreeNode* AddNode(const std::shared_ptr<TShellFolder>& Folder, const TItemIDList& Absolute, TTreeNode* Parent,
                     const TItemIDList& Relative);
  Integer ShellCompare(TTreeNode* A, TTreeNode* B);
  void SortChildren(TTreeNode* Node);
  void SelectPath(const String& Path);
  void SelectList(const TItemIDList& Absolute);
  TTreeNode* ChildOf(TTreeNode* Node, const TShellItem& Item);
  void FreeNodeData(TTreeNode* Node);
  void StartWatchers(TTreeNode* Node);
  void StopWatchers();
  void FolderChanged();
  void ParentChanged();
  DWORD EnumFlags() const;
  void ShowContextMenu(TMessage& Message);
  void BuildShellMenu(TTreeNode* Node, bool WithUser);
  void ToggleCheck(TTreeNode* Node);
  // Scrolls one line towards the edge that client point P is near; false
  // when it is near none.
  bool AutoscrollAt(TPoint P);
  void StartAutoscrollTimer();

  std::shared_ptr<TShellFolder> FDesktop;
  std::unique_ptr<TStringList> FMasks;
  bool FShowFiles = false, FShowHiddenDirs = true, FExpandRoot = true, FCheckboxes = false, FAutoscroll = false;
  Word FReadDelay = 500;
  TPopupMenuMethod FPopupMenuMethod = pmmContext;
  TRootFolder FRootFolder = rfDesktop;
  String FFileMask, FCustomDir, FCustomDirCaption;
  String FPendingSelection;
  bool FHasPending = false;
  bool FRebuilding = false;
  bool FDestroying = false;
  Integer FRebuildCount = 0;
  std::uintptr_t FReadTimer = 0;
  // The running watchers (each frees itself; forgotten once stopped), the
  // node they watch, and a generation that tells stale reports apart.
  TFileChangeThread* FWatchers[2] = {nullptr, nullptr};
  TTreeNode* FWatchNode = nullptr;
  unsigned FWatchGeneration = 0;
  std::shared_ptr<char> FAlive = std::make_shared<char>();
  std::set<TItemIDList> FChecked;  // absolute lists of the checked items
  TPopupMenu* FShellMenu = nullptr;
  std::uintptr_t FScrollTimer = 0;
};
