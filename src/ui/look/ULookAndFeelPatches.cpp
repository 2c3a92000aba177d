// The class library's behaviours that the look engine switches on at
// start-up through the library's hook points: the popup parent of dialog
// forms and the themed client edge. (Double-buffered painting and list-box
// printing are built into the library.)
#include "platform/gui/classhooks.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/typeonly.h"
#include "ui/look/ULookAndFeel.h"
#include "ui/look/UThemes.h"

namespace {

struct TSavedHooks {
  bool Installed = false;
  TFormParamsHook Params;
  TNCPaintHook Paint;
};

TSavedHooks& Saved() {
  static TSavedHooks S;
  return S;
}

bool IsDialogLike(const TCustomForm* F) { return F->BorderStyle() == bsSizeable || F->BorderStyle() == bsDialog; }

// The first other visible, not minimised, sizeable or dialog form; with
// ModalOnly only a modal one.
TCustomForm* FirstCandidate(const TCustomForm& Form, bool ModalOnly) {
  for (Integer I = 0; I < Screen->CustomFormCount(); ++I) {
    TCustomForm* F = Screen->CustomForms(I);
    if (F == &Form || !F->Visible() || F->WindowState() == wsMinimized || !IsDialogLike(F)) continue;
    if (ModalOnly && !F->FormState().Contains(fsModal)) continue;
    if (F->HandleAllocated()) return F;
  }
  return nullptr;
}

}  // namespace

void ChoosePopupParent(TCustomForm& Form, TCreateParams& Params) {
  if (!Form.InheritsFrom(TForm::StaticClass()) || !IsDialogLike(&Form)) return;
  if (Form.ComponentState().Contains(csDestroying)) return;
  TCustomForm* Main = Application->MainForm();
  if (!Main || !Main->Visible() || Form.Parent() || Form.ParentWindow()) return;
  if (auto* Owner = dynamic_cast<TWinControl*>(Form.Owner())) {
    Params.WndParent = Owner->Handle();
    return;
  }
  TCustomForm* Found = FirstCandidate(Form, true);
  if (!Found) Found = FirstCandidate(Form, false);
  if (Found) Params.WndParent = Found->Handle();
}

void PaintThemedEdge(TWinControl& Control) {
  if (!Control.InheritsFrom(TCustomRichEdit::StaticClass()) && !Control.InheritsFrom(TScrollBox::StaticClass())) return;
  TThemeServices* Themes = ThemeServices();
  if (Themes->ThemesAvailable()) Themes->PaintBorder(&Control, true);
}

void InstallClassLibraryPatches() {
  TSavedHooks& S = Saved();
  if (S.Installed) return;
  S.Params = SetFormParamsHook(&ChoosePopupParent);
  S.Paint = SetNCPaintHook(&PaintThemedEdge);
  S.Installed = true;
}

void RemoveClassLibraryPatches() {
  TSavedHooks& S = Saved();
  if (!S.Installed) return;
  SetFormParamsHook(std::move(S.Params));
  SetNCPaintHook(std::move(S.Paint));
  S = TSavedHooks{};
  FreeThemeServices();
}
