// Run-time type information: the published properties and methods of
// classes, reached by name.
//
// Every class registers its published properties once, in its .cpp file,
// with the RTL_PUBLISHED block of typinfo_publish.h (included below).
// Properties are inherited by subclasses; a subclass that publishes a
// property of the same name overrides it in place. Published methods are
// registered in the same block and are what a form description binds its
// events to ("OnClick = Button1Click").
//
// Property values can be read and written as text (GetPropValue,
// SetPropValue, SetPropertyByPath): that is how the form-description reader
// and the look files set properties. Text forms:
//   integer   decimal, or "$" / "0x" hexadecimal; a name of the type's
//             registered constants (colours: "clBtnFace")
//   enum      the value's name ("alLeft"), case-insensitive; Booleans
//             "True"/"False"
//   set       "[akLeft,akTop]" (brackets optional on input)
//   float     "1.5" (a decimal comma is accepted too)
//   char      the character itself, or "#65"
//   class     a component's name, resolved in the owner chain; other
//             classes only through a registered text adapter (TStrings)
//   method    the name of a published method of the root object
//
// Thread safety: registration runs during static initialisation (or under
// the registry's lock later); lookups may run from any thread. Reading and
// writing property values is as thread-safe as the object itself.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <typeinfo>
#include <variant>
#include <vector>

#include "platform/rtl/events.h"
#include "platform/rtl/persistent.h"

enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet,
  tkClass, tkMethod, tkWChar, tkLString, tkWString, tkVariant, tkArray,
  tkRecord, tkInterface, tkInt64, tkDynArray
};

// Describes the type of a property. Enumerations, sets, classes and methods
// carry what their text form needs.
struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  String Name;
  Int64 MinValue = 0;                       // ordinal kinds
  Int64 MaxValue = 0;
  std::vector<String> EnumNames;            // tkEnumeration: names by value
  const TTypeInfo* CompType = nullptr;      // tkSet: the element enumeration
  TClass ClassType = nullptr;               // tkClass
  const std::type_info* Signature = nullptr;  // tkMethod: the handler's signature
};
using PTypeInfo = const TTypeInfo*;

// A type record of Kind named Name, other fields empty.
inline TTypeInfo MakeTypeInfo(TTypeKind Kind, const String& Name) {
  TTypeInfo I;
  I.Kind = Kind;
  I.Name = Name;
  return I;
}

// True for the string kinds (tkString, tkLString, tkWString).
bool IsStringKind(TTypeKind Kind);
// True for the kinds read through GetOrdProp (integer, char, enum, set, Int64).
bool IsOrdinalKind(TTypeKind Kind);

// A set over an enumeration with values 0..63.
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Items) {
    for (E Item : Items) Include(Item);
  }
  static constexpr TSet FromBits(std::uint64_t Bits) {
    TSet S;
    S.FBits = Bits;
    return S;
  }
  constexpr std::uint64_t Bits() const { return FBits; }
  constexpr bool Contains(E Item) const { return (FBits & Bit(Item)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E Item) {
    FBits |= Bit(Item);
    return *this;
  }
  constexpr TSet& Exclude(E Item) {
    FBits &= ~Bit(Item);
    return *this;
  }
  friend constexpr TSet operator+(TSet A, TSet B) { return FromBits(A.FBits | B.FBits); }
  friend constexpr TSet operator-(TSet A, TSet B) { return FromBits(A.FBits & ~B.FBits); }
  friend constexpr TSet operator*(TSet A, TSet B) { return FromBits(A.FBits & B.FBits); }
  friend constexpr bool operator==(TSet A, TSet B) { return A.FBits == B.FBits; }

 private:
  static constexpr std::uint64_t Bit(E Item) {
    return std::uint64_t(1) << (static_cast<unsigned>(Item) & 63u);
  }
  std::uint64_t FBits = 0;
};

// A method pointer as the registry sees it: the instance and the name of
// the published method that an event is bound to. Assigned but anonymous
// (a lambda set in code) gives IsAssigned with an empty Name.
struct TMethod {
  TObject* Data = nullptr;
  String Name;
  bool IsAssigned = false;
};

// A published method of a class.
struct TMethodInfo {
  String Name;
  TClass Owner = nullptr;                       // declaring class
  const std::type_info* Signature = nullptr;    // R(Args...)
  // Returns a std::function<Signature> holding a TBoundMethod for Instance.
  std::function<std::any(TObject* Instance, const TMethodInfo* Self)> Bind;
};

// A property value in its representation: ordinals (with sets as bit
// masks) as Int64, floats as double, strings, objects as TObject*, and
// events as std::any holding the std::function of the event type.
using TPropValue = std::variant<Int64, double, String, TObject*, std::any>;

// A published property.
struct TPropInfo {
  String Name;
  PTypeInfo PropType = nullptr;
  TClass Owner = nullptr;           // declaring class
  int NameIndex = 0;                // position among the declaring class's properties
  std::optional<TPropValue> Default;  // declared default (not for class/method kinds)
  bool StoredConst = true;
  std::function<bool(TObject*)> StoredFn;  // overrides StoredConst when set
  std::function<TPropValue(TObject*)> Get;
  std::function<void(TObject*, const TPropValue&)> Set;  // empty: read-only
  std::function<TMethod(const std::any&)> DescribeMethod;  // tkMethod only

  TTypeKind Kind() const { return PropType->Kind; }
  bool IsReadOnly() const { return !Set; }
};
using PPropInfo = const TPropInfo*;

// ---- Type information helpers ----------------------------------------

// Builds the type record of an enumeration from its names, given as the
// comma-separated text of the enumerators ("alNone, alTop, alLeft"); the
// values are 0..n-1 in that order. Used by RTL_ENUM_INFO.
TTypeInfo MakeEnumTypeInfo(const char* TypeName, const char* CommaNames);

// The name of Value in an enumeration, or an empty text when out of range.
String GetEnumName(PTypeInfo Info, Int64 Value);
// The value of Name (case-insensitive) in an enumeration, or -1.
Int64 GetEnumValue(PTypeInfo Info, const String& Name);

// A set as text, "[a,b]" (without brackets when Brackets is false).
String SetToString(PTypeInfo SetInfo, Int64 Bits, bool Brackets = true);
// Parses "[a,b]" / "a,b" into set bits. Raises EPropertyConvertError
// ("Ungültiges Eigenschaftselement: %s") on an unknown element.
Int64 StringToSet(PTypeInfo SetInfo, const String& Text);

// Returns a registry-owned copy of Base renamed to Name (for "TColor" or
// "TDateTime" properties over a plain integer or double). Copies with the
// same kind and name are shared.
PTypeInfo InternTypeInfo(const TTypeInfo& Base, const String& Name);

// ---- Integer constants (colour names) -------------------------------

using TIdentToInt = std::function<bool(const String& Ident, Int64& Value)>;
using TIntToIdent = std::function<bool(Int64 Value, String& Ident)>;

// Installs the name map of an integer type, by type name (as the class library's
// RegisterIntegerConsts). Replaces an earlier map of that type. With
// HexText, values without a name are written as "$" and eight hex digits.
// "TColor" comes preinstalled with the class library's colour names.
void RegisterIntegerConsts(const String& TypeName, TIdentToInt ToInt, TIntToIdent ToIdent,
                           bool HexText = false);
// The name map installed for TypeName (any out-pointer may be null).
// Returns false when the type has none.
bool FindIntegerConsts(const String& TypeName, TIdentToInt* ToInt, TIntToIdent* ToIdent,
                       bool* HexText);
// The class library's colour names (clBlack .. clWindowText, clNone,
// clDefault), compared case-insensitively.
bool IdentToColor(const String& Ident, Int64& Color);
bool ColorToIdent(Int64 Color, String& Ident);

// ---- Text adapters for non-component object properties ---------------

using TObjectToText = std::function<String(TObject* Obj)>;
using TTextToObject = std::function<void(TObject* Obj, const String& Text)>;
// Lets object properties of Class (and subclasses) be read and written as
// text, e.g. TStrings through its Text (installed by default).
void RegisterObjectTextAdapter(TClass Class, TObjectToText ToText, TTextToObject FromText);
// Removes the adapter registered for exactly Class; returns false when it
// had none. Subclasses fall back to their nearest remaining ancestor's.
bool UnregisterObjectTextAdapter(TClass Class);
// The adapter of Class or of its nearest ancestor that has one; false
// when none applies.
bool FindObjectTextAdapter(TClass Class, TObjectToText* ToText, TTextToObject* FromText);

// ---- Registration (used by typinfo_publish.h) --------------------------

// Adds a property to Class; a property of the same name registered before
// for the same class is replaced. Returns the stored record, which the
// caller may complete during registration.
TPropInfo& RegisterPropInfo(TClass Class, TPropInfo Info);
// Adds a published method to Class (replacing one of the same name).
const TMethodInfo& RegisterMethodInfo(TClass Class, TMethodInfo Info);

// ---- Lookup ----------------------------------------------------------

// The property Name (case-insensitive) of Class or its ancestors, or null.
PPropInfo GetPropInfo(TClass Class, const String& Name);
PPropInfo GetPropInfo(const TObject* Instance, const String& Name);
// Like GetPropInfo but raises EPropertyError "Eigenschaft %s existiert nicht".
PPropInfo FindPropInfo(const TObject* Instance, const String& Name);
// All properties, parents' first, each class's in declaration order; an
// overriding property keeps its ancestor's position.
std::vector<PPropInfo> GetPropList(TClass Class);
std::vector<PPropInfo> GetPropList(const TObject* Instance);
bool IsPublishedProp(TClass Class, const String& Name);
bool IsPublishedProp(const TObject* Instance, const String& Name);
// The kind of a property; raises EPropertyError when it does not exist.
TTypeKind PropType(const TObject* Instance, const String& Name);
bool PropIsType(const TObject* Instance, const String& Name, TTypeKind Kind);

// The published method Name of Class or its ancestors, or null.
const TMethodInfo* FindMethod(TClass Class, const String& Name);
// All published methods, parents' first.
std::vector<const TMethodInfo*> GetMethodList(TClass Class);

#include "platform/rtl/typinfo_access.h"
#include "platform/rtl/typinfo_publish.h"
