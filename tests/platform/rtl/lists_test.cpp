#include "platform/rtl/lists.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

// An object that counts its own destruction, to see who frees it.
class TCounted : public TObject {
 public:
  explicit TCounted(int& Deaths) : FDeaths(Deaths) {}
  ~TCounted() override { ++FDeaths; }

 private:
  int& FDeaths;
};

class ListTest : public ::testing::Test {
 protected:
  // Adds pointers to Values[0..N-1], so that items can be told apart.
  void AddValues(int N) {
    for (int i = 0; i < N; ++i) List.Add(&Values[i]);
  }
  int ValueAt(Integer Index) { return *static_cast<int*>(List.Items(Index)); }
  std::vector<int> AllValues() {
    std::vector<int> R;
    for (Integer i = 0; i < List.Count(); ++i) R.push_back(ValueAt(i));
    return R;
  }
  int Values[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  TList List;
};

TEST_F(ListTest, AddAppendsAndReturnsTheIndex) {
  EXPECT_EQ(List.Add(&Values[4]), 0);
  EXPECT_EQ(List.Add(&Values[7]), 1);
  EXPECT_EQ(List.Count(), 2);
  EXPECT_EQ(List.First(), &Values[4]);
  EXPECT_EQ(List.Last(), &Values[7]);
}

TEST_F(ListTest, IndexOutOfRangeRaisesListErrorWithTheIndex) {
  AddValues(3);
  try {
    List.Items(3);
    FAIL() << "no exception";
  } catch (const EListError& E) {
    EXPECT_EQ(E.Message(), "Der Index der Liste überschreitet das Maximum (3)");
  }
  EXPECT_THROW(List.Items(-1), EListError);
  EXPECT_THROW(List.Delete(5), EListError);
  EXPECT_THROW(List.Insert(4, nullptr), EListError);
}

TEST_F(ListTest, FirstAndLastOfAnEmptyListRaise) {
  EXPECT_THROW(List.First(), EListError);
  EXPECT_THROW(List.Last(), EListError);
}

TEST_F(ListTest, InsertDeleteAndRemoveKeepOrder) {
  AddValues(4);
  List.Insert(1, &Values[9]);
  List.Insert(5, &Values[8]);
  EXPECT_EQ(AllValues(), (std::vector<int>{0, 9, 1, 2, 3, 8}));
  List.Delete(0);
  EXPECT_EQ(List.Remove(&Values[2]), 2);
  EXPECT_EQ(List.Remove(&Values[2]), -1);
  EXPECT_EQ(AllValues(), (std::vector<int>{9, 1, 3, 8}));
}

TEST_F(ListTest, ExchangeAndMove) {
  AddValues(5);
  List.Exchange(0, 4);
  EXPECT_EQ(AllValues(), (std::vector<int>{4, 1, 2, 3, 0}));
  List.Move(1, 3);
  EXPECT_EQ(AllValues(), (std::vector<int>{4, 2, 3, 1, 0}));
  List.Move(4, 0);
  EXPECT_EQ(AllValues(), (std::vector<int>{0, 4, 2, 3, 1}));
  EXPECT_THROW(List.Move(0, 5), EListError);
  EXPECT_THROW(List.Exchange(0, 9), EListError);
}

TEST_F(ListTest, SortIsStableWithTheCompareFunction) {
  int Keys[] = {3, 1, 3, 2, 1};
  for (int& K : Keys) List.Add(&K);
  List.Sort([](void* A, void* B) { return *static_cast<int*>(A) - *static_cast<int*>(B); });
  EXPECT_EQ(AllValues(), (std::vector<int>{1, 1, 2, 3, 3}));
  EXPECT_EQ(List.Items(0), &Keys[1]);
  EXPECT_EQ(List.Items(1), &Keys[4]);
  EXPECT_EQ(List.Items(3), &Keys[0]);
}

TEST_F(ListTest, PackRemovesNilItems) {
  List.Add(nullptr);
  List.Add(&Values[1]);
  List.Add(nullptr);
  List.Add(&Values[2]);
  List.Pack();
  EXPECT_EQ(AllValues(), (std::vector<int>{1, 2}));
}

TEST_F(ListTest, ExtractReturnsTheItemOrNil) {
  AddValues(3);
  EXPECT_EQ(List.Extract(&Values[1]), &Values[1]);
  EXPECT_EQ(List.Extract(&Values[1]), nullptr);
  EXPECT_EQ(List.Count(), 2);
}

TEST_F(ListTest, CountAndCapacity) {
  AddValues(3);
  List.SetCount(5);
  EXPECT_EQ(List.Items(4), nullptr);
  List.SetCount(1);
  EXPECT_EQ(AllValues(), (std::vector<int>{0}));
  List.SetCapacity(50);
  EXPECT_GE(List.Capacity(), 50);
  EXPECT_THROW(List.SetCount(-1), EListError);
  EXPECT_THROW(List.SetCapacity(0), EListError);
  List.Clear();
  EXPECT_EQ(List.Count(), 0);
}

TEST(ObjectListTest, OwnedObjectsAreFreedOnDeleteClearAndDestruction) {
  int Deaths = 0;
  {
    TObjectList Objects;
    Objects.Add(new TCounted(Deaths));
    Objects.Add(new TCounted(Deaths));
    Objects.Add(new TCounted(Deaths));
    Objects.Delete(0);
    EXPECT_EQ(Deaths, 1);
    Objects.Remove(Objects.First());
    EXPECT_EQ(Deaths, 2);
    Objects.SetItems(0, new TCounted(Deaths));
    EXPECT_EQ(Deaths, 3);
  }
  EXPECT_EQ(Deaths, 4);
}

TEST(ObjectListTest, ExtractHandsTheObjectBack) {
  int Deaths = 0;
  TObjectList Objects;
  auto* Obj = new TCounted(Deaths);
  Objects.Add(Obj);
  std::unique_ptr<TObject> Back(Objects.Extract(Obj));
  EXPECT_EQ(Deaths, 0);
  EXPECT_EQ(Objects.Count(), 0);
}

TEST(ObjectListTest, WithoutOwnershipNothingIsFreed) {
  int Deaths = 0;
  TCounted A(Deaths), B(Deaths);
  {
    TObjectList Objects(false);
    Objects.Add(&A);
    Objects.Add(&B);
    Objects.Clear();
    Objects.Add(&A);
  }
  EXPECT_EQ(Deaths, 0);
}

TEST(ThreadListTest, IgnoresDuplicatesByDefault) {
  int V = 0;
  TThreadList Shared;
  Shared.Add(&V);
  Shared.Add(&V);
  EXPECT_EQ(Shared.LockList()->Count(), 1);
  Shared.UnlockList();
  Shared.SetDuplicates(dupError);
  EXPECT_THROW(Shared.Add(&V), EListError);
  Shared.SetDuplicates(dupAccept);
  Shared.Add(&V);
  EXPECT_EQ(Shared.LockList()->Count(), 2);
  Shared.UnlockList();
}

TEST(ThreadListTest, ConcurrentAddsAllArrive) {
  TThreadList Shared;
  Shared.SetDuplicates(dupAccept);
  std::vector<std::thread> Threads;
  static int Items[400];
  for (int t = 0; t < 4; ++t)
    Threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) Shared.Add(&Items[t * 100 + i]);
    });
  for (auto& T : Threads) T.join();
  TList* L = Shared.LockList();
  EXPECT_EQ(L->Count(), 400);
  Shared.UnlockList();
}

TEST(StackQueueTest, StackIsLastInFirstOut) {
  int A = 1, B = 2;
  TStack S;
  S.Push(&A);
  S.Push(&B);
  EXPECT_EQ(S.Peek(), &B);
  EXPECT_EQ(S.Pop(), &B);
  EXPECT_EQ(S.Pop(), &A);
  EXPECT_EQ(S.Pop(), nullptr);
}

TEST(StackQueueTest, QueueIsFirstInFirstOut) {
  int A = 1, B = 2;
  TQueue Q;
  Q.Push(&A);
  Q.Push(&B);
  EXPECT_TRUE(Q.AtLeast(2));
  EXPECT_EQ(Q.Pop(), &A);
  EXPECT_EQ(Q.Peek(), &B);
  EXPECT_EQ(Q.Pop(), &B);
  EXPECT_EQ(Q.Pop(), nullptr);
}

}  // namespace
