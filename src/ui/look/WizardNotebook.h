// TWizardNotebook: a page container for step-by-step dialogs. A TNotebook
// (pages without tabs, one visible, PageIndex the current one) that
// drives a Next button, a Back button and two labels placed elsewhere on
// the form: the buttons' clicks move between the pages, the labels show a
// header and an info text per page, the Next button reads "&Zuweisen" on
// the last page and "&Weiter" before, and both clicks are reported
// through the notebook's own events. A Next click on the last page
// reports FinalState True: the owner's signal to carry out the action.
//
// The four referenced controls are not owned; the notebook forgets one
// when it is freed. The two caption lists are owned.
//
// Registered by class name for form descriptions.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <functional>
#include <memory>

#include "platform/gui/extctrls_notebook.h"
#include "platform/gui/stdctrls_label.h"
#include "ui/look/TPlainButtonUnit.h"

using TbtnBackClick = std::function<void(TObject* Sender)>;
using TbtnNextClick = std::function<void(TObject* Sender, bool FinalState)>;

class TWizardNotebook : public TNotebook {
  RTL_DECLARE_CLASS(TWizardNotebook)
 public:
  explicit TWizardNotebook(TComponent* AOwner);
  // Detaches the Next and Back buttons' click handlers from this notebook.
  ~TWizardNotebook() override;

  TPlainButton* btnNext() const { return FbtnNext; }
  // Takes the button's OnClick over (runs Next); with a single page the
  // caption becomes "&Zuweisen" at once. Not in design mode.
  void SetbtnNext(TPlainButton* Value);
  TPlainButton* btnBack() const { return FbtnBack; }
  // Takes the button's OnClick over (runs Back) and hides the button.
  void SetbtnBack(TPlainButton* Value);
  TLabel* lblHeader() const { return FlblHeader; }
  // The label shows the header of the current page when there is one.
  void SetlblHeader(TLabel* Value);
  TLabel* lblInfo() const { return FlblInfo; }
  void SetlblInfo(TLabel* Value);
  // Header and info text per page, by page index; owned. The setters copy.
  TStrings* HeaderCaption() const { return FHeaderCaption.get(); }
  void SetHeaderCaption(TStrings* Value);
  TStrings* InfoCaption() const { return FInfoCaption.get(); }
  void SetInfoCaption(TStrings* Value);

  // Back to the first page: texts refreshed, Next reads "&Weiter", Back
  // hidden.
  void Reset();
  // One page back (the Back button's click); lets pending messages be
  // handled, then raises OnButtonBackClick, also when the page stayed.
  void Back(TObject* Sender);
  // One page forward (the Next button's click); on the last page the
  // page stays and OnButtonNextClick gets FinalState True.
  void Next(TObject* Sender);

  TbtnBackClick OnButtonBackClick;
  TbtnNextClick OnButtonNextClick;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  bool IsLastPage() const { return Pages()->Count() == PageIndex() + 1; }
  // Shows the current page's header and info texts in the labels.
  void RefreshTexts();
  static void ShowEntry(TLabel* Label, TStrings* List, Integer Index);
  void Watch(TComponent* Old, TComponent* New);
  void SetBackVisible(bool Visible);
  void SetNextCaption(const String& Caption);

  TPlainButton* FbtnNext = nullptr;
  TPlainButton* FbtnBack = nullptr;
  TLabel* FlblHeader = nullptr;
  TLabel* FlblInfo = nullptr;
  std::unique_ptr<TStringList> FHeaderCaption;
  std::unique_ptr<TStringList> FInfoCaption;
};
