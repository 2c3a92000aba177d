// The copy steps of a run: the office side into "M_Temp/Server/"
// (ReadCurrentMandant), the mobile tables into "M_Temp/Remote/Data/"
// (FetchMobileData), and the helpers every run step shares.
#include "foundation/FileUtils.h"
#include "foundation/UCommonFolders.h"
#include "platform/os/find.h"
#include "platform/os/folders.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync_run.h"

const String ServerCheckFiles[4] = {
    "M_Temp/Server/Data/Adressen.OAT", "M_Temp/Server/Data/ArtikelMain.OAT",
    "M_Temp/Server/Data/ArtikelSub.OAT", "M_Temp/Server/Data/Auftraege.OAT"};
const String RemoteCheckFiles[4] = {
    "M_Temp/Remote/Data/Adressen.OAT", "M_Temp/Remote/Data/ArtikelMain.OAT",
    "M_Temp/Remote/Data/ArtikelSub.OAT", "M_Temp/Remote/Data/Auftraege.OAT"};
const char* const ProgramFiles[9] = {"tovar.exe",    "extend.chr", "OAKLOC32.dll.",
                                     "oaklocal.cfg", "ANSI.CHR",   "oxcws32.dll",
                                     "Oce32.dll",    "kvpp2.exe",  "kvpm2.exe"};
const char* const SelfExtractingPackage = "ZAVOZORUZIZOVAR.EXE";
const char* const UpdateTemplateName = "UPDATEMOBILE.EXE";

// ---- Shared helpers ----------------------------------------------------------------

String RunFolder(TFsync& Form, const String& Sub) {
  String Path;
  Form.InstallerDir(Sub, false, Path);
  return Path;
}

String OfficeDataFolder(TFsync& Form) {
  return IncludeTrailingBackslash(Form.OakConnection->ConnectPath());
}

String MobileDataPath(TFsync& Form) {
  return IncludeTrailingBackslash(Form.CurrentPath) + MobileDataFolder;
}

String ToolFolder() { return IncludeTrailingBackslash(GetProgramDir()); }

std::vector<String> RunTableFiles() {
  std::vector<String> Names(std::begin(SettingsFiles), std::end(SettingsFiles));
  Names.insert(Names.end(), std::begin(MainDataFiles), std::end(MainDataFiles));
  return Names;
}

void StartProgress(TFsync& Form, Integer Position, Integer Max) {
  Form.pgmain->SetMax(Max);
  Form.pgmain->SetPosition(Position);
}

void AdvanceProgress(TFsync& Form) {
  Form.pgmain->SetPosition(Form.pgmain->Position() + 1);
  DispatchPaintMessages();
}

void ShowCopyText(TFsync& Form, const String& Text) {
  Form.Label3copy->SetCaption(Text);
  Form.Label3copy->Update();
  // The text announces work that may take a while: it shows now.
  PaintNow();
}

TCountProgress::TCountProgress(TFsync& Form, const String& What, Integer Count)
    : FForm(Form), FWhat(What), FCount(Count), FClock(GetClockSource()) {}

void TCountProgress::Step() {
  ++FNumber;
  if (FNumber == 1 || FClock->TickCount64() >= FNextTick) Show();
}

void TCountProgress::Finish() {
  if (FShown != FNumber && FNumber > 0) Show();
}

void TCountProgress::Show() {
  ShowCopyText(FForm, FWhat + "  " + IntToStr(FNumber) + " von " + IntToStr(FCount));
  FShown = FNumber;
  FNextTick = FClock->TickCount64() + CountTextInterval;
}

TStepBytes::TStepBytes(TFsync& Form)
    : FForm(Form), FMax(Form.pgmain->Max()), FEnd(Form.pgmain->Position()) {}

TStepBytes::~TStepBytes() {
  if (FForm.pgmain->Max() == FMax) return;
  FForm.pgmain->SetMax(FMax);
  FForm.pgmain->SetPosition(FEnd);
}

TCopyProgress TStepBytes::Progress() {
  return [this](Int64 Done, Int64 Total) {
    // A copy done in one go has nothing finer to show than the bar's
    // step for the file, which it shows already.
    if (Total <= 0 || FEnd <= 0 || (Done == Total && FForm.pgmain->Max() == FMax)) return;
    constexpr Integer Fine = 100;
    FForm.pgmain->SetMax(FMax * Fine);
    FForm.pgmain->SetPosition(Integer((FEnd - 1) * Fine + Done * Fine / Total));
  };
}

void CopyWithProgress(TFsync& Form, const String& Verb, const String& Name, const String& Source,
                      const String& Dest) {
  // The file's name and the advanced bar show in one paint.
  Form.Label3copy->SetCaption(Verb + " " + Name + "..");
  AdvanceProgress(Form);
  TStepBytes Bytes(Form);
  CopyFileByStreams(Source, Dest, Bytes.Progress());
}

std::unique_ptr<TOakConnection> OpenLocalConnection(const String& Folder) {
  auto Connection = std::make_unique<TOakConnection>(nullptr);
  Connection->SetOakServerTypes(TOakServerTypes{stOAK_LOCAL});
  Connection->SetConnectPath(Folder);
  Connection->Connect();
  return Connection;
}

std::unique_ptr<TOakTable> MakeRunTable(TOakConnection* Connection, const String& TableName,
                                        const String& IndexName) {
  auto Table = std::make_unique<TOakTable>(nullptr);
  Table->SetOakConnection(Connection);
  Table->SetTableName(TableName);
  if (!IndexName.empty()) Table->SetIndexName(IndexName);
  return Table;
}

void TFsync::AddFilesByMask(const String& Mask, TStrings* List) {
  TSearchRec F;
  if (FindFirst(Mask, faArchive, F) == 0) {
    do List->Add(F.Name);
    while (FindNext(F) == 0);
  }
  FindClose(F);
}

// ---- ReadCurrentMandant --------------------------------------------------------------

namespace {

// Plug-ins of the tool's folder and the postcode tables of the common
// folder, both as paths relative to the office side of the tree.
void CollectPluginsAndPostcodes(TFsync& Form) {
  Form.PluginFiles->Clear();
  Form.PostcodeFiles->Clear();
  TStringList Names;
  Form.AddFilesByMask(ToolFolder() + "PLUGINS/*.FMC", &Names);
  for (Integer I = 0; I < Names.Count(); ++I) Form.PluginFiles->Add("PLUGINS/" + Names[I]);
  for (const char* Name : {"PLZVW/PLZ.OAI", "PLZVW/PLZ.OAT"})
    if (FileExistsEx(GetCommonAppDataFolder() + Name)) Form.PostcodeFiles->Add(Name);
}

// Adds the files of Mask to List and copies each from SourceFolder to
// Dest; errors end this group silently (the files are optional).
void CopyOptionalGroup(TFsync& Form, const String& Mask, TStrings* List, const String& SourceFolder,
                       const String& Dest) {
  try {
    TStringList Found;
    Form.AddFilesByMask(Mask, &Found);
    for (Integer I = 0; I < Found.Count(); ++I) List->Add(Found[I]);
    for (Integer I = 0; I < Found.Count(); ++I)
      CopyWithProgress(Form, "übertragen von", Found[I], SourceFolder + Found[I], Dest + Found[I]);
  } catch (const Exception&) {
  }
}

void CopyOfficeSide(TFsync& Form, const String& Dest) {
  const String Tool = ToolFolder();
  const String Office = OfficeDataFolder(Form);
  const String Common = GetCommonAppDataFolder();
  const char* Verb = "übertragen von";
  for (Integer I = 0; I < Form.PostcodeFiles->Count(); ++I) {
    String Name = (*Form.PostcodeFiles)[I];
    CopyWithProgress(Form, Verb, Name, Common + Name, Dest + Name);
  }
  for (Integer I = 0; I < Form.PluginFiles->Count(); ++I) {
    String Name = (*Form.PluginFiles)[I];
    CopyWithProgress(Form, Verb, Name, Tool + Name, Dest + Name);
  }
  for (const char* Name : ProgramFiles) CopyWithProgress(Form, Verb, Name, Tool + Name, Dest + Name);
  // A write-back killed half-way is completed before the office is read.
  SettleKilledWriteBack(Office);
  Form.CopiedOfficeTables.clear();
  for (const String& Name : RunTableFiles()) {
    // Taken before the copy: a change during the copy then shows too.
    RememberOfficeTable(Form, Name, Office + Name);
    CopyWithProgress(Form, Verb, Name, Office + Name, Dest + "Data/" + Name);
  }
  CopyWithProgress(Form, Verb, "ZUVID.INI", Tool + "ZUVID.INI", Dest + "ZUVID.INI");
  for (const char* Name : {"FONTSUSER.INI", "ALTEURO.INI", "ALTCUR.INI", "D5006.TXT"})
    if (FileExistsEx(Tool + Name)) CopyWithProgress(Form, Verb, Name, Tool + Name, Dest + Name);
}

void CopyOfficeExtras(TFsync& Form, const String& Dest) {
  const String Office = OfficeDataFolder(Form);
  CopyOptionalGroup(Form, Office + "MACROS/*.RTF", Form.MacroFiles.get(), Office + "MACROS/", Dest);
  CopyOptionalGroup(Form, Office + "*.TXT", Form.TextFiles.get(), Office, Dest);
  for (const char* Ending : {"LST_SLAYB.DA", "_SUPERLAYOUT.DA1", "_SUPERLAYOUT.DA2"})
    CopyOptionalGroup(Form, Office + "*" + Ending, Form.LayoutFiles.get(), Office, Dest);
}

void WriteMarkerFile(TFsync& Form, const String& Dest) {
  TStringList Marker;
  Marker.Add(Form.CurrentGUID);
  Marker.SaveToFile(Dest + MarkerFileName);
}

}  // namespace

bool TFsync::ReadCurrentMandant() {
  try {
    const String Dest = RunFolder(*this, "M_Temp/Server");
    CollectPluginsAndPostcodes(*this);
    StartProgress(*this, 1, PostcodeFiles->Count() + PluginFiles->Count() + 29);
    CopyOfficeSide(*this, Dest);
    CopyOfficeExtras(*this, Dest);
    WriteMarkerFile(*this, Dest);
  } catch (...) {
    RaiseStepError<ECanNotActiveMandant2TmpGrabbing>();
  }
  return true;
}

// ---- FetchMobileData -------------------------------------------------------------------

bool TFsync::FetchMobileData() {
  try {
    const String Dest = RunFolder(*this, "M_Temp/Remote");
    const String Mobile = MobileDataPath(*this);
    StartProgress(*this, 1, 20);
    for (const String& Name : RunTableFiles())
      CopyWithProgress(*this, "holen von", Name, Mobile + Name, Dest + "Data/" + Name);
  } catch (...) {
    RaiseStepError<ECanNotMobileDataGrabbing>();
  }
  return true;
}
