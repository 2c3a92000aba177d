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
  std::vector<TShellControl*> Controls;
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

TCustomImageList* ShellCheckImages() {
  static TCustomImageList* Images = [] {
    auto* L = new TCustomImageList(16, 16);
    for (bool Checked : {false, true}) {
      TBitmap B;
      B.SetSize(16, 16);
      TCanvas* C = B.Canvas();
      C->Brush()->SetColor(clFuchsia);
      C->FillRect(Rect(0, 0, 16, 16));
      C->Brush()->SetColor(clWindow);
      C->FillRect(Rect(2, 2, 15, 15));
      C->Brush()->SetColor(clGray);
      C->FrameRect(Rect(2, 2, 15, 15));
      if (Checked) {
        // A tick of two strokes, three pixels thick.
        for (int K = 0; K < 3; ++K) {
          for (int X = 5; X <= 7; ++X) C->SetPixel(X, 7 + (X - 5) + K, clWindowText);
          for (int X = 8; X <= 11; ++X) C->SetPixel(X, 8 - (X - 8) + K, clWindowText);
        }
      }
      L->AddMasked(&B, clFuchsia);
    }
    return L;
  }();
  return Images;
}

// ---- TShellControl -----------------------------------------------------------------------------

TShellControl::TShellControl() {
  TShellRegistry& R = Registry();
  R.Controls.push_back(this);
  if (!R.Watcher) R.Watcher = std::make_unique<TMountTableWatcher>(&ShellDeviceChange);
}

TShellControl::~TShellControl() {
  if (FRefreshTimer) KillTimer(nullptr, FRefreshTimer);
  TShellRegistry& R = Registry();
  R.Controls.erase(std::remove(R.Controls.begin(), R.Controls.end(), this), R.Controls.end());
  if (R.Controls.empty()) R.Watcher.reset();
}

const std::vector<TShellControl*>& TShellControl::ShellControls() { return Registry().Controls; }

void TShellControl::RefreshRequest() {
  if (FAutoRefreshDelay <= 0) {
    RefreshShellView();
    return;
  }
  if (FRefreshTimer) return;  // already waiting: one refresh serves both
  FRefreshTimer = SetTimer(nullptr, 0, UINT(FAutoRefreshDelay), [](HWND, UINT, std::uintptr_t Id, DWORD) {
    for (TShellControl* C : Registry().Controls)
      if (C->FRefreshTimer == Id) {
        KillTimer(nullptr, Id);
        C->FRefreshTimer = 0;
        C->RefreshShellView();
        return;
      }
  });
}

// ---- TshCustomSystemTreeView -------------------------------------------------------------------

TshCustomSystemTreeView::TshCustomSystemTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}

TshCustomSystemTreeView::~TshCustomSystemTreeView() {
  SetListView(nullptr);
  SetComboBox(nullptr);
}

void TshCustomSystemTreeView::SetListView(TshCustomSystemListView* V) {
  if (V == FListView) return;
  if (FListView) {
    FListView->FTree = nullptr;
    FListView->RemoveFreeNotification(this);
  }
  FListView = V;
  if (!V) return;
  V->FreeNotification(this);
  V->FTree = this;
  NotifyLinked();
}

void TshCustomSystemTreeView::SetComboBox(TshCustomSystemComboBox* V) {
  if (V == FComboBox) return;
  if (FComboBox) {
    FComboBox->FTree = nullptr;
    FComboBox->RemoveFreeNotification(this);
  }
  FComboBox = V;
  if (!V) return;
  V->FreeNotification(this);
  V->FTree = this;
  NotifyLinked();
}

void TshCustomSystemTreeView::NotifyLinked() {
  if (FListView) FListView->SetDirectory(SelectedFolder());
  if (FComboBox) FComboBox->Reload();
}

void TshCustomSystemTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomTreeView::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FListView) FListView = nullptr;
  if (AComponent == FComboBox) FComboBox = nullptr;
}

void ShellDeviceChange(unsigned Event) {
  if (Event != DBT_DEVICEARRIVAL && Event != DBT_DEVICEREMOVECOMPLETE) return;
  for (TShellControl* C : std::vector<TShellControl*>(Registry().Controls)) C->RefreshRequest();
}
