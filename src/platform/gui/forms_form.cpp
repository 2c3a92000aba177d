// TCustomForm: construction, showing and hiding, closing, placement,
// painting and the form's window.
#include "platform/gui/classhooks.h"
#include "platform/gui/forms.h"
#include "platform/gui/reader.h"
#include "platform/gui/resources.h"
#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TCustomForm, TWinControl, &FormFactory<TCustomForm>)
RTL_IMPLEMENT_CLASS(TForm, TCustomForm, &FormFactory<TForm>)

TCustomForm* GetParentForm(TControl* Control) {
  TWinControl* Root = GetRootParent(Control);
  return Root && Root->Is<TCustomForm>() ? static_cast<TCustomForm*>(Root) : nullptr;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) { InitForm(); }

TCustomForm::TCustomForm(TComponent* AOwner, int) : TWinControl(AOwner) {
  FNeedsDescription = false;
  InitForm();
}

void TCustomForm::InitForm() {
  FFormState.Include(fsCreating);
  FVisible = false;
  FParentColor = false;
  FParentFont = false;
  FColor = clBtnFace;
  FBrush->SetColor(FColor);
  FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FControlState.Include(csCustomPaint);  // OnPaint runs even without children
  FLeft = 0;
  FTop = 0;
  FWidth = 320;
  FHeight = 240;
  FIcon = std::make_unique<TIcon>();
  FCanvas = std::make_unique<TControlCanvas>(this);
  FPixelsPerInch = Screen->PixelsPerInch();
  Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (TScreen* S = TScreenRef::Get()) S->RemoveForm(this);
  if (TApplication* A = TApplicationRef::Get(); A && A->MainForm() == this) A->SetMainForm(nullptr);
}

void TCustomForm::AfterConstruction() {
  if (FConstructed) return;
  FConstructed = true;
  if (FNeedsDescription) ReadDescription();
  FFormState.Exclude(fsCreating);
  DoCreate();
  // A description that made the form visible shows it now.
  if (Visible()) Perform(CM_VISIBLECHANGED, 1, 0);
}

void TCustomForm::CMVisibleChanged(TMessage& M) {
  if (FFormState.Contains(fsCreating)) return;  // shown once created
  Inherited(TCustomForm::StaticClass(), M);
}

void TCustomForm::ReadDescription() {
  if (ClassType() == TForm::StaticClass() || ClassType() == TCustomForm::StaticClass()) return;
  if (!InitInheritedComponent(this, TForm::StaticClass()))
    throw EResNotFound("Ressource " + ClassName() + " nicht gefunden");
}

void TCustomForm::DestroyForm() {
  DoDestroy();
  Free();
}

void TCustomForm::DoCreate() { FireEvent(OnCreate, this); }

void TCustomForm::DoDestroy() {
  if (FDestroyFired) return;
  FDestroyFired = true;
  FireEvent(OnDestroy, this);
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  if (FScaled && FPixelsPerInch != Screen->PixelsPerInch() && FPixelsPerInch > 0) {
    Integer Target = Screen->PixelsPerInch();
    ScaleBy(Target, FPixelsPerInch);
    FPixelsPerInch = Target;
  }
  if (FActiveControl && !ContainsControl(FActiveControl)) FActiveControl = nullptr;
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FActiveControl) FActiveControl = nullptr;
  if (AComponent == FFocusedControl) FFocusedControl = nullptr;
  if (AComponent == Screen->ActiveControl()) Screen->SetFocusedControl(this, nullptr);
}

// ---- Window ---------------------------------------------------------------------------

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style &= ~DWORD(WS_CHILD);
  Params.WndParent = ParentWindow();
  switch (FBorderStyle) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: case bsToolWindow: Params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: case bsSizeToolWin: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION;
      Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin) Params.ExStyle |= WS_EX_TOOLWINDOW;
  if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
    Params.Style |= WS_SYSMENU;
    if (FBorderStyle != bsDialog && FBorderIcons.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
    if (FBorderStyle != bsDialog && FBorderIcons.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
  }
  if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  Params.Style &= ~DWORD(WS_VISIBLE);
  if (const TFormParamsHook& Hook = FormParamsHook()) Hook(*this, Params);
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  SetWindowText(Handle(), Caption());
}

void TCustomForm::SetBorderStyle(TFormBorderStyle V) {
  if (V == FBorderStyle) return;
  FBorderStyle = V;
  if (HandleAllocated() && !ComponentState().Contains(csLoading)) RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons V) {
  if (V == FBorderIcons) return;
  FBorderIcons = V;
  if (HandleAllocated() && !ComponentState().Contains(csLoading)) RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle V) {
  if (V == FFormStyle) return;
  FFormStyle = V;
  if (HandleAllocated())
    SetWindowPos(Handle(), V == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState V) {
  if (V == FWindowState) return;
  FWindowState = V;
  if (!HandleAllocated() || !Showing()) return;
  static const int Cmd[] = {SW_RESTORE, SW_MINIMIZE, SW_SHOWMAXIMIZED};
  ShowWindow(Handle(), Cmd[V]);
}

void TCustomForm::SetIcon(TIcon* V) {
  if (V) FIcon->Assign(V);
}

TMonitor* TCustomForm::Monitor() { return Screen->MonitorFromRect(BoundsRect()); }

// ---- Painting -------------------------------------------------------------------------

void TCustomForm::PaintWindow(TCanvas& DC) {
  // DC is the form's Canvas for the length of Paint, with the form's tools.
  struct TLend {
    TCustomForm& F;
    TCanvas& DC;
    TLend(TCustomForm& AF, TCanvas& ADC) : F(AF), DC(ADC) {
      F.FCanvas->Lend(DC);
      F.FPaintDC = &DC;
    }
    ~TLend() {
      F.FPaintDC = nullptr;
      F.FCanvas->Return(DC);
    }
  } Lend(*this, DC);
  Paint();
}

void TCustomForm::Paint() { FireEvent(OnPaint, this); }

// ---- Showing ---------------------------------------------------------------------------

void TCustomForm::Show() {
  AfterConstruction();
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::BringToFront() {
  if (!HandleAllocated() || !Showing()) return;
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetActiveWindow(Handle());
}

void TCustomForm::DoShow() { FireEvent(OnShow, this); }
void TCustomForm::DoHide() { FireEvent(OnHide, this); }

void TCustomForm::CMShowingChanged(TMessage&) {
  if (Showing()) {
    FFormState.Include(fsShowing);
    try {
      DoShow();
    } catch (...) {
      FFormState.Exclude(fsShowing);
      throw;
    }
    FFormState.Exclude(fsShowing);
    if (!FPlaced) PlaceWindow();
    static const int Cmd[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(Handle(), Cmd[FWindowState]);
    FFormState.Include(fsVisible);
    // A form activated from its OnShow was still hidden then, so its
    // active control could not take the focus: it takes it now.
    if (FActive && !GetFocus()) SetWindowFocus();
  } else {
    FFormState.Exclude(fsVisible);
    DoHide();
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    if (FActive) Deactivate();
  }
}

// The rectangle the form is centred in for Position, or an empty one.
static TRect CentreArea(TCustomForm* Form, TPosition Position) {
  TCustomForm* Other = nullptr;
  if (Position == poMainFormCenter) Other = Application->MainForm();
  if (Position == poOwnerFormCenter) Other = dynamic_cast<TCustomForm*>(Form->Owner());
  if (Other == Form || (Other && !Other->Visible())) Other = nullptr;
  if (Other) return Other->BoundsRect();
  if (Position == poScreenCenter || Position == poMainFormCenter || Position == poOwnerFormCenter)
    return Rect(0, 0, Screen->Width(), Screen->Height());
  if (Position == poDesktopCenter) return Screen->DesktopRect();
  return TRect{};
}

void TCustomForm::PlaceWindow() {
  FPlaced = true;
  TRect Area = CentreArea(this, FPosition);
  if (Area.IsEmpty()) return;
  SetBounds(Area.Left + (Area.Width() - Width()) / 2, Area.Top + (Area.Height() - Height()) / 2, Width(),
            Height());
}

// ---- Closing ------------------------------------------------------------------------------

bool TCustomForm::CloseQuery() {
  bool CanClose = true;
  FireEvent(OnCloseQuery, this, CanClose);
  return CanClose;
}

void TCustomForm::DoClose(TCloseAction& Action) { FireEvent(OnClose, this, Action); }

void TCustomForm::Close() {
  if (FFormState.Contains(fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction Action = caHide;
  DoClose(Action);
  if (Action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
    if (Action != caFree) Hide();
    return;
  }
  if (Action == caHide) Hide();
  else if (Action == caMinimize) SetWindowState(wsMinimized);
  else if (Action == caFree) Release();
}

void TCustomForm::Release() {
  if (HandleAllocated()) PostMessage(Handle(), CM_RELEASE, 0, 0);
  else DestroyForm();
}

void TCustomForm::CMRelease(TMessage&) { DestroyForm(); }

void TCustomForm::WMClose(TMessage&) { Close(); }

// ---- Message map and published properties ---------------------------------------------

RTL_MESSAGE_MAP(TCustomForm) {
  M.On(CM_SHOWINGCHANGED, &TCustomForm::CMShowingChanged);
  M.On(CM_VISIBLECHANGED, &TCustomForm::CMVisibleChanged);
  M.On(CM_RELEASE, &TCustomForm::CMRelease);
  M.On(CM_ACTIVATE, &TCustomForm::CMActivate);
  M.On(CM_DEACTIVATE, &TCustomForm::CMDeactivate);
  M.On(WM_CLOSE, &TCustomForm::WMClose);
  M.On(WM_ACTIVATE, &TCustomForm::WMActivate);
  M.On(WM_SETFOCUS, &TCustomForm::WMSetFocus);
  M.On(CM_DIALOGKEY, &TCustomForm::CMDialogKey);
}

RTL_PUBLISHED(TCustomForm) {
  P.Prop("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  P.Prop("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
      .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  P.Prop("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
  P.Prop("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  P.Prop("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon);
  P.Prop("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  P.Prop("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch);
  P.Prop("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDefaultPosOnly);
  P.Prop("Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled).Default(true);
  P.Prop("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
  P.Prop("ModalResult", &TCustomForm::ModalResult, &TCustomForm::SetModalResult).Stored(false);
  // Written by the designer of the original; accepted and ignored.
  P.Prop("OldCreateOrder", [](TCustomForm*) { return false; }, [](TCustomForm*, bool) {}).Stored(false);
  P.Prop("TextHeight", [](TCustomForm*) { return Integer(13); }, [](TCustomForm*, Integer) {}).Stored(false);
  P.Field("OnCreate", &TCustomForm::OnCreate);
  P.Field("OnDestroy", &TCustomForm::OnDestroy);
  P.Field("OnShow", &TCustomForm::OnShow);
  P.Field("OnHide", &TCustomForm::OnHide);
  P.Field("OnActivate", &TCustomForm::OnActivate);
  P.Field("OnDeactivate", &TCustomForm::OnDeactivate);
  P.Field("OnPaint", &TCustomForm::OnPaint);
  P.Field("OnClose", &TCustomForm::OnClose);
  P.Field("OnCloseQuery", &TCustomForm::OnCloseQuery);
}

[[maybe_unused]] static const bool FormClassesRegistered =
    (RegisterClasses({TCustomForm::StaticClass(), TForm::StaticClass()}), true);
