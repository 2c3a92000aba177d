// TCustomForm and TForm: the top-level windows of the visual class library.
//
// A form is a root control (its window is a top-level window) owned,
// usually, by the application. It is created hidden. Show makes it
// visible and active; ShowModal runs a nested message loop with every
// other form disabled until ModalResult becomes non-zero; Close asks
// OnCloseQuery, then OnClose decides what happens (hide, free, minimise
// or nothing). Closing the application's main form ends the application.
//
// Construction: the plain constructor TCustomForm(AOwner) stands for a
// form that has a description: the description resource named after the
// most derived class (RT_RCDATA, "TFSYNC" for TFsync) is read in
// AfterConstruction, after every C++ constructor has run, and OnCreate
// follows. Creating a form through the class registry, CreateForm or
// NewForm runs AfterConstruction at once; a form made with plain new runs
// it at the latest when it is shown. CreateNew(AOwner) makes a form
// without description (AfterConstruction then only fires OnCreate).
//
// OnDestroy runs when the form is freed through Release, a close with
// caFree, DestroyForm or the application's shutdown, while the whole
// object still exists; a plain delete runs only the destructors.
//
// Thread safety: none; forms belong to the GUI thread.
#pragma once

#include "platform/gui/controls.h"

class TScreen;
class TApplication;
class TMonitor;

RTL_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin);
RTL_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp);
using TBorderIcons = TSet<TBorderIcon>;
RTL_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
         poDesktopCenter, poMainFormCenter, poOwnerFormCenter);
RTL_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop);
RTL_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized);
RTL_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize);
RTL_ENUM(TFormStateItem, fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated);
using TFormState = TSet<TFormStateItem>;

// The result of a modal form or dialog.
using TModalResult = Integer;
enum : TModalResult {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
  mrAll = 8, mrNoToAll = 9, mrYesToAll = 10,
};

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
  RTL_DECLARE_CLASS(TCustomForm)
  RTL_MESSAGE_HANDLERS(TCustomForm)
 public:
  // A form with a description resource (read in AfterConstruction).
  explicit TCustomForm(TComponent* AOwner);
  // the class library's CreateNew: a form without description.
  TCustomForm(TComponent* AOwner, int Dummy);
  ~TCustomForm() override;

  // Reads the description (unless made by CreateNew) and fires OnCreate;
  // runs once. Raises EResNotFound "Ressource %s nicht gefunden" when a
  // form that needs a description has none, and the reader's errors.
  virtual void AfterConstruction();
  // Fires OnDestroy once, while the object is whole; then Free.
  void DestroyForm();
  // Free fires OnDestroy too (once).
  void BeforeDestruction() override { DoDestroy(); }

  // ---- Showing ----------------------------------------------------------------
  // Makes the form visible and brings it to the front.
  void Show();
  // Hides the form (Visible := False).
  void Hide();
  // Shows the form modally and returns its ModalResult. Raises
  // EInvalidOperation "Sichtbares Fenster kann nicht modal gemacht werden"
  // when the form is visible or disabled already.
  virtual TModalResult ShowModal();
  // Asks OnCloseQuery, then closes as OnClose decides (see TCloseAction).
  // Closing the main form terminates the application.
  void Close();
  // Runs OnCloseQuery (and that of child forms); false refuses closing.
  virtual bool CloseQuery();
  // Frees the form once the messages already queued are handled.
  void Release();
  // Brings the form's window to the front and activates it.
  void BringToFront();
  bool Active() const { return FActive; }

  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult V) { FModalResult = V; }
  TFormState FormState() const { return FFormState; }

  // ---- Focus --------------------------------------------------------------------
  // The control that has (or gets when the form activates) the focus.
  TWinControl* ActiveControl() const { return FActiveControl; }
  // Raises EInvalidOperation "Ein deaktiviertes oder unsichtbares Fenster
  // kann nicht den Fokus erhalten" when the form is active and Control
  // cannot take the focus.
  void SetActiveControl(TWinControl* Control);
  // The control that had the focus last (null before any).
  TWinControl* FocusedControl() const { return FFocusedControl; }
  // Makes Control the active control and focuses the form when needed.
  void FocusControl(TWinControl* Control);
  // Forgets Control (and what lies on it) as active or focused control;
  // with Removing, the focus memory moves to Control's parent.
  void DefocusControl(TWinControl* Control, bool Removing);
  bool SetFocusedControl(TWinControl* Control) override;
  // Focuses the active control, else the first control in tab order.
  void SetFocus() override;
  bool IsKeyPreview() const override { return FKeyPreview; }
  bool IsWindowRoot() const override { return true; }
  // CM_CANCELMODE (Sender in LParam) to the active control.
  void SendCancelMode(TControl* Sender) override;

  // ---- Appearance and placement -----------------------------------------------------
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle V);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons V);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition V) { FPosition = V; }
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle V);
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState V);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool V) { FKeyPreview = V; }
  // The form's icon; owned. Assigning copies.
  TIcon* Icon() const { return FIcon.get(); }
  void SetIcon(TIcon* V);
  bool Scaled() const { return FScaled; }
  void SetScaled(bool V) { FScaled = V; }
  // The screen density the description was made at; on reading a scaled
  // form, the form is scaled by Screen.PixelsPerInch / PixelsPerInch.
  Integer PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer V) { FPixelsPerInch = V; }
  // Draws onto the form; during OnPaint the paint DC with the form's
  // tools. Owned.
  TCanvas* Canvas() const { return FPaintDC ? FPaintDC : FCanvas.get(); }
  // The monitor that holds most of the form (the screen's first when none).
  TMonitor* Monitor();

  // ---- Events ------------------------------------------------------------------------
  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void PaintWindow(TCanvas& DC) override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void Paint();
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  // Ends a modal showing: CloseQuery and OnClose; ModalResult goes back to
  // 0 when the close is refused.
  void CloseModal();
  // Places the window as Position asks (before it is first shown).
  void PlaceWindow();
  // Focuses the active control, else the first focusable one.
  void SetWindowFocus();

  void CMShowingChanged(TMessage& M);
  void CMVisibleChanged(TMessage& M);
  void CMRelease(TMessage& M);
  void CMActivate(TMessage& M);
  void CMDeactivate(TMessage& M);
  void WMClose(TMessage& M);
  void WMActivate(TMessage& M);
  void WMSetFocus(TMessage& M);
  // Tab and Shift+Tab (without Ctrl or Alt) move the focus to the next or
  // previous tab stop; other dialog keys go to the controls.
  void CMDialogKey(TMessage& M);

  friend class TScreen;
  friend class TApplication;

 private:
  void InitForm();
  void ReadDescription();
  // The modal loop of ShowModal.
  void RunModalLoop();

  bool FNeedsDescription = true;
  bool FConstructed = false;
  bool FDestroyFired = false;
  bool FActive = false;
  bool FPlaced = false;
  TFormState FFormState;
  TModalResult FModalResult = mrNone;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TPosition FPosition = poDefaultPosOnly;
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  bool FKeyPreview = false;
  bool FScaled = true;
  Integer FPixelsPerInch = 96;
  std::unique_ptr<TIcon> FIcon;
  std::unique_ptr<TControlCanvas> FCanvas;
  TCanvas* FPaintDC = nullptr;
};

class TForm : public TCustomForm {
  RTL_DECLARE_CLASS(TForm)
 public:
  using TCustomForm::TCustomForm;
};

// Creates a form of class T owned by AOwner and runs its AfterConstruction
// (reads its description, fires OnCreate). Ownership: AOwner's tree, or the
// caller when AOwner is null.
template <class T>
T* NewForm(TComponent* AOwner) {
  T* F = new T(AOwner);
  try {
    F->AfterConstruction();
  } catch (...) {
    delete F;
    throw;
  }
  return F;
}

// The class factory for form classes (RTL_IMPLEMENT_CLASS(TFsync, TForm,
// &FormFactory<TFsync>)): creates the form and runs AfterConstruction.
// Raises EInvalidCast when Owner is not a component.
template <class T>
TObject* FormFactory(TObject* Owner) {
  auto* AOwner = dynamic_cast<TComponent*>(Owner);
  if (Owner && !AOwner) throw EInvalidCast("Ungültige Typumwandlung");
  return NewForm<T>(AOwner);
}

// Called whenever a modal form's loop would wait for input: first with
// Again false once the form is shown (after its OnShow and the messages
// queued meanwhile), then with Again true each time the loop is idle again
// while the form stays open. The scripted responder of the tests installs
// one; it must end the form or let something end it. Null: none.
using TModalShowHook = std::function<void(TCustomForm* Form, bool Again)>;
void SetModalShowHook(TModalShowHook Hook);
const TModalShowHook& ModalShowHook();

// The form that Control lies on (its root, when that is a form), or null.
TCustomForm* GetParentForm(TControl* Control);
