// CheckData: the table check of a run. Each of four copied tables is
// opened exclusively, its address keys completed when asked, every
// record's deleted state read and written again, and the table reindexed.
#include "data/oak/oakerrors.h"
#include "foundation/USettings.h"
#include "platform/engine/oak.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync_run.h"

namespace {

// Gives every address without a key the key with prefix 0.
void CompleteAddressKeys(TFsync& Form, TOakTable& Table) {
  TCountProgress Progress(Form, "Adressen überprüfen...", Table.RecordCount());
  Table.First();
  while (!Table.Eof()) {
    Progress.Step();
    if (Trim(Table.FieldByName("ADR_46_")->AsString()).empty()) SetAddressKey(&Table, 0);
    Table.Next();
  }
  Progress.Finish();
}

// Reads and rewrites the deleted state of every record the table shows,
// deleted ones included: a deleted record is deleted again, any other
// recalled. The walk runs on the engine's cursor in the table's order (the
// records the dataset would step through) without filling record buffers
// that nothing reads; the dataset is brought back to its first record.
void RewriteRecordStates(TOakTable& Table) {
  const OAKHANDLE Records = Table.TableHandle(), Order = Table.OrderHandle();
  RaiseOakError(&Table, OakGotoTop(Order));
  for (;;) {
    UNSIGNED16 Eof = 0, Visible = 0, Deleted = 0;
    RaiseOakError(&Table, OakAtEOF(Records, &Eof));
    if (Eof) break;
    RaiseOakError(&Table, OakIsRecordVisible(Records, &Visible));
    if (Visible) {
      RaiseOakError(&Table, OakIsRecordDeleted(Records, &Deleted));
      RaiseOakError(&Table, Deleted ? OakDeleteRecord(Records) : OakRecallRecord(Records));
    }
    RaiseOakError(&Table, OakSkip(Order, 1));
  }
  Table.First();
}

// The table is open exclusively for its whole check: the reindex needs
// that, and the walk before it then reads and writes no lock bytes and no
// header counters that no other handle could have changed.
void OpenExclusively(TOakTable& Table) {
  Table.SetExclusive(true);
  Table.Open();
}

void ReindexAndClose(TOakTable& Table) {
  Table.Reindex();
  Table.Close();
  Table.SetExclusive(false);
}

}  // namespace

bool TFsync::CheckData(const String Files[4], bool FixAddressKeys) {
  TBusyScope Busy;
  String TableName;
  try {
    const String Tree = RunFolder(*this, "");
    auto Connection = std::make_unique<TOakConnection>(nullptr);
    Connection->SetOakServerTypes(TOakServerTypes{stOAK_LOCAL});
    auto Table = MakeRunTable(Connection.get(), "");
    pgmain->SetMin(0);
    StartProgress(*this, 0, 2);
    ShowCopyText(*this, "Datenbank überprüfen... Evt. wird das Programm einige Zeit nicht reagieren.");
    AdvanceProgress(*this);
    String Folder;
    for (Integer I = 0; I < 4; ++I) {
      const String Path = Tree + Files[I];
      if (ExtractFilePath(Path) != Folder) {
        Folder = ExtractFilePath(Path);
        Connection->Disconnect();
        Connection->SetConnectPath(Folder);
        Connection->Connect();
      }
      TableName = ExtractFileName(Path);
      Table->SetTableName(TableName);
      ShowCopyText(*this, "Überprüfen von: " + TableName);
      OpenExclusively(*Table);
      if (FixAddressKeys && UpperCase(TableName) == "ADRESSEN.OAT") CompleteAddressKeys(*this, *Table);
      ShowCopyText(*this, "Überprüfen von: " + TableName);
      RewriteRecordStates(*Table);
      ReindexAndClose(*Table);
      AdvanceProgress(*this);
    }
    Table.reset();
    Connection->Disconnect();
  } catch (...) {
    throw ECanNotDataCheck(TableName);
  }
  return true;
}
