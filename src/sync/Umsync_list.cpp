// The office identity and the installation list. Both live in rows of the
// office settings table setup.OAT: row Ident 1 holds the office GUID in
// stringItem, row Ident 2 holds the whole list KM as CSV text in the
// compressed memo MemoItem. The list always has seven slots with IDs 1..7
// and a valid GUID each once it is loaded.
#include "foundation/USettings.h"
#include "foundation/Ucompress.h"
#include "platform/rtl/guid.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync.h"

namespace {

constexpr Integer SlotCount = 7;
constexpr Integer OfficeIdentityRow = 1;
constexpr Integer InstallationListRow = 2;

bool IsValidGUID(const String& Text) {
  TGUID G;
  return TryStringToGUID(Text, G);
}

// Positions Table on row Ident: Edit when found, else Insert.
void EditOrInsertRow(TOakTable* Table, Integer Ident) {
  if (Table->Seek(IntToStr(Ident), true))
    Table->Edit();
  else
    Table->Insert();
}

// Cancels a pending edit or insert of DataSet.
void CancelPending(TDataSet* DataSet) {
  if (DataSet->State() == dsEdit || DataSet->State() == dsInsert) DataSet->Cancel();
}

}  // namespace

void TFsync::LoadSettings(TOakTable* Table) {
  Settings()->SetDatabaseID(String());
  LoadOfficeIdentity(Table);
  LoadInstallationList(Table);
  RepairInstallationList();
  KM->First();
  KM->SetReadOnly(true);
}

void TFsync::LoadOfficeIdentity(TOakTable* Table) {
  bool Found = false;
  try {
    if (Table->Seek(IntToStr(OfficeIdentityRow), true)) {
      Settings()->SetDatabaseID(SetupText(Table));
      Found = true;
    }
    if (IsValidGUID(Settings()->DatabaseID())) return;
    // Missing or malformed: the office gets a new identity.
    if (Found)
      Table->Edit();
    else
      Table->Insert();
    Table->FieldByName("stringItem")->SetAsString(GUIDToString(NewGUID()));
    Table->FieldByName("Ident")->SetAsInteger(OfficeIdentityRow);
    Table->Post();
    Settings()->SetDatabaseID(SetupText(Table));
  } catch (...) {
    // The identity stays as read (or empty); the row is left untouched.
    CancelPending(Table);
  }
}

void TFsync::LoadInstallationList(TOakTable* Table) {
  KM->SetReadOnly(false);
  KM->Open();
  KM->EmptyTable();
  if (!Table->Seek(IntToStr(InstallationListRow), true)) return;
  TMemoryStream Stream;
  LoadBlobFieldToStream(Table, "MemoItem", &Stream);
  KM->LoadFromStream(&Stream);
}

void TFsync::RepairInstallationList() {
  if (KM->RecordCount() != SlotCount) {
    KM->EmptyTable();
    for (Integer ID = 1; ID <= SlotCount; ++ID) {
      KM->Append();
      KM->FieldByName("ID")->SetAsInteger(ID);
      KM->Post();
    }
  }
  KM->First();
  for (Integer ID = 1; ID <= SlotCount; ++ID, KM->Next()) {
    if (KM->FieldByName("ID")->AsInteger() == ID) continue;
    KM->Edit();
    KM->FieldByName("ID")->SetAsInteger(ID);
    KM->Post();
  }
  KM->First();
  for (Integer I = 0; I < SlotCount; ++I, KM->Next()) {
    if (IsValidGUID(KM->FieldByName("GUID")->AsString())) continue;
    KM->Edit();
    KM->FieldByName("GUID")->SetAsString(GUIDToString(NewGUID()));
    KM->Post();
  }
}

void TFsync::SaveInstallationList() {
  if (KM->State() == dsEdit) {
    try {
      KM->Post();
    } catch (...) {
      // A row that does not post is saved as it stands.
    }
  }
  OakTableSettings->Open();
  EditOrInsertRow(OakTableSettings, InstallationListRow);
  TMemoryStream Stream;
  KM->SaveToStream(&Stream);
  SaveStreamToBlobField(OakTableSettings, &Stream, "MemoItem");
  OakTableSettings->FieldByName("Ident")->SetAsInteger(InstallationListRow);
  OakTableSettings->Post();
}

void TFsync::EditInstallationEntry(const std::function<void()>& Edit) {
  KM->SetReadOnly(false);
  try {
    KM->Edit();
    Edit();
    KM->Post();
  } catch (...) {
    CancelPending(KM);
    KM->SetReadOnly(true);
    throw;
  }
  KM->SetReadOnly(true);
}

void TFsync::UpdateInstallationEntry() {
  EditInstallationEntry([this] {
    KM->FieldByName("Path")->SetAsString(CurrentPath);
    if (KM->FieldByName("RIGHTS")->AsInteger() >= 5) KM->FieldByName("RIGHTS")->SetAsInteger(0);
  });
  SaveInstallationList();
}

void TFsync::ReadCurrentEntry() {
  Integer Rights = KM->FieldByName("RIGHTS")->AsInteger();
  CurrentRights = Rights >= 0 && Rights < 5 ? Rights : 0;
  CurrentPath = KM->FieldByName("Path")->AsString();
  CurrentGUID = KM->FieldByName("GUID")->AsString();
  try {
    CurrentID = Byte(KM->FieldByName("ID")->AsInteger());
  } catch (const Exception&) {
    CurrentID = 0;
  }
}
