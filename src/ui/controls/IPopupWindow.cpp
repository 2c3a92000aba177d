// The grid family's popups: placement twins of the choice popups, the
// clip popup with its frame, rubber-frame move and size, and the grid's
// marked-rows popup.
#include "ui/controls/IPopupWindow.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gui/desktop_overlay.h"
#include "platform/gui/forms.h"
#include "platform/gui/grids.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/IEditTools.h"

RTL_IMPLEMENT_CLASS(TI_PopupWindow, TEcPopupWindow, &ComponentFactory<TI_PopupWindow>)
RTL_IMPLEMENT_CLASS(TI_MessageWindow, TEcMessageWindow, &ComponentFactory<TI_MessageWindow>)
RTL_IMPLEMENT_CLASS(TI_AssistButton, TI_EditButton, nullptr)
RTL_IMPLEMENT_CLASS(TI_ClipPopup, TI_PopupWindow, &ComponentFactory<TI_ClipPopup>)
RTL_IMPLEMENT_CLASS(TDBClipPopup, TI_ClipPopup, &ComponentFactory<TDBClipPopup>)

namespace {
constexpr TColor DisabledHintColor = TColor(0xD5D5D5);
constexpr Integer KeyMoveStep = 10;
constexpr Integer GripWidth = 14, GripHeight = 13;
}  // namespace

// ---- TI_PopupWindow ---------------------------------------------------------------------------------

TI_PopupWindow::TI_PopupWindow(TComponent* AOwner) : TEcPopupWindow(AOwner) {}

void TI_PopupWindow::SetPlacementBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  SetPlacementRect(Bounds(ALeft, ATop, AWidth, AHeight));
  if (FPopupShowing) Popup();
}

// Without owner only the bottom is kept on the screen.
void TI_PopupWindow::Popup() {
  if (FOwnerControl || !FKeepOnScreen) return TEcPopupWindow::Popup();
  TRect R = FPlacementRect;
  Integer Top = R.Top, H = Height();
  Integer ScreenH = GetSystemMetrics(SM_CYSCREEN);
  if (Top + H > ScreenH) Top = ScreenH - H;
  CalcPopupPlacement(this, 0, Bounds(R.Left, Top, Width(), H), nullptr, false);
  FPopupShowing = true;
}

void TI_PopupWindow::HidePopup() {
  if (HandleAllocated()) TEcPopupWindow::HidePopup();
}

// ---- TI_MessageWindow --------------------------------------------------------------------------------

RTL_MESSAGE_MAP(TI_MessageWindow) { M.On(WM_TIMER, &TI_MessageWindow::WMTimer); }

TI_MessageWindow::TI_MessageWindow(TComponent* AOwner) : TEcMessageWindow(AOwner) {}

// Kind 1 carries the grid family's own invalid-value icon; the balloon
// shows it as an icon of its own (the choice popups' kind 2).
void TI_MessageWindow::SetKind(Byte V) {
  FKind = V;
  if (V != 1) return TEcMessageWindow::SetKind(V);
  BeginUpdate();
  TBitmap Icon;
  LoadBitmapResource(&Icon, "I_MV_INVALIDVALUE");
  TEcMessageWindow::SetKind(2);
  SetIcon(&Icon);
  SetShowIcon(true);
  SetColor(BalloonColor);
  EndUpdate();
}

void TI_MessageWindow::SetIcon(TBitmap* V) {
  if (!V || V == Icon()) return;
  BeginUpdate();
  TEcMessageWindow::SetIcon(V);
  SetShowIcon(true);
  EndUpdate();
}

void TI_MessageWindow::HidePopup() {
  if (HandleAllocated()) TEcMessageWindow::HidePopup();
}

// At the end of the display time a balloon without windowed owner hides,
// and its parent repaints at once so that no trace stays behind.
void TI_MessageWindow::WMTimer(TMessage& M) {
  auto* Owner = dynamic_cast<TWinControl*>(FOwnerControl);
  if (Owner && Owner->HandleAllocated()) return Inherited(TI_MessageWindow::StaticClass(), M);
  Inherited(TI_MessageWindow::StaticClass(), M);
  if (FOwnerControl && FOwnerControl->Parent()) FOwnerControl->Parent()->Repaint();
}

// ---- TI_AssistButton ------------------------------------------------------------------------------------

TI_AssistButton::TI_AssistButton(TWinControl* AOwner) : TI_EditButton(AOwner) {
  ButtonStyle = 1;
  Color = clWhite;
}

void TI_AssistButton::PrepareCanvas(TCanvas* Canvas) {
  TI_EditButton::PrepareCanvas(Canvas);
  bool Lit = State() == bsDown || State() == bsHot;
  Canvas->Brush()->SetColor(Lit ? clHighlight : Color);
  Canvas->Font()->SetColor(Lit ? clHighlightText : clBtnText);
}

// A one-pixel face-coloured line around a one-pixel shadow line.
void TI_AssistButton::PaintFrame(TCanvas* Canvas, const TRect& R) {
  TRect F = R;
  Canvas->Brush()->SetColor(clBtnFace);
  Canvas->FrameRect(F);
  InflateRect(F, -1, -1);
  Canvas->Brush()->SetColor(clBtnShadow);
  Canvas->FrameRect(F);
}

// ---- TI_ClipPopup ------------------------------------------------------------------------------------------

RTL_MESSAGE_MAP(TI_ClipPopup) {
  M.On(WM_NCCALCSIZE, &TI_ClipPopup::WMNCCalcSize);
  M.On(WM_NCPAINT, &TI_ClipPopup::WMNCPaint);
  M.On(WM_NCHITTEST, &TI_ClipPopup::WMNCHitTest);
  M.On(WM_NCLBUTTONDOWN, &TI_ClipPopup::WMNCLButtonDown);
  M.On(WM_SETCURSOR, &TI_ClipPopup::WMSetCursor);
  M.On(ICM_SETPLACEMENT, &TI_ClipPopup::ICMSetPlacement);
  M.On(WM_ACTIVATE, &TI_ClipPopup::WMActivate);
}

// While the popup is the active window its form keeps an active caption;
// when the popup goes, the caption follows unless the form itself is the
// window that becomes active.
void TI_ClipPopup::WMActivate(TMessage& M) {
  Inherited(TI_ClipPopup::StaticClass(), M);
  TCustomForm* Form = GetParentForm(this);
  if (!Form || !Form->HandleAllocated()) return;
  bool Active = LOWORD(M.WParam) != WA_INACTIVE;
  if (Active || HWND(M.LParam) != Form->Handle()) SendMessage(Form->Handle(), WM_NCACTIVATE, Active, 0);
}

TI_ClipPopup::TI_ClipPopup(TComponent* AOwner)
    : TI_PopupWindow(AOwner), FButtons(std::make_unique<TI_EditButtons>(this)) {
  FButtons->SetDefaultColor(clBtnFace);
}

TI_ClipPopup::~TI_ClipPopup() { FButtons.reset(); }

void TI_ClipPopup::CreateWnd() {
  TI_PopupWindow::CreateWnd();
  FButtons->Subclass();
}

void TI_ClipPopup::SetClipOptions(Byte V) {
  FClipOptions = V;
  if (HandleAllocated()) SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE |
                                                                         SWP_NOZORDER | SWP_NOACTIVATE);
}

void TI_ClipPopup::SetClipBorderStyle(Byte V) {
  FBorderStyle = V;
  SetClipOptions(FClipOptions);
}

TRect TI_ClipPopup::Insets() const {
  Integer F = FBorderStyle == 2 ? 2 : FBorderStyle == 1 ? 1 : 0;
  TRect I = Rect(F, F, F, F);
  if (FBorderStyle == 2) {
    if (FClipOptions & coCaption) I.Top = 14;
    if (FClipOptions & coSizeGrip) I.Bottom = 17;
  }
  return I;
}

void TI_ClipPopup::WMNCCalcSize(TMessage& M) {
  auto* P = reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam);
  if (!P) return;
  TRect I = Insets();
  TRect& R = P->rgrc[0];
  R = Rect(R.Left + I.Left, R.Top + I.Top, R.Right - I.Right, R.Bottom - I.Bottom);
  M.Result = 0;
}

void TI_ClipPopup::PaintFrame(TCanvas* DC) {
  TRect R = Rect(0, 0, Width(), Height());
  if (FBorderStyle == 1) {
    DC->Brush()->SetColor(clBlack);
    DC->FrameRect(R);
  } else if (FBorderStyle == 2) {
    TRect E = R;
    DrawEdge(*DC, E, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
    DrawEdge(*DC, E, BDR_SUNKENOUTER, BF_LEFT | BF_TOP);
    DrawEdge(*DC, E, BDR_RAISEDINNER, BF_RECT);
  }
  TRect I = Insets();
  if (FClipOptions & coCaption && FBorderStyle == 2) {
    TRect Bar = Rect(2, 2, Width() - 2, I.Top);
    DC->Brush()->SetColor(clBtnFace);
    DC->FillRect(Bar);
    GradientFill(DC, clActiveCaption, clGradientActiveCaption, gdHorizontal, Bar, 20);
    DC->Font()->Assign(Font());
    DC->Font()->SetColor(clCaptionText);
    DC->SetBkMode(TRANSPARENT);
    TRect T = Bar;
    T.Left += 2;
    DrawText(*DC, Caption(), T, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  if (FClipOptions & coSizeGrip && FBorderStyle == 2) {
    TRect Row = Rect(2, Height() - I.Bottom, Width() - 2, Height() - 2);
    DC->Brush()->SetColor(clBtnFace);
    DC->FillRect(Row);
    TBitmap Grip;
    if (LoadBitmapResource(&Grip, "I_BTNSIZE"))
      DrawTransparent(DC, &Grip,
                      Bounds(Width() - 2 - Grip.Width(), Height() - 2 - Grip.Height(), Grip.Width(), Grip.Height()),
                      true, false);
  }
}

void TI_ClipPopup::WMNCPaint(TMessage&) {
  if (!HandleAllocated()) return;
  TCanvas* DC = GetWindowDC(Handle());
  if (!DC) return;
  PaintFrame(DC);
  ReleaseDC(Handle(), DC);
}

Byte TI_ClipPopup::ZoneAt(TPoint P) {
  TRect I = Insets();
  bool Grip = FClipOptions & coSizeGrip;
  if (FClipOptions & coCaption && P.Y < I.Top && P.Y >= FrameWidth()) return hzCaption;
  if (Grip && P.X >= Width() - GripWidth && P.Y >= Height() - GripHeight) return hzSizeGrip;
  if (Grip && P.Y >= Height() - GripHeight) return hzGripRow;
  TPoint Screen = ClientToScreen(Point(P.X - I.Left, P.Y - I.Top));
  if (FButtons->ButtonAt(Screen.X, Screen.Y)) return hzButton;
  if (P.X >= I.Left && P.Y >= I.Top && P.X < Width() - I.Right && P.Y < Height() - I.Bottom) return hzClient;
  return hzElsewhere;
}

void TI_ClipPopup::WMNCHitTest(TMessage& M) {
  TPoint Screen = Point(short(LOWORD(M.LParam)), short(HIWORD(M.LParam)));
  TRect W = GetWindowRect(Handle());
  FHitZone = ZoneAt(Point(Screen.X - W.Left, Screen.Y - W.Top));
  switch (FHitZone) {
    case hzCaption: case hzGripRow: M.Result = HTBORDER; break;
    case hzSizeGrip: M.Result = HTBOTTOMRIGHT; break;
    case hzClient: case hzButton: M.Result = HTCLIENT; break;
    default: M.Result = HTBORDER; break;
  }
}

void TI_ClipPopup::WMSetCursor(TMessage& M) {
  if (FHitZone == hzClient) return Inherited(TI_ClipPopup::StaticClass(), M);
  ::SetCursor(DefaultCursorHandle(FHitZone == hzSizeGrip ? crSizeNWSE : crArrow));
  M.Result = 1;
}

void TI_ClipPopup::WMNCLButtonDown(TMessage& M) {
  TPoint P = Point(short(LOWORD(M.LParam)), short(HIWORD(M.LParam)));
  if (FHitZone == hzSizeGrip) TrackRubberFrame(true, P);
  else if (FHitZone == hzCaption) TrackRubberFrame(false, P);
  else Inherited(TI_ClipPopup::StaticClass(), M);
}

void TI_ClipPopup::ICMSetPlacement(TMessage& M) { SetPlacement(Byte(M.WParam)); }

void TI_ClipPopup::Popup() {
  for (Integer I = 0; I < FButtons->Count(); ++I) FButtons->Items(I)->ResetState(false);
  if (HandleAllocated()) SetCapture(Handle());
  TI_PopupWindow::Popup();
}

void TI_ClipPopup::KeyDown(Word& Key, TShiftState Shift) {
  TI_PopupWindow::KeyDown(Key, Shift);
  if (!(FClipOptions & coCaption) || !Shift.Contains(ssCtrl)) return;
  Integer DX = Key == VK_LEFT ? -KeyMoveStep : Key == VK_RIGHT ? KeyMoveStep : 0;
  Integer DY = Key == VK_UP ? -KeyMoveStep : Key == VK_DOWN ? KeyMoveStep : 0;
  if (DX == 0 && DY == 0) return;
  SetBounds(Left() + DX, Top() + DY, Width(), Height());
  Key = 0;
}

TRect TI_ClipPopup::RubberRect(bool Sizing, TPoint Start, TPoint P) const {
  TRect R = FPlacementRect;
  if (R.IsEmpty()) R = Bounds(Left(), Top(), Width(), Height());
  Integer DX = P.X - Start.X, DY = P.Y - Start.Y;
  if (!Sizing) {
    OffsetRect(R, DX, DY);
    return R;
  }
  R.Right += DX;
  Integer Step = std::max<Integer>(1, RowHeight);
  // Vertical movement counts once it reaches half a row, then in whole rows.
  Integer Rows = DY >= 0 ? (DY + Step / 2) / Step : -((-DY + Step / 2) / Step);
  R.Bottom += Rows * Step;
  if (R.Right < R.Left + 20) R.Right = R.Left + 20;
  if (R.Bottom < R.Top + Insets().Top + Insets().Bottom + Step) R.Bottom = R.Top + Insets().Top + Insets().Bottom + Step;
  return R;
}

bool TI_ClipPopup::TrackRubberFrame(bool Sizing, TPoint Start) {
  if (!HandleAllocated()) return false;
  TRect Original = Bounds(Left(), Top(), Width(), Height());
  TRect Shown = Original;
  // The parent paints nothing while the frame is on the screen.
  HWND Held = Parent() && Parent()->HandleAllocated() && LockWindowUpdate(Parent()->Handle()) ? Parent()->Handle()
                                                                                                : nullptr;
  Integer BaseBottom = RubberRect(Sizing, Start, Start).Bottom;
  TCanvas* DC = GetDesktopDC();
  auto* Hint = new TI_MessageWindow(this);
  Hint->AutoHide = false;
  Hint->SetPlacement(3);
  SetCapture(Handle());
  DrawRubberFrame(DC, nullptr, &Shown, 2);
  ReleaseDesktopDC(DC);
  bool Commit = false, Done = false;
  auto Update = [&](TPoint P) {
    TRect R = RubberRect(Sizing, Start, P);
    // Sizing moves the bottom in whole rows; the mouse goes where it snapped.
    Integer SnappedY = Start.Y + R.Bottom - BaseBottom;
    if (Sizing && R.Bottom != Shown.Bottom && P.Y != SnappedY) SetCursorPos(P.X, SnappedY);
    if (R == Shown) return;
    TCanvas* D = GetDesktopDC();
    DrawRubberFrame(D, &Shown, &R, 2);
    ReleaseDesktopDC(D);
    Shown = R;
    Hint->SetCaption(Sizing ? Format("%d x %d", {Shown.Width(), Shown.Height()})
                            : Format("%d, %d", {Shown.Left, Shown.Top}));
    Hint->SetPlacementRect(Bounds(Shown.Left + 4, Shown.Top + 4, Hint->Width(), Hint->Height()));
    Hint->SetPlacement(0);
    Hint->Popup();
  };
  MSG Msg;
  while (!Done && GetCapture() == Handle() && GetMessage(Msg)) {
    switch (Msg.message) {
      case WM_MOUSEMOVE: Update(Msg.pt); break;
      case WM_LBUTTONUP: Update(Msg.pt); Commit = Done = true; break;
      case WM_KEYDOWN: case WM_KEYUP:
        if (Msg.wParam == VK_ESCAPE) Done = true;
        break;
      case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: Done = true; break;
      case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_MBUTTONDOWN: case WM_MBUTTONUP:
      case WM_SYSKEYDOWN: case WM_SYSKEYUP: case WM_CHAR:
        break;
      case WM_QUIT:
        PostQuitMessage(int(Msg.wParam));
        Done = true;
        break;
      default:
        TranslateMessage(Msg);
        DispatchMessage(Msg);
    }
  }
  if (GetCapture() == Handle()) ReleaseCapture();
  DC = GetDesktopDC();
  DrawRubberFrame(DC, &Shown, nullptr, 2);
  ReleaseDesktopDC(DC);
  if (Held) LockWindowUpdate(nullptr);
  Hint->Free();
  if (!Commit || Shown == Original) return false;
  Perform(ICM_SETPLACEMENT, 0, 0);
  SetPlacementRect(Shown);
  SetBounds(Shown.Left, Shown.Top, Shown.Width(), Shown.Height());
  return true;
}

// ---- TDBClipPopup -----------------------------------------------------------------------------------------

TDBClipPopup::TDBClipPopup(TComponent* AOwner) : TI_ClipPopup(AOwner) {
  SetPlacement(3);
  if (auto* Grid = dynamic_cast<TCustomGrid*>(AOwner)) {
    TRect First = Grid->CellRect(0, 0);
    SetPlacementRect(Bounds(First.Left, First.Bottom, Width(), Height()));
  }
  SetColor(clBtnFace);
  FBorderStyle = 2;
  Font()->SetSize(8);
}

TI_AssistButton* TDBClipPopup::AddButton(const String& Name, const String& GlyphName, Integer Col, Integer Row,
                                         const String& Caption) {
  auto* B = FButtons->Add<TI_AssistButton>();
  B->Name = Name;
  B->Left = Col * CellSize + 3;
  B->Top = CaptionHeight() + 3 + Row * CellSize;
  B->Width = B->Height = CellSize;
  B->WindowCoordinates = true;
  B->Color = clWhite;
  TBitmap Glyph;
  if (LoadBitmapResource(&Glyph, GlyphName)) B->SetGlyph(&Glyph);
  B->ShowCaption = false;
  B->Hint = Caption;
  B->OnHotChange = [this](TObject* Sender, bool Leaving) { ShowFooterHint(static_cast<TI_EditButton*>(Sender), Leaving); };
  B->OnClick = [this](TObject* Sender) { FireEvent(OnClick, Sender); };
  FMaxCol = std::max(FMaxCol, Col);
  FMaxRow = std::max(FMaxRow, Row);
  Integer W = (FMaxCol + 1) * CellSize + 6;
  Integer H = CaptionHeight() + 6 + (FMaxRow + 1) * CellSize + 2 + FooterHeight;
  SetBounds(Left(), Top(), W, H);
  return B;
}

void TDBClipPopup::FillMarkedRowList(const std::vector<String>& Marks, Integer HighIndex) {
  FButtons->Clear();
  FMaxRow = FMaxCol = -1;
  if (HighIndex < 0) {
    AddButton("#goto", "I_DBQUERY", 0, 0, "Leer");
    return;
  }
  AddButton("#goto", "I_DBQUERY", 0, 0, "Löschen");
  for (Integer I = 0; I <= HighIndex && I < Integer(Marks.size()); ++I)
    AddButton("#Goto" + IntToStr(I), "I_DBFIND", I + 1, 0, Marks[size_t(I)]);
}

void TDBClipPopup::ShowFooterHint(TI_EditButton* Button, bool Leaving) {
  FFooterText = Leaving || !Button ? String() : Button->Hint;
  FFooterEnabled = !Button || Button->Enabled();
  Invalidate();
}

// The footer, 2 pixels in below the buttons: the hot button's hint,
// centred, grey when the button is disabled.
void TDBClipPopup::Paint() {
  TCanvas* C = Canvas();
  TRect Client = ClientRect();
  C->Brush()->SetColor(Color());
  C->FillRect(Client);
  TRect Footer = Rect(0, Client.Bottom - FooterHeight, Client.Right, Client.Bottom);
  TRect Edge = Footer;
  DrawEdge(*C, Edge, BDR_SUNKENOUTER, BF_RECT);
  if (FFooterText.empty()) return;
  InflateRect(Footer, -2, -2);
  C->SetFont(Font());
  C->Font()->SetColor(FFooterEnabled ? Font()->Color() : DisabledHintColor);
  C->SetBkMode(TRANSPARENT);
  DrawText(*C, FFooterText, Footer, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}
