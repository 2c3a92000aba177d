// samplewalk: walks an installation and a synchronisation through the
// tool's real window on the sample office, by pointer clicks and keys sent
// through the X server, as a newcomer would watch it done.
//
// Usage: samplewalk <sample folder> [program folder]
//
// The program folder (default: the folder of samplewalk) holds orvsync7,
// makeoffice, updatemobile and tovar. In the sample folder the walk makes
// afresh: office/Data (the sample office), tool/ (the host's program
// folder with orvsync7), mobile/ (the target of slot 1), tmp/, common/,
// documents/, and screenshots/ with a PNG of every page and message.
// Without $DISPLAY it starts its own virtual display (Xvfb) and ends it.
//
// Steps: the tool starts with the host's command line; on page "0" slot 1
// gets a description, the mobile folder (through the folder dialog's tree,
// by keys) and a rights level, and "Übernehmen" stores it; "Weiter" tests
// the target, "Ausführen" installs; the stored list is read back; the mobile side unpacks its package and enters a new order;
// the tool starts again and "Ausführen" synchronises. Each step is printed;
// at the end the counters of the final message.
//
// Exit code 0 when the walk reached its end, 1 with the reason on
// standard error, 2 for a wrong command line.
#include "sync/Umsync.h"

#include <X11/keysym.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "foundation/FileUtils.h"
#include "foundation/StringUtils.h"
#include "host/HostTable.h"
#include "host/ToolScreen.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"
#include "sync/USelID.h"
#include "ui/look/sb.h"
#include "sync/USeldir.h"

namespace {

const char* const MainTitlePrefix = "Laptopabgleich";
const char* const BoxTitle = "Mobile Daten-Syncronisation";
const char* const HostRelease = "12340";

RTL_DECLARE_EXCEPTION(EWalkFailed, Exception)
RTL_IMPLEMENT_CLASS(EWalkFailed, Exception, nullptr)

void Require(bool Holds, const String& What) {
  if (!Holds) throw EWalkFailed(What);
}

void Say(const String& Line) {
  std::printf("%s\n", Line.c_str());
  std::fflush(stdout);
}

// Starts Program with Args, its output appended to LogFile; 0 when it fails.
pid_t Spawn(const String& Program, const std::vector<String>& Args, const String& LogFile) {
  std::vector<char*> Argv{const_cast<char*>(Program.c_str())};
  for (auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 1, LogFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&Actions, 1, 2);
  pid_t Pid = 0;
  int Rc = posix_spawn(&Pid, Program.c_str(), &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  return Rc == 0 ? Pid : 0;
}

// The exit status of Pid once it ended within Seconds; -1 when still running.
int ExitWithin(pid_t Pid, int Seconds) {
  int Result = -1;
  WaitUntil(
      [&] {
        int How = 0;
        if (waitpid(Pid, &How, WNOHANG) != Pid) return false;
        Result = WIFEXITED(How) ? WEXITSTATUS(How) : -2;
        return true;
      },
      Seconds);
  return Result;
}

int RunToEnd(const String& Program, const std::vector<String>& Args, const String& LogFile) {
  pid_t Pid = Spawn(Program, Args, LogFile);
  Require(Pid != 0, Program + " kann nicht gestartet werden.");
  return ExitWithin(Pid, 120);
}

// A virtual display of our own (Xvfb), ended with the object.
class TVirtualDisplay {
 public:
  TVirtualDisplay() {
    int Pipe[2];
    Require(pipe(Pipe) == 0, "Keine Pipe für Xvfb.");
    String Fd = IntToStr(Pipe[1]);
    const char* Argv[] = {"Xvfb",  "-displayfd", Fd.c_str(), "-noreset", "-screen", "0",
                          "1280x1024x24", "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_addclose(&Actions, Pipe[0]);
    posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
    int Rc = posix_spawnp(&FPid, "Xvfb", &Actions, nullptr, const_cast<char**>(Argv), environ);
    posix_spawn_file_actions_destroy(&Actions);
    close(Pipe[1]);
    if (Rc != 0) {
      close(Pipe[0]);
      FPid = 0;
      throw EWalkFailed("Xvfb kann nicht gestartet werden (Paket xvfb installiert?).");
    }
    String Number;
    char C = 0;
    while (read(Pipe[0], &C, 1) == 1 && C != '\n') Number += C;
    close(Pipe[0]);
    if (Number.empty()) {
      Stop();
      throw EWalkFailed("Xvfb hat keine Anzeige geöffnet.");
    }
    FName = ":" + Number;
  }
  ~TVirtualDisplay() { Stop(); }
  const String& Name() const { return FName; }

 private:
  void Stop() {
    if (FPid <= 0) return;
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
    FPid = 0;
  }

  pid_t FPid = 0;
  String FName;
};

class TSampleWalk {
 public:
  TSampleWalk(const String& Folder, const String& Bin)
      : Root(IncludeTrailingBackslash(Folder)), Bin(IncludeTrailingBackslash(Bin)) {}
  void Run();

 private:
  void PrepareFolder();
  void MakeOffice();
  void StartTool();
  unsigned long Dialog(const String& TitlePrefix, const String& Button, const String& Caption);
  void WaitGone(unsigned long D, const String& What);
  void WalkTreeTo(unsigned long D, const String& Path);
  // A row of the installation list: ID as the window shows it (the ID's
  // character), description and folder.
  struct TStoredSlot {
    String ID, Name, Path;
  };
  TStoredSlot FirstStoredSlot();
  void SetUpFirstSlot();
  void ReportStoredFirstSlot();
  void Shot(unsigned long W, const String& Name);
  void PassPages(const String& Kind);
  void CloseTool();
  void MobileSideEntersAnOrder();
  void ReportCounters();
  void ReportLastMessage();

  String Root, Bin;
  const String Description = "Laptop Vertrieb";
  String Office, Tool, Mobile, Pictures, Log, Transcript;
  // The ID of the list's first row, which the walk sets up, as the window
  // shows it in the row's first column.
  String SlotID;
  std::unique_ptr<TToolScreen> Screen;
  std::unique_ptr<TFsyncLayout> Layout;
  pid_t Pid = 0;
  unsigned long Main = 0;
  int ShotCount = 0;
};

void TSampleWalk::PrepareFolder() {
  Office = Root + "office/Data/";
  Tool = Root + "tool/";
  Mobile = Root + "mobile/";
  Pictures = Root + "screenshots/";
  Log = Root + "walk.log";
  Transcript = Root + "messages.txt";
  // Only a folder this walk made (or an empty one) is emptied and reused:
  // the walk deletes and installs there.
  const String Mark = Root + ".samplewalk";
  std::error_code Error;
  std::filesystem::create_directories(Root, Error);
  Require(std::filesystem::is_empty(Root, Error) || std::filesystem::exists(Mark),
          "Der Ordner " + Root +
              " ist nicht leer und nicht von samplewalk angelegt. Geben Sie einen leeren oder neuen Ordner an.");
  std::ofstream(Mark.c_str()) << "Beispielordner von samplewalk\n";
  for (const char* Sub : {"office", "tool", "mobile", "tmp", "common", "documents", "screenshots"})
    std::filesystem::remove_all(Root + Sub);
  std::filesystem::remove(Log);
  std::filesystem::remove(Transcript);
  for (const String& D : {Mobile, Pictures, Root + "tmp", Root + "common", Root + "documents"})
    std::filesystem::create_directories(D);
  setenv("TMPDIR", (Root + "tmp").c_str(), 1);
  setenv("MDS_COMMON_APPDATA", (Root + "common").c_str(), 1);
  setenv("MDS_COMMON_DOCUMENTS", (Root + "documents").c_str(), 1);
  setenv("KELPO_TOVAR_LOG", (Root + "tovar.log").c_str(), 1);
  setenv("MDS_MESSAGE_LOG", Transcript.c_str(), 1);
}

void TSampleWalk::MakeOffice() {
  Require(RunToEnd(Bin + "makeoffice", {Office, Tool, Bin + "updatemobile", Bin + "tovar"}, Log) == 0,
          "makeoffice ist gescheitert (siehe " + Log + ").");
  std::filesystem::copy_file(Bin + "orvsync7", Tool + "orvsync7",
                             std::filesystem::copy_options::overwrite_existing);
  Say("1. Musterbüro angelegt: " + Office);
}

// The first row of the stored installation list as the tool reads it,
// the row its window lists first.
TSampleWalk::TStoredSlot TSampleWalk::FirstStoredSlot() {
  // One main form per process: the layout's form makes room meanwhile.
  bool HadLayout = Layout != nullptr;
  Layout.reset();
  SetProgramPath(Tool + "orvsync7");
  SetCommandLineArgs({Office, "1", HostRelease});
  std::unique_ptr<TFsync> Form(NewForm<TFsync>(nullptr));
  Form->DatabaseStartUp();
  Form->KM->First();
  TStoredSlot Slot{String(1, MobileIDChar(Form->KM->FieldByName("ID")->AsInteger())),
                   Form->KM->FieldByName("Name")->AsString(), Form->KM->FieldByName("Path")->AsString()};
  Form.reset();
  SetCommandLineArgs({});
  if (HadLayout) Layout = std::make_unique<TFsyncLayout>();
  return Slot;
}

// The stored list after the installation: the first row's description
// and folder, printed for the reader (and the test) to compare.
void TSampleWalk::ReportStoredFirstSlot() {
  TStoredSlot Slot = FirstStoredSlot();
  Say("   Gespeicherte Liste: Eintrag " + Slot.ID + " \"" + Slot.Name + "\" in " + Slot.Path);
  Require(Slot.ID == SlotID, "Die gespeicherte Liste beginnt nicht mehr mit Eintrag " + SlotID + ".");
  Require(Slot.Name == Description, "Die Beschreibung fehlt in der gespeicherten Liste.");
  // The installation stores the folder of the installed program below it.
  Require(Slot.Path.rfind(ExcludeTrailingPathDelimiter(Mobile), 0) == 0,
          "Die gespeicherte Liste zeigt nicht in " + Mobile + ".");
}

// A modal dialog of the tool, found by the start of its title.
unsigned long TSampleWalk::Dialog(const String& TitlePrefix, const String& Button, const String& Caption) {
  Say("   \"" + Caption + "\"");
  unsigned long Before = Screen->Search(TitlePrefix, Main);
  Require(Before == 0, "Ein Dialog \"" + TitlePrefix + "\" ist schon offen.");
  Screen->Click(Main, Layout->ControlCentre(Button));
  unsigned long D = Screen->FindWindow(TitlePrefix, 20, Main);
  Require(D != 0, "Der Dialog \"" + TitlePrefix + "\" erscheint nicht.");
  Screen->WaitUntilSettled(D);
  return D;
}

void TSampleWalk::WaitGone(unsigned long D, const String& What) {
  Require(WaitUntil([&] { return !Screen->Viewable(D); }, 20), What + " schließt nicht.");
  Screen->WaitUntilSettled(Main, 30);
}

// What the folder tree shows for a selected, focused node: its label
// (the node's text in the highlight colours) at the node's indentation.
// Drawn here with the tree's font as the tree draws it, so that the live
// dialog's selection can be read from its pixels.
struct TSelectedLabel {
  String Text;
  Integer Left = 0;  // the label's left edge in the tree's client area
  Integer Width = 0, Height = 0;
  std::vector<TColorRef> Pixels;  // row by row
};

TSelectedLabel DrawSelectedLabel(TCustomTreeView& Tree, TTreeNode* Node) {
  TSelectedLabel L;
  L.Text = Node->Text();
  Node->MakeVisible();
  TRect R = Node->DisplayRect(true);
  L.Left = R.Left;
  L.Width = R.Right - R.Left;
  L.Height = R.Bottom - R.Top;
  TBitmap B;
  B.SetPixelFormat(pf32bit);
  B.SetSize(L.Width, L.Height);
  TCanvas* C = B.Canvas();
  C->SetFont(Tree.Font());
  C->Brush()->SetColor(clHighlight);
  C->FillRect(Rect(0, 0, L.Width, L.Height));
  C->Font()->SetColor(clHighlightText);
  C->SetBkMode(TRANSPARENT);
  // The tree's text padding inside its selection.
  const Integer TextPad = (L.Width - C->TextWidth(L.Text)) / 2;
  C->TextOut(TextPad, (L.Height - C->TextHeight("Ag")) / 2, L.Text);
  for (Integer Y = 0; Y < L.Height; ++Y)
    for (Integer X = 0; X < L.Width; ++X) L.Pixels.push_back(ColorToRGB(C->Pixel(X, Y)));
  return L;
}

// True when the live tree (at TreeRect in window W) shows Want as its
// selected label. The focus frame on the label's border is left out.
bool ShowsSelected(TToolScreen& Screen, unsigned long W, const TRect& TreeRect, const TSelectedLabel& Want) {
  int Width = 0, Height = 0;
  std::vector<TColorRef> Shown = Screen.Pixels(W, Width, Height);
  if (Shown.empty()) return false;
  const TColorRef Mark = ColorToRGB(clHighlight);
  // The highlight's top edge within the label's column (the label's first
  // interior row lies one below the frame).
  const Integer X0 = TreeRect.Left + Want.Left;
  for (Integer Y = std::max<Integer>(TreeRect.Top, 0); Y + Want.Height <= std::min<Integer>(TreeRect.Bottom, Height);
       ++Y) {
    if (X0 + Want.Width > Width || Shown[size_t(Y + 1) * Width + X0 + 1] != Mark) continue;
    bool Same = true;
    for (Integer Ly = 1; Same && Ly + 1 < Want.Height; ++Ly)
      for (Integer Lx = 1; Same && Lx + 1 < Want.Width; ++Lx)
        Same = Shown[size_t(Y + Ly) * Width + X0 + Lx] == Want.Pixels[size_t(Ly) * Want.Width + Lx];
    if (Same) return true;
  }
  return false;
}

// The folder tree of the folder dialog reaches Path by keys as a user
// would, reading each folder's name off the screen: Home to the first
// node, then per level Right (twice where the node is still closed) into
// the children and Down until the wanted name is selected. The names of
// the way are the tree's own node texts, read from a dialog of the same
// description made here and never shown; no row is counted, so folders
// that come and go meanwhile do not lead astray.
void TSampleWalk::WalkTreeTo(unsigned long D, const String& Path) {
  std::unique_ptr<TFSelDir> Model(NewForm<TFSelDir>(nullptr));
  Model->HandleNeeded();
  const String Wanted = ExcludeTrailingPathDelimiter(Path);
  Model->trv->SetSelection(Wanted);
  Require(ExcludeTrailingPathDelimiter(Model->SelectedPath()) == Wanted,
          "Der Ordnerdialog zeigt " + Wanted +
              " nicht (ein versteckter Ordner auf dem Weg?). Geben Sie einen sichtbaren Beispielordner an.");
  std::vector<TSelectedLabel> Way;
  for (TTreeNode* N = Model->trv->Selected(); N; N = N->Parent()) {
    Way.insert(Way.begin(), DrawSelectedLabel(*Model->trv, N));
  }
  TRect Tree = ControlRectOf(*Model, "trv");
  // A click below the nodes gives the tree the focus.
  Screen->Click(D, TPoint{Tree.Right - 40, Tree.Bottom - 6});
  Screen->WaitUntilSettled(D);
  Screen->Press(D, XK_Home);
  auto Reads = [&](const TSelectedLabel& L) { return ShowsSelected(*Screen, D, Tree, L); };
  auto DownTo = [&](const TSelectedLabel& L) {
    // A bound well above any folder's count of sub-folders.
    for (int Step = 0; Step < 2000 && !Reads(L); ++Step)
      if (!Screen->PressAndWaitForChange(D, XK_Down)) {
        Shot(D, "verzeichnis-fehlt");
        throw EWalkFailed("Der Verzeichnisbaum zeigt \"" + L.Text + "\" auf dem Weg zu " + Wanted + " nicht.");
      }
  };
  DownTo(Way.front());
  for (size_t Level = 1; Level < Way.size(); ++Level) {
    Screen->Press(D, XK_Right);
    if (Reads(Way[Level - 1])) Screen->Press(D, XK_Right);
    Require(!Reads(Way[Level - 1]), "\"" + Way[Level - 1].Text + "\" öffnet sich im Verzeichnisbaum nicht.");
    DownTo(Way[Level]);
  }
}

// The list's first row set up on page "0" through the window: clicked,
// "Beschreibung" typed into the input box, "Verzeichnis wählen" walked to
// the mobile folder, a rights level ticked, "Übernehmen".
void TSampleWalk::SetUpFirstSlot() {
  Shot(Main, "start");
  TRect Grid = Layout->ControlRect("I_DBKMSYS");
  // Row 1 sits below the title row.
  Screen->Click(Main, TPoint{Grid.Left + 60, Grid.Top + 18 + 9});
  Screen->WaitUntilSettled(Main);

  unsigned long Box = Dialog(BoxTitle, "flbname", "Beschreibung");
  // The input line has the keyboard focus as the box opens.
  Screen->Type(Box, Description);
  Shot(Box, "beschreibung");
  Screen->Press(Box, XK_Return);
  WaitGone(Box, "Die Eingabe");

  unsigned long Dir = Dialog("Verzeichnis oder Laufwerk", "flbpath", "Verzeichnis wählen");
  WalkTreeTo(Dir, Mobile);
  Shot(Dir, "verzeichnis");
  {
    std::unique_ptr<TFSelDir> Model(NewForm<TFSelDir>(nullptr));
    Model->HandleNeeded();
    TRect Next = ControlRectOf(*Model, "FlatButton_next");
    Screen->Click(Dir, TPoint{(Next.Left + Next.Right) / 2, (Next.Top + Next.Bottom) / 2});
  }
  WaitGone(Dir, "Der Verzeichnisdialog");

  unsigned long Rights = Dialog("Rechte f", "flbr23423", "Rechte vergeben");
  {
    std::unique_ptr<TFSelID> Model(NewForm<TFSelID>(nullptr));
    Model->HandleNeeded();
    TRect List = ControlRectOf(*Model, "flb");
    TRect Next = ControlRectOf(*Model, "FlatButton_next");
    // The check box of level 2 at the left of its row (rows of 20 pixels).
    Screen->Click(Rights, TPoint{List.Left + 10, List.Top + 2 * 20 + 10});
    Screen->WaitUntilSettled(Rights);
    Shot(Rights, "rechte");
    Screen->Click(Rights, TPoint{(Next.Left + Next.Right) / 2, (Next.Top + Next.Bottom) / 2});
  }
  WaitGone(Rights, "Der Rechtedialog");

  Say("   \"Übernehmen\"");
  Screen->Click(Main, Layout->ControlCentre("FlatButton3423423"));
  Screen->WaitUntilSettled(Main, 30);
  // The level's text is longer than its column: resting on it shows it whole.
  Require(Screen->Hover(Main, TPoint{Layout->ControlRect("I_DBKMSYS").Left + 300, Grid.Top + 18 + 9}),
          "Der Hinweis zur Rechte-Spalte erscheint nicht.");
  Shot(Main, "eintrag");
  Say("2. Eintrag " + SlotID + " \"" + Description + "\" zeigt auf " + Mobile);
}

void TSampleWalk::StartTool() {
  Pid = Spawn(Tool + "orvsync7", {Office, "1", HostRelease}, Log);
  Require(Pid != 0, "orvsync7 kann nicht gestartet werden.");
  Main = Screen->FindWindow(MainTitlePrefix, 30);
  Require(Main != 0, "Das Fenster des Programms erscheint nicht (siehe " + Log + ").");
  // The list shows once the start-up has read it: the picture then stays.
  Require(Screen->WaitUntilSettled(Main, 30), "Das Fenster kommt nicht zur Ruhe.");
}

void TSampleWalk::Shot(unsigned long W, const String& Name) {
  ++ShotCount;
  String File = Pictures + (ShotCount < 10 ? "0" : "") + IntToStr(ShotCount) + "-" + Name + ".png";
  Screen->SavePng(W, File);
  Say("   Bild: " + File);
}

// Page "0" with slot 1 chosen, "Weiter" to the target page (answering a
// question with "Ja"), "Ausführen" to the run, the final message closed.
void TSampleWalk::PassPages(const String& Kind) {
  Shot(Main, Kind + "-liste");
  Say("   \"Weiter\": das Ziel wird geprüft");
  Require(Screen->ClickAndWaitForChange(Main, Layout->ControlCentre("FlatButton_next")),
          "\"Weiter\" ändert nichts.");
  Screen->WaitUntilSettled(Main, 30);
  if (unsigned long Question = Screen->Search(BoxTitle)) {
    Screen->WaitUntilSettled(Question);
    Shot(Question, Kind + "-frage");
    Say("   Frage mit \"Ja\" beantwortet");
    Require(Screen->PressFocusedButton(Question), "Die Frage schließt nicht.");
    Screen->WaitUntilSettled(Main, 30);
  }
  Shot(Main, Kind + "-ziel");
  Say("   \"Ausführen\"");
  Require(Screen->ClickAndWaitForChange(Main, Layout->ControlCentre("FlatButton_next")),
          "\"Ausführen\" ändert nichts.");
  unsigned long Final = Screen->FindWindow(BoxTitle, 180);
  Require(Final != 0, "Der Lauf endet nicht mit einer Meldung.");
  Screen->WaitUntilSettled(Final);
  Shot(Main, Kind + "-lauf");
  Shot(Final, Kind + "-meldung");
  Require(Screen->PressFocusedButton(Final), "Die Meldung schließt nicht.");
  Screen->WaitUntilSettled(Main, 30);
  Shot(Main, Kind + "-ende");
}

void TSampleWalk::CloseTool() {
  Screen->Click(Main, Layout->ControlCentre("FlatButton_cancel"));
  int Code = ExitWithin(Pid, 30);
  if (Code == -1) {
    kill(Pid, SIGKILL);
    waitpid(Pid, nullptr, 0);
  }
  Pid = 0;
  Require(Code == 0, "Das Programm endet nicht mit \"Schließen\" (Code " + IntToStr(Code) + ").");
  Say("   \"Schließen\": Programm beendet");
}

// The mobile side unpacks its update package and enters a new order for
// the first address, stamped now (after the installation's stamp).
void TSampleWalk::MobileSideEntersAnOrder() {
  String Installed = Mobile + "KelpoM/";
  Require(RunToEnd(Installed + "ZAVOZORUZIZOVAR.EXE", {}, Log) == 0,
          "Das Aktualisierungspaket entpackt nicht (siehe " + Log + ").");
  String Data = Installed + "KVS/DATA/REMOTE/";
  THostConnection Connection(Data);
  THostTable Orders(Connection, Data + "Auftraege");
  Orders.Append({{"ID_ORDER", "M-2026-0001"},
                 {"Status", "0"},
                 {"ParentName", DateTimeToStamp(0)},
                 {"AdressID", "1"},
                 {"BETREFF", "Auftrag vom Laptop"}});
  Orders.Close();
  Say("4. Mobile Seite: Paket entpackt, neuer Auftrag M-2026-0001 in " + Data);
}

// The counters of the last message that reports a synchronisation.
void TSampleWalk::ReportCounters() {
  std::ifstream In(Transcript, std::ios::binary);
  String Line, Last;
  while (std::getline(In, Line))
    if (Line.find("Mobile wurde synchronisiert.") != String::npos) Last = Line;
  Require(!Last.empty(), "Keine Meldung über die Synchronisation (siehe " + Transcript + ").");
  Say("Ergebnis:");
  for (const char* Counter : {"Aufträge aktualisiert:", "Aufträge hinzugefügt:", "Adressen aktualisiert:",
                              "Adressen hinzugefügt:"}) {
    size_t At = Last.find(Counter);
    Require(At != String::npos, String("Kein Zähler ") + Counter);
    size_t Open = Last.find('>', Last.find("<IND", At));
    size_t Close = Last.find('<', Open);
    Say(String("   ") + Counter + " " + Last.substr(Open + 1, Close - Open - 1));
  }
}

// After a failure: the last message the tool showed, without mark-up.
void TSampleWalk::ReportLastMessage() {
  std::ifstream In(Transcript, std::ios::binary);
  String Line, Last;
  while (std::getline(In, Line)) Last = Line;
  if (Last.empty()) return;
  std::fprintf(stderr, "Letzte Meldung des Programms:\n%s\n", PlainMessageText(Last).c_str());
}

void TSampleWalk::Run() {
  PrepareFolder();
  std::unique_ptr<TVirtualDisplay> Own;
  const char* Name = std::getenv("DISPLAY");
  if (!Name || !*Name) {
    Own = std::make_unique<TVirtualDisplay>();
    setenv("DISPLAY", Own->Name().c_str(), 1);
    Say("Virtuelle Anzeige " + Own->Name() + " gestartet (Xvfb)");
  }
  Screen = std::make_unique<TToolScreen>();
  Require(Screen->Valid(), "Die Anzeige kann nicht geöffnet werden.");
  Require(Screen->HasXTest(), "Die Anzeige hat kein XTest.");
  try {
    MakeOffice();
    SlotID = FirstStoredSlot().ID;
    Layout = std::make_unique<TFsyncLayout>();
    Say("2. Einrichtung: orvsync7 " + Office + " 1 " + HostRelease);
    StartTool();
    SetUpFirstSlot();
    // Installed only into the fresh folder made above.
    Require(std::filesystem::is_empty(Mobile), "Der Zielordner " + Mobile + " ist nicht mehr leer.");
    Say("3. Installation");
    PassPages("installation");
    Require(std::filesystem::exists(Mobile + "KelpoM/ZAVOZORUZIZOVAR.EXE"),
            "Die mobile Installation fehlt in " + Mobile + "KelpoM/.");
    CloseTool();
    ReportStoredFirstSlot();
    MobileSideEntersAnOrder();
    Say("5. Synchronisation: orvsync7 " + Office + " 1 " + HostRelease);
    StartTool();
    PassPages("synchronisation");
    CloseTool();
    ReportCounters();
    Say("Bilder der Seiten: " + Pictures);
  } catch (...) {
    ReportLastMessage();
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
    Layout.reset();
    Screen.reset();
    throw;
  }
  Layout.reset();
  Screen.reset();
}

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  if (ParamCount() < 1 || ParamStr(1) == "--help" || ParamStr(1) == "-h") {
    std::fprintf(ParamCount() < 1 ? stderr : stdout, "Aufruf: samplewalk <Beispielordner> [Programmordner]\n");
    return ParamCount() < 1 ? 2 : 0;
  }
  String Folder = std::filesystem::absolute(ParamStr(1).c_str()).string();
  String Bin = ParamCount() >= 2 ? ParamStr(2) : ExtractFilePath(GetModuleFileName());
  try {
    TSampleWalk(Folder, Bin).Run();
    return 0;
  } catch (const Exception& E) {
    std::fprintf(stderr, "Abbruch: %s\n", E.Message().c_str());
    return 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "Abbruch: %s\n", E.what());
    return 1;
  }
}
