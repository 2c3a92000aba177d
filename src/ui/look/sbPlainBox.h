// TSBPlainBox: the plain modal box that the message routines of unit sb
// (ShowMsgBox, AskMsgBox, InputMsgBox) fill and show. It stands in for
// the tool's own HTML message box: the prepared text is shown without its
// mark-up (BR tags as line breaks, other tags dropped) in a word-wrapped
// label, with the box's buttons as flat buttons:
//   message mode:  "Schließen" (mrCancel), "Hilfe" with a help text;
//   question mode: "Ja" (mrOk), "Nein" (mrCancel), "Hilfe" with a help text;
//   input mode:    an input line, "Übernehmen" (mrOk), "Abbrechen"
//                  (mrCancel, hidden with NoCancel).
// "Hilfe" unfolds the help text under the message once and is disabled
// afterwards. Keys: Esc cancels (accepts in input mode without
// "Abbrechen"); Enter accepts in input mode. A pick list keeps its lines
// and the chosen line's index; Up and Down choose in it.
//
// Each box is made for one showing and freed afterwards by the caller.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>

#include "platform/gui/extctrls.h"
#include "platform/gui/stdctrls_label.h"
#include "ui/look/TPlainButtonUnit.h"

enum class TSBBoxMode { Message, Question, Input };

class TSBPlainBox : public TForm {
  RTL_DECLARE_CLASS(TSBPlainBox)
 public:
  // A form without description, white, 406 wide, owned by AOwner.
  explicit TSBPlainBox(TComponent* AOwner);
  ~TSBPlainBox() override;

  // The prepared message (mark-up kept); the label shows it plain.
  const String& MessageHtml() const { return FMessage; }
  void SetMessageHtml(const String& Html);
  TSBBoxMode Mode() const { return FMode; }
  // Shows the button row of Mode and hides the others.
  void SetMode(TSBBoxMode Mode);
  // A non-empty help text shows "Hilfe" (message and question mode).
  const String& HelpText() const { return FHelpText; }
  void SetHelpText(const String& Help);
  // True once "Hilfe" unfolded the help text.
  bool HelpShown() const { return FHelpLabel->Visible(); }
  void ShowHelp();
  // Input mode: "Abbrechen" shown or hidden (NoCancel).
  bool CancelVisible() const { return FCancel->Visible(); }
  void SetCancelVisible(bool Visible);

  // ---- Input line and pick list -----------------------------------------------------
  // A pick list accepts only a line of Items (drop-down list only).
  bool PickList() const { return FPickList; }
  void SetPickList(bool Value);
  // The drop-down's lines; owned by the box.
  TStrings* Items() const { return FItems.get(); }
  // The chosen line of a pick list, -1 for none; out-of-range values
  // choose none.
  Integer ItemIndex() const { return FItemIndex; }
  void SetItemIndex(Integer Index);
  String InputText() const;
  void SetInputText(const String& Text);
  // Lines the drop-down shows at once.
  Integer DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(Integer Count) { FDropDownCount = Count; }

  // The button with the German caption Caption ("Ja", "Schließen" ...), or null.
  TPlainButton* ButtonByCaption(const String& Caption) const;
  // Gives the focus, once shown, to the mode's first control: "Schließen",
  // "Ja" or the input line.
  void FocusModeControl();

 protected:
  void DoShow() override;
  void KeyDown(Word& Key, TShiftState Shift) override;

 private:
  TPlainButton* AddButton(TWinControl* Row, const String& Caption, TModalResult Result, Integer Left);
  TPanel* AddRow(Integer Height);
  void LayOut();
  TPanel* VisibleRow() const;

  String FMessage, FHelpText;
  TSBBoxMode FMode = TSBBoxMode::Message;
  TLabel* FText = nullptr;
  TLabel* FHelpLabel = nullptr;
  TPanel* FMsgRow = nullptr;
  TPanel* FQuestionRow = nullptr;
  TPanel* FInputRow = nullptr;
  TPlainButton* FClose = nullptr;
  TPlainButton* FHelpMsg = nullptr;
  TPlainButton* FYes = nullptr;
  TPlainButton* FNo = nullptr;
  TPlainButton* FHelpQuestion = nullptr;
  TPlainButton* FAccept = nullptr;
  TPlainButton* FCancel = nullptr;
  TEdit* FInput = nullptr;
  bool FPickList = false;
  std::unique_ptr<TStringList> FItems;
  Integer FItemIndex = -1;
  Integer FDropDownCount = 8;
};

// Makes the box, owned by the application.
TSBPlainBox* CreateMsgBoxForm();

// The text shown for mark-up: BR tags become line breaks, other tags are
// dropped and the entities &lt; &gt; &amp; &quot; &nbsp; are resolved.
String PlainTextOfHtml(const String& Html);
