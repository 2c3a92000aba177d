// The program: the form description of the main form, the start of the
// form with the host's command line as the main block runs it, and the
// executable itself registering in "ZS.MNU".
#include "sync_fixture.h"

#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "kill_at_change.h"
#include "platform/gui/reader.h"
#include "platform/gui/resources.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/typinfo_access.h"
#include "platform/os/process.h"
#include "sync/Umsync_run.h"

extern char** environ;


namespace {

// ---- The form description -------------------------------------------------------------

String FormDescription() {
  TResourceStream S("TFSYNC", RT_RCDATA);
  String Text(static_cast<size_t>(S.Size()), '\0');
  S.ReadBuffer(Text.data(), static_cast<Integer>(Text.size()));
  return Text;
}

// The description without its event bindings (the methods they name
// belong to the form's class, not to a plain form).
String WithoutEvents(const String& Text) {
  String Out;
  TStringList Lines;
  Lines.SetText(Text);
  for (Integer I = 0; I < Lines.Count(); ++I) {
    String Line = Trim(Lines[I]);
    if (Line.rfind("On", 0) == 0 || Line.rfind("AfterScroll", 0) == 0) continue;
    Out += Lines[I] + "\n";
  }
  return Out;
}

void CollectObjects(const TDfmObject& O, std::vector<const TDfmObject*>& All) {
  for (const TDfmObject& C : O.Children) {
    if (!C.Name.empty()) All.push_back(&C);
    CollectObjects(C, All);
  }
}

String PropertyText(const TDfmObject& O, const String& Name) {
  for (const TDfmProperty& P : O.Properties)
    if (P.Name == Name) return P.Value.Text;
  return String();
}

class ProgramTest : public SyncTest {};

TEST_F(ProgramTest, DescriptionIsEmbeddedUnderTheFormsClassName) {
  TDfmObject Root = ParseFormDescription(FormDescription());
  EXPECT_EQ("Fsync", Root.Name);
  EXPECT_EQ("TFsync", Root.ClassName);
}

TEST_F(ProgramTest, DescriptionNamesTheComponentsOfTheFormWithTheirClasses) {
  TDfmObject Root = ParseFormDescription(FormDescription());
  std::vector<const TDfmObject*> All;
  CollectObjects(Root, All);
  MakeForm();
  for (const TDfmObject* O : All) {
    TComponent* C = Form->FindComponent(O->Name);
    ASSERT_NE(C, nullptr) << O->Name;
    EXPECT_EQ(O->ClassName, C->ClassName()) << O->Name;
    String Caption = PropertyText(*O, "Caption");
    auto* Control = dynamic_cast<TControl*>(C);
    if (Control && !Caption.empty()) {
      EXPECT_EQ(Caption, Control->Caption()) << O->Name;
    }
  }
  EXPECT_GE(All.size(), 40u);
}

TEST_F(ProgramTest, DescriptionReadsIntoLiveComponents) {
  RegisterFsyncClasses();
  std::unique_ptr<TForm> Root(new TForm(nullptr, 0));
  ReadComponentFromText(WithoutEvents(FormDescription()), Root.get());
  auto* Book = dynamic_cast<TWizardNotebook*>(Root->FindComponent("WizardNotebook1"));
  ASSERT_NE(Book, nullptr);
  EXPECT_EQ(3, Book->Pages()->Count());
  EXPECT_EQ("3", (*Book->Pages())[2]);
  EXPECT_EQ(Root->FindComponent("FlatButton_next"), Book->btnNext());
  EXPECT_EQ("Daten übertragen.", (*Book->HeaderCaption())[2]);
  auto* KM = dynamic_cast<TDataSet*>(Root->FindComponent("KM"));
  ASSERT_NE(KM, nullptr);
  EXPECT_NE(KM->FindField("RIGHTS"), nullptr);
  EXPECT_EQ(719, Root->ClientWidth());
  EXPECT_EQ("Laptopabgleich - mobile Datenerfassung für", Root->Caption());
}

// ---- The form made from its description -------------------------------------------------

class DescribedFormTest : public SyncTest {
 protected:
  // Every component of the description is the form's member of its name.
  void ExpectMember(const char* Name, TComponent* Member) {
    EXPECT_NE(nullptr, Member) << Name;
    EXPECT_EQ(Form->FindComponent(Name), Member) << Name;
  }
  // Clicks row Row (0-based) of the installation list on page "0".
  void ClickListRow(Integer Row) {
    TRect R = Form->I_DBKMSYS->CellRect(2, Form->I_DBKMSYS->TitleOffset() + Row);
    Integer Y = (R.Top + R.Bottom) / 2;
    Form->I_DBKMSYS->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, Y));
    Form->I_DBKMSYS->Perform(WM_LBUTTONUP, 0, MAKELPARAM(30, Y));
  }
};

TEST_F(DescribedFormTest, EveryComponentLandsInTheFormsMemberOfItsName) {
  MakeForm();
  Integer Members = 0;
  for (PPropInfo P : GetPropList(Form)) {
    if (P->Kind() != tkClass) continue;
    auto* C = dynamic_cast<TComponent*>(GetObjectProp(Form, P));
    if (!C || C->Owner() != Form) continue;  // the form's own sub-objects (Font ...)
    ExpectMember(P->Name.c_str(), C);
    ++Members;
  }
  EXPECT_EQ(47, Members);
  ExpectMember("I_DBKMSYS", Form->I_DBKMSYS);
}

TEST_F(DescribedFormTest, ComponentsAreWiredAsDescribed) {
  MakeForm();
  EXPECT_EQ(Form->OakConnection, Form->OakTableSettings->OakConnection());
  EXPECT_EQ("IDENT", Form->OakTableSettings->IndexName());
  EXPECT_EQ(Form->OakConnectionRemote, Form->OakTableRemoteOrders->OakConnection());
  EXPECT_EQ(Form->KM, Form->KMD->DataSet());
  EXPECT_EQ(Form->KMD, Form->I_DBKMSYS->DataSource());
  EXPECT_EQ(Form->WizardNotebook1->Page(0), Form->I_DBKMSYS->Parent());
  EXPECT_EQ(Form->Panel298909, Form->FlatButton_next->Parent());
  EXPECT_EQ(Form->FlatButton_next, Form->WizardNotebook1->btnNext());
  EXPECT_EQ(Form->LabelHeader, Form->WizardNotebook1->lblHeader());
  EXPECT_TRUE(Form->FlatInstalls2->ReadOnly());
  EXPECT_FALSE(Form->Fpclose->Visible());
}

TEST_F(DescribedFormTest, TheFormsEventsAreBoundToItsHandlers) {
  MakeForm();
  EXPECT_TRUE(static_cast<bool>(Form->OnCreate));
  EXPECT_TRUE(static_cast<bool>(Form->OnShow));
  // FormCreate ran: the lists exist and the wizard stands on page "0".
  ASSERT_NE(nullptr, Form->MacroFiles);
  EXPECT_EQ(0, Form->WizardNotebook1->PageIndex());
  EXPECT_FALSE(Form->FlatButton_back->Visible());
}

TEST_F(DescribedFormTest, TheFormHasTheDescribedLook) {
  MakeForm();
  EXPECT_EQ(719, Form->ClientWidth());
  EXPECT_EQ(361, Form->ClientHeight());
  EXPECT_EQ(bsDialog, Form->BorderStyle());
  EXPECT_EQ("Tahoma", Form->Font()->Name());
  EXPECT_TRUE(Form->KeyPreview());
}

TEST_F(DescribedFormTest, TheListOnPageZeroShowsTheSevenSlots) {
  GivenOffice();
  MakeForm();
  StartDatabase();
  EXPECT_EQ(Form->I_DBKMSYS->TitleOffset() + 7, Form->I_DBKMSYS->RowCount());
  EXPECT_EQ(String(1, MobileIDChars[1]), Form->I_DBKMSYS->CellText(0, 0));
  EXPECT_EQ(String(1, MobileIDChars[7]), Form->I_DBKMSYS->CellText(0, 6));
  // The seventh row lies whole inside the grid's window.
  TRect Last = Form->I_DBKMSYS->CellRect(1, Form->I_DBKMSYS->TitleOffset() + 6);
  EXPECT_FALSE(Last.IsEmpty());
  EXPECT_LE(Last.Bottom, Form->I_DBKMSYS->ClientHeight());
}

TEST_F(DescribedFormTest, ClickingARowOfPageZeroSelectsThatSlot) {
  GivenOffice();
  MakeForm();
  StartDatabase();
  ClickListRow(4);
  EXPECT_EQ(5, Form->KM->FieldByName("ID")->AsInteger());
  ClickListRow(0);
  EXPECT_EQ(1, Form->KM->FieldByName("ID")->AsInteger());
}

TEST_F(DescribedFormTest, AFormMadeAgainAfterTheFirstIsFreedIsWiredAfresh) {
  // The engine settings allow one form at a time: the tool's second start.
  MakeForm();
  delete Form;
  Form = nullptr;
  MakeForm();
  EXPECT_EQ(Form, Form->KM->Owner());
  EXPECT_EQ(Form->KMD, Form->I_DBKMSYS->DataSource());
  EXPECT_EQ(Form->KM, Form->KMD->DataSet());
}

// ---- The start with the host's command line ---------------------------------------------

class ProgramStartTest : public SyncTest {
 protected:
  // The main form shown as the main block shows it; the start message
  // and what it posts are handled.
  void StartTool() {
    MakeForm();
    AttachRunDriver(Form);
    Form->Show();
    for (int I = 0; I < 5; ++I) Application->ProcessMessages();
    Application->ResetTerminated();
  }
};

TEST_F(ProgramStartTest, WithoutArgumentsTheToolSaysHowToStartItAndCloses) {
  SetCommandLineArgs({});
  ExpectMessage("Starten Sie das Programm über zusätzlich > Laptopabgleich - mobile Datenerfassung.");
  StartTool();
  EXPECT_EQ(1, CloseCount);
  EXPECT_FALSE(Form->OakConnection->IsConnected());
  ExpectAllAnswered();
}

TEST_F(ProgramStartTest, TooOldHostIsRefusedAndTheToolCloses) {
  GivenOffice();
  SetCommandLineArgs({Office, "1", "12339"});
  ExpectMessage("Das Programm benötigt mindestens");
  StartTool();
  EXPECT_EQ(1, CloseCount);
  EXPECT_FALSE(Form->OakConnection->IsConnected());
  ExpectAllAnswered();
}

TEST_F(ProgramStartTest, ClosingAfterARefusedStartLeavesNoTemporaryTreeAndNoHost) {
  // A folder of the old fixed name belongs to someone else: it stays.
  WriteFile(Root + "temp/Kelpo-Laptop-Installer/M_Temp/old.txt", "x");
  SetCommandLineArgs({"install"});
  ExpectMessage("Starten Sie das Programm");
  StartTool();
  EXPECT_TRUE(Exists(Root + "temp/Kelpo-Laptop-Installer/M_Temp/old.txt"));
  for (auto& E : std::filesystem::directory_iterator(Root + "temp"))
    EXPECT_EQ(String::npos, E.path().filename().string().find("mds-")) << E.path();
  EXPECT_FALSE(Exists(Tool + "ZS.MNU"));
  EXPECT_FALSE(Form->RestartHost);
  ExpectAllAnswered();
}

TEST_F(ProgramStartTest, WithTheHostsArgumentsTheToolLocksTheOffice) {
  GivenOffice();
  StartTool();
  EXPECT_EQ(0, CloseCount);
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  EXPECT_TRUE(Form->Table_ORDERS->IsTableLocked());
  EXPECT_TRUE(Form->FlatButton_next->Enabled());
  ExpectAllAnswered();
}

// ---- The executable ---------------------------------------------------------------------------

// The built program beside the test's build folder, or "" when absent.
String BuiltProgram() {
  std::error_code Error;
  auto Self = std::filesystem::read_symlink("/proc/self/exe", Error);
  if (Error) return String();
  auto Program = Self.parent_path().parent_path() / "src" / "orvsync7";
  return std::filesystem::exists(Program) ? Program.string() : String();
}

// Starts Program with Args without a display, on the headless back end
// unless Headless is false; its error output goes to ErrorFile (when
// given). Returns its process id, 0 when it cannot start.
pid_t StartWithoutDisplay(const String& Program, const std::vector<String>& Args, bool Headless = true,
                          const String& ErrorFile = String()) {
  std::vector<std::string> Env;
  for (char** E = environ; *E; ++E)
    if (std::strncmp(*E, "DISPLAY=", 8) != 0 && std::strncmp(*E, "MDS_GUI=", 8) != 0) Env.push_back(*E);
  if (Headless) Env.push_back("MDS_GUI=headless");
  std::vector<char*> EnvP, ArgP{const_cast<char*>(Program.c_str())};
  for (auto& E : Env) EnvP.push_back(E.data());
  EnvP.push_back(nullptr);
  for (auto& A : Args) ArgP.push_back(const_cast<char*>(A.c_str()));
  ArgP.push_back(nullptr);
  pid_t Pid = 0;
  posix_spawn_file_actions_t Files;
  posix_spawn_file_actions_init(&Files);
  if (!ErrorFile.empty()) posix_spawn_file_actions_addopen(&Files, 2, ErrorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int Spawned = posix_spawn(&Pid, Program.c_str(), &Files, nullptr, ArgP.data(), EnvP.data());
  posix_spawn_file_actions_destroy(&Files);
  return Spawned == 0 ? Pid : 0;
}

// StartWithoutDisplay, then waits at most 30 s. Returns the exit status,
// or -1 when it had to be killed.
int RunWithoutDisplay(const String& Program, const std::vector<String>& Args, bool Headless = true,
                      const String& ErrorFile = String()) {
  const pid_t Pid = StartWithoutDisplay(Program, Args, Headless, ErrorFile);
  if (Pid == 0) return -2;
  for (int Waited = 0; Waited < 3000; ++Waited) {
    int Status = 0;
    if (waitpid(Pid, &Status, WNOHANG) == Pid) return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    usleep(10000);
  }
  kill(Pid, SIGKILL);
  waitpid(Pid, nullptr, 0);
  return -1;
}

class ExecutableTest : public SyncTest {
 protected:
  // Program started on the office, killed while the box holding TextPart
  // shows (MDS_MESSAGE_LOG says when); true when it got there.
  bool StartKilledAtBox(const String& Program, const String& TextPart) {
    ScopedEnv Logged("MDS_MESSAGE_LOG", Root + "boxes.txt");
    std::filesystem::remove(Root + "boxes.txt");
    const pid_t Start = StartWithoutDisplay(Program, {Office, "1", "12340"});
    const bool AtBox = mds_test::WaitWhileRunning(
        Start, [&] { return ReadFile(Root + "boxes.txt").find(TextPart) != String::npos; });
    return mds_test::EndedKilled(Start, true) && AtBox;
  }
  // Another program's change of the addresses, in a transaction, killed
  // inside its commit; the addresses' files are put back as they were
  // before it (from a backup, say): the next open sets its journal aside.
  void GivenAJournalToSetAside() {
    std::filesystem::copy(Office, Root + "gesichert");
    auto PutBack = [&] {
      using std::filesystem::copy_options;
      std::filesystem::copy(Root + "gesichert", Office, copy_options::overwrite_existing | copy_options::recursive);
    };
    auto Change = [this] {
      OAKHANDLE C = 0, T = 0;
      OakConnect60(Office.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
      OakOpenTable(C, (Office + "Adressen").c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T);
      return OakBeginTransaction(C) == 0 && OakAppendRecord(T) == 0 && OakWriteRecord(T) == 0 &&
             OakCommitTransaction(C) == 0 && OakDisconnect(C) == 0;
    };
    mds_test::CountChanges();
    ASSERT_TRUE(Change());
    const int Changes = mds_test::StopCountingChanges();
    PutBack();
    ASSERT_TRUE(mds_test::EndsKilled([&] {
      mds_test::DieBeforeChange(Changes - 1);
      Change();
    }));
    PutBack();
  }
  // A copy of the built program in the tool's folder, as the host has it.
  String InstalledProgram() {
    String Built = BuiltProgram();
    if (Built.empty()) return Built;
    std::filesystem::copy_file(Built, Tool + "orvsync7");
    return Tool + "orvsync7";
  }
};

TEST_F(ExecutableTest, InstallRegistersTheToolInTheMenuFileAndEnds) {
  String Program = InstalledProgram();
  if (Program.empty()) GTEST_SKIP() << "orvsync7 is not built beside the tests";
  WriteFile(Tool + "ZS.MNU", "/opt/other;Anderes Werkzeug\r\n");
  EXPECT_EQ(0, RunWithoutDisplay(Program, {"INSTALL"}));
  EXPECT_EQ("/opt/other;Anderes Werkzeug\r\n" + Program + ";Laptopabgleich - mobile Datenerfassung.\r\n",
            ReadFile(Tool + "ZS.MNU"));
}

// Without a display the tool does not run invisibly: it says so on its
// error output and ends with exit code 2, before it touches the office.
TEST_F(ExecutableTest, WithoutADisplayTheToolSaysSoAndEnds) {
  String Program = InstalledProgram();
  if (Program.empty()) GTEST_SKIP() << "orvsync7 is not built beside the tests";
  GivenOffice();
  EXPECT_EQ(2, RunWithoutDisplay(Program, {Office, "1", "12340"}, false, Root + "stderr.txt"));
  EXPECT_NE(ReadFile(Root + "stderr.txt").find("Kein X-Display"), String::npos) << ReadFile(Root + "stderr.txt");
}

TEST_F(ExecutableTest, InstallTwiceKeepsOneLineForTheTool) {
  String Program = InstalledProgram();
  if (Program.empty()) GTEST_SKIP() << "orvsync7 is not built beside the tests";
  EXPECT_EQ(0, RunWithoutDisplay(Program, {"INSTALL"}));
  EXPECT_EQ(0, RunWithoutDisplay(Program, {"INSTALL"}));
  EXPECT_EQ(Program + ";Laptopabgleich - mobile Datenerfassung.\r\n", ReadFile(Tool + "ZS.MNU"));
}

// A start killed while it shows a reminder leaves it: the next start shows
// it again and removes it once its box was closed. So for the laptop that
// lacks a killed run's data, and for a journal set aside, which the engine
// names only once.
TEST_F(ExecutableTest, AReminderAKilledStartShowedIsShownAgainByTheNext) {
  String Program = InstalledProgram();
  if (Program.empty()) GTEST_SKIP() << "orvsync7 is not built beside the tests";
  GivenOffice();
  TReminder Left;  // by a run killed in its laptop step
  Left.Make(Office, LaptopReminders, Target);
  Left.Release();
  const String LaptopLacks = "nach " + Target + " abgebrochen.";
  ASSERT_TRUE(StartKilledAtBox(Program, LaptopLacks));
  EXPECT_TRUE(Exists(Office + LaptopPendingName));
  ExpectMessage(LaptopLacks);
  MakeForm();
  StartDatabase();
  EXPECT_FALSE(Exists(Office + LaptopPendingName));
  Form->LockDatabase(Form, false);
  ASSERT_NO_FATAL_FAILURE(GivenAJournalToSetAside());
  ASSERT_TRUE(StartKilledAtBox(Program, ".OAJ.aside\" beiseitegelegt"));
  PictureOfMessage("Ein früherer Start dieses Programms hat gemeldet:\nEine nicht abgeschlossene Änderung eines "
                   "anderen Programms betraf die Datei \"" + Office + "Adressen.OAT\"", "journal_reminder.png");
  Restart();
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  Restart();
  ExpectAllAnswered();
}

}  // namespace
