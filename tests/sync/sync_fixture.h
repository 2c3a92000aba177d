// Shared verbs of the synchronisation's test scenarios.
//
// Every test gets a fresh tree of its own:
//   office/   the office data folder with the business tables, made
//             through the engine (setup, Auftraege, Adressen, ArtikelMain,
//             ArtikelSub, OrderVL, TEXT: every file the run copies);
//   tool/     the tool's own folder (ParamStr(0) = tool/orvsync7);
//   mobile/   the folder of a mobile target;
//   temp/, common/, documents/  the temporary, common application-data and
//             common documents folders (TMPDIR, MDS_COMMON_APPDATA,
//             MDS_COMMON_DOCUMENTS).
// The command line is (office, "1", "12340"), the clock a fake one at
// 7 December 2026, 10:00, and a scripted responder answers the message
// box. The main form is made by MakeForm and freed at the end.
//
//   class MyTest : public SyncTest {};
//   TEST_F(MyTest, Something) {
//     GivenOffice();
//     TFsync* F = MakeForm();
//     StartDatabase();
//     EXPECT_EQ(7, F->KM->RecordCount());
//   }
#pragma once

// Umsync.h first: it includes the archive unit under its own terms.
#include "sync/Umsync.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/StringUtils.h"
#include "foundation/USettings.h"
#include "platform/engine/oak.h"
#include "platform/gui/backend.h"
#include "platform/gui/dialogs_responder.h"
#include "platform/os/folders.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/sysutils.h"
#include "scoped_env.h"
#include "temp_dir.h"

using TSyncRow = std::vector<std::pair<std::string, std::string>>;

class SyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = MakeTempFolder("synctest") + "/";
    Office = Root + "office/";
    Tool = Root + "tool/";
    Target = Root + "mobile/";
    for (const String& D : {Office, Tool, Target, Root + "temp/", Root + "common/", Root + "documents/"})
      std::filesystem::create_directories(D);
    SetVariable("TMPDIR", Root + "temp");
    SetVariable("MDS_COMMON_APPDATA", Root + "common");
    SetVariable("MDS_COMMON_DOCUMENTS", Root + "documents");
    SetProgramPath(Tool + "orvsync7");
    SetCommandLineArgs({Office, "1", "12340"});
    Clock = TFakeClock::At(2026, 12, 7, 10, 0, 0);
    UseClock = std::make_unique<TClockOverride>(Clock);
    Responder = std::make_unique<TScriptedResponder>();
    OakShowDeleted(1);
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
    if (Engine) OakDisconnect(Engine);
    Responder.reset();
    UseClock.reset();
    SetProgramPath(String());
    SetCommandLineArgs({});
    ResetStartRefused();
    // Newest first: a variable set twice ends as it was before the first.
    while (!Variables.empty()) Variables.pop_back();
    std::filesystem::remove_all(Root);
  }
  // Sets the environment variable Name to Value until the test ends.
  void SetVariable(const char* Name, const String& Value) {
    Variables.push_back(std::make_unique<ScopedEnv>(Name, Value));
  }

  // ---- The office database ------------------------------------------------------
  // Creates the office tables with their indexes; setup.OAT gets no rows.
  void GivenOffice() { CreateTables(Office); }
  // Creates the business tables of the run in Folder.
  void CreateTables(const String& Folder) {
    std::filesystem::create_directories(Folder);
    CreateTable(Folder, "setup", "ID,Autoinc;Ident,Integer;stringItem,Character,100;MemoItem,Memo;logo,Blob",
                {{"IDENT", "Ident"}});
    CreateTable(Folder, "Auftraege",
                "ID,Autoinc;ID_ORDER,Character,20;Status,Shortint;ParentName,Character,18;"
                "AdressID,Integer;Notiz,Memo",
                {{"ID_ORDER", "ID_ORDER"}, {"ID", "ID"}});
    CreateTable(Folder, "Adressen",
                "ID,Autoinc;ADR_46_,Character,11;ADR_47_,Character,18;Name,Character,40;Bemerkung,Memo",
                {{"ID", "ID"}});
    CreateTable(Folder, "ArtikelMain", "ID,Autoinc;ArtNr,Character,20;Text,Memo", {{"ID", "ID"}});
    CreateTable(Folder, "ArtikelSub", "ID,Autoinc;ArtNr,Character,20", {{"ID", "ID"}});
    CreateTable(Folder, "OrderVL", "ID,Autoinc;Text,Memo", {{"ID", "ID"}});
    CreateTable(Folder, "TEXT", "ID,Autoinc;Text,Memo", {{"ID", "ID"}});
  }
  void CreateTable(const String& Folder, const String& Name, const String& Fields,
                   const std::vector<std::pair<String, String>>& Tags) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakCreateTable(EngineConnection(), (Folder + Name).c_str(), nullptr, OAK_OAT, OAK_ANSI, 1,
                                 1, 0, Fields.c_str(), &T))
        << Name;
    for (auto& [Tag, Expr] : Tags) {
      OAKHANDLE I = OAK_INVALID_HANDLE;
      ASSERT_EQ(0u, OakCreateIndex61(T, "", Tag.c_str(), Expr.c_str(), "", "", 0, 0, &I)) << Tag;
    }
    OakCloseTable(T);
  }
  // Appends a row of FIELD=text pairs to the table Folder + Name.
  void AddRow(const String& Folder, const String& Name, const TSyncRow& Values) {
    OAKHANDLE T = OpenEngineTable(Folder + Name);
    ASSERT_EQ(0u, OakAppendRecord(T));
    for (auto& [F, V] : Values) {
      UNSIGNED16 No = 0;
      ASSERT_EQ(0u, OakGetFieldNum(T, F.c_str(), &No)) << F;
      ASSERT_EQ(0u, OakSetField(T, No, V.data(), UNSIGNED32(V.size()))) << F;
    }
    ASSERT_EQ(0u, OakWriteRecord(T));
    OakCloseTable(T);
  }
  // A setup row Ident with stringItem Text in Folder (the office by default).
  void GivenSetupRow(Integer Ident, const String& Text, const String& Folder = String()) {
    AddRow(Folder.empty() ? Office : Folder, "setup", {{"Ident", IntToStr(Ident)}, {"stringItem", Text}});
  }
  // The stringItem texts of every setup row Ident, in record order.
  std::vector<String> SetupRows(Integer Ident, const String& Folder = String()) {
    std::vector<String> Texts;
    OAKHANDLE T = OpenEngineTable((Folder.empty() ? Office : Folder) + "setup");
    UNSIGNED16 IdentNo = 0, TextNo = 0;
    OakGetFieldNum(T, "Ident", &IdentNo);
    OakGetFieldNum(T, "stringItem", &TextNo);
    UNSIGNED16 Eof = 0;
    for (OakGotoTop(T); OakAtEOF(T, &Eof) == 0 && !Eof; OakSkip(T, 1)) {
      char Buf[256];
      UNSIGNED32 Len = sizeof Buf;
      OakGetField(T, IdentNo, Buf, &Len, OAK_RTRIM);
      if (Trim(String(Buf, Len)) != IntToStr(Ident)) continue;
      Len = sizeof Buf;
      OakGetField(T, TextNo, Buf, &Len, OAK_RTRIM);
      Texts.push_back(String(Buf, Len));
    }
    OakCloseTable(T);
    return Texts;
  }

  // ---- The tool ----------------------------------------------------------------
  // The main form, created (FormCreate has run), not shown.
  TFsync* MakeForm() {
    Form = NewForm<TFsync>(nullptr);
    Form->OnClose = [this](TObject*, TCloseAction& Action) {
      ++CloseCount;
      Action = caHide;
    };
    return Form;
  }
  // The database start-up as the start message runs it.
  void StartDatabase() { Form->DatabaseStartUp(); }
  // A fresh form on the same office, started (a second start of the tool).
  TFsync* Restart() {
    delete Form;
    Form = nullptr;
    MakeForm();
    StartDatabase();
    return Form;
  }
  // The rows of the installation list: field values of every record.
  std::vector<String> ListColumn(const String& FieldName) {
    std::vector<String> Values;
    for (Form->KM->First(); !Form->KM->Eof(); Form->KM->Next())
      Values.push_back(Form->KM->FieldByName(FieldName)->AsString());
    Form->KM->First();
    return Values;
  }

  // ---- Message box ------------------------------------------------------------
  // The next message containing TextPart is closed with "Schließen".
  void ExpectMessage(const String& TextPart) { Responder->PressButton("*", "Schließen", TextPart); }
  // The next question containing TextPart is answered.
  void AnswerQuestion(const String& TextPart, bool Yes) {
    Responder->PressButton("*", Yes ? "Ja" : "Nein", TextPart);
  }
  // The next message containing TextPart is closed once its picture was
  // saved as Name (in LOOK_PNG_DIR, else the test's folder); returns the
  // picture's path.
  String PictureOfMessage(const String& TextPart, const String& Name) {
    const char* Dir = getenv("LOOK_PNG_DIR");
    const String Picture = (Dir ? String(Dir) + "/" : Root) + Name;
    Responder->Do("*", [Picture](TCustomForm* Box) {
      HeadlessSavePng(Box->Handle(), Picture);
      Box->SetModalResult(mrCancel);
    }, TextPart);
    return Picture;
  }
  // Every message shown so far, as the responder saw its text.
  std::vector<String> ShownTexts() const {
    std::vector<String> Texts;
    for (auto& S : Responder->Shown()) Texts.push_back(S.Text);
    return Texts;
  }
  void ExpectAllAnswered() {
    EXPECT_TRUE(Responder->Unexpected().empty()) << (Responder->Unexpected().empty() ? "" : Responder->Unexpected()[0]);
    EXPECT_EQ(0, Responder->PendingRules());
  }

  // ---- The installation list ---------------------------------------------------------
  // The hint Grid gives for the pointer resting in Cell ("" none).
  static String HintAt(TI_DBGrid* Grid, const TRect& Cell) {
    THintInfo Info;
    Info.HintControl = Grid;
    Info.CursorPos = Point(Cell.Left + 2, Cell.Top + 2);
    return Grid->Perform(CM_HINTSHOW, 0, LPARAM(&Info)) == 0 ? Info.HintStr : String();
  }

  // ---- Files ----------------------------------------------------------------------
  static void WriteFile(const String& Path, const String& Text) {
    std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
    std::ofstream(Path, std::ios::binary) << Text;
  }
  static String ReadFile(const String& Path) {
    std::ifstream In(Path, std::ios::binary);
    return String(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }
  static bool Exists(const String& Path) { return std::filesystem::exists(Path); }

  OAKHANDLE EngineConnection() {
    if (!Engine) {
      EXPECT_EQ(0u, OakConnect60(Root.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Engine));
    }
    return Engine;
  }
  OAKHANDLE OpenEngineTable(const String& Path) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakOpenTable(EngineConnection(), Path.c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T))
        << Path;
    return T;
  }

  String Root, Office, Tool, Target;
  std::shared_ptr<TFakeClock> Clock;
  std::unique_ptr<TClockOverride> UseClock;
  std::unique_ptr<TScriptedResponder> Responder;
  TFsync* Form = nullptr;
  int CloseCount = 0;
  OAKHANDLE Engine = 0;
  std::vector<std::unique_ptr<ScopedEnv>> Variables;
};
