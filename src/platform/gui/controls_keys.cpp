// TWinControl focus, tab order, keyboard and cursor: the tab list, focus
// moves with CM_ENTER / CM_EXIT, key messages with their reflection
// (CN_KEYDOWN ...), dialog keys and the cursor shown over a control.
#include <algorithm>

#include "platform/gui/controls.h"

HCURSOR DefaultCursorHandle(TCursor Cursor) {
  switch (Cursor) {
    case crCross: return IDC_CROSS;
    case crIBeam: return IDC_IBEAM;
    case crSizeNESW: return IDC_SIZENESW;
    case crSizeNS: case crVSplit: return IDC_SIZENS;
    case crSizeNWSE: return IDC_SIZENWSE;
    case crSizeWE: case crHSplit: return IDC_SIZEWE;
    case crUpArrow: return IDC_UPARROW;
    case crHourGlass: case crSQLWait: return IDC_WAIT;
    case crNo: case crNoDrop: return IDC_NO;
    case crAppStart: return IDC_APPSTARTING;
    case crHelp: return IDC_HELP;
    case crHandPoint: return IDC_HAND;
    case crSizeAll: return IDC_SIZEALL;
    default: return IDC_ARROW;
  }
}

std::function<HCURSOR(TCursor)> CursorHandleHook;
std::function<TCursor()> ScreenCursorHook;

// ---- Tab order -------------------------------------------------------------------------

Integer TWinControl::TabOrder() const {
  if (!FParent) return -1;
  const auto& L = FParent->FTabList;
  auto It = std::find(L.begin(), L.end(), this);
  return It == L.end() ? -1 : Integer(It - L.begin());
}

void TWinControl::SetTabOrder(Integer V) {
  if (ComponentState().Contains(csLoading) || !FParent) {
    FTabOrder = V;  // put in place by the parent's FixupTabList
    return;
  }
  auto& L = FParent->FTabList;
  Integer Cur = TabOrder();
  if (Cur < 0) return;
  Integer Count = Integer(L.size());
  if (V < 0 || V >= Count) V = Count - 1;
  if (V == Cur) return;
  L.erase(L.begin() + Cur);
  L.insert(L.begin() + V, this);
}

// Puts the children read from a form description in their stored order.
void TWinControl::FixupTabList() {
  std::vector<TWinControl*> Ordered, Rest;
  for (TWinControl* W : FTabList) (W->FTabOrder >= 0 ? Ordered : Rest).push_back(W);
  std::stable_sort(Ordered.begin(), Ordered.end(),
                   [](TWinControl* A, TWinControl* B) { return A->FTabOrder < B->FTabOrder; });
  Ordered.insert(Ordered.end(), Rest.begin(), Rest.end());
  FTabList = Ordered;
  for (TWinControl* W : FTabList) W->FTabOrder = -1;
}

void TWinControl::SetTabStop(bool V) {
  if (V == FTabStop) return;
  FTabStop = V;
  if (FHandle) {
    auto Style = GetWindowLong(FHandle, GWL_STYLE);
    SetWindowLong(FHandle, GWL_STYLE, V ? (Style | WS_TABSTOP) : (Style & ~std::intptr_t(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* W : FTabList) {
    List.push_back(W);
    W->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> List;
  GetTabOrderList(List);
  if (List.empty()) return nullptr;
  Integer Count = Integer(List.size());
  auto Found = std::find(List.begin(), List.end(), CurControl);
  Integer Start = Found == List.end() ? (GoForward ? Count - 1 : 0) : Integer(Found - List.begin());
  Integer I = Start;
  do {
    I = GoForward ? (I + 1) % Count : (I + Count - 1) % Count;
    TWinControl* C = List[I];
    if (C->CanFocus() && (!CheckTabStop || C->FTabStop) && (!CheckParent || C->FParent == this)) return C;
  } while (I != Start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* C = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) C->SetFocus();
}

// ---- Focus -----------------------------------------------------------------------------------

bool TWinControl::CanFocus() {
  for (TControl* C = this; C; C = C->FParent)
    if (!C->FVisible || !C->FEnabled) return false;
  TWinControl* Root = GetRootParent(this);
  return Root && (Root->IsWindowRoot() || Root->FParentWindow);
}

void TWinControl::SetFocus() {
  if (!CanFocus())
    throw EInvalidOperation("Ein deaktiviertes oder unsichtbares Fenster kann nicht den Fokus erhalten");
  ::SetFocus(Handle());
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

bool TWinControl::SetFocusedControl(TWinControl* Control) {
  TWinControl* Old = FEnteredControl;
  if (Old == Control) return true;
  FEnteredControl = Control;
  if (Old)
    for (TWinControl* C = Old; C && !(Control && C->ContainsControl(Control)); C = C->FParent)
      C->Perform(CM_EXIT, 0, 0);
  std::vector<TWinControl*> Chain;
  for (TWinControl* C = Control; C && !(Old && C->ContainsControl(Old)); C = C->FParent) Chain.push_back(C);
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It)
    if (FEnteredControl == Control) (*It)->Perform(CM_ENTER, 0, 0);
  return true;
}

void TWinControl::WMSetFocus(TMessage& M) {
  TWinControl* Root = GetRootParent(this);
  if (Root && !Root->SetFocusedControl(this)) return;
  Inherited(TWinControl::StaticClass(), M);
}

void TWinControl::WMKillFocus(TMessage& M) { Inherited(TWinControl::StaticClass(), M); }

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }
void TWinControl::DoEnter() { FireEvent(OnEnter, this); }
void TWinControl::DoExit() { FireEvent(OnExit, this); }


// ---- Keys ----------------------------------------------------------------------------------

void TWinControl::KeyDown(Word& Key, TShiftState Shift) { FireEvent(OnKeyDown, this, Key, Shift); }
void TWinControl::KeyUp(Word& Key, TShiftState Shift) { FireEvent(OnKeyUp, this, Key, Shift); }
void TWinControl::KeyPress(char32_t& Key) { FireEvent(OnKeyPress, this, Key); }

namespace {
// The root that previews its children's keys, or null.
TWinControl* PreviewRoot(TWinControl* Control) {
  TWinControl* Root = GetRootParent(Control);
  return Root && Root != Control && Root->IsKeyPreview() ? Root : nullptr;
}
}  // namespace

bool TWinControl::DoKeyDown(TMessage& M) {
  if (TWinControl* Root = PreviewRoot(this))
    if (Root->DoKeyDown(M)) return true;
  if (FControlStyle.Contains(csNoStdEvents)) return false;
  Word Key = Word(M.WParam);
  KeyDown(Key, KeyDataToShiftState(M.LParam));
  M.WParam = Key;
  return Key == 0;
}

bool TWinControl::DoKeyUp(TMessage& M) {
  if (TWinControl* Root = PreviewRoot(this))
    if (Root->DoKeyUp(M)) return true;
  if (FControlStyle.Contains(csNoStdEvents)) return false;
  Word Key = Word(M.WParam);
  KeyUp(Key, KeyDataToShiftState(M.LParam));
  M.WParam = Key;
  return Key == 0;
}

bool TWinControl::DoKeyPress(TMessage& M) {
  if (TWinControl* Root = PreviewRoot(this))
    if (Root->DoKeyPress(M)) return true;
  if (FControlStyle.Contains(csNoStdEvents)) return false;
  char32_t Key = char32_t(M.WParam);
  KeyPress(Key);
  M.WParam = WPARAM(Key);
  return Key == 0;
}

void TWinControl::WMKeyDown(TMessage& M) {
  if (!DoKeyDown(M)) Inherited(TWinControl::StaticClass(), M);
}

void TWinControl::WMKeyUp(TMessage& M) {
  if (!DoKeyUp(M)) Inherited(TWinControl::StaticClass(), M);
}

void TWinControl::WMChar(TMessage& M) {
  if (!DoKeyPress(M)) Inherited(TWinControl::StaticClass(), M);
}

// A key before its dispatch: the parents may take it (CM_CHILDKEY), and
// navigation keys the control does not want go to the root as dialog keys.
void TWinControl::CNKeyDown(TMessage& M) {
  M.Result = 1;
  if (Perform(CM_CHILDKEY, M.WParam, LPARAM(this)) != 0) return;
  LRESULT Mask = 0;
  switch (M.WParam) {
    case VK_TAB: Mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: Mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_ESCAPE: case VK_CANCEL: Mask = DLGC_WANTALLKEYS; break;
    default: break;
  }
  if (Mask != 0 && Perform(CM_WANTSPECIALKEY, M.WParam, 0) == 0 && (Perform(WM_GETDLGCODE, 0, 0) & Mask) == 0) {
    TWinControl* Root = GetRootParent(this);
    if (Root && Root->Perform(CM_DIALOGKEY, M.WParam, M.LParam) != 0) return;
  }
  M.Result = 0;
}

void TWinControl::CNKeyUp(TMessage& M) {
  switch (M.WParam) {
    case VK_TAB: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_RETURN: case VK_ESCAPE:
    case VK_CANCEL:
      M.Result = Perform(CM_WANTSPECIALKEY, M.WParam, 0);
      break;
    default: break;
  }
}

void TWinControl::CNChar(TMessage& M) {
  M.Result = 1;
  bool Sys = M.Msg == CN_SYSCHAR;
  if (Sys && M.WParam == VK_SPACE) {
    M.Result = 0;
    return;
  }
  if (Sys || (Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
    TWinControl* Root = GetRootParent(this);
    if (Root && Root->Perform(CM_DIALOGCHAR, M.WParam, M.LParam) != 0) return;
  }
  M.Result = 0;
}

void TWinControl::CMDialogKey(TMessage& M) { Broadcast(M); }
void TWinControl::CMDialogChar(TMessage& M) { Broadcast(M); }

void TWinControl::CMChildKey(TMessage& M) {
  if (FParent) FParent->WindowProc(M);
}

bool IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYDOWN || Msg.message > WM_SYSCHAR) return false;
  HWND Wnd = GetCapture();
  if (!Wnd) Wnd = Msg.hwnd;
  while (Wnd && !FindControl(Wnd)) Wnd = GetParent(Wnd);
  if (!Wnd) return false;
  return SendMessage(Wnd, CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

// ---- Cursor -----------------------------------------------------------------------------------

// Over the client area the screen's cursor wins; else the cursor of the
// control under the mouse (a child without window, or this one).
void TWinControl::WMSetCursor(TMessage& M) {
  if (HWND(M.WParam) == FHandle && Integer(std::int16_t(LOWORD(std::uintptr_t(M.LParam)))) == HTCLIENT) {
    TCursor C = ScreenCursorHook ? ScreenCursorHook() : crDefault;
    if (C == crDefault) {
      TControl* Under = ControlAtPos(ScreenToClient(GetCursorPos()), false);
      if (Under) C = Under->Cursor();
      if (C == crDefault) C = FCursor;
    }
    if (C != crDefault) {
      ::SetCursor(CursorHandleHook ? CursorHandleHook(C) : DefaultCursorHandle(C));
      M.Result = 1;
      return;
    }
  }
  Inherited(TWinControl::StaticClass(), M);
}
