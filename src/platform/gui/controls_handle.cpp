// TWinControl: construction and destruction, the window's life (create,
// destroy, re-create, show), the window procedure and the colour, font,
// visibility and enabling reactions that reach the window or the children.
#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/gui/classhooks.h"
#include "platform/gui/controls.h"
#include "platform/rtl/format.h"

RTL_IMPLEMENT_CLASS(TWinControl, TControl, &ComponentFactory<TWinControl>)

namespace {
// Window handle -> control, for FindControl. GUI thread only, but guarded
// because other threads may ask FindControl for a window.
std::mutex& ControlsLock() {
  static std::mutex M;
  return M;
}
std::unordered_map<HWND, TWinControl*>& ControlsByHandle() {
  static std::unordered_map<HWND, TWinControl*> Map;
  return Map;
}
void RegisterHandle(HWND Wnd, TWinControl* Control) {
  std::lock_guard<std::mutex> L(ControlsLock());
  if (Control)
    ControlsByHandle()[Wnd] = Control;
  else
    ControlsByHandle().erase(Wnd);
}
}  // namespace

TWinControl* FindControl(HWND Wnd) {
  if (!Wnd) return nullptr;
  std::lock_guard<std::mutex> L(ControlsLock());
  auto It = ControlsByHandle().find(Wnd);
  return It == ControlsByHandle().end() ? nullptr : It->second;
}

TWinControl* GetRootParent(TControl* Control) {
  if (!Control) return nullptr;
  while (Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TWinControl*>(Control);
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>()) {
  FIsWinControl = true;
  FBrush->SetColor(FColor);
}

TWinControl::~TWinControl() {
  // Messages from here on reach this class's handlers, not replaced ones
  // of parts already destroyed.
  WindowProc = [this](TMessage& M) { TWinControl::WndProc(M); };
  Destroying();
  if (FParent) FParent->RemoveControl(this);
  while (!FWinControls.empty() || !FControls.empty()) {
    TControl* C = FWinControls.empty() ? FControls.back() : FWinControls.back();
    Remove(C);
    C->Free();
  }
  if (FHandle) DestroyWnd();
}

// ---- The window -----------------------------------------------------------------------------

HWND TWinControl::Handle() {
  if (!FHandle) {
    if (FParent) FParent->HandleNeeded();
    CreateHandle();
  }
  return FHandle;
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams{};
  Params.Caption = FText;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle.Contains(csAcceptsControls)) {
    Params.Style |= WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!FEnabled) Params.Style |= WS_DISABLED;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  Params.WndParent = FParent ? FParent->Handle() : FParentWindow;
  Params.WinClassName = ClassName();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  bool Child = (Params.Style & WS_CHILD) != 0;
  HWND Wnd = CreateWindowEx(Params.ExStyle, Params.WinClassName, Params.Caption, Params.Style, Params.X,
                            Params.Y, Params.Width, Params.Height, Child ? Params.WndParent : nullptr,
                            Child ? nullptr : Params.WndParent,
                            [this](HWND W, UINT Msg, WPARAM WP, LPARAM LP) { return MainWndProc(W, Msg, WP, LP); });
  if (Wnd && !FHandle) {
    FHandle = Wnd;
    RegisterHandle(Wnd, this);
  }
}

void TWinControl::CreateWnd() {
  TCreateParams Params;
  CreateParams(Params);
  if ((Params.Style & WS_CHILD) && !Params.WndParent)
    throw EInvalidOperation(Format("Element '%s' hat kein übergeordnetes Fenster", {Name()}));
  FControlState.Include(csCreating);
  try {
    CreateWindowHandle(Params);
  } catch (...) {
    FControlState.Exclude(csCreating);
    throw;
  }
  FControlState.Exclude(csCreating);
  if (!FHandle) throw EInvalidOperation(Format("Fenster für '%s' konnte nicht erzeugt werden", {Name()}));
  UpdateBounds();
  if (FAutoSize) AdjustSize();
  for (TWinControl* W : FWinControls)
    if (W->FVisible) W->HandleNeeded();
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  CreateWnd();
  if (FParent) SetWindowPos(FHandle, FParent->PrecedingWindow(this), 0, 0, 0, 0,
                            SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (Integer I = 0; I < ControlCount(); ++I) Controls(I)->UpdateAnchorRules();
}

// The window of the next windowed sibling above Control (Control's window
// goes just below it), or HWND_TOP.
HWND TWinControl::PrecedingWindow(TWinControl* Control) const {
  auto It = std::find(FWinControls.begin(), FWinControls.end(), Control);
  if (It == FWinControls.end()) return HWND_TOP;
  for (++It; It != FWinControls.end(); ++It)
    if ((*It)->FHandle) return (*It)->FHandle;
  return HWND_TOP;
}

void TWinControl::DestroyWnd() {
  HWND Wnd = FHandle;
  if (!Wnd) return;
  FControlState.Include(csDestroyingHandle);
  ::DestroyWindow(Wnd);
  FControlState.Exclude(csDestroyingHandle);
  if (FHandle == Wnd) {  // the window manager did not tell (already gone)
    RegisterHandle(Wnd, nullptr);
    FHandle = nullptr;
  }
  FShowing = false;
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TWinControl* W : FWinControls) W->DestroyHandle();
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (FHandle) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  bool WasFocused = Focused();
  FControlState.Include(csRecreating);
  DestroyHandle();
  UpdateControlState();
  FControlState.Exclude(csRecreating);
  if (WasFocused && FHandle) ::SetFocus(FHandle);
}

void TWinControl::SetParentWindow(HWND V) {
  if (V == FParentWindow || FParent) return;
  DestroyHandle();
  FParentWindow = V;
  UpdateControlState();
}

void TWinControl::WMNCDestroy(TMessage& M) {
  Inherited(TWinControl::StaticClass(), M);
}

// ---- Showing -------------------------------------------------------------------------------

void TWinControl::UpdateControlState() {
  TWinControl* Root = this;
  while (Root->FParent) {
    Root = Root->FParent;
    if (!Root->FShowing) return;
  }
  if (Root->IsWindowRoot() || Root->FParentWindow) UpdateShowing();
}

void TWinControl::UpdateShowing() {
  bool Show = FVisible && !ComponentState().Contains(csDestroying);
  if (Show) {
    if (!FHandle) CreateHandle();
    for (TWinControl* W : FWinControls) W->UpdateShowing();
  }
  if (FHandle && FShowing != Show) {
    FShowing = Show;
    Perform(CM_SHOWINGCHANGED, 0, 0);
  }
}

void TWinControl::CMShowingChanged(TMessage&) {
  if (FHandle) ShowWindow(FHandle, FShowing ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void TWinControl::CMVisibleChanged(TMessage&) {
  HWND F = GetFocus();
  if (!FVisible && FParent && FHandle && F && (F == FHandle || IsChild(FHandle, F))) ::SetFocus(FParent->FHandle);
  UpdateControlState();
}

void TWinControl::CMEnabledChanged(TMessage& M) {
  if (!FEnabled && FParent && FHandle && (GetFocus() == FHandle || IsChild(FHandle, GetFocus())))
    ::SetFocus(FParent->FHandle);
  if (FHandle) EnableWindow(FHandle, FEnabled);
  Inherited(TWinControl::StaticClass(), M);
}

// ---- Colour, font, text ------------------------------------------------------------------

void TWinControl::CMColorChanged(TMessage& M) {
  FBrush->SetColor(FColor);
  NotifyControls(CM_PARENTCOLORCHANGED);
  Inherited(TWinControl::StaticClass(), M);
}

void TWinControl::CMFontChanged(TMessage& M) {
  NotifyControls(CM_PARENTFONTCHANGED);
  Inherited(TWinControl::StaticClass(), M);
}

void TWinControl::CMShowHintChanged(TMessage&) { NotifyControls(CM_PARENTSHOWHINTCHANGED); }

void TWinControl::CMBiDiModeChanged(TMessage& M) {
  NotifyControls(CM_PARENTBIDIMODECHANGED);
  Inherited(TWinControl::StaticClass(), M);
}

void TWinControl::SetText(const String& V) {
  if (V == FText) return;
  FText = V;
  if (FHandle) SetWindowText(FHandle, V);
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TWinControl::CMTextChanged(TMessage& M) { Inherited(TWinControl::StaticClass(), M); }

void TWinControl::Loaded() {
  TControl::Loaded();
  FixupTabList();
  if (FHandle) UpdateBounds();
  Realign();
}

// ---- Window procedure --------------------------------------------------------------------

LRESULT TWinControl::MainWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!FHandle && FControlState.Contains(csCreating)) {
    FHandle = Wnd;
    RegisterHandle(Wnd, this);
  }
  TMessage M;
  M.Msg = Msg;
  M.WParam = WParam;
  M.LParam = LParam;
  try {
    WindowProc(M);
  } catch (...) {
    if (!ControlsHandleException) throw;
    ControlsHandleException(this);
  }
  if (Msg == WM_NCDESTROY && Wnd == FHandle) {
    RegisterHandle(Wnd, nullptr);
    FHandle = nullptr;
    FShowing = false;
  }
  return M.Result;
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (FHandle) Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
  if (Message.Msg == WM_NCPAINT && FHandle)
    if (const TNCPaintHook& Hook = NCPaintHook()) Hook(*this);
}

// ---- Message map and published properties ------------------------------------------------

RTL_MESSAGE_MAP(TWinControl) {
  M.On(WM_PAINT, &TWinControl::WMPaint);
  M.On(WM_ERASEBKGND, &TWinControl::WMEraseBkgnd);
  M.On(WM_SIZE, &TWinControl::WMSize);
  M.On(WM_MOVE, &TWinControl::WMMove);
  M.On(WM_SETFOCUS, &TWinControl::WMSetFocus);
  M.On(WM_KILLFOCUS, &TWinControl::WMKillFocus);
  M.On(WM_KEYDOWN, &TWinControl::WMKeyDown);
  M.On(WM_SYSKEYDOWN, &TWinControl::WMKeyDown);
  M.On(WM_KEYUP, &TWinControl::WMKeyUp);
  M.On(WM_SYSKEYUP, &TWinControl::WMKeyUp);
  M.On(WM_CHAR, &TWinControl::WMChar);
  M.On(WM_SETCURSOR, &TWinControl::WMSetCursor);
  M.On(WM_MOUSELEAVE, &TWinControl::WMMouseLeave);
  M.On(WM_MOUSEWHEEL, &TWinControl::WMMouseWheel);
  M.On(WM_NCDESTROY, &TWinControl::WMNCDestroy);
  M.On(CN_KEYDOWN, &TWinControl::CNKeyDown);
  M.On(CN_SYSKEYDOWN, &TWinControl::CNKeyDown);
  M.On(CN_KEYUP, &TWinControl::CNKeyUp);
  M.On(CN_CHAR, &TWinControl::CNChar);
  M.On(CN_SYSCHAR, &TWinControl::CNChar);
  M.On(CM_DIALOGKEY, &TWinControl::CMDialogKey);
  M.On(CM_DIALOGCHAR, &TWinControl::CMDialogChar);
  M.On(CM_CHILDKEY, &TWinControl::CMChildKey);
  M.On(CM_COLORCHANGED, &TWinControl::CMColorChanged);
  M.On(CM_FONTCHANGED, &TWinControl::CMFontChanged);
  M.On(CM_ENABLEDCHANGED, &TWinControl::CMEnabledChanged);
  M.On(CM_VISIBLECHANGED, &TWinControl::CMVisibleChanged);
  M.On(CM_SHOWINGCHANGED, &TWinControl::CMShowingChanged);
  M.On(CM_SHOWHINTCHANGED, &TWinControl::CMShowHintChanged);
  M.On(CM_BIDIMODECHANGED, &TWinControl::CMBiDiModeChanged);
  M.On(CM_ENTER, &TWinControl::CMEnter);
  M.On(CM_EXIT, &TWinControl::CMExit);
  M.On(CM_TEXTCHANGED, &TWinControl::CMTextChanged);
  M.On(CM_RECREATEWND, &TWinControl::CMRecreateWnd);
}

RTL_PUBLISHED(TWinControl) {
  P.Prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1);
  P.Prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
  P.Prop("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth).Default(0);
  P.Prop("DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered).Default(false);
  P.Prop("ParentBackground", &TWinControl::ParentBackground, &TWinControl::SetParentBackground);
  P.Field("OnEnter", &TWinControl::OnEnter);
  P.Field("OnExit", &TWinControl::OnExit);
  P.Field("OnKeyDown", &TWinControl::OnKeyDown);
  P.Field("OnKeyPress", &TWinControl::OnKeyPress);
  P.Field("OnKeyUp", &TWinControl::OnKeyUp);
  P.Field("OnMouseWheel", &TWinControl::OnMouseWheel);
  P.Field("OnMouseWheelDown", &TWinControl::OnMouseWheelDown);
  P.Field("OnMouseWheelUp", &TWinControl::OnMouseWheelUp);
}
