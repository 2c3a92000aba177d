// The run driver of TFsync: the wizard's Next and Back events drive the
// whole tool. Arriving on the target page "2" tests the target; arriving
// on the run page "3" (button "&Ausführen") installs a new mobile
// installation (RunMode 1) or synchronises one (RunMode 2) as a fixed
// sequence of steps, each marked on the page by MarkStep, and reports the
// outcome in the message box. A failed step ends the run with the message
// of its exception class. Closing the form deletes the temporary tree,
// disconnects the office (which ends the table locks), starts the service
// programs again and, after "&Schließen", the host's executable.
//
// The handlers are bound to the form's events by AttachRunDriver (the
// program calls it right after creating the form).
//
// GUI thread only.
#include <initializer_list>

#include "foundation/BusyCursor.h"
#include "foundation/FileUtils.h"
#include "platform/os/folders.h"
#include "platform/os/process.h"
#include "platform/rtl/sysutils.h"
#include "sync/UStartStop.h"
#include "sync/Umsync.h"
#include "sync/Umsync_run.h"

// Binds the run driver's handlers to Form's events: the wizard's Next,
// Back and page change, "&Schließen", the close query and the archive's
// progress. Replaces handlers bound there before. Form stays owned by its
// owner.
void AttachRunDriver(TFsync* Form);

namespace {

const char* const FailureHead = "<B>Folgender Fehler ist aufgetreten:</B><BR>";

// What the user reads when a step fails with its own exception class:
// Text, the exception's own text, then After.
struct TStepFailure {
  TClass Class;
  const char* Text;
  const char* After;
};

// The step failures in the order a synchronisation handles them.
const std::vector<TStepFailure>& StepFailures() {
  static const std::vector<TStepFailure> List = {
      {ECanNotUpdateMandant::StaticClass(),
       "Die syncronisierten Daten können nicht in die Hauptdatenbank geschrieben werden..<BR>", ""},
      {ECanNotDataCopy2Server::StaticClass(),
       "Die Daten der mobilen Datenbank können nicht kopiert werden..<BR>", ""},
      {ECanNotMobileDataGrabbing::StaticClass(),
       "Die Daten des mobilen Computers können nicht geholt werden.<BR>", ""},
      {ECanNotActiveMandant2TmpGrabbing::StaticClass(),
       "Die Daten des aktuellen Mandanten können nicht geholt werden.<BR>", ""},
      {ECanNotInstall2Mobile::StaticClass(),
       "Die Daten können nicht zum mobilen Computer übertragen werden.<BR>", ""},
      {ECanNotDataCheck::StaticClass(), "Das Überprüfen der Daten ist fehlgeschlagen.<BR>Tabelle ",
       " anscheinend defekt."},
      {ECanNotActiveMandantBak::StaticClass(),
       "Es kann keine Sicherheitskopie der Originaldaten erstellt werden.<BR>", ""},
  };
  return List;
}

// The message for E when the run's branch handles the classes Handled of
// its own; any other exception shows its cause after the head (an engine
// failure its German reason naming the file).
String FailureText(const Exception& E, std::initializer_list<TClass> Handled) {
  for (const TStepFailure& F : StepFailures()) {
    if (!E.InheritsFrom(F.Class)) continue;
    for (TClass C : Handled)
      if (C == F.Class) return String(FailureHead) + F.Text + E.Message() + F.After;
  }
  const String Cause = CauseText(E);
  return String(FailureHead) + (Cause.empty() ? String("unbekannter Fehler.") : Cause);
}

// The name of the wizard's current page ("0", "2" or "3").
String CurrentPage(TFsync& F) {
  TWizardNotebook* W = F.WizardNotebook1;
  Integer Index = W->PageIndex();
  if (Index < 0 || Index >= W->Pages()->Count()) return String();
  return (*W->Pages())[Index];
}

void GoBack(TFsync& F, int Times) {
  for (int I = 0; I < Times; ++I) F.WizardNotebook1->Back(F.WizardNotebook1);
}

// After a failed run: back to the list, where "Weiter" tests the target
// afresh. Going back only to the target page would offer the same run
// again under "Weiter" and repeat the failure.
void BackToListAfterFailure(TFsync& F) {
  while (CurrentPage(F) != "0" && F.WizardNotebook1->PageIndex() > 0) GoBack(F, 1);
}

// The "Übernehmen" action of page "0": save the list and stay on the row.
void ApplyConfiguration(TFsync& F) {
  if (F.FlatButton3423423->OnClick) {
    F.FlatButton3423423->OnClick(F.FlatButton3423423);
    return;
  }
  String Path;
  try {
    Path = F.KM->FieldByName("Path")->AsString();
  } catch (const Exception&) {
    // A list that cannot be read here is saved all the same.
  }
  F.SaveInstallationList();
  F.KM->Locate("Path", Variant(Path), TLocateOptions());
  F.ConfigChanged = false;
}

// ---- Page "2": the target --------------------------------------------------------

void ArriveOnTargetPage(TFsync& F, bool FinalState) {
  F.scignoreadr->SetChecked(false);
  if (F.ConfigChanged && F.AskMsg("<B>Die Konfiguration wurde geändert. Jetzt speichern?</B>"))
    ApplyConfiguration(F);
  F.ReadCurrentEntry();
  F.Label62342->SetCaption("Überprüfen..");
  F.BaseDir->SetCaption("<B>Abgleich...</B>");
  F.FlatInstalls2->SetText(String());
  F.Update();
  StartWait();
  F.FlatButton_next->SetCaption("&Ausführen");
  F.FlatButton_next->Update();
  try {
    if (!FinalState && F.RunMode == 0 && !F.CheckTarget()) GoBack(F, 2);
  } catch (...) {
    StopWait();
    throw;
  }
  StopWait();
}

// ---- Page "3": the run -------------------------------------------------------------

// The closing message of an installation and its help text.
void ReportInstallation(TFsync& F) {
  F.ShowMsg("<B>" + HostProductName + " Mobile wurde neu installiert.<BR>" +
                "Sie können die neue Installation aus dem Verzeichis " + F.CurrentPath +
                "TOVAR.EXE starten.<BR>" + "Zum Datenabgleich führen Sie dieses Programm wieder aus.",
            "Wenn Sie ein temporäres Verzeichnis benutzt haben, müssen Sie dieses Verzeichnis auf ihren "
            "mobilen Computer übertragen<BR>.Starten Sie " +
                HostProductName + " dann direkt aus diesem Verzeichnis durch den Aufruf von \"tovar.exe\".");
}

String CounterLine(const char* Caption, Integer Value) {
  return String("<FONT  size=\"10\" color=\"#0080FF\"><B>") + Caption + "<IND x=\"170\">" + IntToStr(Value) +
         "<BR></B></Font>";
}

// The closing message of a synchronisation with the four counters.
void ReportSynchronisation(TFsync& F) {
  F.ShowMsg("<B>" + HostProductName + " Mobile wurde synchronisiert.<BR>" +
                "Ihrer Datenbank wurden hinzugefügt, aktualisiert:<BR>" +
                CounterLine("Aufträge aktualisiert:", F.OrdersUpdated) +
                CounterLine("Aufträge hinzugefügt:", F.OrdersAdded) +
                CounterLine("Adressen aktualisiert:", F.AddressesUpdated) +
                CounterLine("Adressen hinzugefügt:", F.AddressesAdded) + OrdersNotTakenOverText(F) +
                "Sie können die aktualisierte Version Installation aus dem Verzeichis " + F.CurrentPath +
                "TOVAR.EXE starten.<BR>" + "Zum Datenabgleich führen Sie dieses Programm wieder aus.",
            "Die aktualisierten Daten werden nach Neustart von " + HostProductName +
                " auf dem mobilen System eingelesen.");
}

// The end of a completed run: the entry is updated and the form comes up.
void FinishRun(TFsync& F) {
  F.MarkStep(8);
  F.RunMode = 0;
  F.UpdateInstallationEntry();
  F.BringToFront();
}

// Locks the office again when a failed run left it unlocked; true when it
// is locked. A failure to connect is shown.
bool RetakeLock(TFsync& F) {
  try {
    return F.RelockDatabase();
  } catch (const Exception& E) {
    F.ShowMsg(FailureText(E, {}));
  } catch (const std::exception& E) {
    F.ShowMsg(FailureText(Exception(E.what()), {}));
  }
  return false;
}

// Runs Steps; a failure shows its message (the classes Handled with their
// own text), locks the office again when the write-back had released it,
// and goes back one page.
template <class TSteps>
void Guarded(TFsync& F, std::initializer_list<TClass> Handled, TSteps Steps) {
  try {
    Steps();
    return;
  } catch (const Exception& E) {
    F.ShowMsg(FailureText(E, Handled));
  } catch (const std::exception& E) {
    F.ShowMsg(FailureText(Exception(E.what()), Handled));
  }
  // The user has read that the run failed: the next start need not say that
  // the laptop lacks its data.
  F.LaptopReminder.Done();
  RetakeLock(F);
  BackToListAfterFailure(F);
}

// RunMode 1: a new mobile installation.
void RunInstallation(TFsync& F) {
  Guarded(F, {ECanNotActiveMandant2TmpGrabbing::StaticClass(), ECanNotInstall2Mobile::StaticClass()}, [&F] {
    F.MarkStep(-1);
    F.MarkStep(1);
    F.ReadCurrentMandant();
    F.MarkStep(3);
    F.CheckData(ServerCheckFiles, true);
    F.MarkStep(7);
    F.InstallToMobile();
    FinishRun(F);
    ReportInstallation(F);
    GoBack(F, 3);
    F.EnableWizardButtons(true);
  });
}

// RunMode 2: a synchronisation of an existing installation.
void RunSynchronisation(TFsync& F) {
  std::initializer_list<TClass> Handled = {
      ECanNotUpdateMandant::StaticClass(),   ECanNotDataCopy2Server::StaticClass(),
      ECanNotMobileDataGrabbing::StaticClass(), ECanNotActiveMandant2TmpGrabbing::StaticClass(),
      ECanNotInstall2Mobile::StaticClass(),  ECanNotDataCheck::StaticClass(),
      ECanNotActiveMandantBak::StaticClass()};
  Guarded(F, Handled, [&F] {
    F.MarkStep(0);
    F.MarkStep(1);
    F.ReadCurrentMandant();
    F.MarkStep(2);
    F.FetchMobileData();
    F.MarkStep(3);
    F.CheckData(ServerCheckFiles, true);
    F.CheckData(RemoteCheckFiles, false);
    F.MergeMobileData();
    F.MarkStep(4);
    F.CheckData(ServerCheckFiles, false);
    F.MarkStep(5);
    F.BackupMandant();
    F.MarkStep(6);
    F.WriteBackMandant();
    F.MarkStep(7);
    F.InstallToMobile();
    LaptopReceivedRun(F);
    FinishRun(F);
    ReportSynchronisation(F);
    F.LockDatabase(&F, true);
    GoBack(F, 3);
    F.EnableWizardButtons(true);
  });
}

void ArriveOnRunPage(TFsync& F, bool FinalState) {
  F.l5->SetCaption("Zustand Mandant vor Synchronisation sichern");
  F.FlatButton_next->SetVisible(false);
  if (FinalState) return;
  F.MarkStep(-1);
  F.pgmain->SetPosition(0);
  F.EnableWizardButtons(false);
  StopServices();
  // The page's header, buttons and labels show for the run before it starts.
  DispatchPaintMessages();
  StartWait();
  F.RunActive = true;
  {
    TRunPaintThrottle Throttle;
    // A run reads the office only while it holds the lock (a failed run may
    // have left it released).
    if ((F.RunMode == 1 || F.RunMode == 2) && !RetakeLock(F)) BackToListAfterFailure(F);
    else if (F.RunMode == 1) RunInstallation(F);
    else if (F.RunMode == 2) RunSynchronisation(F);
  }
  F.RunActive = false;
  F.EnableWizardButtons(true);
  if (CurrentPage(F) == "0") {
    F.FlatButton_next->SetVisible(true);
    F.FlatButton_back->SetVisible(false);
    F.scignoreadr->SetChecked(false);
  }
  StopWait();
  // A close asked for during the run: the user has read its outcome now.
  if (F.CloseAfterRun) {
    F.CloseAfterRun = false;
    F.Close();
  }
}

// ---- Wizard events -------------------------------------------------------------------

void NextClick(TFsync& F, bool FinalState) {
  String Page = CurrentPage(F);
  if (Page == "2") ArriveOnTargetPage(F, FinalState);
  else if (Page == "3") ArriveOnRunPage(F, FinalState);
}

void BackClick(TFsync& F) {
  if (CurrentPage(F) == "0") {
    F.scignoreadr->SetChecked(false);
    F.RunMode = 0;
    F.ReadCurrentEntry();
  }
  F.FlatButton_next->SetVisible(true);
  F.FlatButton_next->SetCaption("&Weiter");
}

void PageChanged(TFsync& F) {
  StopWait();
  if (CurrentPage(F) == "0") F.FlatButton_back->SetVisible(false);
}

// ---- Closing ------------------------------------------------------------------------------

// Starts the host's executable "TOVAR.EXE" of the tool's folder again.
void RestartHostProgram() {
  String Path = ExcludeTrailingPathDelimiter(GetProgramDir()) + "/TOVAR.EXE";
  TProcessInformation Info;
  if (CreateProcess(Path, "\"" + Path + "\"", String(), Info)) Info.hProcess.Close();
}

// During a run the window stays until the run has ended and its message
// was read; it closes then. Otherwise it may always close: the temporary tree goes, the office is
// disconnected, the services start again, and after "&Schließen" the host.
void CloseQuery(TFsync& F, bool& CanClose) {
  if (F.RunActive) {
    CanClose = false;
    F.CloseAfterRun = true;
    F.ShowInfo("Bitte warten, die Synchronisation läuft noch");
    return;
  }
  CanClose = true;
  String Path;
  F.InstallerDir(String(), true, Path);
  F.OakConnection->Disconnect();
  StartServices();
  if (F.RestartHost) RestartHostProgram();
}

}  // namespace

void AttachRunDriver(TFsync* Form) {
  TFsync& F = *Form;
  F.WizardNotebook1->OnButtonNextClick = [&F](TObject*, bool FinalState) { NextClick(F, FinalState); };
  F.WizardNotebook1->OnButtonBackClick = [&F](TObject*) { BackClick(F); };
  F.WizardNotebook1->OnPageChanged = [&F](TObject*) { PageChanged(F); };
  F.FlatButton_cancel->OnClick = [&F](TObject*) {
    F.RestartHost = true;
    F.Close();
  };
  F.OnCloseQuery = [&F](TObject*, bool& CanClose) { CloseQuery(F, CanClose); };
  F.BackupFile1->OnProgress = [&F](TObject*, const String&, TPercentage Percent, bool&) {
    F.pgmain->SetPosition(Percent);
  };
}
