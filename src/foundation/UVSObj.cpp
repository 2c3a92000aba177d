#include "foundation/UVSObj.h"

#include <cstring>

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/memtable/mtMemTable.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"

Byte ZSStackRecord[40] = {};

TmtCSVStreamFormat* AttachCSVFormat(TmtMemTable* Table) {
  auto* Format = new TmtCSVStreamFormat(nullptr);
  Format->Set_sfDef({});
  Format->Set_sfLocalFormat({sfSaveLocalFormat, sfLoadLocalFormat});
  Table->SetDefaultFormat(Format);
  return Format;
}

TVSOBJ::TVSOBJ() : FTable(std::make_unique<TmtMemTable>(nullptr)) {
  FFormat.reset(AttachCSVFormat(FTable.get()));
  auto& Defs = FTable->FieldDefs();
  for (const char* Name : {"Text", "Text2", "Text1Netto", "Text2Netto"}) Defs.Add(Name, ftString, 50);
  Defs.Add("Steuer", ftInteger);
  Defs.Add("Value", ftFloat);
  FSource = std::make_unique<TDataSource>(nullptr);
  FSource->SetDataSet(FTable.get());
  FTable->Open();
}

TVSOBJ::~TVSOBJ() {
  FTable->Close();
  FTable->AfterScroll = nullptr;
  FSource->SetDataSet(nullptr);
  FSource.reset();
  FTable->SetDefaultFormat(nullptr);
  FTable.reset();
  FFormat.reset();
}

void TVSOBJ::Clear() {
  if (FTable->Active()) FTable->EmptyTable();
}

void TVSOBJ::LoadFromSettingsRow(TDataSet* SettingsTable) {
  if (!FTable->Active()) return;
  FTable->EmptyTable();
  std::unique_ptr<TStream> Blob =
      SettingsTable->CreateBlobStream(SettingsTable->FieldByName("MemoItem"), bmRead);
  if (Blob->Size() > 0) FTable->LoadFromStream(Blob.get());
}

// ---- TZSStack ----------------------------------------------------------------------

TZSStack::TZSStack() : FItems(NewCtAnsiStringPointerVector()) {}

TZSStack::~TZSStack() { ClearEntries(); }

void TZSStack::ClearEntries() {
  for (Integer I = 0; I < FItems->Count(); ++I) delete static_cast<TZSEntry*>(FItems->Data(I));
  FItems->Clear();
}

TZSStack* ZSStack() {
  static std::unique_ptr<TZSStack> Stack = [] {
    std::memset(ZSStackRecord, 0, sizeof ZSStackRecord);
    return std::make_unique<TZSStack>();
  }();
  return Stack.get();
}
