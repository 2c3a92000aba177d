// TPersistent: the base of every object that can be assigned from another
// and streamed by the property registry (fonts, string lists, collections,
// components).
//
// Thread safety: none; objects belong to the thread that uses them.
#pragma once

#include "platform/rtl/exceptions.h"

class TPersistent : public TObject {
  RTL_DECLARE_CLASS(TPersistent)
 public:
  // Copies Source's state into this object. The default asks Source to
  // AssignTo this object; when neither side knows the other, raises
  // EConvertError ("%s kann nicht zu %s zugewiesen werden").
  virtual void Assign(TPersistent* Source);

  // The object that owns this one for streaming purposes, or null.
  virtual TPersistent* GetOwner() { return nullptr; }

  // Dotted path used in messages and by the property registry,
  // e.g. "Form1.Button1.Font".
  virtual String GetNamePath();

 protected:
  // Copies this object into Dest; the default raises EConvertError.
  virtual void AssignTo(TPersistent* Dest);
  [[noreturn]] void AssignError(TPersistent* Source);
};

// A TClassFactory body for a class T whose constructor takes one owner of
// type O* (a component's owner, a collection item's collection). The owner
// must be an O or null; anything else raises EInvalidCast.
template <class T, class O>
TObject* CreateWithOwner(TObject* Owner) {
  O* Typed = nullptr;
  if (Owner) {
    Typed = dynamic_cast<O*>(Owner);
    if (!Typed) throw EInvalidCast("Ungültige Typumwandlung");
  }
  return new T(Typed);
}
