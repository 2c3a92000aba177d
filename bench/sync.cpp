// The merge step of a synchronisation (TFsync::MergeMobileData) against a
// bare engine pass over the same data, at 10k, 100k and 1M office orders
// (half as many addresses; a mobile copy with changes to a tenth of them),
// in alternating pairs within one run. The bare pass does what no merge
// can do without: it makes the office's temporary ADR_46_ tag, walks every
// mobile order and address in the merge's order, reads its key and stamp
// and seeks the key in the office table. Every run works on fresh copies
// of the pristine folders (copied untimed) and the merge's four counters
// are checked after each run.
//
// Goals: the merge at most 2 times the bare pass at every size; the
// merge's time per order at 1M at most 1.5 times that at 10k (flat).
// OAK_BENCH_SIZES ("10000,100000") limits the sizes.
#include <benchmark/benchmark.h>
#include <stdlib.h>

// Umsync.h first: it includes the archive unit under its own terms.
#include "sync/Umsync.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/FileUtils.h"
#include "platform/engine/oak.h"
#include "platform/gui/dialogs_responder.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync_run.h"
#include "bench_ratio.h"

namespace {

namespace fs = std::filesystem;

// The data of one size: OfficeOrders orders, half as many addresses; the
// mobile copy changes 4 % of the orders, adds 3 % new ones, changes 2 %
// and adds 1 % of the addresses (in orders' terms): a tenth in all.
struct TSize {
  int OfficeOrders, OfficeAddresses, ChangedOrders, NewOrders, ChangedAddresses, NewAddresses;
  explicit TSize(int Orders)
      : OfficeOrders(Orders), OfficeAddresses(Orders / 2), ChangedOrders(Orders / 25), NewOrders(Orders * 3 / 100),
        ChangedAddresses(Orders / 50), NewAddresses(Orders / 100) {}
};
TSize Z(100000);

// Change stamps before and after the last synchronisation (1 November
// 2026, 12:00).
const char* const Before = "20261101-100000000";
const char* const After = "20261105-100000000";

String gRoot;
String Pristine(const String& Side) { return gRoot + "pristine/" + Side + "/"; }

// ---- Building the data folders ----------------------------------------------------

void Check(UNSIGNED32 Code, const String& What) {
  if (Code != 0) throw std::runtime_error(What + ": engine error " + std::to_string(Code));
}

// One table of a data folder under construction, open while the object lives.
class TBuildTable {
 public:
  TBuildTable(OAKHANDLE Connection, const String& Path, const String& Fields,
              const std::vector<std::pair<String, String>>& Tags) {
    Check(OakCreateTable(Connection, Path.c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, Fields.c_str(), &FTable),
          Path);
    for (auto& [Tag, Expr] : Tags) {
      OAKHANDLE Index = OAK_INVALID_HANDLE;
      Check(OakCreateIndex61(FTable, "", Tag.c_str(), Expr.c_str(), "", "", 0, 0, &Index), Tag);
    }
  }
  ~TBuildTable() { OakCloseTable(FTable); }
  TBuildTable(const TBuildTable&) = delete;
  TBuildTable& operator=(const TBuildTable&) = delete;

  // Appends one row of field/value texts.
  void Append(const std::vector<std::pair<const char*, String>>& Values) {
    Check(OakAppendRecord(FTable), "append");
    for (auto& [Field, Value] : Values) {
      UNSIGNED16 No = 0;
      Check(OakGetFieldNum(FTable, Field, &No), Field);
      Check(OakSetField(FTable, No, Value.data(), UNSIGNED32(Value.size())), Field);
    }
    Check(OakWriteRecord(FTable), "write");
  }

 private:
  OAKHANDLE FTable = OAK_INVALID_HANDLE;
};

// The address key of address Number: origin digit (0 office, 3 mobile) and
// the number right-aligned in ten characters.
String AddressKey(char Origin, int Number) {
  char Key[16];
  std::snprintf(Key, sizeof Key, "%c%10d", Origin, Number);
  return Key;
}

String OrderNumber(int Number) { return std::to_string(300000000 + Number); }

// The orders of one side: the office's 100k, each with status 0 or 3 (so a
// newer mobile version replaces it) or 1; the mobile copy has the first
// ChangedOrders with a newer stamp and NewOrders more.
void BuildOrders(OAKHANDLE Connection, const String& Folder, bool Mobile) {
  TBuildTable Orders(Connection, Folder + "Auftraege",
                     "ID,Autoinc;ID_ORDER,Character,20;Status,Shortint;ParentName,Character,18;"
                     "AdressID,Integer;Notiz,Memo",
                     {{"ID_ORDER", "ID_ORDER"}, {"ID", "ID"}});
  const int Count = Z.OfficeOrders + (Mobile ? Z.NewOrders : 0);
  for (int I = 1; I <= Count; ++I) {
    const bool Changed = Mobile && (I <= Z.ChangedOrders || I > Z.OfficeOrders);
    const int Address = I > Z.OfficeOrders ? Z.OfficeAddresses + 1 + (I % Z.NewAddresses) : 1 + I % Z.OfficeAddresses;
    Orders.Append({{"ID_ORDER", OrderNumber(I)},
                   {"Status", I % 5 == 4 ? "1" : (I % 2 ? "0" : "3")},
                   {"ParentName", Changed ? After : Before},
                   {"AdressID", std::to_string(Address)},
                   {"Notiz", (Changed ? "Mobil geändert, Auftrag " : "Auftrag ") + std::to_string(I)}});
  }
}

// The addresses of one side: the office's 50k; the mobile copy has the
// last ChangedAddresses with a newer stamp and NewAddresses more with keys
// of the mobile installation.
void BuildAddresses(OAKHANDLE Connection, const String& Folder, bool Mobile) {
  TBuildTable Addresses(Connection, Folder + "Adressen",
                        "ID,Autoinc;ADR_46_,Character,11;ADR_47_,Character,18;Name,Character,40;Bemerkung,Memo",
                        {{"ID", "ID"}});
  const int Count = Z.OfficeAddresses + (Mobile ? Z.NewAddresses : 0);
  for (int I = 1; I <= Count; ++I) {
    const bool New = I > Z.OfficeAddresses;
    const bool Changed = Mobile && (New || I > Z.OfficeAddresses - Z.ChangedAddresses);
    Addresses.Append({{"ADR_46_", New ? AddressKey('3', I) : AddressKey('0', I)},
                      {"ADR_47_", Changed ? After : Before},
                      {"Name", (Changed ? "Kunde mobil " : "Kunde ") + std::to_string(I)},
                      {"Bemerkung", "Rückruf erbeten"}});
  }
}

// Builds the office and the mobile folder, each in one transaction.
void BuildDataFolders() {
  OAKHANDLE Connection = OAK_INVALID_HANDLE;
  Check(OakConnect60(gRoot.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Connection), "connect");
  for (bool Mobile : {false, true}) {
    const String Folder = Pristine(Mobile ? "Remote" : "Server");
    fs::create_directories(Folder);
    Check(OakBeginTransaction(Connection), "begin");
    BuildOrders(Connection, Folder, Mobile);
    BuildAddresses(Connection, Folder, Mobile);
    Check(OakCommitTransaction(Connection), "commit");
  }
  OakDisconnect(Connection);
}

// ---- The two steps ------------------------------------------------------------------

// The files of both data folders, each with the folder side it belongs to.
std::vector<std::pair<String, String>> DataFiles() {
  std::vector<std::pair<String, String>> Files;
  for (const char* Side : {"Server", "Remote"})
    for (const auto& Entry : fs::directory_iterator(Pristine(Side)))
      Files.emplace_back(Side, Entry.path().filename().string());
  return Files;
}

// Puts fresh copies of both data folders where the merge of Form expects
// them.
void RestoreRunTree(TFsync& Form) {
  for (auto& [Side, Name] : DataFiles()) {
    const String Dest = RunFolder(Form, "M_Temp/" + Side + "/Data");
    fs::copy_file(Pristine(Side) + Name, Dest + Name, fs::copy_options::overwrite_existing);
  }
}

// The main form as a run of mode 2 has it at the merge step: last
// synchronisation 1 November 2026, 12:00.
struct TMergeForm {
  TScriptedResponder Responder;
  std::unique_ptr<TFsync> Form;

  TMergeForm() {
    fs::create_directories(gRoot + "tool");
    SetProgramPath(gRoot + "tool/orvsync7");
    SetCommandLineArgs({Pristine("Server"), "2", "12340"});
    Form.reset(NewForm<TFsync>(nullptr));
    Form->OakConnection->SetConnectPath(Pristine("Server"));
    Form->RunMode = 2;
    Form->LastSyncDate = EncodeDateTime(2026, 11, 1, 12, 0, 0, 0);
  }
};

// The counters every merge must end with: a changed order of status 1
// stays as the office has it; the new addresses all come with new orders.
bool CountersAsExpected(const TFsync& Form) {
  const int KeptOrders = Z.ChangedOrders / 5;
  return Form.OrdersUpdated == Z.ChangedOrders - KeptOrders && Form.OrdersAdded == Z.NewOrders &&
         Form.AddressesUpdated == Z.ChangedAddresses && Form.AddressesAdded == Z.NewAddresses;
}

// ---- The bare engine pass ----------------------------------------------------------------

// One table of the run tree opened through the engine, with field numbers
// resolved once.
class TBareTable {
 public:
  TBareTable(OAKHANDLE Connection, const String& Path, const char* Index) {
    Check(OakOpenTable(Connection, Path.c_str(), nullptr, OAK_OAT, OAK_ANSI, OAK_COMPATIBLE_LOCKING, OAK_IGNORERIGHTS,
                       0, &FTable),
          Path);
    FOrder = FTable;
    if (Index) Check(OakGetIndexHandle(FTable, Index, &FOrder), Index);
  }
  ~TBareTable() { OakCloseTable(FTable); }
  TBareTable(const TBareTable&) = delete;
  TBareTable& operator=(const TBareTable&) = delete;

  UNSIGNED16 Field(const char* Name) {
    UNSIGNED16 No = 0;
    Check(OakGetFieldNum(FTable, Name, &No), Name);
    return No;
  }
  // Calls Visit for every record in the order's sequence.
  template <class Fn>
  void Walk(Fn Visit) {
    UNSIGNED16 Eof = 0;
    for (Check(OakGotoTop(FOrder), "top"); OakAtEOF(FTable, &Eof) == 0 && !Eof; Check(OakSkip(FOrder, 1), "skip"))
      Visit();
  }
  // The field's text, blanks at the right cut.
  std::string_view Get(UNSIGNED16 No) {
    UNSIGNED32 Len = sizeof FBuf;
    Check(OakGetField(FTable, No, FBuf, &Len, OAK_RTRIM), "field");
    return std::string_view(FBuf, Len);
  }
  bool Seek(std::string_view Key) {
    UNSIGNED16 Found = 0;
    Check(OakSeek(FOrder, Key.data(), UNSIGNED16(Key.size()), OAK_STRINGKEY, OAK_HARDSEEK, &Found), "seek");
    return Found != 0;
  }
  void MakeTag(const char* Tag) {
    Check(OakCreateIndex61(FTable, "", Tag, Tag, "", "", OAK_COMPOUND, 0, &FOrder), Tag);
  }

 private:
  OAKHANDLE FTable = OAK_INVALID_HANDLE, FOrder = OAK_INVALID_HANDLE;
  char FBuf[64];
};

// The bare pass over the run tree of Form; returns the number of mobile
// records whose key the office holds.
int BarePass(TFsync& Form) {
  OAKHANDLE Office = OAK_INVALID_HANDLE, Mobile = OAK_INVALID_HANDLE;
  Check(OakConnect60(RunFolder(Form, "M_Temp/Server/Data").c_str(), OAK_LOCAL_SERVER, "", "", 0, &Office), "connect");
  Check(OakConnect60(RunFolder(Form, "M_Temp/Remote/Data").c_str(), OAK_LOCAL_SERVER, "", "", 0, &Mobile), "connect");
  int Found = 0;
  {
    TBareTable OfficeOrders(Office, "Auftraege.oat", "ID_ORDER"), MobileOrders(Mobile, "Auftraege.oat", "ID_ORDER");
    const UNSIGNED16 Key = MobileOrders.Field("ID_ORDER"), Stamp = MobileOrders.Field("ParentName");
    MobileOrders.Walk([&] {
      benchmark::DoNotOptimize(MobileOrders.Get(Stamp));
      Found += OfficeOrders.Seek(MobileOrders.Get(Key));
    });
    TBareTable OfficeAddresses(Office, "Adressen.oat", nullptr), MobileAddresses(Mobile, "Adressen.oat", "ID");
    OfficeAddresses.MakeTag("ADR_46_");
    const UNSIGNED16 AKey = MobileAddresses.Field("ADR_46_"), AStamp = MobileAddresses.Field("ADR_47_");
    MobileAddresses.Walk([&] {
      benchmark::DoNotOptimize(MobileAddresses.Get(AStamp));
      Found += OfficeAddresses.Seek(MobileAddresses.Get(AKey));
    });
  }
  OakDisconnect(Office);
  OakDisconnect(Mobile);
  return Found;
}

// ---- Pairs per size ------------------------------------------------------------------------

TMergeForm* gForm = nullptr;
std::vector<bench::TRatio> gRatios;
std::vector<std::pair<int, double>> gPerOrder;  // size, best merge seconds per order

void BM_MergePairs(benchmark::State& State) {
  Z = TSize(static_cast<int>(State.range(0)));
  const int Pairs = Z.OfficeOrders >= 1000000 ? 3 : Z.OfficeOrders >= 100000 ? 5 : 9;
  bench::TRatio Ratio("merge / bare engine pass at " + std::to_string(Z.OfficeOrders) + " orders", 2.0, true);
  double Best = 1e30;
  for (auto _ : State) {
    try {
      DeleteDirectoryTree(gRoot + "pristine", true);
      BuildDataFolders();
      TFsync& Form = *gForm->Form;
      Ratio.Pairs(
          Pairs,
          [&] {
            Best = std::min(Best, bench::Seconds([&] { Form.MergeMobileData(); }));
            if (!CountersAsExpected(Form)) throw std::runtime_error("the merge counted other changes");
          },
          [&] {
            const int Found = BarePass(Form);
            const int Expected = Z.OfficeOrders + Z.OfficeAddresses;  // the changed ones; new ones are not found
            if (Found != Expected) throw std::runtime_error("the bare pass found " + std::to_string(Found));
          },
          [&] { RestoreRunTree(Form); });
    } catch (const std::exception& E) {
      State.SkipWithError(E.what());
    }
  }
  State.counters["merge_us_per_order"] = Best / Z.OfficeOrders * 1e6;
  gRatios.push_back(Ratio);
  gPerOrder.emplace_back(Z.OfficeOrders, Best / Z.OfficeOrders);
}

std::vector<int64_t> Sizes() {
  std::vector<int64_t> R;
  const char* Env = getenv("OAK_BENCH_SIZES");
  std::string Text = Env ? Env : "10000,100000,1000000";
  for (std::size_t Pos = 0; Pos < Text.size();) {
    std::size_t End = Text.find(',', Pos);
    if (End == std::string::npos) End = Text.size();
    R.push_back(std::stoll(Text.substr(Pos, End - Pos)));
    Pos = End + 1;
  }
  return R;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  String Tmpl = GetTempDir() + "mds-bench-sync-XXXXXX";
  gRoot = String(::mkdtemp(Tmpl.data())) + "/";
  // The run's temporary tree goes below the bench's own folder.
  fs::create_directories(gRoot + "temp");
  setenv("TMPDIR", (gRoot + "temp").c_str(), 1);
  gForm = new TMergeForm;
  auto* B = benchmark::RegisterBenchmark("BM_MergePairs", BM_MergePairs);
  for (int64_t N : Sizes()) B->Arg(N);
  B->Unit(benchmark::kMillisecond)->Iterations(1);
  benchmark::RunSpecifiedBenchmarks();
  delete gForm;
  DeleteDirectoryTree(gRoot, true);
  for (const auto& R : gRatios) R.Print();
  if (gPerOrder.size() >= 2) {
    auto [Lo, Hi] = std::minmax_element(gPerOrder.begin(), gPerOrder.end(),
                                        [](auto& A, auto& B) { return A.second < B.second; });
    const double Spread = Hi->second / Lo->second;
    std::printf("merge time per order: largest / smallest over the sizes = %.2f (goal: at most 1.50) %s\n", Spread,
                Spread <= 1.5 ? "met" : "NOT MET");
    for (auto& [N, T] : gPerOrder) std::printf("  %d orders: %.2f us per order\n", N, T * 1e6);
  }
  benchmark::Shutdown();
  return 0;
}
