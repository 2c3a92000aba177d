// EcPopupWindow: the top-level windows of the choice controls.
//
//  - TEcPopupWindow: a borderless, top-most tool window placed against an
//    owner control by one of five placement modes (CalcPopupPlacement);
//  - TEcMessageWindow: the balloon of validation errors and hints, with an
//    icon, optional buttons, a shaped window region and an auto-hide timer;
//  - TEcPopupListBox: the drop-down list of the combo box.
//
// None of them ever becomes the active window: a click raises them
// without activation (WM_MOUSEACTIVATE answers MA_NOACTIVATE).
//
// Ownership: the owner control given at construction is the component
// owner too and frees the window; the popups never own their owner.
// Timers run on the window manager's timers (the injectable clock).
//
// Thread safety: GUI thread only.
#pragma once

#include <memory>

#include "platform/gui/controls.h"
#include "platform/gui/stdctrls_listbox.h"
#include "ui/controls/IEditButton.h"

// Messages of the grid and edit family (custom window messages).
constexpr UINT ECM_SHOWERROR = 1628;   // WParam 0 hide the balloon, 1 show it (LParam: error code)
constexpr UINT ECM_DROPDOWN = 1629;    // WParam 1 opens, 0 closes the choice list
constexpr UINT ECM_QUERYERROR = 1630;  // WParam: the edit; a nonzero answer cancels the error

// Placement modes: 0 the rectangle's top-left on the screen, 1 below the
// owner (left edges aligned), 2 below the owner (right edges aligned), 3 at
// a point of the owner's client area, 4 right of the owner (top edges
// aligned).
//
// Moves Window (top-most, without activation, shown, size unchanged) and
// returns -1 (no owner, or mode 0) or the fit result 0..3 of FitToScreen
// (1 flipped above the owner, 2 flipped to its left, 3 both; 0 without
// KeepOnScreen). Without owner the rectangle's top-left is clamped into
// the screen when KeepOnScreen.
Integer CalcPopupPlacement(TWinControl* Window, Byte Placement, const TRect& Rect, TControl* OwnerControl,
                           bool KeepOnScreen);
// The desktop point CalcPopupPlacement would move a W x H popup to, and
// its result; for tests and the popups that place themselves.
TPoint PopupPlacementPoint(Byte Placement, const TRect& Rect, TControl* OwnerControl, bool KeepOnScreen, Integer W,
                           Integer H, Integer& Result);

class TEcPopupWindow : public TCustomControl {
  RTL_DECLARE_CLASS(TEcPopupWindow)
  RTL_MESSAGE_HANDLERS(TEcPopupWindow)
 public:
  // Hidden; AOwner (when a control) becomes the OwnerControl.
  explicit TEcPopupWindow(TComponent* AOwner);
  ~TEcPopupWindow() override;

  TControl* OwnerControl() const { return FOwnerControl; }
  // Screen pixels; kept equal to the bounds by SetBounds.
  const TRect& PlacementRect() const { return FPlacementRect; }
  void SetPlacementRect(const TRect& R);
  Byte Placement() const { return FPlacement; }
  // Places a showing popup again.
  void SetPlacement(Byte V);
  bool KeepOnScreen() const { return FKeepOnScreen; }
  void SetKeepOnScreen(bool V) { FKeepOnScreen = V; }
  Integer PlacementResult() const { return FPlacementResult; }
  bool PopupShowing() const { return FPopupShowing; }

  virtual void SetPlacementResult(Integer Value);
  // Places and shows the popup.
  virtual void Popup();
  // Hides it without activation, z-order, move or size changes.
  virtual void HidePopup();

  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  bool IsWindowRoot() const override { return true; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void WMMouseActivate(TMessage& M);
  void CMShowingChanged(TMessage& M);

  TControl* FOwnerControl = nullptr;
  TRect FPlacementRect{};
  Byte FPlacement = 0;
  bool FKeepOnScreen = true;
  Integer FPlacementResult = 0;
  bool FPopupShowing = false;
};

// Sender is the balloon; Canvas its paint buffer; set Handled to draw yourself.
using TEcMessagePaintEvent = std::function<void(TObject* Sender, TCanvas* Canvas, TRect& TextRect, bool& Handled)>;

class TEcMessageWindow : public TEcPopupWindow {
  RTL_DECLARE_CLASS(TEcMessageWindow)
  RTL_MESSAGE_HANDLERS(TEcMessageWindow)
 public:
  explicit TEcMessageWindow(TComponent* AOwner);
  ~TEcMessageWindow() override;
  // The pale yellow of plain and invalid-value balloons.
  static constexpr TColor BalloonColor = ColorValue(0xEFFFFF);

  // Owned; colour clBtnFace. With buttons the balloon takes the mouse and
  // stays until its owner hides it.
  TI_EditButtons* Buttons() const { return FButtons.get(); }
  Byte Kind() const { return FKind; }
  // 0 plain (colour 0xEFFFFF), 1 the invalid-value icon (same colour), 2
  // the icon as it stands.
  void SetKind(Byte V);
  bool ShowIcon() const { return FShowIcon; }
  void SetShowIcon(bool V);
  // The icon (owned); assigning copies it.
  TBitmap* Icon() const { return FIcon.get(); }
  void SetIcon(TBitmap* V);
  Byte Shape() const { return FShape; }
  // 0 rectangle, 1 round rectangle, 2 balloon with arrow.
  void SetShape(Byte V);
  Integer MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(Integer V);
  bool AutoHide = false;
  Cardinal DisplayTime = 2000;
  Integer MarginLeft = 4, MarginTop = 2, MarginRight = 2, MarginBottom = 2;
  Integer IconGap = 6, CornerSize = 7, ArrowSize = 8;
  TEcMessagePaintEvent OnPaint;

  // While updating the size is not recalculated; EndUpdate does it once.
  void BeginUpdate() { ++FUpdating; }
  void EndUpdate();
  // Measures text, icon and buttons and sizes the window; rebuilds the region.
  void RecalcSize();
  // The window region for the current shape and placement result
  // (window coordinates).
  TRegion BalloonRegion() const;
  // Where the text starts (client coordinates).
  TPoint TextOrigin() const;
  bool TimerRunning() const { return FTimerRunning; }

  void SetPlacementResult(Integer Value) override;
  void Popup() override;
  void HidePopup() override;

 protected:
  void CreateWnd() override;
  void Paint() override;
  void WMNCHitTest(TMessage& M);
  void WMTimer(TMessage& M);
  void CMTextChanged(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMMouseLeave(TMessage& M);

 private:
  void StopTimer();
  void ApplyRegion();
  bool ArrowOnTop() const { return FShape == 2 && FPlacementResult != 1 && FPlacementResult != 3; }
  TSize MeasureText(Integer Width, bool Wrap);

  std::unique_ptr<TI_EditButtons> FButtons;
  std::unique_ptr<TBitmap> FIcon, FBuffer;
  Byte FKind = 0;
  bool FShowIcon = false;
  Byte FShape = 0;
  Integer FMaxWidth = 0;
  Integer FUpdating = 0;
  bool FTimerRunning = false;
  TSize FText{};
};

class TEcPopupListBox : public TCustomListBox {
  RTL_DECLARE_CLASS(TEcPopupListBox)
  RTL_MESSAGE_HANDLERS(TEcPopupListBox)
 public:
  explicit TEcPopupListBox(TComponent* AOwner);

  TControl* OwnerControl() const { return FOwnerControl; }
  const TRect& PlacementRect() const { return FPlacementRect; }
  void SetPlacementRect(const TRect& R) { FPlacementRect = R; }
  Byte Placement() const { return FPlacement; }
  void SetPlacement(Byte V);
  bool KeepOnScreen() const { return FKeepOnScreen; }
  void SetKeepOnScreen(bool V) { FKeepOnScreen = V; }
  bool PopupShowing() const { return FPopupShowing; }
  Integer DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(Integer V) { FDropDownCount = std::max(V, 1); }
  // 0 none, 1 a black line, 2 a raised double edge; frame width 0, 1, 2.
  Byte FrameStyle() const { return FFrameStyle; }
  void SetFrameStyle(Byte V);
  Integer FrameWidth() const { return FFrameStyle > 2 ? 0 : FFrameStyle; }
  Integer PlacementResult() const { return FPlacementResult; }

  // A press selects the row under the mouse without taking the focus
  // from the owner; the release over a row fires OnClick (the owner then
  // takes the row and closes the list).
  // Rows = the item count, 1 .. DropDownCount; height = rows x item
  // height + 2 x frame width, at most half the screen height.
  void AdjustHeight();
  void Popup();
  void HidePopup();
  bool IsWindowRoot() const override { return true; }
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) override;
  void MeasureItem(Integer Index, Integer& Height) override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) override;
  void WMNCCalcSize(TMessage& M);
  void WMNCPaint(TMessage& M);
  void WMMouseActivate(TMessage& M);
  void WMMouseMove(TMessage& M);
  void WMLButtonDown(TMessage& M);
  void WMLButtonUp(TMessage& M);
  void CMFontChanged(TMessage& M);

 private:
  TControl* FOwnerControl = nullptr;
  TRect FPlacementRect{};
  Byte FPlacement = 1;
  bool FKeepOnScreen = true;
  bool FPopupShowing = false;
  Integer FDropDownCount = 8;
  Byte FFrameStyle = 1;
  Integer FPlacementResult = -1;
};
