// The Oak side of the settings loader: the row reader that seeks on the
// "Ident" index, and LoadFromDatabase, which prepares the table.
#include "data/oak/oakfunc.h"
#include "foundation/USettings.h"
#include "foundation/USettingsRows.h"
#include "platform/rtl/sysutils.h"

TOakSetupRows::TOakSetupRows(TOakExtendedTable* Table) : TSetupRows(Table), FOakTable(Table) {}

bool TOakSetupRows::Seek(Integer Ident) { return FOakTable->Seek(IntToStr(Ident), true); }

namespace {

// Cancels a range or filter and selects the "Ident" index.
void PrepareSettingsTable(TOakExtendedTable* Table) {
  Table->CancelRange();
  if (Table->Filtered()) Table->SetFiltered(false);
  if (!SameText(Table->IndexName(), "Ident")) Table->SetIndexName("Ident");
}

}  // namespace

void TSettings::LoadFromDatabase(TOakExtendedTable* Table) {
  FSettingsTable = Table;
  try {
    PrepareSettingsTable(Table);
  } catch (Exception&) {
    return;  // a table that cannot be prepared loads nothing
  }
  TOakSetupRows Rows(Table);
  LoadFromRows(Rows);
}
