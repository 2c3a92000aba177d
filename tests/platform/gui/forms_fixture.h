// Shared fixture of the forms, dialogs and form-description tests: a fresh
// headless desktop and fake clock per test, a clean application, and verbs
// to make forms, pump the queue and type keys.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/dialogs_responder.h"
#include "platform/gui/forms.h"
#include "platform/rtl/clock.h"
#include "temp_dir.h"

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clock = std::make_shared<TFakeClock>();
    UseClock = std::make_unique<TClockOverride>(Clock);
    SetGuiDriver(NewHeadlessDriver());
    Application->ResetTerminated();
    Application->SetMainForm(nullptr);
    ControlsHandleException = [](TObject* Sender) { Application->HandleException(Sender); };
    Folder = MakeTempFolder("forms_test_");
  }

  void TearDown() override {
    Responder.reset();
    Application->CancelHint();
    if (THintWindow* Hint = Application->HintWindow()) Hint->Free();
    while (Screen->CustomFormCount() > 0) Screen->CustomForms(Screen->CustomFormCount() - 1)->DestroyForm();
    Pump();
    Screen->SetCursor(crDefault);
    Application->ResetTerminated();
    Application->SetMainForm(nullptr);
    // Other suites expect exceptions of window procedures to reach them.
    ControlsHandleException = nullptr;
    std::filesystem::remove_all(Folder);
  }

  // A monitor of the desktop for HeadlessSetMonitors.
  static TMonitorInfo MonitorInfo(TRect Area, TRect Work, bool Primary) {
    TMonitorInfo M;
    M.rcMonitor = Area;
    M.rcWork = Work;
    M.Primary = Primary;
    return M;
  }

  // A plain form without description, owned by the application.
  TForm* NewPlainForm(const String& Caption = "Form", TRect B = Bounds(100, 100, 300, 200)) {
    auto* F = new TForm(Application, 0);
    F->AfterConstruction();
    F->SetCaption(Caption);
    F->SetBounds(B.Left, B.Top, B.Width(), B.Height());
    return F;
  }

  // A self-painted control at B on F.
  TCustomControl* AddControl(TForm* F, TRect B) {
    auto* C = new TCustomControl(F);
    C->SetBounds(B.Left, B.Top, B.Width(), B.Height());
    C->SetParent(F);
    return C;
  }
  // A form at B with a control at (10, 10, 100 x 50) showing Hint, shown.
  TCustomControl* ShownControlWithHint(const String& Hint, bool ShowHint) {
    TForm* F = NewPlainForm("Hints", Bounds(100, 100, 300, 200));
    TCustomControl* C = AddControl(F, Bounds(10, 10, 100, 50));
    C->SetHint(Hint);
    C->SetShowHint(ShowHint);
    F->Show();
    Pump();
    return C;
  }

  // Handles everything queued.
  void Pump() {
    Application->ProcessMessages();
    Application->ResetTerminated();
  }
  // Presses and releases a key on the focused window and handles it.
  void PressKey(Word Key) {
    HeadlessKey(Key);
    Pump();
  }
  // A responder that fails the test on every form it was not told about.
  TScriptedResponder& Answers() {
    if (!Responder) {
      Responder = std::make_unique<TScriptedResponder>();
      Responder->OnUnexpected = [](const String& What) { ADD_FAILURE() << What; };
    }
    return *Responder;
  }

  std::shared_ptr<TFakeClock> Clock;
  std::unique_ptr<TClockOverride> UseClock;
  std::unique_ptr<TScriptedResponder> Responder;
  std::string Folder;
};
