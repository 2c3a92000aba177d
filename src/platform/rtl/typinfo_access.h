// Reading and writing published properties, typed and as text, and binding
// events to published methods by name. Part of typinfo.h; include that.
//
// Every accessor taking a property name raises EPropertyError
// "Eigenschaft %s existiert nicht" when the instance has no such property.
// Writing a read-only property raises EPropertyError "Eigenschaft %s ist
// schreibgeschützt". Using an accessor on a property of another kind raises
// EPropertyError "Eigenschaft %s hat nicht den passenden Typ".
//
// Thread safety: as the instance itself.
#pragma once

#include "platform/rtl/typinfo.h"

// ---- Typed access ------------------------------------------------------

// Ordinal kinds: integer, Int64, char, enumeration, set (bit mask).
Int64 GetOrdProp(TObject* Instance, PPropInfo Prop);
Int64 GetOrdProp(TObject* Instance, const String& Name);
void SetOrdProp(TObject* Instance, PPropInfo Prop, Int64 Value);
void SetOrdProp(TObject* Instance, const String& Name, Int64 Value);

// String kinds.
String GetStrProp(TObject* Instance, PPropInfo Prop);
String GetStrProp(TObject* Instance, const String& Name);
void SetStrProp(TObject* Instance, PPropInfo Prop, const String& Value);
void SetStrProp(TObject* Instance, const String& Name, const String& Value);

// Floats (Double, TDateTime, Currency ...).
double GetFloatProp(TObject* Instance, PPropInfo Prop);
double GetFloatProp(TObject* Instance, const String& Name);
void SetFloatProp(TObject* Instance, PPropInfo Prop, double Value);
void SetFloatProp(TObject* Instance, const String& Name, double Value);

// Enumerations by name. SetEnumProp raises EPropertyConvertError on an
// unknown name.
String GetEnumProp(TObject* Instance, const String& Name);
void SetEnumProp(TObject* Instance, const String& Name, const String& Value);

// Sets as "[a,b]" text.
String GetSetProp(TObject* Instance, const String& Name, bool Brackets = true);
void SetSetProp(TObject* Instance, const String& Name, const String& Value);

// Object properties. GetObjectProp returns null when MinClass is given and
// the object does not inherit from it. SetObjectProp raises
// EPropertyConvertError when Value is not of the property's class.
// Ownership never changes hands: the setter decides (most Assign).
TObject* GetObjectProp(TObject* Instance, PPropInfo Prop, TClass MinClass = nullptr);
TObject* GetObjectProp(TObject* Instance, const String& Name, TClass MinClass = nullptr);
void SetObjectProp(TObject* Instance, PPropInfo Prop, TObject* Value);
void SetObjectProp(TObject* Instance, const String& Name, TObject* Value);

// Events. GetMethodProp tells which published method (and instance) the
// event is bound to. SetMethodProp binds it to the published method
// Method.Name of Method.Data, or clears it when Method.Data is null or
// the name is empty; see BindEventByName for the errors.
TMethod GetMethodProp(TObject* Instance, PPropInfo Prop);
TMethod GetMethodProp(TObject* Instance, const String& Name);
void SetMethodProp(TObject* Instance, PPropInfo Prop, const TMethod& Method);
void SetMethodProp(TObject* Instance, const String& Name, const TMethod& Method);

// Binds the event Prop of Instance to the published method MethodName of
// MethodOwner (the form that a description's root stands for). Raises
// EPropertyError "Methode %s nicht gefunden" when MethodOwner's class has
// no such method, and "Methode %s passt nicht zum Ereignis %s" when its
// signature differs from the event's.
void BindEventByName(TObject* Instance, PPropInfo Prop, TObject* MethodOwner,
                     const String& MethodName);

// Raises EPropertyError "Methode %s hat nicht die erwartete Signatur".
[[noreturn]] void RaiseMethodSignature(const String& MethodName);

// The published method Name of Instance bound to it, as a callable of the
// method's exact signature Sig (the class library's MethodAddress). Returns an empty function when
// there is no such method; raises EPropertyError on a signature mismatch.
template <class Sig>
std::function<Sig> MethodAddress(TObject* Instance, const String& Name) {
  const TMethodInfo* M = Instance ? FindMethod(Instance->ClassType(), Name) : nullptr;
  if (!M) return {};
  if (*M->Signature != typeid(Sig)) RaiseMethodSignature(Name);
  return std::any_cast<std::function<Sig>>(M->Bind(Instance, M));
}

// ---- Text access -------------------------------------------------------

// The value as text (see typinfo.h for the text forms).
String GetPropValue(TObject* Instance, PPropInfo Prop);
String GetPropValue(TObject* Instance, const String& Name);

// Sets the value from text. Root is where component names and method names
// are looked up; when null, the owner chain of Instance (Instance first) is
// searched. Raises EPropertyConvertError for a value the property cannot
// take, and the errors of BindEventByName for events.
void SetPropValue(TObject* Instance, PPropInfo Prop, const String& Value,
                  TObject* Root = nullptr);
void SetPropValue(TObject* Instance, const String& Name, const String& Value,
                  TObject* Root = nullptr);

// Follows a dotted path ("Font.Name"): every segment but the last must be a
// class-typed property with an object assigned. Returns the object holding
// the last segment and its property. Raises EPropertyError when a segment
// does not exist or holds no object.
PPropInfo ResolvePropertyPath(TObject* Instance, const String& Path, TObject*& Target);
// Sets / reads the property at a dotted path as text. The owner chain of
// Instance serves as root for names, unless Root is given.
void SetPropertyByPath(TObject* Instance, const String& Path, const String& Value,
                       TObject* Root = nullptr);
String GetPropertyByPath(TObject* Instance, const String& Path);

// ---- Streaming helpers ---------------------------------------------------

// Whether the property is stored (its stored flag or predicate).
bool IsStoredProp(TObject* Instance, PPropInfo Prop);
// Whether the value equals the declared default. Without a declared
// default: empty strings, zero floats and unassigned events count as
// default; ordinals and objects never do.
bool IsDefaultPropValue(TObject* Instance, PPropInfo Prop);
