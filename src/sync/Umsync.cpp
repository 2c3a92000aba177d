// TFsync: construction of the form, FormCreate, KMAfterScroll,
// FormShow, the message helpers, the temporary tree and the step marker.
#include "sync/Umsync.h"

#include "foundation/FileUtils.h"
#include "foundation/USettings.h"
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
  Path = IncludeTrailingBackslash(IncludeTrailingBackslash(GetTempDir()) + InstallerFolderName + Sub);
  if (Delete)
    DeleteDirectoryTree(Path, true);
  else
    ForceDirectoryTree(Path);
}

void TFsync::EnableWizardButtons(bool Enabled) {
  FlatButton_back->SetEnabled(Enabled);
  FlatButton_cancel->SetEnabled(Enabled);
}

void TFsync::MarkStep(Integer Step) {
  TLabel* Labels[8] = {l1, l2, l3, l4, l5, l6, l7, l8};
  if (Step <= 0) {
    fbstepshow->SetVisible(false);
    for (int I = 1; I < 8; ++I) Labels[I]->Font()->SetColor(Step < 0 ? clSilver : clBlack);
    for (TLabel* L : Labels) L->Font()->SetStyle(TFontStyles());
  } else if (Step <= 8) {
    TLabel* Marked = Labels[Step - 1];
    fbstepshow->SetTop(Marked->Top() - 4);
    fbstepshow->SetVisible(true);
    for (TLabel* L : Labels) L->Font()->SetStyle(L == Marked ? TFontStyles{fsBold} : TFontStyles());
  }
  BringToFront();
}

// ---- Stand-in controls ---------------------------------------------------------

RTL_IMPLEMENT_CLASS(TFsyncCheckBox, TCustomControl, &ComponentFactory<TFsyncCheckBox>)

TFsyncCheckBox::TFsyncCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(Left(), Top(), 97, 17);
}

void TFsyncCheckBox::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  Invalidate();
}

void TFsyncCheckBox::Click() {
  SetChecked(!FChecked);
  TCustomControl::Click();
}

void TFsyncCheckBox::Paint() {
  TCanvas* C = Canvas();
  TRect R = ClientRect();
  C->Brush()->SetColor(Color());
  C->FillRect(R);
  C->Brush()->SetColor(Enabled() ? clBtnShadow : clSilver);
  C->FrameRect(TRect{2, 2, 16, 16});
  C->Brush()->SetColor(FChecked ? clBlack : clWhite);
  C->FillRect(TRect{4, 4, 14, 14});
  C->Brush()->SetStyle(bsClear);
  C->Font()->Assign(Font());
  C->TextOut(20, (R.Height() - C->TextHeight("Ag")) / 2, Caption());
}
