#include "sync/backup.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <random>
#include <thread>
#include <utility>

#include <unistd.h>

#include "../foundation/TempTree.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"

namespace {

// What a reader sees in an archive.
struct Entry {
  std::string Name;
  std::vector<int> BlockLengths;  // as stored: > 0 deflated, < 0 raw
  std::string Data;
};
struct Archive {
  std::string Title;
  int TotalSize = 0, FileCount = 0;
  std::vector<Entry> Entries;
  bool Complete = false;
};

class Reader {
 public:
  explicit Reader(const std::string& B) : Bytes(B) {}
  int Int() {
    if (Pos + 4 > Bytes.size()) throw std::runtime_error("truncated");
    auto U = [&](size_t i) { return uint32_t(uint8_t(Bytes[Pos + i])); };
    int V = int(U(0) | U(1) << 8 | U(2) << 16 | U(3) << 24);
    Pos += 4;
    return V;
  }
  std::string Take(size_t N) {
    if (Pos + N > Bytes.size()) throw std::runtime_error("truncated");
    std::string S = Bytes.substr(Pos, N);
    Pos += N;
    return S;
  }
  bool AtEnd() const { return Pos == Bytes.size(); }
  const std::string& Bytes;
  size_t Pos = 0;
};

std::string Inflate(const std::string& In) {
  std::string Out(16384, '\0');
  uLongf Len = Out.size();
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(Out.data()), &Len, reinterpret_cast<const Bytef*>(In.data()), In.size()),
            Z_OK);
  Out.resize(Len);
  return Out;
}

Archive Parse(const std::string& Bytes) {
  Reader R(Bytes);
  Archive A;
  A.Title = R.Take(R.Int());
  A.TotalSize = R.Int();
  A.FileCount = R.Int();
  for (;;) {
    int NameLen = R.Int();
    if (NameLen == 0) {
      A.Complete = R.AtEnd();
      return A;
    }
    Entry E;
    E.Name = R.Take(NameLen);
    R.Int();  // date
    EXPECT_EQ(R.Take(4), std::string("EC2\0", 4));
    for (int Len = R.Int(); Len != 0; Len = R.Int()) {
      E.BlockLengths.push_back(Len);
      E.Data += Len > 0 ? Inflate(R.Take(Len)) : R.Take(-Len);
    }
    A.Entries.push_back(E);
  }
}

class BackupTest : public ::testing::Test {
 protected:
  // Packs Specs into memory and parses the result. A failed backup is a
  // test failure unless the caller asks for the result in Ok.
  Archive Pack(const std::vector<std::string>& Specs, bool* Ok = nullptr) {
    TStringList Files;
    for (auto& S : Specs) Files.Add(S);
    TMemoryStream Dest;
    bool R = Backup.Backup(&Files, &Dest);
    if (Ok)
      *Ok = R;
    else
      EXPECT_TRUE(R) << "the backup failed";
    Bytes.assign(static_cast<char*>(Dest.Memory()), Dest.Size());
    return Parse(Bytes);
  }
  TempTree T;
  TBackupFile Backup{nullptr};
  std::string Bytes;
};

}  // namespace

TEST_F(BackupTest, AnEmptyFileHasNoBlocks) {
  Backup.SaveFileID = false;
  Backup.BackupTitle = "KelpoM/KVS/DATA/REMOTE/\r\n";
  std::string P = T.Write("d/empty.oat", "");
  bool Ok;
  Archive A = Pack({P}, &Ok);
  EXPECT_TRUE(Ok);
  EXPECT_TRUE(A.Complete);
  EXPECT_EQ(A.Title, "KelpoM/KVS/DATA/REMOTE/\r\n");
  EXPECT_EQ(A.FileCount, 1);
  ASSERT_EQ(A.Entries.size(), 1u);
  EXPECT_EQ(A.Entries[0].Name, P);
  EXPECT_TRUE(A.Entries[0].BlockLengths.empty());
}

TEST_F(BackupTest, BlocksHoldAtMostSixteenKilobytesAndRandomDataIsStored) {
  Backup.SaveFileID = false;
  std::string Text(16385, 'a');
  std::mt19937 Rng(1);
  std::string Noise(20000, '\0');
  for (char& C : Noise) C = char(Rng());
  std::string P1 = T.Write("d/a.txt", Text), P2 = T.Write("d/b.bin", Noise);
  Archive A = Pack({P1, P2});
  ASSERT_EQ(A.Entries.size(), 2u);
  EXPECT_EQ(A.Entries[0].BlockLengths.size(), 2u);
  EXPECT_GT(A.Entries[0].BlockLengths[0], 0);
  EXPECT_EQ(A.Entries[0].Data, Text);
  // A full block of noise overflows the block buffer and is stored; a short
  // one still fits its deflated form and is kept deflated.
  ASSERT_EQ(A.Entries[1].BlockLengths.size(), 2u);
  EXPECT_EQ(A.Entries[1].BlockLengths[0], -16384);
  EXPECT_GT(A.Entries[1].BlockLengths[1], 0);
  EXPECT_EQ(A.Entries[1].Data, Noise);
  EXPECT_EQ(A.TotalSize, 16385 + 20000);
}

TEST_F(BackupTest, TheFileListComesFirstAndIsNotCounted) {
  std::string P = T.Write("d/x.oat", "12345");
  Archive A = Pack({P});
  ASSERT_EQ(A.Entries.size(), 2u);
  EXPECT_EQ(A.Entries[0].Name, "FILE:LIST");
  EXPECT_EQ(A.FileCount, 1);
  std::string Line = P + "\t" + std::to_string(FileAge(P)) + "=5\r\n";
  EXPECT_EQ(A.Entries[0].Data, Line);
  EXPECT_EQ(A.TotalSize, 5 + int(Line.size()));
}

TEST_F(BackupTest, WildcardsAndSubFoldersExpandWithoutDuplicates) {
  Backup.SaveFileID = false;
  T.Write("d/a.oat", "a");
  T.Write("d/sub/b.oat", "b");
  T.Write("d/sub/c.txt", "c");
  Archive A = Pack({T.Root + "d/*.oat /S", T.Root + "d/a.oat"});
  ASSERT_EQ(A.Entries.size(), 2u);
  EXPECT_EQ(A.Entries[0].Name, T.Root + "d/sub/b.oat");
  EXPECT_EQ(A.Entries[1].Name, T.Root + "d/a.oat");
}

TEST_F(BackupTest, AbortThroughProgressLeavesTheArchiveIncomplete) {
  Backup.SaveFileID = false;
  std::string P = T.Write("d/a.txt", std::string(50000, 'z'));
  std::vector<int> Seen;
  Backup.OnProgress = [&](TObject*, const String&, TPercentage Pc, bool& Continue) {
    Seen.push_back(Pc);
    if (Pc > 0 && Pc < 100) Continue = false;
  };
  bool Ok = true;
  TStringList Files;
  Files.Add(P);
  TMemoryStream Dest;
  Ok = Backup.Backup(&Files, &Dest);
  EXPECT_FALSE(Ok);
  ASSERT_GE(Seen.size(), 3u);
  EXPECT_EQ(Seen.front(), 0);
  EXPECT_EQ(Seen.back(), 100);
  std::string B(static_cast<char*>(Dest.Memory()), Dest.Size());
  EXPECT_THROW(Parse(B), std::runtime_error);
}

TEST_F(BackupTest, ANullDestinationFails) {
  TStringList Files;
  EXPECT_FALSE(Backup.Backup(&Files, nullptr));
}

TEST_F(BackupTest, PublishedPropertiesAreReachableByName) {
  EXPECT_EQ(GetStrProp(&Backup, "Version"), "5.10");
  SetEnumProp(&Backup, "BackupMode", "bmIncremental");
  EXPECT_TRUE(Backup.SetArchiveFlag);
  SetEnumProp(&Backup, "CompressionLevel", "clMax");
  EXPECT_EQ(Backup.CompressionLevel, clMax);
}

// Every deflated block is exactly what a fresh zlib stream makes of it, at
// each level, in file order, so archives stay byte for byte what readers
// have always seen although the writer reuses one deflate state across
// blocks and packs the batches of a file (32 blocks each, several in work
// at once) on several threads.
TEST_F(BackupTest, EachBlockIsPackedAsByAFreshDeflateStream) {
  Backup.SaveFileID = false;
  std::mt19937 Rng(7);
  std::string Content;
  for (int Block = 0; Block < 5 * 32 + 6; ++Block)  // text blocks and noise blocks in turn
    for (int I = 0; I < 16384; ++I)
      Content += Block % 3 == 1 ? char(Rng()) : "Auftrag 300000001 Kunde Meyer\r\n"[(I + Block) % 31];
  Content += "Rest";
  std::string P = T.Write("d/mixed.oat", Content);
  for (TCompressionLevel Level : {clFastest, clMax}) {
    Backup.CompressionLevel = Level;
    Archive A = Pack({P});
    ASSERT_EQ(A.Entries.size(), 1u);
    EXPECT_EQ(A.Entries[0].Data, Content);
    Reader R(Bytes);
    R.Take(R.Int() + 8);                            // title, size, count
    R.Take(R.Int() + 8);                            // name, date, marker
    for (std::size_t At = 0; At < Content.size(); At += 16384) {
      const std::string Plain = Content.substr(At, 16384);
      std::string Fresh(compressBound(Plain.size()), '\0');
      uLongf Len = Fresh.size();
      ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(Fresh.data()), &Len, reinterpret_cast<const Bytef*>(Plain.data()),
                          Plain.size(), Level == clMax ? 9 : 1),
                Z_OK);
      Fresh.resize(Len);
      const int Stored = R.Int();
      ASSERT_EQ(Stored > 0, Len <= 16384) << "block at " << At;
      EXPECT_EQ(R.Take(Stored > 0 ? Stored : -Stored), Stored > 0 ? Fresh : Plain) << "block at " << At;
    }
    EXPECT_EQ(R.Int(), 0);
    EXPECT_EQ(R.Int(), 0);
    EXPECT_TRUE(R.AtEnd());
  }
}

// An abort in the third batch of a file stops at its block although the
// batches after it were already read and packed: the blocks before it are
// written, each reported and let paint once, in order, on the caller's
// thread; nothing after them but the entry's end.
TEST_F(BackupTest, AnAbortDeepInAFileStopsAtItsBlock) {
  Backup.SaveFileID = false;
  constexpr int Blocks = 250, AbortAt = 70;  // no percentage ends in a half
  std::string Content;
  for (int Block = 0; Block < Blocks; ++Block) Content += std::string(16384, char('A' + Block % 26));
  std::string P = T.Write("d/big.oat", Content);
  const std::thread::id Caller = std::this_thread::get_id();
  bool Elsewhere = false;
  int Painted = 0;
  std::vector<int> Seen;
  struct TRestoreHook {
    std::function<void()> Saved = TBackupFile::ProcessMessagesHook;
    ~TRestoreHook() { TBackupFile::ProcessMessagesHook = Saved; }
  } RestoreHook;
  TBackupFile::ProcessMessagesHook = [&] {
    ++Painted;
    Elsewhere |= std::this_thread::get_id() != Caller;
  };
  Backup.OnProgress = [&](TObject*, const String&, TPercentage Pc, bool& Continue) {
    Elsewhere |= std::this_thread::get_id() != Caller;
    Seen.push_back(Pc);
    if (Seen.size() == 1 + AbortAt) Continue = false;
  };
  TStringList Files;
  Files.Add(P);
  TMemoryStream Dest;
  EXPECT_FALSE(Backup.Backup(&Files, &Dest));
  Bytes.assign(static_cast<char*>(Dest.Memory()), Dest.Size());
  EXPECT_FALSE(Elsewhere);
  EXPECT_EQ(Painted, AbortAt);
  ASSERT_EQ(Seen.size(), 1u + AbortAt + 1u);  // 0, one per block, 100
  for (int K = 1; K <= AbortAt; ++K) EXPECT_EQ(Seen[K], std::lround(K * 100.0 / Blocks)) << "block " << K;
  Reader R(Bytes);
  R.Take(R.Int() + 8);  // title, size, count
  R.Take(R.Int() + 8);  // name, date, marker
  std::string Data;
  int Written = 0;
  for (int Len = R.Int(); Len != 0; Len = R.Int(), ++Written) Data += Inflate(R.Take(Len));
  EXPECT_EQ(Written, AbortAt);
  EXPECT_EQ(Data, Content.substr(0, std::size_t(AbortAt) * 16384));
  EXPECT_TRUE(R.AtEnd());
}

// A destination that fails while later batches are in work ends the run
// with its error; no packing thread is left behind, and the next run
// writes a complete archive.
TEST_F(BackupTest, AFailedWriteInTheMiddleOfAFileEndsTheRun) {
  Backup.SaveFileID = false;
  std::mt19937 Rng(11);
  std::string Noise(4 << 20, '\0');
  for (char& C : Noise) C = char(Rng());
  std::string P = T.Write("d/noise.bin", Noise);
  std::vector<Integer> Errors;
  Backup.OnError = [&](TObject*, Integer Code, const String&) { Errors.push_back(Code); };
  TStringList Files;
  Files.Add(P);
  {
    TFileStream Dest(T.Root + "failed.arc", fmCreate);
    struct TDisarm {
      ~TDisarm() { os::FaultInjection::Reset(); }
    } Disarm;
    os::FaultInjection::FailNextWrites(1);
    EXPECT_FALSE(Backup.Backup(&Files, &Dest));
  }
  EXPECT_EQ(Errors, std::vector<Integer>{beCannotWriteArchive});
  Archive A = Pack({P});
  EXPECT_TRUE(A.Complete);
  ASSERT_EQ(A.Entries.size(), 1u);
  EXPECT_EQ(A.Entries[0].Data, Noise);
}

// A file cut short while it is read (a failed read looks the same to the
// stream) fails the run instead of ending up shorter in the archive.
TEST_F(BackupTest, AFileCutShortWhileItIsReadFailsTheRun) {
  std::string P = T.Write("d/big.bin", std::string(4 << 20, 'x'));
  std::vector<Integer> Errors;
  Backup.OnError = [&](TObject*, Integer Code, const String&) { Errors.push_back(Code); };
  int Blocks = 0;  // the file list's block comes first
  auto Previous = std::exchange(TBackupFile::ProcessMessagesHook, [&] {
    if (++Blocks == 3) ::truncate(P.c_str(), 1 << 21);
  });
  TStringList Files;
  Files.Add(P);
  TMemoryStream Dest;
  const bool Ok = Backup.Backup(&Files, &Dest);
  TBackupFile::ProcessMessagesHook = Previous;
  EXPECT_FALSE(Ok);
  EXPECT_EQ(Errors, std::vector<Integer>{beCannotReadFile});
}
