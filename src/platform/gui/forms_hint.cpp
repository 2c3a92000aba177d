// Hints: the hint window and the application's hint timing.
#include "platform/gui/forms.h"

RTL_IMPLEMENT_CLASS(THintWindow, TCustomControl, &ComponentFactory<THintWindow>)

namespace {
constexpr Integer HintMaxWidth = 300;
constexpr Integer HintOffsetY = 20;  // below the cursor

// The part of a hint before "|" (the long part goes to the status line).
String ShortHint(const String& Hint) {
  size_t Bar = Hint.find('|');
  return Bar == String::npos ? Hint : Hint.substr(0, Bar);
}
}  // namespace

// ---- THintWindow --------------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  FVisible = false;
  FParentColor = false;
  SetColor(clInfoBk);
  Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
}

TRect THintWindow::CalcHintRect(Integer MaxWidth, const String& AHint) {
  TBitmap Measure;
  Measure.SetSize(1, 1);
  Measure.Canvas()->SetFont(Font());
  TRect R = Rect(0, 0, MaxWidth, 0);
  DrawText(*Measure.Canvas(), AHint, R, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  R.Right += 6;
  R.Bottom += 4;
  return R;
}

void THintWindow::ActivateHint(const TRect& Rect, const String& AHint) {
  SetCaption(AHint);
  FActive = true;
  SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  SetVisible(true);
  Invalidate();
}

void THintWindow::ReleaseHandle() {
  FActive = false;
  SetVisible(false);
}

void THintWindow::Paint() {
  TCanvas* C = Canvas();
  C->Brush()->SetColor(Color());
  C->FillRect(ClientRect());
  C->SetFont(Font());
  C->SetBkMode(TRANSPARENT);
  TRect R = ClientRect();
  R.Left += 2;
  R.Top += 2;
  DrawText(*C, Caption(), R, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// ---- Application hints --------------------------------------------------------------------------

void TApplication::SetShowHint(bool V) {
  FShowHint = V;
  if (!V) CancelHint();
}

bool TApplication::ActivateHint(const TPoint& Pos) {
  StopHintTimer();
  TControl* Control = FindDragTarget(Pos, false);
  if (!FShowHint || !Control || !Control->ShowHint()) return false;
  SetHintControl(Control);
  THintInfo Info;
  Info.HintControl = Control;
  Info.CursorPos = Control->ScreenToClient(Pos);
  Info.HintStr = ShortHint(Control->Hint());
  Info.HintMaxWidth = HintMaxWidth;
  Info.HintColor = FHintColor;
  Info.HideTimeout = FHintHidePause;
  Info.CursorRect = Control->ClientRect();
  Info.HintPos = Point(Pos.X, Pos.Y + HintOffsetY);
  bool Cancelled = Control->Perform(CM_HINTSHOW, 0, LPARAM(&Info)) != 0;
  // Even a refused hint is not asked for again while the mouse stays there.
  TPoint TopLeft = Control->ClientToScreen(Point(Info.CursorRect.Left, Info.CursorRect.Top));
  FHintCursorRect = Bounds(TopLeft.X, TopLeft.Y, Info.CursorRect.Width(), Info.CursorRect.Height());
  if (Cancelled || Info.HintStr.empty()) return false;
  if (!FHintWindow) FHintWindow = new THintWindow(this);
  FHintWindow->SetColor(Info.HintColor);
  TRect R = FHintWindow->CalcHintRect(Info.HintMaxWidth, Info.HintStr);
  OffsetRect(R, Info.HintPos.X, Info.HintPos.Y);
  FHintWindow->ActivateHint(R, Info.HintStr);
  FHintActive = true;
  FireEvent(OnHint, this);
  if (Info.HideTimeout > 0) StartHintTimer(Info.HideTimeout, false);
  return true;
}

void TApplication::CancelHint() {
  StopHintTimer();
  FHintActive = false;
  HideHintWindow();
}

void TApplication::HideHintWindow() {
  if (FHintWindow && FHintWindow->HintShowing()) FHintWindow->ReleaseHandle();
}

void TApplication::SetHintControl(TControl* Control) {
  if (Control == FHintControl) return;
  if (FHintControl) FHintControl->RemoveFreeNotification(this);
  FHintControl = Control;
  // Told when the control goes, so that no stale pointer is compared.
  if (Control) Control->FreeNotification(this);
}

void TApplication::StartHintTimer(Integer Ms, bool Show) {
  StopHintTimer();
  FHintTimer = SetTimer(nullptr, 0, UINT(Ms), [this, Show](HWND, UINT, std::uintptr_t, DWORD) {
    StopHintTimer();
    if (Show) ActivateHint(GetCursorPos());
    else CancelHint();
  });
}

void TApplication::StopHintTimer() {
  if (FHintTimer) KillTimer(nullptr, FHintTimer);
  FHintTimer = 0;
}

void TApplication::HintMouseMessage(const MSG& Msg) {
  TControl* Control = FindDragTarget(Msg.pt, false);
  // A hint shown in place (over the cut cell it completes) lies under the
  // pointer: the pointer is still on the cell, and cancelling there would
  // hide the hint as soon as it shows.
  if (Control && Control == FHintWindow) return;
  if (!Control || !Control->ShowHint() || !FShowHint) {
    CancelHint();
    SetHintControl(Control);
    return;
  }
  if (Control == FHintControl && PtInRect(FHintCursorRect, Msg.pt)) return;
  // A new control, or another part (cell) of the same one: ask again, soon
  // when a hint was showing.
  bool WasActive = FHintActive && FHintWindow && FHintWindow->HintShowing();
  HideHintWindow();
  StopHintTimer();
  FHintActive = WasActive;
  FHintCursorRect = TRect{};
  SetHintControl(Control);
  StartHintTimer(WasActive ? FHintShortPause : FHintPause, true);
}

bool TApplication::IsHintMsg(const MSG& Msg) {
  switch (Msg.message) {
    case WM_MOUSEMOVE:
      HintMouseMessage(Msg);
      break;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_LBUTTONDOWN: case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: case WM_ACTIVATE: case WM_NCLBUTTONDOWN:
      CancelHint();
      break;
    default:
      break;
  }
  return false;
}
