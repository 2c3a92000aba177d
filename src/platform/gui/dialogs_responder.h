// The scripted responder: answers modal forms and message boxes in tests,
// so that whole runs go headless without anyone clicking.
//
//   TScriptedResponder R;                               // installs itself
//   R.AnswerWith("Bestätigen", mrYes, "löschen?");       // caption, result, text
//   R.PressButton("Rechte für Installation wählen", "&Weiter");
//   ... code that shows the dialogs ...
//   EXPECT_TRUE(R.Unexpected().empty());
//
// When a modal form shows (after its OnShow and the messages it posted),
// the responder takes the first unused rule whose caption equals the
// form's caption ("*" matches any) and whose text, when given, occurs in
// the form's text (FormDialogText). The rule then sets the modal result,
// presses the button whose caption matches (ampersands ignored), or runs
// its action. When the form is still open once its loop is idle again
// (the answer was refused, or it works through messages), the next
// matching rule answers. Each rule answers once unless made Always().
// Everything shown is recorded. A modal form that no rule answers is
// closed with mrCancel, recorded as unexpected and reported to
// OnUnexpected, instead of waiting for input that never comes.
//
// Only one responder is active at a time; the destructor restores the
// hook that was installed before.
//
// Thread safety: GUI thread only.
#pragma once

#include <map>
#include <vector>

#include "platform/gui/forms.h"

// The text of a form as the responder sees it: a message dialog's
// message; otherwise the texts of its controls, one per line.
String FormDialogText(TCustomForm* Form);

// Reads what a control shows when that is more than its Text (a label of
// mark-up shows its text without the tags): true with the text found.
// Units register their readers once at start-up; the first reader that
// answers wins.
using TDialogTextReader = std::function<bool(TControl* Control, String& Text)>;
void AddDialogTextReader(TDialogTextReader Reader);

class TScriptedResponder {
 public:
  // One shown form.
  struct TShown {
    String ClassName;
    String Caption;
    String Text;
    // Right after the answer: mrNone when the form ends later, mrCancel
    // when unexpected.
    TModalResult Result = mrNone;
    bool Expected = true;
  };
  using TAction = std::function<void(TCustomForm* Form)>;

  TScriptedResponder();
  ~TScriptedResponder();
  TScriptedResponder(const TScriptedResponder&) = delete;
  TScriptedResponder& operator=(const TScriptedResponder&) = delete;

  // Answers the form captioned Caption (and showing TextPart) with Result.
  TScriptedResponder& AnswerWith(const String& Caption, TModalResult Result, const String& TextPart = "");
  // Presses the button captioned Button on that form.
  TScriptedResponder& PressButton(const String& Caption, const String& Button, const String& TextPart = "");
  // Runs Action on that form (it should end the form somehow).
  TScriptedResponder& Do(const String& Caption, TAction Action, const String& TextPart = "");
  // Makes the rule added last answer every matching showing.
  TScriptedResponder& Always();

  const std::vector<TShown>& Shown() const { return FShown; }
  // Descriptions of the forms no rule answered.
  std::vector<String> Unexpected() const;
  // Number of rules not used yet (Always rules never count as unused).
  int PendingRules() const;
  // Told about every unexpected form (a test fails there).
  std::function<void(const String& Description)> OnUnexpected;

 private:
  struct TRule {
    String Caption;
    String TextPart;
    TAction Action;
    bool Always = false;
    bool Used = false;
  };
  void Answer(TCustomForm* Form, bool Again);
  TRule* FindRule(const String& Caption, const String& Text);

  std::vector<TRule> FRules;
  std::vector<TShown> FShown;
  std::map<TCustomForm*, size_t> FShowing;  // showing form -> its latest record
  TModalShowHook FPrevious;
};
