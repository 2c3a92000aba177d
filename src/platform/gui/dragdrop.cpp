// The drag manager (mouse hook, targets, events) and drag images.
#include "platform/gui/dragdrop.h"

#include <cstdlib>
#include <map>

RTL_IMPLEMENT_CLASS(TDragObject, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TDragControlObject, TDragObject, nullptr)
RTL_IMPLEMENT_CLASS(TDragImageList, TCustomImageList, &ComponentFactory<TDragImageList>)

TDragObject::~TDragObject() = default;

TCursor TDragObject::GetDragCursor(bool Accepted, Integer, Integer) { return Accepted ? crDrag : crNoDrop; }

TCursor TDragControlObject::GetDragCursor(bool Accepted, Integer, Integer) {
  return Accepted ? FControl->DragCursor() : crNoDrop;
}

// ---- Drag events beside their controls ------------------------------------------------------------

namespace {
// Hears of freed controls and drops their events (and a freed source).
class TDragKeeper : public TComponent {
 public:
  TDragKeeper() : TComponent(nullptr) {}
  std::map<TControl*, std::unique_ptr<TDragEvents>> Events;
  std::function<void(TComponent*)> OnFreed;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    Events.erase(static_cast<TControl*>(AComponent));
    if (OnFreed) OnFreed(AComponent);
  }
};

// Lives as long as the process: controls may outlive any static object.
TDragKeeper& Keeper() {
  static TDragKeeper* K = new TDragKeeper();
  return *K;
}

TDragEvents* EventsOf(TControl* C) {
  auto It = Keeper().Events.find(C);
  return It == Keeper().Events.end() ? nullptr : It->second.get();
}
}  // namespace

TDragEvents& DragEvents(TControl* Control) {
  InstallDragManager();
  auto& Slot = Keeper().Events[Control];
  if (!Slot) {
    Slot = std::make_unique<TDragEvents>();
    Control->FreeNotification(&Keeper());
  }
  return *Slot;
}

// ---- The manager ---------------------------------------------------------------------------------------

class TDragManager {
 public:
  static TDragManager& Get() {
    static TDragManager* M = new TDragManager();
    return *M;
  }

  void Install() {
    if (FHook) return;
    FHook = SetWindowsHookEx(WH_MOUSE, [this](int Code, WPARAM W, LPARAM L) {
      if (Code == HC_ACTION) Mouse(UINT(W), reinterpret_cast<MOUSEHOOKSTRUCT*>(L)->pt);
      return CallNextHookEx(FHook, Code, W, L);
    });
    Keeper().OnFreed = [this](TComponent* C) {
      if (C == FSource) Reset();
      if (C == FTarget) FTarget = nullptr;
    };
  }

  TDragObject* Object() const { return FStarted ? FObject : nullptr; }
  TControl* Target() const { return FStarted ? FTarget : nullptr; }

 private:
  void Mouse(UINT Msg, TPoint P) {
    if (!FSource) {
      TControl* C = GetCaptureControl();
      if (!C || !C->Dragging()) return;
      FSource = C;
      FStart = P;
      C->FreeNotification(&Keeper());
    }
    if (!FSource->Dragging()) return Finish(P, false);
    if (Msg == WM_MOUSEMOVE) Move(P);
    else if (Msg == WM_LBUTTONUP) Finish(P, true);
  }

  void Start(TPoint P) {
    FStarted = true;
    TDragObject* Obj = nullptr;
    if (TDragEvents* E = EventsOf(FSource); E && E->OnStartDrag) E->OnStartDrag(FSource, Obj);
    if (!Obj) {
      FOwned = std::make_unique<TDragControlObject>(FSource);
      Obj = FOwned.get();
    }
    FObject = Obj;
    if (TDragImageList* I = FObject->GetDragImages()) I->BeginDrag(nullptr, P.X, P.Y);
  }

  void Move(TPoint P) {
    if (!FStarted) {
      if (std::abs(P.X - FStart.X) < DragThreshold && std::abs(P.Y - FStart.Y) < DragThreshold) return;
      Start(P);
    }
    TDragImageList* Images = FObject->GetDragImages();
    if (Images) Images->HideDragImage();
    TControl* Under = FindDragTarget(P, false);
    if (Images) {
      Images->DragMove(P.X, P.Y);
      Images->ShowDragImage();
    }
    if (Under != FTarget) {
      if (FTarget) Send(dmDragLeave, FTarget, P);
      FTarget = Under;
      if (FTarget) FTarget->FreeNotification(&Keeper());
      FAccepted = FTarget && Send(dmDragEnter, FTarget, P);
    } else {
      FAccepted = FTarget && Send(dmDragMove, FTarget, P);
    }
    FObject->FDragTarget = FTarget;
    FObject->FDragPos = P;
    ::SetCursor(DefaultCursorHandle(FObject->GetDragCursor(FAccepted, P.X, P.Y)));
  }

  // Tells Target; true when it accepts the drop.
  bool Send(TDragMessage Msg, TControl* Target, TPoint P) {
    TDragEvents* E = EventsOf(Target);
    if (!E) {
      TDragRec R{P, FObject, Target, false};
      return Target->Perform(CM_DRAG, WPARAM(Msg), LPARAM(&R)) != 0;
    }
    TObject* Source = FObject->Control() ? static_cast<TObject*>(FObject->Control()) : FObject;
    TPoint C = Target->ScreenToClient(P);
    if (Msg == dmDragDrop) {
      if (E->OnDragDrop) E->OnDragDrop(Target, Source, C.X, C.Y);
      return true;
    }
    bool Accept = false;
    TDragState State = Msg == dmDragEnter ? dsDragEnter : Msg == dmDragLeave ? dsDragLeave : dsDragMove;
    if (E->OnDragOver) E->OnDragOver(Target, Source, C.X, C.Y, State, Accept);
    return Accept;
  }

  void Finish(TPoint P, bool Drop) {
    if (FStarted && FTarget) {
      bool Dropping = Drop && FAccepted;
      Send(Dropping ? dmDragDrop : dmDragLeave, FTarget, P);
      FObject->FDropped = Dropping;
    }
    if (FStarted)
      if (TDragImageList* I = FObject->GetDragImages()) I->EndDrag();
    TControl* Source = FSource;
    Reset();
    ::SetCursor(DefaultCursorHandle(crDefault));
    // The source's OnEndDrag comes now, whichever window the release reaches.
    if (Source->Dragging()) Source->EndDrag(Drop);
  }

  void Reset() {
    FSource = nullptr;
    FTarget = nullptr;
    FStarted = false;
    FAccepted = false;
    FObject = nullptr;
    FOwned.reset();
  }

  HHOOK FHook = 0;
  TControl* FSource = nullptr;
  TControl* FTarget = nullptr;
  TPoint FStart{};
  bool FStarted = false;
  bool FAccepted = false;
  TDragObject* FObject = nullptr;
  std::unique_ptr<TDragObject> FOwned;
};

void InstallDragManager() { TDragManager::Get().Install(); }
bool DragActive() { return TDragManager::Get().Object() != nullptr; }
TDragObject* DragObject() { return TDragManager::Get().Object(); }
TControl* DragTargetControl() { return TDragManager::Get().Target(); }

// ---- Drag images ---------------------------------------------------------------------------------------

// The popup that shows a drag image; the mouse passes through it.
class TDragImageWindow : public TCustomControl {
 public:
  explicit TDragImageWindow(TDragImageList* List) : TCustomControl(nullptr), FList(List) { FVisible = false; }
  bool IsWindowRoot() const override { return true; }
  Integer Index = 0;

 protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT;
    Params.WndParent = nullptr;
  }
  void WndProc(TMessage& M) override {
    if (M.Msg == WM_NCHITTEST) {
      M.Result = HTTRANSPARENT;
      return;
    }
    TCustomControl::WndProc(M);
  }
  void Paint() override { FList->Draw(Canvas(), 0, 0, Index); }

 private:
  TDragImageList* FList;
};

TDragImageList::TDragImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
TDragImageList::TDragImageList(Integer AWidth, Integer AHeight) : TCustomImageList(AWidth, AHeight) {}
TDragImageList::~TDragImageList() = default;

bool TDragImageList::SetDragImage(Integer Index, Integer HotSpotX, Integer HotSpotY) {
  if (Index < 0 || Index >= Count()) return false;
  FDragIndex = Index;
  FHotSpot = Point(HotSpotX, HotSpotY);
  if (FWindow) FWindow->Index = Index;
  return true;
}

bool TDragImageList::BeginDrag(HWND, Integer X, Integer Y) {
  if (FDragIndex < 0 || FDragIndex >= Count()) return false;
  if (!FWindow) FWindow = std::make_unique<TDragImageWindow>(this);
  FWindow->Index = FDragIndex;
  FDragging = true;
  DragMove(X, Y);
  ShowDragImage();
  return true;
}

bool TDragImageList::DragMove(Integer X, Integer Y) {
  if (!FDragging || !FWindow) return false;
  FWindow->SetBounds(X - FHotSpot.X, Y - FHotSpot.Y, Width(), Height());
  return true;
}

bool TDragImageList::EndDrag() {
  if (!FDragging) return false;
  FDragging = false;
  FWindow.reset();
  return true;
}

void TDragImageList::ShowDragImage() {
  if (FDragging && FWindow) FWindow->SetVisible(true);
}

void TDragImageList::HideDragImage() {
  if (FWindow) FWindow->SetVisible(false);
}

HWND TDragImageList::DragWindow() const {
  return FWindow && FWindow->HandleAllocated() && FWindow->Visible() ? FWindow->Handle() : nullptr;
}
