// TControl messages and mouse: Perform, WndProc, the message map dispatch,
// button and move handlers, click state, capture, mouse enter and leave,
// and the drag stubs.
#include "platform/gui/controls.h"

namespace {
TControl* CaptureControl = nullptr;
TControl* MouseControl = nullptr;

TPoint MessagePoint(const TMessage& M) { return Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)); }

// Presses of a mouse button, in the client area or on the frame or title.
bool IsPress(UINT Msg) {
  switch (Msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: case WM_NCMBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

// The window that captures the mouse for Control: its own or its parent's.
TWinControl* CaptureWindow(TControl* Control) {
  if (auto* W = dynamic_cast<TWinControl*>(Control)) return W;
  return Control->Parent();
}
}  // namespace

RTL_MESSAGE_MAP(TControl) {
  M.On(WM_LBUTTONDOWN, &TControl::WMLButtonDown);
  M.On(WM_LBUTTONDBLCLK, &TControl::WMLButtonDblClk);
  M.On(WM_LBUTTONUP, &TControl::WMLButtonUp);
  M.On(WM_RBUTTONDOWN, &TControl::WMRButtonDown);
  M.On(WM_RBUTTONDBLCLK, &TControl::WMRButtonDblClk);
  M.On(WM_RBUTTONUP, &TControl::WMRButtonUp);
  M.On(WM_MBUTTONDOWN, &TControl::WMMButtonDown);
  M.On(WM_MBUTTONDBLCLK, &TControl::WMMButtonDblClk);
  M.On(WM_MBUTTONUP, &TControl::WMMButtonUp);
  M.On(WM_MOUSEMOVE, &TControl::WMMouseMove);
  M.On(WM_CANCELMODE, &TControl::WMCancelMode);
  M.On(CM_VISIBLECHANGED, &TControl::CMVisibleChanged);
  M.On(CM_ENABLEDCHANGED, &TControl::CMEnabledChanged);
  M.On(CM_COLORCHANGED, &TControl::CMColorChanged);
  M.On(CM_FONTCHANGED, &TControl::CMFontChanged);
  M.On(CM_PARENTCOLORCHANGED, &TControl::CMParentColorChanged);
  M.On(CM_PARENTFONTCHANGED, &TControl::CMParentFontChanged);
  M.On(CM_PARENTSHOWHINTCHANGED, &TControl::CMParentShowHintChanged);
  M.On(CM_PARENTBIDIMODECHANGED, &TControl::CMParentBiDiModeChanged);
  M.On(CM_HITTEST, &TControl::CMHitTest);
  M.On(CM_MOUSEENTER, &TControl::CMMouseEnter);
  M.On(CM_MOUSELEAVE, &TControl::CMMouseLeave);
  M.On(CM_TEXTCHANGED, &TControl::CMTextChanged);
  M.On(WM_CONTEXTMENU, &TControl::WMContextMenu);
}

// ---- Message plumbing -------------------------------------------------------------

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage M;
  M.Msg = Msg;
  M.WParam = WParam;
  M.LParam = LParam;
  WindowProc(M);
  return M.Result;
}

void TControl::WndProc(TMessage& Message) {
  UINT& Msg = Message.Msg;
  // Every root on the way up learns of the press before the control
  // handles it: what another control opened closes first.
  if (IsPress(Msg) && !ComponentState().Contains(csDesigning)) {
    for (TControl* C = this; C; C = C->Parent())
      if (auto* W = dynamic_cast<TWinControl*>(C)) W->SendCancelMode(this);
  }
  if (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST && !FControlStyle.Contains(csDoubleClicks)) {
    // Without double clicks the second press is a plain press.
    if (Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK)
      Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  for (TClass C = ClassType(); C; C = C->Parent)
    if (const TMessageHandler* H = FindOwnMessageHandler(C, Message.Msg)) {
      (*H)(this, Message);
      return;
    }
  DefaultHandler(Message);
}

void TControl::Inherited(TClass From, TMessage& Message) {
  for (TClass C = From->Parent; C; C = C->Parent)
    if (const TMessageHandler* H = FindOwnMessageHandler(C, Message.Msg)) {
      (*H)(this, Message);
      return;
    }
  DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage&) {}

// ---- Mouse buttons --------------------------------------------------------------------

void TControl::SendMouseDown(TMessage& M, TMouseButton Button, TShiftState Extra) {
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FDragMode == dmAutomatic && Button == mbLeft && !FDragging) BeginDrag(false);
  TPoint P = MessagePoint(M);
  if (!FControlStyle.Contains(csNoStdEvents))
    MouseDown(Button, MouseKeysToShiftState(M.WParam) + Extra, P.X, P.Y);
}

void TControl::SendMouseUp(TMessage& M, TMouseButton Button) {
  TPoint P = MessagePoint(M);
  if (!FControlStyle.Contains(csNoStdEvents)) MouseUp(Button, MouseKeysToShiftState(M.WParam), P.X, P.Y);
}

// A press arms the click; the release inside the control fires it.
void TControl::WMLButtonDown(TMessage& M) {
  FControlState.Include(csLButtonDown);
  if (FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
  SendMouseDown(M, mbLeft, {});
}

void TControl::WMLButtonDblClk(TMessage& M) {
  FControlState.Include(csLButtonDown);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) DblClick();
  TPoint P = MessagePoint(M);
  if (!FControlStyle.Contains(csNoStdEvents))
    MouseDown(mbLeft, MouseKeysToShiftState(M.WParam) + TShiftState{ssDouble}, P.X, P.Y);
}

void TControl::WMLButtonUp(TMessage& M) {
  FControlState.Exclude(csLButtonDown);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (FDragging) EndDrag(true);
  if (FControlState.Contains(csClicked)) {
    FControlState.Exclude(csClicked);
    if (PtInRect(ClientRect(), MessagePoint(M))) Click();
  }
  SendMouseUp(M, mbLeft);
}

void TControl::WMRButtonDown(TMessage& M) { SendMouseDown(M, mbRight, {}); }
void TControl::WMRButtonDblClk(TMessage& M) { SendMouseDown(M, mbRight, {ssDouble}); }

void TControl::WMRButtonUp(TMessage& M) {
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  SendMouseUp(M, mbRight);
  TPoint S = ClientToScreen(MessagePoint(M));
  Perform(WM_CONTEXTMENU, 0, MAKELPARAM(S.X, S.Y));
}

std::function<bool(TControl* Control, TComponent* Popup, TPoint ScreenPos)> PopupMenuHook;

void TControl::WMContextMenu(TMessage& M) {
  if (M.Result) return;
  TPoint P = MessagePoint(M);
  if (FPopupMenu && PopupMenuHook && PopupMenuHook(this, FPopupMenu, P)) {
    M.Result = 1;
    return;
  }
  if (FParent) M.Result = FParent->Perform(WM_CONTEXTMENU, M.WParam, M.LParam);
}

void TControl::WMMButtonDown(TMessage& M) { SendMouseDown(M, mbMiddle, {}); }
void TControl::WMMButtonDblClk(TMessage& M) { SendMouseDown(M, mbMiddle, {ssDouble}); }

void TControl::WMMButtonUp(TMessage& M) {
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  SendMouseUp(M, mbMiddle);
}

void TControl::WMMouseMove(TMessage& M) {
  TPoint P = MessagePoint(M);
  if (!FControlStyle.Contains(csNoStdEvents)) MouseMove(MouseKeysToShiftState(M.WParam), P.X, P.Y);
}

void TControl::WMCancelMode(TMessage&) {
  if (MouseCapture()) {
    SetMouseCapture(false);
    FControlState.Exclude(csClicked);
    FControlState.Exclude(csLButtonDown);
  }
  if (FDragging) EndDrag(false);
}

void TControl::CMHitTest(TMessage& M) { M.Result = HTCLIENT; }

void TControl::CMMouseEnter(TMessage&) {
  FMouseInside = true;
  FireEvent(OnMouseEnter, this);
}

void TControl::CMMouseLeave(TMessage&) {
  FMouseInside = false;
  FireEvent(OnMouseLeave, this);
}

// ---- Virtual mouse steps -----------------------------------------------------------------

void TControl::Click() { FireEvent(OnClick, this); }
void TControl::DblClick() { FireEvent(OnDblClick, this); }

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FireEvent(OnMouseDown, this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, Integer X, Integer Y) { FireEvent(OnMouseMove, this, Shift, X, Y); }

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FireEvent(OnMouseUp, this, Button, Shift, X, Y);
}

// ---- Wheel -----------------------------------------------------------------------------

bool TControl::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  bool Handled = false;
  FireEvent(OnMouseWheel, this, Shift, WheelDelta, MousePos, Handled);
  if (Handled) return true;
  FWheelAccumulator += WheelDelta;
  while (FWheelAccumulator <= -WHEEL_DELTA || FWheelAccumulator >= WHEEL_DELTA) {
    bool Down = FWheelAccumulator < 0;
    FWheelAccumulator += Down ? WHEEL_DELTA : -WHEEL_DELTA;
    Handled = Down ? DoMouseWheelDown(Shift, MousePos) : DoMouseWheelUp(Shift, MousePos);
  }
  return Handled;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool Handled = false;
  FireEvent(OnMouseWheelDown, this, Shift, MousePos, Handled);
  return Handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool Handled = false;
  FireEvent(OnMouseWheelUp, this, Shift, MousePos, Handled);
  return Handled;
}

// wParam: keys in the low word, the signed delta in the high word; lParam:
// the desktop position. Unhandled, the wheel goes on to the parent.
void TWinControl::WMMouseWheel(TMessage& M) {
  Integer Delta = std::int16_t(HIWORD(M.WParam));
  if (DoMouseWheel(MouseKeysToShiftState(WPARAM(LOWORD(M.WParam))), Delta, MessagePoint(M))) {
    M.Result = 1;
    return;
  }
  Inherited(TWinControl::StaticClass(), M);
}

// ---- Capture ----------------------------------------------------------------------------

bool TControl::MouseCapture() const { return CaptureControl == this; }

void TControl::SetMouseCapture(bool V) {
  if (V == MouseCapture()) return;
  SetCaptureControl(V ? this : nullptr);
}

TControl* GetCaptureControl() {
  if (CaptureControl) {
    // The window lost the capture meanwhile (another window took it).
    TWinControl* W = CaptureWindow(CaptureControl);
    if (!W || !W->HandleAllocated() || GetCapture() != W->Handle()) CaptureControl = nullptr;
  }
  return CaptureControl;
}

void SetCaptureControl(TControl* Control) {
  CaptureControl = nullptr;
  if (!Control) {
    ReleaseCapture();
    return;
  }
  TWinControl* W = CaptureWindow(Control);
  if (!W || !W->HandleAllocated()) return;
  SetCapture(W->Handle());
  CaptureControl = Control;
}

void TControl::ForgetGlobals(TControl* C) {
  if (MouseControl == C) MouseControl = nullptr;
  if (CaptureControl == C) {
    CaptureControl = nullptr;
    ReleaseCapture();
  }
}

// ---- Mouse enter and leave ---------------------------------------------------------------

TControl* GetMouseControl() { return MouseControl; }

void SetMouseControl(TControl* Control) {
  if (Control == MouseControl) return;
  TControl* Old = MouseControl;
  MouseControl = Control;
  if (Old) Old->Perform(CM_MOUSELEAVE, 0, 0);
  if (Control && MouseControl == Control) Control->Perform(CM_MOUSEENTER, 0, 0);
}

// ---- Dragging ---------------------------------------------------------------------------

void TControl::BeginDrag(bool, Integer) {
  if (FDragging) return;
  FDragging = true;
  SetMouseCapture(true);
}

void TControl::EndDrag(bool Drop) {
  if (!FDragging) return;
  FDragging = false;
  SetMouseCapture(false);
  TPoint P = ScreenToClient(GetCursorPos());
  TObject* Target = nullptr;
  if (Drop) Target = FindDragTarget(GetCursorPos(), false);
  FireEvent(OnEndDrag, this, Target, P.X, P.Y);
}

// ---- Mouse routing of windowed controls --------------------------------------------------

// Mouse messages over a child without window (or for the child holding
// the capture) go to that child in its own coordinates.
bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  TPoint P = MessagePoint(Message);
  TControl* Control = nullptr;
  if (FHandle && GetCapture() == FHandle) {
    // While this window holds the capture, only a child that asked for it
    // gets the mouse.
    TControl* C = GetCaptureControl();
    if (C && C->Parent() == this) Control = C;
  } else {
    Control = ControlAtPos(P, false);
  }
  if (!Control || Control == this) return false;
  Message.Result = Control->Perform(Message.Msg, Message.WParam,
                                    MAKELPARAM(P.X - Control->Left(), P.Y - Control->Top()));
  return true;
}

// Finds the control under the mouse for CM_MOUSEENTER / CM_MOUSELEAVE.
void TWinControl::TrackMouse(TControl* Under) {
  SetMouseControl(Under);
  if (FHandle && Under) TrackMouseLeave(FHandle);
}

void TWinControl::WndProc(TMessage& Message) {
  UINT Msg = Message.Msg;
  if (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST && Msg != WM_MOUSEWHEEL) {
    if (Msg == WM_MOUSEMOVE) {
      TPoint P = MessagePoint(Message);
      TControl* Under = nullptr;
      if (PtInRect(ClientRect(), P)) {
        Under = ControlAtPos(P, false);
        if (!Under) Under = this;
      }
      TrackMouse(Under);
    }
    if (IsControlMouseMsg(Message)) return;
  } else if (Msg == WM_CANCELMODE) {
    TControl* C = GetCaptureControl();
    if (C && C != this && C->Parent() == this) C->Perform(WM_CANCELMODE, 0, 0);
  }
  TControl::WndProc(Message);
}

void TWinControl::WMMouseLeave(TMessage& M) {
  TControl* C = GetMouseControl();
  if (C == this || (C && C->Parent() == this && !dynamic_cast<TWinControl*>(C))) SetMouseControl(nullptr);
  Inherited(TWinControl::StaticClass(), M);
}

TWinControl* FindVCLWindow(const TPoint& Pos) {
  HWND W = WindowFromPoint(Pos);
  while (W && !FindControl(W)) W = GetParent(W);
  return FindControl(W);
}

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled) {
  TWinControl* W = FindVCLWindow(Pos);
  if (!W) return nullptr;
  TControl* C = W->ControlAtPos(W->ScreenToClient(Pos), AllowDisabled);
  return C ? C : W;
}
