// Drag and drop between controls, and drag images.
//
// A drag starts when a control begins dragging (TControl::BeginDrag, or a
// left press on a control with DragMode dmAutomatic). The drag manager
// follows the mouse while the control holds the capture: once the mouse
// moved DragThreshold pixels (at once for an immediate drag) it raises
// OnStartDrag, then tells each control under the mouse by CM_DRAG
// (wParam a TDragMessage, lParam a TDragRec*): dmDragEnter when the mouse
// comes onto it, dmDragMove while it moves there, dmDragLeave when it
// leaves; the answer (Result non-zero) says whether the control accepts
// the drop, and the cursor shows DragCursor or crNoDrop accordingly. At
// the release an accepting control gets dmDragDrop, else the last one
// dmDragLeave; the source's OnEndDrag follows (TControl).
//
// A control answers CM_DRAG in its message map, or, without one, through
// its drag events here (DragEvents(Control).OnDragOver / OnDragDrop /
// OnStartDrag): OnDragOver sets Accept (false when not assigned),
// OnDragDrop receives the drop. The events live beside the control and
// go away with it.
//
// Drag images: a TDragImageList shows one of its images at the mouse
// (less the hot spot) in a popup window that lets the mouse through;
// DragMove moves it, EndDrag hides it. The drag manager shows the images
// of the drag object (TDragObject::GetDragImages) while a drag runs.
//
// Thread safety: none; GUI thread only (the manager hooks the mouse of
// the thread that started the first drag).
#pragma once

#include <functional>
#include <memory>

#include "platform/gui/comctrls_imagelist.h"
#include "platform/gui/controls.h"

RTL_ENUM(TDragState, dsDragEnter, dsDragLeave, dsDragMove);
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

class TDragImageList;

// What is dragged. The manager makes a TDragControlObject for a control
// that begins dragging unless OnStartDrag supplies its own object.
class TDragObject : public TObject {
  RTL_DECLARE_CLASS(TDragObject)
 public:
  TDragObject() = default;
  ~TDragObject() override;
  // The images shown while dragging (null: none); not owned.
  virtual TDragImageList* GetDragImages() { return nullptr; }
  // The cursor over a target that accepts (or refuses) the drop.
  virtual TCursor GetDragCursor(bool Accepted, Integer X, Integer Y);
  // The control being dragged, when it is one.
  virtual TControl* Control() const { return nullptr; }
  TControl* DragTarget() const { return FDragTarget; }
  TPoint DragPos() const { return FDragPos; }
  bool Dropped() const { return FDropped; }

 private:
  TControl* FDragTarget = nullptr;
  TPoint FDragPos{};
  bool FDropped = false;

  friend class TDragManager;
};

class TDragControlObject : public TDragObject {
  RTL_DECLARE_CLASS(TDragControlObject)
 public:
  explicit TDragControlObject(TControl* AControl) : FControl(AControl) {}
  TControl* Control() const override { return FControl; }
  TCursor GetDragCursor(bool Accepted, Integer X, Integer Y) override;

 private:
  TControl* FControl;
};

// lParam of CM_DRAG.
struct TDragRec {
  TPoint Pos{};  // desktop
  TDragObject* Source = nullptr;
  TControl* Target = nullptr;
  bool Docking = false;
};

// Source is the control being dragged (or the drag object when it is no
// control); X, Y are the target's client coordinates.
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, Integer X, Integer Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;

struct TDragEvents {
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
};

// The drag events of Control (made on first use, freed with the control).
TDragEvents& DragEvents(TControl* Control);
// Makes the manager follow drags of this thread (done by DragEvents too).
void InstallDragManager();
// True while a drag runs; its object (owned by the manager) or null.
bool DragActive();
TDragObject* DragObject();
// The control the drag would drop on now (accepting or not), or null.
TControl* DragTargetControl();
// Pixels the mouse must move before a non-immediate drag starts.
constexpr Integer DragThreshold = 5;

// An image list whose image can follow the mouse on the desktop.
class TDragImageList : public TCustomImageList {
  RTL_DECLARE_CLASS(TDragImageList)
 public:
  explicit TDragImageList(TComponent* AOwner);
  TDragImageList(Integer AWidth, Integer AHeight);
  ~TDragImageList() override;
  // Which image to show, and the point of it that lies under the mouse.
  bool SetDragImage(Integer Index, Integer HotSpotX, Integer HotSpotY);
  TPoint GetHotSpot() const { return FHotSpot; }
  // Shows the image with its hot spot at desktop (X, Y) (Window is kept
  // for the original calls and may be null); false without an image.
  bool BeginDrag(HWND Window, Integer X, Integer Y);
  bool DragMove(Integer X, Integer Y);
  bool EndDrag();
  void ShowDragImage();
  void HideDragImage();
  bool Dragging() const { return FDragging; }
  // The popup window showing the image (null while none is shown).
  HWND DragWindow() const;

 private:
  Integer FDragIndex = 0;
  TPoint FHotSpot{};
  bool FDragging = false;
  std::unique_ptr<class TDragImageWindow> FWindow;
};
