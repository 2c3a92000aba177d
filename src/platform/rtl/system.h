// The class library's root: basic types, TObject and the metaclass record.
//
// Every class that takes part in the class registry, the property registry
// or "is"-style class tests declares itself with RTL_DECLARE_CLASS in its
// body and RTL_IMPLEMENT_CLASS in one .cpp file. That gives it a TClassInfo:
// its name, its parent class and (optionally) a factory that builds an
// instance by class name, which the form-description reader and the class
// registry use.
//
// Thread safety: TClassInfo records are immutable after static
// initialisation; TObject itself holds no state.
#pragma once

#include <cstdint>
#include <string>

// The class library's String: UTF-8 text. Widths and positions given in
// characters count characters, not bytes (see sysutils.h for helpers).
using String = std::string;

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;
using Word = std::uint16_t;
using Byte = std::uint8_t;
using LongWord = std::uint32_t;

class TObject;
class TComponent;
struct TClassInfo;
using TClass = const TClassInfo*;

// Builds a new instance of a class by its metaclass. For components the
// argument is the owner (may be null); for collection items it is the
// collection; other classes ignore it.
using TClassFactory = TObject* (*)(TObject* Owner);

struct TClassInfo {
  const char* Name;
  TClass Parent;          // null only for TObject
  TClassFactory Factory;  // null for abstract classes

  // True when this class is Other or derives from it.
  bool InheritsFrom(TClass Other) const {
    for (TClass c = this; c; c = c->Parent)
      if (c == Other) return true;
    return false;
  }
  // Creates an instance, or returns null when the class has no factory.
  TObject* Create(TObject* Owner = nullptr) const {
    return Factory ? Factory(Owner) : nullptr;
  }
};

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }

  String ClassName() const { return ClassType()->Name; }
  TClass ClassParent() const { return ClassType()->Parent; }
  bool InheritsFrom(TClass C) const { return ClassType()->InheritsFrom(C); }
  // the class library's "Obj is TFoo" test.
  template <class T>
  bool Is() const { return InheritsFrom(T::StaticClass()); }
};

// Declares the metaclass members inside a class body (public section).
#define RTL_DECLARE_CLASS(Self)                                   \
 public:                                                          \
  static TClass StaticClass();                                    \
  TClass ClassType() const override { return Self::StaticClass(); }

// Defines the metaclass record of Self, child of Parent, in a .cpp file.
// Factory: a TClassFactory or nullptr.
#define RTL_IMPLEMENT_CLASS(Self, Parent, FactoryFn)               \
  TClass Self::StaticClass() {                                     \
    static const TClassInfo info{#Self, Parent::StaticClass(), FactoryFn}; \
    return &info;                                                  \
  }

// A factory for component classes whose constructor takes (TComponent*).
template <class T>
TObject* ComponentFactory(TObject* Owner);  // defined in classes.h
