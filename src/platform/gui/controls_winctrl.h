// TWinControl, TCustomControl and TGraphicControl: the windowed controls,
// the self-painted windowed control, and the control without a window.
//
// A TWinControl gets its window from the window manager (winapi.h) lazily:
// when it becomes showing (visible, on a showing parent whose window
// exists) or when Handle is asked for. CreateParams describes the window,
// CreateWnd / CreateWindowHandle make it, DestroyHandle / RecreateWnd
// remove or rebuild it; the control keeps its bounds, text and children
// meanwhile. A window without parent is a top-level window only for a
// root control (IsWindowRoot: forms, or ParentWindow set); any other
// parentless control raises EInvalidOperation when it needs its window.
//
// Children: Controls[] lists the controls without window first, then the
// windowed ones, each in z-order (bottom first). Controls without window
// are painted by the parent after its own Paint (WM_PAINT ->
// PaintHandler -> PaintWindow, then PaintControls with the canvas offset
// to each child's bounds) and get the mouse messages that hit them.
//
// Device contexts are canvases: WM_PAINT and WM_ERASEBKGND carry a
// TCanvas* in wParam when someone else's canvas is to be painted (PaintTo,
// a parent's picture as background); without one the control paints its
// window. A double-buffered control erases only into its off-screen
// bitmap, which it passes as wParam and lParam alike: code that wants such
// a control's background in its own canvas passes it the same way.
//
// Keyboard: the focused control gets CN_KEYDOWN first (IsKeyMsg, called
// by the message loop); unless it wants the key (WM_GETDLGCODE), Tab,
// arrows, Enter and Escape go to its root as CM_DIALOGKEY. KeyDown,
// KeyPress and KeyUp run the events; the root's key preview (a form's
// KeyPreview) sees keys first.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <vector>

#include "platform/gui/controls_control.h"

class TWinControl : public TControl {
  RTL_DECLARE_CLASS(TWinControl)
  RTL_MESSAGE_HANDLERS(TWinControl)
 public:
  explicit TWinControl(TComponent* AOwner);
  // Frees the children (controls on this one), then the window.
  ~TWinControl() override;

  // ---- Window ------------------------------------------------------------------
  // The window, made when first asked for. Raises EInvalidOperation
  // "Element '%s' hat kein übergeordnetes Fenster" when the control needs
  // a parent window and has none.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  // Removes the windows of the control and its children (they come back
  // when needed).
  void DestroyHandle();
  // Destroys and re-creates the window when it exists.
  void RecreateWnd();
  // A non-control window to lie on (for root controls without parent).
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND V);
  // True when the control and every parent are visible and the window
  // exists (the window manager shows it).
  bool Showing() const { return FShowing && (!FParent || FParent->Showing()); }
  // True for a control whose window may be a top-level window: a form
  // (overrides) or a control with ParentWindow.
  virtual bool IsWindowRoot() const { return FParentWindow != nullptr; }

  // ---- Children -------------------------------------------------------------------
  Integer ControlCount() const { return Integer(FControls.size() + FWinControls.size()); }
  // Raises EListError for a bad index.
  TControl* Controls(Integer Index) const;
  // Takes AControl as a child (as AControl->SetParent(this) does).
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  // True when Control lies on this control, directly or deeper.
  bool ContainsControl(TControl* Control) const;
  // The visible child at client point Pos, topmost first: windowed
  // children only with AllowWinControls, disabled ones only with
  // AllowDisabled, and with AllLevels the deepest one.
  TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false,
                         bool AllLevels = false);
  // Called by AControl's Show, which lies on this control: passes the
  // request up the parents. Page containers override it to bring the page
  // that holds AControl forward.
  virtual void ShowControl(TControl* AControl);
  // Hands Message to every child's WindowProc until one answers non-zero.
  void Broadcast(TMessage& Message);
  // Broadcast of Msg with zero parameters.
  void NotifyControls(UINT Msg);

  // ---- Layout --------------------------------------------------------------------
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void DisableAlign();
  // Re-aligns once the last DisableAlign is undone and one was asked for.
  void EnableAlign();
  // Lays the children out anew.
  void Realign();
  bool AlignDisabled() const { return FAlignLevel != 0; }
  // Space between the edge and the client area, on every side.
  Integer BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(Integer V);
  // Scales the children and the size (not the position) by M / D.
  void ScaleBy(Integer M, Integer D);
  void ChangeScale(Integer M, Integer D) override;

  // ---- Focus and tab order ------------------------------------------------------------
  // Position among the parent's windowed children in tab order (-1 off a
  // parent). Setting moves it; values out of range go to the end.
  Integer TabOrder() const;
  void SetTabOrder(Integer V);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool V);
  // Visible and enabled, on visible and enabled parents up to the root.
  virtual bool CanFocus();
  // Gives the keyboard focus to the control. Raises EInvalidOperation
  // "Ein deaktiviertes oder unsichtbares Fenster kann nicht den Fokus
  // erhalten" when it cannot take it.
  virtual void SetFocus();
  // True when the control's window has the keyboard focus.
  virtual bool Focused();
  // The windowed children in tab order, depth first.
  void GetTabOrderList(std::vector<TWinControl*>& List);
  // The control after (before) CurControl in tab order that can take the
  // focus, wrapping around; null when none.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent);
  // Moves the focus to FindNextControl(CurControl, GoForward, CheckTabStop,
  // !CheckTabStop) when there is one.
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  // The root's reaction to a focus change inside it (CM_EXIT / CM_ENTER
  // along the parent chains, OnExit / OnEnter). Forms override it to keep
  // their ActiveControl; returns false to refuse the change.
  virtual bool SetFocusedControl(TWinControl* Control);
  // True when this root wants to see its children's keys first.
  virtual bool IsKeyPreview() const { return false; }
  // A mouse press reached Sender, a control on this root (or the root
  // itself). Forms pass it to their active control as CM_CANCELMODE
  // (Sender in LParam), so that a list or popup that control opened
  // closes; nothing here.
  virtual void SendCancelMode(TControl* /*Sender*/) {}

  // ---- Painting ----------------------------------------------------------------------
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void PaintTo(TCanvas& DC, Integer X, Integer Y) override;
  TCanvas* GetDeviceContext(HWND& WindowHandle) override;
  void SetZOrder(bool TopMost) override;
  // Paints into an off-screen bitmap first, then copies it to the screen.
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool V) { FDoubleBuffered = V; }
  // Erases with the parent's background instead of the own colour.
  bool ParentBackground() const { return FControlStyle.Contains(csParentBackground); }
  void SetParentBackground(bool V);
  // The background brush (its colour follows Color); owned.
  TBrush* Brush() const { return FBrush.get(); }
  // Paints the graphic children from First (all when null) into DC.
  void PaintControls(TCanvas& DC, TControl* First);

  // ---- Keys -------------------------------------------------------------------------
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter, OnExit;
  // KeyDown through the root's preview and the events; true when the key
  // was swallowed (Key became 0).
  bool DoKeyDown(TMessage& Message);
  bool DoKeyPress(TMessage& Message);
  bool DoKeyUp(TMessage& Message);

  // After reading: applies the stored tab orders and lays the children out.
  void Loaded() override;

 protected:
  void SetText(const String& V) override;
  TRect GetClientRect() override;
  TPoint GetClientOrigin() override;

  // Describes the window: a clipping child window (WS_CHILD,
  // WS_CLIPSIBLINGS; WS_CLIPCHILDREN with csAcceptsControls; WS_DISABLED,
  // WS_TABSTOP), the bounds, the parent's window (or ParentWindow) and the
  // class name. Overrides change styles after calling this one.
  virtual void CreateParams(TCreateParams& Params);
  // Makes the window from CreateParams (EInvalidOperation for a child
  // window without parent window), reads the bounds back and makes the
  // windows of the visible windowed children.
  virtual void CreateWnd();
  // The window manager call itself; sets FHandle.
  virtual void CreateWindowHandle(const TCreateParams& Params);
  // Destroys the own window (children's windows go with it).
  virtual void DestroyWnd();
  // CreateWnd plus the window's place in the parent's z-order.
  virtual void CreateHandle();
  // Lays out the children inside Rect (the client area).
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  // Lets a control shrink the area its children are aligned in.
  virtual void AdjustClientRect(TRect& Rect);
  // Re-aligns after AControl changed (null: everything), or marks the
  // need while alignment is disabled or the control loads.
  virtual void AlignControl(TControl* AControl);
  // Paints the control's own picture (nothing here). WM_PAINT without a
  // DC reaches it only for a control with children without window or with
  // csCustomPaint in its ControlState: a self-painting windowed class sets
  // csCustomPaint in its constructor (TCustomControl does).
  virtual void PaintWindow(TCanvas& DC);
  // WM_PAINT's work: PaintWindow outside opaque children without window,
  // then PaintControls; with a DC in wParam it paints into that DC.
  void PaintHandler(TMessage& Message);
  // Key steps: raise OnKeyDown / OnKeyPress / OnKeyUp; setting Key to 0
  // swallows the key.
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyPress(char32_t& Key);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  // Raise OnEnter / OnExit (CM_ENTER / CM_EXIT).
  virtual void DoEnter();
  virtual void DoExit();
  // Creates the window when the control should be showing and updates
  // the showing state of it and its children.
  void UpdateControlState();
  void UpdateShowing();
  // Re-reads the bounds from the window (after WM_SIZE / WM_MOVE).
  void UpdateBounds();
  // The window procedure the window manager calls.
  LRESULT MainWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  // After a size change: re-aligns the children and calls Resize.
  void ResizeChildren();
  // Orders the tab list by the tab orders read from a description.
  void FixupTabList();

  // Message handlers; a subclass's handler of the same message calls
  // Inherited(ItsClass::StaticClass(), M) to reach these.
  void WMPaint(TMessage& M);
  void WMEraseBkgnd(TMessage& M);
  void WMSize(TMessage& M);
  void WMMove(TMessage& M);
  void WMSetFocus(TMessage& M);
  void WMKillFocus(TMessage& M);
  void WMKeyDown(TMessage& M);
  void WMKeyUp(TMessage& M);
  void WMChar(TMessage& M);
  void WMSetCursor(TMessage& M);
  void WMMouseLeave(TMessage& M);
  void WMMouseWheel(TMessage& M);
  void WMNCDestroy(TMessage& M);
  void CNKeyDown(TMessage& M);
  void CNKeyUp(TMessage& M);
  void CNChar(TMessage& M);
  void CMDialogKey(TMessage& M);
  void CMDialogChar(TMessage& M);
  void CMChildKey(TMessage& M);
  void CMColorChanged(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMEnabledChanged(TMessage& M);
  void CMVisibleChanged(TMessage& M);
  void CMShowingChanged(TMessage& M);
  void CMShowHintChanged(TMessage& M);
  void CMBiDiModeChanged(TMessage& M);
  void CMEnter(TMessage& M);
  void CMExit(TMessage& M);
  void CMTextChanged(TMessage& M);
  void CMRecreateWnd(TMessage& M);
  // Tracks the control under the mouse (CM_MOUSEENTER / CM_MOUSELEAVE)
  // and hands mouse messages over children without window to them.
  void WndProc(TMessage& Message) override;
  // The window manager's default handling (DefWindowProc) while the
  // window exists.
  void DefaultHandler(TMessage& Message) override;

 private:
  void Insert(TControl* AControl);
  void Remove(TControl* AControl);
  bool IsControlMouseMsg(TMessage& Message);
  void TrackMouse(TControl* Under);
  HWND PrecedingWindow(TWinControl* Control) const;

 protected:
  // State that descendants (forms, standard controls) read; change it
  // through the methods above.
  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  bool FShowing = false;
  std::vector<TControl*> FControls;      // without window, bottom first
  std::vector<TWinControl*> FWinControls;  // windowed, bottom first
  std::vector<TWinControl*> FTabList;
  Integer FTabOrder = -1;  // read from a form description, applied in Loaded
  bool FTabStop = false;
  Integer FAlignLevel = 0;
  Integer FBorderWidth = 0;
  bool FDoubleBuffered = false;
  std::unique_ptr<TBrush> FBrush;
  // On a root: the control that got CM_ENTER last (SetFocusedControl).
  TWinControl* FEnteredControl = nullptr;

  friend class TControl;
};

// The canvas of a painted control. It keeps the control's pen, brush and
// font between paints; while the control paints, the device context
// itself is the control's Canvas and carries these tools (Lend), which
// afterwards come back here (Return) with any change made while painting.
class TControlCanvas : public TCanvas {
  RTL_DECLARE_CLASS(TControlCanvas)
 public:
  explicit TControlCanvas(TControl* Control = nullptr);
  ~TControlCanvas() override;
  TControl* Control() const { return FControl; }
  // Gives DC this canvas's tools, pen position and copy mode; DC's own
  // are kept until Return.
  void Lend(TCanvas& DC);
  // Takes the tools back from DC and restores DC's own.
  void Return(TCanvas& DC);

 private:
  TControl* FControl;
  std::unique_ptr<TPen> FDCPen;
  std::unique_ptr<TBrush> FDCBrush;
  std::unique_ptr<TFont> FDCFont;
  TPoint FDCPenPos;
  TCopyMode FDCCopyMode = SRCCOPY;
};

// The Canvas of a painted control (TCustomControl, TGraphicControl,
// forms): the control's TControlCanvas between paints, the device context
// being painted (carrying the control's tools) during PaintOn.
class TPaintCanvas {
 public:
  explicit TPaintCanvas(TControl* Control) : FOwn(std::make_unique<TControlCanvas>(Control)) {}
  TCanvas* Get() const { return FPaintDC ? FPaintDC : FOwn.get(); }
  // Calls Paint with DC as the canvas; the tools come back afterwards,
  // also when Paint raises.
  void PaintOn(TCanvas& DC, const std::function<void()>& Paint);

 private:
  std::unique_ptr<TControlCanvas> FOwn;
  TCanvas* FPaintDC = nullptr;
};

// A windowed control that paints itself on its Canvas in Paint.
class TCustomControl : public TWinControl {
  RTL_DECLARE_CLASS(TCustomControl)
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  // During Paint: the device context being painted, with this control's
  // pen, brush and font. Otherwise the control's own canvas (owned), which
  // keeps the tools and measures text but draws nowhere.
  TCanvas* Canvas() const { return FCanvas.Get(); }

 protected:
  // Draws the control onto Canvas (clipped to what needs painting). The
  // tools are the canvas's own: assign the control's Font when wanted.
  virtual void Paint() {}
  void PaintWindow(TCanvas& DC) override;

 private:
  TPaintCanvas FCanvas{this};
};

// A control without window: its parent paints it (WM_PAINT with the DC,
// offset to its bounds) and passes it the mouse.
class TGraphicControl : public TControl {
  RTL_DECLARE_CLASS(TGraphicControl)
  RTL_MESSAGE_HANDLERS(TGraphicControl)
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  // As TCustomControl::Canvas: the parent's device context during Paint,
  // offset and clipped to this control's bounds.
  TCanvas* Canvas() const { return FCanvas.Get(); }

 protected:
  virtual void Paint() {}
  void WMPaint(TMessage& M);

 private:
  TPaintCanvas FCanvas{this};
};

// The control whose window is Wnd, or null.
TWinControl* FindControl(HWND Wnd);
// The deepest windowed control under a desktop point, or null.
TWinControl* FindVCLWindow(const TPoint& Pos);
// The control under a desktop point, controls without window included.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);
// The root of Control's parent chain (the control itself without parent).
TWinControl* GetRootParent(TControl* Control);
// Hands key messages to the focused control first as CN_KEYDOWN,
// CN_KEYUP, CN_CHAR (CN_SYSKEYDOWN, CN_SYSCHAR); true when the control
// handled it and the message must not be dispatched. For message loops.
bool IsKeyMsg(MSG& Msg);
