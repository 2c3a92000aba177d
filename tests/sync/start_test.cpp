// The start of the tool: the registration with "INSTALL" in the host's menu
// file, the command-line and host-version check, and the deferred start
// message posted when the main form shows.
#include "sync_fixture.h"

#include <chrono>

#include "foundation/BusyCursor.h"
#include "foundation/FileUtils.h"

namespace {

const String Title = "Laptopabgleich - mobile Datenerfassung.";

class StartTest : public SyncTest {
 protected:
  String MenuFile() const { return Tool + "ZS.MNU"; }
  String OwnLine() const { return Tool + "orvsync7;" + Title; }
  // Runs the check as the start message does, for the main form.
  bool Check(TForm* F = nullptr) { return CheckStartParams(Title, String(), 12340, F); }
  void CommandLine(std::vector<String> Args) { SetCommandLineArgs(Args); }
  std::vector<String> MenuLines() {
    TStringList L;
    L.LoadFromFile(MenuFile());
    std::vector<String> Lines;
    for (Integer I = 0; I < L.Count(); ++I) Lines.push_back(L[I]);
    return Lines;
  }
};

TEST_F(StartTest, InstallCreatesTheMenuFileWithTheToolsLine) {
  CommandLine({"INSTALL"});
  EXPECT_TRUE(Check());
  EXPECT_EQ(MenuLines(), std::vector<String>{OwnLine()});
  ExpectAllAnswered();
}

TEST_F(StartTest, InstallTwiceLeavesOneLineForTheTitle) {
  WriteFile(MenuFile(), "/opt/other.exe;Andere Auswertung\r\n");
  CommandLine({"INSTALL"});
  EXPECT_TRUE(Check());
  EXPECT_TRUE(Check());
  EXPECT_EQ(MenuLines(), (std::vector<String>{"/opt/other.exe;Andere Auswertung", OwnLine()}));
}

TEST_F(StartTest, InstallReplacesALineWhoseTitleHasBlanksAround) {
  WriteFile(MenuFile(), "/old/orvsync7.exe;   " + Title + "  \r\n/opt/b.exe;B\r\n");
  CommandLine({"INSTALL"});
  EXPECT_TRUE(Check());
  EXPECT_EQ(MenuLines(), (std::vector<String>{OwnLine(), "/opt/b.exe;B"}));
}

TEST_F(StartTest, InstallMatchesTheTitleCaseSensitively) {
  WriteFile(MenuFile(), "/old/x.exe;LAPTOPABGLEICH - MOBILE DATENERFASSUNG.\r\n");
  CommandLine({"INSTALL"});
  EXPECT_TRUE(Check());
  EXPECT_EQ(MenuLines().size(), 2u);
}

TEST_F(StartTest, InstallRemovesTheSubFolderFromTheMenuFolder) {
  std::filesystem::create_directories(Tool + "Sync/");
  SetProgramPath(Tool + "Sync/orvsync7");
  CommandLine({"INSTALL"});
  EXPECT_TRUE(CheckStartParams(Title, "sync", 12340, nullptr));
  EXPECT_TRUE(Exists(Tool + "ZS.MNU"));
  EXPECT_FALSE(Exists(Tool + "Sync/ZS.MNU"));
}

TEST_F(StartTest, InstallAsksTheFormToClose) {
  MakeForm();
  CommandLine({"INSTALL"});
  EXPECT_TRUE(Check(Form));
  Application->ProcessMessages();
  EXPECT_EQ(CloseCount, 1);
}

TEST_F(StartTest, AMenuFileThatCannotBeWrittenEndsInTheMissingArgumentMessage) {
  std::filesystem::create_directories(MenuFile());  // a folder in its place
  CommandLine({"INSTALL"});
  ExpectMessage("Starten Sie das Programm über zusätzlich > " + Title);
  EXPECT_TRUE(Check());
  ExpectAllAnswered();
}

TEST_F(StartTest, LowerCaseInstallIsADataFolderThatNeedsTheOtherArguments) {
  CommandLine({"install"});
  ExpectMessage("Starten Sie das Programm");
  EXPECT_TRUE(Check());
  EXPECT_FALSE(Exists(MenuFile()));
  ExpectAllAnswered();
}

TEST_F(StartTest, EachMissingArgumentIsRefused) {
  for (auto Args : std::vector<std::vector<String>>{{}, {Office}, {Office, "1"}, {Office, "", "12340"}}) {
    CommandLine(Args);
    ExpectMessage("Starten Sie das Programm");
    EXPECT_TRUE(Check());
  }
  ExpectAllAnswered();
}

TEST_F(StartTest, TheHostVersionMustBeAtLeast12340) {
  for (const char* Version : {"abc", "12339", "0"}) {
    CommandLine({Office, "1", Version});
    ExpectMessage("Das Programm benötigt mindestens  , Release 12340");
    EXPECT_TRUE(Check()) << Version;
  }
  for (const char* Version : {"12340", "20000"}) {
    CommandLine({Office, "1", Version});
    EXPECT_FALSE(Check()) << Version;
  }
  ExpectAllAnswered();
}

TEST_F(StartTest, ARefusedStartClosesTheFormAndEndsTheBusyCursor) {
  MakeForm();
  CommandLine({Office});
  ExpectMessage("Starten Sie das Programm");
  int Nesting = BusyCursorNesting();
  EXPECT_TRUE(Check(Form));
  EXPECT_EQ(BusyCursorNesting(), Nesting);
  Application->ProcessMessages();
  EXPECT_EQ(CloseCount, 1);
}

TEST_F(StartTest, ShowingTheFormPostsTheStartMessageAndSetsTheCaption) {
  MakeForm();
  CommandLine({});
  ExpectMessage("Starten Sie das Programm");
  Form->Show();
  EXPECT_EQ(Form->Caption(), "Laptopabgleich - mobile Datenerfassung für ");
  EXPECT_EQ(Responder->Shown().size(), 0u);  // the check waits for the message
  Application->ProcessMessages();
  ExpectAllAnswered();
  EXPECT_EQ(CloseCount, 1);
  EXPECT_EQ(Form->lbinfo->Caption(), "");  // no database touched
}

TEST_F(StartTest, SplitNameValueCutsAtTheFirstSeparator) {
  String Name = "n", Value = "v";
  SplitNameValue("kein Trenner", ';', Name, Value);
  EXPECT_EQ(Name, "n");
  EXPECT_EQ(Value, "v");
  SplitNameValue("a;  b;c  ", ';', Name, Value);
  EXPECT_EQ(Name, "a");
  EXPECT_EQ(Value, "b;c");
  SplitNameValue("x;" + StringOfChar(String("ä"), 250), ';', Name, Value);
  EXPECT_EQ(Value, StringOfChar(String("ä"), 200));
}

}  // namespace

namespace {

// The main form as it is created: its named components, the cleared state
// and the helpers the run shares (step marker, temporary tree).
class FormTest : public SyncTest {};

TEST_F(FormTest, CreatingTheFormBuildsTheNamedComponentsAndClearsTheState) {
  MakeForm();
  for (const char* Name : {"OakConnection", "Table_ORDERS", "OakTable_ADR", "OakTableSettings", "KM",
                           "mtCSVStreamFormat1", "BackupFile1", "lbinfo", "pgmain", "snnoneKelpo", "scignoreadr",
                           "Fpclose", "Panel298909", "WizardNotebook1"})
    EXPECT_NE(Form->FindComponent(Name), nullptr) << Name;
  EXPECT_EQ(Form->Table_ORDERS->TableName(), "Auftraege.OAT");
  EXPECT_EQ(Form->OakTableSettings->IndexName(), "IDENT");
  EXPECT_EQ(Form->RunMode, 0);
  EXPECT_FALSE(Form->ConfigChanged);
  EXPECT_FALSE(Form->RestartHost);
  ASSERT_TRUE(Form->MacroFiles && Form->PostcodeFiles);
  EXPECT_EQ(Form->WizardNotebook1->ActivePage(), "0");
  EXPECT_EQ(Form->WizardNotebook1->PageCount(), 3);
  EXPECT_EQ(Form->FlatButton_next->Caption(), "&Weiter");
  EXPECT_FALSE(Form->FlatButton_back->Visible());
  EXPECT_EQ(Form->ClientWidth(), 719);
}

TEST_F(FormTest, MarkingAStepMakesOnlyItsLabelBoldAndMovesTheMarker) {
  MakeForm();
  Form->MarkStep(-1);
  EXPECT_EQ(Form->l2->Font()->Color(), InactiveStepColor);
  EXPECT_EQ(Form->l1->Font()->Color(), clWindowText);
  EXPECT_FALSE(Form->fbstepshow->Visible());
  Form->MarkStep(3);
  EXPECT_TRUE(Form->l3->Font()->Style().Contains(fsBold));
  EXPECT_FALSE(Form->l1->Font()->Style().Contains(fsBold));
  EXPECT_TRUE(Form->fbstepshow->Visible());
  EXPECT_EQ(Form->fbstepshow->Top(), Form->l3->Top() - 4);
  Form->MarkStep(0);
  EXPECT_EQ(Form->l8->Font()->Color(), clBlack);
  EXPECT_FALSE(Form->l3->Font()->Style().Contains(fsBold));
  EXPECT_FALSE(Form->fbstepshow->Visible());
}

TEST_F(FormTest, TheTemporaryTreeIsMadeAndDeletedInAPrivateFolderBelowTheTemporaryFolder) {
  MakeForm();
  String Path;
  Form->InstallerDir("M_Temp/Server", false, Path);
  EXPECT_EQ(0u, Path.rfind(Root + "temp/mds-", 0)) << Path;
  EXPECT_EQ(Path, Form->PrivateTempRoot + "Kelpo-Laptop-Installer/M_Temp/Server/");
  EXPECT_TRUE(std::filesystem::is_directory(Path));
  const String Private = Form->PrivateTempRoot;
  Form->InstallerDir("", true, Path);
  EXPECT_EQ(Path, Private + "Kelpo-Laptop-Installer/");
  EXPECT_FALSE(Exists(Private));
}

TEST_F(FormTest, TheWizardButtonsAreEnabledTogether) {
  MakeForm();
  Form->EnableWizardButtons(false);
  EXPECT_FALSE(Form->FlatButton_back->Enabled());
  EXPECT_FALSE(Form->FlatButton_cancel->Enabled());
  Form->EnableWizardButtons(true);
  EXPECT_TRUE(Form->FlatButton_back->Enabled() && Form->FlatButton_cancel->Enabled());
}

}  // namespace

// The program's paint pump paints what is pending and leaves every other
// message for the message loop.
TEST_F(StartTest, ThePaintPumpPaintsAndLeavesOtherMessagesQueued) {
  TForm Window(nullptr, 0);
  auto* Panel = new TPanel(&Window);
  Panel->SetParent(&Window);
  Window.Show();
  Application->ProcessMessages();
  int Paints = 0;
  TWndMethod Old = Panel->WindowProc;
  Panel->WindowProc = [&](TMessage& M) {
    if (M.Msg == WM_PAINT) ++Paints;
    Old(M);
  };
  Panel->Invalidate();
  PostMessage(Window.Handle(), WM_USER + 7, 0, 0);
  PaintPendingWindows();
  EXPECT_GE(Paints, 1);
  MSG M;
  EXPECT_FALSE(PeekMessage(M, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  EXPECT_TRUE(PeekMessage(M, Window.Handle(), WM_USER + 7, WM_USER + 7, PM_REMOVE));

  // During a run, a call right after a paint leaves the new change for
  // later; PaintNow paints it.
  auto Previous = SetPaintMessagePump(PaintPendingWindows);
  {
    TRunPaintThrottle Throttle;
    PaintNow();
    Panel->Invalidate();
    const int Before = Paints;
    const auto Start = std::chrono::steady_clock::now();
    PaintPendingWindows();
    if (std::chrono::steady_clock::now() - Start < std::chrono::milliseconds(TRunPaintThrottle::RunPaintIntervalMs)) {
      EXPECT_EQ(Before, Paints);
    }
    PaintNow();
    EXPECT_GT(Paints, Before);
    EXPECT_FALSE(PeekMessage(M, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  }
  SetPaintMessagePump(Previous);
  Panel->WindowProc = Old;
}
