// Fuzzes the CSV stream format of the in-memory table: a text either loads
// or fails with an exception of the system; a text that loaded saves, and
// that saved text loads again and saves to the very same text.
//
// Input: first byte bit 0 picks local formats, bit 1 whole text or patches
// to a sound text (a table of every common field type with a few rows).
#include <cstdlib>
#include <memory>

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "fuzz_input.h"

namespace {

struct TLoaded {
  std::unique_ptr<TComponent> Root = std::make_unique<TComponent>(nullptr);
  TmtMemTable* Table = nullptr;
};

TLoaded NewTable(bool Local) {
  TLoaded L;
  L.Table = new TmtMemTable(L.Root.get());
  auto* Format = new TmtCSVStreamFormat(L.Root.get());
  if (Local) Format->Set_sfLocalFormat({sfSaveLocalFormat, sfLoadLocalFormat});
  L.Table->SetDefaultFormat(Format);
  return L;
}

std::string Save(TmtMemTable* Table) {
  TStringStream S;
  Table->SaveToStream(&S);
  return S.DataString();
}

std::string SoundText() {
  TLoaded L = NewTable(false);
  TFieldDefs& D = L.Table->FieldDefs();
  D.Add("Name", ftString, 30);
  D.Add("Nr", ftInteger, 0);
  D.Add("Kurz", ftSmallint, 0);
  D.Add("Betrag", ftFloat, 0);
  D.Add("Euro", ftCurrency, 0);
  D.Add("Ok", ftBoolean, 0);
  D.Add("Tag", ftDate, 0);
  D.Add("Zeit", ftDateTime, 0);
  D.Add("Text", ftMemo, 0);
  L.Table->Open();
  L.Table->AppendRecord({Variant("Müller, \"Nord\""), Variant(7), Variant(3), Variant(2.5), Variant(19.99),
                         Variant(true), Variant(45000.0), Variant(45000.5), Variant("Zeile 1\r\nZeile 2")});
  L.Table->AppendRecord({Variant("B"), Variant(-1), Variant(0), Variant(-1e10), Variant(0.0), Variant(false),
                         Variant(1.0), Variant(0.25), Variant("")});
  return Save(L.Table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Sound = SoundText();
  bool Local = Size > 0 && (Data[0] & 1);
  std::string Text = fuzz::ImageOrPatches(Sound, Data, Size);
  std::string First;
  try {
    TLoaded L = NewTable(Local);
    TStringStream In(Text);
    L.Table->LoadFromStream(&In);
    // A new record takes the default expressions, so a null value (written
    // as nothing) of such a field reads back as the default: the format
    // cannot tell the two apart. Compared without them.
    for (Integer I = 0; I < L.Table->FieldCount(); ++I) L.Table->Fields()[I]->SetDefaultExpression("");
    First = Save(L.Table);
  } catch (const std::exception&) {
    return 0;  // refused with an exception of the system: fine
  }
  TLoaded Again = NewTable(Local);
  TStringStream In(First);
  Again.Table->LoadFromStream(&In);  // an escaping exception is a finding
  if (Save(Again.Table) != First) std::abort();
  return 0;
}
