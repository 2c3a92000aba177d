// TWizardNotebook: page steps, button captions and the per-page texts.
#include "ui/look/WizardNotebook.h"

#include "platform/rtl/classreg.h"
#include "platform/rtl/events.h"

RTL_IMPLEMENT_CLASS(TWizardNotebook, TNotebook, &ComponentFactory<TWizardNotebook>)

namespace {
const char* const NextCaption = "&Weiter";
const char* const FinalCaption = "&Zuweisen";
}  // namespace

TWizardNotebook::TWizardNotebook(TComponent* AOwner)
    : TNotebook(AOwner), FHeaderCaption(std::make_unique<TStringList>()),
      FInfoCaption(std::make_unique<TStringList>()) {}

TWizardNotebook::~TWizardNotebook() {
  if (FbtnNext) FbtnNext->OnClick = nullptr;
  if (FbtnBack) FbtnBack->OnClick = nullptr;
}

// ---- References -----------------------------------------------------------------------

void TWizardNotebook::Watch(TComponent* Old, TComponent* New) {
  if (Old && Old != New) Old->RemoveFreeNotification(this);
  if (New) New->FreeNotification(this);
}

void TWizardNotebook::SetbtnNext(TPlainButton* Value) {
  Watch(FbtnNext, Value);
  FbtnNext = Value;
  if (!FbtnNext || Designing()) return;
  FbtnNext->OnClick = [this](TObject* Sender) { Next(Sender); };
  if (Pages()->Count() == 1) FbtnNext->SetCaption(FinalCaption);
}

void TWizardNotebook::SetbtnBack(TPlainButton* Value) {
  Watch(FbtnBack, Value);
  FbtnBack = Value;
  if (!FbtnBack || Designing()) return;
  FbtnBack->OnClick = [this](TObject* Sender) { Back(Sender); };
  FbtnBack->SetVisible(false);
}

void TWizardNotebook::SetlblHeader(TLabel* Value) {
  Watch(FlblHeader, Value);
  FlblHeader = Value;
  if (!Designing()) ShowEntry(FlblHeader, FHeaderCaption.get(), PageIndex());
}

void TWizardNotebook::SetlblInfo(TLabel* Value) {
  Watch(FlblInfo, Value);
  FlblInfo = Value;
  if (!Designing()) ShowEntry(FlblInfo, FInfoCaption.get(), PageIndex());
}

void TWizardNotebook::SetHeaderCaption(TStrings* Value) { FHeaderCaption->Assign(Value); }

void TWizardNotebook::SetInfoCaption(TStrings* Value) { FInfoCaption->Assign(Value); }

void TWizardNotebook::Notification(TComponent* AComponent, TOperation Operation) {
  TNotebook::Notification(AComponent, Operation);
  if (Operation != opRemove || !AComponent) return;
  if (AComponent == FbtnNext) SetbtnNext(nullptr);
  if (AComponent == FbtnBack) SetbtnBack(nullptr);
  if (AComponent == FlblHeader) SetlblHeader(nullptr);
  if (AComponent == FlblInfo) SetlblInfo(nullptr);
}

// ---- Texts and buttons ----------------------------------------------------------------

void TWizardNotebook::ShowEntry(TLabel* Label, TStrings* List, Integer Index) {
  if (Label && Index >= 0 && Index < List->Count()) Label->SetCaption(List->Strings(Index));
}

void TWizardNotebook::RefreshTexts() {
  ShowEntry(FlblHeader, FHeaderCaption.get(), PageIndex());
  ShowEntry(FlblInfo, FInfoCaption.get(), PageIndex());
}

void TWizardNotebook::SetBackVisible(bool Visible) {
  if (FbtnBack) FbtnBack->SetVisible(Visible);
}

void TWizardNotebook::SetNextCaption(const String& Caption) {
  if (FbtnNext) FbtnNext->SetCaption(Caption);
}

// ---- Steps ------------------------------------------------------------------------------

void TWizardNotebook::Reset() {
  SetPageIndex(0);
  RefreshTexts();
  SetNextCaption(NextCaption);
  SetBackVisible(false);
}

void TWizardNotebook::Next(TObject* Sender) {
  bool FinalState = Pages()->Count() == 1 || IsLastPage();
  if (!FinalState) {
    SetPageIndex(PageIndex() + 1);
    RefreshTexts();
    SetBackVisible(true);
  }
  if (IsLastPage()) SetNextCaption(FinalCaption);
  if (OnButtonNextClick) OnButtonNextClick(Sender, FinalState);
}

void TWizardNotebook::Back(TObject* Sender) {
  if (Pages()->Count() == 1 || PageIndex() == 0) {
    SetBackVisible(false);
  } else {
    SetPageIndex(PageIndex() - 1);
    RefreshTexts();
    SetNextCaption(NextCaption);
    if (PageIndex() == 0) SetBackVisible(false);
  }
  if (PageIndex() == 0 && Pages()->Count() > 1) SetBackVisible(false);
  Application->ProcessMessages();
  if (OnButtonBackClick) OnButtonBackClick(Sender);
}

// ---- Published properties ---------------------------------------------------------------

RTL_PUBLISHED(TWizardNotebook) {
  using T = TWizardNotebook;
  P.Prop("btnNext", &T::btnNext, &T::SetbtnNext);
  P.Prop("btnBack", &T::btnBack, &T::SetbtnBack);
  P.Prop("lblHeader", &T::lblHeader, &T::SetlblHeader);
  P.Prop("lblInfo", &T::lblInfo, &T::SetlblInfo);
  P.Prop("HeaderCaption", &T::HeaderCaption, &T::SetHeaderCaption);
  P.Prop("InfoCaption", &T::InfoCaption, &T::SetInfoCaption);
  P.Field("OnButtonBackClick", &T::OnButtonBackClick);
  P.Field("OnButtonNextClick", &T::OnButtonNextClick);
  P.Method("Next", &T::Next);
  P.Method("Back", &T::Back);
}

[[maybe_unused]] static const bool WizardNotebookRegistered = (RegisterClass(TWizardNotebook::StaticClass()), true);
