// The common ground of the shell controls: per-node shell data
// (TFolderItemData), the system image list of small shell icons, and
// TshCustomSystemTreeView, the base of the folder tree, which registers
// every instance in a process-wide list and refreshes it when drives come
// and go.
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

class TshCustomSystemTreeView : public TCustomTreeView {
  RTL_DECLARE_CLASS(TshCustomSystemTreeView)
 public:
  explicit TshCustomSystemTreeView(TComponent* AOwner);
  ~TshCustomSystemTreeView() override;

  // Delay in ms between a drive change and the refresh (0: at once).
  Integer AutoRefreshDelay() const { return FAutoRefreshDelay; }
  void SetAutoRefreshDelay(Integer V) { FAutoRefreshDelay = V; }
  // Asks for a refresh (after AutoRefreshDelay when set).
  void RefreshRequest();
  // True while a refresh request waits for its timer.
  bool RefreshPending() const { return FRefreshTimer != 0; }

  // Linked controls (not owned; cleared when they are freed). The folder
  // tree tells them of each selection and refresh.
  TControl* ListView() const { return FListView; }
  void SetListView(TControl* V);
  TControl* ComboBox() const { return FComboBox; }
  void SetComboBox(TControl* V);

  // The registered shell controls, in order of creation.
  static const std::vector<TshCustomSystemTreeView*>& ShellControls();

 protected:
  // Rebuilds the control's content after a drive change.
  virtual void RefreshShellView() = 0;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  Integer FAutoRefreshDelay = 500;
  std::uintptr_t FRefreshTimer = 0;
  TControl* FListView = nullptr;
  TControl* FComboBox = nullptr;
};

// What the shell controls do with a device-change message (WM_DEVICECHANGE
// with wParam Event): arrival and removal ask every registered control to
// refresh; other events are ignored. GUI thread only.
void ShellDeviceChange(unsigned Event);
