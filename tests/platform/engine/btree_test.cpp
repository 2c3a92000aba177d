// The B+tree of an index tag and its page file: agreement with a sorted
// model under random change, bulk load, seeks, cursors that survive
// changes, key positions and damaged pages.
#include "platform/engine/btree.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <set>

#include "platform/engine/expr_error.h"
#include "temp_dir.h"

namespace oak {
namespace {

using Entry = std::pair<std::string, std::uint32_t>;

class BTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(512, 8); }

  void Open(std::uint32_t PageSize, std::uint16_t KeyLength) {
    Tree.reset();
    File = Pager::Create(NewMemoryBlockFile(), PageSize, 0);
    State = BTreeState();
    State.KeyLength = KeyLength;
    Tree = std::make_unique<BTree>(*File, State);
    Model.clear();
  }
  // Bulk-loads Entries in their order, each as a leaf slot holds it.
  void Load(const std::vector<Entry>& Entries) {
    std::vector<std::string> Slots;
    for (const Entry& E : Entries) {
      std::string S = E.first;
      for (int B = 3; B >= 0; --B) S += char(E.second >> (8 * B));
      Slots.push_back(S);
    }
    std::vector<const std::uint8_t*> Pointers;
    for (const std::string& S : Slots) Pointers.push_back(reinterpret_cast<const std::uint8_t*>(S.data()));
    Tree->BulkLoad(Pointers);
  }
  std::string Key(std::uint32_t N) {
    // N in decimal, padded with zeros to the key length (cut to it when
    // longer).
    std::string Digits = std::to_string(N);
    if (Digits.size() < State.KeyLength) Digits.insert(0, State.KeyLength - Digits.size(), '0');
    return Digits.substr(0, State.KeyLength);
  }
  void Add(const std::string& K, std::uint32_t R) {
    ASSERT_EQ(Tree->Insert(K, R), Model.insert({K, R}).second);
  }
  void Drop(const std::string& K, std::uint32_t R) {
    ASSERT_EQ(Tree->Remove(K, R), Model.erase({K, R}) == 1);
  }
  // Walks the tree both ways and compares it with the model.
  void ExpectSameAsModel() {
    ASSERT_NO_THROW(Tree->Verify());
    ASSERT_EQ(Tree->Count(), Model.size());
    BTreeCursor C(*Tree);
    auto It = Model.begin();
    for (bool Ok = C.First(); Ok; Ok = C.Next(), ++It) {
      ASSERT_NE(It, Model.end());
      ASSERT_EQ(std::string(C.Key()), It->first);
      ASSERT_EQ(C.RecNo(), It->second);
    }
    ASSERT_EQ(It, Model.end());
    auto R = Model.rbegin();
    for (bool Ok = C.Last(); Ok; Ok = C.Prev(), ++R) {
      ASSERT_NE(R, Model.rend());
      ASSERT_EQ(std::string(C.Key()), R->first);
      ASSERT_EQ(C.RecNo(), R->second);
    }
    ASSERT_EQ(R, Model.rend());
  }
  // Random inserts (60 %) and deletes of present entries (40 %).
  void RandomChanges(int Count, std::uint32_t KeyRange) {
    std::uniform_int_distribution<std::uint32_t> K(0, KeyRange), Rec(1, 1000000);
    std::uniform_int_distribution<int> Op(0, 9);
    for (int i = 0; i < Count; ++i) {
      if (Op(Rng) < 6 || Model.empty()) {
        Add(Key(K(Rng)), Rec(Rng));
      } else {
        auto It = Model.lower_bound({Key(K(Rng)), 0});
        if (It == Model.end()) It = Model.begin();
        Entry E = *It;
        Drop(E.first, E.second);
      }
    }
  }

  std::unique_ptr<Pager> File;
  BTreeState State;
  std::unique_ptr<BTree> Tree;
  std::set<Entry> Model;
  std::mt19937 Rng{4711};
};

TEST_F(BTreeTest, HundredThousandRandomChangesMatchTheSortedModel) {
  RandomChanges(100000, 20000);
  ExpectSameAsModel();
  while (!Model.empty()) {  // empty it again: pages go back to the free list
    Entry E = *Model.begin();
    Drop(E.first, E.second);
  }
  ExpectSameAsModel();
  std::uint32_t Pages = File->PageCount();
  RandomChanges(20000, 5000);
  EXPECT_LE(File->PageCount(), Pages);
}

TEST_F(BTreeTest, BulkLoadBuildsTheSameTree) {
  std::vector<Entry> Sorted;
  for (std::uint32_t i = 0; i < 100000; ++i) Sorted.emplace_back(Key(i / 3), i);
  std::sort(Sorted.begin(), Sorted.end());
  Load(Sorted);
  Model.insert(Sorted.begin(), Sorted.end());
  ExpectSameAsModel();
  RandomChanges(20000, 40000);
  ExpectSameAsModel();
}

TEST_F(BTreeTest, DirtyPagesBeyondATinyCacheSpillAndComeBackAtFlushOrGoAtDiscard) {
  std::string Image;
  File = Pager::Create(NewMemoryBlockFileOver(Image), 512, 0);
  File->SetCacheLimit(8);
  Tree = std::make_unique<BTree>(*File, State);
  RandomChanges(20000, 20000);  // nothing flushed: every page changed stays dirty
  EXPECT_GT(File->SpilledPages(), 100u);
  ExpectSameAsModel();
  File->Flush();
  EXPECT_EQ(File->SpilledPages(), 0u);
  const BTreeState Flushed = State;
  const std::set<Entry> FlushedModel = Model;
  RandomChanges(5000, 20000);
  ExpectSameAsModel();
  EXPECT_GT(File->SpilledPages(), 0u);
  File->Discard();
  EXPECT_FALSE(File->HasChanges());
  State = Flushed;
  Model = FlushedModel;
  ExpectSameAsModel();
  // The file holds the flushed tree, page for page.
  File = Pager::Open(NewMemoryBlockFile(Image), false);
  Tree = std::make_unique<BTree>(*File, State);
  ExpectSameAsModel();
}

TEST_F(BTreeTest, BulkLoadRefusesUnsortedInput) {
  EXPECT_THROW(Load({{Key(2), 1}, {Key(1), 1}}), EEngineError);
}

TEST_F(BTreeTest, EqualKeysKeepRecordOrderAndExactDuplicatesAreRefused) {
  Add(Key(5), 30);
  Add(Key(5), 10);
  Add(Key(5), 20);
  EXPECT_FALSE(Tree->Insert(Key(5), 20));
  EXPECT_TRUE(Tree->ContainsKey(Key(5)));
  EXPECT_FALSE(Tree->ContainsKey(Key(6)));
  BTreeCursor C(*Tree);
  ASSERT_TRUE(C.SeekGE(Key(5)));
  EXPECT_EQ(C.RecNo(), 10u);
  EXPECT_FALSE(Tree->Remove(Key(5), 99));
  ExpectSameAsModel();
}

TEST_F(BTreeTest, SeeksFindPartialAndBoundaryKeys) {
  for (std::uint32_t i = 0; i < 3000; i += 10) Add(Key(i), i);
  BTreeCursor C(*Tree);
  ASSERT_TRUE(C.SeekGE(Key(1005)));
  EXPECT_EQ(C.RecNo(), 1010u);
  ASSERT_TRUE(C.SeekGE("0000100"));  // partial: every key beginning 0000100
  EXPECT_EQ(C.RecNo(), 1000u);
  ASSERT_TRUE(C.SeekGT("0000100"));
  EXPECT_EQ(C.RecNo(), 1010u);
  ASSERT_TRUE(C.SeekLE("0000100"));
  EXPECT_EQ(C.RecNo(), 1000u);
  ASSERT_TRUE(C.SeekLE(Key(5)));
  EXPECT_EQ(C.RecNo(), 0u);
  ASSERT_TRUE(C.SeekLE(""));  // every key begins with the empty prefix
  EXPECT_EQ(C.RecNo(), 2990u);
}

TEST_F(BTreeTest, SeeksPastTheEnds) {
  for (std::uint32_t i = 10; i < 20; ++i) Add(Key(i), i);
  BTreeCursor C(*Tree);
  EXPECT_FALSE(C.SeekGE(Key(20)));
  EXPECT_FALSE(C.Valid());
  EXPECT_FALSE(C.SeekLE(Key(9)));
  ASSERT_TRUE(C.SeekGE(""));
  EXPECT_EQ(C.RecNo(), 10u);
  EXPECT_TRUE(C.SeekEntry(Key(15), 15));
  EXPECT_FALSE(C.SeekEntry(Key(15), 16));
  EXPECT_EQ(C.RecNo(), 16u);  // stands on the next entry
}

TEST_F(BTreeTest, CursorFindsItsWayAfterChanges) {
  for (std::uint32_t i = 0; i < 2000; ++i) Add(Key(i), i);
  BTreeCursor C(*Tree);
  ASSERT_TRUE(C.SeekGE(Key(1000)));
  Drop(Key(1000), 1000);  // the entry under the cursor goes
  Drop(Key(1001), 1001);
  ASSERT_TRUE(C.Next());
  EXPECT_EQ(C.RecNo(), 1002u);
  Add(Key(1001), 1001);
  for (std::uint32_t i = 3000; i < 5000; ++i) Add(Key(i), i);  // splits everywhere
  ASSERT_TRUE(C.Prev());
  EXPECT_EQ(C.RecNo(), 1001u);
  ASSERT_TRUE(C.Prev());
  EXPECT_EQ(C.RecNo(), 999u);
}

TEST_F(BTreeTest, KeyPositionsOfSmallTreesAreExact) {
  for (std::uint32_t i = 0; i < 1001; ++i) Add(Key(i), i);
  BTreeCursor C(*Tree);
  ASSERT_TRUE(C.SeekGE(Key(250)));
  EXPECT_EQ(C.KeyNumber(), 251u);
  EXPECT_DOUBLE_EQ(C.RelativePosition(), 0.25);
  ASSERT_TRUE(C.SetRelativePosition(0.5));
  EXPECT_EQ(C.RecNo(), 500u);
  ASSERT_TRUE(C.SetRelativePosition(1.0));
  EXPECT_EQ(C.RecNo(), 1000u);
  ASSERT_TRUE(C.SetRelativePosition(-3));
  EXPECT_EQ(C.RecNo(), 0u);
}

TEST_F(BTreeTest, KeyPositionsOfLargeTreesAreClose) {
  std::vector<Entry> Sorted;
  for (std::uint32_t i = 0; i < 400000; ++i) Sorted.emplace_back(Key(i), i);
  Load(Sorted);
  BTreeCursor C(*Tree);
  for (double P : {0.0, 0.1, 0.37, 0.5, 0.9, 1.0}) {
    ASSERT_TRUE(C.SetRelativePosition(P));
    EXPECT_NEAR(C.RecNo() / 399999.0, P, 0.01) << P;
    EXPECT_NEAR(C.RelativePosition(), P, 0.01) << P;
  }
  ASSERT_TRUE(C.SeekGE(Key(123456)));
  EXPECT_EQ(C.KeyNumber(), 123457u);
}

TEST_F(BTreeTest, EmptyTreeHasNoPosition) {
  BTreeCursor C(*Tree);
  EXPECT_FALSE(C.First());
  EXPECT_FALSE(C.Last());
  EXPECT_FALSE(C.SetRelativePosition(0.5));
  EXPECT_EQ(C.RelativePosition(), 0);
  Tree->CreateEmpty();
  EXPECT_FALSE(C.First());
  EXPECT_FALSE(C.Next());
}

TEST_F(BTreeTest, KeysTooLongForThePageAreRefused) {
  Open(512, 200);
  try {
    Tree->CreateEmpty();
    ADD_FAILURE();
  } catch (const EEngineError& E) {
    EXPECT_EQ(E.Code, kIndexKeyTooLong);
  }
  EXPECT_EQ(MaxKeyLength(4096), 1012);
}

TEST_F(BTreeTest, DamagedPagesAreReportedNotFollowed) {
  for (std::uint32_t i = 0; i < 500; ++i) Add(Key(i), i);
  std::uint8_t* Root = File->Write(State.Root);
  Root[0] = 0x77;  // no page type
  BTreeCursor C(*Tree);
  try {
    C.First();
    ADD_FAILURE();
  } catch (const EEngineError& E) {
    EXPECT_EQ(E.Code, kIndexCorrupt);
  }
  Root[0] = 2;
  Root[4] = 0xFF;  // leftmost child far beyond the file
  Root[5] = 0xFF;
  EXPECT_THROW(C.First(), EEngineError);
  EXPECT_THROW(Tree->Verify(), EEngineError);
  EXPECT_THROW(Tree->Insert(Key(1), 77), EEngineError);
}

TEST_F(BTreeTest, LoopingLeafChainIsCaught) {
  for (std::uint32_t i = 0; i < 500; ++i) Add(Key(i), i);
  BTreeCursor C(*Tree);
  // Point the first leaf's successor at itself.
  std::uint32_t Leaf = 0;
  for (std::uint32_t P = 1; P < File->PageCount(); ++P) {
    const std::uint8_t* D = File->Read(P);
    if (D[0] == 1 && D[8] == 0 && D[9] == 0 && D[10] == 0 && D[11] == 0) Leaf = P;
  }
  ASSERT_NE(Leaf, 0u);
  std::uint8_t* D = File->Write(Leaf);
  for (int i = 0; i < 4; ++i) D[4 + i] = static_cast<std::uint8_t>(Leaf >> (8 * i));
  EXPECT_THROW(Tree->Verify(), EEngineError);
  ASSERT_TRUE(C.Last());
  EXPECT_THROW(C.KeyNumber(), EEngineError);
}

TEST_F(BTreeTest, PagesReachedTwiceAreCaughtBeforeAnythingIsFreed) {
  for (std::uint32_t i = 0; i < 500; ++i) Add(Key(i), i);
  std::uint8_t* Root = File->Write(State.Root);
  ASSERT_EQ(Root[0], 2);
  std::memcpy(Root + 16 + 12, Root + 4, 4);  // first separator's child := leftmost child
  EXPECT_THROW(Tree->Verify(), EEngineError);
  std::uint32_t Pages = File->PageCount();
  EXPECT_THROW(Tree->FreeAll(), EEngineError);
  EXPECT_EQ(File->PageCount(), Pages);
  EXPECT_NE(State.Root, 0u) << "a damaged tree is left for reindex, not half freed";
}

// The page file on disk: flush, reopen, discard, damaged headers.
class PagerFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = MakeTempFolder("pager");
    Path = Dir + "/test.OAI";
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::unique_ptr<Pager> Reopen() { return Pager::Open(OpenDiskBlockFile(Path, false, false), false); }
  std::uint32_t OpenError() {
    try {
      Reopen();
    } catch (const EEngineError& E) {
      return E.Code;
    }
    return 0;
  }
  void Poke(std::uint64_t Offset, char Byte) {
    FILE* F = std::fopen(Path.c_str(), "r+b");
    std::fseek(F, static_cast<long>(Offset), SEEK_SET);
    std::fputc(Byte, F);
    std::fclose(F);
  }
  std::string Dir, Path;
};

TEST_F(PagerFileTest, FlushedTreesSurviveAReopen) {
  BTreeState S;
  S.KeyLength = 4;
  {
    auto P = Pager::Create(OpenDiskBlockFile(Path, true, false), 1024, 0);
    BTree T(*P, S);
    for (std::uint32_t i = 0; i < 5000; ++i) T.Insert(std::string(reinterpret_cast<char*>(&i), 4), i);
    P->Flush();
  }
  auto P = Reopen();
  BTree T(*P, S);
  EXPECT_NO_THROW(T.Verify());
  EXPECT_EQ(T.Count(), 5000u);
}

TEST_F(PagerFileTest, DiscardForgetsUnflushedPages) {
  auto P = Pager::Create(OpenDiskBlockFile(Path, true, false), 1024, 0);
  std::uint32_t Page = P->Allocate();
  P->Flush();
  P->Write(Page)[100] = 42;
  std::uint32_t Extra = P->Allocate();
  P->Discard();
  EXPECT_EQ(P->Read(Page)[100], 0);
  EXPECT_EQ(P->PageCount(), Extra);
}

TEST_F(PagerFileTest, AnotherHandlesFlushIsPickedUpByRefresh) {
  auto A = Pager::Create(OpenDiskBlockFile(Path, true, false), 1024, 0);
  std::uint32_t Page = A->Allocate();
  A->Flush();
  auto B = Reopen();
  EXPECT_EQ(B->Read(Page)[7], 0);
  A->Write(Page)[7] = 9;
  A->Flush();
  EXPECT_FALSE(A->Refresh());
  EXPECT_TRUE(B->Refresh());
  EXPECT_EQ(B->Read(Page)[7], 9);
}

TEST_F(PagerFileTest, DamagedHeadersAreRecognised) {
  { auto P = Pager::Create(OpenDiskBlockFile(Path, true, false), 1024, 0); P->Allocate(); P->Flush(); }
  Poke(0, 'X');
  EXPECT_EQ(OpenError(), kIndexBadMagic);
  Poke(0, 'O');
  EXPECT_EQ(OpenError(), 0u);
  Poke(17, 1);  // page count + 256, checksum now wrong
  EXPECT_EQ(OpenError(), kIndexBadMagic);
  Poke(17, 0);
  std::filesystem::resize_file(Path, 1500);  // second page cut short
  EXPECT_EQ(OpenError(), kIndexCorrupt);
  std::filesystem::resize_file(Path, 10);
  EXPECT_EQ(OpenError(), kIndexBadMagic);
}

}  // namespace
}  // namespace oak
