// The in-memory table with 100k rows: append, sort by an index, Locate,
// CSV save and load. The CSV load is compared in the same run with a plain
// CSV reader (split lines and fields into strings) over the same text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <vector>

#include "data/memtable/mtMemCSVStreamFormat.h"

namespace {

constexpr int Rows = 100000;

struct TFixture {
  std::unique_ptr<TComponent> Root = std::make_unique<TComponent>(nullptr);
  TmtMemTable* Table = new TmtMemTable(Root.get());
  TmtCSVStreamFormat* Format = new TmtCSVStreamFormat(Root.get());

  TFixture() {
    Table->FieldDefs().Add("ID", ftInteger, 0);
    Table->FieldDefs().Add("Name", ftString, 40);
    Table->FieldDefs().Add("Path", ftString, 80);
    Table->Open();
  }
  void Fill() {
    Table->DisableControls();
    for (int i = 0; i < Rows; ++i)
      Table->AppendRecord({Variant((i * 7919) % Rows), Variant("Laptop " + std::to_string(i)),
                           Variant("/mobil/KelpoM/" + std::to_string(i % 97))});
    Table->EnableControls();
  }
  String Csv() {
    TStringStream S;
    Table->SaveToStreamWithFormat(&S, Format);
    return S.DataString();
  }
};

TFixture& Filled() {
  static TFixture* F = [] {
    auto* X = new TFixture;
    X->Fill();
    return X;
  }();
  return *F;
}

void BM_Append(benchmark::State& State) {
  for (auto _ : State) {
    TFixture F;
    F.Fill();
  }
}

void BM_SortByIndex(benchmark::State& State) {
  TFixture& F = Filled();
  for (auto _ : State) F.Table->SortOn("Name", {});
}

void BM_Locate(benchmark::State& State) {
  TFixture& F = Filled();
  F.Table->SetIndexFieldNames("ID");
  int i = 0;
  for (auto _ : State) benchmark::DoNotOptimize(F.Table->Locate("ID", Variant((i++ * 31) % Rows), {}));
}

void BM_CsvSave(benchmark::State& State) {
  TFixture& F = Filled();
  for (auto _ : State) benchmark::DoNotOptimize(F.Csv());
}


void BM_CsvLoad(benchmark::State& State) {
  String Text = Filled().Csv();
  for (auto _ : State) {
    TFixture F;
    TStringStream S(Text);
    F.Table->LoadFromStreamWithFormat(&S, F.Format);
  }
}

// The baseline: split the same text into lines and ';'-separated fields.
void BM_PlainCsvRead(benchmark::State& State) {
  String Text = Filled().Csv();
  for (auto _ : State) {
    std::vector<std::vector<std::string>> Rows;
    std::istringstream In(Text);
    std::string Line;
    while (std::getline(In, Line)) {
      std::vector<std::string> Fields;
      std::size_t Start = 0, Pos;
      while ((Pos = Line.find(';', Start)) != std::string::npos) {
        Fields.push_back(Line.substr(Start, Pos - Start));
        Start = Pos + 1;
      }
      Fields.push_back(Line.substr(Start));
      Rows.push_back(std::move(Fields));
    }
    benchmark::DoNotOptimize(Rows);
  }
}

}  // namespace

BENCHMARK(BM_Append)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByIndex)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Locate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CsvSave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CsvLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlainCsvRead)->Unit(benchmark::kMillisecond)->Iterations(3);

// Prints the load ratio after the runs: the table's CSV load against the
// plain reader.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Reports) override {
    ConsoleReporter::ReportRuns(Reports);
    for (const Run& R : Reports) {
      if (R.run_name.function_name == "BM_CsvLoad") Load = R.GetAdjustedRealTime();
      if (R.run_name.function_name == "BM_PlainCsvRead") Plain = R.GetAdjustedRealTime();
    }
  }
  double Load = 0, Plain = 0;
};

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  if (Reporter.Plain > 0)
    std::printf("CSV load / plain CSV read = %.2f\n", Reporter.Load / Reporter.Plain);
  return 0;
}
