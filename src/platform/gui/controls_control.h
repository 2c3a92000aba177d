// TControl: the base of every visual control. A control has an owner (the
// component tree, which frees it) and a parent (the windowed control it
// lies on, which lays it out, paints it and passes it the mouse). A plain
// TControl has no window: TGraphicControl descendants are painted by
// their parent; TWinControl (controls_winctrl.h) adds the window.
//
// Messages: Perform(Msg, WParam, LParam) hands a TMessage to WindowProc,
// which is replaceable and defaults to WndProc. WndProc does the mouse
// bookkeeping (capture, click state) and calls Dispatch, which finds the
// handler of the message in the message map of the class or its nearest
// ancestor (controls_types.h), and DefaultHandler when there is none.
//
// Bounds are relative to the parent's client area. Align places a control
// at an edge of its parent (alTop, alBottom, alLeft, alRight) or fills the
// rest (alClient); the parent re-aligns after every change of a child's
// bounds, visibility or alignment and after its own resize. Anchors keep
// the distances of non-aligned controls to their parent's edges.
//
// Font and Color follow the parent while ParentFont / ParentColor are set
// (the parent passes CM_PARENTFONTCHANGED / CM_PARENTCOLORCHANGED down);
// setting Font or Color clears the flag.
//
// Thread safety: none; controls belong to the GUI thread that made them.
#pragma once

#include <memory>

#include "platform/gui/controls_types.h"

class TControl : public TComponent {
  RTL_DECLARE_CLASS(TControl)
  RTL_MESSAGE_HANDLERS(TControl)
 public:
  explicit TControl(TComponent* AOwner);
  // Leaves the parent and drops every global reference (capture, mouse).
  ~TControl() override;

  // ---- Parent --------------------------------------------------------------
  TWinControl* Parent() const { return FParent; }
  // Moves the control onto AParent (null: off every parent). Raises
  // EInvalidOperation "Ein Steuerelement kann nicht sein eigener Vorfahr
  // sein" when AParent is the control or lies on it.
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  // The form reader's way of setting the parent (must be a TWinControl).
  void SetParentComponent(TComponent* Value) override;

  // ---- Bounds (relative to the parent's client area) -------------------------
  Integer Left() const { return FLeft; }
  Integer Top() const { return FTop; }
  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  void SetLeft(Integer V) { SetBounds(V, FTop, FWidth, FHeight); }
  void SetTop(Integer V) { SetBounds(FLeft, V, FWidth, FHeight); }
  void SetWidth(Integer V) { SetBounds(FLeft, FTop, V, FHeight); }
  void SetHeight(Integer V) { SetBounds(FLeft, FTop, FWidth, V); }
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
  // Moves and sizes the control; the size passes AutoSize and the
  // constraints first. Invalidates, re-aligns the parent and calls Resize
  // when the size changed.
  virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);

  // The client area from (0, 0): the whole control here; a windowed
  // control excludes its border.
  TRect ClientRect() { return GetClientRect(); }
  Integer ClientWidth() { return ClientRect().Width(); }
  Integer ClientHeight() { return ClientRect().Height(); }
  // Sizes the control so that its client area gets the given size.
  void SetClientWidth(Integer V);
  void SetClientHeight(Integer V);
  void SetClientSize(const TSize& S);
  // Desktop position of the client area's top-left corner.
  TPoint ClientOrigin() { return GetClientOrigin(); }
  TPoint ClientToScreen(const TPoint& P);
  TPoint ScreenToClient(const TPoint& P);
  // Converts between this control's client coordinates and its parent's.
  TPoint ClientToParent(const TPoint& P, TWinControl* AParent = nullptr);
  TPoint ParentToClient(const TPoint& P, TWinControl* AParent = nullptr);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign V);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors V);
  // Owned by the control; assigning copies the limits.
  TSizeConstraints* Constraints() const { return FConstraints.get(); }
  void SetConstraints(TSizeConstraints* V) { FConstraints->Assign(V); }
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool V);

  // ---- Visibility and state -----------------------------------------------
  bool Visible() const { return FVisible; }
  void SetVisible(bool V);
  // Visible := True, after asking the parents to bring the control
  // forward (ShowControl); Hide is Visible := False.
  void Show();
  void Hide();
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool V);
  TColor Color() const { return FColor; }
  void SetColor(TColor V);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool V);
  // Owned by the control; SetFont copies.
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* V) { FFont->Assign(V); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool V);
  // Caption and Text are the same text; a change sends CM_TEXTCHANGED.
  String Caption() const { return GetText(); }
  void SetCaption(const String& V) { SetText(V); }
  String Text() const { return GetText(); }
  virtual String GetText() const { return FText; }
  virtual void SetText(const String& V);
  const String& Hint() const { return FHint; }
  void SetHint(const String& V) { FHint = V; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool V);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool V);
  // The popup menu (a TPopupMenu once the menus exist); not owned.
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* V);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor V);
  TBiDiMode BiDiMode() const { return FBiDiMode; }
  virtual void SetBiDiMode(TBiDiMode V);
  bool ParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool V);
  // True for bdRightToLeft and its variants.
  bool UseRightToLeftAlignment() const { return FBiDiMode != bdLeftToRight; }
  Integer HelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer V) { FHelpContext = V; }

  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle V) { FControlStyle = V; }
  TControlState ControlState() const { return FControlState; }
  void SetControlState(TControlState V) { FControlState = V; }

  // ---- Painting ---------------------------------------------------------------
  // Marks the control for painting (its parent's area for a control
  // without window); nothing happens while the control cannot be seen.
  virtual void Invalidate();
  // Paints what is invalid now.
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  // Paints the control and its children into DC with its top-left at
  // (X, Y) of DC's logical coordinates (csPaintCopy is set meanwhile).
  virtual void PaintTo(TCanvas& DC, Integer X, Integer Y);
  // A canvas onto the control's area of its window, valid until
  // ReleaseDC(WindowHandle, DC). Raises EInvalidOperation when the control
  // has no window to draw on.
  virtual TCanvas* GetDeviceContext(HWND& WindowHandle);
  // Z-order among the parent's controls of the same kind.
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  virtual void SetZOrder(bool TopMost);

  // ---- Messages ----------------------------------------------------------------
  // Sends a message straight to WindowProc; returns its Result.
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  // The window procedure; starts as WndProc, may be replaced (keep the old
  // one to chain to it).
  TWndMethod WindowProc;
  virtual void WndProc(TMessage& Message);
  // Finds the message's handler in the message map (class, then
  // ancestors) and calls it, or DefaultHandler.
  void Dispatch(TMessage& Message);
  // Handling when no handler exists: nothing here (Result unchanged).
  virtual void DefaultHandler(TMessage& Message);

  // ---- Mouse and drag -------------------------------------------------------------
  // True while the control holds the mouse capture (through its own
  // window, or its parent's for a control without window).
  bool MouseCapture() const;
  void SetMouseCapture(bool V);
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode V) { FDragMode = V; }
  TDragKind DragKind() const { return FDragKind; }
  void SetDragKind(TDragKind V) { FDragKind = V; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor V) { FDragCursor = V; }
  // Starts dragging the control (the drag ends with EndDrag or at the
  // next button release); OnEndDrag reports the end.
  void BeginDrag(bool Immediate, Integer Threshold = -1);
  void EndDrag(bool Drop);
  bool Dragging() const { return FDragging; }

  // The control's own scaling: position, size and (unless ParentFont)
  // font size times M / D.
  virtual void ChangeScale(Integer M, Integer D);

  // ---- Events --------------------------------------------------------------------
  TNotifyEvent OnClick, OnDblClick, OnResize, OnMouseEnter, OnMouseLeave;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TEndDragEvent OnEndDrag;
  TCanResizeEvent OnCanResize;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;

  // Runs Click (what a user's click does), for code and keyboard handlers.
  void DoClick() { Click(); }

 public:
  // After reading: takes the parent's font, colour and hint state where
  // the Parent* flags ask for it, refreshes the anchors, re-aligns.
  void Loaded() override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Mouse steps: raise OnClick, OnDblClick, OnMouseDown, OnMouseMove,
  // OnMouseUp (client coordinates). Click runs on a left release inside
  // the control after a press on it (csClickEvents).
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void MouseMove(TShiftState Shift, Integer X, Integer Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  // The wheel turned by WheelDelta (multiples of WHEEL_DELTA, positive
  // away from the user) with the mouse at MousePos (desktop): OnMouseWheel,
  // then per whole notch DoMouseWheelDown / DoMouseWheelUp. True when
  // handled (the wheel then does not reach the parent).
  virtual bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  // Raises OnResize after a size change.
  virtual void Resize();
  // AutoSize hook: may change the proposed size; false refuses it.
  virtual bool CanAutoSize(Integer& NewWidth, Integer& NewHeight);
  // Raises OnCanResize for a size change; false refuses it.
  virtual bool CanResize(Integer& NewWidth, Integer& NewHeight);
  // May tighten the limits of Constraints (0: none) for the size a
  // change proposes; nothing here.
  virtual void ConstrainedResize(Integer& /*MinWidth*/, Integer& /*MinHeight*/, Integer& /*MaxWidth*/,
                                 Integer& /*MaxHeight*/) {}
  // Re-applies AutoSize to the current bounds.
  virtual void AdjustSize();
  // ClientRect and ClientOrigin; windowed controls ask their window.
  virtual TRect GetClientRect();
  virtual TPoint GetClientOrigin();
  // Called before the window-level reaction to Visible (CM_VISIBLECHANGED).
  virtual void VisibleChanging() {}
  // Asks the parent to lay this control out again.
  void RequestAlign();
  // Refreshes the anchor distances from the current bounds.
  void UpdateAnchorRules();
  // Applies the anchors after the parent's client area changed.
  void AnchorsMoved(Integer ParentWidth, Integer ParentHeight);
  // Invalidates the control's rectangle of its parent.
  void InvalidateControl(bool IsVisible, bool IsOpaque);
  // The common part of the button handlers: capture, drag start and the
  // MouseDown / MouseUp step (unless csNoStdEvents).
  void SendMouseDown(TMessage& M, TMouseButton Button, TShiftState Extra);
  void SendMouseUp(TMessage& M, TMouseButton Button);
  // Calls the handler of the nearest ancestor of From, or DefaultHandler.
  void Inherited(TClass From, TMessage& Message);
  // Stores new bounds without side effects (window sync of TWinControl).
  void StoreBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
  // The font's change handler: clears ParentFont, sends CM_FONTCHANGED.
  void FontChanged(TObject* Sender);
  // Applies AutoSize, OnCanResize and the constraints to a proposed size;
  // false when the size must not change.
  bool CheckNewSize(Integer& NewWidth, Integer& NewHeight);

  // Message handlers; a subclass's handler of the same message calls
  // Inherited(ItsClass::StaticClass(), M) to reach these.
  void WMLButtonDown(TMessage& M);
  void WMLButtonDblClk(TMessage& M);
  void WMLButtonUp(TMessage& M);
  void WMRButtonDown(TMessage& M);
  void WMRButtonDblClk(TMessage& M);
  void WMRButtonUp(TMessage& M);
  void WMMButtonDown(TMessage& M);
  void WMMButtonDblClk(TMessage& M);
  void WMMButtonUp(TMessage& M);
  void WMMouseMove(TMessage& M);
  void WMCancelMode(TMessage& M);
  void CMVisibleChanged(TMessage& M);
  void CMEnabledChanged(TMessage& M);
  void CMColorChanged(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMParentColorChanged(TMessage& M);
  void CMParentFontChanged(TMessage& M);
  void CMParentShowHintChanged(TMessage& M);
  void CMParentBiDiModeChanged(TMessage& M);
  void CMHitTest(TMessage& M);
  void CMMouseEnter(TMessage& M);
  void CMMouseLeave(TMessage& M);
  void CMTextChanged(TMessage& M);
  void WMContextMenu(TMessage& M);

  TWinControl* FParent = nullptr;
  Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  TPoint FAnchorRules{};        // per anchor: distance, width or centre
  TPoint FOriginalParentSize{}; // parent client size when the rules were taken
  bool FAnchorMove = false;     // bounds set by the aligner: keep the rules
  std::unique_ptr<TSizeConstraints> FConstraints;
  bool FAutoSize = false;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  String FText;
  String FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TComponent* FPopupMenu = nullptr;
  TCursor FCursor = crDefault;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
  Integer FHelpContext = 0;
  TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState FControlState;
  TDragMode FDragMode = dmManual;
  TDragKind FDragKind = dkDrag;
  TCursor FDragCursor = crDrag;
  bool FDragging = false;
  bool FIsWinControl = false;
  // Drops C from the capture and mouse tracking without sending it
  // messages (C is being destroyed).
  static void ForgetGlobals(TControl* C);
  bool FMouseInside = false;  // between CM_MOUSEENTER and CM_MOUSELEAVE
  Integer FWheelAccumulator = 0;  // wheel delta not yet turned into notches

  friend class TWinControl;
};

// The control that holds the mouse capture (a windowed control's window
// captures it on behalf of its child controls), or null.
TControl* GetCaptureControl();
// Gives the capture to Control (null releases it).
void SetCaptureControl(TControl* Control);
// Cleared when the control under the mouse changes; used by the mouse
// enter/leave tracking of windowed controls.
TControl* GetMouseControl();
// Makes Control the control under the mouse: CM_MOUSELEAVE to the
// previous one, CM_MOUSEENTER to Control (either may be null), both with
// zero parameters and to the control itself only (not to its parents).
void SetMouseControl(TControl* Control);

// Installed by the menus: pops Popup (a control's PopupMenu) up at the
// desktop point for Control; true when it did. A right-button release
// sends WM_CONTEXTMENU (lParam: desktop point); a control without popup
// menu passes it to its parent.
extern std::function<bool(TControl* Control, TComponent* Popup, TPoint ScreenPos)> PopupMenuHook;

// Called with the sender when a message handler raised an exception
// inside a window procedure (the application installs its handler);
// without one, the exception propagates to the caller of the procedure.
extern std::function<void(TObject* Sender)> ControlsHandleException;
