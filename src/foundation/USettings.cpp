#include "foundation/USettings.h"

#include "data/memtable/mtMemTable.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/sysutils.h"

TQXClipBrdSetup QXClipBrdSetup;
TQXHelperSetup QXHelperSetup;
TQXInfoFields QXInfoFields;

std::function<void(const String& Html)> SettingsMessageHook;

const char MobileIDChars[8] = {'0', '3', '4', '5', '6', '7', '8', '9'};

const char* const MobileDataModeTexts[5] = {
    "keine Adressbearbeitung, leere Auftragsdatenbank, keine Artikeldatenbank",
    "Adressen bearbeiten/hinzufügen,  leere Auftragsdatenbank, keine Artikeldatenbank",
    "Adressen bearbeiten/hinzufügen, Auftragsdatenbank, keine Artikeldatenbank",
    "Adressen bearbeiten/hinzufügen, Auftragsdatenbank, Artikel nur lesen",
    "Adressen bearbeiten/hinzufügen, nur eigene Aufträge, Artikel nur lesen"};

const char* const MobileLevelTexts[5] = {
    "Stufe1, leere Aufträge, nur Aufträge anlegen, keine Artikel",
    "Stufe2, leere Aufträge/Adressen, keine Artikel", "Stufe3, alle Aufträge/Adressen, keine Artikel",
    "Stufe4, alle Aufträge/Adressen,  Artikel", "Stufe5, Adressen, eigene Aufträge, Artikel"};

const char* const StockBookingTexts[4] = {"Eingang", "Ausgang", "storniert", "umgebucht"};
const char* const DateQueryTexts[3] = {"Nachfragen", "Auf Heute", "Keine Abfrage"};
const char* const FieldCaptionTexts[3] = {"Bezeichnung1", "Bezeichnung2", "Bestellnummer"};
const char* const ManualAutoTexts[2] = {"Manuell", "Automatisch"};
const char* const NameOrderTexts[4] = {"Firma", "Namen", "Firma und Namen", "Namen und Firma"};
const char* const InfoSourceTexts[6] = {"Adressauswahl", "2. Auftragskopf", "Internes Feld",
                                        "Referenz",      "Oberer Text",     "Artikel"};

// ---- Records ----------------------------------------------------------------------

void TDocumentTexts::Reset(const String& NetTax) {
  static const char* const Others[8] = {"Warenwert:", "Zwischensumme:", "", "Rechnungsbetrag:",
                                        "Warenwert:", "Zwischensumme:", "enthaltene Steuer [ST1]%:",
                                        "Rechnungsbetrag:"};
  for (int L = 0; L < 8; ++L) SetLabel(TDocLabel(L), L == dlNetTax ? NetTax : String(Others[L]));
  Captions = {"Nr:", "Datum ", "Kundennummer ", "Auftrag ", "vom "};
}

void TDocumentTexts::SetLabel(TDocLabel Label, const String& Text) {
  for (auto& Kind : Labels) Kind[Label] = Text;
}

void TAddressNumberSetup::Normalize() {
  String Zeros;
  for (char C : Number)
    if (C == '0') Zeros += C;
  Number = Zeros.empty() ? String("0") : Zeros;
  Prefix = Copy(Trim(Prefix), 1, 10);
  Suffix = Copy(Trim(Suffix), 1, 10);
  Integer Room = 20 - Length(Prefix);
  if (Length(Suffix) > Room) Suffix = Copy(Suffix, 1, Room);
}

void TQXInfoFields::Reset(bool LoaderCodes) {
  for (int I = 0; I < 10; ++I) {
    Fields[I].Name = "INFO" + IntToStr(I + 1);
    Fields[I].Text.clear();
    Fields[I].Code = LoaderCodes && I < 5 ? 1 : 0;
    Fields[I].Marker = -1;
  }
  for (auto& Row : Flags) Row.fill(true);
}

String QuantityFormatText(Integer Index) {
  static const char* const Formats[4] = {"0.###", "0.0##", "0.00#", "0.000"};
  return Index >= 0 && Index <= 3 ? String(Formats[Index]) : String("######.###");
}

// ---- TSettings -----------------------------------------------------------------------

TSettings::TSettings() {
  Documents.Reset("+Steuer: [ST1]%");
  for (auto& M : Memos) M = std::make_unique<TMemoryStream>();
  Ints[214] = 1;
  Ints[9214] = 1;
  Ints[13031] = 1;
  QXClipBrdSetup.QuantityFormat = QuantityFormatText(0);
  for (const char* S : {"Nicht ändern", "LIEFERSCHEIN", "AUFTRAGSBESTÄTIGUNG"}) DocumentNames.Add(S);
  for (int I = 0; I < 3; ++I) FieldCaptions[I] = FieldCaptionTexts[I];
  ResetFreeFieldWorkNames();
  QXInfoFields.Reset(false);
  for (int I = 0; I < 10; ++I) {
    Numbering[I].Code = Byte(10 + I);
    Numbering[I].Number = I;
  }
  AddressNumber.Normalize();
}

TSettings::~TSettings() = default;

Integer TSettings::IntValue(Integer Ident, Integer Default) const {
  auto It = Ints.find(Ident);
  return It == Ints.end() ? Default : It->second;
}

String TSettings::TextValue(Integer Ident) const {
  auto It = Texts.find(Ident);
  return It == Texts.end() ? String() : It->second;
}

TStringList& TSettings::List(Integer Ident) {
  auto& Slot = FLists[Ident];
  if (!Slot) Slot = std::make_unique<TStringList>();
  return *Slot;
}

void TSettings::SetDatabaseID(const String& Value) {
  FDatabaseID = Value;
  QXClipBrdSetup.DatabaseID = Value;
}

void TSettings::CopyToHelperSetup() {
  QXHelperSetup.Printer = PrinterDef;
  QXHelperSetup.Numbering = Numbering;
  QXHelperSetup.CurrentNumberingCode = CurrentNumberingCode;
}

namespace {
std::unique_ptr<TSettings> GSettings;
}

TSettings* Settings() {
  if (!GSettings) GSettings = std::make_unique<TSettings>();
  return GSettings.get();
}

void SetAddressKey(TDataSet* DataSet, Byte N) {
  DataSet->Edit();
  Integer ID = DataSet->FieldByName("ID")->AsInteger();
  DataSet->FieldByName("ADR_46_")->SetAsString(IntToStr(N) + Format("%10d", {ID}));
  DataSet->Post();
}
