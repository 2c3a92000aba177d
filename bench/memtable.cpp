// The in-memory table with 100k rows against plain baselines on the same
// data, in alternating pairs within one run:
// - sort by a string index (SortOn) against std::sort of the same keys
//   (byte order): goal at most 3 times;
// - CSV load of the table's own text against Python's csv module parsing
//   the same text in memory (when python3 is on the PATH), and against a
//   C++ reader that splits quoted fields into strings: goal at most 0.5
//   times Python (at least 2x faster);
// - CSV save against Python's csv writer writing the same rows: goal at
//   most 0.5 times Python.
// Every load is checked: the row count and the last row's values.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_ratio.h"
#include "data/memtable/mtMemCSVStreamFormat.h"
#include "foundation/FileUtils.h"

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
  void Load(const String& Text) {
    TStringStream S(Text);
    Table->LoadFromStreamWithFormat(&S, Format);
  }
};

void Expect(bool Ok, const std::string& What) {
  if (!Ok) throw std::runtime_error(What);
}

// A fair plain reader: lines into fields, a field in double quotes may
// hold the delimiter and doubled quotes.
std::vector<std::vector<std::string>> SplitQuoted(const std::string& Text) {
  std::vector<std::vector<std::string>> Out;
  std::vector<std::string> Row;
  std::string Field;
  std::size_t I = 0;
  while (I < Text.size()) {
    const char C = Text[I];
    if (C == '"') {
      for (++I; I < Text.size(); ++I) {
        if (Text[I] != '"') {
          Field += Text[I];
        } else if (I + 1 < Text.size() && Text[I + 1] == '"') {
          Field += '"';
          ++I;
        } else {
          ++I;
          break;
        }
      }
    } else if (C == ',') {
      Row.push_back(std::move(Field));
      Field.clear();
      ++I;
    } else if (C == '\r' || C == '\n') {
      if (!Field.empty() || !Row.empty()) {
        Row.push_back(std::move(Field));
        Out.push_back(std::move(Row));
      }
      Field.clear();
      Row.clear();
      ++I;
    } else {
      Field += C;
      ++I;
    }
  }
  if (!Field.empty() || !Row.empty()) {
    Row.push_back(std::move(Field));
    Out.push_back(std::move(Row));
  }
  return Out;
}

// Python's csv module on the text of Path: parse it, write the rows back;
// milliseconds of each, measured inside the interpreter. False without
// python3.
bool PythonTimes(const std::string& Path, double& LoadMs, double& SaveMs) {
  const std::string Cmd =
      "python3 -c \"import csv,io,time,sys\n"
      "t=open(sys.argv[1],newline='').read()\n"
      "a=time.perf_counter(); r=list(csv.reader(io.StringIO(t))); b=time.perf_counter()\n"
      "o=io.StringIO(); csv.writer(o).writerows(r); c=time.perf_counter()\n"
      "print((b-a)*1000,(c-b)*1000,len(r))\" " +
      Path + " 2>/dev/null";
  FILE* P = ::popen(Cmd.c_str(), "r");
  if (!P) return false;
  int Count = 0;
  const bool Ok = std::fscanf(P, "%lf %lf %d", &LoadMs, &SaveMs, &Count) == 3;
  ::pclose(P);
  return Ok && Count >= Rows;
}

std::vector<bench::TRatio> gRatios;

void BM_MemTablePairs(benchmark::State& State) {
  for (auto _ : State) {
    try {
      TFixture Filled;
      Filled.Fill();
      const String Text = Filled.Csv();
      const std::string Path = GetTempDir() + "mds-bench-memtable-" + std::to_string(::getpid()) + ".csv";
      FILE* F = std::fopen(Path.c_str(), "wb");
      std::fwrite(Text.data(), 1, Text.size(), F);
      std::fclose(F);

      // Sort by the Name index against std::sort of the names.
      std::vector<std::string> Names;
      for (Filled.Table->First(); !Filled.Table->Eof(); Filled.Table->Next())
        Names.push_back(Filled.Table->FieldByName("Name")->AsString());
      bench::TRatio Sort("sort of 100k rows by a string index / std::sort of the same keys", 3.0, true);
      std::vector<std::string> Work;
      Sort.Pairs(
          9, [&] { Filled.Table->SortOn("Name", {}); },
          [&] {
            std::sort(Work.begin(), Work.end());
            benchmark::DoNotOptimize(Work);
          },
          [&] { Work = Names; });  // untimed: a fresh unsorted copy
      Filled.Table->First();
      Expect(Filled.Table->FieldByName("Name")->AsString() == "Laptop 0", "sort order");
      gRatios.push_back(Sort);

      // Load against the plain C++ reader.
      bench::TRatio Plain("CSV load of 100k rows / C++ reader splitting quoted fields", 0, true);
      double LastLoad = 0;
      for (int I = 0; I < 9; ++I) {
        TFixture Fresh;
        const double Ours = bench::Seconds([&] { Fresh.Load(Text); });
        std::size_t Got = 0;
        const double Base = bench::Seconds([&] { Got = SplitQuoted(Text).size(); });
        Expect(Fresh.Table->RecordCount() == Rows, "rows loaded");
        Expect(Got >= std::size_t(Rows), "rows split");
        Fresh.Table->Last();
        Expect(Fresh.Table->FieldByName("Name")->AsString() == "Laptop " + std::to_string(Rows - 1), "last row");
        Plain.Add(Ours / Base);
        LastLoad = Ours;
      }
      gRatios.push_back(Plain);

      // Load and save against Python.
      bench::TRatio PyLoad("CSV load of 100k rows / Python csv.reader", 0.5, true);
      bench::TRatio PySave("CSV save of 100k rows / Python csv.writer", 0.5, true);
      for (int I = 0; I < 9; ++I) {
        double PL = 0, PS = 0;
        if (!PythonTimes(Path, PL, PS)) break;
        TFixture Fresh;
        LastLoad = bench::Seconds([&] { Fresh.Load(Text); });
        Expect(Fresh.Table->RecordCount() == Rows, "rows loaded");
        String Saved;
        const double Save = bench::Seconds([&] { Saved = Filled.Csv(); });
        Expect(Saved.size() == Text.size(), "saved text");
        PyLoad.Add(LastLoad * 1000 / PL);
        PySave.Add(Save * 1000 / PS);
      }
      ::unlink(Path.c_str());
      gRatios.push_back(PyLoad);
      gRatios.push_back(PySave);
    } catch (const std::exception& E) {
      State.SkipWithError(E.what());
    }
  }
}

BENCHMARK(BM_MemTablePairs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  for (const auto& R : gRatios) R.Print();
  benchmark::Shutdown();
  return 0;
}
