// TComponent: the class library's component with its owner tree.
//
// A component may have an owner; the owner keeps the list of the
// components it owns (Components / ComponentCount) and deletes them, last
// first, when it is destroyed. Deleting a component removes it from its
// owner first. Owner trees are the ownership model: a component in a tree
// is never held by a unique_ptr.
//
// Names are identifiers, unique among the components of one owner
// (case-insensitive). Inserting or removing a component sends
// Notification(AComponent, opInsert/opRemove) to the owner, which passes it
// down its whole tree. A component outside the tree asks to be told about
// another's destruction with FreeNotification.
//
// Loading from a form description runs inside a bracket: the reader calls
// BeginReading on every component it fills (csLoading, csReading), then
// EndReading and finally Loaded on each (which clears csLoading).
//
// C++ note: a destructor runs after the derived class's parts are gone, so
// notifications sent from ~TComponent see a component reduced to
// TComponent (compare pointers only). Free() sends the destroy
// notifications first, while the object is whole; owners free their
// components through it.
//
// Thread safety: none; a component tree belongs to the thread that made it.
#pragma once

#include <vector>

#include "platform/rtl/events.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/typinfo.h"

enum TComponentStateItem {
  csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor,
  csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance
};
RTL_ENUM_INFO(TComponentStateItem, csLoading, csReading, csWriting, csDestroying, csDesigning,
              csAncestor, csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
using TComponentState = TSet<TComponentStateItem>;

enum TComponentStyleItem { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
RTL_ENUM_INFO(TComponentStyleItem, csInheritable, csCheckPropAvail, csSubComponent, csTransient)
using TComponentStyle = TSet<TComponentStyleItem>;

enum TOperation { opInsert, opRemove };
RTL_ENUM_INFO(TOperation, opInsert, opRemove)

// Alignment of a text (fields, labels, grid columns).
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
RTL_ENUM_INFO(TAlignment, taLeftJustify, taRightJustify, taCenter)

class TComponent;
// The metaclass of a component class (its TClassInfo).
using TComponentClass = TClass;
// Called by GetChildren for every child that the writer should stream.
using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent {
  RTL_DECLARE_CLASS(TComponent)
 public:
  // Creates the component and inserts it into AOwner (when given).
  explicit TComponent(TComponent* AOwner);
  // Sends the destroy notifications, deletes the owned components (last
  // first) and leaves the owner.
  ~TComponent() override;

  // Sends the destroy notifications while the object is whole, then
  // deletes it. Prefer it to delete when others watch the component.
  void Free();
  // Called by Free while the object is still whole, before the destroy
  // notifications; descendants run their last words here (a form fires
  // OnDestroy).
  virtual void BeforeDestruction() {}

  TComponent* Owner() const { return FOwner; }
  // The Index-th owned component; raises EListError on a bad index.
  TComponent* Components(int Index) const;
  int ComponentCount() const { return int(FComponents.size()); }
  // Position in the owner's list (-1 without owner); setting moves it.
  int ComponentIndex() const;
  void SetComponentIndex(int Value);

  const String& Name() const { return FName; }
  // Renames the component. Raises EComponentError "''%s'' ist kein gültiger
  // Komponentenname" for a name that is not an identifier and "Komponente
  // mit der Bezeichnung %s existiert bereits" when the owner has another
  // component of that name.
  virtual void SetName(const String& NewName);
  Integer Tag() const { return FTag; }
  void SetTag(Integer Value) { FTag = Value; }

  TComponentState ComponentState() const { return FComponentState; }
  TComponentStyle ComponentStyle() const { return FComponentStyle; }

  // Takes AComponent over from its previous owner; sends opInsert.
  void InsertComponent(TComponent* AComponent);
  // Releases AComponent (it keeps living, without owner); sends opRemove.
  void RemoveComponent(TComponent* AComponent);
  // The owned component named Name (case-insensitive), or null.
  TComponent* FindComponent(const String& AName) const;
  // Deletes every owned component, last first.
  void DestroyComponents();
  // Marks this tree as being destroyed (csDestroying).
  void Destroying();

  // Asks that AComponent be told (Notification opRemove) when this one is
  // destroyed, and the other way round.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Loading bracket used by the form-description reader.
  void BeginReading();  // csLoading + csReading
  void EndReading();    // clears csReading
  // Called once everything is read; clears csLoading. Overrides call the
  // inherited version first.
  virtual void Loaded();

  // Update bracket around changes by the designer or the look engine.
  virtual void Updating();
  virtual void Updated();

  // Children the writer streams with this component (none by default).
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  // Controls have a parent besides their owner.
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* Value);

  void SetDesigning(bool Value, bool SetChildren = true);
  void SetInline(bool Value);
  void SetSubComponent(bool Value);

  TPersistent* GetOwner() override { return FOwner; }
  String GetNamePath() override { return FName; }

 protected:
  // Told about components inserted into or removed from the tree; the
  // default drops a free notification of a removed component and passes
  // the message to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Checks a rename of AComponent among this owner's components.
  virtual void ValidateRename(TComponent* AComponent, const String& CurName,
                              const String& NewName);
  // Lets AComponent refuse this component as its owner (raise to refuse).
  virtual void ValidateInsert(TComponent* AComponent);
  // Lets this component refuse AContainer as its owner.
  virtual void ValidateContainer(TComponent* AContainer);
  // Stores the new name without checks.
  virtual void ChangeName(const String& NewName) { FName = NewName; }
  void SetState(TComponentStateItem Item, bool On);

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void RemoveFreeNotifications();

  TComponent* FOwner = nullptr;
  String FName;
  Integer FTag = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  TComponentStyle FComponentStyle{csInheritable};
};

// Creates a component of class C with AOwner. Raises EComponentError when C
// is not a component class or has no factory (abstract).
TComponent* CreateComponent(TComponentClass C, TComponent* AOwner);

// The factory of component classes: TClassInfo::Factory for a class T
// whose constructor takes (TComponent* AOwner). Owner must be a component
// or null (EInvalidCast otherwise).
template <class T>
TObject* ComponentFactory(TObject* Owner) {
  return CreateWithOwner<T, TComponent>(Owner);
}
