// TFsync: construction of the form, FormCreate, KMAfterScroll,
// FormShow, the message helpers, the temporary tree and the step marker.
#include "sync/Umsync.h"

#include <chrono>
#include <utility>

#include "foundation/FileUtils.h"
#include "foundation/USettings.h"
#include "platform/os/files.h"
#include "platform/rtl/sysutils.h"
#include "ui/look/ULookAndFeel.h"
#include "ui/look/sb.h"

RTL_IMPLEMENT_CLASS(ECanNotActiveMandant2TmpGrabbing, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ECanNotMobileDataGrabbing, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ECanNotDataCheck, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ECanNotDataCopy2Server, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ECanNotActiveMandantBak, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ECanNotUpdateMandant, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ECanNotInstall2Mobile, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ECanNotTmpdelete, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ENotMobilefound, Exception, nullptr)
RTL_IMPLEMENT_CLASS(EBadMobilefound, Exception, nullptr)
RTL_IMPLEMENT_CLASS(EOtherMobilefound, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ENotEqualMobileIDorGUIDfound, Exception, nullptr)
RTL_IMPLEMENT_CLASS(EMobileDatetoNew, Exception, nullptr)
RTL_IMPLEMENT_CLASS(TFsync, TForm, &FormFactory<TFsync>)

String HostProductName;

const char* const HostMainWindowClass = "T_KELPO_Mainform";
const char* const InstallerFolderName = "Kelpo-Laptop-Installer/";
const char* const PrivateTempPrefix = "mds-";
const char* const MobileFolderName = "KelpoM/";
const char* const MobileDataFolder = "KVS/DATA/REMOTE/";
const char* const MarkerFileName = "KELPAMBO.FILE";

const char* const SettingsFiles[9] = {"setup.OAT",   "setup.OAM",   "setup.OAI",
                                      "OrderVL.OAM", "OrderVL.OAT", "OrderVL.OAI",
                                      "TEXT.OAM",    "TEXT.OAT",    "TEXT.OAI"};
const char* const MainDataFiles[11] = {"Adressen.OAI",    "ArtikelMain.OAI", "ArtikelSub.OAI",
                                       "Adressen.oam",    "ArtikelMain.oam", "Auftraege.OAM",
                                       "Adressen.OAT",    "ArtikelMain.OAT", "ArtikelSub.OAT",
                                       "Auftraege.OAT",   "Auftraege.OAI"};

RTL_MESSAGE_MAP(TFsync) { M.On(WM_STARTUP, &TFsync::StartUp); }

String SetupText(TDataSet* Table) { return TrimRight(Table->FieldByName("stringItem")->AsString()); }

char MobileIDChar(Integer ID) { return ID >= 0 && ID <= 7 ? MobileIDChars[ID] : MobileIDChars[0]; }

TFsync::TFsync(TComponent* AOwner) : TForm(AOwner) { RegisterFsyncClasses(); }

TFsync::~TFsync() = default;

void TFsync::FormCreate(TObject*) {
  ApplyLookToForm(this, true);
  MacroFiles = std::make_unique<TStringList>();
  LayoutFiles = std::make_unique<TStringList>();
  TextFiles = std::make_unique<TStringList>();
  PluginFiles = std::make_unique<TStringList>();
  PostcodeFiles = std::make_unique<TStringList>();
  KeptOrders = std::make_unique<TKeptOrders>();
  LastSyncDate = 0;
  OrdersUpdated = OrdersAdded = AddressesUpdated = AddressesAdded = 0;
  ConfigChanged = false;
  RunMode = 0;
  RestartHost = false;
  FlatButton_back->SetVisible(false);
  WizardNotebook1->Reset();
  // The settings loader reports through the program's message box.
  if (!SettingsMessageHook) SettingsMessageHook = [](const String& Html) { ShowMsgBox(Html); };
}

void TFsync::KMAfterScroll(TDataSet*) {
  try {
    ReadCurrentEntry();
  } catch (const Exception&) {
    // A list still being built has no complete row yet.
  }
  RunMode = 0;
}

namespace {
// The index of a stored number into a table of Count entries: the value
// masked to 0..127; anything outside the table counts as 0.
Integer ListTableIndex(TField* Field, Integer Count) {
  Integer V = StrToIntDef(Trim(Field->AsString()), 0) & 127;
  return V < Count ? V : 0;
}
}  // namespace

void TFsync::I_DBKMSYSDrawTextFormat(TField* Field, String& Text) {
  if (!Field) return;
  if (SameText(Field->FieldName(), "ID")) Text = String(1, MobileIDChars[ListTableIndex(Field, 8)]);
  else if (SameText(Field->FieldName(), "RIGHTS")) Text = MobileLevelTexts[ListTableIndex(Field, 5)];
  else Text = TrimRight(Text);
}

void TFsync::I_DBKMSYSBeforeHint(TField* Field, String& Text) {
  if (!Field) return;
  if (SameText(Field->FieldName(), "ID")) Text = String(1, MobileIDChars[ListTableIndex(Field, 8)]);
  else if (SameText(Field->FieldName(), "RIGHTS")) Text = MobileDataModeTexts[ListTableIndex(Field, 5)];
}

void TFsync::I_DBKMSYSKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key == VK_INSERT || Key == VK_DELETE) Key = 0;
  TDataSet* DS = I_DBKMSYS->DataSource() ? I_DBKMSYS->DataSource()->DataSet() : nullptr;
  if (Key == VK_DOWN && DS && DS->Active() && (DS->Eof() || DS->RecNo() >= DS->RecordCount())) Key = 0;
}

void TFsync::FormShow(TObject*) {
  PostMessage(Handle(), WM_STARTUP, 0, 0);
  SetCaption("Laptopabgleich - mobile Datenerfassung für " + HostProductName);
}

void TFsync::ShowMsg(const String& Text, const String& HelpText) { ShowMsgBox(Text, HelpText); }

bool TFsync::AskMsg(const String& Text, const String& HelpText) { return AskMsgBox(Text, HelpText); }

void TFsync::ShowInfo(const String& Text) {
  lbinfo->SetCaption(Text);
  lbinfo->Update();
  if (OnInfo) OnInfo(Text);
}

void TFsync::InstallerDir(const String& Sub, bool Delete, String& Path) {
  Path.clear();
  // The tree holds copies of the office database: it lives in a folder of
  // this session alone, never under a fixed name others could plant.
  if (PrivateTempRoot.empty()) {
    if (Delete) return;
    PrivateTempRoot = CreatePrivateTempDir(PrivateTempPrefix);
    // Its copies are made again by the next run when this one fails: the
    // engine need not force them to the disk.
    os::AddScratchFolder(PrivateTempRoot);
  }
  Path = IncludeTrailingBackslash(PrivateTempRoot + InstallerFolderName + Sub);
  if (!Delete) {
    ForceDirectoryTree(Path);
  } else if (Sub.empty()) {
    ReleasePrivateTempDir(PrivateTempRoot);
    os::RemoveScratchFolder(PrivateTempRoot);
    DeleteDirectoryTree(PrivateTempRoot, true);
    PrivateTempRoot.clear();
  } else {
    DeleteDirectoryTree(Path, true);
  }
}

void TFsync::EnableWizardButtons(bool Enabled) {
  FlatButton_back->SetEnabled(Enabled);
  FlatButton_cancel->SetEnabled(Enabled);
}

namespace {

// The pump's throttle: how many throttles live, whether the next call is to
// paint whatever the time, and when the throttled pump last painted.
struct TPaintThrottleState {
  int Depth = 0;
  bool Forced = false;
  std::chrono::steady_clock::time_point Last;
};

TPaintThrottleState& PaintThrottle() {
  static TPaintThrottleState State;
  return State;
}

// True when the pump is to paint now.
bool PaintIsDue() {
  TPaintThrottleState& T = PaintThrottle();
  const bool Forced = std::exchange(T.Forced, false);
  if (T.Depth == 0) return true;
  const auto Now = std::chrono::steady_clock::now();
  if (!Forced && Now - T.Last < std::chrono::milliseconds(TRunPaintThrottle::RunPaintIntervalMs)) return false;
  T.Last = Now;
  return true;
}

}  // namespace

TRunPaintThrottle::TRunPaintThrottle() { ++PaintThrottle().Depth; }

TRunPaintThrottle::~TRunPaintThrottle() {
  if (--PaintThrottle().Depth == 0) PaintThrottle().Forced = false;
}

void PaintNow() {
  PaintThrottle().Forced = true;
  DispatchPaintMessages();
}

void PaintPendingWindows() {
  // Bounded: a window that keeps invalidating itself must not hold the run.
  MSG M;
  if (PaintIsDue())
    for (int I = 0; I < 1000 && PeekMessage(M, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++I) DispatchMessage(M);
  // A close request of the desktop is answered at once (the form says that
  // the run goes on); other input waits for the end of the run.
  for (int I = 0; I < 100 && PeekMessage(M, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE); ++I)
    DispatchMessage(M);
}

void TFsync::MarkStep(Integer Step) {
  TLabel* Labels[8] = {l1, l2, l3, l4, l5, l6, l7, l8};
  if (Step <= 0) {
    fbstepshow->SetVisible(false);
    for (int I = 1; I < 8; ++I) Labels[I]->Font()->SetColor(Step < 0 ? InactiveStepColor : clBlack);
    for (TLabel* L : Labels) L->Font()->SetStyle(TFontStyles());
  } else if (Step <= 8) {
    TLabel* Marked = Labels[Step - 1];
    fbstepshow->SetTop(Marked->Top() - 4);
    fbstepshow->SetVisible(true);
    for (TLabel* L : Labels) L->Font()->SetStyle(L == Marked ? TFontStyles{fsBold} : TFontStyles());
  }
  BringToFront();
  // The run goes on at once: the new step shows now, not when it is over.
  PaintNow();
}
