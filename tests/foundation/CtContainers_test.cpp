#include "foundation/CtContainers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// A handler of plain 32-bit integers with every routine set.
struct IntHandler {
  TCtItemHandler H{sizeof(Integer)};
  int Freed = 0;
  IntHandler() {
    H.SetOnInitItem([](void* P) { *static_cast<Integer*>(P) = 0; });
    H.SetOnFreeItem([this](void*) { ++Freed; });
    H.SetOnCopyItem([](const void* S, void* D) { *static_cast<Integer*>(D) = *static_cast<const Integer*>(S); });
    H.SetOnWriteItem([](TCtContainer*, TCtWriter* W, const void* P, void*) {
      W->WriteInteger(*static_cast<const Integer*>(P));
    });
    H.SetOnReadItem([](TCtContainer*, TCtReader* R, void* P, void*) { *static_cast<Integer*>(P) = R->ReadInteger(); });
  }
};

Integer& At(void* P) { return *static_cast<Integer*>(P); }

int CompareInts(const void* A, const void* B) {
  Integer X = *static_cast<const Integer*>(A), Y = *static_cast<const Integer*>(B);
  return X < Y ? -1 : X > Y ? 1 : 0;
}

std::vector<Integer> Items(TCtContainer& C) {
  std::vector<Integer> Out;
  C.ForEach([&](void* P) { Out.push_back(At(P)); });
  return Out;
}

void Append(TCtLinearContainer& C, std::initializer_list<Integer> Values) {
  for (Integer V : Values) At(C.InsertLast()) = V;
}

std::vector<Byte> Saved(TCtContainer& C) {
  TMemoryStream S;
  C.SaveToStream(&S);
  auto* P = static_cast<Byte*>(S.Memory());
  return std::vector<Byte>(P, P + S.Size());
}

}  // namespace

TEST(CtVector, CapacityFollowsThePowerOfTwoSeries) {
  std::vector<Integer> Expected{0, 1, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14, 16, 16, 20};
  for (Integer N = 0; N < Integer(Expected.size()); ++N) EXPECT_EQ(TCtVector::CapacityFor(N), Expected[N]) << N;
  EXPECT_EQ(TCtVector::CapacityFor(33), 40);
  EXPECT_EQ(TCtVector::CapacityFor(41), 48);
}

TEST(CtVector, IndexOutsideTheItemsRaisesTheListIndexError) {
  IntHandler H;
  TCtVector V(&H.H);
  Append(V, {1, 2});
  EXPECT_THROW(V.GetItemPointer(-1), ECtContainerError);
  try {
    V.GetItemPointer(2);
  } catch (const ECtContainerError& E) {
    EXPECT_EQ(E.Message(), "Class TCtVector: Der Index der Liste überschreitet das Maximum (2)");
  }
  TCtVector Empty(&H.H);
  EXPECT_THROW(Empty.First(), ECtContainerError);
}

TEST(CtVector, InsertAndDeleteKeepOrderAndFreeItems) {
  IntHandler H;
  TCtVector V(&H.H);
  for (Integer i = 0; i < 40; ++i) At(V.InsertLast()) = i;
  At(V.InsertFirst()) = -1;
  EXPECT_EQ(At(V.First()), -1);
  EXPECT_EQ(At(V.Last()), 39);
  for (Integer i = 0; i < 30; ++i) V.Delete(1);
  EXPECT_EQ(H.Freed, 30);
  EXPECT_EQ(Items(V), (std::vector<Integer>{-1, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39}));
  V.Clear();
  EXPECT_EQ(V.Count(), 0);
  EXPECT_EQ(H.Freed, 41);
}

TEST(CtVector, SortAndBinarySearchAgreeWithTheStandardLibrary) {
  IntHandler H;
  TCtVector V(&H.H);
  std::mt19937 Rng(7);
  std::vector<Integer> Ref;
  for (int i = 0; i < 5000; ++i) {
    Integer X = Integer(Rng() % 1000);
    Ref.push_back(X);
    At(V.InsertLast()) = X;
  }
  V.Sort(CompareInts);
  std::sort(Ref.begin(), Ref.end());
  EXPECT_EQ(Items(V), Ref);
  for (Integer Key : {-5, 0, 500, 999, 2000}) {
    Integer Index = -1;
    bool Found = V.BinarySearch(&Key, CompareInts, Index);
    auto It = std::lower_bound(Ref.begin(), Ref.end(), Key);
    EXPECT_EQ(Found, It != Ref.end() && *It == Key);
    if (!Found) EXPECT_EQ(Index, It - Ref.begin());
    else EXPECT_EQ(Ref[Index], Key);
  }
}

TEST(CtVector, BinarySearchOnEmptyOrPastTheEnd) {
  IntHandler H;
  TCtVector V(&H.H);
  Integer Key = 5, Index = -1;
  EXPECT_FALSE(V.BinarySearch(&Key, CompareInts, Index));
  EXPECT_EQ(Index, 0);
  Append(V, {1, 2, 3});
  EXPECT_FALSE(V.BinarySearch(&Key, CompareInts, Index));
  EXPECT_EQ(Index, 3);
  EXPECT_THROW(V.BinarySearch(&Key, nullptr, Index), ECtContainerError);
  EXPECT_THROW(V.Sort(nullptr), ECtContainerError);
}

TEST(CtItemHandler, RefusesChangesWhileAContainerUsesIt) {
  IntHandler H;
  {
    TCtVector V(&H.H);
    EXPECT_THROW(H.H.SetItemSize(8), ECtContainerError);
    EXPECT_THROW(H.H.SetOnInitItem(nullptr), ECtContainerError);
    EXPECT_THROW(H.H.BeforeDestruction(), ECtContainerError);
  }
  H.H.SetItemSize(4);
  H.H.BeforeDestruction();
  EXPECT_THROW(TCtVector(nullptr), ECtContainerError);
}

TEST(CtStringVector, SharedHandlerRefusesItemSizeWhileInUse) {
  std::unique_ptr<TCtAnsiStringPointerVector> V(NewCtAnsiStringPointerVector());
  try {
    CtAnsiStringItemHandler()->SetItemSize(8);
    FAIL();
  } catch (const ECtContainerError& E) {
    EXPECT_EQ(E.Message(), "Class TCtItemHandler: ItemHandler in use while setting ItemSize");
  }
}

TEST(CtStringVector, DeletingTheOnlyStringLeavesAnEmptyVector) {
  std::unique_ptr<TCtAnsiStringPointerVector> V(NewCtAnsiStringPointerVector());
  V->Add("Kasse", reinterpret_cast<void*>(42));
  EXPECT_EQ(V->Strings(0), "Kasse");
  V->Delete(0);
  EXPECT_EQ(V->Count(), 0);
}

TEST(CtStringVector, SavesAndLoadsStringsWithTheirValue) {
  std::unique_ptr<TCtAnsiStringPointerVector> V(NewCtAnsiStringPointerVector());
  V->Add("eins", reinterpret_cast<void*>(1));
  V->Add("", reinterpret_cast<void*>(2));
  V->Add("drei", nullptr);
  TMemoryStream S;
  V->SaveToStream(&S);
  S.SetPosition(0);
  std::unique_ptr<TCtAnsiStringPointerVector> W(NewCtAnsiStringPointerVector());
  W->LoadFromStream(&S);
  ASSERT_EQ(W->Count(), 3);
  EXPECT_EQ(W->Strings(0), "eins");
  EXPECT_EQ(W->Strings(1), "");
  EXPECT_EQ(W->Data(1), reinterpret_cast<void*>(2));
  EXPECT_EQ(W->Strings(2), "drei");
}

TEST(CtListAndTree, EmptyContainersGiveNilEndsAndTheEightByteStream) {
  IntHandler H;
  TCtList L(&H.H);
  TCtTree T(&H.H);
  EXPECT_EQ(L.First(), nullptr);
  EXPECT_EQ(L.Last(), nullptr);
  EXPECT_EQ(T.First(), nullptr);
  EXPECT_EQ(T.Last(), nullptr);
  EXPECT_EQ(Saved(L), (std::vector<Byte>{0x43, 0x54, 0x4C, 0x43, 0x02, 0x01, 0x02, 0x00}));
  EXPECT_EQ(Saved(T), (std::vector<Byte>{0x43, 0x54, 0x54, 0x43, 0x02, 0x01, 0x02, 0x00}));
}

TEST(CtTree, WritesNodeRecordsAndReadsTheSameShapeBack) {
  IntHandler H;
  TCtTree T(&H.H);
  auto* A = T.AddChild(nullptr);
  At(TCtTree::NodeItem(A)) = 1;
  At(TCtTree::NodeItem(T.AddChild(A))) = 2;
  At(TCtTree::NodeItem(T.AddChild(A))) = 3;
  auto Bytes = Saved(T);
  std::vector<Byte> Body(Bytes.begin() + 6, Bytes.end());
  // roots 1; A: 2 children, item 1; B: 0, item 2; C: 0, item 3
  EXPECT_EQ(Body, (std::vector<Byte>{2, 1, 2, 2, 2, 1, 2, 0, 2, 2, 2, 0, 2, 3}));
  TMemoryStream S;
  T.SaveToStream(&S);
  S.SetPosition(0);
  TCtTree U(&H.H);
  U.LoadFromStream(&S);
  ASSERT_EQ(U.Count(), 3);
  EXPECT_EQ(TCtTree::ChildCount(U.FirstNode()), 2);
  EXPECT_EQ(Items(U), (std::vector<Integer>{1, 2, 3}));
  EXPECT_EQ(At(U.Last()), 3);
}

TEST(CtTree, WalksInPreOrderBothWays) {
  IntHandler H;
  TCtTree T(&H.H);
  auto* A = T.AddChild(nullptr);
  At(TCtTree::NodeItem(A)) = 1;
  auto* B = T.AddChild(A);
  At(TCtTree::NodeItem(B)) = 2;
  At(TCtTree::NodeItem(T.AddChild(B))) = 3;
  At(TCtTree::NodeItem(T.AddChild(nullptr))) = 4;
  At(T.InsertFirst()) = 0;
  EXPECT_EQ(Items(T), (std::vector<Integer>{0, 1, 2, 3, 4}));
  std::vector<Integer> Back;
  T.FindBackward([&](void* P, void*) { Back.push_back(At(P)); return false; }, nullptr);
  EXPECT_EQ(Back, (std::vector<Integer>{4, 3, 2, 1, 0}));
  Integer Wanted = 3;
  EXPECT_EQ(At(T.FindForward([](void* P, void* D) { return At(P) == *static_cast<Integer*>(D); }, &Wanted)), 3);
  EXPECT_THROW(T.TestForward(nullptr, nullptr), ECtContainerError);
  EXPECT_THROW(T.ForEach(nullptr), ECtContainerError);
}

TEST(CtTree, ClearFreesChildrenBeforeTheirParent) {
  TCtItemHandler H(sizeof(Integer));
  std::vector<Integer> Order;
  H.SetOnFreeItem([&](void* P) { Order.push_back(At(P)); });
  TCtTree T(&H);
  auto* A = T.AddChild(nullptr);
  At(TCtTree::NodeItem(A)) = 1;
  At(TCtTree::NodeItem(T.AddChild(A))) = 2;
  At(TCtTree::NodeItem(T.AddChild(A))) = 3;
  T.Clear();
  EXPECT_EQ(Order, (std::vector<Integer>{3, 2, 1}));
  EXPECT_EQ(T.Count(), 0);
}

TEST(CtContainers, AssignFlattensTreesAndLiftsListsToRootNodes) {
  IntHandler H;
  TCtTree T(&H.H);
  auto* A = T.AddChild(nullptr);
  At(TCtTree::NodeItem(A)) = 1;
  At(TCtTree::NodeItem(T.AddChild(A))) = 2;
  TCtList L(&H.H);
  L.Assign(&T);
  EXPECT_EQ(Items(L), (std::vector<Integer>{1, 2}));
  TCtTree U(&H.H);
  U.Assign(&L);
  EXPECT_EQ(TCtTree::ChildCount(U.RootNode()), 2);
  TCtTree Copy(&H.H);
  Copy.Assign(&T);
  EXPECT_EQ(TCtTree::ChildCount(Copy.FirstNode()), 1);
  TCtVector V(&H.H);
  V.Assign(&T);
  EXPECT_EQ(Items(V), (std::vector<Integer>{1, 2}));
}

TEST(CtContainers, AssignRefusesAForeignHandlerWithoutChangingAnything) {
  IntHandler H1, H2;
  TCtList L(&H1.H);
  Append(L, {5});
  TCtList Other(&H2.H);
  Append(Other, {9});
  try {
    L.Assign(&Other);
    FAIL();
  } catch (const ECtContainerError& E) {
    EXPECT_EQ(E.Message(), "Class TCtList: Itemhandlers do not match");
  }
  EXPECT_EQ(Items(L), (std::vector<Integer>{5}));
}

TEST(CtContainers, ReadingAListStreamIntoATreeIsRefusedBySignature) {
  IntHandler H;
  TCtList L(&H.H);
  Append(L, {1, 2});
  TMemoryStream S;
  L.SaveToStream(&S);
  S.SetPosition(0);
  TCtTree T(&H.H);
  try {
    T.LoadFromStream(&S);
    FAIL();
  } catch (const ECtContainerError& E) {
    EXPECT_EQ(E.Message(), "Class TCtTree: Ungültiges Stream-Format");
  }
  // Without the signature flag no signature is expected: a tree body
  // written without one reads back.
  TCtTree Source(&H.H);
  At(Source.InsertLast()) = 1;
  At(Source.InsertLast()) = 2;
  TMemoryStream Body;
  {
    TCtBinaryWriter W(&Body, 64);
    Source.WriteItems(&W, ctfVersion, nullptr);
  }
  Body.SetPosition(0);
  TCtBinaryReader R(&Body, 64);
  T.ReadItems(&R, ctfVersion, nullptr);
  EXPECT_EQ(Items(T), (std::vector<Integer>{1, 2}));
  EXPECT_THROW(T.LoadFromStream(nullptr), ECtContainerError);
}
