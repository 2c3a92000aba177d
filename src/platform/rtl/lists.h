// Pointer lists of the class library: TList (untyped pointers), TObjectList
// (objects, optionally owned), TThreadList (a TList behind a lock) and the
// small ordered lists TStack and TQueue.
//
// Indices are 0-based. An index outside the list raises EListError with
// SListIndexError; the lists never hand out dangling items of their own.
//
// Thread safety: TList, TObjectList, TStack and TQueue belong to the thread
// that uses them. TThreadList may be used from any thread: every operation
// takes its lock, and LockList/UnlockList bracket longer work on the list.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/rtl/exceptions.h"

// How sorted lists treat a value that is already present.
enum TDuplicates { dupIgnore, dupAccept, dupError };

// Why a list notifies about one of its items.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Messages of list errors; %d stands for the offending number.
extern const char* const SListIndexError;  // "Der Index der Liste überschreitet das Maximum (%d)"
extern const char* const SListCapacityError;  // "Ungültige Listenkapazität (%d)"
extern const char* const SListCountError;     // "Ungültige Listenanzahl (%d)"
extern const char* const SDuplicateItem;      // "Liste lässt keine Duplikate zu ($0%x)"

// Msg with its %d (decimal) or %x (hexadecimal) replaced by Data.
String ListErrorText(const char* Msg, Int64 Data);
// Raises EListError with ListErrorText(Msg, Data).
[[noreturn]] void ListError(const char* Msg, Int64 Data);

// Orders two items: negative, 0 or positive as Item1 lies before, with or
// after Item2.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

class TList : public TObject {
  RTL_DECLARE_CLASS(TList)
 public:
  TList() = default;
  // Calls Clear, so that subclasses that own items release them.
  ~TList() override;

  // Appends Item and returns its index.
  Integer Add(void* Item);
  // Inserts Item before Index (0..Count). EListError outside that range.
  void Insert(Integer Index, void* Item);
  // Removes the item at Index (notifying lnDeleted). EListError when out
  // of range.
  void Delete(Integer Index);
  // Removes the first occurrence of Item; returns its former index or -1.
  Integer Remove(void* Item);
  // Removes the first occurrence of Item without deleting it (notifying
  // lnExtracted); returns Item, or null when it is not in the list.
  void* Extract(void* Item);
  // Index of the first occurrence of Item, or -1.
  Integer IndexOf(void* Item) const;
  // Swaps the items at Index1 and Index2. EListError when either is out of
  // range.
  void Exchange(Integer Index1, Integer Index2);
  // Moves the item at CurIndex so that it stands at NewIndex afterwards.
  void Move(Integer CurIndex, Integer NewIndex);
  // Removes every null item.
  void Pack();
  // Removes every item (notifying lnDeleted for each) and frees the storage.
  virtual void Clear();
  // Sorts the items with Compare (stable: equal items keep their order).
  void Sort(const TListSortCompare& Compare);

  // The item at Index; EListError when out of range.
  void* Items(Integer Index) const;
  void SetItems(Integer Index, void* Item);
  void* operator[](Integer Index) const { return Items(Index); }
  // First and last item; EListError when the list is empty.
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  // Grows the list with null items or shrinks it (notifying lnDeleted for
  // the dropped ones). EListError for a negative count.
  void SetCount(Integer NewCount);
  Integer Capacity() const { return static_cast<Integer>(FItems.capacity()); }
  // Reserves room; EListError when below Count.
  void SetCapacity(Integer NewCapacity);
  // The items as one array (valid until the next change).
  void* const* List() const { return FItems.data(); }

 protected:
  // Called after an item was added and before it leaves the list. The
  // default does nothing; TObjectList frees owned objects here.
  virtual void Notify(void* Ptr, TListNotification Action);
  void CheckIndex(Integer Index) const;

 private:
  std::vector<void*> FItems;
};

// A list of objects; with OwnsObjects (the default) it deletes an object
// when the object is deleted from the list, replaced, or the list cleared
// or destroyed. Extract hands an object back without deleting it.
class TObjectList : public TList {
  RTL_DECLARE_CLASS(TObjectList)
 public:
  explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;

  Integer Add(TObject* AObject) { return TList::Add(AObject); }
  void Insert(Integer Index, TObject* AObject) { TList::Insert(Index, AObject); }
  Integer Remove(TObject* AObject) { return TList::Remove(AObject); }
  TObject* Extract(TObject* AObject) { return static_cast<TObject*>(TList::Extract(AObject)); }
  Integer IndexOf(TObject* AObject) const { return TList::IndexOf(AObject); }
  // Replaces the object at Index; the old one is deleted when owned.
  void SetItems(Integer Index, TObject* AObject);
  TObject* Items(Integer Index) const { return static_cast<TObject*>(TList::Items(Index)); }
  TObject* operator[](Integer Index) const { return Items(Index); }
  TObject* First() const { return Items(0); }
  TObject* Last() const { return Items(Count() - 1); }

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

 protected:
  void Notify(void* Ptr, TListNotification Action) override;

 private:
  bool FOwnsObjects;
};

// A TList guarded by a re-entrant lock, for lists shared between threads.
class TThreadList : public TObject {
  RTL_DECLARE_CLASS(TThreadList)
 public:
  TThreadList() = default;

  // Adds Item under the lock. With Duplicates dupIgnore (the default) an
  // item already present is not added again; dupError raises EListError
  // (SDuplicateItem).
  void Add(void* Item);
  // Removes the first occurrence of Item under the lock.
  void Remove(void* Item);
  // Empties the list under the lock.
  void Clear();

  // Takes the lock and returns the list; the caller must call UnlockList
  // once for each LockList, on the same thread. Re-entrant.
  TList* LockList();
  void UnlockList();

  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

 private:
  std::recursive_mutex FLock;
  TList FList;
  TDuplicates FDuplicates = dupIgnore;
};

// The common part of TStack and TQueue: items go in with Push and come
// out with Pop, in the order the subclass gives.
class TOrderedList : public TObject {
  RTL_DECLARE_CLASS(TOrderedList)
 public:
  Integer Count() const { return FList.Count(); }
  bool AtLeast(Integer ACount) const { return Count() >= ACount; }
  void* Push(void* Item);
  // Removes and returns the next item; null when empty.
  void* Pop();
  // The next item, or null when empty.
  void* Peek() const;

 protected:
  // Index of the item that Pop takes next. REQUIRES: Count() > 0.
  virtual Integer NextIndex() const = 0;

 private:
  TList FList;
};

// Last in, first out list of pointers.
class TStack : public TOrderedList {
  RTL_DECLARE_CLASS(TStack)
 protected:
  Integer NextIndex() const override { return Count() - 1; }
};

// First in, first out list of pointers.
class TQueue : public TOrderedList {
  RTL_DECLARE_CLASS(TQueue)
 protected:
  Integer NextIndex() const override { return 0; }
};
