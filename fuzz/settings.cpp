// Fuzzes the settings rows: a setup table holding any rows (any Ident of
// the loader, any StringItem, any MemoItem bytes) loads without an
// exception escaping and without a crash, as LoadFromRows promises; and
// since an in-memory table never fails, a row that stops the load (the
// failure message) is a finding too: a damaged row is reported as skipped
// and keeps its default, and the rows after it load (a marker row read
// near the end must arrive).
//
// Input: parts separated by 0xFF bytes. The first part makes the memo of
// the automatic actions (row 1511, a component stream, so that every input
// meets that parser): its first byte's bit 1 takes the rest as the whole
// memo, else the rest patches a sound stream of three actions; bits 2..7,
// when not 0, cut the memo to that many 64ths. Then threes: the Ident (two bytes pick a known
// Ident, a third adds 0..15 for the numbered runs), the StringItem and the
// MemoItem.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "data/memtable/mtMemTable.h"
#include "foundation/USettings.h"
#include "foundation/USettingsRows.h"
#include "fuzz_input.h"
#include "platform/os/folders.h"

namespace {

const int Idents[] = {
    100,   200,   201,   202,   212,   213,   214,   215,   216,   218,   219,   250,   301,   302,   400,   650,
    651,   652,   660,   661,   663,   666,   752,   903,   920,   949,   950,   951,   964,   1000,  1200,  1400,
    1401,  1402,  1500,  1501,  1502,  1505,  1506,  1507,  1508,  1509,  1510,  1511,  1512,  1530,  1570,  2001,
    2100,  2140,  2650,  3001,  3300,  3400,  3435,  3436,  3582,  3600,  4000,  4185,  4280,  4358,  4360,  4435,
    4530,  4600,  4670,  4800,  4909,  4920,  4950,  4996,  4997,  4998,  4999,  5000,  5001,  5002,  5021,  5022,
    5023,  5024,  5025,  5026,  8100,  8101,  8201,  8202,  8203,  8300,  8337,  8400,  8717,  9214,  9215,  10000,
    12000, 12010, 12011, 12013, 12014, 12018, 12019, 13030, 13031, 14500, 14501, 15000, 15001, 15004, 16000, 16001,
    16002, 16003, 16009, 16010, 16012, 16045, 16046, 20004, 20005, 20006, 20007, 20008, 20009, 20010, 20012, 21002,
    21003, 21004, 21005, 21006, 21007, 21009, 23001, 23002, 23003, 29002, 29004, 29005, 29007, 31009, 51000, 51001,
    51002, 51003, 51004, 51008, 51009, 200011, 200030, 200031};

// A sound stream of the automatic actions, as the office stores it.
std::string SoundActions() {
  TAutoActionItems Items;
  for (int I = 0; I < 3; ++I) {
    auto* A = Items.Add<TAutoActionItem>();
    A->Text = "Aktion " + std::to_string(I);
    A->Options[I] = Byte(I + 1);
    A->Byte2 = Byte(I);
  }
  TMemoryStream Bytes;
  Items.SaveToStream(&Bytes);
  return std::string(static_cast<const char*>(Bytes.Memory()), Bytes.Size());
}

// The memo of row 1511 made from the first part of the input.
std::string ActionsMemo(const std::string& Part) {
  static const std::string Sound = SoundActions();
  std::string Memo = fuzz::ImageOrPatches(Sound, reinterpret_cast<const uint8_t*>(Part.data()), Part.size());
  unsigned Cut = Part.empty() ? 0 : Byte(Part[0]) >> 2;
  if (Cut) Memo.resize(Memo.size() * Cut / 64);
  return Memo;
}

int IdentOf(const std::string& Spec) {
  if (Spec.size() < 2) return 949;
  unsigned Pick = Byte(Spec[0]) | Byte(Spec[1]) << 8;
  return Idents[Pick % (sizeof Idents / sizeof Idents[0])] + (Spec.size() > 2 ? Byte(Spec[2]) % 16 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Folder = [] {
    SetProgramPath(fuzz::RunFolder("settings") + "/msync");  // ZUVID.INI: none there
    SettingsMessageHook = [](const String& Html) {
      if (Html.find("Einstellung 1511 ist beschädigt und wurde übersprungen") != String::npos) return;
      std::fprintf(stderr, "load stopped: %s\n", Html.c_str());
      std::abort();
    };
    return true;
  }();
  (void)Folder;
  std::vector<std::string> Parts = fuzz::SplitAtFF(Data, Size);
  TComponent Root(nullptr);
  auto* Table = new TmtMemTable(&Root);
  Table->FieldDefs().Add("Ident", ftInteger, 0);
  Table->FieldDefs().Add("StringItem", ftString, 100);
  Table->FieldDefs().Add("MemoItem", ftMemo, 0);
  Table->Open();
  // The marker first: a row is found at its first occurrence.
  Table->AppendRecord({Variant(752), Variant(""), Variant("marker")});
  Table->AppendRecord({Variant(1511), Variant(""), Variant(ActionsMemo(Parts[0]))});
  for (size_t I = 1; I + 2 < Parts.size() && I < 300; I += 3)
    Table->AppendRecord({Variant(IdentOf(Parts[I])), Variant(Parts[I + 1].substr(0, 100)), Variant(Parts[I + 2])});
  TSettings Settings;
  TSetupRows Rows(Table);
  Settings.LoadFromRows(Rows);
  if (Settings.List(752).Count() != 1 || Settings.List(752)[0] != "marker") {
    std::fprintf(stderr, "the rows after a damaged one did not load\n");
    std::abort();
  }
  return 0;
}
