// ColSelectorBase: the column-selector hook of the data-aware grid.
//
// The grid does not contain a column-selector dialog: it looks a form class
// up by its registered name, "TFColSelectFrm", at run time. An application
// that wants the dialog registers a form class of that name derived from
// TColSelectBase; without one, ShowColSelectForm shows the plain message
// "Missing Class "TFColSelectFrm"" instead.
//
// Thread safety: GUI thread only.
#pragma once

#include "platform/gui/forms.h"

class TCustomGrid;

class TColSelectBase : public TForm {
  RTL_DECLARE_CLASS(TColSelectBase)
 public:
  explicit TColSelectBase(TComponent* AOwner);
  TColSelectBase(TComponent* AOwner, int Dummy);
  ~TColSelectBase() override;

  // The grid the dialog works on (not owned; set before showing).
  TCustomGrid* Grid() const { return FGrid; }
  void SetGrid(TCustomGrid* V) { FGrid = V; }
  // The text handed over by the caller.
  const String& CallerText() const { return FText; }
  void SetCallerText(const String& V) { FText = V; }
  // Called before showing when the caller asks for it; empty here.
  virtual void Prepare();
  // Published handlers: FormCreate makes this form the current column
  // selector, FormClose forgets it.
  void FormCreate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);

 private:
  TCustomGrid* FGrid = nullptr;
  String FText;
};

// The column selector currently open (null when none).
TColSelectBase* CurrentColSelector();

// Shows the registered "TFColSelectFrm" modally for Grid (with the
// application as owner, Prepare called when CallPrepare, Text handed
// over) and returns its modal result; without such a class, or when the
// class does not descend from TColSelectBase, shows "Missing Class
// "TFColSelectFrm"" with an OK button and returns that result.
TModalResult ShowColSelectForm(TCustomGrid* Grid, const String& Text, bool CallPrepare);
