// TApplication: the program's message loop, its main form, its title,
// exception display and hints.
//
// CreateForm makes a form owned by the application; the first one becomes
// MainForm. Run shows the main form and handles messages until the main
// form closes or Terminate is called. ProcessMessages handles what is
// queued and returns; HandleMessage handles one message or, when there is
// none, runs OnIdle and waits for the next.
//
// Exceptions that escape a message handler reach HandleException: EAbort
// is dropped, OnException gets the rest when assigned, otherwise
// ShowException shows the message in a message box.
//
// Hints: while ShowHint is set, resting the mouse HintPause milliseconds
// over a control with ShowHint shows the hint window (after the control has
// seen CM_HINTSHOW: it may change the text, which starts as its Hint, the
// place and the rectangle the hint belongs to, or cancel); the window goes
// when the mouse leaves the control or that rectangle, on a click or a key,
// and after HintHidePause milliseconds. Leaving the rectangle within the
// same control asks the control again, after HintShortPause when a hint was
// showing (so a grid shows the hint of the next cell at once).
//
// The global Application is made on first use; it owns its forms.
//
// Thread safety: GUI thread only (Terminate may be called from any thread).
#pragma once

#include <atomic>
#include <exception>

#include "platform/gui/forms_screen.h"

// The hint window: a popup that takes no activation and shows one text.
class THintWindow : public TCustomControl {
  RTL_DECLARE_CLASS(THintWindow)
 public:
  explicit THintWindow(TComponent* AOwner);
  // Shows the hint text AHint in the desktop rectangle Rect.
  virtual void ActivateHint(const TRect& Rect, const String& AHint);
  // Hides the window.
  void ReleaseHandle();
  // The rectangle (from 0,0) that AHint needs, at most MaxWidth wide.
  virtual TRect CalcHintRect(Integer MaxWidth, const String& AHint);
  bool HintShowing() const { return FActive; }
  bool IsWindowRoot() const override { return true; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;

 private:
  bool FActive = false;
};

// What a control sees in CM_HINTSHOW (lParam points to it); setting
// HintStr changes the text, a non-zero Result of the message cancels.
// CursorPos is the mouse in the control's client coordinates; CursorRect
// (client coordinates, the whole client area on entry) is where the hint
// stays valid; HintPos (screen) is the hint window's top-left corner, below
// the cursor on entry.
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint CursorPos{};
  String HintStr;
  Integer HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect{};
  TPoint HintPos{};
  Integer HideTimeout = 0;
};

using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;

class TApplication : public TComponent {
  RTL_DECLARE_CLASS(TApplication)
 public:
  explicit TApplication(TComponent* AOwner);
  // Fires OnDestroy of every remaining form, then frees them.
  ~TApplication() override;

  void Initialize() {}
  const String& Title() const;
  void SetTitle(const String& V) { FTitle = V; }
  // The program's full path.
  String ExeName() const;

  // ---- Forms ---------------------------------------------------------------------
  // Creates a form of class InstanceClass owned by the application and
  // stores it in Reference; the first form created becomes MainForm.
  // Raises the errors of the form's creation (EClassNotFound for a class
  // that is not a form).
  void CreateForm(TComponentClass InstanceClass, TCustomForm*& Reference);
  template <class T>
  void CreateForm(T*& Reference) {
    TCustomForm* F = nullptr;
    CreateForm(T::StaticClass(), F);
    Reference = static_cast<T*>(F);
  }
  TCustomForm* MainForm() const { return FMainForm; }
  // For tests and special programs: sets or clears the main form.
  void SetMainForm(TCustomForm* Form) { FMainForm = Form; }
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool V) { FShowMainForm = V; }

  // ---- Message loop ----------------------------------------------------------------
  // Shows the main form and handles messages until Terminated.
  void Run();
  // Handles every queued message, then returns.
  void ProcessMessages();
  // Handles one message; with none queued, runs OnIdle and waits.
  void HandleMessage();
  // Asks the loop to end (posts WM_QUIT).
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // For tests: lets a terminated application run again.
  void ResetTerminated() { FTerminated = false; }

  // ---- Exceptions ------------------------------------------------------------------
  // Handles the exception being caught (call inside a catch block).
  void HandleException(TObject* Sender);
  // Shows E's message (with a final '.' added when missing) in a message
  // box captioned with the title.
  void ShowException(const Exception& E);
  TExceptionEvent OnException;

  // ---- Windows -------------------------------------------------------------------------
  // Application.MessageBox: see dialogs.h (MB_* flags, ID* results).
  Integer MessageBox(const String& Text, const String& Caption, UINT Flags = 0);
  // Brings the active (else the main) form to the front.
  void BringToFront();
  void Minimize();
  void Restore();
  // Modal showings in progress; ModalStarted / ModalFinished count them.
  Integer ModalLevel() const { return FModalLevel; }
  void ModalStarted();
  void ModalFinished();
  TNotifyEvent OnModalBegin, OnModalEnd, OnMinimize, OnRestore;

  // ---- Hints -------------------------------------------------------------------------
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool V);
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor V) { FHintColor = V; }
  Integer HintPause() const { return FHintPause; }
  void SetHintPause(Integer V) { FHintPause = V; }
  Integer HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(Integer V) { FHintHidePause = V; }
  Integer HintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(Integer V) { FHintShortPause = V; }
  // Shows the hint of the control under desktop point Pos now (what the
  // hint timer does); true when a hint is shown.
  bool ActivateHint(const TPoint& Pos);
  void CancelHint();
  // The hint window (null until a hint was shown); owned.
  THintWindow* HintWindow() const { return FHintWindow; }
  // The control whose hint shows (or is pending).
  TControl* HintControl() const { return FHintControl; }

  // The process-wide format settings follow the system when true.
  bool UpdateFormatSettings() const { return FUpdateFormatSettings; }
  void SetUpdateFormatSettings(bool V) { FUpdateFormatSettings = V; }

  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TNotifyEvent OnHint;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool ProcessMessage(MSG& Msg);
  void Idle();
  bool IsHintMsg(const MSG& Msg);
  void HintMouseMessage(const MSG& Msg);
  void SetHintControl(TControl* Control);
  // After Ms milliseconds shows the hint under the mouse (Show) or hides
  // the hint shown.
  void StartHintTimer(Integer Ms, bool Show);
  void StopHintTimer();
  void HideHintWindow();
  void DestroyForms();

  String FTitle;
  TCustomForm* FMainForm = nullptr;
  bool FShowMainForm = true;
  std::atomic<bool> FTerminated{false};
  Integer FModalLevel = 0;
  bool FShowHint = true;
  TColor FHintColor = clInfoBk;
  Integer FHintPause = 500;
  Integer FHintHidePause = 2500;
  Integer FHintShortPause = 50;
  // Where the shown (or last asked) hint stays valid, in screen coordinates.
  TRect FHintCursorRect{};
  // A hint was showing when the mouse moved on: the next one comes sooner.
  bool FHintActive = false;
  THintWindow* FHintWindow = nullptr;
  TControl* FHintControl = nullptr;
  std::uintptr_t FHintTimer = 0;
  bool FUpdateFormatSettings = true;
};

// The process's application object, made on first use.
struct TApplicationRef {
  TApplication* operator->() const { return Get(); }
  operator TApplication*() const { return Get(); }
  static TApplication* Get();
};
inline constexpr TApplicationRef Application{};
