// The archive writer (TBackupFile: independent 16 KiB deflate blocks at
// level 1, the file-list entry first, as the update package has it)
// against one zlib stream at level 1 over the same files, each as a whole
// process (start, reading the files, packing, writing the output, exit),
// in alternating pairs within one run. The parent starts this program
// again with --pack=archive or --pack=zlib and times the child from fork
// to exit. Two sets of files: the tables of an office written by the
// engine (200k orders, 50k addresses with memos and index tags), and
// synthetic files (fixed-length text records and pictures that do not
// shrink). Every archive is read back and compared with the files, its
// list entry with their names. Printed per set: the time ratio and, beside
// it, the size ratio. Goal: the archive writer at most 1.1 times one zlib
// stream in time.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_office.h"
#include "bench_ratio.h"
#include "foundation/FileUtils.h"
#include "platform/os/filestream.h"
#include "sync/backup.h"
#include "sync/backup_format.h"

namespace {

// Pairs of runs; OAK_BENCH_PAIRS overrides.
const int kPairs = getenv("OAK_BENCH_PAIRS") ? atoi(getenv("OAK_BENCH_PAIRS")) : 8;

std::string gDir;
// The synthetic files: two tables of fixed-length records (text with runs
// of blanks) and pictures that do not shrink.
const std::vector<std::pair<std::string, std::size_t>> kSynthetic = {
    {"Auftraege.OAT", 48u << 20}, {"Adressen.OAT", 24u << 20}, {"Bilder.bin", 8u << 20}};

// The files of the set in Folder, by name.
std::vector<std::string> FilesOf(const std::string& Folder) {
  std::vector<std::string> Paths;
  for (const auto& E : std::filesystem::directory_iterator(Folder))
    if (E.is_regular_file()) Paths.push_back(E.path().string());
  std::sort(Paths.begin(), Paths.end());
  return Paths;
}

void MakeFiles() {
  std::string Tmpl = GetTempDir() + "mds-bench-archive-XXXXXX";
  gDir = ::mkdtemp(Tmpl.data());
  ForceDirectoryTree(gDir + "/synthetic");
  bench::BuildOffice(gDir + "/office/", 200000, 50000);
  std::mt19937 Rng(3);
  const auto FilePath = [](const std::string& Name) { return gDir + "/synthetic/" + Name; };
  for (const auto& [Name, Size] : kSynthetic) {
    std::string Data;
    Data.reserve(Size);
    const bool Noise = Name == "Bilder.bin";
    for (int Row = 0; Data.size() < Size; ++Row) {
      if (Noise) {
        Data += static_cast<char>(Rng());
        continue;
      }
      char Line[128];
      std::snprintf(Line, sizeof Line, " %09d%-20s%-40s%6u%-30s\n", 300000000 + Row, "20261105-100000000",
                    ("Kunde " + std::to_string(Rng() % 50000)).c_str(), unsigned(Rng() % 100000),
                    Row % 7 ? "" : "Rückruf erbeten");
      Data += Line;
    }
    Data.resize(Size);
    FILE* F = std::fopen(FilePath(Name).c_str(), "wb");
    std::fwrite(Data.data(), 1, Data.size(), F);
    std::fclose(F);
  }
}

std::string ReadAll(const std::string& Path) {
  std::string S;
  FILE* F = std::fopen(Path.c_str(), "rb");
  if (!F) throw std::runtime_error("missing: " + Path);
  char Buf[1 << 16];
  for (std::size_t N; (N = std::fread(Buf, 1, sizeof Buf, F)) > 0;) S.append(Buf, N);
  std::fclose(F);
  return S;
}

// ---- the two children ---------------------------------------------------------------

// The archive of the files of Folder as the update package writes it
// (list entry first, every file at level 1, the folders as its title).
int PackArchive(const std::string& Out, const std::string& Folder) {
  TBackupFile Backup(nullptr);
  Backup.SetBackupMode(bmAll);
  Backup.CompressionLevel = clFastest;
  TStringList List;
  String Folders;
  for (const std::string& Path : FilesOf(Folder)) {
    List.Add(Path);
    Folders += "KVS\\DATA\\REMOTE\r\n";
  }
  Backup.BackupTitle = Folders;
  TFileStream Dest(Out, fmCreate);
  return Backup.Backup(&List, &Dest) ? 0 : 1;
}

// One zlib stream at level 1 over the files one after the other, read and
// written in 64 KiB pieces.
int PackZlib(const std::string& Out, const std::string& Folder) {
  z_stream Z{};
  if (deflateInit(&Z, 1) != Z_OK) return 1;
  FILE* O = std::fopen(Out.c_str(), "wb");
  std::vector<Bytef> In(1 << 16), Packed(1 << 16);
  const std::vector<std::string> Files = FilesOf(Folder);
  for (std::size_t I = 0; I < Files.size(); ++I) {
    FILE* F = std::fopen(Files[I].c_str(), "rb");
    bool Last = I + 1 == Files.size();
    for (;;) {
      std::size_t N = std::fread(In.data(), 1, In.size(), F);
      const int Flush = Last && N < In.size() ? Z_FINISH : Z_NO_FLUSH;
      Z.next_in = In.data();
      Z.avail_in = static_cast<uInt>(N);
      do {
        Z.next_out = Packed.data();
        Z.avail_out = static_cast<uInt>(Packed.size());
        deflate(&Z, Flush);
        std::fwrite(Packed.data(), 1, Packed.size() - Z.avail_out, O);
      } while (Z.avail_out == 0);
      if (N < In.size()) break;
    }
    std::fclose(F);
  }
  deflateEnd(&Z);
  std::fclose(O);
  return 0;
}

// ---- checks -----------------------------------------------------------------------

std::int32_t Int(const std::string& B, std::size_t& Pos) {
  if (Pos + 4 > B.size()) throw std::runtime_error("archive cut short");
  std::uint32_t V = 0;
  for (int I = 3; I >= 0; --I) V = V << 8 | static_cast<unsigned char>(B[Pos + I]);
  Pos += 4;
  return static_cast<std::int32_t>(V);
}

// The data of the entry at Pos (after its name, date and marker).
std::string EntryData(const std::string& B, std::size_t& Pos) {
  std::string Data, Block(backup_format::BlockSize, '\0');
  for (std::int32_t Len; (Len = Int(B, Pos)) != 0;) {
    if (Len < 0) {
      Data.append(B, Pos, std::size_t(-Len));
      Pos += std::size_t(-Len);
      continue;
    }
    uLongf Got = Block.size();
    if (uncompress(reinterpret_cast<Bytef*>(Block.data()), &Got, reinterpret_cast<const Bytef*>(B.data() + Pos),
                   uLong(Len)) != Z_OK)
      throw std::runtime_error("bad block");
    Data.append(Block, 0, Got);
    Pos += std::size_t(Len);
  }
  return Data;
}

// Raises unless the archive at Path holds the list entry naming every file
// of Folder, then every file, byte for byte.
void CheckArchive(const std::string& Path, const std::string& Folder) {
  const std::vector<std::string> Files = FilesOf(Folder);
  const std::string B = ReadAll(Path);
  std::size_t Pos = 0;
  Pos += Int(B, Pos);  // title
  Int(B, Pos);
  if (Int(B, Pos) != static_cast<std::int32_t>(Files.size())) throw std::runtime_error("file count");
  for (std::size_t I = 0; I <= Files.size(); ++I) {
    Pos += Int(B, Pos) + 8;  // name, date, marker
    const std::string Data = EntryData(B, Pos);
    if (I == 0) {
      for (const std::string& F : Files)
        if (Data.find(F + "\t") == std::string::npos) throw std::runtime_error("list entry lacks " + F);
    } else if (Data != ReadAll(Files[I - 1])) {
      throw std::runtime_error("archive differs: " + Files[I - 1]);
    }
  }
  if (Int(B, Pos) != 0 || Pos != B.size()) throw std::runtime_error("archive not completed");
}

// Raises unless the zlib output at Path inflates to the files in order.
void CheckZlib(const std::string& Path, const std::string& Folder) {
  const std::string B = ReadAll(Path);
  std::string Expected;
  for (const std::string& F : FilesOf(Folder)) Expected += ReadAll(F);
  std::string Out(Expected.size() + 1, '\0');
  uLongf Got = Out.size();
  if (uncompress(reinterpret_cast<Bytef*>(Out.data()), &Got, reinterpret_cast<const Bytef*>(B.data()), B.size()) !=
          Z_OK ||
      Got != Expected.size() || Out.compare(0, Got, Expected) != 0)
    throw std::runtime_error("zlib stream differs");
}

// ---- timing the children --------------------------------------------------------

std::string gSelf;

void RunChild(const char* Mode, const std::string& Out, const std::string& Folder) {
  pid_t Pid = ::fork();
  if (Pid == 0) {
    std::string Arg = std::string("--pack=") + Mode;
    ::execl(gSelf.c_str(), gSelf.c_str(), Arg.c_str(), Out.c_str(), Folder.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int Status = 0;
  ::waitpid(Pid, &Status, 0);
  if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) throw std::runtime_error(std::string("child failed: ") + Mode);
}

std::vector<bench::TRatio> gRatios;
std::vector<std::string> gSizes;

// Pairs over the files of gDir + "/" + Set, checked, with the size ratio.
void PackPairs(const std::string& Set, const std::string& What) {
  const std::string Folder = gDir + "/" + Set, Archive = gDir + "/out.archive", Stream = gDir + "/out.zlib";
  bench::TRatio Ratio("archive writer / one zlib stream, level 1, whole process, " + What, 1.1, true);
  Ratio.Pairs(kPairs, [&] { RunChild("archive", Archive, Folder); }, [&] { RunChild("zlib", Stream, Folder); });
  CheckArchive(Archive, Folder);
  CheckZlib(Stream, Folder);
  gRatios.push_back(Ratio);
  const double A = double(std::filesystem::file_size(Archive)), Z = double(std::filesystem::file_size(Stream));
  char Line[256];
  std::snprintf(Line, sizeof Line, "  size, %s: archive / zlib stream = %.3f (%.1f MB / %.1f MB)", What.c_str(),
                A / Z, A / 1e6, Z / 1e6);
  gSizes.push_back(Line);
}

void BM_PackPairs(benchmark::State& State) {
  for (auto _ : State) {
    try {
      PackPairs("office", "office tables written by the engine");
      PackPairs("synthetic", "synthetic files");
    } catch (const std::exception& E) {
      State.SkipWithError(E.what());
    }
  }
}

BENCHMARK(BM_PackPairs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strncmp(argv[1], "--pack=", 7) == 0)
    return std::strcmp(argv[1] + 7, "archive") == 0 ? PackArchive(argv[2], argv[3]) : PackZlib(argv[2], argv[3]);
  gSelf = "/proc/self/exe";
  char Self[4096];
  ssize_t N = ::readlink("/proc/self/exe", Self, sizeof Self - 1);
  if (N > 0) gSelf.assign(Self, std::size_t(N));
  benchmark::Initialize(&argc, argv);
  MakeFiles();
  benchmark::RunSpecifiedBenchmarks();
  DeleteDirectoryTree(gDir, true);
  for (std::size_t I = 0; I < gRatios.size(); ++I) {
    gRatios[I].Print();
    if (I < gSizes.size()) std::printf("%s\n", gSizes[I].c_str());
  }
  benchmark::Shutdown();
  return 0;
}
