// The target check: the selected slot's folder is tested (it must exist
// and be writable; the installation lives in its sub-folder "KelpoM/") and
// the mobile installation found there is inspected. The outcome is the run
// mode: 1 installs a new (or overwrites a broken) installation, 2
// synchronises an existing one whose identity rows agree with the office
// and the slot, 0 when nothing can be done.
#include <memory>

#include "foundation/BusyCursor.h"
#include "foundation/FileUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/USettings.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync.h"

namespace {

constexpr Integer RowMobileGUID = 1;
constexpr Integer RowMobileID = 4;
constexpr Integer RowOfficeGUID = 5;
constexpr Integer RowLastSync = 6;

const String FailedHeader = "<B>Folgender Fehler ist aufgetreten:</B><BR>";

// The stringItem of row Ident of an open setup.oat; False when missing.
bool ReadSetupRow(TOakTable* Table, Integer Ident, String& Text) {
  if (!Table->Seek(IntToStr(Ident), true)) return false;
  Text = SetupText(Table);
  return true;
}

// How many of the twenty table files of a complete installation exist in
// DataFolder.
Integer CountMobileFiles(const String& DataFolder) {
  Integer Present = 0;
  for (const char* Name : MainDataFiles) Present += FileExistsEx(DataFolder + Name) ? 1 : 0;
  for (const char* Name : SettingsFiles) Present += FileExistsEx(DataFolder + Name) ? 1 : 0;
  return Present;
}

// The first line of a text file; raises when it cannot be read.
String FirstLineOf(const String& FileName) {
  TStringList Lines;
  Lines.LoadFromFile(FileName);
  return Lines.Count() > 0 ? Lines[0] : String();
}

bool EndsWithMobileFolder(const String& Path) { return AnsiEndsText(MobileFolderName, Path); }

}  // namespace

TDateTime ReadMobileDate(TOakTable* Table) {
  try {
    String Text;
    if (ReadSetupRow(Table, RowLastSync, Text)) return StampToDateTime(Text);
  } catch (...) {
    // An unreadable stamp counts as no synchronisation yet.
  }
  return 0;
}

Integer ReadMobileID(TOakTable* Table) {
  String Text;
  if (!ReadSetupRow(Table, RowMobileID, Text)) return 0;
  Integer ID = StrToInt(Text);
  return ID >= 1 && ID <= 7 ? ID : 0;
}

bool IsOfficeGUID(TOakTable* Table, const String& GUID) {
  String Text;
  return ReadSetupRow(Table, RowOfficeGUID, Text) && Text == GUID;
}

bool IsMobileGUID(TOakTable* Table, const String& GUID) {
  String Text;
  return ReadSetupRow(Table, RowMobileGUID, Text) && Text == GUID;
}

bool TFsync::CheckTarget() {
  StartWait();
  RunMode = 0;
  BaseDir->SetCaption("<B>Überprüfen...</B>");
  Label62342->SetCaption("Remotecomputer wird untersucht..   ");
  Update();
  CurrentPath = IncludeTrailingBackslash(CurrentPath);
  bool Probed = ApplyTargetPath();
  if (Probed) {
    String Info, DateText;
    ProbeMobileInstallation(Info, DateText);
    ShowProbeResult(Info, DateText);
  }
  StopWait();
  return RunMode != 0;
}

// Checks CurrentPath and makes it end in "KelpoM/"; True when the folder
// may be probed. Shows the refusal otherwise.
bool TFsync::ApplyTargetPath() {
  if (CurrentPath.empty()) {
    StopWait();
    ShowMsg("<B>Sie müssen ein Laufwerk auf Ihrem Remotecomputer angeben.</B>");
    return false;
  }
  if (!IsDirectory(CurrentPath)) {
    StopWait();
    ShowMsg("<B>Auf dieses Verzeichnis kann nicht zugegriffen werden.</B>");
    return false;
  }
  if (!EndsWithMobileFolder(CurrentPath)) {
    if (AnsiContainsText(CurrentPath, MobileFolderName)) {
      StopWait();
      ShowMsg("<B>Dieses Verzeichnis kann nicht benutzt werden.</B>");
      return false;
    }
    CurrentPath += MobileFolderName;
  }
  return CheckTargetWritable();
}

void TFsync::ShowProbeResult(const String& Info, const String& DateText) {
  FlatInstalls2->SetText(CurrentPath);
  BaseDir->SetCaption(Info);
  Label62342->SetCaption("Das Verzeichnis für \"Kelpa Mobile\" ist: " + CurrentPath +
                         "  / Die ID ist: " + String(1, MobileIDChar(CurrentID)) +
                         " / letzter Abgleich: " + DateText);
}

bool TFsync::CheckTargetWritable() {
  ForceDirectoryTree(CurrentPath);
  const String TestFile = CurrentPath + "000.tmp";
  std::unique_ptr<TFileStream> Test;
  try {
    Test = std::make_unique<TFileStream>(TestFile, fmCreate);
  } catch (const EStreamError&) {
    ShowMsg("<B>Das Ziel ist nicht erreichbar oder Sie haben kein Recht dieses Ziel zu benutzen:<BR>" +
            CurrentPath + "</B>");
    return false;
  }
  try {
    Test.reset();
    DeleteFile(TestFile);
  } catch (...) {
    // The test file is left behind; the target stays usable.
  }
  return true;
}

void TFsync::ProbeMobileTables(const String& DataFolder, String& DateText) {
  auto Connection = std::make_unique<TOakConnection>(nullptr);
  Connection->SetOakServerTypes({stOAK_LOCAL});
  Connection->SetConnectPath(DataFolder);
  Connection->Connect();
  auto Table = std::make_unique<TOakTable>(nullptr);
  Table->SetOakConnection(Connection.get());
  Table->SetTableName("setup.oat");
  Label3copy->SetCaption("Rechte checken...");
  Table->SetIndexName("Ident");
  Table->Open();
  try {
    auto WrongID = [&] { return ENotEqualMobileIDorGUIDfound(String(1, MobileIDChar(ReadMobileID(Table.get())))); };
    if (!IsOfficeGUID(Table.get(), Settings()->DatabaseID())) throw EOtherMobilefound(String());
    if (!IsMobileGUID(Table.get(), CurrentGUID)) throw WrongID();
    if (ReadMobileID(Table.get()) != CurrentID) throw WrongID();
    LastSyncDate = ReadMobileDate(Table.get());
    DateText = DateTimeToStr(LastSyncDate);
    if (LastSyncDate > Now()) throw EMobileDatetoNew(DateText);
  } catch (...) {
    Table->Close();
    Connection->Disconnect();
    throw;
  }
  Table->Close();
  Connection->Disconnect();
}

void TFsync::ProbeMarkerFile() {
  const String Marker = CurrentPath + MarkerFileName;
  const String Copy = GetProgramDir() + "tmp/" + MarkerFileName;
  CopyFileByStreams(Marker, Copy);
  bool Found = false;
  if (FileExists(Copy)) {
    try {
      Found = FirstLineOf(Marker) == CurrentGUID && !CurrentGUID.empty();
    } catch (...) {
      throw EBadMobilefound("[keine ID vorhanden]");
    }
  }
  if (!Found) throw EOtherMobilefound(String());
}

void TFsync::ShowProbeFailure(const String& Message) {
  StopWait();
  ShowMsg(FailedHeader + (Message.empty() ? String("unbekannter Fehler.") : Message) +
          "<BR><B>Die Installation scheint defekt zu sein.</B>");
}

void TFsync::ProbeMobileInstallation(String& Info, String& DateText) {
  const String Path = CurrentPath;
  const String Red = "<FONT size=\"10\"><FONT color=\"#FF0000\">";
  const String WrongMandant = "<B>" + Red + "Falscher " + HostProductName + " Mobile Mandant in<BR>" + Path +
                              " gefunden.</FONT></Font><BR>";
  try {
    Integer Present = CountMobileFiles(Path + MobileDataFolder);
    if (Present == 0) throw ENotMobilefound(String());
    if (Present < 20) throw EBadMobilefound(String());
    ProbeMarkerFile();
    ProbeMobileTables(Path + MobileDataFolder, DateText);
    Info = "<B>" + HostProductName + " Mobile gefunden in:<BR>" + Path +
           "<BR>Drücken Sie [Ausführen], um Ihre Daten zu synchronisieren.</B>";
    RunMode = 2;
  } catch (const EMobileDatetoNew& E) {
    StopWait();
    Info = "<B>" + Red + "Der Zeitstempel dieser Datenbank liegt in der Zukunft:</FONT></Font><BR>" +
           E.Message() + "<BR>";
    ShowMsg("<B>" + Info + "<B>", "Evt. stimmt Ihr Systemdatum nicht,<BR>oder die Datenbank ist defekt.");
  } catch (const ENotEqualMobileIDorGUIDfound& E) {
    StopWait();
    const String& T = E.Message();
    Info = WrongMandant + "Die gefundene Datenbank gehört zur Quelldatenbank.<BR>" +
           "Die gefundene ID ist aber falsch: " + T + "<BR>";
    ShowMsg("<B>" + Info + "<B>", "Sie müssen einen Schritt zurückgehen, und die ID " + T + " wählen.<BR>" +
                                      "Wenn diese ID 0 ist, ist die Datenbank defekt.");
  } catch (const EOtherMobilefound& E) {
    StopWait();
    Info = WrongMandant +
           "Die gefundene Datenbank entspricht nicht der gewählten ID oder gehört nicht zum aktuellen "
           "Mandanten.<BR>";
    ShowMsg("<B>" + Info + "<B>",
            "Anscheinend benutzen Sie mehrere Mandanten.<BR>Haben Sie den richtigen Mandanten in " +
                HostProductName + " geöffnet?<BR>" +
                "Wenn Ja, gehen Sie einen Schritt zurück und wählen Sie das richtige Verzeichnis für die ID " +
                E.Message());
  } catch (const ENotMobilefound&) {
    StopWait();
    Info = "<B>Keine " + HostProductName + " Mobile Installation in<BR>" + Path + " gefunden.<BR>" +
           "Drücken Sie [Ausführen] um " + HostProductName + " Mobile mit Daten zu installieren.<BR>" +
           "Die Installation kann erfolgen in<BR>" + Path;
    RunMode = 1;
  } catch (const EBadMobilefound&) {
    StopWait();
    Info = "<B>  " + Red + "Unvollständige " + HostProductName + " Mobile Installation in<BR>" + Path +
           " gefunden.</FONT></Font><BR>Drücken Sie [Ausführen] um " + HostProductName +
           " Mobile mit Daten zu installieren.<BR>" + "Die Installation kann erfolgen in<BR>" + Path +
           MobileFolderName;
    if (AskMsg("<B>Es wurden Teile einer " + HostProductName + " Mobile Installation in<BR>" + Path +
                   "<BR>gefunden. Die Installation ist aber defekt oder wurde noch nicht ausgeführt.<BR>" +
                   "Möchten Sie diese Installation überschreiben?<BR><BR>" + "Die Installation würde in<BR>" +
                   Path + "<BR>erfolgen.",
               "Alle Daten in<BR>" + Path + "<BR>werden gelöscht!"))
      RunMode = 1;
  } catch (const std::exception& E) {
    ShowProbeFailure(E.what());
  } catch (...) {
    ShowProbeFailure(String());
  }
}
