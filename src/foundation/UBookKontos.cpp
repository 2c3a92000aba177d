#include "foundation/UBookKontos.h"

#include <vector>

#include "foundation/StringUtils.h"
#include "platform/rtl/strings.h"

const char* const KontoTaxKindTexts[3] = {"Volle Steuer", "Halbe Steuer", "Keine Steuer"};
const char* const KontoBookingKindTexts[3] = {"Geld-Bewegung", "Einnahme", "Ausgabe"};
const char* const KontoTaxEntryTexts[4] = {"Volle Steuer", "Halbe Steuer", "Keine Steuer",
                                           "Variable Eingabe"};

namespace {

TKontoEntry*& EntryAt(void* Item) { return *static_cast<TKontoEntry**>(Item); }
const TKontoEntry* EntryAt(const void* Item) { return *static_cast<TKontoEntry* const*>(Item); }

// Binary search: an item against an ID.
int CompareByID(const void* Item, const void* Key) {
  return int(EntryAt(Item)->ID) - int(*static_cast<const Word*>(Key));
}

// Sorting: two items.
int CompareItems(const void* A, const void* B) { return int(EntryAt(A)->ID) - int(EntryAt(B)->ID); }

// A ledger number field: its integer as at most four characters, empty
// for 0 or a text that is no number.
String LedgerNumber(const String& Field) {
  Integer N = StrToIntDef(Trim(Field), 0);
  return N == 0 ? String() : Copy(IntToStr(N), 1, 4);
}

Byte ByteInRange(const String& Field, Integer Max) {
  Integer N = StrToIntDef(Trim(Field), 0);
  return N >= 0 && N <= Max ? Byte(N) : 0;
}

struct TChartRow {
  const char* Name;
  const char* N1;
  const char* N2;
  const char* N3;
  Byte TaxKind;
};

const TChartRow RevenueRows[] = {
    {"Erlöse steuerpflichtig", "8400", "8300", "8100", 0},
    {"Erlöse 13b-EU", "8337", "8337", "8337", 2},
    {"Erlöse steuerfrei", "8100", "8100", "8100", 2},
    {"Zinserträge", "", "", "2650", 2}};

const TChartRow ExpenseRows[] = {
    {"Wareneinkauf", "3400", "3300", "3582", 0}, {"Innergemeinschaftlich", "", "", "3435", 2},
    {"Ohne Steuer", "", "", "3600", 2},          {"13b", "", "", "3436", 2},
    {"Telefon Porto..", "4920", "4920", "4920", 0}, {"Reparaturen", "4800", "4800", "4800", 0},
    {"Reisekosten", "4670", "4670", "4670", 0},  {"Werbekosten", "4600", "4600", "4600", 0},
    {"KFZ-Kosten", "4530", "4530", "4530", 0},   {"Versicherungbeiträge", "4360", "4360", "4360", 0},
    {"Raumkosten", "4280", "4280", "4280", 0},   {"Personalkosten", "4185", "4185", "4185", 0},
    {"Beratungskosten", "4950", "4950", "4950", 0},
    {"Verschiedene Kosten", "4909", "4909", "4909", 0},
    {"Umsatzsteuer", "", "", "1570", 2},         {"Zinsaufwand", "", "", "2100", 2},
    {"zinsähnl. Aufwendungen", "", "", "2140", 2}};

std::unique_ptr<TCtKontoStack> GKontoStack;

}  // namespace

TCtKontoStack::TCtKontoStack() : FHandler(std::make_unique<TCtItemHandler>(Integer(sizeof(void*)))) {
  FHandler->SetOnInitItem([](void* Item) { EntryAt(Item) = nullptr; });
  FHandler->SetOnFreeItem([](void* Item) {
    delete EntryAt(Item);
    EntryAt(Item) = nullptr;
  });
  FItems = std::make_unique<TCtVector>(FHandler.get());
}

TCtKontoStack::~TCtKontoStack() {
  FItems.reset();
  FHandler.reset();
}

Integer TCtKontoStack::Count() const { return FItems->Count(); }

TKontoEntry& TCtKontoStack::Items(Integer Index) const {
  return *EntryAt(FItems->GetItemPointer(Index));
}

void TCtKontoStack::Clear() { FItems->Clear(); }

bool TCtKontoStack::Find(Word ID, Integer& Index, Byte Kind, bool Fallback) const {
  bool Found = FItems->BinarySearch(&ID, CompareByID, Index);
  if (Found && (!Fallback || Items(Index).Kind == Kind)) return true;
  if (Fallback) {
    Word Default = DefaultID(Kind);
    if (FItems->BinarySearch(&Default, CompareByID, Index)) return true;
  }
  Index = -1;
  return false;
}

bool TCtKontoStack::Add(const TKontoEntry& Entry, Byte Kind) {
  Integer Index;
  if (FItems->BinarySearch(&Entry.ID, CompareByID, Index)) return false;
  auto Copy = std::make_unique<TKontoEntry>(Entry);
  Copy->Kind = Kind;
  Copy->Name = StringReplace(Copy->Name, ";", "", rfReplaceAll);
  EntryAt(FItems->InsertLast()) = Copy.release();
  // In order already when the ID is past the last one (the built-in chart
  // is added that way): the sort is needed only for one that is not.
  if (Index < FItems->Count() - 1) FItems->Sort(CompareItems);
  return true;
}

void TCtKontoStack::AddBuiltIn(Word ID, const String& Name, Byte Kind, bool Active, const String& N1,
                               const String& N2, const String& N3, Byte TaxKind) {
  TKontoEntry E;
  E.ID = ID;
  E.Name = Name;
  E.Active = Active;
  E.Numbers = {N1, N2, N3};
  E.TaxKind = TaxKind;
  Add(E, Kind);
}

void TCtKontoStack::Reset() {
  Clear();
  static const Word MoneyIDs[] = {0, 1, 2, 3, 6, 7, 8, 9, 10, 11, 20, 21, 22, 23};
  std::vector<Word> IDs(std::begin(MoneyIDs), std::end(MoneyIDs));
  for (Word ID = 30; ID <= 40; ++ID) IDs.push_back(ID);
  for (std::size_t I = 0; I < IDs.size(); ++I) {
    String Name = "Geld-Konto " + IntToStr(I + 1);
    String Nr = I < 9 ? "1200" : "";
    if (I == 3) Name = "Vordef. Bar 4", Nr = "1000";
    if (I == 4) Name = "Vordef. Gutschrift 5";
    AddBuiltIn(IDs[I], Name, kkMoney, I < 9, Nr, Nr, Nr, 0);
  }
  for (Integer I = 0; I < 50; ++I) {
    if (I < 4) {
      const TChartRow& R = RevenueRows[I];
      AddBuiltIn(Word(100 + I), R.Name, kkRevenue, true, R.N1, R.N2, R.N3, R.TaxKind);
    } else {
      AddBuiltIn(Word(100 + I), "Erlöse " + IntToStr(I + 1), kkRevenue, false, "", "", "", 0);
    }
  }
  for (Integer I = 0; I < 100; ++I) {
    if (I < 17) {
      const TChartRow& R = ExpenseRows[I];
      AddBuiltIn(Word(200 + I), R.Name, kkExpense, true, R.N1, R.N2, R.N3, R.TaxKind);
    } else {
      AddBuiltIn(Word(200 + I), "Ausgabe " + IntToStr(I + 1), kkExpense, false, "", "", "", 0);
    }
  }
  FDefaultIDs = {0, 100, 200};
}

void TCtKontoStack::ApplyLine(const String& Line) {
  std::vector<String> F;
  SplitString(";", Line, 0, F, 0);
  if (F.size() < 9) F.resize(9);
  Integer ID = StrToIntDef(Trim(F[0]), -1);
  Integer Index;
  if (ID < 0 || ID > 0xFFFF || !Find(Word(ID), Index, 0, false)) return;
  TKontoEntry& E = Items(Index);
  E.Name = F[1];
  E.Active = F[2] == "1";
  for (int I = 0; I < 3; ++I) E.Numbers[I] = LedgerNumber(F[3 + I]);
  E.TaxKind = ByteInRange(F[6], 3);
  E.Option = ByteInRange(F[7], 1);
  Integer Bits = StrToIntDef(Trim(F[8]), 0);
  E.Flags[0] = (Bits & 1) != 0;
  E.Flags[1] = (Bits & 2) != 0;
}

void TCtKontoStack::Load(const TStrings& Lines) {
  for (Integer I = 0; I < Lines.Count(); ++I) ApplyLine(Lines[I]);
}

TCtKontoStack* KontoStack() {
  if (!GKontoStack) {
    GKontoStack = std::make_unique<TCtKontoStack>();
    GKontoStack->Reset();
  }
  return GKontoStack.get();
}
