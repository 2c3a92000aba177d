#include "ui/controls/ShellControlPack.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/rtl/classreg.h"
#include "ui/controls/IEditTools.h"

RTL_IMPLEMENT_CLASS(TshCustomSystemTreeView, TCustomTreeView, nullptr)

namespace {

std::atomic<int> LiveFolderData{0};

// Reports folder data still alive when the program ends.
struct TLeakReport {
  ~TLeakReport() {
    if (LiveFolderData.load() > 0) std::fputs("Memory Leak Detected.  Not all folder data was freed.\n", stderr);
  }
} LeakReport;

struct TShellRegistry {
  std::vector<TshCustomSystemTreeView*> Controls;
  std::unique_ptr<TMountTableWatcher> Watcher;
};
TShellRegistry& Registry() {
  static TShellRegistry R;
  return R;
}

}  // namespace

// ---- TFolderItemData ---------------------------------------------------------------------------

TFolderItemData::TFolderItemData(std::shared_ptr<TShellFolder> Folder, TItemIDList ARelative, DWORD AAttributes,
                                 TItemIDList AAbsolute)
    : ParentFolder(std::move(Folder)),
      Relative(std::move(ARelative)),
      Attributes(AAttributes),
      Absolute(std::move(AAbsolute)) {
  ++LiveFolderData;
}

TFolderItemData::~TFolderItemData() { --LiveFolderData; }

int TFolderItemData::LiveCount() { return LiveFolderData.load(); }

// ---- Images ------------------------------------------------------------------------------------

TCustomImageList* ShellSmallImages() {
  static TCustomImageList* Images = [] {
    auto* L = new TCustomImageList(16, 16);
    for (const char* Name : {"SHELLFOLDER", "SHELLFOLDEROPEN", "SHELLDRIVE", "SHELLREMOVABLE", "SHELLCOMPUTER",
                             "SHELLFILE", "SHELLDESKTOP"}) {
      TBitmap B;
      if (!LoadBitmapResource(&B, Name)) {
        B.SetSize(16, 16);
        B.Canvas()->Brush()->SetColor(clFuchsia);
        B.Canvas()->FillRect(Rect(0, 0, 16, 16));
      }
      L->AddMasked(&B, clFuchsia);
    }
    return L;
  }();
  return Images;
}

// ---- TshCustomSystemTreeView -------------------------------------------------------------------

TshCustomSystemTreeView::TshCustomSystemTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {
  TShellRegistry& R = Registry();
  R.Controls.push_back(this);
  if (!R.Watcher) R.Watcher = std::make_unique<TMountTableWatcher>(&ShellDeviceChange);
}

TshCustomSystemTreeView::~TshCustomSystemTreeView() {
  if (FRefreshTimer) KillTimer(nullptr, FRefreshTimer);
  TShellRegistry& R = Registry();
  R.Controls.erase(std::remove(R.Controls.begin(), R.Controls.end(), this), R.Controls.end());
  if (R.Controls.empty()) R.Watcher.reset();
}

const std::vector<TshCustomSystemTreeView*>& TshCustomSystemTreeView::ShellControls() { return Registry().Controls; }

void TshCustomSystemTreeView::RefreshRequest() {
  if (FAutoRefreshDelay <= 0) {
    RefreshShellView();
    return;
  }
  if (FRefreshTimer) return;  // already waiting: one refresh serves both
  FRefreshTimer = SetTimer(nullptr, 0, UINT(FAutoRefreshDelay), [](HWND, UINT, std::uintptr_t Id, DWORD) {
    for (TshCustomSystemTreeView* C : Registry().Controls)
      if (C->FRefreshTimer == Id) {
        KillTimer(nullptr, Id);
        C->FRefreshTimer = 0;
        C->RefreshShellView();
        return;
      }
  });
}

void TshCustomSystemTreeView::SetListView(TControl* V) {
  FListView = V;
  if (V) V->FreeNotification(this);
}

void TshCustomSystemTreeView::SetComboBox(TControl* V) {
  FComboBox = V;
  if (V) V->FreeNotification(this);
}

void TshCustomSystemTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomTreeView::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FListView) FListView = nullptr;
  if (AComponent == FComboBox) FComboBox = nullptr;
}

void ShellDeviceChange(unsigned Event) {
  if (Event != DBT_DEVICEARRIVAL && Event != DBT_DEVICEREMOVECOMPLETE) return;
  for (TshCustomSystemTreeView* C : std::vector<TshCustomSystemTreeView*>(Registry().Controls)) C->RefreshRequest();
}
