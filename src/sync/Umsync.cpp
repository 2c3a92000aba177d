// TFsync: construction of the form and its components, FormCreate,
// FormShow, the message helpers, the temporary tree and the step marker.
#include "sync/Umsync.h"

#include <algorithm>

#include "foundation/FileUtils.h"
#include "foundation/USettings.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/sysutils.h"
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

namespace {

// Makes a control of class T named Name on Parent at the given bounds.
template <class T>
T* MakeControl(TComponent* Owner, TWinControl* Parent, const char* Name, Integer L, Integer T_,
               Integer W, Integer H, const String& Caption = String()) {
  T* C = new T(Owner);
  C->SetName(Name);
  C->SetParent(Parent);
  C->SetBounds(L, T_, W, H);
  C->SetCaption(Caption);
  return C;
}

// Makes a table named Name on Connection for TableName.
TOakTable* MakeTable(TComponent* Owner, const char* Name, TOakConnection* Connection,
                     const String& TableName, const String& IndexName = String()) {
  auto* T = new TOakTable(Owner);
  T->SetName(Name);
  T->SetOakConnection(Connection);
  T->SetTableName(TableName);
  if (!IndexName.empty()) T->SetIndexName(IndexName);
  return T;
}

// Adds a persistent field of class F named FieldName to DataSet.
template <class F>
void AddField(TComponent* Owner, TDataSet* DataSet, const String& FieldName, Integer Size = 0) {
  F* Field = new F(Owner);
  if (Size > 0) Field->SetSize(Size);
  Field->SetFieldName(FieldName);
  Field->SetDataSet(DataSet);
}

}  // namespace

String SetupText(TDataSet* Table) { return TrimRight(Table->FieldByName("stringItem")->AsString()); }

char MobileIDChar(Integer ID) { return ID >= 0 && ID <= 7 ? MobileIDChars[ID] : MobileIDChars[0]; }

TFsync::TFsync(TComponent* AOwner) : TForm(AOwner, 0) {
  SetName("Fsync");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu, biMaximize});
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  SetScaled(false);
  Font()->SetName("Tahoma");
  Font()->SetHeight(-12);
  SetClientWidth(719);
  SetClientHeight(361);
  CreateComponents();
  CreateControls();
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
}

TFsync::~TFsync() = default;

void TFsync::CreateComponents() {
  OakSettingsmain = new TOakSettings(this);
  OakSettingsmain->SetName("OakSettingsmain");
  OakSettingsmain->SetDateFormat("DD.MM.YYYY");
  OakConnection = new TOakConnection(this);
  OakConnection->SetName("OakConnection");
  OakConnectionRemote = new TOakConnection(this);
  OakConnectionRemote->SetName("OakConnectionRemote");
  Table_ORDERS = MakeTable(this, "Table_ORDERS", OakConnection, "Auftraege.OAT");
  OakTable_ADR = MakeTable(this, "OakTable_ADR", OakConnection, "Adressen.OAT");
  OakTableSettings = MakeTable(this, "OakTableSettings", OakConnection, "setup.OAT", "IDENT");
  OakTableRemoteSettings =
      MakeTable(this, "OakTableRemoteSettings", OakConnectionRemote, "setup.OAT", "IDENT");
  OakTableRemoteOrders = MakeTable(this, "OakTableRemoteOrders", OakConnectionRemote, "Auftraege.OAT");
  OakTableRemoteADR = MakeTable(this, "OakTableRemoteADR", OakConnectionRemote, "Adressen.OAT");
  OakTableTemp = MakeTable(this, "OakTableTemp", OakConnectionRemote, String());
  mtCSVStreamFormat1 = new TmtCSVStreamFormat(this);
  mtCSVStreamFormat1->SetName("mtCSVStreamFormat1");
  mtCSVStreamFormat1->Set_sfLocalFormat({sfSaveLocalFormat, sfLoadLocalFormat});
  KM = new TmtMemTable(this);
  KM->SetName("KM");
  KM->SetDefaultFormat(mtCSVStreamFormat1);
  AddField<TStringField>(this, KM, "Name", 100);
  AddField<TStringField>(this, KM, "Path", 200);
  for (const char* Spare : {"2", "3", "4", "5", "6", "7", "8"})
    AddField<TStringField>(this, KM, Spare, 20);
  AddField<TSmallintField>(this, KM, "ID");
  AddField<TStringField>(this, KM, "GUID", 100);
  AddField<TIntegerField>(this, KM, "RIGHTS");
  KMD = new TDataSource(this);
  KMD->SetName("KMD");
  KMD->SetDataSet(KM);
  BackupFile1 = new TBackupFile(this);
  BackupFile1->SetName("BackupFile1");
}

void TFsync::CreateControls() {
  LabelHeader = MakeControl<TLabel>(this, this, "LabelHeader", 8, 4, 700, 16);
  LabelInfo = MakeControl<TLabel>(this, this, "LabelInfo", 8, 22, 700, 16);
  WizardNotebook1 = MakeControl<TWizardNotebook>(this, this, "WizardNotebook1", 0, 40, 719, 270);
  TStringList Lines;
  Lines.SetText("0\r\n2\r\n3");
  WizardNotebook1->SetPages(&Lines);
  Lines.SetText(
      "Mit Travlink können Daten zwischen nicht unmittelbar verbundenen PC's syncronisiert werden.\r\n"
      "Datenbank suchen.\r\nDaten übertragen.");
  WizardNotebook1->SetHeaderCaption(&Lines);
  Lines.SetText(
      "Wählen des Zieles..\r\nÜberprüfen des Zieles..\r\n"
      "Ausführen. Der Vorgang kann einige Zeit andauern. ");
  WizardNotebook1->SetInfoCaption(&Lines);
  Panel298909 = MakeControl<TPanel>(this, this, "Panel298909", 0, 310, 719, 51);
  lbinfo = MakeControl<TLabel>(this, Panel298909, "lbinfo", 8, 4, 400, 40);
  lbinfo->SetAutoSize(false);
  FlatButton332423 = MakeControl<TPlainButton>(this, Panel298909, "FlatButton332423", 410, 12, 70, 25, "Hilfe");
  FlatButton_back = MakeControl<TPlainButton>(this, Panel298909, "FlatButton_back", 485, 12, 75, 25, "Zu&rück");
  FlatButton_next = MakeControl<TPlainButton>(this, Panel298909, "FlatButton_next", 563, 12, 75, 25, "&Weiter");
  FlatButton_cancel =
      MakeControl<TPlainButton>(this, Panel298909, "FlatButton_cancel", 641, 12, 75, 25, "&Schließen");
  WizardNotebook1->SetlblHeader(LabelHeader);
  WizardNotebook1->SetlblInfo(LabelInfo);
  WizardNotebook1->SetbtnNext(FlatButton_next);
  WizardNotebook1->SetbtnBack(FlatButton_back);
  CreatePage0(WizardNotebook1->Page(0));
  CreatePage2(WizardNotebook1->Page(1));
  CreatePage3(WizardNotebook1->Page(2));
}

void TFsync::CreatePage0(TWinControl* Page) {
  flbname = MakeControl<TPlainButton>(this, Page, "flbname", 8, 236, 110, 25, "Beschreibung");
  flbpath = MakeControl<TPlainButton>(this, Page, "flbpath", 122, 236, 130, 25, "Verzeichnis wählen");
  flbr23423 = MakeControl<TPlainButton>(this, Page, "flbr23423", 256, 236, 120, 25, "Rechte vergeben");
  FlatButton3423423 =
      MakeControl<TPlainButton>(this, Page, "FlatButton3423423", 380, 236, 100, 25, "Übernehmen");
  FlatButton2 = MakeControl<TPlainButton>(this, Page, "FlatButton2", 560, 236, 150, 25,
                                          "Installation entfernen");
}

void TFsync::CreatePage2(TWinControl* Page) {
  Label62342 = MakeControl<TLabel>(this, Page, "Label62342", 8, 8, 700, 16, "Vorbereiten der Aktionen...");
  Label1 = MakeControl<TLabel>(this, Page, "Label1", 8, 32, 100, 16, "Zielverzeichnis:");
  FlatInstalls2 = MakeControl<TEdit>(this, Page, "FlatInstalls2", 110, 30, 600, 21);
  FlatInstalls2->SetReadOnly(true);
  BaseDir = MakeControl<TLabel>(this, Page, "BaseDir", 8, 60, 700, 90);
  BaseDir->SetAutoSize(false);
  snnoneKelpo = MakeControl<TFsyncCheckBox>(this, Page, "snnoneKelpo", 8, 160, 330, 20,
                                            "Nur Daten auf das mobile System kopieren");
  scignoreadr = MakeControl<TFsyncCheckBox>(
      this, Page, "scignoreadr", 8, 210, 700, 20,
      "Mobile Adressen, für die kein Auftrag auf dem mobilen System existiert, ignorieren");
  Fpclose = MakeControl<TPanel>(this, Page, "Fpclose", 200, 100, 300, 60, "Torvane wird beendet..");
  Fpclose->SetVisible(false);
}

void TFsync::CreatePage3(TWinControl* Page) {
  const char* Names[8] = {"l1", "l2", "l3", "l4", "l5", "l6", "l7", "l8"};
  const char* Texts[8] = {"Lesen aktueller Mandant",  "Lesen mobile Daten",
                          "Daten synchronisieren",    "Überprüfen der Daten",
                          "Mandant sichern",          "Mandanten zurückschreiben",
                          "Zurückschreiben der mobilen Daten", "Fertig"};
  TLabel** Labels[8] = {&l1, &l2, &l3, &l4, &l5, &l6, &l7, &l8};
  for (int I = 0; I < 8; ++I)
    *Labels[I] = MakeControl<TLabel>(this, Page, Names[I], 40, 8 + I * 22, 600, 16, Texts[I]);
  fbstepshow = MakeControl<TPlainButton>(this, Page, "fbstepshow", 12, 4, 20, 20);
  fbstepshow->SetVisible(false);
  pgmain = MakeControl<TPlainProgressBar>(this, Page, "pgmain", 12, 190, 685, 29);
  Label3copy = MakeControl<TLabel>(this, Page, "Label3copy", 12, 226, 685, 16);
}

void TFsync::FormCreate(TObject*) {
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

namespace {
// Form descriptions name the main form and the check box by class name.
[[maybe_unused]] const bool FsyncClassesRegistered =
    (RegisterClasses({TFsync::StaticClass(), TFsyncCheckBox::StaticClass()}), true);
}  // namespace

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
