// TFSelID: the rights dialog.
#include "sync/USelID.h"

#include <memory>

#include "foundation/USettings.h"
#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TFSelID, TSelDialog, &FormFactory<TFSelID>)

RTL_PUBLISHED(TFSelID) {
  P.Field("Label1", &TFSelID::Label1);
  P.Field("flb", &TFSelID::flb);
  P.Field("FlatButton_next", &TFSelID::FlatButton_next);
  P.Field("FlatButton_cancel", &TFSelID::FlatButton_cancel);
  P.Method("flbClickCheck", &TFSelID::flbClickCheck);
  P.Method("FlatButton_nextClick", &TFSelID::FlatButton_nextClick);
}

void RegisterSelIDClasses() {
  RegisterClasses({TFSelID::StaticClass(), TLabel::StaticClass(), TPlainCheckListBox::StaticClass(),
                   TPlainButton::StaticClass()});
}

TFSelID::TFSelID(TComponent* AOwner) : TSelDialog(AOwner) { RegisterSelIDClasses(); }

void TFSelID::flbClickCheck(TObject*) {
  Integer Current = flb->GetItemIndex();
  if (Current < 0) return;
  for (Integer I = 0; I < flb->Items()->Count(); ++I) flb->SetChecked(I, I == Current);
}

void TFSelID::FlatButton_nextClick(TObject*) { SetModalResult(mrOk); }

Integer TFSelID::TickedLevel() const {
  for (Integer I = flb->Items()->Count() - 1; I >= 0; --I)
    if (flb->GetChecked(I)) return I;
  return -1;
}

bool ExecuteSelID(Byte& Level) {
  std::unique_ptr<TFSelID> Dlg(NewForm<TFSelID>(nullptr));
  TStringList Texts;
  for (const char* Text : MobileDataModeTexts) Texts.Add(Text);
  Dlg->flb->SetItems(&Texts);
  Integer Preset = Level < Texts.Count() ? Level : 0;
  Dlg->flb->SetItemIndex(Preset);
  Dlg->flb->SetChecked(Preset, true);
  if (Dlg->ShowModal() != mrOk) return false;
  // Unticking the only ticked level is not possible, but a dialog driven
  // otherwise keeps the preset rather than inventing a level.
  Integer Ticked = Dlg->TickedLevel();
  Level = Byte(Ticked >= 0 ? Ticked : Preset);
  return true;
}
