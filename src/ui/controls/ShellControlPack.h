// The common ground of the shell controls: per-node shell data
// (TFolderItemData), the system image list of small shell icons, the
// check-box images, and the three controls of the pack: the base of the
// folder tree (TshCustomSystemTreeView), the list of a folder's files and
// folders (TshCustomSystemListView) and the combo of the way to the
// tree's selection (TshCustomSystemComboBox). Every instance is kept in a
// process-wide list and refreshed when drives come and go.
//
// Drive changes: the first registered control starts a watcher of the
// mount table (TMountTableWatcher); each change reaches
// ShellDeviceChange(DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE) on the
// GUI thread, which asks every registered control to refresh. A control
// with an auto-refresh delay starts a timer (on the injectable clock) and
// refreshes when it fires; further requests while it waits are folded
// into that one refresh. The last control to go stops the watcher.
//
// Thread safety: GUI thread only. TFolderItemData::LiveCount may be read
// from any thread.
#pragma once

#include <memory>

#include "platform/gui/comctrls.h"
#include "platform/gui/stdctrls.h"
#include "platform/os/filechange.h"
#include "platform/os/shellns.h"

// What a tree node knows of its shell item. Owned by the node (the tree
// frees it when the node goes).
class TFolderItemData {
 public:
  TFolderItemData(std::shared_ptr<TShellFolder> Folder, TItemIDList Relative, DWORD Attributes,
                  TItemIDList Absolute);
  ~TFolderItemData();
  TFolderItemData(const TFolderItemData&) = delete;
  TFolderItemData& operator=(const TFolderItemData&) = delete;

  // True when Attributes and Mask have a flag in common.
  bool HasAttributes(DWORD Mask) const { return (Attributes & Mask) != 0; }
  // The number of live instances (a leak shows as a count above 0 once
  // every tree is gone).
  static int LiveCount();

  std::shared_ptr<TShellFolder> ParentFolder;  // folder that holds the item
  TItemIDList Relative;                        // the item within ParentFolder
  DWORD Attributes;                            // SFGAO_* flags
  TItemIDList Absolute;                        // the item from the desktop
  bool Filled = false;                         // children enumerated
};

// The process's small shell icons in TShellIcon order (16 x 16); owned by
// the process, never null.
TCustomImageList* ShellSmallImages();
// The check boxes of a tree with Checkboxes: 0 unchecked, 1 checked.
TCustomImageList* ShellCheckImages();

// What every shell control of the pack shares: it is registered in the
// process-wide list while it lives, and a drive change asks it to refresh
// (after AutoRefreshDelay ms, folded into one refresh while it waits).
class TShellControl {
 public:
  TShellControl();
  virtual ~TShellControl();
  TShellControl(const TShellControl&) = delete;
  TShellControl& operator=(const TShellControl&) = delete;

  // Delay in ms between a drive change and the refresh (0: at once).
  Integer AutoRefreshDelay() const { return FAutoRefreshDelay; }
  void SetAutoRefreshDelay(Integer V) { FAutoRefreshDelay = V; }
  // Asks for a refresh (after AutoRefreshDelay when set).
  void RefreshRequest();
  // True while a refresh request waits for its timer.
  bool RefreshPending() const { return FRefreshTimer != 0; }

  // The registered shell controls, in order of creation.
  static const std::vector<TShellControl*>& ShellControls();

 protected:
  // Rebuilds the control's content after a drive change.
  virtual void RefreshShellView() = 0;

 private:
  Integer FAutoRefreshDelay = 500;
  std::uintptr_t FRefreshTimer = 0;
};

class TshCustomSystemListView;
class TshCustomSystemComboBox;

class TshCustomSystemTreeView : public TCustomTreeView, public TShellControl {
  RTL_DECLARE_CLASS(TshCustomSystemTreeView)
 public:
  explicit TshCustomSystemTreeView(TComponent* AOwner);
  ~TshCustomSystemTreeView() override;

  // Linked controls (not owned; cleared when they are freed). The folder
  // tree tells them of each selection, refresh and rebuild; a choice in
  // them selects the folder in the tree.
  TshCustomSystemListView* ListView() const { return FListView; }
  void SetListView(TshCustomSystemListView* V);
  TshCustomSystemComboBox* ComboBox() const { return FComboBox; }
  void SetComboBox(TshCustomSystemComboBox* V);
  // The file-system path of the selected node ("" for none or a virtual
  // one) and the selected node's way from the top (text, icon, level).
  virtual String SelectedFolder() = 0;
  // Selects the folder Path (linked controls call this).
  virtual void ShowFolder(const String& Path) = 0;

 protected:
  // Tells the linked controls that the selection or its content changed.
  void NotifyLinked();
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TshCustomSystemListView* FListView = nullptr;
  TshCustomSystemComboBox* FComboBox = nullptr;
};

// The files and folders of one folder, folders first, each with its small
// shell icon; linked to a folder tree it shows the tree's selection. A
// double click (or Enter) on a folder opens it (in the linked tree when
// there is one); on a file raises OnFileOpen.
class TshCustomSystemListView : public TCustomListBox, public TShellControl {
  RTL_DECLARE_CLASS(TshCustomSystemListView)
 public:
  explicit TshCustomSystemListView(TComponent* AOwner);
  ~TshCustomSystemListView() override;

  // The folder shown ("" for none); setting it lists it at once (again).
  String Directory() const { return FDirectory; }
  void SetDirectory(const String& V);
  bool ShowHidden() const { return FShowHidden; }
  void SetShowHidden(bool V);
  String FileMask() const { return FFileMask; }
  void SetFileMask(const String& V);
  // The folder tree this list follows (set by the tree's ListView).
  TshCustomSystemTreeView* TreeView() const { return FTree; }
  // The path of row Index.
  String PathOf(Integer Index) const;
  // Lists the folder again.
  void Reload();

  // Raised for a file opened by double click or Enter (Path).
  std::function<void(TObject* Sender, const String& Path)> OnFileOpen;
  // Raised after the list was filled.
  TNotifyEvent OnPopulated;

 protected:
  void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) override;
  void DblClick() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void WndProc(TMessage& Message) override;
  void RefreshShellView() override { Reload(); }
  void OpenRow(Integer Index);

 private:
  friend class TshCustomSystemTreeView;
  TshCustomSystemTreeView* FTree = nullptr;
  String FDirectory, FFileMask;
  bool FShowHidden = false;
  std::vector<bool> FFolders;  // per row: a folder
};

// The way to the folder tree's selection, one row per level, indented,
// with the tree's icons; the closed combo shows the selected folder.
// Choosing a row selects that folder in the tree (OnChange follows).
class TshCustomSystemComboBox : public TCustomComboBox, public TShellControl {
  RTL_DECLARE_CLASS(TshCustomSystemComboBox)
 public:
  explicit TshCustomSystemComboBox(TComponent* AOwner);
  ~TshCustomSystemComboBox() override;

  // The folder tree this combo follows (set by the tree's ComboBox).
  TshCustomSystemTreeView* TreeView() const { return FTree; }
  // The path of the row shown ("" for a virtual place).
  String Directory() const;
  // Takes the way to the tree's selection again.
  void Reload();

 protected:
  void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) override;
  void Select() override;
  void RefreshShellView() override { Reload(); }

 private:
  friend class TshCustomSystemTreeView;
  struct TRow {
    String Path;
    Integer Icon;
    Integer Level;
  };
  TshCustomSystemTreeView* FTree = nullptr;
  std::vector<TRow> FRows;
  bool FLoading = false;
};

// The list and combo as form descriptions name them.
class TshSystemListView : public TshCustomSystemListView {
  RTL_DECLARE_CLASS(TshSystemListView)
 public:
  explicit TshSystemListView(TComponent* AOwner) : TshCustomSystemListView(AOwner) {}
};

class TshSystemComboBox : public TshCustomSystemComboBox {
  RTL_DECLARE_CLASS(TshSystemComboBox)
 public:
  explicit TshSystemComboBox(TComponent* AOwner) : TshCustomSystemComboBox(AOwner) {}
};

// What the shell controls do with a device-change message (WM_DEVICECHANGE
// with wParam Event): arrival and removal ask every registered control to
// refresh; other events are ignored. GUI thread only.
void ShellDeviceChange(unsigned Event);
