// Page "0": editing a slot through the buttons and their dialogs, saving
// ("Übernehmen"), removing an installation, the keys the list swallows,
// and the rights and folder dialogs on their own.
#include "sync_fixture.h"

#include <sys/stat.h>

#include "platform/os/process.h"

#include "sync/USelID.h"
#include "sync/USeldir.h"
#include "ui/look/sb_box.h"

namespace {

// Selects Path in the folder dialog's tree; "" selects the desktop (a
// node without a path).
void SelectInTree(TFSelDir* D, const String& Path) {
  if (Path.empty())
    D->trv->SetSelected(D->trv->Items()->GetFirstNode());
  else
    D->trv->SetSelection(Path);
}

// A press and release of the left button at (6, 6) of C, as a user's click.
void Press(TControl* C) {
  C->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 6));
  C->Perform(WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
}

class EditPageZero : public SyncTest {
 protected:
  TFsync* StartedTool() {
    GivenOffice();
    MakeForm();
    StartDatabase();
    return Form;
  }
  void GoToSlot(Integer ID) { Form->KM->Locate("ID", Variant(ID), TLocateOptions()); }
  String Field(const String& Name) { return Form->KM->FieldByName(Name)->AsString(); }

  // The next input box asking for the description is answered with Text.
  void AnswerDescription(const String& Text) {
    Responder->Do("*", [Text](TCustomForm* F) {
      auto* Box = dynamic_cast<TFSB_BOX*>(F);
      Box->FINPE->SetText(Text);
      Press(Box->FB_IOK);
    }, "Beschreibung:");
  }
  // The next folder dialog selects Path in its tree and presses "Weiter".
  void PickFolder(const String& Path) {
    Responder->Do("Verzeichnis oder Laufwerk wählen", [Path](TCustomForm* F) {
      auto* D = dynamic_cast<TFSelDir*>(F);
      SelectInTree(D, Path);
      Press(D->FlatButton_next);
    });
  }
  // The next rights dialog gets a click on the box of Level, then Button.
  void PickRights(Integer Level, const String& Button = "&Weiter") {
    Responder->Do("Rechte für Installation wählen", [Level](TCustomForm* F) {
      auto* D = dynamic_cast<TFSelID*>(F);
      const TRect& Row = D->flb->ItemRects()[Level];
      D->flb->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Row.Left + 6, Row.Top + 6));
      D->flb->Perform(WM_LBUTTONUP, 0, MAKELPARAM(Row.Left + 6, Row.Top + 6));
    });
    Responder->PressButton("Rechte für Installation wählen", Button);
  }
};

TEST_F(EditPageZero, TheDescriptionBecomesTheSlotsNameAndMarksTheListChanged) {
  StartedTool();
  GoToSlot(2);
  AnswerDescription("Laptop Vertrieb");
  Press(Form->flbname);
  EXPECT_EQ("Laptop Vertrieb", Field("Name"));
  EXPECT_TRUE(Form->ConfigChanged);
  EXPECT_TRUE(Form->KM->ReadOnly());
  // Cancelled: the name stays, the list still counts as changed.
  Form->ConfigChanged = false;
  Responder->PressButton("*", "Abbrechen", "Beschreibung:");
  Press(Form->flbname);
  EXPECT_EQ("Laptop Vertrieb", Field("Name"));
  EXPECT_TRUE(Form->ConfigChanged);
  ExpectAllAnswered();
}

TEST_F(EditPageZero, ADescriptionLongerThanTheFieldIsRefusedAndTheNameStays) {
  StartedTool();
  AnswerDescription("Alt");
  Press(Form->flbname);
  AnswerDescription(String(101, 'x'));
  ExpectMessage("zu lang");
  Press(Form->flbname);
  EXPECT_EQ("Alt", Field("Name"));
  ExpectAllAnswered();
}

TEST_F(EditPageZero, TheChosenFolderBecomesThePathAndTheSelectedTarget) {
  StartedTool();
  GoToSlot(4);
  PickFolder(Target);
  Press(Form->flbpath);
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Target), ExcludeTrailingPathDelimiter(Field("Path")));
  EXPECT_EQ(Field("Path"), Form->CurrentPath);
  // Cancelling the dialog leaves the path as it was.
  Responder->AnswerWith("Verzeichnis oder Laufwerk wählen", mrCancel);
  Press(Form->flbpath);
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Target), ExcludeTrailingPathDelimiter(Field("Path")));
  ExpectAllAnswered();
}

TEST_F(EditPageZero, TheFolderDialogRefusesAVirtualNodeAndGivesAFilesFolder) {
  StartedTool();
  PickFolder("");
  ExpectMessage("Sie müssen ein Laufwerk und/oder ein Verzeichnis angeben.");
  Responder->AnswerWith("Verzeichnis oder Laufwerk wählen", mrCancel);
  Press(Form->flbpath);
  EXPECT_EQ("", Field("Path"));
  // A file is never the answer: the tree selects the folder it lies in.
  WriteFile(Target + "datei.txt", "x");
  PickFolder(Target + "datei.txt");
  Press(Form->flbpath);
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Target), ExcludeTrailingPathDelimiter(Field("Path")));
  ExpectAllAnswered();
}

TEST_F(EditPageZero, AFolderPathLongerThanTheFieldIsRefusedAndThePathStays) {
  StartedTool();
  PickFolder(Target);
  Press(Form->flbpath);
  String Deep = Target;
  while (Deep.size() <= 200) Deep += "ein-langer-ordnername/";
  std::filesystem::create_directories(Deep);
  PickFolder(Deep);
  ExpectMessage("zu lang");
  Press(Form->flbpath);
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Target), ExcludeTrailingPathDelimiter(Field("Path")));
  ExpectAllAnswered();
}

TEST_F(EditPageZero, HelpOpensTheHelpPageOfTheToolsFolderOrSaysWhyItCannot) {
  StartedTool();
  WriteFile(Tool + "synchlp.htm", "<html></html>");
  // A stand-in "xdg-open" on PATH; the launcher records instead of starting it.
  WriteFile(Root + "bin/xdg-open", "#!/bin/sh\n");
  chmod((Root + "bin/xdg-open").c_str(), 0755);
  SetVariable("PATH", Root + "bin");
  std::vector<TLaunchRequest> Started;
  TProcessLauncher Old = SetProcessLauncher([&](const TLaunchRequest& R, TProcessHandle&) {
    Started.push_back(R);
    return DWORD(0);
  });
  Press(Form->FlatButton332423);
  SetProcessLauncher(Old);
  ASSERT_EQ(1u, Started.size());
  bool NamesHelpPage = false;
  for (const String& A : Started[0].Argv) NamesHelpPage |= A == Tool + "synchlp.htm";
  EXPECT_TRUE(NamesHelpPage);
  // Without a program that shows it, the user is told so, naming the page;
  // without the page, that it is missing.
  SetVariable("PATH", Root + "leer");
  ExpectMessage("Die Hilfe kann nicht angezeigt werden:\nEs ist kein Programm eingerichtet, das die Hilfeseite " +
                Tool + "synchlp.htm öffnet (xdg-open).");
  Press(Form->FlatButton332423);
  std::filesystem::remove(Tool + "synchlp.htm");
  ExpectMessage("Die Hilfe kann nicht angezeigt werden:\nDie Hilfeseite " + Tool + "synchlp.htm fehlt.");
  Press(Form->FlatButton332423);
  ExpectAllAnswered();
}

// xdg-open tells a failure by its exit code only: an opener that ends
// with 1 makes the message naming the page; one that ends with 0 none.
TEST_F(EditPageZero, HelpSaysSoWhenTheOpenerFailsToOpenThePage) {
  StartedTool();
  WriteFile(Tool + "synchlp.htm", "<html></html>");
  SetVariable("PATH", Root + "bin");
  auto PressHelpWithOpener = [&](const String& Exit) {
    WriteFile(Root + "bin/xdg-open", "#!/bin/sh\nexit " + Exit + "\n");
    chmod((Root + "bin/xdg-open").c_str(), 0755);
    Press(Form->FlatButton332423);
    TProcessHandle Opener = Form->HelpOpener;
    ASSERT_TRUE(Opener.Valid());
    ASSERT_TRUE(Form->HelpOpenerWatch->Enabled());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Opener, 30000));
    Clock->Advance(100);
    Application->ProcessMessages();
    EXPECT_FALSE(Form->HelpOpenerWatch->Enabled());
    EXPECT_FALSE(Form->HelpOpener.Valid());
  };
  ExpectMessage("Die Hilfe kann nicht angezeigt werden:\nDie Hilfeseite " + Tool +
                "synchlp.htm konnte nicht geöffnet werden (xdg-open endete mit Code 1).");
  PressHelpWithOpener("1");
  EXPECT_EQ(0, Responder->PendingRules());
  const std::size_t Shown = ShownTexts().size();
  PressHelpWithOpener("0");
  EXPECT_EQ(Shown, ShownTexts().size());
  ExpectAllAnswered();
}

TEST_F(EditPageZero, TheRightsDialogWritesTheTickedLevel) {
  StartedTool();
  GoToSlot(3);
  PickRights(2);
  Press(Form->flbr23423);
  EXPECT_EQ(2, Form->KM->FieldByName("RIGHTS")->AsInteger());
  EXPECT_EQ(2, Form->CurrentRights);
  // Cancelled: the level stays.
  PickRights(4, "&Abbrechen");
  Press(Form->flbr23423);
  EXPECT_EQ(2, Form->KM->FieldByName("RIGHTS")->AsInteger());
  ExpectAllAnswered();
}

TEST_F(EditPageZero, RemovingAnEntryKeepsItsSlotIdentityAndSavesTheList) {
  StartedTool();
  GoToSlot(5);
  AnswerDescription("Weg damit");
  Press(Form->flbname);
  PickFolder(Target);
  Press(Form->flbpath);
  PickRights(3);
  Press(Form->flbr23423);
  String GUID = Field("GUID");
  AnswerQuestion("Eintrag entfernen?", false);
  Press(Form->FlatButton2);
  EXPECT_EQ("Weg damit", Field("Name"));
  AnswerQuestion("Eintrag entfernen?", true);
  Press(Form->FlatButton2);
  ExpectAllAnswered();
  Restart();
  GoToSlot(5);
  EXPECT_EQ("", Field("Name"));
  EXPECT_EQ("", Field("Path"));
  EXPECT_EQ(GUID, Field("GUID"));
  EXPECT_EQ(3, Form->KM->FieldByName("RIGHTS")->AsInteger());
}

TEST_F(EditPageZero, TakingOverSavesAndStaysOnTheRowAmongEqualPaths) {
  StartedTool();
  GoToSlot(6);  // slots 1..7 all have the same (empty) path
  AnswerDescription("Sechs");
  Press(Form->flbname);
  Press(Form->FlatButton3423423);
  EXPECT_EQ(6, Form->KM->FieldByName("ID")->AsInteger());
  EXPECT_FALSE(Form->ConfigChanged);
  Restart();
  EXPECT_EQ("Sechs", ListColumn("Name")[5]);
}

TEST_F(EditPageZero, TheListSwallowsInsertDeleteAndDownOnTheLastRow) {
  StartedTool();
  for (Word K : {Word(VK_INSERT), Word(VK_DELETE)}) {
    Word Key = K;
    Form->I_DBKMSYSKeyDown(Form->I_DBKMSYS, Key, TShiftState());
    EXPECT_EQ(0, Key);
  }
  Word Down = VK_DOWN;
  Form->I_DBKMSYSKeyDown(Form->I_DBKMSYS, Down, TShiftState());
  EXPECT_EQ(VK_DOWN, Down);
  GoToSlot(7);
  Form->I_DBKMSYSKeyDown(Form->I_DBKMSYS, Down, TShiftState());
  EXPECT_EQ(0, Down);
}

TEST_F(EditPageZero, TheOptionBoxesOfPageTwoCycleThroughGreyOnlyWhenAllowed) {
  StartedTool();
  TStyledCheckBox* Box = Form->snnoneKelpo;
  Press(Box);
  EXPECT_EQ(cbChecked, Box->State());
  Press(Box);
  EXPECT_EQ(cbUnchecked, Box->State());
  Box->SetAllowGrayed(true);
  std::vector<TCheckBoxState> Seen;
  for (int I = 0; I < 3; ++I) {
    Press(Box);
    Seen.push_back(Box->State());
  }
  EXPECT_EQ((std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}), Seen);
  EXPECT_EQ(Form->scignoreadr->ClassType(), TStyledCheckBox::StaticClass());
}

// ---- The dialogs on their own -------------------------------------------------

class PickLevel : public SyncTest {};

TEST_F(PickLevel, OkGivesTheTickedLevelAndCancelLeavesTheLevel) {
  Responder->Do("Rechte für Installation wählen", [](TCustomForm* F) {
    auto* D = dynamic_cast<TFSelID*>(F);
    EXPECT_TRUE(D->flb->GetChecked(1));
    EXPECT_EQ(5, D->flb->Items()->Count());
    EXPECT_EQ(1, D->flb->GetItemIndex());
    // Clicking the ticked level keeps it ticked; another one moves the tick.
    D->flb->SetItemIndex(1);
    D->flbClickCheck(D->flb);
    EXPECT_EQ(1, D->TickedLevel());
    D->flb->SetItemIndex(4);
    D->flbClickCheck(D->flb);
    EXPECT_FALSE(D->flb->GetChecked(1));
    Press(D->FlatButton_next);
  });
  Byte Level = 1;
  EXPECT_TRUE(ExecuteSelID(Level));
  EXPECT_EQ(4, Level);
  Responder->AnswerWith("Rechte für Installation wählen", mrCancel);
  EXPECT_FALSE(ExecuteSelID(Level));
  EXPECT_EQ(4, Level);
  // Ctrl+C (code 3) cancels too.
  Responder->Do("Rechte für Installation wählen", [](TCustomForm* F) {
    char32_t Key = 3;
    dynamic_cast<TFSelID*>(F)->FormKeyPress(F, Key);
  });
  EXPECT_FALSE(ExecuteSelID(Level));
  ExpectAllAnswered();
}

TEST_F(PickLevel, AnUnknownStoredLevelIsPresetAsLevelZero) {
  Responder->Do("Rechte für Installation wählen", [](TCustomForm* F) {
    Press(dynamic_cast<TFSelID*>(F)->FlatButton_next);
  });
  Byte Level = 6;
  EXPECT_TRUE(ExecuteSelID(Level));
  EXPECT_EQ(0, Level);
}

}  // namespace
