// TApplication: forms, the message loop, exceptions and the windows of the
// application as a whole.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TApplication, TComponent, nullptr)

TApplication* TApplicationRef::Get() {
  // Lives as long as the process; exceptions in window procedures go to it.
  static TApplication* A = [] {
    auto* App = new TApplication(nullptr);
    ControlsHandleException = [App](TObject* Sender) { App->HandleException(Sender); };
    return App;
  }();
  return A;
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() { DestroyForms(); }

void TApplication::DestroyForms() {
  while (ComponentCount() > 0) {
    TComponent* C = Components(ComponentCount() - 1);
    if (auto* F = dynamic_cast<TCustomForm*>(C)) F->DestroyForm();
    else C->Free();
  }
}

const String& TApplication::Title() const {
  static String Fallback;
  if (!FTitle.empty()) return FTitle;
  Fallback = ChangeFileExt(ExtractFileName(ExeName()), "");
  return Fallback;
}

String TApplication::ExeName() const { return GetModuleFileName(); }

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FMainForm) FMainForm = nullptr;
  if (AComponent == FHintWindow) FHintWindow = nullptr;
  if (AComponent == FHintControl) FHintControl = nullptr;
}

// ---- Forms -------------------------------------------------------------------------------------

void TApplication::CreateForm(TComponentClass InstanceClass, TCustomForm*& Reference) {
  if (!InstanceClass || !InstanceClass->InheritsFrom(TCustomForm::StaticClass()))
    throw EClassNotFound(String("Klasse ") + (InstanceClass ? InstanceClass->Name : "?") + " nicht gefunden");
  TObject* Obj = InstanceClass->Create(this);
  if (!Obj) throw EComponentError(String("Klasse ") + InstanceClass->Name + " kann nicht erzeugt werden");
  auto* Form = static_cast<TCustomForm*>(Obj);
  Form->AfterConstruction();
  Reference = Form;
  if (!FMainForm) FMainForm = Form;
}

// ---- Message loop ------------------------------------------------------------------------------

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool Handled = false;
  try {
    if (OnMessage) OnMessage(Msg, Handled);
    if (!Handled && !IsHintMsg(Msg) && !IsKeyMsg(Msg)) {
      TranslateMessage(Msg);
      DispatchMessage(Msg);
    }
  } catch (...) {
    HandleException(this);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG Msg;
  while (ProcessMessage(Msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG Msg;
  if (!ProcessMessage(Msg)) Idle();
}

void TApplication::Idle() {
  bool Done = true;
  try {
    if (OnIdle) OnIdle(this, Done);
  } catch (...) {
    HandleException(this);
  }
  if (Done && !FTerminated) WaitMessage();
}

void TApplication::Run() {
  if (!FMainForm) return;
  if (FShowMainForm) {
    if (FMainForm->WindowState() == wsMinimized) Minimize();
    FMainForm->Show();
  }
  while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() {
  if (FTerminated.exchange(true)) return;
  PostQuitMessage(0);
}

// ---- Exceptions -------------------------------------------------------------------------------

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr P = std::current_exception();
  if (!P) return;
  auto Report = [&](Exception& E) {
    if (OnException) OnException(Sender, E);
    else ShowException(E);
  };
  try {
    std::rethrow_exception(P);
  } catch (EAbort&) {
  } catch (Exception& E) {
    Report(E);
  } catch (std::exception& E) {
    Exception Wrapped(E.what());
    Report(Wrapped);
  } catch (...) {
    Exception Unknown("Unbekannte Exception");
    Report(Unknown);
  }
}

void TApplication::ShowException(const Exception& E) {
  String Msg = E.Message();
  if (!Msg.empty() && static_cast<unsigned char>(Msg.back()) > '.') Msg += '.';
  MessageBox(Msg, Title(), MB_OK | MB_ICONSTOP);
}

// ---- Windows ---------------------------------------------------------------------------------

Integer TApplication::MessageBox(const String& Text, const String& Caption, UINT Flags) {
  return ShowMessageBox(Text, Caption, Flags);
}

void TApplication::BringToFront() {
  TCustomForm* F = Screen->ActiveCustomForm();
  if (!F) F = FMainForm;
  if (F) F->BringToFront();
}

void TApplication::Minimize() {
  for (Integer I = 0; I < Screen->CustomFormCount(); ++I) {
    TCustomForm* F = Screen->CustomForms(I);
    if (F->HandleAllocated() && F->Visible()) ShowWindow(F->Handle(), SW_MINIMIZE);
  }
  FireEvent(OnMinimize, this);
}

void TApplication::Restore() {
  for (Integer I = 0; I < Screen->CustomFormCount(); ++I) {
    TCustomForm* F = Screen->CustomForms(I);
    if (F->HandleAllocated() && F->Visible()) ShowWindow(F->Handle(), SW_RESTORE);
  }
  FireEvent(OnRestore, this);
}

void TApplication::ModalStarted() {
  if (++FModalLevel == 1) FireEvent(OnModalBegin, this);
}

void TApplication::ModalFinished() {
  if (FModalLevel > 0 && --FModalLevel == 0) FireEvent(OnModalEnd, this);
}
