// TFSB_BOX: the modal message box that the message routines of sb.h fill
// and show. The text is HTML mark-up in an auto-sizing HTML label; the box
// sizes itself to it (at most 70 % of the screen high), stays on top, is a
// dialog with its frame and pulls itself to the foreground. Three button
// rows, one shown per mode:
//   message:  picture, "Schließen" (mrCancel; Enter on it mrOk), "Hilfe";
//   question: picture, "Ja" (mrOk), "Nein" (mrCancel), "Hilfe";
//   input:    "Eingabe:" with the input line or pick list (FINPE),
//             "Abbrechen" (mrCancel, hidden with NoCancel), "Übernehmen" (mrOk).
// "Hilfe" unfolds the help text under the message once and is disabled
// afterwards. Keys: in message mode any key without Shift, Ctrl, Alt or a
// mouse button closes the box; Enter accepts (mrOk) unless the focused
// control's Tag is 20; Esc cancels (accepts in input mode without
// "Abbrechen"; only closes the list while it is dropped down); Left and
// Right move between the two answer buttons; F1 is swallowed. A link
// opened in the text closes the box with mrCancel.
//
// The input line is the tool's choice edit (TEcComboBox): a flat drop-down
// edit with the cue "Eingabe", or for a pick list a csDropDownList whose
// drop-down list draws its odd lines yellow.
//
// The controls come from the box's form description (resources/FSB_BOX.form);
// FormCreate adds the pictures and the two labels, runs the form hook (the
// installed look then reaches every button and panel; a box it enlarges
// gets its pictures smoothly stretched to their new size) and sizes the box
// for the screen. Each box is made for one showing (CreateMsgBoxForm) and
// freed by the caller afterwards.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <utility>
#include <vector>

#include "platform/gui/forms.h"
#include "ui/controls/EcChoice.h"
#include "ui/look/SB_markuplabel.h"
#include "ui/look/TPlainButtonUnit.h"
#include "ui/look/TPlainPanelUnit.h"

enum class TSBBoxMode { Message, Question, Input };

class TFSB_BOX : public TForm {
  RTL_DECLARE_CLASS(TFSB_BOX)
 public:
  // Reads the form description; OnCreate (FormCreate) follows.
  explicit TFSB_BOX(TComponent* AOwner);

  TPlainPanel* Pquestion = nullptr;
  TPlainPanel* Pmsg = nullptr;
  TPlainPanel* Pinput = nullptr;
  TPlainPanel* FP_help = nullptr;
  TPlainPanel* Panel1 = nullptr;
  TPlainPanel* Panel2 = nullptr;
  TPlainPanel* Panel3 = nullptr;
  TPlainPanel* FlatPanel1 = nullptr;
  TImage* Image1 = nullptr;
  TImage* Image2 = nullptr;
  TLabel* Label1 = nullptr;
  TPlainButton* FB_OK = nullptr;
  TPlainButton* FB_BREAK1 = nullptr;
  TPlainButton* FB_BREAK2 = nullptr;
  TPlainButton* FBhelpQ = nullptr;
  TPlainButton* FBhelpS = nullptr;
  TPlainButton* FB_ICANCEL = nullptr;
  TPlainButton* FB_IOK = nullptr;
  TPlainButton* FB_HELPI = nullptr;
  TEcComboBox* FINPE = nullptr;

  // The message label and the help label (owned by the box).
  TSBHTM* Text() const { return FText; }
  TSBHTM* HelpLabel() const { return FHelp; }
  // Shows the button row of Mode and hides the others.
  void SetMode(TSBBoxMode Mode);
  TSBBoxMode Mode() const;
  // The prepared message (mark-up) goes into the label.
  void SetMessageHtml(const String& Html) { FText->SetText(Html); }
  // A non-empty help text shows "Hilfe" (message and question mode).
  void SetHelpText(const String& Help);
  const String& HelpText() const { return FHelpText; }
  bool HelpShown() const { return FP_help->Visible(); }
  // Set when a link in a label closed the box.
  bool LinkClosed() const { return FLinkClosed; }
  // Gives the focus to the mode's control: "Schließen", "Ja" or the input.
  void FocusModeControl();
  // The button captioned Caption, or null.
  TPlainButton* ButtonByCaption(const String& Caption) const;
  // Lays the box out for its text (what showing does).
  void FitToText();

  // Brings Wnd to the foreground; returns whether that worked.
  static bool ForceForeground(HWND Wnd);

 protected:
  void DoShow() override;
  void Deactivate() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;

 public:
  // Handlers bound by the form description.
  void FormCreate(TObject* Sender);
  void FB_OKClick(TObject*) { Answer(mrOk); }
  void FB_IOKClick(TObject*) { Answer(mrOk); }
  void FB_BREAK1Click(TObject*) { Answer(mrCancel); }
  void FB_ICANCELClick(TObject*) { Answer(mrCancel); }
  void FBhelpQClick(TObject* Sender);
  // Enter and Esc pressed on an answer button: Esc cancels, Enter answers
  // "Ja" / "Übernehmen" (FB_OK), "Nein" / "Abbrechen" (FB_BREAK1) or closes
  // the message (FB_BREAK2, mrOk).
  void FB_OKSelectNext(TWinControl*& Source, TWinControl*& Dest, Word CharCode, bool& Accept);
  void FB_BREAK1SelectNext(TWinControl*& Source, TWinControl*& Dest, Word CharCode, bool& Accept);
  void FB_BREAK2SelectNext(TWinControl*& Source, TWinControl*& Dest, Word CharCode, bool& Accept);
  // The answer buttons take Left and Right before the form sees them.
  void AnswerLeftRight(TObject*, bool) { SwitchAnswer(); }
  void FINPEDrawItem(TWinControl* Control, Integer Index, TRect Rect, TOwnerDrawState State);

 private:
  // The two pictures and the resources they show.
  std::vector<std::pair<TImage*, const char*>> Pictures() const;
  void LoadPictures();
  // Pictures the scaling enlarged show their resource smoothly stretched
  // to their new size.
  void ScalePictures();
  TSBHTM* NewTextLabel(TWinControl* Parent);
  // Screens wider than 800 pixels: larger fonts and wider answer buttons.
  void WidenForLargeScreen();
  // "Eingabe:" ends just left of the input line.
  void FitInputLabel();
  void SelectNextAnswers(TModalResult OnEnter, Word CharCode, bool& Accept);
  void Answer(TModalResult Result) { SetModalResult(Result); }
  // Left and Right: moves the focus to the other answer button; false when
  // the focus is on none of them.
  bool SwitchAnswer();

  TSBHTM* FText = nullptr;
  TSBHTM* FHelp = nullptr;
  String FHelpText;
  bool FLinkClosed = false;
};

// Makes the box (owned by the application), white, placed on its monitor.
TFSB_BOX* CreateMsgBoxForm();
