// The handlers of page "0": editing the selected slot of the installation
// list (description, folder, rights), saving it ("Übernehmen"), removing
// an installation and the help page.
#include "foundation/USettings.h"
#include "platform/gui/extctrls_timer.h"
#include "platform/gui/fonts.h"
#include "platform/gui/graphics_drawtext.h"
#include "platform/os/fileapi.h"
#include "platform/os/folders.h"
#include "platform/os/process.h"
#include "platform/rtl/sysutils.h"
#include "sync/USelID.h"
#include "sync/USeldir.h"
#include "sync/Umsync.h"
#include "ui/look/sb.h"

namespace {

// Resets a RIGHTS value of 5 or more (no level) to 0 on the current row.
void ClampRights(TDataSet* KM) {
  TField* Rights = KM->FieldByName("RIGHTS");
  if (Rights->AsInteger() >= 5) Rights->SetAsInteger(0);
}

// True when Text fits the string field FieldName of KM; otherwise tells
// so in the message box (What names the value) and returns False.
bool FitsField(TDataSet* KM, const String& FieldName, const String& Text, const String& What) {
  Integer Size = KM->FieldByName(FieldName)->Size();
  if (Size <= 0 || Integer(Text.size()) <= Size) return true;
  ShowMsgBox(What + " ist zu lang: höchstens " + IntToStr(Size) + " Zeichen sind möglich.<BR>Der Eintrag bleibt unverändert.");
  return false;
}

// Saves Form's list; a failure is shown in the message box. True when saved.
bool SaveListShowingFailure(TFsync* Form) {
  try {
    Form->SaveInstallationList();
    return true;
  } catch (const Exception& E) {
    Form->ShowMsg("Die Liste der Installationen kann nicht gespeichert werden.<BR>" + E.Message());
    return false;
  }
}

// The end of Path behind "...", as much of it as fits Width pixels in
// Canvas's font; Path itself when it fits.
String PathEndThatFits(TCanvas* Canvas, const String& Path, Integer Width) {
  if (Path.empty() || Canvas->TextWidth(Path) <= Width) return Path;
  const std::u32string Chars = Utf8ToCodePoints(Path);
  auto Shown = [&](size_t From) { return "..." + CodePointsToUtf8(Chars.substr(From)); };
  // The fewest characters cut from the front: bisect the first one kept.
  size_t Low = 1, High = Chars.size();
  while (Low < High) {
    size_t Mid = (Low + High) / 2;
    if (Canvas->TextWidth(Shown(Mid)) <= Width) High = Mid;
    else Low = Mid + 1;
  }
  return Shown(Low);
}

}  // namespace

// Targets below one folder share the front of their paths: a path that
// its cell cuts shows its end, right-aligned in one line, so that each row
// names its own target (the hint gives it whole).
void TFsync::I_DBKMSYSDrawRichText(TCanvas* Canvas, TField* Field, TRect Rect, String& Text, bool& Draw,
                                   TGridDrawState) {
  if (!Field || !SameText(Field->FieldName(), "Path")) return;
  InflateRect(Rect, -2, -2);
  Canvas->SetBkMode(TRANSPARENT);
  DrawText(*Canvas, PathEndThatFits(Canvas, Text, Rect.Width()), Rect, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
  Draw = true;
}

void TFsync::flbnameClick(TObject*) {
  ConfigChanged = true;
  String Answer;
  InputMsgBox(KM->FieldByName("Name")->AsString(), "Beschreibung:", false, false, nullptr, Answer);
  if (Answer.empty() || !FitsField(KM, "Name", Answer, "Die Beschreibung")) return;
  EditInstallationEntry([&] {
    KM->FieldByName("Name")->SetAsString(Answer);
    ClampRights(KM);
  });
}

void TFsync::flbpathClick(TObject*) {
  ConfigChanged = true;
  String Path;
  ExecuteSelDir(Path);
  if (Path.empty()) return;
  if (FileExists(Path)) {
    ShowMsgBox("<B>" + Path + "</B><BR>ist eine Datei, kein Verzeichnis.<BR>Der Eintrag bleibt unverändert.");
    return;
  }
  if (!FitsField(KM, "Path", Path, "Der Pfad")) return;
  EditInstallationEntry([&] {
    KM->FieldByName("Path")->SetAsString(Path);
    ClampRights(KM);
  });
  ReadCurrentEntry();
}

void TFsync::flbr23423Click(TObject*) {
  ConfigChanged = true;
  Integer Stored = KM->FieldByName("RIGHTS")->AsInteger();
  Byte Level = Byte(Stored >= 0 && Stored < 5 ? Stored : 0);
  if (!ExecuteSelID(Level)) return;
  EditInstallationEntry([&] { KM->FieldByName("RIGHTS")->SetAsInteger(Level); });
  ReadCurrentEntry();
}

void TFsync::FlatButton3423423Click(TObject*) {
  // The slot's ID finds the row again: paths repeat (free slots all have
  // an empty one), slot IDs do not.
  Integer ID = 0;
  try {
    ID = KM->FieldByName("ID")->AsInteger();
  } catch (const Exception&) {
    // An unreadable row leaves the cursor where saving puts it.
  }
  if (!SaveListShowingFailure(this)) return;
  if (ID > 0) KM->Locate("ID", Variant(ID), TLocateOptions());
  ConfigChanged = false;
}

void TFsync::FlatButton2Click(TObject*) {
  if (!KM->Active() || KM->RecordCount() == 0) return;
  if (!AskMsg("Eintrag entfernen?")) return;
  ConfigChanged = true;
  EditInstallationEntry([this] {
    for (const char* Name : {"2", "3", "4", "5", "6", "Path", "Name"}) KM->FieldByName(Name)->Clear();
  });
  SaveListShowingFailure(this);
  ReadCurrentEntry();
}

namespace {

String HelpFailure(const String& Reason) { return "<B>Die Hilfe kann nicht angezeigt werden:</B><BR>" + Reason; }

}  // namespace

void TFsync::FlatButton332423Click(TObject*) {
  const String Page = ExtractFilePath(ParamStr(0)) + "synchlp.htm";
  TShellExecuteInfo Info;
  Info.fMask = SEE_MASK_NOCLOSEPROCESS;
  Info.lpVerb = "open";
  Info.lpFile = Page;
  if (ShellExecuteEx(Info)) {
    // xdg-open tells a failure only by its exit code, after it started:
    // it is watched without holding up the window.
    if (!Info.hProcess.Valid()) return;
    HelpOpener = Info.hProcess;
    FHelpPage = Page;
    FHelpOpenerStart = std::chrono::steady_clock::now();
    if (!HelpOpenerWatch) {
      HelpOpenerWatch = new TTimer(this);
      HelpOpenerWatch->SetInterval(100);
      HelpOpenerWatch->SetOnTimer([this](TObject* Sender) { HelpOpenerTick(Sender); });
    }
    HelpOpenerWatch->SetEnabled(true);
    return;
  }
  // Without a word the button would seem broken.
  if (!FileExists(Page))
    ShowMsg(HelpFailure("Die Hilfeseite " + Page + " fehlt."));
  else
    ShowMsg(HelpFailure("Es ist kein Programm eingerichtet, das die Hilfeseite " + Page + " öffnet (xdg-open)."));
}

void TFsync::HelpOpenerTick(TObject*) {
  DWORD Code = 0;
  if (!GetExitCodeProcess(HelpOpener, Code)) Code = 0;
  bool Patient = std::chrono::steady_clock::now() - FHelpOpenerStart < std::chrono::milliseconds(HelpOpenerPatienceMs);
  if (Code == STILL_ACTIVE && Patient) return;
  HelpOpenerWatch->SetEnabled(false);
  HelpOpener.Close();
  if (Code != STILL_ACTIVE && Code != 0 && Patient)
    ShowMsg(HelpFailure("Die Hilfeseite " + FHelpPage + " konnte nicht geöffnet werden (xdg-open endete mit Code " +
                        IntToStr(Integer(Code)) + ")."));
}
