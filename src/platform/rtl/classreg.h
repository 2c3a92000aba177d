// The class registry: classes reachable by name, as the form-description
// reader and the look engine need them ("TLookAndFeelWrapper",
// "TFColSelectFrm", every component class named in a form description).
//
// Names are compared case-insensitively. A class is usually registered in
// its unit's initialisation (a static registration in its .cpp):
//   static const bool Registered = (RegisterClass(TFoo::StaticClass()), true);
//
// Thread safety: every function is safe from any thread (one mutex).
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/rtl/system.h"

// Registers AClass under its class name. Registering the same class again
// does nothing; another class of the same name raises EFilerError
// "Eine Klasse mit der Bezeichnung %s existiert bereits".
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> Classes);
// Registers AClass under a second name (replacing that name's class).
void RegisterClassAlias(TClass AClass, const String& Alias);
// Removes every name under which AClass is registered (also aliases).
void UnRegisterClass(TClass AClass);
void UnRegisterClasses(std::initializer_list<TClass> Classes);

// The class registered under ClassName, or null when unknown.
TClass GetClass(const String& ClassName);
// Like GetClass; raises EClassNotFound "Klasse %s nicht gefunden".
TClass FindClass(const String& ClassName);
// Every registered name (aliases included), in no particular order.
std::vector<String> GetRegisteredClassNames();
