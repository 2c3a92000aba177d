// The merge step of a synchronisation (TFsync::MergeMobileData) on an
// office with 100k orders and 50k addresses and a mobile copy of it with
// 10k changes, against copying the same table files with
// CopyFileByStreams, in the same run. Prints the ratio.
//
// The two data folders are built once through the engine, outside the
// timed loops; every merge runs on fresh copies of them in the temporary
// tree of a run (M_Temp/Server/Data, M_Temp/Remote/Data).
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

namespace {

namespace fs = std::filesystem;

constexpr int OfficeOrders = 100000;
constexpr int OfficeAddresses = 50000;
// The 10k mobile changes.
constexpr int ChangedOrders = 4000;
constexpr int NewOrders = 3000;
constexpr int ChangedAddresses = 2000;
constexpr int NewAddresses = 1000;

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
  const int Count = OfficeOrders + (Mobile ? NewOrders : 0);
  for (int I = 1; I <= Count; ++I) {
    const bool Changed = Mobile && (I <= ChangedOrders || I > OfficeOrders);
    const int Address = I > OfficeOrders ? OfficeAddresses + 1 + (I % NewAddresses) : 1 + I % OfficeAddresses;
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
  const int Count = OfficeAddresses + (Mobile ? NewAddresses : 0);
  for (int I = 1; I <= Count; ++I) {
    const bool New = I > OfficeAddresses;
    const bool Changed = Mobile && (New || I > OfficeAddresses - ChangedAddresses);
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
  const int KeptOrders = ChangedOrders / 5;
  return Form.OrdersUpdated == ChangedOrders - KeptOrders && Form.OrdersAdded == NewOrders &&
         Form.AddressesUpdated == ChangedAddresses && Form.AddressesAdded == NewAddresses;
}

void BM_Merge(benchmark::State& State) {
  TMergeForm M;
  for (auto _ : State) {
    State.PauseTiming();
    RestoreRunTree(*M.Form);
    State.ResumeTiming();
    M.Form->MergeMobileData();
    if (!CountersAsExpected(*M.Form)) {
      State.SkipWithError("the merge counted other changes than the mobile copy holds");
      break;
    }
  }
  State.counters["orders_updated"] = M.Form->OrdersUpdated;
  State.counters["orders_added"] = M.Form->OrdersAdded;
  State.counters["addresses_updated"] = M.Form->AddressesUpdated;
  State.counters["addresses_added"] = M.Form->AddressesAdded;
}

// The baseline: the same files copied block by block as the copy steps do.
void BM_CopyFiles(benchmark::State& State) {
  const auto Files = DataFiles();
  const String Dest = gRoot + "copy/";
  fs::create_directories(Dest);
  for (auto _ : State)
    for (auto& [Side, Name] : Files) CopyFileByStreams(Pristine(Side) + Name, Dest + Side + "-" + Name);
}

BENCHMARK(BM_CopyFiles)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond)->Iterations(3);

// Remembers the time per iteration of both benchmarks for the ratio.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Reports) override {
    ConsoleReporter::ReportRuns(Reports);
    for (const Run& R : Reports) {
      if (R.run_name.function_name == "BM_Merge") Merge = R.GetAdjustedRealTime();
      if (R.run_name.function_name == "BM_CopyFiles") Copy = R.GetAdjustedRealTime();
    }
  }
  double Merge = 0, Copy = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  String Tmpl = GetTempDir() + "mds-bench-sync-XXXXXX";
  gRoot = String(::mkdtemp(Tmpl.data())) + "/";
  // The run's temporary tree goes below the bench's own folder.
  fs::create_directories(gRoot + "temp");
  setenv("TMPDIR", (gRoot + "temp").c_str(), 1);
  TRatioReporter Reporter;
  try {
    BuildDataFolders();
    benchmark::RunSpecifiedBenchmarks(&Reporter);
  } catch (const std::exception& E) {
    std::fprintf(stderr, "bench_sync: %s\n", E.what());
    DeleteDirectoryTree(gRoot, true);
    return 1;
  }
  DeleteDirectoryTree(gRoot, true);
  if (Reporter.Copy > 0) std::printf("merge / copy = %.2f\n", Reporter.Merge / Reporter.Copy);
  benchmark::Shutdown();
  return 0;
}
