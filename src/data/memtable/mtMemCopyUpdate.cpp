// TmtCustomMemTable: updating another dataset by key (UpdateToDataSet,
// UpdateRecords).
#include "data/memtable/mtMemCopy.h"

const char* const mtSNoUpdateKeyFields = "Update by key needs at least one key field.";

namespace {

// The key of the source's current record: one value for one key field, an
// array (from 0) of the values in key order for several.
Variant SourceKeyValue(TDataSet* Source, const TmtFieldList& Keys) {
  if (Keys.Count() == 1) return Source->FieldByName(Keys.Fields(0)->FieldName())->Value();
  std::vector<Variant> Values;
  for (Integer I = 0; I < Keys.Count(); ++I)
    Values.push_back(Source->FieldByName(Keys.Fields(I)->FieldName())->Value());
  return VarArrayOf(Values);
}

// Puts the source's values into the destination record being edited or
// appended (every value through its text).
void CopyUpdateValues(TmtCustomMemTable* Table, TDataSet* Source, TDataSet* Destination,
                             const std::vector<Integer>& Map) {
  for (Integer I = 0; I < Destination->FieldCount(); ++I) {
    Integer S = Map[static_cast<size_t>(I)];
    TField* DF = Destination->Fields()[I];
    if (S >= 0) {
      TField* SF = Source->Fields()[S];
      if (Source == Table && Table->OnSaveField) Table->OnSaveField(Table, I, SF);
      if (SF->IsNull())
        DF->Clear();
      else
        DF->SetAsString(SF->AsString());
    }
    if (Destination == Table && Table->OnLoadField) Table->OnLoadField(Table, I, DF);
  }
}

}  // namespace

Integer TmtCustomMemTable::UpdateRecords(TDataSet* Source, TDataSet* Destination,
                                         const String& KeyFields, Integer Limit,
                                         TmtUpdateFlags UpdateFlags) {
  Progress(0, mtpcUpdate);
  SetWorkState(mtwsUpdating);
  TmtFieldList Keys;
  Integer Count = 0;
  auto Finish = [&] {
    Keys.Clear();
    Progress(100, mtpcUpdate);
    SetWorkState(mtwsIdle);
  };
  try {
    mtBuildFieldList(this, this, Keys, KeyFields, {});
    if (!Source || !Destination || Source == Destination) {
      Finish();
      return 0;
    }
    if (Keys.Count() == 0) throw EMemTableError(mtSNoUpdateKeyFields);
    std::vector<Integer> Map = mtBuildCopyFieldMap(Destination, Source, false);
    Source->First();
    Integer Total = Source->RecordCount();
    if (Total <= 0) Progress(50, mtpcUpdate);
    Integer Seen = 0;
    while (!Source->Eof()) {
      mtWalkProgress(this, Seen++, Total, mtpcUpdate);
      bool Accept = true;
      if (Source == this && OnSaveRecord) OnSaveRecord(this, Accept);
      bool Found = Accept && Destination->Locate(KeyFields, SourceKeyValue(Source, Keys), {});
      bool Take = Accept && (Found ? (UpdateFlags & mtupEditExisting) != 0
                                   : (UpdateFlags & mtupAppendMissing) != 0);
      if (!Take) {
        Source->Next();
        continue;
      }
      if (Found)
        Destination->Edit();
      else
        Destination->Append();
      try {
        CopyUpdateValues(this, Source, Destination, Map);
        Accept = true;
        if (Destination == this && OnLoadRecord) OnLoadRecord(this, Accept);
        if (Accept) {
          Destination->Post();
          ++Count;
        } else {
          Destination->Cancel();
        }
      } catch (...) {
        if (Destination->State() == dsEdit || Destination->State() == dsInsert)
          Destination->Cancel();
        throw;
      }
      if (Limit > 0 && Count >= Limit) break;
      Source->Next();
    }
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
  return Count;
}

void TmtCustomMemTable::UpdateToDataSet(TDataSet* Destination, const String& KeyFields,
                                        TmtUpdateFlags UpdateFlags) {
  if (Active()) CheckBrowseMode();
  if (!Destination || Destination == this) return;
  if (OnSave) OnSave(this, mtstDataSet, nullptr);
  TmtDestinationScope Scope(this, Destination);
  UpdateRecords(this, Destination, KeyFields, -1, UpdateFlags);
  Destination->First();
}
