// The plain message dialogs of the class library: MessageDlg, ShowMessage
// and the window manager's message box (Application->MessageBox).
//
// Each is a modal form (TMessageForm) with the message, an icon for its
// kind and one button per answer; it sizes itself to its text and shows
// centred on the screen. Captions and button texts are German:
//   kinds:   "Warnung", "Fehler", "Information", "Bestätigen" (mtCustom:
//            the application's title);
//   buttons: "&Ja", "&Nein", "OK", "Abbrechen", "&Abbrechen" (abort),
//            "&Wiederholen", "&Ignorieren", "&Alle", "N&ein für alle",
//            "Ja für &alle", "&Hilfe".
// Enter presses the default button (the first one), Esc the cancel button
// (Abbrechen, else Nein, else OK). The buttons end the form with their
// modal result; MessageBox returns the matching ID* value (equal to the
// modal results mrOk ... mrNo).
//
// In tests the scripted responder (dialogs_responder.h) answers them.
//
// Thread safety: GUI thread only.
#pragma once

#include "platform/gui/forms.h"

RTL_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom);
RTL_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll,
         mbHelp);
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// MessageBox flags and results (the window manager's numbers).
enum : UINT {
  MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5, MB_ICONHAND = 0x10, MB_ICONSTOP = 0x10, MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40,
  MB_ICONINFORMATION = 0x40, MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200,
  MB_APPLMODAL = 0x0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000, MB_SETFOREGROUND = 0x10000,
  MB_TOPMOST = 0x40000,
};
enum : Integer { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// The modal form of the message dialogs.
class TMessageForm : public TForm {
  RTL_DECLARE_CLASS(TMessageForm)
 public:
  explicit TMessageForm(TComponent* AOwner);
  // The message shown (also what the responder matches).
  const String& Message() const { return FMessage; }
  TMsgDlgType DialogType() const { return FType; }
  // The button with modal result Result, or null.
  TWinControl* FindButton(TModalResult Result) const;

 protected:
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;

 private:
  friend class TMessageFormBuilder;
  String FMessage;
  TMsgDlgType FType = mtCustom;
  TRect FTextRect{};
  TModalResult FDefaultResult = mrNone;
  TModalResult FCancelResult = mrCancel;
};

// A push button of the message forms: a click (or Enter / Space while it
// has the focus) ends its form with ModalResult.
class TMessageButton : public TCustomControl {
  RTL_DECLARE_CLASS(TMessageButton)
 public:
  explicit TMessageButton(TComponent* AOwner);
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult V) { FModalResult = V; }

 protected:
  void Click() override;
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;

 private:
  TModalResult FModalResult = mrNone;
};

// The caption of a dialog kind ("Warnung" ...; mtCustom: the title).
String MsgDlgCaption(TMsgDlgType DlgType);
// The German text of a button ("&Ja" ...).
String MsgDlgButtonCaption(TMsgDlgBtn Button);
// The modal result of a button (mbHelp: mrNone).
TModalResult MsgDlgButtonResult(TMsgDlgBtn Button);

// Builds (does not show) the dialog; the caller owns the form. Buttons
// appear in the enumeration's order; DefaultButton gets the focus (when
// it is not among Buttons, the first button does).
TMessageForm* CreateMessageDialog(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                                  TMsgDlgBtn DefaultButton = mbOK);
// Shows the dialog modally; returns the modal result of the button used
// (mrCancel when closed otherwise). HelpCtx is kept as the form's
// HelpContext.
TModalResult MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, Integer HelpCtx);
// A message with one "OK" button, captioned with the application's title.
void ShowMessage(const String& Msg);
// The window manager's message box: Flags MB_* choose buttons and icon;
// returns IDOK ... IDNO. An empty Caption shows "Fehler".
Integer ShowMessageBox(const String& Text, const String& Caption, UINT Flags);
