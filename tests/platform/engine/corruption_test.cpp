// Damaged files: whatever bytes a table, memo or index file holds, every
// entry point answers with a code and never crashes.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <random>

#include "engine_fixture.h"
#include "largest_allocation.h"
#include "memo_reference.h"
#include "platform/engine/errors.h"

namespace {

class CorruptionTest : public EngineTest {
 protected:
  // A small table with a memo and an index, closed.
  void MakeTable() {
    OAKHANDLE T = Create("db", "NAME,Character,8;NR,Integer;NOTE,Memo;D,Date");
    OAKHANDLE I = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakCreateIndex61(T, "", "NAME", "NAME", "", "", OAK_COMPOUND, 0, &I));
    for (int N = 0; N < 40; ++N)
      Add(T, {{"NAME", "n" + std::to_string(N % 7)}, {"NR", std::to_string(N)},
              {"NOTE", std::string(N * 5, 'x')}});
    ASSERT_EQ(0u, OakCloseTable(T));
  }
  void Flip(const std::string& File, std::mt19937& Rng, int Count) {
    std::string Bytes = ReadFile(File);
    if (Bytes.empty()) return;
    for (int I = 0; I < Count; ++I) Bytes[Rng() % Bytes.size()] ^= static_cast<char>(1 + Rng() % 255);
    std::ofstream(PathOf(File), std::ios::binary | std::ios::trunc) << Bytes;
  }
  // The result of one entry point on damaged files: success or one of the
  // engine's own error codes for bad data, never an unknown code and never
  // the code of an unexpected internal failure (an exception the engine
  // did not expect).
  UNSIGNED32 Check(UNSIGNED32 Code, const char* Call) {
    EXPECT_TRUE(Code == 0 || (Code != oak::E_INTERNAL && oak::ErrorText(Code) != oak::ErrorText(1)))
        << Call << " returned " << Code << ": " << LastErrorText();
    return Code;
  }
  // Opens and walks every record in both orders, reading every field.
  void Exercise() {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    if (Check(Open("db", &T), "open") != 0) return;
    OAKHANDLE I = OAK_INVALID_HANDLE;
    Check(OakGetIndexHandle(T, "NAME", &I), "index handle");
    for (OAKHANDLE Order : {T, I}) {
      if (Order == OAK_INVALID_HANDLE) continue;
      if (Check(OakGotoTop(Order), "goto top")) continue;
      for (int Steps = 0; Steps < 100; ++Steps) {
        UNSIGNED16 Eof = 1;
        if (Check(OakAtEOF(T, &Eof), "at eof") || Eof) break;
        for (UNSIGNED16 F = 1; F <= 4; ++F) {
          char Buf[512];
          UNSIGNED32 Len = sizeof Buf;
          Check(OakGetField(T, F, Buf, &Len, OAK_NONE), "get field");
        }
        if (Check(OakSkip(Order, 1), "skip")) break;
      }
    }
    const char* Key = "n3";
    UNSIGNED16 Found = 0;
    if (I != OAK_INVALID_HANDLE) Check(OakSeek(I, Key, 2, OAK_STRINGKEY, OAK_HARDSEEK, &Found), "seek");
    EXPECT_EQ(0u, OakCloseTable(T));
  }
};

TEST_F(CorruptionTest, RandomByteFlipsNeverCrash) {
  std::mt19937 Rng(11);
  for (int Round = 0; Round < 60; ++Round) {
    MakeTable();
    const char* Files[] = {"db.OAT", "db.OAM", "db.OAI"};
    Flip(Files[Round % 3], Rng, 1 + Round % 5);
    Exercise();
    for (const char* F : Files) std::filesystem::remove(PathOf(F));
  }
}

TEST_F(CorruptionTest, IndexFileOfGarbageGivesACode) {
  MakeTable();
  std::ofstream(PathOf("db.OAI"), std::ios::binary | std::ios::trunc) << std::string(5000, '\x5A');
  OAKHANDLE T = OAK_INVALID_HANDLE;
  UNSIGNED32 R = Open("db", &T);
  EXPECT_TRUE(R == 5320u || R == 5321u) << R;
  EXPECT_FALSE(LastErrorText().empty());
}

TEST_F(CorruptionTest, ReindexRepairsScrambledTreePages) {
  MakeTable();
  std::string Oai = ReadFile("db.OAI");
  int Scrambled = 0;
  for (size_t Page = 4096; Page + 4096 <= Oai.size(); Page += 4096)
    if (Oai[Page] == 1 || Oai[Page] == 2) {  // leaf or inner page of a tree
      for (size_t B = Page + 4; B < Page + 4096; ++B) Oai[B] = static_cast<char>(B * 31);
      ++Scrambled;
    }
  ASSERT_GT(Scrambled, 0);
  std::ofstream(PathOf("db.OAI"), std::ios::binary | std::ios::trunc) << Oai;
  OAKHANDLE T = OpenOk("db", true);
  OAKHANDLE Broken = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakGetIndexHandle(T, "NAME", &Broken));
  EXPECT_NE(0u, OakGotoTop(Broken));
  OAKHANDLE I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakGetIndexHandle(T, "NAME", &I));
  ASSERT_EQ(0u, OakReindex61(T, 0));
  EXPECT_EQ(40u, Walk(I, "NAME").size());
  EXPECT_EQ("n0", Walk(I, "NAME").front());
}

TEST_F(CorruptionTest, TableWithoutItsMemoFileGivesNotFound) {
  MakeTable();
  std::filesystem::remove(PathOf("db.OAM"));
  OAKHANDLE T = OAK_INVALID_HANDLE;
  EXPECT_EQ(5002u, Open("db", &T));
}

}  // namespace

namespace {

// A memo reference that claims more than the memo file holds (a block past
// its end, a length past it, or both within a header whose end block lies
// far past the file) is corrupt, and nothing near the claim is allocated.
TEST_F(CorruptionTest, MemoReferencePastTheFileIsCorruptAndAllocatesNothingLarge) {
  MakeTable();
  const std::string Memo = ReadFile("db.OAM");
  // Block, length, and an end block for the header (0: as it is).
  const std::array<std::uint32_t, 3> Damages[] = {
      {0x7FFFFFF0u, 0xF0000000u, 0}, {1, 0x48000000u, 0}, {1, 0xFFFFFFF0u, 0xFFFFFFF0u}};
  for (const auto& Damage : Damages) {
    std::string Header = Memo;
    if (Damage[2]) Header.replace(16, 4, reinterpret_cast<const char*>(&Damage[2]), 4);
    std::ofstream(PathOf("db.OAM"), std::ios::binary | std::ios::trunc) << Header;
    mds_test::SetMemoReference(PathOf("db.OAT"), 2, 1 + 8 + 4, Damage[0], Damage[1]);
    OAKHANDLE T = OpenOk("db");
    ASSERT_EQ(0u, OakGotoRecord(T, 2));
    mds_test::TLargestAllocation Probe;
    char Buf[64];
    UNSIGNED32 Len = sizeof Buf;
    EXPECT_EQ(5011u, OakGetMemoLength(T, 3, &Len));
    EXPECT_EQ(5011u, OakGetField(T, 3, Buf, &Len, OAK_NONE));
    EXPECT_LT(Probe.Bytes(), 1u << 20) << Damage[0] << " " << Damage[1];
    ASSERT_EQ(0u, OakCloseTable(T));
  }
}

// Cuts the file at Path to nothing from another process, as a copy made
// over an open table does for a moment.
void CutToNothingFromAnotherProcess(const std::string& Path) {
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    const int Fd = ::open(Path.c_str(), O_WRONLY);
    ::_exit(Fd >= 0 && ::ftruncate(Fd, 0) == 0 ? 0 : 1);
  }
  int Status = -1;
  ASSERT_EQ(Pid, ::waitpid(Pid, &Status, 0));
  ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
}

// A shared handle walking a table that another program cuts to nothing
// gets an error naming the file at its next step instead of the process
// ending; once the table's bytes are back in the file, the walk goes on.
TEST_F(CorruptionTest, TableCutToNothingUnderAWalkGivesAnErrorNamingTheFile) {
  OAKHANDLE T = Create("walk", "NAME,Character,10");
  for (int I = 1; I <= 20; ++I) Add(T, {{"NAME", "r" + std::to_string(I)}});
  ASSERT_EQ(0u, OakCloseTable(T));
  const std::string Table = ReadFile("walk.OAT");
  OAKHANDLE A = OpenOk("walk");
  ASSERT_EQ(0u, OakGotoTop(A));
  ASSERT_EQ(0u, OakSkip(A, 1));
  EXPECT_EQ("r2", Get(A, "NAME"));
  CutToNothingFromAnotherProcess(PathOf("walk.OAT"));
  EXPECT_EQ(UNSIGNED32(oak::E_CORRUPT_TABLE), OakSkip(A, 1));
  const std::string Text = LastErrorText();
  EXPECT_NE(std::string::npos, Text.find("walk.OAT: header cut short")) << Text;
  EXPECT_EQ(UNSIGNED32(oak::E_CORRUPT_TABLE), OakGotoTop(A));  // the file is still empty
  std::ofstream(PathOf("walk.OAT"), std::ios::binary | std::ios::trunc) << Table;
  ASSERT_EQ(0u, OakGotoTop(A)) << LastErrorText();
  ASSERT_EQ(0u, OakSkip(A, 2));
  EXPECT_EQ("r3", Get(A, "NAME"));
  EXPECT_EQ(0u, OakCloseTable(A));
}

}  // namespace
