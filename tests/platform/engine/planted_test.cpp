// Files planted beside a table: the engine makes its own files there (index
// rebuilds, journals, new index files) new and exclusively, never through a
// link; a rebuild file left by a killed reindex goes by its name; a journal
// and the files it names are taken only as plain files with one name; a
// journal of any size is read in pieces, and a journal that ended goes
// although another handle holds it open.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "engine_fixture.h"
#include "largest_allocation.h"
#include "platform/engine/errors.h"
#include "platform/engine/txn_format.h"
#include "platform/os/files.h"

namespace {

namespace fs = std::filesystem;

class PlantedTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    OAKHANDLE T = Create("adr", "NAME,Character,10;NOTE,Memo"), I = 0;
    ASSERT_EQ(0u, OakCreateIndex61(T, "", "NAME", "NAME", "", "", OAK_COMPOUND, 0, &I));
    for (const char* N : {"a", "b", "c"}) Add(T, {{"NAME", N}, {"NOTE", std::string(200, *N)}});
    ASSERT_EQ(0u, OakCloseTable(T));
    Outside.emplace("oakoutside");
    Victim = Outside->Put("victim.txt", "victim\n");
  }
  void TearDown() override {
    Outside.reset();
    EngineTest::TearDown();
  }
  static bool IsLink(const std::string& Path) {
    struct stat St;
    return ::lstat(Path.c_str(), &St) == 0 && S_ISLNK(St.st_mode);
  }
  static bool IsPlain(const std::string& Path) {
    struct stat St;
    return ::lstat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
  }
  static bool Present(const std::string& Path) {
    struct stat St;
    return ::lstat(Path.c_str(), &St) == 0;
  }
  static std::string Read(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  }
  void Plant(const std::string& Name, const std::string& Target) {
    ASSERT_EQ(0, ::symlink(Target.c_str(), PathOf(Name).c_str())) << Name;
  }
  std::vector<std::string> Files() { return EngineTest::Files("adr"); }
  // The names the tag NAME of T walks.
  static std::vector<std::string> Names(OAKHANDLE T) {
    OAKHANDLE I = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakGetIndexHandle(T, "NAME", &I));
    return Walk(I, "NAME");
  }
  // A journal of transaction kId that keeps Bytes as the old bytes of
  // page 0 of Path (whose old size was Size), counting End bytes (0: its
  // entries); the table at Path is marked as that transaction's when
  // Mark.
  static constexpr std::uint64_t kId = 0x5EEDF00D;
  static std::string Journal(const std::string& Path, std::uint64_t Size, const std::string& Bytes,
                             std::uint64_t End = 0) {
    namespace j = oak::journal;
    const std::string Entries = j::EncodeEntry(Path, Size, j::kSizeRecord, "") + j::EncodeEntry(Path, Size, 0, Bytes);
    return j::EncodeHeader(kId, End ? End : j::kHeaderBytes + Entries.size()) + Entries;
  }
  void Mark(const std::string& Table) const {
    std::string Bytes = ReadFile(Table);
    std::memcpy(Bytes.data() + 40, &kId, 8);
    WriteFile(Table, Bytes);
  }
  // The table file as it stands, its first record's name changed: a
  // journal entry that would write it back changes the table.
  std::string ChangedTable() {
    std::string Table = ReadFile("adr.OAT");
    const std::size_t At = Table.rfind(std::string(1, 'a') + std::string(9, ' '));
    EXPECT_NE(std::string::npos, At);
    if (At != std::string::npos) Table[At] = 'z';
    return Table;
  }
  UNSIGNED32 OpenReadOnly(OAKHANDLE* T) {
    return OakOpenTable(Conn, "adr", nullptr, OAK_OAT, OAK_ANSI, 1, 1, OAK_READONLY, T);
  }

  std::optional<TempDir> Outside;
  std::string Victim;
};

// A link at "<index>.rebuild", leading to a file outside or to nothing: a
// full reindex and the catch-up of a stale index at a plain open remove
// the link (never what it leads to) and rebuild into a new file of their
// own; the index stays a plain file. A rebuild file a killed reindex left
// goes at the next open.
TEST_F(PlantedTest, LinksAtTheRebuildNameAreRemovedNeverWrittenThrough) {
  const std::string Rebuild = PathOf("adr.OAI.rebuild"), Absent = *Outside / "absent";
  OAKHANDLE T = OpenOk("adr");
  Plant("adr.OAI.rebuild", Victim);
  ASSERT_EQ(0u, OakReindex61(T, 0)) << LastErrorText();
  EXPECT_EQ("victim\n", Read(Victim));
  EXPECT_TRUE(IsPlain(PathOf("adr.OAI")));
  EXPECT_FALSE(Present(Rebuild));
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Names(T));

  Plant("adr.OAI.rebuild", Absent);
  ASSERT_EQ(0u, OakReindex61(T, 0)) << LastErrorText();
  EXPECT_FALSE(Present(Absent));
  EXPECT_TRUE(IsPlain(PathOf("adr.OAI")));
  EXPECT_FALSE(Present(Rebuild));

  Plant("ADR.oai.REBUILD", Victim);  // names match without regard to case
  ASSERT_EQ(0u, OakReindex61(T, 0)) << LastErrorText();
  EXPECT_EQ("victim\n", Read(Victim));
  EXPECT_FALSE(Present(PathOf("ADR.oai.REBUILD")));
  EXPECT_TRUE(IsPlain(PathOf("adr.OAI")));

  // An index that missed a write, caught up by the next open.
  const std::string Stale = ReadFile("adr.OAI");
  Add(T, {{"NAME", "d"}, {"NOTE", "dd"}});
  ASSERT_EQ(0u, OakCloseTable(T));
  WriteFile("adr.OAI", Stale);
  Plant("adr.OAI.rebuild", Victim);
  T = OpenOk("adr");
  EXPECT_EQ("victim\n", Read(Victim));
  EXPECT_TRUE(IsPlain(PathOf("adr.OAI")));
  EXPECT_FALSE(Present(Rebuild));
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), Names(T));
  ASSERT_EQ(0u, OakCloseTable(T));

  // Left by a killed reindex, beside an index that is up to date: a file,
  // and a link.
  for (bool Link : {false, true}) {
    if (Link)
      Plant("adr.OAI.rebuild", Victim);
    else
      WriteFile("adr.OAI.rebuild", "half a rebuild");
    T = OpenOk("adr");
    EXPECT_FALSE(Present(Rebuild)) << Link;
    EXPECT_EQ(4u, Names(T).size());
    ASSERT_EQ(0u, OakCloseTable(T));
  }
  EXPECT_EQ("victim\n", Read(Victim));
}

// A new index file and a transaction's journal are made new: a link at
// their names (one leading nowhere too) refuses the work, and nothing is
// written where it leads.
TEST_F(PlantedTest, LinksAtTheNamesOfNewIndexAndJournalFilesRefuseTheWork) {
  const std::string Absent = *Outside / "absent";
  OAKHANDLE T = OpenOk("adr"), I = OAK_INVALID_HANDLE;
  Plant("names.OAI", Absent);
  EXPECT_NE(0u, OakCreateIndex61(T, "names.OAI", "N2", "NAME", "", "", OAK_COMPOUND, 0, &I));
  EXPECT_FALSE(Present(Absent));
  EXPECT_TRUE(IsLink(PathOf("names.OAI")));

  const auto Before = Files();
  for (const char* Name : {"adr.OAT.OAJ", "adr.OAM.OAJ", "adr.OAI.OAJ"}) Plant(Name, Victim);
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  ASSERT_EQ(0u, OakGotoRecord(T, 1));
  Set(T, "NOTE", "changed");
  UNSIGNED32 Code = OakAppendRecord(T);  // writes the change
  if (Code == 0) {
    Set(T, "NAME", "e");
    Code = OakWriteRecord(T);
  }
  if (Code == 0) Code = OakCommitTransaction(Conn);
  EXPECT_EQ(5095u, Code);
  EXPECT_NE(std::string::npos, LastErrorText().find(".OAJ exists already")) << LastErrorText();
  EXPECT_EQ(0u, OakRollbackTransaction(Conn)) << LastErrorText();
  EXPECT_EQ("victim\n", Read(Victim));
  for (const char* Name : {"adr.OAT.OAJ", "adr.OAM.OAJ", "adr.OAI.OAJ"}) EXPECT_TRUE(IsLink(PathOf(Name)));
  ASSERT_EQ(0u, OakCloseTable(T));
  EXPECT_EQ(Before, Files());

  // A link at a journal's name is no journal: the open refuses, naming it.
  EXPECT_EQ(5095u, Open("adr", &T));
  EXPECT_NE(std::string::npos, LastErrorText().find("not a plain file")) << LastErrorText();
  for (const char* Name : {"adr.OAT.OAJ", "adr.OAM.OAJ", "adr.OAI.OAJ"}) fs::remove(PathOf(Name));
  T = OpenOk("adr");
  EXPECT_EQ(3u, Count(T));
  EXPECT_EQ("victim\n", Read(Victim));
}

// A journal whose target has a second name (a hard link to a file outside)
// is refused like any other journal that is not to be applied: the
// outside file, the table and the journal stay as they are, also for a
// read-only open.
TEST_F(PlantedTest, JournalTargetWithAHardLinkIsRefusedAndTheOutsideFileUntouched) {
  const std::string Held = *Outside / "adr.OAT";
  fs::rename(PathOf("adr.OAT"), Held);
  ASSERT_EQ(0, ::link(Held.c_str(), PathOf("adr.OAT").c_str()));
  const std::string Changed = ChangedTable();
  Mark("adr.OAT");
  const std::string Kept = Read(Held);
  WriteFile("adr.OAT.OAJ", Journal(PathOf("adr.OAT"), Changed.size(), Changed));
  for (bool ReadOnly : {true, false}) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(5095u, ReadOnly ? OpenReadOnly(&T) : Open("adr", &T)) << ReadOnly;
    EXPECT_NE(std::string::npos, LastErrorText().find("other names")) << LastErrorText();
    EXPECT_EQ(Kept, Read(Held));
    EXPECT_TRUE(Present(PathOf("adr.OAT.OAJ")));
  }
  // With one name again the journal is applied.
  fs::remove(Held);
  OAKHANDLE T = OpenOk("adr");
  EXPECT_FALSE(Present(PathOf("adr.OAT.OAJ")));
  ASSERT_EQ(0u, OakGotoRecord(T, 1));
  EXPECT_EQ("z", Get(T, "NAME"));
}

// A journal of gigabytes that are mostly a hole is refused at its first
// entry that is none, in little memory and time; a journal larger than
// the pieces it is read in is applied exactly.
TEST_F(PlantedTest, JournalsAreReadInPiecesWhateverTheirSize) {
  const std::string Changed = ChangedTable();
  Mark("adr.OAT");
  const auto Before = Files();
  WriteFile("adr.OAT.OAJ", Journal(PathOf("adr.OAT"), Changed.size(), Changed, 3ull << 30));
  ASSERT_EQ(0, ::truncate(PathOf("adr.OAT.OAJ").c_str(), 3ll << 30));
  {
    mds_test::TLargestAllocation Probe;
    const auto Start = std::chrono::steady_clock::now();
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(5095u, Open("adr", &T));
    EXPECT_NE(std::string::npos, LastErrorText().find(PathOf("adr.OAT.OAJ"))) << LastErrorText();
    EXPECT_NE(std::string::npos, LastErrorText().find("is damaged")) << LastErrorText();
    // Read whole, the journal took 3 GiB and half a minute.
    EXPECT_LT(Probe.Bytes(), std::size_t(1) << 20);
    const auto Ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start).count();
    EXPECT_LT(Ms, 10000);
  }
  EXPECT_EQ(Before, Files());
  EXPECT_TRUE(Present(PathOf("adr.OAT.OAJ")));
  fs::remove(PathOf("adr.OAT.OAJ"));

  // A transaction that changed every record of a larger table, killed
  // before its end: a journal of many pieces, rolled back exactly.
  OAKHANDLE T = OpenOk("adr");
  for (int N = 0; N < 1500; ++N) Add(T, {{"NAME", "n" + std::to_string(N)}, {"NOTE", std::string(300, 'n')}});
  ASSERT_EQ(0u, OakCloseTable(T));
  const auto Full = Files();
  if (fork() == 0) {
    OAKHANDLE C = 0, X = 0;
    OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
    OakOpenTable(C, "adr", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &X);
    OakBeginTransaction(C);
    UNSIGNED16 Eof = 0;
    for (OakGotoTop(X); OakAtEOF(X, &Eof) == 0 && !Eof; OakSkip(X, 1)) {
      OakSetField(X, 1, "changed", 7);
      OakSetField(X, 2, "changed", 7);
      if (OakWriteRecord(X)) _exit(3);
    }
    // A second handle that reads has the first one write what the
    // transaction kept back, under the journal.
    OAKHANDLE Y = 0;
    OakOpenTable(C, "adr", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &Y);
    OakGotoTop(Y);
    _exit(0);
  }
  int Status = 0;
  wait(&Status);
  ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  std::uintmax_t Journals = 0;
  for (auto& E : fs::directory_iterator(Dir))
    if (E.path().extension() == ".OAJ") Journals += fs::file_size(E.path());
  ASSERT_GT(Journals, 4u * 64 * 1024);
  T = OpenOk("adr");
  EXPECT_EQ(Full, Files());
  EXPECT_EQ(1503u, Count(T));
}

// A transaction that ended takes its journal's name away although another
// handle (another program looking for journals) holds the journal open:
// no later open takes it for a journal left by a killed process and undoes
// the committed change.
TEST_F(PlantedTest, EndedTransactionRemovesItsJournalWhileAnotherHandleHoldsIt) {
  OAKHANDLE T = OpenOk("adr");
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  ASSERT_EQ(0u, OakGotoRecord(T, 1));
  Set(T, "NAME", "x");
  ASSERT_EQ(0u, OakWriteRecord(T));
  ASSERT_EQ(0u, OakCloseTable(T));  // written at the commit; the journal holds the header page
  std::vector<std::unique_ptr<os::File>> Readers;
  for (auto& E : fs::directory_iterator(Dir))
    if (E.path().extension() == ".OAJ") {
      Readers.push_back(std::make_unique<os::File>());
      ASSERT_TRUE(Readers.back()->Open(E.path().string(), os::Access::Read, os::Share::DenyNone).ok());
    }
  ASSERT_FALSE(Readers.empty());
  ASSERT_EQ(0u, OakCommitTransaction(Conn)) << LastErrorText();
  for (auto& E : fs::directory_iterator(Dir)) EXPECT_NE(".OAJ", E.path().extension()) << E.path();
  Readers.clear();
  OAKHANDLE Other = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("adr", &Other, false, Connect()));
  ASSERT_EQ(0u, OakGotoRecord(Other, 1));
  EXPECT_EQ("x", Get(Other, "NAME"));
  EXPECT_EQ((std::vector<std::string>{"b", "c", "x"}), Names(Other));
}

}  // namespace

namespace {

// A refused journal is kept whole with its cause, whatever the length of
// its path: its form (here: a path outside its folder), or a file it must
// restore that another program holds exclusively, which the first open
// after that program let go of applies.
TEST_F(PlantedTest, RefusedJournalIsKnownWholeWithItsCause) {
  std::string Deep = Dir;
  while (Deep.size() < 700) Deep += "/" + std::string(120, 'd');
  ASSERT_TRUE(fs::create_directories(Deep));
  OAKHANDLE C = 0, T = 0;
  ASSERT_EQ(0u, OakConnect60(Deep.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C));
  Extra.push_back(C);
  ASSERT_EQ(0u, OakCreateTable(C, "deep", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "NAME,Character,10", &T));
  ASSERT_EQ(0u, OakCloseTable(T));
  const std::string DeepJournal = Deep + "/deep.OAT.OAJ";
  std::ofstream(DeepJournal, std::ios::binary) << Journal(Victim, 7, "changed");
  EXPECT_EQ(5095u, Open("deep", &T, false, C));
  EXPECT_EQ(DeepJournal, oak::LastRefusedJournal().Path);
  EXPECT_EQ(oak::TJournalCause::Form, oak::LastRefusedJournal().Cause);
  EXPECT_EQ("victim\n", Read(Victim));
  // Any other error forgets it.
  EXPECT_NE(0u, Open("missing", &T));
  EXPECT_EQ("", oak::LastRefusedJournal().Path);

  OAKHANDLE Other = Create("other", "N,Integer"), Held = 0;
  ASSERT_EQ(0u, OakCloseTable(Other));
  ASSERT_EQ(0u, Open("adr", &Held, true));
  ASSERT_EQ(0u, OakCloseTable(Held));
  const std::string Changed = ChangedTable();
  Mark("adr.OAT");
  ASSERT_EQ(0u, Open("adr", &Held, true));
  WriteFile("adr.OAT.OAJ", Journal(PathOf("adr.OAT"), Changed.size(), Changed));
  EXPECT_EQ(5095u, Open("other", &Other));
  EXPECT_EQ(PathOf("adr.OAT.OAJ"), oak::LastRefusedJournal().Path);
  EXPECT_EQ(oak::TJournalCause::Held, oak::LastRefusedJournal().Cause);
  ASSERT_EQ(0u, OakCloseTable(Held));
  ASSERT_EQ(0u, Open("other", &Other)) << LastErrorText();
  EXPECT_FALSE(Present(PathOf("adr.OAT.OAJ")));
  ASSERT_EQ(0u, OakCloseTable(Other));
  OAKHANDLE A = OpenOk("adr");
  ASSERT_EQ(0u, OakGotoRecord(A, 1));
  EXPECT_EQ("z", Get(A, "NAME"));
}

}  // namespace
