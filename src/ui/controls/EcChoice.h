// EcChoice: the validating edit base of the choice controls.
//
// TEcCustomEdit is a single-line edit that validates itself when the focus
// leaves it, keeps the focus while the value is wrong and shows the error
// in a balloon below its text (ECM_SHOWERROR), defers change
// notifications inside BeginUpdate / EndUpdate, and selects all of its
// text when entered from the keyboard (not by a click).
// TEcCustomMaskEdit edits through an edit mask (IMaskTools.h), and
// TEcParentEdit publishes the properties.
//
// One balloon exists per process, owned by the edit that shows it, with a
// message hook (WH_GETMESSAGE) that exists exactly while it shows: a typed
// character, a menu command, or the application being activated,
// deactivated or given a key or system command hides it.
//
// The texts of the error codes come from the program's string table,
// which holds none of them: they load empty, so without an
// OnGetErrorHint handler no balloon shows while the error still keeps
// the focus in the control.
//
// Thread safety: GUI thread only (the balloon and the hook belong to the
// main thread).
#pragma once

#include "platform/gui/stdctrls_edit.h"
#include "ui/controls/EcPopupWindow.h"
#include "ui/controls/IMaskTools.h"

// Error codes of the validating edits.
constexpr Integer ecEmptyText = 60673;      // empty while CanEmpty is off
constexpr Integer ecNoListItem = 60674;     // drop-down list style without a chosen item
constexpr Integer ecMaskMismatch = 60693;   // text does not match the edit mask
// String-table entries of the error texts (absent from this program).
constexpr Integer SEcEmptyText = 59996, SEcNoListItem = 59991, SEcMaskMismatch = 59959;
// The text of string-table entry Id: empty, as the program has none of these.
String EcLoadString(Integer Id);

using TKillFocusEvent = std::function<void(TObject* Sender, bool& Error)>;
using TGetErrorHint = std::function<void(TObject* Sender, Integer ErrorCode, String& ErrorText)>;

class TEcCustomEdit : public TCustomEdit {
  RTL_DECLARE_CLASS(TEcCustomEdit)
  RTL_MESSAGE_HANDLERS(TEcCustomEdit)
 public:
  explicit TEcCustomEdit(TComponent* AOwner);
  // Hides the balloon (ECM_SHOWERROR 0).
  ~TEcCustomEdit() override;

  String ErrorText;
  Integer ErrorCode = 0;
  bool ErrorShown = false;
  bool CanEmpty = true;
  bool MouseActivated = false;
  TAlignment Alignment() const { return EditAlignment(); }
  // Keeps the text, recreates the window and repaints.
  virtual void SetAlignment(TAlignment V);

  TKillFocusEvent OnKillFocus;
  // Sender is the balloon.
  TNotifyEvent OnShowError;
  TGetErrorHint OnGetErrorHint;
  // Process-wide notifications: an edit of the family was made / is going.
  static TNotifyEvent OnEditCreated, OnEditDestroying;

  // ---- Update bracket ---------------------------------------------------------
  Integer UpdateCount() const { return FUpdateCount; }
  bool ChangePending() const { return FChangePending; }
  virtual void BeginUpdate(bool Notify);
  virtual void EndUpdate();

  virtual bool CanValidate();
  virtual void UpdateErrorText();
  virtual void UpdateEditRect() {}
  virtual void DoShowError();
  virtual Integer ErrorDisplayTime() { return 2500; }
  // Closes a choice list: sends ECM_DROPDOWN 0 when Immediately, else posts it.
  virtual void CloseUp(bool Accept, bool Immediately);
  // The validation run on exit; Error is set by each class's own test
  // before it calls its ancestor's.
  virtual void Validate(bool& Error);

  // The process's balloon, its owner edit and the hook (null / 0 when none).
  static TEcMessageWindow* ErrorBalloon();
  static TEcCustomEdit* ErrorBalloonOwner();
  static bool ErrorHookInstalled();

 protected:
  void Change() override;
  void DoEnter() override;
  void CreateParams(TCreateParams& Params) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void ECMShowError(TMessage& M);
  void CMExit(TMessage& M);
  void CMDialogChar(TMessage& M);
  void WMMouseActivate(TMessage& M);
  void WMLButtonDown(TMessage& M);
  void WMCancelMode(TMessage& M);
  void WMDestroy(TMessage& M);
  // Shows the balloon for the current error.
  void ShowErrorBalloon();
  // Hides and frees the process's balloon.
  static void HideErrorBalloon();

 private:
  Integer FUpdateCount = 0;
  bool FChangePending = false;
  bool FNotifyOnEndUpdate = false;
};

class TEcCustomMaskEdit : public TEcCustomEdit {
  RTL_DECLARE_CLASS(TEcCustomMaskEdit)
  RTL_MESSAGE_HANDLERS(TEcCustomMaskEdit)
 public:
  explicit TEcCustomMaskEdit(TComponent* AOwner);
  ~TEcCustomMaskEdit() override;

  const String& EditMask() const { return FEditMask; }
  // Compiles the mask; an empty mask (or one of unknown characters) makes
  // the edit unmasked.
  void SetEditMask(const String& V);
  const TMaskElements& Elements() const { return FElements; }
  virtual bool HasMask() const { return !FElements.Empty(); }
  // Text := '' and then the mask's leading literals.
  virtual void ResetMaskText();
  // True without a mask; with one, the whole-text match (the text takes
  // the converted form when it differs).
  bool MaskCheck();

  Integer ErrorDisplayTime() override;
  void UpdateErrorText() override;
  void Validate(bool& Error) override;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void Change() override;
  void WMCut(TMessage& M);
  void WMPaste(TMessage& M);

 private:
  // Sets the edited text and puts the caret at Caret without selection.
  void SetMaskedText(const std::string& Ansi, Integer Caret);
  void MaskedDelete(bool Backspace);
  void MaskedInsert(const String& Text);

  String FEditMask;
  TMaskElements FElements;
  bool FReformatting = false;
};

class TEcParentEdit : public TEcCustomMaskEdit {
  RTL_DECLARE_CLASS(TEcParentEdit)
 public:
  explicit TEcParentEdit(TComponent* AOwner) : TEcCustomMaskEdit(AOwner) {}
};
