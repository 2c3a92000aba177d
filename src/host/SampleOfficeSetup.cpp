// The settings rows of the sample office: the office identity, the
// installation list and a few business settings that the settings object
// reads.
#include <memory>

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "foundation/ZLibStreams.h"
#include "platform/db/fieldkinds.h"
#include "host/SampleOffice.h"
#include "platform/rtl/guid.h"

namespace {

// The installation list's columns in their order: Name, Path, seven spare
// columns, ID, GUID, RIGHTS.
void DefineInstallationList(TComponent* Owner, TmtMemTable* Table) {
  static const char* const Names[] = {"Name", "Path", "2", "3", "4", "5", "6",
                                      "7",    "8",    "ID", "GUID", "RIGHTS"};
  for (int I = 0; I < 12; ++I) {
    TField* F;
    if (I == 9) {
      F = new TSmallintField(Owner);
    } else if (I == 11) {
      F = new TIntegerField(Owner);
    } else {
      F = new TStringField(Owner);
      F->SetSize(I == 0 || I == 10 ? 100 : I == 1 ? 200 : 20);
    }
    F->SetFieldName(Names[I]);
    F->SetDataSet(Table);
  }
}

// A business setting: StringItem and, when given, MemoItem.
void AddSetting(THostTable& Table, int Ident, const String& Text, const String& Memo = String()) {
  Table.Append({{"Ident", std::to_string(Ident)}, {"StringItem", Text}, {"MemoItem", Memo}});
}

}  // namespace

String EmptyInstallationListText() {
  auto Owner = std::make_unique<TComponent>(nullptr);
  auto* Table = new TmtMemTable(Owner.get());
  Table->SetName("KM");
  auto* Format = new TmtCSVStreamFormat(Owner.get());
  Format->Set_sfLocalFormat({sfSaveLocalFormat, sfLoadLocalFormat});
  Table->SetDefaultFormat(Format);
  DefineInstallationList(Owner.get(), Table);
  Table->Open();
  for (int ID = 1; ID <= 7; ++ID) {
    Table->Append();
    Table->FieldByName("ID")->SetAsInteger(ID);
    Table->FieldByName("GUID")->SetAsString(GUIDToString(NewGUID()));
    Table->FieldByName("RIGHTS")->SetAsInteger(0);
    Table->Post();
  }
  TStringStream Text;
  Table->SaveToStream(&Text);
  return Text.DataString();
}

String CompressMemo(const String& Text) {
  TStringStream In(Text);
  TStringStream Out;
  ZCompressStream(&In, &Out, zcFastest, false, zsZLib);
  return Out.DataString();
}

String FillSetup(THostTable& Table) {
  String OfficeGUID = GUIDToString(NewGUID());
  AddSetting(Table, 1, OfficeGUID);
  AddSetting(Table, 2, String(), CompressMemo(EmptyInstallationListText()));
  AddSetting(Table, 16000, "Musterfirma Bayern GmbH");
  AddSetting(Table, 8201, "Musterfirma Bayern GmbH · Gewerbering 4 · 84028 Landshut");
  AddSetting(Table, 21002, "Warenwert:", "Warenwert:\r\nWarenwert:\r\nSumme Waren:");
  AddSetting(Table, 21013, "vom ");
  AddSetting(Table, 201, "Kunde", "Lieferant\r\nInteressent\r\nPartner\r\nBehörde");
  AddSetting(Table, 1501, String(), "Sehr geehrte Frau,\r\nSehr geehrter Herr,\r\nSehr geehrte Damen und Herren,");
  AddSetting(Table, 20012, "0");
  AddSetting(Table, 15001, "000123");
  AddSetting(Table, 51004, "1", "Default_ZZDays=14\r\nDefault_SkontoDay=5\r\nDefault_SkontoProz=2");
  AddSetting(Table, 4997, "Erinnerung an den Zahlungsstatus");
  return OfficeGUID;
}
