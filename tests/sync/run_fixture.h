// Verbs of the run-step scenarios (copy, check, backup, write-back, merge,
// mobile installation), on top of SyncTest's fresh tree:
//   GivenToolFolder   the tool's program files, ZUVID.INI and the template
//   MakeRunForm       the main form pointed at the office, slot 1 selected
//   Tree(Sub)         a folder of the temporary tree of a run
//   LiveRows          one field of every live row of a table (engine read)
//   LaptopLacksRunMessage  the start's message after a run killed while
//                     it wrote the laptop
#pragma once

#include "sync/sync_fixture.h"

#include "platform/os/files.h"
#include "sync/Umsync_run.h"

class RunStepTest : public SyncTest {
 protected:
  const String OfficeGUID = "{11111111-2222-3333-4444-555555555555}";
  const String MobileGUID = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
  const String TemplateBytes = String("MZ-template-") + String(300, 'T');

  // The nine program files, ZUVID.INI and the update template in the
  // tool's folder.
  void GivenToolFolder() {
    for (const char* Name : ProgramFiles) {
      String Plain = Name;
      if (!Plain.empty() && Plain.back() == '.') Plain.pop_back();
      WriteFile(Tool + Plain, "program " + Plain);
    }
    WriteFile(Tool + "ZUVID.INI", "[Tool]\r\nLocal=1\r\n");
    WriteFile(Tool + UpdateTemplateName, TemplateBytes);
  }
  // The office tables with one order and one address.
  void GivenOfficeWithData() {
    GivenOffice();
    GivenSetupRow(1, OfficeGUID);
    AddRow(Office, "Adressen", {{"ADR_46_", "0         1"}, {"ADR_47_", "20261101-100000000"}, {"Name", "Meyer"}});
    AddRow(Office, "Auftraege",
           {{"ID_ORDER", "300000001"}, {"Status", "0"}, {"ParentName", "20261101-100000000"}, {"AdressID", "1"}});
  }
  // The office with its data, the tool's folder and the run form on them.
  void GivenRunOnOffice() {
    GivenOfficeWithData();
    GivenToolFolder();
    MakeRunForm();
  }
  // The main form on the office (not connected), slot 1 with the target.
  TFsync* MakeRunForm() {
    MakeForm();
    Form->OakConnection->SetConnectPath(Office);
    Form->CurrentGUID = MobileGUID;
    Form->CurrentID = 1;
    Form->CurrentRights = 2;
    Form->CurrentPath = Target;
    Settings()->SetDatabaseID(OfficeGUID);
    return Form;
  }
  // The file Path as the engine or the run wrote it (name in any case).
  static String ReadTable(const String& Path) { return ReadFile(os::ResolvePath(Path)); }
  // The tables of a mobile installation below Target.
  void GivenMobileTables() {
    std::filesystem::create_directories(Target + "KVS/DATA/REMOTE");
    CreateTables(Target + "KVS/DATA/REMOTE/");
  }
  // What the start says after a run killed once it had written the office
  // back, while it wrote the laptop's folder Laptop.
  String LaptopLacksRunMessage(const String& Laptop) const {
    return "Eine frühere Synchronisation wurde nicht abgeschlossen.\nSie wurde beim Zurückschreiben der mobilen "
           "Daten nach " + Laptop + " abgebrochen. Die synchronisierten Daten sind im Datenverzeichnis " + Office +
           " vollständig übernommen. Der mobile Computer hat die Daten dieser Synchronisation noch nicht erhalten";
  }
  // A folder of the form's temporary tree (its private folder is made on
  // first use). REQUIRES: a form.
  String Tree(const String& Sub) { return RunFolder(*Form, "") + Sub; }

  // Field of every live (not deleted) row of Folder + Table, in record order.
  std::vector<String> LiveRows(const String& Folder, const String& Table, const char* Field) {
    std::vector<String> Values;
    OAKHANDLE T = OpenEngineTable(Folder + Table);
    UNSIGNED16 No = 0;
    EXPECT_EQ(0u, OakGetFieldNum(T, Field, &No)) << Field;
    UNSIGNED16 Eof = 0;
    for (OakGotoTop(T); OakAtEOF(T, &Eof) == 0 && !Eof; OakSkip(T, 1)) {
      UNSIGNED16 Deleted = 0;
      OakIsRecordDeleted(T, &Deleted);
      if (Deleted) continue;
      char Buf[256];
      UNSIGNED32 Len = sizeof Buf;
      OakGetField(T, No, Buf, &Len, OAK_RTRIM);
      Values.push_back(String(Buf, Len));
    }
    OakCloseTable(T);
    return Values;
  }
};
