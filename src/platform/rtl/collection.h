// TCollection and TCollectionItem: a list of items of one item class, the
// form-streamed way to hold grid columns, status-bar panels and the like.
//
// The collection owns its items: an item created with a collection inserts
// itself there and is deleted with it; deleting an item removes it from its
// collection. Items are made through the item class's factory
// (TClassInfo::Factory with the collection as argument), so a reader can
// fill a collection published as a class property:
//   TCollectionItem* Item = Columns->Add();
//   SetPropValue(Item, "FieldName", "Name");
// Changes reach the collection's Update(Item) (Item null: the whole
// collection), held back between BeginUpdate and EndUpdate.
//
// Thread safety: none; a collection belongs to its owner's thread.
#pragma once

#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/rtl/typinfo.h"

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection;
// The metaclass of an item class.
using TCollectionItemClass = TClass;

class TCollectionItem : public TPersistent {
  RTL_DECLARE_CLASS(TCollectionItem)
 public:
  // Creates the item and appends it to Collection (when given).
  explicit TCollectionItem(TCollection* Collection);
  // Leaves the collection.
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to another collection (or out of any, with null).
  void SetCollection(TCollection* Value);
  // Unique within the collection, never reused; kept when the item moves.
  int ID() const { return FID; }
  // Position in the collection (-1 without one); setting moves the item.
  int Index() const;
  virtual void SetIndex(int Value);
  String DisplayName() const { return GetDisplayName(); }
  virtual void SetDisplayName(const String& Value);

  TPersistent* GetOwner() override;
  // "Owner.Property[Index]".
  String GetNamePath() override;

 protected:
  // The text an editor shows; the class name by default.
  virtual String GetDisplayName() const { return ClassName(); }
  // Tells the collection: Update(this), or Update(null) with AllItems.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
  RTL_DECLARE_CLASS(TCollection)
 public:
  // ItemClass must inherit TCollectionItem and have a factory (EInvalidCast
  // otherwise).
  explicit TCollection(TCollectionItemClass AItemClass);
  // Deletes every item.
  ~TCollection() override;

  // Appends a new item of the item class; the collection owns it.
  TCollectionItem* Add();
  template <class T>
  T* Add() {
    return static_cast<T*>(CheckItem(T::StaticClass(), Add()));
  }
  // Inserts a new item at Index.
  TCollectionItem* Insert(int Index);
  // Deletes the item at Index (EListError on a bad index).
  void Delete(int Index);
  // Deletes every item.
  void Clear();
  // The item at Index; EListError "Der Index der Liste überschreitet das Maximum
  // (%d)" on a bad index.
  TCollectionItem* Items(int Index) const;
  // Assigns Value to the item at Index.
  void SetItem(int Index, TCollectionItem* Value);
  int Count() const { return int(FItems.size()); }
  TCollectionItemClass ItemClass() const { return FItemClass; }
  // The item with that ID, or null.
  TCollectionItem* FindItemID(int ID) const;

  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // Item-wise copy of another collection (items Assign each other).
  void Assign(TPersistent* Source) override;
  TPersistent* Owner() { return GetOwner(); }
  // "Owner.Property" where Property is the owner's published property that
  // holds this collection; the class name without owner.
  String GetNamePath() override;

 protected:
  // Called after changes (held back while updating); Item null means the
  // whole collection.
  virtual void Update(TCollectionItem* Item);
  // Called when an item is added, extracted or about to be deleted.
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
  // Update(null) unless updating.
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void MoveItem(TCollectionItem* Item, int NewIndex);
  TCollectionItem* CheckItem(TClass Expected, TCollectionItem* Item);

  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
};

// A collection that knows its owner (for name paths and streaming).
class TOwnedCollection : public TCollection {
  RTL_DECLARE_CLASS(TOwnedCollection)
 public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass AItemClass)
      : TCollection(AItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() override { return FOwner; }

 private:
  TPersistent* FOwner;
};

// The factory of item classes: TClassInfo::Factory for a class T whose
// constructor takes (TCollection*). Raises EInvalidCast when the argument
// is not a collection.
template <class T>
TObject* CollectionItemFactory(TObject* Collection) {
  return CreateWithOwner<T, TCollection>(Collection);
}
