// The scripted responder of the tests.
#include "platform/gui/dialogs_responder.h"

#include "platform/gui/dialogs.h"

namespace {
String WithoutAmpersands(const String& S) {
  String R;
  for (size_t I = 0; I < S.size(); ++I) {
    if (S[I] == '&' && I + 1 < S.size() && S[I + 1] != '&') continue;
    if (S[I] == '&' && I + 1 < S.size()) ++I;
    R += S[I];
  }
  return R;
}

// Every control on Parent, depth first.
void CollectControls(TWinControl* Parent, std::vector<TControl*>& Out) {
  for (Integer I = 0; I < Parent->ControlCount(); ++I) {
    TControl* C = Parent->Controls(I);
    Out.push_back(C);
    if (auto* W = dynamic_cast<TWinControl*>(C)) CollectControls(W, Out);
  }
}

std::vector<TDialogTextReader>& TextReaders() {
  static std::vector<TDialogTextReader> Readers;
  return Readers;
}

String ControlText(TControl* C) {
  String T;
  for (const TDialogTextReader& Read : TextReaders())
    if (Read(C, T)) return T;
  return C->Text();
}

// Whether Form still exists and waits in its modal loop. Form may have
// been freed: it is only looked at once found among the screen's forms.
bool ShowingModally(TCustomForm* Form) {
  for (Integer I = 0; I < Screen->CustomFormCount(); ++I)
    if (Screen->CustomForms(I) == Form) return Form->FormState().Contains(fsModal);
  return false;
}

TControl* FindButton(TCustomForm* Form, const String& Caption) {
  std::vector<TControl*> All;
  CollectControls(Form, All);
  String Wanted = WithoutAmpersands(Caption);
  for (TControl* C : All)
    if (WithoutAmpersands(C->Caption()) == Wanted) return C;
  return nullptr;
}
}  // namespace

void AddDialogTextReader(TDialogTextReader Reader) { TextReaders().push_back(std::move(Reader)); }

String FormDialogText(TCustomForm* Form) {
  if (auto* M = dynamic_cast<TMessageForm*>(Form)) return M->Message();
  std::vector<TControl*> All;
  CollectControls(Form, All);
  String Text;
  for (TControl* C : All) {
    String T = ControlText(C);
    if (T.empty()) continue;
    if (!Text.empty()) Text += "\n";
    Text += T;
  }
  return Text;
}

TScriptedResponder::TScriptedResponder() : FPrevious(ModalShowHook()) {
  SetModalShowHook([this](TCustomForm* Form, bool Again) { Answer(Form, Again); });
}

TScriptedResponder::~TScriptedResponder() { SetModalShowHook(FPrevious); }

TScriptedResponder& TScriptedResponder::AnswerWith(const String& Caption, TModalResult Result,
                                                   const String& TextPart) {
  return Do(Caption, [Result](TCustomForm* Form) { Form->SetModalResult(Result); }, TextPart);
}

TScriptedResponder& TScriptedResponder::PressButton(const String& Caption, const String& Button,
                                                    const String& TextPart) {
  return Do(
      Caption,
      [Button](TCustomForm* Form) {
        TControl* C = FindButton(Form, Button);
        if (!C) throw EInvalidOperation("Schaltfläche '" + Button + "' nicht gefunden");
        C->DoClick();
      },
      TextPart);
}

TScriptedResponder& TScriptedResponder::Do(const String& Caption, TAction Action, const String& TextPart) {
  FRules.push_back(TRule{Caption, TextPart, std::move(Action)});
  return *this;
}

TScriptedResponder& TScriptedResponder::Always() {
  if (!FRules.empty()) FRules.back().Always = true;
  return *this;
}

TScriptedResponder::TRule* TScriptedResponder::FindRule(const String& Caption, const String& Text) {
  for (TRule& R : FRules) {
    if (R.Used && !R.Always) continue;
    if (R.Caption != "*" && R.Caption != Caption) continue;
    if (!R.TextPart.empty() && Text.find(R.TextPart) == String::npos) continue;
    return &R;
  }
  return nullptr;
}

void TScriptedResponder::Answer(TCustomForm* Form, bool Again) {
  // Indexes, not references: an answer may show further forms (and add
  // records or rules) before it returns.
  if (!Again || !FShowing.count(Form)) {
    // Forms whose loop has ended (and that may be freed) leave the map, so
    // that it holds only the forms showing now.
    std::erase_if(FShowing, [Form](const auto& P) { return P.first != Form && !ShowingModally(P.first); });
    FShowing[Form] = FShown.size();
    FShown.push_back(TShown{Form->ClassName(), Form->Caption(), FormDialogText(Form)});
  }
  size_t Index = FShowing[Form];
  TRule* Rule = FindRule(FShown[Index].Caption, Again ? FormDialogText(Form) : FShown[Index].Text);
  String Failure = Again ? "der Dialog blieb offen" : "";
  if (Rule) {
    Rule->Used = true;
    TAction Action = Rule->Action;
    Failure.clear();
    try {
      Action(Form);
    } catch (const Exception& E) {
      Failure = E.Message();
    }
  }
  TShown& S = FShown[Index];
  if (!Failure.empty() || !Rule) {
    S.Expected = false;
    Form->SetModalResult(mrCancel);
  }
  S.Result = Form->ModalResult();
  if (!S.Expected && OnUnexpected)
    OnUnexpected("Unerwarteter Dialog " + S.ClassName + " '" + S.Caption + "': " + S.Text +
                 (Failure.empty() ? String() : " (" + Failure + ")"));
}

std::vector<String> TScriptedResponder::Unexpected() const {
  std::vector<String> R;
  for (const TShown& S : FShown)
    if (!S.Expected) R.push_back(S.ClassName + " '" + S.Caption + "': " + S.Text);
  return R;
}

int TScriptedResponder::PendingRules() const {
  int N = 0;
  for (const TRule& R : FRules) N += (!R.Used && !R.Always) ? 1 : 0;
  return N;
}
