// The whole run as a user meets it: an installation and a synchronisation
// of the tool, each as a process of its own driven headless through the
// tool's run driver (the same wizard steps as the window; host programs
// recorded instead of started), against packing the office's data files
// with `tar -c | gzip -1` as a whole process, in alternating pairs.
//
// The office is the sample office with its business tables filled through
// the engine to a realistic size: 260k orders with a memo each, 65k
// addresses (every tenth with a memo), with their index tags (about 100 MB
// of table files), and one ten times smaller. Before the synchronisation
// the mobile side has unpacked its package and changed a tenth of its
// data: 5 % of the orders and addresses changed, 5 % new ones. The changed
// rows are spread through the tables as a user's are: one in every twenty
// orders and addresses, from the first to the last.
//
// Every run is checked: its closing message, the synchronisation's four
// counters, the package read back by the extractor (the mobile tables
// hold the office's records), and every office table opened with its
// index tags walked to the table's record count. The peak memory of each
// run's process is printed.
//
// Goals: installation / baseline at most 1.5; synchronisation / baseline
// at most 3.0; synchronisation time per record at the large size / at the
// small size at most 1.3; peak memory under 200 MB at the large size.
//
// The peak memory of a run is its own process's high-water mark (VmHWM),
// which the run reports as it ends: the kernel's ru_maxrss of a child that
// a large process started counts the starter's pages too. The benchmark
// checks this at its start: a child that touches a known amount while the
// benchmark holds much more must report that amount.
// OAK_BENCH_RUN_ORDERS sets the large size (default 260000 orders);
// OAK_BENCH_STEPS=1 has each run write when its steps begin (standard
// error); OAK_BENCH_KEEP=1 keeps the folders of the last runs.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

// Umsync.h first: it includes the archive unit under its own terms.
#include "sync/Umsync.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_office.h"
#include "bench_process.h"
#include "bench_ratio.h"
#include "foundation/FileUtils.h"
#include "host/SampleOffice.h"
#include "host/ToolFolder.h"
#include "platform/engine/oak.h"
#include "platform/gui/dialogs_responder.h"
#include "platform/gui/forms.h"
#include "platform/os/folders.h"
#include "platform/os/process.h"
#include "platform/rtl/sysutils.h"
#include "sync/backup.h"
#include "sync/Umsync_run.h"
#include "ui/controls/IEditButton.h"
#include "ui/look/ULookAndFeel.h"

namespace {

namespace fs = std::filesystem;
using namespace bench;

const int kLargeOrders = getenv("OAK_BENCH_RUN_ORDERS") ? atoi(getenv("OAK_BENCH_RUN_ORDERS")) : 260000;

void Require(bool Holds, const std::string& What) {
  if (!Holds) throw std::runtime_error(What);
}

// The sizes of one office and of the mobile side's changes.
struct TSize {
  int Orders, Addresses, ChangedOrders, NewOrders, ChangedAddresses, NewAddresses;
  explicit TSize(int N)
      : Orders(N), Addresses(N / 4), ChangedOrders(N / 20), NewOrders(N / 20), ChangedAddresses(N / 80),
        NewAddresses(N / 80) {}
  int Records() const { return Orders + Addresses; }
};

// The generated row (1-based) that change I (1 .. Changed) of Rows rows
// touches: one in every Rows / Changed rows, from the first to the last,
// moved by I % 5 within its stretch so that the orders' states (set by
// the row's number) mix as they do in the table.
int SpreadRow(int I, int Changed, int Rows) {
  return int((std::int64_t(I - 1) * Rows) / Changed) + 1 + (I - 1) % 5;
}

// Of the changed orders, those whose office row has state 1: the office
// keeps them (FillOrder gives state 1 to every row N with N % 5 == 4).
int KeptOrders(const TSize& Z) {
  int Kept = 0;
  for (int I = 1; I <= Z.ChangedOrders; ++I) Kept += SpreadRow(I, Z.ChangedOrders, Z.Orders) % 5 == 4;
  return Kept;
}

// The spread rows of Changed changes of Rows rows: Spread[Row] is true
// for the rows that SpreadRow picks.
std::vector<bool> SpreadRows(int Changed, int Rows) {
  std::vector<bool> Spread(std::size_t(Rows) + 1);
  for (int I = 1; I <= Changed; ++I) Spread[std::size_t(SpreadRow(I, Changed, Rows))] = true;
  return Spread;
}

// The mobile side's changes after its installation, stamped now:
// ChangedOrders orders and ChangedAddresses addresses of the generated
// rows changed, spread through the tables (SpreadRow; found by their keys,
// wherever the installation put them), NewOrders and NewAddresses added
// (keys of mobile installation 1).
void ChangeMobileData(const std::string& Folder, const TSize& Z) {
  OAKHANDLE Connection = OAK_INVALID_HANDLE;
  Check(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Connection), "connect");
  const std::string When = Stamp(Now());
  {
    TTable Addresses(Connection, Folder + "Adressen"), Orders(Connection, Folder + "Auftraege");
    Check(OakBeginTransaction(Connection), "begin");
    // Generated addresses have the keys AddressKey('0', 1000 + Row), orders
    // the numbers OrderNumber(Row).
    const std::vector<bool> ChangedAddress = SpreadRows(Z.ChangedAddresses, Z.Addresses),
                            ChangedOrder = SpreadRows(Z.ChangedOrders, Z.Orders);
    int Changed = 0;
    for (UNSIGNED32 R = 1, N = Addresses.Count(); R <= N; ++R) {
      Addresses.Go(R);
      const std::string Key = Addresses.Get("ADR_46_");
      const long Row = Key.size() > 1 && Key[0] == '0' ? std::atol(Key.c_str() + 1) - 1000 : 0;
      if (Row < 1 || Row > Z.Addresses || !ChangedAddress[std::size_t(Row)]) continue;
      FillAddress(Addresses, 1000 + int(Row), '0', When, true);
      Addresses.Write();
      ++Changed;
    }
    Require(Changed == Z.ChangedAddresses, "mobile addresses changed: " + std::to_string(Changed));
    for (int I = 1; I <= Z.NewAddresses; ++I) {
      Addresses.Append();
      FillAddress(Addresses, 2000000 + I, '3', When, true);
      Addresses.Write();
    }
    Changed = 0;
    for (UNSIGNED32 R = 1, N = Orders.Count(); R <= N; ++R) {
      Orders.Go(R);
      const long Row = std::atol(Orders.Get("ID_ORDER").c_str()) - std::atol(OrderNumber(0).c_str());
      if (Row < 1 || Row > Z.Orders || !ChangedOrder[std::size_t(Row)]) continue;
      FillOrder(Orders, int(Row), 1 + int(Row) % Z.Addresses, When, true);
      Orders.Write();
      ++Changed;
    }
    Require(Changed == Z.ChangedOrders, "mobile orders changed: " + std::to_string(Changed));
    for (int I = 1; I <= Z.NewOrders; ++I) {
      Orders.Append();
      FillOrder(Orders, Z.Orders + I, 1 + I % Z.Addresses, When, true);
      Orders.Write();
    }
    Check(OakCommitTransaction(Connection), "commit");
  }
  OakDisconnect(Connection);
}

// Opens every table of Folder and walks each of its index tags; every tag
// must reach the table's record count. Returns the records of Table.
UNSIGNED32 CheckTables(const std::string& Folder, const char* Table) {
  OAKHANDLE Connection = OAK_INVALID_HANDLE;
  Check(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Connection), "connect");
  UNSIGNED32 Wanted = 0;
  for (const auto& E : fs::directory_iterator(Folder)) {
    if (strcasecmp(E.path().extension().c_str(), ".oat") != 0) continue;
    TTable T(Connection, E.path().string());
    const UNSIGNED32 Count = T.Count();
    if (strcasecmp(E.path().stem().c_str(), Table) == 0) Wanted = Count;
    OAKHANDLE Tags[16];
    UNSIGNED16 N = 16;
    Check(OakGetAllIndexes(T.Handle(), Tags, &N), "tags");
    for (UNSIGNED16 I = 0; I < N; ++I) {
      UNSIGNED32 Rows = 0;
      UNSIGNED16 Eof = 0;
      for (Check(OakGotoTop(Tags[I]), "top"); OakAtEOF(T.Handle(), &Eof) == 0 && !Eof; Check(OakSkip(Tags[I], 1), "skip"))
        ++Rows;
      Require(Rows == Count, E.path().string() + ": a tag walks " + std::to_string(Rows) + " of " +
                                 std::to_string(Count) + " records");
    }
  }
  OakDisconnect(Connection);
  return Wanted;
}

// ---- The run in a process of its own --------------------------------------------------

// Writes to standard error when each step of the run page turns bold, with
// the seconds since the call.
void ReportSteps(TFsync& F) {
  const auto Start = std::chrono::steady_clock::now();
  TLabel* Labels[8] = {F.l1, F.l2, F.l3, F.l4, F.l5, F.l6, F.l7, F.l8};
  for (int Step = 1; Step <= 8; ++Step) {
    TLabel* L = Labels[Step - 1];
    TWndMethod Old = L->WindowProc;
    L->WindowProc = [Old, L, Step, Start](TMessage& M) {
      Old(M);
      if (M.Msg == CM_FONTCHANGED && L->Font()->Style().Contains(fsBold))
        std::fprintf(stderr, "step %d at %.2f s\n", Step,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
    };
  }
}

// The child: installs (Mode "install") or synchronises ("sync") slot 1 of
// the office below Root through the run driver, as the program does
// after its start; prints the four counters. Exit code 0 when the run
// ended in its closing message.
int RunChild(const std::string& Mode, const std::string& Root) {
  const String Office = Root + "office/";
  SetProgramPath(Root + "tool/orvsync7");
  SetCommandLineArgs({Office, "1", "12340"});
  SetProcessLauncher([](const TLaunchRequest&, TProcessHandle& Process) -> DWORD {
    Process = TProcessHandle::Finished(0);
    return 0;
  });
  InitializeEditButtonUnit();
  ULookAndFeelInit();
  int Code = 1;
  try {
    TScriptedResponder Responder;
    const bool Install = Mode == "install";
    Responder.PressButton("*", "Schließen", Install ? "Mobile wurde neu installiert" : "Mobile wurde synchronisiert");
    Application->Initialize();
    TFsync* F = nullptr;
    Application->CreateForm(F);
    AttachRunDriver(F);
    if (getenv("OAK_BENCH_STEPS")) ReportSteps(*F);
    SetPaintMessagePump(PaintPendingWindows);
    TBackupFile::ProcessMessagesHook = DispatchPaintMessages;
    F->Show();
    F->DatabaseStartUp();
    F->EditInstallationEntry([&] {
      F->KM->FieldByName("Path")->SetAsString(Root + "mobile/");
      F->KM->FieldByName("RIGHTS")->SetAsInteger(2);
    });
    F->WizardNotebook1->Next(F->FlatButton_next);
    F->WizardNotebook1->Next(F->FlatButton_next);
    std::printf("%d %d %d %d\n", F->OrdersUpdated, F->OrdersAdded, F->AddressesUpdated, F->AddressesAdded);
    Code = Responder.PendingRules() == 0 && Responder.Unexpected().empty() ? 0 : 1;
    for (const auto& S : Responder.Shown())
      if (Code) std::fprintf(stderr, "%s\n", S.Text.c_str());
    F->Close();
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s\n", E.Message().c_str());
  }
  ULookAndFeelDone();
  std::fflush(stdout);
  return Code;
}

// ---- The pairs -------------------------------------------------------------------------------

std::string gRoot, gSelf, gPrograms;
std::vector<bench::TRatio> gRatios;
std::vector<std::string> gLines;
std::vector<double> gSyncPerRecord[2];  // [small, large]: each run's seconds per record

void CopyTree(const std::string& From, const std::string& To) {
  fs::remove_all(To);
  fs::copy(From, To, fs::copy_options::recursive);
}

// The run folder (office/, mobile/, temp/, ...) below gRoot + "run/"
// starting from the saved state State (office/ and mobile/).
void Restore(const std::string& State) {
  const std::string Run = gRoot + "run/";
  CopyTree(State + "office", Run + "office");
  CopyTree(State + "mobile", Run + "mobile");
  fs::remove_all(Run + "temp");
  fs::create_directories(Run + "temp");
  // The copies above, and what the checks of the run before wrote, reach the
  // disk before the next timed run: neither side pays for the setup's
  // write-out.
  ::sync();
}

TProcessResult RunTool(const char* Mode) {
  TProcessResult R = RunProcess({gSelf, "--run", Mode, gRoot + "run/"}, gRoot + "child.out");
  Require(R.ExitCode == 0, std::string(Mode) + " failed: " + R.Output);
  Require(TakePeak(R), std::string(Mode) + " reported no peak memory");
  return R;
}

// The peak of a run is measured in the run's process alone: a child that
// touches Touch MiB, started while this program holds Held MiB, must
// report about Touch MiB (its own program's pages on top), however large
// the kernel's figure for it is.
void CheckPeakMethod() {
  constexpr int Held = 256, Touch = 32;
  std::vector<char> Large(std::size_t(Held) << 20);
  for (std::size_t I = 0; I < Large.size(); I += 4096) Large[I] = char(I);
  TProcessResult R = RunProcess({gSelf, "--touch", std::to_string(Touch)}, gRoot + "touch.out");
  Require(R.ExitCode == 0 && TakePeak(R), "the memory check's child failed");
  char Line[200];
  std::snprintf(Line, sizeof Line,
                "peak memory of a child touching %d MB while this program holds %d MB: %ld MB reported "
                "by the child, %ld MB by the kernel's ru_maxrss",
                Touch, Held, R.PeakKiB / 1024, R.RusageKiB / 1024);
  gLines.push_back(Line);
  Require(R.PeakKiB >= Touch * 1024 && R.PeakKiB < (Touch + 64) * 1024,
          std::string("the child's own peak is not what it touched: ") + Line);
  volatile char Keep = Large[Large.size() / 2];  // Large stays touched until the child ended
  (void)Keep;
}

TProcessResult Baseline() {
  const std::string Command = "tar -cf - -C '" + gRoot + "run/office' . | gzip -1 > '" + gRoot + "office.tgz'";
  TProcessResult R = RunProcess({"/bin/sh", "-c", Command}, gRoot + "base.out");
  Require(R.ExitCode == 0 && fs::file_size(gRoot + "office.tgz") > 0, "tar | gzip failed");
  return R;
}

// The extractor unpacks the package the run left in the target; the
// mobile orders then number Orders.
void ReadPackageBack(UNSIGNED32 Orders) {
  const std::string Mobile = gRoot + "run/mobile/KelpoM/";
  const std::string Package = Mobile + SelfExtractingPackage;
  Require(fs::exists(Package), "no package in the target");
  fs::permissions(Package, fs::perms::owner_all);
  Require(std::system(("cd '" + Mobile + "' && './" + SelfExtractingPackage + "' >/dev/null").c_str()) == 0,
          "the package does not unpack");
  const UNSIGNED32 Got = CheckTables(Mobile + "KVS/DATA/REMOTE/", "Auftraege");
  Require(Got == Orders, "the package holds " + std::to_string(Got) + " orders instead of " + std::to_string(Orders));
}

std::string Mib(long KiB) { return std::to_string(KiB / 1024) + " MB"; }

double MedianOf(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V.size() % 2 ? V[V.size() / 2] : (V[V.size() / 2 - 1] + V[V.size() / 2]) / 2;
}

// The runs of one kind: wall and processor seconds of the run and of the
// baseline beside it, and the run's peak memory.
struct TSeries {
  std::vector<double> Wall, Cpu, BaseWall, BaseCpu;
  long Peak = 0;
  // "<What> 1.23 s median (1.10 min), processor 0.90 s (tar | gzip 0.80 s), peak 40 MB"
  std::string Text(const char* What) const {
    char Line[256];
    std::snprintf(Line, sizeof Line, "%s %.2f s median (%.2f min), processor %.2f s (tar | gzip %.2f s, %.2f s), "
                  "peak %s", What, MedianOf(Wall), *std::min_element(Wall.begin(), Wall.end()), MedianOf(Cpu),
                  MedianOf(BaseWall), MedianOf(BaseCpu), Mib(Peak).c_str());
    return Line;
  }
};

// Pairs of Run (from State, checked by Verify) and the baseline.
void RunPairs(bench::TRatio& Ratio, int Pairs, const std::string& State, const char* Mode,
              const std::function<void(const TProcessResult&)>& Verify, TSeries& Series) {
  for (int I = 0; I < Pairs; ++I) {
    double Ours = 0, Base = 0;
    for (int Side = 0; Side < 2; ++Side) {
      Restore(State);
      if ((Side == 0) == (I % 2 == 0)) {
        TProcessResult R = RunTool(Mode);
        Ours = R.Seconds;
        Series.Cpu.push_back(R.CpuSeconds);
        Series.Peak = std::max(Series.Peak, R.PeakKiB);
        Verify(R);
      } else {
        TProcessResult R = Baseline();
        Base = R.Seconds;
        Series.BaseCpu.push_back(R.CpuSeconds);
      }
    }
    Series.Wall.push_back(Ours);
    Series.BaseWall.push_back(Base);
    Ratio.Add(Ours / Base);
  }
}

void BM_WholeRun(benchmark::State& State) {
  const int Index = static_cast<int>(State.range(0));
  const TSize Z(Index ? kLargeOrders : kLargeOrders / 10);
  const std::string Size = std::to_string(Z.Orders) + " orders";
  const int Pairs = Index ? 3 : 9;  // the small runs are short: more pairs steady the median
  for (auto _ : State) {
    try {
      const std::string Fresh = gRoot + "fresh/", Synced = gRoot + "synced/", Run = gRoot + "run/";
      fs::remove_all(Fresh);
      fs::remove_all(Synced);
      BuildOffice(Fresh + "office/", Z.Orders, Z.Addresses);
      fs::create_directories(Fresh + "mobile");
      std::uintmax_t Bytes = 0;
      for (const auto& E : fs::directory_iterator(Fresh + "office"))
        if (E.is_regular_file()) Bytes += E.file_size();
      const UNSIGNED32 Orders = CheckTables(Fresh + "office/", "Auftraege");
      const UNSIGNED32 Addresses = CheckTables(Fresh + "office/", "Adressen");
      gLines.push_back(Size + ": office tables " + std::to_string(Bytes / 1000000) + " MB, " +
                       std::to_string(Orders) + " orders, " + std::to_string(Addresses) + " addresses");

      bench::TRatio Install("installation / tar | gzip -1, " + Size, 1.5, true);
      TSeries Installs;
      RunPairs(Install, Pairs, Fresh, "install",
               [&](const TProcessResult&) {
                 CheckTables(Run + "office/", "Auftraege");
                 ReadPackageBack(Orders);
               },
               Installs);
      gRatios.push_back(Install);

      // The state before a synchronisation: installed, unpacked, changed.
      Restore(Fresh);
      RunTool("install");
      ReadPackageBack(Orders);
      ChangeMobileData(Run + "mobile/KelpoM/KVS/DATA/REMOTE/", Z);
      fs::create_directories(Synced);
      CopyTree(Run + "office", Synced + "office");
      CopyTree(Run + "mobile", Synced + "mobile");

      bench::TRatio Sync("synchronisation / tar | gzip -1, " + Size, 3.0, true);
      TSeries Syncs;
      const int Kept = KeptOrders(Z);  // status 1 in the office: not replaced
      const std::string Counters = std::to_string(Z.ChangedOrders - Kept) + " " + std::to_string(Z.NewOrders) +
                                   " " + std::to_string(Z.ChangedAddresses) + " " + std::to_string(Z.NewAddresses) +
                                   "\n";
      RunPairs(Sync, Pairs, Synced, "sync",
               [&](const TProcessResult& R) {
                 Require(R.Output == Counters, "counters " + R.Output + " instead of " + Counters);
                 const UNSIGNED32 Now = CheckTables(Run + "office/", "Auftraege");
                 Require(Now == Orders + UNSIGNED32(Z.NewOrders), "office orders after the synchronisation");
                 ReadPackageBack(Now);
               },
               Syncs);
      gRatios.push_back(Sync);
      for (double Wall : Syncs.Wall) gSyncPerRecord[Index].push_back(Wall / Z.Records());
      gLines.push_back(Size + ": " + Installs.Text("installation"));
      gLines.push_back(Size + ": " + Syncs.Text("synchronisation"));
      if (Index) {
        const bool Met = Installs.Peak < 200 * 1024 && Syncs.Peak < 200 * 1024;
        gLines.push_back(std::string("peak memory at ") + Size + ": installation " + Mib(Installs.Peak) +
                         ", synchronisation " + Mib(Syncs.Peak) + " (goal: under 200 MB) " + (Met ? "met" : "NOT MET"));
      }
    } catch (const std::exception& E) {
      State.SkipWithError(E.what());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--run") == 0) {
    setenv("MDS_GUI", "headless", 1);
    const int Code = RunChild(argv[2], argv[3]);
    ReportOwnPeak();
    return Code;
  }
  if (argc == 3 && std::strcmp(argv[1], "--touch") == 0) {  // the child of CheckPeakMethod
    std::vector<char> Block(std::size_t(std::atoi(argv[2])) << 20);
    for (std::size_t I = 0; I < Block.size(); I += 4096) Block[I] = char(I | 1);
    ReportOwnPeak();
    return Block[Block.size() / 2] != 0 ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  gSelf = fs::read_symlink("/proc/self/exe").string();
  gPrograms = (fs::path(gSelf).parent_path().parent_path() / "src").string() + "/";
  String Tmpl = GetTempDir() + "mds-bench-run-XXXXXX";
  gRoot = String(::mkdtemp(Tmpl.data())) + "/";
  const std::string Run = gRoot + "run/";
  for (const char* D : {"temp", "common", "documents", "tool"}) fs::create_directories(Run + D);
  // The run's folders, inherited by the run's processes.
  setenv("TMPDIR", (Run + "temp").c_str(), 1);
  setenv("MDS_COMMON_APPDATA", (Run + "common").c_str(), 1);
  setenv("MDS_COMMON_DOCUMENTS", (Run + "documents").c_str(), 1);
  int Code = 0;
  try {
    CreateToolFolder(Run + "tool", TToolPrograms{gPrograms + "updatemobile", gPrograms + "tovar"});
    CheckPeakMethod();
    benchmark::RegisterBenchmark("BM_WholeRun", BM_WholeRun)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);
    benchmark::RunSpecifiedBenchmarks();
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s\n", E.Message().c_str());
    Code = 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "%s\n", E.what());
    Code = 1;
  }
  if (!getenv("OAK_BENCH_KEEP")) fs::remove_all(gRoot);
  for (const auto& L : gLines) std::printf("%s\n", L.c_str());
  for (const auto& R : gRatios) R.Print();
  // Run I of the large office against run I of the small one: the median
  // and the smallest of these pair ratios.
  std::vector<double> PerRecord;
  for (size_t I = 0; I < std::min(gSyncPerRecord[0].size(), gSyncPerRecord[1].size()); ++I)
    if (gSyncPerRecord[0][I] > 0) PerRecord.push_back(gSyncPerRecord[1][I] / gSyncPerRecord[0][I]);
  if (!PerRecord.empty()) {
    const double Median = MedianOf(PerRecord), Min = *std::min_element(PerRecord.begin(), PerRecord.end());
    std::printf("synchronisation time per record, large / small = %.2f median, %.2f min (goal: at most 1.30) %s\n",
                Median, Min, Median <= 1.3 ? "met" : "NOT MET");
  }
  benchmark::Shutdown();
  return Code;
}
